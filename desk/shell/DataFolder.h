#pragma once
// The desk's data folder: the user's documents folder + "Vondrel Files/".
// It holds "Vondrel.ini", "db.sqlite" and "temp/" (copies of stored pictures).
#include <QString>

#include <stdexcept>
#include <string>

namespace vondrel {

// Raised when a working folder is missing and cannot be created.
class FolderError : public std::runtime_error {
public:
    explicit FolderError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// The user's documents folder: $XDG_DOCUMENTS_DIR when set, else the
// platform's documents location (from $HOME), else $HOME/Documents.
QString documentsFolder();

// The documents folder followed by "Vondrel Files/", always ending in "/".
// The documents folder is $XDG_DOCUMENTS_DIR when set, else the platform's
// documents location (from $HOME), else $HOME/Documents.
QString filesFolder();

// The temp folder: filesFolder() + "temp/".
QString tempFolder();

// Creates the data folder, then its temp folder, where missing. Returns true
// when both exist afterwards; throws FolderError("不能建立临时文件夹.") when a
// folder cannot be created.
bool makeWorkFolders();
// The same for a given data folder (tests).
bool makeWorkFolders(const QString &dataFolder);

// Deletes every file matching a wildcard path such as "<folder>/*.jpg".
// The wildcard applies to the file name only and matches without regard to
// letter case; folders are never deleted. Failures are ignored. Returns the
// number of files deleted.
int deleteMatching(const QString &pattern);

} // namespace vondrel
