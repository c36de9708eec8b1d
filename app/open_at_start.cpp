#include "open_at_start.h"

#include "main_window.h"

#include <QFileInfo>
#include <QTimer>

QString FileToOpenAtStart(const QStringList& Arguments) {
    for (qsizetype i = 1; i < Arguments.size(); ++i) {
        const QFileInfo info(Arguments[i]);
        if (info.isFile()) return info.absoluteFilePath();
    }
    return {};
}

void TVelmoBalloonForm::OpenAtStart(const QString& File) {
    if (File.isEmpty() || !QFileInfo(File).isFile()) return;
    // From the event loop, so the window is on screen before the file loads
    // and any message of the loader has it as parent.
    QTimer::singleShot(0, this, [this, File] {
        if (OpenDesign) OpenDesign(File);
    });
}
