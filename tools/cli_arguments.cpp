#include "cli_arguments.h"

#include <QFileInfo>

namespace cli {
namespace {

// A whole non-negative decimal number that fits an int; signs, spaces and
// anything after the digits are refused, so "1x" never means layer 1.
bool parseIndex(const QString& Text, int& Value) {
    if (Text.isEmpty() || Text.size() > 9) return false;
    for (const QChar c : Text) {
        if (c < u'0' || c > u'9') return false;
    }
    Value = Text.toInt();
    return true;
}

bool wrongCount(const QString& Command, const QString& Form, QString& Error) {
    Error = QStringLiteral("%1 takes %2").arg(Command, Form);
    return false;
}

bool parseRender(const QStringList& Args, Request& Out, QString& Error) {
    QStringList files;
    for (qsizetype k = 1; k < Args.size(); ++k) {
        if (Args[k] == QLatin1String("--alpha"))
            Out.alpha = true;
        else
            files.append(Args[k]);
    }
    if (files.size() != 2)
        return wrongCount(QStringLiteral("render"), QStringLiteral("[--alpha] IN.velmo OUT"),
                          Error);
    Out.input = files[0];
    Out.output = files[1];
    if (!formatFromName(Out.output, Out.format)) {
        Error = QStringLiteral("cannot tell the picture format of '%1': use .png, .bmp or .jpg")
                    .arg(Out.output);
        return false;
    }
    if (Out.alpha && Out.format != PictureFormat::Png) {
        Error = QStringLiteral("--alpha writes transparency, which only .png holds");
        return false;
    }
    return true;
}

bool parseStyle(const QStringList& Args, Request& Out, QString& Error) {
    if (Args.size() != 5)
        return wrongCount(QStringLiteral("style"), QStringLiteral("IN.velmo LAYER STYLE OUT.velmo"),
                          Error);
    Out.input = Args[1];
    if (!parseIndex(Args[2], Out.layer)) {
        Error =
            QStringLiteral("LAYER must be a layer number (0 = background), not '%1'").arg(Args[2]);
        return false;
    }
    const QString style = Args[3];
    const QLatin1String presetPrefix("preset:");
    if (style.startsWith(presetPrefix)) {
        const QString number = style.mid(presetPrefix.size());
        if (!parseIndex(number, Out.preset) || Out.preset >= PresetCount) {
            Error = QStringLiteral("'%1' names no built-in effect: use preset:0 .. preset:%2")
                        .arg(style)
                        .arg(PresetCount - 1);
            return false;
        }
    } else {
        Out.styleFile = style;
    }
    Out.output = Args[4];
    return true;
}

} // namespace

bool formatFromName(const QString& FileName, PictureFormat& Format) {
    const QString suffix = QFileInfo(FileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        Format = PictureFormat::Png;
    else if (suffix == QLatin1String("bmp"))
        Format = PictureFormat::Bmp;
    else if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        Format = PictureFormat::Jpeg;
    else
        return false;
    return true;
}

bool parseArguments(const QStringList& Args, Request& Out, QString& Error) {
    Out = Request{};
    if (Args.isEmpty()) {
        Error = QStringLiteral("no command given");
        return false;
    }
    const QString& command = Args[0];
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        if (Args.size() != 1) return wrongCount(command, QStringLiteral("no arguments"), Error);
        Out.command = Command::Help;
        return true;
    }
    if (command == QLatin1String("render")) {
        Out.command = Command::Render;
        return parseRender(Args, Out, Error);
    }
    if (command == QLatin1String("info") || command == QLatin1String("convert")) {
        const bool info = command == QLatin1String("info");
        Out.command = info ? Command::Info : Command::Convert;
        const qsizetype files = info ? 1 : 2;
        if (Args.size() != 1 + files)
            return wrongCount(
                command, info ? QStringLiteral("IN.velmo") : QStringLiteral("IN.velmo OUT.velmo"),
                Error);
        Out.input = Args[1];
        if (!info) Out.output = Args[2];
        return true;
    }
    if (command == QLatin1String("style")) {
        Out.command = Command::Style;
        return parseStyle(Args, Out, Error);
    }
    Error = QStringLiteral("unknown command '%1'").arg(command);
    return false;
}

QString usageText() {
    return QStringLiteral(
        "Usage: velmo-cli COMMAND ARGUMENTS\n"
        "\n"
        "Commands:\n"
        "  render IN.velmo OUT.png|OUT.bmp|OUT.jpg\n"
        "      Writes the design as it is shown on screen, at 100 %, over its\n"
        "      background colour or the transparency checkerboard. The format\n"
        "      follows the extension (any case; .jpeg also works). BMP is\n"
        "      written with 24 bits per pixel, JPEG with quality 90.\n"
        "  render --alpha IN.velmo OUT.png\n"
        "      Writes the design with transparency instead: every pixel keeps\n"
        "      the coverage the layers and their effects leave (straight alpha).\n"
        "  info IN.velmo\n"
        "      Prints the design's size, background and layers as JSON.\n"
        "  convert IN.velmo OUT.velmo\n"
        "      Reads a design of any supported version and writes it in the\n"
        "      current version (260).\n"
        "  style IN.velmo LAYER STYLE OUT.velmo\n"
        "      Applies a layer style to layer LAYER (0 = background) as loading\n"
        "      a style in the program does, and writes the design. STYLE is a\n"
        "      style file, or preset:N for built-in text effect N (0..12;\n"
        "      preset:0 clears every effect).\n"
        "  --help\n"
        "      Shows this text.\n"
        "\n"
        "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
        "2 when the command line is wrong.\n");
}

} // namespace cli
