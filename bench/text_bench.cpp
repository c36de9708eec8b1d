// Drawing text layers: what every re-edit and resize drag of a text costs.

#include "lxImage.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

TlxTextStyle style(const char* text, int16_t arrangement, int size, uint8_t smoothing) {
    TlxTextStyle s{};
    SetText(s, text);
    SetFontName(s, "DejaVu Sans");
    s.Size = size;
    s.Arrangement = arrangement;
    s.Smoothing = smoothing;
    s.Color = lxRGB(10, 20, 30);
    return s;
}

void renderLoop(benchmark::State& state, const TlxTextStyle& s) {
    TlxImage img;
    img.NewImage(true, lxRGB(255, 255, 255), 24, 748, 748);
    if (!img.AddTextLayer(0, 0, s)) {
        state.SkipWithError("text layer not added");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(img.RenderTextLayer(1));
    state.counters["width"] = img.Layers[1].Alpha.width();
    state.counters["height"] = img.Layers[1].Alpha.height();
}

void BM_Line72Smooth4(benchmark::State& state) {
    renderLoop(state, style("Happy Birthday Anna!", lxTextStandard, 72, 3));
}
BENCHMARK(BM_Line72Smooth4)->Unit(benchmark::kMillisecond);

void BM_Line72Plain(benchmark::State& state) {
    renderLoop(state, style("Happy Birthday Anna!", lxTextStandard, 72, 0));
}
BENCHMARK(BM_Line72Plain)->Unit(benchmark::kMillisecond);

void BM_ArcText60(benchmark::State& state) {
    renderLoop(state, style("Congratulations on your graduation, the whole family cheers!",
                            lxTextArc, 28, 0));
}
BENCHMARK(BM_ArcText60)->Unit(benchmark::kMillisecond);

void BM_ArcText60Smooth3(benchmark::State& state) {
    renderLoop(state, style("Congratulations on your graduation, the whole family cheers!",
                            lxTextArc, 28, 2));
}
BENCHMARK(BM_ArcText60Smooth3)->Unit(benchmark::kMillisecond);

} // namespace
