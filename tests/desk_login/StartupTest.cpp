// The program as a whole, started as a separate process on the offscreen
// platform with its messages on stderr.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir().mkpath(runtimeDir()));
        QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void TearDown() override
    {
        for (auto &p : processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    QString docsDir() const { return root.filePath(QStringLiteral("docs")); }
    QString runtimeDir() const { return root.filePath(QStringLiteral("run")); }
    QString dataDir() const { return docsDir() + QStringLiteral("/Vondrel Files/"); }

    enum class Messages { ToStderr, InBoxes };

    QProcess *start(const QString &docs = QString(), Messages messages = Messages::ToStderr)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (messages == Messages::ToStderr)
            env.insert(QStringLiteral("VONDREL_MESSAGES"), QStringLiteral("stderr"));
        else
            env.remove(QStringLiteral("VONDREL_MESSAGES"));
        env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), docs.isEmpty() ? docsDir() : docs);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(VONDREL_PROGRAM), QStringList());
        EXPECT_TRUE(p->waitForStarted(10000));
        processes.push_back(std::move(p));
        return processes.back().get();
    }

    // The login window is up once the database exists and the program keeps
    // running.
    bool waitForLogin(QProcess *p)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000) {
            if (p->state() == QProcess::NotRunning)
                return false;
            if (QFile::exists(dataDir() + QStringLiteral("db.sqlite"))) {
                return !p->waitForFinished(500); // still running after the open
            }
            QThread::msleep(50);
        }
        return false;
    }

    // Waits until the program has written `text` to stderr (message boxes
    // are logged there as they open); what it wrote so far goes to `seen`.
    static bool waitForMessage(QProcess *p, const QString &text, QString *seen)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000 && p->state() != QProcess::NotRunning) {
            p->waitForReadyRead(100);
            *seen += QString::fromUtf8(p->readAllStandardError());
            if (seen->contains(text))
                return true;
        }
        return false;
    }

    static void terminate(QProcess *p) { ::kill(pid_t(p->processId()), SIGTERM); }

    QTemporaryDir root;
    std::vector<std::unique_ptr<QProcess>> processes;
};

void touch(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

} // namespace

TEST_F(Startup, SecondCopySaysSoAndEndsWithZeroTouchingNothing)
{
    QProcess *first = start();
    ASSERT_TRUE(waitForLogin(first)) << first->readAllStandardError().toStdString();
    EXPECT_TRUE(QFileInfo(dataDir() + QStringLiteral("temp")).isDir());
    EXPECT_FALSE(QFile::exists(dataDir() + QStringLiteral("Vondrel.ini"))) << "written only at the end";

    QProcess *second = start();
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(second->readAllStandardError()).contains(QStringLiteral("门禁软件已启动.")));
    EXPECT_FALSE(QFile::exists(dataDir() + QStringLiteral("Vondrel.ini"))) << "the second copy wrote no options";
    EXPECT_EQ(first->state(), QProcess::Running);

    // A copy pointed at another documents folder does not even make it.
    const QString otherDocs = root.filePath(QStringLiteral("other-docs"));
    QProcess *third = start(otherDocs);
    ASSERT_TRUE(third->waitForFinished(20000));
    EXPECT_EQ(third->exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(otherDocs));
}

TEST_F(Startup, OrderlyEndDeletesTempPicturesAndWritesTheOptions)
{
    QProcess *p = start();
    ASSERT_TRUE(waitForLogin(p)) << p->readAllStandardError().toStdString();
    const QString temp = dataDir() + QStringLiteral("temp/");
    for (const char *n : {"visit{A}.jpg", "B.JPG", "c.bmp", "D.Bmp", "keep.txt", "keep.png"})
        touch(temp + QLatin1String(n));
    terminate(p); // closes the login window: the same as "取消"
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_EQ(QDir(temp).entryList(QDir::Files, QDir::Name), (QStringList{"keep.png", "keep.txt"}));
    QFile ini(dataDir() + QStringLiteral("Vondrel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), QByteArray("[Settings]\nconnect=\nautorefresh=0\nautorefreshTime=30\n"
                                        "peopleComboBoxCamera1=0\nvisitComboBoxCamera1=0\n"
                                        "visitComboBoxCamera2=0\ntitle=人员出入登记软件\n"));
    EXPECT_FALSE(QFile::exists(runtimeDir() + QStringLiteral("/Vondrel.lock")));
}

TEST_F(Startup, LockOfACrashedCopyDoesNotBlockTheNextStart)
{
    QProcess *crashed = start();
    ASSERT_TRUE(waitForLogin(crashed));
    crashed->kill(); // SIGKILL: no clean-up at all
    ASSERT_TRUE(crashed->waitForFinished(10000));
    ASSERT_TRUE(QFile::exists(runtimeDir() + QStringLiteral("/Vondrel.lock")));

    QProcess *next = start();
    ASSERT_TRUE(waitForLogin(next)) << next->readAllStandardError().toStdString();
    EXPECT_FALSE(QString::fromUtf8(next->readAllStandardError()).contains(QStringLiteral("门禁软件已启动.")));
    terminate(next);
    ASSERT_TRUE(next->waitForFinished(20000));
    EXPECT_EQ(next->exitCode(), 0);
}

TEST_F(Startup, DataFolderThatCannotBeMadeEndsStartUp)
{
    const QString blocker = root.filePath(QStringLiteral("file"));
    touch(blocker);
    QProcess *p = start(blocker); // the documents folder is a plain file
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_NE(p->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p->readAllStandardError()).contains(QStringLiteral("不能建立临时文件夹.")));
}

TEST_F(Startup, BrokenDatabaseIsReportedAndTheLoginStillComes)
{
    ASSERT_TRUE(QDir().mkpath(dataDir()));
    const QByteArray garbage = QByteArray("not a database\n").repeated(100);
    {
        QFile f(dataDir() + QStringLiteral("db.sqlite"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    QProcess *p = start();
    ASSERT_TRUE(waitForLogin(p));
    terminate(p);
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p->readAllStandardError()).contains(QStringLiteral("db.sqlite")));
    QFile f(dataDir() + QStringLiteral("db.sqlite"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
}

TEST_F(Startup, DiagnosticsNameTheDataFolderTheCardReaderAndTheLoginWindow)
{
    qputenv("VONDREL_DIAGNOSTICS", "stderr");
    QProcess *p = start();
    qunsetenv("VONDREL_DIAGNOSTICS");
    const QString login = QStringLiteral("Vondrel: window shown: vondrel::TFormLogin \"当班门卫登录\"");
    QString err;
    QElapsedTimer t;
    t.start();
    while (!err.contains(login) && p->state() == QProcess::Running && t.elapsed() < 20000) {
        p->waitForReadyRead(200);
        err += QString::fromUtf8(p->readAllStandardError());
    }
    terminate(p);
    ASSERT_TRUE(p->waitForFinished(20000));
    err += QString::fromUtf8(p->readAllStandardError());
    EXPECT_EQ(p->exitCode(), 0);
    EXPECT_TRUE(err.contains(login)) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Vondrel: data folder: ") + dataDir() + u'\n')) << err.toStdString();
    // In a build tree the stand-in lies beside the program.
    const QString reader = QFileInfo(QStringLiteral(VONDREL_PROGRAM)).absolutePath() + QStringLiteral("/libtermb.so");
    EXPECT_TRUE(err.contains(QStringLiteral("Vondrel: card reader library: ") + reader + QStringLiteral(" (usable)\n")))
        << err.toStdString();
}

namespace {

// A start-up error box is up when the system asks the program to end.
struct BoxAtStartUp {
    const char *name;
    const char *message; // part of the box's text
    bool brokenDatabase;
    int exitCode;
};

class StartupBox : public Startup, public ::testing::WithParamInterface<BoxAtStartUp> {};

TEST_P(StartupBox, SigtermWhileTheBoxIsShownEndsTheProgram)
{
    QString docs;
    if (GetParam().brokenDatabase) {
        ASSERT_TRUE(QDir().mkpath(dataDir()));
        QFile f(dataDir() + QStringLiteral("db.sqlite"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("not a database\n").repeated(100));
    } else {
        docs = root.filePath(QStringLiteral("file"));
        touch(docs); // the documents folder is a plain file
    }
    QProcess *p = start(docs, Messages::InBoxes);
    QString seen;
    ASSERT_TRUE(waitForMessage(p, QString::fromUtf8(GetParam().message), &seen)) << seen.toStdString();
    ASSERT_EQ(p->state(), QProcess::Running) << "the box holds the program";
    terminate(p);
    ASSERT_TRUE(p->waitForFinished(20000)) << "SIGTERM did not end the program";
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), GetParam().exitCode);
    EXPECT_FALSE(QFile::exists(runtimeDir() + QStringLiteral("/Vondrel.lock")));
    if (GetParam().brokenDatabase) {
        // The normal clean-up ran: the options were written back.
        EXPECT_TRUE(QFile::exists(dataDir() + QStringLiteral("Vondrel.ini")));
    }
}

const BoxAtStartUp kBoxes[] = {
    {"BrokenDatabase", "db.sqlite", true, 0},
    {"DataFolderCannotBeMade", "不能建立临时文件夹.", false, 1},
};
INSTANTIATE_TEST_SUITE_P(Boxes, StartupBox, ::testing::ValuesIn(kBoxes),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace

TEST_F(Startup, EmptyOrGarbageLockFileDoesNotBlockTheStart)
{
    for (const QByteArray &content : {QByteArray(), QByteArray("\x7f\x01garbage")}) {
        QFile f(runtimeDir() + QStringLiteral("/Vondrel.lock"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        QProcess *p = start();
        ASSERT_TRUE(waitForLogin(p)) << p->readAllStandardError().toStdString();
        terminate(p);
        ASSERT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitCode(), 0);
        EXPECT_FALSE(QString::fromUtf8(p->readAllStandardError()).contains(QStringLiteral("门禁软件已启动.")));
    }
}

TEST_F(Startup, LockThatCannotBeMadeIsToldOnceAndTheDeskStillStarts)
{
    // Something that is no lock file sits where the lock goes.
    ASSERT_TRUE(QDir().mkpath(runtimeDir() + QStringLiteral("/Vondrel.lock")));
    QProcess *p = start();
    ASSERT_TRUE(waitForLogin(p)) << p->readAllStandardError().toStdString();
    terminate(p);
    ASSERT_TRUE(p->waitForFinished(20000));
    EXPECT_EQ(p->exitCode(), 0);
    const QString err = QString::fromUtf8(p->readAllStandardError());
    EXPECT_EQ(err.count(QStringLiteral("无法建立锁文件")), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(runtimeDir() + QStringLiteral("/Vondrel.lock"))) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("门禁软件已启动.")));
}

TEST_F(Startup, TempFilesOfAKilledWriterAreRemovedAtStartUp)
{
    ASSERT_TRUE(QDir().mkpath(dataDir() + QStringLiteral("temp")));
    // Left by writers that died before their rename (process 999999999 is gone).
    const QStringList leftovers = {dataDir() + QStringLiteral(".Vondrel.ini.999999999.aB3dE5.tmp"),
                                   dataDir() + QStringLiteral("temp/.visit{A}.jpg.999999999.Zz9Yy8.tmp")};
    for (const QString &path : leftovers)
        touch(path);
    touch(dataDir() + QStringLiteral("keep.tmp"));
    QProcess *p = start();
    ASSERT_TRUE(waitForLogin(p)) << p->readAllStandardError().toStdString();
    for (const QString &path : leftovers)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(QFile::exists(dataDir() + QStringLiteral("keep.tmp")));
    terminate(p);
    ASSERT_TRUE(p->waitForFinished(20000));
}
