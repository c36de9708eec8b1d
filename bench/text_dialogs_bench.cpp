// What the text dialogs cost per step of the user: one sample of the
// insert-text dialog after the text changed, one preview of the circle-text
// dialog after a change of its settings, and one repaint of the freehand
// dialog's characters over a whole design as the mouse moves.

#include "text/circle_text_dialog.h"
#include "text/freehand_text_dialog.h"
#include "text/insert_text_dialog.h"

#include "silent_dialog_services.h"

#include "lxImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSlider>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr char kSixtyLetters[] = "Congratulations on your graduation, the whole family cheers!";
static_assert(sizeof(kSixtyLetters) - 1 == 60);

// A 60-letter arc text at 28 points around a circle of radius 300 pixels
// (15.24 cm), the size such a text is usually given.
TForm76::Settings circleText() {
    TForm76::Settings s;
    SetText(s.Style, kSixtyLetters);
    SetFontName(s.Style, "DejaVu Sans");
    s.Style.Size = 28;
    s.Style.Color = lxRGB(255, 255, 255);
    s.Style.Arrangement = lxTextArc;
    s.CircleSize = 300;
    s.CmText = QStringLiteral("15.24");
    s.StartAngle = 0;
    return s;
}

// One turn of the start angle: the record rewritten, the text drawn afresh
// and the preview fitted into the scroll box.
void BM_CirclePreviewUpdate(benchmark::State& state) {
    TForm76 dialog;
    dialog.Preset(circleText());
    dialog.show();
    QApplication::processEvents();
    auto* slider = dialog.findChild<QSlider*>(QStringLiteral("Tb2"));
    if (slider == nullptr) {
        state.SkipWithError("no start angle slider");
        return;
    }
    int angle = 0;
    for (auto _ : state) {
        angle = (angle + 1) % 361;
        slider->setValue(angle);
        benchmark::DoNotOptimize(dialog.PreviewBitmap().constBits());
    }
    state.counters["side"] = dialog.PreviewBitmap().width();
}
BENCHMARK(BM_CirclePreviewUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

// The mouse moving over a 29 cm design (1142 pixels square) with 30 of the
// 60 letters placed: the design copied, the letters drawn, the view asked to
// repaint.
void BM_FreehandMouseMove(benchmark::State& state) {
    constexpr int kSide = 1142;
    TForm96::Settings s;
    s.Background = QImage(kSide, kSide, QImage::Format_ARGB32);
    s.Background.fill(QColor(230, 240, 250));
    SetFontName(s.Font, "DejaVu Sans");
    s.Font.Size = 28;
    for (const char c : std::string(kSixtyLetters))
        s.CharTexts.push_back(std::string(1, c));
    for (int i = 0; i < 30; ++i)
        s.CharPoints[size_t(i)] = {30 + 35 * i, 500};
    s.PlacedCount = 30;
    TForm96 dialog;
    dialog.Preset(s);
    dialog.show();
    QApplication::processEvents();
    auto* view = dialog.findChild<QWidget*>(QStringLiteral("lxImg"));
    if (view == nullptr) {
        state.SkipWithError("no view");
        return;
    }
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % 400;
        const QPointF at(x, 200);
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view, &move);
    }
}
BENCHMARK(BM_FreehandMouseMove)->Unit(benchmark::kMillisecond)->UseRealTime();


// Typing one more letter of a 20-letter text at 72 points with high (x4)
// smoothing: the text layer drawn afresh and the sample shown.
void BM_InsertTextSample(benchmark::State& state) {
    TSilentDialogServices services;
    TForm7 dialog(services);
    TForm7Settings s;
    s.Text = QStringLiteral("Happy birthday, Anna");
    s.FontName = QStringLiteral("DejaVu Sans");
    s.SizeText = QStringLiteral("72");
    s.Smoothing = 3;
    dialog.Preset(s);
    dialog.show();
    QApplication::processEvents();
    bool longer = false;
    for (auto _ : state) {
        // 19 and 20 letters in turn, so every sample is drawn anew.
        longer = !longer;
        dialog.Edit1->setPlainText(longer ? s.Text : s.Text.left(19));
        dialog.UpdateSampleNow();
        benchmark::DoNotOptimize(dialog.SampleBitmap().constBits());
    }
    state.counters["width"] = dialog.SampleBitmap().width();
}
BENCHMARK(BM_InsertTextSample)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
