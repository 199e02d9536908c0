// Pages 5 to 7 of the camera settings, offscreen, over a live camera on the
// test picture: the storage and recording panel's lists and rules, the FTP
// panel with its folder wizard against a real FTP server on 127.0.0.1, and
// the broadcast panel's test broadcast read by ffprobe.
#include "CamWindowsSupport.h"
#include "FreePort.h"
#include "FtpTestSupport.h"
#include "FtpUploader.h"
#include "IniFile.h"
#include "MediaPanels.h"
#include "ParamName.h"
#include "RecordClass_FTP.h"
#include "SoapTestServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

using namespace quorvel;
using vq::test::freePort;
using camwindowstest::LiveCamera;
using camwindowstest::saveScreenshot;
using enginetest::waitUntil;
using ftptest::FtpTestServer;

namespace {

QStringList itemTexts(const QComboBox *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

QStringList childTexts(const QTreeWidgetItem *node)
{
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i)
        out << node->child(i)->text(0);
    return out;
}

QTreeWidgetItem *childNamed(QTreeWidgetItem *node, const QString &name)
{
    for (int i = 0; i < node->childCount(); ++i)
        if (node->child(i)->text(0) == name)
            return node->child(i);
    return nullptr;
}

int imageOf(const QTreeWidgetItem *node)
{
    return node->data(0, Qt::UserRole).toInt();
}

QStringList logTexts(const QTreeWidget *log)
{
    QStringList out;
    for (int i = 0; i < log->topLevelItemCount(); ++i)
        out << log->topLevelItem(i)->text(0);
    return out;
}

void makeFile(const QString &path, const QByteArray &content = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

class MediaPanels : public LiveCamera {
protected:
    TFrame_Panel6 *openFtpPage(const FtpTestServer *server)
    {
        openPage(6);
        auto *p = panel<TFrame_Panel6>();
        if (server) {
            p->Edit_FTPIP->setText(QStringLiteral("127.0.0.1"));
            p->Edit_FTPPORT->setText(QString::number(server->port()));
            p->Edit_FTPUSER->setText(server->options().user);
            p->Edit_FTPPASSWORD->setText(server->options().password);
        }
        return p;
    }
    // Runs one wizard step to its end.
    bool step(FtpFolderWizard *wizard, const std::function<void()> &start, int timeout_ms = 20000)
    {
        bool finished = false;
        const auto c = QObject::connect(wizard, &FtpFolderWizard::stepFinished, [&] { finished = true; });
        start();
        const bool ok = waitUntil([&] { return finished; }, timeout_ms);
        QObject::disconnect(c);
        return ok;
    }
};

// --- Page 5 ------------------------------------------------------------------

TEST_F(MediaPanels, StorageListsSelectStoredNamesByPositionAndNothingWhenAbsent)
{
    Option &o = *lib->option();
    o.videoCompressors = {QStringLiteral("x264enc"), QStringLiteral("XviD MPEG-4 Codec"), QStringLiteral("theoraenc")};
    o.audioInputs = {QStringLiteral("Desk microphone"), QStringLiteral("Line in")};
    o.audioCompressors = {QStringLiteral("lamemp3enc"), QStringLiteral("MPEG Layer-3")};
    {
        auto guard = cam->LockSettings();
        data().m_VideoCompressor = QStringLiteral("theoraenc");
        data().m_VideoCompressorRecommended = false;
        data().m_AudioCompressor = QStringLiteral("Not installed here");
        data().m_AudioCompressorRecommended = false;
        data().m_AudioDevice = QStringLiteral("Line in");
        data().m_Audio = true;
    }
    openPage(5);
    auto *p = panel<TFrame_Panel5>();
    EXPECT_EQ(itemTexts(p->ComboBox_CompressFilter), o.videoCompressors);
    EXPECT_EQ(p->ComboBox_CompressFilter->currentIndex(), 2);
    EXPECT_EQ(p->ComboBox_AudioFilter->currentIndex(), 1);
    EXPECT_EQ(p->ComboBox_CompressFilter_Audio->currentIndex(), -1);
    EXPECT_TRUE(p->ComboBox_CompressFilter_Audio->currentText().isEmpty());
    closeWindow();
    // A name shown as no selection is kept as stored.
    EXPECT_EQ(data().m_AudioCompressor, QStringLiteral("Not installed here"));
    EXPECT_EQ(data().m_VideoCompressor, QStringLiteral("theoraenc"));
}

TEST_F(MediaPanels, StorageRecommendedBoxesSoundGroupAndFormatPanels)
{
    Option &o = *lib->option();
    o.videoCompressors = {QStringLiteral("x264enc"), QStringLiteral("XviD MPEG-4 Codec")};
    o.audioInputs = {QStringLiteral("Desk microphone"), QStringLiteral("Line in")};
    o.audioCompressors = {QStringLiteral("MPEG Layer-3"), QStringLiteral("lamemp3enc")};
    {
        auto guard = cam->LockSettings();
        data().m_VideoFormatRecommended = false;
        data().m_VideoFormat = 1;
        data().m_VideoCompressorRecommended = false;
        data().m_VideoCompressor = QStringLiteral("x264enc");
        data().m_AudioCompressorRecommended = false;
        data().m_AudioCompressor = QStringLiteral("lamemp3enc");
        data().m_AudioDevice.clear();
        data().m_Audio = false;
    }
    openPage(5);
    auto *p = panel<TFrame_Panel5>();
    EXPECT_TRUE(p->Panel_avi->isVisibleTo(p));
    EXPECT_FALSE(p->Panel_wmv->isVisibleTo(p));

    // A recommended entry after the first locks its list; unticking frees it.
    p->CheckBox_CompressFilter->click();
    EXPECT_EQ(p->ComboBox_CompressFilter->currentText(), QStringLiteral("XviD MPEG-4 Codec"));
    EXPECT_FALSE(p->ComboBox_CompressFilter->isEnabled());
    p->CheckBox_CompressFilter->click();
    EXPECT_TRUE(p->ComboBox_CompressFilter->isEnabled());
    p->CheckBox_CompressFilter->click();

    // Switching sound on picks the first device when none is chosen.
    EXPECT_FALSE(p->ComboBox_AudioFilter->isEnabled());
    EXPECT_EQ(p->ComboBox_AudioFilter->currentIndex(), -1);
    p->CheckBox_Audio->click();
    EXPECT_TRUE(p->ComboBox_AudioFilter->isEnabled());
    EXPECT_EQ(p->ComboBox_AudioFilter->currentText(), QStringLiteral("Desk microphone"));
    // "MPEG Layer-3" is the first entry: selected, the list stays free.
    p->CheckBox_CompressFilter_Audio->click();
    EXPECT_EQ(p->ComboBox_CompressFilter_Audio->currentText(), QStringLiteral("MPEG Layer-3"));
    EXPECT_TRUE(p->ComboBox_CompressFilter_Audio->isEnabled());

    // The recommended format is WMV, with its list locked.
    p->CheckBox_VideoFormat->click();
    EXPECT_EQ(p->ComboBox_VideoFormat->currentText(), QStringLiteral("WMV"));
    EXPECT_FALSE(p->ComboBox_VideoFormat->isEnabled());
    EXPECT_TRUE(p->Panel_wmv->isVisibleTo(p));
    EXPECT_FALSE(p->Panel_avi->isVisibleTo(p));
    EXPECT_EQ(p->ComboBox_WMVFPS->itemText(29), QStringLiteral("30 FPS"));
    EXPECT_EQ(p->ComboBox_WMVSIZE->itemText(7), QStringLiteral("1024 x 768"));
    p->TrackBar_WMVBitRate->setValue(1000);
    EXPECT_EQ(p->Label_WMVBitRate->text(), QStringLiteral("1000kbps"));
    p->ComboBox_WMVSIZE->setCurrentIndex(1);
    p->ComboBox_WMVFPS->setCurrentIndex(14);
    p->ComboBox_GraphFormat->setCurrentIndex(1);
    p->CheckBox_graph_filename_nochange->click();
    EXPECT_TRUE(p->Edit_graph_filename_nochange_text->isEnabled());
    p->Edit_graph_filename_nochange_text->setText(QStringLiteral("gate.bmp"));
    saveScreenshot(window, QStringLiteral("settings-storage.png"));
    closeWindow();

    const CDataClass &d = data();
    EXPECT_EQ(d.m_VideoFormat, 0);
    EXPECT_TRUE(d.m_VideoFormatRecommended);
    EXPECT_EQ(d.m_VideoCompressor, QStringLiteral("XviD MPEG-4 Codec"));
    EXPECT_TRUE(d.m_VideoCompressorRecommended);
    EXPECT_EQ(d.m_AudioCompressor, QStringLiteral("MPEG Layer-3"));
    EXPECT_TRUE(d.m_AudioCompressorRecommended);
    EXPECT_TRUE(d.m_Audio);
    EXPECT_EQ(d.m_AudioDevice, QStringLiteral("Desk microphone"));
    EXPECT_EQ(d.m_WMVBitRate, 1000);
    EXPECT_EQ(d.m_WMVSize, 1);
    EXPECT_EQ(d.m_WMVFPS, 14);
    EXPECT_EQ(d.m_GraphFormat, 1);
    EXPECT_TRUE(d.m_FixedFileName);
    EXPECT_EQ(d.m_FixedFileNameText, QStringLiteral("gate.bmp"));
}

TEST_F(MediaPanels, StorageFoldersChosenWithTheirTitlesAndUsedForPictures)
{
    openPage(5);
    auto *p = panel<TFrame_Panel5>();
    QStringList titles;
    const QString pictures = folder->path() + QStringLiteral("chosen pictures");
    QString answer;
    p->chooseFolder = [&](const QString &title, const QString &) {
        titles << title;
        return answer;
    };
    answer = folder->path() + QStringLiteral("recordings");
    p->BitBtn1->click();
    answer = pictures;
    p->BitBtn4->click();
    answer.clear();  // cancelled: the field keeps its folder
    p->BitBtn4->click();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("选择录像存放目录"), QStringLiteral("选择图片存放目录"),
                                   QStringLiteral("选择图片存放目录")}));
    EXPECT_EQ(p->Edit_ImagePath->text(), pictures + u'/');
    EXPECT_EQ(cam->ImgDirRoot(), folder->path());  // taken over only on close
    closeWindow();
    EXPECT_EQ(cam->CapDirRoot(), folder->path() + QStringLiteral("recordings/"));
    EXPECT_EQ(cam->ImgDirRoot(), pictures + u'/');
    // The next snapshot lands in the chosen folder.
    const auto before = cam->Callback().LastSavedSnapshot().count;
    cam->RequestSnapshot(CSampleGrabberCB::kSnapshotCapture);
    ASSERT_TRUE(waitUntil([&] { return cam->Callback().LastSavedSnapshot().count > before; }));
    EXPECT_TRUE(cam->Callback().LastSavedSnapshot().path.startsWith(pictures + u'/'));
}

// --- Page 6 ------------------------------------------------------------------

TEST_F(MediaPanels, FtpFieldsStoredAndTheRunningUploadThreadUsesTheNewServer)
{
    FtpTestServer server;
    RecordClass_FTP &f = cam->FtpRecord();
    f.snapInterval = 0;
    f.uploadBatch = 0;
    // The upload thread runs with a short pass against no server yet.
    static_cast<FtpUploader *>(f.uploadMachinery())->setIntervalOverride(200);
    f.startUploadThread();

    auto *p = openFtpPage(nullptr);
    EXPECT_EQ(p->Edit_FTPPASSWORD->echoMode(), QLineEdit::Password);
    EXPECT_EQ(p->CSpinEdit4->value(), 1);  // the lists' lowest values
    EXPECT_EQ(p->CSpinEdit2->value(), 1);
    p->Edit_FTPIP->setText(QStringLiteral("127.0.0.1"));
    p->Edit_FTPPORT->clear();
    QTest::keyClicks(p->Edit_FTPPORT, QStringLiteral("2a1-"));
    EXPECT_EQ(p->Edit_FTPPORT->text(), QStringLiteral("21"));  // digits only
    p->Edit_FTPPORT->setText(QString::number(server.port()));
    p->Edit_FTPUSER->setText(server.options().user);
    p->Edit_FTPPASSWORD->setText(server.options().password);
    p->CSpinEdit4->setValue(7);
    p->CSpinEdit1->setValue(3);
    p->CSpinEdit2->setValue(12);
    p->CheckBox_FTPmakeDIRbyDate->setChecked(false);
    p->CheckBox_FTPfixdFileName->click();
    EXPECT_TRUE(p->Edit_FTPfixedFileName->isEnabled());
    p->Edit_FTPfixedFileName->setText(QStringLiteral("latest.jpg"));
    p->CheckBox_FTPMoveImageUpload->setChecked(true);
    saveScreenshot(window, QStringLiteral("settings-ftp.png"));
    closeWindow();

    EXPECT_EQ(f.ftpHost, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(f.ftpPort, QString::number(server.port()));
    EXPECT_EQ(f.ftpPassword, server.options().password);
    EXPECT_EQ(f.snapInterval, 7);
    EXPECT_EQ(f.uploadInterval, 3);
    EXPECT_EQ(f.uploadBatch, 12);
    EXPECT_EQ(f.fixedNameOn, 1);
    EXPECT_EQ(f.fixedName, QStringLiteral("latest.jpg"));
    EXPECT_EQ(f.uploadMotionPictures, 1);
    EXPECT_EQ(cam->Callback().m_UploadOn.load(), 1);

    // The thread started before the change sends to the new server.
    const QString picture = folder->path() + QStringLiteral("queued.jpg");
    makeFile(picture, QByteArray(2000, 'p'));
    cam->Callback().m_pUploadQueue.append(picture);
    EXPECT_TRUE(waitUntil([&] { return server.renamed().contains(QStringLiteral("latest.jpg")); }, 15000));
    EXPECT_EQ(ftptest::readAll(server.root() + QStringLiteral("/latest.jpg")), QByteArray(2000, 'p'));
}

TEST_F(MediaPanels, FtpWizardNeedsAddressAndPort)
{
    struct Case {
        const char *host;
        const char *port;
    };
    for (const Case c : {Case{"", "21"}, Case{"127.0.0.1", ""}, Case{"", ""}}) {
        auto *p = openFtpPage(nullptr);
        p->Edit_FTPIP->setText(QString::fromLatin1(c.host));
        p->Edit_FTPPORT->setText(QString::fromLatin1(c.port));
        messages.clear();
        p->BitBtn7->click();
        EXPECT_EQ(messages.texts(), QStringList{QStringLiteral("请先填写FTP服务器地址和端口！")}) << c.host << c.port;
        EXPECT_FALSE(p->PanelFTPWizart->isVisible());
        closeWindow();
    }
}

TEST_F(MediaPanels, FtpWizardTreeFolderPathTestUploadAndAccept)
{
    FtpTestServer server;
    makeFile(server.root() + QStringLiteral("/a/b/old.jpg"));
    makeFile(server.root() + QStringLiteral("/a/notes.txt"));
    makeFile(server.root() + QStringLiteral("/readme.txt"));
    QDir().mkpath(server.root() + QStringLiteral("/c"));

    auto *p = openFtpPage(&server);
    p->Edit_FTPDIR->setText(QStringLiteral("/before/"));
    p->BitBtn7->click();
    FtpFolderWizard *w = p->PanelFTPWizart;
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(w->pos(), QPoint(20, 50));
    EXPECT_EQ(w->Edit_FTPDIR_SHOW->text(), QStringLiteral("/before/"));
    EXPECT_EQ(cam->Callback().m_hTestWnd.load(), w->Panel6);

    ASSERT_TRUE(step(w, [&] { w->BitBtn5->click(); }));
    ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1);
    QTreeWidgetItem *root = w->TreeView1->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("/"));
    QStringList top = childTexts(root);
    top.sort();
    ASSERT_EQ(top, (QStringList{"a", "c", "readme.txt"})) << logTexts(w->ListViewLog).join(u'\n').toStdString();
    EXPECT_EQ(imageOf(childNamed(root, "a")), 0);
    EXPECT_EQ(imageOf(childNamed(root, "readme.txt")), 2);

    ASSERT_TRUE(step(w, [&] { w->nodeClicked(childNamed(root, "a")); }));
    QTreeWidgetItem *a = childNamed(root, "a");
    EXPECT_EQ(w->Edit_FTPDIR_SHOW->text(), QStringLiteral("/a/"));
    ASSERT_NE(childNamed(a, "b"), nullptr);
    ASSERT_NE(childNamed(a, "notes.txt"), nullptr);
    EXPECT_EQ(imageOf(childNamed(a, "notes.txt")), 2);
    ASSERT_TRUE(step(w, [&] { w->nodeClicked(childNamed(a, "b")); }));
    EXPECT_EQ(w->Edit_FTPDIR_SHOW->text(), QStringLiteral("/a/b/"));
    EXPECT_EQ(childTexts(childNamed(a, "b")), QStringList{"old.jpg"});
    // A file node is no folder: nothing happens.
    w->nodeClicked(childNamed(a, "notes.txt"));
    EXPECT_FALSE(w->working());

    // The newest log row comes first and carries the time.
    ASSERT_GT(w->ListViewLog->topLevelItemCount(), 2);
    EXPECT_TRUE(w->ListViewLog->topLevelItem(0)->text(0).contains(QStringLiteral("/a/b/")));
    EXPECT_TRUE(logTexts(w->ListViewLog).last().startsWith(QStringLiteral("Connecting to 127.0.0.1:")));
    EXPECT_TRUE(QTime::fromString(w->ListViewLog->topLevelItem(0)->text(1), QStringLiteral("HH:mm:ss")).isValid());

    // The test upload: a fresh snapshot, sent under its own name, to the
    // root and then to the folder chosen in the tree.
    w->Edit_FTPDIR_SHOW->setText(QStringLiteral("/"));
    ASSERT_TRUE(step(w, [&] { w->BitBtn1->click(); }));
    EXPECT_EQ(logTexts(w->ListViewLog).first(), QStringLiteral("upload file is ok."));
    const auto toRoot = cam->Callback().LastSavedSnapshot();
    EXPECT_TRUE(QFileInfo::exists(server.root() + u'/' + QFileInfo(toRoot.path).fileName()));
    w->nodeClicked(nullptr);
    w->Edit_FTPDIR_SHOW->setText(QStringLiteral("/a/b/"));
    ASSERT_TRUE(step(w, [&] { w->BitBtn1->click(); }));
    const auto saved = cam->Callback().LastSavedSnapshot();
    ASSERT_FALSE(saved.path.isEmpty());
    EXPECT_EQ(logTexts(w->ListViewLog).first(), QStringLiteral("upload file is ok."));
    const QString sent = server.root() + QStringLiteral("/a/b/") + QFileInfo(saved.path).fileName();
    EXPECT_EQ(ftptest::readAll(sent), ftptest::readAll(saved.path));
    EXPECT_FALSE(ftptest::readAll(sent).isEmpty());
    saveScreenshot(window, QStringLiteral("settings-ftp-wizard.png"));

    w->SpeedButton2->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(p->Edit_FTPDIR->text(), QStringLiteral("/a/b/"));
    closeWindow();
    EXPECT_EQ(cam->FtpRecord().ftpFolder, QStringLiteral("/a/b/"));
}

TEST_F(MediaPanels, FtpWizardRefusedLoginIsLoggedNotBoxed)
{
    FtpTestServer server;
    server.command(QStringLiteral("refuse-login 1"));
    auto *p = openFtpPage(&server);
    p->BitBtn7->click();
    FtpFolderWizard *w = p->PanelFTPWizart;
    messages.clear();
    ASSERT_TRUE(step(w, [&] { w->BitBtn5->click(); }));
    EXPECT_EQ(w->TreeView1->topLevelItemCount(), 0);
    const QString log = logTexts(w->ListViewLog).join(u'\n');
    EXPECT_TRUE(log.contains(QStringLiteral("Connect failed"))) << log.toStdString();
    EXPECT_FALSE(log.contains(server.options().password)) << log.toStdString();
    EXPECT_TRUE(messages.texts().isEmpty());
    // The test upload logs the same way and uploads nothing.
    ASSERT_TRUE(step(w, [&] { w->BitBtn1->click(); }));
    EXPECT_TRUE(logTexts(w->ListViewLog).first().contains(QStringLiteral("Connect failed")));
    EXPECT_TRUE(messages.texts().isEmpty());
    w->SpeedButton1->click();  // cancel
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(p->Edit_FTPDIR->text().isEmpty());
}

TEST_F(MediaPanels, FtpWizardStaysResponsiveOnASilentServerAndClosesAtOnce)
{
    FtpTestServer::Options silent;
    silent.silent = true;
    FtpTestServer server(silent);
    auto *p = openFtpPage(&server);
    p->BitBtn7->click();
    FtpFolderWizard *w = p->PanelFTPWizart;
    w->BitBtn5->click();
    ASSERT_TRUE(w->working());
    EXPECT_FALSE(w->BitBtn5->isEnabled());
    EXPECT_FALSE(w->BitBtn1->isEnabled());
    EXPECT_TRUE(w->Animate1->isVisible());
    // Events run meanwhile: timers fire and the picture keeps coming.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    const int shown = w->Panel6->shownPictures();
    EXPECT_TRUE(waitUntil([&] { return ticks >= 10 && w->Panel6->shownPictures() > shown; }, 8000));
    EXPECT_TRUE(w->working());
    // Closing abandons the step; the window goes without waiting for the
    // server.
    window->close();
    EXPECT_TRUE(waitUntil([&] { return window.isNull(); }, 3000));
}

// Listings that are large, damaged or cut: the tree shows what arrived, the
// log names the problem, and the wizard can log in again.
struct ListingCase {
    const char *name;
    const char *command;  // sent to the server before the login
    int files;            // plain files in the server's root besides "a" and "c"
    bool complete;        // every entry arrives
    const char *logged;   // a part of the log
};

class WizardListing : public MediaPanels, public testing::WithParamInterface<ListingCase> {};

TEST_P(WizardListing, TreeShowsWhatArrivedAndTheLogSaysWhy)
{
    const ListingCase c = GetParam();
    FtpTestServer server;
    QDir().mkpath(server.root() + QStringLiteral("/a"));
    QDir().mkpath(server.root() + QStringLiteral("/c"));
    for (int i = 0; i < c.files; ++i)
        makeFile(server.root() + QStringLiteral("/picture %1.jpg").arg(i, 4, 10, QLatin1Char('0')));
    if (*c.command)
        server.command(QString::fromLatin1(c.command));
    auto *p = openFtpPage(&server);
    p->BitBtn7->click();
    FtpFolderWizard *w = p->PanelFTPWizart;
    ASSERT_TRUE(step(w, [&] { w->BitBtn5->click(); }, 60000));
    const QString log = logTexts(w->ListViewLog).join(u'\n');
    EXPECT_TRUE(log.contains(QString::fromLatin1(c.logged))) << log.toStdString();
    ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1) << log.toStdString();
    QTreeWidgetItem *root = w->TreeView1->topLevelItem(0);
    const int all = c.files + 2;
    if (c.complete) {
        EXPECT_EQ(root->childCount(), all);
        ASSERT_NE(childNamed(root, "a"), nullptr);
        EXPECT_EQ(imageOf(childNamed(root, "a")), 0);
        if (c.files > 0) {
            ASSERT_NE(childNamed(root, "picture 0000.jpg"), nullptr);
            EXPECT_EQ(imageOf(childNamed(root, "picture 0000.jpg")), 2);
        }
    } else {
        EXPECT_GT(root->childCount(), 0);
        EXPECT_LT(root->childCount(), all);
    }
    // Only real names are shown.
    for (int i = 0; i < root->childCount(); ++i)
        EXPECT_TRUE(QFileInfo::exists(server.root() + u'/' + root->child(i)->text(0))) << root->child(i)->text(0).toStdString();

    // The window stays usable: a normal server gives the whole tree again.
    server.command(QStringLiteral("listing normal"));
    server.command(QStringLiteral("no-mlsd 0"));
    ASSERT_TRUE(step(w, [&] { w->BitBtn5->click(); }, 60000));
    ASSERT_EQ(w->TreeView1->topLevelItemCount(), 1);
    EXPECT_EQ(w->TreeView1->topLevelItem(0)->childCount(), all);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, WizardListing,
    testing::Values(ListingCase{"ThousandsOfEntries", "", 3000, true, "holds 2 folder(s) and 3000 file(s)"},
                    ListingCase{"NoMachineReadableListing", "no-mlsd 1", 3, true, "its LIST reply was read"},
                    ListingCase{"MalformedLines", "listing malformed", 3, true, "could not be read"},
                    ListingCase{"ConnectionDroppedMidListing", "listing drop", 40, false, "Listing / failed"}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });

// --- Page 7 ------------------------------------------------------------------

struct ShownCase {
    const char *name;
    int size, fps, bitRate;
    int shownSize, shownFps, shownBitRate;
};

class BroadcastShown : public MediaPanels, public testing::WithParamInterface<ShownCase> {};

TEST_P(BroadcastShown, OutOfRangeValuesShowTheirDefaultsAndAreStored)
{
    const ShownCase c = GetParam();
    data().m_BroadcastSize = c.size;
    data().m_BroadcastFPS = c.fps;
    data().m_BroadcastBitRate = c.bitRate;
    openPage(7);
    auto *p = panel<TFrame_Panel7>();
    EXPECT_EQ(p->ComboBox_profile->currentIndex(), c.shownSize);
    EXPECT_EQ(p->ComboBox_profile_fps->currentIndex(), c.shownFps);
    EXPECT_EQ(p->TrackBar_BitRate->value(), c.shownBitRate);
    EXPECT_EQ(p->Label_BitRate->text(), QStringLiteral("%1kbps").arg(c.shownBitRate));
    closeWindow();
    EXPECT_EQ(data().m_BroadcastSize, c.shownSize);
    EXPECT_EQ(data().m_BroadcastFPS, c.shownFps);
    EXPECT_EQ(data().m_BroadcastBitRate, c.shownBitRate);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, BroadcastShown,
    testing::Values(ShownCase{"InRange", 7, 29, 2227, 7, 29, 2227}, ShownCase{"Rate30Shows5Fps", 1, 30, 800, 1, 4, 800},
                    ShownCase{"NegativeValues", -1, -1, -5, 0, 4, 1335},
                    ShownCase{"BeyondTheLists", 8, 99, 2228, 0, 4, 1335}),
    [](const auto &info) { return vq::test::paramName(info.param.name); });

TEST_F(MediaPanels, BroadcastTestTwiceStartsThenStopsAndClientsReadTheStream)
{
    broadcasttest::SoapTestServer service(
        200, "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
             "<soap:Body><getIPResponse xmlns=\"http://tempuri.org/\"><getIPResult>198.51.100.4</getIPResult>"
             "</getIPResponse></soap:Body></soap:Envelope>");
    IniFile ini = IniFile::load(lib->option()->iniPath);
    ini.write(QStringLiteral("Settings"), QStringLiteral("PublicAddressService"), QString::fromLatin1(service.url()));
    ASSERT_TRUE(ini.save(lib->option()->iniPath));
    const int port = freePort();

    openPage(7);
    auto *p = panel<TFrame_Panel7>();
    QList<QUrl> opened;
    p->openAddress = [&](const QUrl &url) {
        opened << url;
        return true;
    };
    p->Edit_port->setText(QString::number(port));
    p->ComboBox_profile->setCurrentIndex(1);   // 320 x 240
    p->ComboBox_profile_fps->setCurrentIndex(14);
    p->CSpinEdit_maxClient->setValue(3);
    EXPECT_FALSE(p->Label_LocalIP->isVisibleTo(p));

    p->BitBtn5->click();
    ASSERT_TRUE(cam->IsBroadcasting()) << messages.texts().join(u'|').toStdString();
    EXPECT_EQ(data().m_Port, port);  // saved before the start
    EXPECT_TRUE(p->Label_LocalIP->isVisibleTo(p));
    EXPECT_TRUE(p->SpeedButton1->isVisibleTo(p));
    EXPECT_EQ(p->Label_LocalIP->text(), cam->m_LocalUrl);
    EXPECT_TRUE(cam->m_LocalUrl.endsWith(QStringLiteral(":%1").arg(port))) << cam->m_LocalUrl.toStdString();
    EXPECT_EQ(p->Label_publicIP->text(), QStringLiteral("http://198.51.100.4:%1").arg(port));

    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                                           QStringLiteral("-of"), QStringLiteral("json"),
                                           QStringLiteral("http://127.0.0.1:%1/").arg(port)});
    ASSERT_TRUE(waitUntil([&] { return probe.state() == QProcess::NotRunning; }, 30000));
    const QJsonArray streams =
        QJsonDocument::fromJson(probe.readAllStandardOutput()).object().value(QStringLiteral("streams")).toArray();
    ASSERT_FALSE(streams.isEmpty()) << probe.readAllStandardError().constData();
    EXPECT_EQ(streams.first().toObject().value(QStringLiteral("width")).toInt(), 320);

    p->SpeedButton2->click();
    p->SpeedButton1->click();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(cam->m_LocalUrl), QUrl(QStringLiteral("http://198.51.100.4:%1").arg(port))}));
    saveScreenshot(window, QStringLiteral("settings-broadcast.png"));

    p->BitBtn5->click();
    EXPECT_FALSE(cam->IsBroadcasting());
    EXPECT_FALSE(p->Label_LocalIP->isVisibleTo(p));
    EXPECT_FALSE(p->SpeedButton2->isVisibleTo(p));

    // A test broadcast still running when the window closes is stopped.
    p->BitBtn5->click();
    ASSERT_TRUE(cam->IsBroadcasting());
    closeWindow();
    EXPECT_FALSE(cam->IsBroadcasting());
}

TEST_F(MediaPanels, BroadcastPortThatIsNoNumberKeepsTheStoredPortWithAMessage)
{
    data().m_Port = 8090;
    openPage(7);
    auto *p = panel<TFrame_Panel7>();
    EXPECT_EQ(p->Edit_port->text(), QStringLiteral("8090"));
    for (const char *text : {"", "99999"}) {
        p->Edit_port->setText(QString::fromLatin1(text));
        messages.clear();
        p->save();
        EXPECT_EQ(data().m_Port, 8090) << text;
        ASSERT_EQ(messages.count(), 1) << text;
        EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("8090")));
        EXPECT_EQ(p->Edit_port->text(), QStringLiteral("8090"));
    }
}

TEST_F(MediaPanels, EmptySlotPagesDoNothing)
{
    FtpTestServer server;
    for (int page : {5, 6, 7}) {
        openPage(page, 1);
        EXPECT_EQ(window->windowTitle(), TFormSetting::captionFor(page));
        closeWindow();
    }
    auto *p = static_cast<TFrame_Panel6 *>(openPage(6, 1)->panel());
    p->Edit_FTPIP->setText(QStringLiteral("127.0.0.1"));
    p->Edit_FTPPORT->setText(QString::number(server.port()));
    p->BitBtn7->click();
    EXPECT_FALSE(p->PanelFTPWizart->isVisible());
    p->PanelFTPWizart->login();
    EXPECT_FALSE(p->PanelFTPWizart->working());
    closeWindow();
    auto *p7 = static_cast<TFrame_Panel7 *>(openPage(7, 1)->panel());
    p7->BitBtn5->click();
    EXPECT_FALSE(cam->IsBroadcasting());
    closeWindow();
    EXPECT_EQ(server.connections(), 0);
}

} // namespace
