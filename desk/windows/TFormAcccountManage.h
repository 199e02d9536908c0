#pragma once
// "门卫账户管理": the guard accounts, with add, change (password) and delete.
// The account "admin" cannot be deleted.
#include "TFormbase.h"

#include <array>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;

namespace vondrel {

class TFormAcccountManage : public TFormbase {
    Q_OBJECT
public:
    explicit TFormAcccountManage(QWidget *owner = nullptr);

    QLabel *Label1 = nullptr;       // 门卫账户列表
    QTableWidget *ListView1 = nullptr;
    QLabel *Label_count = nullptr;
    QAction *ActionNew = nullptr;
    QAction *ActionModify = nullptr;
    QAction *ActionDelete = nullptr;
    QPushButton *BitBtn1 = nullptr; // 新增
    QPushButton *BitBtn2 = nullptr; // 修改
    QPushButton *BitBtn3 = nullptr; // 删除
    QMenu *PopupMenu1 = nullptr;

    int columnTag(int column) const { return m_tags.at(size_t(column)); }
    // The account a row holds (name, password).
    QString rowName(int row) const;
    QString rowPassword(int row) const;

public Q_SLOTS:
    void ActionNewExecute();
    void ActionModifyExecute();
    void ActionDeleteExecute();
    void ListView1ColumnClick(int column);

private:
    void fillList();
    int selectedRow() const;
    void addRow(const QString &name, const QString &password);
    void updateCount();

    std::array<int, 2> m_tags{{1, 1}};
    int m_sortColumn = 0;
};

} // namespace vondrel
