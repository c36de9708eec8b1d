#pragma once

// The desktop as tests see it: every question is recorded and answered from
// what the test has set, nothing is shown and no event loop runs.

#include "user_interface_services.h"

#include <QList>

#include <functional>

class TFakeUiServices final : public TUiServices {
public:
    struct Message {
        QString Text;
        QMessageBox::Icon Icon;
    };
    QList<Message> Messages;
    QMessageBox::StandardButton MessageAnswer = QMessageBox::Ok;
    QList<QUrl> HelpPages;
    // The colours the colour dialog was opened with, and its answer (an
    // invalid colour: cancelled).
    QList<QColor> ColourDialogs;
    QColor ColourAnswer;
    // Plays the user of a dialog; without one every dialog is cancelled.
    std::function<int(QDialog&)> DialogAnswer;
    QString FileAnswer;
    QImage Clipboard;
    bool PrinterAnswer = false;

    int RunModal(QDialog& Dialog) override {
        return DialogAnswer ? DialogAnswer(Dialog) : int(QDialog::Rejected);
    }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString& Text, QMessageBox::Icon Icon,
                                            QMessageBox::StandardButtons) override {
        Messages.push_back({Text, Icon});
        return MessageAnswer;
    }
    QColor ChooseColour(QWidget*, const QColor& Initial) override {
        ColourDialogs << Initial;
        return ColourAnswer;
    }
    QString ChooseFileToOpen(QWidget*, const QString&, const QString&, const QString&) override {
        return FileAnswer;
    }
    QString ChooseFileToSave(QWidget*, const QString&, const QString&, const QString&) override {
        return FileAnswer;
    }
    void OpenHelp(const QUrl& Page) override { HelpPages << Page; }
    QImage ClipboardImage() override { return Clipboard; }
    void SetClipboardImage(const QImage& Picture) override { Clipboard = Picture; }
    bool SetUpPrinter(QWidget*, QPrinter&) override { return PrinterAnswer; }
};
