// Gradient renderers: horizontal and vertical ramps drawn one line per step,
// rectangular and elliptical gradients drawn as concentric outlines, and the
// diagonal gradient computed per pixel.
//
// How the line and outline renderers meet Qt:
// - A line from (l, Top) to (l, Top + Height) covers the pixels (l, Top) ..
//   (l, Top + Height - 1): the end point is not drawn. A rectangle outline with
//   corners (x1, y1) and (x2, y2) is the border of the pixels x1 .. x2 - 1,
//   y1 .. y2 - 1, and draws nothing when x1 = x2 or y1 = y2.
// - When the painter draws on a QImage in a layout we know (24-bit blue-green-
//   red or red-green-blue, 32-bit 0xAARRGGBB words) with the identity device
//   transform, no clipping and full opacity, lines and rectangle outlines are
//   written straight into the picture's rows. Otherwise (another device, a
//   transform, a clip) they become QPainter::fillRect calls of the same pixel
//   rectangles in Source mode, which under the identity transform paint the
//   very same pixels; the tests hold the two paths to the same bytes.
// - Ellipse outlines always go through QPainter::drawEllipse with a 2-pixel
//   pen and no anti-aliasing. The outline for corners (x1, y1), (x2, y2) is
//   drawn in QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)); Qt lays the ellipse
//   on that rectangle's outer edges x1 and x2 and the pen straddles them, so
//   the ring covers the pixel columns x1 - 1, x1 and x2 - 1, x2 at the ends of
//   the horizontal axis, symmetric about the rectangle's centre. Consecutive
//   outlines lie at most one pixel apart and each ring is two pixels wide, so
//   they overlap and leave no gaps (a test checks this on many sizes).
//   Drawing into a 24-bit picture, the rings are drawn on a 32-bit copy of
//   the area and copied back, which the raster engine fills several times
//   faster with the same pixels.
// - Every renderer paints only inside its rectangle. Segments whose rounded
//   lengths overshoot the extent would draw lines or outlines past it; those
//   pixels are clipped.
// - The painter's state (pen, brush, composition mode, clip) is saved and
//   restored, so the caller's painter is left as it was.
//
// Stop lists: Count <= 0 (or no stops) draws nothing; a single stop has no
// segment and fills the whole rectangle with its colour. The pen starts as
// stop 0's colour, which is what a ramp one pixel long whose segments all
// round to length 0 shows. Segment
// lengths N(extent x Length) are clamped to 0 .. extent, so NaN, negative or
// huge lengths can neither run the drawing backwards nor make it run long.

#include "kernels/gradient_reference.h"
#include "lxGradient.h"

#include "core/pixel_view.h"
#include "core/row_bands.h"
#include "lxTypes.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- colours ----

// A stop's colour as red, green, blue, resolved from a system colour first.
struct StopRgb {
    double r, g, b;
};

StopRgb stopRgb(const TColorlistItem& stop) {
    const uint32_t c = ResolveColor(stop.Color);
    return {double(c & 255), double(c >> 8 & 255), double(c >> 16 & 255)};
}

// N(c0 + t * (c1 - c0)) for one channel. With 0 <= t <= 1 the value stays
// between the two bytes; the clamp only matters for the diagonal renderer's
// hostile lengths, which can put t anywhere (NaN rounds to 0).
inline int mixChannel(double c0, double t, double c1) {
    return std::clamp(RoundEven(c0 + t * (c1 - c0)), 0, 255);
}

// Colours travel as opaque 0xAARRGGBB words, Qt's own form.
inline QRgb mixRgb(const StopRgb& a, double t, const StopRgb& b) {
    return qRgb(mixChannel(a.r, t, b.r), mixChannel(a.g, t, b.g), mixChannel(a.b, t, b.b));
}

inline QRgb solidRgb(const StopRgb& a) {
    return qRgb(int(a.r), int(a.g), int(a.b));
}

// ---- areas ----

// An inclusive pixel rectangle in 64-bit coordinates: a hostile rectangle can
// reach past the 32-bit range even though no picture does.
struct Area {
    qint64 x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool empty() const { return x1 < x0 || y1 < y0; }
};

Area intersect(const Area& a, const Area& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

Area areaOf(const QRect& r) {
    return {r.left(), r.top(), qint64(r.left()) + r.width() - 1, qint64(r.top()) + r.height() - 1};
}

// Far beyond any picture, yet small enough that QRect arithmetic cannot overflow.
constexpr qint64 kReach = qint64(1) << 29;

// ---- drawing into a picture directly ----

enum class Layout { Bgr24, Rgb24, Argb32 };

struct DirectTarget {
    PixelView view;
    Layout layout;
};

inline void storePixel(uint8_t* p, QRgb c, Layout layout) {
    switch (layout) {
    case Layout::Bgr24:
        p[0] = uint8_t(c);
        p[1] = uint8_t(c >> 8);
        p[2] = uint8_t(c >> 16);
        break;
    case Layout::Rgb24:
        p[0] = uint8_t(c >> 16);
        p[1] = uint8_t(c >> 8);
        p[2] = uint8_t(c);
        break;
    case Layout::Argb32:
        std::memcpy(p, &c, 4);
        break;
    }
}

inline int bytesPerPixel(Layout layout) {
    return layout == Layout::Argb32 ? 4 : 3;
}

// The painter's picture when its pixels may be written without going through
// the painter: nothing between the logical coordinates and the pixels, and a
// row layout we know. Returns false otherwise.
bool directTarget(QPainter& Canvas, DirectTarget& target) {
    if (!Canvas.isActive()) return false;
    QPaintDevice* device = Canvas.device();
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    if (!Canvas.deviceTransform().isIdentity() || Canvas.hasClipping() || Canvas.opacity() != 1.0)
        return false;
    QImage& image = *static_cast<QImage*>(device);
    // A shared picture would be copied by bits(), and the painter would go on
    // drawing into the old copy.
    if (image.isNull() || !image.isDetached()) return false;
    switch (image.format()) {
    case QImage::Format_BGR888:
        target.layout = Layout::Bgr24;
        break;
    case QImage::Format_RGB888:
        target.layout = Layout::Rgb24;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: // an opaque colour is the same word premultiplied
        target.layout = Layout::Argb32;
        break;
    default:
        return false;
    }
    target.view = viewOf(image);
    return target.view.Data != nullptr;
}

// Fills pixel rectangles (inclusive, already clipped to the picture). A
// 24-bit span is one pixel copied onto itself in doubling pieces, a handful
// of memcpy calls instead of a store per byte.
struct ImageSink {
    DirectTarget t;
    void fill(qint64 x0, qint64 y0, qint64 x1, qint64 y1, QRgb c) const {
        const qint64 n = x1 - x0 + 1;
        for (qint64 y = y0; y <= y1; ++y) {
            if (t.layout == Layout::Argb32) {
                std::fill_n(reinterpret_cast<QRgb*>(t.view.row(int(y))) + x0, n, c);
                continue;
            }
            uint8_t* p = t.view.row(int(y)) + x0 * 3;
            storePixel(p, c, t.layout);
            const qint64 bytes = 3 * n;
            for (qint64 done = 3; done < bytes;) {
                const qint64 piece = std::min(done, bytes - done);
                std::memcpy(p + done, p, size_t(piece));
                done += piece;
            }
        }
    }
};

// The same rectangles through the painter, for every other device and state.
struct PainterSink {
    QPainter& p;
    void fill(qint64 x0, qint64 y0, qint64 x1, qint64 y1, QRgb c) const {
        p.fillRect(QRect(int(x0), int(y0), int(x1 - x0 + 1), int(y1 - y0 + 1)), QColor(c));
    }
};

// Saves the painter's state and sets the copy mode without anti-aliasing;
// restores it on every way out.
class PainterState {
public:
    explicit PainterState(QPainter& p) : p_(p) {
        p_.save();
        p_.setCompositionMode(QPainter::CompositionMode_Source);
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.setBrush(Qt::NoBrush);
    }
    ~PainterState() { p_.restore(); }
    PainterState(const PainterState&) = delete;
    PainterState& operator=(const PainterState&) = delete;

private:
    QPainter& p_;
};

// The part of the rectangle the painter can reach, in logical coordinates:
// the clip, and for pictures the device's pixels mapped back through the
// transform (a generous bound when the pixel ratio is not 1). A widget is
// left to the clip: while it is drawn into another device (a grab, a parent
// being rendered), its painter's transform carries the offset onto that
// device, so the widget's own size mapped back through it says nothing.
Area reachable(QPainter& Canvas, const Area& rect) {
    Area area = intersect(rect, {-kReach, -kReach, kReach, kReach});
    if (Canvas.hasClipping())
        area = intersect(area, areaOf(Canvas.clipBoundingRect().toAlignedRect()));
    QPaintDevice* device = Canvas.device();
    const int type = device != nullptr ? device->devType() : 0;
    if (type == QInternal::Image || type == QInternal::Pixmap) {
        bool invertible = false;
        const QTransform back = Canvas.deviceTransform().inverted(&invertible);
        if (!invertible) return {};
        const double ratio = std::max(1.0, device->devicePixelRatio());
        const QRectF pixels(0, 0, device->width() * ratio, device->height() * ratio);
        const QRect mapped = back.mapRect(pixels).toAlignedRect().adjusted(-1, -1, 1, 1);
        area = intersect(area, areaOf(mapped));
    }
    return area;
}

// ---- the steps of the line and outline renderers ----

// Segment k starts at position f and covers f .. f + g (g + 1 steps): its
// length is g = N(scale x Length of stop k) clamped to 0 .. extent, except the
// last segment, which runs to lastEnd. The next segment starts at f + g, so
// the boundary step is drawn twice and the later colour wins. A segment of
// length 0 draws its one step in the pen's colour as it stands.
struct StepPlan {
    qint64 start;
    double scale;
    qint64 extent;
    qint64 lastEnd;
};

// Calls draw(position, colour) for every step inside lo .. hi, in drawing
// order. Positions never decrease, because no segment runs backwards.
template <typename Draw>
void walkSteps(const TColorlistItem* Stops, int Count, const StepPlan& plan, qint64 lo, qint64 hi,
               Draw&& draw) {
    QRgb pen = solidRgb(stopRgb(Stops[0]));
    qint64 f = plan.start;
    for (int k = 0; k + 1 < Count && f <= hi; ++k) {
        qint64 g;
        if (k + 2 == Count) {
            g = plan.lastEnd - f; // may be negative: the earlier segments overshot
        } else {
            g = std::clamp<qint64>(RoundEven(plan.scale * Stops[k].Length), 0, plan.extent);
        }
        if (g > 0) {
            const StopRgb a = stopRgb(Stops[k]);
            const StopRgb b = stopRgb(Stops[k + 1]);
            const double length = double(g);
            const qint64 end = std::min(f + g, hi);
            for (qint64 l = std::max(f, lo); l <= end; ++l)
                draw(l, mixRgb(a, double(l - f) / length, b));
            // The step at f + g has t = 1, and c0 + (c1 - c0) is exactly c1.
            pen = solidRgb(b);
        } else if (g == 0 && k + 2 == Count && f >= lo) {
            // A zero-length segment draws its one step in the pen's colour.
            // Followed by another segment, that step is drawn again (or, when
            // the last segment runs backwards, it already holds the colour the
            // previous segment ended with, which is the pen's): only the last
            // segment's shows.
            draw(f, pen);
        }
        f += g;
    }
}

// Joins neighbouring lines of one colour into one rectangle, so that a sink
// gets one call per run. Positions arrive in non-decreasing order; a line
// drawn again at the same position replaces the earlier colour.
template <typename Fill> class RunJoiner {
public:
    explicit RunJoiner(Fill fill) : fill_(fill) {}
    void add(qint64 l, QRgb c) {
        if (open_) {
            if (l == b_) {
                if (c == colour_) return;
                if (a_ < b_) fill_(a_, b_ - 1, colour_);
                a_ = l;
                colour_ = c;
                return;
            }
            if (l == b_ + 1 && c == colour_) {
                b_ = l;
                return;
            }
            fill_(a_, b_, colour_);
        }
        a_ = b_ = l;
        colour_ = c;
        open_ = true;
    }
    void finish() {
        if (open_) fill_(a_, b_, colour_);
        open_ = false;
    }

private:
    Fill fill_;
    qint64 a_ = 0, b_ = 0;
    QRgb colour_ = 0;
    bool open_ = false;
};

bool badInput(const TColorlistItem* Stops, int Count, int Width, int Height) {
    return Stops == nullptr || Count <= 0 || Width <= 0 || Height <= 0;
}

// Lines across the rectangle, one per step: columns for a horizontal
// gradient, rows for a vertical one.
template <typename Sink>
void drawLines(const TColorlistItem* Stops, int Count, const Sink& sink, const Area& area,
               bool horizontal, const StepPlan& plan) {
    auto fill = [&](qint64 a, qint64 b, QRgb c) {
        if (horizontal)
            sink.fill(a, area.y0, b, area.y1, c);
        else
            sink.fill(area.x0, a, area.x1, b, c);
    };
    RunJoiner<decltype(fill)> runs(fill);
    walkSteps(Stops, Count, plan, horizontal ? area.x0 : area.y0, horizontal ? area.x1 : area.y1,
              [&](qint64 l, QRgb c) { runs.add(l, c); });
    runs.finish();
}

// A horizontal gradient straight into the picture: one row of colours built
// once and copied into every row, instead of writing column after column.
void drawColumnsDirect(const TColorlistItem* Stops, int Count, const DirectTarget& t,
                       const Area& area, const StepPlan& plan) {
    const int bpp = bytesPerPixel(t.layout);
    const qsizetype n = qsizetype(area.x1 - area.x0 + 1);
    std::vector<uint8_t> row(size_t(n) * size_t(bpp));
    // Every column of the rectangle is drawn by some segment: they follow one
    // another from the first column and the last one reaches the far edge.
    walkSteps(Stops, Count, plan, area.x0, area.x1,
              [&](qint64 l, QRgb c) { storePixel(row.data() + (l - area.x0) * bpp, c, t.layout); });
    for (qint64 y = area.y0; y <= area.y1; ++y)
        std::memcpy(t.view.row(int(y)) + area.x0 * bpp, row.data(), row.size());
}

void fillLines(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left, int Top,
               int Width, int Height, bool horizontal) {
    if (badInput(Stops, Count, Width, Height)) return;
    const Area rect{Left, Top, qint64(Left) + Width - 1, qint64(Top) + Height - 1};
    const qint64 s0 = horizontal ? Left : Top;
    const qint64 E = horizontal ? Width : Height;
    const StepPlan plan{s0, double(E), E, s0 + E - 1};

    DirectTarget direct;
    if (directTarget(Canvas, direct)) {
        const Area area = intersect(rect, {0, 0, direct.view.Width - 1, direct.view.Height - 1});
        if (area.empty()) return;
        const ImageSink sink{direct};
        if (Count == 1)
            sink.fill(area.x0, area.y0, area.x1, area.y1, solidRgb(stopRgb(Stops[0])));
        else if (horizontal)
            drawColumnsDirect(Stops, Count, direct, area, plan);
        else
            drawLines(Stops, Count, sink, area, false, plan);
        return;
    }
    const Area area = reachable(Canvas, rect);
    if (area.empty()) return;
    PainterState state(Canvas);
    const PainterSink sink{Canvas};
    if (Count == 1)
        sink.fill(area.x0, area.y0, area.x1, area.y1, solidRgb(stopRgb(Stops[0])));
    else
        drawLines(Stops, Count, sink, area, horizontal, plan);
}

// ---- concentric outlines ----

// N(x) for outline corners, which a hostile rectangle can push past the
// 32-bit range; nearbyint rounds halves to even like RoundEven.
inline qint64 roundCoord(double x) {
    return qint64(std::nearbyint(x));
}

// Corners (x1, y1), (x2, y2) of outline step t. With hw = Width div 2 and
// hh = Height div 2 the outlines are centred on (Left + hw, Top + hh):
// - Width < Height: steps run down from Top; step t reaches d = t - Top rows
//   up and down and u = d * Width / Height columns left and right, rounded.
// - otherwise steps run across from Left; d = t - Left columns each way and
//   u = d * Height / Width rows, rounded.
// d * Width is an integer product, exact in double, divided once.
struct Outline {
    qint64 x1, y1, x2, y2;
};

struct OutlineGeometry {
    qint64 left, top, width, height, hw, hh;
    bool alongY; // Width < Height

    Outline at(qint64 t) const {
        if (alongY) {
            const qint64 d = t - top;
            const double u = double(d * width) / double(height);
            const double cx = double(left + hw);
            return {roundCoord(cx - u), top + hh - d, roundCoord(cx + u), top + hh + d};
        }
        const qint64 d = t - left;
        const double u = double(d * height) / double(width);
        const double cy = double(top + hh);
        return {left + hw - d, roundCoord(cy - u), left + hw + d, roundCoord(cy + u)};
    }

    StepPlan plan() const {
        if (alongY) return {top, double(height) / 2.0, height, top + hh};
        return {left, double(width) / 2.0, width, left + hw};
    }

    // A step beyond which every outline encloses the rectangle with room to
    // spare, so nothing further can touch it. Along x: an outline reaches d
    // columns and d * H / W rows each way; at d = W + 4 W / H + 8 that is past
    // W / 2 + 2 and H / 2 + 2 by a factor of about two, which also puts the
    // rectangle's corners well inside an ellipse (they need a factor of
    // sqrt 2) together with its two-pixel pen.
    qint64 lastUsefulStep() const {
        const qint64 E = alongY ? height : width;
        const qint64 e = alongY ? width : height;
        return (alongY ? top : left) + E + 4 * (E / e + 1) + 8;
    }
};

OutlineGeometry outlineGeometry(int Left, int Top, int Width, int Height) {
    return {Left, Top, Width, Height, Width / 2, Height / 2, Width < Height};
}

// One rectangle outline: the border of x1 .. x2 - 1, y1 .. y2 - 1, clipped.
template <typename Sink>
void drawRectOutline(const Sink& sink, const Area& area, const Outline& o, QRgb c) {
    if (o.x2 <= o.x1 || o.y2 <= o.y1) return;
    const qint64 left = o.x1, right = o.x2 - 1, top = o.y1, bottom = o.y2 - 1;
    const qint64 xa = std::max(left, area.x0), xb = std::min(right, area.x1);
    const qint64 ya = std::max(top, area.y0), yb = std::min(bottom, area.y1);
    if (xa > xb || ya > yb) return;
    if (top >= area.y0) sink.fill(xa, top, xb, top, c);
    if (bottom <= area.y1 && bottom != top) sink.fill(xa, bottom, xb, bottom, c);
    // The sides between the top and bottom rows.
    const qint64 sa = std::max(top + 1, area.y0), sb = std::min(bottom - 1, area.y1);
    if (sa > sb) return;
    if (left >= area.x0) sink.fill(left, sa, left, sb, c);
    if (right <= area.x1 && right != left) sink.fill(right, sa, right, sb, c);
}

template <typename Sink>
void drawRectOutlines(const TColorlistItem* Stops, int Count, const Sink& sink, const Area& area,
                      const OutlineGeometry& geo) {
    walkSteps(Stops, Count, geo.plan(), std::numeric_limits<qint64>::min(), geo.lastUsefulStep(),
              [&](qint64 t, QRgb c) { drawRectOutline(sink, area, geo.at(t), c); });
}

// Whether an ellipse ring can reach the area: its box, widened by the pen,
// meets the area, and the area is not wholly inside the ring's hole. The
// hole holds the ellipse scaled by 1 - 2 / (smaller semi-axis): scaling by
// 1 - m / b moves every point of the curve inwards by at least m.
bool ringMeets(const Outline& o, const Area& area) {
    if (o.x1 - 2 > area.x1 || o.x2 + 1 < area.x0 || o.y1 - 2 > area.y1 || o.y2 + 1 < area.y0)
        return false;
    const double a = double(o.x2 - o.x1) / 2.0, b = double(o.y2 - o.y1) / 2.0;
    const double scale = 1.0 - 2.0 / std::min(a, b);
    if (!(scale > 0.0)) return true;
    const double cx = double(o.x1) + a, cy = double(o.y1) + b;
    const double ra = a * scale, rb = b * scale;
    for (const qint64 x : {area.x0, area.x1 + 1})
        for (const qint64 y : {area.y0, area.y1 + 1}) {
            const double px = (double(x) - cx) / ra, py = (double(y) - cy) / rb;
            if (px * px + py * py >= 1.0) return true;
        }
    return false;
}

// One drawEllipse per ring, innermost first, through the painter.
void drawRings(const TColorlistItem* Stops, int Count, QPainter& Canvas, const OutlineGeometry& geo,
               const Area& area) {
    // The rings straddle their outline, so the outermost one pokes a pixel
    // past the rectangle: clip to it.
    Canvas.setClipRect(
        QRect(int(area.x0), int(area.y0), int(area.x1 - area.x0 + 1), int(area.y1 - area.y0 + 1)),
        Qt::IntersectClip);
    QPen pen(Qt::black, 2.0, Qt::SolidLine);
    walkSteps(Stops, Count, geo.plan(), std::numeric_limits<qint64>::min(), geo.lastUsefulStep(),
              [&](qint64 t, QRgb c) {
                  const Outline o = geo.at(t);
                  if (o.x2 <= o.x1 || o.y2 <= o.y1 || !ringMeets(o, area)) return;
                  pen.setColor(QColor(c));
                  Canvas.setPen(pen);
                  // QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)) as a
                  // QRectF: its edges are x1 and x2.
                  Canvas.drawEllipse(
                      QRectF(double(o.x1), double(o.y1), double(o.x2 - o.x1), double(o.y2 - o.y1)));
              });
}

// The rings of a 24-bit picture drawn on a 32-bit copy of it. The raster
// engine strokes and fills the very same pixels whatever the picture's
// layout (the outline and its rasterisation do not depend on it), but fills
// 32-bit rows several times faster: on a 24-bit picture every span goes
// through the generic colour blend, handed out to worker threads. The copy
// has the picture's own coordinates (no translation that could round the
// outlines differently) and reaches only as far as the area; only the area
// is copied in and back. The rows are shared out in bands, each thread
// painting every ring clipped to its own rows on its own view of the copy:
// a clip changes which spans are written, never where a ring's edges lie.
// False when the copy cannot be had.
bool drawRingsOn32Bit(const TColorlistItem* Stops, int Count, const DirectTarget& t,
                      const OutlineGeometry& geo, const Area& area) {
    const int width = int(area.x1 + 1), height = int(area.y1 + 1);
    QImage copy;
    try {
        copy = QImage(width, height, QImage::Format_RGB32);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (copy.isNull()) return false;
    const PixelView wide = viewOf(copy);
    const qint64 n = area.x1 - area.x0 + 1;
    // A ring's cost is in its rows; a wide area has about as many rings as
    // columns, each of a few pixels per row.
    const qsizetype rows = qsizetype(area.y1 - area.y0 + 1);
    lx::forRowBands(rows, qsizetype(n) * 8, [&](qsizetype first, qsizetype end) {
        const Area band{area.x0, area.y0 + first, area.x1, area.y0 + end - 1};
        for (qint64 y = band.y0; y <= band.y1; ++y) {
            const uint8_t* in = t.view.row(int(y)) + area.x0 * 3;
            QRgb* out = reinterpret_cast<QRgb*>(wide.row(int(y))) + area.x0;
            if (t.layout == Layout::Bgr24) {
                for (qint64 x = 0; x < n; ++x, in += 3)
                    out[x] = qRgb(in[2], in[1], in[0]);
            } else {
                for (qint64 x = 0; x < n; ++x, in += 3)
                    out[x] = qRgb(in[0], in[1], in[2]);
            }
        }
        {
            // A view of the same memory, so that every band has a painter
            // of its own.
            QImage view(reinterpret_cast<uchar*>(wide.Data), width, height, wide.Stride,
                        QImage::Format_RGB32);
            QPainter painter(&view);
            PainterState state(painter);
            drawRings(Stops, Count, painter, geo, band);
        }
        for (qint64 y = band.y0; y <= band.y1; ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(wide.row(int(y))) + area.x0;
            uint8_t* out = t.view.row(int(y)) + area.x0 * 3;
            for (qint64 x = 0; x < n; ++x, out += 3)
                storePixel(out, in[x], t.layout);
        }
    });
    return true;
}

void fillOutlines(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left, int Top,
                  int Width, int Height, bool ellipse, bool plainRings = false) {
    if (badInput(Stops, Count, Width, Height)) return;
    const Area rect{Left, Top, qint64(Left) + Width - 1, qint64(Top) + Height - 1};
    const OutlineGeometry geo = outlineGeometry(Left, Top, Width, Height);

    DirectTarget direct;
    if (!plainRings && directTarget(Canvas, direct)) {
        const Area area = intersect(rect, {0, 0, direct.view.Width - 1, direct.view.Height - 1});
        if (area.empty()) return;
        const ImageSink sink{direct};
        if (Count == 1) {
            sink.fill(area.x0, area.y0, area.x1, area.y1, solidRgb(stopRgb(Stops[0])));
            return;
        }
        if (!ellipse) {
            drawRectOutlines(Stops, Count, sink, area, geo);
            return;
        }
        if (direct.layout != Layout::Argb32 && drawRingsOn32Bit(Stops, Count, direct, geo, area))
            return;
    }
    const Area area = reachable(Canvas, rect);
    if (area.empty()) return;
    PainterState state(Canvas);
    const PainterSink sink{Canvas};
    if (Count == 1) {
        sink.fill(area.x0, area.y0, area.x1, area.y1, solidRgb(stopRgb(Stops[0])));
    } else if (!ellipse) {
        drawRectOutlines(Stops, Count, sink, area, geo);
    } else {
        drawRings(Stops, Count, Canvas, geo, area);
    }
}

// ---- the diagonal gradient ----

// Row j counted from the bottom and column i from the left project onto
// P(i, j) = N(i cos theta - j sin theta). The colour depends on P alone, and P
// only takes the integers between the smallest and largest corner values, so
// the colours are worked out once per P into a table, and each pixel costs a
// subtraction, a rounding and a look-up. The products i cos theta and
// j sin theta are computed once per column and per row, as the same double
// products a per-pixel formula would compute, so the table form gives the
// very same P.
struct DiagonalPlan {
    double cosA = 1.0, sinA = 0.0;
    int pmin = 0;
    std::vector<QRgb> colours; // by P - pmin
};

DiagonalPlan planDiagonal(const TColorlistItem* Stops, int Count, double Slope, int Width,
                          int Height) {
    DiagonalPlan plan;
    // theta = N(Slope x 90) degrees, brought into 0 .. 359 so that a hostile
    // slope still gives an accurate cosine.
    int theta = RoundEven(Slope * 90.0) % 360;
    if (theta < 0) theta += 360;
    const double radians = double(theta) * kPi / 180.0;
    plan.cosA = std::cos(radians);
    plan.sinA = std::sin(radians);
    auto P = [&](int i, int j) { return RoundEven(double(i) * plan.cosA - double(j) * plan.sinA); };
    const int corners[4] = {P(0, 0), P(0, Height), P(Width, 0), P(Width, Height)};
    plan.pmin = *std::min_element(corners, corners + 4);
    const int pmax = *std::max_element(corners, corners + 4);
    // Every pixel lies inside the box of the four corners, and a linear
    // function takes its extremes at corners; rounding and the floating-point
    // operations are monotonic, so every pixel's P lies in pmin .. pmax.
    const qint64 range = qint64(pmax) - plan.pmin;
    plan.colours.resize(size_t(range + 1));

    // d = (P - Pmin) / (Pmax - Pmin) grows with P. The pixel's segment is the
    // first k whose running sum S_k of lengths exceeds d; walking the
    // segments in order, the entries with d < S_k form a prefix of the table,
    // and those past the prefix already claimed belong to segment k.
    auto dOf = [&](qint64 e) { return range == 0 ? 0.0 : double(e) / double(range); };
    const QRgb lastColour = solidRgb(stopRgb(Stops[Count - 1]));
    qint64 claimed = 0;
    double S = 0.0;
    for (int k = 0; k + 1 < Count && claimed <= range; ++k) {
        const double length = Stops[k].Length;
        S += length;
        if (!(dOf(claimed) < S)) continue;
        const StopRgb a = stopRgb(Stops[k]);
        const StopRgb b = stopRgb(Stops[k + 1]);
        const double segmentStart = S - length;
        for (; claimed <= range; ++claimed) {
            const double d = dOf(claimed);
            if (!(d < S)) break;
            plan.colours[size_t(claimed)] = mixRgb(a, (d - segmentStart) / length, b);
        }
    }
    // At or beyond the sum of the lengths: the last stop's colour.
    std::fill(plan.colours.begin() + claimed, plan.colours.end(), lastColour);
    return plan;
}

// Writes picture rows 0 .. rows - 1 and columns 0 .. columns - 1 of a
// Width x Height diagonal gradient (mirrored left-right when asked).
void renderDiagonalRows(const DiagonalPlan& plan, int Width, int Height, bool mirrored,
                        PixelView view, Layout layout, int columns, int rows) {
    std::vector<double> across(static_cast<size_t>(columns));
    for (int x = 0; x < columns; ++x) {
        const int i = mirrored ? Width - 1 - x : x;
        across[size_t(x)] = double(i) * plan.cosA;
    }
    const QRgb* colours = plan.colours.data();
    const int pmin = plan.pmin;
    const double* ic = across.data();
    for (int y = 0; y < rows; ++y) {
        const double js = double(Height - 1 - y) * plan.sinA;
        uint8_t* out = view.row(y);
        switch (layout) {
        case Layout::Bgr24:
            for (int x = 0; x < columns; ++x, out += 3) {
                const QRgb c = colours[RoundEven(ic[x] - js) - pmin];
                out[0] = uint8_t(c);
                out[1] = uint8_t(c >> 8);
                out[2] = uint8_t(c >> 16);
            }
            break;
        case Layout::Rgb24:
        case Layout::Argb32: {
            const int bpp = bytesPerPixel(layout);
            for (int x = 0; x < columns; ++x, out += bpp)
                storePixel(out, colours[RoundEven(ic[x] - js) - pmin], layout);
            break;
        }
        }
    }
}

void fillDiagonal(const TColorlistItem* Stops, int Count, QPainter& Canvas, double Slope, int Width,
                  int Height, bool mirrored) {
    if (badInput(Stops, Count, Width, Height)) return;
    if (!lx::pictureSizeAllowed(Width, Height)) return;
    DirectTarget direct;
    if (directTarget(Canvas, direct)) {
        const int columns = std::min(Width, direct.view.Width);
        const int rows = std::min(Height, direct.view.Height);
        if (columns <= 0 || rows <= 0) return;
        renderDiagonalRows(planDiagonal(Stops, Count, Slope, Width, Height), Width, Height,
                           mirrored, direct.view, direct.layout, columns, rows);
        return;
    }
    QImage picture;
    if (!RenderDiagonalGradient(Stops, Count, Height, Width, Slope, picture)) return;
    if (mirrored && !MirrorBitmapHorizontal(picture)) return;
    PainterState state(Canvas);
    Canvas.drawImage(0, 0, picture);
}

} // namespace

void FillGradientHorizontal(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                            int Top, int Width, int Height) {
    fillLines(Stops, Count, Canvas, Left, Top, Width, Height, true);
}

void FillGradientVertical(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                          int Top, int Width, int Height) {
    fillLines(Stops, Count, Canvas, Left, Top, Width, Height, false);
}

void FillGradientRectangle(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                           int Top, int Width, int Height) {
    fillOutlines(Stops, Count, Canvas, Left, Top, Width, Height, false);
}

void FillGradientEllipse(const TColorlistItem* Stops, int Count, QPainter& Canvas, int Left,
                         int Top, int Width, int Height) {
    fillOutlines(Stops, Count, Canvas, Left, Top, Width, Height, true);
}

void FillGradientDiagonal(const TColorlistItem* Stops, int Count, QPainter& Canvas, double Slope,
                          int Width, int Height) {
    fillDiagonal(Stops, Count, Canvas, Slope, Width, Height, false);
}

void FillGradientDiagonalMirrored(const TColorlistItem* Stops, int Count, QPainter& Canvas,
                                  double Slope, int Width, int Height) {
    fillDiagonal(Stops, Count, Canvas, Slope, Width, Height, true);
}

void lx::FillGradientEllipseThroughPainter(const TColorlistItem* Stops, int Count, QPainter& Canvas,
                                           int Left, int Top, int Width, int Height) {
    fillOutlines(Stops, Count, Canvas, Left, Top, Width, Height, true, true);
}

// Width or Height of 0 or less gives an empty picture (and true). With no
// stops every pixel is black; a single stop, having no segment, colours every
// pixel with itself. Sizes past the engine's picture limits give false.
bool RenderDiagonalGradient(const TColorlistItem* Stops, int Count, int Height, int Width,
                            double Slope, QImage& Bitmap) {
    if (Width <= 0 || Height <= 0) {
        Bitmap = QImage();
        return true;
    }
    if (!lx::pictureSizeAllowed(Width, Height)) return false;
    try {
        QImage picture(Width, Height, QImage::Format_BGR888);
        if (picture.isNull()) return false;
        if (Stops == nullptr || Count <= 0) {
            picture.fill(0);
        } else {
            renderDiagonalRows(planDiagonal(Stops, Count, Slope, Width, Height), Width, Height,
                               false, viewOf(picture), Layout::Bgr24, Width, Height);
        }
        Bitmap = std::move(picture);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Any picture of whole bytes per pixel; the row padding stays where it is.
bool MirrorBitmapHorizontal(QImage& Bitmap) {
    if (Bitmap.isNull()) return true;
    const int depth = Bitmap.depth();
    if (depth < 8 || depth % 8 != 0) return false;
    const qsizetype bpp = depth / 8;
    const PixelView view = viewOf(Bitmap);
    if (view.Data == nullptr) return false;
    for (int y = 0; y < view.Height; ++y) {
        uint8_t* row = view.row(y);
        for (qsizetype a = 0, b = qsizetype(view.Width) - 1; a < b; ++a, --b)
            std::swap_ranges(row + a * bpp, row + (a + 1) * bpp, row + b * bpp);
    }
    return true;
}
