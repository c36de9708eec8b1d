// The blend-mode lane kernels at eight doubles per vector (built with
// AVX-512).

#define LX_LANES 8
#include "compose/mode_rows_lanes.inc"

void lx::lanes::runAvx512(const Job& J) {
    runLanes(J);
}
