#include "files/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lx {

bool writeFileAtomically(const QString& FileName, const QByteArray& Data, TlxFileError& Error) {
    return writeFileAtomically(
        FileName, [&Data](QIODevice& out) { return out.write(Data) == Data.size(); }, Error);
}

bool writeFileAtomically(const QString& FileName, const std::function<bool(QIODevice&)>& Write,
                         TlxFileError& Error) {
    // QSaveFile refuses to replace a file it could not write to in place;
    // the rename that replaces it needs only the folder to be writable. The
    // write permission is given back its old state when the save fails.
    const QFileInfo target(FileName);
    const QFileDevice::Permissions before =
        target.exists() ? target.permissions() : QFileDevice::Permissions();
    const bool unlocked = target.exists() && !target.isWritable() &&
                          QFile::setPermissions(FileName, before | QFileDevice::WriteOwner);

    QSaveFile file(FileName);
    file.setDirectWriteFallback(false);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) ok = Write(file);
    if (ok) ok = file.commit();
    if (!ok) {
        // A writer that gave up has said why; otherwise the file says it.
        if (Error.isNone()) Error.set(TlxFileErrorCode::CannotWrite, file.errorString());
        if (Error.Detail.isEmpty()) Error.Detail = QStringLiteral("the file could not be written");
        file.cancelWriting();
        if (unlocked) QFile::setPermissions(FileName, before);
    }
    return ok;
}

} // namespace lx
