#pragma once

// The wizard's page control: one page per step behind the step tabs, of
// which only the current step's tab is shown.

#include <QTabWidget>

class TStepPages : public QTabWidget {
    Q_OBJECT
public:
    explicit TStepPages(QWidget* parent = nullptr);

    // Shows page Step and its tab alone.
    void ShowStep(int Step);
};
