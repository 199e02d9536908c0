#include "SafeFile.h"

#include "LibReporter.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

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

} // namespace

std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.read(maxBytes);
}

// Written by hand rather than with QSaveFile: on a full disk (or past the file
// size limit) QSaveFile's final flush can write part of the data and still
// commit, which would replace a good file by a cut one. Here every byte is
// checked and the rename happens only after a successful fsync and close.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    int failure = 0;
    struct stat st;
    if (::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
    else
        ::fchmod(fd, 0666 & ~currentUmask());

    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0 && failure == 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno != EINTR)
                failure = errno;
            continue;
        }
        if (n == 0) {
            failure = ENOSPC;
            break;
        }
        p += n;
        left -= n;
    }
    if (failure == 0 && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temp.constData(), target.constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temp.constData());
        if (error)
            *error = errnoText(failure);
        return false;
    }
    return true;
}

void reportWriteFailure(const QString &path, const QString &why)
{
    reportErrorBox(QStringLiteral("Cannot write %1: %2").arg(path, why));
}

} // namespace quorvel
