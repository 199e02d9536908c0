// A year of visits (100,000 rows) in a temp store. Compares refreshing the
// visit list window (listing, building the rows with their stay texts,
// drawing the view) with the store's listVisits alone for the same rows, and
// prints the ratio of the two.
#include "DataFolder.h"
#include "Option.h"
#include "Reporter.h"
#include "Store.h"
#include "TFormgate1.h"
#include "VisitListModel.h"

#include <QApplication>
#include <QDateEdit>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <map>
#include <memory>

using namespace vondrel;

namespace {

constexpr int kVisits = 100000;

struct World {
    QTemporaryDir dir;
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<Option> option;
    RecordingReporter reporter;
    std::unique_ptr<TFormgate1> window;
    const QString condition = QStringLiteral(" where (登记时间 between ? and ?)");
    const QVariantList params = {QStringLiteral("2024-01-01"), QStringLiteral("2025-01-01")};
};

World *world = nullptr;

void fillStore(TDataModule1 &data)
{
    QSqlDatabase db = data.ADOConnection_update();
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into MJVisiter(姓名,性别,出生年月,被访人,证件类型,证件号码,联系电话,住址,备注,"
                             "登记时间,注销时间,访问状态,当班门卫,来访事由,工作单位,随行人数,ID) "
                             "values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    const QDateTime start(QDate(2024, 1, 1), QTime(7, 0));
    const QStringList names = {QStringLiteral("张三"), QStringLiteral("李四"), QStringLiteral("王五"),
                               QStringLiteral("赵六"), QStringLiteral("Smith")};
    for (int i = 0; i < kVisits; ++i) {
        // Spread over the year, about 274 visits a day.
        const QDateTime entry = start.addSecs(qint64(i) * 315);
        const QString leave = (i % 10 == 0) ? QString() : entry.addSecs(60 * (i % 400)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        q.bindValue(0, names[i % names.size()] + QString::number(i));
        q.bindValue(1, i % 2 ? QStringLiteral("男") : QStringLiteral("女"));
        q.bindValue(2, QStringLiteral("1980-05-02"));
        q.bindValue(3, QStringLiteral("被访人"));
        q.bindValue(4, QStringLiteral("身份证"));
        q.bindValue(5, QStringLiteral("110108198005020018"));
        q.bindValue(6, QStringLiteral("13900000000"));
        q.bindValue(7, QStringLiteral("北京市海淀区中关村南大街27号"));
        q.bindValue(8, QString());
        q.bindValue(9, entry.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        q.bindValue(10, leave);
        q.bindValue(11, QString());
        q.bindValue(12, QStringLiteral("admin"));
        q.bindValue(13, QStringLiteral("访友"));
        q.bindValue(14, QStringLiteral("单位"));
        q.bindValue(15, i % 4);
        q.bindValue(16, newKey());
        if (!q.exec()) {
            std::fprintf(stderr, "insert failed\n");
            std::exit(1);
        }
    }
    db.commit();
    // As a store that has been in use: the rows moved from the write-ahead
    // log into the database file.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

// The store's listing alone: the rows are read and freed again.
void BM_listVisits(benchmark::State &state)
{
    for (auto _ : state) {
        ArrayOfvisitInfo rows = listVisits(world->condition, world->params);
        if (rows.size() != size_t(kVisits))
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * kVisits);
}

// A refresh of the window as the guard sees it (listing, rows with their
// stay texts, layout and drawing), then the rows freed again.
void BM_fillVisitList(benchmark::State &state)
{
    TFormgate1 &w = *world->window;
    for (auto _ : state) {
        w.refreshList();
        QCoreApplication::processEvents();
        if (w.model()->rowCount() != kVisits)
            state.SkipWithError("wrong row count");
        w.model()->clear();
    }
    state.SetItemsProcessed(state.iterations() * kVisits);
}

// Both, alternating within each iteration, so that load from other programs
// on the machine falls on both alike; the counters give each mean and the
// ratio fill / listVisits.
void BM_fillAgainstListVisits(benchmark::State &state)
{
    TFormgate1 &w = *world->window;
    double listNs = 0;
    double fillNs = 0;
    QElapsedTimer timer;
    bool listFirst = true;
    auto timeList = [&] {
        timer.start();
        {
            ArrayOfvisitInfo rows = listVisits(world->condition, world->params);
            benchmark::DoNotOptimize(rows.data());
        }
        listNs += double(timer.nsecsElapsed());
    };
    auto timeFill = [&] {
        timer.start();
        w.refreshList();
        QCoreApplication::processEvents();
        w.model()->clear();
        fillNs += double(timer.nsecsElapsed());
    };
    for (auto _ : state) {
        // Whichever runs second finds caches warm; take turns.
        if (listFirst) {
            timeList();
            timeFill();
        } else {
            timeFill();
            timeList();
        }
        listFirst = !listFirst;
    }
    const double n = double(state.iterations());
    state.counters["listVisits_ms"] = listNs / n / 1e6;
    state.counters["fill_ms"] = fillNs / n / 1e6;
    state.counters["ratio"] = listNs > 0 ? fillNs / listNs : 0;
}

void BM_sortByEntryTime(benchmark::State &state)
{
    TFormgate1 &w = *world->window;
    w.refreshList();
    for (auto _ : state)
        w.ListView1ColumnClick(6);
    w.model()->clear();
}

BENCHMARK(BM_listVisits)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_fillVisitList)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_fillAgainstListVisits)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_sortByEntryTime)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's mean real time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            if (!r.error_occurred)
            {
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
                cpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
                const auto ratio = r.counters.find("ratio");
                if (ratio != r.counters.end())
                    alternatingRatio = ratio->second.value;
            }
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
    double alternatingRatio = 0;
};

} // namespace

int main(int argc, char **argv)
{
    // glibc gives freed memory back to the system and faults it in again on
    // the next listing; whichever benchmark runs first would pay for that
    // alone. Keep it, so both are measured on a warm heap.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    World w;
    world = &w;
    setReporter(&w.reporter);
    const QString dataFolder = w.dir.path() + QStringLiteral("/Vondrel Files/");
    makeWorkFolders(dataFolder);
    w.data = std::make_unique<TDataModule1>(dataFolder);
    w.option = std::make_unique<Option>(dataFolder + QStringLiteral("Vondrel.ini"));
    w.option->guard = {QStringLiteral("admin"), QStringLiteral("582")};
    setCurrentOption(w.option.get());
    fillStore(*w.data);

    w.window = std::make_unique<TFormgate1>();
    w.window->setAttribute(Qt::WA_DeleteOnClose, false);
    {
        const QSignalBlocker b1(w.window->DateTimePicker1);
        const QSignalBlocker b2(w.window->DateTimePicker2);
        w.window->DateTimePicker1->setDate(QDate(2024, 1, 1));
        w.window->DateTimePicker2->setDate(QDate(2024, 12, 31));
    }
    w.window->resize(1200, 700);
    w.window->show();
    QCoreApplication::processEvents();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.alternatingRatio > 0)
        std::printf("visit list fill / listVisits alone (%d rows, alternating, real time): %.2fx\n", kVisits,
                    reporter.alternatingRatio);
    // Both clocks: on a shared machine the CPU time ratio is the steadier.
    for (const auto *table : {&reporter.times, &reporter.cpuTimes}) {
        const auto list = table->find("BM_listVisits/min_time:2.000");
        const auto fill = table->find("BM_fillVisitList/min_time:2.000");
        if (list != table->end() && fill != table->end() && list->second > 0)
            std::printf("visit list fill / listVisits alone (%d rows, %s time): %.2fx\n", kVisits,
                        table == &reporter.times ? "real" : "CPU", fill->second / list->second);
    }

    w.window.reset();
    setCurrentOption(nullptr);
    setReporter(nullptr);
    benchmark::Shutdown();
    return 0;
}
