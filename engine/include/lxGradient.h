#pragma once

// Gradient renderers: a list of colour stops painted into a rectangle as a
// horizontal, vertical, rectangular, elliptical or diagonal gradient. Also
// used by the dialogs for previews.

#include "lxLayerStyle.h"

#include <QImage>

class QPainter;

// Horizontal and vertical: one line across the other axis per step.
void FillGradientHorizontal(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                            int Top, int Width, int Height);
void FillGradientVertical(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                          int Top, int Width, int Height);
// Concentric outlines from the centre (stop 0) to the border (last stop).
void FillGradientRectangle(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                           int Top, int Width, int Height);
void FillGradientEllipse(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                         int Top, int Width, int Height);
// Diagonal at Slope * 90 degrees, drawn at (0, 0); the mirrored variant
// flips it left-right.
void FillGradientDiagonal(const TColorlistItem* Stops, int Count, QPainter& Canvas, double Slope,
                          int Width, int Height);
void FillGradientDiagonalMirrored(const TColorlistItem* Stops, int Count, QPainter& Canvas,
                                  double Slope, int Width, int Height);
// Bitmap becomes 24-bit, Width x Height, every pixel written.
bool RenderDiagonalGradient(const TColorlistItem* Stops, int Count, int Height, int Width,
                            double Slope, QImage& Bitmap);
// Swaps each row of a 24-bit picture end for end.
bool MirrorBitmapHorizontal(QImage& Bitmap);
