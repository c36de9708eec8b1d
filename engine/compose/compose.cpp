// Composition of all visible layers into the display bitmap.

#include "compose/compose_cache.h"
#include "compose/compose_kernels.h"
#include "compose/mode_rows.h"
#include "core/pixel_view.h"
#include "core/row_bands.h"
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

// Whether a layer's part of the picture is its pixels alone, blended row by
// row with nothing drawn in a fixed order across rows: no effect pass, and
// not dissolve, whose numbers run through the rows in turn.
bool TlxImage::drawnByRowsAlone(const TlxLayer& Layer) const {
    if (!lx::layerDrawn(Layer)) return true;
    for (const std::span<const EffectStep> steps :
         {std::span<const EffectStep>(kUnderLayer), std::span<const EffectStep>(kOverLayer)})
        for (const EffectStep& step : steps)
            if (step.applies(Layer.Style)) return false;
    return Layer.Opacity == 0 || Layer.BlendMode != lx::BlendDissolve;
}

bool TlxImage::composeLayers(QImage& Target, int From, int To) {
    bool ok = true;
    const int last = std::min(To, layersInUse());
    const bool perPixel = lx::perPixelBlendReference();
    for (int i = std::max(From, 0); i < last;) {
        // Layers one above the other that are their pixels alone go
        // together, band by band of the picture's rows.
        int run = i;
        while (!perPixel && run < last && drawnByRowsAlone(Layers[size_t(run)]))
            ++run;
        if (run > i) {
            drawLayerRun(Target, i, run);
            i = run;
            continue;
        }
        const TlxLayer& layer = Layers[size_t(i++)];
        if (!lx::layerDrawn(layer)) continue;
        ok = drawLayerEffects<lx::EffectTarget::Bgr24>(Target, layer, true) && ok;
        if (layer.Opacity != 0) drawLayerPixels(Target, layer);
        ok = drawLayerEffects<lx::EffectTarget::Bgr24>(Target, layer, false) && ok;
    }
    return ok;
}

void TlxImage::drawLayerRun(QImage& Target, int From, int To) {
    qint64 area = 0;
    for (int i = From; i < To; ++i) {
        const TlxLayer& layer = Layers[size_t(i)];
        if (lx::layerDrawn(layer) && layer.Opacity != 0)
            area += qint64(layer.Bitmap.width()) * layer.Bitmap.height();
    }
    if (area == 0 || ImageHeight <= 0) return;
    lx::forRowBands(ImageHeight, 3 * (area / ImageHeight + 1), [&](qsizetype first, qsizetype end) {
        std::minstd_rand unused = DissolveRng; // no layer of a run dissolves
        for (int i = From; i < To; ++i) {
            const TlxLayer& layer = Layers[size_t(i)];
            if (lx::layerDrawn(layer) && layer.Opacity != 0)
                drawLayerRows(Target, layer, first, end, unused);
        }
    });
}

// Dissolve's generator n draws on: minstd_rand steps x to 48271 x mod
// (2^31 - 1), so n steps multiply by 48271^n, found by squaring.
static uint32_t dissolveStateAfter(uint32_t state, qint64 draws) {
    constexpr uint64_t kModulus = 2147483647;
    uint64_t factor = 48271, result = state;
    for (; draws > 0; draws >>= 1) {
        if (draws & 1) result = result * factor % kModulus;
        factor = factor * factor % kModulus;
    }
    return uint32_t(result);
}

// The rows of a layer that fall on target rows From .. End - 1. Dissolve
// takes its numbers from Rng, which is left where the rows leave it.
void TlxImage::drawLayerRows(QImage& Target, const TlxLayer& layer, int64_t From, int64_t End,
                             std::minstd_rand& Rng) {
    const int64_t left = layer.Left;
    const int64_t top = layer.Top;
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(left + layer.Bitmap.width(), ImageWidth);
    const int64_t y0 = std::max<int64_t>({top, int64_t(0), From});
    const int64_t y1 = std::min<int64_t>({top + layer.Bitmap.height(), int64_t(ImageHeight), End});
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
    const bool perPixel = lx::perPixelBlendReference();
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
        lx::BlendRow row{d, 3, s, 0, rowCoverage.data(), m, n, layer.BlendMode};
        row.Alpha = layer.Opacity == 1.0 ? a : nullptr;
        if (perPixel)
            BlendPixelRow(row); // the reference, with the document's generator
        else
            lx::blendModeRow(row, BlendTables, Rng);
    }
}

// One layer's rows, shared out in bands. Dissolve draws one number per
// covered pixel in pixel order: a band starts its generator where the rows
// above it leave it, by counting their covered pixels, and the document's
// generator ends where the last band leaves it. The per-pixel reference
// keeps to one thread.
void TlxImage::drawLayerPixels(QImage& Target, const TlxLayer& layer) {
    const int64_t top = std::max<int64_t>(layer.Top, 0);
    const int64_t bottom =
        std::min<int64_t>(int64_t(layer.Top) + layer.Bitmap.height(), ImageHeight);
    if (top >= bottom) return;
    if (lx::perPixelBlendReference()) {
        drawLayerRows(Target, layer, top, bottom, DissolveRng);
        return;
    }
    const bool dissolve = layer.BlendMode == lx::BlendDissolve;
    bool covered[256];
    for (int a = 0; a < 256; ++a)
        covered[a] = double(a) / 255 * layer.Opacity != 0.0;
    const int64_t x0 = std::max<int64_t>(layer.Left, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(layer.Left) + layer.Bitmap.width(), ImageWidth);
    const int n = int(std::max<int64_t>(x1 - x0, 0));
    const int lx0 = int(x0 - layer.Left);
    const ConstPixelView alpha = constViewOf(layer.Alpha);
    // The numbers the covered pixels of rows top .. top + Rows - 1 draw.
    const auto drawsAbove = [&](qsizetype Rows) {
        qint64 draws = 0;
        for (int64_t y = top; y < top + Rows; ++y) {
            const uint8_t* a = alpha.row(int(y - layer.Top)) + lx0;
            for (int x = 0; x < n; ++x)
                draws += covered[a[x]];
        }
        return draws;
    };
    const std::minstd_rand start = DissolveRng;
    std::minstd_rand finish = start;
    const qsizetype rows = qsizetype(bottom - top);
    lx::forRowBands(rows, 3 * qsizetype(n) + 1, [&](qsizetype first, qsizetype end) {
        std::minstd_rand rng = start;
        const qint64 before = dissolve && first > 0 ? drawsAbove(first) : 0;
        if (before > 0) rng.seed(dissolveStateAfter(uint32_t(rng()), before - 1));
        drawLayerRows(Target, layer, top + first, top + end, rng);
        if (end == rows) finish = rng;
    });
    if (dissolve) DissolveRng = finish;
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
