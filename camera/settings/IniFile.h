#pragma once
// A small INI reader/writer in the manner of the platform's private-profile
// files: sections "[name]", lines "key=value", names matched without regard
// to case, values trimmed, one pair of surrounding double quotes removed.
// Unknown sections, keys and comments are kept in place; a new key goes to
// the end of its section, so a fresh file holds keys in the order written.
// Texts are UTF-8; lines are written with "\n".
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvel {

class IniFile {
public:
    IniFile() = default;
    static IniFile fromBytes(const QByteArray &bytes);
    // Loads the file; a missing or unreadable file gives an empty one.
    static IniFile load(const QString &path);

    bool contains(const QString &section, const QString &key) const;
    QString read(const QString &section, const QString &key, const QString &defaultValue) const;
    // Line breaks in the value are turned into blanks (one line per key).
    void write(const QString &section, const QString &key, const QString &value);

    QByteArray toBytes() const;
    // Writes through a temporary name; false with `error` set on failure.
    bool save(const QString &path, QString *error = nullptr) const;

private:
    QStringList m_lines;
    // Index of the section header line, or -1.
    qsizetype findSection(const QString &section) const;
    // Index of the key line inside the section, or -1.
    qsizetype findKey(qsizetype header, const QString &key) const;
};

} // namespace quorvel
