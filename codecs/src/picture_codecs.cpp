#include "picture_codecs.h"

#include "eps_reader.h"
#include "format_table.h"
#include "load_helpers.h"
#include "magick_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <new>

namespace velmo::codecs {

static_assert(MaxPixels <= lx::MaxPicturePixels,
              "the engine must take every picture the codecs return");

namespace {

using detail::TExtensionInfo;
using detail::TReaderRoute;

// Enough of the file to recognise PostScript and find its bounding box.
constexpr qint64 HeadBytes = 64 * 1024;

TPictureLoad failure(TPictureLoad::Failure Why, const QString& FileName, const QString& Reason) {
    TPictureLoad load;
    load.Why = Why;
    load.Error = QFileInfo(FileName).fileName() + QStringLiteral(": ") + Reason;
    return load;
}

using detail::sizeAllowed;

QString tooLargeReason(const QSize& Size) {
    return QStringLiteral("the picture is %1 x %2 pixels, more than the %3 allowed")
        .arg(Size.width())
        .arg(Size.height())
        .arg(MaxPixels);
}

// Qt refuses to allocate a decoded picture above 256 MB by default, which is
// below MaxPixels at 32 bits per pixel. Raised once, never lowered.
void allowQtAllocations() {
    static const bool Ready = [] {
        const int needed = int(MaxPixels * 4 / (1024 * 1024)) + 16;
        const int current = QImageReader::allocationLimit();
        if (current != 0 && current < needed) QImageReader::setAllocationLimit(needed);
        return true;
    }();
    (void)Ready;
}

QImage finished(const QImage& Picture) {
    return Picture.convertToFormat(Picture.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32);
}

// Icons hold several sizes; the largest (the deepest among equals) is the
// one a user inserting the icon wants.
QImage readLargestIcon(QImageReader& Reader) {
    QImage best;
    for (int i = 0; i < Reader.imageCount(); ++i) {
        if (!Reader.jumpToImage(i)) break;
        QImage entry = Reader.read();
        if (entry.isNull()) continue;
        const qint64 area = qint64(entry.width()) * entry.height();
        const qint64 bestArea = qint64(best.width()) * best.height();
        if (best.isNull() || area > bestArea || (area == bestArea && entry.depth() > best.depth()))
            best = entry;
    }
    return best;
}

struct TQtAttempt {
    bool KnewFormat = false; // a Qt reader recognised the content
    QString Error;
};

TPictureLoad load(const QString& FileName) {
    const QFileInfo info(FileName);
    if (!info.exists())
        return failure(TPictureLoad::NotFound, FileName, QStringLiteral("no such file"));
    if (!info.isFile())
        return failure(TPictureLoad::NotFound, FileName, QStringLiteral("not a file"));
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return failure(TPictureLoad::NotFound, FileName,
                       QStringLiteral("cannot be opened: ") + file.errorString());

    const QString extension = info.suffix().toLower();
    const TExtensionInfo* known = detail::findExtension(extension);
    const QByteArray head = file.peek(HeadBytes);
    if (head.isEmpty())
        return failure(TPictureLoad::Damaged, FileName, QStringLiteral("the file is empty"));

    if ((known && known->Route == TReaderRoute::Ghostscript) || detail::looksLikePostScript(head)) {
        TPictureLoad load = detail::loadWithGhostscript(FileName, head);
        if (!load.ok()) load.Error = info.fileName() + QStringLiteral(": ") + load.Error;
        return load;
    }

    allowQtAllocations();
    TQtAttempt qt;
    {
        QImageReader reader(&file, extension.toLatin1());
        reader.setAutoTransform(true);
        if (reader.canRead()) {
            qt.KnewFormat = true;
            // The header's size, before anything is decoded; autoTransform
            // may swap the sides, which leaves the count alone.
            if (const QSize size = reader.size(); size.isValid() && !sizeAllowed(size))
                return failure(TPictureLoad::TooLarge, FileName, tooLargeReason(size));
            QImage picture =
                (reader.format() == "ico" || reader.format() == "cur") && reader.imageCount() > 1
                    ? readLargestIcon(reader)
                    : reader.read();
            if (!picture.isNull()) {
                if (!sizeAllowed(picture.size()))
                    return failure(TPictureLoad::TooLarge, FileName,
                                   tooLargeReason(picture.size()));
                TPictureLoad load;
                load.Picture = finished(picture);
                if (load.Picture.isNull())
                    return failure(TPictureLoad::TooLarge, FileName,
                                   QStringLiteral("not enough memory for the picture"));
                return load;
            }
            qt.Error = reader.errorString();
        }
    }

    // Qt has no reader for the content, or its reader gave up (a Targa file
    // without the version 2 footer, a bitmap without its file header, ...).
    TPictureLoad load = detail::loadFileWithMagick(file, known ? known->MagickHint : nullptr);
    if (load.ok()) return load;
    // A format the extension or Qt's reader vouches for that nobody could
    // decode is a damaged picture, not an unknown format.
    const bool formatKnown = qt.KnewFormat || (known && known->Route == TReaderRoute::Picture);
    if (load.Why == TPictureLoad::Unsupported && formatKnown) {
        const QString name = extension.toUpper();
        return failure(TPictureLoad::Damaged, FileName,
                       QStringLiteral("not a readable %1 picture (%2)")
                           .arg(name, qt.Error.isEmpty() ? load.Error : qt.Error));
    }
    if (load.Why == TPictureLoad::Unsupported)
        return failure(TPictureLoad::Unsupported, FileName,
                       QStringLiteral("no reader knows this picture format"));
    return failure(load.Why, FileName, load.Error);
}

} // namespace

TPictureLoad LoadPictureFile(const QString& FileName) {
    try {
        return load(FileName);
    } catch (const std::bad_alloc&) {
        return failure(TPictureLoad::TooLarge, FileName,
                       QStringLiteral("not enough memory for the picture"));
    } catch (...) {
        return failure(TPictureLoad::Damaged, FileName,
                       QStringLiteral("the picture could not be decoded"));
    }
}

} // namespace velmo::codecs
