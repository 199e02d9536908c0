// The system settings window: the library-wide options of a monitoring
// machine (hot key, start, lock-down, power-off, password, log folder,
// history, screen, camera grid, language). The lock-down switches act on
// the machine as soon as they are clicked; everything else is stored only
// with "确定".
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace quorvel {

class Option;
class WinLockLibrary;

class TForm_sys : public QDialog {
    Q_OBJECT
public:
    TForm_sys(Option *option, WinLockLibrary *winLock, QWidget *owner = nullptr);

    // The folder chooser behind "选择目录": (window, title, start folder) ->
    // the chosen folder or empty. Tests replace it.
    std::function<QString(QWidget *, const QString &, const QString &)> chooseFolder;

    // "确定": false (window stays open) when the password check fails.
    bool confirm();
    // A language chosen in the list: loaded at once, captions re-applied.
    void languageChosen(int index);
    void chooseLogFolder();

    QGroupBox *GroupBox1;
    QCheckBox *checkBox_keyenabled, *checkBox_hookAlt, *checkBox_hookCtrl;
    QLabel *Label1;
    QComboBox *comboBox_hookkey;
    QCheckBox *CheckBox_hidestart, *checkBox_startPOWERON, *CheckBox_topwindow;
    QCheckBox *CheckBox_hidedesktop, *CheckBox_hidetaskbar, *CheckBox_taskmanager, *CheckBox_TaskSwitching;
    QGroupBox *GroupBox2;
    QCheckBox *CheckBox_PowerOff, *CheckBox_PowerOff_daily;
    QDateEdit *DateTimePicker1;
    QLabel *Label2;
    QTimeEdit *DateTimePicker2;
    QGroupBox *GroupBox3;
    QCheckBox *CheckBox_password;
    QLabel *Label3, *Label4;
    QLineEdit *Edit_password1, *Edit_password2;
    QLabel *Label6;
    QLineEdit *Edit_logpath;
    QPushButton *BitBtn3;
    QLabel *Label17;
    QSpinBox *CSpinEdit_history;
    QGroupBox *GroupBox4;
    QRadioButton *RadioButton_screen0, *RadioButton_screen1;
    QGroupBox *GroupBox5;
    QLabel *Label7, *Label8;
    QSpinBox *CSpinEdit_Rows, *CSpinEdit_Cols;
    QComboBox *ComboBoxEx1;
    QPushButton *BitBtn2, *BitBtn1;

private:
    void build();
    void applyCaptions();
    void loadOptions();
    bool loadStoredSwitches();
    void enableHotKeyGroup();
    void enablePasswordFields();
    void enablePowerOffGroup();
    QString text(int id, const QString &fallback) const;
    Option *m_option;
    WinLockLibrary *m_winLock;
};

} // namespace quorvel
