// The system settings window, offscreen, over options in a temporary user
// folder and the lock-down stand-in writing its state file there.
#include "CamWindowsSupport.h"
#include "LibReporter.h"
#include "Option.h"
#include "ParamName.h"
#include "SysSettingsWindow.h"
#include "WinLockLibrary.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

#include <map>
#include <memory>

using namespace quorvel;
using camwindowstest::app;
using camwindowstest::saveScreenshot;

namespace {

class SysSettings : public testing::Test {
protected:
    void SetUp() override
    {
        app();
        ASSERT_TRUE(dir.isValid());
        statePath = dir.path() + QStringLiteral("/winlock.state");
        qputenv("WINLOCK_STATE_FILE", statePath.toUtf8());
        setLibReporter(&messages);
        userFolder = dir.path() + QStringLiteral("/user/");
        QDir().mkpath(userFolder);
    }
    void TearDown() override
    {
        window.reset();
        option.reset();
        setLibReporter(nullptr);
        qunsetenv("WINLOCK_STATE_FILE");
    }
    QString iniPath() const { return userFolder + QStringLiteral("qxCamera.ini"); }
    // Options read from an INI holding `settings`.
    Option &makeOptions(const std::map<QString, QString> &settings = {})
    {
        QByteArray ini = "[Settings]\n";
        for (const auto &[key, value] : settings)
            ini += key.toUtf8() + '=' + value.toUtf8() + "\r\n";
        QFile f(iniPath());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(ini);
        f.close();
        OptionEnvironment env;
        env.userFolder = userFolder;
        env.langFolder = QStringLiteral(QUORVEL_TEST_LANG_DIR);
        option = std::make_unique<Option>(iniPath(), env);
        return *option;
    }
    TForm_sys &open(const std::map<QString, QString> &settings = {})
    {
        if (!option)
            makeOptions(settings);
        window = std::make_unique<TForm_sys>(option.get(), &winLock);
        window->show();
        return *window;
    }
    // The lock-down calls so far, oldest first.
    QStringList lockDownCalls() const
    {
        QFile f(statePath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("history=\""))
                return QString::fromUtf8(line.mid(9, line.size() - 10)).split(u';', Qt::SkipEmptyParts);
        return {};
    }
    QByteArray iniText() const
    {
        QFile f(iniPath());
        // Line ends as "\n", whatever the writer uses.
        return f.open(QIODevice::ReadOnly) ? f.readAll().replace("\n", "\n") : QByteArray();
    }

    QTemporaryDir dir;
    QString statePath;
    QString userFolder;
    RecordingLibReporter messages;
    WinLockLibrary winLock{QStringList{QStringLiteral(WINLOCK_STANDIN)}};
    std::unique_ptr<Option> option;
    std::unique_ptr<TForm_sys> window;
};

} // namespace

TEST_F(SysSettings, OpensWithTheStoredOptionsAndTheirEnablingRules)
{
    Option &o = makeOptions({{"hook_key", "True"},
                             {"hook_alt", "True"},
                             {"hook_keycode", "F5"},
                             {"PowerOff", "True"},
                             {"PowerOff_daily", "True"},
                             {"PowerOff_day", "2026-12-24"},
                             {"PowerOff_time", "18:30:00"},
                             {"Screen", "0"},
                             {"CameraRows", "3"},
                             {"CameraCols", "4"},
                             {"historyDays", "30"}});
    o.passwordEnabled = 1;
    o.setLockPassword(QStringLiteral("gate-7"));
    TForm_sys &w = open();

    EXPECT_EQ(w.windowTitle(), "系统设置");
    EXPECT_EQ(w.GroupBox1->title(), "老板键");
    EXPECT_EQ(w.BitBtn2->text(), "确定");
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.comboBox_hookkey->currentText(), "F5");
    EXPECT_TRUE(w.checkBox_keyenabled->isChecked());
    EXPECT_TRUE(w.checkBox_hookAlt->isChecked());
    EXPECT_FALSE(w.checkBox_hookCtrl->isChecked());
    EXPECT_TRUE(w.checkBox_startPOWERON->isChecked());  // its default is "True"
    EXPECT_EQ(w.DateTimePicker1->date(), QDate(2026, 12, 24));
    EXPECT_EQ(w.DateTimePicker2->time(), QTime(18, 30));
    EXPECT_TRUE(w.RadioButton_screen0->isChecked());
    EXPECT_EQ(w.CSpinEdit_Rows->value(), 3);
    EXPECT_EQ(w.CSpinEdit_Cols->value(), 4);
    EXPECT_EQ(w.CSpinEdit_history->value(), 30);
    EXPECT_EQ(w.Edit_logpath->text(), o.logFolder);
    EXPECT_EQ(w.ComboBoxEx1->currentText(), "Chinese");
    EXPECT_EQ(w.Edit_password1->text(), "gate-7");
    EXPECT_EQ(w.Edit_password2->text(), "gate-7");
    EXPECT_EQ(w.Edit_password1->echoMode(), QLineEdit::Password);

    // Hot-key group follows its switch.
    EXPECT_TRUE(w.comboBox_hookkey->isEnabled());
    w.checkBox_keyenabled->click();
    for (QWidget *c : std::initializer_list<QWidget *>{w.checkBox_hookAlt, w.checkBox_hookCtrl, w.comboBox_hookkey,
                                                       w.CheckBox_hidestart, w.Label1})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    // Power-off: daily means no date; off means neither.
    EXPECT_FALSE(w.DateTimePicker1->isEnabled());
    EXPECT_TRUE(w.DateTimePicker2->isEnabled());
    w.CheckBox_PowerOff_daily->click();
    EXPECT_TRUE(w.DateTimePicker1->isEnabled());
    w.CheckBox_PowerOff->click();
    EXPECT_FALSE(w.DateTimePicker1->isEnabled());
    EXPECT_FALSE(w.DateTimePicker2->isEnabled());
    EXPECT_FALSE(w.CheckBox_PowerOff_daily->isEnabled());
    // Password fields follow their switch.
    w.CheckBox_password->click();
    EXPECT_FALSE(w.Edit_password1->isEnabled());
    EXPECT_FALSE(w.Edit_password2->isEnabled());
    // Nothing of the lock-down was asked for.
    EXPECT_TRUE(lockDownCalls().isEmpty());
}

TEST_F(SysSettings, StoredLockDownIsAppliedAgainOnOpening)
{
    open({{"DisableTaskManager", "True"}});
    EXPECT_EQ(lockDownCalls(), QStringList{"TaskManager_Enable_Disable 0"});
    EXPECT_TRUE(window->CheckBox_taskmanager->isChecked());
}

TEST_F(SysSettings, LockDownClickActsAtOnceAndStaysWhenCancelled)
{
    TForm_sys &w = open();
    const QByteArray before = iniText();
    QTest::mouseClick(w.CheckBox_hidetaskbar, Qt::LeftButton);
    EXPECT_EQ(lockDownCalls(), QStringList{"Taskbar_Show_Hide 0"});
    QTest::mouseClick(w.CheckBox_hidedesktop, Qt::LeftButton);
    QTest::mouseClick(w.CheckBox_hidedesktop, Qt::LeftButton);
    EXPECT_EQ(lockDownCalls(), (QStringList{"Taskbar_Show_Hide 0", "Desktop_Show_Hide 0", "Desktop_Show_Hide 1"}));
    w.BitBtn1->click();
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_FALSE(w.isVisible());
    // The machine keeps its hidden task bar; the option does not change.
    EXPECT_EQ(option->Taskbar_Show_Hide, "False");
    EXPECT_EQ(iniText(), before);
    EXPECT_EQ(lockDownCalls().size(), 3);
}

TEST_F(SysSettings, HotKeyOfAnotherCaseSelectsNothingAndStoresEmpty)
{
    TForm_sys &w = open({{"hook_keycode", "f5"}});
    EXPECT_EQ(w.comboBox_hookkey->currentIndex(), -1);
    ASSERT_TRUE(w.confirm());
    EXPECT_EQ(option->hook_keycode, "");
    EXPECT_TRUE(iniText().contains("hook_keycode=\n")) << iniText().toStdString();
}

struct PasswordCase {
    const char *name;
    bool protect;
    const char16_t *first;
    const char16_t *second;
    bool accepted;
    int storedEnabled;         // when accepted
    const char16_t *stored;    // the stored password, when accepted
};

class Password : public SysSettings, public testing::WithParamInterface<PasswordCase> {};

TEST_P(Password, CheckedBeforeAnythingIsStored)
{
    const PasswordCase &c = GetParam();
    Option &o = makeOptions({{"hook_key", "False"}});
    o.passwordEnabled = 1;
    o.setLockPassword(QStringLiteral("old"));
    TForm_sys &w = open();
    w.CheckBox_password->setChecked(c.protect);
    w.Edit_password1->setText(QString::fromUtf16(c.first));
    w.Edit_password2->setText(QString::fromUtf16(c.second));
    w.checkBox_keyenabled->setChecked(true);  // would be stored as "True"
    const QByteArray before = iniText();

    w.BitBtn2->click();
    if (!c.accepted) {
        EXPECT_EQ(messages.texts(), QStringList{option->getText(703)});
        EXPECT_FALSE(option->getText(703).isEmpty());
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(option->hook_key, "False");
        EXPECT_EQ(option->lockPasswordText(), "old");
        EXPECT_EQ(iniText(), before);
        return;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(option->passwordEnabled, c.storedEnabled);
    EXPECT_EQ(option->lockPasswordText(), QString::fromUtf16(c.stored));
    EXPECT_EQ(option->hook_key, "True");
    // It is in "config.bin" too: a new options object reads it back.
    OptionEnvironment env;
    env.userFolder = userFolder;
    Option reread(iniPath(), env);
    EXPECT_EQ(reread.passwordEnabled, c.storedEnabled);
    EXPECT_EQ(reread.lockPasswordText(), QString::fromUtf16(c.stored));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Password,
    testing::Values(PasswordCase{"NineteenCharactersStoredWhole", true, u"门卫01234567890abcde", u"门卫01234567890abcde",
                                 true, 1, u"门卫01234567890abcde"},
                    PasswordCase{"KeptAsTypedWithBlanks", true, u" a b ", u" a b ", true, 1, u" a b "},
                    PasswordCase{"BlankIsRefused", true, u"   ", u"   ", false, 0, u""},
                    PasswordCase{"EmptyIsRefused", true, u"", u"", false, 0, u""},
                    PasswordCase{"DifferentIsRefused", true, u"abc", u"abd", false, 0, u""},
                    PasswordCase{"OffClearsIt", false, u"abc", u"xyz", true, 0, u""}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });

TEST_F(SysSettings, PasswordFieldsTakeNineteenUnitsAtMost)
{
    TForm_sys &w = open();
    w.CheckBox_password->setChecked(true);
    QTest::keyClicks(w.Edit_password1, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(w.Edit_password1->text(), "abcdefghijklmnopqrs");
}

TEST_F(SysSettings, ConfirmStoresEveryControlAndWritesTheFiles)
{
    TForm_sys &w = open();
    w.checkBox_keyenabled->setChecked(true);
    w.checkBox_hookCtrl->setChecked(true);
    w.comboBox_hookkey->setCurrentText(QStringLiteral("Z"));
    w.CheckBox_hidestart->setChecked(true);
    w.checkBox_startPOWERON->setChecked(false);
    w.CheckBox_topwindow->setChecked(true);
    w.CheckBox_TaskSwitching->setChecked(true);
    w.CheckBox_PowerOff->setChecked(true);
    w.DateTimePicker1->setDate(QDate(2027, 1, 2));
    w.DateTimePicker2->setTime(QTime(6, 7, 8));
    w.CSpinEdit_history->setValue(90);
    w.RadioButton_screen0->setChecked(true);
    w.CSpinEdit_Rows->setValue(5);
    w.CSpinEdit_Cols->setValue(6);
    w.chooseFolder = [&](QWidget *, const QString &title, const QString &start) {
        EXPECT_EQ(title, "Select folder with files");
        EXPECT_EQ(start, option->logFolder);
        return dir.path();
    };
    w.BitBtn3->click();
    EXPECT_EQ(w.Edit_logpath->text(), dir.path());
    w.chooseFolder = [](QWidget *, const QString &, const QString &) { return QString(); };
    w.BitBtn3->click();  // the chooser cancelled: the folder stays
    EXPECT_EQ(w.Edit_logpath->text(), dir.path());

    ASSERT_TRUE(w.confirm());
    const Option &o = *option;
    EXPECT_EQ(o.hook_key, "True");
    EXPECT_EQ(o.hook_ctrl, "True");
    EXPECT_EQ(o.hook_alt, "False");
    EXPECT_EQ(o.hook_keycode, "Z");
    EXPECT_EQ(o.startMode, "True");
    EXPECT_EQ(o.start_powon, "False");
    EXPECT_EQ(o.TopWindow, "True");
    EXPECT_EQ(o.DisableTaskSwitching, "True");
    EXPECT_EQ(o.DisableTaskManager, "False");
    EXPECT_EQ(o.PowerOff, "True");
    EXPECT_EQ(o.PowerOff_daily, "False");
    EXPECT_EQ(o.PowerOff_day, "2027-01-02");
    EXPECT_EQ(o.PowerOff_time, "06:07:08");
    EXPECT_EQ(o.logFolder, dir.path());
    EXPECT_EQ(o.historyDays, 90);
    EXPECT_EQ(o.screenMode, 0);
    EXPECT_EQ(o.savedRows, 5);
    EXPECT_EQ(o.savedCols, 6);
    EXPECT_EQ(o.gridRows, 2);  // the grid changes when the options are made again
    EXPECT_EQ(o.langIndex, 1);
    const QByteArray ini = iniText();
    for (const char *line : {"hook_keycode=Z\n", "TopWindow=True\n", "PowerOff_day=2027-01-02\n",
                             "PowerOff_time=06:07:08\n", "CameraRows=5\n", "CameraCols=6\n", "Screen=0\n",
                             "historyDays=90\n", "DisableTaskSwitching=True\n", "Lang=1\n"})
        EXPECT_TRUE(ini.contains(line)) << line << " in\n" << ini.toStdString();
    // Ticking the task switching box acted on the machine at once.
    EXPECT_EQ(lockDownCalls(), QStringList{"TaskSwitching_Enable_Disable 0"});
}

TEST_F(SysSettings, LanguageChosenIsLoadedAtOnceButStoredOnlyWithOk)
{
    TForm_sys &w = open();
    saveScreenshot(&w, QStringLiteral("system-settings-zh.png"));
    const int english = w.ComboBoxEx1->findText(QStringLiteral("English"));
    ASSERT_EQ(english, 0);
    w.ComboBoxEx1->setCurrentIndex(english);
    Q_EMIT w.ComboBoxEx1->activated(english);
    EXPECT_EQ(w.windowTitle(), "System settings");
    EXPECT_EQ(w.BitBtn1->text(), "Cancel");
    EXPECT_EQ(w.GroupBox1->title(), "Boss key");
    saveScreenshot(&w, QStringLiteral("system-settings-en.png"));
    w.BitBtn1->click();
    // The library speaks English until its options are made again; the
    // stored language is still Chinese.
    EXPECT_EQ(option->getText(230), "Cancel");
    EXPECT_EQ(option->langIndex, 1);
    EXPECT_FALSE(iniText().contains("Lang="));

    window.reset();
    TForm_sys &again = open();
    EXPECT_EQ(again.windowTitle(), "System settings");  // still English
    again.ComboBoxEx1->setCurrentIndex(english);
    ASSERT_TRUE(again.confirm());
    EXPECT_EQ(option->langIndex, 0);
    EXPECT_TRUE(iniText().contains("Lang=0\n"));
}

TEST_F(SysSettings, EveryCaptionFitsInBothLanguages)
{
    TForm_sys &w = open();
    for (int language : {1, 0}) {
        w.languageChosen(language);
        QApplication::processEvents();
        for (auto *label : w.findChildren<QLabel *>())
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        for (auto *button : w.findChildren<QAbstractButton *>())
            EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        for (auto *group : w.findChildren<QGroupBox *>())
            EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title()))
                << group->title().toStdString();
    }
}

struct DamagedCase {
    const char *name;
    std::map<QString, QString> settings;
    std::vector<const char *> checked;    // boxes checked after opening
    std::vector<const char *> unchecked;  // boxes left as designed
    bool dateRead;
    QStringList lockDownCalls;
};

class DamagedSettings : public SysSettings, public testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedSettings, OpeningStopsAtTheFirstTextThatDoesNotRead)
{
    const DamagedCase &c = GetParam();
    TForm_sys &w = open(c.settings);
    for (const char *name : c.checked)
        EXPECT_TRUE(w.findChild<QCheckBox *>(QLatin1String(name))->isChecked()) << name;
    for (const char *name : c.unchecked)
        EXPECT_FALSE(w.findChild<QCheckBox *>(QLatin1String(name))->isChecked()) << name;
    EXPECT_EQ(w.DateTimePicker1->date() == QDate(2026, 12, 24), c.dateRead);
    EXPECT_EQ(lockDownCalls(), c.lockDownCalls);
    EXPECT_TRUE(messages.texts().isEmpty());
    // The rest of the window is still filled in, and it can be confirmed.
    EXPECT_EQ(w.CSpinEdit_Rows->value(), 2);
    EXPECT_TRUE(w.confirm());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedSettings,
    testing::Values(
        DamagedCase{"YesStopsAtHookAlt",
                    {{"hook_key", "True"}, {"hook_alt", "yes"}, {"hook_ctrl", "True"}, {"DisableTaskManager", "True"},
                     {"PowerOff_day", "2026-12-24"}},
                    {"checkBox_keyenabled"},
                    {"checkBox_hookAlt", "checkBox_hookCtrl", "CheckBox_taskmanager", "checkBox_startPOWERON"},
                    false,
                    {}},
        DamagedCase{"NumbersRead",
                    {{"hook_key", "2"}, {"hook_alt", "0"}, {"Desktop_Show_Hide", "1"}, {"PowerOff_day", "2026-12-24"}},
                    {"checkBox_keyenabled", "CheckBox_hidedesktop", "checkBox_startPOWERON"},
                    {"checkBox_hookAlt"},
                    true,
                    {"Desktop_Show_Hide 0"}},
        DamagedCase{"DateThatDoesNotParse",
                    {{"PowerOff", "True"}, {"DisableTaskSwitching", "TRUE"}, {"PowerOff_day", "24/12/2026"}},
                    {"CheckBox_PowerOff", "CheckBox_TaskSwitching"},
                    {"CheckBox_PowerOff_daily"},
                    false,
                    {"TaskSwitching_Enable_Disable 0"}}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });
