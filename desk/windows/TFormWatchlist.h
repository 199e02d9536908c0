#pragma once
// "关注名单": admin keeps the people who must not enter or must be escorted.
// An entry has an ID number and/or a name, a level and a note.
#include "TFormbase.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vondrel {

class TFormWatchlist : public TFormbase {
    Q_OBJECT
public:
    explicit TFormWatchlist(QWidget *owner = nullptr);

    QTableWidget *ListView1 = nullptr;
    QLineEdit *Edit1 = nullptr;     // 证件号码
    QLineEdit *Edit2 = nullptr;     // 姓名
    QComboBox *ComboBox1 = nullptr; // 级别
    QLineEdit *Edit3 = nullptr;     // 备注
    QPushButton *BitBtn1 = nullptr; // 新增
    QPushButton *BitBtn2 = nullptr; // 修改
    QPushButton *BitBtn3 = nullptr; // 删除
    QPushButton *BitBtn4 = nullptr; // 关闭

    // The key of the entry shown in row `row`.
    QString keyAt(int row) const;

public Q_SLOTS:
    void refreshList();
    void ListView1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();

private:
    bool store(const QString &key);
};

} // namespace vondrel
