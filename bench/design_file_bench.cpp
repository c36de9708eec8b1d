// Design files: writing and reading a full-size balloon design in memory and
// through the file system, and the whole of `velmo-cli render` (read the
// file, compose, encode a PNG) in process.

#include "../tests/engine/files/hostile_design.h"
#include "core/picture_memory.h"
#include "lxImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kSide = 1142; // a 29 cm balloon print at 100 pixels per inch
constexpr int kLayers = 20; // background included

// A photo-like picture: smooth gradients with grain, so the streams are not
// runs of one value.
QImage grainyPicture(std::mt19937& rng, int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    std::uniform_int_distribution<int> grain(-12, 12);
    const int hue = int(rng() % 256);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uchar(std::clamp((x * 255) / w + grain(rng), 0, 255));
            row[3 * x + 1] = uchar(std::clamp((y * 255) / h + grain(rng), 0, 255));
            row[3 * x + 2] = uchar(std::clamp(hue + grain(rng), 0, 255));
        }
    }
    return image;
}

// An ellipse with a soft edge a few pixels wide: a photo cut to a shape.
QImage ellipseCoverage(int w, int h) {
    QImage alpha(w, h, QImage::Format_Grayscale8);
    const double cx = w / 2.0, cy = h / 2.0;
    for (int y = 0; y < h; ++y) {
        uchar* row = alpha.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double dx = (x - cx) / cx, dy = (y - cy) / cy;
            const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(cx, cy) / 3.0;
            row[x] = uchar(std::clamp(edge * 255.0, 0.0, 255.0));
        }
    }
    return alpha;
}

// A mask fading from full colour on the left to none on the right.
QImage fadeMask(int w, int h) {
    QImage mask(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = mask.scanLine(y);
        for (int x = 0; x < w; ++x)
            std::fill_n(row + 3 * x, 3, uchar(255 - (x * 255) / w));
    }
    return mask;
}

// The design every benchmark works on: a white background and 19 picture
// layers of 300..700 pixels a side spread over the canvas, every fifth with
// a mask, each with one or two small effects.
std::unique_ptr<TlxImage> buildDesign() {
    auto img = std::make_unique<TlxImage>();
    if (!img->NewImage(true, lxRGB(255, 255, 255), 24, kSide, kSide)) return nullptr;
    std::mt19937 rng(2024);
    const TlxImage::ContourPointArray noPoints{};
    const TlxImage::ContourTableArray noTable{};
    for (int i = 1; i < kLayers; ++i) {
        const int w = 300 + int(rng() % 401), h = 300 + int(rng() % 401);
        if (!img->AppendLayer(grainyPicture(rng, w, h), ellipseCoverage(w, h))) return nullptr;
        TlxLayer& layer = img->Layers[size_t(i)];
        layer.Left = int(rng() % unsigned(kSide - w / 2)) - w / 4;
        layer.Top = int(rng() % unsigned(kSide - h / 2)) - h / 4;
        if (i % 5 == 0) {
            layer.Mask = fadeMask(w, h);
            layer.HasMask = true;
        }
        const int size = 3 + i % 6;
        bool effectsMade = true;
        switch (i % 3) {
        case 0:
            effectsMade = img->SetDropShadow(i, 0, 75, 4, 4, 0, size, lxRGB(0, 0, 0), false, 0,
                                             noPoints, noTable);
            break;
        case 1:
            layer.Style.Stroke.Position = 0;
            effectsMade =
                img->SetOuterGlow(i, 16, 80, 1, size, lxRGB(255, 205, 51), false, 0, noPoints,
                                  noTable) &&
                img->SetStroke(i, 0, 100, 0, 3, lxRGB(255, 255, 255), false, 0, noPoints, noTable);
            break;
        default:
            layer.Style.Stroke.Position = 0;
            effectsMade =
                img->SetStroke(i, 0, 100, 1, 2, lxRGB(0, 160, 255), false, 0, noPoints, noTable);
            break;
        }
        if (!effectsMade) return nullptr;
    }
    if (!img->ReDraw()) return nullptr;
    return img;
}

// Built once for the whole program: building blurs nineteen effect masks.
TlxImage* designOrNull() {
    static const std::unique_ptr<TlxImage> img = buildDesign();
    return img && img->LayersCount == kLayers ? img.get() : nullptr;
}

// Every benchmark starts here: a design that failed to build is reported,
// not measured.
bool designReady(benchmark::State& state) {
    if (designOrNull() != nullptr) return true;
    state.SkipWithError("the design could not be built");
    return false;
}

TlxImage& design() {
    return *designOrNull();
}

const QByteArray& designBytes() {
    static const QByteArray bytes = [] {
        QByteArray data;
        design().SaveToData(data);
        return data;
    }();
    return bytes;
}

QString scratchFile() {
    return QDir::temp().filePath(
        QStringLiteral("design_file_bench_%1.velmo").arg(QCoreApplication::applicationPid()));
}

void BM_SaveToData(benchmark::State& state) {
    if (!designReady(state)) return;
    TlxImage& img = design();
    QByteArray data;
    for (auto _ : state) {
        data.clear();
        if (!img.SaveToData(data)) state.SkipWithError("SaveToData failed");
        benchmark::DoNotOptimize(data.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * designBytes().size());
}
BENCHMARK(BM_SaveToData)->Unit(benchmark::kMillisecond);

void BM_LoadFromData(benchmark::State& state) {
    if (!designReady(state)) return;
    const QByteArray& bytes = designBytes();
    auto img = std::make_unique<TlxImage>();
    for (auto _ : state) {
        if (!img->LoadFromData(bytes)) state.SkipWithError("LoadFromData failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_LoadFromData)->Unit(benchmark::kMillisecond);

// Both directions through the file system; the byte count is the file's
// size once each way.
void BM_SaveToFileLoadFromFile(benchmark::State& state) {
    if (!designReady(state)) return;
    TlxImage& img = design();
    const QString file = scratchFile();
    auto loaded = std::make_unique<TlxImage>();
    for (auto _ : state) {
        if (!img.SaveToFile(file) || !loaded->LoadFromFile(file))
            state.SkipWithError("file round trip failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 2 * designBytes().size());
    QFile::remove(file);
}
BENCHMARK(BM_SaveToFileLoadFromFile)->Unit(benchmark::kMillisecond);

// What `velmo-cli render IN.velmo OUT.png` does between reading its
// arguments and writing its output: a fresh document reads the file (which
// composes the display picture) and the picture is encoded as PNG.
void BM_RenderLikeTheTool(benchmark::State& state) {
    if (!designReady(state)) return;
    const QString file = scratchFile();
    if (!design().SaveToFile(file)) {
        state.SkipWithError("SaveToFile failed");
        return;
    }
    for (auto _ : state) {
        auto img = std::make_unique<TlxImage>();
        if (!img->LoadFromFile(file)) {
            state.SkipWithError("LoadFromFile failed");
            break;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(img->ShowBmp.convertToFormat(QImage::Format_RGB888)))
            state.SkipWithError("PNG encoding failed");
        benchmark::DoNotOptimize(png.constData());
    }
    QFile::remove(file);
}
BENCHMARK(BM_RenderLikeTheTool)->Unit(benchmark::kMillisecond);

// Opening a small design whose text layers ask for 20000 x 6000 pixels
// each, with every effect on: arguments are the layer count, whether the
// font is installed (1) or missing (0, so every effect is made again) and
// the font size in points (200, the largest offered, reaches the size by
// spacing; 3750 by the size of its letters, which is refused). The
// counters say whether the file loaded and the process's peak resident
// memory so far; run one case per process (--benchmark_filter) for a peak
// of that case alone.
void BM_OpenHugeTextDesign(benchmark::State& state) {
    const int layers = int(state.range(0));
    const bool installed = state.range(1) != 0;
    const int points = int(state.range(2));
    QByteArray file;
    QSize made;
    {
        const auto small = hostile::smallTextDesign(layers, 100, 100);
        if (!small || !small->SaveToData(file)) {
            state.SkipWithError("the small design could not be made");
            return;
        }
        for (int i = 1; i <= layers; ++i) {
            TlxTextStyle huge = hostile::hugeText(
                *small, installed ? hostile::kInstalledFont : hostile::kMissingFont, points,
                QSize(20000, 6000), 1, made);
            hostile::setTextStyleAt(file, i, huge);
        }
    }
    bool loaded = false;
    for (auto _ : state) {
        auto img = std::make_unique<TlxImage>();
        img->AutoSize = false;
        loaded = img->LoadFromData(file);
        benchmark::DoNotOptimize(img->LayersCount);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["loaded"] = loaded ? 1 : 0;
    state.counters["file_KiB"] = double(file.size()) / 1024.0;
    state.counters["text_w"] = made.width();
    state.counters["text_h"] = made.height();
    state.counters["peak_rss_MiB"] = double(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_OpenHugeTextDesign)
    ->Args({1, 1, 200})
    ->Args({1, 0, 200})
    ->Args({2, 1, 200})
    ->Args({3, 1, 200})
    ->Args({1, 1, 3750})
    ->Args({3, 0, 3750})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The floor under the loads above: new pictures of the given total size in
// MiB, in pieces of 120 MiB, made and cleared once, as a load makes its
// pictures. Fresh memory has to be handed over and cleared by the system
// page by page; this is what that costs on the machine.
void BM_FreshPictureMemory(benchmark::State& state) {
    const qint64 total = state.range(0) << 20;
    constexpr int kSide = 11216; // 11216^2 bytes = about 120 MiB
    for (auto _ : state) {
        std::vector<QImage> pictures;
        for (qint64 made = 0; made < total; made += qint64(kSide) * kSide)
            pictures.push_back(lx::filledPicture(kSide, kSide, QImage::Format_Grayscale8, 0));
        benchmark::DoNotOptimize(pictures.data());
    }
}
BENCHMARK(BM_FreshPictureMemory)
    ->Arg(1900)
    ->Arg(3800)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
