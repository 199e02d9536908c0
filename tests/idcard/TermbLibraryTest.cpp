// Loading the reader library by name and driving the simulated reader.
#include "CardTestSupport.h"
#include "CardText.h"
#include "TermbLibrary.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <gtest/gtest.h>

using namespace vondrel;

namespace {

const QString kStandIn = QStringLiteral(TERMB_STANDIN_PATH);
const QString kIncomplete = QStringLiteral(TERMB_INCOMPLETE_PATH);

bool standInLoaded()
{
    void *h = dlopen(TERMB_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

class Termb : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        saved = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(saved);
        qunsetenv("TERMB_STANDIN_CONFIG");
    }
    QString useReader(const cardtest::ReaderConfig &c) { return log = cardtest::useReader(dir.path(), c); }
    QStringList calls() const { return cardtest::readLog(log); }

    QTemporaryDir dir;
    QString saved;
    QString log;
};

struct PortCase {
    int port;
    QStringList expectedCalls;
};
void PrintTo(const PortCase &c, std::ostream *os) { *os << "port" << c.port; }
class PortScan : public Termb, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortScan, SerialPortsFirstThenUsb)
{
    cardtest::ReaderConfig c;
    c.port = GetParam().port;
    useReader(c);
    TermbLibrary lib(kStandIn);
    ASSERT_TRUE(lib.isUsable()) << lib.loadError().toStdString();
    EXPECT_EQ(lib.findPort(), GetParam().port == 9 ? 0 : GetParam().port);
    EXPECT_EQ(calls(), GetParam().expectedCalls);
}

QStringList initCalls(std::initializer_list<std::pair<int, int>> calls)
{
    QStringList out;
    for (auto [port, result] : calls)
        out << QStringLiteral("InitComm %1 %2").arg(port).arg(result);
    return out;
}

INSTANTIATE_TEST_SUITE_P(Ports, PortScan, ::testing::Values(
    PortCase{3, initCalls({{1, 0}, {2, 0}, {3, 1}})},
    PortCase{1, initCalls({{1, 1}})},
    PortCase{1002, initCalls({{1, 0}, {2, 0}, {3, 0}, {4, 0}, {1001, 0}, {1002, 1}})},
    // 9: a port never scanned, so no reader answers.
    PortCase{9, initCalls({{1, 0}, {2, 0}, {3, 0}, {4, 0}, {1001, 0}, {1002, 0}, {1003, 0}, {1004, 0}})}),
    [](const auto &info) { return "Port" + std::to_string(info.param.port); });

TEST_F(Termb, SamIdAndAuthenticateSequence)
{
    cardtest::ReaderConfig c;
    c.samId = QStringLiteral("05.01-1234");
    c.authenticate = QStringLiteral("0,-5,1");
    useReader(c);
    TermbLibrary lib(kStandIn);
    ASSERT_EQ(lib.findPort(), 1001);
    EXPECT_EQ(lib.samId(), QStringLiteral("05.01-1234"));
    EXPECT_EQ(lib.authenticate(), 0);
    EXPECT_EQ(lib.authenticate(), -5);
    EXPECT_EQ(lib.authenticate(), 1);
    EXPECT_EQ(lib.authenticate(), 1);
    // A new InitComm starts the sequence again.
    ASSERT_EQ(lib.initComm(1001), 1);
    EXPECT_EQ(lib.authenticate(), 0);
}

TEST_F(Termb, ReadContentWritesTheThreeFilesInTheWorkingDirectory)
{
    cardtest::ReaderConfig c;
    c.card.name = QStringLiteral("欧阳\u4DAE");
    c.card.validTo = QStringLiteral("长期");
    useReader(c);
    TermbLibrary lib(kStandIn);
    ASSERT_EQ(lib.findPort(), 1001);
    ASSERT_EQ(lib.authenticate(), 1);
    ASSERT_EQ(lib.readContent(1), 1);

    QFile wz(dir.filePath(QStringLiteral("wz.txt")));
    ASSERT_TRUE(wz.open(QIODevice::ReadOnly));
    const QByteArray bytes = wz.readAll();
    EXPECT_EQ(bytes, cardtest::cardRecord(c.card)); // byte for byte the reader layout
    ICR r;
    ASSERT_TRUE(decodeCardText(r));
    EXPECT_EQ(r.name, c.card.name);
    EXPECT_EQ(r.validity, QStringLiteral("2011.08.09-长期"));

    QFile zp(dir.filePath(QStringLiteral("zp.bmp")));
    ASSERT_TRUE(zp.open(QIODevice::ReadOnly));
    const QByteArray bmp = zp.readAll();
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    auto le32 = [&](int at) { return qFromLittleEndian<qint32>(bmp.constData() + at); };
    EXPECT_EQ(le32(18), 102);
    EXPECT_EQ(le32(22), 126);
    EXPECT_EQ(bmp.size(), 54 + 308 * 126);
    EXPECT_EQ(QFile(dir.filePath(QStringLiteral("xp.wlt"))).size(), 1024);
}

TEST_F(Termb, FailedReadWritesNothing)
{
    cardtest::ReaderConfig c;
    c.readContent = QStringLiteral("0");
    useReader(c);
    TermbLibrary lib(kStandIn);
    ASSERT_EQ(lib.findPort(), 1001);
    EXPECT_EQ(lib.readContent(1), 0);
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("wz.txt"), QStringLiteral("zp.bmp"),
                                             QStringLiteral("xp.wlt")}, QDir::Files).isEmpty());
}

TEST_F(Termb, PhotoFromConfigurationIsCopied)
{
    cardtest::ReaderConfig c;
    c.photo = dir.filePath(QStringLiteral("face.bmp"));
    ASSERT_TRUE(cardtest::writeBytes(c.photo, QByteArray("BMphoto-bytes")));
    useReader(c);
    TermbLibrary lib(kStandIn);
    ASSERT_EQ(lib.findPort(), 1001);
    ASSERT_EQ(lib.readContent(1), 1);
    QFile zp(dir.filePath(QStringLiteral("zp.bmp")));
    ASSERT_TRUE(zp.open(QIODevice::ReadOnly));
    EXPECT_EQ(zp.readAll(), QByteArray("BMphoto-bytes"));
}

TEST_F(Termb, DefaultLocationIsBesideTheProgram)
{
    cardtest::ReaderConfig c;
    useReader(c);
    TermbLibrary lib;
    EXPECT_TRUE(lib.isUsable()) << lib.fileName().toStdString();
    EXPECT_TRUE(lib.problemText().isEmpty());
}

TEST_F(Termb, LoadedExactlyForTheObjectsLifetime)
{
    useReader(cardtest::ReaderConfig{});
    ASSERT_FALSE(standInLoaded());
    {
        TermbLibrary lib(kStandIn);
        ASSERT_TRUE(lib.isLoaded());
        EXPECT_TRUE(standInLoaded());
    }
    EXPECT_FALSE(standInLoaded());
}

TEST_F(Termb, MissingLibraryIsReportedAndCallsFailSafely)
{
    TermbLibrary lib(dir.filePath(QStringLiteral("nowhere/libtermb.so")));
    EXPECT_FALSE(lib.isLoaded());
    EXPECT_FALSE(lib.isUsable());
    EXPECT_FALSE(lib.loadError().isEmpty());
    EXPECT_TRUE(lib.problemText().startsWith(QStringLiteral("找不到读卡器库")));
    EXPECT_EQ(lib.findPort(), 0);
    EXPECT_EQ(lib.authenticate(), 0);
    EXPECT_EQ(lib.readContent(1), 0);
    EXPECT_TRUE(lib.samId().isEmpty());
}

TEST_F(Termb, MissingEntryPointsAreNamed)
{
    TermbLibrary lib(kIncomplete);
    EXPECT_TRUE(lib.isLoaded());
    EXPECT_FALSE(lib.isUsable());
    EXPECT_EQ(lib.missingEntryPoints(),
              (QStringList{QStringLiteral("Authenticate"), QStringLiteral("Read_Content")}));
    EXPECT_EQ(lib.problemText(), QStringLiteral("读卡器库缺少入口 Authenticate, Read_Content，不能读卡"));
    EXPECT_EQ(lib.authenticate(), 0);
}

TEST(AuthenticateText, EveryResult)
{
    const std::pair<int, const char16_t *> cases[] = {
        {1, u"读卡成功!请放下一张卡..."}, {0, u"请放卡（或者将卡拿开，再放下）..."},
        {-1, u"相片解码错误!"}, {-2, u"wlt文件后缀错误!"}, {-3, u"wlt文件打开错误!"},
        {-4, u"wlt文件格式错误!"}, {-5, u"读卡器未授权!请检查读卡器..."},
        {-6, u"读卡失败!请重新放卡..."}, {2, u"读卡失败!请重新放卡..."},
    };
    for (auto [result, text] : cases)
        EXPECT_EQ(authenticateStatusText(result), QString::fromUtf16(text)) << result;
}

} // namespace
