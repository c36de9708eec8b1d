#pragma once

// The tabs of the wizard's steps: a yellow tab with its caption in black.
// A caption with two spaces in a row shows the part after them in white on
// a red block.

#include <QTabBar>

class TStepTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit TStepTabBar(QWidget* parent = nullptr);

    // The caption split at its first two consecutive spaces (kept with the
    // first part); Rest is empty when it has none.
    static void SplitCaption(const QString& Caption, QString& First, QString& Rest);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;
};
