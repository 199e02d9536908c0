// Log lines of the FTP upload carry the module and the camera index.
#pragma once

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcFtp)

#define FTP_LOG(index) qCInfo(lcFtp).noquote() << QStringLiteral("[camera %1] ftp:").arg(index)
#define FTP_WARN(index) qCWarning(lcFtp).noquote() << QStringLiteral("[camera %1] ftp:").arg(index)
