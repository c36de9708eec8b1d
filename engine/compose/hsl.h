#pragma once

// The conversions between red-green-blue bytes and hue (0..360),
// saturation and lightness (0..100) that the hue, saturation, colour and
// luminosity modes blend by. The per-pixel reference and the row forms share
// them, split so that a row can compute what depends on the source colour
// alone once per colour.

#include "lxTypes.h"

#include <algorithm>
#include <cmath>

namespace lx {

struct Hsl {
    double H, S, L;
};

inline Hsl toHsl(int R, int G, int B) {
    const double r = R / 255.0;
    const double g = G / 255.0;
    const double b = B / 255.0;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double l = (mx + mn) / 2.0;
    double h = 0.0;
    double s = 0.0;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
        // Hue as a position on the six-sided colour wheel (0 red, 2 green,
        // 4 blue), taken from whichever channel is largest.
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = (b - r) / d + 2.0;
        else
            h = (r - g) / d + 4.0;
        h /= 6.0;
        if (h < 0.0) h += 1.0;
    }
    return {h * 360.0, s * 100.0, l * 100.0};
}

// The lightness alone, as toHsl computes it.
inline double lightnessOf(int R, int G, int B) {
    const double r = R / 255.0;
    const double g = G / 255.0;
    const double b = B / 255.0;
    return (std::max({r, g, b}) + std::min({r, g, b})) / 2.0 * 100.0;
}

inline bool hueSatInRange(double H, double S) {
    return !(H >= 360.0 || H < 0.0 || S < 0.0 || S > 100.0);
}
inline bool lightInRange(double L) {
    return !(L < 0.0 || L > 100.0);
}

// The colour of a hue at a saturation, red-green-blue; H and S in range.
inline void hueSat(double H, double S, int c[3]) {
    // Fully saturated colour of the hue: one channel ramps by 255 / 60 = 4.25
    // per degree across each 60-degree sector while the other two sit at 0 and 255.
    if (H <= 60.0) {
        c[0] = 255, c[1] = RoundEven(H * 4.25), c[2] = 0;
    } else if (H <= 120.0) {
        c[0] = RoundEven(255.0 - (H - 60.0) * 4.25), c[1] = 255, c[2] = 0;
    } else if (H <= 180.0) {
        c[0] = 0, c[1] = 255, c[2] = RoundEven((H - 120.0) * 4.25);
    } else if (H <= 240.0) {
        c[0] = 0, c[1] = RoundEven(255.0 - (H - 180.0) * 4.25), c[2] = 255;
    } else if (H <= 300.0) {
        c[0] = RoundEven((H - 240.0) * 4.25), c[1] = 0, c[2] = 255;
    } else {
        c[0] = 255, c[1] = 0, c[2] = RoundEven(255.0 - (H - 300.0) * 4.25);
    }
    // Saturation pulls every channel towards mid grey 128: e = 0 keeps the
    // pure hue, e = 1 (saturation 0) lands exactly on 128.
    const double e = std::abs((S - 100.0) / 100.0);
    for (int k = 0; k < 3; ++k)
        c[k] = RoundEven(c[k] - (c[k] - 128.0) * e);
}

// Lightness moves a colour towards white (above 50) or black (below 50);
// 50 leaves it where it is.
inline void lighten(double L, int c[3]) {
    const double f = (L - 50.0) / 50.0;
    if (f > 0.0) {
        for (int k = 0; k < 3; ++k)
            c[k] = RoundEven((255 - c[k]) * f + c[k]);
    } else if (f < 0.0) {
        for (int k = 0; k < 3; ++k)
            c[k] = RoundEven(c[k] * f + c[k]);
    }
}

// Black for values out of range.
inline void fromHsl(double H, double S, double L, int c[3]) {
    if (!hueSatInRange(H, S) || !lightInRange(L)) {
        c[0] = c[1] = c[2] = 0;
        return;
    }
    hueSat(H, S, c);
    lighten(L, c);
}

} // namespace lx
