// Every (layer byte, destination byte, coverage) triple of every blend mode
// whose channels are independent, on every row path, against BlendPixel.

#include "compose/mode_rows_reference.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using lx::BlendRow;
using lx::BlendRowPath;
using namespace mode_rows_reference;

// ---- every (layer byte, destination byte, coverage) of a separable mode ----

class SeparableModeRows : public ::testing::TestWithParam<int> {};

// The destination row holds every byte in every channel (blue i, green
// i + 85, red i + 170); the source is one colour per row, different in each
// channel, so each channel alone meets every (L, D) pair per coverage. Rows
// alternate between a colour row and the solid colour.
TEST_P(SeparableModeRows, EveryTripleMatchesBlendPixel) {
    const uint8_t mode = uint8_t(GetParam());
    TlxImage img;
    fillTables(img);
    std::vector<double> coverages;
    for (int a = 1; a < 256; ++a)
        coverages.push_back(double(a) / 255 * 1.0);
    for (double opacity : {0.7, 0.35})
        for (int a = 1; a < 256; a += 5)
            coverages.push_back(double(a) / 255 * opacity);

    uint8_t base[3 * 256];
    for (int i = 0; i < 256; ++i) {
        base[3 * i] = uint8_t(i);
        base[3 * i + 1] = uint8_t(i + 85);
        base[3 * i + 2] = uint8_t(i + 170);
    }
    const auto paths = lx::blendRowPaths();
    uint8_t ref[3 * 256], got[3 * 256], src[3 * 256];
    double cov[256];
    for (double c : coverages) {
        std::fill(cov, cov + 256, c);
        for (int l = 0; l < 256; ++l) {
            const uint8_t b = uint8_t(l), g = uint8_t(l ^ 0x5A), r = uint8_t(255 - l);
            for (int i = 0; i < 256; ++i) {
                src[3 * i] = b;
                src[3 * i + 1] = g;
                src[3 * i + 2] = r;
            }
            const bool solid = (l & 1) != 0;
            BlendRow row{ref,
                         3,
                         solid ? nullptr : src,
                         uint32_t(r) << 16 | uint32_t(g) << 8 | b,
                         cov,
                         nullptr,
                         256,
                         mode};
            std::memcpy(ref, base, sizeof ref);
            referenceRow(img, row);
            for (BlendRowPath path : paths) {
                std::memcpy(got, base, sizeof got);
                row.Dst = got;
                lx::blendModeRow(row, img.BlendTables, scratchRng(), path);
                row.Dst = ref;
                if (std::memcmp(ref, got, sizeof ref) == 0) continue;
                int k = 0;
                while (ref[k] == got[k])
                    ++k;
                FAIL() << lx::blendRowPathName(path) << ": mode " << int(mode) << " L "
                       << int(src[k % 3]) << " D " << int(base[k]) << " coverage " << c << " gives "
                       << int(got[k]) << ", BlendPixel " << int(ref[k]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllSeparable, SeparableModeRows, ::testing::ValuesIn(separableModes()),
                         [](const auto& info) { return "mode" + std::to_string(info.param); });

} // namespace
