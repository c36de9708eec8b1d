#pragma once

// What the dialog benchmarks give a dialog for its desktop: nothing is shown
// and every question is answered at once.

#include "dialog_services.h"

class TSilentDialogServices final : public TDialogServices {
public:
    int RunModal(QDialog&) override { return QDialog::Rejected; }
    QMessageBox::StandardButton ShowMessage(QWidget*, const QString&, QMessageBox::Icon,
                                            QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QColor ChooseColour(QWidget*, const QColor&) override { return {}; }
    void OpenHelp(const QUrl&) override {}
};
