// A camera's upload thread through the camera itself: pictures queued when
// the process is killed are sent after the next start, and many camera
// creations and destructions with FTP set up against a slow server leave no
// thread, leak or dangling access behind (the sanitizer build runs this too).
#include "CameraLibrary.h"
#include "EngineTestSupport.h"
#include "FtpTestSupport.h"
#include "RecordClass_FTP.h"
#include "UploadJournal.h"
#include "UsbCamera.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QProcessEnvironment>

#include <cstdio>

using namespace quorvel;
using ftptest::FtpTestServer;
using ftptest::Pictures;

namespace {

const char kChildFolder[] = "QUORVEL_FTP_CHILD_FOLDER";
const char kChildPaths[] = "QUORVEL_FTP_CHILD_PATHS";

OptionEnvironment environmentFor(const QString &userFolder)
{
    OptionEnvironment env;
    env.videoDevices = [] { return QList<CaptureDevice>{}; };
    env.videoCompressors = [] { return QStringList{QStringLiteral("x264enc")}; };
    env.audioInputs = [] { return QStringList{}; };
    env.audioCompressors = [] { return QStringList{}; };
    env.userFolder = userFolder;
    env.langFolder = QStringLiteral(QUORVEL_TEST_LANG_DIR);
    return env;
}

// Camera 0's FTP record, written as the settings panel would leave it.
void writeFtpRecord(const QString &userFolder, const FtpTestServer &server, int interval_s)
{
    RecordClass_FTP record(0, QStringLiteral("captureImageFTP.bin"), userFolder);
    record.ftpHost = QStringLiteral("127.0.0.1");
    record.ftpPort = QString::number(server.port());
    record.ftpUser = server.options().user;
    record.ftpPassword = server.options().password;
    record.uploadInterval = interval_s;
    record.uploadBatch = 30;
}

QStringList uploadThreadsLeft()
{
    QStringList names;
    QDirIterator it(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString name = QString::fromUtf8(ftptest::readAll(it.next() + QStringLiteral("/comm"))).trimmed();
        if (name.startsWith(QStringLiteral("ftp-upload")))
            names << name;
    }
    return names;
}

// The temporary files on the server and their sizes: they change while a
// transfer runs.
QMap<QString, qint64> partSizes(const QString &root)
{
    QMap<QString, qint64> sizes;
    for (const QFileInfo &info : QDir(root).entryInfoList({QStringLiteral("*.part")}, QDir::Files))
        sizes.insert(info.fileName(), info.size());
    return sizes;
}

QStringList namesOf(const QStringList &paths)
{
    QStringList out;
    for (const QString &p : paths)
        out << QFileInfo(p).fileName();
    return out;
}

} // namespace

// Run by the kill test in a child process: opens camera 0, queues the
// pictures the parent names and waits to be killed.
TEST(CameraUploadChild, QueuePicturesAndWaitForTheKill)
{
    const QString folder = qEnvironmentVariable(kChildFolder);
    if (folder.isEmpty())
        GTEST_SKIP() << "only run by CameraUpload.KilledProcessSendsItsQueueAfterTheNextStart";
    enginetest::ensureApp();
    enginetest::RecordingOwner owner;
    CameraLibrary lib;
    lib.Init(environmentFor(folder));
    lib.open(&owner, &owner, 1, nullptr, 0);
    UsbCamera *camera = lib.camera(0);
    ASSERT_NE(camera, nullptr);
    const QStringList paths = QString::fromUtf8(ftptest::readAll(qEnvironmentVariable(kChildPaths)))
                                  .split(u'\n', Qt::SkipEmptyParts);
    for (const QString &p : paths)
        camera->Callback().m_pUploadQueue.append(p);
    std::printf("QUEUED %d\n", int(paths.size()));
    std::fflush(stdout);
    enginetest::waitUntil([] { return false; }, 120000);
    ADD_FAILURE() << "the child was not killed";
}

TEST(CameraUpload, KilledProcessSendsItsQueueAfterTheNextStart)
{
    enginetest::ensureApp();
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(20);
    enginetest::UserFolder folder({QStringLiteral("testsrc")});
    writeFtpRecord(folder.path(), server, 1);
    const QString list = pictures.dir() + QStringLiteral("/queued.txt");
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(files.join(u'\n').toUtf8());
    }
    // The server refuses the login while the first process lives, so
    // nothing leaves the queue before the kill.
    server.command(QStringLiteral("refuse-login 1"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildFolder), folder.path());
    env.insert(QString::fromLatin1(kChildPaths), list);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(),
                {QStringLiteral("--gtest_filter=CameraUploadChild.*")});
    ASSERT_TRUE(child.waitForStarted(10000));
    ASSERT_TRUE(ftptest::waitUntil([&] {
        child.waitForReadyRead(10);
        return child.readAll().contains("QUEUED 20") || child.state() == QProcess::NotRunning;
    }, 60000));
    const UploadJournal journal(folder.path() + QStringLiteral("0uploadQueue.txt"));
    const bool journaled = ftptest::waitUntil([&] { return journal.load() == files; }, 20000);
    child.kill();  // SIGKILL: no destructor runs
    child.waitForFinished(10000);
    ASSERT_TRUE(journaled) << journal.load().size() << " paths journaled";
    EXPECT_EQ(server.renamed(), QStringList());

    server.command(QStringLiteral("refuse-login 0"));
    enginetest::RecordingOwner owner;
    CameraLibrary lib;
    lib.Init(environmentFor(folder.path()));
    lib.open(&owner, &owner, 1, nullptr, 0);
    ASSERT_NE(lib.camera(0), nullptr);
    const bool arrived = ftptest::waitUntil([&] { return server.renamed().size() >= files.size(); }, 30000);
    lib.close(0);
    ASSERT_TRUE(arrived) << server.renamed().size() << " arrived";
    EXPECT_EQ(server.renamed(), namesOf(files));
    for (const QString &f : files)
        EXPECT_EQ(ftptest::readAll(server.root() + u'/' + QFileInfo(f).fileName()), ftptest::readAll(f));
    EXPECT_EQ(journal.load(), QStringList());
}

// Paths still queued when a camera is destroyed are sent by the next one.
TEST(CameraUpload, QueueLeftAtDestructionIsSentByTheNextCamera)
{
    enginetest::ensureApp();
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(5);
    enginetest::UserFolder folder({QStringLiteral("testsrc")});
    writeFtpRecord(folder.path(), server, 1);
    server.command(QStringLiteral("refuse-login 1"));
    enginetest::RecordingOwner owner;
    CameraLibrary lib;
    lib.Init(environmentFor(folder.path()));
    lib.open(&owner, &owner, 1, nullptr, 0);
    for (const QString &f : files)
        lib.camera(0)->Callback().m_pUploadQueue.append(f);
    lib.close(0);
    server.command(QStringLiteral("refuse-login 0"));
    EXPECT_EQ(server.renamed(), QStringList());
    lib.Init(environmentFor(folder.path()));
    lib.open(&owner, &owner, 1, nullptr, 0);
    const bool arrived = ftptest::waitUntil([&] { return server.renamed().size() >= files.size(); }, 20000);
    lib.close(0);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(server.renamed(), namesOf(files));
}

// Disable stops the uploads; Enable starts them again.
TEST(CameraUpload, EnableAfterDisableUploadsAgain)
{
    enginetest::ensureApp();
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(2);
    enginetest::UserFolder folder({QStringLiteral("testsrc")});
    writeFtpRecord(folder.path(), server, 1);
    enginetest::RecordingOwner owner;
    CameraLibrary lib;
    lib.Init(environmentFor(folder.path()));
    lib.open(&owner, &owner, 1, nullptr, 0);
    UsbCamera *camera = lib.camera(0);
    camera->Disable();
    for (const QString &f : files)
        camera->Callback().m_pUploadQueue.append(f);
    camera->Enable();
    const bool arrived = ftptest::waitUntil([&] { return server.renamed().size() >= files.size(); }, 20000);
    lib.close(0);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(server.renamed(), namesOf(files));
}

// Camera creation and destruction with FTP set up against a slow server,
// often while a transfer is in progress.
TEST(CameraUpload, TwoHundredCreateDestroyCyclesWithASlowServer)
{
    enginetest::ensureApp();
    FtpTestServer::Options o;
    o.rate = 64 * 1024;
    FtpTestServer server(o);
    Pictures pictures;
    const QStringList files = pictures.makeMany(3, QStringLiteral("2011-08-09"), 256 * 1024);
    enginetest::UserFolder folder({QStringLiteral("testsrc")}, true);
    writeFtpRecord(folder.path(), server, 1);
    enginetest::RecordingOwner owner;
    CameraLibrary lib;
    const QString parts = server.root();
    bool sawTransfer = false;
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_EQ(lib.Init(environmentFor(folder.path())), 1);
        lib.open(&owner, &owner, 1, nullptr, 0);
        UsbCamera *camera = lib.camera(0);
        ASSERT_NE(camera, nullptr);
        UploadQueue &queue = camera->Callback().m_pUploadQueue;
        if (cycle % 10 == 0) {
            for (const QString &f : files)
                queue.append(f);
        }
        if (cycle % 10 == 0) {
            // Let a transfer begin, then destroy the camera in its middle.
            const QMap<QString, qint64> before = partSizes(parts);
            sawTransfer |= ftptest::waitUntil([&] { return partSizes(parts) != before; }, 3000);
        }
        ASSERT_TRUE(lib.close(0));
        ASSERT_EQ(uploadThreadsLeft(), QStringList()) << "cycle " << cycle;
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(sawTransfer);
    // Every picture the server holds under a final name is whole.
    for (const QString &name : QDir(parts).entryList({QStringLiteral("*.jpg")}, QDir::Files)) {
        const auto it = std::find_if(files.begin(), files.end(), [&](const QString &f) { return f.endsWith(u'/' + name); });
        ASSERT_NE(it, files.end()) << name.toStdString();
        EXPECT_EQ(ftptest::readAll(parts + u'/' + name), ftptest::readAll(*it));
    }
}
