#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cmath>
#include <functional>
#include <vector>

// Every effect on a disc of its own, composed into one picture by ReDraw, and
// probed where the expected colour can be worked from the draw rule by hand.
//
// The disc: 90 x 90, blue (r 40, g 120, b 200), centre (44.5, 44.5), radius
// 43 with a one-pixel soft rim: alpha 255 wherever the distance from the
// centre is at most 42, 0 wherever it is at least 43. On white, at layer
// opacity 1, an opaque disc pixel is the disc colour exactly.
//
// A blur by radius r reads 2K + 1 bytes each way (K = 2 for r = 1, 7 for
// 2.5, 14 for 5, 30 for 10). The probes sit where that square window lies
// wholly in the alpha-255 part or wholly in the alpha-0 part, so the blurred
// byte is 0 or the flat level of that radius: the single-precision weights
// of a radius do not sum to exactly one, so a flat 255 comes out of the two
// passes as 255 at radius 1 and as 254 at radius 5 (the flat levels the blur
// tests work out weight by weight). Inner masks are inverted, so 254 there
// leaves a mask byte of 1.
//
// Every mode is normal: N((1 - a) * D + a * C), N rounding halves to even;
// the worked values are never within 0.02 of a half.

namespace {

const TlxImage::ContourPointArray kNoPoints{};
const TlxImage::ContourTableArray kNoTable{};

constexpr int kCell = 150;
constexpr int kShape = 90;
constexpr int kInset = 30; // shape offset inside its cell

constexpr Bgr kWhite{255, 255, 255};
constexpr Bgr kDisc{200, 120, 40};

void addDisc(TlxImage& img, int cellX, int cellY) {
    QImage picture = solidBgr(kShape, kShape, kDisc);
    ASSERT_TRUE(img.AddBitmapLayer(picture));
    TlxLayer& layer = img.Layers[size_t(img.LayersCount - 1)];
    const double c = (kShape - 1) / 2.0, r = kShape / 2.0 - 2;
    for (int y = 0; y < kShape; ++y)
        for (int x = 0; x < kShape; ++x)
            layer.Alpha.scanLine(y)[x] =
                uint8_t(std::clamp((r - std::hypot(x - c, y - c)) * 255.0, 0.0, 255.0));
    layer.Left = cellX * kCell + kInset;
    layer.Top = cellY * kCell + kInset;
}

struct Probe {
    int dx, dy; // relative to the disc's top-left corner
    Bgr expected;
};

struct Item {
    const char* name;
    std::function<bool(TlxImage&, int)> apply;
    std::vector<Probe> probes;
};

TEST(EffectsPictureTest, EveryEffectGivesItsWorkedColours) {
    TlxImage img;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 4 * kCell, 3 * kCell));

    TColorlistSrcd rainbow;
    rainbow.Count = 3;
    rainbow.Stops = {
        {lxRGB(255, 0, 0), 0, 0.5}, {lxRGB(255, 255, 0), 0, 0.5}, {lxRGB(0, 160, 0), 0, 0}};
    // Black where x div 4 + y div 4 is even, white where it is odd.
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, (x / 4 + y / 4) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));

    const auto bevel = [](uint8_t kind) {
        return [kind](TlxImage& i, int l) {
            i.Layers[size_t(l)].Style.Bevel.BevelKind = kind;
            return i.SetBevel(l, 0, 0, 80, 80, 5, 5, 0, 2, lxRGB(255, 255, 0), lxRGB(0, 0, 0),
                              false, 0, kNoPoints, kNoTable);
        };
    };
    const auto stroke = [](uint8_t position) {
        return [position](TlxImage& i, int l) {
            i.Layers[size_t(l)].Style.Stroke.Position = position;
            return i.SetStroke(l, 0, 100, 0, 5, lxRGB(220, 0, 0), false, 0, kNoPoints, kNoTable);
        };
    };

    // Stroke, size 5: the alpha blurred by 2.5, every byte above 8 made 255.
    // Beside the disc's left edge, one and two pixels out, the blur is some
    // 27 and 51, and the whole disc is over 250: mask 255 on all of them.
    const Probe strokeBand{-1, 44, {0, 0, 220}};   // outside the layer: a = 1
    const Probe strokeEdge{0, 44, {0, 0, 220}};    // in the layer at alpha 0: a = 1
    const Probe strokeInside{44, 44, {0, 0, 220}}; // inner part: a = 255 * 1 / 255
    const Probe noStrokeOutside{-1, 44, kWhite};
    const Probe discOnly{44, 44, kDisc};

    const Item items[] = {
        // Drop shadow, size 2 (blur 1), offset (8, 8), black at 75 %. The
        // shadow at p is the alpha at p - (8, 8) blurred.
        {"drop shadow",
         [](TlxImage& i, int l) {
             return i.SetDropShadow(l, 0, 75, 8, 8, 0, 2, lxRGB(0, 0, 0), false, 0, kNoPoints,
                                    kNoTable);
         },
         {// (78, 78) is off the disc (alpha 0, distance 47.4); (70, 70) with its
          // 5 x 5 window is on it: mask 255, a = 0.75, 255 * 0.25 = 63.75.
          // (A flat 254 would give 64.5, also 64.)
          {78, 78, {64, 64, 64}},
          // Right of the layer, (83, 52) and its window on the disc: a = e.
          {91, 60, {64, 64, 64}},
          // Under the opaque disc the shadow is knocked out.
          discOnly}},
        // Outer glow, spread 20, size 22, colour (255, 200, 0) at 80 %: the
        // alpha blurred by 10, every byte not 0 made 255, blurred by 1.
        {"outer glow",
         [](TlxImage& i, int l) {
             return i.SetOuterGlow(l, 0, 80, 20, 22, lxRGB(255, 200, 0), false, 0, kNoPoints,
                                   kNoTable);
         },
         {// The grown shape reaches some 21 pixels beyond the disc; a few
          // pixels out, the 5 x 5 window is inside it (the radius-10 blur is
          // some 40..60 there): mask 255, a = 0.8: r 51 + 204, g 51 + 160,
          // b 51 + 0.
          {-2, 44, {51, 211, 255}}, // outside the layer
          {10, 10, {51, 211, 255}}, // in the layer's corner at alpha 0
          discOnly}},
        // Inner shadow, size 10 (blur 5), offset (20, 20), black at 75 %: the
        // mask at p is 255 minus the alpha at p - (20, 20) blurred.
        {"inner shadow",
         [](TlxImage& i, int l) {
             return i.SetInnerShadow(l, 0, 75, 20, 20, 0, 10, lxRGB(0, 0, 0), false, 0, kNoPoints,
                                     kNoTable);
         },
         {// (16, 16) is opaque; (-4, -4) with its 29 x 29 window is off the
          // disc: mask 255, a = 0.75, 0.25 * (40, 120, 200).
          {16, 16, {50, 30, 10}},
          // (40, 40) with its window is on the disc: flat 254, mask 1,
          // a = 0.75 / 255: r 40 - 0.12, g 120 - 0.35, b 200 - 0.59.
          {60, 60, {199, 120, 40}}}},
        // Inner glow, spread 10, size 10, colour (255, 255, 180) at 80 %: the
        // alpha blurred by 5, every byte below 253 made 0, inverted.
        {"inner glow",
         [](TlxImage& i, int l) {
             return i.SetInnerGlow(l, 0, 80, 10, 10, lxRGB(255, 255, 180), false, 0, kNoPoints,
                                   kNoTable);
         },
         {// Two pixels inside the opaque part the blur is about 161: 0,
          // inverted 255, a = 0.8: r 8 + 204, g 24 + 204, b 40 + 144.
          {4, 44, {184, 228, 212}},
          // The middle is flat 254 and stays: mask 1, a = 0.8 / 255: r 40 +
          // 0.67, g 120 + 0.42, b 200 - 0.06.
          {44, 44, {200, 120, 41}}}},
        // Bevels, size 2 (blur 1), offset (5, 5), yellow highlight and black
        // shadow at 80 %. The one mask is 255 minus the blurred alpha; the
        // highlight reads it at p - (5, 5), the shadow at p + (5, 5).
        {"inner bevel",
         bevel(0),
         {// Upper left, opaque: highlight mask 255 ((11, 11) off the disc),
          // shadow mask 0 ((21, 21) on it); a = 0.8 of yellow: r 8 + 204,
          // g 24 + 204, b 40 + 0.
          {16, 16, {40, 228, 212}},
          // Lower right the other way round: 0.2 * (40, 120, 200).
          {73, 73, {40, 24, 8}},
          // In the middle both masks are 0.
          discOnly}},
        // The outer bevel draws the blurred alpha itself: black at p - (5, 5),
        // yellow at p + (5, 5), knocked out by the layer.
        {"outer bevel",
         bevel(1),
         {// Lower right, alpha 0: (71, 71) on the disc gives black at 0.8,
          // (81, 81) off it no yellow: 255 * 0.2 = 51.
          {76, 76, {51, 51, 51}},
          // Upper left: (18, 18) on the disc gives yellow at 0.8 over white:
          // b 51, g and r 255.
          {13, 13, {51, 255, 255}},
          discOnly}},
        // Strokes, size 5, red 220 at 100 %.
        {"stroke outside",
         stroke(0),
         {strokeBand,
          strokeEdge,
          // On the rim at alpha 126 the stroke is weighted by 1 - 126 / 255:
          // r 237.3, g and b 126; then the disc at 126 / 255 over that:
          // r 139.66, g 123.04, b 162.56.
          {2, 44, {163, 123, 140}},
          discOnly}},
        {"stroke inside", stroke(1), {strokeInside, noStrokeOutside}},
        {"stroke centre", stroke(2), {strokeInside, strokeBand}},
        // Colour overlay (0, 180, 0) at 70 % over the opaque disc: r 0.3 *
        // 40, g 0.3 * 120 + 0.7 * 180, b 0.3 * 200; nothing where alpha is 0.
        {"colour overlay",
         [](TlxImage& i, int l) {
             TlxLayerStyle& s = i.Layers[size_t(l)].Style;
             s.ColorOverlayOn = true;
             s.ColorOverlay.BlendMode = 0;
             s.ColorOverlay.Color = lxRGB(0, 180, 0);
             s.ColorOverlay.Opacity = 70;
             return true;
         },
         {{44, 44, {60, 162, 12}}, {1, 1, kWhite}}},
        // Horizontal gradient at 80 % over the 90 columns: red to yellow on
        // columns 0..45 (N(90 * 0.5) = 45), yellow to green (0, 160, 0) on
        // 45..89 (the last segment takes the other 44), column 45 yellow.
        {"gradient overlay",
         [&](TlxImage& i, int l) {
             return i.SetGradientOverlay(l, 0, 80, lxGradientHorizontal, rainbow, false, 0);
         },
         {// Column 15: green N(15 / 45 * 255) = 85; r 8 + 204, g 24 + 68, b 40.
          {15, 44, {40, 92, 212}},
          // Column 45: yellow; r 8 + 204, g 24 + 204, b 40.
          {45, 44, {40, 228, 212}},
          // Column 56, a quarter into the second segment: r N(191.25) = 191,
          // g N(231.25) = 231; r 8 + 152.8, g 24 + 184.8, b 40.
          {56, 44, {40, 209, 161}}}},
        // Pattern at 60 %, tiled from the layer's corner.
        {"pattern overlay",
         [&](TlxImage& i, int l) { return i.SetPatternOverlay(l, 0, 60, pattern); },
         {// Tile (4, 6): black; 0.4 * (40, 120, 200).
          {44, 46, {80, 48, 16}},
          // Tile (0, 6): white; 0.4 * (40, 120, 200) + 153.
          {40, 46, {233, 201, 169}}}},
    };
    int k = 0;
    for (const Item& item : items) {
        addDisc(img, k % 4, k / 4);
        ASSERT_TRUE(item.apply(img, img.LayersCount - 1)) << item.name;
        ++k;
    }
    ASSERT_TRUE(img.ReDraw());
    k = 0;
    for (const Item& item : items) {
        for (const Probe& probe : item.probes) {
            const int x = (k % 4) * kCell + kInset + probe.dx;
            const int y = (k / 4) * kCell + kInset + probe.dy;
            EXPECT_EQ(bgrAt(img.ShowBmp, x, y), probe.expected)
                << item.name << " at (" << probe.dx << ", " << probe.dy << ")";
        }
        ++k;
    }
    // Nothing reaches the far corner of any cell.
    for (int c = 0; c < 12; ++c)
        EXPECT_EQ(bgrAt(img.ShowBmp, (c % 4) * kCell + 2, (c / 4) * kCell + 2), kWhite);

    const QByteArray dir = qgetenv("VELMO_SHOT_DIR");
    if (!dir.isEmpty()) img.ShowBmp.save(QDir(QString::fromLocal8Bit(dir)).filePath("effects.png"));
}

} // namespace
