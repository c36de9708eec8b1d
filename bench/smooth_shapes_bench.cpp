// Speed of the anti-aliased selection shapes: ellipses of a preview, photo and poster size, rounded
// rectangles with copied and with averaged corners, and 1000 long random lines.
#include "lxImage.h"
#include <benchmark/benchmark.h>
#include <random>

static void BM_Ellipse(benchmark::State& state) {
    QImage img(int(state.range(0)), int(state.range(1)), QImage::Format_Grayscale8);
    for (auto _ : state) {
        TlxImage::DrawSmoothEllipse(img);
        benchmark::DoNotOptimize(img.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_Ellipse)
    ->Args({640, 480})
    ->Args({4000, 3000})
    ->Args({3000, 4000})
    ->Args({12000, 9000})
    ->Unit(benchmark::kMillisecond);

static void BM_RoundRect(benchmark::State& state) {
    QImage img(int(state.range(0)), int(state.range(1)), QImage::Format_Grayscale8);
    for (auto _ : state) {
        TlxImage::DrawSmoothRoundRect(int(state.range(2)), int(state.range(3)), img);
        benchmark::DoNotOptimize(img.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
// pixel-for-pixel corners, and a corner wider than the box (averaged across)
BENCHMARK(BM_RoundRect)
    ->Args({4000, 3000, 400, 400})
    ->Args({300, 4000, 900, 400})
    ->Unit(benchmark::kMillisecond);

static void BM_Lines(benchmark::State& state) {
    QImage img(4000, 3000, QImage::Format_Grayscale8);
    img.fill(0);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> x(-200, 4200), y(-200, 3200);
    std::vector<double> v(4000);
    for (double& c : v)
        c = (&c - v.data()) % 2 ? y(rng) : x(rng);
    for (auto _ : state) {
        for (size_t i = 0; i + 3 < v.size(); i += 4)
            TlxImage::DrawAntialiasedLine(img, v[i], v[i + 1], v[i + 2], v[i + 3]);
        benchmark::DoNotOptimize(img.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Lines)->Unit(benchmark::kMillisecond);
