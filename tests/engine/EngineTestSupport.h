// Helpers shared by the engine tests: a temporary user folder with its
// camera sources, an owner object that keeps the event records it gets, and
// waiting with the event loop running.
#pragma once

#include "Option.h"
#include "QuorvelEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

namespace enginetest {

// A QCoreApplication for programs that have none yet.
inline void ensureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "engine_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Runs the event loop until pred() holds or timeout_ms passed.
inline bool waitUntil(const std::function<bool()> &pred, int timeout_ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// A user folder in a temporary directory; camera sources go into
// "SoruceUrl.bin" (one line each), which the options read at Init.
class UserFolder {
public:
    // inMemory: under /dev/shm where it exists, so that the many settings
    // saves of long runs do not wait for the disk.
    explicit UserFolder(const QStringList &sources = {}, bool inMemory = false)
        : m_dir(inMemory && QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                    ? QStringLiteral("/dev/shm/quorvel-test-XXXXXX")
                    : QDir::tempPath() + QStringLiteral("/quorvel-test-XXXXXX"))
    {
        m_path = m_dir.path() + QStringLiteral("/Vondrel Files/");
        QDir().mkpath(m_path);
        if (!sources.isEmpty()) {
            QFile f(m_path + QStringLiteral("SoruceUrl.bin"));
            f.open(QIODevice::WriteOnly);
            for (const QString &s : sources)
                f.write(s.toUtf8() + "\r\n");
        }
    }
    QString path() const { return m_path; }
    quorvel::OptionEnvironment environment() const
    {
        quorvel::OptionEnvironment env;
        env.videoDevices = [] { return QList<quorvel::CaptureDevice>{}; };
        env.videoCompressors = [] { return QStringList{QStringLiteral("x264enc")}; };
        env.audioInputs = [] { return QStringList{}; };
        env.audioCompressors = [] { return QStringList{}; };
        env.userFolder = m_path;
        env.langFolder = QStringLiteral(QUORVEL_TEST_LANG_DIR);
        return env;
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Keeps every camera event record and notification it receives.
class RecordingOwner : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelCameraEventType) {
            auto *ev = static_cast<QuorvelCameraEvent *>(e);
            std::lock_guard guard(m_lock);
            m_records.push_back(ev->record);
            m_sizes.push_back(ev->size);
            return true;
        }
        if (e->type() == QuorvelNotifyEventType) {
            auto *ev = static_cast<QuorvelNotifyEvent *>(e);
            std::lock_guard guard(m_lock);
            m_notes.push_back({ev->message, ev->wParam, ev->lParam});
            return true;
        }
        return QObject::event(e);
    }
    struct Note {
        int message;
        std::uintptr_t wParam;
        std::uintptr_t lParam;
    };
    std::vector<CameraEventRecord> records() const
    {
        std::lock_guard guard(m_lock);
        return m_records;
    }
    std::vector<Note> notes() const
    {
        std::lock_guard guard(m_lock);
        return m_notes;
    }
    std::vector<std::uint32_t> sizes() const
    {
        std::lock_guard guard(m_lock);
        return m_sizes;
    }
    void clear()
    {
        std::lock_guard guard(m_lock);
        m_records.clear();
        m_notes.clear();
    }

private:
    mutable std::mutex m_lock;
    std::vector<CameraEventRecord> m_records;
    std::vector<std::uint32_t> m_sizes;
    std::vector<Note> m_notes;
};

} // namespace enginetest
