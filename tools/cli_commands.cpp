#include "cli_commands.h"

#include "document_info.h"
#include "files/atomic_file.h"
#include "lxImage.h"
#include "lxTypes.h"
#include "picture_output.h"
#include "print_picture.h"

#include <QFile>
#include <QJsonDocument>
#include <QPainter>
#include <QPdfWriter>

#include <memory>
#include <new>

namespace cli {
namespace {

Outcome failure(int Code, const QString& Reason) {
    Outcome outcome;
    outcome.code = Code;
    // The reason is printed as one line whatever the engine put in it.
    outcome.reason = QString(Reason).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
    return outcome;
}

// The engine's English detail when it gave one, else the command's own words.
QString engineReason(const TlxImage& Document, const QString& Fallback) {
    const QString& detail = Document.LastFileError.Detail;
    return detail.isEmpty() ? Fallback : detail;
}

// The document slots, blend tables included, are far too large for the stack.
std::unique_ptr<TlxImage> newDocument() {
    return std::make_unique<TlxImage>();
}

bool loadDesign(TlxImage& Document, const QString& FileName, Outcome& Failed) {
    if (Document.LoadFromFile(FileName)) return true;
    const QString fallback = QFile::exists(FileName)
                                 ? QStringLiteral("not a design file this program can read")
                                 : QStringLiteral("no such file");
    Failed = failure(
        ExitFailure,
        QStringLiteral("cannot read '%1': %2").arg(FileName, engineReason(Document, fallback)));
    return false;
}

bool saveDesign(TlxImage& Document, const QString& FileName, Outcome& Failed) {
    if (Document.SaveToFile(FileName)) return true;
    Failed = failure(ExitFailure,
                     QStringLiteral("cannot write '%1': %2")
                         .arg(FileName, engineReason(Document, QStringLiteral("write failed"))));
    return false;
}

// The picture goes to a temporary file beside the target that replaces it
// only once complete, so a failure never leaves a truncated picture behind;
// a failure names what the system said (disk full, no permission, ...).
Outcome writeFile(const QString& FileName, const QByteArray& Bytes) {
    TlxFileError error;
    if (!lx::writeFileAtomically(FileName, Bytes, error))
        return failure(ExitFailure,
                       QStringLiteral("cannot write '%1': %2").arg(FileName, error.message()));
    return {};
}

// The version field sits at bytes 4..5 of every design file, little-endian.
bool readFileVersion(const QString& FileName, uint16_t& Version) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = file.read(6);
    if (head.size() < 6) return false;
    Version = uint16_t(uint8_t(head[4]) | uint8_t(head[5]) << 8);
    return true;
}

Outcome runRender(const Request& Req) {
    const auto document = newDocument();
    Outcome outcome;
    if (!loadDesign(*document, Req.input, outcome)) return outcome;
    QByteArray encoded;
    if (Req.alpha) {
        QImage picture;
        if (!document->RenderToAlphaBitmap(picture))
            return failure(ExitFailure,
                           QStringLiteral("cannot compose '%1' with coverage").arg(Req.input));
        encoded = encodeWithCoverage(picture);
    } else {
        // Loading composes the display picture; it is composed again only if
        // loading left none of the document's size, because a second pass
        // would draw the dissolve mode's random pixels differently from
        // what the program shows after opening the file.
        if (document->ShowBmp.size() != QSize(document->ImageWidth, document->ImageHeight) &&
            !document->ReDraw())
            return failure(ExitFailure, QStringLiteral("cannot compose '%1'").arg(Req.input));
        encoded = encodeComposed(document->ShowBmp, Req.format);
    }
    if (encoded.isEmpty())
        return failure(ExitFailure,
                       QStringLiteral("cannot encode the picture for '%1'").arg(Req.output));
    return writeFile(Req.output, encoded);
}

Outcome runInfo(const Request& Req) {
    const auto document = newDocument();
    Outcome outcome;
    if (!loadDesign(*document, Req.input, outcome)) return outcome;
    uint16_t version = 0;
    if (!readFileVersion(Req.input, version))
        return failure(ExitFailure, QStringLiteral("cannot read '%1'").arg(Req.input));
    outcome.standardOut =
        QJsonDocument(documentInfo(*document, version)).toJson(QJsonDocument::Indented);
    return outcome;
}

Outcome runConvert(const Request& Req) {
    const auto document = newDocument();
    Outcome outcome;
    if (!loadDesign(*document, Req.input, outcome)) return outcome;
    saveDesign(*document, Req.output, outcome);
    return outcome;
}

Outcome runStyle(const Request& Req) {
    const auto document = newDocument();
    Outcome outcome;
    if (!loadDesign(*document, Req.input, outcome)) return outcome;
    if (Req.layer >= document->LayersCount)
        return failure(ExitUsage, QStringLiteral("LAYER %1 does not exist: '%2' has %3 layers")
                                      .arg(Req.layer)
                                      .arg(Req.input)
                                      .arg(document->LayersCount));
    const bool applied =
        Req.preset >= 0
            ? document->LoadLayerStyleFromData(Req.layer, TlxImage::PresetTextEffect(Req.preset))
            : document->LoadLayerStyle(Req.layer, Req.styleFile);
    if (!applied) {
        const QString source =
            Req.preset >= 0 ? QStringLiteral("preset:%1").arg(Req.preset) : Req.styleFile;
        const QString fallback = Req.preset >= 0 || QFile::exists(Req.styleFile)
                                     ? QStringLiteral("not a style file this program can read")
                                     : QStringLiteral("no such file");
        return failure(ExitFailure, QStringLiteral("cannot apply style '%1': %2")
                                        .arg(source, engineReason(*document, fallback)));
    }
    // The file's thumbnail is made from the display picture, which must show
    // the new style.
    if (!document->ReDraw())
        return failure(ExitFailure, QStringLiteral("cannot compose '%1'").arg(Req.input));
    saveDesign(*document, Req.output, outcome);
    return outcome;
}

// The picture the program prints, with the outside of the canvas shape
// white, in the bitmap and JPEG forms the program exports; PNG keeps the
// outside transparent instead, for printing onto something else.
Outcome runExport(const Request& Req) {
    const auto document = newDocument();
    Outcome outcome;
    if (!loadDesign(*document, Req.input, outcome)) return outcome;
    QImage picture;
    const bool png = Req.format == PictureFormat::Png;
    const bool made =
        png ? MakeTransparentPicture(*document, picture) : MakePrintBitmap(*document, picture);
    if (!made) return failure(ExitFailure, QStringLiteral("cannot compose '%1'").arg(Req.input));
    const QByteArray encoded =
        png ? encodeWithCoverage(picture) : encodeComposed(picture, Req.format);
    if (encoded.isEmpty())
        return failure(ExitFailure,
                       QStringLiteral("cannot encode the picture for '%1'").arg(Req.output));
    return writeFile(Req.output, encoded);
}

// Dots from the page's edge for an offset in centimetres, or the dots that
// centre Picture dots on Page dots (halved towards zero, as printing does).
int offsetDots(const PageOffset& Offset, int Dpi, int Page, int Picture) {
    if (Offset.centred) return (Page - Picture) / 2;
    return RoundEven(Offset.centimetres * Dpi / 2.54);
}

// Every copy as one page of the PDF written into Device: the page at the
// request's size without margins, Dpi device dots per inch, and the one
// resampled Picture drawn at its place on each. False, with Error set, when
// the PDF engine gives up.
bool writePdfPages(QIODevice& Device, const QImage& Picture, const Request& Req,
                   TlxFileError& Error) {
    QPdfWriter writer(&Device);
    writer.setTitle(QStringLiteral("Velmo Balloon"));
    writer.setCreator(QStringLiteral("velmo-cli"));
    writer.setResolution(Req.dpi);
    const QPageLayout layout(Req.page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                             QPageLayout::Point);
    if (!writer.setPageLayout(layout)) {
        Error.set(TlxFileErrorCode::CannotWrite, QStringLiteral("the PDF page cannot be set up"));
        return false;
    }
    QPainter painter;
    if (!painter.begin(&writer)) {
        Error.set(TlxFileErrorCode::CannotWrite, QStringLiteral("the PDF cannot be started"));
        return false;
    }
    // A printed picture must keep its colours: no lossy compression.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const QPoint place(offsetDots(Req.x, Req.dpi, writer.width(), Picture.width()),
                       offsetDots(Req.y, Req.dpi, writer.height(), Picture.height()));
    for (int copy = 0; copy < Req.copies; ++copy) {
        if (copy > 0 && !writer.newPage()) {
            painter.end();
            Error.set(TlxFileErrorCode::CannotWrite, QStringLiteral("a PDF page cannot be added"));
            return false;
        }
        // The same picture on every page: the PDF holds it once.
        painter.drawImage(place, Picture);
    }
    if (!painter.end()) {
        Error.set(TlxFileErrorCode::CannotWrite, QStringLiteral("the PDF cannot be finished"));
        return false;
    }
    return true;
}

// The printed picture at its true size (100 design pixels per inch) on PDF
// pages: resampled once to the request's resolution with the cubic
// resampler printing uses, without any printer's corrections.
Outcome runPdf(const Request& Req) {
    const auto document = newDocument();
    Outcome outcome;
    if (!loadDesign(*document, Req.input, outcome)) return outcome;
    QImage picture;
    if (!MakePrintBitmap(*document, picture))
        return failure(ExitFailure, QStringLiteral("cannot compose '%1'").arg(Req.input));
    const int width = RoundEven(picture.width() * double(Req.dpi) / 100);
    const int height = RoundEven(picture.height() * double(Req.dpi) / 100);
    QImage printed;
    if (!document->StretchBitmapCubic(picture, printed, width, height))
        return failure(
            ExitFailure,
            QStringLiteral("cannot resample the picture to %1 x %2 dots").arg(width).arg(height));
    picture = QImage();
    TlxFileError error;
    const bool written = lx::writeFileAtomically(
        Req.output, [&](QIODevice& Device) { return writePdfPages(Device, printed, Req, error); },
        error);
    if (!written)
        return failure(ExitFailure,
                       QStringLiteral("cannot write '%1': %2").arg(Req.output, error.message()));
    return outcome;
}

Outcome runCommand(const Request& Req) {
    switch (Req.command) {
    case Command::Render:
        return runRender(Req);
    case Command::Info:
        return runInfo(Req);
    case Command::Convert:
        return runConvert(Req);
    case Command::Style:
        return runStyle(Req);
    case Command::Export:
        return runExport(Req);
    case Command::Pdf:
        return runPdf(Req);
    case Command::Help:
    case Command::Version:
        break;
    }
    return failure(ExitUsage, QStringLiteral("nothing to run"));
}

} // namespace

Outcome runRequest(const Request& Req) {
    // A large picture at a high resolution may not fit in memory; that is a
    // failure to write the file, not a crash.
    try {
        return runCommand(Req);
    } catch (const std::bad_alloc&) {
        return failure(ExitFailure, QStringLiteral("not enough memory for '%1'").arg(Req.input));
    }
}

} // namespace cli
