// The desktop lock-down library, loaded by name at run time: libWinLock.so
// with its four switches, each taking 1 (show / enable) or 0 (hide /
// disable). Without the library the switches do nothing; that is told
// once.
#pragma once

#include <QLibrary>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace quorvel {

class Option;

class WinLockLibrary {
public:
    enum Entry { DesktopShowHide, TaskbarShowHide, TaskManagerEnableDisable, TaskSwitchingEnableDisable };
    static constexpr int kEntries = 4;
    static const char *entryName(Entry entry);

    // Empty: the usual places (beside the camera library, beside the
    // program, the system's library search, the installed stand-in).
    explicit WinLockLibrary(const QStringList &locations = {});
    ~WinLockLibrary();
    WinLockLibrary(const WinLockLibrary &) = delete;
    WinLockLibrary &operator=(const WinLockLibrary &) = delete;

    bool isLoaded() const { return m_lib.isLoaded(); }
    // Why the switches do nothing (empty when they work).
    QString problemText() const;

    // Calls the entry point with `argument` (0 or 1). Loads the library on
    // first use; a missing library or entry point is reported once through
    // the library's reporter and the call does nothing. UI thread only.
    void call(Entry entry, int argument);

private:
    void load();
    QStringList m_locations;
    QLibrary m_lib;
    bool m_tried = false;
    bool m_told = false;
    QString m_loadError;
    using SwitchFn = void (*)(std::int32_t);
    SwitchFn m_fn[kEntries] = {};
};

// The library-wide instance the exports and the system settings use.
WinLockLibrary &winLockLibrary();

// Applies the stored lock-down switches in their fixed order: desktop, task
// bar, task manager, task switching; 0 for a switch that reads as on, else
// 1. A flag text that does not read as a boolean stops there: false, with
// `error` naming the option and its text; the switches before it were
// applied.
bool applyStoredLockDown(const Option &option, WinLockLibrary &lib, QString *error = nullptr);

} // namespace quorvel
