#include "steps/print_layout.h"

#include <QPainter>

#include "lxImage.h"

#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

namespace {

// A 19 cm canvas (748 pixels) printed at 600 dpi is 4488 dots wide; centred
// on a 4800-dot page it starts at (4800 - 4488) div 2 = 156 dots, and the
// 0.05 cm correction adds round(600 * 0.05 / 2.54) = round(11.81) = 12.
TEST(PrintLayoutTest, ACentredCanvasAtSixHundredDpi) {
    EXPECT_EQ(PrintedSize(QSize(748, 748), 600), QSize(4488, 4488));
    EXPECT_EQ(CentredOffset(4800, 748, 600), 156);
    EXPECT_EQ(CentreWhenTicked(4800, 748, 600), 2400 - 2244);
    const QString x = CmFromDots(156, 600);
    // 156 / 600 * 2.54 = 0.6604
    EXPECT_EQ(x, QStringLiteral("0.6604"));
    const auto origin = PrintOrigin(x, QStringLiteral("6"), 600);
    ASSERT_TRUE(origin);
    // x: Trunc(0.6604 * 600 / 2.54 + 0.5) = Trunc(156.5) = 156, + 12.
    EXPECT_EQ(origin->x(), 168);
    // y: the vertical edit reads "6" after the preview: Trunc(1417.32 + 0.5)
    // = 1417, then 0.2 cm higher: round(1417 - 47.24) = round(1369.76) = 1370.
    EXPECT_EQ(origin->y(), 1370);
}

TEST(PrintLayoutTest, OffsetsConvertBothWaysAndRefuseText) {
    struct Case {
        double Cm;
        int Dpi;
        int Dots;
    };
    // 6.5 cm at 600 dpi: 1535.43 -> 1535; 1 cm at 254 dpi: exactly 100;
    // 0.0127 cm at 100 dpi is 0.5 dots: halves go to the even 0.
    const Case cases[] = {{6.5, 600, 1535}, {1, 254, 100}, {0.0127, 100, 0}, {0.0381, 100, 2}};
    for (const Case& c : cases)
        EXPECT_EQ(DotsFromCm(c.Cm, c.Dpi), c.Dots) << c.Cm;
    EXPECT_EQ(CmFromDots(100, 254), QStringLiteral("1"));
    EXPECT_FALSE(PrintOrigin(QStringLiteral("abc"), QStringLiteral("1"), 600));
    EXPECT_FALSE(PrintOrigin(QStringLiteral("1"), QString(), 600));
    // A picture wider than the page has a negative centred offset, halved
    // towards zero: round(100 - 301) = -201, div 2 = -100.
    EXPECT_EQ(CentredOffset(100, 301, 100), -100);
}

TEST(PrintLayoutTest, ThePagePreviewKeepsThePageProportions) {
    const TPrinterMetrics a4{4800, 6800, 600};
    // 6800 / 500 = 13.6 >= 4800 / 800 = 6: the panel is 500 high and
    // round(500 / 6800 * 4800) = round(352.94) = 353 wide, centred.
    const TPagePreview p = PagePreview(a4, QSize(800, 500), QSize(748, 748));
    EXPECT_EQ(p.Panel, QRect(400 - 176 + 8, 250 - 250 + 8, 353, 500));
    EXPECT_EQ(p.Shadow, p.Panel.translated(16, 16));
    EXPECT_DOUBLE_EQ(p.PreviewScale, 4800.0 / 353);
    // 4488 dots / (4800 / 353) = 330.06 -> 330.
    EXPECT_EQ(p.Picture, QSize(330, 330));
    // A wide page in a tall space fills the width: 6800 x 4800 in 300 x 900,
    // 300 wide and round(300 / 6800 * 4800) = round(211.76) = 212 high.
    const TPagePreview wide = PagePreview({6800, 4800, 600}, QSize(300, 900), QSize(10, 10));
    EXPECT_EQ(wide.Panel.size(), QSize(300, 212));
    EXPECT_EQ(wide.Panel.topLeft(), QPoint(150 - 150 + 8, 450 - 106 + 8));
    // No printer: nothing to lay out.
    EXPECT_TRUE(PagePreview({}, QSize(300, 300), QSize(10, 10)).Panel.isNull());
}

// A PDF printer without margins at 600 dpi: Qt's A4 page is 595 x 842
// points, 595 / 72 * 600 = 4958.3 x 7016.7 dots.
TEST(PrinterMetricsTest, ThePrintableAreaAndResolutionOfAPdfPrinter) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0)));
    const TPrinterMetrics m = PrinterMetrics(printer);
    EXPECT_EQ(m.Dpi, 600);
    EXPECT_NEAR(m.PageWidth, 4958, 1);
    EXPECT_NEAR(m.PageHeight, 7017, 1);
    // Margins leave a smaller printable area: 10 mm each side is about 236
    // dots (Qt keeps margins in whole points, 28 pt = 233 dots).
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    EXPECT_NEAR(PrinterMetrics(printer).PageWidth, 4958 - 2 * 236, 8);
}

} // namespace

namespace {

// A 4 x 1 canvas of colour (10, 100, 200) whose shape mask reads 0, 255,
// 128 and 51: outside turns white, inside keeps its colour, the edge mixes
// in proportion, e.g. 128: (1 - 128/255) * 255 + 128/255 * 200 = 227.39
// -> 227, and 51 (a = 0.2): 0.8 * 255 + 0.2 * 200 = 244.
TEST(PrintBitmapTest, OutsideTheShapeTurnsWhiteInProportion) {
    TlxImage doc;
    ASSERT_TRUE(doc.NewImage(true, lxRGB(10, 100, 200), 24, 4, 1));
    QImage mask(4, 1, QImage::Format_Grayscale8);
    const uchar levels[] = {0, 255, 128, 51};
    for (int x = 0; x < 4; ++x)
        mask.scanLine(0)[x] = levels[x];
    ASSERT_TRUE(doc.SetLayerMaskPicture(0, mask));
    QImage print;
    ASSERT_TRUE(MakePrintBitmap(doc, print));
    ASSERT_EQ(print.format(), QImage::Format_BGR888);
    ASSERT_EQ(print.size(), QSize(4, 1));
    const uchar* p = print.constScanLine(0);
    struct Expected {
        int B, G, R;
    };
    // Blue 200, green 100, red 10 by the same rule.
    const Expected expected[] = {{255, 255, 255},
                                 {200, 100, 10},
                                 {227, 177, 132},
                                 {244, 224, 206}};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(p[3 * x], expected[x].B) << x;
        EXPECT_EQ(p[3 * x + 1], expected[x].G) << x;
        EXPECT_EQ(p[3 * x + 2], expected[x].R) << x;
    }
    // The shape is on again afterwards.
    EXPECT_TRUE(doc.Layers[0].HasMask);
}

} // namespace

namespace {

// Drawn band by band, the picture arrives whole: every row once, in place.
TEST(DrawInBandsTest, TheBandsMeetDotForDot) {
    // 2000 wide: 16 MiB / 8000 bytes = 2097 rows a band, so 5000 rows make
    // three bands, the last one short.
    QImage picture(2000, 5000, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) row[x] = qRgb(x & 255, y & 255, (x ^ y) >> 4 & 255);
    }
    QImage page(2010, 5020, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        DrawInBands(painter, QPoint(7, 11), picture);
    }
    EXPECT_EQ(page.copy(7, 11, 2000, 5000), picture);
    EXPECT_EQ(page.pixel(6, 11), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(7, 5011), qRgb(255, 255, 255));
}

} // namespace
