#pragma once

// The linear resamplers with their inner row loops chosen by the caller, so
// that the tests can hold every version this processor runs to the same
// bytes. enlargeLinear and shrinkLinear take the fastest one.

#include "resample.h"

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

} // namespace lx
