#pragma once

// The geometry of direct manipulation on the step-2 canvas, free of widgets:
// the eight handles around the selected layer, which handle the mouse is on,
// the rectangle a handle drag gives, and snapping to guides.

#include "lxTypes.h"

#include <QRect>

#include <array>

struct TGuideList;

// Handles 0..7 clockwise from the top-left corner: corners 0, 2, 4, 6, edge
// middles 1, 3, 5, 7 (integer halves of the size, truncated).
using TSelectionHandles = std::array<TlxPoint, 8>;
TSelectionHandles HandlesOf(int Left, int Top, int Width, int Height);

// The first handle whose point (in the same coordinates as X, Y) lies within
// Reach of it in both directions, else -1 (a move).
int HandleAt(const TSelectionHandles& Handles, int X, int Y, int Reach = 2);

// The cursor shape a handle shows while hovered.
Qt::CursorShape HandleCursor(int Handle);

// Layers snap to guides within this many image pixels.
constexpr int GuideSnapDistance = 16;

// A layer of size W x H moved to (Left, Top) in image pixels, snapped: for
// each vertical guide gx in order, a left edge within reach of gx goes onto
// it, else a right edge within reach puts the left at gx - W; horizontal
// guides do the same for the top and bottom. A later guide can override an
// earlier snap.
TlxPoint SnapMovedLayer(const TGuideList& Guides, int Left, int Top, int W, int H);
// A point snapped to any guide within reach, per axis.
TlxPoint SnapPoint(const TGuideList& Guides, int X, int Y);

// The rectangle (x, y, w, h) a drag of Handle to (X, Y) gives a layer whose
// handle 0 is at X0, Y0 and handle 4 at X4, Y4. With KeepRatio, corner
// handles keep Ratio = width / height: handles 0 and 2 move the top, 4 and 6
// the bottom, to fit the new width. The result may have a width or height
// of zero or less; such a resize is not performed.
QRect HandleDragRect(int Handle, int X, int Y, int X0, int Y0, int X4, int Y4, bool KeepRatio,
                     double Ratio);
