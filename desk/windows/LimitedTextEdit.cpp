#include "LimitedTextEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace vondrel {

namespace {

// The text a key press would insert: the key's text, or a line break for
// Return and Enter. Control characters (Backspace, Delete, Ctrl+…) insert
// nothing and are never refused.
QString insertedByKey(const QPlainTextEdit *box, const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return QStringLiteral("\n");
    if (event->key() == Qt::Key_Tab && !box->tabChangesFocus() && event->modifiers() == Qt::NoModifier)
        return QStringLiteral("\t");
    const QString text = event->text();
    for (QChar c : text) {
        if (!c.isPrint())
            return QString();
    }
    return text;
}

} // namespace

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget *parent) : QPlainTextEdit(parent), m_maxLength(maxLength) {}

int LimitedTextEdit::room() const
{
    const qsizetype kept = toPlainText().size() - textCursor().selectedText().size();
    return int(qMax<qsizetype>(0, m_maxLength - kept));
}

void LimitedTextEdit::keyPressEvent(QKeyEvent *event)
{
    if (!isReadOnly()) {
        const QString text = insertedByKey(this, event);
        if (!text.isEmpty() && text.size() > room()) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    const int fits = room();
    if (isReadOnly() || commit.size() <= fits) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    // Chinese is typed through the input method: commit only what fits.
    QApplication::beep();
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(commit.left(fits), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cut);
    event->accept();
}

void LimitedTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = source->text();
    const int fits = room();
    if (text.size() <= fits) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QApplication::beep();
    if (fits > 0)
        insertPlainText(text.left(fits));
}

} // namespace vondrel
