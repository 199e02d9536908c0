#include "CameraSourceSetup.h"

#include "AtomicFile.h"
#include "Reporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vondrel {

bool captureDevicePresent()
{
    // Capture devices appear as V4L2 nodes; the library's device list is
    // built from the same devices.
    return !QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System).isEmpty();
}

namespace {

bool listsASource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = f.readAll();
    for (const QByteArray &line : data.split('\n')) {
        if (!line.trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool prepareCameraSources(const QString &dataFolder, const std::function<bool()> &hasDevice)
{
    QString folder = dataFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    const QString path = folder + QStringLiteral("SoruceUrl.bin");
    if (QFileInfo(path).isFile() && listsASource(path))
        return false;
    if (hasDevice && hasDevice())
        return false;
    QString why;
    if (!QDir().mkpath(folder))
        why = QStringLiteral("不能建立文件夹");
    // The library reads one source per line, lines ended by CR LF.
    else if (vq::writeFileAtomically(path, testPictureSource.toUtf8() + "\r\n", &why))
        return true;
    // The camera then stays dark; the guard learns why.
    reportError(QStringLiteral("不能写入摄像头来源文件 %1: %2").arg(QDir::toNativeSeparators(path), why));
    return false;
}

} // namespace vondrel
