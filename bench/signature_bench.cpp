// What one step of the mouse costs in the signature dialog on a 1920 x 1080
// signature: the line drawn into the picture, the picture recomposed and the
// changed part of the view painted. Goal: well under a frame (16 ms).

#include "signature_dialog.h"

#include "lxImagevcl.h"
#include "silent_dialog_services.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSpinBox>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;


void send(QWidget* View, QEvent::Type Type, QPoint At, Qt::MouseButtons Buttons) {
    const QPointF p(At);
    QMouseEvent e(Type, p, View->mapToGlobal(p), Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  Buttons, Qt::NoModifier);
    QApplication::sendEvent(View, &e);
}

// A dialog at 100 % on a full-screen signature with a few strokes drawn,
// the tool chosen and its button held down at the left of the picture.
struct TSignatureSession {
    TSilentDialogServices services;
    std::unique_ptr<TForm4> dialog;
    TlxImageVcl* view = nullptr;

    explicit TSignatureSession(bool Eraser) {
        dialog = std::make_unique<TForm4>(services);
        TForm4::Settings s;
        s.WorkBitmap = QImage(kWidth, kHeight, QImage::Format_ARGB32);
        s.WorkBitmap.fill(Qt::transparent);
        dialog->Preset(s);
        dialog->show();
        QApplication::processEvents();
        view = dialog->findChild<TlxImageVcl*>(QStringLiteral("lxImg1"));
        for (int y = 200; y < kHeight; y += 200) {
            send(view, QEvent::MouseButtonPress, {100, y}, Qt::LeftButton);
            for (int x = 100; x < kWidth - 100; x += 40)
                send(view, QEvent::MouseMove, {x, y + (x / 40 % 2) * 30}, Qt::LeftButton);
            send(view, QEvent::MouseButtonRelease, {kWidth - 100, y}, Qt::NoButton);
        }
        if (Eraser)
            dialog->findChild<QToolButton*>(QStringLiteral("SpeedButton6"))->click();
        QApplication::processEvents();
        send(view, QEvent::MouseButtonPress, {100, 400}, Qt::LeftButton);
    }
};

// One mouse move of 12 pixels along a stroke, to and fro across the
// picture, and the paint it asks for.
void strokeSteps(benchmark::State& state, bool Eraser) {
    TSignatureSession session(Eraser);
    if (session.view == nullptr) {
        state.SkipWithError("no view");
        return;
    }
    int x = 100, step = 12;
    for (auto _ : state) {
        x += step;
        if (x > kWidth - 100 || x < 100) {
            step = -step;
            x += 2 * step;
        }
        send(session.view, QEvent::MouseMove, {x, 400 + x / 12 % 20}, Qt::LeftButton);
        QApplication::processEvents();
    }
    send(session.view, QEvent::MouseButtonRelease, {x, 400}, Qt::NoButton);
    // The share of the picture covered afterwards, to see that the steps drew.
    const QImage& alpha = session.view->Layers[size_t(session.view->CurrLayerID)].Alpha;
    qint64 covered = 0;
    for (int y = 0; y < alpha.height(); ++y)
        for (int x = 0; x < alpha.width(); ++x)
            covered += alpha.constScanLine(y)[x] != 0;
    state.counters["covered%"] = 100.0 * double(covered) / (double(kWidth) * kHeight);
}

void BM_SignatureEraserStep(benchmark::State& state) {
    strokeSteps(state, true);
}
BENCHMARK(BM_SignatureEraserStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SignaturePencilStep(benchmark::State& state) {
    strokeSteps(state, false);
}
BENCHMARK(BM_SignaturePencilStep)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
