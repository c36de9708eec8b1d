#include "codepage.h"
#include "lxTextStyle.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(CodePageTest, ConvertsBothWaysAndSurvivesBadBytes) {
    const std::string layer = "\xcd\xbc\xb2\xe3"; // 图层
    EXPECT_EQ(lx::fromGbk(layer), QString::fromUtf8("图层"));
    EXPECT_EQ(lx::toGbk(QString::fromUtf8("图层 A")), layer + " A");
    // A lead byte without a valid trail byte is replaced, the rest survives.
    EXPECT_EQ(lx::fromGbk("a\x81\x20z"), QString::fromUtf8("a\xEF\xBF\xBD z"));
    EXPECT_EQ(lx::fromGbk("ab\xcd"), QString::fromUtf8("ab\xEF\xBF\xBD"));
    // Characters the code page lacks become '?'.
    EXPECT_EQ(lx::toGbk(QString::fromUtf8("a\xF0\x9F\x98\x80"
                                          "b")),
              "a?b");
    EXPECT_EQ(lx::fromBig5("\xa4\xa4"), QString::fromUtf8("中"));
}

TEST(CodePageTest, PrefixEndsOnACharacterBoundary) {
    const std::string text = "ab\xcd\xbc\xb2\xe3"; // ab图层
    EXPECT_EQ(lx::gbkPrefixLength(text, 3), 2u);
    EXPECT_EQ(lx::gbkPrefixLength(text, 4), 4u);
    EXPECT_EQ(lx::gbkPrefixLength(text, 100), 6u);
}

TEST(TextStyleTest, FreehandPlacesAreBigEndianInsideTheText) {
    TlxTextStyle style{};
    SetFreehandPlace(style, 2, {0x01020304, -2, 90});
    const auto* bytes = reinterpret_cast<const uint8_t*>(style.Text);
    const uint8_t x[] = {1, 2, 3, 4}, y[] = {0xff, 0xff, 0xff, 0xfe}, a[] = {0, 0, 0, 90};
    EXPECT_EQ(std::memcmp(bytes + 624, x, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 628, y, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 632, a, 4), 0);
    const TlxFreehandPlace place = FreehandPlace(style, 2);
    EXPECT_EQ(place.X, 0x01020304);
    EXPECT_EQ(place.Y, -2);
    EXPECT_EQ(place.Angle, 90);

    SetFreehandCanvas(style, 748, 0x10000);
    const uint8_t canvas[] = {0, 0, 2, 0xec, 0, 1, 0, 0};
    EXPECT_EQ(std::memcmp(bytes + 1990, canvas, 8), 0);
    // Out-of-range places read as zero and write nothing.
    SetFreehandPlace(style, 100, {1, 1, 1});
    EXPECT_EQ(FreehandPlace(style, 100).X, 0);
    EXPECT_EQ(FreehandPlace(style, -1).X, 0);
}

TEST(TextStyleTest, TextAndFontNameAreCutOnCharacterBoundaries) {
    TlxTextStyle style{};
    std::string long_text(1999, 'a');
    long_text += "\xcd\xbc"; // a two-byte character across the 2000-byte limit
    SetText(style, long_text);
    EXPECT_EQ(TextOf(style), std::string(1999, 'a'));

    std::string name(99, 'f');
    name += "\xcb\xce";
    SetFontName(style, name);
    EXPECT_EQ(style.FontName[0], 99);
    EXPECT_EQ(FontNameOf(style), std::string(99, 'f'));
    // A length byte beyond the field reads no further than the field.
    style.FontName[0] = 255;
    EXPECT_EQ(FontNameOf(style).size(), 100u);

    // A text without its zero byte ends at the field.
    std::memset(style.Text, 'x', sizeof style.Text);
    EXPECT_EQ(TextOf(style).size(), 2001u);
}

TEST(TextStyleTest, ParamPacksSignedSpacingAndArcSettings) {
    TlxTextStyle style{};
    SetSpacing(style, -3, -5);
    EXPECT_EQ(uint32_t(style.Param), 0xFFFBFFFDu);
    EXPECT_EQ(CharSpacing(style), -3);
    EXPECT_EQ(LineSpacing(style), -5);
    SetArc(style, 270, 318);
    EXPECT_EQ(style.Param, 318 * 65536 + 270);
    EXPECT_EQ(ArcStartAngle(style), 270);
    EXPECT_EQ(ArcRadius(style), 318);
}

} // namespace
