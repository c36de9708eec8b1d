#pragma once

// The row kernel of the display at nearest-pixel zoom, behind
// lx::nearestBgrToRgb32Row, with every version this processor runs.

#include <cstdint>
#include <vector>

namespace lx {

using NearestDisplayRowFn = void (*)(uint32_t* Dst, const uint8_t* Row, int RowBytes,
                                     const int* Offsets, int Count);

struct NamedNearestDisplayRowFn {
    const char* name;
    NearestDisplayRowFn fn;
};

// Plain version first; tests hold the others to its bytes.
std::vector<NamedNearestDisplayRowFn> nearestDisplayRowKernels();

} // namespace lx
