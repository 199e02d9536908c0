#pragma once
// Ways to make a file write fail for real, shared by the tests of every
// writer: a file-size limit (the write comes back short, then EFBIG) and a
// small tmpfs that is already full (ENOSPC). Plus the check that a folder
// holds no temporary file of the atomic writer.
#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

namespace vqtest {

// Limits the size of files this process writes until destroyed. SIGXFSZ is
// ignored meanwhile, so an over-long write fails with EFBIG instead of
// killing the test program; both are restored afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_ok = false;
};

// A tmpfs of `bytes` mounted on a fresh temporary folder (needs root, or at
// least the right to mount; ok() is false where mounting is refused). fill()
// then takes all of its free space.
class SmallTmpfs {
public:
    explicit SmallTmpfs(qint64 bytes = 256 * 1024)
    {
        if (m_dir.isValid())
            mountOn(m_dir.path(), bytes);
    }
    // Mounted over an existing folder (its files are hidden meanwhile).
    SmallTmpfs(const QString &folder, qint64 bytes)
    {
        mountOn(folder, bytes);
    }
    ~SmallTmpfs()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool ok() const { return m_mounted; }
    QString path() const { return m_path; }
    QString filePath(const QString &name) const { return m_path + QLatin1Char('/') + name; }

    // Writes a filler file until the file system is full; true when it is.
    bool fill()
    {
        QFile filler(filePath(QStringLiteral(".filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        // Fill the last partial block too.
        while (filler.write("f", 1) == 1) {
        }
        return true;
    }

private:
    void mountOn(const QString &folder, qint64 bytes)
    {
        m_path = folder.endsWith(QLatin1Char('/')) ? folder.chopped(1) : folder;
        const QByteArray where = QFile::encodeName(m_path);
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        m_mounted = ::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
    }

    QTemporaryDir m_dir;
    QString m_path;
    bool m_mounted = false;
};

// Names of the atomic writer's temporary files in `folder`.
inline QStringList tempFilesIn(const QString &folder)
{
    QStringList out;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (vq::isAtomicTempName(name) || name.endsWith(QLatin1String(".tmp")))
            out << name;
    }
    return out;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Test set-up writes that are not under test.
inline bool putFile(const QString &path, const QByteArray &bytes)
{
    return vq::writeFileAtomically(path, bytes);
}

} // namespace vqtest
