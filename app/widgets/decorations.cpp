#include "widgets/decorations.h"

#include "lxImage.h"

QImage ComposeOverFace(const QImage& Picture, const QColor& Face) {
    if (Picture.isNull()) return {};
    const QImage source = Picture.convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_RGB32);
    const int face[3] = {Face.blue(), Face.green(), Face.red()};
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* s = source.constScanLine(y);
        uint8_t* d = result.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            // The weight is a / 256, so even a = 255 lets 1/256 of the face through.
            const double a = s[4 * x + 3] / 256.0;
            for (int c = 0; c < 3; ++c)
                d[4 * x + c] = uint8_t(RoundEven((1 - a) * face[c] + a * s[4 * x + c]));
            d[4 * x + 3] = 255;
        }
    }
    return result;
}
