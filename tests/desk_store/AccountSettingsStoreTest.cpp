#include "StoreFixture.h"
#include "ParamName.h"

#include <algorithm>
#include <string>

using namespace vondrel;

TEST_F(StoreTest, AddAccountRefusesTheSameNameSilently)
{
    EXPECT_TRUE(addAccount({QStringLiteral("张三"), QStringLiteral("1")}));
    EXPECT_FALSE(addAccount({QStringLiteral("张三"), QStringLiteral("2")}));
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from MJAccount where 姓名='张三'")).toInt(), 1);
    auto a = checkLogin(QStringLiteral("张三"), QStringLiteral("1"));
    ASSERT_TRUE(a);
}

struct LoginCase {
    const char *name;
    const char *password;
    const char *loggedInAs; // nullptr: refused
};

class Login : public StoreTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(Login, NameIgnoresLetterCasePasswordDoesNot)
{
    ASSERT_TRUE(addAccount({QStringLiteral("Guard"), QStringLiteral("PassWord")}));
    ASSERT_TRUE(addAccount({QStringLiteral("O'Hara"), QStringLiteral("it's")}));
    const LoginCase c = GetParam();
    auto a = checkLogin(QString::fromUtf8(c.name), QString::fromUtf8(c.password));
    if (!c.loggedInAs) {
        EXPECT_FALSE(a);
    } else {
        ASSERT_TRUE(a);
        EXPECT_EQ(a->name, QString::fromUtf8(c.loggedInAs));
    }
    EXPECT_TRUE(reporter.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, Login, ::testing::Values(
    LoginCase{"admin", "582", "admin"},
    LoginCase{"ADMIN", "582", "admin"},
    LoginCase{"admin", "583", nullptr},
    LoginCase{"admin", "", nullptr},
    LoginCase{"guard", "PassWord", "Guard"},
    LoginCase{"Guard", "password", nullptr},
    LoginCase{"nobody", "582", nullptr},
    LoginCase{"O'Hara", "it's", "O'Hara"},
    LoginCase{"o'hara", "it's", "O'Hara"},
    LoginCase{"admin' or '1'='1", "x' or '1'='1", nullptr},
    LoginCase{"", "", nullptr}),
    [](const auto &info) {
        return vq::test::paramName(info.param.name) + "_" + vq::test::paramName(info.param.password);
    });

TEST_F(StoreTest, NameInOtherLetterCaseIsASecondAccountAndExactNamesWin)
{
    EXPECT_TRUE(addAccount({QStringLiteral("Admin"), QStringLiteral("582")}));
    EXPECT_EQ(listAccounts().size(), 2u);
    // Both match "admin"/"582"; the exactly named one is taken.
    auto a = checkLogin(QStringLiteral("admin"), QStringLiteral("582"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->name, QStringLiteral("admin"));
    auto b = checkLogin(QStringLiteral("Admin"), QStringLiteral("582"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->name, QStringLiteral("Admin"));

    // Changing or deleting "Admin" never touches "admin".
    EXPECT_TRUE(changePassword({QStringLiteral("Admin"), QStringLiteral("new")}));
    EXPECT_TRUE(checkLogin(QStringLiteral("admin"), QStringLiteral("582")));
    EXPECT_TRUE(deleteAccount(QStringLiteral("Admin")));
    auto left = listAccounts();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->name, QStringLiteral("admin"));
    EXPECT_EQ(left[0]->password, QStringLiteral("582"));
}

TEST_F(StoreTest, ChangeAndDeleteOfAMissingNameSucceedAndChangeNothing)
{
    EXPECT_TRUE(changePassword({QStringLiteral("nobody"), QStringLiteral("x")}));
    EXPECT_TRUE(deleteAccount(QStringLiteral("nobody")));
    auto all = listAccounts();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0]->password, QStringLiteral("582"));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, QuotesInNamesAndPasswordsRoundTrip)
{
    const accountInfo a{QStringLiteral("D'Arcy"), QStringLiteral("p'w\"d")};
    ASSERT_TRUE(addAccount(a));
    EXPECT_TRUE(changePassword({a.name, QStringLiteral("'; drop table MJAccount; --")}));
    auto got = checkLogin(a.name, QStringLiteral("'; drop table MJAccount; --"));
    ASSERT_TRUE(got);
    EXPECT_EQ(got->name, a.name);
    EXPECT_TRUE(deleteAccount(a.name));
    EXPECT_EQ(listAccounts().size(), 1u);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, AccountsAreListedInStoredOrder)
{
    ASSERT_TRUE(addAccount({QStringLiteral("zed"), QStringLiteral("1")}));
    ASSERT_TRUE(addAccount({QStringLiteral("amy"), QStringLiteral("2")}));
    auto all = listAccounts();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->name, QStringLiteral("admin"));
    EXPECT_EQ(all[1]->name, QStringLiteral("zed"));
    EXPECT_EQ(all[2]->name, QStringLiteral("amy"));
}

TEST_F(StoreTest, ReasonsAreListedSortedByKindThenContent)
{
    ASSERT_TRUE(execSQL(QStringLiteral("delete from MJsettings where 名称='来访事由'")));
    for (const char *r : {"探亲", "其他", "A'B", "访友", "送水、送气"})
        ASSERT_TRUE(addSetting({visitReasonKind(), QString::fromUtf8(r)}));
    ASSERT_TRUE(addSetting({QStringLiteral("别的"), QStringLiteral("x")}));

    auto reasons = listSettings(QStringLiteral("where 名称='来访事由'"));
    QStringList got;
    for (const auto &s : reasons) {
        EXPECT_EQ(s->kind, visitReasonKind());
        got << s->content;
    }
    QStringList sorted = got;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(got, sorted);
    EXPECT_EQ(got.size(), 5);
    EXPECT_TRUE(got.contains(QStringLiteral("A'B")));

    EXPECT_EQ(listSettings(QStringLiteral(" where 名称=?"), {visitReasonKind()}).size(), 5u);
    auto all = listSettings(QString());
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0]->kind, QStringLiteral("别的")) << "kinds sort first (by code point: 别 before 来)";
}

TEST_F(StoreTest, ReplaceSettingsIsAllOrNothing)
{
    ASSERT_TRUE(replaceSettings(visitReasonKind(), {QStringLiteral("一"), QStringLiteral("二")}));
    EXPECT_EQ(listSettings(QStringLiteral("where 名称=?"), {visitReasonKind()}).size(), 2u);
    ASSERT_TRUE(replaceSettings(visitReasonKind(), {}));
    EXPECT_TRUE(listSettings(QStringLiteral("where 名称=?"), {visitReasonKind()}).empty());

    ASSERT_TRUE(replaceSettings(visitReasonKind(), {QStringLiteral("保留")}));
    // A failing insert (the table is gone in between) leaves the old rows.
    ASSERT_TRUE(execSQL(QStringLiteral("create trigger no_more before insert on MJSettings "
                                       "begin select raise(abort, 'refused'); end")));
    EXPECT_FALSE(replaceSettings(visitReasonKind(), {QStringLiteral("新")}));
    EXPECT_FALSE(reporter.messages.isEmpty());
    auto left = listSettings(QStringLiteral("where 名称=?"), {visitReasonKind()});
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->content, QStringLiteral("保留"));
}
