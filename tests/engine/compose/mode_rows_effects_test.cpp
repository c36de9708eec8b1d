// The compositor and every effect pass drawn through the blend-mode rows give
// the same pictures as through the per-pixel routine, in 24-bit display
// composition and in 32-bit composition with coverage.

#include "compose/mode_rows.h"
#include "lxImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

constexpr int kWidth = 70;
constexpr int kHeight = 52;

const TlxImage::ContourPointArray kNoPoints{};
const TlxImage::ContourTableArray kNoTable{};

TColorlistSrcd threeStops() {
    TColorlistSrcd g;
    g.Count = 3;
    g.Stops = {
        {lxRGB(250, 20, 0), 0, 0.5}, {lxRGB(10, 240, 90), 0, 0.5}, {lxRGB(30, 0, 255), 0, 0}};
    return g;
}

// A soft disc with a noisy rim and a hole, partly off the canvas, so that
// coverage takes every value and rows start and end anywhere.
QImage discAlpha(int w, int h, std::mt19937& gen) {
    QImage alpha(w, h, QImage::Format_Grayscale8);
    const double cx = w / 2.0, cy = h / 2.0, r = std::min(w, h) * 0.42;
    for (int y = 0; y < h; ++y) {
        uchar* row = alpha.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            double v = std::clamp((r - d) * 40.0, 0.0, 255.0);
            if (d < r * 0.2) v = 0;
            if (v > 0 && v < 255) v = std::clamp(v + double(int(gen() % 60) - 30), 0.0, 255.0);
            row[x] = uchar(v);
        }
    }
    return alpha;
}

QImage noisePicture(int w, int h, std::mt19937& gen, QImage::Format format) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x)
            row[x] = uchar(gen());
    }
    return image;
}

// Layer k of the document takes effect modes from `modes` in turn, so every
// family of modes appears in every kind of pass.
std::unique_ptr<TlxImage> styledDocument(const std::vector<uint8_t>& modes) {
    auto img = std::make_unique<TlxImage>();
    EXPECT_TRUE(img->NewImage(true, lxRGB(200, 180, 160), 24, kWidth, kHeight));
    for (int t = 0; t < TlxImage::BlendTableCount; ++t)
        for (int i = 0; i < TlxImage::BlendTableSize; ++i)
            img->BlendTables[size_t(t)][size_t(i)] = uint8_t((i >> 8) * (t + 1) + (i & 255) / 2);
    std::mt19937 gen(77);
    size_t next = 0;
    auto mode = [&] { return modes[next++ % modes.size()]; };
    for (int k = 0; k < 5; ++k) {
        const int w = 30 + 7 * k, h = 26 + 5 * k;
        EXPECT_TRUE(
            img->AppendLayer(noisePicture(w, h, gen, QImage::Format_BGR888), discAlpha(w, h, gen)));
        const int i = img->LayersCount - 1;
        TlxLayer& layer = img->Layers[size_t(i)];
        layer.Left = -8 + 17 * k;
        layer.Top = -5 + 9 * k;
        layer.BlendMode = mode();
        layer.Opacity = k == 2 ? 0.6 : 1.0;
        if (k == 3) {
            layer.HasMask = true;
            layer.Mask = noisePicture(w, h, gen, QImage::Format_BGR888);
        }
        img->SetDropShadow(i, mode(), 75, 4, 3, 0, 5, lxRGB(10, 0, 40), false, 0, kNoPoints,
                           kNoTable);
        img->SetOuterGlow(i, mode(), 60, 1, 4, lxRGB(255, 240, 0), false, 0, kNoPoints, kNoTable);
        img->SetInnerShadow(i, mode(), 70, 2, 2, 0, 3, lxRGB(0, 0, 0), false, 0, kNoPoints,
                            kNoTable);
        img->SetInnerGlow(i, mode(), 80, 0, 3, lxRGB(255, 255, 255), false, 0, kNoPoints, kNoTable);
        img->SetBevel(i, mode(), mode(), 70, 60, 1, 1, 0, 3, lxRGB(255, 255, 255), lxRGB(0, 0, 0),
                      false, 0, kNoPoints, kNoTable);
        layer.Style.Bevel.BevelKind = k % 2 == 0 ? lx::BevelInner : lx::BevelOuter;
        layer.Style.Stroke.Position = uint8_t(k % 3);
        img->SetStroke(i, mode(), 90, 0, 2, lxRGB(0, 90, 255), false, 0, kNoPoints, kNoTable);
        if (k % 2 == 1) img->SetGradientStroke(i, 0, threeStops(), false, 30);
        // The colour overlay has no set-up call: its settings are plain fields.
        layer.Style.ColorOverlayOn = true;
        layer.Style.ColorOverlay.BlendMode = mode();
        layer.Style.ColorOverlay.Color = lxRGB(120, 30, 200);
        layer.Style.ColorOverlay.Opacity = 65;
        img->SetGradientOverlay(i, mode(), 55, 0, threeStops(), k == 4, 45);
        img->SetPatternOverlay(
            i, mode(), 40,
            noisePicture(5, 3, gen, k % 2 ? QImage::Format_ARGB32 : QImage::Format_BGR888));
    }
    return img;
}

void expectSamePictures(const std::vector<uint8_t>& modes) {
    // Two documents built alike, so that their dissolve generators start
    // level; one is drawn pixel by pixel, the other by rows.
    auto reference = styledDocument(modes);
    auto rows = styledDocument(modes);
    QImage refShow(kWidth, kHeight, QImage::Format_BGR888);
    QImage rowShow(kWidth, kHeight, QImage::Format_BGR888);
    QImage refAlpha, rowAlpha;
    lx::setPerPixelBlendReference(true);
    ASSERT_TRUE(reference->ComposeImage(refShow));
    ASSERT_TRUE(reference->RenderToAlphaBitmap(refAlpha));
    lx::setPerPixelBlendReference(false);
    ASSERT_TRUE(rows->ComposeImage(rowShow));
    ASSERT_TRUE(rows->RenderToAlphaBitmap(rowAlpha));
    EXPECT_EQ(refShow, rowShow);
    EXPECT_EQ(refAlpha, rowAlpha);
    // The picture is not the plain background: the effects did draw.
    QImage background(kWidth, kHeight, QImage::Format_BGR888);
    background.fill(QColor(200, 180, 160));
    EXPECT_NE(rowShow, background);
}

TEST(ModeRowsEffects, NormalModeEverywhere) {
    expectSamePictures({lx::BlendNormal});
}

TEST(ModeRowsEffects, MostUsedModes) {
    expectSamePictures({lx::BlendMultiply, lx::BlendScreen, lx::BlendOverlay, lx::BlendSoftLight,
                        lx::BlendColor, lx::BlendNormal});
}

TEST(ModeRowsEffects, EveryOtherFamily) {
    expectSamePictures({lx::BlendAdd, lx::BlendDissolve, lx::BlendHue, lx::BlendHardLight,
                        lx::BlendColorBurn, lx::BlendAnd, lx::BlendLinearMultiply,
                        lx::BlendDifference, lx::BlendLuminosity, lx::BlendDissolve,
                        lx::BlendLinearFilter, lx::BlendExclusion, lx::BlendSaturation});
}

TEST(ModeRowsEffects, TableModesOnLayersOfEveryKind) {
    // Seven modes against nine mode choices per layer: every layer, masked,
    // at opacity 0.6 and at opacity 1, is drawn in a table mode.
    expectSamePictures({lx::BlendHardLight, lx::BlendVividLight, lx::BlendPinLight, lx::BlendHardMix,
                        lx::BlendLinearBurn, lx::BlendLinearDodge, lx::BlendExclusion});
}

} // namespace
