#include "InstallDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>

namespace vq {
namespace {

QString below(const QString &folder, const char *relative)
{
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(folder + u'/' + QString::fromUtf8(relative));
}

} // namespace

QString runningProgramFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    const QString target = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

QString folderOfCode(const void *address)
{
    Dl_info info{};
    if (::dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname)
        return runningProgramFolder();
    const QString path = QString::fromLocal8Bit(info.dli_fname);
    if (QDir::isAbsolutePath(path))
        return QFileInfo(QDir::cleanPath(path)).absolutePath();
    // A relative name: the program as it was started (possibly found on the
    // PATH), or a library a host loaded by a relative path. Either is taken
    // from the working folder while it still holds the file.
    const QFileInfo relative(path);
    return relative.exists() ? relative.absolutePath() : runningProgramFolder();
}

QString installedStandinFolder(const QString &programFolder)
{
    return below(programFolder, VQ_PROGRAM_TO_STANDINS);
}

QString installedLanguageFolder(const QString &libraryFolder)
{
    return below(libraryFolder, VQ_LIBRARY_TO_LANG);
}

} // namespace vq
