#pragma once
// "操作日志": the operation log of a date range, for admin, with an export.
// The window only reads the log.
#include "TFormbase.h"

#include <functional>

class QDateEdit;
class QPushButton;
class QTableWidget;

namespace vondrel {

class TFormAudit : public TFormbase {
    Q_OBJECT
public:
    explicit TFormAudit(QWidget *owner = nullptr);

    QDateEdit *DateTimePicker1 = nullptr; // from
    QDateEdit *DateTimePicker2 = nullptr; // to
    QPushButton *BitBtn1 = nullptr;       // 查询
    QPushButton *BitBtn2 = nullptr;       // 导出
    QPushButton *BitBtn3 = nullptr;       // 关闭
    QTableWidget *ListView1 = nullptr;

    // The save dialog of the export; empty text when cancelled. Replaceable
    // so the export can run unattended.
    std::function<QString(QWidget *owner)> SaveDialog1;

public Q_SLOTS:
    void BitBtn1Click();
    void BitBtn2Click();
};

} // namespace vondrel
