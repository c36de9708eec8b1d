#pragma once

#include <QMainWindow>

class QScrollArea;
class TlxImageVcl;

// The design window: for now it shows one empty document.
class TVelmoBalloonForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TVelmoBalloonForm(QWidget* parent = nullptr);

    TlxImageVcl* lxImg = nullptr;

private:
    QScrollArea* ScrollBox1 = nullptr;
};
