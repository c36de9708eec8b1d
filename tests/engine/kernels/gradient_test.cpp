// Gradient renderers: hand-worked ramps (horizontal and vertical from one
// table), rectangle outlines pixel for pixel, the ellipse's shape, diagonal
// gradients at 0, 45 and 90 degrees, mirroring, hostile input, and the fast
// forms against plain per-pixel references over many random cases.

#include "kernels/gradient_reference.h"
#include "lxGradient.h"
#include "lxImage.h"
#include "picture_helpers.h"
#include "row_band_settings.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Expected colours are written red, green, blue.
Bgr rgb(int r, int g, int b) {
    return {uint8_t(b), uint8_t(g), uint8_t(r)};
}

// No renderer here produces it, so an untouched pixel stands out.
const Bgr kSentinel = rgb(7, 251, 9);

TColorlistItem stop(int r, int g, int b, double length = 0.0) {
    return {lxRGB(r, g, b), 0, length};
}

TColorlistItem systemStop(uint32_t colour, double length = 0.0) {
    return {colour, 0, length};
}

using Stops = std::vector<TColorlistItem>;
using PaintFn = std::function<void(QPainter&)>;

void paintOn(QImage& image, const PaintFn& paint) {
    QPainter painter(&image);
    paint(painter);
}

QImage sentinelPicture(int w, int h) {
    return solidBgr(w, h, kSentinel);
}

// Any picture read back as blue, green, red.
Bgr colourAt(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return rgb(qRed(c), qGreen(c), qBlue(c));
}

// The first pixel where two pictures differ, as text; empty when equal.
std::string firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(colourAt(a, x, y) == colourAt(b, x, y)))
                return "pixel " + std::to_string(x) + ", " + std::to_string(y);
    return {};
}

// ---- horizontal and vertical ramps ----

struct RampCase {
    const char* name;
    int extent;
    Stops stops;
    std::vector<Bgr> expected; // one colour per position along the ramp
};

void PrintTo(const RampCase& c, std::ostream* os) {
    *os << c.name;
}

class Ramp : public testing::TestWithParam<RampCase> {};

// Horizontal: a (extent + 4) x 4 picture with the ramp at (2, 1), extent x 2.
TEST_P(Ramp, Horizontal) {
    const RampCase& c = GetParam();
    QImage image = sentinelPicture(c.extent + 4, 4);
    paintOn(image, [&](QPainter& p) {
        FillGradientHorizontal(c.stops.data(), int(c.stops.size()), p, 2, 1, c.extent, 2);
    });
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = x >= 2 && x < 2 + c.extent && y >= 1 && y < 3;
            EXPECT_EQ(bgrAt(image, x, y), inside ? c.expected[size_t(x - 2)] : kSentinel)
                << "at " << x << ", " << y;
        }
}

// Vertical: the same ramp turned, at (1, 2), 2 x extent.
TEST_P(Ramp, Vertical) {
    const RampCase& c = GetParam();
    QImage image = sentinelPicture(4, c.extent + 4);
    paintOn(image, [&](QPainter& p) {
        FillGradientVertical(c.stops.data(), int(c.stops.size()), p, 1, 2, 2, c.extent);
    });
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = y >= 2 && y < 2 + c.extent && x >= 1 && x < 3;
            EXPECT_EQ(bgrAt(image, x, y), inside ? c.expected[size_t(y - 2)] : kSentinel)
                << "at " << x << ", " << y;
        }
}

// Segment k covers positions f .. f + g with t = (l - f) / g; segment lengths
// are N(E x Length) and the last segment runs to the far edge (g = E - 1 - f
// counted from the ramp's start). Worked per case:
INSTANTIATE_TEST_SUITE_P(
    Worked, Ramp,
    testing::Values(
        // E = 5, one segment, g = 4, t = 0, 1/4, 1/2, 3/4, 1:
        //   red 10 + 2t = 10, 10.5, 11, 11.5, 12 -> 10, 10, 11, 12, 12 (halves to even)
        //   green 11 + 2t = 11, 11.5, 12, 12.5, 13 -> 11, 12, 12, 12, 13
        //   blue 200 - 200t = 200, 150, 100, 50, 0
        RampCase{"HalvesToEven",
                 5,
                 {stop(10, 11, 200), stop(12, 13, 0)},
                 {rgb(10, 11, 200), rgb(10, 12, 150), rgb(11, 12, 100), rgb(12, 12, 50),
                  rgb(12, 13, 0)}},
        // E = 10, Length 0.25: g0 = N(2.5) = 2 (halves to even, not 3).
        //   0..2: t = l / 2 from (0, 0, 0) to (200, 100, 0);
        //   last: f = 2, g = 10 - 1 - 2 = 7, blue 70 (l - 2) / 7 = 10 (l - 2).
        RampCase{"ThreeStops",
                 10,
                 {stop(0, 0, 0, 0.25), stop(200, 100, 0, 0.5), stop(200, 100, 70)},
                 {rgb(0, 0, 0), rgb(100, 50, 0), rgb(200, 100, 0), rgb(200, 100, 10),
                  rgb(200, 100, 20), rgb(200, 100, 30), rgb(200, 100, 40), rgb(200, 100, 50),
                  rgb(200, 100, 60), rgb(200, 100, 70)}},
        // Length 0.04: g0 = N(0.4) = 0, so segment 0 draws line 0 in stop 0's
        // red; the last segment (f = 0, g = 9) draws line 0 again with stop 1:
        // the later wins, and green runs 90 l / 9 = 10 l.
        RampCase{"ZeroLengthSegmentLosesItsLine",
                 10,
                 {stop(250, 0, 0, 0.04), stop(0, 0, 0), stop(0, 90, 0)},
                 {rgb(0, 0, 0), rgb(0, 10, 0), rgb(0, 20, 0), rgb(0, 30, 0), rgb(0, 40, 0),
                  rgb(0, 50, 0), rgb(0, 60, 0), rgb(0, 70, 0), rgb(0, 80, 0), rgb(0, 90, 0)}},
        // A NaN length rounds to 0 and a negative one is held at 0: both as above.
        RampCase{"NaNLengthIsZero",
                 10,
                 {stop(250, 0, 0, kNaN), stop(0, 0, 0), stop(0, 90, 0)},
                 {rgb(0, 0, 0), rgb(0, 10, 0), rgb(0, 20, 0), rgb(0, 30, 0), rgb(0, 40, 0),
                  rgb(0, 50, 0), rgb(0, 60, 0), rgb(0, 70, 0), rgb(0, 80, 0), rgb(0, 90, 0)}},
        RampCase{"NegativeLengthIsZero",
                 10,
                 {stop(250, 0, 0, -3.0), stop(0, 0, 0), stop(0, 90, 0)},
                 {rgb(0, 0, 0), rgb(0, 10, 0), rgb(0, 20, 0), rgb(0, 30, 0), rgb(0, 40, 0),
                  rgb(0, 50, 0), rgb(0, 60, 0), rgb(0, 70, 0), rgb(0, 80, 0), rgb(0, 90, 0)}},
        // Length 0.9: g0 = 9, red 20 l, blue l; f = 9 and the last segment has
        // g = 10 - 1 - 9 = 0: line 9 keeps the pen's colour, stop 1, so stop 2
        // never shows.
        RampCase{"LastSegmentOfLengthZero",
                 10,
                 {stop(0, 0, 0, 0.9), stop(180, 0, 9), stop(0, 255, 255)},
                 {rgb(0, 0, 0), rgb(20, 0, 1), rgb(40, 0, 2), rgb(60, 0, 3), rgb(80, 0, 4),
                  rgb(100, 0, 5), rgb(120, 0, 6), rgb(140, 0, 7), rgb(160, 0, 8), rgb(180, 0, 9)}},
        // Lengths 0.2 + 0.2 < 1: g0 = g1 = 2, the last runs from 4 to 9 (g = 5).
        //   0..2 red 50 l; 2..4 green 50 (l - 2); 4..9 blue 250 (l - 4) / 5.
        RampCase{
            "LengthsBelowOneReachTheFarEdge",
            10,
            {stop(0, 0, 0, 0.2), stop(100, 0, 0, 0.2), stop(100, 100, 0, 0.2), stop(100, 100, 250)},
            {rgb(0, 0, 0), rgb(50, 0, 0), rgb(100, 0, 0), rgb(100, 50, 0), rgb(100, 100, 0),
             rgb(100, 100, 50), rgb(100, 100, 100), rgb(100, 100, 150), rgb(100, 100, 200),
             rgb(100, 100, 250)}},
        // Length 1.5: N(15) is held to the extent, g0 = 10, red 200 l / 10;
        // line 10 lies past the rectangle and is not drawn; the last segment
        // (f = 10, g = -1) draws nothing.
        RampCase{"OvershootStopsAtTheEdge",
                 10,
                 {stop(0, 0, 0, 1.5), stop(200, 0, 0), stop(0, 0, 255)},
                 {rgb(0, 0, 0), rgb(20, 0, 0), rgb(40, 0, 0), rgb(60, 0, 0), rgb(80, 0, 0),
                  rgb(100, 0, 0), rgb(120, 0, 0), rgb(140, 0, 0), rgb(160, 0, 0), rgb(180, 0, 0)}},
        RampCase{"HugeLengthIsHeldToTheExtent",
                 10,
                 {stop(0, 0, 0, 1e300), stop(200, 0, 0), stop(0, 0, 255)},
                 {rgb(0, 0, 0), rgb(20, 0, 0), rgb(40, 0, 0), rgb(60, 0, 0), rgb(80, 0, 0),
                  rgb(100, 0, 0), rgb(120, 0, 0), rgb(140, 0, 0), rgb(160, 0, 0), rgb(180, 0, 0)}},
        // Two stops: the one segment is the last and ignores its Length.
        // E = 4, g = 3: (30, 60, 90) l / 3.
        RampCase{"TwoStopsLengthOne",
                 4,
                 {stop(0, 0, 0, 1.0), stop(30, 60, 90)},
                 {rgb(0, 0, 0), rgb(10, 20, 30), rgb(20, 40, 60), rgb(30, 60, 90)}},
        RampCase{"TwoStopsLengthIgnored",
                 4,
                 {stop(0, 0, 0, 0.3), stop(30, 60, 90)},
                 {rgb(0, 0, 0), rgb(10, 20, 30), rgb(20, 40, 60), rgb(30, 60, 90)}},
        // One pixel wide, four stops: g0 = N(0.4) = 0 (redrawn by segment 1);
        // g1 = N(1.0) = 1 draws line 0 with stop 1 and line 1 (outside);
        // the last has f = 1, g = 1 - 1 - 1 = -1 and draws nothing.
        RampCase{"OnePixelWide",
                 1,
                 {stop(1, 2, 3, 0.4), stop(100, 110, 120, 1.0), stop(200, 0, 0), stop(0, 200, 0)},
                 {rgb(100, 110, 120)}},
        // One pixel wide, every segment of length 0: the last (g = 0) draws
        // with the pen, which starts as stop 0.
        RampCase{"OnePixelWideKeepsTheFirstColour",
                 1,
                 {stop(1, 2, 3, 0.5), stop(100, 110, 120), stop(200, 0, 0)},
                 {rgb(1, 2, 3)}},
        // A single stop has no segment: the rectangle takes its colour.
        RampCase{"OneStopFills",
                 3,
                 {stop(40, 50, 60, 0.5)},
                 {rgb(40, 50, 60), rgb(40, 50, 60), rgb(40, 50, 60)}},
        // The window system colour (0x80000005) is white: g = 2,
        // t = 1/2 gives N(127.5) = 128 in each channel.
        RampCase{"SystemColourResolves",
                 3,
                 {systemStop(0x80000005), stop(0, 0, 0)},
                 {rgb(255, 255, 255), rgb(128, 128, 128), rgb(0, 0, 0)}}),
    [](const testing::TestParamInfo<RampCase>& info) { return std::string(info.param.name); });

// Counts below 1, missing stops and empty rectangles leave the picture alone.
TEST(Gradients, DrawNothingWithoutStopsOrArea) {
    const Stops two = {stop(0, 0, 0), stop(255, 255, 255)};
    const std::vector<std::pair<
        std::string, std::function<void(QPainter&, const TColorlistItem*, int, int, int)>>>
        renderers = {
            {"horizontal", [](QPainter& p, const TColorlistItem* s, int n, int w,
                              int h) { FillGradientHorizontal(s, n, p, 0, 0, w, h); }},
            {"vertical", [](QPainter& p, const TColorlistItem* s, int n, int w,
                            int h) { FillGradientVertical(s, n, p, 0, 0, w, h); }},
            {"rectangle", [](QPainter& p, const TColorlistItem* s, int n, int w,
                             int h) { FillGradientRectangle(s, n, p, 0, 0, w, h); }},
            {"ellipse", [](QPainter& p, const TColorlistItem* s, int n, int w,
                           int h) { FillGradientEllipse(s, n, p, 0, 0, w, h); }},
            {"diagonal", [](QPainter& p, const TColorlistItem* s, int n, int w,
                            int h) { FillGradientDiagonal(s, n, p, 0.5, w, h); }},
            {"mirrored", [](QPainter& p, const TColorlistItem* s, int n, int w,
                            int h) { FillGradientDiagonalMirrored(s, n, p, 0.5, w, h); }},
        };
    struct Input {
        const TColorlistItem* stops;
        int count, w, h;
    };
    const Input inputs[] = {{two.data(), 0, 8, 8}, {two.data(), -5, 8, 8}, {nullptr, 2, 8, 8},
                            {two.data(), 2, 0, 8}, {two.data(), 2, 8, 0},  {two.data(), 2, -3, 8},
                            {two.data(), 2, 8, -3}};
    for (const auto& [name, render] : renderers)
        for (const Input& in : inputs) {
            SCOPED_TRACE(name + " count " + std::to_string(in.count) + " size " +
                         std::to_string(in.w) + " x " + std::to_string(in.h));
            QImage image = sentinelPicture(8, 8);
            paintOn(image, [&](QPainter& p) { render(p, in.stops, in.count, in.w, in.h); });
            EXPECT_EQ(firstDifference(image, sentinelPicture(8, 8)), "");
        }
}

// ---- rectangle ----

using Rows = std::vector<std::vector<int>>;

// A picture's red values, row by row.
std::vector<std::vector<int>> redRows(const QImage& image) {
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x)
            rows.back().push_back(bgrAt(image, x, y).r);
    }
    return rows;
}

// Outline step d (steps along the longer side; here Width >= Height):
// columns cx - d .. cx + d - 1 and rows N(cy - u) .. N(cy + u) - 1 with
// u = d * Height / Width, (cx, cy) = (Left + hw, Top + hh).
//
// 7 x 5 at (0, 0): hw = 3, hh = 2, g = 3, colour(d) = (30 d, 10 d, 20 d).
//   d = 0: empty.
//   d = 1: u = 0.714, rows N(1.286) = 1 .. N(2.714) - 1 = 2, columns 2..3.
//   d = 2: u = 1.429, rows N(0.571) = 1 .. N(3.429) - 1 = 2, columns 1..4:
//          two rows, so every pixel is border; covers d = 1.
//   d = 3: u = 2.143, rows N(-0.143) = 0 .. N(4.143) - 1 = 3, columns 0..5.
// Column 6 and row 4 (odd sizes) are left to the caller's fill.
TEST(GradientRectangle, SevenByFiveEveryPixel) {
    QImage image = sentinelPicture(7, 5);
    const Stops stops = {stop(0, 0, 0), stop(90, 30, 60)};
    paintOn(image, [&](QPainter& p) { FillGradientRectangle(stops.data(), 2, p, 0, 0, 7, 5); });
    const Bgr S = kSentinel, A = rgb(60, 20, 40), B = rgb(90, 30, 60);
    const Bgr expected[5][7] = {{B, B, B, B, B, B, S},
                                {B, A, A, A, A, B, S},
                                {B, A, A, A, A, B, S},
                                {B, B, B, B, B, B, S},
                                {S, S, S, S, S, S, S}};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(bgrAt(image, x, y), expected[y][x]) << "at " << x << ", " << y;
}

struct RectCase {
    const char* name;
    int w, h, left, top;
    Bgr centre;                    // the 2 x 2 pixels around (cx, cy)
    std::vector<QPoint> probes;    // more pixels ...
    std::vector<Bgr> probeColours; // ... and their colours
};

void PrintTo(const RectCase& c, std::ostream* os) {
    *os << c.name;
}

class RectangleCentreAndBorder : public testing::TestWithParam<RectCase> {};

// Stops (0, 0, 0) -> (200, 100, 250) or (250, 0, 0) -> (0, 0, 250); the
// whole border of an even-sized rectangle is the last outline, d = hw (or
// hh): the last stop. Outside stays untouched.
TEST_P(RectangleCentreAndBorder, Colours) {
    const RectCase& c = GetParam();
    const bool wide = c.w >= c.h;
    const Stops stops =
        wide ? Stops{stop(0, 0, 0), stop(200, 100, 250)} : Stops{stop(250, 0, 0), stop(0, 0, 250)};
    const Bgr last = wide ? rgb(200, 100, 250) : rgb(0, 0, 250);
    QImage image = sentinelPicture(c.w + c.left + 2, c.h + c.top + 2);
    paintOn(image, [&](QPainter& p) {
        FillGradientRectangle(stops.data(), 2, p, c.left, c.top, c.w, c.h);
    });
    const int cx = c.left + c.w / 2, cy = c.top + c.h / 2;
    for (const QPoint& q :
         {QPoint(cx - 1, cy - 1), QPoint(cx, cy - 1), QPoint(cx - 1, cy), QPoint(cx, cy)})
        EXPECT_EQ(bgrAt(image, q.x(), q.y()), c.centre) << "centre " << q.x() << ", " << q.y();
    for (size_t k = 0; k < c.probes.size(); ++k)
        EXPECT_EQ(bgrAt(image, c.probes[k].x(), c.probes[k].y()), c.probeColours[k])
            << "at " << c.probes[k].x() << ", " << c.probes[k].y();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool inX = x >= c.left && x < c.left + c.w;
            const bool inY = y >= c.top && y < c.top + c.h;
            const bool border =
                inX && inY &&
                (x == c.left || x == c.left + c.w - 1 || y == c.top || y == c.top + c.h - 1);
            if (border) {
                EXPECT_EQ(bgrAt(image, x, y), last) << "border " << x << ", " << y;
            } else if (!(inX && inY)) {
                EXPECT_EQ(bgrAt(image, x, y), kSentinel) << "outside " << x << ", " << y;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(
    Worked, RectangleCentreAndBorder,
    testing::Values(
        // 20 x 12 at (0, 0): steps along x, g = hw = 10, colour(d) = (20 d, 10 d, 25 d),
        // u = 0.6 d, centre (10, 6).
        //   d = 1: rows N(5.4) = 5 .. N(6.6) - 1 = 6, columns 9..10: the centre.
        //   d = 2: rows N(4.8) = 5 .. N(7.2) - 1 = 6, columns 8..11: two rows,
        //          all border, so the centre ends as colour(2) = (40, 20, 50).
        //   d = 3: rows N(4.2) = 4 .. 7, columns 7..12; the sides (7, 5) and
        //          (12, 6) stay colour(3): later outlines have columns <= 6 or
        //          rows <= 4 and >= 7.
        //   d = 4: u = 2.4, rows N(3.6) = 4 .. N(8.4) - 1 = 7: row 4 again, so
        //          (10, 4) ends as colour(4) = (80, 40, 100).
        //   d = 10: u = 6, rows 0 .. 11, columns 0 .. 19: the border.
        RectCase{"Wide",
                 20,
                 12,
                 0,
                 0,
                 rgb(40, 20, 50),
                 {QPoint(7, 5), QPoint(12, 6), QPoint(10, 4)},
                 {rgb(60, 30, 75), rgb(60, 30, 75), rgb(80, 40, 100)}},
        // 6 x 10 at (2, 1): steps along y from Top, g = hh = 5,
        // colour(d) = (250 - 50 d, 0, 50 d), u = 0.6 d, centre (5, 6).
        //   d = 1: columns N(4.4) = 4 .. N(5.6) - 1 = 5, rows 5..6.
        //   d = 2: columns N(3.8) = 4 .. N(6.2) - 1 = 5, rows 4..7: two
        //          columns, all border: the centre ends as (150, 0, 100).
        //   d = 3: columns N(3.2) = 3 .. N(6.8) - 1 = 6, rows 3..8; (4, 3)
        //          is on its top row: (100, 0, 150).
        //   d = 4: u = 2.4, columns N(2.6) = 3 .. N(7.4) - 1 = 6 again, rows
        //          2..9: its left side repaints (3, 5) with (50, 0, 200).
        //   d = 5: columns 2..7, rows 1..10: the border.
        RectCase{"Tall",
                 6,
                 10,
                 2,
                 1,
                 rgb(150, 0, 100),
                 {QPoint(4, 3), QPoint(3, 5)},
                 {rgb(100, 0, 150), rgb(50, 0, 200)}}),
    [](const testing::TestParamInfo<RectCase>& info) { return std::string(info.param.name); });

// Rows at u = 0.5 and 1.5 round to even, so the picture depends on the
// parity of the centre row. 8 x 4: hw = 4, hh = 2, u = d / 2, g = 4,
// colour(d) = 50 d.
//   Top 0 (cy = 2):  d = 1: rows N(1.5) = 2 .. N(2.5) - 1 = 1: nothing.
//                    d = 2: rows 1..2, columns 2..5 (all border): 100.
//                    d = 3: rows N(0.5) = 0 .. N(3.5) - 1 = 3, columns 1..6: 150.
//                    d = 4: rows 0..3, columns 0..7: 200.
//   Top 1 (cy = 3):  d = 1: rows N(2.5) = 2 .. N(3.5) - 1 = 3, columns 3..4.
//                    d = 2: rows 2..3, columns 2..5; d = 3: rows N(1.5) = 2 ..
//                    N(4.5) - 1 = 3, columns 1..6: both all border, 150 wins.
//                    d = 4: rows 1..4, columns 0..7: 200.
// Rounding halves up would give rows 1..3 at d = 3 with Top 0 instead.
TEST(GradientRectangle, HalfStepRowsRoundToEven) {
    const Stops stops = {stop(0, 0, 0), stop(200, 0, 0)};
    QImage atTop = sentinelPicture(8, 4);
    paintOn(atTop, [&](QPainter& p) { FillGradientRectangle(stops.data(), 2, p, 0, 0, 8, 4); });
    QImage lower = sentinelPicture(8, 5);
    paintOn(lower, [&](QPainter& p) { FillGradientRectangle(stops.data(), 2, p, 0, 1, 8, 4); });
    const std::vector<int> edge(8, 200);
    const Rows expectedTop = {edge,
                              {200, 150, 100, 100, 100, 100, 150, 200},
                              {200, 150, 100, 100, 100, 100, 150, 200},
                              edge};
    const Rows expectedLower = {std::vector<int>(8, kSentinel.r),
                                edge,
                                {200, 150, 150, 150, 150, 150, 150, 200},
                                {200, 150, 150, 150, 150, 150, 150, 200},
                                edge};
    EXPECT_EQ(redRows(atTop), expectedTop);
    EXPECT_EQ(redRows(lower), expectedLower);
}

// ---- ellipse ----

struct EllipseSize {
    int w, h;
};

// Pixels whose centre lies well inside the largest outline (centred on
// (Left + hw, Top + hh) with semi-axes hw, hh).
bool wellInside(int x, int y, int left, int top, int w, int h) {
    const double hw = w / 2, hh = h / 2;
    if (hw < 1 || hh < 1) return false;
    const double px = (x + 0.5 - (left + hw)) / hw, py = (y + 0.5 - (top + hh)) / hh;
    return px * px + py * py < 0.85;
}

// Red runs 0 -> 250 from the centre outwards. Every pixel inside is painted
// (consecutive two-pixel rings overlap), nothing outside the rectangle is,
// the ends of the axes carry the last stop, the centre lies within two steps
// of stop 0, and red never decreases from the centre along the axes.
TEST(GradientEllipse, ConcentricWithoutGaps) {
    const Stops stops = {stop(0, 0, 0), stop(250, 0, 0)};
    const EllipseSize sizes[] = {{2, 2},    {4, 4},     {2, 7},    {7, 2},   {3, 100},
                                 {100, 3},  {20, 12},   {12, 20},  {33, 34}, {101, 57},
                                 {57, 101}, {640, 480}, {301, 900}};
    for (const EllipseSize& s : sizes) {
        SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
        const int left = 3, top = 2;
        QImage image = sentinelPicture(s.w + 6, s.h + 4);
        paintOn(image,
                [&](QPainter& p) { FillGradientEllipse(stops.data(), 2, p, left, top, s.w, s.h); });
        int gaps = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool painted = !(bgrAt(image, x, y) == kSentinel);
                const bool inRect = x >= left && x < left + s.w && y >= top && y < top + s.h;
                if (!inRect && painted) ++outside;
                if (wellInside(x, y, left, top, s.w, s.h) && !painted) ++gaps;
            }
        EXPECT_EQ(gaps, 0);
        EXPECT_EQ(outside, 0);
        const int hw = s.w / 2, hh = s.h / 2, cx = left + hw, cy = top + hh;
        const Bgr last = rgb(250, 0, 0);
        if (s.w % 2 == 0 && s.h % 2 == 0) {
            EXPECT_EQ(bgrAt(image, left, cy), last);
            EXPECT_EQ(bgrAt(image, left + s.w - 1, cy), last);
            EXPECT_EQ(bgrAt(image, cx, top), last);
            EXPECT_EQ(bgrAt(image, cx, top + s.h - 1), last);
        }
        // Steps run along the longer side, g = half of it: two steps of
        // colour are 2 x 250 / g. (In a shape only a few pixels across, the
        // two-pixel rings of the outer steps reach over the centre.)
        const int g = std::max(hw, hh);
        if (std::min(hw, hh) >= 4) {
            EXPECT_LE(bgrAt(image, cx, cy).r, 2 * 250 / g + 1);
        }
        int previous = -1;
        for (int x = cx; x < left + 2 * hw; ++x) {
            const int red = bgrAt(image, x, cy).r;
            EXPECT_GE(red, previous) << "along x at " << x;
            previous = red;
        }
        previous = -1;
        for (int y = cy; y < top + 2 * hh; ++y) {
            const int red = bgrAt(image, cx, y).r;
            EXPECT_GE(red, previous) << "along y at " << y;
            previous = red;
        }
    }
}

// ---- diagonal ----

QImage rendered(const Stops& stops, int w, int h, double slope) {
    QImage image;
    EXPECT_TRUE(RenderDiagonalGradient(stops.data(), int(stops.size()), h, w, slope, image));
    EXPECT_EQ(image.format(), QImage::Format_BGR888);
    EXPECT_EQ(image.size(), QSize(w, h));
    return image;
}

// theta = 0: P = N(i), corners give Pmin = 0, Pmax = W = 4, d = i / 4; one
// segment of length 1, red 200 d = 0, 50, 100, 150 in every row. The last
// column is not the last stop: the corner at i = W lies past it.
TEST(DiagonalGradient, ZeroDegreesRunsLeftToRight) {
    const Stops stops = {stop(0, 0, 7, 1.0), stop(200, 0, 7)};
    const QImage image = rendered(stops, 4, 3, 0.0);
    EXPECT_EQ(redRows(image), (Rows{{0, 50, 100, 150}, {0, 50, 100, 150}, {0, 50, 100, 150}}));
    EXPECT_EQ(bgrAt(image, 3, 2), rgb(150, 0, 7));
}

// theta = 90: cos is 6e-17 and sin 1, so P = -j with j = H - 1 - y; corners
// give Pmin = -4, Pmax = 0; d = (4 - j) / 4 = (y + 1) / 4: rows 50, 100,
// 150, and the bottom row d = 1 is not below S = 1, so it takes the last
// stop, 200.
TEST(DiagonalGradient, NinetyDegreesRunsTopToBottom) {
    const Stops stops = {stop(0, 0, 7, 1.0), stop(200, 0, 7)};
    EXPECT_EQ(redRows(rendered(stops, 3, 4, 1.0)),
              (Rows{{50, 50, 50}, {100, 100, 100}, {150, 150, 150}, {200, 200, 200}}));
}

// theta = 45 on 4 x 4: cos = sin = 0.7071 (cos larger by one unit in the
// last place, so i = j gives a tiny positive value, N = 0). With k = i - j =
// i + y - 3: P = N(0.7071 k) = -2, -1, -1, 0, 1, 1, 2 for k = -3 .. 3.
// Corners: 0, N(-2.83) = -3, N(2.83) = 3, 0: Pmin = -3, Pmax = 3,
// d = (P + 3) / 6 and red 240 d = 40 (P + 3).
const Rows kFortyFive = {
    {40, 80, 80, 120}, {80, 80, 120, 160}, {80, 120, 160, 160}, {120, 160, 160, 200}};

TEST(DiagonalGradient, FortyFiveDegreesRunsFromTopLeft) {
    const Stops stops = {stop(0, 0, 7, 1.0), stop(240, 0, 7)};
    EXPECT_EQ(redRows(rendered(stops, 4, 4, 0.5)), kFortyFive);
}

// The mirrored variant is each row reversed: from the top-right corner.
TEST(DiagonalGradient, MirroredFortyFiveRunsFromTopRight) {
    const Stops stops = {stop(0, 0, 7, 1.0), stop(240, 0, 7)};
    QImage image = sentinelPicture(4, 4);
    paintOn(image,
            [&](QPainter& p) { FillGradientDiagonalMirrored(stops.data(), 2, p, 0.5, 4, 4); });
    Rows expected = kFortyFive;
    for (auto& row : expected)
        std::reverse(row.begin(), row.end());
    EXPECT_EQ(redRows(image), expected);
    QImage plain = sentinelPicture(4, 4);
    paintOn(plain, [&](QPainter& p) { FillGradientDiagonal(stops.data(), 2, p, 0.5, 4, 4); });
    EXPECT_EQ(redRows(plain), kFortyFive);
}

// theta = 0 over 8 columns, d = i / 8, lengths 0.25 + 0.25 = 0.5:
//   i = 0, 1: segment 0, t = d / 0.25 = 0, 1/2: red 0, 50.
//   i = 2, 3: segment 1 (S = 0.5), t = (d - 0.25) / 0.25 = 0, 1/2:
//             green 0, 100 from (100, 0, 0) to (100, 200, 0).
//   i >= 4: d >= 0.5 = the sum: the last stop, (100, 200, 0).
TEST(DiagonalGradient, LengthsBelowOneLeaveTheLastColour) {
    const Stops stops = {stop(0, 0, 0, 0.25), stop(100, 0, 0, 0.25), stop(100, 200, 0, 0.7)};
    const QImage image = rendered(stops, 8, 1, 0.0);
    const Bgr expected[8] = {rgb(0, 0, 0),     rgb(50, 0, 0),    rgb(100, 0, 0),
                             rgb(100, 100, 0), rgb(100, 200, 0), rgb(100, 200, 0),
                             rgb(100, 200, 0), rgb(100, 200, 0)};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(bgrAt(image, x, 0), expected[x]) << "column " << x;
}

// Window colour to black at theta = 0, W = 2: d = 0 is white, d = 1/2 gives
// N(127.5) = 128. One stop: no segment, every pixel the last (only) stop.
// No stops: every pixel is still written, black.
TEST(DiagonalGradient, SystemColourOneStopAndNoStops) {
    const QImage sys = rendered({systemStop(0x80000005, 1.0), stop(0, 0, 0)}, 2, 1, 0.0);
    EXPECT_EQ(bgrAt(sys, 0, 0), rgb(255, 255, 255));
    EXPECT_EQ(bgrAt(sys, 1, 0), rgb(128, 128, 128));
    const QImage one = rendered({stop(9, 8, 7, 0.5)}, 3, 2, 0.3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bgrAt(one, x, y), rgb(9, 8, 7));
    QImage none;
    ASSERT_TRUE(RenderDiagonalGradient(nullptr, 0, 2, 3, 0.3, none));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bgrAt(none, x, y), rgb(0, 0, 0));
}

// Pictures past the engine's limits are refused before anything is
// allocated; empty sizes give an empty picture.
TEST(DiagonalGradient, SizeLimits) {
    const Stops stops = {stop(0, 0, 0, 1.0), stop(255, 255, 255)};
    QImage image = sentinelPicture(2, 2);
    EXPECT_FALSE(RenderDiagonalGradient(stops.data(), 2, 20001, 20000, 0.5, image));
    EXPECT_FALSE(
        RenderDiagonalGradient(stops.data(), 2, 1, TlxImage::MaxPictureSide + 1, 0.5, image));
    EXPECT_TRUE(RenderDiagonalGradient(stops.data(), 2, 0, 5, 0.5, image));
    EXPECT_TRUE(image.isNull());
    // Height comes before Width.
    ASSERT_TRUE(RenderDiagonalGradient(stops.data(), 2, 3, 5, 0.5, image));
    EXPECT_EQ(image.size(), QSize(5, 3));
}

// ---- mirroring ----

// The 3 x 2 picture  A B C  becomes  C B A ; each pixel keeps its byte
//                    D E F           F E D
// order, and the row padding (3 bytes after the 9 of each row) stays put.
TEST(MirrorBitmap, SwapsEachRowEndForEnd) {
    QImage image(3, 2, QImage::Format_BGR888);
    ASSERT_EQ(image.bytesPerLine(), 12);
    for (int n = 0; n < 6; ++n)
        setBgr(image, n % 3, n / 3,
               Bgr{uint8_t(10 * n + 1), uint8_t(10 * n + 2), uint8_t(10 * n + 3)});
    for (int y = 0; y < 2; ++y)
        for (int k = 9; k < 12; ++k)
            image.scanLine(y)[k] = uint8_t(0xE0 + k);
    ASSERT_TRUE(MirrorBitmapHorizontal(image));
    const int letters[6] = {2, 1, 0, 5, 4, 3};
    for (int k = 0; k < 6; ++k) {
        const int n = letters[k];
        EXPECT_EQ(bgrAt(image, k % 3, k / 3),
                  (Bgr{uint8_t(10 * n + 1), uint8_t(10 * n + 2), uint8_t(10 * n + 3)}))
            << "pixel " << k;
    }
    for (int y = 0; y < 2; ++y)
        for (int k = 9; k < 12; ++k)
            EXPECT_EQ(image.constScanLine(y)[k], 0xE0 + k);
    QImage empty;
    EXPECT_TRUE(MirrorBitmapHorizontal(empty));
}

// ---- hostile input ----

// Very many stops of length 0: every segment but the last has no length,
// so the result is the two-stop gradient of the last two stops.
TEST(Gradients, ManyZeroLengthStopsActLikeTheLastTwo) {
    Stops many(200000, stop(255, 0, 0, 0.0));
    many[many.size() - 2] = stop(0, 0, 0, 0.0);
    many.back() = stop(0, 100, 250);
    const Stops two = {stop(0, 0, 0), stop(0, 100, 250)};
    const std::vector<std::pair<std::string, std::function<void(QPainter&, const Stops&)>>>
        renderers = {{"horizontal",
                      [](QPainter& p, const Stops& s) {
                          FillGradientHorizontal(s.data(), int(s.size()), p, 1, 1, 30, 20);
                      }},
                     {"rectangle",
                      [](QPainter& p, const Stops& s) {
                          FillGradientRectangle(s.data(), int(s.size()), p, 1, 1, 30, 20);
                      }},
                     {"ellipse", [](QPainter& p, const Stops& s) {
                          FillGradientEllipse(s.data(), int(s.size()), p, 1, 1, 30, 20);
                      }}};
    for (const auto& [name, render] : renderers) {
        SCOPED_TRACE(name);
        QImage a = sentinelPicture(32, 22), b = sentinelPicture(32, 22);
        paintOn(a, [&](QPainter& p) { render(p, many); });
        paintOn(b, [&](QPainter& p) { render(p, two); });
        EXPECT_EQ(firstDifference(a, b), "");
    }
}

// Rectangles far larger than the picture, or far off it, finish and paint
// what falls inside. A ramp from x = -1e9 over 2e9 columns has at x = 0
// t = 1e9 / (2e9 - 1) = 0.50000000025: red 100.
TEST(Gradients, HugeRectanglesPaintWhatFallsInside) {
    const Stops stops = {stop(0, 0, 0, 0.5), stop(200, 0, 0, 0.5), stop(200, 200, 0)};
    const Stops two = {stop(0, 0, 0), stop(200, 0, 0)};
    QImage image = sentinelPicture(16, 16);
    paintOn(image, [&](QPainter& p) {
        FillGradientHorizontal(two.data(), 2, p, -1000000000, 0, 2000000000, 16);
    });
    EXPECT_EQ(bgrAt(image, 0, 5), rgb(100, 0, 0));
    for (const bool ellipse : {false, true}) {
        SCOPED_TRACE(ellipse ? "ellipse" : "rectangle");
        QImage centre = sentinelPicture(40, 40);
        paintOn(centre, [&](QPainter& p) {
            // Centred on (20, 20): Left + hw = -14980 + 15000.
            if (ellipse)
                FillGradientEllipse(stops.data(), 3, p, -14980, -14980, 30000, 30000);
            else
                FillGradientRectangle(stops.data(), 3, p, -14980, -14980, 30000, 30000);
        });
        // Near the centre the colours belong to the first segment, close to stop 0.
        EXPECT_LT(bgrAt(centre, 20, 20).r, 10);
        EXPECT_FALSE(bgrAt(centre, 0, 0) == kSentinel);
        QImage far = sentinelPicture(8, 8);
        paintOn(far, [&](QPainter& p) {
            if (ellipse)
                FillGradientEllipse(stops.data(), 3, p, INT_MAX - 10, INT_MAX - 10, INT_MAX,
                                    INT_MAX);
            else
                FillGradientRectangle(stops.data(), 3, p, INT_MIN, INT_MIN, 30000, 30000);
        });
        EXPECT_EQ(firstDifference(far, sentinelPicture(8, 8)), "");
    }
}

// ---- plain references and random cases ----

int channelOf(uint32_t colour, int shift) {
    return int(ResolveColor(colour) >> shift & 255);
}

Bgr mixReference(const TColorlistItem& a, double t, const TColorlistItem& b) {
    int out[3];
    for (int k = 0; k < 3; ++k) {
        const double c0 = channelOf(a.Color, 8 * k), c1 = channelOf(b.Color, 8 * k);
        out[k] = std::clamp(RoundEven(c0 + t * (c1 - c0)), 0, 255);
    }
    return rgb(out[0], out[1], out[2]);
}

Bgr solidReference(const TColorlistItem& a) {
    return rgb(channelOf(a.Color, 0), channelOf(a.Color, 8), channelOf(a.Color, 16));
}

// The line and outline renderers written out step by step, every step
// drawn in order, the pixels kept to the rectangle and the picture.
void referenceSteps(const Stops& stops, QImage& image, int Left, int Top, int Width, int Height,
                    int kind /* 0 horizontal, 1 vertical, 2 rectangle */) {
    auto plot = [&](qint64 x, qint64 y, Bgr c) {
        if (x >= Left && x < qint64(Left) + Width && y >= Top && y < qint64(Top) + Height &&
            x >= 0 && y >= 0 && x < image.width() && y < image.height())
            setBgr(image, int(x), int(y), c);
    };
    const int count = int(stops.size());
    if (count == 1) {
        for (qint64 y = Top; y < qint64(Top) + Height; ++y)
            for (qint64 x = Left; x < qint64(Left) + Width; ++x)
                plot(x, y, solidReference(stops[0]));
        return;
    }
    const int hw = Width / 2, hh = Height / 2;
    const bool alongY = kind == 1 || (kind == 2 && Width < Height);
    qint64 s0, E;
    double scale;
    qint64 lastEnd;
    if (kind < 2) {
        s0 = alongY ? Top : Left;
        E = alongY ? Height : Width;
        scale = double(E);
        lastEnd = s0 + E - 1;
    } else {
        s0 = alongY ? Top : Left;
        E = alongY ? Height : Width;
        scale = double(E) / 2.0;
        lastEnd = s0 + (alongY ? hh : hw);
    }
    Bgr pen = solidReference(stops[0]);
    qint64 f = s0;
    for (int k = 0; k + 1 < count; ++k) {
        const qint64 g =
            k + 2 == count ? lastEnd - f : qint64(RoundEven(scale * stops[size_t(k)].Length));
        for (qint64 l = f; l <= f + g; ++l) {
            if (g != 0)
                pen =
                    mixReference(stops[size_t(k)], double(l - f) / double(g), stops[size_t(k + 1)]);
            if (kind == 0) {
                for (qint64 y = Top; y < qint64(Top) + Height; ++y)
                    plot(l, y, pen);
            } else if (kind == 1) {
                for (qint64 x = Left; x < qint64(Left) + Width; ++x)
                    plot(x, l, pen);
            } else {
                qint64 x1, y1, x2, y2;
                if (alongY) {
                    const double u = double((l - Top) * Width) / Height;
                    x1 = RoundEven(Left + hw - u);
                    x2 = RoundEven(Left + hw + u);
                    y1 = hh + 2 * qint64(Top) - l;
                    y2 = hh + l;
                } else {
                    const double u = double((l - Left) * Height) / Width;
                    x1 = hw + 2 * qint64(Left) - l;
                    x2 = hw + l;
                    y1 = RoundEven(Top + hh - u);
                    y2 = RoundEven(Top + hh + u);
                }
                if (x2 <= x1 || y2 <= y1) continue;
                for (qint64 x = x1; x < x2; ++x) {
                    plot(x, y1, pen);
                    plot(x, y2 - 1, pen);
                }
                for (qint64 y = y1; y < y2; ++y) {
                    plot(x1, y, pen);
                    plot(x2 - 1, y, pen);
                }
            }
        }
        f += g;
    }
}

// The diagonal gradient per pixel, straight from its definition.
QImage referenceDiagonal(const Stops& stops, int W, int H, double slope, bool mirrored) {
    QImage image(W, H, QImage::Format_BGR888);
    int theta = RoundEven(slope * 90.0) % 360;
    if (theta < 0) theta += 360;
    const double radians = double(theta) * 3.14159265358979323846 / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    auto P = [&](int i, int j) { return RoundEven(double(i) * c - double(j) * s); };
    const int corners[4] = {P(0, 0), P(0, H), P(W, 0), P(W, H)};
    const int pmin = *std::min_element(corners, corners + 4);
    const int pmax = *std::max_element(corners, corners + 4);
    const int count = int(stops.size());
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < W; ++i) {
            const int j = H - 1 - y;
            const double d = pmax == pmin ? 0.0 : double(P(i, j) - pmin) / double(pmax - pmin);
            Bgr colour = solidReference(stops.back());
            double S = 0.0;
            for (int k = 0; k + 1 < count; ++k) {
                const double L = stops[size_t(k)].Length;
                S += L;
                if (d < S) {
                    colour =
                        mixReference(stops[size_t(k)], (d - (S - L)) / L, stops[size_t(k + 1)]);
                    break;
                }
            }
            setBgr(image, mirrored ? W - 1 - i : i, y, colour);
        }
    return image;
}

uint32_t randomColour(std::mt19937& rng) {
    if (rng() % 8 == 0) return 0x80000000u | (rng() % 31); // a system colour
    return rng() & 0xFFFFFF;
}

// Lengths mostly sensible, with zeros, exact quarters and sums past 1.
double randomLength(std::mt19937& rng, bool hostile) {
    switch (rng() % (hostile ? 9 : 6)) {
    case 0:
        return 0.0;
    case 1:
        return 0.25 * double(rng() % 5);
    case 6:
        return -std::ldexp(double(rng() % 100), -6);
    case 7:
        return kNaN;
    case 8:
        return 1e9;
    default:
        return std::uniform_real_distribution<double>(0.0, 0.6)(rng);
    }
}

Stops randomStops(std::mt19937& rng, bool hostile) {
    Stops stops(1 + rng() % 7);
    for (TColorlistItem& s : stops)
        s = {randomColour(rng), uint32_t(rng()), randomLength(rng, hostile)};
    return stops;
}

// Written into the picture directly, on a 32-bit picture, through the
// painter (a clip forces it), and through a translated painter: the same
// pixels as the plain step-by-step drawing. Rectangles of 1..40 pixels,
// partly off a 32 x 24 picture. Replay case n by starting the loop there.
TEST(Gradients, LinesAndRectanglesMatchTheReference) {
    std::mt19937 rng(20240611);
    for (int n = 0; n < 300; ++n) {
        const int kind = int(rng() % 3);
        const Stops stops = randomStops(rng, false);
        const int W = 1 + int(rng() % 40), H = 1 + int(rng() % 40);
        const int Left = int(rng() % 40) - 12, Top = int(rng() % 30) - 10;
        const int count = int(stops.size());
        auto render = [&](QPainter& p, int left, int top) {
            if (kind == 0) FillGradientHorizontal(stops.data(), count, p, left, top, W, H);
            if (kind == 1) FillGradientVertical(stops.data(), count, p, left, top, W, H);
            if (kind == 2) FillGradientRectangle(stops.data(), count, p, left, top, W, H);
        };
        SCOPED_TRACE("case " + std::to_string(n) + ": kind " + std::to_string(kind) + ", " +
                     std::to_string(W) + " x " + std::to_string(H) + " at " + std::to_string(Left) +
                     ", " + std::to_string(Top) + ", " + std::to_string(count) + " stops");
        QImage expected = sentinelPicture(32, 24);
        referenceSteps(stops, expected, Left, Top, W, H, kind);

        QImage direct = sentinelPicture(32, 24);
        paintOn(direct, [&](QPainter& p) { render(p, Left, Top); });
        ASSERT_EQ(firstDifference(direct, expected), "") << "direct";

        QImage wide = sentinelPicture(32, 24).convertToFormat(QImage::Format_RGB32);
        paintOn(wide, [&](QPainter& p) { render(p, Left, Top); });
        ASSERT_EQ(firstDifference(wide, expected), "") << "32-bit";

        QImage clipped = sentinelPicture(32, 24);
        paintOn(clipped, [&](QPainter& p) {
            p.setClipRect(clipped.rect());
            render(p, Left, Top);
        });
        ASSERT_EQ(firstDifference(clipped, expected), "") << "painter";

        // Even shifts only: N(a + k) = N(a) + k holds for even k, while an odd
        // k moves a half to the other even neighbour and changes the outline.
        const int dx = 2 * (int(rng() % 11) - 5), dy = 2 * (int(rng() % 11) - 5);
        QImage moved = sentinelPicture(32, 24);
        paintOn(moved, [&](QPainter& p) {
            p.translate(dx, dy);
            render(p, Left - dx, Top - dy);
        });
        ASSERT_EQ(firstDifference(moved, expected), "") << "translated by " << dx << ", " << dy;
    }
}

// RenderDiagonalGradient's table against the per-pixel definition, with
// hostile lengths (negative, NaN, huge) and slopes anywhere; and the fill
// renderers, writing straight into 24- and 32-bit pictures or drawing the
// rendered (and mirrored) picture through the painter, give the same.
TEST(DiagonalGradient, MatchesThePerPixelDefinition) {
    std::mt19937 rng(5551212);
    for (int n = 0; n < 300; ++n) {
        const Stops stops = randomStops(rng, n % 3 == 0);
        const int W = 1 + int(rng() % 48), H = 1 + int(rng() % 48);
        double slope;
        switch (rng() % 4) {
        case 0:
            slope = double(rng() % 5) / 4.0;
            break;
        case 1:
            slope = double(rng() % 91) / 90.0;
            break;
        default:
            slope = std::uniform_real_distribution<double>(-3.0, 5.0)(rng);
        }
        const int count = int(stops.size());
        SCOPED_TRACE("case " + std::to_string(n) + ": " + std::to_string(W) + " x " +
                     std::to_string(H) + ", slope " + std::to_string(slope) + ", " +
                     std::to_string(count) + " stops");
        QImage image;
        ASSERT_TRUE(RenderDiagonalGradient(stops.data(), count, H, W, slope, image));
        ASSERT_EQ(firstDifference(image, referenceDiagonal(stops, W, H, slope, false)), "");

        if (n % 3 != 0) continue;
        for (const bool mirrored : {false, true}) {
            const QImage expected = referenceDiagonal(stops, W, H, slope, mirrored);
            auto fill = [&](QPainter& p) {
                if (mirrored)
                    FillGradientDiagonalMirrored(stops.data(), count, p, slope, W, H);
                else
                    FillGradientDiagonal(stops.data(), count, p, slope, W, H);
            };
            for (const QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB888,
                                                QImage::Format_RGB32, QImage::Format_ARGB32}) {
                QImage target = sentinelPicture(W, H).convertToFormat(format);
                paintOn(target, fill);
                ASSERT_EQ(firstDifference(target, expected), "")
                    << "format " << int(format) << (mirrored ? ", mirrored" : "");
            }
            QImage clipped = sentinelPicture(W, H);
            paintOn(clipped, [&](QPainter& p) {
                p.setClipRect(clipped.rect());
                fill(p);
            });
            ASSERT_EQ(firstDifference(clipped, expected), "")
                << "painter" << (mirrored ? ", mirrored" : "");
        }
    }
}

// A picture smaller than the gradient takes the gradient's top-left part.
TEST(DiagonalGradient, FillIsClippedToThePicture) {
    const Stops stops = {stop(0, 0, 0, 0.5), stop(40, 90, 200, 0.5), stop(250, 0, 30)};
    for (const bool mirrored : {false, true}) {
        const QImage whole = referenceDiagonal(stops, 30, 20, 0.37, mirrored);
        QImage part = sentinelPicture(12, 9);
        paintOn(part, [&](QPainter& p) {
            if (mirrored)
                FillGradientDiagonalMirrored(stops.data(), 3, p, 0.37, 30, 20);
            else
                FillGradientDiagonal(stops.data(), 3, p, 0.37, 30, 20);
        });
        EXPECT_EQ(firstDifference(part, whole.copy(0, 0, 12, 9)), "");
    }
}

} // namespace

// ---- the elliptical gradient against its plain form ----

// Drawn into a 24-bit picture, the rings go onto a 32-bit copy of it; the
// plain form draws every ring through the caller's painter. Both must leave
// the very same bytes: odd and even sizes, rings of one or two pixels
// (1 x N, N x 1, 2 x N), long ramps, many short segments, zero-length and
// overshooting segments, system colours, and rectangles partly off the
// picture or away from its origin, in both 24-bit layouts.
TEST(GradientEllipse, ThirtyTwoBitCopyMatchesThePainter) {
    struct Case {
        int W, H, Left, Top, picW, picH;
    };
    std::vector<Case> cases = {{1, 1, 0, 0, 3, 3},           {1, 9, 1, 0, 4, 10},
                               {9, 1, 0, 1, 10, 4},          {1, 300, 2, 0, 5, 300},
                               {300, 1, 0, 2, 300, 5},       {2, 51, 0, 0, 3, 51},
                               {51, 2, 0, 0, 51, 3},         {3, 3, 0, 0, 3, 3},
                               {4, 4, 0, 0, 4, 4},           {33, 34, 1, 1, 36, 36},
                               {34, 33, 1, 1, 36, 36},       {101, 57, -20, 5, 90, 70},
                               {57, 101, 5, -30, 70, 90},    {640, 480, 0, 0, 640, 480},
                               {481, 641, 0, 0, 481, 641},   {1201, 333, -7, 0, 1190, 333},
                               {60, 40, 200, 100, 300, 200}, {1999, 1501, 0, 0, 1999, 1501}};
    std::mt19937 rng(8675309);
    for (int n = 0; n < 60; ++n) {
        const int W = 1 + int(rng() % 90), H = 1 + int(rng() % 90);
        cases.push_back({W, H, int(rng() % 20) - 10, int(rng() % 20) - 10, 1 + int(rng() % 80),
                         1 + int(rng() % 80)});
    }
    const Stops longRamp = {stop(0, 0, 0, 1.0), stop(250, 120, 3)};
    const Stops manyShort = {stop(255, 0, 0, 0.1),   stop(0, 255, 0, 0.05),   stop(0, 0, 255, 0.0),
                             stop(9, 9, 9, 0.3),     stop(200, 100, 50, 0.4), stop(1, 2, 3, 0.2),
                             systemStop(0x80000005u)};
    for (size_t n = 0; n < cases.size(); ++n) {
        const Case& c = cases[n];
        for (int kind = 0; kind < 3; ++kind) {
            const Stops stops = kind == 0   ? longRamp
                                : kind == 1 ? manyShort
                                            : randomStops(rng, n % 3 == 0);
            const int count = int(stops.size());
            const QImage::Format format =
                (n + kind) % 2 ? QImage::Format_RGB888 : QImage::Format_BGR888;
            SCOPED_TRACE("case " + std::to_string(n) + " stops " + std::to_string(kind) + ": " +
                         std::to_string(c.W) + " x " + std::to_string(c.H) + " at " +
                         std::to_string(c.Left) + ", " + std::to_string(c.Top) + " on " +
                         std::to_string(c.picW) + " x " + std::to_string(c.picH) +
                         (format == QImage::Format_RGB888 ? " RGB" : " BGR"));
            const QImage start = sentinelPicture(c.picW, c.picH).convertToFormat(format);
            QImage expected = start.copy();
            paintOn(expected, [&](QPainter& p) {
                lx::FillGradientEllipseThroughPainter(stops.data(), count, p, c.Left, c.Top, c.W,
                                                      c.H);
            });
            // On one thread, and with the rows shared out over three
            // however few there are.
            for (const int threads : {1, 3}) {
                const RowBandSettings bands(threads, 1);
                QImage fast = start.copy();
                paintOn(fast, [&](QPainter& p) {
                    FillGradientEllipse(stops.data(), count, p, c.Left, c.Top, c.W, c.H);
                });
                ASSERT_TRUE(fast == expected)
                    << threads << " threads: " << firstDifference(fast, expected);
            }
        }
    }
}
