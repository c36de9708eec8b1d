// Layer slots: adding, deleting, exchanging, replacing pictures and masks.

#include "core/picture_convert.h"
#include "lxImage.h"

#include <QImageReader>

namespace {

constexpr char kPictureLayerPrefix[] = "\xcd\xbc\xb2\xe3 "; // "图层 " in GBK

} // namespace

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

void CopyLayerContents(TlxLayer& Target, const TlxLayer& Source) {
    if (&Target == &Source) return;
    Target.Name = Source.Name;
    Target.Bitmap = Source.Bitmap;
    Target.Left = Source.Left;
    Target.Top = Source.Top;
    Target.Opacity = Source.Opacity;
    Target.BlendMode = Source.BlendMode;
    Target.IsText = Source.IsText;
    Target.TextStyle = Source.TextStyle;
    Target.HasMask = Source.HasMask;
    Target.Mask = Source.HasMask ? Source.Mask : QImage();
    Target.HostData = Source.HostData;
    Target.Visible = Source.Visible;
    Target.Alpha = Source.Alpha;
    Target.State = Source.State;
    CopyLayerStyle(Target.Style, Source.Style);
}

void ClearLayerContents(TlxLayer& Layer) {
    Layer.Name.clear();
    Layer.Bitmap = QImage();
    Layer.Left = 0;
    Layer.Top = 0;
    Layer.Opacity = 0.0;
    Layer.BlendMode = 0;
    Layer.IsText = false;
    Layer.TextStyle = TlxTextStyle{};
    Layer.HasMask = false;
    Layer.Mask = QImage();
    Layer.HostData.fill(0);
    Layer.Visible = false;
    Layer.Alpha = QImage();
    Layer.State = 0;
    SwitchEffectsOff(Layer.Style);
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

std::string TlxImage::NewLayerName(const std::string& Prefix) const {
    // One pass in slot order: a number is skipped only when its name comes
    // after the names of all smaller numbers, as it does when layers are
    // added one after another.
    int number = 1;
    for (int j = 0; j < layersInUse(); ++j)
        if (Layers[size_t(j)].Name == Prefix + std::to_string(number)) ++number;
    return Prefix + std::to_string(number);
}

bool TlxImage::AddBitmapLayer(const QImage& Picture) {
    if (LayersCount < 0 || LayersCount >= MaxLayers) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        QImage colour, alpha;
        if (!lx::splitColourAndAlpha(Picture, colour, alpha)) return false;
        std::string name = NewLayerName(kPictureLayerPrefix);
        // Nothing below can fail: the slot is filled and counted together.
        const int i = LayersCount;
        TlxLayer& layer = Layers[size_t(i)];
        ClearLayerContents(layer); // nothing of an earlier layer of the slot stays
        layer.Bitmap = std::move(colour);
        layer.Alpha = std::move(alpha);
        InitNewLayer(layer);
        layer.Name = std::move(name);
        LayersCount = i + 1;
        CurrLayerID = i;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::DeleteLayer(int Index) {
    if (!validIndex(Index)) return false;
    const int count = layersInUse();
    // Each slot keeps its own picture objects; only their contents move down.
    for (int i = Index; i < count - 1; ++i)
        CopyLayerContents(Layers[size_t(i)], Layers[size_t(i + 1)]);
    ClearLayerContents(Layers[size_t(count - 1)]);
    LayersCount = count - 1;
    if (CurrLayerID >= LayersCount) --CurrLayerID;
    return true;
}

bool TlxImage::SwapLayers(int IndexA, int IndexB) {
    if (!validIndex(IndexA) || !validIndex(IndexB)) return false;
    if (IndexA == IndexB) return true;
    TlxLayer& a = Layers[size_t(IndexA)];
    TlxLayer& b = Layers[size_t(IndexB)];
    TlxLayer saved;
    CopyLayerContents(saved, a);
    CopyLayerContents(a, b);
    CopyLayerContents(b, saved);
    return true;
}

QImage* TlxImage::GetLayerBitmap(int Index) {
    return validIndex(Index) ? &Layers[size_t(Index)].Bitmap : nullptr;
}

bool TlxImage::SetLayerBitmap(int Index, const QImage& Picture) {
    if (!validIndex(Index)) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        QImage colour, alpha;
        if (!lx::splitColourAndAlpha(Picture, colour, alpha)) return false;
        TlxLayer& layer = Layers[size_t(Index)];
        // A mask of another size would no longer line up with the picture.
        QImage mask;
        if (layer.HasMask) {
            mask = lx::fittedMask(layer.Mask, colour.size());
            if (mask.isNull()) return false;
        }
        layer.Bitmap = std::move(colour);
        layer.Alpha = std::move(alpha);
        if (layer.HasMask) layer.Mask = std::move(mask);
        layer.IsText = false;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::GetLayerBitmap32(int Index, QImage& Target) const {
    if (!validIndex(Index)) return false;
    try {
        const TlxLayer& layer = Layers[size_t(Index)];
        if (layer.Bitmap.format() != QImage::Format_BGR888 ||
            layer.Alpha.format() != QImage::Format_Grayscale8 ||
            layer.Alpha.size() != layer.Bitmap.size())
            return false;
        QImage target(layer.Bitmap.size(), QImage::Format_ARGB32);
        if (target.isNull()) return false;
        const int width = target.width();
        for (int y = 0; y < target.height(); ++y) {
            const uint8_t* s = layer.Bitmap.constScanLine(y);
            const uint8_t* a = layer.Alpha.constScanLine(y);
            uint8_t* d = target.scanLine(y);
            for (int x = 0; x < width; ++x, s += 3, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = a[x];
            }
        }
        Target = std::move(target);
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::SetLayerMask(int Index, QImage& MaskPicture) {
    if (!validIndex(Index)) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        TlxLayer& layer = Layers[size_t(Index)];
        QImage source = lx::toBgr(MaskPicture);
        if (source.isNull() || layer.Bitmap.isNull()) return false;
        MaskPicture = source;
        QImage mask;
        if (!StretchBitmapLinear(source, mask, layer.Bitmap.width(), layer.Bitmap.height()))
            return false;
        layer.Mask = std::move(mask);
        layer.HasMask = true;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::SetLayerMaskPicture(int Index, const QImage& Picture) {
    QImage copy = Picture;
    return SetLayerMask(Index, copy);
}

bool TlxImage::LoadLayerMask(int Index, const QString& FileName) {
    if (!validIndex(Index)) return false;
    try {
        QImageReader reader(FileName);
        // Refuse a picture whose stated size is beyond the limits before any
        // pixel memory is taken for it.
        const QSize size = reader.size();
        if (size.isValid() && !PictureSizeAllowed(size.width(), size.height())) return false;
        QImage picture;
        if (!reader.read(&picture) || picture.isNull()) return false;
        return SetLayerMaskPicture(Index, picture);
    } catch (...) {
        return false;
    }
}

bool TlxImage::GetHistogram(const QImage& Picture, uint8_t Channel, std::array<int, 257>& Counts) {
    Counts.fill(0);
    if (Picture.isNull()) return true;
    Counts[0] = int(std::min<qint64>(qint64(Picture.width()) * Picture.height(), INT32_MAX));
    const int w = Picture.width();
    auto count = [&](uint8_t v) { ++Counts[size_t(1 + v)]; };
    switch (Picture.depth()) {
    case 8:
        for (int y = 0; y < Picture.height(); ++y) {
            const uint8_t* s = Picture.constScanLine(y);
            for (int x = 0; x < w; ++x)
                count(s[x]);
        }
        break;
    case 24:
    case 32: {
        // Byte positions of blue, green, red (and alpha) in a pixel.
        int b = 0, g = 1, r = 2, a = 3;
        const QImage::Format f = Picture.format();
        if (f == QImage::Format_RGB888)
            std::swap(b, r);
        else if (f == QImage::Format_RGBX8888 || f == QImage::Format_RGBA8888 ||
                 f == QImage::Format_RGBA8888_Premultiplied)
            std::swap(b, r);
        else if (f != QImage::Format_BGR888 && f != QImage::Format_RGB32 &&
                 f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
            break;
        const int step = Picture.depth() / 8;
        if (Channel == 4 && step == 3) break;
        if (Channel > 4) break;
        for (int y = 0; y < Picture.height(); ++y) {
            const uint8_t* s = Picture.constScanLine(y);
            for (int x = 0; x < w; ++x, s += step) {
                switch (Channel) {
                case 0:
                    count(uint8_t(lxLuminance(s[r], s[g], s[b])));
                    break;
                case 1:
                    count(s[r]);
                    break;
                case 2:
                    count(s[g]);
                    break;
                case 3:
                    count(s[b]);
                    break;
                default:
                    count(s[a]);
                    break;
                }
            }
        }
        break;
    }
    default:
        break;
    }
    return true;
}
