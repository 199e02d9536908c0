// The frame hook as the pipeline runs it: the buffer made writable (no copy
// when nothing else holds it, which is the case before the tee), mapped as
// a BGR frame and handed to the frame callback in place.
#pragma once

#include <gst/gst.h>
#include <gst/video/video.h>

namespace quorvel {

class CSampleGrabberCB;

// Returns the buffer to pass on (it may differ from the one given).
GstBuffer *runFrameHook(GstBuffer *buffer, const GstVideoInfo &info, CSampleGrabberCB &cb);

} // namespace quorvel
