// The upload thread of one camera: every interval it takes a batch from the
// head of the camera's upload queue (under the queue's lock), sends it over
// one connection (outside the lock) and disconnects. Nothing queued is lost
// to a server fault: what could not be sent goes back to the head of the
// queue, in order, and the next passes retry it with a growing back-off.
// Between passes it keeps the camera's journal up to date.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace quorvel {

class TIndyFTPCore;
class UploadJournal;
class UploadQueue;

// The record's options one pass reads.
struct FtpPassOptions {
    int uploadBatch = 30;
    bool dirByDate = false;
    bool fixedNameOn = false;
    QString fixedName;
};

// What one pass did (for the log and for tests).
struct FtpPassReport {
    int taken = 0;      // paths taken from the queue
    int stored = 0;     // stored under their final names
    int dropped = 0;    // left the queue unsent (missing, or refused too often)
    int kept = 0;       // put back for a later pass
    bool connected = false;
    bool failed = false;     // the server could not be used: back-off
    bool timedOut = false;
    QString subfolder;
    QString error;
};

class FTPQueueUploadThread {
public:
    struct Config {
        std::chrono::milliseconds interval{120000};
        int maxBackoffIntervals = 4;   // the longest wait after failed passes
        int refusalLimit = 3;          // refusals in a row before a file is dropped
        std::chrono::milliseconds journalCheck{200};
        std::function<void(const FtpPassReport &)> onPass;  // called on the upload thread
    };

    // journal may be null (no journal). Nothing runs until start().
    FTPQueueUploadThread(int cameraIndex, TIndyFTPCore &client, UploadQueue &queue, UploadJournal *journal,
                         Config config);
    // Stops and joins.
    ~FTPQueueUploadThread();
    FTPQueueUploadThread(const FTPQueueUploadThread &) = delete;
    FTPQueueUploadThread &operator=(const FTPQueueUploadThread &) = delete;

    // Any thread; the next pass reads them.
    void setOptions(const FtpPassOptions &options);
    void start();
    // Ends a transfer in progress and the wait, writes the journal and joins
    // the thread; the client and the queue are no longer used after it.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // The name of the folder holding `path` ("/" separated), or empty.
    static QString dateFolderOf(const QString &path);

private:
    void run();
    FtpPassReport runPass();
    // Writes the journal as `head` followed by the queue, when the queue
    // changed since the last write or when forced.
    void saveJournal(const QStringList &head, bool force);
    bool waitFor(std::chrono::steady_clock::time_point until);
    std::chrono::milliseconds delayAfter(int failures) const;

    const int m_cameraIndex;
    TIndyFTPCore &m_client;
    UploadQueue &m_queue;
    UploadJournal *m_journal;
    const Config m_config;

    std::mutex m_lock;  // guards m_options and m_stop
    std::condition_variable m_wake;
    FtpPassOptions m_options;
    bool m_stop = false;

    std::thread m_thread;
    // Upload thread only.
    std::map<QString, int> m_refusals;
    std::uint64_t m_journalVersion = ~std::uint64_t(0);
    bool m_toldUnconfigured = false;
    bool m_toldJournalFailure = false;
    std::chrono::steady_clock::time_point m_lastJournalSave{};
};

} // namespace quorvel
