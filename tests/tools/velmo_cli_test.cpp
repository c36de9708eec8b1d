// velmo-cli run as a separate process, the way print shops and scripts run
// it: every command's main path, its failures and their exit codes. The
// design it works on is built here with the engine and saved as a file.
// The last tests check the design file itself: loading keeps the effect
// masks the file stores instead of building them again.

#include "engine/picture_helpers.h"
#include "lxImage.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

// "生日快乐" ("happy birthday") in GBK, written out byte by byte so the test
// does not depend on the code page conversion it checks.
const char kBirthdayGbk[] = "\xc9\xfa\xc8\xd5\xbf\xec\xc0\xd6";
const char16_t kBirthday[] = u"生日快乐";
// "背景图层", the background layer's name.
const char16_t kBackgroundName[] = u"背景图层";

// Layer 1 of the design: a 60 x 40 picture at (20, 30).
constexpr int kPicLeft = 20, kPicTop = 30, kPicWidth = 60, kPicHeight = 40;
// Its drop shadow: offset (15, 15), no blur, so the shadow is the layer's own
// rectangle moved to x 35..94, y 45..84.
constexpr int kShadowOffset = 15;

struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

RunResult runCli(const QStringList& Args) {
    QProcess process;
    process.start(QStringLiteral(VELMO_CLI_PATH), Args);
    RunResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QByteArray readAll(const QString& FileName) {
    QFile file(FileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& FileName, const QByteArray& Bytes) {
    QFile file(FileName);
    return file.open(QIODevice::WriteOnly) && file.write(Bytes) == Bytes.size();
}

uint32_t u32At(const QByteArray& Bytes, qsizetype Offset) {
    const auto* p = reinterpret_cast<const uint8_t*>(Bytes.constData()) + Offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t u16At(const QByteArray& Bytes, qsizetype Offset) {
    const auto* p = reinterpret_cast<const uint8_t*>(Bytes.constData()) + Offset;
    return uint16_t(p[0] | p[1] << 8);
}

std::unique_ptr<TlxImage> loadDesign(const QString& FileName) {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->LoadFromFile(FileName)) << img->LastFileError.message().toStdString();
    return img;
}

// A picture that differs in every pixel, so a shifted or flipped output shows.
QImage gradientPicture(int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            setBgr(image, x, y,
                   {uint8_t(40 + 3 * x), uint8_t(200 - 4 * y), uint8_t((7 * x + 5 * y) & 255)});
    }
    return image;
}

// The design every test works on, 200 x 150 over the checkerboard:
//  0  the background, transparent (coverage 0), background colour #123456;
//  1  the gradient picture at (20, 30), opacity 0.75, "add" mode, state 99,
//     a mask whose left half is white and right half pure red, a drop shadow
//     (50 %, black, offset (15, 15), no blur) and a 2-pixel outside stroke;
//  2  a text layer "生日快乐" at (110, 2).
// Layer 1 is the current one.
void buildDesign(TlxImage& img) {
    ASSERT_TRUE(img.NewImage(false, lxRGB(0x12, 0x34, 0x56), 24, 200, 150));
    ASSERT_TRUE(img.AddBitmapLayer(gradientPicture(kPicWidth, kPicHeight)));
    TlxLayer& pic = img.Layers[1];
    pic.Left = kPicLeft;
    pic.Top = kPicTop;
    pic.Opacity = 0.75;
    pic.BlendMode = 1;
    pic.State = 99;
    QImage mask = solidBgr(kPicWidth, kPicHeight, {255, 255, 255});
    for (int y = 0; y < kPicHeight; ++y) {
        for (int x = kPicWidth / 2; x < kPicWidth; ++x)
            setBgr(mask, x, y, {0, 0, 255});
    }
    pic.Mask = mask;
    pic.HasMask = true;
    const TlxImage::ContourPointArray noPoints{};
    const TlxImage::ContourTableArray noTable{};
    ASSERT_TRUE(img.SetDropShadow(1, 0, 50, kShadowOffset, kShadowOffset, 0, 0, lxRGB(0, 0, 0),
                                  false, 0, noPoints, noTable));
    img.Layers[1].Style.Stroke.Position = 0;
    ASSERT_TRUE(img.SetStroke(1, 0, 100, 0, 2, lxRGB(255, 255, 0), false, 0, noPoints, noTable));

    TlxTextStyle text{};
    SetText(text, kBirthdayGbk);
    SetFontName(text, "WenQuanYi Zen Hei");
    text.Size = 16;
    text.Color = lxRGB(200, 30, 40);
    text.Arrangement = lxTextStandard;
    ASSERT_TRUE(img.AddTextLayer(110, 2, text));
    img.CurrLayerID = 1;
    ASSERT_TRUE(img.ReDraw());
}

class VelmoCliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        ASSERT_TRUE(dir_->isValid());
        original_ = new TlxImage;
        buildDesign(*original_);
        ASSERT_TRUE(original_->SaveToFile(design()))
            << original_->LastFileError.message().toStdString();
    }
    static void TearDownTestSuite() {
        delete original_;
        original_ = nullptr;
        delete dir_;
        dir_ = nullptr;
    }

    static QString path(const QString& Name) { return dir_->filePath(Name); }
    static QString design() { return path(QStringLiteral("design.velmo")); }

    static QJsonObject info(const QString& FileName) {
        const RunResult r = runCli({QStringLiteral("info"), FileName});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
        return doc.object();
    }

    static QTemporaryDir* dir_;
    static TlxImage* original_;
};

QTemporaryDir* VelmoCliTest::dir_ = nullptr;
TlxImage* VelmoCliTest::original_ = nullptr;

// ---- render ----

struct RenderCase {
    const char* name;
    bool exactPixels; // PNG and BMP are lossless, JPEG is not
};

void PrintTo(const RenderCase& c, std::ostream* os) {
    *os << c.name;
}

class RenderFormatTest : public VelmoCliTest, public ::testing::WithParamInterface<RenderCase> {};

TEST_P(RenderFormatTest, WritesTheDisplayPictureOfTheLoadedDesign) {
    const QString out = path(QString::fromLatin1(GetParam().name));
    const RunResult r = runCli({QStringLiteral("render"), design(), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QImage written(out);
    ASSERT_FALSE(written.isNull());
    ASSERT_EQ(written.size(), QSize(200, 150));
    if (!GetParam().exactPixels) return;
    const QImage picture = written.convertToFormat(QImage::Format_BGR888);
    const auto loaded = loadDesign(design());
    EXPECT_EQ(picture, loaded->ShowBmp);
    // Loading gives back what the design showed before it was saved.
    EXPECT_EQ(picture, original_->ShowBmp);
    // Where nothing covers it the checkerboard shows: 192 in the square at
    // the top-left corner, 255 in the next square to the right (x 16..31).
    EXPECT_EQ(bgrAt(picture, 5, 5), (Bgr{192, 192, 192}));
    EXPECT_EQ(bgrAt(picture, 21, 5), (Bgr{255, 255, 255}));
}

INSTANTIATE_TEST_SUITE_P(Formats, RenderFormatTest,
                         ::testing::Values(RenderCase{"out.png", true},
                                           RenderCase{"upper.PNG", true},
                                           RenderCase{"out.bmp", true},
                                           RenderCase{"out.jpg", false},
                                           RenderCase{"out.JPEG", false}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (c == '.') c = '_';
                             }
                             return name;
                         });

TEST_F(VelmoCliTest, RenderBmpIs24BitsPerPixel) {
    const QString out = path(QStringLiteral("depth.bmp"));
    ASSERT_EQ(runCli({QStringLiteral("render"), design(), out}).exitCode, 0);
    const QByteArray bytes = readAll(out);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(u16At(bytes, 28), 24); // biBitCount of the 40-byte info header
    // 200 pixels * 3 bytes = 600 per row, already a multiple of 4; 150 rows.
    EXPECT_EQ(bytes.size(), 54 + 600 * 150);
}

TEST_F(VelmoCliTest, RenderJpegUsesQuality90) {
    const QString out = path(QStringLiteral("quality.jpg"));
    ASSERT_EQ(runCli({QStringLiteral("render"), design(), out}).exitCode, 0);
    const QByteArray bytes = readAll(out);
    // The first quantisation table entry is the luminance DC step. The
    // standard table has 16 there; quality q >= 50 scales it by (200 - 2q) %,
    // rounded: q = 90 gives (16 * 20 + 50) / 100 = 3 (quality 75 would give 8).
    const qsizetype dqt = bytes.indexOf(QByteArray("\xff\xdb", 2));
    ASSERT_GE(dqt, 0);
    ASSERT_GT(bytes.size(), dqt + 5);
    EXPECT_EQ(uint8_t(bytes[dqt + 4]) & 0xF0, 0); // 8-bit entries
    EXPECT_EQ(uint8_t(bytes[dqt + 5]), 3);
}

TEST_F(VelmoCliTest, RenderAlphaWritesTheCoverageOfTheLayers) {
    const QString out = path(QStringLiteral("alpha.png"));
    const RunResult r =
        runCli({QStringLiteral("render"), QStringLiteral("--alpha"), design(), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage written = QImage(out).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(written.size(), QSize(200, 150));
    const auto loaded = loadDesign(design());
    QImage expected;
    ASSERT_TRUE(loaded->RenderToAlphaBitmap(expected));
    EXPECT_EQ(written, expected);

    // Coverage by hand (N = nearest, halves to even). Layer 1 has opacity
    // 0.75 and full alpha, its drop shadow 50 % of that, 0.375; the
    // background layer adds nothing (alpha 0).
    const auto coverage = [&](int x, int y) { return qAlpha(written.pixel(x, y)); };
    // Outside everything: nothing.
    EXPECT_EQ(coverage(5, 5), 0);
    // The white half of the mask: N(255 * 0.75 * 765 / 765) = N(191.25) = 191.
    EXPECT_EQ(coverage(kPicLeft + 10, kPicTop + 10), 191);
    // The red half: N(255 * 0.75 * (255 + 0 + 0) / 765) = N(63.75) = 64.
    EXPECT_EQ(coverage(kPicLeft + 45, kPicTop + 10), 64);
    // The shadow beyond the layer (and beyond the 2-pixel stroke): mask 255,
    // N(255 * 0.375) = N(95.625) = 96.
    EXPECT_EQ(coverage(kPicLeft + kPicWidth + 10, kPicTop + kPicHeight + 10), 96);
    // Right of the layer but above the shadow (which starts at y 45).
    EXPECT_EQ(coverage(kPicLeft + kPicWidth + 10, kPicTop + 5), 0);
}

// ---- info ----

TEST_F(VelmoCliTest, InfoDescribesTheDocumentAndEveryLayer) {
    const QJsonObject doc = info(design());
    EXPECT_EQ(doc[QLatin1String("version")].toInt(), 260);
    EXPECT_EQ(doc[QLatin1String("width")].toInt(), 200);
    EXPECT_EQ(doc[QLatin1String("height")].toInt(), 150);
    EXPECT_EQ(doc[QLatin1String("backgroundMode")].toInt(), 0);
    // lxRGB(0x12, 0x34, 0x56) is 0x00563412; red is the low byte, 0x12.
    EXPECT_EQ(doc[QLatin1String("backColor")].toString(), QStringLiteral("#123456"));
    EXPECT_EQ(doc[QLatin1String("currentLayer")].toInt(), 1);

    const QJsonArray layers = doc[QLatin1String("layers")].toArray();
    ASSERT_EQ(layers.size(), 3);
    const QJsonObject back = layers[0].toObject();
    EXPECT_EQ(back[QLatin1String("name")].toString(), QString::fromUtf16(kBackgroundName));
    EXPECT_FALSE(back[QLatin1String("isText")].toBool(true));
    EXPECT_EQ(back[QLatin1String("width")].toInt(), 200);
    EXPECT_EQ(back[QLatin1String("height")].toInt(), 150);
    EXPECT_EQ(back[QLatin1String("opacity")].toDouble(), 1.0);
    EXPECT_FALSE(back[QLatin1String("hasMask")].toBool(true));
    EXPECT_EQ(back[QLatin1String("effects")].toArray(), QJsonArray());

    const QJsonObject pic = layers[1].toObject();
    EXPECT_FALSE(pic[QLatin1String("isText")].toBool(true));
    EXPECT_EQ(pic[QLatin1String("left")].toInt(), kPicLeft);
    EXPECT_EQ(pic[QLatin1String("top")].toInt(), kPicTop);
    EXPECT_EQ(pic[QLatin1String("width")].toInt(), kPicWidth);
    EXPECT_EQ(pic[QLatin1String("height")].toInt(), kPicHeight);
    EXPECT_EQ(pic[QLatin1String("opacity")].toDouble(), 0.75);
    EXPECT_EQ(pic[QLatin1String("blendMode")].toInt(), 1);
    EXPECT_TRUE(pic[QLatin1String("visible")].toBool(false));
    EXPECT_TRUE(pic[QLatin1String("hasMask")].toBool(false));
    EXPECT_EQ(pic[QLatin1String("state")].toInt(), 99);
    EXPECT_EQ(pic[QLatin1String("effects")].toArray(),
              (QJsonArray{QStringLiteral("dropShadow"), QStringLiteral("stroke")}));

    const QJsonObject text = layers[2].toObject();
    EXPECT_EQ(text[QLatin1String("name")].toString(), QString::fromUtf16(kBirthday));
    EXPECT_TRUE(text[QLatin1String("isText")].toBool(false));
    EXPECT_EQ(text[QLatin1String("left")].toInt(), 110);
    EXPECT_EQ(text[QLatin1String("top")].toInt(), 2);
    const auto loaded = loadDesign(design());
    EXPECT_EQ(text[QLatin1String("width")].toInt(), loaded->Layers[2].Bitmap.width());
    EXPECT_EQ(text[QLatin1String("height")].toInt(), loaded->Layers[2].Bitmap.height());
    EXPECT_GT(text[QLatin1String("width")].toInt(), 0);
}

TEST_F(VelmoCliTest, InfoListsEffectsInTheirFixedOrder) {
    // The effects are switched on out of their listing order, each through
    // the engine so the file holds the pictures it needs.
    auto img = loadDesign(design());
    const TlxImage::ContourPointArray noPoints{};
    const TlxImage::ContourTableArray noTable{};
    img->Layers[2].Style.Stroke.Position = 0;
    ASSERT_TRUE(img->SetStroke(2, 0, 100, 0, 1, 0, false, 0, noPoints, noTable));
    TColorlistSrcd stops;
    stops.Count = 2;
    stops.Stops = {{lxRGB(255, 0, 0), 0, 1.0}, {lxRGB(0, 0, 255), 0, 0.0}};
    ASSERT_TRUE(img->SetGradientStroke(2, lxGradientHorizontal, stops, false, 0));
    img->Layers[2].Style.ColorOverlayOn = true;
    ASSERT_TRUE(img->SetInnerShadow(2, 0, 50, 1, 1, 0, 1, 0, false, 0, noPoints, noTable));
    ASSERT_TRUE(img->SetOuterGlow(2, 0, 50, 0, 1, 0, false, 0, noPoints, noTable));
    // Layer 1 takes the other five, so every switch is named once.
    TlxLayerStyle& pic = img->Layers[1].Style;
    pic.StrokeOn = false;
    pic.StrokeMask = QImage();
    ASSERT_TRUE(img->SetInnerGlow(1, 0, 50, 0, 1, 0, false, 0, noPoints, noTable));
    ASSERT_TRUE(
        img->SetBevel(1, 0, 0, 50, 50, 1, 1, 0, 1, 0xFFFFFF, 0, false, 0, noPoints, noTable));
    ASSERT_TRUE(img->SetGradientOverlay(1, 0, 50, lxGradientVertical, stops, false, 0));
    ASSERT_TRUE(img->SetPatternOverlay(1, 0, 50, solidBgr(4, 4, {1, 2, 3})));
    const QString file = path(QStringLiteral("effects.velmo"));
    ASSERT_TRUE(img->SaveToFile(file)) << img->LastFileError.message().toStdString();
    const QJsonArray layers = info(file)[QLatin1String("layers")].toArray();
    ASSERT_EQ(layers.size(), 3);
    EXPECT_EQ(layers[2].toObject()[QLatin1String("effects")].toArray(),
              (QJsonArray{QStringLiteral("innerShadow"), QStringLiteral("outerGlow"),
                          QStringLiteral("colorOverlay"), QStringLiteral("stroke"),
                          QStringLiteral("strokeGradient")}));
    EXPECT_EQ(layers[1].toObject()[QLatin1String("effects")].toArray(),
              (QJsonArray{QStringLiteral("dropShadow"), QStringLiteral("innerGlow"),
                          QStringLiteral("bevel"), QStringLiteral("gradientOverlay"),
                          QStringLiteral("patternOverlay")}));
}

// ---- convert ----

// A version 259 file: the same layer records, and the header fields after
// Info4 (bytes 224..1043) unused, so they are cleared here as such a file
// would have them.
QByteArray asVersion259(QByteArray Bytes) {
    Bytes[4] = char(259 & 255);
    Bytes[5] = char(259 >> 8);
    std::memset(Bytes.data() + 224, 0, 1044 - 224);
    return Bytes;
}

TEST_F(VelmoCliTest, ConvertWritesTheCurrentVersion) {
    const QString old = path(QStringLiteral("old259.velmo"));
    ASSERT_TRUE(writeAll(old, asVersion259(readAll(design()))));
    EXPECT_EQ(info(old)[QLatin1String("version")].toInt(), 259);

    const QString converted = path(QStringLiteral("converted.velmo"));
    const RunResult r = runCli({QStringLiteral("convert"), old, converted});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    const QByteArray bytes = readAll(converted);
    ASSERT_GE(bytes.size(), 1044);
    EXPECT_EQ(bytes.left(3), QByteArray("QNL"));
    EXPECT_EQ(u16At(bytes, 4), 260);
    const auto loaded = loadDesign(converted);
    EXPECT_EQ(loaded->LayersCount, 3);
    EXPECT_EQ(loaded->ShowBmp, original_->ShowBmp);
    // Byte for byte what the program writes after opening the old file.
    auto expected = loadDesign(old);
    QByteArray expectedBytes;
    ASSERT_TRUE(expected->SaveToData(expectedBytes));
    EXPECT_TRUE(bytes == expectedBytes);
}

// ---- style ----

TEST_F(VelmoCliTest, StylePreset0SwitchesEveryEffectOff) {
    const QString out = path(QStringLiteral("preset0.velmo"));
    const RunResult r = runCli(
        {QStringLiteral("style"), design(), QStringLiteral("1"), QStringLiteral("preset:0"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray layers = info(out)[QLatin1String("layers")].toArray();
    ASSERT_EQ(layers.size(), 3);
    EXPECT_EQ(layers[1].toObject()[QLatin1String("effects")].toArray(), QJsonArray());
    // The preset's blending options: opacity 1, normal mode.
    EXPECT_EQ(layers[1].toObject()[QLatin1String("opacity")].toDouble(), 1.0);
    EXPECT_EQ(layers[1].toObject()[QLatin1String("blendMode")].toInt(), 0);
    // The other layers are untouched.
    EXPECT_EQ(layers[0].toObject(),
              info(design())[QLatin1String("layers")].toArray()[0].toObject());

    // The same file, thumbnail included, as applying the preset in the
    // program and saving.
    auto expected = loadDesign(design());
    ASSERT_TRUE(expected->LoadLayerStyleFromData(1, TlxImage::PresetTextEffect(0)));
    ASSERT_TRUE(expected->ReDraw());
    QByteArray expectedBytes;
    ASSERT_TRUE(expected->SaveToData(expectedBytes));
    EXPECT_TRUE(readAll(out) == expectedBytes);
    EXPECT_EQ(loadDesign(out)->ShowBmp, expected->ShowBmp);
}

TEST_F(VelmoCliTest, StyleFileAppliesAsLoadingItDoes) {
    // Layer 1's style, saved as a style file, put on the text layer.
    const QString style = path(QStringLiteral("shadow.style"));
    ASSERT_TRUE(original_->SaveLayerStyle(1, style))
        << original_->LastFileError.message().toStdString();
    const QString out = path(QStringLiteral("styled.velmo"));
    const RunResult r =
        runCli({QStringLiteral("style"), design(), QStringLiteral("2"), style, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray layers = info(out)[QLatin1String("layers")].toArray();
    ASSERT_EQ(layers.size(), 3);
    EXPECT_EQ(layers[2].toObject()[QLatin1String("effects")].toArray(),
              (QJsonArray{QStringLiteral("dropShadow"), QStringLiteral("stroke")}));
    EXPECT_EQ(layers[2].toObject()[QLatin1String("opacity")].toDouble(), 0.75);

    auto expected = loadDesign(design());
    ASSERT_TRUE(expected->LoadLayerStyle(2, style));
    ASSERT_TRUE(expected->ReDraw());
    QByteArray expectedBytes;
    ASSERT_TRUE(expected->SaveToData(expectedBytes));
    EXPECT_TRUE(readAll(out) == expectedBytes);
    const auto styled = loadDesign(out);
    EXPECT_EQ(styled->Layers[2].Style.DropShadowMask, expected->Layers[2].Style.DropShadowMask);
    EXPECT_EQ(styled->Layers[2].Style.StrokeMask, expected->Layers[2].Style.StrokeMask);
    EXPECT_EQ(styled->ShowBmp, expected->ShowBmp);
}

// ---- help and failures ----

TEST_F(VelmoCliTest, HelpPrintsUsageAndSucceeds) {
    const RunResult r = runCli({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("render"));
    EXPECT_TRUE(r.out.contains("quality 90"));
    EXPECT_TRUE(r.err.isEmpty());
}

TEST_F(VelmoCliTest, NoArgumentsPrintsUsageAndFails) {
    const RunResult r = runCli({});
    EXPECT_EQ(r.exitCode, 2);
    // Wrong usage: the reason and every command's synopsis, on stderr.
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.startsWith("velmo-cli: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Usage"));
    EXPECT_TRUE(r.err.contains("velmo-cli export IN.velmo"));
    EXPECT_TRUE(r.err.contains("velmo-cli pdf IN.velmo OUT.pdf"));
}

struct FailureCase {
    const char* what;
    // Arguments separated by spaces; "$design", "$garbage", "$style", "$newer"
    // and "$dir/" stand for files of the test's folder.
    const char* args;
    int exitCode;
    const char* output; // a file the command must not leave behind, or null
    const char* reason = nullptr; // words the message must carry, or null
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.what;
}

class FailureTest : public VelmoCliTest, public ::testing::WithParamInterface<FailureCase> {
protected:
    static void SetUpTestSuite() {
        VelmoCliTest::SetUpTestSuite();
        // Random bytes: not even the file's magic.
        std::mt19937 rng(77);
        QByteArray garbage(5000, '\0');
        for (char& c : garbage)
            c = char(rng());
        ASSERT_TRUE(writeAll(path(QStringLiteral("garbage.velmo")), garbage));
        ASSERT_TRUE(writeAll(path(QStringLiteral("garbage.style")), garbage));
        // A design from a newer program.
        QByteArray newer = readAll(design());
        newer[4] = char(261 & 255);
        newer[5] = char(261 >> 8);
        ASSERT_TRUE(writeAll(path(QStringLiteral("newer.velmo")), newer));
    }

    static QStringList expand(const char* Args) {
        QStringList out;
        for (QString a : QString::fromUtf8(Args).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            a.replace(QLatin1String("$design"), design());
            a.replace(QLatin1String("$garbage"), path(QStringLiteral("garbage.velmo")));
            a.replace(QLatin1String("$style"), path(QStringLiteral("garbage.style")));
            a.replace(QLatin1String("$newer"), path(QStringLiteral("newer.velmo")));
            a.replace(QLatin1String("$dir/"), dir_->path() + QLatin1Char('/'));
            out.append(a);
        }
        return out;
    }
};

// A file that cannot be read or written gives one line on stderr; wrong
// usage gives that line and then the synopsis of the command concerned.
TEST_P(FailureTest, ExitsWithItsCodeAndOneLineOnStderr) {
    const FailureCase& c = GetParam();
    const QStringList args = expand(c.args);
    const RunResult r = runCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    ASSERT_TRUE(r.err.startsWith("velmo-cli: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith('\n'));
    const qsizetype lineEnd = r.err.indexOf('\n');
    const QByteArray reasonLine = r.err.left(lineEnd + 1);
    const QByteArray rest = r.err.mid(lineEnd + 1);
    if (c.exitCode == 2) {
        const QByteArray command = args[0].toUtf8();
        const bool known =
            QByteArrayList{"render", "info", "convert", "style", "export", "pdf"}.contains(command);
        const QByteArray synopsis =
            known ? "Usage: velmo-cli " + command + " " : QByteArray("Usage: velmo-cli COMMAND");
        EXPECT_TRUE(rest.startsWith(synopsis)) << r.err.toStdString();
    } else {
        EXPECT_TRUE(rest.isEmpty()) << r.err.toStdString();
    }
    if (c.output != nullptr) {
        EXPECT_FALSE(QFileInfo::exists(expand(c.output)[0]));
    }
    if (c.reason != nullptr) {
        EXPECT_TRUE(reasonLine.contains(c.reason)) << r.err.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureTest,
    // clang-format off
    ::testing::Values(
        // Input that cannot be read: 1.
        FailureCase{"renderMissingInput", "render $dir/missing.velmo $dir/m.png", 1, "$dir/m.png"},
        FailureCase{"infoMissingInput", "info $dir/missing.velmo", 1, nullptr},
        FailureCase{"convertMissingInput", "convert $dir/missing.velmo $dir/m.velmo", 1, "$dir/m.velmo"},
        FailureCase{"styleMissingInput", "style $dir/missing.velmo 1 preset:0 $dir/m2.velmo", 1, "$dir/m2.velmo"},
        FailureCase{"renderGarbage", "render $garbage $dir/g.png", 1, "$dir/g.png"},
        FailureCase{"infoGarbage", "info $garbage", 1, nullptr},
        FailureCase{"convertGarbage", "convert $garbage $dir/g.velmo", 1, "$dir/g.velmo"},
        FailureCase{"infoNewerVersion", "info $newer", 1, nullptr},
        FailureCase{"styleMissingStyleFile", "style $design 1 $dir/none.style $dir/s.velmo", 1, "$dir/s.velmo"},
        FailureCase{"styleGarbageStyleFile", "style $design 1 $style $dir/s2.velmo", 1, "$dir/s2.velmo"},
        // Output that cannot be written: 1.
        FailureCase{"renderNoFolder", "render $design $dir/no/such/out.png", 1, nullptr, "the folder does not exist"},
        FailureCase{"renderAlphaNoFolder", "render --alpha $design $dir/no/such/out.png", 1, nullptr, "the folder does not exist"},
        FailureCase{"convertNoFolder", "convert $design $dir/no/such/out.velmo", 1, nullptr, "the folder does not exist"},
        FailureCase{"styleNoFolder", "style $design 1 preset:0 $dir/no/such/out.velmo", 1, nullptr, "the folder does not exist"},
        // Wrong usage: 2, before any file is touched.
        FailureCase{"unknownCommand", "frobnicate $design", 2, nullptr},
        FailureCase{"renderOneFile", "render $design", 2, nullptr},
        FailureCase{"renderThreeFiles", "render $design $dir/a.png $dir/b.png", 2, "$dir/a.png"},
        FailureCase{"renderUnknownExtension", "render $design $dir/out.gif", 2, "$dir/out.gif"},
        FailureCase{"renderNoExtension", "render $design $dir/out", 2, "$dir/out"},
        FailureCase{"renderAlphaJpeg", "render --alpha $design $dir/out.jpg", 2, "$dir/out.jpg"},
        FailureCase{"infoTwoFiles", "info $design $design", 2, nullptr},
        FailureCase{"convertOneFile", "convert $design", 2, nullptr},
        FailureCase{"styleLayerNotANumber", "style $design x preset:0 $dir/x.velmo", 2, "$dir/x.velmo"},
        FailureCase{"styleLayerWithSuffix", "style $design 1x preset:0 $dir/x.velmo", 2, "$dir/x.velmo"},
        FailureCase{"styleLayerNegative", "style $design -1 preset:0 $dir/x.velmo", 2, "$dir/x.velmo"},
        FailureCase{"styleLayerBeyondTheDesign", "style $design 3 preset:0 $dir/x.velmo", 2, "$dir/x.velmo"},
        FailureCase{"stylePreset13", "style $design 1 preset:13 $dir/p.velmo", 2, "$dir/p.velmo"},
        FailureCase{"stylePresetNotANumber", "style $design 1 preset:one $dir/p.velmo", 2, "$dir/p.velmo"},
        FailureCase{"stylePresetEmpty", "style $design 1 preset: $dir/p.velmo", 2, "$dir/p.velmo"},
        FailureCase{"styleMissingOutput", "style $design 1 preset:0", 2, nullptr},
        // export
        FailureCase{"exportMissingInput", "export $dir/missing.velmo $dir/m.bmp", 1, "$dir/m.bmp"},
        FailureCase{"exportGarbage", "export $garbage $dir/g.png", 1, "$dir/g.png"},
        FailureCase{"exportNewerVersion", "export $newer $dir/n.jpg", 1, "$dir/n.jpg"},
        FailureCase{"exportNoFolder", "export $design $dir/no/such/out.bmp", 1, nullptr, "the folder does not exist"},
        FailureCase{"exportUnknownExtension", "export $design $dir/out.gif", 2, "$dir/out.gif", ".gif"},
        FailureCase{"exportNoExtension", "export $design $dir/out", 2, "$dir/out"},
        FailureCase{"exportOneFile", "export $design", 2, nullptr},
        FailureCase{"exportThreeFiles", "export $design $dir/a.bmp $dir/b.bmp", 2, "$dir/a.bmp"},
        // pdf: files
        FailureCase{"pdfMissingInput", "pdf $dir/missing.velmo $dir/m.pdf", 1, "$dir/m.pdf"},
        FailureCase{"pdfGarbage", "pdf $garbage $dir/g.pdf", 1, "$dir/g.pdf"},
        FailureCase{"pdfNoFolder", "pdf $design $dir/no/such/out.pdf", 1, nullptr, "the folder does not exist"},
        FailureCase{"pdfNotAPdfName", "pdf $design $dir/out.png", 2, "$dir/out.png", "out.png"},
        FailureCase{"pdfOneFile", "pdf $design", 2, nullptr},
        FailureCase{"pdfUnknownOption", "pdf $design $dir/u.pdf --scale 2", 2, "$dir/u.pdf", "--scale"},
        // pdf: values out of their limits or not numbers
        FailureCase{"pdfDpiBelow72", "pdf $design $dir/d.pdf --dpi 71", 2, "$dir/d.pdf", "--dpi"},
        FailureCase{"pdfDpiAbove2400", "pdf $design $dir/d.pdf --dpi 2401", 2, "$dir/d.pdf", "--dpi"},
        FailureCase{"pdfDpiNotANumber", "pdf $design $dir/d.pdf --dpi high", 2, "$dir/d.pdf", "--dpi"},
        FailureCase{"pdfDpiFraction", "pdf $design $dir/d.pdf --dpi 300.5", 2, "$dir/d.pdf", "--dpi"},
        FailureCase{"pdfDpiWithoutValue", "pdf $design $dir/d.pdf --dpi", 2, "$dir/d.pdf", "--dpi"},
        FailureCase{"pdfCopies0", "pdf $design $dir/c.pdf --copies 0", 2, "$dir/c.pdf", "--copies"},
        FailureCase{"pdfCopies1000", "pdf $design $dir/c.pdf --copies 1000", 2, "$dir/c.pdf", "--copies"},
        FailureCase{"pdfCopiesNegative", "pdf $design $dir/c.pdf --copies -1", 2, "$dir/c.pdf", "--copies"},
        FailureCase{"pdfPageUnknown", "pdf $design $dir/p.pdf --page B5", 2, "$dir/p.pdf", "--page"},
        FailureCase{"pdfPageWidth9mm", "pdf $design $dir/p.pdf --page 9x100mm", 2, "$dir/p.pdf", "--page"},
        FailureCase{"pdfPageHeight2001mm", "pdf $design $dir/p.pdf --page 100x2001mm", 2, "$dir/p.pdf", "--page"},
        FailureCase{"pdfPageNoUnit", "pdf $design $dir/p.pdf --page 100x100", 2, "$dir/p.pdf", "--page"},
        FailureCase{"pdfPageOneSide", "pdf $design $dir/p.pdf --page 100mm", 2, "$dir/p.pdf", "--page"},
        FailureCase{"pdfXNotANumber", "pdf $design $dir/x.pdf --x left", 2, "$dir/x.pdf", "--x"},
        FailureCase{"pdfXNegative", "pdf $design $dir/x.pdf --x -1", 2, "$dir/x.pdf", "--x"},
        FailureCase{"pdfXTwoPoints", "pdf $design $dir/x.pdf --x 1.2.3", 2, "$dir/x.pdf", "--x"},
        // A4 is 21 cm wide: an offset of 21 cm starts the picture past the page.
        FailureCase{"pdfXBeyondA4", "pdf $design $dir/x.pdf --x 21", 2, "$dir/x.pdf", "--x"},
        // Letter is 27.94 cm high; the page is checked whichever option comes first.
        FailureCase{"pdfYBeyondLetter", "pdf $design $dir/y.pdf --y 27.94 --page Letter", 2, "$dir/y.pdf", "--y"},
        // 6.5 cm down by default, below a page 50 mm high.
        FailureCase{"pdfDefaultYBeyondPage", "pdf $design $dir/y.pdf --page 100x50mm", 2, "$dir/y.pdf", "the default --y 6.5"},
        FailureCase{"pdfYWithoutValue", "pdf $design $dir/y.pdf --y", 2, "$dir/y.pdf", "--y"}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.what); });

// ---- export ----

// The shaped design export works on, 100 x 80: an opaque background of
// red 10, green 200, blue 30 cut by a hard-edged circle of radius 30 around
// (50, 40) (a pixel is inside when its centre is), and a 30 x 20 picture of
// red 220, green 50, blue 40 at (60, 30), partly beyond the circle's right
// edge at x 80.
constexpr int kShapedWidth = 100, kShapedHeight = 80;
constexpr Bgr kShapedBack{30, 200, 10};
constexpr Bgr kShapedPicture{40, 50, 220};

QString buildShapedDesign(const QString& FileName) {
    TlxImage img;
    EXPECT_TRUE(img.NewImage(true, lxRGB(kShapedBack.r, kShapedBack.g, kShapedBack.b), 24,
                             kShapedWidth, kShapedHeight));
    img.BackgroundMode = lxBackTransparent;
    QImage circle(kShapedWidth, kShapedHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < kShapedHeight; ++y) {
        for (int x = 0; x < kShapedWidth; ++x) {
            const double dx = x + 0.5 - 50, dy = y + 0.5 - 40;
            circle.scanLine(y)[x] = dx * dx + dy * dy <= 30.0 * 30.0 ? 255 : 0;
        }
    }
    EXPECT_TRUE(img.SetLayerMaskPicture(0, circle));
    EXPECT_TRUE(img.AddBitmapLayer(solidBgr(30, 20, kShapedPicture)));
    img.Layers[1].Left = 60;
    img.Layers[1].Top = 30;
    EXPECT_TRUE(img.ReDraw());
    EXPECT_TRUE(img.SaveToFile(FileName)) << img.LastFileError.message().toStdString();
    return FileName;
}

// Points of the shaped design and what the printed picture holds there.
struct ShapedPoint {
    int x, y;
    bool inside; // inside the circle
    Bgr colour;  // the design's colour there, when inside
};

// (2, 2) and (85, 40) lie outside the circle, (85, 40) under the picture;
// (50, 40) is the background inside; (65, 40) the picture inside
// (15.5^2 + 0.5^2 = 240.5 <= 900).
const ShapedPoint kShapedPoints[] = {
    {2, 2, false, {}},
    {85, 40, false, {}},
    {50, 40, true, kShapedBack},
    {65, 40, true, kShapedPicture},
};

class ExportTest : public VelmoCliTest {
protected:
    static void SetUpTestSuite() {
        VelmoCliTest::SetUpTestSuite();
        buildShapedDesign(shaped());
    }
    static QString shaped() { return path(QStringLiteral("circle.velmo")); }
};

TEST_F(ExportTest, BmpIsWhiteOutsideTheShapeAndTheDesignInside) {
    const QString out = path(QStringLiteral("export.BMP"));
    const RunResult r = runCli({QStringLiteral("export"), shaped(), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QByteArray bytes = readAll(out);
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(u16At(bytes, 28), 24);
    // 100 pixels * 3 bytes = 300 per row, padded to 300 (a multiple of 4).
    EXPECT_EQ(bytes.size(), 54 + 300 * kShapedHeight);
    const QImage picture = QImage(out).convertToFormat(QImage::Format_BGR888);
    ASSERT_EQ(picture.size(), QSize(kShapedWidth, kShapedHeight));
    for (const ShapedPoint& p : kShapedPoints) {
        const Bgr expected = p.inside ? p.colour : Bgr{255, 255, 255};
        EXPECT_EQ(bgrAt(picture, p.x, p.y), expected) << p.x << ", " << p.y;
    }
}

TEST_F(ExportTest, PngIsTransparentOutsideTheShapeAndOpaqueInside) {
    const QString out = path(QStringLiteral("export.png"));
    const RunResult r = runCli({QStringLiteral("export"), shaped(), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage picture = QImage(out).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), QSize(kShapedWidth, kShapedHeight));
    for (const ShapedPoint& p : kShapedPoints) {
        const QRgb pixel = picture.pixel(p.x, p.y);
        if (!p.inside) {
            EXPECT_EQ(qAlpha(pixel), 0) << p.x << ", " << p.y;
            continue;
        }
        EXPECT_EQ(pixel, qRgba(p.colour.r, p.colour.g, p.colour.b, 255)) << p.x << ", " << p.y;
    }
}

TEST_F(ExportTest, JpegHasTheCanvasSizeQuality90AndTheDesignsColours) {
    const QString out = path(QStringLiteral("export.jpeg"));
    const RunResult r = runCli({QStringLiteral("export"), shaped(), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray bytes = readAll(out);
    // The luminance DC step of quality 90: (16 * 20 + 50) / 100 = 3.
    const qsizetype dqt = bytes.indexOf(QByteArray("\xff\xdb", 2));
    ASSERT_GE(dqt, 0);
    ASSERT_GT(bytes.size(), dqt + 5);
    EXPECT_EQ(uint8_t(bytes[dqt + 5]), 3);
    const QImage picture = QImage(out).convertToFormat(QImage::Format_BGR888);
    ASSERT_EQ(picture.size(), QSize(kShapedWidth, kShapedHeight));
    // Lossy, so only near: the 16 x 16 block at x 32..47, y 32..47 is all
    // background inside the circle, the one at the top-left corner all white.
    const auto near = [](Bgr a, Bgr b) {
        return std::abs(a.b - b.b) <= 4 && std::abs(a.g - b.g) <= 4 && std::abs(a.r - b.r) <= 4;
    };
    EXPECT_TRUE(near(bgrAt(picture, 40, 40), kShapedBack));
    EXPECT_TRUE(near(bgrAt(picture, 4, 4), Bgr{255, 255, 255}));
}

// ---- pdf ----

RunResult runTool(const QString& Program, const QStringList& Args) {
    QProcess process;
    process.start(Program, Args);
    RunResult result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The MediaBox of page 1 (pdfinfo -box), in points.
QSizeF mediaBox(const QString& Pdf) {
    const RunResult r = runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-box"), Pdf});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(R"(MediaBox:\s+(\S+)\s+(\S+)\s+(\S+)\s+(\S+))"))
            .match(QString::fromUtf8(r.out));
    if (!m.hasMatch()) return {};
    return {m.captured(3).toDouble() - m.captured(1).toDouble(),
            m.captured(4).toDouble() - m.captured(2).toDouble()};
}

int pageCount(const QString& Pdf) {
    const RunResult r = runTool(QStringLiteral("pdfinfo"), {Pdf});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))")).match(QString::fromUtf8(r.out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// One row of pdfimages -list.
struct PdfImage {
    int page = 0, width = 0, height = 0, object = 0, xPpi = 0, yPpi = 0;
    QString encoding;
};

std::vector<PdfImage> pdfImages(const QString& Pdf) {
    const RunResult r = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), Pdf});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<PdfImage> images;
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'));
    for (qsizetype k = 2; k < lines.size(); ++k) {
        const QStringList f = lines[k].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 14) continue;
        images.push_back({f[0].toInt(), f[3].toInt(), f[4].toInt(), f[10].toInt(), f[12].toInt(),
                          f[13].toInt(), f[8]});
    }
    return images;
}

// Page 1 rendered at 300 dots per inch.
QImage renderPage(const QString& Pdf) {
    const QString prefix = Pdf + QStringLiteral(".page");
    const RunResult r =
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-f"),
                 QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                 QStringLiteral("-png"), QStringLiteral("-singlefile"), Pdf, prefix});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// The bounding box of everything on the page that is not near white.
QRect inkBox(const QImage& Page) {
    int left = Page.width(), top = Page.height(), right = -1, bottom = -1;
    for (int y = 0; y < Page.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(Page.constScanLine(y));
        for (int x = 0; x < Page.width(); ++x) {
            if (std::min({qRed(row[x]), qGreen(row[x]), qBlue(row[x])}) >= 200) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The design pdf places, 200 x 150 (2 x 1.5 inches at 100 pixels per
// inch): an opaque dark blue background (blue 160) with a red 20 x 20
// square in its top-left corner, so a flipped picture shows, and the
// gradient picture at (100, 80), where resamplers differ.
class PdfTest : public VelmoCliTest {
protected:
    static void SetUpTestSuite() {
        VelmoCliTest::SetUpTestSuite();
        TlxImage img;
        ASSERT_TRUE(img.NewImage(true, lxRGB(0, 0, 160), 24, 200, 150));
        ASSERT_TRUE(img.AddBitmapLayer(solidBgr(20, 20, {0, 0, 255})));
        img.Layers[1].Left = 0;
        img.Layers[1].Top = 0;
        ASSERT_TRUE(img.AddBitmapLayer(gradientPicture(kPicWidth, kPicHeight)));
        img.Layers[2].Left = 100;
        img.Layers[2].Top = 80;
        ASSERT_TRUE(img.ReDraw());
        ASSERT_TRUE(img.SaveToFile(plain())) << img.LastFileError.message().toStdString();
    }
    static QString plain() { return path(QStringLiteral("plain.velmo")); }

    static QString writePdf(const QString& Name, const QStringList& Options) {
        const QString out = path(Name);
        const RunResult r = runCli(QStringList{QStringLiteral("pdf"), plain(), out} + Options);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        return out;
    }
};

struct PageCase {
    const char* what;
    const char* page;
    double widthPt, heightPt;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.what;
}

class PdfPageTest : public PdfTest, public ::testing::WithParamInterface<PageCase> {};

// A4 is 210 x 297 mm, which Qt keeps as 595 x 842 whole points; A3 is
// 297 x 420 mm, 842 x 1191 pt; Letter is 8.5 x 11 in, 612 x 792 pt; and
// 254 x 127 mm is 10 x 5 in, 720 x 360 pt.
TEST_P(PdfPageTest, MediaBoxHasThePageSize) {
    const PageCase& c = GetParam();
    QStringList options;
    if (c.page != nullptr) options = {QStringLiteral("--page"), QString::fromLatin1(c.page)};
    const QString out = writePdf(QStringLiteral("page-%1.pdf").arg(QLatin1String(c.what)), options);
    const QSizeF box = mediaBox(out);
    EXPECT_NEAR(box.width(), c.widthPt, 0.01);
    EXPECT_NEAR(box.height(), c.heightPt, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Pages, PdfPageTest,
                         ::testing::Values(PageCase{"default", nullptr, 595, 842},
                                           PageCase{"A4", "A4", 595, 842},
                                           PageCase{"a3", "a3", 842, 1191},
                                           PageCase{"LETTER", "LETTER", 612, 792},
                                           PageCase{"custom", "254x127mm", 720, 360}),
                         [](const auto& info) { return std::string(info.param.what); });

struct PlaceCase {
    const char* what;
    const char* options; // separated by spaces
    int dpi;
    // The embedded picture's size in pixels: round(200 * dpi / 100) x
    // round(150 * dpi / 100).
    int pictureWidth, pictureHeight;
    // Where the picture's top-left corner lands on the page rendered at
    // 300 dots per inch (a dot at the PDF's resolution is 300 / dpi of them).
    int left, top;
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << c.what;
}

class PdfPlaceTest : public PdfTest, public ::testing::WithParamInterface<PlaceCase> {};

// On the rendered page the picture always measures 2 x 1.5 inches, 600 x 450
// pixels at 300 dpi, at the offsets worked out beside each case.
TEST_P(PdfPlaceTest, PictureHasItsTrueSizeAtTheOffsetsAsked) {
    const PlaceCase& c = GetParam();
    const QString out =
        writePdf(QStringLiteral("place-%1.pdf").arg(QLatin1String(c.what)),
                 QString::fromLatin1(c.options).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    EXPECT_EQ(pageCount(out), 1);
    const std::vector<PdfImage> images = pdfImages(out);
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, c.pictureWidth);
    EXPECT_EQ(images[0].height, c.pictureHeight);
    EXPECT_EQ(images[0].xPpi, c.dpi);
    EXPECT_EQ(images[0].yPpi, c.dpi);
    // Stored without loss ("image" is flate; "jpeg" would be lossy).
    EXPECT_EQ(images[0].encoding.toStdString(), "image");

    const QImage page = renderPage(out);
    ASSERT_FALSE(page.isNull());
    const QRect box = inkBox(page);
    EXPECT_NEAR(box.left(), c.left, 2);
    EXPECT_NEAR(box.top(), c.top, 2);
    EXPECT_NEAR(box.width(), 600, 2);
    EXPECT_NEAR(box.height(), 450, 2);
    // The red square lies in the picture's top-left corner, 60 x 60 rendered
    // pixels; the rest is the dark blue background.
    const QRgb corner = page.pixel(box.left() + 30, box.top() + 30);
    EXPECT_GT(qRed(corner), 200);
    EXPECT_LT(qBlue(corner), 60);
    const QRgb far = page.pixel(box.right() - 30, box.bottom() - 30);
    EXPECT_LT(qRed(far), 60);
    EXPECT_NEAR(qBlue(far), 160, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Places, PdfPlaceTest,
    // clang-format off
    ::testing::Values(
        // 2.54 cm is one inch, 300 dots; 5.08 cm two inches, 600.
        PlaceCase{"inches", "--page Letter --x 2.54 --y 5.08", 300, 600, 450, 300, 600},
        // Letter at 300 dpi is 2550 x 3300 dots: (2550 - 600) div 2 = 975,
        // (3300 - 450) div 2 = 1425.
        PlaceCase{"centred", "--page Letter --x center --y CENTER", 300, 600, 450, 975, 1425},
        // By default centred across and 6.5 cm down: round(6.5 * 300 / 2.54)
        // = round(767.72) = 768.
        PlaceCase{"defaults", "--page Letter", 300, 600, 450, 975, 768},
        // 254 x 127 mm is 3000 x 1500 dots: x round(1 * 300 / 2.54) =
        // round(118.11) = 118, y (1500 - 450) div 2 = 525.
        PlaceCase{"customPage", "--page 254x127mm --x 1 --y center", 300, 600, 450, 118, 525},
        // At 150 dpi the picture is 300 x 225 dots, one inch is 150 dots,
        // rendered at 300: 300.
        PlaceCase{"dpi150", "--page Letter --dpi 150 --x 2.54 --y 2.54", 150, 300, 225, 300, 300},
        // At 600 dpi: 1200 x 900 dots; x round(1.27 * 600 / 2.54) = 300 dots,
        // 150 rendered; y round(0.5 * 600 / 2.54) = round(118.11) = 118 dots,
        // 59 rendered.
        PlaceCase{"dpi600", "--page Letter --dpi 600 --x 1.27 --y 0.5", 600, 1200, 900, 150, 59},
        // At 72 dpi: 144 x 108 dots on a 612-dot-wide page, (612 - 144) div 2
        // = 234 dots, 234 * 300 / 72 = 975 rendered; y 0.
        PlaceCase{"dpi72", "--dpi 72 --page Letter --x center --y 0", 72, 144, 108, 975, 0}),
    // clang-format on
    [](const auto& info) { return std::string(info.param.what); });

// The embedded picture is the print picture (here, without a canvas shape,
// the composition's colours) stretched by the engine's cubic resampler to
// 150 dpi, 300 x 225, byte for byte.
TEST_F(PdfTest, PictureIsTheCubicResampleOfThePrintPicture) {
    const QString out =
        writePdf(QStringLiteral("cubic.pdf"), {QStringLiteral("--dpi"), QStringLiteral("150")});
    const QString prefix = path(QStringLiteral("cubic-image"));
    const RunResult r = runTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), out, prefix});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage embedded =
        QImage(prefix + QStringLiteral("-000.png")).convertToFormat(QImage::Format_BGR888);
    ASSERT_EQ(embedded.size(), QSize(300, 225));

    const auto doc = loadDesign(plain());
    QImage composed;
    ASSERT_TRUE(doc->RenderToAlphaBitmap(composed));
    QImage print(composed.size(), QImage::Format_BGR888);
    for (int y = 0; y < composed.height(); ++y) {
        const uint8_t* s = composed.constScanLine(y);
        for (int x = 0; x < composed.width(); ++x)
            setBgr(print, x, y, {s[4 * x], s[4 * x + 1], s[4 * x + 2]});
    }
    QImage expected;
    ASSERT_TRUE(doc->StretchBitmapCubic(print, expected, 300, 225));
    EXPECT_EQ(embedded, expected);
    // A linear stretch would differ: the picture really is the cubic one.
    QImage linear;
    ASSERT_TRUE(doc->StretchBitmapLinear(print, linear, 300, 225));
    EXPECT_NE(embedded, linear);
}

TEST_F(PdfTest, ThreeCopiesAreThreePagesOfOnePicture) {
    const QString out =
        writePdf(QStringLiteral("copies.pdf"), {QStringLiteral("--copies"), QStringLiteral("3")});
    EXPECT_EQ(pageCount(out), 3);
    const std::vector<PdfImage> images = pdfImages(out);
    ASSERT_EQ(images.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(images[size_t(k)].page, k + 1);
        EXPECT_EQ(images[size_t(k)].width, 600);
        EXPECT_EQ(images[size_t(k)].height, 450);
    }
    // The resampled picture is stored once and drawn on every page.
    EXPECT_EQ(images[1].object, images[0].object);
    EXPECT_EQ(images[2].object, images[0].object);
}

// ---- writing leaves an earlier file alone until the new one is complete ----

struct KeepCase {
    const char* what;
    const char* command;
    const char* input; // "damaged" or "design"
    const char* output;
    const char* extra; // a further argument, or null
    int exitCode;
};

void PrintTo(const KeepCase& c, std::ostream* os) {
    *os << c.what;
}

class KeepOutputTest : public VelmoCliTest, public ::testing::WithParamInterface<KeepCase> {
protected:
    static void SetUpTestSuite() {
        VelmoCliTest::SetUpTestSuite();
        // A design cut off half-way: the header is right, the layers are not all there.
        const QByteArray whole = readAll(design());
        ASSERT_TRUE(writeAll(damaged(), whole.left(whole.size() / 2)));
    }
    static QString damaged() { return path(QStringLiteral("cut.velmo")); }
};

TEST_P(KeepOutputTest, AFailedRunLeavesTheEarlierFileAsItWas) {
    const KeepCase& c = GetParam();
    const QString out = path(QString::fromLatin1(c.output));
    const QByteArray earlier("the earlier file");
    ASSERT_TRUE(writeAll(out, earlier));
    QStringList args{
        QString::fromLatin1(c.command),
        QString::fromLatin1(c.input) == QLatin1String("damaged") ? damaged() : design(), out};
    if (c.extra != nullptr) args.append(QString::fromLatin1(c.extra));
    const RunResult r = runCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_EQ(readAll(out), earlier);
    // No temporary file is left beside it.
    const QStringList leftovers = QDir(dir_->path())
                                      .entryList({QLatin1Char('.') + QString::fromLatin1(c.output) +
                                                  QStringLiteral(".partial-*")},
                                                 QDir::Files | QDir::Hidden);
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(QLatin1Char(' ')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeepOutputTest,
    ::testing::Values(KeepCase{"exportDamaged", "export", "damaged", "keep.bmp", nullptr, 1},
                      KeepCase{"pdfDamaged", "pdf", "damaged", "keep.pdf", nullptr, 1},
                      KeepCase{"pdfWrongDpi", "pdf", "design", "keep2.pdf", "--dpi=300", 2}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(PdfTest, ASuccessfulRunReplacesTheEarlierFile) {
    const QString out = path(QStringLiteral("replaced.pdf"));
    ASSERT_TRUE(writeAll(out, QByteArray("the earlier file")));
    writePdf(QStringLiteral("replaced.pdf"), {});
    EXPECT_TRUE(readAll(out).startsWith("%PDF-"));
    EXPECT_EQ(pageCount(out), 1);
}

// ---- usage of every command ----

struct HelpCase {
    const char* command;
    const char* args;  // the command line after the program's name
    const char* words; // words its usage must carry
};

void PrintTo(const HelpCase& c, std::ostream* os) {
    *os << c.args;
}

class CommandHelpTest : public VelmoCliTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(CommandHelpTest, ShowsThatCommandsUsageAndSucceeds) {
    const HelpCase& c = GetParam();
    const RunResult r =
        runCli(QString::fromLatin1(c.args).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("Usage: velmo-cli " + QByteArray(c.command) + " "))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(c.words)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Exit status"));
    // Only its own usage, none of the other commands'.
    for (const char* other : {"render", "info", "convert", "style", "export", "pdf"}) {
        if (std::strcmp(other, c.command) == 0) continue;
        EXPECT_FALSE(r.out.contains("velmo-cli " + QByteArray(other) + " ")) << other;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandHelpTest,
    ::testing::Values(HelpCase{"render", "render --help", "--alpha"},
                      HelpCase{"info", "info --help", "JSON"},
                      HelpCase{"convert", "convert -h", "current"},
                      HelpCase{"style", "style --help", "preset:N"},
                      HelpCase{"export", "export --help", "quality 90"},
                      HelpCase{"pdf", "pdf --help", "--copies"},
                      // --help wins wherever it stands, even after a wrong value.
                      HelpCase{"pdf", "pdf in.velmo --dpi 5 --help", "2400"}),
    [](const auto& info) {
        std::string name = info.param.args;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST_F(VelmoCliTest, HelpListsEveryCommand) {
    const RunResult r = runCli({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* form : {"render IN.velmo", "info IN.velmo", "convert IN.velmo",
                             "style IN.velmo", "export IN.velmo", "pdf IN.velmo", "--version"})
        EXPECT_TRUE(r.out.contains(form)) << form;
}

TEST_F(VelmoCliTest, VersionPrintsTheProgramsVersion) {
    const RunResult r = runCli({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.isEmpty());
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^velmo-cli \d+\.\d+(\.\d+)?\n$)"))
                    .match(QString::fromUtf8(r.out))
                    .hasMatch())
        << r.out.toStdString();
}

// ---- the design file keeps its effect masks ----

// Where layer 1's drop-shadow mask stream starts in a saved design, found by
// walking the records: the header gives the first record's offset (byte 36);
// each record is 8440 bytes, and its streams follow it in a fixed order:
// picture (length at record byte 2296, absent for text), mask (2300, when
// the HasMask byte 2293 is set), then the drop-shadow mask (length in the
// shadow record at 2324, field 40). Layer 0 here has neither mask nor effects.
qsizetype dropShadowStreamOfLayer1(const QByteArray& File, qsizetype& Length) {
    constexpr qsizetype kRecord = 8440;
    const qsizetype layer0 = qsizetype(u32At(File, 36));
    const qsizetype layer1 = layer0 + kRecord + qsizetype(u32At(File, layer0 + 2296));
    qsizetype stream = layer1 + kRecord + qsizetype(u32At(File, layer1 + 2296));
    if (File[layer1 + 2293] != 0) stream += qsizetype(u32At(File, layer1 + 2300));
    Length = qsizetype(u32At(File, layer1 + 2324 + 40));
    return stream;
}

TEST_F(VelmoCliTest, LoadingKeepsTheStoredEffectMasks) {
    QByteArray file = readAll(design());
    qsizetype length = 0;
    const qsizetype stream = dropShadowStreamOfLayer1(file, length);
    ASSERT_GT(length, 54 + 1024);
    ASSERT_LE(stream + length, file.size());
    ASSERT_EQ(file.mid(stream, 2), QByteArray("BM"));
    ASSERT_EQ(u16At(file, stream + 28), 8); // 8 bits per pixel, grey palette

    // Untouched, the mask comes back byte for byte.
    TlxImage plain;
    ASSERT_TRUE(plain.LoadFromData(file)) << plain.LastFileError.message().toStdString();
    const QImage& savedMask = original_->Layers[1].Style.DropShadowMask;
    EXPECT_EQ(plain.Layers[1].Style.DropShadowMask, savedMask);

    // Change one stored byte at mask pixel (10, 7). Without blur the mask is
    // the layer's alpha, 255 everywhere; building it again from the layer
    // would bring 255 back, keeping it leaves 77.
    const int width = int(u32At(file, stream + 18));
    const int height = int(u32At(file, stream + 22));
    ASSERT_EQ(width, kPicWidth);
    ASSERT_EQ(height, kPicHeight); // positive: rows run bottom-up
    const qsizetype stride = (width + 3) / 4 * 4;
    const qsizetype pixel = stream + u32At(file, stream + 10) + (height - 1 - 7) * stride + 10;
    ASSERT_EQ(uint8_t(file[pixel]), 255);
    file[pixel] = char(77);

    TlxImage tampered;
    ASSERT_TRUE(tampered.LoadFromData(file)) << tampered.LastFileError.message().toStdString();
    QImage expected = savedMask.copy();
    expected.scanLine(7)[10] = 77;
    EXPECT_EQ(tampered.Layers[1].Style.DropShadowMask, expected);
}

} // namespace
