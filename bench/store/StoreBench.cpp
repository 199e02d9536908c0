// The store's listing against the bare query. The database (1,000,000 visits
// over 365 days, exactly 300 on the measured day) is generated once and kept
// in the temp folder for later runs: $VONDREL_BENCH_DIR, else
// <temp>/vondrel-bench-store-v1/.
#include "Reporter.h"
#include "Store.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include "BenchVisitFile.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <string>

using namespace vondrel;

namespace {

constexpr int kVisits = 1000000;
constexpr int kDays = 365;
constexpr int kOnDay = 300;
const QDate kFirstDay(2024, 1, 1);
const QDate kMeasuredDay(2024, 6, 15);

const char *const kSql =
    "select * from MJVisiter where (登记时间 between ? and ?) order by 登记时间";

QString benchFolder() { return vqbench::benchFolder("vondrel-bench-store-v1"); }
using vqbench::check;

// Fills `path` (which already holds the empty schema) with the visits, in
// entry time order, in one transaction with one prepared statement.
bool fill(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = check(sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *st = nullptr;
    ok = ok && check(sqlite3_prepare_v2(db, vqbench::kInsertVisitSql, -1, &st, nullptr), db, "prepare");
    const char *reasons[] = {"访友", "探亲", "送水、送气", "其他家政服务"};
    const int measured = int(kFirstDay.daysTo(kMeasuredDay));
    const int perOtherDay = (kVisits - kOnDay) / (kDays - 1);
    int extra = (kVisits - kOnDay) - perOtherDay * (kDays - 1);
    int n = 0;
    for (int day = 0; ok && day < kDays; ++day) {
        int count = day == measured ? kOnDay : perOtherDay + (extra > 0 ? 1 : 0);
        if (day != measured && extra > 0)
            --extra;
        const QByteArray date = kFirstDay.addDays(day).toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        for (int i = 0; ok && i < count; ++i, ++n) {
            const int second = int(qint64(i) * 86400 / count);
            char entry[32], leave[32], name[32], doc[32], phone[32], id[40];
            std::snprintf(entry, sizeof entry, "%s %02d:%02d:%02d", date.constData(), second / 3600, second / 60 % 60, second % 60);
            const int out = std::min(second + 3600, 86399);
            std::snprintf(leave, sizeof leave, "%s %02d:%02d:%02d", date.constData(), out / 3600, out / 60 % 60, out % 60);
            std::snprintf(name, sizeof name, "访客%07d", n);
            std::snprintf(doc, sizeof doc, "11010119800102%04d", n % 10000);
            std::snprintf(phone, sizeof phone, "138%08d", n);
            std::snprintf(id, sizeof id, "{%08X-0000-4000-8000-%012X}", n, n);
            const char *texts[] = {name, n % 2 ? "男" : "女", "1980-01-02", "李主任", "身份证", doc, phone,
                                   "北京市东城区某某街道某某小区12号楼3单元401室", n % 5 ? "" : "带来一箱水",
                                   entry, i % 10 ? leave : "", "", "admin", reasons[n % 4], "某某科技有限公司"};
            for (int k = 0; k < 15; ++k)
                sqlite3_bind_text(st, k + 1, texts[k], -1, SQLITE_STATIC);
            sqlite3_bind_int(st, 16, n % 3);
            sqlite3_bind_text(st, 17, id, -1, SQLITE_STATIC);
            ok = check(sqlite3_step(st), db, "insert");
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    ok = ok && check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    return ok && n == kVisits;
}

// The data folder holding the generated database, made on first use.
QString benchDataFolder()
{
    static const QString folder = [] {
        const QString dir = benchFolder();
        const QString ready = dir + QStringLiteral("ready");
        if (QFile::exists(ready))
            return dir;
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        QElapsedTimer t;
        t.start();
        std::fprintf(stderr, "generating %d visits in %s ...\n", kVisits, qPrintable(dir));
        { TDataModule1 schema(dir); if (!schema.isOpen()) return QString(); }
        if (!fill(dir + QStringLiteral("db.sqlite")))
            return QString();
        QFile f(ready);
        f.open(QIODevice::WriteOnly);
        std::fprintf(stderr, "generated in %.1f s\n", t.elapsed() / 1000.0);
        return dir;
    }();
    return folder;
}

QVariantList dayParams()
{
    return {kMeasuredDay.toString(QStringLiteral("yyyy-MM-dd")),
            kMeasuredDay.addDays(1).toString(QStringLiteral("yyyy-MM-dd"))};
}

void BM_listVisits(benchmark::State &state)
{
    const QString folder = benchDataFolder();
    if (folder.isEmpty()) { state.SkipWithError("no database"); return; }
    TDataModule1 dm(folder);
    if (!dm.isOpen()) { state.SkipWithError("cannot open"); return; }
    const QVariantList params = dayParams();
    size_t rows = 0;
    for (auto _ : state) {
        ArrayOfvisitInfo list = listVisits(QStringLiteral(" where (登记时间 between ? and ?)"), params);
        rows = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    if (rows != size_t(kOnDay))
        state.SkipWithError("wrong row count");
    state.counters["rows"] = double(rows);
}

// The visit list's condition written as text, values inside the SQL.
void BM_listVisits_textCondition(benchmark::State &state)
{
    const QString folder = benchDataFolder();
    if (folder.isEmpty()) { state.SkipWithError("no database"); return; }
    TDataModule1 dm(folder);
    const QVariantList p = dayParams();
    const QString condition = QStringLiteral(" where (登记时间 between '%1' and '%2')").arg(p[0].toString(), p[1].toString());
    size_t rows = 0;
    for (auto _ : state) {
        ArrayOfvisitInfo list = listVisits(condition);
        rows = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["rows"] = double(rows);
}

// The same SQL straight through sqlite3: prepare, bind, step, read every
// column of every row, finalize.
void BM_bareSqlite3(benchmark::State &state)
{
    const QString folder = benchDataFolder();
    if (folder.isEmpty()) { state.SkipWithError("no database"); return; }
    sqlite3 *db = nullptr;
    sqlite3_open_v2((folder + QStringLiteral("db.sqlite")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const QVariantList p = dayParams();
    const QByteArray from = p[0].toString().toUtf8(), to = p[1].toString().toUtf8();
    size_t rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, kSql, -1, &st, nullptr);
        sqlite3_bind_text(st, 1, from.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, to.constData(), -1, SQLITE_STATIC);
        rows = 0;
        size_t bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < 16; ++c) {
                benchmark::DoNotOptimize(sqlite3_column_text(st, c));
                bytes += size_t(sqlite3_column_bytes(st, c));
            }
            bytes += size_t(sqlite3_column_int(st, 16));
            ++rows;
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
    if (rows != size_t(kOnDay))
        state.SkipWithError("wrong row count");
    state.counters["rows"] = double(rows);
}

BENCHMARK(BM_bareSqlite3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_listVisits)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_listVisits_textCondition)->Unit(benchmark::kMicrosecond);

// Prints the store's cost as a ratio to the bare query of the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
                cpu[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpu;
};

} // namespace

int main(int argc, char **argv)
{
    RecordingReporter quiet; // the store's messages would only be noise here
    ScopedReporter scoped(&quiet);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double bare = reporter.times["BM_bareSqlite3"];
    for (const char *name : {"BM_listVisits", "BM_listVisits_textCondition"}) {
        if (bare > 0 && reporter.times.count(name))
            std::printf("ratio %s / BM_bareSqlite3 = %.2f real, %.2f CPU (goal < 2)\n", name,
                        reporter.times[name] / bare, reporter.cpu[name] / reporter.cpu["BM_bareSqlite3"]);
    }
    for (const QString &m : quiet.texts())
        std::fprintf(stderr, "store message: %s\n", qPrintable(m));
    benchmark::Shutdown();
    return 0;
}
