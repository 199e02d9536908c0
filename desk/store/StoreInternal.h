#pragma once
// Plumbing shared by the store sources (not part of the store's interface).
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <optional>
#include <string>
#include <vector>

namespace vondrel::detail {

// The current data module's open connection; otherwise reports why there is
// none (the data module's own open error) and returns nothing.
std::optional<QSqlDatabase> connection();

// Prepares `sql` on the connection, binds `params` in order and runs it.
// Reports the driver's message and returns nothing on any error.
std::optional<QSqlQuery> run(const QString &sql, const QVariantList &params = {},
                             bool forwardOnly = true);

// Reports a database error with the driver's message.
void reportDbError(const QSqlError &error);

// Prepares `sql` on `db`, binds `params` in order and runs it, reporting
// nothing: on failure `error` holds the driver's message (schema steps show
// it inside their own message).
bool runStatement(QSqlDatabase &db, const QString &sql, const QVariantList &params, QString &error);

// Binds the listing condition: `sql` + " " + condition + tail.
QString withCondition(const QString &head, const QString &condition, const QString &tail = QString());

} // namespace vondrel::detail

struct sqlite3;
struct sqlite3_stmt;

namespace vondrel::detail {

// A statement run straight on the connection's sqlite3 handle. Listings that
// may return many rows use it: texts come out as UTF-8 and become QString
// once, without the driver's per-column variant and UTF-16 copies.
class DirectQuery {
public:
    DirectQuery() = default;
    ~DirectQuery();
    DirectQuery(const DirectQuery &) = delete;
    DirectQuery &operator=(const DirectQuery &) = delete;

    // Prepares and binds; reports the error and returns false on failure.
    bool prepare(const QString &sql, const QVariantList &params);
    // Next row: true for a row, false at the end or on an error (then
    // failed() is true and the error has been reported).
    bool next();
    bool failed() const { return m_failed; }

    // Column by name, matched without regard to letter case; -1 if absent.
    int column(const QString &name) const;
    QString text(int column) const;     // null gives an empty text
    // The same, sharing the QString of the previous row when the column
    // holds the same text again (sex, document type, guard, reason ...):
    // fewer allocations and less memory for long listings.
    QString sharedText(int column);
    bool isNull(int column) const;
    // The column as a 64-bit integer (integer, integral real or decimal
    // text); false when it is none of these.
    bool integer(int column, qint64 &out) const;
    QString rawText(int column) const;  // for messages

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    bool m_failed = false;
    struct LastText {
        std::string bytes;
        QString text;
    };
    std::vector<LastText> m_last;
};

} // namespace vondrel::detail
