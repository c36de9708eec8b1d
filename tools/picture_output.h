#pragma once

// Flat pictures written by velmo-cli render: encoded in memory first, so a
// failed encode never leaves a half-written file.

#include "cli_arguments.h"

#include <QByteArray>
#include <QImage>

namespace cli {

// JPEG quality of exported pictures, the same as the program's export.
constexpr int JpegQuality = 90;

// The composed display picture (24-bit, blue-green-red bytes) as PNG, as a
// 24-bit Windows bitmap or as JPEG. Empty on failure.
QByteArray encodeComposed(const QImage& Picture, PictureFormat Format);

// A 32-bit picture whose fourth byte is straight (not premultiplied)
// coverage, as PNG with an alpha channel. Empty on failure.
QByteArray encodeWithCoverage(const QImage& Picture);

} // namespace cli
