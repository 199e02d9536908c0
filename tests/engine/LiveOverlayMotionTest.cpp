// The overlays and motion detection on a live camera showing the test
// picture (a white ball moving over black): a snapshot carries the name and
// the time, and the ball crossing a small region gives motion records.
#include "CAutoFont.h"
#include "CDataClass.h"
#include "CSampleGrabberCB.h"
#include "CameraLibrary.h"
#include "EngineTestSupport.h"
#include "LibReporter.h"
#include "TextMask.h"
#include "UsbCamera.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>

using namespace quorvel;
using enginetest::RecordingOwner;
using enginetest::UserFolder;
using enginetest::waitUntil;

namespace {

constexpr std::uintptr_t kHostId = 0x5150;

std::vector<CameraEventRecord> recordsOfType(const RecordingOwner &owner, int type)
{
    std::vector<CameraEventRecord> out;
    for (const auto &r : owner.records())
        if (r.type == type)
            out.push_back(r);
    return out;
}

bool isRed(QRgb c)
{
    return qRed(c) == 255 && qGreen(c) == 0 && qBlue(c) == 0;
}

} // namespace

TEST(LiveOverlayMotion, SnapshotShowsNameAndTimeAndTheBallTriggersMotion)
{
    RecordingLibReporter messages;
    ScopedLibReporter scoped(&messages);
    UserFolder folder({QStringLiteral("testsrc")});
    {
        // Camera 0's stored record: motion on over a small region that the
        // ball crosses in its first second, the time shown, bitmaps.
        CDataClass stored;
        stored.load(0, folder.path());
        stored.m_CameraName = QStringLiteral("Gate 0");
        stored.m_ShowTime = 1;
        stored.m_TimeFormat = 1;
        stored.m_MoveCheck = true;
        stored.m_MoveRect = {450, 370, 460, 380};
        stored.m_CapVideo_move = true;
        stored.m_MovePlaySound = false;
        stored.m_GraphFormat = 1;
        ASSERT_TRUE(stored.save());
    }
    CameraLibrary lib;
    ASSERT_EQ(lib.Init(folder.environment()), 1);
    RecordingOwner owner;
    lib.open(&owner, &owner, kHostId, nullptr, 0);
    UsbCamera *cam = lib.camera(0);
    ASSERT_NE(cam, nullptr);

    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(owner, QuorvelEvent_MotionSnapshot).empty(); }, 15000));
    const QString alarm = quorvelRecordText(recordsOfType(owner, QuorvelEvent_MotionSnapshot).front().file);
    EXPECT_TRUE(alarm.contains(QStringLiteral("AlarmCapture/"))) << alarm.toStdString();
    EXPECT_TRUE(QFileInfo::exists(alarm));
    EXPECT_TRUE(waitUntil([&] {
        for (const auto &n : owner.notes())
            if (n.message == WM_CAMERA_MOTIONRECORD && n.wParam == 1 && n.lParam == kHostId)
                return true;
        return false;
    }));
    EXPECT_GE(cam->Data().m_MoveCount, 1);

    lib.Capture(0);
    ASSERT_TRUE(waitUntil([&] { return !recordsOfType(owner, QuorvelEvent_CaptureSnapshot).empty(); }));
    const QString file = quorvelRecordText(recordsOfType(owner, QuorvelEvent_CaptureSnapshot).front().file);
    QImage picture(file);
    ASSERT_FALSE(picture.isNull()) << file.toStdString();
    ASSERT_EQ(picture.size(), QSize(640, 480));

    // The name at (0, 0): exactly its mask's text pixels are red.
    TextMask name;
    CAutoFont font;
    font.Create(cam->Data().m_NameFont);
    ASSERT_TRUE(renderTextMask(QStringLiteral("Gate 0"), &font, name));
    int nameRed = 0;
    for (int y = 0; y < name.height && y < 20; ++y)
        for (int x = 0; x < name.width; ++x) {
            EXPECT_EQ(isRed(picture.pixel(x, y)), name.isTextPixel(x, y)) << x << "," << y;
            nameRed += name.isTextPixel(x, y);
        }
    EXPECT_GT(nameRed, 0);
    // The time from row 20 on, as wide as its layout's text.
    int timeRed = 0, rightmost = 0;
    for (int y = 20; y < 20 + name.height; ++y)
        for (int x = 0; x < 640; ++x)
            if (isRed(picture.pixel(x, y))) {
                ++timeRed;
                rightmost = std::max(rightmost, x);
            }
    EXPECT_GT(timeRed, 0);
    TextMask timeText;
    ASSERT_TRUE(renderTextMask(QStringLiteral("2024/01/04/Thur.:14:03:09"), &font, timeText));
    EXPECT_GT(rightmost, timeText.width / 2);
    EXPECT_LT(rightmost, timeText.width + 20);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join(QLatin1Char('|')).toStdString();
    lib.release();
}
