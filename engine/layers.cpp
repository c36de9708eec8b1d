// Layer slots.

#include "lxImage.h"

void InitNewLayer(TlxLayer& Layer) {
    Layer.Left = 0;
    Layer.Top = 0;
    Layer.Opacity = 1.0;
    Layer.BlendMode = 0;
    Layer.IsText = false;
    Layer.HasMask = false;
    Layer.Mask = QImage();
    Layer.Visible = true;
    Layer.State = 0;
    Layer.Name.clear();
}

bool TlxImage::AppendLayer(const QImage& Bitmap, const QImage& Alpha) {
    if (LayersCount < 0 || LayersCount >= MaxLayers) return false;
    if (Bitmap.isNull() || Bitmap.format() != QImage::Format_BGR888 ||
        Alpha.format() != QImage::Format_Grayscale8 || Alpha.size() != Bitmap.size())
        return false;
    TlxLayer& layer = Layers[size_t(LayersCount)];
    layer.Bitmap = Bitmap;
    layer.Alpha = Alpha;
    InitNewLayer(layer);
    ++LayersCount;
    return true;
}
