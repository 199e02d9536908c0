// Page 6: FTP upload of the camera's pictures, and the folder wizard that
// browses the server with a connection of its own on a worker thread.
#include "MediaPanels.h"

#include "LibReporter.h"
#include "MediaPanelRules.h"
#include "Option.h"
#include "PanelWidgets.h"
#include "RecordClass_FTP.h"
#include "TIndyFTPCore.h"
#include "UsbCamera.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyle>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel {

namespace {

// Tree node kinds, kept with each node as the picture it shows.
constexpr int kFolderImage = 0;
constexpr int kFileImage = 2;
constexpr int kImageRole = Qt::UserRole;
// The log keeps its newest rows; a wizard left open stays light.
constexpr int kMaxLogRows = 1000;
// Waits of the test upload for the camera's picture, a second each.
constexpr int kSnapshotWaits = 5;

QLineEdit *field(const QString &name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

QSpinBox *spin(const QString &name, int low, int high, QWidget *parent)
{
    auto *s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(low, high);
    return s;
}

// What a step on the worker hands back.
struct StepResult {
    QStringList log;
    bool connected = false;
    bool ok = false;
    FtpListResult listing;
};

} // namespace

// Owns the wizard's connection; lives on the wizard's worker thread, where
// every use of the connection runs.
class FtpWizardWorker : public QObject {
public:
    FtpWizardWorker() : core(0, FtpTimeouts{10000, 30, 15}) {}
    TIndyFTPCore core;

    // Connects and logs in unless connected; the log says how it went.
    bool connect(const FtpFolderWizard::Server &server, QStringList &log)
    {
        if (core.isConnected())
            return true;
        core.clearAbort();
        if (!core.setServer(server.host, server.port, QString(), server.password, server.user)) {
            log << QStringLiteral("Cannot connect: \"%1\" port \"%2\" is not a usable server.")
                       .arg(server.host, server.port);
            return false;
        }
        log << QStringLiteral("Connecting to %1.").arg(core.serverText());
        if (!core.ensureConnected()) {
            log << QStringLiteral("Connect failed: %1").arg(core.lastError());
            return false;
        }
        log << QStringLiteral("Connected.");
        return true;
    }
};

// ---------------------------------------------------------------------------
// The folder wizard

FtpFolderWizard::FtpFolderWizard(UsbCamera *camera, QWidget *parent) : QFrame(parent), m_cam(camera)
{
    setObjectName(QStringLiteral("PanelFTPWizart"));
    setAutoFillBackground(true);  // it lies over the panel's fields
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);

    Panel6 = new PreviewArea(this);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Edit_FTPDIR_SHOW = field(QStringLiteral("Edit_FTPDIR_SHOW"), this);
    Edit_FTPDIR_SHOW->setReadOnly(true);
    BitBtn5 = button(QStringLiteral("登录FTP主机..."), QStringLiteral("BitBtn5"), this);
    BitBtn1 = button(QStringLiteral("尝试抓拍传到FTP"), QStringLiteral("BitBtn1"), this);
    SpeedButton2 = button(QStringLiteral("确定"), QStringLiteral("SpeedButton2"), this);
    SpeedButton1 = button(QStringLiteral("取消"), QStringLiteral("SpeedButton1"), this);
    Animate1 = new QProgressBar(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setRange(0, 0);  // an endless busy bar
    Animate1->setTextVisible(false);
    Animate1->setMaximumHeight(12);
    Animate1->setVisible(false);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setUniformRowHeights(true);  // thousands of entries stay quick
    TreeView1->setMinimumSize(240, 240);
    ListViewLog = new QTreeWidget(this);
    ListViewLog->setObjectName(QStringLiteral("ListViewLog"));
    ListViewLog->setRootIsDecorated(false);
    ListViewLog->setUniformRowHeights(true);
    ListViewLog->setHeaderLabels({QStringLiteral("信息"), QStringLiteral("时间")});
    ListViewLog->header()->setStretchLastSection(false);
    ListViewLog->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListViewLog->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    ListViewLog->setMinimumHeight(110);

    auto *dirRow = new QHBoxLayout;
    dirRow->addWidget(new QLabel(QStringLiteral("上传到文件夹"), this));
    dirRow->addWidget(Edit_FTPDIR_SHOW, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn5);
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton1);
    auto *left = new QVBoxLayout;
    left->addWidget(Panel6);
    left->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(TreeView1, 1);
    auto *frame = new QGroupBox(QStringLiteral("选择上传FTP文件夹"), this);
    auto *l = new QVBoxLayout(frame);
    l->addLayout(top, 1);
    l->addLayout(dirRow);
    l->addWidget(Animate1);
    l->addLayout(buttons);
    l->addWidget(ListViewLog);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(frame);

    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    m_wait->setInterval(1000);

    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("ftp-wizard"));
    m_worker = new FtpWizardWorker;
    m_worker->moveToThread(m_thread);
    m_thread->start();

    connect(BitBtn5, &QPushButton::clicked, this, &FtpFolderWizard::login);
    connect(BitBtn1, &QPushButton::clicked, this, &FtpFolderWizard::testUpload);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { nodeClicked(item); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { Q_EMIT accepted(Edit_FTPDIR_SHOW->text()); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { Q_EMIT cancelled(); });
}

FtpFolderWizard::~FtpFolderWizard()
{
    // A step still running ends at once: the connection is cut, its result
    // is dropped with this window. The worker never waits on this thread.
    m_worker->core.abort();
    if (m_working)
        QApplication::restoreOverrideCursor();
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

template <typename Step, typename Done>
void FtpFolderWizard::runOnWorker(Step step, Done done)
{
    const std::uint64_t token = m_step;
    QMetaObject::invokeMethod(m_worker, [this, token, step = std::move(step), done = std::move(done)]() mutable {
        StepResult result = step(*m_worker);
        // This window outlives the worker's steps (its destructor waits for
        // them), so it is there to receive the result.
        QMetaObject::invokeMethod(this, [this, token, done = std::move(done), result = std::move(result)]() mutable {
            if (token != m_step)
                return;  // abandoned when the connection was closed
            for (const QString &line : result.log)
                log(line);
            done(result);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void FtpFolderWizard::log(const QString &text)
{
    auto *row = new QTreeWidgetItem({text, QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))});
    ListViewLog->insertTopLevelItem(0, row);
    while (ListViewLog->topLevelItemCount() > kMaxLogRows)
        delete ListViewLog->takeTopLevelItem(ListViewLog->topLevelItemCount() - 1);
}

void FtpFolderWizard::setWorking(bool on)
{
    m_working = on;
    for (QWidget *w : {static_cast<QWidget *>(BitBtn5), static_cast<QWidget *>(BitBtn1),
                       static_cast<QWidget *>(SpeedButton2), static_cast<QWidget *>(SpeedButton1)})
        w->setEnabled(!on);
    Animate1->setVisible(on);
    if (on)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void FtpFolderWizard::finishStep()
{
    setWorking(false);
    Q_EMIT stepFinished();
}

namespace {

void addListing(QTreeWidgetItem *node, const FtpListResult &listing, QStyle *style)
{
    const QIcon folder = style->standardIcon(QStyle::SP_DirIcon);
    const QIcon file = style->standardIcon(QStyle::SP_FileIcon);
    QList<QTreeWidgetItem *> children;
    children.reserve(qsizetype(listing.entries.size()));
    for (const FtpListEntry &e : listing.entries) {
        if (e.kind == FtpListEntry::Kind::Other)
            continue;
        auto *child = new QTreeWidgetItem({e.name});
        const bool isFolder = e.kind == FtpListEntry::Kind::Folder;
        child->setIcon(0, isFolder ? folder : file);
        child->setData(0, kImageRole, isFolder ? kFolderImage : kFileImage);
        children << child;
    }
    node->addChildren(children);
    node->setExpanded(true);
}

void logListing(const QString &path, const FtpListResult &listing, QStringList &log)
{
    if (!listing.machineReadable)
        log << QStringLiteral("%1: the server does not know MLSD; its LIST reply was read.").arg(path);
    if (listing.malformed > 0)
        log << QStringLiteral("%1: %2 lines of the listing could not be read and were skipped.")
                   .arg(path)
                   .arg(listing.malformed);
    if (!listing.error.isEmpty())
        log << QStringLiteral("Listing %1 failed: %2").arg(path, listing.error);
    else {
        int folders = 0, files = 0;
        for (const FtpListEntry &e : listing.entries) {
            folders += e.kind == FtpListEntry::Kind::Folder;
            files += e.kind == FtpListEntry::Kind::File;
        }
        log << QStringLiteral("%1 holds %2 folder(s) and %3 file(s).").arg(path).arg(folders).arg(files);
    }
}

} // namespace

void FtpFolderWizard::login()
{
    if (!m_cam || m_working || !server)
        return;
    setWorking(true);
    TreeView1->clear();
    const std::uint64_t generation = ++m_treeGeneration;
    runOnWorker(
        [srv = server()](FtpWizardWorker &w) {
            StepResult r;
            r.connected = w.connect(srv, r.log);
            if (r.connected) {
                r.listing = w.core.listFolder(QStringLiteral("/"));
                logListing(QStringLiteral("/"), r.listing, r.log);
            }
            return r;
        },
        [this, generation](const StepResult &r) {
            if (r.connected && generation == m_treeGeneration) {
                auto *root = new QTreeWidgetItem({QStringLiteral("/")});
                root->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
                root->setData(0, kImageRole, kFolderImage);
                TreeView1->addTopLevelItem(root);
                addListing(root, r.listing, style());
            }
            finishStep();
        });
}

void FtpFolderWizard::nodeClicked(QTreeWidgetItem *item)
{
    if (!m_cam || m_working || !server || !item)
        return;
    if (item->data(0, kImageRole).toInt() != kFolderImage || item->childCount() > 0)
        return;
    QStringList texts;
    for (QTreeWidgetItem *n = item; n; n = n->parent())
        texts.prepend(n->text(0));
    const QString path = ftpFolderPath(texts);
    Edit_FTPDIR_SHOW->setText(path);
    setWorking(true);
    const std::uint64_t generation = m_treeGeneration;
    runOnWorker(
        [srv = server(), path](FtpWizardWorker &w) {
            StepResult r;
            r.connected = w.connect(srv, r.log);
            if (r.connected) {
                r.listing = w.core.listFolder(path);
                logListing(path, r.listing, r.log);
            }
            return r;
        },
        [this, generation, item](const StepResult &r) {
            // The tree is cleared only by a login, which waits for this step.
            if (r.connected && generation == m_treeGeneration)
                addListing(item, r.listing, style());
            finishStep();
        });
}

void FtpFolderWizard::testUpload()
{
    if (!m_cam || m_working || !server)
        return;
    setWorking(true);
    const QString folder = Edit_FTPDIR_SHOW->text();
    runOnWorker(
        [srv = server()](FtpWizardWorker &w) {
            StepResult r;
            r.connected = w.connect(srv, r.log);
            return r;
        },
        [this, folder](const StepResult &r) {
            if (!r.connected || !m_cam) {
                finishStep();
                return;
            }
            // Only a picture saved after this request counts: the camera's
            // last picture may be an old one.
            const std::uint64_t before = m_cam->Callback().LastSavedSnapshot().count;
            m_cam->RequestSnapshot(CSampleGrabberCB::kSnapshotNetworkTest);
            runOnWorker(
                [folder](FtpWizardWorker &w) {
                    StepResult e;
                    e.ok = w.core.enterFolder(folder);
                    if (!e.ok)
                        e.log << QStringLiteral("Cannot change to folder \"%1\": %2").arg(folder, w.core.lastError());
                    return e;
                },
                [this, before](const StepResult &e) {
                    if (!e.ok)
                        finishStep();
                    else
                        waitForSnapshot(kSnapshotWaits, before);
                });
        });
}

void FtpFolderWizard::waitForSnapshot(int waitsLeft, std::uint64_t before)
{
    m_wait->disconnect();
    connect(m_wait, &QTimer::timeout, this, [this, waitsLeft, before] {
        if (!m_cam) {
            finishStep();
            return;
        }
        const CSampleGrabberCB::SavedSnapshot saved = m_cam->Callback().LastSavedSnapshot();
        if (saved.count > before && !saved.path.isEmpty()) {
            runOnWorker(
                [path = saved.path](FtpWizardWorker &w) {
                    StepResult u;
                    const FtpFileResult sent = w.core.uploadFile(path, QFileInfo(path).fileName());
                    u.ok = sent.outcome == FtpFileOutcome::Stored;
                    u.log << (u.ok ? QStringLiteral("upload file is ok.")
                                   : QStringLiteral("Upload of %1 failed: %2").arg(QFileInfo(path).fileName(),
                                                                                  sent.error));
                    return u;
                },
                [this](const StepResult &) { finishStep(); });
            return;
        }
        if (waitsLeft > 1) {
            waitForSnapshot(waitsLeft - 1, before);
            return;
        }
        log(QStringLiteral("The camera saved no picture within %1 seconds: nothing was uploaded.").arg(kSnapshotWaits));
        finishStep();
    });
    m_wait->start();
}

void FtpFolderWizard::closeConnection()
{
    m_wait->stop();
    ++m_step;
    if (m_working) {
        m_worker->core.abort();
        m_wait->disconnect();
        finishStep();
    }
    QMetaObject::invokeMethod(m_worker, [w = m_worker] {
        w->core.disconnect();
        w->core.clearAbort();
    }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Panel 6

TFrame_Panel6::TFrame_Panel6(UsbCamera *camera, Option *option, QWidget *parent)
    : TFramePanel(camera, option, parent)
{
    auto *server = new QGroupBox(QStringLiteral("FTP服务器"), this);
    Edit_FTPIP = field(QStringLiteral("Edit_FTPIP"), server);
    Edit_FTPPORT = field(QStringLiteral("Edit_FTPPORT"), server);
    Edit_FTPPORT->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")),
                                                               Edit_FTPPORT));
    Edit_FTPUSER = field(QStringLiteral("Edit_FTPUSER"), server);
    Edit_FTPPASSWORD = field(QStringLiteral("Edit_FTPPASSWORD"), server);
    Edit_FTPPASSWORD->setEchoMode(QLineEdit::Password);
    Edit_FTPDIR = field(QStringLiteral("Edit_FTPDIR"), server);
    Edit_FTPDIR->setReadOnly(true);
    BitBtn7 = button(QStringLiteral("选择上传FTP文件夹"), QStringLiteral("BitBtn7"), server);
    auto *sg = new QGridLayout(server);
    sg->addWidget(new QLabel(QStringLiteral("地址"), server), 0, 0);
    sg->addWidget(Edit_FTPIP, 0, 1);
    sg->addWidget(new QLabel(QStringLiteral("端口"), server), 0, 2);
    sg->addWidget(Edit_FTPPORT, 0, 3);
    sg->addWidget(new QLabel(QStringLiteral("用户名"), server), 1, 0);
    sg->addWidget(Edit_FTPUSER, 1, 1);
    sg->addWidget(new QLabel(QStringLiteral("密码"), server), 1, 2);
    sg->addWidget(Edit_FTPPASSWORD, 1, 3);
    sg->addWidget(new QLabel(QStringLiteral("上传到文件夹"), server), 2, 0);
    sg->addWidget(Edit_FTPDIR, 2, 1, 1, 2);
    sg->addWidget(BitBtn7, 2, 3);
    sg->setColumnStretch(1, 2);
    sg->setColumnStretch(3, 1);

    ListView2 = new ScheduleList(QStringLiteral("定时抓拍"), option, this);
    ListView2->setObjectName(QStringLiteral("ListView2"));

    auto *upload = new QGroupBox(QStringLiteral("上传设置"), this);
    CSpinEdit4 = spin(QStringLiteral("CSpinEdit4"), 1, 3600, upload);
    CSpinEdit1 = spin(QStringLiteral("CSpinEdit1"), 3, 3600, upload);
    CSpinEdit2 = spin(QStringLiteral("CSpinEdit2"), 1, 100, upload);
    CheckBox_FTPmakeDIRbyDate = new QCheckBox(QStringLiteral("自动建立日期文件夹"), upload);
    CheckBox_FTPmakeDIRbyDate->setObjectName(QStringLiteral("CheckBox_FTPmakeDIRbyDate"));
    CheckBox_FTPfixdFileName = new QCheckBox(QStringLiteral("图片保存为固定文件名"), upload);
    CheckBox_FTPfixdFileName->setObjectName(QStringLiteral("CheckBox_FTPfixdFileName"));
    Edit_FTPfixedFileName = field(QStringLiteral("Edit_FTPfixedFileName"), upload);
    CheckBox_FTPMoveImageUpload = new QCheckBox(QStringLiteral("移动侦测图片上传"), upload);
    CheckBox_FTPMoveImageUpload->setObjectName(QStringLiteral("CheckBox_FTPMoveImageUpload"));
    auto *ug = new QGridLayout(upload);
    ug->addWidget(new QLabel(QStringLiteral("抓拍间隔时间（秒）"), upload), 0, 0);
    ug->addWidget(CSpinEdit4, 0, 1);
    ug->addWidget(new QLabel(QStringLiteral("上传间隔时间（秒）"), upload), 1, 0);
    ug->addWidget(CSpinEdit1, 1, 1);
    ug->addWidget(new QLabel(QStringLiteral("一次上传数量（张）"), upload), 2, 0);
    ug->addWidget(CSpinEdit2, 2, 1);
    ug->addWidget(CheckBox_FTPmakeDIRbyDate, 0, 2, 1, 2);
    ug->addWidget(CheckBox_FTPfixdFileName, 1, 2, 1, 2);
    ug->addWidget(new QLabel(QStringLiteral("文件名"), upload), 2, 2);
    ug->addWidget(Edit_FTPfixedFileName, 2, 3);
    ug->addWidget(CheckBox_FTPMoveImageUpload, 3, 0, 1, 2);
    ug->setColumnStretch(3, 1);

    auto *main = new QVBoxLayout(this);
    main->addWidget(server);
    main->addWidget(ListView2, 1);
    main->addWidget(upload);

    // The wizard lies over the fields while it is open.
    PanelFTPWizart = new FtpFolderWizard(camera, this);
    PanelFTPWizart->server = [this] {
        return FtpFolderWizard::Server{Edit_FTPIP->text().trimmed(), Edit_FTPPORT->text().trimmed(),
                                       Edit_FTPUSER->text(), Edit_FTPPASSWORD->text()};
    };
    PanelFTPWizart->hide();
    const QSize wizard = PanelFTPWizart->sizeHint();
    setMinimumSize(wizard + QSize(40, 70));

    connect(BitBtn7, &QPushButton::clicked, this, &TFrame_Panel6::openWizard);
    connect(CheckBox_FTPfixdFileName, &QCheckBox::toggled, Edit_FTPfixedFileName, &QWidget::setEnabled);
    connect(PanelFTPWizart, &FtpFolderWizard::accepted, this, [this](const QString &folder) {
        Edit_FTPDIR->setText(folder);
        PanelFTPWizart->hide();
    });
    connect(PanelFTPWizart, &FtpFolderWizard::cancelled, this, [this] { PanelFTPWizart->hide(); });
    Edit_FTPfixedFileName->setEnabled(false);
}

void TFrame_Panel6::openWizard()
{
    if (!m_cam)
        return;
    if (Edit_FTPIP->text().trimmed().isEmpty() || Edit_FTPPORT->text().trimmed().isEmpty()) {
        reportPlain(text(9000, QStringLiteral("请先填写FTP服务器地址和端口！")));
        return;
    }
    PanelFTPWizart->Edit_FTPDIR_SHOW->setText(Edit_FTPDIR->text());
    PanelFTPWizart->setGeometry(QRect(QPoint(20, 50), PanelFTPWizart->sizeHint()));
    PanelFTPWizart->show();
    PanelFTPWizart->raise();
}

void TFrame_Panel6::load()
{
    if (!m_cam)
        return;
    const RecordClass_FTP &f = m_cam->FtpRecord();
    Edit_FTPIP->setText(f.ftpHost);
    Edit_FTPPORT->setText(f.ftpPort);
    Edit_FTPUSER->setText(f.ftpUser);
    Edit_FTPPASSWORD->setText(f.ftpPassword);
    Edit_FTPDIR->setText(f.ftpFolder);
    ListView2->load(f);
    CSpinEdit4->setValue(f.snapInterval);
    CSpinEdit1->setValue(f.uploadInterval);
    CSpinEdit2->setValue(f.uploadBatch);
    CheckBox_FTPmakeDIRbyDate->setChecked(f.dirByDate != 0);
    CheckBox_FTPfixdFileName->setChecked(f.fixedNameOn != 0);
    Edit_FTPfixedFileName->setText(f.fixedName);
    Edit_FTPfixedFileName->setEnabled(f.fixedNameOn != 0);
    CheckBox_FTPMoveImageUpload->setChecked(f.uploadMotionPictures != 0);
}

void TFrame_Panel6::save()
{
    if (!m_cam)
        return;
    RecordClass_FTP &f = m_cam->FtpRecord();
    f.ftpHost = Edit_FTPIP->text().trimmed();
    f.ftpPort = Edit_FTPPORT->text().trimmed();
    f.ftpUser = Edit_FTPUSER->text();
    f.ftpPassword = Edit_FTPPASSWORD->text();
    f.ftpFolder = Edit_FTPDIR->text();
    ListView2->save(f);
    f.snapInterval = storedSnapInterval(CSpinEdit4->value());
    f.uploadInterval = storedUploadInterval(CSpinEdit1->value());
    f.uploadBatch = storedUploadBatch(CSpinEdit2->value());
    f.dirByDate = CheckBox_FTPmakeDIRbyDate->isChecked() ? 1 : 0;
    f.fixedNameOn = CheckBox_FTPfixdFileName->isChecked() ? 1 : 0;
    f.fixedName = Edit_FTPfixedFileName->text();
    f.uploadMotionPictures = CheckBox_FTPMoveImageUpload->isChecked() ? 1 : 0;
    m_cam->Callback().m_UploadOn = f.uploadMotionPictures ? 1 : 0;
    // The upload thread takes its copy of the new server here and uses it
    // at its next pass.
    f.applyFtpSettings();
}

void TFrame_Panel6::closing()
{
    PanelFTPWizart->closeConnection();
}

void TFrame_Panel6::cameraGone()
{
    TFramePanel::cameraGone();
    PanelFTPWizart->cameraGone();
    PanelFTPWizart->closeConnection();
}

} // namespace quorvel
