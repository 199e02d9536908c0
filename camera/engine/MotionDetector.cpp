#include "MotionDetector.h"

#include "CSampleGrabberCB.h"
#include "CameraMessenger.h"
#include "QuorvelEvents.h"
#include "TestWindowSink.h"

#include <cstring>
#include <mutex>

namespace quorvel {

namespace {

std::unique_lock<std::mutex> lockCamera(std::mutex *lock)
{
    return lock ? std::unique_lock<std::mutex>(*lock) : std::unique_lock<std::mutex>();
}

} // namespace

MotionDetector::MotionDetector(CSampleGrabberCB &cb, Clock clock)
    : m_cb(cb), m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

MotionDetector::Settings MotionDetector::readSettings() const
{
    Settings s;
    const CDataClass *record = m_cb.m_pRecord;
    if (!record)
        return s;
    auto guard = lockCamera(m_cb.m_pCameraLock);
    s.moveCheck = record->m_MoveCheck;
    s.interval_ms = record->m_MoveInterval;
    s.threshold = record->m_dlta;
    s.percent = record->m_MovePercent;
    s.rect = record->m_MoveRect;
    s.capVideo = record->m_CapVideo_move;
    s.countOn = record->m_MoveCountOn;
    return s;
}

void MotionDetector::checkFrame(const VideoFrame &frame)
{
    if (!frame.data || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 3)
        return;
    runCheck(frame);
    presentTestWindow(frame);
}

void MotionDetector::runCheck(const VideoFrame &frame)
{
    if (!m_cb.m_MotionArmed)
        return;
    const Settings s = readSettings();
    if (!s.moveCheck)
        return;
    const QDateTime now = m_clock();
    if (m_cb.m_LastCheck.isValid()) {
        const std::int64_t elapsed_ms = m_cb.m_LastCheck.msecsTo(now);
        // A clock set back (negative elapsed time) checks at once rather
        // than pausing detection until it has caught up.
        if (elapsed_ms >= 0 && std::int64_t(s.interval_ms) > elapsed_ms)
            return;
    }
    m_cb.m_LastCheck = now;
    m_cb.m_MotionArmed = false;
    m_Last = LastResult{};

    const std::size_t length = frame.byteLength();
    std::vector<std::uint8_t> &previous = m_cb.m_pPrevFrame;
    const bool sameLayout = previous.size() == length && m_PrevWidth == frame.width
        && m_PrevHeight == frame.height && m_PrevStride == frame.stride && m_PrevBottomUp == frame.bottomUp;
    if (!sameLayout) {
        // The first checked frame, or a frame of another size: it becomes
        // the previous frame and nothing is compared.
        previous.assign(frame.data, frame.data + length);
        m_PrevWidth = frame.width;
        m_PrevHeight = frame.height;
        m_PrevStride = frame.stride;
        m_PrevBottomUp = frame.bottomUp;
    } else {
        const MotionRegion region = clampRegion(s.rect, frame.width, frame.height);
        m_Last.compared = true;
        m_Last.area = region.area();
        // The frame becomes the previous frame, motion or not.
        m_Last.changed = countChangedPixelsAndKeep(frame, previous.data(), region, s.threshold);
        if (m_Last.area > 0) {
            const std::int64_t percent = m_Last.changed * 100 / m_Last.area;
            m_Last.motion = percent > std::int64_t(s.percent);
        }
    }

    if (m_Last.motion)
        onMotion(frame, s);
    m_cb.m_MotionArmed = true;
}

void MotionDetector::onMotion(const VideoFrame &frame, const Settings &s)
{
    if (s.countOn) {
        auto guard = lockCamera(m_cb.m_pCameraLock);
        ++m_cb.m_pRecord->m_MoveCount;
    }
    // The alarm snapshot with all its actions (picture, notification,
    // upload queue, program, sound, record), in this frame.
    m_cb.m_SnapshotKind.store(CSampleGrabberCB::kSnapshotMotion, std::memory_order_relaxed);
    m_cb.WriteSnapshot(frame, CSampleGrabberCB::kSnapshotMotion);
    if (s.capVideo && m_cb.m_pMessenger)
        m_cb.m_pMessenger->postNotify(WM_CAMERA_MOTIONRECORD, 1, m_cb.m_hHostWnd);
}

void MotionDetector::presentTestWindow(const VideoFrame &frame)
{
    if (!m_cb.m_hTestWnd.load(std::memory_order_acquire))
        return;
    TestWindowSink *sink = nullptr;
    QSize size;
    {
        auto guard = lockCamera(m_cb.m_pCameraLock);
        sink = m_cb.m_hTestWnd.load(std::memory_order_relaxed);
        if (!sink)
            return;
        size = sink->testPictureSize();
    }
    if (size.width() <= 0 || size.height() <= 0)
        return;
    // The frame in picture order, wrapped without a copy, then stretched.
    const QImage wrapped(frame.data, frame.width, frame.height, frame.stride, QImage::Format_BGR888);
    const QImage upright = frame.bottomUp ? wrapped.mirrored(false, true) : wrapped;
    const QImage stretched = upright.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Handed over under the camera lock, so a panel that has cleared its
    // test window is never called after it.
    auto guard = lockCamera(m_cb.m_pCameraLock);
    if (m_cb.m_hTestWnd.load(std::memory_order_relaxed) == sink)
        sink->presentTestPicture(stretched);
}

} // namespace quorvel
