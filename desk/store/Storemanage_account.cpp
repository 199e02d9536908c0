#include "Storemanage_account.h"

#include "Reporter.h"
#include "StoreInternal.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vondrel {

namespace {

QString nonNull(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }

std::unique_ptr<accountInfo> readRow(const QSqlQuery &q)
{
    const QSqlRecord rec = q.record();
    for (const QString &name : {QStringLiteral("姓名"), QStringLiteral("密码")}) {
        if (rec.indexOf(name) < 0) {
            reportError(QStringLiteral("数据表 MJAccount 没有字段 %1").arg(name));
            return nullptr;
        }
    }
    auto a = std::make_unique<accountInfo>();
    a->name = fieldValue(q, QStringLiteral("姓名")).toString();
    a->password = fieldValue(q, QStringLiteral("密码")).toString();
    return a;
}

} // namespace

bool addAccount(const accountInfo &a)
{
    // Only exactly the same name counts as taken ("Admin" may stand beside
    // "admin"); the unique index enforces the same rule.
    auto q = detail::run(QStringLiteral("select count(*) from MJAccount where 姓名=? COLLATE BINARY"),
                         {nonNull(a.name)});
    if (!q)
        return false;
    const bool taken = q->next() && q->value(0).toInt() > 0;
    q.reset();
    if (taken)
        return false;
    return detail::run(QStringLiteral("insert into MJAccount(姓名,密码) values(?,?)"),
                       {nonNull(a.name), nonNull(a.password)}).has_value();
}

bool changePassword(const accountInfo &a)
{
    // Exact name: changing "Admin" must not touch "admin".
    return detail::run(QStringLiteral("update MJAccount set 密码=? where 姓名=? COLLATE BINARY"),
                       {nonNull(a.password), nonNull(a.name)}).has_value();
}

bool deleteAccount(const QString &name)
{
    // Exact name: deleting "Admin" must never take the protected "admin".
    return detail::run(QStringLiteral("delete from MJAccount where 姓名=? COLLATE BINARY"),
                       {nonNull(name)}).has_value();
}

ArrayOfaccountInfo listAccounts()
{
    ArrayOfaccountInfo result;
    auto q = detail::run(QStringLiteral("select * from MJAccount order by rowid"));
    if (!q)
        return result;
    while (q->next()) {
        if (auto a = readRow(*q))
            result.push_back(std::move(a));
    }
    if (q->lastError().isValid()) {
        detail::reportDbError(q->lastError());
        result.clear();
    }
    return result;
}

std::unique_ptr<accountInfo> checkLogin(const QString &name, const QString &password, bool *storeFailed)
{
    if (storeFailed)
        *storeFailed = false;
    // The name column ignores Latin letter case; the password must match
    // exactly. Where "admin" and "Admin" both match, the exact one wins.
    auto q = detail::run(QStringLiteral(
        "select * from MJAccount where 姓名=? and 密码=? COLLATE BINARY "
        "order by (姓名=? COLLATE BINARY) desc, rowid limit 1"),
        {nonNull(name), nonNull(password), nonNull(name)});
    if (!q) {
        if (storeFailed)
            *storeFailed = true;
        return nullptr;
    }
    if (!q->next())
        return nullptr;
    return readRow(*q);
}

std::unique_ptr<accountInfo> readAccountRow(const QSqlQuery &dataset)
{
    if (!dataset.isValid()) {
        reportError(QStringLiteral("没有当前记录。"));
        return nullptr;
    }
    return readRow(dataset);
}

} // namespace vondrel
