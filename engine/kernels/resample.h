#pragma once

// Pixel kernels behind the resamplers and the rotation. They work on views of
// pictures the caller has already allocated; channels is 3 for 24-bit pictures
// (blue, green, red bytes) and 1 for 8-bit grey ones. Temporary buffers may
// throw std::bad_alloc, which the callers catch.

#include "core/pixel_view.h"

#include <cstdint>
#include <functional>

namespace lx {

// Called after each finished target row with the number of rows done so far.
// May be empty.
using RowDone = std::function<void(int RowsDone)>;

// ---- linear ----
// Enlarging in at least one direction: every target channel is the bilinear
// interpolation of the four nearest source pixels, truncated after adding 0.5.
void enlargeLinear(ConstPixelView src, PixelView dst, int channels, const RowDone& rowDone);
// Shrinking (or one direction unchanged): area average of bilinear samples,
// rounded half to even.
void shrinkLinear(ConstPixelView src, PixelView dst, int channels);
// The same two, written plainly per target pixel; the fast forms above are
// checked against them.
void enlargeLinearReference(ConstPixelView src, PixelView dst, int channels);
void shrinkLinearReference(ConstPixelView src, PixelView dst, int channels);

// ---- cubic (convolution kernel with parameter -1) ----
void enlargeCubic(ConstPixelView src, PixelView dst, int channels, const RowDone& rowDone);
void shrinkCubic(ConstPixelView src, PixelView dst, int channels, const RowDone& rowDone);
void enlargeCubicReference(ConstPixelView src, PixelView dst, int channels);
void shrinkCubicReference(ConstPixelView src, PixelView dst, int channels);

// ---- nearest pixel and area average (resample_area.cpp) ----
// Target pixel x takes source column (2x + 1) * W div (2w): the source pixel
// under the target pixel's centre; rows likewise.
void stretchNearest(ConstPixelView src, PixelView dst, int channels);
// Every target pixel is the average of the source area it covers, each
// source pixel weighted by the part of it inside that area; rounded to the
// nearest integer, halves up. Exact integer arithmetic.
void stretchArea(ConstPixelView src, PixelView dst, int channels);

// ---- rotation (rotate.cpp) ----
// Size of a W x H picture turned clockwise by Angle degrees (any integer).
void rotatedSize(int W, int H, int Angle, int& NewW, int& NewH);
// Turns src clockwise by Angle degrees into dst, which must have the size
// rotatedSize gives and already hold the fill colour everywhere. 24-bit
// pictures (channels 3) blend the four neighbours plainly; 8-bit coverage
// pictures (channels 1) let the source edges fade out over one pixel.
void rotatePicture(ConstPixelView src, PixelView dst, int channels, int Angle,
                   const RowDone& rowDone);
void rotatePictureReference(ConstPixelView src, PixelView dst, int channels, int Angle);

} // namespace lx
