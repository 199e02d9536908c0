#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vondrel {

namespace {

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace

QString documentsFolder()
{
    // The variable is honoured first so that tests and odd desktops can point
    // the data folder anywhere; Qt reads it only from user-dirs.dirs.
    const QString fromEnv = qEnvironmentVariable("XDG_DOCUMENTS_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!docs.isEmpty())
        return docs;
    return QDir::homePath() + QStringLiteral("/Documents");
}

QString filesFolder()
{
    return withSlash(documentsFolder()) + QStringLiteral("Vondrel Files/");
}

QString tempFolder()
{
    return filesFolder() + QStringLiteral("temp/");
}

bool makeWorkFolders(const QString &dataFolder)
{
    const QString data = withSlash(dataFolder);
    const QString temp = data + QStringLiteral("temp/");
    for (const QString &folder : {data, temp}) {
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
            throw FolderError(QStringLiteral("不能建立临时文件夹."));
    }
    return true;
}

bool makeWorkFolders()
{
    return makeWorkFolders(filesFolder());
}

int deleteMatching(const QString &pattern)
{
    const int slash = pattern.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? pattern.left(slash + 1) : QStringLiteral("./");
    const QString filter = pattern.mid(slash + 1);
    if (filter.isEmpty())
        return 0;
    QDir dir(folder);
    if (!dir.exists())
        return 0;
    // Without QDir::CaseSensitive the name filter ignores letter case:
    // "*.jpg" also takes "A.JPG", whatever case a camera or copy gave it.
    const QStringList names = dir.entryList({filter},
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    int deleted = 0;
    for (const QString &name : names) {
        if (QFile::remove(dir.filePath(name)))
            ++deleted;
    }
    return deleted;
}

} // namespace vondrel
