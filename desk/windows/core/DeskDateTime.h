#pragma once
// Visit times are stored as "yyyy-MM-dd hh:mm:ss" text. The list parses them
// for the stay time and for sorting, up to 200,000 per refresh, so this is a
// small hand-written reader rather than QDateTime::fromString.
#include <QString>
#include <optional>

namespace vondrel {

// Reads a desk date-time text: a date "yyyy-M-d" optionally followed by a
// time "h:m", "h:m:s" or "h:m:s.zzz"; blanks around it are ignored. The result
// is a wall-clock instant in milliseconds (Julian day * 86400000 + time of
// day): no time zone, so differences are plain calendar differences.
std::optional<qint64> parseDeskDateTime(const QString &text);

// The current local wall-clock time in the same scale.
qint64 deskNowMs();

} // namespace vondrel
