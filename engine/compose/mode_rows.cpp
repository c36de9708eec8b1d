// Row forms of the blend modes: the mode is resolved once per row into a
// per-channel formula (or one of the whole-pixel modes: dissolve and the HSL
// modes), then the row runs through it. The formulas are written exactly as
// the per-pixel routine in blend.cpp writes them, so that every double is
// the same; the tests hold each path against BlendPixel / BlendPixelMasked.

#include "compose/mode_rows.h"

#include "compose/compose_kernels.h"
#include "compose/hsl.h"
#include "compose/mode_rows_lanes.h"
#include "core/cpu_features.h"
#include "core/pixel_view.h"
#include "lxImage.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace lx {

namespace {

using lanes::Kind;

std::atomic<bool> gPerPixelReference{false};

int clampByte(int v) {
    return std::min(std::max(v, 0), 255);
}

// Full-strength results t of the modes whose t is an integer that depends
// on D and L alone; mixing by the coverage follows, as in the per-pixel
// routine, except where that routine leaves D alone.
int overlayResult(int d, int l) {
    int t;
    if (d <= 128)
        t = RoundEven((d / 255.0) * (l / 255.0) * 512.0);
    else
        t = 255 - RoundEven((1.0 - d / 255.0) * (1.0 - l / 255.0) * 512.0);
    return clampByte(t);
}
int colorBurnResult(int d, int l) {
    if (l == 0) return 0;
    return std::max(RoundEven(d - ((255 - d) / double(l)) * (255 - l)), 0);
}
int colorDodgeResult(int d, int l) {
    return l < 255 ? std::min(RoundEven(d / ((255 - l) / 255.0)), 255) : 255;
}
int inverseBurnResult(int d, int l) {
    if (l == 0) return d;
    return std::min(RoundEven(((255 - d) / double(l)) * (255 - l) + d), 255);
}
int softLightResult(int d, int l) {
    if (l > 128) return std::min(RoundEven(d + (l - 128) * 0.465), 255);
    if (l < 128) return std::max(RoundEven(d - (127 - l) * 0.485), 0);
    return d;
}

// Overlay, colour burn, colour dodge, inverse burn and soft light give
// mix(t) with an integer t of D and L alone, like the table modes. Where the
// per-pixel routine leaves D alone instead (inverse burn at L = 0, soft
// light at L = 128), t = D serves as well: a * D + (1 - a) * D lies within a
// few units in the last place of D, which rounds back to D. Colour burn at
// L = 0 gives N((1 - a) * D), which is mix(0) with an exact zero added. So
// these modes are looked up from tables [L * 256 + D] built once at start.
struct ComputedTables {
    std::array<std::array<uint8_t, 256 * 256>, 5> T;
    ComputedTables() {
        for (int l = 0; l < 256; ++l)
            for (int d = 0; d < 256; ++d) {
                const size_t i = size_t(l) * 256 + size_t(d);
                T[0][i] = uint8_t(overlayResult(d, l));
                T[1][i] = uint8_t(colorBurnResult(d, l));
                T[2][i] = uint8_t(colorDodgeResult(d, l));
                T[3][i] = uint8_t(inverseBurnResult(d, l));
                T[4][i] = uint8_t(softLightResult(d, l));
            }
    }
};
const ComputedTables kComputedTables;

// What a separable mode does to one channel, and how its coverage is
// adjusted first.
enum class CoverageRule : uint8_t { Plain, LinearFilter, LinearMultiply };
struct ChannelPlan {
    Kind K = Kind::Normal;
    CoverageRule Rule = CoverageRule::Plain;
    const uint8_t* Table = nullptr; // Kind::Table: [L * 256 + D]
};

bool channelPlan(uint8_t mode, const BlendTableSet& tables, ChannelPlan& plan) {
    switch (mode) {
    case BlendNormal:
        plan.K = Kind::Normal;
        return true;
    case BlendAdd:
        plan.K = Kind::Add;
        return true;
    case BlendSubtract:
        plan.K = Kind::Subtract;
        return true;
    case BlendXor:
        plan.K = Kind::Xor;
        return true;
    case BlendOr:
        plan.K = Kind::Or;
        return true;
    case BlendAnd:
        plan.K = Kind::And;
        return true;
    case BlendDifference:
        plan.K = Kind::Difference;
        return true;
    case BlendDarken:
        plan.K = Kind::Darken;
        return true;
    case BlendLighten:
        plan.K = Kind::Lighten;
        return true;
    case BlendMultiply:
        plan.K = Kind::Multiply;
        return true;
    case BlendInverseMultiply:
        plan.K = Kind::InvMultiply;
        return true;
    case BlendLinearLight:
        plan.K = Kind::LinearLight;
        return true;
    case BlendLinearFilter:
        plan.K = Kind::Normal;
        plan.Rule = CoverageRule::LinearFilter;
        return true;
    case BlendLinearMultiply:
        plan.K = Kind::Normal;
        plan.Rule = CoverageRule::LinearMultiply;
        return true;
    case BlendReverseSoftLight:
        plan.K = Kind::ReverseSoft;
        return true;
    case BlendScreen:
        plan.K = Kind::Screen;
        return true;
    case BlendOverlay:
        plan.K = Kind::Table;
        plan.Table = kComputedTables.T[0].data();
        return true;
    case BlendColorBurn:
        plan.K = Kind::Table;
        plan.Table = kComputedTables.T[1].data();
        return true;
    case BlendColorDodge:
        plan.K = Kind::Table;
        plan.Table = kComputedTables.T[2].data();
        return true;
    case BlendInverseBurn:
        plan.K = Kind::Table;
        plan.Table = kComputedTables.T[3].data();
        return true;
    case BlendSoftLight:
        plan.K = Kind::Table;
        plan.Table = kComputedTables.T[4].data();
        return true;
    default:
        if (mode >= FirstTableBlendMode && mode <= BlendExclusion) {
            plan.K = Kind::Table;
            plan.Table = tables[size_t(mode - FirstTableBlendMode)].data();
            return true;
        }
        return false;
    }
}

// One channel, as blend.cpp's blendChannel computes it.
template <Kind K> int channelValue(int d, int l, int t, double a) {
    auto mix = [&](double v) { return RoundEven(a * v + (1.0 - a) * d); };
    if constexpr (K == Kind::Normal) return RoundEven((1.0 - a) * d + a * l);
    if constexpr (K == Kind::Darken) return mix(std::min(d, l));
    if constexpr (K == Kind::Lighten) return mix(std::max(d, l));
    if constexpr (K == Kind::Multiply) return mix(d * l / 255.0);
    if constexpr (K == Kind::InvMultiply) return std::min(mix(255 - d + l), 255);
    if constexpr (K == Kind::LinearLight) return std::max(std::min(mix(l + d - 128), 255), 0);
    if constexpr (K == Kind::Screen) return std::min(mix(l + d - l * d / 255.0), 255);
    if constexpr (K == Kind::Table) return mix(t);
    if constexpr (K == Kind::Add) return std::min(RoundEven(a * l + d), 255);
    if constexpr (K == Kind::Subtract) return std::max(RoundEven(d - a * l), 0);
    if constexpr (K == Kind::Xor) return d ^ RoundEven(a * l);
    if constexpr (K == Kind::Or) return d | RoundEven(a * l);
    if constexpr (K == Kind::And) return d & RoundEven(a * l);
    if constexpr (K == Kind::Difference) return int(std::abs(int64_t(RoundEven(d - a * l))) & 0xFF);
    if constexpr (K == Kind::ReverseSoft)
        return std::min(std::max(RoundEven(a * (d - l) + d), 0), 255);
    return d;
}

// The three channel coverages of pixel i, blue-green-red byte order, with
// the mode's own adjustment (linear filter per channel by its source byte,
// linear multiply for the whole pixel by the source mean).
inline void pixelCoverage(double c, const uint8_t* mask, const uint8_t* s, CoverageRule rule,
                          double a[3]) {
    for (int k = 0; k < 3; ++k)
        a[k] = mask != nullptr ? c * mask[k] / 255.0 : c;
    if (rule == CoverageRule::LinearFilter) {
        for (int k = 0; k < 3; ++k)
            if (s[k] < 128) a[k] = a[k] * s[k] / 128.0;
    } else if (rule == CoverageRule::LinearMultiply) {
        // The mean over red, green and blue, summed in that order.
        const double m = (s[2] + s[1] + s[0]) / 3.0;
        if (m < 128.0)
            for (int k = 0; k < 3; ++k)
                a[k] *= m / 128.0;
    }
}

inline void solidBytes(uint32_t packed, uint8_t out[3]) {
    out[0] = uint8_t(packed);
    out[1] = uint8_t(packed >> 8);
    out[2] = uint8_t(packed >> 16);
}

template <Kind K> void separableRowScalar(const BlendRow& row, const ChannelPlan& plan) {
    uint8_t solid[3];
    solidBytes(row.Solid, solid);
    for (int i = 0; i < row.Count; ++i) {
        const double c = row.Coverage[i];
        if (c == 0.0) continue;
        uint8_t* d = row.Dst + qsizetype(row.DstStep) * i;
        const uint8_t* s = row.Colours != nullptr ? row.Colours + 3 * qsizetype(i) : solid;
        double a[3];
        pixelCoverage(c, row.Mask != nullptr ? row.Mask + 3 * qsizetype(i) : nullptr, s, plan.Rule,
                      a);
        for (int k = 0; k < 3; ++k) {
            if (a[k] == 0.0) continue;
            const int t = K == Kind::Table ? plan.Table[s[k] * 256 + d[k]] : 0;
            d[k] = uint8_t(channelValue<K>(d[k], s[k], t, a[k]));
        }
    }
}

void separableRowScalar(const BlendRow& row, const ChannelPlan& plan) {
    switch (plan.K) {
    case Kind::Normal:
        return separableRowScalar<Kind::Normal>(row, plan);
    case Kind::Darken:
        return separableRowScalar<Kind::Darken>(row, plan);
    case Kind::Lighten:
        return separableRowScalar<Kind::Lighten>(row, plan);
    case Kind::Multiply:
        return separableRowScalar<Kind::Multiply>(row, plan);
    case Kind::InvMultiply:
        return separableRowScalar<Kind::InvMultiply>(row, plan);
    case Kind::LinearLight:
        return separableRowScalar<Kind::LinearLight>(row, plan);
    case Kind::Screen:
        return separableRowScalar<Kind::Screen>(row, plan);
    case Kind::Table:
        return separableRowScalar<Kind::Table>(row, plan);
    case Kind::Add:
        return separableRowScalar<Kind::Add>(row, plan);
    case Kind::Subtract:
        return separableRowScalar<Kind::Subtract>(row, plan);
    case Kind::Xor:
        return separableRowScalar<Kind::Xor>(row, plan);
    case Kind::Or:
        return separableRowScalar<Kind::Or>(row, plan);
    case Kind::And:
        return separableRowScalar<Kind::And>(row, plan);
    case Kind::Difference:
        return separableRowScalar<Kind::Difference>(row, plan);
    case Kind::ReverseSoft:
        return separableRowScalar<Kind::ReverseSoft>(row, plan);
    }
}

// The vector paths: chunks of pixels become one run of channel lanes in the
// destination's byte order (the fourth byte of a 32-bit pixel is a lane of
// coverage 0), the lane kernel rewrites the run, and it is copied back; the
// lanes a pixel leaves alone come back unchanged.
constexpr int kChunkPixels = 256;
constexpr int kChunkLanes = 4 * kChunkPixels + lanes::Pad;

struct LaneBuffers {
    alignas(64) double a[kChunkLanes];
    alignas(64) uint8_t d[kChunkLanes];
    alignas(64) uint8_t l[kChunkLanes];
    alignas(64) uint8_t m[kChunkLanes];
};

// Coverages and source bytes of pixels x0 .. x0 + m - 1, with the destination bytes already in b.d.
// A solid source's bytes are in b.l already.
template <int Step, bool Masked, CoverageRule Rule, bool Solid>
void fillLanes(const BlendRow& row, int x0, int m, LaneBuffers& b, const uint8_t* solid) {
    const double* cov = row.Coverage + x0;
    const uint8_t* src = Solid ? nullptr : row.Colours + 3 * qsizetype(x0);
    const uint8_t* msk = Masked ? row.Mask + 3 * qsizetype(x0) : nullptr;
    // Three-byte source pixels onto three-byte lanes: one copy.
    constexpr bool copySource = !Solid && Step == 3;
    if constexpr (copySource) std::memcpy(b.l, src, size_t(3 * m));
    for (int i = 0; i < m; ++i) {
        const double c = cov[i];
        const uint8_t* s = Solid ? solid : src + 3 * i;
        double* al = b.a + Step * i;
        uint8_t* ll = b.l + Step * i;
        // Plain coverage with a mask leaves the scaling by the mask to the
        // lanes; the coverage rules need the scaled value here.
        constexpr bool maskInLanes = Masked && Rule == CoverageRule::Plain;
        for (int k = 0; k < 3; ++k) {
            if constexpr (!Solid && !copySource) ll[k] = s[k];
            if constexpr (maskInLanes) b.m[Step * i + k] = msk[3 * i + k];
            al[k] = Masked && !maskInLanes ? c * msk[3 * i + k] / 255.0 : c;
        }
        if constexpr (Step == 4) {
            al[3] = 0.0;
            if constexpr (!Solid) ll[3] = 0;
            if constexpr (maskInLanes) b.m[Step * i + 3] = 0;
        }
        // Linear filter's scaling by the source byte is left to the lanes.
        if constexpr (Rule == CoverageRule::LinearMultiply) {
            const double mean = (s[2] + s[1] + s[0]) / 3.0;
            if (mean < 128.0)
                for (int k = 0; k < 3; ++k)
                    al[k] *= mean / 128.0;
        }
    }
}

template <int Step, bool Masked, CoverageRule Rule, bool Solid>
void separableRowLanes(const BlendRow& row, const ChannelPlan& plan,
                       void (*run)(const lanes::Job&)) {
    LaneBuffers b;
    uint8_t solid[3];
    solidBytes(row.Solid, solid);
    const int first = std::min(kChunkPixels, row.Count);
    const int firstLanes = (first * Step + lanes::Pad - 1) / lanes::Pad * lanes::Pad;
    std::memset(b.l, 0, size_t(firstLanes));
    constexpr bool maskInLanes = Masked && Rule == CoverageRule::Plain;
    if constexpr (maskInLanes) std::memset(b.m, 0, size_t(firstLanes));
    if constexpr (Solid)
        for (int i = 0; i < first; ++i)
            std::memcpy(b.l + Step * i, solid, 3);
    for (int x0 = 0; x0 < row.Count; x0 += kChunkPixels) {
        const int m = std::min(kChunkPixels, row.Count - x0);
        const int used = m * Step;
        const int padded = (used + lanes::Pad - 1) / lanes::Pad * lanes::Pad;
        uint8_t* dst = row.Dst + qsizetype(Step) * x0;
        std::memcpy(b.d, dst, size_t(used));
        std::memset(b.d + used, 0, size_t(padded - used));
        std::fill(b.a + used, b.a + padded, 0.0);
        fillLanes<Step, Masked, Rule, Solid>(row, x0, m, b, solid);
        run(lanes::Job{b.d, b.l, plan.Table, b.a, maskInLanes ? b.m : nullptr, padded, plan.K,
                       Rule == CoverageRule::LinearFilter});
        std::memcpy(dst, b.d, size_t(used));
    }
}

// The one choice of a lane row's form per row.
template <int Step, bool Masked, CoverageRule Rule>
void separableRowLanes(const BlendRow& row, const ChannelPlan& plan,
                       void (*run)(const lanes::Job&)) {
    if (row.Colours == nullptr)
        separableRowLanes<Step, Masked, Rule, true>(row, plan, run);
    else
        separableRowLanes<Step, Masked, Rule, false>(row, plan, run);
}

template <int Step, bool Masked>
void separableRowLanes(const BlendRow& row, const ChannelPlan& plan,
                       void (*run)(const lanes::Job&)) {
    switch (plan.Rule) {
    case CoverageRule::Plain:
        return separableRowLanes<Step, Masked, CoverageRule::Plain>(row, plan, run);
    case CoverageRule::LinearFilter:
        return separableRowLanes<Step, Masked, CoverageRule::LinearFilter>(row, plan, run);
    case CoverageRule::LinearMultiply:
        return separableRowLanes<Step, Masked, CoverageRule::LinearMultiply>(row, plan, run);
    }
}

// Three-byte rows whose coverage rule works lane by lane go to the lanes in
// place: the kernel spreads each pixel's coverage over its three lanes and
// reads source, mask and destination bytes where they lie. The last few
// pixels, which the kernel's whole groups and its reading ahead do not fit,
// go through padded copies.
void separableRowPixels(const BlendRow& row, const ChannelPlan& plan,
                        void (*run)(const lanes::Job&)) {
    constexpr int kGroupPixels = lanes::PixelGroup / 3;
    const bool solid = row.Colours == nullptr;
    alignas(64) uint8_t pattern[lanes::PixelGroup];
    if (solid)
        for (int i = 0; i < kGroupPixels; ++i)
            solidBytes(row.Solid, pattern + 3 * i);
    const bool filter = plan.Rule == CoverageRule::LinearFilter;
    const int n = row.Count;
    const int groups = n >= kGroupPixels + lanes::PixelSlack
                           ? (n - lanes::PixelSlack) / kGroupPixels
                           : 0;
    if (groups > 0)
        run(lanes::Job{row.Dst, solid ? pattern : row.Colours, plan.Table, row.Coverage, row.Mask,
                       groups * lanes::PixelGroup, plan.K, filter, true, solid});
    const int x0 = groups * kGroupPixels;
    const int m = n - x0;
    if (m <= 0) return;
    // m < kGroupPixels + PixelSlack + kGroupPixels by the choice of groups.
    constexpr int kTail = 2 * kGroupPixels;
    static_assert(lanes::PixelSlack < kGroupPixels);
    alignas(64) double cov[kTail + lanes::PixelSlack] = {};
    alignas(64) uint8_t d[3 * kTail] = {}, l[3 * kTail] = {}, mk[3 * kTail] = {};
    const size_t bytes = size_t(3 * m);
    uint8_t* dst = row.Dst + 3 * qsizetype(x0);
    std::memcpy(cov, row.Coverage + x0, sizeof(double) * size_t(m));
    std::memcpy(d, dst, bytes);
    if (!solid) std::memcpy(l, row.Colours + 3 * qsizetype(x0), bytes);
    if (row.Mask != nullptr) std::memcpy(mk, row.Mask + 3 * qsizetype(x0), bytes);
    const int tailGroups = (m + kGroupPixels - 1) / kGroupPixels;
    run(lanes::Job{d, solid ? pattern : l, plan.Table, cov, row.Mask != nullptr ? mk : nullptr,
                   tailGroups * lanes::PixelGroup, plan.K, filter, true, solid});
    std::memcpy(dst, d, bytes);
}

void separableRunLanes(const BlendRow& row, const ChannelPlan& plan,
                       void (*run)(const lanes::Job&)) {
    if (row.DstStep == 3 && plan.Rule != CoverageRule::LinearMultiply)
        return separableRowPixels(row, plan, run);
    const bool masked = row.Mask != nullptr;
    if (row.DstStep == 4)
        masked ? separableRowLanes<4, true>(row, plan, run)
               : separableRowLanes<4, false>(row, plan, run);
    else
        masked ? separableRowLanes<3, true>(row, plan, run)
               : separableRowLanes<3, false>(row, plan, run);
}

// Effect rows are mostly clear (outside a shadow, inside the layer the
// outer rule knocks out), and clear pixels cost nothing pixel by pixel; so
// the row is looked at in blocks of kBlock pixels and only runs of blocks
// holding some coverage go to the lanes.
void separableRowLanes(const BlendRow& row, const ChannelPlan& plan,
                       void (*run)(const lanes::Job&)) {
    constexpr int kBlock = 16;
    const double* cov = row.Coverage;
    const int n = row.Count;
    // Coverages are never negative, so a block is clear exactly when every
    // bit of its doubles is 0 (a -0.0 would only be sent to the lanes, which
    // leave it alone); or-ing the bits vectorises where comparing does not.
    auto covered = [&](int b) {
        const int x0 = b * kBlock, x1 = std::min(n, x0 + kBlock);
        uint64_t bits = 0;
        for (int x = x0; x < x1; ++x) {
            uint64_t v;
            std::memcpy(&v, cov + x, sizeof v);
            bits |= v;
        }
        return bits != 0;
    };
    const int blocks = (n + kBlock - 1) / kBlock;
    for (int b = 0; b < blocks;) {
        if (!covered(b)) {
            ++b;
            continue;
        }
        int e = b + 1;
        while (e < blocks && covered(e))
            ++e;
        const int x = b * kBlock;
        BlendRow part = row;
        part.Dst = row.Dst + qsizetype(row.DstStep) * x;
        if (row.Colours != nullptr) part.Colours = row.Colours + 3 * qsizetype(x);
        if (row.Mask != nullptr) part.Mask = row.Mask + 3 * qsizetype(x);
        if (row.Alpha != nullptr) part.Alpha = row.Alpha + x;
        part.Coverage = cov + x;
        part.Count = std::min(n, e * kBlock) - x;
        separableRunLanes(part, plan, run);
        b = e + 1; // block e is clear
    }
}

// The table modes at byte coverages. A table mode gives mix(t) =
// N(a * t + (1 - a) * D) with t = T[L * 256 + D]; the two products are the
// same doubles in either order and adding them is commutative in IEEE
// arithmetic, so this is exactly N((1 - a) * D + a * t), the normal mix of t
// over D. Where every coverage of a stretch is some A / 255 (the compositor's
// coverage at opacity 1 without a mask), the t bytes are looked up into a
// row and the exact integer normal kernel lays them on; a pixel of coverage
// 0 has A = 0, which that kernel leaves alone as the per-pixel routine does.
// Stretches holding any other coverage keep the general path.
struct ByteCoverages {
    double v[256];
    ByteCoverages() {
        for (int k = 0; k < 256; ++k)
            v[k] = k / 255.0;
    }
};
const ByteCoverages kByteCoverages;

// A with c == A / 255.0 exactly, or -1. For c = A / 255.0, c * 255 lies
// within a few units in the last place of A, so rounding finds A; any other
// c fails the comparison.
inline int byteCoverage(double c) {
    const double s = c * 255.0;
    if (!(s >= 0.0 && s <= 255.0)) return -1;
    const int k = int(s + 0.5);
    return kByteCoverages.v[k] == c ? k : -1;
}

void tableRowByteCoverage(const BlendRow& row, const ChannelPlan& plan, NormalRowFn normal,
                          void (*general)(const BlendRow&, const ChannelPlan&)) {
    constexpr int kPixels = 256;
    alignas(64) uint8_t alpha[kPixels];
    alignas(64) uint8_t t[3 * kPixels];
    uint8_t solid[3];
    solidBytes(row.Solid, solid);
    const uint8_t* table = plan.Table;
    for (int x0 = 0; x0 < row.Count; x0 += kPixels) {
        const int m = std::min(kPixels, row.Count - x0);
        const double* cov = row.Coverage + x0;
        bool exact = true;
        const uint8_t* a = alpha;
        if (row.Alpha != nullptr) {
            a = row.Alpha + x0;
        } else {
            for (int i = 0; i < m; ++i) {
                const int k = byteCoverage(cov[i]);
                exact &= k >= 0;
                alpha[i] = uint8_t(k);
            }
        }
        uint8_t* dst = row.Dst + 3 * qsizetype(x0);
        if (!exact) {
            BlendRow part = row;
            part.Dst = dst;
            if (row.Colours != nullptr) part.Colours = row.Colours + 3 * qsizetype(x0);
            part.Alpha = nullptr;
            part.Coverage = cov;
            part.Count = m;
            general(part, plan);
            continue;
        }
        if (row.Colours != nullptr) {
            // Eight bytes of source and destination at a time, looked up
            // from registers and stored as one word.
            const uint8_t* src = row.Colours + 3 * qsizetype(x0);
            const int bytes = 3 * m;
            int j = 0;
            for (; j + 8 <= bytes; j += 8) {
                uint64_t sw, dw;
                std::memcpy(&sw, src + j, 8);
                std::memcpy(&dw, dst + j, 8);
                uint64_t tw = 0;
                for (int b = 0; b < 8; ++b)
                    tw |= uint64_t(table[((sw >> (8 * b)) & 0xFF) << 8 | ((dw >> (8 * b)) & 0xFF)])
                          << (8 * b);
                std::memcpy(t + j, &tw, 8);
            }
            for (; j < bytes; ++j)
                t[j] = table[src[j] * 256 + dst[j]];
        } else {
            const uint8_t* t0 = table + solid[0] * 256;
            const uint8_t* t1 = table + solid[1] * 256;
            const uint8_t* t2 = table + solid[2] * 256;
            for (int i = 0; i < m; ++i) {
                t[3 * i] = t0[dst[3 * i]];
                t[3 * i + 1] = t1[dst[3 * i + 1]];
                t[3 * i + 2] = t2[dst[3 * i + 2]];
            }
        }
        normal(dst, t, a, m);
    }
}

// Dissolve: one number 0..99 per pixel with non-zero coverage, drawn in
// pixel order, decides each channel.
//
// The numbers are those of the generator itself, stepped here without its
// general modulo: minstd_rand is x' = 48271 x mod (2^31 - 1), and the
// remainder by a Mersenne prime is (t & m) + (t >> 31), less m once more if
// that reaches m. The first draw of a row goes through the generator, whose
// result is its new state; after the row the generator is set to the last
// state (seed(x) stores x itself for 0 < x < m), so it continues exactly as
// if every draw had gone through it.
static_assert(std::is_same_v<std::minstd_rand,
                             std::linear_congruential_engine<uint_fast32_t, 48271, 0, 2147483647>>);

template <bool Masked> void dissolveRow(const BlendRow& row, std::minstd_rand& rng) {
    constexpr uint64_t kModulus = 2147483647;
    uint8_t solid[3];
    solidBytes(row.Solid, solid);
    bool drawn = false;
    uint64_t state = 0;
    // The row's fields in locals: the byte stores below could alias the row
    // itself as far as the compiler knows, and would make it reload them.
    uint8_t* const dst = row.Dst;
    const qsizetype step = row.DstStep;
    const uint8_t* const colours = row.Colours;
    const uint8_t* const mask = row.Mask;
    const double* const cov = row.Coverage;
    const int count = row.Count;
    for (int i = 0; i < count; ++i) {
        const double c = cov[i];
        if (c == 0.0) continue;
        if (!drawn) {
            state = rng();
            drawn = true;
        } else {
            const uint64_t t = state * 48271u;
            state = (t & kModulus) + (t >> 31);
            if (state >= kModulus) state -= kModulus;
        }
        const int r = int(uint32_t(state) % 100u);
        uint8_t* d = dst + step * i;
        const uint8_t* s = colours != nullptr ? colours + 3 * qsizetype(i) : solid;
        // The choices are random, so they are made by arithmetic rather
        // than by branches the processor would mispredict half the time.
        if constexpr (!Masked) {
            // One coverage, not 0, for all three channels.
            const unsigned take = 0u - unsigned(c * 100.0 > r);
            for (int k = 0; k < 3; ++k)
                d[k] = uint8_t((s[k] & take) | (d[k] & ~take));
        } else {
            for (int k = 0; k < 3; ++k) {
                const double a = c * mask[3 * qsizetype(i) + k] / 255.0;
                const unsigned take = 0u - unsigned((a != 0.0) & (a * 100.0 > r));
                d[k] = uint8_t((s[k] & take) | (d[k] & ~take));
            }
        }
    }
    if (drawn) rng.seed(std::minstd_rand::result_type(state));
}

// Hue, saturation, lightness and colour. The source's HSL (and for colour
// its hue at its saturation) is kept for as long as the source colour stays
// the same, which for a solid colour is the whole row.
template <uint8_t Mode> void hslRow(const BlendRow& row) {
    uint8_t solid[3];
    solidBytes(row.Solid, solid);
    bool known = false;
    uint32_t lastSource = 0;
    Hsl src{};
    bool srcValid = false;
    int srcHue[3] = {0, 0, 0};
    for (int i = 0; i < row.Count; ++i) {
        const double cov = row.Coverage[i];
        if (cov == 0.0) continue;
        uint8_t* p = row.Dst + qsizetype(row.DstStep) * i;
        const uint8_t* s = row.Colours != nullptr ? row.Colours + 3 * qsizetype(i) : solid;
        const uint32_t packed = packBgr(s);
        if (!known || packed != lastSource) {
            known = true;
            lastSource = packed;
            src = toHsl(s[2], s[1], s[0]);
            if constexpr (Mode == BlendColor) {
                srcValid = hueSatInRange(src.H, src.S);
                if (srcValid) hueSat(src.H, src.S, srcHue);
            }
        }
        const int d[3] = {p[2], p[1], p[0]}; // red, green, blue
        int t[3];
        if constexpr (Mode == BlendColor) {
            const double ld = lightnessOf(d[0], d[1], d[2]);
            if (srcValid && lightInRange(ld)) {
                t[0] = srcHue[0], t[1] = srcHue[1], t[2] = srcHue[2];
                lighten(ld, t);
            } else {
                t[0] = t[1] = t[2] = 0;
            }
        } else {
            Hsl dst = toHsl(d[0], d[1], d[2]);
            if constexpr (Mode == BlendHue) dst.H = src.H;
            if constexpr (Mode == BlendSaturation) dst.S = src.S;
            if constexpr (Mode == BlendLuminosity) dst.L = src.L;
            fromHsl(dst.H, dst.S, dst.L, t);
        }
        for (int c = 0; c < 3; ++c) {
            const double a =
                row.Mask != nullptr ? cov * row.Mask[3 * qsizetype(i) + 2 - c] / 255.0 : cov;
            if (a != 0.0) p[2 - c] = uint8_t(RoundEven(a * clampByte(t[c]) + (1.0 - a) * d[c]));
        }
    }
}

// The HSL modes on the vector paths: chunks of pixels laid out planar for
// the lane kernel, which returns every channel's byte. Three-byte pixels
// are split into planes and joined again by the path's own shuffles, in
// whole groups of sixteen; the rest pixel by pixel.
struct HslPath {
    void (*Run)(const lanes::HslJob&);
    void (*Split)(const uint8_t*, int, uint8_t*, uint8_t*, uint8_t*);
    void (*Join)(const uint8_t*, const uint8_t*, const uint8_t*, int, uint8_t*);
};

template <int Step, bool Masked, bool Solid> void hslRowLanes(const BlendRow& row, HslPath path) {
    constexpr int kPixels = 256;
    static_assert(kPixels % lanes::Pad == 0 && lanes::Pad == 16);
    // Planes in the pixels' own byte order: blue, green, red.
    alignas(64) uint8_t src[3][kPixels], dst[3][kPixels], msk[3][kPixels], out[3][kPixels];
    alignas(64) double cov[kPixels];
    uint8_t solid[3];
    solidBytes(row.Solid, solid);
    if constexpr (Solid)
        for (int ch = 0; ch < 3; ++ch)
            std::memset(src[ch], solid[ch], kPixels);
    for (int x0 = 0; x0 < row.Count; x0 += kPixels) {
        const int m = std::min(kPixels, row.Count - x0);
        const int padded = (m + lanes::Pad - 1) / lanes::Pad * lanes::Pad;
        const int whole = m / 16 * 16;
        const uint8_t* s = Solid ? nullptr : row.Colours + 3 * qsizetype(x0);
        uint8_t* p = row.Dst + qsizetype(Step) * x0;
        const uint8_t* mk = Masked ? row.Mask + 3 * qsizetype(x0) : nullptr;
        std::memcpy(cov, row.Coverage + x0, sizeof(double) * size_t(m));
        std::fill(cov + m, cov + padded, 0.0);
        int split = 0;
        if constexpr (!Solid) path.Split(s, whole, src[0], src[1], src[2]);
        if constexpr (Masked) path.Split(mk, whole, msk[0], msk[1], msk[2]);
        if constexpr (Step == 3) {
            path.Split(p, whole, dst[0], dst[1], dst[2]);
            split = whole;
        }
        for (int ch = 0; ch < 3; ++ch) {
            for (int i = split; i < m; ++i)
                dst[ch][i] = p[Step * i + ch];
            for (int i = whole; i < m; ++i) {
                if constexpr (!Solid) src[ch][i] = s[3 * i + ch];
                if constexpr (Masked) msk[ch][i] = mk[3 * i + ch];
            }
            if constexpr (!Solid) std::memset(src[ch] + m, 0, size_t(padded - m));
            std::memset(dst[ch] + m, 0, size_t(padded - m));
            if constexpr (Masked) std::memset(msk[ch] + m, 0, size_t(padded - m));
        }
        path.Run(lanes::HslJob{{src[2], src[1], src[0]},
                               {dst[2], dst[1], dst[0]},
                               cov,
                               {Masked ? msk[2] : nullptr, Masked ? msk[1] : nullptr,
                                Masked ? msk[0] : nullptr},
                               {out[2], out[1], out[0]},
                               padded,
                               row.Mode});
        int joined = 0;
        if constexpr (Step == 3) {
            path.Join(out[0], out[1], out[2], whole, p);
            joined = whole;
        }
        for (int i = joined; i < m; ++i)
            for (int ch = 0; ch < 3; ++ch)
                p[Step * i + ch] = out[ch][i];
    }
}

template <int Step, bool Masked> void hslRowLanes(const BlendRow& row, HslPath path) {
    row.Colours == nullptr ? hslRowLanes<Step, Masked, true>(row, path)
                           : hslRowLanes<Step, Masked, false>(row, path);
}

void hslRowLanes(const BlendRow& row, HslPath path) {
    const bool masked = row.Mask != nullptr;
    if (row.DstStep == 4)
        masked ? hslRowLanes<4, true>(row, path) : hslRowLanes<4, false>(row, path);
    else
        masked ? hslRowLanes<3, true>(row, path) : hslRowLanes<3, false>(row, path);
}

} // namespace

std::vector<BlendRowPath> blendRowPaths() {
    std::vector<BlendRowPath> paths{BlendRowPath::Scalar};
#ifdef LX_HAVE_X86
    if (cpuHasAvx2()) paths.push_back(BlendRowPath::Avx2);
    if (cpuHasAvx512()) paths.push_back(BlendRowPath::Avx512);
#endif
    return paths;
}

BlendRowPath fastestBlendRowPath() {
    static const BlendRowPath fastest = blendRowPaths().back();
    return fastest;
}

const char* blendRowPathName(BlendRowPath Path) {
    switch (Path) {
    case BlendRowPath::Scalar:
        return "scalar";
    case BlendRowPath::Avx2:
        return "avx2";
    case BlendRowPath::Avx512:
        return "avx512";
    }
    return "?";
}

void blendModeRow(const BlendRow& Row, const BlendTableSet& Tables, std::minstd_rand& Rng,
                  BlendRowPath Path) {
    if (Row.Count <= 0) return;
    switch (Row.Mode) {
    case BlendDissolve:
        return Row.Mask != nullptr ? dissolveRow<true>(Row, Rng) : dissolveRow<false>(Row, Rng);
    case BlendHue:
    case BlendSaturation:
    case BlendLuminosity:
    case BlendColor:
#ifdef LX_HAVE_X86
        if (Path == BlendRowPath::Avx512)
            return hslRowLanes(Row, {lanes::hslAvx512, lanes::splitPixelsAvx512,
                                     lanes::joinPixelsAvx512});
        if (Path == BlendRowPath::Avx2)
            return hslRowLanes(Row, {lanes::hslAvx2, lanes::splitPixelsAvx2,
                                     lanes::joinPixelsAvx2});
#endif
        switch (Row.Mode) {
        case BlendHue:
            return hslRow<BlendHue>(Row);
        case BlendSaturation:
            return hslRow<BlendSaturation>(Row);
        case BlendLuminosity:
            return hslRow<BlendLuminosity>(Row);
        default:
            return hslRow<BlendColor>(Row);
        }
    default:
        break;
    }
    ChannelPlan plan;
    if (!channelPlan(Row.Mode, Tables, plan)) return; // codes above 32 change nothing
    if (plan.K == Kind::Table && Row.Mask == nullptr && Row.DstStep == 3) {
        switch (Path) {
#ifdef LX_HAVE_X86
        case BlendRowPath::Avx512:
            return tableRowByteCoverage(Row, plan, normalOpaqueRowKernel(),
                                        [](const BlendRow& r, const ChannelPlan& p) {
                                            separableRowLanes(r, p, lanes::runAvx512);
                                        });
        case BlendRowPath::Avx2:
            return tableRowByteCoverage(Row, plan, normalOpaqueRowKernel(),
                                        [](const BlendRow& r, const ChannelPlan& p) {
                                            separableRowLanes(r, p, lanes::runAvx2);
                                        });
#endif
        default:
            return tableRowByteCoverage(
                Row, plan, blendNormalOpaqueRowScalar,
                [](const BlendRow& r, const ChannelPlan& p) { separableRowScalar(r, p); });
        }
    }
    switch (Path) {
#ifdef LX_HAVE_X86
    case BlendRowPath::Avx512:
        return separableRowLanes(Row, plan, lanes::runAvx512);
    case BlendRowPath::Avx2:
        return separableRowLanes(Row, plan, lanes::runAvx2);
#endif
    default:
        return separableRowScalar(Row, plan);
    }
}

void blendModeRow(const BlendRow& Row, const BlendTableSet& Tables, std::minstd_rand& Rng) {
    blendModeRow(Row, Tables, Rng, fastestBlendRowPath());
}

void coverageProductRow(const uint8_t* A, const double* TableA, const uint8_t* B,
                        const double* TableB, double* Out, int N, BlendRowPath Path) {
    switch (Path) {
#ifdef LX_HAVE_X86
    case BlendRowPath::Avx512:
        return lanes::productAvx512(A, TableA, B, TableB, Out, N);
    case BlendRowPath::Avx2:
        return lanes::productAvx2(A, TableA, B, TableB, Out, N);
#endif
    default:
        for (int i = 0; i < N; ++i)
            Out[i] = TableA[A[i]] * TableB[B[i]] / 255.0;
    }
}

void coverageProductRow(const uint8_t* A, const double* TableA, const uint8_t* B,
                        const double* TableB, double* Out, int N) {
    coverageProductRow(A, TableA, B, TableB, Out, N, fastestBlendRowPath());
}

void setPerPixelBlendReference(bool On) {
    gPerPixelReference.store(On, std::memory_order_relaxed);
}

bool perPixelBlendReference() {
    return gPerPixelReference.load(std::memory_order_relaxed);
}

} // namespace lx

static_assert(std::is_same_v<decltype(TlxImage::BlendTables), lx::BlendTableSet>);

void TlxImage::BlendPixelRow(const lx::BlendRow& Row) {
    if (!lx::perPixelBlendReference()) {
        lx::blendModeRow(Row, BlendTables, DissolveRng);
        return;
    }
    for (int i = 0; i < Row.Count; ++i) {
        uint8_t* p = Row.Dst + qsizetype(Row.DstStep) * i;
        const uint32_t colour =
            Row.Colours != nullptr ? packBgr(Row.Colours + 3 * qsizetype(i)) : Row.Solid;
        if (Row.Mask != nullptr)
            BlendPixelMasked(p, Row.Mode, colour, Row.Coverage[i],
                             packBgr(Row.Mask + 3 * qsizetype(i)));
        else
            BlendPixel(p, Row.Mode, colour, Row.Coverage[i]);
    }
}
