#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "lxFileError.h"

#include <functional>

namespace lx {

// Writes Data to FileName through a temporary file in the same folder that
// takes the target's place only once it is complete: a failure at any point
// leaves an earlier file as it was. A read-only target is replaced, as the
// program has always cleared such flags before saving. False, with a reason
// in Error, when the file could not be written.
bool writeFileAtomically(const QString& FileName, const QByteArray& Data, TlxFileError& Error);
// The same with the contents written by Write, piece by piece, into the
// temporary file; Write returns false (after setting Error) to give up, and
// the target is then left as it was.
bool writeFileAtomically(const QString& FileName, const std::function<bool(QIODevice&)>& Write,
                         TlxFileError& Error);

} // namespace lx
