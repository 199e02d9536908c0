// Carries what a camera tells its host from any thread to the UI thread:
// camera event records (to the owner), notifications (to the notify object)
// and work that must run on the UI thread (error messages, tear-down after a
// failed stream).
//
// A record sent from the streaming thread waits, bounded, until the owner has
// handled it. The UI thread cancels all such waits before it stops a
// pipeline (cancelSends), so stopping never waits on a frame that waits on
// the UI thread; a record whose delivery has not begun by then is dropped.
#pragma once

#include "QuorvelEvents.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace quorvel {

class CameraMessenger : public QObject {
    Q_OBJECT
public:
    enum class SendResult { Delivered, Dropped, TimedOut };

    CameraMessenger(int cameraIndex, QObject *owner, QObject *notify, std::uintptr_t hostId);
    ~CameraMessenger() override;

    // UI thread.
    void setTargets(QObject *owner, QObject *notify, std::uintptr_t hostId);
    void cancelSends();
    void resumeSends();
    bool sendsOpen() const;

    // Any thread. On the UI thread the record is delivered at once.
    SendResult sendRecord(const CameraEventRecord &record,
                          std::chrono::milliseconds maxWait = std::chrono::milliseconds(2000));
    void postNotify(int message, std::uintptr_t wParam, std::uintptr_t lParam);
    void runOnUi(std::function<void()> work);
    // Always queued, even from the UI thread (for callers inside a state
    // change that must not be re-entered).
    void queueOnUi(std::function<void()> work);

    std::uintptr_t hostId() const { return m_hostId; }

protected:
    bool event(QEvent *e) override;

private:
    struct Ticket;
    void deliver(Ticket &ticket);
    bool onUiThread() const;

    const int m_index;
    QPointer<QObject> m_owner;
    QPointer<QObject> m_notify;
    std::uintptr_t m_hostId = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = true;
    std::uint64_t m_generation = 0;
};

} // namespace quorvel
