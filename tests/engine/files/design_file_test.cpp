#include "codepage.h"
#include "file_fixtures.h"
#include "files/bmp_stream.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

using namespace filetest;

namespace {

// Offsets worked out from the file layout.
constexpr qsizetype kHeader = 1044;
constexpr qsizetype kRecord = 8440;

std::unique_ptr<TlxImage> richDocument() {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(false, lxRGB(10, 20, 30), 24, 80, 60));
    img->BackColor = lxRGB(1, 2, 3);

    // Layer 1: picture with coverage, a mask and a drop shadow.
    EXPECT_TRUE(img->AddBitmapLayer(squareWithCoverage(30, 20, {40, 120, 200})));
    TlxLayer& p = img->Layers[1];
    p.Name = lx::toGbk(QString::fromUtf8("图层一"));
    p.Left = 5;
    p.Top = 7;
    p.Opacity = 0.75;
    p.BlendMode = 2;
    p.State = 3;
    for (size_t k = 0; k < p.HostData.size(); ++k)
        p.HostData[k] = uint8_t(k * 7);
    QImage maskPicture(30, 20, QImage::Format_Grayscale8);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            maskPicture.scanLine(y)[x] = uint8_t(x * 8);
    EXPECT_TRUE(img->SetLayerMaskPicture(1, maskPicture));
    EXPECT_TRUE(
        img->SetDropShadow(1, 9, 75, 3, 4, 1, 3, lxRGB(0, 0, 0), false, 0, kNoPoints, kNoTable));

    // Layer 2: text with a glow, a stroke with a gradient and a colour overlay.
    EXPECT_TRUE(img->AddTextLayer(10, 30, textStyle("Hi \xc4\xe3\xba\xc3"))); // "Hi 你好"
    EXPECT_TRUE(
        img->SetOuterGlow(2, 16, 85, 2, 4, lxRGB(255, 205, 51), false, 0, kNoPoints, kNoTable));
    EXPECT_TRUE(img->SetStroke(2, 0, 100, 1, 2, lxRGB(255, 0, 0), false, 0, kNoPoints, kNoTable));
    EXPECT_TRUE(img->SetGradientStroke(2, lxGradientVertical, twoStops(), true, 0));
    img->Layers[2].Style.ColorOverlayOn = true;
    img->Layers[2].Style.ColorOverlay.Color = lxRGB(255, 255, 0);
    img->Layers[2].Style.ColorOverlay.Opacity = 60;
    img->Layers[2].Style.EffectsIgnoreOpacity = true;

    // Layer 3: hidden, with overlays, inner effects and a bevel with a contour.
    EXPECT_TRUE(img->AddBitmapLayer(squareWithCoverage(24, 18, {200, 60, 10})));
    TlxLayer& h = img->Layers[3];
    h.Visible = false;
    h.Left = -4;
    h.Top = 40;
    EXPECT_TRUE(img->SetGradientOverlay(3, 0, 80, lxGradientDiagonal, twoStops(), false, 135));
    QImage tile(3, 2, QImage::Format_ARGB32);
    tile.fill(qRgba(9, 8, 7, 128));
    tile.setPixel(2, 1, qRgba(200, 100, 50, 255));
    EXPECT_TRUE(img->SetPatternOverlay(3, 0, 50, tile));
    EXPECT_TRUE(img->SetInnerShadow(3, 0, 60, -2, 2, 0, 2, lxRGB(0, 0, 255), false, 0, kNoPoints,
                                    kNoTable));
    EXPECT_TRUE(img->SetInnerGlow(3, 0, 70, 1, 3, lxRGB(0, 255, 0), false, 0, kNoPoints, kNoTable));
    TlxImage::ContourPointArray points{};
    points[0] = {0, 255};
    points[1] = {255, 0};
    TlxImage::ContourTableArray table{};
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = uint8_t(255 - i);
    EXPECT_TRUE(img->SetBevel(3, 16, 9, 75, 50, 2, 2, 0, 3, lxRGB(255, 255, 255), 0, true, 2,
                              points, table));

    img->DocInfo1 = "info one";
    img->DocInfo2 = "two";
    img->DocInfo3 = "three";
    img->DocInfo4 = std::string(100, 'x');
    img->DocPointCount = 2;
    img->DocPoints[0] = {-5, 6};
    img->DocPoints[1] = {70000, -80000};
    img->DocFlag1 = 0xA5;
    img->DocFlag2 = 0x5A;
    img->ScreenPPI = 120;
    img->CurrLayerID = 2;
    EXPECT_TRUE(img->ReDraw());
    return img;
}

// A copy of a style record with the stream length fields cleared: loading
// stores the lengths the file was written with.
TlxLayerStyle withoutLengths(const TlxLayerStyle& s) {
    TlxLayerStyle c = s;
    c.DropShadow.MaskStreamSize = c.InnerShadow.MaskStreamSize = 0;
    c.OuterGlow.MaskStreamSize = c.InnerGlow.MaskStreamSize = 0;
    c.Bevel.MaskStreamSize = c.Stroke.MaskStreamSize = 0;
    c.PatternOverlay.PatternSize = 0;
    return c;
}

template <class T> bool sameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void expectSameLayer(const TlxLayer& a, const TlxLayer& b, int i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.IsText, b.IsText);
    EXPECT_EQ(a.Left, b.Left);
    EXPECT_EQ(a.Top, b.Top);
    EXPECT_EQ(a.Opacity, b.Opacity);
    EXPECT_EQ(a.BlendMode, b.BlendMode);
    EXPECT_TRUE(sameBytes(a.TextStyle, b.TextStyle));
    EXPECT_EQ(a.HostData, b.HostData);
    EXPECT_EQ(a.Visible, b.Visible);
    EXPECT_EQ(a.HasMask, b.HasMask);
    EXPECT_EQ(a.State, b.State);
    EXPECT_TRUE(samePixels(a.Bitmap, b.Bitmap));
    EXPECT_TRUE(samePixels(a.Alpha, b.Alpha));
    EXPECT_TRUE(samePixels(a.Mask, b.Mask));
    const TlxLayerStyle sa = withoutLengths(a.Style), sb = withoutLengths(b.Style);
    EXPECT_EQ(sa.DropShadowOn, sb.DropShadowOn);
    EXPECT_EQ(sa.InnerShadowOn, sb.InnerShadowOn);
    EXPECT_EQ(sa.OuterGlowOn, sb.OuterGlowOn);
    EXPECT_EQ(sa.InnerGlowOn, sb.InnerGlowOn);
    EXPECT_EQ(sa.BevelOn, sb.BevelOn);
    EXPECT_EQ(sa.ColorOverlayOn, sb.ColorOverlayOn);
    EXPECT_EQ(sa.GradientOverlayOn, sb.GradientOverlayOn);
    EXPECT_EQ(sa.PatternOverlayOn, sb.PatternOverlayOn);
    EXPECT_EQ(sa.StrokeOn, sb.StrokeOn);
    EXPECT_EQ(sa.StrokeGradientOn, sb.StrokeGradientOn);
    EXPECT_EQ(sa.EffectsIgnoreOpacity, sb.EffectsIgnoreOpacity);
    EXPECT_TRUE(sameBytes(sa.DropShadow, sb.DropShadow));
    EXPECT_TRUE(sameBytes(sa.InnerShadow, sb.InnerShadow));
    EXPECT_TRUE(sameBytes(sa.OuterGlow, sb.OuterGlow));
    EXPECT_TRUE(sameBytes(sa.InnerGlow, sb.InnerGlow));
    EXPECT_TRUE(sameBytes(sa.Bevel, sb.Bevel));
    EXPECT_TRUE(sameBytes(sa.ColorOverlay, sb.ColorOverlay));
    EXPECT_TRUE(sameBytes(sa.GradientOverlay, sb.GradientOverlay));
    EXPECT_TRUE(sameBytes(sa.PatternOverlay, sb.PatternOverlay));
    EXPECT_TRUE(sameBytes(sa.Stroke, sb.Stroke));
    EXPECT_TRUE(sameBytes(sa.StrokeGradient, sb.StrokeGradient));
    const TlxLayerStyle &x = a.Style, &y = b.Style;
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

using Snapshot = DocumentSnapshot;

std::unique_ptr<TlxImage> smallOpenDocument() {
    auto d = std::make_unique<TlxImage>();
    EXPECT_TRUE(d->NewImage(true, lxRGB(9, 99, 199), 24, 7, 5));
    EXPECT_TRUE(d->AddBitmapLayer(solidBgr(3, 2, {1, 2, 3})));
    d->DocInfo1 = "before";
    return d;
}

// Header of a hand-built file of an older version with one layer record to follow.
QByteArray oldHeader(uint16_t version, int w, int h, int layers) {
    QByteArray b(kHeader, '\0');
    b[0] = 'Q';
    b[1] = 'N';
    b[2] = 'L';
    put16(b, 4, version);
    put32(b, 8, uint32_t(w));
    put32(b, 12, uint32_t(h));
    b[16] = 1; // background colour
    put32(b, 20, lxRGB(0, 128, 255));
    b[24] = char(layers);
    b[25] = 0;
    b[26] = 2;
    put32(b, 28, kHeader);
    put32(b, 32, 0);
    put32(b, 36, kHeader);
    const char info[] = "old info";
    b[40] = char(sizeof info - 1);
    std::memcpy(b.data() + 41, info, sizeof info - 1);
    put32(b, 224, 300);
    put32(b, 228, 1);
    put32(b, 232, 42);
    b[1040] = 7;
    return b;
}

// The common head of every version's layer record.
void putCommonRecord(QByteArray& r, const char* name, int left, int top, double opacity,
                     uint8_t mode, bool hasMask, int imageLength, int maskLength) {
    r[0] = char(std::strlen(name));
    std::memcpy(r.data() + 1, name, std::strlen(name));
    put32(r, 20, uint32_t(left));
    put32(r, 24, uint32_t(top));
    putRaw(r, 32, opacity);
    r[40] = char(mode);
    r[2292] = 1;
    r[2293] = hasMask ? 1 : 0;
    put32(r, 2296, uint32_t(imageLength));
    put32(r, 2300, uint32_t(maskLength));
}

QImage markedMask(int w, int h, uint8_t marker) {
    QImage m = solidGrey(w, h, 0);
    m.scanLine(0)[0] = marker;
    m.scanLine(h - 1)[w - 1] = marker;
    return m;
}

int boxResult = -1;
QString boxText;
void watchMessages(TlxImage& d) {
    boxResult = -1;
    boxText.clear();
    d.OnCallMessageBox = [](TlxImage*, const QString& text, uint32_t type) {
        boxText = text;
        boxResult = int(type);
        return 1;
    };
}

} // namespace

TEST(DesignFileTest, RoundTripKeepsEveryFieldStreamAndThePicture) {
    auto original = richDocument();
    QByteArray saved;
    ASSERT_TRUE(original->SaveToData(saved)) << original->LastFileError.message().toStdString();

    auto loaded = smallOpenDocument();
    ASSERT_TRUE(loaded->LoadFromData(saved)) << loaded->LastFileError.message().toStdString();
    EXPECT_EQ(loaded->LayersCount, 4);
    EXPECT_EQ(loaded->ImageWidth, 80);
    EXPECT_EQ(loaded->ImageHeight, 60);
    EXPECT_EQ(loaded->BackgroundMode, lxBackTransparent);
    EXPECT_EQ(loaded->BackColor, lxRGB(1, 2, 3));
    EXPECT_EQ(loaded->CurrLayerID, 2);
    EXPECT_EQ(loaded->ScreenPPI, 120);
    EXPECT_EQ(loaded->DocInfo1, "info one");
    EXPECT_EQ(loaded->DocInfo2, "two");
    EXPECT_EQ(loaded->DocInfo3, "three");
    EXPECT_EQ(loaded->DocInfo4, std::string(100, 'x'));
    EXPECT_EQ(loaded->DocPointCount, 2);
    EXPECT_EQ(loaded->DocPoints[0], (TlxPoint{-5, 6}));
    EXPECT_EQ(loaded->DocPoints[1], (TlxPoint{70000, -80000}));
    EXPECT_EQ(loaded->DocFlag1, 0xA5);
    EXPECT_EQ(loaded->DocFlag2, 0x5A);
    for (int i = 0; i < 4; ++i)
        expectSameLayer(original->Layers[size_t(i)], loaded->Layers[size_t(i)], i);
    EXPECT_TRUE(samePixels(loaded->ShowBmp, original->ShowBmp));
    EXPECT_TRUE(samePixels(loaded->BackBmp, original->BackBmp));

    // Saving what was read gives the same bytes: every stream came back as it was.
    QByteArray again;
    ASSERT_TRUE(loaded->SaveToData(again));
    EXPECT_EQ(again.size(), saved.size());
    EXPECT_TRUE(again == saved);
}

TEST(DesignFileTest, HeaderFieldsAndThumbnail) {
    auto img = richDocument();
    QByteArray data;
    ASSERT_TRUE(img->SaveToData(data));
    EXPECT_EQ(data.left(3), QByteArray("QNL"));
    EXPECT_EQ(get32(data, 4) & 0xFFFF, 260u);
    EXPECT_EQ(get32(data, 8), 80u);
    EXPECT_EQ(get32(data, 12), 60u);
    EXPECT_EQ(uint8_t(data[24]), 4);
    EXPECT_EQ(uint8_t(data[25]), 2);
    EXPECT_EQ(uint8_t(data[26]), 2);
    EXPECT_EQ(get32(data, 28), 1044u);
    const uint32_t thumbSize = get32(data, 32);
    EXPECT_EQ(get32(data, 36), 1044u + thumbSize);
    // 80 x 60: width 100, height N(60 / 0.8) = 75.
    const QImage thumb = QImage::fromData(data.mid(kHeader, thumbSize), "JPG");
    EXPECT_EQ(thumb.size(), QSize(100, 75));
    // Bytes not listed in the header stay 0.
    for (qsizetype k : {3, 6, 7, 17, 18, 19, 27, 1042, 1043})
        EXPECT_EQ(data[k], 0) << k;
}

TEST(DesignFileTest, ThumbnailSideRule) {
    struct Case {
        int w, h, tw, th;
    };
    // Longer side 100; the other N(side / (longer / 100)), halves to even,
    // never below 1.
    const Case cases[] = {
        {300, 200, 100, 67}, // 200 / 3 = 66.7
        {200, 300, 67, 100}, // equal sides go the height's way
        {200, 5, 100, 2},    // 5 / 2 = 2.5 goes to 2
        {1000, 3, 100, 1},   // 0.3 would be 0
        {3, 2000, 1, 100},   // 0.15 would be 0
        {64, 64, 100, 100},
    };
    for (const Case& c : cases) {
        auto imgDoc = std::make_unique<TlxImage>();
        TlxImage& img = *imgDoc;
        ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, c.w, c.h));
        QByteArray data;
        ASSERT_TRUE(img.SaveToData(data)) << c.w << "x" << c.h;
        const QImage thumb = QImage::fromData(data.mid(kHeader, get32(data, 32)), "JPG");
        EXPECT_EQ(thumb.size(), QSize(c.tw, c.th)) << c.w << "x" << c.h;
    }
}

TEST(DesignFileTest, NamesAreCutToSixteenBytesOnACharacterBoundary) {
    auto imgDoc = std::make_unique<TlxImage>();
    TlxImage& img = *imgDoc;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 4, 4));
    img.Layers[0].Name = "abcdefghijklmnopqrs";
    ASSERT_TRUE(img.AddBitmapLayer(solidBgr(2, 2, {0, 0, 0})));
    // "A" then eight two-byte characters: 17 bytes; 16 would split the last.
    img.Layers[1].Name = "A" + lx::toGbk(QString::fromUtf8("图层图层图层图层"));
    ASSERT_EQ(img.Layers[1].Name.size(), 17u);
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));
    const qsizetype first = qsizetype(get32(data, 36));
    EXPECT_EQ(uint8_t(data[first]), 16);
    EXPECT_EQ(data.mid(first + 1, 16), QByteArray("abcdefghijklmnop"));
    const qsizetype second = first + kRecord + qsizetype(get32(data, first + 2296));
    EXPECT_EQ(uint8_t(data[second]), 15);

    auto backDoc = std::make_unique<TlxImage>();
    TlxImage& back = *backDoc;
    ASSERT_TRUE(back.LoadFromData(data));
    EXPECT_EQ(back.Layers[0].Name, "abcdefghijklmnop");
    EXPECT_EQ(lx::fromGbk(back.Layers[1].Name), QString::fromUtf8("A图层图层图层图"));
}

TEST(DesignFileTest, StreamsOfOneLayerWithMaskAndDropShadow) {
    auto imgDoc = std::make_unique<TlxImage>();
    TlxImage& img = *imgDoc;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 30, 20));
    ASSERT_TRUE(img.AddBitmapLayer(squareWithCoverage(20, 10, {0, 0, 0})));
    ASSERT_TRUE(img.SetLayerMaskPicture(1, solidGrey(20, 10, 200)));
    ASSERT_TRUE(img.SetDropShadow(1, 9, 75, 2, 2, 0, 2, 0, false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(img.ReDraw());
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));

    // Background: 32-bit 30 x 20 = 54 + 2400. Layer: image 54 + 20*10*4 = 854,
    // mask 54 + 60*10 = 654, drop shadow (M = 2, 28 x 18, rows of 28) 54 + 1024 + 504 = 1582.
    const qsizetype layer1 = qsizetype(get32(data, 36)) + kRecord + 2454;
    EXPECT_EQ(get32(data, layer1 + 2296), 854u);
    EXPECT_EQ(get32(data, layer1 + 2300), 654u);
    EXPECT_EQ(uint8_t(data[layer1 + 2305 + 4]), 1);
    EXPECT_EQ(get32(data, layer1 + 2324 + 40), 1582u); // drop shadow stream length
    EXPECT_EQ(get32(data, layer1 + 3052 + 40), 0u);    // inner shadow never set
    const qsizetype shadow = layer1 + kRecord + 854 + 654;
    EXPECT_EQ(data.mid(shadow, 2), QByteArray("BM"));
    EXPECT_EQ(uint8_t(data[shadow + 28]), 8); // bits per pixel
    EXPECT_EQ(data.size(), shadow + 1582);    // nothing after it
}

TEST(DesignFileTest, TextLayerStoresNoImageAndIsDrawnAgain) {
    auto imgDoc = std::make_unique<TlxImage>();
    TlxImage& img = *imgDoc;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 60, 30));
    ASSERT_TRUE(img.AddTextLayer(3, 4, textStyle("Text")));
    ASSERT_TRUE(img.AddBitmapLayer(solidBgr(2, 2, {5, 5, 5})));
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));
    const qsizetype text = qsizetype(get32(data, 36)) + kRecord + 54 + 60 * 30 * 4;
    EXPECT_EQ(uint8_t(data[text + 17]), 1);
    EXPECT_EQ(get32(data, text + 2296), 0u);
    // The next record follows the text record at once.
    const qsizetype next = text + kRecord;
    EXPECT_EQ(uint8_t(data[next + 17]), 0);
    EXPECT_EQ(get32(data, next + 2296), 54u + 16u);

    auto backDoc = std::make_unique<TlxImage>();
    TlxImage& back = *backDoc;
    ASSERT_TRUE(back.LoadFromData(data));
    EXPECT_TRUE(back.Layers[1].IsText);
    EXPECT_TRUE(samePixels(back.Layers[1].Alpha, img.Layers[1].Alpha));
    EXPECT_TRUE(samePixels(back.Layers[1].Bitmap, img.Layers[1].Bitmap));
}

TEST(DesignFileTest, MoreThan255LayersAreRefused) {
    auto imgDoc = std::make_unique<TlxImage>();
    TlxImage& img = *imgDoc;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 2, 2));
    while (img.LayersCount < 255)
        ASSERT_TRUE(img.AddBitmapLayer(solidBgr(1, 1, {0, 0, 0})));
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));
    EXPECT_EQ(uint8_t(data[24]), 255);
    ASSERT_TRUE(img.AddBitmapLayer(solidBgr(1, 1, {0, 0, 0})));
    QByteArray refused("untouched");
    EXPECT_FALSE(img.SaveToData(refused));
    EXPECT_EQ(refused, QByteArray("untouched"));
    EXPECT_EQ(img.LastFileError.Code, TlxFileErrorCode::TooLarge);
}

TEST(DesignFileTest, CalendarLayerDescribesItselfInTheInfoFields) {
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope,
                    QString::fromUtf8("Quenlix图像处理系统"));
        s.setValue("Calendar/FontName1", QString::fromUtf8("黑体"));
        s.setValue("Calendar/Week1", QString()); // empty gives the default
        s.sync();
    }
    const std::string calendar = lx::toGbk(QString::fromUtf8("日历"));
    auto imgDoc = std::make_unique<TlxImage>();
    TlxImage& img = *imgDoc;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 4, 4));
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(img.AddBitmapLayer(solidBgr(1, 1, {0, 0, 0})));
    img.Layers[1].Name = calendar;
    img.Layers[1].HostData[16] = 1;
    img.Layers[2].Name = calendar; // host byte 0: not a calendar
    img.Layers[3].Name = calendar + "x";
    img.Layers[3].HostData[16] = 1;
    img.DocInfo1 = "kept unless a calendar";
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));
    const QByteArray info1 = data.mid(41, uint8_t(data[40]));
    EXPECT_EQ(lx::fromGbk(info1.toStdString()), QString::fromUtf8("日历层=1"));
    const QByteArray info4 = data.mid(124, uint8_t(data[123]));
    EXPECT_EQ(lx::fromGbk(info4.toStdString()),
              QString::fromUtf8("黑体^宋体^宋体^星期一^星期二^星期三^星期四^星期五^星期六^星期日"));

    img.Layers[1].HostData[16] = 0;
    ASSERT_TRUE(img.SaveToData(data));
    EXPECT_EQ(data.mid(41, uint8_t(data[40])), QByteArray("kept unless a calendar"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::homePath());
}

TEST(DesignFileTest, VersionsOutsideTheKnownRangeShowTheMessage) {
    auto img = richDocument();
    QByteArray data;
    ASSERT_TRUE(img->SaveToData(data));
    for (uint16_t version : {255, 261}) {
        auto target = smallOpenDocument();
        const Snapshot before(*target);
        watchMessages(*target);
        QByteArray bad = data;
        put16(bad, 4, version);
        EXPECT_FALSE(target->LoadFromData(bad));
        EXPECT_EQ(boxText,
                  QString::fromUtf8(
                      "图像文件版本太高，请用更高版本的《Quenlix图像处理系统》打开该文件。"));
        EXPECT_EQ(boxResult, 0x10);
        before.expectSame(*target);
    }
    auto target = smallOpenDocument();
    watchMessages(*target);
    QByteArray bad = data;
    bad[2] = 'X';
    EXPECT_FALSE(target->LoadFromData(bad));
    EXPECT_TRUE(boxText.isEmpty());
}

TEST(DesignFileTest, Version259IgnoresTheNewerHeaderFields) {
    auto img = richDocument();
    QByteArray data;
    ASSERT_TRUE(img->SaveToData(data));
    put16(data, 4, 259);
    auto target = smallOpenDocument();
    target->ScreenPPI = 77;
    target->DocFlag1 = 3;
    ASSERT_TRUE(target->LoadFromData(data));
    EXPECT_EQ(target->ScreenPPI, 77);
    EXPECT_EQ(target->DocFlag1, 3);
    EXPECT_EQ(target->DocPointCount, 0);
    EXPECT_EQ(target->DocInfo1, "info one");
    EXPECT_TRUE(target->Layers[3].Style.BevelOn);
    EXPECT_EQ(target->Layers[3].Style.Bevel.Contour.UseContour, 1);
}

TEST(DesignFileTest, Version256RecordsHoldNoEffects) {
    // Record of 2528 bytes: the fields up to the mask length; the rest is ignored.
    QByteArray file = oldHeader(256, 6, 4, 1);
    QByteArray record(2528, '\0');
    const QByteArray image = lx::encodeBmp32(solidBgr(3, 2, {1, 2, 3}), solidGrey(3, 2, 200));
    const QByteArray mask = lx::encodeBmp24(solidBgr(3, 2, {9, 9, 9}));
    putCommonRecord(record, "old", 2, 1, 0.5, 5, true, int(image.size()), int(mask.size()));
    for (int k = 2304; k < 2528; ++k)
        record[k] = char(1); // would switch every effect on if it were read
    file += record + image + mask;

    auto d = smallOpenDocument();
    ASSERT_TRUE(d->LoadFromData(file)) << d->LastFileError.message().toStdString();
    EXPECT_EQ(d->ImageWidth, 6);
    EXPECT_EQ(d->BackgroundMode, 1);
    EXPECT_EQ(d->BackColor, lxRGB(0, 128, 255));
    EXPECT_EQ(d->DocInfo1, "before"); // Info1 is not read from a version 256 file
    const TlxLayer& l = d->Layers[0];
    EXPECT_EQ(l.Name, "old");
    EXPECT_EQ(l.Left, 2);
    EXPECT_EQ(l.Top, 1);
    EXPECT_EQ(l.Opacity, 0.5);
    EXPECT_EQ(l.BlendMode, 5);
    EXPECT_EQ(l.State, 0);
    EXPECT_TRUE(l.HasMask);
    EXPECT_EQ(bgrAt(l.Mask, 2, 1), (Bgr{9, 9, 9}));
    EXPECT_EQ(greyAt(l.Alpha, 1, 1), 200);
    EXPECT_FALSE(l.Style.DropShadowOn || l.Style.BevelOn || l.Style.StrokeOn ||
                 l.Style.ColorOverlayOn || l.Style.EffectsIgnoreOpacity);
}

TEST(DesignFileTest, Version257ShortRecordsAreExpanded) {
    QByteArray file = oldHeader(257, 8, 8, 1);
    QByteArray record(2856, '\0');
    const QByteArray image = lx::encodeBmp32(solidBgr(4, 3, {1, 2, 3}), solidGrey(4, 3, 255));
    TlxShadowStyle drop{};
    drop.BlendMode = 9;
    drop.Color = lxRGB(1, 2, 3);
    drop.Opacity = 75;
    drop.Spread = 1;
    drop.Size = 2;
    drop.DrawX = -3;
    drop.DrawY = -2;
    // M = 2: the mask is 4 + 8 by 3 + 8.
    const QByteArray dropMask = lx::encodeBmp8(markedMask(12, 11, 77));
    drop.MaskStreamSize = int32_t(dropMask.size());
    TlxColorOverlayStyle overlay{};
    overlay.Color = lxRGB(255, 255, 0);
    overlay.Opacity = 100;
    putCommonRecord(record, "v257", 0, 0, 1.0, 0, false, int(image.size()), 0);
    record[2304] = 9;      // flag 0: never read
    record[2304 + 4] = 1;  // drop shadow
    record[2304 + 11] = 1; // colour overlay
    record[2304 + 12] = 1; // gradient overlay: not known to this version
    record.replace(2320, 52, shortShadow(drop, 0x11111111, 0x22222222));
    putRaw(record, 2688, overlay);
    record[2848] = 1;
    file += record + image + dropMask;

    auto d = smallOpenDocument();
    ASSERT_TRUE(d->LoadFromData(file)) << d->LastFileError.message().toStdString();
    const TlxLayer& l = d->Layers[0];
    EXPECT_EQ(l.State, 0);
    EXPECT_EQ(d->DocInfo1, "old info");
    const TlxLayerStyle& s = l.Style;
    ASSERT_TRUE(s.DropShadowOn);
    EXPECT_EQ(s.DropShadow.BlendMode, 9);
    EXPECT_EQ(s.DropShadow.Color, lxRGB(1, 2, 3));
    EXPECT_EQ(s.DropShadow.Opacity, 75);
    EXPECT_EQ(s.DropShadow.Size, 2);
    EXPECT_EQ(s.DropShadow.Spread, 1);
    EXPECT_EQ(s.DropShadow.DrawX, -3);
    EXPECT_EQ(s.DropShadow.DrawY, -2);
    EXPECT_EQ(s.DropShadow.Contour.UseContour, 0);
    EXPECT_EQ(s.DropShadow.Reserved3[0], 0x11111111u);
    EXPECT_EQ(s.DropShadow.Reserved3[1], 0x22222222u);
    // The stored mask is used, not made again (a made one is 0 in its corner).
    EXPECT_EQ(greyAt(s.DropShadowMask, 0, 0), 77);
    EXPECT_TRUE(s.ColorOverlayOn);
    EXPECT_EQ(s.ColorOverlay.Color, lxRGB(255, 255, 0));
    EXPECT_FALSE(s.GradientOverlayOn);
    EXPECT_TRUE(s.EffectsIgnoreOpacity);
}

TEST(DesignFileTest, Version258ReadsStateOverlaysAndRendersGradients) {
    QByteArray file = oldHeader(258, 8, 8, 1);
    QByteArray record(4392, '\0');
    const QByteArray image = lx::encodeBmp32(solidBgr(4, 3, {1, 2, 3}), solidGrey(4, 3, 255));
    TlxStrokeStyle stroke{};
    stroke.Size = 1;
    stroke.Opacity = 100;
    stroke.Color = lxRGB(255, 0, 0);
    stroke.DrawX = stroke.DrawY = -4;
    // Stroke M = size + softness = 1: mask 4 + 4 by 3 + 4.
    const QByteArray strokeMask = lx::encodeBmp8(markedMask(8, 7, 66));
    TlxGradientStyle gradient{};
    gradient.GradientKind = lxGradientHorizontal;
    gradient.Opacity = 100;
    gradient.StopCount = 2;
    gradient.Stops[0] = {lxRGB(255, 0, 0), 0, 1.0};
    gradient.Stops[1] = {lxRGB(0, 0, 255), 0, 0.0};
    TlxColorOverlayStyle overlay{};
    overlay.Opacity = 40;
    putCommonRecord(record, "v258", 0, 0, 1.0, 0, false, int(image.size()), 0);
    record[2304] = 6; // State
    record[2305 + 11] = 1;
    record[2305 + 12] = 1;
    record[2305 + 14] = 1;
    record[2305 + 15] = 1;
    putRaw(record, 2628, overlay);
    putRaw(record, 2648, gradient);
    record.replace(3496, 36, shortStroke(stroke, int32_t(strokeMask.size())));
    putRaw(record, 3536, gradient);
    record[4380] = 1;
    file += record + image + strokeMask;

    auto d = smallOpenDocument();
    ASSERT_TRUE(d->LoadFromData(file)) << d->LastFileError.message().toStdString();
    const TlxLayer& l = d->Layers[0];
    const TlxLayerStyle& s = l.Style;
    EXPECT_EQ(l.State, 6);
    EXPECT_TRUE(s.ColorOverlayOn);
    EXPECT_EQ(s.ColorOverlay.Opacity, 40);
    ASSERT_TRUE(s.StrokeOn);
    EXPECT_EQ(s.Stroke.Size, 1);
    EXPECT_EQ(s.Stroke.Color, lxRGB(255, 0, 0));
    EXPECT_EQ(s.Stroke.MaskStreamSize, int32_t(strokeMask.size()));
    EXPECT_EQ(greyAt(s.StrokeMask, 0, 0), 66);
    ASSERT_TRUE(s.GradientOverlayOn);
    EXPECT_EQ(s.GradientOverlay.StopCount, 2);
    EXPECT_EQ(s.GradientOverlayBitmap.size(), QSize(4, 3));
    // Horizontal red to blue over 4 pixels: the left column is pure red.
    EXPECT_EQ(bgrAt(s.GradientOverlayBitmap, 0, 1), (Bgr{0, 0, 255}));
    ASSERT_TRUE(s.StrokeGradientOn);
    EXPECT_FALSE(s.StrokeGradientBitmap.isNull());
    EXPECT_TRUE(s.EffectsIgnoreOpacity);
}

TEST(DesignFileTest, BadFilesFailAndLeaveTheOpenDocumentAlone) {
    auto img = richDocument();
    QByteArray good;
    ASSERT_TRUE(img->SaveToData(good));
    const qsizetype first = qsizetype(get32(good, 36));

    // Each damaged file with the reason the program is to give: a file that
    // does not start like a design is not one; a real size past the limits
    // is too large; anything else that does not fit is damage.
    using Code = TlxFileErrorCode;
    struct Bad {
        std::string what;
        QByteArray data;
        Code code = Code::Damaged;
    };
    std::vector<Bad> bad;
    for (qsizetype cut : {qsizetype(0), qsizetype(2), qsizetype(3), qsizetype(500), kHeader - 1,
                          first + 100, first + kRecord + 10, good.size() / 2, good.size() - 1})
        bad.push_back({"cut at " + std::to_string(cut), good.left(cut),
                       cut < 3 ? Code::NotThisKind : Code::Damaged});
    QByteArray wide = good;
    put32(wide, 8, 40000);
    bad.push_back({"width 40000", wide, Code::TooLarge});
    QByteArray negative = good;
    put32(negative, 12, uint32_t(-5));
    bad.push_back({"negative height", negative});
    QByteArray noLayers = good;
    noLayers[24] = 0;
    bad.push_back({"no layers", noLayers});
    QByteArray farOffset = good;
    put32(farOffset, 36, uint32_t(good.size() + 1));
    bad.push_back({"layer data past the end", farOffset});
    QByteArray longStream = good;
    put32(longStream, first + 2296, 0x7FFFFFFF);
    bad.push_back({"image stream past the end", longStream});
    QByteArray negativeStream = good;
    put32(negativeStream, first + 2296, uint32_t(-54));
    bad.push_back({"negative stream length", negativeStream});
    QByteArray hugePicture = good;
    put32(hugePicture, first + kRecord + 18, 30001); // the bitmap's own width
    bad.push_back({"bitmap wider than allowed", hugePicture, Code::TooLarge});
    QByteArray moreLayers = good;
    moreLayers[24] = char(200);
    bad.push_back({"more layers than records", moreLayers});

    QByteArray newer = good;
    put16(newer, 4, TlxImage::DesignFileVersion + 1);
    bad.push_back({"a newer version", newer, Code::UnsupportedVersion});
    QByteArray foreign = good;
    foreign[0] = 'X';
    bad.push_back({"another kind of file", foreign, Code::NotThisKind});

    for (const auto& [what, data, code] : bad) {
        SCOPED_TRACE(what);
        auto d = smallOpenDocument();
        const Snapshot before(*d);
        EXPECT_FALSE(d->LoadFromData(data));
        EXPECT_EQ(d->LastFileError.Code, code);
        EXPECT_FALSE(d->LastFileError.message().isEmpty());
        before.expectSame(*d);
    }
}

TEST(DesignFileTest, StoredMasksAreUsedUnlessTheTextFontIsMissingOrTheFileIsOld) {
    // Documents are large objects: keep them off the stack.
    auto doc = std::make_unique<TlxImage>();
    TlxImage& img = *doc;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 60, 40));
    ASSERT_TRUE(img.AddTextLayer(2, 2, textStyle("Ab")));
    ASSERT_TRUE(img.AddTextLayer(2, 20, textStyle("Cd", "No Such Font 12345")));
    ASSERT_TRUE(img.AddBitmapLayer(squareWithCoverage(10, 10, {0, 0, 0})));
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(img.SetDropShadow(i, 9, 75, 2, 2, 0, 2, 0, false, 0, kNoPoints, kNoTable));
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));

    // Mark the first byte of each stored drop-shadow mask's pixels.
    qsizetype at = qsizetype(get32(data, 36)) + kRecord +
                   qsizetype(get32(data, qsizetype(get32(data, 36)) + 2296));
    for (int i = 1; i <= 3; ++i) {
        const qsizetype image = qsizetype(get32(data, at + 2296));
        const qsizetype shadow = at + kRecord + image;
        ASSERT_EQ(data.mid(shadow, 2), QByteArray("BM")) << i;
        const qsizetype pixels = shadow + qsizetype(get32(data, shadow + 10));
        ASSERT_LT(pixels, data.size());
        data[pixels] = char(123);
        at = shadow + qsizetype(get32(data, at + 2324 + 40));
    }
    // The bottom-left pixel of the mask (rows are stored bottom-up) is 0 when made.
    const auto marked = [](const TlxImage& d, int i) {
        const QImage& m = d.Layers[size_t(i)].Style.DropShadowMask;
        if (m.isNull()) return false;
        return greyAt(m, 0, m.height() - 1) == 123;
    };

    auto nowDoc = std::make_unique<TlxImage>();
    TlxImage& now = *nowDoc;
    ASSERT_TRUE(now.LoadFromData(data));
    EXPECT_TRUE(marked(now, 1));  // font installed: stored mask kept
    EXPECT_FALSE(marked(now, 2)); // font missing: made again
    EXPECT_TRUE(marked(now, 3));  // picture layer: kept

    QByteArray v259 = data;
    put16(v259, 4, 259);
    auto oldDoc = std::make_unique<TlxImage>();
    TlxImage& old = *oldDoc;
    ASSERT_TRUE(old.LoadFromData(v259, 895418367)); // 30 October 2006, end of day
    EXPECT_FALSE(marked(old, 1));
    EXPECT_TRUE(marked(old, 3));
    auto laterDoc = std::make_unique<TlxImage>();
    TlxImage& later = *laterDoc;
    ASSERT_TRUE(later.LoadFromData(v259, 895418368));
    EXPECT_TRUE(marked(later, 1));
    auto currentDoc = std::make_unique<TlxImage>();
    TlxImage& current = *currentDoc;
    ASSERT_TRUE(current.LoadFromData(data, 895418367)); // the rule is for 258 and 259 only
    EXPECT_TRUE(marked(current, 1));
}

TEST(DesignFileTest, FilesAreReplacedOnlyWhenTheNewOneIsComplete) {
    QTemporaryDir dir;
    const QString path = dir.filePath("design.velmo");
    auto img = richDocument();
    ASSERT_TRUE(img->SaveToFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();

    // A document that cannot be saved leaves the file as it was.
    auto fullDoc = std::make_unique<TlxImage>();
    TlxImage& full = *fullDoc;
    ASSERT_TRUE(full.NewImage(true, lxRGB(255, 255, 255), 24, 2, 2));
    while (full.LayersCount < 256)
        ASSERT_TRUE(full.AddBitmapLayer(solidBgr(1, 1, {0, 0, 0})));
    EXPECT_FALSE(full.SaveToFile(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll() == first);
    f.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    // A read-only file is replaced, as the program always cleared such flags.
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    auto smallDoc = std::make_unique<TlxImage>();
    TlxImage& small = *smallDoc;
    ASSERT_TRUE(small.NewImage(true, lxRGB(255, 255, 255), 24, 3, 3));
    ASSERT_TRUE(small.SaveToFile(path));
    auto backDoc = std::make_unique<TlxImage>();
    TlxImage& back = *backDoc;
    ASSERT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(back.ImageWidth, 3);
}

TEST(DesignFileTest, SavingIntoAReadOnlyFolderKeepsTheOldFile) {
    QTemporaryDir dir;
    auto img = richDocument();
    auto smallDoc = std::make_unique<TlxImage>();
    TlxImage& small = *smallDoc;
    ASSERT_TRUE(small.NewImage(true, lxRGB(255, 255, 255), 24, 3, 3));
    const QString lockedDir = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(lockedDir));
    const QString lockedPath = lockedDir + "/design.velmo";
    ASSERT_TRUE(img->SaveToFile(lockedPath));
    QFile original(lockedPath);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray first = original.readAll();
    original.close();
    QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QFile probe(lockedDir + "/probe");
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        QFile::setPermissions(lockedDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    EXPECT_FALSE(small.SaveToFile(lockedPath));
    EXPECT_FALSE(small.LastFileError.isNone());
    QFile kept(lockedPath);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll() == first);
    QFile::setPermissions(lockedDir,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(DesignFileTest, MissingFileFailsWithAReason) {
    auto d = smallOpenDocument();
    const Snapshot before(*d);
    EXPECT_FALSE(d->LoadFromFile("/nonexistent/folder/x.velmo"));
    EXPECT_FALSE(d->LastFileError.isNone());
    before.expectSame(*d);
}

TEST(DesignFileTest, OddValuesInAFileAreLimitedAndUndrawableTextStillLoads) {
    auto docPtr = std::make_unique<TlxImage>();
    TlxImage& img = *docPtr;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 40, 30));
    TlxTextStyle style = textStyle("Hi");
    ASSERT_TRUE(img.AddTextLayer(2, 2, style));
    ASSERT_TRUE(img.SetLayerMaskPicture(1, solidGrey(4, 4, 255)));
    img.Layers[1].TextStyle.Arrangement = 99; // no arrangement draws this
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));
    const qsizetype first = qsizetype(get32(data, 36));
    const qsizetype text = first + kRecord + qsizetype(get32(data, first + 2296));
    putRaw(data, first + 32, 5.0);         // background opacity
    putRaw(data, text + 32, std::nan("")); // text opacity
    put32(data, 228, 1000000000);          // point count

    auto backPtr = std::make_unique<TlxImage>();
    TlxImage& back = *backPtr;
    ASSERT_TRUE(back.LoadFromData(data)) << back.LastFileError.message().toStdString();
    EXPECT_EQ(back.Layers[0].Opacity, 1.0);
    EXPECT_EQ(back.Layers[1].Opacity, 1.0);
    EXPECT_EQ(back.DocPointCount, 101);
    EXPECT_TRUE(back.Layers[1].IsText);
    EXPECT_FALSE(back.Layers[1].Bitmap.isNull());
    EXPECT_TRUE(back.ReDraw());
}

TEST(DesignFileTest, StreamsOfAnotherDepthAreRefused) {
    auto docPtr = std::make_unique<TlxImage>();
    TlxImage& img = *docPtr;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 6, 4));
    ASSERT_TRUE(img.SetDropShadow(0, 9, 75, 1, 1, 0, 1, 0, false, 0, kNoPoints, kNoTable));
    QByteArray data;
    ASSERT_TRUE(img.SaveToData(data));
    const qsizetype first = qsizetype(get32(data, 36));
    const qsizetype image = first + kRecord;
    const qsizetype shadow = image + qsizetype(get32(data, first + 2296));
    // A shadow picture is 8-bit; the same bytes claiming 24 bits are refused.
    QByteArray deep = data;
    deep[shadow + 28] = 24;
    auto backPtr = std::make_unique<TlxImage>();
    EXPECT_FALSE(backPtr->LoadFromData(deep));
    EXPECT_TRUE(backPtr->LastFileError.Detail.contains("bits per pixel"));
    // A picture stream of 1 bit per pixel is not one the program writes.
    QByteArray thin = data;
    thin[image + 28] = 1;
    EXPECT_FALSE(backPtr->LoadFromData(thin));
    EXPECT_TRUE(backPtr->LoadFromData(data));
}
