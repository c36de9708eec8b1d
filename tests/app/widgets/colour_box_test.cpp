#include "app/fake_ui_services.h"
#include "colour_box.h"

#include <gtest/gtest.h>

namespace {

class ColourBoxTest : public ::testing::Test {
protected:
    TFakeUiServices services;
    TColorBox box{services};

    int customEntry() const { return box.count() - 1; }
    // What the user does: picks entry Index from the list.
    void pick(int Index) {
        box.setCurrentIndex(Index);
        emit box.activated(Index);
    }
};

TEST_F(ColourBoxTest, TheCustomEntryAsksForAColourStartingFromTheOneChosenBefore) {
    box.SetSelected(lxRGB(255, 0, 0));
    pick(box.findData(lxRGB(0, 0, 128))); // navy, from the list: no dialog
    EXPECT_TRUE(services.ColourDialogs.isEmpty());

    const int entries = box.count();
    services.ColourAnswer = QColor(10, 20, 30);
    pick(customEntry());
    ASSERT_EQ(services.ColourDialogs.size(), 1);
    EXPECT_EQ(services.ColourDialogs[0], QColor(0, 0, 128));
    EXPECT_EQ(box.Selected(), lxRGB(10, 20, 30));
    // A colour without a name is named by its red, green and blue in hexadecimal
    // and goes in just before the custom entry, which stays last.
    EXPECT_EQ(box.currentText(), "#0A141E");
    EXPECT_EQ(box.count(), entries + 1);
    EXPECT_EQ(box.currentIndex(), customEntry() - 1);
    EXPECT_FALSE(box.itemData(customEntry()).isValid());
}

TEST_F(ColourBoxTest, CancellingTheColourDialogGoesBackToTheEntryBefore) {
    box.SetSelected(lxRGB(0, 128, 0));
    const int green = box.currentIndex();
    const int entries = box.count();
    services.ColourAnswer = QColor(); // cancelled
    pick(customEntry());
    EXPECT_EQ(services.ColourDialogs.size(), 1);
    EXPECT_EQ(box.currentIndex(), green);
    EXPECT_EQ(box.Selected(), lxRGB(0, 128, 0));
    EXPECT_EQ(box.count(), entries);
}

TEST_F(ColourBoxTest, AChosenColourThatHasANameSelectsItsEntry) {
    const int entries = box.count();
    services.ColourAnswer = QColor(192, 192, 192); // silver
    pick(customEntry());
    EXPECT_EQ(box.Selected(), lxRGB(192, 192, 192));
    EXPECT_EQ(box.currentIndex(), box.findData(lxRGB(192, 192, 192)));
    EXPECT_EQ(box.count(), entries);
}

} // namespace
