// The frame path without a pipeline: frames pushed through the frame
// callback, the event record layout, the picture writers and the record
// handshake between the streaming thread and the UI thread.
#include "CDataClass.h"
#include "CSampleGrabberCB.h"
#include "CameraEventRecordFill.h"
#include "CameraMessenger.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "Option.h"
#include "SnapshotWriter.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <QDate>
#include <QDirIterator>
#include <QFileInfo>

#include <chrono>
#include <csignal>
#include <cstring>
#include <future>
#include <thread>

#include <sys/resource.h>

using namespace quorvel;
using enginetest::RecordingOwner;
using enginetest::UserFolder;

namespace {

// A BGR frame with a recognisable pattern; stride padded like GStreamer's.
struct TestFrame {
    TestFrame(int w, int h)
    {
        frame.width = w;
        frame.height = h;
        frame.stride = (w * 3 + 3) & ~3;
        bytes.assign(std::size_t(frame.stride) * std::size_t(h), 0);
        frame.data = bytes.data();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t *p = frame.row(y) + x * 3;
                p[0] = std::uint8_t(x);        // blue
                p[1] = std::uint8_t(y);        // green
                p[2] = std::uint8_t(x + y);    // red
            }
    }
    std::vector<std::uint8_t> bytes;
    VideoFrame frame;
};

QString recordText(const char16_t *field, int units)
{
    int n = 0;
    while (n < units && field[n])
        ++n;
    return QString::fromUtf16(field, n);
}

std::int32_t int32At(const CameraEventRecord &r, std::size_t offset)
{
    std::int32_t v;
    std::memcpy(&v, reinterpret_cast<const char *>(&r) + offset, 4);
    return v;
}

QString textAt(const CameraEventRecord &r, std::size_t offset, int units)
{
    return recordText(reinterpret_cast<const char16_t *>(reinterpret_cast<const char *>(&r) + offset), units);
}

// Every byte of a text field after its text is zero.
bool zeroPadded(const CameraEventRecord &r, std::size_t offset, int units, int textUnits)
{
    const char *p = reinterpret_cast<const char *>(&r) + offset;
    for (std::size_t i = std::size_t(textUnits) * 2; i < std::size_t(units) * 2; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

} // namespace

TEST(CameraEventRecord, LayoutByteByByteWithTextsThatDoNotFit)
{
    const QString name = QString(50, QChar(u'摄'));   // 40-unit field
    const QString path = QStringLiteral("/p/") + QString(300, QLatin1Char('x'));  // 260-unit field
    const QDateTime when(QDate(2024, 1, 5), QTime(17, 4, 9));
    const CameraEventRecord r = makeCameraEventRecord(4, QStringLiteral("摄像头事件"), QStringLiteral("抓拍成功"),
                                                      name, 3, path, when);
    static_assert(sizeof r == 892);
    EXPECT_EQ(int32At(r, 0), 4);
    EXPECT_EQ(textAt(r, 4, 20), QStringLiteral("摄像头事件"));
    EXPECT_TRUE(zeroPadded(r, 4, 20, 5));
    EXPECT_EQ(textAt(r, 44, 12), QStringLiteral("2024-01-05"));
    EXPECT_TRUE(zeroPadded(r, 44, 12, 10));
    EXPECT_EQ(textAt(r, 68, 10), QStringLiteral("17:04:09"));
    EXPECT_TRUE(zeroPadded(r, 68, 10, 8));
    EXPECT_EQ(textAt(r, 88, 40), name.left(39));
    EXPECT_TRUE(zeroPadded(r, 88, 40, 39));
    EXPECT_EQ(textAt(r, 168, 100), QStringLiteral("抓拍成功"));
    EXPECT_TRUE(zeroPadded(r, 168, 100, 4));
    EXPECT_EQ(int32At(r, 368), 3);
    EXPECT_EQ(textAt(r, 372, 260), path.left(259));
    EXPECT_TRUE(zeroPadded(r, 372, 260, 259));
}

TEST(CameraEventRecord, CutNeverSplitsASurrogatePair)
{
    // 38 units, then a character outside the basic plane (two units).
    const QString name = QString(38, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F4F7");
    const CameraEventRecord r = makeCameraEventRecord(3, {}, {}, name, 0, {}, QDateTime::currentDateTime());
    EXPECT_EQ(textAt(r, 88, 40), QString(38, QLatin1Char('a')));
}

class SnapshotWriterTest : public ::testing::TestWithParam<int> {};

TEST_P(SnapshotWriterTest, JpegAndBitmapKeepSizeAndOrientation)
{
    enginetest::ensureApp();
    const int width = GetParam();
    TestFrame f(width, 48);
    QTemporaryDir dir;
    SnapshotWriter writer;

    const QString jpg = dir.path() + QStringLiteral("/a.jpg");
    ASSERT_TRUE(writer.writeJpeg(f.frame, jpg, 90));
    QFile jf(jpg);
    ASSERT_TRUE(jf.open(QIODevice::ReadOnly));
    const QByteArray jpeg = jf.readAll();
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    ASSERT_EQ(tjDecompressHeader3(tj, reinterpret_cast<const unsigned char *>(jpeg.constData()),
                                  (unsigned long)jpeg.size(), &w, &h, &sub, &cs), 0);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, 48);
    tjDestroy(tj);

    const QString bmp = dir.path() + QStringLiteral("/a.bmp");
    ASSERT_TRUE(writer.writeBmp(f.frame, bmp));
    QFile bf(bmp);
    ASSERT_TRUE(bf.open(QIODevice::ReadOnly));
    const QByteArray b = bf.readAll();
    const int padded = (width * 3 + 3) & ~3;
    ASSERT_EQ(b.size(), 54 + padded * 48);
    EXPECT_EQ(b.left(2), QByteArray("BM"));
    std::int32_t bw, bh;
    std::memcpy(&bw, b.constData() + 18, 4);
    std::memcpy(&bh, b.constData() + 22, 4);
    EXPECT_EQ(bw, width);
    EXPECT_EQ(bh, 48);  // positive: bottom-up
    // The last row of the file is the top row of the picture.
    const char *topRow = b.constData() + 54 + padded * 47;
    EXPECT_EQ(std::memcmp(topRow, f.frame.row(0), std::size_t(width) * 3), 0);
    const char *bottomRow = b.constData() + 54;
    EXPECT_EQ(std::memcmp(bottomRow, f.frame.row(47), std::size_t(width) * 3), 0);
}

// 640 has no row padding, 642 and 321 have.
INSTANTIATE_TEST_SUITE_P(Widths, SnapshotWriterTest, ::testing::Values(640, 642, 321),
                         [](const auto &info) { return "Width" + std::to_string(info.param); });

TEST(SnapshotWriter, UnwritableFolderFails)
{
    TestFrame f(16, 16);
    SnapshotWriter writer;
    QString error;
    EXPECT_FALSE(writer.writeJpeg(f.frame, QStringLiteral("/nonexistent-folder/x/a.jpg"), 90, &error));
    EXPECT_FALSE(error.isEmpty());
}

// The frame callback with its record, options and messenger, frames pushed
// from a thread of their own like a streaming thread.
class FramePath : public ::testing::Test {
protected:
    void SetUp() override
    {
        enginetest::ensureApp();
        reporter = std::make_unique<ScopedLibReporter>(&messages);
        option = std::make_unique<Option>(folder.path() + QStringLiteral("qxCamera.ini"), folder.environment());
        record.load(2, folder.path());
        record.m_ImgDir_root = folder.path() + QStringLiteral("pics");
        record.m_CameraName = QStringLiteral("2#");
        QDir().mkpath(record.m_ImgDir_root);
        messenger = std::make_unique<CameraMessenger>(2, &owner, &owner, 0x1234);
        cb.m_Index = 2;
        cb.m_pRecord = &record;
        cb.m_pOption = option.get();
        cb.m_pMessenger = messenger.get();
        cb.m_hHostWnd = 0x1234;
    }

    // One frame through the callback on another thread, with the UI loop
    // running meanwhile (it delivers the record).
    void pushFrame()
    {
        auto done = std::async(std::launch::async, [this] { cb.BufferCB(0.0, &image.frame); });
        enginetest::waitUntil([&] { return done.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
        done.get();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    QStringList picturesUnder(const QString &root) const
    {
        QStringList out;
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next();
        return out;
    }

    UserFolder folder;
    RecordingLibReporter messages;
    std::unique_ptr<ScopedLibReporter> reporter;
    std::unique_ptr<Option> option;
    CDataClass record;
    RecordingOwner owner;
    std::unique_ptr<CameraMessenger> messenger;
    CSampleGrabberCB cb;
    TestFrame image{64, 48};
};

struct SnapshotCase {
    const char *name;
    int kind;
    int graphFormat;
    bool noCapImageMove;
    int expectType;
    int expectFirstText;
    int expectSecondText;   // 0: empty
    const char *folderSuffix;  // nullptr: no file expected
    const char *extension;
    bool expectNotification;
    bool expectUpload;
};

class SnapshotKinds : public FramePath, public ::testing::WithParamInterface<SnapshotCase> {};

TEST_P(SnapshotKinds, WritesNotifiesAndReports)
{
    const SnapshotCase c = GetParam();
    record.m_GraphFormat = c.graphFormat;
    record.m_NoCapImage_move = c.noCapImageMove;
    record.m_MovePlaySound = false;
    cb.RequestSnapshot(c.kind);
    pushFrame();

    EXPECT_FALSE(cb.m_SnapshotRequested.load());
    EXPECT_EQ(cb.m_SnapshotKind.load(), 0);
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 1; }, 5000));
    const CameraEventRecord r = owner.records().front();
    EXPECT_EQ(r.type, c.expectType);
    EXPECT_EQ(r.cameraIndex, 2);
    EXPECT_EQ(quorvelRecordText(r.cameraName), QStringLiteral("2#"));
    EXPECT_EQ(quorvelRecordText(r.event), option->getText(c.expectFirstText));
    EXPECT_FALSE(quorvelRecordText(r.event).isEmpty());
    EXPECT_EQ(quorvelRecordText(r.detail), c.expectSecondText ? option->getText(c.expectSecondText) : QString());
    EXPECT_EQ(owner.sizes().front(), 892u);

    const QString file = quorvelRecordText(r.file);
    const QStringList written = picturesUnder(record.m_ImgDir_root);
    if (c.folderSuffix) {
        const QString folderName = QStringLiteral("02/") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))
            + QLatin1String(c.folderSuffix) + QLatin1Char('/');
        EXPECT_TRUE(file.startsWith(record.m_ImgDir_root + QLatin1Char('/') + folderName)) << file.toStdString();
        EXPECT_TRUE(file.endsWith(QLatin1String(c.extension)));
        EXPECT_TRUE(QFileInfo::exists(file));
        EXPECT_EQ(written, QStringList{file});
    } else {
        EXPECT_TRUE(file.isEmpty());
        EXPECT_TRUE(written.isEmpty());
    }

    const auto notes = owner.notes();
    if (c.expectNotification) {
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].message, WM_CAMERA_SNAPSHOT);
        EXPECT_EQ(notes[0].wParam, 1u);
        EXPECT_EQ(notes[0].lParam, 0x1234u);
    } else {
        EXPECT_TRUE(notes.empty());
    }
    EXPECT_EQ(cb.m_pUploadQueue.snapshot(), c.expectUpload ? QStringList{file} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotKinds,
    ::testing::Values(
        SnapshotCase{"CaptureJpeg", 5, 0, false, 4, 1, 12, "TimingCapture", ".jpg", false, false},
        SnapshotCase{"CaptureBitmap", 5, 1, false, 4, 1, 12, "TimingCapture", ".bmp", false, false},
        SnapshotCase{"NetworkTest", 4, 0, false, 1, 1, 18, "TimingCapture", ".jpg", true, true},
        SnapshotCase{"Motion", 0, 0, false, 2, 6, 12, "AlarmCapture", ".jpg", true, false},
        SnapshotCase{"MotionWithoutPicture", 0, 0, true, 2, 6, 0, nullptr, "", true, false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FramePath, MotionPictureIsQueuedForUploadWhenUploadIsOn)
{
    record.m_MovePlaySound = false;
    cb.m_UploadOn = 1;
    cb.RequestSnapshot(CSampleGrabberCB::kSnapshotMotion);
    pushFrame();
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 1; }, 5000));
    EXPECT_EQ(cb.m_pUploadQueue.snapshot(), QStringList{quorvelRecordText(owner.records()[0].file)});
}

TEST_F(FramePath, FixedFileNameOverwritesInTheRoot)
{
    record.m_FixedFileName = true;
    record.m_FixedFileNameText = QStringLiteral("door");
    const QString door = record.m_ImgDir_root + QStringLiteral("/door.jpg");
    cb.RequestSnapshot(5);
    pushFrame();
    ASSERT_TRUE(QFileInfo::exists(door));
    const QByteArray first = [&] { QFile f(door); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    // A different picture replaces the first one under the same name.
    std::memset(image.bytes.data(), 0x80, image.bytes.size());
    cb.RequestSnapshot(5);
    pushFrame();
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 2; }, 5000));
    const QByteArray second = [&] { QFile f(door); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_NE(first, second);
    EXPECT_EQ(picturesUnder(record.m_ImgDir_root), QStringList{door});
    EXPECT_EQ(quorvelRecordText(owner.records()[1].file), door);
}

TEST_F(FramePath, FolderThatCannotBeCreatedIsReportedAndFramesGoOn)
{
    // A regular file where the folder should be.
    const QString blocker = folder.path() + QStringLiteral("blocker");
    { QFile f(blocker); f.open(QIODevice::WriteOnly); f.write("x"); }
    record.m_ImgDir_root = blocker;
    cb.RequestSnapshot(5);
    pushFrame();
    EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("Cannot create temp directory.")});
    EXPECT_TRUE(owner.records().empty());
    EXPECT_FALSE(cb.m_Busy);
    EXPECT_EQ(cb.m_FrameCount.load(), 1u);

    // The next request, with a usable folder, is written.
    record.m_ImgDir_root = folder.path() + QStringLiteral("pics");
    cb.RequestSnapshot(5);
    pushFrame();
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 1; }, 5000));
    EXPECT_TRUE(QFileInfo::exists(quorvelRecordText(owner.records()[0].file)));
}

// A file-size limit for one scope, as a full disk would cut a write: the
// writer sees EFBIG instead of being killed by SIGXFSZ. Both are restored, so
// the tests after this one write as usual.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};

struct FailedWriteCase {
    const char *name;
    int graphFormat;
    bool fixedName;  // an earlier picture of the same name exists
};

class FailedSnapshotWrite : public FramePath, public ::testing::WithParamInterface<FailedWriteCase> {};

TEST_P(FailedSnapshotWrite, GivesAnEmptyFileFieldAMessageAndNoCutFile)
{
    const FailedWriteCase c = GetParam();
    record.m_GraphFormat = c.graphFormat;
    // Noise, so that the picture is far larger than the limit in either format.
    TestFrame noise(640, 480);
    std::uint32_t x = 12345;
    for (auto &b : noise.bytes) {
        x = x * 1103515245u + 12345u;
        b = std::uint8_t(x >> 24);
    }
    image = std::move(noise);
    image.frame.data = image.bytes.data();
    const QString earlier = record.m_ImgDir_root + QStringLiteral("/door") + (c.graphFormat ? ".bmp" : ".jpg");
    const QByteArray earlierBytes(3000, 'k');
    if (c.fixedName) {
        record.m_FixedFileName = true;
        record.m_FixedFileNameText = QStringLiteral("door");
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(earlierBytes);
    }
    {
        FileSizeLimit limit(20000);
        ASSERT_TRUE(limit.active());
        cb.RequestSnapshot(CSampleGrabberCB::kSnapshotCapture);
        pushFrame();
    }
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 1; }, 5000));
    const CameraEventRecord r = owner.records().front();
    EXPECT_EQ(r.type, 4);
    EXPECT_TRUE(quorvelRecordText(r.file).isEmpty());
    EXPECT_EQ(quorvelRecordText(r.detail), option->getText(12));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().front().contains(QStringLiteral("Could not save the snapshot")))
        << messages.texts().front().toStdString();
    EXPECT_EQ(messages.messages().front().kind, LibReporter::Kind::Error);
    // Nothing cut and no temporary file left (hidden ones included); an
    // earlier picture of that name is untouched.
    QStringList left;
    QDirIterator it(record.m_ImgDir_root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    if (c.fixedName) {
        EXPECT_EQ(left, QStringList{earlier});
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), earlierBytes);
    } else {
        EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
    }

    // Without the limit the next snapshot is written whole and named.
    cb.RequestSnapshot(CSampleGrabberCB::kSnapshotCapture);
    pushFrame();
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 2; }, 5000));
    const QString file = quorvelRecordText(owner.records()[1].file);
    ASSERT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    if (c.graphFormat == 1) {
        EXPECT_EQ(QFileInfo(file).size(), 54 + 640 * 480 * 3);
    }
    EXPECT_EQ(messages.texts().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedSnapshotWrite,
                         ::testing::Values(FailedWriteCase{"Jpeg", 0, false}, FailedWriteCase{"Bitmap", 1, false},
                                           FailedWriteCase{"JpegOverAnEarlierPicture", 0, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(FramePath, PicturePathThatDoesNotFitTheRecordIsRefusedNamingTheFolder)
{
    // A root of 300 characters, in parts short enough for the file system.
    QString root = folder.path() + QStringLiteral("pics");
    while (root.size() < 300)
        root += QLatin1Char('/') + QString(std::min<qsizetype>(60, 300 - root.size() - 1), QLatin1Char('d'));
    ASSERT_EQ(root.size(), 300);
    ASSERT_TRUE(QDir().mkpath(root));
    record.m_ImgDir_root = root;
    for (int kind : {CSampleGrabberCB::kSnapshotCapture, CSampleGrabberCB::kSnapshotMotion}) {
        record.m_MovePlaySound = false;
        cb.RequestSnapshot(kind);
        pushFrame();
    }
    ASSERT_TRUE(enginetest::waitUntil([&] { return owner.records().size() == 2; }, 5000));
    for (const CameraEventRecord &r : owner.records())
        EXPECT_TRUE(quorvelRecordText(r.file).isEmpty());
    EXPECT_EQ(owner.records()[0].type, 4);
    EXPECT_EQ(owner.records()[1].type, 2);
    // One message for the run of refusals; it names the folder.
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().front().contains(root)) << messages.texts().front().toStdString();
    // Nothing written, no dated folder made.
    EXPECT_TRUE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(cb.m_pUploadQueue.snapshot().isEmpty());
}

TEST_F(FramePath, FrameWithoutDataIsRefused)
{
    EXPECT_EQ(cb.BufferCB(0.0, nullptr), -1);
    EXPECT_EQ(cb.m_FrameCount.load(), 0u);
}

// The handshake: a record sent from a streaming thread waits for the UI
// thread, and a UI thread that stops the camera releases it at once; the
// record itself still arrives, also after the messenger (the camera) is gone.
TEST(CameraMessengerTest, CancelReleasesAWaitingSenderAndTheRecordStillArrives)
{
    enginetest::ensureApp();
    RecordingOwner owner;
    auto messenger = std::make_unique<CameraMessenger>(0, &owner, nullptr, 0);
    const CameraEventRecord r = makeCameraEventRecord(4, {}, {}, {}, 0, QStringLiteral("/a.jpg"),
                                                      QDateTime::currentDateTime());
    auto result = std::async(std::launch::async, [&] {
        return messenger->sendRecord(r, std::chrono::milliseconds(30000));
    });
    // The UI thread does not run its loop (it is busy stopping the camera).
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    messenger->cancelSends();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(result.get(), CameraMessenger::SendResult::Released);
    // While stopped, a send does not wait.
    auto unwaited = std::async(std::launch::async, [&] { return messenger->sendRecord(r); });
    ASSERT_EQ(unwaited.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(unwaited.get(), CameraMessenger::SendResult::Queued);
    messenger.reset();
    EXPECT_TRUE(owner.records().empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(owner.records().size(), 2u);
    EXPECT_EQ(quorvelRecordText(owner.records()[1].file), QStringLiteral("/a.jpg"));
}

TEST(CameraMessengerTest, UiThreadSendsArriveThroughTheLoopAndNotForAGoneOwner)
{
    enginetest::ensureApp();
    auto owner = std::make_unique<RecordingOwner>();
    RecordingOwner *seen = owner.get();
    CameraMessenger messenger(0, owner.get(), nullptr, 0);
    const CameraEventRecord r = makeCameraEventRecord(3, {}, {}, {}, 0, {}, QDateTime::currentDateTime());
    EXPECT_EQ(messenger.sendRecord(r), CameraMessenger::SendResult::Queued);
    EXPECT_TRUE(seen->records().empty());  // not inside the call
    QCoreApplication::processEvents();
    EXPECT_EQ(seen->records().size(), 1u);

    EXPECT_EQ(messenger.sendRecord(r), CameraMessenger::SendResult::Queued);
    owner.reset();  // the host destroys its owner before the loop runs
    QCoreApplication::processEvents();
    EXPECT_EQ(messenger.sendRecord(r), CameraMessenger::SendResult::Dropped);
}

TEST(CameraMessengerTest, DeliveredWhileTheLoopRunsAndBoundedOtherwise)
{
    enginetest::ensureApp();
    RecordingOwner owner;
    CameraMessenger messenger(0, &owner, nullptr, 0);
    const CameraEventRecord r = makeCameraEventRecord(4, {}, {}, {}, 0, {}, QDateTime::currentDateTime());

    auto delivered = std::async(std::launch::async, [&] { return messenger.sendRecord(r); });
    enginetest::waitUntil([&] { return delivered.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
    EXPECT_EQ(delivered.get(), CameraMessenger::SendResult::Delivered);
    EXPECT_EQ(owner.records().size(), 1u);

    // Nobody runs the loop: the sender gives up after its bound; the record
    // still arrives later.
    auto late = std::async(std::launch::async, [&] {
        return messenger.sendRecord(r, std::chrono::milliseconds(50));
    });
    EXPECT_EQ(late.get(), CameraMessenger::SendResult::TimedOut);
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.records().size(), 2u);
}

// A request made while the previous snapshot's record is being handled
// (the host asks again from its record handler) is kept for the next frame,
// with its own kind.
class RequestingOwner : public QObject {
public:
    CSampleGrabberCB *cb = nullptr;
    std::vector<int> types;
    bool event(QEvent *e) override
    {
        if (e->type() != QuorvelCameraEventType)
            return QObject::event(e);
        types.push_back(static_cast<QuorvelCameraEvent *>(e)->record.type);
        if (types.size() == 1)
            cb->RequestSnapshot(CSampleGrabberCB::kSnapshotCapture);
        return true;
    }
};

TEST_F(FramePath, RequestDuringRecordDeliveryIsKeptWithItsKind)
{
    RequestingOwner requesting;
    requesting.cb = &cb;
    messenger->setTargets(&requesting, nullptr, 0x1234);
    record.m_MovePlaySound = false;
    cb.RequestSnapshot(CSampleGrabberCB::kSnapshotMotion);
    pushFrame();
    ASSERT_EQ(requesting.types, std::vector<int>{2});
    EXPECT_TRUE(cb.m_SnapshotRequested.load());
    EXPECT_EQ(cb.m_SnapshotKind.load(), CSampleGrabberCB::kSnapshotCapture);
    pushFrame();
    EXPECT_EQ(requesting.types, (std::vector<int>{2, 4}));
    EXPECT_FALSE(cb.m_SnapshotRequested.load());
    EXPECT_EQ(cb.m_SnapshotKind.load(), 0);
}
