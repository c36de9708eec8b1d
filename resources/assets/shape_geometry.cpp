#include "shape_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>

namespace velmo::assets {

namespace {

constexpr double Degree = std::numbers::pi / 180.0;

// ---- pentagon ----
//
// Shape units: the inner (unrounded) pentagon has circumradius 1, so its
// apothem is cos 36°; the outline is everything within PentagonRound of it.
// With y pointing down and one point up, the inner pentagon spans
// x = ±sin 72° = ±0.951 (the two upper side points) and y from -1 (the top
// point) to +cos 36° = 0.809 (the flat bottom edge).
constexpr double PentagonRound = 0.20;

const double PentagonApothem = std::cos(36 * Degree);
const double PentagonHalfWidth = std::sin(72 * Degree) + PentagonRound;
const double PentagonTop = -1.0 - PentagonRound;
const double PentagonBottom = PentagonApothem + PentagonRound;

// Distance to the inner pentagon. The pentagon is symmetric under mirroring
// about x = 0 and about the lines through the centre at 54° and -18° (angles
// measured from +x towards +y, which points down). Folding the point across
// those lines brings it into the 72° sector around the bottom edge's normal
// (54° .. 126°), where the nearest edge point lies on the bottom edge (from
// x = -a tan 36° to +a tan 36° at y = a, a the apothem).
double innerPentagonDistance(double X, double Y) {
    X = std::fabs(X); // now at an angle in -90° .. 90°
    // Across the line at -18° (normal (sin 18°, cos 18°)): -90° .. -18° goes
    // to -18° .. 54°.
    const double n1x = std::sin(18 * Degree), n1y = std::cos(18 * Degree);
    const double d1 = std::min(X * n1x + Y * n1y, 0.0);
    X -= 2 * d1 * n1x;
    Y -= 2 * d1 * n1y;
    // Across the line at 54° (normal (-sin 54°, cos 54°)): -18° .. 54° goes to
    // 54° .. 126°.
    const double n2x = -std::sin(54 * Degree), n2y = std::cos(54 * Degree);
    const double d2 = std::min(X * n2x + Y * n2y, 0.0);
    X -= 2 * d2 * n2x;
    Y -= 2 * d2 * n2y;
    const double half = PentagonApothem * std::tan(36 * Degree);
    const double qx = X - std::clamp(X, -half, half);
    const double qy = Y - PentagonApothem;
    const double length = std::hypot(qx, qy);
    return qy < 0 ? -length : length;
}

// ---- heart ----
//
// Shape units: lobes of radius 1 centred at (±HeartLobe, 0). The design is
// as wide as tall, 2 (c + 1) with c = HeartLobe, from the lobes' tops at
// y = -1 down to the point at y = 2c + 1. The lobes overlap, and the cleft
// between them lies sqrt(1 - c²) above their centres: with c = 0.92 that is
// 0.392, a dent of 0.608 below the tops, 16% of the height.
//
// The sides are not straight but gently bulging arcs, like a filled foil
// balloon: the right side is an arc of a circle of radius HeartSide that runs
// through the point and touches the right lobe, enclosing it (so their
// centres are HeartSide - 1 apart and the touch point lies on the line
// through both centres). The side arcs meet at the point at about 92°.
constexpr double HeartLobe = 0.92;
constexpr double HeartPointY = 2 * HeartLobe + 1;
constexpr double HeartSide = 9.0;

struct Point {
    double X;
    double Y;
};

// The centre of the right side's circle: the point left of the lobes that
// lies HeartSide from the bottom point and HeartSide - 1 from the right
// lobe's centre (the intersection of two circles, taking the one on the left
// so that the arc bulges outwards).
Point heartSideCentre() {
    const Point p{0, HeartPointY}, c{HeartLobe, 0};
    const double r1 = HeartSide, r2 = HeartSide - 1;
    const double d = std::hypot(c.X - p.X, c.Y - p.Y);
    const double ex = (c.X - p.X) / d, ey = (c.Y - p.Y) / d;
    // Distance from p along p->c to the chord of the two circles, and the
    // half-length of that chord.
    const double a = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
    const double h = std::sqrt(r1 * r1 - a * a);
    const Point m{p.X + a * ex, p.Y + a * ey};
    const Point q1{m.X + h * ey, m.Y - h * ex}, q2{m.X - h * ey, m.Y + h * ex};
    return q1.X < q2.X ? q1 : q2;
}

// Fits a design of DesignWidth x DesignHeight shape units, whose box centre
// is at (0, DesignCentreY), into Area keeping proportions.
void fitDesign(const Box& Area, double DesignWidth, double DesignHeight, double DesignCentreY,
               double& OutScale, double& OutCentreX, double& OutCentreY) {
    OutScale = std::min(Area.Width / DesignWidth, Area.Height / DesignHeight);
    OutCentreX = Area.Left + Area.Width / 2;
    OutCentreY = Area.Top + Area.Height / 2 - DesignCentreY * OutScale;
}

template <class Distance> void fillMask(QImage& Mask, const Distance& Dist, bool Inverted) {
    const int w = Mask.width(), h = Mask.height();
    for (int y = 0; y < h; ++y) {
        uchar* row = Mask.scanLine(y);
        const double py = y + 0.5;
        for (int x = 0; x < w; ++x) {
            const long v = std::lround(255.0 * coverageFromDistance(Dist(x + 0.5, py)));
            row[x] = static_cast<uchar>(Inverted ? 255 - v : v);
        }
    }
}

} // namespace

PentagonDistance::PentagonDistance(Box Area) {
    fitDesign(Area, 2 * PentagonHalfWidth, PentagonBottom - PentagonTop,
              (PentagonTop + PentagonBottom) / 2, scale_, centreX_, centreY_);
}

double PentagonDistance::operator()(double X, double Y) const {
    const double u = (X - centreX_) / scale_, v = (Y - centreY_) / scale_;
    return (innerPentagonDistance(u, v) - PentagonRound) * scale_;
}

HeartDistance::HeartDistance(Box Area) {
    const double size = 2 * (HeartLobe + 1);
    fitDesign(Area, size, size, (-1 + HeartPointY) / 2, scale_, centreX_, centreY_);
    const Point q = heartSideCentre();
    sideX_ = q.X;
    sideY_ = q.Y;
    // The line through the lobe centre c and the touch point runs along
    // c - q; its normal pointing away from the bottom point is that
    // direction turned by 90° towards -y (up and to the right).
    const double len = std::hypot(HeartLobe - q.X, 0 - q.Y);
    const double dx = (HeartLobe - q.X) / len, dy = (0 - q.Y) / len;
    normalX_ = dy;
    normalY_ = -dx;
}

double HeartDistance::operator()(double X, double Y) const {
    // Mirrored about the centre line; on the right half only the right lobe
    // and the right side arc can be nearest (a point right of the centre
    // line inside the right side's circle is inside the left side's too).
    const double u = std::fabs(X - centreX_) / scale_, v = (Y - centreY_) / scale_;
    const double lobe = std::hypot(u - HeartLobe, v) - 1.0;
    // The body below the lobes: inside the side circle, below the line of
    // the lobe centres (so the cleft stays open) and on the point's side of
    // the line from the side circle's centre through the touch point (so the
    // side circle does not bulge out beside the lobe above the touch point).
    // Each constraint is a signed distance; the body is where all are
    // negative, their maximum.
    const double side = std::hypot(u - sideX_, v - sideY_) - HeartSide;
    const double above = -v;
    const double beyond = (u - HeartLobe) * normalX_ + v * normalY_;
    const double body = std::max({side, above, beyond});
    return std::min(lobe, body) * scale_;
}

EllipseDistance::EllipseDistance(Box Area)
    : centreX_(Area.Left + Area.Width / 2), centreY_(Area.Top + Area.Height / 2),
      radiusX_(Area.Width / 2), radiusY_(Area.Height / 2) {}

double EllipseDistance::operator()(double X, double Y) const {
    // f = sqrt(x²/a² + y²/b²) is 1 on the ellipse; its first-order distance
    // (f - 1) / |grad f| with |grad f| = sqrt(x²/a⁴ + y²/b⁴) / f is exact on
    // a circle and off by far less than a pixel on our nearly round one.
    const double dx = X - centreX_, dy = Y - centreY_;
    const double nx = dx / radiusX_, ny = dy / radiusY_;
    const double f = std::hypot(nx, ny);
    if (f < 0.5) return -0.5 * std::min(radiusX_, radiusY_); // deep inside
    const double grad = std::hypot(nx / radiusX_, ny / radiusY_) / f;
    return (f - 1.0) / grad;
}

double coverageFromDistance(double Distance) {
    return std::clamp(0.5 - Distance, 0.0, 1.0);
}

QImage renderShapeMask(ShapeKind Kind, int Width, int Height, bool Inverted) {
    QImage mask(Width, Height, QImage::Format_Grayscale8);
    const Box whole{0, 0, double(Width), double(Height)};
    switch (Kind) {
    case ShapeKind::Pentagon:
        fillMask(mask, PentagonDistance(whole), Inverted);
        break;
    case ShapeKind::Heart:
        fillMask(mask, HeartDistance(whole), Inverted);
        break;
    case ShapeKind::Ellipse:
        fillMask(mask, EllipseDistance(whole), Inverted);
        break;
    }
    return mask;
}

} // namespace velmo::assets
