// The crop dialog's mouse steps on a 6000 x 4000 photo at the fitted zoom:
// one move of a rectangle being drawn, one move of the whole selection, and
// one step of the marching ants round a magic-wand selection, each with the
// view painted.

#include "crop_dialog.h"
#include "lxImagevcl.h"
#include "silent_dialog_services.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

#include <benchmark/benchmark.h>

namespace {


// Sky with a sun: the wand takes the disc.
QImage photo() {
    QImage image(6000, 4000, QImage::Format_ARGB32);
    image.fill(QColor(120, 190, 240));
    for (int y = 1000; y < 3000; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 2000; x < 4000; ++x) {
            const int dx = x - 3000, dy = y - 2000;
            if (dx * dx + dy * dy < 1000 * 1000) row[x] = qRgb(250, 210, 60);
        }
    }
    return image;
}

struct TCropDialog {
    TSilentDialogServices Services;
    TForm3 Dialog{Services};
    TlxImageVcl* View = nullptr;
    TCropDialog() {
        TForm3::Settings s;
        s.SourcePicture = photo();
        Dialog.Preset(s);
        Dialog.resize(1366, 768);
        Dialog.show();
        QApplication::processEvents();
        if (auto* t = Dialog.findChild<QTimer*>(QStringLiteral("Timer1"))) t->stop();
        View = Dialog.findChild<TlxImageVcl*>(QStringLiteral("lxImg1"));
    }
    void send(QEvent::Type Type, QPoint At, Qt::MouseButton Button, Qt::MouseButtons Held) {
        QMouseEvent e(Type, QPointF(At), QPointF(View->mapToGlobal(At)), Button, Held, {});
        QApplication::sendEvent(View, &e);
    }
    void tool(const char* Name) {
        if (auto* b = Dialog.findChild<QToolButton*>(QString::fromLatin1(Name))) b->click();
    }
};

void BM_RectangleMove(benchmark::State& state) {
    TCropDialog d;
    d.tool("SpeedButton1");
    d.send(QEvent::MouseButtonPress, {40, 40}, Qt::LeftButton, Qt::LeftButton);
    int x = 0;
    for (auto _ : state) {
        x = (x + 7) % 300;
        d.send(QEvent::MouseMove, {200 + x, 200 + x / 2}, Qt::NoButton, Qt::NoButton);
        d.View->repaint();
    }
    d.send(QEvent::MouseButtonRelease, {200, 200}, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_RectangleMove)->Unit(benchmark::kMillisecond)->UseRealTime();

// The wand selection dragged by the mouse: the selection follows each move.
void BM_SelectionMove(benchmark::State& state) {
    TCropDialog d;
    d.tool("SpeedButton6");
    const QPoint sun(d.View->ImageToScreen(3000), d.View->ImageToScreen(2000));
    d.send(QEvent::MouseButtonPress, sun, Qt::LeftButton, Qt::LeftButton);
    d.send(QEvent::MouseButtonRelease, sun, Qt::LeftButton, Qt::NoButton);
    d.send(QEvent::MouseButtonPress, sun, Qt::LeftButton, Qt::LeftButton);
    int x = 0;
    for (auto _ : state) {
        x = (x + 3) % 60;
        d.send(QEvent::MouseMove, sun + QPoint(x, x / 2), Qt::NoButton, Qt::NoButton);
        d.View->repaint();
    }
    d.send(QEvent::MouseButtonRelease, sun, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_SelectionMove)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AntsStep(benchmark::State& state) {
    TCropDialog d;
    d.tool("SpeedButton6");
    const QPoint sun(d.View->ImageToScreen(3000), d.View->ImageToScreen(2000));
    d.send(QEvent::MouseButtonPress, sun, Qt::LeftButton, Qt::LeftButton);
    d.send(QEvent::MouseButtonRelease, sun, Qt::LeftButton, Qt::NoButton);
    for (auto _ : state) {
        d.View->DrawSelectionOutline();
        d.View->repaint();
    }
}
BENCHMARK(BM_AntsStep)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
