#include "TFormLogin.h"

#include "Storemanage_audit.h"

#include "Option.h"
#include "Reporter.h"
#include "Storemanage_account.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace vondrel {

TFormLogin::TFormLogin(QWidget *owner, bool &loggedIn)
    : TFormbase(owner)
    , m_loggedIn(loggedIn)
{
    setWindowTitle(QStringLiteral("当班门卫登录"));

    Label1 = new QLabel(QStringLiteral("门卫姓名"), clientArea());
    Label2 = new QLabel(QStringLiteral("登录密码"), clientArea());
    Edit1 = new QLineEdit(clientArea());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(clientArea());
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEchoMode(QLineEdit::Password);
    // Typed characters show as "*", whatever the style's own mask character.
    Edit2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Label1->setBuddy(Edit1);
    Label2->setBuddy(Edit2);

    BitBtn2 = new QPushButton(QStringLiteral("登录"), clientArea());
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    BitBtn2->setAutoDefault(true);
    BitBtn3 = new QPushButton(QStringLiteral("取消"), clientArea());
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setAutoDefault(false);

    Edit_ts = new QLineEdit(clientArea());
    Edit_ts->setObjectName(QStringLiteral("Edit_ts"));
    Edit_ts->setReadOnly(true);
    Edit_ts->setFrame(false);
    Edit_ts->setFocusPolicy(Qt::NoFocus);
    Edit_ts->setText(QStringLiteral("初始账户：admin  密码：582，admin为管理员账户，具有管理账户及系统设置的权限。"));
    Edit_ts->setCursorPosition(0);
    // Takes the window's colour so that it reads as plain text.
    QPalette pal = Edit_ts->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    Edit_ts->setPalette(pal);

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);

    auto *layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(24, 16, 24, 12);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(Edit_ts);

    resize(620, 230);

    connect(BitBtn2, &QPushButton::clicked, this, &TFormLogin::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormLogin::BitBtn3Click);
    // Escape (reject) counts as "取消".
    connect(this, &QDialog::rejected, this, [this] { m_loggedIn = false; });

    Edit1->clear();
    Edit2->clear();
    m_loggedIn = false;
}

void TFormLogin::BitBtn2Click()
{
    if (Edit1->text().isEmpty() || Edit2->text().isEmpty()) {
        reportWarning(QStringLiteral("姓名、密码不能为空！"));
        return;
    }
    try {
        const QString typed = Edit1->text().trimmed();
        bool storeFailed = false;
        std::unique_ptr<accountInfo> account = checkLogin(typed, Edit2->text().trimmed(), &storeFailed);
        // A store that cannot be asked has told its reason already; the
        // guard's name and password are not to blame.
        if (!account && storeFailed)
            return;
        // The name as typed, never the password.
        appendAudit(account ? account->name : typed, account ? audit::LoginOk : audit::LoginFailed, QString(),
                    QStringLiteral("输入的登录名：%1").arg(typed));
        if (!account) {
            reportWarning(QStringLiteral("登录名或密码错误"));
            return;
        }
        if (Option *option = currentOption())
            option->guard = *account;
        m_loggedIn = true;
        accept();
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    }
}

void TFormLogin::BitBtn3Click()
{
    m_loggedIn = false;
    reject();
}

} // namespace vondrel
