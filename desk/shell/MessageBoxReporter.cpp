#include "MessageBoxReporter.h"

#include "AppTitle.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace vondrel {

void MessageBoxReporter::show(Kind kind, const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
    if (!m_boxes)
        return;
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
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
    if (!m_boxes)
        return false;
    return QMessageBox::question(QApplication::activeWindow(),
                                 applicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace vondrel
