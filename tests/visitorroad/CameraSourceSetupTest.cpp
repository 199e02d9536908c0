// First use of the camera: the test picture becomes the library's source on
// a machine without a capture device and without a configured source; a
// configured source or a real camera is left alone.
#include "CameraSourceSetup.h"
#include "Reporter.h"
#include "WriteFaults.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace vondrel;

namespace {

struct SourceCase {
    const char *name;
    std::optional<QByteArray> existing; // SoruceUrl.bin before; nullopt: absent
    bool device;
    bool written;
    QByteArray after; // the file afterwards (when it exists)
};

class CameraSourceSetupTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(CameraSourceSetupTest, WritesTheTestPictureOnlyWhenNothingElseCanShow)
{
    const SourceCase c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/Vondrel Files/");
    const QString file = folder + QStringLiteral("SoruceUrl.bin");
    if (c.existing) {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(*c.existing);
    }
    EXPECT_EQ(prepareCameraSources(folder, [&] { return c.device; }), c.written);
    QFile f(file);
    if (!c.existing && !c.written) {
        EXPECT_FALSE(f.exists());
        return;
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CameraSourceSetupTest,
    ::testing::Values(
        SourceCase{"NewMachineWithoutCamera", std::nullopt, false, true, "testsrc\r\n"},
        SourceCase{"EmptyListWithoutCamera", QByteArray(), false, true, "testsrc\r\n"},
        SourceCase{"BlankLinesWithoutCamera", QByteArray("\r\n  \r\n"), false, true, "testsrc\r\n"},
        SourceCase{"RealCameraPresent", std::nullopt, true, false, ""},
        SourceCase{"RealCameraAndEmptyList", QByteArray(), true, false, ""},
        SourceCase{"StreamConfigured", QByteArray("http://127.0.0.1:8080/cam\r\n"), false, false,
                   "http://127.0.0.1:8080/cam\r\n"},
        SourceCase{"TestPictureAlreadyThere", QByteArray("testsrc\r\n"), false, false, "testsrc\r\n"}),
    [](const auto &p) { return std::string(p.param.name); });

TEST(CameraSourceSetup, UnwritableFolderWritesNothingAndSaysSo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A plain file where the data folder should be.
    const QString blocker = dir.path() + QStringLiteral("/Vondrel Files");
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(prepareCameraSources(blocker + QStringLiteral("/"), [] { return false; }));
}

struct SourceWriteFault {
    const char *name;
    bool fullDisk; // else a file-size limit
};

class FailedSourceWrite : public ::testing::TestWithParam<SourceWriteFault> {};

TEST_P(FailedSourceWrite, KeepsTheOldListAndSaysWhichFile)
{
    QTemporaryDir plain;
    std::optional<vqtest::SmallTmpfs> fs;
    if (GetParam().fullDisk) {
        fs.emplace();
        if (!fs->ok())
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    const QString folder = (fs ? fs->path() : plain.path()) + QStringLiteral("/");
    const QString file = folder + QStringLiteral("SoruceUrl.bin");
    const QByteArray before("\r\n   \r\n"); // lists no source
    ASSERT_TRUE(vqtest::putFile(file, before));
    if (fs) {
        ASSERT_TRUE(fs->fill());
    }
    RecordingReporter reports;
    ScopedReporter scope(&reports);
    bool written = true;
    {
        std::optional<vqtest::FileSizeLimit> limit;
        if (!fs)
            limit.emplace(4);
        written = prepareCameraSources(folder, [] { return false; });
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(vqtest::fileBytes(file), before);
    ASSERT_EQ(reports.texts().size(), 1);
    EXPECT_TRUE(reports.texts().first().contains(file)) << reports.texts().first().toStdString();
    EXPECT_EQ(vqtest::tempFilesIn(folder), QStringList());
}

const SourceWriteFault kSourceFaults[] = {{"SizeLimit", false}, {"FullDisk", true}};
INSTANTIATE_TEST_SUITE_P(Faults, FailedSourceWrite, ::testing::ValuesIn(kSourceFaults),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
