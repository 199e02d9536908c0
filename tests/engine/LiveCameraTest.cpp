// Live cameras through the library state: the test picture, the screen
// (under Xvfb), stream cameras, disable and enable, snapshots, folders.
#include "CDataClass.h"
#include "CameraLibrary.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "UsbCamera.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFileInfo>

#include <atomic>

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

INSTANTIATE_TEST_SUITE_P(Formats, LiveCapture, ::testing::Values(0, 1));

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
    owner.clear();
    EXPECT_TRUE(lib.close(0));
    const auto records = recordsOfType(3);
    ASSERT_EQ(records.size(), 2u);
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
        // The camera can be disabled and enabled again.
        cam->Disable();
        EXPECT_TRUE(cam->IsDisabled());
    }
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
