#pragma once

// Byte strings of documents (layer names, text, font names) are held in the
// document code page, GBK. These convert them to and from Unicode at the
// edges: drawing, measuring, font lookup and the user interface.

#include <QString>

#include <string>
#include <string_view>

namespace lx {

// GBK bytes to Unicode. A byte sequence that is not valid GBK gives U+FFFD
// for the bytes concerned and the conversion goes on.
QString fromGbk(std::string_view Bytes);
// Unicode to GBK bytes; characters GBK cannot hold become '?'.
std::string toGbk(const QString& Text);
// Big5 bytes to Unicode, as fromGbk.
QString fromBig5(std::string_view Bytes);

// The number of leading bytes of Bytes, at most Limit, that end on a
// character boundary: a byte of 0x81 or above starts a two-byte character.
size_t gbkPrefixLength(std::string_view Bytes, size_t Limit);

} // namespace lx
