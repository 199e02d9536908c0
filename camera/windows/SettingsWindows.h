// The camera settings windows: one dialog per page hosting one panel that
// shows a camera's settings and writes them back into its records in
// memory (the camera saves them when it is destroyed). Panels 1 to 4:
// picture texts, motion detection, timed recording, timed snapshots; 5 to
// 7 are in MediaPanels.h.
#pragma once

#include "ScheduleEntry.h"
#include "SettingsLogic.h"
#include "TestWindowSink.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QTimeEdit;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTreeWidget;
class QToolButton;

namespace quorvel {

class Option;
class RecordClass_Broadcast;
class UsbCamera;

// The preview area of a panel: the camera draws every frame into it while
// it is the camera's test window. Frames arrive on the streaming thread.
class PreviewArea : public QWidget, public TestWindowSink {
    Q_OBJECT
public:
    explicit PreviewArea(QWidget *parent = nullptr);
    QSize testPictureSize() const override;
    void presentTestPicture(const QImage &picture) override;
    // Drawn over the picture (the motion panel draws its region).
    std::function<void(QPainter &)> overlay;
    // Pictures shown so far (tests wait for the first).
    int shownPictures() const { return m_shown; }
    bool hasPicture() const { return m_picture.load() != nullptr; }

Q_SIGNALS:
    void mousePressed(QPoint pos, Qt::MouseButton button);
    void mouseMoved(QPoint pos, Qt::MouseButtons buttons);
    void mouseReleased(QPoint pos);

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    // Swapped whole between the threads, so no lock is held inside the
    // camera lock.
    std::atomic<std::shared_ptr<const QImage>> m_picture;
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::atomic<bool> m_repaintQueued{false};
    int m_shown = 0;
};

// A schedule list with "增加" and "删除": rows carry their entries.
class ScheduleList : public QWidget {
    Q_OBJECT
public:
    ScheduleList(const QString &title, Option *option, QWidget *parent = nullptr);
    void load(const RecordClass_Broadcast &record);
    void save(RecordClass_Broadcast &record) const;
    std::vector<ScheduleEntry> entries() const;
    void addEntry(const ScheduleEntry &entry);
    QTreeWidget *list() const { return m_list; }
    QPushButton *addButton() const { return m_add; }
    QPushButton *deleteButton() const { return m_delete; }

private:
    void onAdd();
    void onDelete();
    Option *m_option;
    QTreeWidget *m_list;
    QPushButton *m_add;
    QPushButton *m_delete;
};

// What every panel has: the camera (none: every operation does nothing)
// and the options for texts, the media folder and sounds.
class TFramePanel : public QWidget {
    Q_OBJECT
public:
    TFramePanel(UsbCamera *camera, Option *option, QWidget *parent);
    virtual void load() = 0;
    virtual void save() = 0;
    // The area the camera draws into, or null.
    virtual PreviewArea *preview() const { return nullptr; }
    // The camera is going away: no further use of it.
    virtual void cameraGone() { m_cam = nullptr; }
    // The window closes (after save): end what the panel started.
    virtual void closing() {}
    UsbCamera *camera() const { return m_cam; }

protected:
    QString text(int id, const QString &fallback) const;
    UsbCamera *m_cam;
    Option *m_option;
};

// Sound chooser shared by panels 2 and 4: editable name, "浏览...", preview.
class SoundChooser : public QWidget {
    Q_OBJECT
public:
    SoundChooser(Option *option, QWidget *parent);
    QComboBox *combo() const { return m_combo; }
    QString sound() const;
    void setSound(const QString &name);
    QPushButton *browseButton() const { return m_browse; }
    QPushButton *playButton() const { return m_play; }

private:
    Option *m_option;
    QComboBox *m_combo;
    QPushButton *m_browse;
    QPushButton *m_play;
};

class TFrame_Panel1 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel1(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;
    PreviewArea *preview() const override { return Panel1; }

    // Stores a font as the record the overlay reads (what the font dialog's
    // OK does).
    void applyNameFont(const QFont &font);
    void applyTimeFont(const QFont &font);
    void applyNameColor(const QColor &color);
    void applyTimeColor(const QColor &color);
    void moveName(Arrow arrow);
    void moveTime(Arrow arrow);

    PreviewArea *Panel1;
    QLineEdit *Edit1;
    QPushButton *SpeedButton14, *SpeedButton12, *SpeedButton13;
    QToolButton *SpeedButton15, *SpeedButton16, *SpeedButton17, *SpeedButton18;
    QCheckBox *CheckBox_timer;
    QComboBox *ComboBox_TimerFormat;
    QPushButton *SpeedButton_TimerFont, *SpeedButton_TimerColor;
    QToolButton *SpeedButton_TimerUp, *SpeedButton_TimerDown, *SpeedButton_TimerLeft, *SpeedButton_TimerRight;
    QSpinBox *CSpinEdit3;

private:
    void chooseFont(bool name);
    void chooseColor(bool name);
    void showTimeSwitch();
    void applyName();
    QWidget *m_timeControls;
};

class TFrame_Panel2 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel2(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;
    PreviewArea *preview() const override { return Panel2; }
    // Starts the program chosen for motion with its parameters; false when
    // the file does not exist or cannot be started.
    bool testProgram();
    const RegionEditor &editor() const { return m_editor; }

    PreviewArea *Panel2;
    QSlider *TrackBar_dlta;
    QPushButton *SpeedButton9, *SpeedButton10, *SpeedButton11;
    QSpinBox *CSpinEdit1;
    QCheckBox *CheckBox_capImagePlaySound_move;
    SoundChooser *ComboBox_capImagePlaySound_move;
    QCheckBox *CheckBox_NoCapImage_move;
    QCheckBox *CheckBox_capImageShellExecute_move;
    QLineEdit *program_capImageShellExecute_move;
    QPushButton *programBrowse;
    QComboBox *RunMode_capImageShellExecute_move;
    QLineEdit *param_capImageShellExecute_move;
    QPushButton *BitBtn1_capImageShellExecute_move;
    QCheckBox *CheckBox_CapVideo_move;
    QSpinBox *CSpinEdit_CapVideo_move;
    QCheckBox *CheckBox_CapImage_move_recordCount;
    ScheduleList *ListView3;

private:
    void onPress(QPoint pos, Qt::MouseButton button);
    void onMove(QPoint pos, Qt::MouseButtons buttons);
    void onRelease();
    void drawRegion(QPainter &painter);
    void enableGroups();
    RegionEditor m_editor;
    RegionEditor::Cursor m_cursor = RegionEditor::Cursor::Normal;
    QWidget *m_soundGroup;
    QWidget *m_programGroup;
};

class TFrame_Panel3 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel3(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;
    ScheduleList *ListView1;
};

class TFrame_Panel4 : public TFramePanel {
    Q_OBJECT
public:
    TFrame_Panel4(UsbCamera *camera, Option *option, QWidget *parent = nullptr);
    void load() override;
    void save() override;
    ScheduleList *ListView2;
    QSpinBox *CSpinEdit4;
    QCheckBox *CheckBox_capImagePlaySound;
    SoundChooser *ComboBox_capImagePlaySound;

private:
    QWidget *m_soundGroup;
};

// The settings window of one page: caption, camera of the table slot (or
// none), the panel, the test window for the pages with a preview. No OK or
// Cancel: closing in any way saves, clears the test window and frees the
// window.
class TFormSetting : public QDialog {
    Q_OBJECT
public:
    // The caption of a page (1 to 7), empty for any other.
    static QString captionFor(int page);

    TFormSetting(int page, int cameraIndex, Option *option, UsbCamera *camera, QWidget *parent = nullptr);
    ~TFormSetting() override;
    int page() const { return m_page; }
    int cameraIndex() const { return m_index; }
    UsbCamera *camera() const { return m_cam; }
    TFramePanel *panel() const { return m_panel; }
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void finish();
    void onCameraGone();
    int m_page;
    int m_index;
    UsbCamera *m_cam;
    TFramePanel *m_panel = nullptr;
    bool m_finished = false;
};

class TFormSetting1 : public TFormSetting {
public:
    TFormSetting1(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(1, index, o, c, p) {}
};
class TFormSetting2 : public TFormSetting {
public:
    TFormSetting2(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(2, index, o, c, p) {}
};
class TFormSetting3 : public TFormSetting {
public:
    TFormSetting3(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(3, index, o, c, p) {}
};
class TFormSetting4 : public TFormSetting {
public:
    TFormSetting4(int index, Option *o, UsbCamera *c, QWidget *p = nullptr) : TFormSetting(4, index, o, c, p) {}
};

// Makes one schedule entry: kind, weekday or date, start and end times.
// Refuses a start not before the end (text 909) and a span that overlaps
// any entry of the caller's list (text 911).
class TForm_recordinput : public QDialog {
    Q_OBJECT
public:
    TForm_recordinput(QWidget *owner, std::vector<ScheduleEntry> existing, ScheduleEntry *entry,
                      Option *option);
    QComboBox *ComboBox1;  // kind
    QWidget *Label4;
    QComboBox *ComboBox2;  // weekday
    QDateEdit *DateTimePicker3;
    QTimeEdit *DateTimePicker1, *DateTimePicker2;
    QPushButton *BitBtn1, *BitBtn2;
    // The kind list closed on `index`.
    void kindChosen(int index);
    void confirm();
    void cancel();

private:
    QString text(int id, const QString &fallback) const;
    std::vector<ScheduleEntry> m_existing;
    ScheduleEntry *m_entry;
    Option *m_option;
};

// Types one stream address.
class TFormdeviceEdit : public QDialog {
    Q_OBJECT
public:
    explicit TFormdeviceEdit(QWidget *parent = nullptr);
    QLineEdit *Edit1;
    QPushButton *BitBtn1, *BitBtn2;
    int flag = 0;  // 1 after "确定"
};

// Which capture sources the library uses, and the stream addresses.
class TFrm_Device : public QDialog {
    Q_OBJECT
public:
    TFrm_Device(Option *option, std::uint8_t *result, QWidget *parent = nullptr);
    QListWidget *CheckListBox1;
    QLabel *Label2;
    QTreeWidget *ListViewURL;
    QPushButton *SpeedButton1, *SpeedButton2, *BitBtn1, *BitBtn2;
    void addAddress();
    void deleteAddresses();
    void confirm();

private:
    Option *m_option;
    std::uint8_t *m_result;
};

} // namespace quorvel
