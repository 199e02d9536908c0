// Engine benchmarks, each against a baseline measured in the same run:
// - the frame path per frame (writable buffer, mapping, callback with no
//   snapshot) against one memcpy of the frame;
// - JPEG writing through the snapshot writer against libjpeg-turbo's own
//   API (compress + write);
// - the time from Capture to the event record, in frames, on a live camera.
#include "CSampleGrabberCB.h"
#include "CameraLibrary.h"
#include "FrameProbe.h"
#include "GstPtr.h"
#include "LibReporter.h"
#include "QuorvelEvents.h"
#include "SnapshotWriter.h"
#include "UsbCamera.h"

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstring>
#include <vector>

using namespace quorvel;

namespace {

GstVideoInfo bgrInfo(int w, int h)
{
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGR, guint(w), guint(h));
    return info;
}

void BM_FramePath(benchmark::State &state)
{
    ensureGStreamer();
    const GstVideoInfo info = bgrInfo(int(state.range(0)), int(state.range(1)));
    GstBuffer *buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&info), nullptr);
    CSampleGrabberCB cb;
    for (auto _ : state) {
        buffer = runFrameHook(buffer, info, cb);
        benchmark::DoNotOptimize(buffer);
    }
    gst_buffer_unref(buffer);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(GST_VIDEO_INFO_SIZE(&info)));
}

void BM_FrameMemcpy(benchmark::State &state)
{
    const std::size_t size = std::size_t((state.range(0) * 3 + 3) & ~3) * std::size_t(state.range(1));
    std::vector<std::uint8_t> a(size, 1), b(size);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), size);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}

// A frame with some structure, so the encoder does real work.
std::vector<std::uint8_t> testPicture(int w, int h, int stride)
{
    std::vector<std::uint8_t> bytes(std::size_t(stride) * std::size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t *p = bytes.data() + std::size_t(y) * std::size_t(stride) + std::size_t(x) * 3;
            p[0] = std::uint8_t(x * 255 / w);
            p[1] = std::uint8_t(y * 255 / h);
            p[2] = std::uint8_t(((x / 16) ^ (y / 16)) & 1 ? 220 : 30);
        }
    return bytes;
}

QString benchFolder()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/quorvel-bench-XXXXXX")
                                                                        : QDir::tempPath() + QStringLiteral("/quorvel-bench-XXXXXX"));
    return dir.path();
}

void BM_JpegSnapshotWriter(benchmark::State &state)
{
    const int w = int(state.range(0)), h = int(state.range(1)), stride = (w * 3 + 3) & ~3;
    auto bytes = testPicture(w, h, stride);
    VideoFrame frame{bytes.data(), w, h, stride, false};
    SnapshotWriter writer;
    const QString path = benchFolder() + QStringLiteral("/writer.jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(writer.writeJpeg(frame, path, 90));
}

void BM_JpegTurboApi(benchmark::State &state)
{
    const int w = int(state.range(0)), h = int(state.range(1)), stride = (w * 3 + 3) & ~3;
    auto bytes = testPicture(w, h, stride);
    tjhandle tj = tjInitCompress();
    const QByteArray path = (benchFolder() + QStringLiteral("/turbo.jpg")).toLocal8Bit();
    for (auto _ : state) {
        unsigned char *out = nullptr;
        unsigned long size = 0;
        tjCompress2(tj, bytes.data(), w, stride, h, TJPF_BGR, &out, &size, TJSAMP_420, 90, 0);
        FILE *f = std::fopen(path.constData(), "wb");
        std::fwrite(out, 1, size, f);
        std::fclose(f);
        tjFree(out);
    }
    tjDestroy(tj);
}

// Counts event records as they arrive on the UI thread.
class RecordCounter : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelCameraEventType) {
            frameAtRecord = camera ? camera->Callback().m_FrameCount.load() : 0;
            ++records;
            return true;
        }
        return QObject::event(e);
    }
    UsbCamera *camera = nullptr;
    int records = 0;
    std::uint64_t frameAtRecord = 0;
};

void BM_CaptureToRecordFrames(benchmark::State &state)
{
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/quorvel-bench-XXXXXX")
                                                                 : QDir::tempPath() + QStringLiteral("/quorvel-bench-XXXXXX"));
    const QString folder = dir.path() + QStringLiteral("/Vondrel Files/");
    QDir().mkpath(folder);
    QFile f(folder + QStringLiteral("SoruceUrl.bin"));
    f.open(QIODevice::WriteOnly);
    f.write("testsrc\r\n");
    f.close();
    RecordingLibReporter quiet;
    ScopedLibReporter scoped(&quiet);
    OptionEnvironment env;
    env.videoDevices = [] { return QList<CaptureDevice>{}; };
    env.userFolder = folder;
    CameraLibrary lib;
    lib.Init(env);
    RecordCounter counter;
    lib.open(&counter, nullptr, 1, nullptr, 0);
    counter.camera = lib.camera(0);
    auto &frames = counter.camera->Callback().m_FrameCount;
    auto pump = [](auto pred) {
        QElapsedTimer t;
        t.start();
        while (!pred() && t.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::usleep(200);
        }
    };
    pump([&] { return frames.load() > 3; });
    double totalFrames = 0;
    for (auto _ : state) {
        const int before = counter.records;
        const std::uint64_t atCapture = frames.load();
        lib.Capture(0);
        pump([&] { return counter.records > before; });
        totalFrames += double(counter.frameAtRecord - atCapture);
    }
    state.counters["frames"] = benchmark::Counter(totalFrames / double(state.iterations()));
    lib.close(0);
}

} // namespace

BENCHMARK(BM_FrameMemcpy)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_FramePath)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BM_JpegTurboApi)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegSnapshotWriter)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureToRecordFrames)->Iterations(30)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
