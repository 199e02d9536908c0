#pragma once
// Column sorting of the desk's report lists. Each column carries a tag of
// flags: bit 0 the direction of its next comparison (set: ascending), bit 4
// a numeric column, bit 5 a date-time column.
#include <QByteArray>
#include <QString>

namespace vondrel {

namespace ColumnTag {
constexpr int Ascending = 0x01;
constexpr int Numeric = 0x10;
constexpr int DateTime = 0x20;
} // namespace ColumnTag

// The tag after a click on its column: bit 0 toggled, bits 1 to 3 cleared,
// bits 4 to 7 kept.
int toggledColumnTag(int tag);

// 1, -1 or 0; 0 also when either text does not convert.
int compareAsNumber(const QString &a, const QString &b);
int compareAsDateTime(const QString &a, const QString &b);

// Key for compareText: the text in the ANSI code page, so Chinese names
// order as the code page orders them (by pinyin for common characters).
QByteArray textSortKey(const QString &text);
// Byte comparison with a-z folded onto A-Z; -1, 0 or 1.
int compareTextKeys(const QByteArray &a, const QByteArray &b);
int compareText(const QString &a, const QString &b);

// The comparison a column's tag chooses, in the direction its bit 0 gives.
int compareByTag(int tag, const QString &a, const QString &b);

} // namespace vondrel
