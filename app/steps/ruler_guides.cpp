#include "steps/ruler_guides.h"

#include "add_guide_dialog.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "manage_guides_dialog.h"
#include "program_state.h"
#include "user_interface_services.h"
#include "widgets/named.h"

#include <QActionGroup>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>

#include <cstring>

namespace {

// A white strip holding a ruler, with a black line along the edge that
// faces the canvas.
class TRulerStrip : public QWidget {
public:
    TRulerStrip(bool Horizontal, QWidget* parent) : QWidget(parent), horizontal_(Horizontal) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(Qt::black);
        if (horizontal_)
            p.drawLine(0, height() - 1, width(), height() - 1);
        else
            p.drawLine(width() - 1, 0, width() - 1, height());
    }

private:
    bool horizontal_;
};

void putInt32(std::array<uint8_t, 124>& Data, int Offset, int32_t Value) {
    const uint32_t v = uint32_t(Value);
    for (int i = 0; i < 4; ++i)
        Data[size_t(Offset + i)] = uint8_t(v >> (8 * i));
}

int32_t getInt32(const std::array<uint8_t, 124>& Data, int Offset) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= uint32_t(Data[size_t(Offset + i)]) << (8 * i);
    return int32_t(v);
}

} // namespace

TRulerGuides::TRulerGuides(QScrollArea& Scroll, TlxImageVcl& Doc, TGuideList& Guides,
                           TUiServices& Services, std::function<void()> Repaint)
    : QObject(&Scroll), scroll_(Scroll), doc_(Doc), guides_(Guides), services_(Services),
      repaint_(std::move(Repaint)) {
    PaintBox1 = named(new TRulerStrip(true, &Scroll), "PaintBox1");
    PaintBox2 = named(new TRulerStrip(false, &Scroll), "PaintBox2");
    qnRuler1 = makeNamed<TqnRuler>(PaintBox1, "qnRuler1");
    qnRuler2 = makeNamed<TqnRuler>(PaintBox2, "qnRuler2");
    for (TqnRuler* r : {qnRuler1, qnRuler2}) {
        r->SetForeColor(Qt::black);
        r->SetBackColor(Qt::white);
        r->SetPosColor(Qt::red);
        r->SetRulerUnit(qnCM);
        // The document's resolution, so the centimetres read true.
        r->SetPixelsPerInch(100);
        r->SetZoom(1.0);
        connect(r, &TqnRuler::MouseReleased, this,
                [this](Qt::MouseButton b, QPoint g) { qnRuler1MouseUp(b, g); });
    }
    qnRuler1->SetStyle(qnHorizontal);
    qnRuler2->SetStyle(qnVertical);
    // The rulers scroll with the canvas inside their strips.
    PaintBox1->setProperty("scrollsContent", true);
    PaintBox2->setProperty("scrollsContent", true);
    PaintBox1->installEventFilter(this);
    Scroll.installEventFilter(this);

    SpeedButton1 = makeNamed<QToolButton>(&Scroll, "SpeedButton1");
    SpeedButton1->setText(QStringLiteral("CM"));
    SpeedButton1->setAutoRaise(true);
    QFont small = SpeedButton1->font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.75));
    SpeedButton1->setFont(small);
    connect(SpeedButton1, &QToolButton::clicked, this, &TRulerGuides::SpeedButton1Click);

    // The unit names read the same in every language.
    PopupMenu6 = makeNamed<QMenu>(&Scroll, "PopupMenu6");
    auto* units = new QActionGroup(this);
    N17 = named(PopupMenu6->addAction(QStringLiteral("像素")), "N17");
    N18 = named(PopupMenu6->addAction(QStringLiteral("厘米")), "N18");
    N19 = named(PopupMenu6->addAction(QStringLiteral("百分比")), "N19");
    for (QAction* a : {N17, N18, N19}) {
        a->setCheckable(true);
        units->addAction(a);
    }
    N18->setChecked(true);
    connect(N17, &QAction::triggered, this, &TRulerGuides::N17Click);
    connect(N18, &QAction::triggered, this, &TRulerGuides::N18Click);
    connect(N19, &QAction::triggered, this, &TRulerGuides::N19Click);

    PopupMenu7 = makeNamed<QMenu>(&Scroll, "PopupMenu7");
    N20 = named(PopupMenu7->addAction(QString()), "N20");
    N21 = named(PopupMenu7->addAction(QString()), "N21");
    N22 = named(PopupMenu7->addAction(QString()), "N22");
    N23 = named(PopupMenu7->addAction(QString()), "N23");
    N22->setCheckable(true);
    N22->setChecked(true);
    connect(N20, &QAction::triggered, this, &TRulerGuides::N20Click);
    connect(N21, &QAction::triggered, this, &TRulerGuides::N21Click);
    connect(N23, &QAction::triggered, this, &TRulerGuides::N23Click);
    Recaption();
    layoutStrips();
}

void TRulerGuides::Recaption() {
    N20->setText(LangText(125));
    N21->setText(LangText(126));
    N22->setText(LangText(127));
    N23->setText(LangText(140));
}

bool TRulerGuides::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == &scroll_ && (Event->type() == QEvent::Resize || Event->type() == QEvent::Show))
        layoutStrips();
    if (Watched == PaintBox1 && Event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(Event);
        qnRuler1MouseUp(mouse->button(), mouse->globalPosition().toPoint());
    }
    return QObject::eventFilter(Watched, Event);
}

void TRulerGuides::layoutStrips() {
    const QRect vp = scroll_.viewport()->geometry();
    const int f = scroll_.frameWidth();
    SpeedButton1->setGeometry(f, f, StripSize, StripSize);
    PaintBox1->setGeometry(vp.left(), f, vp.width(), StripSize);
    PaintBox2->setGeometry(f, vp.top(), StripSize, vp.height());
    SpeedButton1->raise();
}

void TRulerGuides::Place(const QRect& Canvas) {
    layoutStrips();
    qnRuler1->SetZoom(doc_.ZoomValue);
    qnRuler2->SetZoom(doc_.ZoomValue);
    qnRuler1->setGeometry(Canvas.x(), 0, Canvas.width(), StripSize - 1);
    qnRuler2->setGeometry(0, Canvas.y(), StripSize - 1, Canvas.height());
    qnRuler1->update();
    qnRuler2->update();
}

void TRulerGuides::SetMarkers(int X, int Y) {
    qnRuler1->SetPosition(X);
    qnRuler2->SetPosition(Y);
}

TqnUnit TRulerGuides::Unit() const {
    return qnRuler1->RulerUnit();
}

bool TRulerGuides::GuidesLocked() const {
    return N22->isChecked();
}

void TRulerGuides::qnRuler1MouseUp(Qt::MouseButton Button, QPoint Global) {
    if (Button == Qt::RightButton) PopupMenu7->popup(Global);
}

void TRulerGuides::SpeedButton1Click() {
    PopupMenu6->popup(QCursor::pos());
}

void TRulerGuides::setUnit(TqnUnit Unit, QAction* Item, const char* Caption) {
    for (TqnRuler* r : {qnRuler1, qnRuler2}) {
        r->SetRulerUnit(Unit);
        r->Refresh();
    }
    Item->setChecked(true);
    SpeedButton1->setText(QString::fromLatin1(Caption));
    repaint_();
}

void TRulerGuides::N17Click() {
    setUnit(qnPixel, N17, "PX");
}
void TRulerGuides::N18Click() {
    setUnit(qnCM, N18, "CM");
}
void TRulerGuides::N19Click() {
    setUnit(qnPercent, N19, "PC");
}

bool TRulerGuides::AddGuide(TlxPoint Guide) {
    // The list has room for so many guides; one more is refused.
    if (guides_.Count < 0 || guides_.Count >= TGuideList::MaxGuides) return false;
    guides_.Items[size_t(guides_.Count)] = Guide;
    ++guides_.Count;
    return true;
}

void TRulerGuides::StoreGuides(TlxImage& Doc, const TGuideList& Guides) {
    if (Doc.LayersCount < 1) return;
    auto& host = Doc.Layers[0].HostData;
    const int count = std::clamp(Guides.Count, 0, HostGuidesMax);
    putInt32(host, HostGuideCountOffset, count);
    for (int i = 0; i < count; ++i) {
        putInt32(host, HostGuidesOffset + 8 * i, Guides.Items[size_t(i)].X);
        putInt32(host, HostGuidesOffset + 8 * i + 4, Guides.Items[size_t(i)].Y);
    }
}

void TRulerGuides::ReadStoredGuides(const TlxImage& Doc, TGuideList& Guides) {
    Guides.Count = 0;
    if (Doc.LayersCount < 1) return;
    const auto& host = Doc.Layers[0].HostData;
    // A file may say anything here; only what the host data can hold counts.
    const int count = std::clamp(getInt32(host, HostGuideCountOffset), 0, HostGuidesMax);
    for (int i = 0; i < count; ++i)
        Guides.Items[size_t(i)] = {getInt32(host, HostGuidesOffset + 8 * i),
                                   getInt32(host, HostGuidesOffset + 8 * i + 4)};
    Guides.Count = count;
}

void TRulerGuides::N20Click() {
    TForm6 dialog(scroll_.window());
    TForm6Settings preset;
    // The menu caption without its "...".
    preset.Caption = N20->text().chopped(std::min<qsizetype>(3, N20->text().size()));
    const auto chosen = RunDialog(services_, dialog, preset);
    if (!chosen) return;
    const auto guide =
        GuideFromInput(chosen->Vertical, chosen->Position, chosen->Unit, doc_.ImageWidth,
                       doc_.ImageHeight);
    if (!guide || !AddGuide(*guide)) return;
    StoreGuides(doc_, guides_);
    repaint_();
}

void TRulerGuides::N21Click() {
    guides_.Count = 0;
    StoreGuides(doc_, guides_);
    repaint_();
}

void TRulerGuides::N23Click() {
    if (guides_.Count <= 0) return;
    TForm95 dialog(
        [this](QWidget* parent, const QString& text) {
            services_.ShowMessage(parent, text, QMessageBox::Critical);
        },
        scroll_.window());
    TForm95Settings preset;
    preset.Guides = GuideEntriesFromPoints(guides_.Items.data(),
                                           std::clamp(guides_.Count, 0, TGuideList::MaxGuides));
    const auto chosen = RunDialog(services_, dialog, preset);
    if (!chosen) return;
    const std::vector<TlxPoint> points = GuidePointsFromEntries(chosen->Guides);
    guides_.Count = int(std::min<size_t>(points.size(), TGuideList::MaxGuides));
    std::copy_n(points.begin(), guides_.Count, guides_.Items.begin());
    repaint_();
}
