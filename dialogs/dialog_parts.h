#pragma once

// Pieces the small dialogs share: the OK and Cancel row, the numeric edit,
// and reading a position typed in some unit as image pixels.

#include <QString>

#include <optional>

class QBoxLayout;
class QDialog;
class QLineEdit;
class QPushButton;

struct TOkCancelButtons {
    QPushButton* Ok = nullptr;     // accepts the dialog; the default button
    QPushButton* Cancel = nullptr; // rejects it
};

// OK and Cancel (strings 55 and 54), named ObjectNameOk and ObjectNameCancel,
// right-aligned at the end of Layout and wired to Dialog's accept and reject.
TOkCancelButtons AddOkCancelRow(QDialog& Dialog, QBoxLayout& Layout, const char* ObjectNameOk,
                                const char* ObjectNameCancel);

// A menu command's name as a window title: String k without its trailing
// dots ("Add guides..." titles "Add guides").
QString CommandCaption(int k);

// Lets Edit take digits and "." only.
void AcceptDigitsAndPoint(QLineEdit& Edit);

// Text as a whole number of pixels; nothing for anything else ("1.5", "").
std::optional<int> WholePixelsFromText(const QString& Text);
// Text as a number v of some unit, converted to pixels as
// Trunc(v * Times / Over + 0.5); nothing when the text is not a number or the
// result does not fit a pixel position.
std::optional<int> PixelsFromText(const QString& Text, double Times, double Over);
