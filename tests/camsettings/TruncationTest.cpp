// Every settings format cut at every byte offset: loading never reads past
// the end (AddressSanitizer in the sanitizer build), keeps every field the
// cut file still holds whole, and gives defaults for the rest.
#include "CDataClass.h"
#include "IniFile.h"
#include "LibReporter.h"
#include "Option.h"
#include "RecordClass.h"
#include "RecordClass_Broadcast.h"
#include "RecordClass_FTP.h"
#include "TestSupport.h"

#include <functional>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A byte-exact copy of a cut, in its own allocation, so ASan sees any read
// past its end.
QByteArray cut(const QByteArray &bytes, qsizetype k)
{
    QByteArray c(bytes.constData(), k);
    c.detach();
    return c;
}

// The data record with every field changed but texts of the default lengths,
// so the layout matches a default record's and each byte can be compared.
CDataClass sameLayoutRecord()
{
    CDataClass d;
    d.m_VideoFormatRecommended = false;
    d.m_VideoFormat = 1;
    d.m_WMVSize = 7;
    d.m_WMVAudio = false;
    d.m_WMVFPS = 14;
    d.m_WMVBitRate = 1001;
    d.m_maxClient = 5;
    d.m_Port = 9090;
    d.m_BroadcastSize = 2;
    d.m_BroadcastFPS = 9;
    d.m_BroadcastBitRate = 501;
    d.m_BroadcastAudio = true;
    d.m_VideoCompressorRecommended = false;
    d.m_AudioCompressorRecommended = false;
    d.m_GraphFormat = 1;
    d.m_FixedFileName = true;
    d.m_CameraName = "gate1";
    d.m_NameX = 11;
    d.m_NameY = 12;
    d.m_NameFont.lfHeight = -16;
    d.m_NameFont.setFaceName("Face");
    d.m_NameColorR = 1;
    d.m_NameColorG = 2;
    d.m_NameColorB = 3;
    d.m_ShowTime = 1;
    d.m_TimeFormat = 2;
    d.m_TimeX = 30;
    d.m_TimeY = 40;
    d.m_TimeFont.lfWeight = 700;
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
    d.m_CaptureSound = "snap0001";
    d.m_MovePlaySound = false;
    d.m_MoveSound = "move0001";
    d.m_NoCapImage_move = true;
    d.m_MoveShellExecute = true;
    d.m_MoveProgramRunMode = 2;
    d.m_CapVideo_move = true;
    d.m_CapVideo_moveStop = 60;
    d.m_MoveCount = 99;
    d.m_MoveCountOn = false;
    return d;
}

TEST(TruncationTest, DataRecordCutAnywhereKeepsWholeFieldsAndDefaultsTheRest)
{
    const CDataClass full = sameLayoutRecord();
    const QByteArray orig = full.toBytes();
    const QByteArray def = CDataClass().toBytes();
    ASSERT_EQ(orig.size(), def.size());
    const qsizetype biggestField = 92 + 4 * 4 + 1; // a font inside group 8
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        CDataClass d;
        d.loadFromBytes(cut(orig, k));
        const QByteArray got = d.toBytes();
        ASSERT_EQ(got.size(), orig.size()) << "cut " << k;
        for (qsizetype i = 0; i < got.size(); ++i) {
            if (i >= k) {
                ASSERT_EQ(got[i], def[i]) << "cut " << k << " byte " << i << " should be default";
            } else if (i < k - biggestField) {
                ASSERT_EQ(got[i], orig[i]) << "cut " << k << " byte " << i << " should be kept";
            } else {
                ASSERT_TRUE(got[i] == orig[i] || got[i] == def[i]) << "cut " << k << " byte " << i;
            }
        }
    }
}

TEST(TruncationTest, DataRecordWithTextsCutAnywhereLoadsWithoutOverrun)
{
    CDataClass full = sameLayoutRecord();
    full.m_DeviceName = QStringLiteral("摄像头");
    full.m_ImgDir_root = "/" + QString(200, u'i');
    full.m_MoveProgram = "/bin/true";
    full.m_FixedFileNameText = "door";
    const QByteArray orig = full.toBytes();
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        CDataClass d;
        d.loadFromBytes(cut(orig, k));
        // A text is either whole or absent, never a part.
        ASSERT_TRUE(d.m_ImgDir_root.isEmpty() || d.m_ImgDir_root == full.m_ImgDir_root) << k;
        ASSERT_TRUE(d.m_FixedFileNameText.isEmpty() || d.m_FixedFileNameText == "door") << k;
    }
    CDataClass whole;
    whole.loadFromBytes(orig);
    EXPECT_EQ(whole.toBytes(), orig);
}

std::vector<ScheduleEntry> sampleEntries()
{
    return {ScheduleEntry::make("0", "", "08:00:00", "09:00:00"),
            ScheduleEntry::make("1", "6", "10:00:00", "11:30:00"),
            ScheduleEntry::make("2", "2024-03-05", "12:00:00", "13:00:00")};
}

// The entries a cut file gives: whole ones, then one zero-filled entry the
// file cuts short.
void expectEntriesOfCut(const std::vector<ScheduleEntry> &got, const std::vector<ScheduleEntry> &all, qsizetype k)
{
    const qsizetype bodyBytes = std::min<qsizetype>(std::max<qsizetype>(k - 4, 0), qsizetype(all.size()) * 100);
    const size_t expected = k < 4 ? 0 : size_t((bodyBytes + 99) / 100);
    ASSERT_EQ(got.size(), expected) << "cut " << k;
    for (size_t i = 0; i < got.size(); ++i) {
        const qsizetype have = std::min<qsizetype>(bodyBytes - qsizetype(i) * 100, 100);
        const auto wholeBytes = all[i].toBytes();
        const auto gotBytes = got[i].toBytes();
        for (qsizetype b = 0; b < 100; ++b)
            ASSERT_EQ(gotBytes[size_t(b)], b < have ? wholeBytes[size_t(b)] : 0) << "cut " << k << " entry " << i;
    }
}

TEST(TruncationTest, ScheduleFilesCutAnywhere)
{
    RecordClass_Broadcast source(0, "MoveCheck.bin", QString());
    source.scheduleList = sampleEntries();
    const QByteArray orig = source.toBytes();
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        RecordClass_Broadcast r(0, "MoveCheck.bin", QString());
        r.loadFromBytes(cut(orig, k));
        expectEntriesOfCut(r.scheduleList, source.scheduleList, k);
    }
}

TEST(TruncationTest, SnapshotScheduleCutAnywhere)
{
    RecordClass source(0, "captureImage.bin", QString());
    source.scheduleList = sampleEntries();
    source.snapInterval = 77;
    const QByteArray orig = source.toBytes();
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        RecordClass r(0, "captureImage.bin", QString());
        r.loadFromBytes(cut(orig, k));
        expectEntriesOfCut(r.scheduleList, source.scheduleList, k);
        ASSERT_EQ(r.snapInterval, k == orig.size() ? 77 : 5) << "cut " << k;
    }
}

TEST(TruncationTest, FtpFileCutAnywhereKeepsTheFieldsBeforeTheCut)
{
    RecordClass_FTP source(0, "captureImageFTP.bin", QString());
    source.scheduleList = {sampleEntries()[1]};
    source.snapInterval = 61;
    source.dirByDate = 1;
    source.fixedNameOn = 1;
    source.uploadInterval = 300;
    source.uploadBatch = 7;
    source.fixedName = "door";
    source.ftpHost = "127.0.0.1";
    source.ftpPort = "2121";
    source.ftpUser = QStringLiteral("用户");
    source.ftpPassword = QString(127, u'p');
    source.ftpFolder = "/up";
    source.uploadMotionPictures = 1;
    const QByteArray orig = source.toBytes();
    const RecordClass_FTP defaults(0, "captureImageFTP.bin", QString());

    // Field ends in file order, after the one entry.
    struct Field {
        qsizetype end;
        std::function<bool(const RecordClass_FTP &, const RecordClass_FTP &)> same;
    };
    std::vector<Field> fields;
    qsizetype at = 4 + 100;
    auto add = [&](qsizetype size, std::function<bool(const RecordClass_FTP &, const RecordClass_FTP &)> same) {
        at += size;
        fields.push_back({at, std::move(same)});
    };
    add(4, [](auto &a, auto &b) { return a.snapInterval == b.snapInterval; });
    add(1, [](auto &a, auto &b) { return a.dirByDate == b.dirByDate; });
    add(1, [](auto &a, auto &b) { return a.fixedNameOn == b.fixedNameOn; });
    add(4, [](auto &a, auto &b) { return a.uploadInterval == b.uploadInterval; });
    add(4, [](auto &a, auto &b) { return a.uploadBatch == b.uploadBatch; });
    add(4 + 2 * source.fixedName.size(), [](auto &a, auto &b) { return a.fixedName == b.fixedName; });
    add(4 + 2 * source.ftpHost.size(), [](auto &a, auto &b) { return a.ftpHost == b.ftpHost; });
    add(4 + 2 * source.ftpPort.size(), [](auto &a, auto &b) { return a.ftpPort == b.ftpPort; });
    add(4 + 2 * source.ftpUser.size(), [](auto &a, auto &b) { return a.ftpUser == b.ftpUser; });
    add(4 + 2 * source.ftpPassword.size(), [](auto &a, auto &b) { return a.ftpPassword == b.ftpPassword; });
    add(4 + 2 * source.ftpFolder.size(), [](auto &a, auto &b) { return a.ftpFolder == b.ftpFolder; });
    add(1, [](auto &a, auto &b) { return a.uploadMotionPictures == b.uploadMotionPictures; });
    ASSERT_EQ(at, orig.size());

    for (qsizetype k = 0; k <= orig.size(); ++k) {
        RecordClass_FTP r(0, "captureImageFTP.bin", QString());
        r.loadFromBytes(cut(orig, k));
        if (k > 4) {
            ASSERT_EQ(r.scheduleList.size(), 1u) << k;
        }
        for (size_t f = 0; f < fields.size(); ++f) {
            const RecordClass_FTP &want = fields[f].end <= k ? source : defaults;
            ASSERT_TRUE(fields[f].same(r, want)) << "cut " << k << " field " << f;
        }
    }
}

TEST(TruncationTest, ConfigBinCutAnywhereLeavesTheMissingBytesZero)
{
    QTemporaryDir tmp;
    OptionEnvironment env;
    env.userFolder = tmp.path() + "/";
    env.langFolder = tmp.path() + "/nolang/";
    Option o(tmp.path() + "/qxCamera.ini", env);
    QByteArray orig(108, '\0');
    for (int i = 0; i < 108; ++i)
        orig[i] = char(i * 7 + 1);
    orig[40] = orig[41] = 0; // the password's last unit is its terminator
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        o.setConfigBytes(cut(orig, k));
        QByteArray expected = orig.left(k) + QByteArray(108 - k, '\0');
        expected[1] = 0; // byte 1 is always written as zero
        ASSERT_EQ(o.configBytes(), expected) << "cut " << k;
    }
    // Longer files are read as their first 108 bytes.
    o.setConfigBytes(orig + QByteArray(50, 'z'));
    QByteArray expected = orig;
    expected[1] = 0;
    EXPECT_EQ(o.configBytes(), expected);
}

TEST(TruncationTest, IniCutAnywhereKeepsWholeLines)
{
    IniFile source;
    const QList<QPair<QString, QString>> pairs = {
        {"hook_key", "True"}, {"hook_keycode", "F12"}, {"LogPath", QStringLiteral("/日志/x")},
        {"historyDays", "30"}, {"CameraRows", "3"}, {"CameraCols", "4"},
    };
    for (const auto &[k, v] : pairs)
        source.write("Settings", k, v);
    const QByteArray orig = source.toBytes();
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        const QByteArray part = cut(orig, k);
        const IniFile ini = IniFile::fromBytes(part);
        qsizetype lineEnd = orig.indexOf('\n') + 1; // after "[Settings]"
        for (const auto &[key, value] : pairs) {
            lineEnd = orig.indexOf('\n', lineEnd) + 1;
            if (lineEnd <= k) {
                ASSERT_EQ(ini.read("Settings", key, "-"), value) << "cut " << k;
            } else if (k < lineEnd - 1 - value.toUtf8().size()) {
                ASSERT_EQ(ini.read("Settings", key, "-"), "-") << "cut " << k << " " << key.toStdString();
            }
        }
    }
}

TEST(TruncationTest, OptionLoadsEveryCutOfItsIni)
{
    QTemporaryDir tmp;
    RecordingLibReporter reports;
    ScopedLibReporter scoped(&reports);
    const QString user = tmp.path() + "/";
    OptionEnvironment env;
    env.userFolder = user;
    env.langFolder = user + "nolang/";
    Option o(user + "qxCamera.ini", env);
    const QByteArray orig = "[Settings]\nhook_keycode=F12\nCameraRows=3\nCameraCols=1\nhistoryDays=30\n";
    for (qsizetype k = 0; k <= orig.size(); ++k) {
        writeAll(user + "qxCamera.ini", cut(orig, k));
        o.loadSettings();
        ASSERT_GE(o.gridRows, 1);
        ASSERT_LE(o.gridRows, 3);
        ASSERT_EQ(o.gridCols, 1 + (k < orig.indexOf("CameraCols=1\n") + 11)) << k;
        // "historyDays=30\n" cut inside its value reads the digits present.
        const qsizetype n = orig.size();
        const int days = k >= n - 1 ? 30 : k == n - 2 ? 3 : k == n - 3 ? 0 : 7;
        ASSERT_EQ(o.historyDays, days) << k;
    }
    o.iniPath = user + "out.ini";
    EXPECT_EQ(reports.count(), 0);
}

} // namespace
