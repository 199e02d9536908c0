// Any bytes as a language file ("LangEN" ...): the reader never crashes, and a
// table written back in the file's own form ("ID=text" with the escapes)
// reads back as the same table.
#include "LanguageTable.h"

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

QString escaped(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else
            out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const quorvel::LanguageTable table = quorvel::LanguageTable::parse(bytes);
    QList<int> ids = table.ids();
    std::sort(ids.begin(), ids.end());
    QString file = QStringLiteral("# written back\n");
    for (const int id : ids) {
        if (id < 0 || !table.contains(id))
            std::abort();
        file += QString::number(id) + u'=' + escaped(table.text(id)) + u'\n';
    }
    const quorvel::LanguageTable back = quorvel::LanguageTable::parse(file.toUtf8());
    if (back.size() != table.size())
        std::abort();
    for (const int id : ids) {
        if (back.text(id) != table.text(id))
            std::abort();
    }
    return 0;
}
