#include "lxImage.h"
#include "picture_helpers.h"
#include "select/selection_raster.h"
#include "text/text_layout.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <vector>

namespace {

// A document that records the control sizes it asks for.
class Document : public TlxImage {
public:
    std::vector<QSize> sizes;

protected:
    void ResizeControl(int w, int h) override { sizes.push_back({w, h}); }
};

// A white document of w x h whose background layer is slot 0.
std::unique_ptr<Document> newDocument(int w, int h, bool fill = true) {
    auto img = std::make_unique<Document>();
    EXPECT_TRUE(img->NewImage(fill, lxRGB(255, 255, 255), 24, w, h));
    return img;
}

// Puts a layer on top at (left, top); returns its index.
int addLayer(TlxImage& img, const QImage& colour, const QImage& alpha, int left, int top) {
    EXPECT_TRUE(img.AppendLayer(colour, alpha));
    const int i = img.LayersCount - 1;
    img.Layers[size_t(i)].Left = left;
    img.Layers[size_t(i)].Top = top;
    return i;
}

int addOpaqueLayer(TlxImage& img, int w, int h, int left, int top) {
    return addLayer(img, solidBgr(w, h, {0, 0, 0}), solidGrey(w, h, 255), left, top);
}

// A coverage picture as text: '#' for 255, '.' for 0, '+' for anything between.
std::string picture(const QImage& grey) {
    std::string s;
    for (int y = 0; y < grey.height(); ++y) {
        if (y > 0) s += '\n';
        for (int x = 0; x < grey.width(); ++x) {
            const uint8_t v = greyAt(grey, x, y);
            s += v == 255 ? '#' : v == 0 ? '.' : '+';
        }
    }
    return s;
}

std::string rows(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* line : lines) {
        if (!s.empty()) s += '\n';
        s += line;
    }
    return s;
}

std::vector<std::vector<int>> levels(const QImage& grey) {
    std::vector<std::vector<int>> out(size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            out[size_t(y)].push_back(greyAt(grey, x, y));
    return out;
}

QImage greyOf(const std::vector<std::vector<int>>& values) {
    QImage g = CreateGrayBitmap(int(values[0].size()), int(values.size()));
    for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x)
            g.scanLine(y)[x] = uint8_t(values[size_t(y)][size_t(x)]);
    return g;
}

void setShape(TlxImage& img, uint8_t kind, std::vector<TlxPoint> points) {
    img.SelKind = kind;
    for (size_t i = 0; i < points.size(); ++i)
        img.ShapePoints[i] = points[i];
    img.ShapePointCount = int(points.size());
}

bool allZero(const QImage& grey) {
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            if (greyAt(grey, x, y) != 0) return false;
    return true;
}

// ---- rectangles and regions ----

struct RectCase {
    const char* name;
    uint8_t kind;
    bool smooth;
    TlxPoint p0, p1;
};

void PrintTo(const RectCase& c, std::ostream* os) {
    *os << c.name;
}

class RectangleKinds : public ::testing::TestWithParam<RectCase> {};

TEST_P(RectangleKinds, CoverFromTheSmallerCornerUpToButNotIncludingTheLarger) {
    const RectCase& c = GetParam();
    auto img = newDocument(20, 12);
    const int layer = addOpaqueLayer(*img, 8, 6, 3, 2);
    setShape(*img, c.kind, {c.p0, c.p1});
    img->CornerWidth = img->CornerHeight = 0;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, c.smooth));
    // Points (1, 1) and (5, 4) in any order: columns 1..4, rows 1..3 of the
    // layer-sized bitmap, which sits at the layer's position.
    EXPECT_EQ(img->SelLeft, 3);
    EXPECT_EQ(img->SelTop, 2);
    EXPECT_EQ(picture(img->SelBitmap),
              rows({"........", ".####...", ".####...", ".####...", "........", "........"}));
    EXPECT_EQ(img->SelKind, c.kind);
    EXPECT_FALSE(img->HasSelection); // the host sets it
}

INSTANTIATE_TEST_SUITE_P(
    Selection, RectangleKinds,
    ::testing::Values(RectCase{"rect", 0, false, {1, 1}, {5, 4}},
                      RectCase{"rectReversed", 0, false, {5, 4}, {1, 1}},
                      RectCase{"rectMixed", 0, true, {5, 1}, {1, 4}},
                      RectCase{"roundNoCorner", 1, false, {1, 1}, {5, 4}},
                      RectCase{"roundNoCornerReversed", 1, false, {5, 4}, {1, 1}},
                      RectCase{"roundNoCornerSmooth", 1, true, {1, 4}, {5, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RectangleTest, AFreeRectangleIsClippedToTheLayerNotWidened) {
    auto img = newDocument(20, 12);
    const int layer = addOpaqueLayer(*img, 4, 3, 3, 2);
    setShape(*img, 0, {{-3, 1}, {2, 9}});
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), QSize(4, 3));
    EXPECT_EQ(img->SelLeft, 3);
    EXPECT_EQ(picture(img->SelBitmap), rows({"....", "##..", "##.."}));
    EXPECT_EQ(img->ShapePoints[0], (TlxPoint{-3, 1})); // points stay in the layer's pixels
}

struct RegionCase {
    const char* name;
    uint8_t kind;
    int cornerW, cornerH;
    TlxPoint p0, p1;
    const char* expected;
};

void PrintTo(const RegionCase& c, std::ostream* os) {
    *os << c.name;
}

class RegionKinds : public ::testing::TestWithParam<RegionCase> {};

TEST_P(RegionKinds, FillPixelsWhoseCentresLieInside) {
    const RegionCase& c = GetParam();
    auto img = newDocument(20, 12);
    const int layer = addOpaqueLayer(*img, 8, 6, 0, 0);
    setShape(*img, c.kind, {c.p0, c.p1});
    img->CornerWidth = c.cornerW;
    img->CornerHeight = c.cornerH;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(picture(img->SelBitmap), c.expected);
}

// Ellipse of the box 8 x 4 at (0, 0): centre (4, 2), semi-axes 4 and 2.
//   row 0, centre y 0.5: (dx/4)² < 1 - 0.75² -> dx < 2.646: centres in
//   (1.354, 6.646) -> columns 1..6;  row 1, y 1.5: dx < 3.873 -> columns 0..7.
// Rounded rectangle 8 x 6 with a 4 x 4 corner ellipse (semi-axes 2, centre
// 2 inside each corner): row 0, dy 1.5: dx < 1.323, so the left ellipse
// reaches 0.677 -> column 0 (centre 0.5) is out; row 1, dy 0.5: dx < 1.936
// -> 0.064 -> every column. Rows 2..3 lie between the corner centres.
// Corners larger than the box are the box's ellipse.
// The 4 x 4 ellipse: row 0 as above with semi-axes 2 -> columns 1..2.
INSTANTIATE_TEST_SUITE_P(
    Selection, RegionKinds,
    ::testing::Values(RegionCase{"ellipse",
                                 2,
                                 0,
                                 0,
                                 {0, 0},
                                 {8, 4},
                                 ".######.\n########\n########\n.######.\n"
                                 "........\n........"},
                      RegionCase{"ellipseSquare",
                                 2,
                                 0,
                                 0,
                                 {5, 6},
                                 {1, 2},
                                 "........\n........\n..##....\n"
                                 ".####...\n.####...\n..##...."},
                      RegionCase{"roundRect",
                                 1,
                                 4,
                                 4,
                                 {0, 0},
                                 {8, 6},
                                 ".######.\n########\n########\n"
                                 "########\n########\n.######."},
                      RegionCase{"roundRectHugeCorners",
                                 1,
                                 100,
                                 100,
                                 {8, 4},
                                 {0, 0},
                                 ".######.\n########\n########\n.######.\n........\n........"},
                      RegionCase{"roundRectOneCornerZero",
                                 1,
                                 4,
                                 0,
                                 {0, 0},
                                 {8, 6},
                                 "########\n########\n########\n########\n########\n########"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the extension rule ----

TEST(ExtensionTest, APolygonVertexLeftOfTheLayerWidensToTheImage) {
    auto img = newDocument(12, 9);
    const int layer = addOpaqueLayer(*img, 8, 6, 3, 2);
    // In image coordinates the triangle is (1, 3), (9, 3), (9, 7).
    setShape(*img, 3, {{-2, 1}, {6, 1}, {6, 5}});
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), QSize(12, 9));
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_EQ(img->SelTop, 0);
    EXPECT_EQ(img->ShapePoints[0], (TlxPoint{1, 3}));
    EXPECT_EQ(img->ShapePoints[1], (TlxPoint{9, 3}));
    EXPECT_EQ(img->ShapePoints[2], (TlxPoint{9, 7}));
    // The long edge runs x = 1 + 2 (y - 3). Row 3 (centre 3.5): from x = 2,
    // so columns 2..8; row 4: from 4; row 5: from 6; row 6: from 8; row 7's
    // centre lies below the triangle.
    EXPECT_EQ(picture(img->SelBitmap),
              rows({"............", "............", "............", "..#######...", "....#####...",
                    "......###...", "........#...", "............", "............"}));
}

struct ExtensionCase {
    const char* name;
    uint8_t kind;
    TlxPoint p0, p1;
    bool widened;
};

void PrintTo(const ExtensionCase& c, std::ostream* os) {
    *os << c.name;
}

class ExtensionKinds : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionKinds, WidenOnlyForAPointBeyondTheBitmap) {
    const ExtensionCase& c = GetParam();
    auto img = newDocument(12, 9);
    const int layer = addOpaqueLayer(*img, 8, 6, 3, 2);
    setShape(*img, c.kind, {c.p0, c.p1, {4, 4}});
    img->CornerWidth = img->CornerHeight = 2;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), c.widened ? QSize(12, 9) : QSize(8, 6));
    EXPECT_EQ(img->SelLeft, c.widened ? 0 : 3);
    const TlxPoint moved = c.widened ? TlxPoint{c.p0.X + 3, c.p0.Y + 2} : c.p0;
    EXPECT_EQ(img->ShapePoints[0], moved);
}

INSTANTIATE_TEST_SUITE_P(
    Selection, ExtensionKinds,
    ::testing::Values(ExtensionCase{"ellipseOnTheEdges", 2, {0, 0}, {8, 6}, false},
                      ExtensionCase{"ellipseBeyondWidth", 2, {0, 0}, {9, 6}, true},
                      ExtensionCase{"roundRectAbove", 1, {1, -1}, {5, 5}, true},
                      ExtensionCase{"polygonBelow", 3, {1, 1}, {5, 7}, true},
                      ExtensionCase{"polygonInside", 3, {1, 1}, {5, 5}, false},
                      ExtensionCase{"rectangleNever", 0, {-1, -1}, {50, 50}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- polygons ----

TEST(PolygonTest, OverlapsCancelByTheEvenOddRule) {
    auto img = newDocument(8, 8);
    // Two 4 x 4 squares traced as one outline, overlapping in [2, 4)²: the
    // overlap is crossed twice and stays empty (a winding rule would fill it).
    setShape(*img, 3,
             {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    EXPECT_EQ(picture(img->SelBitmap), rows({"####....", "####....", "##..##..", "##..##..",
                                             "..####..", "..####..", "........", "........"}));
}

TEST(PolygonTest, SmoothPolygonAveragesFourByFourSubpixels) {
    auto img = newDocument(2, 2);
    // Triangle (0, 0), (2, 0), (0, 2) drawn at 4 times: (0, 0), (8, 0), (0, 8).
    // Subpixel row k (centre k + 0.5) is inside for x + 0.5 < 7.5 - k, i.e.
    // 7 - k subpixels from the left.
    //   pixel (0, 0): rows 0..3 hold 4 each in columns 0..3 -> 16 -> 255
    //   pixel (1, 0): rows 0..3 hold 3, 2, 1, 0 in columns 4..7 -> 6
    //                 -> 255 * 6 div 16 = 95
    //   pixel (0, 1): rows 4..7 hold 3, 2, 1, 0 -> 95;  pixel (1, 1): 0.
    setShape(*img, 3, {{0, 0}, {2, 0}, {0, 2}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, true));
    EXPECT_EQ(levels(img->SelBitmap), (std::vector<std::vector<int>>{{255, 95}, {95, 0}}));
    // Not smooth, only pixel (0, 0)'s centre lies inside.
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    EXPECT_EQ(levels(img->SelBitmap), (std::vector<std::vector<int>>{{255, 0}, {0, 0}}));
}

TEST(PolygonTest, PointCountsAreBounded) {
    auto img = newDocument(6, 6);
    setShape(*img, 3, {{0, 0}, {6, 0}, {6, 6}});
    img->ShapePointCount = 50000; // beyond the array: the array's 10001 points
    EXPECT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    img->ShapePointCount = -4; // no points: nothing selected
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    EXPECT_TRUE(allZero(img->SelBitmap));
}

TEST(PolygonTest, FarAwayVerticesAreDrawnWithoutOverflow) {
    auto img = newDocument(6, 4);
    // The far vertices lie on the lines x = 2 and x = 4 extended, so the
    // band between them is what the picture shows.
    setShape(*img, 3, {{2, INT_MIN}, {4, INT_MIN}, {4, INT_MAX}, {2, INT_MAX}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    EXPECT_EQ(picture(img->SelBitmap), rows({"..##..", "..##..", "..##..", "..##.."}));
}

// Even-odd test of one pixel centre, written independently of the row
// scanner: an edge counts when the centre's row lies in its half-open
// height [top, bottom) and its crossing lies at or left of the centre.
// With doubled coordinates the centre is (2x + 1, 2y + 1).
bool centreInside(const std::vector<lx::Vertex>& v, int64_t x, int64_t y) {
    bool inside = false;
    for (size_t i = 0; i < v.size(); ++i) {
        lx::Vertex a = v[i], b = v[(i + 1) % v.size()];
        if (a.Y == b.Y) continue;
        if (a.Y > b.Y) std::swap(a, b);
        if (2 * y + 1 < 2 * a.Y || 2 * y + 1 >= 2 * b.Y) continue;
        const int64_t dy = b.Y - a.Y, dx = b.X - a.X;
        // crossing = a.X + (y + 0.5 - a.Y) dx / dy <= x + 0.5, times 2 dy > 0
        if (2 * a.X * dy + (2 * y + 1 - 2 * a.Y) * dx <= (2 * x + 1) * dy) inside = !inside;
    }
    return inside;
}

std::vector<lx::Vertex> randomPolygon(std::mt19937& rng, int w, int h) {
    std::uniform_int_distribution<int> count(3, 12), xs(-6, w + 6), ys(-6, h + 6);
    std::vector<lx::Vertex> v(size_t(count(rng)));
    for (lx::Vertex& p : v)
        p = {xs(rng), ys(rng)};
    return v;
}

TEST(PolygonRasterTest, FillMatchesThePerPixelCentreTestOnRandomPolygons) {
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng(static_cast<unsigned>(n));
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
        const std::vector<lx::Vertex> v = randomPolygon(rng, w, h);
        QImage g = CreateGrayBitmap(w, h);
        lx::fillPolygon(viewOf(g), v);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                wrong += (greyAt(g, x, y) == 255) != centreInside(v, x, y);
        ASSERT_EQ(wrong, 0) << "case " << n;
    }
}

TEST(PolygonRasterTest, ReducedFillEqualsTheBigPictureAveragedOnRandomPolygons) {
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng(unsigned(1000 + n));
        const int f = 2 + n % 3;
        const int w = 1 + int(rng() % 30), h = 1 + int(rng() % 30);
        std::vector<lx::Vertex> v = randomPolygon(rng, w, h);
        for (lx::Vertex& p : v)
            p = {p.X * f + int(rng() % unsigned(f)), p.Y * f + int(rng() % unsigned(f))};
        // The plain way: draw at f times the size, average f x f blocks.
        QImage big = CreateGrayBitmap(w * f, h * f);
        lx::fillPolygon(viewOf(big), v);
        const QImage expected = lx::reduceBlocks(big, f);
        QImage fast = CreateGrayBitmap(w, h);
        lx::fillPolygonReduced(viewOf(fast), v, f);
        ASSERT_EQ(levels(fast), levels(expected)) << "case " << n << " factor " << f;
    }
}

// ---- magic wand ----

// A layer from rows of colour letters: each letter a grey-free colour.
QImage colours(std::initializer_list<const char*> lines) {
    const std::vector<const char*> r(lines);
    QImage image = solidBgr(int(strlen(r[0])), int(r.size()), {0, 0, 0});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t k = uint8_t(r[size_t(y)][x] - 'a');
            setBgr(image, x, y, {uint8_t(40 * k), uint8_t(10 + 40 * k), uint8_t(20 + 40 * k)});
        }
    return image;
}

TEST(MagicWandTest, ToleranceZeroSelectsExactlyTheConnectedArea) {
    auto img = newDocument(7, 4);
    const QImage layerColours = colours({"aabaaaa", "aabbbbb", "bbbaaaa", "aabaaaa"});
    const int layer = addLayer(*img, layerColours, solidGrey(7, 4, 255), 0, 0);
    img->SelKind = 4;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    // The 'a's at the top left; the other 'a' areas are cut off by 'b'.
    EXPECT_EQ(picture(img->SelBitmap), rows({"##.....", "##.....", ".......", "......."}));
    ASSERT_TRUE(img->MakeSelection(layer, 6, 3, 0, false));
    EXPECT_EQ(picture(img->SelBitmap), rows({".......", ".......", "...####", "...####"}));
}

TEST(MagicWandTest, ToleranceBoundsEachChannel) {
    auto img = newDocument(3, 1);
    QImage c = solidBgr(3, 1, {100, 100, 100});
    setBgr(c, 1, 0, {100, 110, 100}); // green 10 away
    setBgr(c, 2, 0, {100, 100, 100});
    const int layer = addLayer(*img, c, solidGrey(3, 1, 255), 0, 0);
    img->SelKind = 4;
    struct Case {
        int tolerance;
        const char* expected;
    };
    for (const Case& k : {Case{10, "###"}, Case{9, "#.."}, Case{0, "#.."}}) {
        ASSERT_TRUE(img->MakeSelection(layer, 0, 0, uint8_t(k.tolerance), false));
        EXPECT_EQ(picture(img->SelBitmap), k.expected) << k.tolerance;
    }
}

TEST(MagicWandTest, ResultIsWhereTheColourAreaAndTheCoverageAreaMeet) {
    auto img = newDocument(3, 3);
    // Colour matches along the top row and the right column, coverage along
    // the left column and the bottom row; both reach (2, 2), each by its own
    // path. The areas meet at (0, 0) and (2, 2), although no path that
    // matches both leads from one to the other.
    const QImage c = colours({"aaa", "bba", "bba"});
    const QImage a = greyOf({{255, 9, 9}, {255, 9, 9}, {255, 255, 255}});
    const int layer = addLayer(*img, c, a, 0, 0);
    img->SelKind = 4;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(picture(img->SelBitmap), rows({"#..", "...", "..#"}));
}

TEST(MagicWandTest, TransparentClickSelectsTheTransparentAreaUnsmoothed) {
    auto img = newDocument(5, 4);
    const QImage a = greyOf(
        {{0, 0, 255, 0, 0}, {0, 0, 255, 0, 0}, {0, 0, 0, 255, 255}, {255, 255, 255, 255, 0}});
    const int layer = addLayer(*img, colours({"abcde", "edcba", "aaaaa", "bbbbb"}), a, 0, 0);
    img->SelKind = 4;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, true));
    // Colours do not matter; the smoothing would have left partial levels.
    EXPECT_EQ(picture(img->SelBitmap), rows({"##...", "##...", "###..", "....."}));
}

TEST(MagicWandTest, EdgeSofteningRewritesNeighboursLastWriteWins) {
    auto img = newDocument(5, 5);
    QImage c = solidBgr(5, 5, {0, 0, 0});
    setBgr(c, 1, 2, {9, 9, 9});
    setBgr(c, 2, 2, {9, 9, 9});
    const int layer = addLayer(*img, c, solidGrey(5, 5, 255), 0, 0);
    img->SelKind = 4;
    ASSERT_TRUE(img->MakeSelection(layer, 1, 2, 0, true));
    // Selected: (1, 2) and (2, 2). Every write is (3 * 255 + three levels)
    // div 6: 765 / 6 = 127 with three 0s, 1020 / 6 = 170 with one 255.
    // Centre (1, 2): L, U, D, UL, DL get 127; UR (2, 1) and DR (2, 3) see
    // R = 255 -> 170. Centre (2, 2) comes later: R, UR, DR get 127; U (2, 1)
    // and D (2, 3) are written again with (765 + 0 + 0 + 0) / 6 = 127; UL
    // (1, 1) and DL (1, 3) see L = 255 -> 170, replacing 127.
    EXPECT_EQ(levels(img->SelBitmap), (std::vector<std::vector<int>>{{0, 0, 0, 0, 0},
                                                                     {127, 170, 127, 127, 0},
                                                                     {127, 255, 255, 127, 0},
                                                                     {127, 170, 127, 127, 0},
                                                                     {0, 0, 0, 0, 0}}));
}

TEST(MagicWandTest, ServingALongWindingAreaNeedsNoDeepStack) {
    // A serpentine corridor through a 1500 x 1500 layer: a fill recursing
    // pixel by pixel would go about a million calls deep.
    const int n = 1500;
    auto img = newDocument(n, n);
    QImage c = solidBgr(n, n, {0, 0, 0});
    for (int y = 1; y < n; y += 2)
        for (int x = 0; x < n; ++x)
            if (x != ((y / 2) % 2 == 0 ? n - 1 : 0)) setBgr(c, x, y, {255, 255, 255});
    const int layer = addLayer(*img, c, solidGrey(n, n, 255), 0, 0);
    img->SelKind = 4;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(greyAt(img->SelBitmap, n / 2, n - 2), 255); // the last stretch of the corridor
    EXPECT_EQ(greyAt(img->SelBitmap, 5, 1), 0);
}

TEST(MagicWandTest, AClickOutsideTheLayerIsRefused) {
    auto img = newDocument(4, 4);
    img->SelKind = 4;
    for (const auto& [x, y] : {std::pair{-1, 0}, {4, 0}, {0, 4}, {INT_MAX, INT_MIN}})
        EXPECT_FALSE(img->MakeSelection(0, x, y, 0, false)) << x << "," << y;
}

// The softening written straight from its rule table, for comparison.
void softenReference(const QImage& source, QImage& target) {
    struct Rule {
        int nx, ny;         // the neighbour written
        int ax, ay, bx, by; // one of these must not be 255
        int sx, sy, tx, ty; // added to the neighbour besides 3c
    };
    const Rule table[8] = {
        {-1, 0, 0, -1, 0, 1, -1, -1, -1, 1},  // L: U or D; L + UL + DL
        {1, 0, 0, -1, 0, 1, 1, -1, 1, 1},     // R: U or D; R + UR + DR
        {0, -1, -1, 0, 1, 0, -1, -1, 1, -1},  // U: L or R; U + UL + UR
        {0, 1, -1, 0, 1, 0, -1, 1, 1, 1},     // D: L or R; D + DL + DR
        {-1, -1, -1, 0, 0, -1, -1, 0, 0, -1}, // UL: L or U; UL + L + U
        {1, -1, 1, 0, 0, -1, 1, 0, 0, -1},    // UR: R or U; UR + R + U
        {-1, 1, -1, 0, 0, 1, -1, 0, 0, 1},    // DL: L or D; DL + L + D
        {1, 1, 1, 0, 0, 1, 1, 0, 0, 1},       // DR: R or D; DR + R + D
    };
    for (int y = 1; y + 1 < source.height(); ++y)
        for (int x = 1; x + 1 < source.width(); ++x) {
            const int c = greyAt(source, x, y);
            if (c != 255) continue;
            auto at = [&](int dx, int dy) { return int(greyAt(source, x + dx, y + dy)); };
            for (const Rule& r : table) {
                const int n = at(r.nx, r.ny);
                if (n == 255 || (at(r.ax, r.ay) == 255 && at(r.bx, r.by) == 255)) continue;
                target.scanLine(y + r.ny)[x + r.nx] =
                    uint8_t((3 * c + n + at(r.sx, r.sy) + at(r.tx, r.ty)) / 6);
            }
        }
}

TEST(MagicWandTest, SofteningEqualsTheRuleTableOnRandomSelections) {
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng(static_cast<unsigned>(n));
        const int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
        const unsigned density = 1 + rng() % 9; // out of 10
        QImage source = CreateGrayBitmap(w, h);
        if (n % 2 == 0) {
            // Mostly 0 and 255, as the wand leaves them, with a few others.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const unsigned r = rng() % 10;
                    source.scanLine(y)[x] = r < density ? 255 : r == 9 ? uint8_t(rng()) : 0;
                }
        } else {
            // Solid blocks, whose insides write nothing.
            for (unsigned k = 0; k < density; ++k) {
                const int x0 = int(rng() % unsigned(w)), y0 = int(rng() % unsigned(h));
                const int x1 = std::min(w, x0 + 1 + int(rng() % 20));
                const int y1 = std::min(h, y0 + 1 + int(rng() % 20));
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        source.scanLine(y)[x] = 255;
            }
        }
        QImage expected = source.copy();
        softenReference(source, expected);
        QImage fast = source.copy();
        lx::softenSelectionEdges(constViewOf(source), viewOf(fast));
        ASSERT_EQ(levels(fast), levels(expected)) << "case " << n;
    }
}

TEST(FloodFillTest, FillsTheSameAreaAsABreadthFirstSearchOnRandomMarks) {
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng(unsigned(5000 + n));
        const int w = 1 + int(rng() % 50), h = 1 + int(rng() % 50);
        const unsigned density = 3 + rng() % 7;
        QImage marks = CreateGrayBitmap(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                marks.scanLine(y)[x] = rng() % 10 < density ? 128 : 0;
        const int sx = int(rng() % unsigned(w)), sy = int(rng() % unsigned(h));
        QImage expected = marks.copy();
        if (greyAt(expected, sx, sy) == 128) {
            std::queue<std::pair<int, int>> queue;
            expected.scanLine(sy)[sx] = 255;
            queue.push({sx, sy});
            while (!queue.empty()) {
                const auto [x, y] = queue.front();
                queue.pop();
                for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    if (greyAt(expected, nx, ny) != 128) continue;
                    expected.scanLine(ny)[nx] = 255;
                    queue.push({nx, ny});
                }
            }
        }
        lx::floodFillMarks(viewOf(marks), sx, sy);
        ASSERT_EQ(levels(marks), levels(expected)) << "case " << n;
    }
}

TEST(MagicWandTest, ColourMarkKernelsEqualThePerPixelRuleOnRandomRows) {
    const auto kernels = lx::colourMarkRowKernels();
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng(static_cast<unsigned>(9000 + n));
        const int w = 1 + int(rng() % 200);
        const int tolerance = int(rng() % 64);
        const uint8_t ref[3] = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        std::vector<uint8_t> src(static_cast<size_t>(3 * w));
        for (size_t i = 0; i < src.size(); ++i) // near the reference, so both answers occur
            src[i] = uint8_t(ref[i % 3] + int(rng() % 97) - 48);
        uint8_t low[3], high[3];
        std::vector<uint8_t> expected(static_cast<size_t>(w));
        for (int k = 0; k < 3; ++k) {
            low[k] = uint8_t(std::max(0, ref[k] - tolerance));
            high[k] = uint8_t(std::min(255, ref[k] + tolerance));
        }
        for (int x = 0; x < w; ++x) {
            bool match = true;
            for (int k = 0; k < 3; ++k)
                match = match && std::abs(src[size_t(3 * x + k)] - ref[k]) <= tolerance;
            expected[size_t(x)] = match ? 128 : 0;
        }
        for (const auto& kernel : kernels) {
            std::vector<uint8_t> out(static_cast<size_t>(w), 7);
            kernel.Fn(src.data(), out.data(), w, low, high);
            ASSERT_EQ(out, expected) << "case " << n << " kernel " << kernel.Name;
        }
    }
}

// ---- combining and inverting ----

class CombineTest : public ::testing::Test {
protected:
    void SetUp() override {
        img = newDocument(10, 8);
        layer = addOpaqueLayer(*img, 6, 4, 2, 1);
    }
    void select(TlxPoint a, TlxPoint b) {
        setShape(*img, 0, {a, b});
        ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
        img->HasSelection = true;
    }
    std::unique_ptr<Document> img;
    int layer = 0;
};

TEST_F(CombineTest, SubtractingTheSameShapeLeavesZeros) {
    select({1, 1}, {4, 3});
    setShape(*img, 0, {{1, 1}, {4, 3}});
    ASSERT_TRUE(img->SubtractFromSelection(layer, 0, 0, 0, false));
    EXPECT_TRUE(allZero(img->SelBitmap));
    EXPECT_EQ(img->SelBitmap.size(), QSize(6, 4));
    EXPECT_EQ(img->SelLeft, 2);
    EXPECT_EQ(img->SelKind, 4);
    img->BuildSelectionOutline();
    EXPECT_FALSE(img->HasSelection); // an empty selection ends
}

TEST_F(CombineTest, SubtractTakesTheNewLevelsFromTheOld) {
    // Old levels by hand on the layer's bitmap; the new rectangle covers
    // columns 0..2 of row 0 with 255: 200 - 255 -> 0, 100 - 0 -> 100.
    img->SelBitmap = greyOf(
        {{200, 200, 200, 100, 0, 0}, {9, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}});
    img->SelLeft = 2;
    img->SelTop = 1;
    img->HasSelection = true;
    setShape(*img, 0, {{0, 0}, {3, 1}});
    ASSERT_TRUE(img->SubtractFromSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(levels(img->SelBitmap)[0], (std::vector<int>{0, 0, 0, 100, 0, 0}));
    EXPECT_EQ(levels(img->SelBitmap)[1][0], 9);
}

TEST_F(CombineTest, IntersectingDisjointRectanglesLeavesZerosAtTheImageOrigin) {
    select({0, 0}, {2, 2});
    setShape(*img, 0, {{3, 2}, {6, 4}});
    ASSERT_TRUE(img->IntersectSelection(layer, 0, 0, 0, false));
    EXPECT_TRUE(allZero(img->SelBitmap));
    EXPECT_EQ(img->SelBitmap.size(), QSize(10, 8));
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_EQ(img->SelTop, 0);
    EXPECT_EQ(img->SelKind, 4);
}

TEST_F(CombineTest, IntersectKeepsTheSmallerLevelWhereBothAreSet) {
    select({0, 0}, {4, 2}); // image columns 2..5, rows 1..2
    img->SelBitmap.scanLine(1)[3] = 90;
    setShape(*img, 0, {{3, 1}, {6, 4}}); // image columns 5..7, rows 2..4
    ASSERT_TRUE(img->IntersectSelection(layer, 0, 0, 0, false));
    // Only image pixel (5, 2) is in both, where the old level is 90.
    QImage expected = CreateGrayBitmap(10, 8);
    expected.scanLine(2)[5] = 90;
    EXPECT_EQ(levels(img->SelBitmap), levels(expected));
}

TEST_F(CombineTest, AddingTwoRectanglesGivesTheirUnion) {
    select({0, 0}, {2, 2});
    setShape(*img, 0, {{1, 1}, {4, 3}});
    ASSERT_TRUE(img->AddToSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(img->SelLeft, 2);
    EXPECT_EQ(picture(img->SelBitmap), rows({"##....", "####..", ".###..", "......"}));
    EXPECT_EQ(img->SelKind, 4);
}

TEST_F(CombineTest, AddingOnASmallerLayerGoesImageSized) {
    select({0, 0}, {6, 1}); // image row 1, columns 2..7
    const int small = addOpaqueLayer(*img, 2, 2, 8, 6);
    setShape(*img, 0, {{0, 0}, {1, 2}}); // image column 8, rows 6..7
    ASSERT_TRUE(img->AddToSelection(small, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), QSize(10, 8));
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_EQ(picture(img->SelBitmap),
              rows({"..........", "..######..", "..........", "..........", "..........",
                    "..........", "........#.", "........#."}));
}

TEST_F(CombineTest, AddCapsTheSumAt255) {
    select({0, 0}, {2, 1});
    img->SelBitmap.scanLine(0)[0] = 200;
    img->SelBitmap.scanLine(0)[1] = 30;
    img->SelBitmap.scanLine(0)[2] = 30;
    setShape(*img, 0, {{0, 0}, {2, 1}});
    ASSERT_TRUE(img->AddToSelection(layer, 0, 0, 0, false));
    // 200 + 255 -> 255, 30 + 255 -> 255, 30 + 0 -> 30.
    EXPECT_EQ(levels(img->SelBitmap)[0], (std::vector<int>{255, 255, 30, 0, 0, 0}));
}

// Two 3 x 3 squares on two 4 x 4 layers far apart, at (0, 0) and (6, 6) of
// a 10 x 10 picture: the new bitmap is as large as the old one but lies
// elsewhere, and the union spans both (their bounding box is the picture).
TEST(AddTest, ShapesFarApartAreBothKept) {
    auto img = newDocument(10, 10);
    const int first = addOpaqueLayer(*img, 4, 4, 0, 0);
    const int second = addOpaqueLayer(*img, 4, 4, 6, 6);
    setShape(*img, 0, {{0, 0}, {3, 3}});
    ASSERT_TRUE(img->MakeSelection(first, 0, 0, 0, false));
    img->HasSelection = true;
    setShape(*img, 0, {{0, 0}, {3, 3}});
    ASSERT_TRUE(img->AddToSelection(second, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), QSize(10, 10));
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_EQ(img->SelTop, 0);
    EXPECT_EQ(picture(img->SelBitmap),
              rows({"###.......", "###.......", "###.......", "..........", "..........",
                    "..........", "......###.", "......###.", "......###.", ".........."}));
    EXPECT_EQ(img->SelKind, 4);
}

// Two 4 x 4 layers at (1, 1) and (3, 2): the first fully selected (image
// columns 1..4, rows 1..4), then its columns 1..3, rows 1..2 on the second
// (image columns 4..6, rows 3..4) added. The bounding box of the two
// bitmaps is columns 1..6, rows 1..5: 6 x 5 at (1, 1).
TEST(AddTest, PartlyOverlappingBitmapsGiveTheirBoundingBox) {
    auto img = newDocument(10, 10);
    const int first = addOpaqueLayer(*img, 4, 4, 1, 1);
    const int second = addOpaqueLayer(*img, 4, 4, 3, 2);
    setShape(*img, 0, {{0, 0}, {4, 4}});
    ASSERT_TRUE(img->MakeSelection(first, 0, 0, 0, false));
    img->HasSelection = true;
    setShape(*img, 0, {{1, 1}, {4, 3}});
    ASSERT_TRUE(img->AddToSelection(second, 0, 0, 0, false));
    EXPECT_EQ(img->SelLeft, 1);
    EXPECT_EQ(img->SelTop, 1);
    EXPECT_EQ(picture(img->SelBitmap), rows({"####..", "####..", "######", "######", "......"}));
}

// The new shape is the smooth 4 x 4 ellipse on a 4 x 4 layer, rows
// [0 59 59 0], [59 255 255 59], ... (worked in the smooth shape tests). Each
// pixel keeps the larger of the two levels: (0, 0) 30 over 0 -> 30,
// (0, 1) 100 over 59 -> 100, (1, 0) 20 under 59 -> 59, (1, 1) -> 255.
TEST(AddTest, EachPixelKeepsTheLargerLevel) {
    auto img = newDocument(10, 10);
    const int layer = addOpaqueLayer(*img, 4, 4, 3, 3);
    img->SelBitmap = greyOf({{30, 20, 0, 0}, {100, 200, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}});
    img->SelLeft = 3;
    img->SelTop = 3;
    img->HasSelection = true;
    setShape(*img, 2, {{0, 0}, {4, 4}});
    ASSERT_TRUE(img->AddToSelection(layer, 0, 0, 0, true));
    EXPECT_EQ(img->SelLeft, 3);
    EXPECT_EQ(levels(img->SelBitmap),
              (std::vector<std::vector<int>>{
                  {30, 59, 59, 0}, {100, 255, 255, 59}, {59, 255, 255, 59}, {0, 59, 59, 0}}));
}

// Subtracting a shape on another layer: the fixture's layer (image columns
// 2..7, rows 1..4) fully selected, a 4 x 4 layer at (5, 3) fully taken away
// (image columns 5..8, rows 3..6). Old minus new over the old bitmap only:
// nothing is added where only the new shape lies.
TEST_F(CombineTest, SubtractingAPartlyOverlappingShapeKeepsTheRestOfTheOld) {
    select({0, 0}, {6, 4});
    const int other = addOpaqueLayer(*img, 4, 4, 5, 3);
    setShape(*img, 0, {{0, 0}, {4, 4}});
    ASSERT_TRUE(img->SubtractFromSelection(other, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), QSize(6, 4));
    EXPECT_EQ(img->SelLeft, 2);
    EXPECT_EQ(img->SelTop, 1);
    EXPECT_EQ(picture(img->SelBitmap), rows({"######", "######", "###...", "###..."}));
    // A shape that misses the old selection takes nothing away.
    const int far = addOpaqueLayer(*img, 2, 2, 8, 6);
    setShape(*img, 0, {{0, 0}, {2, 2}});
    ASSERT_TRUE(img->SubtractFromSelection(far, 0, 0, 0, false));
    EXPECT_EQ(picture(img->SelBitmap), rows({"######", "######", "###...", "###..."}));
}

// A 6 x 4 layer at (-2, -1) reaches out of the 10 x 8 picture. Its columns
// 0..3, rows 0..1 (image -2..1, -1..0) intersected with its columns 1..4,
// rows 0..2 (image -1..2, -1..1) leave image columns -1..1, rows -1..0. The
// result covers the picture and the bitmaps' common part: 12 x 9 at (-2, -1).
TEST(IntersectTest, CommonPixelsOutsideThePictureAreKept) {
    auto img = newDocument(10, 8);
    const int layer = addOpaqueLayer(*img, 6, 4, -2, -1);
    setShape(*img, 0, {{0, 0}, {4, 2}});
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    img->HasSelection = true;
    setShape(*img, 0, {{1, 0}, {5, 3}});
    ASSERT_TRUE(img->IntersectSelection(layer, 0, 0, 0, false));
    EXPECT_EQ(img->SelBitmap.size(), QSize(12, 9));
    EXPECT_EQ(img->SelLeft, -2);
    EXPECT_EQ(img->SelTop, -1);
    QImage expected = CreateGrayBitmap(12, 9);
    for (int y = 0; y < 2; ++y)
        for (int x = 1; x < 4; ++x)
            expected.scanLine(y)[x] = 255;
    EXPECT_EQ(levels(img->SelBitmap), levels(expected));
}

TEST_F(CombineTest, WithoutASelectionEachCombinerBuildsAFreshOne) {
    using Combiner = bool (TlxImage::*)(int, int, int, uint8_t, bool);
    for (const Combiner op : {&TlxImage::AddToSelection, &TlxImage::SubtractFromSelection,
                              &TlxImage::IntersectSelection}) {
        img->HasSelection = false;
        setShape(*img, 0, {{1, 1}, {3, 2}});
        ASSERT_TRUE(((*img).*op)(layer, 0, 0, 0, false));
        EXPECT_EQ(picture(img->SelBitmap), rows({"......", ".##...", "......", "......"}));
        EXPECT_EQ(img->SelKind, 0);
    }
}

TEST_F(CombineTest, InvertingInsideTheImageMakesItImageSized) {
    select({1, 1}, {3, 2}); // image pixels (3, 2) and (4, 2)
    ASSERT_TRUE(img->InvertSelection(layer));
    EXPECT_EQ(img->SelBitmap.size(), QSize(10, 8));
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_EQ(img->SelKind, 4);
    EXPECT_EQ(picture(img->SelBitmap),
              rows({"##########", "##########", "###..#####", "##########", "##########",
                    "##########", "##########", "##########"}));
}

TEST(InvertTest, ReachingOutOfTheImageRebuildsTheShapeOnTheLayer) {
    auto img = newDocument(10, 8);
    const int outer = addOpaqueLayer(*img, 6, 4, -2, -1);
    const int inner = addOpaqueLayer(*img, 4, 4, 1, 1);
    // A polygon on the outer layer covering image columns 0..2, rows 0..1.
    setShape(*img, 3, {{2, 1}, {5, 1}, {5, 3}, {2, 3}});
    ASSERT_TRUE(img->MakeSelection(outer, 0, 0, 0, false));
    img->HasSelection = true;
    ASSERT_EQ(img->SelLeft, -2);
    ASSERT_TRUE(img->InvertSelection(inner));
    // Moved onto the inner layer the points are (-1, -1) .. (2, 1): outside
    // it, so drawn on the image, then placed on the layer's 4 x 4 at (1, 1):
    // columns 0..1 of row 0 were selected and now are not.
    EXPECT_EQ(img->SelBitmap.size(), QSize(4, 4));
    EXPECT_EQ(img->SelLeft, 1);
    EXPECT_EQ(img->SelTop, 1);
    EXPECT_EQ(picture(img->SelBitmap), rows({"..##", "####", "####", "####"}));
    EXPECT_EQ(img->SelKind, 4);
}

TEST(InvertTest, ASelectionOnTheLayerItselfIsInvertedInPlace) {
    auto img = newDocument(10, 8);
    const int outer = addOpaqueLayer(*img, 6, 4, -2, -1);
    setShape(*img, 0, {{0, 0}, {2, 1}});
    ASSERT_TRUE(img->MakeSelection(outer, 0, 0, 0, false));
    img->HasSelection = true;
    ASSERT_TRUE(img->InvertSelection(outer));
    EXPECT_EQ(img->SelLeft, -2);
    EXPECT_EQ(picture(img->SelBitmap), rows({"..####", "######", "######", "######"}));
}

TEST(InvertTest, WithoutASelectionNothingIsInverted) {
    auto img = newDocument(4, 4);
    EXPECT_FALSE(img->InvertSelection(0));
    EXPECT_FALSE(img->EraseSelection(0));
}

// ---- erasing ----

TEST(EraseTest, CoverageShrinksByTheSelectedShare) {
    auto img = newDocument(10, 4);
    const int layer = addLayer(*img, solidBgr(4, 2, {1, 2, 3}),
                               greyOf({{255, 100, 255, 255}, {100, 255, 80, 255}}), 3, 1);
    // The selection sits one column right of the layer, so the layer's
    // column 0 lies outside it.
    img->SelBitmap = greyOf({{128, 128, 255, 0}, {0, 255, 7, 9}});
    img->SelLeft = 4;
    img->SelTop = 1;
    img->HasSelection = true;
    ASSERT_TRUE(img->EraseSelection(layer));
    // s = 128: 255 -> N((1 - 128/255) * 255) = N(127.0) = 127;
    //          100 -> N(0.49804 * 100) = N(49.80) = 50.
    // s = 255: 255 and 80 -> 0;  s = 0: unchanged;
    // s = 7: 255 -> N(248/255 * 255) = 248.
    EXPECT_EQ(levels(img->Layers[size_t(layer)].Alpha),
              (std::vector<std::vector<int>>{{255, 50, 127, 0}, {100, 255, 0, 248}}));
    EXPECT_TRUE(img->CanReDraw);
}

TEST(EraseTest, FormulasEqualTheirRealArithmeticForEveryInput) {
    for (int s = 0; s < 256; ++s)
        for (int a = 0; a < 256; ++a) {
            const double c = s / 255.0;
            ASSERT_EQ(lx::erasedCoverage(uint8_t(s), uint8_t(a)), RoundEven((1 - c) * a))
                << s << " " << a;
            ASSERT_EQ(lx::croppedCoverage(uint8_t(s), uint8_t(a)), RoundEven(a * c))
                << s << " " << a;
        }
}

TEST(CropTest, ChannelFormulaEqualsItsRealArithmeticForEveryInput) {
    int wrong = 0;
    for (int s = 0; s < 256; ++s) {
        const double c = s / 255.0;
        for (int ch = 0; ch < 256; ++ch)
            for (int back = 0; back < 256; ++back)
                wrong += lx::croppedChannel(uint8_t(s), uint8_t(ch), uint8_t(back)) !=
                         RoundEven(ch * c + (1 - c) * back);
    }
    EXPECT_EQ(wrong, 0);
}

// ---- bounds ----

struct BoundsCase {
    const char* name;
    std::vector<std::vector<int>> levels;
    TlxPoint max, min;
};

void PrintTo(const BoundsCase& c, std::ostream* os) {
    *os << c.name;
}

class SelectionBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(SelectionBounds, CoverEveryNonZeroPixel) {
    const BoundsCase& c = GetParam();
    auto img = newDocument(4, 4);
    img->SelBitmap = greyOf(c.levels);
    TlxPoint maxPoint{-1, -1}, minPoint{-1, -1};
    img->GetSelectionBounds(0, maxPoint, minPoint);
    EXPECT_EQ(maxPoint, c.max);
    EXPECT_EQ(minPoint, c.min);
}

INSTANTIATE_TEST_SUITE_P(
    Selection, SelectionBounds,
    ::testing::Values(
        BoundsCase{"single",
                   {{0, 0, 0, 0, 0}, {0, 0, 255, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
                   {2, 1},
                   {2, 1}},
        // A low level counts too, where the outline would want 128.
        BoundsCase{"low", {{0, 0, 0}, {0, 0, 0}, {0, 40, 0}}, {1, 2}, {1, 2}},
        // Everything set: the whole bitmap, last row and column included.
        BoundsCase{"full",
                   {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
                   {2, 3},
                   {0, 0}},
        BoundsCase{"fullShort",
                   {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}},
                   {3, 2},
                   {0, 0}},
        // Nothing set: the starting values.
        BoundsCase{"empty", {{0, 0, 0}, {0, 0, 0}}, {0, 0}, {3, 2}},
        // (2, 1) in the last column and (1, 2) in the last row.
        BoundsCase{"lastRowAndColumn", {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}}, {2, 2}, {1, 1}},
        BoundsCase{
            "lowLastColumn", {{0, 0, 0}, {0, 50, 60}, {0, 70, 80}, {0, 0, 0}}, {2, 2}, {1, 1}},
        // The bottom-right pixel alone.
        BoundsCase{"lastCorner", {{0, 0, 0}, {0, 0, 0}, {0, 0, 1}}, {2, 2}, {2, 2}},
        // Bitmaps one row or one column high or wide.
        BoundsCase{"oneRow", {{0, 9, 0, 7}}, {3, 0}, {1, 0}},
        BoundsCase{"oneColumn", {{0}, {0}, {5}, {0}}, {0, 2}, {0, 2}},
        // The widest row is not the first one found.
        BoundsCase{"rowsDiffer",
                   {{0, 0, 3, 0}, {0, 1, 0, 0}, {0, 0, 0, 2}, {0, 0, 0, 0}},
                   {3, 2},
                   {1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- cropping ----

TEST(CropTest, KeepsCoveredPartsMovesThemAndHidesLayersOutside) {
    auto img = newDocument(20, 12, false);
    img->BackColor = lxRGB(30, 40, 50);
    const int partly = addLayer(*img, solidBgr(6, 4, {200, 100, 0}), solidGrey(6, 4, 255), 10, 6);
    const int outside = addOpaqueLayer(*img, 3, 3, 0, 0);
    // Selected: image rectangle [5, 13) x [3, 9), with two inner pixels
    // changed: (11, 7) unselected, (12, 6) at 128.
    QImage sel = CreateGrayBitmap(20, 12);
    for (int y = 3; y < 9; ++y)
        for (int x = 5; x < 13; ++x)
            sel.scanLine(y)[x] = 255;
    sel.scanLine(7)[11] = 0;
    sel.scanLine(6)[12] = 128;
    img->SelBitmap = sel;
    img->HasSelection = true;
    img->ZoomValue = 2;
    img->CropToSelection();

    EXPECT_EQ(img->ImageWidth, 8);
    EXPECT_EQ(img->ImageHeight, 6);
    EXPECT_EQ(img->ShowBmp.size(), QSize(8, 6));
    EXPECT_EQ(img->BackBmp.size(), QSize(8, 6));
    EXPECT_EQ(greyAt(img->BackBmp, 0, 0), 192); // the checkerboard drawn again
    EXPECT_EQ(img->SelLeft, -5);
    EXPECT_EQ(img->SelTop, -3);
    EXPECT_DOUBLE_EQ(img->ZoomValue, 1.0);
    ASSERT_FALSE(img->sizes.empty());
    EXPECT_EQ(img->sizes.back(), QSize(8, 6));

    // The partly covered layer keeps its columns 0..2 and rows 0..2 (image
    // 10..12, 6..8) and moves to (10 - 5, 6 - 3).
    const TlxLayer& kept = img->Layers[size_t(partly)];
    EXPECT_EQ(kept.Bitmap.size(), QSize(3, 3));
    EXPECT_EQ(kept.Left, 5);
    EXPECT_EQ(kept.Top, 3);
    EXPECT_EQ(kept.Visible, true);
    EXPECT_EQ(bgrAt(kept.Bitmap, 0, 0), (Bgr{200, 100, 0}));
    EXPECT_EQ(greyAt(kept.Alpha, 0, 0), 255);
    // Image (11, 7) -> layer (1, 1): no coverage, the background colour.
    EXPECT_EQ(greyAt(kept.Alpha, 1, 1), 0);
    EXPECT_EQ(bgrAt(kept.Bitmap, 1, 1), (Bgr{50, 40, 30}));
    // Image (12, 6) -> layer (2, 0), c = 128/255: coverage 255 -> 128;
    // blue 200 -> N((200 * 128 + 50 * 127) / 255) = N(125.29) = 125,
    // green 100 -> N((12800 + 5080) / 255) = N(70.12) = 70,
    // red 0 -> N(30 * 127 / 255) = N(14.94) = 15.
    EXPECT_EQ(greyAt(kept.Alpha, 2, 0), 128);
    EXPECT_EQ(bgrAt(kept.Bitmap, 2, 0), (Bgr{125, 70, 15}));

    EXPECT_EQ(img->Layers[size_t(outside)].State, 99);
    EXPECT_FALSE(img->Layers[size_t(outside)].Visible);
    // The background layer is cut to the box as well.
    EXPECT_EQ(img->Layers[0].Bitmap.size(), QSize(8, 6));
    EXPECT_EQ(img->Layers[0].State, 0);
    EXPECT_TRUE(img->CanReDraw);
}

// A 10 x 10 picture with its image columns 6..9, rows 8..9 selected: the
// bounds are (6, 8) .. (9, 9), so the crop is 4 x 2 and keeps the picture's
// last column, whose pixel (9, 8) carries a colour of its own.
TEST(CropTest, ASelectionTouchingTheLastColumnKeepsIt) {
    auto img = newDocument(10, 10);
    QImage colour = solidBgr(10, 10, {0, 0, 0});
    setBgr(colour, 9, 8, {7, 8, 9});
    const int layer = addLayer(*img, colour, solidGrey(10, 10, 255), 0, 0);
    setShape(*img, 0, {{6, 8}, {10, 10}});
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    img->HasSelection = true;
    TlxPoint maxPoint, minPoint;
    img->GetSelectionBounds(layer, maxPoint, minPoint);
    EXPECT_EQ(maxPoint, (TlxPoint{9, 9}));
    EXPECT_EQ(minPoint, (TlxPoint{6, 8}));
    img->CropToSelection();
    EXPECT_EQ(img->ImageWidth, 4);
    EXPECT_EQ(img->ImageHeight, 2);
    const TlxLayer& kept = img->Layers[size_t(layer)];
    ASSERT_EQ(kept.Bitmap.size(), QSize(4, 2));
    EXPECT_EQ(bgrAt(kept.Bitmap, 3, 0), (Bgr{7, 8, 9}));
    EXPECT_EQ(greyAt(kept.Alpha, 3, 0), 255);
    EXPECT_EQ(greyAt(kept.Alpha, 3, 1), 255);
}

TEST(CropTest, CutsTheMaskWithTheLayer) {
    auto img = newDocument(10, 10);
    const int layer = addOpaqueLayer(*img, 4, 4, 2, 2);
    QImage mask = solidBgr(4, 4, {0, 0, 0});
    setBgr(mask, 1, 1, {7, 8, 9});
    ASSERT_TRUE(img->SetLayerMaskPicture(layer, mask));
    const Bgr kept = bgrAt(img->Layers[size_t(layer)].Mask, 1, 1);
    setShape(*img, 0, {{1, 1}, {3, 3}});
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, false));
    img->HasSelection = true;
    img->CropToSelection();
    const TlxLayer& l = img->Layers[size_t(layer)];
    EXPECT_EQ(l.Mask.size(), QSize(2, 2));
    EXPECT_EQ(bgrAt(l.Mask, 0, 0), kept);
    EXPECT_EQ(l.Left, 0);
}

TEST(CropTest, WithoutSelectedPixelsNothingHappens) {
    auto img = newDocument(6, 6);
    img->SelBitmap = CreateGrayBitmap(6, 6);
    img->HasSelection = true;
    img->CropToSelection();
    EXPECT_EQ(img->ImageWidth, 6);
    img->HasSelection = false;
    img->SelBitmap.fill(255);
    img->CropToSelection();
    EXPECT_EQ(img->ImageWidth, 6);
}

// ---- smooth shapes ----

struct SmoothBoxCase {
    const char* name;
    uint8_t kind;
    int cornerW, cornerH;
};

void PrintTo(const SmoothBoxCase& c, std::ostream* os) {
    *os << c.name;
}

class SmoothBoxes : public ::testing::TestWithParam<SmoothBoxCase> {};

TEST_P(SmoothBoxes, AreDrawnAtTheBoxSizeAndPlacedAtItsTopLeftCorner) {
    const SmoothBoxCase& c = GetParam();
    auto img = newDocument(20, 12);
    const int layer = addOpaqueLayer(*img, 20, 12, 0, 0);
    // Corners in reverse: the box is 12 x 8 with its top left at (3, 2).
    setShape(*img, c.kind, {{15, 10}, {3, 2}});
    img->CornerWidth = c.cornerW;
    img->CornerHeight = c.cornerH;
    ASSERT_TRUE(img->MakeSelection(layer, 0, 0, 0, true));
    QImage box = CreateGrayBitmap(12, 8);
    if (c.kind == 2)
        TlxImage::DrawSmoothEllipse(box);
    else
        TlxImage::DrawSmoothRoundRect(c.cornerW, c.cornerH, box);
    ASSERT_EQ(greyAt(box, 6, 4), 255); // the shape is drawn at all
    QImage expected = CreateGrayBitmap(20, 12);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            expected.scanLine(y + 2)[x + 3] = greyAt(box, x, y);
    EXPECT_EQ(levels(img->SelBitmap), levels(expected));
}

INSTANTIATE_TEST_SUITE_P(Selection, SmoothBoxes,
                         ::testing::Values(SmoothBoxCase{"ellipse", 2, 0, 0},
                                           SmoothBoxCase{"roundRect", 1, 6, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SmoothPolygonTest, LargeBitmapsGetTheAntialiasedOutlineAdded) {
    // 2200 x 2100 = 4620000 pixels, above 4500000: no supersampling.
    auto img = newDocument(2200, 2100);
    setShape(*img, 3, {{10, 10}, {30, 10}, {30, 20}, {10, 20}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, true));
    const QImage& sel = img->SelBitmap;
    // The fill covers columns 10..29, rows 10..19. The outline, edge by edge:
    //  (10,10)-(30,10): ends at columns 10 and 30 weigh 1 - Frac(10.5) = 0.5
    //   -> N(127.5) = 128; columns 11..29 of row 10 get 255, row 11 gets 0.
    //  (30,10)-(30,20): steep, rows 10 and 20 at 128, rows 11..19 of column
    //   30 at 255, column 31 at 0.
    //  (30,20)-(10,20): drawn from (10, 20): row 20 like row 10.
    //  (10,20)-(10,10): column 10 like column 30, and column 11 gets 0 in
    //   rows 10..20, (11, 20) included.
    // Every vertex pixel already holds 128. Added to the fill, capped at 255:
    EXPECT_EQ(greyAt(sel, 20, 15), 255);
    EXPECT_EQ(greyAt(sel, 11, 10), 255); // 255 + 0
    EXPECT_EQ(greyAt(sel, 30, 15), 255); // outside the fill, on the outline
    EXPECT_EQ(greyAt(sel, 30, 10), 128);
    EXPECT_EQ(greyAt(sel, 30, 20), 128);
    EXPECT_EQ(greyAt(sel, 10, 20), 128);
    EXPECT_EQ(greyAt(sel, 11, 20), 0);
    EXPECT_EQ(greyAt(sel, 12, 20), 255);
    EXPECT_EQ(greyAt(sel, 31, 15), 0);
    EXPECT_EQ(greyAt(sel, 20, 21), 0);
    EXPECT_EQ(greyAt(sel, 9, 15), 0);
    EXPECT_EQ(greyAt(sel, 20, 9), 0);
}

// ---- smooth curves through a stand-in plug-in ----

std::vector<TlxPoint> lastCurveInput;

// The control points themselves, as the polyline.
void curveThroughPoints(const TlxPoint* in, int32_t count, TlxPoint* out, int32_t maxOut,
                        int32_t* outCount) {
    lastCurveInput.assign(in, in + count);
    const int32_t n = std::min(count, maxOut);
    std::copy(in, in + n, out);
    *outCount = n;
}

TEST(CurveTest, PlainCurveFillsThePluginsPolyline) {
    auto img = newDocument(2, 2);
    img->CurvePoints = &curveThroughPoints;
    setShape(*img, 5, {{0, 0}, {2, 0}, {0, 2}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    EXPECT_EQ(lastCurveInput, (std::vector<TlxPoint>{{0, 0}, {2, 0}, {0, 2}}));
    EXPECT_EQ(levels(img->SelBitmap), (std::vector<std::vector<int>>{{255, 0}, {0, 0}}));
    // Smooth: the points go out 4 times larger and the polyline is averaged
    // back as the smooth polygon is (255, 95 / 95, 0, worked out there).
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, true));
    EXPECT_EQ(lastCurveInput, (std::vector<TlxPoint>{{0, 0}, {8, 0}, {0, 8}}));
    EXPECT_EQ(levels(img->SelBitmap), (std::vector<std::vector<int>>{{255, 95}, {95, 0}}));
}

struct CurveFactorCase {
    int w, h, factor;
};

void PrintTo(const CurveFactorCase& c, std::ostream* os) {
    *os << c.w << " x " << c.h;
}

class CurveFactors : public ::testing::TestWithParam<CurveFactorCase> {};

TEST_P(CurveFactors, ShrinkAsTheBitmapGrowsAndRepeatedPointsAreMovedApart) {
    const CurveFactorCase& c = GetParam();
    auto img = newDocument(c.w, c.h);
    img->CurvePoints = &curveThroughPoints;
    setShape(*img, 5, {{1, 1}, {1, 1}, {5, 1}, {5, 5}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, true));
    // The second (1, 1) repeats the first and becomes (2, 2) before scaling;
    // without supersampling the points go out as they are.
    const int f = c.factor;
    const TlxPoint second = f > 1 ? TlxPoint{2 * f, 2 * f} : TlxPoint{1, 1};
    EXPECT_EQ(lastCurveInput, (std::vector<TlxPoint>{{f, f}, second, {5 * f, f}, {5 * f, 5 * f}}));
}

// 4 up to 3000000 pixels, 3 above, 2 from 6160001 (2482² = 6160324); a
// bitmap 20000 wide cannot be enlarged within the side limit of 30000 at
// any factor and is filled plainly.
INSTANTIATE_TEST_SUITE_P(Selection, CurveFactors,
                         ::testing::Values(CurveFactorCase{2000, 1500, 4},
                                           CurveFactorCase{3000, 1001, 3},
                                           CurveFactorCase{2482, 2482, 2},
                                           CurveFactorCase{20000, 1, 1}));

TEST(CurveTest, WithoutAnEntryTheBuildLoadsThePluginBesideTheProgram) {
    // The build copies the plug-in beside the test programs; the case of a
    // missing plug-in is covered with the loader's own tests.
    auto img = newDocument(4, 4);
    std::vector<QString> messages;
    img->OnCallMessageBox = [&](TlxImage*, const QString& text, uint32_t) {
        messages.push_back(text);
        return 0;
    };
    img->CurvePoints = nullptr;
    setShape(*img, 5, {{0, 0}, {3, 0}, {0, 3}});
    EXPECT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(img->CurvePoints, nullptr);
    EXPECT_EQ(greyAt(img->SelBitmap, 0, 0), 255);
}

// ---- refusals ----

TEST(RefusalTest, BadIndicesAreRefusedAndTheSelectionIsKept) {
    auto img = newDocument(5, 4);
    setShape(*img, 0, {{1, 1}, {3, 2}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, true));
    img->HasSelection = true;
    const std::string before = picture(img->SelBitmap);
    using Builder = bool (TlxImage::*)(int, int, int, uint8_t, bool);
    for (const int index : {-1, 1, TlxImage::MaxLayers, INT_MIN, INT_MAX}) {
        for (const Builder op : {&TlxImage::MakeSelection, &TlxImage::AddToSelection,
                                 &TlxImage::SubtractFromSelection, &TlxImage::IntersectSelection})
            EXPECT_FALSE(((*img).*op)(index, 0, 0, 0, false)) << index;
        EXPECT_FALSE(img->InvertSelection(index)) << index;
        EXPECT_FALSE(img->EraseSelection(index)) << index;
    }
    EXPECT_EQ(picture(img->SelBitmap), before);
    EXPECT_TRUE(img->SmoothEdges);
    img->LayersCount = 1000; // beyond the slots: still only the slots that exist
    EXPECT_FALSE(img->MakeSelection(300, 0, 0, 0, false));
}

TEST(RefusalTest, FailedBuildsKeepTheSelection) {
    auto img = newDocument(12, 8);
    setShape(*img, 0, {{1, 1}, {3, 2}});
    ASSERT_TRUE(img->MakeSelection(0, 0, 0, 0, false));
    img->HasSelection = true;
    const std::string before = picture(img->SelBitmap);

    img->SelKind = 4; // a wand click outside the layer
    EXPECT_FALSE(img->MakeSelection(0, 40, 0, 0, true));
    EXPECT_FALSE(img->AddToSelection(0, 40, 0, 0, true));
    img->SelKind = 6; // no such kind
    EXPECT_FALSE(img->MakeSelection(0, 0, 0, 0, true));
    // A widened polygon on an image too large for any picture.
    setShape(*img, 3, {{-1, 0}, {5, 0}, {5, 5}});
    img->ImageWidth = 40000;
    EXPECT_FALSE(img->MakeSelection(0, 0, 0, 0, true));
    EXPECT_FALSE(img->IntersectSelection(0, 0, 0, 0, true));
    EXPECT_EQ(img->ShapePoints[0], (TlxPoint{-1, 0})); // not moved either
    // A layer wider than any picture may be.
    img->ImageWidth = 12;
    img->Layers[0].Bitmap = QImage(TlxImage::MaxPictureSide + 1, 1, QImage::Format_BGR888);
    img->SelKind = 0;
    EXPECT_FALSE(img->MakeSelection(0, 0, 0, 0, true));

    EXPECT_EQ(picture(img->SelBitmap), before);
    EXPECT_EQ(img->SelLeft, 0);
    EXPECT_FALSE(img->SmoothEdges);
}

} // namespace
