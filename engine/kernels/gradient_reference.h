#pragma once

// The elliptical gradient drawn the plain way: every ring with drawEllipse
// straight through the caller's painter, whatever it paints on.
// FillGradientEllipse draws the rings of a 24-bit picture on a 32-bit copy
// instead and must give the very same bytes; the tests and the benchmark
// compare the two.

#include "lxLayerStyle.h"

class QPainter;

namespace lx {

void FillGradientEllipseThroughPainter(const TColorlistItem* Stops, int Count, QPainter& Canvas,
                                       int Left, int Top, int Width, int Height);

} // namespace lx
