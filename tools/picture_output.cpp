#include "picture_output.h"

#include "lxPictureFiles.h"

#include <QBuffer>
#include <QImageWriter>

namespace cli {
namespace {

QByteArray writeWithQt(const QImage& Picture, const char* Format, int Quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QImageWriter writer(&buffer, Format);
    writer.setQuality(Quality);
    if (!writer.write(Picture)) return {};
    return bytes;
}

} // namespace

QByteArray encodeComposed(const QImage& Picture, PictureFormat Format) {
    if (Picture.isNull()) return {};
    switch (Format) {
    case PictureFormat::Bmp:
        // The engine's bitmap writer, the one the design file's streams use.
        return lx::encodeBmp24(Picture);
    case PictureFormat::Png:
        // Swapping blue and red into the byte order the PNG writer takes is
        // exact: no channel value changes.
        return writeWithQt(Picture.convertToFormat(QImage::Format_RGB888), "png", -1);
    case PictureFormat::Jpeg:
        // The engine's encoder, the one the program exports with.
        return lx::encodeJpeg(Picture, JpegQuality);
    }
    return {};
}

QByteArray encodeWithCoverage(const QImage& Picture) {
    if (Picture.isNull() || Picture.format() != QImage::Format_ARGB32) return {};
    // Format_ARGB32 is straight alpha, which is what PNG stores: the colour
    // bytes go out untouched, even under zero coverage.
    return writeWithQt(Picture, "png", -1);
}

} // namespace cli
