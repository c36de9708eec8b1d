#include "widgets/step_click_guard.h"

#include <QApplication>

TStepClickGuard::TStepClickGuard(QObject* parent)
    : QObject(parent), Interval(QApplication::doubleClickInterval()) {
    steady_.start();
    Clock = [this] { return steady_.elapsed(); };
}

bool TStepClickGuard::Accept() const {
    return !changed_ || Clock() - changedAt_ > Interval;
}

void TStepClickGuard::StepChanged() {
    changedAt_ = Clock();
    changed_ = true;
}
