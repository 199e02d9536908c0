#include "RecordClass_Broadcast.h"

#include "BinaryStream.h"
#include "SafeFile.h"

#include <QFileInfo>

namespace quorvel {

namespace records {

// Reads N and the entries. A negative count reads as none; entries are read
// only while the file still holds bytes for them, so a damaged count cannot
// make the list huge; an entry the file cuts short is zero-filled.
void readSchedule(ByteReader &in, std::vector<ScheduleEntry> &list, bool normalise)
{
    std::int32_t n = 0;
    if (!in.readI32(n))
        return;
    for (std::int32_t i = 0; i < n && !in.atEnd(); ++i) {
        std::uint8_t block[ScheduleEntry::kSizeBytes] = {};
        const qsizetype got = in.readSome(block, ScheduleEntry::kSizeBytes);
        ScheduleEntry entry = ScheduleEntry::fromBytes(block, int(got));
        if (normalise)
            normaliseEntry(entry);
        list.push_back(entry);
    }
}

void writeSchedule(ByteWriter &out, const std::vector<ScheduleEntry> &list)
{
    out.writeI32(std::int32_t(list.size()));
    for (const ScheduleEntry &entry : list) {
        const auto bytes = entry.toBytes();
        out.write(bytes.data(), qsizetype(bytes.size()));
    }
}

} // namespace records

RecordClass_Broadcast::RecordClass_Broadcast(int index, const QString &name, const QString &userFolder)
    : cameraIndex(index), fileName(name)
{
    if (!userFolder.isEmpty())
        m_path = perCameraFile(userFolder, index, name);
    loadFile();
}

RecordClass_Broadcast::~RecordClass_Broadcast() { saveAtDestruction(); }

void RecordClass_Broadcast::loadFile()
{
    if (m_path.isEmpty() || !QFileInfo(m_path).isFile())
        return;
    if (auto bytes = readWholeFile(m_path))
        loadFromBytes(*bytes);
}

void RecordClass_Broadcast::saveAtDestruction()
{
    if (m_written)
        return;
    m_written = true;
    save();
}

QByteArray RecordClass_Broadcast::toBytes() const
{
    ByteWriter out;
    records::writeSchedule(out, scheduleList);
    return out.bytes();
}

void RecordClass_Broadcast::loadFromBytes(const QByteArray &bytes)
{
    ByteReader in(bytes);
    records::readSchedule(in, scheduleList, false);
}

bool RecordClass_Broadcast::save() const
{
    if (m_path.isEmpty())
        return true;
    QString why;
    if (writeFileAtomically(m_path, toBytes(), &why))
        return true;
    reportWriteFailure(m_path, why);
    return false;
}

} // namespace quorvel
