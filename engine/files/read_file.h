#pragma once

// The step both file readers start with: the whole file into memory, with
// the reason when that fails.

#include "lxFileError.h"

#include <QByteArray>
#include <QString>

namespace lx {

// Data becomes the file's bytes. False, with Error set and Data untouched,
// when the file cannot be opened, is larger than MaxSize bytes (a negative
// MaxSize sets no limit), cannot be held in memory or cannot be read.
bool readWholeFile(const QString& FileName, qint64 MaxSize, const QString& TooLargeDetail,
                   QByteArray& Data, TlxFileError& Error);

} // namespace lx
