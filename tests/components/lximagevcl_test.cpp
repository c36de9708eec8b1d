#include "lxImagevcl.h"

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

void setBgr(QImage& image, int x, int y, int r, int g, int b) {
    uint8_t* p = image.scanLine(y) + 3 * x;
    p[0] = uint8_t(b);
    p[1] = uint8_t(g);
    p[2] = uint8_t(r);
}

// A 4 x 4 document whose pixel (x, y) is red 60x, green 60y, blue 7.
std::unique_ptr<TlxImageVcl> gradientDocument() {
    auto vcl = std::make_unique<TlxImageVcl>();
    EXPECT_TRUE(vcl->NewImage(true, 0, 24, 4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            setBgr(vcl->ShowBmp, x, y, 60 * x, 60 * y, 7);
    return vcl;
}

TEST(TlxImageVclTest, NewImageSizesTheControl) {
    auto vcl = std::make_unique<TlxImageVcl>();
    ASSERT_TRUE(vcl->NewImage(true, 0, 24, 120, 80));
    EXPECT_EQ(vcl->size(), QSize(120, 80));
    vcl->ZoomValue = 0.25;
    ASSERT_TRUE(vcl->ApplyZoom());
    EXPECT_EQ(vcl->size(), QSize(30, 20));
}

TEST(TlxImageVclTest, PaintsEachPixelAsABlockAtZoomTwo) {
    auto vcl = gradientDocument();
    vcl->ZoomValue = 2;
    ASSERT_TRUE(vcl->ApplyZoom());
    ASSERT_EQ(vcl->size(), QSize(8, 8));
    const QImage shot = vcl->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(shot.pixel(x, y), qRgb(60 * (x / 2), 60 * (y / 2), 7)) << x << "," << y;
}

TEST(TlxImageVclTest, PaintsOneToOneAndDropsPixelsWhenZoomedOut) {
    auto vcl = gradientDocument();
    QImage shot = vcl->grab().toImage();
    EXPECT_EQ(shot.pixel(3, 1), qRgb(180, 60, 7));
    vcl->ZoomValue = 0.5;
    ASSERT_TRUE(vcl->ApplyZoom());
    shot = vcl->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(2, 2));
    // Each screen pixel shows one of the four image pixels it stands for.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const QRgb p = shot.pixel(x, y);
            EXPECT_TRUE(qRed(p) == 120 * x || qRed(p) == 120 * x + 60) << qRed(p);
            EXPECT_TRUE(qGreen(p) == 120 * y || qGreen(p) == 120 * y + 60) << qGreen(p);
        }
}

TEST(TlxImageVclTest, PaintsNothingWhileBusy) {
    auto vcl = std::make_unique<TlxImageVcl>();
    ASSERT_TRUE(vcl->NewImage(true, lxRGB(255, 0, 0), 24, 6, 6));
    EXPECT_EQ(vcl->grab().toImage().pixel(2, 2), qRgb(255, 0, 0));
    vcl->CanReDraw = false; // an operation is rebuilding the layers
    EXPECT_NE(vcl->grab().toImage().pixel(2, 2), qRgb(255, 0, 0));
    vcl->CanReDraw = true;
    vcl->CloseImage(); // no document: nothing to paint
    EXPECT_NE(vcl->grab().toImage().pixel(2, 2), qRgb(255, 0, 0));
}

TEST(TlxImageVclTest, OutlineIsDrawnInBlackAndWhiteDashes) {
    auto vcl = std::make_unique<TlxImageVcl>();
    ASSERT_TRUE(vcl->NewImage(true, lxRGB(255, 0, 0), 24, 40, 20));
    QImage selection(12, 12, QImage::Format_Grayscale8);
    selection.fill(255);
    vcl->SelBitmap = selection;
    vcl->SelLeft = 3;
    vcl->SelTop = 2;
    vcl->HasSelection = true;
    ASSERT_TRUE(vcl->BuildSelectionOutline());
    ASSERT_GT(vcl->OutlineCount, 0);
    const uint8_t phase = vcl->AntsPhase;
    ASSERT_TRUE(vcl->DrawSelectionOutline());
    EXPECT_EQ(vcl->AntsPhase, (phase + 1) % 16);

    const QImage shot = vcl->grab().toImage();
    for (int k = 0; k < vcl->OutlineCount; ++k) {
        const TlxPoint p = vcl->OutlinePoints[size_t(k)];
        const QRgb expected =
            vcl->OutlineDashIsWhite(k, phase) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        ASSERT_EQ(shot.pixel(3 + p.X, 2 + p.Y), expected) << k;
    }
    // Inside the selection and outside it the picture shows through.
    EXPECT_EQ(shot.pixel(8, 8), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(30, 10), qRgb(255, 0, 0));

    for (int i = 0; i < 15; ++i)
        vcl->DrawSelectionOutline();
    EXPECT_EQ(vcl->AntsPhase, phase);
}

// A 37 x 23 document whose every pixel tells where it comes from: red x * 6,
// green y * 11, blue a hash of both.
std::unique_ptr<TlxImageVcl> labelledDocument() {
    auto vcl = std::make_unique<TlxImageVcl>();
    EXPECT_TRUE(vcl->NewImage(true, 0, 24, 37, 23));
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            setBgr(vcl->ShowBmp, x, y, 6 * x, 11 * y, (x * 7 + y * 13) & 255);
    return vcl;
}

// The whole picture scaled, nearest pixel: device pixel (X, Y) shows the
// picture pixel whose square, Scale device pixels wide, holds the device
// pixel's centre, (floor((X + 0.5) / Scale), floor((Y + 0.5) / Scale)).
// 0 where that centre lies off the picture (nothing is drawn there).
std::vector<QRgb> wholeScaled(const QImage& picture, double scale, int width, int height) {
    std::vector<QRgb> out(size_t(width) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double sx = std::floor((x + 0.5) / scale), sy = std::floor((y + 0.5) / scale);
            if (sx < picture.width() && sy < picture.height())
                out[size_t(y) * width + x] = picture.pixel(int(sx), int(sy)) | 0xFF000000u;
        }
    return out;
}

// Painting an update rectangle draws the part of the picture it covers, at
// the device's own pixels: each part matches the same part of the whole
// picture scaled, whichever rectangle and whichever device pixel ratio (a
// 2x screen samples twice as finely, it does not blow up a 1x picture).
TEST(TlxImageVclTest, PaintedPartsMatchTheWholePictureScaled) {
    auto vcl = labelledDocument();
    for (const double zoom : {0.5, 1.001, 3.0, 4.0, 0.7})
        for (const int ratio : {1, 2}) {
            vcl->ZoomValue = zoom;
            ASSERT_TRUE(vcl->ApplyZoom());
            const int w = vcl->width(), h = vcl->height();
            // The whole control, single pixels and thin strips, a block in the
            // middle and one running over the bottom-right corner.
            const QRect clips[] = {{0, 0, w, h},
                                   {0, 0, 1, 1},
                                   {w / 3, 0, 1, h},
                                   {0, h / 2, w, 1},
                                   {w / 4, h / 5, w / 2 + 1, h / 3 + 1},
                                   {w * 2 / 3, h / 2, w, h}};
            const QSize device = vcl->size() * ratio;
            const std::vector<QRgb> expected =
                wholeScaled(vcl->ShowBmp, zoom * ratio, device.width(), device.height());
            for (const QRect& clip : clips) {
                const QRect part = clip & vcl->rect();
                SCOPED_TRACE(::testing::Message()
                             << "zoom " << zoom << " ratio " << ratio << " part " << part.x() << ","
                             << part.y() << " " << part.width() << "x" << part.height());
                QImage shot(device, QImage::Format_RGB32);
                shot.setDevicePixelRatio(ratio);
                shot.fill(0);
                vcl->render(&shot, part.topLeft(), QRegion(part));
                int compared = 0;
                for (int y = part.top() * ratio; y < (part.bottom() + 1) * ratio; ++y)
                    for (int x = part.left() * ratio; x < (part.right() + 1) * ratio; ++x) {
                        const QRgb want = expected[size_t(y) * device.width() + x];
                        if (want == 0) continue; // off the picture
                        ASSERT_EQ(shot.pixel(x, y), want) << "device pixel " << x << "," << y;
                        ++compared;
                    }
                EXPECT_GT(compared, 0);
            }
        }
}

// At zoom 0.5 a 2x screen has one device pixel per picture pixel.
TEST(TlxImageVclTest, HalfZoomOnADoubleDensityDeviceShowsEveryPixel) {
    auto vcl = labelledDocument();
    vcl->ZoomValue = 0.5;
    ASSERT_TRUE(vcl->ApplyZoom());
    QImage shot(vcl->size() * 2, QImage::Format_RGB32);
    shot.setDevicePixelRatio(2);
    vcl->render(&shot);
    for (int y = 0; y < std::min(shot.height(), 23); ++y)
        for (int x = 0; x < std::min(shot.width(), 37); ++x)
            ASSERT_EQ(shot.pixel(x, y), vcl->ShowBmp.pixel(x, y) | 0xFF000000u) << x << "," << y;
}

TEST(TlxImageVclTest, TheOverlayIsPaintedLastInControlCoordinates) {
    auto vcl = std::make_unique<TlxImageVcl>();
    ASSERT_TRUE(vcl->NewImage(true, lxRGB(255, 0, 0), 24, 40, 20));
    QImage selection(12, 12, QImage::Format_Grayscale8);
    selection.fill(255);
    vcl->SelBitmap = selection;
    vcl->HasSelection = true;
    vcl->ZoomValue = 2;
    ASSERT_TRUE(vcl->ApplyZoom());
    ASSERT_TRUE(vcl->BuildSelectionOutline());
    ASSERT_TRUE(vcl->DrawSelectionOutline());
    int calls = 0;
    vcl->OnPaintOverlay = [&calls](QPainter& painter) {
        ++calls;
        // Over the outline's top-left corner (0, 0) and the picture beside it.
        painter.fillRect(QRect(0, 0, 6, 3), QColor(0, 200, 0));
    };
    const QImage shot = vcl->grab().toImage();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 200, 0));
    EXPECT_EQ(shot.pixel(5, 2), qRgb(0, 200, 0));
    EXPECT_EQ(shot.pixel(6, 2), qRgb(255, 0, 0)) << "the picture beside the overlay";
}

} // namespace
