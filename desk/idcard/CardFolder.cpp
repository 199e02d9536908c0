#include "CardFolder.h"

#include <QDir>
#include <QFileInfo>

namespace vondrel {

QString cardFolder(const QString &dataFolder)
{
    QString f = dataFolder;
    if (!f.endsWith(u'/'))
        f += u'/';
    return f + QStringLiteral("card/");
}

bool enterCardFolder(const QString &dataFolder, QString *error)
{
    const QString folder = cardFolder(dataFolder);
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("不能建立读卡文件夹：") + QDir::toNativeSeparators(folder);
        return false;
    }
    if (!QDir::setCurrent(folder)) {
        if (error)
            *error = QStringLiteral("不能进入读卡文件夹：") + QDir::toNativeSeparators(folder);
        return false;
    }
    return true;
}

QString cardFilesFolder()
{
    QString f = QDir::currentPath();
    if (!f.endsWith(u'/'))
        f += u'/';
    return f;
}

QString cardPhotoPath()
{
    const QString path = cardFilesFolder() + QStringLiteral("zp.bmp");
    return QFileInfo::exists(path) ? path : QString();
}

} // namespace vondrel
