#pragma once
// Decoding of the reader's text record "wz.txt" into an ICR, and the clean-up
// of the three files the reader writes ("wz.txt", "zp.bmp", "xp.wlt").
#include "Icr.h"

#include <QByteArray>
#include <QString>

namespace vondrel {

// Size of the part of "wz.txt" that holds the nine fields; a reader writes
// 256 bytes, the rest is reserved.
inline constexpr int kCardRecordBytes = 220;

// The name of a nationality code ("01" → "汉", …, "56" → "基诺"). Blank, 0
// and numbers above 56 give "其他". A code that is neither blank nor a decimal
// number gives an empty text and sets *ok to false.
QString nationName(const QString &code, bool *ok = nullptr);

// The whole file taken as UTF-16LE text up to the first NUL code unit (or the
// last whole code unit), shown by the reader window as one line.
QString cardDisplayText(const QByteArray &bytes);

// Decodes a record held in memory. Slots the bytes do not fully hold are left
// empty; nothing past the end is read. Returns false when the nationality
// code is not a number: fields before it keep their new values, the others
// are untouched.
bool decodeCardRecord(const QByteArray &bytes, ICR &record);

// Reads "wz.txt" from `folder` (with or without trailing "/") into `record`.
// False when the file is missing or unreadable (record untouched) or when
// decoding fails. `displayText`, when given, receives cardDisplayText().
bool decodeCardText(const QString &folder, ICR &record, QString *displayText = nullptr);
// The same over the card folder (the working directory, see CardFolder.h).
bool decodeCardText(ICR &record, QString *displayText = nullptr);

// Deletes "zp.bmp", "xp.wlt" and "wz.txt" in this order, ignoring failures.
void clearCardFiles(const QString &folder);
void clearCardFiles();

// Empties every text of the record but `birthDate`, as the reader window does
// when it is cleared.
void clearCardRecord(ICR &record);

} // namespace vondrel
