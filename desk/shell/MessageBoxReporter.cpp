#include "MessageBoxReporter.h"

#include "AppTitle.h"

#include <QApplication>
#include <QMessageBox>

namespace vondrel {

void MessageBoxReporter::show(Kind kind, const QString &text)
{
    const QString title = applicationTitle();
    QWidget *parent = QApplication::activeWindow();
    switch (kind) {
    case Kind::Information: QMessageBox::information(parent, title, text); break;
    case Kind::Warning: QMessageBox::warning(parent, title, text); break;
    case Kind::Error: QMessageBox::critical(parent, title, text); break;
    }
}

bool MessageBoxReporter::ask(const QString &text)
{
    return QMessageBox::question(QApplication::activeWindow(),
                                 applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace vondrel
