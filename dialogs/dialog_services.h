#pragma once

// What a dialog may ask of the desktop besides being shown: a message box,
// the colour dialog and a help page. The app's services give these; dialog
// tests answer them in place.

#include "modal_dialog.h"

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QUrl>

class TDialogServices : public TModalRunner {
public:
    // A message box captioned with the program's title; the button pressed.
    virtual QMessageBox::StandardButton
    ShowMessage(QWidget* Parent, const QString& Text, QMessageBox::Icon Icon,
                QMessageBox::StandardButtons Buttons = QMessageBox::Ok) = 0;
    // The colour dialog showing Initial; an invalid colour when cancelled.
    virtual QColor ChooseColour(QWidget* Parent, const QColor& Initial) = 0;
    // Shows a help page (a local file) in the program's help window,
    // captioned in the current language.
    virtual void OpenHelp(const QUrl& Page) = 0;
};
