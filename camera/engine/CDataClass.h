#pragma once
// A camera's data record: picture, overlay, motion, recording, broadcast and
// storage settings. Read from the camera's settings file (user folder +
// camera number + ".bin") when the camera is created, written back when it is
// destroyed; builds the dated snapshot and recording folders.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

namespace quorvel {

// The 92-byte wide logical-font block kept in the settings file.
struct LogFont {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    char16_t lfFaceName[32] = {};

    static constexpr int kSizeBytes = 92;
    // Face name up to its terminator, and setter (cut to 31 units).
    QString faceName() const;
    void setFaceName(const QString &name);
    bool operator==(const LogFont &other) const;
};
static_assert(sizeof(LogFont) == LogFont::kSizeBytes);

struct MoveRect {
    std::int32_t left = 20;
    std::int32_t top = 20;
    std::int32_t right = 200;
    std::int32_t bottom = 200;
    bool operator==(const MoveRect &) const = default;
};

class CDataClass {
public:
    // Source kinds (sourceKind()).
    enum SourceKind { SourceDevice = 0, SourceStream = 1, SourceScreen = 2 };

    CDataClass() = default;

    bool m_VideoFormatRecommended = true;
    std::int32_t m_VideoFormat = 0;   // 0 WMV, 1 AVI
    std::int32_t m_WMVSize = 4;       // frame-size index (4: 640 x 480)
    bool m_WMVAudio = true;
    std::int32_t m_WMVFPS = 29;       // frames per second - 1
    std::int32_t m_WMVBitRate = 2227;
    std::int32_t m_maxClient = 2;
    std::int32_t m_Port = 8080;
    std::int32_t m_BroadcastSize = 4;
    std::int32_t m_BroadcastFPS = 29;
    std::int32_t m_BroadcastBitRate = 1335;
    bool m_BroadcastAudio = false;
    QString m_FileName;
    QString m_AudioDevice;
    QString m_VideoCompressor;
    QString m_AudioCompressor;
    bool m_VideoCompressorRecommended = true;
    bool m_AudioCompressorRecommended = true;
    std::int32_t m_GraphFormat = 0;   // 0 JPEG, 1 bitmap
    QString m_FixedFileNameText;
    bool m_FixedFileName = false;
    QString m_DeviceName;
    QString m_SourceId;
    std::int32_t m_CameraNumber = 0;
    QString m_CapDir_root;
    QString m_ImgDir_root;
    QString m_CameraName = QStringLiteral("noset");
    std::int32_t m_NameX = 0;
    std::int32_t m_NameY = 0;
    LogFont m_NameFont;
    std::uint8_t m_NameColorR = 255;
    std::uint8_t m_NameColorG = 0;
    std::uint8_t m_NameColorB = 0;
    std::uint8_t m_ShowTime = 0;
    std::int32_t m_TimeFormat = 0;
    std::int32_t m_TimeX = 0;
    std::int32_t m_TimeY = 20;
    LogFont m_TimeFont;
    std::uint8_t m_TimeColorR = 255;
    std::uint8_t m_TimeColorG = 0;
    std::uint8_t m_TimeColorB = 0;
    std::int32_t m_MovePercent = 50;
    std::int32_t m_dlta = 8;
    MoveRect m_MoveRect;
    std::int32_t m_MoveRectColor = 3;
    bool m_MoveCheck = false;
    bool m_Audio = false;
    std::int32_t m_MoveInterval = 2;
    float m_Reserved1 = 1.0f;
    std::int32_t m_Reserved2 = 0;
    bool m_CapturePlaySound = true;
    QString m_CaptureSound = QStringLiteral("拍照咔嚓.WAV");
    bool m_MovePlaySound = true;
    QString m_MoveSound = QStringLiteral("欢迎光临.WAV");
    bool m_NoCapImage_move = false;
    bool m_MoveShellExecute = false;
    QString m_MoveProgram;
    QString m_MoveProgramParams;
    std::int32_t m_MoveProgramRunMode = 0; // 0 normal, 1 minimised, 2 maximised
    bool m_CapVideo_move = false;
    std::int32_t m_CapVideo_moveStop = 20;
    std::int32_t m_MoveCount = 0;
    bool m_MoveCountOn = true;

    // Sets m_CameraNumber and m_FileName (userFolder + number + ".bin") and
    // reads the file when it exists; a missing file keeps the defaults.
    void load(int cameraNumber, const QString &userFolder);
    // Writes every group to m_FileName through a temporary name; false (and a
    // reported error) when it cannot be written.
    bool save() const;

    // The file image and its reader (groups 1-3 first; 4-21 each optional;
    // m_MovePercent is always 50 after reading).
    QByteArray toBytes() const;
    void loadFromBytes(const QByteArray &bytes);

    // Snapshot folder for `when`: root + "NN/yyyyMMddAlarmCapture/" (alarm)
    // or "...TimingCapture/", created when missing. Throws
    // LibraryError("Cannot create temp directory.") when it cannot be made.
    QString alarmOrTimingFolder(const QDateTime &when, bool alarm) const;
    // Recording folder: m_CapDir_root + "NN/yyyyMMddRecord/", as above.
    QString recordFolder(const QDateTime &when) const;
    // 1 for "mms:"/"http:" addresses, 2 for "screen" (any case), else 0.
    int sourceKind() const;
    // Folder path without creating it (root joined with the dated part).
    static QString datedFolder(const QString &root, int cameraNumber, const QDate &date,
                               const QString &suffix);
};

} // namespace quorvel
