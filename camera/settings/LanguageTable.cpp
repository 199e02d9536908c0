#include "LanguageTable.h"

#include <QList>

namespace quorvel {
namespace {

QString unescape(const QString &raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 == raw.size()) {
            out.append(c);
            continue;
        }
        const QChar next = raw.at(++i);
        if (next == u'n')
            out.append(u'\n');
        else if (next == u't')
            out.append(u'\t');
        else if (next == u'\\')
            out.append(u'\\');
        else {
            out.append(c);
            out.append(next);
        }
    }
    return out;
}

} // namespace

LanguageTable LanguageTable::parse(const QByteArray &bytes)
{
    LanguageTable table;
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    const QString text = QString::fromUtf8(data);
    for (QStringView line : QStringView(text).split(u'\n')) {
        // Every CR before the LF belongs to the line end (an editor that
        // doubled the line ends leaves CR CR LF); a text never ends in one.
        while (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 1)
            continue;
        bool ok = false;
        const int id = line.left(eq).trimmed().toInt(&ok);
        if (!ok || id < 0)
            continue;
        table.m_texts.insert(id, unescape(line.mid(eq + 1).toString()));
    }
    return table;
}

} // namespace quorvel
