#include "Storemanage_visit.h"

#include "Reporter.h"
#include "StoreInternal.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <array>
#include <limits>

namespace vondrel {

namespace {

// Columns in the order the row reader fills the record; the last one is the
// companion count.
constexpr int kColumns = 17;
const std::array<QString, kColumns> &columnNames()
{
    static const std::array<QString, kColumns> names = {
        QStringLiteral("id"), QStringLiteral("姓名"), QStringLiteral("性别"),
        QStringLiteral("出生年月"), QStringLiteral("被访人"), QStringLiteral("证件类型"),
        QStringLiteral("证件号码"), QStringLiteral("联系电话"), QStringLiteral("住址"),
        QStringLiteral("备注"), QStringLiteral("工作单位"), QStringLiteral("登记时间"),
        QStringLiteral("注销时间"), QStringLiteral("访问状态"), QStringLiteral("当班门卫"),
        QStringLiteral("来访事由"), QStringLiteral("随行人数")};
    return names;
}

using ColumnIndex = std::array<int, kColumns>;

QString companionsError(const QString &id, const QString &value)
{
    return QStringLiteral("访客记录 %1 的随行人数 \"%2\" 不是有效的整数").arg(id, value);
}

bool indexColumns(const QSqlRecord &record, ColumnIndex &index)
{
    const auto &names = columnNames();
    for (int i = 0; i < kColumns; ++i) {
        index[i] = record.indexOf(names[i]);
        if (index[i] < 0) {
            reportError(QStringLiteral("数据表 MJVisiter 没有字段 %1").arg(names[i]));
            return false;
        }
    }
    return true;
}

QString text(const QSqlQuery &q, int column)
{
    return q.value(column).toString(); // a null value gives an empty text
}

std::unique_ptr<visitInfo> readRow(const QSqlQuery &q, const ColumnIndex &c)
{
    auto v = std::make_unique<visitInfo>();
    v->id = text(q, c[0]);
    v->name = text(q, c[1]);
    v->sex = text(q, c[2]);
    v->birthDate = text(q, c[3]);
    v->visitee = text(q, c[4]);
    v->docType = text(q, c[5]);
    v->docNumber = text(q, c[6]);
    v->phone = text(q, c[7]);
    v->address = text(q, c[8]);
    v->remark = text(q, c[9]);
    v->workUnit = text(q, c[10]);
    v->entryTime = text(q, c[11]);
    v->leaveTime = text(q, c[12]);
    v->visitState = text(q, c[13]);
    v->guardOnDuty = text(q, c[14]);
    v->reason = text(q, c[15]);
    const QVariant count = q.value(c[16]);
    bool ok = false;
    const qlonglong n = count.isNull() ? 0 : count.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max()) {
        reportError(companionsError(v->id, count.isNull() ? QStringLiteral("NULL") : count.toString()));
        return nullptr;
    }
    v->companions = std::int32_t(n);
    return v;
}

// Values 0 to 14 of the insert and update: the record's texts in order.
QVariantList textValues(const visitInfo &v)
{
    return {v.name, v.sex, v.birthDate, v.visitee, v.docType, v.docNumber, v.phone,
            v.address, v.remark, v.entryTime, v.leaveTime, v.visitState, v.guardOnDuty,
            v.reason, v.workUnit};
}

// Texts are never stored as NULL: an empty field is an empty string.
QVariant nonNull(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::QString && v.toString().isNull())
        return QVariant(QStringLiteral(""));
    return v;
}

QVariantList nonNullList(const QVariantList &in)
{
    QVariantList out;
    out.reserve(in.size());
    for (const QVariant &v : in)
        out << nonNull(v);
    return out;
}

} // namespace

QString saveVisit(visitInfo &v)
{
    if (v.id.isEmpty())
        return insertVisit(v);
    auto q = detail::run(QStringLiteral("select id from MJVisiter where id=?"), {v.id});
    if (!q)
        return {};
    const QString found = q->next() ? q->value(0).toString() : QString();
    q.reset();
    if (found == v.id)
        return updateVisit(v);
    return insertVisit(v);
}

QString insertVisit(visitInfo &v)
{
    v.id = newKey();
    QVariantList params = nonNullList(textValues(v));
    params << QVariant(qint32(v.companions)) << v.id;
    const bool ok = detail::run(QStringLiteral(
        "insert into MJVisiter(姓名,性别,出生年月,被访人,证件类型,证件号码,联系电话,住址,备注,"
        "登记时间,注销时间,访问状态,当班门卫,来访事由,工作单位,随行人数,ID) "
        "values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"), params).has_value();
    return ok ? v.id : QString();
}

QString updateVisit(const visitInfo &v)
{
    QVariantList params = nonNullList(textValues(v));
    params << QVariant(qint32(v.companions)) << v.id;
    const bool ok = detail::run(QStringLiteral(
        "update MJVisiter set 姓名=?,性别=?,出生年月=?,被访人=?,证件类型=?,证件号码=?,联系电话=?,"
        "住址=?,备注=?,登记时间=?,注销时间=?,访问状态=?,当班门卫=?,来访事由=?,工作单位=?,"
        "随行人数=? where id=?"), params).has_value();
    return ok ? v.id : QString();
}

ArrayOfvisitInfo listVisits(const QString &condition, const QVariantList &params)
{
    ArrayOfvisitInfo result;
    detail::DirectQuery q;
    if (!q.prepare(detail::withCondition(QStringLiteral("select * from MJVisiter"), condition,
                                         QStringLiteral(" order by 登记时间")),
                   params))
        return result;
    const auto &names = columnNames();
    ColumnIndex c;
    for (int i = 0; i < kColumns; ++i) {
        c[i] = q.column(names[i]);
        if (c[i] < 0) {
            reportError(QStringLiteral("数据表 MJVisiter 没有字段 %1").arg(names[i]));
            return result;
        }
    }
    while (q.next()) {
        auto v = std::make_unique<visitInfo>();
        v->id = q.text(c[0]);
        v->name = q.text(c[1]);
        v->sex = q.sharedText(c[2]);
        v->birthDate = q.text(c[3]);
        v->visitee = q.sharedText(c[4]);
        v->docType = q.sharedText(c[5]);
        v->docNumber = q.text(c[6]);
        v->phone = q.text(c[7]);
        v->address = q.text(c[8]);
        v->remark = q.text(c[9]);
        v->workUnit = q.sharedText(c[10]);
        v->entryTime = q.text(c[11]);
        v->leaveTime = q.sharedText(c[12]);
        v->visitState = q.sharedText(c[13]);
        v->guardOnDuty = q.sharedText(c[14]);
        v->reason = q.sharedText(c[15]);
        qint64 n = 0;
        if (!q.integer(c[16], n) || n < std::numeric_limits<std::int32_t>::min()
            || n > std::numeric_limits<std::int32_t>::max()) {
            // The row has been reported; the listing goes on with the next.
            reportError(companionsError(v->id, q.rawText(c[16])));
            continue;
        }
        v->companions = std::int32_t(n);
        result.push_back(std::move(v));
    }
    if (q.failed())
        result.clear();
    return result;
}

std::unique_ptr<visitInfo> readVisitRow(const QSqlQuery &dataset)
{
    if (!dataset.isValid()) {
        reportError(QStringLiteral("没有当前记录。"));
        return nullptr;
    }
    ColumnIndex columns;
    if (!indexColumns(dataset.record(), columns))
        return nullptr;
    return readRow(dataset, columns);
}

} // namespace vondrel
