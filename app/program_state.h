#pragma once

// The values the whole program shares. The main window owns one and hands
// it by reference to the steps that read or change it.

#include "lxTypes.h"

#include <QString>

#include <array>
#include <cstdint>

// The guides of the design: up to 101 (x, y) pairs in image pixels; a guide
// with x other than 0 is a vertical line at x, else a horizontal one at y.
struct TGuideList {
    static constexpr int MaxGuides = 101;
    std::array<TlxPoint, MaxGuides> Items{};
    int Count = 0;

    // A canvas always has its two centre guides: with fewer than two guides
    // there become two, and when there are then exactly two they are put on
    // the canvas's centre lines, x = Width div 2 and y = Height div 2. A
    // third guide means the user has placed guides, and none of them moves.
    void PlaceCentreGuides(int Width, int Height);
};

struct TProgramState {
    // Canvas size last accepted in step 1.
    double CanvasWidthCm = 19;
    double CanvasHeightCm = 19;
    TGuideList Guides;
    // The design file the document was last opened from or saved to; empty
    // for a design never saved. The file commands keep it.
    QString CurrentFileName;
    // The document changed since it was last opened, saved or made new; the
    // close query and printing ask to save while it is set.
    bool Modified = false;
    // 1 while the selected text layer is being edited again, 0 while a new
    // one is being made (the freehand dialog leaves the old text out of its
    // background).
    uint8_t TextReEdit = 0;
};
