#include "layer_style_dialog.h"

#include "PBColor.h"
#include "dialog_services.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "program_strings.h"
#include "style_pickers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

// The row panel: separator lines between the rows; a press anywhere on it
// selects the row under the mouse.
// The bar behind the selected row is painted here in the colour of the
// hidden swatch Bar, which keeps the bar's place as its geometry.
class TStyleRowPanel : public QFrame {
public:
    using QFrame::QFrame;
    std::function<void(int Y)> OnMouseDown;
    TPBColor* Bar = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        if (Bar != nullptr && Bar->property("Shown").toBool()) {
            const uint32_t c = Bar->selColor();
            painter.fillRect(Bar->geometry(),
                             QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        }
        painter.setPen(palette().color(QPalette::Mid));
        for (int r = 1; r < TForm63::RowCount; ++r)
            painter.drawLine(0, r * TForm63::RowHeight, width(), r * TForm63::RowHeight);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (OnMouseDown) OnMouseDown(int(event->position().y()));
        QFrame::mousePressEvent(event);
    }
};

namespace {

// The window's fixed client size and the places of its three parts.
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 364;
constexpr int kPanelLeft = 8;
constexpr int kPanelTop = 8;
constexpr int kPanelWidth = 150;
constexpr int kPanelHeight = 312;
constexpr int kPageLeft = kPanelLeft + kPanelWidth + 8;
constexpr int kPageWidth = kClientWidth - kPageLeft - 8;

// Strings of the table: the row captions, the blend modes, the gradient kinds.
constexpr int kRowCaption = 152;
constexpr int kFirstBlendMode = 167;
constexpr int kBlendModeCount = 33;
constexpr int kFirstGradientKind = 218;
constexpr int kGradientKindCount = 5;
constexpr int kDiagonal = 4;

// Colours as 0x00BBGGRR.
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGlow = 0xBEFFFF; // red 255, green 255, blue 190

// Blend modes the effects start with.
constexpr int kNormal = 0;
constexpr int kMultiply = 9;
constexpr int kScreen = 16;

template <class T> T* named(QWidget* Parent, const char* Name) {
    auto* w = new T(Parent);
    w->setObjectName(QString::fromLatin1(Name));
    return w;
}

QColor toQColor(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

uint32_t fromQColor(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

// The hourglass for a step that may take a while.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

struct ContourArgs {
    bool Use = false;
    int Count = 0;
    TlxImage::ContourPointArray Points{};
    TlxImage::ContourTableArray Table{};
};

ContourArgs contourArgs(const TlxContour& c) {
    ContourArgs a;
    a.Use = c.UseContour != 0;
    a.Count = std::clamp(int(c.PointCount), 0, TlxContour::MaxPoints);
    std::copy(std::begin(c.Points), std::end(c.Points), a.Points.begin());
    std::copy(std::begin(c.Table), std::end(c.Table), a.Table.begin());
    return a;
}

bool sameContour(const TlxContour& a, const TlxContour& b) {
    return std::memcmp(&a, &b, sizeof(TlxContour)) == 0;
}

TColorlistSrcd stopsOf(const TlxGradientStyle& g) {
    TColorlistSrcd list;
    const int n = std::clamp(int(g.StopCount), 0, TlxGradientStyle::MaxStops);
    list.Stops.assign(g.Stops, g.Stops + n);
    list.Count = n;
    return list;
}

// Margin of the shown offsets: twice the effect's reach.
int shownMargin(int32_t Size, int32_t Spread) {
    return 2 * EffectMargin(Size, Spread);
}

} // namespace

TForm63::TForm63(TDialogServices& Services, TlxImageVcl& Document, TLayerStyleHooks Hooks,
                 QWidget* parent)
    : QDialog(parent), services_(Services), doc_(Document), hooks_(std::move(Hooks)) {
    setObjectName(QStringLiteral("Form63"));
    setFixedSize(kClientWidth, kClientHeight);
    buildPanel();
    buildPages();
    buildPickers();
    connectHandlers();
    FormCreate();
    // The caller's opening step: the blending options shown.
    Panel1MouseDown(RowCaptions[RowBlending]->y());
}

TForm63::~TForm63() = default;

// ---------------------------------------------------------------- building

void TForm63::buildPanel() {
    Panel1 = named<TStyleRowPanel>(this, "Panel1");
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setGeometry(kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight);
    Panel1->setAutoFillBackground(true);
    Panel1->setBackgroundRole(QPalette::Base);
    Panel1->OnMouseDown = [this](int Y) { Panel1MouseDown(Y); };
    PBColor1 = named<TPBColor>(Panel1, "PBColor1");
    PBColor1->setSelColor(fromQColor(palette().color(QPalette::Active, QPalette::Highlight)));
    PBColor1->setGeometry(1, RowBlending * RowHeight + 1, kPanelWidth - 2, RowHeight - 1);
    PBColor1->setAttribute(Qt::WA_TransparentForMouseEvents);
    PBColor1->hide();
    PBColor1->setProperty("Shown", false);
    Panel1->Bar = PBColor1;
    static const char* const kBoxes[] = {"Ck1", "Ck2", "Ck3", "Ck4", "Ck5",
                                         "Ck6", "Ck7", "Ck8", "Ck9"};
    for (int r = 0; r < RowCount; ++r) {
        const QByteArray name = "Label" + QByteArray::number(3 + r);
        QLabel* caption = named<QLabel>(Panel1, name.constData());
        const int left = r >= RowDropShadow ? 30 : 8;
        caption->setGeometry(left, r * RowHeight + 3, kPanelWidth - left - 4, RowHeight - 5);
        caption->setCursor(Qt::PointingHandCursor);
        RowCaptions[size_t(r)] = caption;
        texts_.push_back({caption, kRowCaption + r});
        caption->installEventFilter(this);
        if (r >= RowDropShadow) {
            QCheckBox* box = named<QCheckBox>(Panel1, kBoxes[r - RowDropShadow]);
            box->setGeometry(5, r * RowHeight + 3, 24, RowHeight - 5);
            RowBoxes[size_t(r)] = box;
        }
    }
}

void TForm63::buildPages() {
    int labelNumber = 50;
    auto caption = [&](QWidget* Parent, int k) {
        const QByteArray name = "Label" + QByteArray::number(labelNumber++);
        QLabel* l = named<QLabel>(Parent, name.constData());
        texts_.push_back({l, k});
        return l;
    };
    auto blendBox = [&](QWidget* Parent, const char* Name, int Mode) {
        QComboBox* c = named<QComboBox>(Parent, Name);
        for (int k = 0; k < kBlendModeCount; ++k)
            c->addItem(QString());
        c->setCurrentIndex(Mode);
        c->setMaxVisibleItems(kBlendModeCount);
        return c;
    };
    auto pair = [&](Pair& P, QWidget* Parent, int Number, const char* TbName, int Min, int Max,
                    int Value) {
        const QByteArray tb = TbName ? QByteArray(TbName) : "Tb" + QByteArray::number(Number);
        const QByteArray spin = "SpinEdit" + QByteArray::number(Number);
        P.Tb = named<QSlider>(Parent, tb.constData());
        P.Tb->setOrientation(Qt::Horizontal);
        P.Tb->setRange(Min, Max);
        P.Tb->setValue(Value);
        P.Tb->setMinimumWidth(80);
        P.Spin = named<QSpinBox>(Parent, spin.constData());
        P.Spin->setRange(Min, Max);
        P.Spin->setValue(Value);
        P.Spin->setMinimumWidth(64);
        pairs_.push_back(&P);
    };
    auto swatch = [&](QWidget* Parent, const char* Name, uint32_t Color) {
        TPBColor* s = named<TPBColor>(Parent, Name);
        s->setSelColor(Color);
        s->setFixedSize(48, 20);
        s->setCursor(Qt::PointingHandCursor);
        s->installEventFilter(this);
        return s;
    };
    auto page = [&](int Row, const char* Name) {
        QGroupBox* g = named<QGroupBox>(this, Name);
        g->setGeometry(kPageLeft, kPanelTop, kPageWidth, kPanelHeight);
        g->hide();
        texts_.push_back({g, kRowCaption + Row});
        Pages[size_t(Row)] = g;
        auto* grid = new QGridLayout(g);
        grid->setContentsMargins(10, 8, 10, 8);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(4);
        grid->setColumnStretch(1, 1);
        return grid;
    };
    // Rows of a page: caption, slider (or box spanning to the unit), spin
    // edit, unit.
    auto addPair = [&](QGridLayout* G, int Row, QWidget* Parent, int k, Pair& P, int Unit) {
        G->addWidget(caption(Parent, k), Row, 0);
        G->addWidget(P.Tb, Row, 1);
        G->addWidget(P.Spin, Row, 2);
        if (Unit > 0) G->addWidget(caption(Parent, Unit), Row, 3);
    };
    auto addWide = [&](QGridLayout* G, int Row, QWidget* Parent, int k, QWidget* W) {
        if (k > 0) G->addWidget(caption(Parent, k), Row, 0);
        G->addWidget(W, Row, 1, 1, 3);
    };
    auto addLeft = [&](QGridLayout* G, int Row, QWidget* Parent, int k, QWidget* W) {
        if (k > 0) G->addWidget(caption(Parent, k), Row, 0);
        G->addWidget(W, Row, 1, 1, 3, Qt::AlignLeft);
    };
    auto contour = [&](QGroupBox* Parent, int Row, const char* Name) {
        QPushButton* b = named<QPushButton>(Parent, Name);
        b->setAutoDefault(false);
        ContourButtons[size_t(Row)] = b;
        return b;
    };
    constexpr int percent = -1; // "%" has no string of its own
    constexpr int pixels = 36;
    auto unitPercent = [&](QGridLayout* G, int Row, QWidget* Parent) {
        QLabel* l =
            named<QLabel>(Parent, ("Label" + QByteArray::number(labelNumber++)).constData());
        l->setText(QStringLiteral("%"));
        G->addWidget(l, Row, 3);
    };
    (void)percent;

    // Blending options.
    {
        QGridLayout* g = page(RowBlending, "GroupBox1");
        QWidget* p = Pages[RowBlending];
        Cb1 = blendBox(p, "Cb1", kNormal);
        pair(P1, p, 1, nullptr, 0, 100, 100);
        CheckBox2 = named<QCheckBox>(p, "CheckBox2");
        CheckBox2->setChecked(true);
        texts_.push_back({CheckBox2, 165});
        addWide(g, 0, p, 163, Cb1);
        addPair(g, 1, p, 164, P1, 0);
        unitPercent(g, 1, p);
        g->addWidget(CheckBox2, 2, 0, 1, 4);
        g->setRowStretch(3, 1);
    }
    // Drop shadow and inner shadow.
    auto shadowPage = [&](int Row, const char* Name, QComboBox*& Cb, const char* CbName, Pair& Op,
                          Pair& X, Pair& Y, Pair& Size, Pair& Spread, int First, TPBColor*& Colour,
                          const char* ColourName, const char* ContourName) {
        QGridLayout* g = page(Row, Name);
        QWidget* p = Pages[size_t(Row)];
        Cb = blendBox(p, CbName, kMultiply);
        pair(Op, p, First, nullptr, 0, 100, 75);
        pair(X, p, First + 1, nullptr, -100, 100, 5);
        pair(Y, p, First + 2, nullptr, -100, 100, 5);
        pair(Size, p, First + 3, nullptr, 0, 200, 5);
        pair(Spread, p, First + 4, nullptr, 0, 200, 0);
        Colour = swatch(p, ColourName, kBlack);
        addWide(g, 0, p, 163, Cb);
        addPair(g, 1, p, 164, Op, 0);
        unitPercent(g, 1, p);
        addPair(g, 2, p, 201, X, pixels);
        addPair(g, 3, p, 202, Y, pixels);
        addPair(g, 4, p, 203, Size, pixels);
        addPair(g, 5, p, 204, Spread, pixels);
        addLeft(g, 6, p, 200, Colour);
        g->addWidget(contour(Pages[size_t(Row)], Row, ContourName), 7, 1, Qt::AlignLeft);
        g->setRowStretch(8, 1);
    };
    shadowPage(RowDropShadow, "GroupBox2", Cb2, "Cb2", P2, P3, P4, P5, P6, 2, PBColor2, "PBColor2",
               "Button3");
    shadowPage(RowInnerShadow, "GroupBox6", Cb6, "Cb6", P16, P17, P18, P19, P20, 16, PBColor6,
               "PBColor6", "Button4");
    // Outer glow and inner glow.
    auto glowPage = [&](int Row, const char* Name, QComboBox*& Cb, const char* CbName, Pair& Op,
                        Pair& Size, Pair& Spread, int First, TPBColor*& Colour,
                        const char* ColourName, const char* ContourName) {
        QGridLayout* g = page(Row, Name);
        QWidget* p = Pages[size_t(Row)];
        Cb = blendBox(p, CbName, kScreen);
        pair(Op, p, First, nullptr, 0, 100, 75);
        pair(Size, p, First + 1, nullptr, 0, 200, 5);
        pair(Spread, p, First + 2, nullptr, 0, 200, 0);
        Colour = swatch(p, ColourName, kGlow);
        addWide(g, 0, p, 163, Cb);
        addPair(g, 1, p, 164, Op, 0);
        unitPercent(g, 1, p);
        addPair(g, 2, p, 203, Size, pixels);
        addPair(g, 3, p, 204, Spread, pixels);
        addLeft(g, 4, p, 205, Colour);
        g->addWidget(contour(Pages[size_t(Row)], Row, ContourName), 5, 1, Qt::AlignLeft);
        g->setRowStretch(6, 1);
    };
    glowPage(RowOuterGlow, "GroupBox3", Cb3, "Cb3", P7, P8, P9, 7, PBColor3, "PBColor3", "Button5");
    glowPage(RowInnerGlow, "GroupBox5", CB5, "CB5", P13, P14, P15, 13, PBColor5, "PBColor5",
             "Button6");
    // Bevel: the colours beside their modes, the contour beside the style.
    {
        QGridLayout* g = page(RowBevel, "GroupBox7");
        QWidget* p = Pages[RowBevel];
        Cb12 = named<QComboBox>(p, "Cb12");
        Cb12->addItem(QString());
        Cb12->addItem(QString());
        Cb7 = blendBox(p, "Cb7", kScreen);
        Cb8 = blendBox(p, "Cb8", kMultiply);
        pair(P21, p, 21, "TB21", 0, 100, 75);
        pair(P26, p, 26, nullptr, 0, 100, 75);
        pair(P22, p, 22, nullptr, -100, 100, 5);
        pair(P23, p, 23, nullptr, -100, 100, 5);
        pair(P24, p, 24, nullptr, 0, 200, 5);
        pair(P27, p, 27, "TB27", 0, 200, 0);
        PBColor7 = swatch(p, "PBColor7", kWhite);
        PBColor8 = swatch(p, "PBColor8", kBlack);
        g->setColumnStretch(1, 1);
        addWide(g, 0, p, 210, Cb12);
        g->addWidget(contour(Pages[RowBevel], RowBevel, "Button7"), 0, 4, 1, 2, Qt::AlignLeft);
        addWide(g, 1, p, 206, Cb7);
        g->addWidget(caption(p, 207), 1, 4);
        g->addWidget(PBColor7, 1, 5);
        addPair(g, 2, p, 164, P21, 0);
        unitPercent(g, 2, p);
        addWide(g, 3, p, 208, Cb8);
        g->addWidget(caption(p, 209), 3, 4);
        g->addWidget(PBColor8, 3, 5);
        addPair(g, 4, p, 164, P26, 0);
        unitPercent(g, 4, p);
        addPair(g, 5, p, 201, P22, pixels);
        addPair(g, 6, p, 202, P23, pixels);
        addPair(g, 7, p, 203, P24, pixels);
        addPair(g, 8, p, 204, P27, pixels);
        g->setRowStretch(9, 1);
    }
    // Colour overlay.
    {
        QGridLayout* g = page(RowColorOverlay, "GroupBox8");
        QWidget* p = Pages[RowColorOverlay];
        Cb9 = blendBox(p, "Cb9", kNormal);
        pair(P25, p, 25, nullptr, 0, 100, 100);
        PBColor9 = swatch(p, "PBColor9", kRed);
        addWide(g, 0, p, 163, Cb9);
        addPair(g, 1, p, 164, P25, 0);
        unitPercent(g, 1, p);
        addLeft(g, 2, p, 213, PBColor9);
        g->setRowStretch(3, 1);
    }
    // Gradient overlay.
    auto gradientSwatch = [&](QWidget* Parent, const char* Name) {
        QLabel* l = named<QLabel>(Parent, Name);
        l->setFrameShape(QFrame::Box);
        l->setLineWidth(1);
        l->setFixedSize(GradientThumbWidth + 2, GradientThumbHeight + 2);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        return l;
    };
    auto kindBox = [&](QWidget* Parent, const char* Name) {
        QComboBox* c = named<QComboBox>(Parent, Name);
        for (int k = 0; k < kGradientKindCount; ++k)
            c->addItem(QString());
        return c;
    };
    {
        QGridLayout* g = page(RowGradientOverlay, "GroupBox10");
        QWidget* p = Pages[RowGradientOverlay];
        Cb13 = blendBox(p, "Cb13", kNormal);
        pair(P28, p, 28, nullptr, 0, 100, 100);
        Image1 = gradientSwatch(p, "Image1");
        Button1 = named<QPushButton>(p, "Button1");
        Button1->setAutoDefault(false);
        texts_.push_back({Button1, 215});
        Ck12 = named<QCheckBox>(p, "Ck12");
        texts_.push_back({Ck12, 216});
        Cb14 = kindBox(p, "Cb14");
        pair(P29, p, 29, nullptr, 0, 360, 45);
        addWide(g, 0, p, 163, Cb13);
        addPair(g, 1, p, 164, P28, 0);
        unitPercent(g, 1, p);
        g->addWidget(caption(p, 214), 2, 0);
        auto* row = new QHBoxLayout;
        row->addWidget(Image1);
        row->addWidget(Button1);
        row->addStretch(1);
        g->addLayout(row, 2, 1, 1, 3);
        g->addWidget(Ck12, 3, 1, 1, 3);
        addWide(g, 4, p, 217, Cb14);
        AngleLabel1 = caption(p, 223);
        g->addWidget(AngleLabel1, 5, 0);
        g->addWidget(P29.Tb, 5, 1);
        g->addWidget(P29.Spin, 5, 2);
        g->setRowStretch(6, 1);
    }
    // Pattern overlay.
    {
        QGridLayout* g = page(RowPatternOverlay, "GroupBox11");
        QWidget* p = Pages[RowPatternOverlay];
        Cb15 = blendBox(p, "Cb15", kNormal);
        pair(P30, p, 30, nullptr, 0, 100, 100);
        Image2 = named<QLabel>(p, "Image2");
        Image2->setFrameShape(QFrame::Box);
        Image2->setFixedSize(PatternThumbSize + 2, PatternThumbSize + 2);
        Image2->setCursor(Qt::PointingHandCursor);
        Image2->installEventFilter(this);
        BitBtn5 = named<QPushButton>(p, "BitBtn5");
        BitBtn5->setAutoDefault(false);
        texts_.push_back({BitBtn5, 225});
        Label42 = named<QLabel>(p, "Label42");
        pair(P32, p, 32, nullptr, 1, 1000, 100);
        addWide(g, 0, p, 163, Cb15);
        addPair(g, 1, p, 164, P30, 0);
        unitPercent(g, 1, p);
        g->addWidget(caption(p, 224), 2, 0, Qt::AlignTop);
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        row->addWidget(Image2, 0, Qt::AlignTop);
        auto* side = new QVBoxLayout;
        side->addWidget(BitBtn5, 0, Qt::AlignLeft);
        side->addWidget(Label42);
        side->addStretch(1);
        row->addLayout(side, 1);
        g->addLayout(row, 2, 1, 1, 3);
        addPair(g, 3, p, 232, P32, 0);
        unitPercent(g, 3, p);
        g->setRowStretch(4, 1);
    }
    // Stroke.
    {
        QGridLayout* g = page(RowStroke, "GroupBox4");
        QWidget* p = Pages[RowStroke];
        Rb2 = named<QRadioButton>(p, "Rb2");
        Rb1 = named<QRadioButton>(p, "Rb1");
        Rb2->setChecked(true);
        texts_.push_back({Rb2, 229});
        texts_.push_back({Rb1, 230});
        Cb4 = blendBox(p, "Cb4", kNormal);
        pair(P10, p, 10, nullptr, 0, 100, 100);
        pair(P11, p, 11, nullptr, 0, 200, 3);
        pair(P12, p, 12, nullptr, 0, 200, 0);
        PBColor4 = swatch(p, "PBColor4", kRed);
        Image3 = gradientSwatch(p, "Image3");
        Button2 = named<QPushButton>(p, "Button2");
        Button2->setAutoDefault(false);
        Ck13 = named<QCheckBox>(p, "Ck13");
        texts_.push_back({Ck13, 216});
        Cb16 = kindBox(p, "Cb16");
        pair(P31, p, 31, "TB31", 0, 360, 45);
        g->addWidget(Rb2, 0, 0);
        g->addWidget(PBColor4, 0, 1, Qt::AlignLeft);
        g->addWidget(Rb1, 1, 0);
        auto* row = new QHBoxLayout;
        row->addWidget(Image3);
        row->addWidget(Button2);
        row->addStretch(1);
        g->addLayout(row, 1, 1, 1, 3);
        addWide(g, 2, p, 163, Cb4);
        addPair(g, 3, p, 164, P10, 0);
        unitPercent(g, 3, p);
        addPair(g, 4, p, 203, P11, pixels);
        addPair(g, 5, p, 233, P12, pixels);
        auto* reverse = new QHBoxLayout;
        reverse->addWidget(Ck13);
        reverse->addStretch(1);
        reverse->addWidget(contour(Pages[RowStroke], RowStroke, "Button9"));
        g->addLayout(reverse, 6, 1, 1, 3);
        addWide(g, 7, p, 217, Cb16);
        AngleLabel2 = caption(p, 223);
        g->addWidget(AngleLabel2, 8, 0);
        g->addWidget(P31.Tb, 8, 1);
        g->addWidget(P31.Spin, 8, 2);
        g->setRowStretch(9, 1);
    }
    AngleLabel1->setObjectName(QStringLiteral("Label40"));
    AngleLabel2->setObjectName(QStringLiteral("Label41"));
    for (Pair* p : {&P5, &P6, &P19, &P20, &P8, &P9, &P14, &P15, &P24, &P27, &P11, &P12, &P32})
        p->RebuildOnRelease = true;
    for (Pair* p : pairs_)
        p->Tb->installEventFilter(this);
    for (QPushButton* b : ContourButtons)
        if (b != nullptr) {
            b->setAutoDefault(false);
            b->setVisible(bool(hooks_.EditContour));
        }

    // The buttons.
    BitBtn1 = named<QPushButton>(this, "BitBtn1");
    BitBtn2 = named<QPushButton>(this, "BitBtn2");
    texts_.push_back({BitBtn1, 55});
    texts_.push_back({BitBtn2, 54});
    BitBtn1->setDefault(true);
    BitBtn2->setAutoDefault(false);
    const int buttonTop = kPanelTop + kPanelHeight + 8;
    const int buttonHeight = kClientHeight - buttonTop - 8;
    BitBtn2->setGeometry(kClientWidth - 8 - 100, buttonTop, 100, buttonHeight);
    BitBtn1->setGeometry(kClientWidth - 8 - 208, buttonTop, 100, buttonHeight);
    Button8 = named<QPushButton>(this, "Button8");
    Button8->hide();
    Button8->setProperty("Tag", 0);
    // The page captions hold mouse presses on their free areas.
    for (QGroupBox* g : {Pages[RowGradientOverlay], Pages[RowPatternOverlay], Pages[RowStroke]})
        g->installEventFilter(this);
}

void TForm63::buildPickers() {
    auto list = [&](QWidget* Parent, const char* Name, QSize Icon, bool Icons) {
        QListWidget* l = named<QListWidget>(Parent, Name);
        l->setIconSize(Icon);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        if (Icons) {
            l->setViewMode(QListView::IconMode);
            l->setMovement(QListView::Static);
            l->setResizeMode(QListView::Adjust);
            l->setGridSize(QSize(Icon.width() + 20, Icon.height() + 24));
        } else {
            l->setUniformItemSizes(true);
        }
        l->hide();
        return l;
    };
    const QSize ramp(GradientThumbWidth, GradientThumbHeight);
    ListView1 = list(Pages[RowGradientOverlay], "ListView1", ramp, false);
    ListView3 = list(Pages[RowStroke], "ListView3", ramp, false);
    ListView2 = list(Pages[RowPatternOverlay], "ListView2",
                     QSize(PatternThumbSize, PatternThumbSize), true);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N2 = PopupMenu1->addAction(QString());
    N2->setObjectName(QStringLiteral("N2"));
    N3 = PopupMenu1->addAction(QString());
    N3->setObjectName(QStringLiteral("N3"));
    N5 = PopupMenu1->addAction(QString());
    N5->setObjectName(QStringLiteral("N5"));
}

void TForm63::connectHandlers() {
    for (Pair* p : pairs_) {
        connect(p->Tb, &QSlider::valueChanged, this, [p] {
            if (p->Changed) p->Changed();
        });
        QSlider* tb = p->Tb;
        connect(p->Spin, &QSpinBox::valueChanged, this, [tb](int v) { tb->setValue(v); });
    }
    // A slider with no field of its own applies its page.
    auto plain = [this](Pair& P, int Row, bool Rebuild) {
        Pair* p = &P;
        P.Changed = [this, p, Row, Rebuild] {
            sliderMoved(*p);
            applyRow(Row, Rebuild);
        };
    };
    auto writing = [this](Pair& P, int Row, std::function<void(int)> Write) {
        Pair* p = &P;
        P.Changed = [this, p, Row, Write] {
            sliderMoved(*p);
            Write(p->Tb->value());
            applyRow(Row, false);
        };
    };
    auto shadow = [&](TlxShadowStyle TlxLayerStyle::*Rec, int Row, Pair& Op, Pair& X, Pair& Y,
                      Pair& Size, Pair& Spread) {
        writing(Op, Row, [this, Rec](int v) { (layer().Style.*Rec).Opacity = uint8_t(v); });
        writing(X, Row, [this, Rec, &Size, &Spread](int v) {
            (layer().Style.*Rec).DrawX = v - margin(Size, Spread);
        });
        writing(Y, Row, [this, Rec, &Size, &Spread](int v) {
            (layer().Style.*Rec).DrawY = v - margin(Size, Spread);
        });
        plain(Size, Row, true);
        plain(Spread, Row, true);
    };
    shadow(&TlxLayerStyle::DropShadow, RowDropShadow, P2, P3, P4, P5, P6);
    shadow(&TlxLayerStyle::InnerShadow, RowInnerShadow, P16, P17, P18, P19, P20);
    auto glow = [&](TlxGlowStyle TlxLayerStyle::*Rec, int Row, Pair& Op, Pair& Size, Pair& Spread) {
        writing(Op, Row, [this, Rec](int v) { (layer().Style.*Rec).Opacity = uint8_t(v); });
        plain(Size, Row, true);
        plain(Spread, Row, true);
    };
    glow(&TlxLayerStyle::OuterGlow, RowOuterGlow, P7, P8, P9);
    glow(&TlxLayerStyle::InnerGlow, RowInnerGlow, P13, P14, P15);
    writing(P21, RowBevel, [this](int v) { layer().Style.Bevel.HighlightOpacity = uint8_t(v); });
    writing(P26, RowBevel, [this](int v) { layer().Style.Bevel.ShadowOpacity = uint8_t(v); });
    writing(P22, RowBevel, [this](int v) {
        TlxBevelStyle& b = layer().Style.Bevel;
        const int m = margin(P24, P27);
        b.HighlightDrawX = v - m;
        b.ShadowDrawX = -v - m;
    });
    writing(P23, RowBevel, [this](int v) {
        TlxBevelStyle& b = layer().Style.Bevel;
        const int m = margin(P24, P27);
        b.HighlightDrawY = v - m;
        b.ShadowDrawY = -v - m;
    });
    plain(P24, RowBevel, true);
    plain(P27, RowBevel, true);
    writing(P25, RowColorOverlay,
            [this](int v) { layer().Style.ColorOverlay.Opacity = uint8_t(v); });
    writing(P28, RowGradientOverlay,
            [this](int v) { layer().Style.GradientOverlay.Opacity = uint8_t(v); });
    plain(P29, RowGradientOverlay, true);
    writing(P30, RowPatternOverlay,
            [this](int v) { layer().Style.PatternOverlay.Opacity = uint8_t(v); });
    P32.Changed = [this] { Tb32Change(); };
    writing(P10, RowStroke, [this](int v) { layer().Style.Stroke.Opacity = uint8_t(v); });
    P11.Changed = [this] { Tb11Change(); };
    P12.Changed = [this] { Tb12Change(); };
    P31.Changed = [this] {
        sliderMoved(P31);
        if (Rb1->isChecked()) applyRow(RowStroke, true);
    };
    P1.Changed = [this] {
        sliderMoved(P1);
        layer().Opacity = P1.Tb->value() / 100.0;
        applyRow(RowBlending, false);
    };

    // Blend-mode boxes write their mode and recompose.
    auto mode = [this](QComboBox* Box, int Row, std::function<void(uint8_t)> Write) {
        connect(Box, &QComboBox::currentIndexChanged, this, [this, Box, Row, Write] {
            if (Box->currentIndex() < 0) return;
            Write(uint8_t(Box->currentIndex()));
            applyRow(Row, false);
        });
    };
    mode(Cb1, RowBlending, [this](uint8_t v) { layer().BlendMode = v; });
    mode(Cb2, RowDropShadow, [this](uint8_t v) { layer().Style.DropShadow.BlendMode = v; });
    mode(Cb6, RowInnerShadow, [this](uint8_t v) { layer().Style.InnerShadow.BlendMode = v; });
    mode(Cb3, RowOuterGlow, [this](uint8_t v) { layer().Style.OuterGlow.BlendMode = v; });
    mode(CB5, RowInnerGlow, [this](uint8_t v) { layer().Style.InnerGlow.BlendMode = v; });
    mode(Cb7, RowBevel, [this](uint8_t v) { layer().Style.Bevel.HighlightMode = v; });
    mode(Cb8, RowBevel, [this](uint8_t v) { layer().Style.Bevel.ShadowMode = v; });
    mode(Cb12, RowBevel, [this](uint8_t v) { layer().Style.Bevel.BevelKind = v; });
    mode(Cb9, RowColorOverlay, [this](uint8_t v) { layer().Style.ColorOverlay.BlendMode = v; });
    mode(Cb13, RowGradientOverlay,
         [this](uint8_t v) { layer().Style.GradientOverlay.BlendMode = v; });
    mode(Cb15, RowPatternOverlay,
         [this](uint8_t v) { layer().Style.PatternOverlay.BlendMode = v; });
    mode(Cb4, RowStroke, [this](uint8_t v) { layer().Style.Stroke.BlendMode = v; });
    connect(CheckBox2, &QCheckBox::toggled, this, [this](bool On) {
        layer().Style.EffectsIgnoreOpacity = !On;
        applyRow(RowBlending, false);
    });

    // Colour swatches.
    auto colour = [this](TPBColor* Swatch, int Row, std::function<void(uint32_t)> Write) {
        clicks_.push_back({Swatch, [this, Swatch, Row, Write] {
                               chooseColour(Swatch, Write, [this, Row] { applyRow(Row, false); });
                           }});
    };
    colour(PBColor2, RowDropShadow, [this](uint32_t c) { layer().Style.DropShadow.Color = c; });
    colour(PBColor6, RowInnerShadow, [this](uint32_t c) { layer().Style.InnerShadow.Color = c; });
    colour(PBColor3, RowOuterGlow, [this](uint32_t c) { layer().Style.OuterGlow.Color = c; });
    colour(PBColor5, RowInnerGlow, [this](uint32_t c) { layer().Style.InnerGlow.Color = c; });
    colour(PBColor7, RowBevel, [this](uint32_t c) { layer().Style.Bevel.HighlightColor = c; });
    colour(PBColor8, RowBevel, [this](uint32_t c) { layer().Style.Bevel.ShadowColor = c; });
    colour(PBColor9, RowColorOverlay, [this](uint32_t c) { layer().Style.ColorOverlay.Color = c; });
    colour(PBColor4, RowStroke, [this](uint32_t c) { layer().Style.Stroke.Color = c; });

    // Effect boxes.
    for (QCheckBox* box : RowBoxes)
        if (box != nullptr) connect(box, &QCheckBox::toggled, this, [this, box] { Ck1Click(box); });

    // Gradient kinds show the angle only for the diagonal.
    connect(Cb14, &QComboBox::currentIndexChanged, this, [this] {
        showAngle(true);
        applyRow(RowGradientOverlay, true);
    });
    connect(Cb16, &QComboBox::currentIndexChanged, this, [this] {
        showAngle(false);
        if (Rb1->isChecked()) applyRow(RowStroke, true);
    });
    connect(Ck12, &QCheckBox::toggled, this, [this] {
        applyRow(RowGradientOverlay, true);
        if (ListView1->isVisible()) ListView1Click();
    });
    connect(Ck13, &QCheckBox::toggled, this, [this] {
        if (Rb1->isChecked()) applyRow(RowStroke, true);
        if (ListView3->isVisible()) ListView3Click();
    });
    connect(Rb1, &QRadioButton::toggled, this, [this](bool On) {
        if (On) applyRow(RowStroke, true);
    });
    connect(Rb2, &QRadioButton::toggled, this, [this](bool On) {
        if (On) applyRow(RowStroke, true);
    });

    // Pickers.
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    clicks_.push_back({Image1, [this] { Button1Click(); }});
    clicks_.push_back({Image3, [this] { Button2Click(); }});
    clicks_.push_back({Image2, [this] { Image2Click(); }});
    clicks_.push_back({Pages[RowGradientOverlay], [this] {
                           if (ListView1->isVisible()) ListView1Click();
                       }});
    clicks_.push_back({Pages[RowStroke], [this] {
                           if (ListView3->isVisible()) ListView3Click();
                       }});
    clicks_.push_back({Pages[RowPatternOverlay], [this] {
                           if (ListView2->isVisible()) ListView2Click();
                       }});
    connect(ListView1, &QListWidget::itemClicked, this, [this] { ListView1Click(); });
    connect(ListView3, &QListWidget::itemClicked, this, [this] { ListView3Click(); });
    connect(ListView2, &QListWidget::itemClicked, this, [this] { ListView2Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
    connect(N2, &QAction::triggered, this, [this] { Image2Click(); });
    connect(N3, &QAction::triggered, this, [this] { N3Click(); });
    connect(N5, &QAction::triggered, this, [this] { N5Click(); });

    for (int r = RowDropShadow; r < RowCount; ++r)
        if (QPushButton* b = ContourButtons[size_t(r)])
            connect(b, &QPushButton::clicked, this, [this, r] { editContour(r); });

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TForm63::refFormText() {
    setWindowTitle(LangText(231));
    for (const auto& [w, k] : texts_) {
        if (auto* g = qobject_cast<QGroupBox*>(w))
            g->setTitle(LangText(k));
        else
            w->setProperty("text", LangText(k));
    }
    for (QComboBox* c : {Cb1, Cb2, Cb6, Cb3, CB5, Cb7, Cb8, Cb9, Cb13, Cb15, Cb4})
        for (int i = 0; i < kBlendModeCount; ++i)
            c->setItemText(i, LangText(kFirstBlendMode + i));
    Cb12->setItemText(0, LangText(211));
    Cb12->setItemText(1, LangText(212));
    for (QComboBox* c : {Cb14, Cb16})
        for (int i = 0; i < kGradientKindCount; ++i)
            c->setItemText(i, LangText(kFirstGradientKind + i));
    // The stroke's gradient button and angle repeat the overlay's captions.
    Button2->setText(Button1->text());
    AngleLabel2->setText(AngleLabel1->text());
    N2->setText(LangText(226));
    N3->setText(LangText(227));
    N5->setText(LangText(228));
    for (QPushButton* b : ContourButtons)
        if (b != nullptr) b->setText(ProgramText(PsStyleContour));
}

// ----------------------------------------------------------------- opening

TlxLayer& TForm63::layer() {
    return doc_.Layers[size_t(layerIndex())];
}

int TForm63::layerIndex() const {
    return std::clamp(doc_.CurrLayerID, 0, TlxImage::MaxLayers - 1);
}

void TForm63::takeSnapshot() {
    const TlxLayer& l = layer();
    const TlxLayerStyle& s = l.Style;
    TlxLayerStyle& t = snap_.Settings;
    t.DropShadow = s.DropShadow;
    t.InnerShadow = s.InnerShadow;
    t.OuterGlow = s.OuterGlow;
    t.InnerGlow = s.InnerGlow;
    t.Bevel = s.Bevel;
    t.Stroke = s.Stroke;
    t.ColorOverlay = s.ColorOverlay;
    t.GradientOverlay = s.GradientOverlay;
    t.StrokeGradient = s.StrokeGradient;
    t.PatternOverlay = s.PatternOverlay;
    t.DropShadowOn = s.DropShadowOn;
    t.InnerShadowOn = s.InnerShadowOn;
    t.OuterGlowOn = s.OuterGlowOn;
    t.InnerGlowOn = s.InnerGlowOn;
    t.BevelOn = s.BevelOn;
    t.ColorOverlayOn = s.ColorOverlayOn;
    t.GradientOverlayOn = s.GradientOverlayOn;
    t.PatternOverlayOn = s.PatternOverlayOn;
    t.StrokeOn = s.StrokeOn;
    t.StrokeGradientOn = s.StrokeGradientOn;
    if (s.GradientOverlayOn) snap_.OverlayStops = stopsOf(s.GradientOverlay);
    if (s.StrokeGradientOn) snap_.StrokeStops = stopsOf(s.StrokeGradient);
    if (s.PatternOverlayOn) snap_.Pattern = s.PatternBitmap.copy();
    snap_.BlendMode = l.BlendMode;
    snap_.Opacity = l.Opacity;
    snap_.EffectsIgnoreOpacity = s.EffectsIgnoreOpacity;
}

void TForm63::FormCreate() {
    refFormText();
    TWaitCursor wait;
    takeSnapshot();
    strokePosition_ = 0;

    refjbsColors();
    const int entry = std::min(int(thumbnails_.size()) - 1, 2);
    selectGradient(entry, false);
    selectGradient(entry, true);
    pattern_ = QImage();
    RefDesignLst();
    if (ListView2->count() > 0) SelectDesign(0);

    TlxLayer& l = layer();
    CheckBox2->setChecked(!l.Style.EffectsIgnoreOpacity);
    Cb1->setCurrentIndex(std::clamp(int(l.BlendMode), 0, kBlendModeCount - 1));
    P1.Tb->setValue(int(std::nearbyint(l.Opacity * 100)));

    const int w = l.Bitmap.width();
    const int h = l.Bitmap.height();
    for (Pair* p : {&P3, &P17, &P22})
        for (auto* range : {static_cast<QAbstractSlider*>(p->Tb)}) {
            range->setRange(-w, w);
            p->Tb->setTickInterval(std::max(1, 2 * w / 20));
            p->Spin->setRange(-w, w);
        }
    for (Pair* p : {&P4, &P18, &P23}) {
        p->Tb->setRange(-h, h);
        p->Tb->setTickInterval(std::max(1, 2 * h / 20));
        p->Spin->setRange(-h, h);
    }
    showAngle(true);
    showAngle(false);
    loadEffects();
    live_ = true;
}

void TForm63::loadEffects() {
    TlxLayerStyle& s = layer().Style;
    auto setMode = [](QComboBox* Box, uint8_t Mode) {
        Box->setCurrentIndex(std::clamp(int(Mode), 0, Box->count() - 1));
    };
    auto set = [](Pair& P, int v) { P.Tb->setValue(v); };
    auto shadow = [&](const TlxShadowStyle& r, QCheckBox* Box, QComboBox* Cb, Pair& Op, Pair& X,
                      Pair& Y, Pair& Size, Pair& Spread, TPBColor* Colour) {
        const TlxShadowStyle rec = r; // the handlers write back while loading
        Box->setChecked(true);
        setMode(Cb, rec.BlendMode);
        set(Op, rec.Opacity);
        set(Size, rec.Size);
        set(Spread, rec.Spread);
        const int m = margin(Size, Spread);
        set(X, rec.DrawX + m);
        set(Y, rec.DrawY + m);
        Colour->setSelColor(rec.Color);
    };
    if (s.DropShadowOn)
        shadow(s.DropShadow, RowBoxes[RowDropShadow], Cb2, P2, P3, P4, P5, P6, PBColor2);
    if (s.InnerShadowOn)
        shadow(s.InnerShadow, RowBoxes[RowInnerShadow], Cb6, P16, P17, P18, P19, P20, PBColor6);
    auto glow = [&](const TlxGlowStyle& r, QCheckBox* Box, QComboBox* Cb, Pair& Op, Pair& Size,
                    Pair& Spread, TPBColor* Colour) {
        const TlxGlowStyle rec = r;
        Box->setChecked(true);
        setMode(Cb, rec.BlendMode);
        set(Op, rec.Opacity);
        set(Size, rec.Size);
        set(Spread, rec.Spread);
        Colour->setSelColor(rec.Color);
    };
    if (s.OuterGlowOn) glow(s.OuterGlow, RowBoxes[RowOuterGlow], Cb3, P7, P8, P9, PBColor3);
    if (s.InnerGlowOn) glow(s.InnerGlow, RowBoxes[RowInnerGlow], CB5, P13, P14, P15, PBColor5);
    if (s.BevelOn) {
        const TlxBevelStyle b = s.Bevel;
        RowBoxes[RowBevel]->setChecked(true);
        Cb12->setCurrentIndex(b.BevelKind <= 1 ? b.BevelKind : 0);
        setMode(Cb7, b.HighlightMode);
        set(P21, b.HighlightOpacity);
        PBColor7->setSelColor(b.HighlightColor);
        setMode(Cb8, b.ShadowMode);
        set(P26, b.ShadowOpacity);
        PBColor8->setSelColor(b.ShadowColor);
        set(P24, b.Size);
        set(P27, b.Spread);
        const int m = margin(P24, P27);
        set(P22, b.HighlightDrawX + m);
        set(P23, b.HighlightDrawY + m);
    } else {
        Cb12->setCurrentIndex(0);
    }
    if (s.ColorOverlayOn) {
        const TlxColorOverlayStyle c = s.ColorOverlay;
        RowBoxes[RowColorOverlay]->setChecked(true);
        setMode(Cb9, c.BlendMode);
        set(P25, c.Opacity);
        PBColor9->setSelColor(c.Color);
    } else {
        RowBoxes[RowColorOverlay]->setChecked(false);
    }
    if (s.GradientOverlayOn) {
        const TlxGradientStyle g = s.GradientOverlay;
        RowBoxes[RowGradientOverlay]->setChecked(true);
        setMode(Cb13, g.BlendMode);
        set(P28, g.Opacity);
        Ck12->setChecked(g.Reverse != 0);
        Cb14->setCurrentIndex(g.GradientKind < kGradientKindCount ? g.GradientKind : 0);
        showAngle(true);
        set(P29, g.Angle);
        overlayStops_ = stopsOf(g);
        Image1->setPixmap(QPixmap::fromImage(RampThumbnail(overlayStops_)));
        ListView1->clearSelection();
        ListView1->setCurrentRow(-1);
    } else {
        RowBoxes[RowGradientOverlay]->setChecked(false);
    }
    if (s.PatternOverlayOn) {
        const TlxPatternStyle p = s.PatternOverlay;
        RowBoxes[RowPatternOverlay]->setChecked(true);
        setMode(Cb15, p.BlendMode);
        set(P30, p.Opacity);
        setPattern(s.PatternBitmap.copy(), false);
    } else {
        RowBoxes[RowPatternOverlay]->setChecked(false);
    }
    if (s.StrokeOn) {
        const TlxStrokeStyle st = s.Stroke;
        const bool gradient = s.StrokeGradientOn;
        const TlxGradientStyle sg = s.StrokeGradient;
        RowBoxes[RowStroke]->setChecked(true);
        Button8->setProperty("Tag", 1);
        strokePosition_ = st.Position;
        setMode(Cb4, st.BlendMode);
        set(P10, st.Opacity);
        set(P11, st.Size);
        set(P12, st.Softness);
        PBColor4->setSelColor(st.Color);
        if (gradient) {
            Rb1->setChecked(true);
            Cb16->setCurrentIndex(sg.GradientKind < kGradientKindCount ? sg.GradientKind : 0);
            showAngle(false);
            if (sg.GradientKind == kDiagonal) set(P31, sg.Angle);
            Ck13->setChecked(sg.Reverse != 0);
            strokeStops_ = stopsOf(sg);
            Image3->setPixmap(QPixmap::fromImage(RampThumbnail(strokeStops_)));
        }
    }
}

// ------------------------------------------------------------------- rows

void TForm63::Panel1MouseDown(int Y) {
    for (QLabel* c : RowCaptions)
        c->setForegroundRole(QPalette::WindowText);
    for (QGroupBox* g : Pages)
        if (g != nullptr) g->hide();
    int row = RowStyles;
    for (int r = RowStroke; r >= 0; --r)
        if (r * RowHeight < Y) {
            row = r;
            break;
        }
    if (row == RowStyles) {
        selectedRow_ = RowStyles;
        Panel1->update();
        return;
    }
    PBColor1->move(1, row * RowHeight + 1);
    PBColor1->setProperty("Shown", true);
    Panel1->update();
    RowCaptions[size_t(row)]->setForegroundRole(QPalette::HighlightedText);
    Pages[size_t(row)]->show();
    selectedRow_ = row;
    if (QCheckBox* box = RowBoxes[size_t(row)]) box->setChecked(true);
    for (QCheckBox* box : RowBoxes)
        if (box != nullptr) box->update();
}

void TForm63::Label3MouseDown(QLabel* Caption, int Y) {
    if (Caption != nullptr) Panel1MouseDown(Y + Caption->y());
}

void TForm63::Ck1Click(QCheckBox* Box) {
    const auto it = std::find(RowBoxes.begin(), RowBoxes.end(), Box);
    if (Box == nullptr || it == RowBoxes.end()) return;
    const int row = int(it - RowBoxes.begin());
    if (Box->isChecked()) Panel1MouseDown(Box->y());
    applyRow(row, true);
}

// ----------------------------------------------------------------- applying

int TForm63::margin(const Pair& Size, const Pair& Spread) const {
    return shownMargin(Size.Tb->value(), Spread.Tb->value());
}

void TForm63::recompose() {
    if (hooks_.Recompose) {
        hooks_.Recompose();
        return;
    }
    doc_.ReDraw();
    doc_.ApplyZoom();
    doc_.PaintImage();
}

void TForm63::countRebuild(bool) {
    ++rebuildCount_;
}

bool TForm63::dragging(const Pair& A, const Pair& B) const {
    const bool held =
        A.Tb->hasFocus() || B.Tb->hasFocus() || A.Tb->isSliderDown() || B.Tb->isSliderDown();
    return held && (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

void TForm63::sliderMoved(Pair& P) {
    const QSignalBlocker block(P.Spin);
    P.Spin->setValue(P.Tb->value());
}

void TForm63::applyRow(int Row, bool Rebuild) {
    if (!live_) return;
    switch (Row) {
    case RowBlending:
        DoChange();
        break;
    case RowDropShadow:
        Dochange1(Rebuild);
        break;
    case RowInnerShadow:
        DoChange5(Rebuild);
        break;
    case RowOuterGlow:
        DoChange2(Rebuild);
        break;
    case RowInnerGlow:
        DoChange4(Rebuild);
        break;
    case RowBevel:
        DoChange6(Rebuild);
        break;
    case RowColorOverlay:
        DoChange7();
        break;
    case RowGradientOverlay:
        DoChange8(Rebuild);
        break;
    case RowPatternOverlay:
        DoChange9(Rebuild);
        break;
    case RowStroke:
        DoChange3(Rebuild);
        break;
    default:
        break;
    }
}

void TForm63::DoChange() {
    TlxLayer& l = layer();
    l.BlendMode = uint8_t(std::max(0, Cb1->currentIndex()));
    l.Opacity = P1.Tb->value() / 100.0;
    l.Style.EffectsIgnoreOpacity = !CheckBox2->isChecked();
    recompose();
}

void TForm63::Dochange1(bool Rebuild) {
    if (dragging(P5, P6)) return;
    TWaitCursor wait;
    TlxLayerStyle& s = layer().Style;
    if (Rebuild) {
        if (RowBoxes[RowDropShadow]->isChecked()) {
            const ContourArgs c = contourArgs(s.DropShadow.Contour);
            countRebuild(doc_.SetDropShadow(layerIndex(), uint8_t(Cb2->currentIndex()),
                                            uint8_t(P2.Tb->value()), P3.Tb->value(), P4.Tb->value(),
                                            P6.Tb->value(), P5.Tb->value(), PBColor2->selColor(),
                                            c.Use, c.Count, c.Points, c.Table));
        } else if (s.DropShadowOn) {
            s.DropShadowOn = false;
            s.DropShadowMask = QImage();
        }
    }
    recompose();
}

void TForm63::DoChange5(bool Rebuild) {
    if (dragging(P19, P20)) return;
    TWaitCursor wait;
    TlxLayerStyle& s = layer().Style;
    if (Rebuild) {
        if (RowBoxes[RowInnerShadow]->isChecked()) {
            const ContourArgs c = contourArgs(s.InnerShadow.Contour);
            countRebuild(doc_.SetInnerShadow(
                layerIndex(), uint8_t(Cb6->currentIndex()), uint8_t(P16.Tb->value()),
                P17.Tb->value(), P18.Tb->value(), P20.Tb->value(), P19.Tb->value(),
                PBColor6->selColor(), c.Use, c.Count, c.Points, c.Table));
        } else if (s.InnerShadowOn) {
            s.InnerShadowOn = false;
            s.InnerShadowMask = QImage();
        }
    }
    recompose();
}

void TForm63::DoChange2(bool Rebuild) {
    if (dragging(P8, P9)) return;
    TWaitCursor wait;
    TlxLayerStyle& s = layer().Style;
    if (Rebuild) {
        if (RowBoxes[RowOuterGlow]->isChecked()) {
            const ContourArgs c = contourArgs(s.OuterGlow.Contour);
            countRebuild(doc_.SetOuterGlow(
                layerIndex(), uint8_t(Cb3->currentIndex()), uint8_t(P7.Tb->value()), P9.Tb->value(),
                P8.Tb->value(), PBColor3->selColor(), c.Use, c.Count, c.Points, c.Table));
        } else if (s.OuterGlowOn) {
            s.OuterGlowOn = false;
            s.OuterGlowMask = QImage();
        }
    }
    recompose();
}

void TForm63::DoChange4(bool Rebuild) {
    if (dragging(P14, P15)) return;
    TWaitCursor wait;
    TlxLayerStyle& s = layer().Style;
    if (Rebuild) {
        if (RowBoxes[RowInnerGlow]->isChecked()) {
            const ContourArgs c = contourArgs(s.InnerGlow.Contour);
            countRebuild(doc_.SetInnerGlow(layerIndex(), uint8_t(CB5->currentIndex()),
                                           uint8_t(P13.Tb->value()), P15.Tb->value(),
                                           P14.Tb->value(), PBColor5->selColor(), c.Use, c.Count,
                                           c.Points, c.Table));
        } else if (s.InnerGlowOn) {
            s.InnerGlowOn = false;
            s.InnerGlowMask = QImage();
        }
    }
    recompose();
}

void TForm63::DoChange6(bool Rebuild) {
    if (dragging(P24, P27)) return;
    TWaitCursor wait;
    TlxLayerStyle& s = layer().Style;
    s.Bevel.BevelKind = uint8_t(std::max(0, Cb12->currentIndex()));
    if (Rebuild) {
        if (RowBoxes[RowBevel]->isChecked()) {
            const ContourArgs c = contourArgs(s.Bevel.Contour);
            countRebuild(doc_.SetBevel(layerIndex(), uint8_t(Cb7->currentIndex()),
                                       uint8_t(Cb8->currentIndex()), uint8_t(P21.Tb->value()),
                                       uint8_t(P26.Tb->value()), P22.Tb->value(), P23.Tb->value(),
                                       P27.Tb->value(), P24.Tb->value(), PBColor7->selColor(),
                                       PBColor8->selColor(), c.Use, c.Count, c.Points, c.Table));
        } else if (s.BevelOn) {
            s.BevelOn = false;
            s.BevelMask = QImage();
        }
    }
    recompose();
}

void TForm63::DoChange3(bool Rebuild) {
    if (dragging(P11, P12)) return;
    TWaitCursor wait;
    TlxLayerStyle& s = layer().Style;
    s.Stroke.Position = strokePosition_;
    const bool ticked = RowBoxes[RowStroke]->isChecked();
    if (Rebuild) {
        if (ticked) {
            const ContourArgs c = contourArgs(s.Stroke.Contour);
            countRebuild(doc_.SetStroke(layerIndex(), uint8_t(Cb4->currentIndex()),
                                        uint8_t(P10.Tb->value()), P12.Tb->value(), P11.Tb->value(),
                                        PBColor4->selColor(), c.Use, c.Count, c.Points, c.Table));
        } else if (s.StrokeOn) {
            s.StrokeOn = false;
            s.StrokeMask = QImage();
        }
        const auto gradientOff = [&s] {
            s.StrokeGradientOn = false;
            s.StrokeGradientBitmap = QImage();
        };
        if (Rb2->isChecked()) {
            if (ticked) gradientOff();
        } else if (ticked) {
            countRebuild(doc_.SetGradientStroke(layerIndex(), uint8_t(Cb16->currentIndex()),
                                                fitStops(strokeStops_), Ck13->isChecked(),
                                                P31.Tb->value()));
        } else {
            gradientOff();
        }
    }
    recompose();
}

void TForm63::DoChange7() {
    TlxLayerStyle& s = layer().Style;
    s.ColorOverlay.BlendMode = uint8_t(std::max(0, Cb9->currentIndex()));
    s.ColorOverlay.Color = PBColor9->selColor();
    s.ColorOverlay.Opacity = uint8_t(P25.Tb->value());
    s.ColorOverlayOn = RowBoxes[RowColorOverlay]->isChecked();
    recompose();
}

void TForm63::DoChange8(bool Rebuild) {
    TlxLayerStyle& s = layer().Style;
    s.GradientOverlay.BlendMode = uint8_t(std::max(0, Cb13->currentIndex()));
    s.GradientOverlay.GradientKind = uint8_t(std::max(0, Cb14->currentIndex()));
    s.GradientOverlay.Opacity = uint8_t(P28.Tb->value());
    if (Rebuild) {
        if (RowBoxes[RowGradientOverlay]->isChecked()) {
            countRebuild(doc_.SetGradientOverlay(
                layerIndex(), uint8_t(Cb13->currentIndex()), uint8_t(P28.Tb->value()),
                uint8_t(Cb14->currentIndex()), fitStops(overlayStops_), Ck12->isChecked(),
                P29.Tb->value()));
        } else if (s.GradientOverlayOn) {
            s.GradientOverlayOn = false;
            s.GradientOverlayBitmap = QImage();
        }
    }
    recompose();
}

void TForm63::DoChange9(bool Rebuild) {
    TlxLayerStyle& s = layer().Style;
    s.PatternOverlay.BlendMode = uint8_t(std::max(0, Cb15->currentIndex()));
    s.PatternOverlay.Opacity = uint8_t(P30.Tb->value());
    if (Rebuild) {
        if (RowBoxes[RowPatternOverlay]->isChecked()) {
            // A pattern the dialog cannot scale leaves the overlay as it is.
            const QImage scaled = ScaledPattern();
            if (!scaled.isNull())
                countRebuild(doc_.SetPatternOverlay(layerIndex(), uint8_t(Cb15->currentIndex()),
                                                    uint8_t(P30.Tb->value()), scaled));
        } else if (s.PatternOverlayOn) {
            s.PatternOverlayOn = false;
            s.PatternBitmap = QImage();
        }
    }
    recompose();
}

void TForm63::Tb11Change() {
    sliderMoved(P11);
    const int size = P11.Tb->value();
    const int softness = P12.Tb->value();
    const bool leaveSoftness = Button8->property("Tag").toInt() != 0;
    if (size < 8 && softness != 0 && !leaveSoftness) {
        P12.Tb->setValue(0);
        return;
    }
    if (size >= 8 && softness == 0 && !leaveSoftness) {
        P12.Tb->setValue(2);
        return;
    }
    applyRow(RowStroke, true);
}

void TForm63::Tb12Change() {
    sliderMoved(P12);
    if (P12.Tb->hasFocus() || P12.Spin->hasFocus()) Button8->setProperty("Tag", 1);
    applyRow(RowStroke, true);
}

void TForm63::chooseColour(TPBColor* Swatch, const std::function<void(uint32_t)>& Write,
                           const std::function<void()>& Apply) {
    const QColor chosen = services_.ChooseColour(this, toQColor(Swatch->selColor()));
    if (!chosen.isValid()) return;
    const uint32_t c = fromQColor(chosen);
    if (c == Swatch->selColor()) return;
    Swatch->setSelColor(c);
    Write(c);
    Apply();
}

void TForm63::editContour(int Row) {
    if (!hooks_.EditContour) return;
    TlxLayerStyle& s = layer().Style;
    TlxContour* target = nullptr;
    switch (Row) {
    case RowDropShadow:
        target = &s.DropShadow.Contour;
        break;
    case RowInnerShadow:
        target = &s.InnerShadow.Contour;
        break;
    case RowOuterGlow:
        target = &s.OuterGlow.Contour;
        break;
    case RowInnerGlow:
        target = &s.InnerGlow.Contour;
        break;
    case RowBevel:
        target = &s.Bevel.Contour;
        break;
    case RowStroke:
        target = &s.Stroke.Contour;
        break;
    default:
        return;
    }
    TlxContour copy = *target;
    if (!hooks_.EditContour(this, copy)) return;
    // The hook may have run a modal loop; the layer is still the same one.
    *target = copy;
    applyRow(Row, true);
}

TColorlistSrcd TForm63::fitStops(const TColorlistSrcd& Stops) const {
    TColorlistSrcd fitted = hooks_.FitStops ? hooks_.FitStops(Stops) : KeepFirstAndLastStops(Stops);
    // Whatever the hook gives, the engine gets a list it can hold.
    if (fitted.Count > TlxGradientStyle::MaxStops || fitted.Count != int(fitted.Stops.size()))
        fitted = KeepFirstAndLastStops(fitted);
    return fitted;
}

// ---------------------------------------------------------------- closing

void TForm63::BitBtn1Click() {
    done(QDialog::Accepted);
}

void TForm63::BitBtn2Click() {
    {
        TWaitCursor wait;
        cancelRestore();
        recompose();
    }
    done(QDialog::Rejected);
}

void TForm63::cancelRestore() {
    const int index = layerIndex();
    TlxLayer& l = layer();
    TlxLayerStyle& s = l.Style;
    const TlxLayerStyle& t = snap_.Settings;

    // A failed engine step ends the restoration; the caller's undo step then
    // reloads the style saved before opening.
    auto step = [this](bool Ok) {
        countRebuild(Ok);
        return Ok;
    };
    // The six effects with a mask: Now is the flag in the layer, Then the
    // snapshot's; SetUp rebuilds from the snapshot, Rebuild from the record.
    auto restore = [&](bool& Now, bool Then, QImage& Mask, auto& Record, const auto& Saved,
                       bool GeometryDiffers, auto SetUp, auto Rebuild) {
        if (Now != Then) {
            if (Now) {
                Mask = QImage();
            } else {
                if (!step(SetUp())) return false;
                Record = Saved;
            }
            Now = Then;
            return true;
        }
        Record = Saved;
        if (GeometryDiffers && Now) return step(Rebuild());
        return true;
    };
    const auto shadowDiffers = [](const auto& a, const auto& b) {
        return a.Size != b.Size || a.Spread != b.Spread || !sameContour(a.Contour, b.Contour);
    };
    bool ok = true;
    ok = ok && restore(
                   s.DropShadowOn, t.DropShadowOn, s.DropShadowMask, s.DropShadow, t.DropShadow,
                   shadowDiffers(s.DropShadow, t.DropShadow),
                   [&] {
                       const TlxShadowStyle& r = t.DropShadow;
                       const int m = shownMargin(r.Size, r.Spread);
                       const ContourArgs c = contourArgs(r.Contour);
                       return doc_.SetDropShadow(index, r.BlendMode, r.Opacity, r.DrawX + m,
                                                 r.DrawY + m, r.Spread, r.Size, r.Color, c.Use,
                                                 c.Count, c.Points, c.Table);
                   },
                   [&] { return doc_.RebuildDropShadow(index); });
    ok = ok && restore(
                   s.InnerShadowOn, t.InnerShadowOn, s.InnerShadowMask, s.InnerShadow,
                   t.InnerShadow, shadowDiffers(s.InnerShadow, t.InnerShadow),
                   [&] {
                       const TlxShadowStyle& r = t.InnerShadow;
                       const int m = shownMargin(r.Size, r.Spread);
                       const ContourArgs c = contourArgs(r.Contour);
                       return doc_.SetInnerShadow(index, r.BlendMode, r.Opacity, r.DrawX + m,
                                                  r.DrawY + m, r.Spread, r.Size, r.Color, c.Use,
                                                  c.Count, c.Points, c.Table);
                   },
                   [&] { return doc_.RebuildInnerShadow(index); });
    ok = ok && restore(
                   s.OuterGlowOn, t.OuterGlowOn, s.OuterGlowMask, s.OuterGlow, t.OuterGlow,
                   shadowDiffers(s.OuterGlow, t.OuterGlow),
                   [&] {
                       const TlxGlowStyle& r = t.OuterGlow;
                       const ContourArgs c = contourArgs(r.Contour);
                       return doc_.SetOuterGlow(index, r.BlendMode, r.Opacity, r.Spread, r.Size,
                                                r.Color, c.Use, c.Count, c.Points, c.Table);
                   },
                   [&] { return doc_.RebuildOuterGlow(index); });
    ok = ok && restore(
                   s.InnerGlowOn, t.InnerGlowOn, s.InnerGlowMask, s.InnerGlow, t.InnerGlow,
                   shadowDiffers(s.InnerGlow, t.InnerGlow),
                   [&] {
                       const TlxGlowStyle& r = t.InnerGlow;
                       const ContourArgs c = contourArgs(r.Contour);
                       return doc_.SetInnerGlow(index, r.BlendMode, r.Opacity, r.Spread, r.Size,
                                                r.Color, c.Use, c.Count, c.Points, c.Table);
                   },
                   [&] { return doc_.RebuildInnerGlow(index); });
    ok = ok &&
         restore(
             s.BevelOn, t.BevelOn, s.BevelMask, s.Bevel, t.Bevel, shadowDiffers(s.Bevel, t.Bevel),
             [&] {
                 const TlxBevelStyle& r = t.Bevel;
                 const int m = shownMargin(r.Size, r.Spread);
                 const ContourArgs c = contourArgs(r.Contour);
                 return doc_.SetBevel(index, r.HighlightMode, r.ShadowMode, r.HighlightOpacity,
                                      r.ShadowOpacity, r.HighlightDrawX + m, r.HighlightDrawY + m,
                                      r.Spread, r.Size, r.HighlightColor, r.ShadowColor, c.Use,
                                      c.Count, c.Points, c.Table);
             },
             [&] { return doc_.RebuildBevel(index); });
    const bool strokeDiffers = s.Stroke.Size != t.Stroke.Size ||
                               s.Stroke.Softness != t.Stroke.Softness ||
                               !sameContour(s.Stroke.Contour, t.Stroke.Contour);
    ok = ok && restore(
                   s.StrokeOn, t.StrokeOn, s.StrokeMask, s.Stroke, t.Stroke, strokeDiffers,
                   [&] {
                       const TlxStrokeStyle& r = t.Stroke;
                       const ContourArgs c = contourArgs(r.Contour);
                       return doc_.SetStroke(index, r.BlendMode, r.Opacity, r.Softness, r.Size,
                                             r.Color, c.Use, c.Count, c.Points, c.Table);
                   },
                   [&] { return doc_.RebuildStroke(index); });
    // Gradient overlay.
    if (ok) {
        if (s.GradientOverlayOn != t.GradientOverlayOn) {
            if (s.GradientOverlayOn) {
                s.GradientOverlayBitmap = QImage();
            } else {
                const TlxGradientStyle& g = t.GradientOverlay;
                ok = step(doc_.SetGradientOverlay(index, g.BlendMode, g.Opacity, g.GradientKind,
                                                  snap_.OverlayStops, g.Reverse != 0, g.Angle));
                if (ok) s.GradientOverlay = g;
            }
            if (ok) s.GradientOverlayOn = t.GradientOverlayOn;
        } else if (s.GradientOverlayOn) {
            s.GradientOverlay = t.GradientOverlay;
            ok = step(doc_.RebuildGradientOverlay(index));
        }
    }
    // Pattern overlay.
    if (ok) {
        if (s.PatternOverlayOn != t.PatternOverlayOn) {
            if (s.PatternOverlayOn) {
                s.PatternBitmap = QImage();
            } else {
                ok = step(doc_.SetPatternOverlay(index, t.PatternOverlay.BlendMode,
                                                 t.PatternOverlay.Opacity, snap_.Pattern));
            }
            if (ok) s.PatternOverlayOn = t.PatternOverlayOn;
        } else if (s.PatternOverlayOn) {
            s.PatternOverlay.BlendMode = t.PatternOverlay.BlendMode;
            s.PatternOverlay.Opacity = t.PatternOverlay.Opacity;
            s.PatternBitmap = snap_.Pattern.copy();
        }
    }
    // Stroke gradient.
    if (ok) {
        if (s.StrokeGradientOn != t.StrokeGradientOn) {
            if (s.StrokeGradientOn) {
                s.StrokeGradientBitmap = QImage();
            } else {
                const TlxGradientStyle& g = t.StrokeGradient;
                ok = step(doc_.SetGradientStroke(index, g.GradientKind, snap_.StrokeStops,
                                                 g.Reverse != 0, g.Angle));
                if (ok) s.StrokeGradient = g;
            }
            if (ok) s.StrokeGradientOn = t.StrokeGradientOn;
        } else if (s.StrokeGradientOn) {
            s.StrokeGradient = t.StrokeGradient;
            ok = step(doc_.RebuildGradientStroke(index));
        }
    }
    if (!ok) return;
    s.ColorOverlay = t.ColorOverlay;
    s.ColorOverlayOn = t.ColorOverlayOn;
    l.BlendMode = snap_.BlendMode;
    s.EffectsIgnoreOpacity = snap_.EffectsIgnoreOpacity;
    l.Opacity = snap_.Opacity;
}

void TForm63::closeEvent(QCloseEvent* event) {
    // The working pattern and the snapshot's copy are no longer needed.
    pattern_ = QImage();
    snap_.Pattern = QImage();
    QDialog::closeEvent(event);
}

void TForm63::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BitBtn2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm63::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(Event);
        if (auto* slider = qobject_cast<QSlider*>(Watched)) {
            for (Pair* p : pairs_)
                if (p->Tb == slider) p->PressedValue = slider->value();
            return false;
        }
        if (me->button() == Qt::LeftButton) {
            if (auto* caption = qobject_cast<QLabel*>(Watched);
                caption != nullptr && caption->parentWidget() == Panel1) {
                Label3MouseDown(caption, int(me->position().y()));
                return true;
            }
            for (const auto& [object, action] : clicks_)
                if (object == Watched && action) {
                    // Presses on a page's own controls reach the page only
                    // when nothing took them.
                    action();
                    return Watched != Pages[RowGradientOverlay] && Watched != Pages[RowStroke] &&
                           Watched != Pages[RowPatternOverlay];
                }
        }
    } else if (Event->type() == QEvent::MouseButtonRelease) {
        if (auto* slider = qobject_cast<QSlider*>(Watched)) {
            // The change that follows the release: a geometry slider moved
            // with the mouse rebuilds now, once.
            for (Pair* p : pairs_)
                if (p->Tb == slider && p->RebuildOnRelease) {
                    Pair* pair = p;
                    QTimer::singleShot(0, this, [pair] {
                        if (pair->Tb->value() != pair->PressedValue && pair->Changed)
                            pair->Changed();
                    });
                }
        }
    }
    return QDialog::eventFilter(Watched, Event);
}
