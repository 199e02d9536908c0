#pragma once
// The card record: the nine texts taken from an identity card. The
// registration form creates it empty and lends it to the reader window; a
// `name` still empty after the window has closed means no card was read.
#include <QString>

namespace vondrel {

struct ICR {
    QString name;          // holder's name
    QString sex;           // "男", "女", "未知" or "未说明"
    QString nation;        // nationality without the final 族
    QString birthDate;     // YYYY-MM-DD
    QString birthDateText; // YYYY年MM月DD日
    QString address;
    QString idNumber;      // the 18-character citizen number
    QString issuer;        // issuing authority
    QString validity;      // YYYY.MM.DD-YYYY.MM.DD or YYYY.MM.DD-长期

    bool operator==(const ICR &) const = default;
};

} // namespace vondrel
