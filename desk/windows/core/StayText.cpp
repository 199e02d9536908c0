#include "StayText.h"

#include "DeskDateTime.h"

namespace vondrel {

namespace {

// printf's "%02d": at least two digits, a minus sign counting as one.
void appendTwoDigits(QString &out, qint64 value)
{
    if (value >= 0 && value < 10)
        out += QLatin1Char('0');
    out += QString::number(value);
}

} // namespace

QString stayTextFromMinutes(qint64 minutes)
{
    // Filled for every listed visit, so built by hand instead of asprintf.
    const qint64 days = minutes / 60 / 24;
    const qint64 hours = (minutes / 60) % 24;
    const qint64 rest = minutes % 60;
    QString out;
    out.reserve(12);
    if (days > 0) {
        out += QString::number(days);
        out += QChar(0x5929); // 天
    }
    if (days > 0 || hours > 0) {
        appendTwoDigits(out, hours);
        out += QStringView(u"小时");
    }
    appendTwoDigits(out, rest);
    out += QChar(0x5206); // 分
    return out;
}

QString stayText(const QString &entryTime, const QString &leaveTime, qint64 nowMs)
{
    const auto start = parseDeskDateTime(entryTime);
    if (!start)
        return QString();
    qint64 end = nowMs;
    if (!leaveTime.isEmpty()) {
        const auto leave = parseDeskDateTime(leaveTime);
        if (!leave)
            return QString();
        end = *leave;
    }
    // Integer division truncates toward zero, like the whole-minute count.
    return stayTextFromMinutes((end - *start) / 60000);
}

} // namespace vondrel
