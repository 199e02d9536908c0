#include "RecordClass_FTP.h"

#include "BinaryStream.h"

namespace quorvel {

namespace records {
void readSchedule(ByteReader &in, std::vector<ScheduleEntry> &list, bool normalise);
void writeSchedule(ByteWriter &out, const std::vector<ScheduleEntry> &list);
} // namespace records

RecordClass_FTP::RecordClass_FTP(int index, const QString &name, const QString &userFolder,
                                 UploadQueue *queue, QObject *owner)
    : RecordClass_Broadcast(index, name, QString()), ftpOwner(owner), uploadQueue(queue)
{
    if (!userFolder.isEmpty())
        m_path = perCameraFile(userFolder, index, name);
    loadFile();
}

RecordClass_FTP::~RecordClass_FTP()
{
    stopUploadThread();
    saveAtDestruction();
    m_machinery.reset();
}

void RecordClass_FTP::setUploadMachinery(std::unique_ptr<FtpUploadMachinery> machinery)
{
    if (m_machinery)
        m_machinery->stopUploadThread();
    m_machinery = std::move(machinery);
}

void RecordClass_FTP::applyFtpSettings()
{
    if (m_machinery)
        m_machinery->applySettings(*this);
}

void RecordClass_FTP::startUploadThread()
{
    if (m_machinery)
        m_machinery->startUploadThread(*this, uploadQueue);
}

void RecordClass_FTP::stopUploadThread()
{
    if (m_machinery)
        m_machinery->stopUploadThread();
}

QByteArray RecordClass_FTP::toBytes() const
{
    ByteWriter out;
    records::writeSchedule(out, scheduleList);
    out.writeI32(snapInterval);
    out.writeU8(dirByDate);
    out.writeU8(fixedNameOn);
    out.writeI32(uploadInterval);
    out.writeI32(uploadBatch);
    out.writeText(fixedName);
    out.writeText(ftpHost);
    out.writeText(ftpPort);
    out.writeText(ftpUser);
    out.writeText(ftpPassword);
    out.writeText(ftpFolder);
    out.writeU8(uploadMotionPictures);
    return out.bytes();
}

void RecordClass_FTP::loadFromBytes(const QByteArray &bytes)
{
    // Sequential; the first field the file does not hold ends the reading and
    // every later field keeps its default.
    ByteReader in(bytes);
    records::readSchedule(in, scheduleList, false);
    std::int32_t i32;
    std::uint8_t u8;
    if (!in.readI32(i32))
        return;
    snapInterval = i32;
    if (!in.readU8(u8))
        return;
    dirByDate = u8;
    if (!in.readU8(u8))
        return;
    fixedNameOn = u8;
    if (!in.readI32(i32))
        return;
    uploadInterval = i32;
    if (!in.readI32(i32))
        return;
    uploadBatch = i32;
    for (QString *text : {&fixedName, &ftpHost, &ftpPort, &ftpUser, &ftpPassword, &ftpFolder}) {
        QString value;
        if (!in.readText(value))
            return;
        *text = value;
    }
    if (in.readU8(u8))
        uploadMotionPictures = u8;
}

} // namespace quorvel
