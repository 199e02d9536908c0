#include "StoreFixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace vondrel;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST_F(StoreTest, FreshDatabaseHasTheSchemaTheAdminAndTheReasons)
{
    const QStringList tables = dm->ADOConnection_update().tables();
    for (const char *t : {"MJVisiter", "MJVisiterImg", "MJAccount", "MJSettings"})
        EXPECT_TRUE(tables.contains(QLatin1String(t))) << t;
    EXPECT_EQ(scalar(QStringLiteral("select version from SchemaInfo")).toInt(), TDataModule1::schemaVersion);
    EXPECT_EQ(scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    // The entry time index serves the date-range listing.
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sqlite_master where type='index' and tbl_name='MJVisiter' "
                                    "and sql like '%登记时间%'")).toInt(), 1);
    // Exact column names of the visit table.
    QSqlRecord rec = dm->ADOConnection_update().record(QStringLiteral("MJVisiter"));
    const QStringList expected = {"ID", "姓名", "性别", "出生年月", "被访人", "证件类型", "证件号码", "联系电话",
                                  "住址", "备注", "登记时间", "注销时间", "访问状态", "当班门卫", "来访事由",
                                  "工作单位", "随行人数"};
    ASSERT_EQ(rec.count(), expected.size());
    for (int i = 0; i < rec.count(); ++i)
        EXPECT_EQ(rec.fieldName(i), expected[i]);

    auto admin = checkLogin(QStringLiteral("admin"), QStringLiteral("582"));
    ASSERT_TRUE(admin);
    EXPECT_EQ(listAccounts().size(), 1u);
    EXPECT_GE(listSettings(QStringLiteral("where 名称='来访事由'")).size(), 3u);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, ReopeningKeepsTheDataAndAddsNoSecondAdmin)
{
    ASSERT_TRUE(addAccount({QStringLiteral("张三"), QStringLiteral("1")}));
    dm.reset();
    dm = std::make_unique<TDataModule1>(dir.path());
    ASSERT_TRUE(dm->isOpen());
    EXPECT_EQ(listAccounts().size(), 2u);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from SchemaInfo")).toInt(), 1);
}

struct BadDbCase {
    const char *name;
    QByteArray content;
};

class BadDatabase : public ::testing::TestWithParam<BadDbCase> {};

TEST_P(BadDatabase, IsReportedAndNeverOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db.sqlite"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(GetParam().content);
    }
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    {
        TDataModule1 dm(dir.path());
        EXPECT_FALSE(dm.isOpen());
        ASSERT_EQ(reporter.messages.size(), 1);
        const QString shown = reporter.messages[0].text;
        EXPECT_TRUE(shown.contains(QStringLiteral("db.sqlite"))) << shown.toStdString();
        EXPECT_EQ(reporter.messages[0].kind, Reporter::Kind::Error);

        // Every store operation shows the same error and fails.
        reporter.clear();
        EXPECT_FALSE(checkLogin(QStringLiteral("admin"), QStringLiteral("582")));
        visitInfo v;
        EXPECT_TRUE(saveVisit(v).isEmpty());
        EXPECT_TRUE(listVisits(QString()).empty());
        EXPECT_FALSE(addAccount({QStringLiteral("a"), QStringLiteral("b")}));
        EXPECT_FALSE(execSQL(QStringLiteral("delete from MJSettings")));
        ASSERT_EQ(reporter.messages.size(), 5);
        for (const auto &m : reporter.messages)
            EXPECT_EQ(m.text, shown);
    }
    EXPECT_EQ(fileBytes(path), GetParam().content);
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
}

INSTANTIATE_TEST_SUITE_P(Files, BadDatabase, ::testing::Values(
    BadDbCase{"Text", QByteArray("this is not a database, just some text the user put here\n").repeated(200)},
    BadDbCase{"TruncatedHeader", QByteArray("SQLite format 3\0garbage", 23)},
    BadDbCase{"Binary", QByteArray(4096, '\xA5')}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BadDatabaseForeign, ADatabaseWithoutTheTablesIsReportedAndKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db.sqlite"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("create table other(x)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    const QByteArray before = fileBytes(path);
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    {
        TDataModule1 dm(dir.path());
        EXPECT_FALSE(dm.isOpen());
        ASSERT_EQ(reporter.messages.size(), 1);
        EXPECT_TRUE(reporter.messages[0].text.contains(QStringLiteral("MJVisiter")));
    }
    EXPECT_EQ(fileBytes(path), before);
}

TEST(NoDataModule, OperationsFailWithAMessage)
{
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    ASSERT_EQ(TDataModule1::instance(), nullptr);
    EXPECT_TRUE(listAccounts().empty());
    EXPECT_EQ(reporter.messages.size(), 1);
}

TEST_F(StoreTest, ExecSqlBindsAndReportsTheDriverMessage)
{
    EXPECT_TRUE(execSQL(QStringLiteral("delete from MJSettings where 名称=?"), {QStringLiteral("来访事由")}));
    EXPECT_TRUE(listSettings(QStringLiteral("where 名称='来访事由'")).empty());
    EXPECT_FALSE(execSQL(QStringLiteral("delete from NoSuchTable")));
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(QStringLiteral("no such table"))) << reporter.messages[0].text.toStdString();
}

TEST(Keys, AreBracedUpperCaseGuids)
{
    const QString k = newKey();
    EXPECT_EQ(k.size(), 38);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"))
                    .match(k).hasMatch()) << k.toStdString();
    EXPECT_NE(newKey(), k);
}

TEST(EmptyDatabaseFile, GetsTheSchema)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("db.sqlite")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    TDataModule1 dm(dir.path());
    EXPECT_TRUE(dm.isOpen()) << dm.openError().toStdString();
    EXPECT_TRUE(checkLogin(QStringLiteral("admin"), QStringLiteral("582")));
}

namespace {

struct RenamedColumn {
    const char *table;
    const char *column;
};

class RenamedColumnDatabase : public ::testing::TestWithParam<RenamedColumn> {};

// A file of ours whose table lost a column (renamed by some other tool) is
// refused at start-up like a file that is not a database: one message, and
// the file is not written to.
TEST_P(RenamedColumnDatabase, IsReportedOnceAtStartUpAndNeverWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db.sqlite"));
    {
        TDataModule1 fresh(dir.path());
        ASSERT_TRUE(fresh.isOpen());
        visitInfo v;
        v.name = QStringLiteral("来访者");
        const QString key = saveVisit(v);
        ASSERT_FALSE(key.isEmpty());
        QSqlQuery q(fresh.ADOConnection_update());
        ASSERT_TRUE(q.exec(QStringLiteral("insert into MJVisiterImg(ID,USERID,img,imgExt,title) "
                                          "values('{P}','%1',x'FFD8FFE0AA','.jpg','Main')").arg(key)));
        const QString table = QString::fromUtf8(GetParam().table);
        const QString column = QString::fromUtf8(GetParam().column);
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO renamed_%2").arg(table, column)))
            << q.lastError().text().toStdString();
    }
    ASSERT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
    const QByteArray before = fileBytes(path);

    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    {
        TDataModule1 dm(dir.path());
        EXPECT_FALSE(dm.isOpen());
        ASSERT_EQ(reporter.messages.size(), 1) << reporter.texts().join(u'\n').toStdString();
        const QString shown = reporter.messages[0].text;
        EXPECT_TRUE(shown.contains(QStringLiteral("db.sqlite"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("数据表 %1 没有字段 %2")
                                       .arg(QString::fromUtf8(GetParam().table), QString::fromUtf8(GetParam().column))))
            << shown.toStdString();

        // Nothing reads or writes rows; the login learns the store failed.
        reporter.clear();
        bool storeFailed = false;
        EXPECT_FALSE(checkLogin(QStringLiteral("admin"), QStringLiteral("582"), &storeFailed));
        EXPECT_TRUE(storeFailed);
        EXPECT_TRUE(listImages(QString()).empty());
        visitInfo v;
        EXPECT_TRUE(saveVisit(v).isEmpty());
        for (const auto &m : reporter.messages)
            EXPECT_EQ(m.text, shown);
    }
    EXPECT_EQ(fileBytes(path), before) << "the file was written to";
}

INSTANTIATE_TEST_SUITE_P(Tables, RenamedColumnDatabase, ::testing::Values(
    RenamedColumn{"MJVisiter", "证件号码"}, RenamedColumn{"MJVisiterImg", "img"},
    RenamedColumn{"MJAccount", "密码"}, RenamedColumn{"MJSettings", "内容"}),
    [](const auto &info) { return std::string(info.param.table); });

} // namespace
