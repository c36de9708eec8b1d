#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

// The thirteen built-in text effects are style files. Most of what they hold
// is checked by reading each one into a layer and comparing the layer's
// settings with the presets' settings table; only what a reader does not
// keep (the header, the file's length, the gloss bytes of older files) is
// checked byte by byte.

namespace {

// A colour as the settings table writes it, red-green-blue hexadecimal, in
// the records' form 0x00BBGGRR.
constexpr uint32_t rgb(uint32_t hex) {
    return (hex >> 16 & 0xFF) | (hex & 0xFF00) | (hex & 0xFF) << 16;
}

// ---- the settings table ----

// Offsets are the user's; the records hold offset - 2M.
struct Shadow {
    uint8_t mode;
    uint32_t colour;
    uint8_t opacity;
    int size, spread, x, y;
};
struct Glow {
    uint8_t mode;
    uint32_t colour;
    uint8_t opacity;
    int size, spread;
};
struct Bevel {
    uint8_t kind;
    int size, spread, x, y;
    uint8_t highlightMode;
    uint32_t highlightColour;
    uint8_t highlightOpacity;
    uint8_t shadowMode;
    uint32_t shadowColour;
    uint8_t shadowOpacity;
};
struct Stroke {
    uint8_t mode;
    uint32_t colour;
    uint8_t opacity;
    int size, softness;
    uint8_t position;
    bool contour;
};
struct Overlay {
    uint8_t mode;
    uint32_t colour;
    uint8_t opacity;
};
// Both rainbow presets share their six stops (below).
struct Gradient {
    uint8_t mode, opacity, kind;
    int angle;
    bool reverse;
};

// A preset: list entry Index applies resource 100 + Index. Every effect not
// given is off; pattern overlay and stroke gradient are off in all of them.
struct Preset {
    int index;
    uint16_t version;
    double opacity;
    bool ignore;
    std::optional<Shadow> dropShadow = {}, innerShadow = {};
    std::optional<Glow> outerGlow = {}, innerGlow = {};
    std::optional<Bevel> bevel = {};
    std::optional<Stroke> stroke = {};
    std::optional<Overlay> colourOverlay = {};
    std::optional<Gradient> gradientOverlay = {};
};

constexpr uint8_t kInner = 0, kOutside = 0;
constexpr Shadow kGoldInnerShadow{0, rgb(0xFF8040), 75, 2, 0, 2, 2};
constexpr Overlay kYellow{0, rgb(0xFFFF00), 100};

const Preset kPresets[] = {
    {.index = 0, .version = 259, .opacity = 1.0, .ignore = false},
    {.index = 1,
     .version = 256,
     .opacity = 1.0,
     .ignore = false,
     .dropShadow = Shadow{9, rgb(0x000000), 75, 2, 0, 2, 2}},
    {.index = 2,
     .version = 256,
     .opacity = 0.0,
     .ignore = true,
     .bevel = Bevel{kInner, 2, 0, -2, 2, 16, rgb(0xFFFFFF), 75, 9, rgb(0x000000), 75},
     .stroke = Stroke{0, rgb(0x000000), 100, 1, 2, kOutside, false}},
    {.index = 3,
     .version = 259,
     .opacity = 0.0,
     .ignore = true,
     .stroke = Stroke{0, rgb(0xFF0000), 100, 5, 0, kOutside, false}},
    {.index = 4,
     .version = 256,
     .opacity = 1.0,
     .ignore = false,
     .outerGlow = Glow{16, rgb(0xFFCD33), 85, 25, 10}},
    {.index = 5,
     .version = 256,
     .opacity = 1.0,
     .ignore = false,
     .outerGlow = Glow{16, rgb(0xFFFFFF), 100, 26, 6}},
    {.index = 6,
     .version = 256,
     .opacity = 0.0,
     .ignore = true,
     .innerShadow = kGoldInnerShadow,
     .colourOverlay = kYellow},
    {.index = 7,
     .version = 256,
     .opacity = 0.0,
     .ignore = true,
     .innerShadow = kGoldInnerShadow,
     .outerGlow = Glow{16, rgb(0xFFCD58), 100, 28, 8},
     .bevel = Bevel{kInner, 5, 0, -2, 2, 16, rgb(0xFFFF00), 75, 9, rgb(0xFF8040), 75},
     .colourOverlay = kYellow},
    {.index = 8,
     .version = 257,
     .opacity = 0.0,
     .ignore = true,
     .gradientOverlay = Gradient{0, 100, lxGradientDiagonal, 135, false}},
    {.index = 9,
     .version = 257,
     .opacity = 0.0,
     .ignore = true,
     .dropShadow = Shadow{9, rgb(0x000000), 75, 5, 0, 2, 2},
     .bevel = Bevel{kInner, 8, 0, 2, 5, 16, rgb(0xE1F3F3), 50, 9, rgb(0x4E3710), 30},
     .gradientOverlay = Gradient{0, 100, lxGradientHorizontal, 45, false}},
    {.index = 10,
     .version = 259,
     .opacity = 0.0,
     .ignore = true,
     .stroke = Stroke{0, rgb(0xFF0000), 100, 0, 11, kOutside, true},
     .colourOverlay = kYellow},
    {.index = 11,
     .version = 259,
     .opacity = 1.0,
     .ignore = false,
     .stroke = Stroke{0, rgb(0xFFFFFF), 100, 3, 0, kOutside, false}},
    {.index = 12,
     .version = 259,
     .opacity = 1.0,
     .ignore = false,
     .stroke = Stroke{0, rgb(0x00FFFF), 100, 3, 0, kOutside, false}},
};

const uint32_t kRainbowColours[6] = {rgb(0xFF0000), rgb(0xFFFC00), rgb(0x01B439),
                                     rgb(0x00EAFF), rgb(0x000290), rgb(0xFF00C6)};
const double kRainbowLengths[6] = {0.2, 0.2, 0.2, 0.2, 0.2, 0.0};

// Preset 110's stroke contour: points (0, 255), (128, 0), (255, 255) and this
// table for inputs 0..255.
const TlxContourPoint kHaloPoints[3] = {{0, 255}, {128, 0}, {255, 255}};
const uint8_t kHaloTable[256] = {
    0,   3,   7,   10,  13,  16,  19,  22,  25,  28,  31,  34,  37,  40,  43,  46,  49,  52,  55,
    58,  61,  64,  67,  70,  73,  75,  78,  81,  84,  87,  90,  93,  96,  99,  101, 104, 107, 109,
    112, 115, 118, 121, 123, 126, 129, 131, 134, 137, 139, 141, 144, 147, 149, 151, 154, 157, 159,
    161, 164, 166, 167, 169, 171, 174, 176, 178, 181, 183, 185, 187, 189, 191, 193, 195, 197, 199,
    201, 203, 205, 207, 209, 211, 213, 214, 216, 218, 219, 221, 223, 224, 225, 227, 229, 230, 231,
    233, 235, 236, 237, 238, 239, 240, 241, 243, 244, 245, 245, 246, 247, 248, 249, 250, 251, 251,
    251, 252, 253, 253, 253, 254, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 254, 253, 253, 253, 252, 251, 251, 251, 250, 249, 248, 247, 246, 245, 244, 243,
    242, 241, 240, 239, 238, 237, 235, 234, 233, 231, 230, 229, 227, 225, 224, 223, 221, 219, 218,
    216, 214, 213, 211, 209, 207, 205, 203, 201, 199, 197, 195, 193, 191, 189, 187, 185, 182, 180,
    178, 175, 173, 171, 169, 167, 164, 161, 159, 157, 154, 151, 149, 147, 144, 141, 139, 137, 134,
    131, 129, 126, 123, 121, 118, 115, 112, 109, 107, 104, 101, 99,  96,  93,  90,  87,  84,  81,
    78,  75,  72,  69,  67,  64,  61,  58,  55,  52,  49,  46,  43,  40,  37,  34,  31,  28,  25,
    22,  19,  16,  13,  10,  7,   5,   2,   0};

std::string presetName(int index) {
    return "preset " + std::to_string(100 + index);
}

// ---- the bytes a reader does not keep ----

uint8_t u8(const QByteArray& f, int at) {
    return uint8_t(f.at(at));
}

TEST(PresetTextEffectTest, OnlyThirteenPresetsExist) {
    EXPECT_TRUE(TlxImage::PresetTextEffect(-1).isEmpty());
    EXPECT_TRUE(TlxImage::PresetTextEffect(13).isEmpty());
    EXPECT_FALSE(TlxImage::PresetTextEffect(0).isEmpty());
    EXPECT_FALSE(TlxImage::PresetTextEffect(12).isEmpty());
}

// The header (name, a zero padding byte, the version word) and the length.
// Each switch is followed by its record: after the 14-byte header and the
// blending options (opacity 8, mode 1, ignore flag 1) come six effects,
// colour overlay (16) and gloss (48). Short records (shadow 52, glow 44,
// bevel 64, stroke 36): 24 + 2 * 53 + 2 * 45 + 65 + 37 + 17 + 49 = 388 ends
// a version 256 file; version 257 adds the gradient overlay (1 + 840) and
// the pattern overlay (1 + 8): 1238. Long records (shadow 728, glow 720,
// bevel 740, stroke 712): 24 + 2 * 729 + 2 * 721 + 741 + 713 + 17 + 49, then
// gradient overlay, stroke gradient and pattern overlay: 6135.
TEST(PresetTextEffectTest, HeaderVersionAndLength) {
    for (const Preset& p : kPresets) {
        SCOPED_TRACE(presetName(p.index));
        const QByteArray f = TlxImage::PresetTextEffect(p.index);
        EXPECT_EQ(f.left(12), QByteArray("\nLayerStyle\0", 12));
        ASSERT_GE(f.size(), 14);
        EXPECT_EQ(u8(f, 12) | u8(f, 13) << 8, p.version);
        EXPECT_EQ(f.size(), p.version == 259 ? 6135 : p.version == 257 ? 1238 : 388);
    }
}

// The gloss switch and its 48 bytes are empty in every preset, in version
// 256 too, where no reader looks at them. They follow the colour overlay:
// 388 - 49 = 339 with short records, 24 + 2 * 729 + 2 * 721 + 741 + 713 + 17
// = 4395 with long ones.
TEST(PresetTextEffectTest, GlossBlockIsEmpty) {
    for (const Preset& p : kPresets) {
        SCOPED_TRACE(presetName(p.index));
        const QByteArray f = TlxImage::PresetTextEffect(p.index);
        const int at = p.version == 259 ? 4395 : 339;
        ASSERT_GE(f.size(), at + 49);
        for (int k = 0; k <= 48; ++k)
            ASSERT_EQ(u8(f, at + k), 0) << "gloss byte " << k;
    }
}

// ---- the settings, read into a layer ----

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

template <typename T> void scribble(T& field) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memset(&field, 0x5A, sizeof field);
}

template <typename T> bool allZero(const T& field) {
    static_assert(std::is_trivially_copyable_v<T>);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&field);
    return std::all_of(bytes, bytes + sizeof field, [](uint8_t b) { return b == 0; });
}

// Switches every effect on with settings no preset uses, and fills the
// fields that no effect reads (stream lengths, reserved words, unused
// contour points and gradient stops, the gloss bytes), so that whatever the
// layer holds after a preset was read came from the file.
void switchEverythingOn(TlxImage& img, int index) {
    const TlxImage::ContourPointArray points{};
    TlxImage::ContourTableArray table{};
    for (int i = 0; i < 257; ++i)
        table[size_t(i)] = uint8_t(std::min(i, 255));
    TlxLayer& layer = img.Layers[size_t(index)];
    TlxLayerStyle& s = layer.Style;
    s.Bevel.BevelKind = 1;
    s.Stroke.Position = 2;
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
    s.ColorOverlayOn = true;
    s.ColorOverlay.Color = lxRGB(1, 2, 3);
    s.GlossOn = true;
    layer.Opacity = 0.5;
    layer.BlendMode = 3;
    s.EffectsIgnoreOpacity = true;

    for (TlxShadowStyle* r : {&s.DropShadow, &s.InnerShadow}) {
        scribble(r->MaskStreamSize);
        scribble(r->Reserved3);
        scribble(r->Contour.Points);
    }
    for (TlxGlowStyle* r : {&s.OuterGlow, &s.InnerGlow}) {
        scribble(r->MaskStreamSize);
        scribble(r->Reserved3);
        scribble(r->Contour.Points);
    }
    scribble(s.Bevel.MaskStreamSize);
    scribble(s.Bevel.Contour.Points);
    scribble(s.Stroke.MaskStreamSize);
    scribble(s.Stroke.Reserved);
    scribble(s.Stroke.Contour.Points);
    scribble(s.Stroke.Contour.Pad1);
    scribble(s.Stroke.Contour.Pad2);
    for (int k = 2; k < TlxGradientStyle::MaxStops; ++k)
        scribble(s.GradientOverlay.Stops[k]);
    scribble(s.Gloss);
}

int margin(int size, int spread) {
    return std::max(size, spread);
}

void expectMaskSize(const QImage& mask, int m) {
    EXPECT_EQ(mask.width(), kW + 4 * m);
    EXPECT_EQ(mask.height(), kH + 4 * m);
}

void expectShadow(const TlxShadowStyle& r, const QImage& mask, const Shadow& want) {
    const int m = margin(want.size, want.spread);
    EXPECT_EQ(r.BlendMode, want.mode);
    EXPECT_EQ(r.Color, want.colour);
    EXPECT_EQ(r.Opacity, want.opacity);
    EXPECT_EQ(r.Size, want.size);
    EXPECT_EQ(r.Spread, want.spread);
    EXPECT_EQ(r.DrawX, want.x - 2 * m);
    EXPECT_EQ(r.DrawY, want.y - 2 * m);
    EXPECT_EQ(r.Contour.UseContour, 0);
    expectMaskSize(mask, m);
}

void expectGlow(const TlxGlowStyle& r, const QImage& mask, const Glow& want) {
    const int m = margin(want.size, want.spread);
    EXPECT_EQ(r.BlendMode, want.mode);
    EXPECT_EQ(r.Color, want.colour);
    EXPECT_EQ(r.Opacity, want.opacity);
    EXPECT_EQ(r.Size, want.size);
    EXPECT_EQ(r.Spread, want.spread);
    // A glow has no offset of its own.
    EXPECT_EQ(r.DrawX, -2 * m);
    EXPECT_EQ(r.DrawY, -2 * m);
    EXPECT_EQ(r.Contour.UseContour, 0);
    expectMaskSize(mask, m);
}

void expectBevel(const TlxBevelStyle& r, const QImage& mask, const Bevel& want) {
    const int m = margin(want.size, want.spread);
    EXPECT_EQ(r.BevelKind, want.kind);
    EXPECT_EQ(r.Size, want.size);
    EXPECT_EQ(r.Spread, want.spread);
    EXPECT_EQ(r.HighlightMode, want.highlightMode);
    EXPECT_EQ(r.HighlightColor, want.highlightColour);
    EXPECT_EQ(r.HighlightOpacity, want.highlightOpacity);
    EXPECT_EQ(r.ShadowMode, want.shadowMode);
    EXPECT_EQ(r.ShadowColor, want.shadowColour);
    EXPECT_EQ(r.ShadowOpacity, want.shadowOpacity);
    // The highlight sits at the offset, the shadow opposite it.
    EXPECT_EQ(r.HighlightDrawX, want.x - 2 * m);
    EXPECT_EQ(r.HighlightDrawY, want.y - 2 * m);
    EXPECT_EQ(r.ShadowDrawX, -want.x - 2 * m);
    EXPECT_EQ(r.ShadowDrawY, -want.y - 2 * m);
    EXPECT_EQ(r.MaskStreamSize, 0);
    EXPECT_EQ(r.Contour.UseContour, 0);
    expectMaskSize(mask, m);
}

void expectStroke(const TlxStrokeStyle& r, const QImage& mask, const Stroke& want) {
    // A stroke reaches its width plus its softness.
    const int m = want.size + want.softness;
    EXPECT_EQ(r.BlendMode, want.mode);
    EXPECT_EQ(r.Color, want.colour);
    EXPECT_EQ(r.Opacity, want.opacity);
    EXPECT_EQ(r.Size, want.size);
    EXPECT_EQ(r.Softness, want.softness);
    EXPECT_EQ(r.Position, want.position);
    EXPECT_EQ(r.DrawX, -2 * m);
    EXPECT_EQ(r.DrawY, -2 * m);
    EXPECT_EQ(r.Contour.UseContour, want.contour ? 1 : 0);
    expectMaskSize(mask, m);
}

void expectRainbow(const TlxGradientStyle& r, const QImage& picture, const Gradient& want) {
    EXPECT_EQ(r.BlendMode, want.mode);
    EXPECT_EQ(r.Opacity, want.opacity);
    EXPECT_EQ(r.GradientKind, want.kind);
    EXPECT_EQ(r.Angle, want.angle);
    EXPECT_EQ(r.Reverse, want.reverse ? 1 : 0);
    EXPECT_EQ(r.StopCount, 6);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(r.Stops[k].Color, kRainbowColours[k]) << "stop " << k;
        EXPECT_EQ(r.Stops[k].Reserved, 0u) << "stop " << k;
        EXPECT_EQ(r.Stops[k].Length, kRainbowLengths[k]) << "stop " << k;
    }
    for (int k = 6; k < TlxGradientStyle::MaxStops; ++k)
        EXPECT_TRUE(allZero(r.Stops[k])) << "unused stop " << k;
    // The overlay is rendered at the layer's size.
    EXPECT_EQ(picture.width(), kW);
    EXPECT_EQ(picture.height(), kH);
}

// Each switch of the layer with the picture it needs: a switched-on effect
// has its picture, a switched-off one none.
void expectSwitches(const TlxLayerStyle& s, const Preset& p) {
    struct Switch {
        const char* name;
        bool want;
        bool flag;
        const QImage* picture;
    };
    const Switch switches[] = {
        {"drop shadow", p.dropShadow.has_value(), s.DropShadowOn, &s.DropShadowMask},
        {"inner shadow", p.innerShadow.has_value(), s.InnerShadowOn, &s.InnerShadowMask},
        {"outer glow", p.outerGlow.has_value(), s.OuterGlowOn, &s.OuterGlowMask},
        {"inner glow", p.innerGlow.has_value(), s.InnerGlowOn, &s.InnerGlowMask},
        {"bevel", p.bevel.has_value(), s.BevelOn, &s.BevelMask},
        {"stroke", p.stroke.has_value(), s.StrokeOn, &s.StrokeMask},
        {"colour overlay", p.colourOverlay.has_value(), s.ColorOverlayOn, nullptr},
        {"gradient overlay", p.gradientOverlay.has_value(), s.GradientOverlayOn,
         &s.GradientOverlayBitmap},
        {"pattern overlay", false, s.PatternOverlayOn, &s.PatternBitmap},
        {"stroke gradient", false, s.StrokeGradientOn, &s.StrokeGradientBitmap},
    };
    for (const Switch& sw : switches) {
        EXPECT_EQ(sw.flag, sw.want) << sw.name;
        if (sw.picture) {
            EXPECT_EQ(!sw.picture->isNull(), sw.want) << sw.name << " picture";
        }
    }
}

void expectPreset(const TlxLayer& layer, const Preset& p) {
    const TlxLayerStyle& s = layer.Style;
    EXPECT_EQ(layer.Opacity, p.opacity);
    EXPECT_EQ(layer.BlendMode, 0); // normal in every preset
    EXPECT_EQ(s.EffectsIgnoreOpacity, p.ignore);
    expectSwitches(s, p);
    if (p.dropShadow) {
        SCOPED_TRACE("drop shadow");
        expectShadow(s.DropShadow, s.DropShadowMask, *p.dropShadow);
    }
    if (p.innerShadow) {
        SCOPED_TRACE("inner shadow");
        expectShadow(s.InnerShadow, s.InnerShadowMask, *p.innerShadow);
    }
    if (p.outerGlow) {
        SCOPED_TRACE("outer glow");
        expectGlow(s.OuterGlow, s.OuterGlowMask, *p.outerGlow);
    }
    if (p.innerGlow) {
        SCOPED_TRACE("inner glow");
        expectGlow(s.InnerGlow, s.InnerGlowMask, *p.innerGlow);
    }
    if (p.bevel) {
        SCOPED_TRACE("bevel");
        expectBevel(s.Bevel, s.BevelMask, *p.bevel);
    }
    if (p.stroke) {
        SCOPED_TRACE("stroke");
        expectStroke(s.Stroke, s.StrokeMask, *p.stroke);
        // A stroke without a contour carries an empty contour block and
        // empty tail words (long records only: short ones have no block).
        if (!p.stroke->contour && p.version == 259) {
            EXPECT_TRUE(allZero(s.Stroke.Contour));
            EXPECT_EQ(s.Stroke.MaskStreamSize, 0);
            EXPECT_EQ(s.Stroke.Reserved, 0u);
        }
    }
    if (p.colourOverlay) {
        SCOPED_TRACE("colour overlay");
        EXPECT_EQ(s.ColorOverlay.BlendMode, p.colourOverlay->mode);
        EXPECT_EQ(s.ColorOverlay.Color, p.colourOverlay->colour);
        EXPECT_EQ(s.ColorOverlay.Opacity, p.colourOverlay->opacity);
    }
    if (p.gradientOverlay) {
        SCOPED_TRACE("gradient overlay");
        expectRainbow(s.GradientOverlay, s.GradientOverlayBitmap, *p.gradientOverlay);
    }
    // From version 257 on the gloss bytes are read, and they are empty.
    if (p.version >= 257) {
        EXPECT_TRUE(allZero(s.Gloss));
    }
}

// Reads each preset into a fresh layer and into one with every effect on:
// the settings are those of the table either way.
class PresetSettingsTest : public testing::TestWithParam<bool> {
protected:
    // The layer after Preset was read into it.
    const TlxLayer& read(int preset) {
        img = documentWithLayer();
        index = img->LayersCount - 1;
        if (GetParam()) switchEverythingOn(*img, index);
        EXPECT_TRUE(img->LoadLayerStyleFromData(index, TlxImage::PresetTextEffect(preset)));
        EXPECT_TRUE(img->CanReDraw);
        return img->Layers[size_t(index)];
    }
    bool busy() const { return GetParam(); }

    std::unique_ptr<TlxImage> img;
    int index = 0;
};

TEST_P(PresetSettingsTest, EveryPresetHasTheSettingsOfTheTable) {
    for (const Preset& p : kPresets) {
        SCOPED_TRACE(presetName(p.index));
        const TlxLayer& layer = read(p.index);
        expectPreset(layer, p);
        // The gloss switch is never taken from a file.
        EXPECT_EQ(layer.Style.GlossOn, busy());
    }
}

// Effects that are off still carry the layer style dialog's starting values.
TEST_P(PresetSettingsTest, SwitchedOffEffectsCarryTheirSettings) {
    {
        SCOPED_TRACE(presetName(0));
        // Drop shadow: multiply, 75 %, size 5, offset (-5, 5), M = 5; a long
        // record with an empty contour block and empty tail words.
        const TlxShadowStyle& r = read(0).Style.DropShadow;
        EXPECT_EQ(r.BlendMode, 9);
        EXPECT_EQ(r.Opacity, 75);
        EXPECT_EQ(r.Size, 5);
        EXPECT_EQ(r.DrawX, -5 - 10);
        EXPECT_EQ(r.DrawY, 5 - 10);
        EXPECT_EQ(r.MaskStreamSize, 0);
        EXPECT_TRUE(allZero(r.Contour));
        EXPECT_TRUE(allZero(r.Reserved3));
    }
    {
        SCOPED_TRACE(presetName(1));
        const TlxLayerStyle& s = read(1).Style;
        // Inner shadow: multiply, 75 %, size 5, offset (5, 5), M = 5.
        EXPECT_EQ(s.InnerShadow.BlendMode, 9);
        EXPECT_EQ(s.InnerShadow.Opacity, 75);
        EXPECT_EQ(s.InnerShadow.Size, 5);
        EXPECT_EQ(s.InnerShadow.DrawX, 5 - 10);
        EXPECT_EQ(s.InnerShadow.DrawY, 5 - 10);
        // The short drop shadow that is on ends in an empty stream length
        // and two empty reserved words.
        EXPECT_EQ(s.DropShadow.MaskStreamSize, 0);
        EXPECT_TRUE(allZero(s.DropShadow.Reserved3));
    }
}

TEST_P(PresetSettingsTest, RedHaloStrokeCarriesItsContour) {
    const TlxContour& c = read(10).Style.Stroke.Contour;
    EXPECT_EQ(c.UseContour, 1);
    ASSERT_EQ(c.PointCount, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(c.Points[k].X, kHaloPoints[k].X) << "point " << k;
        EXPECT_EQ(c.Points[k].Y, kHaloPoints[k].Y) << "point " << k;
    }
    for (int k = 3; k < TlxContour::MaxPoints; ++k)
        EXPECT_TRUE(allZero(c.Points[k])) << "unused point " << k;
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(c.Table[k], kHaloTable[k]) << "table entry " << k;
    EXPECT_EQ(c.Table[256], 0);
}

INSTANTIATE_TEST_SUITE_P(FreshAndBusyLayers, PresetSettingsTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "OverEveryEffectSwitchedOn" : "OnAFreshLayer";
                         });

// ---- the presets drawn ----

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
    expectSwitches(img->Layers[size_t(index)].Style, kPresets[0]); // everything off
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
