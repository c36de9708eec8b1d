#include "app/window_fixture.h"
#include "codepage.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "main_window.h"
#include "steps/canvas_step.h"
#include "widgets/colour_box.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QTemporaryDir>

namespace {

// Step 1 as the user meets it, through the main window.
class CanvasStepTest : public WindowTest {};

uint8_t maskAt(const TlxLayer& layer, int x, int y) {
    return layer.Mask.constScanLine(y)[3 * x];
}

TEST_F(CanvasStepTest, SecondBuiltInTemplateMakesAHeartCanvasWithARingGuide) {
    auto w = window();
    chooseTemplate(*w, 2);
    EXPECT_EQ(child<QLineEdit>(w.get(), "Edit1")->text(), "19");
    EXPECT_EQ(child<QLineEdit>(w.get(), "Edit2")->text(), "19");
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    EXPECT_TRUE(services.Messages.isEmpty());

    TlxImageVcl& doc = *w->lxImg;
    // 19 cm at 100 pixels per inch: 19 * 100 / 2.54 = 748.03.
    EXPECT_EQ(doc.ImageWidth, 748);
    EXPECT_EQ(doc.ImageHeight, 748);
    EXPECT_EQ(TCanvasStep::TemplateValue(doc), 2);
    const TlxLayer& background = doc.Layers[0];
    ASSERT_TRUE(background.HasMask);
    EXPECT_EQ(maskAt(background, 374, 374), 255); // inside the heart
    EXPECT_EQ(maskAt(background, 2, 2), 0);       // outside, top-left corner
    EXPECT_EQ(maskAt(background, 745, 745), 0);   // outside, bottom-right corner
    EXPECT_EQ(doc.BackgroundMode, lxBackTransparent);

    // The guide: the shape with a 512 x 512 inner heart cut out of its centre,
    // which sits at (748 - 512) / 2 = 118.
    ASSERT_TRUE(doc.HasSelection);
    EXPECT_EQ(doc.SelKind, 4);
    int left = 748, right = -1, top = 748, bottom = -1;
    for (int y = 0; y < 748; ++y)
        for (int x = 0; x < 748; ++x)
            if (maskAt(background, x, y) == 255 && doc.SelBitmap.constScanLine(y)[x] == 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(left, 118);
    EXPECT_LE(right, 118 + 511);
    EXPECT_GE(top, 118);
    EXPECT_LE(bottom, 118 + 511);
    EXPECT_GE(right - left + 1, 480); // the inner heart fills most of its square
    EXPECT_GE(bottom - top + 1, 440);
    EXPECT_GT(doc.OutlinePointsInUse(), 0);

    // The two centre guides.
    EXPECT_EQ(w->State.Guides.Count, 2);
    EXPECT_EQ(w->State.Guides.Items[0], (TlxPoint{374, 0}));
    EXPECT_EQ(w->State.Guides.Items[1], (TlxPoint{0, 374}));
    // Shown whole: the picture fits the scroll box.
    EXPECT_LE(doc.width(), w->ScrollBox1->viewport()->width());
    EXPECT_LE(doc.height(), w->ScrollBox1->viewport()->height());
}

TEST_F(CanvasStepTest, TypedSizesBecomePixelsAtOneHundredPerInch) {
    auto w = window();
    child<QLineEdit>(w.get(), "Edit1")->setText("19.5");
    child<QLineEdit>(w.get(), "Edit2")->setText("27");
    next(*w);
    // 19.5 / 2.54 * 100 = 767.7 and 27 / 2.54 * 100 = 1063.0.
    EXPECT_EQ(w->lxImg->ImageWidth, 768);
    EXPECT_EQ(w->lxImg->ImageHeight, 1063);
    EXPECT_EQ(w->State.CanvasWidthCm, 19.5); // kept as typed, not from the pixels
    EXPECT_EQ(w->State.CanvasHeightCm, 27);
    EXPECT_FALSE(w->lxImg->Layers[0].HasMask); // custom size: no shape
    EXPECT_FALSE(w->lxImg->HasSelection);
}

TEST_F(CanvasStepTest, UnusableSizesGiveTheMessageAndStayOnStepOne) {
    auto w = window();
    for (const char* size : {"", ".", "0", "0.001", "1.2.3", "501", "99999999999"}) {
        services.Messages.clear();
        child<QLineEdit>(w.get(), "Edit1")->setText(QString::fromLatin1(size));
        next(*w);
        EXPECT_EQ(w->CurrentStep(), 0) << size;
        ASSERT_EQ(services.Messages.size(), 1) << size;
        EXPECT_EQ(services.Messages[0].Text, LangText(41));
        EXPECT_EQ(services.Messages[0].Icon, QMessageBox::Critical) << size;
        EXPECT_EQ(w->lxImg->LayersCount, 0) << size;
        EXPECT_EQ(w->State.CanvasWidthCm, 19) << size; // still the starting size
    }
}

TEST_F(CanvasStepTest, GoingBackKeepsLayersAndReappliesSizeColourAndShape) {
    auto w = window();
    chooseTemplate(*w, 1);
    next(*w);
    TlxImageVcl& doc = *w->lxImg;
    QImage photo(50, 40, QImage::Format_RGB32);
    photo.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(doc.AddBitmapLayer(photo));
    doc.Layers[1].Left = 100;
    doc.Layers[1].Top = 120;

    back(*w);
    EXPECT_EQ(w->CurrentStep(), 0);
    child<TColorBox>(w.get(), "ColorBox1")->SetSelected(lxRGB(255, 0, 0));
    chooseTemplate(*w, 0);
    child<QLineEdit>(w.get(), "Edit1")->setText("29");
    child<QLineEdit>(w.get(), "Edit2")->setText("29");
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    // 29 / 2.54 * 100 = 1141.7.
    EXPECT_EQ(doc.ImageWidth, 1142);
    EXPECT_EQ(doc.ShowBmp.size(), QSize(1142, 1142));
    ASSERT_EQ(doc.LayersCount, 2);
    EXPECT_EQ(doc.Layers[1].Left, 100);
    EXPECT_EQ(doc.Layers[1].Top, 120);
    EXPECT_EQ(doc.Layers[1].Bitmap.size(), QSize(50, 40));
    const uint8_t* corner = doc.Layers[0].Bitmap.constScanLine(1141) + 3 * 1141;
    EXPECT_EQ(corner[2], 255);
    EXPECT_EQ(corner[1], 0);
    EXPECT_EQ(corner[0], 0);
    EXPECT_FALSE(doc.Layers[0].HasMask);
    EXPECT_EQ(TCanvasStep::TemplateValue(doc), 0);
}

TEST_F(CanvasStepTest, TemplateFileChoosesTitlesByLanguageAndKnowsBuiltInShapes) {
    QTemporaryDir dir;
    QFile ini(dir.filePath("templet.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[templet]\r\nCount=2\r\n[1]\r\nTit1=");
    ini.write(lx::toGbk(QString::fromUtf8("大心形")).c_str());
    ini.write("\r\nTit2=");
    ini.write("\xa4\x6a\xa4\xdf\xa7\xce"); // 大心形 in Big5
    ini.write("\r\nTit3=Big heart\r\nzoom=missing.bmp\r\nWidth=10\r\nHeight=12\r\nmask=Heart\r\n"
              "[2]\r\nTit3=Plain\r\nmask=nothing.bmp\r\n");
    ini.close();

    auto w = window();
    w->TabSheet1->ProgramFolder = dir.path();
    const struct {
        void (TVelmoBalloonForm::*command)();
        const char* title;
    } cases[] = {{&TVelmoBalloonForm::English1Click, "Big heart"},
                 {&TVelmoBalloonForm::N10Click, "大心形"},
                 {&TVelmoBalloonForm::N11Click, "大心形"}};
    for (const auto& c : cases) {
        ((*w).*c.command)();
        QListWidget* list = child<QListWidget>(w.get(), "ListView4");
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->item(1)->text(), QString::fromUtf8(c.title));
        EXPECT_EQ(list->item(0)->text(), LangText(111));
        EXPECT_FALSE(list->item(1)->icon().isNull()); // the placeholder picture
    }

    chooseTemplate(*w, 1);
    EXPECT_EQ(child<QLineEdit>(w.get(), "Edit1")->text(), "10");
    EXPECT_EQ(child<QLineEdit>(w.get(), "Edit2")->text(), "12");
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    const TlxLayer& background = w->lxImg->Layers[0];
    ASSERT_TRUE(background.HasMask);
    // 10 x 12 cm: 394 x 472 pixels; the heart stretched over it.
    EXPECT_EQ(maskAt(background, 197, 236), 255);
    EXPECT_EQ(maskAt(background, 1, 1), 0);
    EXPECT_EQ(TCanvasStep::TemplateValue(*w->lxImg), 0);

    // A template whose shape file is missing applies no shape.
    back(*w);
    chooseTemplate(*w, 2);
    next(*w);
    EXPECT_FALSE(w->lxImg->Layers[0].HasMask);
}

TEST_F(CanvasStepTest, BrokenTemplateFileNeverStopsTheProgram) {
    QTemporaryDir dir;
    QFile ini(dir.filePath("templet.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[templet\nCount=abc\n\x01\x02\xff[1]]]\nTit3\n");
    ini.close();
    auto w = window();
    w->TabSheet1->ProgramFolder = dir.path();
    w->English1Click();
    EXPECT_EQ(child<QListWidget>(w.get(), "ListView4")->count(), 1);
    next(*w);
    EXPECT_EQ(w->CurrentStep(), 1);
}

TEST_F(CanvasStepTest, TemplateCountMustBeANumberAndAByteOrderMarkIsSkipped) {
    QTemporaryDir dir;
    const auto write = [&](const QByteArray& text) {
        QFile ini(dir.filePath("templet.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    };
    auto w = window();
    w->TabSheet1->ProgramFolder = dir.path();
    QListWidget* list = child<QListWidget>(w.get(), "ListView4");
    const struct {
        QByteArray text;
        int items;
    } cases[] = {
        {"[templet]\nCount=2a\n", 1}, // not a number: no templates
        {"[templet]\nCount=x3\n", 1},
        {"\xEF\xBB\xBF[templet]\nCount=2\n", 3}, // a file saved with a byte-order mark
        {"[TEMPLET]\ncount=$2\n", 3},            // names without regard to case
    };
    for (const auto& c : cases) {
        write(c.text);
        w->English1Click();
        EXPECT_EQ(list->count(), c.items) << c.text.toStdString();
    }
}

TEST_F(CanvasStepTest, TemplateSizesMayUseTheSystemDecimalComma) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTemporaryDir dir;
    QFile ini(dir.filePath("templet.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[templet]\nCount=1\n[1]\nWidth=19,5\nHeight=27\n");
    ini.close();
    auto w = window();
    w->TabSheet1->ProgramFolder = dir.path();
    w->English1Click();
    chooseTemplate(*w, 1);
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    EXPECT_EQ(w->lxImg->ImageWidth, 768);
    EXPECT_EQ(w->lxImg->ImageHeight, 1063);
}

} // namespace
