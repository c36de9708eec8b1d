// Layer style files: a layer's opacity, blend mode and every effect setting,
// and the pattern tile. Version 259 is written; 256 to 258 are read as well.
// The layout is described in docs/file_formats.md.
//
// The whole file is checked before the layer is touched, so a damaged file
// leaves the layer as it was. Applying a style sets up the effects it turns
// on, rebuilds those whose mask would change and keeps the rest.

#include "files/atomic_file.h"
#include "files/bmp_stream.h"
#include "files/byte_io.h"
#include "files/read_file.h"
#include "files/short_records.h"
#include "lxImage.h"

#include <QFile>

#include <cmath>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 14;
constexpr uint32_t kErrorBox = 0x10;
const char kVersionMessage[] =
    "要读取的样式列表文件版本过高，请使用更高版本的《Quenlix图像处理系统》进行读取。";

// A style file read and checked, not yet applied.
struct ParsedStyle {
    int Version = 0;
    double Opacity = 1.0;
    uint8_t BlendMode = 0;
    bool EffectsIgnoreOpacity = false;
    // Flags and records in file order: drop shadow, inner shadow, inner glow,
    // outer glow, bevel, stroke; the short records of older versions are
    // kept as bytes and expanded into the layer's record when applied.
    uint8_t Flags[6] = {};
    const uint8_t* Records[6] = {};
    uint8_t ColorOverlayOn = 0;
    TlxColorOverlayStyle ColorOverlay{};
    bool HasGloss = false;
    uint8_t Gloss[48] = {};
    bool HasGradientOverlay = false;
    uint8_t GradientOverlayOn = 0;
    TlxGradientStyle GradientOverlay{};
    bool HasStrokeGradient = false;
    uint8_t StrokeGradientOn = 0;
    TlxGradientStyle StrokeGradient{};
    bool HasPattern = false;
    uint8_t PatternOverlayOn = 0;
    TlxPatternStyle PatternOverlay{};
    QImage Pattern;
    // Bytes after the last item the version has (and its pattern).
    size_t Trailing = 0;
};

bool parseStyle(const uint8_t* data, size_t size, ParsedStyle& p, TlxFileError& error,
                bool& versionMessage) {
    versionMessage = false;
    if (size < 12 || data[0] != 10 || std::memcmp(data + 1, "LayerStyle", 10) != 0) {
        error.set(TlxFileErrorCode::NotThisKind, QStringLiteral("not a layer style file"));
        return false;
    }
    if (size < kHeaderSize) {
        error.set(TlxFileErrorCode::Damaged,
                  QStringLiteral("the style file is cut short in its header"));
        return false;
    }
    p.Version = lx::getU16(data, 12);
    if (p.Version < 256 || p.Version > TlxImage::StyleFileVersion) {
        versionMessage = true;
        error.set(TlxFileErrorCode::UnsupportedVersion,
                  QStringLiteral("the style file is of version %1; this program reads 256 to %2")
                      .arg(p.Version)
                      .arg(TlxImage::StyleFileVersion));
        return false;
    }
    const bool shortRecords = p.Version < 259;
    const size_t recordSizes[6] = {shortRecords ? lx::kShortShadowSize : sizeof(TlxShadowStyle),
                                   shortRecords ? lx::kShortShadowSize : sizeof(TlxShadowStyle),
                                   shortRecords ? lx::kShortGlowSize : sizeof(TlxGlowStyle),
                                   shortRecords ? lx::kShortGlowSize : sizeof(TlxGlowStyle),
                                   shortRecords ? lx::kShortBevelSize : sizeof(TlxBevelStyle),
                                   shortRecords ? lx::kShortStrokeSize : sizeof(TlxStrokeStyle)};

    lx::ByteReader in(data, size);
    in.skip(kHeaderSize);
    const QString cut = QStringLiteral("the style file is cut short");
    if (!in.readRecord(p.Opacity) || !in.u8(p.BlendMode)) {
        error.set(TlxFileErrorCode::Damaged, cut);
        return false;
    }
    uint8_t ignore = 0;
    if (!in.u8(ignore)) {
        error.set(TlxFileErrorCode::Damaged, cut);
        return false;
    }
    p.EffectsIgnoreOpacity = ignore != 0;
    for (int k = 0; k < 6; ++k) {
        if (!in.u8(p.Flags[k]) || in.remaining() < recordSizes[k]) {
            error.set(TlxFileErrorCode::Damaged, cut);
            return false;
        }
        p.Records[k] = in.current();
        in.skip(recordSizes[k]);
    }
    if (!in.u8(p.ColorOverlayOn) || !in.readRecord(p.ColorOverlay)) {
        error.set(TlxFileErrorCode::Damaged, cut);
        return false;
    }
    // Anything after the colour overlay is not read: the version 256 files
    // of the program's own presets carry a gloss block there.
    if (p.Version == 256) return true;

    uint8_t glossOn = 0;
    if (!in.u8(glossOn) || !in.read(p.Gloss, sizeof p.Gloss) || !in.u8(p.GradientOverlayOn) ||
        !in.readRecord(p.GradientOverlay)) {
        error.set(TlxFileErrorCode::Damaged, cut);
        return false;
    }
    p.HasGloss = p.HasGradientOverlay = true;
    if (p.Version >= 258) {
        if (!in.u8(p.StrokeGradientOn) || !in.readRecord(p.StrokeGradient)) {
            error.set(TlxFileErrorCode::Damaged, cut);
            return false;
        }
        p.HasStrokeGradient = true;
    }
    if (!in.u8(p.PatternOverlayOn) || !in.readRecord(p.PatternOverlay)) {
        error.set(TlxFileErrorCode::Damaged, cut);
        return false;
    }
    p.HasPattern = true;
    if (p.PatternOverlayOn != 0) {
        const int32_t length = p.PatternOverlay.PatternSize;
        if (length <= 0 || size_t(length) > in.remaining()) {
            error.set(TlxFileErrorCode::Damaged,
                      QStringLiteral("the pattern's length points past the end of the style file"));
            return false;
        }
        lx::DecodedBmp bmp;
        QString reason;
        if (!lx::decodeBmp(in.current(), size_t(length), bmp, reason)) {
            error.set(lx::bitmapFailureCode(reason), QStringLiteral("pattern: %1").arg(reason));
            return false;
        }
        p.Pattern = bmp.BitCount == 32 ? bmp.Pixels : lx::decodedToBgr(bmp);
        if (p.Pattern.isNull()) throw std::bad_alloc();
        in.skip(size_t(length));
    }
    p.Trailing = in.remaining();
    return true;
}

// The contour of a record as the set-up calls take it.
struct ContourArgs {
    TlxImage::ContourPointArray Points{};
    TlxImage::ContourTableArray Table{};
    bool Use = false;
    int Count = 0;
    explicit ContourArgs(const TlxContour& c) {
        Use = c.UseContour != 0;
        Count = c.PointCount;
        std::memcpy(Points.data(), c.Points, sizeof c.Points);
        std::memcpy(Table.data(), c.Table, sizeof c.Table);
    }
};

TColorlistSrcd stopsOf(const TlxGradientStyle& g) {
    TColorlistSrcd list;
    list.Count = std::clamp<int32_t>(g.StopCount, 0, TlxGradientStyle::MaxStops);
    list.Stops.assign(g.Stops, g.Stops + list.Count);
    return list;
}

} // namespace

bool TlxImage::SaveLayerStyleToData(int Layer, QByteArray& Data) {
    LastFileError.clear();
    if (!validIndex(Layer)) {
        LastFileError.set(TlxFileErrorCode::NoSuchLayer,
                          QStringLiteral("there is no layer %1").arg(Layer));
        return false;
    }
    try {
        TlxLayer& layer = Layers[size_t(Layer)];
        TlxLayerStyle& s = layer.Style;
        QByteArray pattern;
        if (s.PatternOverlayOn) {
            pattern = lx::encodeBmpAsIs(s.PatternBitmap);
            // The stored length goes into the layer's own record as well.
            if (!pattern.isEmpty()) s.PatternOverlay.PatternSize = int32_t(pattern.size());
        }

        QByteArray out;
        out.reserve(6135 + pattern.size());
        const auto put = [&out](const auto& value) {
            out.append(reinterpret_cast<const char*>(&value), qsizetype(sizeof value));
        };
        const auto flag = [&out](bool on) { out.append(char(on ? 1 : 0)); };
        out.append(char(10));
        out.append("LayerStyle", 10);
        out.append(char(0));
        const uint16_t version = StyleFileVersion;
        out.append(char(version & 255));
        out.append(char(version >> 8));
        put(layer.Opacity);
        put(layer.BlendMode);
        flag(s.EffectsIgnoreOpacity);
        flag(s.DropShadowOn);
        put(s.DropShadow);
        flag(s.InnerShadowOn);
        put(s.InnerShadow);
        flag(s.InnerGlowOn);
        put(s.InnerGlow);
        flag(s.OuterGlowOn);
        put(s.OuterGlow);
        flag(s.BevelOn);
        put(s.Bevel);
        flag(s.StrokeOn);
        put(s.Stroke);
        flag(s.ColorOverlayOn);
        put(s.ColorOverlay);
        flag(s.GlossOn);
        put(s.Gloss);
        flag(s.GradientOverlayOn);
        put(s.GradientOverlay);
        flag(s.StrokeGradientOn);
        put(s.StrokeGradient);
        // A pattern switched on without a tile has nothing to draw; it is
        // stored off.
        flag(!pattern.isEmpty());
        put(s.PatternOverlay);
        out.append(pattern);
        Data = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        LastFileError.set(TlxFileErrorCode::OutOfMemory,
                          QStringLiteral("out of memory while saving the style"));
        return false;
    }
}

bool TlxImage::SaveLayerStyle(int Layer, const QString& FileName) {
    QByteArray data;
    if (!SaveLayerStyleToData(Layer, data)) return false;
    return lx::writeFileAtomically(FileName, data, LastFileError);
}

bool TlxImage::LoadLayerStyleFromData(int Layer, const QByteArray& Data) {
    LastFileError.clear();
    LastLoadNotes.clear();
    if (!validIndex(Layer)) {
        LastFileError.set(TlxFileErrorCode::NoSuchLayer,
                          QStringLiteral("there is no layer %1").arg(Layer));
        return false;
    }
    ParsedStyle p;
    bool versionMessage = false;
    try {
        if (!parseStyle(reinterpret_cast<const uint8_t*>(Data.constData()), size_t(Data.size()), p,
                        LastFileError, versionMessage)) {
            if (versionMessage && OnCallMessageBox)
                OnCallMessageBox(nullptr, QString::fromUtf8(kVersionMessage), kErrorBox);
            return false;
        }
    } catch (const std::bad_alloc&) {
        LastFileError.set(TlxFileErrorCode::OutOfMemory,
                          QStringLiteral("out of memory while reading the style"));
        return false;
    }

    // Every item the version has was read whole; bytes after them (a file
    // padded on its way, or written over a longer one) are passed over.
    if (p.Trailing > 0)
        LastLoadNotes << QStringLiteral("%1 bytes after the end of the style were passed over")
                             .arg(p.Trailing);

    TlxLayer& layer = Layers[size_t(Layer)];
    TlxLayerStyle& s = layer.Style;
    bool ok = true;
    try {
        // An opacity outside 0..1 cannot come from the program; it is limited.
        layer.Opacity = std::isnan(p.Opacity) ? 1.0 : std::clamp(p.Opacity, 0.0, 1.0);
        layer.BlendMode = p.BlendMode;
        s.EffectsIgnoreOpacity = p.EffectsIgnoreOpacity;
        const bool shortRecords = p.Version < 259;

        // The four shadow and glow effects share one rule: off in the file
        // switches the effect off; on keeps the mask when size and spread are
        // unchanged and rebuilds it when not; an effect that was off is set
        // up from the settings read.
        const auto applyMasked = [&](uint8_t fileOn, bool& on, QImage& mask, auto& record,
                                     int32_t& keyA, int32_t& keyB, const uint8_t* bytes,
                                     auto rebuild, auto setUp) {
            const int32_t oldA = keyA, oldB = keyB;
            if (shortRecords)
                lx::expandShortRecord(bytes, record);
            else
                std::memcpy(&record, bytes, sizeof record);
            if (fileOn == 0) {
                if (on) {
                    mask = QImage();
                    on = false;
                }
            } else if (on) {
                if (keyA != oldA || keyB != oldB) ok = (this->*rebuild)(Layer) && ok;
            } else {
                ok = setUp() && ok;
            }
        };
        const auto marginOf = [](int32_t size, int32_t spread) {
            return int64_t(EffectMargin(std::clamp(size, 0, 200), std::clamp(spread, 0, 200)));
        };
        const auto offset = [](int32_t draw, int64_t margin) {
            return int(std::clamp<int64_t>(int64_t(draw) + 2 * margin, INT_MIN, INT_MAX));
        };

        const auto shadowSetUp = [&](TlxShadowStyle& r, bool drop) {
            return [&, drop] {
                const ContourArgs c(r.Contour);
                const int64_t m = marginOf(r.Size, r.Spread);
                return drop ? SetDropShadow(Layer, r.BlendMode, r.Opacity, offset(r.DrawX, m),
                                            offset(r.DrawY, m), r.Spread, r.Size, r.Color, c.Use,
                                            c.Count, c.Points, c.Table)
                            : SetInnerShadow(Layer, r.BlendMode, r.Opacity, offset(r.DrawX, m),
                                             offset(r.DrawY, m), r.Spread, r.Size, r.Color, c.Use,
                                             c.Count, c.Points, c.Table);
            };
        };
        const auto glowSetUp = [&](TlxGlowStyle& r, bool inner) {
            return [&, inner] {
                const ContourArgs c(r.Contour);
                return inner ? SetInnerGlow(Layer, r.BlendMode, r.Opacity, r.Spread, r.Size,
                                            r.Color, c.Use, c.Count, c.Points, c.Table)
                             : SetOuterGlow(Layer, r.BlendMode, r.Opacity, r.Spread, r.Size,
                                            r.Color, c.Use, c.Count, c.Points, c.Table);
            };
        };

        applyMasked(p.Flags[0], s.DropShadowOn, s.DropShadowMask, s.DropShadow, s.DropShadow.Size,
                    s.DropShadow.Spread, p.Records[0], &TlxImage::RebuildDropShadow,
                    shadowSetUp(s.DropShadow, true));
        applyMasked(p.Flags[1], s.InnerShadowOn, s.InnerShadowMask, s.InnerShadow,
                    s.InnerShadow.Size, s.InnerShadow.Spread, p.Records[1],
                    &TlxImage::RebuildInnerShadow, shadowSetUp(s.InnerShadow, false));
        applyMasked(p.Flags[2], s.InnerGlowOn, s.InnerGlowMask, s.InnerGlow, s.InnerGlow.Size,
                    s.InnerGlow.Spread, p.Records[2], &TlxImage::RebuildInnerGlow,
                    glowSetUp(s.InnerGlow, true));
        applyMasked(p.Flags[3], s.OuterGlowOn, s.OuterGlowMask, s.OuterGlow, s.OuterGlow.Size,
                    s.OuterGlow.Spread, p.Records[3], &TlxImage::RebuildOuterGlow,
                    glowSetUp(s.OuterGlow, false));
        TlxBevelStyle& bevel = s.Bevel;
        applyMasked(p.Flags[4], s.BevelOn, s.BevelMask, bevel, bevel.Size, bevel.Spread,
                    p.Records[4], &TlxImage::RebuildBevel, [&] {
                        const ContourArgs c(bevel.Contour);
                        const int64_t m = marginOf(bevel.Size, bevel.Spread);
                        return SetBevel(Layer, bevel.HighlightMode, bevel.ShadowMode,
                                        bevel.HighlightOpacity, bevel.ShadowOpacity,
                                        offset(bevel.HighlightDrawX, m),
                                        offset(bevel.HighlightDrawY, m), bevel.Spread, bevel.Size,
                                        bevel.HighlightColor, bevel.ShadowColor, c.Use, c.Count,
                                        c.Points, c.Table);
                    });
        TlxStrokeStyle& stroke = s.Stroke;
        applyMasked(p.Flags[5], s.StrokeOn, s.StrokeMask, stroke, stroke.Size, stroke.Softness,
                    p.Records[5], &TlxImage::RebuildStroke, [&] {
                        const ContourArgs c(stroke.Contour);
                        return SetStroke(Layer, stroke.BlendMode, stroke.Opacity, stroke.Softness,
                                         stroke.Size, stroke.Color, c.Use, c.Count, c.Points,
                                         c.Table);
                    });

        s.ColorOverlayOn = p.ColorOverlayOn != 0;
        s.ColorOverlay = p.ColorOverlay;
        // The gloss switch stays as it is; only its settings come from the file.
        if (p.HasGloss) std::memcpy(s.Gloss, p.Gloss, sizeof s.Gloss);

        if (p.HasGradientOverlay) {
            s.GradientOverlay = p.GradientOverlay;
            if (p.GradientOverlayOn != 0) {
                const TlxGradientStyle& g = s.GradientOverlay;
                ok = (s.GradientOverlayOn
                          ? RebuildGradientOverlay(Layer)
                          : SetGradientOverlay(Layer, g.BlendMode, g.Opacity, g.GradientKind,
                                               stopsOf(g), g.Reverse != 0, g.Angle)) &&
                     ok;
            } else {
                s.GradientOverlayBitmap = QImage();
            }
            s.GradientOverlayOn = p.GradientOverlayOn != 0 && !s.GradientOverlayBitmap.isNull();
        }
        if (p.HasStrokeGradient) {
            s.StrokeGradient = p.StrokeGradient;
            if (p.StrokeGradientOn != 0 && s.StrokeOn) {
                const TlxGradientStyle& g = s.StrokeGradient;
                ok = (s.StrokeGradientOn ? RebuildGradientStroke(Layer)
                                         : SetGradientStroke(Layer, g.GradientKind, stopsOf(g),
                                                             g.Reverse != 0, g.Angle)) &&
                     ok;
            } else {
                s.StrokeGradientBitmap = QImage();
            }
            // A gradient stroke needs the stroke: with the stroke off there is
            // no picture for it, so it stays off.
            s.StrokeGradientOn =
                p.StrokeGradientOn != 0 && s.StrokeOn && !s.StrokeGradientBitmap.isNull();
        }
        if (p.HasPattern) {
            s.PatternOverlay = p.PatternOverlay;
            if (p.PatternOverlayOn != 0)
                s.PatternBitmap = p.Pattern;
            else
                s.PatternBitmap = QImage();
            s.PatternOverlayOn = p.PatternOverlayOn != 0;
        }

        // Older files know fewer effects; those they do not hold are switched off.
        if (p.Version == 256) {
            s.GradientOverlayOn = s.PatternOverlayOn = false;
            s.GradientOverlayBitmap = s.PatternBitmap = QImage();
        }
        if (p.Version <= 257) {
            s.StrokeGradientOn = false;
            s.StrokeGradientBitmap = QImage();
        }
    } catch (const std::bad_alloc&) {
        LastFileError.set(TlxFileErrorCode::OutOfMemory,
                          QStringLiteral("out of memory while applying the style"));
        return false;
    }
    // An effect that could not be made (its picture would be too large) is
    // left off; the rest of the style applies, so the load still succeeds.
    if (!ok)
        LastFileError.set(TlxFileErrorCode::EffectNotMade,
                          QStringLiteral("an effect of the style could not be made"));
    return true;
}

bool TlxImage::LoadLayerStyle(int Layer, const QString& FileName) {
    LastFileError.clear();
    LastLoadNotes.clear();
    // Style files are small; anything beyond a generous limit is not one.
    constexpr qint64 kMaxStyleFile = qint64(1) << 31;
    QByteArray data;
    if (!lx::readWholeFile(FileName, kMaxStyleFile,
                           QStringLiteral("the file is too large to be a layer style file"), data,
                           LastFileError))
        return false;
    return LoadLayerStyleFromData(Layer, data);
}
