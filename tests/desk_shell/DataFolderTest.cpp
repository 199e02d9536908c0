#include "DataFolder.h"

#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vondrel;

namespace {

void touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

} // namespace

TEST(DataFolder, FollowsTheDocumentsFolderAndEndsInSlash)
{
    QTemporaryDir dir;
    ScopedEnv docs("XDG_DOCUMENTS_DIR", dir.path().toUtf8());
    EXPECT_EQ(filesFolder(), dir.path() + QStringLiteral("/Vondrel Files/"));
    EXPECT_EQ(tempFolder(), dir.path() + QStringLiteral("/Vondrel Files/temp/"));
}

TEST(DataFolder, FallsBackToHomeDocuments)
{
    QTemporaryDir dir;
    ScopedEnv docs("XDG_DOCUMENTS_DIR", QByteArray());
    ScopedEnv home("HOME", dir.path().toUtf8());
    ScopedEnv config("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    EXPECT_EQ(filesFolder(), dir.path() + QStringLiteral("/Documents/Vondrel Files/"));
}

TEST(DataFolder, MakeWorkFoldersCreatesBothFolders)
{
    QTemporaryDir dir;
    ScopedEnv docs("XDG_DOCUMENTS_DIR", dir.filePath(QStringLiteral("not/yet/there")).toUtf8());
    EXPECT_TRUE(makeWorkFolders());
    EXPECT_TRUE(QFileInfo(filesFolder()).isDir());
    EXPECT_TRUE(QFileInfo(tempFolder()).isDir());
    EXPECT_TRUE(makeWorkFolders()) << "existing folders are fine";
}

TEST(DataFolder, MakeWorkFoldersRaisesTheFixedMessage)
{
    QTemporaryDir dir;
    // A file where the temp folder should be.
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    touch(data + QStringLiteral("/temp"));
    try {
        makeWorkFolders(data);
        FAIL() << "no error raised";
    } catch (const FolderError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("不能建立临时文件夹."));
    }
    // A file where the data folder should be.
    touch(dir.filePath(QStringLiteral("plainfile")));
    EXPECT_THROW(makeWorkFolders(dir.filePath(QStringLiteral("plainfile"))), FolderError);
}

TEST(DeleteMatching, TakesJpgAndBmpInAnyCaseAndLeavesTheRest)
{
    QTemporaryDir dir;
    const QString temp = dir.path() + QStringLiteral("/temp/");
    ASSERT_TRUE(QDir().mkpath(temp));
    const QStringList gone = {QStringLiteral("visit{A}.jpg"), QStringLiteral("B.JPG"),
                              QStringLiteral("c.Jpg"), QStringLiteral("d.bmp"), QStringLiteral("E.BMP")};
    const QStringList kept = {QStringLiteral("f.png"), QStringLiteral("g.jpeg"), QStringLiteral("h.jpg.txt"),
                              QStringLiteral("wz.txt"), QStringLiteral("jpg")};
    for (const QString &n : gone + kept)
        touch(temp + n);
    ASSERT_TRUE(QDir().mkpath(temp + QStringLiteral("folder.jpg")));

    EXPECT_EQ(deleteMatching(temp + QStringLiteral("*.jpg")), 3);
    EXPECT_EQ(deleteMatching(temp + QStringLiteral("*.bmp")), 2);
    for (const QString &n : gone)
        EXPECT_FALSE(QFile::exists(temp + n)) << n.toStdString();
    for (const QString &n : kept)
        EXPECT_TRUE(QFile::exists(temp + n)) << n.toStdString();
    EXPECT_TRUE(QFileInfo(temp + QStringLiteral("folder.jpg")).isDir()) << "folders are never deleted";
}

TEST(DeleteMatching, MissingFolderIsIgnored)
{
    QTemporaryDir dir;
    EXPECT_EQ(deleteMatching(dir.filePath(QStringLiteral("nowhere/*.jpg"))), 0);
    EXPECT_EQ(deleteMatching(dir.filePath(QStringLiteral("nowhere/"))), 0);
}
