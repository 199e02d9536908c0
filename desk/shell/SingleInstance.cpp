#include "SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace vondrel {

QString alreadyRunningText()
{
    return QStringLiteral("门禁软件已启动.");
}

SingleInstance::SingleInstance(const QString &lockPath)
    : m_path(lockPath.isEmpty() ? defaultLockPath() : lockPath)
{
}

SingleInstance::~SingleInstance() = default; // QLockFile unlocks in its destructor

QString SingleInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/Vondrel.lock");
}

bool SingleInstance::tryLock()
{
    if (isLocked())
        return true;
    m_error.clear();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock is never stale by age: only when the process that wrote it is
    // gone (QLockFile checks the PID, host and program name in the file).
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    switch (m_lock->error()) {
    case QLockFile::LockFailedError:
        break; // a live copy holds it
    case QLockFile::PermissionError:
        m_error = QStringLiteral("无法建立锁文件 %1: 没有权限").arg(m_path);
        break;
    default:
        m_error = QStringLiteral("无法建立锁文件 %1").arg(m_path);
        break;
    }
    m_lock.reset();
    return false;
}

bool SingleInstance::isLocked() const
{
    return m_lock && m_lock->isLocked();
}

QString SingleInstance::errorText() const
{
    return m_error;
}

} // namespace vondrel
