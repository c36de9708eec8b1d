#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

std::unique_ptr<TlxImage> newDocument() {
    return std::make_unique<TlxImage>();
}

const char kBackgroundName[] = "\xb1\xb3\xbe\xb0\xcd\xbc\xb2\xe3";

TEST(CheckerTest, SixteenPixelSquaresStartGrey) {
    QImage grey = CreateGrayBitmap(64, 48);
    DrawChecker(grey);
    struct Case {
        int x, y;
        uint8_t level;
    };
    const Case cases[] = {{0, 0, 192},  {15, 15, 192}, {16, 0, 255},  {16, 16, 192}, {31, 15, 255},
                          {0, 16, 255}, {32, 0, 192},  {47, 47, 192}, {63, 32, 255}, {32, 32, 192}};
    for (const Case& c : cases)
        EXPECT_EQ(greyAt(grey, c.x, c.y), c.level) << c.x << "," << c.y;
}

TEST(CheckerTest, GreyBitmapHoldsTheLevelAsItsByte) {
    QImage grey = CreateGrayBitmap(3, 2);
    ASSERT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(greyAt(grey, 2, 1), 0);
    grey.fill(QColor(192, 192, 192));
    EXPECT_EQ(greyAt(grey, 1, 1), 192);
    // Level 0 shows black and level 255 white.
    grey.scanLine(0)[0] = 0;
    grey.scanLine(0)[1] = 255;
    EXPECT_EQ(grey.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(grey.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_TRUE(CreateGrayBitmap(0, 5).isNull());
}

TEST(NewImageTest, TransparentDocumentShowsTheCheckerboard) {
    auto img = newDocument();
    ASSERT_TRUE(img->NewImage(false, lxRGB(10, 20, 30), 24, 40, 20));
    EXPECT_EQ(img->LayersCount, 1);
    EXPECT_TRUE(img->CanReDraw);
    EXPECT_EQ(img->BackgroundMode, 0);
    EXPECT_EQ(img->BackColor, lxRGB(10, 20, 30));
    EXPECT_EQ(img->ImageWidth, 40);
    EXPECT_EQ(img->ImageHeight, 20);
    const TlxLayer& bg = img->Layers[0];
    EXPECT_EQ(bg.Name, kBackgroundName);
    EXPECT_EQ(bg.Bitmap.size(), QSize(40, 20));
    EXPECT_EQ(bg.Alpha.size(), QSize(40, 20));
    EXPECT_TRUE(bg.Visible);
    EXPECT_EQ(bg.Opacity, 1.0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(greyAt(bg.Alpha, x, y), 0);
            const uint8_t level = (x % 32 < 16) == (y % 32 < 16) ? 192 : 255;
            ASSERT_EQ(bgrAt(img->ShowBmp, x, y), (Bgr{level, level, level})) << x << "," << y;
        }
}

TEST(NewImageTest, FilledDocumentShowsTheColour) {
    auto img = newDocument();
    // Red 10, green 20, blue 30: the bytes of a pixel are blue, green, red.
    ASSERT_TRUE(img->NewImage(true, lxRGB(10, 20, 30), 24, 7, 5));
    EXPECT_EQ(img->BackgroundMode, 1);
    EXPECT_EQ(img->BitCount, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            ASSERT_EQ(bgrAt(img->ShowBmp, x, y), (Bgr{30, 20, 10}));
            ASSERT_EQ(bgrAt(img->Layers[0].Bitmap, x, y), (Bgr{30, 20, 10}));
            ASSERT_EQ(greyAt(img->Layers[0].Alpha, x, y), 255);
        }
}

TEST(NewImageTest, ImpossibleSizesFailWithoutADocument) {
    for (QSize size : {QSize(0, 10), QSize(10, -1), QSize(1 << 30, 1 << 30)}) {
        auto img = newDocument();
        EXPECT_FALSE(img->NewImage(true, 0, 24, size.width(), size.height()));
        EXPECT_EQ(img->LayersCount, 0);
        EXPECT_FALSE(img->CanReDraw);
        EXPECT_TRUE(img->ShowBmp.isNull());
    }
}

TEST(NewImageTest, FailureLeavesAnOpenDocumentAsItWas) {
    auto img = newDocument();
    ASSERT_TRUE(img->NewImage(true, lxRGB(1, 2, 3), 24, 8, 8));
    EXPECT_FALSE(img->NewImage(true, 0, 24, 0, 0));
    EXPECT_EQ(img->LayersCount, 1);
    EXPECT_EQ(img->ImageWidth, 8);
    EXPECT_TRUE(img->CanReDraw);
    EXPECT_EQ(bgrAt(img->ShowBmp, 7, 7), (Bgr{3, 2, 1}));
}

TEST(NewImageFromBitmapTest, AlphaPictureBringsItsCoverage) {
    // Left half fully transparent, right half opaque orange.
    QImage picture(40, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, x < 20 ? qRgba(0, 0, 0, 0) : qRgba(200, 100, 50, 255));
    auto img = newDocument();
    ASSERT_TRUE(img->NewImageFromBitmap(picture));
    EXPECT_EQ(img->BackgroundMode, 0);
    EXPECT_EQ(img->BitCount, 24);
    EXPECT_TRUE(img->CanReDraw);
    EXPECT_EQ(greyAt(img->Layers[0].Alpha, 5, 5), 0);
    EXPECT_EQ(greyAt(img->Layers[0].Alpha, 25, 5), 255);
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{192, 192, 192}));  // checker
    EXPECT_EQ(bgrAt(img->ShowBmp, 16, 0), (Bgr{255, 255, 255})); // checker
    EXPECT_EQ(bgrAt(img->ShowBmp, 25, 5), (Bgr{50, 100, 200}));  // the picture
}

TEST(NewImageFromBitmapTest, PartialCoverageKeepsTheColourBytes) {
    // Straight alpha: the colour bytes are taken as they are, the alpha as the
    // coverage. Over the grey 192 checker square, coverage 128 gives
    // N(192 + (L - 192) * 128 / 255): L 255 -> 223.6 -> 224, L 0 -> 95.6 -> 96.
    QImage straight(2, 1, QImage::Format_ARGB32);
    straight.setPixel(0, 0, qRgba(255, 0, 10, 128));
    straight.setPixel(1, 0, qRgba(0, 0, 0, 0));
    // The same pixel given premultiplied comes out unpremultiplied.
    QImage premultiplied = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (const QImage& picture : {straight, premultiplied}) {
        auto img = newDocument();
        ASSERT_TRUE(img->NewImageFromBitmap(picture));
        EXPECT_EQ(img->BackgroundMode, 0);
        EXPECT_EQ(greyAt(img->Layers[0].Alpha, 0, 0), 128);
        EXPECT_EQ(greyAt(img->Layers[0].Alpha, 1, 0), 0);
        const Bgr colour = bgrAt(img->Layers[0].Bitmap, 0, 0);
        EXPECT_EQ(colour.r, 255);
        EXPECT_EQ(colour.g, 0);
        EXPECT_NEAR(colour.b, 10, 1); // premultiplying to 5 and back loses a little
        EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0).r, 224);
        EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0).g, 96);
    }
}

TEST(NewImageFromBitmapTest, PicturesWithoutAlphaAreOpaqueOverWhite) {
    QImage rgb(6, 4, QImage::Format_RGB888);
    rgb.fill(QColor(1, 2, 3));
    QImage grey(6, 4, QImage::Format_Grayscale8);
    grey.fill(77);
    // 32 bits per pixel but no alpha channel, as photos load: opaque too.
    QImage rgb32(6, 4, QImage::Format_RGB32);
    rgb32.fill(QColor(1, 2, 3));
    for (const QImage& picture : {rgb, grey, rgb32}) {
        auto img = newDocument();
        ASSERT_TRUE(img->NewImageFromBitmap(picture));
        EXPECT_EQ(img->BackgroundMode, 2);
        EXPECT_EQ(img->BackColor, lxRGB(255, 255, 255));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                ASSERT_EQ(greyAt(img->Layers[0].Alpha, x, y), 255);
    }
    auto img = newDocument();
    ASSERT_TRUE(img->NewImageFromBitmap(rgb));
    EXPECT_EQ(bgrAt(img->ShowBmp, 5, 3), (Bgr{3, 2, 1}));
    EXPECT_FALSE(newDocument()->NewImageFromBitmap(QImage()));
}

TEST(CloseImageTest, EmptyComponentStaysEmpty) {
    auto img = newDocument();
    img->CloseImage();
    EXPECT_EQ(img->LayersCount, 0);
    EXPECT_TRUE(img->ShowBmp.isNull());
    EXPECT_TRUE(img->BackBmp.isNull());
    EXPECT_FALSE(img->CanReDraw);
}

TEST(CloseImageTest, ReleasesEveryLayerAndTheDisplay) {
    auto img = newDocument();
    ASSERT_TRUE(img->NewImage(false, 0, 24, 10, 10));
    ASSERT_TRUE(img->AppendLayer(solidBgr(3, 3, {1, 2, 3}), solidGrey(3, 3, 255)));
    img->Layers[1].HasMask = true;
    img->Layers[1].Mask = solidBgr(3, 3, {9, 9, 9});
    img->CloseImage();
    EXPECT_EQ(img->LayersCount, 0);
    EXPECT_FALSE(img->CanReDraw);
    EXPECT_TRUE(img->ShowBmp.isNull());
    EXPECT_TRUE(img->BackBmp.isNull());
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(img->Layers[i].Bitmap.isNull());
        EXPECT_TRUE(img->Layers[i].Alpha.isNull());
        EXPECT_TRUE(img->Layers[i].Mask.isNull());
        EXPECT_FALSE(img->Layers[i].HasMask);
    }
}

TEST(LayerSlotsTest, The258thLayerIsRefused) {
    auto img = newDocument();
    ASSERT_TRUE(img->NewImage(true, 0, 24, 4, 4));
    const QImage bitmap = solidBgr(2, 2, {5, 6, 7});
    const QImage alpha = solidGrey(2, 2, 255);
    for (int i = 1; i < TlxImage::MaxLayers; ++i)
        ASSERT_TRUE(img->AppendLayer(bitmap, alpha));
    EXPECT_EQ(img->LayersCount, 257);
    EXPECT_FALSE(img->AppendLayer(bitmap, alpha));
    EXPECT_EQ(img->LayersCount, 257);
}

TEST(LayerSlotsTest, MismatchedPicturesAreRefused) {
    auto img = newDocument();
    ASSERT_TRUE(img->NewImage(true, 0, 24, 4, 4));
    EXPECT_FALSE(img->AppendLayer(solidBgr(2, 2, {}), solidGrey(3, 2, 255)));
    EXPECT_FALSE(img->AppendLayer(QImage(), QImage()));
    EXPECT_FALSE(img->AppendLayer(solidGrey(2, 2, 1), solidGrey(2, 2, 255)));
    EXPECT_EQ(img->LayersCount, 1);
}

TEST(BlendTableFilesTest, ModeFilesBesideTheProgramReplaceTables) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile whole(dir.filePath("26.mode"));
    ASSERT_TRUE(whole.open(QIODevice::WriteOnly));
    QByteArray bytes(65536, '\0');
    for (int i = 0; i < 65536; ++i)
        bytes[i] = char(i % 251);
    whole.write(bytes);
    whole.close();
    QFile shortFile(dir.filePath("32.mode"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\x7f'));
    shortFile.close();

    auto img = newDocument();
    const auto builtIn32 = img->BlendTables[6];
    img->LoadBlendTables(dir.path());
    EXPECT_EQ(img->BlendTables[0][0], 0);
    EXPECT_EQ(img->BlendTables[0][300], 300 % 251);
    EXPECT_EQ(img->BlendTables[0][65535], 65535 % 251);
    // A short file replaces nothing.
    EXPECT_EQ(img->BlendTables[6], builtIn32);
}

} // namespace
