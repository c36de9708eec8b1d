#include "magick_reader.h"

#include "load_helpers.h"

#include <Magick++.h>

#include <QIODevice>
#include <QSysInfo>

#include <algorithm>
#include <new>

namespace velmo::codecs::detail {
namespace {

// The pixels are exported as blue, green, red, alpha bytes, which is the
// 32-bit QImage word only on a little-endian machine.
static_assert(QSysInfo::ByteOrder == QSysInfo::LittleEndian);

constexpr Magick::MagickSizeType MiB = 1024 * 1024;

// Once per process, the first time a picture needs the library; the
// initialisation of a function-local static is safe against a second thread.
// The limits keep a hostile or huge file from taking the machine: pixel data
// beyond the memory and map limits goes to a disk cache, anything beyond
// that fails instead of swapping. The installed policy may lower them.
void initialiseMagick() {
    static const bool Ready = [] {
        Magick::InitializeMagick(nullptr);
        Magick::ResourceLimits::memory(512 * MiB);
        Magick::ResourceLimits::map(1024 * MiB);
        Magick::ResourceLimits::disk(4096 * MiB);
        Magick::ResourceLimits::width(lx::MaxPictureSide);
        Magick::ResourceLimits::height(lx::MaxPictureSide);
        Magick::ResourceLimits::area(static_cast<Magick::MagickSizeType>(MaxPixels));
        return true;
    }();
    (void)Ready;
}

// The library's messages end in " @ error/file.c/Function/line", which says
// nothing to a reader of the log.
QString plainMessage(const std::exception& Failure) {
    QString text = QString::fromLocal8Bit(Failure.what());
    if (const qsizetype at = text.indexOf(QStringLiteral(" @ ")); at >= 0) text.truncate(at);
    if (text.startsWith(QStringLiteral("ImageMagick: "))) text.remove(0, 13);
    return text.trimmed();
}

TPictureLoad readAs(const Magick::Blob& Data, const char* Format, bool FirstFrameOnly,
                    bool Vector) {
    try {
        Magick::Image image;
        // Warnings (a truncated file, an unknown tag) do not stop a read
        // that produced a picture.
        image.quiet(true);
        if (Format) image.magick(Format);
        if (Vector) image.density(Magick::Geometry(100, 100));
        // The first frame only: a multi-page or animated file is not decoded
        // page by page just to be thrown away.
        if (FirstFrameOnly) {
            image.subImage(0);
            image.subRange(1);
        }
        image.ping(Data);
        if (image.columns() == 0 || image.rows() == 0)
            return failure(TPictureLoad::Damaged, QStringLiteral("the picture has no pixels"));
        if (!sizeAllowed(qint64(image.columns()), qint64(image.rows())))
            return failure(TPictureLoad::TooLarge,
                           QStringLiteral("the picture is %1 x %2 pixels, more than allowed")
                               .arg(image.columns())
                               .arg(image.rows()));
        image.read(Data);
        // The Targa reader already stores the rows top down and only keeps
        // the file's origin corner as the orientation; turning by it would
        // flip the picture a second time.
        if (image.magick() != "TGA") image.autoOrient();
        const MagickCore::ColorspaceType space = image.colorSpace();
        if (space != MagickCore::sRGBColorspace && space != MagickCore::GRAYColorspace &&
            space != MagickCore::TransparentColorspace)
            image.colorSpace(MagickCore::sRGBColorspace);

        const int width = int(image.columns());
        const int height = int(image.rows());
        if (width == 0 || height == 0)
            return failure(TPictureLoad::Damaged, QStringLiteral("the picture has no pixels"));
        if (!sizeAllowed(width, height))
            return failure(TPictureLoad::TooLarge,
                           QStringLiteral("the picture is %1 x %2 pixels, more than allowed")
                               .arg(width)
                               .arg(height));
        const bool transparent = image.matte();
        // Without an alpha channel the library's opacity values are left as
        // the reader found them, and Format_RGB32 needs 255 there: make the
        // channel, opaque, and export it.
        if (!transparent) image.matte(true);
        TPictureLoad load;
        load.Picture =
            QImage(width, height, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (load.Picture.isNull())
            return failure(TPictureLoad::TooLarge,
                           QStringLiteral("not enough memory for the picture"));
        // Blue, green, red, alpha bytes are the 32-bit QImage layout on a
        // little-endian machine.
        if (load.Picture.bytesPerLine() == qsizetype(width) * 4) {
            image.write(0, 0, width, height, "BGRA", Magick::CharPixel, load.Picture.bits());
        } else {
            for (int y = 0; y < height; ++y)
                image.write(0, y, width, 1, "BGRA", Magick::CharPixel, load.Picture.scanLine(y));
        }
        return load;
    } catch (const Magick::ErrorMissingDelegate& e) {
        return failure(TPictureLoad::Unsupported, plainMessage(e));
    } catch (const Magick::ErrorPolicy& e) {
        return failure(TPictureLoad::Unsupported, plainMessage(e));
    } catch (const Magick::ErrorResourceLimit& e) {
        return failure(TPictureLoad::TooLarge, plainMessage(e));
    } catch (const std::bad_alloc&) {
        return failure(TPictureLoad::TooLarge, QStringLiteral("not enough memory for the picture"));
    } catch (const std::exception& e) {
        return failure(TPictureLoad::Damaged, plainMessage(e));
    } catch (...) {
        return failure(TPictureLoad::Damaged, QStringLiteral("the decoder failed"));
    }
}

} // namespace

namespace {

// Head: the data's first bytes, enough for the signatures looked at here.
TPictureLoad loadBlob(const Magick::Blob& Data, QByteArrayView Head, const char* Hint) {
    // A Photo CD file takes a frame number for one of its resolutions (the
    // first is the 192 x 128 overview); left alone it gives the base
    // 768 x 512 picture.
    const bool photoCd =
        Head.sliced(std::min<qsizetype>(2048, Head.size())).startsWith("PCD_IPI") ||
        (Hint && QByteArrayView(Hint) == "PCD");
    // Metafiles are drawn at the document's 100 pixels per inch, so that
    // they come in at their printed size, as EPS files do.
    const bool metafile = Head.startsWith("\xD7\xCD\xC6\x9A") ||
                          Head.startsWith(QByteArrayView("\x01\x00\x09\x00", 4)) ||
                          (Hint && QByteArrayView(Hint) == "WMF");
    TPictureLoad bySignature = readAs(Data, nullptr, !photoCd, metafile);
    if (bySignature.ok() || bySignature.Why == TPictureLoad::TooLarge || !Hint) return bySignature;
    TPictureLoad byName = readAs(Data, Hint, !photoCd, metafile);
    if (byName.ok() || byName.Why == TPictureLoad::TooLarge) return byName;
    // A signature the library knows but could not decode says more than the
    // hinted format's refusal.
    return bySignature.Why == TPictureLoad::Damaged ? bySignature : byName;
}

constexpr qsizetype HeadBytes = 4096;

} // namespace

TPictureLoad loadWithMagick(const QByteArray& Data, const char* Hint) {
    initialiseMagick();
    if (Data.isEmpty()) return failure(TPictureLoad::Damaged, QStringLiteral("the file is empty"));
    const Magick::Blob blob(Data.constData(), size_t(Data.size()));
    return loadBlob(blob, QByteArrayView(Data).first(std::min(HeadBytes, Data.size())), Hint);
}

TPictureLoad loadFileWithMagick(QIODevice& File, const char* Hint) {
    initialiseMagick();
    const qint64 size = File.size();
    if (size <= 0) return failure(TPictureLoad::Damaged, QStringLiteral("the file is empty"));
    // No picture the program takes needs more: 400 MB of pixels uncompressed,
    // with room for layers and previews around them.
    constexpr qint64 MaxFileBytes = qint64(2) << 30;
    if (size > MaxFileBytes)
        return failure(TPictureLoad::TooLarge, QStringLiteral("the file is too large to read"));
    try {
        // The blob takes the buffer over, so the file's bytes are held once.
        auto* bytes = new char[size_t(size)];
        Magick::Blob blob;
        blob.updateNoCopy(bytes, size_t(size), Magick::Blob::NewAllocator);
        if (!File.seek(0) || File.read(bytes, size) != size)
            return failure(TPictureLoad::Damaged,
                           QStringLiteral("the file cannot be read: ") + File.errorString());
        return loadBlob(blob, QByteArrayView(bytes, std::min<qint64>(HeadBytes, size)), Hint);
    } catch (const std::bad_alloc&) {
        return failure(TPictureLoad::TooLarge,
                       QStringLiteral("not enough memory to read the file"));
    }
}

} // namespace velmo::codecs::detail
