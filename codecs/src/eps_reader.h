// Encapsulated PostScript, rendered by Ghostscript as a separate process.
#pragma once

#include "picture_codecs.h"

#include <QByteArray>

namespace velmo::codecs::detail {

// The resolution EPS files are rendered at: the document's own 100 pixels
// per inch, so the picture comes in at its printed size.
inline constexpr int EpsDotsPerInch = 100;

// True when Head (the file's first bytes) starts like PostScript: "%!PS" or
// the binary header of a DOS EPS file with a preview.
bool looksLikePostScript(const QByteArray& Head);

// Renders the first page of the file, cropped to its bounding box, with a
// transparent background. Head holds the file's first bytes, where the
// bounding box is read to refuse a huge picture before rendering.
TPictureLoad loadWithGhostscript(const QString& FileName, const QByteArray& Head);

} // namespace velmo::codecs::detail
