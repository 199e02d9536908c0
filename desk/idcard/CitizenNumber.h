#pragma once
// Check of the 18-character citizen number (GB 11643): the last character is
// the ISO 7064 MOD 11-2 check character of the first seventeen digits.
#include <QString>

namespace vondrel {

enum class CitizenNumberCheck {
    Valid,        // 17 digits and the matching check character
    WrongCheck,   // well formed, but the check character does not match
    Malformed,    // not 17 digits followed by a digit or X
};

CitizenNumberCheck checkCitizenNumber(const QString &number);

// The check character ('0'-'9' or 'X') for the first seventeen digits, or a
// null QChar when `first17` is not seventeen digits.
QChar citizenNumberCheckChar(const QString &first17);

} // namespace vondrel
