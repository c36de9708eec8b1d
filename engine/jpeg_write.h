#pragma once

#include <QByteArray>
#include <QImage>

namespace lx {

// A 24-bit picture (blue, green, red bytes) as a baseline JPEG file of the
// given quality (1..100). Empty on failure.
QByteArray encodeJpeg(const QImage& Bgr, int Quality);

} // namespace lx
