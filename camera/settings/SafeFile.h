#pragma once
// Whole-file reads with a size bound and whole-file writes through a
// temporary name that is renamed over the old file only when everything was
// written, so a crash or a full disk leaves the previous file whole.
#include <QByteArray>
#include <QString>

#include <optional>

namespace quorvel {

// Settings files are small; anything larger is not read past this.
constexpr qint64 kMaxSettingsFileBytes = 16 * 1024 * 1024;

// The file's bytes (at most maxBytes), or nothing when it cannot be opened.
std::optional<QByteArray> readWholeFile(const QString &path, qint64 maxBytes = kMaxSettingsFileBytes);
// Writes `bytes` to `path` through a temporary file and a rename. On failure
// returns false, keeps the old file and, when `error` is given, says why.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// Reports a failed write through the library reporter.
void reportWriteFailure(const QString &path, const QString &why);

} // namespace quorvel
