// The lock-down switches: the stand-in library keeps the state asked for in
// its state file, the loader finds it by name (or says once that it is
// missing), and the stored switches are applied in their fixed order.
#include "LibReporter.h"
#include "Option.h"
#include "ParamName.h"
#include "SysSettingsLogic.h"
#include "WinLockLibrary.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <map>

using namespace quorvel;

namespace {

// The state file as key -> value.
std::map<QString, QString> readState(const QString &path)
{
    std::map<QString, QString> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0 && !line.startsWith('#'))
        {
            QByteArray value = line.mid(eq + 1);
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            out[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(value);
        }
    }
    return out;
}

class StandIn : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        statePath = dir.path() + QStringLiteral("/state/winlock.state");
        qputenv("WINLOCK_STATE_FILE", statePath.toUtf8());
        setLibReporter(&messages);
    }
    void TearDown() override
    {
        setLibReporter(nullptr);
        qunsetenv("WINLOCK_STATE_FILE");
    }
    std::map<QString, QString> state() const { return readState(statePath); }
    QStringList history() const
    {
        const auto s = state();
        const auto it = s.find(QStringLiteral("history"));
        return it == s.end() ? QStringList{} : it->second.split(u';');
    }
    std::unique_ptr<Option> options(const std::map<QString, QString> &settings)
    {
        QByteArray ini = "[Settings]\r\n";
        for (const auto &[key, value] : settings)
            ini += key.toUtf8() + '=' + value.toUtf8() + "\r\n";
        const QString folder = dir.path() + QStringLiteral("/user/");
        QDir().mkpath(folder);
        QFile f(folder + QStringLiteral("qxCamera.ini"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ini);
        f.close();
        OptionEnvironment env;
        env.userFolder = folder;
        env.langFolder = QStringLiteral(QUORVEL_TEST_LANG_DIR);
        return std::make_unique<Option>(folder + QStringLiteral("qxCamera.ini"), env);
    }

    QTemporaryDir dir;
    QString statePath;
    RecordingLibReporter messages;
    WinLockLibrary lib{QStringList{QStringLiteral(WINLOCK_STANDIN)}};
};

} // namespace

TEST_F(StandIn, EachCallChangesOneSwitchAndIsKeptInOrder)
{
    lib.call(WinLockLibrary::TaskbarShowHide, 0);
    lib.call(WinLockLibrary::TaskManagerEnableDisable, 0);
    lib.call(WinLockLibrary::TaskbarShowHide, 1);
    ASSERT_TRUE(lib.isLoaded()) << lib.problemText().toStdString();
    const auto s = state();
    EXPECT_EQ(s.at("desktop"), "shown");
    EXPECT_EQ(s.at("taskbar"), "shown");
    EXPECT_EQ(s.at("taskmanager"), "disabled");
    EXPECT_EQ(s.at("taskswitching"), "enabled");
    EXPECT_EQ(s.at("calls"), "3");
    EXPECT_EQ(s.at("last"), "Taskbar_Show_Hide 1");
    EXPECT_EQ(history(), (QStringList{"Taskbar_Show_Hide 0", "TaskManager_Enable_Disable 0", "Taskbar_Show_Hide 1"}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(StandIn, DamagedStateFileIsReplacedByAWholeOne)
{
    QDir().mkpath(QFileInfo(statePath).absolutePath());
    QFile f(statePath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("desktop=sideways\ncalls=-4\nhistory=;;\n\x01\x02garbage");
    f.close();
    lib.call(WinLockLibrary::DesktopShowHide, 0);
    const auto s = state();
    EXPECT_EQ(s.at("desktop"), "hidden");
    EXPECT_EQ(s.at("taskbar"), "shown");
    EXPECT_EQ(s.at("calls"), "1");
    EXPECT_EQ(history(), QStringList{"Desktop_Show_Hide 0"});
}

TEST_F(StandIn, HistoryKeepsTheLatestCalls)
{
    for (int i = 0; i < 40; ++i)
        lib.call(WinLockLibrary::TaskSwitchingEnableDisable, i % 2);
    const QStringList h = history();
    EXPECT_EQ(h.size(), 32);
    EXPECT_EQ(h.back(), "TaskSwitching_Enable_Disable 1");
    EXPECT_EQ(state().at("calls"), "40");
}

TEST_F(StandIn, AKioskScriptReadsTheState)
{
    lib.call(WinLockLibrary::TaskbarShowHide, 0);
    // What docs/winlock.md tells a set-up script to do.
    QProcess sh;
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"),
                                         QStringLiteral(". \"$0\" 2>/dev/null; echo \"$taskbar $desktop\""), statePath});
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_EQ(sh.readAllStandardOutput().trimmed(), "hidden shown");
}

TEST_F(StandIn, MissingLibraryIsToldOnceAndTheSwitchesDoNothing)
{
    WinLockLibrary missing{QStringList{dir.path() + QStringLiteral("/nowhere/libWinLock.so")}};
    missing.call(WinLockLibrary::DesktopShowHide, 0);
    missing.call(WinLockLibrary::TaskbarShowHide, 0);
    EXPECT_FALSE(missing.isLoaded());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.texts().front().contains(QStringLiteral("libWinLock.so")));
    EXPECT_FALSE(QFile::exists(statePath));
}

struct LockDownCase {
    const char *name;
    std::map<QString, QString> settings;
    QStringList calls;  // in order
    bool applied;
    const char *errorNames;  // the option named in the error, when not applied
};

class StoredLockDown : public StandIn, public testing::WithParamInterface<LockDownCase> {};

TEST_P(StoredLockDown, AppliedInOrderUntilAFlagDoesNotRead)
{
    const LockDownCase &c = GetParam();
    auto option = options(c.settings);
    QString error;
    EXPECT_EQ(applyStoredLockDown(*option, lib, &error), c.applied);
    EXPECT_EQ(QFile::exists(statePath) ? history() : QStringList{}, c.calls);
    if (!c.applied) {
        EXPECT_TRUE(error.contains(QLatin1String(c.errorNames))) << error.toStdString();
    } else {
        EXPECT_TRUE(error.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredLockDown,
    testing::Values(
        LockDownCase{"AllOffShowsAndEnablesEverything",
                     {{"Desktop_Show_Hide", "False"}, {"Taskbar_Show_Hide", "False"},
                      {"DisableTaskManager", "False"}, {"DisableTaskSwitching", "False"}},
                     {"Desktop_Show_Hide 1", "Taskbar_Show_Hide 1", "TaskManager_Enable_Disable 1",
                      "TaskSwitching_Enable_Disable 1"},
                     true, ""},
        LockDownCase{"HiddenDesktop",
                     {{"Desktop_Show_Hide", "True"}},
                     {"Desktop_Show_Hide 0", "Taskbar_Show_Hide 1", "TaskManager_Enable_Disable 1",
                      "TaskSwitching_Enable_Disable 1"},
                     true, ""},
        LockDownCase{"CaseAndNumbers",
                     {{"Desktop_Show_Hide", "tRUE"}, {"Taskbar_Show_Hide", "2"},
                      {"DisableTaskManager", "0"}, {"DisableTaskSwitching", "-1"}},
                     {"Desktop_Show_Hide 0", "Taskbar_Show_Hide 0", "TaskManager_Enable_Disable 1",
                      "TaskSwitching_Enable_Disable 0"},
                     true, ""},
        LockDownCase{"UnreadableFlagStopsThere",
                     {{"Desktop_Show_Hide", "True"}, {"Taskbar_Show_Hide", "yes"}, {"DisableTaskManager", "True"}},
                     {"Desktop_Show_Hide 0"},
                     false, "Taskbar_Show_Hide"},
        LockDownCase{"EmptyFlagDoesNotRead",
                     {{"Desktop_Show_Hide", ""}},
                     {},
                     false, "Desktop_Show_Hide"}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });

struct FlagCase {
    const char *name;
    const char *text;
    int expected;  // 0 false, 1 true, -1 does not read
};

class FlagText : public testing::TestWithParam<FlagCase> {};

TEST_P(FlagText, Reads)
{
    const auto r = readFlag(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(r ? int(*r) : -1, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FlagText,
                         testing::Values(FlagCase{"True", "True", 1}, FlagCase{"LowerFalse", "false", 0},
                                         FlagCase{"UpperTrue", "TRUE", 1}, FlagCase{"Zero", "0", 0},
                                         FlagCase{"Two", "2", 1}, FlagCase{"Negative", "-7", 1},
                                         FlagCase{"Yes", "yes", -1}, FlagCase{"Empty", "", -1},
                                         FlagCase{"TrueWithText", "True!", -1}),
                         [](const auto &info) { return vq::test::paramName(info.param.name); });

TEST(StoredTexts, DatesAndTimesThatDoNotReadAreRefused)
{
    EXPECT_EQ(readStoredDate(QStringLiteral("2026-12-31")), QDate(2026, 12, 31));
    EXPECT_FALSE(readStoredDate(QStringLiteral("31/12/2026")));
    EXPECT_FALSE(readStoredDate(QStringLiteral("2026-02-30")));
    EXPECT_EQ(readStoredTime(QStringLiteral("23:05:09")), QTime(23, 5, 9));
    EXPECT_EQ(readStoredTime(QStringLiteral("7:30")), QTime(7, 30));
    EXPECT_FALSE(readStoredTime(QStringLiteral("25:00:00")));
    EXPECT_FALSE(readStoredTime(QStringLiteral("noon")));
    // What the window stores reads back.
    EXPECT_EQ(readStoredTime(storedTimeText(QTime(0, 0, 1))), QTime(0, 0, 1));
}
