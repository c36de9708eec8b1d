// Linear resampling speed: a camera photo shrunk to a layer-sized picture and
// a small picture enlarged, against Qt's smooth scaling of the same sources.
// Times are wall-clock, since Qt may spread a large scaling over threads.

#include "core/pixel_view.h"
#include "kernels/resample.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// Smooth ramps with a little hashed noise on top, so that neither side can
// profit from runs of equal pixels.
QImage picture(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    const int channels = format == QImage::Format_BGR888 ? 3 : 1;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                uint32_t hash = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^
                                uint32_t(c) * 0xC2B2AE3Du;
                hash ^= hash >> 15;
                row[x * channels + c] = uint8_t((x * (c + 1) + y * (3 - c)) / 8 + (hash & 31));
            }
    }
    return image;
}

constexpr int kPhotoW = 4000, kPhotoH = 3000, kLayerW = 800, kLayerH = 600;
constexpr int kSmall = 500, kLarge = 2000;

void linearShrink(benchmark::State& state, QImage::Format format, int channels) {
    const QImage src = picture(kPhotoW, kPhotoH, format);
    QImage dst(kLayerW, kLayerH, format);
    for (auto _ : state) {
        lx::shrinkLinear(constViewOf(src), viewOf(dst), channels);
        benchmark::DoNotOptimize(dst.constBits());
    }
}

void linearEnlarge(benchmark::State& state, QImage::Format format, int channels) {
    const QImage src = picture(kSmall, kSmall, format);
    QImage dst(kLarge, kLarge, format);
    for (auto _ : state) {
        lx::enlargeLinear(constViewOf(src), viewOf(dst), channels, {});
        benchmark::DoNotOptimize(dst.constBits());
    }
}

void qtSmooth(benchmark::State& state, QImage::Format format, int srcW, int srcH, int w, int h) {
    const QImage src = picture(srcW, srcH, format);
    for (auto _ : state) {
        QImage dst = src.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(dst.constBits());
    }
}

void BM_LinearShrink(benchmark::State& state) {
    linearShrink(state, QImage::Format_BGR888, 3);
}
void BM_LinearShrinkMask(benchmark::State& state) {
    linearShrink(state, QImage::Format_Grayscale8, 1);
}
void BM_LinearEnlarge(benchmark::State& state) {
    linearEnlarge(state, QImage::Format_BGR888, 3);
}
void BM_LinearEnlargeMask(benchmark::State& state) {
    linearEnlarge(state, QImage::Format_Grayscale8, 1);
}
void BM_QtSmoothShrink(benchmark::State& state) {
    qtSmooth(state, QImage::Format_BGR888, kPhotoW, kPhotoH, kLayerW, kLayerH);
}
void BM_QtSmoothShrinkMask(benchmark::State& state) {
    qtSmooth(state, QImage::Format_Grayscale8, kPhotoW, kPhotoH, kLayerW, kLayerH);
}
void BM_QtSmoothEnlarge(benchmark::State& state) {
    qtSmooth(state, QImage::Format_BGR888, kSmall, kSmall, kLarge, kLarge);
}
void BM_QtSmoothEnlargeMask(benchmark::State& state) {
    qtSmooth(state, QImage::Format_Grayscale8, kSmall, kSmall, kLarge, kLarge);
}

BENCHMARK(BM_LinearShrink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LinearShrinkMask)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LinearEnlarge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LinearEnlargeMask)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtSmoothShrink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtSmoothShrinkMask)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtSmoothEnlarge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtSmoothEnlargeMask)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
