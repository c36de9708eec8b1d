// Selection speed: the magic wand on a 3000 x 2000 and a 6000 x 4000
// photo-like picture, a smooth 200-vertex polygon on a 2000 x 2000 layer,
// adding a 200-vertex polygon to a wand selection on the 6000 x 4000
// picture, and cropping a ten-layer document to a rectangle.

#include "lxImage.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

namespace {

// Smooth gradients over the whole picture, a large flat field with a grid
// of small spots in it, and two smaller flat fields. The fields are laid out
// for 3000 x 2000 and stretched with the picture; the spots keep their size.
QImage photoLike(int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        const int64_t sy = int64_t(y) * 2000 / h;
        for (int x = 0; x < w; ++x) {
            uint8_t* p = row + 3 * x;
            const int64_t sx = int64_t(x) * 3000 / w;
            p[0] = uint8_t(int64_t(x) * 255 / w);
            p[1] = uint8_t(int64_t(y) * 255 / h);
            p[2] = uint8_t(int64_t(x + y) * 255 / (w + h));
            const bool field = sx >= 300 && sx < 2400 && sy >= 200 && sy < 1700;
            const bool spot = x % 50 < 6 && y % 50 < 6;
            if (field && !spot) {
                p[0] = 40, p[1] = 190, p[2] = 120;
            } else if (sx >= 2500 && sx < 2900 && sy >= 100 && sy < 900) {
                p[0] = 200, p[1] = 20, p[2] = 60;
            } else if ((sx - 600) * (sx - 600) + (sy - 1850) * (sy - 1850) < 120 * 120) {
                p[0] = 10, p[1] = 10, p[2] = 10;
            }
        }
    }
    return image;
}

int64_t selectedPixels(const QImage& sel) {
    int64_t selected = 0;
    for (int y = 0; y < sel.height(); ++y)
        for (int x = 0; x < sel.width(); ++x)
            selected += sel.constScanLine(y)[x] != 0;
    return selected;
}

// A star of 100 points around (cx, cy): vertices alternate between radii
// outer and inner.
void setStar(TlxImage& img, double cx, double cy, double outer, double inner) {
    img.SelKind = 3;
    img.ShapePointCount = 200;
    for (int i = 0; i < 200; ++i) {
        const double a = i * 2 * M_PI / 200, r = i % 2 == 0 ? outer : inner;
        img.ShapePoints[size_t(i)] = {int32_t(std::lround(cx + r * std::cos(a))),
                                      int32_t(std::lround(cy + r * std::sin(a)))};
    }
}

void BM_MagicWand(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    TlxImage img;
    img.AutoSize = false;
    const QImage picture = photoLike(3000, 2000);
    if (!img.NewImageFromBitmap(picture)) {
        state.SkipWithError("no document");
        return;
    }
    img.SelKind = 4;
    for (auto _ : state) {
        if (!img.MakeSelection(0, 1025, 1025, 32, smooth)) state.SkipWithError("wand failed");
        benchmark::DoNotOptimize(img.SelBitmap.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 3000 * 2000);
    // How much the click took, so that a change of the picture shows.
    state.counters["selected"] = double(selectedPixels(img.SelBitmap));
}
BENCHMARK(BM_MagicWand)->Arg(0)->Arg(1)->ArgName("smooth")->Unit(benchmark::kMillisecond);

// The wand at tolerance 20 clicked into the large field of a 6000 x 4000
// picture (between its spots).
void BM_MagicWandLarge(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    TlxImage img;
    img.AutoSize = false;
    if (!img.NewImageFromBitmap(photoLike(6000, 4000))) {
        state.SkipWithError("no document");
        return;
    }
    img.SelKind = 4;
    for (auto _ : state) {
        if (!img.MakeSelection(0, 2025, 2025, 20, smooth)) state.SkipWithError("wand failed");
        benchmark::DoNotOptimize(img.SelBitmap.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 6000 * 4000);
    state.counters["selected"] = double(selectedPixels(img.SelBitmap));
}
BENCHMARK(BM_MagicWandLarge)->Arg(0)->Arg(1)->ArgName("smooth")->Unit(benchmark::kMillisecond);

// A 200-vertex star added to a wand selection of the 6000 x 4000 picture:
// the polygon is drawn on the picture-sized layer and combined row by row.
// Adding the same star again gives the same union, so every round does the
// same work.
void BM_AddPolygon200Large(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    TlxImage img;
    img.AutoSize = false;
    if (!img.NewImageFromBitmap(photoLike(6000, 4000))) {
        state.SkipWithError("no document");
        return;
    }
    img.SelKind = 4;
    if (!img.MakeSelection(0, 2025, 2025, 20, false)) {
        state.SkipWithError("wand failed");
        return;
    }
    img.HasSelection = true;
    setStar(img, 4500, 2800, 1100, 600);
    for (auto _ : state) {
        if (!img.AddToSelection(0, 0, 0, 0, smooth)) state.SkipWithError("add failed");
        img.SelKind = 3; // the star again, not the combined selection's kind
        benchmark::DoNotOptimize(img.SelBitmap.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 6000 * 4000);
    state.counters["selected"] = double(selectedPixels(img.SelBitmap));
}
BENCHMARK(BM_AddPolygon200Large)->Arg(0)->Arg(1)->ArgName("smooth")->Unit(benchmark::kMillisecond);

void BM_Polygon200(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    TlxImage img;
    img.AutoSize = false;
    if (!img.NewImage(true, lxRGB(255, 255, 255), 24, 2000, 2000)) {
        state.SkipWithError("no document");
        return;
    }
    setStar(img, 1000, 1000, 950, 500);
    for (auto _ : state) {
        if (!img.MakeSelection(0, 0, 0, 0, smooth)) state.SkipWithError("polygon failed");
        benchmark::DoNotOptimize(img.SelBitmap.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 2000 * 2000);
}
BENCHMARK(BM_Polygon200)->Arg(0)->Arg(1)->ArgName("smooth")->Unit(benchmark::kMillisecond);

// A 1142 x 1142 document with ten 600 x 600 layers scattered over it (some
// reaching out of it) and the middle 600 x 600 selected as a rectangle.
std::unique_ptr<TlxImage> cropDocument(const QImage& colour, const QImage& alpha) {
    auto img = std::make_unique<TlxImage>();
    img->AutoSize = false;
    if (!img->NewImage(false, lxRGB(255, 255, 255), 24, 1142, 1142)) return nullptr;
    for (int i = 0; i < 10; ++i) {
        if (!img->AppendLayer(colour, alpha)) return nullptr;
        TlxLayer& layer = img->Layers[size_t(img->LayersCount - 1)];
        layer.Left = (i * 173) % 900 - 150;
        layer.Top = (i * 311) % 900 - 150;
    }
    img->SelKind = 0;
    img->ShapePoints[0] = {271, 271};
    img->ShapePoints[1] = {871, 871};
    if (!img->MakeSelection(0, 0, 0, 0, false)) return nullptr;
    img->HasSelection = true;
    return img;
}

void BM_CropTenLayers(benchmark::State& state) {
    QImage colour(600, 600, QImage::Format_BGR888);
    QImage alpha(600, 600, QImage::Format_Grayscale8);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 600; ++x) {
            uint8_t* p = colour.scanLine(y) + 3 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = uint8_t(x ^ y);
            alpha.scanLine(y)[x] = uint8_t(x + y);
        }
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TlxImage> img = cropDocument(colour, alpha);
        state.ResumeTiming();
        if (!img) {
            state.SkipWithError("no document");
            break;
        }
        img->CropToSelection();
        benchmark::DoNotOptimize(img->ImageWidth);
        state.PauseTiming();
        img.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CropTenLayers)->Unit(benchmark::kMillisecond);

// A lasso of 2000 points drawn by hand round most of a 6000 x 4000 photo: a
// wobbly loop, rasterised as the dialog does when the mouse is let go.
void BM_Lasso2000Large(benchmark::State& state) {
    const bool smooth = state.range(0) != 0;
    TlxImage img;
    img.AutoSize = false;
    if (!img.NewImageFromBitmap(photoLike(6000, 4000))) {
        state.SkipWithError("no document");
        return;
    }
    img.SelKind = 3;
    img.ShapePointCount = 2000;
    for (int i = 0; i < 2000; ++i) {
        const double a = i * 2 * M_PI / 2000, wobble = 60 * std::sin(a * 37);
        img.ShapePoints[size_t(i)] = {int32_t(std::lround(3000 + (2600 + wobble) * std::cos(a))),
                                      int32_t(std::lround(2000 + (1700 + wobble) * std::sin(a)))};
    }
    for (auto _ : state) {
        if (!img.MakeSelection(0, 0, 0, 0, smooth)) state.SkipWithError("lasso failed");
        benchmark::DoNotOptimize(img.SelBitmap.constBits());
    }
}
BENCHMARK(BM_Lasso2000Large)->Arg(0)->Arg(1)->ArgName("smooth")->Unit(benchmark::kMillisecond);

// The crop dialog's crop: a 6000 x 4000 photo cut to a 4000 x 3000 rectangle.
void BM_CropPhotoLarge(benchmark::State& state) {
    const QImage picture = photoLike(6000, 4000);
    for (auto _ : state) {
        state.PauseTiming();
        auto img = std::make_unique<TlxImage>();
        img->AutoSize = false;
        bool ready = img->NewImageFromBitmap(picture);
        img->SelKind = 0;
        img->ShapePoints[0] = {1000, 500};
        img->ShapePoints[1] = {5000, 3500};
        ready = ready && img->MakeSelection(0, 0, 0, 0, false);
        img->HasSelection = true;
        state.ResumeTiming();
        if (!ready) {
            state.SkipWithError("no document");
            break;
        }
        img->CropToSelection();
        benchmark::DoNotOptimize(img->ImageWidth);
        state.PauseTiming();
        img.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CropPhotoLarge)->Unit(benchmark::kMillisecond);

} // namespace
