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
#include "core/picture_memory.h"
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
    QImage bitmap = lx::filledPicture(mask.width(), mask.height(), QImage::Format_BGR888, 0);
    if (bitmap.isNull()) return bitmap;
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

using lx::DrawPass;
using lx::strokeInside;
using lx::strokeOutside;

template <EffectTarget T>
bool outerBevelPass(TlxImage& image, QImage& target, const TlxLayer& layer) {
    return drawOuterBevel<T>(image, target, image.ImageWidth, image.ImageHeight, layer);
}
template <EffectTarget T>
bool innerBevelPass(TlxImage& image, QImage& target, const TlxLayer& layer) {
    return drawInnerBevel<T>(image, target, image.ImageWidth, image.ImageHeight, layer);
}
template <EffectTarget T, StrokePart Part, bool Gradient>
bool strokePass(TlxImage& image, QImage& target, const TlxLayer& layer) {
    return drawStroke<T>(image, target, image.ImageWidth, image.ImageHeight, layer, Part, Gradient);
}

using PassFn = bool (*)(TlxImage&, QImage&, const TlxLayer&);

// The six passes of this family: when each has something to draw (the
// effect on and set to draw in this pass: a bevel of the other kind, a
// stroke on the other side or a gradient stroke without its gradient draws
// nothing here) and its routine for each target kind.
struct FamilyPass {
    DrawPass Pass;
    bool (*Draws)(const TlxLayerStyle&);
    PassFn Bgr;
    PassFn Argb;
};

constexpr EffectTarget kBgr = EffectTarget::Bgr24;
constexpr EffectTarget kArgb = EffectTarget::Argb32;

const FamilyPass kPasses[] = {
    {DrawPass::OuterBevel,
     [](const TlxLayerStyle& s) { return s.BevelOn && s.Bevel.BevelKind == lx::BevelOuter; },
     outerBevelPass<kBgr>, outerBevelPass<kArgb>},
    {DrawPass::InnerBevel,
     [](const TlxLayerStyle& s) { return s.BevelOn && s.Bevel.BevelKind == lx::BevelInner; },
     innerBevelPass<kBgr>, innerBevelPass<kArgb>},
    {DrawPass::StrokeOuter,
     [](const TlxLayerStyle& s) { return s.StrokeOn && strokeOutside(s.Stroke); },
     strokePass<kBgr, StrokePart::Outer, false>, strokePass<kArgb, StrokePart::Outer, false>},
    {DrawPass::StrokeInner,
     [](const TlxLayerStyle& s) { return s.StrokeOn && strokeInside(s.Stroke); },
     strokePass<kBgr, StrokePart::Inner, false>, strokePass<kArgb, StrokePart::Inner, false>},
    {DrawPass::GradientStrokeOuter,
     [](const TlxLayerStyle& s) {
         return s.StrokeOn && s.StrokeGradientOn && strokeOutside(s.Stroke);
     },
     strokePass<kBgr, StrokePart::Outer, true>, strokePass<kArgb, StrokePart::Outer, true>},
    {DrawPass::GradientStrokeInner,
     [](const TlxLayerStyle& s) {
         return s.StrokeOn && s.StrokeGradientOn && strokeInside(s.Stroke);
     },
     strokePass<kBgr, StrokePart::Inner, true>, strokePass<kArgb, StrokePart::Inner, true>},
};

} // namespace

namespace lx {

bool drawBevelStrokePass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                         const TlxLayer& Layer) {
    for (const FamilyPass& p : kPasses) {
        if (p.Pass != Pass) continue;
        if (!p.Draws(Layer.Style)) return true;
        return guarded(
            [&] { return (Kind == EffectTarget::Bgr24 ? p.Bgr : p.Argb)(Image, Target, Layer); });
    }
    return false; // not a pass of this family
}

} // namespace lx
