#include "TFormbase.h"

#include "Option.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

namespace vondrel {

namespace {

// The banner behind the title: a soft cream-to-blue band with a thin rule,
// drawn once at the panel's height.
QPixmap bannerPixmap()
{
    static QPixmap pm;
    if (pm.isNull()) {
        QImage img(1024, TFormbase::titlePanelHeight, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, img.width(), 0);
        g.setColorAt(0.0, QColor(0xFF, 0xFB, 0xF0));
        g.setColorAt(0.55, QColor(0xF4, 0xF1, 0xE4));
        g.setColorAt(1.0, QColor(0xB8, 0xCF, 0xE8));
        p.fillRect(img.rect(), g);
        p.setPen(QColor(0x9A, 0xB4, 0xD4));
        p.drawLine(0, img.height() - 3, img.width(), img.height() - 3);
        p.end();
        pm = QPixmap::fromImage(img);
    }
    return pm;
}

} // namespace

TFormbase::TFormbase(QWidget *owner)
    : QDialog(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);

    PanelTitle = new QFrame(this);
    PanelTitle->setObjectName(QStringLiteral("PanelTitle"));
    PanelTitle->setFixedHeight(titlePanelHeight);
    PanelTitle->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelTitle->setAutoFillBackground(true);
    QPalette pal = PanelTitle->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFB, 0xF0)); // cream
    PanelTitle->setPalette(pal);

    ImageTitle = new QLabel(PanelTitle);
    ImageTitle->setObjectName(QStringLiteral("ImageTitle"));
    ImageTitle->setPixmap(bannerPixmap());
    ImageTitle->setScaledContents(true);
    // The banner follows the panel's size on every resize, not only the first.
    PanelTitle->installEventFilter(this);

    Label_Title = new QLabel(PanelTitle);
    Label_Title->setObjectName(QStringLiteral("Label_Title"));
    Label_Title->setGeometry(11, 9, 591, 29);
    Label_Title->setAttribute(Qt::WA_TranslucentBackground);
    QFont font;
    font.setFamilies({QStringLiteral("黑体"), QStringLiteral("SimHei"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(29);
    Label_Title->setFont(font);
    Label_Title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PanelTitle);
    layout->addWidget(m_client, 1);

    const Option *option = currentOption();
    setTitleText(option ? option->title : QStringLiteral("人员出入登记软件"));
}

TFormbase::~TFormbase() = default;

void TFormbase::setTitleText(const QString &text)
{
    Label_Title->setText(text);
}

QString TFormbase::titleText() const
{
    return Label_Title->text();
}

bool TFormbase::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PanelTitle && event->type() == QEvent::Resize)
        ImageTitle->setGeometry(PanelTitle->contentsRect());
    return QDialog::eventFilter(watched, event);
}

void TFormbase::showEvent(QShowEvent *event)
{
    ImageTitle->setGeometry(PanelTitle->contentsRect());
    Label_Title->raise();
    if (!m_centred) {
        m_centred = true;
        QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
        const QRect frame = frameGeometry();
        QRect area;
        if (owner && owner->isVisible())
            area = owner->frameGeometry();
        else if (screen())
            area = screen()->availableGeometry();
        if (area.isValid())
            move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    QDialog::showEvent(event);
}

void TFormbase::closeEvent(QCloseEvent *event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TFormbase::FormClose()
{
    setAttribute(Qt::WA_DeleteOnClose);
}

} // namespace vondrel
