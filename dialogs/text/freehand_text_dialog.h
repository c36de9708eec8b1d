#pragma once

// The freehand text dialog: the characters of a text placed one by one with
// the mouse over a copy of the whole design, each at its own position and
// angle. It changes nothing in the document.

#include "lxTextStyle.h"

#include <QDialog>
#include <QImage>
#include <QPoint>

#include <array>
#include <string>
#include <vector>

struct TForm96Settings {
    static constexpr int MaxChars = 100;

    // The design flattened (32-bit), shown under the characters.
    QImage Background;
    // The canvas outline's coverage (8-bit, the design's size); null when
    // the design has none.
    QImage Selection;
    // Screen pixels per inch of the design, for the centimetre read-out.
    int ScreenPPI = 96;
    // The drawing font: FontName, Size, Color, Bold, Italic, Underline and
    // StrikeOut are used.
    TlxTextStyle Font{};
    // The characters, one or two bytes each in the document code page; at
    // most MaxChars.
    std::vector<std::string> CharTexts;
    // Where each character's text output starts, in document pixels, and
    // its angle in degrees, counter-clockwise positive (shown negated).
    std::array<QPoint, MaxChars + 1> CharPoints{};
    std::array<int, MaxChars + 2> CharAngles{};
    // An earlier result is reused: PlacedCount = the character count and
    // Placing false. A new drawing: PlacedCount 0, Placing true.
    int PlacedCount = 0;
    bool Placing = true;
};

class TForm96 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm96Settings;

    explicit TForm96(QWidget* parent = nullptr);
    ~TForm96() override;

    void Preset(const Settings& S);
    // The characters with their points and angles as placed (those never
    // placed keep the values they were preset with).
    Settings Read() const;
};
