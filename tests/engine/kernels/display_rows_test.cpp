#include "kernels/display_rows.h"
#include "lxResample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// Each path against the pixels worked out from the bytes: offsets anywhere
// in the row (the last pixel included, whose four-byte read would pass the
// end), counts of every tail length, rows that end exactly at their bytes.
TEST(DisplayRowsTest, EveryPathPicksTheBytesAtTheOffsets) {
    const auto kernels = lx::nearestDisplayRowKernels();
    ASSERT_STREQ(kernels.front().name, "scalar");
    std::mt19937 rng(31);
    for (int caseNo = 0; caseNo < 3000; ++caseNo) {
        const int width = 1 + int(rng() % 120);
        const int count = int(rng() % 70);
        std::vector<uint8_t> row(size_t(3 * width));
        for (auto& b : row)
            b = uint8_t(rng());
        std::vector<int> offsets(static_cast<size_t>(count));
        for (auto& o : offsets) {
            const unsigned pick = rng() % 4;
            o = pick == 0   ? 3 * width - 3
                : pick == 1 ? int(rng() % unsigned(3 * width - 2))
                            : 3 * int(rng() % unsigned(width));
        }
        std::vector<uint32_t> expected(size_t(count) + 1, 0xDEADBEEFu);
        for (int i = 0; i < count; ++i) {
            const size_t o = size_t(offsets[size_t(i)]);
            expected[size_t(i)] = 0xFF000000u | uint32_t(row[o + 2]) << 16 |
                                  uint32_t(row[o + 1]) << 8 | uint32_t(row[o]);
        }
        for (const auto& kernel : kernels) {
            std::vector<uint32_t> actual(size_t(count) + 1, 0xDEADBEEFu);
            kernel.fn(actual.data(), row.data(), int(row.size()), offsets.data(), count);
            ASSERT_EQ(actual, expected) << kernel.name << " case " << caseNo;
        }
        std::vector<uint32_t> chosen(size_t(count) + 1, 0xDEADBEEFu);
        lx::nearestBgrToRgb32Row(chosen.data(), row.data(), int(row.size()), offsets.data(), count);
        ASSERT_EQ(chosen, expected) << "case " << caseNo;
    }
}

} // namespace
