#pragma once
// A multi-line text box with a character limit that refuses input beyond it,
// as a one-line box's maxLength does: a key press, an input method's commit
// or a paste that would pass the limit inserts only what fits (nothing for a
// single key), so no typed character silently disappears afterwards. Text
// put in by the program (a stored address, a card read) is never cut; a box
// holding more than the limit accepts deletions until it fits again.
#include <QPlainTextEdit>

namespace vondrel {

class LimitedTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedTextEdit(int maxLength, QWidget *parent = nullptr);

    int maxLength() const { return m_maxLength; }
    // How many characters typing may still insert at the cursor (the
    // selection would be replaced).
    int room() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int m_maxLength;
};

} // namespace vondrel
