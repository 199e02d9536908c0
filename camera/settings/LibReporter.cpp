#include "LibReporter.h"

#include <chrono>
#include <cstdio>

namespace quorvel {
namespace {

class StderrLibReporter : public LibReporter {
public:
    void report(Kind kind, const QString &text) override
    {
        const QString title = titleFor(kind);
        std::lock_guard<std::mutex> guard(m_lock);
        if (title.isEmpty())
            std::fprintf(stderr, "Quorvel: %s\n", text.toUtf8().constData());
        else
            std::fprintf(stderr, "Quorvel: %s %s\n", title.toUtf8().constData(), text.toUtf8().constData());
    }

private:
    std::mutex m_lock;
};

StderrLibReporter g_stderrReporter;
std::atomic<LibReporter *> g_reporter{&g_stderrReporter};

} // namespace

QString LibReporter::titleFor(Kind kind)
{
    switch (kind) {
    case Kind::Error:
        return QStringLiteral("Error!");
    case Kind::PlayCap:
        return QStringLiteral("PlayCap Message");
    case Kind::Plain:
    case Kind::Exception:
        break;
    }
    return QString();
}

LibReporter &libReporter() { return *g_reporter.load(std::memory_order_acquire); }

void setLibReporter(LibReporter *r)
{
    g_reporter.store(r ? r : &g_stderrReporter, std::memory_order_release);
}

void LibMessageQueue::report(Kind kind, const QString &text)
{
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.push_back({kind, text});
        wake = m_onQueued;
    }
    if (wake)
        wake();
}

QList<LibReporter::Message> LibMessageQueue::takeAll()
{
    std::lock_guard<std::mutex> guard(m_lock);
    QList<Message> out;
    out.swap(m_messages);
    return out;
}

int LibMessageQueue::pending() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return int(m_messages.size());
}

void LibMessageQueue::setOnQueued(std::function<void()> onQueued)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_onQueued = std::move(onQueued);
}

void RecordingLibReporter::report(Kind kind, const QString &text)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.push_back({kind, text});
    }
    m_arrived.notify_all();
}

QList<LibReporter::Message> RecordingLibReporter::messages() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
}

QStringList RecordingLibReporter::texts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    QStringList out;
    for (const auto &m : m_messages)
        out << m.text;
    return out;
}

int RecordingLibReporter::count() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return int(m_messages.size());
}

void RecordingLibReporter::clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_messages.clear();
}

bool RecordingLibReporter::waitForCount(int n, int timeout_ms) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_arrived.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                              [&] { return m_messages.size() >= n; });
}

} // namespace quorvel
