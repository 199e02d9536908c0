// The settings panels' test picture: while a panel has set it (under the
// camera lock), every frame is handed to it stretched to the size it asks
// for. The windows layer implements it; the engine only needs QtGui's
// QImage.
#pragma once

#include <QImage>
#include <QSize>

namespace quorvel {

class TestWindowSink {
public:
    virtual ~TestWindowSink() = default;
    // The size of the test picture, in pixels. Called on the streaming
    // thread with the camera lock held: return a stored value.
    virtual QSize testPictureSize() const = 0;
    // A frame stretched to testPictureSize(), in picture order (top row
    // first). Called on the streaming thread with the camera lock held:
    // keep the picture and queue a repaint, never wait for the UI thread.
    virtual void presentTestPicture(const QImage &picture) = 0;
};

} // namespace quorvel
