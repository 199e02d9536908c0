#include "TFormvisitInfo.h"

#include "CardFolder.h"
#include "CardReaderDialog.h"
#include "DateFormat.h"
#include "LimitedTextEdit.h"
#include "Option.h"
#include "Reporter.h"
#include "DocNumberMask.h"
#include "PrivacyText.h"
#include "Storemanage_audit.h"
#include "Storemanage_settings.h"
#include "Storemanage_watch.h"
#include "Storemanage_visit.h"
#include "TFormCamera.h"
#include "TFormPhoto.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QVBoxLayout>

namespace vondrel {

namespace {

// C-style leading-digits conversion: "12abc" is 12, "" and "x" are 0.
int leadingDigits(const QString &text)
{
    qint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return std::numeric_limits<std::int32_t>::max();
    }
    return int(value);
}

// The address and remark boxes take at most this many typed characters.
constexpr int kMemoLimit = 200;

QString nowText() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

// Chooses `text` in a fixed-list box, adding it when the list lacks it, so a
// stored value outside the list is shown and saved back unchanged.
void chooseText(QComboBox *box, const QString &text)
{
    int i = box->findText(text, Qt::MatchExactly);
    if (i < 0) {
        box->addItem(text);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}

void limitEdit(QLineEdit *edit, int maxChars) { edit->setMaxLength(qMax<int>(maxChars, int(edit->text().size()))); }

} // namespace

std::optional<CardReading> readCardWithReaderWindow(QWidget *owner)
{
    ICR record;
    if (!readIdCard(owner, record))
        return std::nullopt;
    return CardReading{record.name, record.sex, record.birthDate, record.idNumber, record.address, cardPhotoPath()};
}

TFormvisitInfo::TFormvisitInfo(QWidget *owner, bool leave, bool editable, const QString &visitId)
    : TFormbase(owner), m_visitId(visitId), m_leave(leave), m_editable(editable)
{
    cardReader = readCardWithReaderWindow;
    cameraWindow = [this](QWidget *owner, int index) { return takeCameraPicture(owner, index, &m_snapshots); };
    buildControls();
    if (!m_editable)
        makeReadOnly();
    if (m_leave)
        setWindowTitle(QStringLiteral("来宾离开登记"));
    else if (m_editable)
        setWindowTitle(QStringLiteral("来宾信息登记"));
    else
        setWindowTitle(QStringLiteral("来宾信息"));
    if (m_leave) {
        BitBtn2->setText(QStringLiteral("离开"));
        BitBtn2->setEnabled(true);
    }
    FormCreate();
}

TFormvisitInfo::~TFormvisitInfo()
{
    storeCameraChoices();
    removeStrayCopies();
}

void TFormvisitInfo::FormClose()
{
    removeStrayCopies();
    TFormbase::FormClose();
}

void TFormvisitInfo::removeStrayCopies()
{
    if (!m_cardFolder.isEmpty()) {
        const QDir dir(m_cardFolder);
        for (const char *name : {"wz.txt", "zp.bmp", "xp.wlt"})
            QFile::remove(dir.filePath(QString::fromLatin1(name)));
        m_cardFolder.clear();
    }
    for (const QString &path : std::as_const(m_snapshots))
        if (isDeskSnapshotFile(path))
            QFile::remove(path);
    m_snapshots.clear();
}

bool TFormvisitInfo::checkWatchlist(const QString &docNumber, const QString &name, bool saving)
{
    const ArrayOfwatchInfo hits = matchWatchlist(docNumber, name);
    if (hits.empty())
        return true;
    for (const auto &h : hits)
        appendAudit(audit::WatchHit, m_visitId, watchHitDetail(*h, saving ? QStringLiteral("保存") : QStringLiteral("读卡")));
    if (saving && anyForbidden(hits))
        return askYesNo(watchWarningText(hits, true));
    reportWarning(watchWarningText(hits, false));
    return true;
}

void TFormvisitInfo::buildControls()
{
    auto *client = clientArea();
    auto *outer = new QHBoxLayout(client);
    auto *grid = new QGridLayout;
    outer->addLayout(grid, 3);

    int row = 0;
    auto label = [&](const char *text, int r, int c, bool multiLine = false) {
        auto *l = new QLabel(QString::fromUtf8(text), client);
        grid->addWidget(l, r, c, Qt::AlignRight | (multiLine ? Qt::AlignTop : Qt::AlignVCenter));
        return l;
    };

    label("姓        名", row, 0);
    Edit1 = new QLineEdit(client);
    grid->addWidget(Edit1, row, 1);
    label("性        别", row, 2);
    ComboBox1 = new QComboBox(client);
    ComboBox1->addItems({QStringLiteral("男"), QStringLiteral("女")});
    grid->addWidget(ComboBox1, row, 3);
    ++row;

    label("出生年月", row, 0);
    DateTimePicker1 = new QDateEdit(QDate::currentDate(), client);
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    DateTimePicker1->setCalendarPopup(true);
    grid->addWidget(DateTimePicker1, row, 1);
    label("联系电话", row, 2);
    Edit2 = new QLineEdit(client);
    grid->addWidget(Edit2, row, 3);
    ++row;

    label("证件类型", row, 0);
    ComboBox2 = new QComboBox(client);
    ComboBox2->addItems({QStringLiteral("身份证"), QStringLiteral("军官证"), QStringLiteral("驾驶执照"),
                         QStringLiteral("护照"), QStringLiteral("其他")});
    grid->addWidget(ComboBox2, row, 1);
    label("证件号码", row, 2);
    Edit3 = new QLineEdit(client);
    grid->addWidget(Edit3, row, 3);
    ++row;

    label("工作单位", row, 0);
    Edit4 = new QLineEdit(client);
    grid->addWidget(Edit4, row, 1, 1, 3);
    ++row;

    label("住       址", row, 0, true);
    Memo1 = new LimitedTextEdit(kMemoLimit, client);
    Memo1->setPlaceholderText(QStringLiteral("不超过200"));
    Memo1->setToolTip(QStringLiteral("不超过200"));
    Memo1->setFixedHeight(52);
    grid->addWidget(Memo1, row, 1, 1, 3);
    ++row;

    label("来访事由", row, 0);
    ComboBox3 = new QComboBox(client);
    ComboBox3->setEditable(true);
    ComboBox3->setInsertPolicy(QComboBox::NoInsert);
    grid->addWidget(ComboBox3, row, 1);
    label("被访者", row, 2);
    Edit5 = new QLineEdit(client);
    grid->addWidget(Edit5, row, 3);
    ++row;

    label("备注信息", row, 0, true);
    Memo3 = new LimitedTextEdit(kMemoLimit, client);
    Memo3->setPlaceholderText(QStringLiteral("不超过200"));
    Memo3->setToolTip(QStringLiteral("不超过200"));
    Memo3->setFixedHeight(52);
    grid->addWidget(Memo3, row, 1, 1, 3);
    ++row;

    label("随行人数", row, 0);
    Edit10 = new QLineEdit(QStringLiteral("0"), client);
    Edit10->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), Edit10));
    grid->addWidget(Edit10, row, 1);
    label("当班门卫", row, 2);
    Edit6 = new QLineEdit(client);
    Edit6->setReadOnly(true);
    grid->addWidget(Edit6, row, 3);
    ++row;

    label("登记时间", row, 0);
    Edit7 = new QLineEdit(client);
    Edit7->setReadOnly(true);
    grid->addWidget(Edit7, row, 1);
    label("离开时间", row, 2);
    Edit8 = new QLineEdit(client);
    Edit8->setReadOnly(true);
    grid->addWidget(Edit8, row, 3);
    ++row;
    auto *hint = new QLabel(QStringLiteral("例如：2011-08-09 10:21:00"), client);
    grid->addWidget(hint, row, 1, 1, 3);
    ++row;
    grid->setRowStretch(row, 1);

    // Photos.
    auto *photos = new QVBoxLayout;
    outer->addLayout(photos, 2);
    auto *top = new QHBoxLayout;
    Panel2 = new QFrame(client);
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setFixedSize(176, 144);
    auto *panelLayout = new QVBoxLayout(Panel2);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    Image1 = new QLabel(Panel2);
    Image1->setScaledContents(true);
    Image1->installEventFilter(this);
    panelLayout->addWidget(Image1);
    top->addWidget(Panel2);
    Image_sfz = new QLabel(client);
    Image_sfz->setFrameShape(QFrame::StyledPanel);
    Image_sfz->setScaledContents(true);
    Image_sfz->setFixedSize(102, 126);
    top->addWidget(Image_sfz);
    photos->addLayout(top);

    auto *camera1 = new QHBoxLayout;
    camera1->addWidget(new QLabel(QStringLiteral("选择摄像头"), client));
    ComboBoxCamera1 = new QComboBox(client);
    camera1->addWidget(ComboBoxCamera1);
    SpeedButton1 = new QPushButton(QStringLiteral("拍照"), client);
    SpeedButton1->setAutoDefault(false);
    camera1->addWidget(SpeedButton1);
    camera1->addStretch();
    photos->addLayout(camera1);

    auto *companions = new QGroupBox(QStringLiteral("随行人员"), client);
    auto *cl = new QVBoxLayout(companions);
    ListView_photo = new QListWidget(companions);
    ListView_photo->setViewMode(QListView::IconMode);
    ListView_photo->setMovement(QListView::Static);
    ListView_photo->setResizeMode(QListView::Adjust);
    ListView_photo->setToolTip(QStringLiteral("鼠标右键：可以选择打开、删除。或者双击打开"));
    ListView_photo->setContextMenuPolicy(Qt::CustomContextMenu);
    cl->addWidget(ListView_photo);
    auto *camera2 = new QHBoxLayout;
    camera2->addWidget(new QLabel(QStringLiteral("随行人员姓名"), companions));
    Edit_Camera = new QLineEdit(companions);
    Edit_Camera->setMaxLength(20);
    camera2->addWidget(Edit_Camera);
    cl->addLayout(camera2);
    auto *camera2b = new QHBoxLayout;
    camera2b->addWidget(new QLabel(QStringLiteral("选择摄像头"), companions));
    ComboBoxCamera2 = new QComboBox(companions);
    camera2b->addWidget(ComboBoxCamera2);
    SpeedButton2 = new QPushButton(QStringLiteral("拍照"), companions);
    SpeedButton2->setAutoDefault(false);
    camera2b->addWidget(SpeedButton2);
    camera2b->addStretch();
    cl->addLayout(camera2b);
    photos->addWidget(companions, 1);
    for (QComboBox *box : {ComboBoxCamera1, ComboBoxCamera2})
        box->addItems({QStringLiteral("1#摄像头"), QStringLiteral("2#摄像头"), QStringLiteral("3#摄像头"),
                       QStringLiteral("4#摄像头")});

    auto *buttons = new QHBoxLayout;
    BitBtn5 = new QPushButton(QStringLiteral("读卡"), client);
    BitBtn2 = new QPushButton(QStringLiteral("保存"), client);
    BitBtn3 = new QPushButton(QStringLiteral("关闭"), client);
    for (QPushButton *b : {BitBtn5, BitBtn2, BitBtn3}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    photos->addLayout(buttons);

    PopupMenu1 = new QMenu(this);
    N1 = PopupMenu1->addAction(QStringLiteral("打开"));
    N4 = PopupMenu1->addAction(QStringLiteral("删除"));

    connect(BitBtn2, &QPushButton::clicked, this, &TFormvisitInfo::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormvisitInfo::BitBtn3Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TFormvisitInfo::BitBtn5Click);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFormvisitInfo::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TFormvisitInfo::SpeedButton2Click);
    connect(N1, &QAction::triggered, this, &TFormvisitInfo::N1Click);
    connect(N4, &QAction::triggered, this, &TFormvisitInfo::N4Click);
    connect(ListView_photo, &QListWidget::itemDoubleClicked, this, &TFormvisitInfo::N1Click);
    connect(ListView_photo, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView_photo->viewport()->mapToGlobal(pos)); });

    resize(900, 520);
}

void TFormvisitInfo::makeReadOnly()
{
    // Photos can be looked at, nothing can be changed, read or taken.
    for (QLineEdit *e : clientArea()->findChildren<QLineEdit *>())
        e->setReadOnly(true);
    for (QPlainTextEdit *m : clientArea()->findChildren<QPlainTextEdit *>())
        m->setReadOnly(true);
    for (QWidget *w : std::initializer_list<QWidget *>{ComboBox1, DateTimePicker1, ComboBox2, ComboBox3,
                                                       ComboBoxCamera1, ComboBoxCamera2, SpeedButton1,
                                                       SpeedButton2, BitBtn5, BitBtn2})
        w->setEnabled(false);
    BitBtn3->setEnabled(true);
    Image1->setEnabled(true);
    Panel2->setEnabled(true);
    ListView_photo->setEnabled(true);
    N4->setEnabled(false);
}

void TFormvisitInfo::FormCreate()
{
    for (auto &s : listSettings(QStringLiteral(" where 名称=?"), {visitReasonKind()}))
        ComboBox3->addItem(s->content);
    ComboBox3->setCurrentIndex(-1);
    ComboBox3->setEditText(QString());

    Option *o = currentOption();
    auto cameraIndex = [](const QString &text) {
        const int i = leadingDigits(text);
        // A stored choice outside the four cameras falls back to the first.
        return (i >= 0 && i <= 3) ? i : 0;
    };
    ComboBoxCamera1->setCurrentIndex(o ? cameraIndex(o->visitComboBoxCamera1) : 0);
    ComboBoxCamera2->setCurrentIndex(o ? cameraIndex(o->visitComboBoxCamera2) : 0);
    Edit6->setText(o ? o->guard.name : QString());

    Label_ID.clear();
    Label1_camera.clear();
    Label1_cameraGUID.clear();
    Label1_camera_sfz.clear();
    Label1_camera_sfzGUID.clear();
    Label2_camera.clear();

    Edit7->setText(nowText());
    Edit8->clear();
    if (!m_visitId.isEmpty())
        loadVisit();
    if (m_leave)
        Edit8->setText(nowText());
    applyLimits();
}

void TFormvisitInfo::applyLimits()
{
    limitEdit(Edit1, 20);
    for (QLineEdit *e : {Edit2, Edit3, Edit4, Edit5})
        limitEdit(e, 50);
}

void TFormvisitInfo::loadVisit()
{
    ArrayOfvisitInfo found = listVisits(QStringLiteral(" where ID=?"), {m_visitId});
    if (found.empty() || !found.front())
        return;
    const visitInfo &v = *found.front();
    Edit1->setText(v.name);
    chooseText(ComboBox1, v.sex);
    m_loadedBirthDate = v.birthDate;
    if (!v.birthDate.isEmpty()) {
        const QDate d = strToDate(v.birthDate);
        if (d.isValid())
            DateTimePicker1->setDate(d);
    }
    m_loadedBirthPickerDate = DateTimePicker1->date();
    m_visitLoaded = true;
    Edit2->setText(v.phone);
    chooseText(ComboBox2, v.docType);
    m_storedDocNumber = v.docNumber;
    const Option *o = currentOption();
    m_docMasked = !m_editable && masksDocNumbersFor(o ? o->guard.name : QString(), !o || o->masksIdNumbers());
    Edit3->setText(m_docMasked ? maskDocNumber(v.docNumber) : v.docNumber);
    Edit4->setText(v.workUnit);
    Memo1->setPlainText(v.address);
    ComboBox3->setEditText(v.reason);
    Memo3->setPlainText(v.remark);
    Edit5->setText(v.visitee);
    Edit6->setText(v.guardOnDuty);
    Edit10->setText(QString::number(v.companions));
    Edit7->setText(v.entryTime);
    Edit8->setText(v.leaveTime);

    for (auto &img : listImages(QStringLiteral(" where USERID=?"), {m_visitId})) {
        if (!img)
            continue;
        if (img->title == QLatin1String("Main")) {
            showPicture(Image1, m_mainPicture, img->path);
            Label1_camera = img->path;
            Label1_cameraGUID = img->id;
        } else if (img->title == QLatin1String("sfz")) {
            showPicture(Image_sfz, m_cardPicture, img->path);
            Label1_camera_sfz = img->path;
            Label1_camera_sfzGUID = img->id;
        } else {
            addCompanionEntry(std::move(img));
        }
    }
}

bool TFormvisitInfo::showPicture(QLabel *target, QImage &store, const QString &path)
{
    QImage image;
    if (path.isEmpty() || !image.load(path))
        return false;
    store = image;
    target->setPixmap(QPixmap::fromImage(image));
    return true;
}

void TFormvisitInfo::addCompanionEntry(std::unique_ptr<imgInfo> img)
{
    auto *item = new QListWidgetItem(style()->standardIcon(QStyle::SP_FileIcon), img->title);
    ListView_photo->addItem(item);
    m_photos.push_back(std::move(img));
}

void TFormvisitInfo::BitBtn5Click()
{
    Label1_camera_sfz.clear();
    const std::optional<CardReading> card = cardReader ? cardReader(this) : std::nullopt;
    if (!card || card->name.isEmpty())
        return;
    Edit1->setText(card->name);
    if (!card->sex.isEmpty())
        chooseText(ComboBox1, card->sex);
    const QDate birth = strToDate(card->birthDate.trimmed());
    if (birth.isValid())
        DateTimePicker1->setDate(birth);
    Edit3->setText(card->idNumber);
    // The address goes in as a new line; what was typed stays. Program text
    // is never cut, so a long result is kept whole and the guard is told.
    Memo1->appendPlainText(card->address);
    if (Memo1->toPlainText().size() > kMemoLimit)
        reportWarning(QStringLiteral("读卡地址已加入住址，住址现超过%1字，请删减。").arg(kMemoLimit));
    if (!card->photoPath.isEmpty() && QFileInfo::exists(card->photoPath)) {
        if (showPicture(Image_sfz, m_cardPicture, card->photoPath))
            Label1_camera_sfz = QFileInfo(card->photoPath).absoluteFilePath();
    }
    // The card's files are only needed until the form closes.
    m_cardFolder = card->photoPath.isEmpty() ? cardFilesFolder() : QFileInfo(card->photoPath).absolutePath();
    checkWatchlist(card->idNumber, card->name, false);
}

void TFormvisitInfo::SpeedButton1Click()
{
    const std::optional<QString> path = cameraWindow ? cameraWindow(this, ComboBoxCamera1->currentIndex()) : std::nullopt;
    if (!path || path->isEmpty() || !QFileInfo::exists(*path))
        return;
    if (!m_snapshots.contains(*path))
        m_snapshots << *path;
    if (showPicture(Image1, m_mainPicture, *path)) {
        // The main photo keeps its stored key, so saving replaces it.
        Label1_camera = *path;
    } else {
        Label1_camera.clear();
        reportError(QStringLiteral("无法读取图片文件：%1").arg(*path));
    }
}

void TFormvisitInfo::SpeedButton2Click()
{
    const std::optional<QString> path = cameraWindow ? cameraWindow(this, ComboBoxCamera2->currentIndex()) : std::nullopt;
    if (!path || path->isEmpty() || !QFileInfo::exists(*path))
        return;
    if (!m_snapshots.contains(*path))
        m_snapshots << *path;
    QImage probe;
    if (!probe.load(*path)) {
        Label2_camera.clear();
        reportError(QStringLiteral("无法读取图片文件：%1").arg(*path));
        return;
    }
    Label2_camera = *path;
    auto img = std::make_unique<imgInfo>();
    img->path = Label2_camera;
    img->title = Edit_Camera->text().trimmed().isEmpty() ? QStringLiteral("随行人员") : Edit_Camera->text();
    addCompanionEntry(std::move(img));
}

int TFormvisitInfo::selectedPhotoRow() const
{
    // The selected entry only: after a click on empty space the list still
    // has a current entry, but nothing is selected and nothing is acted on.
    const QList<QListWidgetItem *> selected = ListView_photo->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int row = ListView_photo->row(selected.front());
    return (row >= 0 && size_t(row) < m_photos.size()) ? row : -1;
}

void TFormvisitInfo::N1Click()
{
    const int row = selectedPhotoRow();
    if (row < 0)
        return;
    const imgInfo &img = *m_photos[size_t(row)];
    if (img.path.isEmpty() || !QFileInfo::exists(img.path))
        return;
    auto *viewer = new TFormPhoto(this, img.path);
    viewer->setWindowTitle(img.title);
    viewer->exec();
}

void TFormvisitInfo::N4Click()
{
    if (!N4->isEnabled())
        return;
    const int row = selectedPhotoRow();
    if (row < 0)
        return;
    const imgInfo &img = *m_photos[size_t(row)];
    // Removed from the store at once, before any save.
    if (!img.id.isEmpty() && deleteImage(img.id))
        appendAudit(audit::PhotoDeleted, m_visitId, img.title);
    delete ListView_photo->takeItem(row);
    m_photos.erase(m_photos.begin() + row);
}

void TFormvisitInfo::Image1DblClick()
{
    if (m_mainPicture.isNull())
        return;
    auto *viewer = new TFormPhoto(this, m_mainPicture);
    viewer->exec();
}

bool TFormvisitInfo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) {
        Image1DblClick();
        return true;
    }
    return TFormbase::eventFilter(watched, event);
}

void TFormvisitInfo::BitBtn2Click()
{
    BitBtn2->setEnabled(false);

    visitInfo v;
    v.id = m_visitId;
    v.name = Edit1->text();
    v.sex = ComboBox1->currentText();
    v.birthDate = DateTimePicker1->date().toString(QStringLiteral("yyyy-MM-dd"));
    if (m_visitLoaded && DateTimePicker1->date() == m_loadedBirthPickerDate)
        v.birthDate = m_loadedBirthDate;
    v.phone = Edit2->text();
    v.docType = ComboBox2->currentText();
    v.docNumber = m_docMasked ? m_storedDocNumber : Edit3->text();
    v.visitee = Edit5->text();
    v.address = Memo1->toPlainText();
    v.reason = ComboBox3->currentText();
    v.remark = Memo3->toPlainText();
    v.companions = leadingDigits(Edit10->text());
    v.workUnit = Edit4->text();
    v.guardOnDuty = Edit6->text();
    v.entryTime = Edit7->text();
    v.leaveTime = Edit8->text();
    v.visitState.clear();

    if (Edit1->text().trimmed().isEmpty()) {
        reportWarning(QStringLiteral("姓名必填！"));
        // The guard fixes the name and saves again.
        BitBtn2->setEnabled(true);
        return;
    }

    // A new visit of someone on the watchlist: "禁止进入" is saved only
    // when the guard confirms.
    if (m_visitId.isEmpty() && !checkWatchlist(v.docNumber, v.name, true)) {
        BitBtn2->setEnabled(true);
        return;
    }

    const QString key = saveVisit(v);
    if (key.isEmpty()) {
        reportError(QStringLiteral("操作失败。"));
        close();
        return;
    }
    Label_ID = key;
    appendAudit(m_leave ? audit::VisitLeft : (m_visitId.isEmpty() ? audit::VisitSaved : audit::VisitChanged), key,
                m_leave ? QStringLiteral("%1 离开 %2").arg(v.name, v.leaveTime)
                        : QStringLiteral("%1，被访人 %2，事由 %3").arg(v.name, v.visitee, v.reason));

    auto savePhoto = [this](imgInfo &img) {
        if (img.path.isEmpty() || !QFileInfo::exists(img.path))
            return;
        img.visitId = Label_ID;
        if (saveImage(img).isEmpty())
            reportError(QStringLiteral("照片保存失败。"));
    };
    imgInfo card{Label1_camera_sfzGUID, Label_ID, Label1_camera_sfz, QStringLiteral("sfz")};
    savePhoto(card);
    if (!card.id.isEmpty())
        Label1_camera_sfzGUID = card.id;
    imgInfo main{Label1_cameraGUID, Label_ID, Label1_camera, QStringLiteral("Main")};
    savePhoto(main);
    if (!main.id.isEmpty())
        Label1_cameraGUID = main.id;
    for (auto &img : m_photos)
        savePhoto(*img);

    close();
}

void TFormvisitInfo::BitBtn3Click() { close(); }

void TFormvisitInfo::keyPressEvent(QKeyEvent *event)
{
    // The form ends only through its buttons: an Escape meant for a drop-down
    // or typed by habit must not throw away a card read, photos and fields.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    TFormbase::keyPressEvent(event);
}

void TFormvisitInfo::storeCameraChoices()
{
    if (Option *o = currentOption()) {
        o->visitComboBoxCamera1 = QString::number(ComboBoxCamera1->currentIndex());
        o->visitComboBoxCamera2 = QString::number(ComboBoxCamera2->currentIndex());
    }
}

} // namespace vondrel
