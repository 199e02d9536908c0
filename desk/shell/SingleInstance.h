#pragma once
// Single-instance lock of the desk program: a lock file in the user's runtime
// folder. A copy that crashed leaves the file behind, but the next start sees
// that the process named in it is gone and takes the lock over.
#include <QString>

#include <memory>

class QLockFile;

namespace vondrel {

class SingleInstance {
public:
    // `lockPath` empty: <runtime folder>/Vondrel.lock.
    explicit SingleInstance(const QString &lockPath = QString());
    ~SingleInstance(); // releases the lock when held
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // Takes the lock without waiting. False when another live copy holds it
    // (or the lock file cannot be created: then errorText() says why, and
    // the caller may run without the lock). A lock file that names no holder
    // (empty or garbage) and that no live copy holds is replaced.
    bool tryLock();
    bool isLocked() const;
    QString errorText() const;
    QString lockPath() const { return m_path; }

    static QString defaultLockPath();

private:
    bool holderNamed() const;

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QString m_error;
};

// "门禁软件已启动."
QString alreadyRunningText();
// The message for a lock that cannot be made at all, naming the file.
QString cannotLockText(const QString &path, const QString &reason);

} // namespace vondrel
