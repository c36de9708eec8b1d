#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace {

// Records the control sizes the document asks for.
class SizedDocument : public TlxImage {
public:
    std::vector<QSize> sizes;

protected:
    void ResizeControl(int w, int h) override { sizes.push_back({w, h}); }
};

TEST(ZoomTest, ConversionsAtTwoAndAtOneHalf) {
    auto img = std::make_unique<TlxImage>();
    struct Case {
        double zoom;
        int screen, imageOfScreen, image, screenOfImage;
    };
    // ScreenToImage(v) = trunc(v / zoom + 0.5); ImageToScreen(v) = trunc(v * zoom + 0.5).
    const Case cases[] = {
        {2.0, 5, 3, 3, 6},     // 5 / 2 + 0.5 = 3.0; 3 * 2 + 0.5 = 6.5 -> 6
        {0.5, 5, 10, 3, 2},    // 5 / 0.5 + 0.5 = 10.5 -> 10; 3 * 0.5 + 0.5 = 2.0
        {2.0, -5, -2, -3, -5}, // -2.5 + 0.5 = -2.0; -6 + 0.5 = -5.5 -> -5 (towards zero)
        {1.0, 7, 7, 9, 9},     // unchanged at zoom 1
    };
    for (const Case& c : cases) {
        img->ZoomValue = c.zoom;
        EXPECT_EQ(img->ScreenToImage(c.screen), c.imageOfScreen) << c.zoom << " " << c.screen;
        EXPECT_EQ(img->ImageToScreen(c.image), c.screenOfImage) << c.zoom << " " << c.image;
    }
}

TEST(ZoomTest, ConversionsSaturateInsteadOfOverflowing) {
    auto img = std::make_unique<TlxImage>();
    img->ZoomValue = 0.005;
    EXPECT_EQ(img->ScreenToImage(INT32_MAX), INT32_MAX);
    EXPECT_EQ(img->ScreenToImage(INT32_MIN), INT32_MIN);
    img->ZoomValue = 1000;
    EXPECT_EQ(img->ImageToScreen(INT32_MAX), INT32_MAX);
    img->ZoomValue = 0; // before ApplyZoom mends it
    EXPECT_EQ(img->ScreenToImage(5), INT32_MAX);
    EXPECT_EQ(img->ImageToScreen(5), 0);
    img->ZoomValue = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(img->ScreenToImage(5), 0);
    img->ApplyZoom();
    EXPECT_DOUBLE_EQ(img->ZoomValue, 0.005);
}

TEST(ZoomTest, ApplyZoomKeepsAMinimumAndSizesTheControl) {
    auto img = std::make_unique<SizedDocument>();
    ASSERT_TRUE(img->NewImage(true, 0, 24, 101, 51));
    ASSERT_EQ(img->sizes.size(), 1u);
    EXPECT_EQ(img->sizes.back(), QSize(101, 51));

    img->ZoomValue = 0;
    EXPECT_TRUE(img->ApplyZoom());
    EXPECT_DOUBLE_EQ(img->ZoomValue, 0.005);
    EXPECT_EQ(img->sizes.back(), QSize(1, 0)); // 0.505 -> 1, 0.255 -> 0

    // 50.5 and 25.5 go to the even neighbours 50 and 26.
    img->ZoomValue = 0.5;
    EXPECT_TRUE(img->ApplyZoom());
    EXPECT_EQ(img->sizes.back(), QSize(50, 26));

    img->AutoSize = false;
    img->ZoomValue = 2;
    EXPECT_TRUE(img->ApplyZoom());
    EXPECT_EQ(img->sizes.size(), 3u);
}

class OutlineTest : public ::testing::Test {
protected:
    void SetUp() override { img = std::make_unique<TlxImage>(); }

    void select(const QImage& selection) {
        img->SelBitmap = selection;
        img->HasSelection = true;
    }

    std::vector<TlxPoint> points() const {
        return {img->OutlinePoints.begin(), img->OutlinePoints.begin() + img->OutlineCount};
    }

    std::unique_ptr<TlxImage> img;
};

TEST_F(OutlineTest, FullSelectionTracesOnlyTheBorder) {
    select(solidGrey(4, 4, 255));
    ASSERT_TRUE(img->BuildSelectionOutline());
    // Row 0 adds its top points, row 2 (the last window row) its bottom
    // points; in between only the left and right columns add points.
    const std::vector<TlxPoint> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 1},
                                            {3, 1}, {0, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(points(), expected);
    EXPECT_TRUE(img->HasSelection);
}

TEST_F(OutlineTest, ZoomedSelectionIsScaledFirst) {
    select(solidGrey(2, 2, 255));
    img->ZoomValue = 2;
    ASSERT_TRUE(img->BuildSelectionOutline());
    const std::vector<TlxPoint> expected = {{0, 0}, {1, 0}, {2, 0}, {0, 1},
                                            {3, 1}, {0, 3}, {1, 3}, {2, 3}};
    EXPECT_EQ(points(), expected);
}

TEST_F(OutlineTest, EdgesInsideTheBitmap) {
    // A single selected pixel in the middle of a 3 x 3 bitmap: the three
    // windows that are not uniform each add the pixel itself, through P, Q and R.
    QImage selection = solidGrey(3, 3, 0);
    selection.scanLine(1)[1] = 255;
    select(selection);
    ASSERT_TRUE(img->BuildSelectionOutline());
    const std::vector<TlxPoint> expected = {{1, 1}, {1, 1}, {1, 1}};
    EXPECT_EQ(points(), expected);
}

TEST_F(OutlineTest, EmptySelectionEnds) {
    select(solidGrey(5, 5, 0));
    EXPECT_TRUE(img->BuildSelectionOutline());
    EXPECT_EQ(img->OutlineCount, 0);
    EXPECT_FALSE(img->HasSelection);
    EXPECT_FALSE(img->BuildSelectionOutline());
}

TEST_F(OutlineTest, ZoomTooLargeToAllocateKeepsTheSelection) {
    select(solidGrey(2000, 2000, 255));
    img->ZoomValue = 100000;
    EXPECT_FALSE(img->BuildSelectionOutline());
    EXPECT_TRUE(img->HasSelection);
    EXPECT_EQ(img->OutlinePointsInUse(), 0);
}

TEST_F(OutlineTest, CountBeyondTheListIsNotRead) {
    img->OutlinePoints = {{0, 0}, {1, 0}};
    img->OutlineCount = 50;
    EXPECT_EQ(img->OutlinePointsInUse(), 2);
    img->OutlineCount = -3;
    EXPECT_EQ(img->OutlinePointsInUse(), 0);
}

TEST_F(OutlineTest, FaintSelectionHasNoOutlineButStays) {
    // Levels below 128 do not count as selected, but they are not nothing.
    select(solidGrey(3, 3, 100));
    EXPECT_TRUE(img->BuildSelectionOutline());
    EXPECT_EQ(img->OutlineCount, 0);
    EXPECT_TRUE(img->HasSelection);
}

TEST_F(OutlineTest, DashColourFollowsPositionAndPhase) {
    select(solidGrey(4, 4, 255));
    img->OutlinePoints = {{4, 0}, {5, 0}, {5, 1}};
    img->OutlineCount = 3;
    struct Case {
        int k;
        uint8_t phase;
        bool white;
    };
    const Case cases[] = {
        // Point 0 is compared with point 1: not a step along the row, so
        // odd(4 div 4 + (phase + 0) div 4).
        {0, 0, true},
        {0, 3, true},
        {0, 4, false},
        // Point 1 steps right from point 0: odd((phase + 5) div 4 + 0 div 4).
        {1, 0, true},
        {1, 3, false},
        {1, 7, true},
        // Point 2 sits below point 1: odd(5 div 4 + (phase + 1) div 4).
        {2, 0, true},
        {2, 3, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(img->OutlineDashIsWhite(c.k, c.phase), c.white) << c.k << " " << int(c.phase);
}

TEST_F(OutlineTest, SingleOutlinePointHasNoNeighbour) {
    img->OutlinePoints = {{6, 2}};
    img->OutlineCount = 1;
    // odd(6 div 4 + (0 + 2) div 4) = odd(1)
    EXPECT_TRUE(img->OutlineDashIsWhite(0, 0));
}

TEST_F(OutlineTest, SixteenStepsBringThePhaseBack) {
    img->AntsPhase = 5;
    for (int i = 0; i < 16; ++i)
        img->AdvanceAntsPhase();
    EXPECT_EQ(img->AntsPhase, 5);
    img->AntsPhase = 15;
    img->AdvanceAntsPhase();
    EXPECT_EQ(img->AntsPhase, 0);
}

TEST_F(OutlineTest, OriginFollowsTheZoom) {
    img->SelLeft = 5;
    img->SelTop = -3;
    EXPECT_EQ(img->OutlineOrigin(), (TlxPoint{5, -3}));
    img->ZoomValue = 0.5;
    EXPECT_EQ(img->OutlineOrigin(), (TlxPoint{2, -2})); // 2.5 -> 2, -1.5 -> -2
}

} // namespace
