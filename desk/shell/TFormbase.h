#pragma once
// Base of every desk window: a title panel at the top (PanelTitle, 42 pixels,
// cream, with the banner picture ImageTitle and the label Label_Title showing
// the desk option `title`), centred on its owner, and destroyed when closed
// (Qt::WA_DeleteOnClose), so a window opened again is a new instance.
//
// Subclasses put their controls into clientArea() (a plain QWidget below the
// panel; give it a layout or place children by geometry). Open modally with
// exec(); results go back through variables owned by the caller, since the
// window is gone after exec() returns.
#include <QDialog>

class QFrame;
class QLabel;

namespace vondrel {

class TFormbase : public QDialog {
    Q_OBJECT
public:
    explicit TFormbase(QWidget *owner = nullptr);
    ~TFormbase() override;

    QWidget *clientArea() const { return m_client; }

    // Shows `text` in Label_Title (windows that change the title option call
    // it again with the new text).
    void setTitleText(const QString &text);
    QString titleText() const;

    QFrame *PanelTitle = nullptr;
    QLabel *ImageTitle = nullptr;
    QLabel *Label_Title = nullptr;

    static constexpr int titlePanelHeight = 42;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The close handler: every desk window frees itself when closed.
    virtual void FormClose();

private:
    QWidget *m_client = nullptr;
    bool m_centred = false;
};

} // namespace vondrel
