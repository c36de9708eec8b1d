#pragma once

// The text description of a text layer. It is stored byte for byte in design
// files and copied with its layer, so every field sits at a fixed offset.

#include <cstddef>
#include <cstdint>
#include <string>

#include "blend_modes.h"

struct TlxTextStyle {
    static constexpr int TextCapacity = 2001;
    static constexpr int FontNameCapacity = 100;
    static constexpr int FreehandChars = 100;
    // The largest font size, in points, the program offers for a text.
    static constexpr int LargestListedSize = 200;

    // The text in the document code page, ended by a zero byte; lines are
    // separated by CR LF. Freehand text keeps its character places inside
    // this field too (see the helpers below).
    char Text[TextCapacity];
    // Length byte followed by up to 100 bytes of the font name.
    uint8_t FontName[1 + FontNameCapacity];
    uint8_t Reserved[2];
    uint32_t Color; // 0x00BBGGRR
    int32_t Size;   // points
    uint8_t Bold;
    uint8_t Italic;
    uint8_t Underline;
    uint8_t StrikeOut;
    // Arrangements 0 and 6: character spacing (low 16 bits) and line spacing
    // (high 16 bits), both signed pixels. 1 and 2: the angle in degrees,
    // clockwise. 4: start angle (low 16 bits) and radius (high 16 bits).
    int32_t Param;
    int16_t Arrangement;
    uint8_t Smoothing; // 0 none, 1 draws at 2x, 2 at 3x, 3 at 4x
    uint8_t Reverse;   // arc text runs inside the circle
};

static_assert(sizeof(TlxTextStyle) == 2124);
static_assert(offsetof(TlxTextStyle, Text) == 0);
static_assert(offsetof(TlxTextStyle, FontName) == 2001);
static_assert(offsetof(TlxTextStyle, Reserved) == 2102);
static_assert(offsetof(TlxTextStyle, Color) == 2104);
static_assert(offsetof(TlxTextStyle, Size) == 2108);
static_assert(offsetof(TlxTextStyle, Bold) == 2112);
static_assert(offsetof(TlxTextStyle, Italic) == 2113);
static_assert(offsetof(TlxTextStyle, Underline) == 2114);
static_assert(offsetof(TlxTextStyle, StrikeOut) == 2115);
static_assert(offsetof(TlxTextStyle, Param) == 2116);
static_assert(offsetof(TlxTextStyle, Arrangement) == 2120);
static_assert(offsetof(TlxTextStyle, Smoothing) == 2122);
static_assert(offsetof(TlxTextStyle, Reverse) == 2123);

// The text up to its first zero byte (never beyond the field).
std::string TextOf(const TlxTextStyle& Style);
// Stores Text, cut to 2000 bytes on a character boundary of the code page.
void SetText(TlxTextStyle& Style, const std::string& Text);
// The font name bytes (the length byte limited to the field).
std::string FontNameOf(const TlxTextStyle& Style);
void SetFontName(TlxTextStyle& Style, const std::string& Name);

// Spacing pairs and arc settings packed into Param.
int16_t CharSpacing(const TlxTextStyle& Style);
int16_t LineSpacing(const TlxTextStyle& Style);
void SetSpacing(TlxTextStyle& Style, int16_t Char, int16_t Line);
uint16_t ArcStartAngle(const TlxTextStyle& Style);
uint16_t ArcRadius(const TlxTextStyle& Style);
void SetArc(TlxTextStyle& Style, uint16_t StartAngle, uint16_t Radius);
// An arc text whose Param, read unsigned, lies below 10 * 65536 (a radius
// under 10 pixels) names no circle of its own: the circle is chosen from the
// text's width.
inline constexpr uint32_t ArcOwnCircleParam = 10u * 65536u;
inline bool ArcChoosesCircle(const TlxTextStyle& Style) {
    return uint32_t(Style.Param) < ArcOwnCircleParam;
}

// Freehand places: character k (0..99) at X, Y turned by Angle degrees, and
// the canvas they were placed on; stored big-endian inside Text.
struct TlxFreehandPlace {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Angle = 0;
};
TlxFreehandPlace FreehandPlace(const TlxTextStyle& Style, int K);
void SetFreehandPlace(TlxTextStyle& Style, int K, const TlxFreehandPlace& Place);
void FreehandCanvas(const TlxTextStyle& Style, int32_t& Width, int32_t& Height);
void SetFreehandCanvas(TlxTextStyle& Style, int32_t Width, int32_t Height);
