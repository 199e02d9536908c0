#pragma once
// A small INI file reader/writer that behaves like the Windows profile
// functions: section and key names match without regard to letter case,
// existing keys are updated in place, new keys are appended to the end of
// their section, other sections and keys stay as they are. Texts are UTF-8
// (a file that is not valid UTF-8 is read as GB18030, the Chinese code page
// a Windows editor saves in).
#include <QString>
#include <QStringList>

#include <optional>

namespace vondrel {

class IniFile {
public:
    // Reads `path`; a missing or unreadable file gives an empty document.
    // Files larger than maxFileBytes are not read (treated as empty).
    explicit IniFile(const QString &path);
    // A document parsed from bytes, to be saved to `path` (may be empty).
    static IniFile fromData(const QByteArray &bytes, const QString &path = QString());

    std::optional<QString> value(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &fallback) const;
    void setValue(const QString &section, const QString &key, const QString &value);

    // Writes the document atomically (temporary file + rename). False on
    // error, with the system's reason in `error`; the old file then stays.
    bool save(QString *error = nullptr) const;
    QString toText() const;
    QString path() const { return m_path; }
    bool wasRead() const { return m_wasRead; }

    static constexpr qint64 maxFileBytes = 1024 * 1024;

private:
    struct Line {
        QString text;    // the line as it stands (comments, blank lines)
        QString section; // for section headers: the name
        QString key;     // for key lines: the key
        QString value;   // for key lines: the value
        enum Kind { Other, Section, Key } kind = Other;
    };
    IniFile() = default;
    void parse(const QByteArray &bytes);
    int findSection(const QString &section) const;
    int findKey(int sectionLine, const QString &key) const;

    QString m_path;
    QList<Line> m_lines;
    bool m_wasRead = false;
};

} // namespace vondrel
