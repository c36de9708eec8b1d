#include "widgets/step_pages.h"
#include "widgets/step_tab_bar.h"

#include <gtest/gtest.h>

#include <QTabBar>

namespace {

TEST(StepPagesTest, TheStepTabsAreTheWizardsOwn) {
    TStepPages pages;
    EXPECT_NE(qobject_cast<TStepTabBar*>(pages.tabBar()), nullptr);
}

TEST(StepPagesTest, OnlyTheShownStepHasATab) {
    TStepPages pages;
    for (int k = 0; k < 3; ++k)
        pages.addTab(new QWidget, QStringLiteral("Step %1").arg(k + 1));
    for (const int step : {2, 0, 1}) {
        pages.ShowStep(step);
        EXPECT_EQ(pages.currentIndex(), step);
        for (int i = 0; i < pages.count(); ++i)
            EXPECT_EQ(pages.isTabVisible(i), i == step) << "step " << step << ", tab " << i;
    }
}

} // namespace
