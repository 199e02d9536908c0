#pragma once
// The operation log: table MJAudit, one row per action on identity data
// (time, guard, action, visit key, short detail). Rows are only ever added;
// the file refuses updates and deletes of them.
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

namespace vondrel {

// Action names as stored and shown.
namespace audit {
inline const QString LoginOk = QStringLiteral("登录成功");
inline const QString LoginFailed = QStringLiteral("登录失败");
inline const QString VisitSaved = QStringLiteral("来访登记");
inline const QString VisitChanged = QStringLiteral("修改登记");
inline const QString VisitLeft = QStringLiteral("离开登记");
inline const QString PhotoDeleted = QStringLiteral("删除随行照片");
inline const QString Export = QStringLiteral("数据导出");
inline const QString AccountAdded = QStringLiteral("新增门卫");
inline const QString AccountChanged = QStringLiteral("修改门卫");
inline const QString AccountDeleted = QStringLiteral("删除门卫");
inline const QString ReasonsSaved = QStringLiteral("保存来访事由");
inline const QString TitleSaved = QStringLiteral("保存系统设置");
inline const QString Retention = QStringLiteral("到期删除");
inline const QString WatchHit = QStringLiteral("关注名单命中");
inline const QString WatchChanged = QStringLiteral("修改关注名单");
} // namespace audit

struct auditInfo {
    qint64 serial = 0;   // 序号, in the order written
    QString time;        // 时间 "yyyy-MM-dd hh:mm:ss"
    QString guard;       // 门卫
    QString action;      // 操作
    QString visitId;     // 来访ID, empty when the action is not about a visit
    QString detail;      // 详情
};
using ArrayOfauditInfo = std::vector<std::unique_ptr<auditInfo>>;

// Longest detail kept; a longer one is cut (the log is for reading).
constexpr int kAuditDetailMax = 1000;

// Appends one row stamped with the current local time. False when the file
// has no operation log (an upgrade that could not run) or on a write error
// (shown).
bool appendAudit(const QString &guard, const QString &action, const QString &visitId,
                 const QString &detail);
// The same with the guard logged in (desk options).
bool appendAudit(const QString &action, const QString &visitId, const QString &detail);

// The rows whose time lies in [from, to] (whole days), in the order written.
ArrayOfauditInfo listAudit(const QDate &from, const QDate &to);

} // namespace vondrel
