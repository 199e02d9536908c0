// CPU of one "testsrc" camera (640x480 at 30 frames per second, overlays on)
// while it previews, and while it broadcasts 640x480 at 30 to 0, 1 and 4
// clients. The clients read in a child process, so that only the camera's
// own work is counted. Compare cpu_core (share of one core) across rows of
// the same run.
#include "CDataClass.h"
#include "CameraLibrary.h"
#include "FreePort.h"
#include "LibReporter.h"
#include "UsbCamera.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A child that connects `clients` readers and reads until killed. Only
// plain system calls after fork.
pid_t startReaders(int port, int clients)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    int fds[16];
    const int n = clients < 16 ? clients : 16;
    for (int i = 0; i < n; ++i) {
        fds[i] = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(std::uint16_t(port));
        if (::connect(fds[i], reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
            ::_exit(1);
        static const char request[] = "GET / HTTP/1.0\r\n\r\n";
        ::send(fds[i], request, sizeof request - 1, 0);
    }
    pollfd p[16];
    char buf[65536];
    for (;;) {
        for (int i = 0; i < n; ++i)
            p[i] = {fds[i], POLLIN, 0};
        if (::poll(p, nfds_t(n), 1000) < 0)
            ::_exit(1);
        for (int i = 0; i < n; ++i)
            if (p[i].revents && ::recv(fds[i], buf, sizeof buf, 0) <= 0)
                ::_exit(0);
    }
}

// range(0): -1 preview only; 0, 1, 4: broadcasting with that many clients.
void BM_CameraCpu(benchmark::State &state)
{
    const int clients = int(state.range(0));
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/quorvel-bench-XXXXXX")
                                                                 : QDir::tempPath() + QStringLiteral("/quorvel-bench-XXXXXX"));
    const QString folder = dir.path() + QStringLiteral("/Vondrel Files/");
    QDir().mkpath(folder);
    {
        QFile f(folder + QStringLiteral("SoruceUrl.bin"));
        f.open(QIODevice::WriteOnly);
        f.write("testsrc\r\n");
        CDataClass stored;
        stored.load(0, folder);
        stored.m_ShowTime = 1;
        stored.m_TimeFormat = 1;
        stored.m_BroadcastSize = 4;   // 640 x 480
        stored.m_BroadcastFPS = 29;   // 30 frames per second
        stored.m_BroadcastBitRate = 1335;
        stored.save();
    }
    RecordingLibReporter quiet;
    ScopedLibReporter scoped(&quiet);
    OptionEnvironment env;
    env.videoDevices = [] { return QList<CaptureDevice>{}; };
    env.userFolder = folder;
    CameraLibrary lib;
    lib.Init(env);
    QObject sink;
    lib.open(&sink, &sink, 1, nullptr, 0);
    UsbCamera *cam = lib.camera(0);
    const int port = vq::test::freePort();
    cam->Data().m_Port = port;
    cam->Data().m_maxClient = 8;
    if (clients >= 0 && !cam->StartBroadcast(false)) {
        state.SkipWithError("broadcast did not start");
        return;
    }
    auto pump = [](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(20);
        }
    };
    pid_t readers = -1;
    if (clients > 0)
        readers = startReaders(port, clients);
    pump(1500);  // pipeline up, clients joined
    if (clients > 0 && cam->BroadcastClients() != clients)
        state.SkipWithError("not every client joined");
    double share = 0;
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        pump(8000);
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        share = (processCpuSeconds() - cpu0) / seconds;
    }
    state.counters["cpu_core"] = share;
    state.counters["clients"] = cam->BroadcastClients();
    if (readers > 0) {
        ::kill(readers, SIGKILL);
        ::waitpid(readers, nullptr, 0);
    }
    lib.release();
}

} // namespace

BENCHMARK(BM_CameraCpu)->Arg(-1)->Arg(0)->Arg(1)->Arg(4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

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
