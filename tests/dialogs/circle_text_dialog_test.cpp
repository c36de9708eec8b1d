#include "text/circle_text_dialog.h"

#include "dialog_test_support.h"
#include "lxImage.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

static_assert(ModalDialog<TForm76>);

// A text as the insert text dialog hands it over: arc text in white.
TForm76::Settings circleText(const char* Text, int Size, int StartAngle, bool Flip = false) {
    TForm76::Settings s;
    SetText(s.Style, Text);
    SetFontName(s.Style, "DejaVu Sans");
    s.Style.Size = 20;
    s.Style.Color = lxRGB(255, 255, 255);
    s.Style.Arrangement = lxTextArc;
    s.Style.Param = TForm76::CircleParam(Size, StartAngle);
    s.Style.Reverse = Flip ? 1 : 0;
    s.CircleSize = Size;
    s.CmText = QString::number(Size / 100.0 * 5.08);
    s.StartAngle = StartAngle;
    s.Flip = Flip;
    return s;
}

void typeInto(QLineEdit* Edit, const QString& Text) {
    Edit->selectAll();
    QTest::keyClick(Edit, Qt::Key_Backspace);
    QTest::keyClicks(Edit, Text);
}

bool anyInk(const QImage& Picture) {
    for (int y = 0; y < Picture.height(); ++y) {
        const uchar* row = Picture.constScanLine(y);
        for (int x = 0; x < Picture.width(); ++x)
            if (row[x] != 0) return true;
    }
    return false;
}

TEST(TForm76Test, ControlsCaptionsAndRanges) {
    TLanguageScope english(LangEnglish);
    TForm76 dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Circle text"));
    EXPECT_EQ(child<QLabel>(dialog, "Label1")->text(), QStringLiteral("Start angle:"));
    EXPECT_EQ(child<QLabel>(dialog, "Label2")->text(), QStringLiteral("Circle diameter:"));
    EXPECT_EQ(child<QLabel>(dialog, "Label3")->text(), QStringLiteral("CM"));
    EXPECT_EQ(child<QCheckBox>(dialog, "Ck1")->text(), QStringLiteral("Flip text"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn1")->text(), QStringLiteral("OK"));
    EXPECT_EQ(child<QPushButton>(dialog, "BitBtn2")->text(), QStringLiteral("Cancel"));
    auto* slider = child<QSlider>(dialog, "Tb2");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 360);
    EXPECT_EQ(slider->tickInterval(), 10);
    auto* start = child<QSpinBox>(dialog, "SpinEdit2");
    EXPECT_EQ(start->minimum(), 0);
    EXPECT_EQ(start->maximum(), 360);
    auto* size = child<QSpinBox>(dialog, "SpinEdit1");
    EXPECT_EQ(size->minimum(), 10);
    EXPECT_EQ(size->maximum(), 16000);
    EXPECT_FALSE(size->isVisibleTo(&dialog));
    EXPECT_EQ(child<QScrollArea>(dialog, "Sb")->size(), QSize(400, 300));
    EXPECT_EQ(dialog.size(), QSize(465, 450));
}

// Circle units are 50 to the inch: Trunc(cm * 100 / 5.08 + 0.5), 10 .. 16000.
TEST(TForm76Test, CircleSizeFromCentimetres) {
    struct Case {
        const char* text;
        std::optional<int> size;
    };
    const Case cases[] = {
        {"5.08", 100},
        {"10.16", 200},
        {"2.54", 50},
        {"3", 59}, // 59.06 + 0.5
        {"0.762", 15},
        {"0.1", 10},
        {"0", 10},
        {"0.5", 10}, // 9.84 + 0.5 -> 10
        {"0.48", 10},
        {"812.8", 16000},
        {"1000", 16000},
        {"", std::nullopt},
        {".", std::nullopt},
        {"1.2.3", std::nullopt},
        {"cm", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TForm76::CircleSizeFromCm(QString::fromLatin1(c.text)), c.size) << c.text;
}

TEST(TForm76Test, ParamPacksSizeAboveStartAngle) {
    EXPECT_EQ(TForm76::CircleParam(300, 90), 19660890);
    EXPECT_EQ(TForm76::CircleParam(100, 0), 6553600);
    EXPECT_EQ(TForm76::CircleParam(10, 360), 655720);
    EXPECT_EQ(TForm76::CircleParam(16000, 360), 1048576360);
}

TEST(TForm76Test, FitKeepsTheAspectAndCentres) {
    struct Case {
        QSize bitmap, client;
        QRect shown;
    };
    const Case cases[] = {
        // Relatively wider: the client's width, height 200 * 400 / 800.
        {{800, 200}, {400, 300}, {0, 100, 400, 100}},
        {{600, 300}, {400, 300}, {0, 50, 400, 200}},
        // Relatively taller: the client's height, width 300 * 298 / 300.
        {{300, 300}, {398, 298}, {50, 0, 298, 298}},
        {{100, 400}, {400, 300}, {162, 0, 75, 300}}, // 100 * 300 / 400 = 75, (400 - 75) div 2
        // 3 * 4 / 7 = 1.71 rounds to 2; 3 * 4 / 8 = 1.5 rounds to the even 2.
        {{7, 3}, {4, 4}, {0, 1, 4, 2}},
        {{8, 3}, {4, 4}, {0, 1, 4, 2}},
        {{8, 5}, {4, 4}, {0, 1, 4, 2}}, // 2.5 -> 2
        {{8, 7}, {4, 4}, {0, 0, 4, 4}}, // 3.5 -> 4
        // Equal ratios count as wider.
        {{800, 600}, {400, 300}, {0, 0, 400, 300}},
        {{0, 10}, {400, 300}, {}},
        {{10, 10}, {0, 300}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TForm76::FitPreview(c.bitmap, c.client), c.shown)
            << c.bitmap.width() << "x" << c.bitmap.height() << " in " << c.client.width() << "x"
            << c.client.height();
}

TEST(TForm76Test, CentimetresSetTheCircleSize) {
    TForm76 dialog;
    dialog.Preset(circleText("Happy birthday, dear Anna!", 100, 30));
    auto* cm = child<QLineEdit>(dialog, "CmEdit1");
    auto* size = child<QSpinBox>(dialog, "SpinEdit1");
    EXPECT_EQ(cm->text(), QStringLiteral("5.08"));
    EXPECT_EQ(size->value(), 100);

    typeInto(cm, QStringLiteral("10.16"));
    EXPECT_EQ(size->value(), 200);
    EXPECT_EQ(dialog.Read().Style.Param, 200 * 65536 + 30);
    typeInto(cm, QStringLiteral("0.1"));
    EXPECT_EQ(size->value(), 10);
    // Letters and signs cannot be typed at all.
    typeInto(cm, QStringLiteral("5a.0-8,"));
    EXPECT_EQ(cm->text(), QStringLiteral("5.08"));
    EXPECT_EQ(size->value(), 100);
    // "1.2" asks for 24 (23.62 + 0.5); a second point makes it no number,
    // which leaves the size alone.
    typeInto(cm, QStringLiteral("1.2"));
    EXPECT_EQ(size->value(), 24);
    QTest::keyClicks(cm, QStringLiteral(".3"));
    EXPECT_EQ(cm->text(), QStringLiteral("1.2.3"));
    EXPECT_EQ(size->value(), 24);
    // Emptying the box changes nothing either.
    typeInto(cm, QString());
    EXPECT_EQ(size->value(), 24);
    EXPECT_EQ(dialog.Read().CircleSize, 24);
}

TEST(TForm76Test, StartAngleAndFlipMakeParamAndReverse) {
    TForm76 dialog;
    dialog.Preset(circleText("Congratulations to the graduate!", 300, 90));
    TForm76::Settings read = dialog.Read();
    EXPECT_EQ(read.Style.Param, 19660890);
    EXPECT_EQ(read.Style.Reverse, 0);
    EXPECT_EQ(read.StartAngle, 90);
    EXPECT_EQ(read.CircleSize, 300);
    EXPECT_FALSE(read.Flip);
    // The rest of the record comes back as it was handed in.
    EXPECT_EQ(TextOf(read.Style), "Congratulations to the graduate!");
    EXPECT_EQ(FontNameOf(read.Style), "DejaVu Sans");
    EXPECT_EQ(read.Style.Size, 20);
    EXPECT_EQ(read.Style.Arrangement, lxTextArc);

    clickAtLeft(child<QCheckBox>(dialog, "Ck1"));
    read = dialog.Read();
    EXPECT_TRUE(read.Flip);
    EXPECT_EQ(read.Style.Reverse, 1);
    EXPECT_EQ(read.Style.Param, 19660890);
}

TEST(TForm76Test, SliderAndSpinEditStayEqual) {
    TForm76 dialog;
    dialog.Preset(circleText("Congratulations to the graduate!", 300, 90));
    auto* slider = child<QSlider>(dialog, "Tb2");
    auto* spin = child<QSpinBox>(dialog, "SpinEdit2");
    EXPECT_EQ(spin->value(), 90);

    slider->setValue(45);
    EXPECT_EQ(spin->value(), 45);
    EXPECT_EQ(dialog.Read().Style.Param, 300 * 65536 + 45);

    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("200"));
    EXPECT_EQ(slider->value(), 200);
    EXPECT_EQ(dialog.Read().Style.Param, 300 * 65536 + 200);

    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(spin->value(), 360);
    EXPECT_EQ(dialog.Read().StartAngle, 360);
}

// The preview is the arc text as the text layer draws it: 2r x 2r, fitted
// into the scroll box and redrawn on every change.
TEST(TForm76Test, PreviewShowsTheTextFittedAndFollowsTheSettings) {
    TForm76 dialog;
    dialog.Preset(circleText("Happy birthday to you, dear Anna!", 150, 300));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QImage first = dialog.PreviewBitmap();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(first.size(), QSize(300, 300));
    EXPECT_TRUE(anyInk(first));

    auto* box = child<QScrollArea>(dialog, "Sb");
    auto* image = child<QLabel>(dialog, "Image1");
    EXPECT_TRUE(image->isVisible());
    const QSize client = box->viewport()->size();
    // A square in a wider area: as high as the area, centred across it.
    EXPECT_EQ(image->geometry(),
              QRect((client.width() - client.height()) / 2, 0, client.height(), client.height()));

    clickAtLeft(child<QCheckBox>(dialog, "Ck1"));
    EXPECT_EQ(dialog.PreviewBitmap().size(), QSize(300, 300));
    EXPECT_NE(dialog.PreviewBitmap(), first);

    typeInto(child<QLineEdit>(dialog, "CmEdit1"), QStringLiteral("10.16"));
    EXPECT_EQ(dialog.PreviewBitmap().size(), QSize(400, 400));
    EXPECT_TRUE(anyInk(dialog.PreviewBitmap()));
    dialog.hide();
}

// 2 x 16000 pixels a side is more than any picture may have: the preview
// goes, the settings stay and come back.
TEST(TForm76Test, ACircleTooLargeToDrawLeavesNoPreview) {
    TForm76 dialog;
    dialog.Preset(circleText("Happy birthday to you, dear Anna!", 150, 0));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_FALSE(dialog.PreviewBitmap().isNull());
    typeInto(child<QLineEdit>(dialog, "CmEdit1"), QStringLiteral("812.8"));
    EXPECT_TRUE(dialog.PreviewBitmap().isNull());
    EXPECT_FALSE(child<QLabel>(dialog, "Image1")->isVisible());
    EXPECT_EQ(dialog.Read().Style.Param, 16000 * 65536);
    typeInto(child<QLineEdit>(dialog, "CmEdit1"), QStringLiteral("5.08"));
    EXPECT_EQ(dialog.PreviewBitmap().size(), QSize(200, 200));
    EXPECT_TRUE(child<QLabel>(dialog, "Image1")->isVisible());
    dialog.hide();
}

TEST(TForm76Test, OkGivesTheSettingsCancelNothing) {
    TAnsweringRunner runner;
    TForm76 dialog;
    runner.User = [](QDialog& d) {
        typeInto(child<QLineEdit>(d, "CmEdit1"), QStringLiteral("15.24"));
        child<QSlider>(d, "Tb2")->setValue(120);
        clickAtLeft(child<QCheckBox>(d, "Ck1"));
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto result = RunDialog(runner, dialog, circleText("Happy birthday to you!", 100, 0));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->CircleSize, 300);
    EXPECT_EQ(result->CmText, QStringLiteral("15.24"));
    EXPECT_EQ(result->StartAngle, 120);
    EXPECT_TRUE(result->Flip);
    EXPECT_EQ(result->Style.Param, 300 * 65536 + 120);
    EXPECT_EQ(result->Style.Reverse, 1);

    runner.User = [](QDialog& d) {
        child<QSlider>(d, "Tb2")->setValue(10);
        QTest::mouseClick(child<QPushButton>(d, "BitBtn2"), Qt::LeftButton);
    };
    EXPECT_FALSE(RunDialog(runner, dialog, circleText("Happy birthday to you!", 100, 0)));
}

TEST(TForm76Test, FitsItsCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        TForm76 dialog;
        dialog.Preset(circleText("Happy birthday to you!", 100, 0));
        expectTidyFixedLayout(dialog, languageName(base));
    }
}

} // namespace
