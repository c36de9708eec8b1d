// Re-applying the canvas to a document that already has layers.

#include "core/picture_convert.h"
#include "lxImage.h"

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
