#pragma once
// One time window of a schedule: a fixed 100-byte block of 50 UTF-16 units in
// four zero-terminated fields, stored in the action files exactly as it lies
// in memory.
#include <QString>

#include <array>
#include <cstdint>

namespace quorvel {

struct ScheduleEntry {
    static constexpr int kSizeBytes = 100;

    char16_t kind[10] = {};      // "0" every day, "1" weekly, "2" one date
    char16_t day[20] = {};       // weekday "0".."6" (Sunday first) or "yyyy-MM-dd"
    char16_t startTime[10] = {}; // "hh:mm:ss"
    char16_t endTime[10] = {};   // "hh:mm:ss"

    // Field texts up to their terminator (never past the field).
    QString kindText() const;
    QString dayText() const;
    QString startText() const;
    QString endText() const;
    // Set a field; a text longer than the field allows (units minus the
    // terminator) is cut. Every unit after the terminator is zero.
    void setKind(const QString &text);
    void setDay(const QString &text);
    void setStart(const QString &text);
    void setEnd(const QString &text);

    static ScheduleEntry make(const QString &kind, const QString &day,
                              const QString &start, const QString &end);

    // The 100 bytes, UTF-16LE.
    std::array<std::uint8_t, kSizeBytes> toBytes() const;
    // From up to 100 bytes; missing bytes are zero.
    static ScheduleEntry fromBytes(const std::uint8_t *data, int size);

    bool operator==(const ScheduleEntry &other) const;
};
static_assert(sizeof(ScheduleEntry) == ScheduleEntry::kSizeBytes);

// Turns the legacy words older snapshot schedules hold into codes:
// "每天" -> "0", "每周" -> "1" (weekday words "星期日".."星期六" -> "0".."6"),
// "指定" -> "2"; anything else stays.
void normaliseEntry(ScheduleEntry &entry);

// The file of a camera's record: user folder, camera index in decimal, file
// name, with no separator ("0captureImage.bin", "12Broadcast.bin").
QString perCameraFile(const QString &userFolder, int cameraIndex, const QString &fileName);

} // namespace quorvel
