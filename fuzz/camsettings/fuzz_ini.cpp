// "qxCamera.ini": any bytes parse; every library key reads and writes back,
// and a written value reads back as written (line breaks become blanks).
#include "IniFile.h"
#include "Option.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const keys[] = {
        "hook_key", "hook_keycode", "hook_alt", "hook_ctrl", "startMode", "start_powon", "TopWindow",
        "Taskbar_Show_Hide", "Desktop_Show_Hide", "DisableTaskManager", "DisableTaskSwitching", "AppToAll",
        "PowerOff", "PowerOff_daily", "PowerOff_day", "PowerOff_time", "LogPath", "historyDays",
        "historyHasDoneDay", "Screen", "CameraRows", "CameraCols", "Lang",
    };
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    quorvel::IniFile ini = quorvel::IniFile::fromBytes(bytes);
    const QString section = QStringLiteral("Settings");
    for (const char *key : keys) {
        const QString value = ini.read(section, QString::fromLatin1(key), QStringLiteral("default"));
        quorvel::Option::lenientInt(value);
        quorvel::Option::isTrue(value);
    }
    // Write a value taken from the input and read it back through a save.
    const QString value = QString::fromUtf8(bytes.left(64)).simplified().remove(u'"');
    ini.write(section, QStringLiteral("LogPath"), value);
    const quorvel::IniFile back = quorvel::IniFile::fromBytes(ini.toBytes());
    if (back.read(section, QStringLiteral("LogPath"), QStringLiteral("-")) != value.trimmed())
        std::abort();
    return 0;
}
