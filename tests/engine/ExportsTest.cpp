// The exported interface as a host uses it: a host widget that shows the
// live picture, event records arriving at the owner widget, the folder
// texts, the dispatch points of windows that are not built, and unloading.
#include "EngineTestSupport.h"
#include "HostMessages.h"
#include "Quorvel.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <QWidget>

using enginetest::RecordingOwner;
using enginetest::UserFolder;
using enginetest::waitUntil;

namespace {

class OwnerWidget : public QWidget {
public:
    RecordingOwner sink;
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelCameraEventType || e->type() == QuorvelNotifyEventType)
            return sink.event(e);
        return QWidget::event(e);
    }
};

class Exports : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Init finds its user folder through the documents folder.
        qputenv("XDG_DOCUMENTS_DIR", docs.path().toUtf8());
        QDir().mkpath(userFolder());
        QFile f(userFolder() + QStringLiteral("SoruceUrl.bin"));
        f.open(QIODevice::WriteOnly);
        f.write("testsrc\r\n");
        f.close();
        Quorvel_SetReporter(&enginetest::HostMessages::collect, &messages);
        host.resize(320, 240);
        host.show();
    }
    void TearDown() override
    {
        Quorvel_close(nullptr, 0);
        Quorvel_SetReporter(nullptr, nullptr);
    }
    QString userFolder() const { return docs.path() + QStringLiteral("/Vondrel Files/"); }
    QList<QWidget *> otherTopLevels() const
    {
        QList<QWidget *> out;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w != &host && w != &owner && w->isVisible())
                out << w;
        return out;
    }

    QTemporaryDir docs;
    enginetest::HostMessages messages;
    OwnerWidget owner;
    QWidget host;
};

} // namespace

TEST_F(Exports, LivePictureInTheHostAndCaptureRecordAtTheOwner)
{
    ASSERT_EQ(Quorvel_Init(), 1);
    Quorvel_open(&owner, &owner, &host, 0);
    auto *view = host.findChild<QWidget *>(QStringLiteral("QuorvelVideo"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->geometry(), host.rect());
    host.resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->geometry(), QRect(0, 0, 400, 300));

    // Frames are painted into the host.
    const QImage grabbed = [&] {
        waitUntil([&] { return false; }, 500);
        return host.grab().toImage();
    }();
    EXPECT_EQ(grabbed.size(), QSize(400, 300));
    // The test picture is a white ball on black: some pixels must be lit.
    int lit = 0;
    for (int y = 0; y < grabbed.height(); y += 2)
        for (int x = 0; x < grabbed.width(); x += 2)
            lit += qGray(grabbed.pixel(x, y)) > 128;
    EXPECT_GT(lit, 20);

    Quorvel_Capture(nullptr, 0);
    ASSERT_TRUE(waitUntil([&] { return !owner.sink.records().empty(); }));
    const CameraEventRecord r = owner.sink.records().front();
    EXPECT_EQ(r.type, 4);
    EXPECT_TRUE(QFileInfo::exists(quorvelRecordText(r.file)));
    EXPECT_TRUE(quorvelRecordText(r.file).startsWith(userFolder() + QStringLiteral("00/")));
    EXPECT_TRUE(owner.sink.notes().empty());

    EXPECT_TRUE(Quorvel_close(&host, 0));
    EXPECT_EQ(host.findChild<QWidget *>(QStringLiteral("QuorvelVideo")), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_F(Exports, FolderTexts)
{
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    const QString before = quorvelTakeText(Quorvel_getImgDir_root(0));
    EXPECT_EQ(before, userFolder());
    EXPECT_FALSE(Quorvel_setImgDir_root(0, "  \t "));
    EXPECT_FALSE(Quorvel_setCapDir_root(0, ""));
    EXPECT_FALSE(Quorvel_setCapDir_root(0, nullptr));
    EXPECT_EQ(quorvelTakeText(Quorvel_getImgDir_root(0)), before);
    EXPECT_TRUE(Quorvel_setImgDir_root(0, " /tmp/照片 "));
    EXPECT_EQ(quorvelTakeText(Quorvel_getImgDir_root(0)), QStringLiteral(" /tmp/照片 "));
    EXPECT_TRUE(Quorvel_setCapDir_root(0, "/tmp/rec"));
    EXPECT_EQ(quorvelTakeText(Quorvel_getCapDir_root(0)), QStringLiteral("/tmp/rec"));
    // Slot 1 holds no camera.
    EXPECT_FALSE(Quorvel_setImgDir_root(1, "/tmp"));
    EXPECT_TRUE(quorvelTakeText(Quorvel_getImgDir_root(1)).isEmpty());
    EXPECT_TRUE(quorvelTakeText(Quorvel_getCapDir_root(1)).isEmpty());
    EXPECT_TRUE(quorvelTakeText(Quorvel_tmd_Broadcast_getLocalUrl(1)).isEmpty());
    EXPECT_FALSE(Quorvel_tmd_Broadcast(1, 8080, 2, false));
    // After close nothing is left.
    Quorvel_close(nullptr, 0);
    EXPECT_TRUE(quorvelTakeText(Quorvel_getImgDir_root(0)).isEmpty());
}

TEST_F(Exports, OpenOutsideThePagesOpensNothing)
{
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 1);  // index == camera count
    EXPECT_EQ(host.findChild<QWidget *>(QStringLiteral("QuorvelVideo")), nullptr);
    Quorvel_open(&owner, nullptr, &host, 0);
    for (int page : {0, -1, 8})
        Quorvel_OpenSettings(&owner, 0, page);
    QCoreApplication::processEvents();
    EXPECT_TRUE(otherTopLevels().isEmpty());
}

// Closes the modal window shown next and keeps its caption; `then` runs
// while it is still open.
static void closeNextModal(QStringList &captions, const std::function<void()> &then = {})
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &captions, then] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        captions << modal->windowTitle();
        if (then)
            then();
        else
            modal->close();
    });
    timer->start();
}

TEST_F(Exports, SettingsAndDeviceManagerRunModallyAndFreeThemselves)
{
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    QStringList captions;
    for (int page : {1, 2, 3, 4, 5, 6, 7}) {
        closeNextModal(captions);
        Quorvel_OpenSettings(&owner, 0, page);
    }
    closeNextModal(captions);
    Quorvel_OpenSettings(&owner, 1, 2);  // an empty slot opens the window too
    closeNextModal(captions);
    Quorvel_OpenDeviceManage(&owner);
    EXPECT_EQ(captions, (QStringList{"FormSetting1", "移动侦测设置", "定时录像设置", "定时抓拍设置",
                                     "文件存放路径及录像设置", "网络设置", "视频直播参数设置", "移动侦测设置",
                                     "设备管理"}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(otherTopLevels().isEmpty());
}

// The stored lock-down switches through the stand-in, whose state file
// lies in the test's folder, and the stay-on-top switch on the host window.
TEST_F(Exports, SystemSettingsAndLockDown)
{
    const QString statePath = docs.path() + QStringLiteral("/winlock.state");
    qputenv("WINLOCK_STATE_FILE", statePath.toUtf8());
    // Written with the library released: it writes its options when it goes.
    auto writeIni = [&](const QByteArray &lines) {
        Quorvel_close(nullptr, 0);
        QFile f(userFolder() + QStringLiteral("qxCamera.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Settings]\r\n" + lines);
    };
    auto history = [&] {
        QFile f(statePath);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("history="))
                return line;
        return QByteArray();
    };

    writeIni("Desktop_Show_Hide=True\r\nTopWindow=True\r\n");
    EXPECT_EQ(Quorvel_DoWinLock(&host), 0);  // before Init
    Quorvel_Init();
    const QRect at = host.geometry();
    EXPECT_NE(Quorvel_DoWinLock(&host), 0);
    EXPECT_TRUE(host.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(host.isVisible());
    EXPECT_EQ(host.geometry(), at);
    EXPECT_EQ(history(), "history=\"Desktop_Show_Hide 0;Taskbar_Show_Hide 1;TaskManager_Enable_Disable 1;"
                         "TaskSwitching_Enable_Disable 1\"");

    writeIni("TopWindow=False\r\n");
    Quorvel_Init();
    EXPECT_NE(Quorvel_DoWinLock(&host), 0);
    EXPECT_FALSE(host.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Quorvel_DoWinLock(nullptr), 0);
    EXPECT_TRUE(messages.texts().isEmpty());

    // A switch that does not read as a boolean is told, not thrown.
    writeIni("Taskbar_Show_Hide=yes\r\n");
    Quorvel_Init();
    EXPECT_EQ(Quorvel_DoWinLock(&host), 0);
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().front().contains(QStringLiteral("Taskbar_Show_Hide")));

    // The window runs modally; "确定" stores and writes the options.
    QStringList captions;
    closeNextModal(captions, [] {
        QApplication::activeModalWidget()->findChild<QAbstractButton *>(QStringLiteral("BitBtn2"))->click();
    });
    EXPECT_EQ(Quorvel_SysSettings(&owner), int(QDialog::Accepted));
    closeNextModal(captions);
    EXPECT_EQ(Quorvel_SysSettings(&owner), int(QDialog::Rejected));
    EXPECT_EQ(captions, (QStringList{"系统设置", "系统设置"}));
    QFile ini(userFolder() + QStringLiteral("qxCamera.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("Taskbar_Show_Hide=False"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(otherTopLevels().isEmpty());
    qunsetenv("WINLOCK_STATE_FILE");
}

TEST_F(Exports, HostClosesTheLibraryWhileASettingsWindowRuns)
{
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    QStringList captions;
    // The host's handler closes the library; the window lets go of the
    // camera and closes by itself.
    closeNextModal(captions, [] { Quorvel_close(nullptr, 0); });
    Quorvel_OpenSettings(&owner, 0, 2);
    EXPECT_EQ(captions, QStringList{"移动侦测设置"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(otherTopLevels().isEmpty());
}

TEST_F(Exports, ShowPropertyOpensTheSourceProperties)
{
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    Quorvel_ShowProperty(&host, 1);  // no camera: nothing
    EXPECT_EQ(host.findChild<QDialog *>(QStringLiteral("QuorvelDeviceProperties")), nullptr);
    Quorvel_ShowProperty(&host, 0);
    auto *dialog = host.window()->findChild<QDialog *>(QStringLiteral("QuorvelDeviceProperties"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("设备属性/Device Properties"));
    dialog->close();
}

TEST_F(Exports, SecondInitAndCloseWithoutInit)
{
    EXPECT_TRUE(Quorvel_close(nullptr, 0));  // nothing to release
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    Quorvel_Init();  // releases the first state, and its camera
    EXPECT_EQ(host.findChild<QWidget *>(QStringLiteral("QuorvelVideo")), nullptr);
    EXPECT_TRUE(QFileInfo::exists(userFolder() + QStringLiteral("0.bin")));
}

TEST_F(Exports, InitGivesTheLibraryWindowsQtsChineseTexts)
{
    // This host installs no translation of its own.
    Quorvel_Init();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
}

TEST(ExportsUnload, UnloadingWithARunningCameraTearsItDown)
{
    QTemporaryDir docs;
    const QString folder = docs.path() + QStringLiteral("/Vondrel Files/");
    QDir().mkpath(folder);
    QFile f(folder + QStringLiteral("SoruceUrl.bin"));
    f.open(QIODevice::WriteOnly);
    f.write("testsrc\r\n");
    f.close();
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), docs.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral(QUORVEL_UNLOAD_PROBE), {QStringLiteral(QUORVEL_LIBRARY_PATH)});
    ASSERT_TRUE(probe.waitForFinished(60000));
    const QString output = QString::fromUtf8(probe.readAll());
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(probe.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("frames seen"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[camera 0] destroyed"))) << output.toStdString();
    // The camera saved its settings file while it was torn down.
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("0.bin")));
}

TEST(ExportsScreen, LostXServerEndsTheProcessWithoutATearDownOnTheStreamingThread)
{
    enginetest::XvfbServer xvfb;
    if (!xvfb.available())
        GTEST_SKIP() << "Xvfb is not installed";
    QTemporaryDir docs;
    const QString folder = docs.path() + QStringLiteral("/Vondrel Files/");
    QDir().mkpath(folder);
    {
        QFile f(folder + QStringLiteral("SoruceUrl.bin"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("SCREEN\r\n");
    }
    ASSERT_TRUE(xvfb.start());
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();  // DISPLAY: the Xvfb
    env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), docs.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    probe.setProcessEnvironment(env);
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral(QUORVEL_SCREEN_EXIT_PROBE));
    QString output;
    while (!output.contains(QStringLiteral("frames seen")) && probe.waitForReadyRead(20000))
        output += QString::fromUtf8(probe.readAll());
    ASSERT_TRUE(output.contains(QStringLiteral("frames seen"))) << output.toStdString();
    xvfb.stop();  // the X server goes away under the running camera
    ASSERT_TRUE(probe.waitForFinished(25000)) << output.toStdString();
    output += QString::fromUtf8(probe.readAll());
    // Ended by the lost display, with libX11's status, and without a crash.
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(probe.exitCode(), 1) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("X server of a screen source went away"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("deadlock"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("[camera 0] disable"))) << output.toStdString();
}

int main(int argc, char **argv)
{
    // Also when the test list is read at build time, outside CTest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
