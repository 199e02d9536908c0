// The upload thread's passes against a real server: batches in queue order,
// folders by date, one connection per pass, and nothing lost to a server
// that is down, refuses the login or a folder, goes silent, or is slow
// while the thread is stopped.
#include "FTPQueueUploadThread.h"
#include "FtpClientSupport.h"
#include "TIndyFTPCore.h"
#include "UploadJournal.h"
#include "UploadQueue.h"

#include <gtest/gtest.h>

#include <QDirIterator>

#include <atomic>
#include <condition_variable>
#include <optional>
#include <thread>

using namespace quorvel;
using ftptest::FtpTestServer;
using ftptest::LogCapture;
using ftptest::Pictures;

namespace {

QStringList namesOf(const QStringList &paths, const QString &prefix = QString())
{
    QStringList out;
    for (const QString &p : paths)
        out << prefix + QFileInfo(p).fileName();
    return out;
}

// One camera's queue, client and thread, with the pass reports kept.
class Rig {
public:
    explicit Rig(FtpTestServer &server, int interval_ms = 150, FtpTimeouts timeouts = ftptest::quickTimeouts())
        : m_server(server), client(0, timeouts), m_interval_ms(interval_ms)
    {
        point(server.options().password);
    }
    ~Rig() { stop(); }

    void point(const QString &password, const QString &folder = QString())
    {
        client.setServer(QStringLiteral("127.0.0.1"), QString::number(m_server.port()), folder, password,
                         m_server.options().user);
    }
    void useJournal(const QString &path) { journal.emplace(path); }
    void start(FtpPassOptions options = {})
    {
        FTPQueueUploadThread::Config config;
        config.interval = std::chrono::milliseconds(m_interval_ms);
        config.journalCheck = std::chrono::milliseconds(50);
        config.onPass = [this](const FtpPassReport &r) {
            std::lock_guard guard(m_lock);
            m_reports.push_back(r);
            m_changed.notify_all();
        };
        thread = std::make_unique<FTPQueueUploadThread>(0, client, queue, journal ? &*journal : nullptr, config);
        thread->setOptions(options);
        thread->start();
    }
    void stop()
    {
        if (thread)
            thread->stop();
    }
    std::vector<FtpPassReport> reports()
    {
        std::lock_guard guard(m_lock);
        return m_reports;
    }
    std::vector<FtpPassReport> workingReports()  // passes that took paths
    {
        std::vector<FtpPassReport> out;
        for (const auto &r : reports())
            if (r.taken > 0)
                out.push_back(r);
        return out;
    }
    int failedPasses()
    {
        int n = 0;
        for (const auto &r : reports())
            n += r.failed ? 1 : 0;
        return n;
    }
    bool waitFor(const std::function<bool()> &pred, int timeout_ms = 20000)
    {
        return ftptest::waitUntil(pred, timeout_ms);
    }

    FtpTestServer &m_server;
    UploadQueue queue;
    TIndyFTPCore client;
    std::optional<UploadJournal> journal;
    std::unique_ptr<FTPQueueUploadThread> thread;

private:
    int m_interval_ms;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<FtpPassReport> m_reports;
};

void enqueue(UploadQueue &queue, const QStringList &paths)
{
    for (const QString &p : paths)
        queue.append(p);
}

TEST(UploadPasses, FortyFiveQueuedWithBatchThirtyGoAsThirtyThenFifteenInOrder)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(45);
    Rig rig(server, 400);
    enqueue(rig.queue, files);
    FtpPassOptions options;
    options.uploadBatch = 30;
    rig.start(options);
    ASSERT_TRUE(rig.waitFor([&] { return rig.workingReports().size() >= 2; }));
    // A few empty passes more: they open no connection.
    const auto empties = rig.reports().size();
    ASSERT_TRUE(rig.waitFor([&] { return rig.reports().size() >= empties + 2; }));
    rig.stop();
    const auto working = rig.workingReports();
    ASSERT_EQ(working.size(), 2u);
    EXPECT_EQ(working[0].taken, 30);
    EXPECT_EQ(working[0].stored, 30);
    EXPECT_EQ(working[1].taken, 15);
    EXPECT_EQ(working[1].stored, 15);
    EXPECT_EQ(server.renamed(), namesOf(files));
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(rig.queue.size(), 0);
    for (const QString &f : files)
        EXPECT_EQ(ftptest::readAll(server.root() + u'/' + QFileInfo(f).fileName()), ftptest::readAll(f));
}

TEST(UploadPasses, DateFolderOfTheFirstFileHoldsTheWholeBatch)
{
    FtpTestServer server;
    Pictures pictures;
    const QString first = pictures.make(QStringLiteral("2011-08-09"), QStringLiteral("x.jpg"));
    const QString other = pictures.make(QStringLiteral("2011-08-10"), QStringLiteral("y.jpg"));
    QDir(server.root()).mkpath(QStringLiteral("pics"));  // only the last level is made
    Rig rig(server);
    rig.point(server.options().password, QStringLiteral("pics/"));
    enqueue(rig.queue, {first, other});
    FtpPassOptions options;
    options.dirByDate = true;
    rig.start(options);
    ASSERT_TRUE(rig.waitFor([&] { return rig.workingReports().size() >= 1; }));
    rig.stop();
    EXPECT_EQ(rig.workingReports()[0].subfolder, QStringLiteral("2011-08-09"));
    EXPECT_EQ(server.renamed(), (QStringList{QStringLiteral("pics/2011-08-09/x.jpg"), QStringLiteral("pics/2011-08-09/y.jpg")}));
}

TEST(UploadPasses, AFirstPathWithoutFolderStoresInTheRemoteFolderItself)
{
    FtpTestServer server;
    Pictures pictures;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(pictures.dir());
    {
        QFile f(QStringLiteral("loose.jpg"));
        f.open(QIODevice::WriteOnly);
        f.write("loose");
    }
    const QString dated = pictures.make(QStringLiteral("2011-08-09"), QStringLiteral("x.jpg"));
    Rig rig(server);
    rig.point(server.options().password, QStringLiteral("pics"));
    enqueue(rig.queue, {QStringLiteral("loose.jpg"), dated});
    FtpPassOptions options;
    options.dirByDate = true;
    rig.start(options);
    const bool passed = rig.waitFor([&] { return rig.workingReports().size() >= 1; });
    rig.stop();
    QDir::setCurrent(cwd);
    ASSERT_TRUE(passed);
    EXPECT_EQ(server.renamed(), (QStringList{QStringLiteral("pics/loose.jpg"), QStringLiteral("pics/x.jpg")}));
}

TEST(UploadPasses, DateFolderIsTheFolderHoldingTheFile)
{
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QStringLiteral("/home/u/pics/0/2011-08-09/x.jpg")), QStringLiteral("2011-08-09"));
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QStringLiteral("/a/b/")), QStringLiteral("a"));
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QStringLiteral("a/b/")), QString());
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QStringLiteral("x.jpg")), QString());
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QStringLiteral("d/x.jpg")), QString());
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QStringLiteral("/x.jpg")), QString());
    EXPECT_EQ(FTPQueueUploadThread::dateFolderOf(QString()), QString());
}

// The server stopped for three passes and started again: every picture
// arrives once, in order.
TEST(UploadMends, ServerDownForThreePassesLosesNothing)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(7);
    server.stop();
    Rig rig(server, 100);
    enqueue(rig.queue, files);
    FtpPassOptions options;
    options.uploadBatch = 3;
    rig.start(options);
    ASSERT_TRUE(rig.waitFor([&] { return rig.failedPasses() >= 3; }));
    EXPECT_EQ(rig.queue.snapshot(), files);  // kept at the head, in order
    server.start();
    ASSERT_TRUE(rig.waitFor([&] { return server.renamed().size() >= files.size() && rig.queue.size() == 0; }));
    rig.stop();
    EXPECT_EQ(server.renamed(), namesOf(files));
    for (const auto &r : rig.reports()) {
        if (r.failed) {
            EXPECT_EQ(r.kept, r.taken);
        }
    }
}

TEST(UploadMends, RefusedLoginThenAllowedLosesNothing)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(5);
    server.command(QStringLiteral("refuse-login 1"));
    LogCapture log;
    Rig rig(server, 100);
    enqueue(rig.queue, files);
    rig.start();
    ASSERT_TRUE(rig.waitFor([&] { return rig.failedPasses() >= 2; }));
    EXPECT_EQ(rig.queue.snapshot(), files);
    server.command(QStringLiteral("refuse-login 0"));
    ASSERT_TRUE(rig.waitFor([&] { return rig.queue.size() == 0 && server.renamed().size() == 5; }));
    rig.stop();
    EXPECT_EQ(server.renamed(), namesOf(files));
    const QStringList lines = log.linesWith(QStringLiteral("cannot log in"));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().contains(QStringLiteral("[camera 0]")));
    EXPECT_TRUE(lines.first().contains(QStringLiteral("530"))) << lines.first().toStdString();
    for (const QString &line : log.lines())
        EXPECT_FALSE(line.contains(server.options().password)) << line.toStdString();
}

TEST(UploadMends, FolderTheServerRefusesKeepsTheBatchForRetry)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(4);
    server.command(QStringLiteral("refuse-folder pics2011-08-09"));
    LogCapture log;
    Rig rig(server, 100);
    rig.point(server.options().password, QStringLiteral("pics"));
    enqueue(rig.queue, files);
    FtpPassOptions options;
    options.dirByDate = true;
    rig.start(options);
    ASSERT_TRUE(rig.waitFor([&] { return rig.failedPasses() >= 2; }));
    EXPECT_EQ(rig.queue.snapshot(), files);
    const QStringList lines = log.linesWith(QStringLiteral("cannot enter folder"));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().contains(QStringLiteral("pics2011-08-09")));
    EXPECT_TRUE(lines.first().contains(QStringLiteral("550"))) << lines.first().toStdString();
    server.command(QStringLiteral("allow-folder pics2011-08-09"));
    ASSERT_TRUE(rig.waitFor([&] { return rig.queue.size() == 0 && server.renamed().size() == 4; }));
    rig.stop();
    EXPECT_EQ(server.renamed(), namesOf(files, QStringLiteral("pics2011-08-09/")));
}

// A file the server refuses to store a few times in a row, with the
// connection otherwise working, leaves the queue with a log line; the
// others are stored in order.
TEST(UploadMends, AFileRefusedThreeTimesIsDroppedAndNamed)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(3);
    server.command(QStringLiteral("refuse-store p01.jpg.part"));
    LogCapture log;
    Rig rig(server, 100);
    enqueue(rig.queue, files);
    rig.start();
    ASSERT_TRUE(rig.waitFor([&] { return !log.linesWith(QStringLiteral("given up")).isEmpty(); }));
    rig.stop();
    EXPECT_EQ(rig.queue.size(), 0);
    EXPECT_EQ(server.renamed(), (QStringList{QStringLiteral("p00.jpg"), QStringLiteral("p02.jpg")}));
    const QStringList given = log.linesWith(QStringLiteral("given up"));
    ASSERT_EQ(given.size(), 1) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(given.first().contains(files.at(1)));
    EXPECT_TRUE(given.first().contains(QStringLiteral("553")));
    EXPECT_EQ(log.linesWith(QStringLiteral("try ")).size(), 2);
    for (const auto &r : rig.reports())
        EXPECT_FALSE(r.failed);
}

TEST(UploadMends, MissingFileIsDroppedAndTheRestStored)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(3);
    QFile::remove(files.at(1));
    LogCapture log;
    Rig rig(server);
    enqueue(rig.queue, files);
    rig.start();
    ASSERT_TRUE(rig.waitFor([&] { return rig.workingReports().size() >= 1; }));
    rig.stop();
    EXPECT_EQ(server.renamed(), (QStringList{QStringLiteral("p00.jpg"), QStringLiteral("p02.jpg")}));
    EXPECT_EQ(rig.workingReports()[0].dropped, 1);
    EXPECT_EQ(log.linesWith(files.at(1)).size(), 1);
    EXPECT_EQ(rig.queue.size(), 0);
}

TEST(UploadMends, SilentServerEndsThePassByItsTimeoutAndKeepsTheBatch)
{
    FtpTestServer::Options o;
    o.silent = true;
    FtpTestServer server(o);
    Pictures pictures;
    const QStringList files = pictures.makeMany(2);
    FtpTimeouts t = ftptest::quickTimeouts();
    t.connect_ms = 1000;
    Rig rig(server, 100, t);
    enqueue(rig.queue, files);
    rig.start();
    ASSERT_TRUE(rig.waitFor([&] { return rig.failedPasses() >= 1; }, 15000));
    rig.stop();
    const auto r = rig.workingReports().at(0);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.timedOut) << r.error.toStdString();
    EXPECT_EQ(r.kept, 2);
    EXPECT_EQ(rig.queue.snapshot(), files);
}

// Stop while the thread waits for a silent server's greeting, and while it
// sends a large file to a slow server: it ends at once and the picture stays
// queued.
TEST(UploadMends, StopIsPromptDuringALargeTransfer)
{
    FtpTestServer::Options o;
    o.rate = 256 * 1024;
    FtpTestServer server(o);
    Pictures pictures;
    const QString big = pictures.make(QStringLiteral("d"), QStringLiteral("big.jpg"), 24 * 1024 * 1024);
    Rig rig(server, 100, FtpTimeouts{});  // the product's long timeouts
    enqueue(rig.queue, {big});
    rig.start();
    const QString part = server.root() + QStringLiteral("/big.jpg.part");
    ASSERT_TRUE(rig.waitFor([&] { return QFileInfo(part).size() > 0; }));
    QElapsedTimer timer;
    timer.start();
    rig.stop();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_FALSE(rig.thread->isRunning());
    EXPECT_EQ(rig.queue.snapshot(), QStringList{big});
    EXPECT_FALSE(QFileInfo::exists(server.root() + QStringLiteral("/big.jpg")));
}

TEST(UploadMends, StopIsPromptWhileASilentServerIsAwaited)
{
    FtpTestServer::Options o;
    o.silent = true;
    FtpTestServer server(o);
    Pictures pictures;
    Rig rig(server, 100, FtpTimeouts{});
    enqueue(rig.queue, pictures.makeMany(1));
    rig.start();
    ASSERT_TRUE(rig.waitFor([&] { return server.connections() >= 1; }));
    QElapsedTimer timer;
    timer.start();
    rig.stop();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(rig.queue.size(), 1);
}

struct WatchCase {
    const char *name;
    bool fixedName;
};

class NoHalfFiles : public ::testing::TestWithParam<WatchCase> {};

// A watcher listing the server folder during uploads sees only complete
// files under final names (a web page showing the fixed-name picture never
// gets a cut one).
TEST_P(NoHalfFiles, WatcherSeesOnlyCompleteFilesUnderFinalNames)
{
    FtpTestServer::Options o;
    o.rate = 4 * 1024 * 1024;
    FtpTestServer server(o);
    Pictures pictures;
    const QStringList files = pictures.makeMany(8, QStringLiteral("2011-08-09"), 600 * 1024);
    QList<QByteArray> contents;
    for (const QString &f : files)
        contents << ftptest::readAll(f);
    std::atomic<bool> done{false};
    std::atomic<int> partsSeen{0};
    std::atomic<int> finalsChecked{0};
    QStringList problems;
    std::thread watcher([&] {
        while (!done.load()) {
            QDirIterator it(server.root(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                if (path.endsWith(QStringLiteral(".part"))) {
                    ++partsSeen;
                    continue;
                }
                const QByteArray seen = ftptest::readAll(path);
                if (seen.isEmpty() && !QFileInfo::exists(path))
                    continue;  // renamed over between listing and reading
                ++finalsChecked;
                if (!contents.contains(seen))
                    problems << QStringLiteral("%1: %2 bytes, not a whole picture").arg(path).arg(seen.size());
            }
            QThread::msleep(1);
        }
    });
    Rig rig(server, 100);
    enqueue(rig.queue, files);
    FtpPassOptions options;
    options.fixedNameOn = GetParam().fixedName;
    options.fixedName = QStringLiteral("door.jpg");
    rig.start(options);
    const bool all = rig.waitFor([&] { return rig.queue.size() == 0 && server.renamed().size() == files.size(); });
    done = true;
    watcher.join();
    rig.stop();
    ASSERT_TRUE(all);
    EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    EXPECT_GT(partsSeen.load(), 0);      // the watcher did see uploads in progress
    EXPECT_GT(finalsChecked.load(), 0);
    if (GetParam().fixedName) {
        EXPECT_EQ(ftptest::readAll(server.root() + QStringLiteral("/door.jpg")), contents.last());
    }
}

INSTANTIATE_TEST_SUITE_P(Names, NoHalfFiles,
                         ::testing::Values(WatchCase{"OwnNames", false}, WatchCase{"FixedName", true}),
                         [](const auto &info) { return std::string(info.param.name); });

// The journal follows the queue: what waits is in it, in order, and what was
// sent leaves it.
TEST(UploadJournalFile, FollowsTheQueueWhileTheServerIsDownAndEmptiesAfterUpload)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(6);
    server.command(QStringLiteral("refuse-login 1"));
    QTemporaryDir folder;
    Rig rig(server, 100);
    rig.useJournal(folder.path() + QStringLiteral("/0uploadQueue.txt"));
    rig.start();
    enqueue(rig.queue, files);
    ASSERT_TRUE(rig.waitFor([&] { return rig.journal->load() == files; }));
    server.command(QStringLiteral("refuse-login 0"));
    ASSERT_TRUE(rig.waitFor([&] { return rig.queue.size() == 0 && rig.journal->load().isEmpty(); }));
    rig.stop();
    EXPECT_EQ(server.renamed(), namesOf(files));
    // Nothing waits, so no journal (and no temporary file) is left.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST(UploadJournalFile, EncodesAnyPathOneALine)
{
    const QStringList paths{QStringLiteral("/a/b c/2011-08-09 101010123.jpg"), QStringLiteral("/x/line\nbreak.jpg"),
                            QStringLiteral("/x/100%25.jpg"), QStringLiteral("/图片/门.jpg"), QStringLiteral("cr\r.jpg")};
    const QByteArray bytes = UploadJournal::encode(paths);
    EXPECT_EQ(bytes.count('\n'), paths.size() + 1);
    EXPECT_EQ(UploadJournal::decode(bytes), paths);
    // A cut last line and a file of another program are not read as paths.
    EXPECT_EQ(UploadJournal::decode(bytes.left(bytes.size() - 3)), paths.mid(0, paths.size() - 1));
    EXPECT_EQ(UploadJournal::decode("some other file\n/a.jpg\n"), QStringList());
    EXPECT_EQ(UploadJournal::decode(QByteArray()), QStringList());
    QTemporaryDir dir;
    UploadJournal journal(dir.path() + QStringLiteral("/j.txt"));
    EXPECT_EQ(journal.load(), QStringList());
    ASSERT_TRUE(journal.save(paths));
    EXPECT_EQ(journal.load(), paths);
    ASSERT_TRUE(journal.save({}));
    EXPECT_FALSE(QFileInfo::exists(journal.path()));
}

} // namespace
