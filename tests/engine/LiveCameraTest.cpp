// Live cameras through the library state: the test picture, the screen
// (under Xvfb), stream cameras, disable and enable, snapshots, folders.
#include "CDataClass.h"
#include "CameraLibrary.h"
#include "DeviceEnum.h"
#include "GstPtr.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "UsbCamera.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFileInfo>
#include <QSet>

#include <atomic>
#include <functional>

using namespace quorvel;
using enginetest::RecordingOwner;
using enginetest::UserFolder;
using enginetest::waitUntil;

namespace {

// Counts the frames that reach the display branch.
class CountingDisplay : public CameraDisplay {
public:
    explicit CountingDisplay(std::atomic<int> *count) : m_count(count) {}
    void presentSample(GstSample *sample) override
    {
        if (sample)
            m_count->fetch_add(1);
    }
    void clear() override {}

private:
    std::atomic<int> *m_count;
};

constexpr std::uintptr_t kHostId = 0x4711;

class LiveCamera : public ::testing::Test {
protected:
    void SetUp() override { enginetest::ensureApp(); }

    void init(const QStringList &sources)
    {
        folder = std::make_unique<UserFolder>(sources);
        ASSERT_EQ(lib.Init(folder->environment()), 1);
    }
    UsbCamera *open(int index)
    {
        lib.open(&owner, &owner, kHostId, std::make_unique<CountingDisplay>(&displayed), index);
        return lib.camera(index);
    }
    bool waitFrames(UsbCamera *cam, std::uint64_t more)
    {
        const std::uint64_t target = cam->Callback().m_FrameCount.load() + more;
        return waitUntil([&] { return cam->Callback().m_FrameCount.load() >= target; });
    }
    std::vector<CameraEventRecord> recordsOfType(int type) const
    {
        std::vector<CameraEventRecord> out;
        for (const auto &r : owner.records())
            if (r.type == type)
                out.push_back(r);
        return out;
    }

    RecordingLibReporter messages;
    ScopedLibReporter scoped{&messages};
    std::unique_ptr<UserFolder> folder;
    RecordingOwner owner;
    std::atomic<int> displayed{0};
    CameraLibrary lib;
};

} // namespace

TEST_F(LiveCamera, TestPictureReachesTheHookAtItsSizeAndTheDisplay)
{
    init({QStringLiteral("testsrc")});
    ASSERT_EQ(lib.option()->cameraCount, 1);
    UsbCamera *cam = open(0);
    ASSERT_NE(cam, nullptr);
    EXPECT_FALSE(cam->IsDisabled());
    ASSERT_TRUE(waitFrames(cam, 5));
    EXPECT_EQ(cam->Callback().m_Width.load(), 640);
    EXPECT_EQ(cam->Callback().m_Height.load(), 480);
    EXPECT_TRUE(waitUntil([&] { return displayed.load() > 0; }));
    EXPECT_TRUE(cam->IsRunning());
    EXPECT_EQ(cam->Data().m_CameraName, QStringLiteral("0#"));
    EXPECT_EQ(cam->Data().m_DeviceName, QStringLiteral("Test picture"));
    // Roots default to the user folder; the recommended compressor is the
    // list's first entry when none of the preferred ones exists.
    EXPECT_EQ(cam->ImgDirRoot(), folder->path());
    EXPECT_EQ(cam->Data().m_VideoCompressor, QStringLiteral("x264enc"));
    EXPECT_FALSE(cam->SourceProperties().isEmpty());
    EXPECT_TRUE(messages.texts().isEmpty());
}

class LiveCapture : public LiveCamera, public ::testing::WithParamInterface<int> {};

TEST_P(LiveCapture, CaptureWritesThePictureAndSendsType4WithoutNotification)
{
    init({QStringLiteral("testsrc")});
    UsbCamera *cam = open(0);
    ASSERT_TRUE(waitFrames(cam, 2));
    cam->Data().m_GraphFormat = GetParam();
    lib.Capture(0);
    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(4).empty(); }));
    const QString file = quorvelRecordText(recordsOfType(4).front().file);
    const QString expectedFolder = folder->path() + QStringLiteral("00/")
        + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("TimingCapture/");
    EXPECT_TRUE(file.startsWith(expectedFolder)) << file.toStdString();
    EXPECT_TRUE(file.endsWith(GetParam() == 0 ? QStringLiteral(".jpg") : QStringLiteral(".bmp")));
    EXPECT_TRUE(QFileInfo::exists(file));
    if (GetParam() == 1) {  // 640 x 480, 24-bit, no padding
        EXPECT_EQ(QFileInfo(file).size(), 54 + 640 * 480 * 3);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(owner.notes().empty());
}

// m_GraphFormat 0 writes JPEG, 1 a bitmap.
INSTANTIATE_TEST_SUITE_P(Formats, LiveCapture, ::testing::Values(0, 1),
                         [](const auto &info) { return std::string(info.param == 1 ? "Bitmap" : "Jpeg"); });

TEST_F(LiveCamera, DisableThenEnableSendsTwoRecordsInOrder)
{
    init({QStringLiteral("testsrc")});
    UsbCamera *cam = open(0);
    ASSERT_TRUE(waitFrames(cam, 2));
    cam->Disable();
    EXPECT_TRUE(cam->IsDisabled());
    EXPECT_FALSE(cam->HasGraph());
    EXPECT_TRUE(cam->SourceProperties().isEmpty());
    cam->Enable();
    EXPECT_FALSE(cam->IsDisabled());
    ASSERT_TRUE(waitFrames(cam, 3));
    const auto records = recordsOfType(3);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(quorvelRecordText(records[0].event), lib.option()->getText(15));
    EXPECT_EQ(quorvelRecordText(records[0].detail), lib.option()->getText(15));
    EXPECT_EQ(quorvelRecordText(records[1].event), lib.option()->getText(16));
    EXPECT_FALSE(lib.option()->getText(15).isEmpty());
    EXPECT_TRUE(quorvelRecordText(records[1].file).isEmpty());
}

TEST_F(LiveCamera, CaptureOnADisabledCameraIsSavedByTheFirstFrameAfterEnable)
{
    init({QStringLiteral("testsrc")});
    UsbCamera *cam = open(0);
    cam->Disable();
    lib.Capture(0);
    EXPECT_TRUE(cam->Callback().m_SnapshotRequested.load());
    cam->Enable();
    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(4).empty(); }));
    EXPECT_TRUE(QFileInfo::exists(quorvelRecordText(recordsOfType(4).front().file)));
}

TEST_F(LiveCamera, OpenOutsideTheCameraListDoesNothing)
{
    init({QStringLiteral("testsrc")});
    EXPECT_EQ(open(1), nullptr);   // index == cameraCount
    EXPECT_EQ(open(-1), nullptr);
    EXPECT_EQ(open(99), nullptr);  // outside the table
    EXPECT_NE(open(0), nullptr);
}

TEST_F(LiveCamera, RootFolderTexts)
{
    init({QStringLiteral("testsrc")});
    open(0);
    const QString before = lib.getImgDir_root(0);
    EXPECT_FALSE(lib.setImgDir_root(0, QStringLiteral("   ")));
    EXPECT_FALSE(lib.setCapDir_root(0, QString()));
    EXPECT_EQ(lib.getImgDir_root(0), before);
    EXPECT_TRUE(lib.setImgDir_root(0, QStringLiteral(" /tmp/pics ")));
    EXPECT_EQ(lib.getImgDir_root(0), QStringLiteral(" /tmp/pics "));
    EXPECT_TRUE(lib.setCapDir_root(0, QStringLiteral("/tmp/rec")));
    EXPECT_EQ(lib.getCapDir_root(0), QStringLiteral("/tmp/rec"));
    // No camera at index 1.
    EXPECT_FALSE(lib.setImgDir_root(1, QStringLiteral("/tmp")));
    EXPECT_TRUE(lib.getImgDir_root(1).isEmpty());
    EXPECT_TRUE(lib.getCapDir_root(1).isEmpty());
}

TEST_F(LiveCamera, FoldersAndNameSurviveClose)
{
    init({QStringLiteral("testsrc")});
    open(0);
    ASSERT_TRUE(lib.setImgDir_root(0, folder->path() + QStringLiteral("pics")));
    lib.close(0);
    EXPECT_FALSE(lib.initialised());
    CDataClass reloaded;
    reloaded.load(0, folder->path());
    EXPECT_EQ(reloaded.m_ImgDir_root, folder->path() + QStringLiteral("pics"));
    EXPECT_EQ(reloaded.m_CameraName, QStringLiteral("0#"));
    EXPECT_EQ(reloaded.m_SourceId, QStringLiteral("testsrc"));
}

TEST_F(LiveCamera, CloseOnADisabledCameraEnablesItFirst)
{
    init({QStringLiteral("testsrc")});
    UsbCamera *cam = open(0);
    cam->Disable();
    QCoreApplication::processEvents();
    owner.clear();
    EXPECT_TRUE(lib.close(0));
    // Both records arrive through the event loop, after close returned and
    // the camera is gone.
    EXPECT_TRUE(recordsOfType(3).empty());
    ASSERT_TRUE(waitUntil([&] { return recordsOfType(3).size() == 2; }));
    const auto records = recordsOfType(3);
    EXPECT_EQ(quorvelRecordText(records[0].event), QStringLiteral("摄像头已启用"));  // enabled (16)
    EXPECT_EQ(quorvelRecordText(records[1].event), QStringLiteral("摄像头已停用"));  // disabled (15)
    EXPECT_FALSE(lib.initialised());
    EXPECT_EQ(lib.camera(0), nullptr);
}

TEST_F(LiveCamera, SecondInitReleasesTheFirstState)
{
    init({QStringLiteral("testsrc")});
    UsbCamera *cam = open(0);
    ASSERT_TRUE(waitFrames(cam, 1));
    ASSERT_TRUE(lib.setImgDir_root(0, folder->path() + QStringLiteral("second")));
    ASSERT_EQ(lib.Init(folder->environment()), 1);
    EXPECT_EQ(lib.camera(0), nullptr);
    // The first camera was destroyed and saved its record.
    CDataClass reloaded;
    reloaded.load(0, folder->path());
    EXPECT_EQ(reloaded.m_ImgDir_root, folder->path() + QStringLiteral("second"));
}

TEST_F(LiveCamera, StreamCameraStartsDisabledAndAVanishedServerIsReported)
{
    // Nothing listens on this port: the stream cannot be read.
    init({QStringLiteral("http://127.0.0.1:9/none")});
    UsbCamera *cam = open(0);
    ASSERT_NE(cam, nullptr);
    EXPECT_TRUE(cam->IsDisabled());
    EXPECT_FALSE(cam->HasGraph());
    EXPECT_EQ(cam->Data().m_CameraName, QStringLiteral("0#"));

    for (int round = 1; round <= 2; ++round) {
        cam->Enable();
        EXPECT_FALSE(cam->IsDisabled());
        ASSERT_TRUE(waitUntil([&] { return messages.count() >= round; })) << "round " << round;
        EXPECT_TRUE(waitUntil([&] { return !cam->HasGraph(); }));
        EXPECT_EQ(messages.texts().last(), QStringLiteral("Could not run graph"));
        EXPECT_TRUE(waitUntil([&] {
            for (const auto &n : owner.notes())
                if (n.message == WM_CAMERA_GRAPHEVENT && n.wParam == std::uintptr_t(GST_MESSAGE_ERROR) && n.lParam == 0)
                    return true;
            return false;
        }));
        // The camera can be disabled and enabled again.
        cam->Disable();
        EXPECT_TRUE(cam->IsDisabled());
    }
}

// A host that reacts to a snapshot record by stopping or closing the camera,
// while the streaming thread that sent the record waits for it.
class ReactingOwner : public QObject {
public:
    std::function<void()> onRecord;
    int records = 0;
    bool event(QEvent *e) override
    {
        if (e->type() != QuorvelCameraEventType)
            return QObject::event(e);
        ++records;
        if (static_cast<QuorvelCameraEvent *>(e)->record.type == 4 && onRecord) {
            auto f = std::move(onRecord);
            onRecord = nullptr;
            f();
        }
        return true;
    }
};

TEST_F(LiveCamera, OwnerThatDisablesOnTheRecordDoesNotDeadlock)
{
    init({QStringLiteral("testsrc")});
    ReactingOwner reacting;
    lib.open(&reacting, nullptr, kHostId, nullptr, 0);
    UsbCamera *cam = lib.camera(0);
    ASSERT_TRUE(waitFrames(cam, 2));
    bool disabled = false;
    reacting.onRecord = [&] { cam->Disable(); disabled = true; };
    lib.Capture(0);
    ASSERT_TRUE(waitUntil([&] { return disabled; }));
    EXPECT_TRUE(cam->IsDisabled());
    cam->Enable();
    EXPECT_TRUE(waitFrames(cam, 2));
}

TEST_F(LiveCamera, OwnerThatClosesTheLibraryOnTheRecordDoesNotDeadlock)
{
    init({QStringLiteral("testsrc"), QStringLiteral("testsrc")});
    ReactingOwner reacting;
    lib.open(&reacting, nullptr, kHostId, nullptr, 0);
    lib.open(&reacting, nullptr, kHostId, nullptr, 1);
    ASSERT_TRUE(waitFrames(lib.camera(0), 2));
    bool closed = false;
    reacting.onRecord = [&] { lib.close(0); closed = true; };
    lib.Capture(0);
    lib.Capture(1);
    ASSERT_TRUE(waitUntil([&] { return closed; }));
    EXPECT_FALSE(lib.initialised());
    QCoreApplication::processEvents();
}

TEST_F(LiveCamera, MotionSnapshotStartsTheConfiguredProgram)
{
    init({QStringLiteral("testsrc")});
    UsbCamera *cam = open(0);
    ASSERT_TRUE(waitFrames(cam, 1));
    const QString marker = folder->path() + QStringLiteral("started by motion");
    cam->Data().m_MovePlaySound = false;
    cam->Data().m_MoveShellExecute = true;
    cam->Data().m_MoveProgram = QStringLiteral("/usr/bin/touch");
    cam->Data().m_MoveProgramParams = QLatin1Char('"') + marker + QLatin1Char('"');
    cam->RequestSnapshot(CSampleGrabberCB::kSnapshotMotion);
    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(2).empty(); }));
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(marker); }, 5000));
    // A program that does not exist is skipped silently.
    cam->Data().m_MoveProgram = folder->path() + QStringLiteral("missing");
    cam->RequestSnapshot(CSampleGrabberCB::kSnapshotMotion);
    ASSERT_TRUE(waitUntil([&] { return recordsOfType(2).size() == 2; }));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(LiveCamera, UnknownDeviceGivesNoPipelineAndNoMessage)
{
    init({QStringLiteral("v4l2:no-such-device")});
    UsbCamera *cam = open(0);
    ASSERT_NE(cam, nullptr);
    EXPECT_FALSE(cam->HasGraph());
    EXPECT_FALSE(cam->IsDisabled());
    EXPECT_TRUE(messages.texts().isEmpty());
    cam->Disable();
    cam->Enable();
    EXPECT_FALSE(cam->HasGraph());
}

TEST_F(LiveCamera, ScreenSourceUnderXvfb)
{
    enginetest::XvfbServer xvfb;
    if (!xvfb.available())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(xvfb.start());
    init({QStringLiteral("SCREEN")});
    UsbCamera *cam = open(0);
    ASSERT_NE(cam, nullptr);
    EXPECT_EQ(cam->Data().m_DeviceName, QStringLiteral("Screen"));
    ASSERT_TRUE(waitFrames(cam, 3)) << messages.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(cam->Callback().m_Width.load(), xvfb.width());
    EXPECT_EQ(cam->Callback().m_Height.load(), xvfb.height());
    lib.Capture(0);
    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(4).empty(); }));
    EXPECT_TRUE(QFileInfo::exists(quorvelRecordText(recordsOfType(4).front().file)));
    lib.close(0);
}

TEST(DeviceEnumTest, ListingsAndSourceKinds)
{
    ensureGStreamer();
    QStringList video, audio;
    EXPECT_GT(listVideoCompressors(video), 0);
    EXPECT_TRUE(video.contains(QStringLiteral("libav Windows Media Video 7 encoder"))) << video.join(u',').toStdString();
    EXPECT_GT(listAudioCompressors(audio), 0);
    EXPECT_EQ(indexOfVideoCompressor(video, QStringLiteral("no such")), -1);
    EXPECT_EQ(indexOfVideoCompressor(video, video.last()), video.size() - 1);
    EXPECT_EQ(indexOfAudioCompressor(audio, QStringLiteral("no such")), 0);
    EXPECT_EQ(indexOfAudioDevice(QStringList{QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("b")), 1);
    EXPECT_EQ(findAudioInput(1000), nullptr);

    // Ids and names of capture devices stay parallel and ids are unique.
    QStringList ids, names;
    listVideoInputs(ids, names);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());

    struct Case {
        const char *id;
        int kind;
        const char *deviceName;
        bool found;
    };
    const Case cases[] = {
        {"SCREEN", CDataClass::SourceScreen, "Screen", true},
        {"http://127.0.0.1:9/x", CDataClass::SourceStream, "http://127.0.0.1:9/x", true},
        {"testsrc", CDataClass::SourceDevice, "Test picture", true},
        {"v4l2:nothing-here", CDataClass::SourceDevice, "", false},
    };
    for (const Case &c : cases) {
        FoundSource s = findVideoSource(QString::fromLatin1(c.id), c.kind);
        EXPECT_EQ(s.element != nullptr, c.found) << c.id;
        EXPECT_EQ(s.deviceName, QString::fromLatin1(c.deviceName)) << c.id;
        if (s.element)
            gst_object_unref(gst_object_ref_sink(s.element));
    }
}
