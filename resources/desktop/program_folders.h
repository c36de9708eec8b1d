#pragma once

// Where the program finds the files it ships with. In the build tree they lie
// beside the program (the help pages in "velmo.chm", the plug-ins as they
// are); in an installed tree the program sits in bin and its plug-ins and
// help pages in folders reached from there by fixed relative paths, so the
// tree works wherever it is unpacked. Every function takes the program's
// folder so it can be asked about any tree; none touches global state.

#include <QString>

namespace velmo {

// The installed plug-in folder and data folder as paths relative to the
// installed program's folder, e.g. "../lib/velmo" and "../share/velmo".
QString InstalledPluginPath();
QString InstalledDataPath();

// The folder to load the plug-in FileName from for a program in
// ProgramFolder: the program's own folder when the file lies there, else the
// installed plug-in folder when it lies there, else the program's own folder
// (where a missing plug-in is then reported).
QString PluginFolderFor(const QString& ProgramFolder, const QString& FileName);
// The curve plug-in's file name on this platform: "curveDLL" and the
// platform's library suffix ("curveDLL.dll" on Windows), so the installer and
// every loader agree on one base name.
QString CurvePluginFileName();

// The folder of help pages, "velmo.chm": beside the program when it is
// there, else in the installed data folder when it is there, else beside the
// program. Empty for an empty ProgramFolder.
QString HelpFolderFor(const QString& ProgramFolder);

} // namespace velmo
