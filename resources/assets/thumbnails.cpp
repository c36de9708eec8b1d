// The template thumbnails: each shape as it looks printed on a balloon, a
// soft colour lit from the top left, darker towards its rim like a filled
// foil balloon, with a gentle highlight, a thin darker outline and a faint
// shadow on the white ground.

#include "asset_drawing.h"
#include "asset_table.h"
#include "shape_geometry.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace velmo::assets {

namespace {

struct Rgb {
    double R, G, B;
};

Rgb mix(Rgb A, Rgb B, double T) {
    return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T};
}

Rgb scaled(Rgb A, double F) {
    return {A.R * F, A.G * F, A.B * F};
}

double smoothstep(double Edge0, double Edge1, double X) {
    const double t = std::clamp((X - Edge0) / (Edge1 - Edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

QRgb toPixel(Rgb C) {
    auto channel = [](double V) { return int(std::lround(std::clamp(V, 0.0, 255.0))); };
    return qRgb(channel(C.R), channel(C.G), channel(C.B));
}

struct Look {
    Rgb Base;
    double HighlightX; // highlight centre, as a fraction of the box from its centre
    double HighlightY;
};

const Rgb White{255, 255, 255};

// The shape fills a box of 104 pixels, leaving a 12-pixel margin for the
// shadow and some air.
constexpr double Margin = 12;

// Scale device pixels per thumbnail pixel: the look is worked out in
// thumbnail pixels, only the edges are sampled finer.
template <class Distance>
QImage shadedShape(const Distance& Dist, const Box& Area, const Look& L, int Scale) {
    const int side = ThumbnailSize * Scale;
    QImage picture(side, side, QImage::Format_RGB32);
    const double cx = Area.Left + Area.Width / 2, cy = Area.Top + Area.Height / 2;
    const double hx = cx + L.HighlightX * Area.Width, hy = cy + L.HighlightY * Area.Height;
    const Rgb dark = scaled(L.Base, 0.80);
    const Rgb light = mix(L.Base, White, 0.28);
    const Rgb outline = scaled(L.Base, 0.62);
    const Rgb shadow = mix(scaled(L.Base, 0.35), Rgb{90, 90, 90}, 0.5);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const double py = (y + 0.5) / Scale;
        for (int x = 0; x < side; ++x) {
            const double px = (x + 0.5) / Scale;
            const double d = Dist(px, py);
            // The ground: white, darkened under the shape moved 1.5 right and
            // 2.5 down, fading out over about 5 pixels.
            const double shadowD = Dist(px - 1.5, py - 2.5);
            const Rgb ground = mix(White, shadow, 0.22 * smoothstep(3.0, -2.0, shadowD));
            // The shape: a diagonal light from the top left...
            const double gx = (px - cx) / (Area.Width / 2), gy = (py - cy) / (Area.Height / 2);
            const double lit = std::clamp(0.5 - 0.30 * gx - 0.40 * gy, 0.0, 1.0);
            Rgb c = mix(dark, light, lit);
            // ... rounded off towards the rim ...
            const double depth = std::max(0.0, -d);
            c = mix(scaled(c, 0.86), c, smoothstep(0.0, 6.0, depth));
            // ... a soft highlight ...
            const double ex = (px - hx) / 11.0, ey = (py - hy) / 7.0;
            c = mix(c, White, 0.55 * std::exp(-(ex * ex + ey * ey)));
            // ... and a thin outline just inside the edge.
            c = mix(c, outline, 0.85 * std::clamp(1.0 - depth / 1.4, 0.0, 1.0));
            row[x] = toPixel(mix(ground, c, coverageFromDistance(d * Scale)));
        }
    }
    return picture;
}

// A framed landscape (hills and a sun) crossed out, in greys only.
QImage noPictureMark(int Scale) {
    QImage picture(ThumbnailSize * Scale, ThumbnailSize * Scale, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Scale, Scale);
    const QColor line(150, 150, 150);
    const QRectF frame(22.5, 30.5, 83, 67);
    p.setPen(QPen(line, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(244, 244, 244));
    p.drawRoundedRect(frame, 7, 7);
    // hills: clipped to the frame so they sit on its bottom edge.
    p.save();
    p.setClipRect(frame.adjusted(1.5, 1.5, -1.5, -1.5));
    QPainterPath hills;
    hills.moveTo(20, 100);
    hills.lineTo(48, 64);
    hills.lineTo(66, 84);
    hills.lineTo(78, 72);
    hills.lineTo(110, 100);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawPath(hills);
    p.restore();
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QPointF(83, 50), 7, 7);
    // The strike: a white gap either side keeps it readable over the frame.
    p.setPen(QPen(Qt::white, 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(28, 100), QPointF(100, 28));
    p.setPen(QPen(line, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(28, 100), QPointF(100, 28));
    p.end();
    return picture;
}

} // namespace

QImage drawThumbnail(const QString& Name, int Scale) {
    if (Scale < 1) return {};
    const Box Area{Margin, Margin, ThumbnailSize - 2 * Margin, ThumbnailSize - 2 * Margin};
    if (Name == QLatin1String("Ellimg"))
        return shadedShape(EllipseDistance(Area), Area, Look{{70, 150, 228}, -0.20, -0.24}, Scale);
    if (Name == QLatin1String("HeartImg"))
        return shadedShape(HeartDistance(Area), Area, Look{{232, 74, 112}, -0.23, -0.26}, Scale);
    if (Name == QLatin1String("wjximg"))
        return shadedShape(PentagonDistance(Area), Area, Look{{244, 178, 48}, -0.14, -0.14}, Scale);
    if (Name == QLatin1String("NoImg")) return noPictureMark(Scale);
    return {};
}

} // namespace velmo::assets
