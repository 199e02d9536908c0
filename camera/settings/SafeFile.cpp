#include "SafeFile.h"

#include "LibReporter.h"

namespace quorvel {

void reportWriteFailure(const QString &path, const QString &why)
{
    reportErrorBox(QStringLiteral("Cannot write %1: %2").arg(path, why));
}

} // namespace quorvel
