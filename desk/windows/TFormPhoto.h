#pragma once
// "图片显示": one picture in a window of its own, sized to the picture. The
// picture is centred and stretched within the window, keeping its
// proportions, also after the window is resized. Opened modally (exec()).
#include "TFormbase.h"

#include <QImage>

namespace vondrel {

class PictureView;

class TFormPhoto : public TFormbase {
    Q_OBJECT
public:
    // Shows a copy of `picture`.
    TFormPhoto(QWidget *owner, const QImage &picture);
    // Shows the picture file when `path` is not empty and the file exists;
    // otherwise an empty window.
    TFormPhoto(QWidget *owner, const QString &path);

    PictureView *Image1 = nullptr;
    const QImage &picture() const { return m_picture; }

private:
    void setUp();

    QImage m_picture;
};

} // namespace vondrel
