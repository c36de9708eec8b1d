#include "text/freehand_text_dialog.h"

#include "dialog_test_support.h"
#include "lxImagevcl.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

namespace {

static_assert(ModalDialog<TForm96>);

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// The letters A, B and C in black over a white 400 x 300 design.
TForm96::Settings threeLetters(int ScreenPPI = 96) {
    TForm96::Settings s;
    s.Background = QImage(kWidth, kHeight, QImage::Format_ARGB32);
    s.Background.fill(QColor(255, 255, 255));
    s.ScreenPPI = ScreenPPI;
    SetFontName(s.Font, "DejaVu Sans");
    s.Font.Size = 24;
    s.Font.Color = lxRGB(0, 0, 0);
    s.CharTexts = {"A", "B", "C"};
    return s;
}

// The box around every pixel darker than mid grey of a 24-bit picture.
QRect inkBox(const QImage& Picture) {
    QRect box;
    for (int y = 0; y < Picture.height(); ++y) {
        const uchar* row = Picture.constScanLine(y);
        for (int x = 0; x < Picture.width(); ++x)
            if (row[3 * x] < 128 || row[3 * x + 1] < 128 || row[3 * x + 2] < 128)
                box |= QRect(x, y, 1, 1);
    }
    return box;
}

class TForm96Test : public ::testing::Test {
protected:
    void open(const TForm96::Settings& S) {
        dialog = std::make_unique<TForm96>();
        dialog->Preset(S);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        QApplication::processEvents();
        view = child<TlxImageVcl>(*dialog, "lxImg");
        list = child<QComboBox>(*dialog, "Cb1");
    }

    // A document point as a point of the view.
    QPoint at(int X, int Y) const { return {view->ImageToScreen(X), view->ImageToScreen(Y)}; }
    void click(int X, int Y, Qt::MouseButton Button = Qt::LeftButton,
               Qt::KeyboardModifiers Modifiers = {}) {
        QTest::mouseClick(view, Button, Modifiers, at(X, Y));
    }
    void move(int X, int Y) { QTest::mouseMove(view, at(X, Y)); }
    void wheel(int Delta) {
        const QPoint p = at(10, 10);
        QWheelEvent event(QPointF(p), QPointF(view->mapToGlobal(p)), QPoint(), QPoint(0, Delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &event);
    }
    bool placementCursor() const { return view->cursor().shape() == Qt::BitmapCursor; }

    std::unique_ptr<TForm96> dialog;
    TlxImageVcl* view = nullptr;
    QComboBox* list = nullptr;
};

TEST_F(TForm96Test, OpensMaximisedWithTheDesignFitted) {
    TLanguageScope english(LangEnglish);
    open(threeLetters());
    EXPECT_TRUE(dialog->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Place letters freely with the mouse"));
    EXPECT_EQ(child<QPushButton>(*dialog, "Button1")->text(), QStringLiteral("&Begin again"));
    EXPECT_EQ(child<QLabel>(*dialog, "Label1")->text(), QStringLiteral("Letters:"));
    EXPECT_EQ(child<QLabel>(*dialog, "Label4")->text(), QStringLiteral("Angle:"));
    auto* angle = child<QSpinBox>(*dialog, "SpinEdit4");
    EXPECT_EQ(angle->minimum(), -360);
    EXPECT_EQ(angle->maximum(), 360);
    EXPECT_TRUE(child<QLabel>(*dialog, "Label5")->wordWrap());
    EXPECT_EQ(view->ImageWidth, kWidth);
    EXPECT_EQ(view->ImageHeight, kHeight);
    // The whole design fits the box and fills it along one side.
    const QSize client = child<QScrollArea>(*dialog, "ScrollBox1")->viewport()->size();
    EXPECT_LE(view->width(), client.width());
    EXPECT_LE(view->height(), client.height());
    EXPECT_TRUE(view->width() == client.width() || view->height() == client.height());
    EXPECT_EQ(view->width(), RoundEven(kWidth * view->ZoomValue));
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(placementCursor());
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentIndex(), 0);
}

TEST_F(TForm96Test, ThreeClicksPlaceAThreeLetterText) {
    open(threeLetters());
    click(20, 30);
    click(60, 40);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(placementCursor());
    EXPECT_EQ(list->currentIndex(), 2);
    click(100, 50);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_FALSE(placementCursor());
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(list->currentText(), QStringLiteral("C"));
    const TForm96::Settings read = dialog->Read();
    EXPECT_FALSE(read.Placing);
    EXPECT_EQ(read.PlacedCount, 3);
    EXPECT_EQ(read.CharPoints[0], QPoint(20, 30));
    EXPECT_EQ(read.CharPoints[1], QPoint(60, 40));
    EXPECT_EQ(read.CharPoints[2], QPoint(100, 50));
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit2")->value(), 100);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit3")->value(), 50);
}

// The characters sit where the text layer drawn from the result will put
// them, each turned by its own angle.
TEST_F(TForm96Test, CharactersAreDrawnWhereTheTextLayerPutsThem) {
    open(threeLetters());
    click(40, 60);
    for (int i = 0; i < 30; ++i)
        click(40, 60, Qt::RightButton, Qt::ShiftModifier); // 30 degrees counter-clockwise
    click(150, 120);
    click(260, 200);
    const TForm96::Settings read = dialog->Read();
    ASSERT_FALSE(read.Placing);
    EXPECT_EQ(read.CharAngles[0], 0);
    EXPECT_EQ(read.CharAngles[1], 30);
    EXPECT_EQ(read.CharAngles[2], 30);

    TlxImage design;
    ASSERT_TRUE(design.NewImage(true, lxRGB(255, 255, 255), 24, kWidth, kHeight));
    TlxTextStyle style = read.Font;
    SetText(style, "ABC");
    style.Arrangement = lxTextFreehand;
    style.Smoothing = 0;
    for (int k = 0; k < 3; ++k)
        SetFreehandPlace(style, k,
                         {read.CharPoints[size_t(k)].x(), read.CharPoints[size_t(k)].y(),
                          read.CharAngles[size_t(k)]});
    ASSERT_TRUE(design.AddTextLayer(0, 0, style));
    ASSERT_TRUE(design.ReDraw());

    const QRect drawn = inkBox(view->ShowBmp);
    const QRect rendered = inkBox(design.ShowBmp);
    ASSERT_FALSE(rendered.isEmpty());
    EXPECT_NEAR(drawn.left(), rendered.left(), 1);
    EXPECT_NEAR(drawn.top(), rendered.top(), 1);
    EXPECT_NEAR(drawn.right(), rendered.right(), 1);
    EXPECT_NEAR(drawn.bottom(), rendered.bottom(), 1);
    // Each letter on its own: the turned B reaches above its starting
    // point, to the right of A's column.
    EXPECT_NEAR(inkBox(view->ShowBmp.copy(120, 0, 120, kHeight)).top(),
                inkBox(design.ShowBmp.copy(120, 0, 120, kHeight)).top(), 1);
}

struct SnapCase {
    int dx, dy;           // the Shift-click, relative to the last character
    int placedX, placedY; // where the second character goes, relative to it
};

class TForm96SnapTest : public TForm96Test, public ::testing::WithParamInterface<SnapCase> {};

TEST_P(TForm96SnapTest, ShiftKeepsToARowAColumnOrADiagonal) {
    const SnapCase c = GetParam();
    open(threeLetters());
    click(100, 100);
    click(100 + c.dx, 100 + c.dy, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(dialog->Read().CharPoints[1], QPoint(100 + c.placedX, 100 + c.placedY));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TForm96SnapTest,
    ::testing::Values(SnapCase{100, 20, 100, 0}, // s = 20 / 102 = 0.196: the row
                      SnapCase{-100, 20, -100, 0},
                      SnapCase{100, 50, 50, 50}, // s = 50 / 111.8 = 0.447: the diagonal
                      SnapCase{10, 100, 0, 100}, // s = 100 / 100.5 = 0.995: the column
                      SnapCase{10, -100, 0, -100},
                      SnapCase{0, 40, 0, 40})); // on the column already: as it is

// Left of the last character the diagonal runs down to the left. The run is
// measured in view pixels, so the place is 50 left only up to the view's
// rounding: I(100) - (I(150) - I(100)) in view pixels, I = ImageToScreen.
TEST_F(TForm96Test, ShiftDiagonalKeepsToTheMouseQuadrant) {
    open(threeLetters());
    click(100, 100);
    click(0, 150, Qt::LeftButton, Qt::ShiftModifier);
    const QPoint placed = dialog->Read().CharPoints[1];
    const int viewX = 2 * view->ImageToScreen(100) - view->ImageToScreen(150);
    EXPECT_EQ(placed.x(), view->ScreenToImage(viewX));
    EXPECT_NEAR(placed.x(), 50, 1);
    EXPECT_EQ(placed.y(), 150);
}

TEST_F(TForm96Test, WithoutShiftTheMouseIsFollowed) {
    open(threeLetters());
    click(150, 100);
    click(250, 120);
    EXPECT_EQ(dialog->Read().CharPoints[1], QPoint(250, 120));
}

TEST_F(TForm96Test, StatusShowsPixelsCentimetresAndTheAngle) {
    TLanguageScope english(LangEnglish);
    open(threeLetters(254));
    move(100, 50);
    // 100 / 254 * 2.54 = 1 and 50 / 254 * 2.54 = 0.5.
    EXPECT_EQ(dialog->StatusText(),
              QStringLiteral("Position: 100 , 50 pixels | 1 , 0.5 cm  Angle: 0"));
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit2")->value(), 100);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit3")->value(), 50);
}

TEST(TForm96CmTest, CentimetresHaveAtMostTwoDecimals) {
    struct Case {
        int pixels, ppi;
        const char* text;
    };
    const Case cases[] = {
        {100, 254, "1"},    {50, 254, "0.5"},  {0, 96, "0"},
        {96, 96, "2.54"},   {1, 96, "0.03"}, // 0.02646
        {10, 96, "0.26"},                    // 0.26458
        {37, 100, "0.94"},  {20, 100, "0.51"}, {-50, 254, "-0.5"},
        {300, 100, "7.62"}, {500, 254, "5"},   {10, 0, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TForm96::CmText(c.pixels, c.ppi), QString::fromLatin1(c.text))
            << c.pixels << " at " << c.ppi;
}

TEST_F(TForm96Test, RightClickAndWheelTurnTheCharacter) {
    TLanguageScope english(LangEnglish);
    open(threeLetters());
    auto* angle = child<QSpinBox>(*dialog, "SpinEdit4");
    const auto shown = [this] {
        return dialog->StatusText().section(QStringLiteral("Angle: "), 1);
    };
    click(50, 50, Qt::RightButton);
    EXPECT_EQ(shown(), QStringLiteral("1"));
    click(50, 50, Qt::RightButton);
    EXPECT_EQ(shown(), QStringLiteral("2"));
    EXPECT_EQ(angle->value(), 2);
    click(50, 50, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(shown(), QStringLiteral("1"));
    wheel(120); // up: one degree counter-clockwise
    EXPECT_EQ(shown(), QStringLiteral("0"));
    wheel(-240);
    EXPECT_EQ(shown(), QStringLiteral("2"));
    EXPECT_EQ(angle->value(), 2);
    // Right clicks place nothing; the left click places at the angle shown.
    EXPECT_EQ(dialog->Read().PlacedCount, 0);
    click(50, 50);
    const TForm96::Settings read = dialog->Read();
    EXPECT_EQ(read.PlacedCount, 1);
    EXPECT_EQ(read.CharAngles[0], -2);
    EXPECT_EQ(read.CharAngles[1], -2); // the next one starts the same
    EXPECT_EQ(angle->value(), 2);
}

TEST_F(TForm96Test, AnglesStopAtAFullTurn) {
    TForm96::Settings s = threeLetters();
    s.CharAngles[0] = 359;
    open(s);
    click(50, 50, Qt::RightButton, Qt::ShiftModifier);
    click(50, 50, Qt::RightButton, Qt::ShiftModifier);
    wheel(360);
    EXPECT_EQ(dialog->Read().CharAngles[0], 360);
    for (int i = 0; i < 3; ++i)
        wheel(-120);
    EXPECT_EQ(dialog->Read().CharAngles[0], 357);
}

TEST_F(TForm96Test, BeginAgainStartsOver) {
    open(threeLetters());
    click(20, 30);
    click(10, 10, Qt::RightButton); // the second letter at -1
    click(60, 40);
    click(100, 50);
    ASSERT_FALSE(dialog->Read().Placing);
    QTest::mouseClick(child<QPushButton>(*dialog, "Button1"), Qt::LeftButton);
    TForm96::Settings read = dialog->Read();
    EXPECT_TRUE(read.Placing);
    EXPECT_EQ(read.PlacedCount, 0);
    EXPECT_EQ(read.CharAngles[0], 0);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(placementCursor());
    click(200, 100);
    read = dialog->Read();
    EXPECT_EQ(read.PlacedCount, 1);
    EXPECT_EQ(read.CharPoints[0], QPoint(200, 100));
    EXPECT_EQ(read.CharAngles[0], 0);
}

TEST_F(TForm96Test, AnEarlierResultStartsPlacedAndMouseActionsChangeNothing) {
    TForm96::Settings s = threeLetters();
    s.CharPoints[0] = {20, 30};
    s.CharPoints[1] = {60, 40};
    s.CharPoints[2] = {100, 50};
    s.CharAngles = {5, -10, 15};
    s.PlacedCount = 3;
    s.Placing = false;
    open(s);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_FALSE(placementCursor());
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit2")->value(), 100);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit3")->value(), 50);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit4")->value(), -15);

    move(200, 200);
    click(200, 200);
    click(200, 200, Qt::RightButton);
    click(200, 200, Qt::RightButton, Qt::ShiftModifier);
    wheel(240);
    const TForm96::Settings read = dialog->Read();
    EXPECT_FALSE(read.Placing);
    EXPECT_EQ(read.PlacedCount, 3);
    EXPECT_EQ(read.CharPoints, s.CharPoints);
    EXPECT_EQ(read.CharAngles, s.CharAngles);
    EXPECT_TRUE(dialog->StatusText().isEmpty());

    // Choosing a letter shows its place and its angle negated.
    list->setCurrentIndex(0);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit2")->value(), 20);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit3")->value(), 30);
    EXPECT_EQ(child<QSpinBox>(*dialog, "SpinEdit4")->value(), -5);
    EXPECT_EQ(dialog->Read().CharPoints, s.CharPoints); // showing writes nothing
}

TEST_F(TForm96Test, TheSpinEditsEditTheChosenLetter) {
    TForm96::Settings s = threeLetters();
    s.CharPoints[0] = {20, 30};
    s.CharPoints[1] = {60, 40};
    s.CharPoints[2] = {100, 50};
    s.PlacedCount = 3;
    s.Placing = false;
    open(s);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    list->setCurrentIndex(1);
    const struct {
        const char* name;
        const char* typed;
    } edits[] = {{"SpinEdit2", "75"}, {"SpinEdit3", "-12"}, {"SpinEdit4", "45"}};
    for (const auto& e : edits) {
        auto* spin = child<QSpinBox>(*dialog, e.name);
        spin->setFocus();
        spin->selectAll();
        QTest::keyClicks(spin, QString::fromLatin1(e.typed));
    }
    const TForm96::Settings read = dialog->Read();
    EXPECT_EQ(read.CharPoints[1], QPoint(75, -12));
    EXPECT_EQ(read.CharAngles[1], -45);
    EXPECT_EQ(read.CharPoints[0], QPoint(20, 30));
    EXPECT_EQ(read.CharPoints[2], QPoint(100, 50));
    // Moving over the design takes the focus away from the boxes.
    move(10, 10);
    EXPECT_TRUE(child<QPushButton>(*dialog, "Button1")->hasFocus());
}

TEST_F(TForm96Test, ASelectionIsShownWithMarchingAnts) {
    TForm96::Settings s = threeLetters();
    s.Selection = QImage(kWidth, kHeight, QImage::Format_Grayscale8);
    s.Selection.fill(0);
    for (int y = 50; y < 250; ++y)
        std::fill_n(s.Selection.scanLine(y) + 100, 200, uchar(255));
    open(s);
    EXPECT_TRUE(view->HasSelection);
    EXPECT_GT(view->OutlinePointsInUse(), 0);
    EXPECT_TRUE(child<QTimer>(*dialog, "Timer1")->isActive());
    EXPECT_EQ(child<QTimer>(*dialog, "Timer1")->interval(), 250);

    open(threeLetters());
    EXPECT_FALSE(view->HasSelection);
    EXPECT_FALSE(child<QTimer>(*dialog, "Timer1")->isActive());
}

TEST_F(TForm96Test, OkGivesThePlacesCancelNothing) {
    TAnsweringRunner runner;
    TForm96 form;
    runner.User = [](QDialog& d) {
        auto* v = child<TlxImageVcl>(d, "lxImg");
        for (const QPoint p : {QPoint(10, 20), QPoint(30, 40), QPoint(50, 60)})
            QTest::mouseClick(v, Qt::LeftButton, {},
                              {v->ImageToScreen(p.x()), v->ImageToScreen(p.y())});
        QTest::mouseClick(child<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    };
    const auto result = RunDialog(runner, form, threeLetters());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->PlacedCount, 3);
    EXPECT_EQ(result->CharPoints[2], QPoint(50, 60));

    runner.User = [](QDialog& d) {
        QTest::mouseClick(child<QPushButton>(d, "BitBtn2"), Qt::LeftButton);
    };
    EXPECT_FALSE(RunDialog(runner, form, threeLetters()));
}

TEST_F(TForm96Test, FitsItsCaptionsInEveryLanguage) {
    for (const int base : {LangEnglish, LangSimplified, LangTraditional}) {
        TLanguageScope language(base);
        open(threeLetters());
        const QStringList faults = LayoutFaults(*dialog);
        EXPECT_TRUE(faults.isEmpty()) << languageName(base) << ":\n"
                                      << faults.join(QLatin1Char('\n')).toStdString();
    }
}

} // namespace
