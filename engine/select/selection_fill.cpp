// Region and polygon fills on 8-bit coverage, and the magic wand's matching,
// flood fill and edge softening.

#include "core/cpu_features.h"
#include "select/selection_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lx {

namespace {

// Integer division rounding up or down, for any sign of the dividend and a
// positive divisor.
int64_t ceilDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Fills columns First .. Last (inclusive) of a row, clipped to the width.
void fillSpan(uint8_t* row, int width, int64_t first, int64_t last) {
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, int64_t(width) - 1);
    if (first <= last) std::memset(row + first, 255, size_t(last - first + 1));
}

} // namespace

void fillRectangle(const PixelView& Target, int64_t X0, int64_t Y0, int64_t X1, int64_t Y1) {
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
    const int64_t y0 = std::max<int64_t>(Y0, 0), y1 = std::min<int64_t>(Y1, Target.Height);
    for (int64_t y = y0; y < y1; ++y)
        fillSpan(Target.row(int(y)), Target.Width, X0, X1 - 1);
}

void fillRoundRectRegion(const PixelView& Target, int64_t X0, int64_t Y0, int64_t X1, int64_t Y1,
                         int64_t CornerWidth, int64_t CornerHeight) {
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
    const int64_t w = X1 - X0, h = Y1 - Y0;
    if (w == 0 || h == 0) return;
    const int64_t cw = std::clamp<int64_t>(CornerWidth, 0, w);
    const int64_t ch = std::clamp<int64_t>(CornerHeight, 0, h);
    if (cw == 0 || ch == 0) {
        fillRectangle(Target, X0, Y0, X1, Y1);
        return;
    }
    // Doubled coordinates keep everything whole: the centre of column x is
    // 2x + 1, the corner ellipses have semi-axes cw and ch and their centres
    // lie cw, ch inside the box's doubled edges. Between the centres of the
    // left and right corner ellipses a row is filled outright; beyond them a
    // pixel centre at horizontal distance d from the nearer centre is inside
    // when (d / cw)² + (dy / ch)² < 1, that is d² ch² < cw² (ch² - dy²).
    const int64_t leftCx = 2 * X0 + cw, rightCx = 2 * X1 - cw;
    const int64_t topCy = 2 * Y0 + ch, bottomCy = 2 * Y1 - ch;
    const __int128 cw2 = __int128(cw) * cw, ch2 = __int128(ch) * ch;
    const int64_t y0 = std::max<int64_t>(Y0, 0), y1 = std::min<int64_t>(Y1, Target.Height);
    for (int64_t y = y0; y < y1; ++y) {
        const int64_t yc = 2 * y + 1;
        const int64_t dy = yc < topCy ? topCy - yc : yc > bottomCy ? yc - bottomCy : 0;
        if (dy >= ch) continue;
        const __int128 limit = cw2 * (ch2 - __int128(dy) * dy);
        // The square root gives the largest d to within one; exact
        // comparisons settle it.
        const long double ratio = static_cast<long double>(dy) / static_cast<long double>(ch);
        int64_t d = int64_t(static_cast<long double>(cw) * std::sqrt(1.0L - ratio * ratio));
        d = std::clamp<int64_t>(d, 0, cw);
        while (__int128(d + 1) * (d + 1) * ch2 < limit)
            ++d;
        while (d > 0 && __int128(d) * d * ch2 >= limit)
            --d;
        // Centres 2x + 1 from leftCx - d to rightCx + d.
        fillSpan(Target.row(int(y)), Target.Width, ceilDiv(leftCx - d - 1, 2),
                 floorDiv(rightCx + d - 1, 2));
    }
}

void fillEllipseRegion(const PixelView& Target, int64_t X0, int64_t Y0, int64_t X1, int64_t Y1) {
    fillRoundRectRegion(Target, X0, Y0, X1, Y1, std::abs(X1 - X0), std::abs(Y1 - Y0));
}

PolygonRows::PolygonRows(const std::vector<Vertex>& Vertices, int64_t FirstRow, int64_t EndRow) {
    const size_t n = Vertices.size();
    first_ = EndRow;
    end_ = FirstRow;
    edges_.reserve(n);
    for (size_t i = 0; i < n && n >= 2; ++i) {
        Vertex a = Vertices[i], b = Vertices[i + 1 == n ? 0 : i + 1];
        if (a.Y == b.Y) continue; // a level edge crosses no row centre
        if (a.Y > b.Y) std::swap(a, b);
        // Row y's centre y + 0.5 lies within [a.Y, b.Y) exactly for the rows
        // a.Y .. b.Y - 1: each crossing is counted once where edges meet.
        const int64_t r0 = std::max(a.Y, FirstRow), r1 = std::min(b.Y, EndRow);
        if (r0 >= r1) continue;
        edges_.push_back({r0, r1, a.X, a.Y, b.X - a.X, b.Y - a.Y});
        first_ = std::min(first_, r0);
        end_ = std::max(end_, r1);
    }
    if (edges_.empty()) first_ = end_ = FirstRow;
    std::sort(edges_.begin(), edges_.end(),
              [](const Edge& l, const Edge& r) { return l.FirstRow < r.FirstRow; });
}

const std::vector<int64_t>& PolygonRows::crossings(int64_t Row) {
    std::erase_if(active_, [Row](const Edge* e) { return e->EndRow <= Row; });
    for (; next_ < edges_.size() && edges_[next_].FirstRow <= Row; ++next_)
        if (edges_[next_].EndRow > Row) active_.push_back(&edges_[next_]);
    xs_.clear();
    for (const Edge* e : active_) {
        // The edge meets the centre line at x = X0 + (Row + 0.5 - Y0) Dx / Dy;
        // the first column whose centre is at or right of it is
        // ceil(x - 0.5) = ceil(((2 (Row - Y0) + 1) Dx + (2 X0 - 1) Dy) / (2 Dy)).
        // With coordinates within 2^28 each product stays below 2^60.
        const int64_t num = (2 * (Row - e->Y0) + 1) * e->Dx + (2 * e->X0 - 1) * e->Dy;
        xs_.push_back(ceilDiv(num, 2 * e->Dy));
    }
    std::sort(xs_.begin(), xs_.end());
    return xs_;
}

void fillPolygon(const PixelView& Target, const std::vector<Vertex>& Vertices) {
    PolygonRows rows(Vertices, 0, Target.Height);
    for (int64_t y = rows.firstRow(); y < rows.endRow(); ++y) {
        const std::vector<int64_t>& xs = rows.crossings(y);
        uint8_t* row = Target.row(int(y));
        for (size_t k = 0; k + 1 < xs.size(); k += 2)
            fillSpan(row, Target.Width, xs[k], xs[k + 1] - 1);
    }
}

void fillPolygonReduced(const PixelView& Target, const std::vector<Vertex>& Scaled, int Factor) {
    const int f = std::clamp(Factor, 2, 4);
    const int64_t bigWidth = int64_t(Target.Width) * f;
    PolygonRows rows(Scaled, 0, int64_t(Target.Height) * f);
    // A block of f x f subpixels holds 255 in each covered one; its integer
    // average is 255 * covered div f².
    uint8_t level[17];
    for (int c = 0; c <= f * f; ++c)
        level[c] = uint8_t(255 * c / (f * f));
    std::vector<uint8_t> counts(size_t(Target.Width), 0);
    const int64_t y0 = rows.firstRow() / f, y1 = (rows.endRow() + f - 1) / f;
    for (int64_t y = y0; y < y1; ++y) {
        int64_t lo = Target.Width, hi = 0; // columns touched in this row
        for (int k = 0; k < f; ++k) {
            const int64_t sub = y * f + k;
            if (sub < rows.firstRow() || sub >= rows.endRow()) continue;
            const std::vector<int64_t>& xs = rows.crossings(sub);
            for (size_t i = 0; i + 1 < xs.size(); i += 2) {
                const int64_t a = std::max<int64_t>(xs[i], 0);
                const int64_t b = std::min<int64_t>(xs[i + 1], bigWidth);
                if (a >= b) continue;
                const int64_t xa = a / f, xb = b / f, rb = b % f;
                if (xa == xb) {
                    counts[size_t(xa)] = uint8_t(counts[size_t(xa)] + (b - a));
                } else {
                    counts[size_t(xa)] = uint8_t(counts[size_t(xa)] + (f - a % f));
                    for (int64_t x = xa + 1; x < xb; ++x)
                        counts[size_t(x)] = uint8_t(counts[size_t(x)] + f);
                    if (rb != 0) counts[size_t(xb)] = uint8_t(counts[size_t(xb)] + rb);
                }
                lo = std::min(lo, xa);
                hi = std::max(hi, rb != 0 || xa == xb ? xb + 1 : xb);
            }
        }
        uint8_t* row = Target.row(int(y));
        for (int64_t x = lo; x < hi; ++x) {
            row[x] = level[counts[size_t(x)]];
            counts[size_t(x)] = 0;
        }
    }
}

namespace {

// One row of colour marks: 128 where blue, green and red each lie within
// their [Low, High], else 0. Written so the compiler turns it into vector
// code for the processor each copy below is built for.
__attribute__((always_inline)) inline void markColourRowBody(const uint8_t* __restrict s,
                                                             uint8_t* __restrict d, int n,
                                                             const uint8_t* low,
                                                             const uint8_t* high) {
    const uint8_t lb = low[0], lg = low[1], lr = low[2];
    const uint8_t hb = high[0], hg = high[1], hr = high[2];
    for (int x = 0; x < n; ++x) {
        const uint8_t b = s[3 * x], g = s[3 * x + 1], r = s[3 * x + 2];
        d[x] = ((b >= lb) & (b <= hb) & (g >= lg) & (g <= hg) & (r >= lr) & (r <= hr)) ? 128 : 0;
    }
}

void markColourRowPlain(const uint8_t* s, uint8_t* d, int n, const uint8_t* low,
                        const uint8_t* high) {
    markColourRowBody(s, d, n, low, high);
}

__attribute__((target("ssse3"))) void markColourRowSsse3(const uint8_t* s, uint8_t* d, int n,
                                                         const uint8_t* low, const uint8_t* high) {
    markColourRowBody(s, d, n, low, high);
}

__attribute__((target("avx2"))) void markColourRowAvx2(const uint8_t* s, uint8_t* d, int n,
                                                       const uint8_t* low, const uint8_t* high) {
    markColourRowBody(s, d, n, low, high);
}

} // namespace

std::vector<NamedColourMarkRow> colourMarkRowKernels() {
    std::vector<NamedColourMarkRow> kernels{{"plain", markColourRowPlain}};
    if (lx::cpuHasSsse3()) kernels.push_back({"ssse3", markColourRowSsse3});
    if (lx::cpuHasAvx2()) kernels.push_back({"avx2", markColourRowAvx2});
    return kernels;
}

void markMatchingColours(const ConstPixelView& Colour, const PixelView& Marks, const uint8_t* Ref,
                         int Tolerance) {
    // Within Tolerance of the reference means within [ref - t, ref + t]
    // cut to 0..255.
    uint8_t low[3], high[3];
    for (int k = 0; k < 3; ++k) {
        low[k] = uint8_t(std::max(0, Ref[k] - Tolerance));
        high[k] = uint8_t(std::min(255, Ref[k] + Tolerance));
    }
    const ColourMarkRowFn row = colourMarkRowKernels().back().Fn;
    for (int y = 0; y < Colour.Height; ++y)
        row(Colour.row(y), Marks.row(y), Colour.Width, low, high);
}

namespace {

// The levels within Tolerance of Ref: Low .. High.
struct LevelRange {
    uint8_t Low, High;
};
LevelRange levelRange(uint8_t Ref, int Tolerance) {
    return {uint8_t(std::max(0, Ref - Tolerance)), uint8_t(std::min(255, Ref + Tolerance))};
}

} // namespace

void markMatchingLevels(const ConstPixelView& Levels, const PixelView& Marks, uint8_t Ref,
                        int Tolerance) {
    const LevelRange range = levelRange(Ref, Tolerance);
    for (int y = 0; y < Levels.Height; ++y) {
        const uint8_t* s = Levels.row(y);
        uint8_t* d = Marks.row(y);
        for (int x = 0; x < Levels.Width; ++x)
            d[x] = s[x] >= range.Low && s[x] <= range.High ? 128 : 0;
    }
}

bool allLevelsMatch(const ConstPixelView& Levels, uint8_t Ref, int Tolerance) {
    const LevelRange range = levelRange(Ref, Tolerance);
    for (int y = 0; y < Levels.Height; ++y) {
        const uint8_t* s = Levels.row(y);
        uint8_t outside = 0;
        for (int x = 0; x < Levels.Width; ++x)
            outside |= uint8_t(s[x] < range.Low) | uint8_t(s[x] > range.High);
        if (outside != 0) return false;
    }
    return true;
}

void floodFillMarks(const PixelView& Marks, int X, int Y) {
    if (X < 0 || Y < 0 || X >= Marks.Width || Y >= Marks.Height) return;
    if (Marks.row(Y)[X] != 128) return;
    struct Seed {
        int32_t X, Y;
    };
    // Each seed is one pixel of a run still to fill; a run is filled whole
    // and the runs of 128 touching it above and below become seeds.
    std::vector<Seed> stack;
    stack.push_back({X, Y});
    const int width = Marks.Width, height = Marks.Height;
    while (!stack.empty()) {
        const Seed seed = stack.back();
        stack.pop_back();
        uint8_t* row = Marks.row(seed.Y);
        if (row[seed.X] != 128) continue; // filled from another seed meanwhile
        int left = seed.X, right = seed.X;
        while (left > 0 && row[left - 1] == 128)
            --left;
        while (right + 1 < width && row[right + 1] == 128)
            ++right;
        std::memset(row + left, 255, size_t(right - left + 1));
        for (const int ny : {seed.Y - 1, seed.Y + 1}) {
            if (ny < 0 || ny >= height) continue;
            const uint8_t* next = Marks.row(ny);
            for (int x = left; x <= right; ++x) {
                if (next[x] != 128) continue;
                stack.push_back({x, ny});
                while (x + 1 <= right && next[x + 1] == 128)
                    ++x;
            }
        }
    }
}

namespace {

uint64_t load8(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The rewrites of one centre at column x (the table's rows in order; a
// later write wins).
inline void softenCentre(const uint8_t* up, const uint8_t* mid, const uint8_t* dn, uint8_t* outUp,
                         uint8_t* outMid, uint8_t* outDn, int x) {
    // c is 255 in every centre that writes, so 3c = 765.
    constexpr int c3 = 765;
    const int L = mid[x - 1], R = mid[x + 1], U = up[x], D = dn[x];
    const int UL = up[x - 1], UR = up[x + 1], DL = dn[x - 1], DR = dn[x + 1];
    if ((L & R & U & D & UL & UR & DL & DR) == 255) return;
    const bool l = L != 255, r = R != 255, u = U != 255, d = D != 255;
    if (l && (u || d)) outMid[x - 1] = uint8_t((c3 + L + UL + DL) / 6);
    if (r && (u || d)) outMid[x + 1] = uint8_t((c3 + R + UR + DR) / 6);
    if (u && (l || r)) outUp[x] = uint8_t((c3 + U + UL + UR) / 6);
    if (d && (l || r)) outDn[x] = uint8_t((c3 + D + DL + DR) / 6);
    if (UL != 255 && (l || u)) outUp[x - 1] = uint8_t((c3 + UL + L + U) / 6);
    if (UR != 255 && (r || u)) outUp[x + 1] = uint8_t((c3 + UR + R + U) / 6);
    if (DL != 255 && (l || d)) outDn[x - 1] = uint8_t((c3 + DL + L + D) / 6);
    if (DR != 255 && (r || d)) outDn[x + 1] = uint8_t((c3 + DR + R + D) / 6);
}

} // namespace

void softenSelectionEdges(const ConstPixelView& Source, const PixelView& Target) {
    const int width = Source.Width, height = Source.Height;
    if (width < 3 || height < 3) return;
    for (int y = 1; y + 1 < height; ++y) {
        const uint8_t* up = Source.row(y - 1);
        const uint8_t* mid = Source.row(y);
        const uint8_t* dn = Source.row(y + 1);
        uint8_t* outUp = Target.row(y - 1);
        uint8_t* outMid = Target.row(y);
        uint8_t* outDn = Target.row(y + 1);
        int x = 1;
        // Eight centres x .. x + 7 at a time (their neighbours span columns
        // x - 1 .. x + 8): none writes when all eight are 0, or when the
        // whole 3 x 10 block is 255.
        for (; x + 9 <= width; x += 8) {
            if (load8(mid + x) == 0) continue;
            constexpr uint64_t kAll = ~uint64_t(0);
            if ((load8(up + x - 1) & load8(up + x + 1) & load8(mid + x - 1) & load8(mid + x + 1) &
                 load8(dn + x - 1) & load8(dn + x + 1)) == kAll)
                continue;
            for (int k = x; k < x + 8; ++k)
                if (mid[k] == 255) softenCentre(up, mid, dn, outUp, outMid, outDn, k);
        }
        for (; x + 1 < width; ++x)
            if (mid[x] == 255) softenCentre(up, mid, dn, outUp, outMid, outDn, x);
    }
}

} // namespace lx
