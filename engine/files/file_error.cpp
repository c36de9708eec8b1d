#include "lxFileError.h"

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
