#include "TFormAcccountManage.h"

#include "ColumnSort.h"
#include "Reporter.h"
#include "Storemanage_account.h"
#include "TFormAccountEdit.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vondrel {

TFormAcccountManage::TFormAcccountManage(QWidget *owner) : TFormbase(owner)
{
    setWindowTitle(QStringLiteral("门卫账户管理"));
    auto *layout = new QVBoxLayout(clientArea());
    Label1 = new QLabel(QStringLiteral("门卫账户列表"), clientArea());
    layout->addWidget(Label1);

    ListView1 = new QTreeWidget(clientArea());
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHeaderLabels({QStringLiteral("姓名"), QStringLiteral("密码")});
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnWidth(1, 80);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setStretchLastSection(true);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(ListView1, 1);

    auto *bottom = new QHBoxLayout;
    ActionNew = new QAction(QStringLiteral("新增"), this);
    ActionModify = new QAction(QStringLiteral("修改"), this);
    ActionDelete = new QAction(QStringLiteral("删除"), this);
    BitBtn1 = new QPushButton(ActionNew->text(), clientArea());
    BitBtn2 = new QPushButton(ActionModify->text(), clientArea());
    BitBtn3 = new QPushButton(ActionDelete->text(), clientArea());
    const std::array<std::pair<QPushButton *, QAction *>, 3> bound = {
        {{BitBtn1, ActionNew}, {BitBtn2, ActionModify}, {BitBtn3, ActionDelete}}};
    for (const auto &[button, action] : bound) {
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        bottom->addWidget(button);
    }
    bottom->addStretch();
    Label_count = new QLabel(clientArea());
    Label_count->setStyleSheet(QStringLiteral("color: red;"));
    Label_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bottom->addWidget(Label_count);
    layout->addLayout(bottom);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addActions({ActionNew, ActionModify, ActionDelete});
    connect(ActionNew, &QAction::triggered, this, &TFormAcccountManage::ActionNewExecute);
    connect(ActionModify, &QAction::triggered, this, &TFormAcccountManage::ActionModifyExecute);
    connect(ActionDelete, &QAction::triggered, this, &TFormAcccountManage::ActionDeleteExecute);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, &TFormAcccountManage::ListView1ColumnClick);
    connect(ListView1, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos)); });
    resize(420, 420);

    Label_count->setText(QString());
    fillList();
}

QString TFormAcccountManage::rowName(int row) const
{
    QTreeWidgetItem *item = ListView1->topLevelItem(row);
    return item ? item->text(0) : QString();
}

QString TFormAcccountManage::rowPassword(int row) const
{
    QTreeWidgetItem *item = ListView1->topLevelItem(row);
    return item ? item->text(1) : QString();
}

void TFormAcccountManage::updateCount() { Label_count->setText(QString::number(ListView1->topLevelItemCount())); }

void TFormAcccountManage::addRow(const QString &name, const QString &password)
{
    // The row's two texts are its account.
    ListView1->addTopLevelItem(new QTreeWidgetItem(QStringList{name, password}));
    updateCount();
}

void TFormAcccountManage::fillList()
{
    ListView1->clear();
    for (const auto &a : listAccounts())
        if (a)
            addRow(a->name, a->password);
}

void TFormAcccountManage::ActionNewExecute()
{
    accountInfo account;
    bool ok = false;
    auto *edit = new TFormAccountEdit(this, ok, 0, account);
    edit->exec();
    if (ok)
        addRow(account.name, account.password);
}

void TFormAcccountManage::ActionModifyExecute()
{
    QTreeWidgetItem *item = ListView1->currentItem();
    if (!item || !item->isSelected()) {
        reportWarning(QStringLiteral("没有项目被选中"));
        return;
    }
    accountInfo account{item->text(0), item->text(1)};
    bool ok = false;
    auto *edit = new TFormAccountEdit(this, ok, 1, account);
    edit->Edit1->setReadOnly(true);
    edit->exec();
    if (ok) {
        item->setText(0, account.name);
        item->setText(1, account.password);
    }
}

void TFormAcccountManage::ActionDeleteExecute()
{
    QTreeWidgetItem *item = ListView1->currentItem();
    if (!item || !item->isSelected()) {
        reportWarning(QStringLiteral("没有项目被选中"));
        return;
    }
    if (item->text(0) == QLatin1String("admin")) {
        reportWarning(QStringLiteral("admin为系统管理员账户不可以被删除。"));
        return;
    }
    if (deleteAccount(item->text(0)))
        delete item;
    updateCount();
}

void TFormAcccountManage::ListView1ColumnClick(int column)
{
    if (column < 0 || column >= int(m_tags.size()))
        return;
    m_sortColumn = column;
    m_tags[size_t(column)] = toggledColumnTag(m_tags[size_t(column)]);
    const int tag = m_tags[size_t(column)];
    QList<QTreeWidgetItem *> items;
    while (ListView1->topLevelItemCount() > 0)
        items << ListView1->takeTopLevelItem(0);
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem *a, QTreeWidgetItem *b) {
        return compareByTag(tag, a->text(column), b->text(column)) < 0;
    });
    ListView1->addTopLevelItems(items);
}

} // namespace vondrel
