#include "MainWindowFactory.h"

#include "TFormgate1.h"

namespace vondrel {

QWidget *createMainWindow()
{
    auto *w = new TFormgate1(nullptr);
    w->setWindowState(w->windowState() | Qt::WindowMaximized);
    return w;
}

} // namespace vondrel
