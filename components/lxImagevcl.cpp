#include "lxImagevcl.h"

#include <QPaintEvent>
#include <QPainter>

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
    const QRect dest = event->rect();
    if (ZoomValue == 1) {
        painter.drawImage(dest.topLeft(), ShowBmp, dest);
    } else {
        // The whole picture is laid out at the zoom and only the clip region
        // is drawn, so neighbouring repaints take the same source pixels.
        // Without smooth transformation the painter picks the nearest pixel.
        painter.setClipRect(dest);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QRectF whole(0, 0, ShowBmp.width() * ZoomValue, ShowBmp.height() * ZoomValue);
        painter.drawImage(whole, ShowBmp, QRectF(ShowBmp.rect()));
    }
    if (HasSelection && shownAntsPhase_ >= 0) paintOutline(painter);
    if (OnPaintOverlay) {
        painter.setClipping(false);
        OnPaintOverlay(painter);
    }
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
