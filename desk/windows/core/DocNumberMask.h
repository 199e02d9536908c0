#pragma once
// ID numbers on screen for guards other than admin: the first 6 and the
// last 4 characters shown, the rest as "*" ("110105********002X").
#include <QString>

namespace vondrel {

// A number of 10 characters or fewer (a passport, a typing slip) would show
// whole under that rule; it keeps only its first and last character instead
// (fewer than 3 characters: all "*"). Blanks around the number are dropped.
QString maskDocNumber(const QString &number);

// Whether the guard logged in sees masked numbers: the switch is on and the
// guard is not "admin".
bool masksDocNumbersFor(const QString &guard, bool switchOn);

// Whether `path` is a snapshot file of the camera library's dated folders
// (".../yyyyMMddTimingCapture/<file>"): the only files the registration
// form deletes after use.
bool isDeskSnapshotFile(const QString &path);

} // namespace vondrel
