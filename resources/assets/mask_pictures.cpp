// The mask list's pictures. Each shape is a signed distance function in
// picture pixels (negative inside); a hard mask turns the distance into the
// covered part of each pixel, a soft one blurs the shape drawn a little
// smaller, so that its ramp runs from white, Feather times the centre's
// depth inside the edge, down to black at the edge itself: the ramp never
// reaches beyond the outline and the margin around the shape stays black.

#include "asset_drawing.h"
#include "asset_table.h"
#include "shape_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace velmo::assets {

namespace {

constexpr double Degree = std::numbers::pi / 180.0;

// The part of each side left black around the shape.
constexpr double MarginFraction = 0.05;

struct Point {
    double X;
    double Y;
};

// A simple polygon (points in order), its outline pushed out by Round: the
// points become arcs of radius Round, the valleys of a star stay sharp.
// Exact distance: the nearest of the edges, negative inside (crossing count).
class PolygonDistance {
public:
    PolygonDistance(std::vector<Point> Points, double Round, Box Area)
        : points_(std::move(Points)), round_(Round) {
        double left = points_[0].X, right = left, top = points_[0].Y, bottom = top;
        for (const Point& p : points_) {
            left = std::min(left, p.X);
            right = std::max(right, p.X);
            top = std::min(top, p.Y);
            bottom = std::max(bottom, p.Y);
        }
        left -= Round, right += Round, top -= Round, bottom += Round;
        // Fitted into the area keeping proportions, centred.
        scale_ = std::min(Area.Width / (right - left), Area.Height / (bottom - top));
        offsetX_ = Area.Left + Area.Width / 2 - (left + right) / 2 * scale_;
        offsetY_ = Area.Top + Area.Height / 2 - (top + bottom) / 2 * scale_;
    }

    double operator()(double X, double Y) const {
        const double u = (X - offsetX_) / scale_, v = (Y - offsetY_) / scale_;
        double nearest = 1e300;
        bool inside = false;
        const size_t n = points_.size();
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            const Point a = points_[j], b = points_[i];
            const double ex = b.X - a.X, ey = b.Y - a.Y;
            const double wx = u - a.X, wy = v - a.Y;
            const double t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0, 1.0);
            nearest = std::min(nearest, std::hypot(wx - t * ex, wy - t * ey));
            // Crossings of the ray from (u, v) towards +x.
            if ((a.Y > v) != (b.Y > v) && u < a.X + (v - a.Y) / (b.Y - a.Y) * ex) inside = !inside;
        }
        return ((inside ? -nearest : nearest) - round_) * scale_;
    }

private:
    std::vector<Point> points_;
    double round_;
    double scale_;
    double offsetX_;
    double offsetY_;
};

// Points at radius 1 and valleys at radius Inner, alternating, starting
// with a point straight up; Inner = 1 makes a regular polygon of Count
// corners when only the points are used.
std::vector<Point> starPoints(int Count, double Inner) {
    std::vector<Point> points;
    for (int k = 0; k < 2 * Count; ++k) {
        const double angle = (-90.0 + k * 180.0 / Count) * Degree;
        const double r = k % 2 == 0 ? 1.0 : Inner;
        points.push_back({r * std::cos(angle), r * std::sin(angle)});
    }
    return points;
}

std::vector<Point> regularPolygon(int Corners) {
    std::vector<Point> points;
    for (int k = 0; k < Corners; ++k) {
        const double angle = (-90.0 + k * 360.0 / Corners) * Degree;
        points.push_back({std::cos(angle), std::sin(angle)});
    }
    return points;
}

class CircleDistance {
public:
    explicit CircleDistance(Box Area)
        : centreX_(Area.Left + Area.Width / 2), centreY_(Area.Top + Area.Height / 2),
          radius_(std::min(Area.Width, Area.Height) / 2) {}
    double operator()(double X, double Y) const {
        return std::hypot(X - centreX_, Y - centreY_) - radius_;
    }

private:
    double centreX_, centreY_, radius_;
};

// The whole area, its corners rounded with radius Round times half the
// shorter side.
class RoundedBoxDistance {
public:
    RoundedBoxDistance(Box Area, double Round)
        : centreX_(Area.Left + Area.Width / 2), centreY_(Area.Top + Area.Height / 2),
          radius_(Round * std::min(Area.Width, Area.Height) / 2), innerX_(Area.Width / 2 - radius_),
          innerY_(Area.Height / 2 - radius_) {}
    double operator()(double X, double Y) const {
        const double qx = std::fabs(X - centreX_) - innerX_;
        const double qy = std::fabs(Y - centreY_) - innerY_;
        return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
               radius_;
    }

private:
    double centreX_, centreY_, radius_, innerX_, innerY_;
};

// Blends two distances into the smooth union of their shapes: where both
// are within Blend of each other the joint is filled in with a round
// fillet, as between the puffs of a cloud.
double smoothUnion(double A, double B, double Blend) {
    const double h = std::clamp(0.5 + 0.5 * (B - A) / Blend, 0.0, 1.0);
    return B + (A - B) * h - Blend * h * (1 - h);
}

double smoothIntersection(double A, double B, double Blend) {
    return -smoothUnion(-A, -B, Blend);
}

// A cloud of four puffs over a filler, the bottom cut flat and its corners
// rounded. Shape units; the design is about 2 wide and 1.2 tall.
class CloudDistance {
public:
    explicit CloudDistance(Box Area) {
        double left = 1e9, right = -1e9, top = 1e9;
        for (const Puff& p : Puffs) {
            left = std::min(left, p.X - p.R);
            right = std::max(right, p.X + p.R);
            top = std::min(top, p.Y - p.R);
        }
        scale_ = std::min(Area.Width / (right - left), Area.Height / (Base - top));
        offsetX_ = Area.Left + Area.Width / 2 - (left + right) / 2 * scale_;
        offsetY_ = Area.Top + Area.Height / 2 - (top + Base) / 2 * scale_;
    }

    double operator()(double X, double Y) const {
        const double u = (X - offsetX_) / scale_, v = (Y - offsetY_) / scale_;
        double d = 1e9;
        for (const Puff& p : Puffs)
            d = smoothUnion(d, std::hypot(u - p.X, v - p.Y) - p.R, 0.10);
        return smoothIntersection(d, v - Base, 0.12) * scale_;
    }

private:
    struct Puff {
        double X, Y, R;
    };
    static constexpr Puff Puffs[] = {
        {-0.64, 0.10, 0.34}, {-0.24, -0.16, 0.44}, {0.26, -0.26, 0.50},
        {0.68, 0.04, 0.36},  {0.02, 0.14, 0.40},
    };
    static constexpr double Base = 0.42;
    double scale_, offsetX_, offsetY_;
};

// The canvas heart made Stretch times as wide. Stretching makes the
// heart's distance too short across and right along; dividing by the
// length of its gradient, which lies between those two factors, brings it
// back to picture pixels.
class StretchedHeartDistance {
public:
    StretchedHeartDistance(Box Area, double Stretch)
        : heart_(squareFor(Area, Stretch)), centreX_(Area.Left + Area.Width / 2), stretch_(Stretch),
          lowest_(std::min(1.0, 1.0 / Stretch)), highest_(std::max(1.0, 1.0 / Stretch)) {}

    double operator()(double X, double Y) const {
        const auto natural = [this](double x, double y) {
            return heart_(centreX_ + (x - centreX_) / stretch_, y);
        };
        const double d = natural(X, Y);
        if (stretch_ == 1.0) return d;
        const double gx = (natural(X + 0.5, Y) - natural(X - 0.5, Y));
        const double gy = (natural(X, Y + 0.5) - natural(X, Y - 0.5));
        return d / std::clamp(std::hypot(gx, gy), lowest_, highest_);
    }

private:
    // The square the unstretched heart fills: as tall as the stretched one,
    // centred in the area.
    static Box squareFor(Box Area, double Stretch) {
        const double side = std::min(Area.Height, Area.Width / Stretch);
        return {Area.Left + (Area.Width - side) / 2, Area.Top + (Area.Height - side) / 2, side,
                side};
    }

    HeartDistance heart_;
    double centreX_, stretch_, lowest_, highest_;
};

// A Gaussian kernel of the given deviation, cut at three deviations (where
// it has fallen below 0.2 of a grey level of the whole), summing to 1.
std::vector<double> gaussianKernel(double Sigma) {
    const int reach = int(std::ceil(3 * Sigma));
    std::vector<double> kernel(2 * reach + 1);
    double sum = 0;
    for (int i = -reach; i <= reach; ++i)
        sum += kernel[i + reach] = std::exp(-0.5 * (i / Sigma) * (i / Sigma));
    for (double& k : kernel)
        k /= sum;
    return kernel;
}

// Blurs a Width x Height field in place with a Gaussian of deviation Sigma;
// beyond the picture the field counts as 0.
void blur(std::vector<double>& Field, int Width, int Height, double Sigma) {
    const std::vector<double> kernel = gaussianKernel(Sigma);
    const int reach = int(kernel.size() / 2);
    std::vector<double> across(Field.size(), 0.0);
    for (int y = 0; y < Height; ++y) {
        const double* in = &Field[size_t(y) * Width];
        double* out = &across[size_t(y) * Width];
        for (int x = 0; x < Width; ++x) {
            const int from = std::max(0, x - reach), to = std::min(Width - 1, x + reach);
            double sum = 0;
            for (int i = from; i <= to; ++i)
                sum += kernel[i - x + reach] * in[i];
            out[x] = sum;
        }
    }
    // Down the columns a whole row at a time: each output row adds up the
    // weighted rows around it.
    std::fill(Field.begin(), Field.end(), 0.0);
    for (int y = 0; y < Height; ++y) {
        double* out = &Field[size_t(y) * Width];
        const int from = std::max(0, y - reach), to = std::min(Height - 1, y + reach);
        for (int j = from; j <= to; ++j) {
            const double k = kernel[j - y + reach];
            const double* in = &across[size_t(j) * Width];
            for (int x = 0; x < Width; ++x)
                out[x] += k * in[x];
        }
    }
}

template <class Distance> QImage fill(int Width, int Height, double Feather, const Distance& Dist) {
    QImage mask(Width, Height, QImage::Format_Grayscale8);
    // The band is measured against how deep the middle of the picture lies
    // inside the shape, so a feather below 1 always leaves a white core.
    const double cx = Width / 2.0, cy = Height / 2.0;
    const double depth = std::max(1.0, -Dist(cx, cy));
    const double band = Feather * depth;
    // The cover of each pixel: of the shape itself for a hard mask; for a
    // soft one of the shape shrunk about the picture's middle so that its
    // edge nearest the middle moves in by half the band.
    const double shrink = 1.0 - Feather / 2;
    std::vector<double> cover(size_t(Width) * Height);
    for (int y = 0; y < Height; ++y) {
        double* row = &cover[size_t(y) * Width];
        const double py = cy + (y + 0.5 - cy) / shrink;
        for (int x = 0; x < Width; ++x)
            row[x] = coverageFromDistance(shrink * Dist(cx + (x + 0.5 - cx) / shrink, py));
    }
    // It blurs that with a deviation of a sixth of the band: the ramp runs
    // from white a band inside the outline down to black at the outline.
    // Shrinking rather than moving the edge inwards keeps the shape's
    // proportions, and blurring rather than ramping along the distance
    // rounds the inner corners too (the cleft of a heart, the dents of a
    // cloud) instead of showing creases along the shape's ridge lines.
    if (band > 0) blur(cover, Width, Height, band / 6);
    for (int y = 0; y < Height; ++y) {
        const double* in = &cover[size_t(y) * Width];
        uchar* row = mask.scanLine(y);
        for (int x = 0; x < Width; ++x)
            row[x] = static_cast<uchar>(std::lround(255.0 * std::clamp(in[x], 0.0, 1.0)));
    }
    return mask;
}

} // namespace

QImage drawMask(int Row) {
    for (const MaskSpec& m : Masks) {
        if (m.Row != Row) continue;
        const double mx = MarginFraction * m.Width, my = MarginFraction * m.Height;
        const Box area{mx, my, m.Width - 2 * mx, m.Height - 2 * my};
        switch (m.Kind) {
        case MaskKind::Circle:
            return fill(m.Width, m.Height, m.Feather, CircleDistance(area));
        case MaskKind::Square:
            return fill(m.Width, m.Height, m.Feather, RoundedBoxDistance(area, m.Rounding));
        case MaskKind::Diamond:
            return fill(m.Width, m.Height, m.Feather,
                        PolygonDistance(regularPolygon(4), m.Rounding, area));
        case MaskKind::Cloud:
            return fill(m.Width, m.Height, m.Feather, CloudDistance(area));
        case MaskKind::Heart:
            return fill(m.Width, m.Height, m.Feather, StretchedHeartDistance(area, m.Stretch));
        case MaskKind::Star:
            return fill(m.Width, m.Height, m.Feather,
                        PolygonDistance(starPoints(m.Points, m.Inner), m.Rounding, area));
        case MaskKind::Pentagon:
            return fill(m.Width, m.Height, m.Feather,
                        PolygonDistance(regularPolygon(5), m.Rounding, area));
        }
    }
    return {};
}

} // namespace velmo::assets
