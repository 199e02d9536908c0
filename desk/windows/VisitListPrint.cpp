#include "VisitListPrint.h"

#include "AtomicFile.h"
#include "VisitListModel.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

namespace vondrel {

namespace {

// Draws the pages; false when the painter cannot start on the printer.
bool paint(QPrinter &printer, const PrintHeading &heading, const VisitListModel &model)
{
    QPainter p;
    if (!p.begin(&printer))
        return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area(0, 0, page.width(), page.height());

    QFont titleFont = p.font();
    titleFont.setPointSizeF(15);
    titleFont.setBold(true);
    QFont bodyFont = p.font();
    bodyFont.setPointSizeF(8.5);
    QFont headFont = bodyFont;
    headFont.setBold(true);

    const qreal titleHeight = QFontMetricsF(titleFont, &printer).height() * 1.5;
    const QFontMetricsF bodyMetrics(bodyFont, &printer);
    const qreal lineHeight = bodyMetrics.height();
    const qreal rowHeight = lineHeight * 1.6;
    const qreal infoHeight = lineHeight * 1.8;
    const qreal footerHeight = lineHeight * 2;
    const qreal pad = bodyMetrics.averageCharWidth() * 0.6;

    // Each column as wide as its widest text, then all of them stretched (or,
    // when the page is too narrow, shrunk) to the page width: on paper an ID
    // number or a time must be read whole.
    const auto &specs = VisitListModel::columnSpecs();
    const QFontMetricsF headMetrics(headFont, &printer);
    std::vector<qreal> need(VisitListModel::ColumnCount, 0.0);
    for (int c = 0; c < VisitListModel::ColumnCount; ++c) {
        need[size_t(c)] = headMetrics.horizontalAdvance(QString::fromUtf8(specs[size_t(c)].caption));
        for (int r = 0; r < model.rowCount(); ++r)
            need[size_t(c)] = std::max(need[size_t(c)], bodyMetrics.horizontalAdvance(model.cellText(r, c)));
        need[size_t(c)] += 2.5 * pad;
    }
    qreal total = 0;
    for (qreal w : need)
        total += w;
    std::vector<qreal> x(VisitListModel::ColumnCount + 1, 0.0);
    for (int c = 0; c < VisitListModel::ColumnCount; ++c)
        x[size_t(c) + 1] = x[size_t(c)] + need[size_t(c)] * area.width() / total;

    const qreal tableTop = titleHeight + infoHeight;
    const qreal tableBottom = area.height() - footerHeight;
    const int rows = model.rowCount();
    const int perPage = std::max(1, int((tableBottom - tableTop) / rowHeight) - 1);
    const int pages = std::max(1, (rows + perPage - 1) / perPage);

    auto cell = [&](qreal top, int c, const QString &text, bool right) {
        const QRectF r(x[size_t(c)] + pad, top, x[size_t(c) + 1] - x[size_t(c)] - 2 * pad, rowHeight);
        const QString shown = QFontMetricsF(p.font(), &printer).elidedText(text, Qt::ElideRight, r.width());
        p.drawText(r, int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter), shown);
    };

    for (int pageNo = 0; pageNo < pages; ++pageNo) {
        if (pageNo > 0)
            printer.newPage();
        p.setFont(titleFont);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, 0, area.width(), titleHeight), Qt::AlignHCenter | Qt::AlignVCenter, heading.title);
        p.setFont(bodyFont);
        p.drawText(QRectF(0, titleHeight, area.width() / 2, infoHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("打印时间：") + heading.time);
        p.drawText(QRectF(area.width() / 2, titleHeight, area.width() / 2, infoHeight),
                   Qt::AlignRight | Qt::AlignVCenter, heading.count);

        qreal top = tableTop;
        p.fillRect(QRectF(0, top, area.width(), rowHeight), QColor(225, 225, 225));
        p.setFont(headFont);
        for (int c = 0; c < VisitListModel::ColumnCount; ++c)
            cell(top, c, QString::fromUtf8(specs[size_t(c)].caption), specs[size_t(c)].alignRight);
        top += rowHeight;
        p.setFont(bodyFont);
        const int first = pageNo * perPage;
        const int last = std::min(rows, first + perPage);
        for (int r = first; r < last; ++r, top += rowHeight) {
            const QVariant background = model.data(model.index(r, 0), Qt::BackgroundRole);
            if (background.isValid())
                p.fillRect(QRectF(0, top, area.width(), rowHeight), background.value<QBrush>());
            for (int c = 0; c < VisitListModel::ColumnCount; ++c)
                cell(top, c, model.cellText(r, c), specs[size_t(c)].alignRight);
        }
        // Grid: the header and the rows of this page.
        QPen grid(QColor(120, 120, 120));
        grid.setWidthF(printer.resolution() / 150.0);
        p.setPen(grid);
        for (qreal y = tableTop; y <= top + 0.5; y += rowHeight)
            p.drawLine(QPointF(0, y), QPointF(area.width(), y));
        for (qreal cx : x)
            p.drawLine(QPointF(cx, tableTop), QPointF(cx, top));
        p.setPen(Qt::black);
        p.drawText(QRectF(0, area.height() - footerHeight, area.width(), footerHeight), Qt::AlignCenter,
                   QStringLiteral("第 %1 页 / 共 %2 页").arg(pageNo + 1).arg(pages));
    }
    return p.end();
}

} // namespace

void prepareListPrinter(QPrinter &printer)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
}

bool printVisitList(QPrinter &printer, const PrintHeading &heading, const VisitListModel &model,
                    QString *error)
{
    const QString target = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || target.isEmpty()) {
        if (paint(printer, heading, model))
            return true;
        if (error)
            *error = QStringLiteral("无法打印：打印机没有准备好。");
        return false;
    }
    QString why;
    const std::optional<QString> temp = vq::createTempFileFor(target, &why);
    if (!temp) {
        if (error)
            *error = QStringLiteral("无法创建文件：%1\n%2").arg(QDir::toNativeSeparators(target), why);
        return false;
    }
    printer.setOutputFileName(*temp);
    const bool painted = paint(printer, heading, model);
    printer.setOutputFileName(target);
    if (!painted) {
        QFile::remove(*temp);
        if (error)
            *error = QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(target));
        return false;
    }
    if (!vq::commitWrittenFile(*temp, target, &why)) {
        if (error)
            *error = QStringLiteral("无法写入文件：%1\n%2").arg(QDir::toNativeSeparators(target), why);
        return false;
    }
    return true;
}

} // namespace vondrel
