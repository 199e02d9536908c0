// The three broadcast exports as a host calls them, and a host whose
// reporter callback stops the broadcast from inside the library.
#include "EngineTestSupport.h"
#include "FreePort.h"
#include "HostMessages.h"
#include "Quorvel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

using enginetest::RecordingOwner;
using enginetest::waitUntil;
using vq::test::freePort;

namespace {

class OwnerWidget : public QWidget {
public:
    RecordingOwner sink;
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelCameraEventType || e->type() == QuorvelNotifyEventType)
            return sink.event(e);
        return QWidget::event(e);
    }
    size_t count(int type) const
    {
        size_t n = 0;
        for (const auto &r : sink.records())
            n += r.type == type;
        return n;
    }
};

// The status line the broadcast answers a GET with ("" when none).
QByteArray statusOf(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(std::uint16_t(port));
    QByteArray got;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        ::send(fd, "GET / HTTP/1.0\r\n\r\n", 18, MSG_NOSIGNAL);
        char buf[512];
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) == 1) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n > 0)
                got = QByteArray(buf, int(n));
        }
    }
    ::close(fd);
    return got.left(got.indexOf("\r\n"));
}

QString takeText(char *text)
{
    const QString out = QString::fromUtf8(text ? text : "");
    std::free(text);
    return out;
}

class BroadcastExports : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_DOCUMENTS_DIR", docs.path().toUtf8());
        QDir().mkpath(userFolder());
        QFile f(userFolder() + QStringLiteral("SoruceUrl.bin"));
        f.open(QIODevice::WriteOnly);
        f.write("testsrc\r\n");
        f.close();
        Quorvel_SetReporter(&enginetest::HostMessages::collect, &messages);
        host.resize(320, 240);
        host.show();
        ASSERT_EQ(Quorvel_Init(), 1);
        Quorvel_open(&owner, &owner, &host, 0);
    }
    void TearDown() override
    {
        Quorvel_close(nullptr, 0);
        Quorvel_SetReporter(nullptr, nullptr);
    }
    QString userFolder() const { return docs.path() + QStringLiteral("/Vondrel Files/"); }

    QTemporaryDir docs;
    enginetest::HostMessages messages;
    OwnerWidget owner;
    QWidget host;
};

TEST_F(BroadcastExports, StartServesTheAddressAndCloseBringsThePreviewBack)
{
    EXPECT_TRUE(takeText(Quorvel_tmd_Broadcast_getLocalUrl(0)).isEmpty());  // before any broadcast
    EXPECT_FALSE(Quorvel_tmd_Broadcast(3, 8080, 2, false));                // no camera there
    EXPECT_TRUE(takeText(Quorvel_tmd_Broadcast_getLocalUrl(3)).isEmpty());

    const int port = freePort();
    ASSERT_TRUE(Quorvel_tmd_Broadcast(0, port, 2, true));
    EXPECT_EQ(owner.count(5), 0u);  // delivered from the event loop, never inside the call
    ASSERT_TRUE(waitUntil([&] { return owner.count(5) == 1; }));
    const QString url = takeText(Quorvel_tmd_Broadcast_getLocalUrl(0));
    EXPECT_TRUE(url.startsWith(QStringLiteral("http://")) && url.endsWith(QStringLiteral(":%1").arg(port)))
        << url.toStdString();
    EXPECT_EQ(statusOf(port), QByteArray("HTTP/1.0 200 OK"));
    QString file;
    for (const auto &r : owner.sink.records())
        if (r.type == 5)
            file = quorvelRecordText(r.file);
    EXPECT_TRUE(file.endsWith(QStringLiteral(".wmv")));

    EXPECT_TRUE(Quorvel_Broadcast_close(0));
    ASSERT_TRUE(waitUntil([&] { return owner.count(1) == 1; }));
    EXPECT_TRUE(QFileInfo::exists(file));  // started with recording
    EXPECT_TRUE(statusOf(port).isEmpty());
    EXPECT_TRUE(Quorvel_Broadcast_close(0));  // nothing running: still true
    EXPECT_TRUE(Quorvel_Broadcast_close(7));
}

// A host that stops the broadcast from its reporter callback, while the
// library is still building the broadcast that raised the message.
struct StoppingHost {
    enginetest::HostMessages *messages;
    static void report(void *self, int kind, const char *title, const char *text)
    {
        auto *host = static_cast<StoppingHost *>(self);
        enginetest::HostMessages::collect(host->messages, kind, title, text);
        if (QString::fromUtf8(text) == QLatin1String("Port opening failed"))
            Quorvel_Broadcast_close(0);
    }
};

TEST_F(BroadcastExports, CloseFromTheReporterDuringAFailedStartRunsAfterTheStart)
{
    StoppingHost stopper{&messages};
    Quorvel_SetReporter(&StoppingHost::report, &stopper);
    ASSERT_TRUE(Quorvel_tmd_Broadcast(0, 0, 2, false));  // port 0: "Port opening failed"
    ASSERT_TRUE(waitUntil([&] { return messages.texts().contains(QStringLiteral("Port opening failed")); }))
        << messages.texts().join(u'|').toStdString();
    ASSERT_TRUE(waitUntil([&] { return owner.count(6) == 1 && owner.count(1) == 1; }));
    // The preview runs again: a snapshot is written.
    Quorvel_Capture(nullptr, 0);
    EXPECT_TRUE(waitUntil([&] { return owner.count(4) == 1; }));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
