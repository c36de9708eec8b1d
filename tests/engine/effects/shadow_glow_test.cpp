#include "effect_reference.h"
#include "effects/effect_draw.h"
#include "lxImage.h"
#include "picture_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

// The draw rules written out plainly, pixel by pixel over the whole target,
// as the effects describe them. The draw routines must give the same bytes;
// the bevel and stroke tests use them too (declared again there).
//
// A pass: the mask and the document position (ox, oy) of its pixel (0, 0),
// the blend mode, the solid colour packed for BlendPixel or 24-bit colours
// read at the mask coordinate, the effective opacity e and the byte map
// (contour; outer rule: of the mask byte, inner rule: of the alpha).
namespace effect_reference {

using Map = std::array<int, 256>;

uint32_t packed(uint32_t color) {
    const uint32_t rgb = ResolveColor(color);
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

Map map(const TlxContour& contour, bool invert) {
    Map m{};
    for (int v = 0; v < 256; ++v) {
        const int t = contour.UseContour ? contour.Table[v] : v;
        m[size_t(v)] = invert ? 255 - t : t;
    }
    return m;
}

static void blend(TlxImage& image, QImage& target, int x, int y, uint8_t mode, uint32_t packed,
                  const QImage* colours, int64_t mx, int64_t my, double c) {
    const bool argb = target.format() == QImage::Format_ARGB32;
    uint8_t* pixel = target.scanLine(y) + (argb ? 4 : 3) * x;
    uint32_t colour = packed;
    if (colours != nullptr) {
        const uint8_t* p = colours->constScanLine(int(my)) + 3 * mx;
        colour = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    if (argb) pixel[3] = uint8_t(std::min(255, RoundEven(pixel[3] + 255 * c)));
    image.BlendPixel(pixel, mode, colour, c);
}

static bool inside(const QImage& image, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < image.width() && y < image.height();
}

// Outer rule: every target pixel under the mask; on the layer the weight is
// e * (1 - alpha / 255) and fully opaque pixels are left alone.
void outer(TlxImage& image, QImage& target, const TlxLayer& layer, const QImage& mask, int64_t ox,
           int64_t oy, uint8_t mode, uint32_t packed, const QImage* colours, double e,
           const Map& map) {
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const int64_t mx = x - ox, my = y - oy;
            if (!inside(mask, mx, my)) continue;
            const int64_t lx = x - int64_t(layer.Left), ly = y - int64_t(layer.Top);
            double v = e;
            if (inside(layer.Alpha, lx, ly)) {
                const int a = layer.Alpha.constScanLine(int(ly))[lx];
                if (a == 255) continue;
                v = e * (1 - a / 255.0);
            }
            const int m = map[mask.constScanLine(int(my))[mx]];
            blend(image, target, x, y, mode, packed, colours, mx, my, m * v / 255.0);
        }
    }
}

// Inner rule: every target pixel on the layer and under the mask with a
// mask byte that is not 0.
void inner(TlxImage& image, QImage& target, const TlxLayer& layer, const QImage& mask, int64_t ox,
           int64_t oy, uint8_t mode, uint32_t packed, const QImage* colours, double e,
           const Map& map) {
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const int64_t lx = x - int64_t(layer.Left), ly = y - int64_t(layer.Top);
            const int64_t mx = x - ox, my = y - oy;
            if (!inside(layer.Alpha, lx, ly) || !inside(mask, mx, my)) continue;
            const int m = mask.constScanLine(int(my))[mx];
            if (m == 0) continue;
            const int a = map[layer.Alpha.constScanLine(int(ly))[lx]];
            blend(image, target, x, y, mode, packed, colours, mx, my, a * (m / 255.0 * e) / 255.0);
        }
    }
}

// Random test material shared by the differential tests.
QImage randomGrey(std::mt19937& rng, int w, int h) {
    QImage image(w, h, QImage::Format_Grayscale8);
    // Mostly clear or solid runs with some partial bytes, as real shapes have.
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const unsigned pick = rng() % 4;
            row[x] = pick == 0 ? 0 : pick == 1 ? 255 : uint8_t(rng());
        }
    }
    return image;
}

QImage randomBgr(std::mt19937& rng, int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i)
            row[i] = uint8_t(rng());
    }
    return image;
}

void randomContour(std::mt19937& rng, TlxContour& contour) {
    contour.UseContour = rng() % 2;
    for (int i = 0; i < 257; ++i)
        contour.Table[i] = uint8_t(rng());
}

TlxImage::ContourTableArray identityTable() {
    TlxImage::ContourTableArray t{};
    for (int i = 0; i < 257; ++i)
        t[size_t(i)] = uint8_t(i);
    return t;
}

QImage greyRows(const std::vector<std::vector<int>>& rows) {
    QImage image(int(rows[0].size()), int(rows.size()), QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = uint8_t(rows[size_t(y)][size_t(x)]);
    return image;
}

std::vector<std::vector<int>> bytesOf(const QImage& grey) {
    std::vector<std::vector<int>> rows(size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            rows[size_t(y)].push_back(greyAt(grey, x, y));
    return rows;
}

} // namespace effect_reference

namespace {

namespace ref = effect_reference;

using Points = TlxImage::ContourPointArray;
using Table = TlxImage::ContourTableArray;

constexpr uint32_t kBlack = lxRGB(0, 0, 0);

using ref::bytesOf;
using ref::greyRows;
using ref::identityTable;

using Doc = EffectDoc;

// The four effects behind one interface, so a table can run each case on
// all of them.
struct Family {
    const char* name;
    bool inner;
    bool glow;
    std::function<bool(TlxImage&, int, int, int, int, int, uint8_t, uint32_t, bool, const Table&)>
        set; // (img, layer, offX, offY, spread, size, opacity, colour, contour, table)
    std::function<bool(TlxImage&, int)> rebuild;
    std::function<bool(TlxImage&, QImage&, const TlxLayer&)> draw;
    std::function<bool(TlxImage&, QImage&, const TlxLayer&)> drawAlpha;
    std::function<QImage&(TlxLayerStyle&)> mask;
    std::function<bool&(TlxLayerStyle&)> on;
    std::function<TlxContour&(TlxLayerStyle&)> contour;
    std::function<int32_t&(TlxLayerStyle&)> drawX;
    std::function<int32_t&(TlxLayerStyle&)> drawY;
    std::function<int32_t&(TlxLayerStyle&)> size;
    std::function<int32_t&(TlxLayerStyle&)> spread;
    std::function<void(TlxLayerStyle&, uint8_t, uint8_t, uint32_t)> look; // mode, opacity, colour
};

std::vector<Family> families() {
    const Points points{};
    auto shadowSet = [points](auto fn) {
        return [fn, points](TlxImage& img, int layer, int ox, int oy, int spread, int size,
                            uint8_t opacity, uint32_t colour, bool useContour, const Table& t) {
            return (img.*fn)(layer, 0, opacity, ox, oy, spread, size, colour, useContour, 0, points,
                             t);
        };
    };
    auto glowSet = [points](auto fn) {
        return [fn, points](TlxImage& img, int layer, int, int, int spread, int size,
                            uint8_t opacity, uint32_t colour, bool useContour, const Table& t) {
            return (img.*fn)(layer, 0, opacity, spread, size, colour, useContour, 0, points, t);
        };
    };
    auto pass = [](lx::DrawPass p, lx::EffectTarget kind) {
        return [=](TlxImage& img, QImage& target, const TlxLayer& layer) {
            return lx::drawEffectPass(img, p, kind, target, layer);
        };
    };
#define FIELDS(Record, Mask, On)                                                                   \
    [](TlxLayerStyle& s) -> QImage& { return s.Mask; },                                            \
        [](TlxLayerStyle& s) -> bool& { return s.On; },                                            \
        [](TlxLayerStyle& s) -> TlxContour& { return s.Record.Contour; },                          \
        [](TlxLayerStyle& s) -> int32_t& { return s.Record.DrawX; },                               \
        [](TlxLayerStyle& s) -> int32_t& { return s.Record.DrawY; },                               \
        [](TlxLayerStyle& s) -> int32_t& { return s.Record.Size; },                                \
        [](TlxLayerStyle& s) -> int32_t& { return s.Record.Spread; },                              \
        [](TlxLayerStyle& s, uint8_t mode, uint8_t opacity, uint32_t colour) {                     \
            s.Record.BlendMode = mode;                                                             \
            s.Record.Opacity = opacity;                                                            \
            s.Record.Color = colour;                                                               \
        }
    std::vector<Family> f = {
        {"DropShadow", false, false, shadowSet(&TlxImage::SetDropShadow),
         [](TlxImage& img, int i) { return img.RebuildDropShadow(i); },
         pass(lx::DrawPass::DropShadow, lx::EffectTarget::Bgr24),
         pass(lx::DrawPass::DropShadow, lx::EffectTarget::Argb32),
         FIELDS(DropShadow, DropShadowMask, DropShadowOn)},
        {"InnerShadow", true, false, shadowSet(&TlxImage::SetInnerShadow),
         [](TlxImage& img, int i) { return img.RebuildInnerShadow(i); },
         pass(lx::DrawPass::InnerShadow, lx::EffectTarget::Bgr24),
         pass(lx::DrawPass::InnerShadow, lx::EffectTarget::Argb32),
         FIELDS(InnerShadow, InnerShadowMask, InnerShadowOn)},
        {"OuterGlow", false, true, glowSet(&TlxImage::SetOuterGlow),
         [](TlxImage& img, int i) { return img.RebuildOuterGlow(i); },
         pass(lx::DrawPass::OuterGlow, lx::EffectTarget::Bgr24),
         pass(lx::DrawPass::OuterGlow, lx::EffectTarget::Argb32),
         FIELDS(OuterGlow, OuterGlowMask, OuterGlowOn)},
        {"InnerGlow", true, true, glowSet(&TlxImage::SetInnerGlow),
         [](TlxImage& img, int i) { return img.RebuildInnerGlow(i); },
         pass(lx::DrawPass::InnerGlow, lx::EffectTarget::Bgr24),
         pass(lx::DrawPass::InnerGlow, lx::EffectTarget::Argb32),
         FIELDS(InnerGlow, InnerGlowMask, InnerGlowOn)},
    };
#undef FIELDS
    return f;
}

void PrintTo(const Family& f, std::ostream* os) {
    *os << f.name;
}

class EffectFamilyTest : public testing::TestWithParam<Family> {};

INSTANTIATE_TEST_SUITE_P(All, EffectFamilyTest, testing::ValuesIn(families()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- set-up and masks ----

// With Size = Spread = 0 the margin is 0: the mask is the layer's alpha
// itself (outer effects) or 255 - alpha (inner effects), and DrawX, DrawY
// are the offsets (glows: 0).
TEST_P(EffectFamilyTest, SizeZeroMaskIsTheAlphaOrItsInverse) {
    const Family& f = GetParam();
    Doc doc;
    const std::vector<std::vector<int>> alpha = {{0, 1, 128, 254}, {255, 7, 0, 200}};
    const int i = doc.addLayer(greyRows(alpha), 3, 4);
    doc.img->CanReDraw = false;
    ASSERT_TRUE(f.set(*doc.img, i, 3, -2, 0, 0, 100, kBlack, false, identityTable()));
    EXPECT_TRUE(doc.img->CanReDraw);
    TlxLayerStyle& s = doc.layer(i).Style;
    EXPECT_TRUE(f.on(s));
    const QImage& mask = f.mask(s);
    EXPECT_EQ(mask.format(), QImage::Format_Grayscale8);
    std::vector<std::vector<int>> expected = alpha;
    if (f.inner)
        for (auto& row : expected)
            for (int& v : row)
                v = 255 - v;
    EXPECT_EQ(bytesOf(mask), expected);
    EXPECT_EQ(f.drawX(s), f.glow ? 0 : 3);
    EXPECT_EQ(f.drawY(s), f.glow ? 0 : -2);
}

// Spread 1, Size 1: one blur of radius 0.6, every touched byte to 255, no
// second blur (Size - Spread = 0). M = 1, so a 1 x 1 layer gives a 5 x 5
// mask with the pixel at (2, 2); DrawX = 0 - 2 = -2 for all four.
// The 0.6 kernel is 0.16638, 0.66724, 0.16638 and the sums are truncated:
//   alpha 255: rows 42 170 42, columns 6 28 6 / 28 113 28 / 6 28 6 -> 3 x 3 block;
//   alpha 13:  row 2 8 2 -> 0 1 0 / 1 5 1 / 0 1 0 (2 * 0.166 < 1) -> plus shape;
//   alpha 7:   row 1 4 1 -> only the centre survives (4 * 0.667 = 2.67, 1 * 0.667 < 1);
//   alpha 2:   row 0 1 0 -> 1 * 0.667 < 1, nothing survives.
// Inner effects keep only bytes >= 253 before inverting: the largest byte
// here is 113, so their mask is 255 everywhere.
TEST_P(EffectFamilyTest, SpreadOneSizeOneHardensTheNarrowBlur) {
    const Family& f = GetParam();
    using Rows = std::vector<std::vector<int>>;
    const Rows none(5, std::vector<int>(5, 0));
    const struct {
        int alpha;
        Rows outer;
    } cases[] = {
        {255,
         {{0, 0, 0, 0, 0},
          {0, 255, 255, 255, 0},
          {0, 255, 255, 255, 0},
          {0, 255, 255, 255, 0},
          {0, 0, 0, 0, 0}}},
        {13,
         {{0, 0, 0, 0, 0},
          {0, 0, 255, 0, 0},
          {0, 255, 255, 255, 0},
          {0, 0, 255, 0, 0},
          {0, 0, 0, 0, 0}}},
        {7,
         {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 255, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}},
        {2, none},
    };
    for (const auto& c : cases) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{c.alpha}}), 5, 5);
        ASSERT_TRUE(f.set(*doc.img, i, 0, 0, 1, 1, 100, kBlack, false, identityTable()));
        TlxLayerStyle& s = doc.layer(i).Style;
        const Rows expected = f.inner ? Rows(5, std::vector<int>(5, 255)) : c.outer;
        EXPECT_EQ(bytesOf(f.mask(s)), expected) << "alpha " << c.alpha;
        EXPECT_EQ(f.drawX(s), -2);
        EXPECT_EQ(f.drawY(s), -2);
    }
}

// Spread 2 greater than Size 1: M = Spread = 2 (9 x 9 mask), blur of radius
// 1, threshold, and no second blur. Radius 1 has K = 2 with weights
// 0.40262, 0.24420, 0.05449: the row of 255 gives 13 62 102 62 13, the
// columns then 0 3 5 3 0 / 3 15 24 15 3 / 5 24 41 24 5 / ..., so the 5 x 5
// square without its four corners is hardened to 255.
TEST(ShadowGlowTest, SpreadAboveSizeSkipsTheSecondBlur) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 5, 5);
    ASSERT_TRUE(doc.img->SetOuterGlow(i, 0, 100, 2, 1, kBlack, false, 0, {}, identityTable()));
    const TlxLayerStyle& s = doc.layer(i).Style;
    std::vector<std::vector<int>> expected(9, std::vector<int>(9, 0));
    for (int y = 2; y <= 6; ++y)
        for (int x = 2; x <= 6; ++x)
            if ((x != 2 && x != 6) || (y != 2 && y != 6)) expected[size_t(y)][size_t(x)] = 255;
    EXPECT_EQ(bytesOf(s.OuterGlowMask), expected);
    EXPECT_EQ(s.OuterGlow.DrawX, -4);
    EXPECT_EQ(s.OuterGlow.Spread, 2);
    EXPECT_EQ(s.OuterGlow.Size, 1);
}

// Spread 1, Size 3: M = 3 (13 x 13, pixel at (6, 6)); the 0.6 blur and the
// threshold give a 3 x 3 block of 255, then Size - Spread = 2 blurs it with
// radius 1. Rows through the block: 255 * (0.24420 + 0.40262 + 0.24420) =
// 227.2 -> 227 at the centre, 255 * 0.05449 = 13.9 -> 13 three columns out.
// Columns: 227 * 0.89102 = 202.3 -> 202, 13 * 0.89102 = 11.6 -> 11,
// 227 * 0.05449 = 12.4 -> 12, 13 * 0.05449 = 0.7 -> 0.
TEST(ShadowGlowTest, SizeBeyondSpreadBlursAgain) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 5, 5);
    ASSERT_TRUE(
        doc.img->SetDropShadow(i, 0, 100, 0, 0, 1, 3, kBlack, false, 0, {}, identityTable()));
    const QImage& mask = doc.layer(i).Style.DropShadowMask;
    ASSERT_EQ(mask.size(), QSize(13, 13));
    EXPECT_EQ(greyAt(mask, 6, 6), 202);
    EXPECT_EQ(greyAt(mask, 9, 6), 11);
    EXPECT_EQ(greyAt(mask, 3, 6), 11);
    EXPECT_EQ(greyAt(mask, 6, 9), 12);
    EXPECT_EQ(greyAt(mask, 9, 9), 0);
    EXPECT_EQ(greyAt(mask, 0, 0), 0);
}

// A 5 x 5 opaque layer with Spread 1, Size 1 (9 x 9 mask, layer at 2..6):
// after the 0.6 blur only the inner 3 x 3 stays above 253 (255 times the
// kernel's sum, 254 or 255 depending on its last bit); the edge pixels fall
// to 255 * (0.66724 + 0.16638) = 212 and are cleared. Inverted: the shape
// shrunk by one pixel is (nearly) 0, everything else 255.
TEST(ShadowGlowTest, InnerSpreadShrinksTheShapeWithAHardEdge) {
    Doc doc;
    const int i = doc.addLayer(solidGrey(5, 5, 255), 5, 5);
    ASSERT_TRUE(
        doc.img->SetInnerShadow(i, 0, 100, 0, 0, 1, 1, kBlack, false, 0, {}, identityTable()));
    const QImage& mask = doc.layer(i).Style.InnerShadowMask;
    ASSERT_EQ(mask.size(), QSize(9, 9));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            if (x >= 3 && x <= 5 && y >= 3 && y <= 5)
                EXPECT_LE(greyAt(mask, x, y), 1) << x << "," << y;
            else
                EXPECT_EQ(greyAt(mask, x, y), 255) << x << "," << y;
        }
    }
}

// Set-up limits the stored sizes: Spread -4 -> 0, Size 250 -> 200, so
// M = 200 and a 1 x 1 layer gets an 801 x 801 mask at DrawX = -400.
TEST(ShadowGlowTest, SetUpLimitsSpreadAndSize) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 0, 0);
    ASSERT_TRUE(doc.img->SetOuterGlow(i, 0, 100, -4, 250, kBlack, false, 0, {}, identityTable()));
    const TlxLayerStyle& s = doc.layer(i).Style;
    EXPECT_EQ(s.OuterGlow.Spread, 0);
    EXPECT_EQ(s.OuterGlow.Size, 200);
    EXPECT_EQ(s.OuterGlowMask.size(), QSize(801, 801));
    EXPECT_EQ(s.OuterGlow.DrawX, -400);
    EXPECT_EQ(s.OuterGlow.DrawY, -400);
}

// The contour is stored as handed over: the switch, the point count limited
// to 0..51, that many points and table entries 0..255; the rest stays.
TEST(ShadowGlowTest, SetUpStoresTheContour) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 0, 0);
    TlxContour& c = doc.layer(i).Style.DropShadow.Contour;
    c.Points[3] = {77, 78};
    c.Table[256] = 99;
    Points points{};
    for (int k = 0; k < TlxContour::MaxPoints; ++k)
        points[size_t(k)] = {k, 255 - k};
    Table table{};
    for (int k = 0; k < 257; ++k)
        table[size_t(k)] = uint8_t(255 - k);
    ASSERT_TRUE(doc.img->SetDropShadow(i, 0, 100, 0, 0, 0, 0, kBlack, true, 3, points, table));
    EXPECT_EQ(c.UseContour, 1);
    EXPECT_EQ(c.PointCount, 3);
    EXPECT_EQ(c.Points[2].X, 2);
    EXPECT_EQ(c.Points[2].Y, 253);
    EXPECT_EQ(c.Points[3].X, 77); // beyond the count: kept
    EXPECT_EQ(c.Table[0], 255);
    EXPECT_EQ(c.Table[255], 0);
    EXPECT_EQ(c.Table[256], 99); // never written

    ASSERT_TRUE(doc.img->SetDropShadow(i, 0, 100, 0, 0, 0, 0, kBlack, false, 500, points, table));
    EXPECT_EQ(c.UseContour, 0);
    EXPECT_EQ(c.PointCount, 51);
    ASSERT_TRUE(doc.img->SetDropShadow(i, 0, 100, 0, 0, 0, 0, kBlack, false, -1, points, table));
    EXPECT_EQ(c.PointCount, 0);
}

// Rebuild follows the layer's new size with the stored settings and leaves
// DrawX, DrawY alone; with Size 0 the mask is again the (new) alpha.
TEST_P(EffectFamilyTest, RebuildFollowsTheLayersNewSize) {
    const Family& f = GetParam();
    Doc doc;
    const int i = doc.addLayer(greyRows({{255, 0}}), 2, 2);
    ASSERT_TRUE(f.set(*doc.img, i, 4, 5, 0, 0, 100, kBlack, false, identityTable()));
    const std::vector<std::vector<int>> alpha = {{10, 20, 30}, {40, 50, 60}};
    doc.layer(i).Alpha = greyRows(alpha);
    doc.layer(i).Bitmap = solidBgr(3, 2, {1, 2, 3});
    doc.img->CanReDraw = false;
    ASSERT_TRUE(f.rebuild(*doc.img, i));
    EXPECT_TRUE(doc.img->CanReDraw);
    TlxLayerStyle& s = doc.layer(i).Style;
    std::vector<std::vector<int>> expected = alpha;
    if (f.inner)
        for (auto& row : expected)
            for (int& v : row)
                v = 255 - v;
    EXPECT_EQ(bytesOf(f.mask(s)), expected);
    EXPECT_EQ(f.drawX(s), f.glow ? 0 : 4);
    EXPECT_EQ(f.drawY(s), f.glow ? 0 : 5);
}

// An effect that is off has no mask to rebuild: nothing is created.
TEST_P(EffectFamilyTest, RebuildOfAnEffectThatIsOffCreatesNothing) {
    const Family& f = GetParam();
    Doc doc;
    const int i = doc.addLayer(greyRows({{255}}), 0, 0);
    EXPECT_TRUE(f.rebuild(*doc.img, i));
    EXPECT_FALSE(f.on(doc.layer(i).Style));
    EXPECT_TRUE(f.mask(doc.layer(i).Style).isNull());
}

TEST_P(EffectFamilyTest, RefusedIndicesChangeNothing) {
    const Family& f = GetParam();
    Doc doc;
    doc.addLayer(greyRows({{255}}), 0, 0);
    for (int bad : {-1, 2, 257, 1000}) {
        EXPECT_FALSE(f.set(*doc.img, bad, 0, 0, 0, 0, 100, kBlack, false, identityTable()));
        EXPECT_FALSE(f.rebuild(*doc.img, bad));
    }
    // Slot 2 exists in the array but holds no layer.
    EXPECT_FALSE(f.on(doc.layer(2).Style));
    EXPECT_TRUE(f.mask(doc.layer(2).Style).isNull());
}

// A mask whose size is not allowed (29990 + 4 * 3 > 30000) fails the
// set-up; the effect keeps its earlier settings and mask, and the document
// can be drawn again.
TEST_P(EffectFamilyTest, FailedSetUpLeavesTheEffectAsItWas) {
    const Family& f = GetParam();
    Doc doc;
    const int i = doc.addLayer(solidGrey(29990, 1, 255), 0, 0);
    ASSERT_TRUE(f.set(*doc.img, i, 1, 1, 0, 0, 40, kBlack, false, identityTable()));
    TlxLayerStyle& s = doc.layer(i).Style;
    const QImage before = f.mask(s);
    EXPECT_FALSE(f.set(*doc.img, i, 7, 7, 3, 3, 90, lxRGB(255, 0, 0), false, identityTable()));
    EXPECT_TRUE(doc.img->CanReDraw);
    EXPECT_TRUE(f.on(s));
    EXPECT_EQ(f.mask(s), before);
    EXPECT_EQ(f.size(s), 0);
    EXPECT_EQ(f.drawX(s), f.glow ? 0 : 1);

    f.size(s) = 3; // as a style file might leave it
    EXPECT_FALSE(f.rebuild(*doc.img, i));
    EXPECT_TRUE(doc.img->CanReDraw);
    EXPECT_EQ(f.mask(s), before);
}

// ---- drawing ----

// Size 0: the drop shadow is a hard copy of the shape at the offset. A
// 3 x 3 opaque layer at (5, 5), offset (4, 4), black at 100 %: the shadow
// covers (9..11, 9..11) fully, and the part under the layer itself
// (offset (1, 1)) is knocked out.
TEST(ShadowGlowTest, SizeZeroDropShadowIsAHardCopyAtTheOffset) {
    for (const int offset : {4, 1}) {
        Doc doc;
        const int i = doc.addLayer(solidGrey(3, 3, 255), 5, 5);
        ASSERT_TRUE(doc.img->SetDropShadow(i, 0, 100, offset, offset, 0, 0, kBlack, false, 0, {},
                                           identityTable()));
        QImage target = doc.target();
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::DropShadow, lx::EffectTarget::Bgr24,
                                       target, doc.layer(i)));
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const bool shadow =
                    x >= 5 + offset && x < 8 + offset && y >= 5 + offset && y < 8 + offset;
                const bool layer = x >= 5 && x < 8 && y >= 5 && y < 8;
                const Bgr expected = shadow && !layer ? Bgr{0, 0, 0} : Bgr{255, 255, 255};
                EXPECT_EQ(bgrAt(target, x, y), expected) << offset << ": " << x << "," << y;
            }
        }
    }
}

// Knock-out: a 3 x 1 layer at (5, 5) with alpha 255, 128, 0, shadow mask =
// alpha (Size 0), black over white, normal mode: N((1 - c) * 255).
//  offset 0: x=5 alpha 255, skipped; x=6 m=128, v = e * (1 - 128/255),
//            c = 128 * v / 255; e = 1: c = 0.249996 -> N(191.25) = 191;
//            x=7 m=0, nothing.
//  offset 1: x=6 m=255 under alpha 128: c = 255 * (127/255) / 255 = 0.498
//            -> N(128.0) = 128; x=7 m=128 under alpha 0 (v = e): c =
//            128/255 -> N(127) = 127; x=8 m=0.
//  e = 0.5 (opacity 50 %, or 100 % at layer opacity 0.5), offset 0:
//            c = 0.124998 -> N(223.13) = 223.
TEST(ShadowGlowTest, DropShadowIsKnockedOutByTheLayersAlpha) {
    const struct {
        int offset;
        uint8_t opacity;
        double layerOpacity;
        bool ignoreOpacity;
        int expected[5]; // x = 4..8
    } cases[] = {
        {0, 100, 1.0, false, {255, 255, 191, 255, 255}},
        {1, 100, 1.0, false, {255, 255, 128, 127, 255}},
        {0, 50, 1.0, false, {255, 255, 223, 255, 255}},
        {0, 100, 0.5, false, {255, 255, 223, 255, 255}},
        {0, 100, 0.5, true, {255, 255, 191, 255, 255}},
    };
    for (const auto& c : cases) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{255, 128, 0}}), 5, 5);
        doc.layer(i).Opacity = c.layerOpacity;
        doc.layer(i).Style.EffectsIgnoreOpacity = c.ignoreOpacity;
        ASSERT_TRUE(doc.img->SetDropShadow(i, 0, c.opacity, c.offset, 0, 0, 0, kBlack, false, 0, {},
                                           identityTable()));
        QImage target = doc.target();
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::DropShadow, lx::EffectTarget::Bgr24,
                                       target, doc.layer(i)));
        for (int x = 4; x <= 8; ++x) {
            const uint8_t v = uint8_t(c.expected[x - 4]);
            EXPECT_EQ(bgrAt(target, x, 5), (Bgr{v, v, v}))
                << "offset " << c.offset << " opacity " << int(c.opacity) << " layer "
                << c.layerOpacity << " x " << x;
        }
    }
}

// Inner shadow with Size 0 on a 5 x 1 layer of alpha 200: the mask is 55
// everywhere, the layer's size. Offset +2 puts the mask two pixels right,
// so the layer's two left pixels are not under it and get nothing; offset
// -2 leaves the two right ones. Covered pixels:
// c = 200 * (55/255 * 1) / 255 = 0.16917 -> N(255 * 0.83083) = N(211.86) = 212.
TEST(ShadowGlowTest, InnerShadowLeavesTheUncoveredBandAlone) {
    for (const int offset : {2, -2}) {
        Doc doc;
        const int i = doc.addLayer(solidGrey(5, 1, 200), 5, 5);
        ASSERT_TRUE(doc.img->SetInnerShadow(i, 0, 100, offset, 0, 0, 0, kBlack, false, 0, {},
                                            identityTable()));
        QImage target = doc.target();
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::InnerShadow, lx::EffectTarget::Bgr24,
                                       target, doc.layer(i)));
        for (int x = 0; x < 20; ++x) {
            const bool covered = x >= 5 + std::max(offset, 0) && x < 10 + std::min(offset, 0);
            const uint8_t v = covered ? 212 : 255;
            EXPECT_EQ(bgrAt(target, x, 5), (Bgr{v, v, v})) << offset << ": " << x;
        }
    }
}

// An identity table draws exactly as no contour; a constant table shows
// which byte the contour maps. Layer 3 x 1 alpha 0, 128, 255 at (5, 5),
// Size 0, black over white at 100 %, every table entry 255:
//  outer (mask = alpha, contour on the mask byte): every mask pixel counts
//    as m = 255: x=5 alpha 0, c = 1 -> 0; x=6 alpha 128,
//    c = 255 * (127/255) / 255 = 0.498 -> N(128.0) = 128; x=7 knocked out.
//  inner (mask = 255 - alpha, contour on alpha): alpha counts as 255 where
//    the mask is not 0: x=5 m=255, c = 1 -> 0; x=6 m=127,
//    c = 255 * (127/255) / 255 -> 128; x=7 m=0, nothing.
TEST_P(EffectFamilyTest, ContourMapsTheMaskByteOrTheAlpha) {
    const Family& f = GetParam();
    Doc doc;
    const int i = doc.addLayer(greyRows({{0, 128, 255}}), 5, 5);
    ASSERT_TRUE(f.set(*doc.img, i, 0, 0, 0, 0, 100, kBlack, false, identityTable()));
    QImage plain = doc.target();
    ASSERT_TRUE(f.draw(*doc.img, plain, doc.layer(i)));

    ASSERT_TRUE(f.set(*doc.img, i, 0, 0, 0, 0, 100, kBlack, true, identityTable()));
    QImage identity = doc.target();
    ASSERT_TRUE(f.draw(*doc.img, identity, doc.layer(i)));
    EXPECT_EQ(identity, plain);

    Table full{};
    full.fill(255);
    ASSERT_TRUE(f.set(*doc.img, i, 0, 0, 0, 0, 100, kBlack, true, full));
    QImage mapped = doc.target();
    ASSERT_TRUE(f.draw(*doc.img, mapped, doc.layer(i)));
    const int expected[3] = {0, 128, 255};
    for (int x = 0; x < 3; ++x) {
        const uint8_t v = uint8_t(expected[x]);
        EXPECT_EQ(bgrAt(mapped, 5 + x, 5), (Bgr{v, v, v})) << x;
    }
    EXPECT_NE(mapped, plain);
}

// The 32-bit twin: same colours, and the fourth byte grows to
// min(255, N(A + 255 c)), never shrinks. Drop shadow of a 3 x 1 layer
// (alpha 255, 128, 0) at offset 0, black at e = 0.1 over white:
// x=6: c = 128 * (0.1 * 127/255) / 255 = 0.0249996, colour N(248.63) = 249;
//   A 200 -> N(206.37) = 206; A 0 -> N(6.37) = 6; A 252 -> 255 (capped).
// x=5 (knocked out) and x=7 (mask 0) keep their A.
TEST(ShadowGlowTest, AlphaTwinCoverageOnlyGrows) {
    for (const int a : {200, 0, 252}) {
        Doc doc;
        const int i = doc.addLayer(greyRows({{255, 128, 0}}), 5, 5);
        ASSERT_TRUE(
            doc.img->SetDropShadow(i, 0, 10, 0, 0, 0, 0, kBlack, false, 0, {}, identityTable()));
        QImage target(20, 20, QImage::Format_ARGB32);
        target.fill(qRgba(255, 255, 255, a));
        ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::DropShadow, lx::EffectTarget::Argb32,
                                       target, doc.layer(i)));
        const int grown = a == 200 ? 206 : a == 0 ? 6 : 255;
        for (int x = 0; x < 20; ++x) {
            for (int y = 0; y < 20; ++y) {
                const QRgb p = target.pixel(x, y);
                const bool hit = x == 6 && y == 5;
                EXPECT_EQ(qAlpha(p), hit ? grown : a) << x << "," << y;
                EXPECT_EQ(qRed(p), hit ? 249 : 255);
                EXPECT_EQ(qBlue(p), hit ? 249 : 255);
            }
        }
    }
}

// Draw routines: true at once when the effect is off, false for a target
// of the wrong size or format, true without drawing when the layer or its
// mask cannot be read.
TEST_P(EffectFamilyTest, DrawChecksItsInputs) {
    const Family& f = GetParam();
    Doc doc;
    const int i = doc.addLayer(greyRows({{255, 128}, {10, 0}}), 5, 5);
    QImage off(3, 3, QImage::Format_Mono); // never looked at while the effect is off
    EXPECT_TRUE(f.draw(*doc.img, off, doc.layer(i)));
    EXPECT_TRUE(f.drawAlpha(*doc.img, off, doc.layer(i)));

    ASSERT_TRUE(f.set(*doc.img, i, 1, 1, 0, 0, 100, kBlack, false, identityTable()));
    QImage small = solidBgr(19, 20, {255, 255, 255});
    QImage argb(20, 20, QImage::Format_ARGB32);
    QImage bgr = doc.target();
    EXPECT_FALSE(f.draw(*doc.img, small, doc.layer(i)));
    EXPECT_FALSE(f.draw(*doc.img, argb, doc.layer(i)));
    EXPECT_FALSE(f.drawAlpha(*doc.img, bgr, doc.layer(i)));
    EXPECT_EQ(bgr, doc.target());

    // The record says Size 1 (mask 10 x 10), the picture is 2 x 2.
    TlxLayerStyle& s = doc.layer(i).Style;
    f.size(s) = 1;
    EXPECT_TRUE(f.draw(*doc.img, bgr, doc.layer(i)));
    EXPECT_EQ(bgr, doc.target());
    f.size(s) = 0;
    f.mask(s) = f.mask(s).convertToFormat(QImage::Format_Indexed8);
    EXPECT_TRUE(f.draw(*doc.img, bgr, doc.layer(i)));
    EXPECT_EQ(bgr, doc.target());

    // An alpha of the wrong size is never read.
    ASSERT_TRUE(f.set(*doc.img, i, 1, 1, 0, 0, 100, kBlack, false, identityTable()));
    doc.layer(i).Bitmap = solidBgr(3, 2, {0, 0, 0});
    EXPECT_TRUE(f.draw(*doc.img, bgr, doc.layer(i)));
    EXPECT_EQ(bgr, doc.target());
}

// Mask origins beyond the 32-bit range (a record from a file with extreme
// DrawX, DrawY next to a layer near the document) reach nothing: no pixel
// is drawn and nothing outside the pictures is read.
TEST_P(EffectFamilyTest, FarOffMaskOriginsDrawNothing) {
    const Family& f = GetParam();
    Doc doc;
    const int i = doc.addLayer(solidGrey(4, 4, 128), 5, 5);
    ASSERT_TRUE(f.set(*doc.img, i, 0, 0, 0, 0, 100, kBlack, false, identityTable()));
    TlxLayerStyle& s = doc.layer(i).Style;
    f.mask(s).fill(200);
    const std::pair<int32_t, int32_t> origins[] = {
        {INT32_MAX, 0}, {INT32_MIN, 0}, {0, INT32_MAX}, {0, INT32_MIN}, {INT32_MIN, INT32_MAX}};
    for (const int left : {5, -5}) {
        doc.layer(i).Left = left;
        for (const auto& [dx, dy] : origins) {
            f.drawX(s) = dx;
            f.drawY(s) = dy;
            QImage target = doc.target();
            EXPECT_TRUE(f.draw(*doc.img, target, doc.layer(i)));
            EXPECT_EQ(target, doc.target()) << left << " " << dx << "," << dy;
        }
    }
}

// A record from a file may carry any size; the expected mask uses the
// limited one (Size 100000 -> 200: a 1 x 1 layer needs 801 x 801).
TEST(ShadowGlowTest, DrawLimitsTheStoredSize) {
    Doc doc;
    const int i = doc.addLayer(greyRows({{0}}), 5, 5);
    TlxLayerStyle& s = doc.layer(i).Style;
    s.DropShadowOn = true;
    s.DropShadow.Opacity = 100;
    s.DropShadow.Size = 100000;
    s.DropShadow.DrawX = -400;
    s.DropShadow.DrawY = -400;
    s.DropShadowMask = solidGrey(801, 801, 0);
    s.DropShadowMask.scanLine(400)[400] = 255; // lands on the layer pixel (5, 5)
    QImage target = doc.target();
    ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::DropShadow, lx::EffectTarget::Bgr24,
                                   target, doc.layer(i)));
    EXPECT_EQ(bgrAt(target, 5, 5), (Bgr{0, 0, 0}));
    EXPECT_EQ(bgrAt(target, 6, 5), (Bgr{255, 255, 255}));
}

// A layer at a negative position: only its visible part is visited. A 4 x 3
// opaque layer at (-2, -1) with a Size 0 drop shadow at offset (3, 3): the
// mask lies at (1, 2), so the shadow covers (1..4, 2..4), clear of the
// layer (rows -1..1).
TEST(ShadowGlowTest, LayerPartlyOutsideTheDocument) {
    Doc doc;
    const int i = doc.addLayer(solidGrey(4, 3, 255), -2, -1);
    ASSERT_TRUE(
        doc.img->SetDropShadow(i, 0, 100, 3, 3, 0, 0, kBlack, false, 0, {}, identityTable()));
    QImage target = doc.target();
    ASSERT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::DropShadow, lx::EffectTarget::Bgr24,
                                   target, doc.layer(i)));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool shadow = x >= 1 && x <= 4 && y >= 2 && y <= 4;
            const uint8_t v = shadow ? 0 : 255;
            EXPECT_EQ(bgrAt(target, x, y), (Bgr{v, v, v})) << x << "," << y;
        }
    // Far outside on every side: nothing to visit, nothing read.
    for (const auto& [left, top] : std::vector<std::pair<int, int>>{
             {-100, 0}, {100, 0}, {0, -100}, {0, 100}, {INT32_MIN, INT32_MAX}}) {
        doc.layer(i).Left = left;
        doc.layer(i).Top = top;
        QImage t = doc.target();
        EXPECT_TRUE(lx::drawEffectPass(*doc.img, lx::DrawPass::DropShadow, lx::EffectTarget::Bgr24,
                                       t, doc.layer(i)));
        EXPECT_EQ(t, doc.target());
    }
}

// ---- the draw routines against the plain rules ----

// Random documents, layers (also partly or wholly outside), masks, offsets,
// modes (dissolve included: both sides draw the same number of times in the
// same order), opacities and contours; both targets. Case N can be replayed
// by running only that seed.
TEST(ShadowGlowTest, DrawRoutinesMatchThePlainRulesOnRandomCases) {
    const std::vector<Family> all = families();
    auto img = std::make_unique<TlxImage>();
    auto refImg = std::make_unique<TlxImage>();
    for (int caseNo = 0; caseNo < 300; ++caseNo) {
        std::mt19937 rng{uint32_t(caseNo)};
        const int dw = 1 + int(rng() % 24), dh = 1 + int(rng() % 24);
        ASSERT_TRUE(img->NewImage(true, 0xFFFFFF, 24, dw, dh));
        const Family& f = all[rng() % all.size()];
        const bool argb = rng() % 2;
        const int lw = 1 + int(rng() % 12), lh = 1 + int(rng() % 12);
        auto layer = std::make_unique<TlxLayer>();
        layer->Alpha = ref::randomGrey(rng, lw, lh);
        layer->Bitmap = solidBgr(lw, lh, {1, 2, 3});
        layer->Left = int(rng() % 40) - 15;
        layer->Top = int(rng() % 40) - 15;
        layer->Opacity = (rng() % 5) / 4.0;
        layer->Style.EffectsIgnoreOpacity = rng() % 3 == 0;
        TlxLayerStyle& s = layer->Style;
        f.on(s) = true;
        f.size(s) = int(rng() % 4);
        f.spread(s) = int(rng() % 4);
        const int m = std::max(f.size(s), f.spread(s));
        f.mask(s) = ref::randomGrey(rng, lw + 4 * m, lh + 4 * m);
        f.drawX(s) = int(rng() % 41) - 20;
        f.drawY(s) = int(rng() % 41) - 20;
        // System colours now and then: both sides resolve them.
        const uint32_t colour = rng() % 8 == 0 ? 0x80000000u | (rng() % 31) : rng() & 0xFFFFFF;
        const uint8_t mode = uint8_t(rng() % 33), opacity = uint8_t(rng() % 101);
        f.look(s, mode, opacity, colour);
        ref::randomContour(rng, f.contour(s));

        const QImage start =
            ref::randomBgr(rng, dw, dh, argb ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        QImage actual = start, expected = start;
        ASSERT_TRUE(argb ? f.drawAlpha(*img, actual, *layer) : f.draw(*img, actual, *layer))
            << "case " << caseNo;

        const double e =
            s.EffectsIgnoreOpacity ? opacity / 100.0 : opacity / 100.0 * layer->Opacity;
        const int64_t ox = int64_t(layer->Left) + f.drawX(s);
        const int64_t oy = int64_t(layer->Top) + f.drawY(s);
        (f.inner ? ref::inner : ref::outer)(*refImg, expected, *layer, f.mask(s), ox, oy, mode,
                                            ref::packed(colour), nullptr, e,
                                            ref::map(f.contour(s), false));
        ASSERT_EQ(actual, expected) << "case " << caseNo << " " << f.name;
    }
}

} // namespace
