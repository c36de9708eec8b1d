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

// A picture as it is: one with an alpha channel as 32 bits per pixel with
// the alpha in the fourth byte (straight, not premultiplied), any other as
// 24 bits per pixel. Empty on failure.
QByteArray encodeBmpAsIs(const QImage& Picture);

// A bitmap file read back: 32-bit files as Format_ARGB32 with the fourth
// byte as the alpha (straight), every other depth as Format_BGR888. The data
// is taken as hostile (sizes checked before anything is allocated); a null
// picture, with the reason in Error when given, for anything that is not a
// bitmap this reader knows.
QImage decodeBmpPicture(const QByteArray& Data, QString* Error = nullptr);

// A 24-bit picture (blue, green, red bytes) as a baseline JPEG file of the
// given quality (1..100). Empty on failure.
QByteArray encodeJpeg(const QImage& Bgr, int Quality);

} // namespace lx
