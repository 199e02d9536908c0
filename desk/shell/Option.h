#pragma once
// The desk options ("Vondrel.ini", section "Settings"): loaded once when the
// object is made, changed in memory by the windows, written back once when it
// is destroyed. Also holds the guard who is logged in.
#include "accountInfo.h"

#include <QString>

#include <cstdint>

namespace vondrel {

class Option {
public:
    // Loads `iniPath` at once; a missing, unreadable or garbage file leaves
    // the defaults. Never throws.
    explicit Option(const QString &iniPath);
    // Writes every persisted field back (see save()). A write that fails
    // leaves the old file whole and is reported once (saveFailedText()).
    ~Option();
    Option(const Option &) = delete;
    Option &operator=(const Option &) = delete;

    // Writes the persisted fields in their fixed key order: connect,
    // autorefresh, autorefreshTime, peopleComboBoxCamera1,
    // visitComboBoxCamera1, visitComboBoxCamera2, title. Other sections and
    // keys already in the file are kept. exportFolder, overstayHours and
    // exportFileType follow title once they differ from their defaults (a
    // file that never saw them keeps its seven keys). UTF-8. Returns false on a write
    // error (the reason in `error`). The destructor calls it; nothing else
    // needs to.
    bool save(QString *error = nullptr) const;

    // "不能保存设置文件 <path>: <reason>"
    static QString saveFailedText(const QString &path, const QString &reason);

    // Fields, accessed directly (no setters).
    QString iniPath;
    accountInfo guard;                          // set by the login window
    QString connect;                            // "connect", default ""
    QString autorefresh = QStringLiteral("0");  // "autorefresh", default "0"
    std::int32_t autorefreshTime = 10;          // "autorefreshTime", missing: 30; below 10 or no number: 10
    QString peopleComboBoxCamera1 = QStringLiteral("0");
    QString visitComboBoxCamera1 = QStringLiteral("0");
    QString visitComboBoxCamera2 = QStringLiteral("0");
    QString title = QStringLiteral("人员出入登记软件");
    QString exportFolder;                       // "exportFolder": folder of the last export, default ""
    QString productName = QStringLiteral("岚拓人员出入登记软件"); // not persisted
    // Kept after the keys above, and only once they differ from their
    // defaults (or are in the file already), so a first run still leaves the
    // seven keys alone.
    QString overstayHours = QStringLiteral("8"); // "overstayHours": hours until a visit is overstaying; 0 = off
    QString exportFileType = QStringLiteral("xls"); // "exportFileType": "xls" or "xlsx", the last type exported
    QString maskIdNumbers = QStringLiteral("1"); // "maskIdNumbers": "1" guards other than admin see ID numbers masked, "0" not
    QString retentionDays = QStringLiteral("0"); // "retentionDays": finished visits are removed after this many days; 0 = kept
    bool masksIdNumbers() const { return maskIdNumbers != QLatin1String("0"); }
    // retentionDays as a number: no number or below 0 gives 0 (kept forever).
    int retentionDayCount() const;

    // C-style leading-digits conversion used for "autorefreshTime", then the
    // rule "below 10 becomes 10". Values beyond the 32-bit range saturate.
    static std::int32_t refreshTimeFromText(const QString &text);

private:
    void load();
};

// The run's one options object (set by start-up; tests set their own).
// nullptr when none is installed.
Option *currentOption();
void setCurrentOption(Option *option);

} // namespace vondrel
