// A desk killed in the middle of saving leaves a readable database with the
// old or the new row; a second program reading the file meanwhile does not
// fail.
#include "StoreFixture.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace vondrel;

namespace {

// Every text of generation `n` carries the same marker, so a row mixed from
// two saves is detectable.
void fill(visitInfo &v, int n)
{
    const QString big = QString(2000, QLatin1Char('x'));
    const QString m = QString::number(n);
    for (QString *f : {&v.name, &v.sex, &v.birthDate, &v.visitee, &v.docType, &v.docNumber, &v.phone,
                       &v.address, &v.remark, &v.entryTime, &v.guardOnDuty, &v.reason, &v.workUnit})
        *f = m + QLatin1Char('|') + big;
    v.companions = n;
}

} // namespace

TEST(CrashSafety, KilledWriterLeavesOldOrNewRowAndReadersDoNotFail)
{
    QTemporaryDir dir;
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    QString key;
    {
        TDataModule1 dm(dir.path());
        ASSERT_TRUE(dm.isOpen());
        visitInfo v;
        fill(v, 0);
        key = saveVisit(v);
        ASSERT_FALSE(key.isEmpty());
    }

    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipefd[0]);
        TDataModule1 dm(dir.path());
        visitInfo v;
        v.id = key;
        bool told = false;
        for (int n = 1;; ++n) {
            fill(v, n);
            if (saveVisit(v) != key)
                _exit(3);
            visitInfo extra;
            fill(extra, n);
            if (insertVisit(extra).isEmpty())
                _exit(4);
            if (!told && n > 5) {
                told = write(pipefd[1], "g", 1) == 1;
            }
        }
    }
    close(pipefd[1]);
    char go = 0;
    ASSERT_EQ(read(pipefd[0], &go, 1), 1) << "writer did not get going";
    close(pipefd[0]);

    {
        // A second reader while the writer runs.
        TDataModule1 reader(dir.path());
        ASSERT_TRUE(reader.isOpen());
        for (int i = 0; i < 20; ++i) {
            auto rows = listVisits(QStringLiteral("where ID=?"), {key});
            ASSERT_EQ(rows.size(), 1u);
            usleep(2000);
        }
    }
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended on its own: " << WEXITSTATUS(status);

    TDataModule1 after(dir.path());
    ASSERT_TRUE(after.isOpen()) << after.openError().toStdString();
    QSqlQuery check(after.ADOConnection_update());
    ASSERT_TRUE(check.exec(QStringLiteral("PRAGMA integrity_check")));
    ASSERT_TRUE(check.next());
    EXPECT_EQ(check.value(0).toString(), QStringLiteral("ok"));

    auto rows = listVisits(QString());
    ASSERT_GE(rows.size(), 2u);
    for (const auto &r : rows) {
        const QString m = QString::number(r->companions) + QLatin1Char('|');
        for (const QString *f : {&r->name, &r->address, &r->remark, &r->workUnit, &r->entryTime})
            EXPECT_TRUE(f->startsWith(m)) << "row " << r->id.toStdString() << " mixes two saves";
    }
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(QLatin1Char('\n')).toStdString();
}
