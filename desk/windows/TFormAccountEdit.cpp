#include "TFormAccountEdit.h"

#include "Storemanage_audit.h"

#include "Reporter.h"
#include "Storemanage_account.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vondrel {

TFormAccountEdit::TFormAccountEdit(QWidget *owner, bool &result, int mode, accountInfo &account)
    : QDialog(owner), m_result(result), m_mode(mode), m_account(account)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("账户编辑"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("姓名"), this), 0, 0);
    Edit1 = new QLineEdit(this);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("密码"), this), 1, 0);
    Edit2 = new QLineEdit(this);
    grid->addWidget(Edit2, 1, 1);
    auto *buttons = new QHBoxLayout;
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn1->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormAccountEdit::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormAccountEdit::BitBtn2Click);
    resize(300, 130);

    if (m_mode == 1) {
        Edit1->setText(m_account.name);
        Edit2->setText(m_account.password);
    }
    m_result = false;
}

void TFormAccountEdit::BitBtn1Click()
{
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty()) {
        reportWarning(QStringLiteral("姓名、密码均不可为空！"));
        return;
    }
    m_account.name = Edit1->text().trimmed();
    m_account.password = Edit2->text().trimmed();
    const bool ok = m_mode == 0 ? addAccount(m_account) : changePassword(m_account);
    m_result = ok;
    // The account's name only, never its password.
    if (ok)
        appendAudit(m_mode == 0 ? audit::AccountAdded : audit::AccountChanged, QString(),
                    m_mode == 0 ? m_account.name : m_account.name + QStringLiteral("：修改密码"));
    if (!ok)
        reportError(QStringLiteral("操作失败"));
    close();
}

void TFormAccountEdit::BitBtn2Click()
{
    m_result = false;
    close();
}

} // namespace vondrel
