#pragma once

// Everything the program asks of the desktop: message boxes, modal dialogs,
// file and colour dialogs, help pages, the clipboard and the printer set-up.
// The main window is given one object and hands it on, so a test replaces
// this one thing to answer every question the program would put on screen.
//
// It serves the dialogs as well: the dialogs level knows only that narrower
// part (showing a dialog, a message, the colour dialog, help), so dialogs
// can be shown (and answered in tests) without knowing about the app.

#include "dialog_services.h"

#include <QColor>
#include <QImage>
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <memory>

class QPrinter;
class THelpWindow;

class TUiServices : public TDialogServices {
public:
    // The file dialogs: the path chosen, empty when cancelled.
    virtual QString ChooseFileToOpen(QWidget* Parent, const QString& Caption, const QString& Folder,
                                     const QString& Filter) = 0;
    // SelectedFilter, when given, starts as the filter to show and comes
    // back as the one chosen.
    virtual QString ChooseFileToSave(QWidget* Parent, const QString& Caption, const QString& Folder,
                                     const QString& Filter, QString* SelectedFilter = nullptr) = 0;
    // The picture on the clipboard (null when it holds none) and putting one there.
    virtual QImage ClipboardImage() = 0;
    virtual void SetClipboardImage(const QImage& Picture) = 0;
    // The printer set-up dialog (paper and orientation) for Printer; true
    // when it closed with OK.
    virtual bool SetUpPrinter(QWidget* Parent, QPrinter& Printer) = 0;
    // The print dialog (printer, copies; a PDF file for a user without a
    // printer); true when the user chose to print.
    virtual bool ChoosePrinter(QWidget* Parent, QPrinter& Printer) = 0;
};

// The real desktop, through Qt.
class TQtUiServices final : public TUiServices {
public:
    TQtUiServices();
    ~TQtUiServices() override;
    int RunModal(QDialog& Dialog) override;
    QMessageBox::StandardButton ShowMessage(QWidget* Parent, const QString& Text,
                                            QMessageBox::Icon Icon,
                                            QMessageBox::StandardButtons Buttons) override;
    QColor ChooseColour(QWidget* Parent, const QColor& Initial) override;
    QString ChooseFileToOpen(QWidget* Parent, const QString& Caption, const QString& Folder,
                             const QString& Filter) override;
    QString ChooseFileToSave(QWidget* Parent, const QString& Caption, const QString& Folder,
                             const QString& Filter, QString* SelectedFilter) override;
    void OpenHelp(const QUrl& Page) override;
    QImage ClipboardImage() override;
    void SetClipboardImage(const QImage& Picture) override;
    bool SetUpPrinter(QWidget* Parent, QPrinter& Printer) override;
    bool ChoosePrinter(QWidget* Parent, QPrinter& Printer) override;

    // The help window once help has been asked for (one for the whole run,
    // not modal); null before.
    THelpWindow* HelpWindow() const { return help_.get(); }

private:
    std::unique_ptr<THelpWindow> help_;
};
