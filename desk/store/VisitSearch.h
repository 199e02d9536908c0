#pragma once
// The visit list's queries beyond the date range: a text search over the
// fields a guard knows a visitor by, and the roll call of everyone inside.
// Each query is a condition for listVisits with its values bound as
// parameters; search texts go into LIKE patterns with every wildcard escaped,
// so a text finds exactly what it says.
#include <QDate>
#include <QString>
#include <QVariantList>

namespace vondrel {

struct VisitQuery {
    QString condition; // for listVisits: " where ..."
    QVariantList params;
};

struct VisitFilter {
    QDate from;             // first entry date listed
    QDate to;               // last entry date listed
    bool allDates = false;  // ignore from/to: every stored visit
    QString reason;         // 来访事由 to match exactly; empty for every reason
    QString search;         // part of 姓名, 证件号码, 联系电话, 工作单位 or 被访人; empty for none
};

// The escape character of the LIKE patterns below.
constexpr char16_t kLikeEscape = u'\\';

// `text` as a LIKE pattern that matches it anywhere in a value: '%', '_' and
// the escape character itself are escaped, then the whole is wrapped in '%'.
QString likeContainsPattern(const QString &text);

// The condition for the visit list. SQLite's LIKE ignores the letter case of
// the Latin letters A to Z only, which is the rule the list's sorting uses too.
// The search text is trimmed; one that is blank searches nothing.
VisitQuery visitListQuery(const VisitFilter &filter);

// Every visit still inside (no leave time), whatever its entry date.
VisitQuery insideNowQuery();

} // namespace vondrel
