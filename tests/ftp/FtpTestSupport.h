// Helpers of the FTP upload tests: a real FTP server (pyftpdlib, started by
// ftp_server.py on 127.0.0.1 with a free port and its own folder), picture
// files in dated folders, and the log lines the library writes.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

// Readable failure messages for texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace ftptest {

inline void ensureApp()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "ftp_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Polls pred() until it holds or timeout_ms passed.
inline bool waitUntil(const std::function<bool()> &pred, int timeout_ms = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeout_ms)
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(10);
    }
    return true;
}

class FtpTestServer {
public:
    struct Options {
        bool silent = false;  // accept TCP and never answer
        int rate = 0;         // upload bytes per second, 0 for no limit
        QString user = QStringLiteral("camera");
        QString password = QStringLiteral("secret");
    };

    explicit FtpTestServer(Options options) : m_options(options)
    {
        ensureApp();
        start();
    }
    FtpTestServer() : FtpTestServer(Options{}) {}
    ~FtpTestServer() { stop(); }

    // Starts the server; again on the same port after stop().
    void start()
    {
        QStringList args{QStringLiteral(QUORVEL_FTP_SERVER_SCRIPT), QStringLiteral("--root"), m_root.path(),
                         QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--user"),
                         m_options.user, QStringLiteral("--password"), m_options.password};
        if (m_options.silent)
            args << QStringLiteral("--silent");
        if (m_options.rate > 0)
            args << QStringLiteral("--rate") << QString::number(m_options.rate);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        ASSERT_TRUE(m_process.waitForStarted(10000));
        const QByteArray line = readLine();
        ASSERT_TRUE(line.startsWith("PORT ")) << line.toStdString();
        m_port = line.mid(5).trimmed().toInt();
        ASSERT_GT(m_port, 0);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    int port() const { return m_port; }
    QString root() const { return m_root.path(); }
    const Options &options() const { return m_options; }

    QJsonObject command(const QString &line)
    {
        m_process.write(line.toUtf8() + '\n');
        m_process.waitForBytesWritten(5000);
        return QJsonDocument::fromJson(readLine()).object();
    }
    QStringList renamed()
    {
        QStringList out;
        for (const QJsonValue &v : command(QStringLiteral("stats")).value(QStringLiteral("renamed")).toArray())
            out << v.toString();
        return out;
    }
    int connections() { return command(QStringLiteral("stats")).value(QStringLiteral("connections")).toInt(); }

private:
    QByteArray readLine()
    {
        QElapsedTimer t;
        t.start();
        while (!m_process.canReadLine() && t.elapsed() < 15000)
            m_process.waitForReadyRead(100);
        return m_process.readLine().trimmed();
    }

    Options m_options;
    QTemporaryDir m_root;
    QProcess m_process;
    int m_port = 0;
};

// Picture files with distinct random content under <folder>/pics/0/<date>/.
class Pictures {
public:
    QString dir() const { return m_dir.path(); }
    QString make(const QString &date, const QString &name, qsizetype bytes = 4096)
    {
        const QString folder = m_dir.path() + QStringLiteral("/pics/0/") + date;
        QDir().mkpath(folder);
        const QString path = folder + u'/' + name;
        QByteArray content(bytes, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes; ++i)
            content[i] = char(QRandomGenerator::global()->bounded(256));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    // n pictures "p00.jpg"... in one dated folder.
    QStringList makeMany(int n, const QString &date = QStringLiteral("2011-08-09"), qsizetype bytes = 4096)
    {
        QStringList out;
        for (int i = 0; i < n; ++i)
            out << make(date, QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), bytes);
        return out;
    }

private:
    QTemporaryDir m_dir;
};

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// Keeps every log line written while it lives.
class LogCapture {
public:
    LogCapture()
    {
        std::lock_guard guard(lock());
        current() = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        std::lock_guard guard(lock());
        current() = nullptr;
    }
    QStringList lines() const
    {
        std::lock_guard guard(lock());
        return m_lines;
    }
    QStringList linesWith(const QString &text) const { return lines().filter(text); }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard guard(lock());
        if (current())
            current()->m_lines << message;
    }
    static std::mutex &lock()
    {
        static std::mutex m;
        return m;
    }
    static LogCapture *&current()
    {
        static LogCapture *c = nullptr;
        return c;
    }
    QtMessageHandler m_previous = nullptr;
    QStringList m_lines;
};

} // namespace ftptest
