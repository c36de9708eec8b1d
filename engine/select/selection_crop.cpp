// What a selection does to the document: erasing the selected pixels of a
// layer, the selection's bounds, and cropping every layer to them.

#include "core/picture_convert.h"
#include "lxImage.h"
#include "select/selection_raster.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lx {

void selectionBounds(const ConstPixelView& Selection, TlxPoint& Max, TlxPoint& Min) {
    Max = {0, 0};
    Min = {Selection.Width, Selection.Height};
    // Every non-zero level counts, the last row and column like the others,
    // so a crop to these bounds keeps every selected pixel. Each row is
    // searched from both ends up to its first and last selected pixel.
    bool any = false;
    for (int r = 0; r < Selection.Height; ++r) {
        const uint8_t* row = Selection.row(r);
        int first = 0;
        while (first < Selection.Width && row[first] == 0)
            ++first;
        if (first == Selection.Width) continue;
        int last = Selection.Width - 1;
        while (row[last] == 0)
            --last;
        if (!any) {
            Min = {first, r};
            Max = {last, r};
            any = true;
            continue;
        }
        Min.X = std::min(Min.X, first);
        Max = {std::max(Max.X, last), r};
    }
}

} // namespace lx

namespace {

bool layerIsReadable(const TlxLayer& layer) {
    return !layer.Bitmap.isNull() && layer.Bitmap.format() == QImage::Format_BGR888 &&
           layer.Alpha.format() == QImage::Format_Grayscale8 &&
           layer.Alpha.size() == layer.Bitmap.size();
}

QImage checkedCopy(const QImage& image, const QRect& rect) {
    QImage part = image.copy(rect);
    if (part.isNull()) throw std::bad_alloc();
    return part;
}

// A layer's kept part: new pictures and position, not yet in the slot.
struct CroppedLayer {
    int Index = 0;
    QImage Bitmap, Alpha, Mask;
    int Left = 0, Top = 0;
};

} // namespace

bool TlxImage::EraseSelection(int LayerIndex) {
    if (!validIndex(LayerIndex) || !lx::selectionExists(*this)) return false;
    TlxLayer& layer = Layers[size_t(LayerIndex)];
    if (layer.Alpha.format() != QImage::Format_Grayscale8) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        const PixelView alpha = viewOf(layer.Alpha);
        const ConstPixelView sel = constViewOf(SelBitmap);
        if (alpha.Data == nullptr) return false;
        const int64_t x0 = std::max<int64_t>(layer.Left, SelLeft);
        const int64_t x1 =
            std::min<int64_t>(int64_t(layer.Left) + alpha.Width, int64_t(SelLeft) + sel.Width);
        const int64_t y0 = std::max<int64_t>(layer.Top, SelTop);
        const int64_t y1 =
            std::min<int64_t>(int64_t(layer.Top) + alpha.Height, int64_t(SelTop) + sel.Height);
        for (int64_t y = y0; y < y1; ++y) {
            uint8_t* a = alpha.row(int(y - layer.Top)) + (x0 - layer.Left);
            const uint8_t* s = sel.row(int(y - SelTop)) + (x0 - SelLeft);
            for (int64_t i = 0; i < x1 - x0; ++i)
                a[i] = lx::erasedCoverage(s[i], a[i]);
        }
        return true;
    } catch (...) {
        return false;
    }
}

void TlxImage::GetSelectionBounds(int, TlxPoint& MaxPoint, TlxPoint& MinPoint) const {
    if (SelBitmap.format() != QImage::Format_Grayscale8) {
        MaxPoint = {0, 0};
        MinPoint = {SelBitmap.width(), SelBitmap.height()};
        return;
    }
    lx::selectionBounds(constViewOf(SelBitmap), MaxPoint, MinPoint);
}

void TlxImage::CropToSelection() {
    if (!lx::selectionExists(*this)) return;
    try {
        TlxPoint maxPoint, minPoint;
        GetSelectionBounds(CurrLayerID, maxPoint, minPoint);
        // The crop box in image coordinates, right and bottom exclusive.
        const int64_t left = int64_t(minPoint.X) + SelLeft, top = int64_t(minPoint.Y) + SelTop;
        const int64_t right = int64_t(maxPoint.X) + SelLeft + 1;
        const int64_t bottom = int64_t(maxPoint.Y) + SelTop + 1;
        // No selected point, or a crop no picture could hold: nothing happens.
        if (right <= left || bottom <= top || !PictureSizeAllowed(right - left, bottom - top))
            return;
        const int width = int(right - left), height = int(bottom - top);

        // Everything is built before the document changes, so a failure
        // leaves it as it was.
        QImage show(width, height, QImage::Format_BGR888);
        QImage back = CreateGrayBitmap(width, height);
        if (show.isNull() || back.isNull()) return;
        show.fill(0);
        if (BackgroundMode == lxBackTransparent) DrawChecker(back);

        // BackColor is 0x00BBGGRR; layer pixels are blue, green, red bytes.
        const uint8_t backBgr[3] = {uint8_t(BackColor >> 16), uint8_t(BackColor >> 8),
                                    uint8_t(BackColor)};
        const ConstPixelView sel = constViewOf(SelBitmap);
        std::vector<CroppedLayer> kept;
        std::vector<int> hidden;
        for (int i = 0; i < layersInUse(); ++i) {
            const TlxLayer& layer = Layers[size_t(i)];
            const int64_t lw = layer.Bitmap.width(), lh = layer.Bitmap.height();
            const bool overlaps = lw > 0 && lh > 0 && layer.Left < right &&
                                  layer.Left + lw > left && layer.Top < bottom &&
                                  layer.Top + lh > top;
            if (!overlaps) {
                hidden.push_back(i);
                continue;
            }
            // First kept column and row (o, t) and their ends (e, f).
            const int64_t o = std::max<int64_t>(0, left - layer.Left);
            const int64_t t = std::max<int64_t>(0, top - layer.Top);
            const int64_t e = std::min<int64_t>(lw, right - layer.Left);
            const int64_t f = std::min<int64_t>(lh, bottom - layer.Top);
            const QRect keep(int(o), int(t), int(e - o), int(f - t));
            CroppedLayer cut;
            cut.Index = i;
            cut.Left = int(layer.Left + o - left);
            cut.Top = int(layer.Top + t - top);
            if (layer.HasMask && !layer.Mask.isNull()) cut.Mask = checkedCopy(layer.Mask, keep);
            if (!layerIsReadable(layer)) {
                // Pictures the engine cannot read are cut as they are.
                cut.Bitmap = checkedCopy(layer.Bitmap, keep);
                if (!layer.Alpha.isNull()) cut.Alpha = checkedCopy(layer.Alpha, keep);
                kept.push_back(std::move(cut));
                continue;
            }
            cut.Bitmap = QImage(keep.width(), keep.height(), QImage::Format_BGR888);
            cut.Alpha = CreateGrayBitmap(keep.width(), keep.height());
            if (cut.Bitmap.isNull() || cut.Alpha.isNull()) throw std::bad_alloc();
            const ConstPixelView colour = constViewOf(layer.Bitmap);
            const ConstPixelView alpha = constViewOf(layer.Alpha);
            const PixelView toColour = viewOf(cut.Bitmap), toAlpha = viewOf(cut.Alpha);
            // The crop box lies inside the selection bitmap, so every kept
            // pixel has a selection level s: with c = s / 255 its coverage
            // is scaled by c and its colour moves towards BackColor by 1 - c.
            const int64_t selColumn = layer.Left + o - SelLeft;
            for (int64_t ly = t; ly < f; ++ly) {
                const uint8_t* s = sel.row(int(layer.Top + ly - SelTop)) + selColumn;
                const uint8_t* c = colour.row(int(ly)) + 3 * o;
                const uint8_t* a = alpha.row(int(ly)) + o;
                uint8_t* dc = toColour.row(int(ly - t));
                uint8_t* da = toAlpha.row(int(ly - t));
                for (int x = 0; x < toAlpha.Width;) {
                    // Fully selected runs keep their pixels as they are (the
                    // formulas give back what they are given at s = 255).
                    int run = x;
                    while (run < toAlpha.Width && s[run] == 255)
                        ++run;
                    if (run > x) {
                        std::memcpy(da + x, a + x, size_t(run - x));
                        std::memcpy(dc + 3 * x, c + 3 * x, size_t(run - x) * 3);
                        x = run;
                        continue;
                    }
                    const uint8_t level = s[x];
                    da[x] = lx::croppedCoverage(level, a[x]);
                    for (int k = 0; k < 3; ++k)
                        dc[3 * x + k] = lx::croppedChannel(level, c[3 * x + k], backBgr[k]);
                    ++x;
                }
            }
            kept.push_back(std::move(cut));
        }

        const lx::RedrawBlock block(CanReDraw);
        for (CroppedLayer& cut : kept) {
            TlxLayer& layer = Layers[size_t(cut.Index)];
            layer.Bitmap = std::move(cut.Bitmap);
            layer.Alpha = std::move(cut.Alpha);
            if (layer.HasMask) layer.Mask = std::move(cut.Mask);
            layer.Left = cut.Left;
            layer.Top = cut.Top;
        }
        for (const int i : hidden) {
            Layers[size_t(i)].State = 99;
            Layers[size_t(i)].Visible = false;
        }
        ImageWidth = width;
        ImageHeight = height;
        releaseComposeCache(); // a composite of the old size
        SelLeft = int(SelLeft - left);
        SelTop = int(SelTop - top);
        ShowBmp = std::move(show);
        BackBmp = std::move(back);
        if (AutoSize) {
            ZoomValue = 1.0;
            ResizeControl(ImageWidth, ImageHeight);
        }
    } catch (...) {
        // Out of memory while cutting: the document stays as it was.
    }
}
