#include "SingleInstance.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace vondrel;

TEST(SingleInstance, SecondCopyIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vondrel.lock"));
    auto first = std::make_unique<SingleInstance>(path);
    ASSERT_TRUE(first->tryLock());
    EXPECT_TRUE(first->isLocked());
    {
        SingleInstance second(path);
        EXPECT_FALSE(second.tryLock());
        EXPECT_TRUE(second.errorText().isEmpty()) << "a live holder is not an error";
    }
    first.reset();
    EXPECT_FALSE(QFile::exists(path)) << "a normal end removes the lock";
    SingleInstance third(path);
    EXPECT_TRUE(third.tryLock());
}

TEST(SingleInstance, LockLeftByACrashedCopyDoesNotBlock)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vondrel.lock"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The "crashed" copy: takes the lock and dies without releasing it.
        auto *held = new SingleInstance(path);
        _exit(held->tryLock() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(path)) << "the dead copy left its lock file";

    SingleInstance next(path);
    EXPECT_TRUE(next.tryLock());
}

TEST(SingleInstance, DefaultPathIsInTheRuntimeFolder)
{
    EXPECT_TRUE(SingleInstance::defaultLockPath().endsWith(QStringLiteral("/Vondrel.lock")));
    EXPECT_EQ(alreadyRunningText(), QStringLiteral("门禁软件已启动."));
}

TEST(SingleInstance, UnusableFolderIsReportedNotTakenForARunningCopy)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    SingleInstance lock(dir.filePath(QStringLiteral("file/Vondrel.lock")));
    EXPECT_FALSE(lock.tryLock());
    EXPECT_FALSE(lock.errorText().isEmpty());
}

namespace {

struct LeftoverLock {
    const char *name;
    QByteArray content;
};

class LeftoverLockFile : public ::testing::TestWithParam<LeftoverLock> {};

// A crash between creating the lock file and writing it leaves a file that
// names no holder; it must not stop every later start.
TEST_P(LeftoverLockFile, NamingNoHolderDoesNotBlockTheStart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vondrel.lock"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(GetParam().content);
    f.close();

    SingleInstance next(path);
    EXPECT_TRUE(next.tryLock());
    EXPECT_TRUE(next.errorText().isEmpty()) << next.errorText().toStdString();
    // And it is a working lock again.
    SingleInstance another(path);
    EXPECT_FALSE(another.tryLock());
    EXPECT_TRUE(another.errorText().isEmpty());
}

const LeftoverLock kLeftovers[] = {
    {"Empty", QByteArray()},
    {"Garbage", QByteArray("\x01\x02garbage\xff\nnot a lock\n", 23)},
    {"ZeroPid", QByteArray("0\nVondrel\nhost\n")},
    {"Blanks", QByteArray("\n\n\n")},
};
INSTANTIATE_TEST_SUITE_P(Files, LeftoverLockFile, ::testing::ValuesIn(kLeftovers),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST(SingleInstance, GarbledFileOfALiveCopyIsNotTakenOver)
{
    // A running copy whose lock file was garbled afterwards still holds it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Vondrel.lock"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        auto *held = new SingleInstance(path);
        bool ok = held->tryLock();
        QFile f(path);
        ok = ok && f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.close();
        const char c = ok ? 1 : 0;
        [[maybe_unused]] ssize_t n = ::write(ready[1], &c, 1);
        ::pause();
        _exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(c, 1);

    SingleInstance second(path);
    EXPECT_FALSE(second.tryLock());
    EXPECT_TRUE(second.errorText().isEmpty()) << "a live holder is not an error";
    EXPECT_TRUE(QFile::exists(path));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    SingleInstance afterwards(path);
    EXPECT_TRUE(afterwards.tryLock()) << "its holder is gone now";
}

TEST(SingleInstance, LockThatCannotBeMadeNamesTheFile)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString path = dir.filePath(QStringLiteral("file/Vondrel.lock"));
    SingleInstance lock(path);
    EXPECT_FALSE(lock.tryLock());
    EXPECT_TRUE(lock.errorText().startsWith(QStringLiteral("无法建立锁文件 ") + path)) << lock.errorText().toStdString();
}
