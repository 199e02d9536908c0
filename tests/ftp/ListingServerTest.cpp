// Listing folders of a real server through the client: MLSD and the LIST
// fallback, absolute folders whatever the login folder, large, malformed,
// cut and dropped listings, and uploads on the same connection afterwards.
#include "FtpClientSupport.h"
#include "ParamName.h"
#include "TIndyFTPCore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <ostream>

using namespace quorvel;
using ftptest::FtpTestServer;
using ftptest::pointAt;
using ftptest::quickTimeouts;
using Kind = FtpListEntry::Kind;

namespace {

void makeFile(const QString &path, const QByteArray &bytes = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

// The tree every listing test starts from; sessions log in to /home/camera,
// so a listing of "/" that lists the login folder instead shows.
void makeTree(FtpTestServer &server)
{
    const QString root = server.root();
    QDir().mkpath(root + QStringLiteral("/home/camera"));
    QDir().mkpath(root + QStringLiteral("/my pics"));
    QDir().mkpath(root + QStringLiteral("/a/b/c"));
    makeFile(root + QStringLiteral("/x.jpg"));
    makeFile(root + QStringLiteral("/图片 一.jpg"));
    makeFile(root + QStringLiteral("/home/camera/in-login-folder.jpg"));
    makeFile(root + QStringLiteral("/a/b/y.jpg"));
    makeFile(root + QStringLiteral("/a/b/z z.jpg"));
    ASSERT_EQ(server.command(QStringLiteral("login-folder /home/camera")).value(QStringLiteral("ok")), true);
}

// name -> "folder"/"file"/"other", sorted by name, for readable comparisons.
std::map<std::string, std::string> kindsByName(const std::vector<FtpListEntry> &entries)
{
    std::map<std::string, std::string> out;
    for (const FtpListEntry &e : entries)
        out[e.name.toStdString()] = e.kind == Kind::Folder ? "folder" : e.kind == Kind::File ? "file" : "other";
    return out;
}

const std::map<std::string, std::string> kRoot{
    {"a", "folder"}, {"home", "folder"}, {"my pics", "folder"}, {"x.jpg", "file"}, {"图片 一.jpg", "file"}};
const std::map<std::string, std::string> kAB{{"c", "folder"}, {"y.jpg", "file"}, {"z z.jpg", "file"}};

struct FolderCase {
    const char *name;
    bool refuseMlsd;
    const char *path;
    const std::map<std::string, std::string> *expected;
};

std::ostream &operator<<(std::ostream &os, const FolderCase &c)
{
    return os << c.name;
}

class ListFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(ListFolder, GivesTheFolderItNamesWithKinds)
{
    const FolderCase &c = GetParam();
    FtpTestServer server;
    makeTree(server);
    if (c.refuseMlsd)
        server.command(QStringLiteral("no-mlsd 1"));
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QString::fromUtf8(c.path));
    EXPECT_EQ(r.error, QString());
    EXPECT_EQ(r.machineReadable, !c.refuseMlsd);
    EXPECT_EQ(r.malformed, 0);
    EXPECT_EQ(kindsByName(r.entries), *c.expected);
    // A second listing on the same connection, of the other folder.
    const bool root = std::string(c.path) == "/";
    const FtpListResult other = client.listFolder(root ? QStringLiteral("/a/b/") : QStringLiteral("/"));
    EXPECT_EQ(other.error, QString());
    EXPECT_EQ(other.machineReadable, !c.refuseMlsd);
    EXPECT_EQ(kindsByName(other.entries), root ? kAB : kRoot);
    client.disconnect();
    EXPECT_EQ(server.connections(), 1);
}

INSTANTIATE_TEST_SUITE_P(Folders, ListFolder,
                         ::testing::Values(FolderCase{"Root by MLSD", false, "/", &kRoot},
                                           FolderCase{"Root by LIST", true, "/", &kRoot},
                                           FolderCase{"Sub folder by MLSD", false, "/a/b/", &kAB},
                                           FolderCase{"Sub folder by LIST", true, "/a/b/", &kAB},
                                           FolderCase{"Without slashes", false, "a/b", &kAB}),
                         [](const auto &info) { return vq::test::paramName(info.param.name); });

struct ShapeCase {
    const char *name;
    bool refuseMlsd;
};

std::ostream &operator<<(std::ostream &os, const ShapeCase &c)
{
    return os << c.name;
}

auto shapeName = [](const auto &info) { return vq::test::paramName(info.param.name); };

class ListingForm : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ListingForm, ThousandsOfFilesAllArrive)
{
    FtpTestServer server;
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        names << QStringLiteral("picture %1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        makeFile(server.root() + QStringLiteral("/many/") + names.last());
    }
    if (GetParam().refuseMlsd)
        server.command(QStringLiteral("no-mlsd 1"));
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QStringLiteral("/many/"));
    EXPECT_EQ(r.error, QString());
    EXPECT_EQ(r.malformed, 0);
    QStringList got;
    for (const FtpListEntry &e : r.entries) {
        got << e.name;
        EXPECT_EQ(e.kind, Kind::File);
    }
    got.sort();
    EXPECT_EQ(got, names);
}

TEST_P(ListingForm, MalformedLinesAreCountedAndTheValidOnesKept)
{
    FtpTestServer server;
    makeTree(server);
    if (GetParam().refuseMlsd)
        server.command(QStringLiteral("no-mlsd 1"));
    server.command(QStringLiteral("listing malformed"));
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QStringLiteral("/"));
    EXPECT_EQ(r.error, QString());
    EXPECT_EQ(r.malformed, 3);  // the server's junk lines
    EXPECT_EQ(kindsByName(r.entries), kRoot);
}

// The server sends half the listing and half a line, then closes both
// connections: the call returns with the complete lines and an error, and
// the next call lists again (on a new connection).
TEST_P(ListingForm, DroppedConnectionKeepsTheCompleteLines)
{
    FtpTestServer server;
    makeTree(server);
    if (GetParam().refuseMlsd)
        server.command(QStringLiteral("no-mlsd 1"));
    server.command(QStringLiteral("listing drop"));
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QStringLiteral("/"));
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(r.malformed, 0);  // the cut line is dropped, not counted
    EXPECT_EQ(r.entries.size(), kRoot.size() / 2);
    for (const auto &[name, kind] : kindsByName(r.entries)) {
        ASSERT_TRUE(kRoot.count(name)) << name;
        EXPECT_EQ(kRoot.at(name), kind) << name;
    }
    EXPECT_FALSE(r.error.contains(server.options().password)) << r.error.toStdString();

    server.command(QStringLiteral("listing normal"));
    const FtpListResult again = client.listFolder(QStringLiteral("/"));
    EXPECT_EQ(again.error, QString());
    EXPECT_EQ(kindsByName(again.entries), kRoot);
    client.disconnect();
    EXPECT_EQ(server.connections(), 2);
}

INSTANTIATE_TEST_SUITE_P(Forms, ListingForm,
                         ::testing::Values(ShapeCase{"MLSD", false}, ShapeCase{"LIST", true}), shapeName);

// More than 8 MiB of listing: what fits is read, the cut line dropped, and
// the error says the listing was cut.
TEST(FtpListing, ListingBeyondTheBoundIsCut)
{
    FtpTestServer server;
    const QString folder = server.root() + QStringLiteral("/huge");
    QDir().mkpath(folder);
    const QString longPart(200, u'n');
    const int count = 40000;  // about 290 bytes a line: more than 11 MiB
    for (int i = 0; i < count; ++i) {
        QFile f(folder + QStringLiteral("/%1-%2").arg(i).arg(longPart));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QStringLiteral("/huge/"));
    EXPECT_TRUE(r.error.contains(QStringLiteral("8 MiB"))) << r.error.toStdString();
    EXPECT_EQ(r.malformed, 0);
    EXPECT_GT(r.entries.size(), 20000u);
    EXPECT_LT(r.entries.size(), std::size_t(count));
    for (const FtpListEntry &e : r.entries) {
        if (!e.name.endsWith(longPart) || e.kind != Kind::File) {
            ADD_FAILURE() << "cut or wrong entry " << e.name.toStdString();
            break;
        }
    }
    // The client goes on working after the cut.
    makeFile(server.root() + QStringLiteral("/small/one.jpg"));
    const FtpListResult small = client.listFolder(QStringLiteral("/small/"));
    EXPECT_EQ(small.error, QString());
    EXPECT_EQ(kindsByName(small.entries), (std::map<std::string, std::string>{{"one.jpg", "file"}}));
}

// Uploads keep their folder and binary transfers after listings changed the
// server's current folder and transfer type on the same connection.
TEST(FtpListing, UploadAfterListingOnTheSameConnection)
{
    FtpTestServer server;
    makeTree(server);
    ftptest::Pictures pictures;
    const QString picture = pictures.dir() + QStringLiteral("/crlf.jpg");
    makeFile(picture, QByteArray("\r\n\n\r\x00\xff\x1a", 7).repeated(2000));
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    ASSERT_TRUE(client.ensureConnected());
    ASSERT_TRUE(client.enterFolder({}));
    EXPECT_EQ(client.listFolder(QStringLiteral("/a/b/")).error, QString());
    const FtpFileResult stored = client.uploadFile(picture, {});
    EXPECT_EQ(stored.outcome, FtpFileOutcome::Stored) << stored.error.toStdString();
    // Into the login folder, byte for byte.
    EXPECT_EQ(ftptest::readAll(server.root() + QStringLiteral("/home/camera/crlf.jpg")), ftptest::readAll(picture));
    EXPECT_FALSE(QFileInfo::exists(server.root() + QStringLiteral("/a/b/crlf.jpg")));
    // And a listing after the upload sees it.
    const FtpListResult login = client.listFolder(QStringLiteral("/home/camera/"));
    EXPECT_EQ(kindsByName(login.entries),
              (std::map<std::string, std::string>{{"crlf.jpg", "file"}, {"in-login-folder.jpg", "file"}}));
    client.disconnect();
    EXPECT_EQ(server.connections(), 1);
}

// Listing a folder that does not exist says so and does not make it; the
// connection stays.
TEST(FtpListing, MissingFolderIsReportedAndNotMade)
{
    FtpTestServer server;
    makeTree(server);
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QStringLiteral("/nowhere/"));
    EXPECT_TRUE(r.error.contains(QStringLiteral("550"))) << r.error.toStdString();
    EXPECT_TRUE(r.entries.empty());
    EXPECT_FALSE(QFileInfo::exists(server.root() + QStringLiteral("/nowhere")));
    EXPECT_EQ(kindsByName(client.listFolder(QStringLiteral("/")).entries), kRoot);
    client.disconnect();
    EXPECT_EQ(server.connections(), 1);
}

TEST(FtpListing, RefusedLoginGivesAnErrorWithoutThePassword)
{
    FtpTestServer server;
    makeTree(server);
    server.command(QStringLiteral("refuse-login 1"));
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    const FtpListResult r = client.listFolder(QStringLiteral("/"));
    EXPECT_TRUE(r.error.contains(QStringLiteral("530"))) << r.error.toStdString();
    EXPECT_FALSE(r.error.contains(server.options().password)) << r.error.toStdString();
    EXPECT_TRUE(r.entries.empty());
    EXPECT_FALSE(client.isConnected());
}

TEST(FtpListing, StoppedClientListsNothing)
{
    FtpTestServer server;
    makeTree(server);
    TIndyFTPCore client(0, quickTimeouts());
    pointAt(client, server);
    ASSERT_TRUE(client.ensureConnected());
    client.abort();
    const FtpListResult r = client.listFolder(QStringLiteral("/"));
    EXPECT_EQ(r.error, QStringLiteral("stopped"));
    EXPECT_TRUE(r.entries.empty());
    client.clearAbort();
    EXPECT_EQ(kindsByName(client.listFolder(QStringLiteral("/")).entries), kRoot);
}

// A window closing while its listing waits on a silent server stops it
// from another thread; the call returns at once instead of after the
// timeouts.
TEST(FtpListing, AbortFromAnotherThreadEndsAListingThatWaits)
{
    FtpTestServer::Options o;
    o.silent = true;
    FtpTestServer server(o);
    FtpTimeouts patient;
    patient.connect_ms = 600000;
    patient.response_s = 600;
    patient.lowSpeed_s = 600;
    TIndyFTPCore client(0, patient);
    pointAt(client, server);
    std::atomic<bool> done{false};
    FtpListResult result;
    std::thread worker([&] {
        result = client.listFolder(QStringLiteral("/"));
        done = true;
    });
    ASSERT_TRUE(ftptest::waitUntil([&] { return server.connections() >= 1; }));
    client.abort();
    const bool returned = ftptest::waitUntil([&] { return done.load(); }, 60000);
    if (!returned)
        server.stop();  // closes the connection, so the worker can be joined
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(result.error, QStringLiteral("stopped"));
    EXPECT_FALSE(client.isConnected());
}

} // namespace
