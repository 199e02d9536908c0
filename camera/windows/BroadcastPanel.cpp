// Page 7: the camera's network broadcast, with a test broadcast that shows
// the local and public addresses.
#include "MediaPanels.h"

#include "CDataClass.h"
#include "LibReporter.h"
#include "MediaPanelRules.h"
#include "Option.h"
#include "PanelWidgets.h"
#include "RecordClass_Broadcast.h"
#include "UsbCamera.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace quorvel {

TFrame_Panel7::TFrame_Panel7(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    openAddress = [](const QUrl &url) { return QDesktopServices::openUrl(url); };

    Panel7 = new PreviewArea(this);
    Panel7->setObjectName(QStringLiteral("Panel7"));

    auto *settings = new QGroupBox(QStringLiteral("直播参数"), this);
    ComboBox_profile = new QComboBox(settings);
    ComboBox_profile->setObjectName(QStringLiteral("ComboBox_profile"));
    ComboBox_profile->addItems(frameSizeNames());
    ComboBox_profile_fps = new QComboBox(settings);
    ComboBox_profile_fps->setObjectName(QStringLiteral("ComboBox_profile_fps"));
    ComboBox_profile_fps->addItems(frameRateNames());
    TrackBar_BitRate = new QSlider(Qt::Horizontal, settings);
    TrackBar_BitRate->setObjectName(QStringLiteral("TrackBar_BitRate"));
    TrackBar_BitRate->setRange(kMinBitRate, kMaxBitRate);
    Label_BitRate = new QLabel(bitRateText(kMaxBitRate), settings);
    Label_BitRate->setObjectName(QStringLiteral("Label_BitRate"));
    Label_BitRate->setMinimumWidth(Label_BitRate->sizeHint().width());
    Edit_port = new QLineEdit(settings);
    Edit_port->setObjectName(QStringLiteral("Edit_port"));
    Edit_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), Edit_port));
    CSpinEdit_maxClient = new QSpinBox(settings);
    CSpinEdit_maxClient->setObjectName(QStringLiteral("CSpinEdit_maxClient"));
    CSpinEdit_maxClient->setRange(1, 20);
    CheckBox_audio = new QCheckBox(QStringLiteral("直播包含音频"), settings);
    CheckBox_audio->setObjectName(QStringLiteral("CheckBox_audio"));
    BitBtn5 = button(QStringLiteral("测试"), QStringLiteral("BitBtn5"), settings);
    auto *g = new QGridLayout(settings);
    g->addWidget(new QLabel(QStringLiteral("选择配置"), settings), 0, 0);
    g->addWidget(ComboBox_profile, 0, 1, Qt::AlignLeft);
    g->addWidget(new QLabel(QStringLiteral("帧率"), settings), 1, 0);
    g->addWidget(ComboBox_profile_fps, 1, 1, Qt::AlignLeft);
    g->addWidget(new QLabel(QStringLiteral("视频质量（码率）"), settings), 2, 0);
    g->addWidget(TrackBar_BitRate, 2, 1);
    g->addWidget(Label_BitRate, 2, 2);
    g->addWidget(new QLabel(QStringLiteral("直播端口"), settings), 3, 0);
    g->addWidget(Edit_port, 3, 1, Qt::AlignLeft);
    g->addWidget(new QLabel(QStringLiteral("允许最多客户端"), settings), 4, 0);
    g->addWidget(CSpinEdit_maxClient, 4, 1, Qt::AlignLeft);
    g->addWidget(CheckBox_audio, 5, 0, 1, 2);
    g->addWidget(BitBtn5, 6, 0);
    g->setColumnStretch(1, 1);

    m_addresses = new QWidget(this);
    Label_LocalIP = new QLineEdit(m_addresses);
    Label_LocalIP->setObjectName(QStringLiteral("Label_LocalIP"));
    Label_LocalIP->setReadOnly(true);
    Label_publicIP = new QLineEdit(m_addresses);
    Label_publicIP->setObjectName(QStringLiteral("Label_publicIP"));
    Label_publicIP->setReadOnly(true);
    SpeedButton1 = button(QStringLiteral("播放"), QStringLiteral("SpeedButton1"), m_addresses);
    SpeedButton1->setToolTip(QStringLiteral("用播放器打开外网地址"));
    SpeedButton2 = button(QStringLiteral("播放"), QStringLiteral("SpeedButton2"), m_addresses);
    SpeedButton2->setToolTip(QStringLiteral("用播放器打开本地地址"));
    auto *ag = new QGridLayout(m_addresses);
    ag->setContentsMargins(0, 0, 0, 0);
    ag->addWidget(new QLabel(QStringLiteral("本地地址"), m_addresses), 0, 0);
    ag->addWidget(Label_LocalIP, 0, 1);
    ag->addWidget(SpeedButton2, 0, 2);
    ag->addWidget(new QLabel(QStringLiteral("外网地址"), m_addresses), 1, 0);
    ag->addWidget(Label_publicIP, 1, 1);
    ag->addWidget(SpeedButton1, 1, 2);
    Label_LocalIP->setMinimumWidth(260);

    ListView2 = new ScheduleList(QStringLiteral("定时直播"), option, this);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setMinimumWidth(380);  // the four columns without a scroll bar

    auto *left = new QVBoxLayout;
    left->addWidget(Panel7);
    left->addWidget(m_addresses);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(settings);
    right->addWidget(ListView2, 1);
    auto *main = new QHBoxLayout(this);
    main->addLayout(left);
    main->addLayout(right, 1);

    connect(TrackBar_BitRate, &QSlider::valueChanged, this, [this](int v) { Label_BitRate->setText(bitRateText(v)); });
    connect(BitBtn5, &QPushButton::clicked, this, &TFrame_Panel7::test);
    connect(SpeedButton1, &QPushButton::clicked, this, [this] {
        if (!Label_publicIP->text().isEmpty())
            openAddress(QUrl(Label_publicIP->text()));
    });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] {
        if (!Label_LocalIP->text().isEmpty())
            openAddress(QUrl(Label_LocalIP->text()));
    });
    showAddresses(false);
}

void TFrame_Panel7::showAddresses(bool on)
{
    // Hidden but kept in the layout, so the window does not jump.
    QSizePolicy keep = m_addresses->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_addresses->setSizePolicy(keep);
    m_addresses->setVisible(on);
}

void TFrame_Panel7::load()
{
    if (!m_cam)
        return;
    const CDataClass &d = m_cam->Data();
    ComboBox_profile->setCurrentIndex(broadcastSizeShown(d.m_BroadcastSize));
    ComboBox_profile_fps->setCurrentIndex(broadcastRateShown(d.m_BroadcastFPS));
    TrackBar_BitRate->setValue(broadcastBitRateShown(d.m_BroadcastBitRate));
    Label_BitRate->setText(bitRateText(TrackBar_BitRate->value()));
    Edit_port->setText(QString::asprintf("%lu", static_cast<unsigned long>(static_cast<std::uint32_t>(d.m_Port))));
    CSpinEdit_maxClient->setValue(d.m_maxClient);
    CheckBox_audio->setChecked(d.m_BroadcastAudio);
    if (m_cam->m_pBroadcast)
        ListView2->load(*m_cam->m_pBroadcast);
}

int TFrame_Panel7::portToStore()
{
    const int stored = m_cam->Data().m_Port;
    if (const std::optional<int> port = readPortNumber(Edit_port->text()))
        return *port;
    reportPlain(QStringLiteral("直播端口“%1”不是 1 到 65535 之间的数字，仍使用端口 %2。")
                    .arg(Edit_port->text())
                    .arg(stored));
    Edit_port->setText(QString::number(stored));
    return stored;
}

void TFrame_Panel7::save()
{
    if (!m_cam)
        return;
    CDataClass &d = m_cam->Data();
    d.m_BroadcastSize = ComboBox_profile->currentIndex();
    d.m_BroadcastFPS = ComboBox_profile_fps->currentIndex();
    d.m_BroadcastBitRate = TrackBar_BitRate->value();
    d.m_Port = portToStore();
    d.m_maxClient = CSpinEdit_maxClient->value();
    d.m_BroadcastAudio = CheckBox_audio->isChecked();
    if (m_cam->m_pBroadcast)
        ListView2->save(*m_cam->m_pBroadcast);
}

void TFrame_Panel7::test()
{
    if (!m_cam)
        return;
    if (m_cam->IsBroadcasting()) {
        m_cam->StopBroadcast();
        m_testRunning = false;
        showAddresses(false);
        return;
    }
    save();
    m_cam->BuildPublicUrl();
    if (!m_cam->StartBroadcast(false))
        return;  // the camera has said why
    m_testRunning = true;
    Label_LocalIP->setText(m_cam->m_LocalUrl);
    Label_publicIP->setText(m_cam->m_PublicUrl);
    showAddresses(true);
}

void TFrame_Panel7::closing()
{
    if (m_cam && m_testRunning && m_cam->IsBroadcasting())
        m_cam->StopBroadcast();
    m_testRunning = false;
}

} // namespace quorvel
