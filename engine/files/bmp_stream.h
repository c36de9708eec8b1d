#pragma once

// Windows bitmap files held in memory: the picture streams of design files
// and the pattern tile of style files. The writer produces what a standard
// bitmap writer does (14-byte file header, 40-byte info header, the palette
// where the depth has one, rows bottom-up padded to four bytes). The reader
// takes its input as hostile: every size and offset is checked against the
// data and against the engine's picture limits before anything is allocated.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "lxFileError.h"
#include "lxPictureFiles.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lx {

// The writers give an empty array for a null picture, for pictures of
// different sizes, when a conversion fails, and when the file would pass
// 2^31 - 1 bytes. The file buffer itself may throw std::bad_alloc.
//
// 32 bits per pixel: blue, green, red from Colour (Format_BGR888), the fourth
// byte from Coverage (Format_Grayscale8, same size). Other formats are
// converted first (colour values kept under any alpha, grey through Qt's
// grey conversion). Empty on failure.
QByteArray encodeBmp32(const QImage& Colour, const QImage& Coverage);
// encodeBmp24 (24 bits per pixel from any picture) is in lxPictureFiles.h.
// 8 bits per pixel with the 256-entry grey palette from a Format_Grayscale8
// picture: the byte is the level and the palette index alike. Other formats
// go through Qt's grey conversion first.
QByteArray encodeBmp8(const QImage& Grey);
// encodeBmpAsIs (a picture as it is) is in lxPictureFiles.h.

// A decoded bitmap. Pixels is Format_Grayscale8 holding palette indices for
// depths 1, 4 and 8; Format_BGR888 for 16 and 24; Format_ARGB32 with the
// fourth byte as stored (not premultiplied) for 32.
struct DecodedBmp {
    int BitCount = 0;
    QImage Pixels;
    std::vector<uint32_t> Palette; // 0x00RRGGBB, for depths 1, 4 and 8
};

// Decodes a complete bitmap file of Size bytes. Knows the 12-, 40-, 52-, 56-,
// 108- and 124-byte info headers, uncompressed depths 1, 4, 8, 16, 24, 32 and
// bit-field masks for 16 and 32, bottom-up and top-down rows. Anything else,
// or any size or offset that does not fit the data or the picture limits,
// gives false with a short reason in Error ("not a bitmap file", "bitmap too
// large", "bitmap data truncated", "unsupported bitmap compression", ...)
// and leaves Out as it was; nothing is allocated before the sizes are
// checked, and a failed allocation also gives false.
//
// Plain 16-bit pixels are 5-5-5. A bit-field channel of n bits (any one run
// of bits inside the pixel) becomes v * 255 / (2^n - 1) rounded to nearest;
// a missing colour mask reads 0, a missing alpha mask 255. Plain 32-bit
// pixels keep their fourth byte as stored. Palette entries are kept as read;
// a colours-used count of 0 means 2^bits entries, more than 256 is refused,
// and an index past the palette converts to black.
bool decodeBmp(const uint8_t* Data, size_t Size, DecodedBmp& Out, QString& Error);
// What a reason decodeBmp gave means for the file holding the bitmap: too
// large, out of memory, or (any other reason) damaged.
TlxFileErrorCode bitmapFailureCode(const QString& Reason);

// Conversions of a decoded bitmap into the engine's picture formats; a null
// image when the picture cannot be allocated.
// Blue, green, red bytes (palette entries looked up, the fourth byte dropped).
QImage decodedToBgr(const DecodedBmp& Bmp);
// The fourth byte of a 32-bit bitmap; 255 everywhere for other depths.
QImage decodedFourthByte(const DecodedBmp& Bmp);
// 8-bit levels: for depths up to 8 the palette index itself (masks are
// written with the identity grey palette), for deeper bitmaps the blue byte.
QImage decodedLevels(const DecodedBmp& Bmp);

} // namespace lx
