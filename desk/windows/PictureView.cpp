#include "PictureView.h"

#include <QPixmap>
#include <QResizeEvent>

namespace vondrel {

PictureView::PictureView(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setMinimumSize(1, 1);
    // The control takes the space it is given; the picture follows it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void PictureView::setPicture(const QImage &picture)
{
    m_picture = picture;
    rescale();
}

QRect PictureView::pictureRect() const
{
    if (m_picture.isNull())
        return {};
    const QSize scaled = m_picture.size().scaled(contentsRect().size(), Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), scaled);
    r.moveCenter(contentsRect().center());
    return r;
}

void PictureView::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    rescale();
}

void PictureView::rescale()
{
    if (m_picture.isNull()) {
        clear();
        return;
    }
    const QSize target = pictureRect().size();
    if (target.isEmpty())
        return;
    setPixmap(QPixmap::fromImage(m_picture.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

} // namespace vondrel
