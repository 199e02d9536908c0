// Vondrel, the guard-desk program: start-up and shut-down in a fixed order.
#include "AppTitle.h"
#include "AtomicFile.h"
#include "CardFolder.h"
#include "DataFolder.h"
#include "DateFormat.h"
#include "MainWindowFactory.h"
#include "MessageBoxReporter.h"
#include "Option.h"
#include "QtChineseTranslation.h"
#include "Reporter.h"
#include "SingleInstance.h"
#include "TDataModule1.h"
#include "TFormLogin.h"
#include "TermbLibrary.h"

#include <QApplication>
#include <QIcon>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <exception>
#include <memory>

using namespace vondrel;

namespace {

// VONDREL_MESSAGES=stderr sends messages to stderr instead of message boxes,
// for headless runs and scripts that must not block on a box.
bool messagesToStderr()
{
    return qEnvironmentVariable("VONDREL_MESSAGES") == QLatin1String("stderr");
}

// VONDREL_DIAGNOSTICS=stderr writes to stderr which parts the desk found and
// which windows it shows, one line each, so an installation can be checked
// from a script (the windows cannot be seen on a headless machine).
bool diagnosticsToStderr()
{
    return qEnvironmentVariable("VONDREL_DIAGNOSTICS") == QLatin1String("stderr");
}

void diagnose(const QString &line)
{
    std::fprintf(stderr, "Vondrel: %s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

// Loads the card reader library the way the reader window does and says
// which file it is and whether it can be driven.
void diagnoseCardReader()
{
    const TermbLibrary reader;
    const QString state = reader.isUsable() ? QStringLiteral("usable")
                                            : reader.problemText() + u' ' + reader.loadError();
    diagnose(QStringLiteral("card reader library: %1 (%2)").arg(reader.fileName(), state.trimmed()));
}

void diagnoseWindowShown(QWidget *window)
{
    QTimer::singleShot(0, window, [window] {
        if (window->isVisible())
            diagnose(QStringLiteral("window shown: %1 \"%2\"")
                         .arg(QLatin1String(window->metaObject()->className()), window->windowTitle()));
    });
}

int g_signalFd[2] = {-1, -1};
// Set on the main thread once SIGTERM or SIGINT has been seen: every later
// step of start-up is skipped and the run goes straight to its clean-up.
bool g_terminating = false;
MessageBoxReporter *g_boxReporter = nullptr;

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd[0], &c, 1);
}

// SIGTERM / SIGINT (log-out, system shut-down, Ctrl+C) close the windows, so
// the run ends through the normal clean-up: temp pictures deleted, options
// written back, lock released. Message boxes and dialogs are closed too (a
// box without a cancel button ignores a plain close), and no new box opens.
void closeWindowsOnTerminate(QObject *parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFd) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalFd[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalFd[1], &c, 1);
        g_terminating = true;
        if (g_boxReporter)
            g_boxReporter->setBoxesShown(false);
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible())
                dialog->reject();
        }
        QApplication::closeAllWindows();
    });
    struct sigaction sa = {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

// Thrown inside the guarded run to leave it for the clean-up.
struct Terminated {};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vondrel"));
    // Qt's own texts (message box buttons, file dialogs) in Chinese; without
    // the catalogue the desk runs with Qt's English texts (one log line).
    vq::installQtChineseTranslation();
    // The menu entry and icon the package installs (vondrel.desktop, vondrel.svg).
    QGuiApplication::setDesktopFileName(QStringLiteral("vondrel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vondrel")));
    MessageBoxReporter boxReporter;
    if (!messagesToStderr()) {
        setReporter(&boxReporter);
        g_boxReporter = &boxReporter;
    }

    closeWindowsOnTerminate(&app);

    // 1. One date format for the whole run.
    initDateFormat();

    // 2. Only one copy. Nothing has been touched yet: no folder, no file.
    SingleInstance instance;
    if (!instance.tryLock()) {
        if (instance.errorText().isEmpty()) {
            std::fprintf(stderr, "%s\n", alreadyRunningText().toUtf8().constData());
            if (!messagesToStderr())
                reportInfo(alreadyRunningText());
            return 0;
        }
        // The lock file cannot be made (runtime folder unusable): the guard
        // is told once, and the desk still runs rather than leave the gate
        // without its program.
        if (messagesToStderr())
            std::fprintf(stderr, "%s\n", instance.errorText().toUtf8().constData());
        else
            reportWarning(instance.errorText());
        if (g_terminating)
            return 0;
    }

    // 3. Data folder and temp folder; failing ends start-up.
    try {
        makeWorkFolders();
    } catch (const FolderError &e) {
        reportError(e.message());
        return 1;
    }
    // Temporary files of writes cut short by a kill or a crash.
    vq::removeStaleTempFiles(filesFolder());
    vq::removeStaleTempFiles(tempFolder());
    // The card reader library writes its files into the working directory:
    // work inside the data folder's card folder, which is writable.
    QString cardError;
    if (!enterCardFolder(filesFolder(), &cardError))
        reportError(cardError); // the desk still runs; card reading may fail
    if (g_terminating)
        return 0;

    if (diagnosticsToStderr()) {
        diagnose(QStringLiteral("data folder: %1").arg(filesFolder()));
        diagnoseCardReader();
    }

    // 4. The desk options, loaded at once.
    auto option = std::make_unique<Option>(filesFolder() + QStringLiteral("Vondrel.ini"));
    setCurrentOption(option.get());

    // 5. From here on message boxes carry the product name.
    setApplicationTitle(option->productName);

    // 6. The guarded run.
    std::unique_ptr<TDataModule1> dataModule;
    try {
        dataModule = std::make_unique<TDataModule1>();
        bool loggedIn = false;
        if (g_terminating)
            throw Terminated();
        // The login window closing must not end the application before the
        // main window exists.
        QApplication::setQuitOnLastWindowClosed(false);
        auto *login = new TFormLogin(nullptr, loggedIn);
        if (diagnosticsToStderr())
            diagnoseWindowShown(login);
        login->exec();
        // Windows free themselves when closed; let that happen now rather
        // than in an event loop that may never run again.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (loggedIn && !g_terminating) {
            QApplication::setQuitOnLastWindowClosed(true);
            QWidget *mainWindow = createMainWindow();
            mainWindow->setAttribute(Qt::WA_DeleteOnClose);
            mainWindow->show();
            if (diagnosticsToStderr())
                diagnoseWindowShown(mainWindow);
            QApplication::exec();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    } catch (const Terminated &) {
        // Asked to end during start-up: straight to the clean-up.
    } catch (const std::exception &e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QString());
    }

    // 7. Temp pictures go; other files in the temp folder stay.
    deleteMatching(tempFolder() + QStringLiteral("*.jpg"));
    deleteMatching(tempFolder() + QStringLiteral("*.bmp"));

    // 8. The options are written back when the object goes.
    setCurrentOption(nullptr);
    option.reset();
    dataModule.reset();

    // 9. The lock is released last (SingleInstance goes out of scope).
    setReporter(nullptr);
    return 0;
}
