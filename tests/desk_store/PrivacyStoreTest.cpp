// The version-2 tables: an older file brought up in place, the operation log
// (append-only), the watchlist and its matching, and the retention removal.
#include "StoreFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace vondrel;

namespace {

QString stamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// Inserts `count` visits with `pictures` pictures of `bytes` random bytes
// each, in one transaction straight on the connection. leaveTime empty keeps
// the visitor inside.
QStringList addVisits(QSqlDatabase db, int count, const QString &entry, const QString &leave, int pictures,
                      int bytes)
{
    QStringList keys;
    EXPECT_TRUE(db.transaction());
    QSqlQuery v(db), p(db);
    EXPECT_TRUE(v.prepare(QStringLiteral(
        "INSERT INTO MJVisiter(ID,姓名,证件号码,登记时间,注销时间,随行人数) VALUES(?,?,?,?,?,0)")));
    EXPECT_TRUE(p.prepare(QStringLiteral("INSERT INTO MJVisiterImg(ID,USERID,img,imgExt,title) VALUES(?,?,?,?,?)")));
    QByteArray blob(bytes, Qt::Uninitialized);
    for (int i = 0; i < count; ++i) {
        const QString key = newKey();
        keys << key;
        v.addBindValue(key);
        v.addBindValue(QStringLiteral("访客%1").arg(i));
        v.addBindValue(QStringLiteral("11010519491231%1").arg(i % 10000, 4, 10, QLatin1Char('0')));
        v.addBindValue(entry);
        v.addBindValue(leave);
        EXPECT_TRUE(v.exec()) << v.lastError().text().toStdString();
        for (int k = 0; k < pictures; ++k) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(blob.data()), bytes / 4);
            p.addBindValue(newKey());
            p.addBindValue(key);
            p.addBindValue(blob);
            p.addBindValue(QStringLiteral(".jpg"));
            p.addBindValue(k == 0 ? QStringLiteral("Main") : QStringLiteral("随行%1").arg(k));
            EXPECT_TRUE(p.exec()) << p.lastError().text().toStdString();
        }
    }
    EXPECT_TRUE(db.commit());
    return keys;
}

// A file as the first version left it: the four tables, a version row of 1,
// an account, a reason, a visit and its picture.
void makeVersion1File(const QString &path, bool withVersionRow)
{
    const QString name = QStringLiteral("v1-maker");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        const char *const sqls[] = {
            "PRAGMA journal_mode=WAL",
            "CREATE TABLE MJVisiter (ID TEXT PRIMARY KEY NOT NULL, 姓名 TEXT, 性别 TEXT, 出生年月 TEXT,"
            " 被访人 TEXT, 证件类型 TEXT, 证件号码 TEXT, 联系电话 TEXT, 住址 TEXT, 备注 TEXT, 登记时间 TEXT,"
            " 注销时间 TEXT, 访问状态 TEXT, 当班门卫 TEXT, 来访事由 TEXT, 工作单位 TEXT, 随行人数 INTEGER)",
            "CREATE TABLE MJVisiterImg (ID TEXT PRIMARY KEY NOT NULL, USERID TEXT, img BLOB, imgExt TEXT, title TEXT)",
            "CREATE TABLE MJAccount (姓名 TEXT COLLATE NOCASE NOT NULL, 密码 TEXT NOT NULL)",
            "CREATE TABLE MJSettings (名称 TEXT, 内容 TEXT)",
            "INSERT INTO MJAccount VALUES('admin','582'),('张三','it''s \"q\"')",
            "INSERT INTO MJSettings VALUES('来访事由','访友'),('来访事由','送水、送气')",
            ("INSERT INTO MJVisiter VALUES('{OLD-1}','李四','男','1980-01-02','王五','身份证','11010519491231002X',"
             "'138','北京\n朝阳','备注','2020-01-01 08:00:00','2020-01-01 09:00:00','','张三','访友','某单位',2)"),
            "INSERT INTO MJVisiterImg VALUES('{IMG-1}','{OLD-1}',x'FFD8FFE0AABB','.jpg','Main')",
        };
        for (const char *s : sqls)
            ASSERT_TRUE(q.exec(QString::fromUtf8(s))) << s << q.lastError().text().toStdString();
        if (withVersionRow) {
            ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE SchemaInfo (version INTEGER NOT NULL)")));
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO SchemaInfo VALUES(1)")));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void expectVersion1RowsIntact()
{
    auto visits = listVisits(QString());
    ASSERT_EQ(visits.size(), 1u);
    const visitInfo &v = *visits[0];
    EXPECT_EQ(v.id, QStringLiteral("{OLD-1}"));
    EXPECT_EQ(v.name, QStringLiteral("李四"));
    EXPECT_EQ(v.docNumber, QStringLiteral("11010519491231002X"));
    EXPECT_EQ(v.address, QStringLiteral("北京\n朝阳"));
    EXPECT_EQ(v.leaveTime, QStringLiteral("2020-01-01 09:00:00"));
    EXPECT_EQ(v.companions, 2);
    auto pics = listImages(QStringLiteral("where USERID=?"), {v.id});
    ASSERT_EQ(pics.size(), 1u);
    QFile f(pics[0]->path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray::fromHex("FFD8FFE0AABB"));
    auto accounts = listAccounts();
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[1]->password, QStringLiteral("it's \"q\""));
    EXPECT_EQ(listSettings(QStringLiteral("where 名称='来访事由'")).size(), 2u);
}

} // namespace

class SchemaUpgrade : public ::testing::TestWithParam<bool> {};

TEST_P(SchemaUpgrade, OlderFileIsUpgradedInPlaceWithEveryRowKept)
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    makeVersion1File(dir.filePath(QStringLiteral("db.sqlite")), GetParam());
    {
        TDataModule1 dm(dir.path());
        ASSERT_TRUE(dm.isOpen()) << dm.openError().toStdString();
        EXPECT_TRUE(reporter.messages.isEmpty()) << (reporter.messages.isEmpty() ? std::string() : reporter.messages[0].text.toStdString());
        EXPECT_EQ(dm.fileSchemaVersion(), 2);
        EXPECT_TRUE(dm.upgradeError().isEmpty());
        expectVersion1RowsIntact();
        EXPECT_TRUE(appendAudit(QStringLiteral("admin"), audit::LoginOk, QString(), QStringLiteral("admin")));
    }
    // Opening again is no step at all: the log row is still there.
    TDataModule1 again(dir.path());
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(again.fileSchemaVersion(), 2);
    expectVersion1RowsIntact();
    EXPECT_EQ(listAudit(QDate::currentDate(), QDate::currentDate()).size(), 1u);
    QSqlQuery q(again.ADOConnection_update());
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA auto_vacuum")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 2) << "the file was not switched to incremental vacuum";
}

INSTANTIATE_TEST_SUITE_P(Privacy, SchemaUpgrade, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "WithVersionRow" : "WithoutVersionRow"; });

// Another program holding the write lock stands for a file that cannot be
// changed: the desk says so, and still lists the old data unchanged.
TEST(SchemaUpgradeFault, FileThatCannotBeChangedIsReportedAndStillListed)
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    const QString path = dir.filePath(QStringLiteral("db.sqlite"));
    makeVersion1File(path, true);
    const QString lockName = QStringLiteral("locker");
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), lockName);
        locker.setDatabaseName(path);
        ASSERT_TRUE(locker.open());
        QSqlQuery lock(locker);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        {
            TDataModule1 dm(dir.path());
            ASSERT_TRUE(dm.isOpen()) << dm.openError().toStdString();
            EXPECT_EQ(dm.fileSchemaVersion(), 1);
            EXPECT_FALSE(dm.upgradeError().isEmpty());
            ASSERT_EQ(reporter.messages.size(), 1);
            EXPECT_TRUE(reporter.messages[0].text.contains(QStringLiteral("无法升级"))) << reporter.messages[0].text.toStdString();
            EXPECT_TRUE(reporter.messages[0].text.contains(QStringLiteral("原有的来访记录没有改动")));
            expectVersion1RowsIntact();
            EXPECT_FALSE(appendAudit(QStringLiteral("admin"), audit::LoginOk, QString(), QString()));
            EXPECT_TRUE(matchWatchlist(QStringLiteral("11010519491231002X"), QString()).empty());
            EXPECT_EQ(removeExpiredVisits(1, QDateTime::currentDateTime(), QStringLiteral("admin")), 0);
        }
        lock.exec(QStringLiteral("ROLLBACK"));
        lock = QSqlQuery();
        locker.close();
    }
    QSqlDatabase::removeDatabase(lockName);
    reporter.messages.clear();
    // Once the file can be written again the step runs and nothing is lost.
    TDataModule1 dm(dir.path());
    EXPECT_EQ(dm.fileSchemaVersion(), 2);
    expectVersion1RowsIntact();
}

// A real read-only or full file system (a small tmpfs; needs the right to
// mount, so skipped where that is refused).
class MountedFolder {
public:
    explicit MountedFolder(const QString &path, int kib) : m_path(path)
    {
        const QByteArray cmd = "mount -t tmpfs -o size=" + QByteArray::number(kib) + "k tmpfs '" + path.toUtf8()
            + "' 2>/dev/null";
        m_mounted = std::system(cmd.constData()) == 0;
    }
    ~MountedFolder()
    {
        if (m_mounted)
            std::system(("umount '" + m_path.toUtf8() + "' 2>/dev/null").constData());
    }
    bool mounted() const { return m_mounted; }
    bool remountReadOnly() const
    {
        return std::system(("mount -o remount,ro '" + m_path.toUtf8() + "' 2>/dev/null").constData()) == 0;
    }

private:
    QString m_path;
    bool m_mounted = false;
};

class UnchangeableFile : public ::testing::TestWithParam<bool> {};

TEST_P(UnchangeableFile, ReadOnlyOrFullDiskIsReportedAndTheOldDataListed)
{
    const bool readOnly = GetParam();
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("mnt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    MountedFolder mount(folder, 512);
    if (!mount.mounted())
        GTEST_SKIP() << "no right to mount a tmpfs here";
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    const QString path = folder + QStringLiteral("/db.sqlite");
    makeVersion1File(path, true);
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/temp")));
    if (readOnly) {
        ASSERT_TRUE(mount.remountReadOnly());
    } else {
        // Fill the disk to the last byte.
        QFile filler(folder + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
    }
    {
        TDataModule1 dm(folder);
        ASSERT_TRUE(dm.isOpen()) << dm.openError().toStdString();
        EXPECT_EQ(dm.fileSchemaVersion(), 1);
        ASSERT_FALSE(reporter.messages.isEmpty());
        EXPECT_TRUE(reporter.messages[0].text.contains(QStringLiteral("原有的来访记录没有改动")))
            << reporter.messages[0].text.toStdString();
        reporter.messages.clear();
        auto visits = listVisits(QString());
        ASSERT_EQ(visits.size(), 1u);
        EXPECT_EQ(visits[0]->docNumber, QStringLiteral("11010519491231002X"));
        EXPECT_EQ(listAccounts().size(), 2u);
    }
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before) << "the file was changed";
}

INSTANTIATE_TEST_SUITE_P(Privacy, UnchangeableFile, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "ReadOnly" : "FullDisk"; });

TEST_F(StoreTest, FreshFileIsAtTheCurrentVersion)
{
    EXPECT_EQ(dm->fileSchemaVersion(), TDataModule1::schemaVersion);
    EXPECT_EQ(scalar(QStringLiteral("SELECT max(version) FROM SchemaInfo")).toInt(), 2);
}

TEST_F(StoreTest, AuditRowsRoundTripAndCannotBeChangedOrDeleted)
{
    const QString text = QStringLiteral("it's a \"quote\"; DROP TABLE MJAudit; --") + QString(1000, QChar(0x4E2D));
    ASSERT_TRUE(appendAudit(QStringLiteral("门'卫"), audit::Export, QStringLiteral("{K}"), text));
    auto rows = listAudit(QDate::currentDate(), QDate::currentDate());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->guard, QStringLiteral("门'卫"));
    EXPECT_EQ(rows[0]->action, audit::Export);
    EXPECT_EQ(rows[0]->visitId, QStringLiteral("{K}"));
    EXPECT_EQ(rows[0]->detail, text.left(kAuditDetailMax));
    EXPECT_EQ(rows[0]->detail.size(), kAuditDetailMax);

    EXPECT_FALSE(execSQL(QStringLiteral("UPDATE MJAudit SET 门卫='x'")));
    EXPECT_FALSE(execSQL(QStringLiteral("DELETE FROM MJAudit")));
    EXPECT_EQ(reporter.messages.size(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM MJAudit")).toInt(), 1);

    // The date range is by whole days.
    EXPECT_TRUE(listAudit(QDate::currentDate().addDays(1), QDate::currentDate().addDays(2)).empty());
    EXPECT_EQ(listAudit(QDate::currentDate().addDays(-3), QDate::currentDate()).size(), 1u);
}

TEST_F(StoreTest, WatchEntriesWithQuotesAndLongNotesRoundTrip)
{
    watchInfo w;
    w.docNumber = QStringLiteral(" 11010519491231002x ");
    w.name = QStringLiteral("O'Brien \"Bob\"");
    w.level = kWatchForbidden;
    w.note = QStringLiteral("'; DELETE FROM MJWatchlist; --") + QString(1000, QLatin1Char('n'));
    ASSERT_FALSE(saveWatch(w).isEmpty());
    auto all = listWatch();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->docNumber, QStringLiteral("11010519491231002X"));
    EXPECT_EQ(all[0]->name, w.name);
    EXPECT_EQ(all[0]->note, w.note);
    w.level = kWatchEscort;
    EXPECT_EQ(saveWatch(w), w.id);
    EXPECT_EQ(listWatch()[0]->level, kWatchEscort);
    EXPECT_TRUE(deleteWatch(w.id));
    EXPECT_TRUE(listWatch().empty());

    watchInfo empty;
    empty.level = kWatchEscort;
    EXPECT_TRUE(saveWatch(empty).isEmpty());
    watchInfo badLevel;
    badLevel.name = QStringLiteral("张三");
    badLevel.level = QStringLiteral("随便");
    EXPECT_TRUE(saveWatch(badLevel).isEmpty());
    EXPECT_EQ(reporter.messages.size(), 2);
    EXPECT_TRUE(listWatch().empty());
}

struct MatchCase {
    const char *label;
    const char *number;
    const char *name;
    std::vector<const char *> expectNotes;
};

class WatchMatch : public StoreTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(WatchMatch, MatchesByNumberOrForEntriesWithoutOneByExactName)
{
    const struct {
        const char *number, *name, *level, *note;
    } entries[] = {
        {"11010519491231002X", "李四", "需陪同", "by-number"},
        {"", "王五", "禁止进入", "by-name"},
        {"110105194912310033", "", "禁止进入", "number-only"},
    };
    for (const auto &e : entries) {
        watchInfo w;
        w.docNumber = QString::fromUtf8(e.number);
        w.name = QString::fromUtf8(e.name);
        w.level = QString::fromUtf8(e.level);
        w.note = QString::fromUtf8(e.note);
        ASSERT_FALSE(saveWatch(w).isEmpty());
    }
    const MatchCase &c = GetParam();
    auto hits = matchWatchlist(QString::fromUtf8(c.number), QString::fromUtf8(c.name));
    std::vector<std::string> notes;
    for (const auto &h : hits)
        notes.push_back(h->note.toStdString());
    std::vector<std::string> expected(c.expectNotes.begin(), c.expectNotes.end());
    EXPECT_EQ(notes, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Privacy, WatchMatch,
    ::testing::Values(MatchCase{"UpperX", "11010519491231002X", "", {"by-number"}},
                      MatchCase{"LowerX", "11010519491231002x", "", {"by-number"}},
                      MatchCase{"Blanks", " 11010519491231002x ", "", {"by-number"}},
                      MatchCase{"Prefix", "11010519491231002", "", {}},
                      MatchCase{"Longer", "11010519491231002X1", "", {}},
                      MatchCase{"NameOfNumberedEntryIsNoHit", "", "李四", {}},
                      MatchCase{"NameOfNumberedEntryWithOtherNumber", "999", "李四", {}},
                      MatchCase{"NameOnlyEntry", "320102198001010011", "王五", {"by-name"}},
                      MatchCase{"NamePrefix", "", "王", {}},
                      MatchCase{"NameLonger", "", "王五六", {}},
                      MatchCase{"NumberAndNameBoth", "110105194912310033", "王五", {"by-name", "number-only"}},
                      MatchCase{"Nothing", "", "", {}}),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(StoreTest, RetentionRemovesExactlyTheFinishedVisitsOlderThanTheLimit)
{
    const QDateTime now(QDate(2026, 6, 30), QTime(12, 0, 0));
    QSqlDatabase db = dm->ADOConnection_update();
    const QStringList old = addVisits(db, 450, stamp(now.addDays(-40)), stamp(now.addDays(-31)), 2, 64);
    const QStringList edge = addVisits(db, 1, stamp(now.addDays(-40)), stamp(now.addDays(-30).addSecs(1)), 1, 64);
    const QStringList recent = addVisits(db, 3, stamp(now.addDays(-2)), stamp(now.addDays(-1)), 2, 64);
    const QStringList inside = addVisits(db, 2, stamp(now.addDays(-400)), QString(), 2, 64);

    EXPECT_EQ(removeExpiredVisits(30, now, QStringLiteral("admin"), 200), 450);
    EXPECT_TRUE(reporter.messages.isEmpty());
    for (const QStringList *kept : {&edge, &recent, &inside})
        for (const QString &k : *kept) {
            EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM MJVisiter WHERE ID=?"), {k}).toInt(), 1);
            EXPECT_GE(scalar(QStringLiteral("SELECT count(*) FROM MJVisiterImg WHERE USERID=?"), {k}).toInt(), 1);
        }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM MJVisiter")).toInt(), 6);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM MJVisiterImg")).toInt(), 1 + 6 + 4);
    // One log row per batch: 200 + 200 + 50.
    auto log = listAudit(QDate::currentDate(), QDate::currentDate());
    ASSERT_EQ(log.size(), 3u);
    int logged = 0;
    for (const auto &row : log) {
        EXPECT_EQ(row->action, audit::Retention);
        EXPECT_EQ(row->guard, QStringLiteral("admin"));
        logged += row->detail.section(QLatin1Char(' '), 1, 1).toInt();
    }
    EXPECT_EQ(logged, 450);
    EXPECT_EQ(removeExpiredVisits(30, now, QStringLiteral("admin")), 0);
    EXPECT_EQ(removeExpiredVisits(0, now.addYears(10), QStringLiteral("admin")), 0) << "0 days keeps everything";
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM MJVisiter")).toInt(), 6);
}

TEST_F(StoreTest, RetentionGivesTheSpaceBack)
{
    const QDateTime now = QDateTime::currentDateTime();
    addVisits(dm->ADOConnection_update(), 300, stamp(now.addDays(-100)), stamp(now.addDays(-99)), 2, 40000);
    addVisits(dm->ADOConnection_update(), 5, stamp(now.addDays(-1)), QString(), 1, 40000);
    QSqlQuery(dm->ADOConnection_update()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    const qint64 before = QFileInfo(dbPath()).size();
    ASSERT_GT(before, 20'000'000);
    EXPECT_EQ(removeExpiredVisits(30, now, QStringLiteral("admin")), 300);
    const qint64 after = QFileInfo(dbPath()).size();
    EXPECT_LT(after, before / 10) << before << " -> " << after;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM MJVisiterImg")).toInt(), 5);
}

// A removal killed at any moment: every visit is there with all its pictures
// or gone with them, and no picture is left without its visit.
TEST(RetentionCrash, KilledRemovalLeavesVisitsWholeOrGone)
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    const QDateTime now = QDateTime::currentDateTime();
    {
        TDataModule1 dm(dir.path());
        ASSERT_TRUE(dm.isOpen());
        addVisits(dm.ADOConnection_update(), 3000, stamp(now.addDays(-100)), stamp(now.addDays(-99)), 3, 2000);
    }
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipefd[0]);
        TDataModule1 dm(dir.path());
        if (write(pipefd[1], "g", 1) != 1)
            _exit(2);
        removeExpiredVisits(30, now, QStringLiteral("admin"), 10);
        _exit(0);
    }
    close(pipefd[1]);
    char go = 0;
    ASSERT_EQ(read(pipefd[0], &go, 1), 1);
    close(pipefd[0]);
    // Let a few batches commit, then cut the removal off.
    TDataModule1 watcher(dir.path());
    for (int i = 0; i < 2000; ++i) {
        QSqlQuery q(watcher.ADOConnection_update());
        if (q.exec(QStringLiteral("SELECT count(*) FROM MJAudit")) && q.next() && q.value(0).toInt() >= 3)
            break;
        usleep(1000);
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    TDataModule1 dm(dir.path());
    ASSERT_TRUE(dm.isOpen());
    QSqlQuery q(dm.ADOConnection_update());
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("ok"));
    ASSERT_TRUE(q.exec(QStringLiteral(
        "SELECT count(*) FROM MJVisiter v WHERE (SELECT count(*) FROM MJVisiterImg i WHERE i.USERID=v.ID)<>3")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0) << "a visit lost part of its pictures";
    ASSERT_TRUE(q.exec(QStringLiteral(
        "SELECT count(*) FROM MJVisiterImg i WHERE NOT EXISTS (SELECT 1 FROM MJVisiter v WHERE v.ID=i.USERID)")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 0) << "pictures outlived their visit";
    // The count logged is the count gone.
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM MJVisiter")) && q.next());
    const int left = q.value(0).toInt();
    EXPECT_GT(left, 0) << "the removal finished before it was cut off";
    int logged = 0;
    for (const auto &row : listAudit(QDate::currentDate(), QDate::currentDate()))
        logged += row->detail.section(QLatin1Char(' '), 1, 1).toInt();
    EXPECT_EQ(logged, 3000 - left);
}
