#include "TFormWatchlist.h"

#include "Reporter.h"
#include "Storemanage_audit.h"
#include "Storemanage_watch.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vondrel {

TFormWatchlist::TFormWatchlist(QWidget *owner) : TFormbase(owner)
{
    setWindowTitle(QStringLiteral("关注名单"));
    auto *layout = new QVBoxLayout(clientArea());
    ListView1 = new QTableWidget(0, 4, clientArea());
    ListView1->setHorizontalHeaderLabels(
        {QStringLiteral("证件号码"), QStringLiteral("姓名"), QStringLiteral("级别"), QStringLiteral("备注")});
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->verticalHeader()->hide();
    ListView1->horizontalHeader()->setStretchLastSection(true);
    ListView1->setColumnWidth(0, 170);
    ListView1->setColumnWidth(1, 90);
    ListView1->setColumnWidth(2, 80);
    layout->addWidget(ListView1, 1);

    auto *form = new QFormLayout;
    Edit1 = new QLineEdit(clientArea());
    Edit1->setMaxLength(30);
    Edit2 = new QLineEdit(clientArea());
    Edit2->setMaxLength(50);
    ComboBox1 = new QComboBox(clientArea());
    ComboBox1->addItems({kWatchForbidden, kWatchEscort});
    Edit3 = new QLineEdit(clientArea());
    Edit3->setMaxLength(1000);
    form->addRow(QStringLiteral("证件号码"), Edit1);
    form->addRow(QStringLiteral("姓名"), Edit2);
    form->addRow(QStringLiteral("级别"), ComboBox1);
    form->addRow(QStringLiteral("备注"), Edit3);
    layout->addLayout(form);

    auto *buttons = new QHBoxLayout;
    BitBtn1 = new QPushButton(QStringLiteral("新增"), clientArea());
    BitBtn2 = new QPushButton(QStringLiteral("修改"), clientArea());
    BitBtn3 = new QPushButton(QStringLiteral("删除"), clientArea());
    BitBtn4 = new QPushButton(QStringLiteral("关闭"), clientArea());
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3}) {
        buttons->addWidget(b);
        b->setAutoDefault(false);
    }
    buttons->addStretch();
    buttons->addWidget(BitBtn4);
    BitBtn4->setAutoDefault(false);
    layout->addLayout(buttons);

    connect(ListView1, &QTableWidget::itemSelectionChanged, this, &TFormWatchlist::ListView1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormWatchlist::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormWatchlist::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormWatchlist::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &QWidget::close);
    connect(this, &QDialog::rejected, this, &QWidget::close);
    resize(640, 460);
    refreshList();
}

QString TFormWatchlist::keyAt(int row) const
{
    const QTableWidgetItem *item = ListView1->item(row, 0);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TFormWatchlist::refreshList()
{
    const ArrayOfwatchInfo all = listWatch();
    // A selection kept over the new rows would leave the buttons off while
    // a row shows selected.
    ListView1->clearSelection();
    ListView1->setRowCount(int(all.size()));
    for (int r = 0; r < int(all.size()); ++r) {
        const watchInfo &w = *all[size_t(r)];
        const QString cells[] = {w.docNumber, w.name, w.level, w.note};
        for (int c = 0; c < 4; ++c)
            ListView1->setItem(r, c, new QTableWidgetItem(cells[c]));
        ListView1->item(r, 0)->setData(Qt::UserRole, w.id);
    }
    BitBtn2->setEnabled(false);
    BitBtn3->setEnabled(false);
}

void TFormWatchlist::ListView1Click()
{
    const int row = ListView1->currentRow();
    const bool any = row >= 0 && !ListView1->selectedItems().isEmpty();
    BitBtn2->setEnabled(any);
    BitBtn3->setEnabled(any);
    if (!any)
        return;
    Edit1->setText(ListView1->item(row, 0)->text());
    Edit2->setText(ListView1->item(row, 1)->text());
    ComboBox1->setCurrentText(ListView1->item(row, 2)->text());
    Edit3->setText(ListView1->item(row, 3)->text());
}

bool TFormWatchlist::store(const QString &key)
{
    watchInfo w;
    w.id = key;
    w.docNumber = Edit1->text();
    w.name = Edit2->text();
    w.level = ComboBox1->currentText();
    w.note = Edit3->text();
    if (saveWatch(w).isEmpty())
        return false;
    appendAudit(audit::WatchChanged, QString(),
                QStringLiteral("%1：%2 %3，%4").arg(key.isEmpty() ? QStringLiteral("新增") : QStringLiteral("修改"),
                                                   w.docNumber, w.name, w.level));
    refreshList();
    return true;
}

void TFormWatchlist::BitBtn1Click() { store(QString()); }

void TFormWatchlist::BitBtn2Click()
{
    const QString key = keyAt(ListView1->currentRow());
    if (!key.isEmpty())
        store(key);
}

void TFormWatchlist::BitBtn3Click()
{
    const int row = ListView1->currentRow();
    const QString key = keyAt(row);
    if (key.isEmpty() || !askYesNo(QStringLiteral("确实要删除这条关注名单吗？")))
        return;
    const QString who = ListView1->item(row, 0)->text() + QLatin1Char(' ') + ListView1->item(row, 1)->text();
    if (deleteWatch(key)) {
        appendAudit(audit::WatchChanged, QString(), QStringLiteral("删除：%1").arg(who));
        refreshList();
    }
}

} // namespace vondrel
