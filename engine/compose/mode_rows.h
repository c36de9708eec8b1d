#pragma once

// Row forms of the 33 blend modes. A row call lays n source pixels (or one
// solid colour) onto n destination pixels with one coverage per pixel, and
// gives exactly the bytes that BlendPixel / BlendPixelMasked give when called
// on the same pixels from left to right: dissolve draws the same numbers in
// the same order. The mode is looked at once per row, never per pixel.

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace lx {

using BlendTableSet = std::array<std::array<uint8_t, 256 * 256>, 7>;

struct BlendRow {
    // First destination pixel, blue-green-red; with DstStep 4 a fourth byte
    // follows each pixel and is left alone.
    uint8_t* Dst = nullptr;
    int DstStep = 3;
    // Count source pixels, blue-green-red, or null: every pixel takes Solid.
    const uint8_t* Colours = nullptr;
    uint32_t Solid = 0; // packed red * 65536 + green * 256 + blue
    // Count coverages, 0..1; a pixel with coverage 0 is not touched at all.
    const double* Coverage = nullptr;
    // Count mask pixels, blue-green-red (the masked variant), or null.
    const uint8_t* Mask = nullptr;
    int Count = 0;
    uint8_t Mode = 0;
    // Count alpha bytes, or null. When given, the caller vouches that
    // Coverage[i] is exactly Alpha[i] / 255.0 (a layer at opacity 1), which
    // lets the rows skip finding that out for themselves.
    const uint8_t* Alpha = nullptr;
};

// The instruction sets a row can be computed with. Every path gives the same
// bytes; the vector paths cover the modes whose channels are independent and
// leave dissolve and the HSL modes to the plain code.
enum class BlendRowPath : uint8_t { Scalar, Avx2, Avx512 };

// The paths this processor runs, plain one first.
std::vector<BlendRowPath> blendRowPaths();
BlendRowPath fastestBlendRowPath();
const char* blendRowPathName(BlendRowPath Path);

void blendModeRow(const BlendRow& Row, const BlendTableSet& Tables, std::minstd_rand& Rng,
                  BlendRowPath Path);
// The fastest path.
void blendModeRow(const BlendRow& Row, const BlendTableSet& Tables, std::minstd_rand& Rng);

// Coverage rows of the effects: Out[i] = TableA[A[i]] * TableB[B[i]] / 255
// for i < N, every value the same double the plain expression gives.
void coverageProductRow(const uint8_t* A, const double* TableA, const uint8_t* B,
                        const double* TableB, double* Out, int N);
void coverageProductRow(const uint8_t* A, const double* TableA, const uint8_t* B,
                        const double* TableB, double* Out, int N, BlendRowPath Path);

// For tests and benchmarks: while on, TlxImage::BlendPixelRow calls
// BlendPixel / BlendPixelMasked pixel by pixel instead of the row forms, so
// the compositor and the effects can be run through the per-pixel reference.
void setPerPixelBlendReference(bool On);
bool perPixelBlendReference();

} // namespace lx
