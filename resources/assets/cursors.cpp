// The four 32 x 32 cursors. Each tool is drawn with a dark outline and a
// light body or halo, so it stays visible over dark and light pictures, and
// each is placed so that its working point lands on the hot spot of the
// asset table: the sparkle of the wand, the pencil's lead, the middle of the
// eraser's rubbing face, the centre of the placement cross.

#include "asset_drawing.h"
#include "asset_table.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace velmo::assets {

namespace {

const QColor Ink(30, 30, 30);

// The centre of hot-spot pixel (X, Y).
QPointF hotCentre(const CursorSpec& C) {
    return QPointF(C.HotX + 0.5, C.HotY + 0.5);
}

// A four-pointed star, points up, down, left and right.
QPainterPath sparkle(QPointF Centre, double Outer, double Inner) {
    QPainterPath path;
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4;
        const double r = (i % 2 == 0) ? Outer : Inner;
        const QPointF pt = Centre + QPointF(r * std::sin(a), -r * std::cos(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

void magicWand(QPainter& P, const CursorSpec& C) {
    const QPointF tip = hotCentre(C);
    const QPointF from = tip + QPointF(4.5, 4.5), to(29.5, 29.5);
    // The stick: white halo, dark body, white tip band.
    P.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(from, to);
    P.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(from, to);
    P.setPen(QPen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(from + QPointF(0.6, 0.6), from + QPointF(3.2, 3.2));
    // The sparkle at the tip, and two small glints beside it.
    P.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.setBrush(Ink);
    P.drawPath(sparkle(tip, 6.0, 1.7));
    P.drawPath(sparkle(tip + QPointF(8.5, -3.5), 2.6, 0.8));
    P.drawPath(sparkle(tip + QPointF(-3.5, 8.5), 2.6, 0.8));
}

// Pencil and eraser are drawn in a frame turned 45° so that +x runs up and to
// the right from the working point, the tool lying along the x axis.
void turnedFrame(QPainter& P, double PointX, double PointY) {
    P.translate(PointX, PointY);
    P.rotate(-45);
}

void pencil(QPainter& P, const CursorSpec& C) {
    // The lead's point sits on the lower left corner of the hot-spot pixel,
    // so the pixel itself is covered by the lead.
    turnedFrame(P, C.HotX + 0.2, C.HotY + 0.8);
    const double half = 4.0;
    QPainterPath outline;
    outline.moveTo(0, 0);
    outline.lineTo(9, -half);
    outline.lineTo(33, -half);
    outline.quadTo(36.5, -half, 36.5, 0);
    outline.quadTo(36.5, half, 33, half);
    outline.lineTo(9, half);
    outline.closeSubpath();
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(238, 204, 160)); // sharpened wood
    P.drawPath(outline);
    P.setBrush(QColor(250, 196, 36)); // painted body
    P.drawRect(QRectF(9, -half, 20, 2 * half));
    P.setBrush(QColor(255, 226, 120)); // its lit facet
    P.drawRect(QRectF(9, -half, 20, half * 0.7));
    P.setBrush(QColor(186, 186, 192)); // ferrule
    P.drawRect(QRectF(29, -half, 4, 2 * half));
    P.setBrush(QColor(238, 128, 150)); // eraser end
    QPainterPath end;
    end.moveTo(33, -half);
    end.quadTo(36.5, -half, 36.5, 0);
    end.quadTo(36.5, half, 33, half);
    end.closeSubpath();
    P.drawPath(end);
    QPainterPath lead;
    lead.moveTo(0, 0);
    lead.lineTo(3.4, -1.5);
    lead.lineTo(3.4, 1.5);
    lead.closeSubpath();
    P.setBrush(Ink);
    P.drawPath(lead);
    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(Ink, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.drawPath(outline);
    P.drawLine(QPointF(9, -half), QPointF(9, half));
}

void eraser(QPainter& P, const CursorSpec& C) {
    turnedFrame(P, C.HotX + 0.5, C.HotY + 0.5);
    const double half = 6.0, length = 20.0;
    const QRectF block(0, -half, length, 2 * half);
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(70, 128, 212)); // paper sleeve
    P.drawRoundedRect(block, 1.8, 1.8);
    P.setBrush(QColor(250, 176, 190)); // rubber
    P.drawRoundedRect(QRectF(0, -half, 8.5, 2 * half), 1.8, 1.8);
    P.drawRect(QRectF(4, -half, 4.5, 2 * half));
    P.setBrush(QColor(255, 255, 255, 170)); // stripe on the sleeve
    P.drawRect(QRectF(11.5, -half, 2.2, 2 * half));
    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(Ink, 1.0));
    P.drawRoundedRect(block, 1.8, 1.8);
    P.drawLine(QPointF(8.5, -half), QPointF(8.5, half));
}

// A thin cross with a centre dot and a small "T" in its lower right
// quarter, each piece a dark core with a one-pixel white halo. Drawn pixel
// for pixel, without smoothing, so the lines stay crisp.
void placement(QPainter& P, const CursorSpec& C) {
    const int x = C.HotX, y = C.HotY;
    const QRect pieces[] = {
        QRect(x - 11, y, 8, 1),    QRect(x + 4, y, 8, 1), // arms left and right
        QRect(x, y - 11, 1, 8),    QRect(x, y + 4, 1, 8), // arms up and down
        QRect(x, y, 1, 1),                                // centre dot
        QRect(x + 5, y + 6, 9, 2),                        // the T's bar
        QRect(x + 8, y + 8, 3, 6),                        // and its stem
    };
    P.setRenderHint(QPainter::Antialiasing, false);
    for (const QRect& r : pieces)
        P.fillRect(r.adjusted(-1, -1, 1, 1), Qt::white);
    for (const QRect& r : pieces)
        P.fillRect(r, Ink);
}

} // namespace

QImage drawCursor(int Id) {
    for (const CursorSpec& c : Cursors) {
        if (c.Id != Id) continue;
        QImage picture(CursorSize, CursorSize, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        switch (Id) {
        case 101:
            magicWand(p, c);
            break;
        case 102:
            pencil(p, c);
            break;
        case 103:
            eraser(p, c);
            break;
        default:
            placement(p, c);
            break;
        }
        p.end();
        return picture.convertToFormat(QImage::Format_ARGB32);
    }
    return {};
}

} // namespace velmo::assets
