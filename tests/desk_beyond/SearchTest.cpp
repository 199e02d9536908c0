// The visit search over a real store: bound LIKE patterns, escaped wildcards.
#include "BeyondSupport.h"

#include "Reporter.h"
#include "Store.h"
#include "VisitSearch.h"

#include <QTemporaryDir>

#include <memory>

using namespace vondrel;
using namespace vondrel::beyond;

namespace {

const QString kLong = QString(999, u'长') + u8("尾");

class SearchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        dm = new TDataModule1(dir->path());
        ASSERT_TRUE(dm->isOpen()) << dm->openError().toStdString();
        auto add = [](const char *key, const char *name, const char *entry, const char *doc, const char *phone,
                      const QString &unit, const char *visitee, const char *leave = "") {
            visitInfo v = makeVisit(name, entry, leave);
            v.docNumber = u8(doc);
            v.phone = u8(phone);
            v.workUnit = unit;
            v.visitee = u8(visitee);
            v.remark = u8(key); // the key the cases name
            ASSERT_FALSE(saveVisit(v).isEmpty());
        };
        add("A", "张三", "2026-03-01 09:00:00", "11010819800502001X", "01062345678", u8("北京ABC科技"), "王主任");
        add("B", "O'Brien", "2026-03-02 10:00:00", "G12345678", "13800000000", u8("100% Pure_Water\\Co"), "李四");
        add("C", "李雷", "2026-02-20 08:00:00", "110101199001020011", "13900000000", u8("某公司"), "韩梅梅",
            "2026-02-20 09:00:00");
        add("D", "赵六", "2026-03-02 11:00:00", "110101199001020022", "13700000000", kLong, "周七");
        add("E", "Zed", "2026-03-03 00:00:00", "110101199001020033", "13600000000", u8("次日公司"), "王主任");
    }
    static void TearDownTestSuite()
    {
        delete dm;
        delete dir;
    }
    static QString keys(const VisitFilter &f)
    {
        const VisitQuery q = visitListQuery(f);
        QString out;
        for (const auto &v : listVisits(q.condition, q.params))
            out += v->remark;
        return out;
    }
    void SetUp() override { ASSERT_NE(dm, nullptr); }
    void TearDown() override { EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(u'\n').toStdString(); }

    static QTemporaryDir *dir;
    static TDataModule1 *dm;
    RecordingReporter reporter;
    ScopedReporter scoped{&reporter};
};
QTemporaryDir *SearchTest::dir = nullptr;
TDataModule1 *SearchTest::dm = nullptr;

struct SearchCase {
    const char *label;
    QString text;
    bool allDates;
    const char *found; // keys in entry-time order
};

class Search : public SearchTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(Search, FindsWhatTheTextLiterallySays)
{
    VisitFilter f;
    f.from = QDate(2026, 3, 1);
    f.to = QDate(2026, 3, 2);
    f.allDates = GetParam().allDates;
    f.search = GetParam().text;
    EXPECT_EQ(keys(f), QString::fromUtf8(GetParam().found));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Search,
    ::testing::Values(
        SearchCase{"Name", u8("张三"), false, "A"},
        SearchCase{"PartOfName", u8("Bri"), false, "B"},
        SearchCase{"LatinCaseIgnored", u8("o'brien"), false, "B"},
        SearchCase{"IdCheckLetterLowerCase", u8("001x"), false, "A"},
        SearchCase{"PhoneLeadingZero", u8("0106"), false, "A"},
        SearchCase{"WorkUnit", u8("abc"), false, "A"},
        SearchCase{"Visitee", u8("王主任"), false, "A"},
        SearchCase{"VisiteeAllDates", u8("王主任"), true, "AE"},
        SearchCase{"OutsideRange", u8("李雷"), false, ""},
        SearchCase{"AllDates", u8("李"), true, "CB"},
        SearchCase{"Quote", u8("'"), false, "B"},
        SearchCase{"DoubleQuote", u8("\""), true, ""},
        SearchCase{"Percent", u8("%"), true, "B"},
        SearchCase{"PercentInside", u8("100% P"), false, "B"},
        SearchCase{"PercentIsNoWildcard", u8("e%W"), true, ""},
        SearchCase{"Underscore", u8("_"), true, "B"},
        SearchCase{"UnderscoreIsNoWildcard", u8("Pure_W"), true, "B"},
        SearchCase{"UnderscoreMatchesNoOtherChar", u8("Pur_"), true, ""},
        SearchCase{"Backslash", u8("\\"), true, "B"},
        SearchCase{"BackslashAndMore", u8("Water\\Co"), true, "B"},
        SearchCase{"SqlInjection", u8("' or 1=1 --"), true, ""},
        SearchCase{"ThousandCharacters", kLong, false, "D"},
        SearchCase{"ThousandCharactersOneDifferent", QString(999, u'长') + u8("头"), true, ""},
        SearchCase{"Miss", u8("nobody"), true, ""},
        SearchCase{"BlankIsNoSearch", u8("   "), false, "ABD"},
        SearchCase{"Trimmed", u8("  张三 "), false, "A"}),
    [](const ::testing::TestParamInfo<SearchCase> &info) { return std::string(info.param.label); });

TEST_F(SearchTest, ReasonAndSearchTogether)
{
    VisitFilter f;
    f.allDates = true;
    f.search = u8("王主任");
    f.reason = u8("访友");
    EXPECT_EQ(keys(f), u8("AE"));
    f.reason = u8("探亲");
    EXPECT_EQ(keys(f), QString());
}

TEST_F(SearchTest, RangeWithoutSearchIsTheDatedList)
{
    VisitFilter f;
    f.from = QDate(2026, 3, 2);
    f.to = QDate(2026, 3, 2);
    EXPECT_EQ(keys(f), u8("BD")) << "midnight of the next day is not listed";
    f.to = QDate(2026, 3, 3);
    EXPECT_EQ(keys(f), u8("BDE"));
}

TEST_F(SearchTest, InsideNowIsEveryOpenVisitOfAnyDay)
{
    const VisitQuery q = insideNowQuery();
    QString found;
    for (const auto &v : listVisits(q.condition, q.params))
        found += v->remark;
    EXPECT_EQ(found, u8("ABDE"));
}

TEST(LikePattern, EscapesWildcardsAndTheEscape)
{
    EXPECT_EQ(likeContainsPattern(u8("a%b_c\\d'e")), u8("%a\\%b\\_c\\\\d'e%"));
    EXPECT_EQ(likeContainsPattern(QString()), u8("%%"));
}

} // namespace
