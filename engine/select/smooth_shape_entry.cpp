// The document's entries to the anti-aliased shape kernels the selection
// tools draw with.

#include "kernels/smooth_shapes.h"
#include "lxImage.h"

void TlxImage::DrawAntialiasedLine(QImage& Target, double X1, double Y1, double X2, double Y2) {
    lx::drawSmoothLine(Target, X1, Y1, X2, Y2);
}

void TlxImage::DrawSmoothEllipse(QImage& Target) {
    lx::drawSmoothEllipse(Target);
}

void TlxImage::DrawSmoothRoundRect(int CornerWidth, int CornerHeight, QImage& Target) {
    lx::drawSmoothRoundRect(CornerWidth, CornerHeight, Target);
}
