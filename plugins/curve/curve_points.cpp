// The smooth curve through a set of control points, for the tone-curve editor
// and for the smooth freehand selection.
//
// One entry point serves two callers whose points mean different things:
//
// - The tone curve hands points sorted by X: input level against output level.
//   The curve must stay a function of X, be sampled at every whole X (the
//   editor turns consecutive samples into a 256-entry table) and must not
//   overshoot: a curve that swings past its control points would ask for
//   levels beyond 0..255 and flatten there. A monotone piecewise cubic Hermite
//   curve (the Fritsch–Carlson conditions, with the weighted harmonic-mean
//   slopes of Fritsch and Butland) keeps every piece between the levels of its
//   two control points, yet is smooth (continuous first derivative) where the
//   data runs one way. A natural spline or a Catmull-Rom curve in X would
//   overshoot near sharp bends.
// - The freehand selection hands the vertices of an outline in drawing order.
//   They are no function of X, so the curve is parametric: a centripetal
//   Catmull-Rom spline, which passes through every vertex, needs only the
//   neighbours of a piece (no system to solve for thousands of vertices), and,
//   unlike the uniform form, makes no loops or cusps where short and long
//   strokes meet. The outline is closed by the caller's polygon fill, so the
//   tangents at the first and last vertex look across that closing edge.
//
// The switch: points whose X never decreases are a tone curve; anything else
// is an outline. Equal X values in a tone curve are a vertical step, drawn
// straight. An outline drawn as a plain left-to-right stroke is therefore
// taken as a tone curve, which is still a smooth curve through its points.
//
// Hostile input is survivable: counts are checked, every loop runs at most
// Count + MaxOut times, no division sees a zero, and all sizes are 64-bit.

#include "curve_points.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct Point {
    double x = 0;
    double y = 0;
};

// A sample rounded to the nearest whole coordinate (halves to even, the
// default rounding), clamped into the 32-bit range the caller stores.
int32_t toCoord(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return int32_t(std::nearbyint(v));
}

int sign(double v) {
    return (v > 0) - (v < 0);
}

class Input {
public:
    Input(const int32_t* points, int64_t count) : points_(points), count_(count) {}
    int64_t count() const { return count_; }
    int32_t x(int64_t k) const { return points_[2 * k]; }
    int32_t y(int64_t k) const { return points_[2 * k + 1]; }
    Point at(int64_t k) const { return {double(x(k)), double(y(k))}; }
    bool same(int64_t a, int64_t b) const { return x(a) == x(b) && y(a) == y(b); }

private:
    const int32_t* points_;
    int64_t count_;
};

// Writes points until the room runs out, leaving out a point equal to the one
// written just before it (a duplicated control point, or a sample that rounds
// onto its neighbour), so the room goes to points that carry information.
class Output {
public:
    Output(int32_t* points, int64_t room) : points_(points), room_(room) {}
    void put(int32_t x, int32_t y) {
        if (count_ > 0 && x == lastX_ && y == lastY_) return;
        if (count_ >= room_) return;
        points_[2 * count_] = x;
        points_[2 * count_ + 1] = y;
        lastX_ = x;
        lastY_ = y;
        ++count_;
    }
    void put(Point p) { put(toCoord(p.x), toCoord(p.y)); }
    int64_t count() const { return count_; }

private:
    int32_t* points_;
    int64_t room_;
    int64_t count_ = 0;
    int32_t lastX_ = 0;
    int32_t lastY_ = 0;
};

// The cubic Hermite piece from value a with slope ma to value b with slope mb
// over a unit parameter t; the slopes are per unit of t.
double hermite(double a, double ma, double b, double mb, double t) {
    const double s = 1 - t;
    const double h00 = (1 + 2 * t) * s * s;
    const double h10 = t * s * s;
    const double h01 = t * t * (3 - 2 * t);
    const double h11 = t * t * (t - 1);
    return h00 * a + h10 * ma + h01 * b + h11 * mb;
}

// Tone curve: a function of X through points whose X never decreases.
class ToneCurve {
public:
    explicit ToneCurve(const Input& in) : in_(in) {}

    // One step per whole X, so the editor's table gets a sample at every
    // level; a vertical step (equal X) is one straight step.
    int64_t steps(int64_t k, int64_t room) const {
        const int64_t dx = int64_t(in_.x(k + 1)) - in_.x(k);
        return std::clamp<int64_t>(dx, 1, room);
    }

    // Writes the samples strictly between control points k and k + 1.
    void interior(int64_t k, int64_t n, Output& out) const {
        const int64_t x0 = in_.x(k);
        const int64_t dx = int64_t(in_.x(k + 1)) - x0;
        if (dx <= 0) return;
        const double h = double(dx);
        const double y0 = in_.y(k), y1 = in_.y(k + 1);
        // Slopes per unit of t are the slopes per unit of X times the width.
        const double m0 = slope(k) * h, m1 = slope(k + 1) * h;
        for (int64_t j = 1; j < n; ++j) {
            // dx < 2^32 and j < n <= 2^31, so the product stays below 2^63.
            // With n <= dx consecutive samples are at least one X apart.
            const int64_t x = x0 + dx * j / n;
            const double t = double(x - x0) / h;
            out.put(int32_t(x), toCoord(hermite(y0, m0, y1, m1, t)));
        }
    }

private:
    // The slope (dY/dX) of the curve at control point k. Only neighbours with
    // a strictly different X count: a vertical step splits the curve into
    // pieces that are each shaped on their own.
    double slope(int64_t k) const {
        const bool left = k > 0 && in_.x(k - 1) < in_.x(k);
        const bool right = k + 1 < in_.count() && in_.x(k + 1) > in_.x(k);
        if (left && right) {
            const double h0 = double(in_.x(k)) - in_.x(k - 1);
            const double h1 = double(in_.x(k + 1)) - in_.x(k);
            const double d0 = (double(in_.y(k)) - in_.y(k - 1)) / h0;
            const double d1 = (double(in_.y(k + 1)) - in_.y(k)) / h1;
            // A flat side or a turn (local extreme) gets a flat tangent, so
            // the curve does not swing past the point.
            if (sign(d0) == 0 || sign(d0) != sign(d1)) return 0;
            // Weighted harmonic mean of the two secant slopes: it never
            // exceeds three times the smaller one, which is the
            // Fritsch–Carlson condition for a monotone piece.
            const double w1 = 2 * h1 + h0;
            const double w2 = h1 + 2 * h0;
            return (w1 + w2) / (w1 / d0 + w2 / d1);
        }
        if (right) return endSlope(k, +1);
        if (left) return endSlope(k, -1);
        return 0;
    }

    // Slope at the end k of a piece whose inside lies in direction dir: a
    // three-point one-sided estimate, pulled back to keep the end monotone.
    double endSlope(int64_t k, int dir) const {
        const int64_t a = k + dir; // the near neighbour
        const double h0 = std::fabs(double(in_.x(a)) - in_.x(k));
        const double d0 = (double(in_.y(a)) - in_.y(k)) / (double(in_.x(a)) - in_.x(k));
        const int64_t b = a + dir; // the far neighbour, when it belongs to the piece
        const bool far =
            b >= 0 && b < in_.count() && (dir > 0 ? in_.x(b) > in_.x(a) : in_.x(b) < in_.x(a));
        if (!far) return d0;
        const double h1 = std::fabs(double(in_.x(b)) - in_.x(a));
        const double d1 = (double(in_.y(b)) - in_.y(a)) / (double(in_.x(b)) - in_.x(a));
        const double m = ((2 * h0 + h1) * d0 - h0 * d1) / (h0 + h1);
        if (sign(m) != sign(d0)) return 0;
        if (sign(d0) != sign(d1) && std::fabs(m) > std::fabs(3 * d0)) return 3 * d0;
        return m;
    }

    const Input& in_;
};

// Freehand outline: a centripetal Catmull-Rom curve through the vertices in
// their order.
class OutlineCurve {
public:
    explicit OutlineCurve(const Input& in) : in_(in) {}

    // About one step per pixel of chord length.
    int64_t steps(int64_t k, int64_t room) const {
        const double dx = double(in_.x(k + 1)) - in_.x(k);
        const double dy = double(in_.y(k + 1)) - in_.y(k);
        const double length = std::ceil(std::hypot(dx, dy)); // at most about 6.1e9
        return std::clamp<int64_t>(int64_t(length), 1, room);
    }

    void interior(int64_t k, int64_t n, Output& out) const {
        if (in_.same(k, k + 1)) return;
        const Point p1 = in_.at(k), p2 = in_.at(k + 1);
        const Point p0 = neighbour(k, -1, p2);
        const Point p3 = neighbour(k + 1, +1, p1);
        // Knot spacing is the square root of each chord's length. Every
        // chord here joins two different whole points, so each spacing is at
        // least 1 and no division below sees a zero.
        const double t01 = std::sqrt(std::hypot(p1.x - p0.x, p1.y - p0.y));
        const double t12 = std::sqrt(std::hypot(p2.x - p1.x, p2.y - p1.y));
        const double t23 = std::sqrt(std::hypot(p3.x - p2.x, p3.y - p2.y));
        // Tangents of the non-uniform Catmull-Rom curve at p1 and p2, scaled
        // from the knot parameter to the piece's unit parameter by t12.
        auto tangent = [](double a, double b, double c, double ta, double tb) {
            return ((b - a) / ta - (c - a) / (ta + tb) + (c - b) / tb);
        };
        const Point m1{tangent(p0.x, p1.x, p2.x, t01, t12) * t12,
                       tangent(p0.y, p1.y, p2.y, t01, t12) * t12};
        const Point m2{tangent(p1.x, p2.x, p3.x, t12, t23) * t12,
                       tangent(p1.y, p2.y, p3.y, t12, t23) * t12};
        for (int64_t j = 1; j < n; ++j) {
            const double t = double(j) / double(n);
            out.put(Point{hermite(p1.x, m1.x, p2.x, m2.x, t), hermite(p1.y, m1.y, p2.y, m2.y, t)});
        }
    }

private:
    // The vertex next to k in direction dir that differs from it, looking
    // across the closing edge at the ends and past a few repeats; failing
    // that, the mirror image of `other` (the piece's far end) through k.
    Point neighbour(int64_t k, int dir, Point other) const {
        const int64_t n = in_.count();
        for (int64_t step = 1; step <= 3 && step < n; ++step) {
            const int64_t i = ((k + dir * step) % n + n) % n;
            if (!in_.same(i, k)) return in_.at(i);
        }
        const Point p = in_.at(k);
        return {2 * p.x - other.x, 2 * p.y - other.y};
    }

    const Input& in_;
};

// Writes the polyline of `curve` through all control points into `out`, which
// has room for `room` >= 1 points.
template <class Curve>
void drawCurve(const Curve& curve, const Input& in, int64_t room, Output& out) {
    out.put(in.x(0), in.y(0));
    const int64_t pieces = in.count() - 1;
    const int64_t budget = room - 1; // steps after the first point
    if (pieces > budget) {
        // Not even the control points fit: an even spread of them, ending on
        // the last. j * pieces < 2^31 * 2^31 fits in 64 bits.
        for (int64_t j = 1; j <= budget; ++j) {
            const int64_t k = j * pieces / budget;
            out.put(in.x(k), in.y(k));
        }
        return;
    }
    // Each piece is capped at `room` steps, so the sum stays below 2^62.
    int64_t wanted = 0;
    for (int64_t k = 0; k < pieces; ++k)
        wanted += curve.steps(k, room);
    // Too dense for the room: every piece keeps its one step to its end point
    // and the spare steps are shared out in proportion to what each piece
    // asked for beyond that. Rounding down keeps the total within the budget;
    // (n - 1) * spare < 2^31 * 2^31.
    const int64_t spare = budget - pieces;
    const int64_t extra = wanted - pieces;
    for (int64_t k = 0; k < pieces; ++k) {
        int64_t n = curve.steps(k, room);
        if (wanted > budget) n = 1 + (n - 1) * spare / extra;
        curve.interior(k, n, out);
        out.put(in.x(k + 1), in.y(k + 1));
    }
}

} // namespace

extern "C" CURVE_PLUGIN_EXPORT void GetCurvePoints(const int32_t* ControlPoints, int32_t Count,
                                                   int32_t* OutPoints, int32_t MaxOut,
                                                   int32_t* OutCount) {
    if (!OutCount) return;
    *OutCount = 0;
    if (!ControlPoints || !OutPoints || Count < 1 || MaxOut < 1) return;
    const Input in(ControlPoints, Count);
    Output out(OutPoints, MaxOut);
    bool byX = true;
    for (int64_t k = 0; k + 1 < in.count() && byX; ++k)
        byX = in.x(k) <= in.x(k + 1);
    if (byX)
        drawCurve(ToneCurve(in), in, MaxOut, out);
    else
        drawCurve(OutlineCurve(in), in, MaxOut, out);
    *OutCount = int32_t(out.count());
}
