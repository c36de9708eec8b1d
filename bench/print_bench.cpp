// Step 3's costs: entering it (the print picture of a 29 cm design of
// twenty layers, some with effects), and the print copy of a 19 cm design
// stretched with the cubic resampler to 600 and 1200 dots per inch, as
// printing makes it once per print. "--peak" makes one 1200 dpi copy only
// and prints the peak memory it took.

#include "lxImage.h"
#include "print_picture.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// A photo-like layer: ramps with hashed grain.
QImage photo(int W, int H, int Seed) {
    QImage image(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < W; ++x) {
            uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y + Seed) * 0x85EBCA77u;
            h ^= h >> 15;
            row[x] = qRgb((x / 3 + Seed * 20 + (h & 15)) & 255, (y / 3 + (h >> 4 & 15)) & 255,
                          ((x + y) / 5 + (h >> 8 & 15)) & 255);
        }
    }
    return image;
}

// A round canvas of Side pixels with twenty photo layers, every fourth with
// a drop shadow and every fifth with a stroke.
void makeDesign(TlxImage& Doc, int Side) {
    Doc.NewImage(true, lxRGB(255, 250, 235), 24, Side, Side);
    QImage round(Side, Side, QImage::Format_Grayscale8);
    const double r = Side / 2.0;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r;
            round.scanLine(y)[x] = dx * dx + dy * dy <= r * r ? 255 : 0;
        }
    Doc.SetLayerMaskPicture(0, round);
    for (int i = 0; i < 20; ++i) {
        Doc.AddBitmapLayer(photo(260, 200, i));
        TlxLayer& layer = Doc.Layers[size_t(Doc.LayersCount - 1)];
        layer.Left = (i % 5) * 200 + 30;
        layer.Top = (i / 5) * 240 + 60;
        const int index = Doc.LayersCount - 1;
        static const TlxImage::ContourPointArray noPoints{};
        static const TlxImage::ContourTableArray noTable{};
        if (i % 4 == 0)
            Doc.SetDropShadow(index, 0, 191, 8, 8, 0, 10, lxRGB(0, 0, 0), false, 0, noPoints, noTable);
        if (i % 5 == 0)
            Doc.SetStroke(index, 0, 255, 0, 4, lxRGB(255, 255, 255), false, 0, noPoints, noTable);
    }
    Doc.CanReDraw = true;
    Doc.ReDraw();
}

void BM_EnterStep3(benchmark::State& state) {
    TlxImage doc;
    makeDesign(doc, 1142);
    QImage print;
    for (auto _ : state) {
        if (!MakePrintBitmap(doc, print)) state.SkipWithError("no print picture");
        benchmark::DoNotOptimize(print.constBits());
    }
}
BENCHMARK(BM_EnterStep3)->Unit(benchmark::kMillisecond);

void BM_PrintCopy(benchmark::State& state) {
    TlxImage doc;
    makeDesign(doc, 748);
    QImage print, copy;
    MakePrintBitmap(doc, print);
    const int dpi = int(state.range(0));
    const int side = int(std::lround(748.0 * dpi / 100));
    for (auto _ : state) {
        if (!doc.StretchBitmapCubic(print, copy, side, side)) state.SkipWithError("no copy");
        benchmark::DoNotOptimize(copy.constBits());
    }
    state.counters["side"] = side;
}
BENCHMARK(BM_PrintCopy)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond);

long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--peak") == 0) {
        // A 29 cm canvas (1142 pixels) at 1200 dpi: a 13704-dot square copy.
        TlxImage doc;
        makeDesign(doc, 1142);
        QImage print, copy;
        MakePrintBitmap(doc, print);
        const long before = peakKiB();
        doc.StretchBitmapCubic(print, copy, 13704, 13704);
        std::printf("copy %dx%d, %.0f MiB; peak %.0f MiB (before the copy %.0f MiB)\n", copy.width(),
                    copy.height(), copy.sizeInBytes() / 1048576.0, peakKiB() / 1024.0,
                    before / 1024.0);
        // The copy drawn onto a 1200 dpi PDF page, as the print to a file
        // does: what the paint engine adds on its way out.
        QTemporaryDir dir;
        QPdfWriter pdf(dir.filePath(QStringLiteral("print.pdf")));
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(QPageSize::A3));
        QPainter painter(&pdf);
        DrawInBands(painter, QPoint(0, 0), copy);
        painter.end();
        std::printf("after drawing it in bands onto a 1200 dpi PDF page: peak %.0f MiB\n",
                    peakKiB() / 1024.0);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
