#include "messages.h"

#include "lang_strings.h"

std::function<QMessageBox::StandardButton(const QString&, QMessageBox::Icon)> MessageBoxHook;

QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, const QString& Text,
                                           QMessageBox::Icon Icon,
                                           QMessageBox::StandardButtons Buttons) {
    if (MessageBoxHook) return MessageBoxHook(Text, Icon);
    QMessageBox box(Icon, LangText(51), Text, Buttons, Parent);
    return QMessageBox::StandardButton(box.exec());
}
