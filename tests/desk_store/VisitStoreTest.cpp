#include "StoreFixture.h"

using namespace vondrel;

namespace {

visitInfo sampleVisit(const QString &name, const QString &entryTime)
{
    visitInfo v;
    v.name = name;
    v.sex = QStringLiteral("男");
    v.birthDate = QStringLiteral("1980-01-02");
    v.visitee = QStringLiteral("李主任");
    v.docType = QStringLiteral("身份证");
    v.docNumber = QStringLiteral("110101198001020011");
    v.phone = QStringLiteral("13800000000");
    v.address = QStringLiteral("北京市\r\n东城区");
    v.remark = QStringLiteral("第一行\n第二行");
    v.entryTime = entryTime;
    v.guardOnDuty = QStringLiteral("admin");
    v.reason = QStringLiteral("访友");
    v.workUnit = QStringLiteral("某公司");
    v.companions = 2;
    return v;
}

void expectSameVisit(const visitInfo &a, const visitInfo &b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.sex, b.sex);
    EXPECT_EQ(a.birthDate, b.birthDate);
    EXPECT_EQ(a.visitee, b.visitee);
    EXPECT_EQ(a.docType, b.docType);
    EXPECT_EQ(a.docNumber, b.docNumber);
    EXPECT_EQ(a.phone, b.phone);
    EXPECT_EQ(a.address, b.address);
    EXPECT_EQ(a.remark, b.remark);
    EXPECT_EQ(a.entryTime, b.entryTime);
    EXPECT_EQ(a.leaveTime, b.leaveTime);
    EXPECT_EQ(a.visitState, b.visitState);
    EXPECT_EQ(a.guardOnDuty, b.guardOnDuty);
    EXPECT_EQ(a.reason, b.reason);
    EXPECT_EQ(a.workUnit, b.workUnit);
    EXPECT_EQ(a.companions, b.companions);
}

} // namespace

TEST_F(StoreTest, SaveWithEmptyKeyInsertsThenUpdatesTheSameRow)
{
    visitInfo v = sampleVisit(QStringLiteral("王五"), QStringLiteral("2011-03-05 08:07:09"));
    const QString key = saveVisit(v);
    ASSERT_EQ(key.size(), 38);
    EXPECT_TRUE(key.startsWith(QLatin1Char('{')) && key.endsWith(QLatin1Char('}')));
    EXPECT_EQ(v.id, key);

    v.leaveTime = QStringLiteral("2011-03-05 09:00:00");
    v.companions = 0;
    EXPECT_EQ(saveVisit(v), key);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from MJVisiter")).toInt(), 1);

    auto list = listVisits(QStringLiteral(" where ID=?"), {key});
    ASSERT_EQ(list.size(), 1u);
    expectSameVisit(*list[0], v);
    EXPECT_EQ(scalar(QStringLiteral("select 随行人数 from MJVisiter")).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select typeof(访问状态) from MJVisiter")).toString(), QStringLiteral("text"));
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, UnknownKeyInsertsUnderANewKey)
{
    visitInfo v = sampleVisit(QStringLiteral("赵六"), QStringLiteral("2011-03-05 08:07:09"));
    const QString unknown = QStringLiteral("{00000000-0000-0000-0000-000000000000}");
    v.id = unknown;
    const QString key = saveVisit(v);
    ASSERT_FALSE(key.isEmpty());
    EXPECT_NE(key, unknown);
    EXPECT_EQ(v.id, key);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from MJVisiter where ID=?"), {unknown}).toInt(), 0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from MJVisiter where ID=?"), {key}).toInt(), 1);
}

TEST_F(StoreTest, EmptyTextsAreStoredAsEmptyStringsNotNulls)
{
    visitInfo v; // every text empty, companions 0
    v.name = QStringLiteral("只有姓名");
    ASSERT_FALSE(saveVisit(v).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select typeof(注销时间) from MJVisiter")).toString(), QStringLiteral("text"));
    EXPECT_EQ(scalar(QStringLiteral("select 注销时间 from MJVisiter")).toString(), QString());
    EXPECT_EQ(scalar(QStringLiteral("select typeof(随行人数) from MJVisiter")).toString(), QStringLiteral("integer"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from MJVisiter where 访问状态=''")).toInt(), 1);
}

TEST_F(StoreTest, ListingIsOrderedByEntryTimeAndFiltersByBoundCondition)
{
    const QStringList times = {"2011-03-06 10:00:00", "2011-03-05 23:59:59", "2011-03-07 00:00:00",
                               "2011-03-05 00:00:01", "2011-03-06 09:00:00"};
    for (int i = 0; i < times.size(); ++i) {
        visitInfo v = sampleVisit(QStringLiteral("访客%1").arg(i), times[i]);
        v.reason = i % 2 ? QStringLiteral("探亲") : QStringLiteral("访友");
        ASSERT_FALSE(saveVisit(v).isEmpty());
    }
    auto all = listVisits(QString());
    ASSERT_EQ(all.size(), 5u);
    for (size_t i = 1; i < all.size(); ++i)
        EXPECT_LT(all[i - 1]->entryTime, all[i]->entryTime);
    // Texts repeated or changing from row to row come back as saved.
    for (const auto &v : all) {
        const int i = v->name.mid(2).toInt();
        EXPECT_EQ(v->reason, i % 2 ? QStringLiteral("探亲") : QStringLiteral("访友")) << i;
        EXPECT_EQ(v->entryTime, times[i]);
        EXPECT_EQ(v->sex, QStringLiteral("男"));
    }

    // The visit list's date range: the first day through the second.
    auto range = listVisits(QStringLiteral(" where (登记时间 between ? and ?)"),
                            {QStringLiteral("2011-03-05"), QStringLiteral("2011-03-07")});
    ASSERT_EQ(range.size(), 4u);
    EXPECT_EQ(range.front()->entryTime, QStringLiteral("2011-03-05 00:00:01"));
    EXPECT_EQ(range.back()->entryTime, QStringLiteral("2011-03-06 10:00:00"));

    auto reason = listVisits(QStringLiteral("where 来访事由=?"), {QStringLiteral("探亲")});
    EXPECT_EQ(reason.size(), 2u);
    // A condition written as text still works.
    EXPECT_EQ(listVisits(QStringLiteral(" where 来访事由='访友'")).size(), 3u);
    EXPECT_TRUE(reporter.messages.isEmpty());
}

TEST_F(StoreTest, QuotesAndOddTextsInEveryFieldRoundTrip)
{
    const QString odd = QStringLiteral("O'Brien \"x\" '); drop table MJVisiter; -- %_ \\ ' 引号'");
    visitInfo v = sampleVisit(odd, QStringLiteral("2011-03-05 08:07:09"));
    QString *fields[] = {&v.name, &v.sex, &v.birthDate, &v.visitee, &v.docType, &v.docNumber, &v.phone,
                         &v.address, &v.remark, &v.leaveTime, &v.visitState, &v.guardOnDuty, &v.reason,
                         &v.workUnit};
    int n = 0;
    for (QString *f : fields)
        *f = odd + QString::number(n++);
    ASSERT_FALSE(saveVisit(v).isEmpty());
    auto first = listVisits(QStringLiteral("where ID=?"), {v.id});
    ASSERT_EQ(first.size(), 1u);
    expectSameVisit(*first[0], v);

    // The update path too.
    for (QString *f : fields)
        *f += QStringLiteral("'");
    ASSERT_EQ(saveVisit(v), v.id);
    auto second = listVisits(QStringLiteral("where ID=?"), {v.id});
    ASSERT_EQ(second.size(), 1u);
    expectSameVisit(*second[0], v);
    EXPECT_TRUE(reporter.messages.isEmpty()) << reporter.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(StoreTest, UnreadableRowIsReportedAndSkipped)
{
    visitInfo a = sampleVisit(QStringLiteral("甲"), QStringLiteral("2011-03-05 08:00:00"));
    visitInfo b = sampleVisit(QStringLiteral("乙"), QStringLiteral("2011-03-05 09:00:00"));
    visitInfo c = sampleVisit(QStringLiteral("丙"), QStringLiteral("2011-03-05 10:00:00"));
    ASSERT_FALSE(saveVisit(a).isEmpty());
    ASSERT_FALSE(saveVisit(b).isEmpty());
    ASSERT_FALSE(saveVisit(c).isEmpty());
    ASSERT_TRUE(execSQL(QStringLiteral("update MJVisiter set 随行人数=NULL where ID=?"), {b.id}));
    ASSERT_TRUE(execSQL(QStringLiteral("update MJVisiter set 姓名=NULL where ID=?"), {c.id}));

    auto list = listVisits(QString());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->name, QStringLiteral("甲"));
    EXPECT_EQ(list[1]->name, QString()) << "a null text reads as empty";
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(b.id));
}

TEST_F(StoreTest, ListingWithABrokenConditionReportsAndIsEmpty)
{
    visitInfo v = sampleVisit(QStringLiteral("甲"), QStringLiteral("2011-03-05 08:00:00"));
    ASSERT_FALSE(saveVisit(v).isEmpty());
    EXPECT_TRUE(listVisits(QStringLiteral("where nosuchcolumn=1")).empty());
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages[0].text.contains(QStringLiteral("nosuchcolumn")));
    // A second statement hidden in the condition is refused, not run.
    EXPECT_TRUE(listVisits(QStringLiteral("where 1=1; delete from MJVisiter")).empty());
    EXPECT_EQ(reporter.messages.size(), 2);
    // Wrong number of values for the placeholders.
    EXPECT_TRUE(listVisits(QStringLiteral("where ID=?")).empty());
    EXPECT_EQ(reporter.messages.size(), 3);
    EXPECT_EQ(listVisits(QString()).size(), 1u);
}

TEST_F(StoreTest, ReadVisitRowReadsTheCurrentRow)
{
    visitInfo v = sampleVisit(QStringLiteral("甲"), QStringLiteral("2011-03-05 08:00:00"));
    ASSERT_FALSE(saveVisit(v).isEmpty());
    QSqlQuery q(dm->ADOConnection_update());
    ASSERT_TRUE(q.exec(QStringLiteral("select * from MJVisiter")));
    EXPECT_FALSE(readVisitRow(q)) << "no current row yet";
    ASSERT_TRUE(q.next());
    auto r = readVisitRow(q);
    ASSERT_TRUE(r);
    expectSameVisit(*r, v);
}
