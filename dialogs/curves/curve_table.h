#pragma once

// A tone curve as data: the 256-entry table of a curve's control points and
// the polyline laid through them, and the curve preset file (".cve") that
// stores one curve.
//
// Control points live in the 256 x 256 editing square: X is the input level,
// Y = 255 - output level (0 at the top).

#include "lxImage.h"
#include "lxLayerStyle.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <vector>

using CurveTable = TlxImage::CurveTable;

// The identity: every level maps to itself.
CurveTable IdentityCurveTable();

// The table of a curve through Points (sorted by X) along Polyline, the
// polyline the curve plug-in laid through them (ignored for exactly two
// points, where the curve is the straight segment between them):
// - levels up to the first point's X give its output, levels from the last
//   point's X on give the last point's output;
// - each polyline segment (xa, ya)-(xb, yb) gives levels xa..xb the output
//   255 - N((i - xa) / (xb - xa) * (yb - ya) + ya), with N rounding halves to
//   even, or 255 - (ya + yb) div 2 for a vertical segment, Y clamped to
//   0..255 and levels outside 0..255 skipped;
// - finally each control point's own level gets exactly its output.
// Levels nothing reaches (a broken polyline) keep their identity value.
// Fewer than two points give the identity.
CurveTable BuildCurveTable(const std::vector<TlxContourPoint>& Points,
                           const std::vector<TlxPoint>& Polyline);

// The polyline of a two-point curve: 256 points (i, y) for i = 0..255, y the
// first point's Y up to its X, the last point's Y from the last X on, and
// N((i - X0) / (X1 - X0) * (Y1 - Y0) + Y0) between them.
std::vector<TlxPoint> StraightCurvePolyline(const TlxContourPoint& First,
                                            const TlxContourPoint& Last);

// True when Points make a curve the editor accepts: 2 or more points, every
// coordinate in 0..255, X strictly rising.
bool CurvePointsUsable(const std::vector<TlxContourPoint>& Points);

// One curve as a preset file holds it.
struct TCurvePreset {
    static constexpr int MaxPoints = 101;
    static constexpr int FileSize = 1074;
    std::vector<TlxContourPoint> Points; // 2..MaxPoints, usable as above
    CurveTable Table{};                  // the table of the channel shown when saved
};

// Why preset bytes were refused.
enum class TCurvePresetFault {
    None,
    NotThisKind, // wrong size, name or version
    BadPoints,   // point count outside 2..101, or points that make no curve
};

// The 1074 bytes of Preset, little-endian: name length 3, "CVE", version
// 256, the point count, 101 points (X, Y) of signed 32-bit values with the
// unused ones 0, the table. Empty when the preset's points are not usable.
QByteArray EncodeCurvePreset(const TCurvePreset& Preset);
// Reads preset bytes; Preset is changed only when the result is None.
TCurvePresetFault DecodeCurvePreset(const QByteArray& Bytes, TCurvePreset& Preset);

// Reads the preset file FileName. False, with Preset untouched and a message
// for the user (naming the preset by Name) in *Error, when the file cannot be
// read or is not a usable preset.
bool ReadCurvePreset(const QString& FileName, const QString& Name, TCurvePreset& Preset,
                     QString* Error);
// Writes Preset to FileName. An existing file is replaced only once the new
// one is complete; a symbolic link at FileName is never written through.
// False, with a message for the user in *Error, when nothing was written.
bool WriteCurvePreset(const QString& FileName, const QString& Name, const TCurvePreset& Preset,
                      QString* Error);
