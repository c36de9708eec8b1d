#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// A white document of w x 1 whose background layer is opaque white.
std::unique_ptr<TlxImage> whiteRow(int w) {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(255, 255, 255), 24, w, 1));
    return img;
}

// Adds a black layer of the given coverage bytes at (left, 0).
void addBlackLayer(TlxImage& img, int left, std::initializer_list<int> alpha) {
    ASSERT_TRUE(img.AddBitmapLayer(solidBgr(int(alpha.size()), 1, {0, 0, 0})));
    TlxLayer& layer = img.Layers[size_t(img.LayersCount - 1)];
    int x = 0;
    for (int a : alpha)
        layer.Alpha.scanLine(0)[x++] = uint8_t(a);
    layer.Left = left;
}

TEST(ResolveColorTest, SystemColoursComeFromTheTable) {
    EXPECT_EQ(ResolveColor(0x00123456), 0x00123456u);
    EXPECT_EQ(ResolveColor(0x80000005), lxRGB(255, 255, 255));    // window
    EXPECT_EQ(ResolveColor(0xFF00000F), lxRGB(0xF0, 0xF0, 0xF0)); // button face
    EXPECT_EQ(ResolveColor(0x80000008), lxRGB(0, 0, 0));          // window text
    EXPECT_EQ(ResolveColor(0x800000FF), 0u);                      // no such system colour
    EXPECT_EQ(ResolveColor(0x02123456), 0x00123456u);
}

TEST(LayerStyleSlotTest, EffectsMoveWithTheLayerAndTheGlossStays) {
    auto img = whiteRow(4);
    addBlackLayer(*img, 0, {255});
    addBlackLayer(*img, 0, {255, 255});
    TlxLayerStyle& one = img->Layers[1].Style;
    one.DropShadowOn = true;
    one.DropShadow.Size = 7;
    one.DropShadowMask = solidGrey(5, 5, 9);
    one.GlossOn = true;
    one.Gloss[0] = 0xAB;
    one.EffectsIgnoreOpacity = true;

    ASSERT_TRUE(img->SwapLayers(1, 2));
    const TlxLayerStyle& down = img->Layers[1].Style;
    const TlxLayerStyle& up = img->Layers[2].Style;
    EXPECT_TRUE(up.DropShadowOn);
    EXPECT_EQ(up.DropShadow.Size, 7);
    EXPECT_EQ(up.DropShadowMask.size(), QSize(5, 5));
    EXPECT_TRUE(up.EffectsIgnoreOpacity);
    EXPECT_FALSE(up.GlossOn);
    EXPECT_EQ(up.Gloss[0], 0);
    EXPECT_FALSE(down.DropShadowOn);
    EXPECT_TRUE(down.DropShadowMask.isNull());
    EXPECT_TRUE(down.GlossOn);
    EXPECT_EQ(down.Gloss[0], 0xAB);

    // Deleting slot 1 moves the shadowed layer down; the emptied top slot
    // has every effect off but keeps its gloss block and opacity switch.
    img->Layers[2].Style.GlossOn = true;
    img->Layers[2].Style.Gloss[1] = 0xCD;
    ASSERT_TRUE(img->DeleteLayer(1));
    EXPECT_TRUE(img->Layers[1].Style.DropShadowOn);
    EXPECT_EQ(img->Layers[1].Style.Gloss[0], 0xAB);
    EXPECT_EQ(img->Layers[1].Style.Gloss[1], 0);
    const TlxLayerStyle& freed = img->Layers[2].Style;
    EXPECT_FALSE(freed.DropShadowOn);
    EXPECT_TRUE(freed.DropShadowMask.isNull());
    EXPECT_TRUE(freed.GlossOn);
    EXPECT_EQ(freed.Gloss[1], 0xCD);
    EXPECT_TRUE(freed.EffectsIgnoreOpacity);

    img->CloseImage();
    EXPECT_FALSE(img->Layers[1].Style.DropShadowOn);
    EXPECT_TRUE(img->Layers[1].Style.DropShadowMask.isNull());
}

TEST(ColorOverlayTest, ConfinedToTheLayersCoverage) {
    auto img = whiteRow(3);
    addBlackLayer(*img, 1, {255, 128});
    TlxLayerStyle& style = img->Layers[1].Style;
    style.ColorOverlayOn = true;
    style.ColorOverlay.Color = lxRGB(255, 0, 0);
    style.ColorOverlay.Opacity = 50;
    ASSERT_TRUE(img->ReDraw());
    // x 0: outside the layer, white.
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{255, 255, 255}));
    // x 1: black layer, then red at 255 * 0.5 / 255 = 0.5: red 127.5 -> 128.
    EXPECT_EQ(bgrAt(img->ShowBmp, 1, 0), (Bgr{0, 0, 128}));
    // x 2: the layer at 128/255 leaves 127/255 * 255 = 127; the overlay at
    // 128 * 0.5 / 255 = 0.25098: red 0.74902 * 127 + 64 = 159.1 -> 159,
    // green and blue 95.1 -> 95.
    EXPECT_EQ(bgrAt(img->ShowBmp, 2, 0), (Bgr{95, 95, 159}));
}

TEST(ColorOverlayTest, OpacityZeroShowsOnlyEffectsWhenTheyIgnoreIt) {
    for (bool ignore : {false, true}) {
        auto img = whiteRow(2);
        addBlackLayer(*img, 0, {255, 255});
        TlxLayer& layer = img->Layers[1];
        layer.Opacity = 0;
        layer.Style.EffectsIgnoreOpacity = ignore;
        layer.Style.ColorOverlayOn = true;
        layer.Style.ColorOverlay.Color = lxRGB(255, 0, 0);
        layer.Style.ColorOverlay.Opacity = 50;
        ASSERT_TRUE(img->ReDraw());
        // Only the overlay at 0.5 over white: green and blue 127.5 -> 128.
        const Bgr expected = ignore ? Bgr{128, 128, 255} : Bgr{255, 255, 255};
        EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), expected) << ignore;
    }
    // With its opacity in force, an effect fades with the layer: e = 0.5 * 0.5.
    auto img = whiteRow(1);
    addBlackLayer(*img, 0, {255});
    TlxLayer& layer = img->Layers[1];
    layer.Opacity = 0.5;
    EXPECT_DOUBLE_EQ(TlxImage::EffectOpacity(layer, 50), 0.25);
    layer.Style.EffectsIgnoreOpacity = true;
    EXPECT_DOUBLE_EQ(TlxImage::EffectOpacity(layer, 50), 0.5);
}

TEST(PatternOverlayTest, TilesFromTheLayersCorner) {
    auto img = whiteRow(3);
    addBlackLayer(*img, -1, {255, 255, 255, 255});
    QImage tile(2, 1, QImage::Format_RGB32);
    tile.setPixel(0, 0, qRgb(10, 20, 30));
    tile.setPixel(1, 0, qRgb(40, 50, 60));
    ASSERT_TRUE(img->SetPatternOverlay(1, 0, 100, tile));
    ASSERT_TRUE(img->ReDraw());
    // Layer columns 1, 2, 3 are on the document at 0, 1, 2: tile 1, 0, 1.
    EXPECT_EQ(bgrAt(img->ShowBmp, 0, 0), (Bgr{60, 50, 40}));
    EXPECT_EQ(bgrAt(img->ShowBmp, 1, 0), (Bgr{30, 20, 10}));
    EXPECT_EQ(bgrAt(img->ShowBmp, 2, 0), (Bgr{60, 50, 40}));

    // A tile with coverage 51 (0.2) over the black layer: 0.2 * 255 = 51.
    QImage see(1, 1, QImage::Format_ARGB32);
    see.setPixel(0, 0, qRgba(255, 255, 255, 51));
    ASSERT_TRUE(img->SetPatternOverlay(1, 0, 100, see));
    EXPECT_EQ(img->Layers[1].Style.PatternBitmap.format(), QImage::Format_ARGB32);
    ASSERT_TRUE(img->ReDraw());
    EXPECT_EQ(bgrAt(img->ShowBmp, 1, 0), (Bgr{51, 51, 51}));

    EXPECT_FALSE(img->SetPatternOverlay(1, 0, 100, QImage()));
    EXPECT_FALSE(img->SetPatternOverlay(5, 0, 100, tile));
}

uint8_t coverageAt(const QImage& argb, int x) {
    return argb.constScanLine(0)[4 * x + 3];
}

TEST(RenderToAlphaBitmapTest, CoverageOnlyAccumulates) {
    auto img = whiteRow(3);
    img->Layers[0].Visible = false;
    img->BackColor = lxRGB(0, 0, 255);
    addBlackLayer(*img, 0, {128, 0, 255});
    addBlackLayer(*img, 0, {128, 10, 0});
    QImage target;
    ASSERT_TRUE(img->RenderToAlphaBitmap(target));
    ASSERT_EQ(target.format(), QImage::Format_ARGB32);
    ASSERT_EQ(target.size(), QSize(3, 1));
    // 255 * 128/255 = 128 twice: 256, kept at 255.
    EXPECT_EQ(coverageAt(target, 0), 255);
    // Only the second layer: 10; a later layer with nothing leaves 255.
    EXPECT_EQ(coverageAt(target, 1), 10);
    EXPECT_EQ(coverageAt(target, 2), 255);
    // The colour bytes blend as on screen: blue 255 under black at
    // 128/255 -> 127, then again -> 127 * 127/255 = 63.25 -> 63.
    EXPECT_EQ(target.constScanLine(0)[0], 63);
    EXPECT_EQ(target.constScanLine(0)[2], 0);

    // With a mask of grey 102, the coverage grows by 255 * 1 * 306 / 765 = 102.
    auto masked = whiteRow(1);
    masked->Layers[0].Visible = false;
    addBlackLayer(*masked, 0, {255});
    QImage mask = solidBgr(1, 1, {102, 102, 102});
    ASSERT_TRUE(masked->SetLayerMask(1, mask));
    ASSERT_TRUE(masked->RenderToAlphaBitmap(target));
    EXPECT_EQ(coverageAt(target, 0), 102);
}

} // namespace
