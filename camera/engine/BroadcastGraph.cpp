#include "BroadcastGraph.h"

#include "GstPtr.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quorvel {

namespace {

GstElement *make(const char *factory, const char *name = nullptr)
{
    return gst_element_factory_make(factory, name);
}

bool linkToRequest(GstElement *from, GstElement *muxer, const char *templ)
{
    GstPad *pad = gst_element_request_pad_simple(muxer, templ);
    if (!pad)
        return false;
    GstObjectPtr<GstPad> src(gst_element_get_static_pad(from, "src"));
    const bool ok = gst_pad_link(src.get(), pad) == GST_PAD_LINK_OK;
    gst_object_unref(pad);
    return ok;
}

} // namespace

BroadcastGraph::~BroadcastGraph() = default;  // elements belong to the pipeline

bool BroadcastGraph::build(GstElement *pipeline, GstElement *tee, const BroadcastProfile &profile,
                           const QString &recordPath, QString *error)
{
    auto fail = [&](const char *why) {
        if (error)
            *error = QString::fromLatin1(why);
        return false;
    };
    m_pWriter = gst_bin_new("File Writer");
    GstElement *queue = make("queue");
    GstElement *convert = make("videoconvert");
    GstElement *scale = make("videoscale");
    GstElement *rate = make("videorate");
    GstElement *caps = make("capsfilter");
    m_pEncoder = make("avenc_wmv1", "encoder");
    GstElement *split = make("tee", "encoded");
    GstElement *netQueue = make("queue");
    m_pMuxer = make("asfmux", "Writer2");
    m_pNetSink = make("multifdsink", "NetSink");
    GstElement *all[] = {queue, convert, scale, rate, caps, m_pEncoder, split, netQueue, m_pMuxer, m_pNetSink};
    bool made = m_pWriter != nullptr;
    for (GstElement *e : all)
        made = made && e;
    if (!made) {
        for (GstElement *e : all)
            if (e)
                gst_object_unref(e);
        if (m_pWriter)
            gst_object_unref(m_pWriter);
        m_pWriter = nullptr;
        return fail("Cannot create FileWriter");
    }
    for (GstElement *e : all)
        gst_bin_add(GST_BIN(m_pWriter), e);

    // The live picture must not wait for the encoder.
    g_object_set(queue, "max-size-buffers", 4, "max-size-time", guint64(0), "max-size-bytes", 0u, "leaky", 2, nullptr);
    GstMiniPtr<GstCaps> i420(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "I420", "width", G_TYPE_INT,
                                                 profile.width, "height", G_TYPE_INT, profile.height, "framerate",
                                                 GST_TYPE_FRACTION, profile.fps, 1, "pixel-aspect-ratio",
                                                 GST_TYPE_FRACTION, 1, 1, nullptr));
    g_object_set(caps, "caps", i420.get(), nullptr);
    g_object_set(m_pEncoder, "bitrate", gint(profile.bitRate), "gop-size", profile.fps, nullptr);
    g_object_set(m_pMuxer, "streamable", TRUE, "preroll", guint64(0), "packet-size", guint(kPacketSize), nullptr);
    g_object_set(m_pNetSink, "sync", FALSE, "async", FALSE, "sync-method", 2 /* next-keyframe */,
                 "timeout", guint64(kClientTimeoutNs), "recover-policy", 3 /* keyframe */, nullptr);
    if (!gst_element_link_many(queue, convert, scale, rate, caps, m_pEncoder, split, nullptr)
        || !linkToRequest(netQueue, m_pMuxer, "video_%u") || !gst_element_link(m_pMuxer, m_pNetSink))
        return fail("Cannot connect GrabBase to asf writer");
    {
        GstObjectPtr<GstPad> encOut(gst_element_get_static_pad(m_pEncoder, "src"));
        gst_pad_add_probe(encOut.get(),
                          GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          &BroadcastGraph::RestampProbe, this, nullptr);
    }
    {
        GstObjectPtr<GstPad> muxOut(gst_element_get_static_pad(m_pMuxer, "src"));
        gst_pad_add_probe(muxOut.get(), GST_PAD_PROBE_TYPE_BUFFER, &BroadcastGraph::KeyFlagProbe, this, nullptr);
    }
    // The same packets, framed for Windows Media players (MMS over HTTP),
    // to a second sink: the muxer's output is split after the muxer.
    {
        GstElement *asfSplit = make("tee", "asf");
        GstElement *plainQueue = make("queue");
        GstElement *framedQueue = make("queue");
        m_pFramedSink = make("multifdsink", "NetSink framed");
        if (!asfSplit || !plainQueue || !framedQueue || !m_pFramedSink)
            return fail("WMCreateWriterNetworkSink failed");
        gst_bin_add_many(GST_BIN(m_pWriter), asfSplit, plainQueue, framedQueue, m_pFramedSink, nullptr);
        gst_element_unlink(m_pMuxer, m_pNetSink);
        g_object_set(m_pFramedSink, "sync", FALSE, "async", FALSE, "sync-method", 2 /* next-keyframe */,
                     "timeout", guint64(kClientTimeoutNs), "recover-policy", 3 /* keyframe */, nullptr);
        if (!gst_element_link(m_pMuxer, asfSplit) || !gst_element_link_many(asfSplit, plainQueue, m_pNetSink, nullptr)
            || !gst_element_link_many(asfSplit, framedQueue, m_pFramedSink, nullptr))
            return fail("Add NetSink failed");
        GstObjectPtr<GstPad> framedOut(gst_element_get_static_pad(framedQueue, "src"));
        gst_pad_add_probe(framedOut.get(),
                          GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          &BroadcastGraph::FramingProbe, this, nullptr);
    }
    if (!gst_element_link(split, netQueue))
        return fail("Cannot connect GrabBase to asf writer");

    if (!recordPath.isEmpty()) {
        m_pFileQueue = make("queue");
        m_pFileMuxer = make("asfmux", "Writer2 file");
        m_pFileSink = make("filesink", "Sink");
        if (!m_pFileQueue || !m_pFileMuxer || !m_pFileSink)
            return fail("Cannot create FileWriter");
        gst_bin_add_many(GST_BIN(m_pWriter), m_pFileQueue, m_pFileMuxer, m_pFileSink, nullptr);
        g_object_set(m_pFileSink, "location", recordPath.toUtf8().constData(), "sync", FALSE, "async", FALSE,
                     nullptr);
        if (!gst_element_link(split, m_pFileQueue) || !linkToRequest(m_pFileQueue, m_pFileMuxer, "video_%u")
            || !gst_element_link(m_pFileMuxer, m_pFileSink))
            return fail("Cannot connect GrabBase to asf writer");
        GstObjectPtr<GstPad> in(gst_element_get_static_pad(m_pFileSink, "sink"));
        gst_pad_add_probe(in.get(), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &BroadcastGraph::FileEosProbe, this, nullptr);
    }
    // The muxers' video inputs: encoded video from the split.
    {
        GstObjectPtr<GstPad> in(gst_element_get_static_pad(queue, "sink"));
        gst_element_add_pad(m_pWriter, gst_ghost_pad_new("sink", in.get()));
    }
    if (!gst_bin_add(GST_BIN(pipeline), m_pWriter)) {
        m_pWriter = nullptr;
        return fail("Could not put FileWriter in graph");
    }
    if (!gst_element_link(tee, m_pWriter))
        return fail("Cannot connect GrabBase to asf writer");
    return true;
}

bool BroadcastGraph::addAudio(GstElement *pipeline, bool testTone, int devicePosition, QString *error)
{
    auto fail = [&](const char *why) {
        if (error)
            *error = QString::fromLatin1(why);
        return false;
    };
    GstElement *source = nullptr;
    if (testTone) {
        source = make("audiotestsrc");
        if (source)
            g_object_set(source, "is-live", TRUE, "wave", 0 /* sine */, "volume", 0.2, nullptr);
    } else {
        GstDeviceMonitor *monitor = gst_device_monitor_new();
        gst_device_monitor_add_filter(monitor, "Audio/Source", nullptr);
        GList *devices = gst_device_monitor_get_devices(monitor);
        if (GList *item = g_list_nth(devices, guint(devicePosition < 0 ? 0 : devicePosition)))
            source = gst_device_create_element(GST_DEVICE(item->data), nullptr);
        g_list_free_full(devices, gst_object_unref);
        gst_object_unref(monitor);
    }
    if (!source)
        return fail("no audio input");
    m_pAudio = gst_bin_new("ACap");
    GstElement *convert = make("audioconvert");
    GstElement *resample = make("audioresample");
    GstElement *caps = make("capsfilter");
    GstElement *encoder = make("avenc_wmav2");
    GstElement *split = make("tee");
    GstElement *parts[] = {source, convert, resample, caps, encoder, split};
    for (GstElement *e : parts) {
        if (!e) {
            for (GstElement *o : parts)
                if (o)
                    gst_object_unref(o);
            gst_object_unref(m_pAudio);
            m_pAudio = nullptr;
            return fail("audio elements missing");
        }
    }
    for (GstElement *e : parts)
        gst_bin_add(GST_BIN(m_pAudio), e);
    GstMiniPtr<GstCaps> raw(gst_caps_new_simple("audio/x-raw", "rate", G_TYPE_INT, BroadcastProfile::kAudioRate,
                                                "channels", G_TYPE_INT, BroadcastProfile::kAudioChannels, nullptr));
    g_object_set(caps, "caps", raw.get(), nullptr);
    g_object_set(encoder, "bitrate", gint(BroadcastProfile::kAudioBitRate), nullptr);
    if (!gst_element_link_many(source, convert, resample, caps, encoder, split, nullptr))
        return fail("audio chain does not link");
    gst_bin_add(GST_BIN(pipeline), m_pAudio);
    GstElement *muxers[] = {m_pMuxer, m_pFileMuxer};
    for (GstElement *mux : muxers) {
        if (!mux)
            continue;
        GstElement *q = make("queue");
        gst_bin_add(GST_BIN(m_pAudio), q);
        GstObjectPtr<GstPad> out(gst_element_get_static_pad(q, "src"));
        GstPad *ghost = gst_ghost_pad_new(nullptr, out.get());
        gst_element_add_pad(m_pAudio, ghost);
        if (!gst_element_link(split, q))
            return fail("audio split does not link");
        GstPad *muxIn = gst_element_request_pad_simple(mux, "audio_%u");
        if (!muxIn)
            return fail("muxer takes no audio");
        // The muxer sits inside the writer bin: link through a ghost pad.
        GstPad *writerIn = gst_ghost_pad_new(nullptr, muxIn);
        gst_object_unref(muxIn);
        gst_pad_set_active(writerIn, TRUE);
        gst_element_add_pad(m_pWriter, writerIn);
        if (gst_pad_link(ghost, writerIn) != GST_PAD_LINK_OK)
            return fail("audio does not link to the muxer");
    }
    return true;
}

bool BroadcastGraph::endRecording(int timeoutMs)
{
    if (!m_pFileQueue)
        return false;
    {
        std::lock_guard guard(m_EosLock);
        m_FileEnded = false;
    }
    GstObjectPtr<GstPad> in(gst_element_get_static_pad(m_pFileQueue, "sink"));
    gst_pad_send_event(in.get(), gst_event_new_eos());
    std::unique_lock lock(m_EosLock);
    return m_EosArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_FileEnded; });
}

GstPadProbeReturn BroadcastGraph::FileEosProbe(GstPad *, GstPadProbeInfo *info, gpointer self)
{
    // The muxer has written its index and rewritten the header before it
    // sends the end-of-stream on.
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        auto *graph = static_cast<BroadcastGraph *>(self);
        std::lock_guard guard(graph->m_EosLock);
        graph->m_FileEnded = true;
        graph->m_EosArrived.notify_all();
    }
    return GST_PAD_PROBE_OK;
}

namespace {

// The parts of an ASF data packet that a split needs.
struct AsfPacket {
    std::size_t ecSize = 0;          // error correction bytes, with their flag byte
    std::uint8_t lengthFlags = 0;
    std::uint8_t property = 0;
    std::uint32_t packetLength = 0, sequence = 0;
    std::uint8_t sendDuration[6] = {};
    std::uint8_t payloadFlags = 0;   // several payloads only
    struct Payload {
        std::size_t begin, end;
        bool keyStart;
    };
    std::vector<Payload> payloads;
};

bool parseAsfPacket(const std::uint8_t *data, std::size_t size, int videoStream, AsfPacket &p)
{
    std::size_t at = 0;
    auto byte = [&](std::uint8_t &out) {
        if (at >= size)
            return false;
        out = data[at++];
        return true;
    };
    // A field of 0, 1, 2 or 4 bytes, as a two-bit length type says.
    auto field = [&](int type, std::uint32_t &out) {
        static constexpr int kBytes[4] = {0, 1, 2, 4};
        out = 0;
        for (int i = 0; i < kBytes[type & 3]; ++i) {
            std::uint8_t b = 0;
            if (!byte(b))
                return false;
            out |= std::uint32_t(b) << (8 * i);
        }
        return true;
    };
    std::uint8_t flags = 0;
    if (!byte(flags))
        return false;
    if (flags & 0x80) {  // error correction data, then the length type flags
        at += flags & 0x0F;
        p.ecSize = at;
        if (!byte(flags))
            return false;
    }
    p.lengthFlags = flags;
    std::uint32_t padding = 0;
    if (!byte(p.property) || !field(flags >> 5, p.packetLength) || !field(flags >> 1, p.sequence)
        || !field(flags >> 3, padding) || at + 6 > size)
        return false;
    std::memcpy(p.sendDuration, data + at, 6);
    at += 6;
    const bool several = flags & 0x01;
    int count = 1;
    if (several) {
        if (!byte(p.payloadFlags))
            return false;
        count = p.payloadFlags & 0x3F;
    }
    for (int i = 0; i < count; ++i) {
        const std::size_t begin = at;
        std::uint8_t stream = 0;
        std::uint32_t object = 0, offset = 0, replicated = 0, length = 0;
        if (!byte(stream) || !field(p.property >> 4, object) || !field(p.property >> 2, offset)
            || !field(p.property, replicated) || replicated == 1)
            return false;  // compressed payloads are not written by asfmux
        at += replicated;
        if (several) {
            if (!field(p.payloadFlags >> 6, length))
                return false;
        } else {
            length = std::uint32_t(size - padding - std::min<std::size_t>(size, at));
        }
        at += length;
        if (at > size)
            return false;
        p.payloads.push_back({begin, at, (stream & 0x80) && (stream & 0x7F) == videoStream && offset == 0});
    }
    return true;
}

// A packet of the same size with payloads [from, to) of `p`; padding with a
// two-byte length fills it up.
GstBuffer *buildAsfPacket(const std::uint8_t *data, std::size_t size, const AsfPacket &p, std::size_t from,
                          std::size_t to)
{
    std::vector<std::uint8_t> out(data, data + p.ecSize);
    out.push_back(std::uint8_t((p.lengthFlags & ~0x18) | (2 << 3) | 0x01));
    out.push_back(p.property);
    auto put = [&](int type, std::uint32_t v) {
        static constexpr int kBytes[4] = {0, 1, 2, 4};
        for (int i = 0; i < kBytes[type & 3]; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    put(p.lengthFlags >> 5, p.packetLength);
    put(p.lengthFlags >> 1, p.sequence);
    const std::size_t paddingAt = out.size();
    put(2, 0);
    out.insert(out.end(), p.sendDuration, p.sendDuration + 6);
    out.push_back(std::uint8_t((p.payloadFlags & 0xC0) | (to - from)));
    for (std::size_t i = from; i < to; ++i)
        out.insert(out.end(), data + p.payloads[i].begin, data + p.payloads[i].end);
    if (out.size() > size)
        return nullptr;
    const std::size_t padding = size - out.size();
    out[paddingAt] = std::uint8_t(padding);
    out[paddingAt + 1] = std::uint8_t(padding >> 8);
    out.resize(size, 0);
    return gst_buffer_new_memdup(out.data(), out.size());
}

} // namespace

bool BroadcastGraph::packetStartsKeyFrame(const std::uint8_t *data, std::size_t size, int videoStream)
{
    AsfPacket p;
    if (!parseAsfPacket(data, size, videoStream, p))
        return false;
    for (const auto &payload : p.payloads)
        if (payload.keyStart)
            return true;
    return false;
}

GstPadProbeReturn BroadcastGraph::KeyFlagProbe(GstPad *pad, GstPadProbeInfo *info, gpointer)
{
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_HEADER))
        return GST_PAD_PROBE_OK;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return GST_PAD_PROBE_OK;
    // The video stream is the muxer's first: it is requested first.
    AsfPacket packet;
    std::size_t keyAt = SIZE_MAX;
    if (parseAsfPacket(map.data, map.size, 1, packet)) {
        for (std::size_t i = 0; i < packet.payloads.size() && keyAt == SIZE_MAX; ++i)
            if (packet.payloads[i].keyStart)
                keyAt = i;
    }
    GstBuffer *before = nullptr;
    GstBuffer *from = nullptr;
    if (keyAt != SIZE_MAX && keyAt > 0) {
        // Frames packed ahead of the key frame go into a packet of their
        // own, so that a late joiner's first packet starts with the key frame.
        before = buildAsfPacket(map.data, map.size, packet, 0, keyAt);
        from = buildAsfPacket(map.data, map.size, packet, keyAt, packet.payloads.size());
    }
    gst_buffer_unmap(buffer, &map);
    if (before && from) {
        gst_buffer_copy_into(before, buffer, GstBufferCopyFlags(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS), 0, -1);
        gst_buffer_copy_into(from, buffer, GstBufferCopyFlags(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS), 0, -1);
        GST_BUFFER_FLAG_SET(before, GST_BUFFER_FLAG_DELTA_UNIT);
        GST_BUFFER_FLAG_UNSET(from, GST_BUFFER_FLAG_DELTA_UNIT);
        gst_buffer_unref(buffer);
        GST_PAD_PROBE_INFO_DATA(info) = from;
        // Runs this probe again for `before`, which holds no key frame start.
        if (GstPad *peer = gst_pad_get_peer(pad)) {
            gst_pad_chain(peer, before);
            gst_object_unref(peer);
        } else {
            gst_buffer_unref(before);
        }
        return GST_PAD_PROBE_OK;
    }
    if (before)
        gst_buffer_unref(before);
    if (from)
        gst_buffer_unref(from);
    const bool key = keyAt != SIZE_MAX;
    if (key == !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT))
        return GST_PAD_PROBE_OK;
    buffer = gst_buffer_make_writable(buffer);
    if (key)
        GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    else
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

GstBuffer *BroadcastGraph::frameChunk(char type, GstBuffer *payload, std::uint32_t sequence)
{
    // "$H" (header) or "$D" (data), the chunk length, then 8 bytes: the
    // sequence number, two flag bytes and the length again.
    const gsize size = gst_buffer_get_size(payload);
    if (size + 8 > 0xFFFF)
        return nullptr;
    const std::uint16_t length = std::uint16_t(size + 8);
    std::uint8_t head[12] = {'$', std::uint8_t(type), std::uint8_t(length & 0xFF), std::uint8_t(length >> 8),
                             std::uint8_t(sequence), std::uint8_t(sequence >> 8), std::uint8_t(sequence >> 16),
                             std::uint8_t(sequence >> 24), 0, std::uint8_t(type == 'H' ? 0x0C : 0x00),
                             std::uint8_t(length & 0xFF), std::uint8_t(length >> 8)};
    GstBuffer *out = gst_buffer_copy_deep(payload);  // keeps flags and times
    gpointer copy = g_memdup2(head, sizeof head);
    gst_buffer_prepend_memory(out, gst_memory_new_wrapped(GstMemoryFlags(0), copy, sizeof head, 0, sizeof head, copy,
                                                          g_free));
    return out;
}

GstPadProbeReturn BroadcastGraph::FramingProbe(GstPad *, GstPadProbeInfo *info, gpointer self)
{
    auto *graph = static_cast<BroadcastGraph *>(self);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent *ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(ev) != GST_EVENT_CAPS)
            return GST_PAD_PROBE_OK;
        GstCaps *caps = nullptr;
        gst_event_parse_caps(ev, &caps);
        const GstStructure *st = gst_caps_get_structure(caps, 0);
        const GValue *headers = st ? gst_structure_get_value(st, "streamheader") : nullptr;
        if (!headers || !GST_VALUE_HOLDS_ARRAY(headers))
            return GST_PAD_PROBE_OK;
        // One "$H" chunk carries the whole ASF header.
        GstBuffer *joined = gst_buffer_new();
        for (guint i = 0; i < gst_value_array_get_size(headers); ++i) {
            const GValue *v = gst_value_array_get_value(headers, i);
            if (GST_VALUE_HOLDS_BUFFER(v))
                joined = gst_buffer_append(joined, gst_buffer_copy_deep(gst_value_get_buffer(v)));
        }
        GstBuffer *framed = frameChunk('H', joined, 0);
        gst_buffer_unref(joined);
        if (!framed)
            return GST_PAD_PROBE_OK;
        GST_BUFFER_FLAG_SET(framed, GST_BUFFER_FLAG_HEADER);
        GstCaps *fresh = gst_caps_copy(caps);
        GValue array = G_VALUE_INIT;
        GValue item = G_VALUE_INIT;
        g_value_init(&array, GST_TYPE_ARRAY);
        g_value_init(&item, GST_TYPE_BUFFER);
        gst_value_set_buffer(&item, framed);
        gst_value_array_append_value(&array, &item);
        gst_structure_set_value(gst_caps_get_structure(fresh, 0), "streamheader", &array);
        g_value_unset(&item);
        g_value_unset(&array);
        gst_buffer_unref(framed);
        graph->m_FramedHeader = true;
        GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_caps(fresh);
        gst_caps_unref(fresh);
        gst_event_unref(ev);
        return GST_PAD_PROBE_OK;
    }
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const bool header = GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_HEADER);
    if (header && graph->m_FramedHeader)
        return GST_PAD_PROBE_DROP;  // sent to each client from the caps
    GstBuffer *framed = frameChunk(header ? 'H' : 'D', buffer, header ? 0 : graph->m_FramedSequence++);
    if (!framed)
        return GST_PAD_PROBE_DROP;
    gst_buffer_unref(buffer);
    GST_PAD_PROBE_INFO_DATA(info) = framed;
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn BroadcastGraph::RestampProbe(GstPad *, GstPadProbeInfo *info, gpointer self)
{
    // avenc_wmv1 stamps its output about 1000 hours late, and asfmux turns
    // that into the packets' send time, which players act on. Shift the
    // segment and the stamps back so the stream starts at 0.
    auto *graph = static_cast<BroadcastGraph *>(self);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent *ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(ev) == GST_EVENT_SEGMENT) {
            GstSegment segment;
            gst_segment_init(&segment, GST_FORMAT_TIME);
            GstEvent *fresh = gst_event_new_segment(&segment);
            gst_event_set_seqnum(fresh, gst_event_get_seqnum(ev));
            gst_event_unref(ev);
            GST_PAD_PROBE_INFO_DATA(info) = fresh;
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    GstClockTime stamp = GST_BUFFER_DTS_OR_PTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(stamp))
        return GST_PAD_PROBE_OK;
    if (!GST_CLOCK_TIME_IS_VALID(graph->m_Base))
        graph->m_Base = stamp;
    buffer = gst_buffer_make_writable(buffer);
    auto shift = [base = graph->m_Base](GstClockTime t) {
        return GST_CLOCK_TIME_IS_VALID(t) ? (t > base ? t - base : 0) : t;
    };
    GST_BUFFER_PTS(buffer) = shift(GST_BUFFER_PTS(buffer));
    GST_BUFFER_DTS(buffer) = shift(GST_BUFFER_DTS(buffer));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

} // namespace quorvel
