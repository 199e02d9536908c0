// Shows a camera's frames inside the host widget: a child widget that fills
// the host, follows its size, and paints the newest frame scaled to it.
// Frames arrive on the streaming thread; painting happens on the UI thread.
#pragma once

#include "FrameHooks.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

namespace quorvel {

// The newest frame, shared by the streaming thread and the widget.
struct FrameSlot {
    std::mutex lock;
    GstSample *sample = nullptr;  // owned reference
    ~FrameSlot();
    void replace(GstSample *s);   // takes its own reference (null clears)
    GstSample *take();            // a new reference, or null
};

class HostVideoView : public QWidget {
    Q_OBJECT
public:
    HostVideoView(QWidget *host, std::shared_ptr<FrameSlot> slot);
    int paintedFrames() const { return m_painted; }

protected:
    void paintEvent(QPaintEvent *) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::shared_ptr<FrameSlot> m_slot;
    int m_painted = 0;
};

// The camera's display: hands frames to the view and asks it to repaint,
// at most one repaint queued at a time.
class HostDisplay : public QObject, public CameraDisplay {
    Q_OBJECT
public:
    explicit HostDisplay(QWidget *host);
    ~HostDisplay() override;
    void presentSample(GstSample *sample) override;
    void clear() override;
    HostVideoView *view() const { return m_view; }

private:
    std::shared_ptr<FrameSlot> m_slot;
    QPointer<HostVideoView> m_view;
    std::atomic<bool> m_updateQueued{false};
};

} // namespace quorvel
