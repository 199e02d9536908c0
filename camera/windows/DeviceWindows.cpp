// The record input window and the device manager with its address input.
#include "SettingsWindows.h"

#include "LibReporter.h"
#include "Option.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel {

namespace {
QString optionText(Option *option, int id, const QString &fallback)
{
    return textOr([option](int i) { return option ? option->getText(i) : QString(); }, id, fallback);
}
} // namespace

// ---------------------------------------------------------------------------
// TForm_recordinput

TForm_recordinput::TForm_recordinput(QWidget *owner, std::vector<ScheduleEntry> existing, ScheduleEntry *entry,
                                     Option *option)
    : QDialog(owner), m_existing(std::move(existing)), m_entry(entry), m_option(option)
{
    setObjectName(QStringLiteral("TForm_recordinput"));
    setWindowTitle(text(900, QStringLiteral("时间设置")));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->clear();
    ComboBox1->addItems({text(912, QStringLiteral("每天")), text(913, QStringLiteral("每周")),
                         text(914, QStringLiteral("指定"))});
    ComboBox1->setCurrentIndex(0);
    auto *label4 = new QLabel(text(904, QStringLiteral("指定日期")), this);
    Label4 = label4;
    Label4->setObjectName(QStringLiteral("Label4"));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->clear();
    static const char16_t *const days[] = {u"星期日", u"星期一", u"星期二", u"星期三",
                                           u"星期四", u"星期五", u"星期六"};
    for (int i = 0; i < 7; ++i)
        ComboBox2->addItem(text(479 + i, QString::fromUtf16(days[i])));
    ComboBox2->setCurrentIndex(0);
    DateTimePicker3 = new QDateEdit(QDate::currentDate(), this);
    DateTimePicker3->setObjectName(QStringLiteral("DateTimePicker3"));
    DateTimePicker3->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateTimePicker3->setCalendarPopup(true);
    DateTimePicker1 = new QTimeEdit(QTime(0, 0, 0), this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    DateTimePicker2 = new QTimeEdit(QTime(23, 59, 59), this);
    DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
    DateTimePicker2->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    BitBtn1 = new QPushButton(text(905, QStringLiteral("取消")), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(text(906, QStringLiteral("确定")), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);

    auto *g = new QGridLayout;
    g->addWidget(new QLabel(text(903, QStringLiteral("日期")), this), 0, 0);
    g->addWidget(ComboBox1, 0, 1);
    g->addWidget(Label4, 1, 0);
    g->addWidget(ComboBox2, 1, 1);
    g->addWidget(DateTimePicker3, 2, 1);
    g->addWidget(new QLabel(text(901, QStringLiteral("开始时间")), this), 3, 0);
    g->addWidget(DateTimePicker1, 3, 1);
    g->addWidget(new QLabel(text(902, QStringLiteral("结束时间")), this), 4, 0);
    g->addWidget(DateTimePicker2, 4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *l = new QVBoxLayout(this);
    l->addLayout(g);
    l->addLayout(buttons);
    l->setSizeConstraint(QLayout::SetFixedSize);

    Label4->hide();
    ComboBox2->hide();
    DateTimePicker3->hide();
    connect(ComboBox1, &QComboBox::activated, this, &TForm_recordinput::kindChosen);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_recordinput::cancel);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_recordinput::confirm);
    if (m_entry)
        m_entry->setKind(QString());
}

QString TForm_recordinput::text(int id, const QString &fallback) const
{
    return optionText(m_option, id, fallback);
}

void TForm_recordinput::kindChosen(int index)
{
    auto *label = static_cast<QLabel *>(Label4);
    if (index == 2) {
        ComboBox2->hide();
        DateTimePicker3->setDate(QDate::currentDate());
        DateTimePicker3->show();
        label->setText(text(907, QStringLiteral("指定日期")));
        label->show();
    } else if (index == 1) {
        ComboBox2->show();
        DateTimePicker3->hide();
        label->setText(text(908, QStringLiteral("星期")));
        label->show();
    } else {
        ComboBox2->hide();
        DateTimePicker3->hide();
        label->hide();
    }
}

void TForm_recordinput::confirm()
{
    RecordInputValues v;
    v.kind = ComboBox1->currentIndex();
    v.weekday = ComboBox2->currentIndex();
    v.date = DateTimePicker3->date();
    v.start = DateTimePicker1->time();
    v.end = DateTimePicker2->time();
    ScheduleEntry filled;
    switch (checkRecordInput(v, m_existing, filled)) {
    case RecordInputResult::StartNotBeforeEnd:
        reportPlain(text(909, QStringLiteral("开始时间必须早于结束时间。")));
        return;
    case RecordInputResult::Overlaps:
        reportPlain(text(911, QStringLiteral("时间段与已有的时间段重叠。")));
        return;
    case RecordInputResult::Accepted:
        break;
    }
    if (m_entry)
        *m_entry = filled;
    accept();
}

void TForm_recordinput::cancel()
{
    if (m_entry)
        m_entry->setKind(QString());
    reject();
}

// ---------------------------------------------------------------------------
// TFormdeviceEdit

TFormdeviceEdit::TFormdeviceEdit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormdeviceEdit"));
    setWindowTitle(QStringLiteral("FormdeviceEdit"));
    Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(320);
    BitBtn1 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("输入URL"), this));
    row->addWidget(Edit1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *l = new QVBoxLayout(this);
    l->addLayout(row);
    l->addLayout(buttons);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        flag = 0;
        reject();
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        flag = 1;
        accept();
    });
}

// ---------------------------------------------------------------------------
// TFrm_Device

TFrm_Device::TFrm_Device(Option *option, std::uint8_t *result, QWidget *parent)
    : QDialog(parent), m_option(option), m_result(result)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TFrm_Device"));
    setWindowTitle(optionText(option, 500, QStringLiteral("设备管理")));
    if (m_result)
        *m_result = 0;
    auto *label3 = new QLabel(optionText(option, 502, QStringLiteral("系统设备列表")), this);
    auto *label4 = new QLabel(optionText(option, 503, QStringLiteral("请选择不使用的设备。")), this);
    label4->setStyleSheet(QStringLiteral("color: red"));
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setMinimumSize(360, 140);
    auto *label1 = new QLabel(optionText(option, 501, QStringLiteral("设备ID")), this);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label2->setWordWrap(true);
    auto *label5 = new QLabel(QStringLiteral("网络设备（视频流URL）"), this);
    ListViewURL = new QTreeWidget(this);
    ListViewURL->setObjectName(QStringLiteral("ListViewURL"));
    ListViewURL->setRootIsDecorated(false);
    ListViewURL->setHeaderLabels({QStringLiteral("URL")});
    ListViewURL->setColumnWidth(0, 300);
    ListViewURL->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListViewURL->setMinimumHeight(110);
    SpeedButton1 = new QPushButton(QStringLiteral("add"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoDefault(false);
    SpeedButton2 = new QPushButton(QStringLiteral("del"), this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setAutoDefault(false);
    BitBtn1 = new QPushButton(optionText(option, 504, QStringLiteral("取消")), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(optionText(option, 505, QStringLiteral("确定")), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);

    auto *idRow = new QHBoxLayout;
    idRow->addWidget(label1);
    idRow->addWidget(Label2, 1);
    auto *urlButtons = new QVBoxLayout;
    urlButtons->addWidget(SpeedButton1);
    urlButtons->addWidget(SpeedButton2);
    urlButtons->addStretch();
    auto *urlRow = new QHBoxLayout;
    urlRow->addWidget(ListViewURL, 1);
    urlRow->addLayout(urlButtons);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *l = new QVBoxLayout(this);
    l->addWidget(label3);
    l->addWidget(label4);
    l->addWidget(CheckListBox1, 1);
    l->addLayout(idRow);
    l->addWidget(label5);
    l->addLayout(urlRow);
    l->addLayout(buttons);

    // The form's showing step.
    Label2->clear();
    if (m_option) {
        for (int i = 0; i < m_option->deviceIds.size(); ++i) {
            auto *item = new QListWidgetItem(i < m_option->deviceNames.size() ? m_option->deviceNames[i]
                                                                             : m_option->deviceIds[i],
                                             CheckListBox1);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(m_option->excludedDevices.contains(m_option->deviceIds[i], Qt::CaseSensitive)
                                    ? Qt::Checked
                                    : Qt::Unchecked);
            item->setData(Qt::UserRole, m_option->deviceIds[i]);
        }
        for (const QString &url : m_option->urlSources)
            ListViewURL->addTopLevelItem(new QTreeWidgetItem(QStringList{url}));
    }
    connect(CheckListBox1, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        Label2->clear();
        if (item)
            Label2->setText(item->data(Qt::UserRole).toString());
    });
    connect(SpeedButton1, &QPushButton::clicked, this, &TFrm_Device::addAddress);
    connect(SpeedButton2, &QPushButton::clicked, this, &TFrm_Device::deleteAddresses);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn2, &QPushButton::clicked, this, &TFrm_Device::confirm);
}

void TFrm_Device::addAddress()
{
    auto *edit = new TFormdeviceEdit(this);
    QPointer<TFormdeviceEdit> guard(edit);
    edit->exec();
    if (guard && guard->flag == 1)
        ListViewURL->addTopLevelItem(new QTreeWidgetItem(QStringList{guard->Edit1->text()}));
    delete guard.data();
}

void TFrm_Device::deleteAddresses()
{
    qDeleteAll(ListViewURL->selectedItems());
}

void TFrm_Device::confirm()
{
    if (m_option) {
        QStringList excluded;
        for (int i = 0; i < CheckListBox1->count(); ++i)
            if (CheckListBox1->item(i)->checkState() == Qt::Checked)
                excluded << CheckListBox1->item(i)->data(Qt::UserRole).toString();
        QStringList urls;
        for (int i = 0; i < ListViewURL->topLevelItemCount(); ++i)
            urls << ListViewURL->topLevelItem(i)->text(0);
        m_option->excludedDevices = excluded;
        m_option->urlSources = urls;
    }
    if (m_result)
        *m_result = 1;
    accept();
}

} // namespace quorvel
