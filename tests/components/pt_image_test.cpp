// The colour-stop marker: its picture point by point, and drawing again
// only when a colour changes.

#include "PtImage.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

struct Point {
    int X, Y;
    QRgb Expected;
    const char* What;
};

} // namespace

TEST(PtImageTest, ThePictureIsDrawnAsTheMarkerIsDescribed) {
    TPtImage marker;
    QPalette palette = marker.palette();
    const QRgb face = qRgb(200, 201, 202);
    const QRgb shadow = qRgb(120, 121, 122);
    palette.setColor(QPalette::Button, QColor(face));
    palette.setColor(QPalette::Dark, QColor(shadow));
    marker.setPalette(palette);
    marker.setSelColor(0x0000FF);  // red
    marker.setLineColor(0x800000); // navy
    marker.setPtColor(0x00FF00);   // green
    const QRgb red = qRgb(255, 0, 0);
    const QRgb navy = qRgb(0, 0, 128);
    const QRgb green = qRgb(0, 255, 0);
    const QRgb white = qRgb(255, 255, 255);

    EXPECT_EQ(marker.size(), QSize(11, 17));
    const QImage& picture = marker.Picture();
    ASSERT_EQ(picture.size(), QSize(11, 17));
    EXPECT_EQ(picture.depth(), 24);
    const Point points[] = {
        {0, 0, face, "corner outside the head"},
        {5, 0, navy, "point of the head"},
        {2, 3, navy, "left edge of the head"},
        {9, 5, navy, "right edge of the head"},
        {10, 5, face, "where the outline ends, not drawn"},
        {0, 10, navy, "left side"},
        {10, 10, navy, "right side"},
        {5, 16, navy, "bottom"},
        {5, 6, shadow, "under the head"},
        {8, 5, shadow, "inside the head's right edge"},
        {5, 1, shadow, "inside the head's right edge, top"},
        {9, 10, shadow, "inner right side"},
        {5, 15, shadow, "inner bottom"},
        {5, 7, white, "top of the body"},
        {1, 10, white, "inner left side"},
        {1, 15, face, "below the highlight's end"},
        {5, 5, green, "head, where the fill starts"},
        {2, 5, green, "head, left"},
        {4, 2, green, "head, near the point"},
        {2, 8, red, "body, top left"},
        {8, 14, red, "body, bottom right"},
        {5, 11, red, "body, middle"},
    };
    for (const Point& p : points)
        EXPECT_EQ(picture.pixel(p.X, p.Y) & 0xFFFFFF, p.Expected & 0xFFFFFF)
            << p.What << " at " << p.X << "," << p.Y;

    // The widget shows that picture.
    const QImage shown = marker.grab().toImage();
    EXPECT_EQ(shown.pixel(5, 11) & 0xFFFFFF, red & 0xFFFFFF);
    EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, green & 0xFFFFFF);
}

TEST(PtImageTest, DefaultsAndRedrawingOnlyOnChange) {
    TPtImage marker;
    EXPECT_EQ(marker.selColor(), 0x000000u);
    EXPECT_EQ(marker.lineColor(), 0x000000u);
    EXPECT_EQ(marker.ptColor(), 0xFFFFFFu);
    EXPECT_EQ(marker.Picture().pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(marker.Picture().pixel(5, 11) & 0xFFFFFF, 0u);

    const int drawn = marker.DrawCount();
    marker.setSelColor(0x000000);
    marker.setLineColor(0x000000);
    marker.setPtColor(0xFFFFFF);
    EXPECT_EQ(marker.DrawCount(), drawn);
    marker.setPtColor(0x000000);
    EXPECT_EQ(marker.DrawCount(), drawn + 1);
    EXPECT_EQ(marker.Picture().pixel(5, 5) & 0xFFFFFF, 0u);
    marker.setSelColor(0x00FFFF); // yellow
    EXPECT_EQ(marker.DrawCount(), drawn + 2);
    EXPECT_EQ(marker.Picture().pixel(5, 11) & 0xFFFFFF, qRgb(255, 255, 0) & 0xFFFFFFu);
}
