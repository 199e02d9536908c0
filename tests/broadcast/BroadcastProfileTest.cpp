// The stream values a broadcast takes from the camera's data record.
#include "BroadcastProfile.h"

#include <gtest/gtest.h>

using quorvel::BroadcastProfile;

namespace {

struct ProfileCase {
    const char *name;
    int size, fps, bitRateK;
    int width, height, framesPerSecond;
    std::int64_t bitRate, avgTimePerFrame;
    bool replaced;
};

class ProfileTable : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(ProfileTable, RecordValuesGiveTheStreamValues)
{
    const ProfileCase &c = GetParam();
    QString note;
    const BroadcastProfile p = BroadcastProfile::fromRecord(c.size, c.fps, c.bitRateK, false, &note);
    EXPECT_EQ(p.width, c.width);
    EXPECT_EQ(p.height, c.height);
    EXPECT_EQ(p.fps, c.framesPerSecond);
    EXPECT_EQ(p.bitRate, c.bitRate);
    EXPECT_EQ(p.avgTimePerFrame, c.avgTimePerFrame);
    EXPECT_EQ(!note.isEmpty(), c.replaced) << note.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Broadcast, ProfileTable,
    ::testing::Values(
        ProfileCase{"Default29fps1335k", 4, 29, 1335, 640, 480, 30, 1367040, 333333, false},
        ProfileCase{"Smallest1fps", 0, 0, 1, 176, 144, 1, 1024, 10000000, false},
        ProfileCase{"Size2Seven", 2, 6, 100, 352, 240, 7, 102400, 1428571, false},
        ProfileCase{"Size5", 5, 24, 500, 704, 400, 25, 512000, 400000, false},
        ProfileCase{"Largest", 7, 14, 3000, 1024, 768, 15, 3072000, 666666, false},
        ProfileCase{"SizeAboveList", 8, 29, 1335, 176, 144, 30, 1367040, 333333, true},
        ProfileCase{"SizeNegative", -1, 29, 1335, 176, 144, 30, 1367040, 333333, true},
        ProfileCase{"RateAboveList", 1, 30, 1335, 320, 240, 5, 1367040, 2000000, true},
        ProfileCase{"RateNegative", 1, -3, 1335, 320, 240, 5, 1367040, 2000000, true},
        ProfileCase{"BitRateZero", 3, 9, 0, 480, 360, 10, 1367040, 1000000, true},
        ProfileCase{"BitRateHuge", 6, 9, 2000000000, 800, 600, 10, 1367040, 1000000, true}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
