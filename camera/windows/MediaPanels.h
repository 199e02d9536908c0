// The settings panels of pages 5 to 7: storage folders with the picture
// and recording formats, FTP upload with its folder wizard, and the
// network broadcast with its test broadcast.
#pragma once

#include "SettingsWindows.h"

#include <QFrame>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>

class QGroupBox;
class QProgressBar;
class QThread;
class QTimer;
class QTreeWidgetItem;
class QUrl;

namespace quorvel {

class FtpWizardWorker;

class TFrame_Panel5 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel5(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;

    // Asks for a folder: (title, start folder) -> the chosen folder, empty
    // when cancelled. Tests replace the dialog.
    std::function<QString(const QString &, const QString &)> chooseFolder;
    void chooseVideoFolder();
    void chooseImageFolder();

    QLineEdit *Edit_VideoPath, *Edit_ImagePath;
    QPushButton *BitBtn1, *BitBtn4;
    QComboBox *ComboBox_GraphFormat;
    QCheckBox *CheckBox_graph_filename_nochange;
    QLineEdit *Edit_graph_filename_nochange_text;
    QComboBox *ComboBox_VideoFormat;
    QCheckBox *CheckBox_VideoFormat;
    QWidget *Panel_wmv, *Panel_avi;
    QComboBox *ComboBox_WMVSIZE, *ComboBox_WMVFPS;
    QSlider *TrackBar_WMVBitRate;
    QLabel *Label_WMVBitRate;
    QCheckBox *CheckBox_WMVAudio;
    QComboBox *ComboBox_CompressFilter;
    QCheckBox *CheckBox_CompressFilter;
    QCheckBox *CheckBox_Audio;
    QComboBox *ComboBox_AudioFilter;
    QComboBox *ComboBox_CompressFilter_Audio;
    QCheckBox *CheckBox_CompressFilter_Audio;

private:
    void showFormatPanel();
    void videoFormatRecommended(bool on);
    void useRecommended(QComboBox *list, bool on, const QString &recommended);
    void soundSwitched(bool on);
    QWidget *m_soundControls;
};

// The folder wizard of the FTP panel: its own FTP connection, run on a
// worker thread so the window stays responsive; a log, the server's folder
// tree and a test upload of a fresh snapshot.
class FtpFolderWizard : public QFrame {
    Q_OBJECT
public:
    FtpFolderWizard(UsbCamera *camera, QWidget *parent);
    ~FtpFolderWizard() override;

    // Where the connection's server comes from (the panel's fields, read
    // when a step connects).
    struct Server {
        QString host, port, user, password;
    };
    std::function<Server()> server;

    void login();           // "登录FTP主机..."
    void testUpload();      // "尝试抓拍传到FTP"
    void nodeClicked(QTreeWidgetItem *item);
    // Ends the connection; a step still running is abandoned.
    void closeConnection();
    void cameraGone() { m_cam = nullptr; }
    bool working() const { return m_working; }
    // Inserts a log row at the top with the time.
    void log(const QString &text);

    PreviewArea *Panel6;
    QLineEdit *Edit_FTPDIR_SHOW;
    QTreeWidget *TreeView1;
    QTreeWidget *ListViewLog;
    QPushButton *BitBtn5, *BitBtn1;
    QPushButton *SpeedButton2, *SpeedButton1;
    QProgressBar *Animate1;  // the busy animation

Q_SIGNALS:
    void accepted(const QString &folder);
    void cancelled();
    // A step ended (tests wait for it).
    void stepFinished();

private:
    void setWorking(bool on);
    void finishStep();
    void listInto(QTreeWidgetItem *node, const QString &path);
    void waitForSnapshot(int waitsLeft, std::uint64_t before);
    template <typename Step, typename Done>
    void runOnWorker(Step step, Done done);

    UsbCamera *m_cam;
    QThread *m_thread;
    FtpWizardWorker *m_worker;
    QTimer *m_wait;
    bool m_working = false;
    std::uint64_t m_treeGeneration = 0;  // results for an older tree are dropped
    std::uint64_t m_step = 0;            // results of abandoned steps are dropped
};

class TFrame_Panel6 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel6(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;
    void closing() override;
    void cameraGone() override;
    PreviewArea *preview() const override { return PanelFTPWizart->Panel6; }
    // "选择上传FTP文件夹": the wizard, or message 9000 without address or port.
    void openWizard();

    QLineEdit *Edit_FTPIP, *Edit_FTPPORT, *Edit_FTPUSER, *Edit_FTPPASSWORD, *Edit_FTPDIR;
    QPushButton *BitBtn7;
    ScheduleList *ListView2;
    QSpinBox *CSpinEdit4, *CSpinEdit1, *CSpinEdit2;
    QCheckBox *CheckBox_FTPmakeDIRbyDate, *CheckBox_FTPfixdFileName, *CheckBox_FTPMoveImageUpload;
    QLineEdit *Edit_FTPfixedFileName;
    FtpFolderWizard *PanelFTPWizart;
};

class TFrame_Panel7 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel7(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;
    void closing() override;
    PreviewArea *preview() const override { return Panel7; }
    // "测试": starts a test broadcast, or stops the running one.
    void test();
    // Opens an address with the desktop's player for it. Tests replace it.
    std::function<bool(const QUrl &)> openAddress;
    bool testRunning() const { return m_testRunning; }

    PreviewArea *Panel7;
    QComboBox *ComboBox_profile, *ComboBox_profile_fps;
    QSlider *TrackBar_BitRate;
    QLabel *Label_BitRate;
    QLineEdit *Edit_port;
    QSpinBox *CSpinEdit_maxClient;
    QCheckBox *CheckBox_audio;
    ScheduleList *ListView2;
    QPushButton *BitBtn5;
    QLineEdit *Label_LocalIP, *Label_publicIP;
    QPushButton *SpeedButton1, *SpeedButton2;

private:
    void showAddresses(bool on);
    // The port of the field, or the stored one after saying why the text
    // is not used.
    int portToStore();
    bool m_testRunning = false;
    QWidget *m_addresses;
};

class TFormSetting5 : public TFormSetting {
public:
    TFormSetting5(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(5, index, o, c, p) {}
};
class TFormSetting6 : public TFormSetting {
public:
    TFormSetting6(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(6, index, o, c, p) {}
};
class TFormSetting7 : public TFormSetting {
public:
    TFormSetting7(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(7, index, o, c, p) {}
};

} // namespace quorvel
