// The visit list's search and workbook export over a year of visits
// (100,000 over 365 days). The database is generated once and kept in the
// temp folder for later runs: $VONDREL_BENCH_DIR, else
// <temp>/vondrel-bench-beyond-v1/.
//
//   bench_deskbeyond                         search ratios
//   bench_deskbeyond --benchmark_filter=Export   exports (each in a child process,
//                                            so its peak memory is its own)
#include "Reporter.h"
#include "Store.h"
#include "StayText.h"
#include "DeskDateTime.h"
#include "VisitExport.h"
#include "VisitSearch.h"
#include "XlsxExport.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include "BenchVisitFile.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

using namespace vondrel;

namespace {

constexpr int kVisits = 100000;
constexpr int kDays = 365;
const QDate kFirstDay(2025, 1, 1);

QString benchFolder() { return vqbench::benchFolder("vondrel-bench-beyond-v1"); }
using vqbench::check;

// Visits in entry-time order, spread evenly over the year; one in ten is
// still inside.
bool fill(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = check(sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt *st = nullptr;
    ok = ok && check(sqlite3_prepare_v2(db, vqbench::kInsertVisitSql, -1, &st, nullptr), db, "prepare");
    const char *reasons[] = {"访友", "探亲", "送水、送气", "其他家政服务"};
    const char *units[] = {"某某科技有限公司", "北京ABC贸易公司", "市第一人民医院", "个人"};
    for (int n = 0; ok && n < kVisits; ++n) {
        const qint64 second = qint64(n) * kDays * 86400 / kVisits;
        const QDate day = kFirstDay.addDays(second / 86400);
        const int s = int(second % 86400);
        const QByteArray date = day.toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        char entry[32], leave[32], name[32], doc[32], phone[32], id[40];
        std::snprintf(entry, sizeof entry, "%s %02d:%02d:%02d", date.constData(), s / 3600, s / 60 % 60, s % 60);
        const int out = std::min(s + 3600, 86399);
        std::snprintf(leave, sizeof leave, "%s %02d:%02d:%02d", date.constData(), out / 3600, out / 60 % 60, out % 60);
        std::snprintf(name, sizeof name, "访客%07d", n);
        std::snprintf(doc, sizeof doc, "1101011980%04d%04d", n % 9973, n % 10000);
        std::snprintf(phone, sizeof phone, "0138%08d", n);
        std::snprintf(id, sizeof id, "{%08X-0000-4000-8000-%012X}", n, n);
        const char *texts[] = {name, n % 2 ? "男" : "女", "1980-01-02", "李主任", "身份证", doc, phone,
                               "北京市东城区某某街道某某小区12号楼3单元401室", n % 5 ? "" : "带来一箱水",
                               entry, n % 10 ? leave : "", "", "admin", reasons[n % 4], units[n % 4]};
        for (int k = 0; k < 15; ++k)
            sqlite3_bind_text(st, k + 1, texts[k], -1, SQLITE_STATIC);
        sqlite3_bind_int(st, 16, n % 3);
        sqlite3_bind_text(st, 17, id, -1, SQLITE_STATIC);
        ok = check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    return ok;
}

QString benchDataFolder()
{
    static const QString folder = [] {
        const QString dir = benchFolder();
        const QString ready = dir + QStringLiteral("ready");
        if (QFile::exists(ready))
            return dir;
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        std::fprintf(stderr, "generating %d visits in %s ...\n", kVisits, qPrintable(dir));
        { TDataModule1 schema(dir); if (!schema.isOpen()) return QString(); }
        if (!fill(dir + QStringLiteral("db.sqlite")))
            return QString();
        QFile f(ready);
        f.open(QIODevice::WriteOnly);
        return dir;
    }();
    return folder;
}

// The searches measured: a name found 100 times, digits found in names,
// ID numbers and phones, and a text found nowhere; all over every date.
VisitFilter searchFilter(int which)
{
    VisitFilter f;
    f.allDates = true;
    f.search = which == 0 ? QStringLiteral("访客00123") : which == 1 ? QStringLiteral("4321")
                                                                       : QStringLiteral("没有这个人");
    return f;
}

const char *const kSearchNames[] = {"name", "digits", "miss"};

void BM_searchStore(benchmark::State &state)
{
    const QString folder = benchDataFolder();
    if (folder.isEmpty()) { state.SkipWithError("no database"); return; }
    TDataModule1 dm(folder);
    const VisitQuery q = visitListQuery(searchFilter(int(state.range(0))));
    size_t rows = 0;
    for (auto _ : state) {
        ArrayOfvisitInfo list = listVisits(q.condition, q.params);
        rows = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["rows"] = double(rows);
    state.SetLabel(kSearchNames[state.range(0)]);
}

// The same SQL and parameters straight through sqlite3: prepare, bind, step,
// read every column of every row, finalize.
void BM_searchBareSqlite3(benchmark::State &state)
{
    const QString folder = benchDataFolder();
    if (folder.isEmpty()) { state.SkipWithError("no database"); return; }
    sqlite3 *db = nullptr;
    sqlite3_open_v2((folder + QStringLiteral("db.sqlite")).toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const VisitQuery q = visitListQuery(searchFilter(int(state.range(0))));
    const QByteArray sql = (QStringLiteral("select * from MJVisiter") + q.condition
                            + QStringLiteral(" order by 登记时间")).toUtf8();
    std::vector<QByteArray> params;
    for (const QVariant &p : q.params)
        params.push_back(p.toString().toUtf8());
    size_t rows = 0;
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr);
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(st, int(i) + 1, params[i].constData(), int(params[i].size()), SQLITE_STATIC);
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
    state.counters["rows"] = double(rows);
    state.SetLabel(kSearchNames[state.range(0)]);
}

BENCHMARK(BM_searchBareSqlite3)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_searchStore)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

long currentRssKb()
{
    long pages = 0, rss = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &rss) != 2)
            rss = 0;
        std::fclose(f);
    }
    return rss * (sysconf(_SC_PAGESIZE) / 1024);
}

struct ExportRun {
    double seconds = 0;
    long rowsKb = 0; // resident after loading the rows
    long peakKb = 0; // the child's peak
    long bytes = 0;
    int rows = 0;
};

// One export of every visit, in a child process: load the list as the window
// does, then write the file. Returns the time of the write alone.
ExportRun exportInChild(bool workbook)
{
    int fds[2];
    ExportRun run;
    if (pipe(fds) != 0)
        return run;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        ExportRun r;
        {
            TDataModule1 dm(benchDataFolder());
            ArrayOfvisitInfo visits = listVisits(QString());
            const qint64 now = deskNowMs();
            std::vector<QString> stays;
            stays.reserve(visits.size());
            for (const auto &v : visits)
                stays.push_back(stayText(v->entryTime, v->leaveTime, now));
            r.rows = int(visits.size());
            r.rowsKb = currentRssKb();
            const QString path = benchFolder() + (workbook ? QStringLiteral("export.xlsx") : QStringLiteral("export.xls"));
            QElapsedTimer t;
            t.start();
            QString error;
            bool ok;
            if (workbook) {
                std::vector<ExportRow> rows;
                rows.reserve(visits.size());
                for (size_t i = 0; i < visits.size(); ++i)
                    rows.push_back({visits[i].get(), stays[i]});
                ok = writeXlsxExport(path, rows, &error);
            } else {
                QList<QStringList> rows;
                rows.reserve(qsizetype(visits.size()));
                for (const auto &vp : visits) {
                    const visitInfo &v = *vp;
                    rows << QStringList{v.name, v.sex, v.birthDate, v.docType, v.docNumber, v.phone, v.workUnit,
                                        v.address, v.entryTime, v.leaveTime, v.reason, QString::number(v.companions),
                                        v.remark, v.visitee, v.guardOnDuty};
                }
                ok = writeExportFile(path, exportBytes(rows), &error);
            }
            r.seconds = t.nsecsElapsed() / 1e9;
            if (!ok)
                std::fprintf(stderr, "export failed: %s\n", qPrintable(error));
            r.bytes = ok ? long(QFile(path).size()) : -1;
            rusage u{};
            getrusage(RUSAGE_SELF, &u);
            r.peakKb = u.ru_maxrss;
        }
        const ssize_t w = write(fds[1], &r, sizeof r);
        _exit(w == ssize_t(sizeof r) ? 0 : 1);
    }
    close(fds[1]);
    if (read(fds[0], &run, sizeof run) != ssize_t(sizeof run))
        run = ExportRun{};
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return run;
}

void exportBench(benchmark::State &state, bool workbook)
{
    if (benchDataFolder().isEmpty()) { state.SkipWithError("no database"); return; }
    ExportRun last;
    for (auto _ : state) {
        last = exportInChild(workbook);
        state.SetIterationTime(last.seconds);
    }
    if (last.bytes <= 0) { state.SkipWithError("export failed"); return; }
    state.counters["rows"] = last.rows;
    state.counters["MB_file"] = last.bytes / 1e6;
    state.counters["MB_rows_loaded"] = last.rowsKb / 1024.0;
    state.counters["MB_peak"] = last.peakKb / 1024.0;
    state.counters["MB_export_extra"] = (last.peakKb - last.rowsKb) / 1024.0;
}

void BM_ExportTabText(benchmark::State &state) { exportBench(state, false); }
void BM_ExportWorkbook(benchmark::State &state) { exportBench(state, true); }
BENCHMARK(BM_ExportTabText)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportWorkbook)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    RecordingReporter quiet;
    ScopedReporter scoped(&quiet);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (int i = 0; i < 3; ++i) {
        const std::string bare = "BM_searchBareSqlite3/" + std::to_string(i);
        const std::string store = "BM_searchStore/" + std::to_string(i);
        if (reporter.times.count(bare) && reporter.times.count(store) && reporter.times[bare] > 0)
            std::printf("ratio search %s: store / bare sqlite3 = %.2f (goal <= 1.5)\n", kSearchNames[i],
                        reporter.times[store] / reporter.times[bare]);
    }
    const std::string tab = "BM_ExportTabText/iterations:3/manual_time";
    const std::string book = "BM_ExportWorkbook/iterations:3/manual_time";
    if (reporter.times.count(tab) && reporter.times.count(book) && reporter.times[tab] > 0)
        std::printf("ratio export: workbook / tab-separated text = %.2f\n", reporter.times[book] / reporter.times[tab]);
    for (const QString &m : quiet.texts())
        std::fprintf(stderr, "store message: %s\n", qPrintable(m));
    benchmark::Shutdown();
    return 0;
}
