// Where later stages plug into the frame path. The frame path calls each
// hook that is installed, on the streaming thread, once per frame, with the
// frame it may change in place. Until a stage is installed its hook is null
// and the frame passes unchanged.
#pragma once

#include "VideoFrame.h"

#include <gst/gst.h>

namespace quorvel {

// A text drawn into every frame (camera name, time).
class FrameOverlay {
public:
    virtual ~FrameOverlay() = default;
    virtual void drawInto(VideoFrame &frame) = 0;
};

// Motion detection and the settings panel's test picture; may request a
// motion snapshot (kind 0) for the next frame.
class MotionCheck {
public:
    virtual ~MotionCheck() = default;
    virtual void checkFrame(const VideoFrame &frame) = 0;
};

// Shows frames in the host. presentFrame runs on the streaming thread and
// must not block on the UI thread; clear() runs on the UI thread once no
// pipeline feeds the display any more.
class CameraDisplay {
public:
    virtual ~CameraDisplay() = default;
    // A BGR sample whose caps give width, height and stride. The callee takes
    // its own reference if it keeps the sample.
    virtual void presentSample(GstSample *sample) = 0;
    virtual void clear() = 0;
};

} // namespace quorvel
