// ReDraw: composition into the display bitmap, starting from a kept
// composite of the bottom layers whenever that gives the same bytes.

#include "compose/compose_cache.h"

#include "lxImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace lx {

PicturePrint printOf(const QImage& Picture) {
    return {Picture.cacheKey(), Picture.width(), Picture.height(), int(Picture.format())};
}

namespace {

template <class Record> uint8_t* appendRecord(uint8_t* out, const Record& record) {
    std::memcpy(out, &record, sizeof record);
    return out + sizeof record;
}

// Dissolve anywhere in the layer: its own mode or the mode of any effect,
// switched on or not (a switch costs nothing to ignore here, and a mode
// field that is never drawn with cannot make the answer wrong).
bool usesDissolve(const TlxLayer& layer) {
    const TlxLayerStyle& s = layer.Style;
    const uint8_t modes[] = {layer.BlendMode,
                             s.DropShadow.BlendMode,
                             s.InnerShadow.BlendMode,
                             s.OuterGlow.BlendMode,
                             s.InnerGlow.BlendMode,
                             s.Bevel.HighlightMode,
                             s.Bevel.ShadowMode,
                             s.ColorOverlay.BlendMode,
                             s.GradientOverlay.BlendMode,
                             s.PatternOverlay.BlendMode,
                             s.Stroke.BlendMode,
                             s.StrokeGradient.BlendMode};
    return std::find(std::begin(modes), std::end(modes), uint8_t(BlendDissolve)) != std::end(modes);
}

} // namespace

void makeLayerPrint(const TlxLayer& Layer, bool Drawn, LayerPrint& Print) {
    if (!Drawn) {
        Print = LayerPrint{};
        return;
    }
    const TlxLayerStyle& s = Layer.Style;
    Print.Drawn = true;
    Print.UsesDissolve = usesDissolve(Layer);
    Print.Left = Layer.Left;
    Print.Top = Layer.Top;
    Print.OpacityBits = std::bit_cast<uint64_t>(Layer.Opacity);
    Print.BlendMode = Layer.BlendMode;
    Print.Visible = Layer.Visible;
    Print.HasMask = Layer.HasMask;
    Print.IsText = Layer.IsText;
    Print.Pictures = {printOf(Layer.Bitmap),    printOf(Layer.Alpha),
                      printOf(Layer.Mask),      printOf(s.DropShadowMask),
                      printOf(s.OuterGlowMask), printOf(s.StrokeMask),
                      printOf(s.InnerGlowMask), printOf(s.InnerShadowMask),
                      printOf(s.BevelMask),     printOf(s.GradientOverlayBitmap),
                      printOf(s.PatternBitmap), printOf(s.StrokeGradientBitmap)};
    Print.Switches = {s.DropShadowOn,   s.InnerShadowOn,     s.OuterGlowOn,
                      s.InnerGlowOn,    s.BevelOn,           s.GlossOn,
                      s.ColorOverlayOn, s.GradientOverlayOn, s.PatternOverlayOn,
                      s.StrokeOn,       s.StrokeGradientOn,  s.EffectsIgnoreOpacity};
    uint8_t* out = Print.Records.data();
    out = appendRecord(out, s.DropShadow);
    out = appendRecord(out, s.InnerShadow);
    out = appendRecord(out, s.OuterGlow);
    out = appendRecord(out, s.InnerGlow);
    out = appendRecord(out, s.Bevel);
    out = appendRecord(out, s.Gloss);
    out = appendRecord(out, s.ColorOverlay);
    out = appendRecord(out, s.GradientOverlay);
    out = appendRecord(out, s.PatternOverlay);
    out = appendRecord(out, s.Stroke);
    out = appendRecord(out, s.StrokeGradient);
    Q_ASSERT(out == Print.Records.data() + Print.Records.size());
}

} // namespace lx

void TlxImage::InvalidateComposeCache() {
    if (!composeCache_) return;
    composeCache_->Level = -1;
    composeCache_->HavePrints = false;
}

void TlxImage::releaseComposeCache() {
    composeCache_.reset();
}

bool TlxImage::ReDraw() {
    try {
        return redrawWithCache();
    } catch (...) {
        // Out of memory for the prints or the kept composite: forget both and
        // compose the plain way, which needs neither.
        InvalidateComposeCache();
        return ComposeImage(ShowBmp);
    }
}

bool TlxImage::redrawWithCache() {
    if (ShowBmp.isNull() || ShowBmp.format() != QImage::Format_BGR888 ||
        ShowBmp.width() != ImageWidth || ShowBmp.height() != ImageHeight) {
        InvalidateComposeCache();
        return false; // what ComposeImage answers for such a target
    }
    if (!composeCache_) composeCache_ = std::make_unique<ComposeCache>();
    ComposeCache& cache = *composeCache_;
    if (!cache.Composite.isNull() && cache.Composite.size() != ShowBmp.size()) {
        cache.Composite = QImage(); // freed before any other is made
        cache.Level = -1;
    }

    const int count = layersInUse();
    const lx::DocumentPrint document{ImageWidth, ImageHeight,          BackgroundMode,
                                     BackColor,  lx::printOf(BackBmp), blendTablesGeneration_};
    cache.Scratch.resize(size_t(count));
    int lowestDissolve = count;
    for (int i = 0; i < count; ++i) {
        const TlxLayer& layer = Layers[size_t(i)];
        lx::LayerPrint& print = cache.Scratch[size_t(i)];
        lx::makeLayerPrint(layer, lx::layerDrawn(layer), print);
        if (print.UsesDissolve && lowestDissolve == count) lowestDissolve = i;
    }

    // The lowest layer whose drawing may differ from the last ReDraw; count
    // when none does. Layers added or removed on top leave those below valid.
    const bool sameDocument = cache.HavePrints && cache.Document == document;
    int changed = 0;
    if (sameDocument) {
        const int common = std::min(count, int(cache.Layers.size()));
        changed = common;
        for (int i = 0; i < common; ++i)
            if (!(cache.Scratch[size_t(i)] == cache.Layers[size_t(i)])) {
                changed = i;
                break;
            }
    } else {
        cache.Level = -1;
    }
    const bool nothingChanged =
        sameDocument && changed == count && count == int(cache.Layers.size());

    // Dissolve takes one draw per pixel from a random sequence that runs on
    // from one ReDraw to the next: a full composition draws afresh, and each
    // dissolve pixel's draw depends on how many dissolve pixels were drawn
    // before it, in this ReDraw and in earlier ones. A kept composite that
    // held a dissolve layer would skip those draws and leave every later one
    // different from what the full path gives. Layers without dissolve take
    // no draws, so the composite may still hold everything below the lowest
    // dissolve layer, and from there on everything is drawn every time, even
    // when nothing changed.
    const int from = std::min(changed, lowestDissolve);
    if (nothingChanged && lowestDissolve == count && cache.Clean &&
        ShowBmp.cacheKey() == cache.ShownKey)
        return true; // ShowBmp still holds the very composite this one would give

    if (cache.Level > from) cache.Level = -1; // it holds a layer that changed
    const bool haveComposite = cache.Level >= 0;
    // A new composite is kept just below the lowest changed layer, so that
    // the next change of that layer (the next step of a drag) starts there.
    // None for the background alone (filling it costs what copying would) and
    // none on top of every layer (the next move of the top layer would find
    // it too high).
    bool keep = from > 0 && from < count && (!haveComposite || cache.Level < from);
    if (keep && cache.Composite.isNull()) {
        cache.Composite = QImage(ImageWidth, ImageHeight, QImage::Format_BGR888);
        keep = !cache.Composite.isNull();
        if (!keep) cache.Level = -1;
    }

    bool clean = true;
    int start = 0;
    if (keep) {
        // The bottom layers are composed in the kept picture itself and then
        // copied once into ShowBmp.
        if (!haveComposite && !composeBackground(cache.Composite)) {
            InvalidateComposeCache();
            return false;
        }
        clean = composeLayers(cache.Composite, haveComposite ? cache.Level : 0, from);
        // A failed effect pass (memory running short, most likely) may not
        // fail next time: such a composite is shown once but not kept.
        cache.Level = clean ? from : -1;
        start = from;
    } else if (haveComposite) {
        start = cache.Level;
    } else if (!composeBackground(ShowBmp)) {
        InvalidateComposeCache();
        return false;
    }
    if (keep || haveComposite) {
        Q_ASSERT(cache.Composite.bytesPerLine() == ShowBmp.bytesPerLine());
        std::memcpy(ShowBmp.bits(), cache.Composite.constBits(), size_t(ShowBmp.sizeInBytes()));
    }
    clean = composeLayers(ShowBmp, start, count) && clean;

    std::swap(cache.Layers, cache.Scratch);
    cache.Document = document;
    cache.HavePrints = true;
    cache.Clean = clean;
    cache.ShownKey = ShowBmp.cacheKey();
    return true;
}
