// Helpers of the visitor road tests: a desk with a real store in a temp data
// folder whose camera library shows its test picture, waiting with the event
// loop running, and a driver that works through modal windows step by step.
#pragma once

#include "DeskFixture.h"

#include "ReturnInfo.h"
#include "TFormCamera.h"

#include <QuorvelEvents.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <functional>

namespace vondrel::test {

// Runs the event loop until pred() holds or timeout_ms passed.
inline bool waitUntil(const std::function<bool()> &pred, int timeout_ms = 15000)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Lets deferred deletions (windows that closed) happen.
inline void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Saves a picture of `w` as `name` into $VONDREL_SCREENSHOT_DIR when the
// screenshot script has set it; nothing otherwise.
inline void screenshot(QWidget *w, const char *name)
{
    const QString folder = qEnvironmentVariable("VONDREL_SCREENSHOT_DIR");
    if (folder.isEmpty() || !w)
        return;
    QDir().mkpath(folder);
    const QString path = folder + u'/' + QLatin1String(name);
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
}

// The camera library's stream source list in the data folder.
inline void writeCameraSources(const QString &dataFolder, const QStringList &sources)
{
    QFile f(dataFolder + QStringLiteral("SoruceUrl.bin"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (const QString &s : sources)
        f.write(s.toUtf8() + "\r\n");
}

// The camera's live view inside PanelCamera (the library's child widget), or
// null while no video is shown.
inline QWidget *liveView(TFormCamera *w)
{
    return w ? w->PanelCamera->findChild<QWidget *>() : nullptr;
}

// Two grabs of the preview some frames apart differ: the picture is live.
inline bool previewMoves(TFormCamera *w)
{
    const QImage a = w->PanelCamera->grab().toImage();
    QImage b;
    return waitUntil([&] {
        b = w->PanelCamera->grab().toImage();
        return b != a;
    }, 5000);
}

// A desk whose single camera (index 0) is the library's test picture.
class CameraDeskFixture : public DeskFixture {
protected:
    void SetUp() override
    {
        DeskFixture::SetUp();
        writeCameraSources(dataFolder, {QStringLiteral("testsrc")});
    }
    void TearDown() override
    {
        settle();
        DeskFixture::TearDown();
    }

    // Asks for a snapshot and waits until the window shows a new one.
    QString snapshot(TFormCamera *w, const ReturnInfo &info)
    {
        const QString before = info.picturePath;
        w->BitBtn5->click();
        EXPECT_TRUE(waitUntil([&] { return info.picturePath != before; })) << "no snapshot arrived";
        return info.picturePath;
    }
};

// Works through a script of steps from a timer, so that steps keep running
// while windows are shown modally (each step returns true when done; a step
// that opens a modal window must do so through later(), so it returns first).
class ModalDriver : public QObject {
public:
    using Step = std::function<bool()>;
    void add(const QString &name, Step s) { m_steps.push_back({name, std::move(s)}); }
    static void later(std::function<void()> f) { QTimer::singleShot(0, qApp, std::move(f)); }

    // Starts the script; the caller then runs its own (modal) action.
    void start()
    {
        m_clock.start();
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        m_timer.start();
    }
    bool finished() const { return m_steps.empty(); }
    QString failure() const { return m_failure; }
    QString current() const { return m_steps.empty() ? QString() : m_steps.front().name; }
    // Runs the loop until the script is done (false on a stuck step).
    bool run(int timeout_ms = 60000)
    {
        return waitUntil([this] { return finished() || !m_failure.isEmpty(); }, timeout_ms) && m_failure.isEmpty();
    }

private:
    void tick()
    {
        if (m_steps.empty() || m_busy)
            return;
        if (m_clock.elapsed() > 30000) {
            m_failure = QStringLiteral("step timed out: ") + m_steps.front().name;
            m_timer.stop();
            return;
        }
        m_busy = true;
        const bool done = m_steps.front().step();
        m_busy = false;
        if (done) {
            m_steps.pop_front();
            m_clock.restart();
            if (m_steps.empty())
                m_timer.stop();
        }
    }
    struct Named {
        QString name;
        Step step;
    };
    std::deque<Named> m_steps;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_busy = false;
    QString m_failure;
};

// The modal window of class T on top, or null.
template <typename T>
T *modalWindow()
{
    return qobject_cast<T *>(QApplication::activeModalWidget());
}

} // namespace vondrel::test
