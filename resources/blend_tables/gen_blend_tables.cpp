// Writes the built-in tables of the blend modes 26..32 (hard light, vivid
// light, pin light, hard mix, linear burn, linear dodge, exclusion) as the
// files "10001" .. "10007" of the folder given on the command line.
//
// Each file holds 256 x 256 bytes; byte L * 256 + D is the full-strength
// result of laying layer value L over destination value D. The engine mixes
// that result with D by the coverage itself.
//
// Usage: gen_blend_tables <outdir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Rounds to the nearest byte (halves to even, as the engine does) and clamps.
int toByte(double v) {
    return int(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

// Colour burn of D by s (both 0..255): darkens D by the inverse of D scaled
// up by 255 / s. s = 0 burns everything but white to black.
int colorBurn(int d, int s) {
    if (d == 255) return 255;
    if (s == 0) return 0;
    return toByte(255.0 - (255.0 - d) * 255.0 / s);
}

// Colour dodge of D by s: brightens D by dividing it by the inverse of s.
// s = 255 lifts everything but black to white.
int colorDodge(int d, int s) {
    if (d == 0) return 0;
    if (s >= 255) return 255;
    return toByte(d * 255.0 / (255.0 - s));
}

// Hard light: multiply with 2L for dark layers, screen with 2L - 255 for light
// ones; 2 * L * D / 255 and 255 - 2 * (255 - L) * (255 - D) / 255.
int hardLight(int l, int d) {
    if (l < 128) return toByte(2.0 * l * d / 255.0);
    return toByte(255.0 - 2.0 * (255 - l) * (255 - d) / 255.0);
}

// Vivid light: colour burn with 2L for dark layers, colour dodge with
// 2(L - 128) for light ones, so L = 128 leaves D as it is.
int vividLight(int l, int d) {
    if (l < 128) return colorBurn(d, 2 * l);
    return colorDodge(d, 2 * (l - 128));
}

// Pin light: darken with 2L for dark layers, lighten with 2(L - 128) for light
// ones; like vivid light, L = 128 leaves D as it is.
int pinLight(int l, int d) {
    if (l < 128) return std::min(d, 2 * l);
    return std::max(d, 2 * (l - 128));
}

// Hard mix: every channel goes to black or white, white where layer and
// destination together reach full scale.
int hardMix(int l, int d) {
    return l + d >= 255 ? 255 : 0;
}

// Linear burn: L + D - 255, stopping at black.
int linearBurn(int l, int d) {
    return std::max(l + d - 255, 0);
}

// Linear dodge: L + D, stopping at white.
int linearDodge(int l, int d) {
    return std::min(l + d, 255);
}

// Exclusion: L + D - 2 * L * D / 255, a softer difference; white inverts D,
// black leaves it.
int exclusion(int l, int d) {
    return toByte(l + d - 2.0 * l * d / 255.0);
}

struct TableDef {
    const char* name;
    int (*formula)(int l, int d);
};

// In the order of the modes 26..32, written as 10001..10007.
constexpr std::array<TableDef, 7> kTables{{
    {"10001", hardLight},
    {"10002", vividLight},
    {"10003", pinLight},
    {"10004", hardMix},
    {"10005", linearBurn},
    {"10006", linearDodge},
    {"10007", exclusion},
}};

bool writeTable(const std::filesystem::path& file, int (*formula)(int, int)) {
    std::array<char, 256 * 256> bytes{};
    for (int l = 0; l < 256; ++l) {
        for (int d = 0; d < 256; ++d)
            bytes[std::size_t(l * 256 + d)] = char(uint8_t(formula(l, d)));
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_blend_tables <outdir>\n");
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    for (const TableDef& table : kTables) {
        const std::filesystem::path file = dir / table.name;
        if (!writeTable(file, table.formula)) {
            std::fprintf(stderr, "gen_blend_tables: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}
