#pragma once

// Pictures with an alpha byte shown on the window's plain background.

#include <QColor>
#include <QImage>

// Each pixel of a straight-alpha picture over Face, per channel
// round((1 - a / 256) * face + (a / 256) * pixel), halves to even; a 24-bit
// picture (Format_RGB32).
QImage ComposeOverFace(const QImage& Picture, const QColor& Face);
