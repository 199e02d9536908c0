#include "TFormAudit.h"

#include "AtomicFile.h"
#include "DataFolder.h"
#include "PrivacyText.h"
#include "Reporter.h"
#include "Storemanage_audit.h"

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vondrel {

TFormAudit::TFormAudit(QWidget *owner) : TFormbase(owner)
{
    setWindowTitle(QStringLiteral("操作日志"));
    auto *layout = new QVBoxLayout(clientArea());
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("日期从"), clientArea()));
    DateTimePicker1 = new QDateEdit(QDate::currentDate().addDays(-6), clientArea());
    DateTimePicker2 = new QDateEdit(QDate::currentDate(), clientArea());
    for (QDateEdit *d : {DateTimePicker1, DateTimePicker2}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    row->addWidget(DateTimePicker1);
    row->addWidget(new QLabel(QStringLiteral("至"), clientArea()));
    row->addWidget(DateTimePicker2);
    BitBtn1 = new QPushButton(QStringLiteral("查询"), clientArea());
    BitBtn2 = new QPushButton(QStringLiteral("导出"), clientArea());
    row->addWidget(BitBtn1);
    row->addWidget(BitBtn2);
    row->addStretch();
    layout->addLayout(row);

    ListView1 = new QTableWidget(0, 5, clientArea());
    ListView1->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("门卫"), QStringLiteral("操作"),
                                          QStringLiteral("来访ID"), QStringLiteral("详情")});
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->verticalHeader()->hide();
    ListView1->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {140, 80, 100, 120};
    for (int c = 0; c < 4; ++c)
        ListView1->setColumnWidth(c, widths[c]);
    layout->addWidget(ListView1, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    BitBtn3 = new QPushButton(QStringLiteral("关闭"), clientArea());
    bottom->addWidget(BitBtn3);
    layout->addLayout(bottom);
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3})
        b->setAutoDefault(false);

    SaveDialog1 = [](QWidget *owner) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("导出操作日志"),
                                            documentsFolder() + QStringLiteral("/操作日志.xls"),
                                            QStringLiteral("Excel 文件 (*.xls)"));
    };
    connect(BitBtn1, &QPushButton::clicked, this, &TFormAudit::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormAudit::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &QWidget::close);
    connect(this, &QDialog::rejected, this, &QWidget::close);
    resize(820, 520);
    BitBtn1Click();
}

void TFormAudit::BitBtn1Click()
{
    const ArrayOfauditInfo rows = listAudit(DateTimePicker1->date(), DateTimePicker2->date());
    ListView1->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const auditInfo &a = *rows[size_t(r)];
        const QString cells[] = {a.time, a.guard, a.action, a.visitId, a.detail};
        for (int c = 0; c < 5; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            // A long detail is elided in its cell; the whole text is one hover away.
            item->setToolTip(cells[c]);
            ListView1->setItem(r, c, item);
        }
    }
}

void TFormAudit::BitBtn2Click()
{
    QString path = SaveDialog1 ? SaveDialog1(this) : QString();
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        path += QStringLiteral(".xls");
    const ArrayOfauditInfo rows = listAudit(DateTimePicker1->date(), DateTimePicker2->date());
    QString error;
    if (!vq::writeFileAtomically(path, auditExportBytes(rows), &error)) {
        reportError(QStringLiteral("无法写入导出文件：%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    appendAudit(audit::Export, QString(),
                QStringLiteral("操作日志 %1，%2 行").arg(QFileInfo(path).fileName()).arg(rows.size()));
    reportInfo(QStringLiteral("数据导出完毕。"));
}

} // namespace vondrel
