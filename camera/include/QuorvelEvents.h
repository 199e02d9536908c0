// What the camera library sends back to its host: the 892-byte camera event
// record, delivered as a Qt event to the owner object given to Quorvel_open,
// and the notifications posted to the notify object. Needs only QtCore.
#pragma once

#include <QEvent>
#include <QString>
#include <cstddef>
#include <cstdint>

// One camera event: a snapshot, a camera disabled or enabled, a broadcast.
// The layout is fixed byte for byte (hosts may store or forward it as is):
// texts are UTF-16, zero-terminated, every unit after the terminator zero.
struct CameraEventRecord {
    std::int32_t type;          // offset 0: 1..6, see QuorvelEventType
    char16_t event[20];         // offset 4: the event, a language text
    char16_t date[12];          // offset 44: "yyyy-MM-dd"
    char16_t time[10];          // offset 68: "hh:mm:ss", 24-hour
    char16_t cameraName[40];    // offset 88
    char16_t detail[100];       // offset 168: a language text
    std::int32_t cameraIndex;   // offset 368
    char16_t file[260];         // offset 372: picture or recording, or empty
};
static_assert(sizeof(CameraEventRecord) == 892, "CameraEventRecord must stay 892 bytes");
static_assert(offsetof(CameraEventRecord, event) == 4);
static_assert(offsetof(CameraEventRecord, date) == 44);
static_assert(offsetof(CameraEventRecord, time) == 68);
static_assert(offsetof(CameraEventRecord, cameraName) == 88);
static_assert(offsetof(CameraEventRecord, detail) == 168);
static_assert(offsetof(CameraEventRecord, cameraIndex) == 368);
static_assert(offsetof(CameraEventRecord, file) == 372);

// Record types.
enum QuorvelEventType : std::int32_t {
    QuorvelEvent_NetworkSnapshotOrBroadcastStop = 1,
    QuorvelEvent_MotionSnapshot = 2,
    QuorvelEvent_CameraDisabledOrEnabled = 3,
    QuorvelEvent_CaptureSnapshot = 4,
    QuorvelEvent_BroadcastWithRecording = 5,
    QuorvelEvent_BroadcastWithoutRecording = 6,
};

// Notification numbers (the message field of QuorvelNotifyEvent).
inline constexpr int WM_CAMERA_GRAPHEVENT = 0x8002;
inline constexpr int WM_CAMERA_SNAPSHOT = 0x8003;
inline constexpr int WM_CAMERA_MOTIONRECORD = 0x8005;

// The copy-data message number the record stands for.
inline constexpr int QUORVEL_WM_COPYDATA = 74;

// Qt event types (inside the user range).
inline constexpr QEvent::Type QuorvelCameraEventType = QEvent::Type(QEvent::User + QUORVEL_WM_COPYDATA);
inline constexpr QEvent::Type QuorvelNotifyEventType = QEvent::Type(QEvent::User + 0x8000);

// Sent to the owner object. dataTag and size stand for the copy-data header
// (tag 0, 892 bytes). Test the type() before static_cast: the library is
// built with hidden symbols, so dynamic_cast across it is not reliable.
class QuorvelCameraEvent : public QEvent {
public:
    explicit QuorvelCameraEvent(const CameraEventRecord &rec)
        : QEvent(QuorvelCameraEventType), record(rec) {}
    CameraEventRecord record;
    std::intptr_t dataTag = 0;
    std::uint32_t size = sizeof(CameraEventRecord);
};

// Posted to the notify object. For WM_CAMERA_SNAPSHOT and
// WM_CAMERA_MOTIONRECORD wParam is 1 and lParam is the host widget given to
// Quorvel_open (as an integer). For WM_CAMERA_GRAPHEVENT wParam is the
// GStreamer message type (GstMessageType) and lParam 0.
class QuorvelNotifyEvent : public QEvent {
public:
    QuorvelNotifyEvent(int msg, std::uintptr_t w, std::uintptr_t l)
        : QEvent(QuorvelNotifyEventType), message(msg), wParam(w), lParam(l) {}
    int message;
    std::uintptr_t wParam;
    std::uintptr_t lParam;
};

// Reads a zero-terminated text field of the record.
template <std::size_t N>
inline QString quorvelRecordText(const char16_t (&field)[N])
{
    std::size_t n = 0;
    while (n < N && field[n] != 0)
        ++n;
    return QString::fromUtf16(field, qsizetype(n));
}
