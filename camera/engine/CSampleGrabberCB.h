// The frame callback of a camera: runs on the pipeline's streaming thread for
// every frame, draws the overlays into it, writes a requested snapshot, runs
// the motion check, and reports snapshots to the host.
#pragma once

#include "FrameHooks.h"
#include "SnapshotWriter.h"
#include "UploadQueue.h"
#include "VideoFrame.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class QObject;

namespace quorvel {

class CDataClass;
class CameraMessenger;
class Option;
class TestWindowSink;

class CSampleGrabberCB {
public:
    // Snapshot kinds.
    static constexpr int kSnapshotMotion = 0;
    static constexpr int kSnapshotNetworkTest = 4;
    static constexpr int kSnapshotCapture = 5;

    // Language text numbers used in event records.
    static constexpr int kTextSnapshot = 1;
    static constexpr int kTextMotion = 6;
    static constexpr int kTextPictureSaved = 12;
    static constexpr int kTextNetworkTest = 18;

    CSampleGrabberCB();
    CSampleGrabberCB(const CSampleGrabberCB &) = delete;
    CSampleGrabberCB &operator=(const CSampleGrabberCB &) = delete;

    // Camera state (written on the UI thread while no pipeline runs, or
    // atomically).
    std::atomic<int> m_Disabled{0};
    std::atomic<int> m_GraphMode{-1};
    int m_Index = 0;
    QObject *m_hOwnerWnd = nullptr;
    std::uintptr_t m_hHostWnd = 0;
    QObject *m_hNotifyWnd = nullptr;
    std::atomic<TestWindowSink *> m_hTestWnd{nullptr};  // settings panel's test picture

    // Frame path.
    int m_PixelFormat = 6;  // 24-bit
    std::unique_ptr<FrameOverlay> m_pNameOverlay;
    std::unique_ptr<FrameOverlay> m_pTimeOverlay;
    MotionCheck *m_pMotionCheck = nullptr;  // not owned
    CDataClass *m_pRecord = nullptr;
    UploadQueue m_pUploadQueue;             // carries its own (queue) lock
    bool m_MotionArmed = true;
    std::vector<std::uint8_t> m_pPrevFrame;
    QDateTime m_LastCheck;
    std::atomic<bool> m_SnapshotRequested{false};
    std::atomic<int> m_SnapshotKind{0};
    std::atomic<int> m_PendingKind{-1};  // the request itself: its kind, -1 for none
    std::atomic<int> m_UploadOn{0};
    std::atomic<int> m_Width{0};
    std::atomic<int> m_Height{0};
    QString m_SnapshotFile;
    bool m_Busy = false;
    bool m_SnapshotFailureReported = false;  // streaming thread only

    // Where records, notifications and errors go; the language texts and
    // the sound player.
    CameraMessenger *m_pMessenger = nullptr;
    Option *m_pOption = nullptr;
    // The camera lock: guards record fields the UI thread changes while
    // frames run (folders, motion settings, the test window).
    std::mutex *m_pCameraLock = nullptr;

    // Frames seen since the camera was created (benchmarks, tests).
    std::atomic<std::uint64_t> m_FrameCount{0};

    // Per frame (streaming thread). Returns 0, or -1 for a frame without data.
    int BufferCB(double sampleTime, VideoFrame *frame);
    // UI thread: the kind first, then the request.
    void RequestSnapshot(int kind);
    // Called by BufferCB with the kind it took from the request.
    void WriteSnapshot(const VideoFrame &frame, int kind);

    // The last picture saved whole and how many were saved so far (any
    // thread): a window that asked for a picture waits for the count to
    // move, then uses the path; m_SnapshotFile names a picture before it is
    // written.
    struct SavedSnapshot {
        QString path;
        std::uint64_t count = 0;
    };
    SavedSnapshot LastSavedSnapshot() const;

    // Longest picture path the record's file field holds (with its
    // terminating zero it fills the 260 units).
    static constexpr int kMaxRecordPath = 259;

private:
    mutable std::mutex m_SavedLock;  // guards m_Saved
    SavedSnapshot m_Saved;
    struct SnapshotTarget {
        QString folder;  // with a trailing '/'
        QString path;
    };
    SnapshotTarget snapshotTarget(const QDateTime &now, bool alarm) const;
    void reportSnapshotFailure(const QString &text);
    QString text(int id) const;
    struct RecordTexts {
        QString cameraName, moveProgram, moveProgramParams, moveSound;
    };
    RecordTexts recordTexts() const;
    void startMotionProgram(const RecordTexts &texts) const;

    SnapshotWriter m_Writer;
};

} // namespace quorvel
