#pragma once
#include <QString>

namespace vondrel {

// "1天03小时07分", "02小时05分" or "45分" for a count of minutes. Negative
// counts (a leave time before the entry time) fall through to the
// minutes-only form with a minus sign, as the plain integer arithmetic gives.
QString stayTextFromMinutes(qint64 minutes);

// The stay of a visit from its entry time to its leave time, or to nowMs
// (see deskNowMs) while the visitor is inside. Empty text when a time does
// not parse, so one bad row cannot stop the list from being filled.
QString stayText(const QString &entryTime, const QString &leaveTime, qint64 nowMs);

} // namespace vondrel
