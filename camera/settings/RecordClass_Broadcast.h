#pragma once
// Schedule record of the timed recording ("captureVideo.bin"), motion
// detection ("MoveCheck.bin") and broadcast ("Broadcast.bin") actions.
// Reads its file at construction and rewrites it at destruction.
//
// File: int32 N, then N entries of 100 bytes.
#include "ScheduleEntry.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace quorvel {

class RecordClass_Broadcast {
public:
    // Reads perCameraFile(userFolder, cameraIndex, fileName) when it exists.
    // An empty userFolder gives a record bound to no file (nothing is read or
    // written; used to parse bytes in memory).
    RecordClass_Broadcast(int cameraIndex, const QString &fileName, const QString &userFolder);
    // Writes the file (errors go to the library reporter).
    virtual ~RecordClass_Broadcast();
    RecordClass_Broadcast(const RecordClass_Broadcast &) = delete;
    RecordClass_Broadcast &operator=(const RecordClass_Broadcast &) = delete;

    int cameraIndex;
    std::vector<ScheduleEntry> scheduleList;
    QString fileName;

    // Empties the schedule (the settings panel refills it).
    void clearSchedule() { scheduleList.clear(); }
    // Full path of the file, empty when bound to none.
    const QString &filePath() const { return m_path; }

    // The file image and its reader; a short or bad image fills what it holds
    // and keeps defaults for the rest.
    virtual QByteArray toBytes() const;
    virtual void loadFromBytes(const QByteArray &bytes);
    // Writes the file now, through a temporary name; false (and a reported
    // error) when it cannot be written. Nothing to do without a file.
    bool save() const;

protected:
    QString m_path;
    bool m_written = false;
    void loadFile();
    // Every class's destructor calls this first, so the file is written once
    // in the format of the most derived class.
    void saveAtDestruction();
};

} // namespace quorvel
