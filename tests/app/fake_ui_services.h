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
    // The filter the open dialog was last shown with.
    QString OpenFilter;
    QString ChooseFileToOpen(QWidget*, const QString&, const QString&, const QString& Filter) override {
        OpenFilter = Filter;
        return FileAnswer;
    }
    // The save dialog's filters as offered, and the one the user picks
    // (empty: the one offered first).
    QStringList SaveFilters;
    QString SaveFilterAnswer;
    QString ChooseFileToSave(QWidget*, const QString&, const QString&, const QString& Filter,
                             QString* SelectedFilter) override {
        SaveFilters = Filter.split(QStringLiteral(";;"));
        if (SelectedFilter)
            *SelectedFilter = SaveFilterAnswer.isEmpty() ? SaveFilters.value(0) : SaveFilterAnswer;
        return FileAnswer;
    }
    void OpenHelp(const QUrl& Page) override { HelpPages << Page; }
    QImage ClipboardImage() override { return Clipboard; }
    void SetClipboardImage(const QImage& Picture) override { Clipboard = Picture; }
    bool SetUpPrinter(QWidget*, QPrinter& Printer) override {
        if (SetUpPrinterAnswer) return SetUpPrinterAnswer(Printer);
        return PrinterAnswer;
    }
    // Plays the user of the print dialog: sets the printer up (a PDF file
    // in tests) and says whether to print. Without it nothing is printed.
    std::function<bool(QPrinter&)> PrintDialogAnswer;
    std::function<bool(QPrinter&)> SetUpPrinterAnswer;
    bool ChoosePrinter(QWidget*, QPrinter& Printer) override {
        return PrintDialogAnswer ? PrintDialogAnswer(Printer) : false;
    }
};
