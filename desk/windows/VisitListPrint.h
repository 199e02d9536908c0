#pragma once
// The visit list on paper: A4 landscape, a heading with the list's title, the
// time printed and the count, then the list's columns, repeated on every page.
// Overstaying rows are shaded as in the list.
#include <QString>

class QPrinter;

namespace vondrel {

class VisitListModel;

struct PrintHeading {
    QString title;    // e.g. "人员出入登记软件 在场人员"
    QString time;     // the time printed, "yyyy-MM-dd hh:mm:ss"
    QString count;    // e.g. "共 12 人，其中超时 2 人"
};

// Puts the printer on A4 landscape (before its dialog is shown).
void prepareListPrinter(QPrinter &printer);

// Prints every row of `model` in display order. A PDF printer with a file
// name writes to a temporary file beside it that replaces it only when the
// document is complete. On failure returns false and sets `error` (naming
// the file, for a PDF printer).
bool printVisitList(QPrinter &printer, const PrintHeading &heading, const VisitListModel &model,
                    QString *error);

} // namespace vondrel
