#include "app/window_fixture.h"
#include "codepage.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "main_window.h"
#include "steps/canvas_step.h"
#include "colour_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
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
    for (const char* size :
         {"", ".", "0", "0.001", "1.2.3", "200.01", "201", "500", "99999999999"}) {
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

// A file that cannot be made sense of offers no template of its own; the
// six built-in ones stand in for it, so the user still has shapes.
TEST_F(CanvasStepTest, BrokenTemplateFileNeverStopsTheProgram) {
    QTemporaryDir dir;
    QFile ini(dir.filePath("templet.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[templet\nCount=abc\n\x01\x02\xff[1]]]\nTit3\n");
    ini.close();
    auto w = window();
    w->TabSheet1->ProgramFolder = dir.path();
    w->English1Click();
    EXPECT_EQ(child<QListWidget>(w.get(), "ListView4")->count(), 7);
    next(*w);
    EXPECT_EQ(w->CurrentStep(), 1);
}

// "templet.ini" is there but gives no template: the built-in list with its
// shapes is offered and applied.
TEST_F(CanvasStepTest, TemplateFileWithoutTemplatesFallsBackToTheBuiltInOnes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("templet.ini");
    const auto write = [&](const QByteArray& text) {
        QFile ini(path);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    };
    const QByteArray section1 = "[1]\nTit3=Own\nWidth=10\nHeight=10\nmask=pentagon\n";
    const struct {
        const char* what;
        QByteArray text;
    } cases[] = {
        {"empty file", ""},
        {"count 0", "[templet]\nCount=0\n" + section1},
        {"negative count", "[templet]\nCount=-3\n" + section1},
        {"no count", "[templet]\n" + section1},
        {"count not a number", "[templet]\nCount=one\n" + section1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write(c.text);
        auto w = window();
        w->TabSheet1->ProgramFolder = dir.path();
        w->English1Click();
        QListWidget* list = child<QListWidget>(w.get(), "ListView4");
        ASSERT_EQ(list->count(), 7);
        EXPECT_EQ(list->item(2)->text(), "18x18cm " + LangText(113));
        chooseTemplate(*w, 2);
        EXPECT_EQ(child<QLineEdit>(w.get(), "Edit1")->text(), "19");
        next(*w);
        ASSERT_EQ(w->CurrentStep(), 1);
        EXPECT_EQ(TCanvasStep::TemplateValue(*w->lxImg), 2);
        EXPECT_TRUE(w->lxImg->Layers[0].HasMask);
    }

    // A file that names one template but cannot be opened offers the same.
    write("[templet]\nCount=1\n" + section1);
    QFile::setPermissions(path, QFileDevice::Permissions());
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly)) {
        // Whoever may read any file (the superuser) cannot see this case.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return;
    }
    auto w = window();
    w->TabSheet1->ProgramFolder = dir.path();
    w->English1Click();
    EXPECT_EQ(child<QListWidget>(w.get(), "ListView4")->count(), 7);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
        {"[templet]\nCount=2a\n", 7}, // not a number: the built-in templates
        {"[templet]\nCount=x3\n", 7},
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

// A user picks the heart, types a width of their own, looks at the other
// languages and presses Next: the heart and the typed size are what they get.
TEST_F(CanvasStepTest, ChosenTemplateSurvivesALanguageChange) {
    auto w = window();
    QListWidget* list = child<QListWidget>(w.get(), "ListView4");
    chooseTemplate(*w, 2);
    child<QLineEdit>(w.get(), "Edit1")->setText("21");
    const struct {
        void (TVelmoBalloonForm::*command)();
        const char* name;
    } languages[] = {{&TVelmoBalloonForm::N10Click, "Simplified"},
                     {&TVelmoBalloonForm::N11Click, "Traditional"},
                     {&TVelmoBalloonForm::English1Click, "English"}};
    for (const auto& l : languages) {
        SCOPED_TRACE(l.name);
        ((*w).*l.command)();
        ASSERT_EQ(list->count(), 7);
        EXPECT_EQ(list->currentRow(), 2);
        EXPECT_TRUE(list->item(2)->isSelected());
        EXPECT_FALSE(list->item(0)->isSelected());
        EXPECT_EQ(w->TabSheet1->Cb1->currentIndex(), 2);
        EXPECT_EQ(list->item(2)->text(), "18x18cm " + LangText(113)); // re-captioned
        EXPECT_EQ(child<QLineEdit>(w.get(), "Edit1")->text(), "21");
        EXPECT_EQ(child<QLineEdit>(w.get(), "Edit2")->text(), "19");
    }
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    EXPECT_EQ(TCanvasStep::TemplateValue(*w->lxImg), 2);
    EXPECT_TRUE(w->lxImg->Layers[0].HasMask);
    // 21 cm: 21 * 100 / 2.54 = 826.8.
    EXPECT_EQ(w->lxImg->ImageWidth, 827);
}

// 200 cm is the largest side: 200 * 100 / 2.54 = 7874.02 pixels; the other
// side is kept small so the canvas stays light.
TEST_F(CanvasStepTest, TwoHundredCentimetresIsTheLargestSideAccepted) {
    auto w = window();
    child<QLineEdit>(w.get(), "Edit1")->setText("2");
    child<QLineEdit>(w.get(), "Edit2")->setText("200");
    next(*w);
    ASSERT_EQ(w->CurrentStep(), 1);
    EXPECT_TRUE(services.Messages.isEmpty());
    EXPECT_EQ(w->lxImg->ImageWidth, 79); // 78.74
    EXPECT_EQ(w->lxImg->ImageHeight, 7874);
}

// While a large canvas is made the bar at the bottom moves on and the
// hourglass shows; both are gone afterwards. A canvas of the usual size is
// made without them.
TEST_F(CanvasStepTest, LargeCanvasShowsItsProgress) {
    struct Seen {
        int max, value;
        bool barShown, waitCursor;
    };
    const struct {
        const char* side;
        bool large;
    } cases[] = {{"55", true}, {"19", false}}; // 2165 x 2165 pixels is past 4 million
    for (const auto& c : cases) {
        SCOPED_TRACE(c.side);
        auto w = window();
        TlxImageVcl& doc = *w->lxImg;
        QList<Seen> seen;
        const TlxProgressEvent bar = doc.OnProgress;
        doc.OnProgress = [&](TlxImage* sender, int max, int value) {
            bar(sender, max, value);
            const QCursor* cursor = QApplication::overrideCursor();
            seen.push_back({max, value, w->Pb1->isVisible(),
                            cursor != nullptr && cursor->shape() == Qt::WaitCursor});
        };
        child<QLineEdit>(w.get(), "Edit1")->setText(QString::fromLatin1(c.side));
        child<QLineEdit>(w.get(), "Edit2")->setText(QString::fromLatin1(c.side));
        next(*w);
        ASSERT_EQ(w->CurrentStep(), 1);
        EXPECT_FALSE(w->Pb1->isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        if (!c.large) {
            EXPECT_TRUE(seen.isEmpty());
            continue;
        }
        ASSERT_GE(seen.size(), 3);
        for (int i = 0; i < seen.size(); ++i) {
            EXPECT_TRUE(seen[i].barShown) << i;
            EXPECT_TRUE(seen[i].waitCursor) << i;
            if (i > 0) {
                EXPECT_GT(seen[i].value, seen[i - 1].value) << i;
            }
        }
        EXPECT_EQ(seen.back().value, seen.back().max); // it ends full
        EXPECT_EQ(w->Pb1->value(), 10000);
    }
}

// Enter in either size edit does what Next does, refusal of a wrong size
// included.
TEST_F(CanvasStepTest, EnterInASizeEditPressesNext) {
    EXPECT_TRUE(window()->BitBtn4->isDefault());
    const struct {
        const char* edit;
        Qt::Key key;
        const char* size;
        int step;
        int messages;
    } cases[] = {
        {"Edit1", Qt::Key_Return, "19", 1, 0},
        {"Edit2", Qt::Key_Enter, "20", 1, 0},
        {"Edit2", Qt::Key_Return, "0", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        services.Messages.clear();
        auto w = window();
        QLineEdit* edit = child<QLineEdit>(w.get(), c.edit);
        edit->setText(QString::fromLatin1(c.size));
        edit->setFocus();
        QTest::keyClick(edit, c.key);
        EXPECT_EQ(w->CurrentStep(), c.step);
        EXPECT_EQ(services.Messages.size(), c.messages);
    }
}

// On a screen of two device pixels per unit a thumbnail carries twice the
// pixels each way, so a picture with that much detail keeps it: columns one
// device pixel wide stay black and white instead of blurring to grey.
TEST_F(CanvasStepTest, ThumbnailsAreMadeAtTheScreensResolution) {
    QImage stripes(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            stripes.setPixel(x, y, x % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    const QPixmap sharp = TCanvasStep::ThumbnailIcon(stripes, 2).pixmap(QSize(128, 128), 2);
    EXPECT_EQ(sharp.size(), QSize(256, 256));
    EXPECT_EQ(sharp.devicePixelRatio(), 2);
    const QImage image = sharp.toImage();
    for (int x : {10, 100, 201}) {
        EXPECT_EQ(qGray(image.pixel(x, 50)), x % 2 == 0 ? 0 : 255) << x;
    }
    // At 1x the same picture becomes 128 pixels each way.
    const QPixmap plain = TCanvasStep::ThumbnailIcon(stripes, 1).pixmap(QSize(128, 128), 1);
    EXPECT_EQ(plain.size(), QSize(128, 128));
    EXPECT_EQ(plain.devicePixelRatio(), 1);
}

} // namespace
