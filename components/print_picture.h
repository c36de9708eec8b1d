#pragma once

// The flat pictures of a design that leave the program: the picture step 3
// prints and the bitmap and JPEG exports write, and the picture with its
// outside transparent. They need no widgets, so the command-line tool makes
// the same ones.

#include <QImage>
#include <QPoint>

class QPainter;

class TlxImage;

// The picture step 3 prints: every visible layer composed (with coverage,
// over the background colour) into a 24-bit picture of the canvas. When the
// background carries the canvas shape as its mask, the shape does not cut
// the composition; instead everything outside it turns white, and its soft
// edge in proportion: each channel becomes round((1 - a) * 255 + a * value)
// with a = the mask's red / 255. False, with Target unchanged, on failure.
bool MakePrintBitmap(TlxImage& Doc, QImage& Target);

// The design with what lies outside it transparent (Format_ARGB32, straight
// alpha): the composition's coverage, times the canvas shape's mask / 255
// (rounded) when the background carries one. False, with Target unchanged,
// on failure.
bool MakeTransparentPicture(TlxImage& Doc, QImage& Target);

// Draws Picture with its top-left corner at At, one band of rows after the
// other, each band a few megabytes: a paint engine that converts what it is
// given (the PDF engine of print jobs does) then converts a band at a time
// instead of a second copy of a picture that can be gigabytes at printer
// resolution. The bands meet exactly, dot for dot.
void DrawInBands(QPainter& Painter, QPoint At, const QImage& Picture);
