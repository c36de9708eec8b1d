#include "signature_dialog.h"

#include "colour_box.h"
#include "dialog_services.h"
#include "dialog_test_support.h"
#include "lxImagevcl.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

static_assert(ModalDialog<TForm4>);

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Answers the zoom input box the way Answer says; asks nothing else.
class TSignatureServices final : public TDialogServices {
public:
    std::function<int(QDialog&)> Answer;
    int Shown = 0;
    int RunModal(QDialog& Dialog) override {
        ++Shown;
        return Answer ? Answer(Dialog) : int(QDialog::Rejected);
    }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString&, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl&) override {}
};

// The working bitmap the caller prepares: 32-bit, every alpha byte 0.
TForm4::Settings blankSignature() {
    TForm4::Settings s;
    s.WorkBitmap = QImage(kWidth, kHeight, QImage::Format_ARGB32);
    s.WorkBitmap.fill(Qt::transparent);
    return s;
}

// A pixel of a 24-bit picture as red, green, blue.
QColor bgrAt(const QImage& Picture, int X, int Y) {
    const uchar* p = Picture.constScanLine(Y) + 3 * X;
    return QColor(p[2], p[1], p[0]);
}

int alphaAt(const QImage& Alpha, int X, int Y) {
    return Alpha.constScanLine(Y)[X];
}

class TForm4Test : public ::testing::Test {
protected:
    void SetUp() override { open(); }

    void open() {
        dialog = std::make_unique<TForm4>(services);
        dialog->Preset(blankSignature());
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::processEvents();
        view = child<TlxImageVcl>(*dialog, "lxImg1");
    }

    // View points of image points at the current zoom.
    QPoint at(int X, int Y) const { return {view->ImageToScreen(X), view->ImageToScreen(Y)}; }
    // A stroke through the image points, pressed at the first and released
    // at the last.
    void stroke(std::initializer_list<QPoint> Points) {
        const QPoint first = *Points.begin();
        QTest::mousePress(view, Qt::LeftButton, {}, at(first.x(), first.y()));
        for (const QPoint& p : Points)
            QTest::mouseMove(view, at(p.x(), p.y()));
        const QPoint last = *(Points.end() - 1);
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(last.x(), last.y()));
    }
    const TlxLayer& layer() const { return view->Layers[size_t(view->CurrLayerID)]; }

    TSignatureServices services;
    std::unique_ptr<TForm4> dialog;
    TlxImageVcl* view = nullptr;
};

TEST_F(TForm4Test, OpensWithThePencilOnATransparentPicture) {
    EXPECT_TRUE(dialog->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dialog->Tool(), TForm4::ToolPencil);
    EXPECT_TRUE(child<QToolButton>(*dialog, "SpeedButton5")->isChecked());
    EXPECT_FALSE(child<QToolButton>(*dialog, "SpeedButton6")->isChecked());
    auto* width = child<QSpinBox>(*dialog, "SpinEdit1");
    auto* eraser = child<QSpinBox>(*dialog, "SpinEdit2");
    EXPECT_EQ(width->minimum(), 1);
    EXPECT_EQ(width->maximum(), 255);
    EXPECT_EQ(width->value(), 10);
    EXPECT_EQ(eraser->minimum(), 1);
    EXPECT_EQ(eraser->maximum(), 256);
    EXPECT_EQ(eraser->value(), 20);
    EXPECT_TRUE(width->isVisible());
    EXPECT_FALSE(eraser->isVisible());
    EXPECT_TRUE(child<TColorBox>(*dialog, "ColorBox1")->isVisible());
    EXPECT_EQ(view->ImageWidth, kWidth);
    EXPECT_EQ(view->ImageHeight, kHeight);
    EXPECT_EQ(view->BackgroundMode, lxBackColor);
    EXPECT_EQ(view->ZoomValue, 1.0);
    // Nothing drawn: the white background shows everywhere.
    EXPECT_EQ(bgrAt(view->ShowBmp, 200, 150), QColor(255, 255, 255));
    EXPECT_EQ(alphaAt(layer().Alpha, 200, 150), 0);
    // The program's pencil cursor, a picture of its own.
    EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);
}

TEST_F(TForm4Test, FinishingWithoutAStrokeGivesNoSignature) {
    TAnsweringRunner runner;
    runner.User = [](QDialog& d) { clickAtLeft(child<QToolButton>(d, "SpeedButton9")); };
    TForm4 form(services);
    const auto result = RunDialog(runner, form, blankSignature());
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->SignatureDone);
    QImage cut;
    EXPECT_FALSE(form.CutSignature(cut));
    EXPECT_TRUE(cut.isNull());
}

TEST_F(TForm4Test, AStrokeLeavesTheLineColourOpaqueAlongItsPath) {
    child<TColorBox>(*dialog, "ColorBox1")->SetSelected(lxRGB(200, 30, 40));
    const QColor red(200, 30, 40), white(255, 255, 255);
    QTest::mousePress(view, Qt::LeftButton, {}, at(50, 100));
    QTest::mouseMove(view, at(150, 100));
    // Shown while the button is still down.
    EXPECT_EQ(bgrAt(view->ShowBmp, 100, 100), red);
    QTest::mouseRelease(view, Qt::LeftButton, {}, at(150, 100));

    // Centre line y = 100.5, half width 5: rows 96 .. 104 lie wholly inside,
    // and the round ends reach x = 45.5 and 155.5.
    for (int x = 50; x <= 150; ++x)
        for (int y = 96; y <= 104; ++y) {
            ASSERT_EQ(alphaAt(layer().Alpha, x, y), 255) << x << "," << y;
            ASSERT_EQ(bgrAt(layer().Bitmap, x, y), red) << x << "," << y;
        }
    for (const QPoint p : {QPoint(100, 94), QPoint(100, 106), QPoint(44, 100), QPoint(156, 100)})
        EXPECT_EQ(alphaAt(layer().Alpha, p.x(), p.y()), 0) << p.x() << "," << p.y();
    EXPECT_EQ(bgrAt(view->ShowBmp, 100, 100), red);
    EXPECT_EQ(bgrAt(view->ShowBmp, 100, 90), white);

    const TForm4::Settings read = dialog->Read();
    EXPECT_TRUE(read.SignatureDone);
    ASSERT_EQ(read.Signature.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(read.Signature.pixel(100, 100), qRgba(200, 30, 40, 255));
    EXPECT_EQ(qAlpha(read.Signature.pixel(100, 90)), 0);
}

TEST_F(TForm4Test, TheSignatureIsCutToItsDrawnArea) {
    child<TColorBox>(*dialog, "ColorBox1")->SetSelected(lxRGB(200, 30, 40));
    stroke({{50, 100}, {150, 100}});
    QImage cut;
    ASSERT_TRUE(dialog->CutSignature(cut));
    // Columns 45 .. 155 and rows 95 .. 106 hold some of the line: the
    // press's dot, a line on to (51.5, 101.5), reaches down to y = 106.5.
    ASSERT_EQ(cut.size(), QSize(111, 12));
    EXPECT_EQ(cut.pixel(100 - 45, 100 - 95), qRgba(200, 30, 40, 255));
    EXPECT_GT(qAlpha(cut.pixel(0, 5)), 0);
    EXPECT_LT(qAlpha(cut.pixel(0, 5)), 255);
}

TEST_F(TForm4Test, TheEraserMakesThePixelsTransparentAgain) {
    child<TColorBox>(*dialog, "ColorBox1")->SetSelected(lxRGB(200, 30, 40));
    stroke({{50, 100}, {150, 100}});
    const QImage pencilCursor = view->cursor().pixmap().toImage();
    clickAtLeft(child<QToolButton>(*dialog, "SpeedButton6"));
    EXPECT_NE(view->cursor().pixmap().toImage(), pencilCursor);
    EXPECT_EQ(dialog->Tool(), TForm4::ToolEraser);
    EXPECT_TRUE(child<QSpinBox>(*dialog, "SpinEdit2")->isVisible());
    EXPECT_FALSE(child<QSpinBox>(*dialog, "SpinEdit1")->isVisible());
    EXPECT_FALSE(child<TColorBox>(*dialog, "ColorBox1")->isVisible());
    EXPECT_FALSE(child<QLabel>(*dialog, "Label2")->isVisible());
    EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);

    // Width 20 from x 60.5 to 120.5: every pixel of the line from 60 to 120
    // lies within 10 of it; the round end reaches 130.5.
    stroke({{60, 100}, {120, 100}});
    for (int x = 60; x <= 120; ++x)
        for (int y = 96; y <= 104; ++y) {
            ASSERT_EQ(alphaAt(layer().Alpha, x, y), 0) << x << "," << y;
            // The colour stays, unseen.
            ASSERT_EQ(bgrAt(layer().Bitmap, x, y), QColor(200, 30, 40)) << x << "," << y;
        }
    EXPECT_EQ(bgrAt(view->ShowBmp, 100, 100), QColor(255, 255, 255));
    EXPECT_EQ(alphaAt(layer().Alpha, 140, 100), 255);
    EXPECT_EQ(bgrAt(view->ShowBmp, 140, 100), QColor(200, 30, 40));
    EXPECT_TRUE(dialog->Read().SignatureDone);
}

class TForm4FastStrokeTest : public TForm4Test, public ::testing::WithParamInterface<const char*> {};

// Two mouse positions 300 view pixels apart leave an unbroken line.
TEST_P(TForm4FastStrokeTest, AFastDiagonalHasNoGaps) {
    child<QMenu>(*dialog, "PopupMenu1")->findChild<QAction*>(QString::fromLatin1(GetParam()))->trigger();
    child<QSpinBox>(*dialog, "SpinEdit1")->setValue(3);
    const double zoom = view->ZoomValue;
    // 212 image pixels along each axis: 300 view pixels at zoom 1.
    const int run = int(300 / zoom / std::sqrt(2.0));
    stroke({{20, 20}, {20 + run, 20 + run}});
    // The centre line runs through every pixel centre (20 + t, 20 + t); a
    // pixel's corners lie 0.71 from its centre, inside the half width 1.5.
    for (int t = 0; t <= run; ++t) {
        ASSERT_EQ(alphaAt(layer().Alpha, 20 + t, 20 + t), 255) << t;
        ASSERT_EQ(bgrAt(view->ShowBmp, 20 + t, 20 + t), QColor(0, 0, 0)) << t;
    }
    // Four pixels beside the line the centre is 2.83 away and the nearest
    // corner 2.12, beyond the half width: untouched.
    EXPECT_EQ(alphaAt(layer().Alpha, 20 + run / 2 + 4, 20 + run / 2), 0);
}

INSTANTIATE_TEST_SUITE_P(Zooms, TForm4FastStrokeTest, ::testing::Values("N1001", "N1501", "N2001"));

TEST_F(TForm4Test, ResetEmptiesThePicture) {
    stroke({{50, 100}, {150, 100}});
    ASSERT_TRUE(dialog->Read().SignatureDone);
    clickAtLeft(child<QToolButton>(*dialog, "SpeedButton8"));
    EXPECT_FALSE(dialog->Read().SignatureDone);
    ASSERT_EQ(layer().Alpha.size(), QSize(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(alphaAt(layer().Alpha, x, y), 0) << x << "," << y;
    EXPECT_EQ(bgrAt(view->ShowBmp, 100, 100), QColor(255, 255, 255));
    EXPECT_EQ(view->BackgroundMode, lxBackColor);
}

TEST_F(TForm4Test, CancelGivesNothing) {
    TAnsweringRunner runner;
    runner.User = [](QDialog& d) {
        auto* view = child<TlxImageVcl>(d, "lxImg1");
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseMove(view, QPoint(80, 30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(80, 30));
        clickAtLeft(child<QToolButton>(d, "SpeedButton1"));
    };
    TForm4 form(services);
    EXPECT_FALSE(RunDialog(runner, form, blankSignature()));
    EXPECT_FALSE(form.Read().SignatureDone);
}

TEST_F(TForm4Test, FinishingAfterAStrokeGivesTheSignature) {
    TAnsweringRunner runner;
    runner.User = [](QDialog& d) {
        auto* view = child<TlxImageVcl>(d, "lxImg1");
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(30, 30));
        clickAtLeft(child<QToolButton>(d, "SpeedButton9"));
    };
    TForm4 form(services);
    const auto result = RunDialog(runner, form, blankSignature());
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->SignatureDone);
    // A click leaves a dot of the line width around the pixel clicked.
    EXPECT_EQ(result->Signature.pixel(30, 30), qRgba(0, 0, 0, 255));
    EXPECT_EQ(qAlpha(result->Signature.pixel(30, 45)), 0);
}

TEST_F(TForm4Test, TheZoomMenuSetsTheView) {
    auto* menu = child<QMenu>(*dialog, "PopupMenu1");
    menu->findChild<QAction*>(QStringLiteral("N2001"))->trigger();
    EXPECT_EQ(view->ZoomValue, 2.0);
    EXPECT_EQ(view->size(), QSize(800, 600));

    auto* all = menu->findChild<QAction*>(QStringLiteral("N1"));
    all->trigger();
    const QSize client = child<QScrollArea>(*dialog, "ScrollBox1")->viewport()->size();
    const double fit = std::min(double(client.width()) / kWidth, double(client.height()) / kHeight);
    EXPECT_DOUBLE_EQ(view->ZoomValue, fit);
    EXPECT_TRUE(all->isChecked());

    // The custom item asks through the zoom input box.
    services.Answer = [](QDialog& d) {
        child<QLineEdit>(d, "Edit1")->setText(QStringLiteral("250"));
        return int(QDialog::Accepted);
    };
    auto* custom = menu->findChild<QAction*>(QStringLiteral("N9"));
    custom->trigger();
    EXPECT_EQ(services.Shown, 1);
    EXPECT_DOUBLE_EQ(view->ZoomValue, 2.5);
    EXPECT_TRUE(custom->isChecked());

    // Cancelled, nothing changes.
    menu->findChild<QAction*>(QStringLiteral("N501"))->trigger();
    services.Answer = [](QDialog&) { return int(QDialog::Rejected); };
    custom->trigger();
    EXPECT_DOUBLE_EQ(view->ZoomValue, 0.5);
    EXPECT_TRUE(menu->findChild<QAction*>(QStringLiteral("N501"))->isChecked());
}

TEST_F(TForm4Test, TheStatusBarShowsHints) {
    TLanguageScope english(LangEnglish);
    open();
    auto* eraser = child<QToolButton>(*dialog, "SpeedButton6");
    QStatusTipEvent tip(eraser->statusTip());
    QApplication::sendEvent(eraser, &tip);
    EXPECT_EQ(child<QLabel>(*dialog, "StatusPanel")->text(), QStringLiteral("Eraser"));
}

TEST_F(TForm4Test, CaptionsComeFromTheStringTable) {
    TLanguageScope english(LangEnglish);
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Signature"));
    EXPECT_EQ(child<QLabel>(*dialog, "Label1")->text(), QStringLiteral("Line width:"));
    EXPECT_EQ(child<QLabel>(*dialog, "Label2")->text(), QStringLiteral("Line color:"));
    EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton5")->toolTip(), QStringLiteral("Pencil"));
    EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton6")->toolTip(), QStringLiteral("Eraser"));
    EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton7")->toolTip(), QStringLiteral("View Zoom"));
    EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton8")->toolTip(), QStringLiteral("reset"));
    EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton9")->toolTip(), QStringLiteral("OK"));
    EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton1")->toolTip(), QStringLiteral("Cancel"));
}

TEST_F(TForm4Test, FitsItsCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        open();
        for (const char* tool : {"SpeedButton5", "SpeedButton6"}) {
            clickAtLeft(child<QToolButton>(*dialog, tool));
            const QStringList faults = LayoutFaults(*dialog);
            EXPECT_TRUE(faults.isEmpty()) << languageName(base) << " " << tool << ":\n"
                                          << faults.join(QLatin1Char('\n')).toStdString();
        }
        EXPECT_EQ(child<QLabel>(*dialog, "Label1")->text(), LangText(115));
        EXPECT_EQ(child<QToolButton>(*dialog, "SpeedButton6")->toolTip(), LangText(118));
    }
}

TEST_F(TForm4Test, ABadWorkingBitmapStillGivesADialog) {
    dialog->Preset(TForm4::Settings{});
    EXPECT_GT(view->ImageWidth, 0);
    stroke({{0, 0}, {5, 5}});
    EXPECT_TRUE(dialog->Read().SignatureDone);
}

} // namespace
