#pragma once

// Anti-aliased shapes drawn straight into 8-bit coverage pictures. Each
// converts Target to Format_Grayscale8 first and does nothing to a null one.

#include <QImage>

namespace lx {

// A line of one pixel's width from (X1, Y1) to (X2, Y2).
void drawSmoothLine(QImage& Target, double X1, double Y1, double X2, double Y2);
// An ellipse filling the whole picture.
void drawSmoothEllipse(QImage& Target);
// A rectangle filling the picture with ellipse-quarter corners of the given
// sizes (rounded up to even numbers; below 0 counts as 0).
void drawSmoothRoundRect(int CornerWidth, int CornerHeight, QImage& Target);

} // namespace lx
