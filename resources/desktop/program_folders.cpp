#include "program_folders.h"

#include "install_paths.h"

#include <QDir>
#include <QFileInfo>

namespace velmo {

namespace {

constexpr char kHelpFolderName[] = "velmo.chm";

// Folder joined with a relative path and cleaned ("bin/../lib" -> "lib").
QString under(const QString& Folder, const QString& Relative) {
    return QDir::cleanPath(Folder + QLatin1Char('/') + Relative);
}

} // namespace

QString InstalledPluginPath() {
    return QString::fromUtf8(install_paths::PluginFromProgram);
}

QString InstalledDataPath() {
    return QString::fromUtf8(install_paths::DataFromProgram);
}

QString CurvePluginFileName() {
#if defined(Q_OS_WIN)
    return QStringLiteral("curveDLL.dll");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("curveDLL.dylib");
#else
    return QStringLiteral("curveDLL.so");
#endif
}

QString PluginFolderFor(const QString& ProgramFolder, const QString& FileName) {
    if (ProgramFolder.isEmpty()) return {};
    if (QFileInfo(under(ProgramFolder, FileName)).isFile()) return ProgramFolder;
    const QString installed = under(ProgramFolder, InstalledPluginPath());
    if (QFileInfo(under(installed, FileName)).isFile()) return installed;
    return ProgramFolder;
}

QString HelpFolderFor(const QString& ProgramFolder) {
    if (ProgramFolder.isEmpty()) return {};
    const QString beside = ProgramFolder + QLatin1Char('/') + QLatin1String(kHelpFolderName);
    if (QFileInfo(beside).isDir()) return beside;
    const QString installed =
        under(under(ProgramFolder, InstalledDataPath()), QLatin1String(kHelpFolderName));
    if (QFileInfo(installed).isDir()) return installed;
    return beside;
}

} // namespace velmo
