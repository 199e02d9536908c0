#pragma once
// Bounded little-endian readers and writers for the binary settings files.
// The reader never reads past its end: a read that does not fit fails and
// leaves the reader at the end, as a file stream does when the file ends.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstring>

namespace quorvel {

class ByteReader {
public:
    explicit ByteReader(const QByteArray &bytes)
        : m_data(reinterpret_cast<const std::uint8_t *>(bytes.constData())),
          m_size(bytes.size()) {}

    qsizetype remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }
    qsizetype position() const { return m_pos; }
    void toEnd() { m_pos = m_size; }

    // All n bytes or nothing (then the reader is at its end).
    bool read(void *out, qsizetype n)
    {
        if (n < 0 || n > remaining()) {
            toEnd();
            return false;
        }
        if (n > 0)
            std::memcpy(out, m_data + m_pos, size_t(n));
        m_pos += n;
        return true;
    }
    // Up to n bytes; returns how many were copied (a short read).
    qsizetype readSome(void *out, qsizetype n)
    {
        const qsizetype got = n < remaining() ? n : remaining();
        if (got > 0) {
            std::memcpy(out, m_data + m_pos, size_t(got));
            m_pos += got;
        }
        return got < 0 ? 0 : got;
    }
    bool readI32(std::int32_t &v)
    {
        std::uint8_t b[4];
        if (!read(b, 4))
            return false;
        v = std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16
                         | std::uint32_t(b[3]) << 24);
        return true;
    }
    bool readU8(std::uint8_t &v) { return read(&v, 1); }
    bool readBool(bool &v)
    {
        std::uint8_t b;
        if (!read(&b, 1))
            return false;
        v = b != 0;
        return true;
    }
    bool readF32(float &v)
    {
        std::int32_t i;
        if (!readI32(i))
            return false;
        std::memcpy(&v, &i, 4);
        return true;
    }
    // A counted text: int32 byte count N, then N bytes of UTF-16LE. A count
    // below 1 gives the empty text. A count larger than what is left, or
    // than `maxBytes`, cannot be honoured: the reader goes to its end and the
    // read fails, so no later field is read from the wrong place. An odd
    // count keeps its whole units.
    bool readText(QString &out, qsizetype maxBytes = 1 << 20)
    {
        std::int32_t n;
        if (!readI32(n))
            return false;
        if (n < 1) {
            out.clear();
            return true;
        }
        if (n > remaining() || n > maxBytes) {
            toEnd();
            return false;
        }
        out = utf16le(m_data + m_pos, n / 2);
        m_pos += n;
        return true;
    }

    static QString utf16le(const std::uint8_t *p, qsizetype units)
    {
        QString s(units, Qt::Uninitialized);
        char16_t *d = reinterpret_cast<char16_t *>(s.data());
        for (qsizetype i = 0; i < units; ++i)
            d[i] = char16_t(p[2 * i] | p[2 * i + 1] << 8);
        return s;
    }

private:
    const std::uint8_t *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

class ByteWriter {
public:
    void write(const void *p, qsizetype n) { m_out.append(static_cast<const char *>(p), n); }
    void writeI32(std::int32_t v)
    {
        const std::uint32_t u = std::uint32_t(v);
        const char b[4] = {char(u & 0xff), char(u >> 8 & 0xff), char(u >> 16 & 0xff), char(u >> 24 & 0xff)};
        m_out.append(b, 4);
    }
    void writeU8(std::uint8_t v) { m_out.append(char(v)); }
    void writeBool(bool v) { writeU8(v ? 1 : 0); }
    void writeF32(float v)
    {
        std::int32_t i;
        std::memcpy(&i, &v, 4);
        writeI32(i);
    }
    // Byte count (2 per UTF-16 unit, no terminator), then the units.
    void writeText(const QString &s)
    {
        writeI32(std::int32_t(s.size() * 2));
        writeUnits(reinterpret_cast<const char16_t *>(s.utf16()), s.size());
    }
    void writeUnits(const char16_t *units, qsizetype n)
    {
        for (qsizetype i = 0; i < n; ++i) {
            m_out.append(char(units[i] & 0xff));
            m_out.append(char(units[i] >> 8));
        }
    }
    const QByteArray &bytes() const { return m_out; }

private:
    QByteArray m_out;
};

} // namespace quorvel
