#pragma once

// The gradient definitions file "Colors.ini": the gradients the user can
// pick for the gradient overlay and the gradient stroke, and the ones the
// gradient editor adds.
//
// Section "Application" key "Count" is the number N of definitions; the
// sections "1" .. "N" each hold "Count" (n stops) and per stop k = 1 .. n
// "Color"k (a colour 0x00BBGGRR) and "Length"k (the segment's share of the
// width times 10000; the last one is not used). Values are integer literals:
// decimal, or hexadecimal after "$"; names match without regard to case; a
// missing key reads 0.
//
// The file is outside data. It is read once per call, at most
// GradientFileReadLimit bytes of it, and never more than
// MaxGradientDefinitions definitions of at most MaxGradientStops stops are
// taken from it, so neither a huge file nor absurd counts cost more than a
// moment.

#include "lxLayerStyle.h"

#include <QString>

#include <vector>

using TGradientList = std::vector<TColorlistSrcd>;

// The most definitions read; later ones are left out.
constexpr int MaxGradientDefinitions = 1000;
// The most stops of one definition: the editor's two ends and 50 stops
// between them. Stops past it are left out.
constexpr int MaxGradientStops = 52;
// The part of the file that is read; what lies past it is not seen.
constexpr qint64 GradientFileReadLimit = 16 * 1024 * 1024;

// "Colors.ini" in the user's own data folder.
QString GradientFileName();

// Writes the default definitions to FileName when nothing is there,
// creating its folder. A symbolic link in the file's place is never written
// through (false, the link and its target unchanged), nor is anything else
// that is not a regular file. True when a regular file is there afterwards.
bool EnsureGradientFile(const QString& FileName);

// The definitions of FileName in section order, entry d - 1 for section d,
// so that a definition's place in the list always names its section. Every
// entry is usable by the renderers:
// - a definition with fewer than 2 stops is read as 2 stops (the missing
//   keys read 0, so a lone stop ends in black and an empty one is black);
// - one with more than MaxGradientStops keeps its first MaxGradientStops;
// - each length is clamped to 0 .. 10000 and the segments are cut where
//   their running total reaches 10000, so no stop lies past the right end.
// An empty list when the file is missing or unreadable or N is not
// positive; at most MaxGradientDefinitions entries.
TGradientList LoadGradientDefinitions(const QString& FileName);

// The first section t (1-based, t <= N) whose "Count" is the number of
// Stops and whose colours and lengths equal theirs: every "Color"k, and
// every "Length"k but the last one, compared with the stop's Length times
// 10000 rounded as AppendGradientDefinition writes it. 0 when none matches
// or the file cannot be read.
int FindGradientDefinition(const QString& FileName, const TColorlistSrcd& Stops);

// Adds Stops as section N + 1 (colours in decimal, lengths times 10000
// rounded half to even) and sets "Count" of "Application" to N + 1; a
// negative N counts as 0. The new file is written beside the old one and
// replaces it only when complete; every line that was there stays (a
// section N + 1 already there is kept below the new one, which is read
// first), except the old "Count" of "Application". False, with the file
// unchanged, when Stops has fewer than 2 or more than MaxGradientStops
// stops, N is already MaxGradientDefinitions or more, the file is larger
// than GradientFileReadLimit (the new definition could never be read back),
// a symbolic link or anything but a regular file is in its place, or it
// cannot be read or written.
bool AppendGradientDefinition(const QString& FileName, const TColorlistSrcd& Stops);

// Stops reduced to at most MaxStops stops (2 at least) for a layer that
// holds no more: the first and the last stop stay, and while there are too
// many, the stop between them whose removal changes the ramp least is
// dropped. That is the one whose colour lies closest to the straight ramp
// between its neighbours, weighted by the width the change spans: the area
// between the ramps, summed over red, green and blue. Ties go to the
// leftmost stop. The stops that stay keep their places; the lengths are
// recomputed from them. Stops with no more than MaxStops stops come back
// as they are (Count set to the number of stops).
TColorlistSrcd FitGradientStops(const TColorlistSrcd& Stops, int MaxStops);
