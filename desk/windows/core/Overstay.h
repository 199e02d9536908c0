#pragma once
// Overstays: a visit still open (no leave time) after a set number of hours.
// The limit lives in the desk options ("overstayHours"); 0 turns the warning
// off.
#include "Storemanage_visit.h"

#include <QColor>
#include <QString>

namespace vondrel {

constexpr int kDefaultOverstayHours = 8;
constexpr int kMaxOverstayHours = 999;

// True when `v` has no leave time and its entry time lies `hours` hours or
// more before nowMs (see deskNowMs). False for hours 0 or an entry time that
// does not read.
bool isOverstaying(const visitInfo &v, qint64 nowMs, int hours);

// The option text as hours: leading digits (blanks and a sign allowed), the
// default for text without digits, clamped to 0 .. kMaxOverstayHours.
int overstayHoursFromText(const QString &text);

// The warning colours of an overstaying row in the list and on paper.
QColor overstayBackground();
QColor overstayForeground();

} // namespace vondrel
