#include "LibraryRelay.h"

#include <QCoreApplication>
#include <QObject>

#include <mutex>

namespace quorvel {

namespace {
std::mutex g_lock;
QObject *g_relay = nullptr;  // under g_lock; never destroyed at exit
}

QObject *libraryRelay()
{
    std::lock_guard guard(g_lock);
    if (!g_relay) {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app)
            return nullptr;
        g_relay = new QObject;
        g_relay->setObjectName(QStringLiteral("QuorvelRelay"));
        if (g_relay->thread() != app->thread())
            g_relay->moveToThread(app->thread());
    }
    return g_relay;
}

void releaseLibraryRelay()
{
    QObject *relay = nullptr;
    {
        std::lock_guard guard(g_lock);
        relay = g_relay;
        g_relay = nullptr;
    }
    delete relay;  // drops what is still queued to it
}

} // namespace quorvel
