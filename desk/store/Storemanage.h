#pragma once
// Helpers shared by the stores. Every store operation runs on the current
// data module's connection (TDataModule1::instance()); every caller value is
// bound as a parameter. A database error is shown through the reporter with
// the driver's message and becomes the operation's failure result: empty key
// text, false, an empty list or a null record.
//
// Records returned by stores belong to the caller: row readers return
// std::unique_ptr, listings return std::vector<std::unique_ptr<record>>.
//
// Listing conditions: the text after the table name, beginning with "where"
// or " where", or empty. Values inside it should be "?" placeholders bound
// from `params` in order, e.g.
//     listVisits(" where ID=?", {key});
// rather than quoted into the text.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>

class QSqlQuery;
class QSqlError;

namespace vondrel {

// The current row's value of the named field (name matched without regard to
// letter case); a null field gives an empty string.
QVariant fieldValue(const QSqlQuery &dataset, const QString &name);
// The named field's bytes; a null field gives an empty array.
QByteArray fieldBytes(const QSqlQuery &dataset, const QString &name);

// Runs one statement that returns no rows, binding `params` in order to its
// "?" placeholders. True when it ran; on error shows it and returns false.
bool execSQL(const QString &sql, const QVariantList &params = {});

// A new key: a GUID in registry text form, upper case, with braces (38 chars).
QString newKey();

// The driver's message of an error, as shown to the user.
QString errorText(const QSqlError &error);

} // namespace vondrel
