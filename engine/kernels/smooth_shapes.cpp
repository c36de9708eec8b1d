// Anti-aliased shapes drawn straight into 8-bit coverage pictures: a line, an
// ellipse filling its picture and a rectangle with ellipse-quarter corners.
//
// Every step writes a pixel's level outright (nothing is blended with what
// was there), so the order of the steps below is part of the result; the
// code keeps it exactly and only leaves out work whose pixels a later step
// overwrites anyway.
//
// Notation used in the comments: N(x) rounds halves to even (RoundEven);
// Frac(x) = x - floor(x), always in 0..1.

#include "kernels/smooth_shapes.h"
#include "core/pixel_view.h"
#include "lxTypes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Format_Grayscale8 is the coverage layout: a level v is the byte v.
bool makeGrey(QImage& Target) {
    if (Target.isNull()) return false;
    if (Target.format() != QImage::Format_Grayscale8) Target.convertTo(QImage::Format_Grayscale8);
    return !Target.isNull() && Target.bits() != nullptr;
}

// ---- the line ----
//
// The line is walked along its longer axis ("along", one pixel per step) and
// covers two pixels across it per step, split by where the line crosses:
// the pixel it passes through gets 1 - Frac(across), the next one Frac(across).
// Each end column is weighted by how much of it the line covers.
//
// Whole-number parts are taken with floor, not by dropping the fraction
// towards zero: then Frac stays in 0..1 for negative coordinates too, every
// level stays in 0..255, and a line moved by whole pixels gives the same
// levels moved by the same pixels. For coordinates >= 0 both agree, except
// for the second end's X2 - 0.5 when X2 < 0.5, where truncation would give a
// weight above 1 and floor gives the weight the same end has one pixel on.
//
// Pixels outside the view are dropped. The walk visits only steps inside the
// view: when the first end lies before the view, the across position at the
// first visited step k0 is computed as y + g * (k0 - c) instead of summing g
// once per skipped step; when nothing is skipped (k0 = c + 1) that is the
// plain running sum y + g, then + g per step.
//
// Coordinates that are NaN or infinite draw nothing, and so does a line whose
// slope cannot be formed (both differences overflow).

// Steep lines swap the roles: "along" is y and the two pixels lie side by
// side in a row.
template <bool Steep> struct LineWriter {
    PixelView view;
    double alongSize() const { return Steep ? view.Height : view.Width; }
    double acrossSize() const { return Steep ? view.Width : view.Height; }

    // k and m are whole numbers held in doubles, so that far-away pixels are
    // rejected before any conversion to int.
    void put(double k, double m, int level) const {
        if (!(k >= 0.0 && k < alongSize() && m >= 0.0 && m < acrossSize())) return;
        const int ik = int(k);
        const int im = int(m);
        if (Steep)
            view.row(ik)[im] = uint8_t(level);
        else
            view.row(im)[ik] = uint8_t(level);
    }

    // The two pixels of step k, across position b, weight w of the step.
    void endPair(double k, double b, double w) const {
        const double m = std::floor(b);
        const double fr = b - m;
        put(k, m, RoundEven(255.0 * (1.0 - fr) * w));
        put(k, m + 1.0, RoundEven(255.0 * fr * w));
    }

    // a = along, b = across; the caller orders the ends so that a1 <= a2.
    void draw(double a1, double b1, double a2, double b2, double g) const {
        // First end: the step whose pixel holds a1 + 0.5; the line covers
        // 1 - Frac(a1 + 0.5) of it.
        const double t1 = a1 + 0.5;
        const double c1 = std::floor(t1);
        const double y1 = b1 + g * (c1 - a1);
        endPair(c1, y1, 1.0 - (t1 - c1));

        // Second end: 1 - Frac(a2 - 0.5) rather than Frac(a2 + 0.5), so that
        // both ends of a line of whole-number length get the same weight.
        const double c2 = std::floor(a2 + 0.5);
        const double y2 = b2 + g * (c2 - a2);
        const double u2 = a2 - 0.5;
        endPair(c2, y2, 1.0 - (u2 - std::floor(u2)));

        // Between the ends, only the steps inside the view.
        const double first = std::max(c1 + 1.0, 0.0);
        const double last = std::min(c2 - 1.0, alongSize() - 1.0);
        if (!(first <= last)) return;
        const int kFirst = int(first);
        const int kLast = int(last);
        const double across = acrossSize();
        double b = y1 + g * (first - c1);
        for (int k = kFirst; k <= kLast; ++k, b += g) {
            const double m = std::floor(b);
            if (m >= -1.0 && m < across) {
                const double fr = b - m;
                put(k, m, RoundEven(255.0 * (1.0 - fr)));
                put(k, m + 1.0, RoundEven(255.0 * fr));
            }
        }
    }
};

void drawLine(const PixelView& view, double X1, double Y1, double X2, double Y2) {
    if (!(std::isfinite(X1) && std::isfinite(Y1) && std::isfinite(X2) && std::isfinite(Y2))) return;
    const double dx = X2 - X1;
    const double dy = Y2 - Y1;
    if (std::fabs(dx) > std::fabs(dy)) {
        if (X1 > X2) {
            std::swap(X1, X2);
            std::swap(Y1, Y2);
        }
        const double g = (Y2 - Y1) / (X2 - X1);
        if (std::isnan(g)) return;
        LineWriter<false>{view}.draw(X1, Y1, X2, Y2, g);
    } else {
        if (Y1 > Y2) {
            std::swap(X1, X2);
            std::swap(Y1, Y2);
        }
        const double g = Y2 == Y1 ? 0.0 : (X2 - X1) / (Y2 - Y1);
        if (std::isnan(g)) return;
        LineWriter<true>{view}.draw(Y1, X1, Y2, X2, g);
    }
}

// ---- the ellipse ----
//
// Row i of a W x H ellipse is the chord r = 2 (W / H) sqrt((H/2)^2 - (i - H/2)^2)
// (the circle of radius H/2 widened by W / H), starting at f = (W - r) / 2.
// Its left edge is an anti-aliased piece of line ten pixels long from (f, i),
// followed by a solid run of N(r / 2) pixels from N(f + 5) towards the middle.
// Columns are drawn the same way with the axes exchanged. Rows alone leave
// gaps where the edge is steep, columns alone where it is flat: the longer
// axis is drawn first in full, then the other one from W div 6 on.
//
// Only the top-left quarter survives (it is mirrored over the rest), so the
// passes are drawn into that quarter alone: ceil(W / 2) x ceil(H / 2) pixels,
// which keeps the middle column and row of an odd size. Nothing outside it
// can land inside: a row's piece touches rows i and i + 1 only, a column's
// piece columns j and j + 1 only.

// The chord of line i across a side of length Side, the other side being
// Other; a square-root argument below 0 by rounding counts as 0.
double chord(int i, int Side, int Other) {
    const double half = Side / 2.0;
    const double arg = half * half - (i - half) * (i - half);
    return 2.0 * (double(Other) / double(Side)) * std::sqrt(std::max(arg, 0.0));
}

void drawEllipseRow(const PixelView& quarter, int i, int W, int H) {
    const double r = chord(i, H, W);
    const double f = (W - r) / 2.0;
    drawLine(quarter, f, i, f + 10.0, i);
    const qint64 start = RoundEven(f + 5.0);
    const qint64 end = std::min<qint64>(start + RoundEven(r / 2.0), quarter.Width);
    const qint64 from = std::max<qint64>(start, 0);
    if (from < end) std::memset(quarter.row(i) + from, 255, size_t(end - from));
}

// Columns j = First .. quarter.Width - 1. A column's piece touches columns j
// and j + 1, its run column j only, so a pixel of column j is written by
// piece j - 1, piece j and run j in that order whatever happens to other
// columns meanwhile: all pieces first (in column order), then all runs,
// gives the same pixels as finishing each column before the next, and lets
// the runs be laid down a row at a time instead of down the columns.
void drawEllipseColumns(const PixelView& quarter, int First, int W, int H) {
    if (First >= quarter.Width) return;
    const int n = quarter.Width - First;
    std::vector<int32_t> runStart(size_t(n), 0);
    std::vector<uint32_t> runLength(size_t(n), 0);
    int top = quarter.Height;
    int bottom = 0;
    for (int c = 0; c < n; ++c) {
        const int j = First + c;
        const double r = chord(j, W, H);
        const double f = (H - r) / 2.0;
        drawLine(quarter, j, f, j, f + 10.0);
        const qint64 start = RoundEven(f + 5.0);
        const qint64 end = std::min<qint64>(start + RoundEven(r / 2.0), quarter.Height);
        const qint64 from = std::max<qint64>(start, 0);
        if (from < end) {
            runStart[size_t(c)] = int32_t(from);
            runLength[size_t(c)] = uint32_t(end - from);
            top = std::min(top, int(from));
            bottom = std::max(bottom, int(end));
        }
    }
    // Column c covers row y when 0 <= y - start < length: one unsigned
    // comparison, which the compiler turns into whole-vector selects.
    const int32_t* starts = runStart.data();
    const uint32_t* lengths = runLength.data();
    for (int y = top; y < bottom; ++y) {
        uint8_t* row = quarter.row(y) + First;
        for (int c = 0; c < n; ++c)
            row[c] = uint32_t(y - starts[c]) < lengths[c] ? uint8_t(255) : row[c];
    }
}

// row[W - 1 - x] := row[x] for x < half. Eight bytes at a time: a byte swap
// of a 64-bit word reverses its bytes in memory whatever the byte order, and
// is one instruction on every processor this runs on.
void mirrorRow(uint8_t* row, int W, int half) {
    int x = 0;
    for (; x + 8 <= half; x += 8) {
        uint64_t word;
        std::memcpy(&word, row + x, 8);
        word = __builtin_bswap64(word);
        std::memcpy(row + (W - 8 - x), &word, 8);
    }
    for (; x < half; ++x)
        row[W - 1 - x] = row[x];
}

void drawEllipse(const PixelView& view) {
    const int W = view.Width;
    const int H = view.Height;
    if (W <= 0 || H <= 0) return;
    const PixelView quarter{view.Data, view.Stride, W - W / 2, H - H / 2};
    for (int y = 0; y < quarter.Height; ++y)
        std::memset(quarter.row(y), 0, size_t(quarter.Width));

    const int second = W / 6;
    if (W <= H) {
        for (int i = 0; i < quarter.Height; ++i)
            drawEllipseRow(quarter, i, W, H);
        drawEllipseColumns(quarter, second, W, H);
    } else {
        drawEllipseColumns(quarter, 0, W, H);
        for (int i = second; i < quarter.Height; ++i)
            drawEllipseRow(quarter, i, W, H);
    }

    // Right half: pixel W - 1 - x := pixel x for x < W div 2. Sources and
    // targets never overlap, so no copy is needed.
    const int half = W / 2;
    for (int y = 0; y < quarter.Height; ++y)
        mirrorRow(quarter.row(y), W, half);
    // Bottom half: row H - 1 - y := row y for y < H div 2.
    for (int y = 0; y < H / 2; ++y)
        std::memcpy(view.row(H - 1 - y), view.row(y), size_t(W));
}

// ---- the rounded rectangle's corners ----
//
// The corners are the four quarters of a smooth ellipse E of 2b x 2p. Along
// an axis where E is smaller than the box, a quarter is copied pixel for
// pixel one pixel outwards, so E's outermost line on each side falls outside
// the box and its first inner line lands on the box edge. Along an axis where
// E is not smaller, each half of E is shrunk by exact area averaging into the
// near half (from -1) or the far half (from Size div 2) of the box.
//
// An axis map lists, for each box position a half reaches, the E lines that
// cover it and their weights; the weights of a position add up to Divisor.

struct AxisTap {
    int dest;
    int first;       // first E line
    int count;       // E lines covering dest
    int weightIndex; // into AxisMap::weights
};

struct AxisMap {
    std::vector<AxisTap> taps;
    std::vector<qint64> weights;
    qint64 divisor = 1;
};

// E lines src .. src + count - 1 onto box positions dest .. dest + count - 1.
AxisMap pixelMap(int src, int count, qint64 dest, int size) {
    AxisMap map;
    map.weights.push_back(1);
    for (int e = 0; e < count; ++e) {
        const qint64 d = dest + e;
        if (d >= 0 && d < size) map.taps.push_back({int(d), src + e, 1, 0});
    }
    return map;
}

// E lines src .. src + length - 1 shrunk onto box positions dest .. dest + span - 1,
// span <= length. Measured in units of 1 / span of an E line, E line s covers
// [s span, (s + 1) span) and box position d covers [d length, (d + 1) length);
// a line's weight is the length of the overlap, so every position's weights
// add up to length and the average is exact in integers.
AxisMap areaMap(int src, int length, int dest, int span, int size) {
    AxisMap map;
    map.divisor = length;
    const qint64 L = length;
    const qint64 D = span;
    for (qint64 d = 0; d < D; ++d) {
        const qint64 pos = dest + d;
        if (pos < 0 || pos >= size) continue;
        const qint64 lo = d * L;
        const qint64 hi = (d + 1) * L;
        const qint64 s0 = lo / D;
        const qint64 s1 = (hi + D - 1) / D; // one past the last line
        map.taps.push_back({int(pos), int(src + s0), int(s1 - s0), int(map.weights.size())});
        for (qint64 s = s0; s < s1; ++s)
            map.weights.push_back(std::min((s + 1) * D, hi) - std::max(s * D, lo));
    }
    return map;
}

// One half of E along an axis: index 0 near, 1 far. E is 2 * half long,
// the box Size long.
AxisMap halfMap(int far, int half, int Size) {
    if (2 * qint64(half) < Size)
        return far ? pixelMap(half, half, qint64(Size) - half + 1, Size)
                   : pixelMap(0, half, -1, Size);
    const int nearSpan = Size / 2;
    return far ? areaMap(half, half, nearSpan, Size - nearSpan, Size)
               : areaMap(0, half, -1, nearSpan, Size);
}

// Target(x, y) := the average of E over the taps of x and y, rounded half up.
void copyQuarter(const PixelView& target, const ConstPixelView& E, const AxisMap& xs,
                 const AxisMap& ys, std::vector<qint64>& acc) {
    const qint64 divisor = xs.divisor * ys.divisor;
    acc.assign(xs.taps.size(), 0);
    for (const AxisTap& ty : ys.taps) {
        std::fill(acc.begin(), acc.end(), 0);
        for (int t = 0; t < ty.count; ++t) {
            const uint8_t* src = E.row(ty.first + t);
            const qint64 wy = ys.weights[size_t(ty.weightIndex + t)];
            for (size_t i = 0; i < xs.taps.size(); ++i) {
                const AxisTap& tx = xs.taps[i];
                const qint64* wx = xs.weights.data() + tx.weightIndex;
                qint64 sum = 0;
                for (int s = 0; s < tx.count; ++s)
                    sum += wx[s] * src[tx.first + s];
                acc[i] += wy * sum;
            }
        }
        uint8_t* dst = target.row(ty.dest);
        for (size_t i = 0; i < xs.taps.size(); ++i)
            dst[xs.taps[i].dest] = uint8_t((acc[i] + divisor / 2) / divisor);
    }
}

// Where the corner ellipse is stretched across the box, its near half ends
// at position Size div 2 - 2 and its far half starts at Size div 2: the line
// between them takes the mean of its two neighbours (rounded half up), or
// the far one's level where it has no near neighbour (a box of 2).
uint8_t middleLevel(const uint8_t* nearSide, const uint8_t* farSide) {
    return nearSide != nullptr ? uint8_t((*nearSide + *farSide + 1) / 2) : *farSide;
}

void fillMiddleColumn(const PixelView& view) {
    const int c = view.Width / 2 - 1;
    if (c < 0) return;
    for (int y = 0; y < view.Height; ++y) {
        uint8_t* row = view.row(y);
        row[c] = middleLevel(c > 0 ? row + c - 1 : nullptr, row + c + 1);
    }
}

void fillMiddleRow(const PixelView& view) {
    const int r = view.Height / 2 - 1;
    if (r < 0) return;
    const uint8_t* nearRow = r > 0 ? view.row(r - 1) : nullptr;
    const uint8_t* farRow = view.row(r + 1);
    uint8_t* row = view.row(r);
    for (int x = 0; x < view.Width; ++x)
        row[x] = middleLevel(nearRow != nullptr ? nearRow + x : nullptr, farRow + x);
}

} // namespace

namespace lx {

void drawSmoothLine(QImage& Target, double X1, double Y1, double X2, double Y2) {
    if (!makeGrey(Target)) return;
    drawLine(viewOf(Target), X1, Y1, X2, Y2);
}

void drawSmoothEllipse(QImage& Target) {
    if (!makeGrey(Target)) return;
    drawEllipse(viewOf(Target));
}

// Each corner size is rounded up to an even number: b = Int(CornerWidth / 2 + 0.5),
// p likewise, and the corner ellipse E is 2b x 2p. A corner size below 0
// counts as 0 (square corners). Along an axis where E is not smaller than
// the box, E is made no longer than twice the box: shrinking a longer
// ellipse onto the box gives the same shape and would only cost memory.
void drawSmoothRoundRect(int CornerWidth, int CornerHeight, QImage& Target) {
    if (!makeGrey(Target)) return;
    const PixelView view = viewOf(Target);
    const int W = view.Width;
    const int H = view.Height;
    qint64 b = (qint64(std::max(CornerWidth, 0)) + 1) / 2;
    qint64 p = (qint64(std::max(CornerHeight, 0)) + 1) / 2;
    if (2 * b >= W && 2 * p >= H) {
        drawEllipse(view);
        return;
    }
    if (2 * b >= W) b = std::min<qint64>(b, W);
    if (2 * p >= H) p = std::min<qint64>(p, H);

    for (int y = 0; y < H; ++y)
        std::memset(view.row(y), 255, size_t(W));
    if (b == 0 || p == 0) return;

    const int ew = int(2 * b);
    const int eh = int(2 * p);
    std::vector<uint8_t> pixels(size_t(ew) * size_t(eh));
    const PixelView E{pixels.data(), ew, ew, eh};
    drawEllipse(E);

    const ConstPixelView source{E.Data, E.Stride, E.Width, E.Height};
    std::vector<qint64> acc;
    for (int q = 0; q < 4; ++q) // left-top, right-top, left-bottom, right-bottom
        copyQuarter(view, source, halfMap(q & 1, int(b), W), halfMap(q >> 1, int(p), H), acc);
    if (2 * b >= W)
        fillMiddleColumn(view);
    else if (2 * p >= H)
        fillMiddleRow(view);
}

} // namespace lx
