// The 33 blend modes: how one source colour at a given coverage is laid onto
// one 24-bit destination pixel.
//
// These are the scalar references. The compositor keeps faster forms of some
// modes beside its row loops; they must give the same bytes as the code here.
//
// Conventions used throughout:
//   D  destination byte of the channel, L  source (layer) byte, a  coverage;
//   N(x)    nearest integer, halves to the even neighbour (RoundEven);
//   mix(t)  N(a * t + (1 - a) * D), i.e. blend the mode's full-strength
//           result t with the destination by the coverage.
// Channels are visited red, green, blue; the destination bytes are stored
// blue, green, red, the packed colours red * 65536 + green * 256 + blue.

#include "compose/hsl.h"
#include "lxImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using BlendTableSet = decltype(TlxImage::BlendTables);

constexpr int kChannels = 3;

// Offset of channel c (0 red, 1 green, 2 blue) inside a blue-green-red pixel.
constexpr int byteOffset(int c) {
    return 2 - c;
}

// Channel c (0 red, 1 green, 2 blue) of a colour packed red * 65536 + green * 256 + blue.
constexpr int packedChannel(uint32_t packed, int c) {
    return int((packed >> (16 - 8 * c)) & 0xFFu);
}

// t is the mode's full-strength result, not always a whole number (multiply, screen).
int mix(double a, double t, int d) {
    return RoundEven(a * t + (1.0 - a) * d);
}

int clampByte(int v) {
    return std::min(std::max(v, 0), 255);
}

// Mode 17 ("multiply" in the English list, an overlay): below the middle the
// destination is multiplied with the source, above it the inverses are, both
// scaled by 512 rather than 2 * 255, so the two halves meet slightly above
// full scale and the result is clamped back into a byte.
int overlayTarget(int d, int l) {
    int t;
    if (d <= 128)
        t = RoundEven((d / 255.0) * (l / 255.0) * 512.0);
    else
        t = 255 - RoundEven((1.0 - d / 255.0) * (1.0 - l / 255.0) * 512.0);
    return clampByte(t);
}

// New value of one channel for the modes whose channels do not depend on one
// another. Mode 13's coverage has already been scaled by the caller; 14, 17
// and 18..21 are handled there too.
int blendChannel(uint8_t mode, int d, int l, double a, const BlendTableSet& tables) {
    switch (mode) {
    case lx::BlendNormal:         // normal: straight interpolation from D to L
    case lx::BlendLinearMultiply: // linear multiply: normal with the coverage scaled by the source
                                  // mean
        return RoundEven((1.0 - a) * d + a * l);
    case lx::BlendAdd: // add: the covered part of L on top of D, saturating
        return std::min(RoundEven(a * l + d), 255);
    case lx::BlendSubtract: // subtract: D minus the covered part of L, stopping at black
        return std::max(RoundEven(d - a * l), 0);
    case lx::BlendXor: // bitwise modes combine D with the covered part of L
        return d ^ RoundEven(a * l);
    case lx::BlendOr:
        return d | RoundEven(a * l);
    case lx::BlendAnd:
        return d & RoundEven(a * l);
    case lx::BlendDifference: // difference: |D - aL| (the rounding sits inside the absolute value)
        return int(std::abs(int64_t(RoundEven(d - a * l))) & 0xFF);
    case lx::BlendDarken: // darken
        return mix(a, std::min(d, l), d);
    case lx::BlendLighten: // brighten
        return mix(a, std::max(d, l), d);
    case lx::BlendMultiply: // multiply: D * L / 255, the product is an exact integer
        return mix(a, d * l / 255.0, d);
    case lx::BlendInverseMultiply: // inverse multiply: 255 - D + L can reach 510, so cap after
                                   // mixing
        return std::min(mix(a, 255 - d + l, d), 255);
    case lx::BlendLinearLight: // linear light: L + D - 128, mixed, then capped above first and
                               // floored after
        return std::max(std::min(mix(a, l + d - 128, d), 255), 0);
    case lx::BlendLinearFilter: {
        // linear filter: dark sources weaken their own coverage in proportion
        // to how dark they are, so black leaves D alone and 128 and up is normal.
        double ac = l < 128 ? a * l / 128.0 : a;
        return RoundEven((1.0 - ac) * d + ac * l);
    }
    case lx::BlendReverseSoftLight: // reverse soft light: pushes D away from L by the covered
                                    // difference
        return std::min(std::max(RoundEven(a * (d - l) + d), 0), 255);
    case lx::BlendScreen: // screen: L + D - L * D / 255, capped after mixing
        return std::min(mix(a, l + d - l * d / 255.0, d), 255);
    case lx::BlendColorBurn: // colour burn
        if (l == 0) return RoundEven((1.0 - a) * d);
        return mix(a, std::max(RoundEven(d - ((255 - d) / double(l)) * (255 - l)), 0), d);
    case lx::BlendColorDodge: { // colour dodge: D divided by the inverse of L; a white source
                                // saturates
        int t = l < 255 ? std::min(RoundEven(d / ((255 - l) / 255.0)), 255) : 255;
        return mix(a, t, d);
    }
    case lx::BlendInverseBurn: // inverse burn: a black source changes nothing
        if (l == 0) return d;
        return mix(a, std::min(RoundEven(((255 - d) / double(l)) * (255 - l) + d), 255), d);
    case lx::BlendSoftLight: // soft light: a gentle lift above 128 and a slightly stronger drop
                             // below
        // it; the dark side counts from 127 so that 127 and 128 both leave D as it is.
        if (l > 128) return mix(a, std::min(RoundEven(d + (l - 128) * 0.465), 255), d);
        if (l < 128) return mix(a, std::max(RoundEven(d - (127 - l) * 0.485), 0), d);
        return d;
    case lx::BlendHardLight:
    case lx::BlendVividLight:
    case lx::BlendPinLight:
    case lx::BlendHardMix:
    case lx::BlendLinearBurn:
    case lx::BlendLinearDodge:
    case lx::BlendExclusion: // table modes: the table gives the full-strength result for [L][D]
        return mix(a, tables[mode - lx::FirstTableBlendMode][l * 256 + d], d);
    default: // unknown codes, and the modes the caller handles itself
        return d;
    }
}

} // namespace

void TlxImage::RgbToHsl(int R, int G, int B, double& H, double& S, double& L) {
    const lx::Hsl hsl = lx::toHsl(R, G, B);
    H = hsl.H;
    S = hsl.S;
    L = hsl.L;
}

void TlxImage::HslToRgb(double H, double S, double L, int& R, int& G, int& B) {
    int c[kChannels];
    lx::fromHsl(H, S, L, c);
    R = c[0];
    G = c[1];
    B = c[2];
}

namespace {

// Lays Color onto the pixel with a coverage per channel (red, green, blue).
// A channel whose coverage is 0 is never written, whatever the mode: a black
// part of a mask must hide the layer, and AND's formula alone would clear the
// channel (D and N(0 * L) = 0).
void blendRgb(uint8_t* dst, uint8_t mode, uint32_t color, double a[kChannels],
              const BlendTableSet& tables, std::minstd_rand& rng) {
    int d[kChannels];
    int l[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        d[c] = dst[byteOffset(c)];
        l[c] = packedChannel(color, c);
    }

    switch (mode) {
    case lx::BlendLinearMultiply: {
        // Linear multiply: a dark source (mean below 128) weakens every
        // channel's coverage by mean / 128, all before the first write.
        const double m = (l[0] + l[1] + l[2]) / 3.0;
        if (m < 128.0) {
            for (int c = 0; c < kChannels; ++c)
                a[c] *= m / 128.0;
        }
        break;
    }
    case lx::BlendDissolve: {
        // Dissolve: one draw r in 0..99 per pixel decides every channel, so a
        // uniform coverage takes the whole source colour or none of it.
        const int r = int(rng() % 100u);
        for (int c = 0; c < kChannels; ++c) {
            if (a[c] != 0.0 && a[c] * 100.0 > r) dst[byteOffset(c)] = uint8_t(l[c]);
        }
        return;
    }
    case lx::BlendOverlay: {
        // Every target comes from the destination as it was on entry.
        int t[kChannels];
        for (int c = 0; c < kChannels; ++c)
            t[c] = overlayTarget(d[c], l[c]);
        for (int c = 0; c < kChannels; ++c) {
            if (a[c] != 0.0) dst[byteOffset(c)] = uint8_t(mix(a[c], t[c], d[c]));
        }
        return;
    }
    case lx::BlendHue:
    case lx::BlendSaturation:
    case lx::BlendLuminosity:
    case lx::BlendColor: {
        // HSL modes: take hue (18), saturation (19), lightness (20) or hue and
        // saturation (21) of the source into the destination's HSL triple and
        // mix towards the colour that triple gives.
        double hs, ss, ls, hd, sd, ld;
        TlxImage::RgbToHsl(l[0], l[1], l[2], hs, ss, ls);
        TlxImage::RgbToHsl(d[0], d[1], d[2], hd, sd, ld);
        if (mode == lx::BlendHue || mode == lx::BlendColor) hd = hs;
        if (mode == lx::BlendSaturation || mode == lx::BlendColor) sd = ss;
        if (mode == lx::BlendLuminosity) ld = ls;
        int t[kChannels];
        TlxImage::HslToRgb(hd, sd, ld, t[0], t[1], t[2]);
        for (int c = 0; c < kChannels; ++c) {
            if (a[c] != 0.0) dst[byteOffset(c)] = uint8_t(mix(a[c], clampByte(t[c]), d[c]));
        }
        return;
    }
    default:
        if (mode > 32) return;
        break;
    }

    for (int c = 0; c < kChannels; ++c) {
        if (a[c] != 0.0) dst[byteOffset(c)] = uint8_t(blendChannel(mode, d[c], l[c], a[c], tables));
    }
}

} // namespace

// Neither variant can fail: the arithmetic is in doubles (no traps), divisions
// by a source byte are guarded where it can be 0, and every table index is a
// pair of bytes. They therefore always answer true.

bool TlxImage::BlendPixel(uint8_t* Dst, uint8_t Mode, uint32_t Color, double Coverage) {
    if (Coverage == 0.0) return true;
    double a[kChannels] = {Coverage, Coverage, Coverage};
    blendRgb(Dst, Mode, Color, a, BlendTables, DissolveRng);
    return true;
}

bool TlxImage::BlendPixelMasked(uint8_t* Dst, uint8_t Mode, uint32_t Color, double Coverage,
                                uint32_t MaskColor) {
    if (Coverage == 0.0) return true;
    // Each channel is covered by the same channel of the mask.
    double a[kChannels];
    for (int c = 0; c < kChannels; ++c)
        a[c] = Coverage * packedChannel(MaskColor, c) / 255.0;
    blendRgb(Dst, Mode, Color, a, BlendTables, DissolveRng);
    return true;
}
