// Nearest-pixel and area-averaging stretches.

#include "kernels/resample.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lx {

void stretchNearest(ConstPixelView src, PixelView dst, int channels) {
    if (src.Width <= 0 || src.Height <= 0) return;
    // Byte offset of the source pixel under each target column's centre.
    std::vector<qsizetype> column(size_t(dst.Width));
    for (int x = 0; x < dst.Width; ++x)
        column[size_t(x)] =
            channels * qsizetype((2 * int64_t(x) + 1) * src.Width / (2 * int64_t(dst.Width)));
    int lastRow = -1;
    for (int y = 0; y < dst.Height; ++y) {
        const int sy = int((2 * int64_t(y) + 1) * src.Height / (2 * int64_t(dst.Height)));
        uint8_t* d = dst.row(y);
        if (sy == lastRow) { // enlarging repeats rows: copy the one just built
            std::memcpy(d, dst.row(y - 1), size_t(qsizetype(dst.Width) * channels));
            continue;
        }
        lastRow = sy;
        const uint8_t* s = src.row(sy);
        if (channels == 3) {
            for (int x = 0; x < dst.Width; ++x) {
                const uint8_t* p = s + column[size_t(x)];
                d[3 * x] = p[0];
                d[3 * x + 1] = p[1];
                d[3 * x + 2] = p[2];
            }
        } else {
            for (int x = 0; x < dst.Width; ++x)
                d[x] = s[column[size_t(x)]];
        }
    }
}

namespace {

// The source pixels a target pixel covers along one axis, with weights. In
// units where a source pixel is `to` wide and a target pixel `from` wide,
// target t spans [t * from, (t + 1) * from) and source s spans
// [s * to, (s + 1) * to); the weight is the length of the overlap, so the
// weights of every target pixel add up to `from`.
struct AreaTaps {
    std::vector<int> first; // first source index of each target pixel
    std::vector<int> count; // how many source pixels it covers
    std::vector<int32_t> weight;
    std::vector<size_t> offset; // where each target pixel's weights start
};

AreaTaps areaTaps(int from, int to) {
    AreaTaps taps;
    taps.first.resize(size_t(to));
    taps.count.resize(size_t(to));
    taps.offset.resize(size_t(to));
    for (int t = 0; t < to; ++t) {
        const int64_t lo = int64_t(t) * from;
        const int64_t hi = lo + from;
        const int s0 = int(lo / to);
        const int s1 = int((hi - 1) / to); // last source pixel touched
        taps.first[size_t(t)] = s0;
        taps.count[size_t(t)] = s1 - s0 + 1;
        taps.offset[size_t(t)] = taps.weight.size();
        for (int s = s0; s <= s1; ++s) {
            const int64_t a = std::max(lo, int64_t(s) * to);
            const int64_t b = std::min(hi, int64_t(s + 1) * to);
            taps.weight.push_back(int32_t(b - a));
        }
    }
    return taps;
}

} // namespace

void stretchArea(ConstPixelView src, PixelView dst, int channels) {
    const int W = src.Width, H = src.Height, w = dst.Width, h = dst.Height;
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0) return;
    const AreaTaps xs = areaTaps(W, w);
    const AreaTaps ys = areaTaps(H, h);
    const size_t rowValues = size_t(w) * size_t(channels);

    // Horizontal sums of a source row: at most 255 * W, well inside 32 bits.
    // Two rows are kept, enough for the overlap between neighbouring target rows.
    std::vector<int32_t> cache[2] = {std::vector<int32_t>(rowValues),
                                     std::vector<int32_t>(rowValues)};
    int cachedRow[2] = {-1, -1};
    int nextSlot = 0;
    auto horizontal = [&](int r) -> const std::vector<int32_t>& {
        for (int k = 0; k < 2; ++k)
            if (cachedRow[k] == r) return cache[k];
        const int k = nextSlot;
        nextSlot ^= 1;
        cachedRow[k] = r;
        const uint8_t* s = src.row(r);
        int32_t* out = cache[k].data();
        for (int x = 0; x < w; ++x) {
            const int32_t* wt = xs.weight.data() + xs.offset[size_t(x)];
            const uint8_t* p = s + qsizetype(xs.first[size_t(x)]) * channels;
            for (int c = 0; c < channels; ++c) {
                int32_t sum = 0;
                for (int k2 = 0; k2 < xs.count[size_t(x)]; ++k2)
                    sum += wt[k2] * p[k2 * channels + c];
                out[size_t(x) * size_t(channels) + size_t(c)] = sum;
            }
        }
        return cache[k];
    };

    // Every target value is sum / (W * H): rounded half up as (2 sum + D) div 2D.
    const int64_t divisor = int64_t(W) * H;
    std::vector<int64_t> acc(rowValues);
    for (int y = 0; y < h; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const int32_t* wt = ys.weight.data() + ys.offset[size_t(y)];
        for (int k = 0; k < ys.count[size_t(y)]; ++k) {
            const std::vector<int32_t>& row = horizontal(ys.first[size_t(y)] + k);
            const int64_t weight = wt[k];
            for (size_t i = 0; i < rowValues; ++i)
                acc[i] += weight * row[i];
        }
        uint8_t* d = dst.row(y);
        for (size_t i = 0; i < rowValues; ++i)
            d[i] = uint8_t(std::min<int64_t>((2 * acc[i] + divisor) / (2 * divisor), 255));
    }
}

} // namespace lx
