#include "open_design_dialog.h"

#include "dialog_parts.h"
#include "lang_strings.h"
#include "picture_codecs.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

// The design file's header and the fields the preview reads.
constexpr qint64 kHeaderSize = 1044;
constexpr int kWidthAt = 8;
constexpr int kHeightAt = 12;
constexpr int kThumbnailKindAt = 26;
constexpr int kThumbnailOffsetAt = 28;
constexpr int kThumbnailSizeAt = 32;

// The program writes thumbnails of at most 100 x 100 pixels, a few
// kilobytes; anything near this size is not a thumbnail.
constexpr qint64 kMaxThumbnailBytes = 16 * 1024 * 1024;
// A bitmap is read whole before it is decoded; past this it is not
// previewed (a 24-bit picture of this size has some 89 million pixels).
constexpr qint64 kMaxBitmapFileBytes = 256 * 1024 * 1024;

uint32_t getU32(const QByteArray& Data, int At) {
    const auto* p = reinterpret_cast<const uint8_t*>(Data.constData()) + At;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void putU32(QByteArray& Data, int At, uint32_t Value) {
    for (int i = 0; i < 4; ++i) Data[At + i] = char(uint8_t(Value >> (8 * i)));
}

// A picture in memory through Qt's reader of Format, refused from its header
// when it is larger than any picture the program takes.
QImage decodePicture(const QByteArray& Data, const char* Format) {
    QBuffer buffer;
    buffer.setData(Data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, Format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (size.isValid() &&
        (size.isEmpty() || qint64(size.width()) * size.height() > velmo::codecs::MaxPixels))
        return {};
    QImage picture;
    if (!reader.read(&picture)) return {};
    return picture;
}

// Any picture as 24 bits of blue, green, red, drawn at (0, 0) onto white so
// that a transparent part shows as the empty page.
QImage toBgr24(const QImage& Picture) {
    if (Picture.isNull()) return {};
    if (!Picture.hasAlphaChannel()) return Picture.convertToFormat(QImage::Format_BGR888);
    QImage bitmap(Picture.size(), QImage::Format_BGR888);
    if (bitmap.isNull()) return {};
    bitmap.fill(Qt::white);
    QPainter painter(&bitmap);
    painter.drawImage(0, 0, Picture);
    painter.end();
    return bitmap;
}

// The file's bytes when it has at most Limit of them; empty otherwise.
QByteArray readWhole(const QString& FileName, qint64 Limit) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 size = file.size();
    if (size <= 0 || size > Limit) return {};
    QByteArray data = file.read(size);
    if (data.size() != size) return {};
    return data;
}

TFilePreview fitted(const QImage& Bitmap, QSize Size, QSize Frame) {
    TFilePreview preview;
    const QSize fit = FittedPreviewSize(Bitmap.size(), Frame);
    if (fit.isEmpty()) return preview;
    const QImage scaled =
        Bitmap.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    preview.Picture = scaled.convertToFormat(QImage::Format_BGR888);
    if (preview.Picture.isNull()) return {};
    preview.Size = Size;
    return preview;
}

// The design's own size from the header, when it reads as one.
QSize designSize(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray header = file.read(kHeaderSize);
    if (header.size() != kHeaderSize) return {};
    const int w = int32_t(getU32(header, kWidthAt));
    const int h = int32_t(getU32(header, kHeightAt));
    return w > 0 && h > 0 ? QSize(w, h) : QSize();
}

// Without the accelerator mark: "&Open saved file..." reads "Open saved
// file...", "&&" one ampersand.
QString withoutAccelerator(const QString& Caption) {
    QString shown;
    for (qsizetype i = 0; i < Caption.size(); ++i) {
        if (Caption[i] == QLatin1Char('&') && i + 1 < Caption.size()) ++i;
        shown += Caption[i];
    }
    return shown;
}

} // namespace

bool ReadlxlZoom(const QString& FileName, QImage& Bitmap) {
    try {
        QFile file(FileName);
        if (!file.open(QIODevice::ReadOnly)) return false;
        const qint64 fileSize = file.size();
        const QByteArray header = file.read(kHeaderSize);
        if (header.size() != kHeaderSize) return false;
        if (!header.startsWith("QNL") && !header.startsWith("LXL")) return false;
        const int kind = uint8_t(header[kThumbnailKindAt]);
        if (kind == 0) return false;
        const qint64 at = getU32(header, kThumbnailOffsetAt);
        const qint64 length = getU32(header, kThumbnailSizeAt);
        if (length <= 0 || length > kMaxThumbnailBytes || at > fileSize || length > fileSize - at)
            return false;
        if (!file.seek(at)) return false;
        const QByteArray bytes = file.read(length);
        if (bytes.size() != length) return false;
        QImage picture;
        switch (kind) {
        case 1: picture = decodePicture(bytes, "BMP"); break;
        case 2: picture = decodePicture(bytes, "JPEG"); break;
        case 5: picture = decodePicture(bytes, "ICO"); break;
        default: return false; // 3 and 4: metafiles, which Qt cannot draw
        }
        QImage bitmap = toBgr24(picture);
        if (bitmap.isNull()) return false;
        Bitmap = std::move(bitmap);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void RepairBitmapSizeField(QByteArray& Data) {
    if (Data.size() < 54 || Data[0] != 'B' || Data[1] != 'M') return;
    if (getU32(Data, 14) < 40) return; // the old 12-byte header has no such field
    const int64_t width = int32_t(getU32(Data, 18));
    const int64_t height = int32_t(getU32(Data, 22));
    const int64_t bits = uint16_t(uint8_t(Data[28]) | uint8_t(Data[29]) << 8);
    const uint64_t w = uint64_t(width < 0 ? -width : width);
    const uint64_t h = uint64_t(height < 0 ? -height : height);
    // A count of bits past 2^35 is a size past 32 bits: the field stays.
    if (w == 0 || h == 0 || bits == 0) return;
    if (w > (uint64_t(1) << 35) / h || w * h > (uint64_t(1) << 35) / uint64_t(bits)) return;
    const uint64_t bitsTotal = w * h * uint64_t(bits);
    uint64_t bytes = bitsTotal / 8;
    const unsigned rest = unsigned(bitsTotal % 8);
    if (rest > 4 || (rest == 4 && (bytes & 1) != 0)) ++bytes;
    if (bytes > 0xFFFFFFFFu) return;
    if (uint32_t(bytes) != getU32(Data, 34)) putU32(Data, 34, uint32_t(bytes));
}

QSize FittedPreviewSize(QSize Picture, QSize Frame) {
    if (Picture.isEmpty() || Frame.isEmpty()) return {};
    const double w = Picture.width(), h = Picture.height();
    const double W = Frame.width(), H = Frame.height();
    // std::nearbyint rounds halves to the even neighbour in the default mode.
    if (w / W > h / H) {
        const int height = int(std::nearbyint(h / (w / W)));
        return {Frame.width(), std::max(height, 1)};
    }
    const int width = int(std::nearbyint(w / (h / H)));
    return {std::max(width, 1), Frame.height()};
}

TFilePreview FilePreviewOf(const QString& FileName, QSize Frame) {
    try {
        const QFileInfo info(FileName);
        if (!info.isFile()) return {};
        const QString suffix = info.suffix().toLower();
        if (suffix == QLatin1String("velmo")) {
            QImage bitmap;
            if (!ReadlxlZoom(FileName, bitmap)) return {};
            QSize size = designSize(FileName);
            if (size.isEmpty()) size = bitmap.size();
            return fitted(bitmap, size, Frame);
        }
        QImage bitmap;
        if (suffix == QLatin1String("bmp")) {
            QByteArray data = readWhole(FileName, kMaxBitmapFileBytes);
            if (data.isEmpty()) return {};
            RepairBitmapSizeField(data);
            bitmap = toBgr24(decodePicture(data, "BMP"));
        } else {
            const velmo::codecs::TPictureLoad load = velmo::codecs::LoadPictureFile(FileName);
            if (!load.ok()) return {};
            bitmap = toBgr24(load.Picture);
        }
        if (bitmap.isNull()) return {};
        return fitted(bitmap, bitmap.size(), Frame);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QImage FilePreview(const QString& FileName) {
    return FilePreviewOf(FileName).Picture;
}

QString FileDialogFilter(const QString& Pairs) {
    const QStringList parts = Pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString caption = parts[i].trimmed();
        // "Image design file (*.velmo)": the brackets are added below from
        // the patterns themselves, so that they are never shown twice.
        if (caption.endsWith(QLatin1Char(')'))) {
            const qsizetype open = caption.lastIndexOf(QLatin1Char('('));
            if (open >= 0) caption = caption.left(open).trimmed();
        }
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!p.trimmed().isEmpty()) patterns << p.trimmed();
        if (patterns.isEmpty()) continue;
        filters << QStringLiteral("%1 (%2)").arg(caption, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

TOpenDesignDialog::TOpenDesignDialog(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("OPD1"));
    // Qt's own dialog, so that it can carry the preview frame.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setDefaultSuffix(QStringLiteral("velmo"));
    setNameFilter(FileDialogFilter(LangText(50)));
    setWindowTitle(withoutAccelerator(CommandCaption(4)));
    setSizeGripEnabled(true);

    TFrame10 = new QWidget(this);
    TFrame10->setObjectName(QStringLiteral("TFrame10"));
    ZmCK = new QCheckBox(LangText(139), TFrame10);
    ZmCK->setObjectName(QStringLiteral("ZmCK"));
    ZmCK->setChecked(true);
    Label1 = new QLabel(TFrame10);
    Label1->setObjectName(QStringLiteral("Label1"));
    Image1 = new QLabel(TFrame10);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(367, 111);
    Image1->setAlignment(Qt::AlignCenter);

    auto* frameLayout = new QVBoxLayout(TFrame10);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    top->addWidget(ZmCK);
    top->addSpacing(12);
    top->addWidget(Label1, 1);
    frameLayout->addLayout(top);
    frameLayout->addWidget(Image1, 0, Qt::AlignHCenter);

    // Qt's dialog lays out its parts in a grid: the frame takes a row of its
    // own under the file list and the name and type boxes, leaving the
    // buttons' column free for the size grip in the corner.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(TFrame10, grid->rowCount(), 0, 1, std::max(grid->columnCount() - 1, 1));
    else
        TFrame10->hide();

    connect(this, &QFileDialog::currentChanged, this, &TOpenDesignDialog::OPD1SelectionChange);
    // A name typed into the name box previews too, once it names a file.
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(name, &QLineEdit::textChanged, this, [this](const QString& Text) {
            const QString file = directory().filePath(Text.trimmed());
            if (!Text.trimmed().isEmpty() && QFileInfo(file).isFile() && file != CurrentFile())
                OPD1SelectionChange(file);
        });
    connect(ZmCK, &QCheckBox::toggled, this, &TOpenDesignDialog::ZmCKClick);
    clearPreview();
}

void TOpenDesignDialog::Preset(const Settings& S) {
    if (!S.Folder.isEmpty()) setDirectory(S.Folder);
    Current.clear();
    clearPreview();
    if (!S.FileName.isEmpty()) {
        selectFile(S.FileName);
        OPD1SelectionChange(QFileInfo(S.FileName).isAbsolute()
                                ? S.FileName
                                : directory().absoluteFilePath(S.FileName));
    }
}

TOpenDesignDialog::Settings TOpenDesignDialog::Read() const {
    const QStringList chosen = selectedFiles();
    return {directory().absolutePath(), chosen.isEmpty() ? QString() : chosen.front()};
}

QImage TOpenDesignDialog::PreviewPicture() const {
    const QPixmap shown = Image1->pixmap();
    return shown.isNull() ? QImage() : shown.toImage();
}

void TOpenDesignDialog::OPD1SelectionChange(const QString& File) {
    Current = File;
    if (ZmCK->isChecked()) showfilezoom(File);
}

void TOpenDesignDialog::ZmCKClick() {
    if (ZmCK->isChecked())
        showfilezoom(Current);
    else
        clearPreview();
}

void TOpenDesignDialog::showfilezoom(const QString& FileName) {
    clearPreview();
    if (FileName.isEmpty()) return;
    const TFilePreview preview = FilePreviewOf(FileName, Image1->size());
    if (preview.Picture.isNull()) return;
    Image1->setPixmap(QPixmap::fromImage(preview.Picture));
    Label1->setText(QStringLiteral("%1 x %2").arg(preview.Size.width()).arg(preview.Size.height()));
}

void TOpenDesignDialog::clearPreview() {
    Image1->clear();
    Label1->clear();
}
