// A host that calls back into the library from what the library hands it:
// Quorvel_close, Quorvel_open and Quorvel_Init from its record handler (for a
// device camera and a stream camera) and from its reporter callback; and a
// snapshot that is written just before Quorvel_close still reaches the host.
// Run under valgrind or the sanitizers, a use of a freed camera shows here.
#include "EngineTestSupport.h"
#include "HostMessages.h"
#include "Quorvel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>

#include <deque>
#include <functional>

using enginetest::waitUntil;

namespace {

// The owner: keeps every record and runs the next scripted reaction, if any,
// from inside its handler.
class ScriptedOwner : public QWidget {
public:
    std::deque<std::function<void()>> reactions;
    std::vector<CameraEventRecord> records;
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelNotifyEventType)
            return true;
        if (e->type() != QuorvelCameraEventType)
            return QWidget::event(e);
        records.push_back(static_cast<QuorvelCameraEvent *>(e)->record);
        if (!reactions.empty()) {
            auto react = std::move(reactions.front());
            reactions.pop_front();
            react();
        }
        return true;
    }
    std::vector<int> types() const
    {
        std::vector<int> out;
        for (const auto &r : records)
            out.push_back(r.type);
        return out;
    }
    QStringList events() const
    {
        QStringList out;
        for (const auto &r : records)
            out << quorvelRecordText(r.event);
        return out;
    }
};

// A small HTTP server on 127.0.0.1 serving a short MJPEG clip.
class ClipServer {
public:
    ~ClipServer()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }
    bool start()
    {
        QProcess make;
        make.start(QStringLiteral("gst-launch-1.0"),
                   {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=300"),
                    QStringLiteral("!"), QStringLiteral("video/x-raw,width=160,height=120,framerate=15/1"),
                    QStringLiteral("!"), QStringLiteral("jpegenc"), QStringLiteral("!"), QStringLiteral("avimux"),
                    QStringLiteral("!"), QStringLiteral("filesink"),
                    QStringLiteral("location=") + m_dir.path() + QStringLiteral("/clip.avi")});
        if (!make.waitForFinished(30000) || make.exitCode() != 0)
            return false;
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"), QStringLiteral("0"),
                        QStringLiteral("--bind"), QStringLiteral("127.0.0.1"), QStringLiteral("--directory"),
                        m_dir.path()});
        static const QRegularExpression portLine(QStringLiteral("port (\\d+)"));
        QByteArray out;
        while (m_server.waitForReadyRead(10000)) {
            out += m_server.readAll();
            const auto m = portLine.match(QString::fromUtf8(out));
            if (m.hasMatch()) {
                m_url = QStringLiteral("http://127.0.0.1:%1/clip.avi").arg(m.captured(1));
                return true;
            }
        }
        return false;
    }
    QString url() const { return m_url; }

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_url;
};

class HostCallsBack : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_DOCUMENTS_DIR", docs.path().toUtf8());
        Quorvel_SetReporter(&enginetest::HostMessages::collect, &messages);
        host.resize(160, 120);
        host.show();
    }
    void TearDown() override
    {
        Quorvel_close(nullptr, 0);
        // Whatever is still on its way arrives before the widgets go.
        waitUntil([] { return false; }, 200);
        Quorvel_SetReporter(nullptr, nullptr);
    }
    QString userFolder() const { return docs.path() + QStringLiteral("/Vondrel Files/"); }
    void writeSources(const QString &source)
    {
        QDir().mkpath(userFolder());
        QFile f(userFolder() + QStringLiteral("SoruceUrl.bin"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(source.toUtf8() + "\r\n");
    }
    void openCamera() { Quorvel_open(&owner, &owner, &host, 0); }
    // Waits for the records to arrive and then for a quiet moment, so that a
    // record too many would show.
    bool settle(std::size_t count)
    {
        const bool arrived = waitUntil([&] { return owner.records.size() >= count; }, 20000);
        waitUntil([] { return false; }, 300);
        return arrived;
    }

    QTemporaryDir docs;
    enginetest::HostMessages messages;
    ScriptedOwner owner;
    QWidget host;
};

} // namespace

TEST_F(HostCallsBack, DeviceCameraClosedOpenedAndReinitialisedFromTheRecordHandler)
{
    writeSources(QStringLiteral("testsrc"));
    owner.reactions = {
        // The snapshot: close from inside the handler, while the frame that
        // sent the record waits for it. A close gives two "disabled": the
        // close's own disable and the camera's as it is destroyed.
        [&] { EXPECT_TRUE(Quorvel_close(&host, 0)); },
        // "disabled" of that close: start again, then release once more.
        [&] {
            EXPECT_EQ(Quorvel_Init(), 1);
            openCamera();
            EXPECT_EQ(Quorvel_Init(), 1);
        },
        // The camera's own "disabled" as the first close destroyed it: open
        // into the state of the second Init, Init again (releasing that
        // camera), then a whole round of open and close.
        [&] {
            openCamera();
            Quorvel_Init();
            openCamera();
            Quorvel_close(&host, 0);
        },
        // "disabled" of the second Init: nothing left to close.
        [&] { EXPECT_TRUE(Quorvel_close(&host, 0)); },
    };
    ASSERT_EQ(Quorvel_Init(), 1);
    openCamera();
    Quorvel_Capture(nullptr, 0);
    // The snapshot; two of the first close; one of the second Init; in the
    // third reaction one of the Init and two of the close.
    ASSERT_TRUE(settle(7)) << owner.records.size();
    EXPECT_EQ(owner.types(), (std::vector<int>{4, 3, 3, 3, 3, 3, 3}));
    EXPECT_TRUE(QFileInfo::exists(quorvelRecordText(owner.records[0].file)));
    EXPECT_TRUE(owner.reactions.empty());
    EXPECT_EQ(host.findChild<QWidget *>(QStringLiteral("QuorvelVideo")), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(u'|').toStdString();
}

TEST_F(HostCallsBack, StreamCameraClosedAndReopenedFromTheRecordHandler)
{
    ClipServer server;
    if (!server.start())
        GTEST_SKIP() << "no clip server (gst-launch-1.0 or python3 missing)";
    writeSources(server.url());
    owner.reactions = {
        // "enabled" of the first close: a new state and camera.
        [&] {
            Quorvel_Init();
            openCamera();
        },
        // "disabled" of the first close: close the new camera, which is
        // enabled (its stream starts) and released at once.
        [&] { Quorvel_close(&host, 0); },
        // "enabled" of that close: nothing left to open into.
        [&] { openCamera(); },
    };
    ASSERT_EQ(Quorvel_Init(), 1);
    openCamera();  // a stream camera starts disabled
    EXPECT_TRUE(owner.records.empty());
    EXPECT_TRUE(Quorvel_close(&host, 0));
    // Nothing arrives inside the export.
    EXPECT_TRUE(owner.records.empty());
    ASSERT_TRUE(settle(4)) << owner.records.size();
    EXPECT_EQ(owner.types(), (std::vector<int>{3, 3, 3, 3}));
    const QString enabled = QStringLiteral("摄像头已启用");
    const QString disabled = QStringLiteral("摄像头已停用");
    EXPECT_EQ(owner.events(), (QStringList{enabled, disabled, enabled, disabled}));
}

TEST_F(HostCallsBack, ReporterThatClosesAndReinitialisesIsServedAfterTheExport)
{
    // A file where the user folder should be: Init reports that it cannot
    // create it, from inside the export, and the reporter calls back.
    QFile blocker(userFolder().chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Reacting {
        enginetest::HostMessages kept;
        int reactionsLeft = 1;
        bool nestedRanInside = false;
    } reacting;
    static Reacting *current = nullptr;
    current = &reacting;
    // Back to the fixture's reporter however the test ends.
    struct Restore {
        enginetest::HostMessages *messages;
        ~Restore()
        {
            Quorvel_SetReporter(&enginetest::HostMessages::collect, messages);
            current = nullptr;
        }
    } restore{&messages};
    Quorvel_SetReporter(
        [](void *, int kind, const char *title, const char *text) {
            enginetest::HostMessages::collect(&current->kept, kind, title, text);
            if (current->reactionsLeft-- > 0) {
                Quorvel_close(nullptr, 0);
                const auto before = current->kept.messages().size();
                Quorvel_Init();  // would report again at once if it ran here
                current->nestedRanInside = current->kept.messages().size() != before;
            }
        },
        nullptr);
    EXPECT_EQ(Quorvel_Init(), 1);
    ASSERT_EQ(reacting.kept.texts(), QStringList{QStringLiteral("Cannot create User folder directory.")});
    EXPECT_FALSE(reacting.nestedRanInside);
    const auto first = reacting.kept.messages().front();
    EXPECT_EQ(first.kind, int(QuorvelMessage_Exception));
    EXPECT_TRUE(first.title.isEmpty());
    // The close and the Init put off by the reporter run from the event
    // loop: the close saves the settings files (which cannot be written
    // there, and says so), the Init reports the folder once more.
    ASSERT_TRUE(waitUntil([&] { return reacting.kept.texts().size() > 2; }));
    waitUntil([] { return false; }, 200);
    const QStringList texts = reacting.kept.texts();
    EXPECT_EQ(texts.count(QStringLiteral("Cannot create User folder directory.")), 2) << texts.join(u'|').toStdString();
    EXPECT_EQ(texts.last(), QStringLiteral("Cannot create User folder directory."));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("Cannot write "))) << texts.join(u'|').toStdString();
}

TEST_F(HostCallsBack, SnapshotWrittenJustBeforeCloseStillArrives)
{
    writeSources(QStringLiteral("testsrc"));
    const QString pictures = userFolder() + QStringLiteral("00/")
        + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("TimingCapture/");
    auto picturesOnDisk = [&] {
        QStringList out;
        QDirIterator it(pictures, {QStringLiteral("*.jpg")}, QDir::Files);
        while (it.hasNext())
            out << it.next();
        return out;
    };
    ASSERT_EQ(Quorvel_Init(), 1);
    openCamera();
    Quorvel_Capture(nullptr, 0);
    // The host does not run its loop until the picture is on disk: the frame
    // that wrote it is still waiting for the record to be handled when the
    // camera is closed.
    QElapsedTimer t;
    t.start();
    while (picturesOnDisk().isEmpty() && t.elapsed() < 10000)
        QThread::msleep(5);
    ASSERT_EQ(picturesOnDisk().size(), 1);
    EXPECT_TRUE(Quorvel_close(&host, 0));
    ASSERT_TRUE(settle(3));
    ASSERT_EQ(owner.types(), (std::vector<int>{4, 3, 3}));
    EXPECT_EQ(quorvelRecordText(owner.records[0].file), picturesOnDisk().front());

    // Capture and close at once, a few times: every picture that was written
    // is reported.
    for (int round = 0; round < 5; ++round) {
        Quorvel_Init();
        openCamera();
        waitUntil([] { return false; }, 150);
        Quorvel_Capture(nullptr, 0);
        Quorvel_close(&host, 0);
    }
    waitUntil([] { return false; }, 500);
    QStringList reported;
    for (const auto &r : owner.records)
        if (r.type == 4)
            reported << quorvelRecordText(r.file);
    reported.sort();
    QStringList written = picturesOnDisk();
    written.sort();
    EXPECT_EQ(reported, written);
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
