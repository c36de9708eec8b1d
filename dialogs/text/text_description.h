#pragma once

// A text layer's description made from the insert-text dialog's values, and
// the dialog's values read back from a description for re-editing. Texts
// are kept in the document code page, where a Chinese character takes two
// bytes.

#include "insert_text_dialog.h"
#include "lxTextStyle.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textdesc {

// Colours as the description stores them (0x00BBGGRR) and back.
uint32_t ColourRef(const QColor& Colour);
QColor FromColourRef(uint32_t Value);

// The size box's text as points: a whole number from 1 to
// TForm7::LargestSize; nothing otherwise.
std::optional<int> FontSizeFromText(const QString& Text);

// The memo's text as the description stores it: lines joined by CR LF, at
// most 2000 characters, in the document code page.
std::string StoredText(const QString& Memo);
// The stored text as the memo shows it.
QString MemoText(std::string_view Stored);

// The characters of Bytes: a byte below LeadFrom is a character of its own,
// any other starts a two-byte character with the byte after it. At most
// Limit characters.
std::vector<std::string> SplitCharacters(std::string_view Bytes, unsigned LeadFrom, size_t Limit);
// The characters a freehand text places, one by one (the first 100).
std::vector<std::string> FreehandCharacters(std::string_view Bytes);
// A text written around a whole circle with spaces between its characters
// so that short texts still go round: two after every character up to 8
// bytes, one from 9 to 15 bytes, none from 16.
std::string PadCircleText(std::string_view Bytes);

// The description of the dialog's values; nothing when the size box holds
// no usable size.
std::optional<TlxTextStyle> TextDescription(const TForm7Settings& S);
// The dialog's values for re-editing Style (the caption is left empty).
TForm7Settings SettingsFromDescription(const TlxTextStyle& Style);

} // namespace textdesc
