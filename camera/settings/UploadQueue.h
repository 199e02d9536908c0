#pragma once
// A camera's queue of picture files waiting for upload. The frame path
// appends on the streaming thread, the upload thread takes from the head; the
// queue carries its own lock so neither side needs another one.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <mutex>

namespace quorvel {

class UploadQueue {
public:
    void append(const QString &path)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_paths.append(path);
        ++m_version;
    }
    // Removes and returns up to `most` paths from the head (none for most < 1).
    QStringList takeBatch(int most)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        QStringList out;
        while (most-- > 0 && !m_paths.isEmpty())
            out.append(m_paths.takeFirst());
        if (!out.isEmpty())
            ++m_version;
        return out;
    }
    // Puts paths back at the head, in their order (an upload pass that failed).
    void putBack(const QStringList &paths)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (qsizetype i = paths.size(); i-- > 0;)
            m_paths.prepend(paths.at(i));
        if (!paths.isEmpty())
            ++m_version;
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
        ++m_version;
    }
    // Grows with every change of the list, so the upload thread can tell
    // whether its journal is behind without copying the list.
    std::uint64_t version() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_version;
    }
    // The list and its version, read together.
    QStringList snapshot(std::uint64_t *version) const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        *version = m_version;
        return m_paths;
    }

private:
    mutable std::mutex m_lock;
    QStringList m_paths;
    std::uint64_t m_version = 0;
};

} // namespace quorvel
