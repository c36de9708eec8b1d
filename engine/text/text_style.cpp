// Field access of the text description.

#include "codepage.h"
#include "lxTextStyle.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kFreehandBase = 600; // character places inside Text
constexpr int kFreehandStep = 12;
constexpr int kCanvasOffset = 1990;
constexpr int kMaxTextBytes = TlxTextStyle::TextCapacity - 1;

int32_t readBigEndian(const char* p) {
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return int32_t(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]);
}

void writeBigEndian(char* p, int32_t value) {
    const auto v = uint32_t(value);
    p[0] = char(v >> 24);
    p[1] = char(v >> 16);
    p[2] = char(v >> 8);
    p[3] = char(v);
}

} // namespace

std::string TextOf(const TlxTextStyle& Style) {
    const size_t length = strnlen(Style.Text, sizeof Style.Text);
    return std::string(Style.Text, length);
}

void SetText(TlxTextStyle& Style, const std::string& Text) {
    const size_t length = lx::gbkPrefixLength(Text, kMaxTextBytes);
    std::memcpy(Style.Text, Text.data(), length);
    Style.Text[length] = 0;
}

std::string FontNameOf(const TlxTextStyle& Style) {
    const int length = std::min<int>(Style.FontName[0], TlxTextStyle::FontNameCapacity);
    return std::string(reinterpret_cast<const char*>(Style.FontName + 1), size_t(length));
}

void SetFontName(TlxTextStyle& Style, const std::string& Name) {
    const size_t length = lx::gbkPrefixLength(Name, TlxTextStyle::FontNameCapacity);
    Style.FontName[0] = uint8_t(length);
    std::memcpy(Style.FontName + 1, Name.data(), length);
    std::memset(Style.FontName + 1 + length, 0, TlxTextStyle::FontNameCapacity - length);
}

int16_t CharSpacing(const TlxTextStyle& Style) {
    return int16_t(uint32_t(Style.Param) & 0xFFFF);
}

int16_t LineSpacing(const TlxTextStyle& Style) {
    return int16_t(uint32_t(Style.Param) >> 16);
}

void SetSpacing(TlxTextStyle& Style, int16_t Char, int16_t Line) {
    Style.Param = int32_t(uint32_t(uint16_t(Line)) << 16 | uint16_t(Char));
}

uint16_t ArcStartAngle(const TlxTextStyle& Style) {
    return uint16_t(uint32_t(Style.Param) & 0xFFFF);
}

uint16_t ArcRadius(const TlxTextStyle& Style) {
    return uint16_t(uint32_t(Style.Param) >> 16);
}

void SetArc(TlxTextStyle& Style, uint16_t StartAngle, uint16_t Radius) {
    Style.Param = int32_t(uint32_t(Radius) << 16 | StartAngle);
}

TlxFreehandPlace FreehandPlace(const TlxTextStyle& Style, int K) {
    if (K < 0 || K >= TlxTextStyle::FreehandChars) return {};
    const char* p = Style.Text + kFreehandBase + kFreehandStep * K;
    return {readBigEndian(p), readBigEndian(p + 4), readBigEndian(p + 8)};
}

void SetFreehandPlace(TlxTextStyle& Style, int K, const TlxFreehandPlace& Place) {
    if (K < 0 || K >= TlxTextStyle::FreehandChars) return;
    char* p = Style.Text + kFreehandBase + kFreehandStep * K;
    writeBigEndian(p, Place.X);
    writeBigEndian(p + 4, Place.Y);
    writeBigEndian(p + 8, Place.Angle);
}

void FreehandCanvas(const TlxTextStyle& Style, int32_t& Width, int32_t& Height) {
    Width = readBigEndian(Style.Text + kCanvasOffset);
    Height = readBigEndian(Style.Text + kCanvasOffset + 4);
}

void SetFreehandCanvas(TlxTextStyle& Style, int32_t Width, int32_t Height) {
    writeBigEndian(Style.Text + kCanvasOffset, Width);
    writeBigEndian(Style.Text + kCanvasOffset + 4, Height);
}
