#pragma once
// "二代身份证读卡": the window in which the guard reads a resident identity
// card into the caller's ICR. It loads the reader library for its own
// lifetime, finds the reader's port when it opens, and reads once on
// "立刻读卡" or every second while automatic reading runs.
#include "Icr.h"
#include "TFormbase.h"

#include <QEvent>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTimer;

namespace vondrel {

class TermbLibrary;

class TFormICR : public TFormbase {
    Q_OBJECT
public:
    // The window's own read request, sent synchronously at each timer tick.
    static constexpr QEvent::Type ReadMessage = QEvent::Type(QEvent::User + 2024);
    static constexpr int autoReadInterval_ms = 1000;

    // `record` is borrowed and must outlive the window. `libraryLocation`
    // empty: the reader library "termb" as the desk finds it (beside the
    // program, else by name); tests name another file.
    TFormICR(QWidget *owner, ICR &record, const QString &libraryLocation = QString());
    ~TFormICR() override;

    // Value labels: 姓名, 性别, 出生年月, 民族, 住址, 身份证号, 签发机关, 有效期限.
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    // Warning beside the citizen number when its check character fails.
    QLabel *LabelIdCheck = nullptr;
    QLabel *Image1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel0 = nullptr; // reading state
    QLabel *StatusPanel1 = nullptr; // port
    QLabel *StatusPanel2 = nullptr; // reader identification
    QPushButton *Button1 = nullptr; // 立刻读卡
    QPushButton *Button2 = nullptr; // 开始自动读卡
    QPushButton *Button3 = nullptr; // 停止自动读卡
    QPushButton *Button4 = nullptr; // 清除
    QPushButton *Button5 = nullptr; // 确定读卡正确
    QTimer *Timer1 = nullptr;

    // The port found when the window opened (0: none).
    int port() const { return m_port; }
    // The reader library is loaded and complete.
    bool readerUsable() const;

    // Actions of the buttons and the timer, callable directly.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Timer1Timer();

Q_SIGNALS:
    // Around each single read (tests watch the timer and buttons here).
    void readStarted();
    void readFinished(int authenticateResult);

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *event) override;
    // Escape, accept() and reject() end the dialog without a close event.
    void done(int result) override;

private:
    void buildControls();
    void FormCreate();
    void clear();
    void readOnce();
    void showRecord();
    void stopReading();

    ICR &m_record;
    std::unique_ptr<TermbLibrary> m_lib;
    int m_port = 0;
};

} // namespace vondrel
