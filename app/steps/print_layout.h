#pragma once

// The geometry of step 3, without widgets or a printer: the page preview,
// the offsets in printer dots and centimetres, centring, and where the
// picture lands on the printed page. The design has 100 pixels per inch;
// the printer has its own resolution, the same on both axes.

#include "lxPrint.h"
#include "print_picture.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

// Centimetres to printer dots, halves to even; and back as the edits show
// it.
int DotsFromCm(double Cm, int Dpi);
QString CmFromDots(int Dots, int Dpi);

// The picture's printed size in dots: round(pixels * dpi / 100) per axis.
QSize PrintedSize(QSize Picture, int Dpi);

// The page drawn in the Available space: the panel keeps the page's
// proportions and fills the limiting side, centred with an 8-pixel margin;
// its shadow lies 16 pixels right and down; PreviewScale is printer dots per
// preview pixel; Picture is the printed picture's size on the panel.
struct TPagePreview {
    QRect Panel;
    QRect Shadow;
    double PreviewScale = 1;
    QSize Picture;
};
TPagePreview PagePreview(const TPrinterMetrics& Printer, QSize Available, QSize Picture);

// The offset that centres the picture along one axis of the page, as the
// layout places it: round(page - dpi / 100 * pixels) div 2.
int CentredOffset(int PageDots, int PicturePixels, int Dpi);
// The offset a centring box sets when it is ticked:
// page div 2 - round(pixels * dpi / 100) div 2.
int CentreWhenTicked(int PageDots, int PicturePixels, int Dpi);

// Where the picture is drawn on the printer from the offsets typed in
// centimetres: round(Trunc(cm * dpi / 2.54 + 0.5)) per axis, then 0.2 cm
// higher and 0.05 cm further right. Nothing when either text is not a
// number.
std::optional<QPoint> PrintOrigin(const QString& XCm, const QString& YCm, int Dpi);
