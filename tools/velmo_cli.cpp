// velmo-cli: design files for print shops and scripts, without a window.
//
//   velmo-cli render [--alpha] IN.velmo OUT.png|OUT.bmp|OUT.jpg
//   velmo-cli info IN.velmo
//   velmo-cli convert IN.velmo OUT.velmo
//   velmo-cli style IN.velmo LAYER STYLE OUT.velmo
//   velmo-cli export IN.velmo OUT.bmp|OUT.jpg|OUT.png
//   velmo-cli pdf IN.velmo OUT.pdf [--page ...] [--dpi N] [--x ...] [--y ...] [--copies N]

#include "cli_arguments.h"
#include "cli_commands.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

void printLine(std::FILE* Stream, const QString& Text) {
    std::fputs(qUtf8Printable(Text), Stream);
    std::fputc('\n', Stream);
}

void writeAll(std::FILE* Stream, const QByteArray& Bytes) {
    std::fwrite(Bytes.constData(), 1, size_t(Bytes.size()), Stream);
    std::fflush(Stream);
}

// Wrong usage: the reason, then the synopsis of the command concerned.
int usageError(const QString& Reason, cli::Command Topic) {
    printLine(stderr, QStringLiteral("velmo-cli: %1").arg(Reason));
    writeAll(stderr, cli::synopsisText(Topic).toUtf8());
    return cli::ExitUsage;
}

// Scripts read one line of ours first on stderr when something fails, so
// Qt's own chatter (font and platform notes) is kept out of it; only
// critical and fatal messages still get through.
void quietMessages(QtMsgType Type, const QMessageLogContext&, const QString& Message) {
    if (Type == QtCriticalMsg || Type == QtFatalMsg) printLine(stderr, Message);
}

} // namespace

int main(int argc, char** argv) {
    // Text layers are drawn with the system's fonts, which needs a GUI
    // application; the offscreen platform lets it run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    // Built before any document: the engine reads its blend tables from the
    // program's folder, which only the application object knows.
    QGuiApplication app(argc, argv);

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    cli::Request request;
    QString error;
    if (!cli::parseArguments(args, request, error)) return usageError(error, request.command);
    if (request.command == cli::Command::Help) {
        writeAll(stdout, cli::usageText(request.helpTopic).toUtf8());
        return cli::ExitSuccess;
    }
    if (request.command == cli::Command::Version) {
        writeAll(stdout, cli::versionText().toUtf8());
        return cli::ExitSuccess;
    }
    const cli::Outcome outcome = cli::runRequest(request);
    if (outcome.code == cli::ExitUsage) return usageError(outcome.reason, request.command);
    if (outcome.code != cli::ExitSuccess) {
        printLine(stderr, QStringLiteral("velmo-cli: %1").arg(outcome.reason));
        return outcome.code;
    }
    writeAll(stdout, outcome.standardOut);
    return cli::ExitSuccess;
}
