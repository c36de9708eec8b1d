#include "cli_arguments.h"

#include <QFileInfo>
#include <QSizeF>

#include <algorithm>

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

// A plain decimal number: digits with at most one point, as the program's
// offset boxes take them; no sign, no exponent, no spaces.
bool parseDecimal(const QString& Text, double& Value) {
    if (Text.isEmpty() || Text.size() > 12) return false;
    int points = 0, digits = 0;
    for (const QChar c : Text) {
        if (c == u'.')
            ++points;
        else if (c >= u'0' && c <= u'9')
            ++digits;
        else
            return false;
    }
    if (points > 1 || digits == 0) return false;
    bool ok = false;
    Value = Text.toDouble(&ok);
    return ok;
}

bool parseExport(const QStringList& Args, Request& Out, QString& Error) {
    if (Args.size() != 3)
        return wrongCount(QStringLiteral("export"),
                          QStringLiteral("IN.velmo OUT.bmp|OUT.jpg|OUT.png"), Error);
    Out.input = Args[1];
    Out.output = Args[2];
    if (!formatFromName(Out.output, Out.format)) {
        Error = QStringLiteral("cannot tell the picture format of '%1': use .bmp, .jpg or .png")
                    .arg(Out.output);
        return false;
    }
    return true;
}

// "A4", "A3", "Letter" (any case) or "WxHmm" with both sides 10 .. 2000 mm.
bool parsePage(const QString& Text, QPageSize& Page, QString& Error) {
    const QString name = Text.toLower();
    if (name == QLatin1String("a4")) {
        Page = QPageSize(QPageSize::A4);
        return true;
    }
    if (name == QLatin1String("a3")) {
        Page = QPageSize(QPageSize::A3);
        return true;
    }
    if (name == QLatin1String("letter")) {
        Page = QPageSize(QPageSize::Letter);
        return true;
    }
    const QString form = QStringLiteral("--page takes A4, A3, Letter or WIDTHxHEIGHTmm (each %1 .. "
                                        "%2 mm), not '%3'")
                             .arg(MinPageMillimetres)
                             .arg(MaxPageMillimetres)
                             .arg(Text);
    if (!name.endsWith(QLatin1String("mm"))) {
        Error = form;
        return false;
    }
    const QStringList sides = name.chopped(2).split(QLatin1Char('x'));
    double width = 0, height = 0;
    if (sides.size() != 2 || !parseDecimal(sides[0], width) || !parseDecimal(sides[1], height) ||
        width < MinPageMillimetres || width > MaxPageMillimetres || height < MinPageMillimetres ||
        height > MaxPageMillimetres) {
        Error = form;
        return false;
    }
    // Exactly the size asked for, not the nearest standard page.
    Page =
        QPageSize(QSizeF(width, height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    if (Page.isValid()) return true;
    Error = form;
    return false;
}

bool parseBoundedInt(const QString& Option, const QString& Text, int Min, int Max, int& Value,
                     QString& Error) {
    if (!parseIndex(Text, Value) || Value < Min || Value > Max) {
        Error = QStringLiteral("%1 takes a whole number from %2 to %3, not '%4'")
                    .arg(Option)
                    .arg(Min)
                    .arg(Max)
                    .arg(Text);
        return false;
    }
    return true;
}

// "center" or a distance in centimetres from the page's edge.
bool parseOffset(const QString& Option, const QString& Text, PageOffset& Offset, QString& Error) {
    if (Text.compare(QLatin1String("center"), Qt::CaseInsensitive) == 0) {
        Offset = {true, 0};
        return true;
    }
    double cm = 0;
    if (!parseDecimal(Text, cm)) {
        Error = QStringLiteral("%1 takes centimetres (such as 6.5) or center, not '%2'")
                    .arg(Option, Text);
        return false;
    }
    Offset = {false, cm};
    return true;
}

// A picture that would start past the page's edge (ExtentMm: the page's
// width or height) leaves the page blank, which is never what was meant;
// the default 6.5 cm down is checked too, as a small page may be shorter.
bool offsetOnPage(const QString& Option, const PageOffset& Offset, bool Given, double ExtentMm,
                  QString& Error) {
    if (Offset.centred || Offset.centimetres * 10 < ExtentMm) return true;
    Error =
        QStringLiteral("%1%2 %3 puts the picture beyond the page, which is %4 cm %5")
            .arg(Given ? QString() : QStringLiteral("the default "), Option)
            .arg(Offset.centimetres)
            .arg(ExtentMm / 10)
            .arg(Option == QLatin1String("--x") ? QStringLiteral("wide") : QStringLiteral("high"));
    return false;
}

bool parsePdf(const QStringList& Args, Request& Out, QString& Error) {
    QStringList files;
    bool xGiven = false, yGiven = false;
    for (qsizetype k = 1; k < Args.size(); ++k) {
        const QString& a = Args[k];
        const bool option = a == QLatin1String("--page") || a == QLatin1String("--dpi") ||
                            a == QLatin1String("--x") || a == QLatin1String("--y") ||
                            a == QLatin1String("--copies");
        if (!option) {
            if (a.startsWith(QLatin1String("--"))) {
                Error = QStringLiteral("pdf has no option '%1'").arg(a);
                return false;
            }
            files.append(a);
            continue;
        }
        if (k + 1 >= Args.size()) {
            Error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        const QString value = Args[++k];
        if (a == QLatin1String("--page")) {
            if (!parsePage(value, Out.page, Error)) return false;
        } else if (a == QLatin1String("--dpi")) {
            if (!parseBoundedInt(a, value, MinDpi, MaxDpi, Out.dpi, Error)) return false;
        } else if (a == QLatin1String("--copies")) {
            if (!parseBoundedInt(a, value, MinCopies, MaxCopies, Out.copies, Error)) return false;
        } else if (a == QLatin1String("--x")) {
            if (!parseOffset(a, value, Out.x, Error)) return false;
            xGiven = true;
        } else {
            if (!parseOffset(a, value, Out.y, Error)) return false;
            yGiven = true;
        }
    }
    if (files.size() != 2)
        return wrongCount(QStringLiteral("pdf"), QStringLiteral("IN.velmo OUT.pdf and options"),
                          Error);
    Out.input = files[0];
    Out.output = files[1];
    if (QFileInfo(Out.output).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0) {
        Error = QStringLiteral("pdf writes a .pdf file, not '%1'").arg(Out.output);
        return false;
    }
    // The offsets are checked against the page, whichever came first.
    const QSizeF pageMm = Out.page.size(QPageSize::Millimeter);
    return offsetOnPage(QStringLiteral("--x"), Out.x, xGiven, pageMm.width(), Error) &&
           offsetOnPage(QStringLiteral("--y"), Out.y, yGiven, pageMm.height(), Error);
}

bool isHelp(const QString& Arg) {
    return Arg == QLatin1String("--help") || Arg == QLatin1String("-h");
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
    if (isHelp(command) || command == QLatin1String("--version")) {
        if (Args.size() != 1) return wrongCount(command, QStringLiteral("no arguments"), Error);
        Out.command = isHelp(command) ? Command::Help : Command::Version;
        return true;
    }
    // "COMMAND --help" shows that command's usage, wherever --help stands.
    Command named = Command::Help;
    if (commandNamed(command, named) && std::any_of(Args.begin() + 1, Args.end(), isHelp)) {
        Out.command = Command::Help;
        Out.helpTopic = named;
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
    if (command == QLatin1String("export")) {
        Out.command = Command::Export;
        return parseExport(Args, Out, Error);
    }
    if (command == QLatin1String("pdf")) {
        Out.command = Command::Pdf;
        return parsePdf(Args, Out, Error);
    }
    Error = QStringLiteral("unknown command '%1'").arg(command);
    return false;
}

namespace {

// Each command's synopsis and what it does; the synopsis alone is what
// wrong usage shows. Synopsis lines hold one form of the command each
// (without the program's name); a line starting with a space continues the
// one before.
struct CommandUsage {
    Command command;
    const char* name;
    const char* synopsis;
    const char* description;
};

const CommandUsage kUsages[] = {
    {Command::Render, "render",
     "render IN.velmo OUT.png|OUT.bmp|OUT.jpg\n"
     "render --alpha IN.velmo OUT.png\n",
     "Writes the design as it is shown on screen, at 100 %, over its\n"
     "background colour or the transparency checkerboard. The format\n"
     "follows the extension (any case; .jpeg also works). BMP is written\n"
     "with 24 bits per pixel, JPEG with quality 90.\n"
     "With --alpha it writes the design with transparency instead: every\n"
     "pixel keeps the coverage the layers and their effects leave\n"
     "(straight alpha).\n"},
    {Command::Info, "info", "info IN.velmo\n",
     "Prints the design's size, background and layers as JSON.\n"},
    {Command::Convert, "convert", "convert IN.velmo OUT.velmo\n",
     "Reads a design of any supported version and writes it in the current\n"
     "version (260).\n"},
    {Command::Style, "style", "style IN.velmo LAYER STYLE OUT.velmo\n",
     "Applies a layer style to layer LAYER (0 = background) as loading a\n"
     "style in the program does, and writes the design. STYLE is a style\n"
     "file, or preset:N for built-in text effect N (0..12; preset:0 clears\n"
     "every effect).\n"},
    {Command::Export, "export", "export IN.velmo OUT.bmp|OUT.jpg|OUT.png\n",
     "Writes the picture the program prints: every visible layer composed\n"
     "over the background colour, at the canvas size. BMP (24 bits per\n"
     "pixel) and JPEG (quality 90) are white outside the canvas shape, as\n"
     "the program's export; PNG is transparent there instead. The format\n"
     "follows the extension (any case; .jpeg also works).\n"},
    {Command::Pdf, "pdf",
     "pdf IN.velmo OUT.pdf [--page A4|A3|Letter|WxHmm] [--dpi N]\n"
     " [--x CM|center] [--y CM|center] [--copies N]\n",
     "Writes the printed picture at its true size (100 design pixels per\n"
     "inch) onto the pages of a PDF file, one page per copy, resampled to\n"
     "N dots per inch as printing does.\n"
     "  --page    the page: A4 (default), A3, Letter, or WIDTHxHEIGHTmm with\n"
     "            each side 10 .. 2000 mm, such as 300x400mm\n"
     "  --dpi     the resolution, 72 .. 2400 (default 300)\n"
     "  --x, --y  where the picture's top-left corner goes, in centimetres\n"
     "            from the page's left and top edges, or center; by default\n"
     "            it is centred across and 6.5 cm down\n"
     "  --copies  the number of pages, 1 .. 999 (default 1)\n"},
};

const char kExitStatus[] = "Exit status: 0 on success, 1 when a file cannot be read or written,\n"
                           "2 when the command line is wrong.\n";

const CommandUsage* usageOf(Command Topic) {
    for (const CommandUsage& u : kUsages)
        if (u.command == Topic) return &u;
    return nullptr;
}

// The synopsis lines, each form after FirstPrefix (the first) or
// NextPrefix (the others), continuations indented beneath.
QString synopsisLines(const CommandUsage& Usage, const QString& FirstPrefix,
                      const QString& NextPrefix) {
    QString out;
    bool first = true;
    for (const QString& line : QString::fromUtf8(Usage.synopsis).split(QLatin1Char('\n'))) {
        if (line.isEmpty()) continue;
        if (line.startsWith(QLatin1Char(' ')))
            out += QString(NextPrefix.size() + 4, QLatin1Char(' ')) + line.mid(1);
        else
            out += (first ? FirstPrefix : NextPrefix) + line;
        out += QLatin1Char('\n');
        first = false;
    }
    return out;
}

QString indented(const char* Text, const char* Indent) {
    QString out;
    for (const QString& line : QString::fromUtf8(Text).split(QLatin1Char('\n'))) {
        if (!line.isEmpty()) out += QLatin1String(Indent) + line + QLatin1Char('\n');
    }
    return out;
}

} // namespace

QString usageText(Command Topic) {
    if (const CommandUsage* u = usageOf(Topic))
        return synopsisLines(*u, QStringLiteral("Usage: velmo-cli "),
                             QStringLiteral("       velmo-cli ")) +
               QLatin1Char('\n') + QString::fromUtf8(u->description) + QLatin1Char('\n') +
               QLatin1String(kExitStatus);
    QString text = QStringLiteral("Usage: velmo-cli COMMAND ARGUMENTS\n"
                                  "       velmo-cli COMMAND --help\n"
                                  "       velmo-cli --help | --version\n"
                                  "\n"
                                  "Commands:\n");
    for (const CommandUsage& u : kUsages) {
        const QString prefix = QStringLiteral("  ");
        text += synopsisLines(u, prefix, prefix) + indented(u.description, "      ");
    }
    text += QStringLiteral("  COMMAND --help\n"
                           "      Shows that command's usage.\n"
                           "  --help\n"
                           "      Shows this text.\n"
                           "  --version\n"
                           "      Shows the program's version.\n"
                           "\n");
    return text + QLatin1String(kExitStatus);
}

QString synopsisText(Command Topic) {
    if (const CommandUsage* u = usageOf(Topic))
        return synopsisLines(*u, QStringLiteral("Usage: velmo-cli "),
                             QStringLiteral("       velmo-cli ")) +
               QStringLiteral("Run 'velmo-cli %1 --help' for more.\n").arg(QLatin1String(u->name));
    QString text = QStringLiteral("Usage: velmo-cli COMMAND ARGUMENTS, COMMAND one of:\n");
    for (const CommandUsage& u : kUsages)
        text += synopsisLines(u, QStringLiteral("  velmo-cli "), QStringLiteral("  velmo-cli "));
    return text + QStringLiteral("Run 'velmo-cli --help' for more.\n");
}

bool commandNamed(const QString& Name, Command& Named) {
    for (const CommandUsage& u : kUsages)
        if (Name == QLatin1String(u.name)) {
            Named = u.command;
            return true;
        }
    return false;
}

QString versionText() {
    return QStringLiteral("velmo-cli %1\n").arg(QLatin1String(VELMO_VERSION));
}

} // namespace cli
