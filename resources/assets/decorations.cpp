// The decorations of the work area: 102, three balloons tied together, at
// the top right of the step-2 background; 103, one big balloon beside the
// layer list. They are painted four times larger and scaled down, which
// keeps the thin strings smooth at their small final size.

#include "asset_drawing.h"
#include "asset_table.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmo::assets {

namespace {

constexpr int Oversample = 4;

struct Balloon {
    QPointF Centre;
    double RadiusX;
    double RadiusY;
    double Tilt; // degrees, clockwise on screen
    QColor Colour;
};

// A latex balloon's outline: an ellipse whose lower half narrows towards
// the knot (x shrinks by up to 24% as sin t goes to 1), in the balloon's own
// frame with the centre at the origin and the knot straight down.
QPainterPath balloonOutline(double rx, double ry) {
    QPainterPath path;
    constexpr int steps = 180;
    for (int i = 0; i < steps; ++i) {
        const double t = 2 * std::numbers::pi * i / steps;
        const double s = std::sin(t);
        const double narrow = s > 0 ? 1.0 - 0.24 * s * s : 1.0;
        const QPointF pt(rx * std::cos(t) * narrow, ry * s);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

// Where the balloon's string starts: just below the knot.
QPointF stringStart(const Balloon& B) {
    return QTransform()
        .translate(B.Centre.x(), B.Centre.y())
        .rotate(B.Tilt)
        .map(QPointF(0, B.RadiusY * 1.12));
}

void drawBalloon(QPainter& P, const Balloon& B) {
    P.save();
    P.translate(B.Centre);
    P.rotate(B.Tilt);
    const double rx = B.RadiusX, ry = B.RadiusY;

    // The knot: a small flared triangle under the bottom.
    QPainterPath knot;
    knot.moveTo(0, ry * 0.96);
    knot.lineTo(-rx * 0.16, ry * 1.14);
    knot.quadTo(0, ry * 1.09, rx * 0.16, ry * 1.14);
    knot.closeSubpath();
    P.setPen(Qt::NoPen);
    P.setBrush(B.Colour.darker(125));
    P.drawPath(knot);

    // The body: lit from the top left, deepening towards the far rim.
    QRadialGradient body(QPointF(-rx * 0.25, -ry * 0.30), std::max(rx, ry) * 1.45,
                         QPointF(-rx * 0.38, -ry * 0.45));
    body.setColorAt(0.0, B.Colour.lighter(150));
    body.setColorAt(0.45, B.Colour);
    body.setColorAt(1.0, B.Colour.darker(165));
    P.setBrush(body);
    P.setPen(QPen(B.Colour.darker(175), 0.7));
    P.drawPath(balloonOutline(rx, ry));

    // The highlight: a soft white oval on the lit shoulder.
    P.save();
    P.translate(-rx * 0.42, -ry * 0.46);
    P.rotate(-35);
    QRadialGradient shine(QPointF(0, 0), 1.0);
    shine.setCoordinateMode(QGradient::ObjectMode);
    shine.setCenter(0.5, 0.5);
    shine.setFocalPoint(0.5, 0.5);
    shine.setRadius(0.5);
    shine.setColorAt(0.0, QColor(255, 255, 255, 215));
    shine.setColorAt(0.6, QColor(255, 255, 255, 90));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    P.setPen(Qt::NoPen);
    P.setBrush(shine);
    P.drawEllipse(QRectF(-rx * 0.22, -ry * 0.13, rx * 0.44, ry * 0.26));
    P.restore();

    P.restore();
}

void drawString(QPainter& P, QPointF From, QPointF C1, QPointF C2, QPointF To) {
    QPainterPath path(From);
    path.cubicTo(C1, C2, To);
    P.setBrush(Qt::NoBrush);
    P.setPen(QPen(QColor(105, 105, 110), 0.9, Qt::SolidLine, Qt::RoundCap));
    P.drawPath(path);
}

QImage finish(const QImage& large) {
    return large
        .scaled(large.width() / Oversample, large.height() / Oversample, Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

// 102 x 44: red, gold and blue balloons whose strings gather at the bottom
// middle, the middle one a little higher and in front.
QImage threeBalloons(int W, int H) {
    QImage large(W * Oversample, H * Oversample, QImage::Format_ARGB32_Premultiplied);
    large.fill(Qt::transparent);
    QPainter p(&large);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Oversample, Oversample);
    const QPointF gather(51, 43.2);
    const Balloon left{{30, 15.5}, 10, 12.5, -14, QColor(226, 62, 78)};
    const Balloon right{{72, 15.5}, 10, 12.5, 14, QColor(52, 132, 226)};
    const Balloon middle{{51, 13}, 11, 13.5, 0, QColor(246, 186, 40)};
    // Strings first, so the balloons' knots sit on top of them.
    const QPointF tieL = stringStart(left), tieR = stringStart(right), tieM = stringStart(middle);
    drawString(p, tieL, tieL + QPointF(1, 5), gather + QPointF(-6, -5), gather);
    drawString(p, tieR, tieR + QPointF(-1, 5), gather + QPointF(6, -5), gather);
    drawString(p, tieM, tieM + QPointF(-1.5, 4), gather + QPointF(1.5, -5), gather);
    drawBalloon(p, left);
    drawBalloon(p, right);
    drawBalloon(p, middle);
    p.end();
    return finish(large);
}

// The big balloon's drawing is laid out on a 150 x 150 square.
constexpr double BigBalloonFrame = 150;

// One big rose balloon, slightly tilted, on a curling string: 150 x 150 for
// the decoration, the same drawing scaled to a square of any size for the
// application icon.
QImage bigBalloon(int W, int H) {
    QImage large(W * Oversample, H * Oversample, QImage::Format_ARGB32_Premultiplied);
    large.fill(Qt::transparent);
    QPainter p(&large);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Oversample * W / BigBalloonFrame, Oversample * H / BigBalloonFrame);
    const Balloon big{{74, 58}, 45, 53, -7, QColor(230, 64, 100)};
    const QPointF tie = stringStart(big);
    // A string that swings right, back left and right again as it falls.
    QPainterPath cord(tie);
    cord.cubicTo(tie + QPointF(10, 6), tie + QPointF(-12, 14), tie + QPointF(-2, 20));
    cord.cubicTo(tie + QPointF(6, 24), tie + QPointF(9, 25), tie + QPointF(4, 31));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(105, 105, 110), 1.1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cord);
    drawBalloon(p, big);
    p.end();
    return finish(large);
}

} // namespace

QImage drawAppIcon(int Size) {
    for (int size : AppIconSizes)
        if (size == Size) return bigBalloon(Size, Size);
    return {};
}

QImage drawDecoration(int Id) {
    for (const DecorationSpec& d : Decorations) {
        if (d.Id != Id) continue;
        return Id == 102 ? threeBalloons(d.Width, d.Height) : bigBalloon(d.Width, d.Height);
    }
    return {};
}

} // namespace velmo::assets
