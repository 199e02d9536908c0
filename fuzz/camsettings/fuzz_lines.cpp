// Any bytes as "device.bin" or "SoruceUrl.bin": the line reader never
// crashes, no entry holds a line break, and the list written back reads back
// as the same list.
#include "Option.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = quorvel::Option::linesFromBytes(bytes);
    for (const QString &line : lines) {
        if (line.contains(u'\n') || line.contains(u'\r'))
            std::abort();
    }
    const QByteArray written = quorvel::Option::linesToBytes(lines);
    if (quorvel::Option::linesFromBytes(written) != lines)
        std::abort();
    return 0;
}
