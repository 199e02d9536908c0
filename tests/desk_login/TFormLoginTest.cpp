#include "AppFixture.h"
#include "Option.h"
#include "ParamName.h"
#include "Reporter.h"
#include "Store.h"
#include "TFormLogin.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <functional>

#include <memory>
#include <string>

using namespace vondrel;

namespace {

class LoginWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        ASSERT_TRUE(dir.isValid());
        option = std::make_unique<Option>(dir.filePath(QStringLiteral("Vondrel.ini")));
        setCurrentOption(option.get());
        dm = std::make_unique<TDataModule1>(dir.path());
        ASSERT_TRUE(dm->isOpen());
        ASSERT_TRUE(addAccount({QStringLiteral("Guard"), QStringLiteral("PassWord")}));
        form = new TFormLogin(nullptr, loggedIn);
        form->show();
    }
    void TearDown() override
    {
        if (form)
            form->close();
        flushDeletes();
        dm.reset();
        setCurrentOption(nullptr);
        option.reset();
    }

    void login(const QString &name, const QString &password)
    {
        form->Edit1->setText(name);
        form->Edit2->setText(password);
        form->BitBtn2->click();
        flushDeletes();
    }

    QTemporaryDir dir;
    RecordingReporter reporter;
    ScopedReporter scoped{&reporter};
    std::unique_ptr<Option> option;
    std::unique_ptr<TDataModule1> dm;
    bool loggedIn = true; // the window must clear it
    QPointer<TFormLogin> form;
};

} // namespace

TEST_F(LoginWindow, ShowsItsControlsAndClearsTheFlag)
{
    EXPECT_FALSE(loggedIn);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("当班门卫登录"));
    EXPECT_EQ(form->titleText(), QStringLiteral("人员出入登记软件"));
    EXPECT_TRUE(form->Edit1->text().isEmpty());
    EXPECT_TRUE(form->Edit2->text().isEmpty());
    EXPECT_EQ(form->Edit2->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->BitBtn2->text(), QStringLiteral("登录"));
    EXPECT_TRUE(form->BitBtn2->isDefault());
    EXPECT_EQ(form->BitBtn3->text(), QStringLiteral("取消"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("门卫姓名"));
    EXPECT_EQ(form->Label2->text(), QStringLiteral("登录密码"));
    EXPECT_TRUE(form->Edit_ts->isReadOnly());
    EXPECT_FALSE(form->Edit_ts->hasFrame());
    EXPECT_EQ(form->Edit_ts->text(),
              QStringLiteral("初始账户：admin  密码：582，admin为管理员账户，具有管理账户及系统设置的权限。"));
    EXPECT_EQ(form->Edit_ts->palette().color(QPalette::Base), form->palette().color(QPalette::Window));
}

struct Attempt {
    const char *name;
    const char *password;
    const char *message;  // nullptr: logs in
    const char *guard;    // the guard's name after a login
};

class LoginAttempt : public LoginWindow, public ::testing::WithParamInterface<Attempt> {};

TEST_P(LoginAttempt, ChecksAndMessages)
{
    const Attempt a = GetParam();
    login(QString::fromUtf8(a.name), QString::fromUtf8(a.password));
    if (a.message) {
        EXPECT_EQ(reporter.texts(), QStringList{QString::fromUtf8(a.message)});
        EXPECT_FALSE(loggedIn);
        ASSERT_TRUE(form) << "the window stays";
        EXPECT_TRUE(option->guard.name.isEmpty());
    } else {
        EXPECT_TRUE(reporter.texts().isEmpty()) << reporter.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(loggedIn);
        EXPECT_FALSE(form) << "the window frees itself when closed";
        EXPECT_EQ(option->guard.name, QString::fromUtf8(a.guard));
        EXPECT_EQ(option->guard.password, QString::fromUtf8(a.password).trimmed());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginAttempt, ::testing::Values(
    Attempt{"admin", "582", nullptr, "admin"},
    Attempt{"  admin ", "582", nullptr, "admin"},           // the name is trimmed
    Attempt{"ADMIN", "582", nullptr, "admin"},              // names ignore letter case
    Attempt{"guard", "PassWord", nullptr, "Guard"},
    Attempt{"Guard", "password", "登录名或密码错误", nullptr}, // passwords do not
    Attempt{"admin", "583", "登录名或密码错误", nullptr},
    Attempt{"nobody", "582", "登录名或密码错误", nullptr},
    Attempt{"   ", "582", "登录名或密码错误", nullptr},       // blanks pass the empty check
    Attempt{"", "582", "姓名、密码不能为空！", nullptr},
    Attempt{"admin", "", "姓名、密码不能为空！", nullptr},
    Attempt{"admin' --", "x' or '1'='1", "登录名或密码错误", nullptr}),
    [](const auto &info) {
        return vq::test::paramName(info.param.name) + "_" + vq::test::paramName(info.param.password);
    });

TEST_F(LoginWindow, SecondTryAfterAFailureLogsIn)
{
    login(QStringLiteral("admin"), QStringLiteral("bad"));
    ASSERT_TRUE(form);
    login(QStringLiteral("admin"), QStringLiteral("582"));
    EXPECT_TRUE(loggedIn);
    EXPECT_FALSE(form);
}

TEST_F(LoginWindow, CancelLeavesTheFlagClearAndFreesTheWindow)
{
    form->Edit1->setText(QStringLiteral("admin"));
    form->Edit2->setText(QStringLiteral("582"));
    form->BitBtn3->click();
    flushDeletes();
    EXPECT_FALSE(loggedIn);
    EXPECT_FALSE(form);
    EXPECT_TRUE(option->guard.name.isEmpty());
}

TEST_F(LoginWindow, ExecReturnsWhenTheGuardLogsIn)
{
    form->close();
    flushDeletes();
    bool flag = true;
    QPointer<TFormLogin> modal = new TFormLogin(nullptr, flag);
    QTimer::singleShot(0, modal, [modal] {
        modal->Edit1->setText(QStringLiteral("admin"));
        modal->Edit2->setText(QStringLiteral("582"));
        modal->BitBtn2->click();
    });
    modal->exec();
    flushDeletes();
    EXPECT_TRUE(flag);
    EXPECT_FALSE(modal);
}

// A store that cannot be used: its reason is shown, and the guard is not
// told that the name or password is wrong.
struct UnusableStore {
    const char *name;
    std::function<void(const QString &folder)> make;
};

class LoginWithoutDatabase : public ::testing::TestWithParam<UnusableStore> {};

TEST_P(LoginWithoutDatabase, EveryAttemptShowsTheReasonAndIsRefused)
{
    testApp();
    QTemporaryDir dir;
    GetParam().make(dir.path());
    RecordingReporter reporter;
    ScopedReporter scoped(&reporter);
    TDataModule1 dm(dir.path());
    ASSERT_FALSE(dm.isOpen());
    ASSERT_EQ(reporter.messages.size(), 1);
    const QString dbError = reporter.messages[0].text;
    reporter.clear();

    bool flag = true;
    QPointer<TFormLogin> form = new TFormLogin(nullptr, flag);
    form->show();
    for (int i = 0; i < 2; ++i) {
        form->Edit1->setText(QStringLiteral("admin"));
        form->Edit2->setText(QStringLiteral("582"));
        form->BitBtn2->click();
    }
    EXPECT_EQ(reporter.texts(), (QStringList{dbError, dbError}));
    EXPECT_FALSE(flag);
    ASSERT_TRUE(form);
    form->close();
    flushDeletes();
}

const UnusableStore kUnusableStores[] = {
    {"NotADatabase",
     [](const QString &folder) {
         QFile f(folder + QStringLiteral("/db.sqlite"));
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(QByteArray("garbage, not a database").repeated(100));
     }},
    {"RenamedColumn",
     [](const QString &folder) {
         TDataModule1 fresh(folder);
         ASSERT_TRUE(fresh.isOpen());
         QSqlQuery q(fresh.ADOConnection_update());
         ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE MJAccount RENAME COLUMN 密码 TO 口令")));
     }},
};
INSTANTIATE_TEST_SUITE_P(Stores, LoginWithoutDatabase, ::testing::ValuesIn(kUnusableStores),
                         [](const auto &info) { return std::string(info.param.name); });
