// The Gaussian blur of 8-bit effect masks: the kernel, the plain blur that
// defines the bytes, and the fast blur that reproduces them.

#include "kernels/blur.h"
#include "core/row_bands.h"
#include "kernels/blur_kernels.h"
#include "lxTypes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "core/cpu_features.h"

namespace lx {

namespace {

// Zero, negative, infinite and NaN radii have no Gaussian; the blur leaves
// the mask alone for them.
bool usableRadius(double radius) {
    return std::isfinite(radius) && radius > 0;
}

// The byte of a weighted sum: its integer part, with sums at or past 255
// giving 255 and (never arising with these weights) negative sums 0.
inline uint8_t sumToByte(float s) {
    if (s >= 255.0f) return 255;
    if (s < 0.0f) return 0;
    return uint8_t(s);
}

} // namespace

// Each weight is exp(-(i / r)^2 / 2) evaluated in double (t = i / r, then
// exp(-(t * t) / 2)) and rounded once to float. The two normalising sums are
// taken in double, in index order (-200..200, then -K..K), and every quotient
// float / double is formed in double and rounded once to float; the tail sum
// that picks K is a double too, compared with the double 1 / 510. Summing in
// float instead picks the same K for every radius the effects use (0.6 and
// n / 2 up to 200) but moves most weights by a unit in the last place;
// double sums keep each normalised weight within one rounding of the exact
// quotient. Weights outside -K..K keep their first normalisation and are
// never read.
GaussianKernel makeGaussianKernel(double Radius) {
    GaussianKernel kernel;
    if (!usableRadius(Radius)) {
        // The identity: w[0] = 1, w[+-1] = 0 blurs nothing.
        kernel.Weights[200] = 1.0f;
        kernel.HalfWidth = 1;
        return kernel;
    }
    for (int i = -200; i <= 200; ++i) {
        const double t = i / Radius;
        kernel.Weights[size_t(i + 200)] = float(std::exp(-(t * t) / 2));
    }
    double total = 0; // at least w[0] = 1
    for (const float w : kernel.Weights)
        total += w;
    for (float& w : kernel.Weights)
        w = float(w / total);

    // Pairs of tail weights go from the outside in until the dropped mass
    // reaches 1 / 510, half a level in 255; the pair that reaches it goes
    // too, and K = 1 is kept whatever the tail.
    int k = 200;
    double dropped = 0;
    while (dropped < 1.0 / 510 && k > 1) {
        dropped += 2.0 * kernel.at(k);
        --k;
    }
    double kept = 0;
    for (int i = -k; i <= k; ++i)
        kept += kernel.at(i);
    for (int i = -k; i <= k; ++i) {
        float& w = kernel.Weights[size_t(i + 200)];
        w = float(w / kept);
    }
    kernel.HalfWidth = k;
    return kernel;
}

// ---- the plain blur ----

namespace {

// One line d[0..n] (count = n + 1 bytes) into out: for every i,
// s = w[-K] * d[clamp(i + K)] + ... + w[K] * d[clamp(i - K)], summed in float
// from k = -K upwards, each product rounded to float before it is added.
void blurLineReference(const uint8_t* d, int count, const GaussianKernel& kernel, uint8_t* out) {
    const int last = count - 1;
    const int K = kernel.HalfWidth;
    for (int i = 0; i < count; ++i) {
        float s = 0.0f;
        for (int k = -K; k <= K; ++k) {
            const float product = kernel.at(k) * float(d[std::clamp(i - k, 0, last)]);
            s = s + product;
        }
        out[i] = sumToByte(s);
    }
}

} // namespace

void gaussianBlurMaskReference(PixelView Mask, double Radius) {
    if (!usableRadius(Radius) || Mask.Data == nullptr || Mask.Width <= 0 || Mask.Height <= 0)
        return;
    const GaussianKernel kernel = makeGaussianKernel(Radius);
    const size_t longest = size_t(std::max(Mask.Width, Mask.Height));
    std::vector<uint8_t> line(longest), blurred(longest);
    for (int y = 0; y < Mask.Height; ++y) {
        uint8_t* row = Mask.row(y);
        std::copy(row, row + Mask.Width, line.begin());
        blurLineReference(line.data(), Mask.Width, kernel, blurred.data());
        std::copy(blurred.begin(), blurred.begin() + Mask.Width, row);
    }
    for (int x = 0; x < Mask.Width; ++x) {
        for (int y = 0; y < Mask.Height; ++y)
            line[size_t(y)] = Mask.row(y)[x];
        blurLineReference(line.data(), Mask.Height, kernel, blurred.data());
        for (int y = 0; y < Mask.Height; ++y)
            Mask.row(y)[x] = blurred[size_t(y)];
    }
}

// ---- line kernels ----
//
// Each output is one lane with its own accumulator; output line j's lane i
// adds weights[v + j] * rows[v][i] for v = 0, 1, ... exactly as the plain
// line adds its taps, multiply then add (no fused multiply-add, which would
// skip the product's rounding). A block holds M lines of V vectors, so one
// loaded vector serves M lines and the adds of one step do not wait on each
// other; the last block of a span takes the leftover vectors, its last
// vector possibly part-filled (the lanes past n read the slack of the rows
// and are dropped).

namespace {

template <int M, int V>
inline void blockPlain(const float* const* rows, const float* weights, int rowCount, int i, int n,
                       uint8_t* const* out) {
    float acc[M][V] = {};
    for (int v = 0; v < rowCount; ++v) {
        const float* p = rows[v] + i;
        for (int j = 0; j < M; ++j) {
            const float w = weights[v + j];
            for (int c = 0; c < V; ++c)
                acc[j][c] = acc[j][c] + w * p[c];
        }
    }
    for (int j = 0; j < M; ++j)
        for (int c = 0; c < V && i + c < n; ++c)
            out[j][i + c] = sumToByte(acc[j][c]);
}

template <int M>
void linesPlain(const float* const* rows, const float* weights, int rowCount, int n,
                uint8_t* const* out) {
    for (int i = 0; i < n; i += 8)
        blockPlain<M, 8>(rows, weights, rowCount, i, n, out);
}

#ifdef LX_HAVE_X86

// Eight sums to eight bytes: clamp to 0..255 (the order of max and min does
// not matter, the sums are not NaN), truncate, and narrow with saturation,
// which nothing reaches after the clamp.
__attribute__((target("avx2"))) inline void storeBytes8(__m256 s, uint8_t* out, int count) {
    s = _mm256_min_ps(_mm256_max_ps(s, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    const __m256i v = _mm256_cvttps_epi32(s);
    const __m128i words =
        _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    const __m128i bytes = _mm_packus_epi16(words, words);
    if (count >= 8) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
    } else {
        alignas(16) uint8_t part[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(part), bytes);
        std::memcpy(out, part, size_t(count));
    }
}

template <int M, int V>
__attribute__((target("avx2"))) inline void blockAvx2(const float* const* rows,
                                                      const float* weights, int rowCount, int i,
                                                      int n, uint8_t* const* out) {
    __m256 acc[M][V];
    for (int j = 0; j < M; ++j)
        for (int c = 0; c < V; ++c)
            acc[j][c] = _mm256_setzero_ps();
    for (int v = 0; v < rowCount; ++v) {
        const float* p = rows[v] + i;
        __m256 x[V];
#pragma GCC unroll 8
        for (int c = 0; c < V; ++c)
            x[c] = _mm256_loadu_ps(p + 8 * c);
#pragma GCC unroll 4
        for (int j = 0; j < M; ++j) {
            const __m256 w = _mm256_broadcast_ss(weights + v + j);
#pragma GCC unroll 8
            for (int c = 0; c < V; ++c)
                acc[j][c] = _mm256_add_ps(acc[j][c], _mm256_mul_ps(w, x[c]));
        }
    }
    for (int j = 0; j < M; ++j)
        for (int c = 0; c < V; ++c)
            storeBytes8(acc[j][c], out[j] + i + 8 * c, n - (i + 8 * c));
}

// The leftover 1..V vectors of a span in one block.
template <int M, int V>
__attribute__((target("avx2"))) inline void tailAvx2(int vectors, const float* const* rows,
                                                     const float* weights, int rowCount, int i,
                                                     int n, uint8_t* const* out) {
    if constexpr (V > 1)
        if (vectors < V) return tailAvx2<M, V - 1>(vectors, rows, weights, rowCount, i, n, out);
    blockAvx2<M, V>(rows, weights, rowCount, i, n, out);
}

template <int M, int V>
__attribute__((target("avx2"))) void linesAvx2(const float* const* rows, const float* weights,
                                               int rowCount, int n, uint8_t* const* out) {
    int i = 0;
    for (; i + 8 * V <= n; i += 8 * V)
        blockAvx2<M, V>(rows, weights, rowCount, i, n, out);
    if (i < n) tailAvx2<M, V>((n - i + 7) / 8, rows, weights, rowCount, i, n, out);
}

// Sixteen sums to sixteen bytes, as storeBytes8; the unsigned saturating
// narrow stores only the lanes asked for. The zero-masking forms with every
// lane selected are the plain instructions; the unmasked intrinsics trip a
// false uninitialised-value warning in this compiler's headers.
__attribute__((target("avx512f"))) inline void storeBytes16(__m512 s, uint8_t* out, int count) {
    const __mmask16 all = 0xFFFF;
    s = _mm512_maskz_min_ps(all, _mm512_maskz_max_ps(all, s, _mm512_setzero_ps()),
                            _mm512_set1_ps(255.0f));
    const __mmask16 lanes = count >= 16 ? all : __mmask16((1u << count) - 1);
    _mm512_mask_cvtusepi32_storeu_epi8(out, lanes, _mm512_maskz_cvttps_epi32(all, s));
}

template <int M, int V>
__attribute__((target("avx512f"))) inline void blockAvx512(const float* const* rows,
                                                           const float* weights, int rowCount,
                                                           int i, int n, uint8_t* const* out) {
    __m512 acc[M][V];
    for (int j = 0; j < M; ++j)
        for (int c = 0; c < V; ++c)
            acc[j][c] = _mm512_setzero_ps();
    for (int v = 0; v < rowCount; ++v) {
        const float* p = rows[v] + i;
        __m512 x[V];
#pragma GCC unroll 8
        for (int c = 0; c < V; ++c)
            x[c] = _mm512_loadu_ps(p + 16 * c);
#pragma GCC unroll 4
        for (int j = 0; j < M; ++j) {
            const __m512 w = _mm512_set1_ps(weights[v + j]);
#pragma GCC unroll 8
            for (int c = 0; c < V; ++c)
                acc[j][c] = _mm512_add_ps(acc[j][c], _mm512_mul_ps(w, x[c]));
        }
    }
    for (int j = 0; j < M; ++j)
        for (int c = 0; c < V; ++c)
            storeBytes16(acc[j][c], out[j] + i + 16 * c, n - (i + 16 * c));
}

template <int M, int V>
__attribute__((target("avx512f"))) inline void tailAvx512(int vectors, const float* const* rows,
                                                          const float* weights, int rowCount, int i,
                                                          int n, uint8_t* const* out) {
    if constexpr (V > 1)
        if (vectors < V) return tailAvx512<M, V - 1>(vectors, rows, weights, rowCount, i, n, out);
    blockAvx512<M, V>(rows, weights, rowCount, i, n, out);
}

template <int M, int V>
__attribute__((target("avx512f"))) void linesAvx512(const float* const* rows, const float* weights,
                                                    int rowCount, int n, uint8_t* const* out) {
    int i = 0;
    for (; i + 16 * V <= n; i += 16 * V)
        blockAvx512<M, V>(rows, weights, rowCount, i, n, out);
    if (i < n) tailAvx512<M, V>((n - i + 15) / 16, rows, weights, rowCount, i, n, out);
}

#endif

} // namespace

// One line takes 8 vectors per block; four lines share each loaded vector and
// take as many as the registers hold beside their accumulators.
std::vector<BlurLineKernels> blurLineKernelSets() {
    std::vector<BlurLineKernels> sets{{"plain", linesPlain<1>, linesPlain<BlurLinesAtOnce>}};
#ifdef LX_HAVE_X86
    if (lx::cpuHasAvx2()) sets.push_back({"avx2", linesAvx2<1, 8>, linesAvx2<BlurLinesAtOnce, 2>});
    if (lx::cpuHasAvx512())
        sets.push_back({"avx512", linesAvx512<1, 8>, linesAvx512<BlurLinesAtOnce, 4>});
#endif
    return sets;
}

BlurLineKernels blurLineKernels() {
#ifdef LX_HAVE_X86
    if (lx::cpuHasAvx512()) return {"avx512", linesAvx512<1, 8>, linesAvx512<BlurLinesAtOnce, 4>};
    if (lx::cpuHasAvx2()) return {"avx2", linesAvx2<1, 8>, linesAvx2<BlurLinesAtOnce, 2>};
#endif
    return {"plain", linesPlain<1>, linesPlain<BlurLinesAtOnce>};
}

// ---- the fast blur ----

namespace {

// The vertical pass over a view of a given height, one strip of columns at a
// time, four output rows at once. Rows y..y+3 need rows y - K..y + 3 + K
// (clamped), and rows above y have already been overwritten. A ring of
// min(H, 2K + 4) float rows keeps the rows still needed; row r lives in slot
// r mod that size and is copied in before output row r is written (the ring
// runs K + 3 rows ahead). The rows are walked from y + 3 + K down to y - K;
// output row y + j takes row y + j + K - t with weight w[t] for t = 0..2K,
// which in this walk comes at step t + 3 - j, in the plain order. The weights
// lie in a list with three zeros at either end, so output j reads weight
// v + j at step v, and the steps outside its window add 0 * row = +0, which
// leaves a sum of non-negative terms exactly as it was. The clamped rows of
// each group are consecutive entries of one table indexed from the bottom
// (entry e is row clamp(H - 1 + K - e)), so a group's rows are a pointer
// into it. Rows left over below the last group of four go one at a time.
class ColumnPass {
public:
    ColumnPass(const GaussianKernel& kernel, const BlurLineKernels& kernels, int height,
               int stripWidth)
        : kernels_(kernels), K_(kernel.HalfWidth), height_(height), strip_(std::max(stripWidth, 1)),
          slotCount_(std::min(height, 2 * K_ + M)),
          slotStride_((qsizetype(strip_) + BlurRowSlack - 1) / BlurRowSlack * BlurRowSlack),
          ringStore_(size_t(slotCount_) * size_t(slotStride_) + BlurRowSlack),
          rowsFromBottom_(size_t(height) + size_t(2 * K_)),
          weights_(size_t(2 * K_ + 1) + 2 * (M - 1), 0.0f) {
        // The ring starts on a 64-byte boundary and its rows are whole
        // multiples of 64 bytes, so the kernels' loads never straddle lines.
        const auto address = reinterpret_cast<uintptr_t>(ringStore_.data());
        ring_ = ringStore_.data() + (-address / sizeof(float)) % BlurRowSlack;
        const float* w = &kernel.Weights[size_t(200 - K_)];
        std::copy(w, w + 2 * K_ + 1, weights_.begin() + (M - 1));
        for (qsizetype e = 0; e < qsizetype(rowsFromBottom_.size()); ++e) {
            const qsizetype r = std::clamp<qsizetype>(height - 1 + K_ - e, 0, height - 1);
            rowsFromBottom_[size_t(e)] = ring_ + (r % slotCount_) * slotStride_;
        }
    }

    void run(PixelView mask) { runStrips(mask, 0, stripCount(mask.Width)); }

    int stripCount(int width) const { return (width + strip_ - 1) / strip_; }

    // Strips First .. End - 1 of the columns, each on its own.
    void runStrips(PixelView mask, int First, int End) {
        for (int k = First; k < End; ++k) {
            const int x0 = k * strip_;
            runStrip(mask, x0, std::min(strip_, mask.Width - x0));
        }
    }

private:
    static constexpr int M = BlurLinesAtOnce;

    void runStrip(PixelView mask, int x0, int n) {
        const int H = height_;
        const int tapCount = 2 * K_ + 1;
        int copied = 0;
        auto copyRowsThrough = [&](int last) {
            for (; copied <= std::min(H - 1, last); ++copied) {
                const uint8_t* src = mask.row(copied) + x0;
                float* dst = ring_ + qsizetype(copied % slotCount_) * slotStride_;
                for (int x = 0; x < n; ++x)
                    dst[x] = float(src[x]);
            }
        };
        int y = 0;
        for (; y + M <= H; y += M) {
            copyRowsThrough(y + M - 1 + K_);
            uint8_t* out[M];
            for (int j = 0; j < M; ++j)
                out[j] = mask.row(y + j) + x0;
            kernels_.several(rowsFromBottom_.data() + (H - y - M), weights_.data(),
                             tapCount + M - 1, n, out);
        }
        for (; y < H; ++y) {
            copyRowsThrough(y + K_);
            uint8_t* out = mask.row(y) + x0;
            kernels_.one(rowsFromBottom_.data() + (H - 1 - y), weights_.data() + (M - 1), tapCount,
                         n, &out);
        }
    }

    BlurLineKernels kernels_;
    int K_;
    int height_;
    int strip_;
    int slotCount_;
    qsizetype slotStride_;
    std::vector<float> ringStore_;
    float* ring_ = nullptr;
    std::vector<const float*> rowsFromBottom_;
    std::vector<float> weights_;
};

// dst row x, byte y = src row y, byte x, for a width x height block of src.
// Moves only, so any order gives the same bytes; 16 x 16 tiles go through
// registers, the ragged edges one byte at a time.
void transposeBytes(const uint8_t* src, qsizetype srcStride, int width, int height, uint8_t* dst,
                    qsizetype dstStride) {
    int y0 = 0;
#ifdef LX_HAVE_X86
    for (; y0 + 16 <= height; y0 += 16) {
        int x0 = 0;
        for (; x0 + 16 <= width; x0 += 16) {
            __m128i a[16], b[16];
            for (int i = 0; i < 16; ++i)
                a[i] = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(src + qsizetype(y0 + i) * srcStride + x0));
            // Four rounds of interleaving, each doubling the run of rows that
            // sit together in one element: bytes, then pairs, fours, eights.
            for (int i = 0; i < 8; ++i) {
                b[i] = _mm_unpacklo_epi8(a[2 * i], a[2 * i + 1]);     // columns 0..7
                b[i + 8] = _mm_unpackhi_epi8(a[2 * i], a[2 * i + 1]); // columns 8..15
            }
            // a[4h + i]: rows 4i..4i+3 of columns 4h..4h+3.
            for (int i = 0; i < 4; ++i) {
                a[i] = _mm_unpacklo_epi16(b[2 * i], b[2 * i + 1]);
                a[i + 4] = _mm_unpackhi_epi16(b[2 * i], b[2 * i + 1]);
                a[i + 8] = _mm_unpacklo_epi16(b[2 * i + 8], b[2 * i + 9]);
                a[i + 12] = _mm_unpackhi_epi16(b[2 * i + 8], b[2 * i + 9]);
            }
            // b[4h + 2e + i]: rows 8i..8i+7 of columns 4h + 2e and 4h + 2e + 1.
            for (int h = 0; h < 4; ++h)
                for (int i = 0; i < 2; ++i) {
                    b[4 * h + i] = _mm_unpacklo_epi32(a[4 * h + 2 * i], a[4 * h + 2 * i + 1]);
                    b[4 * h + 2 + i] = _mm_unpackhi_epi32(a[4 * h + 2 * i], a[4 * h + 2 * i + 1]);
                }
            // Column c = 4h + 2e + f, all sixteen rows.
            for (int h = 0; h < 4; ++h)
                for (int e = 0; e < 2; ++e) {
                    const __m128i top = b[4 * h + 2 * e], bottom = b[4 * h + 2 * e + 1];
                    uint8_t* column = dst + qsizetype(x0 + 4 * h + 2 * e) * dstStride + y0;
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(column),
                                     _mm_unpacklo_epi64(top, bottom));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(column + dstStride),
                                     _mm_unpackhi_epi64(top, bottom));
                }
        }
        for (int y = y0; y < y0 + 16; ++y)
            for (int x = x0; x < width; ++x)
                dst[qsizetype(x) * dstStride + y] = src[qsizetype(y) * srcStride + x];
    }
#endif
    for (int y = y0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dst[qsizetype(x) * dstStride + y] = src[qsizetype(y) * srcStride + x];
}

} // namespace

// The horizontal pass is the vertical pass on the picture turned over its
// diagonal: bands of rows are transposed into a scratch picture whose
// columns are the band's rows, blurred down, and transposed back. Both
// passes then share the four-rows-at-once kernels with their aligned loads;
// blurring along a row in place would load every tap from a new unaligned
// offset. The band height is the strip width.
void gaussianBlurMaskWith(PixelView Mask, double Radius, const BlurLineKernels& Kernels,
                          int StripWidth) {
    if (!usableRadius(Radius) || Mask.Data == nullptr || Mask.Width <= 0 || Mask.Height <= 0)
        return;
    const GaussianKernel kernel = makeGaussianKernel(Radius);
    const int W = Mask.Width;
    const int H = Mask.Height;
    const int band = std::clamp(StripWidth, 1, H);

    // Everything is allocated before the first byte changes, so running out
    // of memory leaves the mask as it was: one set of rings and one scratch
    // band for each thread that takes part. Bands of rows (across) and
    // strips of columns (down) are blurred each on its own, so they are
    // shared out over the threads and give the same bytes however they are.
    struct Scratch {
        ColumnPass across;
        ColumnPass down;
        std::vector<uint8_t> turned;
    };
    const int sets = std::max(lx::rowBandCount(), 1);
    std::vector<std::unique_ptr<Scratch>> scratch;
    for (int k = 0; k < sets; ++k)
        scratch.push_back(std::make_unique<Scratch>(
            Scratch{ColumnPass(kernel, Kernels, W, band),
                    ColumnPass(kernel, Kernels, H, std::clamp(StripWidth, 1, W)),
                    std::vector<uint8_t>(size_t(W) * size_t(band))}));
    std::atomic<int> nextSet{0};
    const qsizetype taps = 2 * qsizetype(kernel.HalfWidth) + 1;

    const int rowBands = (H + band - 1) / band;
    lx::forRowBands(rowBands, qsizetype(W) * band * taps, [&](qsizetype first, qsizetype end) {
        Scratch& s = *scratch[size_t(nextSet++ % sets)];
        for (qsizetype b = first; b < end; ++b) {
            const int y0 = int(b) * band;
            const int rows = std::min(band, H - y0);
            transposeBytes(Mask.row(y0), Mask.Stride, W, rows, s.turned.data(), band);
            s.across.run({s.turned.data(), band, rows, W});
            transposeBytes(s.turned.data(), band, rows, W, Mask.row(y0), Mask.Stride);
        }
    });
    nextSet = 0;
    const int strips = scratch[0]->down.stripCount(W);
    lx::forRowBands(strips, qsizetype(H) * std::clamp(StripWidth, 1, W) * taps,
                    [&](qsizetype first, qsizetype end) {
                        Scratch& s = *scratch[size_t(nextSet++ % sets)];
                        s.down.runStrips(Mask, int(first), int(end));
                    });
}

void gaussianBlurMask(PixelView Mask, double Radius) {
    gaussianBlurMaskWith(Mask, Radius, blurLineKernels(), BlurStripWidth);
}

} // namespace lx
