#pragma once
// A real store in a temp data folder, desk options with a logged-in guard
// and a recording reporter, for in-process window tests (offscreen).
#include "DataFolder.h"
#include "Option.h"
#include "Reporter.h"
#include "Store.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vondrel::test {

inline QString u(const char *utf8) { return QString::fromUtf8(utf8); }

inline void ensureApplication()
{
    if (!qApp) {
        static int argc = 1;
        static char name[] = "deskwindows_test";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    }
}

class DeskFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_DOCUMENTS_DIR", dir.path().toUtf8());
        qputenv("HOME", dir.path().toUtf8());
        dataFolder = dir.path() + u("/Vondrel Files/");
        makeWorkFolders(dataFolder);
        data = std::make_unique<TDataModule1>(dataFolder);
        ASSERT_TRUE(data->isOpen()) << data->openError().toStdString();
        option = std::make_unique<Option>(dataFolder + u("Vondrel.ini"));
        option->guard = {u("admin"), u("582")};
        setCurrentOption(option.get());
        setReporter(&reporter);
    }
    void TearDown() override
    {
        setReporter(nullptr);
        setCurrentOption(nullptr);
        option.reset();
        data.reset();
    }

    // Stores a visit and returns its key.
    QString addVisit(const char *name, const char *entry, const char *leave = "", const char *reason = "访友")
    {
        visitInfo v;
        v.name = u(name);
        v.sex = u("男");
        v.birthDate = u("1990-01-02");
        v.docType = u("身份证");
        v.docNumber = u("110101199001020011");
        v.phone = u("13900000000");
        v.workUnit = u("某公司");
        v.address = u("北京市");
        v.visitee = u("王五");
        v.reason = u(reason);
        v.entryTime = u(entry);
        v.leaveTime = u(leave);
        v.guardOnDuty = u("admin");
        v.companions = 1;
        return saveVisit(v);
    }

    std::unique_ptr<visitInfo> storedVisit(const QString &key)
    {
        auto found = listVisits(u(" where ID=?"), {key});
        if (found.empty())
            return nullptr;
        return std::move(found.front());
    }

    QTemporaryDir dir;
    QString dataFolder;
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<Option> option;
    RecordingReporter reporter;
};

} // namespace vondrel::test
