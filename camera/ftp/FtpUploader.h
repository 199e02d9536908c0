// The FTP layer of a camera as its FTP record sees it: the client, the
// upload thread over the camera's queue and the queue's journal. Installed
// into RecordClass_FTP by the camera; every call comes from the UI thread.
#pragma once

#include "FTPQueueUploadThread.h"
#include "RecordClass_FTP.h"
#include "TIndyFTPCore.h"
#include "UploadJournal.h"

#include <memory>
#include <optional>

namespace quorvel {

class FtpUploader : public FtpUploadMachinery {
public:
    // journalPath empty: no journal.
    FtpUploader(int cameraIndex, const QString &journalPath, FtpTimeouts timeouts = {});
    ~FtpUploader() override;  // stops the thread first

    // setServer(host, port, folder, password, user) and the pass options.
    void applySettings(const RecordClass_FTP &record) override;
    // Stops a running thread, then starts one over `queue` with the record's
    // interval. The first start puts the journaled paths at the head of the
    // queue.
    void startUploadThread(RecordClass_FTP &record, UploadQueue *queue) override;
    // Returns once the thread has ended (within about a second).
    void stopUploadThread() override;

    TIndyFTPCore &client() { return m_client; }
    bool threadRunning() const { return m_thread && m_thread->isRunning(); }
    // Longest interval (ms) between passes, for tests that speed it up; 0
    // keeps the record's uploadInterval.
    void setIntervalOverride(int interval_ms) { m_intervalOverride_ms = interval_ms; }
    void setPassObserver(std::function<void(const FtpPassReport &)> observer) { m_observer = std::move(observer); }

private:
    const int m_cameraIndex;
    TIndyFTPCore m_client;
    std::optional<UploadJournal> m_journal;
    bool m_journalRead = false;
    FtpPassOptions m_options;
    int m_intervalOverride_ms = 0;
    std::function<void(const FtpPassReport &)> m_observer;
    std::unique_ptr<FTPQueueUploadThread> m_thread;
};

} // namespace quorvel
