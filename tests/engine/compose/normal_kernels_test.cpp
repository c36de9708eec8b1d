// Every vector form of the normal-mode rows against the plain form: over
// every (destination, source, coverage) byte triple, and over seeded random
// rows of odd lengths and alignments. A random case is made from its number
// alone, so a failure names the case and LX_REPLAY_CASE=N runs just that one
// and shows its first differing byte.

#include "compose/compose_kernels.h"
#include "core/cpu_features.h"
#include "lxImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

const std::vector<lx::NamedNormalRowFn> kOpaqueKernels = lx::normalOpaqueRowKernels();
const std::vector<lx::NamedNormalCoverageRowFn> kCoverageKernels = lx::normalRowKernels();

// Coverage of every alpha byte at an opacity, as the compositor computes it.
// The rows every byte-triple test walks: pixel x has destination x in blue,
// 255 - x in green and 7x in red; the source row for l has l in blue, l + x
// in green and 255 - l in red, so over all l each channel meets every pair.
void setDestinationRow(std::vector<uint8_t>& row, int n) {
    for (int x = 0; x < n; ++x) {
        row[size_t(3 * x)] = uint8_t(x);
        row[size_t(3 * x + 1)] = uint8_t(255 - x);
        row[size_t(3 * x + 2)] = uint8_t(x * 7);
    }
}

void setSourceRow(std::vector<uint8_t>& row, int n, int l) {
    for (int x = 0; x < n; ++x) {
        row[size_t(3 * x)] = uint8_t(l);
        row[size_t(3 * x + 1)] = uint8_t(l + x);
        row[size_t(3 * x + 2)] = uint8_t(255 - l);
    }
}

std::vector<double> coverageTable(double opacity) {
    std::vector<double> table(256);
    for (int a = 0; a < 256; ++a)
        table[size_t(a)] = double(a) / 255 * opacity;
    return table;
}

// The machine's vector forms take part; a machine without them tests the
// plain forms against the formula alone.
TEST(NormalKernelsTest, EveryPathTheProcessorRunsIsListed) {
    ASSERT_FALSE(kOpaqueKernels.empty());
    EXPECT_STREQ(kOpaqueKernels.front().name, "scalar");
    EXPECT_STREQ(kCoverageKernels.front().name, "scalar");
#ifdef LX_HAVE_X86
    if (lx::cpuHasAvx512Bw()) {
        EXPECT_STREQ(kOpaqueKernels.back().name, "avx512bw");
        EXPECT_STREQ(kCoverageKernels.back().name, "avx512bw");
    }
#endif
}

// At a partial opacity with a mask: pixel x of a row has destination x
// (green and red through other bijections), source l and mask byte 255 - x
// in blue, 2x + 1 in green, x in red, so over all alpha bytes and l every
// (destination, source, alpha) triple meets the per-channel arithmetic, and
// every mask byte does too, at opacities with exact halves and without. The
// formula is the per-pixel masked blend.
TEST(NormalKernelsTest, MaskedRowEqualsTheMaskedFormulaForEveryByteTriple) {
    for (double opacity : {0.7, 1.0, 0.5}) {
        auto img = std::make_unique<TlxImage>();
        constexpr int n = 256;
        const std::vector<double> coverage = coverageTable(opacity);
        std::vector<uint8_t> start(3 * n), expected(3 * n), actual(3 * n), src(3 * n), mask(3 * n),
            alpha(n);
        setDestinationRow(start, n);
        for (int x = 0; x < n; ++x) {
            mask[size_t(3 * x)] = uint8_t(255 - x);
            mask[size_t(3 * x + 1)] = uint8_t(2 * x + 1);
            mask[size_t(3 * x + 2)] = uint8_t(x);
        }
        for (int a = 0; a < 256; ++a) {
            std::fill(alpha.begin(), alpha.end(), uint8_t(a));
            for (int l = 0; l < 256; ++l) {
                setSourceRow(src, n, l);
                expected = start;
                for (int x = 0; x < n; ++x) {
                    const uint8_t* s = &src[size_t(3 * x)];
                    const uint8_t* m = &mask[size_t(3 * x)];
                    img->BlendPixelMasked(
                        &expected[size_t(3 * x)], 0, uint32_t(s[2]) << 16 | s[1] << 8 | s[0],
                        coverage[size_t(a)], uint32_t(m[2]) << 16 | m[1] << 8 | m[0]);
                }
                for (const lx::NamedNormalCoverageRowFn& kernel : kCoverageKernels) {
                    actual = start;
                    kernel.fn(actual.data(), src.data(), alpha.data(), mask.data(), n,
                              coverage.data());
                    ASSERT_EQ(actual, expected)
                        << kernel.name << " opacity " << opacity << " a=" << a << " l=" << l;
                }
            }
        }
    }
}

// Without a mask: pixel x has destination x in blue (255 - x in green, 7x in
// red) and source l, so over all alpha bytes and l every (destination,
// source, alpha) triple meets each path. The tables are the compositor's at
// opacities with many exact halves (0.5), with none and a rounding of their
// own (0.7, 1/3, 0.999), and one that does not grow linearly with alpha,
// also with a coverage for alpha 0 that must be ignored.
TEST(NormalKernelsTest, UnmaskedRowEqualsTheFormulaForEveryByteTriple) {
    auto img = std::make_unique<TlxImage>();
    constexpr int n = 256;
    std::vector<std::vector<double>> tables;
    for (double opacity : {0.5, 0.7, 1.0 / 3, 0.999})
        tables.push_back(coverageTable(opacity));
    std::vector<double> curved(256);
    for (int a = 0; a < 256; ++a)
        curved[size_t(a)] = double(a * a) / 65025;
    tables.push_back(curved);
    curved[0] = 0.9; // coverage for alpha 0 is never used
    tables.push_back(curved);
    std::vector<uint8_t> start(3 * n), expected(3 * n), actual(3 * n), src(3 * n), alpha(n);
    setDestinationRow(start, n);
    for (size_t t = 0; t < tables.size(); ++t) {
        const std::vector<double>& coverage = tables[t];
        for (int a = 0; a < 256; ++a) {
            std::fill(alpha.begin(), alpha.end(), uint8_t(a));
            for (int l = 0; l < 256; ++l) {
                setSourceRow(src, n, l);
                expected = start;
                for (int x = 0; x < n && a != 0; ++x) {
                    const uint8_t* s = &src[size_t(3 * x)];
                    img->BlendPixel(&expected[size_t(3 * x)], 0,
                                    uint32_t(s[2]) << 16 | s[1] << 8 | s[0], coverage[size_t(a)]);
                }
                for (const lx::NamedNormalCoverageRowFn& kernel : kCoverageKernels) {
                    actual = start;
                    kernel.fn(actual.data(), src.data(), alpha.data(), nullptr, n, coverage.data());
                    ASSERT_EQ(actual, expected)
                        << kernel.name << " table " << t << " a=" << a << " l=" << l;
                }
            }
        }
    }
}

// Pixels of alpha 0 among covered ones in the same vector block stay as
// they are, whatever coverage the table gives alpha 0.
TEST(NormalKernelsTest, AlphaZeroAmongCoveredPixelsLeavesThemAlone) {
    std::vector<double> table(256);
    for (int a = 0; a < 256; ++a)
        table[size_t(a)] = double(a * a) / 65025;
    for (double zero : {0.9, 1.0 / 3 * 2.0 / 255}) { // not linear; linear but for alpha 0
        table[0] = zero;
        if (zero < 0.5)
            for (int a = 1; a < 256; ++a)
                table[size_t(a)] = double(a) / 255 * (1.0 / 3);
        constexpr int n = 100;
        std::vector<uint8_t> dst(3 * n), src(3 * n), alpha(n);
        for (int x = 0; x < n; ++x) {
            alpha[size_t(x)] = x % 3 == 0 ? 0 : uint8_t(40 + x);
            for (int k = 0; k < 3; ++k) {
                dst[size_t(3 * x + k)] = uint8_t(11 * x + 80 * k);
                src[size_t(3 * x + k)] = uint8_t(255 - 7 * x - k);
            }
        }
        std::vector<uint8_t> expected = dst;
        for (int x = 0; x < n; ++x)
            if (alpha[size_t(x)] != 0)
                for (int k = 0; k < 3; ++k) {
                    const double c = table[alpha[size_t(x)]];
                    uint8_t& d = expected[size_t(3 * x + k)];
                    d = uint8_t(RoundEven((1.0 - c) * d + c * src[size_t(3 * x + k)]));
                }
        for (const lx::NamedNormalCoverageRowFn& kernel : kCoverageKernels) {
            std::vector<uint8_t> actual = dst;
            kernel.fn(actual.data(), src.data(), alpha.data(), nullptr, n, table.data());
            EXPECT_EQ(actual, expected) << kernel.name << " coverage of 0: " << zero;
        }
    }
}

// One random case: a span of an odd length at offsets of its own in each
// buffer, with guard bytes on both sides that no kernel may touch.
struct RandomCase {
    int N = 0;
    int DstOffset = 0, SrcOffset = 0, AlphaOffset = 0, MaskOffset = 0;
    bool Masked = false;
    double Opacity = 1.0;
    std::vector<uint8_t> Dst, Src, Alpha, Mask;
};

constexpr int kGuard = 70; // past a whole 64-byte vector on each side

RandomCase makeCase(uint32_t caseNo, bool allowMaskAndOpacity) {
    std::seed_seq seed{20261210u, caseNo};
    std::mt19937 rng(seed);
    RandomCase c;
    // Lengths up to five 64-pixel blocks, odd ones often: every tail length.
    c.N = int(rng() % 330);
    if (rng() % 2 == 0) c.N |= 1;
    c.DstOffset = int(rng() % 64);
    c.SrcOffset = int(rng() % 64);
    c.AlphaOffset = int(rng() % 64);
    c.MaskOffset = int(rng() % 64);
    if (allowMaskAndOpacity) {
        c.Masked = rng() % 2 == 0;
        const unsigned pick = rng() % 4;
        c.Opacity = pick == 0 ? 1.0 : pick == 1 ? 0.5 : (rng() % 100001) / 100000.0;
    }
    const auto bytes = [&](std::vector<uint8_t>& v, size_t count) {
        v.resize(count);
        for (auto& b : v)
            b = uint8_t(rng());
    };
    bytes(c.Dst, size_t(3 * c.N + 3 * c.DstOffset + kGuard));
    bytes(c.Src, size_t(3 * c.N + 3 * c.SrcOffset + kGuard));
    bytes(c.Mask, size_t(3 * c.N + 3 * c.MaskOffset + kGuard));
    c.Alpha.resize(size_t(c.N + c.AlphaOffset + kGuard));
    // Runs of clear, opaque and mixed coverage of random lengths, so whole
    // vector blocks of each kind come up as well as blocks that mix them.
    for (size_t i = 0; i < c.Alpha.size();) {
        const size_t run = 1 + rng() % 140;
        const unsigned kind = rng() % 3;
        for (size_t k = 0; k < run && i < c.Alpha.size(); ++k, ++i)
            c.Alpha[i] = kind == 0 ? 0 : kind == 1 ? 255 : uint8_t(rng());
    }
    for (size_t i = 0; i < c.Mask.size(); i += 1 + rng() % 7)
        c.Mask[i] = rng() % 2 == 0 ? 0 : 255; // hidden and fully shown channels
    return c;
}

// The destination buffer after the kernel ran on the case.
template <class Run> std::vector<uint8_t> runCase(const RandomCase& c, Run run) {
    std::vector<uint8_t> dst = c.Dst;
    run(dst.data() + 3 * c.DstOffset, c.Src.data() + 3 * c.SrcOffset,
        c.Alpha.data() + c.AlphaOffset, c.Masked ? c.Mask.data() + 3 * c.MaskOffset : nullptr);
    return dst;
}

uint64_t fold(uint64_t sum, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes)
        sum = (sum ^ b) * 0x100000001B3ull; // FNV-1a
    return sum;
}

std::string firstDifference(const std::vector<uint8_t>& actual,
                            const std::vector<uint8_t>& expected, const RandomCase& c) {
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i]) continue;
        const long pixel = (long(i) - 3 * c.DstOffset) / 3;
        return "byte " + std::to_string(i) + " (pixel " + std::to_string(pixel) + " of " +
               std::to_string(c.N) + "): " + std::to_string(actual[i]) + " instead of " +
               std::to_string(expected[i]) + ", was " + std::to_string(c.Dst[i]);
    }
    return "no difference";
}

// Runs the cases against the plain kernel (index 0). Each kernel's outputs
// fold into a checksum that must equal the plain one's; the first failing
// case is named. With LX_REPLAY_CASE set, only that case runs.
template <class Kernels, class Run>
void differential(const Kernels& kernels, bool maskAndOpacity, uint32_t cases, Run run) {
    uint32_t first = 0, last = cases;
    if (const char* replay = std::getenv("LX_REPLAY_CASE")) {
        first = uint32_t(std::strtoul(replay, nullptr, 10));
        last = first + 1;
    }
    std::vector<uint64_t> sums(kernels.size(), 0xCBF29CE484222325ull);
    std::vector<long> firstFailing(kernels.size(), -1);
    std::vector<std::string> detail(kernels.size());
    for (uint32_t caseNo = first; caseNo < last; ++caseNo) {
        const RandomCase c = makeCase(caseNo, maskAndOpacity);
        const std::vector<double> coverage = coverageTable(c.Opacity);
        std::vector<uint8_t> expected;
        for (size_t k = 0; k < kernels.size(); ++k) {
            const std::vector<uint8_t> out = runCase(
                c, [&](auto... args) { run(kernels[k].fn, args..., c.N, coverage.data()); });
            if (k == 0) expected = out;
            sums[k] = fold(sums[k], out);
            if (firstFailing[k] < 0 && out != expected) {
                firstFailing[k] = long(caseNo);
                detail[k] = firstDifference(out, expected, c);
            }
        }
    }
    for (size_t k = 1; k < kernels.size(); ++k) {
        EXPECT_EQ(firstFailing[k], -1)
            << kernels[k].name << ": first failing case " << firstFailing[k] << ", " << detail[k]
            << " (LX_REPLAY_CASE=" << firstFailing[k] << ")";
        EXPECT_EQ(sums[k], sums[0]) << kernels[k].name;
    }
}

TEST(NormalKernelsTest, OpaqueRowPathsMatchThePlainRowOnRandomRows) {
    differential(kOpaqueKernels, false, 4000,
                 [](lx::NormalRowFn fn, uint8_t* d, const uint8_t* s, const uint8_t* a,
                    const uint8_t*, int n, const double*) { fn(d, s, a, n); });
}

TEST(NormalKernelsTest, CoverageRowPathsMatchThePlainRowOnRandomRows) {
    differential(kCoverageKernels, true, 4000,
                 [](lx::NormalCoverageRowFn fn, uint8_t* d, const uint8_t* s, const uint8_t* a,
                    const uint8_t* m, int n,
                    const double* coverage) { fn(d, s, a, m, n, coverage); });
}

// A table the compositor never makes still gets the plain form's bytes:
// coverage for alpha 0 is ignored, coverage 1 at alpha 255 through a mask is
// no plain copy, and coverage past 1 or below 0 wraps as the plain form's
// conversion to a byte does.
TEST(NormalKernelsTest, CoverageRowPathsFollowThePlainRowOnOddTables) {
    std::mt19937 rng(7);
    std::vector<double> table(256);
    for (int a = 0; a < 256; ++a)
        table[size_t(a)] = (int(rng() % 4001) - 1000) / 1000.0; // -1 .. 3
    table[255] = 1.0;
    constexpr int n = 200;
    std::vector<uint8_t> dst(3 * n), src(3 * n), mask(3 * n), alpha(n);
    for (auto* v : {&dst, &src, &mask, &alpha})
        for (auto& b : *v)
            b = uint8_t(rng());
    for (int x = 0; x < 64; ++x)
        alpha[size_t(x)] = x < 32 ? 0 : 255;
    for (const uint8_t* m :
         {static_cast<const uint8_t*>(nullptr), static_cast<const uint8_t*>(mask.data())}) {
        std::vector<uint8_t> expected = dst;
        lx::blendNormalRowScalar(expected.data(), src.data(), alpha.data(), m, n, table.data());
        for (const lx::NamedNormalCoverageRowFn& kernel : kCoverageKernels) {
            std::vector<uint8_t> actual = dst;
            kernel.fn(actual.data(), src.data(), alpha.data(), m, n, table.data());
            EXPECT_EQ(actual, expected) << kernel.name << (m ? " masked" : "");
        }
    }
}

} // namespace
