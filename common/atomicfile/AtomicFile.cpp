#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QSet>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {
namespace {

constexpr const char kTempSuffix[] = ".tmp";

// The process's file mode mask, read without changing it (umask() would, for
// a moment, for every thread).
mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask);
            }
        }
    }
    return 022;
}

QString errnoText(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

// The temporary files this process has open. A leftover carrying our own
// process id comes from an earlier process that had the same id (a fresh
// container numbers its processes the same way every start): it is stale
// unless it is listed here.
std::mutex g_liveLock;
QSet<QByteArray> &liveTemps()
{
    static QSet<QByteArray> names; // base names; guarded by g_liveLock
    return names;
}
void markLive(const QByteArray &temp)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    liveTemps().insert(temp.mid(temp.lastIndexOf('/') + 1));
}
void markGone(const QByteArray &temp)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    liveTemps().remove(temp.mid(temp.lastIndexOf('/') + 1));
}
bool isLive(const QByteArray &baseName)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    return liveTemps().contains(baseName);
}

// Room the temporary name adds to the target's name: ".", ".<pid>",
// ".XXXXXX" and the suffix; the pid takes at most 10 digits.
constexpr int kTempNameExtra = 1 + 11 + 7 + int(sizeof(kTempSuffix) - 1);
constexpr int kMaxNameBytes = 255; // NAME_MAX of the usual file systems

// At most `limit` bytes of UTF-8 `name`, not ending inside a character (the
// clean-up lists folders as text and must be able to name the file again).
QByteArray utf8Prefix(const QByteArray &name, int limit)
{
    if (name.size() <= limit)
        return name;
    int end = limit;
    while (end > 0 && (uchar(name[end]) & 0xC0) == 0x80)
        --end;
    return name.left(end);
}

// ".<name>.<pid>.XXXXXX.tmp" beside the target: hidden, so listings and
// wildcard deletions of the folder do not see it, and carrying our process id,
// so a later writer can tell a leftover of a killed process from a live one.
// A long target name is shortened so the temporary name stays a legal one.
QByteArray tempTemplateFor(const QByteArray &target)
{
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash >= 0 ? target.left(slash + 1) : QByteArray();
    const QByteArray name = utf8Prefix(slash >= 0 ? target.mid(slash + 1) : target, kMaxNameBytes - kTempNameExtra);
    return dir + '.' + name + '.' + QByteArray::number(qint64(::getpid())) + ".XXXXXX" + kTempSuffix;
}

int createTemp(const QByteArray &target, QByteArray *temp)
{
    *temp = tempTemplateFor(target);
    const int fd = ::mkostemps(temp->data(), int(sizeof(kTempSuffix) - 1), O_CLOEXEC);
    if (fd < 0)
        return -1;
    markLive(*temp);
    // Keep the mode of the file being replaced, or the usual mode of a new one
    // (mkstemp's 0600 would make a shared settings file private).
    struct stat st;
    if (::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
    else
        ::fchmod(fd, 0666 & ~currentUmask());
    return fd;
}

int writeAll(int fd, const char *p, qsizetype left)
{
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        p += n;
        left -= n;
    }
    return 0;
}

// The rename is only durable once the folder itself is on disk.
void syncFolderOf(const QByteArray &target)
{
    const int slash = target.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? target.left(slash) : (slash == 0 ? QByteArray("/") : QByteArray("."));
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// fsync, close and rename; returns 0 or the first errno. The temporary is
// removed on failure.
int finish(int fd, const QByteArray &temp, const QByteArray &target)
{
    int failure = 0;
    if (::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temp.constData(), target.constData()) != 0)
        failure = errno;
    if (failure != 0)
        ::unlink(temp.constData());
    markGone(temp);
    if (failure != 0)
        return failure;
    syncFolderOf(target);
    return 0;
}

QString folderOf(const QString &path)
{
    const QFileInfo info(path);
    return info.absolutePath();
}

} // namespace

std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.read(maxBytes);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    AtomicFile file(path);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

AtomicFile::AtomicFile(QString path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open()
{
    discard();
    m_error.clear();
    removeStaleTempFiles(folderOf(m_path));
    m_fd = createTemp(QFile::encodeName(m_path), &m_temp);
    if (m_fd < 0) {
        m_error = errnoText(errno);
        m_temp.clear();
        return false;
    }
    return true;
}

bool AtomicFile::write(const char *data, qsizetype size)
{
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("file not open");
        return false;
    }
    if (const int e = writeAll(m_fd, data, size)) {
        m_error = errnoText(e);
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("file not open");
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    const int e = finish(fd, m_temp, QFile::encodeName(m_path));
    m_temp.clear();
    if (e != 0) {
        m_error = errnoText(e);
        return false;
    }
    return true;
}

void AtomicFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        markGone(m_temp);
        m_temp.clear();
    }
}

QString AtomicFile::tempPath() const { return QFile::decodeName(m_temp); }

std::optional<QString> createTempFileFor(const QString &target, QString *error)
{
    removeStaleTempFiles(folderOf(target));
    QByteArray temp;
    const int fd = createTemp(QFile::encodeName(target), &temp);
    if (fd < 0) {
        if (error)
            *error = errnoText(errno);
        return std::nullopt;
    }
    ::close(fd);
    return QFile::decodeName(temp);
}

bool commitWrittenFile(const QString &tempPath, const QString &target, QString *error)
{
    const QByteArray temp = QFile::encodeName(tempPath);
    const int fd = ::open(temp.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errnoText(errno);
        ::unlink(temp.constData());
        markGone(temp);
        return false;
    }
    if (const int e = finish(fd, temp, QFile::encodeName(target))) {
        if (error)
            *error = errnoText(e);
        return false;
    }
    return true;
}

bool isAtomicTempName(const QString &name)
{
    // ".<name>.<pid>.XXXXXX.tmp"
    if (!name.startsWith(u'.') || !name.endsWith(QLatin1String(kTempSuffix)))
        return false;
    const QString core = name.chopped(int(sizeof(kTempSuffix) - 1));
    const int lastDot = core.lastIndexOf(u'.');
    if (lastDot < 0 || core.size() - lastDot - 1 != 6)
        return false;
    const int pidDot = core.lastIndexOf(u'.', lastDot - 1);
    if (pidDot <= 0)
        return false;
    bool ok = false;
    core.mid(pidDot + 1, lastDot - pidDot - 1).toLongLong(&ok);
    return ok;
}

void removeStaleTempFiles(const QString &folder)
{
    // Read with readdir rather than a QDir name filter: the filter compiles a
    // regular expression, whose first use on a thread registers thread-local
    // clean-up with the loader, and a camera's streaming thread that does so
    // while the library is being unloaded would wait for the unloading thread
    // that waits for it.
    const QByteArray dirName = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR *dir = ::opendir(dirName.constData());
    if (!dir)
        return;
    QStringList names;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (isAtomicTempName(name))
            names << name;
    }
    ::closedir(dir);
    const QDir qdir(folder);
    for (const QString &name : names) {
        const QString core = name.chopped(int(sizeof(kTempSuffix) - 1));
        const int lastDot = core.lastIndexOf(u'.');
        const int pidDot = core.lastIndexOf(u'.', lastDot - 1);
        const qint64 pid = core.mid(pidDot + 1, lastDot - pidDot - 1).toLongLong();
        if (pid <= 0)
            continue;
        if (pid == qint64(::getpid())) {
            if (isLive(QFile::encodeName(name)))
                continue; // ours, being written right now
        } else if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) {
            continue; // that writer is still running
        }
        const QString path = qdir.filePath(name);
        if (QFileInfo(path).isFile())
            QFile::remove(path);
    }
}

} // namespace vq
