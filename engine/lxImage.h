#pragma once

// The layered picture document: layers, blend modes, composition into the
// display bitmap and the conversions between screen and image coordinates.
// Nothing here touches a widget; the on-screen component derives from it.

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lxLayerStyle.h"
#include "lxTextStyle.h"

// A colour as 0x00BBGGRR (red in the low byte).
using TColor = uint32_t;

constexpr TColor lxRGB(int r, int g, int b) {
    return uint32_t(r & 255) | (uint32_t(g & 255) << 8) | (uint32_t(b & 255) << 16);
}

struct TlxPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TlxPoint&) const = default;
};

class TlxImage;

// (Sender, MsgStr, nType): ask the host to show a message box; returns the button pressed.
using TMSGEvent = std::function<int(TlxImage* Sender, const QString& MsgStr, uint32_t nType)>;
// (Sender, MsgStr): ask the host to show a message without a box.
using TNoBoxMSGEvent = std::function<void(TlxImage* Sender, const QString& MsgStr)>;
// (Sender, MaxValue, ProgressValue).
using TlxProgressEvent = std::function<void(TlxImage* Sender, int MaxValue, int ProgressValue)>;

// One layer slot. Bitmap is 24-bit (blue, green, red bytes), Alpha 8-bit
// coverage of the same size, Mask (when HasMask) 24-bit of the same size.
struct TlxLayer {
    std::string Name; // bytes in the document code page
    QImage Bitmap;
    int32_t Left = 0;
    int32_t Top = 0;
    double Opacity = 0.0;
    uint8_t BlendMode = 0;
    bool IsText = false;
    TlxTextStyle TextStyle{};
    bool HasMask = false;
    QImage Mask;
    std::array<uint8_t, 124> HostData{};
    bool Visible = false;
    QImage Alpha;
    uint8_t State = 0;
    TlxLayerStyle Style{};
};

// Background modes of a document.
enum : uint8_t {
    lxBackTransparent = 0, // shown over the checkerboard
    lxBackColor = 1,       // created with a background colour
    lxBackPicture = 2,     // created from a picture
};

class TlxImage {
public:
    static constexpr int MaxLayers = 257;
    static constexpr int BlendTableSize = 256 * 256;
    static constexpr int BlendTableCount = 7;

    TlxImage();
    virtual ~TlxImage();
    TlxImage(const TlxImage&) = delete;
    TlxImage& operator=(const TlxImage&) = delete;

    // ---- state, in the order of the document model ----
    QImage ShowBmp; // 24-bit display bitmap, ImageWidth x ImageHeight
    QImage BackBmp; // 8-bit checkerboard of the image size
    int LayersCount = 0;
    int ImageWidth = 0;
    int ImageHeight = 0;
    int CurrLayerID = 0;
    bool CanReDraw = false;
    uint8_t BitCount = 0;
    bool AutoSize = true;
    double ZoomValue = 1.0;
    TMSGEvent OnCallMessageBox;
    TNoBoxMSGEvent OnShowMessage;
    TlxProgressEvent OnProgress;
    TlxProgressEvent OnShowProgressBox;
    // Tables of the modes 26..32, indexed [layer value * 256 + destination value].
    std::array<std::array<uint8_t, BlendTableSize>, BlendTableCount> BlendTables{};
    std::array<TlxLayer, MaxLayers> Layers;

    // selection state
    int SelLeft = 0;
    int SelTop = 0;
    std::vector<TlxPoint> OutlinePoints;
    int OutlineCount = 0;
    std::array<TlxPoint, 10001> ShapePoints{};
    int ShapePointCount = 0;
    QImage SelBitmap; // 8-bit selection coverage
    bool HasSelection = false;
    int CornerWidth = 0;
    int CornerHeight = 0;
    uint8_t AntsPhase = 0;
    bool SmoothEdges = false;
    uint8_t SelKind = 0;

    TColor BackColor = lxRGB(255, 255, 255);
    uint8_t BackgroundMode = lxBackTransparent;
    int ScreenPPI = 96;

    // document fields carried through design files
    std::string DocInfo1, DocInfo2, DocInfo3, DocInfo4;
    int DocPointCount = 0;
    std::array<TlxPoint, 101> DocPoints{};
    uint8_t DocFlag1 = 0;
    uint8_t DocFlag2 = 0;

    // ---- document ----
    bool NewImage(bool FillBackground, TColor BackColor, uint8_t BitCount, int Width, int Height);
    bool NewImageFromBitmap(const QImage& Bitmap);
    void CloseImage();
    bool MakeCheckerBackground();
    // Puts a new layer on top: a 24-bit picture with its 8-bit coverage of
    // the same size, at (0, 0), opaque, normal mode, visible. False, with
    // nothing changed, when all slots are taken or the pictures do not fit.
    bool AppendLayer(const QImage& Bitmap, const QImage& Alpha);
    // Reloads the tables of modes 26..32: built-in tables first, then the
    // files "26.mode" .. "32.mode" of Folder where present.
    void LoadBlendTables(const QString& Folder);

    // ---- blend modes ----
    // Dst points at blue, green, red bytes; Color is packed red * 65536 + green * 256 + blue.
    bool BlendPixel(uint8_t* Dst, uint8_t Mode, uint32_t Color, double Coverage);
    bool BlendPixelMasked(uint8_t* Dst, uint8_t Mode, uint32_t Color, double Coverage,
                          uint32_t MaskColor);
    static void RgbToHsl(int R, int G, int B, double& H, double& S, double& L);
    static void HslToRgb(double H, double S, double L, int& R, int& G, int& B);

    // ---- composition and display ----
    bool ReDraw();
    bool ComposeImage(QImage& Target);
    virtual bool ApplyZoom();
    int ScreenToImage(int Value) const;
    int ImageToScreen(int Value) const;
    bool BuildSelectionOutline();
    // Outline points that exist: OutlineCount, never more than the list holds.
    int OutlinePointsInUse() const {
        return std::clamp(OutlineCount, 0, int(OutlinePoints.size()));
    }
    // The marching-ants colour of outline point k at a phase: white when true.
    // k must lie below OutlinePointsInUse().
    bool OutlineDashIsWhite(int k, uint8_t Phase) const;
    // Where outline point (0, 0) lands on the control.
    TlxPoint OutlineOrigin() const;
    void AdvanceAntsPhase();

protected:
    // Sizes the on-screen control; the plain document has none.
    virtual void ResizeControl(int Width, int Height);

private:
    void drawLayerPixels(QImage& Target, const TlxLayer& Layer);
    void applyAutoSize(int Width, int Height);
    bool buildOutlinePoints();
    // Slots in use: LayersCount, never more than the slots that exist.
    int layersInUse() const { return std::clamp(LayersCount, 0, MaxLayers); }

    std::minstd_rand DissolveRng{0x5eed};
};

// The fields a layer the engine creates starts with: at (0, 0), opaque,
// normal mode, visible, no mask, not text, state 0, no name. Its pictures,
// text style, host data and style are left to the caller.
void InitNewLayer(TlxLayer& Layer);

// An 8-bit grey picture (level = byte) of the given size, zero-filled;
// a null image when it cannot be allocated.
QImage CreateGrayBitmap(int Width, int Height);

// Draws the transparency checkerboard: 16-pixel squares, 192 at the
// top-left corner, alternating with 255.
void DrawChecker(QImage& Grey);

// Rounds to the nearest integer, halves to the even neighbour; values beyond
// the integer range give its nearest end, NaN gives 0.
inline int RoundEven(double Value) {
    // Adding and taking away 1.5 * 2^52 lets the processor's own
    // round-to-nearest-even drop the fraction: between 2^52 and 2^53 doubles
    // are whole numbers. This runs once per channel in every blend, so it
    // must not become a library call.
    constexpr double kShift = 6755399441055744.0;
    if (std::fabs(Value) < 2147483647.0) return int((Value + kShift) - kShift);
    if (Value >= 2147483647.0) return 2147483647;
    if (Value <= -2147483648.0) return -2147483647 - 1;
    return 0;
}
