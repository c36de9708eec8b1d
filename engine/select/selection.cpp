// Building selections from the host's shape or the magic wand, combining a
// new shape with the selection, and inverting it.
//
// Every builder works on locals and changes the document's selection only
// when it has succeeded, so a refused or failed build keeps the selection
// that was there.

#include "lxImage.h"
#include "select/selection_raster.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Smooth polygons on bitmaps above this many pixels get the anti-aliased
// outline pass instead of the fourfold supersampling.
constexpr qint64 kPolygonOutlinePassPixels = 4'500'000;
// Smooth curves sample at 4 times the size, at 3 above the first count and
// at 2 from the second on.
constexpr qint64 kCurveFactor3Pixels = 3'000'000;
constexpr qint64 kCurveFactor2Pixels = 6'160'001;
// Room the curve plug-in gets for its polyline.
constexpr int32_t kCurveOutPoints = 100000;
constexpr int kMaxShapePoints = 10001;

bool indexInRange(const TlxImage& img, int index) {
    return index >= 0 && index < std::clamp(img.LayersCount, 0, TlxImage::MaxLayers);
}

// A zeroed coverage bitmap; a size beyond the engine's limits or memory
// ends the operation like an allocation failure.
QImage zeroedGrey(qint64 width, qint64 height) {
    if (!TlxImage::PictureSizeAllowed(width, height)) throw std::bad_alloc();
    QImage image = CreateGrayBitmap(int(width), int(height));
    if (image.isNull()) throw std::bad_alloc();
    return image;
}

int32_t saturate32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

lx::Vertex clampedVertex(lx::Vertex v) {
    return {std::clamp(v.X, -lx::kShapeCoordLimit, lx::kShapeCoordLimit),
            std::clamp(v.Y, -lx::kShapeCoordLimit, lx::kShapeCoordLimit)};
}

// Applies Op(dst, src) to every pixel of Dst (placed at DstLeft, DstTop in
// the image) that lies over a pixel of Src (placed at SrcLeft, SrcTop).
template <typename Op>
void forOverlap(const PixelView& dst, int64_t dstLeft, int64_t dstTop, const ConstPixelView& src,
                int64_t srcLeft, int64_t srcTop, Op op) {
    const int64_t x0 = std::max(dstLeft, srcLeft);
    const int64_t x1 = std::min(dstLeft + dst.Width, srcLeft + src.Width);
    const int64_t y0 = std::max(dstTop, srcTop);
    const int64_t y1 = std::min(dstTop + dst.Height, srcTop + src.Height);
    if (x0 >= x1 || y0 >= y1) return;
    const int64_t n = x1 - x0;
    for (int64_t y = y0; y < y1; ++y) {
        uint8_t* d = dst.row(int(y - dstTop)) + (x0 - dstLeft);
        const uint8_t* s = src.row(int(y - srcTop)) + (x0 - srcLeft);
        for (int64_t i = 0; i < n; ++i)
            d[i] = op(d[i], s[i]);
    }
}

// Sel placed at (Left, Top) on a zeroed Width x Height bitmap.
QImage placed(const QImage& sel, int64_t left, int64_t top, int64_t width, int64_t height) {
    QImage result = zeroedGrey(width, height);
    forOverlap(viewOf(result), 0, 0, constViewOf(sel), left, top,
               [](uint8_t, uint8_t s) { return s; });
    return result;
}

// A rectangle of image positions, right and bottom exclusive.
struct Area {
    int64_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool empty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const Area&) const = default;
};

Area areaOf(const QImage& sel, int64_t left, int64_t top) {
    return {left, top, left + sel.width(), top + sel.height()};
}

Area unite(const Area& a, const Area& b) {
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

Area meet(const Area& a, const Area& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

// Sel (placed at Left, Top) on a zeroed bitmap covering Box.
QImage placedOn(const QImage& sel, int64_t left, int64_t top, const Area& box) {
    return placed(sel, left - box.Left, top - box.Top, box.Right - box.Left, box.Bottom - box.Top);
}

// The shape a build starts from.
struct ShapeRequest {
    uint8_t Kind = 0;
    const TlxPoint* Points = nullptr;
    int Count = 0; // points available at Points
    int CornerWidth = 0;
    int CornerHeight = 0;
};

ShapeRequest currentShape(const TlxImage& img) {
    return {img.SelKind, img.ShapePoints.data(),
            std::clamp(img.ShapePointCount, 0, kMaxShapePoints), img.CornerWidth, img.CornerHeight};
}

// A finished build, not yet the document's selection.
struct BuiltSelection {
    QImage Bitmap;
    int Left = 0;
    int Top = 0;
    // The shape's points as the selection now holds them (moved into image
    // coordinates when the selection was widened to the image).
    std::vector<TlxPoint> Points;
};

void commit(TlxImage& img, BuiltSelection& built, bool smooth) {
    img.SelBitmap = std::move(built.Bitmap);
    img.SelLeft = built.Left;
    img.SelTop = built.Top;
    img.SmoothEdges = smooth;
    std::copy(built.Points.begin(), built.Points.end(), img.ShapePoints.begin());
}

// The anti-aliased outline pass of large smooth polygons: the closed outline
// drawn vertex to vertex on a zeroed copy, each vertex pixel below 128
// raised to 255, and the copy added to the selection (capped at 255). The
// line drawing itself skips whatever lies outside the copy, so far-away
// vertices cost nothing.
void addAntialiasedOutline(const PixelView& sel, const std::vector<lx::Vertex>& vertices) {
    QImage outline = CreateGrayBitmap(sel.Width, sel.Height);
    if (outline.isNull()) throw std::bad_alloc();
    const size_t n = vertices.size();
    for (size_t i = 0; i < n; ++i) {
        const lx::Vertex& a = vertices[i];
        const lx::Vertex& b = vertices[i + 1 == n ? 0 : i + 1];
        TlxImage::DrawAntialiasedLine(outline, double(a.X), double(a.Y), double(b.X), double(b.Y));
    }
    if (outline.format() != QImage::Format_Grayscale8 ||
        outline.size() != QSize(sel.Width, sel.Height))
        return;
    const PixelView o = viewOf(outline);
    for (const lx::Vertex& v : vertices) {
        if (v.X < 0 || v.Y < 0 || v.X >= sel.Width || v.Y >= sel.Height) continue;
        uint8_t& p = o.row(int(v.Y))[v.X];
        if (p < 128) p = 255;
    }
    for (int y = 0; y < sel.Height; ++y) {
        uint8_t* d = sel.row(y);
        const uint8_t* s = o.row(y);
        for (int x = 0; x < sel.Width; ++x)
            d[x] = uint8_t(std::min(255, d[x] + s[x]));
    }
}

// Draws a smooth ellipse or rounded rectangle into a picture of the box's
// size and copies it into the selection at the box's top-left corner.
// False when the box is too large for a picture of its own.
template <typename Draw>
bool drawSmoothBox(const PixelView& sel, lx::Vertex p0, lx::Vertex p1, Draw draw) {
    const int64_t bw = std::abs(p1.X - p0.X), bh = std::abs(p1.Y - p0.Y);
    if (bw == 0 || bh == 0) return true; // an empty box selects nothing
    if (!TlxImage::PictureSizeAllowed(bw, bh)) return false;
    QImage box = CreateGrayBitmap(int(bw), int(bh));
    if (box.isNull()) throw std::bad_alloc();
    draw(box);
    if (box.format() != QImage::Format_Grayscale8)
        box = box.convertToFormat(QImage::Format_Grayscale8);
    if (box.isNull()) throw std::bad_alloc();
    forOverlap(sel, 0, 0, constViewOf(box), std::min(p0.X, p1.X), std::min(p0.Y, p1.Y),
               [](uint8_t, uint8_t s) { return s; });
    return true;
}

// Corner sizes as the drawing takes them: none below 0, none above the
// largest picture side (a corner larger than any box it can round).
int cornerSize(int v) {
    return std::clamp(v, 0, TlxImage::MaxPictureSide);
}

void buildPolygon(const PixelView& sel, const std::vector<lx::Vertex>& points, bool smooth) {
    const qint64 pixels = qint64(sel.Width) * sel.Height;
    if (smooth && pixels <= kPolygonOutlinePassPixels &&
        TlxImage::PictureSizeAllowed(qint64(sel.Width) * 4, qint64(sel.Height) * 4)) {
        std::vector<lx::Vertex> scaled(points);
        for (lx::Vertex& v : scaled)
            v = {v.X * 4, v.Y * 4};
        lx::fillPolygonReduced(sel, scaled, 4);
        return;
    }
    lx::fillPolygon(sel, points);
    if (smooth) addAntialiasedOutline(sel, points);
}

void buildCurve(TlxImage& img, const PixelView& sel, std::vector<lx::Vertex> points, bool smooth) {
    if (points.empty()) return;
    const qint64 pixels = qint64(sel.Width) * sel.Height;
    int f = 1;
    if (smooth) {
        f = pixels >= kCurveFactor2Pixels ? 2 : pixels > kCurveFactor3Pixels ? 3 : 4;
        // A picture too large at this factor samples at a smaller one, down
        // to the plain fill.
        while (f > 1 &&
               !TlxImage::PictureSizeAllowed(qint64(sel.Width) * f, qint64(sel.Height) * f))
            --f;
    }
    std::vector<TlxPoint> in(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        // Two equal neighbours would give the curve a zero-length step.
        if (f > 1 && i + 1 < points.size() && points[i + 1].X == points[i].X &&
            points[i + 1].Y == points[i].Y)
            points[i + 1] = {points[i + 1].X + 1, points[i + 1].Y + 1};
        const lx::Vertex v = clampedVertex(points[i]);
        in[i] = {int32_t(v.X * f), int32_t(v.Y * f)};
    }
    std::vector<TlxPoint> out(static_cast<size_t>(kCurveOutPoints));
    int32_t outCount = 0;
    img.CurvePoints(in.data(), int32_t(in.size()), out.data(), kCurveOutPoints, &outCount);
    outCount = std::clamp(outCount, 0, kCurveOutPoints);
    const int64_t limit = lx::kShapeCoordLimit * f;
    std::vector<lx::Vertex> curve(static_cast<size_t>(outCount));
    for (int32_t i = 0; i < outCount; ++i)
        curve[size_t(i)] = {std::clamp<int64_t>(out[size_t(i)].X, -limit, limit),
                            std::clamp<int64_t>(out[size_t(i)].Y, -limit, limit)};
    if (f == 1)
        lx::fillPolygon(sel, curve);
    else
        lx::fillPolygonReduced(sel, curve, f);
}

// The magic wand at layer pixel (X, Y); false when the layer cannot be read
// or the pixel lies outside it.
bool buildMagicWand(const TlxLayer& layer, int x, int y, int tolerance, bool smooth, QImage& sel) {
    if (layer.Bitmap.format() != QImage::Format_BGR888 ||
        layer.Alpha.format() != QImage::Format_Grayscale8 ||
        layer.Alpha.size() != layer.Bitmap.size())
        return false;
    const ConstPixelView colour = constViewOf(layer.Bitmap);
    const ConstPixelView alpha = constViewOf(layer.Alpha);
    if (x < 0 || y < 0 || x >= colour.Width || y >= colour.Height) return false;
    const PixelView s = viewOf(sel);
    auto keepFilled = [](const PixelView& v) {
        for (int r = 0; r < v.Height; ++r) {
            uint8_t* p = v.row(r);
            for (int c = 0; c < v.Width; ++c)
                p[c] = p[c] == 255 ? 255 : 0;
        }
    };
    const uint8_t refAlpha = alpha.row(y)[x];
    if (refAlpha == 0) {
        // A transparent pixel selects the transparent area around it, by
        // coverage alone and without softening.
        lx::markMatchingLevels(alpha, s, 0, tolerance);
        lx::floodFillMarks(s, x, y);
        keepFilled(s);
        return true;
    }
    lx::markMatchingColours(colour, s, colour.row(y) + 3 * x, tolerance);
    lx::floodFillMarks(s, x, y);
    // The coverage has its own connected area; the selection is where both
    // areas meet. When every coverage matches, its area is the whole layer.
    if (lx::allLevelsMatch(alpha, refAlpha, tolerance)) {
        keepFilled(s);
    } else {
        QImage area = zeroedGrey(colour.Width, colour.Height);
        const PixelView a = viewOf(area);
        lx::markMatchingLevels(alpha, a, refAlpha, tolerance);
        lx::floodFillMarks(a, x, y);
        for (int r = 0; r < s.Height; ++r) {
            uint8_t* p = s.row(r);
            const uint8_t* q = a.row(r);
            for (int c = 0; c < s.Width; ++c)
                p[c] = (p[c] & q[c]) == 255 ? 255 : 0;
        }
    }
    if (smooth) {
        const QImage unsmoothed = sel.copy();
        if (unsmoothed.isNull()) throw std::bad_alloc();
        lx::softenSelectionEdges(constViewOf(unsmoothed), s);
    }
    return true;
}

bool pointOutside(const lx::Vertex& v, int width, int height) {
    return v.X < 0 || v.Y < 0 || v.X > width || v.Y > height;
}

// Rasterises a shape for the layer into Built. False when the request is
// refused (layer index, kind, wand pixel, missing curve plug-in); throws
// when memory or the size limits run out.
bool buildSelection(TlxImage& img, int index, const ShapeRequest& shape, int x, int y,
                    uint8_t tolerance, bool smooth, BuiltSelection& built) {
    if (!indexInRange(img, index) || shape.Kind > lx::SelectCurve) return false;
    const TlxLayer& layer = img.Layers[size_t(index)];
    const int width = layer.Bitmap.width(), height = layer.Bitmap.height();
    built.Left = layer.Left;
    built.Top = layer.Top;
    built.Points.clear();
    if (shape.Kind == lx::SelectIrregular) {
        built.Bitmap = zeroedGrey(width, height);
        return buildMagicWand(layer, x, y, tolerance, smooth, built.Bitmap);
    }
    if (shape.Kind == lx::SelectCurve && img.CurvePoints == nullptr &&
        (!img.LoadCurvePlugin() || img.CurvePoints == nullptr))
        return false;

    // Rectangles, ellipses and rounded rectangles use points 0 and 1.
    const int count =
        shape.Kind <= lx::SelectEllipse ? 2 : std::clamp(shape.Count, 0, kMaxShapePoints);
    std::vector<lx::Vertex> points(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        points[size_t(i)] = {shape.Points[i].X, shape.Points[i].Y};
    // A shape reaching outside the layer is drawn on the whole image.
    const bool widen = shape.Kind != lx::SelectRectangle &&
                       std::any_of(points.begin(), points.end(),
                                   [&](auto& v) { return pointOutside(v, width, height); });
    if (widen) {
        built.Bitmap = zeroedGrey(img.ImageWidth, img.ImageHeight);
        for (lx::Vertex& v : points)
            v = {v.X + built.Left, v.Y + built.Top};
        built.Left = built.Top = 0;
    } else {
        built.Bitmap = zeroedGrey(width, height);
    }
    built.Points.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        built.Points[i] = {saturate32(points[i].X), saturate32(points[i].Y)};
    for (lx::Vertex& v : points)
        v = clampedVertex(v);

    const PixelView sel = viewOf(built.Bitmap);
    switch (shape.Kind) {
    case lx::SelectRectangle:
        lx::fillRectangle(sel, points[0].X, points[0].Y, points[1].X, points[1].Y);
        break;
    case lx::SelectRoundRect: {
        const int cw = cornerSize(shape.CornerWidth), ch = cornerSize(shape.CornerHeight);
        const bool drawn = smooth && cw > 0 && ch > 0 &&
                           drawSmoothBox(sel, points[0], points[1], [&](QImage& box) {
                               TlxImage::DrawSmoothRoundRect(cw, ch, box);
                           });
        if (!drawn)
            lx::fillRoundRectRegion(sel, points[0].X, points[0].Y, points[1].X, points[1].Y, cw,
                                    ch);
        break;
    }
    case lx::SelectEllipse: {
        const bool drawn = smooth && drawSmoothBox(sel, points[0], points[1], [](QImage& box) {
                               TlxImage::DrawSmoothEllipse(box);
                           });
        if (!drawn) lx::fillEllipseRegion(sel, points[0].X, points[0].Y, points[1].X, points[1].Y);
        break;
    }
    case lx::SelectPolygon:
        buildPolygon(sel, points, smooth);
        break;
    default:
        buildCurve(img, sel, points, smooth);
        break;
    }
    return true;
}

} // namespace

bool TlxImage::MakeSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth) {
    try {
        BuiltSelection built;
        if (!buildSelection(*this, LayerIndex, currentShape(*this), X, Y, Tolerance, Smooth, built))
            return false;
        commit(*this, built, Smooth);
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::AddToSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth) {
    if (!lx::selectionExists(*this)) return MakeSelection(LayerIndex, X, Y, Tolerance, Smooth);
    try {
        BuiltSelection built;
        if (!buildSelection(*this, LayerIndex, currentShape(*this), X, Y, Tolerance, Smooth, built))
            return false;
        // The union covers both bitmaps wherever they lie; a new bitmap
        // smaller than the old one also takes in the whole image.
        const Area shape = areaOf(built.Bitmap, built.Left, built.Top);
        Area box = unite(shape, areaOf(SelBitmap, SelLeft, SelTop));
        if (built.Bitmap.width() < SelBitmap.width() || built.Bitmap.height() < SelBitmap.height())
            box = unite(box, {0, 0, ImageWidth, ImageHeight});
        if (box != shape) {
            built.Bitmap = placedOn(built.Bitmap, built.Left, built.Top, box);
            built.Left = int(box.Left);
            built.Top = int(box.Top);
        }
        forOverlap(viewOf(built.Bitmap), built.Left, built.Top, constViewOf(SelBitmap), SelLeft,
                   SelTop, [](uint8_t n, uint8_t o) { return std::max(n, o); });
        commit(*this, built, Smooth);
        SelKind = lx::SelectIrregular;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::SubtractFromSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth) {
    if (!lx::selectionExists(*this)) return MakeSelection(LayerIndex, X, Y, Tolerance, Smooth);
    try {
        BuiltSelection built;
        if (!buildSelection(*this, LayerIndex, currentShape(*this), X, Y, Tolerance, Smooth, built))
            return false;
        QImage result = SelBitmap.copy();
        if (result.isNull()) throw std::bad_alloc();
        forOverlap(viewOf(result), SelLeft, SelTop, constViewOf(built.Bitmap), built.Left,
                   built.Top, [](uint8_t o, uint8_t n) { return uint8_t(o > n ? o - n : 0); });
        built.Bitmap = std::move(result);
        built.Left = SelLeft;
        built.Top = SelTop;
        commit(*this, built, Smooth);
        SelKind = lx::SelectIrregular;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::IntersectSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth) {
    if (!lx::selectionExists(*this)) return MakeSelection(LayerIndex, X, Y, Tolerance, Smooth);
    try {
        BuiltSelection built;
        if (!buildSelection(*this, LayerIndex, currentShape(*this), X, Y, Tolerance, Smooth, built))
            return false;
        // The result is image-sized, and reaches further where the two
        // bitmaps meet outside the image, so that no common pixel is lost.
        Area box{0, 0, ImageWidth, ImageHeight};
        const Area common =
            meet(areaOf(built.Bitmap, built.Left, built.Top), areaOf(SelBitmap, SelLeft, SelTop));
        if (!common.empty()) box = unite(box, common);
        const QImage old = placedOn(SelBitmap, SelLeft, SelTop, box);
        built.Bitmap = placedOn(built.Bitmap, built.Left, built.Top, box);
        built.Left = int(box.Left);
        built.Top = int(box.Top);
        // 0 where either is 0, else the smaller: the smaller in every case.
        forOverlap(viewOf(built.Bitmap), 0, 0, constViewOf(old), 0, 0,
                   [](uint8_t n, uint8_t o) { return std::min(n, o); });
        commit(*this, built, Smooth);
        SelKind = lx::SelectIrregular;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::InvertSelection(int LayerIndex) {
    if (!validIndex(LayerIndex) || !lx::selectionExists(*this)) return false;
    try {
        BuiltSelection built;
        built.Bitmap = SelBitmap;
        built.Left = SelLeft;
        built.Top = SelTop;
        bool rebuilt = false;
        const qint64 w = SelBitmap.width(), h = SelBitmap.height();
        if (SelLeft >= 0 && SelTop >= 0 && SelLeft + w <= ImageWidth && SelTop + h <= ImageHeight) {
            // Inside the image: the inverse covers the whole image.
            built.Bitmap = placed(SelBitmap, SelLeft, SelTop, ImageWidth, ImageHeight);
            built.Left = built.Top = 0;
        } else {
            // Reaching out of the image: the inverse is taken on the layer.
            const TlxLayer& layer = Layers[size_t(LayerIndex)];
            const QSize size = layer.Bitmap.size();
            if (SelLeft != layer.Left || SelTop != layer.Top || SelBitmap.size() != size) {
                if (SelKind == lx::SelectRoundRect || SelKind == lx::SelectEllipse ||
                    SelKind == lx::SelectPolygon || SelKind == lx::SelectCurve) {
                    // Drawn again from the shape, moved into the layer's pixels.
                    ShapeRequest shape = currentShape(*this);
                    const int count = SelKind == lx::SelectPolygon || SelKind == lx::SelectCurve
                                          ? shape.Count
                                          : 2;
                    std::vector<TlxPoint> moved(shape.Points, shape.Points + count);
                    for (TlxPoint& p : moved)
                        p = {saturate32(int64_t(p.X) + SelLeft - layer.Left),
                             saturate32(int64_t(p.Y) + SelTop - layer.Top)};
                    shape.Points = moved.data();
                    if (!buildSelection(*this, LayerIndex, shape, 0, 0, 0, SmoothEdges, built))
                        return false;
                    rebuilt = true;
                }
                if (built.Bitmap.size() != size) {
                    built.Bitmap =
                        placed(built.Bitmap, int64_t(built.Left) - layer.Left,
                               int64_t(built.Top) - layer.Top, size.width(), size.height());
                    built.Left = layer.Left;
                    built.Top = layer.Top;
                }
            }
        }
        const PixelView v = viewOf(built.Bitmap);
        if (v.Data == nullptr) throw std::bad_alloc();
        for (int y = 0; y < v.Height; ++y) {
            uint8_t* p = v.row(y);
            for (int x = 0; x < v.Width; ++x)
                p[x] = uint8_t(255 - p[x]);
        }
        if (!rebuilt) built.Points.clear();
        commit(*this, built, SmoothEdges);
        SelKind = lx::SelectIrregular;
        return true;
    } catch (...) {
        return false;
    }
}
