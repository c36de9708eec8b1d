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
}

void TlxImageVcl::paintOutline(QPainter& painter) {
    const TlxPoint origin = OutlineOrigin();
    const QColor white(255, 255, 255), black(0, 0, 0);
    for (int k = 0; k < OutlineCount; ++k) {
        const TlxPoint& p = OutlinePoints[size_t(k)];
        painter.fillRect(origin.X + p.X, origin.Y + p.Y, 1, 1,
                         OutlineDashIsWhite(k, uint8_t(shownAntsPhase_)) ? white : black);
    }
}

bool TlxImageVcl::DrawSelectionOutline() {
    // Widgets paint only inside paint events: remember the phase to draw and
    // ask for a repaint of the outline's area.
    shownAntsPhase_ = AntsPhase;
    if (OutlineCount > 0) {
        int minX = OutlinePoints[0].X, maxX = minX, minY = OutlinePoints[0].Y, maxY = minY;
        for (int k = 1; k < OutlineCount; ++k) {
            minX = std::min(minX, OutlinePoints[size_t(k)].X);
            maxX = std::max(maxX, OutlinePoints[size_t(k)].X);
            minY = std::min(minY, OutlinePoints[size_t(k)].Y);
            maxY = std::max(maxY, OutlinePoints[size_t(k)].Y);
        }
        const TlxPoint origin = OutlineOrigin();
        update(QRect(origin.X + minX, origin.Y + minY, maxX - minX + 1, maxY - minY + 1));
    }
    AdvanceAntsPhase();
    return true;
}
