#include "CameraMessenger.h"

#include "EngineLog.h"

#include <QCoreApplication>
#include <QThread>

#include <memory>

namespace quorvel {

namespace {
const QEvent::Type kRelayRecord = QEvent::Type(QEvent::User + 0x7101);
}

struct CameraMessenger::Ticket {
    CameraEventRecord record;
    std::uint64_t generation = 0;
    bool done = false;
};

namespace {
class RelayEvent : public QEvent {
public:
    explicit RelayEvent(std::shared_ptr<void> t) : QEvent(kRelayRecord), ticket(std::move(t)) {}
    std::shared_ptr<void> ticket;
};
} // namespace

CameraMessenger::CameraMessenger(int cameraIndex, QObject *owner, QObject *notify, std::uintptr_t hostId)
    : m_index(cameraIndex), m_owner(owner), m_notify(notify), m_hostId(hostId)
{
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
        std::lock_guard lock(m_mutex);
        m_open = false;
        ++m_generation;
    }
    m_cv.notify_all();
}

void CameraMessenger::resumeSends()
{
    std::lock_guard lock(m_mutex);
    m_open = true;
}

bool CameraMessenger::sendsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

CameraMessenger::SendResult CameraMessenger::sendRecord(const CameraEventRecord &record,
                                                        std::chrono::milliseconds maxWait)
{
    if (onUiThread()) {
        // Same thread as the owner: a plain synchronous send cannot deadlock.
        if (m_owner) {
            QuorvelCameraEvent ev(record);
            QCoreApplication::sendEvent(m_owner.data(), &ev);
            return SendResult::Delivered;
        }
        return SendResult::Dropped;
    }

    auto ticket = std::make_shared<Ticket>();
    ticket->record = record;
    std::unique_lock lock(m_mutex);
    if (!m_open)
        return SendResult::Dropped;
    ticket->generation = m_generation;
    QCoreApplication::postEvent(this, new RelayEvent(ticket));
    const std::uint64_t gen = m_generation;
    const bool finished = m_cv.wait_for(lock, maxWait, [&] { return ticket->done || m_generation != gen; });
    if (ticket->done)
        return SendResult::Delivered;
    return finished ? SendResult::Dropped : SendResult::TimedOut;
}

void CameraMessenger::deliver(Ticket &ticket)
{
    {
        std::lock_guard lock(m_mutex);
        if (ticket.generation != m_generation) {
            ENGINE_LOG(m_index) << "event record dropped: camera is being stopped";
            return;
        }
    }
    if (m_owner) {
        // The owner may stop or even destroy the camera (and this object)
        // while it handles the record; the destructor then has released the
        // waiting sender already.
        QPointer<CameraMessenger> alive(this);
        QuorvelCameraEvent ev(ticket.record);
        QCoreApplication::sendEvent(m_owner.data(), &ev);
        if (!alive)
            return;
    }
    {
        std::lock_guard lock(m_mutex);
        ticket.done = true;
    }
    m_cv.notify_all();
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
    // Queued to this object: discarded if the camera (and so this object) is gone.
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void CameraMessenger::queueOnUi(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

bool CameraMessenger::event(QEvent *e)
{
    if (e->type() == kRelayRecord) {
        auto ticket = std::static_pointer_cast<Ticket>(static_cast<RelayEvent *>(e)->ticket);
        deliver(*ticket);
        return true;
    }
    return QObject::event(e);
}

} // namespace quorvel
