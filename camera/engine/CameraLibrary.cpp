#include "CameraLibrary.h"

#include "DeviceEnum.h"
#include "EngineLog.h"
#include "GstPtr.h"
#include "LibReporter.h"
#include "LibraryError.h"
#include "UsbCamera.h"

namespace quorvel {

CameraLibrary::CameraLibrary() = default;

CameraLibrary::~CameraLibrary()
{
    release();
}

int CameraLibrary::Init()
{
    return Init(engineOptionEnvironment());
}

int CameraLibrary::Init(OptionEnvironment env)
{
    ensureGStreamer();
    // A second Init would otherwise leave the first options object and its
    // running cameras unreachable.
    release();
    QString userFolder = env.userFolder.isEmpty() ? defaultUserFolder() : env.userFolder;
    if (!userFolder.endsWith(QLatin1Char('/')))
        userFolder += QLatin1Char('/');
    m_option = std::make_unique<Option>(userFolder + QStringLiteral("qxCamera.ini"), std::move(env));
    try {
        m_option->createUserFolder();
    } catch (const LibraryError &e) {
        reportException(e.text());
    }
    qCInfo(lcEngine) << "library initialised:" << m_option->cameraCount << "camera(s)";
    return 1;
}

void CameraLibrary::release()
{
    if (!m_option)
        return;
    // The options destroy every camera of the table (each saves its files).
    m_option.reset();
    qCInfo(lcEngine) << "library released";
}

UsbCamera *CameraLibrary::camera(int index) const
{
    if (!m_option || index < 0 || std::size_t(index) >= m_option->cameraTable.size())
        return nullptr;
    return static_cast<UsbCamera *>(m_option->cameraTable[std::size_t(index)].get());
}

void CameraLibrary::open(QObject *owner, QObject *notify, std::uintptr_t hostId,
                         std::unique_ptr<CameraDisplay> display, int index)
{
    if (!m_option || index < 0 || index >= m_option->cameraCount
        || std::size_t(index) >= m_option->cameraTable.size())
        return;
    auto &slot = m_option->cameraTable[std::size_t(index)];
    // Opening an index twice replaces (and so stops) the earlier camera.
    slot.reset();
    slot = std::make_unique<UsbCamera>(*m_option, owner, notify, hostId, std::move(display),
                                       m_option->cameraSources.at(index), index, index);
}

bool CameraLibrary::close(int index)
{
    if (UsbCamera *cam = camera(index)) {
        if (cam->IsDisabled())
            cam->Enable();
        else
            cam->Disable();
    }
    release();
    return true;
}

void CameraLibrary::Capture(int index)
{
    if (UsbCamera *cam = camera(index))
        cam->RequestSnapshot(CSampleGrabberCB::kSnapshotCapture);
}

bool CameraLibrary::setCapDir_root(int index, const QString &folder)
{
    UsbCamera *cam = camera(index);
    if (!cam || folder.trimmed().isEmpty())
        return false;
    cam->SetCapDirRoot(folder);
    return true;
}

bool CameraLibrary::setImgDir_root(int index, const QString &folder)
{
    UsbCamera *cam = camera(index);
    if (!cam || folder.trimmed().isEmpty())
        return false;
    cam->SetImgDirRoot(folder);
    return true;
}

QString CameraLibrary::getCapDir_root(int index) const
{
    UsbCamera *cam = camera(index);
    return cam ? cam->CapDirRoot() : QString();
}

QString CameraLibrary::getImgDir_root(int index) const
{
    UsbCamera *cam = camera(index);
    return cam ? cam->ImgDirRoot() : QString();
}

} // namespace quorvel
