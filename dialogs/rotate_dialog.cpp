#include "rotate_dialog.h"

#include "dialog_parts.h"
#include "lang_strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(-360, 360);
    SpinEdit1->setMinimumWidth(140);
    Edit1 = new QLineEdit(QStringLiteral("100"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(140);
    AcceptDigitsAndPoint(*Edit1);
    Label2 = new QLabel(QStringLiteral("%"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label1->setBuddy(SpinEdit1);

    auto* layout = new QVBoxLayout(this);
    // The dialog keeps the size its contents ask for, in either role.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* input = new QHBoxLayout;
    input->addWidget(Label1);
    input->addWidget(SpinEdit1, 1);
    input->addWidget(Edit1, 1);
    input->addWidget(Label2);
    layout->addLayout(input);
    layout->addSpacing(6);
    const TOkCancelButtons buttons = AddOkCancelRow(*this, *layout, "BitBtn1", "BitBtn2");
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    Preset(Settings{});
}

void TForm2::Preset(const Settings& S) {
    ZoomInput_ = S.ZoomInput;
    setWindowTitle(LangText(S.ZoomInput ? 48 : 52));
    Label1->setText(LangText(S.ZoomInput ? 49 : 53));
    SpinEdit1->setHidden(S.ZoomInput);
    Edit1->setHidden(!S.ZoomInput);
    Label2->setHidden(!S.ZoomInput);
    SpinEdit1->setValue(S.Angle);
    Edit1->setText(S.ZoomText);
    // Typing replaces the shown value at once.
    if (S.ZoomInput) {
        Label1->setBuddy(Edit1);
        Edit1->selectAll();
        Edit1->setFocus();
    } else {
        Label1->setBuddy(SpinEdit1);
        SpinEdit1->selectAll();
        SpinEdit1->setFocus();
    }
}

TForm2::Settings TForm2::Read() const {
    return {ZoomInput_, SpinEdit1->value(), Edit1->text()};
}

std::optional<double> TForm2::ZoomFromText(const QString& Text) {
    bool ok = false;
    const double percent = Text.toDouble(&ok);
    if (!ok || !std::isfinite(percent) || !(percent > 0)) return std::nullopt;
    return percent / 100;
}
