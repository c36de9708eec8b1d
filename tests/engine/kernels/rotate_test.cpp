// Turning pictures by whole degrees: sizes, the exact right angles, hand-worked
// pixels of a 45-degree turn (including the coverage edge rule), and every
// fast kernel against the plain reference over many random pictures.

#include "kernels/resample.h"
#include "kernels/rotate.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using lx::RotateKernel;

// The way the caller uses the kernels: a target of the turned size, filled first.
QImage turned(const QImage& src, int angle, const std::function<void(PixelView)>& run,
              bool colour) {
    int w = 0, h = 0;
    lx::rotatedSize(src.width(), src.height(), angle, w, h);
    QImage dst(w, h, colour ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
    dst.fill(colour ? Qt::white : QColor(0, 0, 0));
    run(viewOf(dst));
    return dst;
}

QImage turnedBy(const QImage& src, int angle, RotateKernel kernel) {
    const bool colour = src.format() == QImage::Format_BGR888;
    return turned(
        src, angle,
        [&](PixelView d) {
            lx::rotatePictureWith(kernel, constViewOf(src), d, colour ? 3 : 1, angle, {});
        },
        colour);
}

QImage turnedByReference(const QImage& src, int angle) {
    const bool colour = src.format() == QImage::Format_BGR888;
    return turned(
        src, angle,
        [&](PixelView d) {
            lx::rotatePictureReference(constViewOf(src), d, colour ? 3 : 1, angle);
        },
        colour);
}

// Every way of turning a picture that must agree: each kernel and the reference.
std::vector<std::pair<std::string, std::function<QImage(const QImage&, int)>>> allWays() {
    std::vector<std::pair<std::string, std::function<QImage(const QImage&, int)>>> ways;
    ways.push_back({"reference", turnedByReference});
    for (RotateKernel k : lx::rotateKernels())
        ways.push_back({lx::rotateKernelName(k),
                        [k](const QImage& src, int angle) { return turnedBy(src, angle, k); }});
    ways.push_back({"rotatePicture", [](const QImage& src, int angle) {
                        const bool colour = src.format() == QImage::Format_BGR888;
                        return turned(
                            src, angle,
                            [&](PixelView d) {
                                lx::rotatePicture(constViewOf(src), d, colour ? 3 : 1, angle, {});
                            },
                            colour);
                    }});
    return ways;
}

// ---- sizes ----

struct SizeCase {
    int w, h, angle, newW, newH;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.w << " x " << c.h << " by " << c.angle;
}

class RotatedSize : public testing::TestWithParam<SizeCase> {};

TEST_P(RotatedSize, IsTheRoundedBoundingBox) {
    const SizeCase& c = GetParam();
    int w = -1, h = -1;
    lx::rotatedSize(c.w, c.h, c.angle, w, h);
    EXPECT_EQ(w, c.newW);
    EXPECT_EQ(h, c.newH);
}

// Worked by hand for a 10 x 4 picture (cos 30 = 0.8660, sin 30 = 0.5,
// cos 45 = sin 45 = 0.7071):
//   45:  0.7071 * 10 + 0.7071 * 4 = 9.899, + 0.5 -> 10 both ways.
//   30:  across 0.8660 * 10 + 0.5 * 4 = 10.660 -> 11; down 0.5 * 10 + 0.8660 * 4 = 8.464 -> 8.
//   -30 is 330: sin < 0 < cos, so |cos * W - sin * H| = 8.660 + 2 -> 11 and
//        |sin * W - cos * H| = |-5 - 3.464| -> 8.
//   120: cos = -0.5, sin = 0.8660 (signs differ): |-5 - 3.464| = 8.464 -> 8 across,
//        |8.660 + 2| = 10.660 -> 11 down.
//   INT_MIN leaves -128 after % 360, so it turns by 232: cos = -0.6157, sin = -0.7880
//        (same signs): |-6.157 - 3.152| = 9.309 -> 9, |-7.880 - 2.463| = 10.343 -> 10.
INSTANTIATE_TEST_SUITE_P(Angles, RotatedSize,
                         testing::Values(SizeCase{3, 2, 0, 3, 2}, SizeCase{3, 2, 180, 3, 2},
                                         SizeCase{3, 2, 90, 2, 3}, SizeCase{3, 2, 270, 2, 3},
                                         SizeCase{3, 2, -90, 2, 3}, SizeCase{3, 2, 450, 2, 3},
                                         SizeCase{3, 2, -360, 3, 2}, SizeCase{10, 4, 45, 10, 10},
                                         SizeCase{10, 4, 30, 11, 8}, SizeCase{10, 4, -30, 11, 8},
                                         SizeCase{10, 4, 120, 8, 11},
                                         SizeCase{10, 4, INT_MIN, 9, 10},
                                         SizeCase{5, 5, 45, 7, 7}));

// ---- right angles ----

// The 3 x 2 picture   A B C
//                     D E F   with pixel n (A = 0 ... F = 5) holding 10n + 1, 10n + 2, 10n + 3.
QImage lettersBgr() {
    QImage image(3, 2, QImage::Format_BGR888);
    for (int n = 0; n < 6; ++n)
        setBgr(image, n % 3, n / 3,
               Bgr{uint8_t(10 * n + 1), uint8_t(10 * n + 2), uint8_t(10 * n + 3)});
    return image;
}

QImage lettersGrey() {
    QImage image(3, 2, QImage::Format_Grayscale8);
    for (int n = 0; n < 6; ++n)
        image.scanLine(n / 3)[n % 3] = uint8_t(10 * n + 1);
    return image;
}

struct RightAngleCase {
    int angle;
    int w, h;
    std::vector<int> letters; // target pixels row by row
};

void PrintTo(const RightAngleCase& c, std::ostream* os) {
    *os << "angle " << c.angle;
}

class RightAngle : public testing::TestWithParam<RightAngleCase> {};

TEST_P(RightAngle, MovesEveryPixelUnchanged) {
    const RightAngleCase& c = GetParam();
    for (const auto& [name, turn] : allWays()) {
        SCOPED_TRACE(name);
        const QImage colour = turn(lettersBgr(), c.angle);
        const QImage grey = turn(lettersGrey(), c.angle);
        ASSERT_EQ(colour.size(), QSize(c.w, c.h));
        ASSERT_EQ(grey.size(), QSize(c.w, c.h));
        for (int k = 0; k < c.w * c.h; ++k) {
            const int n = c.letters[size_t(k)];
            const int x = k % c.w, y = k / c.w;
            EXPECT_EQ(bgrAt(colour, x, y),
                      (Bgr{uint8_t(10 * n + 1), uint8_t(10 * n + 2), uint8_t(10 * n + 3)}))
                << "at " << x << ", " << y;
            EXPECT_EQ(greyAt(grey, x, y), 10 * n + 1) << "at " << x << ", " << y;
        }
    }
}

// Turned clockwise by 90:  D A     by 180:  F E D     by 270:  C F
//                          E B              C B A              B E
//                          F C                                 A D
// so after 90 the top-right pixel is the source's top-left.
INSTANTIATE_TEST_SUITE_P(Letters, RightAngle,
                         testing::Values(RightAngleCase{0, 3, 2, {0, 1, 2, 3, 4, 5}},
                                         RightAngleCase{360, 3, 2, {0, 1, 2, 3, 4, 5}},
                                         RightAngleCase{90, 2, 3, {3, 0, 4, 1, 5, 2}},
                                         RightAngleCase{450, 2, 3, {3, 0, 4, 1, 5, 2}},
                                         RightAngleCase{-270, 2, 3, {3, 0, 4, 1, 5, 2}},
                                         RightAngleCase{180, 3, 2, {5, 4, 3, 2, 1, 0}},
                                         RightAngleCase{-180, 3, 2, {5, 4, 3, 2, 1, 0}},
                                         RightAngleCase{270, 2, 3, {2, 5, 1, 4, 0, 3}},
                                         RightAngleCase{-90, 2, 3, {2, 5, 1, 4, 0, 3}}));

QImage randomPicture(int w, int h, bool colour, std::mt19937& rng) {
    QImage image(w, h, colour ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
    std::uniform_int_distribution<int> byte(0, 255);
    const int bytes = colour ? 3 * w : w;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < bytes; ++i)
            image.scanLine(y)[i] = uint8_t(byte(rng));
    return image;
}

// Larger than one copying tile in both directions, with odd sizes so that
// the last tiles are partial: every source pixel lands where the turn puts it.
TEST(RotateRightAngles, LargePicturesLandPixelForPixel) {
    std::mt19937 rng(7);
    for (const bool colour : {true, false}) {
        const int W = 71, H = 45;
        const QImage src = randomPicture(W, H, colour, rng);
        const int ch = colour ? 3 : 1;
        for (const int angle : {90, 180, 270}) {
            const QImage dst = turnedBy(src, angle, RotateKernel::Scalar);
            ASSERT_EQ(dst.size(), angle == 180 ? QSize(W, H) : QSize(H, W));
            int wrong = 0;
            for (int y = 0; y < H; ++y) {
                for (int x = 0; x < W; ++x) {
                    const int tx = angle == 90 ? H - 1 - y : angle == 180 ? W - 1 - x : y;
                    const int ty = angle == 90 ? x : angle == 180 ? H - 1 - y : W - 1 - x;
                    wrong += std::memcmp(dst.constScanLine(ty) + tx * ch,
                                         src.constScanLine(y) + x * ch, size_t(ch)) != 0;
                }
            }
            EXPECT_EQ(wrong, 0) << "angle " << angle << (colour ? " colour" : " grey");
        }
    }
}

// ---- 45 degrees, worked by hand ----
//
// A 5 x 5 picture turned by 45 becomes 7 x 7 (0.7071 * 5 * 2 = 7.07 -> 7);
// c = s = 0.70711, P = Q = N(5 * 0.70711 = 3.54) = 4, base 0. For target
// (i, j) with u = i + j - 2 and v = j - i + 4:
//   x = c*X + s*Y - 4s - 1 = 0.70711 u - 1,   y = c*Y - s*(X - 4) - 1 = 0.70711 v - 1.
// Pixels of the sources below (column x, row y):
//   coverage and blue:  40x + 10y + 5      green: 200 - 40x - 10y     red: 30x + 30y + 5
// The four neighbours of a linear picture blend to the linear value at the
// position itself, so an unaffected 24-bit pixel is that value, rounded.

QImage linearBgr() {
    QImage image(5, 5, QImage::Format_BGR888);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            setBgr(image, x, y,
                   Bgr{uint8_t(40 * x + 10 * y + 5), uint8_t(200 - 40 * x - 10 * y),
                       uint8_t(30 * x + 30 * y + 5)});
    return image;
}

QImage linearGrey() {
    QImage image(5, 5, QImage::Format_Grayscale8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            image.scanLine(y)[x] = uint8_t(40 * x + 10 * y + 5);
    return image;
}

struct HandPixel {
    int i, j;
    Bgr colour;
    int coverage;
    const char* why;
};

void PrintTo(const HandPixel& p, std::ostream* os) {
    *os << "(" << p.i << ", " << p.j << ") " << p.why;
}

class Rotate45 : public testing::TestWithParam<HandPixel> {};

TEST_P(Rotate45, PixelWorkedByHand) {
    const HandPixel& p = GetParam();
    for (const auto& [name, turn] : allWays()) {
        SCOPED_TRACE(name + " at " + std::to_string(p.i) + ", " + std::to_string(p.j) + ": " +
                     p.why);
        const QImage colour = turn(linearBgr(), 45);
        const QImage grey = turn(linearGrey(), 45);
        ASSERT_EQ(colour.size(), QSize(7, 7));
        ASSERT_EQ(grey.size(), QSize(7, 7));
        EXPECT_EQ(bgrAt(colour, p.i, p.j), p.colour);
        EXPECT_EQ(greyAt(grey, p.i, p.j), p.coverage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, Rotate45,
    testing::Values(
        // The four corners map outside (e.g. (0, 0): x = 0.70711 * -2 - 1 = -2.41) and
        // keep the fill: white in the image, 0 in the coverage.
        HandPixel{0, 0, {255, 255, 255}, 0, "corner"},
        HandPixel{6, 0, {255, 255, 255}, 0, "corner, y = -2.41"},
        HandPixel{0, 6, {255, 255, 255}, 0, "corner, y = 6.07"},
        HandPixel{6, 6, {255, 255, 255}, 0, "corner, x = 6.07"},
        // Centre (3, 3): u = v = 4, x = y = 1.82843, all four terms:
        // 50 * 1.82843 + 5 = 96.42 -> 96; green 200 - 91.42 -> 109; red 60 * 1.82843 + 5
        // = 114.71 -> 115.
        HandPixel{3, 3, {96, 109, 115}, 96, "centre"},
        // (2, 2): x = 0.41421 (g = 0, fx = 0.41421), y = 1.82843 (h = 1, fy = 0.82843).
        // Coverage drops the column-0 terms: fx * ((1 - fy) * 55 + fy * 65) = 0.41421 *
        // 63.284 = 26.21 -> 26. Colour is linear: blue 40 * 0.41421 + 18.284 + 5 = 39.85 -> 40,
        // green 165.15 -> 165, red 72.28 -> 72.
        HandPixel{2, 2, {40, 165, 72}, 26, "first column fades in"},
        // (1, 2): x = -0.29289 counts as column 0 with fx = -0.29289; y = 2.53553 (h = 2).
        // Coverage keeps fx * ((1 - fy) * 65 + fy * 75) = -0.29289 * 70.36 = -20.6, held to 0.
        // Colour extrapolates: blue -11.72 + 25.36 + 5 = 18.64 -> 19, green 186.36 -> 186,
        // red 30 * 2.24264 + 5 = 72.28 -> 72.
        HandPixel{1, 2, {19, 186, 72}, 0, "left of the first column"},
        // (5, 5): x = 4.65685 (g = 4 = W - 1, fx = 0.65685), y = 1.82843. Coverage drops the
        // terms beyond the last column: (1 - fx) * (175 + 10 * 0.82843) = 0.34315 * 183.28
        // = 62.89 -> 63. Colour repeats the last column: blue 175 + 8.28 = 183.28 -> 183,
        // green 25 - 3.28 = 21.72 -> 22, red 120 + 30 * 1.82843 + 5 = 179.85 -> 180.
        HandPixel{5, 5, {183, 22, 180}, 63, "last column fades out"},
        // (2, 6): x = 3.24264 (g = 3, fx = 0.24264), y = 4.65685 (h = 4 = H - 1, fy = 0.65685).
        // Coverage drops the terms below the last row: (1 - fy) * (165 + 40 * 0.24264)
        // = 0.34315 * 174.71 = 59.95 -> 60. Colour: blue 129.71 + 40 + 5 = 174.71 -> 175,
        // green 30.29 -> 30, red 30 * 3.24264 + 120 + 5 = 222.28 -> 222.
        HandPixel{2, 6, {175, 30, 222}, 60, "last row fades out"},
        // (0, 4): x = 0.41421 (g = 0), y = 4.65685 (h = 4 = H - 1). Being in the first
        // column, only the column-0 terms go: fx * (1 - fy) * 85 + fx * fy * 85 (row 4
        // repeated) = 0.41421 * 85 = 35.21 -> 35. (Dropping the last-row terms as well
        // would give 12.) Colour: the second row is row 4 again, so blue = (1 - fx) * 45 +
        // fx * 85 = 61.57 -> 62, green (1 - fx) * 160 + fx * 120 = 143.43 -> 143, red
        // (1 - fx) * 125 + fx * 155 = 137.43 -> 137.
        HandPixel{0, 4, {62, 143, 137}, 35, "first column wins over last row"},
        // (5, 3): x = 3.24264 (g = 3, fx = 0.24264), y = 0.41421 (h = 0, fy = 0.41421).
        // Coverage drops the row-0 terms: fy * ((1 - fx) * 135 + fx * 175) = 0.41421 *
        // 144.71 = 59.94 -> 60. Colour: blue 129.71 + 4.14 + 5 = 138.85 -> 139, green 66.15
        // -> 66, red 97.28 + 12.43 + 5 = 114.71 -> 115.
        HandPixel{5, 3, {139, 66, 115}, 60, "first row fades in"}));

// ---- one pixel for each base angle ----
//
// A 6 x 4 picture whose pixel (x, y) is 20x + 30y + 5 in every channel and in
// the coverage; target pixel (3, 3), so X = Y = 4, maps well inside, where
// coverage and colour blend alike and give the linear value at the position.
//   30  (b 0):   c = 0.86603, s = 0.5, P = N(4c = 3.46) = 3, Q = N(4s) = 2; 7 x 6.
//                x = 3.4641 + 2 - 1.5 - 1 = 2.9641, y = 3.4641 - 0.5 * 2 - 1 = 1.4641
//                -> 59.28 + 43.92 + 5 = 108.21 -> 108
//   120 (b 90):  c = 0.5, s = 0.86603, P = N(6s = 5.20) = 5, Q = N(6c) = 3; 6 x 7.
//                x = 3.4641 - 0.5 * 1 - 1 = 1.9641, y = 4 - (3.4641 - 0.5 * 1) = 1.0359
//                -> 39.28 + 31.08 + 5 = 75.36 -> 75
//   210 (b 180): as 30 for c, s, P, Q. x = 6 - (3.4641 - 0.5 * -1) = 2.0359,
//                y = 4 - (3.4641 - 0.5 * 2) = 1.5359 -> 40.72 + 46.08 + 5 = 91.79 -> 92
//   300 (b 270): as 120. x = 6 - (3.4641 - 0.5 * 1) = 3.0359,
//                y = 3.4641 - 0.5 * 1 - 1 = 1.9641 -> 60.72 + 58.92 + 5 = 124.64 -> 125
struct BaseCase {
    int angle, w, h, value;
};

void PrintTo(const BaseCase& c, std::ostream* os) {
    *os << "angle " << c.angle;
}

class RotateEachBase : public testing::TestWithParam<BaseCase> {};

TEST_P(RotateEachBase, InnerPixelWorkedByHand) {
    const BaseCase& c = GetParam();
    QImage colour(6, 4, QImage::Format_BGR888);
    QImage grey(6, 4, QImage::Format_Grayscale8);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const uint8_t v = uint8_t(20 * x + 30 * y + 5);
            setBgr(colour, x, y, Bgr{v, v, v});
            grey.scanLine(y)[x] = v;
        }
    }
    const uint8_t v = uint8_t(c.value);
    for (const auto& [name, turn] : allWays()) {
        SCOPED_TRACE(name);
        const QImage turnedColour = turn(colour, c.angle);
        const QImage turnedGrey = turn(grey, c.angle);
        ASSERT_EQ(turnedColour.size(), QSize(c.w, c.h));
        EXPECT_EQ(bgrAt(turnedColour, 3, 3), (Bgr{v, v, v}));
        EXPECT_EQ(greyAt(turnedGrey, 3, 3), v);
    }
}

INSTANTIATE_TEST_SUITE_P(Angles, RotateEachBase,
                         testing::Values(BaseCase{30, 7, 6, 108}, BaseCase{120, 6, 7, 75},
                                         BaseCase{210, 7, 6, 92}, BaseCase{300, 6, 7, 125},
                                         BaseCase{-60, 6, 7, 125}));

// The 24-bit sums left of the first column can leave 0..255 and are held
// there. At (1, 2), fx = -0.29289 between column 0 and 1:
//   blue: 0 in column 0, 200 elsewhere -> fx * 200 = -58.6 -> 0;
//   green: 255 in column 0, 55 elsewhere -> (1 - fx) * 255 + fx * 55 = 313.6 -> 255;
//   red: 100 everywhere -> 100 (the weights add up to 1).
TEST(Rotate45, ExtrapolatedColourIsHeldToByteRange) {
    QImage src(5, 5, QImage::Format_BGR888);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            setBgr(src, x, y, x == 0 ? Bgr{0, 255, 100} : Bgr{200, 55, 100});
    for (const auto& [name, turn] : allWays()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(bgrAt(turn(src, 45), 1, 2), (Bgr{0, 255, 100}));
    }
}

// ---- progress and refused targets ----

TEST(RotateProgress, ReportsEveryRow) {
    const QImage src = solidBgr(10, 4, Bgr{1, 2, 3});
    for (RotateKernel k : lx::rotateKernels()) {
        SCOPED_TRACE(lx::rotateKernelName(k));
        for (const int angle : {30, 90}) {
            std::vector<int> calls;
            turned(
                src, angle,
                [&](PixelView d) {
                    lx::rotatePictureWith(k, constViewOf(src), d, 3, angle,
                                          [&](int rows) { calls.push_back(rows); });
                },
                true);
            // 10 x 4 turned by 30 is 11 x 8, by 90 it is 4 x 10: one call
            // per target row, counting up.
            const int rows = angle == 30 ? 8 : 10;
            ASSERT_EQ(calls.size(), size_t(rows));
            for (int r = 0; r < rows; ++r)
                EXPECT_EQ(calls[size_t(r)], r + 1);
        }
    }
}

TEST(RotateRefused, TargetOfTheWrongSizeOrChannelsIsLeftAlone) {
    const QImage src = solidBgr(10, 4, Bgr{1, 2, 3});
    QImage dst(10, 10, QImage::Format_BGR888); // 30 degrees needs 11 x 8
    dst.fill(Qt::white);
    const QImage before = dst.copy();
    lx::rotatePicture(constViewOf(src), viewOf(dst), 3, 30, {});
    lx::rotatePictureReference(constViewOf(src), viewOf(dst), 3, 30);
    EXPECT_EQ(dst, before);
    QImage grey(4, 10, QImage::Format_Grayscale8);
    grey.fill(7);
    const QImage greyBefore = grey.copy();
    lx::rotatePicture(constViewOf(src), viewOf(grey), 2, 90, {});
    EXPECT_EQ(grey, greyBefore);
}

// ---- fast kernels against the reference ----

// A picture with rows packed tightly (stride = row bytes) and placed right
// against an inaccessible page, before or after it, so that any read or write
// past the picture crashes instead of passing unnoticed.
class GuardedPicture {
public:
    GuardedPicture(int w, int h, int channels, bool guardAfter)
        : w_(w), h_(h), stride_(qsizetype(w) * channels) {
        const size_t bytes = size_t(stride_) * size_t(h);
        page_ = size_t(sysconf(_SC_PAGESIZE));
        const size_t dataPages = (bytes + page_ - 1) / page_;
        total_ = (dataPages + 2) * page_;
        void* mem =
            mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mem == MAP_FAILED) throw std::bad_alloc();
        base_ = static_cast<uint8_t*>(mem);
        mprotect(base_, page_, PROT_NONE);
        mprotect(base_ + (dataPages + 1) * page_, page_, PROT_NONE);
        data_ = guardAfter ? base_ + (dataPages + 1) * page_ - bytes : base_ + page_;
    }
    ~GuardedPicture() { munmap(base_, total_); }
    GuardedPicture(const GuardedPicture&) = delete;
    GuardedPicture& operator=(const GuardedPicture&) = delete;

    PixelView view() { return {data_, stride_, w_, h_}; }
    ConstPixelView constView() const { return {data_, stride_, w_, h_}; }
    size_t bytes() const { return size_t(stride_) * size_t(h_); }
    uint8_t* data() { return data_; }

private:
    int w_, h_;
    qsizetype stride_;
    size_t page_ = 0, total_ = 0;
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
};

// Case n draws everything from a generator seeded with n, so a failure names
// the one case to replay.
struct RandomCase {
    int w, h, angle, channels;
    bool guardAfter;
};

RandomCase randomCase(int n, int maxSide) {
    std::mt19937 rng{uint32_t(n)};
    std::uniform_int_distribution<int> side(1, maxSide);
    RandomCase c{};
    c.w = side(rng);
    c.h = side(rng);
    // A quarter of the cases turn by right angles (the copying paths), a few
    // by the ends of the int range, the rest by any angle within three turns.
    const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
    if (kind < 5)
        c.angle = 90 * std::uniform_int_distribution<int>(-12, 12)(rng);
    else if (kind == 5)
        c.angle = std::uniform_int_distribution<int>(0, 1)(rng) ? INT_MIN : INT_MAX;
    else
        c.angle = std::uniform_int_distribution<int>(-1000, 1000)(rng);
    c.channels = n % 2 == 0 ? 3 : 1;
    c.guardAfter = (n / 2) % 2 == 0;
    return c;
}

// Fills a view's pixel bytes from rng.
void fillRandom(PixelView v, int channels, std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < v.Height; ++y)
        for (qsizetype i = 0; i < qsizetype(v.Width) * channels; ++i)
            v.row(y)[i] = uint8_t(byte(rng));
}

// Runs case n through every kernel; returns an empty string when all of
// them give the reference's bytes.
std::string checkCase(int n, int maxSide) {
    const RandomCase c = randomCase(n, maxSide);
    std::mt19937 rng(uint32_t(n) * 7919u + 1u);
    GuardedPicture src(c.w, c.h, c.channels, c.guardAfter);
    fillRandom(src.view(), c.channels, rng);
    int w = 0, h = 0;
    lx::rotatedSize(c.w, c.h, c.angle, w, h);
    // Any fill will do: pixels mapping outside must keep it, whatever it is.
    const uint8_t fill = uint8_t(std::uniform_int_distribution<int>(0, 255)(rng));

    GuardedPicture expected(w, h, c.channels, c.guardAfter);
    std::memset(expected.data(), fill, expected.bytes());
    lx::rotatePictureReference(src.constView(), expected.view(), c.channels, c.angle);

    std::vector<std::pair<std::string, RotateKernel>> kernels;
    for (RotateKernel k : lx::rotateKernels())
        kernels.push_back({lx::rotateKernelName(k), k});
    for (const auto& [name, kernel] : kernels) {
        GuardedPicture got(w, h, c.channels, !c.guardAfter);
        std::memset(got.data(), fill, got.bytes());
        lx::rotatePictureWith(kernel, src.constView(), got.view(), c.channels, c.angle, {});
        if (std::memcmp(got.data(), expected.data(), got.bytes()) != 0) {
            return "case " + std::to_string(n) + " (" + std::to_string(c.w) + " x " +
                   std::to_string(c.h) + ", angle " + std::to_string(c.angle) + ", " +
                   std::to_string(c.channels) + " channels): " + name + " differs";
        }
    }
    return {};
}

TEST(RotateDifferential, KernelsEqualReferenceOnSmallRandomPictures) {
    for (int n = 0; n < 300; ++n) {
        const std::string failure = checkCase(n, 50);
        ASSERT_TRUE(failure.empty()) << failure;
    }
}

// Fewer, larger pictures: long runs of four-pixel steps and many copying tiles.
TEST(RotateDifferential, KernelsEqualReferenceOnLargerRandomPictures) {
    for (int n = 1000; n < 1016; ++n) {
        const std::string failure = checkCase(n, 300);
        ASSERT_TRUE(failure.empty()) << failure;
    }
}

} // namespace
