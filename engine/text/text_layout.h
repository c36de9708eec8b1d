#pragma once

// The geometry of the text arrangements, apart from any drawing: where each
// character of a circle text goes, how a turned line is boxed, how vertical
// text becomes lines, and the block averaging of smoothed coverage.

#include <QImage>

#include <functional>
#include <string>
#include <vector>

namespace lx {

// Width in pixels of a piece of text in the current font.
using TextWidth = std::function<double(const std::string& Bytes)>;

// Splits text into characters: a byte below TwoByteFrom is one character, any
// other byte starts a two-byte character (cut short at the end).
std::vector<std::string> splitChars(const std::string& Text, int TwoByteFrom);
// Lines separated by CR LF.
std::vector<std::string> splitLines(const std::string& Text);

// One character of a circle text: its top-left corner and its turn,
// counter-clockwise in degrees.
struct TextPlacement {
    std::string Char;
    int X = 0;
    int Y = 0;
    double Angle = 0;
};
std::vector<TextPlacement> circlePlacements(const TextWidth& Width, const std::string& Text,
                                            int CenterX, bool Reverse, int StartAngle, int Radius,
                                            int CenterY);

// The circle an arc text gets when it names none: as long as the text
// (TextWidth / pi), within 100..500 pixels, with the text centred on its top.
void arcDefaultCircle(double TextWidth, int& Radius, int& StartAngle);

// The picture size and drawing origin of a line of W x H turned clockwise by
// Angle degrees (-180..180).
struct TurnedBox {
    int Width = 0, Height = 0, X = 0, Y = 0;
};
TurnedBox turnedBox(double W, double H, int Angle);

// Vertical text as lines: line i holds the i-th character of every line.
std::string transposeVertical(const std::string& Text);

// Averages K x K blocks of an 8-bit picture (K = 2..4); the result is
// width div K by height div K, at least one pixel. Null on failure.
QImage reduceBlocks(const QImage& Big, int K);

} // namespace lx
