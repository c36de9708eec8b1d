// The layer style dialog's built-in patterns, seamless tiles: rose diamonds
// with white centres and gold dots between them, soft blue diagonal
// stripes, and a small two-tone check. Each pixel is the average of 4 x 4
// samples of a motif that repeats with a period dividing the tile, so the
// edges of a tile meet the next copy without a seam.

#include "asset_drawing.h"
#include "asset_table.h"

#include <cmath>
#include <functional>

namespace velmo::assets {

namespace {

struct Rgb {
    double R, G, B;
};

// The motif's colour at a point of the tile (pixel units).
using Motif = std::function<Rgb(double X, double Y)>;

double wrapped(double v, double period) {
    const double m = std::fmod(v, period);
    return m < 0 ? m + period : m;
}

Rgb diamonds(double x, double y) {
    const Rgb cream{250, 244, 234}, rose{214, 92, 122}, white{255, 255, 255}, gold{232, 184, 74};
    constexpr double period = 32;
    const double u = wrapped(x, period) - period / 2;
    const double v = wrapped(y, period) - period / 2;
    if (std::hypot(u, v) < 3.2) return white;
    if (std::abs(u) + std::abs(v) < 11.5) return rose;
    // The dots sit where four diamonds meet, at the tile's lattice corners.
    const double cu = wrapped(x + period / 2, period) - period / 2;
    const double cv = wrapped(y + period / 2, period) - period / 2;
    if (std::hypot(cu, cv) < 2.6) return gold;
    return cream;
}

Rgb stripes(double x, double y) {
    const Rgb pale{236, 244, 252}, blue{110, 160, 214}, thin{70, 118, 182};
    constexpr double period = 32;
    const double d = wrapped(x + y, period);
    if (d < 12) return blue;
    if (d >= 18 && d < 20) return thin;
    return pale;
}

Rgb check(double x, double y) {
    const Rgb light{248, 222, 170}, dark{222, 150, 92};
    constexpr double half = 4;
    const bool odd = (int(std::floor(x / half)) + int(std::floor(y / half))) % 2 != 0;
    return odd ? dark : light;
}

QImage render(int Width, int Height, const Motif& Colour) {
    QImage image(Width, Height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    constexpr int samples = 4;
    for (int y = 0; y < Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    const Rgb c = Colour(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples);
                    sum.R += c.R;
                    sum.G += c.G;
                    sum.B += c.B;
                }
            constexpr double n = samples * samples;
            row[x] = qRgb(int(std::lround(sum.R / n)), int(std::lround(sum.G / n)),
                          int(std::lround(sum.B / n)));
        }
    }
    return image;
}

} // namespace

QImage drawPattern(int Id) {
    for (const PatternSpec& p : Patterns) {
        if (p.Id != Id) continue;
        switch (Id) {
        case 31001:
            return render(p.Width, p.Height, diamonds);
        case 31002:
            return render(p.Width, p.Height, stripes);
        case 31003:
            return render(p.Width, p.Height, check);
        default:
            return {};
        }
    }
    return {};
}

} // namespace velmo::assets
