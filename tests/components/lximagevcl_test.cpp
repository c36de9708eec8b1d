#include "lxImagevcl.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

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

} // namespace
