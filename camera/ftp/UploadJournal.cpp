#include "UploadJournal.h"

#include "AtomicFile.h"

#include <QFile>

namespace quorvel {

namespace {
// First line of every journal; a file without it is not read.
const QByteArray kHeader = QByteArrayLiteral("quorvel upload queue 1");
// A path may hold any character but NUL; line breaks and the escape
// character itself are escaped so that a line is always one path.
const QByteArray kEscaped = QByteArrayLiteral("%\n\r");
}

UploadJournal::UploadJournal(QString path) : m_path(std::move(path)) {}

QByteArray UploadJournal::encode(const QStringList &paths)
{
    QByteArray out = kHeader + '\n';
    for (const QString &path : paths) {
        const QByteArray utf8 = path.toUtf8();
        for (const char c : utf8) {
            if (kEscaped.contains(c))
                out += '%' + QByteArray::number(int(static_cast<unsigned char>(c)), 16).rightJustified(2, '0').toUpper();
            else
                out += c;
        }
        out += '\n';
    }
    return out;
}

QStringList UploadJournal::decode(const QByteArray &bytes)
{
    QStringList paths;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first() != kHeader)
        return paths;
    // The last element follows the final line break: empty in a whole file,
    // a cut line otherwise (the atomic writer never leaves one, but a copy
    // made by hand might).
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        paths.append(QString::fromUtf8(QByteArray::fromPercentEncoding(lines.at(i))));
    }
    return paths;
}

QStringList UploadJournal::load() const
{
    const std::optional<QByteArray> bytes = vq::readWholeFile(m_path, 64 * 1024 * 1024);
    if (!bytes)
        return {};
    return decode(*bytes);
}

bool UploadJournal::save(const QStringList &paths, QString *error) const
{
    if (paths.isEmpty()) {
        QFile file(m_path);
        if (!file.exists() || file.remove())
            return true;
        if (error)
            *error = file.errorString();
        return false;
    }
    return vq::writeFileAtomically(m_path, encode(paths), error);
}

} // namespace quorvel
