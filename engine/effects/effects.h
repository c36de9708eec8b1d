#pragma once

// What every effect pass shares: the two target kinds, the pixel write with
// its coverage rule, the clipping of a rectangle to the target, and the
// gradient rendering of a stored gradient record.

#include "lxImage.h"

#include <algorithm>
#include <cstdint>

namespace lx {

// 24-bit display target (blue, green, red) or 32-bit target whose fourth
// byte accumulates coverage.
enum class EffectTarget { Bgr24, Argb32 };

template <EffectTarget T> constexpr int bytesPerPixel() {
    return T == EffectTarget::Bgr24 ? 3 : 4;
}

// The target a draw routine accepts: the document's size, in its format.
template <EffectTarget T> bool targetFits(const QImage& target, int width, int height) {
    const QImage::Format f =
        T == EffectTarget::Bgr24 ? QImage::Format_BGR888 : QImage::Format_ARGB32;
    return !target.isNull() && target.format() == f && target.width() == width &&
           target.height() == height;
}

// Which sides of the layer's edge a stroke covers: the outside (drawn under
// the layer) and the inside (over it); a centred stroke covers both.
inline bool strokeOutside(const TlxStrokeStyle& Stroke) {
    return Stroke.Position == StrokeOutside || Stroke.Position == StrokeCentre;
}
inline bool strokeInside(const TlxStrokeStyle& Stroke) {
    return Stroke.Position == StrokeInside || Stroke.Position == StrokeCentre;
}

// Packs a resolved 0x00BBGGRR colour the way BlendPixel takes it.
inline uint32_t packForBlend(uint32_t color) {
    const uint32_t rgb = ResolveColor(color);
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

// On a 32-bit target every effect pixel with coverage c (0..1) first grows
// its coverage byte to min(255, N(A + 255 c)); the colour bytes are then
// blended, a whole row at a time, by TlxImage::BlendPixelRow.
template <EffectTarget T> inline void growCoverage(uint8_t* pixel, double c) {
    if constexpr (T == EffectTarget::Argb32)
        pixel[3] = uint8_t(std::min(255, RoundEven(pixel[3] + 255.0 * c)));
}

// A rectangle [X0, X1) x [Y0, Y1) in document coordinates, already clipped.
struct Span {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    bool empty() const { return X0 >= X1 || Y0 >= Y1; }
};

// The part of the rectangle at (left, top) of the given size that lies on a
// target of width x height; 64-bit so far-off layers cannot overflow.
inline Span clipToTarget(int64_t left, int64_t top, int64_t width, int64_t height, int targetWidth,
                         int targetHeight) {
    Span s;
    s.X0 = int(std::clamp<int64_t>(left, 0, targetWidth));
    s.Y0 = int(std::clamp<int64_t>(top, 0, targetHeight));
    s.X1 = int(std::clamp<int64_t>(left + width, 0, targetWidth));
    s.Y1 = int(std::clamp<int64_t>(top + height, 0, targetHeight));
    return s;
}

// Renders a stored gradient record into Bitmap (24-bit, its size kept):
// the working stop list (reversed when the record says so), then the
// record's kind; rectangle and ellipse are first filled with the last
// colour, the diagonal maps the angle onto the two diagonal variants.
bool renderGradientStyle(QImage& Bitmap, const TlxGradientStyle& Style);

} // namespace lx
