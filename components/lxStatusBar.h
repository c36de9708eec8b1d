#pragma once

// The status line of the drawing dialogs: a status bar that can hold child
// controls.

#include <QStatusBar>

class TlxStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TlxStatusBar(QWidget* parent = nullptr);
};
