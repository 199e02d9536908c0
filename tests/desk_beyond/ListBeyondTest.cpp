// The visit list's search, roll call, overstays, printing, workbook export
// and automatic refresh, in the window over a real store (offscreen).
#include "BeyondSupport.h"
#include "DeskFixture.h"

#include "AtomicFile.h"
#include "DeskDateTime.h"
#include "Overstay.h"
#include "TFormSYS.h"
#include "TFormgate1.h"
#include "VisitExport.h"
#include "VisitListModel.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

using namespace vondrel;
using namespace vondrel::test;
using vondrel::beyond::readWorkbook;
using vondrel::beyond::runTool;

namespace {

qint64 at(const char *text) { return *parseDeskDateTime(u(text)); }

class ListBeyondTest : public DeskFixture {
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
    static void search(TFormgate1 &w, const QString &text, bool allDates)
    {
        w.CheckBox1->setChecked(allDates);
        w.Edit1->setText(text);
        Q_EMIT w.Edit1->returnPressed();
    }
    QString addVisitWith(const char *name, const char *entry, const char *leave, const char *doc,
                         const char *phone, const char *unit)
    {
        const QString key = addVisit(name, entry, leave);
        auto v = storedVisit(key);
        v->docNumber = u(doc);
        v->phone = u(phone);
        v->workUnit = u(unit);
        EXPECT_EQ(saveVisit(*v), key);
        return key;
    }
};

TEST_F(ListBeyondTest, SearchHitsAndMissesInTheRangeAndOverAllDates)
{
    addVisitWith("张三", "2026-03-01 09:00:00", "", "11010819800502001X", "01062345678", "北京ABC科技");
    addVisitWith("O'Brien", "2026-03-02 10:00:00", "2026-03-02 11:00:00", "G12345678", "13800000000", "100%_公司");
    addVisitWith("李雷", "2026-02-20 08:00:00", "", "110101199001020011", "13900000000", "某公司");
    auto w = open();
    w->clock = [] { return at("2026-03-02 12:00:00"); };
    setRange(*w, "2026-03-01", "2026-03-02");
    ASSERT_EQ(names(*w), QStringList({u("张三"), u("O'Brien")}));

    struct Case { const char *text; bool allDates; QStringList found; };
    const std::vector<Case> cases = {
        {"张", false, {u("张三")}},
        {"001x", false, {u("张三")}},
        {"0106", false, {u("张三")}},
        {"abc", false, {u("张三")}},
        {"'", false, {u("O'Brien")}},
        {"%_", false, {u("O'Brien")}},
        {"公司", false, {u("O'Brien")}},
        {"公司", true, {u("李雷"), u("O'Brien")}},
        {"李雷", false, {}},
        {"李雷", true, {u("李雷")}},
        {"nobody", true, {}},
        {"", false, {u("张三"), u("O'Brien")}},
    };
    for (const Case &c : cases) {
        search(*w, u(c.text), c.allDates);
        EXPECT_EQ(names(*w), c.found) << c.text << (c.allDates ? " (all dates)" : "");
        EXPECT_EQ(w->Label_count->text(), QString::number(c.found.size())) << c.text;
    }
    // Emptying the field ends the search without Enter.
    search(*w, u("张"), false);
    ASSERT_EQ(names(*w), QStringList({u("张三")}));
    w->Edit1->clear();
    EXPECT_EQ(names(*w), QStringList({u("张三"), u("O'Brien")}));
    // Results keep the list's columns and actions.
    search(*w, u("张三"), false);
    EXPECT_EQ(w->model()->cellText(0, 3), u("11010819800502001X"));
    w->ListView1->selectRow(0);
    w->ListView1Click();
    EXPECT_TRUE(w->ActionOUT->isEnabled());
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'\n').toStdString();
}

TEST_F(ListBeyondTest, RollCallHoldsExactlyTheOpenVisitsOfEveryDay)
{
    addVisit("前天未走", "2026-02-27 08:00:00");
    addVisit("前天已走", "2026-02-27 09:00:00", "2026-02-27 10:00:00");
    addVisit("昨天未走", "2026-02-28 22:00:00");
    addVisit("今天未走", "2026-03-01 07:30:00");
    addVisit("今天已走", "2026-03-01 07:00:00", "2026-03-01 07:20:00");
    auto w = open();
    w->clock = [] { return at("2026-03-01 09:00:00"); };
    setRange(*w, "2026-03-01", "2026-03-01");
    ASSERT_EQ(names(*w), QStringList({u("今天已走"), u("今天未走")}));

    w->BitBtn2->click();
    ASSERT_TRUE(w->isRollCall());
    EXPECT_EQ(names(*w), QStringList({u("前天未走"), u("昨天未走"), u("今天未走")}));
    EXPECT_EQ(w->model()->cellText(2, VisitListModel::StayColumn), u("01小时30分")) << "the stay so far";
    // 前天未走 has been inside 49 hours: over the default 8.
    EXPECT_EQ(w->Label_count->text(), u("3"));
    EXPECT_EQ(w->Label_overstay->text(), u("其中超时 2 人"));

    // The roll call exports like any list.
    const QString book = dir.filePath(u("在场"));
    w->openWithDesktop = [](const QString &) {};
    w->SaveDialog1 = [&](QWidget *) {
        w->exportType = ExportFileType::Workbook;
        return book;
    };
    w->ActionExportExecute();
    const QJsonArray rows = readWorkbook(book + u(".xlsx"))[u("rows")].toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[1].toArray()[0].toArray()[1].toString(), u("前天未走"));
    EXPECT_EQ(rows[3].toArray()[15].toArray()[1].toString(), u("01小时30分"));

    // Leaving the roll call: the dated list again.
    w->BitBtn2->click();
    EXPECT_EQ(names(*w), QStringList({u("今天已走"), u("今天未走")}));
    // A date change also leaves it.
    w->BitBtn2->click();
    setRange(*w, "2026-02-27", "2026-03-01");
    EXPECT_FALSE(w->isRollCall());
    EXPECT_EQ(w->model()->rowCount(), 5);
}

TEST_F(ListBeyondTest, OverstayColourAtTheHourBoundary)
{
    addVisit("久留", "2026-03-01 08:00:00");
    addVisit("已走", "2026-03-01 07:00:00", "2026-03-01 07:10:00");
    option->overstayHours = u("8");
    auto w = open();
    qint64 now = at("2026-03-01 15:59:59");
    w->clock = [&now] { return now; };
    setRange(*w, "2026-03-01", "2026-03-01");
    ASSERT_EQ(names(*w), QStringList({u("已走"), u("久留")}));
    const QModelIndex stayer = w->model()->index(1, 0);
    EXPECT_FALSE(w->model()->data(stayer, Qt::BackgroundRole).isValid());
    EXPECT_EQ(w->Label_count->text(), u("2"));
    EXPECT_TRUE(w->Label_overstay->text().isEmpty());

    EXPECT_EQ(w->model()->cellText(1, VisitListModel::StayColumn), u("07小时59分"));

    // The clock passes the hour between refreshes: the day watch moves the
    // stay and the colour on.
    now = at("2026-03-01 16:00:00");
    w->Timer2Timer();
    EXPECT_EQ(w->model()->cellText(1, VisitListModel::StayColumn), u("08小时00分"));
    EXPECT_EQ(w->model()->cellText(0, VisitListModel::StayColumn), u("10分")) << "a closed visit keeps its stay";
    EXPECT_EQ(w->model()->data(stayer, Qt::BackgroundRole).value<QBrush>().color(), overstayBackground());
    EXPECT_EQ(w->Label_overstay->text(), u("其中超时 1 人"));
    w->refreshList();
    EXPECT_EQ(w->model()->data(stayer, Qt::BackgroundRole).value<QBrush>().color(), overstayBackground());
    EXPECT_FALSE(w->model()->data(w->model()->index(0, 0), Qt::BackgroundRole).isValid());
    EXPECT_EQ(w->Label_count->text(), u("2"));
    EXPECT_EQ(w->Label_overstay->text(), u("其中超时 1 人"));

    // 0 hours in the settings window turns the warning off.
    {
        TFormSYS sys;
        sys.setAttribute(Qt::WA_DeleteOnClose, false);
        EXPECT_EQ(sys.SpinEdit1->value(), 8);
        sys.SpinEdit1->setValue(0);
        sys.BitBtn13Click();
    }
    EXPECT_EQ(option->overstayHours, u("0"));
    w->refreshList();
    EXPECT_FALSE(w->model()->data(stayer, Qt::BackgroundRole).isValid());
    EXPECT_EQ(w->Label_count->text(), u("2"));
    EXPECT_TRUE(w->Label_overstay->text().isEmpty());
}

TEST_F(ListBeyondTest, AutomaticRefreshKeepsSelectionAndScrollPosition)
{
    for (int i = 0; i < 120; ++i)
        addVisit(QStringLiteral("来宾%1").arg(i, 3, 10, QLatin1Char('0')).toUtf8().constData(),
                 QStringLiteral("2026-03-01 %1:%2:00").arg(8 + i / 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0')).toUtf8().constData());
    option->autorefresh = u("1");
    option->autorefreshTime = 15;
    auto w = open();
    ASSERT_TRUE(w->Timer1->isActive());
    EXPECT_EQ(w->Timer1->interval(), 15000);
    w->resize(1180, 500);
    w->show();
    setRange(*w, "2026-03-01", "2026-03-01");
    ASSERT_EQ(w->model()->rowCount(), 120);

    w->ListView1->selectRow(70);
    w->ListView1Click();
    w->ListView1->verticalScrollBar()->setValue(60);
    const int scroll = w->ListView1->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    // Two visits registered elsewhere before the selected one: its row moves.
    addVisit("新来宾甲", "2026-03-01 07:00:00");
    addVisit("新来宾乙", "2026-03-01 07:30:00");
    w->Timer1Timer();
    ASSERT_EQ(w->model()->rowCount(), 122);
    ASSERT_EQ(w->selectedRow(), 72);
    EXPECT_EQ(w->model()->cellText(72, 0), u("来宾070"));
    EXPECT_TRUE(w->ActionOUT->isEnabled()) << "the selection's actions stay usable";
    EXPECT_EQ(w->ListView1->verticalScrollBar()->value(), scroll);

    // A list sorted by name (descending on the first click) stays sorted.
    w->ListView1ColumnClick(0);
    QStringList sorted;
    for (int r = 0; r < w->model()->rowCount(); ++r)
        sorted << w->model()->cellText(r, 0);
    ASSERT_NE(sorted.first(), u("新来宾甲"));
    w->ListView1->selectRow(5);
    w->ListView1Click();
    w->Timer1Timer();
    QStringList after;
    for (int r = 0; r < w->model()->rowCount(); ++r)
        after << w->model()->cellText(r, 0);
    EXPECT_EQ(after, sorted);
    EXPECT_EQ(w->selectedRow(), 5);
    // The refresh button returns to entry-time order.
    w->BitBtn1->click();
    EXPECT_EQ(w->model()->cellText(0, 0), u("新来宾甲"));
}

TEST_F(ListBeyondTest, AutomaticRefreshIsOffUnlessTheOptionSaysOne)
{
    option->autorefresh = u("0");
    auto w = open();
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_TRUE(w->Timer2->isActive()) << "the day watch always runs";
}

TEST_F(ListBeyondTest, MidnightRollOverFollowsAListEndingToday)
{
    addVisit("昨晚", "2026-03-01 23:30:00");
    addVisit("凌晨", "2026-03-02 00:00:01");
    auto w = open();
    qint64 now = at("2026-03-01 23:59:50");
    w->clock = [&now] { return now; };
    setRange(*w, "2026-03-01", "2026-03-01");
    w->Timer2Timer(); // the day watch learns the (test) day
    ASSERT_EQ(names(*w), QStringList({u("昨晚")}));

    now = at("2026-03-02 00:00:10");
    w->Timer2Timer();
    EXPECT_EQ(w->DateTimePicker1->date(), QDate(2026, 3, 2));
    EXPECT_EQ(w->DateTimePicker2->date(), QDate(2026, 3, 2));
    EXPECT_EQ(names(*w), QStringList({u("凌晨")}));

    // A week ending today keeps its length.
    setRange(*w, "2026-02-24", "2026-03-02");
    now = at("2026-03-03 00:00:05");
    w->Timer2Timer();
    EXPECT_EQ(w->DateTimePicker1->date(), QDate(2026, 2, 25));
    EXPECT_EQ(w->DateTimePicker2->date(), QDate(2026, 3, 3));

    // A list that ends on an earlier day stays where it is.
    setRange(*w, "2026-03-01", "2026-03-01");
    now = at("2026-03-04 00:00:05");
    w->Timer2Timer();
    EXPECT_EQ(w->DateTimePicker1->date(), QDate(2026, 3, 1));
    EXPECT_EQ(w->DateTimePicker2->date(), QDate(2026, 3, 1));
}

TEST_F(ListBeyondTest, RollCallPrintsToAPdfWithNamesTimeAndCount)
{
    addVisit("张三", "2026-02-28 08:00:00");
    addVisit("李四", "2026-03-01 08:30:00");
    addVisit("赵六", "2026-03-01 08:40:00", "2026-03-01 08:50:00");
    auto w = open();
    w->clock = [] { return at("2026-03-01 09:00:00"); };
    w->BitBtn2->click();
    ASSERT_EQ(w->model()->rowCount(), 2);
    const QString pdf = dir.filePath(u("在场人员.pdf"));
    ASSERT_TRUE(vq::writeFileAtomically(pdf, "earlier"));
    w->PrintDialog1 = [&](QPrinter *printer, QWidget *) {
        EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A4);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        return true;
    };
    w->BitBtn3->click();
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'\n').toStdString();
    const auto text = runTool(u("pdftotext"), {u("-layout"), pdf, u("-")});
    ASSERT_TRUE(text);
    const QString page = QString::fromUtf8(*text);
    for (const char *expected : {"在场人员", "张三", "李四", "2026-03-01 09:00:00", "在场 2 人", "其中超时 1 人",
                                 "来宾姓名", "停留时间", "1天01小时00分"})
        EXPECT_TRUE(page.contains(u(expected))) << expected << "\n" << page.toStdString();
    EXPECT_FALSE(page.contains(u("赵六"))) << "only the visitors inside";

    // A PDF into a folder that is not there: a message naming the file.
    const QString nowhere = dir.filePath(u("没有/在场人员.pdf"));
    w->PrintDialog1 = [&](QPrinter *printer, QWidget *) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(nowhere);
        return true;
    };
    w->BitBtn3->click();
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(nowhere)) << reporter.messages[0].text.toStdString();
    reporter.clear();

    // A cancelled dialog prints nothing.
    ASSERT_TRUE(vq::writeFileAtomically(pdf, "earlier"));
    w->PrintDialog1 = [](QPrinter *, QWidget *) { return false; };
    w->BitBtn3->click();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier"));
}

TEST_F(ListBeyondTest, WorkbookExportAndTheRememberedType)
{
    addVisit("张三", "2026-03-01 08:07:09", "2026-03-01 10:12:09");
    auto w = open();
    setRange(*w, "2026-03-01", "2026-03-01");
    ASSERT_EQ(w->exportType, ExportFileType::TabText) << "the first export offers the tab-separated .xls";
    const QString base = dir.filePath(u("来宾"));
    QString opened;
    w->openWithDesktop = [&](const QString &path) { opened = path; };
    w->SaveDialog1 = [&](QWidget *) {
        w->exportType = ExportFileType::Workbook;
        return base;
    };
    w->ActionExportExecute();
    EXPECT_EQ(reporter.texts(), QStringList({u("数据导出完毕。")}));
    EXPECT_EQ(opened, base + u(".xlsx"));
    const QJsonObject book = readWorkbook(base + u(".xlsx"));
    const QJsonArray row = book[u("rows")].toArray()[1].toArray();
    ASSERT_EQ(row.size(), 16);
    EXPECT_EQ(row[0].toArray()[1].toString(), u("张三"));
    EXPECT_EQ(row[4].toArray()[1].toString(), u("110101199001020011"));
    EXPECT_EQ(row[8].toArray()[0].toString(), u("datetime"));
    EXPECT_EQ(row[15].toArray()[1].toString(), u("02小时05分"));
    EXPECT_EQ(option->exportFileType, u("xlsx"));
    EXPECT_EQ(open()->exportType, ExportFileType::Workbook) << "the next dialog offers the last type";

    // The tab-separated choice still writes the same bytes as before.
    reporter.clear();
    w->SaveDialog1 = [&](QWidget *) {
        w->exportType = ExportFileType::TabText;
        return base;
    };
    w->ActionExportExecute();
    QFile xls(base + u(".xls"));
    ASSERT_TRUE(xls.open(QIODevice::ReadOnly));
    const auto v = storedVisit(listVisits(QString()).front()->id);
    EXPECT_EQ(xls.readAll(), exportBytes({QStringList{v->name, v->sex, v->birthDate, v->docType, v->docNumber,
                                                      v->phone, v->workUnit, v->address, v->entryTime,
                                                      v->leaveTime, v->reason, QString::number(v->companions),
                                                      v->remark, v->visitee, v->guardOnDuty}}));
    EXPECT_EQ(option->exportFileType, u("xls"));

    // A folder that is not there: a message naming the path, nothing opened.
    reporter.clear();
    opened.clear();
    const QString missing = dir.filePath(u("没有/来宾"));
    w->SaveDialog1 = [&](QWidget *) {
        w->exportType = ExportFileType::Workbook;
        return missing;
    };
    w->ActionExportExecute();
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(missing + u(".xlsx"))) << reporter.messages[0].text.toStdString();
    EXPECT_TRUE(opened.isEmpty());
}

} // namespace
