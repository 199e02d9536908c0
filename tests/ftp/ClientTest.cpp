// The FTP client against a real server: folders, names, bytes, skipped
// files, the port text, and what a failure says.
#include "FtpClientSupport.h"
#include "TIndyFTPCore.h"

#include <gtest/gtest.h>

using namespace quorvel;
using ftptest::FtpTestServer;
using ftptest::pointAt;
using ftptest::quickTimeouts;
using ftptest::LogCapture;
using ftptest::Pictures;

namespace {

struct PortCase {
    const char *name;
    const char *text;
    bool usable;
};

class PortText : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortText, OnlyADecimalPortNumberEnablesUploads)
{
    LogCapture log;
    TIndyFTPCore client(7);
    const PortCase &c = GetParam();
    EXPECT_EQ(client.setServer(QStringLiteral("127.0.0.1"), QString::fromUtf8(c.text), {}, QStringLiteral("pw-9x!"),
                               QStringLiteral("u")),
              c.usable);
    EXPECT_EQ(client.isConfigured(), c.usable);
    const QStringList lines = log.linesWith(QStringLiteral("[camera 7]"));
    EXPECT_EQ(lines.size(), c.usable ? 0 : 1) << lines.join(u'\n').toStdString();
    if (!c.usable) {
        EXPECT_TRUE(lines.first().contains(QString::fromUtf8(c.text))) << lines.first().toStdString();
        EXPECT_FALSE(client.ensureConnected());  // no connection is tried
    }
    for (const QString &line : log.lines())
        EXPECT_FALSE(line.contains(QStringLiteral("pw-9x!")));
}

INSTANTIATE_TEST_SUITE_P(Ports, PortText,
                         ::testing::Values(PortCase{"Default", "21", true}, PortCase{"Padded", " 2121 ", true},
                                           PortCase{"Letters", "ftp", false}, PortCase{"Empty", "", false},
                                           PortCase{"Mixed", "21a", false}, PortCase{"TooLarge", "70000", false},
                                           PortCase{"Zero", "0", false}, PortCase{"Negative", "-21", false}),
                         [](const auto &info) { return std::string(info.param.name); });

struct FolderCase {
    const char *name;
    const char *remoteFolder;
    const char *subfolder;
    const char *expectedDir;  // relative to the server root
};

class RemoteFolder : public ::testing::TestWithParam<FolderCase> {};

// The remote folder is followed directly by the subfolder: stored settings
// rely on "pics" + "2011-08-09" giving "pics2011-08-09".
TEST_P(RemoteFolder, FolderAndSubfolderAreJoinedWithoutSeparator)
{
    FtpTestServer server;
    Pictures pictures;
    const FolderCase &c = GetParam();
    // Only the last level of the folder path is made.
    const QString parent = QFileInfo(QString::fromUtf8(c.expectedDir)).path();
    if (parent != QStringLiteral("."))
        QDir(server.root()).mkpath(parent);
    const QString picture = pictures.make(QStringLiteral("2011-08-09"), QStringLiteral("a.jpg"), 70000);
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server, QString::fromUtf8(c.remoteFolder));
    const auto results = client.uploadFiles({picture}, QString::fromUtf8(c.subfolder), {});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, FtpFileOutcome::Stored) << results[0].error.toStdString();
    const QString stored = server.root() + u'/' + QString::fromUtf8(c.expectedDir) + QStringLiteral("/a.jpg");
    EXPECT_EQ(ftptest::readAll(stored), ftptest::readAll(picture)) << stored.toStdString();
    client.disconnect();
}

INSTANTIATE_TEST_SUITE_P(Folders, RemoteFolder,
                         ::testing::Values(FolderCase{"Joined", "pics", "2011-08-09", "pics2011-08-09"},
                                           FolderCase{"WithSlash", "pics/", "2011-08-09", "pics/2011-08-09"},
                                           FolderCase{"NoSubfolder", "pics", "", "pics"},
                                           FolderCase{"LoginFolder", "", "", "."},
                                           FolderCase{"Absolute", "/abs", "", "abs"},
                                           FolderCase{"Spaces", "my pics", "", "my pics"},
                                           FolderCase{"LastLevelMade", "sub/new", "", "sub/new"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FtpClient, StoresBinaryBytesAsTheyAreAndSkipsAFileThatIsGone)
{
    FtpTestServer server;
    Pictures pictures;
    const QString a = pictures.make(QStringLiteral("d"), QStringLiteral("a.jpg"), 65536);
    const QString gone = pictures.make(QStringLiteral("d"), QStringLiteral("gone.jpg"));
    const QString empty = pictures.make(QStringLiteral("d"), QStringLiteral("empty.jpg"), 0);
    // Bytes a text-mode transfer would change.
    const QString crlf = pictures.dir() + QStringLiteral("/pics/0/d/crlf.jpg");
    {
        QFile f(crlf);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray("\r\n\n\r\x00\xff\x1a", 7).repeated(1000));
    }
    QFile::remove(gone);
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server, QStringLiteral("up"));
    const auto results = client.uploadFiles({a, gone, empty, crlf}, {}, {});
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].outcome, FtpFileOutcome::Stored);
    EXPECT_EQ(results[1].outcome, FtpFileOutcome::Missing);
    EXPECT_EQ(results[2].outcome, FtpFileOutcome::Stored);
    EXPECT_EQ(results[3].outcome, FtpFileOutcome::Stored);
    for (const QString &path : {a, empty, crlf}) {
        const QString stored = server.root() + QStringLiteral("/up/") + QFileInfo(path).fileName();
        ASSERT_TRUE(QFileInfo::exists(stored)) << stored.toStdString();
        EXPECT_EQ(ftptest::readAll(stored), ftptest::readAll(path)) << stored.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(server.root() + QStringLiteral("/up/gone.jpg")));
    // Nothing is left under a temporary name, and one connection did it all.
    EXPECT_EQ(QDir(server.root() + QStringLiteral("/up")).entryList(QDir::Files).filter(QStringLiteral(".part")),
              QStringList());
    client.disconnect();
    EXPECT_EQ(server.connections(), 1);
}

TEST(FtpClient, FixedNameReplacesThePreviousFile)
{
    FtpTestServer server;
    Pictures pictures;
    const QStringList files = pictures.makeMany(3);
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    for (const auto &r : client.uploadFiles(files, {}, QStringLiteral("door.jpg")))
        EXPECT_EQ(r.outcome, FtpFileOutcome::Stored) << r.error.toStdString();
    EXPECT_EQ(ftptest::readAll(server.root() + QStringLiteral("/door.jpg")), ftptest::readAll(files.last()));
    EXPECT_EQ(server.renamed(), QStringList(3, QStringLiteral("door.jpg")));
    EXPECT_EQ(QDir(server.root()).entryList(QDir::Files), QStringList{QStringLiteral("door.jpg")});
}

struct FailureCase {
    const char *name;
    enum { WrongPassword, ClosedPort, RefusedStore } kind;
    FtpFileOutcome outcome;
    const char *inLog;  // part of the failure text
};

class ClientFailure : public ::testing::TestWithParam<FailureCase> {};

// Each failure says what went wrong with the server's reply, never the
// password, and tells a refused file from a connection that failed.
TEST_P(ClientFailure, SaysWhatWentWrongWithoutThePassword)
{
    const FailureCase &c = GetParam();
    FtpTestServer server;
    Pictures pictures;
    const QString file = pictures.make(QStringLiteral("d"), QStringLiteral("x.jpg"));
    const QString password = QStringLiteral("Pa55-%1").arg(QLatin1String(c.name));
    TIndyFTPCore client(3, quickTimeouts());
    int port = server.port();
    QString usedPassword = server.options().password;
    if (c.kind == FailureCase::WrongPassword)
        usedPassword = password;
    if (c.kind == FailureCase::ClosedPort)
        server.stop();
    if (c.kind == FailureCase::RefusedStore)
        server.command(QStringLiteral("refuse-store x.jpg.part"));
    ASSERT_TRUE(client.setServer(QStringLiteral("127.0.0.1"), QString::number(port), {}, usedPassword,
                                 server.options().user));
    const auto results = client.uploadFiles({file}, {}, {});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, c.outcome) << results[0].error.toStdString();
    EXPECT_TRUE(results[0].error.contains(QString::fromUtf8(c.inLog))) << results[0].error.toStdString();
    EXPECT_FALSE(client.lastError().contains(password));
    EXPECT_FALSE(client.lastError().contains(server.options().password));
    client.disconnect();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ClientFailure,
    ::testing::Values(FailureCase{"WrongPassword", FailureCase::WrongPassword, FtpFileOutcome::ConnectionLost, "530"},
                      FailureCase{"ClosedPort", FailureCase::ClosedPort, FtpFileOutcome::ConnectionLost, "onnect"},
                      FailureCase{"RefusedStore", FailureCase::RefusedStore, FtpFileOutcome::Refused, "553"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

// A file whose bytes do not match the size it showed before it was read is
// still being written: it is not sent cut, and the server never sees it.
// (/proc files show a size of 0 and then give their bytes, as a picture
// still growing does.)
TEST(FtpClient, FileThatChangesWhileReadIsNotSent)
{
    FtpTestServer server;
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    ASSERT_TRUE(client.ensureConnected());
    ASSERT_TRUE(client.enterFolder({}));
    const FtpFileResult r = client.uploadFile(QStringLiteral("/proc/self/status"), {});
    EXPECT_EQ(r.outcome, FtpFileOutcome::Changing) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains(QStringLiteral("still being written")));
    client.disconnect();
    EXPECT_EQ(server.renamed(), QStringList());
}

} // namespace
