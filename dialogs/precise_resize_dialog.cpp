#include "precise_resize_dialog.h"

#include "dialog_parts.h"
#include "float_text.h"
#include "lang_strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The size edits take digits and "." from the keyboard. The program itself
// shows a percentage as "100%", and that text must stay editable, so the
// edit's validator lets a trailing "%" stand; only the keys refuse one.
class TNumericKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent*>(Event)->text();
            if (!text.isEmpty() && text[0].isPrint()) {
                for (const QChar c : text)
                    if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
                        return true;
            }
        }
        return QObject::eventFilter(Watched, Event);
    }
};

void acceptSizeText(QLineEdit& Edit) {
    const QRegularExpression sizeText(QStringLiteral("[0-9.]*%?"));
    Edit.setValidator(new QRegularExpressionValidator(sizeText, &Edit));
    Edit.installEventFilter(new TNumericKeys(&Edit));
}

QComboBox* unitBox(QWidget* Parent, const char* Name) {
    auto* box = new QComboBox(Parent);
    box->setObjectName(QString::fromLatin1(Name));
    for (const int k : {36, 122, 11, 123}) box->addItem(LangText(k));
    return box;
}

int unitIndex(int Unit) {
    return Unit >= ruPixels && Unit <= ruPercent ? Unit : ruCentimetres;
}

// A pixel count worked out in double, when it fits an int.
std::optional<int> fittingPixels(double Pixels) {
    if (!(std::fabs(Pixels) <= 2147483647.0)) return std::nullopt;
    return int(Pixels);
}

} // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    Label1 = new QLabel(LangText(10), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(180);
    acceptSizeText(*Edit1);
    Label1->setBuddy(Edit1);
    Cb1 = unitBox(this, "Cb1");
    Label2 = new QLabel(LangText(12), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMinimumWidth(180);
    acceptSizeText(*Edit2);
    Label2->setBuddy(Edit2);
    Cb2 = unitBox(this, "Cb2");
    Ck1 = new QCheckBox(LangText(124), this);
    Ck1->setObjectName(QStringLiteral("Ck1"));
    Ck1->setChecked(true);
    // Clicking the box leaves the focus in the edit being typed in, so that
    // ticking it fits the other edit to that one.
    Ck1->setFocusPolicy(Qt::TabFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Cb1, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Cb2, 1, 2);
    // The lock stands beside both rows, as it binds the two.
    grid->addWidget(Ck1, 0, 3, 2, 1, Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 110);
    grid->setHorizontalSpacing(8);
    grid->setColumnMinimumWidth(3, 100);
    layout->addLayout(grid);
    layout->addSpacing(6);
    const TOkCancelButtons buttons = AddOkCancelRow(*this, *layout, "BitBtn1", "BitBtn2");
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;

    connect(Cb1, &QComboBox::currentIndexChanged, this, &TForm5::Cb1Click);
    connect(Cb2, &QComboBox::currentIndexChanged, this, &TForm5::Cb2Click);
    // Choosing the unit already shown shows the layer's size again too.
    connect(Cb1, &QComboBox::activated, this, &TForm5::Cb1Click);
    connect(Cb2, &QComboBox::activated, this, &TForm5::Cb2Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TForm5::Edit1Change);
    connect(Edit2, &QLineEdit::textChanged, this, &TForm5::Edit2Change);
    connect(Ck1, &QCheckBox::toggled, this, &TForm5::Ck1Click);

    Preset(Settings{});
}

void TForm5::Preset(const Settings& S) {
    OrigWidth = S.OrigWidth;
    OrigHeight = S.OrigHeight;
    setWindowTitle(S.Caption.isEmpty() ? CommandCaption(121) : S.Caption);
    {
        const QSignalBlocker lock(Ck1);
        Ck1->setChecked(S.Lock);
    }
    {
        const QSignalBlocker width(Cb1);
        const QSignalBlocker height(Cb2);
        Cb1->setCurrentIndex(unitIndex(S.WidthUnit));
        Cb2->setCurrentIndex(unitIndex(S.HeightUnit));
    }
    Cb1Click();
    Cb2Click();
    // Typing replaces the shown width at once.
    Edit1->selectAll();
    Edit1->setFocus();
}

TForm5::Settings TForm5::Read() const {
    return {windowTitle(),  OrigWidth,     OrigHeight,       Cb1->currentIndex(), Cb2->currentIndex(),
            Edit1->text(), Edit2->text(), Ck1->isChecked()};
}

void TForm5::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    Cb1Click();
    Cb2Click();
    Edit1->selectAll();
}

void TForm5::Cb1Click() {
    // The whole size: "100%" in percent.
    Edit1->setText(TextForPixels(OrigWidth, Cb1->currentIndex(), OrigWidth));
}

void TForm5::Cb2Click() {
    // The whole size: "100%" in percent.
    Edit2->setText(TextForPixels(OrigHeight, Cb2->currentIndex(), OrigHeight));
}

void TForm5::Edit1Change() {
    if (Converting_ || !Ck1->isChecked() || Edit1->text().isEmpty() || Edit2->hasFocus()) return;
    // A layer without an area has no proportion to keep.
    if (OrigWidth <= 0 || OrigHeight <= 0) return;
    const std::optional<int> w = PixelsFromInput(Edit1->text(), Cb1->currentIndex(), OrigWidth);
    if (!w) return;
    const std::optional<int> h =
        fittingPixels(std::trunc(*w / (double(OrigWidth) / OrigHeight) + 0.5));
    if (!h) return;
    Converting_ = true;
    Edit2->setText(TextForPixels(*h, Cb2->currentIndex(), OrigHeight));
    Converting_ = false;
}

void TForm5::Edit2Change() {
    if (Converting_ || !Ck1->isChecked() || Edit2->text().isEmpty() || Edit1->hasFocus()) return;
    if (OrigWidth <= 0 || OrigHeight <= 0) return;
    const std::optional<int> h = PixelsFromInput(Edit2->text(), Cb2->currentIndex(), OrigHeight);
    if (!h) return;
    const std::optional<int> w =
        fittingPixels(std::trunc(double(OrigWidth) / OrigHeight * *h + 0.5));
    if (!w) return;
    Converting_ = true;
    Edit1->setText(TextForPixels(*w, Cb1->currentIndex(), OrigWidth));
    Converting_ = false;
}

void TForm5::Ck1Click() {
    if (!Ck1->isChecked()) return;
    if (Edit1->hasFocus())
        Edit1Change();
    else if (Edit2->hasFocus())
        Edit2Change();
}

std::optional<int> PixelsFromInput(const QString& Text, int Unit, int Current) {
    if (Unit == ruPixels) return WholePixelsFromText(Text);
    QString number = Text;
    if (Unit == ruPercent && number.endsWith(QLatin1Char('%'))) number.chop(1);
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    double pixels = 0;
    switch (Unit) {
    case ruInches: pixels = v * 100; break;         // 100 pixels to the inch
    case ruCentimetres: pixels = v * 100 / 2.54; break;
    case ruPercent: pixels = v * Current / 100; break;
    default: return std::nullopt;
    }
    // The default rounding mode takes halves to the even neighbour.
    return fittingPixels(std::nearbyint(pixels));
}

QString TextForPixels(int Pixels, int Unit, int Orig) {
    switch (Unit) {
    case ruPixels: return QString::number(Pixels);
    case ruInches: return FloatToStr(Pixels / 100.0);
    case ruCentimetres: return FloatToStr(Pixels / 100.0 * 2.54);
    case ruPercent:
        if (Orig <= 0) return QStringLiteral("100%");
        return FloatToStr(double(Pixels) / Orig * 100) + QLatin1Char('%');
    default: return {};
    }
}
