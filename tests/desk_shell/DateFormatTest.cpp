#include "DateFormat.h"
#include "ParamName.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>

using namespace vondrel;

TEST(DateFormat, WritesTheStoredForms)
{
    initDateFormat();
    EXPECT_EQ(shortDateFormat(), QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(dateToStr(QDate(2011, 3, 5)), QStringLiteral("2011-03-05"));
    EXPECT_EQ(dateTimeToStr(QDateTime(QDate(2011, 3, 5), QTime(8, 7, 9))), QStringLiteral("2011-03-05 08:07:09"));
}

struct ParseCase {
    const char *text;
    QDateTime expected; // invalid: must not parse
};

class DateTimeParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(DateTimeParse, ParsesLeniently)
{
    const ParseCase c = GetParam();
    const QDateTime got = strToDateTime(QString::fromUtf8(c.text));
    EXPECT_EQ(got.isValid(), c.expected.isValid()) << c.text;
    if (c.expected.isValid()) {
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, DateTimeParse, ::testing::Values(
    ParseCase{"2011-03-05 08:07:09", QDateTime(QDate(2011, 3, 5), QTime(8, 7, 9))},
    ParseCase{" 2011-3-5 8:07 ", QDateTime(QDate(2011, 3, 5), QTime(8, 7, 0))},
    ParseCase{"2011-03-05", QDateTime(QDate(2011, 3, 5), QTime(0, 0, 0))},
    ParseCase{"2011-02-30 10:00:00", QDateTime()},
    ParseCase{"2011-03-05 25:00:00", QDateTime()},
    ParseCase{"05/03/2011", QDateTime()},
    ParseCase{"", QDateTime()},
    ParseCase{"2011-03-05 08:07:09 junk", QDateTime()}),
    [](const auto &info) { return vq::test::paramName(info.param.text); });

TEST(DateFormat, ParsesDates)
{
    EXPECT_EQ(strToDate(QStringLiteral("1980-1-2")), QDate(1980, 1, 2));
    EXPECT_FALSE(strToDate(QStringLiteral("1980-13-02")).isValid());
    EXPECT_FALSE(strToDate(QStringLiteral("abc")).isValid());
}

#include "AppTitle.h"

TEST(AppTitle, IsTheProgramNameUntilSet)
{
    EXPECT_EQ(vondrel::applicationTitle(), QCoreApplication::applicationName());
    vondrel::setApplicationTitle(QStringLiteral("岚拓人员出入登记软件"));
    EXPECT_EQ(vondrel::applicationTitle(), QStringLiteral("岚拓人员出入登记软件"));
    vondrel::setApplicationTitle(QString());
}
