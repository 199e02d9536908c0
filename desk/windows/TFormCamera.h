#pragma once
// "摄像头拍照": the desk's one window onto the camera library. It starts the
// library, shows one camera's live picture in PanelCamera, asks for
// snapshots, shows the snapshot the library reports back, and hands its path
// to the caller's ReturnInfo when the guard accepts it with "确定".
#include "ReturnInfo.h"
#include "TFormbase.h"

#include <QString>

#include <cstddef>
#include <optional>

class QLabel;
class QPushButton;

namespace vondrel {

class TFormCamera : public TFormbase {
    Q_OBJECT
public:
    // Sets returnInfo->accepted to false, starts the library and opens the
    // camera of `cameraIndex` (0..3) into PanelCamera. `returnInfo` belongs
    // to the caller and must outlive the window.
    TFormCamera(QWidget *owner, int cameraIndex, ReturnInfo *returnInfo);
    ~TFormCamera() override;

    QLabel *PanelCamera = nullptr;  // 预览: host of the live video
    QLabel *PanelPhoto = nullptr;   // 照片
    QLabel *Image1 = nullptr;       // the snapshot, stretched to PanelPhoto
    QPushButton *BitBtn5 = nullptr; // 拍照==>
    QPushButton *BitBtn3 = nullptr; // 画面设置
    QPushButton *BitBtn1 = nullptr; // 确定
    QPushButton *BitBtn2 = nullptr; // 取消

    int cameraIndex() const { return m_cameraIndex; }

    // The copy-data block of a camera event record (892 bytes). Acts only on
    // a snapshot requested through "拍照==>" (type 4) whose file exists;
    // returns true when it took the snapshot over.
    bool CopyDataReceived(const void *data, std::size_t size);

    static constexpr int previewWidth = 361;
    static constexpr int previewHeight = 285;

public Q_SLOTS:
    void BitBtn5Click(); // 拍照==>
    void BitBtn3Click(); // 画面设置
    void BitBtn1Click(); // 确定
    void BitBtn2Click(); // 取消

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void FormClose() override;

private:
    void buildControls();
    void closeCamera();

    int m_cameraIndex = 0;
    ReturnInfo *m_returnInfo = nullptr;
    bool m_cameraOpen = false;
};

// The registration form's camera call: opens the camera window modally over
// `owner` and returns the accepted snapshot's path (empty when "确定" came
// without a snapshot), or nothing when the guard cancelled.
// Every snapshot file the window showed is added to `snapshots` when given.
std::optional<QString> takeCameraPicture(QWidget *owner, int cameraIndex, QStringList *snapshots = nullptr);

} // namespace vondrel
