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
    // The loader names the program as it was started (possibly relative to a
    // working folder that has changed since); libraries by the path it found.
    if (!QDir::isAbsolutePath(path))
        return runningProgramFolder();
    return QFileInfo(QDir::cleanPath(path)).absolutePath();
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
