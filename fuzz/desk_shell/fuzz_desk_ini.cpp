// Any bytes as "Vondrel.ini": the reader never crashes, a value written back
// reads back the same, and the text conversions of stored values hold their
// rules on any input.
#include "DateFormat.h"
#include "IniFile.h"
#include "Option.h"

#include <cstdint>
#include <cstdlib>

using namespace vondrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile ini = IniFile::fromData(bytes);
    const QString title = ini.value(QStringLiteral("Settings"), QStringLiteral("title"), QStringLiteral("x"));
    const QString refresh = ini.value(QStringLiteral("Settings"), QStringLiteral("autorefreshTime"), QStringLiteral("30"));

    const std::int32_t t = Option::refreshTimeFromText(refresh);
    if (t < 10)
        std::abort();
    strToDateTime(title);
    strToDate(title);

    // Setting a value and reading the written text again gives that value
    // (line breaks become blanks, surrounding blanks and quotes are not kept
    // by INI files, so the value is chosen without them).
    QString value = QStringLiteral("v") + title.simplified() + QStringLiteral("v");
    value.remove(QChar(0));
    ini.setValue(QStringLiteral("Settings"), QStringLiteral("title"), value);
    ini.setValue(QStringLiteral("Settings"), QStringLiteral("new"), QStringLiteral("1"));
    IniFile again = IniFile::fromData(ini.toText().toUtf8());
    if (again.value(QStringLiteral("Settings"), QStringLiteral("title")) != value)
        std::abort();
    if (again.value(QStringLiteral("Settings"), QStringLiteral("new")) != QStringLiteral("1"))
        std::abort();
    return 0;
}
