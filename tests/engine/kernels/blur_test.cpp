#include "kernels/blur.h"
#include "kernels/blur_kernels.h"
#include "lxImage.h"
#include "picture_helpers.h"
#include "row_band_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

// A mask in a buffer of its own whose rows are longer than the mask, the
// spare bytes holding a sentinel, so that a blur writing past a row's end
// shows.
struct TestMask {
    int width = 0;
    int height = 0;
    qsizetype stride = 0;
    std::vector<uint8_t> bytes;

    static constexpr int kSpare = 7;
    static constexpr uint8_t kSentinel = 0xA5;

    TestMask(int w, int h, uint8_t level = 0)
        : width(w), height(h), stride(w + kSpare), bytes(size_t(stride * h), kSentinel) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = level;
    }
    uint8_t& at(int x, int y) { return bytes[size_t(y * stride + x)]; }
    PixelView view() { return {bytes.data(), stride, width, height}; }
    bool sparesIntact() const {
        for (int y = 0; y < height; ++y)
            for (int x = width; x < stride; ++x)
                if (bytes[size_t(y * stride + x)] != kSentinel) return false;
        return true;
    }
};

// ---- kernel ----

struct HalfWidthCase {
    double radius;
    int halfWidth;
};

void PrintTo(const HalfWidthCase& c, std::ostream* os) {
    *os << "radius " << c.radius << " -> K " << c.halfWidth;
}

class BlurKernelHalfWidth : public testing::TestWithParam<HalfWidthCase> {};

// The kept weights are positive, symmetric and sum to one within the
// rounding of 2K + 1 floats.
TEST_P(BlurKernelHalfWidth, MatchesTheTailRuleAndIsNormalised) {
    const HalfWidthCase c = GetParam();
    const lx::GaussianKernel kernel = lx::makeGaussianKernel(c.radius);
    EXPECT_EQ(kernel.HalfWidth, c.halfWidth);
    double sum = 0;
    for (int k = -kernel.HalfWidth; k <= kernel.HalfWidth; ++k) {
        EXPECT_GT(kernel.at(k), 0.0f) << "k=" << k;
        EXPECT_EQ(kernel.at(k), kernel.at(-k)) << "k=" << k;
        sum += kernel.at(k);
    }
    EXPECT_NEAR(sum, 1.0, 1e-6 * kernel.HalfWidth);
}

INSTANTIATE_TEST_SUITE_P(EffectRadii, BlurKernelHalfWidth,
                         testing::Values(HalfWidthCase{0.6, 1}, HalfWidthCase{1, 2},
                                         HalfWidthCase{1.5, 4}, HalfWidthCase{2.5, 7},
                                         HalfWidthCase{5, 14}, HalfWidthCase{10, 30},
                                         HalfWidthCase{50, 153}, HalfWidthCase{100, 198}));

// exp(-(1 / 0.6)^2 / 2) = exp(-1.388889) = 0.249352, and the weights at 2 and
// beyond (exp(-5.56) = 0.0039) are dropped, so the kept three are
// 0.249352 / 1.498704 = 0.166381 and 1 / 1.498704 = 0.667243.
TEST(BlurKernelTest, RadiusSixTenthsKeepsThreeWeights) {
    const lx::GaussianKernel kernel = lx::makeGaussianKernel(0.6);
    ASSERT_EQ(kernel.HalfWidth, 1);
    EXPECT_NEAR(kernel.at(-1), 0.16638, 5e-6);
    EXPECT_NEAR(kernel.at(0), 0.66724, 5e-6);
    EXPECT_NEAR(kernel.at(1), 0.16638, 5e-6);
}

TEST(BlurKernelTest, UnusableRadiusGivesTheIdentity) {
    for (const double radius : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity()}) {
        const lx::GaussianKernel kernel = lx::makeGaussianKernel(radius);
        EXPECT_EQ(kernel.HalfWidth, 1) << radius;
        EXPECT_EQ(kernel.at(-1), 0.0f) << radius;
        EXPECT_EQ(kernel.at(0), 1.0f) << radius;
        EXPECT_EQ(kernel.at(1), 0.0f) << radius;
    }
}

// ---- worked blurs, on the plain blur and on every fast path ----

struct NamedBlur {
    std::string name;
    std::function<void(PixelView, double)> blur;
};

std::vector<NamedBlur> everyBlur() {
    std::vector<NamedBlur> blurs{{"reference", lx::gaussianBlurMaskReference},
                                 {"dispatched", lx::gaussianBlurMask}};
    for (const lx::BlurLineKernels& kernels : lx::blurLineKernelSets()) {
        blurs.push_back({kernels.name, [kernels](PixelView m, double r) {
                             lx::gaussianBlurMaskWith(m, r, kernels, lx::BlurStripWidth);
                         }});
        // Strips of three columns put seams inside every small mask.
        blurs.push_back(
            {std::string(kernels.name) + " strips of 3",
             [kernels](PixelView m, double r) { lx::gaussianBlurMaskWith(m, r, kernels, 3); }});
    }
    return blurs;
}

// Radius 0.6, weights a = 0.166381 and b = 0.667243. Across: 255 b = 170.15
// -> 170 and 255 a = 42.43 -> 42. Down: 42 a = 6.99 -> 6, 42 b = 28.02 -> 28,
// 170 a = 28.28 -> 28, 170 b = 113.43 -> 113. Carrying the unrounded 42.43
// down instead would give 7 in the corners.
TEST(BlurTest, SingleLevelAtSixTenthsSpreadsToTheWorkedBlock) {
    const uint8_t expected[3][3] = {{6, 28, 6}, {28, 113, 28}, {6, 28, 6}};
    for (const NamedBlur& blur : everyBlur()) {
        TestMask mask(7, 6);
        mask.at(3, 2) = 255;
        blur.blur(mask.view(), 0.6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 7; ++x) {
                const bool inside = x >= 2 && x <= 4 && y >= 1 && y <= 3;
                EXPECT_EQ(mask.at(x, y), inside ? expected[y - 1][x - 2] : 0)
                    << blur.name << " at " << x << "," << y;
            }
        EXPECT_TRUE(mask.sparesIntact()) << blur.name;
    }
}

// A lone 255 in the corner: with the ends repeated, the tap beyond the edge
// reads the corner again. Across row 0: x = 0 sums 0 + 255 b + 255 a =
// 212.57 -> 212, x = 1 gets 255 a -> 42. Down: (0,0) = 212 b + 212 a =
// 176.73 -> 176, (0,1) = 212 a = 35.27 -> 35, (1,0) = 42 b + 42 a = 35.01 ->
// 35, (1,1) = 42 a -> 6. A zero or mirrored border would give 170 across.
TEST(BlurTest, CornerLevelRepeatsPastTheEdges) {
    for (const NamedBlur& blur : everyBlur()) {
        TestMask mask(5, 4);
        mask.at(0, 0) = 255;
        blur.blur(mask.view(), 0.6);
        EXPECT_EQ(mask.at(0, 0), 176) << blur.name;
        EXPECT_EQ(mask.at(1, 0), 35) << blur.name;
        EXPECT_EQ(mask.at(0, 1), 35) << blur.name;
        EXPECT_EQ(mask.at(1, 1), 6) << blur.name;
        EXPECT_EQ(mask.at(2, 0), 0) << blur.name;
        EXPECT_EQ(mask.at(0, 2), 0) << blur.name;
    }
}

// A flat area turns every output into c * w[-K] + ... + c * w[K] summed in
// float. The rounded weights rarely sum to exactly one, so a flat 255 comes
// through unchanged, one level down, or, when both passes lose a level, two
// down. Worked in single precision: at 0.6 the products 42.426521 (twice)
// and 170.14699 add up to exactly 255; at 2.5 the first pass sums to
// 254.99998 -> 254 and the second, over 254s, to 253.99998 -> 253; at 5 the
// second pass sums 254s to exactly 254.
struct FlatCase {
    double radius;
    uint8_t level;
};

void PrintTo(const FlatCase& c, std::ostream* os) {
    *os << "radius " << c.radius << " -> " << int(c.level);
}

class BlurFlatArea : public testing::TestWithParam<FlatCase> {};

TEST_P(BlurFlatArea, EveryPathGivesTheWorkedLevel) {
    const FlatCase c = GetParam();
    for (const NamedBlur& blur : everyBlur()) {
        TestMask mask(9, 5, 255);
        blur.blur(mask.view(), c.radius);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(mask.at(x, y), c.level) << blur.name << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EffectRadii, BlurFlatArea,
                         testing::Values(FlatCase{0.6, 255}, FlatCase{1, 255}, FlatCase{1.5, 254},
                                         FlatCase{2.5, 253}, FlatCase{5, 254}, FlatCase{10, 253},
                                         FlatCase{50, 254}, FlatCase{100, 255}));

// A 255 frame two pixels thick at radius 0.6: every outer pixel reads only
// frame pixels (itself twice past the edge, its inner neighbour), and a flat
// 255 stays 255 at this radius, so the outer ring keeps 255.
TEST(BlurTest, FrameAtTheBorderKeepsItsOuterRing) {
    for (const NamedBlur& blur : everyBlur()) {
        TestMask mask(8, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 8; ++x)
                if (x < 2 || x > 5 || y < 2 || y > 4) mask.at(x, y) = 255;
        blur.blur(mask.view(), 0.6);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 8; ++x)
                if (x == 0 || x == 7 || y == 0 || y == 6) {
                    EXPECT_EQ(mask.at(x, y), 255) << blur.name << " at " << x << "," << y;
                }
    }
}

TEST(BlurTest, UnusableRadiusLeavesTheMaskAlone) {
    for (const NamedBlur& blur : everyBlur())
        for (const double radius : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity()}) {
            TestMask mask(6, 4);
            mask.at(2, 1) = 200;
            const std::vector<uint8_t> before = mask.bytes;
            blur.blur(mask.view(), radius);
            EXPECT_EQ(mask.bytes, before) << blur.name << " radius " << radius;
        }
}

// ---- every fast path against the plain blur ----

// Content with the features effect masks have: hard-edged shapes, soft
// ramps, noise and flat 0 and 255 runs.
void fillRandom(TestMask& mask, std::mt19937& rng) {
    const int style = int(rng() % 4);
    const int cx = int(rng() % unsigned(mask.width)), cy = int(rng() % unsigned(mask.height));
    const int r = 1 + int(rng() % 40);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const int dx = x - cx, dy = y - cy;
            const bool in = dx * dx + dy * dy <= r * r;
            uint8_t v = 0;
            switch (style) {
            case 0:
                v = uint8_t(rng());
                break;
            case 1:
                v = in ? 255 : 0;
                break;
            case 2:
                v = uint8_t(std::clamp(255 - 6 * (std::abs(dx) + std::abs(dy)), 0, 255));
                break;
            default:
                v = in ? uint8_t(255 - rng() % 8) : uint8_t(rng() % 3 == 0 ? rng() : 0);
                break;
            }
            mask.at(x, y) = v;
        }
}

// Where two masks first differ, spare bytes included; empty when equal.
std::string firstDifference(const TestMask& actual, const TestMask& expected) {
    for (size_t i = 0; i < actual.bytes.size(); ++i)
        if (actual.bytes[i] != expected.bytes[i])
            return "byte " + std::to_string(i % size_t(actual.stride)) + "," +
                   std::to_string(i / size_t(actual.stride)) + " is " +
                   std::to_string(actual.bytes[i]) + ", plain blur " +
                   std::to_string(expected.bytes[i]);
    return {};
}

double randomRadius(std::mt19937& rng) {
    static const double kRadii[] = {0.6, 1, 2.5, 50, 100, 200};
    if (rng() % 2 == 0) return kRadii[rng() % std::size(kRadii)];
    const double range = rng() % 4 == 0 ? 200 : 12;
    return 0.05 + double(rng() % 100000) / 100000 * range;
}

// Case n draws its size, radius, content and strip width from seed n, so a
// failing case can be rerun alone.
TEST(BlurDifferentialTest, EveryPathEqualsThePlainBlurOnRandomMasks) {
    const std::vector<lx::BlurLineKernels> kernelSets = lx::blurLineKernelSets();
    for (int caseNo = 0; caseNo < 300; ++caseNo) {
        std::mt19937 rng(uint32_t(7919 * caseNo + 11));
        int w = 1 + int(rng() % 80), h = 1 + int(rng() % 80);
        if (caseNo % 10 == 0) w = 1;
        if (caseNo % 10 == 1) h = 1;
        // Wide and tall masks reach the full vector blocks and the seams of
        // the default strips and bands.
        if (caseNo % 10 == 2) w = 100 + int(rng() % 300);
        if (caseNo % 10 == 3) h = 100 + int(rng() % 300);
        const double radius = randomRadius(rng);
        const int strip = rng() % 2 == 0 ? lx::BlurStripWidth : 1 + int(rng() % 40);
        TestMask expected(w, h);
        fillRandom(expected, rng);
        const TestMask source = expected;
        lx::gaussianBlurMaskReference(expected.view(), radius);
        // One thread, and three sharing out every band and strip however
        // small.
        for (const int threads : {1, 3}) {
            const RowBandSettings bands(threads, 1);
            for (const lx::BlurLineKernels& kernels : kernelSets) {
                TestMask actual = source;
                lx::gaussianBlurMaskWith(actual.view(), radius, kernels, strip);
                ASSERT_EQ(firstDifference(actual, expected), "")
                    << "case " << caseNo << ": " << kernels.name << ", " << w << " x " << h
                    << ", radius " << radius << ", strip " << strip << ", " << threads
                    << " threads";
            }
        }
    }
}

// ---- the engine operation ----

TEST(GaussianBlurMaskTest, BlursAGreyPictureInPlace) {
    QImage mask = solidGrey(7, 6, 0);
    mask.scanLine(2)[3] = 255;
    ASSERT_TRUE(TlxImage::GaussianBlurMask(mask, 0.6));
    EXPECT_EQ(greyAt(mask, 3, 2), 113);
    EXPECT_EQ(greyAt(mask, 2, 1), 6);
    EXPECT_EQ(greyAt(mask, 4, 2), 28);
    EXPECT_EQ(greyAt(mask, 0, 0), 0);
}

TEST(GaussianBlurMaskTest, RefusesPicturesItCannotBlur) {
    QImage null;
    EXPECT_FALSE(TlxImage::GaussianBlurMask(null, 2));
    EXPECT_TRUE(null.isNull());

    for (const QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_BGR888, QImage::Format_Mono}) {
        QImage picture(9, 5, format);
        picture.fill(0);
        picture.setPixel(4, 2, 1);
        const QImage before = picture.copy();
        EXPECT_FALSE(TlxImage::GaussianBlurMask(picture, 2)) << format;
        EXPECT_EQ(picture, before) << format;
    }

    for (const double radius : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity()}) {
        QImage mask = solidGrey(9, 5, 0);
        mask.scanLine(2)[4] = 255;
        const QImage before = mask.copy();
        EXPECT_FALSE(TlxImage::GaussianBlurMask(mask, radius)) << radius;
        EXPECT_EQ(mask, before) << radius;
    }
}

} // namespace
