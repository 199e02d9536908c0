// "captureImageFTP.bin": any bytes load without reading past the end, the schedule
// never holds more entries than the bytes can carry, and what loads writes
// back into a file that loads the same.
#include "RecordClass_FTP.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Bound to no file: nothing is read from or written to disk.
    quorvel::RecordClass_FTP r(0, QStringLiteral("captureImageFTP.bin"), QString());
    r.loadFromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (r.scheduleList.size() > size / 100 + 1)
        std::abort();
    const QByteArray once = r.toBytes();
    quorvel::RecordClass_FTP again(0, QStringLiteral("captureImageFTP.bin"), QString());
    again.loadFromBytes(once);
    if (again.toBytes() != once)
        std::abort();
    return 0;
}
