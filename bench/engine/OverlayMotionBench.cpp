// Overlay and motion benchmarks, each against a baseline measured in the
// same run:
// - the whole frame path (mapping, name and time overlays with the time
//   shown, a motion check over the full frame with its copy into the
//   previous frame) against one memcpy of the frame;
// - the motion compare against OpenCV's equivalent (absdiff, threshold per
//   channel, the channels combined, countNonZero) on the same frames and
//   region, and against the scalar reference;
// - live "testsrc" cameras at 640 x 480 @ 30 for 10 s: CPU seconds per
//   camera-second with overlays and motion on, and with the hooks off.
#include "CDataClass.h"
#include "COverlayController.h"
#include "CSampleGrabberCB.h"
#include "CameraLibrary.h"
#include "FrameProbe.h"
#include "GstPtr.h"
#include "LibReporter.h"
#include "MotionCompare.h"
#include "MotionDetector.h"
#include "UsbCamera.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <cstring>
#include <random>
#include <vector>

using namespace quorvel;

namespace {

GstVideoInfo bgrInfo(int w, int h)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGR, guint(w), guint(h));
    return info;
}

// Two frames that differ in a quarter of their pixels, by small and large
// amounts (so neither compare can skip ahead).
struct FramePair {
    FramePair(int w, int h) : width(w), height(h), stride((w * 3 + 3) & ~3)
    {
        a.resize(std::size_t(stride) * std::size_t(h));
        b.resize(a.size());
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> byte(0, 255), coin(0, 3), small(-12, 12);
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = std::uint8_t(byte(rng));
            b[i] = coin(rng) ? std::uint8_t(std::clamp(a[i] + small(rng), 0, 255)) : std::uint8_t(byte(rng));
        }
    }
    VideoFrame frameA() { return VideoFrame{a.data(), width, height, stride, false}; }
    int width, height, stride;
    std::vector<std::uint8_t> a, b;
};

void BM_FrameMemcpy(benchmark::State &state)
{
    const GstVideoInfo info = bgrInfo(int(state.range(0)), int(state.range(1)));
    const std::size_t size = GST_VIDEO_INFO_SIZE(&info);
    std::vector<std::uint8_t> a(size, 1), b(size);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), size);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}

void BM_FramePathOverlaysAndMotion(benchmark::State &state)
{
    ensureGStreamer();
    const int w = int(state.range(0)), h = int(state.range(1));
    const GstVideoInfo info = bgrInfo(w, h);
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    {
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_WRITE);
        std::memset(map.data, 0x30, map.size);
        gst_buffer_unmap(buffer, &map);
    }
    CDataClass record;
    record.m_CameraName = QStringLiteral("大门 0#");
    record.m_ShowTime = 1;
    record.m_TimeFormat = 1;
    record.m_MoveCheck = true;
    record.m_MoveInterval = 0;  // a check on every frame
    record.m_MoveRect = {0, 0, w, h};
    std::mutex cameraLock;
    CSampleGrabberCB cb;
    cb.m_pRecord = &record;
    cb.m_pCameraLock = &cameraLock;
    auto name = std::make_unique<COverlayController>(record, COverlayController::Role::Name, &cameraLock);
    auto time = std::make_unique<COverlayController>(record, COverlayController::Role::Time, &cameraLock);
    name->SetNamePixelFormat(6);
    time->SetTimePixelFormat(6);
    name->ArmName();
    name->PrepareName();
    time->ArmTimeFonts();
    time->ArmTime();
    cb.m_pNameOverlay = std::move(name);
    cb.m_pTimeOverlay = std::move(time);
    MotionDetector motion(cb);
    cb.m_pMotionCheck = &motion;
    // The first checked frame only keeps the frame; the time mask is
    // rendered once a second.
    for (int i = 0; i < 2; ++i)
        buffer = runFrameHook(buffer, info, cb);
    for (auto _ : state) {
        buffer = runFrameHook(buffer, info, cb);
        benchmark::DoNotOptimize(buffer);
    }
    if (!motion.lastResult().compared || motion.lastResult().area != std::int64_t(w) * h)
        state.SkipWithError("the motion check did not run over the frame");
    gst_buffer_unref(buffer);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(GST_VIDEO_INFO_SIZE(&info)));
}

void BM_MotionCompare(benchmark::State &state)
{
    FramePair f(int(state.range(0)), int(state.range(1)));
    const VideoFrame frame = f.frameA();
    const MotionRegion region{0, 0, f.width, f.height};
    std::int64_t n = 0;
    for (auto _ : state) {
        n = countChangedPixels(frame, f.b.data(), region, 8);
        benchmark::DoNotOptimize(n);
    }
    state.counters["changed"] = double(n);
}

// range(2): the instruction set (0 SSE2, 1 AVX2, 2 AVX-512BW).
void BM_MotionCompareIsa(benchmark::State &state)
{
    const auto isa = MotionIsa(state.range(2));
    if (!motionIsaAvailable(isa)) {
        state.SkipWithError("not available on this processor");
        return;
    }
    FramePair f(int(state.range(0)), int(state.range(1)));
    const VideoFrame frame = f.frameA();
    const MotionRegion region{0, 0, f.width, f.height};
    std::int64_t n = 0;
    for (auto _ : state) {
        n = countChangedPixelsWith(isa, frame, f.b.data(), region, 8);
        benchmark::DoNotOptimize(n);
    }
    state.counters["changed"] = double(n);
}

void BM_MotionCompareScalar(benchmark::State &state)
{
    FramePair f(int(state.range(0)), int(state.range(1)));
    const VideoFrame frame = f.frameA();
    const MotionRegion region{0, 0, f.width, f.height};
    std::int64_t n = 0;
    for (auto _ : state) {
        n = countChangedPixelsScalar(frame, f.b.data(), region, 8);
        benchmark::DoNotOptimize(n);
    }
    state.counters["changed"] = double(n);
}

void BM_MotionCompareOpenCV(benchmark::State &state)
{
    FramePair f(int(state.range(0)), int(state.range(1)));
    const cv::Mat a(f.height, f.width, CV_8UC3, f.a.data(), std::size_t(f.stride));
    const cv::Mat b(f.height, f.width, CV_8UC3, f.b.data(), std::size_t(f.stride));
    const cv::Rect roi(0, 0, f.width, f.height);
    cv::Mat diff, over, combined;
    std::vector<cv::Mat> channels(3);
    int n = 0;
    for (auto _ : state) {
        cv::absdiff(a(roi), b(roi), diff);
        cv::threshold(diff, over, 8, 255, cv::THRESH_BINARY);  // > 8 per channel
        cv::split(over, channels);
        cv::bitwise_or(channels[0], channels[1], combined);
        cv::bitwise_or(combined, channels[2], combined);
        n = cv::countNonZero(combined);
        benchmark::DoNotOptimize(n);
    }
    state.counters["changed"] = double(n);
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// range(0): cameras; range(1): 1 with overlays and motion, 0 with the
// hooks off.
void BM_LiveCamerasCpu(benchmark::State &state)
{
    const int cameras = int(state.range(0));
    const bool hooks = state.range(1) != 0;
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/quorvel-bench-XXXXXX")
                                                                 : QDir::tempPath() + QStringLiteral("/quorvel-bench-XXXXXX"));
    const QString folder = dir.path() + QStringLiteral("/Vondrel Files/");
    QDir().mkpath(folder);
    {
        QFile f(folder + QStringLiteral("SoruceUrl.bin"));
        f.open(QIODevice::WriteOnly);
        for (int i = 0; i < cameras; ++i)
            f.write("testsrc\r\n");
        for (int i = 0; i < cameras; ++i) {
            CDataClass stored;
            stored.load(i, folder);
            stored.m_ShowTime = 1;
            stored.m_TimeFormat = 1;
            stored.m_MoveCheck = true;
            stored.m_MoveRect = {0, 0, 640, 480};
            stored.m_NoCapImage_move = true;
            stored.m_MovePlaySound = false;
            stored.save();
        }
    }
    RecordingLibReporter quiet;
    ScopedLibReporter scoped(&quiet);
    OptionEnvironment env;
    env.videoDevices = [] { return QList<CaptureDevice>{}; };
    env.userFolder = folder;
    CameraLibrary lib;
    lib.Init(env);
    QObject sink;
    for (int i = 0; i < cameras; ++i) {
        lib.open(&sink, &sink, 1, nullptr, i);
        if (!hooks) {
            CSampleGrabberCB &cb = lib.camera(i)->Callback();
            cb.m_pMotionCheck = nullptr;
            cb.m_pNameOverlay.reset();
            cb.m_pTimeOverlay.reset();
        }
    }
    auto pump = [](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(20);
        }
    };
    pump(1000);  // pipelines up
    double cpuPerCameraSecond = 0;
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        pump(10000);
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        const double cpu = processCpuSeconds() - cpu0;
        state.SetIterationTime(seconds);
        cpuPerCameraSecond = cpu / (seconds * cameras);
    }
    state.counters["cpu_per_camera_s"] = cpuPerCameraSecond;
    std::uint64_t frames = 0;
    for (int i = 0; i < cameras; ++i)
        frames += lib.camera(i)->Callback().m_FrameCount.load();
    state.counters["frames"] = double(frames);
    lib.release();
}

} // namespace

BENCHMARK(BM_FrameMemcpy)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_FramePathOverlaysAndMotion)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_MotionCompare)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_MotionCompareIsa)->Args({640, 480, 0})->Args({640, 480, 1})->Args({640, 480, 2})
    ->Args({1920, 1080, 0})->Args({1920, 1080, 1})->Args({1920, 1080, 2});
BENCHMARK(BM_MotionCompareScalar)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_MotionCompareOpenCV)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_LiveCamerasCpu)
    ->Args({1, 0})->Args({1, 1})->Args({4, 0})->Args({4, 1})
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts for the text overlays
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
