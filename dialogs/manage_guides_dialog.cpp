#include "manage_guides_dialog.h"

#include "dialog_parts.h"
#include "float_text.h"
#include "lang_strings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

// The units of Cb, in its order; positions are at 100 pixels to the inch.
enum GuideUnit { UnitPixels, UnitMillimetres, UnitCentimetres, UnitInches };

QString positionText(int Pixels, int Unit) {
    switch (Unit) {
    case UnitPixels: return QString::number(Pixels);
    case UnitMillimetres: return FloatToStr(Pixels / 100.0 * 25.4);
    case UnitInches: return FloatToStr(Pixels / 100.0);
    default: return FloatToStr(Pixels / 100.0 * 2.54);
    }
}

std::optional<int> positionFromText(const QString& Text, int Unit) {
    switch (Unit) {
    case UnitPixels: return WholePixelsFromText(Text);
    case UnitMillimetres: return PixelsFromText(Text, 100, 25.4);
    case UnitInches: return PixelsFromText(Text, 100, 1);
    default: return PixelsFromText(Text, 100, 2.54);
    }
}

// "Vertical 374 pixels | 9.4996 cm"
QString rowText(const TGuideEntry& Guide) {
    return QStringLiteral("%1 %2 %3 | %4 %5")
        .arg(LangText(Guide.Vertical ? 131 : 130))
        .arg(Guide.Position)
        .arg(LangText(36), FloatToStr(Guide.Position / 100.0 * 2.54), LangText(11));
}

} // namespace

TForm95::TForm95(std::function<void(QWidget*, const QString&)> ShowError, QWidget* parent)
    : QDialog(parent), ShowError_(std::move(ShowError)) {
    setObjectName(QStringLiteral("Form95"));
    setWindowTitle(CommandCaption(140));

    LV = new QTreeWidget(this);
    LV->setObjectName(QStringLiteral("LV"));
    LV->setColumnCount(2);
    LV->setHeaderLabels({QStringLiteral("ID"), LangText(138)});
    LV->setRootIsDecorated(false);
    LV->setItemsExpandable(false);
    LV->setSelectionMode(QAbstractItemView::SingleSelection);
    LV->setSelectionBehavior(QAbstractItemView::SelectRows);
    LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LV->setAllColumnsShowFocus(true);
    LV->header()->setStretchLastSection(true);
    LV->header()->setSectionsMovable(false);
    LV->setColumnWidth(0, LV->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    LV->setMinimumSize(320, 220);

    Rb1 = new QRadioButton(LangText(130), this);
    Rb1->setObjectName(QStringLiteral("Rb1"));
    Rb2 = new QRadioButton(LangText(131), this);
    Rb2->setObjectName(QStringLiteral("Rb2"));
    Rb2->setChecked(true);
    Label1 = new QLabel(LangText(135), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    AcceptDigitsAndPoint(*Edit1);
    Label1->setBuddy(Edit1);
    Cb = new QComboBox(this);
    Cb->setObjectName(QStringLiteral("Cb"));
    for (const int k : {36, 136, 11, 122}) Cb->addItem(LangText(k));
    Cb->setCurrentIndex(UnitCentimetres);
    Button1 = new QPushButton(LangText(137), this);
    Button1->setObjectName(QStringLiteral("Button1"));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(LV);
    auto* edits = new QGridLayout;
    auto* orientation = new QHBoxLayout;
    orientation->addWidget(Rb1);
    orientation->addWidget(Rb2);
    orientation->addStretch();
    edits->addLayout(orientation, 0, 1, 1, 2);
    edits->addWidget(Label1, 1, 0);
    edits->addWidget(Edit1, 1, 1);
    edits->addWidget(Cb, 1, 2);
    edits->setColumnStretch(1, 1);
    auto* row = new QHBoxLayout;
    row->addLayout(edits, 1);
    row->addSpacing(12);
    row->addWidget(Button1, 0, Qt::AlignBottom);
    layout->addLayout(row);
    layout->addSpacing(6);
    const TOkCancelButtons buttons = AddOkCancelRow(*this, *layout, "BitBtn1", "BitBtn2");
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    connect(LV, &QTreeWidget::itemSelectionChanged, this, &TForm95::showSelected);
    connect(Cb, &QComboBox::currentIndexChanged, this, &TForm95::showSelected);
    // Only the user's own clicks and typing edit the guide, not the dialog
    // showing a guide's values.
    connect(Rb1, &QRadioButton::clicked, this, [this] { orientationClicked(false); });
    connect(Rb2, &QRadioButton::clicked, this, [this] { orientationClicked(true); });
    connect(Edit1, &QLineEdit::textEdited, this, &TForm95::positionEdited);
    connect(Button1, &QPushButton::clicked, this, &TForm95::deleteSelected);
}

void TForm95::Preset(const Settings& S) {
    Guides_ = S.Guides;
    rebuildRows();
    if (LV->topLevelItemCount() > 0) LV->setCurrentItem(LV->topLevelItem(0));
}

TForm95::Settings TForm95::Read() const { return {Guides_}; }

int TForm95::selectedRow() const {
    const QList<QTreeWidgetItem*> selected = LV->selectedItems();
    return selected.isEmpty() ? -1 : LV->indexOfTopLevelItem(selected.first());
}

void TForm95::rebuildRows() {
    const QSignalBlocker quiet(LV);
    LV->clear();
    for (int i = 0; i < int(Guides_.size()); ++i) {
        auto* item = new QTreeWidgetItem(LV);
        item->setText(0, QString::number(i + 1));
        item->setText(1, rowText(Guides_[size_t(i)]));
    }
}

void TForm95::updateRow(int Row) {
    LV->topLevelItem(Row)->setText(1, rowText(Guides_[size_t(Row)]));
}

void TForm95::showSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    const TGuideEntry& guide = Guides_[size_t(row)];
    (guide.Vertical ? Rb2 : Rb1)->setChecked(true);
    Edit1->setText(positionText(guide.Position, Cb->currentIndex()));
}

void TForm95::orientationClicked(bool Vertical) {
    const int row = selectedRow();
    if (row < 0) return;
    Guides_[size_t(row)].Vertical = Vertical;
    updateRow(row);
}

void TForm95::positionEdited(const QString& Text) {
    const int row = selectedRow();
    if (row < 0 || Text.isEmpty()) return;
    // A half-typed number ("1.", ".") that does not read yet changes nothing.
    const std::optional<int> position = positionFromText(Text, Cb->currentIndex());
    if (!position) return;
    Guides_[size_t(row)].Position = *position;
    updateRow(row);
}

void TForm95::deleteSelected() {
    const int row = selectedRow();
    if (row < 0) {
        if (ShowError_) ShowError_(this, LangText(141));
        return;
    }
    Guides_.erase(Guides_.begin() + row);
    rebuildRows();
    if (row < LV->topLevelItemCount()) LV->setCurrentItem(LV->topLevelItem(row));
}

std::vector<TGuideEntry> GuideEntriesFromPoints(const TlxPoint* Points, int Count) {
    std::vector<TGuideEntry> entries;
    for (int i = 0; i < Count; ++i) {
        const TlxPoint& p = Points[i];
        entries.push_back(p.X != 0 ? TGuideEntry{true, p.X} : TGuideEntry{false, p.Y});
    }
    return entries;
}

std::vector<TlxPoint> GuidePointsFromEntries(const std::vector<TGuideEntry>& Entries) {
    std::vector<TlxPoint> points;
    points.reserve(Entries.size());
    for (const TGuideEntry& e : Entries)
        points.push_back(e.Vertical ? TlxPoint{e.Position, 0} : TlxPoint{0, e.Position});
    return points;
}
