#pragma once
// The login window "当班门卫登录": the guard's name and password must match a
// stored account; the account then becomes the desk options' guard and the
// caller's flag is set.
#include "TFormbase.h"

class QLineEdit;
class QPushButton;
class QLabel;

namespace vondrel {

class TFormLogin : public TFormbase {
    Q_OBJECT
public:
    // `loggedIn` (owned by the caller, must outlive the window) is cleared
    // now and set only by a successful login.
    TFormLogin(QWidget *owner, bool &loggedIn);

    QLabel *Label1 = nullptr;       // "门卫姓名"
    QLabel *Label2 = nullptr;       // "登录密码"
    QLineEdit *Edit1 = nullptr;     // name
    QLineEdit *Edit2 = nullptr;     // password, shown as "*"
    QPushButton *BitBtn2 = nullptr; // "登录", the default button
    QPushButton *BitBtn3 = nullptr; // "取消"
    QLineEdit *Edit_ts = nullptr;   // read-only hint line

public Q_SLOTS:
    void BitBtn2Click();
    void BitBtn3Click();

private:
    bool &m_loggedIn;
};

} // namespace vondrel
