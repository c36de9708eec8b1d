#include "eps_reader.h"

#include "load_helpers.h"

#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>

namespace velmo::codecs::detail {
namespace {

// A PostScript program may loop for ever; the insert must come back.
constexpr int GhostscriptTimeoutMs = 60'000;

bool isDosEps(const QByteArray& Head) {
    return Head.size() >= 12 && quint8(Head[0]) == 0xC5 && quint8(Head[1]) == 0xD0 &&
           quint8(Head[2]) == 0xD3 && quint8(Head[3]) == 0xC6;
}

// The size in pixels from "%%BoundingBox: llx lly urx ury" in points, or an
// invalid size when the header has none (or defers it to the end).
QSize boundingBoxPixels(const QByteArray& Head) {
    QByteArray text = Head;
    if (isDosEps(Head)) {
        const quint32 offset = qFromLittleEndian<quint32>(Head.constData() + 4);
        text = offset < quint32(Head.size()) ? Head.mid(offset) : QByteArray();
    }
    static const QRegularExpression Box(QStringLiteral(
        R"(%%BoundingBox:[ \t]*(-?[0-9.]+)[ \t]+(-?[0-9.]+)[ \t]+(-?[0-9.]+)[ \t]+(-?[0-9.]+))"));
    const QRegularExpressionMatch match = Box.match(QString::fromLatin1(text));
    if (!match.hasMatch()) return {};
    const double points[4] = {match.captured(1).toDouble(), match.captured(2).toDouble(),
                              match.captured(3).toDouble(), match.captured(4).toDouble()};
    const double scale = EpsDotsPerInch / 72.0;
    const double width = std::ceil((points[2] - points[0]) * scale);
    const double height = std::ceil((points[3] - points[1]) * scale);
    // Anything past the engine's side is refused below; keep the numbers in
    // range of an int.
    const double limit = double(lx::MaxPictureSide) + 1;
    return QSize(int(std::clamp(width, 0.0, limit)), int(std::clamp(height, 0.0, limit)));
}

} // namespace

bool looksLikePostScript(const QByteArray& Head) {
    return Head.startsWith("%!PS") || isDosEps(Head);
}

TPictureLoad loadWithGhostscript(const QString& FileName, const QByteArray& Head) {
    const QString ghostscript = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (ghostscript.isEmpty())
        return failure(TPictureLoad::Unsupported,
                       QStringLiteral("EPS needs Ghostscript (gs), which is not installed"));

    if (const QSize size = boundingBoxPixels(Head); size.isValid()) {
        if (size.isEmpty())
            return failure(TPictureLoad::Damaged, QStringLiteral("the EPS bounding box is empty"));
        if (!sizeAllowed(size))
            return failure(
                TPictureLoad::TooLarge,
                QStringLiteral("the EPS picture would be %1 x %2 pixels, more than allowed")
                    .arg(size.width())
                    .arg(size.height()));
    }

    QTemporaryDir folder;
    if (!folder.isValid())
        return failure(TPictureLoad::Damaged,
                       QStringLiteral("no temporary folder to render the EPS file in"));
    const QString output = folder.filePath(QStringLiteral("page.png"));
    // -dSAFER keeps the PostScript program away from the file system; the
    // input is passed by its absolute path so that a name starting with "-"
    // is not taken for an option.
    const QStringList arguments = {
        QStringLiteral("-q"),
        QStringLiteral("-dSAFER"),
        QStringLiteral("-dBATCH"),
        QStringLiteral("-dNOPAUSE"),
        QStringLiteral("-dNOPROMPT"),
        QStringLiteral("-dEPSCrop"),
        QStringLiteral("-dLastPage=1"),
        QStringLiteral("-dTextAlphaBits=4"),
        QStringLiteral("-dGraphicsAlphaBits=4"),
        QStringLiteral("-sDEVICE=pngalpha"),
        QStringLiteral("-r%1").arg(EpsDotsPerInch),
        QStringLiteral("-sOutputFile=") + output,
        QFileInfo(FileName).absoluteFilePath(),
    };
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(ghostscript, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return failure(TPictureLoad::Unsupported,
                       QStringLiteral("Ghostscript could not be started"));
    if (!process.waitForFinished(GhostscriptTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return failure(TPictureLoad::Damaged, QStringLiteral("Ghostscript took too long"));
    }
    const QString messages = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        !QFileInfo::exists(output))
        return failure(TPictureLoad::Damaged,
                       QStringLiteral("Ghostscript could not render the file") +
                           (messages.isEmpty() ? QString()
                                               : QStringLiteral(": ") +
                                                     messages.section(QLatin1Char('\n'), 0, 0)));

    QImageReader reader(output, "png");
    const QSize size = reader.size();
    if (size.isValid() && !sizeAllowed(size))
        return failure(TPictureLoad::TooLarge,
                       QStringLiteral("the EPS picture is more than allowed"));
    QImage page = reader.read();
    if (page.isNull())
        return failure(TPictureLoad::Damaged,
                       QStringLiteral("Ghostscript's page could not be read: ") +
                           reader.errorString());
    TPictureLoad load;
    load.Picture = page.convertToFormat(QImage::Format_ARGB32);
    return load;
}

} // namespace velmo::codecs::detail
