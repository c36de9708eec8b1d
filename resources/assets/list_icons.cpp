// The two list icons that are not masks: "MskFile", an open folder with a
// photo standing in it (take the mask from a picture file), and "CusImg",
// three slider knobs (set up an effect of one's own). Drawn on a 32-unit
// grid, Scale device pixels per unit, so the 2x icons are redrawn sharp
// rather than blown up.

#include "asset_drawing.h"
#include "asset_table.h"

#include <QPainter>
#include <QPainterPath>

namespace velmo::assets {

namespace {

void drawFolderWithPicture(QPainter& P) {
    const QColor outline(150, 98, 24);
    // The folder's back with its tab.
    QPainterPath back;
    back.moveTo(3.5, 26.5);
    back.lineTo(3.5, 7.5);
    back.quadTo(3.5, 6.5, 4.5, 6.5);
    back.lineTo(11.0, 6.5);
    back.lineTo(13.0, 8.5);
    back.lineTo(27.5, 8.5);
    back.quadTo(28.5, 8.5, 28.5, 9.5);
    back.lineTo(28.5, 26.5);
    back.closeSubpath();
    P.setPen(QPen(outline, 1.0));
    P.setBrush(QColor(222, 164, 58));
    P.drawPath(back);

    // The photo standing in the folder: sky, a sun and green hills.
    const QRectF photo(8.5, 4.5, 17, 14);
    P.setPen(QPen(QColor(120, 120, 120), 1.0));
    P.setBrush(Qt::white);
    P.drawRect(photo);
    const QRectF view = photo.adjusted(1.5, 1.5, -1.5, -1.5);
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(132, 196, 240));
    P.drawRect(view);
    P.setBrush(QColor(247, 172, 40));
    P.drawEllipse(QPointF(20.5, 8.8), 2.0, 2.0);
    QPainterPath hills;
    hills.moveTo(view.left(), view.bottom());
    hills.lineTo(view.left(), 14.0);
    hills.quadTo(13.5, 10.0, 17.5, 13.5);
    hills.quadTo(20.5, 11.5, view.right(), 13.0);
    hills.lineTo(view.right(), view.bottom());
    hills.closeSubpath();
    P.setBrush(QColor(88, 170, 82));
    P.drawPath(hills);

    // The folder's front, leaning forward so it looks open.
    QPainterPath front;
    front.moveTo(3.5, 26.5);
    front.lineTo(1.5, 14.5);
    front.lineTo(26.5, 14.5);
    front.lineTo(28.5, 26.5);
    front.closeSubpath();
    P.setPen(QPen(outline, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    P.setBrush(QColor(246, 200, 96));
    P.drawPath(front);
    P.setPen(QPen(QColor(252, 226, 160), 1.0));
    P.drawLine(QPointF(3.0, 16.0), QPointF(25.5, 16.0));
}

void drawSliders(QPainter& P) {
    struct Slider {
        double Y;
        double Knob;
        QColor Colour;
    };
    const Slider sliders[] = {
        {8.5, 20.5, QColor(226, 72, 77)},
        {16.0, 10.5, QColor(62, 160, 84)},
        {23.5, 17.5, QColor(60, 128, 214)},
    };
    for (const Slider& s : sliders) {
        P.setPen(QPen(QColor(110, 110, 110), 2.0, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(5.0, s.Y), QPointF(27.0, s.Y));
        // The part of the track up to the knob in the knob's colour.
        P.setPen(QPen(s.Colour.darker(110), 2.0, Qt::SolidLine, Qt::RoundCap));
        P.drawLine(QPointF(5.0, s.Y), QPointF(s.Knob, s.Y));
        P.setPen(QPen(s.Colour.darker(160), 1.0));
        P.setBrush(s.Colour);
        P.drawEllipse(QPointF(s.Knob, s.Y), 3.5, 3.5);
        P.setPen(Qt::NoPen);
        P.setBrush(QColor(255, 255, 255, 150));
        P.drawEllipse(QPointF(s.Knob - 1.1, s.Y - 1.1), 1.2, 1.2);
    }
}

} // namespace

QImage drawListIcon(const QString& Name, int Scale) {
    const bool folder = Name == QLatin1String("MskFile");
    if (Scale < 1 || (!folder && Name != QLatin1String("CusImg"))) return {};
    QImage icon(ListIconSize * Scale, ListIconSize * Scale, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Scale, Scale);
    if (folder)
        drawFolderWithPicture(p);
    else
        drawSliders(p);
    p.end();
    return icon.convertToFormat(QImage::Format_ARGB32);
}

} // namespace velmo::assets
