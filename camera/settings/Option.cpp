#include "Option.h"

#include "IniFile.h"
#include "InstallDirs.h"
#include "LibReporter.h"
#include "LibraryError.h"
#include "SafeFile.h"
#include "SoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <cstring>

namespace quorvel {
namespace {

const QString kSection = QStringLiteral("Settings");
const char *const kLanguageFiles[15] = {
    "LangEN", "LangCN", "LangTW", "LangJAN", "LangESP", "LangFR", "LangITA", "LangGER",
    "LangRUS", "LangKOR", "LangTH", "LangAR", "LangPOR", "LangMY", "LangVN",
};

QString withSlash(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}

QStringList readLines(const QString &path)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        return {};
    return Option::linesFromBytes(*bytes);
}

bool writeLines(const QString &path, const QStringList &lines)
{
    QString why;
    if (writeFileAtomically(path, Option::linesToBytes(lines), &why))
        return true;
    reportWriteFailure(path, why);
    return false;
}

// The short date format "yyyy-MM-dd", read as leniently as the framework
// does: year, month and day as numbers between the separators ("2000-1-1").
QDate parseShortDate(const QString &text, const QDate &fallback)
{
    const QStringList parts = text.trimmed().split(u'-');
    if (parts.size() != 3)
        return fallback;
    bool okY = false, okM = false, okD = false;
    const int y = parts[0].trimmed().toInt(&okY);
    const int m = parts[1].trimmed().toInt(&okM);
    const int d = parts[2].trimmed().toInt(&okD);
    const QDate date(y, m, d);
    return okY && okM && okD && date.isValid() ? date : fallback;
}

// The language files: "lang/" beside the program (a build tree keeps
// everything in one folder), else beside this library, else where the
// installed library keeps them (found from the library's own path, so a
// moved tree still finds them). None found: the program's "lang/", and
// every text stays empty.
QString defaultLangFolder(const QString &program)
{
    const QString beside = withSlash(program) + QStringLiteral("lang/");
    if (QFileInfo(beside).isDir())
        return beside;
    const QString library = vq::folderOfCode(reinterpret_cast<const void *>(&defaultLangFolder));
    if (library.isEmpty())
        return beside;
    for (const QString &folder : {library + QStringLiteral("/lang"), vq::installedLanguageFolder(library)})
        if (QFileInfo(folder).isDir())
            return withSlash(folder);
    return beside;
}

} // namespace

QString defaultUserFolder()
{
    QString docs = qEnvironmentVariable("XDG_DOCUMENTS_DIR");
    if (docs.isEmpty())
        docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        docs = QDir::homePath() + QStringLiteral("/Documents");
    return withSlash(docs) + QStringLiteral("Vondrel Files/");
}

QString programFolder()
{
    const QString folder = vq::runningProgramFolder();
    return withSlash(folder.isEmpty() ? QDir::currentPath() : folder);
}

Option::Option(const QString &path, OptionEnvironment env) : m_env(std::move(env))
{
    // 1. Defaults (the member initialisers hold the rest).
    langIndex = 1;
    iniPath = path;
    m_userFolder = withSlash(m_env.userFolder.isEmpty() ? defaultUserFolder() : m_env.userFolder);
    const QString program = m_env.programFolder.isEmpty() ? programFolder() : m_env.programFolder;
    mediaFolder = program.endsWith(u'/') ? program + QStringLiteral("media/") : program + QStringLiteral("/media/");
    m_langFolder = withSlash(m_env.langFolder.isEmpty() ? defaultLangFolder(program) : m_env.langFolder);

    // 2.-3.
    loadSettings();
    loadLanguage(langIndex);

    // 4.-6.
    cameraTable.clear();
    cameraTable.resize(size_t(gridRows) * size_t(gridCols));
    if (QFileInfo(filePath(QStringLiteral("device.bin"))).isFile())
        excludedDevices = readLines(filePath(QStringLiteral("device.bin")));
    if (QFileInfo(filePath(QStringLiteral("SoruceUrl.bin"))).isFile())
        urlSources = readLines(filePath(QStringLiteral("SoruceUrl.bin")));

    // 7. The log folder is always the user folder's "log/" after construction.
    logFolder = m_userFolder + QStringLiteral("log/");
    QDir().mkpath(logFolder);
    if (!QFileInfo(logFolder).isDir())
        logFolder = m_userFolder;

    // 9.-10.
    selectCameras();
    if (m_env.videoCompressors)
        videoCompressors = m_env.videoCompressors();
    if (m_env.audioInputs)
        audioInputs = m_env.audioInputs();
    if (m_env.audioCompressors)
        audioCompressors = m_env.audioCompressors();
}

Option::~Option()
{
    writeLines(filePath(QStringLiteral("device.bin")), excludedDevices);
    writeLines(filePath(QStringLiteral("SoruceUrl.bin")), urlSources);
    saveSettings();
    videoCompressors.clear();
    audioInputs.clear();
    audioCompressors.clear();
    excludedDevices.clear();
    deviceIds.clear();
    deviceNames.clear();
    cameraSources.clear();
    urlSources.clear();
    // Each camera saves its own files as it goes; destroyed in index order
    // while the options (texts, folders) are still whole.
    for (auto &camera : cameraTable)
        camera.reset();
    cameraTable.clear();
    {
        std::lock_guard<std::mutex> guard(m_soundLock);
        m_sound.reset();
    }
    std::lock_guard<std::mutex> guard(m_langLock);
    m_language.reset();
}

void Option::loadSettings()
{
    const IniFile ini = IniFile::load(iniPath);
    auto text = [&](const char *key, const char *def) {
        return ini.read(kSection, QString::fromLatin1(key), QString::fromUtf8(def));
    };
    hook_key = text("hook_key", "False");
    hook_keycode = text("hook_keycode", "Esc");
    hook_alt = text("hook_alt", "False");
    hook_ctrl = text("hook_ctrl", "False");
    startMode = text("startMode", "False");
    start_powon = text("start_powon", "True");
    TopWindow = text("TopWindow", "False");
    Taskbar_Show_Hide = text("Taskbar_Show_Hide", "False");
    Desktop_Show_Hide = text("Desktop_Show_Hide", "False");
    DisableTaskManager = text("DisableTaskManager", "False");
    DisableTaskSwitching = text("DisableTaskSwitching", "False");
    AppToAll = text("AppToAll", "False");
    computeHookKey();
    PowerOff = text("PowerOff", "False");
    PowerOff_daily = text("PowerOff_daily", "False");
    PowerOff_day = text("PowerOff_day", "2000-01-01");
    PowerOff_time = text("PowerOff_time", "00:00:00");
    loadConfig();
    logFolder = text("LogPath", "");
    if (!logFolder.isEmpty())
        QDir().mkpath(logFolder);
    if (logFolder.isEmpty() || !QFileInfo(logFolder).isDir())
        logFolder = m_userFolder;
    historyDays = lenientInt(text("historyDays", "7"));
    historyHasDoneDay = parseShortDate(text("historyHasDoneDay", "2000-1-1"), QDate(2000, 1, 1));
    screenMode = lenientInt(text("Screen", "1"));
    gridRows = std::clamp(lenientInt(text("CameraRows", "2")), 1, kMaxGridSide);
    gridCols = std::clamp(lenientInt(text("CameraCols", "2")), 1, kMaxGridSide);
    savedRows = gridRows;
    savedCols = gridCols;
    // "Lang" is written but never read: every start uses index 1.
    langIndex = 1;
}

bool Option::saveSettings()
{
    IniFile ini = IniFile::load(iniPath);
    auto put = [&](const char *key, const QString &value) { ini.write(kSection, QString::fromLatin1(key), value); };
    put("hook_key", hook_key);
    put("startMode", startMode);
    put("hook_keycode", hook_keycode);
    put("hook_alt", hook_alt);
    put("hook_ctrl", hook_ctrl);
    put("TopWindow", TopWindow);
    put("start_powon", start_powon);
    put("Taskbar_Show_Hide", Taskbar_Show_Hide);
    put("Desktop_Show_Hide", Desktop_Show_Hide);
    put("DisableTaskManager", DisableTaskManager);
    put("DisableTaskSwitching", DisableTaskSwitching);
    put("AppToAll", AppToAll);
    computeHookKey();
    put("PowerOff", PowerOff);
    put("PowerOff_daily", PowerOff_daily);
    put("PowerOff_day", PowerOff_day);
    put("PowerOff_time", PowerOff_time);
    put("LogPath", logFolder);
    put("historyDays", QString::number(historyDays));
    put("historyHasDoneDay", historyHasDoneDay.toString(QStringLiteral("yyyy-MM-dd")));
    bool ok = saveConfig();
    put("Screen", QString::number(screenMode));
    put("CameraRows", QString::number(savedRows));
    put("CameraCols", QString::number(savedCols));
    put("Lang", QString::number(langIndex));
    QString why;
    if (!ini.save(iniPath, &why)) {
        reportWriteFailure(iniPath, why);
        ok = false;
    }
    return ok;
}

void Option::loadConfig()
{
    const QString path = filePath(QStringLiteral("config.bin"));
    if (!QFileInfo(path).isFile())
        return;
    if (auto bytes = readWholeFile(path, kConfigSize))
        setConfigBytes(*bytes);
}

bool Option::saveConfig() const
{
    const QString path = filePath(QStringLiteral("config.bin"));
    QString why;
    if (writeFileAtomically(path, configBytes(), &why))
        return true;
    reportWriteFailure(path, why);
    return false;
}

QByteArray Option::configBytes() const
{
    QByteArray out(kConfigSize, '\0');
    out[0] = char(passwordEnabled);
    out[1] = 0;
    for (int i = 0; i < kPasswordUnits; ++i) {
        out[2 + 2 * i] = char(lockPassword[i] & 0xff);
        out[3 + 2 * i] = char(lockPassword[i] >> 8);
    }
    std::memcpy(out.data() + 42, configReserved.data(), configReserved.size());
    return out;
}

void Option::setConfigBytes(const QByteArray &bytes)
{
    unsigned char block[kConfigSize] = {};
    std::memcpy(block, bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), kConfigSize)));
    passwordEnabled = block[0];
    for (int i = 0; i < kPasswordUnits; ++i)
        lockPassword[i] = char16_t(block[2 + 2 * i] | block[3 + 2 * i] << 8);
    // The password field always ends inside its 20 units.
    lockPassword[kPasswordUnits - 1] = 0;
    std::memcpy(configReserved.data(), block + 42, configReserved.size());
}

QString Option::lockPasswordText() const
{
    int n = 0;
    while (n < kPasswordUnits - 1 && lockPassword[n] != 0)
        ++n;
    return QString::fromUtf16(lockPassword, n);
}

void Option::setLockPassword(const QString &password)
{
    std::fill(std::begin(lockPassword), std::end(lockPassword), char16_t(0));
    const qsizetype n = std::min<qsizetype>(password.size(), kPasswordUnits - 1);
    const char16_t *src = reinterpret_cast<const char16_t *>(password.utf16());
    std::copy(src, src + n, lockPassword);
}

void Option::computeHookKey()
{
    if (hook_keycode.size() == 1) {
        hookVirtualKey = hook_keycode.at(0).unicode();
        return;
    }
    if (hook_keycode == QStringLiteral("Esc")) {
        hookVirtualKey = 0x1B;
        return;
    }
    for (int f = 1; f <= 12; ++f) {
        if (hook_keycode == QStringLiteral("F%1").arg(f)) {
            hookVirtualKey = 0x70 + f - 1;
            return;
        }
    }
}

void Option::selectCameras()
{
    deviceIds.clear();
    deviceNames.clear();
    cameraSources.clear();
    if (m_env.videoDevices) {
        for (const CaptureDevice &device : m_env.videoDevices()) {
            deviceIds.append(device.displayName);
            deviceNames.append(device.friendlyName);
        }
    }
    for (const QString &url : urlSources) {
        deviceIds.append(url);
        deviceNames.append(QStringLiteral("URL:") + url);
    }
    cameraCount = 0;
    const qsizetype slots = qsizetype(gridRows) * gridCols;
    for (const QString &id : deviceIds) {
        if (excludedDevices.contains(id, Qt::CaseSensitive))
            continue;
        cameraSources.append(id);
        ++cameraCount;
        if (cameraCount >= slots)
            break;
    }
}

QString Option::languageFileName(int index)
{
    if (index < 0 || index > 14)
        return QString();
    return QString::fromLatin1(kLanguageFiles[index]);
}

bool Option::loadLanguage(int index)
{
    {
        std::lock_guard<std::mutex> guard(m_langLock);
        m_language.reset();
    }
    const QString name = languageFileName(index);
    if (name.isEmpty())
        return true;
    const QString path = m_langFolder + name;
    // A file that is missing or cannot be read leaves every text empty and is
    // not reported; only a failure while taking in its texts is.
    if (!QFileInfo(path).isFile())
        return true;
    try {
        auto bytes = readWholeFile(path);
        if (!bytes)
            return true;
        auto table = std::make_shared<const LanguageTable>(LanguageTable::parse(*bytes));
        std::lock_guard<std::mutex> guard(m_langLock);
        m_language = std::move(table);
    } catch (const std::exception &e) {
        reportException(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return true;
}

QString Option::getText(int id) const
{
    std::shared_ptr<const LanguageTable> table;
    {
        std::lock_guard<std::mutex> guard(m_langLock);
        table = m_language;
    }
    if (!table)
        return QString();
    QString text = table->text(id);
    // The lookup buffer holds 256 units (1024 for ID 2010) with the terminator.
    const qsizetype most = id == 2010 ? 1023 : 255;
    if (text.size() > most) {
        text.truncate(most);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

int Option::createUserFolder()
{
    if (!QFileInfo(m_userFolder).isDir()) {
        QDir().mkpath(m_userFolder);
        if (!QFileInfo(m_userFolder).isDir())
            throw LibraryError(QString::fromLatin1(kUserFolderError));
    }
    return 1;
}

bool Option::isTrue(const QString &flagText)
{
    const QString t = flagText.trimmed();
    if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const long long n = t.toLongLong(&ok);
    return ok && n != 0;
}

int Option::lenientInt(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9') {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > INT_MAX)
            value = INT_MAX; // saturate instead of wrapping
        ++i;
    }
    return int(negative ? -value : value);
}

SoundPlayer &Option::soundPlayer()
{
    std::lock_guard<std::mutex> guard(m_soundLock);
    if (!m_sound)
        m_sound = std::make_unique<SoundPlayer>();
    return *m_sound;
}

int Option::playSound(const QString &fileName)
{
    if (fileName.isEmpty())
        return 0;
    QString path = fileName.contains(u'/') ? fileName : mediaFolder + fileName;
    QFileInfo info(path);
    if (!info.isFile()) {
        // Sound names were chosen on a file system that ignores letter case
        // ("拍照咔嚓.WAV" for "拍照咔嚓.wav").
        const QDir dir = info.absoluteDir();
        QString found;
        for (const QString &entry : dir.entryList(QDir::Files)) {
            if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0) {
                found = entry;
                break;
            }
        }
        if (found.isEmpty())
            return 0;
        path = dir.filePath(found);
    }
    soundPlayer().play(path);
    return 1;
}

// One entry per line; CR LF, LF or CR end a line; a last empty line is no
// entry (as the framework's string list reads it).
QStringList Option::linesFromBytes(const QByteArray &bytes)
{
    QByteArray data = bytes;
    // Every byte-order mark at the start is one (files saved over and over
    // by tools that each add one); none becomes part of the first entry.
    while (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QString text = QString::fromUtf8(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray Option::linesToBytes(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

} // namespace quorvel
