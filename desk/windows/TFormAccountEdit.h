#pragma once
// "账户编辑": name and password of a new account (mode 0) or a new password
// for an existing one (mode 1). A plain window without the title panel.
#include "accountInfo.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vondrel {

class TFormAccountEdit : public QDialog {
    Q_OBJECT
public:
    // `result` and `account` belong to the caller and must outlive the
    // window; `result` is true only when the store took the change.
    TFormAccountEdit(QWidget *owner, bool &result, int mode, accountInfo &account);

    QLineEdit *Edit1 = nullptr;     // 姓名
    QLineEdit *Edit2 = nullptr;     // 密码 (shown in clear)
    QPushButton *BitBtn1 = nullptr; // 确定
    QPushButton *BitBtn2 = nullptr; // 取消

public Q_SLOTS:
    void BitBtn1Click();
    void BitBtn2Click();

private:
    bool &m_result;
    int m_mode;
    accountInfo &m_account;
};

} // namespace vondrel
