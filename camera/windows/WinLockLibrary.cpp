#include "WinLockLibrary.h"

#include "InstallDirs.h"
#include "LibReporter.h"
#include "Option.h"
#include "SysSettingsLogic.h"

#include <QFileInfo>

namespace quorvel {
namespace {

// This library's own folder: dladdr on a function of it.
void anchor() {}

QStringList defaultLocations()
{
    const QString beside = vq::folderOfCode(reinterpret_cast<const void *>(&anchor)) + QStringLiteral("/libWinLock.so");
    const QString program = vq::runningProgramFolder() + QStringLiteral("/libWinLock.so");
    const QString standin =
        vq::installedStandinFolder(vq::runningProgramFolder()) + QStringLiteral("/libWinLock.so");
    QStringList places;
    for (const QString &p : {beside, program})
        if (!places.contains(p) && QFileInfo::exists(p))
            places << p;
    places << QStringLiteral("WinLock");
    if (!places.contains(standin) && QFileInfo::exists(standin))
        places << standin;
    return places;
}

} // namespace

const char *WinLockLibrary::entryName(Entry entry)
{
    switch (entry) {
    case DesktopShowHide: return "Desktop_Show_Hide";
    case TaskbarShowHide: return "Taskbar_Show_Hide";
    case TaskManagerEnableDisable: return "TaskManager_Enable_Disable";
    case TaskSwitchingEnableDisable: return "TaskSwitching_Enable_Disable";
    }
    return "";
}

WinLockLibrary::WinLockLibrary(const QStringList &locations) : m_locations(locations) {}

WinLockLibrary::~WinLockLibrary()
{
    // Left loaded: a lock-down library may keep hooks of the session alive.
}

void WinLockLibrary::load()
{
    if (m_tried)
        return;
    m_tried = true;
    const QStringList places = m_locations.isEmpty() ? defaultLocations() : m_locations;
    for (const QString &place : places) {
        m_lib.setFileName(place);
        if (m_lib.load())
            break;
        if (m_loadError.isEmpty())
            m_loadError = m_lib.errorString();
    }
    if (!m_lib.isLoaded())
        return;
    m_loadError.clear();
    for (int i = 0; i < kEntries; ++i)
        m_fn[i] = reinterpret_cast<SwitchFn>(m_lib.resolve(entryName(static_cast<Entry>(i))));
}

QString WinLockLibrary::problemText() const
{
    if (!m_tried)
        return {};
    if (!m_lib.isLoaded())
        return QStringLiteral("找不到桌面锁定库 libWinLock.so，隐藏桌面、任务栏和禁用任务管理器、任务切换的设置不起作用（%1）")
            .arg(m_loadError);
    QStringList missing;
    for (int i = 0; i < kEntries; ++i)
        if (!m_fn[i])
            missing << QString::fromLatin1(entryName(static_cast<Entry>(i)));
    if (!missing.isEmpty())
        return QStringLiteral("桌面锁定库 %1 缺少入口 %2，这些开关不起作用")
            .arg(m_lib.fileName(), missing.join(QStringLiteral(", ")));
    return {};
}

void WinLockLibrary::call(Entry entry, int argument)
{
    load();
    if (!m_fn[entry]) {
        if (!m_told) {
            m_told = true;
            reportPlain(problemText());
        }
        return;
    }
    m_fn[entry](argument != 0 ? 1 : 0);
}

WinLockLibrary &winLockLibrary()
{
    // Never destroyed: the library stays loaded for the process.
    static auto *lib = new WinLockLibrary;
    return *lib;
}

bool applyStoredLockDown(const Option &option, WinLockLibrary &lib, QString *error)
{
    const struct {
        const char *name;
        const QString &flag;
        WinLockLibrary::Entry entry;
    } steps[] = {
        {"Desktop_Show_Hide", option.Desktop_Show_Hide, WinLockLibrary::DesktopShowHide},
        {"Taskbar_Show_Hide", option.Taskbar_Show_Hide, WinLockLibrary::TaskbarShowHide},
        {"DisableTaskManager", option.DisableTaskManager, WinLockLibrary::TaskManagerEnableDisable},
        {"DisableTaskSwitching", option.DisableTaskSwitching, WinLockLibrary::TaskSwitchingEnableDisable},
    };
    for (const auto &step : steps) {
        const std::optional<bool> on = readFlag(step.flag);
        if (!on) {
            if (error)
                *error = notABooleanText(QString::fromLatin1(step.name), step.flag);
            return false;
        }
        lib.call(step.entry, *on ? 0 : 1);
    }
    return true;
}

} // namespace quorvel
