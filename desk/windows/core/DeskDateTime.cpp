#include "DeskDateTime.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace vondrel {

namespace {

// Reads 1 to maxDigits decimal digits at pos.
bool readNumber(const QChar *s, qsizetype n, qsizetype &pos, int maxDigits, int &out)
{
    int value = 0;
    int digits = 0;
    while (pos < n && digits < maxDigits && s[pos].unicode() >= '0' && s[pos].unicode() <= '9') {
        value = value * 10 + (s[pos].unicode() - '0');
        ++pos;
        ++digits;
    }
    out = value;
    return digits > 0;
}

bool expect(const QChar *s, qsizetype n, qsizetype &pos, char c)
{
    if (pos < n && s[pos].unicode() == c) {
        ++pos;
        return true;
    }
    return false;
}

bool isBlank(QChar c) { return c.unicode() == ' ' || c.unicode() == '\t'; }

} // namespace

std::optional<qint64> parseDeskDateTime(const QString &text)
{
    const QChar *s = text.constData();
    qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n && isBlank(s[pos]))
        ++pos;
    while (n > pos && isBlank(s[n - 1]))
        --n;

    int year = 0, month = 0, day = 0;
    if (!readNumber(s, n, pos, 4, year) || !expect(s, n, pos, '-') ||
        !readNumber(s, n, pos, 2, month) || !expect(s, n, pos, '-') ||
        !readNumber(s, n, pos, 2, day))
        return std::nullopt;
    if (!QDate::isValid(year, month, day))
        return std::nullopt;

    int hour = 0, minute = 0, second = 0, msec = 0;
    if (pos < n) {
        if (!isBlank(s[pos]))
            return std::nullopt;
        while (pos < n && isBlank(s[pos]))
            ++pos;
        if (!readNumber(s, n, pos, 2, hour) || !expect(s, n, pos, ':') ||
            !readNumber(s, n, pos, 2, minute))
            return std::nullopt;
        if (expect(s, n, pos, ':')) {
            if (!readNumber(s, n, pos, 2, second))
                return std::nullopt;
            if (expect(s, n, pos, '.')) {
                const qsizetype start = pos;
                if (!readNumber(s, n, pos, 3, msec))
                    return std::nullopt;
                // ".5" is half a second.
                for (qsizetype digits = pos - start; digits < 3; ++digits)
                    msec *= 10;
            }
        }
        if (pos != n || hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
    }
    const qint64 dayMs = 86400000;
    return QDate(year, month, day).toJulianDay() * dayMs +
           ((hour * 60 + minute) * 60 + second) * 1000 + msec;
}

qint64 deskNowMs()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.date().toJulianDay() * qint64(86400000) + now.time().msecsSinceStartOfDay();
}

} // namespace vondrel
