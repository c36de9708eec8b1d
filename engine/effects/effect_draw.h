#pragma once

// The passes the compositor draws a layer's effects in, by name, and the one
// entry that draws a pass. Each family of effects (shadows and glows; bevel
// and strokes; overlays) draws its own passes; this is the engine's and its
// tests' way in, while other levels only ever see the composed picture.

#include "core/operation_guard.h"
#include "effects/effects.h"
#include "lxImage.h"

#include <cstdint>

namespace lx {

enum class DrawPass : uint8_t {
    DropShadow,
    InnerShadow,
    OuterGlow,
    InnerGlow,
    OuterBevel,
    InnerBevel,
    ColorOverlay,
    GradientOverlay,
    PatternOverlay,
    StrokeOuter,
    StrokeInner,
    GradientStrokeOuter,
    GradientStrokeInner,
};

// Target is the document's size: 24-bit for Bgr24, 32-bit whose fourth byte
// accumulates coverage for Argb32. Each gives true at once when the pass's
// effect is off (or, for bevel and stroke, set to draw in another pass), and
// false for a pass of another family, for a target of the wrong size or
// format and when drawing fails. The mask effects draw nothing and give true
// for a layer or mask they cannot read; the overlays give false for a layer,
// gradient picture or tile they cannot read.
bool drawShadowGlowPass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                        const TlxLayer& Layer);
bool drawBevelStrokePass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                         const TlxLayer& Layer);
bool drawOverlayPass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                     const TlxLayer& Layer);

inline bool drawEffectPass(TlxImage& Image, DrawPass Pass, EffectTarget Kind, QImage& Target,
                           const TlxLayer& Layer) {
    switch (Pass) {
    case DrawPass::DropShadow:
    case DrawPass::InnerShadow:
    case DrawPass::OuterGlow:
    case DrawPass::InnerGlow:
        return drawShadowGlowPass(Image, Pass, Kind, Target, Layer);
    case DrawPass::OuterBevel:
    case DrawPass::InnerBevel:
    case DrawPass::StrokeOuter:
    case DrawPass::StrokeInner:
    case DrawPass::GradientStrokeOuter:
    case DrawPass::GradientStrokeInner:
        return drawBevelStrokePass(Image, Pass, Kind, Target, Layer);
    case DrawPass::ColorOverlay:
    case DrawPass::GradientOverlay:
    case DrawPass::PatternOverlay:
        return drawOverlayPass(Image, Pass, Kind, Target, Layer);
    }
    return false;
}

// Either target kind through one call, for code that draws both.
template <EffectTarget T>
bool drawEffectPass(TlxImage& Image, DrawPass Pass, QImage& Target, const TlxLayer& Layer) {
    return drawEffectPass(Image, Pass, T, Target, Layer);
}

} // namespace lx

// The set-up and rebuild entries of every effect run on one slot, with the
// redraw flag held and no exception escaping.
template <class Fn> bool TlxImage::onLayerStyle(int Layer, Fn&& Operation) {
    if (!validIndex(Layer)) return false;
    return lx::guardedRebuild(CanReDraw, [&] { return Operation(Layers[size_t(Layer)]); });
}
