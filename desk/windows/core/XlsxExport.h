#pragma once
// The visit list as an Excel workbook (.xlsx, written by libxlsxwriter): the
// header and rows of the tab-separated export plus the stay, with every text
// (ID and phone numbers, birth dates included) in a text cell, entry and leave
// times in date-time cells, a bold frozen header row and fitted columns.
//
// Written in libxlsxwriter's constant-memory mode, row by row, to a temporary
// file beside the target that replaces the target only once it is complete.
#include "Storemanage_visit.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vondrel {

// The two file types of the export dialog.
enum class ExportFileType { TabText, Workbook };

// The dialog's filter text of each type, and the type of a filter text (the
// tab-separated text for anything unknown).
QString exportFilterText(ExportFileType type);
QString exportFilters(); // both, for the dialog, tab-separated text first
ExportFileType exportTypeOfFilter(const QString &filter);

// The chosen name with ".xlsx" appended unless it already ends in ".xlsx" in
// any letter case (and is longer than those five characters).
QString xlsxFileName(const QString &chosen);

// One exported row: the visit and its stay text as the list shows it.
struct ExportRow {
    const visitInfo *visit = nullptr;
    QString stay;
};

// The column titles of the workbook: the tab-separated export's fifteen, then
// "停留时间".
QStringList xlsxHeader();

// Writes the workbook to `path`. An earlier file there stays whole unless the
// new one is complete. On failure returns false and sets `error` to a message
// that names the path.
bool writeXlsxExport(const QString &path, const std::vector<ExportRow> &rows, QString *error);

} // namespace vondrel
