#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <memory>
#include <numeric>
#include <string>

namespace {

const std::string kPrefix = "\xcd\xbc\xb2\xe3 "; // "图层 " in GBK

// A document of 6 x 4 with its background layer in slot 0.
std::unique_ptr<TlxImage> newDocument() {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, 6, 4));
    return img;
}

// A layer picture whose every pixel has the given blue byte, so slots can
// be told apart after they move.
QImage marked(uint8_t blue, int w = 3, int h = 2) {
    return solidBgr(w, h, {blue, 0, 0});
}

uint8_t markOf(const TlxLayer& layer) {
    return bgrAt(layer.Bitmap, 0, 0).b;
}

QImage argb(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

TEST(AddBitmapLayerTest, NamesNewLayersInOrder) {
    auto img = newDocument();
    for (int k = 1; k <= 3; ++k) {
        ASSERT_TRUE(img->AddBitmapLayer(marked(uint8_t(k))));
        EXPECT_EQ(img->Layers[size_t(k)].Name, kPrefix + std::to_string(k));
        EXPECT_EQ(img->CurrLayerID, k);
    }
    EXPECT_EQ(img->LayersCount, 4);
}

TEST(AddBitmapLayerTest, NameScanIsASinglePassInSlotOrder) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1)));
    ASSERT_TRUE(img->AddBitmapLayer(marked(2)));
    img->Layers[1].Name = kPrefix + "2";
    img->Layers[2].Name = kPrefix + "1";
    ASSERT_TRUE(img->AddBitmapLayer(marked(3)));
    // "2" is passed over while still looking for 1, so 2 is handed out again.
    EXPECT_EQ(img->Layers[3].Name, kPrefix + "2");
}

TEST(AddBitmapLayerTest, NewLayerStartsOpaqueVisibleAtTheOrigin) {
    auto img = newDocument();
    QImage grey = solidGrey(3, 2, 77);
    ASSERT_TRUE(img->AddBitmapLayer(grey));
    const TlxLayer& layer = img->Layers[1];
    EXPECT_EQ(layer.Bitmap.format(), QImage::Format_BGR888);
    EXPECT_EQ(bgrAt(layer.Bitmap, 2, 1), (Bgr{77, 77, 77}));
    EXPECT_EQ(layer.Alpha.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(greyAt(layer.Alpha, 2, 1), 255);
    EXPECT_EQ(layer.Left, 0);
    EXPECT_EQ(layer.Top, 0);
    EXPECT_EQ(layer.Opacity, 1.0);
    EXPECT_EQ(layer.BlendMode, 0);
    EXPECT_TRUE(layer.Visible);
    EXPECT_FALSE(layer.IsText);
    EXPECT_FALSE(layer.HasMask);
    EXPECT_TRUE(img->CanReDraw);
}

TEST(AddBitmapLayerTest, AlphaPictureGivesItsAlphaAndPlainColours) {
    auto img = newDocument();
    QImage picture = argb(2, 1, qRgba(200, 100, 50, 255));
    picture.setPixel(1, 0, qRgba(10, 20, 30, 64));
    ASSERT_TRUE(img->AddBitmapLayer(picture));
    const TlxLayer& layer = img->Layers[1];
    EXPECT_EQ(greyAt(layer.Alpha, 0, 0), 255);
    EXPECT_EQ(greyAt(layer.Alpha, 1, 0), 64);
    // The colour of a partly transparent pixel is kept, not darkened.
    EXPECT_EQ(bgrAt(layer.Bitmap, 1, 0), (Bgr{30, 20, 10}));

    QImage premultiplied = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_TRUE(img->AddBitmapLayer(premultiplied));
    EXPECT_EQ(greyAt(img->Layers[2].Alpha, 1, 0), 64);
}

TEST(AddBitmapLayerTest, RefusedAddLeavesTheDocumentAlone) {
    auto img = newDocument();
    EXPECT_FALSE(img->AddBitmapLayer(QImage()));
    EXPECT_FALSE(img->AddBitmapLayer(solidGrey(TlxImage::MaxPictureSide + 1, 1, 0)));
    EXPECT_EQ(img->LayersCount, 1);
    EXPECT_EQ(img->CurrLayerID, 0);
    EXPECT_TRUE(img->CanReDraw);

    while (img->LayersCount < TlxImage::MaxLayers)
        ASSERT_TRUE(img->AddBitmapLayer(marked(1, 1, 1)));
    EXPECT_EQ(img->Layers[256].Name, kPrefix + "256");
    EXPECT_FALSE(img->AddBitmapLayer(marked(1, 1, 1)));
    EXPECT_EQ(img->LayersCount, TlxImage::MaxLayers);
    EXPECT_EQ(img->CurrLayerID, 256);
    EXPECT_TRUE(img->CanReDraw);
}

TEST(DeleteLayerTest, DeletingTheTopLayerEmptiesItsSlot) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1)));
    ASSERT_TRUE(img->AddBitmapLayer(marked(2)));
    ASSERT_EQ(img->CurrLayerID, 2);
    ASSERT_TRUE(img->DeleteLayer(2));
    EXPECT_EQ(img->LayersCount, 2);
    EXPECT_EQ(img->CurrLayerID, 1);
    EXPECT_TRUE(img->Layers[2].Bitmap.isNull());
    EXPECT_TRUE(img->Layers[2].Alpha.isNull());
    EXPECT_EQ(markOf(img->Layers[1]), 1);
}

TEST(DeleteLayerTest, DeletingLayerZeroOfThreeMovesTheOthersDown) {
    auto img = newDocument(); // slot 0: background
    ASSERT_TRUE(img->AddBitmapLayer(marked(1, 2, 2)));
    ASSERT_TRUE(img->AddBitmapLayer(marked(2, 5, 1)));
    img->Layers[2].Left = 7;
    img->Layers[2].Opacity = 0.25;
    img->Layers[2].HostData[3] = 9;
    QImage mask = solidBgr(5, 1, {1, 1, 1});
    ASSERT_TRUE(img->SetLayerMask(2, mask));
    img->CurrLayerID = 0;

    ASSERT_TRUE(img->DeleteLayer(0));
    EXPECT_EQ(img->LayersCount, 2);
    EXPECT_EQ(img->CurrLayerID, 0);
    EXPECT_EQ(markOf(img->Layers[0]), 1);
    EXPECT_EQ(img->Layers[0].Bitmap.size(), QSize(2, 2));
    EXPECT_EQ(img->Layers[0].Name, kPrefix + "1");
    EXPECT_FALSE(img->Layers[0].HasMask);
    const TlxLayer& moved = img->Layers[1];
    EXPECT_EQ(markOf(moved), 2);
    EXPECT_EQ(moved.Bitmap.size(), QSize(5, 1));
    EXPECT_EQ(moved.Alpha.size(), QSize(5, 1));
    EXPECT_EQ(moved.Left, 7);
    EXPECT_EQ(moved.Opacity, 0.25);
    EXPECT_EQ(moved.HostData[3], 9);
    EXPECT_TRUE(moved.HasMask);
    EXPECT_EQ(moved.Mask.size(), QSize(5, 1));
    EXPECT_EQ(moved.Name, kPrefix + "2");
    EXPECT_TRUE(img->Layers[2].Bitmap.isNull());
    EXPECT_FALSE(img->Layers[2].HasMask);
    EXPECT_TRUE(img->Layers[2].Mask.isNull());
}

TEST(DeleteLayerTest, CurrentLayerFollowsOnlyWhenOutOfRange) {
    struct Case {
        int current, deleted, expected;
    };
    // Four layers: 0..3.
    const Case cases[] = {{3, 3, 2}, {3, 1, 2}, {1, 2, 1}, {2, 0, 2}, {0, 0, 0}};
    for (const Case& c : cases) {
        auto img = newDocument();
        for (int k = 1; k <= 3; ++k)
            ASSERT_TRUE(img->AddBitmapLayer(marked(uint8_t(k))));
        img->CurrLayerID = c.current;
        ASSERT_TRUE(img->DeleteLayer(c.deleted));
        EXPECT_EQ(img->CurrLayerID, c.expected) << c.current << " " << c.deleted;
    }
}

TEST(SwapLayersTest, MaskTravelsWithItsLayer) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1, 2, 2)));
    ASSERT_TRUE(img->AddBitmapLayer(marked(2, 4, 3)));
    QImage mask = solidBgr(1, 1, {40, 40, 40});
    ASSERT_TRUE(img->SetLayerMask(1, mask));
    img->Layers[1].BlendMode = 5;
    img->Layers[1].Visible = false;
    img->Layers[1].IsText = true;
    img->Layers[1].State = 3;
    img->Layers[1].HostData[7] = 42;
    img->Layers[1].TextStyle.Size = 33;
    img->CurrLayerID = 1;

    ASSERT_TRUE(img->SwapLayers(1, 2));
    EXPECT_EQ(img->CurrLayerID, 1);
    const TlxLayer& down = img->Layers[1];
    const TlxLayer& up = img->Layers[2];
    EXPECT_EQ(markOf(down), 2);
    EXPECT_EQ(down.Bitmap.size(), QSize(4, 3));
    EXPECT_FALSE(down.HasMask);
    EXPECT_TRUE(down.Mask.isNull());
    EXPECT_TRUE(down.Visible);
    EXPECT_EQ(markOf(up), 1);
    EXPECT_EQ(up.Alpha.size(), QSize(2, 2));
    EXPECT_TRUE(up.HasMask);
    EXPECT_EQ(bgrAt(up.Mask, 1, 1), (Bgr{40, 40, 40}));
    EXPECT_EQ(up.BlendMode, 5);
    EXPECT_FALSE(up.Visible);
    EXPECT_TRUE(up.IsText);
    EXPECT_EQ(up.State, 3);
    EXPECT_EQ(up.HostData[7], 42);
    EXPECT_EQ(up.TextStyle.Size, 33);
    EXPECT_FALSE(down.IsText);
    EXPECT_EQ(down.State, 0);
    EXPECT_EQ(down.HostData[7], 0);
    EXPECT_EQ(up.Name, kPrefix + "1");
}

TEST(LayerIndexTest, IndicesOutsideTheLayersAreRefused) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1)));
    const int bad[] = {-1, 2, 256, 257, INT_MIN, INT_MAX};
    for (int index : bad) {
        SCOPED_TRACE(index);
        QImage mask = solidBgr(1, 1, {});
        QImage target;
        EXPECT_FALSE(img->DeleteLayer(index));
        EXPECT_FALSE(img->SwapLayers(index, 1));
        EXPECT_FALSE(img->SwapLayers(0, index));
        EXPECT_EQ(img->GetLayerBitmap(index), nullptr);
        EXPECT_FALSE(img->SetLayerBitmap(index, marked(3)));
        EXPECT_FALSE(img->GetLayerBitmap32(index, target));
        EXPECT_FALSE(img->SetLayerMask(index, mask));
        EXPECT_FALSE(img->SetLayerMaskPicture(index, mask));
        EXPECT_FALSE(img->LoadLayerMask(index, QString()));
        EXPECT_FALSE(img->ResizeLayer(index, 2, 2, 1));
        EXPECT_FALSE(img->RotateLayerImage(index, 90));
    }
    EXPECT_EQ(img->LayersCount, 2);
    EXPECT_EQ(markOf(img->Layers[1]), 1);
    EXPECT_TRUE(img->Layers[2].Bitmap.isNull());
}

TEST(LayerBitmapTest, HostDrawsOnTheLayerPictureInPlace) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1)));
    QImage* bitmap = img->GetLayerBitmap(1);
    ASSERT_NE(bitmap, nullptr);
    setBgr(*bitmap, 0, 0, {9, 8, 7});
    EXPECT_EQ(bgrAt(img->Layers[1].Bitmap, 0, 0), (Bgr{9, 8, 7}));
}

TEST(LayerBitmapTest, SetLayerBitmapKeepsPlaceAndRefitsTheMask) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1, 3, 2)));
    TlxLayer& layer = img->Layers[1];
    layer.Left = 4;
    layer.Opacity = 0.5;
    layer.IsText = true;
    QImage mask = solidBgr(3, 2, {0, 0, 0});
    ASSERT_TRUE(img->SetLayerMask(1, mask));

    QImage picture = argb(4, 1, qRgba(1, 2, 3, 100));
    ASSERT_TRUE(img->SetLayerBitmap(1, picture));
    EXPECT_TRUE(img->CanReDraw);
    EXPECT_EQ(layer.Bitmap.size(), QSize(4, 1));
    EXPECT_EQ(bgrAt(layer.Bitmap, 3, 0), (Bgr{3, 2, 1}));
    EXPECT_EQ(greyAt(layer.Alpha, 3, 0), 100);
    EXPECT_FALSE(layer.IsText);
    EXPECT_EQ(layer.Left, 4);
    EXPECT_EQ(layer.Opacity, 0.5);
    EXPECT_EQ(layer.Name, kPrefix + "1");
    // The mask keeps its top-left part and shows the picture where it is new.
    ASSERT_TRUE(layer.HasMask);
    EXPECT_EQ(layer.Mask.size(), QSize(4, 1));
    EXPECT_EQ(bgrAt(layer.Mask, 2, 0), (Bgr{0, 0, 0}));
    EXPECT_EQ(bgrAt(layer.Mask, 3, 0), (Bgr{255, 255, 255}));

    EXPECT_FALSE(img->SetLayerBitmap(1, QImage()));
    EXPECT_EQ(layer.Bitmap.size(), QSize(4, 1));
    EXPECT_TRUE(img->CanReDraw);
}

TEST(LayerBitmapTest, Bitmap32CarriesTheCoverageAsAlpha) {
    auto img = newDocument();
    QImage picture = argb(2, 2, qRgba(10, 20, 30, 255));
    picture.setPixel(0, 1, qRgba(40, 50, 60, 7));
    ASSERT_TRUE(img->AddBitmapLayer(picture));
    QImage target;
    ASSERT_TRUE(img->GetLayerBitmap32(1, target));
    ASSERT_EQ(target.format(), QImage::Format_ARGB32);
    EXPECT_EQ(target.pixel(0, 1), qRgba(40, 50, 60, 7));
    EXPECT_EQ(target.pixel(1, 1), qRgba(10, 20, 30, 255));
}

TEST(LayerMaskTest, SmallMaskIsStretchedOverTheLayer) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1, 6, 5)));
    QImage small(2, 2, QImage::Format_RGB32);
    small.fill(qRgb(100, 100, 100));
    ASSERT_TRUE(img->SetLayerMask(1, small));
    // The caller's picture is converted on the way.
    EXPECT_EQ(small.format(), QImage::Format_BGR888);
    const TlxLayer& layer = img->Layers[1];
    ASSERT_TRUE(layer.HasMask);
    ASSERT_EQ(layer.Mask.size(), QSize(6, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(bgrAt(layer.Mask, x, y), (Bgr{100, 100, 100}));
    EXPECT_TRUE(img->CanReDraw);
}

TEST(LayerMaskTest, LoadsMaskFilesAndRefusesBadOnes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(marked(1, 4, 4)));

    const QString good = dir.filePath("mask.png");
    ASSERT_TRUE(solidGrey(2, 2, 30).save(good));
    ASSERT_TRUE(img->LoadLayerMask(1, good));
    EXPECT_EQ(bgrAt(img->Layers[1].Mask, 3, 3), (Bgr{30, 30, 30}));

    // A bitmap header claiming 40000 x 40000 pixels with no pixels behind it.
    const QString huge = dir.filePath("huge.bmp");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QDataStream out(&file);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("BM", 2);
        out << quint32(54 + 64) << quint32(0) << quint32(54);
        out << quint32(40) << qint32(40000) << qint32(40000) << quint16(1) << quint16(24)
            << quint32(0) << quint32(0) << qint32(2835) << qint32(2835) << quint32(0) << quint32(0);
        const QByteArray pixels(64, '\x7f');
        out.writeRawData(pixels.constData(), int(pixels.size()));
    }
    const QString garbage = dir.filePath("garbage.png");
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\nnot really a picture");
    }
    for (const QString& bad : {huge, garbage, dir.filePath("missing.png")}) {
        EXPECT_FALSE(img->LoadLayerMask(1, bad)) << bad.toStdString();
        EXPECT_EQ(bgrAt(img->Layers[1].Mask, 3, 3), (Bgr{30, 30, 30}));
        EXPECT_TRUE(img->CanReDraw);
    }
}

TEST(HistogramTest, CountsLuminanceAndChannels) {
    std::array<int, 257> counts{};
    // (255 * 299) div 1000 = 76.
    ASSERT_TRUE(TlxImage::GetHistogram(solidBgr(2, 2, {0, 0, 255}), 0, counts));
    EXPECT_EQ(counts[0], 4);
    EXPECT_EQ(counts[1 + 76], 4);

    // Luminance of (r 10, g 200, b 30): (2990 + 117400 + 3420) div 1000 = 123.
    QImage mixed = argb(3, 1, qRgba(10, 200, 30, 40));
    mixed.setPixel(2, 0, qRgba(0, 0, 0, 0));
    struct Case {
        uint8_t channel;
        int value, count;
    };
    const Case cases[] = {{0, 123, 2}, {1, 10, 2}, {2, 200, 2}, {3, 30, 2}, {4, 40, 2}, {4, 0, 1}};
    for (const Case& c : cases) {
        ASSERT_TRUE(TlxImage::GetHistogram(mixed, c.channel, counts));
        EXPECT_EQ(counts[0], 3);
        EXPECT_EQ(counts[size_t(1 + c.value)], c.count) << int(c.channel);
    }

    // 24-bit pictures have no alpha to count; 8-bit ones count their bytes.
    ASSERT_TRUE(TlxImage::GetHistogram(solidBgr(2, 1, {1, 2, 3}), 4, counts));
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(std::accumulate(counts.begin() + 1, counts.end(), 0), 0);
    ASSERT_TRUE(TlxImage::GetHistogram(solidGrey(2, 3, 9), 3, counts));
    EXPECT_EQ(counts[1 + 9], 6);
}

} // namespace
