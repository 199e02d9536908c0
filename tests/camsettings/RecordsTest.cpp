// Per-camera action records: file names, byte layouts, legacy entries, FTP
// texts, and what damaged files read as.
#include "LibReporter.h"
#include "RecordClass.h"
#include "RecordClass_Broadcast.h"
#include "RecordClass_FTP.h"
#include "TestSupport.h"

#include <QFileInfo>

using namespace quorvel;
using namespace quorvel::test;

namespace {

class RecordsTest : public TempUserFolder {
protected:
    RecordingLibReporter reports;
    ScopedLibReporter scoped{&reports};
};

QByteArray entryBytes(const QString &kind, const QString &day, const QString &start, const QString &end)
{
    const auto b = ScheduleEntry::make(kind, day, start, end).toBytes();
    return QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size()));
}

TEST(ScheduleEntryTest, FieldsSitAtTheirUnitsAndAreZeroAfterTheTerminator)
{
    const QByteArray b = entryBytes("2", "2024-03-05", "08:00:00", "09:30:00");
    ASSERT_EQ(b.size(), 100);
    EXPECT_EQ(b.mid(0, 2), utf16le("2"));
    EXPECT_EQ(b.mid(2, 18), QByteArray(18, '\0'));
    EXPECT_EQ(b.mid(20, 20), utf16le("2024-03-05"));
    EXPECT_EQ(b.mid(40, 20), QByteArray(20, '\0'));
    EXPECT_EQ(b.mid(60, 16), utf16le("08:00:00"));
    EXPECT_EQ(b.mid(80, 16), utf16le("09:30:00"));
    EXPECT_EQ(b.mid(96, 4), QByteArray(4, '\0'));

    ScheduleEntry e;
    e.setDay(QString(40, u'd')); // cut to 19 units, terminator kept
    EXPECT_EQ(e.dayText(), QString(19, u'd'));
    EXPECT_EQ(e.day[19], 0);
}

TEST(ScheduleEntryTest, FieldWithoutTerminatorReadsOnlyItsOwnUnits)
{
    QByteArray raw(100, 'A'); // every unit 0x4141, no terminators anywhere
    const ScheduleEntry e = ScheduleEntry::fromBytes(reinterpret_cast<const std::uint8_t *>(raw.constData()), 100);
    EXPECT_EQ(e.kindText().size(), 10);
    EXPECT_EQ(e.dayText().size(), 20);
    EXPECT_EQ(e.endText().size(), 10);
}

TEST(PerCameraFileTest, IndexAndNameFollowTheFolderWithoutSeparator)
{
    EXPECT_EQ(perCameraFile("/u/", 0, "captureImage.bin"), "/u/0captureImage.bin");
    EXPECT_EQ(perCameraFile("/u/", 12, "Broadcast.bin"), "/u/12Broadcast.bin");
}

TEST_F(RecordsTest, CameraThreeLeavesItsFiveFilesAfterCreateAndDestroy)
{
    {
        RecordClass_Broadcast video(3, "captureVideo.bin", user);
        RecordClass image(3, "captureImage.bin", user);
        RecordClass_Broadcast move(3, "MoveCheck.bin", user);
        UploadQueue queue;
        RecordClass_FTP ftp(3, "captureImageFTP.bin", user, &queue);
        RecordClass_Broadcast broadcast(3, "Broadcast.bin", user);
        EXPECT_EQ(image.snapInterval, 5);
        EXPECT_EQ(ftp.ftpPort, "21");
        EXPECT_EQ(ftp.uploadInterval, 120);
        EXPECT_EQ(ftp.uploadBatch, 30);
    }
    for (const char *name : {"3captureVideo.bin", "3captureImage.bin", "3MoveCheck.bin", "3captureImageFTP.bin",
                             "3Broadcast.bin"})
        EXPECT_TRUE(QFileInfo(file(name)).isFile()) << name;
    EXPECT_EQ(readAll(file("3captureImage.bin")), le32(0) + le32(5));
    EXPECT_EQ(readAll(file("3captureVideo.bin")), le32(0));
    EXPECT_EQ(readAll(file("3captureImageFTP.bin")).size(), 47);
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(RecordsTest, DefaultFtpFileIsFortySevenBytesInFieldOrder)
{
    RecordClass_FTP ftp(0, "captureImageFTP.bin", QString());
    const QByteArray expected = le32(0) + le32(5) + QByteArray(2, '\0') + le32(120) + le32(30) + le32(0) + le32(0)
        + le32(4) + utf16le("21") + le32(0) + le32(0) + le32(0) + QByteArray(1, '\0');
    EXPECT_EQ(ftp.toBytes(), expected);
    EXPECT_EQ(expected.size(), 47);
}

TEST_F(RecordsTest, SchedulesRoundTripThroughTheirFiles)
{
    const auto daily = ScheduleEntry::make("0", "", "08:00:00", "09:00:00");
    const auto weekly = ScheduleEntry::make("1", "3", "10:00:00", "11:00:00");
    {
        RecordClass_Broadcast move(1, "MoveCheck.bin", user);
        move.scheduleList = {daily, weekly};
        RecordClass image(1, "captureImage.bin", user);
        image.scheduleList = {weekly};
        image.snapInterval = 42;
    }
    EXPECT_EQ(readAll(file("1MoveCheck.bin")).size(), 4 + 200);
    RecordClass_Broadcast move(1, "MoveCheck.bin", user);
    RecordClass image(1, "captureImage.bin", user);
    EXPECT_EQ(move.scheduleList, (std::vector<ScheduleEntry>{daily, weekly}));
    EXPECT_EQ(image.scheduleList, (std::vector<ScheduleEntry>{weekly}));
    EXPECT_EQ(image.snapInterval, 42);
    move.clearSchedule();
    EXPECT_TRUE(move.scheduleList.empty());
}

TEST_F(RecordsTest, LegacyWordsAreNormalisedInTheSnapshotScheduleOnly)
{
    const QByteArray legacy = le32(4) + entryBytes("每周", "星期三", "08:00:00", "09:00:00")
        + entryBytes("每天", "", "10:00:00", "11:00:00") + entryBytes("指定", "2024-03-05", "12:00:00", "13:00:00")
        + entryBytes("每周", "礼拜三", "14:00:00", "15:00:00");
    writeAll(file("0captureImage.bin"), legacy + le32(9));
    writeAll(file("0MoveCheck.bin"), legacy);
    RecordClass image(0, "captureImage.bin", user);
    RecordClass_Broadcast move(0, "MoveCheck.bin", user);
    ASSERT_EQ(image.scheduleList.size(), 4u);
    EXPECT_EQ(image.scheduleList[0].kindText(), "1");
    EXPECT_EQ(image.scheduleList[0].dayText(), "3");
    EXPECT_EQ(image.scheduleList[1].kindText(), "0");
    EXPECT_EQ(image.scheduleList[2].kindText(), "2");
    EXPECT_EQ(image.scheduleList[2].dayText(), "2024-03-05");
    EXPECT_EQ(image.scheduleList[3].kindText(), "1");
    EXPECT_EQ(image.scheduleList[3].dayText(), QStringLiteral("礼拜三")); // other day words stay
    EXPECT_EQ(image.snapInterval, 9);
    ASSERT_EQ(move.scheduleList.size(), 4u);
    EXPECT_EQ(move.scheduleList[0].kindText(), QStringLiteral("每周"));
    EXPECT_EQ(move.scheduleList[0].dayText(), QStringLiteral("星期三"));
}

TEST_F(RecordsTest, WeekdayWordsMapToDigits)
{
    const QStringList words = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    for (int i = 0; i < 7; ++i) {
        auto e = ScheduleEntry::make("每周", words[i], "", "");
        normaliseEntry(e);
        EXPECT_EQ(e.dayText(), QString::number(i));
    }
    auto unknown = ScheduleEntry::make("weekly", "星期三", "", "");
    normaliseEntry(unknown);
    EXPECT_EQ(unknown.kindText(), "weekly");
    EXPECT_EQ(unknown.dayText(), QStringLiteral("星期三"));
}

TEST_F(RecordsTest, SnapshotFileCutAfterEntriesKeepsDefaultInterval)
{
    writeAll(file("0captureImage.bin"), le32(1) + entryBytes("0", "", "01:00:00", "02:00:00") + QByteArray(2, '\x7f'));
    RecordClass image(0, "captureImage.bin", user);
    EXPECT_EQ(image.scheduleList.size(), 1u);
    EXPECT_EQ(image.snapInterval, 5);
}

TEST_F(RecordsTest, FtpFieldsRoundTripIncludingA127CharacterPassword)
{
    const QString password = QString(120, u'p') + QStringLiteral("密码密码密码密"); // 127 units
    ASSERT_EQ(password.size(), 127);
    {
        RecordClass_FTP ftp(2, "captureImageFTP.bin", user);
        ftp.scheduleList = {ScheduleEntry::make("2", "2024-01-05", "00:00:01", "23:59:59")};
        ftp.snapInterval = 60;
        ftp.dirByDate = 1;
        ftp.fixedNameOn = 1;
        ftp.uploadInterval = 3600;
        ftp.uploadBatch = 100;
        ftp.fixedName = "door";
        ftp.ftpHost = "127.0.0.1";
        ftp.ftpPort = "2121";
        ftp.ftpUser = QStringLiteral("用户");
        ftp.ftpPassword = password;
        ftp.ftpFolder = "/pics/gate 1";
        ftp.uploadMotionPictures = 1;
    }
    RecordClass_FTP ftp(2, "captureImageFTP.bin", user);
    ASSERT_EQ(ftp.scheduleList.size(), 1u);
    EXPECT_EQ(ftp.scheduleList[0].dayText(), "2024-01-05");
    EXPECT_EQ(ftp.snapInterval, 60);
    EXPECT_EQ(ftp.dirByDate, 1);
    EXPECT_EQ(ftp.fixedNameOn, 1);
    EXPECT_EQ(ftp.uploadInterval, 3600);
    EXPECT_EQ(ftp.uploadBatch, 100);
    EXPECT_EQ(ftp.fixedName, "door");
    EXPECT_EQ(ftp.ftpHost, "127.0.0.1");
    EXPECT_EQ(ftp.ftpPort, "2121");
    EXPECT_EQ(ftp.ftpUser, QStringLiteral("用户"));
    EXPECT_EQ(ftp.ftpPassword, password);
    EXPECT_EQ(ftp.ftpFolder, "/pics/gate 1");
    EXPECT_EQ(ftp.uploadMotionPictures, 1);
}

TEST_F(RecordsTest, LongFtpTextsNeitherOverflowNorShiftLaterFields)
{
    RecordClass_FTP source(0, "captureImageFTP.bin", QString());
    source.ftpHost = QString(600, u'h'); // larger than the old 512-byte buffer
    source.ftpFolder = "after";
    source.uploadMotionPictures = 1;
    RecordClass_FTP back(0, "captureImageFTP.bin", QString());
    back.loadFromBytes(source.toBytes());
    EXPECT_EQ(back.ftpHost, source.ftpHost);
    EXPECT_EQ(back.ftpFolder, "after");
    EXPECT_EQ(back.uploadMotionPictures, 1);
}

struct BadCountCase {
    const char *name;
    QByteArray bytes;
    size_t entries;
};

void PrintTo(const BadCountCase &c, std::ostream *os) { *os << c.name; }

class BadScheduleCounts : public RecordsTest, public ::testing::WithParamInterface<BadCountCase> {};

TEST_P(BadScheduleCounts, CountsBeyondTheFileAddOnlyWhatTheFileHolds)
{
    RecordClass_Broadcast move(0, "MoveCheck.bin", QString());
    move.loadFromBytes(GetParam().bytes);
    EXPECT_EQ(move.scheduleList.size(), GetParam().entries);
    RecordClass image(0, "captureImage.bin", QString());
    image.loadFromBytes(GetParam().bytes);
    EXPECT_EQ(image.scheduleList.size(), GetParam().entries);
    RecordClass_FTP ftp(0, "captureImageFTP.bin", QString());
    ftp.loadFromBytes(GetParam().bytes);
    EXPECT_EQ(ftp.scheduleList.size(), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadScheduleCounts,
    ::testing::Values(BadCountCase{"huge", le32(0x7fffffff) + entryBytes("0", "", "1", "2"), 1},
                      BadCountCase{"negative", le32(-5) + entryBytes("0", "", "1", "2"), 0},
                      BadCountCase{"partial", le32(3) + entryBytes("0", "", "1", "2") + QByteArray(30, 'x'), 2},
                      BadCountCase{"none", le32(2), 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RecordsTest, PartialEntryIsZeroFilled)
{
    const QByteArray full = entryBytes("1", "4", "08:00:00", "09:00:00");
    RecordClass_Broadcast move(0, "MoveCheck.bin", QString());
    move.loadFromBytes(le32(1) + full.left(22)); // kind and the first unit of day
    ASSERT_EQ(move.scheduleList.size(), 1u);
    EXPECT_EQ(move.scheduleList[0].kindText(), "1");
    EXPECT_EQ(move.scheduleList[0].dayText(), "4");
    EXPECT_EQ(move.scheduleList[0].startText(), "");
}

TEST_F(RecordsTest, FtpTextWithBadLengthEndsTheReadingThere)
{
    RecordClass_FTP source(0, "captureImageFTP.bin", QString());
    source.fixedName = "name";
    QByteArray bytes = source.toBytes();
    // Damage the length of ftpHost (after N, interval, 2 bytes, 2 ints and fixedName).
    const int hostAt = 4 + 4 + 2 + 4 + 4 + 4 + 8;
    bytes.replace(hostAt, 4, le32(1 << 30));
    RecordClass_FTP back(0, "captureImageFTP.bin", QString());
    back.loadFromBytes(bytes);
    EXPECT_EQ(back.fixedName, "name");
    EXPECT_EQ(back.ftpHost, "");
    EXPECT_EQ(back.ftpPort, "21");
    EXPECT_EQ(back.uploadMotionPictures, 0);

    bytes.replace(hostAt, 4, le32(-8)); // a negative length reads as empty
    RecordClass_FTP negative(0, "captureImageFTP.bin", QString());
    negative.loadFromBytes(bytes);
    EXPECT_EQ(negative.ftpHost, "");
    EXPECT_EQ(negative.ftpPort, "21");
}

class FakeMachinery : public FtpUploadMachinery {
public:
    QStringList *log;
    explicit FakeMachinery(QStringList *l) : log(l) {}
    void applySettings(const RecordClass_FTP &r) override { *log << "apply " + r.ftpHost + ":" + r.ftpPort; }
    void startUploadThread(RecordClass_FTP &, UploadQueue *q) override { *log << (q ? "start" : "start-noqueue"); }
    void stopUploadThread() override { *log << "stop"; }
};

TEST_F(RecordsTest, FtpRecordDrivesItsUploadMachineryAndStopsItBeforeSaving)
{
    QStringList log;
    UploadQueue queue;
    {
        RecordClass_FTP ftp(5, "captureImageFTP.bin", user, &queue);
        ftp.applyFtpSettings(); // nothing installed yet: no effect
        ftp.setUploadMachinery(std::make_unique<FakeMachinery>(&log));
        ftp.ftpHost = "127.0.0.1";
        ftp.applyFtpSettings();
        ftp.startUploadThread();
    }
    EXPECT_EQ(log, QStringList({"apply 127.0.0.1:21", "start", "stop"}));
    EXPECT_TRUE(QFileInfo(file("5captureImageFTP.bin")).isFile());
}

TEST(UploadQueueTest, BatchesComeFromTheHeadAndCanBePutBack)
{
    UploadQueue q;
    for (int i = 0; i < 5; ++i)
        q.append(QString::number(i));
    EXPECT_EQ(q.takeBatch(2), QStringList({"0", "1"}));
    EXPECT_EQ(q.takeBatch(0), QStringList());
    q.putBack({"0", "1"});
    EXPECT_EQ(q.snapshot(), QStringList({"0", "1", "2", "3", "4"}));
    EXPECT_EQ(q.takeBatch(100).size(), 5);
    EXPECT_EQ(q.size(), 0);
}

TEST_F(RecordsTest, UnwritableRecordFileIsReportedAndKeepsTheOldFile)
{
    writeAll(file("0Broadcast.bin"), le32(0));
    const QString blocked = file("0MoveCheck.bin");
    QDir().mkpath(blocked); // a folder where the file should go
    {
        RecordClass_Broadcast move(0, "MoveCheck.bin", user);
        move.scheduleList = {ScheduleEntry::make("0", "", "1", "2")};
    }
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    ASSERT_EQ(reports.count(), 1);
    EXPECT_TRUE(reports.texts().first().contains("0MoveCheck.bin"));
    EXPECT_EQ(reports.messages().first().kind, LibReporter::Kind::Error);
}

} // namespace
