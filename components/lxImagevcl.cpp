#include "lxImagevcl.h"

#include "lxResample.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace lx {

QImage scaledPart(const QImage& Picture, double Scale, const QRect& Pixels) {
    if (Picture.isNull() || Picture.format() != QImage::Format_BGR888 || !(Scale > 0))
        return QImage();
    // The picture pixel under device pixel n of an axis: the one whose
    // square, Scale device pixels wide, holds the device pixel's centre.
    // Only device pixels whose centre lies on the picture are drawn.
    const auto source = [Scale](int n) { return std::floor((n + 0.5) / Scale); };
    const int x0 = std::max(Pixels.left(), 0), y0 = std::max(Pixels.top(), 0);
    // Past W * Scale device pixels no centre lies on the picture.
    int x1 = int(std::min<double>(Pixels.right() + 1.0, std::ceil(Picture.width() * Scale) + 1));
    int y1 = int(std::min<double>(Pixels.bottom() + 1.0, std::ceil(Picture.height() * Scale) + 1));
    while (x1 > x0 && source(x1 - 1) >= Picture.width())
        --x1;
    while (y1 > y0 && source(y1 - 1) >= Picture.height())
        --y1;
    if (x0 >= x1 || y0 >= y1) return QImage();
    QImage part(x1 - x0, y1 - y0, QImage::Format_RGB32);
    if (part.isNull()) return part;

    std::vector<int> columns(size_t(x1 - x0)); // byte offset of each column's source pixel
    for (int x = x0; x < x1; ++x)
        columns[size_t(x - x0)] = 3 * int(source(x));
    int shownRow = -1;
    for (int y = y0; y < y1; ++y) {
        const int sy = int(source(y));
        uint32_t* d = reinterpret_cast<uint32_t*>(part.scanLine(y - y0));
        if (sy == shownRow) {
            // Enlarged: the row repeats the one above it.
            std::memcpy(d, part.constScanLine(y - y0 - 1), size_t(part.width()) * 4);
            continue;
        }
        lx::nearestBgrToRgb32Row(d, Picture.constScanLine(sy), 3 * Picture.width(), columns.data(),
                                 int(columns.size()));
        shownRow = sy;
    }
    return part;
}

} // namespace lx

TlxImageVcl::TlxImageVcl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TlxImageVcl::ResizeControl(int Width, int Height) {
    resize(Width, Height);
}

void TlxImageVcl::PaintImage() {
    update();
}

void TlxImageVcl::paintEvent(QPaintEvent* event) {
    if (!CanReDraw || ShowBmp.isNull()) return;
    QPainter painter(this);
    painter.save();
    paintPicture(painter, event->rect());
    painter.restore();
    if (HasSelection && shownAntsPhase_ >= 0) paintOutline(painter);
    if (OnPaintOverlay) OnPaintOverlay(painter);
}

void TlxImageVcl::paintPicture(QPainter& painter, const QRect& dest) {
    if (!(ZoomValue > 0) || !std::isfinite(ZoomValue)) return;
    // The painter's device transform takes control coordinates to the
    // pixels of the device, the screen's device pixel ratio included: the
    // picture is sampled at those pixels, so a 2x screen shows twice the
    // detail instead of a logical-size picture blown up.
    const QTransform device = painter.deviceTransform();
    const double ratio = device.m11();
    if (device.type() > QTransform::TxScale || ratio <= 0 || device.m22() != ratio) {
        // A turned or unevenly scaled painter (never the control's own): let
        // the painter lay the whole picture out and draw what the clip shows.
        painter.setClipRect(dest);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRectF(0, 0, ShowBmp.width() * ZoomValue, ShowBmp.height() * ZoomValue),
                          ShowBmp, QRectF(ShowBmp.rect()));
        return;
    }
    if (ZoomValue == 1 && ratio == 1) {
        painter.drawImage(dest.topLeft(), ShowBmp, dest); // pixel for pixel
        return;
    }
    // The device pixels of the update rectangle, relative to the control.
    const QRect pixels(
        QPoint(int(std::floor(dest.left() * ratio)), int(std::floor(dest.top() * ratio))),
        QPoint(int(std::ceil((dest.right() + 1) * ratio)) - 1,
               int(std::ceil((dest.bottom() + 1) * ratio)) - 1));
    QImage part = lx::scaledPart(ShowBmp, ZoomValue * ratio, pixels);
    if (part.isNull()) return;
    part.setDevicePixelRatio(ratio);
    const QPoint corner(std::max(pixels.left(), 0), std::max(pixels.top(), 0));
    painter.drawImage(QPointF(corner.x() / ratio, corner.y() / ratio), part);
}

void TlxImageVcl::paintOutline(QPainter& painter) {
    const TlxPoint origin = OutlineOrigin();
    const QColor white(255, 255, 255), black(0, 0, 0);
    for (int k = 0; k < OutlinePointsInUse(); ++k) {
        const TlxPoint& p = OutlinePoints[size_t(k)];
        // A selection far off the control has points no pixel can show.
        const int64_t x = int64_t(origin.X) + p.X;
        const int64_t y = int64_t(origin.Y) + p.Y;
        if (x < 0 || y < 0 || x >= width() || y >= height()) continue;
        painter.fillRect(int(x), int(y), 1, 1,
                         OutlineDashIsWhite(k, uint8_t(shownAntsPhase_)) ? white : black);
    }
}

bool TlxImageVcl::DrawSelectionOutline() {
    // Widgets paint only inside paint events: remember the phase to draw and
    // ask for a repaint of the outline's area.
    shownAntsPhase_ = AntsPhase;
    const int count = OutlinePointsInUse();
    if (count > 0) {
        int64_t minX = OutlinePoints[0].X, maxX = minX, minY = OutlinePoints[0].Y, maxY = minY;
        for (int k = 1; k < count; ++k) {
            minX = std::min<int64_t>(minX, OutlinePoints[size_t(k)].X);
            maxX = std::max<int64_t>(maxX, OutlinePoints[size_t(k)].X);
            minY = std::min<int64_t>(minY, OutlinePoints[size_t(k)].Y);
            maxY = std::max<int64_t>(maxY, OutlinePoints[size_t(k)].Y);
        }
        const TlxPoint origin = OutlineOrigin();
        // Clip to the control in 64 bits before building the rectangle.
        const int64_t left = std::max<int64_t>(origin.X + minX, 0);
        const int64_t top = std::max<int64_t>(origin.Y + minY, 0);
        const int64_t right = std::min<int64_t>(origin.X + maxX + 1, width());
        const int64_t bottom = std::min<int64_t>(origin.Y + maxY + 1, height());
        if (left < right && top < bottom)
            update(QRect(int(left), int(top), int(right - left), int(bottom - top)));
    }
    AdvanceAntsPhase();
    return true;
}
