// The visit list window over a real store.
#include "DeskFixture.h"

#include "TFormAcccountManage.h"
#include "TFormSYS.h"
#include "TFormgate1.h"
#include "TFormvisitInfo.h"
#include "VisitExport.h"
#include "VisitListModel.h"

#include <QFontMetrics>
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStringEncoder>
#include <QTableView>
#include <QTimer>

using namespace vondrel;
using namespace vondrel::test;

namespace {

class Gate1Test : public DeskFixture {
protected:
    std::unique_ptr<TFormgate1> open()
    {
        auto w = std::make_unique<TFormgate1>();
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        return w;
    }
    static void setRange(TFormgate1 &w, const char *from, const char *to)
    {
        w.DateTimePicker1->setDate(QDate::fromString(u(from), u("yyyy-MM-dd")));
        w.DateTimePicker2->setDate(QDate::fromString(u(to), u("yyyy-MM-dd")));
    }
    static QStringList names(const TFormgate1 &w)
    {
        QStringList out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out << w.model()->cellText(r, 0);
        return out;
    }
    static void select(TFormgate1 &w, int row)
    {
        w.ListView1->selectRow(row);
        w.ListView1Click();
    }
};

TEST_F(Gate1Test, LayoutCaptionsAndColumns)
{
    auto w = open();
    EXPECT_EQ(w->windowTitle(), u("进出登记(v1.00)"));
    const QStringList captions = {u("来宾进入登记"), u("来宾离开登记"), u("查看来宾信息"), u("修改登记信息"),
                                  u("门卫管理"),     u("系统设置"),     u("数据导出EXCEL")};
    QStringList buttons, menu;
    for (QPushButton *b : w->actionButtons)
        buttons << b->text();
    for (QAction *a : w->PopupMenu1->actions())
        menu << a->text();
    EXPECT_EQ(buttons, captions);
    EXPECT_EQ(menu, captions);
    const std::vector<std::pair<const char *, int>> columns = {
        {"来宾姓名", 80}, {"性别", 40},     {"证件类型", 80}, {"证件号码", 120}, {"联系电话", 120}, {"来访事由", 120},
        {"进入时间", 120}, {"离开时间", 120}, {"停留时间", 100}, {"被访人", 100},   {"当班门卫", 100}};
    ASSERT_EQ(w->model()->columnCount(), 11);
    for (int c = 0; c < 11; ++c) {
        EXPECT_EQ(w->model()->headerData(c, Qt::Horizontal).toString(), u(columns[size_t(c)].first));
        if (c == 3 || c == 6 || c == 7) {
            // Widened where the stored width would cut a number or a time.
            const QFontMetrics metrics(w->ListView1->font());
            const QString longest = c == 3 ? u("11010819800502001X") : u("2026-12-10 10:29:00");
            EXPECT_GE(w->ListView1->columnWidth(c), columns[size_t(c)].second) << c;
            EXPECT_GT(w->ListView1->columnWidth(c), metrics.horizontalAdvance(longest)) << c;
        } else {
            EXPECT_EQ(w->ListView1->columnWidth(c), columns[size_t(c)].second) << c;
        }
        EXPECT_EQ(w->model()->columnTag(c), (c >= 6 && c <= 8) ? 33 : 1) << c;
    }
    EXPECT_EQ(w->ComboBox3->currentText(), u("所有来访"));
    EXPECT_EQ(w->ComboBox3->count(), 6);
    EXPECT_FALSE(w->ComboBox3->isEditable());
    EXPECT_EQ(w->DateTimePicker1->date(), QDate::currentDate());
    EXPECT_EQ(w->Label_count->text(), u("0"));
}

TEST_F(Gate1Test, DateRangeListsWholeDaysAndWrongOrderListsNothing)
{
    addVisit("前一天", "2024-02-29 23:59:59");
    addVisit("早", "2024-03-01 00:00:00");
    addVisit("晚", "2024-03-01 23:59:59");
    addVisit("次日", "2024-03-02 00:00:00");
    auto w = open();
    setRange(*w, "2024-03-01", "2024-03-01");
    EXPECT_EQ(names(*w), QStringList({u("早"), u("晚")}));
    EXPECT_EQ(w->Label_count->text(), u("2"));
    setRange(*w, "2024-03-02", "2024-03-01");
    EXPECT_EQ(w->model()->rowCount(), 0);
    EXPECT_EQ(w->Label_count->text(), u("0"));
    setRange(*w, "2024-02-29", "2024-03-02");
    EXPECT_EQ(w->Label_count->text(), u("4"));
}

TEST_F(Gate1Test, ReasonFilterAppliesOnlyOnRefresh)
{
    addVisit("甲", "2024-03-01 08:00:00", "", "访友");
    addVisit("乙", "2024-03-01 09:00:00", "", "探亲");
    auto w = open();
    setRange(*w, "2024-03-01", "2024-03-01");
    ASSERT_EQ(w->model()->rowCount(), 2);
    w->ComboBox3->setCurrentText(u("探亲"));
    EXPECT_EQ(w->model()->rowCount(), 2);
    w->BitBtn1->click();
    EXPECT_EQ(names(*w), QStringList({u("乙")}));
    w->ComboBox3->setCurrentText(u("所有来访"));
    w->DateTimePicker2->setDate(QDate(2024, 3, 2)); // a date change refreshes too
    EXPECT_EQ(w->model()->rowCount(), 2);
}

TEST_F(Gate1Test, RowWithBadTimeKeepsListingGoing)
{
    addVisit("好1", "2024-03-01 08:00:00", "2024-03-01 08:59:00");
    addVisit("坏", "2024-03-01 08:30", "later");
    addVisit("好2", "2024-03-01 09:00:00", "2024-03-02 09:00:00");
    auto w = open();
    setRange(*w, "2024-03-01", "2024-03-01");
    ASSERT_EQ(names(*w), QStringList({u("好1"), u("坏"), u("好2")}));
    EXPECT_EQ(w->model()->cellText(0, 8), u("59分"));
    EXPECT_EQ(w->model()->cellText(1, 8), u(""));
    EXPECT_EQ(w->model()->cellText(2, 8), u("1天00小时00分"));
    EXPECT_EQ(w->Label_count->text(), u("3"));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(Gate1Test, SelectionEnablesActionsByLeaveTime)
{
    addVisit("在内", "2024-03-01 08:00:00");
    addVisit("已走", "2024-03-01 09:00:00", "2024-03-01 10:00:00");
    auto w = open();
    setRange(*w, "2024-03-01", "2024-03-01");
    for (QAction *a : {w->ActionOUT, w->ActionVIEW, w->ActionXG})
        EXPECT_FALSE(a->isEnabled());
    select(*w, 0);
    EXPECT_TRUE(w->ActionOUT->isEnabled());
    EXPECT_TRUE(w->ActionVIEW->isEnabled());
    EXPECT_TRUE(w->ActionXG->isEnabled());
    select(*w, 1);
    EXPECT_FALSE(w->ActionOUT->isEnabled());
    EXPECT_TRUE(w->ActionVIEW->isEnabled());
    EXPECT_FALSE(w->ActionXG->isEnabled());
    EXPECT_FALSE(w->actionButtons[1]->isEnabled());
    w->BitBtn1->click();
    EXPECT_FALSE(w->ActionVIEW->isEnabled());
}

struct RightsCase {
    const char *name;
    const char *guard;
    bool managing;
};

class Gate1RightsTest : public Gate1Test, public ::testing::WithParamInterface<RightsCase> {};

TEST_P(Gate1RightsTest, OnlyAdminManagesAndExports)
{
    option->guard.name = u(GetParam().guard);
    auto w = open();
    const bool expected = GetParam().managing;
    for (int i : {4, 5, 6}) {
        EXPECT_EQ(w->actionButtons[i]->isEnabled(), expected) << i;
        EXPECT_EQ(w->PopupMenu1->actions()[i]->isEnabled(), expected) << i;
    }
    EXPECT_TRUE(w->actionButtons[0]->isEnabled());
    EXPECT_TRUE(w->PopupMenu1->actions()[0]->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Guards, Gate1RightsTest,
                         ::testing::Values(RightsCase{"Admin", "admin", true},
                                           RightsCase{"AdminInOtherCase", "Admin", false},
                                           RightsCase{"OtherGuard", "张三", false},
                                           RightsCase{"AdminWithTrailingBlank", "admin ", false}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(Gate1Test, HeaderClicksSortEachColumnBothWays)
{
    addVisit("b", "2024-03-01 9:00:00");
    addVisit("C", "2024-03-01 10:00:00");
    addVisit("a", "2024-03-01 08:00:00");
    auto w = open();
    setRange(*w, "2024-03-01", "2024-03-01");
    // Stored order is by entry text: "08:00" < "10:00" < "9:00".
    EXPECT_EQ(names(*w), QStringList({"a", "C", "b"}));
    Q_EMIT w->ListView1->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(names(*w), QStringList({"C", "b", "a"}));
    Q_EMIT w->ListView1->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(names(*w), QStringList({"a", "b", "C"}));
    Q_EMIT w->ListView1->horizontalHeader()->sectionClicked(6);
    EXPECT_EQ(names(*w), QStringList({"C", "b", "a"})); // by parsed time, descending
    Q_EMIT w->ListView1->horizontalHeader()->sectionClicked(6);
    EXPECT_EQ(names(*w), QStringList({"a", "b", "C"}));
    // A refresh returns to entry-text order.
    w->BitBtn1->click();
    EXPECT_EQ(names(*w), QStringList({"a", "C", "b"}));
}

TEST_F(Gate1Test, ExportWritesExactBytesInDisplayOrder)
{
    visitInfo v;
    v.name = u("张三");
    v.sex = u("男");
    v.birthDate = u("1980-05-06");
    v.docType = u("身份证");
    v.docNumber = u("X1");
    v.phone = u("123");
    v.workUnit = u("单位\t甲");
    v.address = u("北京\r\n朝阳");
    v.entryTime = u("2024-03-01 08:00:00");
    v.reason = u("访友");
    v.companions = 2;
    v.remark = u("第一行\n第二行");
    v.visitee = u("王五");
    v.guardOnDuty = u("admin");
    saveVisit(v);
    addVisit("李四", "2024-03-01 09:00:00", "2024-03-01 10:00:00");
    auto w = open();
    setRange(*w, "2024-03-01", "2024-03-01");
    w->ListView1ColumnClick(0); // descending by name: 张 after 李 in code page order
    QString openedPath;
    w->openWithDesktop = [&](const QString &p) { openedPath = p; };
    const QString chosen = dir.filePath(u("visits"));
    w->SaveDialog1 = [&](QWidget *) { return chosen; };
    w->ActionExportExecute();
    const QString path = chosen + u(".xls");
    EXPECT_EQ(openedPath, path);
    EXPECT_EQ(reporter.texts(), QStringList({u("数据导出完毕。")}));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString expected =
        u("姓名\t性别\t出生年月\t证件类型\t证件号码\t联系电话\t工作单位\t住址\t登记时间\t离开时间\t来访事由\t随行人数\t备注\t被访人\t当班门卫\r\n"
          "张三\t男\t1980-05-06\t身份证\tX1\t123\t单位甲\t北京朝阳\t2024-03-01 08:00:00\t\t访友\t2\t第一行第二行\t王五\tadmin\r\n"
          "李四\t男\t1990-01-02\t身份证\t110101199001020011\t13900000000\t某公司\t北京市\t2024-03-01 09:00:00\t"
          "2024-03-01 10:00:00\t访友\t1\t\t王五\tadmin\r\n");
    const QByteArray bytes = f.readAll();
    // GB18030 bytes of the first title, no byte-order mark.
    EXPECT_TRUE(bytes.startsWith(QByteArray::fromHex("d0d5c3fb09")));
    QStringEncoder encoder("GB18030");
    const QByteArray want = encoder.encode(expected);
    EXPECT_EQ(bytes, want);
}

TEST_F(Gate1Test, ExportNamingAndEmptyList)
{
    auto w = open();
    w->openWithDesktop = [](const QString &) {};
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"a.XLS", "a.XLS"}, {"b.xlsx", "b.xlsx.xls"}, {"visits", "visits.xls"}};
    for (const auto &[in, out] : cases) {
        reporter.clear();
        w->SaveDialog1 = [&, in = in](QWidget *) { return dir.filePath(u(in)); };
        w->ActionExportExecute();
        EXPECT_TRUE(QFile::exists(dir.filePath(u(out)))) << out;
        EXPECT_EQ(reporter.texts(), QStringList({u("数据导出完毕。")}));
    }
    QFile f(dir.filePath(u("visits.xls")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), exportBytes({})); // the header line alone
}

TEST_F(Gate1Test, ExportCancelledOrUnwritable)
{
    auto w = open();
    bool opened = false;
    w->openWithDesktop = [&](const QString &) { opened = true; };
    w->SaveDialog1 = [](QWidget *) { return QString(); };
    w->ActionExportExecute();
    EXPECT_TRUE(reporter.messages.isEmpty());
    const QString bad = dir.filePath(u("no-such-folder/x"));
    w->SaveDialog1 = [&](QWidget *) { return bad; };
    w->ActionExportExecute();
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_EQ(reporter.messages[0].kind, Reporter::Kind::Error);
    EXPECT_TRUE(reporter.messages[0].text.contains(bad + u(".xls")));
    EXPECT_FALSE(opened);
}

TEST_F(Gate1Test, ExportDialogStartsInDocumentsThenInTheLastExportFolder)
{
    // The working folder is where the card reader leaves wz.txt and zp.bmp.
    const QString saved = QDir::currentPath();
    const QString cardFolder = dataFolder + u("card");
    ASSERT_TRUE(QDir().mkpath(cardFolder));
    ASSERT_TRUE(QDir::setCurrent(cardFolder));
    auto w = open();
    w->openWithDesktop = [](const QString &) {};
    const auto dialogFolder = [&] {
        // The real save dialog: note where it starts, then cancel it.
        QString started;
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                started = dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        w->ActionExportExecute();
        return started;
    };
    EXPECT_EQ(dialogFolder(), QDir(dir.path()).absolutePath()) << "the documents folder";

    const QString exports = dir.filePath(u("exports"));
    ASSERT_TRUE(QDir().mkpath(exports));
    w->SaveDialog1 = [&](QWidget *) { return exports + u("/visits"); };
    w->ActionExportExecute();
    EXPECT_EQ(option->exportFolder, exports);
    EXPECT_EQ(w->exportStartFolder(), exports);
    w = open(); // the default dialog again
    w->openWithDesktop = [](const QString &) {};
    EXPECT_EQ(dialogFolder(), exports) << "the folder of the last export";
    ASSERT_TRUE(option->save());
    EXPECT_EQ(Option(option->iniPath).exportFolder, exports) << "remembered in the desk options";

    ASSERT_TRUE(QDir(exports).removeRecursively());
    EXPECT_EQ(dialogFolder(), QDir(dir.path()).absolutePath()) << "a vanished folder falls back to documents";
    QDir::setCurrent(saved);
}

TEST_F(Gate1Test, RegistrationRefreshesButViewDoesNot)
{
    const QString key = addVisit("甲", "2024-03-01 08:00:00");
    auto w = open();
    w->DateTimePicker1->setDate(QDate(2024, 3, 1));
    ASSERT_EQ(w->model()->rowCount(), 1);
    // A visit added behind the window's back shows only after a refresh.
    addVisit("乙", "2024-03-01 09:00:00");
    select(*w, 0);
    QTimer::singleShot(0, [] {
        auto *f = qobject_cast<TFormvisitInfo *>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), u("来宾信息"));
        f->BitBtn3->click();
    });
    w->ActionVIEWExecute();
    EXPECT_EQ(w->model()->rowCount(), 1);
    // A new visit through the form refreshes.
    QTimer::singleShot(0, [] {
        auto *f = qobject_cast<TFormvisitInfo *>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), u("来宾信息登记"));
        f->Edit1->setText(u("丙"));
        f->BitBtn2->click();
    });
    w->ActionDJExecute();
    // 丙 was entered today; the pickers still span 2024-03-01 .. today.
    EXPECT_EQ(w->model()->rowCount(), 3);
    EXPECT_EQ(storedVisit(key)->name, u("甲"));
}

TEST_F(Gate1Test, LeaveRegistrationFromTheListStoresLeaveTime)
{
    const QString key = addVisit("要走", "2024-03-01 08:00:00");
    auto w = open();
    w->DateTimePicker1->setDate(QDate(2024, 3, 1));
    select(*w, 0);
    QTimer::singleShot(0, [] {
        auto *f = qobject_cast<TFormvisitInfo *>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), u("来宾离开登记"));
        f->BitBtn2->click();
    });
    w->actionButtons[1]->click();
    ASSERT_EQ(w->model()->rowCount(), 1);
    EXPECT_FALSE(w->model()->cellText(0, 7).isEmpty());
    EXPECT_EQ(storedVisit(key)->leaveTime, w->model()->cellText(0, 7));
    EXPECT_FALSE(w->ActionOUT->isEnabled()); // nothing selected after the refresh
    select(*w, 0);
    EXPECT_FALSE(w->ActionOUT->isEnabled());
    EXPECT_FALSE(w->ActionXG->isEnabled());
}

TEST_F(Gate1Test, SettingsWindowTitleReachesTheList)
{
    auto w = open();
    QTimer::singleShot(0, [] {
        auto *f = qobject_cast<TFormSYS *>(QApplication::activeModalWidget());
        ASSERT_NE(f, nullptr);
        f->Edit1->setText(u("新标题"));
        f->BitBtn13->click();
        f->BitBtn3->click();
    });
    w->ActionSYSExecute();
    EXPECT_EQ(w->titleText(), u("新标题"));
    EXPECT_EQ(option->title, u("新标题"));
}

} // namespace
