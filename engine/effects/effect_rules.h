#pragma once

// Mask steps and draw rules shared by the shadows, glows, bevel and stroke.
//
// Every mask-based effect keeps an 8-bit mask of the layer's size plus 4M
// each way, with the layer's alpha copied in at (2M, 2M) and then shaped:
// grown (outer effects), shrunk and inverted (inner effects and bevel) or
// dilated (stroke). Drawing then follows one of two rules:
//   outer rule: over the mask's rectangle, knocked out by the layer's alpha;
//   inner rule: over the layer's rectangle, confined to the layer's alpha.

#include "core/operation_guard.h"
#include "core/pixel_view.h"
#include "effects/effects.h"
#include "lxImage.h"

#include <QImage>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace lx {

// Sizes, spreads and softness as the effects use them: records may come from
// files, so anything outside 0..200 is brought back into range.
constexpr int kMaxEffectSize = 200;
inline int limitEffectSize(int32_t Value) {
    return std::clamp<int32_t>(Value, 0, kMaxEffectSize);
}
inline int limitContourPoints(int32_t Count) {
    return std::clamp<int32_t>(Count, 0, TlxContour::MaxPoints);
}
// A document offset that has to fit a 32-bit record field.
inline int32_t limitOffset(int64_t Value) {
    return int32_t(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The blur radius for n pixels: one pixel gets a narrow 0.6, larger sizes
// half their size.
inline double blurRadius(int Pixels) {
    return Pixels == 1 ? 0.6 : Pixels / 2.0;
}

// The stroke's threshold for its size: small strokes keep a ramp below the
// threshold for an anti-aliased rim, from 8 pixels on every touched byte
// becomes solid.
inline int strokeThreshold(int Size) {
    if (Size <= 1) return 15;
    if (Size <= 5) return 8;
    if (Size <= 7) return 6;
    return 0;
}

// The layer as the rules read it: its coverage and its document position.
struct LayerCoverage {
    ConstPixelView Alpha;
    int64_t Left = 0;
    int64_t Top = 0;
};

// True, with Out filled, when the layer's alpha is 8-bit of its picture's
// size; anything else is not read at all.
bool readableLayer(const TlxLayer& Layer, LayerCoverage& Out);

// True when Mask is the 8-bit picture the settings call for: the layer's
// alpha size plus 4 * Margin each way. A record read from a file may
// disagree with its picture, and then nothing may be read from it.
bool maskFits(const QImage& Mask, const QImage& Alpha, int Margin);

// What a draw routine found when it checked its inputs. Proceed: draw on
// Target, reading the layer through Layer. Otherwise return Result: false
// for a target of the wrong size or format, true when the layer or its mask
// cannot be read (nothing to draw, not a failure of the pass).
struct DrawSetup {
    bool Proceed = false;
    bool Result = true;
    LayerCoverage Layer;
    PixelView Target;
};

template <EffectTarget T>
DrawSetup beginDraw(QImage& Target, int Width, int Height, const TlxLayer& Layer,
                    const QImage& Mask, int Margin) {
    DrawSetup setup;
    if (!targetFits<T>(Target, Width, Height)) {
        setup.Result = false;
        return setup;
    }
    if (!readableLayer(Layer, setup.Layer) || !maskFits(Mask, Layer.Alpha, Margin)) return setup;
    setup.Target = viewOf(Target);
    if (setup.Target.Data == nullptr) {
        setup.Result = false;
        return setup;
    }
    setup.Proceed = true;
    return setup;
}

// A zero-filled 8-bit picture (W + 4M) x (H + 4M) with the alpha copied in at
// (2M, 2M). Null when that size is not allowed or cannot be allocated.
QImage alphaToMask(const QImage& Alpha, int Margin);

// Shaping of a mask built by alphaToMask. Outer: the spread blurs and then
// hardens every touched byte, the rest of the size softens. Inner: the
// spread blurs and keeps only the bytes that stayed (nearly) full, the rest
// of the size softens, and the result is inverted so that it is 255 outside
// the shape and falls towards 0 inside it. Stroke: the size blurs and a
// threshold hardens the grown shape, then the softness blurs.
void shapeOuterMask(PixelView Mask, int Spread, int Size);
void shapeInnerMask(PixelView Mask, int Spread, int Size);
void shapeStrokeMask(PixelView Mask, int Size, int Softness);

// alphaToMask and the shaping in one step; Spread, Size and Softness must be
// limited already. Null when the mask cannot be made.
QImage buildOuterMask(const QImage& Alpha, int Spread, int Size);
QImage buildInnerMask(const QImage& Alpha, int Spread, int Size);
QImage buildStrokeMask(const QImage& Alpha, int Size, int Softness);

// Writes the contour the caller handed over: the switch, the point count
// (limited to 0..51), that many points and table entries 0..255; the rest
// of the block keeps what it held.
void storeContour(TlxContour& Contour, bool UseContour, int PointCount,
                  const TlxImage::ContourPointArray& Points,
                  const TlxImage::ContourTableArray& Table);

// A byte look-up: the contour table when the contour is on, else the
// identity; Invert turns every result v into 255 - v.
using ByteMap = std::array<uint8_t, 256>;
ByteMap contourMap(const TlxContour& Contour, bool Invert);
ByteMap identityMap();

// One pass of a draw rule.
struct EffectPass {
    ConstPixelView Mask; // 8-bit
    int64_t OriginX = 0; // document position of mask pixel (0, 0)
    int64_t OriginY = 0;
    uint8_t Mode = 0;       // blend mode
    uint32_t Packed = 0;    // solid colour, packed as BlendPixel takes it
    ConstPixelView Colours; // 24-bit colours of the mask's size, or no data for the solid colour
    double Opacity = 0.0;   // e, the effective opacity
    ByteMap Map{};          // outer rule: maps the mask byte; inner rule: the layer's alpha
};

// Outer rule: visits the mask's rectangle clipped to the target. A pixel on
// the layer with alpha a is weighted by v = e * (1 - a / 255), one off the
// layer by v = e; coverage Map[m] * v / 255.
template <EffectTarget T>
void drawOuterRule(TlxImage& Image, const PixelView& Target, const LayerCoverage& Layer,
                   const EffectPass& Pass);

// Inner rule: visits the layer's rectangle clipped to the target and to the
// mask; wherever the mask byte m is not 0, coverage
// Map[a] * (m / 255 * e) / 255.
template <EffectTarget T>
void drawInnerRule(TlxImage& Image, const PixelView& Target, const LayerCoverage& Layer,
                   const EffectPass& Pass);

} // namespace lx
