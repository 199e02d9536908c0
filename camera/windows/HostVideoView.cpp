#include "HostVideoView.h"

#include <QEvent>
#include <QImage>
#include <QPainter>

#include <gst/video/video.h>

namespace quorvel {

FrameSlot::~FrameSlot()
{
    replace(nullptr);
}

void FrameSlot::replace(GstSample *s)
{
    GstSample *old = nullptr;
    {
        std::lock_guard guard(lock);
        old = sample;
        sample = s ? gst_sample_ref(s) : nullptr;
    }
    if (old)
        gst_sample_unref(old);
}

GstSample *FrameSlot::take()
{
    std::lock_guard guard(lock);
    return sample ? gst_sample_ref(sample) : nullptr;
}

HostVideoView::HostVideoView(QWidget *host, std::shared_ptr<FrameSlot> slot)
    : QWidget(host), m_slot(std::move(slot))
{
    setObjectName(QStringLiteral("QuorvelVideo"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (host) {
        setGeometry(host->rect());
        host->installEventFilter(this);
    }
    show();
}

bool HostVideoView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(static_cast<QWidget *>(watched)->rect());
    return QWidget::eventFilter(watched, event);
}

void HostVideoView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    GstSample *sample = m_slot->take();
    if (!sample) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    GstVideoInfo info;
    GstVideoFrame frame;
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    if (caps && buffer && gst_video_info_from_caps(&info, caps)
        && gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
        const QImage image(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                           GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                           GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_BGR888);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image);
        gst_video_frame_unmap(&frame);
        ++m_painted;
    } else {
        painter.fillRect(rect(), Qt::black);
    }
    gst_sample_unref(sample);
}

HostDisplay::HostDisplay(QWidget *host)
    : m_slot(std::make_shared<FrameSlot>())
{
    if (host)
        m_view = new HostVideoView(host, m_slot);  // owned by the host widget
}

HostDisplay::~HostDisplay()
{
    delete m_view.data();  // null when the host (and so the view) is gone
}

void HostDisplay::presentSample(GstSample *sample)
{
    m_slot->replace(sample);
    if (m_updateQueued.exchange(true))
        return;
    // Queued to this object: dropped if the display is destroyed first.
    QMetaObject::invokeMethod(this, [this] {
        m_updateQueued = false;
        if (m_view)
            m_view->update();
    }, Qt::QueuedConnection);
}

void HostDisplay::clear()
{
    m_slot->replace(nullptr);
    if (m_view)
        m_view->update();
}

} // namespace quorvel
