#include "compose/compose_kernels.h"

#include <cstring>

#include "core/cpu_features.h"

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

// The vector forms divide by 255 with a multiply-high: for 0 <= y < 65536,
// floor(y / 255) = (y * 0x8081) >> 23, because 0x8081 / 2^23 exceeds 1 / 255
// by less than 2^-24, too little to carry any quotient past the next integer.

// Eight 16-bit lanes of the exact normal-mode mix.
__attribute__((target("ssse3"))) static inline __m128i mix8(__m128i d16, __m128i s16, __m128i a16) {
    const __m128i y =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(_mm_set1_epi16(255), a16)),
                                    _mm_mullo_epi16(s16, a16)),
                      _mm_set1_epi16(127));
    return _mm_srli_epi16(_mm_mulhi_epu16(y, _mm_set1_epi16(short(0x8081))), 7);
}

// 16 destination bytes with their 16 source bytes and 16 coverage bytes.
__attribute__((target("ssse3"))) static inline __m128i mix16(__m128i d, __m128i s, __m128i a) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo =
        mix8(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(a, zero));
    const __m128i hi =
        mix8(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(a, zero));
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

// Sixteen 16-bit lanes of the exact normal-mode mix.
__attribute__((target("avx2"))) static inline __m256i mix16x16(__m256i d16, __m256i s16,
                                                               __m256i a16) {
    const __m256i y = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(d16, _mm256_sub_epi16(_mm256_set1_epi16(255), a16)),
                         _mm256_mullo_epi16(s16, a16)),
        _mm256_set1_epi16(127));
    return _mm256_srli_epi16(_mm256_mulhi_epu16(y, _mm256_set1_epi16(short(0x8081))), 7);
}

// 32 destination bytes with their source and coverage bytes. Unpacking and
// packing both work within 128-bit halves, so the bytes come back in order.
__attribute__((target("avx2"))) static inline __m256i mix32(__m256i d, __m256i s, __m256i a) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = mix16x16(_mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(s, zero),
                                _mm256_unpacklo_epi8(a, zero));
    const __m256i hi = mix16x16(_mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(s, zero),
                                _mm256_unpackhi_epi8(a, zero));
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

#endif

NormalRowFn normalOpaqueRowKernel() {
#ifdef LX_HAVE_X86
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
#endif

void greyToBgrRow(uint8_t* dst, const uint8_t* grey, int n) {
#ifdef LX_HAVE_X86
    if (lx::cpuHasSsse3()) return greyToBgrRowSsse3(dst, grey, n);
#endif
    greyToBgrRowScalar(dst, grey, n);
}

} // namespace lx
