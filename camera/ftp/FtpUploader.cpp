#include "FtpUploader.h"

#include "AtomicFile.h"
#include "FtpLog.h"

#include <QFileInfo>

#include <algorithm>

namespace quorvel {

FtpUploader::FtpUploader(int cameraIndex, const QString &journalPath, FtpTimeouts timeouts)
    : m_cameraIndex(cameraIndex), m_client(cameraIndex, timeouts)
{
    if (!journalPath.isEmpty())
        m_journal.emplace(journalPath);
}

FtpUploader::~FtpUploader()
{
    stopUploadThread();
}

void FtpUploader::applySettings(const RecordClass_FTP &record)
{
    m_client.setServer(record.ftpHost, record.ftpPort, record.ftpFolder, record.ftpPassword, record.ftpUser);
    // The record's fields are written by the UI thread without a lock, so the
    // thread reads a copy that is handed over here.
    m_options.uploadBatch = record.uploadBatch;
    m_options.dirByDate = record.dirByDate != 0;
    m_options.fixedNameOn = record.fixedNameOn != 0;
    m_options.fixedName = record.fixedName;
    if (m_thread)
        m_thread->setOptions(m_options);
}

void FtpUploader::startUploadThread(RecordClass_FTP &record, UploadQueue *queue)
{
    stopUploadThread();
    if (!queue)
        return;
    if (m_journal && !m_journalRead) {
        m_journalRead = true;
        vq::removeStaleTempFiles(QFileInfo(m_journal->path()).absolutePath());
        const QStringList waiting = m_journal->load();
        if (!waiting.isEmpty()) {
            queue->putBack(waiting);
            FTP_LOG(m_cameraIndex) << QStringLiteral("%1 pictures from the upload journal wait for upload").arg(waiting.size());
        }
    }
    FTPQueueUploadThread::Config config;
    // The interval is taken once, here; at least a second, so a record
    // holding 0 does not spin.
    const int interval_ms = m_intervalOverride_ms > 0 ? m_intervalOverride_ms
                                                      : std::max(1, int(record.uploadInterval)) * 1000;
    config.interval = std::chrono::milliseconds(interval_ms);
    config.journalCheck = std::min(config.journalCheck, config.interval);
    config.onPass = m_observer;
    m_thread = std::make_unique<FTPQueueUploadThread>(m_cameraIndex, m_client, *queue,
                                                      m_journal ? &*m_journal : nullptr, config);
    m_thread->setOptions(m_options);
    m_thread->start();
}

void FtpUploader::stopUploadThread()
{
    if (!m_thread)
        return;
    m_thread->stop();
    m_thread.reset();
}

} // namespace quorvel
