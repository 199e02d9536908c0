// Masking of ID numbers, the snapshot-file rule and the watchlist texts.
#include "DocNumberMask.h"
#include "PrivacyText.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vondrel;

namespace {

struct MaskCase {
    const char *label;
    const char *number;
    const char *masked;
};

class MaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskTest, ShowsTheFirstSixAndTheLastFour)
{
    EXPECT_EQ(maskDocNumber(QString::fromUtf8(GetParam().number)), QString::fromUtf8(GetParam().masked));
}

INSTANTIATE_TEST_SUITE_P(
    Privacy, MaskTest,
    ::testing::Values(MaskCase{"Citizen18", "110105194912310020", "110105********0020"},
                      MaskCase{"CitizenX", "11010519491231002X", "110105********002X"},
                      MaskCase{"Citizen15", "110105491231002", "110105*****1002"},
                      MaskCase{"Eleven", "12345678901", "123456*8901"},
                      MaskCase{"TenKeepsEnds", "E123456789", "E********9"},
                      MaskCase{"Passport9", "G12345678", "G*******8"},
                      MaskCase{"Three", "abc", "a*c"},
                      MaskCase{"Two", "ab", "**"},
                      MaskCase{"Empty", "", ""},
                      MaskCase{"Blanks", "  11010519491231002X ", "110105********002X"},
                      MaskCase{"Chinese", "港澳台居民居住证号码一二三四五六", "港澳台居民居******三四五六"}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(MaskRule, OnlyAdminSeesWholeNumbersWhileTheSwitchIsOn)
{
    EXPECT_TRUE(masksDocNumbersFor(QStringLiteral("张三"), true));
    EXPECT_TRUE(masksDocNumbersFor(QStringLiteral("Admin"), true)) << "another account than admin";
    EXPECT_FALSE(masksDocNumbersFor(QStringLiteral("admin"), true));
    EXPECT_FALSE(masksDocNumbersFor(QStringLiteral("张三"), false));
}

TEST(SnapshotRule, OnlyFilesInTheDatedSnapshotFoldersAreSnapshots)
{
    QTemporaryDir dir;
    const QString base = dir.path() + QStringLiteral("/00/");
    EXPECT_TRUE(isDeskSnapshotFile(base + QStringLiteral("20261210TimingCapture/x.jpg")));
    EXPECT_FALSE(isDeskSnapshotFile(base + QStringLiteral("20261310TimingCapture/x.jpg"))) << "no such date";
    EXPECT_FALSE(isDeskSnapshotFile(base + QStringLiteral("20261210AlarmCapture/x.jpg")));
    EXPECT_FALSE(isDeskSnapshotFile(base + QStringLiteral("x20261210TimingCapture/x.jpg")));
    EXPECT_FALSE(isDeskSnapshotFile(base + QStringLiteral("card/zp.bmp")));
    EXPECT_FALSE(isDeskSnapshotFile(QString()));
}

TEST(WatchWarning, NamesLevelAndNoteAndAsksOnlyForForbidden)
{
    ArrayOfwatchInfo hits;
    hits.push_back(std::make_unique<watchInfo>(
        watchInfo{QString(), QStringLiteral("11010519491231002X"), QStringLiteral("李四"), kWatchForbidden,
                  QStringLiteral("曾闹事")}));
    const QString asking = watchWarningText(hits, true);
    EXPECT_TRUE(asking.contains(QStringLiteral("李四（11010519491231002X）")));
    EXPECT_TRUE(asking.contains(QStringLiteral("级别：禁止进入")));
    EXPECT_TRUE(asking.contains(QStringLiteral("备注：曾闹事")));
    EXPECT_TRUE(asking.contains(QStringLiteral("确实要仍然登记吗")));
    EXPECT_FALSE(watchWarningText(hits, false).contains(QStringLiteral("确实要")));
    hits[0]->level = kWatchEscort;
    EXPECT_FALSE(anyForbidden(hits));
    EXPECT_TRUE(watchWarningText(hits, true).contains(QStringLiteral("请安排陪同")));
}

} // namespace
