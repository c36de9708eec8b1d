// Design files: the whole layered document in one file. A 1044-byte header,
// a JPEG thumbnail, then per layer a fixed record followed by its picture
// streams, each a complete Windows bitmap file. Version 260 is written; 256
// to 259 are read as well. The layout is described in docs/file_formats.md.
//
// Reading is done into a document of its own, which takes this one's place
// only when the whole file has been read, so a bad file changes nothing.
// Every count, size and stream length is checked against the data before
// anything is allocated, and every picture the reading makes (decoded,
// drawn from a text, or an effect picture made again) is charged to the
// document's memory budget before it is made.

#include "codepage.h"
#include "core/picture_convert.h"
#include "files/atomic_file.h"
#include "files/bmp_stream.h"
#include "files/byte_io.h"
#include "files/read_file.h"
#include "files/short_records.h"
#include "lxImage.h"
#include "lxPictureFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kHeaderSize = 1044;
constexpr size_t kRecordSize = 8440;
constexpr uint32_t kErrorBox = 0x10; // one OK button and the error icon

// A text of a font size beyond those the program offers may be this many
// times as large in area as its canvas.
constexpr qint64 kTextCanvasMultiple = 16;

// Files whose last write is not after this MS-DOS date and time (the end of
// 30 October 2006) were saved before text effects were stored exactly; their
// text layers get their effects rebuilt.
constexpr uint32_t kOldTextEffectsTime = 895418367;

const char kVersionMessage[] =
    "图像文件版本太高，请用更高版本的《Quenlix图像处理系统》打开该文件。";

// GBK bytes of the calendar layer's name and of Info1's prefix.
const std::string kCalendarName = "\xc8\xd5\xc0\xfa";                // 日历
const std::string kCalendarInfoPrefix = "\xc8\xd5\xc0\xfa\xb2\xe3="; // 日历层=

// Header offsets.
enum : size_t {
    hVersion = 4,
    hWidth = 8,
    hHeight = 12,
    hBackgroundMode = 16,
    hBackColor = 20,
    hLayerCount = 24,
    hCurrentLayer = 25,
    hThumbnailKind = 26,
    hThumbnailOffset = 28,
    hThumbnailSize = 32,
    hLayerDataOffset = 36,
    hInfo1 = 40,
    hInfo2 = 71,
    hInfo3 = 92,
    hInfo4 = 123,
    hScreenPPI = 224,
    hPointCount = 228,
    hPoints = 232,
    hFlag1 = 1040,
    hFlag2 = 1041,
};

// Layer record offsets shared by every version.
enum : size_t {
    rName = 0,
    rIsText = 17,
    rLeft = 20,
    rTop = 24,
    rOpacity = 32,
    rBlendMode = 40,
    rTextStyle = 44,
    rHostData = 2168,
    rVisible = 2292,
    rHasMask = 2293,
    rImageStreamSize = 2296,
    rMaskStreamSize = 2300,
};

// Offsets of the version 259 and 260 record.
enum : size_t {
    rState = 2304,
    rEffectFlags = 2305,
    rDropShadow = 2324,
    rInnerShadow = 3052,
    rOuterGlow = 3780,
    rInnerGlow = 4500,
    rBevel = 5220,
    rColorOverlay = 6008,
    rGradientOverlay = 6024,
    rPatternOverlay = 6864,
    rStroke = 6872,
    rStrokeGradient = 7584,
    rEffectsIgnoreOpacity = 8428,
};

// Indices into the effect flag bytes.
enum : size_t {
    fDropShadow = 4,
    fInnerShadow = 5,
    fOuterGlow = 6,
    fInnerGlow = 7,
    fBevel = 8,
    fColorOverlay = 11,
    fGradientOverlay = 12,
    fPatternOverlay = 13,
    fStroke = 14,
    fStrokeGradient = 15,
};

size_t recordSizeOf(int version) {
    switch (version) {
    case 256:
        return 2528;
    case 257:
        return 2856;
    case 258:
        return 4392;
    default:
        return kRecordSize;
    }
}

void putShortString(uint8_t* record, size_t offset, const std::string& text, size_t limit) {
    const size_t n = lx::gbkPrefixLength(text, limit);
    record[offset] = uint8_t(n);
    std::memcpy(record + offset + 1, text.data(), n);
}

std::string getShortString(const uint8_t* record, size_t offset, size_t limit) {
    const size_t n = std::min<size_t>(record[offset], limit);
    return std::string(reinterpret_cast<const char*>(record + offset + 1), n);
}

// ---- writing ----

struct CalendarInfo {
    bool Found = false;
    std::string Info1, Info4;
};

CalendarInfo calendarInfo(const TlxImage& doc) {
    CalendarInfo info;
    for (int i = doc.LayersCount - 1; i >= 0; --i) {
        const TlxLayer& layer = doc.Layers[size_t(i)];
        if (layer.Name != kCalendarName || layer.HostData[16] != 1) continue;
        info.Found = true;
        info.Info1 = kCalendarInfoPrefix + std::to_string(i);
        static const char* const kKeys[] = {"FontName1", "FontName2", "FontName3", "Week1",
                                            "Week2",     "Week3",     "Week4",     "Week5",
                                            "Week6",     "Week7"};
        static const char* const kDefaults[] = {"宋体",   "宋体",   "宋体",   "星期一", "星期二",
                                                "星期三", "星期四", "星期五", "星期六", "星期日"};
        QStringList values;
        for (size_t k = 0; k < std::size(kKeys); ++k)
            values << TlxImage::ReadSettingString(QStringLiteral("Calendar"),
                                                  QString::fromLatin1(kKeys[k]),
                                                  QString::fromUtf8(kDefaults[k]));
        info.Info4 = lx::toGbk(values.join(QLatin1Char('^')));
        break;
    }
    return info;
}

// The thumbnail: the display picture scaled so that its longer side is 100
// pixels (at least 1 pixel each way), as a JPEG of quality 75.
QByteArray thumbnailOf(TlxImage& doc) {
    const double w = doc.ImageWidth;
    const double h = doc.ImageHeight;
    int tw = 100, th = 100;
    if (h >= w)
        tw = RoundEven(w / (h / 100.0));
    else
        th = RoundEven(h / (w / 100.0));
    tw = std::max(tw, 1);
    th = std::max(th, 1);
    QImage thumb(tw, th, QImage::Format_BGR888);
    if (thumb.isNull()) return {};
    thumb.fill(0);
    if (!doc.ShowBmp.isNull()) doc.StretchBitmapLinear(doc.ShowBmp, thumb, tw, th);
    return lx::encodeJpeg(thumb, 75);
}

template <class Record>
void putEffect(uint8_t* rec, size_t offset, Record copy, int32_t Record::*length,
               const QByteArray* stream) {
    if (stream != nullptr) copy.*length = int32_t(stream->size());
    lx::putRecord(rec, offset, copy);
}

} // namespace

QString TlxImage::ReadSettingString(const QString& Section, const QString& Name,
                                    const QString& Default) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("Quenlix图像处理系统"));
    settings.beginGroup(Section);
    const QString value = settings.value(Name).toString();
    return value.isEmpty() ? Default : value;
}

bool TlxImage::SaveToData(QByteArray& Data) {
    LastFileError.clear();
    QByteArray out;
    if (!writeDesign([&out](const QByteArray& piece) {
            out.append(piece);
            return true;
        }))
        return false;
    Data = std::move(out);
    return true;
}

bool TlxImage::SaveToFile(const QString& FileName) {
    LastFileError.clear();
    // The file is written beside the target under another name, a layer at a
    // time, and takes the target's place only once complete, so a failure
    // keeps whatever was there.
    return lx::writeFileAtomically(
        FileName,
        [this](QIODevice& file) {
            return writeDesign([&file, this](const QByteArray& piece) {
                if (file.write(piece) == piece.size()) return true;
                LastFileError.set(TlxFileErrorCode::CannotWrite, file.errorString());
                return false;
            });
        },
        LastFileError);
}

bool TlxImage::writeDesign(const std::function<bool(const QByteArray&)>& Sink) {
    try {
        const int count = layersInUse();
        if (count < 1 || ImageWidth <= 0 || ImageHeight <= 0) {
            LastFileError.set(TlxFileErrorCode::NothingToSave,
                              QStringLiteral("there is no picture to save"));
            return false;
        }
        if (count > MaxFileLayers) {
            LastFileError.set(
                TlxFileErrorCode::TooLarge,
                QStringLiteral("a design file holds at most %1 layers").arg(MaxFileLayers));
            return false;
        }

        uint8_t header[kHeaderSize] = {};
        std::memcpy(header, "QNL", 3);
        lx::putU16(header, hVersion, DesignFileVersion);
        lx::putU32(header, hWidth, uint32_t(ImageWidth));
        lx::putU32(header, hHeight, uint32_t(ImageHeight));
        header[hBackgroundMode] = BackgroundMode;
        lx::putU32(header, hBackColor, BackColor);
        header[hLayerCount] = uint8_t(count);
        header[hCurrentLayer] = uint8_t(std::clamp(CurrLayerID, 0, count - 1));
        header[hThumbnailKind] = 2;
        const CalendarInfo calendar = calendarInfo(*this);
        putShortString(header, hInfo1, calendar.Found ? calendar.Info1 : DocInfo1, 30);
        putShortString(header, hInfo2, DocInfo2, 20);
        putShortString(header, hInfo3, DocInfo3, 30);
        putShortString(header, hInfo4, calendar.Found ? calendar.Info4 : DocInfo4, 100);
        lx::putU32(header, hScreenPPI, uint32_t(ScreenPPI));
        const int points = std::clamp(DocPointCount, 0, int(DocPoints.size()));
        lx::putU32(header, hPointCount, uint32_t(points));
        for (int k = 0; k < points; ++k) {
            lx::putU32(header, hPoints + 8 * size_t(k), uint32_t(DocPoints[size_t(k)].X));
            lx::putU32(header, hPoints + 8 * size_t(k) + 4, uint32_t(DocPoints[size_t(k)].Y));
        }
        header[hFlag1] = DocFlag1;
        header[hFlag2] = DocFlag2;

        const QByteArray thumbnail = thumbnailOf(*this);
        if (thumbnail.isEmpty()) {
            LastFileError.set(TlxFileErrorCode::NothingToSave,
                              QStringLiteral("the thumbnail could not be made"));
            return false;
        }
        lx::putU32(header, hThumbnailOffset, uint32_t(kHeaderSize));
        lx::putU32(header, hThumbnailSize, uint32_t(thumbnail.size()));
        lx::putU32(header, hLayerDataOffset, uint32_t(kHeaderSize + size_t(thumbnail.size())));

        if (!Sink(QByteArray::fromRawData(reinterpret_cast<const char*>(header),
                                          qsizetype(kHeaderSize))) ||
            !Sink(thumbnail))
            return false;

        std::vector<uint8_t> record(kRecordSize);
        for (int i = 0; i < count; ++i) {
            const TlxLayer& layer = Layers[size_t(i)];
            const TlxLayerStyle& style = layer.Style;
            uint8_t* rec = record.data();
            std::memset(rec, 0, kRecordSize);

            // The streams first, so their lengths can go into the record. An
            // effect whose picture is missing draws nothing; it is stored off.
            QByteArray image, mask, pattern;
            QByteArray effects[6];
            const bool* const effectOn[6] = {&style.DropShadowOn, &style.InnerShadowOn,
                                             &style.InnerGlowOn,  &style.OuterGlowOn,
                                             &style.BevelOn,      &style.StrokeOn};
            const QImage* const effectMask[6] = {&style.DropShadowMask, &style.InnerShadowMask,
                                                 &style.InnerGlowMask,  &style.OuterGlowMask,
                                                 &style.BevelMask,      &style.StrokeMask};
            if (!layer.IsText) {
                image = lx::encodeBmp32(layer.Bitmap, layer.Alpha);
                if (image.isEmpty()) {
                    LastFileError.set(TlxFileErrorCode::NothingToSave,
                                      QStringLiteral("layer %1 has no picture to save").arg(i));
                    return false;
                }
            }
            if (layer.HasMask) {
                mask = lx::encodeBmp24(layer.Mask);
                if (mask.isEmpty()) {
                    LastFileError.set(
                        TlxFileErrorCode::NothingToSave,
                        QStringLiteral("the mask of layer %1 cannot be saved").arg(i));
                    return false;
                }
            }
            for (int k = 0; k < 6; ++k)
                if (*effectOn[k] && !effectMask[k]->isNull()) {
                    effects[k] = lx::encodeBmp8(*effectMask[k]);
                    if (effects[k].isEmpty()) {
                        LastFileError.set(
                            TlxFileErrorCode::NothingToSave,
                            QStringLiteral("an effect picture of layer %1 cannot be saved").arg(i));
                        return false;
                    }
                }
            if (style.PatternOverlayOn && !style.PatternBitmap.isNull()) {
                pattern = lx::encodeBmpAsIs(style.PatternBitmap);
                if (pattern.isEmpty()) {
                    LastFileError.set(
                        TlxFileErrorCode::NothingToSave,
                        QStringLiteral("the pattern of layer %1 cannot be saved").arg(i));
                    return false;
                }
            }

            putShortString(rec, rName, layer.Name, 16);
            rec[rIsText] = layer.IsText ? 1 : 0;
            lx::putU32(rec, rLeft, uint32_t(layer.Left));
            lx::putU32(rec, rTop, uint32_t(layer.Top));
            lx::putRecord(rec, rOpacity, layer.Opacity);
            rec[rBlendMode] = layer.BlendMode;
            lx::putRecord(rec, rTextStyle, layer.TextStyle);
            std::memcpy(rec + rHostData, layer.HostData.data(), layer.HostData.size());
            rec[rVisible] = layer.Visible ? 1 : 0;
            rec[rHasMask] = layer.HasMask ? 1 : 0;
            lx::putU32(rec, rImageStreamSize, uint32_t(image.size()));
            lx::putU32(rec, rMaskStreamSize, uint32_t(mask.size()));
            rec[rState] = layer.State;

            auto stored = [](const QByteArray& stream) {
                return stream.isEmpty() ? nullptr : &stream;
            };
            uint8_t* flags = rec + rEffectFlags;
            flags[fDropShadow] = effects[0].isEmpty() ? 0 : 1;
            flags[fInnerShadow] = effects[1].isEmpty() ? 0 : 1;
            flags[fInnerGlow] = effects[2].isEmpty() ? 0 : 1;
            flags[fOuterGlow] = effects[3].isEmpty() ? 0 : 1;
            flags[fBevel] = effects[4].isEmpty() ? 0 : 1;
            flags[fStroke] = effects[5].isEmpty() ? 0 : 1;
            flags[fColorOverlay] = style.ColorOverlayOn ? 1 : 0;
            flags[fGradientOverlay] = style.GradientOverlayOn ? 1 : 0;
            flags[fPatternOverlay] = pattern.isEmpty() ? 0 : 1;
            flags[fStrokeGradient] = style.StrokeGradientOn ? 1 : 0;

            putEffect(rec, rDropShadow, style.DropShadow, &TlxShadowStyle::MaskStreamSize,
                      stored(effects[0]));
            putEffect(rec, rInnerShadow, style.InnerShadow, &TlxShadowStyle::MaskStreamSize,
                      stored(effects[1]));
            putEffect(rec, rInnerGlow, style.InnerGlow, &TlxGlowStyle::MaskStreamSize,
                      stored(effects[2]));
            putEffect(rec, rOuterGlow, style.OuterGlow, &TlxGlowStyle::MaskStreamSize,
                      stored(effects[3]));
            putEffect(rec, rBevel, style.Bevel, &TlxBevelStyle::MaskStreamSize, stored(effects[4]));
            putEffect(rec, rStroke, style.Stroke, &TlxStrokeStyle::MaskStreamSize,
                      stored(effects[5]));
            lx::putRecord(rec, rColorOverlay, style.ColorOverlay);
            lx::putRecord(rec, rGradientOverlay, style.GradientOverlay);
            putEffect(rec, rPatternOverlay, style.PatternOverlay, &TlxPatternStyle::PatternSize,
                      stored(pattern));
            lx::putRecord(rec, rStrokeGradient, style.StrokeGradient);
            rec[rEffectsIgnoreOpacity] = style.EffectsIgnoreOpacity ? 1 : 0;

            bool written = Sink(QByteArray::fromRawData(reinterpret_cast<const char*>(rec),
                                                        qsizetype(kRecordSize))) &&
                           Sink(image) && Sink(mask);
            for (const QByteArray& stream : effects)
                written = written && Sink(stream);
            if (!written || !Sink(pattern)) return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        LastFileError.set(TlxFileErrorCode::OutOfMemory,
                          QStringLiteral("out of memory while saving"));
        return false;
    }
}

// ---- reading ----

namespace {

// Where a layer's streams are and how long each is.
struct StreamPlan {
    int32_t Image = 0;
    int32_t Mask = 0;
    int32_t Effects[6] = {}; // drop shadow, inner shadow, inner glow, outer glow, bevel, stroke
    int32_t Pattern = 0;
};

void readLayerRecord(int version, const uint8_t* rec, TlxLayer& layer, StreamPlan& plan) {
    layer.Name = getShortString(rec, rName, 16);
    layer.IsText = rec[rIsText] != 0;
    layer.Left = int32_t(lx::getU32(rec, rLeft));
    layer.Top = int32_t(lx::getU32(rec, rTop));
    lx::getRecord(rec, rOpacity, layer.Opacity);
    // An opacity outside 0..1 cannot come from the program; it is limited.
    layer.Opacity = std::isnan(layer.Opacity) ? 1.0 : std::clamp(layer.Opacity, 0.0, 1.0);
    layer.BlendMode = rec[rBlendMode];
    lx::getRecord(rec, rTextStyle, layer.TextStyle);
    std::memcpy(layer.HostData.data(), rec + rHostData, layer.HostData.size());
    layer.Visible = rec[rVisible] != 0;
    layer.HasMask = rec[rHasMask] != 0;
    plan.Image = layer.IsText ? 0 : int32_t(lx::getU32(rec, rImageStreamSize));
    plan.Mask = layer.HasMask ? int32_t(lx::getU32(rec, rMaskStreamSize)) : 0;

    TlxLayerStyle& s = layer.Style;
    switch (version) {
    case 256:
        layer.State = 0;
        break;
    case 257: {
        layer.State = 0;
        const uint8_t* flags = rec + 2304;
        s.DropShadowOn = flags[fDropShadow] != 0;
        s.InnerShadowOn = flags[fInnerShadow] != 0;
        s.OuterGlowOn = flags[fOuterGlow] != 0;
        s.InnerGlowOn = flags[fInnerGlow] != 0;
        s.BevelOn = flags[fBevel] != 0;
        s.ColorOverlayOn = flags[fColorOverlay] != 0;
        s.StrokeOn = flags[fStroke] != 0;
        lx::expandShortRecord(rec + 2320, s.DropShadow);
        lx::expandShortRecord(rec + 2372, s.InnerShadow);
        lx::expandShortRecord(rec + 2424, s.OuterGlow);
        lx::expandShortRecord(rec + 2468, s.InnerGlow);
        lx::expandShortRecord(rec + 2512, s.Bevel);
        lx::getRecord(rec, 2688, s.ColorOverlay);
        lx::expandShortRecord(rec + 2808, s.Stroke);
        s.EffectsIgnoreOpacity = rec[2848] != 0;
        break;
    }
    default: {
        layer.State = rec[rState];
        const uint8_t* flags = rec + rEffectFlags;
        s.DropShadowOn = flags[fDropShadow] != 0;
        s.InnerShadowOn = flags[fInnerShadow] != 0;
        s.OuterGlowOn = flags[fOuterGlow] != 0;
        s.InnerGlowOn = flags[fInnerGlow] != 0;
        s.BevelOn = flags[fBevel] != 0;
        s.ColorOverlayOn = flags[fColorOverlay] != 0;
        s.GradientOverlayOn = flags[fGradientOverlay] != 0;
        s.PatternOverlayOn = flags[fPatternOverlay] != 0;
        s.StrokeOn = flags[fStroke] != 0;
        s.StrokeGradientOn = flags[fStrokeGradient] != 0;
        if (version == 258) {
            lx::expandShortRecord(rec + 2324, s.DropShadow);
            lx::expandShortRecord(rec + 2376, s.InnerShadow);
            lx::expandShortRecord(rec + 2428, s.OuterGlow);
            lx::expandShortRecord(rec + 2472, s.InnerGlow);
            lx::expandShortRecord(rec + 2516, s.Bevel);
            lx::getRecord(rec, 2628, s.ColorOverlay);
            lx::getRecord(rec, 2648, s.GradientOverlay);
            lx::getRecord(rec, 3488, s.PatternOverlay);
            lx::expandShortRecord(rec + 3496, s.Stroke);
            lx::getRecord(rec, 3536, s.StrokeGradient);
            s.EffectsIgnoreOpacity = rec[4380] != 0;
        } else {
            lx::getRecord(rec, rDropShadow, s.DropShadow);
            lx::getRecord(rec, rInnerShadow, s.InnerShadow);
            lx::getRecord(rec, rOuterGlow, s.OuterGlow);
            lx::getRecord(rec, rInnerGlow, s.InnerGlow);
            lx::getRecord(rec, rBevel, s.Bevel);
            lx::getRecord(rec, rColorOverlay, s.ColorOverlay);
            lx::getRecord(rec, rGradientOverlay, s.GradientOverlay);
            lx::getRecord(rec, rPatternOverlay, s.PatternOverlay);
            lx::getRecord(rec, rStroke, s.Stroke);
            lx::getRecord(rec, rStrokeGradient, s.StrokeGradient);
            s.EffectsIgnoreOpacity = rec[rEffectsIgnoreOpacity] != 0;
        }
        break;
    }
    }
    plan.Effects[0] = s.DropShadowOn ? s.DropShadow.MaskStreamSize : 0;
    plan.Effects[1] = s.InnerShadowOn ? s.InnerShadow.MaskStreamSize : 0;
    plan.Effects[2] = s.InnerGlowOn ? s.InnerGlow.MaskStreamSize : 0;
    plan.Effects[3] = s.OuterGlowOn ? s.OuterGlow.MaskStreamSize : 0;
    plan.Effects[4] = s.BevelOn ? s.Bevel.MaskStreamSize : 0;
    plan.Effects[5] = s.StrokeOn ? s.Stroke.MaskStreamSize : 0;
    plan.Pattern = s.PatternOverlayOn ? s.PatternOverlay.PatternSize : 0;
}

// What a stream may hold: the bit depths the program writes for it, and the
// bytes a pixel of it takes once decoded into the document.
struct StreamKind {
    const char* Name;
    std::initializer_list<int> Depths;
    int BytesPerPixel;
};
const StreamKind kImageStream{"picture", {24, 32}, 8};    // decoded, colour, coverage
const StreamKind kMaskStream{"mask", {8, 24, 32}, 7};     // decoded, colour
const StreamKind kEffectStream{"effect picture", {8}, 2}; // decoded, levels
const StreamKind kPatternStream{"pattern", {24, 32}, 8};

// The size and depth a bitmap stream says it has, from its headers alone;
// false when the stream is too short to say.
bool streamHeader(const uint8_t* stream, size_t length, qint64& width, qint64& height, int& depth) {
    if (length < 30) return false;
    const uint32_t infoSize = lx::getU32(stream, 14);
    if (infoSize == 12) {
        width = lx::getU16(stream, 18);
        height = lx::getU16(stream, 20);
        depth = lx::getU16(stream, 24);
    } else {
        width = int32_t(lx::getU32(stream, 18));
        height = std::llabs(int64_t(int32_t(lx::getU32(stream, 22))));
        depth = lx::getU16(stream, 28);
    }
    return true;
}

// Reads the next stream of Length bytes as a bitmap. Its depth and size are
// looked at first, so a picture the memory budget cannot hold is refused
// before anything is allocated for it.
bool readStream(lx::ByteReader& in, int32_t length, const StreamKind& kind, qint64 budget,
                lx::DecodedBmp& bmp, TlxFileError& error, const QString& where) {
    const QString what = where + QLatin1Char(' ') + QLatin1String(kind.Name);
    if (length <= 0 || size_t(length) > in.remaining()) {
        error.set(TlxFileErrorCode::Damaged,
                  QStringLiteral("%1: its length points past the end of the file").arg(what));
        return false;
    }
    const uint8_t* stream = in.current();
    qint64 width = 0, height = 0;
    int depth = 0;
    if (streamHeader(stream, size_t(length), width, height, depth)) {
        if (std::find(kind.Depths.begin(), kind.Depths.end(), depth) == kind.Depths.end()) {
            error.set(TlxFileErrorCode::Damaged,
                      QStringLiteral("%1: %2 bits per pixel is not a depth this stream has")
                          .arg(what)
                          .arg(depth));
            return false;
        }
        // Sizes past the picture limits are refused before they are
        // multiplied: a header may hold any 32-bit size.
        if (width > 0 && height > 0 && !TlxImage::PictureSizeAllowed(width, height)) {
            error.set(TlxFileErrorCode::TooLarge,
                      QStringLiteral("%1: the picture size %2 x %3 is not allowed")
                          .arg(what)
                          .arg(width)
                          .arg(height));
            return false;
        }
        if (width > 0 && height > 0 && width * height * kind.BytesPerPixel > budget) {
            error.set(TlxFileErrorCode::TooLarge,
                      QStringLiteral("the document needs more memory than a design may take"));
            return false;
        }
    }
    QString reason;
    if (!lx::decodeBmp(stream, size_t(length), bmp, reason)) {
        error.set(lx::bitmapFailureCode(reason), QStringLiteral("%1: %2").arg(what, reason));
        return false;
    }
    in.skip(size_t(length));
    return true;
}

// The size an effect picture has for a layer of the given size.
QSize effectMaskSize(QSize layer, int margin) {
    return QSize(int(qMin<qint64>(layer.width() + 4 * qint64(margin), INT_MAX)),
                 int(qMin<qint64>(layer.height() + 4 * qint64(margin), INT_MAX)));
}

qint64 pixelCount(QSize size) {
    return size.isEmpty() ? 0 : qint64(size.width()) * size.height();
}

// How far effect k (drop shadow, inner shadow, inner glow, outer glow,
// bevel, stroke) reaches beyond its layer, with the settings limited as the
// effects limit them.
int effectMargin(const TlxLayerStyle& s, int k) {
    const auto margin = [](int32_t size, int32_t spread) {
        return EffectMargin(std::clamp(size, 0, 200), std::clamp(spread, 0, 200));
    };
    switch (k) {
    case 0:
        return margin(s.DropShadow.Size, s.DropShadow.Spread);
    case 1:
        return margin(s.InnerShadow.Size, s.InnerShadow.Spread);
    case 2:
        return margin(s.InnerGlow.Size, s.InnerGlow.Spread);
    case 3:
        return margin(s.OuterGlow.Size, s.OuterGlow.Spread);
    case 4:
        return margin(s.Bevel.Size, s.Bevel.Spread);
    default:
        return std::clamp(s.Stroke.Size, 0, 200) + std::clamp(s.Stroke.Softness, 0, 200);
    }
}

// What the effect pictures of a layer of the given size take once made:
// the six masks at their margins and the two gradient pictures.
qint64 effectPictureBytes(const TlxLayerStyle& s, QSize layer) {
    const bool on[6] = {s.DropShadowOn, s.InnerShadowOn, s.InnerGlowOn,
                        s.OuterGlowOn,  s.BevelOn,       s.StrokeOn};
    qint64 total = 0;
    for (int k = 0; k < 6; ++k)
        if (on[k]) total += pixelCount(effectMaskSize(layer, effectMargin(s, k)));
    if (s.GradientOverlayOn) total += 3 * pixelCount(layer);
    if (s.StrokeOn && s.StrokeGradientOn)
        total += 3 * pixelCount(effectMaskSize(layer, effectMargin(s, 5)));
    return total;
}

qint64 pictureBytes(const QImage& picture) {
    return picture.isNull() ? 0 : qint64(picture.sizeInBytes());
}

qint64 layerBytes(const TlxLayer& layer) {
    const TlxLayerStyle& s = layer.Style;
    qint64 total =
        pictureBytes(layer.Bitmap) + pictureBytes(layer.Alpha) + pictureBytes(layer.Mask);
    for (const QImage* picture :
         {&s.DropShadowMask, &s.OuterGlowMask, &s.StrokeMask, &s.InnerGlowMask, &s.InnerShadowMask,
          &s.BevelMask, &s.GradientOverlayBitmap, &s.PatternBitmap, &s.StrokeGradientBitmap})
        total += pictureBytes(*picture);
    return total;
}

// The MS-DOS packed date and time of a moment, local time; 0 before 1980.
uint32_t dosDateTime(const QDateTime& moment) {
    const QDateTime local = moment.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    if (!d.isValid() || d.year() < 1980) return 0;
    if (d.year() > 2107) return 0xFFFFFFFFu;
    const uint32_t date =
        uint32_t(d.year() - 1980) << 9 | uint32_t(d.month()) << 5 | uint32_t(d.day());
    const uint32_t time =
        uint32_t(t.hour()) << 11 | uint32_t(t.minute()) << 5 | uint32_t(t.second() / 2);
    return date << 16 | time;
}

} // namespace

// Whether a text layer's stored effects are made again after loading: its
// font is not installed here, or the file was saved before text effects
// were stored exactly.
static bool textEffectsRebuilt(const TlxLayer& layer, int version, uint32_t fileTime) {
    if ((version == 258 || version == 259) && fileTime <= kOldTextEffectsTime) return true;
    const std::string font = FontNameOf(layer.TextStyle);
    return TlxImage::ResolveFontName(font) != font;
}

// Measures a text layer read from a file: Drawn tells whether it will be
// drawn at all and Plan how. The program lists font sizes up to
// LargestListedSize; a text of a larger size, which only a file edited by
// other means holds, may take at most kTextCanvasMultiple times the
// canvas. False, with the reason in Error, for one that asks for more.
static bool planTextLayer(TlxImage& doc, const TlxLayer& layer, const QString& where,
                          TlxImage::TextLayerPlan& plan, bool& drawn, TlxFileError& error) {
    drawn = doc.PlanTextLayer(layer, plan);
    if (!drawn) return true;
    const qint64 area = pixelCount(plan.Layer);
    const qint64 canvas = qint64(doc.ImageWidth) * doc.ImageHeight;
    const int64_t points = std::abs(int64_t(layer.TextStyle.Size));
    if (points <= TlxTextStyle::LargestListedSize || area <= kTextCanvasMultiple * canvas)
        return true;
    error.set(TlxFileErrorCode::TooLarge,
              QStringLiteral("%1: a text of %2 points asks for a picture of %3 x %4 pixels, "
                             "more than %5 times the canvas")
                  .arg(where)
                  .arg(points)
                  .arg(plan.Layer.width())
                  .arg(plan.Layer.height())
                  .arg(kTextCanvasMultiple));
    return false;
}

// What the pictures of every layer will take once read, worked out from the
// records, the stream headers and the measured texts before anything is
// decoded or drawn, so that a file the budget cannot hold is refused at
// once. Streams are only looked at; a file damaged before its end stops the
// estimate there and is left to the reading itself to report.
static bool fitsBudget(TlxImage& doc, const uint8_t* data, size_t size, size_t start, int version,
                       int count, qint64 budget, TlxFileError& error) {
    lx::ByteReader in(data, size);
    if (!in.seek(start)) return true;
    const size_t recordSize = recordSizeOf(version);
    std::vector<uint8_t> record(recordSize);
    auto layer = std::make_unique<TlxLayer>();
    qint64 total = 0;
    for (int i = 0; i < count; ++i) {
        if (!in.read(record.data(), recordSize)) return true;
        StreamPlan plan;
        *layer = TlxLayer();
        readLayerRecord(version, record.data(), *layer, plan);
        const TlxLayerStyle& s = layer->Style;
        // Each stream's pixel count as its header says; the layer's size is
        // its picture's.
        const auto pixels = [&](int32_t length, bool present, QSize* dims) -> qint64 {
            if (!present) return 0;
            if (length <= 0 || size_t(length) > in.remaining()) return -1;
            qint64 w = 0, h = 0;
            int depth = 0;
            const bool known = streamHeader(in.current(), size_t(length), w, h, depth);
            in.skip(size_t(length));
            if (!known || w <= 0 || h <= 0) return 0;
            // A size past the limits ends the estimate; reading the stream
            // refuses it.
            if (!TlxImage::PictureSizeAllowed(w, h)) return -1;
            if (dims != nullptr) *dims = QSize(int(w), int(h));
            return w * h;
        };
        QSize layerSize(1, 1);
        qint64 bytes = 0;
        if (!layer->IsText) {
            if (pixels(plan.Image, true, &layerSize) < 0) return true;
        } else {
            TlxImage::TextLayerPlan text;
            bool drawn = false;
            if (!planTextLayer(doc, *layer, QStringLiteral("layer %1").arg(i), text, drawn, error))
                return false;
            if (drawn) layerSize = text.Layer;
        }
        bytes += 4 * pixelCount(layerSize); // colours and coverage
        if (layer->HasMask) {
            if (pixels(plan.Mask, true, nullptr) < 0) return true;
            bytes += 3 * pixelCount(layerSize); // fitted to the layer
        }
        const bool on[6] = {s.DropShadowOn, s.InnerShadowOn, s.InnerGlowOn,
                            s.OuterGlowOn,  s.BevelOn,       s.StrokeOn};
        for (int k = 0; k < 6; ++k)
            if (pixels(plan.Effects[k], on[k], nullptr) < 0) return true;
        const qint64 pattern = pixels(plan.Pattern, s.PatternOverlayOn, nullptr);
        if (pattern < 0) return true;
        bytes += 4 * pattern + effectPictureBytes(s, layerSize);
        total += bytes;
        if (total > budget) {
            error.set(TlxFileErrorCode::TooLarge,
                      QStringLiteral("the layers up to layer %1 need %2 MiB of pictures; a design "
                                     "may take %3 MiB")
                          .arg(i)
                          .arg(total >> 20)
                          .arg(budget >> 20));
            return false;
        }
    }
    return true;
}

// Reads a whole design file into this document, which must be empty. Any
// failure leaves LastFileError set; the caller throws the document away.
static bool readDesign(TlxImage& doc, const uint8_t* data, size_t size, uint32_t fileTime,
                       bool& versionMessage) {
    TlxFileError& error = doc.LastFileError;
    versionMessage = false;
    if (size < 3 || std::memcmp(data, "QNL", 3) != 0) {
        error.set(TlxFileErrorCode::NotThisKind, QStringLiteral("not a design file"));
        return false;
    }
    if (size < kHeaderSize) {
        error.set(TlxFileErrorCode::Damaged, QStringLiteral("the file is cut short in its header"));
        return false;
    }
    const uint8_t* header = data;
    const int version = lx::getU16(header, hVersion);
    if (version < 256 || version > TlxImage::DesignFileVersion) {
        versionMessage = true;
        error.set(TlxFileErrorCode::UnsupportedVersion,
                  QStringLiteral("the file is of version %1; this program reads 256 to %2")
                      .arg(version)
                      .arg(TlxImage::DesignFileVersion));
        return false;
    }

    const int width = int32_t(lx::getU32(header, hWidth));
    const int height = int32_t(lx::getU32(header, hHeight));
    if (!TlxImage::PictureSizeAllowed(width, height)) {
        // A size below 1 cannot be; a real one past the limits is too large.
        error.set(width > 0 && height > 0 ? TlxFileErrorCode::TooLarge : TlxFileErrorCode::Damaged,
                  QStringLiteral("the picture size %1 x %2 is not allowed").arg(width).arg(height));
        return false;
    }
    const int count = header[hLayerCount];
    if (count < 1) {
        error.set(TlxFileErrorCode::Damaged, QStringLiteral("the file holds no layers"));
        return false;
    }
    if (version >= 257) {
        doc.DocInfo1 = getShortString(header, hInfo1, 30);
        doc.DocInfo2 = getShortString(header, hInfo2, 20);
        doc.DocInfo3 = getShortString(header, hInfo3, 30);
        doc.DocInfo4 = getShortString(header, hInfo4, 100);
    }
    if (version == 260) {
        doc.ScreenPPI = int32_t(lx::getU32(header, hScreenPPI));
        doc.DocPointCount =
            std::clamp(int32_t(lx::getU32(header, hPointCount)), 0, int32_t(doc.DocPoints.size()));
        const int points = doc.DocPointCount;
        for (int k = 0; k < points; ++k) {
            doc.DocPoints[size_t(k)].X = int32_t(lx::getU32(header, hPoints + 8 * size_t(k)));
            doc.DocPoints[size_t(k)].Y = int32_t(lx::getU32(header, hPoints + 8 * size_t(k) + 4));
        }
        doc.DocFlag1 = header[hFlag1];
        doc.DocFlag2 = header[hFlag2];
    }
    doc.ImageWidth = width;
    doc.ImageHeight = height;
    doc.BackgroundMode = header[hBackgroundMode];
    doc.BackColor = lx::getU32(header, hBackColor);

    // The thumbnail is only for previews; the document does not need it, so
    // one that lies outside the file is passed over.
    const uint32_t thumbnailAt = lx::getU32(header, hThumbnailOffset);
    const uint32_t thumbnailSize = lx::getU32(header, hThumbnailSize);
    if (thumbnailAt < kHeaderSize || thumbnailAt > size || thumbnailSize > size - thumbnailAt)
        doc.LastLoadNotes << QStringLiteral("the thumbnail (%1 bytes at %2) lies outside the "
                                            "file of %3 bytes; it was passed over")
                                 .arg(thumbnailSize)
                                 .arg(thumbnailAt)
                                 .arg(size);

    lx::ByteReader in(data, size);
    if (!in.seek(lx::getU32(header, hLayerDataOffset))) {
        error.set(TlxFileErrorCode::Damaged,
                  QStringLiteral("the layer data lies beyond the end of the file"));
        return false;
    }

    // Pixel memory the document may still take. The display picture (3
    // bytes a pixel) and the background (1) come first. The whole file is
    // estimated before anything is made; then each finished layer's
    // pictures are taken off as it is done, and every picture is checked
    // against what is left before it is made, counting what the layer
    // already holds.
    qint64 budget = doc.DesignByteBudget - 4 * qint64(width) * height;
    if (!fitsBudget(doc, data, size, in.position(), version, count, budget, error)) return false;

    const size_t recordSize = recordSizeOf(version);
    std::vector<uint8_t> record(recordSize);
    for (int i = 0; i < count; ++i) {
        const QString where = QStringLiteral("layer %1").arg(i);
        if (!in.read(record.data(), recordSize)) {
            error.set(TlxFileErrorCode::Damaged,
                      QStringLiteral("%1: the file is cut short in its record").arg(where));
            return false;
        }
        TlxLayer& layer = doc.Layers[size_t(i)];
        StreamPlan plan;
        readLayerRecord(version, record.data(), layer, plan);
        doc.LayersCount = i + 1;
        const auto left = [&] { return budget - layerBytes(layer); };
        const auto tooLarge = [&](const QString& what) {
            error.set(
                TlxFileErrorCode::TooLarge,
                QStringLiteral("%1: %2 needs more memory than a design may take").arg(where, what));
            return false;
        };

        TlxLayerStyle& s = layer.Style;
        // Text layers whose stored effect pictures were made for other
        // shapes have them all made again.
        const bool rebuildAll = layer.IsText && textEffectsRebuilt(layer, version, fileTime);
        lx::DecodedBmp bmp;
        if (!layer.IsText) {
            if (!readStream(in, plan.Image, kImageStream, left(), bmp, error, where)) return false;
            layer.Bitmap = lx::decodedToBgr(bmp);
            layer.Alpha = lx::decodedFourthByte(bmp);
            if (layer.Bitmap.isNull() || layer.Alpha.isNull()) throw std::bad_alloc();
        } else {
            // The text is measured first: what it and the effect pictures
            // made for it will take is known before anything is drawn.
            TlxImage::TextLayerPlan text;
            bool drawn = false;
            if (!planTextLayer(doc, layer, where, text, drawn, error)) return false;
            if (drawn) {
                const qint64 effects = effectPictureBytes(s, text.Layer);
                if (text.LayerBytes() + effects > left() ||
                    !doc.PlanTextLayer(layer, text, left() - effects))
                    return tooLarge(QStringLiteral("the text with its effects"));
                if (!doc.RenderTextLayerWithin(i, left() - effects))
                    return tooLarge(QStringLiteral("the text"));
            }
            // A text that cannot be drawn here (too large, an arrangement this
            // program does not know) still loads, as an empty picture.
            if (layer.Bitmap.isNull() || layer.Alpha.isNull()) {
                layer.Bitmap = QImage(1, 1, QImage::Format_BGR888);
                layer.Bitmap.fill(0);
                layer.Alpha = CreateGrayBitmap(1, 1);
            }
        }
        const QSize layerSize = layer.Bitmap.size();

        if (layer.HasMask) {
            if (!readStream(in, plan.Mask, kMaskStream, left(), bmp, error, where)) return false;
            QImage mask = lx::decodedToBgr(bmp);
            bmp = lx::DecodedBmp();
            // A mask that does not match its layer (a text drawn with another
            // font, or a damaged file) keeps its top-left part.
            if (!mask.isNull() && mask.size() != layerSize) {
                if (3 * pixelCount(layerSize) > left()) return tooLarge(QStringLiteral("the mask"));
                mask = lx::fittedMask(mask, layerSize);
            }
            if (mask.isNull()) throw std::bad_alloc();
            layer.Mask = std::move(mask);
        }

        QImage* const masks[6] = {&s.DropShadowMask, &s.InnerShadowMask, &s.InnerGlowMask,
                                  &s.OuterGlowMask,  &s.BevelMask,       &s.StrokeMask};
        const bool on[6] = {s.DropShadowOn, s.InnerShadowOn, s.InnerGlowOn,
                            s.OuterGlowOn,  s.BevelOn,       s.StrokeOn};
        for (int k = 0; k < 6; ++k) {
            if (!on[k]) continue;
            if (!readStream(in, plan.Effects[k], kEffectStream, left(), bmp, error, where))
                return false;
            // A picture that is made again below is not kept.
            if (!rebuildAll) {
                *masks[k] = lx::decodedLevels(bmp);
                if (masks[k]->isNull()) throw std::bad_alloc();
            }
        }
        bmp = lx::DecodedBmp();
        if (s.PatternOverlayOn) {
            if (!readStream(in, plan.Pattern, kPatternStream, left(), bmp, error, where))
                return false;
            s.PatternBitmap = bmp.BitCount == 32 ? bmp.Pixels : lx::decodedToBgr(bmp);
            if (s.PatternBitmap.isNull()) throw std::bad_alloc();
            bmp = lx::DecodedBmp();
        }

        // Effect pictures that do not fit the layer as it is now (its text
        // drawn with another font, or a damaged file) are made afresh, each
        // once, and only where the budget holds the new picture beside what
        // the layer has.
        using Rebuild = bool (TlxImage::*)(int);
        const Rebuild rebuilds[6] = {&TlxImage::RebuildDropShadow, &TlxImage::RebuildInnerShadow,
                                     &TlxImage::RebuildInnerGlow,  &TlxImage::RebuildOuterGlow,
                                     &TlxImage::RebuildBevel,      &TlxImage::RebuildStroke};
        for (int k = 0; k < 6; ++k) {
            if (!on[k]) continue;
            const QSize size = effectMaskSize(layerSize, effectMargin(s, k));
            if (!rebuildAll && masks[k]->size() == size) continue;
            if (pixelCount(size) > left()) return tooLarge(QStringLiteral("an effect picture"));
            (doc.*rebuilds[k])(i);
        }

        // Gradient pictures are never stored.
        if (s.GradientOverlayOn) {
            if (3 * pixelCount(layerSize) > left())
                return tooLarge(QStringLiteral("the gradient overlay"));
            doc.RebuildGradientOverlay(i);
        }
        if (s.StrokeOn && s.StrokeGradientOn) {
            if (3 * pixelCount(s.StrokeMask.size()) > left())
                return tooLarge(QStringLiteral("the gradient stroke"));
            doc.RebuildGradientStroke(i);
        }

        budget -= layerBytes(layer);
        if (budget < 0) {
            error.set(TlxFileErrorCode::TooLarge,
                      QStringLiteral("the document needs more memory than a design may take"));
            return false;
        }
    }

    // Bytes after the last layer's streams belong to no layer (a file padded
    // on its way, or written over a longer one); every layer is whole, so
    // they are passed over.
    if (in.remaining() > 0)
        doc.LastLoadNotes << QStringLiteral("%1 bytes after the last layer's data were passed over")
                                 .arg(in.remaining());

    doc.ShowBmp = QImage(width, height, QImage::Format_BGR888);
    doc.BackBmp = CreateGrayBitmap(width, height);
    if (doc.ShowBmp.isNull() || doc.BackBmp.isNull()) throw std::bad_alloc();
    doc.ShowBmp.fill(0);
    if (doc.BackgroundMode == lxBackTransparent) DrawChecker(doc.BackBmp);
    doc.CurrLayerID = std::min<int>(header[hCurrentLayer], count - 1);
    return true;
}

bool TlxImage::LoadFromData(const QByteArray& Data, uint32_t FileTime) {
    LastFileError.clear();
    LastLoadNotes.clear();
    bool versionMessage = false;
    bool ok = false;
    std::unique_ptr<TlxImage> staged;
    try {
        staged = std::make_unique<TlxImage>();
        staged->AutoSize = false;
        staged->BlendTables = BlendTables;
        staged->DesignByteBudget = DesignByteBudget;
        staged->DocInfo1 = DocInfo1;
        staged->DocInfo2 = DocInfo2;
        staged->DocInfo3 = DocInfo3;
        staged->DocInfo4 = DocInfo4;
        staged->ScreenPPI = ScreenPPI;
        staged->DocPointCount = DocPointCount;
        staged->DocPoints = DocPoints;
        staged->DocFlag1 = DocFlag1;
        staged->DocFlag2 = DocFlag2;
        ok = readDesign(*staged, reinterpret_cast<const uint8_t*>(Data.constData()),
                        size_t(Data.size()), FileTime, versionMessage);
        if (!ok) LastFileError = staged->LastFileError;
    } catch (const std::bad_alloc&) {
        LastFileError.set(TlxFileErrorCode::OutOfMemory,
                          QStringLiteral("out of memory while reading the file"));
        ok = false;
    }
    if (!ok) {
        if (versionMessage && OnCallMessageBox)
            OnCallMessageBox(this, QString::fromUtf8(kVersionMessage), kErrorBox);
        return false;
    }

    // Everything was read: the staged document takes this one's place.
    CloseImage();
    const int count = staged->LayersCount;
    for (int i = 0; i < MaxLayers; ++i) {
        // Design files do not hold the gloss block; it stays with its slot.
        TlxLayerStyle& slot = Layers[size_t(i)].Style;
        TlxLayerStyle& read = staged->Layers[size_t(i)].Style;
        read.GlossOn = slot.GlossOn;
        std::memcpy(read.Gloss, slot.Gloss, sizeof read.Gloss);
        std::swap(Layers[size_t(i)], staged->Layers[size_t(i)]);
    }
    LayersCount = count;
    ImageWidth = staged->ImageWidth;
    ImageHeight = staged->ImageHeight;
    CurrLayerID = staged->CurrLayerID;
    BackgroundMode = staged->BackgroundMode;
    BackColor = staged->BackColor;
    ScreenPPI = staged->ScreenPPI;
    DocInfo1 = std::move(staged->DocInfo1);
    DocInfo2 = std::move(staged->DocInfo2);
    DocInfo3 = std::move(staged->DocInfo3);
    DocInfo4 = std::move(staged->DocInfo4);
    DocPointCount = staged->DocPointCount;
    DocPoints = staged->DocPoints;
    DocFlag1 = staged->DocFlag1;
    DocFlag2 = staged->DocFlag2;
    ShowBmp = std::move(staged->ShowBmp);
    BackBmp = std::move(staged->BackBmp);
    LastLoadNotes = std::move(staged->LastLoadNotes);
    staged->LayersCount = 0;
    if (AutoSize) {
        applyAutoSize(ImageWidth, ImageHeight);
        ZoomValue = 1.0;
    }
    CanReDraw = true;
    ReDraw();
    return true;
}

bool TlxImage::LoadFromFile(const QString& FileName) {
    LastFileError.clear();
    LastLoadNotes.clear();
    QByteArray data;
    if (!lx::readWholeFile(FileName, -1, {}, data, LastFileError)) return false;
    return LoadFromData(data, dosDateTime(QFileInfo(FileName).lastModified()));
}
