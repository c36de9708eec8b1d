// One edit of the curves dialog on a 3000 x 2000 photo layer: the mouse
// releases a dragged point, the table is built, the layer runs through it
// (the whole layer, or inside a soft-edged selection), the document is
// recomposed and the histogram drawn again. Luminance and a colour channel.

#include "curves_dialog.h"
#include "lxImagevcl.h"
#include "silent_dialog_services.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kWidth = 3000;
constexpr int kHeight = 2000;

// A photo-like picture: smooth colour ramps with some texture, so that every
// level occurs.
QImage photo() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int t = (x * 7 + y * 13) % 23;
            row[x] = qRgb((x * 255 / kWidth + t) & 255, (y * 255 / kHeight + 2 * t) & 255,
                          ((x + y) * 255 / (kWidth + kHeight) + 3 * t) & 255);
        }
    }
    return image;
}

// An ellipse over the middle of the picture with a 40-pixel soft edge.
QImage softEllipse() {
    QImage sel(kWidth, kHeight, QImage::Format_Grayscale8);
    const double cx = kWidth / 2.0, cy = kHeight / 2.0, rx = kWidth * 0.4, ry = kHeight * 0.4;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = sel.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const double d = std::hypot((x - cx) / rx, (y - cy) / ry);
            const double inside = std::clamp((1.0 - d) * rx / 40.0, 0.0, 1.0);
            row[x] = uint8_t(std::lround(inside * 255));
        }
    }
    return sel;
}

struct TCurvesBench {
    TSilentDialogServices Services;
    TlxImageVcl Document;
    std::unique_ptr<TForm80> Dialog;
    QWidget* Box = nullptr;
    bool Ready = false;

    TCurvesBench(bool InSelection, int Channel) {
        if (!Document.NewImage(true, lxRGB(255, 255, 255), 24, kWidth, kHeight)) return;
        if (!Document.AddBitmapLayer(photo())) return;
        if (InSelection) {
            Document.SelBitmap = softEllipse();
            Document.SelLeft = 0;
            Document.SelTop = 0;
            Document.HasSelection = true;
        }
        if (!Document.ReDraw()) return;
        Dialog = std::make_unique<TForm80>(Services, QStringLiteral(VELMO_CURVE_PLUGIN_DIR));
        if (!Dialog->PluginReady()) return;
        Dialog->SetTarget({&Document, Document.CurrLayerID, [this] {
                               if (Document.ReDraw()) Document.PaintImage();
                           }});
        Dialog->show();
        QApplication::processEvents();
        Box = Dialog->findChild<QWidget*>(QStringLiteral("CurveBox"));
        auto* channels = Dialog->findChild<QComboBox*>(QStringLiteral("ChannelBox"));
        auto* range = Dialog->findChild<QComboBox*>(QStringLiteral("RangeBox"));
        if (!Box || !channels || !range) return;
        channels->setCurrentIndex(Channel);
        range->setCurrentIndex(InSelection ? 1 : 0);
        // A middle point, so the curve goes through the plug-in.
        send(QEvent::MouseButtonPress, 128, 128);
        send(QEvent::MouseButtonRelease, 128, 128);
        Ready = range->currentIndex() == (InSelection ? 1 : 0) && Dialog->Points().size() == 3;
    }
    void send(QEvent::Type Type, int X, int Y) {
        const QPointF at(X, Y);
        QMouseEvent e(Type, at, Box->mapToGlobal(at),
                      Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(Box, &e);
    }
};

// The middle point is dragged up and down by a few levels, then released.
void curveEdit(benchmark::State& state, bool InSelection, int Channel) {
    TCurvesBench b(InSelection, Channel);
    if (!b.Ready) {
        state.SkipWithError("the dialog could not be set up");
        return;
    }
    int k = 0;
    for (auto _ : state) {
        const int y = 100 + (k++ % 2) * 40;
        b.send(QEvent::MouseButtonPress, 128, 128);
        b.send(QEvent::MouseMove, 128, y);
        b.send(QEvent::MouseButtonRelease, 128, y);
    }
}

void BM_CurveEditWholeLayerLuminance(benchmark::State& s) { curveEdit(s, false, 0); }
void BM_CurveEditWholeLayerRGB(benchmark::State& s) { curveEdit(s, false, 1); }
void BM_CurveEditSelectionLuminance(benchmark::State& s) { curveEdit(s, true, 0); }
void BM_CurveEditSelectionRGB(benchmark::State& s) { curveEdit(s, true, 1); }
BENCHMARK(BM_CurveEditWholeLayerLuminance)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurveEditWholeLayerRGB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurveEditSelectionLuminance)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurveEditSelectionRGB)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
