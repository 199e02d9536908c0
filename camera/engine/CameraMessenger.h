// Carries what a camera tells its host from any thread to the UI thread:
// camera event records (to the owner), notifications (to the notify object)
// and work that must run on the UI thread (error messages, tear-down after a
// failed stream).
//
// Every record reaches the owner through the event loop, never inside the
// call that raised it: a host may stop, close or reopen the camera from its
// record handler. A record is queued to the library's relay (LibraryRelay.h),
// not to this messenger, so it still arrives when the camera is destroyed
// right after a snapshot; it is dropped only when the owner itself is gone
// (or the library is unloaded).
//
// A record sent from the streaming thread also waits, bounded, until the
// owner has handled it. The UI thread releases all such waits before it
// stops a pipeline (cancelSends), so stopping never waits on a frame that
// waits on the UI thread.
#pragma once

#include "QuorvelEvents.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace quorvel {

class CameraMessenger : public QObject {
    Q_OBJECT
public:
    enum class SendResult {
        Delivered,  // the owner has handled it
        Queued,     // on its way; the sender did not wait
        Released,   // on its way; the wait was cut short by a stop
        TimedOut,   // on its way; the owner's thread did not get to it in time
        Dropped,    // no owner, or no event loop to deliver it
    };

    CameraMessenger(int cameraIndex, QObject *owner, QObject *notify, std::uintptr_t hostId);
    ~CameraMessenger() override;

    // UI thread, while no pipeline runs.
    void setTargets(QObject *owner, QObject *notify, std::uintptr_t hostId);
    // UI thread: releases every waiting sender; until resumeSends, senders
    // queue their records without waiting.
    void cancelSends();
    void resumeSends();
    bool sendsOpen() const;

    // Any thread. Queues the record for the owner; from a thread other than
    // the UI thread, waits up to maxWait for it to be handled.
    SendResult sendRecord(const CameraEventRecord &record,
                          std::chrono::milliseconds maxWait = std::chrono::milliseconds(2000));
    void postNotify(int message, std::uintptr_t wParam, std::uintptr_t lParam);
    void runOnUi(std::function<void()> work);
    // Always queued, even from the UI thread (for callers inside a state
    // change that must not be re-entered).
    void queueOnUi(std::function<void()> work);

    std::uintptr_t hostId() const { return m_hostId; }

private:
    struct Handshake;
    struct Ticket;
    bool onUiThread() const;

    const int m_index;
    QPointer<QObject> m_owner;
    QPointer<QObject> m_notify;
    std::uintptr_t m_hostId = 0;
    // Shared with the records on their way, which outlive this object.
    std::shared_ptr<Handshake> m_handshake;
};

} // namespace quorvel
