#pragma once

// The design a file manager hands the program when it starts ("velmo
// FILE.velmo").

#include <QString>
#include <QStringList>

// The first of Arguments after the program's own name that names an
// existing file, as an absolute path; empty when none does. Qt has already
// taken its own options out of the list.
QString FileToOpenAtStart(const QStringList& Arguments);
