// Blend modes, worked by hand from the per-mode formulas.
//
// Notation in the comments: D destination byte, L source byte, a coverage,
// N() nearest integer with halves to even, mix(t) = N(a * t + (1 - a) * D).

#include "lxImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

namespace {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

uint32_t packed(Rgb c) {
    return uint32_t(c.r) * 65536u + uint32_t(c.g) * 256u + uint32_t(c.b);
}

// A destination pixel is stored blue, green, red.
std::array<uint8_t, 3> bytesOf(Rgb c) {
    return {uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)};
}
Rgb rgbOf(const std::array<uint8_t, 3>& px) {
    return {px[2], px[1], px[0]};
}

Rgb grey(int v) {
    return {v, v, v};
}

Rgb blend(TlxImage& img, int mode, Rgb dst, Rgb src, double a) {
    auto px = bytesOf(dst);
    EXPECT_TRUE(img.BlendPixel(px.data(), uint8_t(mode), packed(src), a));
    return rgbOf(px);
}

Rgb blendMasked(TlxImage& img, int mode, Rgb dst, Rgb src, double a, Rgb mask) {
    auto px = bytesOf(dst);
    EXPECT_TRUE(img.BlendPixelMasked(px.data(), uint8_t(mode), packed(src), a, packed(mask)));
    return rgbOf(px);
}

class BlendPixelTest : public ::testing::Test {
protected:
    std::unique_ptr<TlxImage> img = std::make_unique<TlxImage>();
};

// ---------------------------------------------------------------------------
// Modes whose channels are independent, one grey case per row: the same D, L
// and a in all three channels, so every channel must come out equal.

struct ChannelCase {
    int mode;
    int d;
    int l;
    double a;
    int expected;
};

TEST_F(BlendPixelTest, ChannelFormulas) {
    const ChannelCase cases[] = {
        // normal: N((1 - a) D + a L)
        {0, 0, 255, 0.5, 128},    // 127.5 -> even 128
        {0, 255, 0, 0.5, 128},    // 127.5 -> 128
        {0, 0, 255, 1.0, 255},    // full coverage copies L
        {0, 100, 200, 0.25, 125}, // 75 + 50
        // add: min(N(aL + D), 255)
        {1, 0, 255, 0.5, 128},   // 127.5 -> 128
        {1, 1, 255, 0.5, 128},   // 128.5 -> even 128
        {1, 200, 100, 1.0, 255}, // 300 capped
        // subtract: max(N(D - aL), 0)
        {2, 200, 255, 0.5, 72}, // 72.5 -> even 72
        {2, 100, 255, 0.5, 0},  // -27.5 -> floored at 0
        // xor / or / and with N(aL)
        {3, 170, 255, 1.0, 85},  // 10101010 ^ 11111111
        {3, 170, 255, 0.5, 42},  // N(127.5) = 128; 10101010 ^ 10000000
        {4, 170, 15, 1.0, 175},  // 10101010 | 00001111
        {4, 33, 255, 0.5, 161},  // 33 | 128
        {5, 170, 15, 1.0, 10},   // 10101010 & 00001111
        {5, 170, 255, 0.5, 128}, // 170 & 128
        // difference: abs(N(D - aL))
        {6, 10, 200, 1.0, 190},  // |-190|
        {6, 200, 100, 0.5, 150}, // 200 - 50
        // darken / brighten: mix(min) / mix(max)
        {7, 100, 50, 1.0, 50},
        {7, 100, 50, 0.5, 75}, // 25 + 50
        {7, 50, 100, 1.0, 50},
        {8, 100, 50, 1.0, 100},
        {8, 50, 100, 0.5, 75}, // 50 + 25
        // multiply: mix(D L / 255)
        {9, 255, 128, 1.0, 128},
        {9, 100, 200, 1.0, 78}, // 20000 / 255 = 78.43
        {9, 100, 200, 0.5, 89}, // 39.22 + 50 = 89.22
        {9, 51, 5, 1.0, 1},     // 255 / 255
        // inverse multiply: min(mix(255 - D + L), 255)
        {10, 100, 50, 1.0, 205},
        {10, 50, 100, 1.0, 255},  // 305 capped
        {10, 100, 50, 0.5, 152},  // 102.5 + 50 = 152.5 -> even 152
        {10, 100, 200, 0.5, 228}, // 177.5 + 50 = 227.5 -> even 228 (capped after mixing)
        // linear light: clamp(mix(L + D - 128))
        {11, 100, 50, 1.0, 22},
        {11, 50, 20, 1.0, 0},     // -58
        {11, 50, 20, 0.5, 0},     // -29 + 25 = -4
        {11, 200, 200, 1.0, 255}, // 272
        {11, 100, 200, 0.5, 136}, // 86 + 50
        // linear filter: a becomes a L / 128 when L < 128
        {12, 0, 64, 1.0, 32},    // a = 0.5: 32
        {12, 200, 64, 1.0, 132}, // a = 0.5: 100 + 32
        {12, 200, 64, 0.5, 166}, // a = 0.25: 150 + 16
        {12, 200, 0, 1.0, 200},  // a = 0: black leaves D
        {12, 0, 128, 1.0, 128},  // 128 is not scaled
        // linear multiply on a grey source: mean m = L; a scaled by m / 128 when m < 128
        {13, 0, 60, 1.0, 28},    // a = 0.46875: 28.125
        {13, 200, 60, 1.0, 134}, // 0.53125 * 200 + 28.125 = 134.375
        {13, 0, 128, 1.0, 128},  // m = 128 is not scaled
        {13, 0, 200, 0.5, 100},  // 0.5 * 200
        // reverse soft light: clamp(N(a (D - L) + D))
        {15, 100, 50, 1.0, 150},
        {15, 50, 100, 1.0, 0},
        {15, 200, 50, 1.0, 255},
        {15, 100, 50, 0.5, 125},
        // screen: min(mix(L + D - L D / 255), 255)
        {16, 100, 100, 1.0, 161}, // 200 - 39.22 = 160.78
        {16, 100, 100, 0.5, 130}, // 80.39 + 50 = 130.39
        {16, 255, 77, 1.0, 255},  // 332 - 77
        {16, 0, 77, 1.0, 77},
        // overlay with factor 512: D <= 128 dark branch, else light branch
        {17, 128, 200, 1.0, 202}, // dark: 128 * 200 * 512 / 65025 = 201.57 (light would give 200)
        {17, 129, 200, 1.0,
         200}, // light: 255 - N(126 * 55 * 512 / 65025 = 54.57) (dark would give 203)
        {17, 64, 255, 1.0, 129},  // 64 * 512 / 255 = 128.50 (factor 510 would give 128)
        {17, 128, 255, 1.0, 255}, // 65536 / 255 = 257.0 clamped
        {17, 200, 0, 1.0, 145},   // 255 - N(55 * 512 / 255 = 110.43)
        {17, 100, 100, 0.5, 90},  // t = N(78.74) = 79; 39.5 + 50 = 89.5 -> even 90
        // colour burn: L = 0 gives N((1 - a) D); else mix(max(N(D - (255 - D) / L (255 - L)), 0))
        {22, 200, 0, 1.0, 0},
        {22, 201, 0, 0.5, 100},   // 100.5 -> even 100
        {22, 200, 100, 1.0, 115}, // 200 - 0.55 * 155 = 114.75
        {22, 200, 100, 0.5, 158}, // 57.5 + 100 = 157.5 -> even 158
        {22, 50, 10, 1.0, 0},     // 50 - 20.5 * 245
        {22, 77, 255, 1.0, 77},   // white subtracts nothing
        // colour dodge: L = 255 gives t = 255; else min(N(D / ((255 - L) / 255)), 255)
        {23, 0, 255, 0.5, 128}, // mix(255) = 127.5 -> 128
        {23, 100, 255, 1.0, 255},
        {23, 40, 55, 1.0, 51}, // 40 * 255 / 200
        {23, 0, 100, 1.0, 0},
        {23, 200, 100, 1.0, 255}, // 200 * 255 / 155 = 329
        // inverse burn: L = 0 unchanged; else min(N((255 - D) / L (255 - L) + D), 255)
        {24, 77, 0, 1.0, 77},
        {24, 100, 50, 1.0, 255},  // 3.1 * 205 + 100
        {24, 200, 200, 1.0, 215}, // 0.275 * 55 + 200 = 215.125
        {24, 200, 200, 0.5, 208}, // 107.5 + 100 = 207.5 -> even 208
        {24, 90, 255, 1.0, 90},   // (255 - L) = 0 adds nothing
        // soft light: L > 128 adds (L - 128) * 0.465, L < 128 takes (127 - L) * 0.485
        {25, 100, 127, 1.0, 100}, // (127 - 127) * 0.485 = 0
        {25, 100, 128, 1.0, 100}, // unchanged
        {25, 100, 129, 1.0, 100}, // 100.465
        {25, 100, 130, 1.0, 101}, // 100.93
        {25, 100, 150, 1.0, 110}, // 22 * 0.465 = 10.23 (counting from 127 would give 111)
        {25, 100, 120, 1.0, 97},  // 7 * 0.485 = 3.395 -> 96.605 (from 128: 96)
        {25, 100, 255, 1.0, 159}, // 127 * 0.465 = 59.055
        {25, 250, 255, 1.0, 255}, // 309 capped
        {25, 100, 0, 1.0, 38},    // 127 * 0.485 = 61.595 -> 38.405
        {25, 100, 0, 0.5, 69},    // t = 38: 19 + 50
        {25, 10, 0, 1.0, 0},      // -51.6 floored
    };
    for (const ChannelCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " D " << c.d << " L " << c.l << " a " << c.a);
        EXPECT_EQ(blend(*img, c.mode, grey(c.d), grey(c.l), c.a), grey(c.expected));
    }
}

TEST_F(BlendPixelTest, ChannelsMapToBlueGreenRedBytes) {
    // Colour 0x123456 is red 0x12, green 0x34, blue 0x56; the pixel stores blue first.
    std::array<uint8_t, 3> px{1, 2, 3};
    EXPECT_TRUE(img->BlendPixel(px.data(), 0, 0x123456u, 1.0));
    EXPECT_EQ(px, (std::array<uint8_t, 3>{0x56, 0x34, 0x12}));

    // Darken per channel: red min(100, 50), green min(10, 60), blue min(200, 70).
    EXPECT_EQ(blend(*img, 7, {100, 10, 200}, {50, 60, 70}, 1.0), (Rgb{50, 10, 70}));
    // Subtract per channel: red 200 - 20, green 50 - 60 -> 0, blue 30 - 5.
    EXPECT_EQ(blend(*img, 2, {200, 50, 30}, {20, 60, 5}, 1.0), (Rgb{180, 0, 25}));
}

TEST_F(BlendPixelTest, LinearMultiplyScalesEveryChannelByTheSourceMean) {
    // Source (30, 60, 90): mean 60 < 128, every coverage becomes 60 / 128 = 0.46875.
    // Over black: 30 * 0.46875 = 14.06, 60 * 0.46875 = 28.13, 90 * 0.46875 = 42.19.
    EXPECT_EQ(blend(*img, 13, grey(0), {30, 60, 90}, 1.0), (Rgb{14, 28, 42}));
    // Linear filter scales each channel by its own value instead:
    // a = 30/128: 7.03; a = 60/128: 28.13; a = 90/128: 63.28.
    EXPECT_EQ(blend(*img, 12, grey(0), {30, 60, 90}, 1.0), (Rgb{7, 28, 63}));

    // Source (0, 200, 200): mean 133.3, no scaling, so the black channel is copied;
    // linear filter instead gives the black channel coverage 0.
    EXPECT_EQ(blend(*img, 13, grey(200), {0, 200, 200}, 1.0), (Rgb{0, 200, 200}));
    EXPECT_EQ(blend(*img, 12, grey(200), {0, 200, 200}, 1.0), (Rgb{200, 200, 200}));
}

TEST_F(BlendPixelTest, ZeroCoverageAndUnknownModesLeaveThePixel) {
    const Rgb dst{170, 100, 30};
    const Rgb src{15, 200, 0};
    for (int mode = 0; mode <= 255; ++mode) {
        SCOPED_TRACE(mode);
        // AND with a = 0 would give 170 & 0 = 0 if the formula ran.
        EXPECT_EQ(blend(*img, mode, dst, src, 0.0), dst);
        EXPECT_EQ(blendMasked(*img, mode, dst, src, 0.0, grey(255)), dst);
        if (mode > 32) {
            EXPECT_EQ(blend(*img, mode, dst, src, 1.0), dst);
            EXPECT_EQ(blendMasked(*img, mode, dst, src, 1.0, grey(255)), dst);
        }
    }
}

TEST(BlendRoundEvenTest, HalvesGoToTheEvenNeighbour) {
    const struct {
        double value;
        int expected;
    } cases[] = {{0.5, 0},   {1.5, 2},     {2.5, 2},     {127.5, 128}, {128.5, 128}, {-0.5, 0},
                 {-1.5, -2}, {-27.5, -28}, {0.49999, 0}, {0.50001, 1}, {254.6, 255}, {-3.2, -3}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundEven(c.value), c.expected) << c.value;
}

TEST(BlendRoundEvenTest, AgreesWithTheLibraryAndSaturatesAtTheEnds) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> wide(-2.1e9, 2.1e9), narrow(-600.0, 600.0);
    for (int i = 0; i < 200000; ++i) {
        // Quarter steps hit exact halves often; the rest are arbitrary.
        const double quarter = std::floor(narrow(rng) * 4) / 4;
        for (double v : {wide(rng), narrow(rng), quarter})
            ASSERT_EQ(RoundEven(v), int(std::nearbyint(v))) << v;
    }
    EXPECT_EQ(RoundEven(2147483000.5), 2147483000);
    EXPECT_EQ(RoundEven(1e12), std::numeric_limits<int>::max());
    EXPECT_EQ(RoundEven(-1e12), std::numeric_limits<int>::min());
    EXPECT_EQ(RoundEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

// ---------------------------------------------------------------------------
// HSL conversions and modes 18..21.

TEST(BlendHslTest, RgbToHsl) {
    const struct {
        Rgb rgb;
        double h, s, l;
    } cases[] = {
        {{255, 0, 0}, 0, 100, 50},
        {{255, 255, 0}, 60, 100, 50},  // red is largest first: (g - b) / d = 1
        {{0, 255, 0}, 120, 100, 50},   // (b - r) / d + 2 = 2
        {{0, 0, 255}, 240, 100, 50},   // (r - g) / d + 4 = 4
        {{255, 0, 255}, 300, 100, 50}, // (g - b) / d = -1 -> -1/6 + 1
        {{200, 100, 100}, 0, 100.0 * 100 / 210, 100.0 * 150 / 255}, // L >= 0.5: d / (2 - mx - mn)
        {{100, 50, 50}, 0, 100.0 * 50 / 150, 100.0 * 75 / 255},     // L < 0.5: d / (mx + mn)
        {{51, 102, 204}, 220, 60, 50}, // ((51 - 102) / 153 + 4) / 6 = 11/18
        {{128, 128, 128}, 0, 0, 100.0 * 128 / 255},
        {{0, 0, 0}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rgb);
        double h = -1, s = -1, l = -1;
        TlxImage::RgbToHsl(c.rgb.r, c.rgb.g, c.rgb.b, h, s, l);
        EXPECT_NEAR(h, c.h, 1e-9);
        EXPECT_NEAR(s, c.s, 1e-9);
        EXPECT_NEAR(l, c.l, 1e-9);
    }
}

TEST(BlendHslTest, HslToRgbUsesTheEnginesSimplifiedModel) {
    const struct {
        double h, s, l;
        Rgb expected;
    } cases[] = {
        // pure hues, 4.25 steps per degree; 30 * 4.25 = 127.5 -> even 128
        {0, 100, 50, {255, 0, 0}},
        {30, 100, 50, {255, 128, 0}},
        {60, 100, 50, {255, 255, 0}},
        {60.5, 100, 50, {253, 255, 0}}, // 255 - 0.5 * 4.25 = 252.875
        {90, 100, 50, {128, 255, 0}},
        {150, 100, 50, {0, 255, 128}},
        {210, 100, 50, {0, 128, 255}},
        {270, 100, 50, {128, 0, 255}},
        {330, 100, 50, {255, 0, 128}},
        // saturation e = |S - 100| / 100 pulls towards 128: C - (C - 128) e
        {0, 50, 50, {192, 64, 64}}, // 255 - 63.5 = 191.5 -> 192; 0 + 64
        {0, 0, 50, {128, 128, 128}},
        // lightness f = (L - 50) / 50
        {0, 100, 75, {255, 128, 128}}, // f = 0.5: 255 * 0.5 = 127.5 -> 128
        {0, 100, 25, {128, 0, 0}},     // f = -0.5: 255 - 127.5 -> 128
        {0, 0, 100, {255, 255, 255}},
        {0, 0, 0, {0, 0, 0}},
        // both: e = 0.4 gives 51.2 -> 51 and 204.2 -> 204; f = -0.2: 40.8 -> 41, 163.2 -> 163
        {120, 60, 40, {41, 163, 41}},
        // out of range gives black
        {360, 100, 50, {0, 0, 0}},
        {-1, 100, 50, {0, 0, 0}},
        {0, 101, 50, {0, 0, 0}},
        {0, -1, 50, {0, 0, 0}},
        {0, 100, 100.5, {0, 0, 0}},
        {0, 100, -0.5, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "H " << c.h << " S " << c.s << " L " << c.l);
        Rgb out{-1, -1, -1};
        TlxImage::HslToRgb(c.h, c.s, c.l, out.r, out.g, out.b);
        EXPECT_EQ(out, c.expected);
    }
}

TEST_F(BlendPixelTest, HslModes) {
    // Destination (200, 100, 100) is H 0, S 47.619 (100 / 210), L 58.824 (150 / 255).
    const Rgb rose{200, 100, 100};
    const struct {
        int mode;
        Rgb dst, src;
        double a;
        Rgb expected;
    } cases[] = {
        // Hue of green (120): pure (0, 255, 0); e = 0.5238: 0 -> 67.05, 255 -> 188.48;
        // f = 0.17647: 67 + 188 f = 100.18, 188 + 67 f = 199.82.
        {18, rose, {0, 255, 0}, 1.0, {100, 200, 100}},
        // Saturation of a grey source is 0: everything goes to 128 first, then the
        // destination's lightness: red (L 50) stays 128; rose: 128 + 127 f = 150.41.
        {19, {255, 0, 0}, grey(100), 1.0, grey(128)},
        {19, rose, grey(100), 1.0, grey(150)},
        // Lightness of black: f = -1 sends every component to 0; at a = 0.5 that halves D.
        {20, rose, grey(0), 1.0, grey(0)},
        {20, rose, grey(0), 0.5, {100, 50, 50}},
        // Lightness of white: f = 1 sends every component to 255.
        {20, rose, grey(255), 1.0, grey(255)},
        // Colour of blue (H 240, S 100) on grey 100 (L 39.216): pure (0, 0, 255), e = 0,
        // f = -0.21569: 255 - 55 = 200.
        {21, grey(100), {0, 0, 255}, 1.0, {0, 0, 200}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " dst " << c.dst << " src " << c.src << " a " << c.a);
        EXPECT_EQ(blend(*img, c.mode, c.dst, c.src, c.a), c.expected);
    }
}

// ---------------------------------------------------------------------------
// Table modes 26..32.

TEST_F(BlendPixelTest, ZeroTablesDarkenInProportionToCoverage) {
    for (auto& table : img->BlendTables)
        table.fill(0);
    for (int mode = 26; mode <= 32; ++mode) {
        SCOPED_TRACE(mode);
        // t = 0: mix(0) = N((1 - a) D); 201 * 0.5 = 100.5 -> even 100.
        EXPECT_EQ(blend(*img, mode, {200, 201, 100}, {255, 128, 7}, 0.5), (Rgb{100, 100, 50}));
        EXPECT_EQ(blend(*img, mode, {200, 201, 100}, {255, 128, 7}, 0.25), (Rgb{150, 151, 75}));
        EXPECT_EQ(blend(*img, mode, {200, 201, 100}, {255, 128, 7}, 1.0), grey(0));
    }
}

TEST_F(BlendPixelTest, TableModesLookUpLayerThenDestination) {
    // Table k is 20 + k everywhere except [L = 10][D = 200], which is 100 + k.
    for (int k = 0; k < TlxImage::BlendTableCount; ++k) {
        img->BlendTables[k].fill(uint8_t(20 + k));
        img->BlendTables[k][10 * 256 + 200] = uint8_t(100 + k);
    }
    for (int k = 0; k < TlxImage::BlendTableCount; ++k) {
        SCOPED_TRACE(26 + k);
        // red L 10 over D 200 hits the special entry; green L 200 over D 10 is the
        // transposed index and must not.
        EXPECT_EQ(blend(*img, 26 + k, {200, 10, 50}, {10, 200, 10}, 1.0),
                  (Rgb{100 + k, 20 + k, 20 + k}));
    }
    // Mixed by coverage: 0.5 * 100 + 0.5 * 200 = 150.
    EXPECT_EQ(blend(*img, 26, grey(200), grey(10), 0.5), grey(150));
}

// ---------------------------------------------------------------------------
// Dissolve: one draw r in 0..99 per call; a channel takes L when a * 100 > r.

// Counts the calls in which the whole pixel became L; fails on any mixed result.
int dissolveHits(TlxImage& img, double a, int calls) {
    const Rgb dst{200, 150, 100};
    const Rgb src{10, 20, 30};
    int hits = 0;
    for (int i = 0; i < calls; ++i) {
        const Rgb out = blend(img, 14, dst, src, a);
        if (out == src)
            ++hits;
        else
            EXPECT_EQ(out, dst) << "call " << i;
    }
    return hits;
}

TEST_F(BlendPixelTest, DissolveTakesTheWholeSourceOrNothing) {
    // a = 1: 100 > r for every r.
    EXPECT_EQ(dissolveHits(*img, 1.0, 500), 500);
    // a = 0.5: 50 > r for half the draws.
    const int half = dissolveHits(*img, 0.5, 4000);
    EXPECT_GT(half, 1600);
    EXPECT_LT(half, 2400);
    // a = 0.01: 1 > r only for r = 0, about 1 % (a ">=" would give 2 %).
    const int onePercent = dissolveHits(*img, 0.01, 20000);
    EXPECT_GT(onePercent, 100);
    EXPECT_LT(onePercent, 300);
    // a = 0.001: 0.1 > r again only for r = 0.
    const int tiny = dissolveHits(*img, 0.001, 20000);
    EXPECT_GT(tiny, 100);
    EXPECT_LT(tiny, 300);
}

// ---------------------------------------------------------------------------
// Masked variant: channel c is covered by Coverage * M_c / 255.

class BlendMaskedTest : public BlendPixelTest {};

TEST_F(BlendMaskedTest, EachChannelTakesItsCoverageFromTheSameMaskChannel) {
    // Normal, white over black. Red mask 255: a = 1 -> 255; green 128: a = 128/255
    // -> 128; blue 0: untouched.
    EXPECT_EQ(blendMasked(*img, 0, grey(0), grey(255), 1.0, {255, 128, 0}), (Rgb{255, 128, 0}));
    // The same mask reversed lands reversed.
    EXPECT_EQ(blendMasked(*img, 0, grey(0), grey(255), 1.0, {0, 128, 255}), (Rgb{0, 128, 255}));
    // Coverage and mask multiply: 0.5 * 255 / 255 = 0.5 -> 127.5 -> 128; 0.5 * 102 / 255 = 0.2
    // -> 51.
    EXPECT_EQ(blendMasked(*img, 0, grey(0), grey(255), 0.5, {255, 102, 0}), (Rgb{128, 51, 0}));
}

TEST_F(BlendMaskedTest, UncoveredChannelIsNeverWritten) {
    // AND with coverage 0 would compute D & N(0) = 0; the green channel must keep 170.
    // Red and blue: 170 & 15 = 10.
    EXPECT_EQ(blendMasked(*img, 5, grey(170), grey(15), 1.0, {255, 0, 255}), (Rgb{10, 170, 10}));

    const Rgb dst{10, 100, 200};
    const Rgb src{200, 50, 0};
    for (int mode = 0; mode <= 32; ++mode) {
        SCOPED_TRACE(mode);
        const int calls = mode == 14 ? 200 : 1;
        for (int i = 0; i < calls; ++i)
            EXPECT_EQ(blendMasked(*img, mode, dst, src, 1.0, grey(0)), dst);
    }
}

TEST_F(BlendMaskedTest, DissolveComparesEveryChannelWithOneDraw) {
    // Coverages 0.3, 0.6 and 0.9 against one r: whenever red (the smallest)
    // changes, green and blue change too, and whenever green does, blue does.
    const Rgb dst = grey(0);
    const Rgb src = grey(255);
    const Rgb mask{77, 153, 230}; // 77 / 255 = 0.302, 153 / 255 = 0.6, 230 / 255 = 0.902
    int seen[8] = {};
    for (int i = 0; i < 2000; ++i) {
        const Rgb out = blendMasked(*img, 14, dst, src, 1.0, mask);
        const bool r = out.r == 255, g = out.g == 255, b = out.b == 255;
        ASSERT_TRUE(!r || g) << "call " << i;
        ASSERT_TRUE(!g || b) << "call " << i;
        ++seen[r * 4 + g * 2 + b];
    }
    // All four nested outcomes occur: r < 31 gives all three, up to 59 green and blue,
    // up to 90 blue only, above that none.
    EXPECT_GT(seen[7], 0);
    EXPECT_GT(seen[3], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[0], 0);
}

TEST_F(BlendMaskedTest, WhiteMaskMatchesTheUnmaskedVariant) {
    // A white mask gives every channel Coverage * 255 / 255; with coverages whose
    // product with 255 is exact, that is the unmasked coverage bit for bit. A
    // second document starts its dissolve generator from the same seed, so mode
    // 14 stays in step too.
    auto other = std::make_unique<TlxImage>();
    const int values[] = {0, 1, 64, 127, 128, 129, 200, 254, 255};
    const double coverages[] = {1.0, 0.75, 0.5, 0.25};
    for (int mode = 0; mode <= 33; ++mode) {
        for (double a : coverages) {
            for (int d : values) {
                for (int l : values) {
                    const Rgb dst{d, 255 - d, d / 2};
                    const Rgb src{l, l / 3, 255 - l};
                    ASSERT_EQ(blendMasked(*img, mode, dst, src, a, grey(255)),
                              blend(*other, mode, dst, src, a))
                        << "mode " << mode << " a " << a << " D " << d << " L " << l;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// The tables the document loads from its built-in resources.

TEST(BlendTablesTest, BuiltInTablesHoldTheirModes) {
    auto img = std::make_unique<TlxImage>();
    const auto& t = img->BlendTables;
    auto at = [&](int table, int l, int d) { return int(t[table][l * 256 + d]); };

    for (int d : {0, 1, 100, 128, 254, 255}) {
        SCOPED_TRACE(d);
        EXPECT_EQ(at(0, 0, d), 0);         // hard light, black layer: 2 * 0 * D / 255
        EXPECT_EQ(at(0, 255, d), 255);     // white layer: 255 - 2 * 0 * (255 - D) / 255
        EXPECT_EQ(at(1, 128, d), d);       // vivid light: dodge by 2 * (128 - 128) = 0
        EXPECT_EQ(at(2, 128, d), d);       // pin light: max(D, 0)
        EXPECT_EQ(at(6, 255, d), 255 - d); // exclusion: 255 + D - 2 * D
        EXPECT_EQ(at(6, 0, d), d);
    }
    EXPECT_EQ(at(0, 64, 200), 100);  // hard light: 2 * 64 * 200 / 255 = 100.39
    EXPECT_EQ(at(2, 10, 200), 20);   // pin light: min(200, 2 * 10)
    EXPECT_EQ(at(2, 200, 10), 144);  // max(10, 2 * (200 - 128))
    EXPECT_EQ(at(3, 100, 155), 255); // hard mix: 100 + 155 >= 255
    EXPECT_EQ(at(3, 100, 154), 0);
    EXPECT_EQ(at(4, 200, 100), 45); // linear burn: 200 + 100 - 255
    EXPECT_EQ(at(4, 100, 100), 0);
    EXPECT_EQ(at(5, 100, 200), 255); // linear dodge: 300 capped
    EXPECT_EQ(at(5, 10, 20), 30);
}

TEST(BlendTablesTest, TableModesUseTheBuiltInTables) {
    auto img = std::make_unique<TlxImage>();
    // Linear dodge: 100 + 50, 20 + 50, 250 + 50 capped.
    EXPECT_EQ(blend(*img, 31, {100, 20, 250}, grey(50), 1.0), (Rgb{150, 70, 255}));
    // Exclusion with white inverts: 255 - D.
    EXPECT_EQ(blend(*img, 32, {0, 100, 255}, grey(255), 1.0), (Rgb{255, 155, 0}));
}

} // namespace
