#pragma once
// The texts of one language file: UTF-8 lines "ID=text" (blank lines and
// lines starting with "#" are skipped; "\n", "\t" and "\\" are escapes).
#include <QByteArray>
#include <QHash>
#include <QString>

namespace quorvel {

class LanguageTable {
public:
    static LanguageTable parse(const QByteArray &bytes);
    // The text of `id`, or empty.
    QString text(int id) const { return m_texts.value(id); }
    bool contains(int id) const { return m_texts.contains(id); }
    int size() const { return int(m_texts.size()); }
    QList<int> ids() const { return m_texts.keys(); }

private:
    QHash<int, QString> m_texts;
};

} // namespace quorvel
