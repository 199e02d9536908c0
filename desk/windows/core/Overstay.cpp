#include "Overstay.h"

#include "DeskDateTime.h"

#include <algorithm>

namespace vondrel {

bool isOverstaying(const visitInfo &v, qint64 nowMs, int hours)
{
    if (hours <= 0 || !v.leaveTime.isEmpty())
        return false;
    const std::optional<qint64> entry = parseDeskDateTime(v.entryTime);
    return entry && nowMs - *entry >= qint64(hours) * 3600000;
}

int overstayHoursFromText(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    qint64 n = 0;
    const qsizetype start = i;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i)
        n = std::min<qint64>(n * 10 + (t[i].unicode() - '0'), kMaxOverstayHours);
    if (i == start)
        return kDefaultOverstayHours;
    return negative ? 0 : int(n);
}

QColor overstayBackground() { return QColor(255, 214, 153); }
QColor overstayForeground() { return QColor(150, 30, 0); }

} // namespace vondrel
