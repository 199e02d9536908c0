#include "TFormPhoto.h"

#include "Reporter.h"

#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace vondrel {

TFormPhoto::TFormPhoto(QWidget *owner, const QImage &picture) : TFormbase(owner), m_picture(picture.copy())
{
    setUp();
}

TFormPhoto::TFormPhoto(QWidget *owner, const QString &path) : TFormbase(owner)
{
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        if (!m_picture.load(path))
            reportError(QStringLiteral("无法读取图片文件：%1").arg(path));
    }
    setUp();
}

void TFormPhoto::setUp()
{
    setWindowTitle(QStringLiteral("图片显示"));
    auto *layout = new QVBoxLayout(clientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    Image1 = new QLabel(clientArea());
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(1, 1);
    layout->addWidget(Image1);
    if (!m_picture.isNull())
        resize(m_picture.width(), m_picture.height() + titlePanelHeight);
    else
        resize(320, 240 + titlePanelHeight);
    showPicture();
}

void TFormPhoto::showPicture()
{
    if (m_picture.isNull() || !Image1 || Image1->width() < 1 || Image1->height() < 1)
        return;
    // Stretched within the window, centred, keeping its proportions.
    Image1->setPixmap(QPixmap::fromImage(
        m_picture.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TFormPhoto::resizeEvent(QResizeEvent *event)
{
    TFormbase::resizeEvent(event);
    showPicture();
}

} // namespace vondrel
