#pragma once

// What the blend-mode row tests share: distinct blend tables and the
// per-pixel routines run over a row.

#include "compose/mode_rows.h"
#include "lxImage.h"

#include <random>
#include <vector>

namespace mode_rows_reference {

using lx::BlendRow;

// Every table different and asymmetric in [L][D], so that a wrong table,
// or L and D swapped, changes bytes.
inline void fillTables(TlxImage& img) {
    for (int t = 0; t < TlxImage::BlendTableCount; ++t)
        for (int l = 0; l < 256; ++l)
            for (int d = 0; d < 256; ++d)
                img.BlendTables[size_t(t)][size_t(l * 256 + d)] =
                    uint8_t(l * (t + 3) + d * (2 * t + 5) + (l ^ (d >> 1)));
}

// Only dissolve draws numbers, and it is tested through the images' own
// generators; the other modes never touch this one.
inline std::minstd_rand& scratchRng() {
    static std::minstd_rand rng;
    return rng;
}

inline uint32_t packedOf(const uint8_t* bgr) {
    return uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
}

// The per-pixel reference over a row, left to right.
inline void referenceRow(TlxImage& img, const BlendRow& row) {
    for (int i = 0; i < row.Count; ++i) {
        uint8_t* p = row.Dst + row.DstStep * i;
        const uint32_t colour = row.Colours ? packedOf(row.Colours + 3 * i) : row.Solid;
        if (row.Mask)
            img.BlendPixelMasked(p, row.Mode, colour, row.Coverage[i], packedOf(row.Mask + 3 * i));
        else
            img.BlendPixel(p, row.Mode, colour, row.Coverage[i]);
    }
}

inline bool separable(int mode) {
    return mode != lx::BlendDissolve && (mode < lx::BlendHue || mode > lx::BlendColor);
}

inline std::vector<int> separableModes() {
    std::vector<int> modes;
    for (int m = 0; m < lx::BlendModeCount; ++m)
        if (separable(m)) modes.push_back(m);
    return modes;
}

} // namespace mode_rows_reference
