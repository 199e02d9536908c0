// Live broadcasts of the "testsrc" camera, read by real players on
// 127.0.0.1: ffprobe, gst-launch-1.0 and raw sockets.
#include "CameraLibrary.h"
#include "CDataClass.h"
#include "EngineTestSupport.h"
#include "FreePort.h"
#include "IniFile.h"
#include "LibReporter.h"
#include "Option.h"
#include "SoapTestServer.h"
#include "UsbCamera.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace quorvel;
using vq::test::freePort;
using enginetest::RecordingOwner;
using enginetest::UserFolder;
using enginetest::waitUntil;

namespace {

constexpr std::uintptr_t kHostId = 0x4712;
// Bytes of stream a reader waits for: a few frames of the test picture
// (the moving ball codes small).
constexpr qsizetype kSomeStream = 3000;

class CountingDisplay : public CameraDisplay {
public:
    explicit CountingDisplay(std::atomic<int> *count) : m_count(count) {}
    void presentSample(GstSample *sample) override
    {
        if (sample)
            m_count->fetch_add(1);
    }
    void clear() override {}

private:
    std::atomic<int> *m_count;
};

int openDescriptors()
{
    int n = 0;
    if (DIR *d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

// A raw HTTP client: connects, sends `request`, reads what comes.
class RawClient {
public:
    explicit RawClient(int port, int receiveBuffer = 0)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(std::uint16_t(port));
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    }
    ~RawClient() { close(); }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool send(const QByteArray &data)
    {
        return ::send(m_fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL) == data.size();
    }
    bool get() { return send("GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"); }
    // Reads until `bytes` arrived, the peer closed, or timeout_ms passed.
    // False only when the peer closed.
    bool readSome(qsizetype bytes, int timeout_ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        const qsizetype target = m_received.size() + bytes;
        char buf[16384];
        while (m_received.size() < target && t.elapsed() < timeout_ms) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) != 1)
                continue;
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0)
                return false;
            m_received.append(buf, n);
        }
        return true;
    }
    // True when the peer closed within timeout_ms (reading what it sends).
    bool closedByPeer(int timeout_ms)
    {
        QElapsedTimer t;
        t.start();
        char buf[16384];
        while (t.elapsed() < timeout_ms) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) != 1)
                continue;
            const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
            if (n <= 0)
                return true;
            m_received.append(buf, n);
        }
        return false;
    }
    bool connected() const { return m_connected; }
    const QByteArray &received() const { return m_received; }
    QByteArray statusLine() const { return m_received.left(m_received.indexOf("\r\n")); }

private:
    int m_fd = -1;
    bool m_connected = false;
    QByteArray m_received;
};

struct ProcessResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

ProcessResult run(const QString &program, const QStringList &args, int timeout_ms = 30000)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForFinished(timeout_ms)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.ms = t.elapsed();
    return r;
}

QJsonArray probeStreams(const QString &url, ProcessResult *raw = nullptr)
{
    const ProcessResult r = run(QStringLiteral("ffprobe"),
                                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                                 QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"), url});
    if (raw)
        *raw = r;
    return QJsonDocument::fromJson(r.out).object().value(QStringLiteral("streams")).toArray();
}

QJsonObject streamOfType(const QJsonArray &streams, const char *type)
{
    for (const auto &s : streams)
        if (s.toObject().value(QStringLiteral("codec_type")).toString() == QLatin1String(type))
            return s.toObject();
    return {};
}

class LiveBroadcast : public ::testing::Test {
protected:
    void SetUp() override
    {
        enginetest::ensureApp();
        folder = std::make_unique<UserFolder>(QStringList{QStringLiteral("testsrc")});
        ASSERT_EQ(lib.Init(folder->environment()), 1);
        lib.open(&owner, &owner, kHostId, std::make_unique<CountingDisplay>(&displayed), 0);
        cam = lib.camera(0);
        ASSERT_NE(cam, nullptr);
        ASSERT_TRUE(waitUntil([&] { return cam->Callback().m_FrameCount.load() > 2; }));
        port = freePort();
        cam->Data().m_Port = port;
        cam->Data().m_maxClient = 4;
        cam->Data().m_BroadcastSize = 1;  // 320 x 240
        cam->Data().m_BroadcastFPS = 14;  // 15 frames per second
    }
    void TearDown() override { lib.release(); }

    QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port); }
    std::vector<CameraEventRecord> recordsOfType(int type) const
    {
        std::vector<CameraEventRecord> out;
        for (const auto &r : owner.records())
            if (r.type == type)
                out.push_back(r);
        return out;
    }
    bool framesFlow(std::uint64_t more = 3)
    {
        const std::uint64_t target = cam->Callback().m_FrameCount.load() + more;
        return waitUntil([&] { return cam->Callback().m_FrameCount.load() >= target; });
    }
    QStringList recordFolderFiles() const
    {
        const QString dir = folder->path() + QStringLiteral("00/") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))
            + QStringLiteral("Record/");
        return QDir(dir).entryList(QDir::Files | QDir::Hidden);
    }

    RecordingLibReporter messages;
    ScopedLibReporter scoped{&messages};
    std::unique_ptr<UserFolder> folder;
    RecordingOwner owner;
    std::atomic<int> displayed{0};
    CameraLibrary lib;
    UsbCamera *cam = nullptr;
    int port = 0;
};

TEST_F(LiveBroadcast, FfprobeAndGstreamerReadTheStreamWithTheProfileValues)
{
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    EXPECT_TRUE(cam->IsBroadcasting());
    EXPECT_TRUE(cam->m_LocalUrl.startsWith(QStringLiteral("http://")));
    EXPECT_TRUE(cam->m_LocalUrl.endsWith(QStringLiteral(":%1").arg(port))) << cam->m_LocalUrl.toStdString();

    ProcessResult raw;
    const QJsonObject video = streamOfType(probeStreams(url(), &raw), "video");
    ASSERT_FALSE(video.isEmpty()) << raw.err.constData();
    EXPECT_EQ(video.value(QStringLiteral("codec_name")).toString(), QStringLiteral("wmv1"));
    EXPECT_EQ(video.value(QStringLiteral("width")).toInt(), 320);
    EXPECT_EQ(video.value(QStringLiteral("height")).toInt(), 240);
    EXPECT_EQ(video.value(QStringLiteral("r_frame_rate")).toString(), QStringLiteral("15/1"));

    // GStreamer decodes frames (asfdemux and the WMV decoder), and the
    // preview and frame hook keep running meanwhile.
    const int shownBefore = displayed.load();
    const ProcessResult gst = run(QStringLiteral("gst-launch-1.0"),
                                  {QStringLiteral("-q"), QStringLiteral("souphttpsrc"),
                                   QStringLiteral("location=") + url(), QStringLiteral("!"), QStringLiteral("decodebin"),
                                   QStringLiteral("!"), QStringLiteral("videoconvert"), QStringLiteral("!"),
                                   QStringLiteral("fakesink"), QStringLiteral("num-buffers=20")});
    EXPECT_EQ(gst.exitCode, 0) << gst.err.constData() << gst.out.constData();
    EXPECT_GT(displayed.load(), shownBefore);

    // A late joiner's wait for its first packet (the one with a key frame).
    {
        QElapsedTimer t;
        t.start();
        RawClient joiner(port);
        ASSERT_TRUE(joiner.get());
        ASSERT_TRUE(joiner.readSome(1));
        qsizetype bodyAt = -1;
        while (t.elapsed() < 10000 && (bodyAt = joiner.received().indexOf("\r\n\r\n")) < 0)
            ASSERT_TRUE(joiner.readSome(1));
        ASSERT_GE(bodyAt, 0);
        // The ASF header object's size is at bytes 16 to 23 of the body.
        while (t.elapsed() < 10000 && joiner.received().size() < bodyAt + 4 + 24)
            ASSERT_TRUE(joiner.readSome(1));
        qint64 headerSize = 0;
        for (int b = 0; b < 8; ++b)
            headerSize |= qint64(quint8(joiner.received()[bodyAt + 4 + 16 + b])) << (8 * b);
        // The header ends in the data object's 50-byte head, then packets.
        const qsizetype firstPacketEnd = bodyAt + 4 + headerSize + 50 + 1500;
        while (t.elapsed() < 10000 && joiner.received().size() < firstPacketEnd)
            ASSERT_TRUE(joiner.readSome(firstPacketEnd - joiner.received().size()));
        ASSERT_GE(joiner.received().size(), firstPacketEnd);
        std::printf("late joiner: first packet (a key frame) %lld ms after connecting\n", t.elapsed());
        ::testing::Test::RecordProperty("late_joiner_first_packet_ms", int(t.elapsed()));
    }
    // A late joiner decodes from its first key frame.
    const ProcessResult first = run(QStringLiteral("ffprobe"),
                                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-analyzeduration"), QStringLiteral("0"),
                                     QStringLiteral("-select_streams"),
                                     QStringLiteral("v"), QStringLiteral("-show_frames"), QStringLiteral("-read_intervals"),
                                     QStringLiteral("%+#1"), QStringLiteral("-of"), QStringLiteral("json"), url()});
    const QJsonArray frames = QJsonDocument::fromJson(first.out).object().value(QStringLiteral("frames")).toArray();
    ASSERT_FALSE(frames.isEmpty()) << first.err.constData();
    // Its first packet begins with a key frame: the first frame decoded is one.
    int firstKey = -1;
    for (int i = 0; i < frames.size() && firstKey < 0; ++i)
        if (frames.at(i).toObject().value(QStringLiteral("key_frame")).toInt() == 1)
            firstKey = i;
    EXPECT_GE(firstKey, 0);
    EXPECT_EQ(firstKey, 0);
    std::printf("late joiner: %d frame(s) before its first key frame\n", firstKey);
    ::testing::Test::RecordProperty("late_joiner_first_frame_ms", int(first.ms));
    std::printf("late joiner: first decoded frame after %lld ms (ffprobe start included)\n", first.ms);
}

TEST_F(LiveBroadcast, WindowsMediaPlayersGetTheFramedStream)
{
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    // ffprobe speaks MMS over HTTP for mmsh:// addresses.
    ProcessResult raw;
    const QJsonObject video =
        streamOfType(probeStreams(QStringLiteral("mmsh://127.0.0.1:%1/").arg(port), &raw), "video");
    ASSERT_FALSE(video.isEmpty()) << raw.err.constData();
    EXPECT_EQ(video.value(QStringLiteral("codec_name")).toString(), QStringLiteral("wmv1"));
    EXPECT_EQ(video.value(QStringLiteral("width")).toInt(), 320);

    // The request of a Windows Media player gets chunks: "$H" first.
    RawClient player(port);
    ASSERT_TRUE(player.send("GET / HTTP/1.0\r\nUser-Agent: NSPlayer/9.0.0.2980\r\nPragma: xClientGUID={3300AD50-2C39-46c0-AE0A-"
                            "70AAAAAAAAAA}\r\n\r\n"));
    ASSERT_TRUE(player.readSome(kSomeStream));
    EXPECT_TRUE(player.received().contains("Content-Type: application/x-mms-framed\r\n"));
    const QByteArray body = player.received().mid(player.received().indexOf("\r\n\r\n") + 4);
    ASSERT_GE(body.size(), 12);
    EXPECT_EQ(body.left(2), QByteArray("$H"));
    const int chunk = quint8(body[2]) | (quint8(body[3]) << 8);
    ASSERT_GT(body.size(), 4 + chunk + 2);
    EXPECT_EQ(body.mid(4 + chunk, 2), QByteArray("$D"));
}

TEST_F(LiveBroadcast, AudioBranchCarriesWmaAt44100Stereo)
{
    cam->Data().m_BroadcastAudio = true;
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    ProcessResult raw;
    const QJsonArray streams = probeStreams(url(), &raw);
    const QJsonObject audio = streamOfType(streams, "audio");
    ASSERT_FALSE(audio.isEmpty()) << raw.err.constData() << raw.out.constData();
    EXPECT_EQ(audio.value(QStringLiteral("codec_name")).toString(), QStringLiteral("wmav2"));
    EXPECT_EQ(audio.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("44100"));
    EXPECT_EQ(audio.value(QStringLiteral("channels")).toInt(), 2);
    EXPECT_EQ(streamOfType(streams, "video").value(QStringLiteral("codec_name")).toString(), QStringLiteral("wmv1"));
}

TEST_F(LiveBroadcast, ThirdClientGets503WhileTheFirstTwoKeepReceiving)
{
    cam->Data().m_maxClient = 2;
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    RawClient a(port), b(port);
    ASSERT_TRUE(a.get() && b.get());
    ASSERT_TRUE(a.readSome(kSomeStream) && b.readSome(kSomeStream));
    EXPECT_EQ(a.statusLine(), QByteArray("HTTP/1.0 200 OK"));
    EXPECT_TRUE(a.received().contains("Content-Type: video/x-ms-asf\r\n"));
    ASSERT_TRUE(waitUntil([&] { return cam->BroadcastClients() == 2; }));

    RawClient c(port);
    ASSERT_TRUE(c.get());
    EXPECT_TRUE(c.closedByPeer(5000));
    EXPECT_EQ(c.statusLine(), QByteArray("HTTP/1.0 503 Service Unavailable"));

    const qsizetype beforeA = a.received().size(), beforeB = b.received().size();
    ASSERT_TRUE(a.readSome(kSomeStream) && b.readSome(kSomeStream));
    EXPECT_GE(a.received().size(), beforeA + kSomeStream);
    EXPECT_GE(b.received().size(), beforeB + kSomeStream);
    EXPECT_EQ(cam->BroadcastClients(), 2);
}

TEST_F(LiveBroadcast, StalledClientIsDroppedAndTheOtherKeepsReceiving)
{
    // Large key frames every second fill the stalled socket sooner.
    cam->Data().m_BroadcastSize = 7;
    cam->Data().m_BroadcastFPS = 29;
    cam->Data().m_BroadcastBitRate = 3000;
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    RawClient stalled(port, 4096), reader(port);
    ASSERT_TRUE(stalled.get() && reader.get());
    ASSERT_TRUE(stalled.readSome(100) && reader.readSome(1000));
    ASSERT_TRUE(waitUntil([&] { return cam->BroadcastClients() == 2; }));
    // The stalled client reads nothing more; the reader reads all along.
    QElapsedTimer t;
    t.start();
    bool dropped = false;
    int slowSlots = 0;
    while (t.elapsed() < 30000 && !dropped) {
        const qsizetype before = reader.received().size();
        ASSERT_TRUE(reader.readSome(1 << 30, 1000));
        if (reader.received().size() == before)
            ++slowSlots;
        dropped = cam->BroadcastClients() == 1;
    }
    EXPECT_TRUE(dropped);
    EXPECT_EQ(slowSlots, 0);
    const qsizetype before = reader.received().size();
    ASSERT_TRUE(reader.readSome(kSomeStream));
    EXPECT_GE(reader.received().size(), before + kSomeStream);
}

TEST_F(LiveBroadcast, BadClientsAndReconnectsLeaveNoDescriptorBehind)
{
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    {
        RawClient warm(port);  // first connection opens what later ones share
        ASSERT_TRUE(warm.get() && warm.readSome(5000));
    }
    ASSERT_TRUE(waitUntil([&] { return cam->BroadcastClients() == 0; }));
    const int before = openDescriptors();
    for (int i = 0; i < 50; ++i) {
        RawClient c(port);
        ASSERT_TRUE(c.connected());
        ASSERT_TRUE(c.get());
        ASSERT_TRUE(c.readSome(i % 2 ? 3000 : 10)) << i;  // closes during and after the header
    }
    {
        RawClient garbage(port);
        ASSERT_TRUE(garbage.send(QByteArray(300, '\x7f') + "\r\n\r\n"));
        EXPECT_TRUE(garbage.closedByPeer(5000));
        EXPECT_TRUE(garbage.statusLine().startsWith("HTTP/1.0 400"));
        RawClient halfRequest(port);
        ASSERT_TRUE(halfRequest.send("GET / HTTP/1.0\r\nHost: 12"));
        RawClient silent(port);
        EXPECT_TRUE(silent.closedByPeer(15000));  // dropped after the request time
        EXPECT_TRUE(silent.received().isEmpty());
    }
    ASSERT_TRUE(waitUntil([&] { return cam->BroadcastClients() == 0; }));
    EXPECT_TRUE(waitUntil([&] { return openDescriptors() == before; }, 5000))
        << openDescriptors() << " descriptors, " << before << " before";
    RawClient after(port);  // and the broadcast goes on
    ASSERT_TRUE(after.get());
    EXPECT_TRUE(after.readSome(kSomeStream));
    EXPECT_GE(after.received().size(), kSomeStream);
}

TEST_F(LiveBroadcast, RecordingIsKeptWithADurationOnlyWhenAsked)
{
    ASSERT_TRUE(cam->StartBroadcast(true)) << messages.texts().join(u'|').toStdString();
    const QString file = cam->m_RecordFile;
    EXPECT_TRUE(QFileInfo(file).fileName().contains(QRegularExpression(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{9}\\.wmv$"))))
        << file.toStdString();
    EXPECT_TRUE(file.startsWith(folder->path() + QStringLiteral("00/"))) << file.toStdString();
    ASSERT_TRUE(framesFlow(30));
    cam->StopBroadcast();
    EXPECT_FALSE(cam->IsBroadcasting());
    ASSERT_TRUE(QFileInfo::exists(file)) << recordFolderFiles().join(u',').toStdString();
    EXPECT_EQ(recordFolderFiles(), QStringList{QFileInfo(file).fileName()});  // no temporary left
    const ProcessResult r = run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                                           QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                                                           QStringLiteral("-of"), QStringLiteral("csv=p=0"), file});
    EXPECT_GT(r.out.trimmed().toDouble(), 0.5) << r.out.constData() << r.err.constData();
    EXPECT_TRUE(framesFlow());  // the preview is back

    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    const QString second = cam->m_RecordFile;
    ASSERT_TRUE(framesFlow(10));
    cam->StopBroadcast();
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(recordFolderFiles(), QStringList{QFileInfo(file).fileName()});
}

TEST_F(LiveBroadcast, RecordsOfStartAndStopAndSnapshotsDuringTheBroadcast)
{
    ASSERT_TRUE(cam->StartBroadcast(true)) << messages.texts().join(u'|').toStdString();
    const QString file = cam->m_RecordFile;
    EXPECT_TRUE(recordsOfType(5).empty());  // never delivered inside the call
    ASSERT_TRUE(waitUntil([&] { return recordsOfType(5).size() == 1; }));
    const CameraEventRecord started = recordsOfType(5).front();
    Option &option = *lib.option();
    EXPECT_EQ(quorvelRecordText(started.event), option.getText(1));
    EXPECT_EQ(quorvelRecordText(started.detail), option.getText(21));
    EXPECT_FALSE(option.getText(21).isEmpty());
    EXPECT_EQ(quorvelRecordText(started.file), file);

    lib.Capture(0);
    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(4).empty(); }));
    EXPECT_TRUE(QFileInfo::exists(quorvelRecordText(recordsOfType(4).front().file)));

    cam->StopBroadcast();
    ASSERT_TRUE(waitUntil([&] { return recordsOfType(1).size() == 1; }));
    const CameraEventRecord stopped = recordsOfType(1).front();
    EXPECT_EQ(quorvelRecordText(stopped.event), option.getText(1));
    EXPECT_EQ(quorvelRecordText(stopped.detail), option.getText(22));
    EXPECT_TRUE(quorvelRecordText(stopped.file).isEmpty());

    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    ASSERT_TRUE(waitUntil([&] { return recordsOfType(6).size() == 1; }));
    EXPECT_EQ(quorvelRecordText(recordsOfType(6).front().detail), option.getText(21));
    cam->StopBroadcast();
    cam->StopBroadcast();  // not broadcasting: nothing happens
    QCoreApplication::processEvents();
    EXPECT_TRUE(waitUntil([&] { return recordsOfType(1).size() == 2; }));
    QThread::msleep(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(recordsOfType(1).size(), 2u);
}

class BadPort : public LiveBroadcast, public ::testing::WithParamInterface<int> {};

TEST_P(BadPort, PortOpeningFailedCountsAsStartedAndStopBringsThePreviewBack)
{
    int taken = -1;
    int badPort = GetParam();
    if (badPort == -1) {  // a port another socket holds
        taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_ANY);
        ::bind(taken, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(taken, 1);
        socklen_t len = sizeof addr;
        ::getsockname(taken, reinterpret_cast<sockaddr *>(&addr), &len);
        badPort = ntohs(addr.sin_port);
    }
    cam->Data().m_Port = badPort;
    messages.clear();
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    EXPECT_TRUE(messages.texts().contains(QStringLiteral("Port opening failed"))) << messages.texts().join(u'|').toStdString();
    EXPECT_TRUE(cam->IsBroadcasting());
    EXPECT_FALSE(cam->IsRunning());
    ASSERT_TRUE(waitUntil([&] { return recordsOfType(6).size() == 1; }));
    cam->StopBroadcast();
    EXPECT_FALSE(cam->IsBroadcasting());
    EXPECT_TRUE(framesFlow());
    if (taken >= 0)
        ::close(taken);
}

INSTANTIATE_TEST_SUITE_P(Broadcast, BadPort, ::testing::Values(-1, 0, 65536, -80),
                         [](const auto &info) {
                             return info.param == -1 ? std::string("Taken")
                                                     : "Value" + std::to_string(info.param < 0 ? 0 : info.param)
                                                         + (info.param < 0 ? "Negative" : "");
                         });

TEST_F(LiveBroadcast, ClientLimitAndProfileOutsideTheirRangesUseTheDefaults)
{
    cam->Data().m_maxClient = 0;  // the default limit of 2
    cam->Data().m_BroadcastSize = 12;
    cam->Data().m_BroadcastFPS = 99;
    cam->Data().m_BroadcastBitRate = -5;
    ASSERT_TRUE(cam->StartBroadcast(false)) << messages.texts().join(u'|').toStdString();
    RawClient a(port), b(port), c(port);
    ASSERT_TRUE(a.get() && a.readSome(2000));
    ASSERT_TRUE(b.get() && b.readSome(2000));
    ASSERT_TRUE(waitUntil([&] { return cam->BroadcastClients() == 2; }));
    ASSERT_TRUE(c.get());
    EXPECT_TRUE(c.closedByPeer(5000));
    EXPECT_TRUE(c.statusLine().contains("503"));
    a.close();
    b.close();
    ASSERT_TRUE(waitUntil([&] { return cam->BroadcastClients() == 0; }));
    const QJsonObject video = streamOfType(probeStreams(url()), "video");
    EXPECT_EQ(video.value(QStringLiteral("width")).toInt(), 176);
    EXPECT_EQ(video.value(QStringLiteral("height")).toInt(), 144);
    EXPECT_EQ(video.value(QStringLiteral("r_frame_rate")).toString(), QStringLiteral("5/1"));
}

TEST_F(LiveBroadcast, ClosingTheLibraryWithClientsClosesEverySocket)
{
    ASSERT_TRUE(cam->StartBroadcast(true)) << messages.texts().join(u'|').toStdString();
    const QString file = cam->m_RecordFile;
    RawClient a(port), b(port);
    ASSERT_TRUE(a.get() && a.readSome(2000) && b.get() && b.readSome(2000));
    RawClient pending(port);  // still in its request
    ASSERT_TRUE(framesFlow(10));
    lib.release();
    EXPECT_TRUE(a.closedByPeer(5000));
    EXPECT_TRUE(b.closedByPeer(5000));
    EXPECT_TRUE(pending.closedByPeer(5000));
    EXPECT_TRUE(QFileInfo::exists(file));  // kept: started with recording
    RawClient refused(port);
    EXPECT_FALSE(refused.connected());
}

TEST_F(LiveBroadcast, PublicUrlFromTheConfiguredServiceOrEmpty)
{
    Option &option = *lib.option();
    cam->BuildPublicUrl();
    EXPECT_TRUE(cam->m_PublicUrl.isEmpty());  // no service configured

    broadcasttest::SoapTestServer server(
        200, "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
             "<soap:Body><getIPResponse xmlns=\"http://tempuri.org/\"><getIPResult>198.51.100.4</getIPResult>"
             "</getIPResponse></soap:Body></soap:Envelope>");
    IniFile ini = IniFile::load(option.iniPath);
    ini.write(QStringLiteral("Settings"), QStringLiteral("PublicAddressService"), QString::fromLatin1(server.url()));
    ASSERT_TRUE(ini.save(option.iniPath));
    cam->BuildPublicUrl();
    EXPECT_EQ(cam->m_PublicUrl, QStringLiteral("http://198.51.100.4:%1").arg(port));

    broadcasttest::SoapTestServer fault(500, "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                                             "<soap:Body><soap:Fault><faultstring>x</faultstring></soap:Fault>"
                                             "</soap:Body></soap:Envelope>");
    ini.write(QStringLiteral("Settings"), QStringLiteral("PublicAddressService"), QString::fromLatin1(fault.url()));
    ASSERT_TRUE(ini.save(option.iniPath));
    cam->BuildPublicUrl();
    EXPECT_TRUE(cam->m_PublicUrl.isEmpty());
}

} // namespace
