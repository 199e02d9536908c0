#include "TFormAcccountManage.h"

#include "Storemanage_audit.h"

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
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vondrel {

TFormAcccountManage::TFormAcccountManage(QWidget *owner) : TFormbase(owner)
{
    setWindowTitle(QStringLiteral("门卫账户管理"));
    auto *layout = new QVBoxLayout(clientArea());
    Label1 = new QLabel(QStringLiteral("门卫账户列表"), clientArea());
    layout->addWidget(Label1);

    ListView1 = new QTableWidget(0, 2, clientArea());
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setShowGrid(true);
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
    ListView1->setHorizontalHeaderLabels({QStringLiteral("姓名"), QStringLiteral("密码")});
    ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnWidth(1, 80);
    ListView1->horizontalHeader()->setSectionsClickable(true);
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
    connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this, &TFormAcccountManage::ListView1ColumnClick);
    connect(ListView1, &QTableWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos)); });
    resize(420, 420);

    Label_count->setText(QString());
    fillList();
}

QString TFormAcccountManage::rowName(int row) const
{
    QTableWidgetItem *item = ListView1->item(row, 0);
    return item ? item->text() : QString();
}

QString TFormAcccountManage::rowPassword(int row) const
{
    QTableWidgetItem *item = ListView1->item(row, 1);
    return item ? item->text() : QString();
}

int TFormAcccountManage::selectedRow() const
{
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TFormAcccountManage::updateCount() { Label_count->setText(QString::number(ListView1->rowCount())); }

void TFormAcccountManage::addRow(const QString &name, const QString &password)
{
    // The row's two texts are its account.
    const int row = ListView1->rowCount();
    ListView1->insertRow(row);
    ListView1->setItem(row, 0, new QTableWidgetItem(name));
    ListView1->setItem(row, 1, new QTableWidgetItem(password));
    updateCount();
}

void TFormAcccountManage::fillList()
{
    ListView1->setRowCount(0);
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
    const int row = selectedRow();
    if (row < 0) {
        reportWarning(QStringLiteral("没有项目被选中"));
        return;
    }
    accountInfo account{rowName(row), rowPassword(row)};
    bool ok = false;
    auto *edit = new TFormAccountEdit(this, ok, 1, account);
    edit->Edit1->setReadOnly(true);
    edit->exec();
    if (ok) {
        ListView1->item(row, 0)->setText(account.name);
        ListView1->item(row, 1)->setText(account.password);
    }
}

void TFormAcccountManage::ActionDeleteExecute()
{
    const int row = selectedRow();
    if (row < 0) {
        reportWarning(QStringLiteral("没有项目被选中"));
        return;
    }
    const QString name = rowName(row);
    if (name == QLatin1String("admin")) {
        reportWarning(QStringLiteral("admin为系统管理员账户不可以被删除。"));
        return;
    }
    if (deleteAccount(name)) {
        appendAudit(audit::AccountDeleted, QString(), name);
        ListView1->removeRow(row);
    }
    updateCount();
}

void TFormAcccountManage::ListView1ColumnClick(int column)
{
    if (column < 0 || column >= int(m_tags.size()))
        return;
    m_sortColumn = column;
    m_tags[size_t(column)] = toggledColumnTag(m_tags[size_t(column)]);
    const int tag = m_tags[size_t(column)];
    std::vector<accountInfo> rows;
    for (int r = 0; r < ListView1->rowCount(); ++r)
        rows.push_back({rowName(r), rowPassword(r)});
    const QString selected = selectedRow() >= 0 ? rowName(selectedRow()) : QString();
    std::stable_sort(rows.begin(), rows.end(), [&](const accountInfo &a, const accountInfo &b) {
        return compareByTag(tag, column == 0 ? a.name : a.password, column == 0 ? b.name : b.password) < 0;
    });
    ListView1->clearSelection();
    for (int r = 0; r < int(rows.size()); ++r) {
        ListView1->item(r, 0)->setText(rows[size_t(r)].name);
        ListView1->item(r, 1)->setText(rows[size_t(r)].password);
        // The selection follows its account.
        if (!selected.isEmpty() && rows[size_t(r)].name == selected)
            ListView1->selectRow(r);
    }
}

} // namespace vondrel
