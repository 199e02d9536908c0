#include "MainWindowFactory.h"

#include <QGuiApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace vondrel {

// TEMPORARY: a plain window standing in for the visit list (TFormgate1) until
// that window lands; replace only this function's body.
QWidget *createMainWindow()
{
    auto *w = new QWidget;
    w->setWindowTitle(QGuiApplication::applicationDisplayName());
    auto *layout = new QVBoxLayout(w);
    auto *label = new QLabel(QStringLiteral("来宾登记列表窗口即将完成。"), w);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    w->resize(800, 500);
    return w;
}

} // namespace vondrel
