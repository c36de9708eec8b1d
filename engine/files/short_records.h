#pragma once

// The short effect records of older design and style files: the long
// records without their contour block. Expanding one copies its fields into
// the long record in place, moves its tail words to the long record's tail
// and switches the contour off; the contour's points and table stay as the
// record had them.

#include "files/byte_io.h"
#include "lxLayerStyle.h"

#include <cstring>

namespace lx {

constexpr size_t kShortShadowSize = 52;
constexpr size_t kShortGlowSize = 44;
constexpr size_t kShortBevelSize = 64;
constexpr size_t kShortStrokeSize = 36;

// Fields 0..43 (the stream length at 40), then two reserved words.
inline void expandShortRecord(const uint8_t* Bytes, TlxShadowStyle& Record) {
    std::memcpy(&Record, Bytes, offsetof(TlxShadowStyle, Contour));
    std::memcpy(Record.Reserved3, Bytes + 44, sizeof Record.Reserved3);
    Record.Contour.UseContour = 0;
}
// Fields 0..35 (the stream length at 32), then two reserved words.
inline void expandShortRecord(const uint8_t* Bytes, TlxGlowStyle& Record) {
    std::memcpy(&Record, Bytes, offsetof(TlxGlowStyle, Contour));
    std::memcpy(Record.Reserved3, Bytes + 36, sizeof Record.Reserved3);
    Record.Contour.UseContour = 0;
}
// Fields 0..55, then the stream length and one reserved word.
inline void expandShortRecord(const uint8_t* Bytes, TlxBevelStyle& Record) {
    std::memcpy(&Record, Bytes, offsetof(TlxBevelStyle, Contour));
    getRecord(Bytes, 56, Record.MaskStreamSize);
    getRecord(Bytes, 60, Record.Reserved4);
    Record.Contour.UseContour = 0;
}
// Fields 0..27, then the stream length and one reserved word.
inline void expandShortRecord(const uint8_t* Bytes, TlxStrokeStyle& Record) {
    std::memcpy(&Record, Bytes, offsetof(TlxStrokeStyle, Contour));
    getRecord(Bytes, 28, Record.MaskStreamSize);
    getRecord(Bytes, 32, Record.Reserved);
    Record.Contour.UseContour = 0;
}

} // namespace lx
