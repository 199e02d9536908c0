// Owning pointers for GStreamer references, one unref per type family:
// objects (elements, pads, buses, devices) and mini objects (caps, buffers,
// samples, messages) are released differently.
#pragma once

#include <gst/gst.h>
#include <memory>

namespace quorvel {

struct GstObjectUnref {
    void operator()(gpointer p) const { if (p) gst_object_unref(p); }
};
struct GstMiniObjectUnref {
    void operator()(gpointer p) const { if (p) gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }
};
struct GFreeDeleter {
    void operator()(gpointer p) const { g_free(p); }
};

template <typename T> using GstObjectPtr = std::unique_ptr<T, GstObjectUnref>;
template <typename T> using GstMiniPtr = std::unique_ptr<T, GstMiniObjectUnref>;
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

// gst_init once per process; safe to call from any export.
bool ensureGStreamer();

} // namespace quorvel
