#include "IniFile.h"

#include "SafeFile.h"

namespace quorvel {
namespace {

bool isHeader(const QString &line, QString *name = nullptr)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(u'[') || !t.endsWith(u']'))
        return false;
    if (name)
        *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

bool keyOf(const QString &line, QString *key, QString *value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#'))
        return false;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

} // namespace

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    IniFile ini;
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    const QString text = QString::fromUtf8(data);
    if (text.isEmpty())
        return ini;
    ini.m_lines = text.split(u'\n');
    for (QString &line : ini.m_lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (!ini.m_lines.isEmpty() && ini.m_lines.last().isEmpty())
        ini.m_lines.removeLast();
    return ini;
}

IniFile IniFile::load(const QString &path)
{
    if (auto bytes = readWholeFile(path))
        return fromBytes(*bytes);
    return IniFile();
}

qsizetype IniFile::findSection(const QString &section) const
{
    QString name;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (isHeader(m_lines.at(i), &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype IniFile::findKey(qsizetype header, const QString &key) const
{
    QString k;
    for (qsizetype i = header + 1; i < m_lines.size() && !isHeader(m_lines.at(i)); ++i) {
        if (keyOf(m_lines.at(i), &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    const qsizetype header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::read(const QString &section, const QString &key, const QString &defaultValue) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return defaultValue;
    const qsizetype at = findKey(header, key);
    if (at < 0)
        return defaultValue;
    QString k, value;
    keyOf(m_lines.at(at), &k, &value);
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

void IniFile::write(const QString &section, const QString &key, const QString &value)
{
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');
    const QString line = key + u'=' + clean;
    qsizetype header = findSection(section);
    if (header < 0) {
        m_lines.append(u'[' + section + u']');
        m_lines.append(line);
        return;
    }
    const qsizetype at = findKey(header, key);
    if (at >= 0) {
        m_lines[at] = line;
        return;
    }
    // After the section's last key line (blank lines and comments that close
    // the section stay after it).
    qsizetype insertAt = header + 1;
    QString k;
    for (qsizetype i = header + 1; i < m_lines.size() && !isHeader(m_lines.at(i)); ++i) {
        if (keyOf(m_lines.at(i), &k, nullptr))
            insertAt = i + 1;
    }
    m_lines.insert(insertAt, line);
}

QByteArray IniFile::toBytes() const
{
    QByteArray out;
    for (const QString &line : m_lines) {
        out += line.toUtf8();
        out += '\n';
    }
    return out;
}

bool IniFile::save(const QString &path, QString *error) const
{
    return writeFileAtomically(path, toBytes(), error);
}

} // namespace quorvel
