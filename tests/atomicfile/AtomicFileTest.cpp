#include "AtomicFile.h"
#include "WriteFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vqtest;

namespace {

const QByteArray kOld = QByteArray("the file as it was before\n").repeated(8);

// How a write is made: all at once, or streamed in pieces.
struct Writer {
    const char *name;
    std::function<bool(const QString &, const QByteArray &, QString *)> write;
};

bool streamed(const QString &path, const QByteArray &bytes, QString *error)
{
    vq::AtomicFile file(path);
    bool ok = file.open();
    for (qsizetype at = 0; ok && at < bytes.size(); at += 1000)
        ok = file.write(bytes.mid(at, 1000));
    ok = ok && file.commit();
    if (!ok)
        *error = file.errorString();
    return ok;
}

const Writer kWriters[] = {
    {"whole", [](const QString &p, const QByteArray &b, QString *e) { return vq::writeFileAtomically(p, b, e); }},
    {"streamed", streamed},
};

class AtomicWrite : public ::testing::TestWithParam<Writer> {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};

TEST_P(AtomicWrite, ReplacesTheFileAndKeepsItsMode)
{
    const QString path = dir.filePath(QStringLiteral("target.bin"));
    ASSERT_TRUE(putFile(path, kOld));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const QByteArray bytes(10000, 'n');
    QString error;
    ASSERT_TRUE(GetParam().write(path, bytes, &error)) << error.toStdString();
    EXPECT_EQ(fileBytes(path), bytes);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

TEST_P(AtomicWrite, SizeLimitKeepsTheOldFileAndSaysWhy)
{
    const QString path = dir.filePath(QStringLiteral("target.bin"));
    ASSERT_TRUE(putFile(path, kOld));
    QString error;
    bool ok = true;
    {
        FileSizeLimit limit(5000);
        ASSERT_TRUE(limit.ok());
        ok = GetParam().write(path, QByteArray(10000, 'n'), &error);
    }
    EXPECT_FALSE(ok) << "a write cut at 5000 bytes must not count as done";
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(fileBytes(path), kOld);
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

TEST_P(AtomicWrite, FullDiskKeepsTheOldFileAndSaysWhy)
{
    SmallTmpfs fs;
    if (!fs.ok())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString path = fs.filePath(QStringLiteral("target.bin"));
    ASSERT_TRUE(putFile(path, kOld));
    ASSERT_TRUE(fs.fill());
    QString error;
    // Small writes too: a buffered writer would only see the failure late.
    for (const int size : {100, 10000, 300000}) {
        EXPECT_FALSE(GetParam().write(path, QByteArray(size, 'n'), &error)) << size;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(fileBytes(path), kOld) << size;
        EXPECT_EQ(tempFilesIn(fs.path()), QStringList()) << size;
    }
}

TEST_P(AtomicWrite, MissingFolderIsAnErrorNotACrash)
{
    QString error;
    EXPECT_FALSE(GetParam().write(dir.filePath(QStringLiteral("no/such/folder/x")), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_P(AtomicWrite, LongNameThatFitsStillWrites)
{
    // 240 bytes of name leave no room for the temporary's additions.
    const QString name = QString(80, QChar(0x8BBF)); // 80 × 3 UTF-8 bytes
    const QString path = dir.filePath(name);
    QString error;
    ASSERT_TRUE(GetParam().write(path, "long", &error)) << error.toStdString();
    EXPECT_EQ(fileBytes(path), QByteArray("long"));
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Writers, AtomicWrite, ::testing::ValuesIn(kWriters),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(AtomicFile, StreamDiscardedWithoutCommitLeavesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.xls"));
    ASSERT_TRUE(putFile(path, kOld));
    {
        vq::AtomicFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("half of it"));
        EXPECT_TRUE(QFile::exists(file.tempPath()));
        EXPECT_EQ(fileBytes(path), kOld) << "nothing shows before the commit";
    }
    EXPECT_EQ(fileBytes(path), kOld);
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

TEST(AtomicFile, WriteAfterAFailureKeepsFailing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    vq::AtomicFile file(path);
    ASSERT_TRUE(file.open());
    {
        FileSizeLimit limit(10);
        EXPECT_FALSE(file.write(QByteArray(100, 'x')));
    }
    EXPECT_FALSE(file.write("more"));
    EXPECT_FALSE(file.commit());
    EXPECT_FALSE(file.errorString().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

TEST(AtomicFile, FileWrittenByOthersIsCommittedOrDropped)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    ASSERT_TRUE(putFile(path, kOld));
    const std::optional<QString> temp = vq::createTempFileFor(path);
    ASSERT_TRUE(temp);
    {
        QFile other(*temp);
        ASSERT_TRUE(other.open(QIODevice::WriteOnly));
        other.write("written by a library");
    }
    EXPECT_EQ(fileBytes(path), kOld);
    ASSERT_TRUE(vq::commitWrittenFile(*temp, path));
    EXPECT_EQ(fileBytes(path), QByteArray("written by a library"));
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

// A writer process killed with SIGKILL half way through its write.
pid_t startKilledWriter(const QString &target)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        vq::AtomicFile file(target);
        const bool ok = file.open() && file.write(QByteArray(4096, 'k'));
        const char c = ok ? 1 : 0;
        [[maybe_unused]] ssize_t n = ::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    const bool ok = ::read(ready[0], &c, 1) == 1 && c == 1;
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return ok ? child : -1;
}

TEST(StaleTempFiles, LeftoverOfAKilledWriterGoesWithTheNextWrite)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("config.bin"));
    ASSERT_TRUE(putFile(target, kOld));
    for (int i = 0; i < 5; ++i) {
        ASSERT_GT(startKilledWriter(target), 0);
        // Each killed writer left its own temporary, and had removed the one
        // of the writer killed before it: they do not pile up.
        ASSERT_EQ(tempFilesIn(dir.path()).size(), 1) << i;
    }
    EXPECT_EQ(fileBytes(target), kOld);

    // The next write anywhere in that folder cleans up.
    ASSERT_TRUE(vq::writeFileAtomically(dir.filePath(QStringLiteral("other.bin")), "x"));
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
    EXPECT_EQ(fileBytes(target), kOld);
}

TEST(StaleTempFiles, StartUpCleanUpRemovesThemToo)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Vondrel.ini"));
    ASSERT_GT(startKilledWriter(target), 0);
    ASSERT_EQ(tempFilesIn(dir.path()).size(), 1);
    vq::removeStaleTempFiles(dir.path());
    EXPECT_EQ(tempFilesIn(dir.path()), QStringList());
}

TEST(StaleTempFiles, LiveWritersAndOtherFilesAreLeftAlone)
{
    QTemporaryDir dir;
    // A file of another program that merely looks similar.
    const QStringList others = {QStringLiteral(".notes.tmp"), QStringLiteral("a.b.123.abcdef.tmp"),
                                QStringLiteral(".x.abc.abcdef.tmp"), QStringLiteral("keep.bin")};
    for (const QString &name : others)
        ASSERT_TRUE(putFile(dir.filePath(name), "other"));

    // A write of ours in progress in the same folder.
    vq::AtomicFile ours(dir.filePath(QStringLiteral("big.xls")));
    ASSERT_TRUE(ours.open());
    ASSERT_TRUE(ours.write("in progress"));

    // A live writer in another process.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        vq::AtomicFile file(dir.filePath(QStringLiteral("child.bin")));
        const char c = file.open() ? 1 : 0;
        [[maybe_unused]] ssize_t n = ::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);

    vq::removeStaleTempFiles(dir.path());
    ASSERT_TRUE(vq::writeFileAtomically(dir.filePath(QStringLiteral("x")), "x"));
    EXPECT_EQ(tempFilesIn(dir.path()).size(), 2 + 3) << tempFilesIn(dir.path()).join(u' ').toStdString();
    EXPECT_TRUE(QFile::exists(ours.tempPath()));
    for (const QString &name : others)
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(ours.commit());
    EXPECT_EQ(fileBytes(dir.filePath(QStringLiteral("big.xls"))), QByteArray("in progress"));
}

TEST(StaleTempFiles, LeftoverWithOurOwnProcessIdIsStaleUnlessWeWriteIt)
{
    // An earlier process with the same id (a container restarted) left this.
    QTemporaryDir dir;
    const QString leftover =
        dir.filePath(QStringLiteral(".db.ini.%1.Ab12Cd.tmp").arg(qint64(::getpid())));
    ASSERT_TRUE(putFile(leftover, "left behind"));
    ASSERT_TRUE(vq::isAtomicTempName(QFileInfo(leftover).fileName()));
    ASSERT_TRUE(vq::writeFileAtomically(dir.filePath(QStringLiteral("db.ini")), "x"));
    EXPECT_FALSE(QFile::exists(leftover));
}

} // namespace
