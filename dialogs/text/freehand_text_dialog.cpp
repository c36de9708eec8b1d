#include "freehand_text_dialog.h"

#include "codepage.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "lxStatusBar.h"
#include "velmo_assets.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kLargestAngle = 360;
// Positions typed into the X and Y boxes may lie off the canvas.
constexpr int kPositionLimit = 999999;
constexpr int kWheelNotch = 120;

QSpinBox* newSpinEdit(QWidget* Parent, const char* Name, int Minimum, int Maximum) {
    auto* spin = new QSpinBox(Parent);
    spin->setObjectName(QString::fromLatin1(Name));
    spin->setRange(Minimum, Maximum);
    return spin;
}

QLabel* newLabel(QWidget* Parent, const char* Name, const QString& Text, QWidget* Buddy) {
    auto* label = new QLabel(Text, Parent);
    label->setObjectName(QString::fromLatin1(Name));
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TForm96::TForm96(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form96"));
    setWindowTitle(LangText(234));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    // Maximised; where no window manager maximises it, it still starts as
    // large as the screen's free area.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Button1 = new QPushButton(LangText(239), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Cb1 = new QComboBox(Panel1);
    Cb1->setObjectName(QStringLiteral("Cb1"));
    Cb1->setMinimumContentsLength(4);
    Label1 = newLabel(Panel1, "Label1", LangText(240), Cb1);
    SpinEdit2 = newSpinEdit(Panel1, "SpinEdit2", -kPositionLimit, kPositionLimit);
    Label2 = newLabel(Panel1, "Label2", QStringLiteral("X:"), SpinEdit2);
    SpinEdit3 = newSpinEdit(Panel1, "SpinEdit3", -kPositionLimit, kPositionLimit);
    Label3 = newLabel(Panel1, "Label3", QStringLiteral("Y:"), SpinEdit3);
    SpinEdit4 = newSpinEdit(Panel1, "SpinEdit4", -kLargestAngle, kLargestAngle);
    Label4 = newLabel(Panel1, "Label4", LangText(241), SpinEdit4);
    BitBtn1 = new QPushButton(LangText(55), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(LangText(54), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    Label5 = new QLabel(LangText(236), Panel1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setWordWrap(true);

    auto* panel = new QVBoxLayout(Panel1);
    auto* row = new QHBoxLayout;
    row->addWidget(Button1);
    row->addSpacing(12);
    row->addWidget(Label1);
    row->addWidget(Cb1);
    row->addSpacing(12);
    row->addWidget(Label2);
    row->addWidget(SpinEdit2);
    row->addWidget(Label3);
    row->addWidget(SpinEdit3);
    row->addSpacing(12);
    row->addWidget(Label4);
    row->addWidget(SpinEdit4);
    row->addStretch(1);
    row->addWidget(BitBtn1);
    row->addWidget(BitBtn2);
    panel->addLayout(row);
    panel->addWidget(Label5);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignCenter);
    // The design is always fitted into the box, so scroll bars would only
    // take room from it.
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    lxImg = new TlxImageVcl;
    lxImg->setObjectName(QStringLiteral("lxImg"));
    lxImg->setMouseTracking(true);
    ScrollBox1->setWidget(lxImg);
    lxImg->installEventFilter(this);
    ScrollBox1->viewport()->installEventFilter(this);
    lxImg->OnPaintOverlay = [this](QPainter& p) { PaintGuide(p); };

    StatusBar1 = new TlxStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel = new QLabel(StatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusBar1->addWidget(StatusPanel, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(ScrollBox1, 1);
    layout->addWidget(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &TForm96::Timer1Timer);

    connect(Button1, &QPushButton::clicked, this, &TForm96::Button1Click);
    connect(Cb1, &QComboBox::currentIndexChanged, this, &TForm96::Cb1Click);
    connect(SpinEdit2, &QSpinBox::valueChanged, this, &TForm96::SpinEdit2Change);
    connect(SpinEdit3, &QSpinBox::valueChanged, this, &TForm96::SpinEdit3Change);
    connect(SpinEdit4, &QSpinBox::valueChanged, this, &TForm96::SpinEdit4Change);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    Preset(Settings{});
}

TForm96::~TForm96() = default;

void TForm96::Preset(const Settings& S) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Preset_ = S;
    Timer1->stop();
    lxImg->ClearSelection();
    // The design as the view's only layer; without one a blank canvas
    // stands in, so that the dialog still works.
    if (S.Background.isNull() || !lxImg->NewImageFromBitmap(S.Background))
        lxImg->NewImage(true, lxRGB(255, 255, 255), 24, 1, 1);
    lxImg->ScreenPPI = S.ScreenPPI;
    if (!S.Selection.isNull() &&
        lxImg->SetSelectionBitmap(S.Selection.convertToFormat(QImage::Format_Grayscale8)) &&
        lxImg->HasSelection)
        Timer1->start();
    BackBmp_ = lxImg->ShowBmp;

    Font_ = TlxImage::TextFont(S.Font);
    const TColor c = S.Font.Color;
    TextColor_ = QColor(int(c & 255), int(c >> 8 & 255), int(c >> 16 & 255));

    CharTexts = S.CharTexts;
    if (CharTexts.size() > size_t(Settings::MaxChars)) CharTexts.resize(size_t(Settings::MaxChars));
    CharCount = int(CharTexts.size());
    CharPoints = S.CharPoints;
    CharAngles = S.CharAngles;
    for (int& a : CharAngles)
        a = std::clamp(a, -kLargestAngle, kLargestAngle);
    PlacedCount = std::clamp(S.PlacedCount, 0, CharCount);
    // With nothing left to place the dialog only shows and edits.
    Placing = S.Placing && PlacedCount < CharCount;
    for (int i = 0; i < PlacedCount; ++i)
        PathPoints[size_t(i)] = {lxImg->ImageToScreen(CharPoints[size_t(i)].x()),
                                 lxImg->ImageToScreen(CharPoints[size_t(i)].y())};
    LastClickX = LastClickY = 0;
    if (PlacedCount > 0) {
        LastClickX = PathPoints[size_t(PlacedCount - 1)].x();
        LastClickY = PathPoints[size_t(PlacedCount - 1)].y();
    }
    MouseX = MouseY = 0;
    WheelRest_ = 0;

    SetPlacingCursor(Placing);
    Cb1->setEnabled(!Placing);
    {
        const QSignalBlocker blocker(Cb1);
        Cb1->clear();
        for (const std::string& t : CharTexts)
            Cb1->addItem(lx::fromGbk(t));
        Cb1->setCurrentIndex(std::min(CharCount - 1, PlacedCount));
    }
    Cb1Click();
    StatusPanel->clear();
    RefZoom();
    QApplication::restoreOverrideCursor();
}

TForm96::Settings TForm96::Read() const {
    Settings s = Preset_;
    s.CharTexts = CharTexts;
    s.CharPoints = CharPoints;
    s.CharAngles = CharAngles;
    s.PlacedCount = PlacedCount;
    s.Placing = Placing;
    return s;
}

QString TForm96::CmText(int Pixels, int PixelsPerInch) {
    if (PixelsPerInch <= 0) return QStringLiteral("0");
    QString text = QString::number(double(Pixels) / PixelsPerInch * 2.54, 'f', 2);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    if (text == QStringLiteral("-0")) text = QStringLiteral("0");
    return text;
}

QString TForm96::StatusText() const {
    return StatusPanel->text();
}

void TForm96::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RefZoom();
}

void TForm96::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    RefZoom();
}

void TForm96::RefZoom() {
    if (lxImg->ImageWidth <= 0 || lxImg->ImageHeight <= 0) return;
    // The box's own layout may not have run yet after a resize of the window.
    if (layout() != nullptr) layout()->activate();
    const QSize client = ScrollBox1->viewport()->size();
    if (client.isEmpty()) return;
    const double w = lxImg->ImageWidth, h = lxImg->ImageHeight;
    lxImg->ZoomValue =
        w / client.width() >= h / client.height() ? client.width() / w : client.height() / h;
    if (lxImg->HasSelection) lxImg->BuildSelectionOutline();
    lxImg->ApplyZoom();
    // The guide follows the characters at the new zoom.
    for (int i = 0; i < PlacedCount; ++i)
        PathPoints[size_t(i)] = {lxImg->ImageToScreen(CharPoints[size_t(i)].x()),
                                 lxImg->ImageToScreen(CharPoints[size_t(i)].y())};
    if (PlacedCount > 0) {
        LastClickX = PathPoints[size_t(PlacedCount - 1)].x();
        LastClickY = PathPoints[size_t(PlacedCount - 1)].y();
    }
    lxImgPaint();
    // The outline shows at once, not only from the timer's first tick.
    if (lxImg->HasSelection) lxImg->DrawSelectionOutline();
}

void TForm96::Timer1Timer() {
    if (lxImg->HasSelection)
        lxImg->DrawSelectionOutline();
    else
        Timer1->stop();
}

void TForm96::DrawChar(QPainter& Painter, int Index, QPoint At) const {
    TlxImage::DrawTurnedText(Painter, CharTexts[size_t(Index)], At.y(), At.x(),
                             CharAngles[size_t(Index)]);
}

void TForm96::lxImgPaint() {
    if (BackBmp_.isNull()) return;
    // A fresh copy of the background each time; the characters are drawn in
    // document pixels, where the text layer will put them, and the view
    // scales them with the design.
    lxImg->ShowBmp = BackBmp_.copy();
    if (!lxImg->ShowBmp.isNull()) {
        QPainter painter(&lxImg->ShowBmp);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setFont(Font_);
        painter.setPen(TextColor_);
        painter.setBrush(Qt::NoBrush);
        const int placed = std::min(PlacedCount, CharCount);
        for (int i = 0; i < placed; ++i)
            DrawChar(painter, i, CharPoints[size_t(i)]);
        if (Placing && PlacedCount < CharCount)
            DrawChar(painter, PlacedCount,
                     {lxImg->ScreenToImage(MouseX), lxImg->ScreenToImage(MouseY)});
    }
    lxImg->PaintImage();
}

void TForm96::PaintGuide(QPainter& Painter) {
    if (!Placing) return;
    QPolygon line;
    for (int i = 0; i < std::min(PlacedCount, CharCount); ++i)
        line << PathPoints[size_t(i)];
    line << QPoint(MouseX, MouseY);
    if (line.size() < 2) return;
    // No pen inverts what lies under it, so a dotted line in black over
    // white shows on light and dark designs alike.
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setPen(QPen(Qt::white, 0, Qt::SolidLine));
    Painter.drawPolyline(line);
    Painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    Painter.drawPolyline(line);
    Painter.restore();
}

QPoint TForm96::ChkXY(QPoint P, Qt::KeyboardModifiers Modifiers) {
    for (QWidget* w : {static_cast<QWidget*>(SpinEdit2), static_cast<QWidget*>(SpinEdit3),
                       static_cast<QWidget*>(SpinEdit4), static_cast<QWidget*>(Cb1)})
        if (w->hasFocus()) {
            Button1->setFocus();
            break;
        }
    int x = P.x(), y = P.y();
    if ((Modifiers & Qt::ShiftModifier) && PlacedCount > 0 && x != LastClickX && y != LastClickY) {
        // The mouse on the document's pixel grid, in view coordinates.
        const int e = lxImg->ImageToScreen(lxImg->ScreenToImage(x));
        const int f = lxImg->ImageToScreen(lxImg->ScreenToImage(y));
        const double dx = double(e) - LastClickX, dy = double(f) - LastClickY;
        const double distance = std::hypot(dx, dy);
        const double s = distance == 0 ? 0 : std::fabs(dy) / distance;
        if (s <= 0.33) {
            y = LastClickY;
        } else if (s > 0.66) {
            x = LastClickX;
        } else {
            const int run = int(std::fabs(dy));
            x = dx < 0 ? LastClickX - run : LastClickX + run;
        }
    }
    return {x, y};
}

void TForm96::lxImgMouseMove(QPoint P, Qt::KeyboardModifiers Modifiers) {
    const QPoint q = ChkXY(P, Modifiers);
    TxtMove(q.x(), q.y());
}

void TForm96::TxtMove(int X, int Y) {
    if (!Placing) return;
    MouseX = X;
    MouseY = Y;
    if (PlacedCount <= Settings::MaxChars) PathPoints[size_t(PlacedCount)] = {X, Y};
    const int docX = lxImg->ScreenToImage(X), docY = lxImg->ScreenToImage(Y);
    SpinEdit2->setValue(docX);
    SpinEdit3->setValue(docY);
    lxImgPaint();
    const int ppi = lxImg->ScreenPPI;
    StatusPanel->setText(
        LangText(237) + QString::number(docX) + QStringLiteral(" , ") + QString::number(docY) +
        QStringLiteral(" ") + LangText(36) + QStringLiteral(" | ") + CmText(docX, ppi) +
        QStringLiteral(" , ") + CmText(docY, ppi) + QStringLiteral(" ") + LangText(11) +
        QStringLiteral("  ") + LangText(238) + QString::number(-CharAngles[size_t(PlacedCount)]));
    if (lxImg->HasSelection) lxImg->DrawSelectionOutline();
}

void TForm96::lxImgMouseDown(Qt::MouseButton Button, QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!Placing) return;
    const QPoint q = ChkXY(P, Modifiers);
    if (Button == Qt::RightButton) {
        int& angle = CharAngles[size_t(PlacedCount)];
        // The shown angle is the negation: a right click raises it by one,
        // with Shift lowers it.
        angle = (Modifiers & Qt::ShiftModifier) ? std::min(angle + 1, kLargestAngle)
                                                : std::max(angle - 1, -kLargestAngle);
        SpinEdit4->setValue(-angle);
        TxtMove(q.x(), q.y());
        return;
    }
    TxtDown(q.x(), q.y());
}

void TForm96::TxtDown(int X, int Y) {
    if (!Placing || PlacedCount >= CharCount) return;
    if (PlacedCount >= CharCount - 1) {
        // The last character: what follows only shows the result.
        Placing = false;
        SetPlacingCursor(false);
        Cb1->setEnabled(true);
    }
    CharPoints[size_t(PlacedCount)] = {lxImg->ScreenToImage(X), lxImg->ScreenToImage(Y)};
    PathPoints[size_t(PlacedCount)] = {X, Y};
    ++PlacedCount;
    LastClickX = X;
    LastClickY = Y;
    // The next character starts at the same angle.
    CharAngles[size_t(PlacedCount)] = CharAngles[size_t(PlacedCount - 1)];
    Cb1->setCurrentIndex(std::min(Cb1->count() - 1, PlacedCount));
    SpinEdit4->setValue(-CharAngles[size_t(PlacedCount)]);
    // Once all are placed the boxes show the last character for editing.
    if (!Placing) Cb1Click();
    lxImgPaint();
}

void TForm96::TurnByWheel(int Notches) {
    if (!Placing || Notches == 0) return;
    if (SpinEdit4->hasFocus()) Button1->setFocus();
    int& angle = CharAngles[size_t(PlacedCount)];
    angle = std::clamp(angle + Notches, -kLargestAngle, kLargestAngle);
    SpinEdit4->setValue(-angle);
    TxtMove(MouseX, MouseY);
}

void TForm96::wheelEvent(QWheelEvent* event) {
    WheelRest_ += event->angleDelta().y();
    const int notches = WheelRest_ / kWheelNotch;
    WheelRest_ -= notches * kWheelNotch;
    TurnByWheel(notches);
    event->accept();
}

bool TForm96::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lxImg) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            lxImgMouseMove(e->position().toPoint(), e->modifiers());
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* e = static_cast<QMouseEvent*>(event);
            lxImgMouseDown(e->button(), e->position().toPoint(), e->modifiers());
            return true;
        }
        default:
            break;
        }
    }
    // The wheel turns the character wherever it is over the design, and
    // never scrolls the fitted view.
    if ((watched == lxImg || watched == ScrollBox1->viewport()) && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm96::Button1Click() {
    if (CharCount == 0) return;
    PlacedCount = 0;
    Placing = true;
    CharAngles[0] = 0;
    Cb1->setEnabled(false);
    {
        const QSignalBlocker blocker(Cb1);
        Cb1->setCurrentIndex(0);
    }
    SetPlacingCursor(true);
    lxImgPaint();
}

int TForm96::EditedChar() const {
    const int i = Cb1->currentIndex();
    return i >= 0 && i < CharCount ? i : -1;
}

void TForm96::Cb1Click() {
    const int i = EditedChar();
    if (i < 0) return;
    SpinEdit2->setValue(CharPoints[size_t(i)].x());
    SpinEdit3->setValue(CharPoints[size_t(i)].y());
    SpinEdit4->setValue(-CharAngles[size_t(i)]);
}

void TForm96::SpinEdit2Change(int Value) {
    const int i = EditedChar();
    if (i < 0 || !SpinEdit2->hasFocus() || SpinEdit2->text().isEmpty()) return;
    CharPoints[size_t(i)].setX(Value);
    lxImgPaint();
}

void TForm96::SpinEdit3Change(int Value) {
    const int i = EditedChar();
    if (i < 0 || !SpinEdit3->hasFocus() || SpinEdit3->text().isEmpty()) return;
    CharPoints[size_t(i)].setY(Value);
    lxImgPaint();
}

void TForm96::SpinEdit4Change(int Value) {
    const int i = EditedChar();
    if (i < 0 || !SpinEdit4->hasFocus() || SpinEdit4->text().isEmpty()) return;
    CharAngles[size_t(i)] = -Value;
    lxImgPaint();
}

void TForm96::SetPlacingCursor(bool Placing) {
    if (Placing)
        lxImg->setCursor(velmo::ProgramCursor(104));
    else
        lxImg->unsetCursor();
}
