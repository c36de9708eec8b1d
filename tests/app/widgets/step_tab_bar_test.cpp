#include "widgets/step_tab_bar.h"

#include <gtest/gtest.h>

namespace {

TEST(StepTabBarTest, CaptionSplitsAtTheFirstTwoSpaces) {
    QString first, rest;
    TStepTabBar::SplitCaption("Step 2:  press Next", first, rest);
    EXPECT_EQ(first, "Step 2:  ");
    EXPECT_EQ(rest, "press Next");
    TStepTabBar::SplitCaption("Step 1: one space", first, rest);
    EXPECT_EQ(first, "Step 1: one space");
    EXPECT_TRUE(rest.isEmpty());
}

} // namespace
