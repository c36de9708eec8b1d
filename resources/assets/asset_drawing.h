#pragma once

// Drawing code of the small pictures; the build's asset generator calls these
// and writes the results as PNG files. Each returns a picture of the size the
// asset table gives, or a null image for an id or name not in that table.

#include <QImage>
#include <QString>

namespace velmo::assets {

// A 128 x 128 template thumbnail (Format_RGB32): the shape in a soft balloon
// colour on white, or the neutral "no picture" mark for "NoImg"; Scale times
// as many pixels each way for screens of that many pixels per unit.
QImage drawThumbnail(const QString& Name, int Scale = 1);

// A decoration (Format_ARGB32, straight alpha) on a transparent background.
QImage drawDecoration(int Id);

// The application icon (Format_ARGB32, straight alpha), Size x Size.
QImage drawAppIcon(int Size);

// A 32 x 32 cursor (Format_ARGB32, straight alpha).
QImage drawCursor(int Id);

// The mask list's picture of row Row (Format_Grayscale8, white visible).
QImage drawMask(int Row);

// A list icon, "MskFile" or "CusImg" (Format_ARGB32, straight alpha),
// 32 x 32 times Scale.
QImage drawListIcon(const QString& Name, int Scale = 1);

// A crop dialog tool button's picture (Format_ARGB32, straight alpha),
// 24 x 24 times Scale; null for a name not in the table.
QImage drawToolIcon(const QString& Name, int Scale = 1);

// A built-in pattern tile (Format_RGB32) of the size the table gives.
QImage drawPattern(int Id);

} // namespace velmo::assets
