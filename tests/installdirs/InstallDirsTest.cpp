// The folder of a library's own code, and the installed folders as seen
// from the program and the library, where they were configured and in a
// tree moved elsewhere.
#include "InstallDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>

namespace {

enum class Seen { StandinsFromProgram, LanguageFromLibrary };

struct FolderCase {
    const char *name;
    Seen seen;
    QString from;
    QString expected;
};

void PrintTo(const FolderCase &c, std::ostream *os) { *os << c.name; }

QString installed(Seen seen, const QString &from)
{
    return seen == Seen::StandinsFromProgram ? vq::installedStandinFolder(from) : vq::installedLanguageFolder(from);
}

class InstalledFolders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(InstalledFolders, FollowTheConfiguredLayout)
{
    EXPECT_EQ(installed(GetParam().seen, GetParam().from), GetParam().expected);
}

const QString kMoved = QStringLiteral("/opt/moved tree");

INSTANTIATE_TEST_SUITE_P(Cases, InstalledFolders,
    ::testing::Values(
        FolderCase{"StandinsFromProgram", Seen::StandinsFromProgram, VQ_TEST_BINDIR, VQ_TEST_STANDINDIR},
        FolderCase{"LanguageFromLibrary", Seen::LanguageFromLibrary, VQ_TEST_LIBDIR, VQ_TEST_LANGDIR},
        FolderCase{"StandinsInAMovedTree", Seen::StandinsFromProgram, kMoved + VQ_TEST_BINDIR,
                   kMoved + VQ_TEST_STANDINDIR},
        FolderCase{"LanguageInAMovedTree", Seen::LanguageFromLibrary, kMoved + VQ_TEST_LIBDIR,
                   kMoved + VQ_TEST_LANGDIR},
        FolderCase{"TrailingSlash", Seen::LanguageFromLibrary, QStringLiteral(VQ_TEST_LIBDIR "/"), VQ_TEST_LANGDIR},
        FolderCase{"NoFolderNoAnswer", Seen::StandinsFromProgram, QString(), QString()}),
    [](const ::testing::TestParamInfo<FolderCase> &info) { return std::string(info.param.name); });

int localFunction() { return 1; }

TEST(FolderOfCode, IsTheFolderOfTheLibraryTheCodeIsIn)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = QDir(tmp.path()).canonicalPath() + QStringLiteral("/usr/lib");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TERMB_STANDIN_PATH), folder + QStringLiteral("/libtermb.so")));
    // Loaded the way a program's relative library path loads it: through
    // a path with "..".
    const QByteArray path = (folder + QStringLiteral("/../lib/libtermb.so")).toLocal8Bit();
    void *handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    void *entry = ::dlsym(handle, "InitComm");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(vq::folderOfCode(entry), folder);
    ::dlclose(handle);
}

TEST(FolderOfCode, OfALibraryLoadedByARelativePathIsItsFolder)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = QDir(tmp.path()).canonicalPath() + QStringLiteral("/host/lib");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TERMB_STANDIN_PATH), folder + QStringLiteral("/libtermb.so")));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder + QStringLiteral("/..")));
    void *handle = ::dlopen("./lib/libtermb.so", RTLD_NOW | RTLD_LOCAL);
    void *entry = handle ? ::dlsym(handle, "InitComm") : nullptr;
    const QString found = entry ? vq::folderOfCode(entry) : QString();
    QDir::setCurrent(before);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(found, folder);
    ::dlclose(handle);
}

TEST(FolderOfCode, OfTheProgramIsTheProgramsFolder)
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    ASSERT_FALSE(program.isEmpty());
    EXPECT_EQ(vq::folderOfCode(reinterpret_cast<const void *>(&localFunction)), QFileInfo(program).absolutePath());
    EXPECT_EQ(vq::runningProgramFolder(), QFileInfo(program).absolutePath());
}

} // namespace
