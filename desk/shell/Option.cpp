#include "Option.h"

#include "IniFile.h"
#include "Reporter.h"

#include <QDir>

#include <limits>

namespace vondrel {

namespace {
const QString kSection = QStringLiteral("Settings");
Option *g_option = nullptr;
}

Option *currentOption() { return g_option; }
void setCurrentOption(Option *option) { g_option = option; }

Option::Option(const QString &path)
    : iniPath(path)
{
    try {
        load();
    } catch (...) {
        // A bad file leaves the defaults; nothing to report.
    }
    guard = accountInfo{};
}

Option::~Option()
{
    // A full disk at the end of a run must not pass unnoticed: the next
    // start would otherwise quietly use settings older than the guard thinks.
    QString why;
    if (!save(&why))
        reportError(saveFailedText(iniPath, why));
    if (g_option == this)
        g_option = nullptr;
}

std::int32_t Option::refreshTimeFromText(const QString &text)
{
    // Like atoi: leading blanks, an optional sign, then digits; anything else
    // ends the number, no digits gives 0.
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    qint64 n = 0;
    constexpr qint64 limit = qint64(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        n = n * 10 + (text[i].unicode() - '0');
        if (n > limit)
            n = limit; // saturate instead of overflowing
    }
    if (negative)
        n = -n;
    if (n > std::numeric_limits<std::int32_t>::max())
        n = std::numeric_limits<std::int32_t>::max();
    if (n < 10)
        n = 10;
    return std::int32_t(n);
}

void Option::load()
{
    const IniFile ini(iniPath);
    connect = ini.value(kSection, QStringLiteral("connect"), QString());
    autorefresh = ini.value(kSection, QStringLiteral("autorefresh"), QStringLiteral("0"));
    peopleComboBoxCamera1 = ini.value(kSection, QStringLiteral("peopleComboBoxCamera1"), QStringLiteral("0"));
    visitComboBoxCamera1 = ini.value(kSection, QStringLiteral("visitComboBoxCamera1"), QStringLiteral("0"));
    visitComboBoxCamera2 = ini.value(kSection, QStringLiteral("visitComboBoxCamera2"), QStringLiteral("0"));
    title = ini.value(kSection, QStringLiteral("title"), QStringLiteral("人员出入登记软件"));
    exportFolder = ini.value(kSection, QStringLiteral("exportFolder"), QString());
    autorefreshTime = refreshTimeFromText(ini.value(kSection, QStringLiteral("autorefreshTime"), QStringLiteral("30")));
    overstayHours = ini.value(kSection, QStringLiteral("overstayHours"), QStringLiteral("8"));
    exportFileType = ini.value(kSection, QStringLiteral("exportFileType"), QStringLiteral("xls"));
    maskIdNumbers = ini.value(kSection, QStringLiteral("maskIdNumbers"), QStringLiteral("1"));
    retentionDays = ini.value(kSection, QStringLiteral("retentionDays"), QStringLiteral("0"));
}

int Option::retentionDayCount() const
{
    bool ok = false;
    const int days = retentionDays.trimmed().toInt(&ok);
    return ok && days > 0 ? days : 0;
}

QString Option::saveFailedText(const QString &path, const QString &reason)
{
    return QStringLiteral("不能保存设置文件 %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool Option::save(QString *error) const
{
    IniFile ini(iniPath);
    ini.setValue(kSection, QStringLiteral("connect"), connect);
    ini.setValue(kSection, QStringLiteral("autorefresh"), autorefresh);
    ini.setValue(kSection, QStringLiteral("autorefreshTime"), QString::number(autorefreshTime));
    ini.setValue(kSection, QStringLiteral("peopleComboBoxCamera1"), peopleComboBoxCamera1);
    ini.setValue(kSection, QStringLiteral("visitComboBoxCamera1"), visitComboBoxCamera1);
    ini.setValue(kSection, QStringLiteral("visitComboBoxCamera2"), visitComboBoxCamera2);
    ini.setValue(kSection, QStringLiteral("title"), title);
    const auto setIfChanged = [&ini](const QString &key, const QString &value, const char *fallback) {
        if (value != QLatin1String(fallback) || ini.value(kSection, key))
            ini.setValue(kSection, key, value);
    };
    setIfChanged(QStringLiteral("exportFolder"), exportFolder, "");
    setIfChanged(QStringLiteral("overstayHours"), overstayHours, "8");
    setIfChanged(QStringLiteral("exportFileType"), exportFileType, "xls");
    setIfChanged(QStringLiteral("maskIdNumbers"), maskIdNumbers, "1");
    setIfChanged(QStringLiteral("retentionDays"), retentionDays, "0");
    return ini.save(error);
}

} // namespace vondrel
