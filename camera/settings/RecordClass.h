#pragma once
// Schedule record of the timed snapshots ("captureImage.bin"): the schedule
// plus the snapshot interval. Legacy entries are normalised when read.
//
// File: int32 N, N entries of 100 bytes, int32 snapInterval.
#include "RecordClass_Broadcast.h"

#include <cstdint>

namespace quorvel {

class RecordClass : public RecordClass_Broadcast {
public:
    RecordClass(int cameraIndex, const QString &fileName, const QString &userFolder);
    ~RecordClass() override;

    std::int32_t snapInterval = 5; // seconds between timed snapshots

    QByteArray toBytes() const override;
    void loadFromBytes(const QByteArray &bytes) override;
};

} // namespace quorvel
