#include "files/read_file.h"

#include <QFile>

#include <new>

namespace lx {

bool readWholeFile(const QString& FileName, qint64 MaxSize, const QString& TooLargeDetail,
                   QByteArray& Data, TlxFileError& Error) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Error.set(TlxFileErrorCode::CannotOpen, file.errorString());
        return false;
    }
    if (MaxSize >= 0 && file.size() > MaxSize) {
        Error.set(TlxFileErrorCode::TooLarge, TooLargeDetail);
        return false;
    }
    QByteArray bytes;
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        Error.set(TlxFileErrorCode::TooLarge, QStringLiteral("the file is too large to read"));
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        Error.set(TlxFileErrorCode::CannotRead, file.errorString());
        return false;
    }
    Data = std::move(bytes);
    return true;
}

} // namespace lx
