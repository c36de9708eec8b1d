#include "widgets/decorations.h"

#include <gtest/gtest.h>

namespace {

TEST(DecorationTest, PixelsAreComposedOverTheFaceWithWeightAOver256) {
    QImage picture(4, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(200, 200, 200, 0));
    picture.setPixel(1, 0, qRgba(200, 200, 200, 128)); // 0.5 * 100 + 0.5 * 200 = 150
    picture.setPixel(2, 0, qRgba(200, 200, 200, 64));  // 0.75 * 100 + 0.25 * 200 = 125
    picture.setPixel(3, 0, qRgba(200, 10, 0, 255));    // 100/256 + 200 * 255/256 = 199.6
    const QImage out = ComposeOverFace(picture, QColor(100, 100, 100));
    EXPECT_EQ(qRed(out.pixel(0, 0)), 100);
    EXPECT_EQ(qRed(out.pixel(1, 0)), 150);
    EXPECT_EQ(qRed(out.pixel(2, 0)), 125);
    EXPECT_EQ(qRed(out.pixel(3, 0)), 200);
    EXPECT_EQ(qGreen(out.pixel(3, 0)), 10); // 0.39 + 9.96 = 10.35
    EXPECT_EQ(qBlue(out.pixel(3, 0)), 0);   // 100 / 256 = 0.39
}

} // namespace
