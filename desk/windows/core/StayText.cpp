#include "StayText.h"

#include "DeskDateTime.h"

namespace vondrel {

QString stayTextFromMinutes(qint64 minutes)
{
    const qint64 days = minutes / 60 / 24;
    const qint64 hours = (minutes / 60) % 24;
    const qint64 rest = minutes % 60;
    if (days > 0)
        return QString::asprintf("%lld天%02lld小时%02lld分", days, hours, rest);
    if (hours > 0)
        return QString::asprintf("%02lld小时%02lld分", hours, rest);
    return QString::asprintf("%02lld分", rest);
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
