// Every camera settings file under a write that cannot complete (a file-size
// limit, a full disk): the old file stays whole, the failure is reported
// naming the file, and no temporary file is left beside it.
#include "CDataClass.h"
#include "LibReporter.h"
#include "Option.h"
#include "RecordClass_Broadcast.h"
#include "TestSupport.h"
#include "WriteFaults.h"

#include <QFileInfo>

#include <functional>
#include <memory>
#include <optional>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// What a writer is handed: the user folder (with its trailing "/").
struct SettingsWriter {
    const char *name;
    QStringList files; // written by it, relative to the user folder
    // Made before the fault (may read the old files) ...
    std::function<std::shared_ptr<void>(const QString &user)> prepare;
    // ... and writes under it (the object's destructor may be the write).
    std::function<void(std::shared_ptr<void> &made)> write;
};

OptionEnvironment envFor(const QString &user)
{
    OptionEnvironment e;
    e.userFolder = user;
    e.programFolder = user + QStringLiteral("prog/");
    e.langFolder = programFolder() + QStringLiteral("lang/");
    return e;
}

std::shared_ptr<Option> makeOption(const QString &user)
{
    auto o = std::make_shared<Option>(user + QStringLiteral("qxCamera.ini"), envFor(user));
    o->passwordEnabled = 1;
    o->hook_key = QStringLiteral("False");
    for (int i = 0; i < 20; ++i) {
        o->excludedDevices << QStringLiteral("/dev/video%1 excluded device").arg(i);
        o->urlSources << QStringLiteral("http://127.0.0.1:%1/stream").arg(8000 + i);
    }
    return o;
}

const SettingsWriter kWriters[] = {
    {"LibraryOptions", {"qxCamera.ini", "config.bin"},
     [](const QString &user) { return std::shared_ptr<void>(makeOption(user)); },
     [](std::shared_ptr<void> &made) { EXPECT_FALSE(std::static_pointer_cast<Option>(made)->saveSettings()); }},
    {"SourceListsAtTheEnd", {"device.bin", "SoruceUrl.bin", "qxCamera.ini", "config.bin"},
     [](const QString &user) { return std::shared_ptr<void>(makeOption(user)); },
     [](std::shared_ptr<void> &made) { made.reset(); }},
    {"Schedule", {"0MoveCheck.bin"},
     [](const QString &user) {
         auto r = std::make_shared<RecordClass_Broadcast>(0, QStringLiteral("MoveCheck.bin"), user);
         for (int i = 0; i < 5; ++i)
             r->scheduleList.push_back(ScheduleEntry::make("1", "", "08:00", "09:00"));
         return std::shared_ptr<void>(r);
     },
     [](std::shared_ptr<void> &made) {
         EXPECT_FALSE(std::static_pointer_cast<RecordClass_Broadcast>(made)->save());
         made.reset(); // and the write at destruction
     }},
    {"CameraDataRecord", {"4.bin"},
     [](const QString &user) {
         auto d = std::make_shared<CDataClass>();
         d->load(4, user);
         d->m_DeviceName = QStringLiteral("a camera with a long enough name");
         return std::shared_ptr<void>(d);
     },
     [](std::shared_ptr<void> &made) { EXPECT_FALSE(std::static_pointer_cast<CDataClass>(made)->save()); }},
};

struct Fault {
    const char *name;
    bool fullDisk; // else a file-size limit
};
const Fault kFaults[] = {{"SizeLimit", false}, {"FullDisk", true}};

class SettingsWriteFailure : public ::testing::TestWithParam<std::tuple<SettingsWriter, Fault>> {};

TEST_P(SettingsWriteFailure, KeepsTheOldFileReportsItAndLeavesNoTemporary)
{
    const SettingsWriter &writer = std::get<0>(GetParam());
    const Fault &fault = std::get<1>(GetParam());
    QTemporaryDir plain;
    std::optional<vqtest::SmallTmpfs> fs;
    if (fault.fullDisk) {
        fs.emplace(1024 * 1024);
        if (!fs->ok())
            GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    const QString user = (fs ? fs->path() : plain.path()) + QStringLiteral("/Vondrel Files/");
    ASSERT_TRUE(QDir().mkpath(user));
    std::map<QString, QByteArray> before;
    for (const QString &name : writer.files) {
        const QByteArray old = "old " + name.toUtf8() + "\r\n";
        ASSERT_TRUE(vqtest::putFile(user + name, old));
        before[name] = old;
    }

    RecordingLibReporter reports;
    ScopedLibReporter scoped(&reports);
    std::shared_ptr<void> made = writer.prepare(user);
    for (const QString &name : writer.files)
        ASSERT_EQ(vqtest::fileBytes(user + name), before[name]) << "nothing written before the fault";
    reports.clear();
    {
        std::optional<vqtest::FileSizeLimit> limit;
        if (fs)
            ASSERT_TRUE(fs->fill());
        else
            limit.emplace(16);
        writer.write(made);
    }
    // (An object still alive writes again at its destruction, once the
    // fault is gone: that write may succeed, so look before it.)
    for (const QString &name : writer.files) {
        EXPECT_EQ(vqtest::fileBytes(user + name), before[name]) << name.toStdString();
        const QString path = user + name;
        EXPECT_TRUE(reports.texts().filter(QStringLiteral("Cannot write ") + path).size() >= 1)
            << name.toStdString() << ": " << reports.texts().join(u'\n').toStdString();
    }
    EXPECT_EQ(vqtest::tempFilesIn(user), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Writers, SettingsWriteFailure,
                         ::testing::Combine(::testing::ValuesIn(kWriters), ::testing::ValuesIn(kFaults)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

} // namespace
