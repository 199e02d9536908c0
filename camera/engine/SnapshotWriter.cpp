#include "SnapshotWriter.h"

#include "AtomicFile.h"

#include <turbojpeg.h>

#include <cstring>
#include <vector>

namespace quorvel {

SnapshotWriter::SnapshotWriter() = default;

SnapshotWriter::~SnapshotWriter()
{
    if (m_tj)
        tjDestroy(static_cast<tjhandle>(m_tj));
}

bool SnapshotWriter::encodeJpeg(void *tjHandle, const VideoFrame &frame, int quality,
                                unsigned char **out, unsigned long *outSize)
{
    int flags = 0;
    if (frame.bottomUp)
        flags |= TJFLAG_BOTTOMUP;
    return tjCompress2(static_cast<tjhandle>(tjHandle), frame.data, frame.width, frame.stride,
                       frame.height, TJPF_BGR, out, outSize, TJSAMP_420, quality, flags) == 0;
}

static bool saveBytes(const QString &path, const char *data, qint64 size, QString *error)
{
    // Whole or not at all: a picture cut by a full disk never appears under
    // its name, and an earlier picture of that name stays.
    return vq::writeFileAtomically(path, QByteArray::fromRawData(data, qsizetype(size)), error);
}

bool SnapshotWriter::writeJpeg(const VideoFrame &frame, const QString &path, int quality, QString *error)
{
    if (!frame.data || frame.width <= 0 || frame.height <= 0) {
        if (error)
            *error = QStringLiteral("empty frame");
        return false;
    }
    if (!m_tj)
        m_tj = tjInitCompress();
    if (!m_tj) {
        if (error)
            *error = QString::fromUtf8(tjGetErrorStr());
        return false;
    }
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (!encodeJpeg(m_tj, frame, quality, &jpeg, &size)) {
        if (error)
            *error = QString::fromUtf8(tjGetErrorStr2(static_cast<tjhandle>(m_tj)));
        tjFree(jpeg);
        return false;
    }
    const bool ok = saveBytes(path, reinterpret_cast<const char *>(jpeg), qint64(size), error);
    tjFree(jpeg);
    return ok;
}

static void put16(std::vector<char> &b, std::size_t at, std::uint16_t v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char(v >> 8);
}
static void put32(std::vector<char> &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

bool SnapshotWriter::writeBmp(const VideoFrame &frame, const QString &path, QString *error)
{
    if (!frame.data || frame.width <= 0 || frame.height <= 0) {
        if (error)
            *error = QStringLiteral("empty frame");
        return false;
    }
    const std::size_t rowBytes = std::size_t(frame.width) * 3;
    const std::size_t padded = (rowBytes + 3) & ~std::size_t(3);
    const std::size_t pixelBytes = padded * std::size_t(frame.height);
    std::vector<char> b(54 + pixelBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, std::uint32_t(b.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, std::uint32_t(frame.width));
    put32(b, 22, std::uint32_t(frame.height));  // positive: rows stored bottom-up
    put16(b, 26, 1);
    put16(b, 28, 24);
    put32(b, 34, std::uint32_t(pixelBytes));
    put32(b, 38, 2835);  // 72 dpi
    put32(b, 42, 2835);
    for (int y = 0; y < frame.height; ++y) {
        // File row 0 is the bottom of the picture.
        std::memcpy(b.data() + 54 + std::size_t(y) * padded, frame.row(frame.height - 1 - y), rowBytes);
    }
    return saveBytes(path, b.data(), qint64(b.size()), error);
}

} // namespace quorvel
