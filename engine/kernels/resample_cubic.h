#pragma once

// Internals of the cubic resampler that its tests and benchmark reach: the
// fast kernels on a chosen instruction set, so that every path can be held
// to the plain forms' bytes on a machine that would pick another one.

#include "kernels/resample.h"

#include <vector>

namespace lx {

enum class CubicPath {
    Best,   // the fastest path this processor runs
    Scalar, // plain double arithmetic; works everywhere
    Avx2,   // four doubles per instruction (falls back to Scalar without AVX2)
};

void enlargeCubicOn(CubicPath path, ConstPixelView src, PixelView dst, int channels,
                    const RowDone& rowDone);
void shrinkCubicOn(CubicPath path, ConstPixelView src, PixelView dst, int channels,
                   const RowDone& rowDone);

// Every path this processor runs, Scalar first.
std::vector<CubicPath> cubicPaths();
const char* cubicPathName(CubicPath path);

} // namespace lx
