#include "SettingsWindows.h"

#include "MediaPanels.h"
#include "PanelWidgets.h"

#include "CAutoFont.h"
#include "CDataClass.h"
#include "Option.h"
#include "RecordClass.h"
#include "RecordClass_Broadcast.h"
#include "UsbCamera.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel {

namespace {

// Preview areas are half a 640 x 480 frame, so a mouse pixel is two video
// pixels.
constexpr QSize kPreviewSize(320, 240);

QToolButton *arrowButton(Qt::ArrowType type, const QString &name, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setArrowType(type);
    b->setObjectName(name);
    b->setAutoRepeat(true);
    return b;
}

// Up, left, down, right in a cross.
QWidget *arrowCross(QToolButton *up, QToolButton *left, QToolButton *down, QToolButton *right, QWidget *parent)
{
    auto *w = new QWidget(parent);
    auto *g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    g->setSpacing(2);
    g->addWidget(up, 0, 1);
    g->addWidget(left, 1, 0);
    g->addWidget(down, 1, 1);
    g->addWidget(right, 1, 2);
    return w;
}


} // namespace

// ---------------------------------------------------------------------------
// PreviewArea

PreviewArea::PreviewArea(QWidget *parent) : QWidget(parent)
{
    setFixedSize(kPreviewSize);
    m_width = kPreviewSize.width();
    m_height = kPreviewSize.height();
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize PreviewArea::testPictureSize() const
{
    return {m_width.load(), m_height.load()};
}

void PreviewArea::presentTestPicture(const QImage &picture)
{
    // The picture may wrap the frame's memory: keep a copy of our own.
    m_picture.store(std::make_shared<const QImage>(picture.copy()));
    if (!m_repaintQueued.exchange(true))
        QMetaObject::invokeMethod(this, [this] {
            m_repaintQueued = false;
            update();
        }, Qt::QueuedConnection);
}

void PreviewArea::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const auto picture = m_picture.load();
    if (picture && !picture->isNull()) {
        painter.drawImage(rect(), *picture);
        ++m_shown;
    } else {
        painter.fillRect(rect(), Qt::black);
    }
    if (overlay)
        overlay(painter);
}

void PreviewArea::resizeEvent(QResizeEvent *)
{
    m_width = width();
    m_height = height();
}

void PreviewArea::mousePressEvent(QMouseEvent *e)
{
    Q_EMIT mousePressed(e->position().toPoint(), e->button());
}

void PreviewArea::mouseMoveEvent(QMouseEvent *e)
{
    Q_EMIT mouseMoved(e->position().toPoint(), e->buttons());
}

void PreviewArea::mouseReleaseEvent(QMouseEvent *e)
{
    Q_EMIT mouseReleased(e->position().toPoint());
}

// ---------------------------------------------------------------------------
// ScheduleList

ScheduleList::ScheduleList(const QString &title, Option *option, QWidget *parent)
    : QWidget(parent), m_option(option)
{
    auto *box = new QGroupBox(title, this);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(box);
    m_list = new QTreeWidget(box);
    m_list->setObjectName(QStringLiteral("scheduleRows"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);  // thousands of rows stay quick
    m_list->setHeaderLabels({QStringLiteral("类型"), QStringLiteral("日期"), QStringLiteral("开始时间"),
                             QStringLiteral("结束时间")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setMinimumHeight(120);
    m_add = button(QStringLiteral("增加"), QStringLiteral("add"), box);
    m_delete = button(QStringLiteral("删除"), QStringLiteral("delete"), box);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    auto *row = new QHBoxLayout(box);
    row->addWidget(m_list, 1);
    row->addLayout(buttons);
    connect(m_add, &QPushButton::clicked, this, &ScheduleList::onAdd);
    connect(m_delete, &QPushButton::clicked, this, &ScheduleList::onDelete);
}

void ScheduleList::addEntry(const ScheduleEntry &entry)
{
    const TextLookup lookup = [this](int id) { return m_option ? m_option->getText(id) : QString(); };
    auto *item = new QTreeWidgetItem(scheduleRowTexts(entry, lookup));
    const auto bytes = entry.toBytes();
    item->setData(0, Qt::UserRole, QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())));
    m_list->addTopLevelItem(item);
}

std::vector<ScheduleEntry> ScheduleList::entries() const
{
    std::vector<ScheduleEntry> out;
    out.reserve(std::size_t(m_list->topLevelItemCount()));
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QByteArray b = m_list->topLevelItem(i)->data(0, Qt::UserRole).toByteArray();
        out.push_back(ScheduleEntry::fromBytes(reinterpret_cast<const std::uint8_t *>(b.constData()), int(b.size())));
    }
    return out;
}

void ScheduleList::load(const RecordClass_Broadcast &record)
{
    m_list->clear();
    QList<QTreeWidgetItem *> items;
    for (const ScheduleEntry &e : record.scheduleList)
        addEntry(e);
}

void ScheduleList::save(RecordClass_Broadcast &record) const
{
    const auto rows = entries();
    record.clearSchedule();
    for (const ScheduleEntry &e : rows)
        record.scheduleList.push_back(e);
}

void ScheduleList::onAdd()
{
    ScheduleEntry entry;
    auto *input = new TForm_recordinput(window(), entries(), &entry, m_option);
    QPointer<TForm_recordinput> guard(input);
    input->exec();
    delete guard.data();
    if (!entry.kindText().isEmpty())
        addEntry(entry);
}

void ScheduleList::onDelete()
{
    delete m_list->currentItem();
}

// ---------------------------------------------------------------------------
// Panels

TFramePanel::TFramePanel(UsbCamera *camera, Option *option, QWidget *parent)
    : QWidget(parent), m_cam(camera), m_option(option)
{
}

QString TFramePanel::text(int id, const QString &fallback) const
{
    return textOr([this](int i) { return m_option ? m_option->getText(i) : QString(); }, id, fallback);
}

SoundChooser::SoundChooser(Option *option, QWidget *parent) : QWidget(parent), m_option(option)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("声音："), this));
    m_combo = new QComboBox(this);
    m_combo->setEditable(true);
    m_combo->setObjectName(QStringLiteral("sound"));
    m_combo->setMinimumContentsLength(14);
    if (option && !option->mediaFolder.isEmpty()) {
        const QStringList wavs = QDir(option->mediaFolder)
                                     .entryList({QStringLiteral("*.wav"), QStringLiteral("*.WAV")}, QDir::Files);
        m_combo->addItems(wavs);
    }
    m_browse = button(QStringLiteral("浏览..."), QStringLiteral("browse"), this);
    m_play = button(QStringLiteral("▶"), QStringLiteral("play"), this);
    m_play->setToolTip(QStringLiteral("试听"));
    row->addWidget(m_combo, 1);
    row->addWidget(m_browse);
    row->addWidget(m_play);
    connect(m_play, &QPushButton::clicked, this, [this] {
        if (m_option && !sound().isEmpty())
            m_option->playSound(sound());
    });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString folder = m_option ? m_option->mediaFolder : QString();
        QString filter = m_option ? m_option->getText(490) : QString();
        if (filter.isEmpty())
            filter = QStringLiteral("Wave (*.wav)");
        QFileDialog dialog(this, QString(), folder, filter);
        dialog.setDefaultSuffix(QStringLiteral("wav"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            setSound(soundChoice(dialog.selectedFiles().front(), folder));
    });
}

QString SoundChooser::sound() const
{
    return m_combo->currentText();
}

void SoundChooser::setSound(const QString &name)
{
    m_combo->setEditText(name);
}

// --- Panel 1 ---------------------------------------------------------------

TFrame_Panel1::TFrame_Panel1(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    Panel1 = new PreviewArea(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    auto *caption = new QGroupBox(QStringLiteral("字幕设置"), this);
    Edit1 = new QLineEdit(caption);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    SpeedButton14 = button(QStringLiteral("确定修改字幕"), QStringLiteral("SpeedButton14"), caption);
    SpeedButton12 = button(QStringLiteral("字体"), QStringLiteral("SpeedButton12"), caption);
    SpeedButton13 = button(QStringLiteral("颜色"), QStringLiteral("SpeedButton13"), caption);
    SpeedButton15 = arrowButton(Qt::UpArrow, QStringLiteral("SpeedButton15"), caption);
    SpeedButton16 = arrowButton(Qt::LeftArrow, QStringLiteral("SpeedButton16"), caption);
    SpeedButton17 = arrowButton(Qt::DownArrow, QStringLiteral("SpeedButton17"), caption);
    SpeedButton18 = arrowButton(Qt::RightArrow, QStringLiteral("SpeedButton18"), caption);
    auto *cg = new QGridLayout(caption);
    cg->addWidget(new QLabel(QStringLiteral("字幕内容"), caption), 0, 0);
    cg->addWidget(Edit1, 0, 1, 1, 3);
    cg->addWidget(SpeedButton14, 1, 1);
    cg->addWidget(SpeedButton12, 1, 2);
    cg->addWidget(SpeedButton13, 1, 3);
    cg->addWidget(arrowCross(SpeedButton15, SpeedButton16, SpeedButton17, SpeedButton18, caption), 2, 1, 1, 3,
                  Qt::AlignLeft);

    auto *timeBox = new QGroupBox(QStringLiteral("显示时间"), this);
    CheckBox_timer = new QCheckBox(QStringLiteral("启用"), timeBox);
    CheckBox_timer->setObjectName(QStringLiteral("CheckBox_timer"));
    m_timeControls = new QWidget(timeBox);
    ComboBox_TimerFormat = new QComboBox(m_timeControls);
    ComboBox_TimerFormat->setObjectName(QStringLiteral("ComboBox_TimerFormat"));
    ComboBox_TimerFormat->addItems({QStringLiteral("y/m/d h:m:s"), QStringLiteral("y/m/d/w h:m:s"),
                                    QStringLiteral("w:h:m:s"), QStringLiteral("h:m:s")});
    SpeedButton_TimerFont = button(QStringLiteral("字体"), QStringLiteral("SpeedButton_TimerFont"), m_timeControls);
    SpeedButton_TimerColor = button(QStringLiteral("颜色"), QStringLiteral("SpeedButton_TimerColor"), m_timeControls);
    SpeedButton_TimerUp = arrowButton(Qt::UpArrow, QStringLiteral("SpeedButton_TimerUp"), m_timeControls);
    SpeedButton_TimerLeft = arrowButton(Qt::LeftArrow, QStringLiteral("SpeedButton_TimerLeft"), m_timeControls);
    SpeedButton_TimerDown = arrowButton(Qt::DownArrow, QStringLiteral("SpeedButton_TimerDown"), m_timeControls);
    SpeedButton_TimerRight = arrowButton(Qt::RightArrow, QStringLiteral("SpeedButton_TimerRight"), m_timeControls);
    auto *tg = new QGridLayout(m_timeControls);
    tg->setContentsMargins(0, 0, 0, 0);
    tg->addWidget(ComboBox_TimerFormat, 0, 0, 1, 2);
    tg->addWidget(SpeedButton_TimerFont, 1, 0);
    tg->addWidget(SpeedButton_TimerColor, 1, 1);
    tg->addWidget(arrowCross(SpeedButton_TimerUp, SpeedButton_TimerLeft, SpeedButton_TimerDown,
                             SpeedButton_TimerRight, m_timeControls),
                  2, 0, 1, 2, Qt::AlignLeft);
    auto *tl = new QVBoxLayout(timeBox);
    tl->addWidget(CheckBox_timer);
    tl->addWidget(m_timeControls);

    CSpinEdit3 = new QSpinBox(this);
    CSpinEdit3->setObjectName(QStringLiteral("CSpinEdit3"));
    CSpinEdit3->setRange(0, 20);
    CSpinEdit3->setValue(2);
    auto *stepRow = new QHBoxLayout;
    stepRow->addWidget(new QLabel(QStringLiteral("移动步长（像素）"), this));
    stepRow->addWidget(CSpinEdit3);
    stepRow->addStretch();

    auto *right = new QVBoxLayout;
    right->addWidget(caption);
    right->addWidget(timeBox);
    right->addLayout(stepRow);
    right->addStretch();
    auto *main = new QHBoxLayout(this);
    main->addWidget(Panel1, 0, Qt::AlignTop);
    main->addLayout(right, 1);

    connect(SpeedButton14, &QPushButton::clicked, this, &TFrame_Panel1::applyName);
    connect(SpeedButton12, &QPushButton::clicked, this, [this] { chooseFont(true); });
    connect(SpeedButton_TimerFont, &QPushButton::clicked, this, [this] { chooseFont(false); });
    connect(SpeedButton13, &QPushButton::clicked, this, [this] { chooseColor(true); });
    connect(SpeedButton_TimerColor, &QPushButton::clicked, this, [this] { chooseColor(false); });
    connect(SpeedButton15, &QToolButton::clicked, this, [this] { moveName(Arrow::Up); });
    connect(SpeedButton16, &QToolButton::clicked, this, [this] { moveName(Arrow::Left); });
    connect(SpeedButton17, &QToolButton::clicked, this, [this] { moveName(Arrow::Down); });
    connect(SpeedButton18, &QToolButton::clicked, this, [this] { moveName(Arrow::Right); });
    connect(SpeedButton_TimerUp, &QToolButton::clicked, this, [this] { moveTime(Arrow::Up); });
    connect(SpeedButton_TimerLeft, &QToolButton::clicked, this, [this] { moveTime(Arrow::Left); });
    connect(SpeedButton_TimerDown, &QToolButton::clicked, this, [this] { moveTime(Arrow::Down); });
    connect(SpeedButton_TimerRight, &QToolButton::clicked, this, [this] { moveTime(Arrow::Right); });
    connect(CheckBox_timer, &QCheckBox::clicked, this, [this](bool on) {
        m_timeControls->setEnabled(on);
        if (!m_cam)
            return;
        auto guard = m_cam->LockSettings();
        m_cam->Data().m_ShowTime = on ? 1 : 0;
    });
    connect(ComboBox_TimerFormat, &QComboBox::activated, this, [this](int index) {
        if (!m_cam)
            return;
        auto guard = m_cam->LockSettings();
        m_cam->Data().m_TimeFormat = index;
    });
    showTimeSwitch();
}

void TFrame_Panel1::showTimeSwitch()
{
    m_timeControls->setEnabled(CheckBox_timer->isChecked());
}

void TFrame_Panel1::load()
{
    if (!m_cam)
        return;
    QString name;
    int format;
    bool show;
    {
        auto guard = m_cam->LockSettings();
        name = m_cam->Data().m_CameraName;
        format = m_cam->Data().m_TimeFormat;
        show = m_cam->Data().m_ShowTime != 0;
    }
    Edit1->setText(name);
    // A layout outside the list shows no entry; it stays as stored until
    // one is chosen.
    ComboBox_TimerFormat->setCurrentIndex(format >= 0 && format <= 3 ? format : -1);
    CheckBox_timer->setChecked(show);
    showTimeSwitch();
}

void TFrame_Panel1::save()
{
    if (!m_cam)
        return;
    applyName();
    auto guard = m_cam->LockSettings();
    if (ComboBox_TimerFormat->currentIndex() >= 0)
        m_cam->Data().m_TimeFormat = ComboBox_TimerFormat->currentIndex();
    m_cam->Data().m_ShowTime = CheckBox_timer->isChecked() ? 1 : 0;
}

void TFrame_Panel1::applyName()
{
    if (!m_cam)
        return;
    {
        auto guard = m_cam->LockSettings();
        m_cam->Data().m_CameraName = Edit1->text();
    }
    m_cam->RedrawName();
}

void TFrame_Panel1::chooseFont(bool name)
{
    if (!m_cam)
        return;
    LogFont current;
    {
        auto guard = m_cam->LockSettings();
        current = name ? m_cam->Data().m_NameFont : m_cam->Data().m_TimeFont;
    }
    QFontDialog dialog(CAutoFont::fontFor(current), this);
    dialog.setObjectName(QStringLiteral("fontDialog"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || !m_cam)
        return;
    if (name)
        applyNameFont(dialog.selectedFont());
    else
        applyTimeFont(dialog.selectedFont());
}

void TFrame_Panel1::applyNameFont(const QFont &font)
{
    if (!m_cam)
        return;
    {
        auto guard = m_cam->LockSettings();
        m_cam->Data().m_NameFont = logFontFor(font);
    }
    m_cam->RedrawName();
}

void TFrame_Panel1::applyTimeFont(const QFont &font)
{
    if (!m_cam)
        return;
    // The time overlay renders again when its font record changes.
    auto guard = m_cam->LockSettings();
    m_cam->Data().m_TimeFont = logFontFor(font);
}

void TFrame_Panel1::chooseColor(bool name)
{
    if (!m_cam)
        return;
    int value;
    {
        auto guard = m_cam->LockSettings();
        const CDataClass &d = m_cam->Data();
        value = name ? colorValue(d.m_NameColorR, d.m_NameColorG, d.m_NameColorB)
                     : colorValue(d.m_TimeColorR, d.m_TimeColorG, d.m_TimeColorB);
    }
    QColorDialog dialog(QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF), this);
    dialog.setObjectName(QStringLiteral("colorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || !m_cam)
        return;
    if (name)
        applyNameColor(dialog.selectedColor());
    else
        applyTimeColor(dialog.selectedColor());
}

void TFrame_Panel1::applyNameColor(const QColor &c)
{
    if (!m_cam)
        return;
    auto guard = m_cam->LockSettings();
    m_cam->Data().m_NameColorR = std::uint8_t(c.red());
    m_cam->Data().m_NameColorG = std::uint8_t(c.green());
    m_cam->Data().m_NameColorB = std::uint8_t(c.blue());
}

void TFrame_Panel1::applyTimeColor(const QColor &c)
{
    if (!m_cam)
        return;
    auto guard = m_cam->LockSettings();
    m_cam->Data().m_TimeColorR = std::uint8_t(c.red());
    m_cam->Data().m_TimeColorG = std::uint8_t(c.green());
    m_cam->Data().m_TimeColorB = std::uint8_t(c.blue());
}

void TFrame_Panel1::moveName(Arrow arrow)
{
    if (!m_cam || !m_cam->HasNameOverlay())
        return;
    // Sizes first: the overlay's own lock is never taken inside the
    // camera lock.
    const QSize frame = m_cam->FrameSize();
    const QSize textSize = m_cam->NameTextSize();
    if (frame.isEmpty())
        return;  // no frame seen yet: the frame size is unknown
    auto guard = m_cam->LockSettings();
    CDataClass &d = m_cam->Data();
    const QPoint p = movedOverlay({d.m_NameX, d.m_NameY}, arrow, CSpinEdit3->value(), frame, textSize);
    d.m_NameX = p.x();
    d.m_NameY = p.y();
}

void TFrame_Panel1::moveTime(Arrow arrow)
{
    if (!m_cam || !m_cam->HasNameOverlay())
        return;
    const QSize frame = m_cam->FrameSize();
    const QSize textSize = m_cam->TimeTextSize();
    if (frame.isEmpty())
        return;
    auto guard = m_cam->LockSettings();
    CDataClass &d = m_cam->Data();
    const QPoint p = movedOverlay({d.m_TimeX, d.m_TimeY}, arrow, CSpinEdit3->value(), frame, textSize);
    d.m_TimeX = p.x();
    d.m_TimeY = p.y();
}

// --- Panel 2 ---------------------------------------------------------------

TFrame_Panel2::TFrame_Panel2(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    Panel2 = new PreviewArea(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->overlay = [this](QPainter &p) { drawRegion(p); };

    TrackBar_dlta = new QSlider(Qt::Horizontal, this);
    TrackBar_dlta->setObjectName(QStringLiteral("TrackBar_dlta"));
    TrackBar_dlta->setRange(1, 40);
    SpeedButton9 = button(QStringLiteral("红"), QStringLiteral("SpeedButton9"), this);
    SpeedButton10 = button(QStringLiteral("绿"), QStringLiteral("SpeedButton10"), this);
    SpeedButton11 = button(QStringLiteral("蓝"), QStringLiteral("SpeedButton11"), this);
    CSpinEdit1 = new QSpinBox(this);
    CSpinEdit1->setObjectName(QStringLiteral("CSpinEdit1"));
    CSpinEdit1->setRange(0, 6);

    auto *left = new QVBoxLayout;
    left->addWidget(Panel2);
    left->addWidget(new QLabel(QStringLiteral("敏感值（越小越敏感）"), this));
    left->addWidget(TrackBar_dlta);
    auto *colours = new QHBoxLayout;
    colours->addWidget(new QLabel(QStringLiteral("区域颜色"), this));
    colours->addWidget(SpeedButton9);
    colours->addWidget(SpeedButton10);
    colours->addWidget(SpeedButton11);
    left->addLayout(colours);
    auto *interval = new QHBoxLayout;
    interval->addWidget(new QLabel(QStringLiteral("侦测间隔（秒）"), this));
    interval->addWidget(CSpinEdit1);
    interval->addStretch();
    left->addLayout(interval);
    left->addStretch();

    // Sound group.
    auto *soundBox = new QGroupBox(QStringLiteral("移动侦测音效"), this);
    CheckBox_capImagePlaySound_move = new QCheckBox(QStringLiteral("启用"), soundBox);
    CheckBox_capImagePlaySound_move->setObjectName(QStringLiteral("CheckBox_capImagePlaySound_move"));
    m_soundGroup = ComboBox_capImagePlaySound_move = new SoundChooser(option, soundBox);
    ComboBox_capImagePlaySound_move->setObjectName(QStringLiteral("ComboBox_capImagePlaySound_move"));
    auto *sl = new QVBoxLayout(soundBox);
    sl->addWidget(CheckBox_capImagePlaySound_move);
    sl->addWidget(ComboBox_capImagePlaySound_move);

    // Program group.
    auto *programBox = new QGroupBox(QStringLiteral("移动侦测执行外部程序"), this);
    CheckBox_capImageShellExecute_move = new QCheckBox(QStringLiteral("启用"), programBox);
    CheckBox_capImageShellExecute_move->setObjectName(QStringLiteral("CheckBox_capImageShellExecute_move"));
    m_programGroup = new QWidget(programBox);
    program_capImageShellExecute_move = new QLineEdit(m_programGroup);
    program_capImageShellExecute_move->setObjectName(QStringLiteral("program_capImageShellExecute_move"));
    program_capImageShellExecute_move->setReadOnly(true);
    programBrowse = button(QStringLiteral("浏览..."), QStringLiteral("programBrowse"), m_programGroup);
    RunMode_capImageShellExecute_move = new QComboBox(m_programGroup);
    RunMode_capImageShellExecute_move->setObjectName(QStringLiteral("RunMode_capImageShellExecute_move"));
    RunMode_capImageShellExecute_move->addItems(
        {QStringLiteral("常规窗口"), QStringLiteral("最小化"), QStringLiteral("最大化")});
    param_capImageShellExecute_move = new QLineEdit(m_programGroup);
    param_capImageShellExecute_move->setObjectName(QStringLiteral("param_capImageShellExecute_move"));
    BitBtn1_capImageShellExecute_move = button(QStringLiteral("测试"), QStringLiteral("BitBtn1_capImageShellExecute_move"),
                                               m_programGroup);
    BitBtn1_capImageShellExecute_move->setToolTip(QStringLiteral("测试"));
    auto *pg = new QGridLayout(m_programGroup);
    pg->setContentsMargins(0, 0, 0, 0);
    pg->addWidget(new QLabel(QStringLiteral("程序名称："), m_programGroup), 0, 0);
    pg->addWidget(program_capImageShellExecute_move, 0, 1);
    pg->addWidget(programBrowse, 0, 2);
    pg->addWidget(new QLabel(QStringLiteral("运行方式："), m_programGroup), 1, 0);
    pg->addWidget(RunMode_capImageShellExecute_move, 1, 1);
    pg->addWidget(new QLabel(QStringLiteral("程序参数："), m_programGroup), 2, 0);
    pg->addWidget(param_capImageShellExecute_move, 2, 1);
    pg->addWidget(BitBtn1_capImageShellExecute_move, 2, 2);
    auto *pl = new QVBoxLayout(programBox);
    pl->addWidget(CheckBox_capImageShellExecute_move);
    pl->addWidget(m_programGroup);

    CheckBox_NoCapImage_move = new QCheckBox(QStringLiteral("发现移动物不抓拍"), this);
    CheckBox_NoCapImage_move->setObjectName(QStringLiteral("CheckBox_NoCapImage_move"));
    CheckBox_CapVideo_move = new QCheckBox(QStringLiteral("发现移动物录像，当持续"), this);
    CheckBox_CapVideo_move->setObjectName(QStringLiteral("CheckBox_CapVideo_move"));
    CSpinEdit_CapVideo_move = new QSpinBox(this);
    CSpinEdit_CapVideo_move->setObjectName(QStringLiteral("CSpinEdit_CapVideo_move"));
    CSpinEdit_CapVideo_move->setRange(20, 3600);
    auto *video = new QHBoxLayout;
    video->addWidget(CheckBox_CapVideo_move);
    video->addWidget(CSpinEdit_CapVideo_move);
    video->addWidget(new QLabel(QStringLiteral("秒无移动则停止。"), this));
    video->addStretch();
    CheckBox_CapImage_move_recordCount = new QCheckBox(QStringLiteral("对移动侦测进行计数"), this);
    CheckBox_CapImage_move_recordCount->setObjectName(QStringLiteral("CheckBox_CapImage_move_recordCount"));
    ListView3 = new ScheduleList(QStringLiteral("移动侦测时段设定"), option, this);
    ListView3->setObjectName(QStringLiteral("ListView3"));

    auto *right = new QVBoxLayout;
    right->addWidget(soundBox);
    right->addWidget(programBox);
    right->addWidget(CheckBox_NoCapImage_move);
    right->addLayout(video);
    right->addWidget(CheckBox_CapImage_move_recordCount);
    right->addWidget(ListView3, 1);
    auto *main = new QHBoxLayout(this);
    main->addLayout(left);
    main->addLayout(right, 1);

    connect(TrackBar_dlta, &QSlider::valueChanged, this, [this](int v) {
        if (!m_cam)
            return;
        auto guard = m_cam->LockSettings();
        m_cam->Data().m_dlta = v;
    });
    const auto colourButton = [this](QPushButton *b, int colour) {
        connect(b, &QPushButton::clicked, this, [this, colour] {
            if (!m_cam)
                return;
            {
                auto guard = m_cam->LockSettings();
                m_cam->Data().m_MoveRectColor = colour;
            }
            Panel2->update();
        });
    };
    colourButton(SpeedButton9, 1);
    colourButton(SpeedButton10, 2);
    colourButton(SpeedButton11, 3);
    connect(CheckBox_capImagePlaySound_move, &QCheckBox::clicked, this, [this](bool on) {
        enableGroups();
        if (m_cam)
            m_cam->Data().m_MovePlaySound = on;
    });
    connect(CheckBox_capImageShellExecute_move, &QCheckBox::clicked, this, [this](bool on) {
        enableGroups();
        if (m_cam)
            m_cam->Data().m_MoveShellExecute = on;
    });
    connect(CheckBox_CapVideo_move, &QCheckBox::toggled, this, [this] { enableGroups(); });
    connect(programBrowse, &QPushButton::clicked, this, [this] {
        QString filter = m_option ? m_option->getText(491) : QString();
        if (filter.isEmpty())
            filter = QStringLiteral("Program (*)");
        QFileDialog dialog(this, QString(), QString(), filter);
        dialog.setDefaultSuffix(QStringLiteral("exe"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            program_capImageShellExecute_move->setText(dialog.selectedFiles().front());
    });
    connect(BitBtn1_capImageShellExecute_move, &QPushButton::clicked, this, [this] { testProgram(); });
    connect(Panel2, &PreviewArea::mousePressed, this, &TFrame_Panel2::onPress);
    connect(Panel2, &PreviewArea::mouseMoved, this, &TFrame_Panel2::onMove);
    connect(Panel2, &PreviewArea::mouseReleased, this, [this] { onRelease(); });
    enableGroups();
}

void TFrame_Panel2::enableGroups()
{
    m_soundGroup->setEnabled(CheckBox_capImagePlaySound_move->isChecked());
    m_programGroup->setEnabled(CheckBox_capImageShellExecute_move->isChecked());
    CSpinEdit_CapVideo_move->setEnabled(CheckBox_CapVideo_move->isChecked());
}

void TFrame_Panel2::load()
{
    if (!m_cam)
        return;
    const QSize frame = m_cam->FrameSize();
    CDataClass &d = m_cam->Data();
    int dlta, interval;
    {
        auto guard = m_cam->LockSettings();
        clampRegionOnLoad(d.m_MoveRect, frame);
        dlta = d.m_dlta;
        interval = d.m_MoveInterval;
    }
    {
        // Showing the stored value is no change of it.
        const QSignalBlocker block(TrackBar_dlta);
        TrackBar_dlta->setValue(dlta);
    }
    CSpinEdit1->setValue(interval);
    CheckBox_capImagePlaySound_move->setChecked(d.m_MovePlaySound);
    ComboBox_capImagePlaySound_move->setSound(d.m_MoveSound);
    CheckBox_NoCapImage_move->setChecked(d.m_NoCapImage_move);
    CheckBox_capImageShellExecute_move->setChecked(d.m_MoveShellExecute);
    program_capImageShellExecute_move->setText(d.m_MoveProgram);
    RunMode_capImageShellExecute_move->setCurrentIndex(
        d.m_MoveProgramRunMode >= 0 && d.m_MoveProgramRunMode <= 2 ? d.m_MoveProgramRunMode : 0);
    param_capImageShellExecute_move->setText(d.m_MoveProgramParams);
    CheckBox_CapVideo_move->setChecked(d.m_CapVideo_move);
    CSpinEdit_CapVideo_move->setValue(d.m_CapVideo_moveStop);
    CheckBox_CapImage_move_recordCount->setChecked(d.m_MoveCountOn);
    if (m_cam->m_pMoveCheck)
        ListView3->load(*m_cam->m_pMoveCheck);
    enableGroups();
}

void TFrame_Panel2::save()
{
    if (!m_cam)
        return;
    CDataClass &d = m_cam->Data();
    {
        auto guard = m_cam->LockSettings();
        d.m_MoveInterval = CSpinEdit1->value();
        // The frame path copies these texts under the lock too.
        d.m_MoveSound = ComboBox_capImagePlaySound_move->sound();
        d.m_MoveProgram = program_capImageShellExecute_move->text();
        d.m_MoveProgramParams = param_capImageShellExecute_move->text();
    }
    d.m_NoCapImage_move = CheckBox_NoCapImage_move->isChecked();
    d.m_MoveProgramRunMode = RunMode_capImageShellExecute_move->currentIndex();
    d.m_CapVideo_move = CheckBox_CapVideo_move->isChecked();
    d.m_CapVideo_moveStop = CSpinEdit_CapVideo_move->value();
    d.m_MoveCountOn = CheckBox_CapImage_move_recordCount->isChecked();
    if (m_cam->m_pMoveCheck)
        ListView3->save(*m_cam->m_pMoveCheck);
    if (m_cam->m_pCaptureImage && m_cam->m_pCaptureImage->snapInterval < 1)
        m_cam->m_pCaptureImage->snapInterval = 3;
}

bool TFrame_Panel2::testProgram()
{
    const QString program = program_capImageShellExecute_move->text();
    if (program.isEmpty() || !QFileInfo(program).isFile())
        return false;
    // The desktop decides a started program's window; the run mode is kept
    // for the motion action.
    return QProcess::startDetached(program, QProcess::splitCommand(param_capImageShellExecute_move->text()));
}

void TFrame_Panel2::onPress(QPoint pos, Qt::MouseButton button)
{
    if (!m_cam || button != Qt::LeftButton)
        return;
    const QSize frame = m_cam->FrameSize();
    if (frame.isEmpty())
        return;
    const QPoint v = RegionEditor::toVideo(pos, Panel2->size(), frame);
    auto guard = m_cam->LockSettings();
    m_editor.press(v, m_cursor, m_cam->Data().m_MoveRect);
}

void TFrame_Panel2::onMove(QPoint pos, Qt::MouseButtons buttons)
{
    if (!m_cam)
        return;
    const QSize frame = m_cam->FrameSize();
    if (frame.isEmpty())
        return;
    const QPoint v = RegionEditor::toVideo(pos, Panel2->size(), frame);
    bool changed = false;
    {
        auto guard = m_cam->LockSettings();
        MoveRect &r = m_cam->Data().m_MoveRect;
        if (m_editor.dragging() || m_editor.edge() != 0)
            changed = m_editor.drag(v, r, frame);
        else if (!(buttons & Qt::LeftButton))
            m_cursor = RegionEditor::cursorAt(v, r);
    }
    switch (m_cursor) {
    case RegionEditor::Cursor::SizeHorizontal: Panel2->setCursor(Qt::SizeHorCursor); break;
    case RegionEditor::Cursor::SizeVertical: Panel2->setCursor(Qt::SizeVerCursor); break;
    case RegionEditor::Cursor::Move: Panel2->setCursor(Qt::SizeAllCursor); break;
    case RegionEditor::Cursor::Normal: Panel2->unsetCursor(); break;
    }
    if (changed)
        Panel2->update();
}

void TFrame_Panel2::onRelease()
{
    m_editor.release();
}

void TFrame_Panel2::drawRegion(QPainter &painter)
{
    if (!m_cam)
        return;
    const QSize frame = m_cam->FrameSize();
    if (frame.isEmpty())
        return;
    MoveRect r;
    int colour;
    {
        auto guard = m_cam->LockSettings();
        r = m_cam->Data().m_MoveRect;
        colour = m_cam->Data().m_MoveRectColor;
    }
    const QColor pen = colour == 1 ? QColor(255, 0, 0) : colour == 2 ? QColor(0, 255, 0) : QColor(0, 0, 255);
    const double sx = double(Panel2->width()) / frame.width();
    const double sy = double(Panel2->height()) / frame.height();
    painter.setPen(QPen(pen, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(r.left * sx, r.top * sy, (double(r.right) - r.left) * sx, (double(r.bottom) - r.top) * sy));
}

// --- Panels 3 and 4 --------------------------------------------------------

TFrame_Panel3::TFrame_Panel3(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    ListView1 = new ScheduleList(QStringLiteral("定时录像"), option, this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    auto *l = new QVBoxLayout(this);
    l->addWidget(ListView1);
}

void TFrame_Panel3::load()
{
    if (m_cam && m_cam->m_pCaptureVideo)
        ListView1->load(*m_cam->m_pCaptureVideo);
}

void TFrame_Panel3::save()
{
    if (m_cam && m_cam->m_pCaptureVideo)
        ListView1->save(*m_cam->m_pCaptureVideo);
}

TFrame_Panel4::TFrame_Panel4(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    ListView2 = new ScheduleList(QStringLiteral("定时抓拍"), option, this);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    CSpinEdit4 = new QSpinBox(this);
    CSpinEdit4->setObjectName(QStringLiteral("CSpinEdit4"));
    CSpinEdit4->setRange(1, 3600);
    auto *interval = new QHBoxLayout;
    interval->addWidget(new QLabel(QStringLiteral("抓拍间隔时间（秒）"), this));
    interval->addWidget(CSpinEdit4);
    interval->addStretch();
    auto *soundBox = new QGroupBox(QStringLiteral("抓拍音效"), this);
    CheckBox_capImagePlaySound = new QCheckBox(QStringLiteral("启用"), soundBox);
    CheckBox_capImagePlaySound->setObjectName(QStringLiteral("CheckBox_capImagePlaySound"));
    m_soundGroup = ComboBox_capImagePlaySound = new SoundChooser(option, soundBox);
    ComboBox_capImagePlaySound->setObjectName(QStringLiteral("ComboBox_capImagePlaySound"));
    auto *sl = new QVBoxLayout(soundBox);
    sl->addWidget(CheckBox_capImagePlaySound);
    sl->addWidget(ComboBox_capImagePlaySound);
    auto *l = new QVBoxLayout(this);
    l->addWidget(ListView2, 1);
    l->addLayout(interval);
    l->addWidget(soundBox);
    connect(CheckBox_capImagePlaySound, &QCheckBox::clicked, this, [this](bool on) {
        m_soundGroup->setEnabled(on);
        if (m_cam)
            m_cam->Data().m_CapturePlaySound = on;
    });
    m_soundGroup->setEnabled(false);
}

void TFrame_Panel4::load()
{
    if (!m_cam)
        return;
    if (m_cam->m_pCaptureImage) {
        ListView2->load(*m_cam->m_pCaptureImage);
        CSpinEdit4->setValue(m_cam->m_pCaptureImage->snapInterval);
    }
    CheckBox_capImagePlaySound->setChecked(m_cam->Data().m_CapturePlaySound);
    ComboBox_capImagePlaySound->setSound(m_cam->Data().m_CaptureSound);
    m_soundGroup->setEnabled(CheckBox_capImagePlaySound->isChecked());
}

void TFrame_Panel4::save()
{
    if (!m_cam)
        return;
    if (m_cam->m_pCaptureImage) {
        ListView2->save(*m_cam->m_pCaptureImage);
        const int v = CSpinEdit4->value();
        m_cam->m_pCaptureImage->snapInterval = v <= 0 ? 3 : v;
    }
    auto guard = m_cam->LockSettings();
    m_cam->Data().m_CaptureSound = ComboBox_capImagePlaySound->sound();
}

// ---------------------------------------------------------------------------
// The window

QString TFormSetting::captionFor(int page)
{
    switch (page) {
    case 1: return QStringLiteral("FormSetting1");
    case 2: return QStringLiteral("移动侦测设置");
    case 3: return QStringLiteral("定时录像设置");
    case 4: return QStringLiteral("定时抓拍设置");
    case 5: return QStringLiteral("文件存放路径及录像设置");
    case 6: return QStringLiteral("网络设置");
    case 7: return QStringLiteral("视频直播参数设置");
    default: return {};
    }
}

TFormSetting::TFormSetting(int page, int cameraIndex, Option *option, UsbCamera *camera, QWidget *parent)
    : QDialog(parent), m_page(page), m_index(cameraIndex), m_cam(camera)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TFormSetting%1").arg(page));
    setWindowTitle(captionFor(page));
    switch (page) {
    case 1: m_panel = new TFrame_Panel1(camera, option, this); break;
    case 2: m_panel = new TFrame_Panel2(camera, option, this); break;
    case 3: m_panel = new TFrame_Panel3(camera, option, this); break;
    case 4: m_panel = new TFrame_Panel4(camera, option, this); break;
    case 5: m_panel = new TFrame_Panel5(camera, option, this); break;
    case 6: m_panel = new TFrame_Panel6(camera, option, this); break;
    case 7: m_panel = new TFrame_Panel7(camera, option, this); break;
    default: break;
    }
    auto *layout = new QVBoxLayout(this);
    if (m_panel) {
        m_panel->setObjectName(QStringLiteral("TFrame_Panel%1").arg(page));
        layout->addWidget(m_panel);
    }
    if (m_cam) {
        // A host may destroy the camera while this window is open.
        if (QObject *life = m_cam->LifeSignal())
            connect(life, &QObject::destroyed, this, &TFormSetting::onCameraGone);
        if (m_panel)
            m_panel->load();
        if (m_panel && m_panel->preview())
            m_cam->SetTestWindow(m_panel->preview());
    }
}

TFormSetting::~TFormSetting()
{
    finish();
}

void TFormSetting::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_cam)
        return;
    if (m_panel) {
        m_panel->save();
        m_panel->closing();
    }
    m_cam->ClearTestWindow();
}

void TFormSetting::done(int result)
{
    finish();
    QDialog::done(result);
}

void TFormSetting::closeEvent(QCloseEvent *event)
{
    finish();
    QDialog::closeEvent(event);
}

void TFormSetting::onCameraGone()
{
    // Called while the camera is being destroyed: let go of it, then close
    // once its destruction is over.
    m_cam = nullptr;
    if (m_panel)
        m_panel->cameraGone();
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

} // namespace quorvel
