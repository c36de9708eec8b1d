#include "user_interface_services.h"

#include "lang_strings.h"
#include "widgets/help_window.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>

TQtUiServices::TQtUiServices() = default;
TQtUiServices::~TQtUiServices() = default;

int TQtUiServices::RunModal(QDialog& Dialog) {
    return Dialog.exec();
}

QMessageBox::StandardButton TQtUiServices::ShowMessage(QWidget* Parent, const QString& Text,
                                                       QMessageBox::Icon Icon,
                                                       QMessageBox::StandardButtons Buttons) {
    QMessageBox box(Icon, LangText(51), Text, Buttons, Parent);
    return QMessageBox::StandardButton(box.exec());
}

QColor TQtUiServices::ChooseColour(QWidget* Parent, const QColor& Initial) {
    return QColorDialog::getColor(Initial, Parent);
}

QString TQtUiServices::ChooseFileToOpen(QWidget* Parent, const QString& Caption,
                                        const QString& Folder, const QString& Filter) {
    return QFileDialog::getOpenFileName(Parent, Caption, Folder, Filter);
}

QString TQtUiServices::ChooseFileToSave(QWidget* Parent, const QString& Caption,
                                        const QString& Folder, const QString& Filter,
                                        QString* SelectedFilter) {
    return QFileDialog::getSaveFileName(Parent, Caption, Folder, Filter, SelectedFilter);
}

void TQtUiServices::OpenHelp(const QUrl& Page) {
    // The window is the program's own, so help needs no browser; it is
    // made on first use and then reused, and is captioned anew each time in
    // case the language changed.
    const QString caption = CaptionWithoutAccelerator(LangText(269));
    // A modal dialog blocks every window but its own: help asked for from a
    // dialog gets a window of that dialog, which goes with it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        auto* help = new THelpWindow(modal);
        help->setAttribute(Qt::WA_DeleteOnClose);
        help->ShowPage(Page, caption);
        return;
    }
    if (!help_) help_ = std::make_unique<THelpWindow>();
    help_->ShowPage(Page, caption);
}

QImage TQtUiServices::ClipboardImage() {
    return QApplication::clipboard()->image();
}

void TQtUiServices::SetClipboardImage(const QImage& Picture) {
    QApplication::clipboard()->setImage(Picture);
}

bool TQtUiServices::SetUpPrinter(QWidget* Parent, QPrinter& Printer) {
    QPageSetupDialog dialog(&Printer, Parent);
    return dialog.exec() == QDialog::Accepted;
}

bool TQtUiServices::ChoosePrinter(QWidget* Parent, QPrinter& Printer) {
    QPrintDialog dialog(&Printer, Parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dialog.exec() == QDialog::Accepted;
}
