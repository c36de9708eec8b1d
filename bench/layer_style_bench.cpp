// What one step of the layer style dialog costs: a geometry slider moved by
// one with the keyboard on a 10-layer 1142 x 1142 design whose current layer
// is a text of about 600 x 600 pixels (argument 1) or a 600 x 600 opaque
// disc (argument 0). Each step is the effect's set-up, the recomposition and
// the repaint of the canvas shown in a window.

#include "layer_style/layer_style_dialog.h"

#include "silent_dialog_services.h"

#include "lxImagevcl.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QSlider>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

constexpr int kSide = 1142;
constexpr int kLayer = 600;

// Eight photo-like layers, then the text or the disc as the current one.
std::unique_ptr<TlxImageVcl> design(bool Text) {
    auto doc = std::make_unique<TlxImageVcl>();
    if (!doc->NewImage(true, lxRGB(255, 255, 255), 24, kSide, kSide)) return {};
    for (int i = 0; i < 8; ++i) {
        QImage photo(360, 280, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y,
                               qRgb((x * 7 + i * 30) & 255, (y * 5) & 255, (x + y + i) & 255));
        if (!doc->AddBitmapLayer(photo)) return {};
        TlxLayer& l = doc->Layers[size_t(doc->CurrLayerID)];
        l.Left = 40 + (i % 3) * 360;
        l.Top = 40 + (i / 3) * 360;
    }
    if (Text) {
        // Two lines of four bold capitals at 215 points.
        TlxTextStyle style{};
        std::strcpy(style.Text, "ABCD\r\nEFGH");
        style.Size = 215;
        style.Bold = 1;
        style.Color = lxRGB(200, 40, 80);
        if (!doc->AddTextLayer(0, 0, style)) return {};
    } else {
        QImage disc(kLayer, kLayer, QImage::Format_ARGB32);
        disc.fill(Qt::transparent);
        {
            QPainter p(&disc);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(200, 40, 80));
            p.drawEllipse(QRectF(20, 20, kLayer - 40, kLayer - 40));
        }
        if (!doc->AddBitmapLayer(disc)) return {};
    }
    TlxLayer& l = doc->Layers[size_t(doc->CurrLayerID)];
    l.Left = (kSide - l.Bitmap.width()) / 2;
    l.Top = (kSide - l.Bitmap.height()) / 2;
    doc->ZoomValue = 0.7;
    doc->ApplyZoom();
    doc->show();
    if (!doc->ReDraw()) return {};
    QApplication::processEvents();
    return doc;
}

// Row's caption clicked (the effect switched on), then Slider stepped
// between 50 and 51 with the arrow keys' single steps.
void step(benchmark::State& state, int Row, const char* Slider, const char* Kind = nullptr) {
    std::unique_ptr<TlxImageVcl> doc = design(state.range(0) != 0);
    if (!doc) {
        state.SkipWithError("design not made");
        return;
    }
    TSilentDialogServices services;
    TLayerStyleHooks hooks;
    TlxImageVcl* view = doc.get();
    hooks.Recompose = [view] {
        view->ReDraw();
        view->ApplyZoom();
        view->PaintImage();
        view->repaint();
    };
    TForm63 dialog(services, *doc, hooks);
    dialog.show();
    QApplication::processEvents();
    dialog.Panel1MouseDown(Row * TForm63::RowHeight + 5);
    if (Kind != nullptr)
        if (auto* kind = dialog.findChild<QComboBox*>(QString::fromLatin1(Kind)))
            kind->setCurrentIndex(4);
    auto* slider = dialog.findChild<QSlider*>(QString::fromLatin1(Slider));
    if (slider == nullptr) {
        state.SkipWithError("no slider");
        return;
    }
    slider->setValue(50);
    const int before = dialog.RebuildCount();
    int value = 50;
    for (auto _ : state) {
        value = value == 50 ? 51 : 50;
        slider->setValue(value);
    }
    state.counters["rebuilds"] =
        double(dialog.RebuildCount() - before) / double(state.iterations());
    // The picture the step rebuilds, to see that it has the size it should.
    const TlxLayerStyle& s = doc->Layers[size_t(doc->CurrLayerID)].Style;
    const QImage* built[] = {
        nullptr,      nullptr, &s.DropShadowMask,        nullptr, &s.OuterGlowMask, nullptr,
        &s.BevelMask, nullptr, &s.GradientOverlayBitmap, nullptr, &s.StrokeMask};
    if (const QImage* b = built[Row]) state.counters["side"] = b->width();
    const QImage& layer = doc->Layers[size_t(doc->CurrLayerID)].Bitmap;
    state.counters["layer_w"] = layer.width();
    state.counters["layer_h"] = layer.height();
    dialog.BitBtn2Click();
}

void BM_DropShadowSize(benchmark::State& state) {
    step(state, TForm63::RowDropShadow, "Tb5");
}
void BM_OuterGlowSize(benchmark::State& state) {
    step(state, TForm63::RowOuterGlow, "Tb8");
}
void BM_BevelSize(benchmark::State& state) {
    step(state, TForm63::RowBevel, "Tb24");
}
void BM_GradientOverlayAngle(benchmark::State& state) {
    step(state, TForm63::RowGradientOverlay, "Tb29", "Cb14");
}
void BM_StrokeSize(benchmark::State& state) {
    step(state, TForm63::RowStroke, "Tb11");
}

BENCHMARK(BM_DropShadowSize)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OuterGlowSize)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BevelSize)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GradientOverlayAngle)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokeSize)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
