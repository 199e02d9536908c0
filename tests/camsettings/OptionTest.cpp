// Library options: INI keys and order, "config.bin", the source lists, the
// camera selection, the hook key, the folders and the language texts.
#include "LanguageTable.h"
#include "LibReporter.h"
#include "LibraryError.h"
#include "Option.h"
#include "ParamName.h"
#include "SafeFile.h"
#include "TestSupport.h"

#include <QFileInfo>

#include <atomic>
#include <csignal>
#include <thread>
#include <sys/resource.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString kLangFolder = programFolder() + QStringLiteral("lang/");

class OptionTest : public TempUserFolder {
protected:
    RecordingLibReporter reports;
    ScopedLibReporter scoped{&reports};
    QList<CaptureDevice> devices;

    OptionEnvironment env(const QString &langFolder = kLangFolder)
    {
        OptionEnvironment e;
        e.userFolder = user;
        e.programFolder = tmp.path() + QStringLiteral("/prog/");
        e.langFolder = langFolder;
        e.videoDevices = [this] { return devices; };
        return e;
    }
    QString ini() const { return file(QStringLiteral("qxCamera.ini")); }
    void writeIni(const QString &body) { writeAll(ini(), ("[Settings]\n" + body).toUtf8()); }
    // Keys of the INI file in file order.
    QStringList iniKeys() const
    {
        QStringList keys;
        for (const QString &line : QString::fromUtf8(readAll(ini())).split(u'\n')) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0)
                keys << line.left(eq);
        }
        return keys;
    }
    QString iniValue(const QString &key) const
    {
        for (const QString &line : QString::fromUtf8(readAll(ini())).split(u'\n')) {
            if (line.startsWith(key + u'='))
                return line.mid(key.size() + 1);
        }
        return QStringLiteral("<missing>");
    }
};

TEST_F(OptionTest, FreshFolderGivesDocumentedDefaultsAndWritesThemInWriteOrder)
{
    {
        Option o(ini(), env());
        EXPECT_EQ(o.hookVirtualKey, 0x1B);
        EXPECT_EQ(o.hook_keycode, "Esc");
        EXPECT_TRUE(Option::isTrue(o.start_powon));
        for (const QString *flag : {&o.hook_key, &o.startMode, &o.hook_alt, &o.hook_ctrl, &o.TopWindow,
                                    &o.Taskbar_Show_Hide, &o.Desktop_Show_Hide, &o.DisableTaskManager,
                                    &o.DisableTaskSwitching, &o.AppToAll, &o.PowerOff, &o.PowerOff_daily})
            EXPECT_EQ(*flag, "False");
        EXPECT_EQ(o.PowerOff_day, "2000-01-01");
        EXPECT_EQ(o.PowerOff_time, "00:00:00");
        EXPECT_EQ(o.historyDays, 7);
        EXPECT_EQ(o.historyHasDoneDay, QDate(2000, 1, 1));
        EXPECT_EQ(o.screenMode, 1);
        EXPECT_EQ(o.gridRows, 2);
        EXPECT_EQ(o.gridCols, 2);
        EXPECT_EQ(o.savedRows, 2);
        EXPECT_EQ(o.cameraTable.size(), 4u);
        for (const auto &slot : o.cameraTable)
            EXPECT_EQ(slot, nullptr);
        EXPECT_EQ(o.langIndex, 1);
        EXPECT_EQ(o.getText(200), QStringLiteral("系统设置")); // LangCN
        EXPECT_EQ(o.passwordEnabled, 0);
        EXPECT_EQ(o.lockPasswordText(), "");
        EXPECT_EQ(o.logFolder, user + "log/");
        EXPECT_TRUE(QFileInfo(user + "log").isDir());
        EXPECT_EQ(o.mediaFolder, tmp.path() + "/prog/media/");
        EXPECT_EQ(o.cameraCount, 0);
    }
    EXPECT_EQ(iniKeys(), QStringList({"hook_key", "startMode", "hook_keycode", "hook_alt", "hook_ctrl", "TopWindow",
                                      "start_powon", "Taskbar_Show_Hide", "Desktop_Show_Hide", "DisableTaskManager",
                                      "DisableTaskSwitching", "AppToAll", "PowerOff", "PowerOff_daily", "PowerOff_day",
                                      "PowerOff_time", "LogPath", "historyDays", "historyHasDoneDay", "Screen",
                                      "CameraRows", "CameraCols", "Lang"}));
    EXPECT_EQ(iniValue("historyHasDoneDay"), "2000-01-01");
    EXPECT_EQ(iniValue("start_powon"), "True");
    EXPECT_EQ(iniValue("Lang"), "1");
    EXPECT_EQ(readAll(file("config.bin")), QByteArray(108, '\0'));
    EXPECT_TRUE(QFileInfo(file("device.bin")).isFile());
    EXPECT_TRUE(QFileInfo(file("SoruceUrl.bin")).isFile());
    EXPECT_EQ(readAll(file("device.bin")), QByteArray());
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(OptionTest, DefaultUserFolderFollowsTheDocumentsFolder)
{
    const QByteArray oldDocs = qgetenv("XDG_DOCUMENTS_DIR");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("XDG_DOCUMENTS_DIR", (tmp.path() + "/Docs").toUtf8());
    EXPECT_EQ(defaultUserFolder(), tmp.path() + "/Docs/Vondrel Files/");
    qunsetenv("XDG_DOCUMENTS_DIR");
    qputenv("HOME", tmp.path().toUtf8());
    EXPECT_TRUE(defaultUserFolder().startsWith(tmp.path() + "/")) << defaultUserFolder().toStdString();
    EXPECT_TRUE(defaultUserFolder().endsWith("/Vondrel Files/"));
    qputenv("HOME", oldHome);
    if (!oldDocs.isEmpty())
        qputenv("XDG_DOCUMENTS_DIR", oldDocs);
}

struct IniCase {
    const char *body;
    int rows, cols, history, screen;
};

void PrintTo(const IniCase &c, std::ostream *os) { *os << QByteArray(c.body).replace('\n', ' ').constData(); }

class OptionIniCases : public OptionTest, public ::testing::WithParamInterface<IniCase> {};

TEST_P(OptionIniCases, DecimalsAreLenientAndGridSidesAreClamped)
{
    const IniCase c = GetParam();
    writeIni(QString::fromUtf8(c.body));
    Option o(ini(), env());
    EXPECT_EQ(o.gridRows, c.rows);
    EXPECT_EQ(o.gridCols, c.cols);
    EXPECT_EQ(o.savedRows, c.rows);
    EXPECT_EQ(o.savedCols, c.cols);
    EXPECT_EQ(o.historyDays, c.history);
    EXPECT_EQ(o.screenMode, c.screen);
    EXPECT_EQ(o.cameraTable.size(), size_t(c.rows) * size_t(c.cols));
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionIniCases,
    ::testing::Values(IniCase{"CameraRows=0\nCameraCols=x\n", 1, 1, 7, 1},
                      IniCase{"CameraRows=-3\nCameraCols=3abc\nhistoryDays=12days\n", 1, 3, 12, 1},
                      IniCase{"CameraRows=100000\nCameraCols=99999999999\nScreen=0\n", 100, 100, 7, 0},
                      IniCase{"cameraROWS = 4 \nCameraCols=\"2\"\nhistoryDays=x\n", 4, 2, 0, 1},
                      IniCase{"historyDays=\nScreen=wide\n", 2, 2, 0, 0}),
    [](const auto &info) { return vq::test::paramName(info.param.body); });

TEST_F(OptionTest, LanguageChosenLaterIsWrittenButNextStartUsesChinese)
{
    {
        Option o(ini(), env());
        o.langIndex = 0;
        EXPECT_TRUE(o.loadLanguage(0));
        EXPECT_EQ(o.getText(200), "System settings");
    }
    EXPECT_EQ(iniValue("Lang"), "0");
    Option again(ini(), env());
    EXPECT_EQ(again.langIndex, 1);
    EXPECT_EQ(again.getText(500), QStringLiteral("设备管理"));
}

TEST_F(OptionTest, LogPathIsAlwaysTheUserFoldersLogFolder)
{
    const QString other = tmp.path() + "/elsewhere/logs";
    writeIni("LogPath=" + other + "\n");
    {
        Option o(ini(), env());
        EXPECT_EQ(o.logFolder, user + "log/");
    }
    EXPECT_EQ(iniValue("LogPath"), user + "log/");
}

TEST_F(OptionTest, HistoryDateIsReadLenientlyAndWrittenInShortFormat)
{
    writeIni("historyHasDoneDay=2023-7-4\nPowerOff_day=2024-02-29\nPowerOff_time=23:05:00\n");
    {
        Option o(ini(), env());
        EXPECT_EQ(o.historyHasDoneDay, QDate(2023, 7, 4));
        EXPECT_EQ(o.PowerOff_day, "2024-02-29");
        EXPECT_EQ(o.PowerOff_time, "23:05:00");
    }
    EXPECT_EQ(iniValue("historyHasDoneDay"), "2023-07-04");
    writeIni("historyHasDoneDay=garbage\n");
    Option bad(ini(), env());
    EXPECT_EQ(bad.historyHasDoneDay, QDate(2000, 1, 1));
}

TEST_F(OptionTest, UnknownKeysAndSectionsSurviveASave)
{
    writeAll(ini(), "; kept\n[Other]\nx=1\n[Settings]\nCustom=keep me\nhook_key=True\n");
    {
        Option o(ini(), env());
        EXPECT_EQ(o.hook_key, "True");
    }
    const QString text = QString::fromUtf8(readAll(ini()));
    EXPECT_TRUE(text.startsWith("; kept\n[Other]\nx=1\n[Settings]\nCustom=keep me\nhook_key=True\n")) << text.toStdString();
    EXPECT_EQ(iniValue("Lang"), "1");
}

TEST_F(OptionTest, PasswordSitsInConfigBinAndReservedBytesSurvive)
{
    QByteArray config(108, '\0');
    for (int i = 42; i < 108; ++i)
        config[i] = char(i);
    writeAll(file("config.bin"), config);
    const QString password = QStringLiteral("abcdefghij密码klmnopq"); // 19 units
    ASSERT_EQ(password.size(), 19);
    {
        Option o(ini(), env());
        o.passwordEnabled = 1;
        o.setLockPassword(password);
    }
    const QByteArray saved = readAll(file("config.bin"));
    ASSERT_EQ(saved.size(), 108);
    EXPECT_EQ(saved[0], 1);
    EXPECT_EQ(saved[1], 0);
    EXPECT_EQ(saved.mid(2, 38), utf16le(password));
    EXPECT_EQ(saved.mid(40, 2), QByteArray(2, '\0')); // terminator
    EXPECT_EQ(saved.mid(42), config.mid(42));

    {
        Option o(ini(), env());
        EXPECT_EQ(o.passwordEnabled, 1);
        EXPECT_EQ(o.lockPasswordText(), password);
        // Switching protection off as the system settings window does.
        o.passwordEnabled = 0;
        o.lockPassword[0] = 0;
    }
    const QByteArray off = readAll(file("config.bin"));
    EXPECT_EQ(off[0], 0);
    EXPECT_EQ(off.mid(2, 2), QByteArray(2, '\0'));
    EXPECT_EQ(off.mid(4, 36), utf16le(password.mid(1)));
    EXPECT_EQ(off.mid(42), config.mid(42));
}

TEST_F(OptionTest, OverlongOrShortConfigBinIsReadWithinItsBlock)
{
    // 20 units without terminator, then a short file.
    QByteArray config(2, '\0');
    config[0] = 1;
    config += utf16le(QString(20, u'x'));
    writeAll(file("config.bin"), config);
    {
        Option o(ini(), env());
        EXPECT_EQ(o.lockPasswordText(), QString(19, u'x'));
        o.setLockPassword(QString(40, u'y'));
        EXPECT_EQ(o.lockPasswordText(), QString(19, u'y'));
    }
    EXPECT_EQ(readAll(file("config.bin")).size(), 108);
}

struct HookCase {
    const char *code;
    int expected; // -1: unchanged
};

void PrintTo(const HookCase &c, std::ostream *os) { *os << '"' << c.code << '"'; }

class HookKeyCases : public ::testing::TestWithParam<HookCase> {};

TEST_P(HookKeyCases, KeyCodeTextGivesVirtualKey)
{
    QTemporaryDir tmp;
    OptionEnvironment e;
    e.userFolder = tmp.path() + "/";
    e.langFolder = tmp.path() + "/nolang/";
    Option o(tmp.path() + "/qxCamera.ini", e);
    o.hookVirtualKey = 0x1234;
    o.hook_keycode = QString::fromUtf8(GetParam().code);
    o.computeHookKey();
    EXPECT_EQ(o.hookVirtualKey, GetParam().expected < 0 ? 0x1234 : GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, HookKeyCases,
    ::testing::Values(HookCase{"F12", 0x7B}, HookCase{"f12", -1}, HookCase{"Q", 0x51}, HookCase{"A", 0x41},
                      HookCase{"1", 0x31}, HookCase{"Esc", 0x1B}, HookCase{"ESC", -1}, HookCase{"F1", 0x70},
                      HookCase{"F13", -1}, HookCase{"", -1}, HookCase{"F10", 0x79}),
    [](const auto &info) { return vq::test::paramName(info.param.code); });

TEST_F(OptionTest, HookKeyIsComputedWhileLoading)
{
    writeIni("hook_keycode=F12\n");
    Option o(ini(), env());
    EXPECT_EQ(o.hookVirtualKey, 0x7B);
}

TEST_F(OptionTest, ExcludedDeviceAndGridLimitSelectCameras)
{
    devices = {{"dev-A", "Camera A"}, {"dev-B", "Camera B"}, {"dev-C", "Camera C"}};
    writeAll(file("SoruceUrl.bin"), "http://127.0.0.1:8080/u\r\n");
    writeAll(file("device.bin"), "dev-B\r\n");
    writeIni("CameraRows=1\nCameraCols=2\n");
    {
        Option o(ini(), env());
        EXPECT_EQ(o.cameraSources, QStringList({"dev-A", "dev-C"}));
        EXPECT_EQ(o.cameraCount, 2);
        EXPECT_EQ(o.deviceIds, QStringList({"dev-A", "dev-B", "dev-C", "http://127.0.0.1:8080/u"}));
        EXPECT_EQ(o.deviceNames.last(), "URL:http://127.0.0.1:8080/u");
        EXPECT_EQ(o.deviceNames.first(), "Camera A");
        o.excludedDevices.clear();
        o.savedRows = 2;
    }
    EXPECT_EQ(readAll(file("device.bin")), QByteArray());
    Option wide(ini(), env());
    EXPECT_EQ(wide.gridRows, 2);
    EXPECT_EQ(wide.cameraSources, QStringList({"dev-A", "dev-B", "dev-C", "http://127.0.0.1:8080/u"}));
    EXPECT_EQ(wide.cameraCount, 4);
}

TEST_F(OptionTest, ExclusionIsExactAndCaseSensitive)
{
    devices = {{"dev-A", "A"}, {"dev-B", "B"}};
    writeAll(file("device.bin"), "DEV-A\ndev-B \n");
    Option o(ini(), env());
    EXPECT_EQ(o.cameraSources, QStringList({"dev-A", "dev-B"}));
}

TEST_F(OptionTest, SourceListsAreUtf8LinesEndedByCrLf)
{
    writeAll(file("SoruceUrl.bin"), "http://127.0.0.1/一\nmms://127.0.0.1/two\r\n\r\nlast");
    {
        Option o(ini(), env());
        EXPECT_EQ(o.urlSources, QStringList({QStringLiteral("http://127.0.0.1/一"), "mms://127.0.0.1/two", "", "last"}));
        o.excludedDevices = {QStringLiteral("设备"), "b"};
    }
    EXPECT_EQ(readAll(file("SoruceUrl.bin")),
              QStringLiteral("http://127.0.0.1/一\r\nmms://127.0.0.1/two\r\n\r\nlast\r\n").toUtf8());
    EXPECT_EQ(readAll(file("device.bin")), QStringLiteral("设备\r\nb\r\n").toUtf8());
}

TEST_F(OptionTest, UserFolderThatCannotBeCreatedRaisesItsText)
{
    writeAll(tmp.path() + "/blocker", "file, not folder");
    OptionEnvironment e = env();
    e.userFolder = tmp.path() + "/blocker/Vondrel Files/";
    Option o(tmp.path() + "/qxCamera.ini", e);
    EXPECT_EQ(o.logFolder, e.userFolder); // log folder falls back silently
    try {
        o.createUserFolder();
        FAIL() << "no error raised";
    } catch (const LibraryError &err) {
        EXPECT_EQ(err.text(), "Cannot create User folder directory.");
    }
}

TEST_F(OptionTest, CreateUserFolderMakesAMissingFolder)
{
    OptionEnvironment e = env();
    e.userFolder = tmp.path() + "/new/Vondrel Files/";
    Option o(tmp.path() + "/qxCamera.ini", e);
    EXPECT_EQ(o.createUserFolder(), 1);
    EXPECT_TRUE(QFileInfo(e.userFolder).isDir());
}

TEST_F(OptionTest, EveryLanguageFileHoldsEveryTextId)
{
    QList<int> ids = {1, 6, 12, 15, 16, 18, 21, 22, 703, 2010, 9000};
    for (int i = 200; i <= 231; ++i) ids << i;
    for (int i = 476; i <= 491; ++i) ids << i;
    for (int i = 500; i <= 505; ++i) ids << i;
    for (int i = 900; i <= 914; ++i) ids << i;
    Option o(ini(), env());
    const QStringList names = {"LangEN", "LangCN", "LangTW", "LangJAN", "LangESP", "LangFR", "LangITA", "LangGER",
                               "LangRUS", "LangKOR", "LangTH", "LangAR", "LangPOR", "LangMY", "LangVN"};
    for (int index = 0; index < 15; ++index) {
        EXPECT_EQ(Option::languageFileName(index), names[index]);
        ASSERT_TRUE(o.loadLanguage(index));
        for (int id : ids)
            EXPECT_FALSE(o.getText(id).isEmpty()) << names[index].toStdString() << " lacks " << id;
        // Event words must fit the 19 units of the event record's first text.
        for (int id : {1, 6, 15, 16})
            EXPECT_LE(o.getText(id).size(), 19) << names[index].toStdString() << " " << id;
    }
    EXPECT_EQ(reports.count(), 0);
}

TEST_F(OptionTest, ChineseTextsAreTheBuiltInCaptions)
{
    Option o(ini(), env());
    const QList<QPair<int, QString>> captions = {
        {476, "每天"}, {477, "每周"}, {478, "指定"}, {479, "星期日"}, {485, "星期六"}, {500, "设备管理"},
        {501, "设备ID"}, {502, "系统设备列表"}, {503, "请选择不使用的设备。"}, {504, "取消"}, {505, "确定"},
        {900, "时间设置"}, {901, "开始时间"}, {902, "结束时间"}, {903, "日期"}, {904, "指定日期"},
        {912, "每天"}, {913, "每周"}, {914, "指定"}, {200, "系统设置"}, {205, "字母、数字及功能键"},
        {215, "关机时间"}, {219, "输入密码"}, {220, "密码确认"}, {228, "行数"}, {229, "列数"}, {223, "选择目录"},
    };
    for (const auto &[id, text] : captions)
        EXPECT_EQ(o.getText(id), text) << id;
}

TEST_F(OptionTest, LanguageTextsAreCutLikeTheLookupBufferAndMissingFilesGiveEmptyTexts)
{
    const QString folder = tmp.path() + "/lang/";
    QDir().mkpath(folder);
    const QString longText(300, u'x');
    const QString longer(1500, u'y');
    writeAll(folder + "LangCN", ("200=" + longText + "\n2010=" + longer + "\n# comment\n12=a\\nb\\\\c\n").toUtf8());
    QDir().mkpath(folder + "LangGER"); // exists but is no file
    Option o(ini(), env(folder));
    EXPECT_EQ(o.getText(200), QString(255, u'x'));
    EXPECT_EQ(o.getText(2010), QString(1023, u'y'));
    EXPECT_EQ(o.getText(12), "a\nb\\c");
    EXPECT_EQ(o.getText(999), "");
    EXPECT_TRUE(o.loadLanguage(0)); // LangEN missing: no texts, nothing reported
    EXPECT_EQ(o.getText(200), "");
    EXPECT_TRUE(o.loadLanguage(15));
    EXPECT_TRUE(o.loadLanguage(-1));
    EXPECT_EQ(o.getText(200), "");
    EXPECT_TRUE(o.loadLanguage(7)); // a folder, not a file: no texts, not reported
    EXPECT_EQ(o.getText(200), "");
    EXPECT_EQ(reports.count(), 0);
}

// Writes past RLIMIT_FSIZE fail as on a full disk, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

TEST_F(OptionTest, SaveOnAFullDiskKeepsThePreviousFilesWhole)
{
    writeIni("hook_key=True\nCustom=" + QString(200, u'k') + "\n");
    QByteArray config(108, '\0');
    config[0] = 1;
    config[107] = 7;
    writeAll(file("config.bin"), config);
    const QByteArray iniBefore = readAll(ini());
    {
        Option o(ini(), env());
        o.passwordEnabled = 0;
        o.hook_key = "False";
        {
            FileSizeLimit limit(50);
            EXPECT_FALSE(o.saveSettings());
        }
        EXPECT_EQ(readAll(ini()), iniBefore);
        EXPECT_EQ(readAll(file("config.bin")), config);
    }
    // The destructor saved without the limit.
    EXPECT_EQ(iniValue("hook_key"), "False");
    EXPECT_EQ(readAll(file("config.bin"))[0], 0);
    EXPECT_GE(reports.count(), 2);
    EXPECT_TRUE(reports.texts().first().startsWith("Cannot write")) << reports.texts().first().toStdString();

    writeAll(ini(), iniBefore);
    writeAll(file("config.bin"), config);
    {
        FileSizeLimit limit(50);
        QString why;
        EXPECT_FALSE(writeFileAtomically(ini(), QByteArray(500, 'z'), &why));
        EXPECT_FALSE(why.isEmpty());
        EXPECT_FALSE(writeFileAtomically(file("config.bin"), QByteArray(108, 'z')));
    }
    EXPECT_EQ(readAll(ini()), iniBefore);
    EXPECT_EQ(readAll(file("config.bin")), config);
    // No temporary files are left behind.
    EXPECT_EQ(QDir(user).entryList(QDir::Files | QDir::Hidden).filter("qxCamera").size(), 1);
}

} // namespace

namespace {

// A camera that, when destroyed, looks at what the options had done by then.
class WatchingCamera : public CameraObject {
public:
    WatchingCamera(Option &o, QStringList *log, int index) : m_o(o), m_log(log), m_index(index) {}
    ~WatchingCamera() override
    {
        const QByteArray ini = readAll(m_o.iniPath);
        *m_log << QStringLiteral("camera %1: ini %2, text %3")
                      .arg(m_index)
                      .arg(ini.contains("Lang=0") ? "saved" : "unsaved")
                      .arg(m_o.getText(200));
    }

private:
    Option &m_o;
    QStringList *m_log;
    int m_index;
};

TEST_F(OptionTest, DestructionSavesFirstThenDestroysCamerasInIndexOrderWithTextsStillThere)
{
    QStringList log;
    {
        Option o(ini(), env());
        o.langIndex = 0;
        o.loadLanguage(0);
        o.cameraTable[2] = std::make_unique<WatchingCamera>(o, &log, 2);
        o.cameraTable[0] = std::make_unique<WatchingCamera>(o, &log, 0);
    }
    EXPECT_EQ(log, QStringList({"camera 0: ini saved, text System settings",
                                "camera 2: ini saved, text System settings"}));
}

TEST_F(OptionTest, TextsCanBeReadOnOtherThreadsWhileTheLanguageChanges)
{
    Option o(ini(), env());
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::thread frames([&] {
        while (!stop) {
            const QString t = o.getText(6);
            ASSERT_TRUE(t.isEmpty() || t == QStringLiteral("移动侦测报警") || t == "Motion detected");
            ++reads;
        }
    });
    for (int i = 0; i < 200 || reads < 100; ++i)
        o.loadLanguage(i % 2);
    stop = true;
    frames.join();
    EXPECT_GT(reads.load(), 0);
}

} // namespace

namespace {

// The source lists and language texts read the same after being written
// back, whatever line ends and marks the file came with (found by fuzzing).
struct ListCase {
    const char *name;
    QByteArray file;
    QStringList lines;
};

class SourceListReading : public ::testing::TestWithParam<ListCase> {};

TEST_P(SourceListReading, ReadsTheEntriesAndReadsBackTheSameAfterWriting)
{
    const QStringList lines = Option::linesFromBytes(GetParam().file);
    EXPECT_EQ(lines, GetParam().lines);
    EXPECT_EQ(Option::linesFromBytes(Option::linesToBytes(lines)), lines);
}

INSTANTIATE_TEST_SUITE_P(Files, SourceListReading, ::testing::Values(
    ListCase{"MixedLineEnds", QByteArray("a\r\nb\nc\rd"), {"a", "b", "c", "d"}},
    ListCase{"LastEmptyLineIsNoEntry", QByteArray("a\r\n\r\n"), {"a", ""}},
    ListCase{"Empty", QByteArray(), {}},
    ListCase{"OneMark", QByteArray("\xEF\xBB\xBFhttp://127.0.0.1/x\r\n"), {"http://127.0.0.1/x"}},
    ListCase{"RepeatedMarks", QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBFScreen\r\n"), {"Screen"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LanguageTableReading, CarriageReturnsBeforeTheLineFeedAreNotText)
{
    const LanguageTable t = LanguageTable::parse("1=one\r\r\n2=two\r\n3=mid\rdle\n");
    EXPECT_EQ(t.text(1), QStringLiteral("one"));
    EXPECT_EQ(t.text(2), QStringLiteral("two"));
    EXPECT_EQ(t.text(3), QStringLiteral("mid\rdle"));
}

} // namespace
