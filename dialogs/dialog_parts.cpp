#include "dialog_parts.h"

#include "lang_strings.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <cmath>

TOkCancelButtons AddOkCancelRow(QDialog& Dialog, QBoxLayout& Layout, const char* ObjectNameOk,
                                const char* ObjectNameCancel) {
    TOkCancelButtons buttons;
    buttons.Ok = new QPushButton(LangText(55), &Dialog);
    buttons.Ok->setObjectName(QString::fromLatin1(ObjectNameOk));
    buttons.Ok->setDefault(true);
    buttons.Cancel = new QPushButton(LangText(54), &Dialog);
    buttons.Cancel->setObjectName(QString::fromLatin1(ObjectNameCancel));
    QObject::connect(buttons.Ok, &QPushButton::clicked, &Dialog, &QDialog::accept);
    QObject::connect(buttons.Cancel, &QPushButton::clicked, &Dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.Ok);
    row->addWidget(buttons.Cancel);
    Layout.addLayout(row);
    return buttons;
}

QString CommandCaption(int k) {
    QString caption = LangText(k);
    while (caption.endsWith(QLatin1Char('.'))) caption.chop(1);
    return caption;
}

void AcceptDigitsAndPoint(QLineEdit& Edit) {
    const QRegularExpression digitsAndPoint(QStringLiteral("[0-9.]*"));
    Edit.setValidator(new QRegularExpressionValidator(digitsAndPoint, &Edit));
}

std::optional<int> WholePixelsFromText(const QString& Text) {
    bool ok = false;
    const int value = Text.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

std::optional<int> PixelsFromText(const QString& Text, double Times, double Over) {
    bool ok = false;
    const double value = Text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    const double pixels = std::trunc(value * Times / Over + 0.5);
    if (!(std::fabs(pixels) <= 2147483647.0)) return std::nullopt;
    return int(pixels);
}
