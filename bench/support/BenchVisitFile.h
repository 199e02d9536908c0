#pragma once
// What the store benchmarks share to build their year of visits straight
// through the sqlite3 C API: the cache folder, the error check and the
// insert statement of one visit row.
#include <QDir>
#include <QString>

#include <sqlite3.h>

#include <cstdio>

namespace vqbench {

// $VONDREL_BENCH_DIR, else `defaultName` in the temp folder; with a slash.
inline QString benchFolder(const char *defaultName)
{
    QString dir = qEnvironmentVariable("VONDREL_BENCH_DIR");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QLatin1Char('/') + QLatin1String(defaultName);
    return dir + QLatin1Char('/');
}

// True for a successful sqlite3 result; otherwise says what failed.
inline bool check(int rc, sqlite3 *db, const char *what)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    return false;
}

// One visit row, every column bound in this order.
constexpr const char kInsertVisitSql[] =
    "insert into MJVisiter(姓名,性别,出生年月,被访人,证件类型,证件号码,联系电话,住址,备注,"
    "登记时间,注销时间,访问状态,当班门卫,来访事由,工作单位,随行人数,ID) "
    "values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

} // namespace vqbench
