#pragma once
// The registration form: enters a new visit, changes or shows a stored one,
// and registers a visitor's leaving. Saving writes the visit, then its
// pictures (card photo, main photo, companions).
#include "TFormbase.h"

#include "Storemanage_img.h"

#include <QImage>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace vondrel {

// What a card read hands to the form (from the card reader's record).
struct CardReading {
    QString name;
    QString sex;
    QString birthDate; // "YYYY-MM-DD" as the card gives it
    QString idNumber;
    QString address;
    QString photoPath; // where the reader writes "zp.bmp"
};

class TFormvisitInfo : public TFormbase {
    Q_OBJECT
public:
    TFormvisitInfo(QWidget *owner, bool leave, bool editable, const QString &visitId);
    ~TFormvisitInfo() override;

    // Opens the card reader window modally; nothing when no card was read.
    // Replaceable (tests; the reader comes from the card reader area).
    std::function<std::optional<CardReading>(QWidget *owner)> cardReader;
    // Opens the desk camera window modally for a camera index; returns the
    // accepted picture's path, or nothing when the guard cancelled.
    std::function<std::optional<QString>(QWidget *owner, int cameraIndex)> cameraWindow;

    QLineEdit *Edit1 = nullptr;       // 姓名
    QComboBox *ComboBox1 = nullptr;   // 性别
    QDateEdit *DateTimePicker1 = nullptr; // 出生年月
    QLineEdit *Edit2 = nullptr;       // 联系电话
    QComboBox *ComboBox2 = nullptr;   // 证件类型
    QLineEdit *Edit3 = nullptr;       // 证件号码
    QLineEdit *Edit4 = nullptr;       // 工作单位
    QPlainTextEdit *Memo1 = nullptr;  // 住址 (typing limited to 200)
    QComboBox *ComboBox3 = nullptr;   // 来访事由
    QPlainTextEdit *Memo3 = nullptr;  // 备注信息 (typing limited to 200)
    QLineEdit *Edit5 = nullptr;       // 被访者
    QLineEdit *Edit10 = nullptr;      // 随行人数
    QLineEdit *Edit7 = nullptr;       // 登记时间
    QLineEdit *Edit8 = nullptr;       // 离开时间
    QLineEdit *Edit6 = nullptr;       // 当班门卫

    QFrame *Panel2 = nullptr;
    QLabel *Image1 = nullptr;         // main photo
    QLabel *Image_sfz = nullptr;      // card photo
    QComboBox *ComboBoxCamera1 = nullptr;
    QPushButton *SpeedButton1 = nullptr; // 拍照 (main photo)
    QListWidget *ListView_photo = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *N1 = nullptr;            // 打开
    QAction *N4 = nullptr;            // 删除
    QLineEdit *Edit_Camera = nullptr; // 随行人员姓名
    QComboBox *ComboBoxCamera2 = nullptr;
    QPushButton *SpeedButton2 = nullptr; // 拍照 (companion)
    QPushButton *BitBtn5 = nullptr;   // 读卡
    QPushButton *BitBtn2 = nullptr;   // 保存 / 离开
    QPushButton *BitBtn3 = nullptr;   // 关闭

    // The hidden slots.
    QString Label_ID;
    QString Label1_camera;
    QString Label1_cameraGUID;
    QString Label1_camera_sfz;
    QString Label1_camera_sfzGUID;
    QString Label2_camera;

    // The record of each companion photo entry, in list order.
    const std::vector<std::unique_ptr<imgInfo>> &companionPhotos() const { return m_photos; }
    const QImage &mainPicture() const { return m_mainPicture; }
    const QImage &cardPicture() const { return m_cardPicture; }

    // The ID number is shown masked (a guard other than admin viewing or
    // closing a stored visit); saving keeps the stored number.
    bool docNumberMasked() const { return m_docMasked; }
    // Snapshot files of this form's camera calls, deleted when it closes.
    const QStringList &snapshotFiles() const { return m_snapshots; }

public Q_SLOTS:
    void BitBtn2Click();  // 保存 / 离开
    void BitBtn3Click();  // 关闭
    void BitBtn5Click();  // 读卡
    void SpeedButton1Click(); // 拍照: main photo
    void SpeedButton2Click(); // 拍照: companion photo
    void N1Click();       // 打开
    void N4Click();       // 删除
    void Image1DblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void FormClose() override;

private:
    void buildControls();
    void makeReadOnly();
    void FormCreate();
    void loadVisit();
    void applyLimits();
    void addCompanionEntry(std::unique_ptr<imgInfo> img);
    int selectedPhotoRow() const; // -1 when no entry is selected
    bool showPicture(QLabel *target, QImage &store, const QString &path);
    void storeCameraChoices();
    // Watchlist hits for the visitor: logged, shown; for a forbidding entry
    // at saving, the guard's answer (true: register anyway).
    bool checkWatchlist(const QString &docNumber, const QString &name, bool saving);
    // Deletes the card files of a card read taken over and the snapshot
    // files of the camera calls (their pictures are in the store by now, or
    // the form was closed without saving).
    void removeStrayCopies();

    QString m_visitId;
    bool m_leave = false;
    bool m_editable = true;
    // The stored birth date text and the picker's date after loading: an
    // untouched picker writes the stored text back unchanged (also when it
    // was empty).
    QString m_loadedBirthDate;
    QDate m_loadedBirthPickerDate;
    bool m_visitLoaded = false;
    QImage m_mainPicture;
    QImage m_cardPicture;
    std::vector<std::unique_ptr<imgInfo>> m_photos;
    bool m_docMasked = false;
    QString m_storedDocNumber;
    QString m_cardFolder; // set once a card read was taken over
    QStringList m_snapshots;
};

// The default card reader hook: the card reader window, modally, and the
// card photo "zp.bmp" it leaves in the card folder.
std::optional<CardReading> readCardWithReaderWindow(QWidget *owner);

} // namespace vondrel
