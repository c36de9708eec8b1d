// The blend-mode lane kernels at eight doubles per vector (built with
// AVX-512).

#define LX_LANES 8
// GCC 12 warns about the undefined pass-through operand inside its own
// AVX-512 conversion intrinsics; nothing here reads an uninitialised value.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "compose/mode_rows_lanes.inc"

void lx::lanes::runAvx512(const Job& J) {
    runLanes(J);
}

void lx::lanes::hslAvx512(const HslJob& J) {
    hslLanes(J);
}

void lx::lanes::productAvx512(const uint8_t* A, const double* TableA, const uint8_t* B,
                              const double* TableB, double* Out, int N) {
    productLanes(A, TableA, B, TableB, Out, N);
}
