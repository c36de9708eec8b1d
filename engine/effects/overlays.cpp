// Colour, gradient and pattern overlays: passes over the layer's own
// rectangle, confined to its coverage.

#include "compose/mode_rows.h"
#include "core/picture_convert.h"
#include "core/picture_memory.h"
#include "core/pixel_view.h"
#include "effects/effect_draw.h"
#include "effects/effects.h"
#include "lxGradient.h"

#include <QPainter>

#include <array>
#include <cstring>
#include <vector>

namespace lx {
namespace {

// The stops of a record as the renderers take them: in order, or from the
// last to the first when reversed (each stop keeping its own length).
std::vector<TColorlistItem> workingStops(const TlxGradientStyle& style) {
    const int count = std::clamp(style.StopCount, 0, TlxGradientStyle::MaxStops);
    std::vector<TColorlistItem> stops(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        stops[size_t(i)] = style.Stops[style.Reverse ? count - 1 - i : i];
    return stops;
}

QColor qColorOf(uint32_t color) {
    const uint32_t rgb = ResolveColor(color);
    return QColor(int(rgb & 255), int(rgb >> 8 & 255), int(rgb >> 16 & 255));
}

} // namespace

bool renderGradientStyle(QImage& Bitmap, const TlxGradientStyle& Style) {
    if (Bitmap.isNull() || Bitmap.format() != QImage::Format_BGR888) return false;
    const std::vector<TColorlistItem> stops = workingStops(Style);
    const int count = int(stops.size());
    const int w = Bitmap.width(), h = Bitmap.height();
    QPainter painter(&Bitmap);
    switch (Style.GradientKind) {
    case lxGradientHorizontal:
        FillGradientHorizontal(stops.data(), count, painter, 0, 0, w, h);
        break;
    case lxGradientVertical:
        FillGradientVertical(stops.data(), count, painter, 0, 0, w, h);
        break;
    case lxGradientRectangle:
    case lxGradientEllipse:
        // The outlines leave the corners; they take the outermost colour.
        if (count > 0) painter.fillRect(0, 0, w, h, qColorOf(stops.back().Color));
        if (Style.GradientKind == lxGradientRectangle)
            FillGradientRectangle(stops.data(), count, painter, 0, 0, w, h);
        else
            FillGradientEllipse(stops.data(), count, painter, 0, 0, w, h);
        break;
    case lxGradientDiagonal: {
        // The angle 0..360 maps onto the two diagonal variants; angles
        // 180 apart give the same picture.
        int a = Style.Angle;
        if (a < 0 || a > 360) a = (a % 360 + 360) % 360;
        if (a <= 90)
            FillGradientDiagonalMirrored(stops.data(), count, painter, a / 90.0, w, h);
        else if (a <= 180)
            FillGradientDiagonal(stops.data(), count, painter, 1 - (a - 90) / 90.0, w, h);
        else if (a <= 270)
            FillGradientDiagonalMirrored(stops.data(), count, painter, (a - 180) / 90.0, w, h);
        else
            FillGradientDiagonal(stops.data(), count, painter, 1 - (a - 270) / 90.0, w, h);
        break;
    }
    default:
        break; // an unknown kind paints nothing
    }
    return true;
}

} // namespace lx

namespace {

// Stores a stop list in a gradient record: at most 51 stops, never more
// than the list holds.
void storeStops(TlxGradientStyle& style, const TColorlistSrcd& gradient) {
    const int count = std::clamp(
        gradient.Count, 0, std::min<int>(TlxGradientStyle::MaxStops, int(gradient.Stops.size())));
    style.StopCount = count;
    for (int i = 0; i < count; ++i)
        style.Stops[i] = gradient.Stops[size_t(i)];
}

QImage renderedGradient(const TlxGradientStyle& style, QSize size) {
    if (!TlxImage::PictureSizeAllowed(size.width(), size.height())) return QImage();
    QImage bitmap = lx::filledPicture(size.width(), size.height(), QImage::Format_BGR888, 0);
    if (bitmap.isNull()) return bitmap;
    if (!lx::renderGradientStyle(bitmap, style)) return QImage();
    return bitmap;
}

// The layer pictures an overlay pass reads: coverage of the image's size.
bool overlayReadable(const TlxLayer& layer) {
    return !layer.Bitmap.isNull() && layer.Alpha.format() == QImage::Format_Grayscale8 &&
           layer.Alpha.size() == layer.Bitmap.size();
}

} // namespace

bool TlxImage::SetGradientOverlay(int Layer, uint8_t BlendMode, uint8_t Opacity,
                                  uint8_t GradientKind, const TColorlistSrcd& Gradient,
                                  bool Reverse, int Angle) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        TlxGradientStyle style = layer.Style.GradientOverlay;
        style.BlendMode = BlendMode;
        style.GradientKind = GradientKind;
        style.Opacity = Opacity;
        style.Reverse = Reverse ? 1 : 0;
        style.Angle = Angle;
        storeStops(style, Gradient);
        QImage bitmap = renderedGradient(style, layer.Alpha.size());
        if (bitmap.isNull()) return false;
        layer.Style.GradientOverlay = style;
        layer.Style.GradientOverlayBitmap = std::move(bitmap);
        layer.Style.GradientOverlayOn = true;
        return true;
    });
}

bool TlxImage::RebuildGradientOverlay(int Layer) {
    if (!validIndex(Layer)) return false;
    if (!Layers[size_t(Layer)].Style.GradientOverlayOn) return true;
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        QImage bitmap = renderedGradient(layer.Style.GradientOverlay, layer.Alpha.size());
        if (bitmap.isNull()) return false;
        layer.Style.GradientOverlayBitmap = std::move(bitmap);
        return true;
    });
}

bool TlxImage::SetPatternOverlay(int Layer, uint8_t BlendMode, uint8_t Opacity,
                                 const QImage& Pattern) {
    if (!validIndex(Layer)) return false;
    try {
        if (Pattern.isNull() || !PictureSizeAllowed(Pattern.width(), Pattern.height()))
            return false;
        // A tile with an alpha channel keeps its coverage as the fourth byte.
        QImage tile = Pattern.hasAlphaChannel() ? Pattern.convertToFormat(QImage::Format_ARGB32)
                                                : lx::toBgr(Pattern);
        if (tile.isNull()) return false;
        TlxLayer& layer = Layers[size_t(Layer)];
        layer.Style.PatternBitmap = tile.copy();
        layer.Style.PatternOverlayOn = true;
        layer.Style.PatternOverlay.BlendMode = BlendMode;
        layer.Style.PatternOverlay.Opacity = Opacity;
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

// Visits the layer's rectangle on the target row by row. For each row,
// coverage(layer x, layer y, alpha byte) gives every pixel's coverage (0 for
// alpha 0, which leaves the pixel alone), and colours(layer x0, layer y, n)
// the row's source colours (blue-green-red) or null for the solid colour;
// the row is then blended in one call.
template <lx::EffectTarget T, typename Coverage, typename Colours>
void overlayRows(TlxImage& image, QImage& target, const TlxLayer& layer, uint8_t mode,
                 uint32_t solid, Coverage coverageOf, Colours coloursOf) {
    const lx::Span s = lx::clipToTarget(layer.Left, layer.Top, layer.Bitmap.width(),
                                        layer.Bitmap.height(), target.width(), target.height());
    if (s.empty()) return;
    const PixelView view = viewOf(target);
    const ConstPixelView alpha = constViewOf(layer.Alpha);
    constexpr int step = lx::bytesPerPixel<T>();
    const int n = s.X1 - s.X0;
    const int px0 = s.X0 - layer.Left;
    std::vector<double> coverage(static_cast<size_t>(n));
    for (int y = s.Y0; y < s.Y1; ++y) {
        const int ly = y - layer.Top;
        const uint8_t* a = alpha.row(ly) + px0;
        uint8_t* d = view.row(y) + step * s.X0;
        // Every coverage has the alpha byte as a factor, so alpha 0 gives 0.
        for (int i = 0; i < n; ++i)
            coverage[size_t(i)] = coverageOf(px0 + i, ly, a[i]);
        if constexpr (T == lx::EffectTarget::Argb32)
            for (int i = 0; i < n; ++i)
                if (a[i] != 0) lx::growCoverage<T>(d + step * i, coverage[size_t(i)]);
        image.BlendPixelRow(
            {d, step, coloursOf(px0, ly, n), solid, coverage.data(), nullptr, n, mode});
    }
}

// a * e / 255 for every alpha byte a, the overlays' coverage.
std::array<double, 256> coverageByAlpha(double e) {
    std::array<double, 256> c{};
    for (int a = 0; a < 256; ++a)
        c[size_t(a)] = a * e / 255;
    return c;
}

template <lx::EffectTarget T>
bool drawColorOverlay(TlxImage& image, QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.ColorOverlayOn) return true;
    if (!lx::targetFits<T>(Target, image.ImageWidth, image.ImageHeight) || !overlayReadable(Layer))
        return false;
    const double e = TlxImage::EffectOpacity(Layer, style.ColorOverlay.Opacity);
    const uint32_t colour = lx::packForBlend(style.ColorOverlay.Color);
    const auto byAlpha = coverageByAlpha(e);
    overlayRows<T>(
        image, Target, Layer, style.ColorOverlay.BlendMode, colour,
        [&](int, int, uint8_t a) { return byAlpha[a]; },
        [](int, int, int) -> const uint8_t* { return nullptr; });
    return true;
}

template <lx::EffectTarget T>
bool drawGradientOverlay(TlxImage& image, QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.GradientOverlayOn) return true;
    if (!lx::targetFits<T>(Target, image.ImageWidth, image.ImageHeight) || !overlayReadable(Layer))
        return false;
    const QImage& gradient = style.GradientOverlayBitmap;
    if (gradient.format() != QImage::Format_BGR888 || gradient.size() != Layer.Bitmap.size())
        return false;
    const double e = TlxImage::EffectOpacity(Layer, style.GradientOverlay.Opacity);
    const ConstPixelView g = constViewOf(gradient);
    const auto byAlpha = coverageByAlpha(e);
    overlayRows<T>(
        image, Target, Layer, style.GradientOverlay.BlendMode, 0,
        [&](int, int, uint8_t a) { return byAlpha[a]; },
        [&](int px0, int py, int) { return g.row(py) + 3 * px0; });
    return true;
}

template <lx::EffectTarget T>
bool drawPatternOverlay(TlxImage& image, QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.PatternOverlayOn) return true;
    if (!lx::targetFits<T>(Target, image.ImageWidth, image.ImageHeight) || !overlayReadable(Layer))
        return false;
    const QImage& tile = style.PatternBitmap;
    const bool withCoverage = tile.format() == QImage::Format_ARGB32;
    if (tile.isNull() || (!withCoverage && tile.format() != QImage::Format_BGR888)) return false;
    const double e = TlxImage::EffectOpacity(Layer, style.PatternOverlay.Opacity);
    const ConstPixelView t = constViewOf(tile);
    const int step = withCoverage ? 4 : 3;
    // The tile repeats from the layer's top-left corner.
    auto tilePixel = [&](int px, int py) { return t.row(py % t.Height) + step * (px % t.Width); };
    std::vector<uint8_t> colours;
    overlayRows<T>(
        image, Target, Layer, style.PatternOverlay.BlendMode, 0,
        [&](int px, int py, uint8_t a) {
            return withCoverage ? tilePixel(px, py)[3] / 255.0 * (a * e / 255) : a * e / 255;
        },
        [&](int px0, int py, int n) {
            colours.resize(size_t(3 * n));
            for (int i = 0; i < n; ++i)
                std::memcpy(colours.data() + 3 * i, tilePixel(px0 + i, py), 3);
            return static_cast<const uint8_t*>(colours.data());
        });
    return true;
}

} // namespace

namespace lx {

// The overlays are row passes over the layer's rectangle; what they
// allocate (a row of coverages and colours) is covered by the compositor's
// own guard.
bool drawOverlayPass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                     const TlxLayer& Layer) {
    const bool bgr = Kind == EffectTarget::Bgr24;
    switch (Pass) {
    case DrawPass::ColorOverlay:
        return bgr ? drawColorOverlay<EffectTarget::Bgr24>(Image, Target, Layer)
                   : drawColorOverlay<EffectTarget::Argb32>(Image, Target, Layer);
    case DrawPass::GradientOverlay:
        return bgr ? drawGradientOverlay<EffectTarget::Bgr24>(Image, Target, Layer)
                   : drawGradientOverlay<EffectTarget::Argb32>(Image, Target, Layer);
    case DrawPass::PatternOverlay:
        return bgr ? drawPatternOverlay<EffectTarget::Bgr24>(Image, Target, Layer)
                   : drawPatternOverlay<EffectTarget::Argb32>(Image, Target, Layer);
    default:
        return false;
    }
}

} // namespace lx
