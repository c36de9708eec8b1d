#include "compose_kernels.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LX_HAVE_X86 1
#endif

namespace lx {

// In normal mode the formula is N((1 - a) * D + a * L) with a = A / 255 at
// opacity 1, that is N(((255 - A) * D + A * L) / 255). The numerator is an
// integer, so the quotient's fraction is k / 255 and is never exactly one
// half; the double formula therefore rounds the exact quotient, and
// floor((x + 127) / 255) gives the same byte. For 0 <= y < 65536 - 384,
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

// The vector forms divide by 255 with a multiply-high: for 0 <= y < 65536,
// floor(y / 255) = (y * 0x8081) >> 23, because 0x8081 / 2^23 exceeds 1 / 255
// by less than 2^-24, too little to carry any quotient past the next integer.

// Eight 16-bit lanes of the exact normal-mode mix.
__attribute__((target("ssse3"))) static inline __m128i mix8(__m128i d16, __m128i s16,
                                                             __m128i a16) {
    const __m128i y = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(_mm_set1_epi16(255), a16)),
                      _mm_mullo_epi16(s16, a16)),
        _mm_set1_epi16(127));
    return _mm_srli_epi16(_mm_mulhi_epu16(y, _mm_set1_epi16(short(0x8081))), 7);
}

// 16 destination bytes with their 16 source bytes and 16 coverage bytes.
__attribute__((target("ssse3"))) static inline __m128i mix16(__m128i d, __m128i s, __m128i a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = mix8(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero),
                            _mm_unpacklo_epi8(a, zero));
    const __m128i hi = mix8(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero),
                            _mm_unpackhi_epi8(a, zero));
    return _mm_packus_epi16(lo, hi);
}

// The same sixteen bytes with 256-bit lanes: one widening, one mix, one pack.
__attribute__((target("avx2"))) static inline __m128i mix16Avx2(__m128i d, __m128i s, __m128i a) {
    const __m256i d16 = _mm256_cvtepu8_epi16(d);
    const __m256i s16 = _mm256_cvtepu8_epi16(s);
    const __m256i a16 = _mm256_cvtepu8_epi16(a);
    const __m256i y = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(d16, _mm256_sub_epi16(_mm256_set1_epi16(255), a16)),
                         _mm256_mullo_epi16(s16, a16)),
        _mm256_set1_epi16(127));
    const __m256i q =
        _mm256_srli_epi16(_mm256_mulhi_epu16(y, _mm256_set1_epi16(short(0x8081))), 7);
    return _mm_packus_epi16(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1));
}

// Sixteen pixels at a time: the sixteen coverage bytes are spread over the
// 48 colour bytes with three shuffles; blocks that are wholly clear or wholly
// opaque skip the arithmetic, which gives the same bytes.
#define LX_NORMAL_ROW_BODY(MIX)                                                                    \
    const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);         \
    const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);       \
    const __m128i spread2 =                                                                        \
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);             \
    const __m128i zero = _mm_setzero_si128();                                                      \
    const __m128i full = _mm_set1_epi8(char(0xFF));                                                \
    int x = 0;                                                                                     \
    for (; x + 16 <= n; x += 16) {                                                                 \
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + x));            \
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, zero)) == 0xFFFF) continue;                        \
        uint8_t* d = dst + 3 * x;                                                                  \
        const uint8_t* s = src + 3 * x;                                                            \
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(a, full)) == 0xFFFF) {                                \
            std::memcpy(d, s, 48);                                                                 \
            continue;                                                                              \
        }                                                                                          \
        __m128i* dv = reinterpret_cast<__m128i*>(d);                                               \
        const __m128i* sv = reinterpret_cast<const __m128i*>(s);                                   \
        _mm_storeu_si128(dv, MIX(_mm_loadu_si128(dv), _mm_loadu_si128(sv),                         \
                                 _mm_shuffle_epi8(a, spread0)));                                   \
        _mm_storeu_si128(dv + 1, MIX(_mm_loadu_si128(dv + 1), _mm_loadu_si128(sv + 1),             \
                                     _mm_shuffle_epi8(a, spread1)));                               \
        _mm_storeu_si128(dv + 2, MIX(_mm_loadu_si128(dv + 2), _mm_loadu_si128(sv + 2),             \
                                     _mm_shuffle_epi8(a, spread2)));                               \
    }                                                                                              \
    blendNormalOpaqueRowScalar(dst + 3 * x, src + 3 * x, alpha + x, n - x);

__attribute__((target("ssse3"))) static void
blendNormalOpaqueRowSsse3(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n) {
    LX_NORMAL_ROW_BODY(mix16)
}

__attribute__((target("avx2"))) static void
blendNormalOpaqueRowAvx2(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n) {
    LX_NORMAL_ROW_BODY(mix16Avx2)
}

#undef LX_NORMAL_ROW_BODY

#endif

NormalRowFn normalOpaqueRowKernel() {
#ifdef LX_HAVE_X86
    if (__builtin_cpu_supports("avx2")) return blendNormalOpaqueRowAvx2;
    if (__builtin_cpu_supports("ssse3")) return blendNormalOpaqueRowSsse3;
#endif
    return blendNormalOpaqueRowScalar;
}

std::vector<NamedNormalRowFn> normalOpaqueRowKernels() {
    std::vector<NamedNormalRowFn> kernels{{"scalar", blendNormalOpaqueRowScalar}};
#ifdef LX_HAVE_X86
    if (__builtin_cpu_supports("ssse3")) kernels.push_back({"ssse3", blendNormalOpaqueRowSsse3});
    if (__builtin_cpu_supports("avx2")) kernels.push_back({"avx2", blendNormalOpaqueRowAvx2});
#endif
    return kernels;
}

// N((1 - a) * D + a * L) per channel, written exactly as the blend routine
// writes it so that the doubles round the same way; a channel whose coverage
// is 0 is left alone, as there.
void blendNormalRow(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, const uint8_t* mask,
                    int n, const double* coverage) {
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

void greyToBgrRow(uint8_t* dst, const uint8_t* grey, int n) {
    for (int x = 0; x < n; ++x) {
        const uint8_t g = grey[x];
        dst[3 * x] = g;
        dst[3 * x + 1] = g;
        dst[3 * x + 2] = g;
    }
}

} // namespace lx
