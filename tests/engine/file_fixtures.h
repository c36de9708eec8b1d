#pragma once

// Documents and hand-built file pieces shared by the design-file and
// style-file tests.

#include "lxImage.h"
#include "picture_helpers.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace filetest {

inline const TlxImage::ContourPointArray kNoPoints{};
inline const TlxImage::ContourTableArray kNoTable{};
inline const char kSans[] = "DejaVu Sans";

// A picture with a soft-edged square of coverage, so effects have an edge.
inline QImage squareWithCoverage(int w, int h, Bgr colour) {
    QImage picture(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int edge = std::min({x, y, w - 1 - x, h - 1 - y});
            const int a = edge >= 3 ? 255 : edge * 85;
            picture.setPixel(x, y, qRgba(colour.r, colour.g + x % 7, colour.b + y % 5, a));
        }
    return picture;
}

inline TlxTextStyle textStyle(const std::string& text, const std::string& font = kSans) {
    TlxTextStyle style{};
    SetText(style, text);
    SetFontName(style, font);
    style.Size = 14;
    style.Arrangement = lxTextStandard;
    style.Color = lxRGB(200, 30, 40);
    return style;
}

inline TColorlistSrcd twoStops() {
    TColorlistSrcd list;
    list.Count = 2;
    list.Stops = {{lxRGB(255, 0, 0), 0, 1.0}, {lxRGB(0, 0, 255), 0, 0.0}};
    return list;
}

// Little-endian writes into a byte buffer being built by hand.
inline void put16(QByteArray& b, qsizetype at, uint16_t v) {
    b[at] = char(v & 255);
    b[at + 1] = char(v >> 8);
}
inline void put32(QByteArray& b, qsizetype at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = char(v >> (8 * k) & 255);
}
inline uint32_t get32(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k)
        v |= uint32_t(uint8_t(b[at + k])) << (8 * k);
    return v;
}
template <class T> void putRaw(QByteArray& b, qsizetype at, const T& v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}

// The bytes a short shadow record (52) of the older files holds: the long
// record's first 44 bytes, then two reserved words.
inline QByteArray shortShadow(const TlxShadowStyle& r, uint32_t tail1, uint32_t tail2) {
    QByteArray b(52, '\0');
    std::memcpy(b.data(), &r, 44);
    put32(b, 44, tail1);
    put32(b, 48, tail2);
    return b;
}
inline QByteArray shortGlow(const TlxGlowStyle& r) {
    QByteArray b(44, '\0');
    std::memcpy(b.data(), &r, 36);
    return b;
}
inline QByteArray shortBevel(const TlxBevelStyle& r, int32_t streamLength) {
    QByteArray b(64, '\0');
    std::memcpy(b.data(), &r, 56);
    put32(b, 56, uint32_t(streamLength));
    return b;
}
inline QByteArray shortStroke(const TlxStrokeStyle& r, int32_t streamLength) {
    QByteArray b(36, '\0');
    std::memcpy(b.data(), &r, 28);
    put32(b, 28, uint32_t(streamLength));
    return b;
}

inline bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    const int bytes = a.width() * (a.depth() / 8);
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(bytes)) != 0) return false;
    return true;
}

// What a refused or failed load must leave as it was: the document's size,
// layer count, current layer, display picture, every layer's picture and
// its document information.
struct DocumentSnapshot {
    int count, width, height, current;
    QImage show;
    std::vector<QImage> layers;
    std::string info1;
    explicit DocumentSnapshot(const TlxImage& d)
        : count(d.LayersCount), width(d.ImageWidth), height(d.ImageHeight), current(d.CurrLayerID),
          show(d.ShowBmp.copy()), info1(d.DocInfo1) {
        for (int i = 0; i < std::clamp(d.LayersCount, 0, TlxImage::MaxLayers); ++i)
            layers.push_back(d.Layers[size_t(i)].Bitmap.copy());
    }
    void expectSame(const TlxImage& d) const {
        EXPECT_EQ(d.LayersCount, count);
        EXPECT_EQ(d.ImageWidth, width);
        EXPECT_EQ(d.ImageHeight, height);
        EXPECT_EQ(d.CurrLayerID, current);
        EXPECT_TRUE(samePixels(d.ShowBmp, show));
        for (size_t i = 0; i < layers.size(); ++i)
            EXPECT_TRUE(samePixels(d.Layers[i].Bitmap, layers[i])) << "layer " << i;
        EXPECT_EQ(d.DocInfo1, info1);
    }
};

} // namespace filetest

