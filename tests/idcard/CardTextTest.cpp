// Decoding of the reader's text record, the nationality table, the citizen
// number check, the card folder and the clean-up of the card files.
#include "CardFolder.h"
#include "CardTestSupport.h"
#include "CardText.h"
#include "CitizenNumber.h"
#include "ParamName.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vondrel;
using cardtest::CardFields;
using cardtest::cardRecord;

namespace {

// Test names for CTest: ASCII letters and digits only.
std::string utf8(const char16_t *s)
{
    std::string out = "v";
    for (QChar c : QString::fromUtf16(s))
        out += (c.unicode() < 0x80 && c.isLetterOrNumber()) ? char(c.unicode()) : '_';
    return out;
}

ICR decoded(const QByteArray &bytes, bool *ok = nullptr)
{
    ICR r;
    const bool result = decodeCardRecord(bytes, r);
    if (ok)
        *ok = result;
    return r;
}

TEST(CardRecord, FullRecordGivesEveryField)
{
    bool ok = false;
    const ICR r = decoded(cardRecord(CardFields{}), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(r.name, QStringLiteral("张伟"));
    EXPECT_EQ(r.sex, QStringLiteral("男"));
    EXPECT_EQ(r.nation, QStringLiteral("汉"));
    EXPECT_EQ(r.birthDate, QStringLiteral("1980-05-02"));
    EXPECT_EQ(r.birthDateText, QStringLiteral("1980年05月02日"));
    EXPECT_EQ(r.address, QStringLiteral("北京市海淀区中关村南大街27号"));
    EXPECT_EQ(r.idNumber, QStringLiteral("110108198005020018"));
    EXPECT_EQ(r.issuer, QStringLiteral("北京市公安局海淀分局"));
    EXPECT_EQ(r.validity, QStringLiteral("2011.08.09-2031.08.09"));
}

TEST(CardRecord, NulPaddingAndSpacePaddingDecodeAlike)
{
    EXPECT_EQ(decoded(cardRecord(CardFields{}, u'\0')), decoded(cardRecord(CardFields{}, u' ')));
}

struct SexCase;
struct SexCase { const char16_t *code; const char16_t *expected; };
void PrintTo(const SexCase &c, std::ostream *os) { *os << utf8(c.code); }
class SexCode : public ::testing::TestWithParam<SexCase> {};
TEST_P(SexCode, MapsToText)
{
    CardFields f;
    f.sex = QString::fromUtf16(GetParam().code);
    EXPECT_EQ(decoded(cardRecord(f)).sex, QString::fromUtf16(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Codes, SexCode, ::testing::Values(
    SexCase{u"0", u"未知"}, SexCase{u"1", u"男"}, SexCase{u"2", u"女"},
    SexCase{u"9", u"未说明"}, SexCase{u"", u"未说明"}, SexCase{u" ", u"未说明"}),
    [](const auto &info) { return "Code" + vq::test::paramName(utf8(info.param.code)); });

struct NationCase;
struct NationCase { const char16_t *code; const char16_t *expected; };
void PrintTo(const NationCase &c, std::ostream *os) { *os << utf8(c.code); }
class NationCode : public ::testing::TestWithParam<NationCase> {};
TEST_P(NationCode, MapsToName)
{
    CardFields f;
    f.nation = QString::fromUtf16(GetParam().code);
    bool ok = false;
    const ICR r = decoded(cardRecord(f), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(r.nation, QString::fromUtf16(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Codes, NationCode, ::testing::Values(
    NationCase{u"01", u"汉"}, NationCase{u"02", u"蒙古"}, NationCase{u"05", u"维吾尔"},
    NationCase{u"29", u"柯尔克孜"}, NationCase{u"43", u"乌孜别克"}, NationCase{u"55", u"珞巴"},
    NationCase{u"56", u"基诺"}, NationCase{u"00", u"其他"}, NationCase{u"57", u"其他"},
    NationCase{u"97", u"其他"}, NationCase{u"98", u"其他"}, NationCase{u"", u"其他"},
    NationCase{u"  ", u"其他"}, NationCase{u"1", u"汉"}),
    [](const auto &info) { return "Code" + vq::test::paramName(utf8(info.param.code)); });

TEST(NationName, TableHoldsFiftySixDistinctNamesInCodeOrder)
{
    QSet<QString> names;
    for (int code = 1; code <= 56; ++code) {
        bool ok = false;
        const QString n = nationName(QString::number(code), &ok);
        EXPECT_TRUE(ok);
        EXPECT_NE(n, QStringLiteral("其他")) << code;
        EXPECT_FALSE(n.endsWith(QStringLiteral("族"))) << code;
        names.insert(n);
    }
    EXPECT_EQ(names.size(), 56);
    EXPECT_EQ(nationName(QStringLiteral("03")), QStringLiteral("回"));
    EXPECT_EQ(nationName(QStringLiteral("04")), QStringLiteral("藏"));
    EXPECT_EQ(nationName(QStringLiteral("08")), QStringLiteral("壮"));
    EXPECT_EQ(nationName(QStringLiteral("44")), QStringLiteral("俄罗斯"));
}

TEST(NationName, NonDecimalCodeFails)
{
    for (const QString &code : {QStringLiteral("A1"), QStringLiteral("$1"), QStringLiteral("-"),
                                QStringLiteral("1 2"), QStringLiteral("０１")}) {
        bool ok = true;
        EXPECT_TRUE(nationName(code, &ok).isEmpty()) << code.toStdString();
        EXPECT_FALSE(ok) << code.toStdString();
    }
    bool ok = false;
    EXPECT_EQ(nationName(QStringLiteral("99999999999999999999"), &ok), QStringLiteral("其他"));
    EXPECT_TRUE(ok);
}

TEST(CardRecord, NonDecimalNationEndsDecodingKeepingEarlierFields)
{
    ICR r;
    r.address = QStringLiteral("旧地址");
    r.birthDate = QStringLiteral("1970-01-01");
    CardFields f;
    f.nation = QStringLiteral("X1");
    EXPECT_FALSE(decodeCardRecord(cardRecord(f), r));
    EXPECT_EQ(r.name, QStringLiteral("张伟"));
    EXPECT_EQ(r.sex, QStringLiteral("男"));
    EXPECT_EQ(r.address, QStringLiteral("旧地址"));
    EXPECT_EQ(r.birthDate, QStringLiteral("1970-01-01"));
}

struct ValidityCase;
struct ValidityCase { const char16_t *from; const char16_t *to; const char16_t *expected; };
void PrintTo(const ValidityCase &c, std::ostream *os) { *os << utf8(c.from) + "_" + utf8(c.to); }
class Validity : public ::testing::TestWithParam<ValidityCase> {};
TEST_P(Validity, ComposedFromBothSlots)
{
    CardFields f;
    f.validFrom = QString::fromUtf16(GetParam().from);
    f.validTo = QString::fromUtf16(GetParam().to);
    EXPECT_EQ(decoded(cardRecord(f)).validity, QString::fromUtf16(GetParam().expected));
}
INSTANTIATE_TEST_SUITE_P(Cases, Validity, ::testing::Values(
    ValidityCase{u"20110809", u"长期", u"2011.08.09-长期"},
    ValidityCase{u"20050101", u"20250101", u"2005.01.01-2025.01.01"},
    ValidityCase{u"20050101", u"长期有效", u"2005.01.01-长期有效"}),
    [](const auto &info) {
        // The end slot holds a date or the words for "no end".
        const std::string to = utf8(info.param.to);
        const std::string end = to == utf8(u"长期") ? "LongTerm" : to == utf8(u"长期有效") ? "LongTermValid" : to;
        return utf8(info.param.from) + "_To" + end;
    });

struct BirthCase;
struct BirthCase { const char16_t *slot; const char16_t *date; const char16_t *text; };
void PrintTo(const BirthCase &c, std::ostream *os) { *os << utf8(c.slot); }
class Birth : public ::testing::TestWithParam<BirthCase> {};
TEST_P(Birth, GivesDateAndText)
{
    CardFields f;
    f.birth = QString::fromUtf16(GetParam().slot);
    const ICR r = decoded(cardRecord(f, u'\0'));
    EXPECT_EQ(r.birthDate, QString::fromUtf16(GetParam().date));
    EXPECT_EQ(r.birthDateText, QString::fromUtf16(GetParam().text));
}
INSTANTIATE_TEST_SUITE_P(Cases, Birth, ::testing::Values(
    BirthCase{u"19800502", u"1980-05-02", u"1980年05月02日"},
    BirthCase{u"20001231", u"2000-12-31", u"2000年12月31日"},
    BirthCase{u"198005", u"1980-05-", u"1980年05月日"}),
    [](const auto &info) { return "Slot" + vq::test::paramName(utf8(info.param.slot)); });

TEST(CardRecord, NameFillingAllFifteenUnitsIsReadWhole)
{
    CardFields f;
    f.name = QStringLiteral("阿卜杜热合曼·买买提依明江");
    ASSERT_EQ(f.name.size(), 13);
    f.name += QStringLiteral("甲乙");
    ASSERT_EQ(f.name.size(), 15);
    f.sex = QStringLiteral("2");
    EXPECT_EQ(decoded(cardRecord(f)).name, f.name);
    EXPECT_EQ(decoded(cardRecord(f)).sex, QStringLiteral("女"));
}

TEST(CardRecord, SurroundingBlanksAreTrimmed)
{
    CardFields f;
    f.name = QStringLiteral(" 李娜  ");
    f.address = QStringLiteral("\t上海市 浦东新区 ");
    const ICR r = decoded(cardRecord(f, u' '));
    EXPECT_EQ(r.name, QStringLiteral("李娜"));
    EXPECT_EQ(r.address, QStringLiteral("上海市 浦东新区"));
}

TEST(CardRecord, CharactersOutsideCodePage936AreKept)
{
    CardFields f;
    // U+4DAE is in GB 18030 but not in code page 936; U+20BB7 needs a
    // surrogate pair.
    f.name = QString::fromUtf16(u"王\u4DAE\U00020BB7");
    f.address = QString::fromUtf16(u"云南省\U00020BB7村");
    const ICR r = decoded(cardRecord(f));
    EXPECT_EQ(r.name, f.name);
    EXPECT_EQ(r.address, f.address);
}

TEST(CardRecord, RecordCutAt100BytesKeepsWholeSlotsOnly)
{
    ICR r;
    r.address = QStringLiteral("旧地址");
    r.validity = QStringLiteral("旧");
    const QByteArray full = cardRecord(CardFields{});
    ASSERT_TRUE(decodeCardRecord(full.left(100), r));
    EXPECT_EQ(r.name, QStringLiteral("张伟"));
    EXPECT_EQ(r.sex, QStringLiteral("男"));
    EXPECT_EQ(r.nation, QStringLiteral("汉"));
    EXPECT_EQ(r.birthDate, QStringLiteral("1980-05-02"));
    EXPECT_TRUE(r.address.isEmpty());
    EXPECT_TRUE(r.idNumber.isEmpty());
    EXPECT_TRUE(r.issuer.isEmpty());
    EXPECT_TRUE(r.validity.isEmpty());
}

TEST(CardRecord, EveryShortLengthDecodesWithoutReadingPastTheEnd)
{
    const QByteArray full = cardRecord(CardFields{});
    const ICR whole = decoded(full);
    for (int n = 0; n <= 256; ++n) {
        // A detached copy of exactly n bytes, so a read past the end is seen
        // by the address sanitizer.
        const QByteArray cut(full.constData(), n);
        bool ok = false;
        const ICR r = decoded(cut, &ok);
        ASSERT_TRUE(ok) << n;
        EXPECT_EQ(r.name, n >= 30 ? whole.name : QString()) << n;
        EXPECT_EQ(r.idNumber, n >= 158 ? whole.idNumber : QString()) << n;
        EXPECT_EQ(r.validity, n >= 220 ? whole.validity : QString()) << n;
    }
}

TEST(CardRecord, DisplayTextRunsToFirstNulOrEnd)
{
    CardFields f;
    const QByteArray spaced = cardRecord(f, u' ');
    EXPECT_EQ(cardDisplayText(spaced).size(), 128);
    EXPECT_TRUE(cardDisplayText(spaced).startsWith(QStringLiteral("张伟 ")));
    EXPECT_EQ(cardDisplayText(cardRecord(f, u'\0')), QStringLiteral("张伟"));
    EXPECT_EQ(cardDisplayText(spaced.left(5)), QStringLiteral("张伟"));
    EXPECT_EQ(cardDisplayText(QByteArray()), QString());
}

TEST(CitizenNumber, CheckCharacter)
{
    struct Case { const char *number; CitizenNumberCheck expected; };
    const Case cases[] = {
        {"110108198005020018", CitizenNumberCheck::Valid},
        {"11010519491231002X", CitizenNumberCheck::Valid},
        {"11010519491231002x", CitizenNumberCheck::Valid},
        {"440524188001010014", CitizenNumberCheck::Valid},
        {"110108198005020019", CitizenNumberCheck::WrongCheck},
        {"11010819800502001X", CitizenNumberCheck::WrongCheck},
        {"110108198005020081", CitizenNumberCheck::WrongCheck},
        {"11010819800502001", CitizenNumberCheck::Malformed},
        {"1101081980050200188", CitizenNumberCheck::Malformed},
        {"11010819800502001Y", CitizenNumberCheck::Malformed},
        {"1101081980A5020018", CitizenNumberCheck::Malformed},
        {"", CitizenNumberCheck::Malformed},
    };
    for (const Case &c : cases)
        EXPECT_EQ(checkCitizenNumber(QString::fromLatin1(c.number)), c.expected) << c.number;
    EXPECT_EQ(citizenNumberCheckChar(QStringLiteral("11010519491231002")), u'X');
}

class CardFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        saved = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(saved); }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    QString saved;
};

TEST_F(CardFiles, DecodeReadsWzTxtFromTheFolder)
{
    ICR r;
    r.name = QStringLiteral("旧");
    QString display = QStringLiteral("x");
    EXPECT_FALSE(decodeCardText(dir.path(), r, &display));
    EXPECT_EQ(r.name, QStringLiteral("旧"));

    ASSERT_TRUE(cardtest::writeBytes(path("wz.txt"), cardRecord(CardFields{})));
    EXPECT_TRUE(decodeCardText(dir.path() + u'/', r, &display));
    EXPECT_EQ(r.name, QStringLiteral("张伟"));
    EXPECT_EQ(display.size(), 128);
}

TEST_F(CardFiles, DecodeWithoutFolderUsesTheWorkingDirectory)
{
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ASSERT_TRUE(cardtest::writeBytes(path("wz.txt"), cardRecord(CardFields{})));
    ICR r;
    EXPECT_TRUE(decodeCardText(r));
    EXPECT_EQ(r.idNumber, QStringLiteral("110108198005020018"));
}

TEST_F(CardFiles, ClearDeletesTheThreeFilesOnly)
{
    for (const char *n : {"wz.txt", "zp.bmp", "xp.wlt", "other.bmp"})
        ASSERT_TRUE(cardtest::writeBytes(path(n), "x"));
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    clearCardFiles();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("other.bmp")});
    clearCardFiles(); // nothing left to delete: no failure
    clearCardFiles(dir.path() + QStringLiteral("/missing"));
}

TEST_F(CardFiles, ClearRecordKeepsBirthDate)
{
    ICR r = decoded(cardRecord(CardFields{}));
    clearCardRecord(r);
    ICR expected;
    expected.birthDate = QStringLiteral("1980-05-02");
    EXPECT_EQ(r, expected);
}

TEST_F(CardFiles, CardFolderIsMadeAndEntered)
{
    const QString data = dir.path() + QStringLiteral("/Vondrel Files/");
    EXPECT_EQ(cardFolder(data), data + QStringLiteral("card/"));
    EXPECT_EQ(cardFolder(dir.path() + QStringLiteral("/Vondrel Files")), data + QStringLiteral("card/"));
    QString error;
    ASSERT_TRUE(enterCardFolder(data, &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
              QFileInfo(data + QStringLiteral("card")).canonicalFilePath());
    EXPECT_TRUE(cardFilesFolder().endsWith(QStringLiteral("/card/")));
    EXPECT_TRUE(cardPhotoPath().isEmpty());
    ASSERT_TRUE(cardtest::writeBytes(QStringLiteral("zp.bmp"), "BM"));
    EXPECT_EQ(cardPhotoPath(), cardFilesFolder() + QStringLiteral("zp.bmp"));
}

TEST_F(CardFiles, CardFolderThatCannotBeMadeIsReported)
{
    ASSERT_TRUE(cardtest::writeBytes(path("plainfile"), "x"));
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString before = QDir::currentPath();
    QString error;
    EXPECT_FALSE(enterCardFolder(path("plainfile"), &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("不能建立读卡文件夹"))) << error.toStdString();
    EXPECT_EQ(QDir::currentPath(), before);
}

} // namespace
