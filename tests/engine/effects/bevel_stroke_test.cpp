#include "effect_reference.h"
#include "effects/effect_draw.h"
#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

namespace {

namespace ref = effect_reference;
using ref::bytesOf;
using ref::greyRows;
using ref::identityTable;
using Rows = std::vector<std::vector<int>>;
using Table = TlxImage::ContourTableArray;

constexpr uint32_t kWhite = lxRGB(255, 255, 255);
constexpr uint32_t kBlack = lxRGB(0, 0, 0);
constexpr uint32_t kRed = lxRGB(255, 0, 0);

struct Doc : EffectDoc {
    using EffectDoc::EffectDoc;
    bool stroke(int i, int size, int softness, uint32_t colour = kRed, bool contour = false,
                const Table& table = identityTable()) {
        return img->SetStroke(i, 0, 100, softness, size, colour, contour, 0, {}, table);
    }
    bool bevel(int i, int offset, int spread, int size) {
        return img->SetBevel(i, 0, 0, 100, 100, offset, offset, spread, size, kWhite, kBlack, false,
                             0, {}, identityTable());
    }
};

Rows inverted(Rows rows) {
    for (auto& row : rows)
        for (int& v : row)
            v = 255 - v;
    return rows;
}

// ---- stroke set-up ----

// Size 0, Softness 0: M = 0, the mask is the alpha itself at DrawX = DrawY
// = 0. The settings are stored; Position is the caller's and stays.
TEST(StrokeTest, SizeZeroMaskIsTheAlpha) {
    Doc doc;
    const Rows alpha = {{0, 1, 128}, {254, 255, 9}};
    const int i = doc.addLayer(greyRows(alpha), 2, 3);
    doc.layer(i).Style.Stroke.Position = 2;
    doc.img->CanReDraw = false;
    ASSERT_TRUE(doc.img->SetStroke(i, 5, 60, 0, 0, kRed, false, 0, {}, identityTable()));
    EXPECT_TRUE(doc.img->CanReDraw);
    const TlxLayerStyle& s = doc.layer(i).Style;
    EXPECT_TRUE(s.StrokeOn);
    EXPECT_EQ(bytesOf(s.StrokeMask), alpha);
    EXPECT_EQ(s.Stroke.DrawX, 0);
    EXPECT_EQ(s.Stroke.DrawY, 0);
    EXPECT_EQ(s.Stroke.BlendMode, 5);
    EXPECT_EQ(s.Stroke.Opacity, 60);
    EXPECT_EQ(s.Stroke.Color, kRed);
    EXPECT_EQ(s.Stroke.Position, 2);
}

// A 1 x 1 opaque layer. Size 1 (M = 1, 5 x 5): the 0.6 blur gives
// 6 28 6 / 28 113 28 / 6 28 6; threshold 15: 28 and 113 become 255, and 6
// (below it, T > 3) becomes N(6 / 15 * 255) = 102.
// Size 2 (M = 2, 9 x 9): radius 1 gives 0 3 5 3 0 / 3 15 24 15 3 /
// 5 24 41 24 5 / ...; threshold 8: 15, 24, 41 -> 255, 5 -> N(159.375) = 159,
// 3 -> N(95.625) = 96, 0 stays 0.
TEST(StrokeTest, SmallSizesKeepARampBelowTheThreshold) {
    const struct {
        int size;
        Rows mask;
    } cases[] = {
        {1,
         {{0, 0, 0, 0, 0},
          {0, 102, 255, 102, 0},
          {0, 255, 255, 255, 0},
          {0, 102, 255, 102, 0},
          {0, 0, 0, 0, 0}}},
        {2,
         {{0, 0, 0, 0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0, 0, 0, 0},
          {0, 0, 0, 96, 159, 96, 0, 0, 0},
          {0, 0, 96, 255, 255, 255, 96, 0, 0},
          {0, 0, 159, 255, 255, 255, 159, 0, 0},
          {0, 0, 96, 255, 255, 255, 96, 0, 0},
          {0, 0, 0, 96, 159, 96, 0, 0, 0},
          {0, 0, 0, 0, 0, 0, 0, 0, 0},
          {0, 0, 0, 0, 0, 0, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{255}}), 5, 5);
        ASSERT_TRUE(doc.stroke(i, c.size, 0));
        EXPECT_EQ(bytesOf(doc.layer(i).Style.StrokeMask), c.mask) << "size " << c.size;
        EXPECT_EQ(doc.layer(i).Style.Stroke.DrawX, -2 * c.size);
    }
}

// Size 8: threshold 0, every touched byte becomes 255 and nothing else
// appears. Radius 4 (K = 11): the row of 255 gives trunc(255 w_k) =
// 25 24 22 19 15 11 8 ..., the column through the centre multiplies by
// w_0 = 0.1001: 11 * 0.1001 = 1.1 survives, 8 * 0.1001 = 0.8 does not, so
// the centre row and column reach 5 pixels each way.
TEST(StrokeTest, SizeEightHardensEveryTouchedByte) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 5, 5);
    ASSERT_TRUE(doc.stroke(i, 8, 0));
    const QImage& mask = doc.layer(i).Style.StrokeMask;
    ASSERT_EQ(mask.size(), QSize(33, 33));
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 33; ++x) {
            const int v = greyAt(mask, x, y);
            EXPECT_TRUE(v == 0 || v == 255) << x << "," << y << ": " << v;
        }
    for (int d = -8; d <= 8; ++d) {
        const int expected = std::abs(d) <= 5 ? 255 : 0;
        EXPECT_EQ(greyAt(mask, 16 + d, 16), expected) << d;
        EXPECT_EQ(greyAt(mask, 16, 16 + d), expected) << d;
    }
}

// Softness blurs after the threshold: Size 0, Softness 1 is the plain 0.6
// blur of the alpha, M = 1.
TEST(StrokeTest, SoftnessBlursTheStroke) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 5, 5);
    ASSERT_TRUE(doc.stroke(i, 0, 1));
    const Rows expected = {
        {0, 0, 0, 0, 0}, {0, 6, 28, 6, 0}, {0, 28, 113, 28, 0}, {0, 6, 28, 6, 0}, {0, 0, 0, 0, 0}};
    EXPECT_EQ(bytesOf(doc.layer(i).Style.StrokeMask), expected);
    EXPECT_EQ(doc.layer(i).Style.Stroke.DrawX, -2);
}

// Stored values are limited and a mask that is too large is refused with
// the stroke left as it was.
TEST(StrokeTest, LimitsAndFailures) {
    Doc doc;
    const int i = doc.addLayer(solidGrey(29990, 1, 255), 0, 0);
    ASSERT_TRUE(doc.stroke(i, -3, -9));
    const TlxLayerStyle& s = doc.layer(i).Style;
    EXPECT_EQ(s.Stroke.Size, 0);
    EXPECT_EQ(s.Stroke.Softness, 0);
    const QImage before = s.StrokeMask;
    // 29990 + 4 * (2 + 1) > 30000
    EXPECT_FALSE(doc.stroke(i, 2, 1, kBlack));
    EXPECT_TRUE(doc.img->CanReDraw);
    EXPECT_EQ(s.StrokeMask, before);
    EXPECT_EQ(s.Stroke.Color, kRed);
    for (int bad : {-1, 2, 300}) {
        EXPECT_FALSE(doc.stroke(bad, 0, 0));
        EXPECT_FALSE(doc.img->RebuildStroke(bad));
        EXPECT_FALSE(doc.img->SetGradientStroke(bad, 0, {}, false, 0));
        EXPECT_FALSE(doc.img->RebuildGradientStroke(bad));
    }
    EXPECT_FALSE(doc.layer(2).Style.StrokeOn);
}

TEST(StrokeTest, RebuildFollowsTheLayersNewSize) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 0, 0);
    EXPECT_TRUE(doc.img->RebuildStroke(i)); // off: nothing to do
    EXPECT_TRUE(doc.layer(i).Style.StrokeMask.isNull());
    ASSERT_TRUE(doc.stroke(i, 0, 0));
    const Rows alpha = {{1, 2, 3}, {4, 5, 6}};
    doc.layer(i).Alpha = greyRows(alpha);
    doc.layer(i).Bitmap = solidBgr(3, 2, {0, 0, 0});
    doc.img->CanReDraw = false;
    ASSERT_TRUE(doc.img->RebuildStroke(i));
    EXPECT_TRUE(doc.img->CanReDraw);
    EXPECT_EQ(bytesOf(doc.layer(i).Style.StrokeMask), alpha);
}

// ---- stroke drawing ----

// A 2 x 1 layer at (5, 5) with alpha 255, 128; Size 0 (mask = alpha), red,
// normal, 100 %, drawn as the compositor would: outer part, then inner.
//  outer: x=5 knocked out; x=6 m=128, v = 127/255, c = 0.249996:
//         blue, green N(0.750004 * 255) = N(191.25) = 191, red 255.
//  inner: x=5 c = 255 * (255/255 * 1) / 255 = 1 -> pure red;
//         x=6 c = 128 * (128/255) / 255 = 0.251965: over 191 ->
//         N(0.748035 * 191) = N(142.87) = 143; over 255 -> N(190.75) = 191.
// Position 3 (and anything beyond 2) draws nothing.
TEST(StrokeTest, PositionDecidesWhichPartsDraw) {
    const struct {
        uint8_t position;
        Bgr x5, x6;
    } cases[] = {
        {0, {255, 255, 255}, {191, 191, 255}},   {1, {0, 0, 255}, {191, 191, 255}},
        {2, {0, 0, 255}, {143, 143, 255}},       {3, {255, 255, 255}, {255, 255, 255}},
        {200, {255, 255, 255}, {255, 255, 255}},
    };
    for (const auto& c : cases) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{255, 128}}), 5, 5);
        doc.layer(i).Style.Stroke.Position = c.position;
        ASSERT_TRUE(doc.stroke(i, 0, 0));
        QImage target = doc.target();
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::StrokeOuter, lx::EffectTarget::Bgr24,
                                       target, doc.layer(i)));
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::StrokeInner, lx::EffectTarget::Bgr24,
                                       target, doc.layer(i)));
        EXPECT_EQ(bgrAt(target, 5, 5), c.x5) << int(c.position);
        EXPECT_EQ(bgrAt(target, 6, 5), c.x6) << int(c.position);
        QImage rest = target;
        setBgr(rest, 5, 5, {255, 255, 255});
        setBgr(rest, 6, 5, {255, 255, 255});
        EXPECT_EQ(rest, doc.target()) << int(c.position);
    }
}

// The outer part maps the mask byte through the contour, the inner part
// ignores it. Same layer, centre position, every table entry 255:
//  outer x=6: m = 255 under alpha 128: c = 255 * (127/255) / 255 = 0.498
//         -> blue, green N(128.0) = 128;
//  inner as without contour: x=5 pure red; x=6 c = 0.251965 over 128 ->
//         N(95.75) = 96.
TEST(StrokeTest, OnlyTheOuterPartUsesTheContour) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255, 128}}), 5, 5);
    doc.layer(i).Style.Stroke.Position = 2;
    Table full{};
    full.fill(255);
    ASSERT_TRUE(doc.stroke(i, 0, 0, kRed, true, full));
    QImage target = doc.target();
    ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::StrokeOuter, lx::EffectTarget::Bgr24,
                                   target, doc.layer(i)));
    EXPECT_EQ(bgrAt(target, 6, 5), (Bgr{128, 128, 255}));
    EXPECT_EQ(bgrAt(target, 4, 5), (Bgr{255, 255, 255})); // outside the mask
    ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::StrokeInner, lx::EffectTarget::Bgr24,
                                   target, doc.layer(i)));
    EXPECT_EQ(bgrAt(target, 5, 5), (Bgr{0, 0, 255}));
    EXPECT_EQ(bgrAt(target, 6, 5), (Bgr{96, 96, 255}));
}

// A gradient stroke takes its colour at the mask coordinate. Hand-made: a
// 3 x 1 layer at (5, 5) with alpha 255, 0, 0; Size 1 (M = 1, mask 7 x 5 at
// origin (3, 3)); mask bytes 255 at (1..3, 2), i.e. document (4..6, 5);
// gradient pixel (mx, my) = blue 10 mx, green 10 my, red 77. Coverage 1
// gives the colour itself:
//  outer: x=4 off the layer -> gradient (1, 2); x=5 knocked out;
//         x=6 alpha 0 -> gradient (3, 2);
//  inner: x=5 alpha 255 -> gradient (2, 2); x=6 alpha 0 -> nothing.
TEST(StrokeTest, GradientStrokeTakesColoursAtTheMaskCoordinate) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255, 0, 0}}), 5, 5);
    TlxLayerStyle& s = doc.layer(i).Style;
    s.StrokeOn = s.StrokeGradientOn = true;
    s.Stroke.Position = 2;
    s.Stroke.Opacity = 100;
    s.Stroke.Size = 1;
    s.Stroke.DrawX = s.Stroke.DrawY = -2;
    s.StrokeMask = solidGrey(7, 5, 0);
    for (int x = 1; x <= 3; ++x)
        s.StrokeMask.scanLine(2)[x] = 255;
    s.StrokeGradientBitmap = QImage(7, 5, QImage::Format_BGR888);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            setBgr(s.StrokeGradientBitmap, x, y, {uint8_t(10 * x), uint8_t(10 * y), 77});

    QImage target = doc.target();
    ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::GradientStrokeOuter,
                                   lx::EffectTarget::Bgr24, target, doc.layer(i)));
    ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::GradientStrokeInner,
                                   lx::EffectTarget::Bgr24, target, doc.layer(i)));
    QImage expected = doc.target();
    setBgr(expected, 4, 5, {10, 20, 77});
    setBgr(expected, 5, 5, {20, 20, 77});
    setBgr(expected, 6, 5, {30, 20, 77});
    EXPECT_EQ(target, expected);

    // Without the stroke switch, or with a gradient of another size, nothing.
    s.StrokeOn = false;
    QImage untouched = doc.target();
    EXPECT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::GradientStrokeOuter,
                                   lx::EffectTarget::Bgr24, untouched, doc.layer(i)));
    EXPECT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::GradientStrokeInner,
                                   lx::EffectTarget::Bgr24, untouched, doc.layer(i)));
    EXPECT_EQ(untouched, doc.target());
    s.StrokeOn = true;
    s.StrokeGradientBitmap = s.StrokeGradientBitmap.copy(0, 0, 7, 4);
    EXPECT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::GradientStrokeOuter,
                                   lx::EffectTarget::Bgr24, untouched, doc.layer(i)));
    EXPECT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::GradientStrokeInner,
                                   lx::EffectTarget::Bgr24, untouched, doc.layer(i)));
    EXPECT_EQ(untouched, doc.target());
}

TColorlistSrcd twoStops() {
    TColorlistSrcd g;
    g.Count = 2;
    g.Stops = {{kBlack, 0, 1.0}, {kWhite, 0, 0.0}};
    return g;
}

// The gradient stroke can only be set while the stroke is on; otherwise
// nothing changes and CanReDraw is not touched.
TEST(StrokeTest, GradientStrokeNeedsTheStroke) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255, 0}}), 0, 0);
    const TlxLayerStyle before = doc.layer(i).Style;
    EXPECT_FALSE(doc.img->SetGradientStroke(i, lxGradientHorizontal, twoStops(), true, 30));
    const TlxLayerStyle& s = doc.layer(i).Style;
    EXPECT_FALSE(s.StrokeGradientOn);
    EXPECT_TRUE(s.StrokeGradientBitmap.isNull());
    EXPECT_EQ(std::memcmp(&s.StrokeGradient, &before.StrokeGradient, sizeof s.StrokeGradient), 0);
    EXPECT_TRUE(doc.img->CanReDraw);
    EXPECT_TRUE(doc.img->RebuildGradientStroke(i)); // nothing to rebuild
    EXPECT_TRUE(s.StrokeGradientBitmap.isNull());
}

// While the stroke is on: the bitmap takes the stroke mask's size and the
// record the kind, angle, reverse switch and the stops (the count limited
// to the stops handed over). The colours are the gradient renderer's.
TEST(StrokeTest, GradientStrokeFollowsTheStrokeMask) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255, 0, 7}}), 0, 0);
    ASSERT_TRUE(doc.stroke(i, 0, 0));
    TColorlistSrcd g = twoStops();
    g.Count = 40;
    ASSERT_TRUE(doc.img->SetGradientStroke(i, lxGradientVertical, g, true, 30));
    TlxLayerStyle& s = doc.layer(i).Style;
    EXPECT_TRUE(s.StrokeGradientOn);
    EXPECT_EQ(s.StrokeGradientBitmap.format(), QImage::Format_BGR888);
    EXPECT_EQ(s.StrokeGradientBitmap.size(), QSize(3, 1));
    EXPECT_EQ(s.StrokeGradient.GradientKind, lxGradientVertical);
    EXPECT_EQ(s.StrokeGradient.StopCount, 2);
    EXPECT_EQ(s.StrokeGradient.Reverse, 1);
    EXPECT_EQ(s.StrokeGradient.Angle, 30);
    EXPECT_EQ(s.StrokeGradient.Stops[1].Color, kWhite);

    // A wider stroke: rebuild the mask, then the gradient follows it.
    s.Stroke.Size = 1;
    ASSERT_TRUE(doc.img->RebuildStroke(i));
    ASSERT_TRUE(doc.img->RebuildGradientStroke(i));
    EXPECT_EQ(s.StrokeGradientBitmap.size(), QSize(7, 5));
}

// ---- bevel ----

// Offsets are stored around the margin: highlight at offset - 2M, shadow at
// -offset - 2M. Size 0: M = 0; Spread 1: M = 1.
TEST(BevelTest, SetUpStoresBothPositions) {
    const struct {
        int spread;
        int32_t hx, hy, sx, sy;
    } cases[] = {{0, 3, -2, -3, 2}, {1, 1, -4, -5, 0}};
    for (const auto& c : cases) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{255}}), 0, 0);
        ASSERT_TRUE(doc.img->SetBevel(i, 4, 5, 60, 70, 3, -2, c.spread, 0, kWhite, kBlack, false, 0,
                                      {}, identityTable()));
        const TlxBevelStyle& b = doc.layer(i).Style.Bevel;
        EXPECT_TRUE(doc.layer(i).Style.BevelOn);
        EXPECT_EQ(b.HighlightDrawX, c.hx);
        EXPECT_EQ(b.HighlightDrawY, c.hy);
        EXPECT_EQ(b.ShadowDrawX, c.sx);
        EXPECT_EQ(b.ShadowDrawY, c.sy);
        EXPECT_EQ(b.HighlightMode, 4);
        EXPECT_EQ(b.ShadowMode, 5);
        EXPECT_EQ(b.HighlightOpacity, 60);
        EXPECT_EQ(b.ShadowOpacity, 70);
        EXPECT_EQ(b.Spread, c.spread);
    }
}

// The bevel's mask is an inner mask: Size 0 gives 255 - alpha.
TEST(BevelTest, MaskIsTheInvertedAlphaAtSizeZero) {
    Doc doc;
    const Rows alpha = {{0, 100, 255}};
    const int i = doc.addLayer(greyRows(alpha), 0, 0);
    ASSERT_TRUE(doc.bevel(i, 0, 0, 0));
    EXPECT_EQ(bytesOf(doc.layer(i).Style.BevelMask), inverted(alpha));
    doc.layer(i).Alpha = greyRows({{7}, {8}});
    doc.layer(i).Bitmap = solidBgr(1, 2, {0, 0, 0});
    ASSERT_TRUE(doc.img->RebuildBevel(i));
    EXPECT_EQ(bytesOf(doc.layer(i).Style.BevelMask), (Rows{{248}, {247}}));
    for (int bad : {-1, 2}) {
        EXPECT_FALSE(doc.bevel(bad, 0, 0, 0));
        EXPECT_FALSE(doc.img->RebuildBevel(bad));
    }
}

// Offsets 0: both passes use the same mask position and the later one is
// blended over the earlier. Grey 100 target, highlight white, shadow black,
// Size 0 (mask = 255 - alpha).
//  inner bevel, alpha 128, 255: x=5 m=127, c = 128 * (127/255) / 255 =
//    0.249996; highlight N(0.750004 * 100 + 0.249996 * 255) = N(138.75) =
//    139, then shadow N(0.750004 * 139) = N(104.25) = 104 (the other order
//    would give 120). x=6: m = 0, untouched.
//  outer bevel, alpha 128, 0: the coverage uses 255 - m = alpha = 128:
//    c = 128 * (1 - 128/255) / 255 = 0.249996; shadow N(75.0) = 75, then
//    highlight N(0.750004 * 75 + 63.749) = N(120.0) = 120. x=6: 255 - m = 0.
// BevelKind picks the routine that draws; any other kind draws nothing.
TEST(BevelTest, KindPicksTheRoutineAndTheLaterPassWins) {
    const struct {
        uint8_t kind;
        int alpha6;
        int inner, outer; // x=5 after DrawInnerBevel, DrawOuterBevel
    } cases[] = {
        {0, 255, 104, 100},
        {1, 0, 100, 120},
        {2, 255, 100, 100},
        {2, 0, 100, 100},
    };
    for (const auto& c : cases) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{128, c.alpha6}}), 5, 5);
        doc.layer(i).Style.Bevel.BevelKind = c.kind;
        ASSERT_TRUE(doc.bevel(i, 0, 0, 0));
        QImage innerTarget = doc.target({100, 100, 100});
        QImage outerTarget = innerTarget;
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::InnerBevel, lx::EffectTarget::Bgr24,
                                       innerTarget, doc.layer(i)));
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::OuterBevel, lx::EffectTarget::Bgr24,
                                       outerTarget, doc.layer(i)));
        const std::pair<QImage*, int> results[] = {{&innerTarget, c.inner},
                                                   {&outerTarget, c.outer}};
        for (const auto& [target, x5] : results) {
            QImage expected = doc.target({100, 100, 100});
            setBgr(expected, 5, 5, {uint8_t(x5), uint8_t(x5), uint8_t(x5)});
            EXPECT_EQ(*target, expected) << "kind " << int(c.kind) << " alpha " << c.alpha6
                                         << (target == &innerTarget ? " inner" : " outer");
        }
    }
}

// With the usual offsets (+5, +5) and a real blur: a 40 x 40 opaque layer
// at (10, 10) on grey 128, Size 5 (M = 5, radius 2.5), white highlight,
// black shadow. The inner bevel lights the upper-left inner edge and
// darkens the lower-right one; the outer bevel lights the upper-left
// outside edge and shades the lower-right one. At the centre both passes
// read the mask 15 pixels inside the shape, where the blur has left it at
// 0 or 1: at most one level of change.
TEST(BevelTest, UsualOffsetsLightTheUpperLeftAndShadeTheLowerRight) {
    for (const uint8_t kind : {0, 1}) {
        Doc doc(60, 60);
        const int i = doc.addLayer(solidGrey(40, 40, 255), 10, 10);
        doc.layer(i).Style.Bevel.BevelKind = kind;
        ASSERT_TRUE(doc.bevel(i, 5, 0, 5));
        QImage target = doc.target({128, 128, 128});
        ASSERT_TRUE(kind == 0 ? lx::drawEffectPass(*doc.img, lx::DrawPass::InnerBevel,
                                                   lx::EffectTarget::Bgr24, target, doc.layer(i))
                              : lx::drawEffectPass(*doc.img, lx::DrawPass::OuterBevel,
                                                   lx::EffectTarget::Bgr24, target, doc.layer(i)));
        const int lo = kind == 0 ? 11 : 9;  // just inside / outside the upper-left edge
        const int hi = kind == 0 ? 48 : 50; // just inside / outside the lower-right edge
        EXPECT_GT(bgrAt(target, lo, 30).r, 128 + 60) << int(kind);
        EXPECT_GT(bgrAt(target, 30, lo).r, 128 + 60) << int(kind);
        EXPECT_LT(bgrAt(target, hi, 30).r, 128 - 60) << int(kind);
        EXPECT_LT(bgrAt(target, 30, hi).r, 128 - 60) << int(kind);
        EXPECT_NEAR(bgrAt(target, 30, 30).r, 128, 1) << int(kind);
    }
}

// ---- the draw routines against the plain rules ----

struct Routine {
    const char* name;
    lx::DrawPass pass;
};

const Routine kRoutines[] = {
    {"InnerBevel", lx::DrawPass::InnerBevel},
    {"OuterBevel", lx::DrawPass::OuterBevel},
    {"StrokeOuter", lx::DrawPass::StrokeOuter},
    {"StrokeInner", lx::DrawPass::StrokeInner},
    {"GradientStrokeOuter", lx::DrawPass::GradientStrokeOuter},
    {"GradientStrokeInner", lx::DrawPass::GradientStrokeInner},
};

double effective(const TlxLayer& layer, uint8_t percent) {
    return layer.Style.EffectsIgnoreOpacity ? percent / 100.0 : percent / 100.0 * layer.Opacity;
}

// What each routine draws, written from the rules: the bevel's two passes
// (inner: highlight then shadow; outer: shadow colours at the highlight
// position, then highlight colours at the shadow position, mask inverted)
// and the stroke's two parts (outer with contour, inner without).
void referenceDraw(int routine, TlxImage& image, QImage& target, const TlxLayer& layer) {
    const TlxLayerStyle& s = layer.Style;
    const int64_t left = layer.Left, top = layer.Top;
    if (routine <= 1) {
        const TlxBevelStyle& b = s.Bevel;
        if (b.BevelKind != routine) return;
        const bool inner = routine == 0;
        const ref::Map map = ref::map(b.Contour, !inner);
        auto rule = inner ? ref::inner : ref::outer;
        const int64_t hx = left + b.HighlightDrawX, hy = top + b.HighlightDrawY;
        const int64_t sx = left + b.ShadowDrawX, sy = top + b.ShadowDrawY;
        if (inner) {
            rule(image, target, layer, s.BevelMask, hx, hy, b.HighlightMode,
                 ref::packed(b.HighlightColor), nullptr, effective(layer, b.HighlightOpacity), map);
            rule(image, target, layer, s.BevelMask, sx, sy, b.ShadowMode,
                 ref::packed(b.ShadowColor), nullptr, effective(layer, b.ShadowOpacity), map);
        } else {
            rule(image, target, layer, s.BevelMask, hx, hy, b.ShadowMode,
                 ref::packed(b.ShadowColor), nullptr, effective(layer, b.ShadowOpacity), map);
            rule(image, target, layer, s.BevelMask, sx, sy, b.HighlightMode,
                 ref::packed(b.HighlightColor), nullptr, effective(layer, b.HighlightOpacity), map);
        }
        return;
    }
    const TlxStrokeStyle& st = s.Stroke;
    const bool outerPart = routine % 2 == 0;
    const bool gradient = routine >= 4;
    if (outerPart && st.Position != 0 && st.Position != 2) return;
    if (!outerPart && st.Position != 1 && st.Position != 2) return;
    TlxContour none{};
    (outerPart ? ref::outer : ref::inner)(
        image, target, layer, s.StrokeMask, left + st.DrawX, top + st.DrawY, st.BlendMode,
        ref::packed(st.Color), gradient ? &s.StrokeGradientBitmap : nullptr,
        effective(layer, st.Opacity), ref::map(outerPart ? st.Contour : none, false));
}

// Random documents, layers (also partly or wholly outside), masks,
// positions, kinds, modes, opacities, contours and gradients; both targets.
TEST(BevelStrokeTest, DrawRoutinesMatchThePlainRulesOnRandomCases) {
    auto img = std::make_unique<TlxImage>();
    auto refImg = std::make_unique<TlxImage>();
    for (int caseNo = 0; caseNo < 300; ++caseNo) {
        std::mt19937 rng{uint32_t(caseNo)};
        const int dw = 1 + int(rng() % 24), dh = 1 + int(rng() % 24);
        ASSERT_TRUE(img->NewImage(true, 0xFFFFFF, 24, dw, dh));
        const int routine = int(rng() % std::size(kRoutines));
        const bool argb = rng() % 2;
        const int lw = 1 + int(rng() % 12), lh = 1 + int(rng() % 12);
        auto layer = std::make_unique<TlxLayer>();
        layer->Alpha = ref::randomGrey(rng, lw, lh);
        layer->Bitmap = solidBgr(lw, lh, {1, 2, 3});
        layer->Left = int(rng() % 40) - 15;
        layer->Top = int(rng() % 40) - 15;
        layer->Opacity = (rng() % 5) / 4.0;
        TlxLayerStyle& s = layer->Style;
        s.EffectsIgnoreOpacity = rng() % 3 == 0;
        auto offset = [&] { return int32_t(rng() % 41) - 20; };
        auto colour = [&] {
            return rng() % 8 == 0 ? 0x80000000u | (rng() % 31) : uint32_t(rng() & 0xFFFFFF);
        };
        if (routine <= 1) {
            TlxBevelStyle& b = s.Bevel;
            s.BevelOn = true;
            b.BevelKind = uint8_t(rng() % 5 == 0 ? 2 : rng() % 2);
            b.Size = int(rng() % 4);
            b.Spread = int(rng() % 4);
            const int m = std::max(b.Size, b.Spread);
            s.BevelMask = ref::randomGrey(rng, lw + 4 * m, lh + 4 * m);
            b.HighlightDrawX = offset(), b.HighlightDrawY = offset();
            b.ShadowDrawX = offset(), b.ShadowDrawY = offset();
            b.HighlightMode = uint8_t(rng() % 33), b.ShadowMode = uint8_t(rng() % 33);
            b.HighlightOpacity = uint8_t(rng() % 101), b.ShadowOpacity = uint8_t(rng() % 101);
            b.HighlightColor = colour(), b.ShadowColor = colour();
            ref::randomContour(rng, b.Contour);
        } else {
            TlxStrokeStyle& st = s.Stroke;
            s.StrokeOn = s.StrokeGradientOn = true;
            st.Position = uint8_t(rng() % 5 == 0 ? 3 : rng() % 3);
            st.Size = int(rng() % 3);
            st.Softness = int(rng() % 3);
            const int m = st.Size + st.Softness;
            s.StrokeMask = ref::randomGrey(rng, lw + 4 * m, lh + 4 * m);
            s.StrokeGradientBitmap =
                ref::randomBgr(rng, lw + 4 * m, lh + 4 * m, QImage::Format_BGR888);
            st.DrawX = offset(), st.DrawY = offset();
            st.BlendMode = uint8_t(rng() % 33);
            st.Opacity = uint8_t(rng() % 101);
            st.Color = colour();
            ref::randomContour(rng, st.Contour);
        }
        const QImage start =
            ref::randomBgr(rng, dw, dh, argb ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        QImage actual = start, expected = start;
        const Routine& r = kRoutines[routine];
        ASSERT_TRUE(lx::drawEffectPass(*img, r.pass,
                                       argb ? lx::EffectTarget::Argb32 : lx::EffectTarget::Bgr24,
                                       actual, *layer))
            << "case " << caseNo;
        referenceDraw(routine, *refImg, expected, *layer);
        ASSERT_EQ(actual, expected) << "case " << caseNo << " " << r.name;
    }
}

} // namespace
