#include "steps/print_step.h"

#include "lang_strings.h"
#include "lxImage.h"
#include "program_state.h"
#include "qnToolTip.h"
#include "user_interface_services.h"
#include "widgets/named.h"
#include "widgets/wait_cursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <climits>
#include <cmath>

namespace {

// The title every print job carries.
const QString kJobTitle = QStringLiteral("Velmo Balloon");
// What the edits start with: the picture 6.5 cm down the page.
const QString kDefaultTop = QStringLiteral("6.5");
// The vertical edit after the first layout.
const QString kTopAfterLayout = QStringLiteral("6");
// Room the page preview leaves around the page for its shadow.
constexpr int kShadowRoom = 24;

// A plain swatch: its whole area in one colour.
class TSwatch : public QWidget {
public:
    TSwatch(QColor Colour, QWidget* parent) : QWidget(parent), colour_(Colour) {}

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour_); }

private:
    QColor colour_;
};

// The outline of the picture while it is dragged: a two-colour dashed
// rectangle, seen on any picture.
class TDragOutline : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(r);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(r);
    }
};

} // namespace

TPrintStep::TPrintStep(TProgramState& State, TUiServices& Services, QWidget* parent)
    : QWidget(parent), state_(State), services_(Services),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    // Without a printer the page goes to a PDF file at a print resolution.
    if (printer_->outputFormat() == QPrinter::PdfFormat) printer_->setResolution(600);
    printer_->setDocName(kJobTitle);

    PageArea = makeNamed<QWidget>(this, "PageArea");
    PageArea->setMinimumSize(200, 200);
    PBColor1 = named<QWidget>(new TSwatch(QColor(128, 128, 128), PageArea), "PBColor1");
    PbColor2 = named<QWidget>(new TSwatch(Qt::white, PageArea), "PbColor2");
    Image6 = makeNamed<QLabel>(PbColor2, "Image6");
    Image6->setCursor(Qt::SizeAllCursor);
    Image6->installEventFilter(this);
    Shape1 = named<QWidget>(new TDragOutline(PbColor2), "Shape1");
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->hide();
    PbColor2->setFocusPolicy(Qt::ClickFocus);

    Label6 = makeNamed<QLabel>(this, "Label6");
    Label7 = makeNamed<QLabel>(this, "Label7");
    Edit3 = makeNamed<QLineEdit>(this, "Edit3");
    Edit4 = makeNamed<QLineEdit>(this, "Edit4", kDefaultTop);
    Label8 = makeNamed<QLabel>(this, "Label8");
    Label9 = makeNamed<QLabel>(this, "Label9");
    const QRegularExpression number(QStringLiteral("[0-9.]*"));
    for (QLineEdit* e : {Edit3, Edit4}) {
        e->setValidator(new QRegularExpressionValidator(number, e));
        // Room for the longest offset the default formatting writes.
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-00.0000000000000")) + 12);
    }
    Ck1 = makeNamed<QCheckBox>(this, "Ck1");
    Ck2 = makeNamed<QCheckBox>(this, "Ck2");
    Ck1->setChecked(true);
    SpinEdit1 = makeNamed<QSpinBox>(this, "SpinEdit1");
    SpinEdit2 = makeNamed<QSpinBox>(this, "SpinEdit2");
    for (QSpinBox* s : {SpinEdit1, SpinEdit2}) {
        s->setRange(INT_MIN, INT_MAX);
        s->hide();
    }
    Button1 = makeNamed<QPushButton>(this, "Button1");
    Label6->setBuddy(Edit3);
    Label7->setBuddy(Edit4);

    auto* offsets = new QGridLayout;
    offsets->addWidget(Label6, 0, 0);
    offsets->addWidget(Edit3, 0, 1);
    offsets->addWidget(Label8, 0, 2);
    offsets->addWidget(Ck1, 0, 3);
    offsets->addWidget(Label7, 1, 0);
    offsets->addWidget(Edit4, 1, 1);
    offsets->addWidget(Label9, 1, 2);
    offsets->addWidget(Ck2, 1, 3);
    offsets->setColumnStretch(4, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button1, 0, Qt::AlignBottom);
    bottom->addSpacing(24);
    bottom->addLayout(offsets, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageArea, 1);
    layout->addLayout(bottom);

    connect(Ck1, &QCheckBox::clicked, this, [this] { Ck1Click(); });
    connect(Ck2, &QCheckBox::clicked, this, [this] { Ck2Click(); });
    connect(Edit3, &QLineEdit::textChanged, this, &TPrintStep::Edit3Change);
    connect(Edit4, &QLineEdit::textChanged, this, &TPrintStep::Edit4Change);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { spinChanged(SpinEdit1, Edit3); });
    connect(SpinEdit2, &QSpinBox::valueChanged, this, [this] { spinChanged(SpinEdit2, Edit4); });
    connect(Button1, &QPushButton::clicked, this, &TPrintStep::Button1Click);
    Recaption();
}

TPrintStep::~TPrintStep() = default;

void TPrintStep::Recaption() {
    Label6->setText(LangText(34));
    Label7->setText(LangText(35));
    Label8->setText(LangText(11));
    Label9->setText(LangText(11));
    Ck1->setText(LangText(37));
    Ck2->setText(LangText(37));
    Button1->setText(LangText(38));
}

TPrinterMetrics TPrintStep::Metrics() const {
    return PrinterMetrics(*printer_);
}

bool TPrintStep::No2(TlxImage& Doc) {
    const TWaitCursor wait;
    QImage picture;
    if (!MakePrintBitmap(Doc, picture)) return false;
    PrintBitmap = std::move(picture);
    shownSize_ = QSize();
    ShowPrtSet();
    return true;
}

void TPrintStep::ShowPrtSet() {
    const TPrinterMetrics m = Metrics();
    const QSize room(std::max(1, PageArea->width() - kShadowRoom),
                     std::max(1, PageArea->height() - kShadowRoom));
    preview_ = PagePreview(m, room, PrintBitmap.size());
    PreviewScale = preview_.PreviewScale;
    PbColor2->setGeometry(preview_.Panel);
    PBColor1->setGeometry(preview_.Shadow);
    Image6->resize(preview_.Picture);
    // The picture drawn small with smoothing, once per size.
    if (shownSize_ != preview_.Picture && !preview_.Picture.isEmpty()) {
        shownSize_ = preview_.Picture;
        const qreal ratio = devicePixelRatioF();
        QPixmap shown = QPixmap::fromImage(PrintBitmap.scaled(
            preview_.Picture * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        shown.setDevicePixelRatio(ratio);
        Image6->setPixmap(shown);
    }
    // The vertical offset comes from its edit; the first layout of the run
    // then shows "6" in it while the picture stays where "6.5" put it.
    bool ok = false;
    const double top = Edit4->text().toDouble(&ok);
    if (ok && std::isfinite(top)) {
        const QSignalBlocker quiet(SpinEdit2);
        SpinEdit2->setValue(DotsFromCm(top, m.Dpi));
    }
    updatexy();
    if (!entered_) {
        entered_ = true;
        const QSignalBlocker quiet(Edit4);
        Edit4->setText(kTopAfterLayout);
    }
}

void TPrintStep::updatexy() {
    const TPrinterMetrics m = Metrics();
    if (Ck1->isChecked()) {
        const QSignalBlocker quiet(SpinEdit1);
        SpinEdit1->setValue(CentredOffset(m.PageWidth, PrintBitmap.width(), m.Dpi));
        const QSignalBlocker quietEdit(Edit3);
        Edit3->setText(CmFromDots(SpinEdit1->value(), m.Dpi));
    }
    if (Ck2->isChecked()) {
        const QSignalBlocker quiet(SpinEdit2);
        SpinEdit2->setValue(CentredOffset(m.PageHeight, PrintBitmap.height(), m.Dpi));
        const QSignalBlocker quietEdit(Edit4);
        Edit4->setText(CmFromDots(SpinEdit2->value(), m.Dpi));
    }
    placePicture();
}

void TPrintStep::placePicture() {
    if (PreviewScale <= 0) return;
    Image6->move(RoundEven(SpinEdit1->value() / PreviewScale),
                 RoundEven(SpinEdit2->value() / PreviewScale));
}

void TPrintStep::Ck1Click() {
    if (!Ck1->isChecked()) return;
    const TPrinterMetrics m = Metrics();
    SpinEdit1->setValue(CentreWhenTicked(m.PageWidth, PrintBitmap.width(), m.Dpi));
    updatexy();
}

void TPrintStep::Ck2Click() {
    if (!Ck2->isChecked()) return;
    const TPrinterMetrics m = Metrics();
    SpinEdit2->setValue(CentreWhenTicked(m.PageHeight, PrintBitmap.height(), m.Dpi));
    updatexy();
}

void TPrintStep::Edit3Change() {
    offsetTyped(Edit3, SpinEdit1);
}

void TPrintStep::Edit4Change() {
    offsetTyped(Edit4, SpinEdit2);
}

void TPrintStep::offsetTyped(QLineEdit* Edit, QSpinBox* Spin) {
    // Only what the user types counts; text that is not a number is passed over.
    if (!Edit->hasFocus() || Edit->text().isEmpty()) return;
    bool ok = false;
    const double cm = Edit->text().toDouble(&ok);
    if (!ok || !std::isfinite(cm)) return;
    const QSignalBlocker quiet(Spin);
    Spin->setValue(DotsFromCm(cm, Metrics().Dpi));
    updatexy();
}

void TPrintStep::spinChanged(QSpinBox* Spin, QLineEdit* Edit) {
    if (!Edit->hasFocus()) {
        const QSignalBlocker quiet(Edit);
        Edit->setText(CmFromDots(Spin->value(), Metrics().Dpi));
    }
    placePicture();
}

bool TPrintStep::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != Image6) return QWidget::eventFilter(Watched, Event);
    switch (Event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(Event);
        if (e->button() != Qt::LeftButton) break;
        dragStart_ = e->position().toPoint();
        dragDelta_ = QPoint();
        dragging_ = true;
        PbColor2->setFocus();
        return true;
    }
    case QEvent::MouseMove: {
        if (!dragging_) break;
        const QPoint at = static_cast<QMouseEvent*>(Event)->position().toPoint();
        dragDelta_ = QPoint(Ck1->isChecked() ? 0 : at.x() - dragStart_.x(),
                            Ck2->isChecked() ? 0 : at.y() - dragStart_.y());
        Shape1->setGeometry(Image6->geometry().translated(dragDelta_));
        Shape1->show();
        Shape1->raise();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!dragging_) break;
        dragging_ = false;
        const QPoint at = static_cast<QMouseEvent*>(Event)->position().toPoint();
        dragDelta_ = QPoint(Ck1->isChecked() ? 0 : at.x() - dragStart_.x(),
                            Ck2->isChecked() ? 0 : at.y() - dragStart_.y());
        Shape1->hide();
        if (dragDelta_.isNull()) return true;
        Image6->move(Image6->pos() + dragDelta_);
        // Only an axis that moved takes its offset from the preview: a
        // centred one keeps its exact value.
        {
            const QSignalBlocker a(SpinEdit1), b(SpinEdit2);
            if (dragDelta_.x() != 0) SpinEdit1->setValue(RoundEven(Image6->x() * PreviewScale));
            if (dragDelta_.y() != 0) SpinEdit2->setValue(RoundEven(Image6->y() * PreviewScale));
        }
        spinChanged(SpinEdit1, Edit3);
        spinChanged(SpinEdit2, Edit4);
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TPrintStep::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    if (isVisible() && !PrintBitmap.isNull()) ShowPrtSet();
}

void TPrintStep::Button1Click() {
    HideBalloonTip();
    const QString top = Edit4->text(), left = Edit3->text();
    if (!services_.SetUpPrinter(window(), *printer_)) return;
    ShowPrtSet();
    // Both axes centred for the new page, then the centring as it was.
    const bool centreX = Ck1->isChecked(), centreY = Ck2->isChecked();
    Ck1->setChecked(true);
    Ck2->setChecked(true);
    Ck1Click();
    Ck2Click();
    Ck1->setChecked(centreX);
    Ck2->setChecked(centreY);
    // The offsets in centimetres are typed again for the new printer.
    Edit4->setFocus();
    Edit4->setText(top);
    Edit4Change();
    Edit3->setFocus();
    Edit3->setText(left);
    Edit3Change();
}

void TPrintStep::BitBtn10Click() {
    if (PrintBitmap.isNull()) return;
    if (state_.Modified &&
        services_.ShowMessage(window(), LangText(133), QMessageBox::Question,
                              QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
        SaveFirst)
        SaveFirst();
    if (!services_.ChoosePrinter(window(), *printer_)) return;
    const TWaitCursor wait;
    if (PrintButton) PrintButton->setEnabled(false);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // Each copy is a job of its own.
    const int copies = std::max(1, printer_->copyCount());
    printer_->setCopyCount(1);
    printCopies(copies);
    printer_->setCopyCount(copies);
    if (PrintButton) PrintButton->setEnabled(true);
}

bool TPrintStep::printCopies(int Copies) {
    int dpi = Metrics().Dpi;
    if (dpi <= 0) return false;
    std::optional<QPoint> origin = PrintOrigin(Edit3->text(), Edit4->text(), dpi);
    if (!origin) return false;
    {
        // The offsets as typed, in this printer's dots.
        const auto dots = [dpi](const QString& Cm) {
            return int(std::trunc(Cm.toDouble() * dpi / 2.54 + 0.5));
        };
        const QSignalBlocker a(SpinEdit1), b(SpinEdit2);
        SpinEdit1->setValue(dots(Edit3->text()));
        SpinEdit2->setValue(dots(Edit4->text()));
    }
    TlxImage resampler;
    QImage copy;
    const QSize printed = PrintedSize(PrintBitmap.size(), dpi);
    if (!resampler.StretchBitmapCubic(PrintBitmap, copy, printed.width(), printed.height()))
        return false;
    for (int n = 1; n <= Copies; ++n) {
        printer_->setDocName(kJobTitle);
        QPainter painter;
        if (!painter.begin(printer_.get())) return false;
        const int now = Metrics().Dpi;
        if (now > 0 && now != dpi) {
            // The printer changed its resolution: everything again for it.
            dpi = now;
            ShowPrtSet();
            origin = PrintOrigin(Edit3->text(), Edit4->text(), dpi);
            if (!origin) {
                painter.end();
                return false;
            }
            const QSize again = PrintedSize(PrintBitmap.size(), dpi);
            if (Ck1->isChecked())
                origin->setX(RoundEven(dpi * 0.05 / 2.54 +
                                       (Metrics().PageWidth - again.width()) / 2));
            QImage resized;
            if (resampler.StretchBitmapCubic(PrintBitmap, resized, again.width(), again.height()))
                copy = std::move(resized);
        }
        DrawInBands(painter, *origin, copy);
        painter.end();
        emit JobPrinted(n);
    }
    return true;
}
