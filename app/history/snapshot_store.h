#pragma once

// Where the undo history keeps the pictures and styles it must be able to
// put back: a folder of this run inside the system's temporary folder,
// removed with everything in it when the program ends. Every file it names
// is new, so two snapshots taken within the same millisecond never
// overwrite each other.

#include <QString>
#include <QTemporaryDir>

class TSnapshotStore {
public:
    TSnapshotStore();

    // False when the temporary folder could not be made; snapshots are then
    // not taken (the steps still happen, their undo changes nothing).
    bool IsValid() const;
    // The folder of this run.
    QString Folder() const;
    // A file name no snapshot of this run has used, "~" + the millisecond
    // tick + a sequence number + "." + Extension; empty when the store is
    // not valid.
    QString NewFileName(const QString& Extension);

private:
    QTemporaryDir dir_;
    quint64 sequence_ = 0;
};
