#pragma once
// The desk's one date format. Visit times are stored as text
// "yyyy-MM-dd hh:mm:ss" and birth dates as "yyyy-MM-dd"; every conversion
// that names no format of its own goes through these helpers.
#include <QDate>
#include <QDateTime>
#include <QString>

namespace vondrel {

// Start-up step 1: fixes the short date format "yyyy-MM-dd" (separator "-")
// and the long time format "hh:mm:ss" for the run.
void initDateFormat();

QString shortDateFormat();    // "yyyy-MM-dd"
QString dateTimeFormat();     // "yyyy-MM-dd hh:mm:ss"

QString dateToStr(const QDate &d);              // "2011-03-05"
QString dateTimeToStr(const QDateTime &t);      // "2011-03-05 08:07:09"
// Lenient parsing of the stored texts: "2011-03-05", "2011-3-5",
// "2011-03-05 08:07:09", "2011-03-05 8:07", surrounding blanks allowed.
// An invalid QDate / QDateTime when the text does not parse.
QDate strToDate(const QString &text);
QDateTime strToDateTime(const QString &text);

} // namespace vondrel
