#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <QDir>

#include <cmath>
#include <functional>
#include <memory>

namespace {

const TlxImage::ContourPointArray kNoPoints{};
const TlxImage::ContourTableArray kNoTable{};

constexpr int kCell = 150;
constexpr int kShape = 90;
constexpr int kInset = 30; // shape offset inside its cell

// A blue disc with a soft one-pixel rim.
void addDisc(TlxImage& img, int cellX, int cellY) {
    QImage picture = solidBgr(kShape, kShape, {200, 120, 40});
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
};

int brightness(const QImage& image, int x, int y) {
    const Bgr c = bgrAt(image, x, y);
    return c.b + c.g + c.r;
}

TEST(EffectsPictureTest, EveryEffectShowsWhereItsNameSays) {
    TlxImage img;
    ASSERT_TRUE(img.NewImage(true, lxRGB(255, 255, 255), 24, 4 * kCell, 3 * kCell));
    TlxImage plain;
    ASSERT_TRUE(plain.NewImage(true, lxRGB(255, 255, 255), 24, 4 * kCell, 3 * kCell));

    TColorlistSrcd rainbow;
    rainbow.Count = 3;
    rainbow.Stops = {
        {lxRGB(255, 0, 0), 0, 0.5}, {lxRGB(255, 255, 0), 0, 0.5}, {lxRGB(0, 160, 0), 0, 0}};
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixel(x, y, (x / 4 + y / 4) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));

    struct Item {
        const char* name;
        std::function<bool(TlxImage&, int)> apply;
        Probe probe; // where the effect shows
        bool darker; // darker than without the effect (else: different colour)
    };
    const Item items[] = {
        {"drop shadow",
         [](TlxImage& i, int l) {
             return i.SetDropShadow(l, 0, 75, 8, 8, 0, 6, lxRGB(0, 0, 0), false, 0, kNoPoints,
                                    kNoTable);
         },
         {kShape / 2 + 8, kShape + 4},
         true},
        {"outer glow",
         [](TlxImage& i, int l) {
             return i.SetOuterGlow(l, 0, 90, 2, 12, lxRGB(255, 200, 0), false, 0, kNoPoints,
                                   kNoTable);
         },
         {-4, kShape / 2},
         false},
        {"inner shadow",
         [](TlxImage& i, int l) {
             return i.SetInnerShadow(l, 0, 75, 6, 6, 0, 8, lxRGB(0, 0, 0), false, 0, kNoPoints,
                                     kNoTable);
         },
         {kShape / 2, 6},
         true},
        {"inner glow",
         [](TlxImage& i, int l) {
             return i.SetInnerGlow(l, 0, 90, 0, 10, lxRGB(255, 255, 180), false, 0, kNoPoints,
                                   kNoTable);
         },
         {kShape / 2, 4},
         false},
        {"inner bevel",
         [](TlxImage& i, int l) {
             i.Layers[size_t(l)].Style.Bevel.BevelKind = 0;
             return i.SetBevel(l, 0, 0, 80, 80, 5, 5, 0, 8, lxRGB(255, 255, 255), lxRGB(0, 0, 0),
                               false, 0, kNoPoints, kNoTable);
         },
         {72, 72},
         true},
        {"outer bevel",
         [](TlxImage& i, int l) {
             i.Layers[size_t(l)].Style.Bevel.BevelKind = 1;
             return i.SetBevel(l, 0, 0, 80, 80, 5, 5, 0, 8, lxRGB(255, 255, 255), lxRGB(0, 0, 0),
                               false, 0, kNoPoints, kNoTable);
         },
         {77, 77},
         true},
        {"stroke outside",
         [](TlxImage& i, int l) {
             i.Layers[size_t(l)].Style.Stroke.Position = 0;
             return i.SetStroke(l, 0, 100, 0, 5, lxRGB(220, 0, 0), false, 0, kNoPoints, kNoTable);
         },
         {-2, kShape / 2},
         false},
        {"stroke inside",
         [](TlxImage& i, int l) {
             i.Layers[size_t(l)].Style.Stroke.Position = 1;
             return i.SetStroke(l, 0, 100, 0, 5, lxRGB(220, 0, 0), false, 0, kNoPoints, kNoTable);
         },
         {kShape / 2, kShape / 2},
         false},
        {"stroke centre",
         [](TlxImage& i, int l) {
             i.Layers[size_t(l)].Style.Stroke.Position = 2;
             return i.SetStroke(l, 0, 100, 0, 5, lxRGB(220, 0, 0), false, 0, kNoPoints, kNoTable);
         },
         {-2, kShape / 2},
         false},
        {"colour overlay",
         [](TlxImage& i, int l) {
             TlxLayerStyle& s = i.Layers[size_t(l)].Style;
             s.ColorOverlayOn = true;
             s.ColorOverlay.Color = lxRGB(0, 180, 0);
             s.ColorOverlay.Opacity = 70;
             return true;
         },
         {kShape / 2, kShape / 2},
         false},
        {"gradient overlay",
         [&](TlxImage& i, int l) {
             return i.SetGradientOverlay(l, 0, 80, lxGradientHorizontal, rainbow, false, 0);
         },
         {kShape / 4, kShape / 2},
         false},
        {"pattern overlay",
         [&](TlxImage& i, int l) { return i.SetPatternOverlay(l, 0, 60, pattern); },
         {kShape / 2 + 1, kShape / 2 + 1},
         false},
    };
    int k = 0;
    for (const Item& item : items) {
        const int cx = k % 4, cy = k / 4;
        addDisc(img, cx, cy);
        addDisc(plain, cx, cy);
        ASSERT_TRUE(item.apply(img, img.LayersCount - 1)) << item.name;
        ++k;
    }
    ASSERT_TRUE(img.ReDraw());
    ASSERT_TRUE(plain.ReDraw());
    k = 0;
    for (const Item& item : items) {
        const int x = (k % 4) * kCell + kInset + item.probe.dx;
        const int y = (k / 4) * kCell + kInset + item.probe.dy;
        if (item.darker)
            EXPECT_LT(brightness(img.ShowBmp, x, y), brightness(plain.ShowBmp, x, y) - 20)
                << item.name;
        else
            EXPECT_NE(bgrAt(img.ShowBmp, x, y), bgrAt(plain.ShowBmp, x, y)) << item.name;
        ++k;
    }
    // Nothing reaches the far corner of any cell.
    for (int c = 0; c < 12; ++c)
        EXPECT_EQ(bgrAt(img.ShowBmp, (c % 4) * kCell + 2, (c / 4) * kCell + 2),
                  (Bgr{255, 255, 255}));

    const QByteArray dir = qgetenv("VELMO_SHOT_DIR");
    if (!dir.isEmpty()) img.ShowBmp.save(QDir(QString::fromLocal8Bit(dir)).filePath("effects.png"));
}

} // namespace
