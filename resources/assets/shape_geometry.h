#pragma once

// Outlines of the canvas shapes as signed distance functions: each returns the
// distance in pixels from a point to the shape's edge, negative inside. A
// distance gives anti-aliasing for free (a pixel whose centre lies d pixels
// outside the edge is covered by about 0.5 - d of its area) and gives the
// thumbnails their depth shading, and the one outline serves the big masks
// and the small pictures alike.

#include "asset_table.h"

#include <QImage>

namespace velmo::assets {

// The area, in picture pixels, that a shape is fitted into.
struct Box {
    double Left;
    double Top;
    double Width;
    double Height;
};

// A regular pentagon, one point up, whose points are rounded: the set of
// points within RoundRadius of a smaller pentagon. Fitted into the box with
// its proportions kept and centred (it is wider than tall, so it touches the
// box's sides and leaves a little room above and below).
class PentagonDistance {
public:
    explicit PentagonDistance(Box Area);
    double operator()(double X, double Y) const;

private:
    double scale_;   // pixels per shape unit
    double centreX_; // picture position of the shape's origin
    double centreY_;
};

// A heart: two round lobes (circles of radius 1 with centres (-c, 0) and
// (c, 0)) joined to the bottom point by gently bulging arcs that touch the
// lobes, so the outline is smooth everywhere except the point and the cleft.
// The design is as wide as tall; it is fitted into the box like the pentagon.
// Mirrored exactly about the box's vertical centre line.
class HeartDistance {
public:
    explicit HeartDistance(Box Area);
    double operator()(double X, double Y) const;

private:
    double scale_;
    double centreX_;
    double centreY_;
    double sideX_; // centre of the right side's circle (shape units)
    double sideY_;
    double normalX_; // unit normal of the line from that centre through the lobe centre
    double normalY_;
};

// The ellipse that touches all four sides of the box.
class EllipseDistance {
public:
    explicit EllipseDistance(Box Area);
    double operator()(double X, double Y) const;

private:
    double centreX_;
    double centreY_;
    double radiusX_;
    double radiusY_;
};

// Coverage of a pixel whose centre lies Distance pixels outside the edge
// (negative inside), 0 .. 1.
double coverageFromDistance(double Distance);

// An 8-bit grey mask of Width x Height pixels: the shape filling the whole
// picture, 255 inside and 0 outside, or the other way round when Inverted.
QImage renderShapeMask(ShapeKind Kind, int Width, int Height, bool Inverted);

} // namespace velmo::assets
