#pragma once
// The camera settings files are written through the package's one atomic
// writer; a failed write is reported through the library reporter.
#include "AtomicFile.h"

namespace quorvel {

using vq::readWholeFile;
using vq::writeFileAtomically;
constexpr qint64 kMaxSettingsFileBytes = vq::kMaxWholeFileBytes;

// Reports a failed write through the library reporter.
void reportWriteFailure(const QString &path, const QString &why);

} // namespace quorvel
