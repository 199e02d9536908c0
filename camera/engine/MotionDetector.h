// Motion detection in the frame path, after the snapshot step: every
// m_MoveInterval milliseconds the motion region of the frame is compared
// with the previous checked frame; motion (more than m_MovePercent percent
// of its pixels changed) counts, writes the alarm snapshot with its actions
// and asks the host to record. Then the frame goes to the test window when
// a settings panel has set one.
#pragma once

#include "CDataClass.h"
#include "FrameHooks.h"
#include "MotionCompare.h"

#include <QDateTime>

#include <cstdint>
#include <functional>

namespace quorvel {

class CSampleGrabberCB;

class MotionDetector : public MotionCheck {
public:
    using Clock = std::function<QDateTime()>;

    // The detector keeps its state in `cb` (m_MotionArmed, m_LastCheck,
    // m_pPrevFrame), which must outlive it. The clock defaults to now.
    explicit MotionDetector(CSampleGrabberCB &cb, Clock clock = {});

    // Streaming thread, once per frame.
    void checkFrame(const VideoFrame &frame) override;

    // What the last check found (tests, benchmarks): changed pixels, the
    // region's area after clamping, and whether a comparison ran at all.
    struct LastResult {
        bool compared = false;
        std::int64_t changed = 0;
        std::int64_t area = 0;
        bool motion = false;
    };
    LastResult lastResult() const { return m_Last; }

private:
    // The settings the panels change while frames run, copied under the
    // camera lock.
    struct Settings {
        bool moveCheck = false;
        std::int32_t interval_ms = 0;
        std::int32_t threshold = 0;
        std::int32_t percent = 50;
        MoveRect rect;
        bool capVideo = false;
        bool countOn = false;
    };
    Settings readSettings() const;
    void runCheck(const VideoFrame &frame);
    void onMotion(const VideoFrame &frame, const Settings &s);
    void presentTestWindow(const VideoFrame &frame);

    CSampleGrabberCB &m_cb;
    Clock m_clock;
    // Layout of the frame kept in m_cb.m_pPrevFrame.
    int m_PrevWidth = 0;
    int m_PrevHeight = 0;
    int m_PrevStride = 0;
    bool m_PrevBottomUp = false;
    LastResult m_Last;
};

} // namespace quorvel
