#include "TDataModule1.h"

#include "DataFolder.h"
#include "Reporter.h"
#include "StoreInternal.h"
#include "Storemanage.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <atomic>
#include <initializer_list>

namespace vondrel {

namespace {

TDataModule1 *g_current = nullptr;
std::atomic<int> g_serial{0};

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

// The schema this build creates. Column names are the ones the windows and
// the exported lists rely on; texts are TEXT, the companion count INTEGER,
// the picture a BLOB.
const char *const kSchema[] = {
    "CREATE TABLE MJVisiter ("
    " ID TEXT PRIMARY KEY NOT NULL,"
    " 姓名 TEXT, 性别 TEXT, 出生年月 TEXT, 被访人 TEXT, 证件类型 TEXT, 证件号码 TEXT,"
    " 联系电话 TEXT, 住址 TEXT, 备注 TEXT, 登记时间 TEXT, 注销时间 TEXT, 访问状态 TEXT,"
    " 当班门卫 TEXT, 来访事由 TEXT, 工作单位 TEXT, 随行人数 INTEGER)",
    "CREATE INDEX MJVisiter_登记时间 ON MJVisiter(登记时间)",
    "CREATE TABLE MJVisiterImg (ID TEXT PRIMARY KEY NOT NULL, USERID TEXT, img BLOB, imgExt TEXT, title TEXT)",
    "CREATE INDEX MJVisiterImg_USERID ON MJVisiterImg(USERID)",
    // Names match without regard to Latin letter case (as the login does);
    // exactly equal names cannot be stored twice.
    "CREATE TABLE MJAccount (姓名 TEXT COLLATE NOCASE NOT NULL, 密码 TEXT NOT NULL)",
    "CREATE UNIQUE INDEX MJAccount_姓名 ON MJAccount(姓名 COLLATE BINARY)",
    "CREATE TABLE MJSettings (名称 TEXT, 内容 TEXT)",
    "CREATE TABLE SchemaInfo (version INTEGER NOT NULL)",
};

// The columns the store reads and writes, per table. A file whose tables
// lack one is refused as a whole at start-up: otherwise every row read would
// fail on its own, and the login would blame the guard for a broken file.
struct TableColumns {
    const char *table;
    std::initializer_list<const char *> columns;
};
const TableColumns kRequiredColumns[] = {
    {"MJVisiter", {"ID", "姓名", "性别", "出生年月", "被访人", "证件类型", "证件号码", "联系电话", "住址",
                   "备注", "登记时间", "注销时间", "访问状态", "当班门卫", "来访事由", "工作单位", "随行人数"}},
    {"MJVisiterImg", {"ID", "USERID", "img", "imgExt", "title"}},
    {"MJAccount", {"姓名", "密码"}},
    {"MJSettings", {"名称", "内容"}},
};

const char *const kStartingReasons[] = {"访友", "探亲", "送水、送气", "其他家政服务"};


} // namespace

TDataModule1::TDataModule1()
    : TDataModule1(filesFolder())
{
}

TDataModule1::TDataModule1(const QString &dataFolder)
    : m_dataFolder(withSlash(dataFolder))
    , m_dbPath(m_dataFolder + QStringLiteral("db.sqlite"))
    , m_connectionName(QStringLiteral("vondrel-desk-%1").arg(++g_serial))
    , m_previous(g_current)
{
    g_current = this;
    open();
    // A file that could not be opened for writing is still listed; one whose
    // tables are not ours is not opened at all.
    if (!m_open && !m_schemaRefused && QFileInfo(m_dbPath).isFile() && QFileInfo(m_dbPath).size() > 0)
        openReadOnly();
    if (!m_open)
        reportError(m_openError);
}

TDataModule1::~TDataModule1()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    if (g_current == this)
        g_current = m_previous;
}

TDataModule1 *TDataModule1::instance()
{
    return g_current;
}

QSqlDatabase TDataModule1::ADOConnection_update() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void TDataModule1::open()
{
    const QString failPrefix = QStringLiteral("无法打开数据库 %1: ").arg(QDir::toNativeSeparators(m_dbPath));
    const QFileInfo info(m_dbPath);
    // A missing or empty file gets the schema; anything else must already be
    // a database of ours and is never rewritten.
    const bool fresh = !info.exists() || (info.isFile() && info.size() == 0);
    if (info.exists() && !info.isFile()) {
        m_openError = failPrefix + QStringLiteral("不是文件");
        return;
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    if (!db.isValid()) {
        m_openError = failPrefix + QStringLiteral("没有 SQLite 数据库驱动 (QSQLITE)");
        return;
    }
    db.setDatabaseName(m_dbPath);
    // A second program reading the file waits instead of failing at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        m_openError = failPrefix + errorText(db.lastError());
        return;
    }

    QString error;
    // Reading the schema first proves the file is a database before anything
    // is written to it (the journal mode change writes to the header).
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        m_openError = failPrefix + errorText(probe.lastError());
        probe = QSqlQuery();
        db.close();
        return;
    }
    probe.next();
    const int objects = probe.value(0).toInt();
    probe = QSqlQuery();

    // A file of someone else's is left as it is: the schema is checked
    // before anything (even the journal mode) is written.
    const bool create = fresh || objects == 0;
    if (!create && !checkSchema(db)) {
        db.close();
        return;
    }
    // WAL: a reader in another program does not block the desk, and a
    // save cut short by a crash rolls back to the previous row.
    if (!detail::runStatement(db, QStringLiteral("PRAGMA journal_mode=WAL"), {}, error)
        || !detail::runStatement(db, QStringLiteral("PRAGMA synchronous=FULL"), {}, error)) {
        m_openError = failPrefix + error;
        db.close();
        return;
    }
    if (create && !createSchema(db)) {
        db.close();
        return;
    }
    m_open = true;
    upgradeSchema(db);
}

bool TDataModule1::createSchema(QSqlDatabase &db)
{
    const QString failPrefix = QStringLiteral("无法建立数据库 %1: ").arg(QDir::toNativeSeparators(m_dbPath));
    QString error;
    if (!db.transaction()) {
        m_openError = failPrefix + errorText(db.lastError());
        return false;
    }
    bool ok = true;
    for (const char *sql : kSchema)
        ok = ok && detail::runStatement(db, QString::fromUtf8(sql), {}, error);
    ok = ok && detail::runStatement(db, QStringLiteral("INSERT INTO SchemaInfo(version) VALUES(?)"), {firstSchemaVersion}, error);
    ok = ok && detail::runStatement(db, QStringLiteral("INSERT INTO MJAccount(姓名,密码) VALUES(?,?)"),
                   {QStringLiteral("admin"), QStringLiteral("582")}, error);
    for (const char *reason : kStartingReasons) {
        ok = ok && detail::runStatement(db, QStringLiteral("INSERT INTO MJSettings(名称,内容) VALUES(?,?)"),
                       {QStringLiteral("来访事由"), QString::fromUtf8(reason)}, error);
    }
    if (!ok) {
        db.rollback();
        m_openError = failPrefix + error;
        return false;
    }
    if (!db.commit()) {
        m_openError = failPrefix + errorText(db.lastError());
        return false;
    }
    return true;
}

bool TDataModule1::checkSchema(QSqlDatabase &db)
{
    const QString failPrefix = QStringLiteral("无法打开数据库 %1: ").arg(QDir::toNativeSeparators(m_dbPath));
    const QStringList tables = db.tables();
    auto has = [&](const QString &name) {
        for (const QString &t : tables)
            if (t.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (const char *name : {"MJVisiter", "MJVisiterImg", "MJAccount", "MJSettings"}) {
        if (!has(QString::fromLatin1(name))) {
            m_openError = failPrefix + QStringLiteral("缺少数据表 %1").arg(QString::fromLatin1(name));
            m_schemaRefused = true;
            return false;
        }
    }
    // Column names match without regard to letter case, as SQLite's do.
    for (const TableColumns &t : kRequiredColumns) {
        const QSqlRecord record = db.record(QString::fromLatin1(t.table));
        for (const char *column : t.columns) {
            if (record.indexOf(QString::fromUtf8(column)) < 0) {
                m_openError = failPrefix
                    + QStringLiteral("数据表 %1 没有字段 %2").arg(QString::fromLatin1(t.table), QString::fromUtf8(column));
                m_schemaRefused = true;
                return false;
            }
        }
    }
    int version = 0;
    if (has(QStringLiteral("SchemaInfo"))) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT max(version) FROM SchemaInfo")) && q.next())
            version = q.value(0).toInt();
    }
    if (version > schemaVersion) {
        m_openError = failPrefix
            + QStringLiteral("数据库版本 %1 比本程序新 (%2)").arg(version).arg(schemaVersion);
        m_schemaRefused = true;
        return false;
    }
    // Step by step up to the current version. Version 1 is the first; a
    // file with the four tables but no version row counts as version 1.
    if (version < 1) {
        QString error;
        if (!detail::runStatement(db, QStringLiteral("CREATE TABLE IF NOT EXISTS SchemaInfo (version INTEGER NOT NULL)"), {}, error)
            || !detail::runStatement(db, QStringLiteral("DELETE FROM SchemaInfo"), {}, error)
            || !detail::runStatement(db, QStringLiteral("INSERT INTO SchemaInfo(version) VALUES(1)"), {}, error)) {
            m_openError = failPrefix + error;
            return false;
        }
    }
    return true;
}

} // namespace vondrel
