#pragma once
// Where the installed parts of the package find each other. A build tree
// keeps everything in one folder (bin/); an installed tree spreads it over
// the program, library and data folders, at the relative distances the
// build was configured with. Folders come back absolute, without a trailing
// "/"; none of these functions checks that a folder exists.
#include <QString>

namespace vq {

// The folder of the shared library (or program) whose code holds `address`:
// the library's own folder, wherever the loader found it.
QString folderOfCode(const void *address);

// The folder of the running program, also without a QCoreApplication.
QString runningProgramFolder();

// The installed stand-ins for outside libraries (libtermb.so), seen from the
// folder of the installed program.
QString installedStandinFolder(const QString &programFolder);

// The installed language files of the camera library, seen from the folder
// of the installed library.
QString installedLanguageFolder(const QString &libraryFolder);

} // namespace vq
