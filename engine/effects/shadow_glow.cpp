// Drop shadow, inner shadow, outer glow and inner glow: set-up, rebuild and
// the draw routines for both targets.
//
// All four keep a mask of the layer's alpha grown by 2M on every side. The
// drop shadow and outer glow shape it outwards and draw it under the layer
// with the outer rule; the inner shadow and inner glow shrink and invert it
// and draw it over the layer with the inner rule. The glows are the shadows
// without an offset: their mask origin is always at -2M.

#include "core/picture_convert.h"
#include "effects/effect_draw.h"
#include "effects/effect_rules.h"
#include "lxImage.h"

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

// The four effects of this family: switch, settings, mask and side.
template <class Record> struct MaskEffect {
    bool TlxLayerStyle::*On;
    Record TlxLayerStyle::*Settings;
    QImage TlxLayerStyle::*Mask;
    Side EffectSide;
};

constexpr MaskEffect<TlxShadowStyle> kDropShadow{&TlxLayerStyle::DropShadowOn,
                                                 &TlxLayerStyle::DropShadow,
                                                 &TlxLayerStyle::DropShadowMask, Side::Outer};
constexpr MaskEffect<TlxShadowStyle> kInnerShadow{&TlxLayerStyle::InnerShadowOn,
                                                  &TlxLayerStyle::InnerShadow,
                                                  &TlxLayerStyle::InnerShadowMask, Side::Inner};
constexpr MaskEffect<TlxGlowStyle> kOuterGlow{&TlxLayerStyle::OuterGlowOn,
                                              &TlxLayerStyle::OuterGlow,
                                              &TlxLayerStyle::OuterGlowMask, Side::Outer};
constexpr MaskEffect<TlxGlowStyle> kInnerGlow{&TlxLayerStyle::InnerGlowOn,
                                              &TlxLayerStyle::InnerGlow,
                                              &TlxLayerStyle::InnerGlowMask, Side::Inner};

template <class Record>
bool setUpEffect(TlxLayer& layer, const MaskEffect<Record>& e, const MaskSettings& s) {
    TlxLayerStyle& style = layer.Style;
    return setUp(layer, style.*e.On, style.*e.Settings, style.*e.Mask, e.EffectSide, s);
}

template <class Record> bool rebuildEffect(TlxLayer& layer, const MaskEffect<Record>& e) {
    TlxLayerStyle& style = layer.Style;
    return rebuild(layer, style.*e.On, style.*e.Settings, style.*e.Mask, e.EffectSide);
}

template <class Record>
bool drawEffect(TlxImage& image, EffectTarget kind, QImage& target, const TlxLayer& layer,
                const MaskEffect<Record>& e) {
    const TlxLayerStyle& style = layer.Style;
    if (!(style.*e.On)) return true;
    return guarded([&] {
        const int w = image.ImageWidth, h = image.ImageHeight;
        return kind == EffectTarget::Bgr24
                   ? draw<EffectTarget::Bgr24>(image, target, w, h, layer, style.*e.Settings,
                                               style.*e.Mask, e.EffectSide)
                   : draw<EffectTarget::Argb32>(image, target, w, h, layer, style.*e.Settings,
                                                style.*e.Mask, e.EffectSide);
    });
}

} // namespace

namespace lx {

bool drawShadowGlowPass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                        const TlxLayer& Layer) {
    switch (Pass) {
    case DrawPass::DropShadow:
        return drawEffect(Image, Kind, Target, Layer, kDropShadow);
    case DrawPass::InnerShadow:
        return drawEffect(Image, Kind, Target, Layer, kInnerShadow);
    case DrawPass::OuterGlow:
        return drawEffect(Image, Kind, Target, Layer, kOuterGlow);
    case DrawPass::InnerGlow:
        return drawEffect(Image, Kind, Target, Layer, kInnerGlow);
    default:
        return false;
    }
}

} // namespace lx

bool TlxImage::SetDropShadow(int Layer, uint8_t BlendMode, uint8_t Opacity, int OffsetX,
                             int OffsetY, int Spread, int Size, uint32_t Color, bool UseContour,
                             int ContourPointCount, const ContourPointArray& ContourPoints,
                             const ContourTableArray& ContourTable) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        return setUpEffect(layer, kDropShadow,
                           {BlendMode, Opacity, OffsetX, OffsetY, Spread, Size, Color, UseContour,
                            ContourPointCount, ContourPoints, ContourTable});
    });
}

bool TlxImage::SetInnerShadow(int Layer, uint8_t BlendMode, uint8_t Opacity, int OffsetX,
                              int OffsetY, int Spread, int Size, uint32_t Color, bool UseContour,
                              int ContourPointCount, const ContourPointArray& ContourPoints,
                              const ContourTableArray& ContourTable) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        return setUpEffect(layer, kInnerShadow,
                           {BlendMode, Opacity, OffsetX, OffsetY, Spread, Size, Color, UseContour,
                            ContourPointCount, ContourPoints, ContourTable});
    });
}

bool TlxImage::SetOuterGlow(int Layer, uint8_t BlendMode, uint8_t Opacity, int Spread, int Size,
                            uint32_t Color, bool UseContour, int ContourPointCount,
                            const ContourPointArray& ContourPoints,
                            const ContourTableArray& ContourTable) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        return setUpEffect(layer, kOuterGlow,
                           {BlendMode, Opacity, 0, 0, Spread, Size, Color, UseContour,
                            ContourPointCount, ContourPoints, ContourTable});
    });
}

bool TlxImage::SetInnerGlow(int Layer, uint8_t BlendMode, uint8_t Opacity, int Spread, int Size,
                            uint32_t Color, bool UseContour, int ContourPointCount,
                            const ContourPointArray& ContourPoints,
                            const ContourTableArray& ContourTable) {
    return onLayerStyle(Layer, [&](TlxLayer& layer) {
        return setUpEffect(layer, kInnerGlow,
                           {BlendMode, Opacity, 0, 0, Spread, Size, Color, UseContour,
                            ContourPointCount, ContourPoints, ContourTable});
    });
}

bool TlxImage::RebuildDropShadow(int Layer) {
    return onLayerStyle(Layer, [](TlxLayer& layer) { return rebuildEffect(layer, kDropShadow); });
}

bool TlxImage::RebuildInnerShadow(int Layer) {
    return onLayerStyle(Layer, [](TlxLayer& layer) { return rebuildEffect(layer, kInnerShadow); });
}

bool TlxImage::RebuildOuterGlow(int Layer) {
    return onLayerStyle(Layer, [](TlxLayer& layer) { return rebuildEffect(layer, kOuterGlow); });
}

bool TlxImage::RebuildInnerGlow(int Layer) {
    return onLayerStyle(Layer, [](TlxLayer& layer) { return rebuildEffect(layer, kInnerGlow); });
}
