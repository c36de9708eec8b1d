#include "main_window.h"

#include "lxImagevcl.h"

#include <QScrollArea>

namespace {
// A new document is 19 cm square at 100 pixels per inch.
constexpr int kStartSize = 748;
} // namespace

TVelmoBalloonForm::TVelmoBalloonForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Velmo"));
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setBackgroundRole(QPalette::Dark);

    lxImg = new TlxImageVcl;
    lxImg->setObjectName(QStringLiteral("lxImg"));
    lxImg->NewImage(false, lxRGB(255, 255, 255), 24, kStartSize, kStartSize);
    lxImg->ApplyZoom();
    ScrollBox1->setWidget(lxImg);
    setCentralWidget(ScrollBox1);
    resize(1000, 820);
}
