#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr char kOverlayName[] = "Idiograph";

// A document with a red background of W x H.
std::unique_ptr<TlxImage> document(int w, int h) {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 0, 0), 24, w, h));
    return img;
}

// Every pixel of a 24-bit picture has colour C.
bool allBgr(const QImage& image, Bgr c) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (bgrAt(image, x, y) != c) return false;
    return true;
}

bool allGrey(const QImage& image, uint8_t level) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (greyAt(image, x, y) != level) return false;
    return true;
}

// A picture whose every pixel differs from its neighbours: (x, y, x + y).
QImage numbered(int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setBgr(image, x, y, {uint8_t(x), uint8_t(y), uint8_t(x + y)});
    return image;
}

TEST(ResizeCanvasTest, BackgroundIsRefilledAndOtherLayersKeepTheirPixelsAndPlaces) {
    auto img = document(40, 30);
    QImage shape = solidGrey(40, 30, 255);
    ASSERT_TRUE(img->SetLayerMaskPicture(0, shape));
    ASSERT_TRUE(img->AddBitmapLayer(numbered(10, 8)));
    img->Layers[1].Left = 5;
    img->Layers[1].Top = -6;
    img->BackgroundMode = lxBackTransparent;

    ASSERT_TRUE(img->ResizeCanvas(60, 20, lxRGB(200, 100, 50)));
    EXPECT_TRUE(img->CanReDraw);
    EXPECT_EQ(img->ImageWidth, 60);
    EXPECT_EQ(img->ImageHeight, 20);
    EXPECT_EQ(img->BackColor, lxRGB(200, 100, 50));
    EXPECT_EQ(img->BackgroundMode, lxBackTransparent); // the caller decides it
    EXPECT_EQ(img->LayersCount, 2);
    // The display and checkerboard wait, zeroed, for ReDraw and MakeCheckerBackground.
    ASSERT_EQ(img->ShowBmp.size(), QSize(60, 20));
    EXPECT_EQ(img->ShowBmp.format(), QImage::Format_BGR888);
    EXPECT_TRUE(allBgr(img->ShowBmp, {0, 0, 0}));
    ASSERT_EQ(img->BackBmp.size(), QSize(60, 20));
    EXPECT_EQ(img->BackBmp.format(), QImage::Format_Grayscale8);
    EXPECT_TRUE(allGrey(img->BackBmp, 0));

    const TlxLayer& background = img->Layers[0];
    ASSERT_EQ(background.Bitmap.size(), QSize(60, 20));
    EXPECT_TRUE(allBgr(background.Bitmap, {50, 100, 200}));
    ASSERT_EQ(background.Alpha.size(), QSize(60, 20));
    EXPECT_TRUE(allGrey(background.Alpha, 255));
    EXPECT_FALSE(background.HasMask);
    EXPECT_TRUE(background.Mask.isNull());

    const TlxLayer& photo = img->Layers[1];
    EXPECT_EQ(photo.Left, 5);
    EXPECT_EQ(photo.Top, -6);
    EXPECT_EQ(photo.Bitmap, numbered(10, 8));
    EXPECT_EQ(photo.Alpha.size(), QSize(10, 8));
}

// A document made at one size and re-sized to another holds what one made
// at the second size from the start holds, byte for byte in its design file.
TEST(ResizeCanvasTest, ResizedDocumentEqualsOneMadeAtThatSize) {
    auto resized = document(31, 17);
    ASSERT_TRUE(resized->ResizeCanvas(23, 45, lxRGB(9, 80, 160)));
    auto made = std::make_unique<TlxImage>();
    ASSERT_TRUE(made->NewImage(true, lxRGB(9, 80, 160), 24, 23, 45));
    for (TlxImage* img : {resized.get(), made.get()}) {
        ASSERT_TRUE(img->MakeCheckerBackground());
        ASSERT_TRUE(img->ReDraw());
    }
    EXPECT_EQ(resized->ShowBmp, made->ShowBmp);
    EXPECT_EQ(resized->BackBmp, made->BackBmp);
    QByteArray a, b;
    ASSERT_TRUE(resized->SaveToData(a));
    ASSERT_TRUE(made->SaveToData(b));
    EXPECT_EQ(a, b);
}

TEST(ResizeCanvasTest, OnlyATopOverlayLayerFollowsTheCanvas) {
    struct Case {
        const char* topName;
        const char* middleName;
        bool overlayOnTop;
    };
    const Case cases[] = {{kOverlayName, "photo", true}, {"photo", kOverlayName, false}};
    for (const Case& c : cases) {
        auto img = document(30, 20);
        ASSERT_TRUE(img->AddBitmapLayer(numbered(30, 20)));
        ASSERT_TRUE(img->AddBitmapLayer(numbered(30, 20)));
        img->Layers[1].Name = c.middleName;
        img->Layers[2].Name = c.topName;
        const int overlay = c.overlayOnTop ? 2 : 1;
        const int other = c.overlayOnTop ? 1 : 2;

        ASSERT_TRUE(img->ResizeCanvas(40, 10, lxRGB(0, 0, 0)));
        // Kept as it was, when it is not the top layer.
        EXPECT_EQ(img->Layers[other].Bitmap, numbered(30, 20)) << c.topName;
        EXPECT_TRUE(allGrey(img->Layers[other].Alpha, 255)) << c.topName;
        const TlxLayer& layer = img->Layers[overlay];
        if (!c.overlayOnTop) {
            EXPECT_EQ(layer.Bitmap, numbered(30, 20));
            continue;
        }
        // The top 10 rows of the first 30 columns stay; the new columns are black.
        ASSERT_EQ(layer.Bitmap.size(), QSize(40, 10));
        ASSERT_EQ(layer.Alpha.size(), QSize(40, 10));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 40; ++x) {
                const Bgr expected =
                    x < 30 ? Bgr{uint8_t(x), uint8_t(y), uint8_t(x + y)} : Bgr{0, 0, 0};
                ASSERT_EQ(bgrAt(layer.Bitmap, x, y), expected) << x << "," << y;
            }
        EXPECT_TRUE(allGrey(layer.Alpha, 0)); // the overlay is emptied
    }
}

TEST(ResizeCanvasTest, ABackgroundNamedLikeTheOverlayIsStillTheBackground) {
    auto img = document(8, 8);
    img->Layers[0].Name = kOverlayName;
    ASSERT_TRUE(img->ResizeCanvas(12, 6, lxRGB(1, 2, 3)));
    EXPECT_TRUE(allBgr(img->Layers[0].Bitmap, {3, 2, 1}));
    EXPECT_TRUE(allGrey(img->Layers[0].Alpha, 255));
}

TEST(ResizeCanvasTest, RefusedSizesChangeNothing) {
    struct Case {
        int w, h;
    };
    const Case cases[] = {{0, 10},
                          {10, -1},
                          {TlxImage::MaxPictureSide + 1, 1},
                          {20000, 20001}}; // beyond the pixel count
    for (const Case& c : cases) {
        auto img = document(16, 12);
        const QImage show = img->ShowBmp;
        const QImage background = img->Layers[0].Bitmap;
        EXPECT_FALSE(img->ResizeCanvas(c.w, c.h, lxRGB(0, 0, 255))) << c.w << "x" << c.h;
        EXPECT_TRUE(img->CanReDraw);
        EXPECT_EQ(img->ImageWidth, 16);
        EXPECT_EQ(img->ImageHeight, 12);
        EXPECT_EQ(img->BackColor, lxRGB(255, 0, 0));
        EXPECT_EQ(img->ShowBmp.cacheKey(), show.cacheKey());
        EXPECT_EQ(img->Layers[0].Bitmap.cacheKey(), background.cacheKey());
    }
    TlxImage empty;
    EXPECT_FALSE(empty.ResizeCanvas(10, 10, 0));
    EXPECT_EQ(empty.ImageWidth, 0);
    EXPECT_TRUE(empty.ShowBmp.isNull());
}

TEST(RemovePatternOverlayTest, TheLayerComposesAsIfItNeverHadOne) {
    auto img = document(20, 20);
    auto plain = document(20, 20);
    ASSERT_TRUE(img->SetPatternOverlay(0, 0, 100, solidBgr(4, 4, {0, 255, 0})));
    ASSERT_TRUE(img->ReDraw());
    ASSERT_NE(img->ShowBmp, plain->ShowBmp); // the pattern shows

    EXPECT_TRUE(img->RemovePatternOverlay(0));
    EXPECT_FALSE(img->Layers[0].Style.PatternOverlayOn);
    EXPECT_TRUE(img->Layers[0].Style.PatternBitmap.isNull());
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(img->ShowBmp, plain->ShowBmp);

    EXPECT_FALSE(img->RemovePatternOverlay(-1));
    EXPECT_FALSE(img->RemovePatternOverlay(1));
}

// A 6 x 4 coverage with the 2 x 2 block at (2, 1) selected.
QImage blockCoverage() {
    QImage coverage = solidGrey(6, 4, 0);
    for (int y = 1; y <= 2; ++y)
        for (int x = 2; x <= 3; ++x)
            coverage.scanLine(y)[x] = 255;
    return coverage;
}

TEST(SetSelectionBitmapTest, TheCoverageBecomesAnIrregularSelectionAtTheOrigin) {
    auto img = document(6, 4);
    img->SelLeft = 3;
    img->SelTop = 5;
    img->SelKind = 2;
    const QImage coverage = blockCoverage();
    ASSERT_TRUE(img->SetSelectionBitmap(coverage));
    EXPECT_TRUE(img->HasSelection);
    EXPECT_EQ(img->SelKind, 4);
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_EQ(img->SelTop, 0);
    EXPECT_EQ(img->SelBitmap, coverage);
    // The outline runs along selected pixels only.
    ASSERT_GT(img->OutlinePointsInUse(), 0);
    for (int k = 0; k < img->OutlinePointsInUse(); ++k) {
        const TlxPoint p = img->OutlinePoints[size_t(k)];
        EXPECT_TRUE(p.X >= 2 && p.X <= 3 && p.Y >= 1 && p.Y <= 2) << p.X << "," << p.Y;
    }
}

TEST(SetSelectionBitmapTest, TheOutlineIsBuiltAtTheCurrentZoom) {
    auto img = document(6, 4);
    img->ZoomValue = 2;
    ASSERT_TRUE(img->SetSelectionBitmap(blockCoverage()));
    // At twice the size the block covers columns 4..7 and rows 2..5.
    ASSERT_GT(img->OutlinePointsInUse(), 0);
    int maxX = 0, maxY = 0;
    for (int k = 0; k < img->OutlinePointsInUse(); ++k) {
        const TlxPoint p = img->OutlinePoints[size_t(k)];
        EXPECT_TRUE(p.X >= 4 && p.X <= 7 && p.Y >= 2 && p.Y <= 5) << p.X << "," << p.Y;
        maxX = std::max(maxX, int(p.X));
        maxY = std::max(maxY, int(p.Y));
    }
    EXPECT_EQ(maxX, 7);
    EXPECT_EQ(maxY, 5);
}

TEST(SetSelectionBitmapTest, NothingSelectedIsNoSelection) {
    auto img = document(6, 4);
    EXPECT_TRUE(img->SetSelectionBitmap(solidGrey(6, 4, 0)));
    EXPECT_FALSE(img->HasSelection);
}

TEST(SetSelectionBitmapTest, PicturesOfAnotherFormatOrSizeAreRefused) {
    const QImage refused[] = {QImage(), solidGrey(6, 5, 255), solidGrey(5, 4, 255),
                              solidBgr(6, 4, {255, 255, 255})};
    for (const QImage& picture : refused) {
        auto img = document(6, 4);
        const QImage coverage = blockCoverage();
        ASSERT_TRUE(img->SetSelectionBitmap(coverage));
        const int outline = img->OutlinePointsInUse();
        EXPECT_FALSE(img->SetSelectionBitmap(picture))
            << picture.width() << "x" << picture.height() << " format " << picture.format();
        EXPECT_TRUE(img->HasSelection);
        EXPECT_EQ(img->SelBitmap.cacheKey(), coverage.cacheKey());
        EXPECT_EQ(img->OutlinePointsInUse(), outline);
    }
}

TEST(ClearSelectionTest, SelectionPictureAndOutlineAreGone) {
    auto img = document(6, 4);
    ASSERT_TRUE(img->SetSelectionBitmap(blockCoverage()));
    img->ClearSelection();
    EXPECT_FALSE(img->HasSelection);
    EXPECT_TRUE(img->SelBitmap.isNull());
    EXPECT_EQ(img->OutlinePointsInUse(), 0);
    // An operation that needs a selection finds none.
    EXPECT_FALSE(img->InvertSelection(0));
}

} // namespace

// ---- the level pictures of the shape guide ----

TEST(GuideLevelsTest, MaskLevelsAreTheFirstChannel) {
    QImage mask = solidBgr(3, 2, {10, 20, 30});
    setBgr(mask, 2, 1, {200, 0, 255});
    const QImage levels = TlxImage::MaskLevels(mask);
    ASSERT_EQ(levels.format(), QImage::Format_Grayscale8);
    ASSERT_EQ(levels.size(), QSize(3, 2));
    EXPECT_EQ(greyAt(levels, 0, 0), 10);
    EXPECT_EQ(greyAt(levels, 2, 1), 200);
    EXPECT_TRUE(TlxImage::MaskLevels(solidGrey(3, 2, 9)).isNull());
}

TEST(GuideLevelsTest, InvertingGivesTheComplement) {
    QImage levels = solidGrey(2, 2, 0);
    levels.scanLine(1)[1] = 55;
    ASSERT_TRUE(TlxImage::InvertLevels(levels));
    EXPECT_EQ(greyAt(levels, 0, 0), 255);
    EXPECT_EQ(greyAt(levels, 1, 1), 200);
    QImage colour = solidBgr(2, 2, {1, 2, 3});
    EXPECT_FALSE(TlxImage::InvertLevels(colour));
    EXPECT_EQ(bgrAt(colour, 0, 0), (Bgr{1, 2, 3}));
}

TEST(GuideLevelsTest, KeepIsAndedInAtTheCentre) {
    // A 5 x 4 guide of 0xF0 and a 3 x 2 keep of 0x3C: its corner lands at
    // ((5 - 3) div 2, (4 - 2) div 2) = (1, 1); 0xF0 & 0x3C = 0x30 there,
    // 0xF0 everywhere else.
    QImage guide = solidGrey(5, 4, 0xF0);
    ASSERT_TRUE(TlxImage::AndLevelsCentred(guide, solidGrey(3, 2, 0x3C)));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(greyAt(guide, x, y), x >= 1 && x <= 3 && y >= 1 && y <= 2 ? 0x30 : 0xF0)
                << x << "," << y;
    // A keep larger than the guide: (2 - 4) div 2 = -1, so the guide takes
    // the keep's middle part and every guide pixel is ANDed once.
    QImage small = solidGrey(2, 2, 0xFF);
    QImage large = solidGrey(4, 4, 0x0F);
    large.scanLine(1)[1] = 0x01;
    ASSERT_TRUE(TlxImage::AndLevelsCentred(small, large));
    EXPECT_EQ(greyAt(small, 0, 0), 0x01);
    EXPECT_EQ(greyAt(small, 1, 1), 0x0F);
    QImage colour = solidBgr(2, 2, {1, 2, 3});
    EXPECT_FALSE(TlxImage::AndLevelsCentred(colour, small));
}
