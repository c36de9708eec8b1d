#include "precise_resize_dialog.h"

#include "dialog_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

// Beside the settings type, where the test macros look for it.
static void PrintTo(const TForm5Settings& S, std::ostream* Os) {
    *Os << '"' << S.Caption.toStdString() << "\" " << S.OrigWidth << 'x' << S.OrigHeight << " \""
        << S.WidthText.toStdString() << "\" unit " << S.WidthUnit << " \""
        << S.HeightText.toStdString() << "\" unit " << S.HeightUnit << (S.Lock ? " locked" : "");
}

namespace {

static_assert(ModalDialog<TForm5>);

// A 400 x 300 layer as the main window opens the dialog for it.
TForm5Settings layer400x300(int WidthUnit = ruCentimetres, int HeightUnit = ruCentimetres) {
    TForm5Settings s;
    s.OrigWidth = 400;
    s.OrigHeight = 300;
    s.WidthUnit = WidthUnit;
    s.HeightUnit = HeightUnit;
    return s;
}

// Makes the shown dialog the active window and puts the focus in Edit, as a
// click into the edit would.
void focusOn(QDialog& Dialog, QLineEdit* Edit) {
    Dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
    Edit->setFocus();
    ASSERT_TRUE(Edit->hasFocus());
}

void clearAndType(QLineEdit* Edit, const QString& Text) {
    Edit->selectAll();
    QTest::keyClick(Edit, Qt::Key_Backspace);
    ASSERT_TRUE(Edit->text().isEmpty());
    QTest::keyClicks(Edit, Text);
}

struct InputCase {
    const char* text;
    int unit;
    int current;
    std::optional<int> pixels;
};

TEST(PixelsFromInputTest, ConvertsEachUnitRoundingHalvesToEven) {
    const InputCase cases[] = {
        {"315", ruPixels, 400, 315},
        {"1.5", ruPixels, 400, std::nullopt},    // pixels are whole
        {"2.5", ruInches, 400, 250},
        {"0.125", ruInches, 400, 12},            // 12.5, to the even 12
        {"8", ruCentimetres, 400, 315},          // 800 / 2.54 = 314.96
        {"0.0635", ruCentimetres, 400, 2},       // 6.35 / 2.54 = 2.5 exactly, to the even 2
        {"0.0381", ruCentimetres, 400, 2},       // 3.81 / 2.54 = 1.5 exactly, to the even 2
        {"0.1143", ruCentimetres, 400, 4},       // 11.43 / 2.54 = 4.5 exactly, to the even 4
        {"50%", ruPercent, 400, 200},
        {"50", ruPercent, 400, 200},
        {"50", ruPercent, 300, 150},             // of the size passed in
        {"12.5", ruPercent, 4, 0},               // 0.5, to the even 0
        {"37.5", ruPercent, 4, 2},               // 1.5, to the even 2
        {"abc", ruCentimetres, 400, std::nullopt},
        {"", ruInches, 400, std::nullopt},
        {"%", ruPercent, 400, std::nullopt},
        {"50%%", ruPercent, 400, std::nullopt},
        {"5%", ruCentimetres, 400, std::nullopt}, // a "%" only goes with percent
        {"1e12", ruInches, 400, std::nullopt},    // beyond any size
        {"1", 4, 400, std::nullopt},              // no such unit
    };
    for (const InputCase& c : cases) {
        const std::optional<int> pixels = PixelsFromInput(QString::fromLatin1(c.text), c.unit, c.current);
        EXPECT_EQ(pixels, c.pixels) << '"' << c.text << "\" unit " << c.unit << " of " << c.current;
    }
}

TEST(TextForPixelsTest, ShowsPixelsInEachUnit) {
    struct Case {
        int pixels, unit, orig;
        const char* text;
    };
    const Case cases[] = {
        {400, ruPixels, 400, "400"},
        {400, ruInches, 400, "4"},
        {150, ruInches, 400, "1.5"},
        {400, ruCentimetres, 400, "10.16"},          // 4 * 2.54
        {236, ruCentimetres, 300, "5.9944"},         // 2.36 * 2.54
        {300, ruCentimetres, 300, "7.62"},
        {200, ruPercent, 400, "50%"},
        {300, ruPercent, 300, "100%"},
        {1, ruPercent, 3, "33.3333333333333%"},      // to 15 digits
        {5, ruPercent, 0, "100%"},                   // no size to be a part of
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextForPixels(c.pixels, c.unit, c.orig), QString::fromLatin1(c.text))
            << c.pixels << " unit " << c.unit << " of " << c.orig;
}

TEST(TForm5Test, OpensOnTheLayerSizeInCentimetres) {
    TLanguageScope english(LangEnglish);
    TForm5 dialog;
    EXPECT_TRUE(child<QCheckBox>(dialog, "Ck1")->isChecked());
    dialog.Preset(layer400x300());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Precise resizing image"));
    EXPECT_EQ(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Width:"));
    EXPECT_EQ(child<QLabel>(dialog, "Label2")->text(), QStringLiteral("Height:"));
    EXPECT_EQ(child<QCheckBox>(dialog, "Ck1")->text(), QStringLiteral("Lock ratio"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn2")->text(), QStringLiteral("Cancel"));
    const QStringList units = {QStringLiteral("pixels"), QStringLiteral("inches"),
                               QStringLiteral("cm"), QStringLiteral("percent")};
    for (const char* name : {"Cb1", "Cb2"}) {
        auto* box = child<QComboBox>(dialog, name);
        ASSERT_EQ(box->count(), 4) << name;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(box->itemText(i), units[i]) << name;
        EXPECT_EQ(box->currentIndex(), ruCentimetres) << name;
    }
    EXPECT_EQ(child<QLineEdit>(dialog, "Edit1")->text(), QStringLiteral("10.16"));
    EXPECT_EQ(child<QLineEdit>(dialog, "Edit2")->text(), QStringLiteral("7.62"));

    TForm5Settings expected = layer400x300();
    expected.Caption = QStringLiteral("Precise resizing image");
    expected.WidthText = QStringLiteral("10.16");
    expected.HeightText = QStringLiteral("7.62");
    EXPECT_EQ(dialog.Read(), expected);
}

TEST(TForm5Test, PresetTakesCaptionUnitsAndLockButShowsTheLayerSize) {
    TForm5 dialog;
    TForm5Settings preset = layer400x300(ruPixels, 7); // no unit 7: centimetres
    preset.Caption = QStringLiteral("Precise resizing");
    preset.WidthText = QStringLiteral("1");
    preset.HeightText = QStringLiteral("2");
    preset.Lock = false;
    dialog.Preset(preset);
    const TForm5Settings read = dialog.Read();
    EXPECT_EQ(read, (TForm5Settings{QStringLiteral("Precise resizing"), 400, 300, ruPixels,
                                    ruCentimetres, QStringLiteral("400"), QStringLiteral("7.62"),
                                    false}));
}

// Each unit shows the layer's whole size; with the lock on, the height that
// follows from the whole width is the whole height again.
TEST(TForm5Test, ChangingAUnitShowsTheLayerSizeInIt) {
    TForm5 dialog;
    dialog.Preset(layer400x300());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* width = child<QLineEdit>(dialog, "Edit1");
    auto* height = child<QLineEdit>(dialog, "Edit2");
    auto* widthUnit = child<QComboBox>(dialog, "Cb1");
    auto* heightUnit = child<QComboBox>(dialog, "Cb2");
    struct Case {
        QComboBox* box;
        int unit;
        const char* width;
        const char* height;
    };
    const Case cases[] = {
        {widthUnit, ruPixels, "400", "7.62"},  {widthUnit, ruPercent, "100%", "7.62"},
        {widthUnit, ruInches, "4", "7.62"},    {heightUnit, ruPixels, "4", "300"},
        {heightUnit, ruPercent, "4", "100%"},  {heightUnit, ruInches, "4", "3"},
        {widthUnit, ruCentimetres, "10.16", "3"},
    };
    for (const Case& c : cases) {
        c.box->setCurrentIndex(c.unit);
        EXPECT_EQ(width->text(), QString::fromLatin1(c.width)) << c.box->objectName().toStdString() << ' ' << c.unit;
        EXPECT_EQ(height->text(), QString::fromLatin1(c.height)) << c.box->objectName().toStdString() << ' ' << c.unit;
    }

    // Choosing from the list by keyboard does the same, and so does choosing
    // the unit already shown after the text was edited.
    heightUnit->setFocus();
    QTest::keyClick(heightUnit, Qt::Key_Down); // inches to centimetres
    EXPECT_EQ(heightUnit->currentIndex(), ruCentimetres);
    EXPECT_EQ(height->text(), QStringLiteral("7.62"));
    height->setText(QStringLiteral("1"));
    emit heightUnit->activated(ruCentimetres);
    EXPECT_EQ(height->text(), QStringLiteral("7.62"));
}

TEST(TForm5Test, LockedWidthInCentimetresGivesTheHeightThatKeepsTheProportion) {
    TAnsweringRunner runner;
    TForm5 dialog;
    runner.User = [](QDialog& d) {
        auto* width = child<QLineEdit>(d, "Edit1");
        focusOn(d, width);
        clearAndType(width, QStringLiteral("8"));
        EXPECT_EQ(width->text(), QStringLiteral("8"));
        // 8 cm is 315 pixels; Trunc(315 / (400 / 300) + 0.5) = 236, and
        // 236 pixels are 2.36 * 2.54 cm.
        EXPECT_EQ(child<QLineEdit>(d, "Edit2")->text(), QStringLiteral("5.9944"));
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto read = RunDialog(runner, dialog, layer400x300());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->WidthText, QStringLiteral("8"));
    EXPECT_EQ(read->HeightText, QStringLiteral("5.9944"));
    EXPECT_EQ(PixelsFromInput(read->WidthText, read->WidthUnit, read->OrigWidth), 315);
    EXPECT_EQ(PixelsFromInput(read->HeightText, read->HeightUnit, read->OrigHeight), 236);
}

TEST(TForm5Test, LockedHeightGivesTheWidthInTheWidthUnit) {
    struct Case {
        int widthUnit;
        const char* typed; // the height in pixels
        const char* width;
    };
    const Case cases[] = {
        {ruPercent, "150", "50%"},    // Trunc(400 / 300 * 150 + 0.5) = 200, of 400
        {ruInches, "100", "1.33"},    // Trunc(133.33 + 0.5) = 133
        {ruPixels, "301", "401"},     // 401.33
        {ruCentimetres, "3", "0.1016"}, // 4 pixels
    };
    for (const Case& c : cases) {
        TAnsweringRunner runner;
        TForm5 dialog;
        runner.User = [&c](QDialog& d) {
            auto* height = child<QLineEdit>(d, "Edit2");
            focusOn(d, height);
            clearAndType(height, QString::fromLatin1(c.typed));
            EXPECT_EQ(height->text(), QString::fromLatin1(c.typed));
            EXPECT_EQ(child<QLineEdit>(d, "Edit1")->text(), QString::fromLatin1(c.width)) << c.typed;
        };
        RunDialog(runner, dialog, layer400x300(c.widthUnit, ruPixels));
    }
}

TEST(TForm5Test, UnlockedEditsAreIndependentTickingFitsTheOtherToTheFocusedOne) {
    TAnsweringRunner runner;
    TForm5 dialog;
    runner.User = [](QDialog& d) {
        auto* width = child<QLineEdit>(d, "Edit1");
        auto* height = child<QLineEdit>(d, "Edit2");
        auto* lock = child<QCheckBox>(d, "Ck1");
        focusOn(d, width);
        clickAtLeft(lock);
        ASSERT_FALSE(lock->isChecked());
        EXPECT_TRUE(width->hasFocus()); // the click left the focus in the edit
        clearAndType(width, QStringLiteral("8"));
        EXPECT_EQ(height->text(), QStringLiteral("7.62"));

        clickAtLeft(lock);
        ASSERT_TRUE(lock->isChecked());
        EXPECT_EQ(width->text(), QStringLiteral("8"));
        EXPECT_EQ(height->text(), QStringLiteral("5.9944"));

        // From the height the other way, in its own unit.
        clickAtLeft(lock);
        focusOn(d, height);
        clearAndType(height, QStringLiteral("3"));
        EXPECT_EQ(width->text(), QStringLiteral("8"));
        clickAtLeft(lock);
        // 3 cm is round(118.11) = 118 pixels; Trunc(4 / 3 * 118 + 0.5) = 157.
        EXPECT_EQ(width->text(), QStringLiteral("3.9878")); // 1.57 * 2.54
        EXPECT_EQ(height->text(), QStringLiteral("3"));
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto read = RunDialog(runner, dialog, layer400x300());
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->Lock);
}

// Writing the other edit does not convert back into the one that changed:
// 5.9944 cm is 236 pixels again, whose width would be 315 pixels, or
// 8.001 cm, not the 8 that was entered.
TEST(TForm5Test, TheLockNeverRewritesTheEditThatChanged) {
    TForm5 dialog; // not shown, so neither edit has the focus
    dialog.Preset(layer400x300());
    auto* width = child<QLineEdit>(dialog, "Edit1");
    auto* height = child<QLineEdit>(dialog, "Edit2");
    ASSERT_FALSE(width->hasFocus());
    ASSERT_FALSE(height->hasFocus());
    width->setText(QStringLiteral("8"));
    EXPECT_EQ(width->text(), QStringLiteral("8"));
    EXPECT_EQ(height->text(), QStringLiteral("5.9944"));
}

// The edit that has the focus is the user's: a change of the other one
// leaves it as typed.
TEST(TForm5Test, TheLockLeavesTheFocusedEdit) {
    TForm5 dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.Preset(layer400x300());
    auto* width = child<QLineEdit>(dialog, "Edit1");
    auto* height = child<QLineEdit>(dialog, "Edit2");
    focusOn(dialog, height);
    width->setText(QStringLiteral("8"));
    EXPECT_EQ(height->text(), QStringLiteral("7.62"));
    focusOn(dialog, width);
    height->setText(QStringLiteral("3"));
    EXPECT_EQ(width->text(), QStringLiteral("8"));
}

TEST(TForm5Test, ConversionErrorsAndEmptyTextLeaveTheOtherEdit) {
    TForm5 dialog;
    dialog.Preset(layer400x300(ruPixels, ruPixels));
    auto* width = child<QLineEdit>(dialog, "Edit1");
    auto* height = child<QLineEdit>(dialog, "Edit2");
    for (const char* text : {"", "1.5", "1.2.3", "."}) {
        width->setText(QString::fromLatin1(text));
        EXPECT_EQ(height->text(), QStringLiteral("300")) << text;
    }

    // A layer without an area has no proportion to keep.
    TForm5Settings empty;
    empty.OrigWidth = 400;
    dialog.Preset(empty);
    EXPECT_EQ(width->text(), QStringLiteral("10.16"));
    EXPECT_EQ(height->text(), QStringLiteral("0"));
    width->setText(QStringLiteral("5"));
    EXPECT_EQ(height->text(), QStringLiteral("0"));
}

TEST(TForm5Test, EditsTakeDigitsAndPointAndKeepTheShownPercentEditable) {
    TForm5 dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.Preset(layer400x300(ruPercent, ruCentimetres));
    auto* width = child<QLineEdit>(dialog, "Edit1");
    auto* height = child<QLineEdit>(dialog, "Edit2");
    focusOn(dialog, width);
    ASSERT_EQ(width->text(), QStringLiteral("100%"));
    // The shown percentage is input the edit accepts (it reports editing
    // finished only for such input).
    EXPECT_TRUE(width->hasAcceptableInput());

    // Digits go in before the program's "%"; the user cannot add one.
    QTest::keyClick(width, Qt::Key_End);
    QTest::keyClick(width, Qt::Key_Left);
    QTest::keyClick(width, Qt::Key_Backspace);
    QTest::keyClick(width, Qt::Key_Backspace);
    EXPECT_EQ(width->text(), QStringLiteral("1%"));
    QTest::keyClicks(width, QStringLiteral("5%"));
    QTest::keyClick(width, Qt::Key_End);
    QTest::keyClicks(width, QStringLiteral("%"));
    EXPECT_EQ(width->text(), QStringLiteral("15%"));
    EXPECT_TRUE(width->hasAcceptableInput());
    // 15% of 400 is 60 pixels; Trunc(60 * 3 / 4 + 0.5) = 45, 0.45 * 2.54 cm.
    EXPECT_EQ(height->text(), QStringLiteral("1.143"));

    clearAndType(width, QStringLiteral("1a2,-5.5%x"));
    EXPECT_EQ(width->text(), QStringLiteral("125.5"));
    focusOn(dialog, height);
    clearAndType(height, QStringLiteral("7 c%m.5"));
    EXPECT_EQ(height->text(), QStringLiteral("7.5"));
}

TEST(TForm5Test, OkGivesTheEditsCancelNothingAndEachOpeningStartsAgain) {
    TLanguageScope english(LangEnglish);
    TAnsweringRunner runner;
    TForm5 dialog;
    runner.User = [](QDialog& d) {
        auto* width = child<QLineEdit>(d, "Edit1");
        focusOn(d, width);
        clearAndType(width, QStringLiteral("200"));
        QTest::mouseClick(child<QPushButton>(d, "BitBtn2"), Qt::LeftButton);
    };
    EXPECT_FALSE(RunDialog(runner, dialog, layer400x300(ruPixels, ruPercent)));

    runner.User = [](QDialog& d) {
        auto* width = child<QLineEdit>(d, "Edit1");
        EXPECT_EQ(width->text(), QStringLiteral("400"));
        focusOn(d, width);
        clearAndType(width, QStringLiteral("200"));
        EXPECT_EQ(child<QLineEdit>(d, "Edit2")->text(), QStringLiteral("50%"));
        QTest::keyClick(&d, Qt::Key_Return);
    };
    const auto read = RunDialog(runner, dialog, layer400x300(ruPixels, ruPercent));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (TForm5Settings{QStringLiteral("Precise resizing image"), 400, 300, ruPixels,
                                     ruPercent, QStringLiteral("200"), QStringLiteral("50%"), true}));
    EXPECT_EQ(PixelsFromInput(read->HeightText, read->HeightUnit, read->OrigHeight), 150);
    EXPECT_EQ(runner.Shown, 2);
}

TEST(TForm5Test, FitsItsCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        TForm5 dialog;
        dialog.Preset(layer400x300(ruPercent, ruCentimetres));
        expectTidyFixedLayout(dialog, languageName(base));
    }
}

} // namespace
