#include "CSampleGrabberCB.h"

#include "CDataClass.h"
#include "CameraEventRecordFill.h"
#include "CameraMessenger.h"
#include "EngineLog.h"
#include "LibReporter.h"
#include "LibraryError.h"
#include "Option.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace quorvel {

CSampleGrabberCB::CSampleGrabberCB() = default;

void CSampleGrabberCB::RequestSnapshot(int kind)
{
    // The kind first, then the request. The frame path takes both in one
    // step from m_PendingKind, so a request made while a snapshot is being
    // written (its record waiting for the UI thread) is kept for the next
    // frame instead of being cleared with the one in progress.
    m_SnapshotKind.store(kind, std::memory_order_relaxed);
    m_PendingKind.store(kind, std::memory_order_release);
    m_SnapshotRequested.store(true, std::memory_order_release);
}

int CSampleGrabberCB::BufferCB(double /*sampleTime*/, VideoFrame *frame)
{
    if (!frame || !frame->data)
        return -1;
    m_FrameCount.fetch_add(1, std::memory_order_relaxed);

    if (m_pNameOverlay)
        m_pNameOverlay->drawInto(*frame);
    if (m_pTimeOverlay)
        m_pTimeOverlay->drawInto(*frame);

    const int kind = m_PendingKind.exchange(-1, std::memory_order_acq_rel);
    if (kind >= 0) {
        WriteSnapshot(*frame, kind);
        // Reflect a request that arrived meanwhile, else reset.
        const int next = m_PendingKind.load(std::memory_order_acquire);
        m_SnapshotRequested.store(next >= 0, std::memory_order_release);
        m_SnapshotKind.store(next >= 0 ? next : 0, std::memory_order_relaxed);
    }

    if (m_pMotionCheck)
        m_pMotionCheck->checkFrame(*frame);
    return 0;
}

QString CSampleGrabberCB::text(int id) const
{
    return m_pOption ? m_pOption->getText(id) : QString();
}

CSampleGrabberCB::SnapshotTarget CSampleGrabberCB::snapshotTarget(const QDateTime &now, bool alarm) const
{
    // The folder texts can be changed by the exports while frames run: take
    // copies under the camera lock.
    QString root, fixedName;
    bool fixed = false;
    {
        std::unique_lock<std::mutex> guard;
        if (m_pCameraLock)
            guard = std::unique_lock<std::mutex>(*m_pCameraLock);
        root = m_pRecord->m_ImgDir_root;
        fixed = m_pRecord->m_FixedFileName;
        fixedName = m_pRecord->m_FixedFileNameText;
    }
    const QString ext = m_pRecord->m_GraphFormat == 1 ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
    if (fixed && !fixedName.isEmpty()) {
        if (!root.endsWith(QLatin1Char('/')))
            root += QLatin1Char('/');
        return {root, root + fixedName + ext};
    }
    QString folder = CDataClass::datedFolder(root, m_pRecord->m_CameraNumber, now.date(),
                                             alarm ? QStringLiteral("AlarmCapture") : QStringLiteral("TimingCapture"));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QDate d = now.date();
    const QTime t = now.time();
    const QString name = QString::asprintf("%04d-%02d-%02d %02d%02d%02d%03d", d.year(), d.month(), d.day(),
                                           t.hour(), t.minute(), t.second(), t.msec());
    return {folder, folder + name + ext};
}

void CSampleGrabberCB::reportSnapshotFailure(const QString &text)
{
    ENGINE_WARN(m_Index) << text;
    // One message per run of failures: a full disk under motion snapshots
    // would otherwise raise a message for every picture.
    if (m_SnapshotFailureReported)
        return;
    m_SnapshotFailureReported = true;
    reportErrorBox(text);
}

CSampleGrabberCB::RecordTexts CSampleGrabberCB::recordTexts() const
{
    // Texts the settings panels may replace while frames run: copied under
    // the camera lock.
    std::unique_lock<std::mutex> guard;
    if (m_pCameraLock)
        guard = std::unique_lock<std::mutex>(*m_pCameraLock);
    return {m_pRecord->m_CameraName, m_pRecord->m_MoveProgram, m_pRecord->m_MoveProgramParams,
            m_pRecord->m_MoveSound};
}

void CSampleGrabberCB::startMotionProgram(const RecordTexts &texts) const
{
    if (!m_pRecord->m_MoveShellExecute || !QFileInfo::exists(texts.moveProgram))
        return;
    // The window mode (normal, minimised, maximised) has no portable
    // equivalent for a started program; it is left to the desktop.
    if (!QProcess::startDetached(texts.moveProgram, QProcess::splitCommand(texts.moveProgramParams)))
        ENGINE_WARN(m_Index) << "could not start" << texts.moveProgram;
}

CSampleGrabberCB::SavedSnapshot CSampleGrabberCB::LastSavedSnapshot() const
{
    std::lock_guard guard(m_SavedLock);
    return m_Saved;
}

void CSampleGrabberCB::WriteSnapshot(const VideoFrame &frame, int kind)
{
    if (m_Busy || !m_pRecord)
        return;
    m_Busy = true;
    const RecordTexts texts = recordTexts();
    const QDateTime now = QDateTime::currentDateTime();

    QString written;  // the picture's path, or empty when none was written
    const bool skipPicture = kind == kSnapshotMotion && m_pRecord->m_NoCapImage_move;
    if (!skipPicture) {
        const SnapshotTarget target = snapshotTarget(now, kind == kSnapshotMotion);
        m_SnapshotFile = target.path;
        if (target.path.size() > kMaxRecordPath) {
            // The record could carry only a cut path, naming a file that does
            // not exist: nothing is written.
            reportSnapshotFailure(QStringLiteral("The snapshot folder \"%1\" is too long: a picture there would "
                                                 "have a path of %2 characters, and at most %3 fit into the event "
                                                 "record. No picture was saved.")
                                      .arg(target.folder, QString::number(target.path.size()),
                                           QString::number(kMaxRecordPath)));
        } else if (!QDir().mkpath(target.folder) || !QFileInfo(target.folder).isDir()) {
            // The folder is missing and cannot be made: say so, drop this
            // snapshot, and let the next frames run on.
            const QString error = QString::fromLatin1(kTempDirError);
            reportException(error);
            ENGINE_WARN(m_Index) << "snapshot dropped:" << error << target.folder;
            m_Busy = false;
            return;
        } else {
            // The writer replaces an earlier picture of the same name only
            // once the new one is complete.
            QString error;
            bool ok = false;
            if (m_pRecord->m_GraphFormat == 0)
                ok = m_Writer.writeJpeg(frame, target.path, 90, &error);
            else if (m_pRecord->m_GraphFormat == 1)
                ok = m_Writer.writeBmp(frame, target.path, &error);
            else
                error = QStringLiteral("unknown picture format %1").arg(m_pRecord->m_GraphFormat);
            if (ok) {
                written = target.path;
                m_SnapshotFailureReported = false;
                std::lock_guard guard(m_SavedLock);
                m_Saved.path = written;
                ++m_Saved.count;
            } else {
                reportSnapshotFailure(QStringLiteral("Could not save the snapshot \"%1\": %2. No picture was saved.")
                                          .arg(target.path, error));
            }
        }
    }

    if (kind != kSnapshotCapture && m_pMessenger)
        m_pMessenger->postNotify(WM_CAMERA_SNAPSHOT, 1, m_hHostWnd);
    m_Busy = false;

    int type = 0;
    QString first, second, file;
    switch (kind) {
    case kSnapshotMotion:
        type = QuorvelEvent_MotionSnapshot;
        first = text(kTextMotion);
        if (!m_pRecord->m_NoCapImage_move) {
            second = text(kTextPictureSaved);
            file = written;
            if (m_UploadOn.load() && !written.isEmpty())
                m_pUploadQueue.append(written);
        }
        startMotionProgram(texts);
        if (m_pRecord->m_MovePlaySound && m_pOption)
            m_pOption->playSound(texts.moveSound);
        break;
    case kSnapshotNetworkTest:
        type = QuorvelEvent_NetworkSnapshotOrBroadcastStop;
        first = text(kTextSnapshot);
        second = text(kTextNetworkTest);
        file = written;
        if (!written.isEmpty())
            m_pUploadQueue.append(written);
        break;
    default:
        type = QuorvelEvent_CaptureSnapshot;
        first = text(kTextSnapshot);
        second = text(kTextPictureSaved);
        file = written;
        break;
    }

    if (m_pMessenger) {
        const CameraEventRecord record = makeCameraEventRecord(type, first, second, texts.cameraName,
                                                               m_Index, file, QDateTime::currentDateTime());
        m_pMessenger->sendRecord(record);
    }
}

} // namespace quorvel
