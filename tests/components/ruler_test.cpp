#include "qnRuler.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The rulers are built at a thickness that leaves the labels (near the
// outer edge) and the canvas-side ticks (the last 6 pixels) well apart, so
// the tests below can read each on its own.
constexpr int Thickness = 24;

struct RulerSetup {
    TqnRulerStyle style = qnHorizontal;
    TqnUnit unit = qnPixel;
    double zoom = 1.0;
    int length = 400;
    int pixelsPerInch = 100;
};

// A ruler of the given kind with its scale built.
std::unique_ptr<TqnRuler> makeRuler(const RulerSetup& S) {
    auto ruler = std::make_unique<TqnRuler>();
    ruler->SetStyle(S.style);
    ruler->SetRulerUnit(S.unit);
    ruler->SetPixelsPerInch(S.pixelsPerInch);
    ruler->SetZoom(S.zoom);
    if (S.style == qnHorizontal)
        ruler->resize(S.length, Thickness);
    else
        ruler->resize(Thickness, S.length);
    ruler->Refresh();
    return ruler;
}

// The pixel at position At along the ruler and Across pixels from its
// outer edge (top of a horizontal ruler, left of a vertical one).
QColor along(const TqnRuler& R, int At, int Across) {
    const QImage& b = R.Buffer();
    return R.Style() == qnHorizontal ? b.pixelColor(At, Across) : b.pixelColor(Across, At);
}

int thickness(const TqnRuler& R) {
    return R.Style() == qnHorizontal ? R.Buffer().height() : R.Buffer().width();
}

// How far the scale's colour reaches unbroken into the ruler at At, counted
// from the canvas side; 1 where there is only the canvas edge, the whole
// thickness for a full line.
int depthFromCanvas(const TqnRuler& R, int At) {
    int depth = 0;
    for (int a = thickness(R) - 1; a >= 0 && along(R, At, a) == R.ForeColor(); --a) ++depth;
    return depth;
}

int depthFromOuter(const TqnRuler& R, int At) {
    int depth = 0;
    for (int a = 0; a < thickness(R) && along(R, At, a) == R.ForeColor(); ++a) ++depth;
    return depth;
}

// Whether anything but the background is drawn in the block of positions
// [From, To) along the ruler and [AcrossFrom, AcrossTo) across it.
bool inked(const TqnRuler& R, int From, int To, int AcrossFrom, int AcrossTo) {
    for (int at = From; at < To; ++at)
        for (int a = AcrossFrom; a < AcrossTo; ++a)
            if (along(R, at, a) != R.BackColor()) return true;
    return false;
}

struct Mark {
    int at;
    int depth; // thickness for a full line, 1 for none (the canvas edge only)
};

void expectCanvasSideMarks(const TqnRuler& R, const std::vector<Mark>& Marks, const char* What) {
    for (const Mark& m : Marks)
        EXPECT_EQ(depthFromCanvas(R, m.at), m.depth) << What << " at " << m.at;
}

TEST(TqnRulerTest, StartsWithTheDocumentedDefaults) {
    TqnRuler ruler;
    EXPECT_EQ(ruler.ForeColor(), QColor(Qt::black));
    EXPECT_EQ(ruler.BackColor(), QColor(Qt::white));
    EXPECT_EQ(ruler.PosColor(), QColor(255, 0, 0));
    EXPECT_EQ(ruler.Style(), qnHorizontal);
    EXPECT_EQ(ruler.RulerUnit(), qnPixel);
    EXPECT_EQ(ruler.Position(), 0);
    EXPECT_EQ(ruler.Zoom(), 1.0);
    EXPECT_EQ(ruler.PixelsPerInch(),
              qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
    // A thin strip: thick enough for a label over the longest tick.
    EXPECT_GE(ruler.sizeHint().height(), 18);
    EXPECT_LE(ruler.sizeHint().height(), 22);
    ruler.SetStyle(qnVertical);
    EXPECT_GE(ruler.sizeHint().width(), 18);
    EXPECT_LE(ruler.sizeHint().width(), 22);
}

// Image pixels: p = Trunc(i * 5 * Zoom + 0.5); every 10th i a line, odd i
// a 3-pixel tick, other even i a 6-pixel tick.
TEST(TqnRulerTest, PixelScaleAtZoomOneTwoAndBothOrientations) {
    for (const TqnRulerStyle style : {qnHorizontal, qnVertical}) {
        const char* what = style == qnHorizontal ? "horizontal" : "vertical";
        auto r1 = makeRuler({style, qnPixel, 1.0, 400});
        expectCanvasSideMarks(*r1,
                              {{0, Thickness}, {5, 3}, {7, 1}, {10, 6}, {45, 3}, {50, Thickness},
                               {100, Thickness}, {390, 6}, {395, 3}, {398, 1}},
                              what);
        // The canvas edge runs the whole length.
        for (int at = 0; at < 400; ++at)
            ASSERT_EQ(along(*r1, at, Thickness - 1), r1->ForeColor()) << what << " at " << at;

        // Zoom 2: the last i is Trunc(400 / 2 / 5 + 0.5) = 40 and p = 10 i.
        auto r2 = makeRuler({style, qnPixel, 2.0, 400});
        expectCanvasSideMarks(*r2,
                              {{0, Thickness}, {10, 3}, {20, 6}, {50, 3}, {5, 1}, {100, Thickness},
                               {200, Thickness}, {390, 3}},
                              what);
    }
}

// At zoom 0.5 the marks crowd: p = Trunc(2.5 i + 0.5). The lines wait for
// 30 pixels after the last label (i = 10 at 25 and i = 30 at 75 get none),
// and the 6-pixel ticks for more than 5 pixels after the last one drawn
// (i = 2 at 5 drawn, i = 4 at 10 not, i = 6 at 15 drawn, ...).
TEST(TqnRulerTest, PixelScaleThinsOutLinesAndTicksWhenZoomedOut) {
    auto ruler = makeRuler({qnHorizontal, qnPixel, 0.5, 400});
    expectCanvasSideMarks(*ruler,
                          {{0, Thickness}, {25, 1}, {50, Thickness}, {75, 1}, {100, Thickness},
                           {125, 1}, {150, Thickness},
                           // odd i, 5 pixels apart: all drawn
                           {3, 3}, {8, 3}, {13, 3}, {23, 3}, {28, 3},
                           // the other even i
                           {5, 6}, {10, 1}, {15, 6}, {20, 1}, {30, 6}, {35, 1}, {40, 6}, {45, 1},
                           {55, 6}},
                          "zoom 0.5");
    // Labels stand right of their line, clear of the ticks below them.
    const int labelRows = Thickness - 8;
    for (const int p : {0, 50, 100, 150})
        EXPECT_TRUE(inked(*ruler, p + 1, p + 8, 0, labelRows)) << "label at " << p;
    for (const int p : {25, 75, 125})
        EXPECT_FALSE(inked(*ruler, p + 1, p + 8, 0, labelRows)) << "no label at " << p;
}

TEST(TqnRulerTest, VerticalPixelLabelsStackTheirDigits) {
    auto ruler = makeRuler({qnVertical, qnPixel, 1.0, 400});
    const QFontMetrics metrics(ruler->font());
    const int h = metrics.height();
    // "100" from y = 101: three digits, each 0.75 of the text height below
    // the one before, all at x = 0 (the ticks are at the other side).
    int lowest = -1, widest = -1;
    for (int y = 101; y < 150; ++y)
        for (int x = 0; x < Thickness - 7; ++x)
            if (along(*ruler, y, x) != ruler->BackColor()) {
                lowest = y;
                widest = std::max(widest, x);
            }
    ASSERT_GE(lowest, 0);
    EXPECT_GT(lowest, 101 + 1.5 * h) << "the third digit is 1.5 text heights down";
    EXPECT_LT(lowest, 101 + 2.5 * h);
    EXPECT_LE(widest, metrics.horizontalAdvance(QStringLiteral("0")) + 1) << "one digit wide";
}

// Centimetres at P image pixels to the inch: c millimetres at
// p = Trunc(c * (P / 25.4) * Zoom + 0.5); at 100 pixels to the inch and
// zoom 1 that is 3.937 c + 0.5, so 1 cm at 39 and 2 cm at 79.
TEST(TqnRulerTest, CentimetreScaleFromTheOuterEdge) {
    for (const TqnRulerStyle style : {qnHorizontal, qnVertical}) {
        const char* what = style == qnHorizontal ? "horizontal" : "vertical";
        auto r = makeRuler({style, qnCM, 1.0, 400, 100});
        const std::vector<Mark> marks = {
            {0, Thickness},  {39, Thickness}, {79, Thickness}, {394, Thickness}, // c = 100
            {20, 6},         {59, 6},         {217, 6},                          // c = 5, 15, 55
            {28, 3},         {51, 3},         {67, 3},         {398, 3},         // c = 7, 13, 17, 101
            {30, 0},         {58, 0},                                            // between
        };
        for (const Mark& m : marks)
            EXPECT_EQ(depthFromOuter(*r, m.at), m.depth) << what << " at " << m.at;

        // Zoom 2: 7.874 c + 0.5; the last c is Trunc(400 / 2 / 3.937) = 50.
        auto r2 = makeRuler({style, qnCM, 2.0, 400, 100});
        const std::vector<Mark> marks2 = {
            {79, Thickness}, {157, Thickness}, {394, Thickness}, // c = 10, 20, 50
            {39, 6},         {8, 3},           {16, 3},          // c = 5, 1, 2
            {40, 0},
        };
        for (const Mark& m : marks2)
            EXPECT_EQ(depthFromOuter(*r2, m.at), m.depth) << what << " zoom 2 at " << m.at;

        // 200 pixels to the inch halve the scale: 1 cm at Trunc(78.74 + 0.5).
        auto r3 = makeRuler({style, qnCM, 1.0, 400, 200});
        EXPECT_EQ(depthFromOuter(*r3, 79), Thickness) << what;
        EXPECT_EQ(depthFromOuter(*r3, 39), 6) << what << " 5 mm";
    }
}

// Zoom 0.5 at 100 pixels to the inch: the centimetre lines at 20, 39, 59
// and 79 are all drawn, but a label needs 32 pixels after the last one, so
// only 0, 2 and 4 cm are labelled.
TEST(TqnRulerTest, CentimetreLabelsKeep32PixelsApart) {
    auto ruler = makeRuler({qnHorizontal, qnCM, 0.5, 400, 100});
    for (const int p : {0, 20, 39, 59, 79})
        EXPECT_EQ(depthFromOuter(*ruler, p), Thickness) << "line at " << p;
    // Below the longest tick and above the canvas edge.
    const auto labelAt = [&](int p) { return inked(*ruler, p + 1, p + 8, 7, Thickness - 1); };
    EXPECT_TRUE(labelAt(0));
    EXPECT_FALSE(labelAt(20));
    EXPECT_TRUE(labelAt(39));
    EXPECT_FALSE(labelAt(59));
    EXPECT_TRUE(labelAt(79));
}

TEST(TqnRulerTest, VerticalCentimetreLabelsAreRightAligned) {
    auto ruler = makeRuler({qnVertical, qnCM, 1.0, 400, 100});
    const QFontMetrics metrics(ruler->font());
    // "1" below the line at 39; columns right of the longest outer tick and
    // left of the canvas edge.
    int leftmost = Thickness;
    for (int y = 40; y < 40 + metrics.height(); ++y)
        for (int x = 7; x < Thickness - 1; ++x)
            if (along(*ruler, y, x) != ruler->BackColor()) leftmost = std::min(leftmost, x);
    ASSERT_LT(leftmost, Thickness) << "no label";
    EXPECT_GE(leftmost, Thickness - metrics.horizontalAdvance(QStringLiteral("1")));
}

// Percent of the ruler's length: p = Trunc(L / 100 * n + 0.5), at L = 250
// Trunc(2.5 n + 0.5); the zoom plays no part.
TEST(TqnRulerTest, PercentScaleFollowsTheRulerLengthNotTheZoom) {
    for (const TqnRulerStyle style : {qnHorizontal, qnVertical}) {
        const char* what = style == qnHorizontal ? "horizontal" : "vertical";
        auto r = makeRuler({style, qnPercent, 1.0, 250});
        expectCanvasSideMarks(*r,
                              {{0, Thickness}, {3, 3}, {8, 3}, {13, 6}, {18, 3}, {25, Thickness},
                               {38, 6}, {125, Thickness}, {225, Thickness}, {248, 3}, {4, 1}},
                              what);
        // Labels after their line, from the outer edge.
        EXPECT_TRUE(inked(*r, 26, 33, 0, 8)) << what;
        auto zoomed = makeRuler({style, qnPercent, 3.0, 250});
        EXPECT_EQ(zoomed->Buffer(), r->Buffer()) << what;
    }
}

TEST(TqnRulerTest, ColoursAndUnitsRebuildTheScale) {
    auto ruler = makeRuler({qnHorizontal, qnPixel, 1.0, 200});
    ruler->SetForeColor(QColor(0, 0, 200));
    ruler->SetBackColor(QColor(250, 240, 200));
    ruler->SetRulerUnit(qnCM);
    ruler->Refresh();
    EXPECT_EQ(ruler->Buffer().pixelColor(30, 5), QColor(250, 240, 200));
    EXPECT_EQ(depthFromOuter(*ruler, 39), Thickness) << "1 cm line in the new colour";
    EXPECT_EQ(ruler->Buffer().pixelColor(39, 5), QColor(0, 0, 200));
}

// The scale is rebuilt for a new size or scale, never for a plain repaint
// or a marker move: the picture keeps its identity (cache key) until then.
TEST(TqnRulerTest, RepaintingReusesTheScale) {
    TqnRuler ruler;
    ruler.SetPixelsPerInch(100);
    ruler.resize(300, Thickness);
    ruler.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ruler));
    ruler.repaint();
    ASSERT_EQ(ruler.Buffer().size(), QSize(300, Thickness));
    const qint64 built = ruler.Buffer().cacheKey();

    ruler.repaint();
    ruler.SetPosition(120);
    ruler.SetPosColor(Qt::blue);
    ruler.repaint();
    EXPECT_EQ(ruler.Buffer().cacheKey(), built);

    ruler.SetZoom(2.0);
    EXPECT_EQ(ruler.Buffer().cacheKey(), built) << "waits for the paint";
    ruler.repaint();
    const qint64 zoomed = ruler.Buffer().cacheKey();
    EXPECT_NE(zoomed, built);
    EXPECT_EQ(depthFromCanvas(ruler, 100), Thickness) << "50 pixels at zoom 2";

    ruler.SetZoom(2.0); // no change
    ruler.repaint();
    EXPECT_EQ(ruler.Buffer().cacheKey(), zoomed);

    ruler.resize(320, Thickness);
    ruler.repaint();
    EXPECT_EQ(ruler.Buffer().size(), QSize(320, Thickness));
    EXPECT_NE(ruler.Buffer().cacheKey(), zoomed);

    const qint64 resized = ruler.Buffer().cacheKey();
    ruler.Refresh();
    EXPECT_NE(ruler.Buffer().cacheKey(), resized) << "Refresh rebuilds at once";
}

// The marker: every other pixel across the ruler in PosColor, over the
// scale; a repaint only when the position really changes.
TEST(TqnRulerTest, MarkerIsADottedLineAtPosition) {
    for (const TqnRulerStyle style : {qnHorizontal, qnVertical}) {
        const char* what = style == qnHorizontal ? "horizontal" : "vertical";
        auto ruler = makeRuler({style, qnPixel, 1.0, 200});
        ruler->SetPosColor(QColor(0, 160, 0));
        ruler->SetPosition(50); // on a full line: the dots alternate with its colour
        const QImage shot = ruler->grab().toImage();
        for (int a = 0; a < Thickness; ++a) {
            const QPoint p = style == qnHorizontal ? QPoint(50, a) : QPoint(a, 50);
            const QColor expected = a % 2 == 0 ? QColor(0, 160, 0) : ruler->ForeColor();
            EXPECT_EQ(shot.pixelColor(p), expected) << what << " across " << a;
        }
        // Next to the marker the scale shows as built.
        const QPoint beside = style == qnHorizontal ? QPoint(51, Thickness - 1)
                                                    : QPoint(Thickness - 1, 51);
        EXPECT_EQ(shot.pixelColor(beside), ruler->ForeColor()) << what;
        EXPECT_EQ(shot.pixelColor(style == qnHorizontal ? QPoint(52, 14) : QPoint(14, 52)),
                  ruler->BackColor())
            << what;
    }
}

class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* E) override {
        if (E->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

TEST(TqnRulerTest, OnlyANewPositionRepaints) {
    TqnRuler ruler;
    ruler.resize(200, Thickness);
    ruler.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ruler));
    PaintCounter counter;
    ruler.installEventFilter(&counter);
    ruler.SetPosition(40);
    QCoreApplication::processEvents();
    const int afterMove = counter.Paints;
    EXPECT_GE(afterMove, 1);
    ruler.SetPosition(40);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.Paints, afterMove);
    EXPECT_EQ(ruler.Position(), 40);
}

TEST(TqnRulerTest, ReportsMouseReleasesWithButtonAndScreenPosition) {
    TqnRuler ruler;
    ruler.resize(200, Thickness);
    ruler.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ruler));
    QSignalSpy spy(&ruler, &TqnRuler::MouseReleased);
    QTest::mouseClick(&ruler, Qt::RightButton, {}, QPoint(30, 5));
    QTest::mouseClick(&ruler, Qt::LeftButton, {}, QPoint(60, 7));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(spy[0][1].toPoint(), ruler.mapToGlobal(QPoint(30, 5)));
    EXPECT_EQ(spy[1][0].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(spy[1][1].toPoint(), ruler.mapToGlobal(QPoint(60, 7)));
}

} // namespace
