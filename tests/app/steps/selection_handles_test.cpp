#include "program_state.h"
#include "steps/selection_handles.h"

#include <gtest/gtest.h>

namespace {

TEST(SelectionHandlesTest, EightPointsClockwiseWithTruncatedHalves) {
    // A 41 x 21 layer at (10, 20): halves 20 and 10.
    const TSelectionHandles h = HandlesOf(10, 20, 41, 21);
    const TlxPoint expected[8] = {{10, 20}, {30, 20}, {51, 20}, {51, 30},
                                  {51, 41}, {30, 41}, {10, 41}, {10, 30}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(h[size_t(i)].X, expected[i].X) << i;
        EXPECT_EQ(h[size_t(i)].Y, expected[i].Y) << i;
    }
}

TEST(SelectionHandlesTest, HandleIsHitWithinTwoPixelsEachWay) {
    const TSelectionHandles h = HandlesOf(100, 100, 200, 100);
    EXPECT_EQ(HandleAt(h, 102, 98), 0);
    EXPECT_EQ(HandleAt(h, 103, 100), -1);
    EXPECT_EQ(HandleAt(h, 300, 202), 4);
    EXPECT_EQ(HandleAt(h, 200, 150), -1); // the middle is a move
    EXPECT_EQ(HandleCursor(0), Qt::SizeFDiagCursor);
    EXPECT_EQ(HandleCursor(2), Qt::SizeBDiagCursor);
    EXPECT_EQ(HandleCursor(5), Qt::SizeVerCursor);
    EXPECT_EQ(HandleCursor(7), Qt::SizeHorCursor);
}

TEST(SelectionHandlesTest, EachHandleDragGivesItsRectangle) {
    // Handle 0 at (10, 20), handle 4 at (110, 70); the mouse let go at (90, 60).
    struct Case {
        int handle;
        QRect rect;
    };
    const Case cases[] = {
        {0, QRect(90, 60, 20, 10)},  {1, QRect(10, 60, 100, 10)}, {2, QRect(10, 60, 80, 10)},
        {3, QRect(10, 20, 80, 50)},  {4, QRect(10, 20, 80, 40)},  {5, QRect(10, 20, 100, 40)},
        {6, QRect(90, 20, 20, 40)},  {7, QRect(90, 20, 20, 50)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HandleDragRect(c.handle, 90, 60, 10, 20, 110, 70, false, 2.0), c.rect) << c.handle;
}

TEST(SelectionHandlesTest, ShiftKeepsTheRatioOnCornerHandles) {
    // A 400 x 200 layer at (0, 0) dragged at its bottom-right corner to a
    // width of 300: 300 / 2 = 150.
    EXPECT_EQ(HandleDragRect(4, 300, 260, 0, 0, 400, 200, true, 2.0), QRect(0, 0, 300, 150));
    // The top-left corner moves the top: y = 200 - round(250 / 2) = 75.
    EXPECT_EQ(HandleDragRect(0, 150, 10, 0, 0, 400, 200, true, 2.0), QRect(150, 75, 250, 125));
    // Handle 6 rounds 125 / 2 = 62.5 to the even 62.
    EXPECT_EQ(HandleDragRect(6, 275, 90, 0, 0, 400, 200, true, 2.0).height(), 62);
    // Edge handles ignore the ratio.
    EXPECT_EQ(HandleDragRect(3, 300, 90, 0, 0, 400, 200, true, 2.0), QRect(0, 0, 300, 200));
}

TEST(SelectionHandlesTest, MovedLayersSnapWithinSixteenPixels) {
    TGuideList guides;
    guides.Items[0] = {200, 0}; // vertical at x = 200
    guides.Items[1] = {0, 300}; // horizontal at y = 300
    guides.Count = 2;
    struct Case {
        int left, top, w, h;
        TlxPoint expected;
    };
    const Case cases[] = {
        {210, 0, 50, 50, {200, 0}},  // left edge 10 right of the guide
        {216, 0, 50, 50, {200, 0}},  // 16: still snaps
        {217, 0, 50, 50, {217, 0}},  // 17: does not
        {140, 0, 50, 50, {150, 0}},  // right edge at 190 snaps, left = 200 - 50
        {0, 290, 50, 50, {0, 300}},  // top onto the horizontal guide
        {0, 245, 50, 50, {0, 250}},  // bottom at 295 onto it
    };
    for (const Case& c : cases) {
        const TlxPoint p = SnapMovedLayer(guides, c.left, c.top, c.w, c.h);
        EXPECT_EQ(p.X, c.expected.X) << c.left << "," << c.top;
        EXPECT_EQ(p.Y, c.expected.Y) << c.left << "," << c.top;
    }
    const TlxPoint p = SnapPoint(guides, 190, 316);
    EXPECT_EQ(p.X, 200);
    EXPECT_EQ(p.Y, 300);
    EXPECT_EQ(SnapPoint(guides, 183, 283).X, 183);
    EXPECT_EQ(SnapPoint(guides, 183, 283).Y, 283);
}

TEST(SelectionHandlesTest, ALaterGuideOverridesAnEarlierSnap) {
    TGuideList guides;
    guides.Items[0] = {100, 0};
    guides.Items[1] = {110, 0};
    guides.Count = 2;
    EXPECT_EQ(SnapMovedLayer(guides, 105, 0, 20, 20).X, 110);
}

} // namespace
