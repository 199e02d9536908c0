#pragma once
// "系统设置": the title shown on every desk window and the list of visit
// reasons offered by the registration form.
#include "TFormbase.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace vondrel {

class TFormSYS : public TFormbase {
    Q_OBJECT
public:
    explicit TFormSYS(QWidget *owner = nullptr);

    QLineEdit *Edit1 = nullptr;      // 软件抬头
    QPushButton *BitBtn13 = nullptr; // 提交保存
    QGroupBox *GroupBox1 = nullptr;  // 来访事由字典维护
    QListWidget *ListBox1 = nullptr;
    QLineEdit *Edit2 = nullptr;      // new reason, at most 50 characters
    QAction *Action_addnew = nullptr;
    QAction *Action_delete = nullptr;
    QPushButton *BitBtn1 = nullptr;  // 新增
    QPushButton *BitBtn4 = nullptr;  // 删除
    QPushButton *BitBtn2 = nullptr;  // 保存当前列表
    QPushButton *BitBtn3 = nullptr;  // 关闭
    QSpinBox *SpinEdit1 = nullptr;   // 超时提醒（小时）, 0 = off; saved by 提交保存
    QCheckBox *CheckBox1 = nullptr;  // 证件号码脱敏显示; saved by 提交保存
    QSpinBox *SpinEdit2 = nullptr;   // 保存期限（天）, 0 = kept forever; saved by 提交保存
    QPushButton *BitBtn5 = nullptr;  // 关注名单
    QPushButton *BitBtn6 = nullptr;  // 操作日志

    QStringList reasons() const;

public Q_SLOTS:
    void Edit2KeyUp();
    void Action_addnewExecute();
    void Action_deleteExecute();
    void ListBox1Click();
    void BitBtn2Click();
    void BitBtn13Click();
    void BitBtn3Click();
    void BitBtn5Click();
    void BitBtn6Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace vondrel
