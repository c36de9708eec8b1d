#include "manage_guides_dialog.h"

#include "dialog_test_support.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

static_assert(ModalDialog<TForm95>);

void PrintTo(const TGuideEntry& E, std::ostream* Os) {
    *Os << (E.Vertical ? "vertical " : "horizontal ") << E.Position;
}

enum { Pixels, Millimetres, Centimetres, Inches };

const TGuideEntry V374{true, 374};
const TGuideEntry H79{false, 79};
const TGuideEntry V1200{true, 1200};

struct ShownError {
    QWidget* parent = nullptr;
    QString text;
};

// A dialog that records the errors it shows.
struct Fixture {
    std::vector<ShownError> errors;
    TForm95 dialog{[this](QWidget* Parent, const QString& Text) { errors.push_back({Parent, Text}); }};
    QTreeWidget* lv = child<QTreeWidget>(dialog, "LV");
    QLineEdit* edit = child<QLineEdit>(dialog, "Edit1");
    QComboBox* units = child<QComboBox>(dialog, "Cb");
    QRadioButton* horizontal = child<QRadioButton>(dialog, "Rb1");
    QRadioButton* vertical = child<QRadioButton>(dialog, "Rb2");

    explicit Fixture(std::vector<TGuideEntry> Guides) {
        dialog.Preset({std::move(Guides)});
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) ADD_FAILURE() << "not shown";
    }
    QString rowText(int Row) const { return lv->topLevelItem(Row)->text(1); }
    int selectedRow() const {
        const auto selected = lv->selectedItems();
        return selected.isEmpty() ? -1 : lv->indexOfTopLevelItem(selected.first());
    }
    void clickRow(int Row) {
        QTreeWidgetItem* item = lv->topLevelItem(Row);
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, lv->visualItemRect(item).center());
    }
    void type(const QString& Text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, Text);
    }
    std::vector<TGuideEntry> guides() const { return dialog.Read().Guides; }
};

TEST(GuideEntriesTest, PointsWithAnXAreVerticalTheOthersHorizontal) {
    const TlxPoint points[] = {{374, 0}, {0, 79}, {0, 0}, {5, 9}, {-3, 0}};
    const std::vector<TGuideEntry> entries = GuideEntriesFromPoints(points, 5);
    const std::vector<TGuideEntry> expected = {
        {true, 374}, {false, 79}, {false, 0}, {true, 5}, {true, -3}};
    EXPECT_EQ(entries, expected);
    // Back: a vertical guide keeps only its x.
    const std::vector<TlxPoint> back = GuidePointsFromEntries(entries);
    const std::vector<TlxPoint> stored = {{374, 0}, {0, 79}, {0, 0}, {5, 0}, {-3, 0}};
    EXPECT_EQ(back, stored);
    EXPECT_TRUE(GuideEntriesFromPoints(points, 0).empty());
    EXPECT_TRUE(GuidePointsFromEntries({}).empty());
}

TEST(TForm95Test, RowsDescribeEachGuideInTheCurrentLanguage) {
    {
        TLanguageScope simplified(LangSimplified);
        Fixture f({V374});
        ASSERT_EQ(f.lv->topLevelItemCount(), 1);
        EXPECT_EQ(f.lv->headerItem()->text(0), QStringLiteral("ID"));
        EXPECT_EQ(f.lv->headerItem()->text(1), QString::fromUtf8("位置及取向"));
        EXPECT_EQ(f.lv->topLevelItem(0)->text(0), QStringLiteral("1"));
        EXPECT_EQ(f.rowText(0), QString::fromUtf8("垂直 374 像素 | 9.4996 厘米"));
    }
    EXPECT_EQ(LangBase, LangEnglish);
    TLanguageScope english(LangEnglish);
    Fixture f({V374, H79, V1200});
    ASSERT_EQ(f.lv->topLevelItemCount(), 3);
    EXPECT_EQ(f.lv->topLevelItem(2)->text(0), QStringLiteral("3"));
    EXPECT_EQ(f.rowText(1), QStringLiteral("Horizontal 79 pixels | 2.0066 cm"));
    EXPECT_EQ(f.rowText(2), QStringLiteral("Vertical 1200 pixels | 30.48 cm"));
    EXPECT_FALSE(f.lv->rootIsDecorated());
    EXPECT_EQ(f.lv->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(f.lv->selectionBehavior(), QAbstractItemView::SelectRows);
}

// Positions at 100 pixels to the inch: millimetres px / 100 * 25.4,
// centimetres px / 100 * 2.54, inches px / 100.
TEST(TForm95Test, SelectingARowShowsItsGuideInTheChosenUnit) {
    Fixture f({V374, H79});
    EXPECT_EQ(f.selectedRow(), 0) << "the first row is selected at the start";
    EXPECT_EQ(f.units->currentIndex(), Centimetres);
    EXPECT_TRUE(f.vertical->isChecked());
    EXPECT_EQ(f.edit->text(), QStringLiteral("9.4996"));

    struct Case {
        int unit;
        const char* at374;
        const char* at79;
    };
    const Case cases[] = {{Pixels, "374", "79"},
                          {Millimetres, "94.996", "20.066"},
                          {Centimetres, "9.4996", "2.0066"},
                          {Inches, "3.74", "0.79"}};
    for (const Case& c : cases) {
        f.units->setCurrentIndex(c.unit);
        f.clickRow(0);
        EXPECT_TRUE(f.vertical->isChecked()) << c.unit;
        EXPECT_EQ(f.edit->text(), QString::fromLatin1(c.at374)) << c.unit;
        f.clickRow(1);
        EXPECT_EQ(f.selectedRow(), 1);
        EXPECT_TRUE(f.horizontal->isChecked()) << c.unit;
        EXPECT_EQ(f.edit->text(), QString::fromLatin1(c.at79)) << c.unit;
    }
    // A new unit shows the selected guide again.
    f.units->setCurrentIndex(Pixels);
    EXPECT_EQ(f.edit->text(), QStringLiteral("79"));
    // Showing a guide changes none.
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{V374, H79}));
}

// Typed positions: millimetres Trunc(v * 100 / 25.4 + 0.5), centimetres
// Trunc(v * 100 / 2.54 + 0.5), inches Trunc(v * 100 + 0.5).
TEST(TForm95Test, TypingAPositionMovesTheSelectedGuide) {
    TLanguageScope english(LangEnglish);
    Fixture f({V374, H79});
    f.clickRow(1);
    struct Case {
        int unit;
        const char* typed;
        int position;
    };
    const Case cases[] = {
        {Centimetres, "2", 79},   {Centimetres, "10.16", 400}, {Millimetres, "25", 98},
        {Millimetres, "0.2", 1},  {Inches, "1.5", 150},        {Inches, "3.744", 374},
        {Pixels, "42", 42},
    };
    for (const Case& c : cases) {
        f.units->setCurrentIndex(c.unit);
        f.type(QString::fromLatin1(c.typed));
        EXPECT_EQ(f.guides()[1], (TGuideEntry{false, c.position})) << c.typed << " unit " << c.unit;
        EXPECT_TRUE(f.rowText(1).startsWith(QStringLiteral("Horizontal %1 pixels").arg(c.position)))
            << f.rowText(1).toStdString();
    }
    // Only digits and a point are taken; a number that is not whole pixels
    // leaves the guide where it was.
    f.units->setCurrentIndex(Pixels);
    f.type(QStringLiteral("42"));
    QTest::keyClicks(f.edit, QStringLiteral("x.5"));
    EXPECT_EQ(f.edit->text(), QStringLiteral("42.5"));
    EXPECT_EQ(f.guides()[1].Position, 42);
    // Emptying the edit changes nothing either.
    f.type(QString());
    EXPECT_EQ(f.guides()[1].Position, 42);
    EXPECT_EQ(f.guides()[0], V374) << "only the selected guide moves";
}

TEST(TForm95Test, ClickingAnOrientationTurnsTheSelectedGuide) {
    TLanguageScope english(LangEnglish);
    Fixture f({V374, H79});
    clickAtLeft(f.horizontal);
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{{false, 374}, H79}));
    EXPECT_EQ(f.rowText(0), QStringLiteral("Horizontal 374 pixels | 9.4996 cm"));
    f.clickRow(1);
    clickAtLeft(f.vertical);
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{{false, 374}, {true, 79}}));
    EXPECT_EQ(f.rowText(1), QStringLiteral("Vertical 79 pixels | 2.0066 cm"));
}

TEST(TForm95Test, DeletesTheSelectedGuideAndKeepsTheRowIndex) {
    TLanguageScope english(LangEnglish);
    Fixture f({V374, H79, V1200});
    f.clickRow(1);
    QTest::mouseClick(child<QPushButton>(f.dialog, "Button1"), Qt::LeftButton);
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{V374, V1200}));
    ASSERT_EQ(f.lv->topLevelItemCount(), 2);
    EXPECT_EQ(f.lv->topLevelItem(1)->text(0), QStringLiteral("2")) << "renumbered";
    EXPECT_EQ(f.rowText(1), QStringLiteral("Vertical 1200 pixels | 30.48 cm"));
    EXPECT_EQ(f.selectedRow(), 1);
    EXPECT_EQ(f.edit->text(), QStringLiteral("30.48"));

    // The first row goes: the next one takes its place and its selection.
    f.clickRow(0);
    QTest::mouseClick(child<QPushButton>(f.dialog, "Button1"), Qt::LeftButton);
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{V1200}));
    EXPECT_EQ(f.selectedRow(), 0);
    EXPECT_EQ(f.edit->text(), QStringLiteral("30.48"));
    f.dialog.Preset({{V374, V1200}});
    f.clickRow(1);

    // The last row goes: no row is left at its index, so none is selected.
    QTest::mouseClick(child<QPushButton>(f.dialog, "Button1"), Qt::LeftButton);
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{V374}));
    EXPECT_EQ(f.selectedRow(), -1);
    EXPECT_TRUE(f.errors.empty());

    QTest::mouseClick(child<QPushButton>(f.dialog, "Button1"), Qt::LeftButton);
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{V374}));
    ASSERT_EQ(f.errors.size(), 1u);
    EXPECT_EQ(f.errors[0].parent, &f.dialog);
    EXPECT_EQ(f.errors[0].text, QStringLiteral("Please first select the guide to delete."));
    // Nothing selected: orientation clicks and typing change no guide.
    clickAtLeft(f.horizontal);
    f.type(QStringLiteral("5"));
    EXPECT_EQ(f.guides(), (std::vector<TGuideEntry>{V374}));
}

TEST(TForm95Test, OkGivesTheEditedListCancelNothing) {
    TAnsweringRunner runner;
    std::vector<TGuideEntry> guides = {V374, H79, V1200};
    const auto edit = [](QDialog& d) {
        auto* lv = child<QTreeWidget>(d, "LV");
        QTest::mouseClick(child<QPushButton>(d, "Button1"), Qt::LeftButton); // the first goes
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {},
                          lv->visualItemRect(lv->topLevelItem(1)).center());
        child<QComboBox>(d, "Cb")->setCurrentIndex(Pixels);
        auto* position = child<QLineEdit>(d, "Edit1");
        position->selectAll();
        QTest::keyClicks(position, QStringLiteral("600"));
    };
    {
        TForm95 dialog([](QWidget*, const QString&) {});
        runner.User = [&](QDialog& d) {
            edit(d);
            QTest::mouseClick(child<QPushButton>(d, "BitBtn2"), Qt::LeftButton);
        };
        if (const auto read = RunDialog(runner, dialog, {guides})) guides = read->Guides;
        EXPECT_EQ(guides, (std::vector<TGuideEntry>{V374, H79, V1200}));
    }
    {
        TForm95 dialog([](QWidget*, const QString&) {});
        runner.User = [&](QDialog& d) {
            edit(d);
            QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
        };
        if (const auto read = RunDialog(runner, dialog, {guides})) guides = read->Guides;
        EXPECT_EQ(guides, (std::vector<TGuideEntry>{H79, {true, 600}}));
    }
    EXPECT_EQ(runner.Shown, 2);
}

TEST(TForm95Test, FitsItsCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        TForm95 dialog([](QWidget*, const QString&) {});
        dialog.Preset({{V374, H79, V1200}});
        expectTidyFixedLayout(dialog, languageName(base));
        EXPECT_EQ(child<QPushButton>(dialog, "Button1")->text(), LangText(137));
        EXPECT_EQ(child<QComboBox>(dialog, "Cb")->count(), 4);
        EXPECT_EQ(child<QComboBox>(dialog, "Cb")->itemText(1), LangText(136));
    }
}

} // namespace
