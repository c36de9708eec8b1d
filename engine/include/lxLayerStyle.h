#pragma once

// The layer style: nine effects with their settings, the pictures they are
// drawn from, and whether the layer's opacity scales them. The settings
// records are stored byte for byte in design and style files, so their
// layout, padding and reserved fields included, is fixed; every offset is
// pinned below. Multi-byte values are little-endian in the files.

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

// A point of a contour curve: X input level, Y = 255 - output level.
struct TlxContourPoint {
    int32_t X;
    int32_t Y;
};

// The contour of shadows, glows, bevel and stroke: a look-up table of the
// mask byte (or, for inner effects, of the layer's coverage).
struct TlxContour {
    static constexpr int MaxPoints = 51;
    uint8_t UseContour;
    uint8_t Pad1[3];
    int32_t PointCount; // 0..51 valid entries of Points
    TlxContourPoint Points[MaxPoints];
    uint8_t Table[257]; // entry 256 is never read
    uint8_t Pad2[3];
};

// Drop shadow and inner shadow.
struct TlxShadowStyle {
    uint8_t BlendMode;
    uint8_t Pad1[3];
    uint32_t Color;  // may carry a system colour, resolved when drawn
    uint8_t Opacity; // percent
    uint8_t Pad2[3];
    uint32_t Reserved1[2];
    int32_t Spread; // 0..200
    int32_t Size;   // 0..200
    uint8_t Reserved2;
    uint8_t Pad3[3];
    int32_t DrawX; // offset - 2M
    int32_t DrawY;
    int32_t MaskStreamSize;
    TlxContour Contour;
    uint32_t Reserved3[2];
};

// Outer glow and inner glow; their DrawX and DrawY are always -2M.
struct TlxGlowStyle {
    uint8_t BlendMode;
    uint8_t Pad1[3];
    uint32_t Color;
    uint8_t Opacity;
    uint8_t Reserved1[2];
    uint8_t Pad2;
    int32_t Spread;
    int32_t Size;
    uint8_t Reserved2[2];
    uint8_t Pad3[2];
    int32_t DrawX;
    int32_t DrawY;
    int32_t MaskStreamSize;
    TlxContour Contour;
    uint32_t Reserved3[2];
};

struct TlxBevelStyle {
    uint8_t BevelKind; // 0 inner, 1 outer; anything else draws nothing
    uint8_t Reserved1[3];
    int32_t Size;
    uint32_t Reserved2[3];
    uint8_t Reserved3;
    uint8_t HighlightMode;
    uint8_t HighlightOpacity;
    uint8_t Pad1;
    uint32_t HighlightColor;
    uint8_t ShadowMode;
    uint8_t ShadowOpacity;
    uint8_t Pad2[2];
    uint32_t ShadowColor;
    int32_t Spread;
    int32_t HighlightDrawX; // offset - 2M
    int32_t HighlightDrawY;
    int32_t ShadowDrawX; // -offset - 2M
    int32_t ShadowDrawY;
    TlxContour Contour;
    int32_t MaskStreamSize;
    uint32_t Reserved4;
};

struct TlxStrokeStyle {
    uint8_t BlendMode;
    uint8_t Pad1[3];
    int32_t Size;     // stroke width, 0..200
    int32_t Softness; // extra blur, 0..200
    uint8_t Opacity;
    uint8_t Position; // 0 outside, 1 inside, 2 centre; anything else draws nothing
    uint8_t Pad2[2];
    uint32_t Color;
    int32_t DrawX; // -2M
    int32_t DrawY;
    TlxContour Contour;
    int32_t MaskStreamSize;
    uint32_t Reserved;
};

struct TlxColorOverlayStyle {
    uint8_t BlendMode;
    uint8_t Pad1[3];
    uint32_t Color;
    uint8_t Opacity;
    uint8_t Pad2[3];
    uint32_t Reserved;
};

// One gradient stop: Length is the share (0..1) of the gradient's extent
// taken by the segment from this stop to the next.
struct TColorlistItem {
    uint32_t Color;
    uint32_t Reserved;
    double Length;
};

// Gradient kinds.
enum : uint8_t {
    lxGradientHorizontal = 0,
    lxGradientVertical = 1,
    lxGradientRectangle = 2,
    lxGradientEllipse = 3,
    lxGradientDiagonal = 4,
};

struct TlxGradientStyle {
    static constexpr int MaxStops = 51;
    uint8_t BlendMode; // gradient overlay only
    uint8_t GradientKind;
    uint8_t Opacity; // gradient overlay only
    uint8_t Pad1;
    uint32_t Reserved1;
    int32_t StopCount;
    uint8_t Reverse;
    uint8_t Pad2[3];
    int32_t Angle; // degrees, diagonal only
    uint32_t Reserved2;
    TColorlistItem Stops[MaxStops];
};

struct TlxPatternStyle {
    uint8_t BlendMode;
    uint8_t Opacity;
    uint8_t Pad[2];
    int32_t PatternSize; // stream length as last written to a file
};

// A stop list as the host hands it over.
struct TColorlistSrcd {
    int32_t Count = 0;
    std::vector<TColorlistItem> Stops;
};

static_assert(sizeof(TlxContour) == 676);
static_assert(offsetof(TlxContour, PointCount) == 4);
static_assert(offsetof(TlxContour, Points) == 8);
static_assert(offsetof(TlxContour, Table) == 416);
static_assert(offsetof(TlxContour, Pad2) == 673);

static_assert(sizeof(TlxShadowStyle) == 728);
static_assert(offsetof(TlxShadowStyle, Color) == 4);
static_assert(offsetof(TlxShadowStyle, Opacity) == 8);
static_assert(offsetof(TlxShadowStyle, Reserved1) == 12);
static_assert(offsetof(TlxShadowStyle, Spread) == 20);
static_assert(offsetof(TlxShadowStyle, Size) == 24);
static_assert(offsetof(TlxShadowStyle, Reserved2) == 28);
static_assert(offsetof(TlxShadowStyle, DrawX) == 32);
static_assert(offsetof(TlxShadowStyle, DrawY) == 36);
static_assert(offsetof(TlxShadowStyle, MaskStreamSize) == 40);
static_assert(offsetof(TlxShadowStyle, Contour) == 44);
static_assert(offsetof(TlxShadowStyle, Reserved3) == 720);

static_assert(sizeof(TlxGlowStyle) == 720);
static_assert(offsetof(TlxGlowStyle, Color) == 4);
static_assert(offsetof(TlxGlowStyle, Opacity) == 8);
static_assert(offsetof(TlxGlowStyle, Reserved1) == 9);
static_assert(offsetof(TlxGlowStyle, Spread) == 12);
static_assert(offsetof(TlxGlowStyle, Size) == 16);
static_assert(offsetof(TlxGlowStyle, Reserved2) == 20);
static_assert(offsetof(TlxGlowStyle, DrawX) == 24);
static_assert(offsetof(TlxGlowStyle, DrawY) == 28);
static_assert(offsetof(TlxGlowStyle, MaskStreamSize) == 32);
static_assert(offsetof(TlxGlowStyle, Contour) == 36);
static_assert(offsetof(TlxGlowStyle, Reserved3) == 712);

static_assert(sizeof(TlxBevelStyle) == 740);
static_assert(offsetof(TlxBevelStyle, Size) == 4);
static_assert(offsetof(TlxBevelStyle, Reserved2) == 8);
static_assert(offsetof(TlxBevelStyle, Reserved3) == 20);
static_assert(offsetof(TlxBevelStyle, HighlightMode) == 21);
static_assert(offsetof(TlxBevelStyle, HighlightOpacity) == 22);
static_assert(offsetof(TlxBevelStyle, HighlightColor) == 24);
static_assert(offsetof(TlxBevelStyle, ShadowMode) == 28);
static_assert(offsetof(TlxBevelStyle, ShadowOpacity) == 29);
static_assert(offsetof(TlxBevelStyle, ShadowColor) == 32);
static_assert(offsetof(TlxBevelStyle, Spread) == 36);
static_assert(offsetof(TlxBevelStyle, HighlightDrawX) == 40);
static_assert(offsetof(TlxBevelStyle, HighlightDrawY) == 44);
static_assert(offsetof(TlxBevelStyle, ShadowDrawX) == 48);
static_assert(offsetof(TlxBevelStyle, ShadowDrawY) == 52);
static_assert(offsetof(TlxBevelStyle, Contour) == 56);
static_assert(offsetof(TlxBevelStyle, MaskStreamSize) == 732);
static_assert(offsetof(TlxBevelStyle, Reserved4) == 736);

static_assert(sizeof(TlxStrokeStyle) == 712);
static_assert(offsetof(TlxStrokeStyle, Size) == 4);
static_assert(offsetof(TlxStrokeStyle, Softness) == 8);
static_assert(offsetof(TlxStrokeStyle, Opacity) == 12);
static_assert(offsetof(TlxStrokeStyle, Position) == 13);
static_assert(offsetof(TlxStrokeStyle, Color) == 16);
static_assert(offsetof(TlxStrokeStyle, DrawX) == 20);
static_assert(offsetof(TlxStrokeStyle, DrawY) == 24);
static_assert(offsetof(TlxStrokeStyle, Contour) == 28);
static_assert(offsetof(TlxStrokeStyle, MaskStreamSize) == 704);
static_assert(offsetof(TlxStrokeStyle, Reserved) == 708);

static_assert(sizeof(TlxColorOverlayStyle) == 16);
static_assert(offsetof(TlxColorOverlayStyle, Color) == 4);
static_assert(offsetof(TlxColorOverlayStyle, Opacity) == 8);
static_assert(offsetof(TlxColorOverlayStyle, Reserved) == 12);

static_assert(sizeof(TColorlistItem) == 16);
static_assert(offsetof(TColorlistItem, Length) == 8);

static_assert(sizeof(TlxGradientStyle) == 840);
static_assert(offsetof(TlxGradientStyle, GradientKind) == 1);
static_assert(offsetof(TlxGradientStyle, Opacity) == 2);
static_assert(offsetof(TlxGradientStyle, Reserved1) == 4);
static_assert(offsetof(TlxGradientStyle, StopCount) == 8);
static_assert(offsetof(TlxGradientStyle, Reverse) == 12);
static_assert(offsetof(TlxGradientStyle, Angle) == 16);
static_assert(offsetof(TlxGradientStyle, Reserved2) == 20);
static_assert(offsetof(TlxGradientStyle, Stops) == 24);

static_assert(sizeof(TlxPatternStyle) == 8);
static_assert(offsetof(TlxPatternStyle, Opacity) == 1);
static_assert(offsetof(TlxPatternStyle, PatternSize) == 4);

struct TlxLayerStyle {
    // Effect switches.
    bool DropShadowOn = false;
    bool InnerShadowOn = false;
    bool OuterGlowOn = false;
    bool InnerGlowOn = false;
    bool BevelOn = false;
    bool GlossOn = false; // carried through style files, never drawn
    bool ColorOverlayOn = false;
    bool GradientOverlayOn = false;
    bool PatternOverlayOn = false;
    bool StrokeOn = false;
    bool StrokeGradientOn = false; // only meaningful while StrokeOn

    // Settings.
    TlxShadowStyle DropShadow{};
    TlxShadowStyle InnerShadow{};
    TlxGlowStyle OuterGlow{};
    TlxGlowStyle InnerGlow{};
    TlxBevelStyle Bevel{};
    uint8_t Gloss[48]{}; // opaque, stays with its slot
    TlxColorOverlayStyle ColorOverlay{};
    TlxGradientStyle GradientOverlay{};
    TlxPatternStyle PatternOverlay{};
    TlxStrokeStyle Stroke{};
    TlxGradientStyle StrokeGradient{}; // its own blend mode and opacity are unused

    // Pictures the effects are drawn from. The masks are 8-bit, the layer's
    // size plus 4M each way, with the layer at (2M, 2M); the gradients
    // 24-bit; the pattern tile 24-bit or 32-bit with coverage.
    QImage DropShadowMask;
    QImage OuterGlowMask;
    QImage StrokeMask;
    QImage InnerGlowMask;
    QImage InnerShadowMask;
    QImage BevelMask;
    QImage GradientOverlayBitmap;
    QImage PatternBitmap;
    QImage StrokeGradientBitmap;

    // Effects are drawn with their own opacity only, even when the layer's
    // opacity is 0.
    bool EffectsIgnoreOpacity = false;
};

// Copies every effect switch, setting and picture from Source into Target,
// except the gloss block and its switch, which stay with their slot.
void CopyLayerStyle(TlxLayerStyle& Target, const TlxLayerStyle& Source);
// Switches every effect off and frees its pictures; the gloss block and
// EffectsIgnoreOpacity stay as they are.
void SwitchEffectsOff(TlxLayerStyle& Style);

// How far an effect reaches beyond its layer.
inline int EffectMargin(int32_t Size, int32_t Spread) {
    return Size > Spread ? Size : Spread;
}

// A colour value as red, green, blue: a system colour (high byte 0x80 or
// 0xFF with the colour's index in the low byte) through the table of the
// standard system colours, anything else by its low three bytes.
uint32_t ResolveColor(uint32_t Color);
