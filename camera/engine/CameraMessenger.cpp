#include "CameraMessenger.h"

#include "EngineLog.h"
#include "LibraryCall.h"
#include "LibraryRelay.h"

#include <QCoreApplication>
#include <QThread>

namespace quorvel {

struct CameraMessenger::Handshake {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = true;
    std::uint64_t generation = 0;  // counts cancelSends
};

struct CameraMessenger::Ticket {
    CameraEventRecord record;
    bool done = false;  // under the handshake mutex
};

CameraMessenger::CameraMessenger(int cameraIndex, QObject *owner, QObject *notify, std::uintptr_t hostId)
    : m_index(cameraIndex), m_owner(owner), m_notify(notify), m_hostId(hostId),
      m_handshake(std::make_shared<Handshake>())
{
    libraryRelay();  // made here, on the UI thread, before any frame runs
}

CameraMessenger::~CameraMessenger()
{
    cancelSends();
}

void CameraMessenger::setTargets(QObject *owner, QObject *notify, std::uintptr_t hostId)
{
    m_owner = owner;
    m_notify = notify;
    m_hostId = hostId;
}

bool CameraMessenger::onUiThread() const
{
    return QThread::currentThread() == thread();
}

void CameraMessenger::cancelSends()
{
    {
        std::lock_guard lock(m_handshake->mutex);
        m_handshake->open = false;
        ++m_handshake->generation;
    }
    m_handshake->cv.notify_all();
}

void CameraMessenger::resumeSends()
{
    std::lock_guard lock(m_handshake->mutex);
    m_handshake->open = true;
}

bool CameraMessenger::sendsOpen() const
{
    std::lock_guard lock(m_handshake->mutex);
    return m_handshake->open;
}

CameraMessenger::SendResult CameraMessenger::sendRecord(const CameraEventRecord &record,
                                                        std::chrono::milliseconds maxWait)
{
    QObject *relay = libraryRelay();
    // m_owner changes only while no pipeline runs, so reading it here races
    // with nothing; the copy tells the UI thread later whether the owner
    // still exists.
    QPointer<QObject> owner = m_owner;
    if (!relay || !owner)
        return SendResult::Dropped;

    auto ticket = std::make_shared<Ticket>();
    ticket->record = record;
    std::shared_ptr<Handshake> handshake = m_handshake;
    const int index = m_index;
    // Queued to the library's relay: it outlives the camera, so the record
    // still arrives when the camera is closed right after sending it.
    auto deliver = [owner, ticket, handshake, index] {
        if (owner) {
            QuorvelCameraEvent ev(ticket->record);
            QCoreApplication::sendEvent(owner.data(), &ev);
        } else {
            ENGINE_LOG(index) << "event record dropped: its owner is gone";
        }
        {
            std::lock_guard lock(handshake->mutex);
            ticket->done = true;
        }
        handshake->cv.notify_all();
    };

    if (onUiThread()) {
        QMetaObject::invokeMethod(relay, std::move(deliver), Qt::QueuedConnection);
        return SendResult::Queued;
    }

    std::unique_lock lock(handshake->mutex);
    QMetaObject::invokeMethod(relay, std::move(deliver), Qt::QueuedConnection);
    if (!handshake->open)
        return SendResult::Queued;  // the camera is stopping: nobody waits
    const std::uint64_t gen = handshake->generation;
    handshake->cv.wait_for(lock, maxWait, [&] { return ticket->done || handshake->generation != gen; });
    if (ticket->done)
        return SendResult::Delivered;
    return handshake->generation != gen ? SendResult::Released : SendResult::TimedOut;
}

void CameraMessenger::postNotify(int message, std::uintptr_t wParam, std::uintptr_t lParam)
{
    runOnUi([this, message, wParam, lParam] {
        if (m_notify)
            QCoreApplication::postEvent(m_notify.data(), new QuorvelNotifyEvent(message, wParam, lParam));
    });
}

void CameraMessenger::runOnUi(std::function<void()> work)
{
    if (onUiThread()) {
        work();
        return;
    }
    queueOnUi(std::move(work));
}

void CameraMessenger::queueOnUi(std::function<void()> work)
{
    // Queued to this object: discarded if the camera (and so this object) is
    // gone. The work is library code: an export that a host calls from a
    // callback of it (its reporter) is put off until the work has returned.
    QMetaObject::invokeMethod(this, [work = std::move(work)] {
        LibraryCallScope scope;
        work();
    }, Qt::QueuedConnection);
}

} // namespace quorvel
