// Motion detection through the frame callback with known frames: the
// threshold and percentage edges, the check interval, regions and frame
// sizes that do not fit, the alarm actions, the vectorised compare against
// the scalar reference, and the test picture.
#include "CDataClass.h"
#include "CSampleGrabberCB.h"
#include "CameraMessenger.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "MotionCompare.h"
#include "MotionDetector.h"
#include "Option.h"
#include "TestWindowSink.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>

#include <chrono>
#include <climits>
#include <future>
#include <mutex>
#include <random>

using namespace quorvel;
using enginetest::RecordingOwner;
using enginetest::UserFolder;

namespace {

// A BGR frame of one grey value, rows padded like GStreamer's (or by
// `extraStride` more bytes).
struct Frame {
    Frame(int w, int h, std::uint8_t grey = 100, int extraStride = 0, bool bottomUp = false)
    {
        frame.width = w;
        frame.height = h;
        frame.stride = ((w * 3 + 3) & ~3) + extraStride;
        frame.bottomUp = bottomUp;
        bytes.assign(std::size_t(frame.stride) * std::size_t(h), grey);
        frame.data = bytes.data();
    }
    std::uint8_t *pixel(int x, int y) { return frame.row(y) + x * 3; }
    // Adds `delta` to one channel (0 blue, 1 green, 2 red) of the first
    // `count` pixels of the region, row by row.
    void change(const MoveRect &r, int count, int channel, int delta)
    {
        for (int y = r.top; y < r.bottom && count > 0; ++y)
            for (int x = r.left; x < r.right && count > 0; ++x, --count)
                pixel(x, y)[channel] = std::uint8_t(pixel(x, y)[channel] + delta);
    }
    std::vector<std::uint8_t> bytes;
    VideoFrame frame;
};

// A clock the test moves by hand.
struct ManualClock {
    QDateTime now = QDateTime(QDate(2024, 1, 4), QTime(14, 3, 9), Qt::UTC);
    void advance_ms(qint64 ms) { now = now.addMSecs(ms); }
};

class Motion : public ::testing::Test {
protected:
    void SetUp() override
    {
        enginetest::ensureApp();
        option = std::make_unique<Option>(folder.path() + QStringLiteral("qxCamera.ini"), folder.environment());
        record.load(1, folder.path());
        record.m_ImgDir_root = folder.path() + QStringLiteral("pics");
        QDir().mkpath(record.m_ImgDir_root);
        record.m_CameraName = QStringLiteral("1#");
        record.m_MoveCheck = true;
        record.m_MovePlaySound = false;
        record.m_NoCapImage_move = true;  // most cases need no picture file
        messenger = std::make_unique<CameraMessenger>(1, &owner, &owner, 0x77);
        cb.m_Index = 1;
        cb.m_pRecord = &record;
        cb.m_pOption = option.get();
        cb.m_pMessenger = messenger.get();
        cb.m_pCameraLock = &cameraLock;
        cb.m_hHostWnd = 0x77;
        cb.m_pMotionCheck = &detector;
    }

    // One frame through the frame callback, on the UI thread (records are
    // then delivered at once), a little later than the previous one.
    void push(Frame &f, qint64 after_ms = 40)
    {
        clock.advance_ms(after_ms);
        ASSERT_EQ(cb.BufferCB(0.0, &f.frame), 0);
        QCoreApplication::processEvents();
    }
    // The same on a thread of its own, like a streaming thread.
    void pushFromStreamingThread(Frame &f)
    {
        clock.advance_ms(40);
        auto done = std::async(std::launch::async, [&] { cb.BufferCB(0.0, &f.frame); });
        enginetest::waitUntil([&] { return done.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
        done.get();
        QCoreApplication::processEvents();
    }
    std::vector<CameraEventRecord> motionRecords() const
    {
        std::vector<CameraEventRecord> out;
        for (const auto &r : owner.records())
            if (r.type == QuorvelEvent_MotionSnapshot)
                out.push_back(r);
        return out;
    }

    UserFolder folder;
    RecordingLibReporter messages;
    ScopedLibReporter scopedReporter{&messages};
    std::unique_ptr<Option> option;
    CDataClass record;
    RecordingOwner owner;
    std::unique_ptr<CameraMessenger> messenger;
    std::mutex cameraLock;
    CSampleGrabberCB cb;
    ManualClock clock;
    MotionDetector detector{cb, [this] { return clock.now; }};
};

} // namespace

// Region 20, 20, 200, 200 has 32400 pixels: 16523 changed are 50 percent
// (integer division), 16524 are 51.
struct PercentCase {
    const char *name;
    int changed;
    bool motion;
};

class MotionPercent : public Motion, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(MotionPercent, MoreThanHalfOfTheRegionIsMotion)
{
    const PercentCase c = GetParam();
    Frame first(320, 240), second(320, 240);
    second.change(record.m_MoveRect, c.changed, 0, 50);
    push(first);
    push(second);
    const auto result = detector.lastResult();
    EXPECT_TRUE(result.compared);
    EXPECT_EQ(result.area, 32400);
    EXPECT_EQ(result.changed, c.changed);
    EXPECT_EQ(result.motion, c.motion);
    EXPECT_EQ(motionRecords().size(), c.motion ? 1u : 0u);
    EXPECT_EQ(record.m_MoveCount, c.motion ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Edges, MotionPercent,
                         ::testing::Values(PercentCase{"Changed16523", 16523, false},
                                           PercentCase{"Changed16524", 16524, true},
                                           PercentCase{"Nothing", 0, false},
                                           PercentCase{"Everything", 32400, true}),
                         [](const auto &info) { return std::string(info.param.name); });

// T = 8: a channel that changed by exactly 8 does not count, by 9 it does;
// each channel alone can make a pixel count, and a pixel counts once.
struct ThresholdCase {
    const char *name;
    int blue, green, red;
    bool counts;
};

class MotionThreshold : public Motion, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(MotionThreshold, PerChannelDifferenceAboveT)
{
    const ThresholdCase c = GetParam();
    ASSERT_EQ(record.m_dlta, 8);
    Frame first(320, 240), second(320, 240);
    const MoveRect &r = record.m_MoveRect;
    second.change(r, 32400, 0, c.blue);
    second.change(r, 32400, 1, c.green);
    second.change(r, 32400, 2, c.red);
    push(first);
    push(second);
    EXPECT_EQ(detector.lastResult().changed, c.counts ? 32400 : 0);
    EXPECT_EQ(detector.lastResult().motion, c.counts);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, MotionThreshold,
    ::testing::Values(ThresholdCase{"Blue8", 8, 0, 0, false}, ThresholdCase{"Blue9", 9, 0, 0, true},
                      ThresholdCase{"BlueMinus8", -8, 0, 0, false}, ThresholdCase{"BlueMinus9", -9, 0, 0, true},
                      ThresholdCase{"Blue8OthersBelow", 8, 7, -7, false}, ThresholdCase{"Green9", 0, 9, 0, true},
                      ThresholdCase{"Red9", 0, 0, 9, true}, ThresholdCase{"AllThree9", 9, 9, 9, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Motion, FirstCheckedFrameNeverReportsMotion)
{
    Frame black(320, 240, 0), white(320, 240, 255);
    push(black);
    EXPECT_FALSE(detector.lastResult().compared);
    EXPECT_EQ(cb.m_pPrevFrame.size(), black.bytes.size());
    EXPECT_TRUE(motionRecords().empty());
    push(white);
    EXPECT_TRUE(detector.lastResult().motion);
    EXPECT_EQ(motionRecords().size(), 1u);
    EXPECT_TRUE(cb.m_MotionArmed);
}

TEST_F(Motion, NothingRunsWhenSwitchedOffOrDisarmed)
{
    Frame a(64, 48, 0), b(64, 48, 255);
    record.m_MoveCheck = false;
    push(a);
    push(b);
    EXPECT_TRUE(cb.m_pPrevFrame.empty());
    record.m_MoveCheck = true;
    cb.m_MotionArmed = false;
    push(a);
    EXPECT_TRUE(cb.m_pPrevFrame.empty());
}

// Checks run when m_MoveInterval is not greater than the milliseconds since
// the last check; the interval is milliseconds, not seconds.
struct IntervalCase {
    const char *name;
    int interval_ms;
    int frameGap_ms;
    int frames;
    int expectedChecks;
};

class MotionInterval : public Motion, public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(MotionInterval, ChecksRunAtTheInterval)
{
    const IntervalCase c = GetParam();
    record.m_MoveInterval = c.interval_ms;
    Frame f(64, 48);
    int checks = 0;
    for (int i = 0; i < c.frames; ++i) {
        push(f, c.frameGap_ms);
        if (cb.m_LastCheck == clock.now)
            ++checks;
    }
    EXPECT_EQ(checks, c.expectedChecks);
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, MotionInterval,
    ::testing::Values(IntervalCase{"Two_ms_at30fps_everyFrame", 2, 33, 30, 30},
                      IntervalCase{"Two_ms_framesOne_msApart_everyOther", 2, 1, 10, 5},
                      IntervalCase{"Two_ms_framesTwo_msApart_every", 2, 2, 10, 10},
                      IntervalCase{"OneSecond_at30fps", 1000, 33, 91, 3},
                      IntervalCase{"Zero_everyFrameEvenAtOnce", 0, 0, 5, 5}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Motion, AClockSetBackStillChecks)
{
    Frame f(64, 48);
    record.m_MoveInterval = 1000;
    push(f);
    push(f, -3600 * 1000);
    EXPECT_EQ(cb.m_LastCheck, clock.now);
}

// Regions that do not fit the frame are clamped to it; nothing reads
// outside either buffer (AddressSanitizer watches the sanitizer build).
struct RegionCase {
    const char *name;
    MoveRect rect;
    std::int64_t area;  // after clamping to 64 x 48
};

class MotionRegionFit : public Motion, public ::testing::WithParamInterface<RegionCase> {};

TEST_P(MotionRegionFit, RegionIsClampedToTheFrame)
{
    const RegionCase c = GetParam();
    record.m_MoveRect = c.rect;
    // Tight buffers (no padding beyond the rows) so a read past the end is
    // caught.
    Frame a(64, 48, 0), b(64, 48, 255);
    a.bytes.shrink_to_fit();
    push(a);
    push(b);
    EXPECT_EQ(detector.lastResult().area, c.area);
    EXPECT_EQ(detector.lastResult().changed, c.area);
    EXPECT_EQ(detector.lastResult().motion, c.area > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Regions, MotionRegionFit,
    ::testing::Values(RegionCase{"Default_beyondRightAndBottom", {20, 20, 200, 200}, 44 * 28},
                      RegionCase{"LargerThanTheFrame", {-50, -50, 10000, 10000}, 64 * 48},
                      RegionCase{"Extremes", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 64 * 48},
                      RegionCase{"Outside", {700, 700, 800, 800}, 0},
                      RegionCase{"Inverted", {40, 40, 10, 10}, 0},
                      RegionCase{"Empty", {10, 10, 10, 30}, 0},
                      RegionCase{"OnePixelAtTheCorner", {63, 47, 64, 48}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Motion, AFrameOfAnotherSizeReplacesThePreviousFrameWithoutComparison)
{
    record.m_MoveRect = {0, 0, 1000, 1000};
    Frame small(64, 48, 0), large(80, 60, 255), large2(80, 60, 255), largeChanged(80, 60, 0);
    // Same byte length, other layout: 48 x 64 rows of 144 bytes.
    Frame turned(48, 64, 255);
    ASSERT_EQ(turned.bytes.size(), small.bytes.size());

    push(small);
    push(large);
    EXPECT_FALSE(detector.lastResult().compared);
    EXPECT_EQ(cb.m_pPrevFrame.size(), large.bytes.size());
    push(large2);
    EXPECT_TRUE(detector.lastResult().compared);
    EXPECT_FALSE(detector.lastResult().motion);
    push(largeChanged);
    EXPECT_TRUE(detector.lastResult().motion);
    push(small);
    EXPECT_FALSE(detector.lastResult().compared);
    push(turned);
    EXPECT_FALSE(detector.lastResult().compared);
    Frame bottomUp(48, 64, 255, 0, true);
    push(bottomUp);
    EXPECT_FALSE(detector.lastResult().compared);
    EXPECT_EQ(motionRecords().size(), 1u);
}

TEST_F(Motion, NoAllocationAfterTheFirstCheckedFrame)
{
    Frame a(320, 240, 0), b(320, 240, 255);
    push(a);
    const std::uint8_t *buffer = cb.m_pPrevFrame.data();
    for (int i = 0; i < 5; ++i)
        push(i % 2 ? a : b);
    EXPECT_EQ(cb.m_pPrevFrame.data(), buffer);
    // The previous frame is the last checked one.
    EXPECT_EQ(cb.m_pPrevFrame, b.bytes);
}

// The alarm snapshot with its record and notification, then the recording
// request when m_CapVideo_move is set; the counter when m_MoveCountOn is.
struct ActionCase {
    const char *name;
    bool capVideo;
    bool countOn;
};

class MotionActions : public Motion, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(MotionActions, AlarmSnapshotRecordAndRecordingRequest)
{
    const ActionCase c = GetParam();
    record.m_NoCapImage_move = false;
    record.m_CapVideo_move = c.capVideo;
    record.m_MoveCountOn = c.countOn;
    record.m_MoveCount = 7;
    Frame a(64, 48, 0), b(64, 48, 255);
    pushFromStreamingThread(a);
    pushFromStreamingThread(b);
    ASSERT_TRUE(enginetest::waitUntil([&] { return motionRecords().size() == 1; }, 5000));
    const CameraEventRecord r = motionRecords().front();
    EXPECT_EQ(quorvelRecordText(r.event), option->getText(CSampleGrabberCB::kTextMotion));
    EXPECT_EQ(quorvelRecordText(r.detail), option->getText(CSampleGrabberCB::kTextPictureSaved));
    const QString file = quorvelRecordText(r.file);
    // Snapshot names carry the time of writing, not the detector's clock.
    const QString alarmFolder = record.m_ImgDir_root + QStringLiteral("/01/")
        + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("AlarmCapture/");
    EXPECT_TRUE(file.startsWith(alarmFolder)) << file.toStdString();
    EXPECT_TRUE(file.endsWith(QStringLiteral(".jpg")));
    EXPECT_GT(QFileInfo(file).size(), 0);

    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.notes().size() >= (c.capVideo ? 2u : 1u); }, 5000));
    const auto notes = owner.notes();
    ASSERT_EQ(notes.size(), c.capVideo ? 2u : 1u);
    EXPECT_EQ(notes[0].message, WM_CAMERA_SNAPSHOT);
    if (c.capVideo) {
        EXPECT_EQ(notes[1].message, WM_CAMERA_MOTIONRECORD);
        EXPECT_EQ(notes[1].wParam, 1u);
        EXPECT_EQ(notes[1].lParam, 0x77u);
    }
    EXPECT_EQ(record.m_MoveCount, c.countOn ? 8 : 7);
    EXPECT_EQ(cb.m_SnapshotKind.load(), 0);
    EXPECT_TRUE(cb.m_MotionArmed);
}

INSTANTIATE_TEST_SUITE_P(Switches, MotionActions,
                         ::testing::Values(ActionCase{"RecordAndCount", true, true},
                                           ActionCase{"NoRecordingRequest", false, true},
                                           ActionCase{"NoCounting", true, false}),
                         [](const auto &info) { return std::string(info.param.name); });

// The vectorised compare agrees with the scalar reference.
struct CompareCase {
    const char *name;
    int width, height, extraStride;
    bool bottomUp;
};

class MotionCompareAgreement : public ::testing::TestWithParam<CompareCase> {};

TEST_P(MotionCompareAgreement, VectorisedEqualsScalarOnRandomFrames)
{
    const CompareCase c = GetParam();
    std::mt19937 rng(std::uint32_t(c.width * 7919 + c.height));
    Frame a(c.width, c.height, 0, c.extraStride, c.bottomUp), b(c.width, c.height, 0, c.extraStride, c.bottomUp);
    std::uniform_int_distribution<int> byte(0, 255), small(-12, 12), coin(0, 3);
    for (std::size_t i = 0; i < a.bytes.size(); ++i) {
        a.bytes[i] = std::uint8_t(byte(rng));
        // Mostly small changes around the thresholds, some large.
        b.bytes[i] = coin(rng) ? std::uint8_t(std::clamp(a.bytes[i] + small(rng), 0, 255)) : std::uint8_t(byte(rng));
    }
    const int thresholds[] = {-5, -1, 0, 1, 7, 8, 9, 127, 200, 254, 255, 256, 1000};
    std::uniform_int_distribution<int> xs(-3, c.width + 3), ys(-3, c.height + 3);
    for (int round = 0; round < 20; ++round) {
        MoveRect rect{xs(rng), ys(rng), xs(rng), ys(rng)};
        if (round == 0)
            rect = {0, 0, c.width, c.height};
        const MotionRegion region = clampRegion(rect, c.width, c.height);
        for (int t : thresholds) {
            const std::int64_t scalar = countChangedPixelsScalar(a.frame, b.bytes.data(), region, t);
            const std::int64_t fast = countChangedPixels(a.frame, b.bytes.data(), region, t);
            ASSERT_EQ(fast, scalar) << "region " << region.left << "," << region.top << "," << region.right << ","
                                    << region.bottom << " T " << t;
            // Every instruction set this processor has.
            for (MotionIsa isa : {MotionIsa::Portable, MotionIsa::Avx2, MotionIsa::Avx512}) {
                if (motionIsaAvailable(isa)) {
                    ASSERT_EQ(countChangedPixelsWith(isa, a.frame, b.bytes.data(), region, t), scalar)
                        << "isa " << int(isa) << " T " << t;
                }
            }
            // The frame path's pass also leaves the frame as the previous one.
            std::vector<std::uint8_t> kept = b.bytes;
            ASSERT_EQ(countChangedPixelsAndKeep(a.frame, kept.data(), region, t), scalar) << "T " << t;
            ASSERT_EQ(kept, a.bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, MotionCompareAgreement,
    ::testing::Values(CompareCase{"W1", 1, 9, 0, false}, CompareCase{"W15", 15, 7, 0, false},
                      CompareCase{"W16", 16, 5, 0, false}, CompareCase{"W17", 17, 5, 3, false},
                      CompareCase{"W33BottomUp", 33, 11, 0, true}, CompareCase{"W641Padded", 641, 13, 13, false},
                      CompareCase{"W640", 640, 24, 0, false}, CompareCase{"W4096", 4096, 3, 0, true},
                      CompareCase{"W63", 63, 5, 0, false}, CompareCase{"W65", 65, 5, 0, false},
                      CompareCase{"W97Padded", 97, 7, 1, false}, CompareCase{"W129", 129, 4, 0, true}),
    [](const auto &info) { return std::string(info.param.name); });

// The test picture: every frame, after the check, stretched to the size the
// panel asks for; nothing once it is cleared.
namespace {
class RecordingSink : public TestWindowSink {
public:
    QSize testPictureSize() const override { return {40, 30}; }
    void presentTestPicture(const QImage &picture) override { pictures.push_back(picture.copy()); }
    std::vector<QImage> pictures;
};
} // namespace

TEST_F(Motion, TestPictureGetsEveryFrameStretched)
{
    record.m_MoveCheck = false;  // handed over whether or not motion is checked
    RecordingSink sink;
    Frame f(20, 10, 0, 0, true);  // bottom-up: the picture's top row is last in memory
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            std::uint8_t *p = f.pixel(x, y);
            p[0] = x < 10 ? 255 : 0;  // left half blue
            p[2] = y < 5 ? 255 : 0;   // top half red
        }
    {
        std::lock_guard guard(cameraLock);
        cb.m_hTestWnd = &sink;
    }
    push(f);
    push(f);
    ASSERT_EQ(sink.pictures.size(), 2u);
    const QImage &p = sink.pictures[0];
    EXPECT_EQ(p.size(), QSize(40, 30));
    EXPECT_EQ(p.pixelColor(5, 5), QColor(255, 0, 255));    // top left: red and blue
    EXPECT_EQ(p.pixelColor(35, 5), QColor(255, 0, 0));     // top right: red
    EXPECT_EQ(p.pixelColor(5, 25), QColor(0, 0, 255));     // bottom left: blue
    EXPECT_EQ(p.pixelColor(35, 25), QColor(0, 0, 0));
    {
        std::lock_guard guard(cameraLock);
        cb.m_hTestWnd = nullptr;
    }
    push(f);
    EXPECT_EQ(sink.pictures.size(), 2u);
}
