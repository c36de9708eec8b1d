// The resamplers' entry for the levels above the engine: the checks that
// turn two pictures into views the kernels may run on.

#include "lxResample.h"

#include "core/pixel_view.h"
#include "kernels/resample.h"
#include "kernels/resample_linear.h"

namespace lx {
namespace {

bool fits(const QImage& Src, const QImage& Dst, int Channels) {
    return (Channels == 1 || Channels == 3 || Channels == 4) && !Src.isNull() && !Dst.isNull() &&
           Src.depth() == 8 * Channels && Dst.depth() == 8 * Channels;
}

template <class Kernel> bool run(const QImage& Src, QImage& Dst, int Channels, Kernel kernel) {
    if (!fits(Src, Dst, Channels)) return false;
    try {
        kernel(constViewOf(Src), viewOf(Dst));
    } catch (...) {
        return false;
    }
    return true;
}

} // namespace

bool enlargePictureLinear(const QImage& Src, QImage& Dst, int Channels) {
    return run(Src, Dst, Channels,
               [&](ConstPixelView s, PixelView d) { enlargeLinear(s, d, Channels, {}); });
}

bool shrinkPictureLinear(const QImage& Src, QImage& Dst, int Channels) {
    return run(Src, Dst, Channels,
               [&](ConstPixelView s, PixelView d) { shrinkLinear(s, d, Channels); });
}

bool samplePictureLinear(const QImage& Src, QImage& Dst, int Channels) {
    return run(Src, Dst, Channels,
               [&](ConstPixelView s, PixelView d) { sampleLinear(s, d, Channels); });
}

bool stretchPictureNearest(const QImage& Src, QImage& Dst, int Channels) {
    return run(Src, Dst, Channels,
               [&](ConstPixelView s, PixelView d) { stretchNearest(s, d, Channels); });
}

} // namespace lx
