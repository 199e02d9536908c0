// One opened camera index: its data record and action records, its live
// pipeline (source -> decoder -> BGR frame hook -> tee -> display), its frame
// callback, and what it tells the host. Built, started, disabled, enabled and
// destroyed on the UI thread; frames run on the pipeline's streaming thread.
#pragma once

#include "CSampleGrabberCB.h"
#include "CameraMessenger.h"
#include "CameraObject.h"
#include "FrameHooks.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>

#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdint>
#include <memory>
#include <mutex>

namespace quorvel {

class BroadcastGraph;
class BroadcastServer;
class CDataClass;
class MotionDetector;
class Option;
class RecordClass;
class RecordClass_Broadcast;
class RecordClass_FTP;

class UsbCamera : public CameraObject {
public:
    // Graph modes.
    static constexpr int kModePreview = -1;
    static constexpr int kModeBroadcast = 3;
    // Language texts of the disable / enable records.
    static constexpr int kTextDisabled = 15;
    static constexpr int kTextEnabled = 16;
    // Language texts of the broadcast records.
    static constexpr int kTextCamera = 1;
    static constexpr int kTextBroadcastStarted = 21;
    static constexpr int kTextBroadcastStopped = 22;
    // Client limits of a broadcast: below 1 the record's default, above the
    // maximum the maximum.
    static constexpr int kDefaultMaxClients = 2;
    static constexpr int kMaxClientsLimit = 256;

    // owner receives event records, notify the notifications; hostId is the
    // host's identification sent with notifications; display shows frames
    // (null: frames flow into a sink that shows nothing).
    UsbCamera(Option &option, QObject *owner, QObject *notify, std::uintptr_t hostId,
              std::unique_ptr<CameraDisplay> display, const QString &source, int index, int cameraNumber);
    ~UsbCamera() override;  // Destroy
    UsbCamera(const UsbCamera &) = delete;
    UsbCamera &operator=(const UsbCamera &) = delete;

    bool Start(QObject *owner, QObject *notify, std::uintptr_t hostId);
    void Disable();
    void Enable();
    bool IsDisabled() const { return m_cb.m_Disabled.load() != 0; }
    void RequestSnapshot(int kind) { m_cb.RequestSnapshot(kind); }

    // Broadcast (UI thread). Start replaces the preview by the broadcast
    // pipeline; false when it could not be built (no pipeline runs then).
    // Stop brings the preview back; only while broadcasting.
    bool StartBroadcast(bool withRecording);
    void StopBroadcast();
    bool IsBroadcasting() const { return m_cb.m_GraphMode.load() == kModeBroadcast; }
    // Clients the broadcast serves now (0 without a broadcast).
    int BroadcastClients() const;
    // m_PublicUrl from the public-address service: "http://" + address +
    // ":" + port, or empty on any failure.
    void BuildPublicUrl();

    // The element properties of the running source ("Cap"); empty without a
    // graph (a disabled camera) or without a source.
    QList<QPair<QString, QString>> SourceProperties() const;

    // Root folders, changed under the camera lock because frames read them.
    void SetImgDirRoot(const QString &folder);
    void SetCapDirRoot(const QString &folder);
    QString ImgDirRoot() const;
    QString CapDirRoot() const;

    // The settings panel's test window (set and cleared under the camera lock).
    void SetTestWindow(TestWindowSink *window);
    void ClearTestWindow();

    // For the settings windows (UI thread). The camera lock, for the record
    // fields the frame path reads while frames run (names, positions,
    // motion settings); never take another lock while holding it.
    std::unique_lock<std::mutex> LockSettings() const { return std::unique_lock(m_CameraLock); }
    // Destroyed first when the camera goes: a window that shows the camera
    // connects to its destroyed() signal and stops using the camera.
    QObject *LifeSignal() const { return m_pLife.get(); }
    // The overlays of the running graph (none without a graph).
    bool HasNameOverlay() const { return m_cb.m_pNameOverlay != nullptr; }
    // Renders the name again from the record (text or font changed).
    void RedrawName();
    // The size of the rendered name or time text, empty when none is drawn.
    QSize NameTextSize() const;
    QSize TimeTextSize() const;
    // The size of the frames the frame path sees, empty before the first.
    QSize FrameSize() const { return {m_cb.m_Width.load(), m_cb.m_Height.load()}; }

    bool HasGraph() const { return m_pGraph != nullptr; }
    bool IsRunning() const;
    int Index() const { return m_cb.m_Index; }
    CDataClass &Data() { return *m_pData; }
    CSampleGrabberCB &Callback() { return m_cb; }
    RecordClass_FTP &FtpRecord() { return *m_pCaptureImageFTP; }

    // Members, in the order the camera tears them down.
    QString m_PublicUrl;
    QString m_LocalUrl;
    GstElement *m_pWriter2 = nullptr;      // streaming ASF muxer of the broadcast
    GstElement *m_pNetSink = nullptr;      // HTTP client sink (multifdsink)
    GstElement *m_pSmartTee = nullptr;
    GstElement *m_pAVIDecompressor = nullptr;
    GstElement *m_pVideoRenderer = nullptr;
    GstElement *m_pVideoSource = nullptr;
    GstElement *m_pSink = nullptr;         // recording file sink
    GstElement *m_pFileWriter = nullptr;   // the broadcast branch: encoder and muxers
    GstElement *m_pAudiosor = nullptr;     // audio branch of the broadcast
    GstElement *m_pGraph = nullptr;
    GstElement *m_pGrabber = nullptr;
    QString m_RecordFile;
    std::unique_ptr<CDataClass> m_pData;
    std::unique_ptr<RecordClass> m_pCaptureImage;
    std::unique_ptr<RecordClass_FTP> m_pCaptureImageFTP;
    std::unique_ptr<RecordClass_Broadcast> m_pCaptureVideo;
    std::unique_ptr<RecordClass_Broadcast> m_pMoveCheck;
    std::unique_ptr<RecordClass_Broadcast> m_pBroadcast;
    CSampleGrabberCB m_cb;
    std::unique_ptr<MotionDetector> m_pMotion;  // the frame callback's motion check
    bool m_KeepRecording = false;
    QObject *m_pOwner = nullptr;

private:
    enum class BroadcastBuild { Failed, CountsAsStarted, Ready };
    bool BuildPreview() { return BuildGraph(false); }
    bool BuildGraph(bool broadcast);
    BroadcastBuild BuildBroadcastBranch();
    void EndBroadcastFile();
    void TearDown();
    void SendStateRecord(int textId);
    void CreateOverlays();
    void DestroyOverlays();
    void PrepareOverlays();
    void OnStreamFailure(std::uint64_t generation, const QString &detail);

    static GstPadProbeReturn FrameProbe(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    static GstBusSyncReply BusSync(GstBus *bus, GstMessage *message, gpointer self);
    static GstFlowReturn NewDisplaySample(GstElement *sink, gpointer self);

    Option &m_Option;
    std::unique_ptr<QObject> m_pLife = std::make_unique<QObject>();
    mutable std::mutex m_CameraLock;
    std::unique_ptr<CameraMessenger> m_pMessenger;
    std::unique_ptr<CameraDisplay> m_pDisplay;
    GstVideoInfo m_VideoInfo;              // streaming thread only
    std::uint64_t m_PipelineGeneration = 0;
    std::atomic<std::uint64_t> m_RunningGeneration{0};
    std::unique_ptr<BroadcastGraph> m_pBroadcastGraph;
    std::unique_ptr<BroadcastServer> m_pBroadcastServer;
    QString m_RecordTemp;  // the recording while it is written; renamed to m_RecordFile when kept
};

} // namespace quorvel
