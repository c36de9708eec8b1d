// The blend-mode lane kernels at four doubles per vector (built with AVX2).

#define LX_LANES 4
#include "compose/mode_rows_lanes.inc"

void lx::lanes::runAvx2(const Job& J) {
    runLanes(J);
}

void lx::lanes::hslAvx2(const HslJob& J) {
    hslLanes(J);
}
