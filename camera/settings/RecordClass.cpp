#include "RecordClass.h"

#include "BinaryStream.h"

namespace quorvel {

namespace records {
void readSchedule(ByteReader &in, std::vector<ScheduleEntry> &list, bool normalise);
void writeSchedule(ByteWriter &out, const std::vector<ScheduleEntry> &list);
} // namespace records

RecordClass::RecordClass(int index, const QString &name, const QString &userFolder)
    : RecordClass_Broadcast(index, name, QString())
{
    // The base was bound to no file so it read nothing in its own format;
    // bind and read here, with this class's reader.
    if (!userFolder.isEmpty())
        m_path = perCameraFile(userFolder, index, name);
    loadFile();
}

RecordClass::~RecordClass() { saveAtDestruction(); }

QByteArray RecordClass::toBytes() const
{
    ByteWriter out;
    records::writeSchedule(out, scheduleList);
    out.writeI32(snapInterval);
    return out.bytes();
}

void RecordClass::loadFromBytes(const QByteArray &bytes)
{
    ByteReader in(bytes);
    records::readSchedule(in, scheduleList, true);
    std::int32_t interval;
    if (in.readI32(interval))
        snapInterval = interval;
}

} // namespace quorvel
