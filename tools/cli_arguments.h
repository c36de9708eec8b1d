#pragma once

// The command line of velmo-cli, read into one request before any file is
// touched, so every usage mistake is reported the same way and nothing is
// written when the line is wrong.

#include <QPageSize>
#include <QString>
#include <QStringList>

namespace cli {

// Exit codes: scripts tell "try again with other files" (1) from "the
// command line is wrong" (2).
enum ExitCode : int {
    ExitSuccess = 0,
    ExitFailure = 1,
    ExitUsage = 2,
};

// Version prints the program's version; Help prints the usage of
// HelpTopic (Help itself for the whole list).
enum class Command { Help, Version, Render, Info, Convert, Style, Export, Pdf };
enum class PictureFormat { Png, Bmp, Jpeg };

// Where the picture goes on a page, in the units it was asked in.
struct PageOffset {
    bool centred = false;
    double centimetres = 0; // from the page's left or top edge, when not centred
};

// The limits pdf accepts.
constexpr int MinDpi = 72, MaxDpi = 2400, DefaultDpi = 300;
constexpr int MinCopies = 1, MaxCopies = 999;
constexpr double MinPageMillimetres = 10, MaxPageMillimetres = 2000;

struct Request {
    Command command = Command::Help;
    Command helpTopic = Command::Help; // the command whose usage --help shows
    QString input;
    QString output;
    // render
    bool alpha = false;
    PictureFormat format = PictureFormat::Png;
    // style
    int layer = 0;
    QString styleFile; // empty when a preset is asked for
    int preset = -1;   // 0..12 for "preset:N"
    // pdf: the page, the printing resolution, the picture's place (by
    // default centred across and 6.5 cm down, where the program starts)
    // and the number of pages.
    QPageSize page{QPageSize::A4};
    int dpi = DefaultDpi;
    PageOffset x{true, 0};
    PageOffset y{false, 6.5};
    int copies = 1;
};

// The number of built-in text effects "preset:N" can name.
constexpr int PresetCount = 13;

// Reads the arguments after the program name. False, with a one-line reason
// in Error, when they do not form a command.
bool parseArguments(const QStringList& Args, Request& Out, QString& Error);

// The picture format an output name asks for, by its extension in any case.
bool formatFromName(const QString& FileName, PictureFormat& Format);

// The command a name on the command line stands for ("render", "pdf", ...).
bool commandNamed(const QString& Name, Command& Named);

// The text of --help: every command, or Topic's own usage with what it does.
QString usageText(Command Topic = Command::Help);
// The short form wrong usage shows: Topic's synopsis (every command's for
// Help) and where to read more.
QString synopsisText(Command Topic);
// What --version prints.
QString versionText();

} // namespace cli
