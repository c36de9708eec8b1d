// The picture formats the open dialog offers and what each extension tells
// the readers.
#pragma once

#include <QString>

namespace velmo::codecs::detail {

enum class TReaderRoute {
    Picture,     // Qt's readers, then the decoding library
    Ghostscript, // PostScript, rendered by Ghostscript
    Nothing,     // listed for the user, but no installed reader knows it
};

struct TExtensionInfo {
    const char* Extension;
    // The decoding library's name for the format, tried when the library
    // does not recognise the content by itself: formats without a signature
    // (Targa, packed bitmaps), or extensions it would take for another
    // format (".rgb" is raw samples to it, ".scr" a ZX Spectrum screen).
    // nullptr when the content signature is enough.
    const char* MagickHint;
    TReaderRoute Route;
};

// The entry of a lower-case extension without dot; nullptr for one the
// program does not list.
const TExtensionInfo* findExtension(const QString& Extension);

} // namespace velmo::codecs::detail
