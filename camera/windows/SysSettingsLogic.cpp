#include "SysSettingsLogic.h"

namespace quorvel {

std::optional<bool> readFlag(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (ok)
        return n != 0;
    return std::nullopt;
}

QString notABooleanText(const QString &option, const QString &text)
{
    return QStringLiteral("选项 %1 的值 \"%2\" 不是有效的布尔值（应为 True、False 或数字）").arg(option, text);
}

std::optional<QDate> readStoredDate(const QString &text)
{
    const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<QTime> readStoredTime(const QString &text)
{
    const QString t = text.trimmed();
    for (const char *format : {"HH:mm:ss", "H:mm:ss", "HH:mm", "H:mm"}) {
        const QTime time = QTime::fromString(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

QStringList hookKeyNames()
{
    QStringList keys{QStringLiteral("Esc")};
    for (char c = 'A'; c <= 'Z'; ++c)
        keys << QString(QLatin1Char(c));
    for (char c = '0'; c <= '9'; ++c)
        keys << QString(QLatin1Char(c));
    for (int f = 1; f <= 12; ++f)
        keys << QStringLiteral("F%1").arg(f);
    return keys;
}

QStringList languageNames()
{
    return {QStringLiteral("English"), QStringLiteral("Chinese"), QStringLiteral("Traditional"),
            QStringLiteral("JAN"),     QStringLiteral("Spanish"), QStringLiteral("French"),
            QStringLiteral("Italian"), QStringLiteral("German"),  QStringLiteral("Russian"),
            QStringLiteral("Korea"),   QStringLiteral("Thailand"), QStringLiteral("Arabic"),
            QStringLiteral("Portuguese"), QStringLiteral("Malay"), QStringLiteral("Vietnamese")};
}

QString languageMark(int index)
{
    static const char16_t *const marks[] = {u"EN", u"简", u"繁", u"JA", u"ES", u"FR", u"IT", u"DE",
                                            u"RU", u"KO", u"TH", u"AR", u"PT", u"MS", u"VI"};
    if (index < 0 || index >= int(std::size(marks)))
        return {};
    return QString::fromUtf16(marks[index]);
}

} // namespace quorvel
