#include "lxStatusBar.h"

TlxStatusBar::TlxStatusBar(QWidget* parent) : QStatusBar(parent) {
    // The bar sits at the foot of dialogs that are not resized from its
    // corner, so it carries no size grip. Child controls it holds (a zoom
    // box, a progress bar) are added with addWidget or addPermanentWidget.
    setSizeGripEnabled(false);
}
