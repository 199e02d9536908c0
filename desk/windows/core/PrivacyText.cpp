#include "PrivacyText.h"

#include "AnsiText.h"
#include "VisitExport.h"

#include <QStringList>

namespace vondrel {

QByteArray auditExportBytes(const ArrayOfauditInfo &rows)
{
    QString text = QStringLiteral("时间\t门卫\t操作\t来访ID\t详情\r\n");
    for (const auto &r : rows) {
        const QStringList cells = {r->time, r->guard, r->action, r->visitId, r->detail};
        QStringList clean;
        for (const QString &c : cells)
            clean << cleanCell(c);
        text += clean.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return toAnsi(text);
}

bool anyForbidden(const ArrayOfwatchInfo &hits)
{
    for (const auto &h : hits)
        if (h->forbidden())
            return true;
    return false;
}

QString watchWarningText(const ArrayOfwatchInfo &hits, bool asking)
{
    QStringList parts;
    for (const auto &h : hits) {
        const QString who = !h->docNumber.isEmpty() && !h->name.isEmpty()
            ? QStringLiteral("%1（%2）").arg(h->name, h->docNumber)
            : (h->docNumber.isEmpty() ? h->name : h->docNumber);
        QString p = QStringLiteral("关注名单：%1\n级别：%2").arg(who, h->level);
        if (!h->note.isEmpty())
            p += QStringLiteral("\n备注：%1").arg(h->note);
        parts << p;
    }
    QString text = parts.join(QStringLiteral("\n\n"));
    if (anyForbidden(hits))
        text += asking ? QStringLiteral("\n\n此人禁止进入。确实要仍然登记吗？") : QStringLiteral("\n\n此人禁止进入。");
    else
        text += QStringLiteral("\n\n请安排陪同。");
    return text;
}

QString watchHitDetail(const watchInfo &hit, const QString &when)
{
    return QStringLiteral("%1：%2 %3，%4%5")
        .arg(when, hit.docNumber, hit.name, hit.level,
             hit.note.isEmpty() ? QString() : QStringLiteral("，") + hit.note);
}

} // namespace vondrel
