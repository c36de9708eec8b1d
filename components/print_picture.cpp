#include "print_picture.h"

#include "lxImage.h"
#include "lxTypes.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

// The composition with the canvas shape switched off, and the shape's mask
// (24-bit, the composition's size; null when the background has none).
bool composeUnshaped(TlxImage& Doc, QImage& Composed, QImage& Mask) {
    if (Doc.LayersCount < 1) return false;
    TlxLayer& background = Doc.Layers[0];
    const bool shaped = background.HasMask && !background.Mask.isNull();
    background.HasMask = false;
    const bool done = Doc.RenderToAlphaBitmap(Composed);
    background.HasMask = shaped;
    if (!done || Composed.isNull()) return false;
    Mask = shaped ? background.Mask.convertToFormat(QImage::Format_BGR888) : QImage();
    return !shaped || Mask.size() == Composed.size();
}

} // namespace

bool MakePrintBitmap(TlxImage& Doc, QImage& Target) {
    QImage composed, mask;
    if (!composeUnshaped(Doc, composed, mask)) return false;
    const bool shaped = !mask.isNull();
    QImage picture(composed.size(), QImage::Format_BGR888);
    if (picture.isNull()) return false;
    // White in proportion to what lies outside the shape: one table per
    // mask level.
    std::array<std::array<uint8_t, 256>, 256> whiten{};
    if (shaped)
        for (int m = 0; m < 256; ++m) {
            const double a = m / 255.0;
            for (int v = 0; v < 256; ++v)
                whiten[size_t(m)][size_t(v)] = uint8_t(RoundEven((1 - a) * 255 + a * v));
        }
    const int width = composed.width();
    for (int y = 0; y < composed.height(); ++y) {
        const uint8_t* s = composed.constScanLine(y);
        uint8_t* d = picture.scanLine(y);
        if (!shaped) {
            for (int x = 0; x < width; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
            continue;
        }
        const uint8_t* m = mask.constScanLine(y);
        for (int x = 0; x < width; ++x, s += 4, d += 3, m += 3) {
            const auto& row = whiten[m[2]];
            d[0] = row[s[0]];
            d[1] = row[s[1]];
            d[2] = row[s[2]];
        }
    }
    Target = std::move(picture);
    return true;
}

bool MakeTransparentPicture(TlxImage& Doc, QImage& Target) {
    QImage composed, mask;
    if (!composeUnshaped(Doc, composed, mask)) return false;
    QImage picture = composed.convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull()) return false;
    if (!mask.isNull()) {
        const int width = picture.width();
        for (int y = 0; y < picture.height(); ++y) {
            auto* d = reinterpret_cast<QRgb*>(picture.scanLine(y));
            const uint8_t* m = mask.constScanLine(y);
            for (int x = 0; x < width; ++x, m += 3) {
                const int a = (qAlpha(d[x]) * m[2] + 127) / 255;
                d[x] = (d[x] & 0x00FFFFFFu) | uint32_t(a) << 24;
            }
        }
    }
    Target = std::move(picture);
    return true;
}

void DrawInBands(QPainter& Painter, QPoint At, const QImage& Picture) {
    constexpr qint64 kBandBytes = qint64(16) << 20;
    const int width = Picture.width(), height = Picture.height();
    if (width <= 0 || height <= 0) return;
    const int rows = int(std::clamp<qint64>(kBandBytes / (qint64(width) * 4), 1, height));
    for (int y = 0; y < height; y += rows) {
        const int band = std::min(rows, height - y);
        Painter.drawImage(QPoint(At.x(), At.y() + y), Picture, QRect(0, y, width, band));
    }
}
