#pragma once

#include <QImage>

#include <cstdint>

// A window onto a picture's rows: pixel loops take one of these by value and
// fetch each row pointer once.
struct PixelView {
    uint8_t* Data = nullptr;
    qsizetype Stride = 0;
    int Width = 0;
    int Height = 0;

    uint8_t* row(int y) const { return Data + qsizetype(y) * Stride; }
};

struct ConstPixelView {
    const uint8_t* Data = nullptr;
    qsizetype Stride = 0;
    int Width = 0;
    int Height = 0;

    const uint8_t* row(int y) const { return Data + qsizetype(y) * Stride; }
};

// bits() detaches a shared image once here, not in every row fetch.
inline PixelView viewOf(QImage& image) {
    return {image.bits(), image.bytesPerLine(), image.width(), image.height()};
}

inline ConstPixelView constViewOf(const QImage& image) {
    return {image.constBits(), image.bytesPerLine(), image.width(), image.height()};
}

// The blue, green, red bytes at p as the packed colour the blend routines
// take: red * 65536 + green * 256 + blue.
inline uint32_t packBgr(const uint8_t* p) {
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
