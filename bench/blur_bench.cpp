// Mask blur speed on a 1000 x 1000 effect mask: the fast blur at the radii
// the effects use (0.6 for size 1, n / 2 for size n), the plain blur at two
// of them so that the speed-up reads off one run, and each kernel set alone
// at radius 50. Single-threaded; each iteration blurs a fresh copy.

#include "core/pixel_view.h"
#include "core/row_bands.h"
#include "kernels/blur.h"
#include "kernels/blur_kernels.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kSize = 1000;

// A layer's alpha the way effects see it: a filled ellipse with a soft
// two-pixel edge, a hard-edged bar, and hashed noise over everything, so no
// row or column is uniform.
QImage effectMask() {
    QImage mask(kSize, kSize, QImage::Format_Grayscale8);
    for (int y = 0; y < kSize; ++y) {
        uint8_t* row = mask.scanLine(y);
        for (int x = 0; x < kSize; ++x) {
            const double dx = (x - 480) / 380.0, dy = (y - 520) / 300.0;
            const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * 150.0;
            int v = int(std::clamp(edge, 0.0, 1.0) * 255);
            if (x > 700 && x < 760 && y > 100 && y < 900) v = 255;
            uint32_t hash = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
            hash ^= hash >> 15;
            v = std::clamp(v + int(hash & 15) - 8, 0, 255);
            row[x] = uint8_t(v);
        }
    }
    return mask;
}

template <class Blur> void runBlur(benchmark::State& state, double radius, Blur blur) {
    const QImage source = effectMask();
    QImage mask = source.copy();
    const qsizetype bytes = source.sizeInBytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(mask.bits(), source.constBits(), size_t(bytes));
        state.ResumeTiming();
        blur(viewOf(mask), radius);
        benchmark::DoNotOptimize(mask.constBits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * qsizetype(kSize) * kSize);
}

void fastBlur(benchmark::State& state, double radius) {
    runBlur(state, radius, lx::gaussianBlurMask);
}

// The same blur kept to the calling thread.
void oneThreadBlur(benchmark::State& state, double radius) {
    lx::setRowBandThreads(1);
    runBlur(state, radius, lx::gaussianBlurMask);
    lx::setRowBandThreads(0);
}

void plainBlur(benchmark::State& state, double radius) {
    runBlur(state, radius, lx::gaussianBlurMaskReference);
}

void kernelSet(benchmark::State& state, double radius, const char* name) {
    for (const lx::BlurLineKernels& kernels : lx::blurLineKernelSets())
        if (std::strcmp(kernels.name, name) == 0) {
            runBlur(state, radius, [kernels](PixelView m, double r) {
                lx::gaussianBlurMaskWith(m, r, kernels, lx::BlurStripWidth);
            });
            return;
        }
    state.SkipWithError("this processor does not run the kernel");
}

} // namespace

BENCHMARK_CAPTURE(fastBlur, radius_0_6, 0.6)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(fastBlur, radius_5, 5.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(fastBlur, radius_50, 50.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(fastBlur, radius_100, 100.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(oneThreadBlur, radius_5, 5.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(oneThreadBlur, radius_50, 50.0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(plainBlur, radius_5, 5.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainBlur, radius_50, 50.0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernelSet, plain_radius_50, 50.0, "plain")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernelSet, avx2_radius_50, 50.0, "avx2")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kernelSet, avx512_radius_50, 50.0, "avx512")->Unit(benchmark::kMillisecond);
