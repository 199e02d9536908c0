#pragma once
// "图片显示": one picture in a window of its own, sized to the picture.
#include "TFormbase.h"

#include <QImage>

class QLabel;

namespace vondrel {

class TFormPhoto : public TFormbase {
    Q_OBJECT
public:
    // Shows a copy of `picture`.
    TFormPhoto(QWidget *owner, const QImage &picture);
    // Shows the picture file when `path` is not empty and the file exists;
    // otherwise an empty window.
    TFormPhoto(QWidget *owner, const QString &path);

    QLabel *Image1 = nullptr;
    const QImage &picture() const { return m_picture; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setUp();
    void showPicture();

    QImage m_picture;
};

} // namespace vondrel
