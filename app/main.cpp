#include "lang_strings.h"
#include "main_window.h"
#include "user_interface_services.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    TQtUiServices services;
    TVelmoBalloonForm window(services);
    window.showMaximized();
    return app.exec();
}
