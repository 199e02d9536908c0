#include "TFormSYS.h"

#include "Option.h"
#include "Overstay.h"
#include "Reporter.h"
#include "Storemanage_audit.h"
#include "Storemanage_settings.h"
#include "TFormAudit.h"
#include "TFormWatchlist.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vondrel {

TFormSYS::TFormSYS(QWidget *owner) : TFormbase(owner)
{
    setWindowTitle(QStringLiteral("系统设置"));
    auto *layout = new QVBoxLayout(clientArea());

    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(QStringLiteral("软件抬头"), clientArea()));
    Edit1 = new QLineEdit(clientArea());
    titleRow->addWidget(Edit1, 1);
    BitBtn13 = new QPushButton(QStringLiteral("提交保存"), clientArea());
    titleRow->addWidget(BitBtn13);
    layout->addLayout(titleRow);

    auto *overstayRow = new QHBoxLayout;
    overstayRow->addWidget(new QLabel(QStringLiteral("超时提醒（小时）"), clientArea()));
    SpinEdit1 = new QSpinBox(clientArea());
    SpinEdit1->setRange(0, kMaxOverstayHours);
    SpinEdit1->setSpecialValueText(QStringLiteral("不提醒"));
    SpinEdit1->setMinimumWidth(SpinEdit1->fontMetrics().horizontalAdvance(QStringLiteral("不提醒 999")) + 40);
    SpinEdit1->setToolTip(QStringLiteral("来宾登记进入后超过这么多小时仍未离开，列表中以警示色显示；0 为不提醒。按“提交保存”生效"));
    overstayRow->addWidget(SpinEdit1);
    overstayRow->addStretch();
    layout->addLayout(overstayRow);

    auto *privacyRow = new QHBoxLayout;
    CheckBox1 = new QCheckBox(QStringLiteral("证件号码脱敏显示"), clientArea());
    CheckBox1->setToolTip(QStringLiteral("admin 以外的门卫在列表和查看登记时只看到证件号码的前 6 位和后 4 位。按“提交保存”生效"));
    privacyRow->addWidget(CheckBox1);
    privacyRow->addSpacing(16);
    privacyRow->addWidget(new QLabel(QStringLiteral("保存期限（天）"), clientArea()));
    SpinEdit2 = new QSpinBox(clientArea());
    SpinEdit2->setRange(0, 36500);
    SpinEdit2->setSpecialValueText(QStringLiteral("永久保存"));
    SpinEdit2->setMinimumWidth(SpinEdit2->fontMetrics().horizontalAdvance(QStringLiteral("永久保存 99999")) + 40);
    SpinEdit2->setToolTip(QStringLiteral("已离开的来访记录在离开这么多天后连同照片删除（启动时和每天一次）；0 为永久保存。按“提交保存”生效"));
    privacyRow->addWidget(SpinEdit2);
    privacyRow->addStretch();
    layout->addLayout(privacyRow);

    auto *windowsRow = new QHBoxLayout;
    BitBtn5 = new QPushButton(QStringLiteral("关注名单"), clientArea());
    BitBtn6 = new QPushButton(QStringLiteral("操作日志"), clientArea());
    windowsRow->addWidget(BitBtn5);
    windowsRow->addWidget(BitBtn6);
    windowsRow->addStretch();
    layout->addLayout(windowsRow);

    GroupBox1 = new QGroupBox(QStringLiteral("来访事由字典维护"), clientArea());
    auto *grid = new QGridLayout(GroupBox1);
    ListBox1 = new QListWidget(GroupBox1);
    grid->addWidget(ListBox1, 0, 0, 4, 1);
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setMaxLength(50);
    Edit2->installEventFilter(this);
    grid->addWidget(Edit2, 0, 1);
    Action_addnew = new QAction(QStringLiteral("新增"), this);
    Action_delete = new QAction(QStringLiteral("删除"), this);
    BitBtn1 = new QPushButton(Action_addnew->text(), GroupBox1);
    BitBtn4 = new QPushButton(Action_delete->text(), GroupBox1);
    BitBtn2 = new QPushButton(QStringLiteral("保存当前列表"), GroupBox1);
    grid->addWidget(BitBtn1, 1, 1);
    grid->addWidget(BitBtn4, 2, 1);
    grid->addWidget(BitBtn2, 3, 1);
    layout->addWidget(GroupBox1, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    BitBtn3 = new QPushButton(QStringLiteral("关闭"), clientArea());
    bottom->addWidget(BitBtn3);
    layout->addLayout(bottom);

    for (QPushButton *b : {BitBtn13, BitBtn1, BitBtn4, BitBtn2, BitBtn3, BitBtn5, BitBtn6})
        b->setAutoDefault(false);
    // Buttons follow their actions' enabled state.
    auto bind = [this](QPushButton *b, QAction *a) {
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::changed, b, [a, b] { b->setEnabled(a->isEnabled()); });
    };
    bind(BitBtn1, Action_addnew);
    bind(BitBtn4, Action_delete);
    connect(Action_addnew, &QAction::triggered, this, &TFormSYS::Action_addnewExecute);
    connect(Action_delete, &QAction::triggered, this, &TFormSYS::Action_deleteExecute);
    connect(ListBox1, &QListWidget::itemClicked, this, &TFormSYS::ListBox1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormSYS::BitBtn2Click);
    connect(BitBtn13, &QPushButton::clicked, this, &TFormSYS::BitBtn13Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormSYS::BitBtn3Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TFormSYS::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TFormSYS::BitBtn6Click);
    // Escape closes (the cancel button).
    connect(this, &QDialog::rejected, this, &QWidget::close);
    resize(560, 480);

    if (Option *o = currentOption()) {
        Edit1->setText(o->title);
        SpinEdit1->setValue(overstayHoursFromText(o->overstayHours));
        CheckBox1->setChecked(o->masksIdNumbers());
        SpinEdit2->setValue(o->retentionDayCount());
    } else {
        SpinEdit1->setValue(kDefaultOverstayHours);
        CheckBox1->setChecked(true);
    }
    Edit2->clear();
    for (const auto &s : listSettings(QStringLiteral(" where 名称=?"), {visitReasonKind()}))
        if (s)
            ListBox1->addItem(s->content);
    Action_addnew->setEnabled(false);
    Action_delete->setEnabled(false);
}

QStringList TFormSYS::reasons() const
{
    QStringList out;
    for (int i = 0; i < ListBox1->count(); ++i)
        out << ListBox1->item(i)->text();
    return out;
}

bool TFormSYS::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit2 && event->type() == QEvent::KeyRelease)
        Edit2KeyUp();
    return TFormbase::eventFilter(watched, event);
}

void TFormSYS::Edit2KeyUp() { Action_addnew->setEnabled(!Edit2->text().trimmed().isEmpty()); }

void TFormSYS::Action_addnewExecute()
{
    const QString reason = Edit2->text().trimmed();
    if (!reason.isEmpty())
        ListBox1->addItem(reason);
}

void TFormSYS::ListBox1Click()
{
    if (!ListBox1->selectedItems().isEmpty())
        Action_delete->setEnabled(true);
}

void TFormSYS::Action_deleteExecute()
{
    // The selected entry only; a current entry left after a click on empty
    // space is not selected and stays.
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    if (!selected.isEmpty())
        delete ListBox1->takeItem(ListBox1->row(selected.front()));
}

void TFormSYS::BitBtn2Click()
{
    // One transaction: a failure keeps the stored list as it was (and the
    // store has shown why), so "完成。" is only said when it is true.
    if (replaceSettings(visitReasonKind(), reasons())) {
        appendAudit(audit::ReasonsSaved, QString(), reasons().join(QStringLiteral("、")));
        reportInfo(QStringLiteral("完成。"));
    }
}

void TFormSYS::BitBtn13Click()
{
    if (Option *o = currentOption()) {
        o->title = Edit1->text();
        o->overstayHours = QString::number(SpinEdit1->value());
        o->maskIdNumbers = CheckBox1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        o->retentionDays = QString::number(SpinEdit2->value());
    }
    appendAudit(audit::TitleSaved, QString(),
                QStringLiteral("抬头“%1”，超时提醒 %2 小时，证件号码脱敏%3，保存期限 %4 天")
                    .arg(Edit1->text())
                    .arg(SpinEdit1->value())
                    .arg(CheckBox1->isChecked() ? QStringLiteral("开") : QStringLiteral("关"))
                    .arg(SpinEdit2->value()));
    reportInfo(QStringLiteral("完成。"));
    setTitleText(Edit1->text());
}

void TFormSYS::BitBtn3Click() { close(); }

void TFormSYS::BitBtn5Click()
{
    auto *w = new TFormWatchlist(this);
    w->exec();
}

void TFormSYS::BitBtn6Click()
{
    auto *w = new TFormAudit(this);
    w->exec();
}

} // namespace vondrel
