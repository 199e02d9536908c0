#include "CameraEventRecordFill.h"

#include <cstring>

namespace quorvel {

void copyRecordText(char16_t *field, int units, const QString &text)
{
    std::memset(field, 0, sizeof(char16_t) * std::size_t(units));
    qsizetype n = std::min<qsizetype>(text.size(), units - 1);
    if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
        --n;
    for (qsizetype i = 0; i < n; ++i)
        field[i] = text.at(i).unicode();
}

CameraEventRecord makeCameraEventRecord(int type, const QString &event, const QString &detail,
                                        const QString &cameraName, int cameraIndex,
                                        const QString &file, const QDateTime &when)
{
    CameraEventRecord r;
    std::memset(&r, 0, sizeof r);
    r.type = type;
    copyRecordText(r.event, 20, event);
    copyRecordText(r.date, 12, when.toString(QStringLiteral("yyyy-MM-dd")));
    copyRecordText(r.time, 10, when.toString(QStringLiteral("HH:mm:ss")));
    copyRecordText(r.cameraName, 40, cameraName);
    copyRecordText(r.detail, 100, detail);
    r.cameraIndex = cameraIndex;
    copyRecordText(r.file, 260, file);
    return r;
}

} // namespace quorvel
