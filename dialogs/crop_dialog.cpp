#include "crop_dialog.h"

#include "dialog_services.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "lxStatusBar.h"
#include "rotate_dialog.h"
#include "velmo_assets.h"
#include "zoom_steps.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kHandleReach = 2;
constexpr uint32_t kPolygonGuardMs = 2000;

// The picture of tool button N (0-based): the six tools, zoom, revert,
// finish and cancel, as the program's pictures draw them.
QIcon toolIcon(int N, qreal Ratio) {
    static const char* const kNames[] = {"SelRect", "SelRoundRect", "SelEllipse", "SelLasso",
                                         "SelPolygon", "SelWand", "ViewZoom", "Revert",
                                         "Finish", "Cancel"};
    return QIcon(QPixmap::fromImage(velmo::ToolIcon(QString::fromLatin1(kNames[N]), Ratio)));
}

uint32_t steadyMilliseconds() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The shape between two view points, white solid and then black dotted, so
// that it shows over light and dark pictures alike.
void drawTwice(QPainter& Painter, const std::function<void(QPainter&)>& Draw) {
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setBrush(Qt::NoBrush);
    Painter.setPen(QPen(Qt::white, 0, Qt::SolidLine));
    Draw(Painter);
    Painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    Draw(Painter);
    Painter.restore();
}

QRect boxOf(QPoint A, QPoint B) {
    return QRect(QPoint(std::min(A.x(), B.x()), std::min(A.y(), B.y())),
                 QPoint(std::max(A.x(), B.x()), std::max(A.y(), B.y())));
}

} // namespace

TForm3::TForm3(TDialogServices& Services, QWidget* parent) : QDialog(parent), services_(Services) {
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    TickCount = steadyMilliseconds;

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto newRadio = [this](const char* Name, int k) {
        auto* r = new QRadioButton(LangText(k), Panel1);
        r->setObjectName(QString::fromLatin1(Name));
        return r;
    };
    RadioButton1 = newRadio("RadioButton1", 88);
    RadioButton2 = newRadio("RadioButton2", 89);
    RadioButton3 = newRadio("RadioButton3", 90);
    RadioButton4 = newRadio("RadioButton4", 91);
    RadioButton1->setChecked(true);
    auto newSpin = [this](const char* Name, int Max, int Value) {
        auto* s = new QSpinBox(Panel1);
        s->setObjectName(QString::fromLatin1(Name));
        s->setRange(0, Max);
        s->setValue(Value);
        return s;
    };
    SpinEdit1 = newSpin("SpinEdit1", 255, 20);
    SpinEdit2 = newSpin("SpinEdit2", 10000, 50);
    SpinEdit3 = newSpin("SpinEdit3", 10000, 50);
    auto newLabel = [this](const char* Name, int k, QWidget* Buddy) {
        auto* l = new QLabel(LangText(k), Panel1);
        l->setObjectName(QString::fromLatin1(Name));
        l->setBuddy(Buddy);
        return l;
    };
    Label1 = newLabel("Label1", 92, SpinEdit1);
    Label2 = newLabel("Label2", 93, SpinEdit2);
    Label3 = newLabel("Label3", 94, SpinEdit3);
    Button1 = new QPushButton(LangText(95), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(LangText(96), Panel1);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);

    // The clear and crop buttons follow whichever parameters are shown.
    // The combining buttons in one row, the tool parameters with the two
    // commands in the next, so that narrow screens keep every caption whole.
    auto* rows = new QVBoxLayout(Panel1);
    auto* modes = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(RadioButton1), static_cast<QWidget*>(RadioButton2),
                       static_cast<QWidget*>(RadioButton3), static_cast<QWidget*>(RadioButton4)})
        modes->addWidget(w);
    modes->addStretch(1);
    rows->addLayout(modes);
    auto* top = new QHBoxLayout;
    rows->addLayout(top);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(SpinEdit1),
                       static_cast<QWidget*>(Label2), static_cast<QWidget*>(SpinEdit2),
                       static_cast<QWidget*>(Label3), static_cast<QWidget*>(SpinEdit3)})
        top->addWidget(w);
    top->addSpacing(12);
    top->addWidget(Button1);
    top->addWidget(Button2);
    top->addStretch(1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* tools = new QVBoxLayout(Panel2);
    for (int i = 0; i < 10; ++i) {
        auto* b = new QToolButton(Panel2);
        b->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
        b->setAutoRaise(true);
        b->setIconSize(QSize(24, 24));
        SpeedButtons[i] = b;
        b->setIcon(toolIcon(i, devicePixelRatioF()));
        if (i < 6) {
            b->setCheckable(true);
            b->setAutoExclusive(true);
            b->setToolTip(LangText(101 + i));
            b->setStatusTip(LangText(101 + i));
            connect(b, &QToolButton::clicked, this, [this, i] { ChooseTool(i + 1); });
        }
        tools->addWidget(b);
        if (i == 5) tools->addSpacing(12);
    }
    tools->addStretch(1);
    SpeedButtons[7]->setToolTip(LangText(107));
    SpeedButtons[7]->setStatusTip(LangText(107));
    SpeedButtons[8]->setToolTip(LangText(55));
    SpeedButtons[8]->setStatusTip(LangText(55));
    SpeedButtons[9]->setToolTip(LangText(54));
    SpeedButtons[9]->setStatusTip(LangText(54));
    connect(SpeedButtons[6], &QToolButton::clicked, this, &TForm3::SpeedButton7Click);
    connect(SpeedButtons[7], &QToolButton::clicked, this, &TForm3::SpeedButton8Click);
    connect(SpeedButtons[8], &QToolButton::clicked, this, &TForm3::SpeedButton9Click);
    connect(SpeedButtons[9], &QToolButton::clicked, this, &TForm3::SpeedButton10Click);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    lxImg1 = new TlxImageVcl;
    lxImg1->setObjectName(QStringLiteral("lxImg1"));
    lxImg1->setMouseTracking(true);
    ScrollBox1->setWidget(lxImg1);
    lxImg1->installEventFilter(this);
    lxImg1->OnPaintOverlay = [this](QPainter& p) { PaintOverlay(p); };

    StatusBar1 = new TlxStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->addWidget(Panel2);
    middle->addWidget(ScrollBox1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addLayout(middle, 1);
    layout->addWidget(StatusBar1);

    // Zoom menu, under the zoom button.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    ZoomGroup = new QActionGroup(this);
    ZoomGroup->setExclusive(true);
    auto newZoomItem = [this](const char* Name, const QString& Text) {
        auto* a = PopupMenu1->addAction(Text);
        a->setObjectName(QString::fromLatin1(Name));
        a->setCheckable(true);
        ZoomGroup->addAction(a);
        return a;
    };
    N1 = newZoomItem("N1", LangText(22));
    connect(N1, &QAction::triggered, this, &TForm3::N1Click);
    for (const TFixedZoom& z : FixedZooms) {
        QAction* a = newZoomItem(z.Name, QString::fromLatin1(z.Caption));
        const double zoom = z.Zoom;
        connect(a, &QAction::triggered, this, [this, zoom, a] { FixedZoom(zoom, a); });
        FixedZoomItems.push_back(a);
    }
    FixedZoomItems[5]->setChecked(true);
    N9 = newZoomItem("N9", LangText(23));
    connect(N9, &QAction::triggered, this, &TForm3::N9Click);

    // Selection menu, on a right click.
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    auto newItem = [this](const char* Name, int k) {
        auto* a = PopupMenu2->addAction(LangText(k));
        a->setObjectName(QString::fromLatin1(Name));
        return a;
    };
    N7 = newItem("N7", 97);
    N3 = newItem("N3", 98);
    PopupMenu2->addSeparator();
    N5 = newItem("N5", 99);
    N6 = newItem("N6", 100);
    connect(N7, &QAction::triggered, this, &TForm3::N7Click);
    connect(N3, &QAction::triggered, this, &TForm3::N3Click);
    connect(N5, &QAction::triggered, this, &TForm3::Button1Click);
    connect(N6, &QAction::triggered, this, &TForm3::Button2Click);
    connect(PopupMenu2, &QMenu::aboutToShow, this, &TForm3::PopupMenu2Popup);

    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TForm3::N1Click);
    SelTimer = new QTimer(this);
    SelTimer->setObjectName(QStringLiteral("SelTimer"));
    SelTimer->setInterval(200);
    connect(SelTimer, &QTimer::timeout, this, &TForm3::SelTimerTimer);

    // The Delete key reaches the window before any of its controls, also
    // while a number box has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    ChooseTool(NoTool);
    Preset(Settings{});
}

TForm3::~TForm3() = default;

void TForm3::Preset(const Settings& S) {
    if (!S.Caption.isEmpty()) setWindowTitle(S.Caption);
    if (!S.ZoomHint.isEmpty()) {
        SpeedButtons[6]->setToolTip(S.ZoomHint);
        SpeedButtons[6]->setStatusTip(S.ZoomHint);
    }
    const QList<QAction*> zoomItems = ZoomGroup->actions();
    for (qsizetype i = 0; i < std::min(zoomItems.size(), S.ZoomCaptions.size()); ++i)
        if (!S.ZoomCaptions[i].isEmpty()) zoomItems[i]->setText(S.ZoomCaptions[i]);

    SourcePicture = S.SourcePicture.isNull() ? QImage()
                                             : S.SourcePicture.convertToFormat(QImage::Format_ARGB32);
    if (SourcePicture.isNull()) {
        // Without a picture a blank one stands in, so that the dialog works.
        SourcePicture = QImage(1, 1, QImage::Format_ARGB32);
        SourcePicture.fill(Qt::transparent);
    }
    SelTimer->stop();
    lxImg1->ClearSelection();
    if (!lxImg1->NewImageFromBitmap(SourcePicture))
        lxImg1->NewImage(true, lxRGB(255, 255, 255), 24, 1, 1);
    lxImg1->ReDraw();
    lxImg1->ApplyZoom();
    ShowHandles = false;
    HandleCount = 0;
    SelDragging = MovingSelection = ResizingSelection = DrawingPolygon_ = false;
    Vertices_.clear();
    ContentChanged = false;
    lxImg1->PaintImage();
}

TForm3::Settings TForm3::Read() const {
    Settings s;
    s.SourcePicture = SourcePicture;
    s.Caption = windowTitle();
    s.ContentChanged = ContentChanged;
    QImage picture;
    if (lxImg1->GetLayerBitmap32(lxImg1->CurrLayerID, picture)) s.Picture = picture;
    return s;
}

std::vector<QPoint> TForm3::HandlePoints() const {
    if (!ShowHandles || !lxImg1->HasSelection || HandleCount == 0) return {};
    const QRect b = ViewBox();
    const int l = b.left(), t = b.top(), r = b.right(), btm = b.bottom();
    // Centres rounded towards minus infinity.
    const int cx = int(std::floor((double(l) + r) / 2)), cy = int(std::floor((double(t) + btm) / 2));
    return {{l, t}, {cx, t}, {r, t}, {r, cy}, {r, btm}, {cx, btm}, {l, btm}, {l, cy}};
}

QPoint TForm3::LayerOrigin() const {
    const int id = std::clamp(lxImg1->CurrLayerID, 0, TlxImage::MaxLayers - 1);
    return {lxImg1->Layers[size_t(id)].Left, lxImg1->Layers[size_t(id)].Top};
}

QRect TForm3::ViewBox() const {
    const auto v = [this](int Value) { return lxImg1->ImageToScreen(Value); };
    // QRect's right and bottom are the box's own coordinates here.
    return QRect(QPoint(v(BoxL_ + lxImg1->SelLeft), v(BoxT_ + lxImg1->SelTop)),
                 QPoint(v(BoxR_ + lxImg1->SelLeft), v(BoxB_ + lxImg1->SelTop)));
}

void TForm3::BoxFromShape() {
    const TlxPoint& a = lxImg1->ShapePoints[0];
    const TlxPoint& b = lxImg1->ShapePoints[1];
    BoxL_ = std::min(a.X, b.X);
    BoxT_ = std::min(a.Y, b.Y);
    BoxR_ = std::max(a.X, b.X);
    BoxB_ = std::max(a.Y, b.Y);
    HandleCount = 8;
    ShowHandles = true;
}

void TForm3::BoxFromBounds() {
    TlxPoint maxPoint, minPoint;
    lxImg1->GetSelectionBounds(lxImg1->CurrLayerID, maxPoint, minPoint);
    BoxL_ = minPoint.X;
    BoxT_ = minPoint.Y;
    BoxR_ = maxPoint.X;
    BoxB_ = maxPoint.Y;
    HandleCount = 8;
    ShowHandles = true;
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    N1Click();
    Timer1->start();
}

bool TForm3::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        StatusBar1->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TForm3::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        FormKeyDown(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm3::FormKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && lxImg1->HasSelection) Button1Click();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched != this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            FormKeyDown(key);
            return true;
        }
    }
    if (watched == lxImg1) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            lxImg1MouseMove(e->position().toPoint(), e->modifiers());
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* e = static_cast<QMouseEvent*>(event);
            lxImg1MouseDown(e->button(), e->position().toPoint(), e->modifiers());
            return true;
        }
        case QEvent::MouseButtonRelease: {
            const auto* e = static_cast<QMouseEvent*>(event);
            lxImg1MouseUp(e->button(), e->position().toPoint(), e->modifiers());
            return true;
        }
        case QEvent::MouseButtonDblClick:
            lxImg1DblClick();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::ChooseTool(int Tool) {
    ToolTag_ = Tool;
    Panel2->setProperty("Tag", Tool);
    const bool wand = Tool == WandTool, rounded = Tool == RoundRectTool;
    Label1->setVisible(wand);
    SpinEdit1->setVisible(wand);
    Label2->setVisible(rounded);
    SpinEdit2->setVisible(rounded);
    Label3->setVisible(rounded);
    SpinEdit3->setVisible(rounded);
    if (Tool == NoTool)
        lxImg1->setCursor(Qt::ArrowCursor);
    else if (wand)
        lxImg1->setCursor(velmo::ProgramCursor(101));
    else
        lxImg1->setCursor(Qt::CrossCursor);
}

void TForm3::SpeedButton7Click() {
    PopupMenu1->popup(SpeedButtons[6]->mapToGlobal(QPoint(0, SpeedButtons[6]->height())));
}

void TForm3::SpeedButton8Click() {
    SelTimer->stop();
    lxImg1->ClearSelection();
    ShowHandles = false;
    HandleCount = 0;
    if (!lxImg1->NewImageFromBitmap(SourcePicture)) return;
    lxImg1->ReDraw();
    lxImg1->ApplyZoom();
    lxImg1->PaintImage();
    ContentChanged = false;
}

void TForm3::SpeedButton9Click() {
    accept();
}

void TForm3::SpeedButton10Click() {
    ContentChanged = false;
    reject();
}

void TForm3::AfterSelectionChange() {
    if (lxImg1->HasSelection) lxImg1->BuildSelectionOutline();
    lxImg1->PaintImage();
    if (lxImg1->HasSelection) {
        lxImg1->DrawSelectionOutline();
        SelTimer->start();
    } else {
        ShowHandles = false;
        HandleCount = 0;
    }
}

void TForm3::N1Click() {
    if (lxImg1->ImageWidth <= 0 || lxImg1->ImageHeight <= 0) return;
    for (int pass = 0; pass < 2; ++pass) {
        if (layout() != nullptr) layout()->activate();
        const QSize client = ScrollBox1->viewport()->size();
        if (client.isEmpty()) return;
        const double w = lxImg1->ImageWidth, h = lxImg1->ImageHeight;
        lxImg1->ZoomValue =
            w / client.width() >= h / client.height() ? client.width() / w : client.height() / h;
        lxImg1->ApplyZoom();
    }
    N1->setChecked(true);
    AfterSelectionChange();
}

void TForm3::FixedZoom(double Zoom, QAction* Item) {
    lxImg1->ZoomValue = Zoom;
    lxImg1->ApplyZoom();
    Item->setChecked(true);
    AfterSelectionChange();
}

void TForm3::N9Click() {
    TForm2 input(this);
    TForm2::Settings preset;
    preset.ZoomInput = true;
    preset.ZoomText = QString::number(lxImg1->ZoomValue * 100);
    const auto result = RunDialog(services_, input, preset);
    if (!result) return;
    const auto zoom = TForm2::ZoomFromText(result->ZoomText);
    if (!zoom) return;
    FixedZoom(*zoom, N9);
}

void TForm3::SelTimerTimer() {
    if (lxImg1->HasSelection)
        lxImg1->DrawSelectionOutline();
    else
        SelTimer->stop();
}

QPoint TForm3::Snap(QPoint P) const {
    return {lxImg1->ImageToScreen(lxImg1->ScreenToImage(P.x())),
            lxImg1->ImageToScreen(lxImg1->ScreenToImage(P.y()))};
}

int TForm3::HandleAt(QPoint P) const {
    const std::vector<QPoint> handles = HandlePoints();
    for (int i = 0; i < int(handles.size()); ++i)
        if (std::abs(P.x() - handles[size_t(i)].x()) <= kHandleReach &&
            std::abs(P.y() - handles[size_t(i)].y()) <= kHandleReach)
            return i;
    return -1;
}

bool TForm3::MovableAt(QPoint P, Qt::KeyboardModifiers Modifiers) const {
    const QImage& sel = lxImg1->SelBitmap;
    if (!lxImg1->HasSelection || sel.isNull() || sel.format() != QImage::Format_Grayscale8) return false;
    if ((Modifiers & Qt::AltModifier) || RadioButton3->isChecked()) return false;
    const int x = lxImg1->ScreenToImage(P.x()) - lxImg1->SelLeft;
    const int y = lxImg1->ScreenToImage(P.y()) - lxImg1->SelTop;
    if (x < 0 || y < 0 || x >= sel.width() || y >= sel.height()) return false;
    return sel.constScanLine(y)[x] != 0;
}

void TForm3::UpdateCursor(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (ToolTag_ == NoTool) {
        lxImg1->setCursor(Qt::ArrowCursor);
        return;
    }
    if (!SelDragging || ResizingSelection || MovingSelection) {
        const int h = ResizingSelection ? DraggedHandle : HandleAt(P);
        if (h >= 0) {
            static constexpr Qt::CursorShape sizing[] = {Qt::SizeFDiagCursor, Qt::SizeVerCursor,
                                                          Qt::SizeBDiagCursor, Qt::SizeHorCursor};
            lxImg1->setCursor(sizing[h % 4]);
            return;
        }
        if (MovingSelection || (!SelDragging && MovableAt(P, Modifiers))) {
            lxImg1->setCursor(Qt::SizeAllCursor);
            return;
        }
    }
    if (ToolTag_ == WandTool)
        lxImg1->setCursor(velmo::ProgramCursor(101));
    else
        lxImg1->setCursor(Qt::CrossCursor);
}

void TForm3::lxImg1MouseDown(Qt::MouseButton Button, QPoint P, Qt::KeyboardModifiers Modifiers) {
    MovingSelection = false;
    ResizingSelection = false;
    if (Button != Qt::LeftButton || ToolTag_ == NoTool) return;
    if (lxImg1->HasSelection && !DrawingPolygon_) {
        const int h = HandleAt(P);
        if (h >= 0) {
            ReSizeSelStart(P, h);
            return;
        }
        if (MovableAt(P, Modifiers)) {
            MoveSelStart(P);
            return;
        }
    }
    switch (ToolTag_) {
    case RectTool:
    case RoundRectTool:
    case EllipseTool: ShapeSelStart(P); break;
    case LassoTool: AnySelStart(P, Modifiers); break;
    case PolygonTool: Any2SelStart(P, Modifiers); break;
    case WandTool: PointSel(P, Modifiers); break;
    default: break;
    }
}

void TForm3::lxImg1MouseMove(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (ToolTag_ == NoTool) {
        lxImg1->setCursor(Qt::ArrowCursor);
        return;
    }
    UpdateCursor(P, Modifiers);
    if (ResizingSelection) {
        ReSizeSelMove(P, Modifiers);
        return;
    }
    if (MovingSelection) {
        MoveSelMove(P);
        return;
    }
    switch (ToolTag_) {
    case RectTool:
    case RoundRectTool:
    case EllipseTool: ShapeSelMove(P, Modifiers); break;
    case LassoTool: AnySelMove(P); break;
    case PolygonTool: Any2SelMove(P, Modifiers); break;
    default: break;
    }
}

void TForm3::lxImg1MouseUp(Qt::MouseButton Button, QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (Button == Qt::RightButton) {
        lxImg1DblClick();
        PopupMenu2->popup(lxImg1->mapToGlobal(P));
        return;
    }
    if (Button != Qt::LeftButton || ToolTag_ == NoTool) return;
    if (ResizingSelection) {
        ReSizeSelEnd(P, Modifiers);
        return;
    }
    if (MovingSelection) {
        MoveSelEnd();
        return;
    }
    switch (ToolTag_) {
    case RectTool:
    case RoundRectTool:
    case EllipseTool: ShapeSelEnd(P, Modifiers); break;
    case LassoTool: AnySelEnd(P, Modifiers); break;
    case PolygonTool: Any2SelEnd(P, Modifiers); break;
    default: break;
    }
}

void TForm3::lxImg1DblClick() {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    const Qt::KeyboardModifiers modifiers = (held & Qt::AltModifier)      ? Qt::AltModifier
                                            : (held & Qt::ControlModifier) ? Qt::ControlModifier
                                                                           : Qt::ShiftModifier;
    lxImg1MouseUp(Qt::LeftButton, {SelStartX, SelStartY}, modifiers);
}

bool TForm3::Combine(Qt::KeyboardModifiers Modifiers, int X, int Y, uint8_t Tolerance, bool Smooth) {
    TlxImageVcl& img = *lxImg1;
    const int layer = img.CurrLayerID;
    bool ok;
    if ((Modifiers & Qt::AltModifier) || RadioButton3->isChecked())
        ok = img.SubtractFromSelection(layer, X, Y, Tolerance, Smooth);
    else if ((Modifiers & Qt::ControlModifier) || RadioButton2->isChecked())
        ok = img.AddToSelection(layer, X, Y, Tolerance, Smooth);
    else if (RadioButton4->isChecked())
        ok = img.IntersectSelection(layer, X, Y, Tolerance, Smooth);
    else
        ok = img.MakeSelection(layer, X, Y, Tolerance, Smooth);
    img.HasSelection = ok;
    return ok;
}

void TForm3::ShapeSelStart(QPoint P) {
    ShowHandles = false;
    SelDragging = true;
    SelStartX = P.x();
    SelStartY = P.y();
    DragEnd_ = P;
}

void TForm3::ShapeSelMove(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!SelDragging) return;
    DragEnd_ = P;
    if (Modifiers & Qt::ShiftModifier) DragEnd_.setY(SelStartY + (P.x() - SelStartX));
    lxImg1->PaintImage();
}

void TForm3::ShapeSelEnd(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!SelDragging) return;
    SelDragging = false;
    QPoint end = P;
    if (Modifiers & Qt::ShiftModifier) end.setY(SelStartY + (P.x() - SelStartX));
    TlxImageVcl& img = *lxImg1;
    const QPoint origin = LayerOrigin();
    img.ShapePoints[0] = {img.ScreenToImage(SelStartX) - origin.x(),
                          img.ScreenToImage(SelStartY) - origin.y()};
    img.ShapePoints[1] = {img.ScreenToImage(end.x()) + 1 - origin.x(),
                          img.ScreenToImage(end.y()) + 1 - origin.y()};
    if (ToolTag_ == RoundRectTool) {
        img.CornerWidth = SpinEdit2->value();
        img.CornerHeight = SpinEdit3->value();
    } else {
        img.CornerWidth = img.CornerHeight = 0;
    }
    img.SelKind = ToolTag_ == EllipseTool ? 2 : 1;
    if (!Combine(Modifiers, 0, 0, 0, ToolTag_ != RectTool)) {
        AfterSelectionChange();
        return;
    }
    if (img.SelKind == 1 || img.SelKind == 2)
        BoxFromShape();
    else
        BoxFromBounds();
    AfterSelectionChange();
}

void TForm3::AnySelStart(QPoint P, Qt::KeyboardModifiers Modifiers) {
    SelDragging = true;
    ShowHandles = false;
    lxImg1->HasSelection = (Modifiers & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    const QPoint first = Snap(P);
    SelStartX = first.x();
    SelStartY = first.y();
    Vertices_ = {first};
    lxImg1->SelKind = 3;
    lxImg1->PaintImage();
}

void TForm3::AnySelMove(QPoint P) {
    if (!SelDragging) return;
    if (Vertices_.size() < size_t(lxImg1->ShapePoints.size() - 1)) Vertices_.push_back(Snap(P));
    lxImg1->PaintImage();
}

void TForm3::AnySelEnd(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!SelDragging) return;
    SelDragging = false;
    const QPoint last = Snap(P);
    TlxImageVcl& img = *lxImg1;
    if (last == QPoint(SelStartX, SelStartY)) {
        // A click without movement drops the selection.
        img.HasSelection = false;
        Vertices_.clear();
        SelTimer->stop();
        ShowHandles = false;
        HandleCount = 0;
        img.PaintImage();
        return;
    }
    if (Vertices_.size() < img.ShapePoints.size()) Vertices_.push_back(last);
    const QPoint origin = LayerOrigin();
    for (size_t i = 0; i < Vertices_.size(); ++i)
        img.ShapePoints[i] = {img.ScreenToImage(Vertices_[i].x()) - origin.x(),
                              img.ScreenToImage(Vertices_[i].y()) - origin.y()};
    img.ShapePointCount = int(Vertices_.size());
    Vertices_.clear();
    img.SelKind = 3;
    const bool ok = Combine(Modifiers, 0, 0, 0, true);
    img.SelKind = 4;
    if (ok) BoxFromBounds();
    AfterSelectionChange();
}

void TForm3::Any2SelStart(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (DrawingPolygon_) return;
    if (PolygonClosed_ && uint32_t(TickCount() - LastPolygonTime) < kPolygonGuardMs) return;
    SelDragging = true;
    DrawingPolygon_ = true;
    ShowHandles = false;
    lxImg1->HasSelection = (Modifiers & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    QPoint first = P;
    if (lxImg1->ZoomValue != 1) {
        first.setX(std::clamp(first.x(), 0, std::max(0, lxImg1->width() - 1)));
        first.setY(std::clamp(first.y(), 0, std::max(0, lxImg1->height() - 1)));
    }
    first = Snap(first);
    SelStartX = first.x();
    SelStartY = first.y();
    Vertices_ = {first};
    Rubber_ = first;
    lxImg1->SelKind = 3;
    lxImg1->PaintImage();
}

QPoint TForm3::PolygonConstraint(QPoint P, QPoint Last) const {
    const double dx = double(P.x()) - Last.x(), dy = double(P.y()) - Last.y();
    const double distance = std::hypot(dx, dy);
    if (distance == 0) return P;
    const double s = std::fabs(dy) / distance;
    if (s <= 0.33) return {P.x(), Last.y()};
    if (s > 0.66) return {Last.x(), P.y()};
    const int run = int(std::fabs(dy));
    return {dx < 0 ? Last.x() - run : Last.x() + run, P.y()};
}

void TForm3::Any2SelMove(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!DrawingPolygon_) return;
    Rubber_ = Snap(P);
    if ((Modifiers & Qt::ShiftModifier) && !Vertices_.empty())
        Rubber_ = PolygonConstraint(Rubber_, Vertices_.back());
    lxImg1->PaintImage();
}

void TForm3::Any2SelEnd(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!DrawingPolygon_ || Vertices_.empty()) return;
    const QPoint first(SelStartX, SelStartY);
    QPoint v = Snap(P);
    if ((Modifiers & Qt::ShiftModifier) && v.x() != first.x() && v.y() != first.y())
        v = PolygonConstraint(v, Vertices_.back());
    if (v == first && Vertices_.size() == 1) return;
    TlxImageVcl& img = *lxImg1;
    if (Vertices_.size() < img.ShapePoints.size()) Vertices_.push_back(v);
    Rubber_ = v;
    if (v != first) {
        img.PaintImage();
        return;
    }
    // Back on the first vertex: the polygon closes.
    Vertices_.pop_back();
    const QPoint origin = LayerOrigin();
    for (size_t i = 0; i < Vertices_.size(); ++i)
        img.ShapePoints[i] = {img.ScreenToImage(Vertices_[i].x()) - origin.x(),
                              img.ScreenToImage(Vertices_[i].y()) - origin.y()};
    img.ShapePointCount = int(Vertices_.size());
    Vertices_.clear();
    SelDragging = false;
    DrawingPolygon_ = false;
    img.SelKind = 3;
    const bool ok = Combine(Modifiers, 0, 0, 0, true);
    img.SelKind = 4;
    LastPolygonTime = TickCount();
    PolygonClosed_ = true;
    if (ok) BoxFromBounds();
    AfterSelectionChange();
}

void TForm3::PointSel(QPoint P, Qt::KeyboardModifiers Modifiers) {
    TlxImageVcl& img = *lxImg1;
    const QPoint origin = LayerOrigin();
    const int x = img.ScreenToImage(P.x()) - origin.x();
    const int y = img.ScreenToImage(P.y()) - origin.y();
    const int id = std::clamp(img.CurrLayerID, 0, TlxImage::MaxLayers - 1);
    const QImage& bitmap = img.Layers[size_t(id)].Bitmap;
    // A click off the picture has no colour to start from.
    if (x < 0 || y < 0 || x >= bitmap.width() || y >= bitmap.height()) return;
    img.SelKind = 4;
    if (Combine(Modifiers, x, y, uint8_t(SpinEdit1->value()), false)) {
        img.SelKind = 4;
        BoxFromBounds();
    }
    AfterSelectionChange();
}

void TForm3::MoveSelStart(QPoint P) {
    SelDragging = true;
    MovingSelection = true;
    SelStartX = P.x();
    SelStartY = P.y();
    MoveOriginX = lxImg1->SelLeft;
    MoveOriginY = lxImg1->SelTop;
}

void TForm3::MoveSelMove(QPoint P) {
    if (!SelDragging) return;
    TlxImageVcl& img = *lxImg1;
    img.SelLeft = img.ScreenToImage(P.x()) + MoveOriginX - img.ScreenToImage(SelStartX);
    img.SelTop = img.ScreenToImage(P.y()) + MoveOriginY - img.ScreenToImage(SelStartY);
    img.PaintImage();
    img.DrawSelectionOutline();
}

void TForm3::MoveSelEnd() {
    SelDragging = false;
    MovingSelection = false;
    AfterSelectionChange();
}

void TForm3::ReSizeSelStart(QPoint P, int Handle) {
    SelDragging = true;
    ResizingSelection = true;
    DraggedHandle = Handle;
    SelStartX = P.x();
    SelStartY = P.y();
    const QRect b = ViewBox();
    ResizeL_ = b.left();
    ResizeT_ = b.top();
    ResizeR_ = b.right();
    ResizeB_ = b.bottom();
    DragEnd_ = P;
}

QRect TForm3::ResizedBox(QPoint P, Qt::KeyboardModifiers Modifiers) const {
    const int dx = P.x() - SelStartX, dy = P.y() - SelStartY;
    int l = ResizeL_, t = ResizeT_, r = ResizeR_, b = ResizeB_;
    switch (DraggedHandle) {
    case 0: l += dx; t += dy; break;
    case 1: t += dy; break;
    case 2: r += dx; t += dy; break;
    case 3: r += dx; break;
    case 4: r += dx; b += dy; break;
    case 5: b += dy; break;
    case 6: l += dx; b += dy; break;
    case 7: l += dx; break;
    default: break;
    }
    const int oldWidth = ResizeR_ - ResizeL_, oldHeight = ResizeB_ - ResizeT_;
    if ((Modifiers & Qt::ShiftModifier) && oldWidth != 0) {
        const double ratio = double(oldHeight) / oldWidth;
        const double newWidth = r - l;
        if (DraggedHandle == 0 || DraggedHandle == 2) t = int(std::lround(b - newWidth * ratio));
        if (DraggedHandle == 4 || DraggedHandle == 6) b = int(std::lround(t + newWidth * ratio));
    }
    return QRect(QPoint(l, t), QPoint(r, b));
}

void TForm3::ReSizeSelMove(QPoint P, Qt::KeyboardModifiers) {
    if (!ResizingSelection) return;
    DragEnd_ = P;
    lxImg1->PaintImage();
}

void TForm3::ReSizeSelEnd(QPoint P, Qt::KeyboardModifiers Modifiers) {
    if (!ResizingSelection) return;
    SelDragging = false;
    ResizingSelection = false;
    TlxImageVcl& img = *lxImg1;
    const QRect v = ResizedBox(P, Modifiers);
    const auto d = [&img](int Value) { return img.ScreenToImage(Value); };
    // The new box in document pixels, whichever way it was dragged.
    const int nl = std::min(d(v.left()), d(v.right())), nr = std::max(d(v.left()), d(v.right()));
    const int nt = std::min(d(v.top()), d(v.bottom())), nb = std::max(d(v.top()), d(v.bottom()));
    if (img.SelKind == 1 || img.SelKind == 2) {
        const QPoint origin = LayerOrigin();
        img.ShapePoints[0] = {nl - origin.x(), nt - origin.y()};
        img.ShapePoints[1] = {nr - origin.x(), nb - origin.y()};
        img.HasSelection = img.MakeSelection(img.CurrLayerID, 0, 0, 0, false);
        if (img.HasSelection) BoxFromShape();
    } else {
        const QImage& sel = img.SelBitmap;
        const int ow = BoxR_ - BoxL_ + 1, oh = BoxB_ - BoxT_ + 1;
        QImage part = sel.copy(BoxL_, BoxT_, ow, oh).convertToFormat(QImage::Format_Grayscale8);
        QImage stretched;
        QImage whole(img.ImageWidth, img.ImageHeight, QImage::Format_Grayscale8);
        if (part.isNull() || whole.isNull() ||
            !img.StretchMaskLinear(part, stretched, nr - nl + 1, nb - nt + 1)) {
            AfterSelectionChange();
            return;
        }
        whole.fill(0);
        for (int y = 0; y < stretched.height(); ++y) {
            const int ty = nt + y;
            if (ty < 0 || ty >= whole.height()) continue;
            const uchar* s = stretched.constScanLine(y);
            uchar* t = whole.scanLine(ty);
            for (int x = 0; x < stretched.width(); ++x) {
                const int tx = nl + x;
                if (tx >= 0 && tx < whole.width()) t[tx] = s[x];
            }
        }
        img.SelBitmap = whole;
        img.SelLeft = img.SelTop = 0;
        img.SelKind = 4;
        BoxFromBounds();
    }
    AfterSelectionChange();
}

void TForm3::ShowResult() {
    lxImg1->ReDraw();
    lxImg1->ApplyZoom();
    lxImg1->PaintImage();
}

void TForm3::Button1Click() {
    if (!lxImg1->HasSelection) {
        services_.ShowMessage(this, LangText(109), QMessageBox::Critical);
        return;
    }
    if (!lxImg1->EraseSelection(lxImg1->CurrLayerID)) return;
    ShowResult();
    ContentChanged = true;
}

void TForm3::Button2Click() {
    if (!lxImg1->HasSelection) {
        services_.ShowMessage(this, LangText(110), QMessageBox::Critical);
        return;
    }
    lxImg1->CropToSelection();
    ShowResult();
    ContentChanged = true;
    BoxFromBounds();
    AfterSelectionChange();
}

void TForm3::N3Click() {
    if (!lxImg1->HasSelection) return;
    if (!lxImg1->InvertSelection(lxImg1->CurrLayerID)) return;
    lxImg1->SelKind = 4;
    BoxFromBounds();
    AfterSelectionChange();
}

void TForm3::N7Click() {
    lxImg1->HasSelection = false;
    ShowHandles = false;
    HandleCount = 0;
    SelTimer->stop();
    lxImg1->PaintImage();
}

void TForm3::PopupMenu2Popup() {
    N3->setEnabled(lxImg1->HasSelection);
    N7->setEnabled(lxImg1->HasSelection);
}

void TForm3::PaintOverlay(QPainter& Painter) {
    if (SelDragging && !MovingSelection && !ResizingSelection) {
        if (ToolTag_ >= RectTool && ToolTag_ <= EllipseTool) {
            const QRect box = boxOf({SelStartX, SelStartY}, DragEnd_);
            const int tool = ToolTag_;
            const int cw = SpinEdit2->value(), ch = SpinEdit3->value();
            drawTwice(Painter, [&](QPainter& p) {
                if (tool == EllipseTool)
                    p.drawEllipse(box);
                else if (tool == RoundRectTool)
                    p.drawRoundedRect(box, cw / 2.0, ch / 2.0, Qt::AbsoluteSize);
                else
                    p.drawRect(box);
            });
        } else if (ToolTag_ == LassoTool || ToolTag_ == PolygonTool) {
            QPolygon line;
            for (const QPoint& v : Vertices_)
                line << v;
            if (ToolTag_ == PolygonTool) line << Rubber_;
            drawTwice(Painter, [&](QPainter& p) { p.drawPolyline(line); });
        }
    }
    if (ResizingSelection) {
        const QRect box = ResizedBox(DragEnd_, QGuiApplication::queryKeyboardModifiers()).normalized();
        const int kind = lxImg1->SelKind;
        const double cw = lxImg1->ImageToScreen(lxImg1->CornerWidth) / 2.0;
        const double ch = lxImg1->ImageToScreen(lxImg1->CornerHeight) / 2.0;
        drawTwice(Painter, [&](QPainter& p) {
            if (kind == 2)
                p.drawEllipse(box);
            else if (kind == 1)
                p.drawRoundedRect(box, cw, ch, Qt::AbsoluteSize);
            else
                p.drawRect(box);
        });
    }
    const std::vector<QPoint> handles = HandlePoints();
    if (!handles.empty()) {
        Painter.save();
        Painter.setRenderHint(QPainter::Antialiasing, false);
        Painter.setPen(QPen(Qt::black, 0));
        Painter.setBrush(Qt::white);
        for (const QPoint& h : handles)
            Painter.drawRect(h.x() - 2, h.y() - 2, 3, 3);
        Painter.restore();
    }
}
