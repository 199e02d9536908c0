#pragma once
// Plays sound files asynchronously with a GStreamer playbin on a worker
// thread of its own. A new sound stops the one still playing (like the
// platform's asynchronous wave call). Where no audio output exists the sound
// goes to a silent sink, so nothing is logged.
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvel {

class SoundPlayer {
public:
    SoundPlayer();
    ~SoundPlayer(); // stops the sound and joins the worker
    SoundPlayer(const SoundPlayer &) = delete;
    SoundPlayer &operator=(const SoundPlayer &) = delete;

    // Queues `path` (an existing file) and returns at once.
    void play(const QString &path);
    // Waits until nothing is queued or playing, or the timeout passed.
    bool waitIdle(int timeout_ms);
    // Counts for tests: sounds played to their end, and sounds that failed.
    int finishedCount() const;
    int failedCount() const;
    // The audio sink element in use ("autoaudiosink" or "fakesink"; empty
    // until the worker has looked for an audio output). QUORVEL_AUDIO_SINK
    // names another element.
    QString sinkName() const;

private:
    void run();
    bool playOne(const QString &path);

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<QString> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    int m_finished = 0;
    int m_failed = 0;
    QString m_sink;
    std::thread m_worker;
};

} // namespace quorvel
