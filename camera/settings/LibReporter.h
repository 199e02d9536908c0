#pragma once
// The camera library's one replaceable message reporter. Library code never
// opens message boxes itself: it hands the message to the reporter, so tests
// read the exact text and the host shows it in a box on its UI thread.
//
// Messages are raised on the UI thread and on streaming and upload threads
// alike, so every reporter must accept report() from any thread. A reporter
// that shows boxes should queue the message and show it from the UI thread
// (LibMessageQueue below does the queueing).
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace quorvel {

class LibReporter {
public:
    enum class Kind {
        Error,     // task-modal box titled "Error!"
        PlayCap,   // box titled "PlayCap Message"
        Plain,     // the framework's plain message dialog (application title)
        Exception, // a raised library error shown by the standard exception display
    };
    struct Message {
        Kind kind;
        QString text;
    };

    virtual ~LibReporter() = default;
    // Called from any thread; must not block on the UI thread.
    virtual void report(Kind kind, const QString &text) = 0;

    // The title a box of this kind carries ("Error!", "PlayCap Message", or
    // empty for the application's own title).
    static QString titleFor(Kind kind);
};

// The reporter in force. Until one is installed, messages go to stderr.
LibReporter &libReporter();
// Installs `r` (not owned; must outlive its use); nullptr restores stderr.
void setLibReporter(LibReporter *r);

inline void reportErrorBox(const QString &text) { libReporter().report(LibReporter::Kind::Error, text); }
inline void reportPlayCap(const QString &text) { libReporter().report(LibReporter::Kind::PlayCap, text); }
inline void reportPlain(const QString &text) { libReporter().report(LibReporter::Kind::Plain, text); }
inline void reportException(const QString &text) { libReporter().report(LibReporter::Kind::Exception, text); }

// Thread-safe queue of messages for delivery on the UI thread: any thread
// reports, the UI thread takes the messages and shows them. `onQueued` (set by
// the UI layer, e.g. a QMetaObject::invokeMethod with a queued connection) is
// called after each message is queued, on the reporting thread, without the
// queue lock held.
class LibMessageQueue : public LibReporter {
public:
    void report(Kind kind, const QString &text) override;
    // Removes and returns every queued message, oldest first.
    QList<Message> takeAll();
    int pending() const;
    void setOnQueued(std::function<void()> onQueued);

private:
    mutable std::mutex m_lock;
    QList<Message> m_messages;
    std::function<void()> m_onQueued;
};

// Keeps every message for tests; safe to use from several threads.
class RecordingLibReporter : public LibReporter {
public:
    void report(Kind kind, const QString &text) override;
    QList<Message> messages() const;
    QStringList texts() const;
    int count() const;
    void clear();
    // Waits until at least `n` messages arrived or `timeout_ms` passed;
    // true when they arrived (for messages raised on other threads).
    bool waitForCount(int n, int timeout_ms) const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_arrived;
    QList<Message> m_messages;
};

// Installs a reporter for the lifetime of a scope (tests).
class ScopedLibReporter {
public:
    explicit ScopedLibReporter(LibReporter *r) { setLibReporter(r); }
    ~ScopedLibReporter() { setLibReporter(nullptr); }
    ScopedLibReporter(const ScopedLibReporter &) = delete;
    ScopedLibReporter &operator=(const ScopedLibReporter &) = delete;
};

} // namespace quorvel
