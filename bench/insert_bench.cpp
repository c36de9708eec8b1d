// Inserting a camera photo into a design, the way the insert command runs
// it: reading the file, the list thumbnail, the new layer, its working copy
// and the recomposition; then turning that photo and resizing it exactly.
// Inserting a text with the golden glow (glow and bevel) onto a design of
// twenty layers.
//
//   insert_bench [benchmark flags]
//   insert_bench --peak    one insert only; prints the peak memory it took

#include "history/history_list.h"
#include "insert_text_dialog.h"
#include "history/snapshot_store.h"
#include "lxImagevcl.h"
#include "program_state.h"
#include "steps/compose_step.h"
#include "user_interface_services.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;
constexpr int kCanvas = 748;

// Answers nothing: the benchmark asks no questions.
class TSilentServices final : public TUiServices {
public:
    // The insert-text dialog is answered with this text.
    TForm7Settings Text;
    int RunModal(QDialog& Dialog) override {
        auto* form = dynamic_cast<TForm7*>(&Dialog);
        if (!form) return 0;
        form->Preset(Text);
        form->BitBtn1Click();
        return form->result();
    }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString&, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    QString ChooseFileToOpen(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString ChooseFileToSave(QWidget*, const QString&, const QString&, const QString&,
                             QString*) override {
        return {};
    }
    void OpenHelp(const QUrl&) override {}
    QImage ClipboardImage() override { return {}; }
    void SetClipboardImage(const QImage&) override {}
    bool SetUpPrinter(QWidget*, QPrinter&) override { return false; }
    bool ChoosePrinter(QWidget*, QPrinter&) override { return false; }
};

// A photo-like picture: smooth ramps with hashed noise, so that the codec
// does not profit from flat areas.
QImage photo() {
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kPhotoWidth; ++x) {
            uint32_t hash = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
            hash ^= hash >> 15;
            row[x] = qRgb((x / 24 + (hash & 15)) & 255, (y / 16 + (hash >> 4 & 15)) & 255,
                          ((x + y) / 40 + (hash >> 8 & 15)) & 255);
        }
    }
    return image;
}

struct TFiles {
    QTemporaryDir Dir;
    QString Jpeg;
    TFiles() {
        const QImage p = photo();
        Jpeg = Dir.filePath(QStringLiteral("photo.jpg"));
        p.save(Jpeg, "JPEG", 90);
    }
};

TFiles& files() {
    static TFiles f;
    return f;
}

// Step 2 on its own, with a 748-pixel design.
struct TStep {
    TProgramState State;
    TSilentServices Services;
    THistoryList History;
    TSnapshotStore Snapshots;
    TComposeStep Step{State, Services, History, Snapshots};
    TStep() {
        Step.resize(1200, 800);
        Step.lxImg->NewImage(true, lxRGB(255, 255, 255), 24, kCanvas, kCanvas);
        Step.lxImg->CanReDraw = true;
        Step.RebuildLayerList();
        Step.lxImg->ReDraw();
    }
};

// The whole insert command of the JPEG; the layer is taken off again
// outside the timing.
void BM_InsertJpeg(benchmark::State& state) {
    const QString file = files().Jpeg;
    TStep s;
    for (auto _ : state) {
        if (!s.Step.addimage(file, true)) state.SkipWithError("the insert failed");
        state.PauseTiming();
        s.Step.BitBtn14Click();
        s.History.ClearHistoryFile();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertJpeg)->Unit(benchmark::kMillisecond);

// The insert-text command with a 20-letter text at 72 points and high
// smoothing, then the glowing golden effect (outer glow and bevel), onto a
// design holding twenty photo layers; both steps are taken back outside the
// timing.
void BM_InsertTextWithGlowAndBevel(benchmark::State& state) {
    TStep s;
    QImage picture(300, 220, QImage::Format_RGB32);
    for (int i = 0; i < 20; ++i) {
        picture.fill(QColor::fromHsv(i * 17, 120, 230));
        s.Step.AddBitmapToImage(picture);
        TlxLayer& layer = s.Step.lxImg->Layers[size_t(s.Step.lxImg->LayersCount - 1)];
        layer.Left = (i % 5) * 110;
        layer.Top = (i / 5) * 150;
    }
    s.History.ClearHistoryFile();
    s.Services.Text.Text = QStringLiteral("Happy birthday, Anna");
    s.Services.Text.FontName = QStringLiteral("DejaVu Sans");
    s.Services.Text.SizeText = QStringLiteral("72");
    s.Services.Text.Smoothing = 3;
    for (auto _ : state) {
        s.Step.BitBtn6Click();
        if (!s.Step.SetLayerStyle(s.Step.lxImg->CurrLayerID, 7))
            state.SkipWithError("the effect was not applied");
        state.PauseTiming();
        s.Step.BitBtn14Click();
        s.Step.BitBtn14Click();
        s.History.ClearHistoryFile();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertTextWithGlowAndBevel)->Unit(benchmark::kMillisecond);

// Turning the inserted photo by 30 degrees, and a precise resize to half
// its size, each with its undo snapshot and the recomposition.
void BM_RotatePhoto30(benchmark::State& state) {
    TStep s;
    s.Step.addimage(files().Jpeg, true);
    for (auto _ : state) {
        s.Step.RotateLayer(s.Step.lxImg->CurrLayerID, 30);
        state.PauseTiming();
        s.Step.BitBtn14Click();
        s.History.ClearHistoryFile();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RotatePhoto30)->Unit(benchmark::kMillisecond);

void BM_ResizePhotoToHalf(benchmark::State& state) {
    TStep s;
    s.Step.addimage(files().Jpeg, true);
    const TlxLayer& layer = s.Step.lxImg->Layers[size_t(s.Step.lxImg->CurrLayerID)];
    for (auto _ : state) {
        s.Step.SetLayerSize(layer.Left, layer.Top, kPhotoWidth / 2, kPhotoHeight / 2);
        state.PauseTiming();
        s.Step.BitBtn14Click();
        s.History.ClearHistoryFile();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ResizePhotoToHalf)->Unit(benchmark::kMillisecond);

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// One insert in a fresh process: the peak resident size it reached over
// the size before it, against the decoded picture.
int peak() {
    const QString file = files().Jpeg;
    TStep s;
    const long before = residentKb();
    // The high-water mark starts from here.
    std::ofstream("/proc/self/clear_refs") << "5";
    const bool done = s.Step.addimage(file, true);
    std::ifstream status("/proc/self/status");
    std::string line;
    long hwm = 0;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) hwm = std::stol(line.substr(6));
    const double decodedMb = double(kPhotoWidth) * kPhotoHeight * 4 / 1e6;
    std::printf("insert %s; resident before %.1f MB, peak %.1f MB: %.1f MB taken, %.2f x the "
                "decoded picture (%.0f MB)\n",
                done ? "done" : "FAILED", before / 1e3, hwm / 1e3, (hwm - before) / 1e3,
                (hwm - before) / 1e3 / decodedMb, decodedMb);
    return done ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--peak") == 0) {
        files();
        return peak();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
