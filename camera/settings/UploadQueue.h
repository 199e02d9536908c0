#pragma once
// A camera's queue of picture files waiting for upload. The frame path
// appends on the streaming thread, the upload thread takes from the head; the
// queue carries its own lock so neither side needs another one.
#include <QString>
#include <QStringList>

#include <mutex>

namespace quorvel {

class UploadQueue {
public:
    void append(const QString &path)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_paths.append(path);
    }
    // Removes and returns up to `most` paths from the head (none for most < 1).
    QStringList takeBatch(int most)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        QStringList out;
        while (most-- > 0 && !m_paths.isEmpty())
            out.append(m_paths.takeFirst());
        return out;
    }
    // Puts paths back at the head, in their order (an upload pass that failed).
    void putBack(const QStringList &paths)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (qsizetype i = paths.size(); i-- > 0;)
            m_paths.prepend(paths.at(i));
    }
    int size() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return int(m_paths.size());
    }
    QStringList snapshot() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_paths;
    }
    void clear()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_paths.clear();
    }

private:
    mutable std::mutex m_lock;
    QStringList m_paths;
};

} // namespace quorvel
