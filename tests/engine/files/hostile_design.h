#pragma once

// Design files that ask for far more than their size suggests: a small real
// design with one text layer carrying every effect, whose text record is then
// rewritten so that its text is drawn huge. The stored effect pictures were
// made for the small text, so the reader has to make them again. Shared by
// the design-file tests and the design-file benchmark.

#include "lxImage.h"

#include <QByteArray>
#include <QSize>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace hostile {

inline constexpr qsizetype kHeaderBytes = 1044;
inline constexpr qsizetype kRecordBytes = 8440;
inline constexpr qsizetype kTextStyleAt = 44; // in the layer record
inline constexpr char kInstalledFont[] = "DejaVu Sans";
inline constexpr char kMissingFont[] = "No Such Font 9137";

inline uint32_t get32(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= uint32_t(uint8_t(b[at + k])) << (8 * k);
    return v;
}

// Effect settings every hostile layer gets: each effect on, with margins
// of 10..20 pixels (a fifth of that when Narrow, for small files), and
// both gradients.
inline bool switchEveryEffectOn(TlxImage& img, int i, bool narrow = false) {
    const int n = narrow ? 5 : 1;
    const TlxImage::ContourPointArray points{};
    const TlxImage::ContourTableArray table{};
    TColorlistSrcd stops;
    stops.Count = 2;
    stops.Stops = {{lxRGB(255, 0, 0), 0, 1.0}, {lxRGB(0, 0, 255), 0, 0.0}};
    QImage tile(4, 4, QImage::Format_BGR888);
    tile.fill(QColor(10, 200, 30));
    img.Layers[size_t(i)].Style.Stroke.Position = 0;
    img.Layers[size_t(i)].Style.ColorOverlayOn = true;
    return img.SetDropShadow(i, 0, 75, 5, 5, 2 / n, 20 / n, lxRGB(0, 0, 0), false, 0, points,
                             table) &&
           img.SetInnerShadow(i, 0, 60, 3, 3, 0, 10 / n, lxRGB(0, 0, 0), false, 0, points, table) &&
           img.SetOuterGlow(i, 0, 80, 2 / n, 15 / n, lxRGB(255, 255, 0), false, 0, points, table) &&
           img.SetInnerGlow(i, 0, 70, 1 / n, 12 / n, lxRGB(0, 255, 0), false, 0, points, table) &&
           img.SetBevel(i, 0, 0, 75, 50, 2, 2, 0, 10 / n, lxRGB(255, 255, 255), 0, false, 0, points,
                        table) &&
           img.SetStroke(i, 0, 100, 2 / n, 8 / n, lxRGB(255, 0, 0), false, 0, points, table) &&
           img.SetGradientStroke(i, lxGradientVertical, stops, false, 0) &&
           img.SetGradientOverlay(i, 0, 80, lxGradientDiagonal, stops, false, 45) &&
           img.SetPatternOverlay(i, 0, 50, tile);
}

// A canvas of the given size with `layers` text layers, each the word
// "Hi" in DejaVu Sans, with every effect on unless told otherwise.
inline std::unique_ptr<TlxImage> smallTextDesign(int layers, int canvasWidth = 1142,
                                                 int canvasHeight = 1142, bool effects = true,
                                                 bool narrow = false) {
    auto img = std::make_unique<TlxImage>();
    img->AutoSize = false;
    if (!img->NewImage(true, lxRGB(255, 255, 255), 24, canvasWidth, canvasHeight)) return nullptr;
    for (int n = 0; n < layers; ++n) {
        TlxTextStyle style{};
        SetText(style, "Hi");
        SetFontName(style, kInstalledFont);
        style.Size = 12;
        style.Arrangement = lxTextStandard;
        style.Color = lxRGB(200, 30, 40);
        if (!img->AddTextLayer(10 + 5 * n, 10 + 5 * n, style)) return nullptr;
        if (effects && !switchEveryEffectOn(*img, img->LayersCount - 1, narrow)) return nullptr;
    }
    return img;
}

// Where the record of layer `index` starts: after the header, the
// thumbnail and the records and streams of the layers below it.
inline qsizetype recordOffset(const QByteArray& file, int index) {
    qsizetype at = qsizetype(get32(file, 36));
    for (int i = 0; i < index; ++i) {
        const uint8_t* rec = reinterpret_cast<const uint8_t*>(file.constData() + at);
        qsizetype streams = 0;
        for (qsizetype field : {2296, 2300}) // picture and mask streams
            streams += qsizetype(get32(file, at + field));
        const auto on = [rec](size_t flag) { return rec[2305 + flag] != 0; };
        // The six mask effects, each with its stream length in its record.
        const std::pair<size_t, size_t> effects[] = {
            {4, 2324 + offsetof(TlxShadowStyle, MaskStreamSize)},
            {5, 3052 + offsetof(TlxShadowStyle, MaskStreamSize)},
            {6, 3780 + offsetof(TlxGlowStyle, MaskStreamSize)},
            {7, 4500 + offsetof(TlxGlowStyle, MaskStreamSize)},
            {8, 5220 + offsetof(TlxBevelStyle, MaskStreamSize)},
            {14, 6872 + offsetof(TlxStrokeStyle, MaskStreamSize)},
            {13, 6864 + offsetof(TlxPatternStyle, PatternSize)}};
        for (const auto& [flag, lengthAt] : effects)
            if (on(flag)) streams += qsizetype(get32(file, at + qsizetype(lengthAt)));
        at += kRecordBytes + streams;
    }
    return at;
}

inline TlxTextStyle textStyleAt(const QByteArray& file, int index) {
    TlxTextStyle style{};
    std::memcpy(&style, file.constData() + recordOffset(file, index) + kTextStyleAt, sizeof style);
    return style;
}

inline void setTextStyleAt(QByteArray& file, int index, const TlxTextStyle& style) {
    std::memcpy(file.data() + recordOffset(file, index) + kTextStyleAt, &style, sizeof style);
}

// A single line of the word "Balloon" repeated in Font at the given point
// size, with the letter and line spacing that bring the text picture as
// close to Target as spacing can. The size found is put into Made.
inline TlxTextStyle hugeText(TlxImage& measurer, const std::string& font, int points, QSize target,
                             int repeats, QSize& made) {
    TlxTextStyle style{};
    std::string text;
    for (int k = 0; k < repeats; ++k)
        text += "Balloon";
    SetText(style, text);
    SetFontName(style, font);
    style.Size = points;
    style.Arrangement = lxTextStandard;
    style.Color = lxRGB(20, 60, 200);
    QSize size;
    measurer.TextBitmapSize(text, style, size);
    // One line: the height is the line height plus the line spacing.
    const int line = std::clamp(target.height() - size.height(), -32768, 32767);
    // The width grows with the letter spacing; the largest that stays
    // within the target is searched for.
    int lo = -32768, hi = 32767;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        SetSpacing(style, int16_t(mid), int16_t(line));
        if (measurer.TextBitmapSize(text, style, size) && size.width() <= target.width())
            lo = mid;
        else
            hi = mid - 1;
    }
    SetSpacing(style, int16_t(lo), int16_t(line));
    if (!measurer.TextBitmapSize(text, style, made)) made = QSize();
    return style;
}

} // namespace hostile
