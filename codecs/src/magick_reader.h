// The decoding library behind the formats Qt has no reader for.
#pragma once

#include "picture_codecs.h"

#include <QByteArray>
#include <QIODevice>

namespace velmo::codecs::detail {

// Reads the first picture in Data (for a Photoshop file, its merged
// picture), with its orientation applied. The library first goes by the
// content's signature; when that fails and Hint names a format, it reads the
// data as that format. Unsupported means neither knew the data.
TPictureLoad loadWithMagick(const QByteArray& Data, const char* Hint);

// The same for a whole open file, read once into memory the library takes
// over.
TPictureLoad loadFileWithMagick(QIODevice& File, const char* Hint);

} // namespace velmo::codecs::detail
