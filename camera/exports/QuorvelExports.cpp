// The exported functions: each finds the library state and the camera of
// an index and hands the request on. No exception leaves an export.
#include "Quorvel.h"

#include "BoxReporter.h"
#include "CDataClass.h"
#include "CameraLibrary.h"
#include "EngineLog.h"
#include "HostReporter.h"
#include "HostVideoView.h"
#include "LibReporter.h"
#include "LibraryCall.h"
#include "LibraryRelay.h"
#include "PropertiesWindow.h"
#include "QtChineseTranslation.h"
#include "SettingsWindows.h"
#include "SysSettingsLogic.h"
#include "SysSettingsWindow.h"
#include "UsbCamera.h"
#include "WinLockLibrary.h"

#include <QApplication>
#include <QDialog>
#include <QCoreApplication>
#include <QScreen>
#include <QPointer>
#include <QWidget>

#include <cstring>
#include <exception>
#include <optional>
#include <thread>

using quorvel::CameraLibrary;
using quorvel::LibraryCallScope;

namespace {

// The reporters are never destroyed: a message may be raised on another
// thread while the process ends.
quorvel::BoxReporter &boxReporter()
{
    static auto *reporter = new quorvel::BoxReporter;
    return *reporter;
}

quorvel::HostReporter &hostReporter()
{
    static auto *reporter = new quorvel::HostReporter;
    return *reporter;
}

// The one library-wide state. Unloading the library, or leaving the process
// on the UI thread, destroys it and with it every camera. When exit() runs
// on another thread instead (libX11 does so on a streaming thread when the X
// server of a screen source goes away), the cameras are left to the system:
// tearing them down there would stop a pipeline from its own streaming
// thread, while the UI thread may still be using them.
class LibraryHolder {
public:
    LibraryHolder() : m_lib(new CameraLibrary), m_uiThread(std::this_thread::get_id())
    {
        quorvel::libraryRelay();
    }
    ~LibraryHolder()
    {
        if (std::this_thread::get_id() != m_uiThread)
            return;
        delete m_lib;
        // Records still on their way and exports put off are library code:
        // they go with the library.
        quorvel::releaseLibraryRelay();
    }
    LibraryHolder(const LibraryHolder &) = delete;
    LibraryHolder &operator=(const LibraryHolder &) = delete;
    CameraLibrary &lib() { return *m_lib; }

private:
    CameraLibrary *m_lib;
    std::thread::id m_uiThread;
};

CameraLibrary &library()
{
    static LibraryHolder holder;
    static bool reporterSet = [] {
        // The host's own reporter, when it sets one, replaces this one.
        if (!hostReporter().installed())
            quorvel::setLibReporter(&boxReporter());
        return true;
    }();
    (void)reporterSet;
    return holder.lib();
}

char *dupText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    char *out = static_cast<char *>(std::malloc(std::size_t(utf8.size()) + 1));
    if (out)
        std::memcpy(out, utf8.constData(), std::size_t(utf8.size()) + 1);
    return out;
}

// Runs an export's work as library code (see LibraryCallScope); no
// exception leaves it.
template <typename F, typename R>
R guarded(const char *what, R fallback, F &&f)
{
    LibraryCallScope scope;
    try {
        return f();
    } catch (const std::exception &e) {
        quorvel::reportException(QString::fromUtf8(e.what()));
        qCWarning(lcEngine) << what << "failed:" << e.what();
    } catch (...) {
        qCWarning(lcEngine) << what << "failed";
    }
    return fallback;
}

// An export that releases or rebuilds cameras, called while library code
// runs on this thread (from the host's reporter callback, or from an event
// the library sent to a host widget): it runs once that code has returned.
template <typename F>
bool putOffWhenNested(const char *what, F &&work)
{
    if (!LibraryCallScope::active())
        return false;
    QObject *relay = quorvel::libraryRelay();
    if (!relay) {
        qCWarning(lcEngine) << what << "called from inside the library without an application: ignored";
        return true;
    }
    qCInfo(lcEngine) << what << "called from inside the library: runs when the library has returned";
    QMetaObject::invokeMethod(relay, std::forward<F>(work), Qt::QueuedConnection);
    return true;
}

QWidget *ownerWindow(QObject *owner)
{
    auto *widget = qobject_cast<QWidget *>(owner);
    return widget ? widget->window() : nullptr;
}

// The settings windows open in the middle of the screen, wherever their
// owner is.
void centreOnScreen(QWidget *window)
{
    window->adjustSize();
    QScreen *screen = window->parentWidget() ? window->parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace

extern "C" {

QUORVEL_API int Quorvel_Init(void)
{
    if (putOffWhenNested("Init", [] { Quorvel_Init(); }))
        return 1;
    return guarded("Init", 1, [] {
        // The library's windows and boxes show Qt's texts in Chinese too,
        // also under a host that installed no translation of its own.
        // Tried once per process, so a missing catalogue logs one line.
        static bool triedQtChinese = false;
        if (!triedQtChinese && QCoreApplication::instance()) {
            triedQtChinese = true;
            vq::installQtChineseTranslation();
        }
        return library().Init();
    });
}

QUORVEL_API void Quorvel_open(QWidget *owner, QObject *notify, QWidget *host, int index)
{
    const bool nested = putOffWhenNested("open", [owner = QPointer<QWidget>(owner), hadOwner = owner != nullptr,
                                                  notify = QPointer<QObject>(notify),
                                                  host = QPointer<QWidget>(host), hadHost = host != nullptr, index] {
        // A window that is gone by now gets no camera.
        if ((hadHost && !host) || (hadOwner && !owner))
            return;
        Quorvel_open(owner.data(), notify.data(), host.data(), index);
    });
    if (nested)
        return;
    guarded("open", 0, [&] {
        CameraLibrary &lib = library();
        if (!lib.initialised() || index < 0 || index >= lib.option()->cameraCount)
            return 0;
        std::unique_ptr<quorvel::CameraDisplay> display;
        if (host)
            display = std::make_unique<quorvel::HostDisplay>(host);
        lib.open(owner, notify, reinterpret_cast<std::uintptr_t>(host), std::move(display), index);
        return 0;
    });
}

QUORVEL_API bool Quorvel_close(QWidget *, int index)
{
    if (putOffWhenNested("close", [index] { Quorvel_close(nullptr, index); }))
        return true;
    return guarded("close", true, [&] { return library().close(index); });
}

QUORVEL_API void Quorvel_Capture(QObject *, int index)
{
    guarded("Capture", 0, [&] {
        library().Capture(index);
        return 0;
    });
}

QUORVEL_API void Quorvel_ShowProperty(QWidget *parent, int index)
{
    guarded("ShowProperty", 0, [&] {
        quorvel::UsbCamera *cam = library().camera(index);
        if (!cam || !cam->HasGraph()) {
            qCInfo(lcEngine) << "ShowProperty: camera" << index << "has no running pipeline";
            return 0;
        }
        const auto props = cam->SourceProperties();
        if (!props.isEmpty())
            quorvel::showSourceProperties(parent, props);
        return 0;
    });
}

QUORVEL_API void Quorvel_OpenSettings(QObject *owner, int index, int page)
{
    // The window is made as library code, but shown outside it: its event
    // loop runs the host's handlers, which may close cameras (the window
    // notices) or call any export.
    QPointer<quorvel::TFormSetting> window;
    guarded("OpenSettings", 0, [&] {
        if (page < 1 || page > 7 || !qobject_cast<QApplication *>(QCoreApplication::instance()))
            return 0;
        CameraLibrary &lib = library();
        window = new quorvel::TFormSetting(page, index, lib.option(), lib.camera(index), ownerWindow(owner));
        centreOnScreen(window);
        return 0;
    });
    if (!window)
        return;
    try {
        window->exec();
    } catch (const std::exception &e) {
        qCWarning(lcEngine) << "OpenSettings failed:" << e.what();
    }
}

QUORVEL_API void Quorvel_OpenDeviceManage(QObject *owner)
{
    QPointer<quorvel::TFrm_Device> window;
    std::uint8_t confirmed = 0;  // the export does not look at it
    guarded("OpenDeviceManage", 0, [&] {
        if (!library().initialised() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
            return 0;
        window = new quorvel::TFrm_Device(library().option(), &confirmed, ownerWindow(owner));
        centreOnScreen(window);
        return 0;
    });
    if (!window)
        return;
    try {
        window->exec();
    } catch (const std::exception &e) {
        qCWarning(lcEngine) << "OpenDeviceManage failed:" << e.what();
    }
}

QUORVEL_API int Quorvel_SysSettings(QObject *owner)
{
    // Made as library code, shown outside it (as the settings windows).
    QPointer<quorvel::TForm_sys> window;
    guarded("SysSettings", 0, [&] {
        if (!library().initialised() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
            return 0;
        window = new quorvel::TForm_sys(library().option(), &quorvel::winLockLibrary(), ownerWindow(owner));
        window->setAttribute(Qt::WA_DeleteOnClose);
        centreOnScreen(window);
        return 0;
    });
    if (!window)
        return QDialog::Rejected;
    try {
        return window->exec();
    } catch (const std::exception &e) {
        qCWarning(lcEngine) << "SysSettings failed:" << e.what();
    }
    return QDialog::Rejected;
}

QUORVEL_API int Quorvel_DoWinLock(QWidget *window)
{
    return guarded("DoWinLock", 0, [&] {
        if (!library().initialised())
            return 0;
        const quorvel::Option &option = *library().option();
        QString error;
        if (!quorvel::applyStoredLockDown(option, quorvel::winLockLibrary(), &error)) {
            quorvel::reportException(error);
            return 0;
        }
        const std::optional<bool> top = quorvel::readFlag(option.TopWindow);
        if (!top) {
            quorvel::reportException(quorvel::notABooleanText(QStringLiteral("TopWindow"), option.TopWindow));
            return 0;
        }
        if (!window)
            return 0;
        QWidget *w = window->window();
        if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != *top) {
            // Changing the flags hides a shown window: it comes back where
            // it was, with its size.
            const bool shown = w->isVisible();
            const QRect at = w->geometry();
            w->setWindowFlag(Qt::WindowStaysOnTopHint, *top);
            if (shown) {
                w->setGeometry(at);
                w->show();
            }
        }
        return 1;
    });
}

QUORVEL_API bool Quorvel_tmd_Broadcast(int index, int port, int maxClients, bool withRecording)
{
    return guarded("tmd_Broadcast", false, [&] {
        quorvel::UsbCamera *cam = library().camera(index);
        if (!cam)
            return false;
        cam->Data().m_Port = port;
        cam->Data().m_maxClient = maxClients;
        // Rebuilds the pipeline: from inside library code it waits until
        // that code has returned.
        if (putOffWhenNested("tmd_Broadcast", [index, withRecording] {
                if (quorvel::UsbCamera *later = library().camera(index))
                    later->StartBroadcast(withRecording);
            }))
            return true;
        cam->StartBroadcast(withRecording);
        return true;
    });
}

QUORVEL_API char *Quorvel_tmd_Broadcast_getLocalUrl(int index)
{
    quorvel::UsbCamera *cam = library().camera(index);
    return dupText(cam ? cam->m_LocalUrl : QString());
}

QUORVEL_API bool Quorvel_Broadcast_close(int index)
{
    return guarded("Broadcast_close", true, [&] {
        if (putOffWhenNested("Broadcast_close", [index] {
                if (quorvel::UsbCamera *later = library().camera(index))
                    later->StopBroadcast();
            }))
            return true;
        if (quorvel::UsbCamera *cam = library().camera(index))
            cam->StopBroadcast();
        return true;
    });
}

QUORVEL_API bool Quorvel_setCapDir_root(int index, const char *folder)
{
    return folder && library().setCapDir_root(index, QString::fromUtf8(folder));
}

QUORVEL_API char *Quorvel_getCapDir_root(int index)
{
    return dupText(library().getCapDir_root(index));
}

QUORVEL_API bool Quorvel_setImgDir_root(int index, const char *folder)
{
    return folder && library().setImgDir_root(index, QString::fromUtf8(folder));
}

QUORVEL_API char *Quorvel_getImgDir_root(int index)
{
    return dupText(library().getImgDir_root(index));
}

QUORVEL_API void Quorvel_SetReporter(QuorvelReportFunction report, void *userData)
{
    hostReporter().set(report, userData);
    quorvel::setLibReporter(report ? static_cast<quorvel::LibReporter *>(&hostReporter()) : &boxReporter());
}

} // extern "C"
