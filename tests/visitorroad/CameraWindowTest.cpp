// The desk camera window on the camera library's moving test picture: live
// video, snapshots handed back, "确定"/"取消"/Escape, the event records it
// takes and the ones it leaves alone, and a camera index without a camera.
#include "RoadSupport.h"

#include "CameraSourceSetup.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QSet>

#include <cstring>

using namespace vondrel;
using namespace vondrel::test;

namespace {

class CameraWindowTest : public CameraDeskFixture {
protected:
    QPointer<TFormCamera> open(int index = 0)
    {
        auto *w = new TFormCamera(nullptr, index, &info);
        w->show();
        return w;
    }
    // Every picture file under the data folder's dated snapshot folders.
    QStringList snapshotFiles() const
    {
        QStringList out;
        QDirIterator it(dataFolder, {QStringLiteral("*.jpg"), QStringLiteral("*.bmp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next();
        return out;
    }
    ReturnInfo info;
};

TEST_F(CameraWindowTest, OpensWithTheLiveTestPictureAndNoCloseBox)
{
    info.accepted = true; // the window starts from "not accepted"
    auto w = open();
    EXPECT_FALSE(info.accepted);
    EXPECT_EQ(w->windowTitle(), u("摄像头拍照"));
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(w->PanelCamera->size(), QSize(361, 285));
    EXPECT_EQ(w->BitBtn5->text(), u("拍照==>"));
    EXPECT_EQ(w->BitBtn3->text(), u("画面设置"));
    EXPECT_EQ(w->BitBtn1->text(), u("确定"));
    EXPECT_EQ(w->BitBtn2->text(), u("取消"));
    ASSERT_TRUE(waitUntil([&] { return liveView(w) != nullptr; }));
    EXPECT_TRUE(previewMoves(w)) << "the test picture does not move";
    // "画面设置" opens the library's settings page 1 of this camera, modally
    // over the live picture; closing it returns to the camera window.
    ModalDriver d;
    d.add(u("settings page 1"), [] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != u("TFormSetting1"))
            return false;
        EXPECT_EQ(modal->windowTitle(), u("FormSetting1"));
        modal->close();
        return true;
    });
    d.start();
    w->BitBtn3->click();
    ASSERT_TRUE(d.run()) << d.failure().toStdString();
    EXPECT_TRUE(w->isVisible());
    w->BitBtn2->click();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'|').toStdString();
}

TEST_F(CameraWindowTest, OkWithoutSnapshotIsAcceptedWithEmptyPath)
{
    auto w = open();
    w->BitBtn1->click();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(info.accepted);
    EXPECT_TRUE(info.picturePath.isEmpty());
}

TEST_F(CameraWindowTest, ThreeSnapshotsThenOkReturnsTheThird)
{
    auto w = open();
    QStringList taken;
    for (int i = 0; i < 3; ++i) {
        taken << snapshot(w, info);
        ASSERT_FALSE(taken.last().isEmpty());
        EXPECT_EQ(w->windowTitle(), taken.last()); // the caption shows the path
        EXPECT_FALSE(w->Image1->pixmap().isNull());
    }
    EXPECT_EQ(QSet<QString>(taken.begin(), taken.end()).size(), 3) << "each snapshot is a file of its own";
    w->BitBtn1->click();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(info.accepted);
    EXPECT_EQ(info.picturePath, taken[2]);
    QImage picture;
    EXPECT_TRUE(picture.load(info.picturePath));
    EXPECT_EQ(picture.size(), QSize(640, 480));
    // The snapshots lie in the camera's dated folder under the data folder.
    EXPECT_TRUE(info.picturePath.startsWith(dataFolder)) << info.picturePath.toStdString();
}

// "取消" and Escape both end the window not accepted; the snapshot stays.
class CameraCancelTest : public CameraWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CameraCancelTest, CancelAfterSnapshotIsNotAcceptedAndTheFileStays)
{
    const bool byEscape = GetParam();
    auto w = open();
    const QString path = snapshot(w, info);
    ASSERT_FALSE(path.isEmpty());
    if (byEscape) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &esc);
    } else {
        w->BitBtn2->click();
    }
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(info.accepted);
    EXPECT_TRUE(QFileInfo::exists(path));
}

INSTANTIATE_TEST_SUITE_P(ButtonAndEscape, CameraCancelTest, ::testing::Values(false, true),
                         [](const auto &p) { return p.param ? std::string("Escape") : std::string("Button"); });

TEST_F(CameraWindowTest, ClosingOtherwiseLeavesNotAccepted)
{
    auto w = open();
    snapshot(w, info);
    w->close();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(info.accepted);
}

// Event records delivered to the window as the library delivers them.
struct RecordCase {
    const char *name;
    std::uint32_t size;
    std::int32_t type;
    enum { Existing, Missing, Empty } file;
    bool taken;
};

class CameraRecordTest : public CameraWindowTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(CameraRecordTest, ActsOnlyOnAFullSnapshotRecordOfAnExistingFile)
{
    const RecordCase c = GetParam();
    // Camera index 3 has no camera: only the records below reach the window.
    auto w = open(3);
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    const QString existing = dir.filePath(u("抓拍 1.jpg"));
    ASSERT_TRUE(img.save(existing));
    const QString path = c.file == RecordCase::Existing ? existing
                         : c.file == RecordCase::Missing ? dir.filePath(u("gone.jpg"))
                                                         : QString();
    CameraEventRecord rec;
    std::memset(&rec, 0, sizeof rec);
    rec.type = c.type;
    rec.cameraIndex = 3;
    std::memcpy(rec.file, path.utf16(), sizeof(char16_t) * std::size_t(path.size()));
    QuorvelCameraEvent ev(rec);
    ev.size = c.size;
    QCoreApplication::sendEvent(w, &ev);

    if (c.taken) {
        EXPECT_EQ(info.picturePath, existing);
        EXPECT_EQ(w->windowTitle(), existing);
        EXPECT_FALSE(w->Image1->pixmap().isNull());
    } else {
        EXPECT_TRUE(info.picturePath.isEmpty());
        EXPECT_EQ(w->windowTitle(), u("摄像头拍照"));
        EXPECT_TRUE(w->Image1->pixmap().isNull());
    }
    w->BitBtn1->click();
    settle();
    EXPECT_EQ(info.picturePath, c.taken ? existing : QString());
}

INSTANTIATE_TEST_SUITE_P(Records, CameraRecordTest,
                         ::testing::Values(RecordCase{"Snapshot", 892, 4, RecordCase::Existing, true},
                                           RecordCase{"Short891", 891, 4, RecordCase::Existing, false},
                                           RecordCase{"Long893", 893, 4, RecordCase::Existing, false},
                                           RecordCase{"Type3", 892, 3, RecordCase::Existing, false},
                                           RecordCase{"MotionType2", 892, 2, RecordCase::Existing, false},
                                           RecordCase{"EmptyPath", 892, 4, RecordCase::Empty, false},
                                           RecordCase{"MissingFile", 892, 4, RecordCase::Missing, false}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(CameraWindowTest, SnapshotThatCannotBeLoadedIsReportedAndStillHandedBack)
{
    auto w = open(3);
    const QString broken = dir.filePath(u("broken.jpg"));
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    CameraEventRecord rec;
    std::memset(&rec, 0, sizeof rec);
    rec.type = QuorvelEvent_CaptureSnapshot;
    std::memcpy(rec.file, broken.utf16(), sizeof(char16_t) * std::size_t(broken.size()));
    QuorvelCameraEvent ev(rec);
    QCoreApplication::sendEvent(w, &ev);
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(broken));
    EXPECT_EQ(info.picturePath, broken);
    w->BitBtn1->click();
    settle();
    EXPECT_TRUE(info.accepted);
    EXPECT_EQ(info.picturePath, broken);
}

TEST_F(CameraWindowTest, IndexWithoutACameraShowsNoVideoAndTakesNoSnapshot)
{
    // One source configured: index 1 is beyond the library's cameras.
    auto w = open(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(liveView(w), nullptr);
    w->BitBtn5->click();
    waitUntil([] { return false; }, 1500); // frames would have come by now
    EXPECT_TRUE(info.picturePath.isEmpty());
    EXPECT_EQ(w->windowTitle(), u("摄像头拍照"));
    EXPECT_TRUE(snapshotFiles().isEmpty());
    w->BitBtn1->click();
    settle();
    EXPECT_TRUE(info.accepted);
    EXPECT_TRUE(info.picturePath.isEmpty());
}

TEST_F(CameraWindowTest, EveryOpeningStartsTheLibraryAgain)
{
    for (int round = 0; round < 2; ++round) {
        ReturnInfo again;
        auto w = new TFormCamera(nullptr, 0, &again);
        w->show();
        QPointer<TFormCamera> guard(w);
        ASSERT_TRUE(waitUntil([&] { return liveView(w) != nullptr; })) << "round " << round;
        EXPECT_FALSE(snapshot(w, again).isEmpty()) << "round " << round;
        w->BitBtn1->click();
        settle();
        EXPECT_TRUE(guard.isNull());
        EXPECT_TRUE(again.accepted);
        EXPECT_TRUE(QFileInfo::exists(again.picturePath));
    }
}

} // namespace

namespace {

// A new guard on a machine without a camera: nothing configured yet, and the
// camera window still shows a live picture (the library's test picture).
class CameraFirstUseTest : public DeskFixture {
protected:
    void TearDown() override
    {
        settle();
        DeskFixture::TearDown();
    }
};

TEST_F(CameraFirstUseTest, NoCameraAndNoSourceGivesTheTestPicture)
{
    if (captureDevicePresent())
        GTEST_SKIP() << "this machine has a capture device, which the camera window uses instead";
    ASSERT_FALSE(QFile::exists(dataFolder + u("SoruceUrl.bin")));
    ReturnInfo info;
    QPointer<TFormCamera> w = new TFormCamera(nullptr, 0, &info);
    w->show();
    ASSERT_TRUE(waitUntil([&] { return liveView(w) != nullptr; }));
    EXPECT_TRUE(previewMoves(w));
    w->BitBtn2->click();
    settle();
    EXPECT_TRUE(w.isNull());
    QFile sources(dataFolder + u("SoruceUrl.bin"));
    ASSERT_TRUE(sources.open(QIODevice::ReadOnly));
    EXPECT_EQ(sources.readAll(), QByteArray("testsrc\r\n"));
}

} // namespace
