// The layer style as a whole: copying between slots, switching effects
// off, colours and effective opacity.

#include "lxImage.h"

#include <cstring>
#include <iterator>

namespace {

// The standard system colours as red, green, blue, by index.
constexpr uint32_t kSystemColors[] = {
    0xC8C8C8, // scroll bar
    0x000000, // desktop
    0x99B4D1, // active caption
    0xBFCDDB, // inactive caption
    0xF0F0F0, // menu
    0xFFFFFF, // window
    0x646464, // window frame
    0x000000, // menu text
    0x000000, // window text
    0x000000, // caption text
    0xB4B4B4, // active border
    0xF4F7FC, // inactive border
    0xABABAB, // application workspace
    0x3399FF, // highlight
    0xFFFFFF, // highlight text
    0xF0F0F0, // button face
    0xA0A0A0, // button shadow
    0x6D6D6D, // grey text
    0x000000, // button text
    0x000000, // inactive caption text
    0xFFFFFF, // button highlight
    0x696969, // 3-D dark shadow
    0xE3E3E3, // 3-D light
    0x000000, // tooltip text
    0xFFFFE1, // tooltip background
    0xB5B5B5, // (unused index)
    0x0066CC, // hot-tracked item
    0xB9D1EA, // gradient of the active caption
    0xD7E4F2, // gradient of the inactive caption
    0x3399FF, // highlighted menu item
    0xF0F0F0, // menu bar
};

} // namespace

uint32_t ResolveColor(uint32_t Color) {
    const uint32_t high = Color >> 24;
    if (high == 0x80 || high == 0xFF) {
        const uint32_t index = Color & 0xFF;
        if (index >= std::size(kSystemColors)) return 0;
        const uint32_t rgb = kSystemColors[index];
        return lxRGB(int(rgb >> 16), int(rgb >> 8 & 255), int(rgb & 255));
    }
    return Color & 0xFFFFFF;
}

void CopyLayerStyle(TlxLayerStyle& Target, const TlxLayerStyle& Source) {
    if (&Target == &Source) return;
    // The gloss block and its switch belong to the slot, not to the layer.
    const bool glossOn = Target.GlossOn;
    uint8_t gloss[sizeof Target.Gloss];
    std::memcpy(gloss, Target.Gloss, sizeof gloss);
    Target = Source;
    Target.GlossOn = glossOn;
    std::memcpy(Target.Gloss, gloss, sizeof gloss);
}

void SwitchEffectsOff(TlxLayerStyle& Style) {
    Style.DropShadowOn = Style.InnerShadowOn = Style.OuterGlowOn = Style.InnerGlowOn = false;
    Style.BevelOn = Style.ColorOverlayOn = Style.GradientOverlayOn = false;
    Style.PatternOverlayOn = Style.StrokeOn = Style.StrokeGradientOn = false;
    for (QImage* picture :
         {&Style.DropShadowMask, &Style.OuterGlowMask, &Style.StrokeMask, &Style.InnerGlowMask,
          &Style.InnerShadowMask, &Style.BevelMask, &Style.GradientOverlayBitmap,
          &Style.PatternBitmap, &Style.StrokeGradientBitmap})
        *picture = QImage();
}

double TlxImage::EffectOpacity(const TlxLayer& Layer, uint8_t Percent) {
    const double own = Percent / 100.0;
    return Layer.Style.EffectsIgnoreOpacity ? own : own * Layer.Opacity;
}
