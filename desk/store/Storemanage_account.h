#pragma once
// Guard accounts: table MJAccount (姓名, 密码). Names match without regard to
// Latin letter case when logging in; passwords match exactly. The store knows
// nothing special about "admin" (the windows protect it).
#include "Storemanage.h"
#include "accountInfo.h"

#include <QString>

#include <memory>
#include <vector>

class QSqlQuery;

namespace vondrel {

using ArrayOfaccountInfo = std::vector<std::unique_ptr<accountInfo>>;

// Inserts the account unless exactly that name is stored (then false, no
// message). A name differing only in letter case ("Admin" beside "admin") is
// a different account.
bool addAccount(const accountInfo &a);
// Sets the password of the account named exactly a.name; true on success,
// also when no account has that name.
bool changePassword(const accountInfo &a);
// Deletes the account named exactly `name`; true also when none has it.
bool deleteAccount(const QString &name);
// All accounts, in stored order.
ArrayOfaccountInfo listAccounts();
// The account whose name matches (letter case ignored; an exact-case match
// wins) and whose password matches exactly; null when none (or on error).
// `storeFailed` (when given) is set when the store could not be asked at all
// (already reported): the guard's name and password were then not checked.
std::unique_ptr<accountInfo> checkLogin(const QString &name, const QString &password, bool *storeFailed = nullptr);
std::unique_ptr<accountInfo> readAccountRow(const QSqlQuery &dataset);

} // namespace vondrel
