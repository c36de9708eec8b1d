#include "velmo_assets.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <ostream>
#include <vector>

namespace {

uchar grey(const QImage& m, int x, int y) {
    return m.constScanLine(y)[x];
}

// ---- shape masks ----

struct ShapeCase {
    int id;
    int width;
    int height;
    bool inverted; // black inside, white outside
};

// The sizes the program's templates are made for.
const ShapeCase shapeCases[] = {
    {30001, 2244, 2244, false}, // pentagon
    {30002, 1498, 1496, false}, // heart
    {30003, 3393, 3391, false}, // circle
    {30004, 2244, 2244, true},  // pentagon, inner edge of the guide ring
    {30005, 1024, 1024, true},  // heart, inner edge of the guide ring
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << c.id << " (" << c.width << " x " << c.height << (c.inverted ? ", inverted)" : ")");
}

class ShapeMaskTest : public testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeMaskTest, HasItsSizeAndGreyFormat) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(m.width(), c.width);
    EXPECT_EQ(m.height(), c.height);
}

TEST_P(ShapeMaskTest, CentreIsInsideAndCornersOutside) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    const int inside = c.inverted ? 0 : 255, outside = 255 - inside;
    EXPECT_EQ(grey(m, c.width / 2, c.height / 2), inside);
    const int w = c.width - 1, h = c.height - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
        EXPECT_EQ(grey(m, p.x(), p.y()), outside) << "corner " << p.x() << "," << p.y();
}

// The program stretches the mask over the whole canvas, so the shape has to
// reach the picture's sides: the covered columns span the full width (all
// three shapes touch left and right), the covered rows at least 95% of the
// height (the regular pentagon is a little wider than tall).
TEST_P(ShapeMaskTest, ShapeFillsThePicture) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    int left = c.width, right = -1, top = c.height, bottom = -1;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const int v = c.inverted ? 255 - grey(m, x, y) : grey(m, x, y);
            if (v < 128) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    EXPECT_LE(left, 1);
    EXPECT_GE(right, c.width - 2);
    EXPECT_GE(bottom - top + 1, 0.95 * c.height);
}

// All three shapes are mirror images of themselves about the vertical centre
// line: column x and column w-1-x hold the same values (1 level allowed for
// rounding).
TEST_P(ShapeMaskTest, LeftRightSymmetric) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    int worst = 0, worstX = 0, worstY = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width / 2; ++x) {
            const int d = std::abs(grey(m, x, y) - grey(m, c.width - 1 - x, y));
            if (d > worst) worst = d, worstX = x, worstY = y;
        }
    EXPECT_LE(worst, 1) << "at " << worstX << "," << worstY;
}

// Anti-aliased: the edge has in-between levels, and only along the edge.
TEST_P(ShapeMaskTest, EdgeIsSmoothed) {
    const ShapeCase c = GetParam();
    const QImage m = velmo::ShapeMask(c.id);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    qint64 partial = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (grey(m, x, y) != 0 && grey(m, x, y) != 255) ++partial;
    // An edge of length L crossed at any angle leaves between about L and
    // 2L partly covered pixels; the outlines here are 3 to 4 times the
    // picture's width long.
    EXPECT_GT(partial, 2 * c.width);
    EXPECT_LT(partial, 10 * c.width);
}

INSTANTIATE_TEST_SUITE_P(Shapes, ShapeMaskTest, testing::ValuesIn(shapeCases),
                         [](const testing::TestParamInfo<ShapeCase>& info) {
                             return std::to_string(info.param.id);
                         });

// An ellipse filling a w x h picture covers pi/4 of it, whatever w and h.
TEST(ShapeMask, CircleCoversAQuarterPiOfThePicture) {
    const QImage m = velmo::ShapeMask(30003);
    ASSERT_EQ(m.size(), QSize(3393, 3391));
    double sum = 0;
    for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x)
            sum += grey(m, x, y);
    const double fraction = sum / 255.0 / (double(m.width()) * m.height());
    EXPECT_NEAR(fraction, std::numbers::pi / 4, 0.01 * std::numbers::pi / 4);
}

// The ellipse touches each side at its middle. Its semi-axes are 3393/2 and
// 3391/2, centred at (1696.5, 1695.5), so the middle pixel of the top row,
// (1696, 0), has its centre on the vertical axis half a pixel below the
// topmost point; over that pixel's width the outline sags by only
// 0.5² / (2 * 1696.5) = 0.00007 pixel, so the pixel is wholly inside: 255.
// The same holds at the other three sides; the corners are far outside.
TEST(ShapeMask, CircleTouchesTheMiddleOfEachSide) {
    const QImage m = velmo::ShapeMask(30003);
    ASSERT_EQ(m.size(), QSize(3393, 3391));
    EXPECT_EQ(grey(m, 1696, 0), 255);
    EXPECT_EQ(grey(m, 1696, 3390), 255);
    EXPECT_EQ(grey(m, 0, 1695), 255);
    EXPECT_EQ(grey(m, 3392, 1695), 255);
    // Half-way to the corner along the top row, the outline is at
    // y = b (1 - sqrt(1 - 0.5²)) = 1695.5 * 0.134 = 227 pixels down.
    EXPECT_EQ(grey(m, 848, 0), 0);
    EXPECT_EQ(grey(m, 848, 220), 0);
    EXPECT_EQ(grey(m, 848, 235), 255);
}

// The inverted pentagon is the same outline as the plain one.
TEST(ShapeMask, InvertedPentagonIsThePentagonInverted) {
    const QImage plain = velmo::ShapeMask(30001), inverted = velmo::ShapeMask(30004);
    ASSERT_EQ(plain.size(), inverted.size());
    int worst = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            worst = std::max(worst, std::abs(255 - grey(plain, x, y) - grey(inverted, x, y)));
    EXPECT_LE(worst, 1);
}

// The inverted heart has its own size; scaled to it, the plain heart matches
// it except for a thin band along the edge where the resampling blurs.
TEST(ShapeMask, InvertedHeartIsTheHeartInverted) {
    const QImage inverted = velmo::ShapeMask(30005);
    const QImage plain = velmo::ShapeMask(30002).scaled(inverted.size(), Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation);
    ASSERT_EQ(plain.size(), QSize(1024, 1024));
    ASSERT_EQ(plain.format(), QImage::Format_Grayscale8);
    qint64 far = 0;
    for (int y = 0; y < 1024; ++y)
        for (int x = 0; x < 1024; ++x)
            if (std::abs(255 - grey(plain, x, y) - grey(inverted, x, y)) > 64) ++far;
    // The outline is about 3.5 * 1024 pixels long; allow a 1-pixel band.
    EXPECT_LT(far, 4 * 1024);
}

TEST(ShapeMask, UnknownIdsGiveNoPicture) {
    for (int id : {0, 102, 30000, 30006, 31001, -30001})
        EXPECT_TRUE(velmo::ShapeMask(id).isNull()) << id;
}

// ---- thumbnails ----

bool isGrey(QRgb p) {
    return qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
}
int saturation(QRgb p) {
    return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)});
}

TEST(TemplateThumbnail, ShapesAreColouredPicturesOnWhite) {
    std::vector<QImage> seen;
    for (const char* name : {"Ellimg", "HeartImg", "wjximg"}) {
        const QImage t = velmo::TemplateThumbnail(QLatin1String(name));
        ASSERT_EQ(t.size(), QSize(128, 128)) << name;
        EXPECT_EQ(t.format(), QImage::Format_RGB32) << name;
        for (QPoint p : {QPoint(0, 0), QPoint(127, 0), QPoint(0, 127), QPoint(127, 127)})
            EXPECT_EQ(t.pixel(p), qRgb(255, 255, 255)) << name;
        EXPECT_GT(saturation(t.pixel(64, 64)), 60) << name;
        for (const QImage& other : seen)
            EXPECT_NE(t, other) << name;
        seen.push_back(t);
    }
}

// The heart thumbnail shows the heart: its middle column is coloured from
// near the top of the shape down to the point, and the cleft leaves the
// middle of the top white while the lobes beside it are coloured.
TEST(TemplateThumbnail, HeartShowsLobesAndCleft) {
    const QImage t = velmo::TemplateThumbnail(QStringLiteral("HeartImg"));
    ASSERT_EQ(t.size(), QSize(128, 128));
    EXPECT_GT(saturation(t.pixel(64, 100)), 60);
    EXPECT_LT(saturation(t.pixel(64, 20)), 10);
    EXPECT_GT(saturation(t.pixel(40, 24)), 60);
    EXPECT_GT(saturation(t.pixel(88, 24)), 60);
}

TEST(TemplateThumbnail, PlaceholderIsNeutral) {
    const QImage t = velmo::TemplateThumbnail(QStringLiteral("NoImg"));
    ASSERT_EQ(t.size(), QSize(128, 128));
    EXPECT_EQ(t.format(), QImage::Format_RGB32);
    int marked = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            ASSERT_TRUE(isGrey(t.pixel(x, y))) << x << "," << y;
            if (qRed(t.pixel(x, y)) < 220) ++marked;
        }
    EXPECT_GT(marked, 500); // a visible mark, not a blank square
}

TEST(TemplateThumbnail, UnknownNamesGiveNoPicture) {
    for (const char* name : {"", "ellimg", "Heart", "NoImg.png", "30001"}) {
        EXPECT_TRUE(velmo::TemplateThumbnail(QLatin1String(name)).isNull()) << name;
        EXPECT_TRUE(velmo::TemplateThumbnail(QLatin1String(name), 2).isNull()) << name;
    }
}

// The sum of squared differences of horizontal neighbours: an edge drawn
// over one pixel counts twice what the same edge blurred over two does.
double edgeEnergy(const QImage& picture) {
    double energy = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 1; x < picture.width(); ++x) {
            const int d = qGray(picture.pixel(x, y)) - qGray(picture.pixel(x - 1, y));
            energy += double(d) * d;
        }
    return energy;
}

// For screens of two device pixels per unit each thumbnail is drawn again
// with twice the pixels: the same picture (averaged over 2 x 2 blocks it is
// close to the 1x one), with edges as sharp as the 1x one's rather than the
// 1x picture blown up.
TEST(TemplateThumbnail, TwiceTheResolutionForDenseScreens) {
    for (const char* name : {"Ellimg", "HeartImg", "wjximg", "NoImg"}) {
        const QImage plain = velmo::TemplateThumbnail(QLatin1String(name));
        const QImage dense = velmo::TemplateThumbnail(QLatin1String(name), 2);
        ASSERT_EQ(dense.size(), QSize(256, 256)) << name;
        EXPECT_EQ(dense.devicePixelRatio(), 2) << name;
        EXPECT_EQ(dense.format(), QImage::Format_RGB32) << name;
        EXPECT_EQ(velmo::TemplateThumbnail(QLatin1String(name), 1), plain) << name;
        int far = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                int sum = 0;
                for (QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                    sum += qGray(dense.pixel(2 * x + d.x(), 2 * y + d.y()));
                if (std::abs(sum / 4 - qGray(plain.pixel(x, y))) > 24) ++far;
            }
        EXPECT_LT(far, 128 * 128 / 50) << name;
        const QImage blownUp =
            plain.scaled(256, 256, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_GT(edgeEnergy(dense), 1.5 * edgeEnergy(blownUp)) << name;
    }
}

// ---- decorations ----

struct DecorationCase {
    int id;
    int width;
    int height;
};

TEST(Decoration, SizesFormatAndTransparentCorners) {
    for (DecorationCase c : {DecorationCase{102, 102, 44}, DecorationCase{103, 150, 150}}) {
        const QImage d = velmo::Decoration(c.id);
        ASSERT_EQ(d.size(), QSize(c.width, c.height)) << c.id;
        EXPECT_EQ(d.format(), QImage::Format_ARGB32) << c.id;
        const int w = c.width - 1, h = c.height - 1;
        for (QPoint p : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            EXPECT_EQ(qAlpha(d.pixel(p)), 0) << c.id << " at " << p.x() << "," << p.y();
        int opaque = 0, clear = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int a = qAlpha(d.pixel(x, y));
                if (a == 255) ++opaque;
                if (a == 0) ++clear;
            }
        // A picture on a transparent ground: both kinds of pixel abound.
        EXPECT_GT(opaque, c.width * c.height / 5) << c.id;
        EXPECT_GT(clear, c.width * c.height / 5) << c.id;
    }
}

// Straight alpha: in premultiplied storage no colour channel can exceed
// the alpha, so pixels of the soft edge whose colour does show the colour
// is stored whole.
TEST(Decoration, AlphaIsStraight) {
    for (int id : {102, 103}) {
        const QImage d = velmo::Decoration(id);
        ASSERT_FALSE(d.isNull());
        int straight = 0;
        for (int y = 0; y < d.height(); ++y)
            for (int x = 0; x < d.width(); ++x) {
                const QRgb p = d.pixel(x, y);
                if (qAlpha(p) > 0 && std::max({qRed(p), qGreen(p), qBlue(p)}) > qAlpha(p) + 30)
                    ++straight;
            }
        EXPECT_GE(straight, 10) << id;
    }
}

TEST(Decoration, UnknownIdsGiveNoPicture) {
    for (int id : {0, 101, 104, 30001})
        EXPECT_TRUE(velmo::Decoration(id).isNull()) << id;
}

// ---- application icon ----

// The icon's balloon is laid out on a 150-unit square like decoration 103:
// body centred at (74, 58) with radii 45 and 53, tilted 7 degrees, so it
// spans about x 29 .. 119 and starts about y 5 (the fractions below, with
// room for the tilt, the narrowing towards the knot and the soft edge).
class AppIconTest : public ::testing::TestWithParam<int> {};

TEST_P(AppIconTest, OneRoseBalloonOnATransparentSquare) {
    const int size = GetParam();
    const QImage icon = velmo::AppIcon(size);
    ASSERT_EQ(icon.size(), QSize(size, size));
    EXPECT_EQ(icon.format(), QImage::Format_ARGB32);
    const int last = size - 1;
    for (QPoint p : {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
        EXPECT_EQ(qAlpha(icon.pixel(p)), 0) << size << " at " << p.x() << "," << p.y();

    // The middle of the body: opaque rose, red well above green and blue.
    const QRgb middle = icon.pixel(74 * size / 150, 58 * size / 150);
    EXPECT_EQ(qAlpha(middle), 255) << size;
    EXPECT_GE(qRed(middle), 200) << size;
    EXPECT_LE(qGreen(middle), 140) << size;
    EXPECT_LE(qBlue(middle), 170) << size;

    int left = size, right = -1, top = size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (qAlpha(icon.pixel(x, y)) == 255) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
            }
    EXPECT_GE(left, 0.16 * size) << size;
    EXPECT_LE(left, 0.23 * size) << size;
    EXPECT_GE(right, 0.76 * size) << size;
    EXPECT_LE(right, 0.83 * size) << size;
    EXPECT_GE(top, 0.01 * size) << size;
    EXPECT_LE(top, 0.07 * size) << size;
}

INSTANTIATE_TEST_SUITE_P(Sizes, AppIconTest, ::testing::Values(48, 128, 256));

// Every size is the same drawing: the largest brought down to the smallest
// differs from it only by the smoothing of the two scalings.
TEST(AppIcon, SizesShowTheSameDrawing) {
    const QImage small = velmo::AppIcon(48);
    const QImage large =
        velmo::AppIcon(256).scaled(48, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ASSERT_FALSE(small.isNull());
    ASSERT_EQ(large.size(), small.size());
    long long alphaDifference = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            alphaDifference += std::abs(qAlpha(small.pixel(x, y)) - qAlpha(large.pixel(x, y)));
    EXPECT_LT(double(alphaDifference) / (48 * 48), 6.0);
}

TEST(AppIcon, OtherSizesGiveNoPicture) {
    for (int size : {0, -48, 32, 64, 150, 512})
        EXPECT_TRUE(velmo::AppIcon(size).isNull()) << size;
}

// ---- cursors ----

TEST(ProgramCursor, EachToolHasAPictureWhoseHotSpotIsDrawn) {
    for (int id : {101, 102, 103, 104}) {
        const QCursor c = velmo::ProgramCursor(id);
        EXPECT_EQ(c.shape(), Qt::BitmapCursor) << id;
        const QPixmap pm = c.pixmap();
        ASSERT_FALSE(pm.isNull()) << id;
        EXPECT_EQ(pm.size(), QSize(32, 32)) << id;
        const QPoint hot = c.hotSpot();
        ASSERT_TRUE(QRect(0, 0, 32, 32).contains(hot)) << id;
        const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
        // The pixel the cursor acts on is part of the drawing, not the
        // transparent ground around it.
        EXPECT_GE(qAlpha(img.pixel(hot)), 128) << id;
        EXPECT_EQ(qAlpha(img.pixel(31, 0)) == 0 || qAlpha(img.pixel(0, 31)) == 0 ||
                      qAlpha(img.pixel(31, 31)) == 0 || qAlpha(img.pixel(0, 0)) == 0,
                  true)
            << id << ": no transparent corner";
    }
}

TEST(ProgramCursor, CursorsDiffer) {
    std::vector<QImage> seen;
    for (int id : {101, 102, 103, 104}) {
        const QImage img = velmo::ProgramCursor(id).pixmap().toImage();
        for (const QImage& other : seen)
            EXPECT_NE(img, other) << id;
        seen.push_back(img);
    }
}

// The placement cursor is a cross centred on its hot spot: its arms reach
// out the same distance on all four sides.
TEST(ProgramCursor, PlacementCrossIsCentredOnTheHotSpot) {
    const QCursor c = velmo::ProgramCursor(104);
    const QImage img = c.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    const QPoint hot = c.hotSpot();
    auto reach = [&](int dx, int dy) {
        int n = 0;
        for (QPoint p = hot + QPoint(dx, dy); QRect(0, 0, 32, 32).contains(p); p += QPoint(dx, dy))
            if (qAlpha(img.pixel(p)) > 0)
                n = std::max(std::abs(p.x() - hot.x()), std::abs(p.y() - hot.y()));
        return n;
    };
    const int left = reach(-1, 0);
    EXPECT_GE(left, 8);
    EXPECT_EQ(reach(1, 0), left);
    EXPECT_EQ(reach(0, -1), left);
    EXPECT_EQ(reach(0, 1), left);
}

TEST(ProgramCursor, OtherIdsGiveTheArrow) {
    for (int id : {0, 1, 100, 105, 30001})
        EXPECT_EQ(velmo::ProgramCursor(id).shape(), Qt::ArrowCursor) << id;
}

// ---- mask list pictures ----

enum class Edge { Hard, Soft };

struct MaskCase {
    int row;
    int width;
    int height;
    Edge edge;
    int points;         // stars: how many points, else 0
    double heartAspect; // hearts: width over height of the heart, else 0
    bool mirrored;      // the same after mirroring left to right
};

const MaskCase maskCases[] = {
    {1, 250, 250, Edge::Hard, 0, 0, true},     {2, 300, 300, Edge::Soft, 0, 0, true},
    {3, 400, 400, Edge::Soft, 0, 0, true},     {4, 500, 500, Edge::Soft, 0, 0, true},
    {5, 600, 600, Edge::Soft, 0, 0, true},     {6, 250, 250, Edge::Hard, 0, 0, true},
    {7, 400, 400, Edge::Hard, 0, 0, true},     {8, 500, 500, Edge::Soft, 0, 0, true},
    {9, 600, 600, Edge::Soft, 0, 0, true},     {10, 300, 300, Edge::Hard, 0, 0, true},
    {11, 450, 450, Edge::Hard, 0, 0, true},    {12, 600, 600, Edge::Soft, 0, 0, true},
    {13, 720, 480, Edge::Soft, 0, 0, false},   {14, 500, 500, Edge::Hard, 0, 1.0, true},
    {15, 600, 600, Edge::Soft, 0, 1.0, true},  {16, 836, 844, Edge::Soft, 0, 1.0, true},
    {17, 400, 400, Edge::Hard, 5, 0, true},    {18, 500, 500, Edge::Soft, 5, 0, true},
    {19, 500, 500, Edge::Hard, 6, 0, true},    {20, 600, 600, Edge::Hard, 5, 0, true},
    {21, 600, 600, Edge::Soft, 8, 0, true},    {22, 300, 300, Edge::Hard, 0, 0, true},
    {23, 400, 400, Edge::Hard, 0, 0, true},    {24, 500, 500, Edge::Soft, 0, 0, true},
    {25, 600, 600, Edge::Soft, 0, 0, true},    {26, 700, 700, Edge::Soft, 0, 0, true},
    {27, 640, 760, Edge::Hard, 0, 0.84, true}, {28, 640, 760, Edge::Soft, 0, 0.84, true},
    {29, 836, 700, Edge::Hard, 0, 1.20, true}, {30, 836, 700, Edge::Soft, 0, 1.20, true},
    {31, 836, 844, Edge::Soft, 0, 1.0, true},
};

void PrintTo(const MaskCase& c, std::ostream* os) {
    *os << "row " << c.row << " (" << c.width << " x " << c.height << ")";
}

class MaskPictureTest : public testing::TestWithParam<MaskCase> {};

TEST_P(MaskPictureTest, HasItsSizeAndGreyFormat) {
    const MaskCase c = GetParam();
    const QImage m = velmo::MaskPicture(c.row);
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(m.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(m.size(), QSize(c.width, c.height));
    EXPECT_TRUE(QRect(0, 0, 250, 250).size().boundedTo(m.size()) == QSize(250, 250));
    EXPECT_TRUE(m.size().boundedTo(QSize(836, 844)) == m.size());
}

// Every mask is a filled shape: white in the middle, and kept inside the
// picture so that stretching it over a layer never cuts it: the whole
// border is black.
TEST_P(MaskPictureTest, WhiteMiddleAndBlackBorder) {
    const MaskCase c = GetParam();
    const QImage m = velmo::MaskPicture(c.row);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    EXPECT_EQ(grey(m, c.width / 2, c.height / 2), 255);
    int lit = 0;
    for (int x = 0; x < c.width; ++x)
        lit += grey(m, x, 0) != 0 || grey(m, x, c.height - 1) != 0;
    for (int y = 0; y < c.height; ++y)
        lit += grey(m, 0, y) != 0 || grey(m, c.width - 1, y) != 0;
    EXPECT_EQ(lit, 0);
}

// From the middle to the right side along the middle row the mask only
// falls: a hard mask from 255 to 0 over at most the two pixels its edge
// crosses (none when the edge runs along a pixel border), a soft one over a ramp of at least 10
// pixels and 4% of the way.
TEST_P(MaskPictureTest, EdgeIsHardOrARamp) {
    const MaskCase c = GetParam();
    const QImage m = velmo::MaskPicture(c.row);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    const int y = c.height / 2;
    int between = 0, rises = 0;
    for (int x = c.width / 2; x < c.width; ++x) {
        const int v = grey(m, x, y);
        if (v != 0 && v != 255) ++between;
        if (x > c.width / 2 && v > grey(m, x - 1, y) + 1) ++rises;
    }
    EXPECT_EQ(rises, 0);
    if (c.edge == Edge::Hard) {
        EXPECT_LE(between, 2);
    } else {
        EXPECT_GE(between, 10);
        EXPECT_GE(between, 0.04 * c.width / 2);
    }
}

// Hard masks leave in-between levels only along the edge; soft ones have a
// broad band of them.
TEST_P(MaskPictureTest, SoftMasksHaveManyMoreGreyPixels) {
    const MaskCase c = GetParam();
    const QImage m = velmo::MaskPicture(c.row);
    ASSERT_EQ(m.size(), QSize(c.width, c.height));
    qint64 partial = 0;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (grey(m, x, y) != 0 && grey(m, x, y) != 255) ++partial;
    // The outlines are 3 to 6 times the picture's width long; a hard edge
    // leaves one or two partly covered pixels across, a soft one at least
    // ten.
    if (c.edge == Edge::Hard)
        EXPECT_LT(partial, 12 * c.width);
    else
        EXPECT_GT(partial, 25 * c.width);
}

INSTANTIATE_TEST_SUITE_P(Masks, MaskPictureTest, testing::ValuesIn(maskCases),
                         [](const testing::TestParamInfo<MaskCase>& info) {
                             return "row" + std::to_string(info.param.row);
                         });

// All shapes but the cloud are their own mirror images about the vertical
// centre line (1 level allowed for rounding).
TEST(MaskPicture, SymmetricShapesAreMirrorImages) {
    for (const MaskCase& c : maskCases) {
        if (!c.mirrored) continue;
        const QImage m = velmo::MaskPicture(c.row);
        ASSERT_EQ(m.size(), QSize(c.width, c.height)) << c.row;
        int worst = 0, worstX = 0, worstY = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width / 2; ++x) {
                const int d = std::abs(grey(m, x, y) - grey(m, c.width - 1 - x, y));
                if (d > worst) worst = d, worstX = x, worstY = y;
            }
        EXPECT_LE(worst, 1) << "row " << c.row << " at " << worstX << "," << worstY;
    }
}

TEST(MaskPicture, SizesSpanTheRange) {
    bool smallest = false, largest = false;
    for (int row = 1; row <= velmo::MaskCount; ++row) {
        const QSize size = velmo::MaskPicture(row).size();
        smallest = smallest || size == QSize(250, 250);
        largest = largest || size == QSize(836, 844);
    }
    EXPECT_TRUE(smallest);
    EXPECT_TRUE(largest);
}

TEST(MaskPicture, OtherRowsGiveNoPicture) {
    EXPECT_EQ(velmo::MaskCount, 31);
    for (int row : {0, -1, 32, 132, 10001})
        EXPECT_TRUE(velmo::MaskPicture(row).isNull()) << row;
}

// A star's points: walking round a circle about the shape's centre
// (its centre of mass) between the points' tips and the valleys crosses
// one white run per point. The stars fill 90% of the picture, their tips
// reach out at least 0.75 of half its width after feathering and their
// valleys lie within 0.55 of it, so a circle of 0.62 of half the width
// crosses every point.
TEST(MaskPicture, StarsHaveTheirNumberOfPoints) {
    for (const MaskCase& c : maskCases) {
        if (c.points == 0) continue;
        const QImage m = velmo::MaskPicture(c.row);
        ASSERT_EQ(m.size(), QSize(c.width, c.height)) << c.row;
        double sum = 0, sumX = 0, sumY = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                sum += grey(m, x, y);
                sumX += grey(m, x, y) * (x + 0.5);
                sumY += grey(m, x, y) * (y + 0.5);
            }
        const double cx = sumX / sum, cy = sumY / sum, radius = 0.62 * c.width / 2;
        constexpr int steps = 1440;
        std::vector<bool> white(steps);
        for (int i = 0; i < steps; ++i) {
            const double a = 2 * std::numbers::pi * i / steps;
            white[i] =
                grey(m, int(cx + radius * std::cos(a)), int(cy + radius * std::sin(a))) >= 128;
        }
        int runs = 0;
        for (int i = 0; i < steps; ++i)
            if (white[i] && !white[(i + steps - 1) % steps]) ++runs;
        EXPECT_EQ(runs, c.points) << "row " << c.row;
        // Points up: the topmost white pixel of the middle column is a tip.
        int top = 0;
        while (top < c.height && grey(m, c.width / 2, top) < 128)
            ++top;
        int leftmost = c.height;
        for (int x = 0; x < c.width; ++x)
            for (int y = 0; y < std::min(c.height, leftmost); ++y)
                if (grey(m, x, y) >= 128) leftmost = y;
        EXPECT_LE(top, leftmost + 1) << "row " << c.row;
    }
}

// A heart is fitted with its proportions, so its picture holds it at the
// proportions it has: the canvas heart (as wide as tall) or a slimmer or
// wider one, as large as the 90% of the picture inside the margins allows.
TEST(MaskPicture, HeartsHaveTheirProportions) {
    for (const MaskCase& c : maskCases) {
        if (c.heartAspect == 0 || c.edge != Edge::Hard) continue;
        const QImage m = velmo::MaskPicture(c.row);
        ASSERT_EQ(m.size(), QSize(c.width, c.height)) << c.row;
        int left = c.width, right = -1, top = c.height, bottom = -1;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                if (grey(m, x, y) >= 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        const double w = right - left + 1, h = bottom - top + 1;
        EXPECT_NEAR(w / h, c.heartAspect, 0.02 * c.heartAspect) << "row " << c.row;
        const double fill = std::max(w / (0.9 * c.width), h / (0.9 * c.height));
        EXPECT_NEAR(fill, 1.0, 0.01) << "row " << c.row;
        // The cleft: the middle column is black down from the top of the
        // lobes, which are white beside it.
        EXPECT_EQ(grey(m, c.width / 2, top + 2), 0) << "row " << c.row;
        EXPECT_EQ(grey(m, int(left + 0.27 * w), top + int(0.08 * h)), 255) << "row " << c.row;
    }
}

TEST(MaskPicture, OnlyTheHeartsKeepTheirProportions) {
    for (int row = -1; row <= 33; ++row) {
        const bool heart = (row >= 14 && row <= 16) || (row >= 27 && row <= 31);
        EXPECT_EQ(velmo::MaskKeepsProportions(row), heart) << row;
    }
}

// ---- mask list icons ----

bool allGrey(const QImage& picture) {
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (!isGrey(picture.pixel(x, y))) return false;
    return true;
}

double meanGrey(const QImage& picture) {
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            sum += qGray(picture.pixel(x, y));
    return sum / (double(picture.width()) * picture.height());
}

// The icon is the whole mask squeezed to 32 x 32: stretching keeps the
// share of white, so the icon's mean grey is the picture's.
TEST(MaskIcon, IsTheMaskStretchedToTheIcon) {
    std::vector<QImage> seen;
    for (int row = 1; row <= velmo::MaskCount; ++row) {
        const QImage icon = velmo::MaskIcon(row);
        ASSERT_EQ(icon.size(), QSize(32, 32)) << row;
        EXPECT_EQ(icon.format(), QImage::Format_RGB32) << row;
        EXPECT_EQ(icon.devicePixelRatio(), 1) << row;
        EXPECT_TRUE(allGrey(icon)) << row;
        EXPECT_GT(qGray(icon.pixel(16, 16)), 200) << row;
        for (QPoint p : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)})
            EXPECT_LT(qGray(icon.pixel(p)), 8) << row;
        const QImage picture = velmo::MaskPicture(row);
        double sum = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                sum += grey(picture, x, y);
        const double mean = sum / (double(picture.width()) * picture.height());
        EXPECT_NEAR(meanGrey(icon), mean, 0.03 * 255) << row;
        for (const QImage& other : seen)
            EXPECT_NE(icon, other) << row;
        seen.push_back(icon);
    }
}

TEST(MaskIcon, TwiceTheSizeForDenseScreens) {
    for (int row : {1, 13, 17, 31}) {
        const QImage dense = velmo::MaskIcon(row, 2);
        ASSERT_EQ(dense.size(), QSize(64, 64)) << row;
        EXPECT_EQ(dense.devicePixelRatio(), 2) << row;
        EXPECT_EQ(dense.format(), QImage::Format_RGB32) << row;
        EXPECT_NEAR(meanGrey(dense), meanGrey(velmo::MaskIcon(row)), 0.02 * 255) << row;
    }
}

TEST(MaskIcon, OtherRowsGiveNoIcon) {
    for (int row : {0, 32, -5})
        EXPECT_TRUE(velmo::MaskIcon(row).isNull()) << row;
}

TEST(ListIcon, BlankIsOpaqueWhite) {
    for (qreal ratio : {1.0, 2.0}) {
        const QImage icon = velmo::ListIcon(QStringLiteral("Blank"), ratio);
        ASSERT_EQ(icon.size(), QSize(32, 32) * int(ratio)) << ratio;
        EXPECT_EQ(icon.format(), QImage::Format_ARGB32);
        EXPECT_EQ(icon.devicePixelRatio(), ratio);
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                ASSERT_EQ(icon.pixel(x, y), qRgba(255, 255, 255, 255)) << x << "," << y;
    }
}

// The icon as a list shows it, on a white ground.
QImage overWhite(const QImage& icon) {
    QImage shown(icon.size(), QImage::Format_RGB32);
    shown.fill(Qt::white);
    QImage pixels = icon.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pixels.setDevicePixelRatio(1); // one icon pixel on each pixel of the ground
    QPainter p(&shown);
    p.drawImage(QPoint(0, 0), pixels);
    p.end();
    return shown;
}

// The drawn icons are coloured symbols on a transparent ground, each
// redrawn with twice the pixels for dense screens rather than blown up.
TEST(ListIcon, DrawnIconsAtBothSizes) {
    std::vector<QImage> seen;
    for (const char* name : {"MskFile", "CusImg"}) {
        const QImage icon = velmo::ListIcon(QLatin1String(name));
        ASSERT_EQ(icon.size(), QSize(32, 32)) << name;
        EXPECT_EQ(icon.format(), QImage::Format_ARGB32) << name;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << name;
        EXPECT_EQ(qAlpha(icon.pixel(31, 0)), 0) << name;
        int opaque = 0, coloured = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                opaque += qAlpha(icon.pixel(x, y)) == 255;
                coloured += qAlpha(icon.pixel(x, y)) == 255 && saturation(icon.pixel(x, y)) > 80;
            }
        EXPECT_GT(opaque, 120) << name;
        EXPECT_GT(coloured, 40) << name;
        for (const QImage& other : seen)
            EXPECT_NE(icon, other) << name;
        seen.push_back(icon);

        const QImage dense = velmo::ListIcon(QLatin1String(name), 2);
        ASSERT_EQ(dense.size(), QSize(64, 64)) << name;
        EXPECT_EQ(dense.devicePixelRatio(), 2) << name;
        EXPECT_EQ(dense.format(), QImage::Format_ARGB32) << name;
        int far = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                int sum = 0;
                for (QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                    sum += qAlpha(dense.pixel(2 * x + d.x(), 2 * y + d.y()));
                if (std::abs(sum / 4 - qAlpha(icon.pixel(x, y))) > 64) ++far;
            }
        EXPECT_LT(far, 32 * 32 / 20) << name;
        const QImage blownUp = icon.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_GT(edgeEnergy(overWhite(dense)), 1.3 * edgeEnergy(overWhite(blownUp))) << name;
    }
}

TEST(ListIcon, UnknownNamesGiveNoIcon) {
    for (const char* name : {"", "blank", "MskFile@2x", "Mask1", "Ellimg"}) {
        EXPECT_TRUE(velmo::ListIcon(QLatin1String(name)).isNull()) << name;
        EXPECT_TRUE(velmo::ListIcon(QLatin1String(name), 2).isNull()) << name;
    }
}

// ---- the crop dialog's tool icons ----

// Every tool has its own picture, transparent around a drawing of some
// weight, at both sizes; the dense one agrees with the plain one.
TEST(ToolIcon, EachToolAtBothSizes) {
    const char* const names[] = {"SelRect", "SelRoundRect", "SelEllipse", "SelLasso", "SelPolygon",
                                 "SelWand", "ViewZoom", "Revert", "Finish", "Cancel"};
    std::vector<QImage> seen;
    for (const char* name : names) {
        const QImage icon = velmo::ToolIcon(QLatin1String(name));
        ASSERT_EQ(icon.size(), QSize(24, 24)) << name;
        EXPECT_EQ(icon.format(), QImage::Format_ARGB32) << name;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << name;
        EXPECT_EQ(qAlpha(icon.pixel(23, 23)), 0) << name;
        int inked = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) inked += qAlpha(icon.pixel(x, y)) > 128;
        // A drawing, not a dot and not a filled square.
        EXPECT_GT(inked, 20) << name;
        EXPECT_LT(inked, 24 * 24 / 2) << name;
        for (const QImage& other : seen)
            EXPECT_NE(icon, other) << name;
        seen.push_back(icon);
        const QImage dense = velmo::ToolIcon(QLatin1String(name), 2);
        ASSERT_EQ(dense.size(), QSize(48, 48)) << name;
        EXPECT_EQ(dense.devicePixelRatio(), 2) << name;
        int far = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                int sum = 0;
                for (QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
                    sum += qAlpha(dense.pixel(2 * x + d.x(), 2 * y + d.y()));
                if (std::abs(sum / 4 - qAlpha(icon.pixel(x, y))) > 96) ++far;
            }
        EXPECT_LT(far, 24 * 24 / 10) << name;
    }
    for (const char* name : {"", "selrect", "SelRect@2x", "MskFile"})
        EXPECT_TRUE(velmo::ToolIcon(QLatin1String(name)).isNull()) << name;
}

// ---- text-effect icons ----

// The sample every icon shows: blue letters on a mid-grey ground.
constexpr QRgb kGround = qRgb(150, 150, 150);
constexpr QRgb kLetters = qRgb(40, 90, 200);

bool near(QRgb c, QRgb target, int tolerance) {
    return std::abs(qRed(c) - qRed(target)) <= tolerance &&
           std::abs(qGreen(c) - qGreen(target)) <= tolerance &&
           std::abs(qBlue(c) - qBlue(target)) <= tolerance;
}

int spread(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)});
}

template <class Pred> bool anyPixel(const QImage& icon, Pred pred) {
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (pred(icon.pixel(x, y))) return true;
    return false;
}

// What a pixel can only be when an effect put it there. The letters'
// smoothed edge mixes (40, 90, 200) with the ground (150, 150, 150): red
// never above green and green never above 150, blue above red for any
// share of letter.
bool letterBlue(QRgb c) {
    return near(c, kLetters, 20);
}
// Anything bluish: the letters, whole or mixed into their edge.
bool bluish(QRgb c) {
    return qBlue(c) - qRed(c) > 60 && qBlue(c) - qGreen(c) > 40;
}
// A drop shadow multiplies the grey by black (at 75%: 150 -> 37): a neutral
// grey well below the ground. Mixed edges of the letters are far from
// neutral (spread 160 x share of letter) long before they get that dark.
bool shadowGrey(QRgb c) {
    return spread(c) <= 12 && qRed(c) < 110;
}
bool nearWhite(QRgb c) {
    return std::min({qRed(c), qGreen(c), qBlue(c)}) > 220;
}
bool black(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)}) < 60;
}
bool red(QRgb c) {
    return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
}
bool yellow(QRgb c) {
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 90;
}
// Yellow letters mixed with the grey keep red equal to green; only the
// orange inner shadow (255, 128, 64) pulls green below red.
bool orange(QRgb c) {
    return qRed(c) > 200 && qRed(c) - qGreen(c) > 40 && qBlue(c) < 100;
}
// A golden glow screened over the grey (255, 205, 51 at 85%: about
// 239, 221, 168): red far above the ground's 150 and above blue.
bool goldGlow(QRgb c) {
    return qRed(c) > 200 && qRed(c) - qBlue(c) > 40 && qBlue(c) > 120;
}
// The paler glow (255, 205, 88 at 100%: about 255, 234, 186) beside yellow
// letters, whose own blue stays near 0 wherever red is that high.
bool paleGold(QRgb c) {
    return qRed(c) > 230 && qBlue(c) > 150 && qRed(c) - qBlue(c) > 30;
}
bool cyan(QRgb c) {
    return qRed(c) < 60 && qGreen(c) > 200 && qBlue(c) > 200;
}

// The hue sectors of the rainbow's stops present among saturated pixels:
// red, yellow, green (1, 180, 57: 139 degrees), cyan (0, 234, 255: 185
// degrees), blue (0, 2, 144: 239 degrees). The letters' own blue (221
// degrees) is hidden under the rainbow.
int rainbowHues(const QImage& icon) {
    bool seen[5] = {false, false, false, false, false};
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QColor c = QColor::fromRgb(icon.pixel(x, y));
            if (spread(icon.pixel(x, y)) < 100) continue;
            const int h = c.hsvHue();
            if (h <= 15 || h >= 345) seen[0] = true;
            if (h >= 45 && h <= 70) seen[1] = true;
            if (h >= 120 && h <= 155) seen[2] = true;
            if (h >= 175 && h <= 200) seen[3] = true;
            if (h >= 230 && h <= 250) seen[4] = true;
        }
    return int(seen[0]) + int(seen[1]) + int(seen[2]) + int(seen[3]) + int(seen[4]);
}

struct EffectCase {
    int row;
    const char* name;
    std::function<void(const QImage&)> shows; // checks on the 64-pixel sample
};

void PrintTo(const EffectCase& c, std::ostream* os) {
    *os << c.row << " " << c.name;
}

const EffectCase effectCases[] = {
    {1, "light drop shadow",
     [](const QImage& i) {
         EXPECT_TRUE(anyPixel(i, letterBlue));
         EXPECT_TRUE(anyPixel(i, shadowGrey));
     }},
    {2, "black blurred hollow letters",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, bluish));
         EXPECT_TRUE(anyPixel(i, black));
     }},
    {3, "red hollow letters",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, bluish));
         EXPECT_TRUE(anyPixel(i, red));
     }},
    {4, "golden glow",
     [](const QImage& i) {
         EXPECT_TRUE(anyPixel(i, letterBlue));
         EXPECT_TRUE(anyPixel(i, goldGlow));
     }},
    {5, "white glow",
     [](const QImage& i) {
         EXPECT_TRUE(anyPixel(i, letterBlue));
         EXPECT_TRUE(anyPixel(i, nearWhite));
     }},
    {6, "golden yellow letters",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, bluish));
         EXPECT_TRUE(anyPixel(i, yellow));
         EXPECT_TRUE(anyPixel(i, orange));
     }},
    {7, "golden yellow glowing letters",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, bluish));
         EXPECT_TRUE(anyPixel(i, yellow));
         EXPECT_TRUE(anyPixel(i, paleGold));
     }},
    {8, "rainbow letters",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, letterBlue));
         EXPECT_GE(rainbowHues(i), 4);
     }},
    {9, "shadowed dark rainbow",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, letterBlue));
         EXPECT_GE(rainbowHues(i), 3);
         EXPECT_TRUE(anyPixel(i, shadowGrey));
     }},
    {10, "yellow letters with red glow",
     [](const QImage& i) {
         EXPECT_FALSE(anyPixel(i, bluish));
         EXPECT_TRUE(anyPixel(i, yellow));
         EXPECT_TRUE(anyPixel(i, red));
     }},
    {11, "white stroke",
     [](const QImage& i) {
         EXPECT_TRUE(anyPixel(i, letterBlue));
         EXPECT_TRUE(anyPixel(i, nearWhite));
     }},
    {12, "light blue stroke",
     [](const QImage& i) {
         EXPECT_TRUE(anyPixel(i, letterBlue));
         EXPECT_TRUE(anyPixel(i, cyan));
     }},
};

class TextEffectIconTest : public testing::TestWithParam<EffectCase> {};

TEST_P(TextEffectIconTest, BothSizesExistAndAreNotBlank) {
    const int row = GetParam().row;
    const QImage plain = velmo::TextEffectIcon(row);
    ASSERT_EQ(plain.size(), QSize(32, 32));
    EXPECT_EQ(plain.format(), QImage::Format_RGB32);
    EXPECT_EQ(plain.devicePixelRatio(), 1);
    for (qreal ratio : {1.5, 2.0}) {
        const QImage dense = velmo::TextEffectIcon(row, ratio);
        ASSERT_EQ(dense.size(), QSize(64, 64)) << ratio;
        EXPECT_EQ(dense.format(), QImage::Format_RGB32);
        EXPECT_EQ(dense.devicePixelRatio(), 2);
    }
    // Not one flat colour, and something far from the ground stands on it
    // (a wide glow may cover all of the ground).
    for (const QImage& icon : {plain, velmo::TextEffectIcon(row, 2)}) {
        const QRgb corner = icon.pixel(0, 0);
        EXPECT_TRUE(anyPixel(icon, [corner](QRgb c) { return !near(c, corner, 60); }));
        EXPECT_TRUE(anyPixel(icon, [](QRgb c) { return !near(c, kGround, 60); }));
    }
}

// The plain icon is the dense one averaged over 2 x 2 pixels.
TEST_P(TextEffectIconTest, PlainIconAveragesTheDenseOne) {
    const int row = GetParam().row;
    const QImage plain = velmo::TextEffectIcon(row);
    const QImage dense = velmo::TextEffectIcon(row, 2);
    ASSERT_EQ(plain.size(), QSize(32, 32));
    ASSERT_EQ(dense.size(), QSize(64, 64));
    int worst = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb a = dense.pixel(2 * x, 2 * y), b = dense.pixel(2 * x + 1, 2 * y);
            const QRgb c = dense.pixel(2 * x, 2 * y + 1), d = dense.pixel(2 * x + 1, 2 * y + 1);
            const QRgb p = plain.pixel(x, y);
            const auto mean = [&](int (*channel)(QRgb)) {
                return (channel(a) + channel(b) + channel(c) + channel(d)) / 4.0;
            };
            worst = std::max({worst, int(std::ceil(std::abs(qRed(p) - mean(qRed)))),
                              int(std::ceil(std::abs(qGreen(p) - mean(qGreen)))),
                              int(std::ceil(std::abs(qBlue(p) - mean(qBlue))))});
        }
    EXPECT_LE(worst, 1);
}

TEST_P(TextEffectIconTest, ShowsItsEffect) {
    const QImage dense = velmo::TextEffectIcon(GetParam().row, 2);
    ASSERT_EQ(dense.size(), QSize(64, 64));
    GetParam().shows(dense);
}

INSTANTIATE_TEST_SUITE_P(Rows, TextEffectIconTest, testing::ValuesIn(effectCases));

// The 32-pixel icons still carry the colours that name their effects.
TEST(TextEffectIcon, EffectColoursSurviveTheReduction) {
    EXPECT_TRUE(anyPixel(velmo::TextEffectIcon(3), red));
    EXPECT_TRUE(anyPixel(velmo::TextEffectIcon(4), goldGlow));
    EXPECT_TRUE(anyPixel(velmo::TextEffectIcon(5), nearWhite));
    EXPECT_TRUE(anyPixel(velmo::TextEffectIcon(6), yellow));
    EXPECT_GE(rainbowHues(velmo::TextEffectIcon(8)), 4);
    EXPECT_TRUE(anyPixel(velmo::TextEffectIcon(11), nearWhite));
    EXPECT_TRUE(anyPixel(velmo::TextEffectIcon(12), cyan));
}

TEST(TextEffectIcon, NoTwoRowsAlike) {
    for (qreal ratio : {1.0, 2.0})
        for (int a = 1; a <= velmo::TextEffectCount; ++a)
            for (int b = a + 1; b <= velmo::TextEffectCount; ++b)
                EXPECT_NE(velmo::TextEffectIcon(a, ratio), velmo::TextEffectIcon(b, ratio))
                    << a << " and " << b << " at " << ratio;
}

TEST(TextEffectIcon, OtherRowsGiveNoIcon) {
    for (int row : {0, 13, -1, 20001})
        for (qreal ratio : {1.0, 2.0})
            EXPECT_TRUE(velmo::TextEffectIcon(row, ratio).isNull()) << row << " at " << ratio;
}

// ---- help pages ----

TEST(HelpFolder, LiesBesideTheProgram) {
    EXPECT_EQ(velmo::HelpFolder(), QCoreApplication::applicationDirPath() + "/velmo.chm");
}

// The build copies the pages next to the program, which runs from app/;
// this test program runs from tests/ beside it.
QString builtHelpFolder() {
    return QDir(QCoreApplication::applicationDirPath() + "/../app/velmo.chm").absolutePath();
}

struct HelpPage {
    const char* path;
    const char* lang;
};

const HelpPage helpPages[] = {
    {"index.htm", "zh-CN"},       {"intext.htm", "zh-CN"},     {"big5/index.htm", "zh-TW"},
    {"big5/intext.htm", "zh-TW"}, {"english/index.htm", "en"}, {"english/intext.htm", "en"},
};

QString readUtf8(const QString& path, bool& ok) {
    QFile f(path);
    ok = f.open(QIODevice::ReadOnly);
    if (!ok) return {};
    const QByteArray bytes = f.readAll();
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(bytes);
    ok = !decode.hasError();
    return text;
}

bool hasHan(const QString& text) {
    for (QChar ch : text)
        if (ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF) return true;
    return false;
}

TEST(HelpPages, EachPageIsUtf8HtmlInItsLanguage) {
    const QDir dir(builtHelpFolder());
    for (const HelpPage& page : helpPages) {
        bool ok = false;
        const QString text = readUtf8(dir.filePath(page.path), ok);
        ASSERT_TRUE(ok) << page.path << " missing or not UTF-8 in " << qPrintable(dir.path());
        EXPECT_TRUE(text.contains(QRegularExpression(R"(<meta\s+charset="utf-8")",
                                                     QRegularExpression::CaseInsensitiveOption)))
            << page.path;
        EXPECT_TRUE(text.contains(QStringLiteral("lang=\"%1\"").arg(page.lang))) << page.path;
        EXPECT_TRUE(text.contains(QLatin1String("help.css"))) << page.path;
        // The language bar names each language in itself; the rest of the
        // page is in the page's own language.
        QString body = text;
        body.remove(
            QRegularExpression("<nav.*</nav>", QRegularExpression::DotMatchesEverythingOption));
        EXPECT_EQ(hasHan(body), QLatin1String(page.lang) != QLatin1String("en")) << page.path;
    }
}

// The pages say things with the interface's words: the Traditional pages
// never with the mainland words the interface avoids, and Chinese text puts
// full-width colons after its words.
TEST(HelpPages, ChinesePagesUseTheInterfacesWording) {
    const QDir dir(builtHelpFolder());
    const char16_t* mainland[] = {u"蒙板", u"自定義", u"單擊", u"點選",
                                  u"雙擊", u"選中",   u"列表", u"畫素"};
    for (const HelpPage& page : helpPages) {
        if (QLatin1String(page.lang) == QLatin1String("en")) continue;
        bool ok = false;
        QString text = readUtf8(dir.filePath(page.path), ok);
        ASSERT_TRUE(ok) << page.path;
        text.remove(QRegularExpression("<[^>]*>"));
        const QRegularExpression halfWidthColon(QStringLiteral(uR"([\x{4E00}-\x{9FFF}]\s*:)"));
        EXPECT_FALSE(text.contains(halfWidthColon)) << page.path;
        if (QLatin1String(page.lang) != QLatin1String("zh-TW")) continue;
        for (const char16_t* word : mainland)
            EXPECT_FALSE(text.contains(QString::fromUtf16(word)))
                << page.path << " has " << QString::fromUtf16(word).toStdString();
    }
}

// Every relative link and picture of every page leads to a file of the
// folder, so the pages, the shared style sheet and the cross links between
// the three languages hold together.
TEST(HelpPages, RelativeLinksResolve) {
    const QDir dir(builtHelpFolder());
    const QRegularExpression link(R"((?:href|src)="([^"#]+)(?:#[^"]*)?")");
    int checked = 0;
    for (const HelpPage& page : helpPages) {
        bool ok = false;
        const QString text = readUtf8(dir.filePath(page.path), ok);
        ASSERT_TRUE(ok) << page.path;
        const QDir base = QFileInfo(dir.filePath(page.path)).dir();
        for (auto it = link.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.contains(QLatin1Char(':'))) continue; // an outside address
            EXPECT_TRUE(QFileInfo::exists(base.filePath(target)))
                << page.path << " links to missing " << qPrintable(target);
            ++checked;
        }
    }
    EXPECT_GE(checked, 12); // the style sheet and two language links per page at least
}

} // namespace

// The layer style dialog's patterns repeat within the tile, so a tile moved
// by half its size is the same picture: its edges meet the next copy
// without a seam.
TEST(PatternTile, SeamlessTilesOfTheirSizes) {
    const struct {
        int Id;
        int Side;
    } tiles[] = {{31001, 128}, {31002, 128}, {31003, 16}};
    for (const auto& t : tiles) {
        SCOPED_TRACE(t.Id);
        const QImage tile = velmo::PatternTile(t.Id);
        ASSERT_EQ(tile.size(), QSize(t.Side, t.Side));
        EXPECT_EQ(tile.format(), QImage::Format_RGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < t.Side; ++y)
            for (int x = 0; x < t.Side; ++x) {
                colours.insert(tile.pixel(x, y));
                ASSERT_EQ(tile.pixel(x, y),
                          tile.pixel((x + t.Side / 2) % t.Side, (y + t.Side / 2) % t.Side))
                    << x << "," << y;
            }
        EXPECT_GE(colours.size(), 2);
    }
    for (int id : {0, 31000, 31004}) EXPECT_TRUE(velmo::PatternTile(id).isNull()) << id;
}
