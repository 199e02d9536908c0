#pragma once
// The folder of the card files. The reader library writes "wz.txt", "zp.bmp"
// and "xp.wlt" into the process's working directory, and the program's own
// folder is not writable once installed, so the desk makes a "card" folder in
// its data folder its working directory at start-up and reads the files there.
#include <QString>

namespace vondrel {

// `dataFolder` followed by "card/" (dataFolder may end with "/" or not).
QString cardFolder(const QString &dataFolder);

// Creates the card folder if needed and makes it the working directory.
// False (with a message in *error) when the folder cannot be created or
// entered; the working directory is then unchanged.
bool enterCardFolder(const QString &dataFolder, QString *error = nullptr);

// Where the card files are read and written: the working directory, with a
// trailing "/".
QString cardFilesFolder();

// Full path of "zp.bmp" in the card files folder when the file exists, else
// an empty text.
QString cardPhotoPath();

} // namespace vondrel
