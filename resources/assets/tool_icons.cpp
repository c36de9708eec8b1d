// The crop dialog's tool buttons: each selection tool shows the outline it
// draws (dashed, as a selection looks), the magic wand a stick with a
// spark; zoom a magnifier, revert a turning arrow, finish a tick and cancel
// a cross.

#include "asset_drawing.h"
#include "asset_table.h"

#include <QPainter>
#include <QPainterPath>

namespace velmo::assets {

namespace {

void drawTool(QPainter& p, const QString& Name) {
    const QPen dashed(QColor(20, 20, 20), 1.5, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin);
    const QPen solid(QColor(20, 20, 20), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setBrush(Qt::NoBrush);
    p.setPen(dashed);
    if (Name == QLatin1String("SelRect")) {
        p.drawRect(QRectF(4, 6, 16, 12));
    } else if (Name == QLatin1String("SelRoundRect")) {
        p.drawRoundedRect(QRectF(4, 6, 16, 12), 4, 4);
    } else if (Name == QLatin1String("SelEllipse")) {
        p.drawEllipse(QRectF(3, 5, 18, 14));
    } else if (Name == QLatin1String("SelLasso")) {
        QPainterPath path(QPointF(5, 14));
        path.cubicTo(2, 4, 16, 2, 20, 9);
        path.cubicTo(22, 16, 12, 22, 5, 14);
        p.drawPath(path);
    } else if (Name == QLatin1String("SelPolygon")) {
        p.drawPolygon(QPolygonF({{4, 19}, {9, 5}, {20, 9}, {16, 19}}));
    } else if (Name == QLatin1String("SelWand")) {
        p.setPen(QPen(QColor(20, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 20), QPointF(14, 10));
        p.setPen(QPen(QColor(230, 170, 0), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(17, 3), QPointF(17, 11));
        p.drawLine(QPointF(13, 7), QPointF(21, 7));
        p.drawLine(QPointF(14.5, 4.5), QPointF(19.5, 9.5));
        p.drawLine(QPointF(19.5, 4.5), QPointF(14.5, 9.5));
    } else if (Name == QLatin1String("ViewZoom")) {
        p.setPen(solid);
        p.drawEllipse(QRectF(4, 4, 11, 11));
        p.drawLine(QPointF(14, 14), QPointF(20, 20));
        p.drawLine(QPointF(7, 9.5), QPointF(12, 9.5));
        p.drawLine(QPointF(9.5, 7), QPointF(9.5, 12));
    } else if (Name == QLatin1String("Revert")) {
        p.setPen(solid);
        p.drawArc(QRectF(5, 5, 14, 14), 100 * 16, 270 * 16);
        p.setBrush(QColor(20, 20, 20));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({{10, 1.5}, {10, 9.5}, {5, 5.5}}));
    } else if (Name == QLatin1String("Finish")) {
        p.setPen(QPen(QColor(30, 130, 40), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{5, 12}, {10, 17}, {19, 6}}));
    } else if (Name == QLatin1String("Cancel")) {
        p.setPen(QPen(QColor(190, 30, 30), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
    }
}

} // namespace

QImage drawToolIcon(const QString& Name, int Scale) {
    bool known = false;
    for (const char* n : ToolIcons) known = known || Name == QLatin1String(n);
    if (!known || Scale < 1) return {};
    QImage icon(ToolIconSize * Scale, ToolIconSize * Scale, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Scale, Scale);
    drawTool(p, Name);
    p.end();
    return icon.convertToFormat(QImage::Format_ARGB32);
}

} // namespace velmo::assets
