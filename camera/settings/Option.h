#pragma once
// The camera library's process-wide options: "qxCamera.ini" (section
// "Settings"), "config.bin", "device.bin" and "SoruceUrl.bin" in the user
// folder, the camera source list and camera table, the folders and the
// language texts. Loaded once at construction, written at destruction.
//
// Not the desk program's options class: this one lives in namespace quorvel.
#include "CameraObject.h"
#include "LanguageTable.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvel {

class SoundPlayer;

// A video capture device as the device enumeration reports it.
struct CaptureDevice {
    QString displayName;  // identification (used in cameraSources / device.bin)
    QString friendlyName; // name for people
};

// What the options object asks of its surroundings. Every member has a
// default; tests replace them (devices A, B, C, a temp user folder).
struct OptionEnvironment {
    // Video capture devices, in enumeration order. Default: none.
    std::function<QList<CaptureDevice>()> videoDevices;
    // Friendly names for videoCompressors, audioInputs, audioCompressors.
    std::function<QStringList()> videoCompressors;
    std::function<QStringList()> audioInputs;
    std::function<QStringList()> audioCompressors;
    // Empty: the documents folder + "/Vondrel Files/".
    QString userFolder;
    // Folder of the host program, with a trailing "/". Empty: the folder of
    // the running executable.
    QString programFolder;
    // Folder of the language files, with a trailing "/". Empty:
    // programFolder + "lang/" when it exists, else "lang/" beside the
    // library, else the installed language folder found from the library's
    // own path.
    QString langFolder;
};

class Option {
public:
    // Steps in order: defaults, loadSettings, loadLanguage(langIndex), lists,
    // "device.bin" and "SoruceUrl.bin", empty camera table, log folder,
    // selectCameras, compressor and audio lists.
    explicit Option(const QString &iniPath, OptionEnvironment env = {});
    // Writes "device.bin", "SoruceUrl.bin", the settings, then destroys every
    // camera of the table (each saves its own files) and frees the language.
    ~Option();
    Option(const Option &) = delete;
    Option &operator=(const Option &) = delete;

    // Language table in force (null: none loaded; every text is empty).
    int langIndex = 1;
    QString iniPath;
    QString mediaFolder;
    QStringList videoCompressors;
    QStringList audioInputs;
    QStringList audioCompressors;
    QStringList excludedDevices;
    QStringList deviceIds;
    QStringList deviceNames;
    QStringList cameraSources;
    int cameraCount = 0;
    // gridRows x gridCols slots; slot i holds the camera of index i or null.
    std::vector<std::unique_ptr<CameraObject>> cameraTable;
    QStringList urlSources;

    // Flag texts hold "True" or "False"; see isTrue().
    QString hook_key = QStringLiteral("False");
    QString startMode = QStringLiteral("False");
    QString hook_keycode = QStringLiteral("Esc");
    int hookVirtualKey = 0;
    QString hook_alt = QStringLiteral("False");
    QString hook_ctrl = QStringLiteral("False");
    QString TopWindow = QStringLiteral("False");
    QString start_powon = QStringLiteral("True");
    QString Taskbar_Show_Hide = QStringLiteral("False");
    QString Desktop_Show_Hide = QStringLiteral("False");
    QString DisableTaskManager = QStringLiteral("False");
    QString DisableTaskSwitching = QStringLiteral("False");
    QString AppToAll = QStringLiteral("False");
    QString PowerOff = QStringLiteral("False");
    QString PowerOff_daily = QStringLiteral("False");
    QString PowerOff_day = QStringLiteral("2000-01-01");
    QString PowerOff_time = QStringLiteral("00:00:00");

    // "config.bin": byte 0 passwordEnabled, byte 1 zero, bytes 2..41
    // lockPassword (UTF-16LE, zero-terminated), bytes 42..107 reserved and
    // written back as read.
    static constexpr int kConfigSize = 108;
    static constexpr int kPasswordUnits = 20;
    std::uint8_t passwordEnabled = 0;
    char16_t lockPassword[kPasswordUnits] = {};
    std::array<std::uint8_t, 66> configReserved = {};

    QString logFolder;
    int screenMode = 1;
    int gridRows = 2;
    int gridCols = 2;
    int savedRows = 2;
    int savedCols = 2;
    int historyDays = 7;
    QDate historyHasDoneDay = QDate(2000, 1, 1);

    // Largest grid side the settings window offers; larger stored values are
    // cut to it so a damaged INI cannot make the camera table huge.
    static constexpr int kMaxGridSide = 100;

    void loadSettings();
    // Writes the INI keys in their write order and "config.bin"; false (and
    // a reported error) when a file cannot be written.
    bool saveSettings();

    // Sets hookVirtualKey from hook_keycode: one character gives its code,
    // "Esc" 0x1B, "F1".."F12" 0x70..0x7B (exact case); otherwise unchanged.
    void computeHookKey();
    // Fills deviceIds/deviceNames (devices, then "URL:" + each address) and
    // cameraSources/cameraCount (skipping excluded ids, at most
    // gridRows x gridCols).
    void selectCameras();

    // Loads the language file of `index` (0..14, table order). An index out
    // of range or a missing or unreadable file leaves no texts, unreported,
    // and returns true; an error while taking in the texts is reported as an
    // exception and returns false.
    bool loadLanguage(int index);
    // The text of `id` (cut to 255 units, ID 2010 to 1023); empty without a
    // language or for an unknown ID. Safe from any thread.
    QString getText(int id) const;
    // File name of the language of `index` ("LangEN" .. "LangVN"), or empty.
    static QString languageFileName(int index);

    const QString &userFolder() const { return m_userFolder; }
    // Creates the user folder when missing; throws LibraryError("Cannot
    // create User folder directory.") when it cannot. Returns 1.
    int createUserFolder();

    // Password helpers over lockPassword.
    QString lockPasswordText() const;
    void setLockPassword(const QString &password); // cut to 19 units

    // "config.bin" image (108 bytes) and its reader (a short image leaves the
    // missing bytes zero; a longer one is cut).
    QByteArray configBytes() const;
    void setConfigBytes(const QByteArray &bytes);

    // The framework's text-to-boolean conversion used on flag texts.
    static bool isTrue(const QString &flagText);
    // Leading digits count, no digits reads 0 ("12ab" -> 12, "x" -> 0).
    static int lenientInt(const QString &text);

    // The line lists "device.bin" and "SoruceUrl.bin": one entry per line
    // (CR LF, LF or CR end a line; a last empty line is no entry; leading
    // byte-order marks are skipped), UTF-8, written with CR LF.
    static QStringList linesFromBytes(const QByteArray &bytes);
    static QByteArray linesToBytes(const QStringList &lines);

    // Plays a sound file asynchronously (name without a folder: taken from
    // mediaFolder). 0 for an empty name or a missing file, else 1. Silent
    // where no audio device exists. Safe from any thread.
    int playSound(const QString &fileName);
    // The player behind playSound (created on first use).
    SoundPlayer &soundPlayer();

    const OptionEnvironment &environment() const { return m_env; }

private:
    OptionEnvironment m_env;
    QString m_userFolder;
    QString m_langFolder;
    mutable std::mutex m_langLock;
    std::shared_ptr<const LanguageTable> m_language;
    std::mutex m_soundLock;
    std::unique_ptr<SoundPlayer> m_sound;

    QString filePath(const QString &name) const { return m_userFolder + name; }
    void loadConfig();
    bool saveConfig() const;
};

// The documents folder + "/Vondrel Files/" (honours XDG_DOCUMENTS_DIR, then
// HOME), with its trailing "/".
QString defaultUserFolder();
// Folder of the running executable with a trailing "/".
QString programFolder();

} // namespace quorvel
