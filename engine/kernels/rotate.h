#pragma once

// The inner loops of the rotation, one per instruction set. rotatePicture
// picks the fastest this processor runs once per call; the tests hold every
// version to the plain reference and the benchmark times each.

#include "kernels/resample.h"

#include <vector>

namespace lx {

enum class RotateKernel { Scalar, Avx2 };

// Every version this processor runs, plain one first.
std::vector<RotateKernel> rotateKernels();
const char* rotateKernelName(RotateKernel kernel);

// rotatePicture with a chosen inner loop; one this processor lacks falls
// back to the plain loop.
void rotatePictureWith(RotateKernel kernel, ConstPixelView src, PixelView dst, int channels,
                       int Angle, const RowDone& rowDone);

} // namespace lx
