#include "VisitSearch.h"

namespace vondrel {

QString likeContainsPattern(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'%';
    for (const QChar c : text) {
        if (c == kLikeEscape || c == u'%' || c == u'_')
            out += QChar(kLikeEscape);
        out += c;
    }
    out += u'%';
    return out;
}

VisitQuery visitListQuery(const VisitFilter &filter)
{
    VisitQuery q;
    QStringList parts;
    if (!filter.allDates) {
        // 登记时间 compares as text: from the first date up to (not
        // including) the day after the second date.
        parts << QStringLiteral("(登记时间 between ? and ?)");
        q.params << filter.from.toString(QStringLiteral("yyyy-MM-dd"))
                 << filter.to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (!filter.reason.isEmpty()) {
        parts << QStringLiteral("来访事由=?");
        q.params << filter.reason;
    }
    const QString search = filter.search.trimmed();
    if (!search.isEmpty()) {
        static const char *const columns[] = {"姓名", "证件号码", "联系电话", "工作单位", "被访人"};
        QStringList any;
        const QString pattern = likeContainsPattern(search);
        for (const char *column : columns) {
            any << QString::fromUtf8(column) + QStringLiteral(" like ? escape '\\'");
            q.params << pattern;
        }
        parts << QLatin1Char('(') + any.join(QStringLiteral(" or ")) + QLatin1Char(')');
    }
    if (!parts.isEmpty())
        q.condition = QStringLiteral(" where ") + parts.join(QStringLiteral(" and "));
    return q;
}

VisitQuery insideNowQuery()
{
    // The desk decides "inside" from the leave time alone; files written by
    // other programs may hold NULL there instead of an empty text.
    return {QStringLiteral(" where (注销时间='' or 注销时间 is null)"), {}};
}

} // namespace vondrel
