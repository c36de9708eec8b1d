// Bevel and stroke (solid or filled from a gradient): set-up, rebuild and
// the draw routines for both targets.
//
// The bevel keeps one inverted inner mask and draws it twice at opposite
// offsets: inside the layer with the inner rule (inner bevel), or outside it
// with the outer rule on the mask inverted back (outer bevel). The stroke
// keeps the layer's alpha dilated by its size; its outer part is the outer
// rule over that mask, its inner part the inner rule without contour, so a
// centred stroke covers the rim on both sides of the edge.

#include "core/picture_convert.h"
#include "effects/effect_draw.h"
#include "effects/effect_rules.h"
#include "lxImage.h"

#include <algorithm>

namespace {

using lx::EffectTarget;
using lx::guarded;

int bevelMargin(const TlxBevelStyle& bevel) {
    return EffectMargin(lx::limitEffectSize(bevel.Size), lx::limitEffectSize(bevel.Spread));
}

int strokeMargin(const TlxStrokeStyle& stroke) {
    return lx::limitEffectSize(stroke.Size) + lx::limitEffectSize(stroke.Softness);
}

bool strokeOutside(const TlxStrokeStyle& stroke) {
    return stroke.Position == lx::StrokeOutside || stroke.Position == lx::StrokeCentre;
}

bool strokeInside(const TlxStrokeStyle& stroke) {
    return stroke.Position == lx::StrokeInside || stroke.Position == lx::StrokeCentre;
}

// Both bevel passes read the same mask; only origin, colour, mode and
// opacity differ.
lx::EffectPass bevelPass(const TlxLayer& layer, const QImage& mask, int32_t drawX, int32_t drawY,
                         uint8_t mode, uint32_t color, uint8_t opacity, bool invert) {
    lx::EffectPass pass;
    pass.Mask = constViewOf(mask);
    pass.OriginX = int64_t(layer.Left) + drawX;
    pass.OriginY = int64_t(layer.Top) + drawY;
    pass.Mode = mode;
    pass.Packed = lx::packForBlend(color);
    pass.Opacity = TlxImage::EffectOpacity(layer, opacity);
    pass.Map = lx::contourMap(layer.Style.Bevel.Contour, invert);
    return pass;
}

// Inner bevel: highlight at its offset, then the shadow at the opposite
// one, both confined to the layer's alpha (the contour maps the alpha).
template <EffectTarget T>
bool drawInnerBevel(TlxImage& image, QImage& target, int width, int height, const TlxLayer& layer) {
    const TlxBevelStyle& bevel = layer.Style.Bevel;
    const QImage& mask = layer.Style.BevelMask;
    const lx::DrawSetup setup =
        lx::beginDraw<T>(target, width, height, layer, mask, bevelMargin(bevel));
    if (!setup.Proceed) return setup.Result;
    lx::drawInnerRule<T>(image, setup.Target, setup.Layer,
                         bevelPass(layer, mask, bevel.HighlightDrawX, bevel.HighlightDrawY,
                                   bevel.HighlightMode, bevel.HighlightColor,
                                   bevel.HighlightOpacity, false));
    lx::drawInnerRule<T>(image, setup.Target, setup.Layer,
                         bevelPass(layer, mask, bevel.ShadowDrawX, bevel.ShadowDrawY,
                                   bevel.ShadowMode, bevel.ShadowColor, bevel.ShadowOpacity,
                                   false));
    return true;
}

// Outer bevel: the inverted mask inverted back is the blurred shape. Shifted
// down-right (the highlight position) it shades the lower-right outside
// edge in the shadow colours; shifted up-left it lights the upper-left one.
template <EffectTarget T>
bool drawOuterBevel(TlxImage& image, QImage& target, int width, int height, const TlxLayer& layer) {
    const TlxBevelStyle& bevel = layer.Style.Bevel;
    const QImage& mask = layer.Style.BevelMask;
    const lx::DrawSetup setup =
        lx::beginDraw<T>(target, width, height, layer, mask, bevelMargin(bevel));
    if (!setup.Proceed) return setup.Result;
    lx::drawOuterRule<T>(image, setup.Target, setup.Layer,
                         bevelPass(layer, mask, bevel.HighlightDrawX, bevel.HighlightDrawY,
                                   bevel.ShadowMode, bevel.ShadowColor, bevel.ShadowOpacity, true));
    lx::drawOuterRule<T>(image, setup.Target, setup.Layer,
                         bevelPass(layer, mask, bevel.ShadowDrawX, bevel.ShadowDrawY,
                                   bevel.HighlightMode, bevel.HighlightColor,
                                   bevel.HighlightOpacity, true));
    return true;
}

enum class StrokePart { Outer, Inner };

// One part of the stroke, in its solid colour or (Gradient) with the colour
// of the stroke gradient at the mask coordinate.
template <EffectTarget T>
bool drawStroke(TlxImage& image, QImage& target, int width, int height, const TlxLayer& layer,
                StrokePart part, bool gradient) {
    const TlxStrokeStyle& stroke = layer.Style.Stroke;
    const QImage& mask = layer.Style.StrokeMask;
    const lx::DrawSetup setup =
        lx::beginDraw<T>(target, width, height, layer, mask, strokeMargin(stroke));
    if (!setup.Proceed) return setup.Result;
    lx::EffectPass pass;
    if (gradient) {
        const QImage& colours = layer.Style.StrokeGradientBitmap;
        if (colours.format() != QImage::Format_BGR888 || colours.size() != mask.size()) return true;
        pass.Colours = constViewOf(colours);
        if (pass.Colours.Data == nullptr) return true;
    }
    pass.Mask = constViewOf(mask);
    pass.OriginX = int64_t(layer.Left) + stroke.DrawX;
    pass.OriginY = int64_t(layer.Top) + stroke.DrawY;
    pass.Mode = stroke.BlendMode;
    pass.Packed = lx::packForBlend(stroke.Color);
    pass.Opacity = TlxImage::EffectOpacity(layer, stroke.Opacity);
    if (part == StrokePart::Outer) {
        pass.Map = lx::contourMap(stroke.Contour, false);
        lx::drawOuterRule<T>(image, setup.Target, setup.Layer, pass);
    } else {
        // The inner part ignores the contour: it fills the layer's whole
        // opaque area under the grown mask.
        pass.Map = lx::identityMap();
        lx::drawInnerRule<T>(image, setup.Target, setup.Layer, pass);
    }
    return true;
}

// The stroke gradient record with what the caller hands over; stops beyond
// the count keep what they held.
TlxGradientStyle withStops(const TlxGradientStyle& stored, uint8_t kind,
                           const TColorlistSrcd& gradient, bool reverse, int angle) {
    TlxGradientStyle next = stored;
    const int count =
        int(std::clamp<int64_t>(std::min<int64_t>(gradient.Count, int64_t(gradient.Stops.size())),
                                0, TlxGradientStyle::MaxStops));
    next.GradientKind = kind;
    next.StopCount = count;
    next.Reverse = reverse ? 1 : 0;
    next.Angle = angle;
    std::copy_n(gradient.Stops.begin(), count, next.Stops);
    return next;
}

// The stroke gradient rendered at the stroke mask's size; null when the
// mask is not what the stroke's settings call for or rendering failed.
QImage renderStrokeGradient(const TlxLayer& layer, const TlxGradientStyle& style) {
    const QImage& mask = layer.Style.StrokeMask;
    lx::LayerCoverage coverage;
    if (!lx::readableLayer(layer, coverage) ||
        !lx::maskFits(mask, layer.Alpha, strokeMargin(layer.Style.Stroke)))
        return QImage();
    QImage bitmap(mask.size(), QImage::Format_BGR888);
    if (bitmap.isNull()) return bitmap;
    bitmap.fill(0);
    // Records may come from files: never hand over more stops than exist.
    TlxGradientStyle limited = style;
    limited.StopCount = std::clamp<int32_t>(limited.StopCount, 0, TlxGradientStyle::MaxStops);
    if (!lx::renderGradientStyle(bitmap, limited)) return QImage();
    return bitmap;
}

} // namespace

bool TlxImage::SetBevel(int Layer, uint8_t HighlightMode, uint8_t ShadowMode,
                        uint8_t HighlightOpacity, uint8_t ShadowOpacity, int OffsetX, int OffsetY,
                        int Spread, int Size, uint32_t HighlightColor, uint32_t ShadowColor,
                        bool UseContour, int ContourPointCount,
                        const ContourPointArray& ContourPoints,
                        const ContourTableArray& ContourTable) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        lx::LayerCoverage coverage;
        if (!lx::readableLayer(layer, coverage)) return false;
        const int spread = lx::limitEffectSize(Spread);
        const int size = lx::limitEffectSize(Size);
        const int64_t margin = EffectMargin(size, spread);
        QImage mask = lx::buildInnerMask(layer.Alpha, spread, size);
        if (mask.isNull()) return false;

        TlxBevelStyle next = layer.Style.Bevel;
        next.HighlightMode = HighlightMode;
        next.HighlightOpacity = HighlightOpacity;
        next.HighlightColor = HighlightColor;
        next.ShadowMode = ShadowMode;
        next.ShadowOpacity = ShadowOpacity;
        next.ShadowColor = ShadowColor;
        next.Size = size;
        next.Spread = spread;
        next.HighlightDrawX = lx::limitOffset(OffsetX - 2 * margin);
        next.HighlightDrawY = lx::limitOffset(OffsetY - 2 * margin);
        next.ShadowDrawX = lx::limitOffset(-2 * margin - OffsetX);
        next.ShadowDrawY = lx::limitOffset(-2 * margin - OffsetY);
        lx::storeContour(next.Contour, UseContour, ContourPointCount, ContourPoints, ContourTable);

        layer.Style.Bevel = next;
        layer.Style.BevelMask = std::move(mask);
        layer.Style.BevelOn = true;
        return true;
    });
}

bool TlxImage::RebuildBevel(int Layer) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        if (!layer.Style.BevelOn) return true;
        lx::LayerCoverage coverage;
        if (!lx::readableLayer(layer, coverage)) return false;
        const TlxBevelStyle& bevel = layer.Style.Bevel;
        QImage mask = lx::buildInnerMask(layer.Alpha, lx::limitEffectSize(bevel.Spread),
                                         lx::limitEffectSize(bevel.Size));
        if (mask.isNull()) return false;
        layer.Style.BevelMask = std::move(mask);
        return true;
    });
}

bool TlxImage::SetStroke(int Layer, uint8_t BlendMode, uint8_t Opacity, int Softness, int Size,
                         uint32_t Color, bool UseContour, int ContourPointCount,
                         const ContourPointArray& ContourPoints,
                         const ContourTableArray& ContourTable) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        lx::LayerCoverage coverage;
        if (!lx::readableLayer(layer, coverage)) return false;
        const int size = lx::limitEffectSize(Size);
        const int softness = lx::limitEffectSize(Softness);
        const int64_t margin = size + softness;
        QImage mask = lx::buildStrokeMask(layer.Alpha, size, softness);
        if (mask.isNull()) return false;

        // Position is the caller's to write; it stays as it is.
        TlxStrokeStyle next = layer.Style.Stroke;
        next.BlendMode = BlendMode;
        next.Size = size;
        next.Softness = softness;
        next.Opacity = Opacity;
        next.Color = Color;
        next.DrawX = lx::limitOffset(-2 * margin);
        next.DrawY = next.DrawX;
        lx::storeContour(next.Contour, UseContour, ContourPointCount, ContourPoints, ContourTable);

        layer.Style.Stroke = next;
        layer.Style.StrokeMask = std::move(mask);
        layer.Style.StrokeOn = true;
        return true;
    });
}

bool TlxImage::RebuildStroke(int Layer) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        if (!layer.Style.StrokeOn) return true;
        lx::LayerCoverage coverage;
        if (!lx::readableLayer(layer, coverage)) return false;
        const TlxStrokeStyle& stroke = layer.Style.Stroke;
        QImage mask = lx::buildStrokeMask(layer.Alpha, lx::limitEffectSize(stroke.Size),
                                          lx::limitEffectSize(stroke.Softness));
        if (mask.isNull()) return false;
        layer.Style.StrokeMask = std::move(mask);
        return true;
    });
}

bool TlxImage::SetGradientStroke(int Layer, uint8_t GradientKind, const TColorlistSrcd& Gradient,
                                 bool Reverse, int Angle) {
    // Without a stroke there is nothing to colour: refused before anything
    // is touched.
    if (!validIndex(Layer) || !Layers[size_t(Layer)].Style.StrokeOn) return false;
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        const TlxGradientStyle next =
            withStops(layer.Style.StrokeGradient, GradientKind, Gradient, Reverse, Angle);
        QImage bitmap = renderStrokeGradient(layer, next);
        if (bitmap.isNull()) return false;
        layer.Style.StrokeGradient = next;
        layer.Style.StrokeGradientBitmap = std::move(bitmap);
        layer.Style.StrokeGradientOn = true;
        return true;
    });
}

bool TlxImage::RebuildGradientStroke(int Layer) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        if (!layer.Style.StrokeOn || !layer.Style.StrokeGradientOn) return true;
        QImage bitmap = renderStrokeGradient(layer, layer.Style.StrokeGradient);
        if (bitmap.isNull()) return false;
        layer.Style.StrokeGradientBitmap = std::move(bitmap);
        return true;
    });
}

namespace {

template <EffectTarget T>
bool drawPass(TlxImage& image, lx::DrawPass pass, QImage& target, const TlxLayer& layer) {
    const int w = image.ImageWidth, h = image.ImageHeight;
    switch (pass) {
    case lx::DrawPass::OuterBevel:
        return drawOuterBevel<T>(image, target, w, h, layer);
    case lx::DrawPass::InnerBevel:
        return drawInnerBevel<T>(image, target, w, h, layer);
    case lx::DrawPass::StrokeOuter:
        return drawStroke<T>(image, target, w, h, layer, StrokePart::Outer, false);
    case lx::DrawPass::StrokeInner:
        return drawStroke<T>(image, target, w, h, layer, StrokePart::Inner, false);
    case lx::DrawPass::GradientStrokeOuter:
        return drawStroke<T>(image, target, w, h, layer, StrokePart::Outer, true);
    case lx::DrawPass::GradientStrokeInner:
        return drawStroke<T>(image, target, w, h, layer, StrokePart::Inner, true);
    default:
        return false;
    }
}

// Whether the pass has anything to draw: the effect is on and set to draw in
// this pass (a bevel of the other kind, a stroke on the other side, or a
// gradient stroke without its gradient draws nothing here).
bool passDraws(lx::DrawPass pass, const TlxLayerStyle& s) {
    switch (pass) {
    case lx::DrawPass::OuterBevel:
        return s.BevelOn && s.Bevel.BevelKind == lx::BevelOuter;
    case lx::DrawPass::InnerBevel:
        return s.BevelOn && s.Bevel.BevelKind == lx::BevelInner;
    case lx::DrawPass::StrokeOuter:
        return s.StrokeOn && strokeOutside(s.Stroke);
    case lx::DrawPass::StrokeInner:
        return s.StrokeOn && strokeInside(s.Stroke);
    case lx::DrawPass::GradientStrokeOuter:
        return s.StrokeOn && s.StrokeGradientOn && strokeOutside(s.Stroke);
    case lx::DrawPass::GradientStrokeInner:
        return s.StrokeOn && s.StrokeGradientOn && strokeInside(s.Stroke);
    default:
        return false;
    }
}

} // namespace

namespace lx {

bool drawBevelStrokePass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                         const TlxLayer& Layer) {
    if (!passDraws(Pass, Layer.Style)) return true;
    return guarded([&] {
        return Kind == EffectTarget::Bgr24
                   ? drawPass<EffectTarget::Bgr24>(Image, Pass, Target, Layer)
                   : drawPass<EffectTarget::Argb32>(Image, Pass, Target, Layer);
    });
}

} // namespace lx
