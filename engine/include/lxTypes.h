#pragma once

// The small vocabulary every level shares: colours, points, the rounding the
// pixel formulas use and the limits on any picture the engine makes or reads.
// Nothing here knows the document, so the pure pixel kernels use it too.

#include <cmath>
#include <cstdint>

// A colour as 0x00BBGGRR (red in the low byte).
using TColor = uint32_t;

constexpr TColor lxRGB(int r, int g, int b) {
    return uint32_t(r & 255) | (uint32_t(g & 255) << 8) | (uint32_t(b & 255) << 16);
}

// The grey level of a colour: the integer weights 299, 587 and 114 per
// thousand of red, green and blue, truncated.
constexpr int lxLuminance(int r, int g, int b) {
    return (r * 299 + g * 587 + b * 114) / 1000;
}

struct TlxPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TlxPoint&) const = default;
};

namespace lx {

// Limits on any picture the engine builds or reads: a side and a pixel count
// (the count keeps a layer with coverage and mask near 3 GB at most).
inline constexpr int MaxPictureSide = 30000;
inline constexpr int64_t MaxPicturePixels = 400'000'000;

constexpr bool pictureSizeAllowed(int64_t Width, int64_t Height) {
    return Width > 0 && Height > 0 && Width <= MaxPictureSide && Height <= MaxPictureSide &&
           Width * Height <= MaxPicturePixels;
}

// 1.5 * 2^52: a double between 2^52 and 2^53 is a whole number, so adding
// and taking away this value rounds a smaller one to the nearest integer by
// the processor's own round-to-nearest-even.
inline constexpr double RoundShift = 6755399441055744.0;
} // namespace lx

// Rounds to the nearest integer, halves to the even neighbour; values beyond
// the integer range give its nearest end, NaN gives 0.
inline int RoundEven(double Value) {
    // This runs once per channel in every blend, so it must not become a
    // library call.
    if (std::fabs(Value) < 2147483647.0) return int((Value + lx::RoundShift) - lx::RoundShift);
    if (Value >= 2147483647.0) return 2147483647;
    if (Value <= -2147483648.0) return -2147483647 - 1;
    return 0;
}
