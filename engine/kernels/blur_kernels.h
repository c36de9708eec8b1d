#pragma once

// The machinery behind the fast mask blur, open to the tests and benchmarks so
// that every line kernel this processor runs is held to the plain blur.

#include "core/pixel_view.h"
#include "kernels/blur.h"

#include <cstdint>
#include <vector>

namespace lx {

// Widest vector of any line kernel, in floats: every row handed to a line
// kernel must stay readable up to n rounded up to a multiple of this.
inline constexpr int BlurRowSlack = 16;

// Output lines of a blur pass. For each output line j = 0..M-1 and each
// i = 0..n-1,
//   s = sum over v = 0..rowCount-1, in that order, of weights[v + j] * rows[v][i]
// accumulated in single precision (each product rounded, then added), and
// out[j][i] = Trunc(s) clamped to 0..255; weights holds rowCount + M - 1
// entries. The kernels work across outputs (one lane per output), never
// across the sum, so each lane does exactly the plain sum's operations in the
// plain sum's order.
using BlurLinesFn = void (*)(const float* const* rows, const float* weights, int rowCount, int n,
                             uint8_t* const* out);

// Output lines computed together by the several-line kernels.
inline constexpr int BlurLinesAtOnce = 4;

struct BlurLineKernels {
    const char* name;
    BlurLinesFn one;     // M = 1
    BlurLinesFn several; // M = BlurLinesAtOnce
};

// The fastest kernels this processor runs.
BlurLineKernels blurLineKernels();
// Every kernel set this processor runs, the plain one first.
std::vector<BlurLineKernels> blurLineKernelSets();

// Columns per strip of the vertical pass and rows per band of the horizontal
// one: the float copies of the 2K + 4 rows a strip works on then stay in the
// second-level cache.
inline constexpr int BlurStripWidth = 256;

// gaussianBlurMask with chosen kernels and strip width (any width >= 1),
// so that tests can reach every kernel and the strip and band seams.
void gaussianBlurMaskWith(PixelView Mask, double Radius, const BlurLineKernels& Kernels,
                          int StripWidth);

} // namespace lx
