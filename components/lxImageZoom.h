#pragma once

// Resampling of 32-bit (blue, green, red, alpha) and 8-bit pictures for the
// pattern scaling of the layer style dialog. The arithmetic is the engine's
// linear resampler's, the four bytes of a 32-bit pixel taken as four
// channels alike (alpha straight, never premultiplied).
//
// All three return false after a failure (no source pixels, a target size
// below 1 or beyond the engine's picture limits, memory exhausted) and then
// leave Dst as far as they got: null, or the new size cleared to 0 and
// partly filled. Src and Dst may be the same picture.

#include <QImage>

// Dst becomes a Format_ARGB32 NewWidth x NewHeight picture resampled from
// Src (Format_ARGB32 or Format_RGB32 are read as they are, other formats
// are converted to Format_ARGB32 first):
// - a target 1 pixel wide or high takes the source pixel under each target
//   pixel's centre;
// - the same size gives an exact copy;
// - when an axis grows, every byte is the bilinear interpolation of the four
//   nearest source pixels, truncated after adding 0.5 (the other axis, if
//   it shrinks, is sampled, not averaged);
// - otherwise ShrinkBitmap32.
bool ZoomBitmap32(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
// The area average of bilinear samples over a window of W / NewWidth by
// H / NewHeight source pixels, rounded to nearest with halves to even; the
// picture reads as if its last column and row were repeated beyond it.
// Works at any pair of sizes; ZoomBitmap32 calls it when neither axis grows.
bool ShrinkBitmap32(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
// Dst becomes an 8-bit picture sampled bilinearly from the bytes of the
// 8-bit Src (indices are interpolated as numbers), also when it shrinks
// (no area average). At the same size Dst is a copy of Src, palette and
// format included; otherwise it is Format_Grayscale8. A source of another
// depth is converted to grey levels first.
bool ZoomBitmap8(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
