#pragma once
// Helpers shared by the card tests: records built byte by byte in the reader's
// layout, and configurations of the simulated reader.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>

namespace cardtest {

struct CardFields {
    QString name = QStringLiteral("张伟");
    QString sex = QStringLiteral("1");
    QString nation = QStringLiteral("01");
    QString birth = QStringLiteral("19800502");
    QString address = QStringLiteral("北京市海淀区中关村南大街27号");
    QString id = QStringLiteral("110108198005020018");
    QString issuer = QStringLiteral("北京市公安局海淀分局");
    QString validFrom = QStringLiteral("20110809");
    QString validTo = QStringLiteral("20310809");
};

// Writes `text` into a slot of `units` UTF-16LE code units, padded with `pad`.
inline void putSlot(QByteArray &rec, int offset, int units, const QString &text, char16_t pad)
{
    for (int i = 0; i < units; ++i) {
        const char16_t u = i < text.size() ? text[i].unicode() : pad;
        rec[offset + 2 * i] = char(u & 0xFF);
        rec[offset + 2 * i + 1] = char(u >> 8);
    }
}

// A full 256-byte record as a reader writes it (padding with spaces unless
// told otherwise; the 36 bytes after the fields are reserved).
inline QByteArray cardRecord(const CardFields &f, char16_t pad = u' ')
{
    QByteArray rec(256, '\0');
    putSlot(rec, 0, 15, f.name, pad);
    putSlot(rec, 30, 1, f.sex, pad);
    putSlot(rec, 32, 2, f.nation, pad);
    putSlot(rec, 36, 8, f.birth, pad);
    putSlot(rec, 52, 35, f.address, pad);
    putSlot(rec, 122, 18, f.id, pad);
    putSlot(rec, 158, 15, f.issuer, pad);
    putSlot(rec, 188, 8, f.validFrom, pad);
    putSlot(rec, 204, 8, f.validTo, pad);
    putSlot(rec, 220, 18, QString(), pad);
    return rec;
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Configuration of the simulated reader, written to a file that
// TERMB_STANDIN_CONFIG points at.
struct ReaderConfig {
    int port = 1001;
    QString samId = QStringLiteral("05.01-20101123-0004567890-1234567890");
    QString authenticate = QStringLiteral("1");
    QString readContent = QStringLiteral("1");
    CardFields card;
    QString photo; // bitmap to copy as zp.bmp; empty: drawn
};

// Writes the configuration and its call log into `folder` and points the
// reader at it. Returns the log path.
inline QString useReader(const QString &folder, const ReaderConfig &c)
{
    const QString ini = folder + QStringLiteral("/reader.ini");
    const QString log = folder + QStringLiteral("/calls.log");
    QFile::remove(log);
    QString text;
    text += QStringLiteral("[reader]\nport=%1\nsamid=%2\nauthenticate=%3\nread_content=%4\nlog=%5\n")
                .arg(c.port).arg(c.samId, c.authenticate, c.readContent, log);
    text += QStringLiteral("[card]\nname=%1\nsex=%2\nnation=%3\nbirth=%4\naddress=%5\nid=%6\n"
                           "issuer=%7\nvalid_from=%8\nvalid_to=%9\n")
                .arg(c.card.name, c.card.sex, c.card.nation, c.card.birth, c.card.address,
                     c.card.id, c.card.issuer, c.card.validFrom, c.card.validTo);
    if (!c.photo.isEmpty())
        text += QStringLiteral("photo=%1\n").arg(c.photo);
    writeBytes(ini, text.toUtf8());
    qputenv("TERMB_STANDIN_CONFIG", ini.toUtf8());
    return log;
}

inline QStringList readLog(const QString &log)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace cardtest
