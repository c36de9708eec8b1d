// Conversions into the engine's picture formats.

#include "core/picture_convert.h"

#include "lxImage.h"

#include <cstring>

namespace lx {
namespace {

bool sizeAllowed(const QImage& picture) {
    return !picture.isNull() && TlxImage::PictureSizeAllowed(picture.width(), picture.height());
}

// Straight (not premultiplied) 32-bit form of a picture with alpha, whose
// bytes are blue, green, red, alpha.
QImage straightArgb(const QImage& picture) {
    if (picture.format() == QImage::Format_ARGB32) return picture;
    return picture.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QImage toBgr(const QImage& Picture) {
    if (!sizeAllowed(Picture)) return QImage();
    if (Picture.format() == QImage::Format_BGR888) return Picture;
    if (!Picture.hasAlphaChannel()) return Picture.convertToFormat(QImage::Format_BGR888);
    // Qt would blend the colours over black on the way to an opaque format;
    // the colour values themselves are wanted, so copy them out by hand.
    const QImage argb = straightArgb(Picture);
    if (argb.isNull()) return QImage();
    QImage colour(argb.size(), QImage::Format_BGR888);
    if (colour.isNull()) return QImage();
    const int width = argb.width();
    for (int y = 0; y < argb.height(); ++y) {
        const uint8_t* s = argb.constScanLine(y);
        uint8_t* d = colour.scanLine(y);
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    return colour;
}

bool splitColourAndAlpha(const QImage& Picture, QImage& Colour, QImage& Alpha) {
    if (!sizeAllowed(Picture)) return false;
    QImage colour, alpha;
    if (!Picture.hasAlphaChannel()) {
        colour = toBgr(Picture);
        if (colour.isNull()) return false;
        alpha = QImage(Picture.size(), QImage::Format_Grayscale8);
        if (alpha.isNull()) return false;
        alpha.fill(255);
    } else {
        // One straight copy serves both: colour values as they are, and the
        // alpha bytes.
        const QImage argb = straightArgb(Picture);
        if (argb.isNull()) return false;
        colour = QImage(argb.size(), QImage::Format_BGR888);
        alpha = QImage(argb.size(), QImage::Format_Grayscale8);
        if (colour.isNull() || alpha.isNull()) return false;
        const int width = argb.width();
        for (int y = 0; y < argb.height(); ++y) {
            const uint8_t* s = argb.constScanLine(y);
            uint8_t* c = colour.scanLine(y);
            uint8_t* a = alpha.scanLine(y);
            for (int x = 0; x < width; ++x, s += 4, c += 3) {
                c[0] = s[0];
                c[1] = s[1];
                c[2] = s[2];
                a[x] = s[3];
            }
        }
    }
    Colour = std::move(colour);
    Alpha = std::move(alpha);
    return true;
}

QImage toGrey(const QImage& Picture) {
    if (!sizeAllowed(Picture)) return QImage();
    if (Picture.format() == QImage::Format_Grayscale8) return Picture;
    return Picture.convertToFormat(QImage::Format_Grayscale8);
}

QImage fittedMask(const QImage& Mask, QSize Size) {
    if (Mask.size() == Size && Mask.format() == QImage::Format_BGR888) return Mask;
    const QImage source = toBgr(Mask);
    QImage fitted(Size, QImage::Format_BGR888);
    if (fitted.isNull()) return QImage();
    fitted.fill(Qt::white);
    if (source.isNull()) return fitted;
    const int rows = std::min(Size.height(), source.height());
    const qsizetype bytes = 3 * qsizetype(std::min(Size.width(), source.width()));
    for (int y = 0; y < rows; ++y)
        std::memcpy(fitted.scanLine(y), source.constScanLine(y), size_t(bytes));
    return fitted;
}

} // namespace lx
