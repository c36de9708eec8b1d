// Layer slots.

#include "lxImage.h"

bool TlxImage::AppendLayer(const QImage& Bitmap, const QImage& Alpha) {
    if (LayersCount < 0 || LayersCount >= MaxLayers) return false;
    if (Bitmap.isNull() || Bitmap.format() != QImage::Format_BGR888 ||
        Alpha.format() != QImage::Format_Grayscale8 || Alpha.size() != Bitmap.size())
        return false;
    TlxLayer& layer = Layers[size_t(LayersCount)];
    layer.Bitmap = Bitmap;
    layer.Alpha = Alpha;
    layer.Left = 0;
    layer.Top = 0;
    layer.Opacity = 1.0;
    layer.BlendMode = 0;
    layer.IsText = false;
    layer.HasMask = false;
    layer.Mask = QImage();
    layer.Visible = true;
    layer.State = 0;
    layer.Name.clear();
    ++LayersCount;
    return true;
}
