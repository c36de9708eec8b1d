#pragma once

// The freehand text dialog: the characters of a text placed one by one with
// the mouse over a copy of the whole design, each at its own position and
// angle. It changes nothing in the document.

#include "lxTextStyle.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>

#include <array>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTimer;
class TlxImageVcl;
class TlxStatusBar;

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

    // The mouse position (view coordinates) a character goes to. With Shift
    // held and a character placed, a position off the last character's row
    // and column is pulled onto the row (when the line to it is flatter than
    // about 18 degrees), the column (steeper than about 41 degrees) or the
    // 45-degree diagonal through the last character in the mouse's
    // quadrant. Moves the keyboard focus off the list and spin edits first.
    QPoint ChkXY(QPoint P, Qt::KeyboardModifiers Modifiers);
    // A length in pixels in centimetres at PixelsPerInch, with at most two
    // decimals and no trailing zeros ("1", "0.5", "-2.54"); "0" for a
    // resolution that is not positive.
    static QString CmText(int Pixels, int PixelsPerInch);
    // What the status bar shows now.
    QString StatusText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fits the whole design into the scroll box.
    void RefZoom();
    void Timer1Timer();
    // The background with every placed character, and the one under the
    // mouse while placing, drawn onto the view's display picture.
    void lxImgPaint();
    // The guide line through the placed characters and the mouse.
    void PaintGuide(QPainter& Painter);
    void lxImgMouseMove(QPoint P, Qt::KeyboardModifiers Modifiers);
    void lxImgMouseDown(Qt::MouseButton Button, QPoint P, Qt::KeyboardModifiers Modifiers);
    void TxtMove(int X, int Y);
    void TxtDown(int X, int Y);
    // Wheel notches turn the character being placed (up counter-clockwise).
    void TurnByWheel(int Notches);
    void Button1Click();
    void Cb1Click();
    void SpinEdit2Change(int Value);
    void SpinEdit3Change(int Value);
    void SpinEdit4Change(int Value);
    // The list entry being edited, or -1.
    int EditedChar() const;
    void SetPlacingCursor(bool Placing);
    void DrawChar(QPainter& Painter, int Index, QPoint At) const;

    QWidget* Panel1;
    QPushButton* Button1;
    QLabel* Label1;
    QComboBox* Cb1;
    QLabel* Label2;
    QSpinBox* SpinEdit2;
    QLabel* Label3;
    QSpinBox* SpinEdit3;
    QLabel* Label4;
    QSpinBox* SpinEdit4;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QLabel* Label5;
    QScrollArea* ScrollBox1;
    TlxImageVcl* lxImg;
    TlxStatusBar* StatusBar1;
    QLabel* StatusPanel;
    QTimer* Timer1;

    Settings Preset_;
    std::array<QPoint, Settings::MaxChars + 1> CharPoints{};
    std::array<QPoint, Settings::MaxChars + 1> PathPoints{};
    std::array<int, Settings::MaxChars + 2> CharAngles{};
    std::vector<std::string> CharTexts;
    int CharCount = 0;
    int PlacedCount = 0;
    bool Placing = false;
    int MouseX = 0, MouseY = 0;
    int LastClickX = 0, LastClickY = 0;
    // The design as first shown, redrawn under the characters.
    QImage BackBmp_;
    QFont Font_;
    QColor TextColor_;
    // Wheel turns smaller than a notch, kept until they make one.
    int WheelRest_ = 0;
};
