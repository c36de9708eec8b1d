// Starting and closing a document.

#include "compose/compose_cache.h"
#include "core/pixel_view.h"
#include "lxImage.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cstring>

namespace {

constexpr char kBackgroundLayerName[] = "\xb1\xb3\xbe\xb0\xcd\xbc\xb2\xe3"; // "背景图层" in GBK

int screenPixelsPerInch() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 96;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
}

QString programFolder() {
    return QCoreApplication::instance() != nullptr ? QCoreApplication::applicationDirPath()
                                                   : QString();
}

void initBackgroundLayer(TlxLayer& layer) {
    InitNewLayer(layer);
    layer.Name = kBackgroundLayerName;
}

} // namespace

QImage CreateGrayBitmap(int Width, int Height) {
    if (Width <= 0 || Height <= 0) return QImage();
    QImage image(Width, Height, QImage::Format_Grayscale8);
    if (!image.isNull()) image.fill(0);
    return image;
}

void DrawChecker(QImage& Grey) {
    if (Grey.isNull() || Grey.format() != QImage::Format_Grayscale8) return;
    const PixelView view = viewOf(Grey);
    // Two row patterns: one starting with a grey square, one with a white one.
    std::vector<uint8_t> rows[2];
    for (int k = 0; k < 2; ++k) {
        rows[k].resize(size_t(view.Width));
        for (int x = 0; x < view.Width; ++x) {
            const bool leftHalf = x % 32 < 16;
            rows[k][size_t(x)] = (leftHalf == (k == 0)) ? 192 : 255;
        }
    }
    for (int y = 0; y < view.Height; ++y)
        std::memcpy(view.row(y), rows[y % 32 < 16 ? 0 : 1].data(), size_t(view.Width));
}

TlxImage::TlxImage() {
    ScreenPPI = screenPixelsPerInch();
    LoadBlendTables(programFolder());
}

TlxImage::~TlxImage() {
    CloseImage();
}

void TlxImage::ResizeControl(int, int) {}

void TlxImage::applyAutoSize(int Width, int Height) {
    if (AutoSize) ResizeControl(Width, Height);
}

bool TlxImage::NewImage(bool FillBackground, TColor Color, uint8_t Bits, int Width, int Height) {
    const bool hadDocument = LayersCount > 0;
    CanReDraw = false;
    try {
        // Every picture is built before the document changes, so a size that
        // cannot be allocated leaves no half-built slot behind.
        // Every pixel routine reads layer images as 24-bit, so the background
        // layer is 24-bit whatever depth is asked for; BitCount keeps the request.
        QImage bitmap(Width, Height, QImage::Format_BGR888);
        QImage show(Width, Height, QImage::Format_BGR888);
        QImage back = CreateGrayBitmap(Width, Height);
        QImage alpha = CreateGrayBitmap(Width, Height);
        if (Width <= 0 || Height <= 0 || bitmap.isNull() || show.isNull() || back.isNull() ||
            alpha.isNull()) {
            CanReDraw = hadDocument;
            return false;
        }

        if (hadDocument) CloseImage();
        releaseComposeCache();
        BackColor = Color;
        if (FillBackground) {
            bitmap.fill(QColor(int(Color & 0xFF), int(Color >> 8 & 0xFF), int(Color >> 16 & 0xFF)));
            BackgroundMode = lxBackColor;
            alpha.fill(255);
        } else {
            bitmap.fill(0);
            DrawChecker(back);
            BackgroundMode = lxBackTransparent;
        }
        show.fill(0);

        TlxLayer& layer = Layers[0];
        layer.Bitmap = std::move(bitmap);
        layer.Alpha = std::move(alpha);
        initBackgroundLayer(layer);
        ShowBmp = std::move(show);
        BackBmp = std::move(back);
        LayersCount = 1;

        ImageWidth = Width;
        ImageHeight = Height;
        CanReDraw = true;
        ReDraw();
        BitCount = Bits;
        applyAutoSize(Width, Height);
        ZoomValue = 1.0;
        return true;
    } catch (...) {
        return false;
    }
}

bool TlxImage::NewImageFromBitmap(const QImage& Bitmap) {
    const bool hadDocument = LayersCount > 0;
    CanReDraw = false;
    try {
        const int width = Bitmap.width();
        const int height = Bitmap.height();
        // A picture with an alpha channel brings its coverage; any other
        // picture is wholly opaque. Colour bytes are taken as they are, not
        // blended with anything.
        const bool hasAlpha = Bitmap.hasAlphaChannel();
        QImage layerBitmap =
            Bitmap.isNull() ? QImage() : Bitmap.convertToFormat(QImage::Format_BGR888);
        QImage alpha = CreateGrayBitmap(width, height);
        QImage back = CreateGrayBitmap(width, height);
        QImage show(width, height, QImage::Format_BGR888);
        QImage argb;
        if (hasAlpha) argb = Bitmap.convertToFormat(QImage::Format_ARGB32);
        if (layerBitmap.isNull() || alpha.isNull() || back.isNull() || show.isNull() ||
            (hasAlpha && argb.isNull())) {
            CanReDraw = hadDocument;
            return false;
        }

        if (hasAlpha) {
            // ARGB32 rows are blue, green, red, alpha bytes in memory.
            const ConstPixelView src = constViewOf(argb);
            const PixelView dst = viewOf(alpha);
            for (int y = 0; y < height; ++y) {
                const uint8_t* s = src.row(y);
                uint8_t* d = dst.row(y);
                for (int x = 0; x < width; ++x)
                    d[x] = s[4 * x + 3];
            }
            DrawChecker(back);
        } else {
            alpha.fill(255);
        }
        show.fill(0);

        if (hadDocument) CloseImage();
        releaseComposeCache();
        ImageWidth = width;
        ImageHeight = height;
        BitCount = 24;
        BackColor = lxRGB(255, 255, 255);
        BackgroundMode = hasAlpha ? lxBackTransparent : lxBackPicture;

        TlxLayer& layer = Layers[0];
        layer.Bitmap = std::move(layerBitmap);
        layer.Alpha = std::move(alpha);
        initBackgroundLayer(layer);
        BackBmp = std::move(back);
        LayersCount = 1;
        ZoomValue = 1.0;
        applyAutoSize(width, height);

        ShowBmp = std::move(show);
        ReDraw();
        CanReDraw = true;
        return true;
    } catch (...) {
        return false;
    }
}

void TlxImage::CloseImage() {
    CanReDraw = false;
    releaseComposeCache();
    for (int i = 0; i < layersInUse(); ++i) {
        TlxLayer& layer = Layers[size_t(i)];
        layer.Bitmap = QImage();
        layer.Alpha = QImage();
        layer.Mask = QImage();
        layer.HasMask = false;
        SwitchEffectsOff(layer.Style);
    }
    if (layersInUse() > 0) {
        ShowBmp = QImage();
        BackBmp = QImage();
    }
    LayersCount = 0;
}

bool TlxImage::MakeCheckerBackground() {
    if (BackBmp.isNull()) return false;
    DrawChecker(BackBmp);
    return true;
}
