#pragma once

// Test material shared by the effect tests: the draw rules written out
// plainly (defined with the shadow and glow tests) and a small document.

#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <vector>

namespace effect_reference {
using Map = std::array<int, 256>;
uint32_t packed(uint32_t color);
Map map(const TlxContour& contour, bool invert);
void outer(TlxImage& image, QImage& target, const TlxLayer& layer, const QImage& mask, int64_t ox,
           int64_t oy, uint8_t mode, uint32_t packed, const QImage* colours, double e,
           const Map& map);
void inner(TlxImage& image, QImage& target, const TlxLayer& layer, const QImage& mask, int64_t ox,
           int64_t oy, uint8_t mode, uint32_t packed, const QImage* colours, double e,
           const Map& map);
QImage randomGrey(std::mt19937& rng, int w, int h);
QImage randomBgr(std::mt19937& rng, int w, int h, QImage::Format format);
void randomContour(std::mt19937& rng, TlxContour& contour);
TlxImage::ContourTableArray identityTable();
QImage greyRows(const std::vector<std::vector<int>>& rows);
std::vector<std::vector<int>> bytesOf(const QImage& grey);
} // namespace effect_reference

// A 20 x 20 white document; layers are added on top with a hand-made alpha.
struct EffectDoc {
    std::unique_ptr<TlxImage> img = std::make_unique<TlxImage>();
    explicit EffectDoc(int w = 20, int h = 20) {
        EXPECT_TRUE(img->NewImage(true, 0xFFFFFF, 24, w, h));
    }
    int addLayer(const QImage& alpha, int left, int top) {
        EXPECT_TRUE(img->AppendLayer(solidBgr(alpha.width(), alpha.height(), {9, 9, 9}), alpha));
        const int i = img->LayersCount - 1;
        img->Layers[size_t(i)].Left = left;
        img->Layers[size_t(i)].Top = top;
        return i;
    }
    TlxLayer& layer(int i) { return img->Layers[size_t(i)]; }
    QImage target(Bgr fill = {255, 255, 255}) const {
        return solidBgr(img->ImageWidth, img->ImageHeight, fill);
    }
};
