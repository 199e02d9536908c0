#include "UsbCamera.h"

#include "AtomicFile.h"
#include "BroadcastGraph.h"
#include "BroadcastServer.h"
#include "PublicAddressClient.h"
#include "CDataClass.h"
#include "COverlayController.h"
#include "CameraEventRecordFill.h"
#include "DeviceEnum.h"
#include "EngineLog.h"
#include "FrameProbe.h"
#include "FtpUploader.h"
#include "IniFile.h"
#include "GstPtr.h"
#include "LibReporter.h"
#include "MotionDetector.h"
#include "Option.h"
#include "RecordClass.h"
#include "RecordClass_Broadcast.h"
#include "RecordClass_FTP.h"
#include "XServerLoss.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gst/app/gstappsink.h>

Q_LOGGING_CATEGORY(lcEngine, "quorvel.engine")

namespace quorvel {

namespace {

// The test picture: 640 x 480 at 30 frames per second.
constexpr int kTestWidth = 640;
constexpr int kTestHeight = 480;
constexpr int kTestFps = 30;
// The screen is grabbed at this rate.
constexpr int kScreenFps = 15;

GstElement *makeElement(const char *factory, const char *name)
{
    return gst_element_factory_make(factory, name);
}

GstCaps *capsFromString(const char *text)
{
    return gst_caps_from_string(text);
}

// Wraps a source element (and what it needs right behind it) into the bin
// "Cap" with one ghost pad "src".
GstElement *wrapSource(GstElement *source, int kind, bool isTest)
{
    GstElement *bin = gst_bin_new("Cap");
    gst_bin_add(GST_BIN(bin), source);
    GstElement *last = source;
    if (isTest || kind == CDataClass::SourceScreen) {
        GstElement *filter = makeElement("capsfilter", nullptr);
        GstMiniPtr<GstCaps> caps(isTest
            ? gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, kTestWidth, "height", G_TYPE_INT,
                                  kTestHeight, "framerate", GST_TYPE_FRACTION, kTestFps, 1, nullptr)
            : gst_caps_new_simple("video/x-raw", "framerate", GST_TYPE_FRACTION, kScreenFps, 1, nullptr));
        g_object_set(filter, "caps", caps.get(), nullptr);
        gst_bin_add(GST_BIN(bin), filter);
        gst_element_link(last, filter);
        last = filter;
        if (kind == CDataClass::SourceScreen) {
            // The screen grabber must not wait on a slow consumer.
            GstElement *queue = makeElement("queue", nullptr);
            g_object_set(queue, "max-size-buffers", 2, "leaky", 2 /* downstream */, nullptr);
            gst_bin_add(GST_BIN(bin), queue);
            gst_element_link(last, queue);
            last = queue;
        }
    } else if (kind == CDataClass::SourceStream) {
        // uridecodebin offers its pads once the stream is known.
        GstElement *queue = makeElement("queue", nullptr);
        gst_bin_add(GST_BIN(bin), queue);
        g_signal_connect(source, "pad-added", G_CALLBACK(+[](GstElement *, GstPad *pad, gpointer q) {
            GstMiniPtr<GstCaps> caps(gst_pad_get_current_caps(pad));
            if (!caps)
                caps.reset(gst_pad_query_caps(pad, nullptr));
            const GstStructure *s = caps ? gst_caps_get_structure(caps.get(), 0) : nullptr;
            if (!s || !g_str_has_prefix(gst_structure_get_name(s), "video/"))
                return;
            GstObjectPtr<GstPad> sink(gst_element_get_static_pad(GST_ELEMENT(q), "sink"));
            if (!gst_pad_is_linked(sink.get()))
                gst_pad_link(pad, sink.get());
        }), queue);
        last = queue;
    }
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(last, "src"));
    if (!pad) {
        gst_object_unref(bin);
        return nullptr;
    }
    gst_element_add_pad(bin, gst_ghost_pad_new("src", pad.get()));
    return bin;
}

// True when the source offers raw video (else it is taken as MJPEG).
bool sourceOffersRaw(GstElement *cap)
{
    if (gst_element_set_state(cap, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(cap, GST_STATE_NULL);
        return true;  // unknown: the run reports the failure
    }
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(cap, "src"));
    GstMiniPtr<GstCaps> caps(gst_pad_query_caps(pad.get(), nullptr));
    GstMiniPtr<GstCaps> raw(gst_caps_from_string("video/x-raw"));
    const bool offersRaw = !caps || gst_caps_is_any(caps.get()) || gst_caps_can_intersect(caps.get(), raw.get());
    gst_element_set_state(cap, GST_STATE_NULL);
    return offersRaw;
}

} // namespace

UsbCamera::UsbCamera(Option &option, QObject *owner, QObject *notify, std::uintptr_t hostId,
                     std::unique_ptr<CameraDisplay> display, const QString &source, int index,
                     int cameraNumber)
    : m_pOwner(owner), m_Option(option), m_pDisplay(std::move(display))
{
    ensureGStreamer();
    gst_video_info_init(&m_VideoInfo);
    m_cb.m_Index = index;
    m_cb.m_pOption = &option;
    m_cb.m_pCameraLock = &m_CameraLock;
    m_pMessenger = std::make_unique<CameraMessenger>(index, owner, notify, hostId);
    m_cb.m_pMessenger = m_pMessenger.get();

    const QString folder = option.userFolder();
    m_pCaptureVideo = std::make_unique<RecordClass_Broadcast>(cameraNumber, QStringLiteral("captureVideo.bin"), folder);
    m_pCaptureImage = std::make_unique<RecordClass>(cameraNumber, QStringLiteral("captureImage.bin"), folder);
    m_pMoveCheck = std::make_unique<RecordClass_Broadcast>(cameraNumber, QStringLiteral("MoveCheck.bin"), folder);
    m_pCaptureImageFTP = std::make_unique<RecordClass_FTP>(cameraNumber, QStringLiteral("captureImageFTP.bin"),
                                                           folder, &m_cb.m_pUploadQueue, owner);
    m_pBroadcast = std::make_unique<RecordClass_Broadcast>(cameraNumber, QStringLiteral("Broadcast.bin"), folder);

    m_pCaptureImageFTP->uploadQueue = &m_cb.m_pUploadQueue;
    m_cb.m_UploadOn = m_pCaptureImageFTP->uploadMotionPictures ? 1 : 0;
    // The queue's journal sits beside the camera's settings files; the first
    // start puts what it holds back into the queue.
    m_pCaptureImageFTP->setUploadMachinery(std::make_unique<FtpUploader>(
        index, folder.isEmpty() ? QString() : perCameraFile(folder, cameraNumber, QStringLiteral("uploadQueue.txt"))));
    m_pCaptureImageFTP->applyFtpSettings();
    m_pCaptureImageFTP->startUploadThread();

    m_pData = std::make_unique<CDataClass>();
    m_pData->load(cameraNumber, folder);
    m_pData->m_SourceId = source;
    m_cb.m_pRecord = m_pData.get();
    m_pMotion = std::make_unique<MotionDetector>(m_cb);
    m_cb.m_pMotionCheck = m_pMotion.get();

    if (m_pData->m_CameraName == QLatin1String("noset"))
        m_pData->m_CameraName = QString::asprintf("%d#", index);

    ENGINE_LOG(index) << "created for source" << source;
    Start(owner, notify, hostId);

    if (m_pData->m_VideoCompressorRecommended)
        m_pData->m_VideoCompressor = recommendedVideoCompressor(option.videoCompressors);
    if (m_pData->m_AudioCompressorRecommended && !option.audioCompressors.isEmpty())
        m_pData->m_AudioCompressor = recommendedAudioCompressor(option.audioCompressors);
}

UsbCamera::~UsbCamera()
{
    const int index = m_cb.m_Index;
    // Windows still showing this camera let go of it before anything of
    // it is torn down.
    m_pLife.reset();
    Disable();
    m_pData->save();
    m_cb.m_pRecord = nullptr;
    m_pData.reset();
    m_pCaptureVideo.reset();
    m_pCaptureImage.reset();
    m_pBroadcast.reset();
    m_pMoveCheck.reset();
    m_pCaptureImageFTP.reset();
    DestroyOverlays();
    m_cb.m_pPrevFrame.clear();
    m_cb.m_pUploadQueue.clear();
    m_pMessenger.reset();
    m_pDisplay.reset();
    ENGINE_LOG(index) << "destroyed";
}

bool UsbCamera::Start(QObject *owner, QObject *notify, std::uintptr_t hostId)
{
    m_cb.m_Disabled = 0;
    m_cb.m_pRecord = m_pData.get();
    DestroyOverlays();
    CreateOverlays();

    m_cb.m_hOwnerWnd = owner;
    m_cb.m_hNotifyWnd = notify;
    m_cb.m_hHostWnd = hostId;
    m_pMessenger->setTargets(owner, notify, hostId);
    m_cb.m_GraphMode = kModePreview;
    m_RecordFile.clear();

    {
        std::lock_guard guard(m_CameraLock);
        if (m_pData->m_CapDir_root.isEmpty() || !QFileInfo(m_pData->m_CapDir_root).isDir())
            m_pData->m_CapDir_root = m_Option.userFolder();
        if (m_pData->m_ImgDir_root.isEmpty() || !QFileInfo(m_pData->m_ImgDir_root).isDir())
            m_pData->m_ImgDir_root = m_Option.userFolder();
    }

    if (m_pData->sourceKind() == CDataClass::SourceStream) {
        // Stream cameras wait for Enable.
        m_cb.m_Disabled = 1;
        ENGINE_LOG(m_cb.m_Index) << "stream source: starts disabled";
        return true;
    }
    if (!BuildPreview()) {
        TearDown();
        return false;
    }
    PrepareOverlays();
    return true;
}

void UsbCamera::CreateOverlays()
{
    // Frames reach the hook as 24-bit BGR whatever the source gives.
    auto name = std::make_unique<COverlayController>(*m_pData, COverlayController::Role::Name, &m_CameraLock);
    auto time = std::make_unique<COverlayController>(*m_pData, COverlayController::Role::Time, &m_CameraLock);
    name->SetNamePixelFormat(m_cb.m_PixelFormat);
    time->SetTimePixelFormat(m_cb.m_PixelFormat);
    m_cb.m_pNameOverlay = std::move(name);
    m_cb.m_pTimeOverlay = std::move(time);
}

void UsbCamera::DestroyOverlays()
{
    m_cb.m_pNameOverlay.reset();
    m_cb.m_pTimeOverlay.reset();
}

void UsbCamera::PrepareOverlays()
{
    // Runs while frames may already flow: the overlays only draw once
    // prepared or armed, and they read the record under the camera lock.
    if (auto *name = static_cast<COverlayController *>(m_cb.m_pNameOverlay.get())) {
        name->StopName();
        name->ArmName();
        name->PrepareName();
    }
    if (auto *time = static_cast<COverlayController *>(m_cb.m_pTimeOverlay.get())) {
        time->StopTime();
        time->ArmTimeFonts();
        time->ArmTime();
    }
}

bool UsbCamera::BuildGraph(bool broadcast)
{
    const int index = m_cb.m_Index;
    const int kind = m_pData->sourceKind();

    m_pGraph = gst_pipeline_new(QStringLiteral("camera%1").arg(index).toUtf8().constData());
    if (!m_pGraph) {
        reportErrorBox(QStringLiteral("Could not create filter graph"));
        return false;
    }
    gst_object_ref_sink(m_pGraph);

    FoundSource found = findVideoSource(m_pData->m_SourceId, kind);
    m_pData->m_DeviceName = found.deviceName;
    if (!found.element) {
        ENGINE_WARN(index) << "no video source for" << m_pData->m_SourceId;
        return false;
    }
    if (kind == CDataClass::SourceStream)
        g_object_set(found.element, "uri", m_pData->m_SourceId.toUtf8().constData(), nullptr);
    if (kind == CDataClass::SourceScreen)
        guardAgainstXServerLoss();
    m_pVideoSource = wrapSource(found.element, kind, found.isTestSource);
    if (!m_pVideoSource) {
        reportPlain(QStringLiteral("Cannot get video source"));
        return false;
    }
    gst_object_ref_sink(m_pVideoSource);
    if (!gst_bin_add(GST_BIN(m_pGraph), m_pVideoSource)) {
        reportErrorBox(QStringLiteral("Could not put capture device in graph"));
        return false;
    }

    m_pSmartTee = makeElement("tee", "Smart tee");
    if (!m_pSmartTee) {
        reportErrorBox(QStringLiteral("Could not create SmartTee"));
        return false;
    }
    gst_object_ref_sink(m_pSmartTee);
    if (!gst_bin_add(GST_BIN(m_pGraph), m_pSmartTee)) {
        reportErrorBox(QStringLiteral("Could not put Smart tee in graph"));
        return false;
    }

    // The grabber turns every frame into BGR; the frame hook sits on its
    // output, before the tee, so the hook's drawing reaches every branch
    // without a copy.
    m_pGrabber = gst_bin_new("Grabber");
    GstElement *convert = makeElement("videoconvert", nullptr);
    GstElement *format = makeElement("capsfilter", nullptr);
    if (!m_pGrabber || !convert || !format) {
        if (convert)
            gst_object_unref(convert);
        if (format)
            gst_object_unref(format);
        reportErrorBox(QStringLiteral("Could not create SampleGrabber (is qedit.dll registered?)"));
        return false;
    }
    gst_object_ref_sink(m_pGrabber);
    gst_bin_add_many(GST_BIN(m_pGrabber), convert, format, nullptr);
    {
        GstMiniPtr<GstCaps> bgr(capsFromString("video/x-raw,format=BGR"));
        if (!bgr || !gst_element_link(convert, format)) {
            reportErrorBox(QStringLiteral("Could not set media type"));
            return false;
        }
        g_object_set(format, "caps", bgr.get(), nullptr);
        GstObjectPtr<GstPad> in(gst_element_get_static_pad(convert, "sink"));
        GstObjectPtr<GstPad> out(gst_element_get_static_pad(format, "src"));
        gst_element_add_pad(m_pGrabber, gst_ghost_pad_new("sink", in.get()));
        gst_element_add_pad(m_pGrabber, gst_ghost_pad_new("src", out.get()));
        gst_pad_add_probe(out.get(),
                          GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          &UsbCamera::FrameProbe, this, nullptr);
    }
    if (!gst_bin_add(GST_BIN(m_pGraph), m_pGrabber)) {
        reportErrorBox(QStringLiteral("Could not put sample grabber in graph"));
        return false;
    }

    // The renderer: a queue (every tee branch needs its own) and the sink
    // that hands frames to the host's display.
    m_pVideoRenderer = gst_bin_new("Video Renderer");
    GstElement *queue = makeElement("queue", nullptr);
    GstElement *sink = m_pDisplay ? makeElement("appsink", nullptr) : makeElement("fakesink", nullptr);
    if (!m_pVideoRenderer || !queue || !sink) {
        if (queue)
            gst_object_unref(queue);
        if (sink)
            gst_object_unref(sink);
        reportPlain(QStringLiteral("Cannot create VideoRenderer"));
        return false;
    }
    gst_object_ref_sink(m_pVideoRenderer);
    g_object_set(queue, "max-size-buffers", 2, "leaky", 2 /* downstream */, nullptr);
    if (m_pDisplay) {
        g_object_set(sink, "max-buffers", 1, "drop", TRUE, "sync", FALSE, "emit-signals", TRUE, nullptr);
        g_signal_connect(sink, "new-sample", G_CALLBACK(&UsbCamera::NewDisplaySample), this);
    } else {
        g_object_set(sink, "sync", FALSE, nullptr);
    }
    gst_bin_add_many(GST_BIN(m_pVideoRenderer), queue, sink, nullptr);
    gst_element_link(queue, sink);
    {
        GstObjectPtr<GstPad> in(gst_element_get_static_pad(queue, "sink"));
        gst_element_add_pad(m_pVideoRenderer, gst_ghost_pad_new("sink", in.get()));
    }
    if (!gst_bin_add(GST_BIN(m_pGraph), m_pVideoRenderer)) {
        reportErrorBox(QStringLiteral("Could not put VideoRenderer in graph"));
        return false;
    }

    if (kind == CDataClass::SourceDevice) {
        // Raw frames go through the converter; MJPEG needs a decoder.
        const bool raw = sourceOffersRaw(m_pVideoSource);
        if (raw) {
            m_pAVIDecompressor = makeElement("videoconvert", "AVI Decompressor");
            if (!m_pAVIDecompressor) {
                reportPlain(QStringLiteral("Cannot create AVIDecompressor"));
                return false;
            }
            gst_object_ref_sink(m_pAVIDecompressor);
            if (!gst_bin_add(GST_BIN(m_pGraph), m_pAVIDecompressor)) {
                reportErrorBox(QStringLiteral("Could not put AVI Decompressor in graph"));
                return false;
            }
            if (!gst_element_link(m_pVideoSource, m_pAVIDecompressor)) {
                gst_bin_remove(GST_BIN(m_pGraph), m_pAVIDecompressor);
                gst_object_unref(m_pAVIDecompressor);
                m_pAVIDecompressor = nullptr;
            }
        }
        if (!m_pAVIDecompressor) {
            m_pAVIDecompressor = makeElement("jpegdec", "Mjpeg Dec");
            if (!m_pAVIDecompressor) {
                reportPlain(QStringLiteral("Cannot create Mjpeg Dec"));
                return false;
            }
            gst_object_ref_sink(m_pAVIDecompressor);
            if (!gst_bin_add(GST_BIN(m_pGraph), m_pAVIDecompressor)) {
                reportErrorBox(QStringLiteral("Could not put Mjpeg Dec in graph"));
                return false;
            }
            if (!gst_element_link(m_pVideoSource, m_pAVIDecompressor)) {
                reportPlain(QStringLiteral("Cannot connect smart tee to Mjpeg Dec in"));
                return false;
            }
        }
        if (!gst_element_link(m_pAVIDecompressor, m_pGrabber)) {
            reportPlain(QStringLiteral("Cannot connect AVI Decompressor to GrabBase"));
            return false;
        }
    } else if (!gst_element_link(m_pVideoSource, m_pGrabber)) {
        reportPlain(QStringLiteral("Cannot connect smart tee to GrabBase in"));
        return false;
    }

    if (!gst_element_link(m_pGrabber, m_pSmartTee))
        reportPlain(QStringLiteral("Cannot connect up video chain"));
    if (!gst_element_link(m_pSmartTee, m_pVideoRenderer))
        ENGINE_WARN(index) << "renderer not connected";

    if (broadcast) {
        switch (BuildBroadcastBranch()) {
        case BroadcastBuild::Failed:
            return false;
        case BroadcastBuild::CountsAsStarted:
            return true;  // broadcasting without a running pipeline; a stop restores the preview
        case BroadcastBuild::Ready:
            break;
        }
    }

    ++m_PipelineGeneration;
    m_RunningGeneration = m_PipelineGeneration;
    {
        GstObjectPtr<GstBus> bus(gst_element_get_bus(m_pGraph));
        gst_bus_set_sync_handler(bus.get(), &UsbCamera::BusSync, this, nullptr);
    }
    m_pMessenger->resumeSends();

    if (gst_element_set_state(m_pGraph, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        reportErrorBox(QStringLiteral("Could not run graph"));
        if (!broadcast)
            return false;
        // The broadcast goes on being "started"; a stop restores the preview.
        return true;
    }
    if (broadcast) {
        m_pBroadcastServer->start();
        ENGINE_LOG(index) << "broadcast running on" << m_LocalUrl;
        return true;
    }
    m_cb.m_GraphMode = kModePreview;
    ENGINE_LOG(index) << "preview running:" << m_pData->m_DeviceName;
    return true;
}

UsbCamera::BroadcastBuild UsbCamera::BuildBroadcastBranch()
{
    const int index = m_cb.m_Index;
    QString note;
    const BroadcastProfile profile = BroadcastProfile::fromRecord(
        m_pData->m_BroadcastSize, m_pData->m_BroadcastFPS, m_pData->m_BroadcastBitRate, m_pData->m_BroadcastAudio, &note);
    if (!note.isEmpty())
        ENGINE_WARN(index) << "broadcast profile: defaults used for" << note;

    m_pBroadcastGraph = std::make_unique<BroadcastGraph>();
    QString error;
    if (!m_pBroadcastGraph->build(m_pGraph, m_pSmartTee, profile, m_KeepRecording ? m_RecordTemp : QString(),
                                  &error)) {
        // The branch's elements are the pipeline's; keep references so the
        // tear-down releases them with it.
        m_pBroadcastGraph.reset();
        ENGINE_WARN(index) << "broadcast branch:" << error;
        reportErrorBox(error);
        return BroadcastBuild::Failed;
    }
    auto keep = [](GstElement *e) { return e ? GST_ELEMENT(gst_object_ref(e)) : nullptr; };
    m_pFileWriter = keep(m_pBroadcastGraph->writer());
    m_pWriter2 = keep(m_pBroadcastGraph->muxer());
    m_pNetSink = keep(m_pBroadcastGraph->netSink());
    m_pSink = keep(m_pBroadcastGraph->fileSink());

    int maxClients = m_pData->m_maxClient;
    if (maxClients < 1) {
        ENGINE_WARN(index) << "broadcast: client limit" << maxClients << "replaced by" << kDefaultMaxClients;
        maxClients = kDefaultMaxClients;
    } else if (maxClients > kMaxClientsLimit) {
        ENGINE_WARN(index) << "broadcast: client limit" << maxClients << "lowered to" << kMaxClientsLimit;
        maxClients = kMaxClientsLimit;
    }
    m_pBroadcastServer = std::make_unique<BroadcastServer>(maxClients);
    if (!m_pBroadcastServer->open(m_pData->m_Port, &error)) {
        ENGINE_WARN(index) << "broadcast:" << error;
        m_pBroadcastServer.reset();
        reportPlain(QStringLiteral("Port opening failed"));
        return BroadcastBuild::CountsAsStarted;
    }
    m_pBroadcastServer->setSinks(m_pBroadcastGraph->netSink(), m_pBroadcastGraph->framedSink());
    m_LocalUrl = BroadcastServer::localUrl(m_pBroadcastServer->port());

    if (profile.audio) {
        const int position = std::max<qsizetype>(0, m_Option.audioInputs.indexOf(m_pData->m_AudioDevice));
        const bool testTone = m_pData->m_SourceId.compare(QLatin1String("testsrc"), Qt::CaseInsensitive) == 0;
        if (!m_pBroadcastGraph->addAudio(m_pGraph, testTone, int(position), &error))
            ENGINE_WARN(index) << "broadcast audio left out:" << error;
        m_pAudiosor = gst_bin_get_by_name(GST_BIN(m_pGraph), "ACap");  // a reference of ours
    }
    return BroadcastBuild::Ready;
}

bool UsbCamera::StartBroadcast(bool withRecording)
{
    const int index = m_cb.m_Index;
    ENGINE_LOG(index) << "broadcast start, recording" << withRecording;
    TearDown();
    CreateOverlays();

    const QDateTime now = QDateTime::currentDateTime();
    QString folder;
    {
        std::lock_guard guard(m_CameraLock);
        folder = m_pData->recordFolder(now);
    }
    const QDate d = now.date();
    const QTime t = now.time();
    m_RecordFile = folder + QString::asprintf("%04d-%02d-%02d %02d%02d%02d%03d.wmv", d.year(), d.month(), d.day(),
                                              t.hour(), t.minute(), t.second(), t.msec());
    if (QFile::exists(m_RecordFile))
        QFile::remove(m_RecordFile);
    m_KeepRecording = withRecording;
    m_RecordTemp.clear();
    if (withRecording) {
        QString error;
        if (auto temp = vq::createTempFileFor(m_RecordFile, &error)) {
            m_RecordTemp = *temp;
        } else {
            reportPlain(QStringLiteral("Cannot create FileWriter"));
            ENGINE_WARN(index) << "recording file:" << error;
            TearDown();
            m_RecordFile.clear();
            return false;
        }
    }

    if (!BuildGraph(true)) {
        TearDown();
        if (!m_RecordTemp.isEmpty())
            QFile::remove(m_RecordTemp);
        m_RecordTemp.clear();
        m_cb.m_GraphMode = kModePreview;
        return false;
    }
    PrepareOverlays();
    m_cb.m_GraphMode = kModeBroadcast;
    const CameraEventRecord record = makeCameraEventRecord(
        withRecording ? QuorvelEvent_BroadcastWithRecording : QuorvelEvent_BroadcastWithoutRecording,
        m_Option.getText(kTextCamera), m_Option.getText(kTextBroadcastStarted), m_pData->m_CameraName, index,
        m_RecordFile, now);
    m_pMessenger->sendRecord(record);
    return true;
}

void UsbCamera::StopBroadcast()
{
    if (m_cb.m_GraphMode != kModeBroadcast)
        return;
    ENGINE_LOG(m_cb.m_Index) << "broadcast stop";
    TearDown();
    CreateOverlays();
    if (BuildPreview())
        PrepareOverlays();
    else
        TearDown();
    const CameraEventRecord record = makeCameraEventRecord(
        QuorvelEvent_NetworkSnapshotOrBroadcastStop, m_Option.getText(kTextCamera),
        m_Option.getText(kTextBroadcastStopped), m_pData->m_CameraName, m_cb.m_Index, QString(),
        QDateTime::currentDateTime());
    m_pMessenger->sendRecord(record);
}

int UsbCamera::BroadcastClients() const
{
    return m_pBroadcastServer ? m_pBroadcastServer->clientCount() : 0;
}

void UsbCamera::BuildPublicUrl()
{
    QString error;
    const std::optional<QString> address = PublicAddressClient(
        IniFile::load(m_Option.iniPath)
            .read(QStringLiteral("Settings"), QString::fromLatin1(PublicAddressClient::kEndpointKey), QString())
            .trimmed()).getIP(&error);
    if (!address || address->isEmpty()) {
        if (!error.isEmpty())
            ENGINE_WARN(m_cb.m_Index) << "public address:" << error;
        m_PublicUrl.clear();
        return;
    }
    m_PublicUrl = QStringLiteral("http://") + *address + QStringLiteral(":")
        + QString::asprintf("%lu", static_cast<unsigned long>(m_pData->m_Port));
}

void UsbCamera::EndBroadcastFile()
{
    // Runs after the pipeline stopped: the file sink has closed the file.
    if (m_RecordTemp.isEmpty())
        return;
    if (m_KeepRecording) {
        QString error;
        if (!vq::commitWrittenFile(m_RecordTemp, m_RecordFile, &error)) {
            ENGINE_WARN(m_cb.m_Index) << "recording not kept:" << error;
            reportPlain(QStringLiteral("Recording file could not be written: %1").arg(error));
        }
    } else {
        QFile::remove(m_RecordTemp);
    }
    m_RecordTemp.clear();
}

void UsbCamera::TearDown()
{
    const int index = m_cb.m_Index;
    // Release a frame that waits for the UI thread before stopping: stopping
    // joins the streaming thread.
    m_pMessenger->cancelSends();
    if (m_pBroadcastGraph && m_pBroadcastServer && IsRunning() && !m_pBroadcastGraph->endRecording(3000)
        && m_pBroadcastGraph->fileSink())
        ENGINE_WARN(index) << "recording did not reach its end in time";
    if (m_pBroadcastServer)
        m_pBroadcastServer->stopAccepting();
    if (m_pGraph) {
        GstObjectPtr<GstBus> bus(gst_element_get_bus(m_pGraph));
        gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
        gst_bus_set_flushing(bus.get(), TRUE);
        gst_element_set_state(m_pGraph, GST_STATE_NULL);
    }
    if (m_pBroadcastServer)
        m_pBroadcastServer->closeHandedSockets();  // the sink is stopped: close what it kept
    m_pBroadcastServer.reset();
    if (m_pDisplay)
        m_pDisplay->clear();

    auto removeMember = [this](GstElement *&member, const char *logLine) {
        if (!member)
            return;
        if (m_pGraph && GST_OBJECT_PARENT(member) == GST_OBJECT(m_pGraph))
            gst_bin_remove(GST_BIN(m_pGraph), member);
        gst_element_set_state(member, GST_STATE_NULL);
        gst_object_unref(member);
        member = nullptr;
        if (logLine)
            ENGINE_LOG(m_cb.m_Index) << logLine;
    };
    removeMember(m_pGrabber, "m_pGrabber REMOVE OK");
    removeMember(m_pAudiosor, "m_pAudiosor REMOVE  OK");
    removeMember(m_pVideoSource, nullptr);
    removeMember(m_pSmartTee, "m_pSmartTee REMOVE  OK");
    removeMember(m_pAVIDecompressor, "m_pAVIDecompressor REMOVE  OK");
    removeMember(m_pVideoRenderer, "m_pVideoRenderer REMOVE  OK");
    removeMember(m_pSink, "m_pSink REMOVE  OK");
    if (m_pWriter2) {
        removeMember(m_pNetSink, nullptr);
        removeMember(m_pWriter2, "m_pWriter2 REMOVE  OK");
    }
    removeMember(m_pFileWriter, "m_pFileWriter REMOVE  OK");
    if (m_pGraph) {
        gst_object_unref(m_pGraph);
        m_pGraph = nullptr;
    }

    m_pBroadcastGraph.reset();
    EndBroadcastFile();
    if (m_cb.m_GraphMode == kModeBroadcast && !m_KeepRecording && !m_RecordFile.isEmpty()
        && QFile::exists(m_RecordFile))
        QFile::remove(m_RecordFile);
    m_cb.m_GraphMode = kModePreview;
    DestroyOverlays();
    gst_video_info_init(&m_VideoInfo);
    ENGINE_LOG(index) << "graph torn down";
}

void UsbCamera::SendStateRecord(int textId)
{
    const QString text = m_Option.getText(textId);
    const CameraEventRecord record = makeCameraEventRecord(QuorvelEvent_CameraDisabledOrEnabled, text, text,
                                                           m_pData->m_CameraName, m_cb.m_Index, QString(),
                                                           QDateTime::currentDateTime());
    m_pMessenger->sendRecord(record);
}

void UsbCamera::Disable()
{
    const int index = m_cb.m_Index;
    ENGINE_LOG(index) << "disable";
    {
        std::lock_guard guard(m_CameraLock);
        m_pData->m_MoveCheck = false;
    }
    TearDown();
    // Uploads stop once the pipeline has stopped, so the journal the thread
    // writes on its way out also holds the pictures the last frames queued.
    m_pCaptureImageFTP->stopUploadThread();
    SendStateRecord(kTextDisabled);
    m_cb.m_Disabled = 1;
}

void UsbCamera::Enable()
{
    ENGINE_LOG(m_cb.m_Index) << "enable";
    SendStateRecord(kTextEnabled);
    TearDown();
    // Disable stopped the uploads; what waits in the queue goes out again.
    m_pCaptureImageFTP->startUploadThread();
    CreateOverlays();
    if (BuildPreview())
        PrepareOverlays();
    else
        TearDown();
    m_cb.m_Disabled = 0;
}

bool UsbCamera::IsRunning() const
{
    if (!m_pGraph)
        return false;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(m_pGraph, &state, nullptr, 0);
    return state == GST_STATE_PLAYING;
}

QList<QPair<QString, QString>> UsbCamera::SourceProperties() const
{
    if (!m_pGraph || !m_pVideoSource)
        return {};
    // The properties of the source element itself, not of its helpers.
    GstElement *source = nullptr;
    GstIterator *it = gst_bin_iterate_sources(GST_BIN(m_pVideoSource));
    GValue item = G_VALUE_INIT;
    if (gst_iterator_next(it, &item) == GST_ITERATOR_OK)
        source = GST_ELEMENT(g_value_dup_object(&item));
    g_value_unset(&item);
    gst_iterator_free(it);
    if (!source)
        return {};
    auto props = elementProperties(source);
    gst_object_unref(source);
    return props;
}

void UsbCamera::SetImgDirRoot(const QString &folder)
{
    std::lock_guard guard(m_CameraLock);
    m_pData->m_ImgDir_root = folder;
}

void UsbCamera::SetCapDirRoot(const QString &folder)
{
    std::lock_guard guard(m_CameraLock);
    m_pData->m_CapDir_root = folder;
}

QString UsbCamera::ImgDirRoot() const
{
    std::lock_guard guard(m_CameraLock);
    return m_pData->m_ImgDir_root;
}

QString UsbCamera::CapDirRoot() const
{
    std::lock_guard guard(m_CameraLock);
    return m_pData->m_CapDir_root;
}

void UsbCamera::SetTestWindow(TestWindowSink *window)
{
    std::lock_guard guard(m_CameraLock);
    m_cb.m_hTestWnd = window;
}

void UsbCamera::ClearTestWindow()
{
    std::lock_guard guard(m_CameraLock);
    m_cb.m_hTestWnd = nullptr;
}

void UsbCamera::RedrawName()
{
    if (auto *name = static_cast<COverlayController *>(m_cb.m_pNameOverlay.get()))
        name->PrepareName();
}

QSize UsbCamera::NameTextSize() const
{
    if (auto *name = static_cast<COverlayController *>(m_cb.m_pNameOverlay.get())) {
        const TextMask mask = name->mask();
        return {mask.width, mask.height};
    }
    return {};
}

QSize UsbCamera::TimeTextSize() const
{
    if (auto *time = static_cast<COverlayController *>(m_cb.m_pTimeOverlay.get())) {
        const TextMask mask = time->mask();
        return {mask.width, mask.height};
    }
    return {};
}

void UsbCamera::OnStreamFailure(std::uint64_t generation, const QString &detail)
{
    if (generation != m_PipelineGeneration || !m_pGraph)
        return;  // a message of a pipeline that is already gone
    ENGINE_WARN(m_cb.m_Index) << "stream stopped:" << detail;
    // The camera keeps its state; Disable and Enable build a new pipeline.
    TearDown();
    if (!detail.isEmpty())
        reportErrorBox(QStringLiteral("Could not run graph"));
}

GstPadProbeReturn UsbCamera::FrameProbe(GstPad *, GstPadProbeInfo *info, gpointer self)
{
    auto *cam = static_cast<UsbCamera *>(self);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent *ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(ev) == GST_EVENT_CAPS) {
            GstCaps *caps = nullptr;
            gst_event_parse_caps(ev, &caps);
            if (caps && gst_video_info_from_caps(&cam->m_VideoInfo, caps)) {
                cam->m_cb.m_Width = GST_VIDEO_INFO_WIDTH(&cam->m_VideoInfo);
                cam->m_cb.m_Height = GST_VIDEO_INFO_HEIGHT(&cam->m_VideoInfo);
                cam->m_cb.m_PixelFormat = 6;
            }
        }
        return GST_PAD_PROBE_OK;
    }
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (!buffer || GST_VIDEO_INFO_WIDTH(&cam->m_VideoInfo) == 0)
        return GST_PAD_PROBE_OK;
    GST_PAD_PROBE_INFO_DATA(info) = runFrameHook(buffer, cam->m_VideoInfo, cam->m_cb);
    return GST_PAD_PROBE_OK;
}

GstFlowReturn UsbCamera::NewDisplaySample(GstElement *sink, gpointer self)
{
    auto *cam = static_cast<UsbCamera *>(self);
    GstSample *sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample)
        return GST_FLOW_OK;
    if (cam->m_pDisplay)
        cam->m_pDisplay->presentSample(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstBusSyncReply UsbCamera::BusSync(GstBus *, GstMessage *message, gpointer self)
{
    auto *cam = static_cast<UsbCamera *>(self);
    const int index = cam->m_cb.m_Index;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError *err = nullptr;
        gchar *debug = nullptr;
        gst_message_parse_error(message, &err, &debug);
        const QString element = QString::fromUtf8(GST_OBJECT_NAME(GST_MESSAGE_SRC(message)));
        const QString text = QString::fromUtf8(err ? err->message : "unknown error");
        ENGINE_WARN(index) << "error from" << element << ":" << text << "|" << (debug ? debug : "");
        g_clear_error(&err);
        g_free(debug);
        const std::uint64_t generation = cam->m_RunningGeneration.load();
        cam->m_pMessenger->postNotify(WM_CAMERA_GRAPHEVENT, std::uintptr_t(GST_MESSAGE_ERROR), 0);
        cam->m_pMessenger->queueOnUi([cam, generation, text] { cam->OnStreamFailure(generation, text); });
        break;
    }
    case GST_MESSAGE_EOS: {
        ENGINE_LOG(index) << "end of stream";
        const std::uint64_t generation = cam->m_RunningGeneration.load();
        cam->m_pMessenger->postNotify(WM_CAMERA_GRAPHEVENT, std::uintptr_t(GST_MESSAGE_EOS), 0);
        cam->m_pMessenger->queueOnUi([cam, generation] { cam->OnStreamFailure(generation, QString()); });
        break;
    }
    case GST_MESSAGE_WARNING: {
        GError *err = nullptr;
        gst_message_parse_warning(message, &err, nullptr);
        ENGINE_WARN(index) << "warning:" << (err ? err->message : "");
        g_clear_error(&err);
        break;
    }
    default:
        break;
    }
    // A sync handler that drops a message owns it; an unreleased message
    // keeps its source element, and with it the whole pipeline, alive.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

} // namespace quorvel
