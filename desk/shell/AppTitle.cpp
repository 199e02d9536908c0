#include "AppTitle.h"

#include <QCoreApplication>

namespace vondrel {

namespace {
QString g_title;
}

QString applicationTitle()
{
    // Kept apart from Qt's application display name, which the window system
    // would append to every window caption.
    return g_title.isEmpty() ? QCoreApplication::applicationName() : g_title;
}

void setApplicationTitle(const QString &title)
{
    g_title = title;
}

} // namespace vondrel
