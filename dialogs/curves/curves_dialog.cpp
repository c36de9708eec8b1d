#include "curves_dialog.h"

#include "dialog_services.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "lxreadwrite.h"
#include "program_folders.h"
#include "program_strings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kSide = 256;     // the editing square, one pixel per level
constexpr int kBarWidth = 14;  // the channel colour bars beside and below it
constexpr int kPickReach = 6;  // a press this near a point takes that point
constexpr int kMinGap = 8;     // dragging keeps points this far apart
constexpr int kHistogramTop = 10;

std::vector<TlxContourPoint> identityPoints() {
    return {{0, 255}, {255, 0}};
}

QColor channelColour(int Channel) {
    switch (Channel) {
    case 1:
        return QColor(255, 0, 0);
    case 2:
        return QColor(0, 255, 0);
    case 3:
        return QColor(0, 0, 255);
    default:
        return QColor(255, 255, 255);
    }
}

// A name the preset file can carry: no folder separators, no characters a
// file name cannot hold on any of the systems the program runs on.
bool usablePresetName(const QString& Name) {
    if (Name == QLatin1String(".") || Name == QLatin1String("..")) return false;
    for (const QChar c : Name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
        if (QStringLiteral("\\/:*?\"<>|").contains(c)) return false;
    }
    return true;
}

// A folder a preset can be written to: an existing folder (not a link) that
// may be written, or a missing one whose parent may be written.
bool folderWritable(const QString& Folder) {
    if (Folder.isEmpty()) return false;
    const QFileInfo info(Folder);
    if (info.exists() || info.isSymLink()) return info.isDir() && !info.isSymLink() && info.isWritable();
    const QFileInfo parent(info.absolutePath());
    return parent.isDir() && parent.isWritable();
}

QStringList presetNamesIn(const QString& Folder) {
    QStringList files;
    if (Folder.isEmpty()) return files;
    ListFiles(Folder + QStringLiteral("/*.cve"), faReadOnly | faHidden | faSysFile, files);
    QStringList names;
    for (const QString& f : files)
        names << f.left(f.size() - 4);
    return names;
}

} // namespace

// The editing square: one pixel per level, the mouse steps handed to the
// dialog, painted by it.
class TCurveSquare : public QWidget {
public:
    explicit TCurveSquare(TForm80& Owner) : QWidget(&Owner), owner_(Owner) {
        setFixedSize(kSide, kSide);
        setFocusPolicy(Qt::ClickFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        owner_.paintSquare(p);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        const QPoint at = e->position().toPoint();
        owner_.qnAddPoint(std::clamp(at.x(), 0, 255), std::clamp(at.y(), 0, 255));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!owner_.Dragging_) return;
        const QPoint at = e->position().toPoint();
        owner_.dragTo(at.x(), at.y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !owner_.Dragging_) return;
        owner_.Dragging_ = false;
        owner_.mouseReleased();
    }

private:
    TForm80& owner_;
};

namespace {

// A bar of the channel's colour running to black: from the top down when
// vertical, from the left to the right (black to full) when horizontal.
class TChannelBar : public QWidget {
public:
    TChannelBar(QWidget* Parent, bool Vertical) : QWidget(Parent), vertical_(Vertical) {
        if (Vertical)
            setFixedSize(kBarWidth, kSide);
        else
            setFixedSize(kSide, kBarWidth);
    }
    void SetColour(const QColor& Colour) {
        colour_ = Colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(0, 0, vertical_ ? 0 : width(), vertical_ ? height() : 0);
        g.setColorAt(0, vertical_ ? colour_ : Qt::black);
        g.setColorAt(1, vertical_ ? Qt::black : colour_);
        p.fillRect(rect(), g);
    }

private:
    bool vertical_;
    QColor colour_ = Qt::white;
};

} // namespace

TForm80::TForm80(TDialogServices& Services, QWidget* parent)
    : TForm80(Services,
              velmo::PluginFolderFor(QCoreApplication::applicationDirPath(),
                                     velmo::CurvePluginFileName()),
              parent) {}

TForm80::TForm80(TDialogServices& Services, const QString& PluginFolder, QWidget* parent)
    : QDialog(parent), services_(Services) {
    setObjectName(QStringLiteral("Form80"));
    setWindowTitle(ProgramText(PsCurveCaption));
    const QString programFolder = QCoreApplication::applicationDirPath();
    SetPresetFolders(programFolder + QStringLiteral("/Curve"),
                     QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                         QStringLiteral("/Curve"));
    buildControls();
    resetCurves();
    curveChanged();
    loadPlugin(PluginFolder);
}

TForm80::~TForm80() {
    CurvePoints_ = nullptr;
    if (Library_.isLoaded()) Library_.unload();
}

void TForm80::loadPlugin(const QString& Folder) {
    const QString path = Folder + QLatin1Char('/') + velmo::CurvePluginFileName();
    if (!QFileInfo(path).isFile()) {
        services_.ShowMessage(this, ProgramText(PsCurvePluginMissing),
                              QMessageBox::Critical);
        return;
    }
    Library_.setFileName(path);
    auto entry = reinterpret_cast<TlxImage::GetCurvePointsFn>(Library_.resolve("GetCurvePoints"));
    if (!entry) {
        services_.ShowMessage(this, ProgramText(PsCurvePluginBroken),
                              QMessageBox::Critical);
        return;
    }
    CurvePoints_ = entry;
    curveChanged();
}

void TForm80::buildControls() {
    CurveBox = new TCurveSquare(*this);
    CurveBox->setObjectName(QStringLiteral("CurveBox"));
    auto* vertical = new TChannelBar(this, true);
    vertical->setObjectName(QStringLiteral("VerticalBar"));
    VerticalBar = vertical;
    auto* horizontal = new TChannelBar(this, false);
    horizontal->setObjectName(QStringLiteral("HorizontalBar"));
    HorizontalBar = horizontal;

    ChannelBox = new QComboBox(this);
    ChannelBox->setObjectName(QStringLiteral("ChannelBox"));
    ChannelBox->addItems({ProgramText(PsCurveLuminance), ProgramText(PsCurveRed),
                          ProgramText(PsCurveGreen), ProgramText(PsCurveBlue)});
    RangeBox = new QComboBox(this);
    RangeBox->setObjectName(QStringLiteral("RangeBox"));
    RangeBox->addItems({ProgramText(PsCurveWholeLayer), ProgramText(PsCurveSelectedArea)});

    const auto levelEdit = [this](const char* Name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(Name));
        edit->setMaxLength(3);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), edit));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
        return edit;
    };
    InputEdit = levelEdit("InputEdit");
    OutputEdit = levelEdit("OutputEdit");
    InputLabel = new QLabel(ProgramText(PsCurveInput), this);
    InputLabel->setObjectName(QStringLiteral("InputLabel"));
    InputLabel->setBuddy(InputEdit);
    OutputLabel = new QLabel(ProgramText(PsCurveOutput), this);
    OutputLabel->setObjectName(QStringLiteral("OutputLabel"));
    OutputLabel->setBuddy(OutputEdit);

    const auto button = [this](const char* Name, const QString& Text) {
        auto* b = new QPushButton(Text, this);
        b->setObjectName(QString::fromLatin1(Name));
        b->setAutoDefault(false);
        return b;
    };
    ResetButton = button("ResetButton", ProgramText(PsCurveReset));
    PresetList = new QListWidget(this);
    PresetList->setObjectName(QStringLiteral("PresetList"));
    LoadPresetButton = button("LoadPresetButton", ProgramText(PsCurveLoadPreset));
    SavePresetButton = button("SavePresetButton", ProgramText(PsCurveSavePreset));
    BitBtn1 = button("BitBtn1", LangText(55));
    BitBtn1->setDefault(true);
    BitBtn2 = button("BitBtn2", LangText(54));

    // The square with its bars: the vertical one to its left, the
    // horizontal one below it; the level boxes under them.
    auto* square = new QGridLayout;
    square->setSpacing(4);
    square->addWidget(VerticalBar, 0, 0);
    square->addWidget(CurveBox, 0, 1);
    square->addWidget(HorizontalBar, 1, 1);
    auto* levels = new QHBoxLayout;
    levels->addWidget(InputLabel);
    levels->addWidget(InputEdit);
    levels->addSpacing(12);
    levels->addWidget(OutputLabel);
    levels->addWidget(OutputEdit);
    levels->addStretch(1);
    square->addLayout(levels, 2, 1);

    auto* side = new QVBoxLayout;
    side->addWidget(ChannelBox);
    side->addWidget(RangeBox);
    side->addWidget(ResetButton);
    side->addSpacing(8);
    side->addWidget(PresetList, 1);
    side->addWidget(LoadPresetButton);
    side->addWidget(SavePresetButton);
    side->addSpacing(8);
    side->addWidget(BitBtn1);
    side->addWidget(BitBtn2);

    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(square);
    layout->addSpacing(8);
    layout->addLayout(side);
    PresetList->setFixedHeight(120);
    const int sideWidth =
        std::max({ChannelBox->sizeHint().width(), RangeBox->sizeHint().width(),
                  SavePresetButton->sizeHint().width(), LoadPresetButton->sizeHint().width(), 160});
    for (QWidget* w : std::initializer_list<QWidget*>{ChannelBox, RangeBox, ResetButton, PresetList,
                                                      LoadPresetButton, SavePresetButton, BitBtn1,
                                                      BitBtn2})
        w->setFixedWidth(sideWidth);

    connect(ChannelBox, &QComboBox::currentIndexChanged, this, [this] { ChannelBoxChange(); });
    connect(RangeBox, &QComboBox::currentIndexChanged, this, [this] { RangeBoxChange(); });
    connect(InputEdit, &QLineEdit::textEdited, this, [this] { InputEditChange(); });
    connect(OutputEdit, &QLineEdit::textEdited, this, [this] { OutputEditChange(); });
    connect(ResetButton, &QPushButton::clicked, this, [this] { ResetButtonClick(); });
    connect(LoadPresetButton, &QPushButton::clicked, this, [this] { LoadPresetButtonClick(); });
    connect(SavePresetButton, &QPushButton::clicked, this, [this] { SavePresetButtonClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, &TForm80::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm80::reject);

    Histogram_ = QImage(kSide, kSide, QImage::Format_RGB32);
    Histogram_.fill(palette().color(QPalette::Button));
    refreshPresetList();
}

// ---------------------------------------------------------------- modes

void TForm80::SetContourMode(bool Contour) {
    Tag = Contour ? ContourTag : 0;
    ChannelBox->setVisible(!Contour);
    RangeBox->setVisible(!Contour);
    if (Contour && Channel_ != 0) ChannelBox->setCurrentIndex(0);
}

int TForm80::MaxPoints() const {
    return ContourMode() ? TlxContour::MaxPoints : TCurvePreset::MaxPoints;
}

bool TForm80::adjusting() const {
    return !ContourMode() && Target_.Document != nullptr && !Original_.isNull();
}

void TForm80::SetPoints(const std::vector<TlxContourPoint>& Points) {
    const bool usable = CurvePointsUsable(Points) && int(Points.size()) <= MaxPoints();
    Points_ = usable ? Points : identityPoints();
    Selected_ = 0;
    Lists_[size_t(Channel_)] = Points_;
    curveChanged();
}

void TForm80::SetTarget(const TCurvesTarget& Target) {
    Target_ = {};
    Original_ = QImage();
    Layer_ = -1;
    TlxImageVcl* doc = Target.Document;
    if (doc == nullptr) return;
    const int layer = Target.Layer >= 0 ? Target.Layer : doc->CurrLayerID;
    if (layer < 0 || layer >= doc->LayersCount) return;
    const QImage& bitmap = doc->Layers[size_t(layer)].Bitmap;
    if (bitmap.isNull() || bitmap.format() != QImage::Format_BGR888) return;
    // A copy of its own, so that writing the layer never copies it again.
    Original_ = bitmap.copy();
    if (Original_.isNull()) return;
    Target_ = Target;
    Layer_ = layer;
    const bool selection = doc->HasSelection && !doc->SelBitmap.isNull();
    if (auto* model = qobject_cast<QStandardItemModel*>(RangeBox->model()))
        if (QStandardItem* item = model->item(1)) item->setEnabled(selection);
    if (!selection) RangeBox->setCurrentIndex(0);
}

bool TForm80::Applied() const {
    if (Target_.Document == nullptr || Layer_ < 0 || Layer_ >= Target_.Document->LayersCount)
        return false;
    return Target_.Document->Layers[size_t(Layer_)].Bitmap != Original_;
}

CurveTable TForm80::ChannelTable(int Channel) const {
    if (Channel < 0 || Channel >= ChannelCount) return IdentityCurveTable();
    return Tables_[size_t(Channel)];
}

void TForm80::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!PluginReady()) {
        QTimer::singleShot(0, this, [this] { done(QDialog::Rejected); });
        return;
    }
    if (ContourMode()) {
        curveChanged();
        return;
    }
    resetCurves();
    const QSignalBlocker block(ChannelBox);
    ChannelBox->setCurrentIndex(0);
    ChannelBoxChange();
}

void TForm80::accept() {
    if (!PluginReady()) {
        QDialog::reject();
        return;
    }
    BuildTable();
    QDialog::accept();
}

void TForm80::reject() {
    // The layer goes back to how it was before the dialog touched it.
    if (adjusting() && Applied()) {
        restoreLayer();
        recompose();
    }
    QDialog::reject();
}

void TForm80::keyPressEvent(QKeyEvent* event) {
    // A level box being typed in takes the key itself, so a Delete that
    // arrives here is meant for the curve.
    if (event->key() == Qt::Key_Delete) {
        qnDelPoint();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------- editing

void TForm80::qnAddPoint(int X, int Y) {
    const int n = int(Points_.size());
    if (n < 2) return;
    int k;
    if (X < Points_.front().X) {
        k = 0;
    } else if (X > Points_.back().X) {
        k = n - 1;
    } else {
        int j = n - 1;
        while (j > 0 && Points_[size_t(j)].X > X)
            --j;
        if (X <= Points_[size_t(j)].X + kPickReach) {
            k = j;
        } else if (j + 1 < n && X >= Points_[size_t(j + 1)].X - kPickReach) {
            k = j + 1;
        } else {
            // A new point; a full curve takes no more.
            if (n >= MaxPoints()) return;
            k = j + 1;
            Points_.insert(Points_.begin() + k, TlxContourPoint{X, Y});
        }
    }
    Points_[size_t(k)] = {X, Y};
    Selected_ = k;
    Dragging_ = true;
    curveChanged();
}

int TForm80::clampX(int k, int X) const {
    const int n = int(Points_.size());
    const int now = Points_[size_t(k)].X;
    // Ends may go to the square's edges; every point keeps its distance from
    // its neighbours, or what it has when it is already nearer.
    int lo = k == 0 ? 0 : Points_[size_t(k - 1)].X + kMinGap;
    int hi = k == n - 1 ? 255 : Points_[size_t(k + 1)].X - kMinGap;
    lo = std::min(lo, now);
    hi = std::max(hi, now);
    return std::clamp(X, std::max(lo, 0), std::min(hi, 255));
}

void TForm80::dragTo(int X, int Y) {
    if (Selected_ < 0 || Selected_ >= int(Points_.size())) return;
    Points_[size_t(Selected_)] = {clampX(Selected_, X), std::clamp(Y, 0, 255)};
    curveChanged();
}

void TForm80::mouseReleased() {
    commitCurve();
}

void TForm80::qnDelPoint() {
    const int n = int(Points_.size());
    if (Selected_ <= 0 || Selected_ >= n - 1) return;
    Points_.erase(Points_.begin() + Selected_);
    Selected_ = std::min(Selected_, int(Points_.size()) - 2);
    curveChanged();
    commitCurve();
}

void TForm80::InputEditChange() {
    bool ok = false;
    const int v = InputEdit->text().toInt(&ok);
    if (!ok || Selected_ < 0 || Selected_ >= int(Points_.size())) return;
    Points_[size_t(Selected_)].X = clampX(Selected_, std::clamp(v, 0, 255));
    Typing_ = InputEdit;
    curveChanged();
    Typing_ = nullptr;
    commitCurve();
}

void TForm80::OutputEditChange() {
    bool ok = false;
    const int v = OutputEdit->text().toInt(&ok);
    if (!ok || Selected_ < 0 || Selected_ >= int(Points_.size())) return;
    Points_[size_t(Selected_)].Y = 255 - std::clamp(v, 0, 255);
    Typing_ = OutputEdit;
    curveChanged();
    Typing_ = nullptr;
    commitCurve();
}

void TForm80::resetCurves() {
    for (auto& list : Lists_)
        list = identityPoints();
    Tables_.fill(IdentityCurveTable());
    Points_ = identityPoints();
    Selected_ = 0;
    Dragging_ = false;
}

void TForm80::ResetButtonClick() {
    resetCurves();
    curveChanged();
    if (adjusting()) {
        applyCurve();
        drawHistogram();
    }
}

void TForm80::curveChanged() {
    Polyline_.clear();
    if (Points_.size() > 2 && CurvePoints_) {
        std::vector<TlxPoint> in(Points_.size());
        for (size_t k = 0; k < Points_.size(); ++k)
            in[k] = {Points_[k].X, Points_[k].Y};
        Polyline_.resize(MaxOutPoints);
        int32_t count = 0;
        CurvePoints_(in.data(), int32_t(in.size()), Polyline_.data(), MaxOutPoints, &count);
        Polyline_.resize(size_t(std::clamp(count, 0, MaxOutPoints)));
    }
    if (Selected_ >= 0 && Selected_ < int(Points_.size())) {
        const TlxContourPoint p = Points_[size_t(Selected_)];
        // The box being typed in keeps what the user typed.
        if (Typing_ != InputEdit) InputEdit->setText(QString::number(p.X));
        if (Typing_ != OutputEdit) OutputEdit->setText(QString::number(255 - p.Y));
    }
    CurveBox->update();
}

void TForm80::BuildTable() {
    Tables_[size_t(Channel_)] = BuildCurveTable(Points_, Polyline_);
}

void TForm80::commitCurve() {
    Lists_[size_t(Channel_)] = Points_;
    if (!adjusting()) return;
    applyCurve();
    drawHistogram();
}

// ---------------------------------------------------------------- applying

void TForm80::restoreLayer() {
    TlxImageVcl* doc = Target_.Document;
    if (doc == nullptr || Layer_ < 0 || Layer_ >= doc->LayersCount || Original_.isNull()) return;
    QImage& bitmap = doc->Layers[size_t(Layer_)].Bitmap;
    if (bitmap.size() == Original_.size() && bitmap.format() == Original_.format() &&
        bitmap.bits() != nullptr) {
        // Row by row into the layer's own buffer: no new picture, no copy of
        // the copy.
        const qsizetype bytes = qsizetype(Original_.width()) * 3;
        for (int y = 0; y < Original_.height(); ++y)
            std::memcpy(bitmap.scanLine(y), Original_.constScanLine(y), size_t(bytes));
    } else {
        bitmap = Original_.copy();
    }
}

void TForm80::applyCurve() {
    TlxImageVcl* doc = Target_.Document;
    if (!adjusting() || Layer_ < 0 || Layer_ >= doc->LayersCount) return;
    BuildTable();
    const bool inSelection =
        RangeBox->currentIndex() == 1 && doc->HasSelection && !doc->SelBitmap.isNull();
    bool ok;
    if (inSelection) {
        // Only the selected pixels are written, so the rest must be the
        // untouched ones again.
        restoreLayer();
        ok = Channel_ == 0
                 ? doc->ApplyCurveInSelection(Layer_, Original_, Tables_[0])
                 : doc->ApplyCurvesRGBInSelection(Layer_, Original_, Tables_[1], Tables_[2], Tables_[3]);
    } else {
        ok = Channel_ == 0 ? doc->ApplyCurve(Layer_, Original_, Tables_[0])
                           : doc->ApplyCurvesRGB(Layer_, Original_, Tables_[1], Tables_[2], Tables_[3]);
    }
    // A failed application leaves the layer as it was, never half done.
    if (!ok) restoreLayer();
    recompose();
}

void TForm80::recompose() {
    if (Target_.Recompose) {
        Target_.Recompose();
        return;
    }
    TlxImageVcl* doc = Target_.Document;
    if (doc != nullptr && doc->ReDraw()) doc->PaintImage();
}

void TForm80::drawHistogram() {
    const QColor face = palette().color(QPalette::Button);
    Histogram_.fill(face);
    TlxImageVcl* doc = Target_.Document;
    if (ContourMode() || doc == nullptr || Layer_ < 0 || Layer_ >= doc->LayersCount) {
        CurveBox->update();
        return;
    }
    std::array<int, 257> counts{};
    // The selection is placed over the current layer's picture, so the
    // adjusted layer is made current for the count.
    const int current = doc->CurrLayerID;
    doc->CurrLayerID = Layer_;
    const bool ok = doc->GetSelectionHistogram(doc->Layers[size_t(Layer_)].Bitmap,
                                               uint8_t(Channel_), counts);
    doc->CurrLayerID = current;
    const int largest = ok ? *std::max_element(counts.begin() + 1, counts.end()) : 0;
    if (largest != 0) {
        const QColor bar(std::max(face.red() - 15, 0), std::max(face.green() - 15, 0),
                         std::max(face.blue() - 15, 0));
        const QRgb rgb = bar.rgb();
        const int height = Histogram_.height();
        for (int j = 0; j < 256; ++j) {
            const int up = RoundEven(double(counts[size_t(1 + j)]) * (height - kHistogramTop) / largest);
            for (int r = 0; r < up; ++r)
                reinterpret_cast<QRgb*>(Histogram_.scanLine(height - 1 - r))[j] = rgb;
        }
    }
    CurveBox->update();
}

void TForm80::showChannelBars() {
    const QColor colour = channelColour(Channel_);
    static_cast<TChannelBar*>(VerticalBar)->SetColour(colour);
    static_cast<TChannelBar*>(HorizontalBar)->SetColour(colour);
}

void TForm80::ChannelBoxChange() {
    const int channel = std::clamp(ChannelBox->currentIndex(), 0, ChannelCount - 1);
    Channel_ = channel;
    showChannelBars();
    Points_ = Lists_[size_t(channel)];
    if (!CurvePointsUsable(Points_)) Points_ = identityPoints();
    Selected_ = 0;
    Dragging_ = false;
    curveChanged();
    if (!adjusting()) return;
    drawHistogram();
    applyCurve();
}

void TForm80::RangeBoxChange() {
    if (adjusting()) applyCurve();
}

// ---------------------------------------------------------------- painting

void TForm80::paintSquare(QPainter& P) {
    P.fillRect(0, 0, kSide, kSide, palette().color(QPalette::Button));
    P.drawImage(0, 0, Histogram_);
    QPen grid(palette().color(QPalette::Dark), 1, Qt::DotLine);
    P.setPen(grid);
    for (int v : {64, 128, 192, 256}) {
        P.drawLine(v, 0, v, kSide);
        P.drawLine(0, v, kSide, v);
    }
    P.setPen(Qt::black);
    P.drawLine(0, 0, 0, kSide);
    P.drawLine(0, 0, kSide, 0);
    if (Points_.size() < 2) return;
    const TlxContourPoint first = Points_.front();
    const TlxContourPoint last = Points_.back();
    P.drawLine(0, first.Y, first.X, first.Y);
    const std::vector<TlxPoint> straight =
        Points_.size() == 2 ? StraightCurvePolyline(first, last) : std::vector<TlxPoint>{};
    const std::vector<TlxPoint>& line = Points_.size() == 2 ? straight : Polyline_;
    if (line.size() >= 2) {
        QPolygon polygon(int(line.size()));
        for (size_t k = 0; k < line.size(); ++k)
            polygon.setPoint(int(k), line[k].X, line[k].Y);
        P.drawPolyline(polygon);
    }
    P.drawLine(last.X, last.Y, 255, last.Y);
    for (int k = 0; k < int(Points_.size()); ++k) {
        const TlxContourPoint p = Points_[size_t(k)];
        P.setBrush(k == Selected_ ? Qt::black : Qt::white);
        P.drawRect(p.X - 4, p.Y - 4, 8, 8);
    }
}

// ---------------------------------------------------------------- presets

void TForm80::SetPresetFolders(const QString& Shipped, const QString& User) {
    ShippedFolder_ = Shipped;
    UserFolder_ = User;
    if (PresetList) refreshPresetList();
}

QString TForm80::PresetSaveFolder() const {
    return folderWritable(ShippedFolder_) || UserFolder_.isEmpty() ? ShippedFolder_ : UserFolder_;
}

QStringList TForm80::PresetNames() const {
    QStringList names = presetNamesIn(ShippedFolder_);
    if (UserFolder_ != ShippedFolder_) names << presetNamesIn(UserFolder_);
    names.removeDuplicates();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString TForm80::presetPath(const QString& Name) const {
    // The folder saving goes to first: a preset saved there under a shipped
    // name is the one the user meant.
    const QString save = PresetSaveFolder();
    const QString other = save == ShippedFolder_ ? UserFolder_ : ShippedFolder_;
    for (const QString& folder : {save, other}) {
        if (folder.isEmpty()) continue;
        const QString path = folder + QLatin1Char('/') + Name + QStringLiteral(".cve");
        if (QFileInfo::exists(path)) return path;
    }
    return save + QLatin1Char('/') + Name + QStringLiteral(".cve");
}

void TForm80::refreshPresetList(const QString& Select) {
    PresetList->clear();
    PresetList->addItems(PresetNames());
    if (Select.isEmpty()) return;
    const auto found = PresetList->findItems(Select, Qt::MatchExactly);
    if (!found.isEmpty()) PresetList->setCurrentItem(found.front());
}

void TForm80::LoadPresetButtonClick() {
    const QListWidgetItem* item = PresetList->currentItem();
    if (item == nullptr) return;
    const QString name = item->text();
    TCurvePreset preset;
    QString error;
    if (!ReadCurvePreset(presetPath(name), name, preset, &error)) {
        services_.ShowMessage(this, error, QMessageBox::Warning);
        return;
    }
    if (int(preset.Points.size()) > MaxPoints()) {
        services_.ShowMessage(this,
                              ProgramText(PsCurvePresetTooManyPoints)
                                  .arg(name)
                                  .arg(preset.Points.size())
                                  .arg(MaxPoints()),
                              QMessageBox::Warning);
        return;
    }
    Points_ = preset.Points;
    Selected_ = 0;
    Tables_[size_t(Channel_)] = preset.Table;
    curveChanged();
    commitCurve();
}

void TForm80::SavePresetButtonClick() {
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("PresetNameDialog"));
    ask.setWindowTitle(ProgramText(PsCurveSaveCaption));
    ask.setLabelText(ProgramText(PsCurvePresetPrompt));
    ask.setOkButtonText(LangText(55));
    ask.setCancelButtonText(LangText(54));
    ask.setTextValue(QString());
    if (services_.RunModal(ask) != QDialog::Accepted) return;
    const QString name = ask.textValue().trimmed();
    if (name.isEmpty()) return;
    if (!usablePresetName(name)) {
        services_.ShowMessage(this, ProgramText(PsCurvePresetBadName).arg(name),
                              QMessageBox::Warning);
        return;
    }
    const QString folder = PresetSaveFolder();
    if (!QDir().mkpath(folder)) {
        services_.ShowMessage(this,
                              ProgramText(PsCurvePresetNotSaved)
                                  .arg(name, QDir::toNativeSeparators(folder)),
                              QMessageBox::Warning);
        return;
    }
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".cve");
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        if (services_.ShowMessage(this, ProgramText(PsCurveReplaceQuestion).arg(name),
                                  QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes)
            return;
    }
    BuildTable();
    TCurvePreset preset;
    preset.Points = Points_;
    preset.Table = Tables_[size_t(Channel_)];
    QString error;
    if (!WriteCurvePreset(path, name, preset, &error)) {
        services_.ShowMessage(this, error, QMessageBox::Warning);
        return;
    }
    refreshPresetList(name);
}

// ---------------------------------------------------------------- contour

bool EditContour(TDialogServices& Services, QWidget* Parent, TlxContour& Contour) {
    TForm80 dialog(Services, Parent);
    if (!dialog.PluginReady()) return false;
    dialog.SetContourMode(true);
    const int count = std::clamp(int(Contour.PointCount), 0, TlxContour::MaxPoints);
    if (count >= 2)
        dialog.SetPoints(std::vector<TlxContourPoint>(Contour.Points, Contour.Points + count));
    else
        dialog.SetPoints({});
    if (Services.RunModal(dialog) != QDialog::Accepted) return false;
    dialog.BuildTable();
    const std::vector<TlxContourPoint> points = dialog.Points();
    const CurveTable table = dialog.Table();
    Contour.UseContour = 1;
    Contour.PointCount = int32_t(points.size());
    for (int k = 0; k < TlxContour::MaxPoints; ++k)
        Contour.Points[k] = k < int(points.size()) ? points[size_t(k)] : TlxContourPoint{0, 0};
    std::memcpy(Contour.Table, table.data(), 256);
    Contour.Table[256] = table[255];
    return true;
}
