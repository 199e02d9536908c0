#include "CameraSourceSetup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    if (!QDir().mkpath(folder))
        return false;
    // The library reads one source per line, lines ended by CR LF.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(testPictureSource.toUtf8() + "\r\n");
    return out.commit();
}

} // namespace vondrel
