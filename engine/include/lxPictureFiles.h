#pragma once

// The picture files the program exports, written by the same encoders the
// design file's streams and thumbnails use.

#include <QByteArray>
#include <QImage>

namespace lx {

// 24 bits per pixel from any picture (converted to blue, green, red bytes;
// the colour values of a picture with alpha, not blended over anything).
// Empty for a null picture, when a conversion fails, and when the file would
// pass 2^31 - 1 bytes. The file buffer itself may throw std::bad_alloc.
QByteArray encodeBmp24(const QImage& Picture);

// A 24-bit picture (blue, green, red bytes) as a baseline JPEG file of the
// given quality (1..100). Empty on failure.
QByteArray encodeJpeg(const QImage& Bgr, int Quality);

} // namespace lx
