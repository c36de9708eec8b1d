#include "program_state.h"

#include <gtest/gtest.h>

namespace {

TEST(GuideListTest, TheTwoCentreGuidesAreMadeOrMovedButPlacedGuidesStay) {
    struct Case {
        const char* what;
        int count; // guides before
        int width, height;
        int countAfter;
        TlxPoint first, second; // guides 0 and 1 after
    };
    const Case cases[] = {
        {"none yet", 0, 748, 748, 2, {374, 0}, {0, 374}},
        {"one", 1, 748, 1063, 2, {374, 0}, {0, 531}},             // 1063 div 2 = 531
        {"the two, re-centred", 2, 101, 51, 2, {50, 0}, {0, 25}}, // halves drop
        {"placed by the user", 3, 748, 748, 3, {7, 0}, {0, 9}},
    };
    for (const Case& c : cases) {
        TGuideList guides;
        guides.Count = c.count;
        guides.Items[0] = {7, 0};
        guides.Items[1] = {0, 9};
        guides.Items[2] = {0, 11};
        guides.PlaceCentreGuides(c.width, c.height);
        EXPECT_EQ(guides.Count, c.countAfter) << c.what;
        EXPECT_EQ(guides.Items[0], c.first) << c.what;
        EXPECT_EQ(guides.Items[1], c.second) << c.what;
        EXPECT_EQ(guides.Items[2], (TlxPoint{0, 11})) << c.what;
    }
}

} // namespace
