#include "steps/canvas_step.h"

#include "float_text.h"

#include "codepage.h"
#include "lang_strings.h"
#include "lxImagevcl.h"
#include "lxreadwrite.h"
#include "program_state.h"
#include "user_interface_services.h"
#include "velmo_assets.h"
#include "colour_box.h"
#include "widgets/named.h"
#include "widgets/wait_cursor.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>

int CmToPixels(double Cm) {
    return RoundEven(Cm * 100 / 2.54);
}

namespace {

constexpr int kThumbSize = 128;

// The built-in templates, list items 1..6: circle, heart and pentagon at 19
// and at 29 cm. Their captions read 18 and 28 cm, as they always have.
struct BuiltInTemplate {
    int ShapeId;      // the shape mask
    int InnerShapeId; // the inverted inner area; 0: the shape itself, inverted
    int InnerSide;    // inner area in pixels
    const char* Thumbnail;
};
const BuiltInTemplate kBuiltIn[6] = {
    {30003, 0, 512, "Ellimg"}, {30002, 30005, 512, "HeartImg"}, {30001, 30004, 512, "wjximg"},
    {30003, 0, 827, "Ellimg"}, {30002, 30005, 827, "HeartImg"}, {30001, 30004, 827, "wjximg"},
};

// A template file's title in the code page its language digit says.
QString titleText(const QByteArray& bytes, int digit) {
    const std::string raw = bytes.toStdString();
    if (digit == 1) return lx::fromGbk(raw);
    if (digit == 2) return lx::fromBig5(raw);
    const QString utf8 = QString::fromUtf8(bytes);
    return utf8.contains(QChar::ReplacementCharacter) ? QString::fromLatin1(bytes) : utf8;
}

// The side of a thumbnail in device pixels.
int deviceSide(qreal dpr) {
    return qRound(kThumbSize * dpr);
}

// The custom-size entry: a blank canvas with a light dashed edge, so it
// reads as a sheet of any size. Drawn at the screen's resolution.
QImage blankThumbnail(qreal dpr) {
    QImage blank(deviceSide(dpr), deviceSide(dpr), QImage::Format_RGB32);
    blank.setDevicePixelRatio(dpr);
    blank.fill(Qt::white);
    QPainter painter(&blank);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(160, 160, 160), 2, Qt::DashLine));
    painter.drawRect(QRectF(12, 12, kThumbSize - 24, kThumbSize - 24));
    return blank;
}

// The built-in thumbnail Name, from the picture drawn for the screen's
// resolution when there is one.
QImage builtInThumbnail(const QString& name, qreal dpr) {
    const QImage sharp = velmo::TemplateThumbnail(name, dpr);
    return sharp.isNull() ? velmo::TemplateThumbnail(name) : sharp;
}

// Shows a long step's progress through the document's progress events (the
// window's progress bar) while it lives; nothing when Steps is 0.
class StageProgress {
public:
    StageProgress(TlxImage& doc, int steps) : doc_(doc), steps_(steps) {
        if (steps_ > 0 && doc_.OnShowProgressBox) doc_.OnShowProgressBox(&doc_, steps_, 1);
    }
    ~StageProgress() {
        if (steps_ > 0 && doc_.OnShowProgressBox) doc_.OnShowProgressBox(&doc_, steps_, 0);
    }
    StageProgress(const StageProgress&) = delete;
    StageProgress& operator=(const StageProgress&) = delete;
    // One more stage is done.
    void Step() {
        if (steps_ > 0 && done_ < steps_ && doc_.OnProgress) doc_.OnProgress(&doc_, steps_, ++done_);
    }

private:
    TlxImage& doc_;
    const int steps_;
    int done_ = 0;
};

// A length in centimetres as typed or as a template file gives it: the
// decimal point may be "." or the system's own separator.
double parseCm(QString text, bool& ok) {
    text = text.trimmed();
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String(".")) text.replace(point, QLatin1String("."));
    return text.toDouble(&ok);
}

// A template count: decimal digits (or "$" and hexadecimal ones); anything
// else counts as 0.
int strictCount(const QByteArray& value) {
    const QByteArray text = value.trimmed();
    bool ok = false;
    const int count = text.startsWith('$') ? text.mid(1).toInt(&ok, 16) : text.toInt(&ok, 10);
    return ok ? count : 0;
}

// A picture file no larger than the engine takes; null otherwise.
QImage readPicture(const QString& path) {
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && !TlxImage::PictureSizeAllowed(size.width(), size.height())) return {};
    return reader.read();
}

void setTemplateValue(TlxImage& doc, int32_t value) {
    std::memcpy(doc.Layers[0].HostData.data() + TCanvasStep::TemplateValueOffset, &value, 4);
}

} // namespace

TCanvasStep::TCanvasStep(TProgramState& State, TUiServices& Services, QWidget* parent)
    : QWidget(parent), state_(State), services_(Services) {
    if (QCoreApplication::instance() != nullptr)
        ProgramFolder = QCoreApplication::applicationDirPath();

    Image1 = makeNamed<QLabel>(this, "Image1");
    Label1 = makeNamed<QLabel>(this, "Label1");
    Label2 = makeNamed<QLabel>(this, "Label2");
    Label3 = makeNamed<QLabel>(this, "Label3");
    Label4 = makeNamed<QLabel>(this, "Label4");
    Label5 = makeNamed<QLabel>(this, "Label5");
    Label10 = makeNamed<QLabel>(this, "Label10");
    Edit1 = makeNamed<QLineEdit>(this, "Edit1", QStringLiteral("19"));
    Edit2 = makeNamed<QLineEdit>(this, "Edit2", QStringLiteral("19"));
    ColorBox1 = makeNamed<TColorBox>(this, "ColorBox1", services_);
    ListView4 = makeNamed<QListWidget>(this, "ListView4");
    Cb1 = makeNamed<QComboBox>(this, "Cb1");
    BitBtn1 = makeNamed<QPushButton>(this, "BitBtn1");
    Cb1->hide();
    BitBtn1->hide();
    Image1->hide(); // the step's background is the plain window colour

    // Sizes take digits and one decimal point only.
    for (QLineEdit* edit : {Edit1, Edit2}) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), edit));
        edit->setMaximumWidth(90);
        connect(edit, &QLineEdit::returnPressed, this, &TCanvasStep::SizeEntered);
    }

    ListView4->setViewMode(QListView::IconMode);
    ListView4->setIconSize(QSize(kThumbSize, kThumbSize));
    ListView4->setGridSize(QSize(kThumbSize + 40, kThumbSize + 48));
    ListView4->setResizeMode(QListView::Adjust);
    ListView4->setMovement(QListView::Static);
    ListView4->setWordWrap(true);
    ListView4->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ListView4, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0) return;
        Cb1->setCurrentIndex(row);
        Cb1Click();
    });

    auto* size = new QGridLayout;
    size->addWidget(Label1, 0, 0, 1, 4);
    size->addWidget(Label2, 1, 0);
    size->addWidget(Edit1, 1, 1);
    size->addWidget(Label3, 1, 2);
    size->addWidget(Label4, 2, 0);
    size->addWidget(Edit2, 2, 1);
    size->addWidget(Label5, 2, 2);
    size->addWidget(Label10, 3, 0);
    size->addWidget(ColorBox1, 3, 1, 1, 2);
    size->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(size);
    layout->addWidget(ListView4, 1);
    layout->addWidget(Cb1);
    layout->addWidget(BitBtn1);
}

void TCanvasStep::Recaption() {
    Label1->setText(LangText(9));
    Label2->setText(LangText(10));
    Label3->setText(LangText(11));
    Label4->setText(LangText(12));
    Label5->setText(LangText(11));
    Label10->setText(LangText(13));
    BitBtn1->setText(LangText(14));
    ColorBox1->Recaption();
}

QString TCanvasStep::templetFile() const {
    return QDir(ProgramFolder).filePath(QStringLiteral("templet.ini"));
}

bool TCanvasStep::hasTempletFile() const {
    return !ProgramFolder.isEmpty() && QFileInfo(templetFile()).isFile();
}

int TCanvasStep::templetCount() const {
    if (!hasTempletFile()) return 0;
    // A file may say anything; a list of thousands of templates is not one.
    return std::clamp(
        strictCount(ReadIniString(QStringLiteral("templet"), QStringLiteral("Count"), "0",
                                  templetFile())),
        0, 1000);
}

QIcon TCanvasStep::ThumbnailIcon(const QImage& Picture, qreal DevicePixelRatio) {
    if (Picture.isNull()) return QIcon();
    const qreal dpr = std::max<qreal>(1, DevicePixelRatio);
    QImage scaled = Picture.size() == QSize(deviceSide(dpr), deviceSide(dpr))
                        ? Picture
                        : Picture.scaled(deviceSide(dpr), deviceSide(dpr), Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(dpr);
    return QIcon(QPixmap::fromImage(scaled));
}

void TCanvasStep::LoadTemplet() {
    const QSignalBlocker blockList(ListView4);
    const QSignalBlocker blockCombo(Cb1);
    // A rebuild for another language keeps the template the user chose (and
    // the sizes it put into the edits); a new list starts at custom size.
    const bool wasTempletFile = usesTempletFile_;
    const int chosen = Cb1->count() > 0 ? Cb1->currentIndex() : 0;
    const int oldCount = Cb1->count();
    Cb1->clear();
    ListView4->clear();
    // The pictures are made for the screen the list is on, so they stay
    // sharp where the screen has more pixels than the desktop's units.
    const qreal dpr = std::max<qreal>(1, ListView4->devicePixelRatioF());
    Cb1->addItem(LangText(111));
    ListView4->addItem(new QListWidgetItem(ThumbnailIcon(blankThumbnail(dpr), dpr), LangText(111)));

    // A file that cannot be read, or whose count is no positive number,
    // offers nothing: the built-in templates stand in for it.
    const int count = templetCount();
    usesTempletFile_ = count > 0;
    if (usesTempletFile_) {
        const QString file = templetFile();
        const int digit = LangBase == LangSimplified ? 1 : LangBase / 1000 + 1;
        const QString titleKey = QStringLiteral("Tit%1").arg(digit);
        for (int k = 1; k <= count; ++k) {
            const QString section = QString::number(k);
            Cb1->addItem(titleText(ReadIniString(section, titleKey, "unknow", file), digit));
            const QString zoom = QString::fromLocal8Bit(
                ReadIniString(section, QStringLiteral("zoom"), "unknow", file));
            QImage thumbnail = readPicture(QDir(ProgramFolder).filePath(zoom));
            if (thumbnail.isNull()) thumbnail = builtInThumbnail(QStringLiteral("NoImg"), dpr);
            ListView4->addItem(new QListWidgetItem(ThumbnailIcon(thumbnail, dpr), Cb1->itemText(k)));
        }
    } else {
        const QString sizes[2] = {QStringLiteral("18x18cm "), QStringLiteral("28x28cm ")};
        for (int k = 0; k < 6; ++k) {
            Cb1->addItem(sizes[k / 3] + LangText(112 + k % 3));
            const QImage thumbnail =
                builtInThumbnail(QString::fromLatin1(kBuiltIn[k].Thumbnail), dpr);
            ListView4->addItem(
                new QListWidgetItem(ThumbnailIcon(thumbnail, dpr), Cb1->itemText(k + 1)));
        }
    }
    const bool sameList = wasTempletFile == usesTempletFile_ && oldCount == Cb1->count();
    const int row = sameList && chosen > 0 && chosen < Cb1->count() ? chosen : 0;
    Cb1->setCurrentIndex(row);
    ListView4->setCurrentRow(row);
    if (row > 0) ListView4->scrollToItem(ListView4->item(row));
}

void TCanvasStep::Cb1Click() {
    const int index = Cb1->currentIndex();
    if (index <= 0) return;
    if (usesTempletFile_) {
        const QString section = QString::number(index);
        Edit1->setText(QString::fromLocal8Bit(
            ReadIniString(section, QStringLiteral("Width"), "10", templetFile())));
        Edit2->setText(QString::fromLocal8Bit(
            ReadIniString(section, QStringLiteral("Height"), "10", templetFile())));
    } else if (index <= 6) {
        const QString side = index <= 3 ? QStringLiteral("19") : QStringLiteral("29");
        Edit1->setText(side);
        Edit2->setText(side);
    }
}

int TCanvasStep::TemplateValue(const TlxImage& Doc) {
    if (Doc.LayersCount < 1) return 0;
    int32_t value = 0;
    std::memcpy(&value, Doc.Layers[0].HostData.data() + TemplateValueOffset, 4);
    return value;
}

bool TCanvasStep::No1(TlxImageVcl& Doc) {
    // Sizes that are not numbers, not positive or beyond any balloon would
    // give a document the program cannot work with; they get the size message.
    bool okWidth = false, okHeight = false;
    const double widthCm = parseCm(Edit1->text(), okWidth);
    const double heightCm = parseCm(Edit2->text(), okHeight);
    const auto sane = [](bool ok, double cm) {
        return ok && std::isfinite(cm) && cm <= MaxSideCm && CmToPixels(cm) >= 1;
    };
    if (!sane(okWidth, widthCm) || !sane(okHeight, heightCm)) {
        services_.ShowMessage(this, LangText(41), QMessageBox::Critical);
        return false;
    }
    const int width = CmToPixels(widthCm);
    const int height = CmToPixels(heightCm);
    const TColor colour = ColorBox1->Selected();

    if (!makeCanvas(Doc, width, height, colour)) {
        services_.ShowMessage(this, LangText(41), QMessageBox::Critical);
        return false;
    }
    state_.CanvasWidthCm = widthCm;
    state_.CanvasHeightCm = heightCm;

    state_.Guides.PlaceCentreGuides(Doc.ImageWidth, Doc.ImageHeight);
    return true;
}

bool TCanvasStep::makeCanvas(TlxImageVcl& Doc, int Width, int Height, TColor Colour) {
    // The hourglass while the canvas is made, and on a large canvas the
    // progress bar; both go on every way out.
    const TWaitCursor wait;
    StageProgress progress(Doc, double(Width) * Height >= LargeCanvasPixels ? 5 : 0);
    const bool made = Doc.LayersCount == 0 ? Doc.NewImage(true, Colour, 24, Width, Height)
                                           : Doc.ResizeCanvas(Width, Height, Colour);
    if (!made) return false;
    progress.Step();

    // No background picture is chosen in step 1: the background layer has
    // no pattern.
    Doc.RemovePatternOverlay(0);
    if (usesTempletFile_)
        ApplyTemplet1(Doc);
    else
        ApplyTemplet(Doc);
    progress.Step();

    // The shape guide: the outline of the shape with the inner area cut out.
    QImage guide = Doc.Layers[0].HasMask ? TlxImage::MaskLevels(Doc.Layers[0].Mask) : QImage();
    const bool shaped = guide.size() == QSize(Doc.ImageWidth, Doc.ImageHeight);
    if (shaped) DrawSelRgn1(Doc, guide);
    progress.Step();
    if (shaped)
        Doc.SetSelectionBitmap(guide);
    else
        Doc.ClearSelection();
    progress.Step();
    Doc.ReDraw();
    progress.Step();
    return true;
}

bool TCanvasStep::applyShape(TlxImage& Doc, const QImage& Shape) {
    if (Shape.isNull()) return false;
    Doc.BackgroundMode = lxBackTransparent; // the checkerboard shows outside the shape
    return Doc.SetLayerMaskPicture(0, Shape);
}

void TCanvasStep::ApplyTemplet(TlxImage& Doc) {
    setTemplateValue(Doc, 0);
    const int index = Cb1->currentIndex();
    if (index >= 1 && index <= 6 && applyShape(Doc, velmo::ShapeMask(kBuiltIn[index - 1].ShapeId)))
        setTemplateValue(Doc, index);
    Doc.MakeCheckerBackground();
}

void TCanvasStep::ApplyTemplet1(TlxImage& Doc) {
    setTemplateValue(Doc, 0);
    const int index = Cb1->currentIndex();
    if (index <= 0) {
        Doc.MakeCheckerBackground();
        return;
    }
    const QString mask = QString::fromLocal8Bit(
        ReadIniString(QString::number(index), QStringLiteral("mask"), "", templetFile()));
    const QString name = mask.toLower();
    int builtIn = 0;
    if (name == QLatin1String("ellipse")) builtIn = 30003;
    if (name == QLatin1String("heart")) builtIn = 30002;
    if (name == QLatin1String("pentagon")) builtIn = 30001;
    if (builtIn != 0) {
        applyShape(Doc, velmo::ShapeMask(builtIn));
        Doc.MakeCheckerBackground();
        return;
    }
    const QString path = QDir(ProgramFolder).filePath(mask);
    if (!mask.isEmpty() && QFileInfo(path).isFile() &&
        QFileInfo(path).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) {
        applyShape(Doc, readPicture(path));
        Doc.MakeCheckerBackground();
    }
}

void TCanvasStep::ShowOpenedDesign(TlxImage& Doc) {
    {
        const QSignalBlocker quietList(ListView4), quietBox(Cb1);
        if (ListView4->count() > 0) ListView4->setCurrentRow(0);
        Cb1->setCurrentIndex(0);
    }
    Edit1->setText(FloatToStr(Doc.ImageWidth / 100.0 * 2.54));
    Edit2->setText(FloatToStr(Doc.ImageHeight / 100.0 * 2.54));
    state_.CanvasWidthCm = Doc.ImageWidth / 100.0 * 2.54;
    state_.CanvasHeightCm = Doc.ImageHeight / 100.0 * 2.54;
    QImage guide = Doc.LayersCount > 0 && Doc.Layers[0].HasMask
                       ? TlxImage::MaskLevels(Doc.Layers[0].Mask)
                       : QImage();
    if (guide.size() == QSize(Doc.ImageWidth, Doc.ImageHeight)) {
        DrawSelRgn1(Doc, guide);
        Doc.SetSelectionBitmap(guide);
    } else {
        Doc.ClearSelection();
    }
}

void TCanvasStep::ResetForNewDesign() {
    const QSignalBlocker quietList(ListView4), quietBox(Cb1);
    if (ListView4->count() > 0) ListView4->setCurrentRow(0);
    Cb1->setCurrentIndex(0);
}

void TCanvasStep::DrawSelRgn1(TlxImage& Doc, QImage& Guide) {
    if (Guide.isNull()) return;
    QImage inner;
    if (usesTempletFile_) {
        const int index = Cb1->currentIndex();
        if (index <= 0) return;
        const QString section = QString::number(index);
        const QString file = templetFile();
        const QString mask1 =
            QString::fromLocal8Bit(ReadIniString(section, QStringLiteral("mask1"), "", file));
        const QByteArray w = ReadIniString(section, QStringLiteral("mask1Width"), "0", file);
        const QByteArray h = ReadIniString(section, QStringLiteral("mask1Height"), "0", file);
        if (mask1.isEmpty() || w == "0" || h == "0") return;
        const QString path =
            QFileInfo(mask1).isFile() ? mask1 : QDir(ProgramFolder).filePath(mask1);
        bool okW = false, okH = false;
        const double wCm = parseCm(QString::fromLatin1(w), okW);
        const double hCm = parseCm(QString::fromLatin1(h), okH);
        if (!okW || !okH || wCm <= 0 || hCm <= 0 || wCm > MaxSideCm || hCm > MaxSideCm) return;
        const QImage picture = readPicture(path);
        if (picture.isNull()) return;
        QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
        if (!Doc.StretchMaskLinear(grey, inner, CmToPixels(wCm), CmToPixels(hCm))) return;
        TlxImage::InvertLevels(inner);
    } else {
        const int value = TemplateValue(Doc);
        if (value < 1 || value > 6) return;
        const BuiltInTemplate& t = kBuiltIn[value - 1];
        if (t.InnerShapeId == 0) {
            // The circle's inner area is the shape itself, smaller and inverted.
            if (!Doc.StretchMaskLinear(Guide, inner, t.InnerSide, t.InnerSide)) return;
            TlxImage::InvertLevels(inner);
        } else {
            const QImage shape = velmo::ShapeMask(t.InnerShapeId);
            if (shape.isNull() || !Doc.StretchMaskLinear(shape, inner, t.InnerSide, t.InnerSide))
                return;
        }
    }
    TlxImage::AndLevelsCentred(Guide, inner);
}
