#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---- reading the files ----

uint8_t u8(const QByteArray& f, int at) {
    return uint8_t(f.at(at));
}
uint32_t u32(const QByteArray& f, int at) {
    return uint32_t(u8(f, at)) | uint32_t(u8(f, at + 1)) << 8 | uint32_t(u8(f, at + 2)) << 16 |
           uint32_t(u8(f, at + 3)) << 24;
}
int32_t i32(const QByteArray& f, int at) {
    return int32_t(u32(f, at));
}
double f64(const QByteArray& f, int at) {
    double d = 0;
    std::memcpy(&d, f.constData() + at, sizeof d);
    return d;
}

// The effect switches, as bits.
enum : unsigned {
    Drop = 1u << 0,
    Inner = 1u << 1,
    InnerGlow = 1u << 2,
    OuterGlow = 1u << 3,
    Bevel = 1u << 4,
    Stroke = 1u << 5,
    Color = 1u << 6,
    Gradient = 1u << 7,
    StrokeGradient = 1u << 8,
    Pattern = 1u << 9,
};

// Where each switch byte lies in a file; every switch is followed by its
// record. All versions start with the 14-byte header and the blending options
// (opacity 8, mode 1, ignore flag 1), so the first switch is at 24.
struct SwitchOffsets {
    int drop, inner, innerGlow, outerGlow, bevel, stroke, color, gloss, gradient, strokeGradient,
        pattern;
};
// Short records: shadow 52, glow 44, bevel 64, stroke 36; colour overlay 16,
// gloss 48: 24 + 53 = 77, + 53 = 130, + 45 = 175, + 45 = 220, + 65 = 285,
// + 37 = 322, + 17 = 339, + 49 = 388 (the end of a version 256 file), then in
// version 257 the gradient overlay 840: 388 + 841 = 1229, pattern 8: 1238.
constexpr SwitchOffsets kShort{24, 77, 130, 175, 220, 285, 322, 339, 388, -1, 1229};
// Long records: shadow 728, glow 720, bevel 740, stroke 712: 24 + 729 = 753,
// + 729 = 1482, + 721 = 2203, + 721 = 2924, + 741 = 3665, + 713 = 4378,
// + 17 = 4395, + 49 = 4444, + 841 = 5285, + 841 = 6126, + 9 = 6135.
constexpr SwitchOffsets kLong{24, 753, 1482, 2203, 2924, 3665, 4378, 4395, 4444, 5285, 6126};

struct PresetFile {
    int index;
    uint16_t version;
    int size;
    double opacity;
    bool ignore;
    unsigned on;
};

// The presets as the list shows them. Sizes: version 259 is 14 + 6121; 256 and
// 257 from the switch offsets above.
const PresetFile kPresets[] = {
    {0, 259, 6135, 1.0, false, 0},
    {1, 256, 388, 1.0, false, Drop},
    {2, 256, 388, 0.0, true, Bevel | Stroke},
    {3, 259, 6135, 0.0, true, Stroke},
    {4, 256, 388, 1.0, false, OuterGlow},
    {5, 256, 388, 1.0, false, OuterGlow},
    {6, 256, 388, 0.0, true, Inner | Color},
    {7, 256, 388, 0.0, true, Inner | OuterGlow | Bevel | Color},
    {8, 257, 1238, 0.0, true, Gradient},
    {9, 257, 1238, 0.0, true, Drop | Bevel | Gradient},
    {10, 259, 6135, 0.0, true, Stroke | Color},
    {11, 259, 6135, 1.0, false, Stroke},
    {12, 259, 6135, 1.0, false, Stroke},
};

TEST(PresetTextEffectTest, OnlyThirteenPresetsExist) {
    EXPECT_TRUE(TlxImage::PresetTextEffect(-1).isEmpty());
    EXPECT_TRUE(TlxImage::PresetTextEffect(13).isEmpty());
    EXPECT_FALSE(TlxImage::PresetTextEffect(0).isEmpty());
    EXPECT_FALSE(TlxImage::PresetTextEffect(12).isEmpty());
}

TEST(PresetTextEffectTest, HeaderSizeBlendingOptionsAndSwitches) {
    for (const PresetFile& p : kPresets) {
        SCOPED_TRACE("preset " + std::to_string(100 + p.index));
        const QByteArray f = TlxImage::PresetTextEffect(p.index);
        ASSERT_EQ(f.size(), p.size);
        EXPECT_EQ(f.left(12), QByteArray("\nLayerStyle\0", 12));
        EXPECT_EQ(u8(f, 12) | u8(f, 13) << 8, p.version);
        EXPECT_EQ(f64(f, 14), p.opacity);
        EXPECT_EQ(u8(f, 22), 0); // layer blend mode: normal in every preset
        EXPECT_EQ(u8(f, 23), p.ignore ? 1 : 0);

        const SwitchOffsets& at = p.version == 259 ? kLong : kShort;
        EXPECT_EQ(u8(f, at.drop), (p.on & Drop) ? 1 : 0);
        EXPECT_EQ(u8(f, at.inner), (p.on & Inner) ? 1 : 0);
        EXPECT_EQ(u8(f, at.innerGlow), (p.on & InnerGlow) ? 1 : 0);
        EXPECT_EQ(u8(f, at.outerGlow), (p.on & OuterGlow) ? 1 : 0);
        EXPECT_EQ(u8(f, at.bevel), (p.on & Bevel) ? 1 : 0);
        EXPECT_EQ(u8(f, at.stroke), (p.on & Stroke) ? 1 : 0);
        EXPECT_EQ(u8(f, at.color), (p.on & Color) ? 1 : 0);
        EXPECT_EQ(u8(f, at.gloss), 0);
        // The gloss block is empty in every preset, version 256 included.
        for (int k = 1; k <= 48; ++k)
            ASSERT_EQ(u8(f, at.gloss + k), 0) << "gloss byte " << k;
        if (p.version >= 257) {
            EXPECT_EQ(u8(f, at.gradient), (p.on & Gradient) ? 1 : 0);
            EXPECT_EQ(u8(f, at.pattern), 0);
        }
        if (p.version >= 258) {
            EXPECT_EQ(u8(f, at.strokeGradient), 0);
        }
    }
}

TEST(PresetTextEffectTest, LightShadowIsAShortRecordWithTheOffsetMovedByTheMargin) {
    const QByteArray f = TlxImage::PresetTextEffect(1);
    ASSERT_EQ(f.size(), 388);
    // Drop shadow record at 25: mode 0, colour 4, opacity 8, spread 20, size
    // 24, DrawX 32, DrawY 36, stream length 40, two reserved words 44..51.
    EXPECT_EQ(u8(f, 25), 9);
    EXPECT_EQ(u32(f, 29), 0u);
    EXPECT_EQ(u8(f, 33), 75);
    EXPECT_EQ(i32(f, 45), 0);
    EXPECT_EQ(i32(f, 49), 2);
    // Offset 2 with M = max(2, 0): 2 - 2 * 2.
    EXPECT_EQ(i32(f, 57), -2);
    EXPECT_EQ(i32(f, 61), -2);
    for (int k = 65; k < 77; ++k)
        EXPECT_EQ(u8(f, k), 0) << "byte " << k;
    // The inner shadow at 78 is off but holds the dialog's starting values:
    // multiply, 75 %, size 5, offset 5 stored as 5 - 2 * 5.
    EXPECT_EQ(u8(f, 77), 0);
    EXPECT_EQ(u8(f, 78), 9);
    EXPECT_EQ(u8(f, 86), 75);
    EXPECT_EQ(i32(f, 102), 5);
    EXPECT_EQ(i32(f, 110), -5);
    EXPECT_EQ(i32(f, 114), -5);
}

TEST(PresetTextEffectTest, ClearingPresetCarriesTheSettingsOfItsSwitchedOffShadow) {
    const QByteArray f = TlxImage::PresetTextEffect(0);
    ASSERT_EQ(f.size(), 6135);
    // Long drop shadow at 25, same field offsets as the short one.
    EXPECT_EQ(u8(f, 24), 0);
    EXPECT_EQ(u8(f, 25), 9);
    EXPECT_EQ(u8(f, 33), 75);
    EXPECT_EQ(i32(f, 49), 5);
    // Offset (-5, 5) with M = 5: (-5 - 10, 5 - 10).
    EXPECT_EQ(i32(f, 57), -15);
    EXPECT_EQ(i32(f, 61), -5);
    // Its contour block (44..719) and trailing words are empty.
    for (int k = 25 + 44; k < 753; ++k)
        ASSERT_EQ(u8(f, k), 0) << "byte " << k;
}

TEST(PresetTextEffectTest, GoldenGlowStoresItsColourRedFirst) {
    const QByteArray f = TlxImage::PresetTextEffect(4);
    ASSERT_EQ(f.size(), 388);
    // Short outer glow at 176: mode 0, colour 4, opacity 8, spread 12, size
    // 16, DrawX 24, DrawY 28.
    EXPECT_EQ(u8(f, 176), 16);
    // FFCD33: red FF in the low byte.
    EXPECT_EQ(u8(f, 180), 0xFF);
    EXPECT_EQ(u8(f, 181), 0xCD);
    EXPECT_EQ(u8(f, 182), 0x33);
    EXPECT_EQ(u8(f, 183), 0x00);
    EXPECT_EQ(u8(f, 184), 85);
    EXPECT_EQ(i32(f, 188), 10);
    EXPECT_EQ(i32(f, 192), 25);
    // M = max(25, 10); a glow sits at -2M both ways.
    EXPECT_EQ(i32(f, 200), -50);
    EXPECT_EQ(i32(f, 204), -50);
}

TEST(PresetTextEffectTest, HollowLettersBevelAndStroke) {
    const QByteArray f = TlxImage::PresetTextEffect(2);
    ASSERT_EQ(f.size(), 388);
    // Short bevel at 221: kind 0, size 4, highlight mode 21, opacity 22,
    // colour 24, shadow mode 28, opacity 29, colour 32, spread 36, highlight
    // X 40, Y 44, shadow X 48, Y 52, stream length 56, reserved 60.
    EXPECT_EQ(u8(f, 221), 0);
    EXPECT_EQ(i32(f, 225), 2);
    EXPECT_EQ(u8(f, 242), 16);
    EXPECT_EQ(u8(f, 243), 75);
    EXPECT_EQ(u32(f, 245), 0x00FFFFFFu);
    EXPECT_EQ(u8(f, 249), 9);
    EXPECT_EQ(u8(f, 250), 75);
    EXPECT_EQ(u32(f, 253), 0u);
    // Offset (-2, 2), M = 2: highlight (-2 - 4, 2 - 4), shadow (2 - 4, -2 - 4).
    EXPECT_EQ(i32(f, 261), -6);
    EXPECT_EQ(i32(f, 265), -2);
    EXPECT_EQ(i32(f, 269), -2);
    EXPECT_EQ(i32(f, 273), -6);
    EXPECT_EQ(i32(f, 277), 0);
    // Short stroke at 286: mode 0, size 4, softness 8, opacity 12, position
    // 13, colour 16, DrawX 20, DrawY 24, stream length 28, reserved 32.
    EXPECT_EQ(i32(f, 290), 1);
    EXPECT_EQ(i32(f, 294), 2);
    EXPECT_EQ(u8(f, 298), 100);
    EXPECT_EQ(u8(f, 299), 0);
    EXPECT_EQ(u32(f, 302), 0u);
    // The stroke reaches M = size + softness = 3: -2M = -6.
    EXPECT_EQ(i32(f, 306), -6);
    EXPECT_EQ(i32(f, 310), -6);
}

TEST(PresetTextEffectTest, RainbowsHoldSixStopsAndTheirAngle) {
    struct Case {
        int index, kind, angle;
    };
    // Stops FF0000, FFFC00, 01B439, 00EAFF, 000290, FF00C6 as 0x00BBGGRR.
    const uint32_t colours[6] = {0x000000FF, 0x0000FCFF, 0x0039B401,
                                 0x00FFEA00, 0x00900200, 0x00C600FF};
    const double lengths[6] = {0.2, 0.2, 0.2, 0.2, 0.2, 0.0};
    for (const Case c : {Case{8, 4, 135}, Case{9, 0, 45}}) {
        SCOPED_TRACE("preset " + std::to_string(100 + c.index));
        const QByteArray f = TlxImage::PresetTextEffect(c.index);
        ASSERT_EQ(f.size(), 1238);
        // Gradient record at 389: mode 0, kind 1, opacity 2, stop count 8,
        // reverse 12, angle 16, stops from 24, 16 bytes each.
        EXPECT_EQ(u8(f, 389), 0);
        EXPECT_EQ(u8(f, 390), c.kind);
        EXPECT_EQ(u8(f, 391), 100);
        EXPECT_EQ(i32(f, 397), 6);
        EXPECT_EQ(u8(f, 401), 0);
        EXPECT_EQ(i32(f, 405), c.angle);
        for (int s = 0; s < 6; ++s) {
            const int at = 413 + 16 * s;
            EXPECT_EQ(u32(f, at), colours[s]) << "stop " << s;
            EXPECT_EQ(u32(f, at + 4), 0u) << "stop " << s;
            EXPECT_EQ(f64(f, at + 8), lengths[s]) << "stop " << s;
        }
        for (int k = 413 + 16 * 6; k < 1229; ++k)
            ASSERT_EQ(u8(f, k), 0) << "byte " << k;
    }
    // Preset 109's bevel: size 8, offset (2, 5), M = 8; highlight (2 - 16,
    // 5 - 16), shadow (-2 - 16, -5 - 16); colours E1F3F3 and 4E3710.
    const QByteArray f = TlxImage::PresetTextEffect(9);
    EXPECT_EQ(i32(f, 225), 8);
    EXPECT_EQ(u8(f, 243), 50);
    EXPECT_EQ(u32(f, 245), 0x00F3F3E1u);
    EXPECT_EQ(u8(f, 250), 30);
    EXPECT_EQ(u32(f, 253), 0x0010374Eu);
    EXPECT_EQ(i32(f, 261), -14);
    EXPECT_EQ(i32(f, 265), -11);
    EXPECT_EQ(i32(f, 269), -18);
    EXPECT_EQ(i32(f, 273), -21);
}

TEST(PresetTextEffectTest, RedHaloStrokeCarriesItsContour) {
    const QByteArray f = TlxImage::PresetTextEffect(10);
    ASSERT_EQ(f.size(), 6135);
    // Long stroke at 3666: size 4, softness 8, opacity 12, position 13,
    // colour 16, DrawX 20, DrawY 24, contour 28 (switch 28, point count 32,
    // points 36, table 444 = 3666 + 28 + 416 = 4110).
    EXPECT_EQ(u8(f, 3665), 1);
    EXPECT_EQ(i32(f, 3670), 0);
    EXPECT_EQ(i32(f, 3674), 11);
    EXPECT_EQ(u8(f, 3678), 100);
    EXPECT_EQ(u8(f, 3679), 0);
    EXPECT_EQ(u32(f, 3682), 0x000000FFu);
    // M = 0 + 11.
    EXPECT_EQ(i32(f, 3686), -22);
    EXPECT_EQ(i32(f, 3690), -22);
    EXPECT_EQ(u8(f, 3694), 1);
    EXPECT_EQ(i32(f, 3698), 3);
    const int points[6] = {0, 255, 128, 0, 255, 255};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(i32(f, 3702 + 4 * k), points[k]) << "coordinate " << k;
    for (int k = 3702 + 24; k < 4110; ++k)
        ASSERT_EQ(u8(f, k), 0) << "byte " << k;
    const int table = 4110;
    EXPECT_EQ(u8(f, table + 0), 0);
    EXPECT_EQ(u8(f, table + 60), 167);
    EXPECT_EQ(u8(f, table + 120), 255);
    EXPECT_EQ(u8(f, table + 121), 255);
    EXPECT_EQ(u8(f, table + 135), 255);
    EXPECT_EQ(u8(f, table + 136), 254);
    EXPECT_EQ(u8(f, table + 254), 2);
    EXPECT_EQ(u8(f, table + 255), 0);
    EXPECT_EQ(u8(f, table + 256), 0);
    // Colour overlay at 4379: FFFF00 (red and green) at 100 %.
    EXPECT_EQ(u8(f, 4378), 1);
    EXPECT_EQ(u32(f, 4383), 0x0000FFFFu);
    EXPECT_EQ(u8(f, 4387), 100);
}

TEST(PresetTextEffectTest, OutlineColoursAndNoStrayContour) {
    struct Case {
        int index;
        uint32_t colour;
        int size, drawX;
    };
    // M = size + 0; DrawX = -2M.
    for (const Case c : {Case{3, 0x000000FFu, 5, -10}, Case{11, 0x00FFFFFFu, 3, -6},
                         Case{12, 0x00FFFF00u, 3, -6}}) {
        SCOPED_TRACE("preset " + std::to_string(100 + c.index));
        const QByteArray f = TlxImage::PresetTextEffect(c.index);
        ASSERT_EQ(f.size(), 6135);
        EXPECT_EQ(u32(f, 3682), c.colour);
        EXPECT_EQ(i32(f, 3670), c.size);
        EXPECT_EQ(i32(f, 3674), 0);
        EXPECT_EQ(i32(f, 3686), c.drawX);
        for (int k = 3694; k < 3666 + 712; ++k)
            ASSERT_EQ(u8(f, k), 0) << "byte " << k;
    }
}

// ---- applying the presets to a layer ----

constexpr int kW = 20, kH = 10;
constexpr int kLeft = 20, kTop = 15;

// A white 60 x 40 document with one opaque black 20 x 10 layer at (20, 15).
std::unique_ptr<TlxImage> documentWithLayer() {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, 60, 40));
    EXPECT_TRUE(img->AddBitmapLayer(solidBgr(kW, kH, {0, 0, 0})));
    TlxLayer& layer = img->Layers[size_t(img->LayersCount - 1)];
    layer.Left = kLeft;
    layer.Top = kTop;
    return img;
}

// Switches every effect on with settings no preset uses, so that applying a
// preset has to switch off, rebuild or overwrite each of them.
void switchEverythingOn(TlxImage& img, int index) {
    const TlxImage::ContourPointArray points{};
    TlxImage::ContourTableArray table{};
    for (int i = 0; i < 257; ++i)
        table[size_t(i)] = uint8_t(std::min(i, 255));
    ASSERT_TRUE(
        img.SetDropShadow(index, 3, 40, 7, 7, 1, 7, lxRGB(1, 2, 3), true, 0, points, table));
    ASSERT_TRUE(
        img.SetInnerShadow(index, 3, 40, 7, 7, 1, 7, lxRGB(1, 2, 3), true, 0, points, table));
    ASSERT_TRUE(img.SetOuterGlow(index, 3, 40, 1, 7, lxRGB(1, 2, 3), true, 0, points, table));
    ASSERT_TRUE(img.SetInnerGlow(index, 3, 40, 1, 7, lxRGB(1, 2, 3), true, 0, points, table));
    ASSERT_TRUE(img.SetBevel(index, 3, 3, 40, 40, 7, 7, 1, 7, lxRGB(1, 2, 3), lxRGB(1, 2, 3), true,
                             0, points, table));
    ASSERT_TRUE(img.SetStroke(index, 3, 40, 1, 7, lxRGB(1, 2, 3), true, 0, points, table));
    TColorlistSrcd stops;
    stops.Count = 2;
    stops.Stops = {{lxRGB(1, 2, 3), 0, 1.0}, {lxRGB(4, 5, 6), 0, 1.0}};
    ASSERT_TRUE(img.SetGradientStroke(index, 1, stops, true, 10));
    ASSERT_TRUE(img.SetGradientOverlay(index, 3, 40, 1, stops, true, 10));
    ASSERT_TRUE(img.SetPatternOverlay(index, 3, 40, solidBgr(4, 4, {9, 9, 9})));
    TlxLayer& layer = img.Layers[size_t(index)];
    layer.Style.ColorOverlayOn = true;
    layer.Style.ColorOverlay.Color = lxRGB(1, 2, 3);
    layer.Style.GlossOn = true;
    layer.Opacity = 0.5;
    layer.BlendMode = 3;
    layer.Style.EffectsIgnoreOpacity = true;
}

// A setting of the layer after a preset was applied, worked from the preset
// table: stored offsets are offset - 2M, glows and strokes sit at -2M, masks
// are the layer's size plus 4M each way.
struct Expect {
    int index;
    const char* what;
    std::function<double(const TlxLayer&)> get;
    double value;
};

#define FIELD(expr) #expr, [](const TlxLayer& l) { return double(l.Style.expr); }

const std::vector<Expect> kExpect = {
    // 100: switched-off shadow keeps its record: offset (-5, 5), M = 5.
    {0, FIELD(DropShadow.BlendMode), 9},
    {0, FIELD(DropShadow.Opacity), 75},
    {0, FIELD(DropShadow.Size), 5},
    {0, FIELD(DropShadow.DrawX), -15},
    {0, FIELD(DropShadow.DrawY), -5},
    // 101: M = 2.
    {1, FIELD(DropShadow.BlendMode), 9},
    {1, FIELD(DropShadow.Color), 0},
    {1, FIELD(DropShadow.Opacity), 75},
    {1, FIELD(DropShadow.Size), 2},
    {1, FIELD(DropShadow.Spread), 0},
    {1, FIELD(DropShadow.DrawX), -2},
    {1, FIELD(DropShadow.DrawY), -2},
    {1, FIELD(DropShadow.Contour.UseContour), 0},
    {1, FIELD(DropShadowMask.width()), kW + 8},
    {1, FIELD(DropShadowMask.height()), kH + 8},
    // 102: bevel M = 2, offset (-2, 2); stroke M = 1 + 2.
    {2, FIELD(Bevel.BevelKind), 0},
    {2, FIELD(Bevel.Size), 2},
    {2, FIELD(Bevel.HighlightMode), 16},
    {2, FIELD(Bevel.HighlightColor), 0xFFFFFF},
    {2, FIELD(Bevel.ShadowMode), 9},
    {2, FIELD(Bevel.ShadowColor), 0},
    {2, FIELD(Bevel.HighlightDrawX), -6},
    {2, FIELD(Bevel.HighlightDrawY), -2},
    {2, FIELD(Bevel.ShadowDrawX), -2},
    {2, FIELD(Bevel.ShadowDrawY), -6},
    {2, FIELD(Bevel.Contour.UseContour), 0},
    {2, FIELD(BevelMask.width()), kW + 8},
    {2, FIELD(Stroke.Size), 1},
    {2, FIELD(Stroke.Softness), 2},
    {2, FIELD(Stroke.Color), 0},
    {2, FIELD(Stroke.Position), 0},
    {2, FIELD(Stroke.DrawX), -6},
    {2, FIELD(Stroke.Contour.UseContour), 0},
    {2, FIELD(StrokeMask.width()), kW + 12},
    // 103: red, M = 5.
    {3, FIELD(Stroke.BlendMode), 0},
    {3, FIELD(Stroke.Opacity), 100},
    {3, FIELD(Stroke.Color), 0x0000FF},
    {3, FIELD(Stroke.Size), 5},
    {3, FIELD(Stroke.Softness), 0},
    {3, FIELD(Stroke.DrawY), -10},
    {3, FIELD(StrokeMask.height()), kH + 20},
    // 104: FFCD33, M = max(25, 10).
    {4, FIELD(OuterGlow.BlendMode), 16},
    {4, FIELD(OuterGlow.Color), 0x33CDFF},
    {4, FIELD(OuterGlow.Opacity), 85},
    {4, FIELD(OuterGlow.Size), 25},
    {4, FIELD(OuterGlow.Spread), 10},
    {4, FIELD(OuterGlow.DrawX), -50},
    {4, FIELD(OuterGlowMask.width()), kW + 100},
    // 105: M = max(26, 6).
    {5, FIELD(OuterGlow.Color), 0xFFFFFF},
    {5, FIELD(OuterGlow.Opacity), 100},
    {5, FIELD(OuterGlow.Size), 26},
    {5, FIELD(OuterGlow.Spread), 6},
    {5, FIELD(OuterGlow.DrawY), -52},
    // 106: inner shadow FF8040 at offset 2, M = 2; yellow overlay.
    {6, FIELD(InnerShadow.BlendMode), 0},
    {6, FIELD(InnerShadow.Color), 0x4080FF},
    {6, FIELD(InnerShadow.Opacity), 75},
    {6, FIELD(InnerShadow.Size), 2},
    {6, FIELD(InnerShadow.DrawX), -2},
    {6, FIELD(InnerShadowMask.width()), kW + 8},
    {6, FIELD(ColorOverlay.BlendMode), 0},
    {6, FIELD(ColorOverlay.Color), 0x00FFFF},
    {6, FIELD(ColorOverlay.Opacity), 100},
    // 107: glow M = 28; bevel M = 5, offset (-2, 2).
    {7, FIELD(InnerShadow.Color), 0x4080FF},
    {7, FIELD(OuterGlow.Color), 0x58CDFF},
    {7, FIELD(OuterGlow.Size), 28},
    {7, FIELD(OuterGlow.Spread), 8},
    {7, FIELD(OuterGlow.DrawX), -56},
    {7, FIELD(Bevel.Size), 5},
    {7, FIELD(Bevel.HighlightColor), 0x00FFFF},
    {7, FIELD(Bevel.ShadowColor), 0x4080FF},
    {7, FIELD(Bevel.HighlightDrawX), -12},
    {7, FIELD(Bevel.HighlightDrawY), -8},
    {7, FIELD(Bevel.ShadowDrawX), -8},
    {7, FIELD(Bevel.ShadowDrawY), -12},
    {7, FIELD(ColorOverlay.Color), 0x00FFFF},
    // 108: diagonal rainbow.
    {8, FIELD(GradientOverlay.BlendMode), 0},
    {8, FIELD(GradientOverlay.Opacity), 100},
    {8, FIELD(GradientOverlay.GradientKind), 4},
    {8, FIELD(GradientOverlay.Angle), 135},
    {8, FIELD(GradientOverlay.Reverse), 0},
    {8, FIELD(GradientOverlay.StopCount), 6},
    {8, FIELD(GradientOverlay.Stops[0].Color), 0x0000FF},
    {8, FIELD(GradientOverlay.Stops[2].Color), 0x39B401},
    {8, FIELD(GradientOverlay.Stops[5].Color), 0xC600FF},
    {8, FIELD(GradientOverlay.Stops[0].Length), 0.2},
    {8, FIELD(GradientOverlay.Stops[5].Length), 0.0},
    {8, FIELD(GradientOverlayBitmap.width()), kW},
    {8, FIELD(GradientOverlayBitmap.height()), kH},
    // 109: shadow M = 5; bevel M = 8, offset (2, 5); horizontal rainbow.
    {9, FIELD(DropShadow.Size), 5},
    {9, FIELD(DropShadow.DrawX), -8},
    {9, FIELD(DropShadowMask.width()), kW + 20},
    {9, FIELD(Bevel.Size), 8},
    {9, FIELD(Bevel.HighlightOpacity), 50},
    {9, FIELD(Bevel.ShadowOpacity), 30},
    {9, FIELD(Bevel.HighlightColor), 0xF3F3E1},
    {9, FIELD(Bevel.ShadowColor), 0x10374E},
    {9, FIELD(Bevel.HighlightDrawX), -14},
    {9, FIELD(Bevel.HighlightDrawY), -11},
    {9, FIELD(Bevel.ShadowDrawX), -18},
    {9, FIELD(Bevel.ShadowDrawY), -21},
    {9, FIELD(BevelMask.height()), kH + 32},
    {9, FIELD(GradientOverlay.GradientKind), 0},
    {9, FIELD(GradientOverlay.Angle), 45},
    {9, FIELD(GradientOverlay.StopCount), 6},
    // 110: soft red stroke, M = 0 + 11, shaped by its contour.
    {10, FIELD(Stroke.Size), 0},
    {10, FIELD(Stroke.Softness), 11},
    {10, FIELD(Stroke.Color), 0x0000FF},
    {10, FIELD(Stroke.DrawX), -22},
    {10, FIELD(Stroke.Contour.UseContour), 1},
    {10, FIELD(Stroke.Contour.PointCount), 3},
    {10, FIELD(Stroke.Contour.Points[1].X), 128},
    {10, FIELD(Stroke.Contour.Points[1].Y), 0},
    {10, FIELD(Stroke.Contour.Table[60]), 167},
    {10, FIELD(Stroke.Contour.Table[121]), 255},
    {10, FIELD(Stroke.Contour.Table[254]), 2},
    {10, FIELD(StrokeMask.width()), kW + 44},
    {10, FIELD(ColorOverlay.Color), 0x00FFFF},
    // 111, 112: white and light blue, M = 3.
    {11, FIELD(Stroke.Color), 0xFFFFFF},
    {11, FIELD(Stroke.Size), 3},
    {11, FIELD(Stroke.DrawX), -6},
    {12, FIELD(Stroke.Color), 0xFFFF00},
    {12, FIELD(Stroke.Size), 3},
    {12, FIELD(Stroke.DrawY), -6},
};

#undef FIELD

// Each switch of the layer with the picture it needs: a switched-on effect
// has its picture, a switched-off one none.
void expectSwitches(const TlxLayerStyle& s, unsigned on) {
    struct Switch {
        const char* name;
        unsigned bit;
        bool flag;
        const QImage* picture;
    };
    const Switch switches[] = {
        {"drop shadow", Drop, s.DropShadowOn, &s.DropShadowMask},
        {"inner shadow", Inner, s.InnerShadowOn, &s.InnerShadowMask},
        {"outer glow", OuterGlow, s.OuterGlowOn, &s.OuterGlowMask},
        {"inner glow", InnerGlow, s.InnerGlowOn, &s.InnerGlowMask},
        {"bevel", Bevel, s.BevelOn, &s.BevelMask},
        {"stroke", Stroke, s.StrokeOn, &s.StrokeMask},
        {"colour overlay", Color, s.ColorOverlayOn, nullptr},
        {"gradient overlay", Gradient, s.GradientOverlayOn, &s.GradientOverlayBitmap},
        {"pattern overlay", Pattern, s.PatternOverlayOn, &s.PatternBitmap},
        {"stroke gradient", StrokeGradient, s.StrokeGradientOn, &s.StrokeGradientBitmap},
    };
    for (const Switch& sw : switches) {
        const bool want = (on & sw.bit) != 0;
        EXPECT_EQ(sw.flag, want) << sw.name;
        if (sw.picture) {
            EXPECT_EQ(!sw.picture->isNull(), want) << sw.name << " picture";
        }
    }
}

void applyAndCheck(bool busy) {
    for (const PresetFile& p : kPresets) {
        SCOPED_TRACE("preset " + std::to_string(100 + p.index) + (busy ? " on a busy layer" : ""));
        auto img = documentWithLayer();
        const int index = img->LayersCount - 1;
        if (busy) switchEverythingOn(*img, index);
        ASSERT_TRUE(img->LoadLayerStyleFromData(index, TlxImage::PresetTextEffect(p.index)));

        const TlxLayer& layer = img->Layers[size_t(index)];
        EXPECT_EQ(layer.Opacity, p.opacity);
        EXPECT_EQ(layer.BlendMode, 0);
        EXPECT_EQ(layer.Style.EffectsIgnoreOpacity, p.ignore);
        // The gloss switch is never taken from a file.
        EXPECT_EQ(layer.Style.GlossOn, busy);
        expectSwitches(layer.Style, p.on);
        for (const Expect& e : kExpect)
            if (e.index == p.index) {
                EXPECT_EQ(e.get(layer), e.value) << e.what;
            }
        EXPECT_TRUE(img->CanReDraw);
    }
}

TEST(ApplyPresetTest, EveryPresetOnAFreshLayer) {
    applyAndCheck(false);
}

TEST(ApplyPresetTest, EveryPresetOverEveryEffectSwitchedOn) {
    applyAndCheck(true);
}

TEST(ApplyPresetTest, RedOutlineShowsOnlyTheStroke) {
    auto img = documentWithLayer();
    const int index = img->LayersCount - 1;
    ASSERT_TRUE(img->LoadLayerStyleFromData(index, TlxImage::PresetTextEffect(3)));
    ASSERT_TRUE(img->ReDraw());
    // The layer has opacity 0 but its effects ignore that: its black pixels
    // are not drawn and the stroke is knocked out over them, so the inside
    // stays white.
    EXPECT_EQ(bgrAt(img->ShowBmp, kLeft + 10, kTop + 5), (Bgr{255, 255, 255}));
    // Two pixels left of the layer, mid-height: the stroke mask is the layer
    // blurred by radius 2.5, about 0.27 of the kernel (the part 2 or more
    // pixels away) times about 0.95 (the rows the layer covers) of 255, well
    // above the size-5 threshold of 8, so it becomes 255: full red.
    EXPECT_EQ(bgrAt(img->ShowBmp, kLeft - 2, kTop + 5), (Bgr{0, 0, 255}));
    // Twelve pixels away lies outside the mask (M = 5, mask edge at -10).
    EXPECT_EQ(bgrAt(img->ShowBmp, kLeft - 12, kTop + 5), (Bgr{255, 255, 255}));
}

TEST(ApplyPresetTest, ClearingPresetUndoesAnotherPreset) {
    auto img = documentWithLayer();
    const int index = img->LayersCount - 1;
    ASSERT_TRUE(img->LoadLayerStyleFromData(index, TlxImage::PresetTextEffect(7)));
    ASSERT_TRUE(img->LoadLayerStyleFromData(index, TlxImage::PresetTextEffect(0)));
    ASSERT_TRUE(img->ReDraw());
    // Back to the plain black layer on white.
    EXPECT_EQ(bgrAt(img->ShowBmp, kLeft + 10, kTop + 5), (Bgr{0, 0, 0}));
    EXPECT_EQ(bgrAt(img->ShowBmp, kLeft - 2, kTop + 5), (Bgr{255, 255, 255}));
    expectSwitches(img->Layers[size_t(index)].Style, 0);
}

} // namespace

// Every preset on a line of bold text against a light background, one row
// each; with VELMO_SHOT_DIR set the picture is saved there for a look. Each
// preset other than the clearing one must change how its row looks.
TEST(ApplyPresetTest, GalleryOfEveryPresetOnText) {
    constexpr int kRowHeight = 70;
    auto img = std::make_unique<TlxImage>();
    ASSERT_TRUE(img->NewImage(true, lxRGB(200, 210, 230), 24, 420, 13 * kRowHeight));
    for (int i = 0; i < 13; ++i) {
        TlxTextStyle style{};
        SetText(style, "Happy \xc9\xfa\xc8\xd5"); // "Happy 生日" in GBK
        SetFontName(style, "DejaVu Sans");
        style.Size = 28;
        style.Bold = 1;
        style.Arrangement = lxTextStandard;
        style.Color = lxRGB(30, 90, 200);
        ASSERT_TRUE(img->AddTextLayer(40, i * kRowHeight + 15, style));
    }
    ASSERT_TRUE(img->ReDraw());
    const QImage plain = img->ShowBmp.copy();
    for (int i = 0; i < 13; ++i)
        ASSERT_TRUE(img->LoadLayerStyleFromData(i + 1, TlxImage::PresetTextEffect(i))) << i;
    ASSERT_TRUE(img->ReDraw());
    for (int i = 0; i < 13; ++i) {
        const QRect row(0, i * kRowHeight, 420, kRowHeight);
        const bool same = img->ShowBmp.copy(row) == plain.copy(row);
        EXPECT_EQ(same, i == 0) << "preset " << i;
    }
    const QByteArray dir = qgetenv("VELMO_SHOT_DIR");
    if (!dir.isEmpty())
        img->ShowBmp.save(QDir(QString::fromLocal8Bit(dir)).filePath("preset_text_effects.png"));
}
