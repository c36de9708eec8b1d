// Linear resampling: bilinear enlarging and area-averaged shrinking.
//
// Both work in doubles, and the plain per-pixel references below fix the
// order of every addition. The fast forms reorganise the loops (per-row and
// per-column factors computed once, vectors of four doubles) without
// changing what is added to what: the enlarging one does the very same operations per channel, so
// it gives the same bytes; the shrinking one uses the separable form of the same sum, which can
// differ from the reference only where the exact value lies within rounding noise of a half.

#include "kernels/resample_linear.h"

#include "lxTypes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/cpu_features.h"

namespace lx {

namespace {

bool usable(ConstPixelView src, PixelView dst, int channels) {
    return src.Data != nullptr && dst.Data != nullptr && src.Width > 0 && src.Height > 0 &&
           dst.Width > 0 && dst.Height > 0 && channels > 0;
}

uint8_t clampToByte(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// ---------------------------------------------------------------------------
// Enlarging
//
// With the scale f = target size / source size, target index i sits at source
// position i / f: whole part (at most the last index) and fraction. The second
// neighbour is the next index, or the same one at the far edge.

struct EnlargeTap {
    int first;
    int second;
    double frac;
};

EnlargeTap enlargeTap(int i, double scale, int sourceSize) {
    const double pos = i / scale;
    const int whole = int(pos);
    const int first = std::min(whole, sourceSize - 1);
    return {first, first == sourceSize - 1 ? first : first + 1, pos - whole};
}

// One target row, element by element (an element is one channel of one
// pixel). a and b hold the first column's source values in the upper and
// lower source row, a2 and b2 the second column's; left = 1 - u and right = u
// per element; up = 1 - t and down = t for the row. Each weight is the
// product of one column factor and one row factor, and the four terms are
// added in the order (col, row), (col, row2), (col2, row), (col2, row2).
using EnlargeRowFn = void (*)(uint8_t* out, const double* a, const double* b, const double* a2,
                              const double* b2, const double* left, const double* right, double up,
                              double down, qsizetype n);

// The same on a target row that lies exactly on a source row (t = 0): then
// (1 - u) * 1 = 1 - u and u * 1 = u, the two lower terms are +0, and adding
// +0 to a sum of non-negative terms changes no bit, so the four-term sum is
// (1 - u) * a + u * a2.
using EnlargeFlatRowFn = void (*)(uint8_t* out, const double* a, const double* a2,
                                  const double* left, const double* right, qsizetype n);

// Source values spread to target pixels as doubles: pixel x of a strip takes
// the channels at byte offset firstAt[x] of the source row into first and
// those at secondAt[x] into second. rowBytes is the length of the source row.
using SpreadFn = void (*)(double* first, double* second, const uint8_t* row, const int32_t* firstAt,
                          const int32_t* secondAt, int pixels, int channels, qsizetype rowBytes);

struct EnlargeKernels {
    SpreadFn spread;
    EnlargeRowFn row;
    EnlargeFlatRowFn flatRow;
};

void enlargeRowScalar(uint8_t* out, const double* a, const double* b, const double* a2,
                      const double* b2, const double* left, const double* right, double up,
                      double down, qsizetype n) {
    for (qsizetype e = 0; e < n; ++e) {
        const double v =
            ((((left[e] * up) * a[e] + (left[e] * down) * b[e]) + (right[e] * up) * a2[e]) +
             (right[e] * down) * b2[e]) +
            0.5;
        out[e] = uint8_t(std::min(int(v), 255));
    }
}

void enlargeFlatRowScalar(uint8_t* out, const double* a, const double* a2, const double* left,
                          const double* right, qsizetype n) {
    for (qsizetype e = 0; e < n; ++e) {
        const double v = (left[e] * a[e] + right[e] * a2[e]) + 0.5;
        out[e] = uint8_t(std::min(int(v), 255));
    }
}

// Neighbouring target pixels often read the same source pixels (all of them
// do when enlarging), so each run of them converts its source values once.
void spreadScalar(double* first, double* second, const uint8_t* row, const int32_t* firstAt,
                  const int32_t* secondAt, int pixels, int channels, qsizetype) {
    for (int x = 0; x < pixels;) {
        const int32_t at = firstAt[x];
        int end = x + 1;
        while (end < pixels && firstAt[end] == at)
            ++end;
        // secondAt follows from firstAt, so it is the same along the run.
        for (int c = 0; c < channels; ++c) {
            const double a = row[at + c];
            const double b = row[secondAt[x] + c];
            for (int i = x; i < end; ++i) {
                first[qsizetype(i) * channels + c] = a;
                second[qsizetype(i) * channels + c] = b;
            }
        }
        x = end;
    }
}

constexpr EnlargeKernels kEnlargeScalar{spreadScalar, enlargeRowScalar, enlargeFlatRowScalar};

#ifdef LX_HAVE_X86

// Four bytes to four doubles.
__attribute__((target("avx2"))) inline __m256d bytesToDoubles(__m128i bytes) {
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(bytes));
}

__attribute__((target("avx2"))) inline __m256d fourBytesAt(const uint8_t* p) {
    int32_t word;
    std::memcpy(&word, p, 4);
    return bytesToDoubles(_mm_cvtsi32_si128(word));
}

// A 32-bit pixel is exactly one four-double move, so no pixel needs the
// plain copy.
__attribute__((target("avx2"))) void spreadBgraAvx2(double* first, double* second,
                                                    const uint8_t* row, const int32_t* firstAt,
                                                    const int32_t* secondAt, int pixels) {
    for (int x = 0; x < pixels;) {
        const int32_t at = firstAt[x];
        const __m256d a = fourBytesAt(row + at);
        const __m256d b = fourBytesAt(row + secondAt[x]);
        do {
            _mm256_storeu_pd(first + qsizetype(x) * 4, a);
            _mm256_storeu_pd(second + qsizetype(x) * 4, b);
            ++x;
        } while (x < pixels && firstAt[x] == at);
    }
}

// A 24-bit pixel is read as four bytes and written as four doubles; the
// fourth lands on the next pixel's blue, which is written after it (or on
// the spare element after the strip). The last source pixel has no fourth
// byte to read, so pixels reaching it take the plain copy.
__attribute__((target("avx2"))) void spreadAvx2(double* first, double* second, const uint8_t* row,
                                                const int32_t* firstAt, const int32_t* secondAt,
                                                int pixels, int channels, qsizetype rowBytes) {
    if (channels == 4) {
        spreadBgraAvx2(first, second, row, firstAt, secondAt, pixels);
        return;
    }
    if (channels != 3) {
        spreadScalar(first, second, row, firstAt, secondAt, pixels, channels, rowBytes);
        return;
    }
    // secondAt never lies before firstAt, and both grow along the row.
    int x = 0;
    while (x < pixels && secondAt[x] + 4 <= rowBytes) {
        const int32_t at = firstAt[x];
        const __m256d a = fourBytesAt(row + at);
        const __m256d b = fourBytesAt(row + secondAt[x]);
        do {
            _mm256_storeu_pd(first + qsizetype(x) * 3, a);
            _mm256_storeu_pd(second + qsizetype(x) * 3, b);
            ++x;
        } while (x < pixels && firstAt[x] == at);
    }
    spreadScalar(first + qsizetype(x) * 3, second + qsizetype(x) * 3, row, firstAt + x,
                 secondAt + x, pixels - x, 3, rowBytes);
}

__attribute__((target("avx2"))) inline __m256d enlargeQuad(const double* a, const double* b,
                                                           const double* a2, const double* b2,
                                                           const double* left, const double* right,
                                                           __m256d up, __m256d down, qsizetype e) {
    const __m256d l = _mm256_loadu_pd(left + e);
    const __m256d r = _mm256_loadu_pd(right + e);
    __m256d v = _mm256_mul_pd(_mm256_mul_pd(l, up), _mm256_loadu_pd(a + e));
    v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_mul_pd(l, down), _mm256_loadu_pd(b + e)));
    v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_mul_pd(r, up), _mm256_loadu_pd(a2 + e)));
    v = _mm256_add_pd(v, _mm256_mul_pd(_mm256_mul_pd(r, down), _mm256_loadu_pd(b2 + e)));
    // The sum is at least 0, so truncation is the integer part.
    return _mm256_add_pd(v, _mm256_set1_pd(0.5));
}

__attribute__((target("avx2"))) inline __m256d enlargeFlatQuad(const double* a, const double* a2,
                                                               const double* left,
                                                               const double* right, qsizetype e) {
    const __m256d v =
        _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(left + e), _mm256_loadu_pd(a + e)),
                      _mm256_mul_pd(_mm256_loadu_pd(right + e), _mm256_loadu_pd(a2 + e)));
    return _mm256_add_pd(v, _mm256_set1_pd(0.5));
}

// Sixteen truncated sums to sixteen bytes. The sums lie in 0.5 .. 255.5
// (the weights add up to 1 within rounding), so the saturating packs do the
// limit to 255.
__attribute__((target("avx2"))) inline void storeTruncated(uint8_t* out, __m256d v0, __m256d v1,
                                                           __m256d v2, __m256d v3) {
    const __m128i q0 = _mm256_cvttpd_epi32(v0);
    const __m128i q1 = _mm256_cvttpd_epi32(v1);
    const __m128i q2 = _mm256_cvttpd_epi32(v2);
    const __m128i q3 = _mm256_cvttpd_epi32(v3);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_packus_epi16(_mm_packus_epi32(q0, q1), _mm_packus_epi32(q2, q3)));
}

__attribute__((target("avx2"))) void enlargeRowAvx2(uint8_t* out, const double* a, const double* b,
                                                    const double* a2, const double* b2,
                                                    const double* left, const double* right,
                                                    double up, double down, qsizetype n) {
    const __m256d vu = _mm256_set1_pd(up);
    const __m256d vd = _mm256_set1_pd(down);
    qsizetype e = 0;
    for (; e + 16 <= n; e += 16)
        storeTruncated(out + e, enlargeQuad(a, b, a2, b2, left, right, vu, vd, e),
                       enlargeQuad(a, b, a2, b2, left, right, vu, vd, e + 4),
                       enlargeQuad(a, b, a2, b2, left, right, vu, vd, e + 8),
                       enlargeQuad(a, b, a2, b2, left, right, vu, vd, e + 12));
    enlargeRowScalar(out + e, a + e, b + e, a2 + e, b2 + e, left + e, right + e, up, down, n - e);
}

__attribute__((target("avx2"))) void enlargeFlatRowAvx2(uint8_t* out, const double* a,
                                                        const double* a2, const double* left,
                                                        const double* right, qsizetype n) {
    qsizetype e = 0;
    for (; e + 16 <= n; e += 16)
        storeTruncated(out + e, enlargeFlatQuad(a, a2, left, right, e),
                       enlargeFlatQuad(a, a2, left, right, e + 4),
                       enlargeFlatQuad(a, a2, left, right, e + 8),
                       enlargeFlatQuad(a, a2, left, right, e + 12));
    enlargeFlatRowScalar(out + e, a + e, a2 + e, left + e, right + e, n - e);
}

constexpr EnlargeKernels kEnlargeAvx2{spreadAvx2, enlargeRowAvx2, enlargeFlatRowAvx2};

#endif

// One source row spread over a strip of target pixels.
struct SpreadStrip {
    int source = -1;
    std::vector<double> first;
    std::vector<double> second;
};

// The target is done in bands of rows, and each band strip by strip across
// the row: a strip's spread source rows, column factors and target bytes
// then stay in the first-level cache while every row of the band uses them.
// A source row is spread once per band and strip (a band's first one may
// have been spread by the band above as well).
constexpr int kBandRows = 32;
constexpr int kStripElements = 512;

void enlargeWith(const EnlargeKernels& k, ConstPixelView src, PixelView dst, int channels,
                 const RowDone& rowDone) {
    if (!usable(src, dst, channels)) return;
    const int W = src.Width;
    const int H = src.Height;
    const int w = dst.Width;
    const int h = dst.Height;
    const double fx = double(w) / W;
    const double fy = double(h) / H;
    const qsizetype rowBytes = qsizetype(W) * channels;

    // Column factors once per element, source offsets once per pixel.
    const size_t elements = size_t(w) * size_t(channels);
    std::vector<double> left(elements), right(elements);
    const size_t pixels = size_t(w);
    std::vector<int32_t> firstAt(pixels), secondAt(pixels);
    for (int x = 0; x < w; ++x) {
        const EnlargeTap tap = enlargeTap(x, fx, W);
        firstAt[size_t(x)] = tap.first * channels;
        secondAt[size_t(x)] = tap.second * channels;
        for (int c = 0; c < channels; ++c) {
            const size_t e = size_t(x) * size_t(channels) + size_t(c);
            left[e] = 1.0 - tap.frac;
            right[e] = tap.frac;
        }
    }

    const int stripPixels = std::max(1, kStripElements / channels);
    // One spare element for the four-double moves of 24-bit pixels.
    const size_t stripSize = size_t(stripPixels) * size_t(channels) + 1;
    SpreadStrip cache[2];
    for (SpreadStrip& slot : cache) {
        slot.first.resize(stripSize);
        slot.second.resize(stripSize);
    }
    std::vector<EnlargeTap> band;
    band.reserve(kBandRows);

    for (int y0 = 0; y0 < h; y0 += kBandRows) {
        const int y1 = std::min(h, y0 + kBandRows);
        band.clear();
        for (int y = y0; y < y1; ++y)
            band.push_back(enlargeTap(y, fy, H));
        for (int x0 = 0; x0 < w; x0 += stripPixels) {
            const int count = std::min(stripPixels, w - x0);
            const qsizetype e0 = qsizetype(x0) * channels;
            const qsizetype n = qsizetype(count) * channels;
            cache[0].source = cache[1].source = -1;
            const auto slotFor = [&](int source, int keep) -> const SpreadStrip& {
                for (SpreadStrip& slot : cache)
                    if (slot.source == source) return slot;
                // Rows come in increasing order: the lower one is done with.
                SpreadStrip& slot = keep >= 0                            ? cache[1 - keep]
                                    : cache[0].source <= cache[1].source ? cache[0]
                                                                         : cache[1];
                k.spread(slot.first.data(), slot.second.data(), src.row(source),
                         firstAt.data() + x0, secondAt.data() + x0, count, channels, rowBytes);
                slot.source = source;
                return slot;
            };
            for (int i = 0; i < y1 - y0; ++i) {
                const EnlargeTap& tap = band[size_t(i)];
                const SpreadStrip& upper = slotFor(tap.first, -1);
                uint8_t* out = dst.row(y0 + i) + e0;
                if (tap.frac == 0.0) {
                    k.flatRow(out, upper.first.data(), upper.second.data(), left.data() + e0,
                              right.data() + e0, n);
                } else {
                    const SpreadStrip& lower = slotFor(tap.second, int(&upper - cache));
                    k.row(out, upper.first.data(), lower.first.data(), upper.second.data(),
                          lower.second.data(), left.data() + e0, right.data() + e0, 1.0 - tap.frac,
                          tap.frac, n);
                }
            }
        }
        // The rows of a band are finished together.
        if (rowDone)
            for (int y = y0; y < y1; ++y)
                rowDone(y + 1);
    }
}

// ---------------------------------------------------------------------------
// Shrinking
//
// With s = source size / target size and k = integer part of s, target index
// i starts at i0 = integer part of i * s with fraction f, and the reference
// sums k + 1 bilinear samples per axis, the last one weighted s - k. Sample j
// reads source indices i0 + j (weight 1 - f) and i0 + j + 1 (weight f), so
// source index i0 + d collects
//     C[d] = e(d) * (1 - f)  [d <= k]  +  e(d - 1) * f  [d >= 1],
// e(j) = 1 for j < k and s - k for j = k, d = 0 .. k + 1. The double sum over
// both axes is then the product of the two axes' weights, and the picture can
// be filtered one axis at a time. Indices past the end read the last one, as
// if the picture were padded with copies of its last column and row.

// The weights of one axis: target index i reads the source indices
// index[start[i] .. start[i + 1] - 1] with the matching weights.
struct AxisTaps {
    std::vector<qsizetype> start;
    std::vector<int32_t> index;
    std::vector<double> weight;
};

AxisTaps shrinkTaps(int sourceSize, int targetSize) {
    const double s = double(sourceSize) / targetSize;
    const int k = int(s);
    const double lastPart = s - k;
    AxisTaps taps;
    taps.start.reserve(size_t(targetSize) + 1);
    // k + 2 per target index: at most sourceSize + 2 * targetSize in all.
    const size_t total = size_t(targetSize) * size_t(k + 2);
    taps.index.reserve(total);
    taps.weight.reserve(total);
    for (int i = 0; i < targetSize; ++i) {
        const double pos = i * s;
        const int i0 = int(pos);
        const double f = pos - i0;
        taps.start.push_back(qsizetype(taps.index.size()));
        for (int d = 0; d <= k + 1; ++d) {
            double c = 0.0;
            if (d <= k) c += (d < k ? 1.0 : lastPart) * (1.0 - f);
            if (d >= 1) c += (d - 1 < k ? 1.0 : lastPart) * f;
            // A zero weight adds exactly nothing to a sum of non-negative
            // terms, so it is left out (integer scales have two per index).
            if (c == 0.0) continue;
            taps.index.push_back(std::min(i0 + d, sourceSize - 1));
            taps.weight.push_back(c);
        }
    }
    taps.start.push_back(qsizetype(taps.index.size()));
    return taps;
}

// Vertical pass: out[e] = sum over taps t of weight[t] * rows[t][e], added in
// tap order, the first term standing alone.
using ShrinkColumnFn = void (*)(double* out, const uint8_t* const* rows, const double* weight,
                                qsizetype taps, qsizetype n);

void shrinkColumnScalar(double* out, const uint8_t* const* rows, const double* weight,
                        qsizetype taps, qsizetype n) {
    for (qsizetype e = 0; e < n; ++e)
        out[e] = weight[0] * rows[0][e];
    for (qsizetype t = 1; t < taps; ++t) {
        const uint8_t* row = rows[t];
        const double c = weight[t];
        for (qsizetype e = 0; e < n; ++e)
            out[e] += c * row[e];
    }
}

// Horizontal pass and rounding for one target row: the column sums of the
// vertical pass (channels interleaved as in the picture) are weighted along
// the row and divided by the area sx * sy.
using ShrinkRowFn = void (*)(uint8_t* out, const double* column, const AxisTaps& cols, int channels,
                             double area, int w);

void shrinkRowScalar(uint8_t* out, const double* column, const AxisTaps& cols, int channels,
                     double area, int w) {
    const int32_t* index = cols.index.data();
    const double* weight = cols.weight.data();
    for (int x = 0; x < w; ++x) {
        const qsizetype b = cols.start[size_t(x)];
        const qsizetype e = cols.start[size_t(x) + 1];
        for (int c = 0; c < channels; ++c) {
            double acc = weight[b] * column[qsizetype(index[b]) * channels + c];
            for (qsizetype t = b + 1; t < e; ++t)
                acc += weight[t] * column[qsizetype(index[t]) * channels + c];
            out[qsizetype(x) * channels + c] = clampToByte(RoundEven(acc / area));
        }
    }
}

#ifdef LX_HAVE_X86

// Sixteen elements per step, kept in registers over a run of taps; long tap
// lists go in runs so that the rows of one run stay in the cache, the sums
// waiting in out between runs.
__attribute__((target("avx2"))) void shrinkColumnAvx2(double* out, const uint8_t* const* rows,
                                                      const double* weight, qsizetype taps,
                                                      qsizetype n) {
    constexpr qsizetype kRun = 16;
    const qsizetype vectorEnd = n - n % 16;
    for (qsizetype t0 = 0; t0 < taps; t0 += kRun) {
        const qsizetype t1 = std::min(taps, t0 + kRun);
        for (qsizetype e = 0; e < vectorEnd; e += 16) {
            __m256d acc0, acc1, acc2, acc3;
            qsizetype t = t0;
            if (t0 == 0) {
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[0] + e));
                const __m256d c = _mm256_set1_pd(weight[0]);
                acc0 = _mm256_mul_pd(c, bytesToDoubles(p));
                acc1 = _mm256_mul_pd(c, bytesToDoubles(_mm_srli_si128(p, 4)));
                acc2 = _mm256_mul_pd(c, bytesToDoubles(_mm_srli_si128(p, 8)));
                acc3 = _mm256_mul_pd(c, bytesToDoubles(_mm_srli_si128(p, 12)));
                t = 1;
            } else {
                acc0 = _mm256_loadu_pd(out + e);
                acc1 = _mm256_loadu_pd(out + e + 4);
                acc2 = _mm256_loadu_pd(out + e + 8);
                acc3 = _mm256_loadu_pd(out + e + 12);
            }
            for (; t < t1; ++t) {
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + e));
                const __m256d c = _mm256_set1_pd(weight[t]);
                acc0 = _mm256_add_pd(acc0, _mm256_mul_pd(c, bytesToDoubles(p)));
                acc1 = _mm256_add_pd(acc1, _mm256_mul_pd(c, bytesToDoubles(_mm_srli_si128(p, 4))));
                acc2 = _mm256_add_pd(acc2, _mm256_mul_pd(c, bytesToDoubles(_mm_srli_si128(p, 8))));
                acc3 = _mm256_add_pd(acc3, _mm256_mul_pd(c, bytesToDoubles(_mm_srli_si128(p, 12))));
            }
            _mm256_storeu_pd(out + e, acc0);
            _mm256_storeu_pd(out + e + 4, acc1);
            _mm256_storeu_pd(out + e + 8, acc2);
            _mm256_storeu_pd(out + e + 12, acc3);
        }
    }
    // The last few elements: each one's sum is built in the same order.
    for (qsizetype e = vectorEnd; e < n; ++e) {
        double acc = weight[0] * rows[0][e];
        for (qsizetype t = 1; t < taps; ++t)
            acc += weight[t] * rows[t][e];
        out[e] = acc;
    }
}

// 24- and 32-bit rows: the sums of a pixel ride in the lanes of one vector.
// With three channels the fourth lane carries the next pixel's blue, or the
// zero after the row, and is dropped; with four the vector is exactly one
// pixel. Rounding to nearest with halves to even is what the vector round
// instruction does by default.
template <int Channels>
__attribute__((target("avx2"))) void shrinkRowPackedAvx2(uint8_t* out, const double* column,
                                                         const AxisTaps& cols, double area, int w) {
    static_assert(Channels == 3 || Channels == 4);
    const int32_t* index = cols.index.data();
    const double* weight = cols.weight.data();
    const __m256d divisor = _mm256_set1_pd(area);
    for (int x = 0; x < w; ++x) {
        const qsizetype b = cols.start[size_t(x)];
        const qsizetype e = cols.start[size_t(x) + 1];
        __m256d acc = _mm256_mul_pd(_mm256_set1_pd(weight[b]),
                                    _mm256_loadu_pd(column + qsizetype(index[b]) * Channels));
        for (qsizetype t = b + 1; t < e; ++t)
            acc = _mm256_add_pd(
                acc, _mm256_mul_pd(_mm256_set1_pd(weight[t]),
                                   _mm256_loadu_pd(column + qsizetype(index[t]) * Channels)));
        const __m256d q = _mm256_round_pd(_mm256_div_pd(acc, divisor),
                                          _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        const __m128i v = _mm256_cvtpd_epi32(q);
        const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(v, v), v);
        const uint32_t pixel = uint32_t(_mm_cvtsi128_si32(bytes));
        std::memcpy(out + qsizetype(x) * Channels, &pixel, Channels);
    }
}

__attribute__((target("avx2"))) void shrinkRowAvx2(uint8_t* out, const double* column,
                                                   const AxisTaps& cols, int channels, double area,
                                                   int w) {
    if (channels == 3)
        shrinkRowPackedAvx2<3>(out, column, cols, area, w);
    else if (channels == 4)
        shrinkRowPackedAvx2<4>(out, column, cols, area, w);
    else
        shrinkRowScalar(out, column, cols, channels, area, w);
}

#endif

void shrinkWith(ShrinkColumnFn columnFn, ShrinkRowFn rowFn, ConstPixelView src, PixelView dst,
                int channels) {
    if (!usable(src, dst, channels)) return;
    const int W = src.Width;
    const int H = src.Height;
    const int w = dst.Width;
    const int h = dst.Height;
    const AxisTaps cols = shrinkTaps(W, w);
    const AxisTaps rows = shrinkTaps(H, h);
    const double area = (double(W) / w) * (double(H) / h);
    const qsizetype n = qsizetype(W) * channels;
    // One spare element: the 24-bit row pass reads four doubles per pixel.
    std::vector<double> column(size_t(n) + 1, 0.0);
    std::vector<const uint8_t*> rowPointers;
    for (int y = 0; y < h; ++y) {
        const qsizetype b = rows.start[size_t(y)];
        const qsizetype e = rows.start[size_t(y) + 1];
        rowPointers.clear();
        for (qsizetype t = b; t < e; ++t)
            rowPointers.push_back(src.row(rows.index[size_t(t)]));
        columnFn(column.data(), rowPointers.data(), rows.weight.data() + b, e - b, n);
        rowFn(dst.row(y), column.data(), cols, channels, area, w);
    }
}

} // namespace

std::vector<NamedLinearRowPath> linearRowPaths() {
    std::vector<NamedLinearRowPath> paths{{"scalar", LinearRowPath::Scalar}};
    if (lx::cpuHasAvx2()) paths.push_back({"avx2", LinearRowPath::Avx2});
    return paths;
}

LinearRowPath bestLinearRowPath() {
    return lx::cpuHasAvx2() ? LinearRowPath::Avx2 : LinearRowPath::Scalar;
}

void enlargeLinearOn(LinearRowPath path, ConstPixelView src, PixelView dst, int channels,
                     const RowDone& rowDone) {
#ifdef LX_HAVE_X86
    if (path == LinearRowPath::Avx2 && lx::cpuHasAvx2()) {
        enlargeWith(kEnlargeAvx2, src, dst, channels, rowDone);
        return;
    }
#endif
    (void)path;
    enlargeWith(kEnlargeScalar, src, dst, channels, rowDone);
}

void shrinkLinearOn(LinearRowPath path, ConstPixelView src, PixelView dst, int channels) {
#ifdef LX_HAVE_X86
    if (path == LinearRowPath::Avx2 && lx::cpuHasAvx2()) {
        shrinkWith(shrinkColumnAvx2, shrinkRowAvx2, src, dst, channels);
        return;
    }
#endif
    (void)path;
    shrinkWith(shrinkColumnScalar, shrinkRowScalar, src, dst, channels);
}

// The enlarging loops never assume that the target is larger: the band's
// source rows and the strip's source columns only need to grow along the
// target, which they do at any scale.
void sampleLinearOn(LinearRowPath path, ConstPixelView src, PixelView dst, int channels) {
    enlargeLinearOn(path, src, dst, channels, {});
}

void sampleLinear(ConstPixelView src, PixelView dst, int channels) {
    sampleLinearOn(bestLinearRowPath(), src, dst, channels);
}

void enlargeLinear(ConstPixelView src, PixelView dst, int channels, const RowDone& rowDone) {
    enlargeLinearOn(bestLinearRowPath(), src, dst, channels, rowDone);
}

void shrinkLinear(ConstPixelView src, PixelView dst, int channels) {
    shrinkLinearOn(bestLinearRowPath(), src, dst, channels);
}

// ---------------------------------------------------------------------------
// References: one target pixel at a time, exactly as the arithmetic is
// defined.

// Bilinear: scale f = w / W per axis; target (x, y) sits at source
// (x / fx, y / fy). Its integer parts (at most the last index) give column
// col and row row, the fractions u and t; col2 and row2 are the next ones, or
// the same at the far edge. The four weights (1 - u)(1 - t), (1 - u)t,
// u(1 - t) and ut are added in that order, then 0.5, and truncated.
void enlargeLinearReference(ConstPixelView src, PixelView dst, int channels) {
    if (!usable(src, dst, channels)) return;
    const int W = src.Width;
    const int H = src.Height;
    const int w = dst.Width;
    const int h = dst.Height;
    const double fx = double(w) / W;
    const double fy = double(h) / H;
    for (int y = 0; y < h; ++y) {
        const double sy = y / fy;
        const int ty = int(sy);
        const int row = std::min(ty, H - 1);
        const double t = sy - ty;
        const int row2 = row == H - 1 ? row : row + 1;
        const uint8_t* p = src.row(row);
        const uint8_t* p2 = src.row(row2);
        uint8_t* out = dst.row(y);
        for (int x = 0; x < w; ++x) {
            const double sx = x / fx;
            const int tx = int(sx);
            const int col = std::min(tx, W - 1);
            const double u = sx - tx;
            const int col2 = col == W - 1 ? col : col + 1;
            for (int c = 0; c < channels; ++c) {
                const qsizetype i = qsizetype(col) * channels + c;
                const qsizetype i2 = qsizetype(col2) * channels + c;
                const double v = ((((1 - u) * (1 - t)) * p[i] + ((1 - u) * t) * p2[i]) +
                                  ((u * (1 - t)) * p[i2])) +
                                 ((u * t) * p2[i2]) + 0.5;
                out[qsizetype(x) * channels + c] = uint8_t(std::min(int(v), 255));
            }
        }
    }
}

// Area average of bilinear samples: sx = W / w, sy = H / h, kx and ky their
// integer parts. Target (x, y) starts at source (x * sx, y * sy), integer
// parts x0, y0 and fractions fx, fy; it sums the (kx + 1) * (ky + 1) bilinear
// samples at (x0 + j + fx, y0 + i + fy), those of the last row weighted
// sy - ky and those of the last column sx - kx, and divides by sx * sy.
// Source indices past the end read the last column or row.
void shrinkLinearReference(ConstPixelView src, PixelView dst, int channels) {
    if (!usable(src, dst, channels)) return;
    const int W = src.Width;
    const int H = src.Height;
    const int w = dst.Width;
    const int h = dst.Height;
    const double sx = double(W) / w;
    const double sy = double(H) / h;
    const int kx = int(sx);
    const int ky = int(sy);
    const auto at = [&](int x, int y, int c) -> double {
        return src.row(std::min(y, H - 1))[qsizetype(std::min(x, W - 1)) * channels + c];
    };
    for (int y = 0; y < h; ++y) {
        const int y0 = int(y * sy);
        const double fy = y * sy - y0;
        uint8_t* out = dst.row(y);
        for (int x = 0; x < w; ++x) {
            const int x0 = int(x * sx);
            const double fx = x * sx - x0;
            for (int c = 0; c < channels; ++c) {
                double sum = 0;
                for (int i = 0; i <= ky; ++i) {
                    for (int j = 0; j <= kx; ++j) {
                        double s = ((1 - fx) * (1 - fy)) * at(x0 + j, y0 + i, c) +
                                   ((1 - fx) * fy) * at(x0 + j, y0 + i + 1, c) +
                                   (fx * (1 - fy)) * at(x0 + j + 1, y0 + i, c) +
                                   (fx * fy) * at(x0 + j + 1, y0 + i + 1, c);
                        if (i == ky) s *= sy - ky;
                        if (j == kx) s *= sx - kx;
                        sum += s;
                    }
                }
                out[qsizetype(x) * channels + c] = clampToByte(RoundEven(sum / (sx * sy)));
            }
        }
    }
}

} // namespace lx
