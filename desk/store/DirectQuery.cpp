#include "Reporter.h"
#include "StoreInternal.h"

#include <QSqlDriver>

#include <sqlite3.h>

#include <cmath>
#include <cstring>

namespace vondrel::detail {

DirectQuery::~DirectQuery()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

bool DirectQuery::prepare(const QString &sql, const QVariantList &params)
{
    std::optional<QSqlDatabase> db = connection();
    if (!db)
        return false;
    const QVariant handle = db->driver()->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0) {
        reportError(QStringLiteral("数据库驱动不是 SQLite。"));
        return false;
    }
    m_db = *static_cast<sqlite3 *const *>(handle.constData());
    if (!m_db) {
        reportError(QStringLiteral("数据库没有打开。"));
        return false;
    }
    const QByteArray text = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, &tail) != SQLITE_OK) {
        reportError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return false;
    }
    // One statement only: a condition must not smuggle in a second one.
    if (tail && !QByteArray(tail).trimmed().isEmpty()) {
        reportError(QStringLiteral("只能执行一条语句: %1").arg(sql));
        return false;
    }
    if (sqlite3_bind_parameter_count(m_stmt) != params.size()) {
        reportError(QStringLiteral("参数个数不符: 语句需要 %1 个, 给出 %2 个")
                        .arg(sqlite3_bind_parameter_count(m_stmt)).arg(params.size()));
        return false;
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &v = params[i];
        int rc;
        switch (v.isNull() ? QMetaType::UnknownType : v.metaType().id()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(m_stmt, i + 1);
            break;
        case QMetaType::Bool: case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
        case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
        case QMetaType::Long: case QMetaType::ULong:
            rc = sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
            break;
        case QMetaType::Double: case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, i + 1, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, i + 1, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray s = v.toString().toUtf8();
            rc = sqlite3_bind_text64(m_stmt, i + 1, s.constData(), sqlite3_uint64(s.size()),
                                     SQLITE_TRANSIENT, SQLITE_UTF8);
            break;
        }
        }
        if (rc != SQLITE_OK) {
            reportError(QString::fromUtf8(sqlite3_errmsg(m_db)));
            return false;
        }
    }
    return true;
}

bool DirectQuery::next()
{
    if (!m_stmt || m_failed)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_failed = true;
        reportError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    return false;
}

int DirectQuery::column(const QString &name) const
{
    const int n = sqlite3_column_count(m_stmt);
    for (int i = 0; i < n; ++i) {
        if (QString::fromUtf8(sqlite3_column_name(m_stmt, i)).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString DirectQuery::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    if (!p)
        return QString();
    return QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column));
}

QString DirectQuery::sharedText(int column)
{
    if (column < 0)
        return QString();
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    if (!p)
        return QString();
    const size_t n = size_t(sqlite3_column_bytes(m_stmt, column));
    if (m_last.size() <= size_t(column))
        m_last.resize(size_t(column) + 1);
    LastText &last = m_last[size_t(column)];
    if (last.bytes.size() != n || std::memcmp(last.bytes.data(), p, n) != 0) {
        last.bytes.assign(p, n);
        last.text = QString::fromUtf8(p, qsizetype(n));
    }
    return last.text;
}

bool DirectQuery::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

bool DirectQuery::integer(int column, qint64 &out) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        out = sqlite3_column_int64(m_stmt, column);
        return true;
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(m_stmt, column);
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e18) {
            out = qint64(d);
            return true;
        }
        return false;
    }
    case SQLITE_TEXT: {
        bool ok = false;
        out = text(column).trimmed().toLongLong(&ok);
        return ok;
    }
    default:
        return false;
    }
}

QString DirectQuery::rawText(int column) const
{
    return isNull(column) ? QStringLiteral("NULL") : text(column);
}

} // namespace vondrel::detail
