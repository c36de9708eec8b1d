#include "style_pickers.h"

#include "lxGradient.h"

#include <QFile>
#include <QPainter>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

TColorlistItem stop(uint32_t Color) {
    TColorlistItem item{};
    item.Color = Color;
    item.Length = 1.0;
    return item;
}

uint32_t readLe(const uint8_t* p, int Bytes) {
    uint32_t v = 0;
    for (int i = Bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

QImage whiteThumbnail() {
    QImage image(GradientThumbWidth, GradientThumbHeight, QImage::Format_BGR888);
    if (!image.isNull()) image.fill(Qt::white);
    return image;
}

} // namespace

TColorlistSrcd BuiltInStops(bool Overlay) {
    constexpr uint32_t white = 0x00FFFFFF;
    constexpr uint32_t black = 0;
    TColorlistSrcd list;
    list.Count = 2;
    list.Stops = {stop(Overlay ? white : black), stop(Overlay ? black : white)};
    return list;
}

TColorlistSrcd KeepFirstAndLastStops(const TColorlistSrcd& Stops) {
    TColorlistSrcd list;
    const int count = std::clamp(Stops.Count, 0, int(Stops.Stops.size()));
    constexpr int most = TlxGradientStyle::MaxStops;
    if (count <= most) {
        list.Stops.assign(Stops.Stops.begin(), Stops.Stops.begin() + count);
    } else {
        list.Stops.assign(Stops.Stops.begin(), Stops.Stops.begin() + (most - 1));
        list.Stops.push_back(Stops.Stops[size_t(count - 1)]);
    }
    list.Count = int(list.Stops.size());
    return list;
}

QImage TextThumbnail(const QString& Text, const QFont& Font) {
    QImage image = whiteThumbnail();
    if (image.isNull()) return image;
    QPainter painter(&image);
    painter.setFont(Font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(2, 2, image.width() - 2, image.height() - 2),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, Text);
    return image;
}

QImage RampThumbnail(const TColorlistSrcd& Stops) {
    QImage image = whiteThumbnail();
    const int count = std::clamp(Stops.Count, 0, int(Stops.Stops.size()));
    if (image.isNull() || count < 1) return image;
    QPainter painter(&image);
    FillGradientHorizontal(Stops.Stops.data(), count, painter, 0, 0, image.width(), image.height());
    return image;
}

int GetBitmapfileBit(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    constexpr int headers = 14 + 40;
    const QByteArray head = file.read(headers);
    if (head.size() < headers) return 0;
    return int(readLe(reinterpret_cast<const uint8_t*>(head.constData()) + 14 + 14, 2));
}

QImage ReadBitmap32File(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 size = file.size();
    constexpr int headers = 14 + 40;
    if (size < headers || size > (qint64(1) << 31)) return {};
    const QByteArray data = file.readAll();
    if (data.size() < headers) return {};
    const auto* p = reinterpret_cast<const uint8_t*>(data.constData());
    if (p[0] != 'B' || p[1] != 'M') return {};
    const uint32_t offset = readLe(p + 10, 4);
    const uint32_t infoSize = readLe(p + 14, 4);
    const auto width = int32_t(readLe(p + 18, 4));
    const auto rawHeight = int32_t(readLe(p + 22, 4));
    const uint32_t bits = readLe(p + 28, 2);
    const uint32_t compression = readLe(p + 30, 4);
    // Uncompressed, or with bit fields (read as blue, green, red, alpha).
    if (infoSize < 40 || bits != 32 || (compression != 0 && compression != 3)) return {};
    if (width <= 0 || rawHeight == 0 || rawHeight == std::numeric_limits<int32_t>::min()) return {};
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    const qint64 rowBytes = qint64(width) * 4;
    if (offset < uint32_t(headers) || qint64(offset) + rowBytes * height > data.size()) return {};
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull()) return {};
    for (int y = 0; y < height; ++y) {
        const int source = topDown ? y : height - 1 - y;
        std::memcpy(image.scanLine(y), p + offset + rowBytes * source, size_t(rowBytes));
    }
    return image;
}

int ScaledPatternSide(int Side, int Scale) {
    const double v = std::nearbyint(double(Side) * double(Scale) / 100.0);
    if (!(v >= 1.0)) return 1;
    return v > double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(v);
}
