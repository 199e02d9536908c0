#include "Storemanage_audit.h"

#include "Option.h"
#include "Reporter.h"
#include "StoreInternal.h"
#include "TDataModule1.h"

namespace vondrel {

namespace {

bool hasLog()
{
    const TDataModule1 *dm = TDataModule1::instance();
    return dm && dm->hasPrivacyTables();
}

// A file opened for reading only takes no log rows (said once at start-up).
bool canAppend()
{
    const TDataModule1 *dm = TDataModule1::instance();
    return hasLog() && !dm->isReadOnly();
}

} // namespace

bool appendAudit(const QString &guard, const QString &action, const QString &visitId,
                 const QString &detail)
{
    if (!canAppend())
        return false;
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return detail::run(QStringLiteral("INSERT INTO MJAudit(时间,门卫,操作,来访ID,详情) VALUES(?,?,?,?,?)"),
                       {time, guard, action, visitId, detail.left(kAuditDetailMax)})
        .has_value();
}

bool appendAudit(const QString &action, const QString &visitId, const QString &detail)
{
    const Option *o = currentOption();
    return appendAudit(o ? o->guard.name : QString(), action, visitId, detail);
}

ArrayOfauditInfo listAudit(const QDate &from, const QDate &to)
{
    ArrayOfauditInfo out;
    if (!hasLog())
        return out;
    const QString lo = from.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
    const QString hi = to.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
    std::optional<QSqlQuery> q = detail::run(
        QStringLiteral("SELECT 序号,时间,门卫,操作,来访ID,详情 FROM MJAudit WHERE 时间>=? AND 时间<=? ORDER BY 序号"),
        {lo, hi});
    if (!q)
        return out;
    while (q->next()) {
        auto a = std::make_unique<auditInfo>();
        a->serial = q->value(0).toLongLong();
        a->time = q->value(1).toString();
        a->guard = q->value(2).toString();
        a->action = q->value(3).toString();
        a->visitId = q->value(4).toString();
        a->detail = q->value(5).toString();
        out.push_back(std::move(a));
    }
    return out;
}

} // namespace vondrel
