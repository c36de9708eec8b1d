#pragma once

// The one place that asks the processor which vector instructions it runs.
// Every kernel with a vector form picks it through these, once per call or
// per row, never per pixel; the kernel lists the tests hold against the plain
// forms are built from the same answers.

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LX_HAVE_X86 1
#endif

namespace lx {

struct CpuFeatures {
    bool Ssse3 = false;
    bool Avx2 = false;
    bool Avx512F = false;
    // AVX-512 with byte and word lanes (and the 128/256-bit forms of both):
    // what the byte-wise pixel kernels need.
    bool Avx512Bw = false;
};

// Asked once, on first use; the initialisation of a function's static is
// thread-safe, so a second thread can never see it half made.
inline const CpuFeatures& cpuFeatures() {
    static const CpuFeatures features = [] {
        CpuFeatures f;
#ifdef LX_HAVE_X86
        __builtin_cpu_init();
        f.Ssse3 = __builtin_cpu_supports("ssse3");
        f.Avx2 = __builtin_cpu_supports("avx2");
        f.Avx512F = __builtin_cpu_supports("avx512f");
        f.Avx512Bw =
            f.Avx512F && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
#endif
        return f;
    }();
    return features;
}

inline bool cpuHasSsse3() {
    return cpuFeatures().Ssse3;
}
inline bool cpuHasAvx2() {
    return cpuFeatures().Avx2;
}
inline bool cpuHasAvx512() {
    return cpuFeatures().Avx512F;
}
inline bool cpuHasAvx512Bw() {
    return cpuFeatures().Avx512Bw;
}

} // namespace lx
