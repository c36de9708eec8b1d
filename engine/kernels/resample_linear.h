#pragma once

// The linear resamplers with their inner row loops chosen by the caller, so
// that the tests can hold every version this processor runs to the same
// bytes. enlargeLinear and shrinkLinear take the fastest one.
//
// Besides 3 and 1, all of them take channels 4: 32-bit pictures whose four
// bytes (blue, green, red, alpha) are resampled alike, alpha as a channel
// like the others.

#include "kernels/resample.h"

#include <vector>

namespace lx {

enum class LinearRowPath {
    Scalar, // plain C++, runs everywhere
    Avx2,   // 256-bit vectors of four doubles
};

struct NamedLinearRowPath {
    const char* name;
    LinearRowPath path;
};

// Every version this processor runs, plain one first.
std::vector<NamedLinearRowPath> linearRowPaths();

// The fastest version this processor runs.
LinearRowPath bestLinearRowPath();

void enlargeLinearOn(LinearRowPath path, ConstPixelView src, PixelView dst, int channels,
                     const RowDone& rowDone);
void shrinkLinearOn(LinearRowPath path, ConstPixelView src, PixelView dst, int channels);

// Bilinear sampling at any pair of sizes: every target channel is computed
// exactly as enlargeLinear computes it, also where the target is smaller.
// A reduction then reads only the four source pixels around each sample
// point and skips those in between (no area average).
void sampleLinear(ConstPixelView src, PixelView dst, int channels);
void sampleLinearOn(LinearRowPath path, ConstPixelView src, PixelView dst, int channels);

} // namespace lx
