// One upload pass of 30 pictures of about 60 KB to a local FTP server
// (pyftpdlib on 127.0.0.1), against `curl -T "{a,b,...}"`, which sends the
// same files over one connection, in the same run; and the cost of queueing
// one picture on the streaming thread. The pass does more work per file
// than curl: temporary name, then rename.
#include "FTPQueueUploadThread.h"
#include "TIndyFTPCore.h"
#include "UploadQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>

using namespace quorvel;

namespace {

constexpr int kPictures = 30;
constexpr int kPictureBytes = 60 * 1024;

// The server, the pictures and their names, shared by the benchmarks.
struct Setup {
    QTemporaryDir serverRoot;
    QTemporaryDir local;
    QProcess server;
    int port = 0;
    QStringList files;

    Setup()
    {
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(QUORVEL_FTP_SERVER_SCRIPT), QStringLiteral("--root"), serverRoot.path()});
        server.waitForStarted(10000);
        QElapsedTimer t;
        t.start();
        while (!server.canReadLine() && t.elapsed() < 15000)
            server.waitForReadyRead(100);
        const QByteArray line = server.readLine().trimmed();
        port = line.startsWith("PORT ") ? line.mid(5).toInt() : 0;
        for (int i = 0; i < kPictures; ++i) {
            const QString path = local.path() + QStringLiteral("/2011-08-09 1010101%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
            QByteArray bytes(kPictureBytes, Qt::Uninitialized);
            for (char &c : bytes)
                c = char(QRandomGenerator::global()->bounded(256));
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            files << path;
        }
        QDir(serverRoot.path()).mkpath(QStringLiteral("pass"));
        QDir(serverRoot.path()).mkpath(QStringLiteral("curl"));
    }
    ~Setup()
    {
        server.kill();
        server.waitForFinished(5000);
    }
};

Setup *g_setup = nullptr;

// One pass of the upload thread: 30 pictures from the queue over one
// connection, each under a temporary name and then renamed. Returns its
// wall time in seconds, or a negative value when not every picture arrived.
double timeOnePass(TIndyFTPCore &client)
{
    UploadQueue queue;
    std::mutex lock;
    std::condition_variable done;
    int stored = -1;
    FTPQueueUploadThread::Config config;
    config.interval = std::chrono::hours(1);  // only the pass at start runs
    config.onPass = [&](const FtpPassReport &r) {
        std::lock_guard guard(lock);
        stored = r.stored;
        done.notify_all();
    };
    for (const QString &f : g_setup->files)
        queue.append(f);
    QElapsedTimer timer;
    timer.start();
    FTPQueueUploadThread thread(0, client, queue, nullptr, config);
    thread.start();
    std::unique_lock guard(lock);
    done.wait(guard, [&] { return stored >= 0; });
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    guard.unlock();
    thread.stop();
    return stored == kPictures ? seconds : -1;
}

// The baseline: the curl command line sending the same files in one
// invocation (it reuses its connection).
double timeCurl()
{
    const QString set = u'{' + g_setup->files.join(u',') + u'}';
    const QString url = QStringLiteral("ftp://127.0.0.1:%1/curl/").arg(g_setup->port);
    QElapsedTimer timer;
    timer.start();
    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("--user"),
                                        QStringLiteral("camera:secret"), QStringLiteral("-T"), set, url});
    curl.waitForFinished(60000);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0 ? seconds : -1;
}

// The two alternate within each iteration, so a load change on the machine
// hits both alike. Time is the pass; "ratio" is pass over curl.
void BM_UploadPass30VsCurl(benchmark::State &state)
{
    if (!g_setup->port) {
        state.SkipWithError("no FTP server");
        return;
    }
    TIndyFTPCore client(0);
    client.setServer(QStringLiteral("127.0.0.1"), QString::number(g_setup->port), QStringLiteral("pass"),
                     QStringLiteral("secret"), QStringLiteral("camera"));
    double passTotal = 0, curlTotal = 0;
    int round = 0;
    for (auto _ : state) {
        double pass = 0, curl = 0;
        if (round++ % 2 == 0) {
            pass = timeOnePass(client);
            curl = timeCurl();
        } else {
            curl = timeCurl();
            pass = timeOnePass(client);
        }
        if (pass < 0 || curl < 0) {
            state.SkipWithError("an upload failed");
            return;
        }
        passTotal += pass;
        curlTotal += curl;
        state.SetIterationTime(pass);
    }
    state.counters["pass_ms"] = benchmark::Counter(passTotal * 1000 / double(state.iterations()));
    state.counters["curl_ms"] = benchmark::Counter(curlTotal * 1000 / double(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(passTotal / curlTotal);
}

// What the frame path pays to queue one picture: an append under the queue
// lock.
void BM_QueueOnePicture(benchmark::State &state)
{
    UploadQueue queue;
    const QString path = QStringLiteral("/home/guard/Documents/Vondrel Files/pics/0/2011-08-09/2011-08-09 101010123.jpg");
    for (auto _ : state)
        queue.append(path);
}

} // namespace

BENCHMARK(BM_UploadPass30VsCurl)->Iterations(20)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_QueueOnePicture);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Setup setup;
    g_setup = &setup;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
