// A host with a screen-source camera whose X server goes away: libX11 then
// ends the process with exit() on the camera's streaming thread. The library
// must not tear its cameras down on that thread. Prints "frames seen" once a
// snapshot arrived, then runs its loop until the process is ended; returns 5
// when nothing ended it.
#include "Quorvel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <cstdio>

namespace {
class Owner : public QWidget {
public:
    bool snapshot = false;
    bool event(QEvent *e) override
    {
        if (e->type() == QuorvelCameraEventType) {
            if (static_cast<QuorvelCameraEvent *>(e)->record.type == QuorvelEvent_CaptureSnapshot)
                snapshot = true;
            return true;
        }
        return QWidget::event(e);
    }
};

void runLoop(int ms, const bool *until = nullptr)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && !(until && *until)) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Owner owner;
    QWidget host;
    host.resize(160, 120);
    host.show();
    Quorvel_Init();
    Quorvel_open(&owner, nullptr, &host, 0);
    Quorvel_Capture(nullptr, 0);
    runLoop(10000, &owner.snapshot);
    if (!owner.snapshot) {
        std::fprintf(stderr, "no snapshot\n");
        return 4;
    }
    std::fprintf(stderr, "frames seen\n");
    std::fflush(stderr);
    runLoop(30000);
    std::fprintf(stderr, "still running\n");
    Quorvel_close(nullptr, 0);
    return 5;
}
