#include "DateFormat.h"

#include <QRegularExpression>

namespace vondrel {

namespace {
QString g_shortDate = QStringLiteral("yyyy-MM-dd");
}

void initDateFormat()
{
    g_shortDate = QStringLiteral("yyyy-MM-dd");
}

QString shortDateFormat() { return g_shortDate; }

QString dateTimeFormat() { return g_shortDate + QStringLiteral(" hh:mm:ss"); }

QString dateToStr(const QDate &d) { return d.toString(shortDateFormat()); }

QString dateTimeToStr(const QDateTime &t) { return t.toString(dateTimeFormat()); }

QDate strToDate(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*(\d{1,4})-(\d{1,2})-(\d{1,2})\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

QDateTime strToDateTime(const QString &text)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,4})-(\d{1,2})-(\d{1,2})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return {};
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return {};
    QTime time(0, 0, 0);
    if (m.hasCaptured(4))
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                     m.hasCaptured(6) ? m.captured(6).toInt() : 0);
    if (!time.isValid())
        return {};
    return QDateTime(date, time);
}

} // namespace vondrel
