#include "Storemanage_watch.h"

#include "Reporter.h"
#include "Storemanage.h"
#include "StoreInternal.h"
#include "TDataModule1.h"

namespace vondrel {

namespace {

bool hasList()
{
    const TDataModule1 *dm = TDataModule1::instance();
    if (dm && dm->hasPrivacyTables())
        return true;
    if (dm && !dm->upgradeError().isEmpty())
        reportError(dm->upgradeError());
    return false;
}

ArrayOfwatchInfo readAll(std::optional<QSqlQuery> q)
{
    ArrayOfwatchInfo out;
    if (!q)
        return out;
    while (q->next()) {
        auto w = std::make_unique<watchInfo>();
        w->id = q->value(0).toString();
        w->docNumber = q->value(1).toString();
        w->name = q->value(2).toString();
        w->level = q->value(3).toString();
        w->note = q->value(4).toString();
        out.push_back(std::move(w));
    }
    return out;
}

} // namespace

QString watchNumberKey(const QString &docNumber)
{
    return docNumber.trimmed().toUpper();
}

QString watchEntryProblem(const watchInfo &w)
{
    if (watchNumberKey(w.docNumber).isEmpty() && w.name.trimmed().isEmpty())
        return QStringLiteral("请填写证件号码或姓名。");
    if (w.level != kWatchForbidden && w.level != kWatchEscort)
        return QStringLiteral("级别只能是“禁止进入”或“需陪同”。");
    return {};
}

QString saveWatch(watchInfo &w)
{
    const QString problem = watchEntryProblem(w);
    if (!problem.isEmpty()) {
        reportError(problem);
        return {};
    }
    if (!hasList())
        return {};
    const QVariantList values = {watchNumberKey(w.docNumber), w.name.trimmed(), w.level, w.note};
    if (w.id.isEmpty()) {
        const QString key = newKey();
        if (!detail::run(QStringLiteral("INSERT INTO MJWatchlist(ID,证件号码,姓名,级别,备注) VALUES(?,?,?,?,?)"),
                         QVariantList{key} + values))
            return {};
        w.id = key;
        return key;
    }
    if (!detail::run(QStringLiteral("UPDATE MJWatchlist SET 证件号码=?,姓名=?,级别=?,备注=? WHERE ID=?"),
                     values + QVariantList{w.id}))
        return {};
    return w.id;
}

bool deleteWatch(const QString &key)
{
    return hasList() && detail::run(QStringLiteral("DELETE FROM MJWatchlist WHERE ID=?"), {key}).has_value();
}

ArrayOfwatchInfo listWatch()
{
    if (!hasList())
        return {};
    return readAll(detail::run(
        QStringLiteral("SELECT ID,证件号码,姓名,级别,备注 FROM MJWatchlist ORDER BY 证件号码, 姓名")));
}

ArrayOfwatchInfo matchWatchlist(const QString &docNumber, const QString &name)
{
    const QString number = watchNumberKey(docNumber);
    const QString person = name.trimmed();
    if (number.isEmpty() && person.isEmpty())
        return {};
    const TDataModule1 *dm = TDataModule1::instance();
    if (!dm || !dm->hasPrivacyTables())
        return {}; // no list in an old file: nothing to warn of (said at start-up)
    // Numbers are stored upper case (watchNumberKey); an empty bound number
    // matches no entry, an entry with a number never matches by name.
    return readAll(detail::run(
        QStringLiteral("SELECT ID,证件号码,姓名,级别,备注 FROM MJWatchlist"
                       " WHERE (?<>'' AND upper(trim(证件号码))=?)"
                       "    OR (coalesce(trim(证件号码),'')='' AND ?<>'' AND trim(姓名)=?)"
                       " ORDER BY 级别='禁止进入' DESC, 证件号码, 姓名"),
        {number, number, person, person}));
}

} // namespace vondrel
