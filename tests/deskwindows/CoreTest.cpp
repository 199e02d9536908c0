// Stay times, column comparisons and the export format of the visit list.
#include "AnsiText.h"
#include "ColumnSort.h"
#include "DeskDateTime.h"
#include "StayText.h"
#include "VisitExport.h"
#include "WriteFaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace vondrel;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

struct StayCase {
    const char *name;
    const char *entry;
    const char *leave;
    const char *expected;
};

class StayTextTest : public ::testing::TestWithParam<StayCase> {};

TEST_P(StayTextTest, FormatsTheStay)
{
    const StayCase &c = GetParam();
    // "now" is only used for visits without a leave time.
    const qint64 now = *parseDeskDateTime(u("2024-03-01 10:00:00"));
    EXPECT_EQ(stayText(u(c.entry), u(c.leave), now), u(c.expected)) << c.entry << " / " << c.leave;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StayTextTest,
    ::testing::Values(
        StayCase{"Minutes59", "2024-03-01 08:00:00", "2024-03-01 08:59:00", "59分"},
        StayCase{"Minutes60", "2024-03-01 08:00:00", "2024-03-01 09:00:00", "01小时00分"},
        StayCase{"OneDay", "2024-03-01 08:00:00", "2024-03-02 08:00:00", "1天00小时00分"},
        StayCase{"Minutes125", "2024-03-01 08:00:00", "2024-03-01 10:05:00", "02小时05分"},
        StayCase{"OneDayThreeHours", "2024-03-01 08:00:00", "2024-03-02 11:07:30", "1天03小时07分"},
        StayCase{"SecondsAreDropped", "2024-03-01 08:00:00", "2024-03-01 08:45:59", "45分"},
        StayCase{"SameMinute", "2024-03-01 08:00:00", "2024-03-01 08:00:00", "00分"},
        // Leave before entry: negative minutes, minutes-only form.
        StayCase{"LeaveBeforeEntry", "2024-03-01 08:30:00", "2024-03-01 08:00:00", "-30分"},
        StayCase{"LeaveTwoHoursBeforeEntry", "2024-03-01 10:05:00", "2024-03-01 08:00:00", "-5分"},
        // Still inside: measured up to now (10:00).
        StayCase{"StillInside", "2024-03-01 07:58:00", "", "02小时02分"},
        // Across a month end and a leap day.
        StayCase{"AcrossLeapDay", "2024-02-28 23:00:00", "2024-03-01 00:30:00", "1天01小时30分"},
        // Texts that do not parse give an empty stay text.
        StayCase{"EntryNotADate", "gestern", "2024-03-01 08:00:00", ""},
        StayCase{"LeaveNotADate", "2024-03-01 08:00:00", "später", ""},
        StayCase{"BothEmpty", "", "", ""},
        StayCase{"NoSuchDay", "2024-02-30 08:00:00", "", ""},
        StayCase{"NoSuchHour", "2024-03-01 25:00:00", "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StayTextMinutes, MatchesTheTable)
{
    EXPECT_EQ(stayTextFromMinutes(59), u("59分"));
    EXPECT_EQ(stayTextFromMinutes(60), u("01小时00分"));
    EXPECT_EQ(stayTextFromMinutes(1440), u("1天00小时00分"));
    EXPECT_EQ(stayTextFromMinutes(125), u("02小时05分"));
    EXPECT_EQ(stayTextFromMinutes(12 * 1440 + 61), u("12天01小时01分"));
}

TEST(DeskDateTime, ReadsTheStoredForms)
{
    const auto full = parseDeskDateTime(u("2011-08-09 10:21:00"));
    ASSERT_TRUE(full);
    EXPECT_EQ(*parseDeskDateTime(u("  2011-8-9 10:21  ")), *full);
    EXPECT_EQ(*parseDeskDateTime(u("2011-08-09")), *full - (10 * 60 + 21) * 60000);
    EXPECT_EQ(*parseDeskDateTime(u("2011-08-09 10:21:00.5")), *full + 500);
    for (const char *bad : {"2011/08/09", "2011-08-09T10:21:00", "2011-08-09 10", "2011-08-09 10:21:", "x",
                            "2011-13-01", "2011-08-09 10:60", "2011-08-09 10:21:00 junk"})
        EXPECT_FALSE(parseDeskDateTime(u(bad))) << bad;
}

TEST(ColumnSort, TagToggleKeepsKindBits)
{
    EXPECT_EQ(toggledColumnTag(1), 0);
    EXPECT_EQ(toggledColumnTag(0), 1);
    EXPECT_EQ(toggledColumnTag(33), 32);
    EXPECT_EQ(toggledColumnTag(32), 33);
    EXPECT_EQ(toggledColumnTag(0x2F), 0x20); // bits 1-3 cleared
    EXPECT_EQ(toggledColumnTag(0xF0), 0xF1);
}

TEST(ColumnSort, DateTimeAndNumberComparisons)
{
    // As text "2024-03-01 9:00:00" would sort after "2024-03-01 10:00:00".
    EXPECT_EQ(compareAsDateTime(u("2024-03-01 9:00:00"), u("2024-03-01 10:00:00")), -1);
    EXPECT_EQ(compareAsDateTime(u("2024-03-02 00:00:00"), u("2024-03-01 23:59:59")), 1);
    EXPECT_EQ(compareAsDateTime(u("2024-03-01 08:00:00"), u("2024-03-01 8:00")), 0);
    EXPECT_EQ(compareAsDateTime(u("59分"), u("2024-03-01 08:00:00")), 0);
    EXPECT_EQ(compareAsDateTime(u(""), u("")), 0);
    EXPECT_EQ(compareAsNumber(u("9"), u("10")), -1);
    EXPECT_EQ(compareAsNumber(u("2.5"), u("2.25")), 1);
    EXPECT_EQ(compareAsNumber(u("abc"), u("1")), 0);
}

TEST(ColumnSort, TextComparisonFoldsLatinCaseAndUsesCodePageOrder)
{
    EXPECT_EQ(compareText(u("abc"), u("ABC")), 0);
    EXPECT_EQ(compareText(u("abc"), u("ABD")), -1);
    // Folding goes to upper case, so '_' sorts after letters.
    EXPECT_EQ(compareText(u("_"), u("a")), 1);
    EXPECT_EQ(compareText(u("ab"), u("a")), 1);
    // Code page order: 李 (C0EE) before 张 (D5C5), unlike Unicode order.
    EXPECT_EQ(compareText(u("李四"), u("张三")), -1);
    EXPECT_EQ(compareText(u("张三"), u("李四")), 1);
    // Non-Latin letters are compared by code, not folded.
    EXPECT_NE(compareText(u("É"), u("é")), 0);
}

TEST(ColumnSort, TagChoosesComparisonAndDirection)
{
    const QString early = u("2024-03-01 9:00:00");
    const QString late = u("2024-03-01 10:00:00");
    EXPECT_EQ(compareByTag(33, early, late), -1); // ascending date-time
    EXPECT_EQ(compareByTag(32, early, late), 1);  // descending date-time
    EXPECT_EQ(compareByTag(1, early, late), 1);   // as text "9" > "1"
    EXPECT_EQ(compareByTag(0x11, u("9"), u("10")), -1);
    EXPECT_EQ(compareByTag(0x10, u("9"), u("10")), 1);
}

TEST(VisitExport, FileNameRules)
{
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"visits", "visits.xls"},       {"a.XLS", "a.XLS"},   {"b.xlsx", "b.xlsx.xls"},
        {"/tmp/c.Xls", "/tmp/c.Xls"},   {".xls", ".xls.xls"}, {"xls", "xls.xls"},
        {"d.xls.txt", "d.xls.txt.xls"}, {"来宾.xls", "来宾.xls"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(exportFileName(u(in)), u(out)) << in;
}

TEST(VisitExport, CleanCellRemovesBreaksAndTabs)
{
    EXPECT_EQ(cleanCell(u("a\r\nb\tc\nd\re")), u("abcde"));
    EXPECT_EQ(cleanCell(u("无变化")), u("无变化"));
}

TEST(VisitExport, BytesAreGb18030WithCrLf)
{
    QStringList row = {u("张三"), u("男"), u("1990-01-02"), u("身份证"), u("110"), u("139"), u("单位"),
                       u("北京\r\n朝阳"), u("2024-03-01 08:00:00"), u(""), u("访友"), u("2"),
                       u("第一行\n第二行\t尾"), u("王五"), u("admin")};
    const QByteArray bytes = exportBytes({row});
    const QByteArray expected =
        toAnsi(exportHeader().join(u("\t")) + u("\r\n") +
               u("张三\t男\t1990-01-02\t身份证\t110\t139\t单位\t北京朝阳\t2024-03-01 08:00:00\t\t访友\t2\t"
                 "第一行第二行尾\t王五\tadmin\r\n"));
    EXPECT_EQ(bytes, expected);
    // Header spelled out in GB18030 bytes: 姓名 = D0D5 C3FB.
    EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("d0d5c3fb09d0d4b1f0")));
    EXPECT_FALSE(bytes.startsWith(QByteArray::fromHex("efbbbf")));
    EXPECT_EQ(bytes.count("\r\n"), 2);
    EXPECT_EQ(toAnsi(u("€")), QByteArray::fromHex("a2e3"));
    // A character outside code page 936 survives as a four-byte sequence.
    EXPECT_EQ(toAnsi(u("😀")).size(), 4);
}

TEST(VisitExport, WritesAndReplacesFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("out.xls"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old content that is longer than the new one");
    old.close();
    QString error;
    ASSERT_TRUE(writeExportFile(path, "new", &error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("new"));
}

TEST(VisitExport, UnwritablePathGivesMessageNamingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("missing-folder/out.xls"));
    QString error;
    EXPECT_FALSE(writeExportFile(path, "x", &error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

// Many rows, so that the streamed export is written in several pieces.
QList<QStringList> manyRows(int count)
{
    QList<QStringList> rows;
    for (int i = 0; i < count; ++i) {
        QStringList row;
        for (int c = 0; c < 15; ++c)
            row << u("访客%1-列%2\t换行\n").arg(i).arg(c);
        rows << row;
    }
    return rows;
}

TEST(VisitExport, StreamedFileIsTheSameAsTheWholeOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("访客.xls"));
    const QList<QStringList> rows = manyRows(3000);
    QString error;
    ASSERT_TRUE(writeExportFile(path, rows, &error)) << error.toStdString();
    const QByteArray expected = exportBytes(rows);
    ASSERT_GT(expected.size(), 512 * 1024);
    EXPECT_EQ(vqtest::fileBytes(path), expected);
    EXPECT_EQ(vqtest::tempFilesIn(dir.path()), QStringList());
}

struct ExportFault {
    const char *name;
    bool fullDisk; // else a file-size limit
    bool streamed;
};

class FailedExport : public ::testing::TestWithParam<ExportFault> {};

TEST_P(FailedExport, KeepsTheEarlierFileAndNamesThePath)
{
    QTemporaryDir plain;
    std::optional<vqtest::SmallTmpfs> fs;
    if (GetParam().fullDisk) {
        fs.emplace();
        if (!fs->ok())
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    const QString folder = fs ? fs->path() : plain.path();
    const QString path = folder + u("/访客.xls");
    const QByteArray earlier = exportBytes(manyRows(20));
    ASSERT_TRUE(vqtest::putFile(path, earlier));
    if (fs) {
        ASSERT_TRUE(fs->fill());
    }

    const QList<QStringList> rows = manyRows(3000);
    QString error;
    bool ok = true;
    {
        std::optional<vqtest::FileSizeLimit> limit;
        if (!fs)
            limit.emplace(64 * 1024);
        ok = GetParam().streamed ? writeExportFile(path, rows, &error)
                                 : writeExportFile(path, exportBytes(rows), &error);
    }
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.startsWith(u("无法写入导出文件：") + path)) << error.toStdString();
    EXPECT_EQ(vqtest::fileBytes(path), earlier) << "the earlier export stays whole";
    EXPECT_EQ(vqtest::tempFilesIn(folder), QStringList());
}

const ExportFault kExportFaults[] = {
    {"SizeLimitStreamed", false, true}, {"SizeLimitWhole", false, false},
    {"FullDiskStreamed", true, true},   {"FullDiskWhole", true, false},
};
INSTANTIATE_TEST_SUITE_P(Faults, FailedExport, ::testing::ValuesIn(kExportFaults),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
