// The costs of one step of direct manipulation in the compose step: moving
// the top layer of a full design and recomposing it, painting the visible
// part of the canvas at the usual zooms, and resizing a photo layer from its
// pristine copy.

#include "lxImage.h"
#include "lxImagevcl.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// A 29 cm canvas at 100 pixels per inch, shown in a 1000 x 800 viewport.
constexpr int kSide = 1142;
constexpr int kLayers = 20;
constexpr int kViewWidth = 1000;
constexpr int kViewHeight = 800;

const TlxImage::ContourPointArray kNoPoints{};
const TlxImage::ContourTableArray kNoTable{};

// A photo-like picture: smooth ramps with hashed noise, so that no path
// profits from runs of equal pixels.
QImage photo(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * w; ++x) {
            uint32_t hash = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y + seed) * 0x85EBCA77u;
            hash ^= hash >> 15;
            row[x] = uchar((x / 3 + 2 * y + 40 * seed) / 4 + (hash & 31));
        }
    }
    return image;
}

// A soft-edged ellipse: the photo-in-a-mask layer of a balloon design.
QImage ellipseCoverage(int w, int h) {
    QImage alpha(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        uchar* row = alpha.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0) / (w * 0.45), dy = (y - h / 2.0) / (h * 0.45);
            row[x] = uchar(std::clamp((1 - std::sqrt(dx * dx + dy * dy)) * 40 * 8, 0.0, 255.0));
        }
    }
    return alpha;
}

TColorlistSrcd rainbow() {
    TColorlistSrcd g;
    g.Count = 3;
    g.Stops = {{lxRGB(255, 0, 0), 0, 0.5}, {lxRGB(0, 255, 0), 0, 0.5}, {lxRGB(0, 0, 255), 0, 0}};
    return g;
}

// Twenty layers of 260 x 220 .. 355 x 315 pixels spread over the canvas, each
// with drop shadow, stroke and gradient overlay set up the way the layer
// style dialog sets them.
std::unique_ptr<TlxImage> styledDesign() {
    auto img = std::make_unique<TlxImage>();
    img->NewImage(true, lxRGB(255, 255, 255), 24, kSide, kSide);
    for (int k = 0; k < kLayers; ++k) {
        const int w = 260 + 5 * k, h = 220 + 5 * k;
        img->AddBitmapLayer(photo(w, h, k));
        const int i = img->LayersCount - 1;
        TlxLayer& layer = img->Layers[size_t(i)];
        layer.Alpha = ellipseCoverage(w, h);
        layer.Left = 40 + (k % 5) * 200;
        layer.Top = 40 + (k / 5) * 240;
        img->SetDropShadow(i, 0, 75, 6, 6, 0, 12, lxRGB(0, 0, 0), false, 0, kNoPoints, kNoTable);
        img->SetStroke(i, 0, 100, 0, 4, lxRGB(255, 255, 0), false, 0, kNoPoints, kNoTable);
        img->SetGradientOverlay(i, 0, 60, lxGradientHorizontal, rainbow(), false, 0);
    }
    img->ReDraw();
    return img;
}

// One step of a drag: the top layer a few pixels further, then ReDraw.
// Full: the kept composite forgotten first, as if every layer had changed.
void moveTopLayer(benchmark::State& state, bool full) {
    auto img = styledDesign();
    TlxLayer& top = img->Layers[size_t(img->LayersCount - 1)];
    int step = 0;
    for (auto _ : state) {
        top.Left += (step++ % 8 < 4) ? 3 : -3;
        top.Top += 1 - 2 * (step % 2);
        if (full) img->InvalidateComposeCache();
        benchmark::DoNotOptimize(img->ReDraw());
    }
}

void BM_MoveTopLayerReDraw(benchmark::State& state) {
    moveTopLayer(state, false);
}
void BM_MoveTopLayerFullReDraw(benchmark::State& state) {
    moveTopLayer(state, true);
}
BENCHMARK(BM_MoveTopLayerReDraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MoveTopLayerFullReDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

// Painting the canvas: the part of the control a 1000 x 800 viewport
// scrolled to the middle shows, rendered into a picture of the viewport's
// size. Argument: zoom in thousandths; 0 is "show all", the zoom that fits
// the canvas into the viewport.
double zoomOf(int64_t thousandths) {
    if (thousandths == 0) return std::min(double(kViewWidth) / kSide, double(kViewHeight) / kSide);
    return thousandths / 1000.0;
}

QRect visiblePart(const QSize& control) {
    const int left = std::max(0, (control.width() - kViewWidth) / 2);
    const int top = std::max(0, (control.height() - kViewHeight) / 2);
    return QRect(left, top, kViewWidth, kViewHeight) & QRect(QPoint(0, 0), control);
}

void BM_PaintCanvas(benchmark::State& state) {
    TlxImageVcl canvas;
    canvas.NewImage(true, lxRGB(255, 255, 255), 24, kSide, kSide);
    canvas.ShowBmp = photo(kSide, kSide, 3);
    canvas.ZoomValue = zoomOf(state.range(0));
    canvas.ApplyZoom();
    const QRect part = visiblePart(canvas.size());
    QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
    view.fill(0);
    for (auto _ : state) {
        canvas.render(&view, QPoint(0, 0), QRegion(part), QWidget::RenderFlags());
        benchmark::DoNotOptimize(view.constBits());
    }
    state.SetLabel(QStringLiteral("zoom %1, %2 x %3 shown")
                       .arg(canvas.ZoomValue, 0, 'f', 4)
                       .arg(part.width())
                       .arg(part.height())
                       .toStdString());
    state.SetItemsProcessed(state.iterations() * int64_t(part.width()) * part.height());
}
// Real time: the painter may share large fills out to helper threads.
BENCHMARK(BM_PaintCanvas)
    ->Arg(500)
    ->Arg(0)
    ->Arg(1001)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// For comparison: the painter laying the whole picture out at the zoom and
// drawing what the clip lets through.
void BM_PaintCanvasWholePictureClipped(benchmark::State& state) {
    const QImage picture = photo(kSide, kSide, 3);
    const double zoom = zoomOf(state.range(0));
    const QSize control(int(std::lround(kSide * zoom)), int(std::lround(kSide * zoom)));
    const QRect part = visiblePart(control);
    QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&view);
        painter.translate(-part.topLeft());
        painter.setClipRect(part);
        painter.drawImage(QRectF(0, 0, kSide * zoom, kSide * zoom), picture,
                          QRectF(picture.rect()));
        painter.end();
        benchmark::DoNotOptimize(view.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(part.width()) * part.height());
}
BENCHMARK(BM_PaintCanvasWholePictureClipped)
    ->Arg(500)
    ->Arg(0)
    ->Arg(1001)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A resize handle let go: the photo layer back to its pristine copy, then
// resampled (cubic) to half its size.
void BM_ResizePhotoLayerFromPristine(benchmark::State& state) {
    TlxImage img;
    img.NewImage(true, lxRGB(255, 255, 255), 24, kSide, kSide);
    img.AddBitmapLayer(photo(3000, 2000, 7));
    const int layer = img.LayersCount - 1;
    QImage pristine;
    img.GetLayerBitmap32(layer, pristine);
    for (auto _ : state) {
        img.SetLayerBitmap(layer, pristine);
        benchmark::DoNotOptimize(img.ResizeLayer(layer, 1500, 1000, 2));
    }
}
BENCHMARK(BM_ResizePhotoLayerFromPristine)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
