// Composition of all visible layers into the display bitmap.

#include "compose/compose_cache.h"
#include "compose/compose_kernels.h"
#include "compose/mode_rows.h"
#include "core/pixel_view.h"
#include "effects/effect_draw.h"
#include "lxImage.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace {

bool isBgr(const QImage& image) {
    return image.format() == QImage::Format_BGR888;
}
bool isGrey(const QImage& image) {
    return image.format() == QImage::Format_Grayscale8;
}

// A slot the compositor can read safely: pictures of the agreed formats and
// matching sizes. Anything else is left out rather than read out of bounds.
bool layerIsReadable(const TlxLayer& layer) {
    if (layer.Bitmap.isNull() || !isBgr(layer.Bitmap) || !isGrey(layer.Alpha) ||
        layer.Alpha.size() != layer.Bitmap.size())
        return false;
    return !layer.HasMask || (isBgr(layer.Mask) && layer.Mask.size() == layer.Bitmap.size());
}

void fillBackground(const PixelView& target, TColor color) {
    std::vector<uint8_t> row(size_t(target.Width) * 3);
    for (int x = 0; x < target.Width; ++x) {
        row[size_t(3 * x)] = uint8_t(color >> 16);    // blue
        row[size_t(3 * x + 1)] = uint8_t(color >> 8); // green
        row[size_t(3 * x + 2)] = uint8_t(color);      // red
    }
    for (int y = 0; y < target.Height; ++y)
        std::memcpy(target.row(y), row.data(), row.size());
}

// The effects in their drawing order: those under the layer's own pixels
// (knocked out by its coverage), then those over them (confined to it).
// Each step names when it applies and the pass that draws it.
struct EffectStep {
    bool (*applies)(const TlxLayerStyle&);
    lx::DrawPass pass;
};

bool strokeOutside(const TlxLayerStyle& s) {
    return s.StrokeOn && lx::strokeOutside(s.Stroke);
}
bool strokeInside(const TlxLayerStyle& s) {
    return s.StrokeOn && lx::strokeInside(s.Stroke);
}

using lx::DrawPass;

const EffectStep kUnderLayer[] = {
    {[](const TlxLayerStyle& s) { return s.DropShadowOn; }, DrawPass::DropShadow},
    {[](const TlxLayerStyle& s) { return s.OuterGlowOn; }, DrawPass::OuterGlow},
    {[](const TlxLayerStyle& s) { return strokeOutside(s) && !s.StrokeGradientOn; },
     DrawPass::StrokeOuter},
    {[](const TlxLayerStyle& s) { return strokeOutside(s) && s.StrokeGradientOn; },
     DrawPass::GradientStrokeOuter},
    {[](const TlxLayerStyle& s) { return s.BevelOn && s.Bevel.BevelKind == lx::BevelOuter; },
     DrawPass::OuterBevel},
};

const EffectStep kOverLayer[] = {
    {[](const TlxLayerStyle& s) { return s.ColorOverlayOn; }, DrawPass::ColorOverlay},
    {[](const TlxLayerStyle& s) { return s.GradientOverlayOn; }, DrawPass::GradientOverlay},
    {[](const TlxLayerStyle& s) { return s.PatternOverlayOn; }, DrawPass::PatternOverlay},
    {[](const TlxLayerStyle& s) { return s.InnerShadowOn; }, DrawPass::InnerShadow},
    {[](const TlxLayerStyle& s) { return s.InnerGlowOn; }, DrawPass::InnerGlow},
    {[](const TlxLayerStyle& s) { return strokeInside(s) && !s.StrokeGradientOn; },
     DrawPass::StrokeInner},
    {[](const TlxLayerStyle& s) { return strokeInside(s) && s.StrokeGradientOn; },
     DrawPass::GradientStrokeInner},
    {[](const TlxLayerStyle& s) { return s.BevelOn && s.Bevel.BevelKind == lx::BevelInner; },
     DrawPass::InnerBevel},
};

// A layer takes part in composing when it is visible and either its
// opacity or its effects can show.
bool layerShows(const TlxLayer& layer) {
    return layer.Visible && (layer.Opacity != 0 || layer.Style.EffectsIgnoreOpacity);
}

} // namespace

bool lx::layerDrawn(const TlxLayer& Layer) {
    return layerShows(Layer) && layerIsReadable(Layer);
}

template <lx::EffectTarget T>
bool TlxImage::drawLayerEffects(QImage& Target, const TlxLayer& Layer, bool UnderLayer) {
    bool ok = true;
    for (const EffectStep& step : UnderLayer ? std::span<const EffectStep>(kUnderLayer)
                                             : std::span<const EffectStep>(kOverLayer))
        if (step.applies(Layer.Style) && !lx::drawEffectPass<T>(*this, step.pass, Target, Layer))
            ok = false;
    return ok;
}

bool TlxImage::ComposeImage(QImage& Target) {
    try {
        if (!composeBackground(Target)) return false;
        composeLayers(Target, 0, layersInUse());
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::composeBackground(QImage& Target) {
    if (Target.isNull() || !isBgr(Target) || Target.width() != ImageWidth ||
        Target.height() != ImageHeight)
        return false;
    if (BackgroundMode == lxBackTransparent &&
        (BackBmp.size() != Target.size() || !isGrey(BackBmp)))
        return false;
    const PixelView target = viewOf(Target);
    if (BackgroundMode != lxBackTransparent) {
        fillBackground(target, BackColor);
    } else {
        const ConstPixelView back = constViewOf(BackBmp);
        for (int y = 0; y < target.Height; ++y)
            lx::greyToBgrRow(target.row(y), back.row(y), target.Width);
    }
    return true;
}

bool TlxImage::composeLayers(QImage& Target, int From, int To) {
    bool ok = true;
    for (int i = std::max(From, 0); i < std::min(To, layersInUse()); ++i) {
        const TlxLayer& layer = Layers[size_t(i)];
        if (!lx::layerDrawn(layer)) continue;
        ok = drawLayerEffects<lx::EffectTarget::Bgr24>(Target, layer, true) && ok;
        if (layer.Opacity != 0) drawLayerPixels(Target, layer);
        ok = drawLayerEffects<lx::EffectTarget::Bgr24>(Target, layer, false) && ok;
    }
    return ok;
}

void TlxImage::drawLayerPixels(QImage& Target, const TlxLayer& layer) {
    const int64_t left = layer.Left;
    const int64_t top = layer.Top;
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(left + layer.Bitmap.width(), ImageWidth);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(top + layer.Bitmap.height(), ImageHeight);
    if (x0 >= x1 || y0 >= y1) return;

    const PixelView target = viewOf(Target);
    const ConstPixelView bitmap = constViewOf(layer.Bitmap);
    const ConstPixelView alpha = constViewOf(layer.Alpha);
    const int n = int(x1 - x0);
    const int lx0 = int(x0 - left);

    if (!layer.HasMask && layer.BlendMode == lx::BlendNormal && layer.Opacity == 1.0) {
        const lx::NormalRowFn blendRow = lx::normalOpaqueRowKernel();
        for (int64_t y = y0; y < y1; ++y) {
            const int ly = int(y - top);
            blendRow(target.row(int(y)) + 3 * x0, bitmap.row(ly) + 3 * lx0, alpha.row(ly) + lx0, n);
        }
        return;
    }

    // Coverage of each alpha byte at this opacity, computed as the per-pixel
    // formula does: alpha / 255 * opacity.
    double coverage[256];
    for (int a = 0; a < 256; ++a)
        coverage[a] = double(a) / 255 * layer.Opacity;

    const ConstPixelView mask = layer.HasMask ? constViewOf(layer.Mask) : ConstPixelView{};
    // The other modes take a row of coverages and one row call per row.
    std::vector<double> rowCoverage(layer.BlendMode == lx::BlendNormal ? 0 : size_t(n));
    for (int64_t y = y0; y < y1; ++y) {
        const int ly = int(y - top);
        uint8_t* d = target.row(int(y)) + 3 * x0;
        const uint8_t* s = bitmap.row(ly) + 3 * lx0;
        const uint8_t* a = alpha.row(ly) + lx0;
        const uint8_t* m = layer.HasMask ? mask.row(ly) + 3 * lx0 : nullptr;
        if (layer.BlendMode == lx::BlendNormal) {
            lx::blendNormalRow(d, s, a, m, n, coverage);
            continue;
        }
        for (int x = 0; x < n; ++x)
            rowCoverage[size_t(x)] = coverage[a[x]];
        BlendPixelRow({d, 3, s, 0, rowCoverage.data(), m, n, layer.BlendMode,
                       layer.Opacity == 1.0 ? a : nullptr});
    }
}

bool TlxImage::RenderToAlphaBitmap(QImage& Target) {
    try {
        if (ImageWidth <= 0 || ImageHeight <= 0) return false;
        if (Target.format() != QImage::Format_ARGB32 || Target.width() != ImageWidth ||
            Target.height() != ImageHeight) {
            QImage target(ImageWidth, ImageHeight, QImage::Format_ARGB32);
            if (target.isNull()) return false;
            Target = std::move(target);
        }
        // The background colour with no coverage at all.
        const PixelView view = viewOf(Target);
        for (int y = 0; y < view.Height; ++y) {
            uint8_t* d = view.row(y);
            for (int x = 0; x < view.Width; ++x, d += 4) {
                d[0] = uint8_t(BackColor >> 16);
                d[1] = uint8_t(BackColor >> 8);
                d[2] = uint8_t(BackColor);
                d[3] = 0;
            }
        }
        for (int i = 0; i < layersInUse(); ++i) {
            const TlxLayer& layer = Layers[size_t(i)];
            if (!lx::layerDrawn(layer)) continue;
            drawLayerEffects<lx::EffectTarget::Argb32>(Target, layer, true);
            if (layer.Opacity != 0) drawLayerPixelsWithCoverage(Target, layer);
            drawLayerEffects<lx::EffectTarget::Argb32>(Target, layer, false);
        }
        return true;
    } catch (...) {
        return false;
    }
}

void TlxImage::drawLayerPixelsWithCoverage(QImage& Target, const TlxLayer& layer) {
    const lx::Span s = lx::clipToTarget(layer.Left, layer.Top, layer.Bitmap.width(),
                                        layer.Bitmap.height(), Target.width(), Target.height());
    if (s.empty()) return;
    const PixelView target = viewOf(Target);
    const ConstPixelView bitmap = constViewOf(layer.Bitmap);
    const ConstPixelView alpha = constViewOf(layer.Alpha);
    const ConstPixelView mask = layer.HasMask ? constViewOf(layer.Mask) : ConstPixelView{};
    const int n = s.X1 - s.X0;
    const int lx0 = s.X0 - layer.Left;
    double coverage[256];
    for (int a = 0; a < 256; ++a)
        coverage[a] = double(a) / 255 * layer.Opacity;
    std::vector<double> rowCoverage(static_cast<size_t>(n));
    for (int y = s.Y0; y < s.Y1; ++y) {
        const int ly = y - layer.Top;
        const uint8_t* src = bitmap.row(ly) + 3 * lx0;
        const uint8_t* a = alpha.row(ly) + lx0;
        const uint8_t* m = layer.HasMask ? mask.row(ly) + 3 * lx0 : nullptr;
        uint8_t* d = target.row(y) + 4 * s.X0;
        // The coverage byte of each pixel grows first; the colour bytes are
        // independent of it and follow in one row call.
        for (int x = 0; x < n; ++x) {
            const double c = coverage[a[x]];
            rowCoverage[size_t(x)] = c;
            if (a[x] == 0) continue;
            uint8_t& cover = d[4 * x + 3];
            if (m == nullptr) {
                cover = uint8_t(std::min(255, RoundEven(cover + 255 * c)));
            } else {
                // The mask's grey level scales the coverage the layer leaves.
                const uint8_t* mp = m + 3 * x;
                const int level = mp[0] + mp[1] + mp[2];
                cover = uint8_t(std::min(255, RoundEven(255 * c * level / 765 + cover)));
            }
        }
        BlendPixelRow({d, 4, src, 0, rowCoverage.data(), m, n, layer.BlendMode});
    }
}
