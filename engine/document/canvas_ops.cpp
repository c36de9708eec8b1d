// Re-applying the canvas to a document that already has layers.

#include "core/picture_convert.h"
#include "lxImage.h"

#include <algorithm>
#include <utility>

namespace {

// The full-canvas overlay layer of some design files follows the canvas.
constexpr char kOverlayLayerName[] = "Idiograph";

} // namespace

bool TlxImage::ResizeCanvas(int Width, int Height, TColor Color) {
    if (layersInUse() < 1 || !PictureSizeAllowed(Width, Height)) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        // Everything is built aside, so a size that cannot be allocated
        // changes nothing.
        QImage show(Width, Height, QImage::Format_BGR888);
        QImage back = CreateGrayBitmap(Width, Height);
        QImage bitmap(Width, Height, QImage::Format_BGR888);
        QImage alpha = CreateGrayBitmap(Width, Height);
        TlxLayer& top = Layers[size_t(layersInUse() - 1)];
        const bool overlay = layersInUse() > 1 && top.Name == kOverlayLayerName;
        QImage overlayBitmap, overlayAlpha;
        if (overlay) {
            overlayBitmap = top.Bitmap.copy(0, 0, Width, Height);
            overlayAlpha = CreateGrayBitmap(Width, Height); // the overlay becomes empty
        }
        if (show.isNull() || back.isNull() || bitmap.isNull() || alpha.isNull() ||
            (overlay && (overlayBitmap.isNull() || overlayAlpha.isNull())))
            return false;

        show.fill(0);
        bitmap.fill(QColor(int(Color & 255), int(Color >> 8 & 255), int(Color >> 16 & 255)));
        alpha.fill(255);
        BackColor = Color;
        ImageWidth = Width;
        ImageHeight = Height;
        releaseComposeCache(); // a composite of the old size
        ShowBmp = std::move(show);
        BackBmp = std::move(back);
        TlxLayer& background = Layers[0];
        background.Bitmap = std::move(bitmap);
        background.Alpha = std::move(alpha);
        background.HasMask = false;
        background.Mask = QImage();
        if (overlay) {
            top.Bitmap = std::move(overlayBitmap);
            top.Alpha = std::move(overlayAlpha);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::RemovePatternOverlay(int Layer) {
    if (!validIndex(Layer)) return false;
    TlxLayerStyle& style = Layers[size_t(Layer)].Style;
    style.PatternOverlayOn = false;
    style.PatternBitmap = QImage();
    return true;
}

bool TlxImage::SetSelectionBitmap(const QImage& Coverage) {
    if (Coverage.format() != QImage::Format_Grayscale8 ||
        Coverage.size() != QSize(ImageWidth, ImageHeight))
        return false;
    // The picture is shared, not copied; BuildSelectionOutline catches its
    // own failures.
    SelBitmap = Coverage;
    SelLeft = 0;
    SelTop = 0;
    SelKind = lx::SelectIrregular;
    HasSelection = true;
    return BuildSelectionOutline();
}

void TlxImage::ClearSelection() {
    HasSelection = false;
    SelBitmap = QImage();
    OutlinePoints.clear();
    OutlineCount = 0;
}

QImage TlxImage::MaskLevels(const QImage& Mask) {
    if (Mask.format() != QImage::Format_BGR888) return QImage();
    QImage levels = CreateGrayBitmap(Mask.width(), Mask.height());
    for (int y = 0; y < levels.height(); ++y) {
        const uint8_t* src = Mask.constScanLine(y);
        uint8_t* dst = levels.scanLine(y);
        for (int x = 0; x < levels.width(); ++x)
            dst[x] = src[3 * x];
    }
    return levels;
}

bool TlxImage::InvertLevels(QImage& Levels) {
    if (Levels.format() != QImage::Format_Grayscale8) return false;
    for (int y = 0; y < Levels.height(); ++y) {
        uint8_t* row = Levels.scanLine(y);
        for (int x = 0; x < Levels.width(); ++x)
            row[x] = uint8_t(255 - row[x]);
    }
    return true;
}

bool TlxImage::AndLevelsCentred(QImage& Target, const QImage& Keep) {
    if (Target.format() != QImage::Format_Grayscale8 || Keep.format() != QImage::Format_Grayscale8)
        return false;
    // Either picture may be the larger one; only the overlap is touched.
    const int ox = (Target.width() - Keep.width()) / 2;
    const int oy = (Target.height() - Keep.height()) / 2;
    for (int y = std::max(0, -oy); y < Keep.height() && y + oy < Target.height(); ++y) {
        const uint8_t* src = Keep.constScanLine(y);
        uint8_t* dst = Target.scanLine(y + oy);
        for (int x = std::max(0, -ox); x < Keep.width() && x + ox < Target.width(); ++x)
            dst[x + ox] &= src[x];
    }
    return true;
}
