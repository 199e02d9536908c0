#include "CitizenNumber.h"

namespace vondrel {

QChar citizenNumberCheckChar(const QString &first17)
{
    static constexpr int kWeights[17] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    static constexpr char kCheck[12] = "10X98765432";
    if (first17.size() != 17)
        return {};
    int sum = 0;
    for (int i = 0; i < 17; ++i) {
        const char16_t c = first17[i].unicode();
        if (c < u'0' || c > u'9')
            return {};
        sum += (c - u'0') * kWeights[i];
    }
    return QChar(QLatin1Char(kCheck[sum % 11]));
}

CitizenNumberCheck checkCitizenNumber(const QString &number)
{
    if (number.size() != 18)
        return CitizenNumberCheck::Malformed;
    const QChar expected = citizenNumberCheckChar(number.left(17));
    if (expected.isNull())
        return CitizenNumberCheck::Malformed;
    QChar last = number[17];
    if (last == u'x')
        last = u'X'; // typed by hand in lower case; the card prints X
    if (!(last.isDigit() && last.unicode() < 0x80) && last != u'X')
        return CitizenNumberCheck::Malformed;
    return last == expected ? CitizenNumberCheck::Valid : CitizenNumberCheck::WrongCheck;
}

} // namespace vondrel
