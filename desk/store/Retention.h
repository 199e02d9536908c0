#pragma once
// Removal of finished visits after the retention period: a visit whose leave
// time is more than `days` days before `now` goes, with its pictures; a
// visit still inside stays however old it is. 0 days keeps everything.
#include <QDateTime>
#include <QString>

namespace vondrel {

// Visits removed per transaction: a removal cut short keeps every batch
// before it and nothing of the one it was in.
constexpr int kRetentionBatch = 200;

// Removes the expired visits in batches of `batch`, one transaction each
// (visits, their pictures and one operation-log row with the count), then
// gives the freed pages back to the file system. Returns the number of
// visits removed, or -1 on an error (shown; earlier batches stay removed).
int removeExpiredVisits(int days, const QDateTime &now, const QString &guard,
                        int batch = kRetentionBatch);

// The leave time before which a finished visit has expired.
QString retentionCutoff(int days, const QDateTime &now);

} // namespace vondrel
