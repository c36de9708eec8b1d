// The fuzz targets' entry points in the normal build: the seed corpus they
// start from (written to a folder when VELMO_FUZZ_SEEDS names one) must be
// accepted, and every input once found to break a reader, kept under
// fuzz_regressions/<target>/, must now pass. A kept input whose name starts
// with "invalid-" must also be refused.

#include "../../fuzz/file_entries.h"

#include "file_fixtures.h"
#include "files/bmp_stream.h"
#include "files/byte_io.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace filetest;

namespace {

using Entry = std::function<velmofuzz::Result(const uint8_t*, size_t)>;

velmofuzz::Result run(const Entry& entry, const QByteArray& data) {
    return entry(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
}

// ---- design seeds ----

std::unique_ptr<TlxImage> emptyDocument(int w, int h, bool transparent) {
    auto d = std::make_unique<TlxImage>();
    d->AutoSize = false;
    EXPECT_TRUE(d->NewImage(!transparent, lxRGB(230, 240, 250), 24, w, h));
    return d;
}

QImage gradientMask(int w, int h) {
    QImage m(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m.scanLine(y)[x] = uint8_t(x * 255 / std::max(w - 1, 1));
    return m;
}

// One picture layer with a mask, nothing else.
std::unique_ptr<TlxImage> maskedPicture() {
    auto d = emptyDocument(32, 24, true);
    EXPECT_TRUE(d->AddBitmapLayer(squareWithCoverage(20, 14, {30, 90, 200})));
    EXPECT_TRUE(d->SetLayerMaskPicture(1, gradientMask(20, 14)));
    d->Layers[1].Left = 5;
    d->Layers[1].Top = 4;
    return d;
}

// Every effect kind, on picture and text layers, with a contour and both
// pattern depths.
std::unique_ptr<TlxImage> everyEffect() {
    auto d = emptyDocument(64, 48, false);
    EXPECT_TRUE(d->AddBitmapLayer(squareWithCoverage(24, 16, {40, 120, 200})));
    EXPECT_TRUE(d->SetLayerMaskPicture(1, gradientMask(24, 16)));
    EXPECT_TRUE(d->SetDropShadow(1, 9, 75, 3, 4, 1, 3, 0, false, 0, kNoPoints, kNoTable));
    EXPECT_TRUE(
        d->SetInnerShadow(1, 0, 60, -2, 2, 0, 2, lxRGB(0, 0, 255), false, 0, kNoPoints, kNoTable));
    QImage tile24 = solidBgr(3, 2, {9, 80, 200});
    EXPECT_TRUE(d->SetPatternOverlay(1, 5, 70, tile24));
    d->Layers[1].Left = 4;
    d->Layers[1].Top = 6;

    EXPECT_TRUE(d->AddTextLayer(10, 20, textStyle("Hi")));
    EXPECT_TRUE(
        d->SetOuterGlow(2, 16, 85, 2, 4, lxRGB(255, 205, 51), false, 0, kNoPoints, kNoTable));
    EXPECT_TRUE(d->SetStroke(2, 0, 100, 1, 2, lxRGB(255, 0, 0), false, 0, kNoPoints, kNoTable));
    EXPECT_TRUE(d->SetGradientStroke(2, lxGradientVertical, twoStops(), true, 0));
    d->Layers[2].Style.ColorOverlayOn = true;
    d->Layers[2].Style.ColorOverlay.Color = lxRGB(255, 255, 0);
    d->Layers[2].Style.ColorOverlay.Opacity = 60;
    d->Layers[2].Style.EffectsIgnoreOpacity = true;

    EXPECT_TRUE(d->AddBitmapLayer(squareWithCoverage(18, 14, {200, 60, 10})));
    TlxImage::ContourPointArray points{};
    points[0] = {0, 255};
    points[1] = {255, 0};
    TlxImage::ContourTableArray table{};
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = uint8_t(255 - i);
    EXPECT_TRUE(d->SetInnerGlow(3, 0, 70, 1, 3, lxRGB(0, 255, 0), true, 2, points, table));
    EXPECT_TRUE(
        d->SetBevel(3, 16, 9, 75, 50, 2, 2, 0, 3, lxRGB(255, 255, 255), 0, true, 2, points, table));
    EXPECT_TRUE(d->SetGradientOverlay(3, 0, 80, lxGradientDiagonal, twoStops(), false, 135));
    QImage tile32(3, 2, QImage::Format_ARGB32);
    tile32.fill(qRgba(9, 8, 7, 128));
    EXPECT_TRUE(d->SetPatternOverlay(3, 0, 50, tile32));
    d->Layers[3].Left = 40;
    d->Layers[3].Top = 30;
    d->Layers[3].Opacity = 0.5;
    d->DocInfo1 = "seed";
    d->DocPointCount = 2;
    d->DocPoints[1] = {7, -7};
    return d;
}

// Text in every arrangement.
std::unique_ptr<TlxImage> textArrangements() {
    auto d = emptyDocument(64, 64, true);
    const int16_t kinds[] = {lxTextStandard, lxTextTurnedLine, lxTextTurnedChars, lxTextCircle,
                             lxTextArc,      lxTextFreehand,   lxTextVertical,    lxTextPlain};
    int y = 0;
    for (int16_t kind : kinds) {
        TlxTextStyle s = textStyle("Ab\r\nC");
        s.Size = 8;
        s.Arrangement = kind;
        if (kind == lxTextTurnedLine || kind == lxTextTurnedChars) s.Param = 30;
        if (kind == lxTextArc) SetArc(s, 20, 15);
        if (kind == lxTextStandard || kind == lxTextVertical) SetSpacing(s, 1, 2);
        if (kind == lxTextFreehand) {
            SetText(s, "xy");
            SetFreehandCanvas(s, 64, 64);
            SetFreehandPlace(s, 0, {2, 3, 0});
            SetFreehandPlace(s, 1, {10, 4, 45});
        }
        s.Smoothing = uint8_t(kind % 4);
        EXPECT_TRUE(d->AddTextLayer(2, y, s)) << kind;
        y += 6;
    }
    return d;
}

// Layers drawn with the table modes and other odd modes, partly off the canvas.
std::unique_ptr<TlxImage> blendModes() {
    auto d = emptyDocument(40, 30, false);
    const uint8_t modes[] = {1, 7, 15, 23, 26, 29, 32};
    int k = 0;
    for (uint8_t mode : modes) {
        EXPECT_TRUE(d->AddBitmapLayer(squareWithCoverage(16, 12, {uint8_t(30 * k), 100, 200})));
        TlxLayer& l = d->Layers[size_t(d->LayersCount - 1)];
        l.BlendMode = mode;
        l.Left = 6 * k - 8;
        l.Top = 3 * k - 4;
        l.Opacity = 0.4 + 0.08 * k;
        ++k;
    }
    return d;
}

QByteArray saved(TlxImage& d) {
    QByteArray data;
    EXPECT_TRUE(d.ReDraw());
    EXPECT_TRUE(d.SaveToData(data)) << d.LastFileError.message().toStdString();
    return data;
}

// The same document as a file of an older version: the header of the
// current file with its version changed, then the older layer records and
// their streams. Short effect records are the long ones without the contour
// block: shadow 44 bytes + 2 reserved words, glow 36 + 2 words, bevel 56 +
// stream length + 1 word, stroke 28 + stream length + 1 word.
QByteArray olderVersion(TlxImage& d, uint16_t version) {
    QByteArray current = saved(d);
    const qsizetype layerData = qsizetype(get32(current, 36));
    QByteArray out = current.left(layerData);
    put16(out, 4, version);
    const qsizetype recordSize = version == 256 ? 2528 : version == 257 ? 2856 : 4392;
    for (int i = 0; i < d.LayersCount; ++i) {
        const TlxLayer& l = d.Layers[size_t(i)];
        TlxLayerStyle s = l.Style;
        QByteArray record(recordSize, '\0');
        const std::string name = l.Name.substr(0, 16);
        record[0] = char(name.size());
        std::memcpy(record.data() + 1, name.data(), name.size());
        record[17] = l.IsText ? 1 : 0;
        put32(record, 20, uint32_t(l.Left));
        put32(record, 24, uint32_t(l.Top));
        putRaw(record, 32, l.Opacity);
        record[40] = char(l.BlendMode);
        putRaw(record, 44, l.TextStyle);
        std::memcpy(record.data() + 2168, l.HostData.data(), l.HostData.size());
        record[2292] = l.Visible ? 1 : 0;
        record[2293] = l.HasMask ? 1 : 0;
        QByteArray streams;
        if (!l.IsText) {
            const QByteArray image = lx::encodeBmp32(l.Bitmap, l.Alpha);
            put32(record, 2296, uint32_t(image.size()));
            streams += image;
        }
        if (l.HasMask) {
            const QByteArray mask = lx::encodeBmp24(l.Mask);
            put32(record, 2300, uint32_t(mask.size()));
            streams += mask;
        }
        if (version >= 257) {
            // Stream order: drop shadow, inner shadow, inner glow, outer glow,
            // bevel, stroke.
            const auto effect = [&](bool on, const QImage& mask, int32_t& length) {
                if (!on) return;
                const QByteArray bytes = lx::encodeBmp8(mask);
                length = int32_t(bytes.size());
                streams += bytes;
            };
            effect(s.DropShadowOn, s.DropShadowMask, s.DropShadow.MaskStreamSize);
            effect(s.InnerShadowOn, s.InnerShadowMask, s.InnerShadow.MaskStreamSize);
            effect(s.InnerGlowOn, s.InnerGlowMask, s.InnerGlow.MaskStreamSize);
            effect(s.OuterGlowOn, s.OuterGlowMask, s.OuterGlow.MaskStreamSize);
            effect(s.BevelOn, s.BevelMask, s.Bevel.MaskStreamSize);
            effect(s.StrokeOn, s.StrokeMask, s.Stroke.MaskStreamSize);
            // Version 257 stores no overlays but the colour overlay.
            const bool v258 = version == 258;
            const qsizetype flags = v258 ? 2305 : 2304;
            record[flags + 4] = s.DropShadowOn;
            record[flags + 5] = s.InnerShadowOn;
            record[flags + 6] = s.OuterGlowOn;
            record[flags + 7] = s.InnerGlowOn;
            record[flags + 8] = s.BevelOn;
            record[flags + 11] = s.ColorOverlayOn;
            record[flags + 14] = s.StrokeOn;
            record.replace(v258 ? 2324 : 2320, 52, shortShadow(s.DropShadow, 0, 0));
            record.replace(v258 ? 2376 : 2372, 52, shortShadow(s.InnerShadow, 0, 0));
            record.replace(v258 ? 2428 : 2424, 44, shortGlow(s.OuterGlow));
            record.replace(v258 ? 2472 : 2468, 44, shortGlow(s.InnerGlow));
            record.replace(v258 ? 2516 : 2512, 64, shortBevel(s.Bevel, s.Bevel.MaskStreamSize));
            putRaw(record, v258 ? 2628 : 2688, s.ColorOverlay);
            record.replace(v258 ? 3496 : 2808, 36, shortStroke(s.Stroke, s.Stroke.MaskStreamSize));
            record[v258 ? 4380 : 2848] = s.EffectsIgnoreOpacity;
            if (v258) {
                record[2304] = char(l.State);
                record[flags + 12] = s.GradientOverlayOn;
                record[flags + 13] = s.PatternOverlayOn;
                record[flags + 15] = s.StrokeGradientOn;
                putRaw(record, 2648, s.GradientOverlay);
                putRaw(record, 3536, s.StrokeGradient);
                if (s.PatternOverlayOn) {
                    const QByteArray tile = lx::encodeBmpAsIs(s.PatternBitmap);
                    s.PatternOverlay.PatternSize = int32_t(tile.size());
                    streams += tile;
                }
                putRaw(record, 3488, s.PatternOverlay);
            }
        }
        out += record + streams;
    }
    return out;
}

std::map<std::string, QByteArray> designSeeds() {
    std::map<std::string, QByteArray> seeds;
    auto masked = maskedPicture();
    seeds["masked_picture"] = saved(*masked);
    auto effects = everyEffect();
    seeds["every_effect"] = saved(*effects);
    QByteArray v259 = seeds["every_effect"];
    put16(v259, 4, 259);
    seeds["every_effect_v259"] = v259;
    for (uint16_t v : {256, 257, 258})
        seeds["every_effect_v" + std::to_string(v)] = olderVersion(*effects, v);
    auto text = textArrangements();
    seeds["text_arrangements"] = saved(*text);
    auto modes = blendModes();
    seeds["blend_modes"] = saved(*modes);
    return seeds;
}

// ---- style seeds ----

std::map<std::string, QByteArray> styleSeeds() {
    std::map<std::string, QByteArray> seeds;
    auto d = everyEffect();
    for (int layer = 1; layer <= 3; ++layer) {
        QByteArray data;
        EXPECT_TRUE(d->SaveLayerStyleToData(layer, data)) << layer;
        seeds["layer" + std::to_string(layer)] = data;
    }
    for (int k = 0; k <= 12; ++k) {
        const QByteArray preset = TlxImage::PresetTextEffect(k);
        EXPECT_FALSE(preset.isEmpty()) << k;
        seeds["preset" + std::to_string(k)] = preset;
    }
    return seeds;
}

// ---- bitmap seeds ----

// A bitmap file the encoders do not write: InfoSize-byte header, Bits per
// pixel, optional bit-field masks, a palette of PaletteCount entries, rows
// of a simple pattern; Height negative for top-down rows.
QByteArray handBuiltBmp(uint32_t infoSize, int bits, int w, int h, uint32_t compression,
                        std::vector<uint32_t> masks, int paletteCount) {
    const bool core = infoSize == 12;
    const int entry = core ? 3 : 4;
    const bool masksAfter = compression == 3 && infoSize == 40;
    const qsizetype stride = (qsizetype(w) * bits + 31) / 32 * 4;
    const qsizetype offset =
        14 + infoSize + (masksAfter ? 12 : 0) + qsizetype(paletteCount) * entry;
    QByteArray b(offset + stride * std::abs(h), '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, uint32_t(b.size()));
    put32(b, 10, uint32_t(offset));
    put32(b, 14, infoSize);
    if (core) {
        put16(b, 18, uint16_t(w));
        put16(b, 20, uint16_t(h));
        put16(b, 22, 1);
        put16(b, 24, uint16_t(bits));
    } else {
        put32(b, 18, uint32_t(w));
        put32(b, 22, uint32_t(h));
        put16(b, 26, 1);
        put16(b, 28, uint16_t(bits));
        put32(b, 30, compression);
        put32(b, 46, uint32_t(paletteCount));
        for (size_t k = 0; k < masks.size(); ++k)
            put32(b, qsizetype(14 + (masksAfter ? infoSize : 40) + 4 * k), masks[k]);
    }
    const qsizetype palette = offset - qsizetype(paletteCount) * entry;
    for (int i = 0; i < paletteCount; ++i)
        for (int c = 0; c < 3; ++c)
            b[palette + i * entry + c] = char(i * 37 + c * 80);
    for (qsizetype k = offset; k < b.size(); ++k)
        b[k] = char(k * 29);
    return b;
}

std::map<std::string, QByteArray> bmpSeeds() {
    std::map<std::string, QByteArray> seeds;
    const QImage colour =
        squareWithCoverage(13, 7, {10, 100, 200}).convertToFormat(QImage::Format_BGR888);
    seeds["encoded32"] = lx::encodeBmp32(colour, gradientMask(13, 7));
    seeds["encoded24"] = lx::encodeBmp24(colour);
    seeds["encoded8"] = lx::encodeBmp8(gradientMask(13, 7));
    seeds["encoded_as_is"] = lx::encodeBmpAsIs(squareWithCoverage(5, 9, {1, 2, 3}));
    seeds["indexed1"] = handBuiltBmp(40, 1, 19, 5, 0, {}, 2);
    seeds["indexed4_top_down"] = handBuiltBmp(40, 4, 11, -6, 0, {}, 16);
    seeds["core_header8"] = handBuiltBmp(12, 8, 6, 4, 0, {}, 256);
    seeds["rgb16"] = handBuiltBmp(40, 16, 7, 3, 0, {}, 0);
    seeds["fields16_565"] = handBuiltBmp(40, 16, 7, 3, 3, {0xF800, 0x07E0, 0x001F}, 0);
    seeds["fields32_v5"] =
        handBuiltBmp(124, 32, 4, 4, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 0);
    seeds["fields32_v3"] = handBuiltBmp(56, 32, 3, 2, 3, {0x3FF00000, 0x000FFC00, 0x3FF, 0}, 0);
    return seeds;
}

struct TargetSeeds {
    const char* Name;
    qsizetype MaxLen; // the -max_len scripts/fuzz gives the target
    Entry Run;
    std::function<std::map<std::string, QByteArray>()> Make;
};

const std::vector<TargetSeeds>& targets() {
    static const std::vector<TargetSeeds> all = {
        {"design", 1 << 20, velmofuzz::runDesign, designSeeds},
        {"style", 64 << 10, velmofuzz::runStyle, styleSeeds},
        {"bmp", 256 << 10, velmofuzz::runBmp, bmpSeeds},
    };
    return all;
}

} // namespace

// Every seed is a good file: a seed the reader refuses would only teach the
// fuzzer the refusal.
TEST(FuzzSeedsTest, SeedsAreAcceptedAndWrittenOnRequest) {
    const QString folder = qEnvironmentVariable("VELMO_FUZZ_SEEDS");
    for (const TargetSeeds& t : targets()) {
        SCOPED_TRACE(t.Name);
        const auto seeds = t.Make();
        ASSERT_FALSE(seeds.empty());
        QDir dir(folder + QLatin1Char('/') + QLatin1String(t.Name));
        if (!folder.isEmpty()) {
            ASSERT_TRUE(dir.mkpath(QStringLiteral(".")));
        }
        for (const auto& [name, data] : seeds) {
            SCOPED_TRACE(name);
            ASSERT_FALSE(data.isEmpty());
            const velmofuzz::Result r = run(t.Run, data);
            EXPECT_TRUE(r.Accepted);
            EXPECT_FALSE(r.Skipped);
            EXPECT_EQ(r.Problem, "");
            // The fuzzer never grows an input past this, so a longer seed
            // would be cut.
            EXPECT_LE(data.size(), t.MaxLen);
            if (folder.isEmpty()) continue;
            QFile file(dir.filePath(QString::fromStdString(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(data), data.size());
        }
    }
}

// Inputs that once crashed a reader or broke one of its promises.
TEST(FuzzRegressionTest, KeptInputsPass) {
    // The build names the folder: __FILE__ may be a path relative to
    // wherever the compiler ran.
    const std::filesystem::path root = VELMO_FUZZ_REGRESSIONS;
    int replayed = 0;
    for (const TargetSeeds& t : targets()) {
        const std::filesystem::path dir = root / t.Name;
        if (!std::filesystem::is_directory(dir)) continue;
        for (const auto& item : std::filesystem::directory_iterator(dir)) {
            if (!item.is_regular_file()) continue;
            const std::string name = item.path().filename().string();
            SCOPED_TRACE(std::string(t.Name) + "/" + name);
            QFile file(QString::fromStdString(item.path().string()));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const velmofuzz::Result r = run(t.Run, file.readAll());
            EXPECT_EQ(r.Problem, "");
            if (name.rfind("invalid-", 0) == 0) {
                EXPECT_FALSE(r.Accepted);
            }
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0) << "no kept inputs under " << root;
}
