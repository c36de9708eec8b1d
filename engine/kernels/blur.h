#pragma once

// The Gaussian blur of 8-bit effect masks.

#include "core/pixel_view.h"

#include <array>

namespace lx {

// Weights for offsets -200..200 (index offset + 200), single precision,
// normalised over the half-width K that keeps the dropped tail below 1/510.
struct GaussianKernel {
    std::array<float, 401> Weights{};
    int HalfWidth = 1;
    float at(int offset) const { return Weights[size_t(offset + 200)]; }
};

GaussianKernel makeGaussianKernel(double Radius);

// Blurs the mask in place: every row, then every column, each byte the
// truncated weighted sum with the ends repeated.
void gaussianBlurMask(PixelView Mask, double Radius);
// The same, written plainly; the fast form above equals it byte for byte.
void gaussianBlurMaskReference(PixelView Mask, double Radius);

} // namespace lx
