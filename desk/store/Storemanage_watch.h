#pragma once
// The watchlist (关注名单): table MJWatchlist, people who must not enter or
// must be escorted. An entry has an ID number and/or a name; an entry with a
// number matches that number only (letter X in any case, surrounding blanks
// ignored), an entry without one matches exactly that name.
#include <QString>

#include <memory>
#include <vector>

namespace vondrel {

inline const QString kWatchForbidden = QStringLiteral("禁止进入");
inline const QString kWatchEscort = QStringLiteral("需陪同");

struct watchInfo {
    QString id;        // ID: GUID text; empty = not stored yet
    QString docNumber; // 证件号码, may be empty
    QString name;      // 姓名, may be empty when a number is given
    QString level;     // 级别: kWatchForbidden or kWatchEscort
    QString note;      // 备注
    bool forbidden() const { return level == kWatchForbidden; }
};
using ArrayOfwatchInfo = std::vector<std::unique_ptr<watchInfo>>;

// The number as compared: blanks around it dropped, letters upper case.
QString watchNumberKey(const QString &docNumber);

// Why an entry cannot be stored (no number and no name, unknown level), or
// empty text.
QString watchEntryProblem(const watchInfo &w);
// Inserts (empty id, written back) or updates the entry; the key or empty
// text (the problem or the database error is shown).
QString saveWatch(watchInfo &w);
bool deleteWatch(const QString &key);
// Every entry, by number then name.
ArrayOfwatchInfo listWatch();
// The entries matching a visitor: by number when the entry has one, else by
// exact name. Forbidding entries come first.
ArrayOfwatchInfo matchWatchlist(const QString &docNumber, const QString &name);

} // namespace vondrel
