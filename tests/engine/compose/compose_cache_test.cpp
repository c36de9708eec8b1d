// ReDraw keeps a composite of the bottom layers between calls. Whatever
// happened in between, its ShowBmp must hold the very bytes a composition
// from the background gives: ComposeImage into a picture of its own, or, where
// dissolve makes every composition draw random numbers, a twin document that
// went through the same steps with the kept composite forgotten each time.

#include "lxImage.h"
#include "picture_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 40;
const TlxImage::ContourPointArray kNoPoints{};
const TlxImage::ContourTableArray kNoTable{};

uint8_t hashByte(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return uint8_t(h >> 13);
}

// Noisy colours; coverage opaque inside an ellipse, clear outside it, with a
// ramp of partial values between, so every blend path meets every case.
QImage layerPicture(int w, int h, uint32_t seed) {
    QImage picture(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double dx = (x - (w - 1) / 2.0) / (w / 2.0);
            const double dy = (y - (h - 1) / 2.0) / (h / 2.0);
            const double d = dx * dx + dy * dy;
            row[4 * x] = hashByte(x, y, seed);
            row[4 * x + 1] = hashByte(x, y, seed + 1);
            row[4 * x + 2] = hashByte(x, y, seed + 2);
            row[4 * x + 3] = d < 0.5 ? 255 : d > 1.0 ? 0 : uint8_t(hashByte(x, y, seed + 3) | 1);
        }
    }
    return picture;
}

TColorlistSrcd twoStops() {
    TColorlistSrcd gradient;
    gradient.Count = 2;
    gradient.Stops = {{lxRGB(250, 30, 0), 0, 1.0}, {lxRGB(0, 90, 255), 0, 0}};
    return gradient;
}

// Background colour under a half-transparent background layer (so a change
// of BackColor shows), then four layers with drop shadow, stroke and gradient
// overlay in several combinations; layer 4 is the top one the tests drag.
void buildDocument(TlxImage& img) {
    ASSERT_TRUE(img.NewImage(true, lxRGB(230, 240, 250), 24, kWidth, kHeight));
    img.Layers[0].Opacity = 0.6;
    const QPoint places[] = {{4, 3}, {14, 10}, {-3, 18}, {20, 6}};
    for (int k = 0; k < 4; ++k) {
        ASSERT_TRUE(img.AddBitmapLayer(layerPicture(18 + 2 * k, 14 + k, uint32_t(10 * k))));
        TlxLayer& layer = img.Layers[size_t(k + 1)];
        layer.Left = places[k].x();
        layer.Top = places[k].y();
    }
    img.Layers[2].Opacity = 0.7;
    img.Layers[3].BlendMode = lx::BlendMultiply;
    ASSERT_TRUE(
        img.SetDropShadow(1, 0, 70, 3, 2, 0, 3, lxRGB(0, 0, 0), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(img.SetStroke(2, 0, 90, 0, 2, lxRGB(200, 0, 0), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(img.SetGradientOverlay(3, 0, 60, lxGradientHorizontal, twoStops(), false, 0));
    ASSERT_TRUE(
        img.SetDropShadow(4, 0, 80, -2, 3, 1, 4, lxRGB(20, 0, 60), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(img.SetStroke(4, 0, 100, 1, 3, lxRGB(255, 255, 0), false, 0, kNoPoints, kNoTable));
    ASSERT_TRUE(
        img.SetGradientOverlay(4, lx::BlendScreen, 50, lxGradientVertical, twoStops(), true, 0));
}

::testing::AssertionResult sameBytes(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size() || actual.format() != expected.format())
        return ::testing::AssertionFailure() << "pictures differ in size or format";
    int differing = 0;
    QPoint first(-1, -1);
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (std::memcmp(actual.constScanLine(y) + 3 * x, expected.constScanLine(y) + 3 * x,
                            3) != 0) {
                if (differing++ == 0) first = QPoint(x, y);
            }
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ, the first at ("
                                         << first.x() << ", " << first.y() << ")";
}

// What composing everything from the background gives now.
QImage fullComposition(TlxImage& img) {
    QImage target(img.ImageWidth, img.ImageHeight, QImage::Format_BGR888);
    target.fill(0);
    EXPECT_TRUE(img.ComposeImage(target));
    return target;
}

::testing::AssertionResult redrawMatchesFull(TlxImage& img) {
    if (!img.ReDraw()) return ::testing::AssertionFailure() << "ReDraw failed";
    return sameBytes(img.ShowBmp, fullComposition(img));
}

int topLayer(const TlxImage& img) {
    return img.LayersCount - 1;
}

// A few steps of a drag of the top layer, each recomposed and checked.
void dragTop(TlxImage& img, const std::vector<QPoint>& steps) {
    for (const QPoint& step : steps) {
        TlxLayer& top = img.Layers[size_t(topLayer(img))];
        top.Left += step.x();
        top.Top += step.y();
        ASSERT_TRUE(redrawMatchesFull(img))
            << "after moving the top layer to (" << top.Left << ", " << top.Top << ")";
    }
}

const std::vector<QPoint> kDrag = {{2, 1}, {3, -2}, {-30, 0}, {5, 5}};

TEST(ComposeCacheTest, DraggingTheTopLayerGivesTheFullComposition) {
    TlxImage img;
    buildDocument(img);
    ASSERT_TRUE(redrawMatchesFull(img));
    // Partly off the left edge, back, and wholly off the picture and back.
    dragTop(img, kDrag);
    dragTop(img, {{100, 0}, {-100, 0}, {0, -1}});
    // A ReDraw with nothing changed.
    ASSERT_TRUE(redrawMatchesFull(img));
}

struct Change {
    const char* name;
    std::function<void(TlxImage&)> apply;
};

void fillPixels(QImage& picture, uint8_t value) {
    for (int y = 0; y < picture.height(); y += 2)
        std::memset(picture.scanLine(y), value, size_t(picture.bytesPerLine()));
}

// Each change comes while a drag of the top layer is under way (the kept
// composite sits just below the top layer), and the drag goes on after it.
TEST(ComposeCacheTest, EveryChangeDuringADragGivesTheFullComposition) {
    QTemporaryDir tables;
    ASSERT_TRUE(tables.isValid());
    {
        // A table for mode 26 that differs from the built-in one everywhere.
        QFile file(QDir(tables.path()).filePath(QStringLiteral("26.mode")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes(TlxImage::BlendTableSize, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char(255 - (i >> 8) / 2 - (i & 255) / 4);
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    const Change changes[] = {
        {"a lower layer moves", [](TlxImage& i) { i.Layers[2].Left += 3; }},
        {"the background layer moves", [](TlxImage& i) { i.Layers[0].Top = 2; }},
        {"a lower layer's opacity", [](TlxImage& i) { i.Layers[1].Opacity = 0.4; }},
        {"a lower layer's blend mode",
         [](TlxImage& i) { i.Layers[2].BlendMode = lx::BlendDifference; }},
        {"pixels through GetLayerBitmap",
         [](TlxImage& i) { fillPixels(*i.GetLayerBitmap(1), 17); }},
        {"coverage through scanLine", [](TlxImage& i) { fillPixels(i.Layers[3].Alpha, 255); }},
        {"the background layer's pixels",
         [](TlxImage& i) { fillPixels(*i.GetLayerBitmap(0), 90); }},
        {"a drop shadow set up again",
         [](TlxImage& i) {
             ASSERT_TRUE(i.SetDropShadow(1, 0, 100, -3, -3, 2, 5, lxRGB(0, 120, 0), false, 0,
                                         kNoPoints, kNoTable));
         }},
        {"a stroke record written directly",
         [](TlxImage& i) { i.Layers[2].Style.Stroke.Color = lxRGB(0, 0, 255); }},
        {"a gradient overlay switched off",
         [](TlxImage& i) { i.Layers[3].Style.GradientOverlayOn = false; }},
        {"a lower layer hidden", [](TlxImage& i) { i.Layers[2].Visible = false; }},
        {"a lower layer at opacity 0 with effects that ignore it",
         [](TlxImage& i) {
             i.Layers[1].Opacity = 0;
             i.Layers[1].Style.EffectsIgnoreOpacity = true;
         }},
        {"a mask given to a lower layer",
         [](TlxImage& i) {
             QImage mask = solidBgr(4, 4, {40, 160, 255});
             ASSERT_TRUE(i.SetLayerMask(2, mask));
         }},
        {"two lower layers swapped", [](TlxImage& i) { ASSERT_TRUE(i.SwapLayers(1, 2)); }},
        {"the top layer swapped down", [](TlxImage& i) { ASSERT_TRUE(i.SwapLayers(4, 1)); }},
        {"a lower layer deleted", [](TlxImage& i) { ASSERT_TRUE(i.DeleteLayer(2)); }},
        {"the top layer deleted", [](TlxImage& i) { ASSERT_TRUE(i.DeleteLayer(4)); }},
        {"a layer added on top",
         [](TlxImage& i) {
             ASSERT_TRUE(i.AddBitmapLayer(layerPicture(12, 12, 77)));
             i.Layers[size_t(topLayer(i))].Left = 9;
         }},
        {"the background colour", [](TlxImage& i) { i.BackColor = lxRGB(10, 200, 30); }},
        {"the checkerboard instead of the colour",
         [](TlxImage& i) { i.BackgroundMode = lxBackTransparent; }},
        {"the blend tables reloaded",
         [&tables](TlxImage& i) {
             i.Layers[2].BlendMode = lx::BlendHardLight; // table mode 26
             ASSERT_TRUE(redrawMatchesFull(i));
             i.LoadBlendTables(tables.path());
         }},
        {"the canvas resized",
         [](TlxImage& i) { ASSERT_TRUE(i.ResizeCanvas(kWidth + 8, kHeight - 6, lxRGB(9, 9, 9))); }},
        {"the display picture written by the host", [](TlxImage& i) { i.ShowBmp.fill(0); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        TlxImage img;
        buildDocument(img);
        ASSERT_TRUE(redrawMatchesFull(img));
        dragTop(img, {{1, 1}, {2, 0}});
        change.apply(img);
        ASSERT_TRUE(redrawMatchesFull(img)) << "right after the change";
        dragTop(img, kDrag);
    }
}

// Layers that change between drags: each drag of another layer starts a new
// kept composite under that layer, and a change below it throws it away.
TEST(ComposeCacheTest, DraggingOneLayerAfterAnotherGivesTheFullComposition) {
    TlxImage img;
    buildDocument(img);
    ASSERT_TRUE(redrawMatchesFull(img));
    for (const int layer : {4, 2, 3, 1, 4, 0, 3}) {
        SCOPED_TRACE(layer);
        for (int step = 0; step < 3; ++step) {
            img.Layers[size_t(layer)].Left += step + 1;
            img.Layers[size_t(layer)].Top -= 1;
            ASSERT_TRUE(redrawMatchesFull(img)) << "step " << step;
        }
    }
}

// Pixels written through a pointer taken before a ReDraw leave the picture's
// cache key as it was: the kept composite goes on showing the old pixels
// until the host says so.
TEST(ComposeCacheTest, AStaleWriteShowsOnlyAfterInvalidating) {
    TlxImage img;
    buildDocument(img);
    uint8_t* pixels = img.GetLayerBitmap(1)->bits();
    const qsizetype bytes = img.GetLayerBitmap(1)->sizeInBytes();
    ASSERT_TRUE(redrawMatchesFull(img));
    dragTop(img, {{1, 0}, {1, 0}});

    std::memset(pixels, 0, size_t(bytes));
    img.Layers[4].Left += 1;
    ASSERT_TRUE(img.ReDraw());
    EXPECT_FALSE(sameBytes(img.ShowBmp, fullComposition(img)))
        << "the move of the top layer started from a composite holding layer 1";

    img.InvalidateComposeCache();
    EXPECT_TRUE(redrawMatchesFull(img));
    dragTop(img, kDrag);
}

TEST(ComposeCacheTest, ADisplayPictureOfTheWrongSizeFailsLikeComposeImage) {
    TlxImage img;
    buildDocument(img);
    ASSERT_TRUE(redrawMatchesFull(img));
    dragTop(img, {{1, 0}, {1, 0}});
    img.ShowBmp = QImage(kWidth - 1, kHeight, QImage::Format_BGR888);
    EXPECT_FALSE(img.ReDraw());
    img.ShowBmp = QImage(kWidth, kHeight, QImage::Format_BGR888);
    EXPECT_TRUE(redrawMatchesFull(img));
    dragTop(img, kDrag);
}

// Dissolve draws from a random sequence that runs on from one composition to
// the next, so the reference is a twin built and changed the same way whose
// every ReDraw composes from the background.
struct DissolveCase {
    const char* name;
    std::function<void(TlxImage&)> setUp;
    int dragged;
};

TEST(ComposeCacheTest, DissolveGivesWhatTheFullPathGives) {
    const DissolveCase cases[] = {
        {"the dragged top layer dissolves",
         [](TlxImage& i) {
             i.Layers[4].BlendMode = lx::BlendDissolve;
             i.Layers[4].Opacity = 0.5;
         },
         4},
        {"a layer under the dragged one dissolves",
         [](TlxImage& i) {
             i.Layers[2].BlendMode = lx::BlendDissolve;
             i.Layers[2].Opacity = 0.5;
         },
         4},
        {"a lower layer's drop shadow dissolves",
         [](TlxImage& i) {
             ASSERT_TRUE(i.SetDropShadow(1, lx::BlendDissolve, 60, 2, 2, 0, 3, lxRGB(0, 0, 0),
                                         false, 0, kNoPoints, kNoTable));
         },
         3},
    };
    for (const DissolveCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto cached = std::make_unique<TlxImage>();
        auto full = std::make_unique<TlxImage>();
        for (TlxImage* img : {cached.get(), full.get()}) {
            buildDocument(*img);
            c.setUp(*img);
        }
        // Moves, then two ReDraws with nothing changed: each composition
        // draws its dissolve pixels afresh.
        const std::vector<QPoint> steps = {{1, 0}, {2, 1}, {-4, 0}, {0, 0}, {0, 0}, {3, -1}};
        QImage previous;
        for (size_t s = 0; s < steps.size(); ++s) {
            for (TlxImage* img : {cached.get(), full.get()}) {
                img->Layers[size_t(c.dragged)].Left += steps[s].x();
                img->Layers[size_t(c.dragged)].Top += steps[s].y();
            }
            full->InvalidateComposeCache();
            ASSERT_TRUE(full->ReDraw());
            ASSERT_TRUE(cached->ReDraw());
            ASSERT_TRUE(sameBytes(cached->ShowBmp, full->ShowBmp)) << "step " << s;
            if (s > 0) {
                EXPECT_FALSE(sameBytes(full->ShowBmp, previous)) << "no fresh draws at step " << s;
            }
            previous = full->ShowBmp.copy();
        }
    }
}

} // namespace
