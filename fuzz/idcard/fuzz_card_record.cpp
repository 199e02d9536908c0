// Arbitrary bytes as the reader's "wz.txt": decoding must never read past the
// end or fail on odd lengths, surrogates or missing NULs.
#include "CardText.h"
#include "CitizenNumber.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact-size copy, so a read past the end is caught.
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    vondrel::ICR record;
    vondrel::decodeCardRecord(bytes, record);
    (void)vondrel::cardDisplayText(bytes);
    (void)vondrel::checkCitizenNumber(record.idNumber);
    (void)vondrel::nationName(QString::fromUtf8(bytes.left(8)));
    return 0;
}
