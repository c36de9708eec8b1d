// Drop shadow, inner shadow, outer glow and inner glow: set-up, rebuild and
// the draw routines for both targets.
//
// All four keep a mask of the layer's alpha grown by 2M on every side. The
// drop shadow and outer glow shape it outwards and draw it under the layer
// with the outer rule; the inner shadow and inner glow shrink and invert it
// and draw it over the layer with the inner rule. The glows are the shadows
// without an offset: their mask origin is always at -2M.

#include "effect_rules.h"
#include "lxImage.h"
#include "picture_convert.h"

namespace {

using lx::EffectTarget;
using lx::guarded;

// The settings one set-up call hands over.
struct MaskSettings {
    uint8_t BlendMode;
    uint8_t Opacity;
    int64_t OffsetX; // 0 for the glows
    int64_t OffsetY;
    int Spread;
    int Size;
    uint32_t Color;
    bool UseContour;
    int PointCount;
    const TlxImage::ContourPointArray& Points;
    const TlxImage::ContourTableArray& Table;
};

enum class Side { Outer, Inner };

QImage buildMask(const QImage& alpha, Side side, int spread, int size) {
    return side == Side::Outer ? lx::buildOuterMask(alpha, spread, size)
                               : lx::buildInnerMask(alpha, spread, size);
}

template <class Record> int marginOf(const Record& record) {
    return EffectMargin(lx::limitEffectSize(record.Size), lx::limitEffectSize(record.Spread));
}

// Builds the new mask first and puts settings, mask and switch in place
// together, so a failure leaves the effect exactly as it was.
template <class Record>
bool setUp(TlxLayer& layer, bool& on, Record& record, QImage& slot, Side side,
           const MaskSettings& s) {
    lx::LayerCoverage coverage;
    if (!lx::readableLayer(layer, coverage)) return false;
    const int spread = lx::limitEffectSize(s.Spread);
    const int size = lx::limitEffectSize(s.Size);
    const int64_t margin = EffectMargin(size, spread);
    QImage mask = buildMask(layer.Alpha, side, spread, size);
    if (mask.isNull()) return false;

    Record next = record;
    next.BlendMode = s.BlendMode;
    next.Color = s.Color;
    next.Opacity = s.Opacity;
    next.Spread = spread;
    next.Size = size;
    next.DrawX = lx::limitOffset(s.OffsetX - 2 * margin);
    next.DrawY = lx::limitOffset(s.OffsetY - 2 * margin);
    lx::storeContour(next.Contour, s.UseContour, s.PointCount, s.Points, s.Table);

    record = next;
    slot = std::move(mask);
    on = true;
    return true;
}

// Recomputes the mask from the stored Spread and Size for the layer's
// current size; an effect that is off has nothing to rebuild.
template <class Record>
bool rebuild(const TlxLayer& layer, bool on, const Record& record, QImage& slot, Side side) {
    if (!on) return true;
    lx::LayerCoverage coverage;
    if (!lx::readableLayer(layer, coverage)) return false;
    QImage mask = buildMask(layer.Alpha, side, lx::limitEffectSize(record.Spread),
                            lx::limitEffectSize(record.Size));
    if (mask.isNull()) return false;
    slot = std::move(mask);
    return true;
}

template <EffectTarget T, class Record>
bool draw(TlxImage& image, QImage& target, int width, int height, const TlxLayer& layer,
          const Record& record, const QImage& mask, Side side) {
    const lx::DrawSetup setup =
        lx::beginDraw<T>(target, width, height, layer, mask, marginOf(record));
    if (!setup.Proceed) return setup.Result;
    lx::EffectPass pass;
    pass.Mask = constViewOf(mask);
    pass.OriginX = int64_t(layer.Left) + record.DrawX;
    pass.OriginY = int64_t(layer.Top) + record.DrawY;
    pass.Mode = record.BlendMode;
    pass.Packed = lx::packForBlend(record.Color);
    pass.Opacity = TlxImage::EffectOpacity(layer, record.Opacity);
    // Outer effects map the mask byte through the contour, inner ones the
    // layer's alpha; either way the rule reads the map.
    pass.Map = lx::contourMap(record.Contour, false);
    if (side == Side::Outer)
        lx::drawOuterRule<T>(image, setup.Target, setup.Layer, pass);
    else
        lx::drawInnerRule<T>(image, setup.Target, setup.Layer, pass);
    return true;
}

} // namespace

bool TlxImage::SetDropShadow(int Layer, uint8_t BlendMode, uint8_t Opacity, int OffsetX,
                             int OffsetY, int Spread, int Size, uint32_t Color, bool UseContour,
                             int ContourPointCount, const ContourPointArray& ContourPoints,
                             const ContourTableArray& ContourTable) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    return guarded([&] {
        TlxLayer& layer = Layers[size_t(Layer)];
        return setUp(layer, layer.Style.DropShadowOn, layer.Style.DropShadow,
                     layer.Style.DropShadowMask, Side::Outer,
                     {BlendMode, Opacity, OffsetX, OffsetY, Spread, Size, Color, UseContour,
                      ContourPointCount, ContourPoints, ContourTable});
    });
}

bool TlxImage::SetInnerShadow(int Layer, uint8_t BlendMode, uint8_t Opacity, int OffsetX,
                              int OffsetY, int Spread, int Size, uint32_t Color, bool UseContour,
                              int ContourPointCount, const ContourPointArray& ContourPoints,
                              const ContourTableArray& ContourTable) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    return guarded([&] {
        TlxLayer& layer = Layers[size_t(Layer)];
        return setUp(layer, layer.Style.InnerShadowOn, layer.Style.InnerShadow,
                     layer.Style.InnerShadowMask, Side::Inner,
                     {BlendMode, Opacity, OffsetX, OffsetY, Spread, Size, Color, UseContour,
                      ContourPointCount, ContourPoints, ContourTable});
    });
}

bool TlxImage::SetOuterGlow(int Layer, uint8_t BlendMode, uint8_t Opacity, int Spread, int Size,
                            uint32_t Color, bool UseContour, int ContourPointCount,
                            const ContourPointArray& ContourPoints,
                            const ContourTableArray& ContourTable) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    return guarded([&] {
        TlxLayer& layer = Layers[size_t(Layer)];
        return setUp(layer, layer.Style.OuterGlowOn, layer.Style.OuterGlow,
                     layer.Style.OuterGlowMask, Side::Outer,
                     {BlendMode, Opacity, 0, 0, Spread, Size, Color, UseContour, ContourPointCount,
                      ContourPoints, ContourTable});
    });
}

bool TlxImage::SetInnerGlow(int Layer, uint8_t BlendMode, uint8_t Opacity, int Spread, int Size,
                            uint32_t Color, bool UseContour, int ContourPointCount,
                            const ContourPointArray& ContourPoints,
                            const ContourTableArray& ContourTable) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    return guarded([&] {
        TlxLayer& layer = Layers[size_t(Layer)];
        return setUp(layer, layer.Style.InnerGlowOn, layer.Style.InnerGlow,
                     layer.Style.InnerGlowMask, Side::Inner,
                     {BlendMode, Opacity, 0, 0, Spread, Size, Color, UseContour, ContourPointCount,
                      ContourPoints, ContourTable});
    });
}

bool TlxImage::RebuildDropShadow(int Layer) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    TlxLayerStyle& style = Layers[size_t(Layer)].Style;
    return guarded([&] {
        return rebuild(Layers[size_t(Layer)], style.DropShadowOn, style.DropShadow,
                       style.DropShadowMask, Side::Outer);
    });
}

bool TlxImage::RebuildInnerShadow(int Layer) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    TlxLayerStyle& style = Layers[size_t(Layer)].Style;
    return guarded([&] {
        return rebuild(Layers[size_t(Layer)], style.InnerShadowOn, style.InnerShadow,
                       style.InnerShadowMask, Side::Inner);
    });
}

bool TlxImage::RebuildOuterGlow(int Layer) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    TlxLayerStyle& style = Layers[size_t(Layer)].Style;
    return guarded([&] {
        return rebuild(Layers[size_t(Layer)], style.OuterGlowOn, style.OuterGlow,
                       style.OuterGlowMask, Side::Outer);
    });
}

bool TlxImage::RebuildInnerGlow(int Layer) {
    if (!validIndex(Layer)) return false;
    const lx::RedrawBlock block(CanReDraw);
    TlxLayerStyle& style = Layers[size_t(Layer)].Style;
    return guarded([&] {
        return rebuild(Layers[size_t(Layer)], style.InnerGlowOn, style.InnerGlow,
                       style.InnerGlowMask, Side::Inner);
    });
}

bool TlxImage::DrawDropShadow(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.DropShadowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Bgr24>(*this, Target, ImageWidth, ImageHeight, Layer,
                                         style.DropShadow, style.DropShadowMask, Side::Outer);
    });
}

bool TlxImage::DrawDropShadowAlpha(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.DropShadowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Argb32>(*this, Target, ImageWidth, ImageHeight, Layer,
                                          style.DropShadow, style.DropShadowMask, Side::Outer);
    });
}

bool TlxImage::DrawInnerShadow(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.InnerShadowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Bgr24>(*this, Target, ImageWidth, ImageHeight, Layer,
                                         style.InnerShadow, style.InnerShadowMask, Side::Inner);
    });
}

bool TlxImage::DrawInnerShadowAlpha(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.InnerShadowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Argb32>(*this, Target, ImageWidth, ImageHeight, Layer,
                                          style.InnerShadow, style.InnerShadowMask, Side::Inner);
    });
}

bool TlxImage::DrawOuterGlow(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.OuterGlowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Bgr24>(*this, Target, ImageWidth, ImageHeight, Layer,
                                         style.OuterGlow, style.OuterGlowMask, Side::Outer);
    });
}

bool TlxImage::DrawOuterGlowAlpha(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.OuterGlowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Argb32>(*this, Target, ImageWidth, ImageHeight, Layer,
                                          style.OuterGlow, style.OuterGlowMask, Side::Outer);
    });
}

bool TlxImage::DrawInnerGlow(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.InnerGlowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Bgr24>(*this, Target, ImageWidth, ImageHeight, Layer,
                                         style.InnerGlow, style.InnerGlowMask, Side::Inner);
    });
}

bool TlxImage::DrawInnerGlowAlpha(QImage& Target, const TlxLayer& Layer) {
    const TlxLayerStyle& style = Layer.Style;
    if (!style.InnerGlowOn) return true;
    return guarded([&] {
        return draw<EffectTarget::Argb32>(*this, Target, ImageWidth, ImageHeight, Layer,
                                          style.InnerGlow, style.InnerGlowMask, Side::Inner);
    });
}
