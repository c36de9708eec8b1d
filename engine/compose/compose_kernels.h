#pragma once

// Row kernels of the compositor. Each equals the per-pixel blend formula
// byte for byte; the tests run both over every input they can.

#include "lxImage.h"

#include <cstdint>
#include <vector>

namespace lx {

// Normal mode at layer opacity 1 over one row span of n pixels:
// dst, src are blue-green-red rows, alpha one coverage byte per pixel.
using NormalRowFn = void (*)(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n);

// Plain integer version; works everywhere.
void blendNormalOpaqueRowScalar(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n);

// The fastest version this processor runs.
NormalRowFn normalOpaqueRowKernel();

struct NamedNormalRowFn {
    const char* name;
    NormalRowFn fn;
};
// Every version this processor runs, plain one first; tests hold them all
// to the same bytes.
std::vector<NamedNormalRowFn> normalOpaqueRowKernels();

// Normal mode at any opacity: coverage[A] is the coverage of alpha byte A
// (alpha / 255 * opacity). With a mask row (blue-green-red), each channel's
// coverage is further scaled by its mask byte / 255; mask may be null.
// The fastest version this processor runs, chosen once.
void blendNormalRow(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, const uint8_t* mask,
                    int n, const double* coverage);

using NormalCoverageRowFn = void (*)(uint8_t* dst, const uint8_t* src, const uint8_t* alpha,
                                     const uint8_t* mask, int n, const double* coverage);

// Plain version of blendNormalRow; works everywhere.
void blendNormalRowScalar(uint8_t* dst, const uint8_t* src, const uint8_t* alpha,
                          const uint8_t* mask, int n, const double* coverage);

struct NamedNormalCoverageRowFn {
    const char* name;
    NormalCoverageRowFn fn;
};
// Every version of blendNormalRow this processor runs, plain one first.
std::vector<NamedNormalCoverageRowFn> normalRowKernels();

// Spreads a grey row to blue-green-red pixels (b = g = r = grey).
void greyToBgrRow(uint8_t* dst, const uint8_t* grey, int n);

using GreyRowFn = void (*)(uint8_t* dst, const uint8_t* grey, int n);
struct NamedGreyRowFn {
    const char* name;
    GreyRowFn fn;
};
// Every version of greyToBgrRow this processor runs, plain one first.
std::vector<NamedGreyRowFn> greyToBgrRowKernels();

} // namespace lx
