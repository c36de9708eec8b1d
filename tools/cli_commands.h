#pragma once

// The commands of velmo-cli. Each works on a document of its own and
// reports through an Outcome instead of printing, so main() alone decides
// what goes to stdout and stderr.

#include "cli_arguments.h"

#include <QByteArray>
#include <QString>

namespace cli {

struct Outcome {
    int code = ExitSuccess;
    QString reason;         // one line, when code is not ExitSuccess
    QByteArray standardOut; // what the command prints on success
};

// Runs a parsed request (anything but Help). Needs a QGuiApplication: text
// layers are drawn with the system's fonts.
Outcome runRequest(const Request& Req);

} // namespace cli
