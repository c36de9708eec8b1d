// Mask steps and draw rules shared by the shadows, glows, bevel and stroke.

#include "effects/effect_rules.h"

#include "compose/mode_rows.h"
#include "core/picture_memory.h"
#include "core/row_bands.h"
#include "kernels/blur.h"

#include <cstring>
#include <vector>

namespace lx {

namespace {

bool isGrey(const QImage& image) {
    return image.format() == QImage::Format_Grayscale8;
}

// Every byte of the mask through a table: thresholds and inversion are all
// byte-to-byte maps, so one loop serves them, by bands of rows.
void mapBytes(const PixelView& mask, const ByteMap& map) {
    lx::forRowBands(mask.Height, mask.Width, [&](qsizetype first, qsizetype end) {
        for (qsizetype y = first; y < end; ++y) {
            uint8_t* row = mask.row(int(y));
            for (int x = 0; x < mask.Width; ++x)
                row[x] = map[row[x]];
        }
    });
}

ByteMap makeMap(auto rule) {
    ByteMap map{};
    for (int v = 0; v < 256; ++v)
        map[size_t(v)] = uint8_t(rule(v));
    return map;
}

void blurBy(const PixelView& mask, int pixels) {
    gaussianBlurMask(mask, blurRadius(pixels));
}

QImage shaped(const QImage& alpha, int margin, void (*shape)(PixelView, int, int), int first,
              int second) {
    QImage mask = alphaToMask(alpha, margin);
    if (mask.isNull()) return mask;
    const PixelView view = viewOf(mask);
    if (view.Data == nullptr) return QImage();
    shape(view, first, second);
    return mask;
}

// One row span of the outer rule: n pixels, mask, colour and (when OnLayer)
// alpha pointers all at the span's first pixel. Off the layer every pixel
// has the weight v = e, the same as alpha 0 gives. The coverages go into
// `coverage` (0 where the pixel is left alone) and the span is blended in
// one row call.
template <EffectTarget T, bool Gradient, bool OnLayer>
void outerSpan(TlxImage& image, uint8_t* dst, const uint8_t* mask, const uint8_t* colours,
               const uint8_t* alpha, int n, const EffectPass& pass, const double* weight,
               const double* mapped, const double* offLayer, double* coverage) {
    constexpr int bpp = bytesPerPixel<T>();
    // Map byte 0 gives coverage 0, and so does alpha 255 (v = e * 0, exactly
    // 0): both pixels are left alone, as the rule wants, without a branch.
    if constexpr (OnLayer) {
        coverageProductRow(mask, mapped, alpha, weight, coverage, n);
    } else {
        for (int i = 0; i < n; ++i)
            coverage[i] = offLayer[mask[i]];
    }
    if constexpr (T == EffectTarget::Argb32)
        for (int i = 0; i < n; ++i)
            if (coverage[i] != 0.0) growCoverage<T>(dst + bpp * i, coverage[i]);
    image.BlendPixelRow(
        {dst, bpp, Gradient ? colours : nullptr, pass.Packed, coverage, nullptr, n, pass.Mode});
}

template <EffectTarget T, bool Gradient>
void outerRows(TlxImage& image, const PixelView& target, const LayerCoverage& layer,
               const EffectPass& pass, const Span& s) {
    constexpr int bpp = bytesPerPixel<T>();
    // v = e * (1 - a / 255) for every alpha byte, in the formula's own order.
    double weight[256];
    for (int a = 0; a < 256; ++a)
        weight[a] = pass.Opacity * (1 - a / 255.0);
    // Off the layer the coverage depends on the mask byte alone: the same
    // product and quotient, computed once per byte.
    double offLayer[256];
    for (int m = 0; m < 256; ++m)
        offLayer[m] = pass.Map[size_t(m)] * weight[0] / 255.0;
    // The mapped mask bytes as doubles, for the on-layer coverage rows.
    double mapped[256];
    for (int m = 0; m < 256; ++m)
        mapped[m] = pass.Map[size_t(m)];

    // The columns of the span that lie over the layer; those before and
    // after it are off the layer on every row.
    const int64_t layerRight = layer.Left + layer.Alpha.Width;
    const int64_t layerBottom = layer.Top + layer.Alpha.Height;
    const int lx0 = int(std::clamp<int64_t>(layer.Left, s.X0, s.X1));
    const int lx1 = int(std::clamp<int64_t>(layerRight, s.X0, s.X1));
    const qsizetype mx0 = qsizetype(s.X0 - pass.OriginX); // mask column of the span's start
    std::vector<double> coverage(size_t(s.X1 - s.X0));

    for (int y = s.Y0; y < s.Y1; ++y) {
        // Row pointers at the span's first pixel; a part starting at
        // document column x begins x - X0 pixels further on.
        uint8_t* dst = target.row(y) + bpp * qsizetype(s.X0);
        const int my = int(y - pass.OriginY);
        const uint8_t* mask = pass.Mask.row(my) + mx0;
        const uint8_t* colours = Gradient ? pass.Colours.row(my) + 3 * mx0 : nullptr;
        auto part = [&](int x0, int x1, const uint8_t* alpha) {
            const qsizetype k = x0 - s.X0;
            const uint8_t* c = Gradient ? colours + 3 * k : nullptr;
            if (alpha != nullptr)
                outerSpan<T, Gradient, true>(image, dst + bpp * k, mask + k, c, alpha, x1 - x0,
                                             pass, weight, mapped, offLayer, coverage.data() + k);
            else
                outerSpan<T, Gradient, false>(image, dst + bpp * k, mask + k, c, nullptr, x1 - x0,
                                              pass, weight, mapped, offLayer, coverage.data() + k);
        };
        if (y < layer.Top || y >= layerBottom || lx0 == lx1) {
            part(s.X0, s.X1, nullptr);
            continue;
        }
        part(s.X0, lx0, nullptr);
        part(lx0, lx1, layer.Alpha.row(int(y - layer.Top)) + (lx0 - layer.Left));
        part(lx1, s.X1, nullptr);
    }
}

template <EffectTarget T, bool Gradient>
void innerRows(TlxImage& image, const PixelView& target, const LayerCoverage& layer,
               const EffectPass& pass, const Span& s) {
    constexpr int bpp = bytesPerPixel<T>();
    // m / 255 * e for every mask byte, in the formula's own order.
    double strength[256];
    for (int m = 0; m < 256; ++m)
        strength[m] = m / 255.0 * pass.Opacity;
    double mapped[256]; // the mapped alpha bytes as doubles
    for (int a = 0; a < 256; ++a)
        mapped[a] = pass.Map[size_t(a)];

    const int n = s.X1 - s.X0;
    const qsizetype mx0 = qsizetype(s.X0 - pass.OriginX);
    const qsizetype ax0 = qsizetype(s.X0 - layer.Left);
    std::vector<double> coverage(static_cast<size_t>(n));
    for (int y = s.Y0; y < s.Y1; ++y) {
        uint8_t* dst = target.row(y) + bpp * qsizetype(s.X0);
        const int my = int(y - pass.OriginY);
        const uint8_t* mask = pass.Mask.row(my) + mx0;
        const uint8_t* colours = Gradient ? pass.Colours.row(my) + 3 * mx0 : nullptr;
        const uint8_t* alpha = layer.Alpha.row(int(y - layer.Top)) + ax0;
        // Mask byte 0 has strength 0 and map byte 0 gives 0: coverage 0, the
        // pixel left alone, without a branch.
        coverageProductRow(alpha, mapped, mask, strength, coverage.data(), n);
        if constexpr (T == EffectTarget::Argb32)
            for (int i = 0; i < n; ++i)
                if (coverage[size_t(i)] != 0.0) growCoverage<T>(dst + bpp * i, coverage[size_t(i)]);
        image.BlendPixelRow(
            {dst, bpp, colours, pass.Packed, coverage.data(), nullptr, n, pass.Mode});
    }
}

} // namespace

bool readableLayer(const TlxLayer& Layer, LayerCoverage& Out) {
    if (Layer.Alpha.isNull() || !isGrey(Layer.Alpha) || Layer.Alpha.size() != Layer.Bitmap.size())
        return false;
    Out.Alpha = constViewOf(Layer.Alpha);
    Out.Left = Layer.Left;
    Out.Top = Layer.Top;
    return Out.Alpha.Data != nullptr;
}

bool maskFits(const QImage& Mask, const QImage& Alpha, int Margin) {
    const int64_t grow = 4 * int64_t(Margin);
    return !Mask.isNull() && isGrey(Mask) && Mask.width() == Alpha.width() + grow &&
           Mask.height() == Alpha.height() + grow;
}

QImage alphaToMask(const QImage& Alpha, int Margin) {
    if (Alpha.isNull() || !isGrey(Alpha) || Margin < 0) return QImage();
    const int64_t width = Alpha.width() + 4 * int64_t(Margin);
    const int64_t height = Alpha.height() + 4 * int64_t(Margin);
    if (!TlxImage::PictureSizeAllowed(width, height)) return QImage();
    QImage mask = lx::newPicture(int(width), int(height), QImage::Format_Grayscale8);
    if (mask.isNull()) return mask;
    const PixelView dst = viewOf(mask);
    const ConstPixelView src = constViewOf(Alpha);
    const int at = 2 * Margin;
    const size_t rowBytes = size_t(mask.bytesPerLine());
    lx::forRowBands(dst.Height, qsizetype(rowBytes), [&](qsizetype first, qsizetype end) {
        for (qsizetype y = first; y < end; ++y) {
            uint8_t* row = dst.row(int(y));
            if (y < at || y >= at + src.Height) {
                std::memset(row, 0, rowBytes);
                continue;
            }
            std::memset(row, 0, size_t(at));
            std::memcpy(row + at, src.row(int(y) - at), size_t(src.Width));
            std::memset(row + at + src.Width, 0, rowBytes - size_t(at) - size_t(src.Width));
        }
    });
    return mask;
}

void shapeOuterMask(PixelView Mask, int Spread, int Size) {
    if (Spread >= 1) {
        // The blurred spread touches every pixel within about Spread of the
        // shape; hardening all of them grows the shape with a hard edge.
        blurBy(Mask, Spread);
        mapBytes(Mask, makeMap([](int v) { return v != 0 ? 255 : 0; }));
        if (Size - Spread >= 1) blurBy(Mask, Size - Spread);
    } else if (Size != 0) {
        blurBy(Mask, Size);
    }
}

void shapeInnerMask(PixelView Mask, int Spread, int Size) {
    if (Spread >= 1) {
        // Only bytes the blur left (nearly) full lie deeper than the spread
        // inside the shape; the rest goes, which shrinks it with a hard edge.
        blurBy(Mask, Spread);
        mapBytes(Mask, makeMap([](int v) { return v < 253 ? 0 : v; }));
        if (Size - Spread >= 1) blurBy(Mask, Size - Spread);
    } else if (Size != 0) {
        blurBy(Mask, Size);
    }
    mapBytes(Mask, makeMap([](int v) { return 255 - v; }));
}

void shapeStrokeMask(PixelView Mask, int Size, int Softness) {
    if (Size > 0) {
        blurBy(Mask, Size);
        // Bytes above T become solid; below it, for the small sizes, the
        // ramp 0..T is stretched to 0..255 so the rim stays anti-aliased.
        const int t = strokeThreshold(Size);
        mapBytes(Mask, makeMap([t](int v) {
                     if (v > t) return 255;
                     if (t > 3) return RoundEven(v / double(t) * 255);
                     return v;
                 }));
    }
    if (Softness != 0) blurBy(Mask, Softness);
}

QImage buildOuterMask(const QImage& Alpha, int Spread, int Size) {
    return shaped(Alpha, EffectMargin(Size, Spread), shapeOuterMask, Spread, Size);
}

QImage buildInnerMask(const QImage& Alpha, int Spread, int Size) {
    return shaped(Alpha, EffectMargin(Size, Spread), shapeInnerMask, Spread, Size);
}

QImage buildStrokeMask(const QImage& Alpha, int Size, int Softness) {
    return shaped(Alpha, Size + Softness, shapeStrokeMask, Size, Softness);
}

void storeContour(TlxContour& Contour, bool UseContour, int PointCount,
                  const TlxImage::ContourPointArray& Points,
                  const TlxImage::ContourTableArray& Table) {
    const int count = limitContourPoints(PointCount);
    Contour.UseContour = UseContour ? 1 : 0;
    Contour.PointCount = count;
    std::copy_n(Points.begin(), count, Contour.Points);
    std::copy_n(Table.begin(), 256, Contour.Table);
}

ByteMap contourMap(const TlxContour& Contour, bool Invert) {
    const bool use = Contour.UseContour != 0;
    return makeMap([&](int v) {
        const int mapped = use ? Contour.Table[v] : v;
        return Invert ? 255 - mapped : mapped;
    });
}

ByteMap identityMap() {
    return makeMap([](int v) { return v; });
}

template <EffectTarget T>
void drawOuterRule(TlxImage& Image, const PixelView& Target, const LayerCoverage& Layer,
                   const EffectPass& Pass) {
    const Span s = clipToTarget(Pass.OriginX, Pass.OriginY, Pass.Mask.Width, Pass.Mask.Height,
                                Target.Width, Target.Height);
    if (s.empty() || Pass.Opacity == 0.0) return;
    if (Pass.Colours.Data != nullptr)
        outerRows<T, true>(Image, Target, Layer, Pass, s);
    else
        outerRows<T, false>(Image, Target, Layer, Pass, s);
}

template <EffectTarget T>
void drawInnerRule(TlxImage& Image, const PixelView& Target, const LayerCoverage& Layer,
                   const EffectPass& Pass) {
    // The layer's rectangle on the target, then only where the mask lies;
    // mask origins may lie far beyond the 32-bit range, so the cut is made
    // in 64 bits and only an area known to lie on the target is narrowed.
    const Span layerSpan = clipToTarget(Layer.Left, Layer.Top, Layer.Alpha.Width,
                                        Layer.Alpha.Height, Target.Width, Target.Height);
    const int64_t x0 = std::max<int64_t>(layerSpan.X0, Pass.OriginX);
    const int64_t y0 = std::max<int64_t>(layerSpan.Y0, Pass.OriginY);
    const int64_t x1 = std::min<int64_t>(layerSpan.X1, Pass.OriginX + Pass.Mask.Width);
    const int64_t y1 = std::min<int64_t>(layerSpan.Y1, Pass.OriginY + Pass.Mask.Height);
    if (x0 >= x1 || y0 >= y1 || Pass.Opacity == 0.0) return;
    const Span s{int(x0), int(y0), int(x1), int(y1)};
    if (Pass.Colours.Data != nullptr)
        innerRows<T, true>(Image, Target, Layer, Pass, s);
    else
        innerRows<T, false>(Image, Target, Layer, Pass, s);
}

template void drawOuterRule<EffectTarget::Bgr24>(TlxImage&, const PixelView&, const LayerCoverage&,
                                                 const EffectPass&);
template void drawOuterRule<EffectTarget::Argb32>(TlxImage&, const PixelView&, const LayerCoverage&,
                                                  const EffectPass&);
template void drawInnerRule<EffectTarget::Bgr24>(TlxImage&, const PixelView&, const LayerCoverage&,
                                                 const EffectPass&);
template void drawInnerRule<EffectTarget::Argb32>(TlxImage&, const PixelView&, const LayerCoverage&,
                                                  const EffectPass&);

} // namespace lx

bool TlxImage::GaussianBlurMask(QImage& Mask, double Radius) {
    if (Mask.isNull() || Mask.depth() != 8 || !std::isfinite(Radius) || Radius <= 0) return false;
    try {
        lx::gaussianBlurMask(viewOf(Mask), Radius);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
