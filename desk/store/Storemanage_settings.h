#pragma once
// Name/content rows: table MJSettings (名称, 内容). Kind "来访事由" holds the
// visit reasons, one per row.
#include "Storemanage.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <vector>

class QSqlQuery;

namespace vondrel {

struct settingsInfo {
    QString kind;    // 名称, e.g. "来访事由"
    QString content; // 内容, e.g. one reason
};

using ArrayOfsettingsInfo = std::vector<std::unique_ptr<settingsInfo>>;

// The kind of the visit reason rows: "来访事由".
QString visitReasonKind();

bool addSetting(const settingsInfo &s);
// Rows matching `condition`, ordered by 名称, then 内容. The visit reasons:
// listSettings(" where 名称=?", {visitReasonKind()}).
ArrayOfsettingsInfo listSettings(const QString &condition, const QVariantList &params = {});
std::unique_ptr<settingsInfo> readSettingRow(const QSqlQuery &dataset);
// Replaces every row of `kind` by one row per entry of `contents`, in one
// transaction: on failure the old rows stay. True on success.
bool replaceSettings(const QString &kind, const QStringList &contents);

} // namespace vondrel
