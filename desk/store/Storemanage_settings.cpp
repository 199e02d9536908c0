#include "Storemanage_settings.h"

#include "Reporter.h"
#include "StoreInternal.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vondrel {

namespace {

QString nonNull(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }

std::unique_ptr<settingsInfo> readRow(const QSqlQuery &q)
{
    const QSqlRecord rec = q.record();
    for (const QString &name : {QStringLiteral("名称"), QStringLiteral("内容")}) {
        if (rec.indexOf(name) < 0) {
            reportError(QStringLiteral("数据表 MJSettings 没有字段 %1").arg(name));
            return nullptr;
        }
    }
    auto s = std::make_unique<settingsInfo>();
    s->kind = fieldValue(q, QStringLiteral("名称")).toString();
    s->content = fieldValue(q, QStringLiteral("内容")).toString();
    return s;
}

} // namespace

QString visitReasonKind()
{
    return QStringLiteral("来访事由");
}

bool addSetting(const settingsInfo &s)
{
    return detail::run(QStringLiteral("insert into MJSettings(名称,内容) values(?,?)"),
                       {nonNull(s.kind), nonNull(s.content)}).has_value();
}

ArrayOfsettingsInfo listSettings(const QString &condition, const QVariantList &params)
{
    ArrayOfsettingsInfo result;
    auto q = detail::run(detail::withCondition(QStringLiteral("select * from MJSettings"), condition,
                                               QStringLiteral(" order by 名称,内容")),
                         params);
    if (!q)
        return result;
    while (q->next()) {
        if (auto s = readRow(*q))
            result.push_back(std::move(s));
    }
    if (q->lastError().isValid()) {
        detail::reportDbError(q->lastError());
        result.clear();
    }
    return result;
}

std::unique_ptr<settingsInfo> readSettingRow(const QSqlQuery &dataset)
{
    if (!dataset.isValid()) {
        reportError(QStringLiteral("没有当前记录。"));
        return nullptr;
    }
    return readRow(dataset);
}

bool replaceSettings(const QString &kind, const QStringList &contents)
{
    std::optional<QSqlDatabase> db = detail::connection();
    if (!db)
        return false;
    if (!db->transaction()) {
        detail::reportDbError(db->lastError());
        return false;
    }
    bool ok = detail::run(QStringLiteral("delete from MJSettings where 名称=?"), {nonNull(kind)}).has_value();
    for (const QString &content : contents) {
        if (!ok)
            break;
        ok = addSetting({kind, content});
    }
    if (!ok) {
        db->rollback();
        return false;
    }
    if (!db->commit()) {
        detail::reportDbError(db->lastError());
        db->rollback();
        return false;
    }
    return true;
}

} // namespace vondrel
