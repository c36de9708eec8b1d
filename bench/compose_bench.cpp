// Composition speed: the engine's ReDraw against Qt's own SourceOver drawing
// of the same layers, and one case per family of blend modes.

#include "compose/compose_kernels.h"
#include "compose/mode_rows.h"
#include "lxImage.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// A 29 cm canvas at 100 pixels per inch.
constexpr int kSide = 1142;
constexpr int kLayers = 10;

// Colour and coverage of layer i at (x, y): coverage runs diagonally over
// every level, so almost no block of pixels is wholly clear or opaque.
inline void layerPixel(int i, int x, int y, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) {
    r = uint8_t(x * 3 + i * 40);
    g = uint8_t(y * 5 + i * 17);
    b = uint8_t((x ^ y) + i);
    a = uint8_t(x + 3 * y + 29 * i);
}

std::unique_ptr<TlxImage> makeDocument(int layers, uint8_t mode, double opacity, bool masked) {
    auto img = std::make_unique<TlxImage>();
    img->NewImage(true, lxRGB(255, 255, 255), 24, kSide, kSide);
    // The white background is the display fill alone, as on Qt's side; the
    // background layer would only repeat it.
    img->Layers[0].Visible = false;
    for (int i = 0; i < layers; ++i) {
        QImage bitmap(kSide, kSide, QImage::Format_BGR888);
        QImage alpha(kSide, kSide, QImage::Format_Grayscale8);
        for (int y = 0; y < kSide; ++y) {
            uint8_t* c = bitmap.scanLine(y);
            uint8_t* a = alpha.scanLine(y);
            for (int x = 0; x < kSide; ++x)
                layerPixel(i, x, y, c[3 * x + 2], c[3 * x + 1], c[3 * x], a[x]);
        }
        img->AppendLayer(bitmap, alpha);
        TlxLayer& layer = img->Layers[size_t(img->LayersCount - 1)];
        layer.BlendMode = mode;
        layer.Opacity = opacity;
        if (masked) {
            layer.HasMask = true;
            layer.Mask = QImage(kSide, kSide, QImage::Format_BGR888);
            layer.Mask.fill(QColor(255, 128, 200));
        }
    }
    return img;
}

void BM_ReDrawNormal10Layers(benchmark::State& state) {
    auto img = makeDocument(kLayers, 0, 1.0, false);
    for (auto _ : state) {
        img->InvalidateComposeCache(); // every pass composes from the background
        benchmark::DoNotOptimize(img->ReDraw());
    }
    state.SetItemsProcessed(state.iterations() * kLayers * kSide * kSide);
}
BENCHMARK(BM_ReDrawNormal10Layers)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QtSourceOver10Layers(benchmark::State& state) {
    std::vector<QImage> layers;
    for (int i = 0; i < kLayers; ++i) {
        QImage layer(kSide, kSide, QImage::Format_ARGB32);
        for (int y = 0; y < kSide; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
            for (int x = 0; x < kSide; ++x) {
                uint8_t r, g, b, a;
                layerPixel(i, x, y, r, g, b, a);
                row[x] = qRgba(r, g, b, a);
            }
        }
        layers.push_back(layer.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    QImage target(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        target.fill(Qt::white);
        QPainter painter(&target);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (const QImage& layer : layers)
            painter.drawImage(0, 0, layer);
    }
    state.SetItemsProcessed(state.iterations() * kLayers * kSide * kSide);
}
BENCHMARK(BM_QtSourceOver10Layers)->Unit(benchmark::kMillisecond)->UseRealTime();

// The background alone under hidden layers: range(0) 1 fills the back
// colour, 0 spreads the grey checkerboard of a transparent canvas.
void BM_ReDrawBackgroundOnly(benchmark::State& state) {
    TlxImage img;
    img.NewImage(state.range(0) != 0, lxRGB(255, 255, 255), 24, kSide, kSide);
    img.Layers[0].Visible = false;
    state.SetLabel(state.range(0) != 0 ? "colour" : "checkerboard");
    for (auto _ : state) {
        img.InvalidateComposeCache();
        benchmark::DoNotOptimize(img.ReDraw());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ReDrawBackgroundOnly)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// One full-size layer per family of blend modes, through the row kernels
// and (perpixel:1) through the per-pixel routine the rows replace.
void BM_ReDrawOneLayer(benchmark::State& state) {
    const auto mode = uint8_t(state.range(0));
    const double opacity = state.range(1) / 100.0;
    const bool masked = state.range(2) != 0;
    auto img = makeDocument(1, mode, opacity, masked);
    lx::setPerPixelBlendReference(state.range(3) != 0);
    for (auto _ : state) {
        img->InvalidateComposeCache(); // every pass composes from the background
        benchmark::DoNotOptimize(img->ReDraw());
    }
    lx::setPerPixelBlendReference(false);
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
void oneLayerCases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"mode", "opacity%", "masked", "perpixel"});
    b->Args({0, 100, 0, 0}); // normal, the fast path
    b->Args({0, 70, 0, 0});  // normal at partial opacity
    b->Args({0, 100, 1, 0}); // normal through a mask
    const int modes[][2] = {
        {1, 100},  // arithmetic: add
        {6, 100},  // difference
        {9, 100},  // mixes: multiply
        {9, 70},   // multiply at partial opacity
        {12, 100}, // linear filter (coverage scaled by the source)
        {14, 100}, // dissolve
        {16, 100}, // screen
        {17, 100}, // overlay ("multiply" in the English list)
        {25, 100}, // soft light
        {18, 100}, // hue
        {21, 100}, // colour
        {23, 100}, // dodge and burn: colour dodge
        {26, 100}, // table modes: hard light
    };
    for (const auto& m : modes)
        for (int perPixel : {0, 1})
            b->Args({m[0], m[1], 0, perPixel});
    for (int perPixel : {0, 1})
        b->Args({9, 100, 1, perPixel}); // multiply through a mask
}
BENCHMARK(BM_ReDrawOneLayer)->Apply(oneLayerCases)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: copying the layer's colour bytes once.
void BM_MemcpyOneLayer(benchmark::State& state) {
    std::vector<uint8_t> src(size_t(3) * kSide * kSide, 7), dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_MemcpyOneLayer)->Unit(benchmark::kMillisecond);

// One row of 1142 pixels in cache through one mode on each row path: the
// arithmetic alone.
void BM_ModeRowInCache(benchmark::State& state) {
    const auto mode = uint8_t(state.range(0));
    const auto path = lx::blendRowPaths()[size_t(state.range(1))];
    state.SetLabel(lx::blendRowPathName(path));
    TlxImage img;
    std::minstd_rand rng;
    std::vector<uint8_t> dst(3 * kSide), src(3 * kSide);
    std::vector<double> cov(kSide);
    for (int x = 0; x < kSide; ++x) {
        uint8_t r, g, b, a;
        layerPixel(0, x, 7, r, g, b, a);
        src[size_t(3 * x)] = b;
        src[size_t(3 * x + 1)] = g;
        src[size_t(3 * x + 2)] = r;
        dst[size_t(3 * x)] = uint8_t(x);
        dst[size_t(3 * x + 1)] = uint8_t(x * 3);
        dst[size_t(3 * x + 2)] = uint8_t(x * 7);
        cov[size_t(x)] = a / 255.0;
    }
    // The row is blended onto itself again and again; the bytes drift, the
    // work per pixel does not.
    for (auto _ : state) {
        lx::blendModeRow({dst.data(), 3, src.data(), 0, cov.data(), nullptr, kSide, mode},
                         img.BlendTables, rng, path);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
BENCHMARK(BM_ModeRowInCache)
    ->ArgsProduct({{0, 9, 16, 17, 25, 26},
                   benchmark::CreateDenseRange(0, int(lx::blendRowPaths().size()) - 1, 1)});

// One row kept in cache: the arithmetic alone, without memory traffic.
void BM_NormalRowKernelInCache(benchmark::State& state) {
    const auto kernels = lx::normalOpaqueRowKernels();
    const auto& kernel = kernels[size_t(state.range(0))];
    state.SetLabel(kernel.name);
    std::vector<uint8_t> dst(3 * kSide), src(3 * kSide), alpha(kSide);
    for (int x = 0; x < kSide; ++x) {
        uint8_t r, g, b, a;
        layerPixel(0, x, 7, r, g, b, a);
        src[size_t(3 * x)] = b;
        src[size_t(3 * x + 1)] = g;
        src[size_t(3 * x + 2)] = r;
        alpha[size_t(x)] = a;
    }
    for (auto _ : state) {
        kernel.fn(dst.data(), src.data(), alpha.data(), kSide);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide);
}
BENCHMARK(BM_NormalRowKernelInCache)->DenseRange(0, int(lx::normalOpaqueRowKernels().size()) - 1);

// One full-size layer, its rows straight from memory, as a ReDraw meets them:
// each path of the row kernel on its own, and a plain copy of the layer's
// colour bytes into the target (what a wholly opaque layer amounts to) for
// the memory's own speed. Bytes counted: what the kernel reads and writes.
struct PictureRows {
    std::vector<uint8_t> Dst, Src, Alpha, Mask;
    PictureRows()
        : Dst(size_t(3) * kSide * kSide, 255), Src(Dst.size()), Alpha(Dst.size() / 3),
          Mask(Dst.size()) {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const size_t i = size_t(y) * kSide + size_t(x);
                uint8_t r, g, b, a;
                layerPixel(0, x, y, r, g, b, a);
                Src[3 * i] = b;
                Src[3 * i + 1] = g;
                Src[3 * i + 2] = r;
                Alpha[i] = a;
                Mask[3 * i] = 255;
                Mask[3 * i + 1] = 128;
                Mask[3 * i + 2] = 200;
            }
    }
};

void BM_NormalRowKernelPicture(benchmark::State& state) {
    const auto kernels = lx::normalOpaqueRowKernels();
    const auto& kernel = kernels[size_t(state.range(0))];
    state.SetLabel(kernel.name);
    PictureRows rows;
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            kernel.fn(rows.Dst.data() + size_t(3) * kSide * y,
                      rows.Src.data() + size_t(3) * kSide * y,
                      rows.Alpha.data() + size_t(kSide) * y, kSide);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * 10);
}
BENCHMARK(BM_NormalRowKernelPicture)
    ->DenseRange(0, int(lx::normalOpaqueRowKernels().size()) - 1)
    ->Unit(benchmark::kMicrosecond);

// The normal row at 70 % opacity, without and with a mask.
void BM_NormalCoverageRowKernelPicture(benchmark::State& state) {
    const auto kernels = lx::normalRowKernels();
    const auto& kernel = kernels[size_t(state.range(0))];
    const bool masked = state.range(1) != 0;
    state.SetLabel(std::string(kernel.name) + (masked ? " masked" : ""));
    PictureRows rows;
    double coverage[256];
    for (int a = 0; a < 256; ++a)
        coverage[a] = double(a) / 255 * 0.7;
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y) {
            const size_t row = size_t(3) * kSide * y;
            kernel.fn(rows.Dst.data() + row, rows.Src.data() + row,
                      rows.Alpha.data() + size_t(kSide) * y,
                      masked ? rows.Mask.data() + row : nullptr, kSide, coverage);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    state.SetBytesProcessed(state.iterations() * int64_t(kSide) * kSide * (masked ? 13 : 10));
}
BENCHMARK(BM_NormalCoverageRowKernelPicture)
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(lx::normalRowKernels().size()) - 1, 1),
                   {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The copies of range(0) layers' colours and coverage bytes, each
// layer its own pictures, into one target: with ten layers, the bytes a
// ReDraw of the ten layers must at least read.
void BM_MemcpyLayerColours(benchmark::State& state) {
    const int layers = int(state.range(0));
    std::vector<PictureRows> rows(static_cast<size_t>(layers));
    std::vector<uint8_t> alphaCopy(rows[0].Alpha.size());
    for (auto _ : state) {
        for (PictureRows& layer : rows) {
            std::memcpy(rows[0].Dst.data(), layer.Src.data(), layer.Src.size());
            std::memcpy(alphaCopy.data(), layer.Alpha.data(), layer.Alpha.size());
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * layers * kSide * kSide);
    state.SetBytesProcessed(state.iterations() * layers * int64_t(kSide) * kSide * 8);
}
BENCHMARK(BM_MemcpyLayerColours)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

} // namespace
