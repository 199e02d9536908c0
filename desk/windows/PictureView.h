#pragma once
// A picture control that shows its picture as large as it fits, centred and
// keeping its proportions, at whatever size the layout gives the control:
// the picture is scaled again on every resize of the control itself, so it
// never keeps the size the control had before the window was laid out.
#include <QImage>
#include <QLabel>

namespace vondrel {

class PictureView : public QLabel {
    Q_OBJECT
public:
    explicit PictureView(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    // Where the picture is drawn inside the control (empty without one).
    QRect pictureRect() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void rescale();

    QImage m_picture;
};

} // namespace vondrel
