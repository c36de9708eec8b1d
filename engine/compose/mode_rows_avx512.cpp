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

void lx::lanes::splitPixelsAvx512(const uint8_t* P, int N, uint8_t* B0, uint8_t* B1, uint8_t* B2) {
    splitPixels(P, N, B0, B1, B2);
}

void lx::lanes::joinPixelsAvx512(const uint8_t* B0, const uint8_t* B1, const uint8_t* B2, int N,
                                 uint8_t* P) {
    joinPixels(B0, B1, B2, N, P);
}
