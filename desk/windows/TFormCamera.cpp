#include "TFormCamera.h"

#include "CameraSourceSetup.h"
#include "DataFolder.h"
#include "Reporter.h"

#include <Quorvel.h>

#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

namespace vondrel {

namespace {

// The record's picture path: UTF-16 units at byte 372, up to the first NUL
// (or the end of its 260 units). Copied out, as the block need not be aligned.
QString recordFile(const unsigned char *block)
{
    constexpr std::size_t fileUnits = sizeof(CameraEventRecord::file) / sizeof(char16_t);
    char16_t units[fileUnits];
    std::memcpy(units, block + offsetof(CameraEventRecord, file), sizeof units);
    std::size_t n = 0;
    while (n < fileUnits && units[n] != 0)
        ++n;
    return QString::fromUtf16(units, qsizetype(n));
}

QLabel *panel(const QString &caption, QWidget *parent)
{
    auto *p = new QLabel(caption, parent);
    p->setAlignment(Qt::AlignCenter);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setFixedSize(TFormCamera::previewWidth, TFormCamera::previewHeight);
    return p;
}

} // namespace

TFormCamera::TFormCamera(QWidget *owner, int cameraIndex, ReturnInfo *returnInfo)
    : TFormbase(owner), m_cameraIndex(cameraIndex), m_returnInfo(returnInfo)
{
    if (m_returnInfo)
        m_returnInfo->accepted = false;
    // No close box: the window ends through "确定" or "取消".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("摄像头拍照"));
    buildControls();

    // A machine without any camera gets the library's test picture.
    prepareCameraSources(filesFolder());
    // Closing ends the whole library state, so every opening starts it anew.
    Quorvel_Init();
    Quorvel_open(this, this, PanelCamera, m_cameraIndex);
    m_cameraOpen = true;
}

TFormCamera::~TFormCamera()
{
    closeCamera();
}

void TFormCamera::buildControls()
{
    auto *client = clientArea();
    auto *outer = new QVBoxLayout(client);
    auto *row = new QHBoxLayout;
    outer->addLayout(row);

    PanelCamera = panel(QStringLiteral("预览"), client);
    PanelCamera->setObjectName(QStringLiteral("PanelCamera"));
    row->addWidget(PanelCamera);

    BitBtn5 = new QPushButton(QStringLiteral("拍照==>"), client);
    row->addWidget(BitBtn5, 0, Qt::AlignVCenter);

    PanelPhoto = panel(QStringLiteral("照片"), client);
    PanelPhoto->setObjectName(QStringLiteral("PanelPhoto"));
    Image1 = new QLabel(PanelPhoto);
    Image1->setScaledContents(true);
    Image1->setGeometry(PanelPhoto->contentsRect());
    row->addWidget(PanelPhoto);

    auto *buttons = new QHBoxLayout;
    BitBtn3 = new QPushButton(QStringLiteral("画面设置"), client);
    BitBtn1 = new QPushButton(QStringLiteral("确定"), client);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), client);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    outer->addLayout(buttons);
    for (QPushButton *b : {BitBtn5, BitBtn3, BitBtn1, BitBtn2})
        b->setAutoDefault(false);

    connect(BitBtn5, &QPushButton::clicked, this, &TFormCamera::BitBtn5Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormCamera::BitBtn3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormCamera::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormCamera::BitBtn2Click);
}

void TFormCamera::BitBtn5Click()
{
    Quorvel_Capture(this, m_cameraIndex);
}

void TFormCamera::BitBtn3Click()
{
    Quorvel_OpenSettings(this, m_cameraIndex, 1);
}

void TFormCamera::BitBtn1Click()
{
    if (m_returnInfo)
        m_returnInfo->accepted = true;
    close();
}

void TFormCamera::BitBtn2Click()
{
    if (m_returnInfo)
        m_returnInfo->accepted = false;
    close();
}

bool TFormCamera::CopyDataReceived(const void *data, std::size_t size)
{
    if (!data || size != sizeof(CameraEventRecord))
        return false;
    const auto *block = static_cast<const unsigned char *>(data);
    std::int32_t type = 0;
    std::memcpy(&type, block + offsetof(CameraEventRecord, type), sizeof type);
    const QString path = recordFile(block);
    if (type != QuorvelEvent_CaptureSnapshot || path.isEmpty() || !QFileInfo::exists(path))
        return false;

    if (m_returnInfo) {
        m_returnInfo->picturePath = path;
        if (!m_returnInfo->snapshots.contains(path))
            m_returnInfo->snapshots << path;
    }
    setWindowTitle(path);
    QImage picture;
    if (picture.load(path)) {
        Image1->setPixmap(QPixmap::fromImage(picture));
    } else {
        // The path stays handed back; the caller tries the file itself.
        Image1->clear();
        reportError(QStringLiteral("无法读取图片文件：%1").arg(path));
    }
    return true;
}

bool TFormCamera::event(QEvent *e)
{
    if (e->type() == QuorvelCameraEventType) {
        // Checked by type: the library's classes are not visible to dynamic_cast.
        const auto *copy = static_cast<const QuorvelCameraEvent *>(e);
        CopyDataReceived(&copy->record, copy->size);
        return true;
    }
    return TFormbase::event(e);
}

void TFormCamera::keyPressEvent(QKeyEvent *e)
{
    // Escape presses "取消".
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        BitBtn2->click();
        return;
    }
    TFormbase::keyPressEvent(e);
}

void TFormCamera::FormClose()
{
    closeCamera();
    TFormbase::FormClose();
}

void TFormCamera::closeCamera()
{
    if (!m_cameraOpen)
        return;
    m_cameraOpen = false;
    // Failures of the library's shutdown are not the guard's concern.
    try {
        Quorvel_close(PanelCamera, m_cameraIndex);
    } catch (...) {
    }
}

std::optional<QString> takeCameraPicture(QWidget *owner, int cameraIndex, QStringList *snapshots)
{
    ReturnInfo info;
    // The window frees itself when closed.
    auto *window = new TFormCamera(owner, cameraIndex, &info);
    window->exec();
    if (snapshots)
        *snapshots << info.snapshots;
    if (!info.accepted)
        return std::nullopt;
    return info.picturePath;
}

} // namespace vondrel
