// The workbook export, read back by openpyxl.
#include "BeyondSupport.h"

#include "AtomicFile.h"
#include "VisitExport.h"
#include "XlsxExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

using namespace vondrel;
using namespace vondrel::beyond;

namespace {

class XlsxExportTest : public ::testing::Test {
protected:
    QString file(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList tempFilesLeft() const
    {
        QStringList out;
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            if (vq::isAtomicTempName(name))
                out << name;
        return out;
    }
    QTemporaryDir dir;
};

QJsonArray cell(const QJsonObject &book, int row, int column)
{
    return book[QStringLiteral("rows")].toArray()[row].toArray()[column].toArray();
}

TEST_F(XlsxExportTest, TextsStayTextTimesBecomeDateTimes)
{
    visitInfo a = makeVisit("张三", "2026-03-01 08:07:09", "2026-03-01 10:12:09");
    a.remark = u8("第一行\n第二行");
    a.companions = 2;
    visitInfo b = makeVisit("Ann O'Neil", "2026-03-02 23:59:59");
    b.docNumber = u8("11010819800502001X");
    b.phone = u8("0086-010-62345678");
    b.birthDate = u8("1980-01-01");
    b.workUnit = u8("=SUM(A1:A2)");
    visitInfo c = makeVisit("坏时间", "不是时间");
    const std::vector<ExportRow> rows = {{&a, u8("02小时05分")}, {&b, u8("45分")}, {&c, QString()}};
    const QString path = file("visits.xlsx");
    QString error;
    ASSERT_TRUE(writeXlsxExport(path, rows, &error)) << error.toStdString();
    EXPECT_TRUE(tempFilesLeft().isEmpty());

    const QJsonObject book = readWorkbook(path);
    ASSERT_FALSE(book.isEmpty());
    EXPECT_EQ(book[QStringLiteral("freeze")].toString(), QStringLiteral("A2"));
    const QJsonArray all = book[QStringLiteral("rows")].toArray();
    ASSERT_EQ(all.size(), 4);
    const QStringList header = xlsxHeader();
    ASSERT_EQ(header.size(), 16);
    EXPECT_EQ(header.mid(0, 15), exportHeader()) << "the tab-separated export's columns, in its order";
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(cell(book, 0, c)[1].toString(), header[c]);
        EXPECT_TRUE(book[QStringLiteral("bold")].toArray()[c].toBool()) << c;
    }

    struct Expect { int row; int column; const char *type; const char *value; };
    const std::vector<Expect> expected = {
        {1, 0, "text", "张三"},
        {1, 2, "text", "1980-05-02"},
        {1, 4, "text", "110108198005020018"},
        {1, 5, "text", "01062345678"},
        {1, 8, "datetime", "2026-03-01 08:07:09"},
        {1, 9, "datetime", "2026-03-01 10:12:09"},
        {1, 11, "number", "2"},
        {1, 12, "text", "第一行\n第二行"},
        {1, 15, "text", "02小时05分"},
        {2, 0, "text", "Ann O'Neil"},
        {2, 4, "text", "11010819800502001X"},
        {2, 5, "text", "0086-010-62345678"},
        {2, 6, "text", "=SUM(A1:A2)"},
        {2, 8, "datetime", "2026-03-02 23:59:59"},
        {2, 9, "empty", ""},
        {2, 11, "number", "0"},
        {3, 8, "text", "不是时间"},
        {3, 15, "empty", ""},
    };
    for (const Expect &e : expected) {
        const QJsonArray got = cell(book, e.row, e.column);
        EXPECT_EQ(got[0].toString(), QString::fromUtf8(e.type)) << e.row << "," << e.column;
        EXPECT_EQ(got[1].toString(), QString::fromUtf8(e.value)) << e.row << "," << e.column;
    }
    EXPECT_EQ(book[QStringLiteral("formats")].toArray()[8].toString(), QStringLiteral("yyyy-mm-dd hh:mm:ss"));
    EXPECT_EQ(book[QStringLiteral("formats")].toArray()[4].toString(), QStringLiteral("@"));

    // Columns fit their widest text: the ID number is wider than the sex.
    const QJsonObject widths = book[QStringLiteral("widths")].toObject();
    EXPECT_GE(widths[QStringLiteral("E")].toDouble(), 18.0);
    EXPECT_LT(widths[QStringLiteral("B")].toDouble(), widths[QStringLiteral("E")].toDouble());
    EXPECT_GE(widths[QStringLiteral("I")].toDouble(), 19.0);
}

TEST_F(XlsxExportTest, EmptyListGivesTheHeaderAlone)
{
    const QString path = file("empty.xlsx");
    QString error;
    ASSERT_TRUE(writeXlsxExport(path, {}, &error)) << error.toStdString();
    const QJsonObject book = readWorkbook(path);
    ASSERT_EQ(book[QStringLiteral("rows")].toArray().size(), 1);
    EXPECT_EQ(cell(book, 0, 0)[1].toString(), u8("姓名"));
}

TEST_F(XlsxExportTest, FileNames)
{
    struct Case { const char *chosen; const char *written; };
    for (const Case &c : std::vector<Case>{{"visits", "visits.xlsx"},
                                           {"a.XLSX", "a.XLSX"},
                                           {"b.xls", "b.xls.xlsx"},
                                           {".xlsx", ".xlsx.xlsx"},
                                           {"/tmp/报表.xlsx", "/tmp/报表.xlsx"}})
        EXPECT_EQ(xlsxFileName(u8(c.chosen)), u8(c.written)) << c.chosen;
    EXPECT_EQ(exportTypeOfFilter(exportFilterText(ExportFileType::Workbook)), ExportFileType::Workbook);
    EXPECT_EQ(exportTypeOfFilter(exportFilterText(ExportFileType::TabText)), ExportFileType::TabText);
    EXPECT_EQ(exportTypeOfFilter(QStringLiteral("nonsense")), ExportFileType::TabText);
    EXPECT_EQ(exportFilterText(ExportFileType::Workbook), u8("Excel 工作簿 (*.xlsx)"));
}

TEST_F(XlsxExportTest, MissingFolderIsReportedWithItsPath)
{
    const QString path = file("no/such/folder/visits.xlsx");
    visitInfo a = makeVisit("张三", "2026-03-01 08:07:09");
    QString error;
    EXPECT_FALSE(writeXlsxExport(path, {{&a, QString()}}, &error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(XlsxExportTest, ReadOnlyFolderIsReportedWithItsPath)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QString sub = file("locked");
    ASSERT_TRUE(QDir().mkpath(sub));
    const QString path = sub + QStringLiteral("/visits.xlsx");
    ASSERT_TRUE(vq::writeFileAtomically(path, "earlier"));
    ASSERT_TRUE(QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner));
    visitInfo a = makeVisit("张三", "2026-03-01 08:07:09");
    QString error;
    EXPECT_FALSE(writeXlsxExport(path, {{&a, QString()}}, &error));
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readAll(path), QByteArray("earlier"));
}

// Writes past RLIMIT_FSIZE fail as on a full disk, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

class FullDisk : public XlsxExportTest, public ::testing::WithParamInterface<rlim_t> {};

// Limits below the workbook's size and below its uncompressed sheet: the
// export fails with the path, the earlier file stays whole, no temporary is
// left.
TEST_P(FullDisk, KeepsTheEarlierFileWhole)
{
    const QString path = file("visits.xlsx");
    const QByteArray earlier(1000, 'e');
    ASSERT_TRUE(vq::writeFileAtomically(path, earlier));
    std::vector<visitInfo> visits;
    for (int i = 0; i < 3000; ++i) {
        visits.push_back(makeVisit("张三", "2026-03-01 08:07:09"));
        visits.back().docNumber = QStringLiteral("1101081980%08d").arg(i * 7919 % 100000000);
    }
    std::vector<ExportRow> rows;
    for (const visitInfo &v : visits)
        rows.push_back({&v, u8("45分")});
    QString error;
    bool written;
    {
        FileSizeLimit limit(GetParam());
        written = writeXlsxExport(path, rows, &error);
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(readAll(path), earlier);
    EXPECT_TRUE(tempFilesLeft().isEmpty()) << tempFilesLeft().join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Limits, FullDisk, ::testing::Values(rlim_t(4096), rlim_t(60000), rlim_t(400000)),
                         [](const ::testing::TestParamInfo<rlim_t> &info) {
                             return "Bytes" + std::to_string(info.param);
                         });

} // namespace
