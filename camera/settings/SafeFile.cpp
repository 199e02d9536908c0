#include "SafeFile.h"

#include "LibReporter.h"

#include <QFile>
#include <QSaveFile>

namespace quorvel {

std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.read(maxBytes);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile f(path);
    // QSaveFile writes beside the target and renames on commit; without
    // fallback a folder we may not create files in fails instead of
    // overwriting in place.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

void reportWriteFailure(const QString &path, const QString &why)
{
    reportErrorBox(QStringLiteral("Cannot write %1: %2").arg(path, why));
}

} // namespace quorvel
