#pragma once
// One QApplication for the window tests (offscreen platform, set by CTest).
#include <QApplication>

inline QApplication *testApp()
{
    static int argc = 1;
    static char name[] = "desk_login_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

// Runs deferred deletions (windows that free themselves when closed).
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
