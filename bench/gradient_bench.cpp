// Gradient renderer speed on a 2000 x 1500 picture: each kind written
// straight into a 24-bit picture, the painter route for comparison, and the
// diagonal renderer into its own picture; and the rectangle and ellipse on a
// 6000 x 6000 layer.

#include "kernels/gradient_reference.h"
#include "lxGradient.h"
#include "lxImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kW = 2000;
constexpr int kH = 1500;

std::vector<TColorlistItem> fiveStops() {
    return {{lxRGB(10, 20, 30), 0, 0.2},
            {lxRGB(250, 10, 90), 0, 0.3},
            {lxRGB(40, 200, 60), 0, 0.1},
            {lxRGB(0, 0, 255), 0, 0.25},
            {lxRGB(255, 255, 0), 0, 0.15}};
}

template <typename Fill> void fillInto(benchmark::State& state, Fill fill, bool throughPainter) {
    QImage image(kW, kH, QImage::Format_BGR888);
    image.fill(Qt::white);
    const auto stops = fiveStops();
    for (auto _ : state) {
        QPainter p(&image);
        if (throughPainter) p.setClipRect(image.rect());
        fill(stops.data(), int(stops.size()), p);
        p.end();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}

void BM_Horizontal(benchmark::State& state) {
    fillInto(
        state,
        [](const TColorlistItem* s, int n, QPainter& p) {
            FillGradientHorizontal(s, n, p, 0, 0, kW, kH);
        },
        state.range(0) != 0);
}
BENCHMARK(BM_Horizontal)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Vertical(benchmark::State& state) {
    fillInto(
        state,
        [](const TColorlistItem* s, int n, QPainter& p) {
            FillGradientVertical(s, n, p, 0, 0, kW, kH);
        },
        state.range(0) != 0);
}
BENCHMARK(BM_Vertical)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Rectangle(benchmark::State& state) {
    fillInto(
        state,
        [](const TColorlistItem* s, int n, QPainter& p) {
            FillGradientRectangle(s, n, p, 0, 0, kW, kH);
        },
        state.range(0) != 0);
}
BENCHMARK(BM_Rectangle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_Ellipse(benchmark::State& state) {
    fillInto(
        state,
        [](const TColorlistItem* s, int n, QPainter& p) {
            FillGradientEllipse(s, n, p, 0, 0, kW, kH);
        },
        false);
}
BENCHMARK(BM_Ellipse)->Unit(benchmark::kMillisecond);

// A layer-sized picture, 6000 x 6000, as a gradient overlay fills it:
// 0 rectangle, 1 ellipse, 2 ellipse drawn through the painter (the plain form).
void BM_LargeLayer(benchmark::State& state) {
    constexpr int kSide = 6000;
    QImage image(kSide, kSide, QImage::Format_BGR888);
    image.fill(Qt::white);
    const auto stops = fiveStops();
    const int n = int(stops.size());
    for (auto _ : state) {
        QPainter p(&image);
        switch (state.range(0)) {
        case 0:
            FillGradientRectangle(stops.data(), n, p, 0, 0, kSide, kSide);
            break;
        case 1:
            FillGradientEllipse(stops.data(), n, p, 0, 0, kSide, kSide);
            break;
        default:
            lx::FillGradientEllipseThroughPainter(stops.data(), n, p, 0, 0, kSide, kSide);
            break;
        }
        p.end();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSide) * kSide);
}
BENCHMARK(BM_LargeLayer)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DiagonalFill(benchmark::State& state) {
    fillInto(
        state,
        [](const TColorlistItem* s, int n, QPainter& p) {
            FillGradientDiagonalMirrored(s, n, p, 0.37, kW, kH);
        },
        state.range(0) != 0);
}
BENCHMARK(BM_DiagonalFill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RenderDiagonal(benchmark::State& state) {
    const auto stops = fiveStops();
    QImage image;
    for (auto _ : state) {
        RenderDiagonalGradient(stops.data(), int(stops.size()), kH, kW, 0.37, image);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kW) * kH);
}
BENCHMARK(BM_RenderDiagonal)->Unit(benchmark::kMillisecond);

} // namespace
