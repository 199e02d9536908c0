#include "TFormICR.h"

#include "CardFolder.h"
#include "CardText.h"
#include "CitizenNumber.h"
#include "TermbLibrary.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vondrel {
namespace {

constexpr int kPhotoWidth = 102;
constexpr int kPhotoHeight = 126;

QLabel *statusPanel(QStatusBar *bar, int width)
{
    auto *l = new QLabel(bar);
    l->setFixedWidth(width);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    bar->addWidget(l);
    return l;
}

} // namespace

TFormICR::TFormICR(QWidget *owner, ICR &record, const QString &libraryLocation)
    : TFormbase(owner), m_record(record), m_lib(std::make_unique<TermbLibrary>(libraryLocation))
{
    setWindowTitle(QStringLiteral("二代身份证读卡"));
    buildControls();
    FormCreate();
}

TFormICR::~TFormICR() = default;

void TFormICR::buildControls()
{
    auto *grid = new QGridLayout;
    const char16_t *captions[] = {u"姓名", u"性别", u"民族", u"出生年月",
                                  u"住址", u"身份证号", u"签发机关", u"有效期限"};
    QLabel **values[] = {&Label1, &Label2, &Label4, &Label3, &Label5, &Label6, &Label7, &Label8};
    for (int i = 0; i < 8; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf16(captions[i]) + u'：', clientArea()), i, 0,
                        Qt::AlignRight | Qt::AlignTop);
        *values[i] = new QLabel(clientArea());
        (*values[i])->setTextInteractionFlags(Qt::TextSelectableByMouse);
        (*values[i])->setMinimumWidth(260);
        grid->addWidget(*values[i], i, 1);
    }
    Label5->setWordWrap(true);
    LabelIdCheck = new QLabel(clientArea());
    LabelIdCheck->setObjectName(QStringLiteral("LabelIdCheck"));
    LabelIdCheck->setStyleSheet(QStringLiteral("color: #c00000;"));
    LabelIdCheck->hide();
    grid->addWidget(LabelIdCheck, 5, 2);

    Image1 = new QLabel(clientArea());
    Image1->setFixedSize(kPhotoWidth, kPhotoHeight);
    Image1->setFrameShape(QFrame::Box);
    grid->addWidget(Image1, 0, 3, 6, 1, Qt::AlignTop | Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    Edit1 = new QLineEdit(clientArea());
    Edit1->setReadOnly(true);

    Button1 = new QPushButton(QStringLiteral("立刻读卡"), clientArea());
    Button2 = new QPushButton(QStringLiteral("开始自动读卡"), clientArea());
    Button3 = new QPushButton(QStringLiteral("停止自动读卡"), clientArea());
    Button4 = new QPushButton(QStringLiteral("清除"), clientArea());
    Button5 = new QPushButton(QStringLiteral("确定读卡正确"), clientArea());
    Button3->setEnabled(false);
    for (QPushButton *b : {Button1, Button2, Button3, Button4, Button5})
        b->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Button1, Button2, Button3, Button4})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Button5);

    StatusBar1 = new QStatusBar(clientArea());
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = statusPanel(StatusBar1, 250);
    StatusPanel1 = statusPanel(StatusBar1, 200);
    StatusPanel2 = statusPanel(StatusBar1, 200);

    auto *column = new QVBoxLayout(clientArea());
    column->addLayout(grid);
    column->addWidget(Edit1);
    column->addLayout(buttons);
    column->addWidget(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setInterval(autoReadInterval_ms);

    // Named as the controls are named, so callers and tests can find them.
    const std::pair<QObject *, const char *> names[] = {
        {Label1, "Label1"}, {Label2, "Label2"}, {Label3, "Label3"}, {Label4, "Label4"},
        {Label5, "Label5"}, {Label6, "Label6"}, {Label7, "Label7"}, {Label8, "Label8"},
        {Image1, "Image1"}, {Edit1, "Edit1"}, {StatusBar1, "StatusBar1"}, {Timer1, "Timer1"},
        {Button1, "Button1"}, {Button2, "Button2"}, {Button3, "Button3"}, {Button4, "Button4"},
        {Button5, "Button5"}};
    for (auto [object, name] : names)
        object->setObjectName(QLatin1String(name));

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

bool TFormICR::readerUsable() const { return m_lib && m_lib->isUsable(); }

void TFormICR::FormCreate()
{
    clear();
    if (!readerUsable()) {
        // Without a complete reader library nothing can be read: say why in
        // the status bar (short, the panels are narrow) and in full in the
        // empty record line, and leave only clearing and closing.
        const bool loaded = m_lib->isLoaded();
        StatusPanel0->setText(loaded ? QStringLiteral("读卡器库缺少入口")
                                     : QStringLiteral("找不到读卡器库 libtermb.so"));
        StatusPanel1->setText(QStringLiteral("不能读卡"));
        StatusPanel2->setText(loaded ? m_lib->missingEntryPoints().join(QStringLiteral(", "))
                                     : QString());
        StatusPanel0->setToolTip(loaded ? m_lib->problemText() : m_lib->loadError());
        Edit1->setPlaceholderText(m_lib->problemText());
        Button1->setEnabled(false);
        Button2->setEnabled(false);
        Button3->setEnabled(false);
        return;
    }
    m_port = m_lib->findPort();
    if (m_port == 0) {
        StatusPanel0->clear();
        StatusPanel1->setText(QStringLiteral("打开端口失败"));
        Button1->setEnabled(false);
        Button2->setEnabled(false);
    } else {
        StatusPanel0->setText(QStringLiteral("就绪"));
        StatusPanel1->setText(m_port < 1001 ? QStringLiteral("连接232口") : QStringLiteral("连接USB口"));
        Button1->setEnabled(true);
        Button2->setEnabled(true);
    }
    Button3->setEnabled(false);
    StatusPanel2->setText(QStringLiteral("授权号：") + m_lib->samId());
}

void TFormICR::clear()
{
    for (QLabel *l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8})
        l->clear();
    LabelIdCheck->clear();
    LabelIdCheck->hide();
    clearCardRecord(m_record);
    Edit1->clear();
    Image1->clear();
    clearCardFiles();
    Button5->setEnabled(false);
}

void TFormICR::readOnce()
{
    Q_EMIT readStarted();
    const int result = m_lib->authenticate();
    StatusPanel0->setText(authenticateStatusText(result));
    if (result == TermbLibrary::kCardFound && m_lib->readContent(1) == 1) {
        QString display;
        const bool decoded = decodeCardText(m_record, &display);
        Edit1->setText(display);
        Edit1->setCursorPosition(0); // show the start of the record, not its padding
        if (decoded) {
            showRecord();
            const QString photo = cardPhotoPath();
            if (!photo.isEmpty()) {
                const QPixmap pixmap(photo);
                if (!pixmap.isNull()) {
                    Image1->setPixmap(pixmap);
                    Image1->setFixedSize(pixmap.size());
                }
            }
        }
        Button5->setEnabled(true);
    }
    Q_EMIT readFinished(result);
}

void TFormICR::showRecord()
{
    Label1->setText(m_record.name);
    Label2->setText(m_record.sex);
    Label4->setText(m_record.nation);
    Label3->setText(m_record.birthDateText);
    Label5->setText(m_record.address);
    Label6->setText(m_record.idNumber);
    Label7->setText(m_record.issuer);
    Label8->setText(m_record.validity);

    // The data is taken over either way; the guard is only asked to compare
    // the number with the card.
    QString warning;
    if (!m_record.idNumber.isEmpty()) {
        switch (checkCitizenNumber(m_record.idNumber)) {
        case CitizenNumberCheck::Valid: break;
        case CitizenNumberCheck::WrongCheck: warning = QStringLiteral("号码校验不符，请核对"); break;
        case CitizenNumberCheck::Malformed: warning = QStringLiteral("号码格式不符，请核对"); break;
        }
    }
    LabelIdCheck->setText(warning);
    LabelIdCheck->setVisible(!warning.isEmpty());
}

bool TFormICR::event(QEvent *e)
{
    if (e->type() == ReadMessage) {
        readOnce();
        return true;
    }
    return TFormbase::event(e);
}

void TFormICR::Button1Click()
{
    if (readerUsable())
        readOnce();
}

void TFormICR::Button2Click()
{
    Timer1->start();
    Button3->setEnabled(true);
    Button2->setEnabled(false);
    Button1->setEnabled(false);
}

void TFormICR::Button3Click()
{
    Timer1->stop();
    Button3->setEnabled(false);
    Button2->setEnabled(true);
    Button1->setEnabled(true);
    StatusPanel0->setText(QStringLiteral("手动读卡..."));
}

void TFormICR::Button4Click() { clear(); }

void TFormICR::Button5Click() { close(); }

void TFormICR::Timer1Timer()
{
    StatusPanel0->setText(QStringLiteral("自动读卡..."));
    Timer1->stop();
    QEvent read(ReadMessage);
    QCoreApplication::sendEvent(this, &read);
    // Restart only while automatic reading is still wanted; the next tick
    // comes one interval after this read has finished.
    if (Button3->isEnabled())
        Timer1->start();
}

void TFormICR::stopReading()
{
    Timer1->stop();
    Button1->setEnabled(false);
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    if (m_lib)
        m_lib->unload();
}

void TFormICR::closeEvent(QCloseEvent *event)
{
    stopReading();
    TFormbase::closeEvent(event);
}

void TFormICR::done(int result)
{
    stopReading();
    TFormbase::done(result);
}

} // namespace vondrel
