// The guard account windows and the visit reasons window.
#include "DeskFixture.h"

#include "TFormAcccountManage.h"
#include "TFormAccountEdit.h"
#include "TFormSYS.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTableWidget>
#include <QTest>

using namespace vondrel;
using namespace vondrel::test;

namespace {

class AccountsTest : public DeskFixture {
protected:
    std::unique_ptr<TFormAcccountManage> open()
    {
        auto w = std::make_unique<TFormAcccountManage>();
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        return w;
    }
    // Fills the edit window that the next action opens and presses a button.
    static void answerEdit(const QString &name, const QString &password, bool ok = true)
    {
        QTimer::singleShot(0, [=] {
            auto *e = qobject_cast<TFormAccountEdit *>(QApplication::activeModalWidget());
            ASSERT_NE(e, nullptr);
            if (!e->Edit1->isReadOnly())
                e->Edit1->setText(name);
            e->Edit2->setText(password);
            (ok ? e->BitBtn1 : e->BitBtn2)->click();
        });
    }
    static QStringList names(const TFormAcccountManage &w)
    {
        QStringList out;
        for (int r = 0; r < w.ListView1->rowCount(); ++r)
            out << w.rowName(r);
        return out;
    }
    static void select(TFormAcccountManage &w, const QString &name)
    {
        for (int r = 0; r < w.ListView1->rowCount(); ++r)
            if (w.rowName(r) == name) {
                w.ListView1->selectRow(r);
                return;
            }
        FAIL() << "no row " << name.toStdString();
    }
    static QStringList storedNames()
    {
        QStringList out;
        for (const auto &a : listAccounts())
            out << a->name;
        return out;
    }
};

TEST_F(AccountsTest, AddChangeAndDelete)
{
    auto w = open();
    EXPECT_EQ(w->windowTitle(), u("门卫账户管理"));
    EXPECT_EQ(names(*w), QStringList({u("admin")}));
    EXPECT_EQ(w->Label_count->text(), u("1"));
    EXPECT_EQ(w->ListView1->columnWidth(0), 150);

    answerEdit(u("  张三 "), u(" pw "));
    w->BitBtn1->click();
    EXPECT_EQ(names(*w), QStringList({u("admin"), u("张三")}));
    EXPECT_EQ(w->rowPassword(1), u("pw"));
    EXPECT_EQ(w->Label_count->text(), u("2"));

    // A name that exists: "操作失败", no row.
    answerEdit(u("张三"), u("x"));
    w->BitBtn1->click();
    EXPECT_EQ(reporter.texts(), QStringList({u("操作失败")}));
    EXPECT_EQ(w->Label_count->text(), u("2"));

    // Change: the name is read-only, the new password shows at once.
    select(*w, u("张三"));
    answerEdit(QString(), u("新密码"));
    w->BitBtn2->click();
    EXPECT_EQ(w->rowPassword(1), u("新密码"));
    EXPECT_TRUE(checkLogin(u("张三"), u("新密码")) != nullptr);

    // admin is protected; other names go at once, without asking.
    reporter.clear();
    select(*w, u("admin"));
    w->BitBtn3->click();
    EXPECT_EQ(reporter.texts(), QStringList({u("admin为系统管理员账户不可以被删除。")}));
    select(*w, u("张三"));
    w->ActionDelete->trigger();
    EXPECT_EQ(names(*w), QStringList({u("admin")}));
    EXPECT_EQ(storedNames(), QStringList({u("admin")}));
    EXPECT_EQ(w->Label_count->text(), u("1"));
    EXPECT_TRUE(reporter.questions.isEmpty());
}

TEST_F(AccountsTest, OtherCaseAdminCanBeDeleted)
{
    ASSERT_TRUE(addAccount({u("Admin"), u("1")}));
    auto w = open();
    select(*w, u("Admin"));
    w->ActionDeleteExecute();
    EXPECT_EQ(storedNames(), QStringList({u("admin")}));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(AccountsTest, NothingSelectedAndEmptyFields)
{
    auto w = open();
    w->ListView1->clearSelection();
    w->ActionModifyExecute();
    w->ActionDeleteExecute();
    EXPECT_EQ(reporter.texts(), QStringList({u("没有项目被选中"), u("没有项目被选中")}));
    reporter.clear();
    // Blank fields keep the edit window open; cancel then adds nothing.
    QTimer::singleShot(0, [this] {
        auto *e = qobject_cast<TFormAccountEdit *>(QApplication::activeModalWidget());
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->windowTitle(), u("账户编辑"));
        e->Edit1->setText(u("  "));
        e->Edit2->setText(u("x"));
        e->BitBtn1->click();
        EXPECT_EQ(reporter.texts(), QStringList({u("姓名、密码均不可为空！")}));
        EXPECT_TRUE(e->isVisible());
        e->BitBtn2->click();
    });
    w->ActionNewExecute();
    EXPECT_EQ(names(*w), QStringList({u("admin")}));
}

TEST_F(AccountsTest, HeaderClicksSortAsText)
{
    ASSERT_TRUE(addAccount({u("bob"), u("2")}));
    ASSERT_TRUE(addAccount({u("Carl"), u("3")}));
    auto w = open();
    w->ListView1ColumnClick(0);
    EXPECT_EQ(names(*w), QStringList({u("Carl"), u("bob"), u("admin")}));
    w->ListView1ColumnClick(0);
    EXPECT_EQ(names(*w), QStringList({u("admin"), u("bob"), u("Carl")}));
    w->ListView1ColumnClick(1); // passwords "582", "2", "3" as text, descending
    EXPECT_EQ(names(*w), QStringList({u("admin"), u("Carl"), u("bob")}));
}

class SysTest : public DeskFixture {
protected:
    QStringList storedReasons()
    {
        QStringList out;
        for (const auto &s : listSettings(u(" where 名称=?"), {visitReasonKind()}))
            out << s->content;
        return out;
    }
    std::unique_ptr<TFormSYS> open()
    {
        auto w = std::make_unique<TFormSYS>();
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        return w;
    }
};

TEST_F(SysTest, ListsAddsTrimmedAndSaves)
{
    const QStringList initial = storedReasons();
    ASSERT_FALSE(initial.isEmpty());
    auto w = open();
    EXPECT_EQ(w->reasons(), initial);
    EXPECT_FALSE(w->Action_addnew->isEnabled());
    EXPECT_FALSE(w->Action_delete->isEnabled());
    w->Edit2->setText(u("  送快递  "));
    w->Edit2KeyUp();
    EXPECT_TRUE(w->Action_addnew->isEnabled());
    w->BitBtn1->click();
    w->BitBtn1->click(); // duplicates are accepted
    EXPECT_EQ(w->Edit2->text(), u("  送快递  "));
    EXPECT_EQ(w->reasons().mid(initial.size()), QStringList({u("送快递"), u("送快递")}));
    EXPECT_EQ(storedReasons(), initial); // nothing stored yet
    w->BitBtn2->click();
    EXPECT_EQ(reporter.texts(), QStringList({u("完成。")}));
    QStringList expected = initial + QStringList({u("送快递"), u("送快递")});
    expected.sort();
    QStringList stored = storedReasons();
    EXPECT_EQ(stored.size(), expected.size());
    EXPECT_EQ(stored.count(u("送快递")), 2);
}

TEST_F(SysTest, DeleteWithoutSaveKeepsStoreAndEmptyListSaves)
{
    const QStringList initial = storedReasons();
    {
        auto w = open();
        w->ListBox1->setCurrentRow(0);
        w->ListBox1Click();
        EXPECT_TRUE(w->Action_delete->isEnabled());
        w->BitBtn4->click();
        EXPECT_EQ(w->ListBox1->count(), initial.size() - 1);
        w->BitBtn3->click();
    }
    EXPECT_EQ(storedReasons(), initial);
    auto w = open();
    while (w->ListBox1->count() > 0) {
        w->ListBox1->setCurrentRow(0);
        w->ListBox1Click();
        w->Action_delete->trigger();
    }
    w->BitBtn2->click();
    EXPECT_TRUE(storedReasons().isEmpty());
    EXPECT_EQ(reporter.texts(), QStringList({u("完成。")}));
}

TEST_F(SysTest, DeleteRemovesTheSelectedEntryOnly)
{
    const QStringList initial = storedReasons();
    ASSERT_GE(initial.size(), 3);
    auto w = open();
    w->resize(520, 420);
    w->show();
    QApplication::processEvents();
    QWidget *viewport = w->ListBox1->viewport();
    auto clickRow = [&](int row) {
        QTest::mouseClick(viewport, Qt::LeftButton, {}, w->ListBox1->visualItemRect(w->ListBox1->item(row)).center());
    };
    clickRow(0);
    EXPECT_TRUE(w->Action_delete->isEnabled());
    // A click below the entries: the first stays current but is not selected.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
    ASSERT_TRUE(w->ListBox1->selectedItems().isEmpty());
    ASSERT_EQ(w->ListBox1->currentRow(), 0);
    w->BitBtn4->click();
    EXPECT_EQ(w->reasons(), initial) << "nothing selected, nothing removed";
    clickRow(2);
    w->BitBtn4->click();
    QStringList expected = initial;
    expected.removeAt(2);
    EXPECT_EQ(w->reasons(), expected);
    EXPECT_EQ(storedReasons(), initial) << "the store waits for 保存当前列表";
}

TEST_F(SysTest, TitleShowsAtOnce)
{
    auto w = open();
    EXPECT_EQ(w->Edit1->text(), option->title);
    w->Edit1->setText(u(" 门岗 "));
    w->BitBtn13->click();
    EXPECT_EQ(option->title, u(" 门岗 "));
    EXPECT_EQ(w->titleText(), u(" 门岗 "));
    EXPECT_EQ(reporter.texts(), QStringList({u("完成。")}));
}

} // namespace
