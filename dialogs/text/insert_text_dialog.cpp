#include "insert_text_dialog.h"

#include "circle_text_dialog.h"
#include "codepage.h"
#include "colour_box.h"
#include "dialog_services.h"
#include "float_text.h"
#include "lang_strings.h"
#include "lxImage.h"
#include "program_strings.h"
#include "text_description.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kMemoCharacters = 2000;
// The typing pause after which the sample is drawn again.
constexpr int kSampleDelayMs = 120;
// The sample document: any text layer but a freehand one takes the size
// its text needs, whatever the canvas.
constexpr int kSampleCanvasWidth = 600;
constexpr int kSampleCanvasHeight = 400;

const QString kDefaultFont = QStringLiteral("宋体");
const QString kTraditionalFont = QStringLiteral("細明體");

// The Windows font names a design may carry, offered where the machine has
// a look-alike to draw them with: those of the language's own script first.
const char* const kSimplifiedNames[] = {"宋体", "新宋体", "黑体", "楷体", "仿宋", "微软雅黑"};
const char* const kTraditionalNames[] = {"細明體", "新細明體"};
const char* const kWesternNames[] = {"Arial", "Times New Roman", "Courier New", "Tahoma",
                                     "Verdana"};

QToolButton* makeToggle(QWidget* Parent, const char* Name) {
    auto* b = new QToolButton(Parent);
    b->setObjectName(QString::fromLatin1(Name));
    b->setCheckable(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

template <class W> W* makeNamedChild(QWidget* Parent, const char* Name) {
    auto* w = new W(Parent);
    w->setObjectName(QString::fromLatin1(Name));
    return w;
}

// The picture of an arrangement button: a few letters laid out the way
// the arrangement lays out a text.
QIcon arrangementIcon(int Arrangement, qreal Ratio) {
    const QSize size(48, 40);
    QImage image(size * Ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(Ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(QColor(160, 160, 160), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 4, 4);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(20, 60, 160));
    const QString letters = QStringLiteral("ABCDEFGH");
    auto letterAt = [&](QChar c, QPointF centre, double degrees) {
        p.save();
        p.translate(centre);
        p.rotate(degrees);
        p.drawText(QRectF(-6, -7, 12, 14), Qt::AlignCenter, QString(c));
        p.restore();
    };
    switch (Arrangement) {
    case 0: // lines across
        p.drawText(QRectF(4, 5, 40, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ABCD"));
        p.drawText(QRectF(4, 20, 40, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("EFG"));
        break;
    case 6: // columns down
        for (int i = 0; i < 3; ++i) letterAt(letters[i], QPointF(30, 8 + 11 * i), 0);
        for (int i = 0; i < 2; ++i) letterAt(letters[3 + i], QPointF(17, 8 + 11 * i), 0);
        break;
    case 1: // one turned line
        for (int i = 0; i < 4; ++i) letterAt(letters[i], QPointF(9 + 10 * i, 32 - 7 * i), -35);
        break;
    case 3: // a whole circle
        for (int i = 0; i < 8; ++i) {
            const double a = i * 2 * std::numbers::pi / 8 - std::numbers::pi / 2;
            letterAt(letters[i], QPointF(24 + 14 * std::cos(a), 20 + 14 * std::sin(a)),
                     i * 45.0);
        }
        break;
    case 4: // an arc
        for (int i = 0; i < 5; ++i) {
            const double a = std::numbers::pi * (1.15 + 0.175 * i);
            letterAt(letters[i], QPointF(24 + 18 * std::cos(a), 34 + 18 * std::sin(a)),
                     -63 + 31.5 * i);
        }
        break;
    case 5: { // placed by hand along a path
        QPainterPath path(QPointF(6, 30));
        path.cubicTo(QPointF(16, 4), QPointF(30, 40), QPointF(42, 10));
        p.save();
        p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.restore();
        for (int i = 0; i < 4; ++i) {
            const qreal t = 0.08 + i * 0.28;
            letterAt(letters[i], path.pointAtPercent(t), -path.angleAtPercent(t));
        }
        break;
    }
    default:
        break;
    }
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

TForm7::TForm7(TDialogServices& Services, QWidget* parent)
    : QDialog(parent), services_(Services), engine_(std::make_unique<TlxImage>()) {
    setObjectName(QStringLiteral("Form7"));
    engine_->NewImage(true, lxRGB(255, 255, 255), 24, kSampleCanvasWidth, kSampleCanvasHeight);

    auto* label1 = makeNamedChild<QLabel>(this, "Label1");
    auto* label2 = makeNamedChild<QLabel>(this, "Label2");
    auto* label3 = makeNamedChild<QLabel>(this, "Label3");
    label1->setText(LangText(57));
    label2->setText(LangText(58));
    label3->setText(LangText(59));
    Cb1 = makeNamedChild<QComboBox>(this, "Cb1");
    Cb1->setMinimumWidth(190);
    Cb1->setMaxVisibleItems(20);
    CB2 = makeNamedChild<QComboBox>(this, "CB2");
    CB2->setEditable(true);
    CB2->setInsertPolicy(QComboBox::NoInsert);
    CB2->setMaxVisibleItems(20);
    CB2->setMinimumWidth(72);
    // Only digits can be typed into the size box.
    CB2->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), CB2));
    for (int v = 1; v <= 100; ++v) CB2->addItem(QString::number(v));
    for (int v = 102; v <= 200; v += 2) CB2->addItem(QString::number(v));
    CorBox1 = new TColorBox(Services, this);
    CorBox1->setObjectName(QStringLiteral("CorBox1"));
    CorBox1->SetCustomCaption(70);
    label1->setBuddy(Cb1);
    label2->setBuddy(CB2);
    label3->setBuddy(CorBox1);

    SpeedButton1 = makeToggle(this, "SpeedButton1");
    SpeedButton2 = makeToggle(this, "SpeedButton2");
    SpeedButton3 = makeToggle(this, "SpeedButton3");
    SpeedButton4 = makeToggle(this, "SpeedButton4");
    SpeedButton1->setText(LangText(60));
    SpeedButton2->setText(LangText(61));
    SpeedButton3->setText(LangText(62));
    SpeedButton4->setText(LangText(63));

    Label4 = makeNamedChild<QLabel>(this, "Label4");
    TB1 = new QSlider(Qt::Horizontal, this);
    TB1->setObjectName(QStringLiteral("TB1"));
    TB1->setRange(-360, 360);
    TB1->setMinimumWidth(150);
    SpinEdit1 = makeNamedChild<QSpinBox>(this, "SpinEdit1");
    SpinEdit1->setRange(-360, 360);
    SpinEdit2 = makeNamedChild<QSpinBox>(this, "SpinEdit2");
    SpinEdit3 = makeNamedChild<QSpinBox>(this, "SpinEdit3");
    // Spacing has no limits of its own; it is kept in 16 bits.
    for (QSpinBox* s : {SpinEdit2, SpinEdit3}) s->setRange(-32768, 32767);
    Label9 = makeNamedChild<QLabel>(this, "Label9");
    Label9->setText(LangText(261));
    Button1 = makeNamedChild<QPushButton>(this, "Button1");

    static const char* const kButtonNames[] = {"SpeedButton5", "SpeedButton6", "SpeedButton7",
                                               "SpeedButton8", "SpeedButton9", "SpeedButton10"};
    auto* arrangements = new QHBoxLayout;
    arrangements->setSpacing(4);
    for (size_t i = 0; i < ArrangementButtons.size(); ++i) {
        QToolButton* b = makeToggle(this, kButtonNames[i]);
        b->setAutoExclusive(true);
        b->setFixedSize(65, 57);
        b->setIconSize(QSize(48, 40));
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setIcon(arrangementIcon(ButtonArrangements[i], devicePixelRatioF()));
        ArrangementButtons[i] = b;
        arrangements->addWidget(b);
    }
    arrangements->addStretch(1);

    // The arrangement and smoothing lists are never shown: the buttons pick
    // the arrangement, the size list the smoothing.
    Cb3 = makeNamedChild<QComboBox>(this, "Cb3");
    Cb4 = makeNamedChild<QComboBox>(this, "Cb4");
    for (int k : {71, 72, 73, 74, 75, 234, 260}) Cb3->addItem(LangText(k));
    for (int k = 76; k <= 79; ++k) Cb4->addItem(LangText(k));
    Cb3->hide();
    Cb4->hide();
    for (size_t i = 0; i < ArrangementButtons.size(); ++i)
        ArrangementButtons[i]->setToolTip(Cb3->itemText(ButtonArrangements[i]));

    CheckBox1 = makeNamedChild<QCheckBox>(this, "CheckBox1");
    CheckBox1->setText(LangText(68));
    Edit1 = makeNamedChild<QPlainTextEdit>(this, "Edit1");
    Edit1->setFixedSize(561, 145);
    Edit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Edit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Edit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Edit1->setTabChangesFocus(true);
    Sample = makeNamedChild<QLabel>(this, "Sample");
    Sample->setFixedSize(561, 96);
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setFrameShape(QFrame::StyledPanel);
    Sample->setAutoFillBackground(true);

    BitBtn1 = makeNamedChild<QPushButton>(this, "BitBtn1");
    BitBtn3 = makeNamedChild<QPushButton>(this, "BitBtn3");
    BitBtn2 = makeNamedChild<QPushButton>(this, "BitBtn2");
    BitBtn1->setText(LangText(55));
    BitBtn3->setText(LangText(69));
    BitBtn2->setText(LangText(54));
    BitBtn1->setDefault(true);
    BitBtn1->setAutoDefault(true);
    BitBtn3->setAutoDefault(false);
    BitBtn2->setAutoDefault(false);
    BitBtn3->hide();

    // Layout: font, size, colour; styles and the angle row; the six
    // arrangements; the memo with its sample; the buttons.
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* top = new QHBoxLayout;
    top->addWidget(label1);
    top->addWidget(Cb1, 1);
    top->addSpacing(8);
    top->addWidget(label2);
    top->addWidget(CB2);
    top->addSpacing(8);
    top->addWidget(label3);
    top->addWidget(CorBox1);
    layout->addLayout(top);
    auto* second = new QHBoxLayout;
    for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4})
        second->addWidget(b);
    second->addSpacing(12);
    second->addWidget(Label4);
    second->addWidget(TB1, 1);
    second->addWidget(SpinEdit1);
    second->addWidget(SpinEdit2);
    second->addSpacing(6);
    second->addWidget(Label9);
    second->addWidget(SpinEdit3);
    second->addWidget(Button1);
    second->addStretch(0);
    layout->addLayout(second);
    layout->addLayout(arrangements);
    layout->addWidget(CheckBox1);
    layout->addWidget(Edit1);
    layout->addWidget(Sample);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BitBtn3);
    bottom->addStretch(1);
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    layout->addLayout(bottom);

    sampleTimer_ = new QTimer(this);
    sampleTimer_->setSingleShot(true);
    sampleTimer_->setInterval(kSampleDelayMs);
    connect(sampleTimer_, &QTimer::timeout, this, &TForm7::UpdateSampleNow);

    connect(TB1, &QSlider::valueChanged, this, [this](int v) {
        if (SpinEdit1->value() != v) SpinEdit1->setValue(v);
        scheduleSample();
    });
    connect(SpinEdit1, &QSpinBox::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty() && TB1->value() != SpinEdit1->value()) TB1->setValue(SpinEdit1->value());
        scheduleSample();
    });
    for (QSpinBox* s : {SpinEdit2, SpinEdit3})
        connect(s, &QSpinBox::valueChanged, this, &TForm7::scheduleSample);
    connect(CB2, &QComboBox::activated, this, [this] { CB2Click(); });
    connect(CB2, &QComboBox::currentTextChanged, this, &TForm7::scheduleSample);
    connect(Cb1, &QComboBox::currentIndexChanged, this, [this] {
        if (CheckBox1->isChecked()) applyMemoFont();
        scheduleSample();
    });
    connect(CorBox1, &QComboBox::currentIndexChanged, this, [this] {
        if (CheckBox1->isChecked()) applyMemoFont();
        scheduleSample();
    });
    for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4})
        connect(b, &QToolButton::toggled, this, [this] {
            if (CheckBox1->isChecked()) applyMemoFont();
            scheduleSample();
        });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { applyMemoFont(); });
    for (size_t i = 0; i < ArrangementButtons.size(); ++i) {
        const int arrangement = ButtonArrangements[i];
        connect(ArrangementButtons[i], &QToolButton::clicked, this, [this, arrangement] {
            selectArrangement(arrangement);
            Cb3Click();
        });
    }
    connect(Button1, &QPushButton::clicked, this, &TForm7::Button1Click);
    connect(Edit1, &QPlainTextEdit::textChanged, this, &TForm7::memoTextChanged);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm7::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm7::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    fillFonts();
    Preset(Settings{});
}

TForm7::~TForm7() = default;

void TForm7::fillFonts() {
    QStringList names;
    for (QString family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        // A family several foundries make is listed once, by its name.
        const qsizetype foundry = family.indexOf(QStringLiteral(" ["));
        if (foundry > 0 && family.endsWith(QLatin1Char(']'))) family.truncate(foundry);
        names << family;
    }
    auto offer = [&](const char* Name) {
        const QString name = QString::fromUtf8(Name);
        if (!names.contains(name) && TlxImage::FontDrawable(lx::toGbk(name))) names << name;
    };
    if (LangBase == LangTraditional) {
        for (const char* n : kTraditionalNames) offer(n);
    } else {
        for (const char* n : kSimplifiedNames) offer(n);
    }
    for (const char* n : kWesternNames) offer(n);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.localeAwareCompare(b) < 0; });
    names.removeDuplicates();
    const QSignalBlocker quiet(Cb1);
    Cb1->clear();
    Cb1->addItems(names);
}

void TForm7::Preset(const Settings& S) {
    presetting_ = true;
    setWindowTitle(S.Caption.isEmpty() ? LangText(56) : S.Caption);
    Edit1->setPlainText(S.Text.left(kMemoCharacters));
    QString font = S.FontName;
    if (font.isEmpty()) {
        font = kDefaultFont;
        if (LangBase == LangTraditional && Cb1->findText(font) < 0) font = kTraditionalFont;
    }
    int index = Cb1->findText(font);
    // A design's font this machine lacks stays the text's font; the engine
    // draws it with a look-alike.
    if (index < 0 && !S.FontName.isEmpty()) {
        Cb1->addItem(font);
        index = Cb1->count() - 1;
    }
    Cb1->setCurrentIndex(index);
    CB2->setCurrentText(S.SizeText);
    CorBox1->SetSelected(textdesc::ColourRef(S.Color));
    SpeedButton1->setChecked(S.Bold);
    SpeedButton2->setChecked(S.Italic);
    SpeedButton3->setChecked(S.Underline);
    SpeedButton4->setChecked(S.StrikeOut);
    SpinEdit1->setValue(S.Angle);
    TB1->setValue(S.Angle);
    SpinEdit2->setValue(S.LetterSpacing);
    SpinEdit3->setValue(S.LineSpacing);
    Cb4->setCurrentIndex(std::clamp(S.Smoothing, 0, 3));
    circleSettings_ = S.CircleSettings;
    circleFlip_ = S.CircleFlip;
    freehandCount_ = std::clamp(S.FreehandCount, 0, TForm96Settings::MaxChars);
    freehandPoints_ = S.FreehandPoints;
    freehandAngles_ = S.FreehandAngles;
    selectArrangement(std::clamp(S.Arrangement, 0, 6));
    // Showing: the arrangement's controls, without opening its settings (a
    // freehand text takes medium smoothing, as choosing it does).
    Cb3Click();
    settingsStale_ = false;
    presetting_ = false;
    UpdateSampleNow();
    // The text is what the user came to type.
    Edit1->setFocus();
    Edit1->moveCursor(QTextCursor::End);
}

TForm7::Settings TForm7::Read() const {
    Settings s;
    s.Caption = windowTitle();
    s.Text = Edit1->toPlainText();
    s.FontName = fontName();
    s.SizeText = CB2->currentText();
    s.Color = textdesc::FromColourRef(CorBox1->Selected());
    s.Bold = SpeedButton1->isChecked();
    s.Italic = SpeedButton2->isChecked();
    s.Underline = SpeedButton3->isChecked();
    s.StrikeOut = SpeedButton4->isChecked();
    s.Angle = SpinEdit1->value();
    s.Arrangement = arrangement();
    s.Smoothing = Cb4->currentIndex();
    s.LetterSpacing = SpinEdit2->value();
    s.LineSpacing = SpinEdit3->value();
    s.CircleSettings = circleSettings_;
    s.CircleFlip = circleFlip_;
    s.FreehandCount = freehandCount_;
    s.FreehandPoints = freehandPoints_;
    s.FreehandAngles = freehandAngles_;
    return s;
}

void TForm7::SetHelpFolder(const QString& Folder) {
    helpFolder_ = Folder;
    BitBtn3->setVisible(!Folder.isEmpty() && QDir(Folder).exists());
}

int TForm7::arrangement() const {
    return std::max(0, Cb3->currentIndex());
}

QString TForm7::fontName() const {
    return Cb1->currentText();
}

std::string TForm7::textBytes() const {
    return textdesc::StoredText(Edit1->toPlainText());
}

void TForm7::selectArrangement(int Arrangement) {
    Cb3->setCurrentIndex(Arrangement);
    for (size_t i = 0; i < ArrangementButtons.size(); ++i) {
        if (ButtonArrangements[i] == Arrangement) ArrangementButtons[i]->setChecked(true);
    }
    // Arrangement 2 has no button: none is shown pressed.
    if (Arrangement == 2) {
        for (QToolButton* b : ArrangementButtons) {
            b->setAutoExclusive(false);
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
    }
}

void TForm7::Cb3Click() {
    const int a = arrangement();
    Label4->setText(LangText(65));
    settingsStale_ = true;
    Label4->show();
    TB1->show();
    SpinEdit1->show();
    Label9->hide();
    SpinEdit2->hide();
    SpinEdit3->hide();
    scheduleSample();
    if (a == 0 || a == 6) {
        Label9->show();
        SpinEdit2->show();
        SpinEdit3->show();
        TB1->hide();
        SpinEdit1->hide();
        Label4->setText(LangText(80));
    }
    if (a == 4) {
        if (circleSettings_ < 256) circleSettings_ = 0;
        // The settings button takes the angle row's place.
        Label4->hide();
        TB1->hide();
        SpinEdit1->hide();
        Button1->setText(LangText(64));
        Button1->show();
        if (!presetting_ && textBytes().size() > 5) showCircleSettings();
        return;
    }
    if (a == 3) {
        Label4->hide();
        TB1->hide();
        SpinEdit1->hide();
        Button1->hide();
        return;
    }
    if (a == 5) {
        Label4->hide();
        TB1->hide();
        SpinEdit1->hide();
        Button1->setText(LangText(235));
        Button1->show();
        Cb4->setCurrentIndex(2);
        return;
    }
    Button1->hide();
}

int TForm7::SmoothingForSize(int V) {
    if (V < 11) return 0;
    if (V <= 200) return 3;
    return 2;
}

void TForm7::CB2Click() {
    bool ok = false;
    const int v = CB2->currentText().toInt(&ok);
    Cb4->setCurrentIndex(SmoothingForSize(ok ? v : 0));
    if (CheckBox1->isChecked()) applyMemoFont();
    scheduleSample();
}

void TForm7::applyMemoFont() {
    if (!CheckBox1->isChecked()) {
        Edit1->setFont(font());
        QPalette p = Edit1->palette();
        p.setColor(QPalette::Text, palette().color(QPalette::Text));
        Edit1->setPalette(p);
        return;
    }
    TlxTextStyle style{};
    SetFontName(style, lx::toGbk(fontName()));
    bool ok = false;
    const int size = CB2->currentText().toInt(&ok);
    QFont f = TlxImage::TextFont(style);
    if (ok && size > 0) f.setPointSize(std::min(size, TForm7::LargestSize));
    f.setBold(SpeedButton1->isChecked());
    f.setItalic(SpeedButton2->isChecked());
    f.setUnderline(SpeedButton3->isChecked());
    f.setStrikeOut(SpeedButton4->isChecked());
    Edit1->setFont(f);
    QPalette p = Edit1->palette();
    p.setColor(QPalette::Text, textdesc::FromColourRef(CorBox1->Selected()));
    Edit1->setPalette(p);
}

void TForm7::memoTextChanged() {
    if (Edit1->toPlainText().size() > kMemoCharacters) {
        // The memo holds at most 2000 characters: what goes over is cut.
        const QSignalBlocker quiet(Edit1);
        QTextCursor cursor = Edit1->textCursor();
        const int at = std::min(cursor.position(), kMemoCharacters);
        Edit1->setPlainText(Edit1->toPlainText().left(kMemoCharacters));
        cursor = Edit1->textCursor();
        cursor.setPosition(at);
        Edit1->setTextCursor(cursor);
    }
    settingsStale_ = true;
    scheduleSample();
}

void TForm7::scheduleSample() {
    if (!presetting_) sampleTimer_->start();
}

void TForm7::UpdateSampleNow() {
    sampleTimer_->stop();
    sample_ = QImage();
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(Read());
    while (engine_->LayersCount > 1) engine_->DeleteLayer(engine_->LayersCount - 1);
    QPixmap shown;
    // Freehand letters show once they have their places.
    const bool placed = arrangement() != lxTextFreehand || freehandCount_ > 0;
    if (style && placed && !TextOf(*style).empty() && engine_->AddTextLayer(0, 0, *style)) {
        const TlxLayer& layer = engine_->Layers[size_t(engine_->LayersCount - 1)];
        // Only the part holding the text is shown.
        const QImage& alpha = layer.Alpha;
        int x0 = alpha.width(), y0 = alpha.height(), x1 = -1, y1 = -1;
        for (int y = 0; y < alpha.height(); ++y) {
            const uchar* row = alpha.constScanLine(y);
            int first = -1, last = -1;
            for (int x = 0; x < alpha.width(); ++x)
                if (row[x] != 0) {
                    if (first < 0) first = x;
                    last = x;
                }
            if (first < 0) continue;
            x0 = std::min(x0, first);
            x1 = std::max(x1, last);
            y0 = std::min(y0, y);
            y1 = y;
        }
        if (x1 >= 0) {
            const QRect used(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
            sample_ = alpha.copy(used);
            const QColor colour = textdesc::FromColourRef(style->Color);
            // Light letters are shown on grey, the rest on white.
            const QColor back = colour.lightness() > 200 ? QColor(128, 128, 128) : Qt::white;
            QImage picture(used.size(), QImage::Format_RGB32);
            picture.fill(back);
            for (int y = 0; y < used.height(); ++y) {
                const uchar* a = sample_.constScanLine(y);
                const uchar* c = layer.Bitmap.constScanLine(used.top() + y) + used.left() * 3;
                auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
                for (int x = 0; x < used.width(); ++x) {
                    const int k = a[x];
                    auto mix = [k](int fg, int bg) { return (fg * k + bg * (255 - k) + 127) / 255; };
                    out[x] = qRgb(mix(c[3 * x + 2], back.red()), mix(c[3 * x + 1], back.green()),
                                  mix(c[3 * x], back.blue()));
                }
            }
            const QSize room = Sample->contentsRect().size() - QSize(8, 8);
            if (picture.width() > room.width() || picture.height() > room.height())
                picture = picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            shown = QPixmap::fromImage(picture);
            QPalette p = Sample->palette();
            p.setColor(QPalette::Window, back);
            Sample->setPalette(p);
        }
    }
    Sample->setPixmap(shown);
}

void TForm7::showCircleSettings() {
    std::optional<TlxTextStyle> style = textdesc::TextDescription(Read());
    if (!style) {
        TForm7Settings s = Read();
        s.SizeText = QStringLiteral("100");
        style = textdesc::TextDescription(s);
        if (!style) return;
    }
    style->Color = lxRGB(255, 255, 255);
    style->Arrangement = lxTextArc;
    style->Param = circleSettings_;
    style->Reverse = circleFlip_;
    TForm76Settings preset;
    preset.Style = *style;
    if (uint32_t(circleSettings_) > 655359u) {
        preset.CircleSize = int(uint32_t(circleSettings_) >> 16);
        preset.StartAngle = int(uint32_t(circleSettings_) & 0xFFFF);
    } else {
        const double w = QFontMetrics(TlxImage::TextFont(*style))
                             .horizontalAdvance(lx::fromGbk(TextOf(*style)));
        const int size = std::clamp(int(std::nearbyint(w / std::numbers::pi)), 100, 500);
        preset.CircleSize = size;
        preset.StartAngle =
            int(std::nearbyint(360 - w / (size * 2 * std::numbers::pi / 360) / 2));
    }
    preset.CmText = FloatToStr(preset.CircleSize / 100.0 * 5.08);
    preset.Flip = circleFlip_;
    TForm76 dialog(this);
    const std::optional<TForm76Settings> chosen = RunDialog(services_, dialog, preset);
    if (!chosen) return;
    circleSettings_ = TForm76::CircleParam(chosen->CircleSize, chosen->StartAngle);
    circleFlip_ = chosen->Flip;
    settingsStale_ = false;
    scheduleSample();
}

void TForm7::Button1Click() {
    if (arrangement() == 5)
        SetMouseText();
    else
        showCircleSettings();
}

void TForm7::SetMouseText() {
    TForm96Settings preset;
    if (FreehandBackground) preset = FreehandBackground();
    if (preset.Background.isNull()) {
        preset.Background = QImage(kSampleCanvasWidth, kSampleCanvasHeight, QImage::Format_ARGB32);
        preset.Background.fill(Qt::white);
    }
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(Read());
    if (style) {
        preset.Font = *style;
    } else {
        SetFontName(preset.Font, lx::toGbk(fontName()));
        preset.Font.Size = 100;
        preset.Font.Color = CorBox1->Selected();
    }
    preset.CharTexts = textdesc::FreehandCharacters(textBytes());
    const int count = int(preset.CharTexts.size());
    if (count > 0 && !settingsStale_ && freehandCount_ > 0) {
        preset.CharPoints = freehandPoints_;
        preset.CharAngles = freehandAngles_;
        preset.PlacedCount = count;
        preset.Placing = false;
    } else {
        preset.PlacedCount = 0;
        preset.Placing = true;
    }
    TForm96 dialog(this);
    const std::optional<TForm96Settings> chosen = RunDialog(services_, dialog, preset);
    if (!chosen) return;
    freehandCount_ = int(std::min<size_t>(chosen->CharTexts.size(), TForm96Settings::MaxChars));
    freehandPoints_ = chosen->CharPoints;
    freehandAngles_ = chosen->CharAngles;
    settingsStale_ = false;
    scheduleSample();
}

void TForm7::BitBtn1Click() {
    const int a = arrangement();
    std::string bytes = textBytes();
    if ((a == 3 || a == 4 || a == 5) && bytes.size() < 6) {
        services_.ShowMessage(this, LangText(81).replace(QStringLiteral("%s"), Cb3->itemText(a)),
                              QMessageBox::Critical);
        Edit1->setFocus();
        return;
    }
    if (!textdesc::FontSizeFromText(CB2->currentText())) {
        services_.ShowMessage(this, ProgramText(PsTextSizeInvalid).arg(LargestSize),
                              QMessageBox::Critical);
        CB2->setFocus();
        CB2->lineEdit()->selectAll();
        return;
    }
    if (a == 5 && settingsStale_) {
        // The characters are placed before the text is taken; without them
        // there would be nothing to draw where the user meant.
        SetMouseText();
        if (settingsStale_) return;
    }
    Settings chosen = Read();
    if (a == 3) chosen.Text = textdesc::MemoText(textdesc::PadCircleText(bytes));
    const std::optional<TlxTextStyle> style = textdesc::TextDescription(chosen);
    QSize needed;
    if (!style || (a != 5 && !engine_->TextBitmapSize(TextOf(*style), *style, needed))) {
        services_.ShowMessage(this, ProgramText(PsTextTooLarge), QMessageBox::Critical);
        Edit1->setFocus();
        return;
    }
    if (a == 3) {
        const QSignalBlocker quiet(Edit1);
        Edit1->setPlainText(chosen.Text);
    }
    accept();
}

void TForm7::BitBtn3Click() {
    if (helpFolder_.isEmpty()) return;
    QString page = QStringLiteral("intext.htm");
    if (LangBase == LangTraditional) page = QStringLiteral("big5/intext.htm");
    if (LangBase == LangEnglish) page = QStringLiteral("english/intext.htm");
    services_.OpenHelp(QUrl::fromLocalFile(QDir(helpFolder_).filePath(page)));
}
