#pragma once

// The engine's resamplers for other levels, on whole pictures: every pixel is
// Channels bytes (1, 3 or 4) taken as channels alike, so a 32-bit picture's
// alpha is resampled like its colours, straight. Dst must already have its
// target size and a format of Channels bytes per pixel; Src must have as many
// bytes per pixel. Each returns false, with Dst as far as it got, when the
// pictures do not fit that or working memory runs out.

#include <QImage>

#include <cstdint>

namespace lx {

// Enlarging in at least one direction: the bilinear interpolation of the four
// nearest source pixels, truncated after adding 0.5.
bool enlargePictureLinear(const QImage& Src, QImage& Dst, int Channels);
// Shrinking: the area average of bilinear samples, halves to even; the
// picture reads as if its last column and row were repeated beyond it.
bool shrinkPictureLinear(const QImage& Src, QImage& Dst, int Channels);
// Bilinear sampling at every target pixel, also when shrinking.
bool samplePictureLinear(const QImage& Src, QImage& Dst, int Channels);
// The source pixel under each target pixel's centre.
bool stretchPictureNearest(const QImage& Src, QImage& Dst, int Channels);

// One row of the display at nearest-pixel zoom: Dst[i] becomes the opaque
// 0xFFRRGGBB of the blue-green-red pixel at byte Offsets[i] of Row, for i
// below Count. Every offset lies in 0 .. RowBytes - 3; nothing past RowBytes
// bytes of Row is read.
void nearestBgrToRgb32Row(uint32_t* Dst, const uint8_t* Row, int RowBytes, const int* Offsets,
                          int Count);

} // namespace lx
