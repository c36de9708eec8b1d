#pragma once

// The program's built-in pictures, generated at build time from drawing code
// and embedded as resources.

#include <QCursor>
#include <QImage>
#include <QString>

namespace velmo {

// Shape masks of the canvas templates, 8-bit grey (Format_Grayscale8):
// 30001 pentagon with rounded points (2244 x 2244), 30002 heart
// (1498 x 1496), 30003 circle (3393 x 3391), all white inside and black
// outside; 30004 pentagon (2244 x 2244) and 30005 heart (1024 x 1024)
// inverted, black inside. Null for any other id.
QImage ShapeMask(int Id);
// The 128 x 128 template thumbnails (Format_RGB32): "Ellimg" circle,
// "HeartImg" heart, "wjximg" pentagon and "NoImg" the placeholder for a
// missing picture. Null for any other name.
QImage TemplateThumbnail(const QString& Name);
// The thumbnail Name drawn for a screen of DevicePixelRatio device pixels
// per unit: 256 x 256 with a device pixel ratio of 2 above 1x, the 128 x 128
// picture otherwise. Null for an unknown name.
QImage TemplateThumbnail(const QString& Name, qreal DevicePixelRatio);
// Decoration pictures with straight alpha (Format_ARGB32): 102 (102 x 44)
// at the top right of the step-2 background, 103 (150 x 150) beside the
// layer list. Null for any other id.
QImage Decoration(int Id);
// Screen cursors: 101 magic wand, 102 pencil, 103 eraser, 104 placement,
// 32 x 32 with their hot spots on the tool's working point. The arrow cursor
// for any other id, and when no GUI application exists.
QCursor ProgramCursor(int Id);
// The mask list: rows 1 .. 31 are masks (resource ids 10000 + row).
inline constexpr int MaskCount = 31;
// Mask-list picture of row 1 .. 31 (Format_Grayscale8, white visible). Null otherwise.
QImage MaskPicture(int Row);
// Whether row Row's mask keeps its proportions when fitted to a layer (the heart rows
// 14, 15, 16 and 27 .. 31); all other rows are stretched.
bool MaskKeepsProportions(int Row);
// The 32 x 32 list icons: MaskIcon(Row) for rows 1 .. 31 is the mask stretched to
// 32 x 32 (Format_RGB32, the grey shown as is), scaled smoothly from MaskPicture;
// ListIcon("MskFile") the "From file..." row's folder with a picture,
// ListIcon("CusImg") the custom text effect row's sliders, ListIcon("Blank") a blank
// white icon (Format_ARGB32). For DevicePixelRatio > 1 each is 64 x 64 with a device
// pixel ratio of 2 (the two drawn icons redrawn at that size). Null for an unknown row
// or name.
QImage MaskIcon(int Row, qreal DevicePixelRatio = 1.0);
QImage ListIcon(const QString& Name, qreal DevicePixelRatio = 1.0);
// The crop dialog's tool buttons, 24 x 24 ("SelRect", "SelRoundRect",
// "SelEllipse", "SelLasso", "SelPolygon", "SelWand", "ViewZoom", "Revert",
// "Finish", "Cancel"), the 48-pixel picture with device pixel ratio 2 on
// dense screens. Null for any other name.
QImage ToolIcon(const QString& Name, qreal DevicePixelRatio = 1.0);
// The text-effect list: rows 1 .. 12 are the built-in effects (icon ids 20000 + row).
inline constexpr int TextEffectCount = 12;
// The 32 x 32 icon of text-effect row 1 .. 12 (Format_RGB32): the bold letters "Ab" in
// blue (40, 90, 200) on mid grey (150, 150, 150) with that row's effect, drawn by the
// engine at 64 x 64 and halved by area averaging. For DevicePixelRatio > 1 the 64 x 64
// sample itself with a device pixel ratio of 2. Null for any other row.
QImage TextEffectIcon(int Row, qreal DevicePixelRatio = 1.0);
// The folder of help pages "velmo.chm", beside the program in the build tree
// and in the data folder once installed (program_folders.h): "index.htm"
// (Simplified Chinese), "big5/index.htm" (Traditional Chinese),
// "english/index.htm", and the insert-text pages "intext.htm",
// "big5/intext.htm" and "english/intext.htm"; all UTF-8 HTML sharing
// "help.css". Empty when no application object exists.
QString HelpFolder();
// The application icon (Format_ARGB32, straight alpha): one rose balloon on
// its string, like decoration 103, on a transparent square of Size x Size
// for Size 48, 128 or 256 (the sizes installed for the desktop). Null for
// any other size.
QImage AppIcon(int Size);
// The layer style dialog's built-in patterns (Format_RGB32), seamless tiles:
// 31001 and 31002 128 x 128, 31003 16 x 16. Null for any other id.
QImage PatternTile(int Id);

} // namespace velmo
