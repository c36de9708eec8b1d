#include "add_guide_dialog.h"

#include "dialog_test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

static_assert(ModalDialog<TForm6>);

void PrintTo(const TForm6Settings& S, std::ostream* Os) {
    *Os << '"' << S.Caption.toStdString() << "\" " << (S.Vertical ? "vertical" : "horizontal")
        << " \"" << S.Position.toStdString() << "\" unit " << S.Unit;
}

enum { Pixels, Inches, Centimetres, Percent };

struct GuideCase {
    bool vertical;
    const char* text;
    int unit;
    std::optional<TlxPoint> guide;
};

// A 748 x 500 canvas at 100 pixels to the inch.
TEST(GuideFromInputTest, ConvertsEachUnitToImagePixels) {
    const GuideCase cases[] = {
        {true, "50", Percent, TlxPoint{374, 0}},      // 50 * 748 / 100
        {false, "50", Percent, TlxPoint{0, 250}},     // of the height for a horizontal guide
        {true, "33.3", Percent, TlxPoint{249, 0}},    // 249.084
        {false, "2", Centimetres, TlxPoint{0, 79}},   // 200 / 2.54 = 78.74
        {true, "1", Centimetres, TlxPoint{39, 0}},    // 39.37
        {true, "19", Centimetres, TlxPoint{748, 0}},  // 748.03
        {true, "1.5", Inches, TlxPoint{150, 0}},
        {false, "0.254", Inches, TlxPoint{0, 25}},    // 25.4
        {false, "-1.697", Inches, TlxPoint{0, -169}}, // the sum's fraction goes towards zero
        {true, "120", Pixels, TlxPoint{120, 0}},
        {false, "7", Pixels, TlxPoint{0, 7}},
        {true, "1.5", Pixels, std::nullopt},          // pixels are whole
        {true, "abc", Centimetres, std::nullopt},
        {false, "", Inches, std::nullopt},
        {true, "1,5", Percent, std::nullopt},
        {true, "1", 4, std::nullopt},                 // no such unit
        {true, "1e12", Centimetres, std::nullopt},    // beyond any position
    };
    for (const GuideCase& c : cases) {
        const auto guide = GuideFromInput(c.vertical, QString::fromLatin1(c.text), c.unit, 748, 500);
        ASSERT_EQ(guide.has_value(), c.guide.has_value()) << c.text << " unit " << c.unit;
        if (guide) {
            EXPECT_EQ(guide->X, c.guide->X) << c.text << " unit " << c.unit;
            EXPECT_EQ(guide->Y, c.guide->Y) << c.text << " unit " << c.unit;
        }
    }
}

TEST(TForm6Test, OpensVerticalAtOneCentimetre) {
    TLanguageScope english(LangEnglish);
    TForm6 dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add guides"));
    EXPECT_FALSE(child<QRadioButton>(dialog, "Rb1")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(dialog, "Rb2")->isChecked());
    EXPECT_EQ(child<QRadioButton>(dialog, "Rb1")->text(), QStringLiteral("Horizontal"));
    EXPECT_EQ(child<QRadioButton>(dialog, "Rb2")->text(), QStringLiteral("Vertical"));
    EXPECT_EQ(child<QLineEdit>(dialog, "Edit1")->text(), QStringLiteral("1"));
    auto* units = child<QComboBox>(dialog, "Cb");
    ASSERT_EQ(units->count(), 4);
    const QStringList expected = {QStringLiteral("pixels"), QStringLiteral("inches"),
                                  QStringLiteral("cm"), QStringLiteral("percent")};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(units->itemText(i), expected[i]);
    EXPECT_EQ(units->currentIndex(), Centimetres);
    QStringList labels;
    for (const QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Orientation:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Position:")));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn2")->text(), QStringLiteral("Cancel"));
}

TEST(TForm6Test, OkGivesTheEnteredGuideCancelNothing) {
    TAnsweringRunner runner;
    TForm6 dialog;
    const TForm6Settings preset{QStringLiteral("Add guide"), false, QStringLiteral("25"), Percent};
    runner.User = [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Add guide"));
        EXPECT_TRUE(child<QRadioButton>(d, "Rb1")->isChecked());
        EXPECT_EQ(child<QComboBox>(d, "Cb")->currentIndex(), Percent);
        clickAtLeft(child<QRadioButton>(d, "Rb2"));
        auto* edit = child<QLineEdit>(d, "Edit1");
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("4.5"));
        child<QComboBox>(d, "Cb")->setCurrentIndex(Inches);
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto read = RunDialog(runner, dialog, preset);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (TForm6Settings{QStringLiteral("Add guide"), true, QStringLiteral("4.5"), Inches}));
    const auto guide = GuideFromInput(read->Vertical, read->Position, read->Unit, 748, 500);
    ASSERT_TRUE(guide);
    EXPECT_EQ(*guide, (TlxPoint{450, 0}));

    runner.User = [](QDialog& d) {
        clickAtLeft(child<QRadioButton>(d, "Rb2"));
        QTest::mouseClick(child<QPushButton>(d, "BitBtn2"), Qt::LeftButton);
    };
    EXPECT_FALSE(RunDialog(runner, dialog, preset));
}

TEST(TForm6Test, FitsItsCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        TForm6 dialog;
        expectTidyFixedLayout(dialog, languageName(base));
    }
}

} // namespace
