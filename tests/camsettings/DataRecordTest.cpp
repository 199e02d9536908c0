// The camera data record: defaults, settings file, optional groups, folders
// and source kinds.
#include "CDataClass.h"
#include "LibReporter.h"
#include "LibraryError.h"
#include "ParamName.h"
#include "TestSupport.h"

#include <QFileInfo>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Length of groups 1 to 3 for a record whose five texts are the defaults.
qsizetype headLength(const CDataClass &d)
{
    qsizetype n = 0;
    for (const QString *t : {&d.m_DeviceName, &d.m_SourceId, &d.m_CapDir_root, &d.m_ImgDir_root, &d.m_CameraName})
        n += 4 + 2 * t->size();
    return n + 8 + 92 + 3 + 4 + 4 + 16 + 4 + 1 + 4 + 4 + 4;
}

CDataClass everyFieldChanged()
{
    CDataClass d;
    d.m_VideoFormatRecommended = false;
    d.m_VideoFormat = 1;
    d.m_WMVSize = 7;
    d.m_WMVAudio = false;
    d.m_WMVFPS = 14;
    d.m_WMVBitRate = 1000;
    d.m_maxClient = 5;
    d.m_Port = 9090;
    d.m_BroadcastSize = 2;
    d.m_BroadcastFPS = 9;
    d.m_BroadcastBitRate = 500;
    d.m_BroadcastAudio = true;
    d.m_AudioDevice = QStringLiteral("麦克风");
    d.m_VideoCompressor = "vc";
    d.m_AudioCompressor = "ac";
    d.m_VideoCompressorRecommended = false;
    d.m_AudioCompressorRecommended = false;
    d.m_GraphFormat = 1;
    d.m_FixedFileNameText = "door";
    d.m_FixedFileName = true;
    d.m_DeviceName = "Camera A";
    d.m_SourceId = "dev-A";
    d.m_CapDir_root = "/rec";
    d.m_ImgDir_root = "/img/";
    d.m_CameraName = QStringLiteral("大门");
    d.m_NameX = 11;
    d.m_NameY = 12;
    d.m_NameFont.lfHeight = -16;
    d.m_NameFont.lfWeight = 700;
    d.m_NameFont.lfItalic = 1;
    d.m_NameFont.lfPitchAndFamily = 34;
    d.m_NameFont.setFaceName(QStringLiteral("宋体"));
    d.m_NameColorR = 1;
    d.m_NameColorG = 2;
    d.m_NameColorB = 3;
    d.m_ShowTime = 1;
    d.m_TimeFormat = 2;
    d.m_TimeX = 30;
    d.m_TimeY = 40;
    d.m_TimeFont.lfHeight = 20;
    d.m_TimeFont.setFaceName("Sans");
    d.m_TimeColorR = 4;
    d.m_TimeColorG = 5;
    d.m_TimeColorB = 6;
    d.m_dlta = 12;
    d.m_MoveRect = {1, 2, 300, 400};
    d.m_MoveRectColor = 2;
    d.m_MoveCheck = true;
    d.m_Audio = true;
    d.m_MoveInterval = 250;
    d.m_Reserved1 = 2.5f;
    d.m_Reserved2 = -7;
    d.m_CapturePlaySound = false;
    d.m_CaptureSound = "snap.wav";
    d.m_MovePlaySound = false;
    d.m_MoveSound = "move.wav";
    d.m_NoCapImage_move = true;
    d.m_MoveShellExecute = true;
    d.m_MoveProgram = "/bin/true";
    d.m_MoveProgramParams = "--x";
    d.m_MoveProgramRunMode = 2;
    d.m_CapVideo_move = true;
    d.m_CapVideo_moveStop = 60;
    d.m_MoveCount = 99;
    d.m_MoveCountOn = false;
    return d;
}

void expectSameStoredFields(const CDataClass &a, const CDataClass &b)
{
    EXPECT_EQ(a.m_VideoFormatRecommended, b.m_VideoFormatRecommended);
    EXPECT_EQ(a.m_VideoFormat, b.m_VideoFormat);
    EXPECT_EQ(a.m_WMVSize, b.m_WMVSize);
    EXPECT_EQ(a.m_WMVAudio, b.m_WMVAudio);
    EXPECT_EQ(a.m_WMVFPS, b.m_WMVFPS);
    EXPECT_EQ(a.m_WMVBitRate, b.m_WMVBitRate);
    EXPECT_EQ(a.m_maxClient, b.m_maxClient);
    EXPECT_EQ(a.m_Port, b.m_Port);
    EXPECT_EQ(a.m_BroadcastSize, b.m_BroadcastSize);
    EXPECT_EQ(a.m_BroadcastFPS, b.m_BroadcastFPS);
    EXPECT_EQ(a.m_BroadcastBitRate, b.m_BroadcastBitRate);
    EXPECT_EQ(a.m_BroadcastAudio, b.m_BroadcastAudio);
    EXPECT_EQ(a.m_AudioDevice, b.m_AudioDevice);
    EXPECT_EQ(a.m_VideoCompressor, b.m_VideoCompressor);
    EXPECT_EQ(a.m_AudioCompressor, b.m_AudioCompressor);
    EXPECT_EQ(a.m_VideoCompressorRecommended, b.m_VideoCompressorRecommended);
    EXPECT_EQ(a.m_AudioCompressorRecommended, b.m_AudioCompressorRecommended);
    EXPECT_EQ(a.m_GraphFormat, b.m_GraphFormat);
    EXPECT_EQ(a.m_FixedFileNameText, b.m_FixedFileNameText);
    EXPECT_EQ(a.m_FixedFileName, b.m_FixedFileName);
    EXPECT_EQ(a.m_DeviceName, b.m_DeviceName);
    EXPECT_EQ(a.m_SourceId, b.m_SourceId);
    EXPECT_EQ(a.m_CapDir_root, b.m_CapDir_root);
    EXPECT_EQ(a.m_ImgDir_root, b.m_ImgDir_root);
    EXPECT_EQ(a.m_CameraName, b.m_CameraName);
    EXPECT_EQ(a.m_NameX, b.m_NameX);
    EXPECT_EQ(a.m_NameY, b.m_NameY);
    EXPECT_EQ(a.m_NameFont, b.m_NameFont);
    EXPECT_EQ(a.m_NameColorR, b.m_NameColorR);
    EXPECT_EQ(a.m_NameColorG, b.m_NameColorG);
    EXPECT_EQ(a.m_NameColorB, b.m_NameColorB);
    EXPECT_EQ(a.m_ShowTime, b.m_ShowTime);
    EXPECT_EQ(a.m_TimeFormat, b.m_TimeFormat);
    EXPECT_EQ(a.m_TimeX, b.m_TimeX);
    EXPECT_EQ(a.m_TimeY, b.m_TimeY);
    EXPECT_EQ(a.m_TimeFont, b.m_TimeFont);
    EXPECT_EQ(a.m_TimeColorR, b.m_TimeColorR);
    EXPECT_EQ(a.m_TimeColorG, b.m_TimeColorG);
    EXPECT_EQ(a.m_TimeColorB, b.m_TimeColorB);
    EXPECT_EQ(a.m_dlta, b.m_dlta);
    EXPECT_EQ(a.m_MoveRect, b.m_MoveRect);
    EXPECT_EQ(a.m_MoveRectColor, b.m_MoveRectColor);
    EXPECT_EQ(a.m_MoveCheck, b.m_MoveCheck);
    EXPECT_EQ(a.m_Audio, b.m_Audio);
    EXPECT_EQ(a.m_MoveInterval, b.m_MoveInterval);
    EXPECT_EQ(a.m_Reserved1, b.m_Reserved1);
    EXPECT_EQ(a.m_Reserved2, b.m_Reserved2);
    EXPECT_EQ(a.m_CapturePlaySound, b.m_CapturePlaySound);
    EXPECT_EQ(a.m_CaptureSound, b.m_CaptureSound);
    EXPECT_EQ(a.m_MovePlaySound, b.m_MovePlaySound);
    EXPECT_EQ(a.m_MoveSound, b.m_MoveSound);
    EXPECT_EQ(a.m_NoCapImage_move, b.m_NoCapImage_move);
    EXPECT_EQ(a.m_MoveShellExecute, b.m_MoveShellExecute);
    EXPECT_EQ(a.m_MoveProgram, b.m_MoveProgram);
    EXPECT_EQ(a.m_MoveProgramParams, b.m_MoveProgramParams);
    EXPECT_EQ(a.m_MoveProgramRunMode, b.m_MoveProgramRunMode);
    EXPECT_EQ(a.m_CapVideo_move, b.m_CapVideo_move);
    EXPECT_EQ(a.m_CapVideo_moveStop, b.m_CapVideo_moveStop);
    EXPECT_EQ(a.m_MoveCount, b.m_MoveCount);
    EXPECT_EQ(a.m_MoveCountOn, b.m_MoveCountOn);
}

using DataRecordTest = TempUserFolder;

TEST_F(DataRecordTest, DefaultsAreThoseOfAFreshCamera)
{
    CDataClass d;
    d.load(0, user); // no file
    EXPECT_EQ(d.m_FileName, user + "0.bin");
    EXPECT_EQ(d.m_CameraNumber, 0);
    EXPECT_EQ(d.m_CameraName, "noset");
    EXPECT_EQ(d.m_CaptureSound, QStringLiteral("拍照咔嚓.WAV"));
    EXPECT_EQ(d.m_MoveSound, QStringLiteral("欢迎光临.WAV"));
    EXPECT_EQ(d.m_MovePercent, 50);
    EXPECT_EQ(d.m_dlta, 8);
    EXPECT_EQ(d.m_MoveRect, (MoveRect{20, 20, 200, 200}));
    EXPECT_EQ(d.m_Port, 8080);
    EXPECT_EQ(d.m_WMVBitRate, 2227);
    EXPECT_EQ(d.m_BroadcastBitRate, 1335);
    EXPECT_EQ(d.m_TimeY, 20);
    EXPECT_EQ(d.m_NameColorR, 255);
    EXPECT_EQ(d.m_Reserved1, 1.0f);
    EXPECT_TRUE(d.m_MoveCountOn);
    EXPECT_FALSE(QFileInfo(d.m_FileName).exists());
}

TEST_F(DataRecordTest, EveryFieldRoundTripsThroughTheSettingsFile)
{
    CDataClass written = everyFieldChanged();
    written.load(7, user); // no file yet: keeps the values set
    ASSERT_EQ(written.m_FileName, user + "7.bin");
    ASSERT_TRUE(written.save());
    CDataClass read;
    read.load(7, user);
    expectSameStoredFields(read, written);
    EXPECT_EQ(read.m_MovePercent, 50);
    // And the bytes are stable.
    EXPECT_EQ(read.toBytes(), readAll(user + "7.bin"));
}

TEST_F(DataRecordTest, TextsAreCountedUtf16WithoutTerminator)
{
    CDataClass d;
    d.m_DeviceName = "AB";
    const QByteArray b = d.toBytes();
    EXPECT_EQ(b.left(8), le32(4) + utf16le("AB"));
    EXPECT_EQ(b.mid(8, 4), le32(0)); // m_SourceId empty
}

TEST_F(DataRecordTest, FileCutAfterGroupThreeLoadsLaterGroupsAsDefaults)
{
    CDataClass full = everyFieldChanged();
    const QByteArray bytes = full.toBytes();
    CDataClass d;
    d.loadFromBytes(bytes.left(headLength(full)));
    EXPECT_EQ(d.m_CameraName, QStringLiteral("大门"));
    EXPECT_EQ(d.m_Reserved2, -7);
    const CDataClass defaults;
    EXPECT_EQ(d.m_VideoCompressor, defaults.m_VideoCompressor);
    EXPECT_EQ(d.m_TimeFont, defaults.m_TimeFont);
    EXPECT_EQ(d.m_CaptureSound, defaults.m_CaptureSound);
    EXPECT_EQ(d.m_GraphFormat, 0);
    EXPECT_EQ(d.m_Port, 8080);
    EXPECT_EQ(d.m_WMVBitRate, 2227);
    EXPECT_TRUE(d.m_MoveCountOn);
}

TEST_F(DataRecordTest, StoredMovePercentIsReplacedByFifty)
{
    CDataClass d;
    d.m_MovePercent = 10;
    QByteArray bytes = d.toBytes();
    CDataClass back;
    back.loadFromBytes(bytes);
    EXPECT_EQ(back.m_MovePercent, 50);
    EXPECT_EQ(back.m_dlta, 8);
}

TEST_F(DataRecordTest, NegativeCountsGiveEmptyTextsAndHugeCountsEndTheFile)
{
    CDataClass d;
    QByteArray bytes = d.toBytes();
    // m_DeviceName's count -> negative: empty text, rest of the file aligned.
    bytes.replace(0, 4, le32(-100));
    CDataClass neg;
    neg.loadFromBytes(bytes);
    EXPECT_EQ(neg.m_DeviceName, "");
    EXPECT_EQ(neg.m_CameraName, "noset");

    CDataClass named = everyFieldChanged();
    QByteArray bytes2 = named.toBytes();
    bytes2.replace(0, 4, le32(0x7ffffff0)); // far beyond the file
    CDataClass huge;
    huge.loadFromBytes(bytes2);
    EXPECT_EQ(huge.m_DeviceName, "");
    EXPECT_EQ(huge.m_CameraName, "noset"); // nothing after the bad count is read
    EXPECT_EQ(huge.m_Port, 8080);
}

TEST_F(DataRecordTest, LongTextsBeyondTheOldBufferStayWholeAndAligned)
{
    CDataClass d;
    d.m_ImgDir_root = "/" + QString(300, u'x');
    d.m_FixedFileNameText = QString(200, u'n');
    d.m_Port = 1234;
    CDataClass back;
    back.loadFromBytes(d.toBytes());
    EXPECT_EQ(back.m_ImgDir_root, d.m_ImgDir_root);
    EXPECT_EQ(back.m_FixedFileNameText, d.m_FixedFileNameText);
    EXPECT_EQ(back.m_Port, 1234);
}

TEST_F(DataRecordTest, FailedGraphFormatGroupResetsItAndLaterGroupsStayDefault)
{
    CDataClass full = everyFieldChanged();
    QByteArray bytes = full.toBytes();
    // Position of group 16: total minus groups 16..21 of the written file.
    const qsizetype tail = 4 + 1 + (4 + 2 * full.m_FixedFileNameText.size()) + (4 * 5 + 1) + 5 + (1 + 4 * 4 + 1);
    const qsizetype g16 = bytes.size() - tail;
    CDataClass d;
    d.m_GraphFormat = 1; // pretend a value was set before loading
    d.loadFromBytes(bytes.left(g16 + 2));
    EXPECT_EQ(d.m_GraphFormat, 0);
    EXPECT_EQ(d.m_CapVideo_moveStop, 60); // group 15 was whole
    EXPECT_FALSE(d.m_FixedFileName);
}

TEST_F(DataRecordTest, FixedFileNameTextSurvivesSaveAndReload)
{
    CDataClass d;
    d.load(1, user);
    d.m_FixedFileNameText = QStringLiteral("门口");
    ASSERT_TRUE(d.save());
    CDataClass back;
    back.load(1, user);
    EXPECT_EQ(back.m_FixedFileNameText, QStringLiteral("门口"));
}

struct FolderCase {
    const char *root;
    bool alarm;
    const char *suffix;
};

void PrintTo(const FolderCase &c, std::ostream *os) { *os << c.root << (c.alarm ? " alarm" : " timing"); }

class FolderCases : public TempUserFolder, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderCases, RootWithOrWithoutSlashGivesTheSameDatedFolder)
{
    CDataClass d;
    d.m_CameraNumber = 3;
    d.m_ImgDir_root = tmp.path() + QString::fromUtf8(GetParam().root);
    const QString folder = d.alarmOrTimingFolder(QDateTime(QDate(2024, 1, 5), QTime(12, 0)), GetParam().alarm);
    EXPECT_EQ(folder, tmp.path() + "/Pics/03/20240105" + GetParam().suffix + "/");
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

INSTANTIATE_TEST_SUITE_P(Cases, FolderCases,
    ::testing::Values(FolderCase{"/Pics", true, "AlarmCapture"}, FolderCase{"/Pics/", true, "AlarmCapture"},
                      FolderCase{"/Pics", false, "TimingCapture"}),
    [](const auto &info) {
        const std::string root = info.param.root;
        return vq::test::paramName(root) + (root.back() == '/' ? "Slash" : "") + (info.param.alarm ? "_Alarm" : "_Timing");
    });

TEST_F(DataRecordTest, RecordingFolderAndFolderFailure)
{
    CDataClass d;
    d.m_CameraNumber = 12;
    d.m_CapDir_root = tmp.path() + "/rec";
    EXPECT_EQ(d.recordFolder(QDateTime(QDate(2024, 12, 31), QTime(23, 59))), tmp.path() + "/rec/12/20241231Record/");
    writeAll(tmp.path() + "/file", "x");
    d.m_CapDir_root = tmp.path() + "/file";
    try {
        d.recordFolder(QDateTime::currentDateTime());
        FAIL() << "no error";
    } catch (const LibraryError &e) {
        EXPECT_EQ(e.text(), "Cannot create temp directory.");
    }
}

struct KindCase {
    const char *source;
    int kind;
};

void PrintTo(const KindCase &c, std::ostream *os) { *os << '"' << c.source << '"'; }

class SourceKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(SourceKinds, SourceIdGivesKind)
{
    CDataClass d;
    d.m_SourceId = QString::fromUtf8(GetParam().source);
    EXPECT_EQ(d.sourceKind(), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Cases, SourceKinds,
    ::testing::Values(KindCase{"HTTP://127.0.0.1/x", 1}, KindCase{"http:", 1}, KindCase{"mms://h/s", 1},
                      KindCase{"mms", 0}, KindCase{"Screen", 2}, KindCase{"screen ", 0}, KindCase{"", 0},
                      KindCase{"/dev/video0", 0}),
    [](const auto &info) { return vq::test::paramName(info.param.source); });

TEST_F(DataRecordTest, UnwritableSettingsFileIsReported)
{
    RecordingLibReporter reports;
    ScopedLibReporter scoped(&reports);
    CDataClass d;
    d.load(4, user);
    QDir().mkpath(d.m_FileName); // a folder in the way
    EXPECT_FALSE(d.save());
    EXPECT_EQ(reports.count(), 1);
}

} // namespace
