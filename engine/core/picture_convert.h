#pragma once

// Conversions of pictures of any format into the engine's own: 24-bit colour
// (blue, green, red bytes) and 8-bit grey coverage.

#include <QImage>

#include "core/operation_guard.h"

namespace lx {

// 24-bit colour of any picture. A picture with an alpha channel gives its
// plain colour values, not colours blended over a background. Null when the
// picture is null, too large or cannot be allocated.
QImage toBgr(const QImage& Picture);

// The 24-bit colour and the 8-bit coverage of a picture: the alpha bytes of a
// picture with an alpha channel, else 255 everywhere. False, with the outputs
// untouched, when either cannot be built.
bool splitColourAndAlpha(const QImage& Picture, QImage& Colour, QImage& Alpha);

// 8-bit grey of any picture: grey pictures as they are, others through Qt's
// grey conversion. Null on failure.
QImage toGrey(const QImage& Picture);

// A mask of the given size holding the top-left part of Mask; area beyond it
// is white, so the picture shows there. Null on failure.
QImage fittedMask(const QImage& Mask, QSize Size);

} // namespace lx
