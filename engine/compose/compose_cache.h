#pragma once

// What ReDraw keeps between calls so that it can start from a composite of
// the bottom layers instead of the background.
//
// Composition is strictly bottom-up: the picture after layers 0 .. K - 1 is
// a function of the document-wide inputs and of those layers alone. So when
// none of them changed since that picture was taken, composing layers K ..
// top onto a copy of it gives the same bytes as composing everything.
//
// Change is found, not announced: each ReDraw takes a print of everything a
// layer's drawing reads and compares it with the print of the previous one.
// Pictures enter a print by their cache key, which Qt renews on every
// non-const access to the pixels, so writing through scanLine() or bits()
// shows up as a change; a pointer kept from before a ReDraw and written
// through afterwards does not, and a host doing that calls
// InvalidateComposeCache().

#include "lxImage.h"

#include <QImage>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lx {

// The compositor's gate: the layer is visible, can show, and has pictures of
// the formats and sizes it reads.
bool layerDrawn(const TlxLayer& Layer);

// A picture as far as composition can tell it apart from another one.
struct PicturePrint {
    qint64 Key = 0;
    int Width = 0;
    int Height = 0;
    int Format = 0;
    bool operator==(const PicturePrint&) const = default;
};

PicturePrint printOf(const QImage& Picture);

// The settings records of a layer style, byte for byte, padding and reserved
// fields included (the records are pinned and have no hidden padding).
inline constexpr size_t kStyleRecordBytes =
    2 * sizeof(TlxShadowStyle) + 2 * sizeof(TlxGlowStyle) + sizeof(TlxBevelStyle) +
    sizeof(TlxLayerStyle::Gloss) + sizeof(TlxColorOverlayStyle) + 2 * sizeof(TlxGradientStyle) +
    sizeof(TlxPatternStyle) + sizeof(TlxStrokeStyle);

// Everything the drawing of one slot reads. A slot that draws nothing
// (hidden, fully transparent without effects that ignore it, or with
// pictures the compositor refuses) prints as just that, so editing a hidden
// layer costs no recomposition.
struct LayerPrint {
    bool Drawn = false;
    bool UsesDissolve = false; // the layer or one of its effects
    int32_t Left = 0;
    int32_t Top = 0;
    uint64_t OpacityBits = 0; // the double's bits: -0 and 0 are told apart too
    uint8_t BlendMode = 0;
    bool Visible = false;
    bool HasMask = false;
    bool IsText = false;
    std::array<PicturePrint, 12> Pictures{}; // bitmap, alpha, mask, the effects' pictures
    std::array<bool, 12> Switches{};         // the effect switches and EffectsIgnoreOpacity
    std::array<uint8_t, kStyleRecordBytes> Records{};
    bool operator==(const LayerPrint&) const = default;
};

// Sets Print from Layer; Drawn says whether the compositor draws it at all.
void makeLayerPrint(const TlxLayer& Layer, bool Drawn, LayerPrint& Print);

// The document-wide inputs of composition.
struct DocumentPrint {
    int Width = 0;
    int Height = 0;
    uint8_t BackgroundMode = 0;
    TColor BackColor = 0;
    PicturePrint Back;
    uint64_t BlendTablesGeneration = 0;
    bool operator==(const DocumentPrint&) const = default;
};

} // namespace lx

struct TlxImage::ComposeCache {
    // The composite of the background and layers 0 .. Level - 1, valid when
    // Level >= 0; one display-sized picture at most.
    QImage Composite;
    int Level = -1;
    // The prints of the last ReDraw; empty when it did not finish, so that
    // the next one starts from the background.
    bool HavePrints = false;
    lx::DocumentPrint Document;
    std::vector<lx::LayerPrint> Layers;
    std::vector<lx::LayerPrint> Scratch; // the new prints, swapped in when done
    // ShowBmp's key right after the last ReDraw: equal later means nobody
    // wrote to it since. Clean: every effect pass of that ReDraw succeeded.
    qint64 ShownKey = 0;
    bool Clean = false;
};
