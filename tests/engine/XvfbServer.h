// Starts a private Xvfb on a free display number for tests that need an X
// screen, points DISPLAY at it, and stops it (restoring DISPLAY) at the end.
#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace enginetest {

class XvfbServer {
public:
    ~XvfbServer() { stop(); }
    bool available() const { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }
    int width() const { return 800; }
    int height() const { return 600; }

    bool start()
    {
        m_oldDisplay = qgetenv("DISPLAY");
        for (int n = 90 + int(getpid() % 50); n < 400; ++n) {
            const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(n);
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
            if (QFileInfo::exists(lock) || QFileInfo::exists(socket))
                continue;
            m_process.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                                                     QStringLiteral("0"), QStringLiteral("800x600x24"),
                                                     QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!m_process.waitForStarted(5000))
                return false;
            for (int i = 0; i < 100 && m_process.state() == QProcess::Running; ++i) {
                if (QFileInfo::exists(socket)) {
                    qputenv("DISPLAY", QByteArray(":") + QByteArray::number(n));
                    return true;
                }
                QThread::msleep(50);
            }
            stop();  // lost a race for that number: try the next one
        }
        return false;
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
        if (m_oldDisplay.isEmpty())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", m_oldDisplay);
    }

private:
    QProcess m_process;
    QByteArray m_oldDisplay;
};

} // namespace enginetest
