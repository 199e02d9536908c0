// Fills a CameraEventRecord: texts cut to their field (leaving room for the
// terminator, never splitting a surrogate pair) and zero-padded.
#pragma once

#include "QuorvelEvents.h"

#include <QDateTime>
#include <QString>

namespace quorvel {

void copyRecordText(char16_t *field, int units, const QString &text);

CameraEventRecord makeCameraEventRecord(int type, const QString &event, const QString &detail,
                                        const QString &cameraName, int cameraIndex,
                                        const QString &file, const QDateTime &when);

} // namespace quorvel
