#pragma once

// Row kernels of the compositor. Each equals the per-pixel blend formula
// byte for byte; the tests run both over every input they can.

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

// Spreads a grey row to blue-green-red pixels (b = g = r = grey).
void greyToBgrRow(uint8_t* dst, const uint8_t* grey, int n);

} // namespace lx
