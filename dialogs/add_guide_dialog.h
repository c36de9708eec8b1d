#pragma once

// The add-guide dialog: a guide's orientation and its position in pixels,
// inches, centimetres or percent of the canvas.

#include <QDialog>
#include <QString>

#include "lxTypes.h"

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

struct TForm6Settings {
    QString Caption; // the window title; empty for the dialog's own
    bool Vertical = true;
    QString Position = QStringLiteral("1");
    int Unit = 2; // index of Cb: 0 pixels, 1 inches, 2 centimetres, 3 percent
    bool operator==(const TForm6Settings&) const = default;
};

class TForm6 : public QDialog {
    Q_OBJECT
public:
    using Settings = TForm6Settings;

    explicit TForm6(QWidget* parent = nullptr);

    void Preset(const Settings& S);
    Settings Read() const;

private:
    QRadioButton* Rb1; // horizontal
    QRadioButton* Rb2; // vertical
    QLineEdit* Edit1;
    QComboBox* Cb;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

// The guide the input means, as the guide list stores it: (position, 0)
// vertical, (0, position) horizontal; nothing when the text is not a number
// of that unit (pixels: an integer). A percentage is of the canvas width for
// a vertical guide and of its height for a horizontal one.
std::optional<TlxPoint> GuideFromInput(bool Vertical, const QString& Text, int Unit,
                                       int ImageWidth, int ImageHeight);
