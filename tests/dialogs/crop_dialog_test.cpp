#include "crop_dialog.h"

#include "dialog_services.h"
#include "dialog_test_support.h"
#include "lxImagevcl.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

static_assert(ModalDialog<TForm3>);

class TCropServices final : public TDialogServices {
public:
    QStringList Messages;
    std::function<void(QDialog&)> User;
    int RunModal(QDialog& Dialog) override {
        Dialog.setResult(QDialog::Rejected);
        if (User) User(Dialog);
        return Dialog.result();
    }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString& Text, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        Messages << Text;
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl&) override {}
};

// A 40 x 30 opaque white picture with a red block over columns 10..19 and
// rows 5..14.
QImage picture() {
    QImage p(40, 30, QImage::Format_ARGB32);
    p.fill(QColor(255, 255, 255));
    for (int y = 5; y < 15; ++y)
        for (int x = 10; x < 20; ++x)
            p.setPixel(x, y, qRgb(255, 0, 0));
    return p;
}

class TForm3Test : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_unique<TForm3>(services);
        TForm3::Settings s;
        s.SourcePicture = picture();
        dialog->Preset(s);
        dialog->TickCount = [this] { return clock; };
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        child<QTimer>(*dialog, "Timer1")->stop();
        // Document pixels are view pixels at 100 %.
        child<QAction>(*dialog, "N1001")->trigger();
        QApplication::processEvents();
        view = child<TlxImageVcl>(*dialog, "lxImg1");
        ASSERT_EQ(view->ZoomValue, 1.0);
    }

    void tool(int N) { child<QToolButton>(*dialog, ("SpeedButton" + std::to_string(N)).c_str())->click(); }
    void send(QEvent::Type Type, QPoint P, Qt::MouseButton Button, Qt::KeyboardModifiers Mods = {}) {
        const Qt::MouseButtons held = Type == QEvent::MouseButtonRelease ? Qt::NoButton
                                      : Type == QEvent::MouseMove && Button == Qt::NoButton
                                          ? Qt::NoButton
                                          : Qt::MouseButtons(Button == Qt::NoButton ? Qt::LeftButton : Button);
        QMouseEvent e(Type, QPointF(P), QPointF(view->mapToGlobal(P)), Button, held, Mods);
        QApplication::sendEvent(view, &e);
    }
    void press(QPoint P, Qt::KeyboardModifiers M = {}) { send(QEvent::MouseButtonPress, P, Qt::LeftButton, M); }
    void move(QPoint P, Qt::KeyboardModifiers M = {}) { send(QEvent::MouseMove, P, Qt::NoButton, M); }
    void release(QPoint P, Qt::KeyboardModifiers M = {}) { send(QEvent::MouseButtonRelease, P, Qt::LeftButton, M); }
    void drag(QPoint A, QPoint B, Qt::KeyboardModifiers AtRelease = {}) {
        press(A);
        move(B, AtRelease);
        release(B, AtRelease);
    }
    void click(QPoint P) {
        press(P);
        release(P);
    }
    // The selection level at a document pixel; 0 off the selection bitmap.
    int sel(int X, int Y) const {
        const QImage& b = view->SelBitmap;
        const int x = X - view->SelLeft, y = Y - view->SelTop;
        if (b.isNull() || x < 0 || y < 0 || x >= b.width() || y >= b.height()) return 0;
        return b.constScanLine(y)[x];
    }

    TCropServices services;
    std::unique_ptr<TForm3> dialog;
    TlxImageVcl* view = nullptr;
    uint32_t clock = 10000;
};

TEST_F(TForm3Test, WithoutAToolTheArrowShowsAndClicksDoNothing) {
    EXPECT_EQ(dialog->CurrentTool(), TForm3::NoTool);
    move({5, 5});
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
    drag({2, 2}, {20, 20});
    EXPECT_FALSE(view->HasSelection);
    tool(1);
    move({5, 5});
    EXPECT_EQ(view->cursor().shape(), Qt::CrossCursor);
}

TEST_F(TForm3Test, ShiftMakesTheRectangleASquare) {
    tool(1);
    // End (10, 5) with Shift: y = 3 + (10 - 2) = 11; the box is columns
    // 2..10 and rows 3..11.
    drag({2, 3}, {10, 5}, Qt::ShiftModifier);
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(view->SelKind, 1);
    EXPECT_EQ(view->ShapePoints[0], (TlxPoint{2, 3}));
    EXPECT_EQ(view->ShapePoints[1], (TlxPoint{11, 12}));
    EXPECT_EQ(sel(2, 3), 255);
    EXPECT_EQ(sel(10, 11), 255);
    EXPECT_EQ(sel(11, 11), 0);
    EXPECT_EQ(sel(10, 12), 0);
    EXPECT_EQ(sel(1, 3), 0);
    const std::vector<QPoint> h = dialog->HandlePoints();
    ASSERT_EQ(h.size(), 8u);
    EXPECT_EQ(h[0], QPoint(2, 3));
    EXPECT_EQ(h[1], QPoint(6, 3)); // (2 + 11) / 2 rounded down
    EXPECT_EQ(h[4], QPoint(11, 12));
    EXPECT_EQ(h[7], QPoint(2, 7)); // (3 + 12) / 2 rounded down
}

TEST_F(TForm3Test, AltOnReleaseSubtractsWhateverButtonIsChecked) {
    child<QRadioButton>(*dialog, "RadioButton2")->setChecked(true);
    tool(1);
    drag({10, 10}, {29, 24}); // columns 10..29, rows 10..24
    ASSERT_TRUE(view->HasSelection);
    drag({2, 2}, {14, 14}, Qt::AltModifier); // columns and rows 2..14 taken away
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(sel(14, 14), 0);
    EXPECT_EQ(sel(10, 10), 0);
    EXPECT_EQ(sel(15, 15), 255);
    EXPECT_EQ(sel(14, 15), 255);
    EXPECT_EQ(sel(29, 24), 255);
    EXPECT_EQ(sel(5, 5), 0);
}

TEST_F(TForm3Test, CtrlOnReleaseAddsWhenIntersectIsChecked) {
    child<QRadioButton>(*dialog, "RadioButton4")->setChecked(true);
    tool(1);
    drag({2, 2}, {5, 5});
    ASSERT_TRUE(view->HasSelection);
    // Disjoint from the first: an intersection would leave nothing.
    drag({20, 20}, {25, 25}, Qt::ControlModifier);
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(sel(3, 3), 255);
    EXPECT_EQ(sel(22, 22), 255);
    EXPECT_EQ(sel(10, 10), 0);
}

TEST_F(TForm3Test, ALassoClickWithoutMovementDropsTheSelection) {
    tool(1);
    drag({2, 2}, {9, 9});
    ASSERT_TRUE(view->HasSelection);
    tool(4);
    click({30, 25});
    EXPECT_FALSE(view->HasSelection);
    EXPECT_TRUE(dialog->HandlePoints().empty());
}

TEST_F(TForm3Test, NoPolygonStartsWithinTwoSecondsOfClosingOne) {
    tool(5);
    click({2, 2});
    move({20, 2});
    click({20, 2});
    click({20, 20});
    click({2, 2}); // back on the first vertex: closes
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(view->SelKind, 4);
    EXPECT_EQ(sel(15, 5), 255);

    const auto secondTriangle = [this] {
        click({30, 28});
        click({38, 28});
        click({38, 20});
        click({30, 28});
    };
    clock = 11999;
    secondTriangle();
    EXPECT_EQ(sel(15, 5), 255) << "a polygon started 1999 ms after the last one closed";
    EXPECT_EQ(sel(36, 26), 0);

    clock = 12000;
    secondTriangle();
    EXPECT_EQ(sel(36, 26), 255);
    EXPECT_EQ(sel(15, 5), 0);
}

TEST_F(TForm3Test, ResizingAnEllipseRebuildsAnEllipseInTheNewBox) {
    tool(3);
    drag({4, 4}, {13, 9}); // box 4..13 x 4..9, shape points (4, 4) and (14, 10)
    ASSERT_TRUE(view->HasSelection);
    ASSERT_EQ(view->SelKind, 2);
    EXPECT_EQ(sel(22, 12), 0);
    // Handle 4 (bottom-right) from (14, 10) to (24, 20).
    drag({14, 10}, {24, 20});
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(view->SelKind, 2);
    EXPECT_EQ(view->ShapePoints[0], (TlxPoint{4, 4}));
    EXPECT_EQ(view->ShapePoints[1], (TlxPoint{24, 20}));
    // The ellipse of the box 4..23 x 4..19: centre (14, 12), half axes 10 and 8.
    EXPECT_EQ(sel(14, 12), 255);
    EXPECT_EQ(sel(22, 12), 255); // (8/10)^2 = 0.64 inside
    EXPECT_EQ(sel(14, 18), 255); // (6/8)^2 = 0.5625 inside
    EXPECT_EQ(sel(4, 4), 0);     // the box's corners lie outside
    EXPECT_EQ(sel(23, 19), 0);
    EXPECT_EQ(dialog->HandlePoints().at(4), QPoint(24, 20));
}

TEST_F(TForm3Test, ResizingAWandSelectionStretchesItsBitmap) {
    child<QSpinBox>(*dialog, "SpinEdit1")->setValue(0);
    tool(6);
    click({12, 8});
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(view->SelKind, 4);
    EXPECT_EQ(sel(10, 5), 255);
    EXPECT_EQ(sel(19, 14), 255);
    EXPECT_EQ(sel(20, 14), 0);
    std::vector<QPoint> h = dialog->HandlePoints();
    ASSERT_EQ(h.size(), 8u);
    ASSERT_EQ(h[4], QPoint(19, 14)); // the block's last column and row
    // Dragged 10 right and down: the 10 x 10 block becomes 20 x 20 at (10, 5).
    drag(h[4], h[4] + QPoint(10, 10));
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(view->SelKind, 4);
    EXPECT_EQ(view->SelBitmap.size(), QSize(40, 30));
    EXPECT_EQ(sel(10, 5), 255);
    EXPECT_EQ(sel(29, 24), 255);
    EXPECT_EQ(sel(30, 24), 0);
    EXPECT_EQ(sel(29, 25), 0);
    EXPECT_EQ(sel(9, 5), 0);
    EXPECT_EQ(dialog->HandlePoints().at(4), QPoint(29, 24));
}

TEST_F(TForm3Test, ClearWithoutASelectionWarnsAndDeleteDoesNothing) {
    child<QPushButton>(*dialog, "Button1")->click();
    ASSERT_EQ(services.Messages.size(), 1);
    EXPECT_EQ(services.Messages[0], LangText(109));
    child<QPushButton>(*dialog, "Button2")->click();
    ASSERT_EQ(services.Messages.size(), 2);
    EXPECT_EQ(services.Messages[1], LangText(110));
    QTest::keyClick(child<QSpinBox>(*dialog, "SpinEdit1"), Qt::Key_Delete);
    EXPECT_EQ(services.Messages.size(), 2);
    EXPECT_FALSE(dialog->Read().ContentChanged);
}

TEST_F(TForm3Test, DeleteInANumberBoxClearsTheSelection) {
    tool(1);
    drag({2, 2}, {5, 5});
    QSpinBox* spin = child<QSpinBox>(*dialog, "SpinEdit2");
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Delete);
    const TForm3::Settings r = dialog->Read();
    EXPECT_TRUE(r.ContentChanged);
    EXPECT_EQ(qAlpha(r.Picture.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(r.Picture.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(r.Picture.pixel(6, 5)), 255);
}

TEST_F(TForm3Test, RevertAfterACropBringsBackThePicture) {
    tool(1);
    drag({5, 5}, {14, 9});
    child<QPushButton>(*dialog, "Button2")->click();
    TForm3::Settings r = dialog->Read();
    EXPECT_TRUE(r.ContentChanged);
    EXPECT_EQ(r.Picture.size(), QSize(10, 5));
    // Column 10 of the picture is the cropped picture's column 5: red.
    EXPECT_EQ(QColor(r.Picture.pixel(5, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(r.Picture.pixel(4, 0)), QColor(255, 255, 255));
    child<QToolButton>(*dialog, "SpeedButton8")->click();
    r = dialog->Read();
    EXPECT_FALSE(r.ContentChanged);
    EXPECT_EQ(r.Picture, picture());
}

TEST_F(TForm3Test, CancelAfterClearingChangesNothingAndOkGivesThePicture) {
    TForm3::Settings preset;
    preset.SourcePicture = picture();
    const auto clearAndClose = [](int Button) {
        return [Button](QDialog& D) {
            auto* v = child<TlxImageVcl>(D, "lxImg1");
            child<QAction>(D, "N1001")->trigger();
            child<QToolButton>(D, "SpeedButton1")->click();
            QMouseEvent down(QEvent::MouseButtonPress, QPointF(0, 0), QPointF(v->mapToGlobal(QPoint())),
                             Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(v, &down);
            QMouseEvent up(QEvent::MouseButtonRelease, QPointF(3, 3), QPointF(v->mapToGlobal(QPoint(3, 3))),
                           Qt::LeftButton, Qt::NoButton, {});
            QApplication::sendEvent(v, &up);
            child<QPushButton>(D, "Button1")->click();
            child<QToolButton>(D, ("SpeedButton" + std::to_string(Button)).c_str())->click();
        };
    };
    TAnsweringRunner runner;
    {
        TForm3 d(services);
        runner.User = clearAndClose(10);
        EXPECT_FALSE(RunDialog(runner, d, preset).has_value());
        EXPECT_FALSE(d.Read().ContentChanged);
    }
    {
        TForm3 d(services);
        runner.User = clearAndClose(9);
        const auto r = RunDialog(runner, d, preset);
        ASSERT_TRUE(r.has_value());
        EXPECT_TRUE(r->ContentChanged);
        EXPECT_EQ(qAlpha(r->Picture.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(r->Picture.pixel(3, 3)), 0);
        EXPECT_EQ(qAlpha(r->Picture.pixel(4, 3)), 255);
        EXPECT_EQ(r->SourcePicture, picture());
    }
}

TEST_F(TForm3Test, InvertAndDeselectFromTheMenu) {
    tool(1);
    drag({0, 0}, {9, 29}); // the left quarter
    child<QAction>(*dialog, "N3")->trigger();
    ASSERT_TRUE(view->HasSelection);
    EXPECT_EQ(view->SelKind, 4);
    EXPECT_EQ(sel(9, 10), 0);
    EXPECT_EQ(sel(10, 10), 255);
    EXPECT_EQ(dialog->HandlePoints().at(0), QPoint(10, 0));
    child<QAction>(*dialog, "N7")->trigger();
    EXPECT_FALSE(view->HasSelection);
    EXPECT_TRUE(dialog->HandlePoints().empty());
}

class TForm3Layout : public ::testing::TestWithParam<int> {};

TEST_P(TForm3Layout, CaptionsFitInEveryLanguage) {
    TLanguageScope language(GetParam());
    TCropServices services;
    TForm3 d(services);
    TForm3::Settings s;
    s.SourcePicture = picture();
    d.Preset(s);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(child<QToolButton>(d, ("SpeedButton" + std::to_string(i + 1)).c_str())->toolTip(),
                  LangText(101 + i));
    EXPECT_EQ(child<QRadioButton>(d, "RadioButton3")->text(), LangText(90));
    const QStringList faults = LayoutFaults(d);
    EXPECT_TRUE(faults.isEmpty()) << languageName(GetParam()) << ":\n"
                                  << faults.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, TForm3Layout,
                         ::testing::Values(LangSimplified, LangTraditional, LangEnglish));

} // namespace
