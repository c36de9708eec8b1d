#pragma once

// The pixel work behind selections: region and polygon fills on 8-bit
// coverage, the supersampled polygon with its block average, the magic
// wand's matching, flood fill and edge softening, and the per-pixel
// formulas of erasing and cropping.

#include "core/pixel_view.h"
#include "lxImage.h"

#include <cstdint>
#include <vector>

namespace lx {

// A selection the operations can use: the host says there is one and its
// bitmap is 8-bit coverage.
inline bool selectionExists(const TlxImage& Image) {
    return Image.HasSelection && !Image.SelBitmap.isNull() &&
           Image.SelBitmap.format() == QImage::Format_Grayscale8;
}

// Shape coordinates are kept within this distance of the origin before they
// are rasterised, so that every product below fits its integer type. The
// bound lies thousands of picture sides away from any picture the engine
// makes; only a shape with a point beyond it is drawn differently.
constexpr int64_t kShapeCoordLimit = int64_t(1) << 26;

struct Vertex {
    int64_t X = 0;
    int64_t Y = 0;
};

// Coverage rules of every fill: pixel (x, y) is filled when its centre
// (x + 0.5, y + 0.5) lies inside the shape. A rectangle from (x0, y0) to
// (x1, y1) therefore covers columns x0 .. x1 - 1 and rows y0 .. y1 - 1.
// Fills write 255 and clip to the target.

// The rectangle between two corners given in either order.
void fillRectangle(const PixelView& Target, int64_t X0, int64_t Y0, int64_t X1, int64_t Y1);

// The rounded rectangle of a box whose corners are quarters of a
// CornerWidth x CornerHeight ellipse (each limited to the box; 0 or less
// gives the plain rectangle). A pixel centre on the ellipse itself is
// outside. The box's own ellipse is the case of corners as large as the box.
void fillRoundRectRegion(const PixelView& Target, int64_t X0, int64_t Y0, int64_t X1, int64_t Y1,
                         int64_t CornerWidth, int64_t CornerHeight);
void fillEllipseRegion(const PixelView& Target, int64_t X0, int64_t Y0, int64_t X1, int64_t Y1);

// Crossings of a closed polygon with the pixel-centre line of each row,
// for the even-odd (alternate) rule: row y is inside from crossing 0 up to
// crossing 1, from crossing 2 up to crossing 3, and so on. Each crossing is
// the first column whose centre lies at or right of the edge. Rows are
// asked for in increasing order.
class PolygonRows {
public:
    PolygonRows(const std::vector<Vertex>& Vertices, int64_t FirstRow, int64_t EndRow);
    PolygonRows(const PolygonRows&) = delete; // the active list points into the edges
    PolygonRows& operator=(const PolygonRows&) = delete;
    const std::vector<int64_t>& crossings(int64_t Row);
    // The rows any edge reaches, within the rows asked for at construction.
    int64_t firstRow() const { return first_; }
    int64_t endRow() const { return end_; }

private:
    struct Edge {
        int64_t FirstRow, EndRow; // rows whose centre lies within the edge's height
        int64_t X0, Y0, Dx, Dy;   // from its upper end, Dy > 0
    };
    std::vector<Edge> edges_; // by first row
    std::vector<const Edge*> active_;
    std::vector<int64_t> xs_;
    size_t next_ = 0;
    int64_t first_ = 0, end_ = 0;
};

// The polygon filled with 255 (even-odd rule).
void fillPolygon(const PixelView& Target, const std::vector<Vertex>& Vertices);

// The polygon filled at Factor times the size and reduced back by averaging
// Factor x Factor blocks (Factor 2..4): each pixel becomes
// 255 * covered subpixels div Factor², the integer average of the big
// picture's block. Scaled are the vertices already multiplied by Factor.
// The big picture is never made: each row counts its subpixels directly.
void fillPolygonReduced(const PixelView& Target, const std::vector<Vertex>& Scaled, int Factor);

// Magic wand: Marks gets 128 where a pixel matches the reference, else 0.
// Colour matches when each of blue, green and red differs by at most
// Tolerance; a level when it differs by at most Tolerance.
void markMatchingColours(const ConstPixelView& Colour, const PixelView& Marks, const uint8_t* Ref,
                         int Tolerance);
void markMatchingLevels(const ConstPixelView& Levels, const PixelView& Marks, uint8_t Ref,
                        int Tolerance);
// The row kernels behind markMatchingColours: Low and High are the blue,
// green and red bounds. Every version this processor runs, plain first;
// all give the same bytes.
using ColourMarkRowFn = void (*)(const uint8_t* Src, uint8_t* Dst, int Width, const uint8_t* Low,
                                 const uint8_t* High);
struct NamedColourMarkRow {
    const char* Name;
    ColourMarkRowFn Fn;
};
std::vector<NamedColourMarkRow> colourMarkRowKernels();
// Whether every level matches (then the level's connected area is all).
bool allLevelsMatch(const ConstPixelView& Levels, uint8_t Ref, int Tolerance);

// Fills the 4-connected area of 128 that holds (X, Y) with 255. Uses a heap
// stack of row runs, so the area's size does not limit it.
void floodFillMarks(const PixelView& Marks, int X, int Y);

// Softens the edge of a wand selection: Source is the unsmoothed selection,
// Target (the same size, holding the same bytes) receives the rewritten
// neighbours of every 255 pixel off the border.
void softenSelectionEdges(const ConstPixelView& Source, const PixelView& Target);

// Bounds of a selection: the smallest and largest column and row of a
// non-zero level, the bitmap's last row and column included. Without any
// such level Max is (0, 0) and Min (width, height).
void selectionBounds(const ConstPixelView& Selection, TlxPoint& Max, TlxPoint& Min);

// Erasing under selection level S: the nearest integer to (1 - S / 255) * A.
// The exact value (255 - S) * A / 255 never ends in one half (twice it is
// an integer over the odd 255), so rounding it up from the half below needs
// no tie rule: floor((2 * (255 - S) * A + 255) / 510).
inline uint8_t erasedCoverage(uint8_t S, uint8_t A) {
    return uint8_t((2 * (255 - S) * A + 255) / 510);
}

// Cropping under selection level S (c = S / 255): coverage A becomes the
// nearest integer to A * c, a colour channel the nearest integer to
// Channel * c + (1 - c) * Back. Both exact values are integers over 255,
// never a half, and round the same way as above.
inline uint8_t croppedCoverage(uint8_t S, uint8_t A) {
    return uint8_t((2 * S * A + 255) / 510);
}
inline uint8_t croppedChannel(uint8_t S, uint8_t Channel, uint8_t Back) {
    return uint8_t((2 * (S * Channel + (255 - S) * Back) + 255) / 510);
}

} // namespace lx
