#include "TFormPhoto.h"

#include "PictureView.h"
#include "Reporter.h"

#include <QFileInfo>
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
    Image1 = new PictureView(clientArea());
    Image1->setObjectName(QStringLiteral("Image1"));
    layout->addWidget(Image1);
    Image1->setPicture(m_picture);
    if (!m_picture.isNull())
        resize(m_picture.width(), m_picture.height() + titlePanelHeight);
    else
        resize(320, 240 + titlePanelHeight);
}

} // namespace vondrel
