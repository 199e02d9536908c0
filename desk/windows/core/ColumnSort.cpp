#include "ColumnSort.h"

#include "AnsiText.h"
#include "DeskDateTime.h"

namespace vondrel {

int toggledColumnTag(int tag)
{
    if (tag & ColumnTag::Ascending)
        return tag & 0xF0;
    return (tag & 0xF0) | ColumnTag::Ascending;
}

namespace {

template <typename T> int sign(T a, T b) { return a > b ? 1 : (a < b ? -1 : 0); }

} // namespace

int compareAsNumber(const QString &a, const QString &b)
{
    bool okA = false;
    bool okB = false;
    const double x = a.trimmed().toDouble(&okA);
    const double y = b.trimmed().toDouble(&okB);
    if (!okA || !okB)
        return 0;
    return sign(x, y);
}

int compareAsDateTime(const QString &a, const QString &b)
{
    const auto x = parseDeskDateTime(a);
    const auto y = parseDeskDateTime(b);
    if (!x || !y)
        return 0;
    return sign(*x, *y);
}

QByteArray textSortKey(const QString &text) { return toAnsi(text); }

int compareTextKeys(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return x < y ? -1 : 1;
    }
    return sign(a.size(), b.size());
}

int compareText(const QString &a, const QString &b)
{
    return compareTextKeys(textSortKey(a), textSortKey(b));
}

int compareByTag(int tag, const QString &a, const QString &b)
{
    const bool ascending = tag & ColumnTag::Ascending;
    const QString &x = ascending ? a : b;
    const QString &y = ascending ? b : a;
    if (tag & ColumnTag::Numeric)
        return compareAsNumber(x, y);
    if (tag & ColumnTag::DateTime)
        return compareAsDateTime(x, y);
    return compareText(x, y);
}

} // namespace vondrel
