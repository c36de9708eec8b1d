// Cubic resampling speed: shrinking a 12-megapixel photo to 800 x 600 and
// enlarging 500 x 500 to 2000 x 2000, on every instruction-set path, against
// the plain per-pixel forms and against Qt's own smooth scaling of the same
// pictures.

#include "kernels/resample.h"
#include "kernels/resample_cubic.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// A photo-like picture: smooth ramps in every channel, a pattern of fine
// rings and a little noise, so that no two neighbouring pixels are alike and
// cubic samples overshoot now and then.
QImage makePicture(int w, int h, QImage::Format format) {
    QImage image(w, h, format);
    const int channels = format == QImage::Format_Grayscale8 ? 1 : 3;
    uint32_t noise = 12345;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < channels; ++c) {
                noise = noise * 1664525u + 1013904223u;
                const int ramp = (x * (c + 1) * 255) / w + (y * (3 - c) * 255) / h;
                const int rings = ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2)) >> 9;
                row[x * channels + c] = uint8_t(ramp + (rings & 63) + int(noise >> 29));
            }
        }
    }
    return image;
}

struct Job {
    int W, H, w, h;
};
constexpr Job kShrink{4000, 3000, 800, 600};
constexpr Job kEnlarge{500, 500, 2000, 2000};

const std::vector<lx::CubicPath> kPaths = lx::cubicPaths();

void runFast(benchmark::State& state, const Job& job, QImage::Format format, bool shrink) {
    const lx::CubicPath path = kPaths[size_t(state.range(0))];
    state.SetLabel(lx::cubicPathName(path));
    const int channels = format == QImage::Format_Grayscale8 ? 1 : 3;
    const QImage src = makePicture(job.W, job.H, format);
    QImage dst(job.w, job.h, format);
    for (auto _ : state) {
        if (shrink)
            lx::shrinkCubicOn(path, constViewOf(src), viewOf(dst), channels, {});
        else
            lx::enlargeCubicOn(path, constViewOf(src), viewOf(dst), channels, {});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(job.w) * job.h);
}

void BM_CubicShrink(benchmark::State& state) {
    runFast(state, kShrink, QImage::Format_BGR888, true);
}
void BM_CubicShrinkMask(benchmark::State& state) {
    runFast(state, kShrink, QImage::Format_Grayscale8, true);
}
void BM_CubicEnlarge(benchmark::State& state) {
    runFast(state, kEnlarge, QImage::Format_BGR888, false);
}
void BM_CubicEnlargeMask(benchmark::State& state) {
    runFast(state, kEnlarge, QImage::Format_Grayscale8, false);
}
const int kLastPath = int(kPaths.size()) - 1;
BENCHMARK(BM_CubicShrink)->ArgName("path")->DenseRange(0, kLastPath)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubicShrinkMask)
    ->ArgName("path")
    ->DenseRange(0, kLastPath)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubicEnlarge)
    ->ArgName("path")
    ->DenseRange(0, kLastPath)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubicEnlargeMask)
    ->ArgName("path")
    ->DenseRange(0, kLastPath)
    ->Unit(benchmark::kMillisecond);

// The plain per-pixel forms at the same sizes.
void runReference(benchmark::State& state, const Job& job, QImage::Format format, bool shrink) {
    const int channels = format == QImage::Format_Grayscale8 ? 1 : 3;
    const QImage src = makePicture(job.W, job.H, format);
    QImage dst(job.w, job.h, format);
    for (auto _ : state) {
        if (shrink)
            lx::shrinkCubicReference(constViewOf(src), viewOf(dst), channels);
        else
            lx::enlargeCubicReference(constViewOf(src), viewOf(dst), channels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(job.w) * job.h);
}

void BM_CubicShrinkReference(benchmark::State& state) {
    runReference(state, kShrink,
                 state.range(0) == 3 ? QImage::Format_BGR888 : QImage::Format_Grayscale8, true);
}
void BM_CubicEnlargeReference(benchmark::State& state) {
    runReference(state, kEnlarge,
                 state.range(0) == 3 ? QImage::Format_BGR888 : QImage::Format_Grayscale8, false);
}
BENCHMARK(BM_CubicShrinkReference)
    ->ArgName("channels")
    ->Arg(3)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubicEnlargeReference)
    ->ArgName("channels")
    ->Arg(3)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// Qt's smooth scaling of the same 24-bit and 8-bit pictures.
void runQt(benchmark::State& state, const Job& job) {
    const QImage src = makePicture(
        job.W, job.H, state.range(0) == 3 ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
    for (auto _ : state) {
        QImage scaled = src.scaled(job.w, job.h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(job.w) * job.h);
}

void BM_QtSmoothShrink(benchmark::State& state) {
    runQt(state, kShrink);
}
void BM_QtSmoothEnlarge(benchmark::State& state) {
    runQt(state, kEnlarge);
}
BENCHMARK(BM_QtSmoothShrink)->ArgName("channels")->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtSmoothEnlarge)->ArgName("channels")->Arg(3)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
