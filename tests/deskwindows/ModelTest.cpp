// The visit list's rows: stay texts, bad times, sorting by column tags.
#include "DeskDateTime.h"
#include "VisitListModel.h"

#include <gtest/gtest.h>

using namespace vondrel;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

std::unique_ptr<visitInfo> visit(const char *name, const char *entry, const char *leave)
{
    auto v = std::make_unique<visitInfo>();
    v->name = u(name);
    v->entryTime = u(entry);
    v->leaveTime = u(leave);
    return v;
}

QStringList column(const VisitListModel &m, int c)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.cellText(r, c);
    return out;
}

class VisitListModelTest : public ::testing::Test {
protected:
    void fill(std::initializer_list<std::array<const char *, 3>> rows)
    {
        ArrayOfvisitInfo visits;
        for (const auto &r : rows)
            visits.push_back(visit(r[0], r[1], r[2]));
        model.appendVisits(std::move(visits), *parseDeskDateTime(u("2024-03-01 12:00:00")));
    }
    VisitListModel model;
};

TEST_F(VisitListModelTest, BadTimeGivesEmptyStayAndLaterRowsStay)
{
    fill({{"a", "2024-03-01 08:00:00", "2024-03-01 08:59:00"},
          {"b", "not a time", ""},
          {"c", "2024-03-01 08:00:00", "2024-03-01 09:00:00"},
          {"d", "2024-03-01 11:00:00", ""}});
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(column(model, 8), QStringList({u("59分"), u(""), u("01小时00分"), u("01小时00分")}));
    EXPECT_EQ(model.data(model.index(0, 8), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(model.headerData(8, Qt::Horizontal).toString(), u("停留时间"));
}

TEST_F(VisitListModelTest, ColumnClicksToggleEachColumnOnItsOwn)
{
    fill({{"b", "2024-03-01 9:00:00", ""}, {"C", "2024-03-01 10:00:00", ""}, {"a", "2024-03-01 08:00:00", ""}});
    model.columnClick(0);
    EXPECT_EQ(model.sortColumn(), 0);
    EXPECT_EQ(model.columnTag(0), 0);
    EXPECT_EQ(column(model, 0), QStringList({"C", "b", "a"})); // first click: descending
    model.columnClick(0);
    EXPECT_EQ(model.columnTag(0), 1);
    EXPECT_EQ(column(model, 0), QStringList({"a", "b", "C"}));
    // Entry times sort by the parsed time ("9:00" before "10:00"), first
    // descending; column 0 keeps its own direction.
    model.columnClick(6);
    EXPECT_EQ(model.columnTag(6), 32);
    EXPECT_EQ(column(model, 0), QStringList({"C", "b", "a"}));
    model.columnClick(6);
    EXPECT_EQ(column(model, 0), QStringList({"a", "b", "C"}));
    EXPECT_EQ(model.columnTag(0), 1);
}

TEST_F(VisitListModelTest, StayColumnSortLeavesOrderAlone)
{
    fill({{"x", "2024-03-01 08:00:00", "2024-03-01 08:30:00"},
          {"y", "2024-03-01 08:00:00", "2024-03-02 08:30:00"},
          {"z", "2024-03-01 08:00:00", "2024-03-01 10:30:00"}});
    model.columnClick(8);
    EXPECT_EQ(column(model, 0), QStringList({"x", "y", "z"}));
    model.columnClick(8);
    EXPECT_EQ(column(model, 0), QStringList({"x", "y", "z"}));
}

TEST_F(VisitListModelTest, ChineseNamesSortInCodePageOrder)
{
    fill({{"张三", "2024-03-01 08:00:00", ""}, {"李四", "2024-03-01 08:00:00", ""}, {"王五", "2024-03-01 08:00:00", ""}});
    model.columnClick(0);
    model.columnClick(0); // ascending
    // GBK order (by pinyin): 李 li, 王 wang, 张 zhang.
    EXPECT_EQ(column(model, 0), QStringList({u("李四"), u("王五"), u("张三")}));
}

TEST_F(VisitListModelTest, ClearFreesRows)
{
    fill({{"a", "2024-03-01 08:00:00", ""}});
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.visitAt(0), nullptr);
}

} // namespace
