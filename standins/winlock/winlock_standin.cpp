// Stand-in for the desktop lock-down library. Each of the four switches
// takes 1 (show / enable) or 0 (hide / disable). The stand-in keeps the
// state asked for in a state file, rewritten whole on every call:
//
//   desktop=shown|hidden
//   taskbar=shown|hidden
//   taskmanager=enabled|disabled
//   taskswitching=enabled|disabled
//   calls=<number of calls so far>
//   last="<entry point> <argument>"
//   history="<the last 32 calls, oldest first, separated by ";">"
//
// The lines are shell assignments: a script may source the file.
//
// The file is $WINLOCK_STATE_FILE, else $XDG_STATE_HOME/vondrel/winlock.state,
// else ~/.local/state/vondrel/winlock.state. A script (or a desktop
// session's autostart) reads it and hides the panel, the task switcher and
// so on; docs/winlock.md shows how.
#include "AtomicFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#define WINLOCK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kHistory = 32;

struct Switch {
    const char *key;
    const char *on;   // argument 1
    const char *off;  // argument 0
};
constexpr Switch kDesktop{"desktop", "shown", "hidden"};
constexpr Switch kTaskbar{"taskbar", "shown", "hidden"};
constexpr Switch kTaskManager{"taskmanager", "enabled", "disabled"};
constexpr Switch kTaskSwitching{"taskswitching", "enabled", "disabled"};
constexpr const Switch *kSwitches[] = {&kDesktop, &kTaskbar, &kTaskManager, &kTaskSwitching};

QString stateFilePath()
{
    const QByteArray given = qgetenv("WINLOCK_STATE_FILE");
    if (!given.isEmpty())
        return QString::fromLocal8Bit(given);
    QString base = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    if (base.isEmpty())
        base = QString::fromLocal8Bit(qgetenv("HOME")) + QStringLiteral("/.local/state");
    return base + QStringLiteral("/vondrel/winlock.state");
}

// The state file as key/value pairs in file order; a missing or damaged
// file gives what could be read (unknown lines are dropped on the next
// write, missing switches read as shown / enabled).
QList<QPair<QByteArray, QByteArray>> readState(const QString &path)
{
    QList<QPair<QByteArray, QByteArray>> values;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return values;
    const QByteArray all = f.read(64 * 1024);
    for (const QByteArray &line : all.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq <= 0 || line.startsWith('#'))
            continue;
        QByteArray value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        values.append({line.left(eq).trimmed(), value});
    }
    return values;
}

QByteArray valueOf(const QList<QPair<QByteArray, QByteArray>> &values, const QByteArray &key)
{
    for (const auto &kv : values)
        if (kv.first == key)
            return kv.second;
    return {};
}

// Calls of this process are serialised here, calls of other processes (two
// programs sharing the state file) by an advisory lock beside the file.
std::mutex g_lock;

class FolderLock {
public:
    explicit FolderLock(const QString &statePath)
    {
        const QByteArray lockPath = QFile::encodeName(statePath + QStringLiteral(".lock"));
        m_fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            ::flock(m_fd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);  // releases the lock
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    int m_fd = -1;
};

void record(const Switch &changed, const char *entryPoint, std::int32_t argument)
{
    const std::lock_guard<std::mutex> guard(g_lock);
    const QString path = stateFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const FolderLock lock(path);
    const auto old = readState(path);

    const QByteArray call = QByteArray(entryPoint) + ' ' + QByteArray::number(argument);
    QByteArray out = "# Desktop lock-down asked for by the camera library (libWinLock stand-in).\n";
    for (const Switch *s : kSwitches) {
        QByteArray value;
        if (s == &changed)
            value = argument != 0 ? s->on : s->off;
        else {
            value = valueOf(old, s->key);
            if (value != s->on && value != s->off)
                value = s->on;
        }
        out += QByteArray(s->key) + '=' + value + '\n';
    }
    bool ok = false;
    const qlonglong calls = valueOf(old, "calls").toLongLong(&ok);
    out += "calls=" + QByteArray::number((ok && calls >= 0 ? calls : 0) + 1) + '\n';
    out += "last=\"" + call + "\"\n";
    QList<QByteArray> history;
    for (const QByteArray &h : valueOf(old, "history").split(';'))
        if (!h.trimmed().isEmpty() && !h.contains('"'))
            history.append(h.trimmed());
    history.append(call);
    while (history.size() > kHistory)
        history.removeFirst();
    QByteArray joined;
    for (const QByteArray &h : history)
        joined += (joined.isEmpty() ? "" : ";") + h;
    out += "history=\"" + joined + "\"\n";

    QString error;
    // The camera library reads nothing back from these calls: a state that
    // cannot be written is told on stderr only.
    if (!vq::writeFileAtomically(path, out, &error))
        std::fprintf(stderr, "libWinLock: cannot write %s: %s\n", qPrintable(path), qPrintable(error));
}

} // namespace

WINLOCK_EXPORT void Desktop_Show_Hide(std::int32_t show) { record(kDesktop, "Desktop_Show_Hide", show); }
WINLOCK_EXPORT void Taskbar_Show_Hide(std::int32_t show) { record(kTaskbar, "Taskbar_Show_Hide", show); }
WINLOCK_EXPORT void TaskManager_Enable_Disable(std::int32_t enable)
{
    record(kTaskManager, "TaskManager_Enable_Disable", enable);
}
WINLOCK_EXPORT void TaskSwitching_Enable_Disable(std::int32_t enable)
{
    record(kTaskSwitching, "TaskSwitching_Enable_Disable", enable);
}
