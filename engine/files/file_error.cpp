#include "lxFileError.h"

#include <cerrno>
#include <cstring>

QString TlxFileError::message() const {
    if (!Detail.isEmpty()) return Detail;
    switch (Code) {
    case TlxFileErrorCode::None:
        return {};
    case TlxFileErrorCode::CannotOpen:
        return QStringLiteral("the file could not be opened");
    case TlxFileErrorCode::CannotRead:
        return QStringLiteral("the file could not be read");
    case TlxFileErrorCode::CannotWrite:
        return QStringLiteral("the file could not be written");
    case TlxFileErrorCode::NotThisKind:
        return QStringLiteral("the file is not of the expected kind");
    case TlxFileErrorCode::UnsupportedVersion:
        return QStringLiteral("the file is of a version this program does not read");
    case TlxFileErrorCode::Damaged:
        return QStringLiteral("the file is damaged");
    case TlxFileErrorCode::TooLarge:
        return QStringLiteral("the file is too large");
    case TlxFileErrorCode::OutOfMemory:
        return QStringLiteral("out of memory");
    case TlxFileErrorCode::NothingToSave:
        return QStringLiteral("there is nothing that can be saved");
    case TlxFileErrorCode::NoSuchLayer:
        return QStringLiteral("there is no such layer");
    case TlxFileErrorCode::EffectNotMade:
        return QStringLiteral("an effect could not be made");
    }
    return {};
}

TlxSystemCause SystemCauseOf(int Errno) {
    switch (Errno) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return TlxSystemCause::NoSpace;
    case EACCES:
    case EPERM:
        return TlxSystemCause::NoPermission;
    case ENOENT:
    case ENOTDIR:
        return TlxSystemCause::FolderMissing;
    case EROFS:
        return TlxSystemCause::ReadOnlyFileSystem;
    default:
        return TlxSystemCause::Other;
    }
}

void TlxFileError::setFromSystem(TlxFileErrorCode NewCode, int Errno) {
    Code = NewCode;
    Cause = SystemCauseOf(Errno);
    switch (Cause) {
    case TlxSystemCause::NoSpace:
        Detail = QStringLiteral("there is no space left on the disk");
        break;
    case TlxSystemCause::NoPermission:
        Detail = QStringLiteral("permission denied: this folder or file may not be written");
        break;
    case TlxSystemCause::FolderMissing:
        Detail = QStringLiteral("the folder does not exist");
        break;
    case TlxSystemCause::ReadOnlyFileSystem:
        Detail = QStringLiteral("the disk is read-only");
        break;
    case TlxSystemCause::Other:
        Detail = Errno != 0 ? QString::fromLocal8Bit(std::strerror(Errno))
                            : QStringLiteral("the file could not be written");
        break;
    }
}
