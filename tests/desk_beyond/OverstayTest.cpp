// The overstay rule and its option text.
#include "BeyondSupport.h"

#include "DeskDateTime.h"
#include "Overstay.h"
#include "VisitListModel.h"

#include <QBrush>

using namespace vondrel;
using namespace vondrel::beyond;

namespace {

qint64 at(const char *text) { return *parseDeskDateTime(u8(text)); }

struct OverstayCase {
    const char *label;
    const char *entry;
    const char *leave;
    const char *now;
    int hours;
    bool overstaying;
};

class Overstay : public ::testing::TestWithParam<OverstayCase> {};

TEST_P(Overstay, AtTheHourBoundary)
{
    const OverstayCase &c = GetParam();
    const visitInfo v = makeVisit("张三", c.entry, c.leave);
    EXPECT_EQ(isOverstaying(v, at(c.now), c.hours), c.overstaying);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Overstay,
    ::testing::Values(
        OverstayCase{"OneSecondBefore", "2026-03-01 08:00:00", "", "2026-03-01 15:59:59", 8, false},
        OverstayCase{"AtTheHour", "2026-03-01 08:00:00", "", "2026-03-01 16:00:00", 8, true},
        OverstayCase{"OverMidnight", "2026-03-01 20:00:00", "", "2026-03-02 04:00:00", 8, true},
        OverstayCase{"Left", "2026-03-01 08:00:00", "2026-03-01 09:00:00", "2026-03-05 08:00:00", 8, false},
        OverstayCase{"Off", "2026-03-01 08:00:00", "", "2026-03-09 08:00:00", 0, false},
        OverstayCase{"OneHour", "2026-03-01 08:00:00", "", "2026-03-01 09:00:00", 1, true},
        OverstayCase{"BadEntry", "sometime", "", "2026-03-09 08:00:00", 8, false},
        OverstayCase{"EntryInTheFuture", "2026-03-02 08:00:00", "", "2026-03-01 08:00:00", 8, false}),
    [](const ::testing::TestParamInfo<OverstayCase> &info) { return std::string(info.param.label); });

TEST(OverstayHours, FromOptionText)
{
    struct Case { const char *text; int hours; };
    for (const Case &c : std::vector<Case>{{"8", 8}, {"0", 0}, {"", 8}, {"abc", 8}, {" 12h", 12},
                                           {"-3", 0}, {"+5", 5}, {"99999999999", kMaxOverstayHours}})
        EXPECT_EQ(overstayHoursFromText(u8(c.text)), c.hours) << c.text;
}

TEST(OverstayModel, ColoursAndCountsTheOverstayingRows)
{
    VisitListModel model;
    ArrayOfvisitInfo visits;
    visits.push_back(std::make_unique<visitInfo>(makeVisit("早", "2026-03-01 07:00:00")));
    visits.push_back(std::make_unique<visitInfo>(makeVisit("晚", "2026-03-01 09:00:00")));
    visits.push_back(std::make_unique<visitInfo>(makeVisit("走", "2026-03-01 06:00:00", "2026-03-01 07:00:00")));
    model.setOverstayHours(8);
    model.appendVisits(std::move(visits), at("2026-03-01 15:00:00"));
    EXPECT_EQ(model.overstayCount(), 1);
    EXPECT_TRUE(model.data(model.index(0, 3), Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.data(model.index(0, 3), Qt::BackgroundRole).value<QBrush>().color(), overstayBackground());
    EXPECT_FALSE(model.data(model.index(1, 3), Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model.data(model.index(2, 3), Qt::BackgroundRole).isValid());
    model.setOverstayHours(0);
    EXPECT_EQ(model.overstayCount(), 0);
    EXPECT_FALSE(model.data(model.index(0, 3), Qt::BackgroundRole).isValid());
}

} // namespace

#include "Option.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The two keys of the list (overstay hours, export type) join the desk
// options only once changed, so a first run keeps its seven keys.
TEST(ListOptions, WrittenOnlyOnceChangedAndReadBack)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Vondrel.ini"));
    {
        vondrel::Option o(ini);
        EXPECT_EQ(o.overstayHours, u8("8"));
        EXPECT_EQ(o.exportFileType, u8("xls"));
    }
    EXPECT_FALSE(fileBytes(ini).contains("overstayHours"));
    EXPECT_FALSE(fileBytes(ini).contains("exportFileType"));
    {
        vondrel::Option o(ini);
        o.overstayHours = u8("0");
        o.exportFileType = u8("xlsx");
    }
    EXPECT_TRUE(fileBytes(ini).endsWith("title=人员出入登记软件\noverstayHours=0\nexportFileType=xlsx\n"))
        << fileBytes(ini).toStdString();
    {
        vondrel::Option o(ini);
        EXPECT_EQ(o.overstayHours, u8("0"));
        EXPECT_EQ(o.exportFileType, u8("xlsx"));
        o.overstayHours = u8("8"); // back to the default: still written, the key is there
    }
    EXPECT_TRUE(fileBytes(ini).contains("overstayHours=8\n"));
}

} // namespace
