// Pattern scaling speed: a pattern tile shrunk and enlarged the way the
// layer style dialog scales it, in 32 and 8 bits, and the engine's plain and
// vector row loops on four channels side by side.

#include "core/pixel_view.h"
#include "kernels/resample_linear.h"
#include "lxImageZoom.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// Smooth ramps with a little hashed noise on top (alpha included), so that
// no path profits from runs of equal pixels.
QImage picture(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    const int channels = image.depth() / 8;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c) {
                uint32_t hash = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^
                                uint32_t(c) * 0xC2B2AE3Du;
                hash ^= hash >> 15;
                row[x * channels + c] = uint8_t((x * (c + 1) + y * (4 - c)) / 8 + (hash & 31));
            }
    }
    return image;
}

constexpr int kTile = 1024, kSmallTile = 400; // shrinking: 1024 -> 400
constexpr int kSeed = 128, kGrown = 1024;     // enlarging: 128 -> 1024

void zoom(benchmark::State& state, bool eightBit, int from, int to) {
    const QImage src =
        picture(from, from, eightBit ? QImage::Format_Grayscale8 : QImage::Format_ARGB32);
    QImage dst;
    for (auto _ : state) {
        const bool done = eightBit ? ZoomBitmap8(src, dst, to, to) : ZoomBitmap32(src, dst, to, to);
        benchmark::DoNotOptimize(done);
        benchmark::DoNotOptimize(dst.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(to) * to);
}

void BM_ZoomBitmap32Shrink(benchmark::State& state) {
    zoom(state, false, kTile, kSmallTile);
}
void BM_ZoomBitmap32Enlarge(benchmark::State& state) {
    zoom(state, false, kSeed, kGrown);
}
void BM_ZoomBitmap8Shrink(benchmark::State& state) {
    zoom(state, true, kTile, kSmallTile);
}
void BM_ZoomBitmap8Enlarge(benchmark::State& state) {
    zoom(state, true, kSeed, kGrown);
}
BENCHMARK(BM_ZoomBitmap32Shrink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomBitmap32Enlarge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomBitmap8Shrink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZoomBitmap8Enlarge)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument: index into linearRowPaths() (0 is the plain loop).
void BM_FourChannelShrinkPath(benchmark::State& state) {
    const auto paths = lx::linearRowPaths();
    if (size_t(state.range(0)) >= paths.size()) {
        state.SkipWithError("row path not available on this processor");
        return;
    }
    state.SetLabel(paths[size_t(state.range(0))].name);
    const QImage src = picture(kTile, kTile, QImage::Format_ARGB32);
    QImage dst(kSmallTile, kSmallTile, QImage::Format_ARGB32);
    for (auto _ : state) {
        lx::shrinkLinearOn(paths[size_t(state.range(0))].path, constViewOf(src), viewOf(dst), 4);
        benchmark::DoNotOptimize(dst.constBits());
    }
}

void BM_FourChannelEnlargePath(benchmark::State& state) {
    const auto paths = lx::linearRowPaths();
    if (size_t(state.range(0)) >= paths.size()) {
        state.SkipWithError("row path not available on this processor");
        return;
    }
    state.SetLabel(paths[size_t(state.range(0))].name);
    const QImage src = picture(kSeed, kSeed, QImage::Format_ARGB32);
    QImage dst(kGrown, kGrown, QImage::Format_ARGB32);
    for (auto _ : state) {
        lx::enlargeLinearOn(paths[size_t(state.range(0))].path, constViewOf(src), viewOf(dst), 4,
                            {});
        benchmark::DoNotOptimize(dst.constBits());
    }
}
BENCHMARK(BM_FourChannelShrinkPath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FourChannelEnlargePath)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
