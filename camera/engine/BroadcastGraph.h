// The encoder side of a broadcast, hung on the camera pipeline's tee:
//   queue ! videoconvert ! videoscale ! videorate ! I420 caps ! avenc_wmv1
//   ! (timestamps back to 0) ! tee ! queue ! asfmux streamable ! multifdsink
//                                  \ queue ! asfmux ! filesink   (recording)
// with, when asked, an audio branch (WMA, 44.1 kHz stereo) into both muxers.
// Encoding happens once; every client and the file share its output.
#pragma once

#include "BroadcastProfile.h"

#include <QString>

#include <gst/gst.h>

#include <condition_variable>
#include <mutex>

namespace quorvel {

class BroadcastGraph {
public:
    // A client that has not taken data for this long is dropped.
    static constexpr std::uint64_t kClientTimeoutNs = 5ull * GST_SECOND;
    // asfmux fills a packet before it sends it: small packets keep a low
    // bit-rate picture moving (the default 4800 bytes would hold seconds of it).
    static constexpr int kPacketSize = 1500;

    BroadcastGraph() = default;
    ~BroadcastGraph();
    BroadcastGraph(const BroadcastGraph &) = delete;
    BroadcastGraph &operator=(const BroadcastGraph &) = delete;

    // Builds the branch into `pipeline` and links it to `tee`. recordPath
    // empty: no file is written. false with the failing step in *error.
    bool build(GstElement *pipeline, GstElement *tee, const BroadcastProfile &profile, const QString &recordPath,
               QString *error);
    // The audio branch; its failures are only logged (the stream goes on
    // with video alone). testTone: a sine instead of a device.
    bool addAudio(GstElement *pipeline, bool testTone, int devicePosition, QString *error);

    // Ends the file with an end-of-stream (index and header written), waiting
    // at most timeoutMs; true when it reached the file sink.
    bool endRecording(int timeoutMs);

    GstElement *writer() const { return m_pWriter; }    // the branch bin
    GstElement *netSink() const { return m_pNetSink; }  // multifdsink
    GstElement *muxer() const { return m_pMuxer; }      // streamable asfmux
    GstElement *framedSink() const { return m_pFramedSink; }  // multifdsink, MMS framing
    GstElement *fileSink() const { return m_pFileSink; }
    GstElement *encoder() const { return m_pEncoder; }

    // True when an ASF data packet holds the start of a key frame of
    // `videoStream`. The sink starts late joiners on such packets (asfmux
    // marks none); frames before it in the packet have no reference and
    // are dropped by players.
    static bool packetStartsKeyFrame(const std::uint8_t *data, std::size_t size, int videoStream);

private:
    static GstBuffer *frameChunk(char type, GstBuffer *payload, std::uint32_t sequence);
    static GstPadProbeReturn FramingProbe(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    static GstPadProbeReturn KeyFlagProbe(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    static GstPadProbeReturn RestampProbe(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    static GstPadProbeReturn FileEosProbe(GstPad *pad, GstPadProbeInfo *info, gpointer self);

    GstElement *m_pWriter = nullptr;
    GstElement *m_pEncoder = nullptr;
    GstElement *m_pNetSink = nullptr;
    GstElement *m_pMuxer = nullptr;
    GstElement *m_pFramedSink = nullptr;
    GstElement *m_pFileMuxer = nullptr;
    GstElement *m_pFileQueue = nullptr;
    GstElement *m_pFileSink = nullptr;
    GstElement *m_pAudio = nullptr;  // audio bin, a child of the pipeline
    GstClockTime m_Base = GST_CLOCK_TIME_NONE;  // streaming thread of the encoder only
    std::uint32_t m_FramedSequence = 0;         // streaming thread of the framed branch only
    bool m_FramedHeader = false;                // the same

    std::mutex m_EosLock;  // guards m_FileEnded
    std::condition_variable m_EosArrived;
    bool m_FileEnded = false;
};

} // namespace quorvel
