#include "signature_dialog.h"

#include "zoom_steps.h"

#include "colour_box.h"
#include "dialog_parts.h"
#include "dialog_services.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "lxStatusBar.h"
#include "rotate_dialog.h"
#include "velmo_assets.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The tool column keeps the current tool in this property.
constexpr char kToolTag[] = "Tag";


QToolButton* newToolButton(QWidget* Parent, const char* Name, const QString& Text) {
    auto* button = new QToolButton(Parent);
    button->setObjectName(QString::fromLatin1(Name));
    button->setText(Text);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return button;
}

void setHint(QWidget* Control, const QString& Hint) {
    Control->setToolTip(Hint);
    Control->setStatusTip(Hint);
}

// Division of a non-negative numerator rounded to the nearest integer.
inline int roundedDiv(int Num, int Den) {
    return (Num + Den / 2) / Den;
}

} // namespace

TForm4::TForm4(TDialogServices& Services, QWidget* parent) : QDialog(parent), services_(Services) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(CommandCaption(119));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    // Maximised; where no window manager maximises it, it still starts as
    // large as the screen's free area.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);

    // The tool column.
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    SpeedButton5 = newToolButton(Panel1, "SpeedButton5", LangText(117));
    SpeedButton6 = newToolButton(Panel1, "SpeedButton6", LangText(118));
    for (QToolButton* b : {SpeedButton5, SpeedButton6})
        b->setCheckable(true);
    SpeedButton7 = newToolButton(Panel1, "SpeedButton7", LangText(19));
    SpeedButton8 = newToolButton(Panel1, "SpeedButton8", LangText(257));
    SpeedButton9 = newToolButton(Panel1, "SpeedButton9", LangText(55));
    SpeedButton1 = newToolButton(Panel1, "SpeedButton1", LangText(54));
    setHint(SpeedButton5, LangText(117));
    setHint(SpeedButton6, LangText(118));
    setHint(SpeedButton7, LangText(19));
    setHint(SpeedButton8, LangText(257));
    setHint(SpeedButton9, LangText(55));
    setHint(SpeedButton1, LangText(54));
    auto* column = new QVBoxLayout(Panel1);
    column->setContentsMargins(4, 4, 4, 4);
    for (QToolButton* b : {SpeedButton5, SpeedButton6, SpeedButton7, SpeedButton8})
        column->addWidget(b);
    column->addSpacing(12);
    column->addWidget(SpeedButton9);
    column->addWidget(SpeedButton1);
    column->addStretch(1);

    // The top row.
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    SpinEdit1 = new QSpinBox(Panel2);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(1, 255);
    SpinEdit1->setValue(10);
    SpinEdit2 = new QSpinBox(Panel2);
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setRange(1, 256);
    SpinEdit2->setValue(20);
    Label1 = new QLabel(LangText(115), Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(SpinEdit1);
    ColorBox1 = new TColorBox(Services, Panel2);
    ColorBox1->setObjectName(QStringLiteral("ColorBox1"));
    ColorBox1->SetSelected(lxRGB(0, 0, 0));
    Label2 = new QLabel(LangText(116), Panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setBuddy(ColorBox1);
    setHint(SpinEdit1, LangText(115));
    setHint(SpinEdit2, LangText(115));
    setHint(ColorBox1, LangText(116));
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(Label1);
    row->addWidget(SpinEdit1);
    row->addWidget(SpinEdit2);
    row->addSpacing(12);
    row->addWidget(Label2);
    row->addWidget(ColorBox1);
    row->addStretch(1);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    lxImg1 = new TlxImageVcl;
    lxImg1->setObjectName(QStringLiteral("lxImg1"));
    ScrollBox1->setWidget(lxImg1);
    lxImg1->installEventFilter(this);

    lxStatusBar1 = new TlxStatusBar(this);
    lxStatusBar1->setObjectName(QStringLiteral("lxStatusBar1"));
    lxStatusBar1->setSizeGripEnabled(false);
    StatusPanel = new QLabel(lxStatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    lxStatusBar1->addWidget(StatusPanel, 1);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    middle->addWidget(Panel1);
    middle->addWidget(ScrollBox1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel2);
    layout->addLayout(middle, 1);
    layout->addWidget(lxStatusBar1);

    // The zoom menu.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    ZoomGroup = new QActionGroup(this);
    ZoomGroup->setExclusive(true);
    N1 = PopupMenu1->addAction(LangText(22));
    N1->setObjectName(QStringLiteral("N1"));
    PopupMenu1->addSeparator();
    N1001 = nullptr;
    for (const TFixedZoom& z : FixedZooms) {
        QAction* item = PopupMenu1->addAction(QString::fromLatin1(z.Caption));
        item->setObjectName(QString::fromLatin1(z.Name));
        const double zoom = z.Zoom;
        connect(item, &QAction::triggered, this, [this, zoom, item] { SetZoom(zoom, item); });
        if (zoom == 1.0) N1001 = item;
    }
    PopupMenu1->addSeparator();
    N9 = PopupMenu1->addAction(LangText(23));
    N9->setObjectName(QStringLiteral("N9"));
    for (QAction* a : PopupMenu1->actions()) {
        if (a->isSeparator()) continue;
        a->setCheckable(true);
        ZoomGroup->addAction(a);
    }
    N1001->setChecked(true);
    zoomItem_ = N1001;
    connect(N1, &QAction::triggered, this, &TForm4::ShowAll);
    connect(N9, &QAction::triggered, this, &TForm4::CustomZoom);

    connect(SpeedButton5, &QToolButton::clicked, this, &TForm4::SpeedButton5Click);
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm4::SpeedButton6Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm4::SpeedButton7Click);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm4::SpeedButton8Click);
    connect(SpeedButton9, &QToolButton::clicked, this, &TForm4::SpeedButton9Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm4::SpeedButton1Click);

    SetTool(ToolPencil);
    Preset(Settings{});
}

TForm4::~TForm4() = default;

void TForm4::Preset(const Settings& S) {
    WorkBitmap = S.WorkBitmap;
    // Without a working bitmap a small transparent one stands in, so that
    // the dialog still works.
    if (WorkBitmap.isNull() ||
        !TlxImage::PictureSizeAllowed(WorkBitmap.width(), WorkBitmap.height())) {
        WorkBitmap = QImage(1, 1, QImage::Format_ARGB32);
        WorkBitmap.fill(Qt::transparent);
    }
    Drawing = false;
    SpeedButton8Click();
}

TForm4::Settings TForm4::Read() const {
    Settings s;
    s.WorkBitmap = WorkBitmap;
    s.SignatureDone = SignatureDone;
    if (SignatureDone && !lxImg1->GetLayerBitmap32(lxImg1->CurrLayerID, s.Signature))
        s.Signature = QImage();
    return s;
}

bool TForm4::CutSignature(QImage& Target) {
    if (!SignatureDone) return false;
    TlxImageVcl& doc = *lxImg1;
    const int current = doc.CurrLayerID;
    if (current < 0 || current >= doc.LayersCount) return false;
    const TlxLayer& layer = doc.Layers[size_t(current)];
    // The layer's coverage over the whole picture is the selection.
    if (layer.Alpha.size() != QSize(doc.ImageWidth, doc.ImageHeight) ||
        layer.Left != 0 || layer.Top != 0)
        return false;
    if (!doc.SetSelectionBitmap(layer.Alpha.copy()) || !doc.HasSelection) return false;
    doc.CropToSelection();
    QImage cut;
    if (!doc.GetLayerBitmap32(doc.CurrLayerID, cut)) return false;
    Target = std::move(cut);
    return true;
}

int TForm4::Tool() const {
    return Panel1->property(kToolTag).toInt();
}

QPointF TForm4::ImagePoint(QPoint P) const {
    // The image pixel under the mouse, at its centre.
    return {lxImg1->ScreenToImage(P.x()) + 0.5, lxImg1->ScreenToImage(P.y()) + 0.5};
}

QRect TForm4::DrawStroke(QPointF A, QPointF B, int Width, bool Erase, TColor Color) {
    TlxImageVcl& doc = *lxImg1;
    const int current = doc.CurrLayerID;
    if (current < 0 || current >= doc.LayersCount || Width <= 0) return {};
    TlxLayer& layer = doc.Layers[size_t(current)];
    if (layer.Bitmap.format() != QImage::Format_BGR888 ||
        layer.Alpha.format() != QImage::Format_Grayscale8 || layer.Alpha.size() != layer.Bitmap.size())
        return {};
    if (!std::isfinite(A.x()) || !std::isfinite(A.y()) || !std::isfinite(B.x()) ||
        !std::isfinite(B.y()))
        return {};
    // In the layer's own pixels.
    const QPointF offset(layer.Left, layer.Top);
    const QPointF a = A - offset, b = B - offset;
    const double reach = Width / 2.0 + 2;
    const QRect box = QRectF(QPointF(std::min(a.x(), b.x()) - reach, std::min(a.y(), b.y()) - reach),
                             QPointF(std::max(a.x(), b.x()) + reach, std::max(a.y(), b.y()) + reach))
                          .toAlignedRect()
                          .intersected(layer.Bitmap.rect());
    if (box.isEmpty()) return {};

    // The line's coverage, antialiased, in a small picture of the box.
    QImage stamp(box.size(), QImage::Format_ARGB32_Premultiplied);
    if (stamp.isNull()) return {};
    stamp.fill(Qt::transparent);
    {
        QPainter painter(&stamp);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::black, Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(a - box.topLeft(), b - box.topLeft());
    }

    // Each pixel with line coverage c (0..255) and previous coverage o:
    // the pencil lays its colour over the pixel, new coverage
    // c + o (255 - c) / 255 and colour the coverage-weighted mean of the
    // line colour and the old colour; the eraser keeps o (255 - c) / 255 and
    // leaves the colour as it was.
    const int colour[3] = {int(Color >> 16 & 255), int(Color >> 8 & 255), int(Color & 255)};
    QRect changed;
    for (int y = 0; y < box.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
        uchar* al = layer.Alpha.scanLine(box.top() + y) + box.left();
        uchar* px = Erase ? nullptr : layer.Bitmap.scanLine(box.top() + y) + 3 * box.left();
        int first = -1, last = -1;
        for (int x = 0; x < box.width(); ++x) {
            const int c = qAlpha(s[x]);
            if (c == 0) continue;
            const int o = al[x];
            if (first < 0) first = x;
            last = x;
            if (Erase) {
                al[x] = uchar(roundedDiv(o * (255 - c), 255));
                continue;
            }
            // 255 times the new coverage.
            const int weight = c * 255 + o * (255 - c);
            uchar* p = px + 3 * x;
            for (int k = 0; k < 3; ++k)
                p[k] = uchar(roundedDiv(colour[k] * c * 255 + p[k] * o * (255 - c), weight));
            al[x] = uchar(roundedDiv(weight, 255));
        }
        if (first >= 0) changed |= QRect(box.left() + first, box.top() + y, last - first + 1, 1);
    }
    if (changed.isEmpty()) return {};
    return changed.translated(layer.Left, layer.Top);
}

void TForm4::Recompose() {
    // A failed composition keeps the last picture shown; the layer itself
    // holds the stroke either way.
    lxImg1->ReDraw();
}

void TForm4::ShowChange(const QRect& ImageRect) {
    if (ImageRect.isEmpty()) return;
    Recompose();
    // Only the changed part of the view is painted again; one view pixel
    // more on each side covers the rounding of the zoom.
    const double z = lxImg1->ZoomValue;
    const QRect shown(QPoint(int(std::floor(ImageRect.left() * z)) - 1,
                             int(std::floor(ImageRect.top() * z)) - 1),
                      QPoint(int(std::ceil((ImageRect.right() + 1) * z)) + 1,
                             int(std::ceil((ImageRect.bottom() + 1) * z)) + 1));
    lxImg1->update(shown);
}

void TForm4::StrokeTo(QPoint P) {
    const QPointF to = ImagePoint(P);
    if (to == StrokePoint) return;
    const bool erase = Tool() == ToolEraser;
    const int width = erase ? SpinEdit2->value() : SpinEdit1->value();
    ShowChange(DrawStroke(StrokePoint, to, width, erase, ColorBox1->Selected()));
    StrokePoint = to;
}

void TForm4::lxImg1MouseDown(QPoint P) {
    Drawing = true;
    const bool erase = Tool() == ToolEraser;
    const int width = erase ? SpinEdit2->value() : SpinEdit1->value();
    // A click leaves a dot: the line from the point one pixel down and right.
    const QPointF at = ImagePoint(P);
    ShowChange(DrawStroke(at, at + QPointF(1, 1), width, erase, ColorBox1->Selected()));
    StrokePoint = at;
}

void TForm4::lxImg1MouseMove(QPoint P) {
    if (!Drawing) return;
    StrokeTo(P);
}

void TForm4::lxImg1MouseUp(QPoint P) {
    if (!Drawing) return;
    StrokeTo(P);
    Drawing = false;
    Recompose();
    lxImg1->ApplyZoom();
    lxImg1->PaintImage();
    SignatureDone = true;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lxImg1) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton) lxImg1MouseDown(e->position().toPoint());
            return true;
        }
        case QEvent::MouseMove:
            lxImg1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton) lxImg1MouseUp(e->position().toPoint());
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TForm4::event(QEvent* event) {
    // The status bar shows the hint of the control under the mouse.
    if (event->type() == QEvent::StatusTip) {
        StatusPanel->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TForm4::SetTool(int Tool) {
    Panel1->setProperty(kToolTag, Tool);
    const bool pencil = Tool == ToolPencil;
    SpeedButton5->setChecked(pencil);
    SpeedButton6->setChecked(!pencil);
    // The width label names whichever width is shown.
    Label1->setBuddy(pencil ? SpinEdit1 : SpinEdit2);
    SpinEdit1->setVisible(pencil);
    Label2->setVisible(pencil);
    ColorBox1->setVisible(pencil);
    SpinEdit2->setVisible(!pencil);
    lxImg1->setCursor(velmo::ProgramCursor(pencil ? 102 : 103));
}

void TForm4::SpeedButton5Click() {
    SetTool(ToolPencil);
}

void TForm4::SpeedButton6Click() {
    SetTool(ToolEraser);
}

void TForm4::SpeedButton7Click() {
    PopupMenu1->popup(SpeedButton7->mapToGlobal(QPoint(0, SpeedButton7->height())));
}

void TForm4::SpeedButton8Click() {
    Drawing = false;
    const double zoom = lxImg1->ZoomValue;
    if (lxImg1->NewImageFromBitmap(WorkBitmap)) {
        lxImg1->BackgroundMode = lxBackColor;
        // A new document starts at 1; the view keeps the zoom it was shown at.
        lxImg1->ZoomValue = zoom;
        lxImg1->ClearSelection();
        Recompose();
        lxImg1->ApplyZoom();
    }
    lxImg1->PaintImage();
    SignatureDone = false;
}

void TForm4::SpeedButton9Click() {
    accept();
}

void TForm4::SpeedButton1Click() {
    SignatureDone = false;
    reject();
}

void TForm4::ShowAll() {
    if (lxImg1->ImageWidth <= 0 || lxImg1->ImageHeight <= 0) return;
    // Twice: the second pass sees the scroll bars the first one settled.
    for (int pass = 0; pass < 2; ++pass) {
        if (layout() != nullptr) layout()->activate();
        const QSize client = ScrollBox1->viewport()->size();
        if (client.isEmpty()) return;
        const double w = lxImg1->ImageWidth, h = lxImg1->ImageHeight;
        lxImg1->ZoomValue = std::min(client.width() / w, client.height() / h);
        if (lxImg1->HasSelection) lxImg1->BuildSelectionOutline();
        lxImg1->ApplyZoom();
        lxImg1->PaintImage();
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    N1->setChecked(true);
    zoomItem_ = N1;
}

void TForm4::SetZoom(double Zoom, QAction* Item) {
    lxImg1->ZoomValue = Zoom;
    lxImg1->ApplyZoom();
    lxImg1->PaintImage();
    if (Item != nullptr) Item->setChecked(true);
    zoomItem_ = Item;
    if (lxImg1->HasSelection) lxImg1->BuildSelectionOutline();
}

void TForm4::CustomZoom() {
    TForm2 input(this);
    TForm2::Settings s;
    s.ZoomInput = true;
    const auto answer = RunDialog(services_, input, s);
    const std::optional<double> zoom = answer ? TForm2::ZoomFromText(answer->ZoomText) : std::nullopt;
    if (zoom)
        SetZoom(*zoom, N9);
    else if (zoomItem_ != nullptr)
        // Nothing changes: the item that showed the zoom is checked again.
        zoomItem_->setChecked(true);
}
