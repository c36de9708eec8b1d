// velmo-cli pdf and export in process: read a 19 cm balloon design (748
// pixels a side at 100 pixels per inch), make the print picture, and for
// pdf resample it with the cubic resampler and write the PDF pages.

#include "cli_arguments.h"
#include "cli_commands.h"
#include "lxImage.h"
#include "lxTextStyle.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

constexpr int kSide = 748; // 19 cm

// A photo-like picture: smooth gradients with grain, so the PDF's picture
// does not compress to nothing.
QImage grainyPicture(std::mt19937& rng, int w, int h) {
    QImage image(w, h, QImage::Format_BGR888);
    std::uniform_int_distribution<int> grain(-12, 12);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uchar(std::clamp((x * 255) / w + grain(rng), 0, 255));
            row[3 * x + 1] = uchar(std::clamp((y * 255) / h + grain(rng), 0, 255));
            row[3 * x + 2] = uchar(std::clamp(128 + grain(rng), 0, 255));
        }
    }
    return image;
}

// A circle-shaped canvas with a photo, a second photo with a drop shadow
// and a stroke, and a text layer, saved into Folder. Empty on failure.
QString writeDesign(const QTemporaryDir& Folder) {
    auto img = std::make_unique<TlxImage>();
    if (!img->NewImage(true, lxRGB(250, 240, 200), 24, kSide, kSide)) return {};
    QImage circle(kSide, kSide, QImage::Format_Grayscale8);
    const double r = kSide / 2.0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double dx = x + 0.5 - r, dy = y + 0.5 - r;
            circle.scanLine(y)[x] = dx * dx + dy * dy <= r * r ? 255 : 0;
        }
    if (!img->SetLayerMaskPicture(0, circle)) return {};
    std::mt19937 rng(19);
    if (!img->AddBitmapLayer(grainyPicture(rng, 520, 400))) return {};
    img->Layers[1].Left = 110;
    img->Layers[1].Top = 90;
    if (!img->AddBitmapLayer(grainyPicture(rng, 300, 300))) return {};
    img->Layers[2].Left = 300;
    img->Layers[2].Top = 380;
    const TlxImage::ContourPointArray noPoints{};
    const TlxImage::ContourTableArray noTable{};
    img->Layers[2].Style.Stroke.Position = 0;
    if (!img->SetDropShadow(2, 0, 60, 6, 6, 0, 8, lxRGB(0, 0, 0), false, 0, noPoints, noTable) ||
        !img->SetStroke(2, 0, 100, 0, 3, lxRGB(255, 255, 255), false, 0, noPoints, noTable))
        return {};
    TlxTextStyle text{};
    SetText(text, "Happy Birthday");
    SetFontName(text, "DejaVu Sans");
    text.Size = 48;
    text.Color = lxRGB(200, 30, 40);
    text.Arrangement = lxTextStandard;
    if (!img->AddTextLayer(160, 40, text) || !img->ReDraw()) return {};
    const QString file = Folder.filePath(QStringLiteral("balloon.velmo"));
    return img->SaveToFile(file) ? file : QString();
}

struct Fixture {
    QTemporaryDir folder;
    QString design;
};

// Written once for the whole program.
const Fixture& fixture() {
    static const std::unique_ptr<Fixture> f = [] {
        auto made = std::make_unique<Fixture>();
        if (made->folder.isValid()) made->design = writeDesign(made->folder);
        return made;
    }();
    return *f;
}

void runOrSkip(benchmark::State& State, const cli::Request& Req) {
    for (auto _ : State) {
        const cli::Outcome outcome = cli::runRequest(Req);
        if (outcome.code != cli::ExitSuccess) {
            State.SkipWithError(qPrintable(outcome.reason));
            return;
        }
    }
}

// velmo-cli pdf balloon.velmo out.pdf --dpi N --copies C (A4, centred across,
// 6.5 cm down): at 300 dpi the picture is 2244 x 2244 dots.
void BM_Pdf(benchmark::State& State) {
    const Fixture& f = fixture();
    if (f.design.isEmpty()) {
        State.SkipWithError("the design could not be built");
        return;
    }
    cli::Request req;
    QString error;
    if (!cli::parseArguments({QStringLiteral("pdf"), f.design,
                              f.folder.filePath(QStringLiteral("out.pdf")), QStringLiteral("--dpi"),
                              QString::number(State.range(0)), QStringLiteral("--copies"),
                              QString::number(State.range(1))},
                             req, error)) {
        State.SkipWithError(qPrintable(error));
        return;
    }
    runOrSkip(State, req);
}
BENCHMARK(BM_Pdf)
    ->ArgNames({"dpi", "copies"})
    ->Args({300, 1})
    ->Args({300, 3})
    ->Args({600, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// velmo-cli export balloon.velmo out.EXT: the print picture alone, encoded.
void BM_Export(benchmark::State& State, const char* Name) {
    const Fixture& f = fixture();
    if (f.design.isEmpty()) {
        State.SkipWithError("the design could not be built");
        return;
    }
    cli::Request req;
    QString error;
    if (!cli::parseArguments(
            {QStringLiteral("export"), f.design, f.folder.filePath(QString::fromLatin1(Name))}, req,
            error)) {
        State.SkipWithError(qPrintable(error));
        return;
    }
    runOrSkip(State, req);
}
BENCHMARK_CAPTURE(BM_Export, bmp, "out.bmp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, png, "out.png")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
