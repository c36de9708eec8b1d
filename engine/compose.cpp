// Composition of all visible layers into the display bitmap.

#include "compose_kernels.h"
#include "lxImage.h"
#include "pixel_view.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool isBgr(const QImage& image) {
    return image.format() == QImage::Format_BGR888;
}
bool isGrey(const QImage& image) {
    return image.format() == QImage::Format_Grayscale8;
}

// A slot the compositor can read safely: pictures of the agreed formats and
// matching sizes. Anything else is left out rather than read out of bounds.
bool layerIsReadable(const TlxLayer& layer) {
    if (layer.Bitmap.isNull() || !isBgr(layer.Bitmap) || !isGrey(layer.Alpha) ||
        layer.Alpha.size() != layer.Bitmap.size())
        return false;
    return !layer.HasMask || (isBgr(layer.Mask) && layer.Mask.size() == layer.Bitmap.size());
}

inline uint32_t packBgr(const uint8_t* p) {
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void fillBackground(const PixelView& target, TColor color) {
    std::vector<uint8_t> row(size_t(target.Width) * 3);
    for (int x = 0; x < target.Width; ++x) {
        row[size_t(3 * x)] = uint8_t(color >> 16);    // blue
        row[size_t(3 * x + 1)] = uint8_t(color >> 8); // green
        row[size_t(3 * x + 2)] = uint8_t(color);      // red
    }
    for (int y = 0; y < target.Height; ++y)
        std::memcpy(target.row(y), row.data(), row.size());
}

} // namespace

bool TlxImage::ReDraw() {
    return ComposeImage(ShowBmp);
}

bool TlxImage::ComposeImage(QImage& Target) {
    try {
        if (Target.isNull() || !isBgr(Target) || Target.width() != ImageWidth ||
            Target.height() != ImageHeight)
            return false;
        const PixelView target = viewOf(Target);

        if (BackgroundMode != lxBackTransparent) {
            fillBackground(target, BackColor);
        } else {
            if (BackBmp.size() != Target.size() || !isGrey(BackBmp)) return false;
            const ConstPixelView back = constViewOf(BackBmp);
            for (int y = 0; y < target.Height; ++y)
                lx::greyToBgrRow(target.row(y), back.row(y), target.Width);
        }

        for (int i = 0; i < layersInUse(); ++i) {
            const TlxLayer& layer = Layers[size_t(i)];
            if (!layer.Visible || (layer.Opacity == 0 && !layer.Style.EffectsIgnoreOpacity))
                continue;
            if (!layerIsReadable(layer)) continue;
            // Effects drawn under the layer go here, in their fixed order:
            // drop shadow, outer glow, outer stroke, outer bevel.
            if (layer.Opacity != 0) drawLayerPixels(Target, layer);
            // Effects drawn over the layer go here, also at opacity 0: colour,
            // gradient and pattern overlay, inner shadow, inner glow, inner
            // stroke, inner bevel.
        }
        return true;
    } catch (...) {
        return false;
    }
}

void TlxImage::drawLayerPixels(QImage& Target, const TlxLayer& layer) {
    const int64_t left = layer.Left;
    const int64_t top = layer.Top;
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(left + layer.Bitmap.width(), ImageWidth);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(top + layer.Bitmap.height(), ImageHeight);
    if (x0 >= x1 || y0 >= y1) return;

    const PixelView target = viewOf(Target);
    const ConstPixelView bitmap = constViewOf(layer.Bitmap);
    const ConstPixelView alpha = constViewOf(layer.Alpha);
    const int n = int(x1 - x0);
    const int lx0 = int(x0 - left);

    if (!layer.HasMask && layer.BlendMode == 0 && layer.Opacity == 1.0) {
        const lx::NormalRowFn blendRow = lx::normalOpaqueRowKernel();
        for (int64_t y = y0; y < y1; ++y) {
            const int ly = int(y - top);
            blendRow(target.row(int(y)) + 3 * x0, bitmap.row(ly) + 3 * lx0, alpha.row(ly) + lx0, n);
        }
        return;
    }

    // Coverage of each alpha byte at this opacity, computed as the per-pixel
    // formula does: alpha / 255 * opacity.
    double coverage[256];
    for (int a = 0; a < 256; ++a)
        coverage[a] = double(a) / 255 * layer.Opacity;

    const ConstPixelView mask = layer.HasMask ? constViewOf(layer.Mask) : ConstPixelView{};
    for (int64_t y = y0; y < y1; ++y) {
        const int ly = int(y - top);
        uint8_t* d = target.row(int(y)) + 3 * x0;
        const uint8_t* s = bitmap.row(ly) + 3 * lx0;
        const uint8_t* a = alpha.row(ly) + lx0;
        const uint8_t* m = layer.HasMask ? mask.row(ly) + 3 * lx0 : nullptr;
        if (layer.BlendMode == 0) {
            lx::blendNormalRow(d, s, a, m, n, coverage);
        } else if (m != nullptr) {
            for (int x = 0; x < n; ++x) {
                if (a[x] == 0) continue;
                BlendPixelMasked(d + 3 * x, layer.BlendMode, packBgr(s + 3 * x), coverage[a[x]],
                                 packBgr(m + 3 * x));
            }
        } else {
            for (int x = 0; x < n; ++x) {
                if (a[x] == 0) continue;
                BlendPixel(d + 3 * x, layer.BlendMode, packBgr(s + 3 * x), coverage[a[x]]);
            }
        }
    }
}
