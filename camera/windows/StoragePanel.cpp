// Page 5: where recordings and pictures go, the picture format and the
// recording format. Everything is taken over when the window closes.
#include "MediaPanels.h"

#include "CDataClass.h"
#include "DeviceEnum.h"
#include "MediaPanelRules.h"
#include "Option.h"
#include "PanelWidgets.h"
#include "UsbCamera.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

namespace quorvel {

namespace {

QComboBox *list(const QStringList &items, const QString &name, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QCheckBox *checkBox(const QString &text, const QString &name, QWidget *parent)
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(name);
    return c;
}

// A folder as the records keep it: with a trailing "/".
QString folderText(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// The stored name when nothing is selected: an absent name stays as it is.
QString chosenName(const QComboBox *list, const QString &stored)
{
    return list->currentIndex() >= 0 ? list->currentText() : stored;
}

} // namespace

TFrame_Panel5::TFrame_Panel5(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    chooseFolder = [this](const QString &title, const QString &start) {
        return QFileDialog::getExistingDirectory(this, title, start);
    };

    // Folders and pictures.
    auto *folders = new QGroupBox(QStringLiteral("存放路径"), this);
    Edit_VideoPath = new QLineEdit(folders);
    Edit_VideoPath->setObjectName(QStringLiteral("Edit_VideoPath"));
    Edit_VideoPath->setReadOnly(true);
    Edit_VideoPath->setMinimumWidth(320);
    BitBtn1 = button(QStringLiteral("选择目录"), QStringLiteral("BitBtn1"), folders);
    Edit_ImagePath = new QLineEdit(folders);
    Edit_ImagePath->setObjectName(QStringLiteral("Edit_ImagePath"));
    Edit_ImagePath->setReadOnly(true);
    BitBtn4 = button(QStringLiteral("选择目录"), QStringLiteral("BitBtn4"), folders);
    ComboBox_GraphFormat = list({QStringLiteral("Jpg"), QStringLiteral("Bmp")}, QStringLiteral("ComboBox_GraphFormat"),
                                folders);
    CheckBox_graph_filename_nochange =
        checkBox(QStringLiteral("图片保存为固定文件名"), QStringLiteral("CheckBox_graph_filename_nochange"), folders);
    Edit_graph_filename_nochange_text = new QLineEdit(folders);
    Edit_graph_filename_nochange_text->setObjectName(QStringLiteral("Edit_graph_filename_nochange_text"));
    auto *fg = new QGridLayout(folders);
    fg->addWidget(new QLabel(QStringLiteral("录像存放"), folders), 0, 0);
    fg->addWidget(Edit_VideoPath, 0, 1);
    fg->addWidget(BitBtn1, 0, 2);
    fg->addWidget(new QLabel(QStringLiteral("图片存放"), folders), 1, 0);
    fg->addWidget(Edit_ImagePath, 1, 1);
    fg->addWidget(BitBtn4, 1, 2);
    fg->addWidget(new QLabel(QStringLiteral("图象格式"), folders), 2, 0);
    fg->addWidget(ComboBox_GraphFormat, 2, 1, Qt::AlignLeft);
    fg->addWidget(CheckBox_graph_filename_nochange, 3, 0, 1, 2);
    fg->addWidget(Edit_graph_filename_nochange_text, 4, 1);

    // Recording format.
    auto *recording = new QGroupBox(QStringLiteral("录像设置"), this);
    ComboBox_VideoFormat = list({QStringLiteral("WMV"), QStringLiteral("AVI")}, QStringLiteral("ComboBox_VideoFormat"),
                                recording);
    CheckBox_VideoFormat = checkBox(QStringLiteral("使用推荐值"), QStringLiteral("CheckBox_VideoFormat"), recording);
    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(QStringLiteral("视频格式"), recording));
    formatRow->addWidget(ComboBox_VideoFormat);
    formatRow->addWidget(CheckBox_VideoFormat);
    formatRow->addStretch();

    Panel_wmv = new QWidget(recording);
    Panel_wmv->setObjectName(QStringLiteral("Panel_wmv"));
    ComboBox_WMVSIZE = list(frameSizeNames(), QStringLiteral("ComboBox_WMVSIZE"), Panel_wmv);
    ComboBox_WMVFPS = list(frameRateNames(), QStringLiteral("ComboBox_WMVFPS"), Panel_wmv);
    TrackBar_WMVBitRate = new QSlider(Qt::Horizontal, Panel_wmv);
    TrackBar_WMVBitRate->setObjectName(QStringLiteral("TrackBar_WMVBitRate"));
    TrackBar_WMVBitRate->setRange(kMinBitRate, kMaxBitRate);
    Label_WMVBitRate = new QLabel(bitRateText(kMaxBitRate), Panel_wmv);
    Label_WMVBitRate->setObjectName(QStringLiteral("Label_WMVBitRate"));
    Label_WMVBitRate->setMinimumWidth(Label_WMVBitRate->sizeHint().width());
    CheckBox_WMVAudio = checkBox(QStringLiteral("包括音频"), QStringLiteral("CheckBox_WMVAudio"), Panel_wmv);
    auto *wg = new QGridLayout(Panel_wmv);
    wg->setContentsMargins(0, 0, 0, 0);
    wg->addWidget(new QLabel(QStringLiteral("视频大小"), Panel_wmv), 0, 0);
    wg->addWidget(ComboBox_WMVSIZE, 0, 1, Qt::AlignLeft);
    wg->addWidget(new QLabel(QStringLiteral("帧率"), Panel_wmv), 1, 0);
    wg->addWidget(ComboBox_WMVFPS, 1, 1, Qt::AlignLeft);
    wg->addWidget(new QLabel(QStringLiteral("视频质量（码率）"), Panel_wmv), 2, 0);
    wg->addWidget(TrackBar_WMVBitRate, 2, 1);
    wg->addWidget(Label_WMVBitRate, 2, 2);
    wg->addWidget(CheckBox_WMVAudio, 3, 0, 1, 2);
    wg->setColumnStretch(1, 1);

    Panel_avi = new QWidget(recording);
    Panel_avi->setObjectName(QStringLiteral("Panel_avi"));
    ComboBox_CompressFilter =
        list(m_option ? m_option->videoCompressors : QStringList(), QStringLiteral("ComboBox_CompressFilter"), Panel_avi);
    CheckBox_CompressFilter = checkBox(QStringLiteral("使用推荐值"), QStringLiteral("CheckBox_CompressFilter"), Panel_avi);
    auto *sound = new QGroupBox(QStringLiteral("音频录制"), Panel_avi);
    CheckBox_Audio = checkBox(QStringLiteral("启用"), QStringLiteral("CheckBox_Audio"), sound);
    m_soundControls = new QWidget(sound);
    ComboBox_AudioFilter =
        list(m_option ? m_option->audioInputs : QStringList(), QStringLiteral("ComboBox_AudioFilter"), m_soundControls);
    ComboBox_CompressFilter_Audio = list(m_option ? m_option->audioCompressors : QStringList(),
                                         QStringLiteral("ComboBox_CompressFilter_Audio"), m_soundControls);
    CheckBox_CompressFilter_Audio =
        checkBox(QStringLiteral("使用推荐值"), QStringLiteral("CheckBox_CompressFilter_Audio"), m_soundControls);
    auto *sg = new QGridLayout(m_soundControls);
    sg->setContentsMargins(0, 0, 0, 0);
    sg->addWidget(new QLabel(QStringLiteral("音频输入设备"), m_soundControls), 0, 0);
    sg->addWidget(ComboBox_AudioFilter, 0, 1);
    sg->addWidget(new QLabel(QStringLiteral("音频压缩"), m_soundControls), 1, 0);
    sg->addWidget(ComboBox_CompressFilter_Audio, 1, 1);
    sg->addWidget(CheckBox_CompressFilter_Audio, 1, 2);
    sg->setColumnStretch(1, 1);
    auto *sl = new QVBoxLayout(sound);
    sl->addWidget(CheckBox_Audio);
    sl->addWidget(m_soundControls);
    auto *ag = new QGridLayout(Panel_avi);
    ag->setContentsMargins(0, 0, 0, 0);
    ag->addWidget(new QLabel(QStringLiteral("视频压缩"), Panel_avi), 0, 0);
    ag->addWidget(ComboBox_CompressFilter, 0, 1);
    ag->addWidget(CheckBox_CompressFilter, 0, 2);
    ag->addWidget(sound, 1, 0, 1, 3);
    ag->setColumnStretch(1, 1);

    auto *rl = new QVBoxLayout(recording);
    rl->addLayout(formatRow);
    rl->addWidget(Panel_wmv);
    rl->addWidget(Panel_avi);
    rl->addStretch();

    auto *main = new QVBoxLayout(this);
    main->addWidget(folders);
    main->addWidget(recording, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &TFrame_Panel5::chooseVideoFolder);
    connect(BitBtn4, &QPushButton::clicked, this, &TFrame_Panel5::chooseImageFolder);
    connect(CheckBox_graph_filename_nochange, &QCheckBox::toggled, Edit_graph_filename_nochange_text,
            &QWidget::setEnabled);
    connect(ComboBox_VideoFormat, &QComboBox::currentIndexChanged, this, [this] { showFormatPanel(); });
    connect(CheckBox_VideoFormat, &QCheckBox::clicked, this, &TFrame_Panel5::videoFormatRecommended);
    connect(TrackBar_WMVBitRate, &QSlider::valueChanged, this,
            [this](int v) { Label_WMVBitRate->setText(bitRateText(v)); });
    connect(CheckBox_CompressFilter, &QCheckBox::clicked, this, [this](bool on) {
        useRecommended(ComboBox_CompressFilter, on,
                       recommendedVideoCompressor(m_option ? m_option->videoCompressors : QStringList()));
    });
    connect(CheckBox_CompressFilter_Audio, &QCheckBox::clicked, this, [this](bool on) {
        useRecommended(ComboBox_CompressFilter_Audio, on,
                       recommendedAudioCompressor(m_option ? m_option->audioCompressors : QStringList()));
    });
    connect(CheckBox_Audio, &QCheckBox::clicked, this, &TFrame_Panel5::soundSwitched);

    Edit_graph_filename_nochange_text->setEnabled(false);
    m_soundControls->setEnabled(false);
    showFormatPanel();
}

void TFrame_Panel5::showFormatPanel()
{
    const int format = ComboBox_VideoFormat->currentIndex();
    Panel_wmv->setVisible(format == 0);
    Panel_avi->setVisible(format == 1);
}

void TFrame_Panel5::videoFormatRecommended(bool on)
{
    if (on)
        ComboBox_VideoFormat->setCurrentIndex(0);
    ComboBox_VideoFormat->setEnabled(!on);
}

void TFrame_Panel5::useRecommended(QComboBox *names, bool on, const QString &recommended)
{
    if (!on) {
        names->setEnabled(true);
        return;
    }
    const RecommendedChoice choice = recommendedChoice(
        [names] {
            QStringList items;
            for (int i = 0; i < names->count(); ++i)
                items << names->itemText(i);
            return items;
        }(),
        recommended);
    if (choice.index >= 0)
        names->setCurrentIndex(choice.index);
    names->setEnabled(!choice.lockList);
}

void TFrame_Panel5::soundSwitched(bool on)
{
    m_soundControls->setEnabled(on);
    if (on && ComboBox_AudioFilter->currentIndex() < 0 && ComboBox_AudioFilter->count() > 0)
        ComboBox_AudioFilter->setCurrentIndex(0);
}

void TFrame_Panel5::chooseVideoFolder()
{
    const QString chosen = chooseFolder(text(486, QStringLiteral("选择录像存放目录")), Edit_VideoPath->text());
    if (!chosen.isEmpty())
        Edit_VideoPath->setText(folderText(chosen));
}

void TFrame_Panel5::chooseImageFolder()
{
    const QString chosen = chooseFolder(text(487, QStringLiteral("选择图片存放目录")), Edit_ImagePath->text());
    if (!chosen.isEmpty())
        Edit_ImagePath->setText(folderText(chosen));
}

void TFrame_Panel5::load()
{
    if (!m_cam)
        return;
    Edit_VideoPath->setText(m_cam->CapDirRoot());
    Edit_ImagePath->setText(m_cam->ImgDirRoot());
    CDataClass d;
    {
        auto guard = m_cam->LockSettings();
        d = m_cam->Data();
    }
    const auto inRange = [](int v, int count) { return v >= 0 && v < count ? v : -1; };
    ComboBox_GraphFormat->setCurrentIndex(inRange(d.m_GraphFormat, 2));
    CheckBox_graph_filename_nochange->setChecked(d.m_FixedFileName);
    Edit_graph_filename_nochange_text->setText(d.m_FixedFileNameText);
    Edit_graph_filename_nochange_text->setEnabled(d.m_FixedFileName);

    ComboBox_VideoFormat->setCurrentIndex(inRange(d.m_VideoFormat, 2));
    CheckBox_VideoFormat->setChecked(d.m_VideoFormatRecommended);
    if (d.m_VideoFormatRecommended)
        videoFormatRecommended(true);
    ComboBox_WMVSIZE->setCurrentIndex(inRange(d.m_WMVSize, ComboBox_WMVSIZE->count()));
    ComboBox_WMVFPS->setCurrentIndex(inRange(d.m_WMVFPS, ComboBox_WMVFPS->count()));
    TrackBar_WMVBitRate->setValue(d.m_WMVBitRate);
    Label_WMVBitRate->setText(bitRateText(TrackBar_WMVBitRate->value()));
    CheckBox_WMVAudio->setChecked(d.m_WMVAudio);

    // Stored names are found by their position in the installed lists;
    // one that is not installed selects nothing.
    ComboBox_CompressFilter->setCurrentIndex(positionOf(m_option ? m_option->videoCompressors : QStringList(),
                                                        d.m_VideoCompressor));
    CheckBox_CompressFilter->setChecked(d.m_VideoCompressorRecommended);
    ComboBox_AudioFilter->setCurrentIndex(positionOf(m_option ? m_option->audioInputs : QStringList(),
                                                     d.m_AudioDevice));
    ComboBox_CompressFilter_Audio->setCurrentIndex(
        positionOf(m_option ? m_option->audioCompressors : QStringList(), d.m_AudioCompressor));
    CheckBox_CompressFilter_Audio->setChecked(d.m_AudioCompressorRecommended);
    // A ticked box keeps its list locked as it was when ticked.
    const auto lockIfRecommended = [](QComboBox *names, bool on) {
        names->setEnabled(!(on && names->currentIndex() > 0));
    };
    lockIfRecommended(ComboBox_CompressFilter, d.m_VideoCompressorRecommended);
    lockIfRecommended(ComboBox_CompressFilter_Audio, d.m_AudioCompressorRecommended);
    CheckBox_Audio->setChecked(d.m_Audio);
    m_soundControls->setEnabled(d.m_Audio);
    showFormatPanel();
}

void TFrame_Panel5::save()
{
    if (!m_cam)
        return;
    m_cam->SetCapDirRoot(Edit_VideoPath->text());
    m_cam->SetImgDirRoot(Edit_ImagePath->text());
    // The snapshot path reads the picture settings while frames run.
    auto guard = m_cam->LockSettings();
    CDataClass &d = m_cam->Data();
    if (ComboBox_GraphFormat->currentIndex() >= 0)
        d.m_GraphFormat = ComboBox_GraphFormat->currentIndex();
    d.m_FixedFileName = CheckBox_graph_filename_nochange->isChecked();
    d.m_FixedFileNameText = Edit_graph_filename_nochange_text->text();
    if (ComboBox_VideoFormat->currentIndex() >= 0)
        d.m_VideoFormat = ComboBox_VideoFormat->currentIndex();
    d.m_VideoFormatRecommended = CheckBox_VideoFormat->isChecked();
    if (ComboBox_WMVSIZE->currentIndex() >= 0)
        d.m_WMVSize = ComboBox_WMVSIZE->currentIndex();
    if (ComboBox_WMVFPS->currentIndex() >= 0)
        d.m_WMVFPS = ComboBox_WMVFPS->currentIndex();
    d.m_WMVBitRate = TrackBar_WMVBitRate->value();
    d.m_WMVAudio = CheckBox_WMVAudio->isChecked();
    d.m_VideoCompressor = chosenName(ComboBox_CompressFilter, d.m_VideoCompressor);
    d.m_VideoCompressorRecommended = CheckBox_CompressFilter->isChecked();
    d.m_Audio = CheckBox_Audio->isChecked();
    d.m_AudioDevice = chosenName(ComboBox_AudioFilter, d.m_AudioDevice);
    d.m_AudioCompressor = chosenName(ComboBox_CompressFilter_Audio, d.m_AudioCompressor);
    d.m_AudioCompressorRecommended = CheckBox_CompressFilter_Audio->isChecked();
}

} // namespace quorvel
