#include "history/snapshot_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

TSnapshotStore::TSnapshotStore()
    : dir_(QDir(QDir::tempPath()).filePath(QStringLiteral("velmo-undo-XXXXXX"))) {}

bool TSnapshotStore::IsValid() const {
    return dir_.isValid();
}

QString TSnapshotStore::Folder() const {
    return dir_.isValid() ? dir_.path() : QString();
}

QString TSnapshotStore::NewFileName(const QString& Extension) {
    if (!dir_.isValid()) return QString();
    const QDir folder(dir_.path());
    for (;;) {
        const QString name = QStringLiteral("~%1-%2.%3")
                                 .arg(QDateTime::currentMSecsSinceEpoch())
                                 .arg(++sequence_)
                                 .arg(Extension);
        // A file left by someone else under the same name is never reused.
        if (!QFile::exists(folder.filePath(name))) return folder.filePath(name);
    }
}
