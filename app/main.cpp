#include "asset_table.h"
#include "lang_strings.h"
#include "main_window.h"
#include "open_at_start.h"
#include "user_interface_services.h"
#include "velmo_assets.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    // The desktop entry "velmo.desktop" names the program's icon and files.
    QGuiApplication::setDesktopFileName(QStringLiteral("velmo"));
    QIcon icon;
    for (int size : velmo::assets::AppIconSizes) {
        const QImage picture = velmo::AppIcon(size);
        if (!picture.isNull()) icon.addPixmap(QPixmap::fromImage(picture));
    }
    QApplication::setWindowIcon(icon);
    TQtUiServices services;
    TVelmoBalloonForm window(services);
    window.showMaximized();
    window.OpenAtStart(FileToOpenAtStart(QApplication::arguments()));
    return app.exec();
}
