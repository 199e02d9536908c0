#pragma once
// The visit list's export: a tab-separated text file with CR LF line ends in
// the Chinese ANSI code page (GB18030, no byte-order mark), named ".xls" so
// that spreadsheet programs open it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace vondrel {

// The chosen name with ".xls" appended unless it already ends in ".xls" in
// any letter case (and is longer than those four characters).
QString exportFileName(const QString &chosen);

// The text without line feeds, tabs and carriage returns.
QString cleanCell(const QString &text);

// The fifteen column titles of the header line.
QStringList exportHeader();

// The whole file: header, then one line per row (fifteen values each).
QByteArray exportBytes(const QList<QStringList> &rows);

// Writes `bytes` to `path`, replacing a file there. The old file stays when
// the new one cannot be written. On failure returns false and sets `error`
// to a message that names the path.
bool writeExportFile(const QString &path, const QByteArray &bytes, QString *error);

// The same file as exportBytes(rows), streamed to `path` a piece at a time
// (a long visit list is never held twice in memory). Same failure rules.
bool writeExportFile(const QString &path, const QList<QStringList> &rows, QString *error);

} // namespace vondrel
