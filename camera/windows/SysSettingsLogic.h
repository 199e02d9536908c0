// The rules behind the system settings window, free of widgets: how the
// stored flag, date and time texts read, the hot-key list, the language
// list, the password check.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace quorvel {

// A stored flag: "True" or "False" in any letter case, or a whole number
// (0 false, anything else true). Anything else does not read.
std::optional<bool> readFlag(const QString &text);
// The stored form of a check box: "True" / "False".
inline QString flagText(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }
// The message for a flag text that does not read.
QString notABooleanText(const QString &option, const QString &text);

// The power-off day, stored as "yyyy-MM-dd".
std::optional<QDate> readStoredDate(const QString &text);
inline QString storedDateText(QDate day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }
// The power-off time, stored as "HH:mm:ss" ("H:mm:ss" and "HH:mm" also read).
std::optional<QTime> readStoredTime(const QString &text);
inline QString storedTimeText(QTime t) { return t.toString(QStringLiteral("HH:mm:ss")); }

// The hot keys offered: "Esc", "A".."Z", "0".."9", "F1".."F12".
QStringList hookKeyNames();

// The languages in the order of the language table (index = langIndex).
QStringList languageNames();
// A short mark for the language's icon ("EN", "中", ...).
QString languageMark(int index);

// The password fields when protection is on: equal, and the first not
// blank after trimming.
inline bool lockPasswordAccepted(const QString &first, const QString &second)
{
    return first == second && !first.trimmed().isEmpty();
}

} // namespace quorvel
