// Writes a BGR frame as a picture file: JPEG through TurboJPEG or a 24-bit
// bitmap. Both go through the atomic writer, so a reader never sees half a
// picture and a write that fails leaves nothing behind.
#pragma once

#include "VideoFrame.h"

#include <QString>

namespace quorvel {

class SnapshotWriter {
public:
    SnapshotWriter();
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter &) = delete;
    SnapshotWriter &operator=(const SnapshotWriter &) = delete;

    // Returns false and fills error when the file cannot be written.
    bool writeJpeg(const VideoFrame &frame, const QString &path, int quality, QString *error = nullptr);
    bool writeBmp(const VideoFrame &frame, const QString &path, QString *error = nullptr);

    // The encoded bytes of the last writeJpeg (for benchmarks).
    static bool encodeJpeg(void *tjHandle, const VideoFrame &frame, int quality,
                           unsigned char **out, unsigned long *outSize);

private:
    void *m_tj = nullptr;  // TurboJPEG compressor, kept between snapshots
};

} // namespace quorvel
