#pragma once

// Message boxes of the program. Tests replace the box with a recorder.

#include <QMessageBox>
#include <QString>

#include <functional>

// Shows Text in a box with the application title as caption; returns the
// button pressed.
QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, const QString& Text,
                                           QMessageBox::Icon Icon,
                                           QMessageBox::StandardButtons Buttons = QMessageBox::Ok);

// When set, called instead of showing a box.
extern std::function<QMessageBox::StandardButton(const QString& Text, QMessageBox::Icon Icon)>
    MessageBoxHook;
