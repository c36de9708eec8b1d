#include "gradient_editor.h"

#include "PBColor.h"
#include "dialog_services.h"
#include "lang_strings.h"
#include "lxGradient.h"
#include "program_strings.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Where the ends' markers stand: the start over bar pixel 0, the end over
// pixel 499 (shown as 100 %).
constexpr int kStartLeft = 0;
constexpr int kEndLeft = TForm17::BarWidth - 1;
// The closest two markers may stand after a move.
constexpr int kMarkerGap = 5;
// The list of existing gradients: width and item height.
constexpr int kListWidth = 353;
constexpr int kItemHeight = 16;

QColor toQColor(TColor Color) {
    return QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF));
}

TColor fromQColor(const QColor& Color) {
    return TColor(Color.red()) | TColor(Color.green()) << 8 | TColor(Color.blue()) << 16;
}

int stopCount(const TColorlistSrcd& Stops) {
    return int(std::min<qsizetype>(std::max(Stops.Count, 0), qsizetype(Stops.Stops.size())));
}

// A position p of the bar as the position box shows it: p / 5 in its
// shortest decimal form ("12.6" for 63).
QString percentText(int P) {
    return QLocale::c().toString(P / 5.0, 'g', QLocale::FloatingPointShortest);
}

// The stops drawn as the horizontal ramp over a picture of Size. The ramp
// is drawn into a picture of its own and then onto the widget, so that it
// never depends on how the widget's painter reaches the screen.
QImage rampPicture(const TColorlistSrcd& Stops, QSize Size) {
    QImage picture(Size, QImage::Format_RGB32);
    if (picture.isNull()) return picture;
    picture.fill(Qt::white);
    const int n = stopCount(Stops);
    if (n >= 2) {
        QPainter painter(&picture);
        FillGradientHorizontal(Stops.Stops.data(), n, painter, 0, 0, Size.width(), Size.height());
    }
    return picture;
}

// Draws item Index of the list of existing gradients into Rect: the two
// fixed entries as their captions, each definition as its ramp in a white
// frame, with a two-pixel inverted frame inside when it is selected.
void drawGradientItem(QPainter& Painter, const QRect& Rect, int Index, bool Selected,
                      const TGradientList& Gradients, const QPalette& Palette) {
    Painter.save();
    if (Index < 2) {
        // A selected caption stands on the highlight, so that its colour
        // can be told from the ground.
        Painter.fillRect(Rect, Selected ? Palette.color(QPalette::Highlight) : QColor(Qt::white));
        Painter.setPen(Selected ? Palette.color(QPalette::HighlightedText) : QColor(Qt::black));
        Painter.drawText(Rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                         LangText(Index == 0 ? 145 : 146));
    } else if (size_t(Index - 2) < Gradients.size()) {
        const TColorlistSrcd& definition = Gradients[size_t(Index - 2)];
        Painter.setPen(Qt::white);
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRect(Rect.adjusted(0, 0, -1, -1));
        const QRect ramp = Rect.adjusted(1, 1, -1, -1);
        if (!ramp.isEmpty()) Painter.drawImage(ramp.topLeft(), rampPicture(definition, ramp.size()));
        if (Selected && Rect.width() > 6 && Rect.height() > 6) {
            Painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            Painter.setPen(QPen(Qt::white, 1));
            Painter.drawRect(Rect.adjusted(1, 1, -2, -2));
            Painter.drawRect(Rect.adjusted(2, 2, -3, -3));
        }
    }
    Painter.restore();
}

class TGradientItemDelegate : public QStyledItemDelegate {
public:
    TGradientItemDelegate(const TGradientList& Gradients, QObject* parent)
        : QStyledItemDelegate(parent), Gradients(Gradients) {}

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override {
        drawGradientItem(*Painter, Option.rect, Index.row(),
                         Option.state.testFlag(QStyle::State_Selected), Gradients, Option.palette);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {kListWidth, kItemHeight};
    }

private:
    const TGradientList& Gradients;
};

// The list of existing gradients; its closed box shows the chosen item
// drawn as in the list.
class TGradientComboBox : public QComboBox {
public:
    TGradientComboBox(const TGradientList& Gradients, QWidget* parent)
        : QComboBox(parent), Gradients(Gradients) {
        setItemDelegate(new TGradientItemDelegate(Gradients, this));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText.clear();
        option.currentIcon = {};
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        if (currentIndex() >= 0)
            drawGradientItem(painter, field, currentIndex(), false, Gradients, palette());
    }

private:
    const TGradientList& Gradients;
};

} // namespace

TForm17::TForm17(TDialogServices& Services, QWidget* parent)
    : QDialog(parent), Services(Services) {
    setObjectName(QStringLiteral("Form17"));
    // The caption of the first list entry without its dots.
    QString title = LangText(145);
    title.chop(3);
    setWindowTitle(title);

    Label2 = new QLabel(LangText(144), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    opnCB5 = new TGradientComboBox(Current.Gradients, this);
    opnCB5->setObjectName(QStringLiteral("opnCB5"));
    // As wide as the items are drawn, or as the row leaves room for beside
    // a longer caption.
    opnCB5->setMinimumWidth(kListWidth / 2);
    opnCB5->setMaximumWidth(kListWidth);
    opnCB5->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Label2->setBuddy(opnCB5);

    // The bar and under it the strip of markers, placed to the pixel: a
    // marker's place is its stop's place on the bar.
    Track = new QWidget(this);
    Track->setObjectName(QStringLiteral("Track"));
    const int stripLeft = 8 - StripInset;
    PaintBox1 = new QWidget(Track);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(8, 0, BarWidth, 25);
    PaintBox1->setAttribute(Qt::WA_OpaquePaintEvent);
    Label1 = new QLabel(Track);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Wide enough for a marker standing at p = 500 too.
    Label1->setGeometry(stripLeft, 25, BarWidth + 2 * StripInset + 1, TPtImage::PictureHeight);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->setToolTip(ProgramText(PsGradientNewStopHint));
    Label1->setMouseTracking(true);
    Track->setFixedSize(519, 25 + TPtImage::PictureHeight);

    PtImage3 = new TPtImage(Label1);
    PtImage3->setObjectName(QStringLiteral("PtImage3"));
    PtImage3->move(kStartLeft, 0);
    PtImage2 = new TPtImage(Label1);
    PtImage2->setObjectName(QStringLiteral("PtImage2"));
    PtImage2->move(kEndLeft, 0);
    PtImage2->setSelColor(0xFFFFFF);
    connect(PtImage3, &TPtImage::Click, this, &TForm17::PtImage3Click);
    connect(PtImage2, &TPtImage::Click, this, &TForm17::PtImage2Click);
    connect(PtImage3, &TPtImage::DblClick, this, &TForm17::PBColor1Click);
    connect(PtImage2, &TPtImage::DblClick, this, &TForm17::PBColor1Click);

    Shape1 = new QWidget(Label1);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFixedSize(TPtImage::PictureWidth, TPtImage::PictureHeight);
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape1->hide();

    Label3 = new QLabel(LangText(148), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    Label4 = new QLabel(LangText(149), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    PBColor1 = new TPBColor(this);
    PBColor1->setObjectName(QStringLiteral("PBColor1"));
    PBColor1->setFixedSize(41, 20);
    PBColor1->setCursor(Qt::PointingHandCursor);
    Label5 = new QLabel(LangText(150), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(41);
    Label5->setBuddy(Edit1);
    Label6 = new QLabel(QStringLiteral("%"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Button1 = new QPushButton(LangText(151), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    BitBtn1 = new QPushButton(LangText(55), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(LangText(54), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(6);
    auto* listRow = new QHBoxLayout;
    listRow->setContentsMargins(8, 0, 11, 0);
    listRow->addWidget(Label2);
    listRow->addWidget(opnCB5);
    listRow->addStretch();
    layout->addLayout(listRow);
    layout->addWidget(Track);
    auto* below = new QVBoxLayout;
    below->setContentsMargins(8, 0, 11, 0);
    below->addWidget(Label3);
    auto* stopRow = new QHBoxLayout;
    stopRow->addWidget(Label4);
    stopRow->addWidget(PBColor1);
    stopRow->addSpacing(16);
    stopRow->addWidget(Label5);
    stopRow->addWidget(Edit1);
    stopRow->addWidget(Label6);
    stopRow->addStretch();
    below->addLayout(stopRow);
    layout->addLayout(below);
    layout->addStretch();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(8, 0, 11, 0);
    buttonRow->addWidget(Button1);
    buttonRow->addStretch();
    buttonRow->addWidget(BitBtn1);
    buttonRow->addWidget(BitBtn2);
    layout->addLayout(buttonRow);
    setFixedSize(519, 218);

    PaintBox1->installEventFilter(this);
    Label1->installEventFilter(this);
    Shape1->installEventFilter(this);
    PBColor1->installEventFilter(this);
    Edit1->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this, &TForm17::Edit1Change);
    connect(Button1, &QPushButton::clicked, this, &TForm17::Button1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm17::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(opnCB5, &QComboBox::activated, this, &TForm17::opnCB5Click);

    Preset(Settings{});
}

TForm17::~TForm17() {
    // The intermediate markers and the list go first: the list draws from
    // this dialog's settings, and no event of a control may reach this
    // dialog's handlers once its members are gone.
    for (QObject* watched : {static_cast<QObject*>(PaintBox1), static_cast<QObject*>(Label1),
                             static_cast<QObject*>(Shape1), static_cast<QObject*>(PBColor1),
                             static_cast<QObject*>(Edit1)})
        watched->removeEventFilter(this);
    disconnect(Edit1, nullptr, this, nullptr);
    FreeMarkers();
    delete opnCB5;
}

void TForm17::Preset(const Settings& S) {
    Current = S;
    Current.Tag = 0;
    FreeMarkers();
    PtImage3->setSelColor(0x000000);
    PtImage2->setSelColor(0xFFFFFF);
    // Two fixed entries, then one per definition.
    opnCB5->clear();
    for (size_t i = 0; i < Current.Gradients.size() + 2; ++i)
        opnCB5->addItem(QString());
    opnCB5->setCurrentIndex(0);
    PtImage2->setPtColor(0xFFFFFF);
    PtImage3Click();
    PaintBox1->update();
}

TForm17::Settings TForm17::Read() const {
    Settings s = Current;
    s.Stops = StopList();
    return s;
}

int TForm17::Position(const TPtImage& Marker) {
    return Marker.x();
}

TColorlistSrcd TForm17::StopList() const {
    TColorlistSrcd list;
    const auto stop = [](TColor Color, double Length) { return TColorlistItem{Color, 0, Length}; };
    if (Markers.empty()) {
        list.Stops = {stop(PtImage3->selColor(), 1.0), stop(PtImage2->selColor(), 1.0)};
    } else {
        list.Stops.push_back(stop(PtImage3->selColor(), Position(*Markers.front()) / 500.0));
        for (size_t k = 0; k < Markers.size(); ++k) {
            const int p = Position(*Markers[k]);
            const double length = k + 1 < Markers.size()
                                      ? (Position(*Markers[k + 1]) - p) / 500.0
                                      : 1.0 - p / 500.0;
            list.Stops.push_back(stop(Markers[k]->selColor(), length));
        }
        list.Stops.push_back(stop(PtImage2->selColor(), 0.0));
    }
    list.Count = int(list.Stops.size());
    return list;
}

bool TForm17::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PaintBox1 && event->type() == QEvent::Paint) {
        PaintBox1Paint();
        return true;
    }
    if (watched == Shape1 && event->type() == QEvent::Paint) {
        // A dotted outline in two colours, seen on any ground.
        QPainter painter(Shape1);
        const QRect r = Shape1->rect().adjusted(0, 0, -1, -1);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(r);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(r);
        return true;
    }
    if (watched == Label1) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (Label1->rect().contains(at)) Label1MouseUp(at.x() - StripInset);
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            Label1MouseMove();
            return false;
        }
    }
    if (watched == PBColor1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && PBColor1->rect().contains(mouse->position().toPoint()))
            PBColor1Click();
        return true;
    }
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return Edit1KeyPress(key->text(), key->key());
    }
    return QDialog::eventFilter(watched, event);
}

TPtImage* TForm17::AddMarker(int Left, TColor Color) {
    auto* marker = new TPtImage(Label1);
    marker->Tag = int(Markers.size());
    marker->setObjectName(QStringLiteral("Marker%1").arg(marker->Tag));
    marker->move(Left, 0);
    marker->setSelColor(Color);
    connect(marker, &TPtImage::Click, this, [this, marker] { PtImage1Click(marker); });
    connect(marker, &TPtImage::MouseDown, this, &TForm17::PtImage1MouseDown);
    connect(marker, &TPtImage::MouseMove, this,
            [this, marker](QPoint At) { PtImage1MouseMove(marker, At); });
    connect(marker, &TPtImage::MouseUp, this,
            [this, marker](QPoint At) { PtImage1MouseUp(marker, At); });
    connect(marker, &TPtImage::DblClick, this, &TForm17::PtImage1DblClick);
    Markers.push_back(marker);
    Shape1->raise();
    marker->show();
    return marker;
}

void TForm17::FreeMarkers() {
    if (std::find(Markers.begin(), Markers.end(), SelectedMarker) != Markers.end())
        SelectedMarker = nullptr;
    for (TPtImage* marker : Markers)
        delete marker;
    Markers.clear();
    MarkerDragging = false;
    Shape1->hide();
}

int TForm17::SlotOf(const TPtImage* Marker) const {
    const auto found = std::find(Markers.begin(), Markers.end(), Marker);
    return found == Markers.end() ? -1 : int(found - Markers.begin());
}

// The first intermediate marker stands at least 5 pixels right of the
// start, every other one at least 5 right of its left neighbour, and each
// at least 5 left of its right neighbour (the end's marker for the last
// one). Where both cannot hold, the last marker (of several) keeps to its
// left neighbour and every other one to its right neighbour.
int TForm17::LimitedLeft(int Slot, int Left) const {
    const int count = int(Markers.size());
    if (Slot < 0 || Slot >= count) return Left;
    const int lowest = Slot == 0 ? kStartLeft + kMarkerGap : Markers[size_t(Slot - 1)]->x() + kMarkerGap;
    const int highest =
        Slot == count - 1 ? kEndLeft - kMarkerGap : Markers[size_t(Slot + 1)]->x() - kMarkerGap;
    if (lowest > highest) return Slot == count - 1 && count > 1 ? lowest : highest;
    return std::clamp(Left, lowest, highest);
}

bool TForm17::EndSelected() const {
    return SelectedMarker == PtImage3 || SelectedMarker == PtImage2 || SelectedMarker == nullptr;
}

void TForm17::Select(TPtImage* Marker, const QString& PositionText) {
    if (SelectedMarker != nullptr && SelectedMarker != Marker) SelectedMarker->setPtColor(0xFFFFFF);
    Marker->setPtColor(0x000000);
    SelectedMarker = Marker;
    PBColor1->setSelColor(Marker->selColor());
    Edit1->setText(PositionText);
}

void TForm17::Label1MouseUp(int X) {
    if (X < 0 || X >= BarWidth || int(Markers.size()) >= MaxMarkers) return;
    AddMarker(X, 0x000000);
    // Slot k keeps its name and Tag; the places and colours move between
    // slots until they are in left-to-right order.
    for (size_t k = Markers.size() - 1; k > 0 && Markers[k - 1]->x() > Markers[k]->x(); --k) {
        TPtImage& left = *Markers[k - 1];
        TPtImage& right = *Markers[k];
        const int leftX = left.x();
        const TColor leftColor = left.selColor();
        left.move(right.x(), 0);
        left.setSelColor(right.selColor());
        right.move(leftX, 0);
        right.setSelColor(leftColor);
    }
    for (TPtImage* marker : Markers)
        if (marker->x() == X) {
            PtImage1Click(marker);
            break;
        }
    PaintBox1->update();
}

void TForm17::Label1MouseMove() {
    if (!MarkerDragging) Shape1->hide();
}

void TForm17::PtImage1Click(TPtImage* Marker) {
    Select(Marker, percentText(Position(*Marker)));
}

void TForm17::PtImage3Click() {
    Select(PtImage3, QStringLiteral("0"));
}

void TForm17::PtImage2Click() {
    Select(PtImage2, QStringLiteral("100"));
}

void TForm17::PtImage1MouseDown(QPoint At) {
    MarkerDragging = !MarkerDragging;
    MarkerDragX = At.x();
}

void TForm17::PtImage1MouseMove(TPtImage* Marker, QPoint At) {
    if (!MarkerDragging) return;
    Shape1->move(LimitedLeft(SlotOf(Marker), Marker->x() + At.x() - MarkerDragX), Marker->y());
    Shape1->show();
    Shape1->raise();
}

void TForm17::PtImage1MouseUp(TPtImage* Marker, QPoint At) {
    if (!MarkerDragging) return;
    Marker->move(LimitedLeft(SlotOf(Marker), Marker->x() + At.x() - MarkerDragX), Marker->y());
    Shape1->hide();
    MarkerDragging = false;
    PtImage1Click(Marker);
    PaintBox1->update();
}

void TForm17::PtImage1DblClick() {
    MarkerDragging = false;
    PBColor1Click();
}

void TForm17::PBColor1Click() {
    if (SelectedMarker == nullptr) return;
    const QColor chosen = Services.ChooseColour(this, toQColor(SelectedMarker->selColor()));
    if (!chosen.isValid()) return;
    const TColor color = fromQColor(chosen);
    PBColor1->setSelColor(color);
    SelectedMarker->setSelColor(color);
    PaintBox1->update();
}

void TForm17::PaintBox1Paint() {
    QPainter painter(PaintBox1);
    painter.drawImage(0, 0, rampPicture(StopList(), PaintBox1->size()));
}

// True when the key is refused: every character while an end is selected
// (its place is fixed), otherwise everything but digits, "." and
// backspace. Keys that type nothing (arrows, delete) pass.
bool TForm17::Edit1KeyPress(const QString& Text, int Key) {
    const bool backspace = Key == Qt::Key_Backspace;
    const bool typed = backspace || (!Text.isEmpty() && Text.front().isPrint());
    if (!typed) return false;
    if (EndSelected()) return true;
    if (backspace) return false;
    return !(Text.size() == 1 && (Text.front().isDigit() || Text.front() == QLatin1Char('.')));
}

void TForm17::Edit1Change() {
    const QString text = Edit1->text();
    if (text.isEmpty()) return;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return;
    const double x = value * 5;
    if (x > BarWidth) {
        // Runs this handler again with the new text.
        Edit1->setText(QStringLiteral("98"));
        return;
    }
    const int slot = SlotOf(SelectedMarker);
    if (slot < 0) return;
    const int left = int(std::nearbyint(std::max(x, -1.0e6)));
    SelectedMarker->move(LimitedLeft(slot, left), SelectedMarker->y());
    PaintBox1->update();
}

void TForm17::Button1Click() {
    const int slot = SlotOf(SelectedMarker);
    if (slot < 0) {
        Services.ShowMessage(this, LangText(147), QMessageBox::Critical);
        return;
    }
    SelectedMarker->setPtColor(0xFFFFFF);
    SelectedMarker = nullptr;
    // The stops right of it move one slot down with their places and
    // colours; the last slot goes.
    for (size_t k = size_t(slot); k + 1 < Markers.size(); ++k) {
        Markers[k]->move(Markers[k + 1]->x(), 0);
        Markers[k]->setSelColor(Markers[k + 1]->selColor());
    }
    delete Markers.back();
    Markers.pop_back();
    MarkerDragging = false;
    PtImage3Click();
    PaintBox1->update();
}

void TForm17::opnCB5Click(int Index) {
    FreeMarkers();
    TColor start = 0x000000;
    TColor end = 0xFFFFFF;
    if (Index == 1) std::swap(start, end);
    if (Index >= 2 && size_t(Index - 2) < Current.Gradients.size()) {
        const TColorlistSrcd& definition = Current.Gradients[size_t(Index - 2)];
        const int n = stopCount(definition);
        if (n >= 1) {
            start = definition.Stops.front().Color;
            end = definition.Stops[size_t(n - 1)].Color;
        }
        double p = 0;
        for (int k = 1; k < n - 1 && int(Markers.size()) < MaxMarkers; ++k) {
            const double length = definition.Stops[size_t(k - 1)].Length;
            if (std::isfinite(length)) p += std::nearbyint(BarWidth * std::clamp(length, -2.0, 2.0));
            p = std::clamp(p, 0.0, double(BarWidth));
            AddMarker(int(p), definition.Stops[size_t(k)].Color);
        }
    }
    PtImage3->setSelColor(start);
    PtImage2->setSelColor(end);
    PtImage3Click();
    PaintBox1->update();
}

void TForm17::BitBtn1Click() {
    const TColorlistSrcd stops = StopList();
    const int found = FindGradientDefinition(Current.FileName, stops);
    if (found >= 1) {
        Current.Tag = found;
    } else if (AppendGradientDefinition(Current.FileName, stops)) {
        Current.Tag = -1;
    } else {
        // The dialog stays open: the user may try again or cancel.
        Services.ShowMessage(this, ProgramText(PsGradientNotSaved).arg(Current.FileName),
                             QMessageBox::Critical);
        return;
    }
    Current.Stops = stops;
    accept();
}
