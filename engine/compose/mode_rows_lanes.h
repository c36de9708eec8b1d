#pragma once

// The vector half of the blend-mode rows. The row code lays a chunk of
// pixels out as one flat run of channel lanes (the destination's own byte
// order, the fourth byte of a 32-bit pixel included with coverage 0), and a
// lane kernel computes every lane of the run at once. A lane whose coverage
// is 0 keeps its destination byte, as the per-pixel routine does.
//
// Kept free of the engine's headers: the kernels are built with vector
// instruction flags, and nothing inline they would share with the rest of
// the program may come out of them in a form other processors cannot run.

#include <cstdint>

namespace lx::lanes {

// The per-lane formula. D destination byte, L source byte, a coverage,
// T the table's full-strength result; N rounds halves to even and
// mix(t) = N(a * t + (1 - a) * D).
enum class Kind : uint8_t {
    Normal,      // N((1 - a) * D + a * L)
    Darken,      // mix(min(D, L))
    Lighten,     // mix(max(D, L))
    Multiply,    // mix(D * L / 255)
    InvMultiply, // min(mix(255 - D + L), 255)
    LinearLight, // max(min(mix(L + D - 128), 255), 0)
    Screen,      // min(mix(L + D - L * D / 255), 255)
    Table,       // mix(T); also overlay, burn, dodge and soft light by their own tables
    Add,         // min(N(a * L + D), 255)
    Subtract,    // max(N(D - a * L), 0)
    Xor,         // D xor N(a * L)
    Or,          // D or N(a * L)
    And,         // D and N(a * L)
    Difference,  // |N(D - a * L)|
    ReverseSoft, // min(max(N(a * (D - L) + D), 0), 255)
};

// Lanes are padded by the caller to a multiple of Pad: the padding lanes
// carry coverage 0.
inline constexpr int Pad = 16;

struct Job {
    uint8_t* D;           // destination bytes, rewritten in place
    const uint8_t* L;     // source bytes
    const uint8_t* Table; // Kind::Table: the 256 x 256 table, [L * 256 + D]
    const double* A;      // coverages
    // Mask bytes, or null: with a mask, a lane's coverage is A * M / 255.
    const uint8_t* M;
    int Lanes; // a multiple of Pad
    Kind K;
    // Linear filter: a lane whose source byte L is below 128 has its
    // coverage (after the mask) scaled to a * L / 128 first.
    bool ScaleBySource = false;
    // Three-byte pixels: A holds one coverage per pixel, for its three
    // lanes, and Lanes is a multiple of PixelGroup lanes. A is read up to
    // PixelSlack pixels past the last one (those values are not used).
    bool PixelCoverage = false;
    // L holds PixelGroup bytes only (a solid colour's pattern), repeated
    // over the whole run.
    bool RepeatSource = false;
};

inline constexpr int PixelGroup = 48; // lanes: sixteen three-byte pixels
inline constexpr int PixelSlack = 8;

void runAvx2(const Job& J);
void runAvx512(const Job& J);

// The HSL modes 18..21 for Count pixels, planar: channel c (0 red, 1 green,
// 2 blue) of pixel i at [c][i]. A pixel's coverage is A[i], or with a mask
// A[i] * M[c][i] / 255 for channel c. Out receives each channel's new byte,
// or its old one where the coverage is 0. Count is a multiple of Pad;
// padding pixels carry coverage 0.
struct HslJob {
    const uint8_t* Source[3];
    const uint8_t* Dest[3];
    const double* A;
    const uint8_t* M[3]; // all null without a mask
    uint8_t* Out[3];
    int Count;
    int Mode;
};

// Three-byte pixels to three planes of their bytes (first, second and
// third byte of each pixel) and back, for N pixels, N a multiple of 16.
void splitPixelsAvx2(const uint8_t* P, int N, uint8_t* B0, uint8_t* B1, uint8_t* B2);
void splitPixelsAvx512(const uint8_t* P, int N, uint8_t* B0, uint8_t* B1, uint8_t* B2);
void joinPixelsAvx2(const uint8_t* B0, const uint8_t* B1, const uint8_t* B2, int N, uint8_t* P);
void joinPixelsAvx512(const uint8_t* B0, const uint8_t* B1, const uint8_t* B2, int N, uint8_t* P);

void hslAvx2(const HslJob& J);
void hslAvx512(const HslJob& J);

// Out[i] = TableA[A[i]] * TableB[B[i]] / 255 for i < N (see
// lx::coverageProductRow).
void productAvx2(const uint8_t* A, const double* TableA, const uint8_t* B, const double* TableB,
                 double* Out, int N);
void productAvx512(const uint8_t* A, const double* TableA, const uint8_t* B, const double* TableB,
                   double* Out, int N);

} // namespace lx::lanes
