// Layer effects: building a drop shadow, and recomposing a document whose
// layers all carry effects.

#include "compose/mode_rows.h"
#include "core/row_bands.h"
#include "lxImage.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A soft-edged disc filling most of the picture, the typical photo-in-mask
// layer of a balloon design.
QImage discCoverage(int w, int h) {
    QImage alpha(w, h, QImage::Format_Grayscale8);
    const double cx = w / 2.0, cy = h / 2.0, r = std::min(w, h) * 0.45;
    for (int y = 0; y < h; ++y) {
        uchar* row = alpha.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            row[x] = uchar(std::clamp((r - d) * 8.0, 0.0, 255.0));
        }
    }
    return alpha;
}

QImage photo(int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * w; ++x)
            row[x] = uchar((x * 7 + y * 3) & 255);
    }
    return image;
}

void addLayer(TlxImage& img, int w, int h, int left, int top) {
    img.AddBitmapLayer(photo(w, h));
    TlxLayer& layer = img.Layers[size_t(img.LayersCount - 1)];
    layer.Alpha = discCoverage(w, h);
    layer.Left = left;
    layer.Top = top;
}

TColorlistSrcd rainbow() {
    TColorlistSrcd g;
    g.Count = 3;
    g.Stops = {{lxRGB(255, 0, 0), 0, 0.5}, {lxRGB(0, 255, 0), 0, 0.5}, {lxRGB(0, 0, 255), 0, 0}};
    return g;
}

const TlxImage::ContourPointArray kNoPoints{};
const TlxImage::ContourTableArray kNoTable{};

void BM_SetDropShadow50(benchmark::State& state) {
    TlxImage img;
    img.NewImage(true, lxRGB(255, 255, 255), 24, 1142, 1142);
    addLayer(img, 1000, 800, 50, 50);
    for (auto _ : state)
        benchmark::DoNotOptimize(img.SetDropShadow(1, 0, 75, 5, 5, 0, 50, lxRGB(0, 0, 0), false, 0,
                                                   kNoPoints, kNoTable));
}
BENCHMARK(BM_SetDropShadow50)->Unit(benchmark::kMillisecond);

void BM_ReDrawFiveStyledLayers(benchmark::State& state) {
    TlxImage img;
    img.NewImage(true, lxRGB(255, 255, 255), 24, 1142, 1142);
    for (int k = 0; k < 5; ++k) {
        addLayer(img, 500, 500, 60 + 120 * k, 60 + 110 * k);
        const int i = img.LayersCount - 1;
        img.SetDropShadow(i, 0, 75, 8, 8, 0, 10, lxRGB(0, 0, 0), false, 0, kNoPoints, kNoTable);
        img.Layers[size_t(i)].Style.Stroke.Position = 0;
        img.SetStroke(i, 0, 100, 0, 4, lxRGB(255, 255, 0), false, 0, kNoPoints, kNoTable);
        img.SetGradientOverlay(i, 0, 60, lxGradientHorizontal, rainbow(), false, 0);
    }
    for (auto _ : state) {
        img.InvalidateComposeCache(); // every pass composes from the background
        benchmark::DoNotOptimize(img.ReDraw());
    }
}
BENCHMARK(BM_ReDrawFiveStyledLayers)->Unit(benchmark::kMillisecond);

// Twenty square layers of the given side, each with a drop shadow, an outside stroke and a gradient
// overlay, through the row kernels and (perpixel:1) the per-pixel routine; threads:1 keeps the row
// kernels to one thread, threads:0 lets them use every core.
void BM_ReDrawTwentyStyledLayers(benchmark::State& state) {
    TlxImage img;
    img.NewImage(true, lxRGB(255, 255, 255), 24, 1142, 1142);
    for (int k = 0; k < 20; ++k) {
        const int side = int(state.range(1));
        addLayer(img, side, side, 20 + (1100 - side) * k / 20, 30 + (1100 - side) * k / 20);
        const int i = img.LayersCount - 1;
        img.SetDropShadow(i, 0, 75, 8, 8, 0, 10, lxRGB(0, 0, 0), false, 0, kNoPoints, kNoTable);
        img.Layers[size_t(i)].Style.Stroke.Position = 0;
        img.SetStroke(i, 0, 100, 0, 4, lxRGB(255, 255, 0), false, 0, kNoPoints, kNoTable);
        img.SetGradientOverlay(i, 0, 60, lxGradientHorizontal, rainbow(), false, 0);
    }
    lx::setPerPixelBlendReference(state.range(0) != 0);
    lx::setRowBandThreads(int(state.range(2)));
    for (auto _ : state) {
        img.InvalidateComposeCache(); // every pass composes from the background
        benchmark::DoNotOptimize(img.ReDraw());
    }
    lx::setRowBandThreads(0);
    lx::setPerPixelBlendReference(false);
}
BENCHMARK(BM_ReDrawTwentyStyledLayers)
    ->ArgNames({"perpixel", "side", "threads"})
    ->ArgsProduct({{0, 1}, {300, 500}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReDrawFivePlainLayers(benchmark::State& state) {
    TlxImage img;
    img.NewImage(true, lxRGB(255, 255, 255), 24, 1142, 1142);
    for (int k = 0; k < 5; ++k)
        addLayer(img, 500, 500, 60 + 120 * k, 60 + 110 * k);
    for (auto _ : state) {
        img.InvalidateComposeCache(); // every pass composes from the background
        benchmark::DoNotOptimize(img.ReDraw());
    }
}
BENCHMARK(BM_ReDrawFivePlainLayers)->Unit(benchmark::kMillisecond);

} // namespace
