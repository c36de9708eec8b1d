// Rotation speed on a 2000 x 1500 picture: 30 degrees through the blending
// kernels (colour and coverage, each kernel on its own as well), the exact
// quarter turn, and Qt's smooth transformation of the same colour picture.

#include "kernels/resample.h"
#include "kernels/rotate.h"
#include "lxImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QTransform>

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int kW = 2000;
constexpr int kH = 1500;

// Busy patterns, so that no run of pixels is uniform.
QImage picture(bool colour) {
    QImage image(kW, kH, colour ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
    for (int y = 0; y < kH; ++y) {
        uint8_t* row = image.scanLine(y);
        for (int x = 0; x < kW; ++x) {
            if (colour) {
                row[3 * x] = uint8_t(x * 3 + y);
                row[3 * x + 1] = uint8_t((y * 5) ^ x);
                row[3 * x + 2] = uint8_t(x ^ (y * 7));
            } else {
                row[x] = uint8_t(x + 3 * y);
            }
        }
    }
    return image;
}

void rotateInto(benchmark::State& state, bool colour, int angle, const lx::RotateKernel* kernel) {
    const QImage src = picture(colour);
    int w = 0, h = 0;
    lx::rotatedSize(kW, kH, angle, w, h);
    QImage dst(w, h, colour ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
    dst.fill(colour ? Qt::white : QColor(0, 0, 0));
    const int channels = colour ? 3 : 1;
    for (auto _ : state) {
        if (kernel != nullptr)
            lx::rotatePictureWith(*kernel, constViewOf(src), viewOf(dst), channels, angle, {});
        else
            lx::rotatePicture(constViewOf(src), viewOf(dst), channels, angle, {});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(w) * h);
}

void BM_Rotate30(benchmark::State& state) {
    rotateInto(state, true, 30, nullptr);
}
BENCHMARK(BM_Rotate30)->Unit(benchmark::kMillisecond);

void BM_Rotate30Coverage(benchmark::State& state) {
    rotateInto(state, false, 30, nullptr);
}
BENCHMARK(BM_Rotate30Coverage)->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state) {
    rotateInto(state, true, 90, nullptr);
}
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);

void BM_Rotate90Coverage(benchmark::State& state) {
    rotateInto(state, false, 90, nullptr);
}
BENCHMARK(BM_Rotate90Coverage)->Unit(benchmark::kMillisecond);

// Each kernel on its own: argument k is the k-th kernel, colour (1) or coverage (0).
void BM_Rotate30Kernel(benchmark::State& state) {
    const lx::RotateKernel kernel = lx::rotateKernels()[size_t(state.range(0))];
    state.SetLabel(lx::rotateKernelName(kernel));
    rotateInto(state, state.range(1) != 0, 30, &kernel);
}
BENCHMARK(BM_Rotate30Kernel)
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(lx::rotateKernels().size()) - 1, 1), {1, 0}})
    ->Unit(benchmark::kMillisecond);

// Qt's own smooth rotation of the same colour picture; it returns a new
// picture each time, so its allocation is part of what it costs.
void BM_QtRotate30Smooth(benchmark::State& state) {
    const QImage src = picture(true);
    for (auto _ : state) {
        QImage dst = src.transformed(QTransform().rotate(30), Qt::SmoothTransformation);
        benchmark::DoNotOptimize(dst.constBits());
    }
}
BENCHMARK(BM_QtRotate30Smooth)->Unit(benchmark::kMillisecond);

} // namespace
