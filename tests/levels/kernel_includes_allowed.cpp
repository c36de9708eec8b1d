// Must compile: the headers a pixel kernel may use, with the kernels' own
// include path and definitions.
#include "core/cpu_features.h"
#include "core/pixel_view.h"
#include "kernels/resample.h"
#include "lxLayerStyle.h"
#include "lxTypes.h"

int levelProbe(uint8_t* row) {
    PixelView view{row, 1, 1, 1};
    return RoundEven(view.row(0)[0] * 0.5) + (lx::cpuHasAvx2() ? 1 : 0);
}
