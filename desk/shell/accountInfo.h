#pragma once
// A guard account: login name and password, both plain text. Lives here
// rather than in the store because the desk options keep the guard who is
// logged in (Option::guard), and the options library needs no database.
#include <QString>

namespace vondrel {

struct accountInfo {
    QString name;     // 姓名: the login name (windows pass it trimmed)
    QString password; // 密码: stored and compared as typed
};

} // namespace vondrel
