#pragma once

// The layered picture document: layers, blend modes, composition into the
// display bitmap and the conversions between screen and image coordinates.
// Nothing here touches a widget; the on-screen component derives from it.

#ifdef LX_PURE_KERNEL
#error "a pixel kernel works on pixel views; it must not see the document"
#endif

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "blend_modes.h"
#include "lxFileError.h"
#include "lxLayerStyle.h"
#include "lxTextStyle.h"
#include "lxTypes.h"

class TlxImage;
class QPainter;
namespace lx {
enum class EffectTarget;
struct BlendRow;
} // namespace lx

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
    // Limits on any picture the engine builds or reads (see lxTypes.h).
    static constexpr int MaxPictureSide = lx::MaxPictureSide;
    static constexpr qint64 MaxPicturePixels = lx::MaxPicturePixels;
    static bool PictureSizeAllowed(qint64 Width, qint64 Height) {
        return lx::pictureSizeAllowed(Width, Height);
    }

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
    // LoadBlendTables tells ReDraw that they changed; a host writing them
    // directly calls InvalidateComposeCache afterwards.
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

    // ---- canvas ----
    // Operations the canvas step uses to re-apply its settings to a document
    // that already has layers.
    // Gives the document a new size without resampling any layer: the
    // display and checkerboard pictures become Width x Height (zeroed, for
    // the next ReDraw and MakeCheckerBackground), the background layer is
    // refilled with Color at full coverage and loses its mask, and BackColor
    // becomes Color. A top layer named "Idiograph" (a full-canvas overlay
    // some design files bring) keeps the top-left part of its picture,
    // padded with black, and is emptied. Every other layer stays as it is.
    // False, with nothing changed, when the document has no layer, the size
    // is not allowed or the pictures cannot be allocated.
    bool ResizeCanvas(int Width, int Height, TColor Color);
    // Switches the layer's pattern overlay off and frees its tile.
    bool RemovePatternOverlay(int Layer);
    // Coverage, an 8-bit picture of the image's size, becomes the selection:
    // irregular (kind 4), at the image's origin, with its outline built at
    // the current zoom. A Coverage with nothing selected leaves no
    // selection. False, with nothing changed, for a picture of another
    // format or size; false too when the outline cannot be built, and then
    // the selection stays without one.
    bool SetSelectionBitmap(const QImage& Coverage);
    // No selection any more: its picture is freed and its outline emptied.
    void ClearSelection();
    // The shape guide of a canvas is built from 8-bit level pictures:
    // the first channel (blue) of a 24-bit mask as an 8-bit picture of its
    // size, null when the mask is not 24-bit or memory runs out;
    static QImage MaskLevels(const QImage& Mask);
    // every level v of an 8-bit picture becoming 255 - v (false for another
    // format);
    static bool InvertLevels(QImage& Levels);
    // Keep laid over the centre of Target, its corner at ((W - w) div 2,
    // (H - h) div 2), and ANDed into the levels it covers, so that Keep's
    // zeros cut an inner area out (both 8-bit, else false and nothing done).
    static bool AndLevelsCentred(QImage& Target, const QImage& Keep);

    // ---- layers ----
    // Every Index below must lie in 0 .. LayersCount - 1; other indices are
    // refused with false and nothing is touched.
    // Puts a 24-bit copy of Picture on top as a new, current layer named
    // "图层 n". A 32-bit picture gives its alpha bytes as coverage, any other
    // picture full coverage.
    bool AddBitmapLayer(const QImage& Picture);
    // Removes a layer; the layers above move down one slot.
    bool DeleteLayer(int Index);
    // Exchanges the complete contents of two slots; CurrLayerID stays.
    bool SwapLayers(int IndexA, int IndexB);
    // The layer's 24-bit picture, owned by the engine; the host may draw on it
    // in place and then call ReDraw. Null for an index out of range. ReDraw
    // sees the change through the picture's cache key, which every scanLine()
    // or bits() renews; a pixel pointer kept across a ReDraw and written
    // through later is not seen (call InvalidateComposeCache then).
    QImage* GetLayerBitmap(int Index);
    // Replaces a layer's picture and coverage, keeping position, opacity,
    // name, style and mask; the layer becomes a picture layer.
    bool SetLayerBitmap(int Index, const QImage& Picture);
    // Target becomes a 32-bit copy: the layer's colours with its coverage as alpha.
    bool GetLayerBitmap32(int Index, QImage& Target) const;
    // Gives the layer a mask made from MaskPicture stretched over the whole
    // layer. MaskPicture itself is converted to 24-bit on the way.
    bool SetLayerMask(int Index, QImage& MaskPicture);
    bool SetLayerMaskPicture(int Index, const QImage& Picture);
    bool LoadLayerMask(int Index, const QString& FileName);
    // Counts[0] := pixel count, Counts[1 + v] := pixels of value v in a
    // channel: 0 luminance, 1 red, 2 green, 3 blue, 4 alpha (32-bit only);
    // 8-bit pictures count their bytes whatever the channel.
    // The name a new layer gets: Prefix followed by a number one past the
    // names already numbered in slot order.
    std::string NewLayerName(const std::string& Prefix) const;
    static bool GetHistogram(const QImage& Picture, uint8_t Channel, std::array<int, 257>& Counts);

    // ---- text layers ----
    // Puts a new text layer on top at (X, Y), drawn from TextStyle. A text of
    // at most 16 bytes names the layer; longer ones get "文本层 n".
    bool AddTextLayer(int X, int Y, const TlxTextStyle& TextStyle);
    // Draws a text layer afresh from its text description.
    bool RenderTextLayer(int Index);
    // Draws Text laid out as Style says into Target, which becomes an 8-bit
    // picture of the size the text needs, drawn in the grey of Style.Color on 0.
    bool RenderTextBitmap(const std::string& Text, const TlxTextStyle& Style, QImage& Target);
    // The size RenderTextBitmap would give Target, found by measuring alone:
    // nothing is drawn or allocated. False when it would draw nothing (an
    // unknown arrangement) or the size passes the picture limits.
    bool TextBitmapSize(const std::string& Text, const TlxTextStyle& Style, QSize& Size);
    // How drawing a text layer goes: the smoothing factor used, the size of
    // the picture drawn at that factor and the layer's size once reduced.
    struct TextLayerPlan {
        int Factor = 1;
        QSize Drawn;
        QSize Layer;
        // Memory the drawing takes at its peak (the drawn picture while it
        // is reduced, the coverage and the colour picture) and what stays
        // (coverage and colour picture).
        qint64 PeakBytes() const;
        qint64 LayerBytes() const;
    };
    // The plan RenderTextLayer follows for Layer in this document, found by
    // measuring alone. With MaxPeakBytes not negative, factors whose drawing
    // would take more are passed over, as RenderTextLayer's own budget does.
    // False when the layer would not be drawn.
    bool PlanTextLayer(const TlxLayer& Layer, TextLayerPlan& Plan, qint64 MaxPeakBytes = -1);
    // Draws a text layer afresh, taking at most MaxPeakBytes of memory at
    // any time (the smoothing factor is lowered until it fits); false when
    // even unsmoothed drawing would take more.
    bool RenderTextLayerWithin(int Index, qint64 MaxPeakBytes);
    // Name (GBK) if such a font can be drawn, else "宋体", else "MS Sans Serif",
    // else the first installed family. Windows font names are drawn with
    // installed look-alikes.
    static std::string ResolveFontName(const std::string& Name);
    // Whether a font of that name (GBK) is installed or has an installed
    // look-alike.
    static bool FontDrawable(const std::string& Name);
    // The font a text description draws with.
    static QFont TextFont(const TlxTextStyle& Style);
    // Draws Text character by character around a circle of Radius about
    // (CenterX, CenterY), starting at StartAngle degrees clockwise from the
    // top; -1 centres it on the top, -3 on the bottom, -2 makes the circle as
    // long as the text.
    bool DrawTextOnCircle(QPainter& Canvas, const std::string& Text, int CenterX, bool Reverse,
                          int StartAngle, int Radius, int CenterY);
    // Draws Text with its top-left corner at (X, Y), turned counter-clockwise
    // by Angle degrees.
    static void DrawTurnedText(QPainter& Canvas, const std::string& Text, int Y, int X,
                               double Angle);

    // ---- transforms ----
    // Method 0 nearest pixel, 1 linear, 2 cubic, 3 area average. The layer
    // keeps its position; image, coverage and mask all get the new size.
    bool ResizeLayer(int Index, int NewWidth, int NewHeight, uint8_t Method);
    // Turns a layer clockwise by Angle degrees; the picture grows to the
    // bounding box of the turned picture, whose corners get no coverage.
    bool RotateLayerImage(int Index, int Angle);
    // Resamplers: Dst becomes NewWidth x NewHeight, 24-bit for the bitmap
    // forms and 8-bit grey for the mask forms. Src and Dst may be the same
    // picture. False, with Dst untouched, when the sizes are not positive or
    // the picture cannot be allocated.
    bool StretchBitmapLinear(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
    bool StretchMaskLinear(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
    bool StretchBitmapCubic(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
    bool StretchMaskCubic(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);
    bool StretchMaskHalftone(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight);

    // ---- selections ----
    // The shape in SelKind / ShapePoints / ShapePointCount / CornerWidth /
    // CornerHeight (in the layer's pixels) is rasterised into SelBitmap at
    // the layer's position. X, Y and Tolerance matter for the magic wand,
    // Smooth for kinds 1..5.
    bool MakeSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth);
    bool AddToSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth);
    bool SubtractFromSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth);
    bool IntersectSelection(int LayerIndex, int X, int Y, uint8_t Tolerance, bool Smooth);
    bool InvertSelection(int LayerIndex);
    // Clears the selected pixels of a layer: coverage scaled by 1 - s / 255.
    bool EraseSelection(int LayerIndex);
    // Bounds of the selected pixels, in SelBitmap pixels.
    void GetSelectionBounds(int LayerIndex, TlxPoint& MaxPoint, TlxPoint& MinPoint) const;
    // Crops the document to the selection's bounds.
    void CropToSelection();

    // ---- anti-aliased shapes on 8-bit pictures ----
    static void DrawAntialiasedLine(QImage& Target, double X1, double Y1, double X2, double Y2);
    static void DrawSmoothEllipse(QImage& Target);
    static void DrawSmoothRoundRect(int CornerWidth, int CornerHeight, QImage& Target);

    // ---- curves ----
    // The curve plug-in's entry: control points in, a polyline out.
    using GetCurvePointsFn = void (*)(const TlxPoint* ControlPoints, int32_t Count,
                                      TlxPoint* OutPoints, int32_t MaxOut, int32_t* OutCount);
    using CurveTable = std::array<uint8_t, 256>;
    // Loads the curve plug-in from the program's folder; a missing or broken
    // library is reported through OnCallMessageBox and gives false.
    bool LoadCurvePlugin();
    bool LoadCurvePlugin(const QString& Folder); // the same, from another folder
    GetCurvePointsFn CurvePoints = nullptr;
    bool ApplyCurve(int Layer, const QImage& Source, const CurveTable& Table);
    bool ApplyCurveInSelection(int Layer, const QImage& Source, const CurveTable& Table);
    bool ApplyCurvesRGB(int Layer, const QImage& Source, const CurveTable& TableR,
                        const CurveTable& TableG, const CurveTable& TableB);
    bool ApplyCurvesRGBInSelection(int Layer, const QImage& Source, const CurveTable& TableR,
                                   const CurveTable& TableG, const CurveTable& TableB);
    // Histogram of the current layer's picture, only where it is selected
    // when a selection exists.
    bool GetSelectionHistogram(const QImage& Bitmap, uint8_t Channel, std::array<int, 257>& Counts);

    // ---- layer styles ----
    // Set-up stores an effect's settings (offsets as DrawX = offset - 2M),
    // switches it on and builds its picture; Rebuild recomputes the picture
    // from the stored settings for the layer's current size. Sizes, spreads
    // and softness are limited to 0..200, point counts to 0..51, stop counts
    // to 0..51. All return false, with CanReDraw true again, on failure.
    using ContourPointArray = std::array<TlxContourPoint, TlxContour::MaxPoints>;
    using ContourTableArray = std::array<uint8_t, 257>;
    bool SetDropShadow(int Layer, uint8_t BlendMode, uint8_t Opacity, int OffsetX, int OffsetY,
                       int Spread, int Size, uint32_t Color, bool UseContour, int ContourPointCount,
                       const ContourPointArray& ContourPoints,
                       const ContourTableArray& ContourTable);
    bool SetInnerShadow(int Layer, uint8_t BlendMode, uint8_t Opacity, int OffsetX, int OffsetY,
                        int Spread, int Size, uint32_t Color, bool UseContour,
                        int ContourPointCount, const ContourPointArray& ContourPoints,
                        const ContourTableArray& ContourTable);
    bool SetOuterGlow(int Layer, uint8_t BlendMode, uint8_t Opacity, int Spread, int Size,
                      uint32_t Color, bool UseContour, int ContourPointCount,
                      const ContourPointArray& ContourPoints,
                      const ContourTableArray& ContourTable);
    bool SetInnerGlow(int Layer, uint8_t BlendMode, uint8_t Opacity, int Spread, int Size,
                      uint32_t Color, bool UseContour, int ContourPointCount,
                      const ContourPointArray& ContourPoints,
                      const ContourTableArray& ContourTable);
    bool SetBevel(int Layer, uint8_t HighlightMode, uint8_t ShadowMode, uint8_t HighlightOpacity,
                  uint8_t ShadowOpacity, int OffsetX, int OffsetY, int Spread, int Size,
                  uint32_t HighlightColor, uint32_t ShadowColor, bool UseContour,
                  int ContourPointCount, const ContourPointArray& ContourPoints,
                  const ContourTableArray& ContourTable);
    bool SetStroke(int Layer, uint8_t BlendMode, uint8_t Opacity, int Softness, int Size,
                   uint32_t Color, bool UseContour, int ContourPointCount,
                   const ContourPointArray& ContourPoints, const ContourTableArray& ContourTable);
    bool SetGradientStroke(int Layer, uint8_t GradientKind, const TColorlistSrcd& Gradient,
                           bool Reverse, int Angle);
    bool SetGradientOverlay(int Layer, uint8_t BlendMode, uint8_t Opacity, uint8_t GradientKind,
                            const TColorlistSrcd& Gradient, bool Reverse, int Angle);
    bool SetPatternOverlay(int Layer, uint8_t BlendMode, uint8_t Opacity, const QImage& Pattern);
    bool RebuildDropShadow(int Layer);
    bool RebuildInnerShadow(int Layer);
    bool RebuildOuterGlow(int Layer);
    bool RebuildInnerGlow(int Layer);
    bool RebuildBevel(int Layer);
    bool RebuildStroke(int Layer);
    bool RebuildGradientOverlay(int Layer);
    bool RebuildGradientStroke(int Layer);
    // Blurs an 8-bit mask in place with the Gaussian of the given radius.
    static bool GaussianBlurMask(QImage& Mask, double Radius);
    // An effect's opacity as drawn: Percent / 100, times the layer's opacity
    // unless the layer's effects ignore it.
    static double EffectOpacity(const TlxLayer& Layer, uint8_t Percent);

    // Composes the document into a 32-bit picture whose fourth byte is the
    // coverage the layers and effects leave.
    bool RenderToAlphaBitmap(QImage& Target);

    // ---- files ----
    static constexpr uint16_t DesignFileVersion = 260;
    static constexpr uint16_t StyleFileVersion = 259;
    // Design files hold at most this many layers (the count is one byte).
    static constexpr int MaxFileLayers = 255;
    // Pixel memory a document read from a design file may take: the display
    // and background pictures and every picture of every layer, including
    // the drawn texts and the effect pictures made while reading. A file
    // that needs more is refused (TooLarge) before the pictures are made.
    static constexpr qint64 DefaultDesignByteBudget = qint64(4) << 30;
    qint64 DesignByteBudget = DefaultDesignByteBudget;
    // Writes the document as a design file of the current version. The file
    // is written beside the target and put in its place only when complete,
    // so a failure leaves any earlier file as it was.
    bool SaveToFile(const QString& FileName);
    // Reads a design file of any known version. The file is read into a
    // document of its own and takes this one's place only when all of it has
    // been read; a failure leaves this document as it was.
    bool LoadFromFile(const QString& FileName);
    // The same in memory. FileTime is the file's last-write time as an MS-DOS
    // packed date and time; 0xFFFFFFFF when there is none.
    bool SaveToData(QByteArray& Data);
    bool LoadFromData(const QByteArray& Data, uint32_t FileTime = 0xFFFFFFFFu);
    // Layer style files: a layer's blending options, every effect setting and
    // the pattern tile.
    bool SaveLayerStyle(int Layer, const QString& FileName);
    bool LoadLayerStyle(int Layer, const QString& FileName);
    bool SaveLayerStyleToData(int Layer, QByteArray& Data);
    bool LoadLayerStyleFromData(int Layer, const QByteArray& Data);
    // The built-in text effect Index (0..12, in list order) as a style file;
    // empty for any other index.
    static QByteArray PresetTextEffect(int Index);
    // A string setting of the program: Name in Section of the user's
    // settings, Default when it is empty or absent.
    static QString ReadSettingString(const QString& Section, const QString& Name,
                                     const QString& Default);
    // Why the last file operation failed; no code after a success (a style
    // that applied without one of its effects says so with EffectNotMade).
    TlxFileError LastFileError;
    // What the last load of a design or style file found wrong with the
    // file and passed over because the document or style did not need it
    // (bytes after the end of its data, a thumbnail outside the file), one
    // English sentence each; empty after a failure or a whole file.
    QStringList LastLoadNotes;

    // ---- blend modes ----
    // Dst points at blue, green, red bytes; Color is packed red * 65536 + green * 256 + blue.
    bool BlendPixel(uint8_t* Dst, uint8_t Mode, uint32_t Color, double Coverage);
    bool BlendPixelMasked(uint8_t* Dst, uint8_t Mode, uint32_t Color, double Coverage,
                          uint32_t MaskColor);
    // A row of pixels through one mode: the bytes BlendPixel / BlendPixelMasked
    // give pixel by pixel from left to right (compose/mode_rows.h).
    void BlendPixelRow(const lx::BlendRow& Row);
    static void RgbToHsl(int R, int G, int B, double& H, double& S, double& L);
    static void HslToRgb(double H, double S, double L, int& R, int& G, int& B);

    // ---- composition and display ----
    // Composes the document into ShowBmp. The result is always that of
    // ComposeImage(ShowBmp); on the way ReDraw keeps the composite of the
    // layers below the lowest one that changed since the previous ReDraw and
    // starts from it next time, so moving the top layer redraws only that
    // layer and its effects.
    bool ReDraw();
    // Forgets the composite ReDraw keeps, for a change it cannot see (pixels
    // written through a pointer kept from before the last ReDraw, blend
    // tables written directly). The next ReDraw starts from the background.
    void InvalidateComposeCache();
    // Composes the document into Target from the background up; keeps and
    // uses no cache.
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
    bool validIndex(int Index) const { return Index >= 0 && Index < layersInUse(); }
    bool stretch(const QImage& Src, QImage& Dst, int NewWidth, int NewHeight, bool Colour,
                 bool Cubic);
    // Source turned by Angle into a new picture of Channels 3 (Fill a TColor)
    // or 1 (Fill a level). Null on failure.
    QImage rotated(const QImage& Source, int Channels, int Angle, uint32_t Fill);
    // Runs Operation on slot Layer with the redraw flag held and no
    // exception escaping; false for an index out of range.
    template <class Fn> bool onLayerStyle(int Layer, Fn&& Operation);
    template <lx::EffectTarget T>
    bool drawLayerEffects(QImage& Target, const TlxLayer& Layer, bool UnderLayer);
    // MaxPeakBytes negative: no limit beyond what memory allows.
    bool renderTextInto(TlxLayer& Layer, qint64 MaxPeakBytes = -1);
    bool resizeTextLayer(TlxLayer& Layer, int NewWidth);
    bool rotateTextLayer(TlxLayer& Layer, int Angle);
    void drawLayerPixels(QImage& Target, const TlxLayer& Layer);
    void drawLayerRows(QImage& Target, const TlxLayer& Layer, int64_t From, int64_t End,
                       std::minstd_rand& Rng);
    bool drawnByRowsAlone(const TlxLayer& Layer) const;
    void drawLayerRun(QImage& Target, int From, int To);
    // The background into Target (false when Target or BackBmp do not fit),
    // and layers From .. To - 1 onto it (false when an effect pass failed).
    bool composeBackground(QImage& Target);
    bool composeLayers(QImage& Target, int From, int To);
    bool redrawWithCache();
    void drawLayerPixelsWithCoverage(QImage& Target, const TlxLayer& Layer);
    void applyAutoSize(int Width, int Height);
    bool buildOutlinePoints();
    // Slots in use: LayersCount, never more than the slots that exist.
    int layersInUse() const { return std::clamp(LayersCount, 0, MaxLayers); }
    // Writes the design file piece by piece through Sink, which returns
    // false when it cannot take a piece.
    bool writeDesign(const std::function<bool(const QByteArray&)>& Sink);

    std::minstd_rand DissolveRng{0x5eed};

    // ReDraw's composite of the bottom layers and the prints it is checked
    // against (compose/compose_cache.h); made on the first ReDraw.
    struct ComposeCache;
    std::unique_ptr<ComposeCache> composeCache_;
    void releaseComposeCache();
    uint64_t blendTablesGeneration_ = 0;
};

// The fields a layer the engine creates starts with: at (0, 0), opaque,
// normal mode, visible, no mask, not text, state 0, no name. Its pictures,
// text style, host data and style are left to the caller.
void InitNewLayer(TlxLayer& Layer);

// Copies everything a slot holds from Source into Target: name, position,
// opacity, mode, text, mask, host data, visibility, state, pictures and style.
// Pictures are shared until written, so this costs no pixel copies.
void CopyLayerContents(TlxLayer& Target, const TlxLayer& Source);
// Empties a slot that no longer holds a layer: pictures and mask freed,
// every field back to its starting value.
void ClearLayerContents(TlxLayer& Layer);

// An 8-bit grey picture (level = byte) of the given size, zero-filled;
// a null image when it cannot be allocated.
QImage CreateGrayBitmap(int Width, int Height);

// Draws the transparency checkerboard: 16-pixel squares, 192 at the
// top-left corner, alternating with 255.
void DrawChecker(QImage& Grey);
