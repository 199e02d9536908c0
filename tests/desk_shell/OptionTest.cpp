#include "IniFile.h"
#include "Option.h"
#include "ParamName.h"
#include "Reporter.h"
#include "WriteFaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace vondrel;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class OptionFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini() const { return dir.filePath(QStringLiteral("Vondrel.ini")); }
};

const QByteArray kFirstRunFile =
    "[Settings]\n"
    "connect=\n"
    "autorefresh=0\n"
    "autorefreshTime=30\n"
    "peopleComboBoxCamera1=0\n"
    "visitComboBoxCamera1=0\n"
    "visitComboBoxCamera2=0\n"
    "title=人员出入登记软件\n";

} // namespace

TEST_F(OptionFile, MissingFileGivesDefaultsAndFirstRunFileInKeyOrder)
{
    {
        Option o(ini());
        EXPECT_EQ(o.iniPath, ini());
        EXPECT_EQ(o.connect, QString());
        EXPECT_EQ(o.autorefresh, QStringLiteral("0"));
        EXPECT_EQ(o.autorefreshTime, 30);
        EXPECT_EQ(o.peopleComboBoxCamera1, QStringLiteral("0"));
        EXPECT_EQ(o.visitComboBoxCamera1, QStringLiteral("0"));
        EXPECT_EQ(o.visitComboBoxCamera2, QStringLiteral("0"));
        EXPECT_EQ(o.title, QStringLiteral("人员出入登记软件"));
        EXPECT_EQ(o.productName, QStringLiteral("岚拓人员出入登记软件"));
        EXPECT_TRUE(o.guard.name.isEmpty());
        EXPECT_TRUE(o.guard.password.isEmpty());
        EXPECT_FALSE(QFile::exists(ini())) << "nothing is written before the end of the run";
    }
    EXPECT_EQ(readAll(ini()), kFirstRunFile);
}

TEST_F(OptionFile, ChangesReachTheFileOnlyWhenTheObjectGoes)
{
    {
        Option o(ini());
        o.title = QStringLiteral("东门 'A' 岗");
        o.visitComboBoxCamera2 = QStringLiteral("3");
        o.guard = {QStringLiteral("admin"), QStringLiteral("582")};
        EXPECT_FALSE(QFile::exists(ini()));
    }
    const QByteArray text = readAll(ini());
    EXPECT_TRUE(text.contains("title=东门 'A' 岗\n"));
    EXPECT_TRUE(text.contains("visitComboBoxCamera2=3\n"));
    EXPECT_FALSE(text.contains("admin")) << "the guard is not persisted";
    EXPECT_FALSE(text.contains("productName"));
    Option again(ini());
    EXPECT_EQ(again.title, QStringLiteral("东门 'A' 岗"));
    EXPECT_EQ(again.visitComboBoxCamera2, QStringLiteral("3"));
}

struct RefreshCase {
    const char *file;  // content of the file (nullptr: key missing)
    int read;          // autorefreshTime after loading
    const char *written;
};

class RefreshTime : public OptionFile, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RefreshTime, ReadAndWrittenBack)
{
    const RefreshCase c = GetParam();
    QByteArray content = "[Settings]\nconnect=\n";
    if (c.file)
        content += QByteArray("autorefreshTime=") + c.file + "\n";
    writeAll(ini(), content);
    {
        Option o(ini());
        EXPECT_EQ(o.autorefreshTime, c.read);
    }
    EXPECT_TRUE(readAll(ini()).contains(QByteArray("autorefreshTime=") + c.written + "\n"));
}

INSTANTIATE_TEST_SUITE_P(Rules, RefreshTime, ::testing::Values(
    RefreshCase{nullptr, 30, "30"},       // missing key: 30, not the constructor's 10
    RefreshCase{"5", 10, "10"},           // below 10 becomes 10
    RefreshCase{"abc", 10, "10"},         // letters only: no digits, 0, then 10
    RefreshCase{"", 10, "10"},
    RefreshCase{"10", 10, "10"},
    RefreshCase{"45", 45, "45"},
    RefreshCase{"  60s", 60, "60"},       // leading digits count, the rest is ignored
    RefreshCase{"-50", 10, "10"},
    RefreshCase{"99999999999999", 2147483647, "2147483647"}), // saturates
    [](const auto &info) { return info.param.file ? vq::test::paramName(info.param.file) : std::string("Missing"); });

TEST_F(OptionFile, EmptyConnectStaysEmptyAndOtherContentIsKept)
{
    writeAll(ini(),
             "; kept comment\n"
             "[Other]\nx=1\n\n"
             "[settings]\nTITLE=\"Gate 2\"\nconnect=\nextra=keep me\n");
    {
        Option o(ini());
        EXPECT_EQ(o.connect, QString());
        EXPECT_EQ(o.title, QStringLiteral("Gate 2")) << "section and key names ignore letter case";
        EXPECT_EQ(o.autorefresh, QStringLiteral("0"));
    }
    const QByteArray text = readAll(ini());
    EXPECT_TRUE(text.startsWith("; kept comment\n[Other]\nx=1\n")) << text.constData();
    EXPECT_TRUE(text.contains("connect=\n"));
    EXPECT_TRUE(text.contains("extra=keep me\n"));
    EXPECT_TRUE(text.contains("TITLE=Gate 2\n")) << "an existing key is updated where it stands";
    EXPECT_EQ(text.count("[settings]") + text.count("[Settings]"), 1);
    // Keys added to the section follow in the fixed order.
    const qsizetype a = text.indexOf("autorefresh=");
    const qsizetype b = text.indexOf("autorefreshTime=");
    const qsizetype c = text.indexOf("peopleComboBoxCamera1=");
    const qsizetype d = text.indexOf("visitComboBoxCamera2=");
    EXPECT_TRUE(a >= 0 && a < b && b < c && c < d) << text.constData();
}

struct BadFileCase {
    const char *what;
    QByteArray content;
};

class BadFile : public OptionFile, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadFile, GivesDefaultsAndAUsableFile)
{
    writeAll(ini(), GetParam().content);
    {
        Option o(ini());
        EXPECT_EQ(o.autorefreshTime, 30);
        EXPECT_EQ(o.title, QStringLiteral("人员出入登记软件"));
        EXPECT_EQ(o.autorefresh, QStringLiteral("0"));
    }
    Option again(ini());
    EXPECT_EQ(again.autorefreshTime, 30);
    EXPECT_EQ(again.title, QStringLiteral("人员出入登记软件"));
    EXPECT_TRUE(readAll(ini()).contains("[Settings]\nconnect=\nautorefresh=0\nautorefreshTime=30\n"));
}

INSTANTIATE_TEST_SUITE_P(Garbage, BadFile, ::testing::Values(
    BadFileCase{"binary", QByteArray("\x00\x01\xff\xfe[Set\x00tings]\n\x80\x81=\x82", 16)},
    BadFileCase{"NoSection", QByteArray("title=nope\nautorefreshTime=5\n")},
    BadFileCase{"empty", QByteArray()},
    BadFileCase{"SectionOnly", QByteArray("[Settings")},
    BadFileCase{"huge", QByteArray(2 * 1024 * 1024, 'x')}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(OptionFile, UnreadableFileGivesDefaults)
{
    // A folder where the file should be cannot be read (nor written).
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Vondrel.ini")));
    Option o(ini());
    EXPECT_EQ(o.autorefreshTime, 30);
    EXPECT_FALSE(o.save());
}

TEST_F(OptionFile, OlderChineseCodePageFileIsRead)
{
    // "东门" in GB18030.
    writeAll(ini(), QByteArray("[Settings]\ntitle=\xb6\xab\xc3\xc5\n"));
    Option o(ini());
    EXPECT_EQ(o.title, QStringLiteral("东门"));
}

TEST(OptionSlot, CurrentOptionIsClearedWhenItGoes)
{
    QTemporaryDir dir;
    {
        Option o(dir.filePath(QStringLiteral("Vondrel.ini")));
        setCurrentOption(&o);
        EXPECT_EQ(currentOption(), &o);
    }
    EXPECT_EQ(currentOption(), nullptr);
}

TEST_F(OptionFile, ExportFolderIsKeptAfterTitleOnceThereIsOne)
{
    {
        Option o(ini());
        EXPECT_TRUE(o.exportFolder.isEmpty());
        o.exportFolder = QStringLiteral("/home/门卫/导出");
    }
    EXPECT_EQ(readAll(ini()), kFirstRunFile + "exportFolder=/home/门卫/导出\n");
    Option again(ini());
    EXPECT_EQ(again.exportFolder, QStringLiteral("/home/门卫/导出"));
}

namespace {

// How the write at the end of a run is made to fail.
struct ExitWriteFault {
    const char *name;
    bool needsTmpfs;
};

class OptionsAtExit : public ::testing::TestWithParam<ExitWriteFault> {};

TEST_P(OptionsAtExit, FailedWriteKeepsTheOldFileAndIsReportedOnceNamingIt)
{
    vqtest::SmallTmpfs fs;
    QTemporaryDir plain;
    if (GetParam().needsTmpfs && !fs.ok())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString folder = GetParam().needsTmpfs ? fs.path() : plain.path();
    const QString ini = folder + QStringLiteral("/Vondrel.ini");
    // A file that a start fully reads, larger than the limit below.
    const QByteArray before = kFirstRunFile + "[Other]\nnote=" + QByteArray(6000, 'n') + "\n";
    ASSERT_TRUE(vqtest::putFile(ini, before));

    RecordingReporter reports;
    ScopedReporter scope(&reports);
    {
        std::optional<vqtest::FileSizeLimit> limit;
        if (GetParam().needsTmpfs)
            ASSERT_TRUE(fs.fill());
        else
            limit.emplace(4096);
        Option o(ini);
        EXPECT_EQ(o.autorefreshTime, 30);
        o.title = QStringLiteral("新的标题");
        // The program's end: the options object goes (before the limit).
    }
    EXPECT_EQ(readAll(ini), before) << "the old file stays whole";
    ASSERT_EQ(reports.texts().size(), 1) << reports.texts().join(u'\n').toStdString();
    EXPECT_TRUE(reports.texts().first().startsWith(QStringLiteral("不能保存设置文件 ")));
    EXPECT_TRUE(reports.texts().first().contains(ini)) << reports.texts().first().toStdString();
    EXPECT_EQ(reports.messages.first().kind, Reporter::Kind::Error);
    EXPECT_EQ(vqtest::tempFilesIn(folder), QStringList());

    // The next start reads the old values, not the defaults.
    Option next(ini);
    EXPECT_EQ(next.title, QStringLiteral("人员出入登记软件"));
    EXPECT_EQ(IniFile(ini).value(QStringLiteral("Other"), QStringLiteral("note"), QString()).size(), 6000);
}

const ExitWriteFault kExitFaults[] = {{"SizeLimit", false}, {"FullDisk", true}};
INSTANTIATE_TEST_SUITE_P(Faults, OptionsAtExit, ::testing::ValuesIn(kExitFaults),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(OptionFile, SuccessfulWriteAtExitReportsNothing)
{
    RecordingReporter reports;
    ScopedReporter scope(&reports);
    { Option o(ini()); }
    EXPECT_EQ(readAll(ini()), kFirstRunFile);
    EXPECT_TRUE(reports.messages.isEmpty());
}

} // namespace
