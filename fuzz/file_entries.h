#pragma once

// What each fuzz target does with one input. The regression test of the
// normal build replays saved inputs through these same functions, so an input
// that once broke a reader is fed to exactly the code it broke.
//
// Besides "no crash", each entry checks what the readers promise: a refused
// input names its reason; an accepted one gives a document whose pictures
// have the sizes the rest of the engine relies on, composes, and saves into
// data that reads back.

#include "files/bmp_stream.h"
#include "lxImage.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace velmofuzz {

struct Result {
    bool Accepted = false;
    bool Skipped = false; // beyond the fuzzing budget, not run
    std::string Problem;  // the first broken promise; empty when all held

    void note(std::string What) {
        if (Problem.empty()) Problem = std::move(What);
    }
};

// A design file may legitimately ask for a canvas of up to 400 million
// pixels; loading one composes it, which takes gigabytes and many seconds
// whatever the reader does. Such inputs say nothing about the reader's
// checks, so the fuzzer leaves canvases beyond 2048 x 2048 alone.
constexpr int64_t kCanvasPixelBudget = int64_t(2048) * 2048;

inline QByteArray viewOf(const uint8_t* Data, size_t Size) {
    // fromRawData needs a non-null pointer even for no bytes.
    static const char kNothing = 0;
    return QByteArray::fromRawData(Data ? reinterpret_cast<const char*>(Data) : &kNothing,
                                   qsizetype(Size));
}

// The sizes every layer of a loaded document must have: the compositor and
// the effect code index coverage and mask with the picture's coordinates.
inline std::string layerProblem(const TlxImage& Doc) {
    if (Doc.LayersCount < 1 || Doc.LayersCount > TlxImage::MaxFileLayers)
        return "layer count " + std::to_string(Doc.LayersCount);
    if (!TlxImage::PictureSizeAllowed(Doc.ImageWidth, Doc.ImageHeight))
        return "canvas size not allowed";
    if (Doc.ShowBmp.width() != Doc.ImageWidth || Doc.ShowBmp.height() != Doc.ImageHeight)
        return "display picture does not match the canvas";
    if (Doc.CurrLayerID < 0 || Doc.CurrLayerID >= Doc.LayersCount) return "current layer outside";
    for (int i = 0; i < Doc.LayersCount; ++i) {
        const TlxLayer& l = Doc.Layers[size_t(i)];
        const std::string at = "layer " + std::to_string(i) + ": ";
        if (l.Bitmap.isNull()) return at + "no picture";
        if (l.Alpha.size() != l.Bitmap.size()) return at + "coverage size differs";
        if (l.HasMask && l.Mask.size() != l.Bitmap.size()) return at + "mask size differs";
    }
    return {};
}

// Design files: read into a fresh document; when accepted, compose both
// ways, save, and read the saved data back. The file time is taken from the
// input's length so that both the current and the old-file rule for text
// effects are reached without changing what the bytes mean.
inline Result runDesign(const uint8_t* Data, size_t Size) {
    Result r;
    if (Size >= 16 && std::memcmp(Data, "QNL", 3) == 0) {
        const int64_t w = int32_t(uint32_t(Data[8]) | uint32_t(Data[9]) << 8 |
                                  uint32_t(Data[10]) << 16 | uint32_t(Data[11]) << 24);
        const int64_t h = int32_t(uint32_t(Data[12]) | uint32_t(Data[13]) << 8 |
                                  uint32_t(Data[14]) << 16 | uint32_t(Data[15]) << 24);
        if (w > 0 && h > 0 && w * h > kCanvasPixelBudget) {
            r.Skipped = true;
            return r;
        }
    }
    const uint32_t fileTime = (Size & 1) ? 0u : 0xFFFFFFFFu;
    auto doc = std::make_unique<TlxImage>();
    doc->AutoSize = false;
    if (!doc->LoadFromData(viewOf(Data, Size), fileTime)) {
        if (doc->LastFileError.isNone()) r.note("refused without a reason");
        if (doc->LayersCount != 0) r.note("a refused file left layers behind");
        return r;
    }
    r.Accepted = true;
    if (!doc->LastFileError.isNone()) r.note("accepted with an error set");
    // A broken promise is noted and the document used all the same: what
    // the engine does with it next is what a crash would come from.
    r.note(layerProblem(*doc));
    if (!doc->ReDraw()) r.note("ReDraw failed");
    QImage withCoverage;
    if (!doc->RenderToAlphaBitmap(withCoverage)) r.note("RenderToAlphaBitmap failed");
    QByteArray saved;
    if (!doc->SaveToData(saved)) {
        r.note("a loaded document cannot be saved: " + doc->LastFileError.message().toStdString());
        return r;
    }
    auto again = std::make_unique<TlxImage>();
    again->AutoSize = false;
    if (!again->LoadFromData(saved))
        r.note("saved data does not read back: " + again->LastFileError.message().toStdString());
    else if (again->LayersCount != doc->LayersCount)
        r.note("saved data reads back other layers");
    return r;
}

// The document a style is applied to: a 40 x 30 canvas with one picture
// layer whose coverage has a soft edge, so every effect has an edge to work
// on. Kind 1 has every effect switched on already (so the file's settings
// meet masks to keep or rebuild), kind 2 makes the layer a text layer.
inline std::unique_ptr<TlxImage> styleTarget(int Kind) {
    auto doc = std::make_unique<TlxImage>();
    doc->AutoSize = false;
    if (!doc->NewImage(true, lxRGB(250, 250, 250), 24, 40, 30)) return nullptr;
    QImage picture(20, 16, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const int edge = std::min({x, y, picture.width() - 1 - x, picture.height() - 1 - y});
            picture.setPixel(x, y, qRgba(40 + 9 * x, 200 - 7 * y, 90, edge >= 3 ? 255 : edge * 85));
        }
    if (!doc->AddBitmapLayer(picture)) return nullptr;
    TlxLayer& layer = doc->Layers[1];
    layer.Left = 8;
    layer.Top = 6;
    if (Kind == 2) {
        TlxTextStyle text{};
        SetText(text, "Ab");
        SetFontName(text, "DejaVu Sans");
        text.Size = 12;
        text.Color = lxRGB(200, 30, 40);
        layer.IsText = true;
        layer.TextStyle = text;
        if (!doc->RenderTextLayer(1)) return nullptr;
    }
    if (Kind == 1) {
        const TlxImage::ContourPointArray points{};
        const TlxImage::ContourTableArray table{};
        TColorlistSrcd stops;
        stops.Count = 2;
        stops.Stops = {{lxRGB(255, 0, 0), 0, 1.0}, {lxRGB(0, 0, 255), 0, 0.0}};
        QImage tile(3, 2, QImage::Format_ARGB32);
        tile.fill(qRgba(9, 80, 7, 128));
        const bool ok =
            doc->SetDropShadow(1, 9, 75, 3, 3, 1, 2, 0, false, 0, points, table) &&
            doc->SetInnerShadow(1, 0, 60, -2, 2, 0, 2, lxRGB(0, 0, 255), false, 0, points, table) &&
            doc->SetOuterGlow(1, 16, 85, 2, 3, lxRGB(255, 205, 51), false, 0, points, table) &&
            doc->SetInnerGlow(1, 0, 70, 1, 2, lxRGB(0, 255, 0), false, 0, points, table) &&
            doc->SetBevel(1, 16, 9, 75, 50, 2, 2, 0, 2, lxRGB(255, 255, 255), 0, false, 0, points,
                          table) &&
            doc->SetStroke(1, 0, 100, 1, 2, lxRGB(255, 0, 0), false, 0, points, table) &&
            doc->SetGradientStroke(1, lxGradientVertical, stops, true, 0) &&
            doc->SetGradientOverlay(1, 0, 80, lxGradientDiagonal, stops, false, 135) &&
            doc->SetPatternOverlay(1, 0, 50, tile);
        if (!ok) return nullptr;
        layer.Style.ColorOverlayOn = true;
        layer.Style.ColorOverlay.Color = lxRGB(255, 255, 0);
        layer.Style.ColorOverlay.Opacity = 60;
    }
    if (!doc->ReDraw()) return nullptr;
    return doc;
}

// Style files: applied to layer 1 of a target chosen by the input's length;
// the document composes both ways whatever the outcome, and the style saves
// into data that applies again.
inline Result runStyle(const uint8_t* Data, size_t Size) {
    Result r;
    const int kind = int(Size % 3);
    auto doc = styleTarget(kind);
    if (!doc) {
        r.note("the target document could not be built");
        return r;
    }
    const bool ok = doc->LoadLayerStyleFromData(1, viewOf(Data, Size));
    // An effect that cannot be set up (a setting beyond its limits) makes the
    // load report false after the rest was applied; either way the reason is
    // named and the document must still compose.
    r.Accepted = ok;
    if (!ok && doc->LastFileError.isNone()) r.note("refused without a reason");
    r.note(layerProblem(*doc));
    if (!doc->ReDraw()) r.note("ReDraw failed");
    QImage withCoverage;
    if (!doc->RenderToAlphaBitmap(withCoverage)) r.note("RenderToAlphaBitmap failed");
    QByteArray saved;
    if (!doc->SaveLayerStyleToData(1, saved)) {
        r.note("the style cannot be saved: " + doc->LastFileError.message().toStdString());
        return r;
    }
    // What was applied once applies again. Into the same layer, so the
    // effects meet their own settings and keep their masks (rebuilding them
    // all again would double the time of every input); only effects whose
    // set-up failed the first time may fail again.
    if (!doc->LoadLayerStyleFromData(1, saved) && ok)
        r.note("a saved style does not apply: " + doc->LastFileError.message().toStdString());
    return r;
}

// Bitmaps: decode; when accepted, the three conversions must give pictures
// of the decoded size, and the colour picture must survive a 24-bit write
// and read unchanged.
inline Result runBmp(const uint8_t* Data, size_t Size) {
    Result r;
    lx::DecodedBmp bmp;
    QString error;
    if (!lx::decodeBmp(Data, Size, bmp, error)) {
        if (error.isEmpty()) r.Problem = "refused without a reason";
        return r;
    }
    r.Accepted = true;
    const QSize size = bmp.Pixels.size();
    if (bmp.Pixels.isNull() || size.width() <= 0 || size.height() <= 0) {
        r.Problem = "accepted without pixels";
        return r;
    }
    const QImage colour = lx::decodedToBgr(bmp);
    const QImage fourth = lx::decodedFourthByte(bmp);
    const QImage levels = lx::decodedLevels(bmp);
    if (colour.size() != size || fourth.size() != size || levels.size() != size) {
        r.Problem = "a conversion changed the size";
        return r;
    }
    if (colour.format() != QImage::Format_BGR888 || fourth.format() != QImage::Format_Grayscale8 ||
        levels.format() != QImage::Format_Grayscale8) {
        r.Problem = "a conversion gave another format";
        return r;
    }
    const QByteArray again = lx::encodeBmp24(colour);
    lx::DecodedBmp back;
    if (!lx::decodeBmp(reinterpret_cast<const uint8_t*>(again.constData()), size_t(again.size()),
                       back, error)) {
        r.Problem = "the 24-bit copy does not decode: " + error.toStdString();
        return r;
    }
    const QImage colourBack = lx::decodedToBgr(back);
    for (int y = 0; y < size.height(); ++y)
        if (std::memcmp(colour.constScanLine(y), colourBack.constScanLine(y),
                        size_t(size.width()) * 3) != 0) {
            r.Problem = "the 24-bit copy differs in row " + std::to_string(y);
            return r;
        }
    return r;
}

} // namespace velmofuzz
