// A host's reporter callback for Quorvel_SetReporter that keeps what it
// gets, from any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

namespace enginetest {

class HostMessages {
public:
    struct Message {
        int kind;
        QString title;
        QString text;
    };

    static void collect(void *self, int kind, const char *title, const char *text)
    {
        auto *m = static_cast<HostMessages *>(self);
        std::lock_guard guard(m->m_lock);
        m->m_messages.push_back({kind, QString::fromUtf8(title), QString::fromUtf8(text)});
    }

    std::vector<Message> messages() const
    {
        std::lock_guard guard(m_lock);
        return m_messages;
    }
    QStringList texts() const
    {
        QStringList out;
        for (const Message &m : messages())
            out << m.text;
        return out;
    }

private:
    mutable std::mutex m_lock;
    std::vector<Message> m_messages;
};

} // namespace enginetest
