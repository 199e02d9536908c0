#include "SysSettingsWindow.h"

#include "LibReporter.h"
#include "Option.h"
#include "SettingsLogic.h"
#include "SysSettingsLogic.h"
#include "WinLockLibrary.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace quorvel {
namespace {

// A small badge with the language's mark, standing for its flag.
QIcon languageIcon(int index)
{
    static const QColor colours[] = {QColor(0x1f, 0x4e, 0x9c), QColor(0xde, 0x29, 0x10), QColor(0xa0, 0x20, 0x20),
                                     QColor(0xbc, 0x00, 0x2d), QColor(0xc6, 0x0b, 0x1e), QColor(0x00, 0x23, 0x95),
                                     QColor(0x00, 0x92, 0x46), QColor(0x33, 0x33, 0x33), QColor(0x00, 0x39, 0xa6),
                                     QColor(0x00, 0x47, 0xa0), QColor(0x2d, 0x2a, 0x4a), QColor(0x00, 0x73, 0x2f),
                                     QColor(0x00, 0x66, 0x00), QColor(0x01, 0x00, 0x66), QColor(0xda, 0x25, 0x1d)};
    QPixmap pixmap(24, 16);
    pixmap.fill(colours[index % int(std::size(colours))]);
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, languageMark(index));
    return QIcon(pixmap);
}

} // namespace

TForm_sys::TForm_sys(Option *option, WinLockLibrary *winLock, QWidget *owner)
    : QDialog(owner), m_option(option), m_winLock(winLock)
{
    setObjectName(QStringLiteral("TForm_sys"));
    chooseFolder = [](QWidget *parent, const QString &title, const QString &start) {
        return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
    };
    build();
    loadOptions();
}

QString TForm_sys::text(int id, const QString &fallback) const
{
    if (!m_option)
        return fallback;
    const QString t = m_option->getText(id);
    return t.isEmpty() ? fallback : t;
}

void TForm_sys::build()
{
    setWindowTitle(QStringLiteral("系统设置"));
    auto check = [this](const char *name, const QString &caption) {
        auto *box = new QCheckBox(caption, this);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    auto label = [this](const char *name, const QString &caption) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };

    // Hot key.
    GroupBox1 = new QGroupBox(QStringLiteral("老板键"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    checkBox_keyenabled = check("checkBox_keyenabled", QStringLiteral("启用"));
    checkBox_hookAlt = check("checkBox_hookAlt", QStringLiteral("Ａｌｔ键"));
    checkBox_hookCtrl = check("checkBox_hookCtrl", QStringLiteral("Ｃｔｒｌ键"));
    Label1 = label("Label1", QStringLiteral("字母、数字及功能键"));
    comboBox_hookkey = new QComboBox(this);
    comboBox_hookkey->setObjectName(QStringLiteral("comboBox_hookkey"));
    comboBox_hookkey->addItems(hookKeyNames());
    comboBox_hookkey->setMaxVisibleItems(12);
    CheckBox_hidestart = check("CheckBox_hidestart", QStringLiteral("以隐藏模式启动运行"));
    {
        auto *g = new QGridLayout(GroupBox1);
        g->addWidget(checkBox_keyenabled, 0, 0);
        g->addWidget(checkBox_hookAlt, 1, 0);
        g->addWidget(checkBox_hookCtrl, 1, 1);
        g->addWidget(Label1, 2, 0);
        g->addWidget(comboBox_hookkey, 2, 1);
        g->addWidget(CheckBox_hidestart, 3, 0, 1, 2);
    }

    // Start and lock-down switches.
    checkBox_startPOWERON = check("checkBox_startPOWERON", QStringLiteral("开机自启动"));
    CheckBox_topwindow = check("CheckBox_topwindow", QStringLiteral("最顶层显示"));
    CheckBox_hidedesktop = check("CheckBox_hidedesktop", QStringLiteral("隐藏桌面"));
    CheckBox_hidetaskbar = check("CheckBox_hidetaskbar", QStringLiteral("隐藏任务栏"));
    CheckBox_taskmanager = check("CheckBox_taskmanager", QStringLiteral("禁用任务管理器"));
    CheckBox_TaskSwitching = check("CheckBox_TaskSwitching", QStringLiteral("禁止任务切换"));
    auto *switches = new QGridLayout;
    switches->addWidget(checkBox_startPOWERON, 0, 0);
    switches->addWidget(CheckBox_topwindow, 0, 1);
    switches->addWidget(CheckBox_hidedesktop, 1, 0);
    switches->addWidget(CheckBox_hidetaskbar, 1, 1);
    switches->addWidget(CheckBox_taskmanager, 2, 0);
    switches->addWidget(CheckBox_TaskSwitching, 2, 1);

    // Power-off.
    GroupBox2 = new QGroupBox(QStringLiteral("定时关机"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    CheckBox_PowerOff = check("CheckBox_PowerOff", QStringLiteral("启用"));
    CheckBox_PowerOff_daily = check("CheckBox_PowerOff_daily", QStringLiteral("每天"));
    DateTimePicker1 = new QDateEdit(QDate::currentDate(), this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateTimePicker1->setCalendarPopup(true);
    Label2 = label("Label2", QStringLiteral("关机时间"));
    DateTimePicker2 = new QTimeEdit(QTime::currentTime(), this);
    DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
    DateTimePicker2->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    {
        auto *g = new QGridLayout(GroupBox2);
        g->addWidget(CheckBox_PowerOff, 0, 0);
        g->addWidget(CheckBox_PowerOff_daily, 0, 1);
        g->addWidget(DateTimePicker1, 1, 0, 1, 2);
        g->addWidget(Label2, 2, 0);
        g->addWidget(DateTimePicker2, 2, 1);
    }

    // Password.
    GroupBox3 = new QGroupBox(QStringLiteral("密码保护"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    CheckBox_password = check("CheckBox_password", QStringLiteral("启用"));
    Label3 = label("Label3", QStringLiteral("输入密码"));
    Label4 = label("Label4", QStringLiteral("密码确认"));
    Edit_password1 = new QLineEdit(this);
    Edit_password1->setObjectName(QStringLiteral("Edit_password1"));
    Edit_password2 = new QLineEdit(this);
    Edit_password2->setObjectName(QStringLiteral("Edit_password2"));
    for (QLineEdit *e : {Edit_password1, Edit_password2}) {
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(Option::kPasswordUnits - 1);
    }
    {
        auto *g = new QGridLayout(GroupBox3);
        g->addWidget(CheckBox_password, 0, 0, 1, 2);
        g->addWidget(Label3, 1, 0);
        g->addWidget(Edit_password1, 1, 1);
        g->addWidget(Label4, 2, 0);
        g->addWidget(Edit_password2, 2, 1);
    }

    // Log folder and history.
    Label6 = label("Label6", QStringLiteral("系统日志存放路径"));
    Edit_logpath = new QLineEdit(this);
    Edit_logpath->setObjectName(QStringLiteral("Edit_logpath"));
    Edit_logpath->setReadOnly(true);
    Edit_logpath->setMinimumWidth(220);
    BitBtn3 = new QPushButton(QStringLiteral("选择目录"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    Label17 = label("Label17", QStringLiteral("保存历史记录天数"));
    CSpinEdit_history = new QSpinBox(this);
    CSpinEdit_history->setObjectName(QStringLiteral("CSpinEdit_history"));
    CSpinEdit_history->setRange(0, 3650);

    // Screen and grid.
    GroupBox4 = new QGroupBox(QStringLiteral("屏幕设置"), this);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    RadioButton_screen0 = new QRadioButton(QStringLiteral("标屏"), GroupBox4);
    RadioButton_screen0->setObjectName(QStringLiteral("RadioButton_screen0"));
    RadioButton_screen1 = new QRadioButton(QStringLiteral("宽屏"), GroupBox4);
    RadioButton_screen1->setObjectName(QStringLiteral("RadioButton_screen1"));
    {
        auto *v = new QVBoxLayout(GroupBox4);
        v->addWidget(RadioButton_screen0);
        v->addWidget(RadioButton_screen1);
    }
    GroupBox5 = new QGroupBox(QStringLiteral("摄像头个数"), this);
    GroupBox5->setObjectName(QStringLiteral("GroupBox5"));
    Label7 = label("Label7", QStringLiteral("行数"));
    Label8 = label("Label8", QStringLiteral("列数"));
    CSpinEdit_Rows = new QSpinBox(this);
    CSpinEdit_Rows->setObjectName(QStringLiteral("CSpinEdit_Rows"));
    CSpinEdit_Cols = new QSpinBox(this);
    CSpinEdit_Cols->setObjectName(QStringLiteral("CSpinEdit_Cols"));
    for (QSpinBox *s : {CSpinEdit_Rows, CSpinEdit_Cols})
        s->setRange(1, Option::kMaxGridSide);
    {
        auto *g = new QGridLayout(GroupBox5);
        g->addWidget(Label7, 0, 0);
        g->addWidget(CSpinEdit_Rows, 0, 1);
        g->addWidget(Label8, 1, 0);
        g->addWidget(CSpinEdit_Cols, 1, 1);
    }

    ComboBoxEx1 = new QComboBox(this);
    ComboBoxEx1->setObjectName(QStringLiteral("ComboBoxEx1"));
    const QStringList languages = languageNames();
    for (int i = 0; i < languages.size(); ++i)
        ComboBoxEx1->addItem(languageIcon(i), languages[i]);
    ComboBoxEx1->setMaxVisibleItems(15);

    BitBtn2 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    BitBtn1 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));

    auto *left = new QVBoxLayout;
    left->addWidget(GroupBox1);
    left->addLayout(switches);
    left->addWidget(GroupBox2);
    left->addStretch(1);

    auto *right = new QVBoxLayout;
    right->addWidget(GroupBox3);
    right->addWidget(Label6);
    auto *logRow = new QHBoxLayout;
    logRow->addWidget(Edit_logpath, 1);
    logRow->addWidget(BitBtn3);
    right->addLayout(logRow);
    auto *historyRow = new QHBoxLayout;
    historyRow->addWidget(Label17);
    historyRow->addWidget(CSpinEdit_history);
    historyRow->addStretch(1);
    right->addLayout(historyRow);
    auto *screenRow = new QHBoxLayout;
    screenRow->addWidget(GroupBox4);
    screenRow->addWidget(GroupBox5);
    right->addLayout(screenRow);
    right->addWidget(ComboBoxEx1);
    right->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn1);

    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto *top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetMinimumSize);

    // Each lock-down switch acts on the machine at once, also when the
    // opening sequence sets it from the stored options.
    const struct {
        QCheckBox *box;
        WinLockLibrary::Entry entry;
    } lockDown[] = {
        {CheckBox_hidedesktop, WinLockLibrary::DesktopShowHide},
        {CheckBox_hidetaskbar, WinLockLibrary::TaskbarShowHide},
        {CheckBox_taskmanager, WinLockLibrary::TaskManagerEnableDisable},
        {CheckBox_TaskSwitching, WinLockLibrary::TaskSwitchingEnableDisable},
    };
    for (const auto &s : lockDown) {
        const WinLockLibrary::Entry entry = s.entry;
        connect(s.box, &QCheckBox::toggled, this, [this, entry](bool checked) {
            if (m_winLock)
                m_winLock->call(entry, checked ? 0 : 1);
        });
    }
    connect(checkBox_keyenabled, &QCheckBox::toggled, this, &TForm_sys::enableHotKeyGroup);
    connect(CheckBox_password, &QCheckBox::toggled, this, &TForm_sys::enablePasswordFields);
    connect(CheckBox_PowerOff, &QCheckBox::toggled, this, &TForm_sys::enablePowerOffGroup);
    connect(CheckBox_PowerOff_daily, &QCheckBox::toggled, this, &TForm_sys::enablePowerOffGroup);
    connect(ComboBoxEx1, &QComboBox::activated, this, &TForm_sys::languageChosen);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm_sys::chooseLogFolder);
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        if (confirm())
            accept();
    });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_sys::applyCaptions()
{
    setWindowTitle(text(200, QStringLiteral("系统设置")));
    const struct {
        int id;
        QWidget *widget;
        const char16_t *designed;
    } captions[] = {
        {201, GroupBox1, u"老板键"},
        {202, checkBox_keyenabled, u"启用"},
        {203, checkBox_hookAlt, u"Ａｌｔ键"},
        {204, checkBox_hookCtrl, u"Ｃｔｒｌ键"},
        {205, Label1, u"字母、数字及功能键"},
        {206, CheckBox_hidestart, u"以隐藏模式启动运行"},
        {207, CheckBox_topwindow, u"最顶层显示"},
        {208, CheckBox_taskmanager, u"禁用任务管理器"},
        {209, CheckBox_TaskSwitching, u"禁止任务切换"},
        {210, CheckBox_hidedesktop, u"隐藏桌面"},
        {211, CheckBox_hidetaskbar, u"隐藏任务栏"},
        {212, checkBox_startPOWERON, u"开机自启动"},
        {213, GroupBox2, u"定时关机"},
        {214, CheckBox_PowerOff, u"启用"},
        {215, Label2, u"关机时间"},
        {216, CheckBox_PowerOff_daily, u"每天"},
        {217, GroupBox3, u"密码保护"},
        {218, CheckBox_password, u"启用"},
        {219, Label3, u"输入密码"},
        {220, Label4, u"密码确认"},
        {221, Label6, u"系统日志存放路径"},
        {222, Label17, u"保存历史记录天数"},
        {223, BitBtn3, u"选择目录"},
        {224, GroupBox4, u"屏幕设置"},
        {225, RadioButton_screen0, u"标屏"},
        {226, RadioButton_screen1, u"宽屏"},
        {227, GroupBox5, u"摄像头个数"},
        {228, Label7, u"行数"},
        {229, Label8, u"列数"},
        {230, BitBtn1, u"取消"},
        {231, BitBtn2, u"确定"},
    };
    for (const auto &c : captions) {
        const QString caption = text(c.id, QString::fromUtf16(c.designed));
        if (auto *b = qobject_cast<QAbstractButton *>(c.widget))
            b->setText(caption);
        else if (auto *l = qobject_cast<QLabel *>(c.widget))
            l->setText(caption);
        else if (auto *g = qobject_cast<QGroupBox *>(c.widget))
            g->setTitle(caption);
    }
    adjustSize();
}

// The stored switches, dates and times in their fixed order. The first
// text that does not read ends the block: the controls after it keep their
// designed state. Setting a lock-down box acts on the machine.
bool TForm_sys::loadStoredSwitches()
{
    const Option &o = *m_option;
    const struct {
        QCheckBox *box;
        const QString &flag;
    } flags[] = {
        {checkBox_keyenabled, o.hook_key},         {checkBox_hookAlt, o.hook_alt},
        {checkBox_hookCtrl, o.hook_ctrl},          {checkBox_startPOWERON, o.start_powon},
        {CheckBox_topwindow, o.TopWindow},         {CheckBox_hidestart, o.startMode},
        {CheckBox_hidedesktop, o.Desktop_Show_Hide}, {CheckBox_hidetaskbar, o.Taskbar_Show_Hide},
        {CheckBox_taskmanager, o.DisableTaskManager}, {CheckBox_TaskSwitching, o.DisableTaskSwitching},
        {CheckBox_PowerOff, o.PowerOff},           {CheckBox_PowerOff_daily, o.PowerOff_daily},
    };
    for (const auto &f : flags) {
        const std::optional<bool> on = readFlag(f.flag);
        if (!on)
            return false;
        f.box->setChecked(*on);
    }
    const std::optional<QDate> day = readStoredDate(o.PowerOff_day);
    if (!day)
        return false;
    DateTimePicker1->setDate(*day);
    const std::optional<QTime> time = readStoredTime(o.PowerOff_time);
    if (!time)
        return false;
    DateTimePicker2->setTime(*time);
    return true;
}

// The opening sequence: captions, stay on top, hot key, the guarded block
// of stored switches, then the rest of the controls and their rules.
void TForm_sys::loadOptions()
{
    applyCaptions();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (!m_option) {
        enableHotKeyGroup();
        enablePasswordFields();
        enablePowerOffGroup();
        return;
    }
    const Option &o = *m_option;
    comboBox_hookkey->setCurrentIndex(comboBox_hookkey->findText(o.hook_keycode, Qt::MatchExactly | Qt::MatchCaseSensitive));
    loadStoredSwitches();
    enableHotKeyGroup();
    CheckBox_password->setChecked(o.passwordEnabled != 0);
    const QString password = CheckBox_password->isChecked() ? o.lockPasswordText() : QString();
    Edit_password1->setText(password);
    Edit_password2->setText(password);
    Edit_logpath->setText(o.logFolder);
    CSpinEdit_history->setValue(o.historyDays);
    enablePasswordFields();
    enablePowerOffGroup();
    (o.screenMode != 0 ? RadioButton_screen1 : RadioButton_screen0)->setChecked(true);
    CSpinEdit_Rows->setValue(o.gridRows);
    CSpinEdit_Cols->setValue(o.gridCols);
    ComboBoxEx1->setCurrentIndex(o.langIndex >= 0 && o.langIndex < ComboBoxEx1->count() ? o.langIndex : -1);
}

void TForm_sys::enableHotKeyGroup()
{
    const bool on = checkBox_keyenabled->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{checkBox_hookAlt, checkBox_hookCtrl, comboBox_hookkey,
                                                       CheckBox_hidestart, Label1})
        w->setEnabled(on);
}

void TForm_sys::enablePasswordFields()
{
    Edit_password1->setEnabled(CheckBox_password->isChecked());
    Edit_password2->setEnabled(CheckBox_password->isChecked());
}

void TForm_sys::enablePowerOffGroup()
{
    const bool on = CheckBox_PowerOff->isChecked();
    CheckBox_PowerOff_daily->setEnabled(on);
    DateTimePicker2->setEnabled(on);
    DateTimePicker1->setEnabled(on && !CheckBox_PowerOff_daily->isChecked());
}

void TForm_sys::languageChosen(int index)
{
    if (!m_option)
        return;
    m_option->loadLanguage(index);
    applyCaptions();
}

void TForm_sys::chooseLogFolder()
{
    const QString folder = chooseFolder(this, QStringLiteral("Select folder with files"), Edit_logpath->text());
    if (!folder.isEmpty())
        Edit_logpath->setText(folder);
}

bool TForm_sys::confirm()
{
    if (!m_option)
        return true;
    Option &o = *m_option;
    if (CheckBox_password->isChecked()) {
        if (!lockPasswordAccepted(Edit_password1->text(), Edit_password2->text())) {
            reportPlain(text(703, QStringLiteral("两次输入的密码不一致或密码为空！")));
            return false;
        }
        o.passwordEnabled = 1;
        o.setLockPassword(Edit_password1->text());
    } else {
        o.passwordEnabled = 0;
        o.lockPassword[0] = 0;
    }
    o.startMode = flagText(CheckBox_hidestart->isChecked());
    o.hook_key = flagText(checkBox_keyenabled->isChecked());
    o.hook_alt = flagText(checkBox_hookAlt->isChecked());
    o.hook_ctrl = flagText(checkBox_hookCtrl->isChecked());
    o.hook_keycode = comboBox_hookkey->currentIndex() < 0 ? QString() : comboBox_hookkey->currentText();
    o.start_powon = flagText(checkBox_startPOWERON->isChecked());
    o.TopWindow = flagText(CheckBox_topwindow->isChecked());
    o.Desktop_Show_Hide = flagText(CheckBox_hidedesktop->isChecked());
    o.Taskbar_Show_Hide = flagText(CheckBox_hidetaskbar->isChecked());
    o.DisableTaskManager = flagText(CheckBox_taskmanager->isChecked());
    o.DisableTaskSwitching = flagText(CheckBox_TaskSwitching->isChecked());
    o.PowerOff = flagText(CheckBox_PowerOff->isChecked());
    o.PowerOff_daily = flagText(CheckBox_PowerOff_daily->isChecked());
    o.PowerOff_day = storedDateText(DateTimePicker1->date());
    o.PowerOff_time = storedTimeText(DateTimePicker2->time());
    o.logFolder = Edit_logpath->text();
    o.historyDays = CSpinEdit_history->value();
    o.screenMode = RadioButton_screen0->isChecked() ? 0 : 1;
    o.savedRows = CSpinEdit_Rows->value();
    o.savedCols = CSpinEdit_Cols->value();
    if (ComboBoxEx1->currentIndex() >= 0)
        o.langIndex = ComboBoxEx1->currentIndex();
    // A file that cannot be written is reported by the options; what was
    // chosen stays in force for this run.
    o.saveSettings();
    o.loadLanguage(o.langIndex);
    return true;
}

} // namespace quorvel
