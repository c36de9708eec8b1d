#pragma once

// The codes the documents and style files store, by name. Each value is the
// file's own code, so a field holding one can be compared with these names
// and written out unchanged; a code outside a list is kept as it is and
// draws nothing (or, for a blend mode, leaves the destination unchanged).

#include <cstdint>

namespace lx {

// The 33 blend modes; a list of modes in the interface shows them in this
// order, so a list index is the code.
enum BlendMode : uint8_t {
    BlendNormal = 0,
    BlendAdd = 1,
    BlendSubtract = 2,
    BlendXor = 3,
    BlendOr = 4,
    BlendAnd = 5,
    BlendDifference = 6,
    BlendDarken = 7,
    BlendLighten = 8,
    BlendMultiply = 9,
    BlendInverseMultiply = 10,
    BlendLinearLight = 11,
    BlendLinearFilter = 12,
    BlendLinearMultiply = 13,
    BlendDissolve = 14,
    BlendReverseSoftLight = 15,
    BlendScreen = 16,
    BlendOverlay = 17,
    BlendHue = 18,
    BlendSaturation = 19,
    BlendLuminosity = 20,
    BlendColor = 21,
    BlendColorBurn = 22,
    BlendColorDodge = 23,
    BlendInverseBurn = 24,
    BlendSoftLight = 25,
    BlendHardLight = 26,
    BlendVividLight = 27,
    BlendPinLight = 28,
    BlendHardMix = 29,
    BlendLinearBurn = 30,
    BlendLinearDodge = 31,
    BlendExclusion = 32,
};
inline constexpr int BlendModeCount = 33;
// Modes 26..32 look their result up in a 256 x 256 table each.
inline constexpr uint8_t FirstTableBlendMode = BlendHardLight;

// What a selection's shape points mean.
enum SelectionKind : uint8_t {
    SelectRectangle = 0,
    SelectRoundRect = 1, // the rectangle tool uses it with corner size 0
    SelectEllipse = 2,
    SelectPolygon = 3,
    SelectIrregular = 4, // the magic wand, and every combined, inverted or re-based selection
    SelectCurve = 5,     // a smooth freehand curve
};

// Where a stroke lies against the layer's edge.
enum StrokePosition : uint8_t {
    StrokeOutside = 0,
    StrokeInside = 1,
    StrokeCentre = 2,
};

enum BevelKind : uint8_t {
    BevelInner = 0,
    BevelOuter = 1,
};

} // namespace lx

// How a text layer lays out its text (a signed 16-bit field of the text
// style record).
enum : int16_t {
    lxTextStandard = 0,    // lines left-aligned, with character and line spacing
    lxTextTurnedLine = 1,  // one line turned by Param degrees
    lxTextTurnedChars = 2, // every character turned in place by Param degrees
    lxTextCircle = 3,      // characters around a full circle
    lxTextArc = 4,         // characters along an arc: start angle and radius in Param
    lxTextFreehand = 5,    // single characters placed by hand
    lxTextVertical = 6,    // columns, read top to bottom
    lxTextPlain = 10,      // lines left-aligned, no spacing
};
