#include "FrameProbe.h"

#include "CSampleGrabberCB.h"

namespace quorvel {

GstBuffer *runFrameHook(GstBuffer *buffer, const GstVideoInfo &info, CSampleGrabberCB &cb)
{
    buffer = gst_buffer_make_writable(buffer);
    GstVideoFrame vf;
    if (!gst_video_frame_map(&vf, const_cast<GstVideoInfo *>(&info), buffer,
                             GstMapFlags(GST_MAP_READ | GST_MAP_WRITE)))
        return buffer;
    VideoFrame frame;
    frame.data = static_cast<std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&vf, 0));
    frame.width = GST_VIDEO_FRAME_WIDTH(&vf);
    frame.height = GST_VIDEO_FRAME_HEIGHT(&vf);
    frame.stride = GST_VIDEO_FRAME_PLANE_STRIDE(&vf, 0);
    const double t = GST_BUFFER_PTS_IS_VALID(buffer) ? double(GST_BUFFER_PTS(buffer)) / GST_SECOND : 0.0;
    cb.BufferCB(t, &frame);
    gst_video_frame_unmap(&vf);
    return buffer;
}

} // namespace quorvel
