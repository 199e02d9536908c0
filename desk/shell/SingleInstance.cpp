#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
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
    if (m_lock->error() == QLockFile::LockFailedError && !holderNamed()) {
        // An empty or garbled file (a crash between creating and writing it)
        // names no holder, so QLockFile never takes it for stale. It is
        // removed only when no live copy holds it: removeStaleLockFile()
        // takes the holder's file lock first, which a running copy keeps
        // from the moment it creates the file.
        if (m_lock->removeStaleLockFile() && m_lock->tryLock(0))
            return true;
        const QFileInfo info(m_path);
        if (m_lock->error() == QLockFile::LockFailedError && !holderNamed() && info.exists()
            && (!info.isFile() || !info.isWritable())) {
            // Left by someone else and not ours to remove.
            m_error = cannotLockText(m_path, QStringLiteral("锁文件无法读取或删除"));
        }
    }
    if (m_error.isEmpty()) {
        switch (m_lock->error()) {
        case QLockFile::LockFailedError:
            break; // a live copy holds it
        case QLockFile::PermissionError:
            m_error = cannotLockText(m_path, QStringLiteral("没有权限"));
            break;
        default:
            m_error = cannotLockText(m_path, QStringLiteral("无法建立文件"));
            break;
        }
    }
    m_lock.reset();
    return false;
}

bool SingleInstance::holderNamed() const
{
    qint64 pid = 0;
    QString host;
    QString app;
    return m_lock && m_lock->getLockInfo(&pid, &host, &app) && pid > 0;
}

QString cannotLockText(const QString &path, const QString &reason)
{
    return QStringLiteral("无法建立锁文件 %1 (%2)，不能防止本程序同时运行两份。")
        .arg(QDir::toNativeSeparators(path), reason);
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
