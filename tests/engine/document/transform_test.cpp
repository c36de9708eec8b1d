#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<TlxImage> newDocument() {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, 8, 8));
    return img;
}

// A picture whose pixel (x, y) holds blue 10x + 100y, green x, red y.
QImage numbered(int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setBgr(image, x, y, {uint8_t(10 * x + 100 * y), uint8_t(x), uint8_t(y)});
    return image;
}

QImage greyRow(std::initializer_list<int> levels, int rows = 1) {
    QImage image(int(levels.size()), rows, QImage::Format_Grayscale8);
    for (int y = 0; y < rows; ++y) {
        int x = 0;
        for (int v : levels)
            image.scanLine(y)[x++] = uint8_t(v);
    }
    return image;
}

std::vector<int> greyLine(const QImage& image, int y) {
    std::vector<int> line;
    for (int x = 0; x < image.width(); ++x)
        line.push_back(greyAt(image, x, y));
    return line;
}

// A layer of the picture in slot 1, with coverage and mask differing from it.
std::unique_ptr<TlxImage> documentWithLayer(const QImage& picture) {
    auto img = newDocument();
    EXPECT_TRUE(img->AddBitmapLayer(picture));
    TlxLayer& layer = img->Layers[1];
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            layer.Alpha.scanLine(y)[x] = uint8_t(7 * x + 3 * y);
    QImage mask = numbered(picture.width(), picture.height());
    EXPECT_TRUE(img->SetLayerMask(1, mask));
    layer.Left = 3;
    layer.Top = -2;
    return img;
}

TEST(ResizeLayerTest, SameSizeCopiesExactlyWhateverTheMethod) {
    for (uint8_t method = 0; method <= 3; ++method) {
        auto img = documentWithLayer(numbered(5, 4));
        const TlxLayer before = img->Layers[1];
        ASSERT_TRUE(img->ResizeLayer(1, 5, 4, method)) << int(method);
        const TlxLayer& after = img->Layers[1];
        EXPECT_EQ(after.Bitmap, before.Bitmap) << int(method);
        EXPECT_EQ(after.Alpha, before.Alpha) << int(method);
        EXPECT_EQ(after.Mask, before.Mask) << int(method);
    }
}

TEST(ResizeLayerTest, NearestPixelTakesThePixelUnderEachCentre) {
    auto img = documentWithLayer(numbered(4, 2));
    ASSERT_TRUE(img->ResizeLayer(1, 2, 3, 0));
    const TlxLayer& layer = img->Layers[1];
    // Columns (2x + 1) * 4 div 4 = 1, 3; rows (2y + 1) * 2 div 6 = 0, 1, 1.
    const int columns[] = {1, 3}, rows[] = {0, 1, 1};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) {
            const int sx = columns[x], sy = rows[y];
            EXPECT_EQ(bgrAt(layer.Bitmap, x, y),
                      (Bgr{uint8_t(10 * sx + 100 * sy), uint8_t(sx), uint8_t(sy)}));
            EXPECT_EQ(greyAt(layer.Alpha, x, y), 7 * sx + 3 * sy);
            EXPECT_EQ(bgrAt(layer.Mask, x, y), bgrAt(layer.Bitmap, x, y));
        }
    EXPECT_EQ(layer.Left, 3);
    EXPECT_EQ(layer.Top, -2);
}

TEST(ResizeLayerTest, AreaAverageWeighsThePartsCovered) {
    TlxImage img;
    QImage dst;
    // Shrinking 3 -> 2: target 0 covers source 0 and half of source 1:
    // (2 * 10 + 1 * 91) / 3 = 37; target 1: (91 + 2 * 181) / 3 = 151.
    ASSERT_TRUE(img.StretchMaskHalftone(greyRow({10, 91, 181}, 2), dst, 2, 2));
    EXPECT_EQ(greyLine(dst, 0), (std::vector<int>{37, 151}));
    EXPECT_EQ(greyLine(dst, 1), (std::vector<int>{37, 151}));
    // Enlarging 2 -> 3: the middle target straddles both sources:
    // (0 + 91) / 2 = 45.5, halves rounded up.
    ASSERT_TRUE(img.StretchMaskHalftone(greyRow({0, 91}), dst, 3, 1));
    EXPECT_EQ(greyLine(dst, 0), (std::vector<int>{0, 46, 91}));

    // A colour picture is averaged per channel, then (r + g + b) div 3:
    // channels (0, 30, 91) -> 121 div 3 = 40 and (90, 0, 0) -> 30.
    QImage colour(2, 1, QImage::Format_BGR888);
    setBgr(colour, 0, 0, {91, 30, 0});
    setBgr(colour, 1, 0, {0, 0, 90});
    ASSERT_TRUE(img.StretchMaskHalftone(colour, dst, 2, 1));
    EXPECT_EQ(greyLine(dst, 0), (std::vector<int>{40, 30}));

    auto doc = documentWithLayer(solidBgr(3, 1, {10, 91, 181}));
    ASSERT_TRUE(doc->ResizeLayer(1, 2, 1, 3));
    EXPECT_EQ(bgrAt(doc->Layers[1].Bitmap, 0, 0), (Bgr{10, 91, 181}));
    EXPECT_EQ(doc->Layers[1].Alpha.size(), QSize(2, 1));
}

TEST(ResizeLayerTest, LinearShrinkOfACheckerIsAUniformTie) {
    QImage checker(100, 50, QImage::Format_BGR888);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            const uint8_t v = (x + y) % 2 ? 255 : 0;
            setBgr(checker, x, y, {v, v, v});
        }
    auto img = documentWithLayer(checker);
    ASSERT_TRUE(img->ResizeLayer(1, 50, 25, 1));
    const TlxLayer& layer = img->Layers[1];
    ASSERT_EQ(layer.Bitmap.size(), QSize(50, 25));
    ASSERT_EQ(layer.Alpha.size(), QSize(50, 25));
    ASSERT_EQ(layer.Mask.size(), QSize(50, 25));
    // Each target averages two 0s and two 255s: 127.5, rounded to even.
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(bgrAt(layer.Bitmap, x, y), (Bgr{128, 128, 128}));
}

TEST(StretchTest, LinearEnlargeAndTheThinPath) {
    TlxImage img;
    QImage dst;
    // fx = 2: targets sit at source 0, 0.5, 1, 1.5; the right edge repeats
    // the last column: 0, 127.5 + 0.5 -> 128, 255, 255.
    ASSERT_TRUE(img.StretchMaskLinear(greyRow({0, 255}), dst, 4, 2));
    EXPECT_EQ(dst.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(greyLine(dst, 0), (std::vector<int>{0, 128, 255, 255}));
    EXPECT_EQ(greyLine(dst, 1), (std::vector<int>{0, 128, 255, 255}));

    // A target one pixel wide takes the pixels under the centre line:
    // column (1 * 4) div 2 = 2; rows (2y + 1) * 2 div 4 = 0, 1.
    ASSERT_TRUE(img.StretchBitmapCubic(numbered(4, 2), dst, 1, 2));
    EXPECT_EQ(dst.format(), QImage::Format_BGR888);
    EXPECT_EQ(bgrAt(dst, 0, 0), (Bgr{20, 2, 0}));
    EXPECT_EQ(bgrAt(dst, 0, 1), (Bgr{120, 2, 1}));

    // Source and target may be the same picture.
    QImage same = numbered(4, 2);
    ASSERT_TRUE(img.StretchBitmapLinear(same, same, 4, 1));
    EXPECT_EQ(same.size(), QSize(4, 1));
    EXPECT_EQ(bgrAt(same, 3, 0), (Bgr{130, 3, 1}));
}

TEST(ResizeLayerTest, ImpossibleSizesLeaveTheLayerAlone) {
    auto img = documentWithLayer(numbered(5, 4));
    const TlxLayer before = img->Layers[1];
    const int sizes[][2] = {{0, 4}, {5, -1}, {40000, 4}, {20001, 20001}};
    for (const auto& size : sizes)
        for (uint8_t method = 0; method <= 3; ++method)
            EXPECT_FALSE(img->ResizeLayer(1, size[0], size[1], method));
    EXPECT_FALSE(img->ResizeLayer(1, 3, 3, 4));
    QImage dst = solidGrey(1, 1, 5);
    EXPECT_FALSE(img->StretchMaskLinear(before.Alpha, dst, 0, 3));
    EXPECT_EQ(greyAt(dst, 0, 0), 5);
    EXPECT_EQ(img->Layers[1].Bitmap, before.Bitmap);
    EXPECT_EQ(img->Layers[1].Alpha, before.Alpha);
    EXPECT_EQ(img->Layers[1].Mask, before.Mask);
    EXPECT_TRUE(img->CanReDraw);
}

struct ProgressLog {
    std::vector<std::pair<int, int>> boxes; // (max, shown)
    std::vector<std::pair<int, int>> steps; // (max, value)
};

void listen(TlxImage& img, ProgressLog& log) {
    img.OnShowProgressBox = [&log](TlxImage*, int max, int shown) {
        log.boxes.push_back({max, shown});
    };
    img.OnProgress = [&log](TlxImage*, int max, int value) { log.steps.push_back({max, value}); };
}

TEST(ProgressTest, RaisedOnlyAboveThePixelCounts) {
    struct Case {
        const char* what;
        int w, h, nw, nh;
        bool cubic, shown;
    };
    const Case cases[] = {
        {"enlarge above 1920000", 1000, 1000, 1400, 1400, false, true},
        {"enlarge at 1918225", 1000, 1000, 1385, 1385, false, false},
        {"cubic enlarge above", 1000, 1000, 1400, 1400, true, true},
        {"linear shrink never", 2000, 1000, 1500, 999, false, false},
        {"cubic shrink target 360600", 800, 800, 600, 601, true, true},
        {"cubic shrink target 360000, source 420000", 700, 600, 600, 600, true, false},
        {"cubic shrink source 600625", 775, 775, 10, 10, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TlxImage img;
        ProgressLog log;
        listen(img, log);
        QImage dst;
        const QImage src = solidGrey(c.w, c.h, 1);
        ASSERT_TRUE(c.cubic ? img.StretchMaskCubic(src, dst, c.nw, c.nh)
                            : img.StretchMaskLinear(src, dst, c.nw, c.nh));
        if (!c.shown) {
            EXPECT_TRUE(log.boxes.empty());
            EXPECT_TRUE(log.steps.empty());
            continue;
        }
        const std::vector<std::pair<int, int>> boxes = {{c.nh, 1}, {c.nh, 0}};
        EXPECT_EQ(log.boxes, boxes);
        ASSERT_EQ(int(log.steps.size()), c.nh);
        for (int r = 0; r < c.nh; ++r)
            ASSERT_EQ(log.steps[size_t(r)], std::make_pair(c.nh, r + 1));
    }
}

TEST(ProgressTest, TurningALargeLayerReportsEveryRow) {
    for (bool large : {false, true}) {
        auto img = newDocument();
        ASSERT_TRUE(img->AddBitmapLayer(solidBgr(large ? 1500 : 1000, 1300, {1, 2, 3})));
        ProgressLog log;
        listen(*img, log);
        ASSERT_TRUE(img->RotateLayerImage(1, 90));
        // 1300 x 1500 = 1950000 is above the threshold; 1300 x 1000 is not.
        const size_t rows = large ? 2 * 1500 : 0; // image and coverage
        EXPECT_EQ(log.boxes.size(), large ? 4u : 0u);
        EXPECT_EQ(log.steps.size(), rows);
        if (large) {
            EXPECT_EQ(log.steps.back(), std::make_pair(1500, 1500));
        }
    }
}

TEST(RotateLayerTest, RightAngleMovesImageCoverageAndMaskTogether) {
    auto img = documentWithLayer(numbered(3, 2));
    ASSERT_TRUE(img->RotateLayerImage(1, 90));
    const TlxLayer& layer = img->Layers[1];
    ASSERT_EQ(layer.Bitmap.size(), QSize(2, 3));
    ASSERT_EQ(layer.Alpha.size(), QSize(2, 3));
    ASSERT_EQ(layer.Mask.size(), QSize(2, 3));
    // Source (x, y) lands on (H - 1 - y, x) = (1 - y, x).
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const Bgr source{uint8_t(10 * x + 100 * y), uint8_t(x), uint8_t(y)};
            EXPECT_EQ(bgrAt(layer.Bitmap, 1 - y, x), source);
            EXPECT_EQ(bgrAt(layer.Mask, 1 - y, x), source);
            EXPECT_EQ(greyAt(layer.Alpha, 1 - y, x), 7 * x + 3 * y);
        }
    EXPECT_EQ(layer.Left, 3);
    EXPECT_EQ(layer.Top, -2);
    EXPECT_TRUE(img->CanReDraw);
}

TEST(RotateLayerTest, TurnedCornersAreWhiteAndUncovered) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(solidBgr(20, 20, {0, 0, 0})));
    QImage mask = solidBgr(20, 20, {255, 255, 255});
    ASSERT_TRUE(img->SetLayerMask(1, mask));
    ASSERT_TRUE(img->RotateLayerImage(1, 45));
    const TlxLayer& layer = img->Layers[1];
    // 20 * (cos 45 + sin 45) = 28.28, + 0.5 -> 28.
    ASSERT_EQ(layer.Bitmap.size(), QSize(28, 28));
    ASSERT_EQ(layer.Alpha.size(), QSize(28, 28));
    ASSERT_EQ(layer.Mask.size(), QSize(28, 28));
    for (QPoint corner : {QPoint(0, 0), QPoint(27, 0), QPoint(0, 27), QPoint(27, 27)}) {
        EXPECT_EQ(bgrAt(layer.Bitmap, corner.x(), corner.y()), (Bgr{255, 255, 255}));
        EXPECT_EQ(greyAt(layer.Alpha, corner.x(), corner.y()), 0);
        EXPECT_EQ(bgrAt(layer.Mask, corner.x(), corner.y()), (Bgr{0, 0, 0}));
    }
    EXPECT_EQ(bgrAt(layer.Bitmap, 14, 14), (Bgr{0, 0, 0}));
    EXPECT_EQ(greyAt(layer.Alpha, 14, 14), 255);
    EXPECT_EQ(bgrAt(layer.Mask, 14, 14), (Bgr{255, 255, 255}));
}

TEST(RotateLayerTest, TooLargeAResultLeavesTheLayerAlone) {
    auto img = newDocument();
    ASSERT_TRUE(img->AddBitmapLayer(solidBgr(29000, 10, {1, 2, 3})));
    // Turned by 45 the bounding box is about 20500 x 20500: beyond the
    // pixel budget.
    EXPECT_FALSE(img->RotateLayerImage(1, 45));
    EXPECT_EQ(img->Layers[1].Bitmap.size(), QSize(29000, 10));
    EXPECT_EQ(img->Layers[1].Alpha.size(), QSize(29000, 10));
    EXPECT_TRUE(img->CanReDraw);
}

} // namespace
