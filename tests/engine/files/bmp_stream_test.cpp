// Windows bitmap streams: hand-built files of each depth and header kind read
// pixel by pixel, the exact bytes the writers produce, round trips, the
// writers and the bit-field reader against plain references over many random
// cases, and hostile files that must be refused without reading out of
// bounds.

#include "files/bmp_stream.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <new>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, unsigned v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(uint8_t(v >> (8 * k)));
}
void append(Bytes& b, std::initializer_list<uint8_t> v) {
    b.insert(b.end(), v);
}

// The fields of an info header a test file sets; the header is written with
// HeaderSize bytes (12 gives the old core header with 16-bit sizes).
struct Info {
    int32_t Width = 1;
    int32_t Height = 1;
    int Bits = 24;
    uint32_t Compression = 0;
    uint32_t ColoursUsed = 0;
    uint32_t HeaderSize = 40;
    uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha (52+ bytes)
    unsigned Planes = 1;
};

Bytes infoHeader(const Info& i) {
    Bytes b;
    put32(b, i.HeaderSize);
    if (i.HeaderSize == 12) {
        put16(b, unsigned(i.Width));
        put16(b, unsigned(i.Height));
        put16(b, i.Planes);
        put16(b, unsigned(i.Bits));
        return b;
    }
    put32(b, uint32_t(i.Width));
    put32(b, uint32_t(i.Height));
    put16(b, i.Planes);
    put16(b, unsigned(i.Bits));
    put32(b, i.Compression);
    put32(b, 0); // size of the pixel rows: readers work it out
    put32(b, 0);
    put32(b, 0);
    put32(b, i.ColoursUsed);
    put32(b, 0);
    for (int k = 0; k < 4 && b.size() < i.HeaderSize; ++k)
        put32(b, i.Masks[k]);
    b.resize(i.HeaderSize, 0);
    return b;
}

// A complete file: file header, info header, then Between (bit-field masks,
// palette) and the pixel rows, the pixel offset pointing just past Between.
Bytes bitmapFile(const Info& i, const Bytes& Between, const Bytes& Pixels) {
    const Bytes info = infoHeader(i);
    const uint32_t offset = uint32_t(14 + info.size() + Between.size());
    Bytes b = {'B', 'M'};
    put32(b, uint32_t(offset + Pixels.size()));
    put32(b, 0);
    put32(b, offset);
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), Between.begin(), Between.end());
    b.insert(b.end(), Pixels.begin(), Pixels.end());
    return b;
}

struct Decoded {
    bool Ok = false;
    lx::DecodedBmp Bmp;
    QString Error;
};

// Decodes from a heap block of exactly the file's size, so that a read past
// the end is a read past the block.
Decoded decode(const Bytes& File) {
    Decoded d;
    const Bytes exact(File);
    d.Ok = lx::decodeBmp(exact.data(), exact.size(), d.Bmp, d.Error);
    return d;
}

Decoded decode(const QByteArray& File) {
    return decode(Bytes(File.begin(), File.end()));
}

uint8_t byteAt(const QImage& image, int x, int y, int channel, int bytesPerPixel) {
    return image.constScanLine(y)[bytesPerPixel * x + channel];
}

// ---- hand-built files ----

// 2 x 2, 24 bits: a row of 6 bytes is padded to 8, and the bottom row comes
// first. Pixels (blue, green, red): top (1,2,3) (4,5,6), bottom (7,8,9)
// (10,11,12).
Bytes file24() {
    Info i;
    i.Width = 2;
    i.Height = 2;
    return bitmapFile(i, {}, {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0});
}

// 3 x 1, 8 bits, three palette entries (blue, green, red, 0): (10,20,30),
// (40,50,60), (70,80,90). Indices 2, 0 and 3, the last past the palette;
// the row of 3 bytes is padded to 4.
Bytes file8() {
    Info i;
    i.Width = 3;
    i.Bits = 8;
    i.ColoursUsed = 3;
    return bitmapFile(i, {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0}, {2, 0, 3, 0});
}

// 2 x 1, 16 bits 5-6-5 with the masks in the 12 bytes after a 40-byte
// header. Words 0xF800 (red only, full) and 0x8408 (red 16, green 32,
// blue 8).
Bytes file565() {
    Info i;
    i.Width = 2;
    i.Bits = 16;
    i.Compression = 3;
    Bytes masks;
    put32(masks, 0xF800);
    put32(masks, 0x07E0);
    put32(masks, 0x001F);
    return bitmapFile(i, masks, {0x00, 0xF8, 0x08, 0x84});
}

// 2 x 2, 1 bit, 12-byte core header, palette entries of 3 bytes: 0 is red
// (0,0,255), 1 green (0,255,0). Top row indices 1, 0 (bits 10 -> 0x80),
// bottom row 0, 1 (bits 01 -> 0x40), each row padded to 4 bytes.
Bytes fileCore() {
    Info i;
    i.HeaderSize = 12;
    i.Width = 2;
    i.Height = 2;
    i.Bits = 1;
    return bitmapFile(i, {0, 0, 255, 0, 255, 0}, {0x40, 0, 0, 0, 0x80, 0, 0, 0});
}

TEST(BmpDecode, TwentyFourBitRowsArePaddedAndBottomUp) {
    const Decoded d = decode(file24());
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    EXPECT_EQ(d.Bmp.BitCount, 24);
    ASSERT_EQ(d.Bmp.Pixels.format(), QImage::Format_BGR888);
    ASSERT_EQ(d.Bmp.Pixels.size(), QSize(2, 2));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 0, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 1, 0), (Bgr{4, 5, 6}));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 0, 1), (Bgr{7, 8, 9}));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 1, 1), (Bgr{10, 11, 12}));

    const QImage bgr = lx::decodedToBgr(d.Bmp);
    EXPECT_EQ(bgrAt(bgr, 1, 1), (Bgr{10, 11, 12}));
    // No fourth byte: full coverage. Levels of a colour bitmap: the blue byte.
    const QImage fourth = lx::decodedFourthByte(d.Bmp);
    const QImage levels = lx::decodedLevels(d.Bmp);
    ASSERT_EQ(fourth.format(), QImage::Format_Grayscale8);
    ASSERT_EQ(levels.format(), QImage::Format_Grayscale8);
    const uint8_t blue[2][2] = {{1, 4}, {7, 10}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(greyAt(fourth, x, y), 255);
            EXPECT_EQ(greyAt(levels, x, y), blue[y][x]);
        }
}

TEST(BmpDecode, EightBitKeepsIndicesAndLooksUpThePalette) {
    const Decoded d = decode(file8());
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    EXPECT_EQ(d.Bmp.BitCount, 8);
    ASSERT_EQ(d.Bmp.Pixels.format(), QImage::Format_Grayscale8);
    // 0x00RRGGBB: (10,20,30) -> red 30 = 0x1E, green 20 = 0x14, blue 10 = 0x0A.
    EXPECT_EQ(d.Bmp.Palette, (std::vector<uint32_t>{0x1E140A, 0x3C3228, 0x5A5046}));
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 0, 0), 2);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 1, 0), 0);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 2, 0), 3);

    const QImage bgr = lx::decodedToBgr(d.Bmp);
    EXPECT_EQ(bgrAt(bgr, 0, 0), (Bgr{70, 80, 90}));
    EXPECT_EQ(bgrAt(bgr, 1, 0), (Bgr{10, 20, 30}));
    EXPECT_EQ(bgrAt(bgr, 2, 0), (Bgr{0, 0, 0})); // index past the palette
    const QImage levels = lx::decodedLevels(d.Bmp);
    EXPECT_EQ(greyAt(levels, 0, 0), 2);
    EXPECT_EQ(greyAt(levels, 2, 0), 3);
    EXPECT_EQ(greyAt(lx::decodedFourthByte(d.Bmp), 1, 0), 255);
}

TEST(BmpDecode, ThirtyTwoBitKeepsTheFourthByteAsStored) {
    // 2 x 2 (blue, green, red, fourth): top (1,2,3,0) (4,5,6,128), bottom
    // (7,8,9,255) (10,11,12,77); bottom row stored first, no padding.
    Info i;
    i.Width = 2;
    i.Height = 2;
    i.Bits = 32;
    const Decoded d =
        decode(bitmapFile(i, {}, {7, 8, 9, 255, 10, 11, 12, 77, 1, 2, 3, 0, 4, 5, 6, 128}));
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    ASSERT_EQ(d.Bmp.Pixels.format(), QImage::Format_ARGB32);
    const uint8_t expected[2][8] = {{1, 2, 3, 0, 4, 5, 6, 128}, {7, 8, 9, 255, 10, 11, 12, 77}};
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ(std::memcmp(d.Bmp.Pixels.constScanLine(y), expected[y], 8), 0) << "row " << y;

    const QImage fourth = lx::decodedFourthByte(d.Bmp);
    EXPECT_EQ(greyAt(fourth, 0, 0), 0);
    EXPECT_EQ(greyAt(fourth, 1, 0), 128);
    EXPECT_EQ(greyAt(fourth, 0, 1), 255);
    EXPECT_EQ(greyAt(fourth, 1, 1), 77);
    const QImage bgr = lx::decodedToBgr(d.Bmp);
    ASSERT_EQ(bgr.format(), QImage::Format_BGR888);
    EXPECT_EQ(bgrAt(bgr, 1, 0), (Bgr{4, 5, 6}));
    EXPECT_EQ(bgrAt(bgr, 0, 1), (Bgr{7, 8, 9}));
    EXPECT_EQ(greyAt(lx::decodedLevels(d.Bmp), 1, 1), 10);
}

TEST(BmpDecode, NegativeHeightStoresRowsTopDown) {
    // 1 x 3, 24 bits, rows of 3 bytes padded to 4, top row first.
    Info i;
    i.Height = -3;
    const Decoded d = decode(bitmapFile(i, {}, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}));
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    ASSERT_EQ(d.Bmp.Pixels.size(), QSize(1, 3));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 0, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 0, 1), (Bgr{4, 5, 6}));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 0, 2), (Bgr{7, 8, 9}));
}

TEST(BmpDecode, SixteenBit565BitFields) {
    const Decoded d = decode(file565());
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    EXPECT_EQ(d.Bmp.BitCount, 16);
    ASSERT_EQ(d.Bmp.Pixels.format(), QImage::Format_BGR888);
    // 0xF800: red 31 of 31 -> 255. 0x8408: red 16 * 255 / 31 = 131.6 -> 132,
    // green 32 * 255 / 63 = 129.5 (129.52) -> 130, blue 8 * 255 / 31 = 65.8 -> 66.
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 0, 0), (Bgr{0, 0, 255}));
    EXPECT_EQ(bgrAt(d.Bmp.Pixels, 1, 0), (Bgr{66, 130, 132}));
}

TEST(BmpDecode, CoreHeaderWithThreeBytePalette) {
    const Decoded d = decode(fileCore());
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    EXPECT_EQ(d.Bmp.BitCount, 1);
    EXPECT_EQ(d.Bmp.Palette, (std::vector<uint32_t>{0xFF0000, 0x00FF00}));
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 0, 0), 1);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 1, 0), 0);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 0, 1), 0);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 1, 1), 1);
    const QImage bgr = lx::decodedToBgr(d.Bmp);
    EXPECT_EQ(bgrAt(bgr, 0, 0), (Bgr{0, 255, 0}));
    EXPECT_EQ(bgrAt(bgr, 1, 0), (Bgr{0, 0, 255}));
}

TEST(BmpDecode, FourBitHighNibbleFirstAndFullPaletteWhenCountIsZero) {
    // 3 x 1: nibbles A, 1, F -> bytes 0xA1 0xF0, padded to 4. Colours used 0
    // means all 16 entries; entry k is (k, 2k, 3k).
    Info i;
    i.Width = 3;
    i.Bits = 4;
    Bytes palette;
    for (int k = 0; k < 16; ++k)
        append(palette, {uint8_t(k), uint8_t(2 * k), uint8_t(3 * k), 0});
    const Decoded d = decode(bitmapFile(i, palette, {0xA1, 0xF0, 0, 0}));
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    EXPECT_EQ(d.Bmp.Palette.size(), 16u);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 0, 0), 10);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 1, 0), 1);
    EXPECT_EQ(greyAt(d.Bmp.Pixels, 2, 0), 15);
    EXPECT_EQ(bgrAt(lx::decodedToBgr(d.Bmp), 2, 0), (Bgr{15, 30, 45}));
}

// One pixel through each kind of bit-field layout.
struct FieldCase {
    const char* Name;
    uint32_t HeaderSize; // 40: masks in the 12 bytes after it
    int Bits;
    uint32_t Compression;
    uint32_t Masks[4];
    uint32_t Word;
    uint8_t B, G, R, A; // A only checked for 32 bits
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.Name;
}

class BmpBitFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(BmpBitFields, ExpandsEachChannelToEightBits) {
    const FieldCase& c = GetParam();
    Info i;
    i.HeaderSize = c.HeaderSize;
    i.Bits = c.Bits;
    i.Compression = c.Compression;
    Bytes between;
    if (c.HeaderSize == 40 && c.Compression == 3)
        for (int k = 0; k < 3; ++k)
            put32(between, c.Masks[k]);
    else
        std::copy(c.Masks, c.Masks + 4, i.Masks);
    Bytes pixel;
    put32(pixel, c.Word); // a 16-bit row is 2 bytes and 2 of padding
    const Decoded d = decode(bitmapFile(i, between, pixel));
    ASSERT_TRUE(d.Ok) << d.Error.toStdString();
    const int step = c.Bits == 32 ? 4 : 3;
    EXPECT_EQ(byteAt(d.Bmp.Pixels, 0, 0, 0, step), c.B);
    EXPECT_EQ(byteAt(d.Bmp.Pixels, 0, 0, 1, step), c.G);
    EXPECT_EQ(byteAt(d.Bmp.Pixels, 0, 0, 2, step), c.R);
    if (c.Bits == 32) {
        EXPECT_EQ(byteAt(d.Bmp.Pixels, 0, 0, 3, step), c.A);
    }
}

// Expected values: channel v of n bits -> v * 255 / (2^n - 1), nearest.
INSTANTIATE_TEST_SUITE_P(
    Cases, BmpBitFields,
    ::testing::Values(
        // 5-5-5 (plain 16-bit): red 1 -> 8.2 -> 8, green 2 -> 16.5 (16.45) -> 16,
        // blue 3 -> 24.7 -> 25. Word (1 << 10) | (2 << 5) | 3.
        FieldCase{"plain16", 40, 16, 0, {}, 0x0443, 25, 16, 8, 0},
        // The top bit of a plain 16-bit pixel is unused.
        FieldCase{"plain16TopBit", 40, 16, 0, {}, 0xFFFF, 255, 255, 255, 0},
        // Masks in a 52-byte header: 5-6-5 word red 0, green 63, blue 31.
        FieldCase{"header52", 52, 16, 3, {0xF800, 0x07E0, 0x001F, 0}, 0x07FF, 255, 255, 0, 0},
        // Bytes 10, 20, 30, 40 with red in the lowest byte, alpha in the top.
        FieldCase{"rgbaOrder",
                  56,
                  32,
                  3,
                  {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                  0x281E140A,
                  30,
                  20,
                  10,
                  40},
        // 10-10-10 with no alpha mask: red 1023 -> 255, green 512 -> 127.6 ->
        // 128, blue 1 -> 0.25 -> 0, fourth byte 255.
        FieldCase{"tenBit",
                  40,
                  32,
                  3,
                  {0x3FF00000, 0x000FFC00, 0x000003FF, 0},
                  (1023u << 20) | (512u << 10) | 1u,
                  0,
                  128,
                  255,
                  255},
        // Mixed widths in a 124-byte header: alpha 4 bits 8 -> 136, red 8
        // bits 0xAB = 171, green 12 bits 2048 -> 127.5 (127.53) -> 128, blue 5.
        FieldCase{"mixedWidths",
                  124,
                  32,
                  3,
                  {0x0FF00000, 0x000FFF00, 0x000000FF, 0xF0000000},
                  0x8AB80005,
                  5,
                  128,
                  171,
                  136},
        // One 32-bit channel: 2^31 -> 127.5 * 2^32 / (2^32 - 1), just above
        // 127.5 -> 128; missing green and blue are 0.
        FieldCase{"wholeWordHalfUp", 40, 32, 3, {0xFFFFFFFF, 0, 0, 0}, 0x80000000, 0, 0, 128, 255},
        // 2^31 - 1 -> 127.5 * (2^32 - 2) / (2^32 - 1), just below 127.5 -> 127.
        FieldCase{
            "wholeWordHalfDown", 40, 32, 3, {0xFFFFFFFF, 0, 0, 0}, 0x7FFFFFFF, 0, 0, 127, 255},
        // A header's masks are ignored without bit-field compression: the
        // fourth byte stays as stored.
        FieldCase{"masksIgnoredWhenPlain",
                  108,
                  32,
                  0,
                  {0x000000FF, 0x0000FF00, 0x00FF0000, 0},
                  0x0C010203,
                  3,
                  2,
                  1,
                  12}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.Name); });

// ---- writing ----

// 3 x 2, 24 bits: a row of 9 bytes padded to 12, file 14 + 40 + 2 * 12 = 78.
TEST(BmpEncode, TwentyFourBitFileByteForByte) {
    QImage picture(3, 2, QImage::Format_BGR888);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            setBgr(picture, x, y,
                   Bgr{uint8_t(10 * y + 3 * x + 1), uint8_t(10 * y + 3 * x + 2),
                       uint8_t(10 * y + 3 * x + 3)});
    const QByteArray file = lx::encodeBmp24(picture);
    const Bytes expected = {'B', 'M', 78, 0,  0,  0,  0,  0,  0,  0, 54, 0, 0, 0, // file header
                            40,  0,   0,  0,  3,  0,  0,  0,  2,  0, 0,  0, 1, 0,
                            24,  0,                          // size, width, height, planes, bits
                            0,   0,   0,  0,  24, 0,  0,  0, // compression, row bytes
                            0,   0,   0,  0,  0,  0,  0,  0,  0,  0, 0,  0, 0, 0,
                            0,   0,                                          // resolution, colours
                            11,  12,  13, 14, 15, 16, 17, 18, 19, 0, 0,  0,  // bottom row
                            1,   2,   3,  4,  5,  6,  7,  8,  9,  0, 0,  0}; // top row
    EXPECT_EQ(Bytes(file.begin(), file.end()), expected);
}

uint32_t fileU32(const QByteArray& f, int offset) {
    const auto* p = reinterpret_cast<const uint8_t*>(f.constData()) + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
unsigned fileU16(const QByteArray& f, int offset) {
    const auto* p = reinterpret_cast<const uint8_t*>(f.constData()) + offset;
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

TEST(BmpEncode, EightBitFileCarriesTheIdentityGreyPalette) {
    // 3 x 2: rows of 3 bytes padded to 4, 8 pixel bytes; palette 256 * 4 =
    // 1024; offset 54 + 1024 = 1078; file 1078 + 8 = 1086.
    QImage grey(3, 2, QImage::Format_Grayscale8);
    const uint8_t levels[2][3] = {{0, 128, 255}, {7, 8, 9}};
    for (int y = 0; y < 2; ++y)
        std::memcpy(grey.scanLine(y), levels[y], 3);
    const QByteArray f = lx::encodeBmp8(grey);
    ASSERT_EQ(f.size(), 1086);
    EXPECT_EQ(fileU32(f, 2), 1086u);
    EXPECT_EQ(fileU32(f, 10), 1078u);
    EXPECT_EQ(fileU32(f, 14), 40u);
    EXPECT_EQ(fileU16(f, 28), 8u);
    EXPECT_EQ(fileU32(f, 30), 0u); // plain RGB
    EXPECT_EQ(fileU32(f, 34), 8u);
    EXPECT_EQ(fileU32(f, 46), 0u); // colours used: 0 means all 256
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(fileU32(f, 54 + 4 * i), uint32_t(i) * 0x010101u) << "entry " << i;
    const Bytes rows(f.begin() + 1078, f.end());
    EXPECT_EQ(rows, (Bytes{7, 8, 9, 0, 0, 128, 255, 0}));
}

TEST(BmpEncode, ThirtyTwoBitInterleavesColourAndCoverage) {
    // 3 x 2: rows of 12 bytes, no padding; file 14 + 40 + 24 = 78.
    QImage colour(3, 2, QImage::Format_BGR888);
    QImage coverage(3, 2, QImage::Format_Grayscale8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            setBgr(colour, x, y, Bgr{uint8_t(x), uint8_t(y), uint8_t(x + y)});
            coverage.scanLine(y)[x] = uint8_t(100 + 10 * y + x);
        }
    const QByteArray f = lx::encodeBmp32(colour, coverage);
    ASSERT_EQ(f.size(), 78);
    EXPECT_EQ(fileU32(f, 2), 78u);
    EXPECT_EQ(fileU32(f, 10), 54u);
    EXPECT_EQ(fileU32(f, 18), 3u);
    EXPECT_EQ(fileU32(f, 22), 2u);
    EXPECT_EQ(fileU16(f, 26), 1u);
    EXPECT_EQ(fileU16(f, 28), 32u);
    EXPECT_EQ(fileU32(f, 34), 24u);
    const Bytes rows(f.begin() + 54, f.end());
    EXPECT_EQ(rows, (Bytes{0, 1, 1, 110, 1, 1, 2, 111, 2, 1, 3, 112,    // bottom row (y = 1)
                           0, 0, 0, 100, 1, 0, 1, 101, 2, 0, 2, 102})); // top row
}

TEST(BmpEncode, AsIsWritesAlphaStraightAndOpaquePicturesAs24Bit) {
    // RGBA8888 holds red, green, blue, alpha bytes; the file wants blue,
    // green, red, alpha.
    QImage rgba(1, 1, QImage::Format_RGBA8888);
    const uint8_t px[4] = {10, 20, 30, 40};
    std::memcpy(rgba.scanLine(0), px, 4);
    const QByteArray f32 = lx::encodeBmpAsIs(rgba);
    ASSERT_EQ(f32.size(), 58);
    EXPECT_EQ(fileU16(f32, 28), 32u);
    EXPECT_EQ(Bytes(f32.begin() + 54, f32.end()), (Bytes{30, 20, 10, 40}));

    QImage rgb(1, 1, QImage::Format_RGB32);
    rgb.setPixel(0, 0, qRgb(30, 20, 10));
    const QByteArray f24 = lx::encodeBmpAsIs(rgb);
    ASSERT_EQ(f24.size(), 58); // 3 bytes padded to 4
    EXPECT_EQ(fileU16(f24, 28), 24u);
    EXPECT_EQ(Bytes(f24.begin() + 54, f24.end()), (Bytes{10, 20, 30, 0}));
}

TEST(BmpEncode, TwentyFourBitKeepsColourValuesOfTransparentPixels) {
    QImage argb(1, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(200, 100, 50, 0));
    const QByteArray f = lx::encodeBmp24(argb);
    ASSERT_EQ(f.size(), 58);
    EXPECT_EQ(Bytes(f.begin() + 54, f.end()), (Bytes{50, 100, 200, 0}));
}

TEST(BmpEncode, NullOrMismatchedPicturesGiveNothing) {
    EXPECT_TRUE(lx::encodeBmp24(QImage()).isEmpty());
    EXPECT_TRUE(lx::encodeBmp8(QImage()).isEmpty());
    EXPECT_TRUE(lx::encodeBmpAsIs(QImage()).isEmpty());
    EXPECT_TRUE(lx::encodeBmp32(QImage(), solidGrey(2, 2, 1)).isEmpty());
    EXPECT_TRUE(lx::encodeBmp32(solidBgr(2, 2, {1, 2, 3}), QImage()).isEmpty());
    EXPECT_TRUE(lx::encodeBmp32(solidBgr(2, 2, {1, 2, 3}), solidGrey(2, 3, 1)).isEmpty());
}

// Read-only zero pages that are never touched unless read: room for a
// picture of gigabytes without committing memory.
class ZeroPages {
public:
    explicit ZeroPages(size_t Bytes) : bytes_(Bytes) {
        void* m =
            mmap(nullptr, bytes_, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (m == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<uchar*>(m);
    }
    ~ZeroPages() { munmap(data_, bytes_); }
    ZeroPages(const ZeroPages&) = delete;
    ZeroPages& operator=(const ZeroPages&) = delete;
    const uchar* data() const { return data_; }

private:
    size_t bytes_;
    uchar* data_ = nullptr;
};

TEST(BmpEncode, RefusesFilesPastTwoGigabytes) {
    // 30000 x 17900 at 32 bits: 30000 * 4 * 17900 = 2,148,000,000 pixel
    // bytes, past 2^31 - 1 = 2,147,483,647 (and past 32-bit products). The
    // alpha picture goes to the file unconverted, so only the size check
    // stands in the way.
    const int w = 30000, h = 17900;
    ZeroPages pages(size_t(w) * 4 * size_t(h));
    const QImage huge(pages.data(), w, h, qsizetype(w) * 4, QImage::Format_ARGB32);
    ASSERT_FALSE(huge.isNull());
    EXPECT_TRUE(lx::encodeBmpAsIs(huge).isEmpty());
}

// ---- round trips ----

std::vector<uint8_t> randomBytes(std::mt19937& rng, size_t n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(rng());
    return v;
}

QImage randomImage(int w, int h, QImage::Format format, int bytesPerPixel, std::mt19937& rng) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y) {
        const auto row = randomBytes(rng, size_t(w) * size_t(bytesPerPixel));
        std::memcpy(image.scanLine(y), row.data(), row.size());
    }
    return image;
}

bool sameRows(const QImage& a, const QImage& b, int bytesPerPixel) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y),
                        size_t(a.width()) * size_t(bytesPerPixel)) != 0)
            return false;
    return true;
}

TEST(BmpRoundTrip, EveryWriterOnOddWidths) {
    std::mt19937 rng(11);
    for (int w : {1, 3, 5})
        for (int h : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
            const QImage colour = randomImage(w, h, QImage::Format_BGR888, 3, rng);
            const QImage cover = randomImage(w, h, QImage::Format_Grayscale8, 1, rng);
            const QImage argb = randomImage(w, h, QImage::Format_ARGB32, 4, rng);

            const Decoded d32 = decode(lx::encodeBmp32(colour, cover));
            ASSERT_TRUE(d32.Ok);
            EXPECT_EQ(d32.Bmp.BitCount, 32);
            EXPECT_TRUE(sameRows(lx::decodedToBgr(d32.Bmp), colour, 3));
            EXPECT_TRUE(sameRows(lx::decodedFourthByte(d32.Bmp), cover, 1));

            const Decoded d24 = decode(lx::encodeBmp24(colour));
            ASSERT_TRUE(d24.Ok);
            EXPECT_EQ(d24.Bmp.BitCount, 24);
            EXPECT_TRUE(sameRows(lx::decodedToBgr(d24.Bmp), colour, 3));

            const Decoded d8 = decode(lx::encodeBmp8(cover));
            ASSERT_TRUE(d8.Ok);
            EXPECT_EQ(d8.Bmp.BitCount, 8);
            EXPECT_TRUE(sameRows(lx::decodedLevels(d8.Bmp), cover, 1));
            ASSERT_EQ(d8.Bmp.Palette.size(), 256u);
            EXPECT_EQ(d8.Bmp.Palette[200], 0xC8C8C8u);

            const Decoded dAsIs = decode(lx::encodeBmpAsIs(argb));
            ASSERT_TRUE(dAsIs.Ok);
            EXPECT_EQ(dAsIs.Bmp.BitCount, 32);
            EXPECT_TRUE(sameRows(dAsIs.Bmp.Pixels, argb, 4));
        }
}

// ---- writers and bit-field reader against plain references ----

// The file a writer must produce, pixel by pixel from the format's rules.
QByteArray referenceFile(int w, int h, int bits, const std::function<uint8_t(int, int, int)>& at) {
    const int rowBytes = (w * bits + 31) / 32 * 4;
    const int offset = 54 + (bits == 8 ? 1024 : 0);
    Bytes f = {'B', 'M'};
    put32(f, uint32_t(offset + rowBytes * h));
    put32(f, 0);
    put32(f, uint32_t(offset));
    Info i;
    i.Width = w;
    i.Height = h;
    i.Bits = bits;
    Bytes info = infoHeader(i);
    for (int k = 0; k < 4; ++k) // the size of the pixel rows, at 20
        info[size_t(20 + k)] = uint8_t((rowBytes * h) >> (8 * k));
    f.insert(f.end(), info.begin(), info.end());
    if (bits == 8)
        for (int k = 0; k < 256; ++k)
            append(f, {uint8_t(k), uint8_t(k), uint8_t(k), 0});
    const int channels = bits / 8;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                f.push_back(at(x, y, c));
        for (int p = w * channels; p < rowBytes; ++p)
            f.push_back(0);
    }
    return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size()));
}

// Case n draws everything from a generator seeded with n; a failure names
// the case to replay.
std::string writerCase(int n) {
    std::mt19937 rng(uint32_t(n) * 2654435761u + 5u);
    const int w = 1 + int(rng() % 70), h = 1 + int(rng() % 5);
    const QImage colour = randomImage(w, h, QImage::Format_BGR888, 3, rng);
    const QImage cover = randomImage(w, h, QImage::Format_Grayscale8, 1, rng);
    const QImage argb = randomImage(w, h, QImage::Format_ARGB32, 4, rng);
    const auto bgrAtC = [&](int x, int y, int c) { return colour.constScanLine(y)[3 * x + c]; };
    const std::string name =
        "case " + std::to_string(n) + " (" + std::to_string(w) + " x " + std::to_string(h) + "): ";
    if (lx::encodeBmp32(colour, cover) != referenceFile(w, h, 32, [&](int x, int y, int c) {
            return c < 3 ? bgrAtC(x, y, c) : cover.constScanLine(y)[x];
        }))
        return name + "32-bit";
    if (lx::encodeBmp24(colour) != referenceFile(w, h, 24, bgrAtC)) return name + "24-bit";
    if (lx::encodeBmp8(cover) !=
        referenceFile(w, h, 8, [&](int x, int y, int) { return cover.constScanLine(y)[x]; }))
        return name + "8-bit";
    if (lx::encodeBmpAsIs(argb) != referenceFile(w, h, 32, [&](int x, int y, int c) {
            return argb.constScanLine(y)[4 * x + c];
        }))
        return name + "as is";
    return {};
}

TEST(BmpDifferential, WritersMatchThePlainReference) {
    for (int n = 0; n < 300; ++n) {
        const std::string failure = writerCase(n);
        ASSERT_TRUE(failure.empty()) << failure;
    }
}

// Colour rows that end right before an unreadable page: the 32-bit writer
// must not read past a row, whatever its width.
TEST(BmpDifferential, ThirtyTwoBitWriterStaysInsideTheColourRow) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    void* m = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(m, MAP_FAILED);
    auto* base = static_cast<uchar*>(m);
    mprotect(base + page, page, PROT_NONE);
    std::mt19937 rng(3);
    for (int w : {4, 8, 12, 20, 64, 100}) {
        uchar* row = base + page - size_t(3 * w);
        const auto bytes = randomBytes(rng, size_t(3 * w));
        std::memcpy(row, bytes.data(), bytes.size());
        const QImage colour(row, w, 1, 3 * w, QImage::Format_BGR888);
        const QImage cover = solidGrey(w, 1, 9);
        const QByteArray f = lx::encodeBmp32(colour, cover);
        ASSERT_EQ(f.size(), 54 + 4 * w);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(uint8_t(f[54 + 4 * x + c]), bytes[size_t(3 * x + c)]) << w << " " << x;
    }
    munmap(base, 2 * page);
}

// A random run of bits inside a pixel of Bits bits, or no mask at all.
uint32_t randomMask(std::mt19937& rng, int Bits) {
    if (rng() % 8 == 0) return 0;
    const int length = 1 + int(rng() % uint32_t(Bits));
    const int shift = int(rng() % uint32_t(Bits - length + 1));
    const uint64_t run = (uint64_t(1) << length) - 1;
    return uint32_t(run << shift);
}

// The reference for one channel: v * 255 / (2^n - 1) to nearest in double;
// exact enough, since the quotient is never within 1 / (2 (2^n - 1)) of a
// half and double keeps about 2^-45 near 255.
uint8_t referenceChannel(uint32_t pixel, uint32_t mask, uint8_t missing) {
    if (mask == 0) return missing;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    int bits = 0;
    while (bits + shift < 32 && ((mask >> (shift + bits)) & 1))
        ++bits;
    const double top = std::ldexp(1.0, bits) - 1.0;
    const double v = double((pixel & mask) >> shift);
    return uint8_t(std::floor(v * 255.0 / top + 0.5));
}

std::string bitFieldCase(int n) {
    std::mt19937 rng(uint32_t(n) * 40503u + 17u);
    const int bits = rng() % 2 ? 16 : 32;
    const int w = 1 + int(rng() % 9), h = 1 + int(rng() % 4);
    const bool topDown = rng() % 3 == 0;
    const uint32_t headerSizes[] = {40, 52, 56, 108, 124};
    Info i;
    i.HeaderSize = headerSizes[rng() % 5];
    i.Width = w;
    i.Height = topDown ? -h : h;
    i.Bits = bits;
    i.Compression = 3;
    uint32_t masks[4];
    for (auto& m : masks)
        m = randomMask(rng, bits);
    if (i.HeaderSize < 56) masks[3] = 0;
    Bytes between;
    if (i.HeaderSize == 40)
        for (int k = 0; k < 3; ++k)
            put32(between, masks[k]);
    else
        std::copy(masks, masks + 4, i.Masks);
    const int bytesPerPixel = bits / 8;
    const int rowBytes = (w * bits + 31) / 32 * 4;
    const Bytes pixels = randomBytes(rng, size_t(rowBytes * h));
    const Decoded d = decode(bitmapFile(i, between, pixels));
    const std::string name = "case " + std::to_string(n) + ": ";
    if (!d.Ok) return name + "refused: " + d.Error.toStdString();
    const int step = bits == 32 ? 4 : 3;
    for (int y = 0; y < h; ++y) {
        const int stored = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = pixels.data() + stored * rowBytes + x * bytesPerPixel;
            uint32_t word = 0;
            for (int k = 0; k < bytesPerPixel; ++k)
                word |= uint32_t(p[k]) << (8 * k);
            const uint8_t expected[4] = {
                referenceChannel(word, masks[2], 0), referenceChannel(word, masks[1], 0),
                referenceChannel(word, masks[0], 0), referenceChannel(word, masks[3], 255)};
            for (int c = 0; c < step; ++c)
                if (byteAt(d.Bmp.Pixels, x, y, c, step) != expected[c])
                    return name + "pixel " + std::to_string(x) + "," + std::to_string(y) +
                           " channel " + std::to_string(c);
        }
    }
    return {};
}

TEST(BmpDifferential, BitFieldsMatchThePlainReference) {
    for (int n = 0; n < 300; ++n) {
        const std::string failure = bitFieldCase(n);
        ASSERT_TRUE(failure.empty()) << failure;
    }
}

// ---- hostile input ----

TEST(BmpHostile, EveryTruncationIsRefused) {
    const std::pair<const char*, Bytes> files[] = {
        {"24-bit", file24()}, {"8-bit", file8()}, {"5-6-5", file565()}, {"core", fileCore()}};
    for (const auto& [name, file] : files) {
        ASSERT_TRUE(decode(file).Ok) << name;
        for (size_t n = 0; n < file.size(); ++n) {
            const Decoded d = decode(Bytes(file.begin(), file.begin() + std::ptrdiff_t(n)));
            EXPECT_FALSE(d.Ok) << name << " cut to " << n;
            EXPECT_FALSE(d.Error.isEmpty()) << name << " cut to " << n;
        }
    }
}

void setU32(Bytes& f, size_t offset, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        f[offset + size_t(k)] = uint8_t(v >> (8 * k));
}
void setU16(Bytes& f, size_t offset, unsigned v) {
    f[offset] = uint8_t(v);
    f[offset + 1] = uint8_t(v >> 8);
}

struct HostileCase {
    const char* Name;
    Bytes (*Base)();
    std::function<void(Bytes&)> Spoil;
    const char* Error;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.Name;
}

class BmpHostileTable : public ::testing::TestWithParam<HostileCase> {};

TEST_P(BmpHostileTable, IsRefusedAndLeavesTheOutputAlone) {
    const HostileCase& c = GetParam();
    Bytes file = c.Base();
    c.Spoil(file);
    lx::DecodedBmp out;
    out.BitCount = 99;
    out.Palette = {1, 2, 3};
    QString error;
    const Bytes exact(file);
    EXPECT_FALSE(lx::decodeBmp(exact.data(), exact.size(), out, error));
    EXPECT_EQ(error.toStdString(), c.Error);
    EXPECT_EQ(out.BitCount, 99);
    EXPECT_EQ(out.Palette.size(), 3u);
    EXPECT_TRUE(out.Pixels.isNull());
}

// Field offsets: 10 pixel offset; info header at 14: 18 width, 22 height,
// 26 planes, 28 bit count, 30 compression, 46 colours used; the 5-6-5 file
// has its masks at 54, 58, 62.
INSTANTIATE_TEST_SUITE_P(
    Cases, BmpHostileTable,
    ::testing::Values(
        HostileCase{"notBM", file24, [](Bytes& f) { f[1] = 'A'; }, "not a bitmap file"},
        HostileCase{"headerSize64", file24, [](Bytes& f) { setU32(f, 14, 64); },
                    "unsupported bitmap header"},
        HostileCase{"headerSizeHuge", file24, [](Bytes& f) { setU32(f, 14, 0xFFFFFFFF); },
                    "unsupported bitmap header"},
        HostileCase{"header124PastEnd", file24, [](Bytes& f) { setU32(f, 14, 124); },
                    "bitmap data truncated"},
        HostileCase{"widthHuge", file24, [](Bytes& f) { setU32(f, 18, 30001); },
                    "bitmap too large"},
        HostileCase{"heightHuge", file24, [](Bytes& f) { setU32(f, 22, 30001); },
                    "bitmap too large"},
        HostileCase{"topDownHeightHuge", file24, [](Bytes& f) { setU32(f, 22, uint32_t(-30001)); },
                    "bitmap too large"},
        HostileCase{"areaHuge", file24,
                    [](Bytes& f) {
                        setU32(f, 18, 20001); // 20001^2 = 400,040,001 pixels
                        setU32(f, 22, 20001);
                    },
                    "bitmap too large"},
        HostileCase{"allowedSizeNoData", file24,
                    [](Bytes& f) {
                        setU32(f, 18, 20000); // 400,000,000 pixels, 1.2 GB of rows
                        setU32(f, 22, 20000);
                    },
                    "bitmap data truncated"},
        HostileCase{"widthNegative", file24, [](Bytes& f) { setU32(f, 18, uint32_t(-2)); },
                    "invalid bitmap size"},
        HostileCase{"widthZero", file24, [](Bytes& f) { setU32(f, 18, 0); }, "invalid bitmap size"},
        HostileCase{"heightZero", file24, [](Bytes& f) { setU32(f, 22, 0); },
                    "invalid bitmap size"},
        HostileCase{"heightMin", file24, [](Bytes& f) { setU32(f, 22, 0x80000000u); },
                    "invalid bitmap size"},
        HostileCase{"coreWidthZero", fileCore, [](Bytes& f) { setU16(f, 18, 0); },
                    "invalid bitmap size"},
        HostileCase{"planes2", file24, [](Bytes& f) { setU16(f, 26, 2); }, "invalid bitmap header"},
        HostileCase{"bits7", file24, [](Bytes& f) { setU16(f, 28, 7); },
                    "unsupported bitmap depth"},
        HostileCase{"bits0", file24, [](Bytes& f) { setU16(f, 28, 0); },
                    "unsupported bitmap depth"},
        HostileCase{"rle8", file8, [](Bytes& f) { setU32(f, 30, 1); },
                    "unsupported bitmap compression"},
        HostileCase{"jpeg", file24, [](Bytes& f) { setU32(f, 30, 4); },
                    "unsupported bitmap compression"},
        HostileCase{"bitFields24", file24, [](Bytes& f) { setU32(f, 30, 3); },
                    "unsupported bitmap compression"},
        HostileCase{"maskNotContiguous", file565, [](Bytes& f) { setU32(f, 54, 0xF00F); },
                    "invalid bitmap colour masks"},
        HostileCase{"maskPastSixteenBits", file565, [](Bytes& f) { setU32(f, 62, 0x1F0000); },
                    "invalid bitmap colour masks"},
        HostileCase{"palette1000", file8, [](Bytes& f) { setU32(f, 46, 1000); },
                    "bitmap palette too large"},
        HostileCase{"palettePastEnd", file8, [](Bytes& f) { setU32(f, 46, 256); },
                    "bitmap data truncated"},
        HostileCase{"offsetPastEnd", file24, [](Bytes& f) { setU32(f, 10, uint32_t(f.size())); },
                    "bitmap data truncated"},
        HostileCase{"offsetHuge", file24, [](Bytes& f) { setU32(f, 10, 0xFFFFFFF0u); },
                    "bitmap data truncated"},
        HostileCase{"offsetInsideHeader", file24, [](Bytes& f) { setU32(f, 10, 30); },
                    "invalid bitmap data offset"},
        HostileCase{"pixelsOneByteShort", file24, [](Bytes& f) { f.pop_back(); },
                    "bitmap data truncated"},
        HostileCase{"pixelsOneRowShort", file565, [](Bytes& f) { setU32(f, 22, 2); },
                    "bitmap data truncated"}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.Name); });

// Random damage to the headers of valid files: never a crash or a read out of
// bounds, and whatever is accepted is as large as its header says.
TEST(BmpHostile, RandomHeaderDamage) {
    const Bytes bases[] = {file24(), file8(), file565(), fileCore()};
    for (int n = 0; n < 300; ++n) {
        std::mt19937 rng(uint32_t(n) + 1000u);
        Bytes f = bases[n % 4];
        const size_t headerEnd = std::min<size_t>(f.size(), 70);
        const int damage = 1 + int(rng() % 4);
        for (int k = 0; k < damage; ++k)
            f[rng() % headerEnd] = uint8_t(rng());
        const Decoded d = decode(f);
        if (!d.Ok) {
            EXPECT_FALSE(d.Error.isEmpty()) << "case " << n;
            continue;
        }
        const bool core = f[14] == 12;
        const auto i32At = [&](size_t o) {
            return int64_t(int32_t(uint32_t(f[o]) | uint32_t(f[o + 1]) << 8 |
                                   uint32_t(f[o + 2]) << 16 | uint32_t(f[o + 3]) << 24));
        };
        const int64_t w = core ? int64_t(f[18] | f[19] << 8) : i32At(18);
        const int64_t hRaw = core ? int64_t(f[20] | f[21] << 8) : i32At(22);
        EXPECT_EQ(d.Bmp.Pixels.width(), w) << "case " << n;
        EXPECT_EQ(d.Bmp.Pixels.height(), hRaw < 0 ? -hRaw : hRaw) << "case " << n;
        EXPECT_LE(d.Bmp.Palette.size(), 256u) << "case " << n;
        // The conversions must cope with whatever the palette holds.
        EXPECT_EQ(lx::decodedToBgr(d.Bmp).size(), d.Bmp.Pixels.size()) << "case " << n;
    }
}

} // namespace
