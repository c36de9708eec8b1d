#pragma once

// Small builders and readers of test pictures.

#include <QImage>

#include <cstdint>

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

inline QImage solidBgr(int w, int h, Bgr c) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return image;
}

inline QImage solidGrey(int w, int h, uint8_t level) {
    QImage image(w, h, QImage::Format_Grayscale8);
    image.fill(level);
    return image;
}

inline Bgr bgrAt(const QImage& image, int x, int y) {
    const uint8_t* p = image.constScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

inline void setBgr(QImage& image, int x, int y, Bgr c) {
    uint8_t* p = image.scanLine(y) + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

inline uint8_t greyAt(const QImage& image, int x, int y) {
    return image.constScanLine(y)[x];
}

inline void PrintTo(const Bgr& c, std::ostream* os) {
    *os << "(b " << int(c.b) << ", g " << int(c.g) << ", r " << int(c.r) << ")";
}
