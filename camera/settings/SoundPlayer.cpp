#include "SoundPlayer.h"

#include <gst/gst.h>

#include <QUrl>

#include <chrono>

namespace quorvel {
namespace {

// Whether the machine has an audio output. Asked once: without one, the
// automatic sink falls back with warnings, so a silent sink is used instead.
bool hasAudioOutput()
{
    GstDeviceMonitor *monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
    bool found = false;
    if (gst_device_monitor_start(monitor)) {
        GList *devices = gst_device_monitor_get_devices(monitor);
        found = devices != nullptr;
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    return found;
}

struct ElementUnref {
    void operator()(GstElement *e) const { gst_object_unref(e); }
};
struct BusUnref {
    void operator()(GstBus *b) const { gst_object_unref(b); }
};
struct MessageUnref {
    void operator()(GstMessage *m) const { gst_message_unref(m); }
};

} // namespace

SoundPlayer::SoundPlayer()
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    m_worker = std::thread([this] { run(); });
}

SoundPlayer::~SoundPlayer()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void SoundPlayer::play(const QString &path)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stop)
            return;
        // Only the newest request matters: a new sound replaces the old one.
        m_queue.clear();
        m_queue.push_back(path);
    }
    m_changed.notify_all();
}

bool SoundPlayer::waitIdle(int timeout_ms)
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                              [&] { return m_queue.empty() && !m_busy; });
}

int SoundPlayer::finishedCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_finished;
}

int SoundPlayer::failedCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_failed;
}

QString SoundPlayer::sinkName() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_sink;
}

void SoundPlayer::run()
{
    // Looking for an audio output can take a while; it is done here so the
    // first playSound, often on a streaming thread, returns at once.
    const QByteArray forced = qgetenv("QUORVEL_AUDIO_SINK");
    const QString sink = !forced.isEmpty() ? QString::fromUtf8(forced)
        : hasAudioOutput()                 ? QStringLiteral("autoaudiosink")
                                           : QStringLiteral("fakesink");
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_sink = sink;
    }
    for (;;) {
        QString path;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_changed.wait(guard, [&] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                break;
            path = m_queue.front();
            m_queue.pop_front();
            m_busy = true;
        }
        const bool ok = playOne(path);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_busy = false;
            if (ok)
                ++m_finished;
            else
                ++m_failed;
        }
        m_changed.notify_all();
    }
}

bool SoundPlayer::playOne(const QString &path)
{
    std::unique_ptr<GstElement, ElementUnref> playbin(gst_element_factory_make("playbin", "quorvel-sound"));
    if (!playbin)
        return false;
    GstElement *sink = gst_element_factory_make(sinkName().toUtf8().constData(), nullptr);
    if (!sink)
        sink = gst_element_factory_make("fakesink", nullptr);
    if (sink && g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "sync"))
        g_object_set(sink, "sync", TRUE, nullptr);
    // A sound file has no picture; a stray video stream must not open a window.
    GstElement *noVideo = gst_element_factory_make("fakesink", nullptr);
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    g_object_set(playbin.get(), "uri", uri.constData(), "audio-sink", sink, "video-sink", noVideo, nullptr);

    if (gst_element_set_state(playbin.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(playbin.get(), GST_STATE_NULL);
        return false;
    }
    std::unique_ptr<GstBus, BusUnref> bus(gst_element_get_bus(playbin.get()));
    bool ok = false;
    for (;;) {
        std::unique_ptr<GstMessage, MessageUnref> msg(gst_bus_timed_pop_filtered(
            bus.get(), 50 * GST_MSECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (msg) {
            ok = GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_EOS;
            break;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stop || !m_queue.empty()) {
            ok = true; // cut short by a newer sound or by shutdown
            break;
        }
    }
    gst_element_set_state(playbin.get(), GST_STATE_NULL);
    return ok;
}

} // namespace quorvel
