// Display rows at nearest-pixel zoom: blue-green-red bytes picked by byte
// offset into opaque 32-bit pixels.

#include "kernels/display_rows.h"

#include "core/cpu_features.h"
#include "lxResample.h"

namespace lx {

namespace {

void nearestRowScalar(uint32_t* Dst, const uint8_t* Row, int /*RowBytes*/, const int* Offsets,
                      int Count) {
    for (int i = 0; i < Count; ++i) {
        const uint8_t* p = Row + Offsets[i];
        Dst[i] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
}

#ifdef LX_HAVE_X86
// Sixteen pixels a step: one gather of four bytes at each offset gives blue,
// green, red and a byte of the next pixel, which the opaque alpha replaces.
// A lane whose four bytes would reach past the row is left to the plain
// form, so nothing beyond RowBytes is read.
__attribute__((target("avx512f"))) void
nearestRowAvx512(uint32_t* Dst, const uint8_t* Row, int RowBytes, const int* Offsets, int Count) {
    const __m512i lastSafe = _mm512_set1_epi32(RowBytes - 4);
    const __m512i colour = _mm512_set1_epi32(0x00FFFFFF);
    const __m512i opaque = _mm512_set1_epi32(int(0xFF000000u));
    for (int i = 0; i < Count; i += 16) {
        const int lanes = Count - i < 16 ? Count - i : 16;
        const __mmask16 inRow = __mmask16((1u << lanes) - 1);
        const __m512i offsets = _mm512_maskz_loadu_epi32(inRow, Offsets + i);
        const __mmask16 safe = _mm512_mask_cmple_epi32_mask(inRow, offsets, lastSafe);
        const __m512i bytes =
            _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), safe, offsets, Row, 1);
        // (bytes & colour) | opaque, in one ternary operation.
        _mm512_mask_storeu_epi32(Dst + i, safe,
                                 _mm512_ternarylogic_epi32(bytes, colour, opaque, 0xEA));
        if (safe != inRow)
            for (int k = 0; k < lanes; ++k)
                if (!(safe >> k & 1))
                    nearestRowScalar(Dst + i + k, Row, RowBytes, Offsets + i + k, 1);
    }
}
#endif

} // namespace

std::vector<NamedNearestDisplayRowFn> nearestDisplayRowKernels() {
    std::vector<NamedNearestDisplayRowFn> kernels{{"scalar", nearestRowScalar}};
#ifdef LX_HAVE_X86
    if (cpuHasAvx512()) kernels.push_back({"avx512", nearestRowAvx512});
#endif
    return kernels;
}

void nearestBgrToRgb32Row(uint32_t* Dst, const uint8_t* Row, int RowBytes, const int* Offsets,
                          int Count) {
#ifdef LX_HAVE_X86
    static const NearestDisplayRowFn kernel = cpuHasAvx512() ? nearestRowAvx512 : nearestRowScalar;
    kernel(Dst, Row, RowBytes, Offsets, Count);
#else
    nearestRowScalar(Dst, Row, RowBytes, Offsets, Count);
#endif
}

} // namespace lx
