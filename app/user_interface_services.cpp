#include "user_interface_services.h"

#include "lang_strings.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPrintDialog>

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
                                        const QString& Folder, const QString& Filter) {
    return QFileDialog::getSaveFileName(Parent, Caption, Folder, Filter);
}

void TQtUiServices::OpenHelp(const QUrl& Page) {
    QDesktopServices::openUrl(Page);
}

QImage TQtUiServices::ClipboardImage() {
    return QApplication::clipboard()->image();
}

void TQtUiServices::SetClipboardImage(const QImage& Picture) {
    QApplication::clipboard()->setImage(Picture);
}

bool TQtUiServices::SetUpPrinter(QWidget* Parent, QPrinter& Printer) {
    QPrintDialog dialog(&Printer, Parent);
    return dialog.exec() == QDialog::Accepted;
}
