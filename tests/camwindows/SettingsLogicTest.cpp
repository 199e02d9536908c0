// The rules behind the camera settings windows, without any window.
#include "CAutoFont.h"
#include "MediaPanelRules.h"
#include "ParamName.h"
#include "SettingsLogic.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

using namespace quorvel;

namespace {

struct MoveCase {
    const char *name;
    QPoint at;
    Arrow arrow;
    int step;
    QPoint expected;
};

class OverlayMove : public testing::TestWithParam<MoveCase> {};

// Frame 640 x 480, text 100 x 20.
TEST_P(OverlayMove, StepsAndKeepsTheTextInsideTheFrame)
{
    const MoveCase &c = GetParam();
    EXPECT_EQ(movedOverlay(c.at, c.arrow, c.step, {640, 480}, {100, 20}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlayMove,
                         testing::Values(MoveCase{"LeftByTwoAtOneGivesZero", {1, 50}, Arrow::Left, 2, {0, 50}},
                                         MoveCase{"RightAtTheEdgeStays", {540, 50}, Arrow::Right, 2, {540, 50}},
                                         MoveCase{"RightNearTheEdgeStopsAtIt", {539, 50}, Arrow::Right, 5, {540, 50}},
                                         MoveCase{"UpAtTopStays", {10, 0}, Arrow::Up, 2, {10, 0}},
                                         MoveCase{"DownAtBottomStays", {10, 460}, Arrow::Down, 2, {10, 460}},
                                         MoveCase{"DownInside", {10, 100}, Arrow::Down, 7, {10, 107}},
                                         MoveCase{"StepZeroStillClamps", {900, 900}, Arrow::Up, 0, {540, 460}},
                                         MoveCase{"FarOutsideComesBack", {-5000, 99999}, Arrow::Right, 2, {0, 460}}),
                         [](const auto &info) { return vq::test::paramName(info.param.name); });

TEST(OverlayMove, TextWiderThanTheFrameSitsAtZero)
{
    EXPECT_EQ(movedOverlay({30, 30}, Arrow::Right, 2, {640, 480}, {800, 600}), QPoint(0, 0));
}

TEST(RegionLoad, ClampsEachAxisThatLeavesTheFrame)
{
    MoveRect r{5000, 10, 9000, 100};
    clampRegionOnLoad(r, {640, 480});
    EXPECT_EQ(r, (MoveRect{0, 10, 639, 100}));
    MoveRect r2{10, 600, 100, 700};
    clampRegionOnLoad(r2, {640, 480});
    EXPECT_EQ(r2, (MoveRect{10, 0, 100, 479}));
    MoveRect inside{20, 20, 640, 480};  // edges on the border stay
    clampRegionOnLoad(inside, {640, 480});
    EXPECT_EQ(inside, (MoveRect{20, 20, 640, 480}));
}

TEST(RegionEditor, CursorsNearEdgesAndInside)
{
    const MoveRect r{100, 100, 200, 200};
    using C = RegionEditor::Cursor;
    EXPECT_EQ(RegionEditor::cursorAt({97, 150}, r), C::SizeHorizontal);
    EXPECT_EQ(RegionEditor::cursorAt({96, 150}, r), C::Normal);
    EXPECT_EQ(RegionEditor::cursorAt({203, 10}, r), C::SizeHorizontal);  // the x value alone counts
    EXPECT_EQ(RegionEditor::cursorAt({150, 103}, r), C::SizeVertical);
    EXPECT_EQ(RegionEditor::cursorAt({150, 197}, r), C::SizeVertical);
    EXPECT_EQ(RegionEditor::cursorAt({150, 150}, r), C::Move);
    EXPECT_EQ(RegionEditor::cursorAt({300, 300}, r), C::Normal);
}

struct DragCase {
    const char *name;
    MoveRect region;
    QPoint press;
    QPoint to;
    MoveRect expected;
};

class RegionDrag : public testing::TestWithParam<DragCase> {};

TEST_P(RegionDrag, FollowsTheRulesOfEdgesAndMoves)
{
    const DragCase &c = GetParam();
    MoveRect r = c.region;
    RegionEditor editor;
    editor.press(c.press, RegionEditor::cursorAt(c.press, r), r);
    editor.drag(c.to, r, {640, 480});
    editor.release();
    EXPECT_EQ(r, c.expected);
    EXPECT_FALSE(editor.dragging());
    EXPECT_EQ(editor.edge(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionDrag,
    testing::Values(
        DragCase{"NarrowLeftEdgeBy15Refused", {100, 100, 130, 200}, {100, 150}, {115, 150}, {100, 100, 130, 200}},
        DragCase{"LeftEdgeBy9Taken", {100, 100, 130, 200}, {100, 150}, {109, 150}, {109, 100, 130, 200}},
        DragCase{"RightEdgeOutOfFrameRefused", {100, 100, 600, 200}, {600, 150}, {640, 150}, {100, 100, 600, 200}},
        DragCase{"TopEdgeUp", {100, 100, 200, 200}, {150, 100}, {150, 60}, {100, 60, 200, 200}},
        DragCase{"BottomEdgeDown", {100, 100, 200, 200}, {150, 200}, {150, 260}, {100, 100, 200, 260}},
        DragCase{"BottomTooCloseToTopRefused", {100, 100, 200, 200}, {150, 200}, {150, 119}, {100, 100, 200, 200}},
        DragCase{"MoveWhole", {100, 100, 200, 200}, {150, 150}, {170, 130}, {120, 80, 220, 180}},
        DragCase{"MoveToLeftZeroRefusedEntirely", {10, 100, 110, 200}, {60, 150}, {50, 140}, {10, 100, 110, 200}},
        DragCase{"MoveBottomOutMovesHorizontallyOnly", {100, 400, 200, 470}, {150, 430}, {170, 450},
                 {120, 400, 220, 470}},
        DragCase{"MoveRightToWidthRefused", {500, 100, 600, 200}, {550, 150}, {590, 150}, {500, 100, 600, 200}},
        DragCase{"PressOutsideDoesNothing", {100, 100, 200, 200}, {300, 300}, {350, 350}, {100, 100, 200, 200}}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });

TEST(RegionEditor, PositionIsKeptBetweenMoves)
{
    MoveRect r{100, 100, 200, 200};
    RegionEditor editor;
    editor.press({150, 150}, RegionEditor::Cursor::Move, r);
    editor.drag({160, 150}, r, {640, 480});
    editor.drag({170, 150}, r, {640, 480});
    EXPECT_EQ(r, (MoveRect{120, 100, 220, 200}));
}

TEST(RegionEditor, MouseToVideoPixels)
{
    EXPECT_EQ(RegionEditor::toVideo({50, 75}, {320, 240}, {640, 480}), QPoint(100, 150));
    EXPECT_EQ(RegionEditor::toVideo({50, 75}, {640, 480}, {640, 480}), QPoint(50, 75));
    // A preview larger than the frame still maps onto the frame.
    EXPECT_EQ(RegionEditor::toVideo({400, 300}, {800, 600}, {640, 480}), QPoint(320, 240));
    EXPECT_EQ(RegionEditor::toVideo({5, 5}, {0, 0}, {640, 480}), QPoint(0, 0));
}

struct InputCase {
    const char *name;
    std::vector<ScheduleEntry> existing;
    RecordInputValues values;
    RecordInputResult expected;
};

RecordInputValues daily(QTime start, QTime end)
{
    RecordInputValues v;
    v.start = start;
    v.end = end;
    return v;
}

class RecordInput : public testing::TestWithParam<InputCase> {};

TEST_P(RecordInput, StartBeforeEndAndNoOverlap)
{
    const InputCase &c = GetParam();
    ScheduleEntry entry;
    EXPECT_EQ(checkRecordInput(c.values, c.existing, entry), c.expected);
    if (c.expected != RecordInputResult::Accepted) {
        EXPECT_TRUE(entry.kindText().isEmpty());
    }
}

const std::vector<ScheduleEntry> kEightToNine{ScheduleEntry::make("0", "", "08:00:00", "09:00:00")};

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordInput,
    testing::Values(
        InputCase{"TouchingEndRefused", kEightToNine, daily({9, 0, 0}, {10, 0, 0}), RecordInputResult::Overlaps},
        InputCase{"OneSecondLaterAccepted", kEightToNine, daily({9, 0, 1}, {10, 0, 0}), RecordInputResult::Accepted},
        InputCase{"SurroundingRefused", kEightToNine, daily({7, 0, 0}, {10, 0, 0}), RecordInputResult::Overlaps},
        InputCase{"InsideRefused", kEightToNine, daily({8, 10, 0}, {8, 20, 0}), RecordInputResult::Overlaps},
        InputCase{"TouchingStartRefused", kEightToNine, daily({7, 0, 0}, {8, 0, 0}), RecordInputResult::Overlaps},
        InputCase{"BeforeAccepted", kEightToNine, daily({7, 0, 0}, {7, 59, 59}), RecordInputResult::Accepted},
        InputCase{"EqualTimes", {}, daily({12, 0, 0}, {12, 0, 0}), RecordInputResult::StartNotBeforeEnd},
        InputCase{"EqualTimesBeforeOverlap", kEightToNine, daily({8, 30, 0}, {8, 30, 0}),
                  RecordInputResult::StartNotBeforeEnd},
        InputCase{"EndBeforeStart", {}, daily({13, 0, 0}, {12, 0, 0}), RecordInputResult::StartNotBeforeEnd},
        InputCase{"WeeklyAgainstDaily",
                  {ScheduleEntry::make("0", "", "08:30:00", "08:45:00")},
                  RecordInputValues{1, 3, {}, {8, 0, 0}, {9, 0, 0}},
                  RecordInputResult::Overlaps},
        InputCase{"UnreadableExistingSkipped",
                  {ScheduleEntry::make("0", "", "garbage", "09:00:00")},
                  daily({8, 0, 0}, {9, 0, 0}),
                  RecordInputResult::Accepted}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });

TEST(RecordInput, FillsKindDayAndTimes)
{
    ScheduleEntry entry;
    ASSERT_EQ(checkRecordInput({2, 0, {2024, 3, 5}, {8, 0, 0, 600}, {9, 30, 15}}, {}, entry),
              RecordInputResult::Accepted);
    EXPECT_EQ(entry.kindText(), "2");
    EXPECT_EQ(entry.dayText(), "2024-03-05");
    EXPECT_EQ(entry.startText(), "08:00:00");
    EXPECT_EQ(entry.endText(), "09:30:15");
    ASSERT_EQ(checkRecordInput({1, 6, {2024, 3, 5}, {20, 0, 0}, {23, 0, 0}}, {}, entry), RecordInputResult::Accepted);
    EXPECT_EQ(entry.kindText(), "1");
    EXPECT_EQ(entry.dayText(), "6");
    EXPECT_EQ(entry.endText(), "23:00:00");
    ASSERT_EQ(checkRecordInput({0, 6, {2024, 3, 5}, {0, 0, 0}, {23, 59, 59}}, {}, entry), RecordInputResult::Accepted);
    EXPECT_EQ(entry.kindText(), "0");
    EXPECT_EQ(entry.dayText(), "");
}

TEST(ScheduleRows, KindAndDayTextsWithLanguageAndDefaults)
{
    const TextLookup none;
    const TextLookup lang = [](int id) { return id == 477 ? QStringLiteral("Weekly") : QString(); };
    EXPECT_EQ(scheduleRowTexts(ScheduleEntry::make("0", "", "08:00:00", "09:00:00"), none),
              (QStringList{"每天", "", "08:00:00", "09:00:00"}));
    EXPECT_EQ(scheduleRowTexts(ScheduleEntry::make("1", "3", "08:00:00", "09:00:00"), lang),
              (QStringList{"Weekly", "星期三", "08:00:00", "09:00:00"}));
    EXPECT_EQ(scheduleRowTexts(ScheduleEntry::make("2", "2024-03-05", "a", "b"), none),
              (QStringList{"指定", "2024-03-05", "a", "b"}));
    // Damaged entries are shown as stored.
    EXPECT_EQ(scheduleRowTexts(ScheduleEntry::make("9", "x", "", ""), none), (QStringList{"9", "", "", ""}));
    EXPECT_EQ(scheduleRowTexts(ScheduleEntry::make("1", "8", "", ""), none), (QStringList{"每周", "8", "", ""}));
}

TEST(SoundChoice, NameInsideTheMediaFolderPathElsewhere)
{
    EXPECT_EQ(soundChoice("/opt/media/Bell.wav", "/opt/media/"), "Bell.wav");
    EXPECT_EQ(soundChoice("/opt/MEDIA/Bell.wav", "/opt/media"), "Bell.wav");
    EXPECT_EQ(soundChoice("/opt/media/sub/Bell.wav", "/opt/media/"), "/opt/media/sub/Bell.wav");
    EXPECT_EQ(soundChoice("/home/a/Bell.wav", "/opt/media/"), "/home/a/Bell.wav");
    EXPECT_EQ(soundChoice("/home/a/Bell.wav", ""), "/home/a/Bell.wav");
}

class FontRecord : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QGuiApplication::instance()) {
            static int argc = 1;
            static char name[] = "camwindows_logic_test";
            static char *argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }
};

TEST_F(FontRecord, ReadBackAsTheSameFaceSizeAndWeight)
{
    const QStringList families = QFontDatabase::families();
    ASSERT_FALSE(families.isEmpty());
    const QString face = families.contains("WenQuanYi Zen Hei") ? QStringLiteral("WenQuanYi Zen Hei") : families.front();
    for (const int weight : {int(QFont::Normal), int(QFont::Bold)}) {
        QFont chosen(face);
        chosen.setPointSize(18);  // as a font dialog gives it: in points
        chosen.setWeight(QFont::Weight(weight));
        chosen.setItalic(weight == QFont::Bold);
        const LogFont record = logFontFor(chosen);
        EXPECT_EQ(record.faceName(), face);
        EXPECT_LT(record.lfHeight, 0);
        EXPECT_EQ(record.lfWeight, weight);
        const QFont drawn = CAutoFont::fontFor(record);
        const QFontInfo chosenInfo(chosen), drawnInfo(drawn);
        EXPECT_EQ(drawnInfo.family(), chosenInfo.family());
        EXPECT_EQ(drawnInfo.pixelSize(), chosenInfo.pixelSize());
        EXPECT_EQ(drawnInfo.weight(), chosenInfo.weight());
        EXPECT_EQ(drawnInfo.italic(), chosenInfo.italic());
    }
}

TEST_F(FontRecord, HugeFontIsCutToTheLargestDrawnSize)
{
    QFont f("Sans");
    f.setPixelSize(5000);
    EXPECT_EQ(logFontFor(f).lfHeight, -CAutoFont::kMaxPixelSize);
}

} // namespace

// --- The storage, FTP and broadcast panels' rules ----------------------------

TEST(MediaPanelRules, FolderPathOfATreeNodeFromTheRootDown)
{
    EXPECT_EQ(ftpFolderPath({QStringLiteral("/")}), QStringLiteral("/"));
    EXPECT_EQ(ftpFolderPath({QStringLiteral("/"), QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("/a/b/"));
    EXPECT_EQ(ftpFolderPath({QStringLiteral("/"), QStringLiteral("门卫 照片")}), QStringLiteral("/门卫 照片/"));
}

TEST(MediaPanelRules, BroadcastPortTexts)
{
    struct Case {
        const char *text;
        std::optional<int> port;
    };
    for (const Case c : {Case{"8080", 8080}, Case{" 21 ", 21}, Case{"1", 1}, Case{"65535", 65535},
                         Case{"0", std::nullopt}, Case{"65536", std::nullopt}, Case{"", std::nullopt},
                         Case{"80a", std::nullopt}, Case{"-80", std::nullopt}, Case{"99999999999", std::nullopt}})
        EXPECT_EQ(readPortNumber(QString::fromLatin1(c.text)), c.port) << c.text;
}

TEST(MediaPanelRules, RecommendedEntryLocksTheListOnlyAfterTheFirst)
{
    const QStringList names{QStringLiteral("MPEG Layer-3"), QStringLiteral("lame")};
    EXPECT_EQ(recommendedChoice(names, QStringLiteral("lame")).index, 1);
    EXPECT_TRUE(recommendedChoice(names, QStringLiteral("lame")).lockList);
    EXPECT_FALSE(recommendedChoice(names, QStringLiteral("MPEG Layer-3")).lockList);
    EXPECT_EQ(recommendedChoice(names, QString()).index, -1);
    EXPECT_FALSE(recommendedChoice({}, QString()).lockList);
    EXPECT_EQ(storedSnapInterval(0), 3);
    EXPECT_EQ(storedUploadInterval(-5), 3);
    EXPECT_EQ(storedUploadBatch(0), 1);
    EXPECT_EQ(storedUploadBatch(30), 30);
}
