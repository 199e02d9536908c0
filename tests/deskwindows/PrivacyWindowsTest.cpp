// Identity data in the windows: masked numbers, the operation log written by
// the windows, the watchlist warning and the files removed after a visit.
#include "DeskFixture.h"

#include "DocNumberMask.h"
#include "PrivacyText.h"
#include "TFormAccountEdit.h"
#include "TFormAudit.h"
#include "TFormLogin.h"
#include "TFormSYS.h"
#include "TFormWatchlist.h"
#include "TFormgate1.h"
#include "TFormvisitInfo.h"
#include "VisitListModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

using namespace vondrel;
using namespace vondrel::test;

namespace {

const char *const kNumber = "110101199001020011";
const char *const kMasked = "110101********0011";

class PrivacyWindowsTest : public DeskFixture {
protected:
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QPointer<TFormvisitInfo> openForm(bool leave, bool editable, const QString &key)
    {
        auto *f = new TFormvisitInfo(nullptr, leave, editable, key);
        f->show();
        return f;
    }
    QString picture(const QString &path)
    {
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QImage img(16, 12, QImage::Format_RGB32);
        img.fill(Qt::red);
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    }
    QStringList actionsLogged()
    {
        QStringList out;
        for (const auto &a : listAudit(QDate::currentDate(), QDate::currentDate()))
            out << a->action;
        return out;
    }
    const auditInfo *lastLogged(const QString &action)
    {
        m_log = listAudit(QDate::currentDate(), QDate::currentDate());
        for (auto it = m_log.rbegin(); it != m_log.rend(); ++it)
            if ((*it)->action == action)
                return it->get();
        return nullptr;
    }
    void addWatch(const char *number, const char *name, const QString &level, const char *note)
    {
        watchInfo w{QString(), u(number), u(name), level, u(note)};
        ASSERT_FALSE(saveWatch(w).isEmpty());
    }
    ArrayOfauditInfo m_log;
};

struct MaskCase {
    const char *label;
    const char *guard;
    bool switchOn;
    bool masked;
};

class ListMasking : public PrivacyWindowsTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(ListMasking, NumbersInTheListAreMaskedForGuardsOtherThanAdmin)
{
    const QString today = QDate::currentDate().toString(u("yyyy-MM-dd"));
    addVisit("甲", (today + u(" 08:00:00")).toUtf8().constData());
    option->guard.name = u(GetParam().guard);
    option->maskIdNumbers = GetParam().switchOn ? u("1") : u("0");
    auto w = std::make_unique<TFormgate1>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    ASSERT_EQ(w->model()->rowCount(), 1);
    EXPECT_EQ(w->model()->cellText(0, 3), u(GetParam().masked ? kMasked : kNumber));
    // The record keeps the whole number (searches and the admin's export use it).
    EXPECT_EQ(w->model()->visitAt(0)->docNumber, u(kNumber));
}

INSTANTIATE_TEST_SUITE_P(Privacy, ListMasking,
                         ::testing::Values(MaskCase{"GuardSwitchOn", "张三", true, true},
                                           MaskCase{"AdminSwitchOn", "admin", true, false},
                                           MaskCase{"GuardSwitchOff", "张三", false, false}),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(PrivacyWindowsTest, ViewAndLeaveFormsMaskForGuardsAndLeavingKeepsTheStoredNumber)
{
    const QString key = addVisit("乙", "2026-01-01 08:00:00");
    option->guard.name = u("张三");
    {
        auto view = openForm(false, false, key);
        EXPECT_EQ(view->Edit3->text(), u(kMasked));
        view->close();
        settle();
    }
    auto editing = openForm(false, true, key);
    EXPECT_EQ(editing->Edit3->text(), u(kNumber)) << "registering shows the whole number";
    editing->close();
    settle();

    auto leave = openForm(true, false, key);
    EXPECT_TRUE(leave->docNumberMasked());
    leave->BitBtn2->click();
    settle();
    auto stored = storedVisit(key);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->docNumber, u(kNumber));
    EXPECT_FALSE(stored->leaveTime.isEmpty());
    // Who let the visitor out.
    const auditInfo *left = lastLogged(audit::VisitLeft);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->guard, u("张三"));
    EXPECT_EQ(left->visitId, key);
}

TEST_F(PrivacyWindowsTest, CardReadOfAListedNumberWarnsAndForbiddenBlocksTheSaveUntilConfirmed)
{
    addWatch("11010119900102001x", "", kWatchForbidden, "曾闹事");
    auto f = openForm(false, true, QString());
    f->cardReader = [&](QWidget *) {
        return std::optional<CardReading>(
            CardReading{u("丙"), u("男"), u("1990-01-02"), u("11010119900102001X"), u("址"), QString()});
    };
    f->BitBtn5->click();
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_EQ(reporter.messages[0].kind, Reporter::Kind::Warning);
    EXPECT_TRUE(reporter.messages[0].text.contains(kWatchForbidden));
    EXPECT_TRUE(reporter.messages[0].text.contains(u("曾闹事")));

    reporter.answers = {false};
    f->BitBtn2->click();
    settle();
    ASSERT_TRUE(f) << "a refused save keeps the form open";
    ASSERT_EQ(reporter.questions.size(), 1);
    EXPECT_TRUE(reporter.questions[0].contains(u("禁止进入")));
    EXPECT_TRUE(listVisits(QString()).empty());

    reporter.answers = {true};
    f->BitBtn2->click();
    settle();
    EXPECT_FALSE(f);
    EXPECT_EQ(listVisits(QString()).size(), 1u);
    // Each hit is logged: the card read and both saves.
    EXPECT_EQ(actionsLogged().count(audit::WatchHit), 3);
    EXPECT_EQ(actionsLogged().count(audit::VisitSaved), 1);
}

TEST_F(PrivacyWindowsTest, EscortEntryWarnsAndSavesWithoutAsking)
{
    addWatch("", "丁", kWatchEscort, "须保卫陪同");
    auto f = openForm(false, true, QString());
    f->Edit1->setText(u("丁"));
    f->BitBtn2->click();
    settle();
    EXPECT_FALSE(f);
    EXPECT_TRUE(reporter.questions.isEmpty());
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(u("需陪同")));
    EXPECT_EQ(listVisits(QString()).size(), 1u);
}

// The closing of the form (saved or not) removes the card files and the
// snapshots of its camera calls; other files stay.
class StrayCopies : public PrivacyWindowsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(StrayCopies, CardAndSnapshotFilesAreGoneAfterTheFormCloses)
{
    const bool save = GetParam();
    const QString card = dir.filePath(u("card/"));
    const QString zp = picture(card + u("zp.bmp"));
    for (const char *name : {"wz.txt", "xp.wlt"}) {
        QFile f(card + u(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QString snaps = dir.filePath(u("00/20261210TimingCapture/"));
    const QString accepted = picture(snaps + u("a.bmp"));
    const QString other = picture(dir.filePath(u("elsewhere/b.bmp")));

    auto f = openForm(false, true, QString());
    f->cardReader = [&](QWidget *) {
        return std::optional<CardReading>(CardReading{u("戊"), u("女"), u("1990-01-02"), u("1"), u("址"), zp});
    };
    f->BitBtn5->click();
    f->cameraWindow = [&](QWidget *, int) { return std::optional<QString>(accepted); };
    f->SpeedButton1->click();
    f->cameraWindow = [&](QWidget *, int) { return std::optional<QString>(other); };
    f->SpeedButton2->click();
    if (save)
        f->BitBtn2->click();
    else
        f->BitBtn3->click();
    settle();
    EXPECT_FALSE(f);
    for (const char *name : {"wz.txt", "zp.bmp", "xp.wlt"})
        EXPECT_FALSE(QFileInfo::exists(card + u(name))) << name;
    EXPECT_FALSE(QFileInfo::exists(accepted));
    EXPECT_TRUE(QFileInfo::exists(other)) << "only the camera library's snapshot folders are cleaned";
    if (save) {
        // The pictures were stored before the files went.
        auto visits = listVisits(QString());
        ASSERT_EQ(visits.size(), 1u);
        EXPECT_EQ(listImages(u(" where USERID=?"), {visits[0]->id}).size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Privacy, StrayCopies, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "Saved" : "ClosedWithoutSaving"; });

TEST_F(PrivacyWindowsTest, WindowsWriteTheOperationLog)
{
    // A visit saved, changed, a stored companion photo deleted.
    const QString comp = picture(dir.filePath(u("comp.bmp")));
    auto f = openForm(false, true, QString());
    f->Edit1->setText(u("己"));
    f->cameraWindow = [&](QWidget *, int) { return std::optional<QString>(comp); };
    f->SpeedButton2->click();
    f->BitBtn2->click();
    settle();
    const QString key = listVisits(QString()).at(0)->id;
    auto g = openForm(false, true, key);
    g->ListView_photo->setCurrentRow(0);
    g->N4Click();
    g->BitBtn2->click();
    settle();
    for (const QString &action : {audit::VisitSaved, audit::VisitChanged, audit::PhotoDeleted}) {
        const auditInfo *a = lastLogged(action);
        ASSERT_TRUE(a) << action.toStdString();
        EXPECT_EQ(a->visitId, key);
        EXPECT_EQ(a->guard, u("admin"));
    }

    // Accounts: the name, never the password.
    accountInfo account;
    bool result = false;
    auto *edit = new TFormAccountEdit(nullptr, result, 0, account);
    edit->Edit1->setText(u("新门卫"));
    edit->Edit2->setText(u("秘密口令"));
    edit->BitBtn1->click();
    settle();
    ASSERT_TRUE(result);
    const auditInfo *added = lastLogged(audit::AccountAdded);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->detail, u("新门卫"));
    for (const auto &a : listAudit(QDate::currentDate(), QDate::currentDate()))
        EXPECT_FALSE(a->detail.contains(u("秘密口令")));

    // Settings and reasons.
    auto *sys = new TFormSYS(nullptr);
    sys->CheckBox1->setChecked(false);
    sys->SpinEdit2->setValue(90);
    sys->BitBtn13->click();
    sys->BitBtn2->click();
    sys->close();
    settle();
    EXPECT_EQ(option->maskIdNumbers, u("0"));
    EXPECT_EQ(option->retentionDayCount(), 90);
    ASSERT_TRUE(lastLogged(audit::TitleSaved));
    EXPECT_TRUE(lastLogged(audit::TitleSaved)->detail.contains(u("保存期限 90 天")));
    EXPECT_TRUE(lastLogged(audit::ReasonsSaved));

    // An export: file name and row count.
    auto w = std::make_unique<TFormgate1>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->CheckBox1->setChecked(true);
    w->refreshList();
    w->openWithDesktop = [](const QString &) {};
    w->exportType = ExportFileType::TabText;
    w->SaveDialog1 = [&](QWidget *) { return dir.filePath(u("列表")); };
    w->ActionExportExecute();
    const auditInfo *exported = lastLogged(audit::Export);
    ASSERT_TRUE(exported);
    EXPECT_EQ(exported->detail, u("列表.xls，1 行"));
}

TEST_F(PrivacyWindowsTest, LoginsAreLoggedWithTheNameTyped)
{
    bool loggedIn = false;
    QPointer<TFormLogin> form = new TFormLogin(nullptr, loggedIn);
    form->show();
    form->Edit1->setText(u("某'人"));
    form->Edit2->setText(u("wrong"));
    form->BitBtn2->click();
    const auditInfo *failed = lastLogged(audit::LoginFailed);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->guard, u("某'人"));
    EXPECT_FALSE(failed->detail.contains(u("wrong")));
    form->Edit1->setText(u("admin"));
    form->Edit2->setText(u("582"));
    form->BitBtn2->click();
    settle();
    EXPECT_TRUE(loggedIn);
    ASSERT_TRUE(lastLogged(audit::LoginOk));
    EXPECT_EQ(lastLogged(audit::LoginOk)->guard, u("admin"));
    if (form)
        form->close();
    settle();
}

TEST_F(PrivacyWindowsTest, VisitListRemovesExpiredVisitsAtStartUpOnlyWhenTheAdminChoseADuration)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray oldEntry = now.addDays(-50).toString(u("yyyy-MM-dd hh:mm:ss")).toUtf8();
    const QByteArray oldLeave = now.addDays(-49).toString(u("yyyy-MM-dd hh:mm:ss")).toUtf8();
    const QString gone = addVisit("旧", oldEntry.constData(), oldLeave.constData());
    const QString inside = addVisit("仍在", oldEntry.constData());
    {
        // The default keeps everything.
        TFormgate1 w;
        w.setAttribute(Qt::WA_DeleteOnClose, false);
    }
    EXPECT_TRUE(storedVisit(gone));
    option->retentionDays = u("30");
    {
        TFormgate1 w;
        w.setAttribute(Qt::WA_DeleteOnClose, false);
    }
    EXPECT_FALSE(storedVisit(gone));
    EXPECT_TRUE(storedVisit(inside));
    const auditInfo *removal = lastLogged(audit::Retention);
    ASSERT_TRUE(removal);
    EXPECT_TRUE(removal->detail.startsWith(u("删除 1 条")));
}

TEST_F(PrivacyWindowsTest, WatchlistWindowAddsChangesAndDeletes)
{
    auto *w = new TFormWatchlist(nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->Edit1->setText(u("11010119900102001x"));
    w->Edit3->setText(u("备注 \"引号\" 's"));
    w->BitBtn1->click();
    ASSERT_EQ(w->ListView1->rowCount(), 1);
    EXPECT_EQ(w->ListView1->item(0, 0)->text(), u("11010119900102001X"));
    w->ListView1->selectRow(0);
    w->ComboBox1->setCurrentText(kWatchEscort);
    w->BitBtn2->click();
    EXPECT_EQ(listWatch().at(0)->level, kWatchEscort);
    reporter.answers = {true};
    w->ListView1->selectRow(0);
    w->BitBtn3->click();
    EXPECT_TRUE(listWatch().empty());
    EXPECT_EQ(actionsLogged().count(audit::WatchChanged), 3);
    delete w;
}

TEST_F(PrivacyWindowsTest, AuditWindowListsTheRangeAndExportsIt)
{
    appendAudit(u("admin"), audit::LoginOk, QString(), u("输入的登录名：admin"));
    appendAudit(u("张三"), audit::VisitLeft, u("{K}"), u("带\t制表符"));
    auto *w = new TFormAudit(nullptr);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(w->ListView1->rowCount(), 2);
    w->DateTimePicker1->setDate(QDate::currentDate().addDays(1));
    w->DateTimePicker2->setDate(QDate::currentDate().addDays(2));
    w->BitBtn1->click();
    EXPECT_EQ(w->ListView1->rowCount(), 0);
    w->DateTimePicker1->setDate(QDate::currentDate());
    w->DateTimePicker2->setDate(QDate::currentDate());
    w->SaveDialog1 = [&](QWidget *) { return dir.filePath(u("log")); };
    w->BitBtn2->click();
    QFile f(dir.filePath(u("log.xls")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[2].split('\t').size(), 5) << "a tab inside a detail is not a new column";
    EXPECT_EQ(actionsLogged().count(audit::Export), 1);
    delete w;
}

} // namespace
