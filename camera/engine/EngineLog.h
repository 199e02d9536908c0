// Log lines of the capture engine carry the module and the camera index.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcEngine)

#define ENGINE_LOG(index) qCInfo(lcEngine).noquote() << QStringLiteral("[camera %1]").arg(index)
#define ENGINE_WARN(index) qCWarning(lcEngine).noquote() << QStringLiteral("[camera %1]").arg(index)
