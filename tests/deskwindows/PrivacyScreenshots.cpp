// Renders the operation log, the watchlist, the watchlist warning, the
// settings with the privacy switches and the visit list as a guard other
// than admin sees it (offscreen):
//   desk_privacy_screenshots <output folder>
#include "AppTitle.h"
#include "QtChineseTranslation.h"
#include "DataFolder.h"
#include "Option.h"
#include "PrivacyText.h"
#include "Reporter.h"
#include "Store.h"
#include "TFormAudit.h"
#include "TFormSYS.h"
#include "TFormWatchlist.h"
#include "TFormgate1.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTemporaryDir>

#include <cstdio>

using namespace vondrel;

namespace {

bool save(QWidget *w, const QString &folder, const char *name)
{
    w->show();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

void visit(const char *name, const char *number, const QString &entry, const QString &leave)
{
    visitInfo v;
    v.name = QString::fromUtf8(name);
    v.sex = QStringLiteral("男");
    v.docType = QStringLiteral("身份证");
    v.docNumber = QString::fromUtf8(number);
    v.phone = QStringLiteral("13900000000");
    v.visitee = QStringLiteral("王经理");
    v.reason = QStringLiteral("访友");
    v.entryTime = entry;
    v.leaveTime = leave;
    v.guardOnDuty = QStringLiteral("张三");
    saveVisit(v);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Boxes and dialogs as the desk shows them: with Qt\'s Chinese texts.
    vq::installQtChineseTranslation();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/Vondrel Files/");
    makeWorkFolders(data);
    RecordingReporter reporter;
    setReporter(&reporter);
    TDataModule1 dm(data);
    Option option(data + QStringLiteral("Vondrel.ini"));
    option.guard = {QStringLiteral("admin"), QStringLiteral("582")};
    setCurrentOption(&option);

    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    visit("李四", "11010519491231002X", today + QStringLiteral(" 08:12:00"), today + QStringLiteral(" 09:40:00"));
    visit("赵六", "320102198001010011", today + QStringLiteral(" 10:05:00"), QString());
    const struct {
        const char *guard, *action, *detail;
    } rows[] = {
        {"admin", "登录成功", "输入的登录名：admin"},
        {"张三", "登录失败", "输入的登录名：张 三"},
        {"张三", "来访登记", "李四，被访人 王经理，事由 访友"},
        {"张三", "关注名单命中", "读卡：320102198001010011 赵六，需陪同，须保卫科陪同"},
        {"李班长", "离开登记", "李四 离开 09:40:00"},
        {"admin", "数据导出", "来访记录.xlsx，2 行"},
        {"系统", "到期删除", "删除 37 条离开时间早于 2026-06-12 00:00:00 的来访记录及其照片（保存 180 天）"},
    };
    for (const auto &r : rows)
        appendAudit(QString::fromUtf8(r.guard), QString::fromUtf8(r.action), QString(), QString::fromUtf8(r.detail));
    watchInfo w1{QString(), QStringLiteral("110105197001010033"), QStringLiteral("孙某"), kWatchForbidden,
                 QStringLiteral("2026-03 在大厅闹事，保卫科通知禁止入内")};
    watchInfo w2{QString(), QStringLiteral("320102198001010011"), QStringLiteral("赵六"), kWatchEscort,
                 QStringLiteral("须保卫科陪同")};
    watchInfo w3{QString(), QString(), QStringLiteral("周某某"), kWatchEscort, QStringLiteral("无证件号码，按姓名核对")};
    saveWatch(w1);
    saveWatch(w2);
    saveWatch(w3);

    bool ok = true;
    {
        auto *a = new TFormAudit(nullptr);
        ok = save(a, out, "audit-log.png") && ok;
        a->close();
    }
    {
        auto *w = new TFormWatchlist(nullptr);
        ok = save(w, out, "watchlist.png") && ok;
        w->close();
    }
    {
        const ArrayOfwatchInfo hits = matchWatchlist(QStringLiteral("110105197001010033"), QStringLiteral("孙某"));
        QMessageBox box(QMessageBox::Question, applicationTitle(), watchWarningText(hits, true),
                        QMessageBox::Yes | QMessageBox::No);
        ok = save(&box, out, "watchlist-warning.png") && ok;
    }
    {
        auto *s = new TFormSYS(nullptr);
        ok = save(s, out, "settings-privacy.png") && ok;
        s->close();
    }
    {
        option.guard = {QStringLiteral("张三"), QStringLiteral("1")};
        TFormgate1 gate;
        gate.setAttribute(Qt::WA_DeleteOnClose, false);
        ok = save(&gate, out, "visit-list-masked.png") && ok;
    }
    setCurrentOption(nullptr);
    setReporter(nullptr);
    return ok ? 0 : 1;
}
