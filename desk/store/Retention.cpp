#include "Retention.h"

#include "Reporter.h"
#include "Storemanage.h"
#include "Storemanage_audit.h"
#include "StoreInternal.h"
#include "TDataModule1.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

#include <sqlite3.h>

namespace vondrel {

namespace {

bool exec(QSqlDatabase &db, const QString &sql, const QVariantList &params, QSqlQuery *out = nullptr)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        reportError(errorText(q.lastError()));
        return false;
    }
    for (const QVariant &v : params)
        q.addBindValue(v);
    if (!q.exec()) {
        reportError(errorText(q.lastError()));
        return false;
    }
    if (out)
        *out = std::move(q);
    return true;
}

} // namespace

QString retentionCutoff(int days, const QDateTime &now)
{
    return now.addDays(-qint64(days)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

int removeExpiredVisits(int days, const QDateTime &now, const QString &guard, int batch)
{
    if (days <= 0)
        return 0;
    const TDataModule1 *dm = TDataModule1::instance();
    if (!dm || !dm->hasPrivacyTables() || dm->isReadOnly())
        return 0; // an old file that could not be upgraded: nothing is removed unlogged
    std::optional<QSqlDatabase> conn = detail::connection();
    if (!conn)
        return -1;
    QSqlDatabase db = *conn;
    const QString cutoff = retentionCutoff(days, now);
    batch = qMax(1, batch);
    int removed = 0;
    for (;;) {
        if (!db.transaction()) {
            reportError(errorText(db.lastError()));
            return -1;
        }
        QStringList keys;
        {
            QSqlQuery q;
            if (!exec(db,
                      QStringLiteral("SELECT ID FROM MJVisiter WHERE 注销时间 IS NOT NULL AND 注销时间<>''"
                                     " AND 注销时间<? ORDER BY 注销时间 LIMIT ?"),
                      {cutoff, batch}, &q)) {
                db.rollback();
                return -1;
            }
            while (q.next())
                keys << q.value(0).toString();
        }
        if (keys.isEmpty()) {
            db.rollback();
            break;
        }
        bool ok = true;
        for (const QString &key : keys) {
            ok = ok && exec(db, QStringLiteral("DELETE FROM MJVisiterImg WHERE USERID=?"), {key});
            ok = ok && exec(db, QStringLiteral("DELETE FROM MJVisiter WHERE ID=?"), {key});
        }
        ok = ok && exec(db, QStringLiteral("INSERT INTO MJAudit(时间,门卫,操作,来访ID,详情) VALUES(?,?,?,?,?)"),
                        {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), guard,
                         audit::Retention, QString(),
                         QStringLiteral("删除 %1 条离开时间早于 %2 的来访记录及其照片（保存 %3 天）")
                             .arg(keys.size()).arg(cutoff).arg(days)});
        if (!ok || !db.commit()) {
            if (ok)
                reportError(errorText(db.lastError()));
            db.rollback();
            return -1;
        }
        removed += int(keys.size());
    }
    if (removed > 0) {
        // Pages freed by the removal go back to the file system. The pragma
        // frees one page per step, so it runs to its end on the handle
        // itself; the checkpoint then lets the main file shrink.
        const QVariant handle = db.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
            if (sqlite3 *h = *static_cast<sqlite3 *const *>(handle.data())) {
                sqlite3_exec(h, "PRAGMA incremental_vacuum", nullptr, nullptr, nullptr);
                sqlite3_exec(h, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            }
        }
    }
    return removed;
}

} // namespace vondrel
