#include "cli_commands.h"

#include "document_info.h"
#include "files/atomic_file.h"
#include "lxImage.h"
#include "picture_output.h"

#include <QFile>
#include <QJsonDocument>

#include <memory>

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

} // namespace

Outcome runRequest(const Request& Req) {
    switch (Req.command) {
    case Command::Render:
        return runRender(Req);
    case Command::Info:
        return runInfo(Req);
    case Command::Convert:
        return runConvert(Req);
    case Command::Style:
        return runStyle(Req);
    case Command::Help:
        break;
    }
    return failure(ExitUsage, QStringLiteral("nothing to run"));
}

} // namespace cli
