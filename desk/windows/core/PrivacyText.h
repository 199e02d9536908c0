#pragma once
// Texts of the operation log export and the watchlist warning (no widgets).
#include "Storemanage_audit.h"
#include "Storemanage_watch.h"

#include <QByteArray>
#include <QString>

namespace vondrel {

// The operation log as a tab-separated file for spreadsheet programs
// (GB18030, CR LF, a header line 时间 门卫 操作 来访ID 详情).
QByteArray auditExportBytes(const ArrayOfauditInfo &rows);

// The warning of a watchlist hit: one paragraph per entry with its level and
// note; when `asking` and an entry forbids entry, the question whether to
// register anyway.
QString watchWarningText(const ArrayOfwatchInfo &hits, bool asking);
bool anyForbidden(const ArrayOfwatchInfo &hits);
// The detail of the operation-log row of a hit.
QString watchHitDetail(const watchInfo &hit, const QString &when);

} // namespace vondrel
