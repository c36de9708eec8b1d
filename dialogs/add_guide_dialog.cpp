#include "add_guide_dialog.h"

#include "dialog_parts.h"
#include "lang_strings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form6"));
    Label1 = new QLabel(LangText(128), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Rb1 = new QRadioButton(LangText(130), this);
    Rb1->setObjectName(QStringLiteral("Rb1"));
    Rb2 = new QRadioButton(LangText(131), this);
    Rb2->setObjectName(QStringLiteral("Rb2"));
    Label2 = new QLabel(LangText(129), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2->setBuddy(Edit1);
    Cb = new QComboBox(this);
    Cb->setObjectName(QStringLiteral("Cb"));
    for (const int k : {36, 122, 11, 123}) Cb->addItem(LangText(k));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(Rb1);
    orientation->addWidget(Rb2);
    orientation->addStretch();
    grid->addLayout(orientation, 0, 1, 1, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(Cb, 1, 2);
    grid->setColumnMinimumWidth(1, 110);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addSpacing(6);
    const TOkCancelButtons buttons = AddOkCancelRow(*this, *layout, "BitBtn1", "BitBtn2");
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    Preset(Settings{});
}

void TForm6::Preset(const Settings& S) {
    setWindowTitle(S.Caption.isEmpty() ? CommandCaption(125) : S.Caption);
    (S.Vertical ? Rb2 : Rb1)->setChecked(true);
    Edit1->setText(S.Position);
    Cb->setCurrentIndex(S.Unit >= 0 && S.Unit < Cb->count() ? S.Unit : 2);
    Edit1->selectAll();
    Edit1->setFocus();
}

TForm6::Settings TForm6::Read() const {
    return {windowTitle(), Rb2->isChecked(), Edit1->text(), Cb->currentIndex()};
}

std::optional<TlxPoint> GuideFromInput(bool Vertical, const QString& Text, int Unit,
                                       int ImageWidth, int ImageHeight) {
    std::optional<int> position;
    switch (Unit) {
    case 0: position = WholePixelsFromText(Text); break;
    case 1: position = PixelsFromText(Text, 100, 1); break;       // 100 pixels to the inch
    case 2: position = PixelsFromText(Text, 100, 2.54); break;    // and 2.54 cm to the inch
    case 3: position = PixelsFromText(Text, Vertical ? ImageWidth : ImageHeight, 100); break;
    default: break;
    }
    if (!position) return std::nullopt;
    return Vertical ? TlxPoint{*position, 0} : TlxPoint{0, *position};
}
