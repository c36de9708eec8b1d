#pragma once

// The pieces of the layer style dialog's gradient and pattern choosers that
// need no window: the built-in gradients, the list thumbnails, reading the
// bit depth and the pixels of a BMP file, and the scaled pattern's size.

#include "lxLayerStyle.h"

#include <QFont>
#include <QImage>
#include <QString>

// The gradient list thumbnails and swatches.
inline constexpr int GradientThumbWidth = 186;
inline constexpr int GradientThumbHeight = 18;
// The pattern list thumbnails and swatch.
inline constexpr int PatternThumbSize = 64;
// The built-in patterns: resources 31001 .. 31000 + BuiltInPatternCount,
// listed as "Design" and their number. Their size label reads the same in
// every language: DesignSizeText with the width and the height.
inline constexpr int BuiltInPatternCount = 3;
inline constexpr const char* DesignCaption = "Design";
inline constexpr const char* DesignSizeText = "design size: %1x%2 pixel";

// The white-and-black entry: white then black for the gradient overlay,
// black then white for the stroke, each stop with Length 1.
TColorlistSrcd BuiltInStops(bool Overlay);
// A list cut to at most TlxGradientStyle::MaxStops stops: the first
// MaxStops - 1 and the last.
TColorlistSrcd KeepFirstAndLastStops(const TColorlistSrcd& Stops);
// A 24-bit thumbnail: white with Text at (2, 2) in Font.
QImage TextThumbnail(const QString& Text, const QFont& Font);
// A 24-bit thumbnail: the stops drawn as a horizontal ramp over the whole
// picture; left white where drawing fails.
QImage RampThumbnail(const TColorlistSrcd& Stops);

// Bits per pixel of a BMP file: the 16-bit count at byte 28 (in the
// information header after the 14-byte file header); 0 when the file
// cannot be read or is shorter than the two headers.
int GetBitmapfileBit(const QString& FileName);
// The pixels of an uncompressed 32-bit BMP file as a Format_ARGB32 picture
// with the fourth byte kept as it is stored; a null picture for anything
// else or a file that ends before its pixels do.
QImage ReadBitmap32File(const QString& FileName);

// One side of the scaled pattern: Side * Scale / 100 to the nearest
// integer (halves to even), never below 1.
int ScaledPatternSide(int Side, int Scale);
