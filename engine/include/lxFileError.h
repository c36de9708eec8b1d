#pragma once

// Why a file operation of the engine failed: a code the program turns into a
// sentence in the user's language, and the detail in English (what the
// system said, or which part of the file is wrong) that the command-line
// tool prints as it stands.

#include <QString>

#include <cstdint>

enum class TlxFileErrorCode : uint8_t {
    None = 0,
    CannotOpen,         // the file could not be opened (Detail: the system's reason)
    CannotRead,         // reading stopped part-way (Detail: the system's reason)
    CannotWrite,        // the new file could not be written or put in place
    NotThisKind,        // not a design file, or not a layer style file
    UnsupportedVersion, // a version this program does not read
    Damaged,            // cut short, or a size or length that does not fit the file
    TooLarge,           // the file, the document or one of its pictures passes the limits
    OutOfMemory,        // memory ran out while reading or writing
    NothingToSave,      // the document or one of its pictures cannot be written
    NoSuchLayer,        // the layer index names no layer
    EffectNotMade,      // a style applied, but one of its effects could not be built
};

// What the system said when writing failed, in the terms a user acts on.
// Other when the system gave another reason (or none is known).
enum class TlxSystemCause : uint8_t {
    Other = 0,
    NoSpace,            // the disk (or the user's quota) is full
    NoPermission,       // the folder or the file may not be written by this user
    FolderMissing,      // the folder the file goes into does not exist
    ReadOnlyFileSystem, // the disk is mounted read-only
};

struct TlxFileError {
    TlxFileErrorCode Code = TlxFileErrorCode::None;
    TlxSystemCause Cause = TlxSystemCause::Other;
    QString Detail;

    bool isNone() const { return Code == TlxFileErrorCode::None; }
    void clear() {
        Code = TlxFileErrorCode::None;
        Cause = TlxSystemCause::Other;
        Detail.clear();
    }
    void set(TlxFileErrorCode NewCode, const QString& NewDetail) {
        Code = NewCode;
        Cause = TlxSystemCause::Other;
        Detail = NewDetail;
    }
    // A failed system call: Errno (the errno it left) gives the cause and an
    // English detail naming it.
    void setFromSystem(TlxFileErrorCode NewCode, int Errno);
    // The English sentence: the detail, or the code's own words without one.
    QString message() const;
};

// The cause an errno value stands for.
TlxSystemCause SystemCauseOf(int Errno);
