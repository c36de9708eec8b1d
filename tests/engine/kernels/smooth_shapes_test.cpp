// Anti-aliased lines, ellipses and rounded rectangles on 8-bit pictures:
// hand-worked pixels, the rules for negative and hostile coordinates, the
// symmetry of the shapes, and the engine against a plain step-by-step
// drawing over many random sizes.

#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr uint8_t kBack = 77; // a level no shape writes by itself in these cases

QImage filled(int w, int h, uint8_t level = kBack) {
    return solidGrey(w, h, level);
}

bool sameBytes(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (greyAt(a, x, y) != greyAt(b, x, y)) return false;
    return true;
}

// ---- a plain drawing, written straight from the steps, for differential tests ----
//
// Whole canvas, every row and column of both passes, mirrors taken from
// copies, corners averaged by brute-force overlap in two dimensions. Whole
// parts are taken with floor, and the walk along a line starts at the first
// column inside the picture with y + g * (k0 - c), as the engine's rule says.

struct Plain {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    Plain(int W, int H, uint8_t v) : w(W), h(H), px(size_t(W) * size_t(H), v) {}
    void set(double x, double y, int v) {
        if (x >= 0 && x < w && y >= 0 && y < h) px[size_t(y) * size_t(w) + size_t(x)] = uint8_t(v);
    }
    uint8_t at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
    static Plain of(const QImage& image) {
        Plain p(image.width(), image.height(), 0);
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                p.px[size_t(y) * size_t(p.w) + size_t(x)] = greyAt(image, x, y);
        return p;
    }
    QImage image() const {
        QImage out(w, h, QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                out.scanLine(y)[x] = at(x, y);
        return out;
    }
};

double frac(double v) {
    return v - std::floor(v);
}

void plainLine(Plain& c, double X1, double Y1, double X2, double Y2) {
    if (!(std::isfinite(X1) && std::isfinite(Y1) && std::isfinite(X2) && std::isfinite(Y2))) return;
    const bool steep = !(std::fabs(X2 - X1) > std::fabs(Y2 - Y1));
    // a along the walk, b across it
    double a1 = steep ? Y1 : X1, b1 = steep ? X1 : Y1, a2 = steep ? Y2 : X2, b2 = steep ? X2 : Y2;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const double g = a2 == a1 ? 0.0 : (b2 - b1) / (a2 - a1);
    auto set = [&](double k, double m, int v) { steep ? c.set(m, k, v) : c.set(k, m, v); };
    const double cc = std::floor(a1 + 0.5);
    const double y = b1 + g * (cc - a1);
    const double w = 1 - frac(a1 + 0.5);
    set(cc, std::floor(y), RoundEven(255 * (1 - frac(y)) * w));
    set(cc, std::floor(y) + 1, RoundEven(255 * frac(y) * w));
    const double cc2 = std::floor(a2 + 0.5);
    const double y2 = b2 + g * (cc2 - a2);
    const double w2 = 1 - frac(a2 - 0.5);
    set(cc2, std::floor(y2), RoundEven(255 * (1 - frac(y2)) * w2));
    set(cc2, std::floor(y2) + 1, RoundEven(255 * frac(y2) * w2));
    const double k0 = std::max(cc + 1, 0.0);
    double yy = y + g * (k0 - cc);
    for (double k = k0; k <= cc2 - 1; k += 1, yy += g) {
        set(k, std::floor(yy), RoundEven(255 * (1 - frac(yy))));
        set(k, std::floor(yy) + 1, RoundEven(255 * frac(yy)));
    }
}

Plain plainEllipse(int W, int H) {
    Plain c(W, H, 0);
    auto row = [&](int i) {
        const double arg = (H / 2.0) * (H / 2.0) - (i - H / 2.0) * (i - H / 2.0);
        const double r = 2 * (double(W) / H) * std::sqrt(arg < 0 ? 0 : arg);
        const double f = (W - r) / 2;
        plainLine(c, f, i, f + 10, i);
        for (int n = 0; n < RoundEven(r / 2); ++n)
            c.set(RoundEven(f + 5) + n, i, 255);
    };
    auto column = [&](int j) {
        const double arg = (W / 2.0) * (W / 2.0) - (j - W / 2.0) * (j - W / 2.0);
        const double r = 2 * (double(H) / W) * std::sqrt(arg < 0 ? 0 : arg);
        const double f = (H - r) / 2;
        plainLine(c, j, f, j, f + 10);
        for (int n = 0; n < RoundEven(r / 2); ++n)
            c.set(j, RoundEven(f + 5) + n, 255);
    };
    if (W <= H) {
        for (int i = 0; i < H; ++i)
            row(i);
        for (int j = W / 6; j < W; ++j)
            column(j);
    } else {
        for (int j = 0; j < W; ++j)
            column(j);
        for (int i = W / 6; i < H; ++i)
            row(i);
    }
    Plain copy = c;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W / 2; ++x)
            c.set(W - 1 - x, y, copy.at(x, y));
    copy = c;
    for (int y = 0; y < H / 2; ++y)
        for (int x = 0; x < W; ++x)
            c.set(x, H - 1 - y, copy.at(x, y));
    return c;
}

// One half of the corner ellipse along an axis: E lines src .. src + len - 1
// onto box positions dest .. dest + span - 1.
struct Half {
    int src, len, dest, span;
};

Half plainHalf(bool far, int half, int size) {
    if (2 * half < size)
        return far ? Half{half, half, size - half + 1, half} : Half{0, half, -1, half};
    return far ? Half{half, half, size / 2, size - size / 2} : Half{0, half, -1, size / 2};
}

// How much of E line s (length span each) lies in box position d (length len each).
long long overlap(const Half& a, int d, int s) {
    const long long lo = std::max<long long>(1LL * d * a.len, 1LL * s * a.span);
    const long long hi = std::min<long long>(1LL * (d + 1) * a.len, 1LL * (s + 1) * a.span);
    return hi > lo ? hi - lo : 0;
}

Plain plainRoundRect(int CW, int CH, int W, int H) {
    long long b = (std::max(CW, 0) + 1LL) / 2, p = (std::max(CH, 0) + 1LL) / 2;
    if (2 * b >= W && 2 * p >= H) return plainEllipse(W, H);
    if (2 * b >= W) b = std::min<long long>(b, W);
    if (2 * p >= H) p = std::min<long long>(p, H);
    Plain c(W, H, 255);
    if (b == 0 || p == 0) return c;
    const Plain E = plainEllipse(int(2 * b), int(2 * p));
    for (int q = 0; q < 4; ++q) {
        const Half hx = plainHalf(q & 1, int(b), W), hy = plainHalf(q >> 1, int(p), H);
        for (int dy = 0; dy < hy.span; ++dy)
            for (int dx = 0; dx < hx.span; ++dx) {
                long long sum = 0;
                for (int t = 0; t < hy.len; ++t)
                    for (int s = 0; s < hx.len; ++s)
                        sum +=
                            overlap(hx, dx, s) * overlap(hy, dy, t) * E.at(hx.src + s, hy.src + t);
                const long long div = 1LL * hx.len * hy.len;
                c.set(hx.dest + dx, hy.dest + dy, int((sum + div / 2) / div));
            }
    }
    // The line the two stretched halves leave between them: the mean of its
    // neighbours, rounded half up, or the far neighbour alone at position 0.
    if (2 * b >= W && W / 2 - 1 >= 0) {
        const int m = W / 2 - 1;
        for (int y = 0; y < H; ++y)
            c.set(m, y, m > 0 ? (c.at(m - 1, y) + c.at(m + 1, y) + 1) / 2 : c.at(m + 1, y));
    } else if (2 * p >= H && H / 2 - 1 >= 0) {
        const int m = H / 2 - 1;
        for (int x = 0; x < W; ++x)
            c.set(x, m, m > 0 ? (c.at(x, m - 1) + c.at(x, m + 1) + 1) / 2 : c.at(x, m + 1));
    }
    return c;
}

// ---- lines ----

struct LineCase {
    const char* name;
    double x1, y1, x2, y2;
    int x, y; // a pixel
    int level;
};

// Working for each group (N rounds halves to even; Frac = v - floor(v)):
//  flat (2.3, 4)-(12.3, 4): g = 0, first end c = floor(2.8) = 2, w = 1 - 0.8 = 0.2,
//    (2, 4) = N(255 * 1 * 0.2) = 51, (2, 5) = N(0) = 0; second end c' = floor(12.8) = 12,
//    w' = 1 - Frac(11.8) = 0.2, same levels; columns 3..11 get 255 over 0.
//  steep: the same with x and y exchanged.
//  slope (1, 1)-(5, 3): g = 0.5; first end c = 1, y = 1, w = 1 - Frac(1.5) = 0.5:
//    (1, 1) = N(127.5) = 128, (1, 2) = 0; second end c' = 5, y' = 3, w' = 1 - Frac(4.5) = 0.5:
//    (5, 3) = 128, (5, 4) = 0; column 2: y = 1.5 -> (2, 1) = (2, 2) = N(127.5) = 128;
//    column 3: y = 2 -> (3, 2) = 255, (3, 3) = 0; column 4: y = 2.5 -> (4, 2) = (4, 3) = 128.
//  near the left edge (0.125, 1)-(0.25, 1): first end c = floor(0.625) = 0, w = 0.375,
//    (0, 1) = N(95.625) = 96; second end c' = floor(0.75) = 0 overwrites it with
//    w' = 1 - Frac(-0.25) = 1 - 0.75 = 0.25 -> N(63.75) = 64 (dropping the fraction
//    towards zero would give w' = 1.25 and a level of 319).
//  a point (3.5, 2.5)-(3.5, 2.5): steep with g = 0, row c = floor(3.0) = 3, x = 3.5, w = 1:
//    (3, 3) = (4, 3) = N(127.5) = 128; the second end repeats the same pixels.
const LineCase kLineCases[] = {
    {"flatFirstEnd", 2.3, 4, 12.3, 4, 2, 4, 51},
    {"flatSecondEnd", 2.3, 4, 12.3, 4, 12, 4, 51},
    {"flatInside", 2.3, 4, 12.3, 4, 3, 4, 255},
    {"flatInsideLast", 2.3, 4, 12.3, 4, 11, 4, 255},
    {"flatBelowFirst", 2.3, 4, 12.3, 4, 2, 5, 0},
    {"flatBelowMiddle", 2.3, 4, 12.3, 4, 7, 5, 0},
    {"flatBelowLast", 2.3, 4, 12.3, 4, 12, 5, 0},
    {"flatBeforeUntouched", 2.3, 4, 12.3, 4, 1, 4, kBack},
    {"flatAfterUntouched", 2.3, 4, 12.3, 4, 13, 4, kBack},
    {"flatAboveUntouched", 2.3, 4, 12.3, 4, 7, 3, kBack},
    {"reversedEndsSame", 12.3, 4, 2.3, 4, 2, 4, 51},
    {"steepFirstEnd", 4, 2.3, 4, 12.3, 4, 2, 51},
    {"steepSecondEnd", 4, 2.3, 4, 12.3, 4, 12, 51},
    {"steepInside", 4, 2.3, 4, 12.3, 4, 7, 255},
    {"steepBeside", 4, 2.3, 4, 12.3, 5, 2, 0},
    {"steepBesideLast", 4, 2.3, 4, 12.3, 5, 12, 0},
    {"steepLeftUntouched", 4, 2.3, 4, 12.3, 3, 7, kBack},
    {"steepBeyondUntouched", 4, 2.3, 4, 12.3, 4, 13, kBack},
    {"slopeFirst", 1, 1, 5, 3, 1, 1, 128},
    {"slopeFirstBelow", 1, 1, 5, 3, 1, 2, 0},
    {"slopeSecond", 1, 1, 5, 3, 5, 3, 128},
    {"slopeSecondBelow", 1, 1, 5, 3, 5, 4, 0},
    {"slopeCol2Top", 1, 1, 5, 3, 2, 1, 128},
    {"slopeCol2Bottom", 1, 1, 5, 3, 2, 2, 128},
    {"slopeCol3Top", 1, 1, 5, 3, 3, 2, 255},
    {"slopeCol3Bottom", 1, 1, 5, 3, 3, 3, 0},
    {"slopeCol4Top", 1, 1, 5, 3, 4, 2, 128},
    {"slopeCol4Bottom", 1, 1, 5, 3, 4, 3, 128},
    {"leftEdgeWeight", 0.125, 1, 0.25, 1, 0, 1, 64},
    {"leftEdgeBelow", 0.125, 1, 0.25, 1, 0, 2, 0},
    {"pointLeft", 3.5, 2.5, 3.5, 2.5, 3, 3, 128},
    {"pointRight", 3.5, 2.5, 3.5, 2.5, 4, 3, 128},
    {"pointAboveUntouched", 3.5, 2.5, 3.5, 2.5, 3, 2, kBack},
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class LineLevels : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineLevels, PixelHasWorkedLevel) {
    const LineCase& c = GetParam();
    QImage img = filled(16, 16);
    TlxImage::DrawAntialiasedLine(img, c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(int(greyAt(img, c.x, c.y)), c.level);
}

INSTANTIATE_TEST_SUITE_P(Worked, LineLevels, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The line partly left of (or above) the picture draws exactly what the same
// line moved 8 pixels right (down) draws, moved back. Coordinates are binary
// fractions so moving them is exact. Worked for the flat one,
// (-3.25, 1.5)-(6.75, 4): g = 2.5 / 10 = 0.25, first end c = floor(-2.75) = -3 (off the
// picture); column 0: y = 1.5 + 0.25 * (-3 + 3.25) + 0.25 * 3 = 2.3125 ->
// (0, 2) = N(255 * 0.6875) = N(175.3125) = 175, (0, 3) = N(255 * 0.3125) = N(79.6875) = 80.
TEST(AntialiasedLine, PartlyOffPictureEqualsShiftedLine) {
    struct Shifted {
        double x1, y1, x2, y2;
        int dx, dy;
    };
    const Shifted cases[] = {
        {-3.25, 1.5, 6.75, 4, 8, 0},       {6.75, 4, -3.25, 1.5, 8, 0},
        {1.5, -3.25, 4, 6.75, 0, 8},       {-7.625, -0.5, 11.375, 9.75, 8, 8},
        {-0.375, 2.25, 9.5, 2.25, 8, 0},   {-0.875, 2.25, 9.125, 5.5, 8, 0},
        {0.25, -0.125, 0.25, 9.875, 0, 8}, {-20.5, -20.5, 30.25, 30.75, 24, 24},
    };
    for (const Shifted& s : cases) {
        QImage a = filled(12, 12);
        QImage b = filled(12 + s.dx, 12 + s.dy);
        TlxImage::DrawAntialiasedLine(a, s.x1, s.y1, s.x2, s.y2);
        TlxImage::DrawAntialiasedLine(b, s.x1 + s.dx, s.y1 + s.dy, s.x2 + s.dx, s.y2 + s.dy);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                ASSERT_EQ(greyAt(a, x, y), greyAt(b, x + s.dx, y + s.dy))
                    << "line " << s.x1 << "," << s.y1 << " - " << s.x2 << "," << s.y2 << " at " << x
                    << "," << y;
    }
    QImage a = filled(12, 12);
    TlxImage::DrawAntialiasedLine(a, -3.25, 1.5, 6.75, 4);
    EXPECT_EQ(greyAt(a, 0, 2), 175);
    EXPECT_EQ(greyAt(a, 0, 3), 80);
}

// Lines that must draw nothing, and lines far too long to walk pixel by pixel.
TEST(AntialiasedLine, NonFiniteCoordinatesDrawNothing) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double bad[][4] = {{nan, 1, 5, 1},  {1, nan, 5, 1},    {1, 1, inf, 1},
                             {1, 1, 5, -inf}, {-inf, 2, inf, 2}, {nan, nan, nan, nan}};
    for (const auto& l : bad) {
        QImage img = filled(8, 8);
        TlxImage::DrawAntialiasedLine(img, l[0], l[1], l[2], l[3]);
        EXPECT_TRUE(sameBytes(img, filled(8, 8)));
    }
}

// (-1e12, 3)-(1e12, 3.5): g = 0.5 / 2e12; at column 0 y = 3 + g * 1e12 = 3.25 (to a few
// units in the last place), and it moves by 1.25e-11 over 50 columns: row 3 gets
// N(255 * 0.75) = N(191.25) = 191, row 4 N(63.75) = 64. The steep line at x = 2.5 gives
// N(255 * 0.5) = 128 to columns 2 and 3 of every row. All ends lie far outside.
TEST(AntialiasedLine, VeryLongLinesVisitOnlyThePicture) {
    QImage flat = filled(50, 10);
    TlxImage::DrawAntialiasedLine(flat, -1e12, 3, 1e12, 3.5);
    for (int x = 0; x < 50; ++x) {
        ASSERT_EQ(greyAt(flat, x, 3), 191) << x;
        ASSERT_EQ(greyAt(flat, x, 4), 64) << x;
        ASSERT_EQ(greyAt(flat, x, 2), kBack) << x;
    }
    // From the largest double to its negative: the difference overflows to
    // infinity, g = 0 / inf = 0, so row 3 gets 255 and row 4 gets 0 throughout.
    QImage widest = filled(50, 10);
    const double big = std::numeric_limits<double>::max();
    TlxImage::DrawAntialiasedLine(widest, big, 3, -big, 3);
    for (int x = 0; x < 50; ++x) {
        ASSERT_EQ(greyAt(widest, x, 3), 255) << x;
        ASSERT_EQ(greyAt(widest, x, 4), 0) << x;
    }
    // Beyond the int range on either side: nothing lands in the picture.
    const double far[][4] = {{2147483647.75, 1, 2147483657.75, 1},
                             {-2147483660.25, 1, -2147483650.25, 3},
                             {3, 4294967296.5, 4, 4294967306.5},
                             {1e300, -1e300, 1e300, 1e300}};
    for (const auto& l : far) {
        QImage img = filled(50, 10);
        TlxImage::DrawAntialiasedLine(img, l[0], l[1], l[2], l[3]);
        EXPECT_TRUE(sameBytes(img, filled(50, 10))) << l[0] << "," << l[1];
    }
    QImage steep = filled(10, 20);
    TlxImage::DrawAntialiasedLine(steep, 2.5, 1e300, 2.5, -1e300);
    for (int y = 0; y < 20; ++y) {
        ASSERT_EQ(greyAt(steep, 2, y), 128) << y;
        ASSERT_EQ(greyAt(steep, 3, y), 128) << y;
        ASSERT_EQ(greyAt(steep, 4, y), kBack) << y;
    }
}

TEST(AntialiasedLine, NonGreyTargetBecomesGreyNullStaysNull) {
    QImage colour(16, 8, QImage::Format_ARGB32);
    colour.fill(qRgb(kBack, kBack, kBack));
    TlxImage::DrawAntialiasedLine(colour, 2.3, 4, 12.3, 4);
    ASSERT_EQ(colour.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(greyAt(colour, 2, 4), 51);
    EXPECT_EQ(greyAt(colour, 7, 4), 255);
    EXPECT_EQ(greyAt(colour, 7, 3), kBack);

    QImage none;
    TlxImage::DrawAntialiasedLine(none, 0, 0, 5, 5);
    EXPECT_TRUE(none.isNull());
}

// Engine against the plain walk: 300 seeded cases of random lines over a
// random picture, ends anywhere from well left/above to well right/below.
TEST(AntialiasedLine, MatchesPlainWalkOnRandomLines) {
    std::mt19937 rng(0x11ae);
    std::uniform_real_distribution<double> coord(-25.0, 65.0);
    std::uniform_int_distribution<int> side(1, 40), level(0, 255);
    for (int n = 0; n < 300; ++n) {
        const int w = side(rng), h = side(rng);
        QImage img(w, h, QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.scanLine(y)[x] = uint8_t(level(rng));
        Plain plain = Plain::of(img);
        for (int l = 0; l < 4; ++l) {
            double v[4];
            for (double& c : v)
                c = coord(rng);
            if (l == 3) v[2] = v[0] + (v[2] - v[0]) / 64; // a short one
            TlxImage::DrawAntialiasedLine(img, v[0], v[1], v[2], v[3]);
            plainLine(plain, v[0], v[1], v[2], v[3]);
        }
        ASSERT_TRUE(sameBytes(img, plain.image())) << "case " << n;
    }
}

// ---- ellipses ----

// 4 x 4, worked by hand. Only the top-left 2 x 2 survives the mirrors, and
// W <= H: rows first, then columns from 4 div 6 = 0.
//  row 0: r = 0, f = 2: the edge piece starts at column floor(2.5) = 2, outside the kept part.
//  row 1: r = 2 * 1 * sqrt(4 - 1) = 3.4641, f = 0.26795; piece from column floor(0.76795) = 0
//    with w = 0.23205: (0, 1) = N(255 * 0.23205) = N(59.17) = 59; (1, 1) = 255.
//  column 0: r = 0, f = 2: piece from row 2, outside. column 1: f = 0.26795 as for row 1:
//    (1, 0) = 59, (1, 1) = 255.
// Kept part [0 59; 59 255], mirrored both ways.
// 4 x 2, W > H: columns first, then rows from 0.
//  column 0: r = 0, f = 1: piece from row floor(1.5) = 1, outside the kept row 0.
//  column 1: r = 2 * (2 / 4) * sqrt(4 - 1) = 1.73205, f = 0.13397; piece from row 0 with
//    w = 1 - 0.63397 = 0.36603: (1, 0) = N(93.34) = 93.
//  row 0: r = 0, f = 2: piece from column 2, outside. Kept part [0 93].
TEST(SmoothEllipse, SmallEllipsesWorkedByHand) {
    struct Worked {
        int w, h;
        std::vector<int> levels;
    };
    const Worked cases[] = {
        {4, 4, {0, 59, 59, 0, 59, 255, 255, 59, 59, 255, 255, 59, 0, 59, 59, 0}},
        {4, 2, {0, 93, 93, 0, 0, 93, 93, 0}},
    };
    for (const Worked& c : cases) {
        QImage img = filled(c.w, c.h);
        TlxImage::DrawSmoothEllipse(img);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                EXPECT_EQ(int(greyAt(img, x, y)), c.levels[size_t(y * c.w + x)])
                    << c.w << "x" << c.h << " at " << x << "," << y;
    }
}

struct Size2 {
    int w, h;
};
const Size2 kEllipseSizes[] = {{1, 1},  {1, 9},  {9, 1},    {2, 7},    {7, 2},   {5, 5},
                               {6, 6},  {7, 12}, {12, 7},   {31, 17},  {17, 31}, {40, 40},
                               {64, 9}, {9, 64}, {101, 57}, {57, 101}, {1, 40},  {40, 1}};

TEST(SmoothEllipse, MirrorSymmetric) {
    for (const Size2 s : kEllipseSizes) {
        QImage img = filled(s.w, s.h);
        TlxImage::DrawSmoothEllipse(img);
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x) {
                const uint8_t v = greyAt(img, x, y);
                ASSERT_EQ(greyAt(img, s.w - 1 - x, y), v)
                    << s.w << "x" << s.h << " " << x << "," << y;
                ASSERT_EQ(greyAt(img, x, s.h - 1 - y), v)
                    << s.w << "x" << s.h << " " << x << "," << y;
                ASSERT_EQ(greyAt(img, s.w - 1 - x, s.h - 1 - y), v)
                    << s.w << "x" << s.h << " " << x << "," << y;
            }
    }
}

// The box corners are outside every chord (the chord of row 0 and column 0 is
// empty and its edge piece starts at the middle); the middle pixel lies in the
// solid runs once both sides are at least 5 (the runs start at N(f + 5)).
TEST(SmoothEllipse, CentreFullCornersEmpty) {
    for (const Size2 s : kEllipseSizes) {
        QImage img = filled(s.w, s.h);
        TlxImage::DrawSmoothEllipse(img);
        EXPECT_EQ(greyAt(img, 0, 0), 0) << s.w << "x" << s.h;
        EXPECT_EQ(greyAt(img, s.w - 1, 0), 0) << s.w << "x" << s.h;
        EXPECT_EQ(greyAt(img, 0, s.h - 1), 0) << s.w << "x" << s.h;
        EXPECT_EQ(greyAt(img, s.w - 1, s.h - 1), 0) << s.w << "x" << s.h;
        if (s.w >= 5 && s.h >= 5) {
            EXPECT_EQ(greyAt(img, s.w / 2, s.h / 2), 255) << s.w << "x" << s.h;
        }
    }
}

TEST(SmoothEllipse, NonGreyTargetBecomesGreyNullStaysNull) {
    QImage colour(31, 17, QImage::Format_BGR888);
    colour.fill(Qt::white);
    TlxImage::DrawSmoothEllipse(colour);
    ASSERT_EQ(colour.format(), QImage::Format_Grayscale8);
    QImage grey = filled(31, 17);
    TlxImage::DrawSmoothEllipse(grey);
    EXPECT_TRUE(sameBytes(colour, grey));

    QImage none;
    TlxImage::DrawSmoothEllipse(none);
    EXPECT_TRUE(none.isNull());
}

// Engine (kept quarter only, runs by rows) against every step on the whole
// canvas: 300 seeded sizes, both orders, thin and odd ones included.
TEST(SmoothEllipse, MatchesPlainStepsOnRandomSizes) {
    std::mt19937 rng(0xe111);
    std::uniform_int_distribution<int> side(1, 90), thin(1, 4), pick(0, 3);
    for (int n = 0; n < 300; ++n) {
        int w = side(rng), h = side(rng);
        if (pick(rng) == 0) (pick(rng) & 1 ? w : h) = thin(rng);
        QImage img = filled(w, h);
        TlxImage::DrawSmoothEllipse(img);
        ASSERT_TRUE(sameBytes(img, plainEllipse(w, h).image()))
            << "case " << n << " " << w << "x" << h;
    }
}

// ---- rounded rectangles ----

// 200 x 100 with corners 21 x 21: b = p = Int(10.5 + 0.5) = 11, E is 22 x 22, smaller
// than the box both ways, so the quarters are copied pixel for pixel one pixel
// outwards: the left-top quarter (E columns and rows 0..10) lands on -1..9, the
// right-bottom one (E 11..21) on 190..200 and 90..100. Column 10 and row 10 (and 189,
// 89) stay 255 and so do the middles of the sides.
TEST(SmoothRoundRect, CornersAreEllipseQuartersMovedOutwards) {
    QImage img = filled(200, 100);
    TlxImage::DrawSmoothRoundRect(21, 21, img);
    QImage E = filled(22, 22);
    TlxImage::DrawSmoothEllipse(E);

    for (int x = 0; x < 200; ++x) {
        ASSERT_EQ(greyAt(img, x, 50), 255) << x;
        if (x >= 10 && x <= 189) {
            ASSERT_EQ(greyAt(img, x, 0), 255) << x;
            ASSERT_EQ(greyAt(img, x, 99), 255) << x;
        }
    }
    for (int y = 0; y < 100; ++y) {
        ASSERT_EQ(greyAt(img, 100, y), 255) << y;
        if (y >= 10 && y <= 89) {
            ASSERT_EQ(greyAt(img, 0, y), 255) << y;
            ASSERT_EQ(greyAt(img, 199, y), 255) << y;
        }
    }
    EXPECT_EQ(greyAt(img, 0, 0), 0);
    EXPECT_EQ(greyAt(img, 199, 0), 0);
    EXPECT_EQ(greyAt(img, 0, 99), 0);
    EXPECT_EQ(greyAt(img, 199, 99), 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            ASSERT_EQ(greyAt(img, x, y), greyAt(E, x + 1, y + 1)) << x << "," << y;
            ASSERT_EQ(greyAt(img, 190 + x, 90 + y), greyAt(E, 11 + x, 11 + y)) << x << "," << y;
        }
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint8_t v = greyAt(img, x, y);
            ASSERT_EQ(greyAt(img, 199 - x, y), v) << x << "," << y;
            ASSERT_EQ(greyAt(img, x, 99 - y), v) << x << "," << y;
        }
}

TEST(SmoothRoundRect, CornersAsLargeAsTheBoxGiveTheEllipse) {
    const int corners[][2] = {{60, 40}, {59, 39}, {61, 41}, {500, 300}, {INT_MAX, INT_MAX}};
    QImage ellipse = filled(60, 40);
    TlxImage::DrawSmoothEllipse(ellipse);
    for (const auto& c : corners) {
        QImage img = filled(60, 40);
        TlxImage::DrawSmoothRoundRect(c[0], c[1], img);
        EXPECT_TRUE(sameBytes(img, ellipse)) << c[0] << " x " << c[1];
    }
    // 58 x 38 gives a 58 x 38 corner ellipse, smaller than the box both ways:
    // its quarters reach columns -1..27 and 32..60, so the top edge is 255 at 30.
    QImage img = filled(60, 40);
    TlxImage::DrawSmoothRoundRect(58, 38, img);
    EXPECT_EQ(greyAt(img, 30, 0), 255);
    EXPECT_NE(greyAt(ellipse, 30, 0), 255);
}

// 2 x 20 with corners 4 x 4: b = p = 2, E is the 4 x 4 ellipse worked above,
// rows [0 59 59 0], [59 255 255 59], [59 255 255 59], [0 59 59 0]. Across, E is not
// smaller than the box: its near half goes to positions -1 .. -1 (nothing shows)
// and its far half (E columns 2, 3) is averaged into column 1. Down, E is smaller:
// E rows 0, 1 land on rows -1, 0 and E rows 2, 3 on rows 19, 20.
// (1, 0) = (255 + 59) / 2 = 157, (1, 19) likewise. Column 0 lies between the
// halves, has no neighbour on the near side and takes column 1's levels, so
// no line of 255 runs through the corners; everything else stays 255.
// 20 x 2 is the same turned: row 0 takes row 1's levels, 157 at columns 0, 19.
TEST(SmoothRoundRect, WideCornerIsAveragedIntoTheBox) {
    QImage img = filled(2, 20);
    TlxImage::DrawSmoothRoundRect(4, 4, img);
    for (int y = 0; y < 20; ++y) {
        const int corner = y == 0 || y == 19 ? 157 : 255;
        EXPECT_EQ(greyAt(img, 0, y), corner) << y;
        EXPECT_EQ(greyAt(img, 1, y), corner) << y;
    }
    QImage flat = filled(20, 2);
    TlxImage::DrawSmoothRoundRect(4, 4, flat);
    for (int x = 0; x < 20; ++x) {
        const int corner = x == 0 || x == 19 ? 157 : 255;
        EXPECT_EQ(greyAt(flat, x, 0), corner) << x;
        EXPECT_EQ(greyAt(flat, x, 1), corner) << x;
    }
}

// Where the corner ellipse is stretched across the box, the position between
// its two halves (Size div 2 - 1) carries the rounded mean of its two
// neighbours in every row (column), or its far neighbour's level at position
// 0. The boxes are ones whose corner rows put levels below 255 beside that
// position, so a line of 255 left there would show.
TEST(SmoothRoundRect, TheLineBetweenStretchedHalvesTakesItsNeighboursLevel) {
    struct Box {
        int w, h, cw, ch;
        bool across; // stretched across (a column between) rather than down
    };
    const Box boxes[] = {{4, 7, 5, 6, true},    {7, 4, 6, 5, false},  {5, 15, 5, 13, true},
                         {15, 5, 13, 5, false}, {7, 15, 7, 14, true}, {3, 13, 3, 12, true},
                         {13, 3, 12, 3, false}, {9, 17, 9, 15, true}};
    for (const Box& b : boxes) {
        QImage img = filled(b.w, b.h);
        TlxImage::DrawSmoothRoundRect(b.cw, b.ch, img);
        const int m = (b.across ? b.w : b.h) / 2 - 1;
        bool belowFull = false;
        for (int i = 0; i < (b.across ? b.h : b.w); ++i) {
            auto at = [&](int k) { return int(b.across ? greyAt(img, k, i) : greyAt(img, i, k)); };
            const int expected = m > 0 ? (at(m - 1) + at(m + 1) + 1) / 2 : at(m + 1);
            ASSERT_EQ(at(m), expected) << b.w << "x" << b.h << " line " << m << " at " << i;
            belowFull = belowFull || at(m) < 255;
        }
        EXPECT_TRUE(belowFull) << b.w << "x" << b.h;
    }
}

// Corner sizes of 0 or below give square corners: the whole box at 255.
TEST(SmoothRoundRect, NoCornerFillsTheBox) {
    const int corners[][2] = {{0, 10}, {10, 0}, {-5, 10}, {INT_MIN, INT_MIN}};
    for (const auto& c : corners) {
        QImage img = filled(30, 20);
        TlxImage::DrawSmoothRoundRect(c[0], c[1], img);
        EXPECT_TRUE(sameBytes(img, filled(30, 20, 255))) << c[0] << " x " << c[1];
    }
    QImage none;
    TlxImage::DrawSmoothRoundRect(10, 10, none);
    EXPECT_TRUE(none.isNull());
}

// Engine (axis maps, separable sums) against brute-force two-dimensional
// overlap on the whole canvas: 300 seeded boxes and corner sizes, including
// corners wider or taller than the box and absurd ones that get capped.
TEST(SmoothRoundRect, MatchesPlainStepsOnRandomBoxes) {
    std::mt19937 rng(0x5e1c);
    std::uniform_int_distribution<int> side(1, 70), corner(-2, 150), pick(0, 9);
    for (int n = 0; n < 300; ++n) {
        const int w = side(rng), h = side(rng);
        int cw = corner(rng), ch = corner(rng);
        if (pick(rng) == 0) cw = INT_MAX - pick(rng);
        if (pick(rng) == 0) ch = INT_MAX - pick(rng);
        QImage img = filled(w, h);
        TlxImage::DrawSmoothRoundRect(cw, ch, img);
        ASSERT_TRUE(sameBytes(img, plainRoundRect(cw, ch, w, h).image()))
            << "case " << n << " box " << w << "x" << h << " corners " << cw << "x" << ch;
    }
}

} // namespace
