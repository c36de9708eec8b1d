#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "lxFileError.h"

#include <functional>

namespace lx {

// Writes Data to FileName through a temporary file in the same folder that
// takes the target's place only once it is complete and on the disk: a
// failure at any point leaves an earlier file as it was and removes the
// temporary file. A read-only target is replaced, as the program has always
// cleared such flags before saving. False, with a reason in Error, when the
// file could not be written; a failure of the system (disk full, no
// permission, folder missing, read-only disk) is named in Error.Cause and in
// the detail.
bool writeFileAtomically(const QString& FileName, const QByteArray& Data, TlxFileError& Error);
// The same with the contents written by Write, piece by piece, into the
// temporary file; Write returns false (after setting Error) to give up, and
// the target is then left as it was. When a write into the device failed,
// Error names what the system said, whatever Write put there.
bool writeFileAtomically(const QString& FileName, const std::function<bool(QIODevice&)>& Write,
                         TlxFileError& Error);

// The temporary file a save of FileName writes first: "." + the file's name +
// ".partial-" + six letters or digits, in the same folder. Only a crash (or
// the power going) between its creation and the final rename leaves one.
QString saveLeftoverPattern(const QString& FileName);

// Removes the temporary files earlier saves of FileName left behind: files
// named as above, beside FileName, owned by this user, and last written
// before this program started and at least two minutes ago, so that a save
// running in another instance is never disturbed. Every save does this
// first. Returns how many were removed.
int removeSaveLeftovers(const QString& FileName);

// For tests: the next time a save reaches Step, it fails as if the system had
// set errno to Errno (0 takes the failure back). One failure, then saves work
// again.
enum class SaveStep { CreateTemporary, Write, Flush, Close, Rename };
void failNextSaveAt(SaveStep Step, int Errno);

} // namespace lx
