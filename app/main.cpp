#include "lang_strings.h"
#include "main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    TVelmoBalloonForm window;
    window.showMaximized();
    return app.exec();
}
