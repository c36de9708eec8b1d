// Turning pictures by whole degrees.
//
// Right angles move pixels without touching them. Any other angle maps every
// target pixel back into the source and blends the four source pixels around
// that position. The doubles are evaluated in exactly the order written in
// the reference below; the fast paths split each formula into the part that
// depends only on the target column and the part that depends only on the
// target row, compute each part once, and then perform the same remaining
// operations in the same order, so their bytes equal the reference's.

#include "kernels/rotate.h"

#include "lxTypes.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "core/cpu_features.h"

namespace lx {

namespace {

// -360 < Angle % 360 < 360, so the sum stays far from overflow even for INT_MIN.
int normalisedAngle(int Angle) {
    return ((Angle % 360) + 360) % 360;
}

// rad = a * (M_PI / 180.0): the angle in radians, the constant formed first.
// std::numbers::pi is the same double as M_PI.
double radians(int a) {
    return a * (std::numbers::pi / 180.0);
}

// The integer part of a non-negative size, held within int.
int sizeFrom(double Value) {
    return Value >= double(INT_MAX) ? INT_MAX : int(Value);
}

// Everything about a turn by a whole angle a (1..359, no multiple of 90) that
// does not depend on the pixel: the base b (0, 90, 180, 270) below a, the
// absolute cosine and sine of the full angle, and the two offsets P and Q
// that put the turned picture's bounding box at the origin.
struct Turn {
    int base = 0;
    double c = 0.0;
    double s = 0.0;
    double P = 0.0;
    double Q = 0.0;
};

Turn turnFor(int W, int H, int a) {
    Turn t;
    t.base = a - a % 90;
    const double rad = radians(a);
    t.c = std::fabs(std::cos(rad));
    t.s = std::fabs(std::sin(rad));
    if (t.base == 0 || t.base == 180) {
        t.P = RoundEven(H * t.c);
        t.Q = RoundEven(H * t.s);
    } else {
        t.P = RoundEven(W * t.s);
        t.Q = RoundEven(W * t.c);
    }
    return t;
}

uint8_t clampByte(int Value) {
    return uint8_t(std::clamp(Value, 0, 255));
}

bool sizesFit(ConstPixelView src, PixelView dst, int channels, int Angle) {
    if (channels != 1 && channels != 3) return false;
    if (src.Data == nullptr || dst.Data == nullptr) return false;
    if (src.Width < 1 || src.Height < 1) return false;
    int newW = 0, newH = 0;
    rotatedSize(src.Width, src.Height, Angle, newW, newH);
    return dst.Width == newW && dst.Height == newH;
}

// ---- right angles ----

void copyPixel(uint8_t* d, const uint8_t* s, int channels) {
    if (channels == 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    } else {
        d[0] = s[0];
    }
}

void copyStraight(ConstPixelView src, PixelView dst, int channels) {
    const size_t bytes = size_t(src.Width) * size_t(channels);
    for (int y = 0; y < src.Height; ++y)
        std::memcpy(dst.row(y), src.row(y), bytes);
}

// Each source row, reversed, becomes the target row opposite. 24-bit pixels
// move as 4-byte words from one byte early (see the quarter turns below): the
// spare byte lands in the target pixel of the next source column, written
// next; the first and the last column go byte by byte.
void copyHalfTurn(ConstPixelView src, PixelView dst, int channels) {
    const int W = src.Width;
    for (int y = 0; y < src.Height; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = dst.row(src.Height - 1 - y) + qsizetype(W - 1) * channels;
        if (channels == 1) {
            for (int x = 0; x < W; ++x)
                d[-x] = s[x];
            continue;
        }
        copyPixel(d, s, 3);
        for (int x = 1; x < W - 1; ++x)
            std::memcpy(d - 3 * qsizetype(x) - 1, s + 3 * qsizetype(x) - 1, 4);
        if (W > 1) copyPixel(d - 3 * qsizetype(W - 1), s + 3 * qsizetype(W - 1), 3);
    }
}

// Quarter turns read the source down its columns. Working in square tiles
// keeps the few source rows of a tile and the few target rows it writes in
// cache while a tile is done.
constexpr int kTile = 32;

// 24-bit pixels move as 4-byte words: one load and one store instead of
// three of each. The extra byte read is a neighbour in the same source row;
// the extra byte written lands in the target pixel of the next source row,
// which this loop writes later (source rows ascend within a tile and tiles
// ascend down the source). Where the extra byte would fall outside a row -
// the source column at the row's end, or the last source row's target - the
// pixel is copied byte by byte.
//
// Clockwise: source (x, y) goes to target column H - 1 - y of target row x;
// the word is moved one byte early, so its spare byte is the one before.
// Anticlockwise: to target column y of target row W - 1 - x; the spare byte
// is the one after.
template <int Ch, bool Clockwise> void copyQuarterTurn(ConstPixelView src, PixelView dst) {
    const int W = src.Width;
    const int H = src.Height;
    const uint8_t* rows[kTile];
    for (int y0 = 0; y0 < H; y0 += kTile) {
        const int y1 = std::min(H, y0 + kTile);
        const int n = y1 - y0;
        for (int y = y0; y < y1; ++y)
            rows[y - y0] = src.row(y);
        for (int x0 = 0; x0 < W; x0 += kTile) {
            const int x1 = std::min(W, x0 + kTile);
            for (int x = x0; x < x1; ++x) {
                const qsizetype from = qsizetype(x) * Ch;
                if constexpr (Ch == 1) {
                    if constexpr (Clockwise) {
                        uint8_t* d = dst.row(x) + (H - 1 - y0);
                        for (int k = 0; k < n; ++k)
                            d[-k] = rows[k][from];
                    } else {
                        uint8_t* d = dst.row(W - 1 - x) + y0;
                        for (int k = 0; k < n; ++k)
                            d[k] = rows[k][from];
                    }
                    continue;
                }
                const bool edgeColumn = Clockwise ? x == 0 : x == W - 1;
                const int words = edgeColumn ? 0 : y1 == H ? n - 1 : n;
                if constexpr (Clockwise) {
                    uint8_t* d = dst.row(x) + qsizetype(H - 1 - y0) * Ch;
                    int k = 0;
                    for (; k < words; ++k, d -= Ch)
                        std::memcpy(d - 1, rows[k] + from - 1, 4);
                    for (; k < n; ++k, d -= Ch)
                        copyPixel(d, rows[k] + from, Ch);
                } else {
                    uint8_t* d = dst.row(W - 1 - x) + qsizetype(y0) * Ch;
                    int k = 0;
                    for (; k < words; ++k, d += Ch)
                        std::memcpy(d, rows[k] + from, 4);
                    for (; k < n; ++k, d += Ch)
                        copyPixel(d, rows[k] + from, Ch);
                }
            }
        }
    }
}

void copyRightAngle(ConstPixelView src, PixelView dst, int channels, int a) {
    if (a == 0) {
        copyStraight(src, dst, channels);
    } else if (a == 180) {
        copyHalfTurn(src, dst, channels);
    } else if (a == 90) {
        if (channels == 3)
            copyQuarterTurn<3, true>(src, dst);
        else
            copyQuarterTurn<1, true>(src, dst);
    } else {
        if (channels == 3)
            copyQuarterTurn<3, false>(src, dst);
        else
            copyQuarterTurn<1, false>(src, dst);
    }
}

// ---- any other angle: the pieces of the mapping ----
//
// With X = i + 1 and Y = j + 1 for target column i and row j, the source
// position is, evaluated left to right:
//   b = 0:   x = c*X + s*Y - s*P - 1         y = c*Y - s*(X - Q) - 1
//   b = 90:  x = s*Y - c*(X - Q) - 1         y = H - (s*X - c*(P - Y))
//   b = 180: x = W - (c*X - s*(P - Y))       y = H - (c*Y - s*(X - Q))
//   b = 270: x = W - (s*Y - c*(X - Q))       y = s*X - c*(P - Y) - 1
// Each product depends on the column alone (colA in x, colB in y) or on the
// row alone (a1, a2 in x, rb in y); X - Q and P - Y are whole numbers and
// therefore exact.

struct RowTerms {
    double a1 = 0.0;
    double a2 = 0.0;
    double rb = 0.0;
};

void columnTerms(const Turn& t, int newW, std::vector<double>& colA, std::vector<double>& colB) {
    colA.resize(size_t(newW));
    colB.resize(size_t(newW));
    const bool even = t.base == 0 || t.base == 180;
    for (int i = 0; i < newW; ++i) {
        const double X = i + 1;
        colA[size_t(i)] = even ? t.c * X : t.c * (X - t.Q);
        colB[size_t(i)] = even ? t.s * (X - t.Q) : t.s * X;
    }
}

RowTerms rowTerms(const Turn& t, int j) {
    const double Y = j + 1;
    RowTerms r;
    switch (t.base) {
    case 0:
        r.a1 = t.s * Y;
        r.a2 = t.s * t.P;
        r.rb = t.c * Y;
        break;
    case 180:
        r.a1 = t.s * (t.P - Y);
        r.rb = t.c * Y;
        break;
    default: // 90, 270
        r.a1 = t.s * Y;
        r.rb = t.c * (t.P - Y);
        break;
    }
    return r;
}

template <int B> inline double mapX(double colA, const RowTerms& r, double W) {
    if constexpr (B == 0)
        return ((colA + r.a1) - r.a2) - 1.0;
    else if constexpr (B == 90)
        return (r.a1 - colA) - 1.0;
    else if constexpr (B == 180)
        return W - (colA - r.a1);
    else
        return W - (r.a1 - colA);
}

template <int B> inline double mapY(double colB, const RowTerms& r, double H) {
    if constexpr (B == 0)
        return (r.rb - colB) - 1.0;
    else if constexpr (B == 90)
        return H - (colB - r.rb);
    else if constexpr (B == 180)
        return H - (r.rb - colB);
    else
        return (colB - r.rb) - 1.0;
}

// Which target columns of a row map inside the source.
//
// colA and colB grow with the column (c, s > 0 times a growing whole
// number, and rounding never reverses order), and each formula adds
// constants to them or subtracts them from constants, which rounding also
// keeps in order. So x and y each move one way along a row, each of the four
// tests x > -1, x < W, y > -1, y < H holds on a leading or a trailing run of
// columns (or on all or none), and the pixels inside form one run. Bisecting
// each test on the very values the kernels compute finds that run exactly;
// "x > -1" is "the integer part of x is at least 0", "x < W" is "it is at
// most W - 1", and comparing before converting keeps far positions away from
// the int conversion.
template <class Test> void narrowTo(int& lo, int& hi, Test holds) {
    if (lo > hi) return;
    const bool first = holds(lo);
    const bool last = holds(hi);
    if (first && last) return;
    if (!first && !last) {
        hi = lo - 1;
        return;
    }
    if (!first) { // false up to some column, true from there
        int bad = lo, good = hi;
        while (good - bad > 1) {
            const int mid = bad + (good - bad) / 2;
            (holds(mid) ? good : bad) = mid;
        }
        lo = good;
    } else { // true up to some column, false from there
        int good = lo, bad = hi;
        while (bad - good > 1) {
            const int mid = good + (bad - good) / 2;
            (holds(mid) ? good : bad) = mid;
        }
        hi = good;
    }
}

struct SpanArgs {
    ConstPixelView src;
    const double* colA = nullptr;
    const double* colB = nullptr;
    RowTerms r;
    double W = 0.0;
    double H = 0.0;
};

// One target pixel from a source position known to lie inside (integer
// parts 0..W-1 and 0..H-1).
//
// 24-bit: sum of the four weighted neighbours, rounded half to even. A
// position between -1 and 0 has a negative fraction and extrapolates, which
// can leave 0..255; such a sum is held to the nearest end.
//
// 8-bit coverage: the source edges fade out over one pixel. When the
// position lies in the first column or row, the terms that read that column
// or row count as 0; otherwise, in the last column or row, the terms that
// read beyond it count as 0. Leaving a term out and adding it as 0 give the
// same sum (x + 0 == x; only the sign of a zero result can differ, and that
// rounds to 0 either way).
template <int Ch> inline void samplePixel(ConstPixelView src, double x, double y, uint8_t* out) {
    const int W = src.Width;
    const int H = src.Height;
    const int g = int(x);
    const int h = int(y);
    const double fx = x - g;
    const double fy = y - h;
    const int g2 = std::min(g + 1, W - 1);
    const int h2 = std::min(h + 1, H - 1);
    const double w00 = (1.0 - fx) * (1.0 - fy);
    const double w10 = fx * (1.0 - fy);
    const double w01 = (1.0 - fx) * fy;
    const double w11 = fx * fy;
    const uint8_t* top = src.row(h);
    const uint8_t* bottom = src.row(h2);
    if constexpr (Ch == 3) {
        const qsizetype c0 = qsizetype(g) * 3;
        const qsizetype c1 = qsizetype(g2) * 3;
        for (int k = 0; k < 3; ++k) {
            const double sum =
                w00 * top[c0 + k] + w10 * top[c1 + k] + w01 * bottom[c0 + k] + w11 * bottom[c1 + k];
            out[k] = clampByte(RoundEven(sum));
        }
    } else {
        double p00 = top[g], p10 = top[g2], p01 = bottom[g], p11 = bottom[g2];
        if (g == 0 || h == 0) {
            if (g == 0) p00 = p01 = 0.0;
            if (h == 0) p00 = p10 = 0.0;
        } else {
            if (g == W - 1) p10 = p11 = 0.0;
            if (h == H - 1) p01 = p11 = 0.0;
        }
        out[0] = clampByte(RoundEven(w00 * p00 + w10 * p10 + w01 * p01 + w11 * p11));
    }
}

template <int B, int Ch> void spanScalar(const SpanArgs& a, int i0, int i1, uint8_t* out) {
    for (int i = i0; i < i1; ++i) {
        const double x = mapX<B>(a.colA[i], a.r, a.W);
        const double y = mapY<B>(a.colB[i], a.r, a.H);
        samplePixel<Ch>(a.src, x, y, out + qsizetype(i) * Ch);
    }
}

using SpanFn = void (*)(const SpanArgs&, int, int, uint8_t*);

#ifdef LX_HAVE_X86

// Four target pixels at a time: their positions, fractions and weights one
// pixel per double lane, with the same operations in the same order as the
// scalar loop, so the same bits. Four pixels whose source reads would reach
// past the end of a source row, or (8-bit) that lie on a source edge where
// terms are left out, take the scalar route instead; those are the few
// pixels along the edges of the turned picture.

template <int B>
__attribute__((target("avx2"))) inline __m256d mapX4(__m256d colA, __m256d a1, __m256d a2,
                                                     __m256d W) {
    const __m256d one = _mm256_set1_pd(1.0);
    if constexpr (B == 0)
        return _mm256_sub_pd(_mm256_sub_pd(_mm256_add_pd(colA, a1), a2), one);
    else if constexpr (B == 90)
        return _mm256_sub_pd(_mm256_sub_pd(a1, colA), one);
    else if constexpr (B == 180)
        return _mm256_sub_pd(W, _mm256_sub_pd(colA, a1));
    else
        return _mm256_sub_pd(W, _mm256_sub_pd(a1, colA));
}

template <int B>
__attribute__((target("avx2"))) inline __m256d mapY4(__m256d colB, __m256d rb, __m256d H) {
    const __m256d one = _mm256_set1_pd(1.0);
    if constexpr (B == 0)
        return _mm256_sub_pd(_mm256_sub_pd(rb, colB), one);
    else if constexpr (B == 90)
        return _mm256_sub_pd(H, _mm256_sub_pd(colB, rb));
    else if constexpr (B == 180)
        return _mm256_sub_pd(H, _mm256_sub_pd(rb, colB));
    else
        return _mm256_sub_pd(_mm256_sub_pd(colB, rb), one);
}

// RoundEven for the small sums here: adding and taking away 1.5 * 2^52
// leaves the nearest whole number, halves to even, as the scalar form does;
// truncating it is then exact.
__attribute__((target("avx2"))) inline __m128i roundEven4(__m256d v) {
    const __m256d shift = _mm256_set1_pd(lx::RoundShift);
    return _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_add_pd(v, shift), shift));
}

// ((w00 * p00 + w10 * p10) + w01 * p01) + w11 * p11, lane by lane.
__attribute__((target("avx2"))) inline __m256d blend4(__m256d w00, __m256d p00, __m256d w10,
                                                      __m256d p10, __m256d w01, __m256d p01,
                                                      __m256d w11, __m256d p11) {
    const __m256d sum = _mm256_add_pd(_mm256_mul_pd(w00, p00), _mm256_mul_pd(w10, p10));
    return _mm256_add_pd(_mm256_add_pd(sum, _mm256_mul_pd(w01, p01)), _mm256_mul_pd(w11, p11));
}

// The four bytes at p (a pixel and the next byte) as doubles.
__attribute__((target("avx2"))) inline __m256d pixelDoubles(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(v)));
}

// 24-bit. Each pixel's four neighbours are then blended with the channels in
// the lanes (blue, green, red and a spare fourth byte that is dropped), the
// pixel's weight broadcast to all four. Reading 4 bytes at column g + 1 stays
// in the row while 3 * (g + 1) + 4 <= 3 * W, that is g <= W - 3.
template <int B>
__attribute__((target("avx2"))) void spanAvx2Bgr(const SpanArgs& a, int i0, int i1, uint8_t* out) {
    const ConstPixelView src = a.src;
    const __m256d a1 = _mm256_set1_pd(a.r.a1), a2 = _mm256_set1_pd(a.r.a2);
    const __m256d rb = _mm256_set1_pd(a.r.rb);
    const __m256d vW = _mm256_set1_pd(a.W), vH = _mm256_set1_pd(a.H);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m128i gBelow = _mm_set1_epi32(src.Width - 2);
    const __m128i lastRow = _mm_set1_epi32(src.Height - 1);
    const __m128i oneI = _mm_set1_epi32(1);
    const __m256i stride = _mm256_set1_epi64x(src.Stride);
    const __m128i squeeze = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    alignas(32) long long top[4], bottom[4];
    alignas(32) double w[4][4];
    int i = i0;
    for (; i + 4 <= i1; i += 4) {
        const __m256d x = mapX4<B>(_mm256_loadu_pd(a.colA + i), a1, a2, vW);
        const __m256d y = mapY4<B>(_mm256_loadu_pd(a.colB + i), rb, vH);
        const __m128i g = _mm256_cvttpd_epi32(x);
        const __m128i h = _mm256_cvttpd_epi32(y);
        uint8_t* o = out + qsizetype(i) * 3;
        if (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(gBelow, g))) != 0xF) {
            for (int k = 0; k < 4; ++k)
                samplePixel<3>(src, mapX<B>(a.colA[i + k], a.r, a.W),
                               mapY<B>(a.colB[i + k], a.r, a.H), o + 3 * k);
            continue;
        }
        const __m256d fx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(g));
        const __m256d fy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(h));
        _mm256_store_pd(w[0], _mm256_mul_pd(_mm256_sub_pd(one, fx), _mm256_sub_pd(one, fy)));
        _mm256_store_pd(w[1], _mm256_mul_pd(fx, _mm256_sub_pd(one, fy)));
        _mm256_store_pd(w[2], _mm256_mul_pd(_mm256_sub_pd(one, fx), fy));
        _mm256_store_pd(w[3], _mm256_mul_pd(fx, fy));
        const __m128i h2 = _mm_min_epi32(_mm_add_epi32(h, oneI), lastRow);
        const __m256i column = _mm256_cvtepi32_epi64(_mm_add_epi32(_mm_add_epi32(g, g), g));
        _mm256_store_si256(
            reinterpret_cast<__m256i*>(top),
            _mm256_add_epi64(_mm256_mul_epi32(_mm256_cvtepi32_epi64(h), stride), column));
        _mm256_store_si256(
            reinterpret_cast<__m256i*>(bottom),
            _mm256_add_epi64(_mm256_mul_epi32(_mm256_cvtepi32_epi64(h2), stride), column));
        __m128i r[4];
        for (int k = 0; k < 4; ++k) {
            const uint8_t* t = src.Data + top[k];
            const uint8_t* b = src.Data + bottom[k];
            r[k] = roundEven4(blend4(_mm256_broadcast_sd(&w[0][k]), pixelDoubles(t),
                                     _mm256_broadcast_sd(&w[1][k]), pixelDoubles(t + 3),
                                     _mm256_broadcast_sd(&w[2][k]), pixelDoubles(b),
                                     _mm256_broadcast_sd(&w[3][k]), pixelDoubles(b + 3)));
        }
        const __m128i bytes = _mm_shuffle_epi8(
            _mm_packus_epi16(_mm_packs_epi32(r[0], r[1]), _mm_packs_epi32(r[2], r[3])), squeeze);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), bytes);
        const uint32_t last = uint32_t(_mm_extract_epi32(bytes, 2));
        std::memcpy(o + 8, &last, 4);
    }
    spanScalar<B, 3>(a, i, i1, out);
}

// 8-bit. Pixels whose four neighbours are all away from the edges where
// terms are left out (1 <= g <= W - 2, 1 <= h <= H - 2) blend plainly. One
// gather of 4 bytes from column g per source row brings columns g and g + 1
// of all four pixels; it stays in the row for g <= W - 4.
template <int B>
__attribute__((target("avx2"))) void spanAvx2Grey(const SpanArgs& a, int i0, int i1, uint8_t* out) {
    const ConstPixelView src = a.src;
    const __m256d a1 = _mm256_set1_pd(a.r.a1), a2 = _mm256_set1_pd(a.r.a2);
    const __m256d rb = _mm256_set1_pd(a.r.rb);
    const __m256d vW = _mm256_set1_pd(a.W), vH = _mm256_set1_pd(a.H);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m128i zero = _mm_setzero_si128();
    const __m128i gBelow = _mm_set1_epi32(src.Width - 3);
    const __m128i hBelow = _mm_set1_epi32(src.Height - 1);
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m256i stride = _mm256_set1_epi64x(src.Stride);
    const auto* base = reinterpret_cast<const int*>(src.Data);

    int i = i0;
    for (; i + 4 <= i1; i += 4) {
        const __m256d x = mapX4<B>(_mm256_loadu_pd(a.colA + i), a1, a2, vW);
        const __m256d y = mapY4<B>(_mm256_loadu_pd(a.colB + i), rb, vH);
        const __m128i g = _mm256_cvttpd_epi32(x);
        const __m128i h = _mm256_cvttpd_epi32(y);
        uint8_t* o = out + i;
        const __m128i plain =
            _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(g, zero), _mm_cmpgt_epi32(gBelow, g)),
                          _mm_and_si128(_mm_cmpgt_epi32(h, zero), _mm_cmpgt_epi32(hBelow, h)));
        if (_mm_movemask_ps(_mm_castsi128_ps(plain)) != 0xF) {
            for (int k = 0; k < 4; ++k)
                samplePixel<1>(src, mapX<B>(a.colA[i + k], a.r, a.W),
                               mapY<B>(a.colB[i + k], a.r, a.H), o + k);
            continue;
        }
        const __m256d fx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(g));
        const __m256d fy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(h));
        const __m256d w00 = _mm256_mul_pd(_mm256_sub_pd(one, fx), _mm256_sub_pd(one, fy));
        const __m256d w10 = _mm256_mul_pd(fx, _mm256_sub_pd(one, fy));
        const __m256d w01 = _mm256_mul_pd(_mm256_sub_pd(one, fx), fy);
        const __m256d w11 = _mm256_mul_pd(fx, fy);

        const __m256i off0 = _mm256_add_epi64(_mm256_mul_epi32(_mm256_cvtepi32_epi64(h), stride),
                                              _mm256_cvtepi32_epi64(g));
        const __m256i off1 = _mm256_add_epi64(off0, stride);
        const __m128i top = _mm256_i64gather_epi32(base, off0, 1);
        const __m128i bottom = _mm256_i64gather_epi32(base, off1, 1);
        const __m256d p00 = _mm256_cvtepi32_pd(_mm_and_si128(top, low));
        const __m256d p10 = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(top, 8), low));
        const __m256d p01 = _mm256_cvtepi32_pd(_mm_and_si128(bottom, low));
        const __m256d p11 = _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(bottom, 8), low));
        const __m128i r = roundEven4(blend4(w00, p00, w10, p10, w01, p01, w11, p11));
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(r, r), r);
        const uint32_t four = uint32_t(_mm_cvtsi128_si32(bytes));
        std::memcpy(o, &four, 4);
    }
    spanScalar<B, 1>(a, i, i1, out);
}

#endif

template <int B> SpanFn spanKernel(int channels, bool avx2) {
#ifdef LX_HAVE_X86
    if (avx2) return channels == 3 ? spanAvx2Bgr<B> : spanAvx2Grey<B>;
#else
    (void)avx2;
#endif
    return channels == 3 ? spanScalar<B, 3> : spanScalar<B, 1>;
}

template <int B>
void rotateRows(const Turn& t, ConstPixelView src, PixelView dst, int channels, bool avx2,
                const RowDone& rowDone) {
    std::vector<double> colA, colB;
    columnTerms(t, dst.Width, colA, colB);
    const SpanFn span = spanKernel<B>(channels, avx2);
    SpanArgs a;
    a.src = src;
    a.colA = colA.data();
    a.colB = colB.data();
    a.W = src.Width;
    a.H = src.Height;
    for (int j = 0; j < dst.Height; ++j) {
        a.r = rowTerms(t, j);
        int lo = 0, hi = dst.Width - 1;
        narrowTo(lo, hi, [&](int i) { return mapX<B>(a.colA[i], a.r, a.W) > -1.0; });
        narrowTo(lo, hi, [&](int i) { return mapX<B>(a.colA[i], a.r, a.W) < a.W; });
        narrowTo(lo, hi, [&](int i) { return mapY<B>(a.colB[i], a.r, a.H) > -1.0; });
        narrowTo(lo, hi, [&](int i) { return mapY<B>(a.colB[i], a.r, a.H) < a.H; });
        if (lo <= hi) span(a, lo, hi + 1, dst.row(j));
        if (rowDone) rowDone(j + 1);
    }
}

void rotate(RotateKernel kernel, ConstPixelView src, PixelView dst, int channels, int Angle,
            const RowDone& rowDone) {
    if (!sizesFit(src, dst, channels, Angle)) return;
    const int a = normalisedAngle(Angle);
    if (a % 90 == 0) {
        copyRightAngle(src, dst, channels, a);
        // The tiled copy finishes all rows at once; the host still hears of
        // every row, as it does from the other paths.
        if (rowDone)
            for (int r = 1; r <= dst.Height; ++r)
                rowDone(r);
        return;
    }
    const Turn t = turnFor(src.Width, src.Height, a);
    // The vector loops form 64-bit offsets from a 32-bit row stride and
    // 32-bit byte columns.
    const bool avx2 = kernel == RotateKernel::Avx2 && lx::cpuHasAvx2() && src.Stride > 0 &&
                      src.Stride <= qsizetype(INT_MAX) &&
                      qsizetype(src.Width) * channels <= qsizetype(INT_MAX);
    switch (t.base) {
    case 0:
        rotateRows<0>(t, src, dst, channels, avx2, rowDone);
        break;
    case 90:
        rotateRows<90>(t, src, dst, channels, avx2, rowDone);
        break;
    case 180:
        rotateRows<180>(t, src, dst, channels, avx2, rowDone);
        break;
    default:
        rotateRows<270>(t, src, dst, channels, avx2, rowDone);
        break;
    }
}

} // namespace

// The bounding box of the turned picture: W wide and H high turned by a
// covers |cos a| * W + |sin a| * H across and |sin a| * W + |cos a| * H down.
// With the signed values that is |cos a * W + sin a * H| when sin a and
// cos a have the same sign and |cos a * W - sin a * H| otherwise (likewise
// down), rounded to the nearest whole pixel.
void rotatedSize(int W, int H, int Angle, int& NewW, int& NewH) {
    const int a = normalisedAngle(Angle);
    if (a == 0 || a == 180) {
        NewW = W;
        NewH = H;
        return;
    }
    if (a == 90 || a == 270) {
        NewW = H;
        NewH = W;
        return;
    }
    const double rad = radians(a);
    const double sn = std::sin(rad);
    const double cs = std::cos(rad);
    if (sn * cs >= 0) {
        NewW = sizeFrom(std::fabs(cs * W + sn * H) + 0.5);
        NewH = sizeFrom(std::fabs(sn * W + cs * H) + 0.5);
    } else {
        NewW = sizeFrom(std::fabs(cs * W - sn * H) + 0.5);
        NewH = sizeFrom(std::fabs(sn * W - cs * H) + 0.5);
    }
}

void rotatePicture(ConstPixelView src, PixelView dst, int channels, int Angle,
                   const RowDone& rowDone) {
    rotate(RotateKernel::Avx2, src, dst, channels, Angle, rowDone);
}

std::vector<RotateKernel> rotateKernels() {
    std::vector<RotateKernel> kernels{RotateKernel::Scalar};
    if (lx::cpuHasAvx2()) kernels.push_back(RotateKernel::Avx2);
    return kernels;
}

const char* rotateKernelName(RotateKernel kernel) {
    return kernel == RotateKernel::Avx2 ? "avx2" : "scalar";
}

void rotatePictureWith(RotateKernel kernel, ConstPixelView src, PixelView dst, int channels,
                       int Angle, const RowDone& rowDone) {
    rotate(kernel, src, dst, channels, Angle, rowDone);
}

// Written plainly, one target pixel at a time, straight from the formulas.
void rotatePictureReference(ConstPixelView src, PixelView dst, int channels, int Angle) {
    if (!sizesFit(src, dst, channels, Angle)) return;
    const int W = src.Width;
    const int H = src.Height;
    const int a = normalisedAngle(Angle);
    if (a % 90 == 0) {
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                int tx = x, ty = y; // a = 0
                if (a == 90) {
                    tx = H - 1 - y;
                    ty = x;
                } else if (a == 180) {
                    tx = W - 1 - x;
                    ty = H - 1 - y;
                } else if (a == 270) {
                    tx = y;
                    ty = W - 1 - x;
                }
                for (int k = 0; k < channels; ++k)
                    dst.row(ty)[qsizetype(tx) * channels + k] =
                        src.row(y)[qsizetype(x) * channels + k];
            }
        }
        return;
    }
    const Turn t = turnFor(W, H, a);
    const double c = t.c, s = t.s, P = t.P, Q = t.Q;
    for (int j = 0; j < dst.Height; ++j) {
        for (int i = 0; i < dst.Width; ++i) {
            const double X = i + 1;
            const double Y = j + 1;
            double x = 0.0, y = 0.0;
            switch (t.base) {
            case 0:
                x = c * X + s * Y - s * P - 1;
                y = c * Y - s * (X - Q) - 1;
                break;
            case 90:
                x = s * Y - c * (X - Q) - 1;
                y = H - (s * X - c * (P - Y));
                break;
            case 180:
                x = W - (c * X - s * (P - Y));
                y = H - (c * Y - s * (X - Q));
                break;
            default:
                x = W - (s * Y - c * (X - Q));
                y = s * X - c * (P - Y) - 1;
                break;
            }
            // The same as 0 <= g <= W - 1 and 0 <= h <= H - 1 for the
            // integer parts g, h, tested before converting.
            if (!(x > -1.0 && x < W && y > -1.0 && y < H)) continue;
            const int g = int(x);
            const int h = int(y);
            const double fx = x - g;
            const double fy = y - h;
            const int g2 = std::min(g + 1, W - 1);
            const int h2 = std::min(h + 1, H - 1);
            const double w00 = (1 - fx) * (1 - fy);
            const double w10 = fx * (1 - fy);
            const double w01 = (1 - fx) * fy;
            const double w11 = fx * fy;
            uint8_t* out = dst.row(j) + qsizetype(i) * channels;
            if (channels == 3) {
                for (int k = 0; k < 3; ++k) {
                    const double p00 = src.row(h)[qsizetype(g) * 3 + k];
                    const double p10 = src.row(h)[qsizetype(g2) * 3 + k];
                    const double p01 = src.row(h2)[qsizetype(g) * 3 + k];
                    const double p11 = src.row(h2)[qsizetype(g2) * 3 + k];
                    const double sum = w00 * p00 + w10 * p10 + w01 * p01 + w11 * p11;
                    out[k] = clampByte(RoundEven(sum));
                }
                continue;
            }
            // Coverage: terms reading the first column or row are left out
            // there; elsewhere, terms reading past the last column or row.
            bool use00 = true, use10 = true, use01 = true, use11 = true;
            if (g == 0 || h == 0) {
                if (g == 0) use00 = use01 = false;
                if (h == 0) use00 = use10 = false;
            } else {
                if (g == W - 1) use10 = use11 = false;
                if (h == H - 1) use01 = use11 = false;
            }
            double sum = 0.0;
            if (use00) sum += w00 * src.row(h)[g];
            if (use10) sum += w10 * src.row(h)[g2];
            if (use01) sum += w01 * src.row(h2)[g];
            if (use11) sum += w11 * src.row(h2)[g2];
            out[0] = clampByte(RoundEven(sum));
        }
    }
}

} // namespace lx
