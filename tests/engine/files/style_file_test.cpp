#include "file_fixtures.h"
#include "files/bmp_stream.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace filetest;

namespace {

std::unique_ptr<TlxImage> twoSquares() {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, 60, 40));
    EXPECT_TRUE(img->AddBitmapLayer(squareWithCoverage(20, 12, {10, 20, 30})));
    EXPECT_TRUE(img->AddBitmapLayer(squareWithCoverage(20, 12, {10, 20, 30})));
    return img;
}

// Every effect of layer 1 switched on.
void styleEverything(TlxImage& img) {
    TlxLayer& l = img.Layers[1];
    l.Opacity = 0.6;
    l.BlendMode = 4;
    l.Style.EffectsIgnoreOpacity = true;
    TlxImage::ContourPointArray points{};
    points[0] = {0, 200};
    points[1] = {255, 10};
    TlxImage::ContourTableArray table{};
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = uint8_t(i / 2);
    ASSERT_TRUE(img.SetDropShadow(1, 9, 75, 3, -2, 1, 3, lxRGB(1, 2, 3), true, 2, points, table));
    ASSERT_TRUE(
        img.SetInnerShadow(1, 2, 60, -1, 2, 0, 2, lxRGB(4, 5, 6), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(img.SetInnerGlow(1, 16, 70, 1, 2, lxRGB(7, 8, 9), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(
        img.SetOuterGlow(1, 16, 80, 2, 4, lxRGB(10, 11, 12), false, 0, kNoPoints, kNoTable));
    l.Style.Bevel.BevelKind = 1;
    ASSERT_TRUE(img.SetBevel(1, 16, 9, 75, 50, -2, 2, 0, 3, lxRGB(255, 255, 255), 0, false, 0,
                             kNoPoints, kNoTable));
    l.Style.Stroke.Position = 2;
    ASSERT_TRUE(img.SetStroke(1, 0, 90, 1, 2, lxRGB(255, 0, 0), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(img.SetGradientStroke(1, lxGradientVertical, twoStops(), true, 0));
    ASSERT_TRUE(img.SetGradientOverlay(1, 3, 50, lxGradientDiagonal, twoStops(), false, 45));
    l.Style.ColorOverlayOn = true;
    l.Style.ColorOverlay.Color = lxRGB(0, 255, 0);
    l.Style.ColorOverlay.Opacity = 33;
    QImage tile(3, 2, QImage::Format_RGB32);
    tile.fill(qRgb(50, 60, 70));
    ASSERT_TRUE(img.SetPatternOverlay(1, 0, 40, tile));
    for (int k = 0; k < 48; ++k)
        l.Style.Gloss[k] = uint8_t(k + 1);
}

template <class T> bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void expectSameStyle(const TlxLayer& a, const TlxLayer& b) {
    EXPECT_EQ(a.Opacity, b.Opacity);
    EXPECT_EQ(a.BlendMode, b.BlendMode);
    const TlxLayerStyle &x = a.Style, &y = b.Style;
    EXPECT_EQ(x.EffectsIgnoreOpacity, y.EffectsIgnoreOpacity);
    for (auto [p, q] : {std::pair{x.DropShadowOn, y.DropShadowOn},
                        {x.InnerShadowOn, y.InnerShadowOn},
                        {x.OuterGlowOn, y.OuterGlowOn},
                        {x.InnerGlowOn, y.InnerGlowOn},
                        {x.BevelOn, y.BevelOn},
                        {x.ColorOverlayOn, y.ColorOverlayOn},
                        {x.GradientOverlayOn, y.GradientOverlayOn},
                        {x.PatternOverlayOn, y.PatternOverlayOn},
                        {x.StrokeOn, y.StrokeOn},
                        {x.StrokeGradientOn, y.StrokeGradientOn}})
        EXPECT_EQ(p, q);
    EXPECT_TRUE(sameBytes(x.DropShadow, y.DropShadow));
    EXPECT_TRUE(sameBytes(x.InnerShadow, y.InnerShadow));
    EXPECT_TRUE(sameBytes(x.OuterGlow, y.OuterGlow));
    EXPECT_TRUE(sameBytes(x.InnerGlow, y.InnerGlow));
    EXPECT_TRUE(sameBytes(x.Bevel, y.Bevel));
    EXPECT_TRUE(sameBytes(x.Stroke, y.Stroke));
    EXPECT_TRUE(sameBytes(x.ColorOverlay, y.ColorOverlay));
    EXPECT_TRUE(sameBytes(x.GradientOverlay, y.GradientOverlay));
    EXPECT_TRUE(sameBytes(x.StrokeGradient, y.StrokeGradient));
    EXPECT_TRUE(sameBytes(x.PatternOverlay, y.PatternOverlay));
    EXPECT_EQ(std::memcmp(x.Gloss, y.Gloss, 48), 0);
    EXPECT_TRUE(samePixels(x.DropShadowMask, y.DropShadowMask));
    EXPECT_TRUE(samePixels(x.InnerShadowMask, y.InnerShadowMask));
    EXPECT_TRUE(samePixels(x.OuterGlowMask, y.OuterGlowMask));
    EXPECT_TRUE(samePixels(x.InnerGlowMask, y.InnerGlowMask));
    EXPECT_TRUE(samePixels(x.BevelMask, y.BevelMask));
    EXPECT_TRUE(samePixels(x.StrokeMask, y.StrokeMask));
    EXPECT_TRUE(samePixels(x.GradientOverlayBitmap, y.GradientOverlayBitmap));
    EXPECT_TRUE(samePixels(x.StrokeGradientBitmap, y.StrokeGradientBitmap));
    EXPECT_TRUE(samePixels(x.PatternBitmap, y.PatternBitmap));
}

// A hand-built file of an older version: header, items 1..3, the six
// flagged short records and the colour overlay.
QByteArray oldStyle(uint16_t version, const TlxShadowStyle& drop, bool dropOn) {
    QByteArray b;
    b.append(char(10));
    b.append("LayerStyle", 10);
    b.append(char(0x7F)); // padding: any value
    b.append(char(version & 255));
    b.append(char(version >> 8));
    const double opacity = 0.25;
    b.append(reinterpret_cast<const char*>(&opacity), 8);
    b.append(char(1)); // blend mode
    b.append(char(0)); // effects follow the layer's opacity
    b.append(char(dropOn ? 1 : 0));
    b.append(shortShadow(drop, 0, 0));
    b.append(char(0));
    b.append(QByteArray(52, '\0'));
    b.append(char(0));
    b.append(QByteArray(44, '\0'));
    b.append(char(0));
    b.append(QByteArray(44, '\0'));
    b.append(char(0));
    b.append(QByteArray(64, '\0'));
    b.append(char(0));
    b.append(QByteArray(36, '\0'));
    b.append(char(0));
    b.append(QByteArray(16, '\0'));
    return b;
}

int boxes = 0;
QString boxText;

} // namespace

TEST(StyleFileTest, SavedStyleGivesAnotherLayerTheSameEffects) {
    auto img = twoSquares();
    styleEverything(*img);
    QByteArray data;
    ASSERT_TRUE(img->SaveLayerStyleToData(1, data)) << img->LastFileError.message().toStdString();
    // 6135 bytes plus the 24-bit 3 x 2 tile: rows of 9 padded to 12, 54 + 24 = 78.
    EXPECT_EQ(data.size(), 6135 + 78);
    EXPECT_EQ(img->Layers[1].Style.PatternOverlay.PatternSize, 78);
    EXPECT_EQ(uint8_t(data[12]) | uint8_t(data[13]) << 8, 259);

    ASSERT_TRUE(img->LoadLayerStyleFromData(2, data)) << img->LastFileError.message().toStdString();
    expectSameStyle(img->Layers[1], img->Layers[2]);

    // Back into the layer it came from: nothing changes; the gloss switch is
    // the slot's own.
    img->Layers[1].Style.GlossOn = true;
    ASSERT_TRUE(img->LoadLayerStyleFromData(1, data));
    EXPECT_TRUE(img->Layers[1].Style.GlossOn);
    img->Layers[1].Style.GlossOn = false;
    expectSameStyle(img->Layers[1], img->Layers[2]);
}

TEST(StyleFileTest, SameSizeAndSpreadKeepTheMaskOthersRebuildIt) {
    auto img = twoSquares();
    ASSERT_TRUE(img->SetDropShadow(1, 0, 50, 2, 2, 1, 3, 0, false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(
        img->SetDropShadow(2, 9, 75, 6, -4, 1, 3, lxRGB(9, 9, 9), false, 0, kNoPoints, kNoTable));
    QByteArray sameSize;
    ASSERT_TRUE(img->SaveLayerStyleToData(2, sameSize));

    img->Layers[1].Style.DropShadowMask.scanLine(0)[0] = 201; // a made mask is 0 there
    ASSERT_TRUE(img->LoadLayerStyleFromData(1, sameSize));
    const TlxLayerStyle& s = img->Layers[1].Style;
    EXPECT_EQ(greyAt(s.DropShadowMask, 0, 0), 201);
    EXPECT_EQ(s.DropShadow.Color, lxRGB(9, 9, 9));
    EXPECT_EQ(s.DropShadow.Opacity, 75);
    EXPECT_EQ(s.DropShadow.DrawX, 6 - 2 * 3);
    EXPECT_EQ(s.DropShadow.DrawY, -4 - 2 * 3);

    ASSERT_TRUE(img->SetDropShadow(2, 9, 75, 6, -4, 5, 3, 0, false, 0, kNoPoints, kNoTable));
    QByteArray wider;
    ASSERT_TRUE(img->SaveLayerStyleToData(2, wider));
    ASSERT_TRUE(img->LoadLayerStyleFromData(1, wider));
    // Spread 5 makes M = 5: the mask grows to 20 + 20 by 12 + 20.
    EXPECT_EQ(s.DropShadowMask.size(), QSize(40, 32));
    EXPECT_EQ(greyAt(s.DropShadowMask, 0, 0), 0);
}

TEST(StyleFileTest, AnEffectOffInTheFileSwitchesItOff) {
    auto img = twoSquares();
    styleEverything(*img);
    QByteArray plain;
    ASSERT_TRUE(img->SaveLayerStyleToData(2, plain)); // layer 2 has no effects
    ASSERT_TRUE(img->LoadLayerStyleFromData(1, plain));
    const TlxLayerStyle& s = img->Layers[1].Style;
    EXPECT_FALSE(s.DropShadowOn || s.InnerShadowOn || s.OuterGlowOn || s.InnerGlowOn || s.BevelOn ||
                 s.StrokeOn || s.StrokeGradientOn || s.ColorOverlayOn || s.GradientOverlayOn ||
                 s.PatternOverlayOn);
    EXPECT_TRUE(s.DropShadowMask.isNull());
    EXPECT_TRUE(s.PatternBitmap.isNull());
    EXPECT_TRUE(s.GradientOverlayBitmap.isNull());
    EXPECT_EQ(img->Layers[1].Opacity, 1.0);
}

TEST(StyleFileTest, OlderVersionsSwitchOffWhatTheyDoNotKnow) {
    auto img = twoSquares();
    styleEverything(*img);
    TlxShadowStyle drop{};
    drop.BlendMode = 9;
    drop.Opacity = 75;
    drop.Size = 2;
    drop.DrawX = 2 - 4; // offset 2 with M = 2
    drop.DrawY = 2 - 4;
    ASSERT_TRUE(img->LoadLayerStyleFromData(1, oldStyle(256, drop, true)))
        << img->LastFileError.message().toStdString();
    const TlxLayerStyle& s = img->Layers[1].Style;
    EXPECT_EQ(img->Layers[1].Opacity, 0.25);
    EXPECT_EQ(img->Layers[1].BlendMode, 1);
    ASSERT_TRUE(s.DropShadowOn);
    EXPECT_EQ(s.DropShadow.Size, 2);
    EXPECT_EQ(s.DropShadow.Contour.UseContour, 0);
    EXPECT_FALSE(s.GradientOverlayOn);
    EXPECT_TRUE(s.GradientOverlayBitmap.isNull());
    EXPECT_FALSE(s.PatternOverlayOn);
    EXPECT_FALSE(s.StrokeGradientOn);
    EXPECT_FALSE(s.StrokeOn);

    // Version 257 knows the gradient and pattern overlays, not the gradient stroke.
    styleEverything(*img);
    QByteArray v257 = oldStyle(257, drop, false);
    v257.append(char(1));              // gloss flag
    v257.append(QByteArray(48, '\0')); // gloss
    v257.append(char(1));              // gradient overlay on
    TlxGradientStyle g = img->Layers[1].Style.GradientOverlay;
    v257.append(reinterpret_cast<const char*>(&g), sizeof g);
    v257.append(char(0)); // pattern off
    v257.append(QByteArray(8, '\0'));
    ASSERT_EQ(v257.size(), 1238);
    ASSERT_TRUE(img->Layers[1].Style.StrokeGradientOn);
    ASSERT_TRUE(img->LoadLayerStyleFromData(1, v257)) << img->LastFileError.message().toStdString();
    EXPECT_TRUE(s.GradientOverlayOn);
    EXPECT_FALSE(s.PatternOverlayOn);
    EXPECT_FALSE(s.StrokeGradientOn);
    EXPECT_TRUE(s.StrokeGradientBitmap.isNull());
}

TEST(StyleFileTest, GradientStrokeStaysOffWithoutTheStroke) {
    auto img = twoSquares();
    styleEverything(*img);
    QByteArray data;
    ASSERT_TRUE(img->SaveLayerStyleToData(1, data));
    // Item 9 (the stroke flag) sits after the header, items 1..3 and four
    // flagged records: 14 + 10 + 729 + 729 + 721 + 721 + 741 = 3665.
    ASSERT_EQ(data[3665], char(1));
    data[3665] = 0;
    ASSERT_TRUE(img->LoadLayerStyleFromData(2, data));
    const TlxLayerStyle& s = img->Layers[2].Style;
    EXPECT_FALSE(s.StrokeOn);
    EXPECT_FALSE(s.StrokeGradientOn);
    EXPECT_TRUE(s.StrokeGradientBitmap.isNull());
}

TEST(StyleFileTest, BadFilesChangeNothing) {
    auto img = twoSquares();
    styleEverything(*img);
    QByteArray data;
    ASSERT_TRUE(img->SaveLayerStyleToData(1, data));
    auto fresh = twoSquares();
    fresh->OnCallMessageBox = [](TlxImage*, const QString& text, uint32_t) {
        ++boxes;
        boxText = text;
        return 1;
    };

    std::vector<std::pair<std::string, QByteArray>> bad;
    for (qsizetype cut : {0, 5, 13, 14, 100, 3000, 6134, 6135 + 40})
        bad.emplace_back("cut at " + std::to_string(cut), data.left(cut));
    QByteArray name = data;
    name[1] = 'l';
    bad.emplace_back("wrong name", name);
    QByteArray pattern = data;
    const qsizetype patternSize = 6135 - 4;
    put32(pattern, patternSize, 0x7FFFFFF0);
    bad.emplace_back("pattern past the end", pattern);
    QByteArray badBitmap = data;
    badBitmap[6135] = 'X';
    bad.emplace_back("pattern not a bitmap", badBitmap);

    boxes = 0;
    for (const auto& [what, bytes] : bad) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(fresh->LoadLayerStyleFromData(2, bytes));
        EXPECT_FALSE(fresh->LastFileError.isNone());
        EXPECT_FALSE(fresh->Layers[2].Style.DropShadowOn);
        EXPECT_EQ(fresh->Layers[2].Opacity, 1.0);
    }
    EXPECT_EQ(boxes, 0);

    for (uint16_t version : {255, 260}) {
        QByteArray v = data;
        v[12] = char(version & 255);
        v[13] = char(version >> 8);
        EXPECT_FALSE(fresh->LoadLayerStyleFromData(2, v));
        EXPECT_EQ(
            boxText,
            QString::fromUtf8(
                "要读取的样式列表文件版本过高，请使用更高版本的《Quenlix图像处理系统》进行读取。"));
    }
    EXPECT_EQ(boxes, 2);
    EXPECT_FALSE(fresh->LoadLayerStyleFromData(7, data)); // no such layer
}

TEST(StyleFileTest, FilesOnDisk) {
    QTemporaryDir dir;
    auto img = twoSquares();
    styleEverything(*img);
    const QString path = dir.filePath("a.style");
    ASSERT_TRUE(img->SaveLayerStyle(1, path));
    ASSERT_TRUE(img->LoadLayerStyle(2, path));
    expectSameStyle(img->Layers[1], img->Layers[2]);
    EXPECT_FALSE(img->LoadLayerStyle(2, dir.filePath("missing.style")));
    EXPECT_FALSE(img->SaveLayerStyle(1, dir.filePath("no/such/folder/a.style")));
}
