#include "rotate_dialog.h"

#include "dialog_test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

static_assert(ModalDialog<TForm2>);

void PrintTo(const TForm2Settings& S, std::ostream* Os) {
    *Os << (S.ZoomInput ? "zoom " : "rotate ") << S.Angle << " \"" << S.ZoomText.toStdString() << '"';
}

void typeInto(QLineEdit* Edit, const QString& Text) {
    Edit->selectAll();
    QTest::keyClick(Edit, Qt::Key_Backspace);
    QTest::keyClicks(Edit, Text);
}

TEST(TForm2Test, RotateRoleAsksForAnAngle) {
    TLanguageScope english(LangEnglish);
    TForm2 dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rotate"));
    EXPECT_EQ(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Rotate angle:"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn2")->text(), QStringLiteral("Cancel"));
    auto* spin = child<QSpinBox>(dialog, "SpinEdit1");
    EXPECT_TRUE(spin->isVisibleTo(&dialog));
    EXPECT_FALSE(child<QLineEdit>(dialog, "Edit1")->isVisibleTo(&dialog));
    EXPECT_FALSE(child<QLabel>(dialog, "Label2")->isVisibleTo(&dialog));
    EXPECT_EQ(spin->value(), 0);
    EXPECT_EQ(spin->minimum(), -360);
    EXPECT_EQ(spin->maximum(), 360);
    EXPECT_EQ(dialog.Read(), TForm2Settings{});
}

// The angle stays within -360 .. 360 however it is typed.
TEST(TForm2Test, AngleRefusesValuesBeyondAFullTurn) {
    TForm2 dialog;
    auto* spin = child<QSpinBox>(dialog, "SpinEdit1");
    struct Case {
        const char* typed;
        int angle;
    };
    const Case cases[] = {{"90", 90}, {"-360", -360}, {"400", 40}, {"-3600", -360}, {"361", 36}};
    for (const Case& c : cases) {
        spin->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, QString::fromLatin1(c.typed));
        spin->interpretText();
        EXPECT_EQ(spin->value(), c.angle) << c.typed;
    }
}

TEST(TForm2Test, ZoomRoleAsksForAPercentageWithDigitsAndPointOnly) {
    TLanguageScope english(LangEnglish);
    TForm2 dialog;
    dialog.Preset({true, 0, QStringLiteral("100")});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Input view zoom ratio"));
    EXPECT_EQ(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("View Zoom:"));
    auto* edit = child<QLineEdit>(dialog, "Edit1");
    auto* percent = child<QLabel>(dialog, "Label2");
    EXPECT_FALSE(child<QSpinBox>(dialog, "SpinEdit1")->isVisibleTo(&dialog));
    EXPECT_TRUE(edit->isVisibleTo(&dialog));
    EXPECT_TRUE(percent->isVisibleTo(&dialog));
    EXPECT_EQ(percent->text(), QStringLiteral("%"));
    EXPECT_EQ(edit->text(), QStringLiteral("100"));

    typeInto(edit, QStringLiteral("1a2,-5.5%"));
    EXPECT_EQ(edit->text(), QStringLiteral("125.5"));

    // The same dialog back in the rotate role.
    dialog.Preset({});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Rotate"));
    EXPECT_TRUE(child<QSpinBox>(dialog, "SpinEdit1")->isVisibleTo(&dialog));
    EXPECT_FALSE(edit->isVisibleTo(&dialog));
}

TEST(TForm2Test, ZoomFromTextIsThePercentOverAHundredWhenPositive) {
    struct Case {
        const char* text;
        std::optional<double> zoom;
    };
    const Case cases[] = {
        {"100", 1.0}, {"150", 1.5}, {"12.5", 0.125}, {"0.5", 0.005}, {"1600", 16.0},
        {"0", std::nullopt}, {"0.0", std::nullopt}, {"", std::nullopt}, {".", std::nullopt},
        {"1.2.3", std::nullopt}, {"abc", std::nullopt}, {"-50", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> zoom = TForm2::ZoomFromText(QString::fromLatin1(c.text));
        ASSERT_EQ(zoom.has_value(), c.zoom.has_value()) << c.text;
        if (zoom) EXPECT_DOUBLE_EQ(*zoom, *c.zoom) << c.text;
    }
}

TEST(TForm2Test, OkGivesWhatWasEnteredCancelNothing) {
    TAnsweringRunner runner;
    TForm2 dialog;
    runner.User = [](QDialog& d) {
        typeInto(child<QLineEdit>(d, "Edit1"), QStringLiteral("250"));
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto zoom = RunDialog(runner, dialog, {true, 0, QStringLiteral("100")});
    ASSERT_TRUE(zoom);
    EXPECT_EQ(*zoom, (TForm2Settings{true, 0, QStringLiteral("250")}));
    EXPECT_EQ(TForm2::ZoomFromText(zoom->ZoomText), 2.5);

    runner.User = [](QDialog& d) {
        auto* spin = child<QSpinBox>(d, "SpinEdit1");
        spin->setValue(-45);
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto angle = RunDialog(runner, dialog, {});
    ASSERT_TRUE(angle);
    EXPECT_EQ(angle->Angle, -45);
    EXPECT_FALSE(angle->ZoomInput);

    runner.User = [](QDialog& d) {
        child<QSpinBox>(d, "SpinEdit1")->setValue(30);
        QTest::mouseClick(child<QPushButton>(d, "BitBtn2"), Qt::LeftButton);
    };
    EXPECT_FALSE(RunDialog(runner, dialog, {false, 10, QStringLiteral("100")}));
    EXPECT_EQ(runner.Shown, 3);
}

TEST(TForm2Test, BothRolesFitTheirCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        for (const bool zoom : {false, true}) {
            TForm2 dialog;
            dialog.Preset({zoom, 0, QStringLiteral("100")});
            expectTidyFixedLayout(dialog, std::string(languageName(base)) + (zoom ? " zoom" : " rotate"));
        }
    }
}

} // namespace
