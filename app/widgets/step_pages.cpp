#include "widgets/step_pages.h"

#include "widgets/step_tab_bar.h"

TStepPages::TStepPages(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new TStepTabBar(this));
}

void TStepPages::ShowStep(int Step) {
    for (int i = 0; i < count(); ++i)
        setTabVisible(i, i == Step);
    setCurrentIndex(Step);
}
