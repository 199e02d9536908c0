#pragma once
// The visit list "进出登记(v1.00)", the desk's main window: the visits of a
// date range (optionally of one reason) with the time each visitor stayed,
// and the actions to register, view, change and close visits, manage guards
// and settings, and export the list.
#include "TFormbase.h"

#include "XlsxExport.h"

#include <QDate>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QTableView;
class QTimer;

namespace vondrel {

class VisitListModel;

class TFormgate1 : public TFormbase {
    Q_OBJECT
public:
    explicit TFormgate1(QWidget *owner = nullptr);
    ~TFormgate1() override;

    // Actions, in the order of the buttons and the context menu.
    QAction *ActionDJ = nullptr;     // 来宾进入登记
    QAction *ActionOUT = nullptr;    // 来宾离开登记
    QAction *ActionVIEW = nullptr;   // 查看来宾信息
    QAction *ActionXG = nullptr;     // 修改登记信息
    QAction *ActionMWGL = nullptr;   // 门卫管理
    QAction *ActionSYS = nullptr;    // 系统设置
    QAction *ActionExport = nullptr; // 数据导出EXCEL
    QList<QPushButton *> actionButtons;
    QMenu *PopupMenu1 = nullptr;

    QGroupBox *GroupBox1 = nullptr; // 来宾查询
    QDateEdit *DateTimePicker1 = nullptr;
    QDateEdit *DateTimePicker2 = nullptr;
    QComboBox *ComboBox3 = nullptr; // 来访事由 filter
    QPushButton *BitBtn1 = nullptr; // 刷新列表
    QLabel *Label_count = nullptr;
    QTableView *ListView1 = nullptr;
    VisitListModel *model() const { return m_model; }

    // The save dialog of the export (SaveDialog1); returns the chosen name or
    // empty text when cancelled. Replaceable so the export can run unattended.
    std::function<QString(QWidget *owner)> SaveDialog1;
    // Where the save dialog starts: the folder of the last export (desk
    // option exportFolder) while it exists, else the documents folder.
    QString exportStartFolder() const;
    // Opens the exported file with the desktop's handler. Replaceable.
    std::function<void(const QString &path)> openWithDesktop;

    // The row selected, or -1.
    int selectedRow() const;

    // Search and roll call, in the query group.
    QLineEdit *Edit1 = nullptr;     // 查找: part of a name, ID number, phone, work unit or person visited
    QCheckBox *CheckBox1 = nullptr; // 全部日期: search every stored visit
    QPushButton *BitBtn2 = nullptr; // 在场人员 (checked: the list is the roll call)
    QPushButton *BitBtn3 = nullptr; // 打印
    bool isRollCall() const;

    // The export's file type: the type chosen in the last export dialog
    // (kept in the desk options), set by SaveDialog1.
    ExportFileType exportType = ExportFileType::TabText;

    // The print dialog; true to print. Replaceable so printing can run
    // unattended (a PDF printer in tests).
    std::function<bool(QPrinter *printer, QWidget *owner)> PrintDialog1;

    // The desk clock (deskNowMs scale): stays, overstays, the day watch.
    // Replaceable so tests can move time.
    std::function<qint64()> clock;

    // Beside Label_count (which keeps the plain number of visits listed):
    // how many of them are overstaying, empty when none is.
    QLabel *Label_overstay = nullptr;

    QTimer *Timer1 = nullptr; // automatic refresh (desk options autorefresh, autorefreshTime)
    QTimer *Timer2 = nullptr; // moves the stays on and watches for the date to change

public Q_SLOTS:
    void refreshList();
    void BitBtn1Click();
    void DateTimePicker1Change();
    void ListView1Click();
    void ListView1DblClick();
    void ListView1ColumnClick(int column);
    void ActionDJExecute();
    void ActionOUTExecute();
    void ActionVIEWExecute();
    void ActionXGExecute();
    void ActionMWGLExecute();
    void ActionSYSExecute();
    void ActionExportExecute();
    void Edit1ReturnPressed();
    void CheckBox1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void Timer1Timer();
    void Timer2Timer();

protected:
    // Escape must not close the main window (it is a dialog underneath).
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void openVisitForm(bool editable, bool leave);
    QString exportRows(const QString &path); // error text, empty when written
    QString exportWorkbook(const QString &path); // error text, empty when written
    void showCount();
    // Removes the finished visits past the retention period (desk option
    // retentionDays; 0 keeps them): at start-up and when the date changes.
    int runRetention(); // visits removed
    QDate clockDate() const;

    VisitListModel *m_model = nullptr;
    QDate m_today; // the clock's date when last looked at
    bool m_sorted = false; // a column click sorted the rows since the last refresh
};

} // namespace vondrel
