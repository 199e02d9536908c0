#include "IniFile.h"

#include <QFile>
#include "AtomicFile.h"

#include <QStringDecoder>

namespace vondrel {

namespace {

QString decode(const QByteArray &bytes)
{
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: a file saved by a Windows editor in the Chinese code page.
    QStringDecoder gb("GB18030");
    if (gb.isValid()) {
        QString t = gb.decode(data);
        if (!gb.hasError())
            return t;
    }
    return text; // invalid bytes become replacement characters
}

QString unquote(QString v)
{
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        v = v.mid(1, v.size() - 2);
    return v;
}

QString oneLine(QString v)
{
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    v.replace(QChar(0), QLatin1Char(' '));
    return v;
}

} // namespace

IniFile::IniFile(const QString &path)
    : m_path(path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > maxFileBytes)
        return;
    const QByteArray bytes = f.read(maxFileBytes);
    if (f.error() != QFile::NoError)
        return;
    m_wasRead = true;
    parse(bytes);
}

IniFile IniFile::fromData(const QByteArray &bytes, const QString &path)
{
    IniFile ini;
    ini.m_path = path;
    ini.m_wasRead = true;
    ini.parse(bytes.left(maxFileBytes));
    return ini;
}

void IniFile::parse(const QByteArray &bytes)
{
    const QString text = decode(bytes);
    const QStringList raw = text.split(QLatin1Char('\n'));
    for (int i = 0; i < raw.size(); ++i) {
        QString lineText = raw[i];
        if (lineText.endsWith(QLatin1Char('\r')))
            lineText.chop(1);
        if (i == raw.size() - 1 && lineText.isEmpty())
            break; // the final line end
        Line line;
        line.text = lineText;
        const QString t = lineText.trimmed();
        if (t.contains(QChar(0))) {
            continue; // binary garbage: dropped
        } else if (t.startsWith(QLatin1Char('[')) && t.contains(QLatin1Char(']'))) {
            line.kind = Line::Section;
            line.section = t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed();
        } else if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'))) {
            line.kind = Line::Other;
        } else if (t.indexOf(QLatin1Char('=')) > 0) {
            const int eq = t.indexOf(QLatin1Char('='));
            line.kind = Line::Key;
            line.key = t.left(eq).trimmed();
            line.value = unquote(t.mid(eq + 1).trimmed());
        } else {
            continue; // not a line an INI file can hold: dropped
        }
        m_lines.push_back(line);
    }
}

int IniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section
            && m_lines[i].section.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::findKey(int sectionLine, const QString &key) const
{
    for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section)
            break;
        if (m_lines[i].kind == Line::Key && m_lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    const int k = findKey(s, key);
    if (k < 0)
        return std::nullopt;
    return m_lines[k].value;
}

QString IniFile::value(const QString &section, const QString &key, const QString &fallback) const
{
    return value(section, key).value_or(fallback);
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    int s = findSection(section);
    if (s < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty()
            && m_lines.last().kind != Line::Other) {
            Line blank;
            m_lines.push_back(blank);
        }
        Line header;
        header.kind = Line::Section;
        header.section = section;
        m_lines.push_back(header);
        s = int(m_lines.size()) - 1;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        m_lines[k].value = oneLine(value);
        return;
    }
    // New keys go after the section's last key, before trailing blank lines.
    int insertAt = s + 1;
    for (int i = s + 1; i < m_lines.size() && m_lines[i].kind != Line::Section; ++i) {
        if (m_lines[i].kind == Line::Key)
            insertAt = i + 1;
    }
    Line line;
    line.kind = Line::Key;
    line.key = key;
    line.value = oneLine(value);
    m_lines.insert(insertAt, line);
}

QString IniFile::toText() const
{
    QString out;
    for (const Line &l : m_lines) {
        switch (l.kind) {
        case Line::Section: out += QLatin1Char('[') + l.section + QLatin1Char(']'); break;
        case Line::Key: out += l.key + QLatin1Char('=') + l.value; break;
        case Line::Other: out += l.text; break;
        }
        out += QLatin1Char('\n');
    }
    return out;
}

bool IniFile::save(QString *error) const
{
    return vq::writeFileAtomically(m_path, toText().toUtf8(), error);
}

} // namespace vondrel
