// Cubic resampling with the convolution kernel of parameter -1.
//
// A cubic sample separates into a horizontal pass over four source rows and a
// vertical pass over those four results. The horizontal pass of a source row
// at a given target column is the same for every target row that reads that
// source row, so the fast forms compute it once per source row into a small
// ring of rows and leave only the four vertical taps per target value. They
// re-use values but never re-associate a sum: every sum runs in the order the
// plain forms use (and the build forbids fused multiply-adds), so both reach
// the same doubles and therefore the same bytes.

#include "kernels/resample_cubic.h"

#include "lxTypes.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/cpu_features.h"

namespace lx {
namespace {

// k(d) = 1 - 2d^2 + d^3 for d < 1, 4 - 8d + 5d^2 - d^3 for 1 <= d < 2 and 0
// beyond, evaluated in exactly this association everywhere:
//   d < 1:       (1 - (2d)d) + (dd)d
//   1 <= d < 2:  ((4 - 8d) + (5d)d) - (dd)d
// Both pieces are 0 at d = 1, and the second is 0 at d = 2.
inline double cubicKernel(double d) {
    if (d < 1.0) return (1.0 - (2.0 * d) * d) + (d * d) * d;
    if (d < 2.0) return ((4.0 - 8.0 * d) + (5.0 * d) * d) - (d * d) * d;
    return 0.0;
}

// Weights of the taps at -1, 0, +1 and +2 around a position with fraction t
// (0 <= t < 1): their distances are 1 + t, t, 1 - t and 2 - t. A whole
// position gives 0, 1, 0, 0; t = 1/2 gives -1/8, 5/8, 5/8, -1/8.
inline void cubicWeights(double t, double* w) {
    w[0] = cubicKernel(1.0 + t);
    w[1] = cubicKernel(t);
    w[2] = cubicKernel(1.0 - t);
    w[3] = cubicKernel(2.0 - t);
}

// Four taps summed left to right, ((w0 a + w1 b) + w2 c) + w3 d: the order of
// the horizontal and of the vertical pass alike.
inline double taps4(const double* w, double a, double b, double c, double d) {
    return ((w[0] * a + w[1] * b) + w[2] * c) + w[3] * d;
}

inline int clampIndex(int i, int size) {
    return std::clamp(i, 0, size - 1);
}
inline uint8_t clampByte(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}
// A shrinking sample is limited to the byte range before it is weighted.
inline double clampSample(double v) {
    return v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
}

// Enlarging: target index i along an axis of factor f = target / source size
// reads source position s = i / f. Its whole part picks the source index
// (kept inside the picture); the fraction is taken from the whole part before
// it is kept inside.
inline void enlargedPosition(int i, double f, int size, int& index, double& frac) {
    const double s = i / f;
    const int whole = int(s);
    index = std::min(whole, size - 1);
    frac = s - whole;
}

// Shrinking: target index i with step s = source / target size starts at
// source position i * s.
inline void shrunkPosition(int i, double step, int& whole, double& frac) {
    const double s = i * step;
    whole = int(s);
    frac = s - whole;
}

} // namespace

// The four source rows and columns around a position are index - 1 .. index + 2,
// each kept inside the picture, which reads the picture as if padded by copies
// of its edge pixels. Each value is the vertical sum of the four horizontal
// sums, plus one half, truncated towards zero and limited to 0..255.
void enlargeCubicReference(ConstPixelView src, PixelView dst, int channels) {
    const int W = src.Width, H = src.Height, w = dst.Width, h = dst.Height;
    if (W < 1 || H < 1 || w < 1 || h < 1) return;
    const double fx = double(w) / W, fy = double(h) / H;
    for (int y = 0; y < h; ++y) {
        int row;
        double t;
        enlargedPosition(y, fy, H, row, t);
        double wy[4];
        cubicWeights(t, wy);
        const uint8_t* rows[4];
        for (int k = 0; k < 4; ++k)
            rows[k] = src.row(clampIndex(row - 1 + k, H));
        uint8_t* out = dst.row(y);
        for (int x = 0; x < w; ++x) {
            int col;
            double u;
            enlargedPosition(x, fx, W, col, u);
            double wx[4];
            cubicWeights(u, wx);
            qsizetype at[4];
            for (int k = 0; k < 4; ++k)
                at[k] = qsizetype(clampIndex(col - 1 + k, W)) * channels;
            for (int c = 0; c < channels; ++c) {
                double across[4];
                for (int k = 0; k < 4; ++k) {
                    const uint8_t* p = rows[k] + c;
                    across[k] = taps4(wx, p[at[0]], p[at[1]], p[at[2]], p[at[3]]);
                }
                const double sum = taps4(wy, across[0], across[1], across[2], across[3]);
                out[qsizetype(x) * channels + c] = clampByte(int(sum + 0.5));
            }
        }
    }
}

// Area average of cubic samples: target (x, y) covers source x*sx .. (x+1)*sx
// and likewise in y. Samples sit at whole steps from the area's start,
// (x0 + j + fx, y0 + i + fy) for i = 0..ky and j = 0..kx; the last row and
// column of samples count only for the part of a step the area still covers
// (sy - ky, sx - kx), so the weights add up to sx * sy. Each sample is the
// 4 x 4 cubic interpolation (horizontal first), limited to 0..255; the value
// is the weighted sum over sx * sy, rounded half to even.
void shrinkCubicReference(ConstPixelView src, PixelView dst, int channels) {
    const int W = src.Width, H = src.Height, w = dst.Width, h = dst.Height;
    if (W < 1 || H < 1 || w < 1 || h < 1) return;
    const double sx = double(W) / w, sy = double(H) / h;
    const int kx = int(sx), ky = int(sy);
    for (int y = 0; y < h; ++y) {
        int y0;
        double fy;
        shrunkPosition(y, sy, y0, fy);
        double wy[4];
        cubicWeights(fy, wy);
        uint8_t* out = dst.row(y);
        for (int x = 0; x < w; ++x) {
            int x0;
            double fx;
            shrunkPosition(x, sx, x0, fx);
            double wx[4];
            cubicWeights(fx, wx);
            for (int c = 0; c < channels; ++c) {
                double sum = 0.0;
                for (int i = 0; i <= ky; ++i) {
                    for (int j = 0; j <= kx; ++j) {
                        double across[4];
                        for (int k = 0; k < 4; ++k) {
                            const uint8_t* p = src.row(clampIndex(y0 + i - 1 + k, H)) + c;
                            double v[4];
                            for (int m = 0; m < 4; ++m)
                                v[m] = p[qsizetype(clampIndex(x0 + j - 1 + m, W)) * channels];
                            across[k] = taps4(wx, v[0], v[1], v[2], v[3]);
                        }
                        double sample =
                            clampSample(taps4(wy, across[0], across[1], across[2], across[3]));
                        if (i == ky) sample *= sy - ky;
                        if (j == kx) sample *= sx - kx;
                        sum += sample;
                    }
                }
                out[qsizetype(x) * channels + c] = clampByte(RoundEven(sum / (sx * sy)));
            }
        }
    }
}

namespace {

// ---- the fast forms ----
//
// A source row is first turned into doubles, padded: position q holds pixel
// clamp(q - 1, 0, W - 1) for q = 0 .. W + 3, one copy of the first pixel
// before the row and three copies of the last after it. Keeping every tap
// index inside the picture is then the same as reading four consecutive
// positions: a sample whose first tap is pixel s (s >= -1) reads positions
// q .. q + 3 with q = min(s, W - 1) + 1. Past the right edge all four taps
// are the last pixel either way.
constexpr int kPaddedExtra = 4;

// Per target column of a shrink: where each sample's taps start, and the
// weights of the column's fraction, which all its samples share.
struct ShrinkColumns {
    int w = 0;                   // target width
    int W = 0;                   // source width
    int samples = 0;             // samples per target column that carry weight
    std::vector<int> x0;         // per x: first source column of the area
    std::vector<int> first;      // per (j, x), j-major: min(x0 + j, W)
    std::vector<double> weights; // per x: four weights
    size_t planeStride = 0;      // doubles from one sample's plane to the next
};

// One row of samples i of a shrink, for every target column of a target
// row: sample j of a value is the vertical sum over the four source rows'
// plane j, limited to 0..255, then multiplied by ay and, for sample
// lastSample, by lastColumn.
struct SampleRow {
    const double* rows[4]; // horizontal sums of the four source rows
    size_t planeStride;
    int samples;
    int lastSample; // the sample on the area's last, partly covered column, or -1
    double lastColumn;
    double ay; // 1, or the part of a step the last row of samples covers
    const double* wy;
};

// Pixels of a padded row take `lanes` doubles each: their channels, and in the
// vector form of 24-bit rows a fourth, zero one, so that one load is one pixel.
struct RowKernels {
    int lanes;
    void (*pad)(const uint8_t* row, int W, double* out);
    // out[x * channels + c] = taps at padded positions first[x] .. first[x] + 3
    // with weights[4x .. 4x + 3], for x < n. out has one spare double at the end.
    void (*horizontal)(const double* padded, const int* first, const double* weights, int n,
                       double* out);
    // The horizontal sums of one source row for every sample of a shrink:
    // sample j's plane at planes + j * planeStride.
    void (*shrinkHorizontal)(const double* padded, const ShrinkColumns& cols, double* planes);
    // out[i] = byte of the vertical sum over rows[0..3][i] plus one half, i < n.
    void (*enlargeVertical)(const double* const* rows, const double* wy, int n, uint8_t* out);
    // Adds one row of samples to the sums of a target row.
    void (*shrinkVertical)(const SampleRow& s, double* acc, int n);
};

template <int CH, int LANES> void padRowScalar(const uint8_t* row, int W, double* out) {
    auto put = [&](int q, int pixel) {
        double* o = out + ptrdiff_t(q) * LANES;
        const uint8_t* p = row + ptrdiff_t(pixel) * CH;
        for (int c = 0; c < CH; ++c)
            o[c] = p[c];
        for (int c = CH; c < LANES; ++c)
            o[c] = 0.0;
    };
    put(0, 0);
    for (int x = 0; x < W; ++x)
        put(x + 1, x);
    for (int q = W + 1; q < W + kPaddedExtra; ++q)
        put(q, W - 1);
}

template <int CH>
void horizontalScalar(const double* padded, const int* first, const double* weights, int n,
                      double* out) {
    for (int x = 0; x < n; ++x) {
        const double* p = padded + ptrdiff_t(first[x]) * CH;
        const double* w = weights + 4 * ptrdiff_t(x);
        double* o = out + ptrdiff_t(x) * CH;
        for (int c = 0; c < CH; ++c)
            o[c] = taps4(w, p[c], p[CH + c], p[2 * CH + c], p[3 * CH + c]);
    }
}

template <void (*Horizontal)(const double*, const int*, const double*, int, double*)>
void shrinkHorizontalByPlanes(const double* padded, const ShrinkColumns& cols, double* planes) {
    for (int j = 0; j < cols.samples; ++j)
        Horizontal(padded, cols.first.data() + size_t(j) * size_t(cols.w), cols.weights.data(),
                   cols.w, planes + size_t(j) * cols.planeStride);
}

void enlargeVerticalScalar(const double* const* rows, const double* wy, int n, uint8_t* out) {
    const double *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3];
    for (int i = 0; i < n; ++i)
        out[i] = clampByte(int(taps4(wy, r0[i], r1[i], r2[i], r3[i]) + 0.5));
}

// Sums acc[i] for from <= i < n, sample j after sample j - 1 as in the plain
// form. Multiplying by 1 changes no bit, so the samples off the last row and
// column go through the same two products as those on it.
void shrinkVerticalRange(const SampleRow& s, double* acc, int from, int n) {
    for (int j = 0; j < s.samples; ++j) {
        const double ax = j == s.lastSample ? s.lastColumn : 1.0;
        const size_t at = size_t(j) * s.planeStride;
        const double *r0 = s.rows[0] + at, *r1 = s.rows[1] + at, *r2 = s.rows[2] + at,
                     *r3 = s.rows[3] + at;
        for (int i = from; i < n; ++i) {
            const double v = clampSample(taps4(s.wy, r0[i], r1[i], r2[i], r3[i]));
            acc[i] += (v * s.ay) * ax;
        }
    }
}

void shrinkVerticalScalar(const SampleRow& s, double* acc, int n) {
    shrinkVerticalRange(s, acc, 0, n);
}

#ifdef LX_HAVE_X86

// The four weights of a sum of taps, each in every lane.
struct TapWeights {
    __m256d w0, w1, w2, w3;
};

__attribute__((target("avx2"))) inline TapWeights tapWeights(const double* w) {
    return {_mm256_broadcast_sd(w), _mm256_broadcast_sd(w + 1), _mm256_broadcast_sd(w + 2),
            _mm256_broadcast_sd(w + 3)};
}

// taps4 in every lane, in the same order.
__attribute__((target("avx2"))) inline __m256d taps4(const TapWeights& w, __m256d a, __m256d b,
                                                     __m256d c, __m256d d) {
    return _mm256_add_pd(
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(w.w0, a), _mm256_mul_pd(w.w1, b)),
                      _mm256_mul_pd(w.w2, c)),
        _mm256_mul_pd(w.w3, d));
}

// 24-bit rows padded to four lanes per pixel. Four bytes from pixel x reach
// into pixel x + 1, so the last pixel and the copies go the plain way.
__attribute__((target("avx2"))) void padBgrAvx2(const uint8_t* row, int W, double* out) {
    auto put = [out, row](int q, int pixel) {
        double* o = out + 4 * ptrdiff_t(q);
        const uint8_t* p = row + 3 * ptrdiff_t(pixel);
        o[0] = p[0];
        o[1] = p[1];
        o[2] = p[2];
        o[3] = 0.0;
    };
    put(0, 0);
    for (int x = 0; x + 1 < W; ++x) {
        int32_t bytes;
        __builtin_memcpy(&bytes, row + 3 * ptrdiff_t(x), 4);
        const __m256d v = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
        _mm256_storeu_pd(out + 4 * ptrdiff_t(x + 1), _mm256_blend_pd(v, _mm256_setzero_pd(), 8));
    }
    for (int q = W; q < W + kPaddedExtra; ++q)
        put(q, W - 1);
}

__attribute__((target("avx2"))) void padGreyAvx2(const uint8_t* row, int W, double* out) {
    out[0] = row[0];
    int x = 0;
    for (; x + 4 <= W; x += 4) {
        int32_t bytes;
        __builtin_memcpy(&bytes, row + x, 4);
        _mm256_storeu_pd(out + 1 + x,
                         _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes))));
    }
    for (; x < W; ++x)
        out[1 + x] = row[x];
    for (int q = W + 1; q < W + kPaddedExtra; ++q)
        out[q] = row[W - 1];
}

// One pixel's three channels per register; the fourth lane lands on the
// next pixel's first channel, which the next store overwrites, or on the
// spare double after the row.
__attribute__((target("avx2"))) void horizontalBgrAvx2(const double* padded, const int* first,
                                                       const double* weights, int n, double* out) {
    for (int x = 0; x < n; ++x) {
        const double* p = padded + 4 * ptrdiff_t(first[x]);
        _mm256_storeu_pd(out + 3 * ptrdiff_t(x),
                         taps4(tapWeights(weights + 4 * ptrdiff_t(x)), _mm256_loadu_pd(p),
                               _mm256_loadu_pd(p + 4), _mm256_loadu_pd(p + 8),
                               _mm256_loadu_pd(p + 12)));
    }
}

// 24-bit shrink: the samples j of one target column start at consecutive
// padded positions x0 + j (unless the area runs into the right edge), so
// each step along j brings in one new pixel and keeps three.
__attribute__((target("avx2"))) void
shrinkHorizontalBgrAvx2(const double* padded, const ShrinkColumns& cols, double* planes) {
    const size_t stride = cols.planeStride;
    for (int x = 0; x < cols.w; ++x) {
        const TapWeights w = tapWeights(cols.weights.data() + 4 * size_t(x));
        const int x0 = cols.x0[size_t(x)];
        double* o = planes + 3 * size_t(x);
        if (x0 + cols.samples - 1 <= cols.W) {
            const double* p = padded + 4 * size_t(x0);
            __m256d t0 = _mm256_loadu_pd(p), t1 = _mm256_loadu_pd(p + 4),
                    t2 = _mm256_loadu_pd(p + 8);
            for (int j = 0; j < cols.samples; ++j) {
                const __m256d t3 = _mm256_loadu_pd(p + 4 * size_t(j + 3));
                _mm256_storeu_pd(o + size_t(j) * stride, taps4(w, t0, t1, t2, t3));
                t0 = t1;
                t1 = t2;
                t2 = t3;
            }
        } else {
            for (int j = 0; j < cols.samples; ++j) {
                const double* p = padded + 4 * size_t(std::min(x0 + j, cols.W));
                _mm256_storeu_pd(o + size_t(j) * stride,
                                 taps4(w, _mm256_loadu_pd(p), _mm256_loadu_pd(p + 4),
                                       _mm256_loadu_pd(p + 8), _mm256_loadu_pd(p + 12)));
            }
        }
    }
}

// Grey shrink: four target columns at a time, one in each lane. Along j each
// lane's taps move on by one position (until the area runs into the right
// edge), so each sample brings in one new value per lane and keeps three,
// and the four results are neighbours in sample j's plane.
__attribute__((target("avx2"))) void
shrinkHorizontalGreyAvx2(const double* padded, const ShrinkColumns& cols, double* planes) {
    const size_t stride = cols.planeStride;
    const int* x0 = cols.x0.data();
    int x = 0;
    // x0 does not decrease along x, so the fourth lane reaches the edge first.
    for (; x + 4 <= cols.w && x0[x + 3] + cols.samples - 1 <= cols.W; x += 4) {
        const double* wt = cols.weights.data() + 4 * size_t(x);
        // Weights k of the four columns, from their rows of four.
        const __m256d a = _mm256_loadu_pd(wt), b = _mm256_loadu_pd(wt + 4),
                      c = _mm256_loadu_pd(wt + 8), d = _mm256_loadu_pd(wt + 12);
        const __m256d ab0 = _mm256_unpacklo_pd(a, b), ab1 = _mm256_unpackhi_pd(a, b),
                      cd0 = _mm256_unpacklo_pd(c, d), cd1 = _mm256_unpackhi_pd(c, d);
        const TapWeights w = {
            _mm256_permute2f128_pd(ab0, cd0, 0x20), _mm256_permute2f128_pd(ab1, cd1, 0x20),
            _mm256_permute2f128_pd(ab0, cd0, 0x31), _mm256_permute2f128_pd(ab1, cd1, 0x31)};
        const double *p0 = padded + x0[x], *p1 = padded + x0[x + 1], *p2 = padded + x0[x + 2],
                     *p3 = padded + x0[x + 3];
        __m256d t0 = _mm256_setr_pd(p0[0], p1[0], p2[0], p3[0]),
                t1 = _mm256_setr_pd(p0[1], p1[1], p2[1], p3[1]),
                t2 = _mm256_setr_pd(p0[2], p1[2], p2[2], p3[2]);
        double* o = planes + x;
        for (int j = 0; j < cols.samples; ++j) {
            const int q = j + 3;
            const __m256d t3 = _mm256_setr_pd(p0[q], p1[q], p2[q], p3[q]);
            _mm256_storeu_pd(o + size_t(j) * stride, taps4(w, t0, t1, t2, t3));
            t0 = t1;
            t1 = t2;
            t2 = t3;
        }
    }
    for (; x < cols.w; ++x) {
        const double* w = cols.weights.data() + 4 * size_t(x);
        for (int j = 0; j < cols.samples; ++j) {
            const double* p = padded + std::min(x0[x] + j, cols.W);
            planes[size_t(j) * stride + size_t(x)] = taps4(w, p[0], p[1], p[2], p[3]);
        }
    }
}

// Truncating conversion is the integer part; the two saturating packs then
// limit to 0..255 (the sums stay far inside 16 bits).
__attribute__((target("avx2"))) void enlargeVerticalAvx2(const double* const* rows,
                                                         const double* wy, int n, uint8_t* out) {
    const TapWeights w = tapWeights(wy);
    const __m256d half = _mm256_set1_pd(0.5);
    // Local copies: the byte stores below could otherwise alias the array.
    const double *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3];
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i v[4];
        for (int m = 0; m < 4; ++m) {
            const int at = i + 4 * m;
            v[m] = _mm256_cvttpd_epi32(
                _mm256_add_pd(taps4(w, _mm256_loadu_pd(r0 + at), _mm256_loadu_pd(r1 + at),
                                    _mm256_loadu_pd(r2 + at), _mm256_loadu_pd(r3 + at)),
                              half));
        }
        const __m128i a = v[0], b = v[1], c = v[2], d = v[3];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
    }
    const double* rest[4] = {r0 + i, r1 + i, r2 + i, r3 + i};
    enlargeVerticalScalar(rest, wy, n - i, out + i);
}

// Four values at a time run through all samples of the row in a register.
// The maximum with +0 turns a -0 sample into +0 where the plain form keeps
// -0; either adds nothing to a sum that starts at +0 and so is never -0.
__attribute__((target("avx2"))) void shrinkVerticalAvx2(const SampleRow& s, double* acc, int n) {
    const TapWeights w = tapWeights(s.wy);
    const __m256d zero = _mm256_setzero_pd(), top = _mm256_set1_pd(255.0);
    const __m256d ay = _mm256_set1_pd(s.ay), ax = _mm256_set1_pd(s.lastColumn);
    // Products by 1 are left out; they would change no bit.
    const bool rowWeighted = s.ay != 1.0;
    const ptrdiff_t stride = ptrdiff_t(s.planeStride);
    const int samples = s.samples, lastSample = s.lastSample;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const double *r0 = s.rows[0] + i, *r1 = s.rows[1] + i, *r2 = s.rows[2] + i,
                     *r3 = s.rows[3] + i;
        __m256d sum = _mm256_loadu_pd(acc + i);
        for (int j = 0; j < samples; ++j) {
            const ptrdiff_t at = j * stride;
            __m256d v = taps4(w, _mm256_loadu_pd(r0 + at), _mm256_loadu_pd(r1 + at),
                              _mm256_loadu_pd(r2 + at), _mm256_loadu_pd(r3 + at));
            v = _mm256_min_pd(_mm256_max_pd(v, zero), top);
            if (rowWeighted) v = _mm256_mul_pd(v, ay);
            if (j == lastSample) v = _mm256_mul_pd(v, ax);
            sum = _mm256_add_pd(sum, v);
        }
        _mm256_storeu_pd(acc + i, sum);
    }
    shrinkVerticalRange(s, acc, i, n);
}

#endif

CubicPath resolve(CubicPath path) {
    if (path == CubicPath::Best || path == CubicPath::Avx2)
        return lx::cpuHasAvx2() ? CubicPath::Avx2 : CubicPath::Scalar;
    return CubicPath::Scalar;
}

RowKernels rowKernels(CubicPath path, int channels) {
#ifdef LX_HAVE_X86
    if (resolve(path) == CubicPath::Avx2) {
        if (channels == 3)
            return {4,
                    padBgrAvx2,
                    horizontalBgrAvx2,
                    shrinkHorizontalBgrAvx2,
                    enlargeVerticalAvx2,
                    shrinkVerticalAvx2};
        return {1,
                padGreyAvx2,
                horizontalScalar<1>,
                shrinkHorizontalGreyAvx2,
                enlargeVerticalAvx2,
                shrinkVerticalAvx2};
    }
#else
    (void)path;
#endif
    if (channels == 3)
        return {3,
                padRowScalar<3, 3>,
                horizontalScalar<3>,
                shrinkHorizontalByPlanes<horizontalScalar<3>>,
                enlargeVerticalScalar,
                shrinkVerticalScalar};
    return {1,
            padRowScalar<1, 1>,
            horizontalScalar<1>,
            shrinkHorizontalByPlanes<horizontalScalar<1>>,
            enlargeVerticalScalar,
            shrinkVerticalScalar};
}

// Enlarging takes up to this many target rows that share their source rows
// at once, over blocks of this many values (a multiple of the vector loops'
// sixteen; four rows of a block fill 16 KiB).
constexpr int kEnlargeGroup = 8;
constexpr int kColumnBlock = 512;

// Room for one target row of horizontal sums and the spare double the
// vector stores may touch, rounded up to whole registers.
size_t rowStride(int w, int channels) {
    return (size_t(w) * size_t(channels) + 1 + 3) & ~size_t(3);
}

// A ring of four rows of horizontal sums, slot r mod 4 for source row r. The
// four rows one target row reads are consecutive once kept inside the
// picture, so they never share a slot; moving down the target only ever
// drops rows above the ones still needed.
class RowRing {
public:
    RowRing(size_t slotSize) : slotSize_(slotSize), data_(4 * slotSize) {}
    // The slot of row r, and whether it still has to be filled.
    double* slot(int r, bool& fill) {
        const int s = r & 3;
        fill = tags_[s] != r;
        tags_[s] = r;
        return data_.data() + size_t(s) * slotSize_;
    }

private:
    size_t slotSize_;
    std::vector<double> data_;
    int tags_[4] = {-1, -1, -1, -1};
};

} // namespace

void enlargeCubicOn(CubicPath path, ConstPixelView src, PixelView dst, int channels,
                    const RowDone& rowDone) {
    if (channels != 1 && channels != 3) return enlargeCubicReference(src, dst, channels);
    const int W = src.Width, H = src.Height, w = dst.Width, h = dst.Height;
    if (W < 1 || H < 1 || w < 1 || h < 1) return;
    const RowKernels k = rowKernels(path, channels);

    // Per target column: taps col - 1 .. col + 2 start at padded position col.
    const double fx = double(w) / W, fy = double(h) / H;
    std::vector<int> first(static_cast<size_t>(w));
    std::vector<double> weights(4 * size_t(w));
    for (int x = 0; x < w; ++x) {
        double u;
        enlargedPosition(x, fx, W, first[size_t(x)], u);
        cubicWeights(u, weights.data() + 4 * size_t(x));
    }

    std::vector<double> padded((size_t(W) + kPaddedExtra) * size_t(k.lanes));
    RowRing ring(rowStride(w, channels));
    auto across = [&](int r) -> const double* {
        bool fill;
        double* slot = ring.slot(r, fill);
        if (fill) {
            k.pad(src.row(r), W, padded.data());
            k.horizontal(padded.data(), first.data(), weights.data(), w, slot);
        }
        return slot;
    };

    // Target rows that read the same source rows go together, column block by
    // column block, so that the four rows' block stays in the first-level
    // cache while each target row of the group takes its vertical taps.
    const int n = w * channels;
    double wy[kEnlargeGroup][4];
    for (int y = 0; y < h;) {
        int row;
        double t;
        enlargedPosition(y, fy, H, row, t);
        cubicWeights(t, wy[0]);
        int group = 1;
        for (; group < kEnlargeGroup && y + group < h; ++group) {
            int next;
            enlargedPosition(y + group, fy, H, next, t);
            if (next != row) break;
            cubicWeights(t, wy[group]);
        }
        const double* rows[4];
        for (int i = 0; i < 4; ++i)
            rows[i] = across(clampIndex(row - 1 + i, H));
        for (int from = 0; from < n; from += kColumnBlock) {
            const int count = std::min(kColumnBlock, n - from);
            const double* block[4] = {rows[0] + from, rows[1] + from, rows[2] + from,
                                      rows[3] + from};
            for (int g = 0; g < group; ++g)
                k.enlargeVertical(block, wy[g], count, dst.row(y + g) + from);
        }
        for (int g = 0; g < group; ++g)
            if (rowDone) rowDone(y + g + 1);
        y += group;
    }
}

void shrinkCubicOn(CubicPath path, ConstPixelView src, PixelView dst, int channels,
                   const RowDone& rowDone) {
    if (channels != 1 && channels != 3) return shrinkCubicReference(src, dst, channels);
    const int W = src.Width, H = src.Height, w = dst.Width, h = dst.Height;
    if (W < 1 || H < 1 || w < 1 || h < 1) return;
    const RowKernels k = rowKernels(path, channels);

    const double sx = double(W) / w, sy = double(H) / h;
    const int kx = int(sx), ky = int(sy);
    const double lastColumn = sx - kx, lastRow = sy - ky;
    const double area = sx * sy;
    // A whole step leaves the last row or column of samples weighted by 0;
    // they would add +0 to sums that are never -0, so they are left out.
    const int rowsOfSamples = lastRow == 0.0 ? ky : ky + 1;

    ShrinkColumns cols;
    cols.w = w;
    cols.W = W;
    cols.samples = lastColumn == 0.0 ? kx : kx + 1;
    cols.x0.resize(size_t(w));
    cols.first.resize(size_t(cols.samples) * size_t(w));
    cols.weights.resize(4 * size_t(w));
    cols.planeStride = rowStride(w, channels);
    for (int x = 0; x < w; ++x) {
        int x0;
        double fx;
        shrunkPosition(x, sx, x0, fx);
        cols.x0[size_t(x)] = x0;
        cubicWeights(fx, cols.weights.data() + 4 * size_t(x));
        // Sample j's taps start at pixel x0 + j - 1, padded position
        // min(x0 + j - 1, W - 1) + 1.
        for (int j = 0; j < cols.samples; ++j)
            cols.first[size_t(j) * size_t(w) + size_t(x)] = std::min(x0 + j, W);
    }

    std::vector<double> padded((size_t(W) + kPaddedExtra) * size_t(k.lanes));
    RowRing ring(size_t(cols.samples) * cols.planeStride);
    auto across = [&](int r) -> const double* {
        bool fill;
        double* slot = ring.slot(r, fill);
        if (fill) {
            k.pad(src.row(r), W, padded.data());
            k.shrinkHorizontal(padded.data(), cols, slot);
        }
        return slot;
    };

    const int n = w * channels;
    std::vector<double> acc(static_cast<size_t>(n));
    for (int y = 0; y < h; ++y) {
        int y0;
        double fy;
        shrunkPosition(y, sy, y0, fy);
        double wy[4];
        cubicWeights(fy, wy);
        std::fill(acc.begin(), acc.end(), 0.0);
        // Row of samples i outer, sample j inner: each value's sum runs in
        // the plain form's order.
        SampleRow samples;
        samples.planeStride = cols.planeStride;
        samples.samples = cols.samples;
        samples.lastSample = kx < cols.samples ? kx : -1;
        samples.lastColumn = lastColumn;
        samples.wy = wy;
        for (int i = 0; i < rowsOfSamples; ++i) {
            samples.ay = i == ky ? lastRow : 1.0;
            for (int m = 0; m < 4; ++m)
                samples.rows[m] = across(clampIndex(y0 + i - 1 + m, H));
            k.shrinkVertical(samples, acc.data(), n);
        }
        uint8_t* out = dst.row(y);
        for (int i = 0; i < n; ++i)
            out[i] = clampByte(RoundEven(acc[size_t(i)] / area));
        if (rowDone) rowDone(y + 1);
    }
}

void enlargeCubic(ConstPixelView src, PixelView dst, int channels, const RowDone& rowDone) {
    enlargeCubicOn(CubicPath::Best, src, dst, channels, rowDone);
}

void shrinkCubic(ConstPixelView src, PixelView dst, int channels, const RowDone& rowDone) {
    shrinkCubicOn(CubicPath::Best, src, dst, channels, rowDone);
}

std::vector<CubicPath> cubicPaths() {
    std::vector<CubicPath> paths{CubicPath::Scalar};
    if (lx::cpuHasAvx2()) paths.push_back(CubicPath::Avx2);
    return paths;
}

const char* cubicPathName(CubicPath path) {
    switch (path) {
    case CubicPath::Best:
        return "best";
    case CubicPath::Scalar:
        return "scalar";
    case CubicPath::Avx2:
        return "avx2";
    }
    return "?";
}

} // namespace lx
