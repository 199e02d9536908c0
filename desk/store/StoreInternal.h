#pragma once
// Plumbing shared by the store sources (not part of the store's interface).
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <optional>

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

// Binds the listing condition: `sql` + " " + condition + tail.
QString withCondition(const QString &head, const QString &condition, const QString &tail = QString());

} // namespace vondrel::detail
