#include "FTPQueueUploadThread.h"

#include "FtpLog.h"
#include "TIndyFTPCore.h"
#include "UploadJournal.h"
#include "UploadQueue.h"

#include <pthread.h>

#include <algorithm>

namespace quorvel {

using Clock = std::chrono::steady_clock;

FTPQueueUploadThread::FTPQueueUploadThread(int cameraIndex, TIndyFTPCore &client, UploadQueue &queue,
                                           UploadJournal *journal, Config config)
    : m_cameraIndex(cameraIndex), m_client(client), m_queue(queue), m_journal(journal),
      m_config(std::move(config))
{
}

FTPQueueUploadThread::~FTPQueueUploadThread()
{
    stop();
}

void FTPQueueUploadThread::setOptions(const FtpPassOptions &options)
{
    std::lock_guard guard(m_lock);
    m_options = options;
}

void FTPQueueUploadThread::start()
{
    if (m_thread.joinable())
        return;
    {
        std::lock_guard guard(m_lock);
        m_stop = false;
    }
    m_thread = std::thread([this] { run(); });
}

void FTPQueueUploadThread::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_client.abort();
    m_thread.join();
    m_client.clearAbort();
}

QString FTPQueueUploadThread::dateFolderOf(const QString &path)
{
    // From the second-to-last character backwards: the two separators
    // around the folder that holds the file.
    if (path.size() < 2)
        return {};
    const qsizetype last = path.lastIndexOf(u'/', path.size() - 2);
    if (last <= 0)
        return {};
    const qsizetype before = path.lastIndexOf(u'/', last - 1);
    if (before < 0)
        return {};
    return path.mid(before + 1, last - before - 1);
}

std::chrono::milliseconds FTPQueueUploadThread::delayAfter(int failures) const
{
    int factor = 1;
    for (int i = 1; i < failures && factor < m_config.maxBackoffIntervals; ++i)
        factor *= 2;
    factor = std::min(factor, std::max(1, m_config.maxBackoffIntervals));
    return m_config.interval * factor;
}

bool FTPQueueUploadThread::waitFor(Clock::time_point until)
{
    std::unique_lock lock(m_lock);
    m_wake.wait_until(lock, until, [this] { return m_stop; });
    return !m_stop;
}

void FTPQueueUploadThread::run()
{
    pthread_setname_np(pthread_self(), QStringLiteral("ftp-upload-%1").arg(m_cameraIndex).left(15).toLatin1().constData());
    int failures = 0;
    Clock::time_point nextPass = Clock::now();
    for (;;) {
        {
            std::lock_guard guard(m_lock);
            if (m_stop)
                break;
        }
        if (Clock::now() >= nextPass) {
            const FtpPassReport report = runPass();
            failures = report.failed ? failures + 1 : 0;
            nextPass = Clock::now() + delayAfter(failures);
            // A pass that took paths settles them: the journal follows.
            saveJournal(QStringList(), report.taken > 0);
            if (m_config.onPass)
                m_config.onPass(report);
        }
        saveJournal(QStringList(), false);
        if (!waitFor(std::min(nextPass, Clock::now() + m_config.journalCheck)))
            break;
    }
    saveJournal(QStringList(), false);
}

void FTPQueueUploadThread::saveJournal(const QStringList &head, bool force)
{
    if (!m_journal)
        return;
    std::uint64_t version = 0;
    const QStringList queued = m_queue.snapshot(&version);
    if (!force && version == m_journalVersion)
        return;
    QString error;
    if (m_journal->save(head + queued, &error)) {
        m_journalVersion = version;
        m_lastJournalSave = Clock::now();
        m_toldJournalFailure = false;
    } else if (!m_toldJournalFailure) {
        FTP_WARN(m_cameraIndex) << QStringLiteral("upload journal %1 not written: %2").arg(m_journal->path(), error);
        m_toldJournalFailure = true;
    }
}

FtpPassReport FTPQueueUploadThread::runPass()
{
    FtpPassReport report;
    FtpPassOptions options;
    {
        std::lock_guard guard(m_lock);
        options = m_options;
    }
    if (m_queue.size() == 0)
        return report;  // no connection for an empty queue
    if (!m_client.isConfigured()) {
        if (!m_toldUnconfigured)
            FTP_WARN(m_cameraIndex) << QStringLiteral("%1 pictures wait: no usable FTP server is set").arg(m_queue.size());
        m_toldUnconfigured = true;
        return report;
    }
    m_toldUnconfigured = false;

    // A batch below 1 would never drain the queue: at least one path goes.
    const QStringList batch = m_queue.takeBatch(std::max(1, options.uploadBatch));
    report.taken = int(batch.size());
    if (batch.isEmpty())
        return report;
    if (options.dirByDate)
        report.subfolder = dateFolderOf(batch.first());
    const QString remoteName = options.fixedNameOn && !options.fixedName.isEmpty() ? options.fixedName : QString();
    const QString server = m_client.serverText();

    QStringList retry;  // refused now, tried again next pass (in batch order)
    qsizetype next = 0;  // first path of the batch not settled yet
    if (!m_client.ensureConnected()) {
        report.failed = true;
        report.error = m_client.lastError();
        if (!m_client.abortRequested())
            FTP_WARN(m_cameraIndex) << QStringLiteral("cannot log in to %1: %2; %3 pictures from %4 on kept for the next pass")
                                       .arg(server, report.error).arg(batch.size()).arg(batch.first());
    } else {
        report.connected = true;
        if (!m_client.enterFolder(report.subfolder)) {
            report.failed = true;
            report.error = m_client.lastError();
            if (!m_client.abortRequested())
                FTP_WARN(m_cameraIndex) << QStringLiteral("cannot enter folder \"%1\" on %2: %3; %4 pictures from %5 on kept for the next pass")
                                           .arg(m_client.remoteFolder() + report.subfolder, server, report.error)
                                           .arg(batch.size()).arg(batch.first());
        }
    }
    for (; !report.failed && next < batch.size(); ++next) {
        const QString &path = batch.at(next);
        const FtpFileResult result = m_client.uploadFile(path, remoteName);
        switch (result.outcome) {
        case FtpFileOutcome::Stored:
            ++report.stored;
            m_refusals.erase(path);
            break;
        case FtpFileOutcome::Missing:
            ++report.dropped;
            m_refusals.erase(path);
            FTP_WARN(m_cameraIndex) << QStringLiteral("picture %1 no longer exists: not uploaded").arg(path);
            break;
        case FtpFileOutcome::Unreadable:
        case FtpFileOutcome::Changing:
        case FtpFileOutcome::Refused: {
            const int count = ++m_refusals[path];
            if (count >= m_config.refusalLimit) {
                ++report.dropped;
                m_refusals.erase(path);
                FTP_WARN(m_cameraIndex) << QStringLiteral("picture %1 not stored on %2 after %3 tries, given up: %4")
                                               .arg(path, server).arg(count).arg(result.error);
            } else {
                retry.append(path);
                FTP_WARN(m_cameraIndex) << QStringLiteral("picture %1 not stored on %2 (try %3 of %4): %5")
                                               .arg(path, server).arg(count).arg(m_config.refusalLimit).arg(result.error);
            }
            break;
        }
        case FtpFileOutcome::ConnectionLost:
        case FtpFileOutcome::Aborted:
            report.failed = true;
            report.error = result.error;
            if (result.outcome == FtpFileOutcome::ConnectionLost)
                FTP_WARN(m_cameraIndex) << QStringLiteral("picture %1 not sent, connection to %2 failed: %3; %4 pictures kept for the next pass")
                                               .arg(path, server, result.error)
                                               .arg(batch.size() - next + retry.size());
            break;
        }
        if (report.failed)
            break;
        // Pictures queued while a long pass runs reach the journal too.
        if (m_journal && Clock::now() - m_lastJournalSave >= m_config.journalCheck
            && m_queue.version() != m_journalVersion)
            saveJournal(retry + batch.mid(next + 1), false);
    }
    report.timedOut = report.failed && m_client.lastFailureTimedOut();
    const QStringList unsent = retry + batch.mid(next);
    m_queue.putBack(unsent);
    report.kept = int(unsent.size());
    m_client.disconnect();
    if (m_client.abortRequested() && report.kept > 0)
        FTP_LOG(m_cameraIndex) << QStringLiteral("stopped; %1 pictures kept for later").arg(report.kept);
    if (report.stored > 0 || report.dropped > 0)
        FTP_LOG(m_cameraIndex) << QStringLiteral("pass to %1: %2 stored, %3 dropped, %4 kept")
                                      .arg(server).arg(report.stored).arg(report.dropped).arg(report.kept);
    return report;
}

} // namespace quorvel
