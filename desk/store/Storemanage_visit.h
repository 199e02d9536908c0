#pragma once
// Visits: table MJVisiter, one row per visit. A visitor is inside while
// leaveTime is empty.
#include "Storemanage.h"

#include <QString>
#include <QVariantList>

#include <cstdint>
#include <memory>
#include <vector>

class QSqlQuery;

namespace vondrel {

struct visitInfo {
    QString id;          // ID: GUID text with braces (38 chars); empty = not stored yet
    QString name;        // 姓名
    QString sex;         // 性别
    QString birthDate;   // 出生年月 "yyyy-MM-dd"
    QString visitee;     // 被访人
    QString docType;     // 证件类型
    QString docNumber;   // 证件号码
    QString phone;       // 联系电话
    QString address;     // 住址 (may hold line breaks)
    QString remark;      // 备注 (may hold line breaks)
    QString entryTime;   // 登记时间 "yyyy-MM-dd hh:mm:ss"
    QString leaveTime;   // 注销时间, same form; empty while inside
    QString visitState;  // 访问状态, written as stored in the record (the desk leaves it empty)
    QString guardOnDuty; // 当班门卫
    QString reason;      // 来访事由
    QString workUnit;    // 工作单位
    std::int32_t companions = 0; // 随行人数
};

using ArrayOfvisitInfo = std::vector<std::unique_ptr<visitInfo>>;

// Stores `v`: an empty key or a key not in the table inserts under a new key
// (written into v.id), a stored key updates that row. Returns the key, or
// empty text on failure.
QString saveVisit(visitInfo &v);
// Inserts under a new key written into v.id first; the key or empty text.
QString insertVisit(visitInfo &v);
// Rewrites every column of the row with key v.id; v.id or empty text.
QString updateVisit(const visitInfo &v);
// The visits matching `condition` (see Storemanage.h), ordered by 登记时间.
ArrayOfvisitInfo listVisits(const QString &condition, const QVariantList &params = {});
// Reads the query's current row; null (after showing the error) on failure,
// e.g. a null 随行人数.
std::unique_ptr<visitInfo> readVisitRow(const QSqlQuery &dataset);

} // namespace vondrel
