// Geometry of the text arrangements.

#include "text/text_layout.h"

#include "lxImage.h"

#include <algorithm>
#include <cmath>

namespace lx {
namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}

} // namespace

std::vector<std::string> splitChars(const std::string& Text, int TwoByteFrom) {
    std::vector<std::string> chars;
    for (size_t i = 0; i < Text.size();) {
        const size_t n = uint8_t(Text[i]) < TwoByteFrom ? 1 : std::min<size_t>(2, Text.size() - i);
        chars.push_back(Text.substr(i, n));
        i += n;
    }
    return chars;
}

std::vector<std::string> splitLines(const std::string& Text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = Text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(Text.substr(start));
            return lines;
        }
        lines.push_back(Text.substr(start, end - start));
        start = end + 2;
    }
}

std::vector<TextPlacement> circlePlacements(const TextWidth& Width, const std::string& Text,
                                            int CenterX, bool Reverse, int StartAngle, int Radius,
                                            int CenterY) {
    // p: pixels of arc per degree at the radius.
    double r = Radius;
    double p = r * 2 * kPi / 360;
    std::string text = Text;
    double turn = 0;
    if (Reverse) {
        // Inside the circle the text reads the other way round: characters in
        // reverse order (two-byte characters kept whole), each turned upside
        // down, on a circle smaller by about a character's height.
        turn = 180;
        const std::vector<std::string> chars = splitChars(Text, 0x80);
        std::string firstWide;
        for (const std::string& c : chars)
            if (c.size() == 2) {
                firstWide = c;
                break;
            }
        text.clear();
        for (auto it = chars.rbegin(); it != chars.rend(); ++it)
            text += *it;
        r = RoundEven(firstWide.empty() ? r - 2.1 * Width("A") : r - 1.2 * Width(firstWide));
    }
    double s = StartAngle;
    const double total = Width(text);
    if (StartAngle == -3) {
        s = p != 0 ? 180 - total / p / 2 : 180; // centred at the bottom
    } else if (StartAngle == -2) {
        r = RoundEven(total / 2 / kPi); // the circle as long as the text
        p = r * 2 * kPi / 360;
    } else if (StartAngle == -1) {
        s = p != 0 ? 360 - total / p / 2 : 360; // centred at the top
    }
    std::vector<TextPlacement> placements;
    std::string drawn;
    for (const std::string& c : splitChars(text, 126)) {
        // q places the character's corner, g turns it by the angle of its
        // middle; angles run clockwise from the top.
        const double before = Width(drawn);
        const double q = p != 0 ? s + before / p : s;
        const double g = p != 0 ? s + (before + 0.5 * Width(c)) / p : s;
        TextPlacement placement;
        placement.Char = c;
        placement.X = RoundEven(CenterX + r * std::sin(radians(q)));
        placement.Y = RoundEven(CenterY - r * std::cos(radians(q)));
        placement.Angle = 360 - g + turn;
        placements.push_back(std::move(placement));
        drawn += c;
    }
    return placements;
}

void arcDefaultCircle(double TextWidth, int& Radius, int& StartAngle) {
    Radius = std::clamp(RoundEven(TextWidth / kPi), 100, 500);
    const double p = Radius * 2 * kPi / 360;
    StartAngle = RoundEven(360 - TextWidth / p / 2);
}

TurnedBox turnedBox(double w, double h, int a) {
    double W, H, X, Y;
    if (a >= 0 && a <= 90) {
        const double c = std::cos(radians(a)), s = std::sin(radians(a));
        W = w * c + h * s;
        H = w * s + h * c;
        X = h * s;
        Y = 0;
    } else if (a > 90) {
        const double c = std::cos(radians(a - 90)), s = std::sin(radians(a - 90));
        W = w * s + h * c;
        H = w * c + h * s;
        X = W;
        Y = h * s;
    } else if (a >= -90) {
        const double c = std::cos(radians(-a)), s = std::sin(radians(-a));
        W = w * c + h * s;
        H = w * s + h * c;
        X = 0;
        Y = H - h * c;
    } else {
        const double c = std::cos(radians(-a - 90)), s = std::sin(radians(-a - 90));
        W = w * s + h * c;
        H = w * c + h * s;
        X = W - h * c;
        Y = H;
    }
    return {RoundEven(W), RoundEven(H), RoundEven(X), RoundEven(Y)};
}

std::string transposeVertical(const std::string& Text) {
    std::vector<std::string> lines = splitLines(Text);
    size_t longest = 0;
    for (const std::string& l : lines)
        longest = std::max(longest, l.size());
    for (std::string& l : lines)
        l.resize(longest, ' ');
    std::string out;
    // Once a two-byte character has been taken, characters are taken in
    // pairs for the rest of the text.
    bool pairs = false;
    for (size_t step = 0; step < longest; ++step) {
        for (std::string& l : lines) {
            if (l.empty()) continue;
            const bool two = pairs || uint8_t(l[0]) >= 127;
            const size_t n = two ? std::min<size_t>(2, l.size()) : 1;
            if (two) pairs = true;
            out.append(l, 0, n);
            l.erase(0, n);
        }
        if (out.empty() || out.back() != '\n') out += "\r\n";
    }
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
    return out;
}

QImage reduceBlocks(const QImage& Big, int K) {
    if (Big.isNull() || K < 2 || K > 4) return QImage();
    const int w = std::max(1, Big.width() / K), h = std::max(1, Big.height() / K);
    QImage small(w, h, QImage::Format_Grayscale8);
    if (small.isNull()) return small;
    std::vector<int> sums(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < K; ++dy) {
            const int sy = y * K + dy;
            if (sy >= Big.height()) break;
            const uint8_t* s = Big.constScanLine(sy);
            for (int x = 0; x < w; ++x) {
                const int x0 = x * K, x1 = std::min(x0 + K, Big.width());
                int sum = 0;
                for (int sx = x0; sx < x1; ++sx)
                    sum += s[sx];
                sums[size_t(x)] += sum;
            }
        }
        uint8_t* d = small.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int sum = sums[size_t(x)];
            d[x] = uint8_t(K == 2 ? sum >> 2 : K == 3 ? sum / 9 : sum >> 4);
        }
    }
    return small;
}

} // namespace lx
