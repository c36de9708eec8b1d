// Resizing and turning layers, and the resampling frame shared by the
// linear and cubic stretches.

#include "codepage.h"
#include "core/picture_convert.h"
#include "kernels/resample.h"
#include "lxImage.h"
#include "text/text_layout.h"

#include <QFontMetrics>

namespace {

// Pixel counts above which a resampling or turn shows the host's progress
// box; smaller operations finish before it would be worth showing.
constexpr qint64 kEnlargeProgressPixels = 1920000;
constexpr qint64 kCubicShrinkTargetPixels = 360000;
constexpr qint64 kCubicShrinkSourcePixels = 600000;

// Shows the host's progress box for an operation of `rows` target rows,
// reports each finished row and closes the box again, also when the
// operation fails part-way.
class ProgressRun {
public:
    ProgressRun(TlxImage* image, int rows, bool shown) : image_(image), rows_(rows), shown_(shown) {
        if (shown_ && image_->OnShowProgressBox) image_->OnShowProgressBox(image_, rows_, 1);
    }
    ~ProgressRun() {
        if (shown_ && image_->OnShowProgressBox) image_->OnShowProgressBox(image_, rows_, 0);
    }
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    lx::RowDone rowDone() const {
        if (!shown_ || !image_->OnProgress) return {};
        TlxImage* image = image_;
        const int rows = rows_;
        return [image, rows](int done) { image->OnProgress(image, rows, done); };
    }

private:
    TlxImage* image_;
    int rows_;
    bool shown_;
};

QImage newPicture(int width, int height, int channels) {
    if (!TlxImage::PictureSizeAllowed(width, height)) return QImage();
    return QImage(width, height, channels == 3 ? QImage::Format_BGR888 : QImage::Format_Grayscale8);
}

// A picture of the given size made from Source by the nearest-pixel or
// area-average stretch. Null on failure.
QImage stretched(const QImage& source, int width, int height, int channels, bool area) {
    const QImage src = channels == 3 ? lx::toBgr(source) : lx::toGrey(source);
    QImage dst = newPicture(width, height, channels);
    if (src.isNull() || dst.isNull()) return QImage();
    if (area)
        lx::stretchArea(constViewOf(src), viewOf(dst), channels);
    else
        lx::stretchNearest(constViewOf(src), viewOf(dst), channels);
    return dst;
}

} // namespace

bool TlxImage::stretch(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight, bool Colour,
                       bool Cubic) {
    try {
        const int channels = Colour ? 3 : 1;
        const QImage src = Colour ? lx::toBgr(Src) : lx::toGrey(Src);
        QImage dst = newPicture(NewWidth, NewHeight, channels);
        if (src.isNull() || dst.isNull()) return false;
        const qint64 W = src.width(), H = src.height(), w = NewWidth, h = NewHeight;
        if (w <= 1 || h <= 1) {
            lx::stretchNearest(constViewOf(src), viewOf(dst), channels);
        } else if (w == W && h == H) {
            dst = src.copy();
            if (dst.isNull()) return false;
        } else if (W >= w && H >= h) {
            if (Cubic) {
                const ProgressRun progress(this, NewHeight,
                                           w * h > kCubicShrinkTargetPixels ||
                                               W * H > kCubicShrinkSourcePixels);
                lx::shrinkCubic(constViewOf(src), viewOf(dst), channels, progress.rowDone());
            } else {
                lx::shrinkLinear(constViewOf(src), viewOf(dst), channels);
            }
        } else {
            const ProgressRun progress(
                this, NewHeight, w * h > kEnlargeProgressPixels || W * H > kEnlargeProgressPixels);
            if (Cubic)
                lx::enlargeCubic(constViewOf(src), viewOf(dst), channels, progress.rowDone());
            else
                lx::enlargeLinear(constViewOf(src), viewOf(dst), channels, progress.rowDone());
        }
        Dst = std::move(dst);
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::StretchBitmapLinear(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    return stretch(Src, Dst, NewWidth, NewHeight, true, false);
}

bool TlxImage::StretchMaskLinear(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    return stretch(Src, Dst, NewWidth, NewHeight, false, false);
}

bool TlxImage::StretchBitmapCubic(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    return stretch(Src, Dst, NewWidth, NewHeight, true, true);
}

bool TlxImage::StretchMaskCubic(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    return stretch(Src, Dst, NewWidth, NewHeight, false, true);
}

bool TlxImage::StretchMaskHalftone(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight) {
    // Averaging a grey picture spread over three equal channels and taking
    // the mean of the three gives the grey average itself, so the 8-bit
    // picture is averaged directly.
    try {
        if (Src.isNull()) return false;
        QImage dst;
        if (Src.format() == QImage::Format_Grayscale8) {
            dst = stretched(Src, NewWidth, NewHeight, 1, true);
        } else {
            // A colour picture: averaged per channel, then (r + g + b) div 3.
            const QImage colour = stretched(Src, NewWidth, NewHeight, 3, true);
            dst = newPicture(NewWidth, NewHeight, 1);
            if (colour.isNull() || dst.isNull()) return false;
            for (int y = 0; y < NewHeight; ++y) {
                const uint8_t* s = colour.constScanLine(y);
                uint8_t* d = dst.scanLine(y);
                for (int x = 0; x < NewWidth; ++x, s += 3)
                    d[x] = uint8_t((s[0] + s[1] + s[2]) / 3);
            }
        }
        if (dst.isNull()) return false;
        Dst = std::move(dst);
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::ResizeLayer(int Index, int NewWidth, int NewHeight, uint8_t Method) {
    if (!validIndex(Index)) return false;
    TlxLayer& layer = Layers[size_t(Index)];
    if (layer.IsText) {
        if (NewWidth <= 0 || NewWidth > MaxPictureSide) return false;
        const lx::RedrawBlock block(CanReDraw);
        try {
            return resizeTextLayer(layer, NewWidth);
        } catch (...) {
            return false;
        }
    }
    if (Method > 3 || !PictureSizeAllowed(NewWidth, NewHeight)) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        // Everything is built aside and put in place together, so a failure
        // leaves the layer as it was.
        QImage bitmap, alpha, mask;
        bool done = false;
        switch (Method) {
        case 0:
        case 3: {
            const bool area = Method == 3;
            bitmap = stretched(layer.Bitmap, NewWidth, NewHeight, 3, area);
            alpha = stretched(layer.Alpha, NewWidth, NewHeight, 1, area);
            done = !bitmap.isNull() && !alpha.isNull();
            if (done && layer.HasMask) {
                mask = stretched(layer.Mask, NewWidth, NewHeight, 3, area);
                done = !mask.isNull();
            }
            break;
        }
        case 1:
            done = StretchBitmapLinear(layer.Bitmap, bitmap, NewWidth, NewHeight) &&
                   StretchMaskLinear(layer.Alpha, alpha, NewWidth, NewHeight) &&
                   (!layer.HasMask || StretchBitmapLinear(layer.Mask, mask, NewWidth, NewHeight));
            break;
        default:
            done = StretchBitmapCubic(layer.Bitmap, bitmap, NewWidth, NewHeight) &&
                   StretchMaskCubic(layer.Alpha, alpha, NewWidth, NewHeight) &&
                   (!layer.HasMask || StretchBitmapCubic(layer.Mask, mask, NewWidth, NewHeight));
            break;
        }
        if (!done) return false;
        layer.Bitmap = std::move(bitmap);
        layer.Alpha = std::move(alpha);
        if (layer.HasMask) layer.Mask = std::move(mask);
        return true;
    } catch (...) {
        return false;
    }
}

QImage TlxImage::rotated(const QImage& Source, int Channels, int Angle, uint32_t Fill) {
    const QImage src = Channels == 3 ? lx::toBgr(Source) : lx::toGrey(Source);
    if (src.isNull()) return QImage();
    int width = 0, height = 0;
    lx::rotatedSize(src.width(), src.height(), Angle, width, height);
    QImage dst = newPicture(width, height, Channels);
    if (dst.isNull()) return QImage();
    if (Channels == 3)
        dst.fill(QColor(int(Fill & 255), int(Fill >> 8 & 255), int(Fill >> 16 & 255)));
    else
        dst.fill(uint(Fill & 255));
    const ProgressRun progress(this, height, qint64(width) * height > kEnlargeProgressPixels);
    lx::rotatePicture(constViewOf(src), viewOf(dst), Channels, Angle, progress.rowDone());
    return dst;
}

bool TlxImage::RotateLayerImage(int Index, int Angle) {
    if (!validIndex(Index)) return false;
    TlxLayer& layer = Layers[size_t(Index)];
    if (layer.IsText) {
        const lx::RedrawBlock block(CanReDraw);
        try {
            return rotateTextLayer(layer, Angle);
        } catch (...) {
            return false;
        }
    }
    if (layer.Alpha.size() != layer.Bitmap.size()) return false;
    const lx::RedrawBlock block(CanReDraw);
    try {
        QImage bitmap = rotated(layer.Bitmap, 3, Angle, lxRGB(255, 255, 255));
        if (bitmap.isNull()) return false;
        QImage alpha = rotated(layer.Alpha, 1, Angle, 0);
        if (alpha.isNull()) return false;
        QImage mask;
        if (layer.HasMask) {
            mask = rotated(layer.Mask, 3, Angle, lxRGB(0, 0, 0));
            if (!mask.isNull()) mask = lx::fittedMask(mask, bitmap.size());
            if (mask.isNull()) return false;
        }
        layer.Bitmap = std::move(bitmap);
        layer.Alpha = std::move(alpha);
        if (layer.HasMask) layer.Mask = std::move(mask);
        return true;
    } catch (...) {
        return false;
    }
}

namespace {

// What a text layer's re-rendering may change, kept to put back on failure.
struct TextLayerPixels {
    TlxTextStyle style;
    QImage bitmap, alpha, mask;

    explicit TextLayerPixels(const TlxLayer& layer)
        : style(layer.TextStyle), bitmap(layer.Bitmap), alpha(layer.Alpha), mask(layer.Mask) {}
    bool restore(TlxLayer& layer) const {
        layer.TextStyle = style;
        layer.Bitmap = bitmap;
        layer.Alpha = alpha;
        layer.Mask = mask;
        return false;
    }
};

bool hasLineBreak(const TlxTextStyle& style) {
    return TextOf(style).find("\r\n") != std::string::npos;
}

} // namespace

bool TlxImage::resizeTextLayer(TlxLayer& Layer, int NewWidth) {
    // Text is drawn again at a font size scaled with the width; its height
    // follows from the text.
    const int width = Layer.Bitmap.width();
    if (width <= 0) return false;
    const TextLayerPixels saved(Layer);
    const double size = double(NewWidth) / width * Layer.TextStyle.Size;
    // The sign of the size is kept; only its magnitude is limited.
    const int scaled = std::clamp(std::abs(RoundEven(size)), 1, 100000);
    Layer.TextStyle.Size = Layer.TextStyle.Size < 0 ? -scaled : scaled;
    if (!renderTextInto(Layer)) return saved.restore(Layer);
    if (Layer.HasMask) {
        QImage mask;
        if (!StretchBitmapLinear(saved.mask, mask, Layer.Bitmap.width(), Layer.Bitmap.height()))
            return saved.restore(Layer);
        Layer.Mask = std::move(mask);
    }
    return true;
}

bool TlxImage::rotateTextLayer(TlxLayer& Layer, int Angle) {
    const TextLayerPixels saved(Layer);
    TlxTextStyle& style = Layer.TextStyle;
    const int turn = Angle % 360;
    switch (style.Arrangement) {
    case lxTextTurnedLine:
    case lxTextTurnedChars: {
        int angle = style.Param % 360 + turn;
        if (angle > 360) angle -= 360;
        if (angle < -360) angle += 360;
        style.Param = angle;
        break;
    }
    case lxTextArc: {
        int start = ArcStartAngle(style), radius = ArcRadius(style);
        if (ArcChoosesCircle(style)) {
            // The circle chosen for the text is made explicit, so turning it
            // keeps its size and only moves where the text starts.
            lx::arcDefaultCircle(
                QFontMetrics(TextFont(style)).horizontalAdvance(lx::fromGbk(TextOf(style))), radius,
                start);
        }
        SetArc(style, uint16_t(((start + turn) % 360 + 360) % 360), uint16_t(radius));
        break;
    }
    case lxTextCircle: {
        // A full circle turns as an arc of the same circle.
        const QFontMetrics metrics(TextFont(style));
        const double w = metrics.horizontalAdvance(lx::fromGbk(TextOf(style)));
        const int radius = RoundEven(w / 2 / 3.14159265358979323846);
        // Radius 10 at least: a smaller one would read as "no circle given".
        SetArc(style, uint16_t(((-2 + turn) % 360 + 360) % 360), uint16_t(std::max(radius, 10)));
        style.Arrangement = lxTextArc;
        style.Reverse = 0;
        break;
    }
    case lxTextStandard:
    case lxTextPlain:
        // A single line turns into a turned line; several lines have no
        // turned form.
        if (hasLineBreak(style)) return false;
        style.Arrangement = lxTextTurnedLine;
        style.Param = turn;
        break;
    default:
        return false; // freehand and vertical text have no turned form
    }
    if (!renderTextInto(Layer)) return saved.restore(Layer);
    if (Layer.HasMask) {
        QImage mask = rotated(saved.mask, 3, Angle, lxRGB(0, 0, 0));
        if (!mask.isNull()) mask = lx::fittedMask(mask, Layer.Bitmap.size());
        if (mask.isNull()) return saved.restore(Layer);
        Layer.Mask = std::move(mask);
    }
    return true;
}
