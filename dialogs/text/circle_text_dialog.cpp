#include "circle_text_dialog.h"

#include "dialog_parts.h"
#include "lang_strings.h"
#include "lxImage.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSmallestCircle = 10;
constexpr int kLargestCircle = 16000;

} // namespace

TForm76::TForm76(QWidget* parent) : QDialog(parent), Engine_(std::make_unique<TlxImage>()) {
    setObjectName(QStringLiteral("Form76"));
    setWindowTitle(LangText(82));

    Sb = new QScrollArea(this);
    Sb->setObjectName(QStringLiteral("Sb"));
    Sb->setFixedSize(400, 300);
    Sb->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Sb->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The preview is placed in the scroll box's client area by hand, fitted
    // and centred, rather than scrolled.
    Image1 = new QLabel(Sb->viewport());
    Image1->setObjectName(QStringLiteral("Image1"));
    Sb->viewport()->installEventFilter(this);

    Label1 = new QLabel(LangText(83), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Tb2 = new QSlider(Qt::Horizontal, this);
    Tb2->setObjectName(QStringLiteral("Tb2"));
    Tb2->setRange(0, 360);
    Tb2->setTickPosition(QSlider::TicksBelow);
    Tb2->setTickInterval(10);
    Tb2->setPageStep(10);
    SpinEdit2 = new QSpinBox(this);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setRange(0, 360);
    Label1->setBuddy(SpinEdit2);

    Label2 = new QLabel(LangText(84), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    // The circle size itself; the user edits it in centimetres.
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(kSmallestCircle, kLargestCircle);
    SpinEdit1->setValue(100);
    SpinEdit1->hide();
    CmEdit1 = new QLineEdit(this);
    CmEdit1->setObjectName(QStringLiteral("CmEdit1"));
    AcceptDigitsAndPoint(*CmEdit1);
    Label2->setBuddy(CmEdit1);
    Label3 = new QLabel(QStringLiteral("CM"), this);
    Label3->setObjectName(QStringLiteral("Label3"));

    Ck1 = new QCheckBox(LangText(85), this);
    Ck1->setObjectName(QStringLiteral("Ck1"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Sb, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Tb2, 0, 1);
    grid->addWidget(SpinEdit2, 0, 2);
    grid->addWidget(Label2, 1, 0);
    auto* cm = new QHBoxLayout;
    cm->addWidget(CmEdit1, 1);
    cm->addWidget(Label3);
    grid->addLayout(cm, 1, 1);
    grid->addWidget(Ck1, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch();
    const TOkCancelButtons buttons = AddOkCancelRow(*this, *layout, "BitBtn1", "BitBtn2");
    BitBtn1 = buttons.Ok;
    BitBtn2 = buttons.Cancel;
    setFixedSize(465, 450);

    connect(Tb2, &QSlider::valueChanged, this, &TForm76::Tb2Change);
    connect(SpinEdit2, &QSpinBox::valueChanged, this, &TForm76::SpinEdit2Change);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm76::SpinEdit1Change);
    connect(CmEdit1, &QLineEdit::textChanged, this, &TForm76::CmEdit1Change);
    connect(Ck1, &QCheckBox::toggled, this, [this] { DoChange(); });
}

TForm76::~TForm76() = default;

void TForm76::Preset(const Settings& S) {
    Style_ = S.Style;
    Text_ = TextOf(S.Style);
    {
        // Each control takes the caller's value as it stands (the centimetre
        // text would otherwise round the circle size it was made from), and
        // the preview is drawn once at the end.
        const QSignalBlocker b1(SpinEdit1), b2(CmEdit1), b3(Tb2), b4(SpinEdit2), b5(Ck1);
        SpinEdit1->setValue(S.CircleSize);
        CmEdit1->setText(S.CmText);
        Tb2->setValue(S.StartAngle);
        SpinEdit2->setValue(Tb2->value());
        Ck1->setChecked(S.Flip);
    }
    DoChange();
}

TForm76::Settings TForm76::Read() const {
    Settings s;
    s.Style = Style_;
    s.Style.Param = CircleParam(SpinEdit1->value(), Tb2->value());
    s.Style.Reverse = Ck1->isChecked() ? 1 : 0;
    s.CircleSize = SpinEdit1->value();
    s.CmText = CmEdit1->text();
    s.StartAngle = Tb2->value();
    s.Flip = Ck1->isChecked();
    return s;
}

std::optional<int> TForm76::CircleSizeFromCm(const QString& Text) {
    bool ok = false;
    const double cm = Text.toDouble(&ok);
    if (!ok || !std::isfinite(cm)) return std::nullopt;
    // 50 circle units to the inch: 5.08 cm make 100.
    const double size = std::trunc(cm * 100 / 5.08 + 0.5);
    return int(std::clamp(size, double(kSmallestCircle), double(kLargestCircle)));
}

int32_t TForm76::CircleParam(int Size, int StartAngle) {
    // Both halves are 16 bits; the sum is formed unsigned so that no value
    // can overflow.
    return int32_t(uint32_t(Size) * 65536u + uint32_t(StartAngle));
}

const QImage& TForm76::PreviewBitmap() const {
    return Preview_;
}

QRect TForm76::FitPreview(QSize Bitmap, QSize Client) {
    if (Bitmap.isEmpty() || Client.isEmpty()) return {};
    int w = 0, h = 0;
    if (double(Bitmap.width()) / Client.width() >= double(Bitmap.height()) / Client.height()) {
        w = Client.width();
        h = RoundEven(double(Bitmap.height()) * w / Bitmap.width());
    } else {
        h = Client.height();
        w = RoundEven(double(Bitmap.width()) * h / Bitmap.height());
    }
    return QRect((Client.width() - w) / 2, (Client.height() - h) / 2, w, h);
}

void TForm76::DoChange() {
    Style_.Param = CircleParam(SpinEdit1->value(), Tb2->value());
    Style_.Reverse = Ck1->isChecked() ? 1 : 0;
    // A circle too large to draw leaves no preview rather than an old one
    // that no longer matches the settings.
    if (!Engine_->RenderTextBitmap(Text_, Style_, Preview_)) Preview_ = QImage();
    ShowPreview();
}

void TForm76::ShowPreview() {
    const QRect place = FitPreview(Preview_.size(), Sb->viewport()->size());
    if (place.isEmpty()) {
        Image1->clear();
        Image1->hide();
        return;
    }
    // Scaled once here, to the screen's device pixels, instead of on every
    // paint.
    const qreal ratio = devicePixelRatioF();
    QImage shown =
        Preview_.scaled(QSize(qRound(place.width() * ratio), qRound(place.height() * ratio)),
                        Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shown.setDevicePixelRatio(ratio);
    Image1->setPixmap(QPixmap::fromImage(shown));
    Image1->setGeometry(place);
    Image1->show();
}

bool TForm76::eventFilter(QObject* watched, QEvent* event) {
    // The client area gets its final size only once the dialog is laid out.
    if (watched == Sb->viewport() && event->type() == QEvent::Resize) ShowPreview();
    return QDialog::eventFilter(watched, event);
}

void TForm76::Tb2Change(int Position) {
    SpinEdit2->setValue(Position);
    DoChange();
}

void TForm76::SpinEdit2Change(int Value) {
    Tb2->setValue(Value);
}

void TForm76::SpinEdit1Change(int Value) {
    if (Value > 9) DoChange();
}

void TForm76::CmEdit1Change(const QString& Text) {
    if (Text.isEmpty()) return;
    // A text that is no number (a lone ".", two points) changes nothing.
    if (const std::optional<int> size = CircleSizeFromCm(Text)) SpinEdit1->setValue(*size);
}
