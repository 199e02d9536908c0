// The camera's settings file: any bytes load without reading past the end,
// and what loads writes back into a file that loads the same.
#include "CDataClass.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quorvel::CDataClass d;
    d.loadFromBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QByteArray once = d.toBytes();
    quorvel::CDataClass again;
    again.loadFromBytes(once);
    if (again.toBytes() != once)
        std::abort();
    return 0;
}
