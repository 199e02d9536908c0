// The version steps of the store after the first version. Each step only
// adds tables (the four visit tables keep their columns and rows) and runs in
// one transaction together with its version row, so a file is either at the
// old version with its old contents or at the new one.
#include "TDataModule1.h"

#include "Reporter.h"
#include "StoreInternal.h"
#include "Storemanage.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>

namespace vondrel {

namespace {

// Version 2: the operation log (append-only: updates and deletes are refused
// by the file itself) and the watchlist.
const char *const kVersion2[] = {
    "CREATE TABLE IF NOT EXISTS MJAudit ("
    " 序号 INTEGER PRIMARY KEY AUTOINCREMENT,"
    " 时间 TEXT NOT NULL, 门卫 TEXT, 操作 TEXT NOT NULL, 来访ID TEXT, 详情 TEXT)",
    "CREATE INDEX IF NOT EXISTS MJAudit_时间 ON MJAudit(时间)",
    "CREATE TRIGGER IF NOT EXISTS MJAudit_noUpdate BEFORE UPDATE ON MJAudit"
    " BEGIN SELECT RAISE(ABORT, '操作日志只能追加'); END",
    "CREATE TRIGGER IF NOT EXISTS MJAudit_noDelete BEFORE DELETE ON MJAudit"
    " BEGIN SELECT RAISE(ABORT, '操作日志只能追加'); END",
    "CREATE TABLE IF NOT EXISTS MJWatchlist ("
    " ID TEXT PRIMARY KEY NOT NULL, 证件号码 TEXT, 姓名 TEXT, 级别 TEXT NOT NULL, 备注 TEXT)",
    "CREATE INDEX IF NOT EXISTS MJWatchlist_证件号码 ON MJWatchlist(证件号码 COLLATE NOCASE)",
};


int readVersion(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT max(version) FROM SchemaInfo")) && q.next())
        return q.value(0).toInt();
    return 0;
}

bool runStep(QSqlDatabase &db, int to, const char *const *sqls, size_t count, QString &error)
{
    if (!db.transaction()) {
        error = errorText(db.lastError());
        return false;
    }
    bool ok = true;
    for (size_t i = 0; ok && i < count; ++i)
        ok = detail::runStatement(db, QString::fromUtf8(sqls[i]), {}, error);
    ok = ok && detail::runStatement(db, QStringLiteral("DELETE FROM SchemaInfo"), {}, error);
    ok = ok && detail::runStatement(db, QStringLiteral("INSERT INTO SchemaInfo(version) VALUES(?)"), {to}, error);
    if (ok && !db.commit()) {
        error = errorText(db.lastError());
        ok = false;
    }
    if (!ok)
        db.rollback();
    return ok;
}

// Removed visits give their pages back to the file system: the file is
// switched to incremental vacuum once (which needs one full VACUUM). A file
// where that fails keeps working; it only does not shrink.
void enableIncrementalVacuum(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("PRAGMA auto_vacuum")) && q.next() && q.value(0).toInt() == 2)
        return;
    q = QSqlQuery();
    QString error;
    if (detail::runStatement(db, QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"), {}, error))
        detail::runStatement(db, QStringLiteral("VACUUM"), {}, error);
}

} // namespace

bool TDataModule1::openReadOnly()
{
    const QString why = m_openError;
    QSqlDatabase::removeDatabase(m_connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    // Immutable: no lock and no shared-memory file, which a read-only or
    // full file system cannot hold.
    db.setDatabaseName(QUrl::fromLocalFile(m_dbPath).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    if (!db.open())
        return false;
    const QStringList tables = db.tables();
    for (const char *name : {"MJVisiter", "MJVisiterImg", "MJAccount", "MJSettings"}) {
        bool found = false;
        for (const QString &t : tables)
            found = found || t.compare(QString::fromLatin1(name), Qt::CaseInsensitive) == 0;
        if (!found) {
            db.close();
            return false;
        }
    }
    m_open = true;
    m_readOnly = true;
    m_openError.clear();
    m_fileVersion = readVersion(db);
    m_upgradeError = QStringLiteral("数据库 %1 无法写入（%2）。原有的来访记录没有改动，只能查看，不能保存新的登记；"
                                    "请检查磁盘空间和文件权限后重新启动。")
                         .arg(QDir::toNativeSeparators(m_dbPath), why.section(QStringLiteral(": "), -1));
    reportError(m_upgradeError);
    return true;
}

void TDataModule1::upgradeSchema(QSqlDatabase &db)
{
    m_fileVersion = readVersion(db);
    QString error;
    if (m_fileVersion < 2) {
        if (!runStep(db, 2, kVersion2, std::size(kVersion2), error)) {
            m_upgradeError = QStringLiteral("数据库 %1 无法升级到版本 2（%2）。原有的来访记录没有改动，可以照常查看；"
                                            "操作日志、关注名单和保存期限在升级成功前不可用。")
                                 .arg(QDir::toNativeSeparators(m_dbPath), error);
            reportError(m_upgradeError);
            return;
        }
        m_fileVersion = 2;
    }
    enableIncrementalVacuum(db);
}

} // namespace vondrel
