#include "compose/compose_kernels.h"

#include <cmath>
#include <cstring>

#include "core/cpu_features.h"

#if defined(__GNUC__) && !defined(__clang__)
// GCC's AVX-512 intrinsics start some results from a register left undefined
// on purpose, which its own uninitialised-use analysis then reports.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace lx {

// In normal mode the formula is N((1 - a) * D + a * L) with a = A / 255 at
// opacity 1, that is N(((255 - A) * D + A * L) / 255). The numerator is an
// integer, so the quotient's fraction is k / 255 and is never exactly one
// half; the double formula therefore rounds the exact quotient, and
// floor((x + 127) / 255) gives the same byte. Here y = x + 127 is at most
// 255 * 255 + 127 = 65152, and for 0 <= y < 65535
// floor(y / 255) = (y + 1 + (y >> 8)) >> 8, which keeps everything in 16 bits.
static inline uint8_t mixExact(unsigned d, unsigned s, unsigned a) {
    const unsigned y = (255 - a) * d + a * s + 127;
    return uint8_t((y + 1 + (y >> 8)) >> 8);
}

void blendNormalOpaqueRowScalar(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n) {
    for (int x = 0; x < n; ++x) {
        const unsigned a = alpha[x];
        if (a == 0) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        if (a == 255) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            continue;
        }
        d[0] = mixExact(d[0], s[0], a);
        d[1] = mixExact(d[1], s[1], a);
        d[2] = mixExact(d[2], s[2], a);
    }
}

#ifdef LX_HAVE_X86

// A layer's rows lie one after the other in memory and a ReDraw streams
// every layer once through the cache, the target under it too: asking for
// the colour, coverage and target bytes some thousands of pixels ahead (on
// into the next rows) keeps enough reads in flight that the memory, not the
// wait for each line, sets the pace. A prefetch never faults, so running
// past the picture's end is harmless.
constexpr int kPrefetchPixels = 2560;

__attribute__((target("sse"))) static inline void
prefetchAhead(const uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int x, int pixels) {
    const char* s = reinterpret_cast<const char*>(src + 3 * (x + kPrefetchPixels));
    const char* d = reinterpret_cast<const char*>(dst + 3 * (x + kPrefetchPixels));
    for (int k = 0; k < 3 * pixels; k += 64) {
        _mm_prefetch(s + k, _MM_HINT_T0);
        _mm_prefetch(d + k, _MM_HINT_T0);
    }
    for (int k = 0; k < pixels; k += 64)
        _mm_prefetch(reinterpret_cast<const char*>(alpha + x + kPrefetchPixels + k), _MM_HINT_T0);
}

// The vector forms weigh both bytes of a channel in one multiply-add of
// unsigned weights by signed bytes: with D and L moved down by 128,
// (255 - A) * (D - 128) + A * (L - 128) = (255 - A) * D + A * L - 32640, which
// lies in [-32640, 32385] and so never saturates the 16-bit sum. Adding
// 32768 (flipping the top bit) gives y + 1 with y = (255 - A) * D + A * L +
// 127 <= 65152, and for 0 <= y < 65535 floor(y / 255) = ((y + 1) * 257) >> 16,
// one multiply-high: 257 / 65536 falls short of 1 / 255 by less than 2^-24,
// which the + 1 makes up without carrying past the next integer. 255 - A is
// A with every bit flipped.

// Eight 16-bit lanes of the weighted sums into the mixed bytes.
__attribute__((target("ssse3"))) static inline __m128i mixed8(__m128i products) {
    return _mm_mulhi_epu16(_mm_xor_si128(products, _mm_set1_epi16(short(0x8000))),
                           _mm_set1_epi16(257));
}

// 16 destination bytes with their 16 source bytes and 16 coverage bytes.
__attribute__((target("ssse3"))) static inline __m128i mix16(__m128i d, __m128i s, __m128i a) {
    const __m128i bias = _mm_set1_epi8(char(0x80));
    d = _mm_xor_si128(d, bias);
    s = _mm_xor_si128(s, bias);
    const __m128i rest = _mm_xor_si128(a, _mm_set1_epi8(char(0xFF)));
    const __m128i lo =
        mixed8(_mm_maddubs_epi16(_mm_unpacklo_epi8(rest, a), _mm_unpacklo_epi8(d, s)));
    const __m128i hi =
        mixed8(_mm_maddubs_epi16(_mm_unpackhi_epi8(rest, a), _mm_unpackhi_epi8(d, s)));
    return _mm_packus_epi16(lo, hi);
}

// Sixteen pixels at a time: the sixteen coverage bytes are spread over the
// 48 colour bytes with three shuffles; blocks that are wholly clear or wholly
// opaque skip the arithmetic, which gives the same bytes.
__attribute__((target("ssse3"))) static void
blendNormalOpaqueRowSsse3(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n) {
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 =
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, zero)) == 0xFFFF) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, full)) == 0xFFFF) {
            std::memcpy(d, s, 48);
            continue;
        }
        __m128i* dv = reinterpret_cast<__m128i*>(d);
        const __m128i* sv = reinterpret_cast<const __m128i*>(s);
        _mm_storeu_si128(
            dv, mix16(_mm_loadu_si128(dv), _mm_loadu_si128(sv), _mm_shuffle_epi8(a, spread0)));
        _mm_storeu_si128(dv + 1, mix16(_mm_loadu_si128(dv + 1), _mm_loadu_si128(sv + 1),
                                       _mm_shuffle_epi8(a, spread1)));
        _mm_storeu_si128(dv + 2, mix16(_mm_loadu_si128(dv + 2), _mm_loadu_si128(sv + 2),
                                       _mm_shuffle_epi8(a, spread2)));
    }
    blendNormalOpaqueRowScalar(dst + 3 * x, src + 3 * x, alpha + x, n - x);
}

// Sixteen 16-bit lanes of y into the mixed bytes, as the SSSE3 form does.
__attribute__((target("avx2"))) static inline __m256i mixed16(__m256i products) {
    return _mm256_mulhi_epu16(_mm256_xor_si256(products, _mm256_set1_epi16(short(0x8000))),
                              _mm256_set1_epi16(257));
}

// 32 destination bytes with their source and coverage bytes. Unpacking and
// packing both work within 128-bit halves, so the bytes come back in order.
__attribute__((target("avx2"))) static inline __m256i mix32(__m256i d, __m256i s, __m256i a) {
    const __m256i bias = _mm256_set1_epi8(char(0x80));
    d = _mm256_xor_si256(d, bias);
    s = _mm256_xor_si256(s, bias);
    const __m256i rest = _mm256_xor_si256(a, _mm256_set1_epi8(char(0xFF)));
    const __m256i lo =
        mixed16(_mm256_maddubs_epi16(_mm256_unpacklo_epi8(rest, a), _mm256_unpacklo_epi8(d, s)));
    const __m256i hi =
        mixed16(_mm256_maddubs_epi16(_mm256_unpackhi_epi8(rest, a), _mm256_unpackhi_epi8(d, s)));
    return _mm256_packus_epi16(lo, hi);
}

// Thirty-two pixels at a time. Pixels 0..15 and 16..31 spread over the six
// 16-byte quarters of the 96 colour bytes in the same three patterns, so each
// 32-byte chunk takes one in-lane shuffle of the coverage halves it needs.
__attribute__((target("avx2"))) static void
blendNormalOpaqueRowAvx2(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n) {
    const __m256i spread01 = _mm256_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, //
                                              5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m256i spread20 =
        _mm256_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15, //
                         0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m256i spread12 =
        _mm256_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10, //
                         10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i full = _mm256_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 32 <= n; x += 32) {
        if ((x & 63) == 0) prefetchAhead(dst, src, alpha, x, 64);
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(alpha + x));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, zero)) == -1) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, full)) == -1) {
            std::memcpy(d, s, 96);
            continue;
        }
        const __m256i lowTwice = _mm256_permute4x64_epi64(a, 0x44);  // pixels 0..15, twice
        const __m256i highTwice = _mm256_permute4x64_epi64(a, 0xEE); // pixels 16..31, twice
        __m256i* dv = reinterpret_cast<__m256i*>(d);
        const __m256i* sv = reinterpret_cast<const __m256i*>(s);
        _mm256_storeu_si256(dv, mix32(_mm256_loadu_si256(dv), _mm256_loadu_si256(sv),
                                      _mm256_shuffle_epi8(lowTwice, spread01)));
        _mm256_storeu_si256(dv + 1, mix32(_mm256_loadu_si256(dv + 1), _mm256_loadu_si256(sv + 1),
                                          _mm256_shuffle_epi8(a, spread20)));
        _mm256_storeu_si256(dv + 2, mix32(_mm256_loadu_si256(dv + 2), _mm256_loadu_si256(sv + 2),
                                          _mm256_shuffle_epi8(highTwice, spread12)));
    }
    blendNormalOpaqueRowSsse3(dst + 3 * x, src + 3 * x, alpha + x, n - x);
}

// AVX-512 with byte lanes: 64 pixels a step.
#define LX_TARGET_AVX512BW __attribute__((target("avx512f,avx512bw,avx512vl")))

// Thirty-two 16-bit lanes of the weighted sums into the mixed bytes, as the
// SSSE3 form does.
LX_TARGET_AVX512BW static inline __m512i mixed32(__m512i products) {
    return _mm512_mulhi_epu16(_mm512_xor_si512(products, _mm512_set1_epi16(short(0x8000))),
                              _mm512_set1_epi16(257));
}

// 64 destination bytes with their source and coverage bytes; unpacking and
// packing both stay within 128-bit lanes, so the bytes come back in order.
LX_TARGET_AVX512BW static inline __m512i mix64(__m512i d, __m512i s, __m512i a) {
    const __m512i bias = _mm512_set1_epi8(char(0x80));
    d = _mm512_xor_si512(d, bias);
    s = _mm512_xor_si512(s, bias);
    const __m512i rest = _mm512_xor_si512(a, _mm512_set1_epi8(char(0xFF)));
    const __m512i lo =
        mixed32(_mm512_maddubs_epi16(_mm512_unpacklo_epi8(rest, a), _mm512_unpacklo_epi8(d, s)));
    const __m512i hi =
        mixed32(_mm512_maddubs_epi16(_mm512_unpackhi_epi8(rest, a), _mm512_unpackhi_epi8(d, s)));
    return _mm512_packus_epi16(lo, hi);
}

namespace {
// The 192 colour bytes of 64 pixels are twelve 16-byte lanes; lane k holds
// colour bytes of the pixels of coverage quarter k / 3, in spreading pattern
// k % 3 (the SSSE3 form's three shuffles). Each 64-byte chunk therefore takes
// one lane permutation of the coverage bytes and one in-lane shuffle.
struct CoverageSpread64 {
    __m512i Pattern[3];
};
} // namespace

LX_TARGET_AVX512BW static inline CoverageSpread64 coverageSpread64() {
    static constexpr uint8_t p[3][16] = {
        {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5},
        {5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10},
        {10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15}};
    alignas(64) uint8_t chunks[3][64];
    for (int c = 0; c < 3; ++c)
        for (int lane = 0; lane < 4; ++lane)
            std::memcpy(&chunks[c][16 * lane], p[(c + lane) % 3], 16);
    return {
        {_mm512_load_si512(chunks[0]), _mm512_load_si512(chunks[1]), _mm512_load_si512(chunks[2])}};
}

// Coverage bytes of colour chunk 0, 1 or 2 of 64 pixels.
LX_TARGET_AVX512BW static inline __m512i spreadChunk0(__m512i a, const CoverageSpread64& sp) {
    return _mm512_shuffle_epi8(_mm512_shuffle_i64x2(a, a, _MM_SHUFFLE(1, 0, 0, 0)), sp.Pattern[0]);
}
LX_TARGET_AVX512BW static inline __m512i spreadChunk1(__m512i a, const CoverageSpread64& sp) {
    return _mm512_shuffle_epi8(_mm512_shuffle_i64x2(a, a, _MM_SHUFFLE(2, 2, 1, 1)), sp.Pattern[1]);
}
LX_TARGET_AVX512BW static inline __m512i spreadChunk2(__m512i a, const CoverageSpread64& sp) {
    return _mm512_shuffle_epi8(_mm512_shuffle_i64x2(a, a, _MM_SHUFFLE(3, 3, 3, 2)), sp.Pattern[2]);
}

// The bytes of a chunk of 64 that lie within the first `bytes` bytes.
static inline __mmask64 firstBytes(int bytes) {
    return bytes >= 64 ? ~__mmask64(0) : bytes <= 0 ? __mmask64(0) : (__mmask64(1) << bytes) - 1;
}

// Sixty-four pixels at a time; blocks wholly clear or wholly opaque skip the
// arithmetic. The last, partial block goes through the same arithmetic with
// masked loads and stores: pixels past the end read as clear and nothing is
// written there (masked-off bytes are never touched, even across a page).
LX_TARGET_AVX512BW static void blendNormalOpaqueRowAvx512(uint8_t* dst, const uint8_t* src,
                                                          const uint8_t* alpha, int n) {
    const CoverageSpread64 sp = coverageSpread64();
    const __m512i full = _mm512_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 64 <= n; x += 64) {
        prefetchAhead(dst, src, alpha, x, 64);
        const __m512i a = _mm512_loadu_si512(alpha + x);
        if (_mm512_test_epi8_mask(a, a) == 0) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        if (_mm512_cmpeq_epi8_mask(a, full) == ~__mmask64(0)) {
            _mm512_storeu_si512(d, _mm512_loadu_si512(s));
            _mm512_storeu_si512(d + 64, _mm512_loadu_si512(s + 64));
            _mm512_storeu_si512(d + 128, _mm512_loadu_si512(s + 128));
            continue;
        }
        _mm512_storeu_si512(
            d, mix64(_mm512_loadu_si512(d), _mm512_loadu_si512(s), spreadChunk0(a, sp)));
        _mm512_storeu_si512(d + 64, mix64(_mm512_loadu_si512(d + 64), _mm512_loadu_si512(s + 64),
                                          spreadChunk1(a, sp)));
        _mm512_storeu_si512(d + 128, mix64(_mm512_loadu_si512(d + 128), _mm512_loadu_si512(s + 128),
                                           spreadChunk2(a, sp)));
    }
    const int rest = n - x;
    if (rest <= 0) return;
    const __m512i a = _mm512_maskz_loadu_epi8(firstBytes(rest), alpha + x);
    if (_mm512_test_epi8_mask(a, a) == 0) return;
    uint8_t* d = dst + 3 * x;
    const uint8_t* s = src + 3 * x;
    const __mmask64 m0 = firstBytes(3 * rest), m1 = firstBytes(3 * rest - 64),
                    m2 = firstBytes(3 * rest - 128);
    _mm512_mask_storeu_epi8(
        d, m0,
        mix64(_mm512_maskz_loadu_epi8(m0, d), _mm512_maskz_loadu_epi8(m0, s), spreadChunk0(a, sp)));
    if (m1 != 0)
        _mm512_mask_storeu_epi8(d + 64, m1,
                                mix64(_mm512_maskz_loadu_epi8(m1, d + 64),
                                      _mm512_maskz_loadu_epi8(m1, s + 64), spreadChunk1(a, sp)));
    if (m2 != 0)
        _mm512_mask_storeu_epi8(d + 128, m2,
                                mix64(_mm512_maskz_loadu_epi8(m2, d + 128),
                                      _mm512_maskz_loadu_epi8(m2, s + 128), spreadChunk2(a, sp)));
}

#endif

NormalRowFn normalOpaqueRowKernel() {
#ifdef LX_HAVE_X86
    if (lx::cpuHasAvx512Bw()) return blendNormalOpaqueRowAvx512;
    if (lx::cpuHasAvx2()) return blendNormalOpaqueRowAvx2;
    if (lx::cpuHasSsse3()) return blendNormalOpaqueRowSsse3;
#endif
    return blendNormalOpaqueRowScalar;
}

std::vector<NamedNormalRowFn> normalOpaqueRowKernels() {
    std::vector<NamedNormalRowFn> kernels{{"scalar", blendNormalOpaqueRowScalar}};
#ifdef LX_HAVE_X86
    if (lx::cpuHasSsse3()) kernels.push_back({"ssse3", blendNormalOpaqueRowSsse3});
    if (lx::cpuHasAvx2()) kernels.push_back({"avx2", blendNormalOpaqueRowAvx2});
    if (lx::cpuHasAvx512Bw()) kernels.push_back({"avx512bw", blendNormalOpaqueRowAvx512});
#endif
    return kernels;
}

// N((1 - a) * D + a * L) per channel, written exactly as the blend routine
// writes it so that the doubles round the same way; a channel whose coverage
// is 0 is left alone, as there.
void blendNormalRowScalar(uint8_t* dst, const uint8_t* src, const uint8_t* alpha,
                          const uint8_t* mask, int n, const double* coverage) {
    for (int x = 0; x < n; ++x) {
        const uint8_t level = alpha[x];
        if (level == 0) continue;
        const double c = coverage[level];
        if (c == 0.0) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        for (int k = 0; k < 3; ++k) {
            const double a = mask != nullptr ? c * mask[3 * x + k] / 255.0 : c;
            if (a == 0.0) continue;
            d[k] = uint8_t(RoundEven((1.0 - a) * d[k] + a * s[k]));
        }
    }
}

#ifdef LX_HAVE_X86

// The vector form runs the very same double operations in the same order,
// eight channels to a register, so every channel rounds as the plain one:
// IEEE arithmetic gives one answer per operation, and products are never
// fused into multiply-adds here (the engine is built without contraction).
// Channels the plain form skips are computed with coverage 0, which gives
// back (1 - 0) * D + 0 * L = D exactly; pixels of alpha 0 take coverage 0
// whatever the table holds for it. The conversion to an integer rounds half
// to even as RoundEven does; results clamped to the int range first end at
// the same ends RoundEven gives them (NaN gives 0 in both).

// Sixteen 32-bit lanes of bytes, as two vectors of eight doubles.
LX_TARGET_AVX512BW static inline void bytesToDoubles(const uint8_t* p, __m512d& lo, __m512d& hi) {
    const __m512i v = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    lo = _mm512_cvtepi32_pd(_mm512_castsi512_si256(v));
    hi = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(v, 1));
}

// The byte RoundEven gives for eight doubles, as 32-bit lanes.
LX_TARGET_AVX512BW static inline __m256i roundedBytes(__m512d v) {
    v = _mm512_min_pd(_mm512_max_pd(v, _mm512_set1_pd(-2147483648.0)),
                      _mm512_set1_pd(2147483647.0));
    return _mm512_cvtpd_epi32(v); // the current rounding: to nearest, halves to even
}

// Sixteen channels: destination and source bytes at d and s, their
// coverages in two vectors of eight, the mask bytes at m (or none).
LX_TARGET_AVX512BW static inline void mixChannels16(uint8_t* d, const uint8_t* s, const uint8_t* m,
                                                    __m512d cLo, __m512d cHi) {
    __m512d dLo, dHi, sLo, sHi;
    bytesToDoubles(d, dLo, dHi);
    bytesToDoubles(s, sLo, sHi);
    if (m != nullptr) {
        __m512d mLo, mHi;
        bytesToDoubles(m, mLo, mHi);
        const __m512d k255 = _mm512_set1_pd(255.0);
        cLo = _mm512_div_pd(_mm512_mul_pd(cLo, mLo), k255);
        cHi = _mm512_div_pd(_mm512_mul_pd(cHi, mHi), k255);
    }
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d rLo =
        _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(one, cLo), dLo), _mm512_mul_pd(cLo, sLo));
    const __m512d rHi =
        _mm512_add_pd(_mm512_mul_pd(_mm512_sub_pd(one, cHi), dHi), _mm512_mul_pd(cHi, sHi));
    const __m512i ints =
        _mm512_inserti64x4(_mm512_castsi256_si512(roundedBytes(rLo)), roundedBytes(rHi), 1);
    // uint8_t(int) keeps the low byte; so does the truncating narrowing.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm512_cvtepi32_epi8(ints));
}

// Without a mask and with every coverage in [0, 1], most channels need no
// doubles at all. Let c be a pixel's coverage and W an integer within 1 of
// c * 2^22. With T = D * 2^22 + W * (L - D) + 2^21, T / 2^22 is the exact
// (1 - c) * D + c * L + 1/2 give or take 255 * 2^-22, that is 255 in the
// units of T, and the doubles' own error (some 10^-13) adds less than one
// more. So unless the fraction T mod 2^22 lies within 512 of a whole number,
// no half lies between the two and floor(T / 2^22) is the byte the doubles
// round to, halves to even or not. T stays in [0, 2^30). A block with a
// channel that close goes through the double form (block by block the same
// bytes), which also takes the exact halves.
//
// The compositor's tables grow linearly with alpha, and then W comes from
// one multiply, (A * K + 2^8) >> 9 with K = 512 / 255 of the weight of alpha
// 255, which a check of all 256 levels confirms; other tables look W up.
constexpr int kWeightBits = 22;
constexpr int kNearWhole = 512;

// Whether every coverage lies in [0, 1]; NaN does not.
LX_TARGET_AVX512BW static inline bool unitCoverage(const double* coverage) {
    __mmask8 outside = 0;
    for (int a = 0; a < 256; a += 8) {
        const __m512d c = _mm512_loadu_pd(coverage + a);
        outside |= __mmask8(~(_mm512_cmp_pd_mask(c, _mm512_setzero_pd(), _CMP_GE_OQ) &
                              _mm512_cmp_pd_mask(c, _mm512_set1_pd(1.0), _CMP_LE_OQ)));
    }
    return outside == 0;
}

// Sixteen channels of T + margin for destination and source bytes at d and s.
LX_TARGET_AVX512BW static inline __m512i weighedChannels16(const uint8_t* d, const uint8_t* s,
                                                           __m512i w, int margin) {
    const __m512i d32 = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d)));
    const __m512i s32 = _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    return _mm512_add_epi32(_mm512_add_epi32(_mm512_slli_epi32(d32, kWeightBits),
                                             _mm512_mullo_epi32(w, _mm512_sub_epi32(s32, d32))),
                            _mm512_set1_epi32((1 << (kWeightBits - 1)) + margin));
}

// The lanes whose fraction lies within margin of a whole number: with the
// margin added, those whose fraction is now below twice that.
LX_TARGET_AVX512BW static inline __mmask16 nearWhole(__m512i t, int margin) {
    return _mm512_cmplt_epu32_mask(_mm512_and_si512(t, _mm512_set1_epi32((1 << kWeightBits) - 1)),
                                   _mm512_set1_epi32(2 * margin));
}

LX_TARGET_AVX512BW static void blendNormalRowDoublesAvx512(uint8_t* dst, const uint8_t* src,
                                                           const uint8_t* alpha,
                                                           const uint8_t* mask, int n,
                                                           const double* coverage);

// The 16 weights of 16 alpha bytes: through the multiply or the table.
template <bool Linear>
LX_TARGET_AVX512BW static inline __m512i weightsOf(__m128i a, const int32_t* weight, __m512i k) {
    const __m512i a32 = _mm512_cvtepu8_epi32(a);
    if constexpr (Linear)
        return _mm512_srli_epi32(
            _mm512_add_epi32(_mm512_mullo_epi32(a32, k), _mm512_set1_epi32(256)), 9);
    else
        return _mm512_i32gather_epi32(a32, weight, 4);
}

// Through a mask, a channel's coverage is c * M / 255. The pixel's weight
// then is Wm within 1 of c * 2^30 / 255 (again from the multiply, with its
// own K), and the channel's W = (Wm * M) >> 8 lies within 2 of c * M / 255 *
// 2^22: T is off by at most 510 and a margin of 1024 covers it. Wm * M
// stays below 2^31.
constexpr int kMaskedNearWhole = 1024;

// The channel weights of pixel weights w spread by pick, through the mask
// bytes at m when masked.
template <bool Masked>
LX_TARGET_AVX512BW static inline __m512i channelWeights(__m512i w, __m512i pick, const uint8_t* m,
                                                        int offset) {
    const __m512i spread = _mm512_permutexvar_epi32(pick, w);
    if constexpr (!Masked) return spread;
    const __m512i m32 =
        _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m + offset)));
    return _mm512_srli_epi32(_mm512_mullo_epi32(spread, m32), 8);
}

template <bool Linear, bool Masked>
LX_TARGET_AVX512BW static void blendNormalUnitRowAvx512(uint8_t* dst, const uint8_t* src,
                                                        const uint8_t* alpha, const uint8_t* mask,
                                                        int n, const double* coverage,
                                                        const int32_t* weight, uint32_t k32) {
    constexpr int margin = Masked ? kMaskedNearWhole : kNearWhole;
    const __m512i k = _mm512_set1_epi32(int(k32));
    // Unmasked pixels of alpha 255 at coverage 1 become the source exactly.
    const bool opaqueCopies = !Masked && coverage[255] == 1.0;
    const __m512i pick0 = _mm512_setr_epi32(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m512i pick1 = _mm512_setr_epi32(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m512i pick2 =
        _mm512_setr_epi32(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    const __m128i full = _mm_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x));
        if (_mm_test_epi8_mask(a, a) == 0) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        const uint8_t* m = Masked ? mask + 3 * x : nullptr;
        if (opaqueCopies && _mm_cmpeq_epi8_mask(a, full) == 0xFFFF) {
            std::memcpy(d, s, 48);
            continue;
        }
        const __m512i w = weightsOf<Linear>(a, weight, k);
        const __m512i t0 = weighedChannels16(d, s, channelWeights<Masked>(w, pick0, m, 0), margin);
        const __m512i t1 =
            weighedChannels16(d + 16, s + 16, channelWeights<Masked>(w, pick1, m, 16), margin);
        const __m512i t2 =
            weighedChannels16(d + 32, s + 32, channelWeights<Masked>(w, pick2, m, 32), margin);
        if ((nearWhole(t0, margin) | nearWhole(t1, margin) | nearWhole(t2, margin)) != 0) {
            blendNormalRowDoublesAvx512(d, s, alpha + x, m, 16, coverage);
            continue;
        }
        __m128i* dv = reinterpret_cast<__m128i*>(d);
        _mm_storeu_si128(dv, _mm512_cvtepi32_epi8(_mm512_srli_epi32(t0, kWeightBits)));
        _mm_storeu_si128(dv + 1, _mm512_cvtepi32_epi8(_mm512_srli_epi32(t1, kWeightBits)));
        _mm_storeu_si128(dv + 2, _mm512_cvtepi32_epi8(_mm512_srli_epi32(t2, kWeightBits)));
    }
    blendNormalRowScalar(dst + 3 * x, src + 3 * x, alpha + x, Masked ? mask + 3 * x : nullptr,
                         n - x, coverage);
}

// The multiplier K with which (A * K + 2^8) >> 9 lies within 1 of
// coverage[A] * scale for every alpha byte A, or 0 when there is none such.
static uint32_t linearWeights(const double* coverage, double scale) {
    const double top = std::round(coverage[255] * scale * (512.0 / 255.0));
    if (!(top >= 1.0 && top <= 16000000.0)) return 0; // 255 * 16000000 + 256 < 2^32
    const auto k = uint32_t(top);
    for (int a = 0; a < 256; ++a) {
        const double w = double((uint64_t(a) * k + 256) >> 9);
        if (!(std::fabs(w - coverage[a] * scale) <= 1.0)) return 0;
    }
    return k;
}

// Sixteen pixels (48 channels) at a time: the coverage of each pixel is
// gathered from the table, then spread to its three channels.
LX_TARGET_AVX512BW static void blendNormalRowDoublesAvx512(uint8_t* dst, const uint8_t* src,
                                                           const uint8_t* alpha,
                                                           const uint8_t* mask, int n,
                                                           const double* coverage) {
    // Unmasked pixels of alpha 255 at coverage 1 become the source exactly:
    // (1 - 1) * D + 1 * L = L.
    const bool opaqueCopies = mask == nullptr && coverage[255] == 1.0;
    const __m512i pick0 = _mm512_setr_epi64(0, 0, 0, 1, 1, 1, 2, 2);
    const __m512i pick1 = _mm512_setr_epi64(2, 3, 3, 3, 4, 4, 4, 5);
    const __m512i pick2 = _mm512_setr_epi64(5, 5, 6, 6, 6, 7, 7, 7);
    const __m128i full = _mm_set1_epi8(char(0xFF));
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x));
        const __mmask16 live = _mm_test_epi8_mask(a, a);
        if (live == 0) continue;
        uint8_t* d = dst + 3 * x;
        const uint8_t* s = src + 3 * x;
        if (opaqueCopies && _mm_cmpeq_epi8_mask(a, full) == 0xFFFF) {
            std::memcpy(d, s, 48);
            continue;
        }
        const __m512i index = _mm512_cvtepu8_epi32(a);
        const __m512d cLo = _mm512_mask_i32gather_pd(_mm512_setzero_pd(), __mmask8(live),
                                                     _mm512_castsi512_si256(index), coverage, 8);
        const __m512d cHi =
            _mm512_mask_i32gather_pd(_mm512_setzero_pd(), __mmask8(live >> 8),
                                     _mm512_extracti64x4_epi64(index, 1), coverage, 8);
        const uint8_t* m = mask != nullptr ? mask + 3 * x : nullptr;
        mixChannels16(d, s, m, _mm512_permutexvar_pd(pick0, cLo),
                      _mm512_permutexvar_pd(pick1, cLo));
        mixChannels16(d + 16, s + 16, m != nullptr ? m + 16 : nullptr,
                      _mm512_permutexvar_pd(pick2, cLo), _mm512_permutexvar_pd(pick0, cHi));
        mixChannels16(d + 32, s + 32, m != nullptr ? m + 32 : nullptr,
                      _mm512_permutexvar_pd(pick1, cHi), _mm512_permutexvar_pd(pick2, cHi));
    }
    blendNormalRowScalar(dst + 3 * x, src + 3 * x, alpha + x,
                         mask != nullptr ? mask + 3 * x : nullptr, n - x, coverage);
}

LX_TARGET_AVX512BW static void blendNormalRowAvx512(uint8_t* dst, const uint8_t* src,
                                                    const uint8_t* alpha, const uint8_t* mask,
                                                    int n, const double* coverage) {
    if (!unitCoverage(coverage))
        return blendNormalRowDoublesAvx512(dst, src, alpha, mask, n, coverage);
    if (mask != nullptr) {
        const uint32_t k = linearWeights(coverage, double(1 << 30) / 255);
        if (k != 0)
            return blendNormalUnitRowAvx512<true, true>(dst, src, alpha, mask, n, coverage, nullptr,
                                                        k);
        return blendNormalRowDoublesAvx512(dst, src, alpha, mask, n, coverage);
    }
    const uint32_t k = linearWeights(coverage, double(1 << kWeightBits));
    if (k != 0)
        return blendNormalUnitRowAvx512<true, false>(dst, src, alpha, nullptr, n, coverage, nullptr,
                                                     k);
    alignas(64) int32_t weight[256];
    const __m512d scale = _mm512_set1_pd(double(1 << kWeightBits));
    for (int a = 0; a < 256; a += 8)
        _mm256_store_si256(
            reinterpret_cast<__m256i*>(weight + a),
            _mm512_cvttpd_epi32(_mm512_add_pd(_mm512_mul_pd(_mm512_loadu_pd(coverage + a), scale),
                                              _mm512_set1_pd(0.5))));
    weight[0] = 0; // pixels of alpha 0 stay as they are, whatever the table says
    return blendNormalUnitRowAvx512<false, false>(dst, src, alpha, nullptr, n, coverage, weight, 0);
    blendNormalRowDoublesAvx512(dst, src, alpha, mask, n, coverage);
}

#endif

void blendNormalRow(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, const uint8_t* mask,
                    int n, const double* coverage) {
#ifdef LX_HAVE_X86
    static const NormalCoverageRowFn kernel =
        lx::cpuHasAvx512Bw() ? blendNormalRowAvx512 : blendNormalRowScalar;
    kernel(dst, src, alpha, mask, n, coverage);
#else
    blendNormalRowScalar(dst, src, alpha, mask, n, coverage);
#endif
}

std::vector<NamedNormalCoverageRowFn> normalRowKernels() {
    std::vector<NamedNormalCoverageRowFn> kernels{{"scalar", blendNormalRowScalar}};
#ifdef LX_HAVE_X86
    if (lx::cpuHasAvx512Bw()) kernels.push_back({"avx512bw", blendNormalRowAvx512});
#endif
    return kernels;
}

static void greyToBgrRowScalar(uint8_t* dst, const uint8_t* grey, int n) {
    for (int x = 0; x < n; ++x) {
        const uint8_t g = grey[x];
        dst[3 * x] = g;
        dst[3 * x + 1] = g;
        dst[3 * x + 2] = g;
    }
}

#ifdef LX_HAVE_X86
// The coverage spreading shuffles of the normal-mode row turn sixteen grey
// bytes into sixteen grey pixels.
__attribute__((target("ssse3"))) static void greyToBgrRowSsse3(uint8_t* dst, const uint8_t* grey,
                                                               int n) {
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i spread2 =
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    int x = 0;
    for (; x + 16 <= n; x += 16) {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + x));
        __m128i* d = reinterpret_cast<__m128i*>(dst + 3 * x);
        _mm_storeu_si128(d, _mm_shuffle_epi8(g, spread0));
        _mm_storeu_si128(d + 1, _mm_shuffle_epi8(g, spread1));
        _mm_storeu_si128(d + 2, _mm_shuffle_epi8(g, spread2));
    }
    greyToBgrRowScalar(dst + 3 * x, grey + x, n - x);
}

// Sixty-four grey bytes into 192 colour bytes with the coverage spreading of
// the opaque row; the last, partial block through masked loads and stores.
LX_TARGET_AVX512BW static void greyToBgrRowAvx512(uint8_t* dst, const uint8_t* grey, int n) {
    const CoverageSpread64 sp = coverageSpread64();
    int x = 0;
    for (; x + 64 <= n; x += 64) {
        const __m512i g = _mm512_loadu_si512(grey + x);
        uint8_t* d = dst + 3 * x;
        _mm512_storeu_si512(d, spreadChunk0(g, sp));
        _mm512_storeu_si512(d + 64, spreadChunk1(g, sp));
        _mm512_storeu_si512(d + 128, spreadChunk2(g, sp));
    }
    const int rest = n - x;
    if (rest <= 0) return;
    const __m512i g = _mm512_maskz_loadu_epi8(firstBytes(rest), grey + x);
    uint8_t* d = dst + 3 * x;
    _mm512_mask_storeu_epi8(d, firstBytes(3 * rest), spreadChunk0(g, sp));
    _mm512_mask_storeu_epi8(d + 64, firstBytes(3 * rest - 64), spreadChunk1(g, sp));
    _mm512_mask_storeu_epi8(d + 128, firstBytes(3 * rest - 128), spreadChunk2(g, sp));
}
#endif

void greyToBgrRow(uint8_t* dst, const uint8_t* grey, int n) {
#ifdef LX_HAVE_X86
    if (lx::cpuHasAvx512Bw()) return greyToBgrRowAvx512(dst, grey, n);
    if (lx::cpuHasSsse3()) return greyToBgrRowSsse3(dst, grey, n);
#endif
    greyToBgrRowScalar(dst, grey, n);
}

std::vector<NamedGreyRowFn> greyToBgrRowKernels() {
    std::vector<NamedGreyRowFn> kernels{{"scalar", greyToBgrRowScalar}};
#ifdef LX_HAVE_X86
    if (lx::cpuHasSsse3()) kernels.push_back({"ssse3", greyToBgrRowSsse3});
    if (lx::cpuHasAvx512Bw()) kernels.push_back({"avx512bw", greyToBgrRowAvx512});
#endif
    return kernels;
}

} // namespace lx
