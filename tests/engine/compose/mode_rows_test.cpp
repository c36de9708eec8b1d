// The blend-mode rows against the per-pixel routines, on every path this
// processor runs: exhaustively for the modes whose channels are independent,
// by seeded random cases for the HSL modes, masks and 32-bit rows, and
// draw for draw for dissolve.

#include "compose/mode_rows_reference.h"
#include "lxImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using lx::BlendRow;
using lx::BlendRowPath;
using namespace mode_rows_reference;

// ---- hand-worked cases through every path ----

struct HandCase {
    uint8_t mode;
    uint8_t d, l; // the same in all three channels
    double a;
    uint8_t expected;
};

TEST(ModeRows, HandWorkedChannelsOnEveryPath) {
    const HandCase cases[] = {
        {lx::BlendAdd, 0, 255, 0.5, 128},         // N(127.5) = 128, halves to even
        {lx::BlendDifference, 10, 200, 1.0, 190}, // |10 - 200|
        {lx::BlendMultiply, 200, 100, 1.0, 78},   // 20000 / 255 = 78.43
        {lx::BlendScreen, 100, 100, 1.0, 161},    // 200 - 10000 / 255 = 160.78
        {lx::BlendOverlay, 128, 128, 1.0, 129},   // dark side: (128/255)^2 * 512 = 129.0
        {lx::BlendSoftLight, 100, 130, 1.0, 101}, // 100 + 2 * 0.465
        {lx::BlendSoftLight, 100, 129, 1.0, 100}, // 100.465 rounds back
        {lx::BlendSoftLight, 100, 127, 1.0, 100}, // 127 and 128 leave D
        {lx::BlendColorDodge, 40, 255, 1.0, 255}, // a white source saturates
        {lx::BlendColorBurn, 200, 0, 0.25, 150},  // black source: N(0.75 * 200)
        {lx::BlendInverseBurn, 77, 0, 0.6, 77},   // black source: unchanged
        {lx::BlendAnd, 0xF0, 0x3C, 1.0, 0x30},
        {lx::BlendInverseMultiply, 10, 250, 1.0, 255}, // 495 capped
        {lx::BlendLinearLight, 10, 20, 1.0, 0},        // -98 floored
        {lx::BlendLinearFilter, 100, 64, 1.0, 82},     // a = 0.5: N(50 + 32)
        {lx::BlendHardLight, 200, 7, 0.5, 100},        // all-zero table: N(0.5 * 200)
        {40, 123, 45, 1.0, 123},                       // unknown code: unchanged
    };
    for (BlendRowPath path : lx::blendRowPaths()) {
        for (const HandCase& c : cases) {
            TlxImage img;
            for (auto& table : img.BlendTables)
                table.fill(0); // modes 26..32 darken towards black
            uint8_t dst[3] = {c.d, c.d, c.d};
            const uint8_t src[3] = {c.l, c.l, c.l};
            const double cov = c.a;
            lx::blendModeRow({dst, 3, src, 0, &cov, nullptr, 1, c.mode}, img.BlendTables,
                             scratchRng(), path);
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(dst[k], c.expected)
                    << lx::blendRowPathName(path) << " mode " << int(c.mode) << " byte " << k;
        }
    }
}

TEST(ModeRows, GreySourceInSaturationModeDrivesEveryChannelToGrey) {
    for (BlendRowPath path : lx::blendRowPaths()) {
        TlxImage img;
        uint8_t dst[3] = {0, 0, 255}; // pure red: H 0, S 100, L 50
        const double cov = 1.0;
        // A grey source has S = 0, so every channel goes to 128 and the
        // lightness of 50 % leaves it there.
        lx::blendModeRow({dst, 3, nullptr, 0x505050, &cov, nullptr, 1, lx::BlendSaturation},
                         img.BlendTables, scratchRng(), path);
        EXPECT_EQ(dst[0], 128);
        EXPECT_EQ(dst[1], 128);
        EXPECT_EQ(dst[2], 128);
    }
}

TEST(ModeRows, BlackMaskAndZeroCoverageLeaveEveryModeAlone) {
    for (BlendRowPath path : lx::blendRowPaths()) {
        for (int mode = 0; mode <= 34; ++mode) {
            TlxImage img;
            fillTables(img);
            uint8_t dst[8] = {11, 22, 33, 44, 55, 66, 77, 88};
            const uint8_t src[6] = {200, 100, 50, 250, 5, 128};
            const uint8_t mask[6] = {0, 0, 0, 255, 255, 255};
            const double cov[2] = {1.0, 0.0};
            lx::blendModeRow({dst, 4, src, 0, cov, mask, 2, uint8_t(mode)}, img.BlendTables,
                             scratchRng(), path);
            const uint8_t expected[8] = {11, 22, 33, 44, 55, 66, 77, 88};
            EXPECT_EQ(0, std::memcmp(dst, expected, 8))
                << lx::blendRowPathName(path) << " mode " << mode;
        }
    }
}

// ---- seeded random rows: masks, 32-bit pixels, HSL modes ----

// Case n of a mode: its inputs come from n alone (splitmix64), so a failing
// case can be rerun by its number.
uint64_t splitmix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

struct RandomCase {
    uint8_t dst[3], src[3], mask[3];
    double coverage;
};

RandomCase randomCase(uint64_t n) {
    RandomCase c{};
    const uint64_t r1 = splitmix(n * 2), r2 = splitmix(n * 2 + 1);
    for (int k = 0; k < 3; ++k) {
        c.dst[k] = uint8_t(r1 >> (8 * k));
        c.src[k] = uint8_t(r1 >> (24 + 8 * k));
        c.mask[k] = uint8_t(r2 >> (8 * k));
    }
    // Greys and repeated channels reach the HSL conversions' equal-channel
    // branches; masks of 0 and 255 their edges.
    switch ((r2 >> 24) & 7) {
    case 0:
        c.src[1] = c.src[2] = c.src[0];
        break;
    case 1:
        c.dst[1] = c.dst[2] = c.dst[0];
        break;
    case 2:
        c.src[2] = c.src[0];
        break;
    case 3:
        c.dst[1] = c.dst[0];
        break;
    default:
        break;
    }
    if (((r2 >> 27) & 7) == 0) c.mask[(r2 >> 30) % 3] = 0;
    if (((r2 >> 27) & 7) == 1) c.mask[0] = c.mask[1] = c.mask[2] = 255;
    const int alpha = int((r2 >> 32) & 0xFF);
    const double opacities[4] = {1.0, 1.0, 0.7, 0.43};
    c.coverage = double(alpha) / 255 * opacities[(r2 >> 40) & 3];
    return c;
}

// Runs cases First .. First + Count - 1 of a mode in rows of 300 pixels
// (more than one chunk of the vector paths), alternately 24- and 32-bit,
// plain and masked, and names the first case any path gets wrong.
void checkRandomCases(uint8_t mode, uint64_t first, uint64_t count) {
    constexpr int kRow = 300;
    TlxImage img;
    fillTables(img);
    const auto paths = lx::blendRowPaths();
    std::vector<uint8_t> base(4 * kRow), ref(4 * kRow), got(4 * kRow), src(3 * kRow),
        mask(3 * kRow);
    std::vector<double> cov(kRow);
    uint64_t checksum = 0;
    for (uint64_t n0 = first; n0 < first + count; n0 += kRow) {
        const int n = int(std::min<uint64_t>(kRow, first + count - n0));
        const int step = (n0 / kRow) % 2 == 0 ? 3 : 4;
        const bool masked = (n0 / (2 * kRow)) % 2 == 1;
        for (int i = 0; i < n; ++i) {
            const RandomCase c = randomCase(n0 + uint64_t(i));
            for (int k = 0; k < 3; ++k) {
                base[size_t(step * i + k)] = c.dst[k];
                src[size_t(3 * i + k)] = c.src[k];
                mask[size_t(3 * i + k)] = c.mask[k];
            }
            if (step == 4) base[size_t(4 * i + 3)] = uint8_t(i);
            cov[size_t(i)] = c.coverage;
        }
        BlendRow row{ref.data(), step, src.data(), 0, cov.data(), masked ? mask.data() : nullptr,
                     n,          mode};
        ref = base;
        referenceRow(img, row);
        for (uint8_t v : ref)
            checksum = checksum * 1099511628211ull + v;
        for (BlendRowPath path : paths) {
            got = base;
            row.Dst = got.data();
            lx::blendModeRow(row, img.BlendTables, scratchRng(), path);
            row.Dst = ref.data();
            for (int i = 0; i < n; ++i)
                if (std::memcmp(&ref[size_t(step * i)], &got[size_t(step * i)], size_t(step)) !=
                    0) {
                    FAIL() << lx::blendRowPathName(path) << ": mode " << int(mode)
                           << " first differs at case " << n0 + uint64_t(i)
                           << (masked ? " (masked)" : "") << ", " << step
                           << "-byte pixels; rerun with checkRandomCases(" << int(mode) << ", "
                           << n0 + uint64_t(i) << ", 1); reference checksum so far " << checksum;
                }
        }
    }
}

TEST(ModeRows, HslModesMatchOnSeededRandomCases) {
    for (uint8_t mode : {lx::BlendHue, lx::BlendSaturation, lx::BlendLuminosity, lx::BlendColor})
        checkRandomCases(mode, 0, 300000);
}

TEST(ModeRows, SeparableModesMatchWithMasksAndFourBytePixels) {
    for (int mode : separableModes())
        checkRandomCases(uint8_t(mode), 1000000, 12000);
}

TEST(ModeRows, TableModesMatchAcrossStretchesOfByteAndOtherCoverages) {
    // Stretches of the row whose coverages are all A / 255 take another
    // route than those holding any other coverage; a row of 700 pixels has
    // stretches of both kinds, some cut by the chunk edges; 0.5 and 0.3 lie
    // between two A / 255 and must not be taken for the nearer one.
    constexpr int kRow = 700;
    TlxImage img;
    fillTables(img);
    std::vector<uint8_t> base(3 * kRow), src(3 * kRow), ref, got;
    std::vector<double> cov(kRow);
    for (int i = 0; i < kRow; ++i) {
        for (int k = 0; k < 3; ++k) {
            base[size_t(3 * i + k)] = uint8_t(i * (2 * k + 3) + 40 * k);
            src[size_t(3 * i + k)] = uint8_t(i * (k + 5) ^ (17 * k));
        }
        const int a = (i * 7) % 256; // 0 and 255 included
        cov[size_t(i)] = a / 255.0;
    }
    cov[300] = 0.5;
    cov[301] = 0.7 * 200 / 255.0;
    for (int i = 600; i < 640; ++i)
        cov[size_t(i)] = 0.3;
    for (int mode = lx::FirstTableBlendMode; mode <= lx::BlendExclusion; ++mode)
        for (bool solid : {false, true}) {
            BlendRow row{nullptr,    3,       solid ? nullptr : src.data(), 0x2A80F1,
                         cov.data(), nullptr, kRow,                         uint8_t(mode)};
            ref = base;
            row.Dst = ref.data();
            referenceRow(img, row);
            for (BlendRowPath path : lx::blendRowPaths()) {
                got = base;
                row.Dst = got.data();
                lx::blendModeRow(row, img.BlendTables, scratchRng(), path);
                EXPECT_EQ(ref, got) << lx::blendRowPathName(path) << ": mode " << mode
                                    << (solid ? " solid" : " colours");
            }
        }
    // A layer at opacity 1 hands its alpha bytes along with the coverages
    // A / 255 they stand for.
    std::vector<uint8_t> alpha(kRow);
    for (int i = 0; i < kRow; ++i) {
        alpha[size_t(i)] = uint8_t((i * 11 + 3) % 256);
        cov[size_t(i)] = alpha[size_t(i)] / 255.0;
    }
    for (int mode = lx::FirstTableBlendMode; mode <= lx::BlendExclusion; ++mode) {
        BlendRow row{nullptr, 3, src.data(), 0, cov.data(), nullptr, kRow, uint8_t(mode)};
        ref = base;
        row.Dst = ref.data();
        referenceRow(img, row);
        row.Alpha = alpha.data();
        for (BlendRowPath path : lx::blendRowPaths()) {
            got = base;
            row.Dst = got.data();
            lx::blendModeRow(row, img.BlendTables, scratchRng(), path);
            EXPECT_EQ(ref, got) << lx::blendRowPathName(path) << ": mode " << mode
                                << " with alpha bytes";
        }
    }
}

TEST(ModeRows, HslColourRowOfOneSolidSourceMatches) {
    // A solid source reuses its conversion for the whole row.
    TlxImage img;
    std::vector<uint8_t> ref(3 * 512), got(3 * 512);
    for (int i = 0; i < 512; ++i)
        for (int k = 0; k < 3; ++k)
            ref[size_t(3 * i + k)] = uint8_t(i * (k + 1) + 7 * k);
    got = ref;
    std::vector<double> cov(512, 0.8);
    for (uint8_t mode : {lx::BlendHue, lx::BlendSaturation, lx::BlendLuminosity, lx::BlendColor}) {
        BlendRow row{ref.data(), 3, nullptr, 0x3C90E0, cov.data(), nullptr, 512, mode};
        referenceRow(img, row);
        row.Dst = got.data();
        lx::blendModeRow(row, img.BlendTables, scratchRng());
        EXPECT_EQ(ref, got) << "mode " << int(mode);
    }
}

// ---- the effects' coverage rows ----

TEST(ModeRows, CoverageProductRowGivesThePlainExpressionOnEveryPath) {
    // Tables as the effects make them: mapped bytes as doubles, and weights
    // e * (1 - a / 255) of an awkward opacity.
    double mapped[256], weight[256];
    for (int v = 0; v < 256; ++v) {
        mapped[v] = double((v * 37 + 11) % 256);
        weight[v] = 0.61 * (1 - v / 255.0);
    }
    // Every pair of bytes, in a row whose length no vector width divides.
    std::vector<uint8_t> a, b;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            a.push_back(uint8_t(i));
            b.push_back(uint8_t(j));
        }
    a.resize(a.size() - 3);
    b.resize(b.size() - 3);
    const int n = int(a.size());
    for (BlendRowPath path : lx::blendRowPaths()) {
        std::vector<double> out(size_t(n), -1.0);
        lx::coverageProductRow(a.data(), mapped, b.data(), weight, out.data(), n, path);
        for (int i = 0; i < n; ++i) {
            const double expected = mapped[a[size_t(i)]] * weight[b[size_t(i)]] / 255.0;
            ASSERT_EQ(std::memcmp(&out[size_t(i)], &expected, sizeof expected), 0)
                << lx::blendRowPathName(path) << " at " << i;
        }
    }
}

// ---- dissolve: the same numbers in the same order ----

TEST(ModeRows, DissolveDrawsTheSameSequenceAsThePerPixelPath) {
    TlxImage perPixel, rows; // both generators start from the same seed
    std::mt19937 gen(14);
    for (int pass = 0; pass < 40; ++pass) {
        const int n = 1 + int(gen() % 700);
        const int step = pass % 2 == 0 ? 3 : 4;
        std::vector<uint8_t> base(size_t(step * n)), src(size_t(3 * n)), mask(size_t(3 * n));
        std::vector<double> cov(static_cast<size_t>(n));
        for (auto& v : base)
            v = uint8_t(gen());
        for (auto& v : src)
            v = uint8_t(gen());
        for (auto& v : mask)
            v = uint8_t(gen() % 3 == 0 ? 0 : gen());
        // Pixels of coverage 0 draw nothing; the others one number each.
        for (auto& c : cov)
            c = gen() % 4 == 0 ? 0.0 : double(gen() % 256) / 255 * 0.9;
        const bool masked = pass % 3 == 1;
        std::vector<uint8_t> ref = base, got = base;
        BlendRow row{ref.data(),
                     step,
                     pass % 5 == 4 ? nullptr : src.data(),
                     0x123456,
                     cov.data(),
                     masked ? mask.data() : nullptr,
                     n,
                     lx::BlendDissolve};
        lx::setPerPixelBlendReference(true);
        perPixel.BlendPixelRow(row);
        lx::setPerPixelBlendReference(false);
        row.Dst = got.data();
        rows.BlendPixelRow(row);
        ASSERT_EQ(ref, got) << "pass " << pass;
    }
}

} // namespace
