#pragma once

// The command line of velmo-cli, read into one request before any file is
// touched, so every usage mistake is reported the same way and nothing is
// written when the line is wrong.

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

enum class Command { Help, Render, Info, Convert, Style };
enum class PictureFormat { Png, Bmp, Jpeg };

struct Request {
    Command command = Command::Help;
    QString input;
    QString output;
    // render
    bool alpha = false;
    PictureFormat format = PictureFormat::Png;
    // style
    int layer = 0;
    QString styleFile; // empty when a preset is asked for
    int preset = -1;   // 0..12 for "preset:N"
};

// The number of built-in text effects "preset:N" can name.
constexpr int PresetCount = 13;

// Reads the arguments after the program name. False, with a one-line reason
// in Error, when they do not form a command.
bool parseArguments(const QStringList& Args, Request& Out, QString& Error);

// The picture format an output name asks for, by its extension in any case.
bool formatFromName(const QString& FileName, PictureFormat& Format);

// The text of --help.
QString usageText();

} // namespace cli
