#include "Storemanage.h"

#include "Reporter.h"
#include "StoreInternal.h"
#include "TDataModule1.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

namespace vondrel {

namespace detail {

std::optional<QSqlDatabase> connection()
{
    TDataModule1 *dm = TDataModule1::instance();
    if (!dm) {
        reportError(QStringLiteral("数据库没有打开。"));
        return std::nullopt;
    }
    if (!dm->isOpen()) {
        reportError(dm->openError());
        return std::nullopt;
    }
    QSqlDatabase db = dm->ADOConnection_update();
    if (!db.isOpen()) {
        reportError(QStringLiteral("数据库没有打开。"));
        return std::nullopt;
    }
    return db;
}

bool runStatement(QSqlDatabase &db, const QString &sql, const QVariantList &params, QString &error)
{
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        error = errorText(q.lastError());
        return false;
    }
    for (const QVariant &v : params)
        q.addBindValue(v);
    if (!q.exec()) {
        error = errorText(q.lastError());
        return false;
    }
    return true;
}

void reportDbError(const QSqlError &error)
{
    reportError(errorText(error));
}

std::optional<QSqlQuery> run(const QString &sql, const QVariantList &params, bool forwardOnly)
{
    std::optional<QSqlDatabase> db = connection();
    if (!db)
        return std::nullopt;
    QSqlQuery q(*db);
    q.setForwardOnly(forwardOnly);
    if (!q.prepare(sql)) {
        reportDbError(q.lastError());
        return std::nullopt;
    }
    for (const QVariant &v : params)
        q.addBindValue(v);
    if (!q.exec()) {
        reportDbError(q.lastError());
        return std::nullopt;
    }
    return q;
}

QString withCondition(const QString &head, const QString &condition, const QString &tail)
{
    QString sql = head;
    if (!condition.isEmpty())
        sql += QLatin1Char(' ') + condition;
    return sql + tail;
}

} // namespace detail

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.driverText();
    if (text.isEmpty())
        text = error.text();
    return text;
}

QVariant fieldValue(const QSqlQuery &dataset, const QString &name)
{
    const QVariant v = dataset.value(name);
    if (v.isNull())
        return QVariant(QString());
    return v;
}

QByteArray fieldBytes(const QSqlQuery &dataset, const QString &name)
{
    const QVariant v = dataset.value(name);
    if (v.isNull())
        return {};
    return v.toByteArray();
}

bool execSQL(const QString &sql, const QVariantList &params)
{
    return detail::run(sql, params).has_value();
}

QString newKey()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

} // namespace vondrel
