#include "SingleInstance.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
