// The exported functions: each finds the library state and the camera of
// an index and hands the request on. No exception leaves an export.
#include "Quorvel.h"

#include "CDataClass.h"
#include "CameraLibrary.h"
#include "EngineLog.h"
#include "BoxReporter.h"
#include "HostVideoView.h"
#include "LibReporter.h"
#include "QtChineseTranslation.h"
#include "UsbCamera.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>
#include <exception>

using quorvel::CameraLibrary;

namespace {

bool &hostReporterSet()
{
    static bool set = false;
    return set;
}

// The one library-wide state. A function-local static, so unloading the
// library (or leaving the process) destroys it and with it every camera.
quorvel::BoxReporter &boxReporter()
{
    static quorvel::BoxReporter reporter;
    return reporter;
}

CameraLibrary &library()
{
    static CameraLibrary lib;
    static bool reporterSet = [] {
        // The host's own reporter, when it sets one, replaces this one.
        if (!hostReporterSet())
            quorvel::setLibReporter(&boxReporter());
        return true;
    }();
    (void)reporterSet;
    return lib;
}

char *dupText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    char *out = static_cast<char *>(std::malloc(std::size_t(utf8.size()) + 1));
    if (out)
        std::memcpy(out, utf8.constData(), std::size_t(utf8.size()) + 1);
    return out;
}

template <typename F, typename R>
R guarded(const char *what, R fallback, F &&f)
{
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

void showProperties(QWidget *parent, const QList<QPair<QString, QString>> &props)
{
    auto *dialog = new QDialog(parent ? parent->window() : nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("QuorvelDeviceProperties"));
    dialog->setWindowTitle(QStringLiteral("设备属性/Device Properties"));
    auto *tree = new QTreeWidget(dialog);
    tree->setColumnCount(2);
    tree->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    for (const auto &p : props)
        tree->addTopLevelItem(new QTreeWidgetItem(QStringList{p.first, p.second}));
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(tree);
    dialog->resize(480, 360);
    dialog->open();  // window-modal, returns at once
}

} // namespace

extern "C" {

QUORVEL_API int Quorvel_Init(void)
{
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
            showProperties(parent, props);
        return 0;
    });
}

QUORVEL_API void Quorvel_OpenSettings(QObject *, int index, int page)
{
    if (page < 1 || page > 7 || !library().camera(index))
        return;
    qCWarning(lcEngine) << "OpenSettings: the settings window of page" << page
                        << "is not part of this build; nothing opened for camera" << index;
}

QUORVEL_API void Quorvel_OpenDeviceManage(QObject *)
{
    if (!library().initialised())
        return;
    qCWarning(lcEngine) << "OpenDeviceManage: the device manager is not part of this build";
}

QUORVEL_API int Quorvel_SysSettings(QObject *)
{
    if (library().initialised())
        qCWarning(lcEngine) << "SysSettings: the system settings window is not part of this build";
    return QDialog::Rejected;
}

QUORVEL_API int Quorvel_DoWinLock(QWidget *)
{
    if (library().initialised())
        qCWarning(lcEngine) << "DoWinLock: the desktop lock-down is not part of this build";
    return 0;
}

QUORVEL_API bool Quorvel_tmd_Broadcast(int index, int port, int maxClients, bool)
{
    quorvel::UsbCamera *cam = library().camera(index);
    if (!cam)
        return false;
    cam->Data().m_Port = port;
    cam->Data().m_maxClient = maxClients;
    // Stored for the broadcast; the broadcast itself is not part of this
    // build, so no success is claimed.
    qCWarning(lcEngine) << "tmd_Broadcast: the broadcast is not part of this build";
    return false;
}

QUORVEL_API char *Quorvel_tmd_Broadcast_getLocalUrl(int index)
{
    quorvel::UsbCamera *cam = library().camera(index);
    return dupText(cam ? cam->m_LocalUrl : QString());
}

QUORVEL_API bool Quorvel_Broadcast_close(int)
{
    return true;  // no broadcast can be running in this build
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

QUORVEL_API void Quorvel_SetReporter(quorvel::LibReporter *reporter)
{
    hostReporterSet() = reporter != nullptr;
    quorvel::setLibReporter(reporter ? reporter : &boxReporter());
}

} // extern "C"
