// Must not link: the engine brings no widget library. The header is reached
// through Qt's include root, which every Qt module puts on the path; the
// object code is not.
#include "lxImage.h"

#include <QtWidgets/QWidget>

int main() {
    TlxImage document;
    QWidget window;
    return document.LayersCount + (window.isVisible() ? 1 : 0);
}
